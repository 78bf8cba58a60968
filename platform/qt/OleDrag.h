// The drag loop of the layer itself (toolkits without a drag of their own, such as the headless
// one) takes the mouse and the keys while it runs. Internal to platform/qt/.
#pragma once

#include "platform/Windows.h"

namespace morvik::qtwin {

// True when a drag loop took the mouse event (the button bit is 1, 2 or 4; screen coordinates).
bool TrackLayerDrag(UINT kind, int button, TPoint screenPt);
// True when a drag loop took the key (Escape cancels the drag).
bool TrackLayerDragKey(bool down, Word vk);
// A window is going: a drop target still registered for it is let go.
void ForgetDropTarget(HWND wnd);

}  // namespace morvik::qtwin

// The windowless control holding the mouse and the drag's hold on controls, shared by the files of the control hierarchy. Internal
// to platform/.
#pragma once

class TControl;

namespace morvik::controls {

// The windowless child that holds its parent window's capture (null: the window itself, or none).
TControl*& CapturedChild();

// A control is going: a drag it is the target of goes on without it; a drag it is the source of
// ends, cancelled, without its end handler.
void ForgetDragControl(TControl* Control);

}  // namespace morvik::controls

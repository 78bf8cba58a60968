// The windowless control holding the mouse, shared by the files of the control hierarchy. Internal
// to platform/.
#pragma once

class TControl;

namespace morvik::controls {

// The windowless child that holds its parent window's capture (null: the window itself, or none).
TControl*& CapturedChild();

}  // namespace morvik::controls

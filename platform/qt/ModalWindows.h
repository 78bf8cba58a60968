// The toolkit's own modal windows: the dialogs and message boxes the layer shows and the popup
// menus it opens, each running a loop of its own.
#pragma once

namespace morvik::backend {

// Cancels every open toolkit dialog, message box and popup menu, as Escape would; their loops
// return once the current event has been handled. True when one was open.
bool CancelToolkitModals();

}  // namespace morvik::backend

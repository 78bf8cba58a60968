// Synthetic drags for tests and tools: another program dragging data over our windows, another
// program under the pointer when one of our drags ends outside our windows, and input given to a
// drag loop while it runs. Drags from other programs reach windows as the toolkit's own drag events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace Input {

// One format of a drag between programs: its type ("text/plain", "text/uri-list", "image/png", ...)
// and its bytes.
struct TDragData {
    std::string Type;
    std::string Bytes;
};
using TDragDataList = std::vector<TDragData>;

// Another program drags Data, allowing Effects (DROPEFFECT_ flags), over the window under a client
// point of Target. Each answers the effect the other program is told (DROPEFFECT_NONE: refused).
// Shift gives the buttons and keys held (ssLeft while dragging).
DWORD ForeignDragEnter(TControl* Target, int X, int Y, const TDragDataList& Data, DWORD Effects, TShiftState Shift = ssLeft);
DWORD ForeignDragMove(TControl* Target, int X, int Y, TShiftState Shift = ssLeft);
void ForeignDragLeave();
DWORD ForeignDrop(TControl* Target, int X, int Y, TShiftState Shift = 0);

// Another program's window, standing wherever no window of ours is. Called with what our drag
// offers it in the other programs' types (each read in full), while the drag passes over it
// (Drop false) and when it is dropped there (Drop true); it answers the effect it takes. Empty:
// no such program.
using TForeignDropSite = std::function<DWORD(const TDragDataList& Data, DWORD Allowed, bool Drop)>;
void SetForeignDropSite(TForeignDropSite Site);

// Steps run one at a time inside the next drag loop, as input arriving while the user drags
// (Input::MouseMove, MouseUp, PressKey, ...). Steps left when a drag ends are dropped. A drag whose
// steps have all run and that then hears nothing for three seconds is cancelled.
void DuringDrag(std::function<void()> Step);
int PendingDragSteps();

}  // namespace Input

// What the layer's own drag loop cannot see for itself: input that arrives while it runs, and other
// programs' windows beside ours. Synthetic input (ForeignDrag.cpp) implements it for tests and tools;
// with none installed the loop hears only real input and no other program is there. Internal to
// platform/qt/.
#pragma once

#include <QPoint>
#include <Qt>

#include "platform/DragInput.h"

class QWidget;

namespace morvik::qtwin {

class TDragSurroundings {
public:
    virtual ~TDragSurroundings() = default;
    // Another program's window stands wherever no window of ours is.
    virtual bool HasForeignSite() = 0;
    // That window's answer while our drag passes over it (Drop false) or is dropped on it (true).
    virtual DWORD ForeignSite(const Input::TDragDataList& Data, DWORD Allowed, bool Drop) = 0;
    // Input waiting to arrive inside the loop, run one step at a time.
    virtual bool HasSteps() = 0;
    virtual void RunNextStep() = 0;
    // The outermost drag ended: input still waiting is dropped.
    virtual void DragEnded() = 0;
};

void SetDragSurroundings(TDragSurroundings* Surroundings);

// For drags from other programs arriving over our windows.
HWND DropSiteAt(TPoint Screen);
QWidget* DropSiteWidget(HWND Window);
QPoint DropSitePoint(HWND Window, TPoint Screen);
Qt::DropActions DropActionsOf(DWORD Effects);
DWORD DropEffectsOf(Qt::DropActions Actions);

}  // namespace morvik::qtwin

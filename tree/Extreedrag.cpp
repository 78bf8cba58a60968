// Drag and drop of items: starting a drag of the selection (within the program or between
// programs), tracking the row under a drag with auto-scroll and auto-expand, and drops from other
// programs handed to the application.
#include <algorithm>

#include "controls/Exheader.h"
#include "ctlbase/Exdragdrop.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "tree/Extreedrag.h"
#include "tree/Extreeres.h"
#include "tree/Extreeview.h"

// ---------------------------------------------------------------- the drag object

TCursor TExTreeDragObject::GetDragCursor(bool Accepted, int X, int Y)
{
    if (dynamic_cast<TExTreeView*>(Control) || dynamic_cast<TCustomExTree*>(Control)) {
        if (!Accepted) return extree::crExTreeNoDrop;
        return GetKeyState(VK_CONTROL) < 0 ? extree::crExTreeDragCopy : extree::crExTreeDragMove;
    }
    return TDragControlObject::GetDragCursor(Accepted, X, Y);
}

void TExTreeDragObject::Finished(TObject* Target, int X, int Y, bool Accepted)
{
    TDragControlObject::Finished(Target, X, Y, Accepted);
    // The tree made this object for its drag; nothing else frees it.
    TObject::Free(this);
}

// ---------------------------------------------------------------- the tree's drop target

void TCustomExTree::SetDragType(TExDragType Value)
{
    if (FDragType == Value) return;
    FDragType = Value;
    if (Value == dtKolvar) {
        if (FDropTarget) {
            TExDropTarget* target = FDropTarget;
            FDropTarget = nullptr;
            TObject::Free(target);
        }
        return;
    }
    if (FDropTarget) return;
    FDropTarget = new TExDropTarget(this);
    FDropTarget->OnTargetDrag = [this](TObject* Sender, TDragState State, TOleDragObject* Source, TShiftState Shift,
                                       int X, int Y, TDragType& DragType) {
        if (FView && !IsDestroying()) FView->OnDropTargetDrag(Sender, State, Source, Shift, X, Y, DragType);
    };
    FDropTarget->OnTargetDrop = [this](TObject* Sender, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                                       TDragType& DragType) {
        if (FView && !IsDestroying()) FView->OnDropTargetDrop(Sender, Source, Shift, X, Y, DragType);
    };
    FDropTarget->SetTarget(FView);
}

// ---------------------------------------------------------------- starting

void TExTreeView::StartItemDrag()
{
    StopEditTimer();
    FClickPending = false;
    FPassedItem = nullptr;
    FCheckPressItem = nullptr;
    FDragStarted = true;
    FLeftPressed = false;
    if (FTree->DragType() != dtOLE) {
        BeginDrag(true);
        return;
    }
    TGuardPtr<TExTreeView> self(this);
    IDataObject* data = nullptr;
    IDropSource* source = nullptr;
    TDragTypes effects = 0;
    FTree->TriggerOleDragStartEvent(data, source, effects);
    auto release = [&] {
        if (data) data->Release();
        if (source) source->Release();
    };
    if (!self || !data || !source) return release();
    // The drag loop owns the mouse from here.
    ReleaseMouse();
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, source, DragTypesToEffects(effects), &effect);
    release();
    if (!self) return;
    const TDragType type = (effect & DROPEFFECT_MOVE)   ? dtMove
                           : (effect & DROPEFFECT_LINK) ? dtLink
                           : (effect & DROPEFFECT_COPY) ? dtCopy
                                                        : dtNone;
    FTree->TriggerOleDragFinishEvent(type, result);
}

void TExTreeView::DoStartDrag(TDragObject*& DragObject)
{
    TGuardPtr<TExTreeView> self(this);
    if (TExTreeItem* old = FDropTargetItem) {
        FDropTargetItem = nullptr;
        InvalidateItem(old, raRow, 0, 0);
    }
    const bool something = FTree->MultiSelect() ? Model()->SelCount() > 0 : Model()->Selected() != nullptr;
    if (something) {
        FillDragImage();
        if (FDragImages && FDragImages->Count() > 0) {
            FDragImageTop = 0;
            for (Integer i = 0; i < RowCount(); ++i)
                if (Row(i)->Selected()) {
                    FDragImageTop = GetItemRect(i).Top;
                    break;
                }
            TExHeaderSection* main = FTree->ShowColumns() ? FTree->Header()->Sections()->GetSection(FTree->MainTreeColumn())
                                                          : nullptr;
            FDragImages->SetDragImage(0, FPressPoint.X + FTree->LeftPosition() - (main ? main->GetLeft() : 0),
                                      FPressPoint.Y - FDragImageTop);
        }
    }
    TCustomControl::DoStartDrag(DragObject);
    if (!self) return;
    // The tree, not its inner view, is what the targets see dragged.
    if (!DragObject) DragObject = new TExTreeDragObject(FTree);
}

void TExTreeView::DoEndDrag(TObject* Target, int X, int Y)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::DoEndDrag(Target, X, Y);
    if (!self) return;
    if (FDragImages) {
        TImageList* images = FDragImages;
        FDragImages = nullptr;
        TObject::Free(images);
    }
    if (TExTreeItem* old = FDropTargetItem) {
        FDropTargetItem = nullptr;
        InvalidateItem(old, raRow, 0, 0);
    }
}

// ---------------------------------------------------------------- a drag over the view

namespace {

void FreeTimer(TTimer*& Timer)
{
    if (!Timer) return;
    TTimer* t = Timer;
    Timer = nullptr;
    TObject::Free(t);
}

}  // namespace

void TExTreeView::CMDrag(TMessage& Message)
{
    auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
    FTree->FDragObject = rec ? rec->Source : nullptr;
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (!self || !rec) return;
    auto clearTarget = [this] {
        if (TExTreeItem* old = FDropTargetItem) {
            FDropTargetItem = nullptr;
            InvalidateItem(old, raRow, 0, 0);
        }
    };
    switch (TDragMessage(Message.WParam)) {
    case dmDragEnter: FDragOver = true; break;
    case dmDragMove:
    case dmFindTarget:
        if (FTree->DragAllowed()) {
            const TPoint p = ScreenToClient(rec->Pos);
            DoDragOver(rec->Source, p.X, p.Y, Message.Result != 0);
        }
        break;
    case dmDragLeave:
        FDragOver = false;
        FTree->FDragObject = nullptr;
        if (FDragExpandTimer) FDragExpandTimer->SetEnabled(false);
        if (FTree->DragAllowed()) {
            FreeTimer(FScrollTimer);
            if (rec->Source) rec->Source->HideDragImage();
            clearTarget();
            Update();
            if (rec->Source) rec->Source->ShowDragImage();
        }
        break;
    case dmDragDrop:
    case dmDragCancel:
        FDragOver = false;
        FTree->FDragObject = nullptr;
        FreeTimer(FDragExpandTimer);
        if (FTree->DragAllowed()) {
            FreeTimer(FScrollTimer);
            clearTarget();
            Update();
        }
        break;
    }
}

namespace {

// The pointer is where a drag scrolls the rows: up over the first row when rows lie above it,
// down over the last row when rows lie below it.
enum class TDragZone { None, Top, Bottom };

}  // namespace

static TDragZone ZoneOf(TExTreeView* View, TCustomExTree* Tree, Integer Y)
{
    const Integer rows = View->RowCount();
    if (rows == 0) return TDragZone::None;
    if (Tree->TopIndex() > 0 && Y <= View->GetItemRect(0).Bottom - View->GetItemRect(0).Top + 1) return TDragZone::Top;
    const TRect last = View->GetItemRect(rows - 1);
    if (Tree->TopIndex() + rows < View->Model()->TotalVisCount() && Y >= View->ClientHeight() - (last.Bottom - last.Top + 1))
        return TDragZone::Bottom;
    return TDragZone::None;
}

void TExTreeView::DoDragOver(TDragObject* Source, Integer X, Integer Y, bool CanDrop)
{
    TGuardPtr<TExTreeView> self(this);
    DoHideLineHint();
    if (ZoneOf(this, FTree, Y) != TDragZone::None) {
        if (!FScrollTimer) {
            FScrollTimer = new TTimer(this);
            FScrollTimer->SetEnabled(false);
            FScrollTimer->OnTimer = [this](TObject* Sender) { OnScrollTimer(Sender); };
        }
        if (!FScrollTimer->Enabled()) {
            FScrollTimer->SetInterval(1000);
            FScrollTimer->SetEnabled(true);
        }
    }
    FDropAccepted = CanDrop;
    TExTreeItem* target = GetItemAtY(Y);
    if (target && !Usable(target)) target = nullptr;
    if (target == FDropTargetItem && !FTree->OnDragTargetChange) return;
    if (Source) Source->HideDragImage();
    if (TExTreeItem* old = FDropTargetItem) InvalidateItem(old, raRow, 0, 0);
    FDropTargetItem = target;
    if (FTree->OnDragTargetChange) {
        const TRect r = target ? FTree->GetItemRect(FVisibleRows.IndexOf(target)) : TRect{};
        TGuardPtr<TCustomExTree> tree(FTree);
        FTree->OnDragTargetChange(FTree, target, r, X, Y + Top());
        if (!self || !tree) return;
        target = FDropTargetItem;
    }
    if (target) {
        if (FTree->ExpandOnDragOver()) {
            if (FTree->DragExpandDelay() > 0) {
                if (!FDragExpandTimer) {
                    FDragExpandTimer = new TTimer(this);
                    FDragExpandTimer->OnTimer = [this](TObject* Sender) { OnDragExpandTimer(Sender); };
                }
                FDragExpandTimer->SetEnabled(false);
                FDragExpandTimer->SetInterval(Cardinal(FTree->DragExpandDelay()));
                FDragExpandTimer->SetEnabled(true);
            } else if (!target->Expanded()) {
                target->Expand(false);
                if (!self) return;
            }
        }
        if (FDropTargetItem) InvalidateItem(FDropTargetItem, raRow, 0, 0);
    }
    Update();
    if (Source) Source->ShowDragImage();
}

void TExTreeView::OnScrollTimer(TObject*)
{
    if (!FScrollTimer) return;
    FScrollTimer->SetEnabled(false);
    FScrollTimer->SetInterval(Cardinal(std::max<Integer>(FTree->DragScrollInterval(), 1)));
    if (RowCount() == 0 || !HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    const TDragZone zone = ZoneOf(this, FTree, p.Y);
    if (zone == TDragZone::None) return;
    TDragObject* object = FTree->FDragObject;
    if (object) object->HideDragImage();
    SetVPosition(FTree->TopIndex() + (zone == TDragZone::Top ? -1 : 1));
    Update();
    if (object) object->ShowDragImage();
    if (FScrollTimer) FScrollTimer->SetEnabled(true);
}

bool TExTreeView::DragScroll(TDragObject* Source, Integer, Integer Y)
{
    const Integer half = FTree->LineHeight() / 2;
    if (Y < half && FTree->TopIndex() > 0) {
        if (Source) Source->HideDragImage();
        SetVPosition(FTree->TopIndex() - 1);
        return true;
    }
    if (Y > ClientHeight() - half && FTree->TopIndex() + RowCount() < Model()->TotalVisCount()) {
        if (Source) Source->HideDragImage();
        SetVPosition(FTree->TopIndex() + 1);
        return true;
    }
    return false;
}

void TExTreeView::OnDragExpandTimer(TObject*)
{
    if (FDragExpandTimer) FDragExpandTimer->SetEnabled(false);
    TExTreeItem* target = FDropTargetItem;
    if (!target || target->Expanded() || !target->HasVisibleChildren()) return;
    TGuardPtr<TExTreeView> self(this);
    TDragObject* object = FTree->FDragObject;
    if (object) object->HideDragImage();
    target->Expand(false);
    if (!self) return;
    Update();
    if (object && FTree->FDragObject == object) object->ShowDragImage();
}

// ---------------------------------------------------------------- drags from other programs

void TExTreeView::OnDropTargetDrag(TObject*, TDragState State, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                                   TDragType& DragType)
{
    TGuardPtr<TExTreeView> self(this);
    FTree->TriggerOleTargetDragEvent(State, Source, Shift, X, Y, DragType);
    if (!self) return;
    DoDragOver(Source, X, Y, DragType != dtNone);
    if (!self) return;
    if (State == dsDragLeave) {
        // Nothing keeps scrolling or expanding for a drag that went elsewhere.
        if (FScrollTimer) FScrollTimer->SetEnabled(false);
        if (FDragExpandTimer) FDragExpandTimer->SetEnabled(false);
        if (TExTreeItem* old = FDropTargetItem) {
            FDropTargetItem = nullptr;
            InvalidateItem(old, raRow, 0, 0);
        }
    }
}

void TExTreeView::OnDropTargetDrop(TObject*, TOleDragObject* Source, TShiftState Shift, int X, int Y,
                                   TDragType& DragType)
{
    if (FScrollTimer) FScrollTimer->SetEnabled(false);
    if (FDragExpandTimer) FDragExpandTimer->SetEnabled(false);
    if (TExTreeItem* old = FDropTargetItem) {
        FDropTargetItem = nullptr;
        InvalidateItem(old, raRow, 0, 0);
    }
    FTree->TriggerOleTargetDropEvent(Source, Shift, X, Y, DragType);
}

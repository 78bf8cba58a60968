// The tree's child windows seen from outside: the view's events raised as the tree's own (tree as
// Sender, tree client coordinates), the bars' drawing, hint and hit-test requests, and the header's
// notifications turned into layout and refresh work.
#include "ctlbase/Exlist.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

// Events of a child window may arrive while the tree goes (a child freed in the destructor still
// reports): they are not passed on then.
#define TREE_ALIVE() \
    if (IsDestroying() || !FView) return

void TCustomExTree::ClickTransfer(TObject*)
{
    TREE_ALIVE();
    if (OnClick) OnClick(this);
}

void TCustomExTree::DblClickTransfer(TObject*)
{
    TREE_ALIVE();
    if (OnDblClick) OnDblClick(this);
}

void TCustomExTree::EnterTransfer(TObject*)
{
    TREE_ALIVE();
    if (OnEnter) OnEnter(this);
}

void TCustomExTree::ExitTransfer(TObject*)
{
    TREE_ALIVE();
    if (OnExit) OnExit(this);
}

void TCustomExTree::KeyDownTransfer(TObject*, Word& Key, TShiftState Shift)
{
    TREE_ALIVE();
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TCustomExTree::KeyPressTransfer(TObject*, char& Key)
{
    TREE_ALIVE();
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TCustomExTree::KeyUpTransfer(TObject*, Word& Key, TShiftState Shift)
{
    TREE_ALIVE();
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TCustomExTree::MouseDownTransfer(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TREE_ALIVE();
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X + FView->Left(), Y + FView->Top());
}

void TCustomExTree::MouseMoveTransfer(TObject*, TShiftState Shift, int X, int Y)
{
    TREE_ALIVE();
    if (OnMouseMove) OnMouseMove(this, Shift, X + FView->Left(), Y + FView->Top());
}

void TCustomExTree::MouseUpTransfer(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TREE_ALIVE();
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X + FView->Left(), Y + FView->Top());
}

namespace {

// The source a user of the tree sees: the tree for its own view, the dragged control for a drag
// object of a control.
TObject* OuterSource(TCustomExTree* Tree, TObject* Source)
{
    if (Source == Tree->View()) return Tree;
    if (auto* object = dynamic_cast<TDragControlObject*>(Source)) return object->Control == Tree->View() ? Tree : object->Control;
    return Source;
}

}  // namespace

void TCustomExTree::DropTransfer(TObject*, TObject* Source, int X, int Y)
{
    TREE_ALIVE();
    if (OnDragDrop) OnDragDrop(this, OuterSource(this, Source), X + FView->Left(), Y + FView->Top());
}

void TCustomExTree::OverTransfer(TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = false;
    TREE_ALIVE();
    if (OnDragOver) OnDragOver(this, OuterSource(this, Source), X + FView->Left(), Y + FView->Top(), State, Accept);
}

void TCustomExTree::DragTransfer(TObject*, TObject* Target, int X, int Y)
{
    TREE_ALIVE();
    if (OnEndDrag) OnEndDrag(this, OuterSource(this, Target), X + FView->Left(), Y + FView->Top());
}

void TCustomExTree::StartDragTransfer(TObject*, TDragObject*& DragObject)
{
    TREE_ALIVE();
    if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TCustomExTree::MeasureSectionTransfer(TCustomExHeader*, TExHeaderSection* Section, TPoint& Size)
{
    TREE_ALIVE();
    if (OnHeaderSectionMeasure) OnHeaderSectionMeasure(this, Section, Size);
}

void TCustomExTree::HorzScrollDrawPartTransfer(TObject*, TCanvas* Canvas, const TRect& R, TExScrollBarPart Part,
                                               bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw)
{
    TREE_ALIVE();
    if (OnHorzScrollDrawPart) OnHorzScrollDrawPart(this, Canvas, R, Part, Enabled, Focused, Pressed, DefaultDraw);
}

void TCustomExTree::VertScrollDrawPartTransfer(TObject*, TCanvas* Canvas, const TRect& R, TExScrollBarPart Part,
                                               bool Enabled, bool Focused, bool Pressed, bool& DefaultDraw)
{
    TREE_ALIVE();
    if (OnVertScrollDrawPart) OnVertScrollDrawPart(this, Canvas, R, Part, Enabled, Focused, Pressed, DefaultDraw);
}

void TCustomExTree::HorzScrollHintNeededTransfer(TObject*, Integer TrackPosition, std::string& Hint)
{
    TREE_ALIVE();
    if (OnHorzScrollHintNeeded) OnHorzScrollHintNeeded(this, TrackPosition, Hint);
}

void TCustomExTree::ScrollBarMouseDown(TObject*, TMouseButton, TShiftState, int, int)
{
    TREE_ALIVE();
    if (FView->HandleAllocated() && !FView->Focused() && FView->CanFocus() && CanFocus()) FView->SetFocus();
}

// ---------------------------------------------------------------- the header

void TCustomExTree::OnHeaderSectionResize(TObject*, TExHeaderSection* Section)
{
    TREE_ALIVE();
    TGuardPtr<TCustomExTree> self(this);
    TExUpdateGuard bracket(FModel.get());
    DoOnColumnResize(Section->GetIndex());
    if (!self) {
        bracket.Forget();
        return;
    }
    TExTreeRefresh& w = RefreshFlags();
    w.UpdatePending = w.RowsChanged = w.TopIndexChanged = true;
    if (FVerticalLines) w.ViewChanged = true;
    bracket.Done();
}

void TCustomExTree::OnHeaderSectionVisChange(TObject*, TExHeaderSection*)
{
    TREE_ALIVE();
    TExUpdateGuard bracket(FModel.get());
    TExTreeRefresh& w = RefreshFlags();
    w.ViewChanged = w.HRangeStale = true;
    if (FHeader->GetColumnsWidth() < FView->Width()) {
        FHeader->Invalidate();
        SetHPosition(0);
    }
    w.UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::OnHeaderSectionChange(TObject*, TExHeaderSection* Section, TSectionChangeMode Change)
{
    TREE_ALIVE();
    if (!Section || !Section->Visible()) return;
    TExUpdateGuard bracket(FModel.get());
    if (Change == scmAlign || (Change == scmStyle && FOwnerDrawByColumn)) {
        RefreshFlags().ViewChanged = true;
        RefreshFlags().UpdatePending = true;
    } else if (Change == scmPassword) {
        FView->Invalidate();
    }
    bracket.Done();
}

void TCustomExTree::OnHeaderSectionCreate(TObject*, TExHeaderSection*)
{
    TREE_ALIVE();
    TExUpdateGuard bracket(FModel.get());
    // Sections read anew replaced the old ones without a word.
    PruneSortSections();
    RefreshFlags().UpdatePending = true;
    AlignPieces();
    bracket.Done();
}

void TCustomExTree::OnHeaderSectionMove(TObject*, TExHeaderSection* Section, Integer OldPos, Integer NewPos)
{
    TREE_ALIVE();
    TExUpdateGuard bracket(FModel.get());
    RefreshFlags().ViewChanged = RefreshFlags().UpdatePending = true;
    bracket.Done();
    TriggerHeaderColumnMoveEvent(Section, OldPos, NewPos);
}

void TCustomExTree::OnHeaderSectionDelete(TObject*, TExHeaderSection*)
{
    TREE_ALIVE();
    TExUpdateGuard bracket(FModel.get());
    // The section has left the collection when its deletion is reported.
    if (FHeader->Sections()->Count() == 0) SetShowHeader(false);
    TExTreeRefresh& w = RefreshFlags();
    if (ShowColumns())
        w.TopIndexChanged = true;
    else
        w.HRangeStale = true;
    AlignPieces();
    // A folded deletion names no section: whatever left the header leaves the sort list.
    if (PruneSortSections() > 0 && (SortMode() == smClick || SortMode() == smAddClick)) w.SortPending = true;
    w.UpdatePending = true;
    bracket.Done();
}

void TCustomExTree::OnHeaderExpand(TObject*, TExHeaderSection* Section)
{
    TREE_ALIVE();
    TGuardPtr<TCustomExTree> self(this);
    TExUpdateGuard bracket(FModel.get());
    TriggerHeaderSectionExpandEvent(Section);
    if (!self) {
        bracket.Forget();
        return;
    }
    RefreshFlags().UpdatePending = RefreshFlags().ViewChanged = true;
    bracket.Done();
}

void TCustomExTree::OnHeaderCollapse(TObject*, TExHeaderSection* Section)
{
    TREE_ALIVE();
    TGuardPtr<TCustomExTree> self(this);
    TExUpdateGuard bracket(FModel.get());
    TriggerHeaderSectionCollapseEvent(Section);
    if (!self) {
        bracket.Forget();
        return;
    }
    RefreshFlags().UpdatePending = RefreshFlags().ViewChanged = true;
    bracket.Done();
}

void TCustomExTree::DoHeaderMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TREE_ALIVE();
    if (IsEditing()) EndEdit(false);
    if (OnHeaderMouseDown) OnHeaderMouseDown(this, Button, Shift, X, Y);
}

void TCustomExTree::HeaderResizeHandler(TObject*)
{
    TREE_ALIVE();
    DoHeaderResize();
    if (OnHeaderResize) OnHeaderResize(this);
}

void TCustomExTree::DoHeaderResize()
{
    if (FView->Painting()) return;
    TExUpdateGuard bracket(FModel.get());
    TExTreeRefresh& w = RefreshFlags();
    w.UpdatePending = w.RowsChanged = w.TopIndexChanged = true;
    if (FHeader->Height() != FHeaderHeightCache) {
        w.ViewChanged = w.VisCountChanged = true;
        AlignPieces();
    }
    if (FHeader->LeftPos() != FLeftPosition) FHeader->SetLeftPos(FLeftPosition);
    bracket.Done();
}

void TCustomExTree::HeaderSectionAutoSizeHandler(TObject*, TExHeaderSection* Section)
{
    TREE_ALIVE();
    if (FAutoResizeColumns) {
        if (!(Section->AutoSize() ? AutoSizeColumn(Section->GetIndex()) : FitSection(Section))) return;
        OnHeaderSectionResize(FHeader, Section);
    } else if (Section->AutoSize()) {
        AutoSizeColumn(Section->GetIndex());
    } else {
        SectionAutoSizeTransfer(FHeader, Section);
    }
}

void TCustomExTree::SectionAutoSizeTransfer(TObject*, TExHeaderSection* Section)
{
    if (OnHeaderSectionAutoSize) OnHeaderSectionAutoSize(this, Section->GetIndex());
}

void TCustomExTree::SectionFilterCallTransfer(TObject*, TExHeaderSection* Section)
{
    TREE_ALIVE();
    if (OnHeaderSectionFilterCall) OnHeaderSectionFilterCall(this, Section->GetIndex());
}

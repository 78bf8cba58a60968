// Mouse input: presses, releases and double clicks turned into focus, selection, expansion, check
// box, cell control and click-to-edit actions; the rubber band; hot tracking and item hints;
// fitting an expanded branch.
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_set>

#include "controls/Exheader.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeedit.h"
#include "tree/Extreeview.h"

namespace {

// Presses and moves this far apart (Euclidean, in pixels) start a drag or a rubber band.
constexpr double DragDistance = 5.0;

// The control of a cell from the item's own styles only (moves and double clicks ask no virtual
// style): nil unless the item has a style for the column that paints with the tree's colours.
// The last column has a style too: the count is compared with the style's index.
TExCellControl* OwnCellControl(TExTreeItem* Item, Integer Column, Integer MainColumn)
{
    if (!Item || !Item->UseStyles() || Column == MainColumn) return nullptr;
    const Integer index = Column > MainColumn ? Column - 1 : Column;
    TExCellStyle* style = index >= 0 && index < Item->StylesCount() ? Item->Styles(index) : nullptr;
    return style && !style->OwnerColors() ? style->Control() : nullptr;
}

bool FarFrom(const TPoint& A, Integer X, Integer Y)
{
    return std::hypot(double(X - A.X), double(Y - A.Y)) >= DragDistance;
}

TShiftState CurrentShift()
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

}  // namespace

bool TExTreeView::Usable(TExTreeItem* Item) const { return Item && (Item->Enabled() || FTree->IgnoreEnabled()); }

bool TExTreeView::AfterSelectionChange()
{
    TGuardPtr<TCustomExTree> tree(FTree);
    FTree->DoAfterSelectionChange();
    if (!tree) return false;
    FTree->SetSelectionChanged(false);
    return true;
}

void TExTreeView::StopEditTimer()
{
    if (FEditTimer) FEditTimer->SetEnabled(false);
    FEditItem = nullptr;
}

void TExTreeView::DropPendingClick()
{
    FClickPending = false;
    FPassedItem = nullptr;
}

void TExTreeView::FocusLost()
{
    StopEditTimer();
    DropPendingClick();
}

void TExTreeView::SkipRelease(TMouseButton Button, TShiftState Shift, Integer X, Integer Y)
{
    DropPendingClick();
    if (TExCellControl* pressed = FMouseDownControl.Get()) {
        FMouseDownControl = nullptr;
        pressed->TriggerMouseUpEvent(Button, Shift, X - FTree->LeftPosition() - SectionLeft(FMouseDownColumn), Y);
    }
}

void TExTreeView::ArmEditTimer(TExTreeItem* Item, Integer Column)
{
    if (!FEditTimer) {
        FEditTimer = new TTimer(this);
        FEditTimer->SetEnabled(false);
        FEditTimer->OnTimer = [this](TObject* Sender) { OnEditTimer(Sender); };
    }
    FEditTimer->SetEnabled(false);
    FEditItem = Item;
    FEditColumn = Column;
    FEditTimer->SetInterval(FTree->ShowColumns() ? Cardinal(std::max<Integer>(FTree->InplaceEditorDelay(), 1))
                                                 : GetDoubleClickTime());
    FEditTimer->SetEnabled(true);
}

// ---------------------------------------------------------------- hit testing for the mouse

TExTreeItem* TExTreeView::MouseItemAt(Integer X, Integer Y, TSTItemPart& Part, Integer& Column)
{
    Part = ipOutside;
    Column = 0;
    TExTreeItem* item = GetItemAt(X, Y, Part, Column);
    if (FTree->ShowColumns() && Part == ipOutside) return nullptr;
    return item;
}

Integer TExTreeView::SectionLeft(Integer Column)
{
    TExHeaderSection* section = FTree->Header()->Sections()->GetSection(Column);
    return section ? section->GetLeft() : 0;
}

TExCellControl* TExTreeView::CellControlAt(TExTreeItem* Item, Integer Column, bool Visible)
{
    if (!Item || !Item->UseStyles()) return nullptr;
    TExCellStyle* style = nullptr;
    if (Model()->IsVirtual()) {
        style = FVirtualStyle.get();
        if (style) FTree->TriggerVirtualStyleNeeded(Item, Column, style);
    } else {
        const Integer main = FTree->MainTreeColumn();
        if (Column == main) {
            style = Item->MainStyle();
        } else {
            const Integer index = Column > main ? Column - 1 : Column;
            style = index >= 0 && index < Item->StylesCount() ? Item->Styles(index) : Item->MainStyle();
        }
    }
    if (!style || style->OwnerColors()) return nullptr;
    TExCellControl* control = style->Control();
    if (!control || (Visible && !control->Visible())) return nullptr;
    return control;
}

Integer TExTreeView::RowTop(TExTreeItem* Item)
{
    const Integer row = Item ? FVisibleRows.IndexOf(Item) : -1;
    return row < 0 ? -1 : GetItemRect(row).Top;
}

// ---------------------------------------------------------------- messages

void TExTreeView::ReleaseMouse()
{
    if (MouseCapture()) SetMouseCapture(false);
    ControlState &= ~TControlState(csClicked);
}

void TExTreeView::WMLButtonDown(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    IntLButtonDown(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam));
    if (!self) return;
    TCustomControl::Dispatch(Message);
}

void TExTreeView::WMLButtonUp(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    if (IntLButtonUp(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam))) {
        if (self) TCustomControl::Dispatch(Message);
    } else if (self) {
        ReleaseMouse();
    }
}

void TExTreeView::WMRButtonDown(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    StopEditTimer();
    DoHideLineHint();
    if (FFrameSelecting || FFrameItems) CancelMouseSel();
    IntRButtonDown(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam));
    if (!self) return;
    TCustomControl::Dispatch(Message);
}

void TExTreeView::WMRButtonUp(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    if (IntRButtonUp(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam)) && self)
        TCustomControl::Dispatch(Message);
}

void TExTreeView::WMLButtonDblClk(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    if (IntLButtonDblClick(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam)) && self)
        TCustomControl::Dispatch(Message);
}

void TExTreeView::WMRButtonDblClk(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    if (IntRButtonDblClick(Message.XPos(), Message.YPos(), KeysToShiftState(Message.WParam)) && self)
        TCustomControl::Dispatch(Message);
}

void TExTreeView::WMCancelMode(TMessage& Message)
{
    if (FFrameSelecting || FFrameItems) CancelMouseSel();
    TCustomControl::Dispatch(Message);
}

void TExTreeView::CMHintShow(TMessage& Message)
{
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (info) {
        TExTreeItem* item = GetItemAtY(info->CursorPos.Y);
        if (item) {
            const std::string hint = item->Hint();
            if (!hint.empty()) {
                info->HintStr = hint;
                FItemHintItem = item;
            }
        }
    }
    TCustomControl::Dispatch(Message);
}

void TExTreeView::MouseLeft()
{
    if (FActiveEditor && FActiveEditor->GetVisible()) return;
    if (TExTreeItem* old = FTrackedItem) {
        FTrackedItem = nullptr;
        InvalidateItem(old, raRow, 0, 0);
        Update();
    }
    FItemHintItem = nullptr;
    DoHideLineHint();
    if (TExCellControl* control = FMouseDownControl.Get()) {
        FMouseDownControl = nullptr;
        control->TriggerMouseUpEvent(mbLeft, CurrentShift(), -1, -1);
    }
}

// ---------------------------------------------------------------- presses

void TExTreeView::IntLButtonDown(Integer X, Integer Y, TShiftState)
{
    StopEditTimer();
    DoHideLineHint();
    // A click deferred by an earlier press whose release the tree never settled is over.
    DropPendingClick();
    FDragStarted = false;
    if (!FTree->IsDesigning() && !Focused() && CanFocus()) {
        // The focus handlers (this tree's OnEnter, the other control's OnExit) may free the tree.
        TGuardPtr<TExTreeView> self(this);
        SetFocus();
        if (!self) return;
    }
    FPressPoint = TPoint{X, Y};
    FLeftPressed = true;
}

void TExTreeView::IntRButtonDown(Integer, Integer, TShiftState)
{
    DropPendingClick();
    if (FTree->IsDesigning()) return;
    if (!Focused() && (CanFocus() || !GetParentForm(this))) SetFocus();
}

void TExTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // An item a handler deletes during the press goes when the press is done; a tree a handler
    // frees keeps its items until then.
    TExTreeOperation op(Model());
    op.HoldAll();
    TGuardPtr<TExTreeView> self(this);
    FTree->SetSelectionChanged(false);
    FCheckPressItem = nullptr;
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && !Usable(item)) {
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    // The button that went down decides; one held from before does not (a left press with the
    // right button held is a left press).
    const bool right = Button == mbRight;
    const bool left = Button == mbLeft;
    if (right && part == ipButton) part = ipMainText;

    if (item && part == ipButton) {
        if (!item->Expanded()) {
            item->Expand(false);
            if (!self) return;
            FitMostChildren(item);
        } else {
            TExTreeItem* focused = FocusedItem();
            item->Collapse(false);
            if (!self) return;
            if (FTree->MoveFocusOnCollapse() && FocusedItem() != focused && !AfterSelectionChange()) return;
        }
        if (!self) return;
    }
    if (item && part == ipCheckBox && Button == mbLeft && !(Shift & ssDouble)) FCheckPressItem = item;

    if (item && part == ipColumn) {
        TExCellControl* control = CellControlAt(item, column, true);
        if (!self) return;
        if (control) {
            const Integer lh = std::max<Integer>(FTree->LineHeight(), 1);
            FMouseDownControl = control;
            FMouseDownColumn = column;
            control->TriggerMouseDownEvent(Button, Shift, X - FTree->LeftPosition() - SectionLeft(column), (Y / lh) * lh);
            if (!self) return;
            if (FMouseDownControl && !FMouseDownControl->PassClicks()) {
                TCustomControl::MouseDown(Button, Shift, X, Y);
                return;
            }
        }
        TExHeaderSection* section = FTree->Header()->Sections()->GetSection(column);
        if (section && !section->ClickSelect()) return;
    }

    bool selectionRan = false;
    if (left && part != ipButton && part != ipCheckBox) {
        SelectOnLeftPress(item, part, Shift);
        selectionRan = true;
    } else if (right && FTree->RightClickSelect()) {
        SelectOnRightPress(item, part, Shift);
        selectionRan = true;
    }
    if (!self) return;
    if (selectionRan && FTree->SelectionChanged() && !AfterSelectionChange()) return;
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TExTreeView::SelectOnLeftPress(TExTreeItem* Item, TSTItemPart Part, TShiftState Shift)
{
    TExTreeModel::TGesture gesture(Model());
    TGuardPtr<TCustomExTree> tree(FTree);
    const bool multi = FTree->MultiSelect();
    const bool ctrl = Shift & ssCtrl, shift = Shift & ssShift;
    if (!Item || ((Part == ipInside || Part == ipOutside) && !FTree->RowSelect())) {
        if (!Item && !FTree->AlwaysKeepFocus()) FTree->SetFocused(nullptr);
        return;
    }
    // A multi-select tree changes many items: they are repainted once, at the end.
    std::optional<TExUpdateGuard> bracket;
    if (multi) bracket.emplace(Model());
    auto done = [&] {
        if (!bracket) return;
        if (tree)
            bracket->Done();
        else
            bracket->Forget();
    };
    const Integer count = multi ? Model()->SelCount() : (Model()->Selected() ? 1 : 0);
    const bool usual = FTree->SelectionMode() == smUsual;
    if (multi && Item->Selected() && !ctrl) {
        // A press on a selected item may start dragging the selection: the release settles it.
        FClickPending = true;
        FPassedItem = Item;
        FPassedShift = Shift;
        FPassedWasSelected = Item->Selected();
        FTree->SetFocused(Item);
        if (!tree) return done();
        if (FPassedWasSelected || FTree->AlwaysKeepSelection()) Item->SetSelected(usual);
        return done();
    }
    if (usual && multi) {
        if (!ctrl && !shift) {
            // A gesture that puts a new selection in place of the old takes out what the filter hides
            // too (here and in every such gesture below): nothing the user cannot see stays selected.
            FTree->DeselectAllEx(true);
        } else if (shift) {
            TExTreeItem* anchor = Model()->Selected();
            FTree->DeselectAllEx(true);
            if (!tree) return done();
            if (anchor) {
                Model()->SetSelected(anchor);
                anchor->SetSelected(true);
            }
            FTree->SelectRange2(Item, anchor, false);
            if (!tree) return done();
            if (Item != FocusedItem()) Item->SetSelected(false);
        }
        if (!tree) return done();
    }
    if (Item == FocusedItem()) {
        if (!Item->Selected() || !FTree->AlwaysKeepSelection() || count > 1) DoSetSelected(Item);
    } else {
        FTree->SetFocused(Item);
    }
    if (!tree) return done();
    if (!multi || (!ctrl && !shift)) Model()->SetSelected(Item);
    if (ctrl && count <= 1 && multi && Model()->SelectedList()->Count() == 0) DoSetSelected(Item);
    done();
}

void TExTreeView::SelectOnRightPress(TExTreeItem* Item, TSTItemPart Part, TShiftState Shift)
{
    TExTreeModel::TGesture gesture(Model());
    TGuardPtr<TCustomExTree> tree(FTree);
    const bool multi = FTree->MultiSelect();
    const bool ctrl = Shift & ssCtrl, shift = Shift & ssShift;
    const bool usual = FTree->SelectionMode() == smUsual;
    // A multi-select tree changes many items: they are repainted once, at the end.
    std::optional<TExUpdateGuard> bracket;
    if (multi) bracket.emplace(Model());
    auto done = [&] {
        if (!bracket) return;
        if (tree)
            bracket->Done();
        else
            bracket->Forget();
    };
    TExList selected;
    if (multi) FTree->AllSelected(&selected);
    if (multi && Item && Item->Selected()) {
        const bool was = Item->Selected();
        FTree->SetFocused(Item);
        if (!tree) return done();
        if (was || FTree->AlwaysKeepSelection()) Item->SetSelected(true);
        return done();
    }
    if (!multi || !usual || selected.Count() < 2) {
        // As a left press does, for this item alone.
        if (!Item || ((Part == ipInside || Part == ipOutside) && !FTree->RowSelect())) {
            if (!Item && !FTree->AlwaysKeepFocus()) FTree->SetFocused(nullptr);
            return done();
        }
        if (multi && usual && !ctrl) FTree->DeselectAllEx(true);
        if (!tree) return done();
        if (Item == FocusedItem()) {
            if (!Item->Selected()) DoSetSelected(Item);
        } else {
            FTree->SetFocused(Item);
        }
        if (!tree) return done();
        if (!multi || (!ctrl && !shift)) Model()->SetSelected(Item);
        return done();
    }
    if (!Item) {
        // Below the rows: the selection and the focus go.
        if (!ctrl) FTree->DeselectAllEx(true);
        if (tree && !FTree->AlwaysKeepFocus()) FTree->SetFocused(nullptr);
        return done();
    }
    if (!ctrl && !shift) {
        FTree->DeselectAllEx(true);
    } else if (shift) {
        FTree->DeselectAllEx(true);
        if (!tree) return done();
        if (TExTreeItem* anchor = Model()->Selected()) {
            anchor->SetSelected(true);
            FTree->SelectRange2(Item, anchor, false);
        }
    }
    if (!tree) return done();
    if (Item == FocusedItem()) {
        if (!Item->Selected()) DoSetSelected(Item);
    } else {
        FTree->SetFocused(Item);
    }
    if (!tree) return done();
    if (!ctrl && !shift) Model()->SetSelected(Item);
    done();
}

// ---------------------------------------------------------------- releases

bool TExTreeView::IntLButtonUp(Integer X, Integer Y, TShiftState Shift)
{
    TGuardPtr<TExTreeView> self(this);
    StopEditTimer();
    DoHideLineHint();
    FLeftPressed = false;
    if (FFrameSelecting || FFrameItems) {
        CancelMouseSel();
        FDragStarted = false;
        FCheckPressItem = nullptr;
        SkipRelease(mbLeft, Shift, X, Y);
        return false;
    }
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && !Usable(item)) {
        SkipRelease(mbLeft, Shift, X, Y);
        return false;
    }
    if (item && X == FPressPoint.X && Y == FPressPoint.Y && part != ipInside && part != ipOutside &&
        part != ipButton && !FDragStarted) {
        const bool columns = FTree->ShowColumns();
        const Integer editColumn = columns ? column : -1;
        bool arm = (item == FLastClickedItem || FTree->QuickEditMode()) && item->AllowEdit() && FTree->DoInplaceEdit() &&
                   (FSecondClick || FTree->QuickEditMode()) && !FTree->IsDesigning();
        if (arm && columns) {
            TExHeaderSection* section = FTree->Header()->Sections()->GetSection(column);
            arm = (column == FLastClickedColumn || FTree->QuickEditMode()) && section && section->Editable();
        }
        if (arm) ArmEditTimer(item, editColumn);
        FSecondClick = true;
        FLastClickedItem = item;
        FLastClickedColumn = column;
    }
    if (!item) FLastClickedItem = nullptr;
    FDragStarted = false;
    TExCellControl* released = nullptr;
    if (item && part == ipColumn) {
        if (TExCellControl* control = CellControlAt(item, column, true)) {
            if (!self) return false;
            TGuardPtr<TExCellControl> guard(control);
            released = control;
            control->TriggerMouseUpEvent(mbLeft, Shift, X - FTree->LeftPosition() - SectionLeft(column), Y);
            if (!self) return false;
            if (guard && guard.Get() == FMouseDownControl.Get()) {
                guard->TriggerClickEvent();
                if (!self) return false;
            }
        }
        if (!self) return false;
    }
    if (TExCellControl* pressed = FMouseDownControl.Get(); pressed && pressed != released) {
        FMouseDownControl = nullptr;
        pressed->TriggerMouseUpEvent(mbLeft, CurrentShift(), -1, -1);
        if (!self) return false;
    }
    FMouseDownControl = nullptr;
    return true;
}

bool TExTreeView::IntRButtonUp(Integer X, Integer Y, TShiftState Shift)
{
    TGuardPtr<TExTreeView> self(this);
    StopEditTimer();
    DoHideLineHint();
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && !Usable(item)) {
        SkipRelease(mbRight, Shift, X, Y);
        return false;
    }
    TExCellControl* released = nullptr;
    if (item && part == ipColumn) {
        if (TExCellControl* control = CellControlAt(item, column, true)) {
            if (!self) return false;
            TGuardPtr<TExCellControl> guard(control);
            released = control;
            control->TriggerMouseUpEvent(mbRight, Shift, X - FTree->LeftPosition() - SectionLeft(column), Y);
            if (!self) return false;
            if (guard && guard.Get() == FMouseDownControl.Get()) {
                guard->TriggerClickEvent();
                if (!self) return false;
            }
            if (guard && guard->PopupMenu() && guard->PopupMenu()->AutoPopup) {
                FMouseDownControl = nullptr;
                TPopupMenu* menu = guard->PopupMenu();
                // The menu takes the mouse: no band or press of the tree goes on under it.
                if (FFrameSelecting || FFrameItems) CancelMouseSel();
                FLeftPressed = false;
                ReleaseMouse();
                menu->PopupComponent = guard.Get();
                const TPoint at = ClientToScreen(TPoint{X, Y});
                menu->Popup(at.X, at.Y);
                return false;
            }
        }
        if (!self) return false;
    }
    if (TExCellControl* pressed = FMouseDownControl.Get(); pressed && pressed != released) {
        FMouseDownControl = nullptr;
        pressed->TriggerMouseUpEvent(mbRight, CurrentShift(), -1, -1);
        if (!self) return false;
    }
    FMouseDownControl = nullptr;
    return true;
}

void TExTreeView::ToggleCheckBox(TExTreeItem* Item)
{
    switch (Item->CheckBoxType()) {
    case ect3SCheckBox:
        Item->SetCheckBoxState(Item->CheckBoxState() == cbUnchecked ? cbGrayed
                               : Item->CheckBoxState() == cbGrayed ? cbChecked
                                                                     : cbUnchecked);
        break;
    case ectCheckBox: Item->SetChecked(!Item->Checked()); break;
    case ectRadioButton: Item->SetChecked(true); break;
    }
}

void TExTreeView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TExTreeOperation op(Model());
    op.HoldAll();
    TGuardPtr<TExTreeView> self(this);
    TGuardPtr<TCustomExTree> tree(FTree);
    // Only the left release of a press that began on this very check box toggles it: not the
    // right button, not the end of a drag or a band, not the second click of a double click.
    TExTreeItem* pressedBox = FCheckPressItem.Get();
    FCheckPressItem = nullptr;
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (!self || !tree) return;
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && !Usable(item)) return;
    if (item && part == ipCheckBox && Button == mbLeft && item == pressedBox && item->CheckBoxEnabled()) {
        TGuardPtr<TExTreeItem> checked(item);
        ToggleCheckBox(item);
        if (!tree || !checked) return;
        FTree->DoItemChecked(item);
        if (!tree || !checked) return;
        FTree->DoItemChange(item, icmCheckState);
        if (!self || !tree) return;
    }
    if (FClickPending) ProcessPassedClick();
}

void TExTreeView::ProcessPassedClick()
{
    FClickPending = false;
    TExTreeItem* item = FPassedItem;
    FPassedItem = nullptr;
    if (FTree->IsEditing() || !item) return;
    TExTreeModel::TGesture gesture(Model());
    TGuardPtr<TCustomExTree> tree(FTree);
    const bool multi = FTree->MultiSelect();
    const bool ctrl = FPassedShift & ssCtrl, shift = FPassedShift & ssShift;
    const bool usual = FTree->SelectionMode() == smUsual;
    {
        TExUpdateGuard bracket(Model());
        if (multi && usual && !ctrl && !shift) {
            FTree->DeselectAllEx(true);
        } else if (multi && shift) {
            TExTreeItem* anchor = Model()->Selected();
            FTree->DeselectAllEx(true);
            if (tree && anchor) {
                Model()->SetSelected(anchor);
                anchor->SetSelected(true);
                FTree->SelectRange2(item, anchor, false);
            }
        }
        if (tree) {
            // A plain click on one of several selected items leaves that item alone selected.
            if (item == FocusedItem()) {
                if (usual && !item->Selected()) DoSetSelected(item);
            } else {
                FTree->SetFocused(item);
            }
        }
        if (tree && (!multi || (!ctrl && !shift))) Model()->SetSelected(item);
        if (!tree) {
            bracket.Forget();
            return;
        }
        bracket.Done();
    }
    if (!tree) return;
    AfterSelectionChange();
}

// ---------------------------------------------------------------- double clicks

bool TExTreeView::IntLButtonDblClick(Integer X, Integer Y, TShiftState)
{
    TGuardPtr<TExTreeView> self(this);
    StopEditTimer();
    DropPendingClick();
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && !Usable(item)) return false;
    if (item && (part == ipMainText || (FTree->FullRowSelect() && part != ipCheckBox)) && FTree->ExpandOnDblClick()) {
        if (item->Expanded()) {
            item->Collapse(false);
        } else {
            item->Expand(false);
            if (!self) return false;
            FitMostChildren(item);
        }
        if (!self) return false;
    }
    if (item && part == ipColumn) {
        if (TExCellControl* control = OwnCellControl(item, column, FTree->MainTreeColumn())) {
            control->TriggerDblClickEvent();
            return false;
        }
    }
    FSecondClick = false;
    FLastClickedItem = nullptr;
    FLastClickedColumn = -2;
    FDragStarted = true;
    return part != ipButton;
}

bool TExTreeView::IntRButtonDblClick(Integer X, Integer Y, TShiftState)
{
    StopEditTimer();
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && !Usable(item)) return false;
    if (item && part == ipColumn) {
        if (TExCellControl* control = OwnCellControl(item, column, FTree->MainTreeColumn())) {
            control->TriggerDblClickEvent();
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- moves

void TExTreeView::MouseMove(TShiftState Shift, int X, int Y)
{
    TSTItemPart part;
    Integer column;
    TExTreeItem* item = MouseItemAt(X, Y, part, column);
    if (item && part == ipColumn) {
        if (TExCellControl* control = OwnCellControl(item, column, FTree->MainTreeColumn())) {
            const Integer lh = std::max<Integer>(FTree->LineHeight(), 1);
            control->TriggerMouseMoveEvent(CurrentShift(), X - FTree->LeftPosition() - SectionLeft(column), (Y / lh) * lh);
            return;
        }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TExTreeView::IntMouseMove(Integer X, Integer Y, TShiftState Shift)
{
    if (Dragging()) return;
    TGuardPtr<TExTreeView> self(this);
    if (FLeftPressed && (Shift & ssLeft)) {
        TSTItemPart part;
        Integer column;
        TExTreeItem* item = MouseItemAt(X, Y, part, column);
        const bool something = FTree->MultiSelect() ? Model()->SelCount() > 0 : Model()->Selected() != nullptr;
        if (item && part != ipOutside && !FFrameSelecting && !FFrameItems && FTree->DragAllowed() && something &&
            FarFrom(FPressPoint, X, Y)) {
            StartItemDrag();
            return;
        }
        if (FTree->MouseFrameSelect() && FTree->MultiSelect() && RowCount() > 0) {
            if (FFrameSelecting) {
                MoveMouseSel(X, Y);
            } else if (FarFrom(FPressPoint, X, Y)) {
                // The band reaches the pointer at once, not at the next move.
                StartMouseSel(Shift);
                if (self && FFrameSelecting) MoveMouseSel(X, Y);
            }
            if (!self) return;
        }
    }
    // Item hints.
    if (!FFrameSelecting && (FItemHintItem || !FTree->ShowHint())) {
        SetHint(FTree->Hint());
        TExTreeItem* item = GetItemAtY(Y);
        if (item && item != FItemHintItem) {
            const std::string hint = item->Hint();
            if (!hint.empty()) {
                SetHint(hint);
                if (FTree->ShowHint() && !FDragOver && Application) {
                    TMessage far{WM_MOUSEMOVE, 0, MAKELPARAM(LOWORD(-10000), LOWORD(-10000)), 0};
                    Application->HintMouseMessage(this, far);
                    TMessage here{WM_MOUSEMOVE, 0, MAKELPARAM(X, Y), 0};
                    Application->HintMouseMessage(this, here);
                }
            }
        }
    }
    ArmLineHint(X, Y);
    if (!self) return;
    // Hot tracking.
    if (FTree->Tracking() && !FFrameSelecting) {
        TExTreeItem* item = GetItemAtY(Y);
        if (item && !Usable(item)) item = nullptr;
        if (item != FTrackedItem) {
            TExTreeItem* old = FTrackedItem;
            FTrackedItem = item;
            const TExRedrawArea area = !FTree->ShowColumns() || FTree->RowHotTrack() ? raRow : raMainCell;
            if (old) InvalidateItem(old, area, 0, 0);
            if (item) InvalidateItem(item, area, 0, 0);
            FTree->TriggerHotTrackEvent(old, item);
        }
    }
}

// ---------------------------------------------------------------- the rubber band

void TExTreeView::StartMouseSel(TShiftState Shift)
{
    TGuardPtr<TExTreeView> self(this);
    TExTreeItem* start = GetItemAtY(FPressPoint.Y);
    if (!start) start = RowCount() > 0 ? Row(RowCount() - 1) : nullptr;
    if (!start) return;
    FFrameStartItem = FFrameEndItem = start;
    FFrameStartX = FFrameEndX = FTree->LeftPosition() + FPressPoint.X;
    FFrameStartOffset = FFrameEndOffset = FPressPoint.Y - RowTop(start);
    FClickPending = false;
    FPassedItem = nullptr;
    FCheckPressItem = nullptr;
    StopEditTimer();
    if (!(Shift & ssCtrl)) {
        FTree->DeselectAllEx(true);
        if (!self) return;
        Update();
    }
    SetMouseCapture(true);
    FFrameShown = false;
    DrawMouseSelFrame();
    FFrameSelecting = true;
    FFrameItems = std::make_unique<TExList>();
}

bool TExTreeView::ScrollFrameToward(Integer X, Integer Y)
{
    const Integer top = FTree->TopIndex(), left = FTree->LeftPosition();
    if (Y < 0 && top > 0)
        SetVPosition(top - 1);
    else if (Y >= ClientHeight())
        SetVPosition(top + 1);
    if (X >= ClientWidth())
        SetHPosition(left + 4);
    else if (X < 0 && left > 0)
        SetHPosition(std::max<Integer>(left - 4, 0));
    return FTree->TopIndex() != top || FTree->LeftPosition() != left;
}

void TExTreeView::MoveMouseSel(Integer X, Integer Y)
{
    TGuardPtr<TExTreeView> self(this);
    const bool inside = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();
    if (FFrameShown) DrawMouseSelFrame();
    if (!inside) {
        ScrollFrameToward(X, Y);
        // The band's corner follows to the edge the view scrolled at, so rows brought in join it.
        X = std::clamp<Integer>(X, 0, std::max<Integer>(ClientWidth() - 1, 0));
        Y = std::clamp<Integer>(Y, 0, std::max<Integer>(ClientHeight() - 1, 0));
        if (!FFrameScrollTimer) {
            FFrameScrollTimer = new TTimer(this);
            FFrameScrollTimer->OnTimer = [this](TObject* Sender) { OnFrameScrollTimer(Sender); };
        }
        FFrameScrollTimer->SetInterval(Cardinal(std::max<Integer>(FTree->DragScrollInterval(), 1)));
        FFrameScrollTimer->SetEnabled(true);
    } else if (FFrameScrollTimer) {
        FFrameScrollTimer->SetEnabled(false);
    }
    TExTreeItem* end = GetItemAtY(Y);
    if (!end) end = RowCount() > 0 ? Row(RowCount() - 1) : nullptr;
    if (end) {
        FFrameEndItem = end;
        FFrameEndX = FTree->LeftPosition() + X;
        FFrameEndOffset = Y - RowTop(end);
    }
    SelectMouseSelectItems();
    if (!self || !FFrameSelecting) return;
    Update();
    DrawMouseSelFrame();
}

void TExTreeView::OnFrameScrollTimer(TObject*)
{
    if (!FFrameSelecting || !HandleAllocated()) {
        if (FFrameScrollTimer) FFrameScrollTimer->SetEnabled(false);
        return;
    }
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    if (p.X >= 0 && p.Y >= 0 && p.X < ClientWidth() && p.Y < ClientHeight()) {
        FFrameScrollTimer->SetEnabled(false);
        return;
    }
    MoveMouseSel(p.X, p.Y);
}

void TExTreeView::SelectMouseSelectItems()
{
    if (!FFrameItems || !FFrameStartItem || !FFrameEndItem) return;
    TGuardPtr<TCustomExTree> tree(FTree);
    Integer from = FFrameStartItem->GetAbsIndex(), to = FFrameEndItem->GetAbsIndex();
    if (from > to) std::swap(from, to);
    auto onItem = [](TExTreeItem* Item, Integer Offset) { return Offset >= 0 && Offset < Item->GetHeight(); };
    const bool empty = FFrameStartItem == FFrameEndItem && RowCount() > 0 && FFrameEndItem == Row(RowCount() - 1) &&
                       !onItem(FFrameStartItem, FFrameStartOffset) && !onItem(FFrameEndItem, FFrameEndOffset);
    const Integer bandLeft = std::min(FFrameStartX, FFrameEndX);
    const bool columns = FTree->ShowColumns();
    const Integer columnsWidth = columns ? FTree->Header()->GetColumnsWidth() : 0;
    auto fresh = std::make_unique<TExList>();
    if (!empty) {
        TExTreeItemList& all = Model()->AllItems();
        for (Integer i = std::max<Integer>(from, 0); i <= to && i < all.Count();) {
            TExTreeItem* item = all.Get(i);
            // Rows the user cannot see (inside collapsed branches, filtered out) stay out of the
            // band; such a branch is stepped over whole.
            const bool visible = item->IsVisible();
            if (visible && (columns ? bandLeft < columnsWidth : bandLeft < item->GetWidth())) fresh->Add(item);
            if (item->Count() > 0 && (!visible || !item->Expanded()))
                i = std::max(i + 1, all.IndexOf(item->GetLastSubItem()) + 1);
            else
                ++i;
        }
    }
    std::unordered_set<void*> was, now;
    was.reserve(size_t(FFrameItems->Count()));
    for (Integer i = 0; i < FFrameItems->Count(); ++i) was.insert(FFrameItems->Get(i));
    now.reserve(size_t(fresh->Count()));
    for (Integer i = 0; i < fresh->Count(); ++i) now.insert(fresh->Get(i));
    {
        TExUpdateGuard bracket(Model());
        auto flip = [&](TExTreeItem* Item) {
            if (Usable(Item)) Item->SetSelected(!Item->Selected());
        };
        for (Integer i = 0; i < fresh->Count() && tree; ++i)
            if (!was.count(fresh->Get(i))) flip(static_cast<TExTreeItem*>(fresh->Get(i)));
        for (Integer i = 0; i < FFrameItems->Count() && tree; ++i)
            if (!now.count(FFrameItems->Get(i))) flip(static_cast<TExTreeItem*>(FFrameItems->Get(i)));
        if (!tree) {
            bracket.Forget();
            return;
        }
        bracket.Done();
    }
    if (!tree) return;
    Invalidate();
    FFrameItems = std::move(fresh);
}

void TExTreeView::DrawMouseSelFrame()
{
    if (!HandleAllocated() || !FFrameStartItem || !FFrameEndItem) return;
    const Integer left = FTree->LeftPosition();
    const Integer startTop = RowTop(FFrameStartItem), endTop = RowTop(FFrameEndItem);
    const Integer startIndex = FFrameStartItem->GetAbsIndex(), endIndex = FFrameEndItem->GetAbsIndex();
    auto cornerY = [&](Integer Top, Integer Offset, bool First) {
        if (Top >= 0) return Top + Offset;
        return First ? -1 : ClientHeight() + 1;
    };
    Integer y1 = cornerY(startTop, FFrameStartOffset, startIndex <= endIndex);
    Integer y2 = cornerY(endTop, FFrameEndOffset, endIndex < startIndex);
    if (y1 > y2) std::swap(y1, y2);
    const TRect r{std::min(FFrameStartX, FFrameEndX) - left, y1, std::max(FFrameStartX, FFrameEndX) - left + 1, y2 + 1};
    HDC dc = GetDC(Handle());
    if (!dc) return;
    SetBkColor(dc, ColorToRGB(FTree->BkColor()));
    SetTextColor(dc, ColorToRGB(FTree->TextColor()));
    DrawFocusRect(dc, &r);
    ReleaseDC(Handle(), dc);
    FFrameShown = !FFrameShown;
}

void TExTreeView::CancelMouseSel()
{
    FFrameItems.reset();
    FFrameSelecting = false;
    if (FFrameShown) DrawMouseSelFrame();
    FFrameShown = false;
    if (FFrameScrollTimer) FFrameScrollTimer->SetEnabled(false);
    if (MouseCapture()) SetMouseCapture(false);
}

// ---------------------------------------------------------------- fitting an expanded branch

void TExTreeView::FitMostChildren(TExTreeItem* Item)
{
    if (!Item || !Item->FullyExpanded() || !Item->FullyVisible() || !FTree->IsInView(Item) || !FTree->GetTopItem())
        return;
    const Integer h = Item->CalcSubItemsHeight();
    const Integer row = FVisibleRows.IndexOf(Item);
    const bool uniform = Model()->VarHeightCount == 0;
    auto heightOf = [&](Integer Row) { return uniform ? Model()->LineHeight : this->Row(Row)->GetHeight(); };
    Integer y = 0;
    for (Integer i = 0; i < row; ++i) y += heightOf(i);
    const Integer client = ClientHeight();
    Integer dropped = 0;
    while (dropped < row && y + heightOf(row) + h > client) {
        y -= heightOf(dropped);
        ++dropped;
    }
    if (dropped > 0) SetVPosition(FTree->TopIndex() + dropped);
}

void TCustomExTree::FitMostChildren(TExTreeItem* Item) { FView->FitMostChildren(Item); }

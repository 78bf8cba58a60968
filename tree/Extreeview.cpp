// The view's rows and scrolling: the visible-row list from the top row down, the top row and the
// horizontal offset with their limits, page targets, the horizontal content width, and the view
// window's construction and size handling. Rows are found by stepping from a position the view
// remembers, so a page or a line far down the tree costs what it costs at the top.
#include "tree/Extreeview.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "ctlbase/Exextbkgnd.h"
#include "ctlbase/Htmlrender.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "platform/SysUtils.h"
#include "tree/Excellstyle.h"

namespace {

TCustomExTree* OwningTree(TComponent* Owner)
{
    auto* tree = dynamic_cast<TCustomExTree*>(Owner);
    if (!tree) throw EConvertError("Invalid class typecast");
    return tree;
}

}  // namespace

TExTreeView::TExTreeView(TComponent* AOwner) : TCustomControl(OwningTree(AOwner)), FTree(OwningTree(AOwner))
{
    ControlStyle |= csOpaque | csDisplayDragImage;
    FTmpBmp = std::make_unique<TBitmap>();
    FHTMLRender = std::make_unique<TExHTMLRender>();
    // A text being laid out asks the handler; a text being drawn takes the answers given before.
    FHTMLRender->OnImageNeeded = [this](TObject* Sender, const std::string& Src, TBitmap*& Image) {
        if (!FPictures) return FTree->TriggerImageNeededEvent(Sender, Src, Image);
        for (const auto& [src, picture] : *FPictures)
            if (src == Src) Image = picture.Get();
    };
    FLaidWidth = Width();
}

TExTreeView::~TExTreeView()
{
    StopClearSearchTimeoutThread();
    DoHideLineHint();
    FItemHintItem = nullptr;
    // An edit still open goes without its value.
    if (FTree->IsEditing()) DoEndEdit(true);
}

void TExTreeView::SetVirtualStyle(std::unique_ptr<TExCellStyle> Value) { FVirtualStyle = std::move(Value); }

// ---------------------------------------------------------------- stepping through the rows

namespace {

// The list position after Item's branch, Item standing at Position.
Integer PastBranch(TExTreeModel* Model, TExTreeItem* Item, Integer Position)
{
    return Item->Count() == 0 ? Position + 1 : Model->IndexOfItem(Item->GetLastSubItem()) + 1;
}

// The visible item after the visible Item, or nil.
TExTreeItem* NextRow(TExTreeModel* Model, TExTreeItem* Item)
{
    TExTreeItemList& all = Model->AllItems();
    const Integer at = Model->IndexOfItem(Item);
    Integer q = Item->Expanded() ? at + 1 : PastBranch(Model, Item, at);
    while (q < all.Count()) {
        auto* next = static_cast<TExTreeItem*>(all.FastGet(q));
        if (!(Model->FilteredVisibility() && next->Hidden())) return next;
        q = PastBranch(Model, next, q);
    }
    return nullptr;
}

// The row at list position Position, or the nearest row before it; nil when there is none. Above
// (nil: the hidden root) is a row, with all above it rows, whose branch holds Position: only the
// path from Position up to Above's child there can keep it from being a row.
TExTreeItem* RowAtOrBefore(TExTreeModel* Model, Integer Position, TExTreeItem* Above = nullptr)
{
    TExTreeItemList& all = Model->AllItems();
    Integer q = Position;
    while (q >= 0) {
        auto* p = static_cast<TExTreeItem*>(all.FastGet(q));
        if (p == Above) return p;
        // The highest item on p's path that keeps p from being a row: a hidden one hides itself
        // too, a collapsed ancestor is itself the row.
        TExTreeItem* blocker = nullptr;
        bool hidden = false;
        for (TExTreeItem* n = p;; n = n->Parent()) {
            if (Model->FilteredVisibility() && n->Hidden()) {
                blocker = n;
                hidden = true;
            } else if (n != p && !n->Expanded()) {
                blocker = n;
                hidden = false;
            }
            if (n->Parent() == Above) break;
        }
        if (!blocker) return p;
        if (!hidden) return blocker;
        q = Model->IndexOfItem(blocker) - 1;
    }
    return nullptr;
}

// The visible item before the visible Item, or nil: the entry before Item is its parent (a row) or
// stands in the branch of a sibling before it.
TExTreeItem* PrevRow(TExTreeModel* Model, TExTreeItem* Item)
{
    return RowAtOrBefore(Model, Model->IndexOfItem(Item) - 1, Item->Parent());
}

TExTreeItem* FirstRow(TExTreeModel* Model)
{
    TExTreeItemList& all = Model->AllItems();
    Integer q = 0;
    while (q < all.Count()) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(q));
        if (!(Model->FilteredVisibility() && item->Hidden())) return item;
        q = PastBranch(Model, item, q);
    }
    return nullptr;
}

TExTreeItem* LastRow(TExTreeModel* Model) { return RowAtOrBefore(Model, Model->AllItems().Count() - 1); }

}  // namespace

void TExTreeView::ForgetPositions()
{
    for (TRowPosition& p : FPositions) p = TRowPosition{};
}

void TExTreeView::RememberPosition(TExTreeItem* Item, Integer Row)
{
    const Integer version = Model()->RowsVersion();
    TRowPosition* slot = &FPositions[0];
    for (TRowPosition& p : FPositions) {
        if (p.Item == Item || p.Version != version) {
            slot = &p;
            break;
        }
        if (p.Used < slot->Used) slot = &p;
    }
    *slot = TRowPosition{Item, Row, version, ++FPositionClock};
}

TExTreeItem* TExTreeView::VisItem(Integer Index)
{
    TExTreeModel* model = Model();
    const Integer total = model->TotalVisCount();
    if (Index < 0 || Index >= total) return nullptr;
    const Integer version = model->RowsVersion();
    // From the first row, the last row or a remembered one, whichever is nearest.
    TExTreeItem* item = nullptr;
    Integer row = 0, best = Index;
    bool fromLast = false;
    if (total - 1 - Index < best) {
        best = total - 1 - Index;
        fromLast = true;
    }
    for (const TRowPosition& p : FPositions) {
        if (!p.Item || p.Version != version) continue;
        const Integer d = std::abs(Index - p.Row);
        if (d < best) {
            best = d;
            item = p.Item;
            row = p.Row;
        }
    }
    if (!item) {
        item = fromLast ? LastRow(model) : FirstRow(model);
        row = fromLast ? total - 1 : 0;
    }
    while (item && row < Index) {
        item = NextRow(model, item);
        ++row;
    }
    while (item && row > Index) {
        item = PrevRow(model, item);
        --row;
    }
    if (item) RememberPosition(item, Index);
    return item;
}

Integer TExTreeView::VisIndexOf(TExTreeItem* Item)
{
    TExTreeModel* model = Model();
    const Integer at = model->IndexOfItem(Item);
    if (at < 0 || !Item->IsVisible()) return -1;
    const Integer version = model->RowsVersion();
    // The known row nearest in the list; there are no more rows between than items.
    TExTreeItem* from = FirstRow(model);
    Integer row = 0, best = at - model->IndexOfItem(from);
    for (const TRowPosition& p : FPositions) {
        if (!p.Item || p.Version != version) continue;
        const Integer d = std::abs(at - model->IndexOfItem(p.Item));
        if (d < best) {
            best = d;
            from = p.Item;
            row = p.Row;
        }
    }
    if (model->AllItems().Count() - 1 - at < best) {
        from = LastRow(model);
        row = model->TotalVisCount() - 1;
    }
    TExTreeItem* item = from;
    while (item && item != Item && model->IndexOfItem(item) < at) {
        item = NextRow(model, item);
        ++row;
    }
    while (item && item != Item && model->IndexOfItem(item) > at) {
        item = PrevRow(model, item);
        --row;
    }
    if (item != Item) return -1;
    RememberPosition(Item, row);
    return row;
}

void TExTreeView::FillVisFwd(Integer StartIndex)
{
    FVisibleRows.Clear();
    TExTreeModel* model = Model();
    const Integer h = Height();
    const bool varHeights = model->VarHeightCount > 0;
    Integer sum = 0;
    for (TExTreeItem* item = VisItem(StartIndex); item && sum <= h; item = NextRow(model, item)) {
        FVisibleRows.Add(item);
        sum += varHeights ? item->GetHeight() : model->LineHeight;
    }
}

Integer TExTreeView::GetVisCount()
{
    const Integer line = std::max<Integer>(Model()->LineHeight, 1);
    return Height() / line + (Height() % line ? 1 : 0);
}

Integer TExTreeView::GetVisCount2() { return Height() / std::max<Integer>(Model()->LineHeight, 1); }

Integer TExTreeView::MaxTopIndex()
{
    const Integer total = Model()->TotalVisCount();
    const Integer top = Model()->VarHeightCount > 0 ? CalcPageUpPos(total - 1) + 1 : total - GetVisCount() + 1;
    // A last row as tall as the view (or a view lower than a line) still shows that row.
    return std::min(top, total - 1);
}

void TExTreeView::DoSetTopIndex(Integer Value)
{
    TExTreeModel* model = Model();
    if (Value < 0 || (Value > 0 && Value >= model->Items()->Count())) Value = 0;
    const Integer maxTop = MaxTopIndex();
    if (Value < 0 || maxTop < 0)
        Value = 0;
    else
        Value = std::min(Value, maxTop);
    FTree->FTopIndex = Value;
    if (Value == 0 && model->Items()->Count() == 0) {
        FVisibleRows.Clear();
        FTree->FBottomIndex = 0;
        return;
    }
    FillVisFwd(Value);
    FTree->FBottomIndex = Value + FVisibleRows.Count() - 1;
}

Integer TExTreeView::GetVisiblesHeight()
{
    Integer sum = 0;
    const bool varHeights = Model()->VarHeightCount > 0;
    for (Integer i = 0; i < FVisibleRows.Count(); ++i)
        sum += varHeights ? Row(i)->GetHeight() : Model()->LineHeight;
    return sum;
}

Integer TExTreeView::CalcPageUpPos(Integer Index)
{
    if (Index <= 0 || FVisibleRows.Count() == 0) return 0;
    const Integer h = ClientHeight();
    Integer sum = 0, result = Index, row = Index;
    for (TExTreeItem* item = VisItem(Index); item; item = PrevRow(Model(), item), --row) {
        sum += item->GetHeight();
        result = row;
        if (sum >= h) break;
    }
    return result;
}

Integer TExTreeView::PageUpPos(Integer Top)
{
    const Integer to = Model()->VarHeightCount > 0 ? CalcPageUpPos(Top) : Top - (GetVisCount() - 1);
    return std::max<Integer>(std::min(to, Top - 1), 0);
}

Integer TExTreeView::PageDownPos(Integer Top)
{
    const Integer to = Model()->VarHeightCount > 0 ? CalcPageDownPos(Top) : Top + GetVisCount() - 1;
    return std::max(to, Top + 1);
}

Integer TExTreeView::CalcPageDownPos(Integer Index)
{
    if (FVisibleRows.Count() == 0) return 0;
    const Integer h = ClientHeight();
    Integer sum = 0, result = Index, row = Index;
    for (TExTreeItem* item = VisItem(Index); item; item = NextRow(Model(), item), ++row) {
        sum += item->GetHeight();
        result = row;
        if (sum >= h) break;
    }
    return result;
}

// ---------------------------------------------------------------- the widest row

void TExTreeView::DefineHRange()
{
    TExTreeModel* model = Model();
    FRowWidths.clear();
    if (++FWidthMark == 0) FWidthMark = 1;
    FWidthsKept = true;
    const Integer version = model->RowsVersion();
    for (TExTreeItem* item = FirstRow(model); item; item = NextRow(model, item)) {
        const Integer w = item->GetWidth();
        // A handler that changed the rows while a row was measured: the walk cannot go on, the
        // rows are measured again in the next round of the bracket's end.
        if (model->RowsVersion() != version) {
            DropRowWidths();
            break;
        }
        item->RowWidth = w;
        item->RowWidthMark = FWidthMark;
        ++FRowWidths[w];
    }
    SetRowsRange(FRowWidths.empty() ? 0 : FRowWidths.rbegin()->first);
}

void TExTreeView::BracketOpened()
{
    // Following changes one by one may take about half of what measuring every row takes.
    FWidthBudget = Model()->AllItems().Count() / 2 + 256;
}

bool TCustomExTree::RowWidthChanged(TExTreeItem* Item, bool Branch)
{
    if (ShowColumns()) {
        ColumnCellsChanged(Item, Branch);
        return true;
    }
    return FView && FView->RowWidthChanged(Item, Branch);
}

bool TExTreeView::RowWidthChanged(TExTreeItem* Item, bool Branch)
{
    TExTreeRefresh& w = FTree->RefreshFlags();
    if (!FTree->ShowColumns()) {
        // The whole tree (the hidden root's branch) is measured again at the end of the bracket.
        const bool kept = FWidthsKept && !w.HRangeStale && !Item->IsHiddenRoot() &&
                          (Branch ? RecountBranch(Item) : --FWidthBudget >= 0 && Recount(Item, IsRow(Item)));
        if (kept) {
            const Integer widest = FRowWidths.empty() ? 0 : FRowWidths.rbegin()->first;
            if (widest != FHRange) {
                SetRowsRange(widest);
                w.UpdatePending = true;
            }
        } else {
            DropRowWidths();
        }
    }
    return true;
}

void TExTreeView::DropRowWidths()
{
    FWidthsKept = false;
    TExTreeRefresh& w = FTree->RefreshFlags();
    w.HRangeStale = w.UpdatePending = true;
}

bool TExTreeView::IsRow(TExTreeItem* Item)
{
    // An item being built outside the tree is no row, however deep its branch.
    if (Model()->IndexOfItem(Item) < 0) return false;
    const bool filtered = Model()->FilteredVisibility();
    if (filtered && Item->Hidden()) return false;
    for (TExTreeItem* p = Item->Parent(); p; p = p->Parent())
        if (!p->Expanded() || (filtered && p->Hidden())) return false;
    return true;
}

void TExTreeView::Uncount(TExTreeItem* Item)
{
    auto it = FRowWidths.find(Item->RowWidth);
    if (it != FRowWidths.end() && --it->second == 0) FRowWidths.erase(it);
    Item->RowWidthMark = 0;
}

bool TExTreeView::Recount(TExTreeItem* Item, bool Row)
{
    if (Item->RowWidthMark == FWidthMark) Uncount(Item);
    if (!Row) return true;
    const Integer version = Model()->RowsVersion();
    const Integer w = Item->GetWidth();
    if (Model()->RowsVersion() != version) return false;
    Item->RowWidth = w;
    Item->RowWidthMark = FWidthMark;
    ++FRowWidths[w];
    return true;
}

bool TExTreeView::RecountBranch(TExTreeItem* Item)
{
    TExTreeModel* model = Model();
    const Integer at = model->IndexOfItem(Item);
    if (at < 0) return true;
    const bool filtered = model->FilteredVisibility();
    const Integer version = model->RowsVersion();
    const bool row = IsRow(Item);
    if (--FWidthBudget < 0 || !Recount(Item, row)) return false;
    // Items of the branch with whether each is a row, from Item down to the one at hand.
    std::vector<std::pair<TExTreeItem*, bool>> path{{Item, row}};
    TExTreeItemList& all = model->AllItems();
    const Integer end = model->IndexOfItem(Item->GetLastSubItem());
    for (Integer i = at + 1; i <= end;) {
        TExTreeItem* item = all.FastGet(i);
        while (path.back().first != item->Parent()) path.pop_back();
        const auto [parent, parentRow] = path.back();
        const bool isRow = parentRow && parent->Expanded() && !(filtered && item->Hidden());
        // Only a counted item can have counted items below it.
        if (!isRow && item->RowWidthMark != FWidthMark) {
            i = PastBranch(model, item, i);
            continue;
        }
        if (--FWidthBudget < 0 || !Recount(item, isRow) || model->RowsVersion() != version) return false;
        path.emplace_back(item, isRow);
        ++i;
    }
    return true;
}

void TExTreeView::SetRowsRange(Integer Value)
{
    const Integer old = FHRange;
    FHRange = Value;
    // A mirrored tree lays its rows out from the widest one's right end: when that end moves the
    // view keeps its distance from it, so a new tree shows the end its rows start from.
    const Integer w = Width();
    const Integer oldWidth = FLaidWidth;
    FLaidWidth = w;
    if (!FTree->RightAlignedTree() || FTree->ShowColumns() || Value < 0 || HasState(csDestroying)) return;
    const Integer gap = std::max<Integer>(std::max(old, oldWidth) - oldWidth - FTree->FLeftPosition, 0);
    const Integer left = std::max(Value, w) - w - gap;
    if (left != FTree->FLeftPosition) SetHPosition(left);
}

void TExTreeView::SetVPosition(Integer Value)
{
    TExUpdateGuard bracket(Model());
    FTrackedItem = nullptr;
    if (FTree->HasState(csReading)) {
        FTree->FTopIndex = Value;
        bracket.Done();
        return;
    }
    Value = std::min(Value, MaxTopIndex());
    if (Value < 0) Value = 0;
    if (Value != FTree->FTopIndex) {
        TExTreeRefresh& w = FTree->RefreshFlags();
        w.UpdatePending = w.TopIndexChanged = w.ViewChanged = true;
        DoSetTopIndex(Value);
    }
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = FTree->FTopIndex;
    FTree->VertScrollBar()->SetScrollInfo(si, true);
    bracket.Done();
}

void TExTreeView::SetHPosition(Integer Value)
{
    TExUpdateGuard bracket(Model());
    if (FTree->HasState(csReading)) {
        FTree->FLeftPosition = Value;
        bracket.Done();
        return;
    }
    if (Value > FHRange - Width()) Value = FHRange - Width();
    if (Value < 0) Value = 0;
    if (Value != FTree->FLeftPosition) {
        FTree->FLeftPosition = Value;
        FTree->Header()->SetLeftPos(Value);
        TExTreeRefresh& w = FTree->RefreshFlags();
        w.ViewChanged = w.UpdatePending = w.RowsChanged = true;
    }
    if (FTree->HorzScrollBar()->Position() != FTree->FLeftPosition) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_POS;
        si.nPos = FTree->FLeftPosition;
        FTree->HorzScrollBar()->SetScrollInfo(si, true);
    }
    bracket.Done();
}

namespace {

// escSndLineUp / escSndLineDown by what the bar's secondary buttons do; -1: nothing.
Integer MapSecondary(TCustomExScrollBar* Bar, TExScrollCode Code)
{
    if (Code != escSndLineUp && Code != escSndLineDown) return Code;
    switch (Bar->SecondBtnKind()) {
    case sbkOpposite: return Code == escSndLineUp ? escLineDown : escLineUp;
    case sbkPage: return Code == escSndLineUp ? escPageUp : escPageDown;
    default: return -1;
    }
}

}  // namespace

void TExTreeView::OnVScroll(TObject*, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange)
{
    TGuardPtr<TExTreeView> self(this);
    if (FTree->IsEditing()) {
        // Every other notification of a drag over the bar is swallowed while the edit runs.
        DoChange = false;
        FEditScrollToggle = !FEditScrollToggle;
        if (FEditScrollToggle) {
            FTree->VertScrollBar()->EndScroll();
            return;
        }
        if (ScrollCode != escEndScroll) {
            DoEndEdit(false);
            if (!self) return;
        }
    } else {
        FEditScrollToggle = false;
    }
    const Integer code = MapSecondary(FTree->VertScrollBar(), ScrollCode);
    if (FTree->IsEditing()) {
        DoEndEdit(false);
        if (!self) return;
    }
    const Integer top = FTree->FTopIndex;
    switch (code) {
    case escLineUp: SetVPosition(top - 1); break;
    case escLineDown: SetVPosition(top + 1); break;
    case escPageUp: SetVPosition(PageUpPos(top)); break;
    case escPageDown: SetVPosition(PageDownPos(top)); break;
    case escPosition: SetVPosition(ScrollPos); break;
    case escTrack:
        if (FTree->ScrollTracking()) SetVPosition(ScrollPos);
        break;
    case escTop: SetVPosition(0); break;
    case escBottom: SetVPosition(Model()->TotalVisCount()); break;
    default: break;
    }
    DoChange = false;
    FTree->TriggerScrollEvent(sbVertical, ScrollCode);
    if (!self) return;
    MouseMovedUnder();
}

void TExTreeView::OnHScroll(TObject*, TExScrollCode ScrollCode, Integer& ScrollPos, bool& DoChange)
{
    const Integer code = MapSecondary(FTree->HorzScrollBar(), ScrollCode);
    if (FTree->IsEditing()) {
        TGuardPtr<TExTreeView> self(this);
        DoEndEdit(false);
        if (!self) return;
    }
    const Integer left = FTree->FLeftPosition;
    switch (code) {
    case escLineUp: SetHPosition(left - 4); break;
    case escLineDown: SetHPosition(left + 4); break;
    case escPageUp: SetHPosition(left - Width() / 2); break;
    case escPageDown: SetHPosition(left + Width() / 2); break;
    case escPosition: SetHPosition(ScrollPos); break;
    case escTrack:
        if (FTree->ScrollTracking()) SetHPosition(ScrollPos);
        break;
    case escTop: SetHPosition(0); break;
    case escBottom: SetHPosition(FHRange); break;
    default: break;
    }
    DoChange = false;
    FTree->TriggerScrollEvent(sbHorizontal, ScrollCode);
}

// ---------------------------------------------------------------- window

void TExTreeView::WMSize(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (self) SizeChanged();
}

void TExTreeView::CreateWnd()
{
    TCustomControl::CreateWnd();
    SizeChanged();
}

void TExTreeView::SizeChanged()
{
    TExUpdateGuard bracket(Model());
    TExTreeRefresh& w = FTree->RefreshFlags();
    w.UpdatePending = w.TopIndexChanged = w.ViewChanged = true;
    DoSetTopIndex(FTree->FTopIndex);
    if (Width() != FLaidWidth && !FTree->ShowColumns()) SetRowsRange(FHRange);
    bracket.Done();
    if (FTree->BackgroundType() != bgtColorFill && FTree->BackgroundType() != bgtCenterBitmap) RedoTmpBmp();
}

void TExTreeView::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TExTreeView::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TExTreeView::Paint()
{
    FPainting = true;
    TGuardPtr<TExTreeView> self(this);
    RedrawTree(Canvas(), FTree->FLeftPosition, &FVisibleRows);
    if (self) FPainting = false;
}

void TExTreeView::SetFocus()
{
    if (CanFocus()) TCustomControl::SetFocus();
}

TCustomImageList* TExTreeView::GetDragImages()
{
    return FDragImages && FDragImages->Count() > 0 ? FDragImages : nullptr;
}

void TExTreeView::WndProc(TMessage& Message)
{
    HideLineHintOn(Message);
    TCustomControl::WndProc(Message);
}

// ---------------------------------------------------------------- the wheel

Integer TExTreeView::WheelRows(Integer WheelDelta)
{
    UINT lines = 3;
    if (!SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) lines = 3;
    return FTree->VertScrollBar()->WheelSteps(WheelDelta, lines);
}

void TExTreeView::WMMouseWheel(TMessage& Message)
{
    TGuardPtr<TExTreeView> self(this);
    TCustomControl::Dispatch(Message);
    if (!self) return;
    CMMouseWheel(Message);
}

void TExTreeView::CMMouseWheel(TMessage& Message)
{
    const Integer rows = WheelRows(GET_WHEEL_DELTA_WPARAM(Message.WParam));
    if (rows == 0) return;
    TGuardPtr<TExTreeView> self(this);
    // The step is clamped in 64 bits: a page a notch on a huge bar must not wrap the top row.
    const Int64 to = Int64(FTree->FTopIndex) - rows;
    if (!FFrameSelecting) {
        SetVPosition(Integer(std::clamp<Int64>(to, 0, INT_MAX)));
    } else {
        // The band goes with the scroll: erased first, its moving corner brought to the row under
        // the pointer afterwards, drawn again over the repainted rows.
        if (FFrameShown) DrawMouseSelFrame();
        SetVPosition(Integer(std::clamp<Int64>(to, 0, INT_MAX)));
        if (!self || !FFrameSelecting) return;
        const TPoint p = ScreenToClient(
            TPoint{Integer(short(LOWORD(Message.LParam))), Integer(short(HIWORD(Message.LParam)))});
        if (p.X >= 0 && p.Y >= 0 && p.X < ClientWidth() && p.Y < ClientHeight()) {
            TExTreeItem* corner = GetItemAtY(p.Y);
            if (!corner && RowCount() > 0) corner = Row(RowCount() - 1);
            if (corner) {
                FFrameEndItem = corner;
                FFrameEndX = FTree->FLeftPosition + p.X;
                FFrameEndOffset = p.Y - RowTop(corner);
            }
            SelectMouseSelectItems();
            if (!self) return;
        }
        Update();
        if (!self || !FFrameSelecting) return;
        if (!FFrameShown) DrawMouseSelFrame();
    }
    if (self) MouseMovedUnder();
}

void TExTreeView::MouseMovedUnder()
{
    if (!HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    // The buttons held go with the move: a rubber band or a drag running goes on.
    WPARAM keys = 0;
    if (GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
    if (GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
    if (GetKeyState(VK_MBUTTON) < 0) keys |= MK_MBUTTON;
    if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    Perform(WM_MOUSEMOVE, keys, MAKELPARAM(p.X, p.Y));
}

void TExTreeView::RedoTmpBmp()
{
    const TExBkGndType type = FTree->BackgroundType();
    if (type == bgtColorFill || type == bgtCenterBitmap) {
        FTmpBmp->SetSize(0, 0);
        return;
    }
    const TRect client = ClientRect();
    if (IsRectEmpty(client)) return;
    FTmpBmp->SetSize(client.Right + 1, client.Bottom + 1);
    if (type == bgtHorzGradient || type == bgtVertGradient) {
        GradientFill(FTmpBmp->Canvas()->Handle(), client, FTree->GradientStartColor(), FTree->GradientEndColor(),
                     FTree->GradientSteps(), type == bgtVertGradient);
        return;
    }
    ExtDrawBkgnd(FTmpBmp->Canvas()->Handle(), FTree->HandleAllocated() ? FTree->Handle() : nullptr, client, client,
                 client, client, false, FTree->BkColor(), FTree->BkColor(), false, FTree->Background(), type);
}

void TExTreeView::UpdateView()
{
    if (!HandleAllocated()) {
        FTree->SetUpdatePending();
        return;
    }
    // A change made by a handler of a paint is painted after it: a paint inside the paint would
    // take the canvas from it.
    TExTreeRefresh& w = FTree->RefreshFlags();
    if (!w.RowsChanged && !w.ViewChanged) {
        if (!FPainting) Update();
        return;
    }
    TRect r = ClientRect();
    if (w.ViewChanged || (FTree->VerticalLines() && FTree->ShowColumns()))
        w.ViewChanged = false;
    else
        r.Bottom = GetVisiblesHeight();
    InvalidateRect(Handle(), &r, TRUE);
    w.RowsChanged = false;
    if (!FPainting) Update();
}

void TExTreeView::InvalidateItem(TExTreeItem* Item, TExRedrawArea Area, Integer Left, Integer Right)
{
    if (!HandleAllocated()) return;
    const Integer row = FVisibleRows.IndexOf(Item);
    if (row < 0) return;
    TRect r = GetItemRect(row);
    if (Area == raRange) {
        r.Left = Left - FTree->FLeftPosition;
        r.Right = Right - FTree->FLeftPosition;
    } else if (Area == raMainCell && FTree->ShowColumns()) {
        if (TExHeaderSection* s = FTree->Header()->Sections()->GetSection(FTree->MainTreeColumn())) {
            r.Left = s->GetLeft() - FTree->FLeftPosition;
            r.Right = s->GetRight() - FTree->FLeftPosition;
        }
    }
    ++r.Bottom;
    InvalidateRect(Handle(), &r, TRUE);
}

void TExTreeView::ForgetItem(TExTreeItem* Item)
{
    if (FTrackedItem == Item) FTrackedItem = nullptr;
    // A hint over a row that went must not stay on screen.
    if (FLineHintItem == Item) DoHideLineHint();
    if (FItemHintItem == Item) FItemHintItem = nullptr;
    if (FDropTargetItem == Item) FDropTargetItem = nullptr;
    if (FPassedItem == Item) {
        FPassedItem = nullptr;
        FClickPending = false;
    }
    if (FLastClickedItem == Item) FLastClickedItem = nullptr;
    if (FEditItem == Item) FEditItem = nullptr;
    ForgetEditedItem(Item);
    if (FFrameStartItem == Item) FFrameStartItem = nullptr;
    if (FFrameEndItem == Item) FFrameEndItem = nullptr;
    if (FFrameItems) FFrameItems->Remove(Item);
    for (TRowPosition& p : FPositions)
        if (p.Item == Item) p = TRowPosition{};
    // The item's width leaves the rows' widths (the deletion asks for the view's update itself).
    if (Item->RowWidthMark == FWidthMark && FWidthsKept && !FTree->ShowColumns()) {
        Uncount(Item);
        SetRowsRange(FRowWidths.empty() ? 0 : FRowWidths.rbegin()->first);
    }
}

void TExTreeView::RemoveRow(TExTreeItem* Item)
{
    const Integer row = FVisibleRows.IndexOf(Item);
    if (row >= 0) FVisibleRows.Delete(row);
    for (TRowPosition& p : FPositions)
        if (p.Item == Item) p = TRowPosition{};
}

void TExTreeView::ForgetHiddenItems()
{
    if (FTrackedItem && !FTrackedItem->FullyVisible()) FTrackedItem = nullptr;
    if (FDropTargetItem && !FDropTargetItem->FullyVisible()) FDropTargetItem = nullptr;
}

// ---------------------------------------------------------------- rows by position

TRect TExTreeView::GetItemRect(Integer ItemIndex)
{
    if (ItemIndex < 0 || ItemIndex >= FVisibleRows.Count() || HasState(csDestroying)) return TRect{};
    const bool varHeights = Model()->VarHeightCount > 0;
    Integer top = 0;
    for (Integer i = 0; i < ItemIndex; ++i) top += varHeights ? Row(i)->GetHeight() : Model()->LineHeight;
    const Integer h = varHeights ? Row(ItemIndex)->GetHeight() : Model()->LineHeight;
    return TRect{0, top, Width(), top + h - 1};
}

TExTreeItem* TExTreeView::GetItemAtY(Integer Y)
{
    if (Y < 0) return nullptr;
    const bool varHeights = Model()->VarHeightCount > 0;
    Integer sum = 0;
    for (Integer i = 0; i < FVisibleRows.Count(); ++i) {
        sum += varHeights ? Row(i)->GetHeight() : Model()->LineHeight;
        if (Y < sum) return Row(i);
    }
    return nullptr;
}

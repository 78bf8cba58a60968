#include "tree/Extreemodel.h"

#include <algorithm>

#include "tree/Extreeitem.h"
#include "tree/Extreeitems.h"

TPoint TExTreeHost::MeasureCell(TExTreeItem* Item, Integer /*SectionIndex*/)
{
    return {0, Item ? Item->Tree()->LineHeight : 0};
}

TExTreeModel::TExTreeModel(TExTreeHost* Host, TExTreeItemClass ItemClass)
    : FHost(Host), FAllItems(&TExTreeItem::FListPlace)
{
    FSelectedList = new TExList;
    FItems = new TExTreeItems(this, ItemClass);
}

TExTreeModel::~TExTreeModel()
{
    Destroying = true;
    delete FItems;
    delete FSelectedList;
}

TExTreeItem* TExTreeModel::Root() const { return FItems->Root(); }

// Update bracket

void TExTreeModel::SetUpdating(bool Value)
{
    if (FInUpdateRefresh) {
        // A handler running inside the close changes the tree: the close goes round again.
        FRefreshAsked = true;
        return;
    }
    if (!Value && FUpdateCount == 0) return;
    if (FHost) FHost->UpdateBracket(Value);
    if (Value) {
        ++FUpdateCount;
        return;
    }
    if (--FUpdateCount > 0 || Loading || Destroying) return;
    EndUpdateWork();
}

void TExTreeModel::EndUpdateWork()
{
    FInUpdateRefresh = true;
    try {
        for (int round = 1;; ++round) {
            if (FFilteredVisibility) UpdateDiffItems();
            FRefreshAsked = false;
            if (FHost)
                FHost->UpdateRefresh(FRefresh);
            else
                FRefresh = TExTreeRefresh{};
            // Work asked for by handlers while the host ran (bounded: a handler that always asks
            // again is not followed for ever).
            const bool more = FRefreshAsked && (FRefresh.UpdatePending || FRefresh.SortPending || FRefresh.SortParent ||
                                                FRefresh.ColumnsAutoSizePending);
            if (!more || round == MaxRefreshRounds) break;
        }
    } catch (...) {
        FInUpdateRefresh = false;
        throw;
    }
    FRefresh.UpdatePending = false;
    FRefresh.SortPending = false;
    FRefresh.SortParent = nullptr;
    FRefresh.ColumnsAutoSizePending = false;
    FInUpdateRefresh = false;
}

void TExTreeModel::MarkRows()
{
    FRefresh.TopIndexChanged = true;
    FRefresh.ViewChanged = true;
    FRefresh.VisCountChanged = true;
    FRefresh.RowsChanged = true;
    FVisCountStale = true;
    ++FRowsVersion;
}

void TExTreeModel::RequestUpdate()
{
    TExUpdateGuard bracket(this);
    FRefresh.UpdatePending = true;
    bracket.Done();
}

void TExTreeModel::SetFilteredVisibility(bool Value)
{
    if (FFilteredVisibility == Value) return;
    TExUpdateGuard bracket(this);
    FFilteredVisibility = Value;
    if (Value) UpdateDiffItems();
    MarkRows();
    if (!ShowColumns) FRefresh.HRangeStale = true;
    FRefresh.UpdatePending = true;
    bracket.Done();
}

void TExTreeModel::SetVirtualityLevel(TVirtualityLevel Value)
{
    if (FVirtualityLevel == Value) return;
    FVirtualityLevel = Value;
    TExUpdateGuard bracket(this);
    for (Integer i = 0; i < FAllItems.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(FAllItems.FastGet(i));
        if (Value == vlNone)
            item->NewStaticData();
        else
            item->DisposeStaticData();
    }
    FRefresh.TopIndexChanged = true;
    FRefresh.VisCountChanged = true;
    FRefresh.UpdatePending = true;
    bracket.Done();
}

void TExTreeModel::SetAdjustMultilineHeight(bool Value)
{
    if (FAdjustMultilineHeight == Value) return;
    TExUpdateGuard bracket(this);
    FAdjustMultilineHeight = Value;
    for (Integer i = 0; i < FAllItems.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(FAllItems.FastGet(i));
        if (!item->Multiline()) continue;
        VarHeightCount += Value ? 1 : -1;
        item->ResetCachedHeight();
    }
    MarkRows();
    FRefresh.UpdatePending = true;
    bracket.Done();
}

void TExTreeModel::InvalidateHeights()
{
    for (Integer i = 0; i < FAllItems.Count(); ++i) static_cast<TExTreeItem*>(FAllItems.FastGet(i))->ResetCachedHeight();
}

// Rows

Integer TExTreeModel::TotalVisCount()
{
    if (!FVisCountStale) return FTotalVisCount;
    Integer count = 0;
    const Integer n = FAllItems.Count();
    for (Integer i = 0; i < n;) {
        auto* item = static_cast<TExTreeItem*>(FAllItems.FastGet(i));
        if (FFilteredVisibility && item->Hidden()) {
            i = item->PastBranch(i);
            continue;
        }
        ++count;
        i = item->Expanded() ? i + 1 : item->PastBranch(i);
    }
    FTotalVisCount = count;
    FVisCountStale = false;
    return count;
}

// All-items list

void TExTreeModel::InvalidateIndexes(Integer /*FromPosition*/)
{
    FVisCountStale = true;
    ++FRowsVersion;
}

void TExTreeModel::ListInsert(Integer Position, TExTreeItem* const* Block, Integer Count)
{
    if (Count <= 0) return;
    FAllItems.InsertBlock(Position, Block, Count);
    InvalidateIndexes(Position);
}

void TExTreeModel::ListRemove(Integer From, Integer To)
{
    if (From < 0 || To < From) return;
    FAllItems.DeleteRange(From, To);
    InvalidateIndexes(From);
}

void TExTreeModel::ListMove(Integer From, Integer To, Integer Dest)
{
    if (Dest >= From && Dest <= To + 1) return;
    FAllItems.Move(From, To, Dest);
    InvalidateIndexes(std::min(From, Dest));
}

// Focus and selection

void TExTreeModel::DoChanging(TExTreeItem* Item, bool& AllowChange)
{
    if (FocusEventsLock == 0 && FHost)
        FHost->DoChanging(Item, AllowChange);
    else
        AllowChange = true;
}

void TExTreeModel::TriggerItemSelectedChangeEvent(TExTreeItem* Item)
{
    if (FHost && !Destroying) FHost->TriggerItemSelectedChangeEvent(Item);
}

TPoint TExTreeModel::MeasureCell(TExTreeItem* Item, Integer SectionIndex)
{
    return FHost ? FHost->MeasureCell(Item, SectionIndex) : TPoint{0, LineHeight};
}

void TExTreeModel::SetFocused(TExTreeItem* Item) { DoSetFocused(Item, false); }

void TExTreeModel::DoSetFocused(TExTreeItem* Item, bool Forced) { DoSetFocusedEx(Item, Forced, false); }

bool TExTreeModel::DoSetFocusedEx(TExTreeItem* Item, bool Forced, bool Delayed)
{
    if (Item == FFocused) return false;
    bool allow = Forced;
    DoChanging(Item, allow);
    if (!Forced && !allow) {
        // A refused change leaves the selection as it was; re-selecting in a multi-select tree
        // would toggle the focused item off.
        if (!MultiSelect()) DoSetSelected(FFocused);
        return false;
    }
    TExUpdateGuard bracket(this);
    if (TExTreeItem* old = FFocused) {
        FFocused = nullptr;
        old->UpdateItem();
        if (AutoExpand && Item && AutoCollapse) {
            for (TExTreeItem* p = old; p && !p->IsHiddenRoot(); p = p->Parent()) {
                if (Item->IsUnder(p)) break;
                p->Collapse(false);
            }
        }
        if (AutoExpand && Item) FRefresh.UpdatePending = true;
    }
    FFocused = Item;
    DoSetSelected(Item);
    if (FFocused) {
        FFocused->UpdateItem();
        if (AutoExpand) FFocused->Expand(false);
        if (!Destroying && FHost) FHost->FocusedItemShown(FFocused);
    }
    if (ChangeDelay == 0 || !Delayed) {
        if (FireFocusEvents() && FHost) FHost->DoItemFocused();
    } else if (FHost) {
        FHost->StartDelayedFocus(FFocused);
    }
    FRefresh.UpdatePending = true;
    bracket.Done();
    return true;
}

void TExTreeModel::SetSelected(TExTreeItem* Item)
{
    if (MultiSelect())
        FSelected = Item;
    else
        SetFocused(Item);
}

void TExTreeModel::ForgetAnchor(TExTreeItem* Item)
{
    if (FSelected == Item) FSelected = nullptr;
}

void TExTreeModel::DoSetSelected(TExTreeItem* Item)
{
    if (!MultiSelect()) {
        if (TExTreeItem* old = FSelected) {
            FSelected = nullptr;
            old->SetStateBit(extree::stSelected, false);
            SelectionChanged = true;
            old->UpdateItem();
            TriggerItemSelectedChangeEvent(old);
        }
        if (Item) {
            Item->SetStateBit(extree::stSelected, true);
            FSelected = Item;
            SelectionChanged = true;
            TriggerItemSelectedChangeEvent(Item);
            Item->UpdateItem();
        }
        return;
    }
    if (!Item) return;
    const Integer level = Item->Level();
    auto* first = FSelectedList->Count() > 0 ? static_cast<TExTreeItem*>(FSelectedList->First()) : nullptr;
    const Integer firstLevel = first ? first->Level() : MultiSelectLevel;
    if ((MultiSelectLevel >= 0 && level != MultiSelectLevel) || firstLevel != level) {
        DeselectAll();
        first = FSelectedList->Count() > 0 ? static_cast<TExTreeItem*>(FSelectedList->First()) : nullptr;
    }
    if (!Item->Selected()) {
        if (KeepSelectionWithinLevel && first && first != Item && first->Level() != level) return;
        Item->SetStateBit(extree::stSelected, true);
        FSelectedList->Add(Item);
    } else {
        Item->SetStateBit(extree::stSelected, false);
        FSelectedList->Remove(Item);
        ForgetAnchor(Item);
    }
    SelectionChanged = true;
    TriggerItemSelectedChangeEvent(Item);
    Item->UpdateItem();
}

void TExTreeModel::SetMultiSelect(bool Value)
{
    if (MultiSelect() == Value) return;
    TExUpdateGuard bracket(this);
    FRefresh.UpdatePending = true;
    if (!Value) {
        DeselectAllEx(true);
        delete FSelectedList;
        FSelectedList = nullptr;
        // The anchor a multi-select tree kept may rest on an unselected item; a single-select
        // tree's anchor is its selected item.
        FSelected = nullptr;
        if (FFocused) FFocused->SetSelected(true);
    } else {
        FSelectedList = new TExList;
        // The list holds only what shows selected: an entry without the mark would outlive its item.
        if (FSelected && FSelected->Selected()) FSelectedList->Add(FSelected);
    }
    bracket.Done();
}

Integer TExTreeModel::SelCount() const
{
    if (FSelectedList) return FSelectedList->Count();
    return FFocused ? 1 : 0;
}

void TExTreeModel::DeselectOne(TExTreeItem* Item)
{
    SelectionChanged = true;
    Item->SetStateBit(extree::stSelected, false);
    FSelectedList->Remove(Item);
    ForgetAnchor(Item);
    TriggerItemSelectedChangeEvent(Item);
    Item->UpdateItem();
}

void TExTreeModel::DeselectAll() { DeselectAllEx(false); }

void TExTreeModel::DeselectAllEx(bool IncludeHidden)
{
    if (!FSelectedList) return;
    TExUpdateGuard bracket(this);
    for (Integer i = FSelectedList->Count() - 1; i >= 0; --i) {
        auto* item = static_cast<TExTreeItem*>(FSelectedList->FastGet(i));
        if (!IncludeHidden && FFilteredVisibility && item->Hidden()) continue;
        DeselectOne(item);
        i = std::min(i, FSelectedList->Count());
    }
    if (IncludeHidden) FSelectedList->Clear();
    bracket.Done();
}

TExTreeItem* TExTreeModel::NearestShown(TExTreeItem* Item)
{
    const Integer at = IndexOfItem(Item);
    for (Integer i = at; i >= 0; --i) {
        auto* item = static_cast<TExTreeItem*>(FAllItems.FastGet(i));
        if (item->FullyVisible()) return item;
    }
    for (Integer i = at + 1; i < FAllItems.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(FAllItems.FastGet(i));
        if (item->FullyVisible()) return item;
    }
    return nullptr;
}

void TExTreeModel::UpdateDiffItems()
{
    if (FHost) FHost->ForgetHiddenItems();
    // An item under a hidden one is not shown either: the repair looks at the whole path.
    while (FSelected && !FSelected->FullyVisible()) {
        TExTreeItem* hidden = FSelected;
        if (!hidden->Parent()) {
            if (MultiSelect())
                FSelected = NearestShown(hidden);
            else
                DoSetSelected(NearestShown(hidden));
            break;
        }
        // A single-select tree's anchor is its selected row: the mark moves with it.
        if (!MultiSelect()) {
            DoSetSelected(hidden->Parent());
            continue;
        }
        FSelected = hidden->Parent();
        hidden->SetSelected(false);
    }
    while (FFocused && !FFocused->FullyVisible() && FFocused->Parent()) DoSetFocused(FFocused->Parent(), true);
    if (FFocused && !FFocused->FullyVisible()) DoSetFocused(NearestShown(FFocused), true);
}

// Deletions from deletion handlers

bool TExTreeModel::DeferDelete(TExTreeItem* Item)
{
    if (FDeleting.empty()) return false;
    for (TExTreeItem* d : FDeleting)
        if (d == Item) return true;
    for (TExTreeItem* d : FDeleting) {
        if (d->IsUnder(Item)) {
            if (std::find(FDeferredDeletes.begin(), FDeferredDeletes.end(), Item) == FDeferredDeletes.end())
                FDeferredDeletes.push_back(Item);
            return true;
        }
    }
    return false;
}

void TExTreeModel::ForgetDeferredDelete(TExTreeItem* Item)
{
    if (FDeferredDeletes.empty()) return;
    FDeferredDeletes.erase(std::remove(FDeferredDeletes.begin(), FDeferredDeletes.end(), Item), FDeferredDeletes.end());
}

void TExTreeModel::TDeleteScope::Close()
{
    TExTreeModel* tree = FTree;
    FTree = nullptr;
    if (--tree->FDeleteScopes > 0) return;
    while (tree->FDeleteScopes == 0 && !tree->FDeferredDeletes.empty()) {
        TExTreeItem* item = tree->FDeferredDeletes.front();
        tree->FDeferredDeletes.erase(tree->FDeferredDeletes.begin());
        tree->FItems->DeleteItem(item);
    }
}

// Guard

TExUpdateGuard::TExUpdateGuard(TExTreeModel* Model) : FModel(Model), FOpen(true) { FModel->SetUpdating(true); }

TExUpdateGuard::~TExUpdateGuard()
{
    if (FOpen) FModel->AbandonUpdate();
}

void TExUpdateGuard::Done()
{
    FOpen = false;
    FModel->SetUpdating(false);
}

void TExTreeModel::AbandonUpdate()
{
    if (FInUpdateRefresh || FUpdateCount == 0) return;
    if (FHost) FHost->UpdateBracket(false);
    --FUpdateCount;
}

#include "tree/Extreemodel.h"

#include <algorithm>
#include <exception>

#include "tree/Extreeitem.h"
#include "tree/Extreeitems.h"
#include "tree/Extreeres.h"

TPoint TExTreeHost::MeasureCell(TExTreeItem* Item, Integer /*SectionIndex*/)
{
    return {0, Item ? Item->Tree()->LineHeight : 0};
}

TExTreeModel::TExTreeModel(TExTreeHost* Host, TExTreeItemClass ItemClass)
    : FHost(Host), FAllItems(&TExTreeItem::FListPlace), FSelection(&TExTreeItem::FSelectionPlace)
{
    FItems = new TExTreeItems(this, ItemClass);
}

TExTreeModel::~TExTreeModel()
{
    Destroying = true;
    // Items out of the tree whose deletion waited for operations a freed control never ended.
    while (!FWaitingDeletions.empty()) {
        TExTreeItem* item = FWaitingDeletions.back();
        FWaitingDeletions.pop_back();
        TObject::Free(item);
    }
    delete FItems;
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
    // The close sorts and refreshes the view, whose handlers may free the control.
    TExTreeOperation op(this);
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

void TExTreeModel::MarkRowsCounted()
{
    const bool known = !FVisCountStale;
    MarkRows();
    FVisCountStale = !known;
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

Integer TExTreeModel::RowsIn(Integer From, Integer To) const
{
    Integer count = 0;
    for (Integer i = From; i < To;) {
        auto* item = static_cast<TExTreeItem*>(FAllItems.FastGet(i));
        if (FFilteredVisibility && item->Hidden()) {
            i = item->PastBranch(i);
            continue;
        }
        ++count;
        i = item->Expanded() ? i + 1 : item->PastBranch(i);
    }
    return count;
}

Integer TExTreeModel::TotalVisCount()
{
    if (!FVisCountStale) return FTotalVisCount;
    FTotalVisCount = RowsIn(0, FAllItems.Count());
    FVisCountStale = false;
    return FTotalVisCount;
}

void TExTreeModel::BranchRowsCameIn(TExTreeItem* Top, Integer Position, Integer Count)
{
    // One item added to a large tree would otherwise count every row again.
    FVisCountStale = false;
    for (const TExTreeItem* p = Top->Parent(); p && !p->IsHiddenRoot(); p = p->Parent())
        if (!p->Expanded() || (FFilteredVisibility && p->Hidden())) return;
    FTotalVisCount += RowsIn(Position, Position + Count);
}

// All-items list

void TExTreeModel::InvalidateIndexes(Integer /*FromPosition*/)
{
    FVisCountStale = true;
    ++FRowsVersion;
    ++FStructureVersion;
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

void TExTreeModel::ListRemoveItem(TExTreeItem* Item)
{
    if (!Item->FListPlace.Block) return;
    FAllItems.Remove(Item);
    InvalidateIndexes(0);
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
    if (FocusEventsLock == 0 && FHost) {
        TRaise raise(this);
        FHost->DoChanging(Item, AllowChange);
    } else {
        AllowChange = true;
    }
}

void TExTreeModel::TriggerItemSelectedChangeEvent(TExTreeItem* Item)
{
    if (!FHost || Destroying) return;
    TRaise raise(this);
    FHost->TriggerItemSelectedChangeEvent(Item);
}

void TExTreeModel::RaiseItemChange(TExTreeItem* Item, TItemChangeMode Mode)
{
    if (!FHost) return;
    TRaise raise(this);
    FHost->DoItemChange(Item, Mode);
}

void TExTreeModel::RaiseItemDelete(TExTreeItem* Item)
{
    if (!FHost) return;
    TRaise raise(this);
    FHost->DoItemDelete(Item);
}

bool TExTreeModel::RaiseItemExpanding(TExTreeItem* Item)
{
    bool canProcess = true;
    if (FHost) {
        TRaise raise(this);
        FHost->DoItemExpanding(Item, canProcess);
    }
    return canProcess;
}

void TExTreeModel::RaiseItemExpand(TExTreeItem* Item)
{
    if (!FHost) return;
    TRaise raise(this);
    FHost->DoItemExpand(Item);
}

bool TExTreeModel::RaiseItemCollapsing(TExTreeItem* Item)
{
    bool canProcess = true;
    if (FHost) {
        TRaise raise(this);
        FHost->DoItemCollapsing(Item, canProcess);
    }
    return canProcess;
}

void TExTreeModel::RaiseItemCollapse(TExTreeItem* Item)
{
    if (!FHost) return;
    TRaise raise(this);
    FHost->DoItemCollapse(Item);
}

TPoint TExTreeModel::MeasureCell(TExTreeItem* Item, Integer SectionIndex)
{
    return FHost ? FHost->MeasureCell(Item, SectionIndex) : TPoint{0, LineHeight};
}

void TExTreeModel::SetFocused(TExTreeItem* Item) { DoSetFocused(Item, false); }

void TExTreeModel::DoSetFocused(TExTreeItem* Item, bool Forced) { DoSetFocusedEx(Item, Forced, false); }

bool TExTreeModel::DoSetFocusedEx(TExTreeItem* Item, bool Forced, bool Delayed)
{
    return MoveFocus(Item, Forced, Delayed, FGestureDepth == FRaising);
}

TExTreeModel::TGesture::TGesture(TExTreeModel* Tree) : FOp(Tree), FTree(Tree), FOuter(Tree->FGestureDepth)
{
    FTree->FGestureDepth = FTree->FRaising;
}

TExTreeModel::TGesture::~TGesture() { FTree->FGestureDepth = FOuter; }

bool TExTreeModel::MoveFocus(TExTreeItem* Item, bool Forced, bool Delayed, bool ByUser)
{
    if (Item == FFocused) return false;
    TExTreeOperation op(this);
    op.Hold(Item);
    op.Hold(FFocused);
    bool allow = Forced;
    const bool inTree = Item && Item->IsAttached();
    DoChanging(Item, allow);
    // The handler deleted the item: it has left the tree, and the focus stays where it is.
    if (inTree && !Item->IsAttached()) return false;
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
        old->StateImagesShown();
        if (AutoExpand && Item && AutoCollapse) {
            for (TExTreeItem* p = old; p && !p->IsHiddenRoot(); p = p->Parent()) {
                if (Item->IsUnder(p)) break;
                p->Collapse(false);
            }
        }
        if (AutoExpand && Item) FRefresh.UpdatePending = true;
    }
    FFocused = Item;
    if (!MultiSelect() || ByUser) DoSetSelected(Item);
    if (FFocused) {
        FFocused->UpdateItem();
        FFocused->StateImagesShown();
        if (AutoExpand) FFocused->Expand(false);
        if (!Destroying && FHost) FHost->FocusedItemShown(FFocused);
    }
    if (ChangeDelay == 0 || !Delayed) {
        if (FireFocusEvents() && FHost) {
            TRaise raise(this);
            FHost->DoItemFocused();
        }
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
    if (Item && Item->IsHiddenRoot()) Item = nullptr;
    TExTreeOperation op(this);
    op.Hold(Item);
    op.Hold(FSelected);
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
    TExTreeItem* first = FSelection.Count() > 0 ? FSelection.First() : nullptr;
    const Integer firstLevel = first ? first->Level() : MultiSelectLevel;
    if ((MultiSelectLevel >= 0 && level != MultiSelectLevel) || firstLevel != level) {
        DeselectAll();
        // A handler may have left only one kind of selection.
        if (!MultiSelect()) return;
        first = FSelection.Count() > 0 ? FSelection.First() : nullptr;
    }
    if (!Item->Selected()) {
        if (KeepSelectionWithinLevel && first && first != Item && first->Level() != level) return;
        Item->SetStateBit(extree::stSelected, true);
        SelectionAdd(Item);
    } else {
        Item->SetStateBit(extree::stSelected, false);
        SelectionRemove(Item);
        ForgetAnchor(Item);
    }
    SelectionChanged = true;
    TriggerItemSelectedChangeEvent(Item);
    Item->UpdateItem();
}

void TExTreeModel::SetMultiSelect(bool Value)
{
    if (MultiSelect() == Value) return;
    TExTreeOperation op(this);
    op.HoldAll();
    TExUpdateGuard bracket(this);
    FRefresh.UpdatePending = true;
    if (!Value) {
        DeselectAllEx(true);
        // What handlers selected meanwhile leaves the list with its mark.
        while (FSelection.Count() > 0) {
            TExTreeItem* item = FSelection.Last();
            item->SetStateBit(extree::stSelected, false);
            SelectionRemove(item);
        }
        FMultiSelect = false;
        // The anchor a multi-select tree kept may rest on an unselected item; a single-select
        // tree's anchor is its selected item.
        FSelected = nullptr;
        if (FFocused) FFocused->SetSelected(true);
    } else {
        FMultiSelect = true;
        // The list holds only what shows selected: an entry without the mark would outlive its item.
        if (FSelected && FSelected->Selected()) SelectionAdd(FSelected);
    }
    bracket.Done();
}

Integer TExTreeModel::SelCount() const
{
    if (FMultiSelect) return FSelection.Count();
    return FFocused ? 1 : 0;
}

TExList* TExTreeModel::SelectedList() const
{
    if (!FMultiSelect) return nullptr;
    if (FSelectedCopyStale) {
        FSelectedCopy.Clear();
        FSelectedCopy.SetCapacity(FSelection.Count());
        for (Integer i = 0; i < FSelection.Count(); ++i) FSelectedCopy.Add(FSelection.FastGet(i));
        FSelectedCopyStale = false;
    }
    return &FSelectedCopy;
}

void TExTreeModel::SelectionAdd(TExTreeItem* Item)
{
    FSelection.Add(Item);
    FSelectedCopyStale = true;
}

void TExTreeModel::SelectionRemove(TExTreeItem* Item)
{
    FSelection.Remove(Item);
    FSelectedCopyStale = true;
}

void TExTreeModel::DeselectOne(TExTreeItem* Item)
{
    SelectionChanged = true;
    Item->SetStateBit(extree::stSelected, false);
    SelectionRemove(Item);
    ForgetAnchor(Item);
    TriggerItemSelectedChangeEvent(Item);
    Item->UpdateItem();
}

void TExTreeModel::DeselectAll() { DeselectAllEx(false); }

void TExTreeModel::DeselectAllEx(bool IncludeHidden)
{
    if (!FMultiSelect) return;
    TExTreeOperation op(this);
    op.HoldAll();
    TExUpdateGuard bracket(this);
    // The list as it stands, in its order; what handlers select meanwhile stays selected.
    std::vector<TExTreeItem*> walk;
    walk.reserve(static_cast<size_t>(FSelection.Count()));
    for (Integer i = 0; i < FSelection.Count(); ++i) walk.push_back(FSelection.FastGet(i));
    for (TExTreeItem* item : walk) {
        // Handlers may have deselected it, or left a single-select tree.
        if (!FMultiSelect || !item->Selected()) continue;
        if (!IncludeHidden && FFilteredVisibility && item->Hidden()) continue;
        DeselectOne(item);
    }
    bracket.Done();
}

namespace {

// The topmost hidden item on the path from Item up (Item included); nil when the path is shown.
TExTreeItem* TopHidden(TExTreeItem* Item)
{
    TExTreeItem* top = nullptr;
    for (TExTreeItem* p = Item; p; p = p->Parent())
        if (p->Hidden()) top = p;
    return top;
}

}  // namespace

TExTreeItem* TExTreeModel::NearestShown(TExTreeItem* Item)
{
    // Item is a hidden root item. Before it: the last item shown in the branch of the nearest
    // root item before it that is not hidden; else the first such root item after it.
    for (TExTreeItem* p = Item->GetPrevSibling(); p; p = p->GetPrevSibling()) {
        if (p->Hidden()) continue;
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (Integer i = p->Count() - 1; i >= 0; --i) {
                TExTreeItem* child = p->Items(i);
                if (child->Hidden()) continue;
                p = child;
                deeper = true;
                break;
            }
        }
        return p;
    }
    for (TExTreeItem* n = Item->GetNextSibling(); n; n = n->GetNextSibling())
        if (!n->Hidden()) return n;
    return nullptr;
}

TExTreeItem* TExTreeModel::ShownInstead(TExTreeItem* Hidden)
{
    return Hidden->Parent() ? Hidden->Parent() : NearestShown(Hidden);
}

void TExTreeModel::UpdateDiffItems()
{
    TExTreeOperation op(this);
    op.HoldAll();
    if (FHost) FHost->ForgetHiddenItems();
    // An item under a hidden one is not shown either: focus and anchor go to the nearest item
    // above the topmost hidden one on their path, in one move each (one walk up, one event).
    if (TExTreeItem* hidden = FSelected ? TopHidden(FSelected) : nullptr) {
        TExTreeItem* instead = ShownInstead(hidden);
        if (!MultiSelect()) {
            // A single-select tree's anchor is its selected row: the mark moves with it.
            DoSetSelected(instead);
        } else {
            // The hidden anchor and the items above it up to the hidden one lose their marks.
            std::vector<TExTreeItem*> path;
            for (TExTreeItem* p = FSelected; p && (p != hidden || hidden->Parent()); p = p->Parent()) {
                if (p->Selected()) path.push_back(p);
                if (p == hidden) break;
            }
            FSelected = instead;
            for (TExTreeItem* p : path) p->SetSelected(false);
        }
    }
    if (TExTreeItem* hidden = FFocused ? TopHidden(FFocused) : nullptr) RescueFocus(ShownInstead(hidden));
}

// Operations and handlers

TExTreeOperation::TExTreeOperation(TExTreeModel* Tree) : FTree(Tree), FExceptions(std::uncaught_exceptions())
{
    ++FTree->FOperations;
}

TExTreeOperation::~TExTreeOperation() noexcept(false)
{
    TExTreeModel* tree = FTree;
    tree->FHolds.resize(tree->FHolds.size() - static_cast<size_t>(FHolds));
    if (--tree->FOperations > 0) return;
    tree->OperationsEnded(std::uncaught_exceptions() > FExceptions);
}

void TExTreeOperation::Hold(TExTreeItem* Item)
{
    if (!Item) return;
    FTree->FHolds.push_back({Item, FTree->FRaising});
    ++FHolds;
}

void TExTreeOperation::HoldAll()
{
    FTree->FHolds.push_back({nullptr, FTree->FRaising});
    ++FHolds;
}

TExTreeModel::TRaise::TRaise(TExTreeModel* Tree) : FOp(Tree), FTree(Tree) { ++FTree->FRaising; }

TExTreeModel::TRaise::~TRaise() { --FTree->FRaising; }

TExTreeModel::TWalk::TWalk(TExTreeModel* Tree)
    : FOp(Tree), FTree(Tree), FStructure(Tree->StructureVersion()), FDestroying(Tree->Destroying)
{
    ++FTree->FWalks;
}

TExTreeModel::TWalk::~TWalk() { --FTree->FWalks; }

void TExTreeModel::TWalk::CheckUnchanged() const
{
    if (FTree->StructureVersion() != FStructure || FTree->Destroying != FDestroying)
        throw EExTreeError(extree::exChangedInWalk);
}

bool TExTreeModel::DeferDeletion(TExTreeItem* Item)
{
    if (Item->GetOption(extree::ioDeleting)) return true;
    // An item of a branch out of the tree on its way is told of before that branch, as its
    // descendants are.
    bool wait = false;
    auto place = FWaitingDeletions.end();
    if (!Item->IsAttached()) {
        for (const TExTreeItem* p = Item->FParent; p && !wait; p = p->FParent) {
            wait = p->GetOption(extree::ioDeleting);
            if (wait) place = std::find(FWaitingDeletions.begin(), FWaitingDeletions.end(), p);
        }
    }
    if (!wait) {
        if (FWalks > 0) throw EExTreeError(extree::exChangedInWalk);
        // Only a handler's deletion waits: the operation's own deletions are its work.
        for (const THold& hold : FHolds) {
            if (FRaising > hold.Depth && (!hold.Item || hold.Item->IsUnder(Item))) {
                wait = true;
                break;
            }
        }
    }
    if (!wait) return false;
    // Gone from the tree and from its parent's children at once (no count, child list or walk finds
    // it, so a loop deleting children until none are left ends); telling of it and freeing it wait,
    // as what the operation still uses may lie in its branch.
    Item->SetBit(extree::ioDeleting, true);
    FWaitingDeletions.insert(place, Item);
    FItems->TakeOut(Item);
    return true;
}

void TExTreeModel::ForgetWaitingDeletion(TExTreeItem* Item)
{
    if (FWaitingDeletions.empty()) return;
    FWaitingDeletions.erase(std::remove(FWaitingDeletions.begin(), FWaitingDeletions.end(), Item),
                            FWaitingDeletions.end());
}

void TExTreeModel::OperationsEnded(bool Unwinding)
{
    // Every waiting deletion runs, also while an error is on its way: what a handler deleted is gone
    // when the error leaves the tree. The first error of a deletion's own handlers follows them,
    // unless another is on its way already. The items left the tree when they were deleted: they
    // are told of and freed in one bracket, whose close refreshes once.
    TExFirstError error;
    if (!FOrphaned && !FWaitingDeletions.empty()) {
        ++FOperations;
        TExUpdateGuard bracket(this);
        while (!FOrphaned && !FWaitingDeletions.empty()) {
            std::vector<TExTreeItem*> batch;
            batch.swap(FWaitingDeletions);
            for (size_t i = 0; i < batch.size(); ++i) {
                if (FOrphaned) {
                    // The control went: the model frees the rest silently.
                    FWaitingDeletions.insert(FWaitingDeletions.end(), batch.begin() + i, batch.end());
                    break;
                }
                error.Hear([&] { FItems->DeleteWaiting(batch[i]); });
            }
        }
        error.Hear([&] { bracket.Done(); });
        --FOperations;
    }
    if (FOrphaned && FOperations == 0) FreeOrphan();
    if (!Unwinding) error.Raise();
}

void TExTreeModel::FreeOrphan()
{
    // Freeing the items runs operations of its own, which must not free the model again.
    FOrphaned = false;
    delete this;
}

bool TExTreeModel::HostGone()
{
    // What the host prepared for the items goes while the host is there to take it back.
    FItems->Root()->FreeHTML();
    for (Integer i = 0; i < FAllItems.Count(); ++i) FAllItems.FastGet(i)->FreeHTML();
    FHost = nullptr;
    Destroying = true;
    if (FOperations == 0) return false;
    FOrphaned = true;
    return true;
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

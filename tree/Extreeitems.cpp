#include "tree/Extreeitems.h"

#include <vector>

#include "tree/Extreeres.h"

using namespace extree;

TExTreeItems::TExTreeItems(TExTreeModel* Owner, TExTreeItemClass ItemClass) : FTree(Owner), FItemClass(ItemClass)
{
    FRoot = CreateItem(FTree);
    FRoot->FCollection = this;
    FRoot->FParent = nullptr;
    FRoot->FHiddenRoot = FRoot;
    FRoot->NewStaticData();
    FRoot->FState = 1u << stExpanded;
}

TExTreeItems::~TExTreeItems()
{
    TExUpdateGuard bracket(FTree);
    FRoot->DisposeStaticData();
    FRoot->Clear();
    bracket.Done();
    TObject::Free(FRoot);
}

TExTreeItem* TExTreeItems::CreateItem(TExTreeModel* Tree) { return FItemClass ? FItemClass(Tree) : new TExTreeItem(Tree); }

// Adding

// A new item under Parent (the root when nil), at Index of its children or last when Index < 0.
TExTreeItem* TExTreeItems::Attach(TExTreeItem* Parent, Integer Index)
{
    TExTreeItem* parent = Parent ? Parent : FRoot;
    // Every adder comes here: a place given by another tree's item is refused before anything is made.
    if (parent->FTree != FTree) throw EExTreeError(exInvItem);
    if (Index > parent->Count()) throw EExTreeError(ExOutOfBounds);
    TExUpdateGuard bracket(FTree);
    TExTreeItem* item = CreateItem(FTree);
    item->FCollection = this;
    item->FParent = parent;
    try {
        if (Index < 0)
            parent->AddChild(item);
        else
            parent->InsertChild(Index, item);
    } catch (...) {
        TObject::Free(item);
        throw;
    }
    if (parent->Expanded() && parent->FullyExpanded()) FTree->MarkRowsCounted();
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
    return item;
}

TExTreeItem* TExTreeItems::AddItem(TExTreeItem* Parent) { return Attach(Parent, -1); }

TExTreeItem* TExTreeItems::AddLastItem(TExTreeItem* Parent) { return AddItem(Parent); }

TExTreeItem* TExTreeItems::InsertItem(Integer Index, TExTreeItem* Parent)
{
    if (Index < 0) throw EExTreeError(ExOutOfBounds);
    return Attach(Parent, Index);
}

TExTreeItem* TExTreeItems::Parented(TExTreeItem* Item) const
{
    if (Item && !Item->FParent) throw EExTreeError(ExOutOfBounds);
    return Item ? Item->FParent : FRoot;
}

namespace {
template <class MakeItem>
TExTreeItem* AddWithText(TExTreeModel* Tree, const std::string& Text, void* Data, bool SetData, MakeItem Make)
{
    TExUpdateGuard bracket(Tree);
    TExTreeItem* item = Make();
    item->SetText(Text);
    if (SetData) item->SetData(Data);
    bracket.Done();
    return item;
}
}  // namespace

TExTreeItem* TExTreeItems::Add(TExTreeItem* Item, const std::string& Text)
{
    return AddWithText(FTree, Text, nullptr, false, [&] { return AddItem(Item ? Item->FParent : nullptr); });
}

TExTreeItem* TExTreeItems::AddObject(TExTreeItem* Item, const std::string& Text, void* Data)
{
    return AddWithText(FTree, Text, Data, true, [&] { return AddItem(Item ? Item->FParent : nullptr); });
}

TExTreeItem* TExTreeItems::AddChild(TExTreeItem* Item, const std::string& Text)
{
    return AddWithText(FTree, Text, nullptr, false, [&] { return AddItem(Item); });
}

TExTreeItem* TExTreeItems::AddChildObject(TExTreeItem* Item, const std::string& Text, void* Data)
{
    return AddWithText(FTree, Text, Data, true, [&] { return AddItem(Item); });
}

TExTreeItem* TExTreeItems::AddChildFirst(TExTreeItem* Item, const std::string& Text)
{
    return AddWithText(FTree, Text, nullptr, false, [&] { return InsertItem(0, Item); });
}

TExTreeItem* TExTreeItems::AddChildObjectFirst(TExTreeItem* Item, const std::string& Text, void* Data)
{
    return AddWithText(FTree, Text, Data, true, [&] { return InsertItem(0, Item); });
}

TExTreeItem* TExTreeItems::AddFirst(TExTreeItem* Item, const std::string& Text)
{
    return AddWithText(FTree, Text, nullptr, false, [&] { return InsertItem(0, Item ? Item->FParent : nullptr); });
}

TExTreeItem* TExTreeItems::AddObjectFirst(TExTreeItem* Item, const std::string& Text, void* Data)
{
    return AddWithText(FTree, Text, Data, true, [&] { return InsertItem(0, Item ? Item->FParent : nullptr); });
}

TExTreeItem* TExTreeItems::Insert(TExTreeItem* Item, const std::string& Text)
{
    return AddWithText(FTree, Text, nullptr, false,
                       [&] { return Item ? InsertItem(Item->Index(), Parented(Item)) : InsertItem(0, nullptr); });
}

TExTreeItem* TExTreeItems::InsertObject(TExTreeItem* Item, const std::string& Text, void* Data)
{
    return AddWithText(FTree, Text, Data, true,
                       [&] { return Item ? InsertItem(Item->Index(), Parented(Item)) : InsertItem(0, nullptr); });
}

TExTreeItem* TExTreeItems::InsertAfter(TExTreeItem* Item, const std::string& Text)
{
    return AddWithText(FTree, Text, nullptr, false,
                       [&] { return Item ? InsertItem(Item->Index() + 1, Parented(Item)) : InsertItem(0, nullptr); });
}

TExTreeItem* TExTreeItems::InsertAfterObject(TExTreeItem* Item, const std::string& Text, void* Data)
{
    return AddWithText(FTree, Text, Data, true,
                       [&] { return Item ? InsertItem(Item->Index() + 1, Parented(Item)) : InsertItem(0, nullptr); });
}

// Existing items

void TExTreeItems::CheckAttachable(TExTreeItem* Item, TExTreeItem* Parent) const
{
    if (Item->FTree != FTree || (Parent && Parent->FTree != FTree)) throw EExTreeError(exInvItem);
    TExTreeItem* parent = Parent ? Parent : FRoot;
    if (parent->IsWithin(Item)) throw EExTreeError(exRecursiveMove);
    if (!parent->IsAttached()) throw EExTreeError(exInvItem);
}

void TExTreeItems::AddExistingItem(TExTreeItem* Item, TExTreeItem* Parent)
{
    if (!Item || Item->IsHiddenRoot() || Item->GetOption(ioDeleting)) return;
    CheckAttachable(Item, Parent);
    if (Item->FParent && Item->IsAttached())
        Item->MoveTo(Parent);
    else
        InsertExistingItem(Item, Parent, (Parent ? Parent : FRoot)->Count());
}

void TExTreeItems::InsertExistingItem(TExTreeItem* Item, TExTreeItem* Parent, Integer Index)
{
    if (!Item || Item->IsHiddenRoot() || Item->GetOption(ioDeleting)) return;
    CheckAttachable(Item, Parent);
    if (Item->FParent && Item->IsAttached()) {
        Item->MoveToIns(Parent, Index);
        return;
    }
    TExTreeItem* parent = Parent ? Parent : FRoot;
    if (Index < 0 || Index > parent->Count()) throw EExTreeError(ExOutOfBounds);
    TExUpdateGuard bracket(FTree);
    // A child of a branch outside the tree leaves that branch.
    if (Item->FParent) {
        Item->FParent->RemoveChild(Item);
        Item->FParent = nullptr;
    }
    Item->FCollection = this;
    Item->FParent = parent;
    parent->InsertChild(Index, Item);
    if (parent->Expanded() && parent->FullyExpanded()) FTree->MarkRowsCounted();
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
}

void TExTreeItems::RescueFocus(TExTreeItem* Item, bool Destroying)
{
    auto successor = [&]() -> TExTreeItem* {
        if (Item->Parent()) return Item->Parent();
        TExTreeItem* prev = Item->GetPrevSibling();
        return prev ? prev : Item->GetNextSibling();
    };
    if (FTree->Selected() && FTree->Selected()->IsUnder(Item)) {
        if (Destroying)
            FTree->ForgetAnchor(FTree->Selected());
        else
            FTree->SetSelected(successor());
    }
    if (FTree->Focused() && FTree->Focused()->IsUnder(Item)) FTree->RescueFocus(Destroying ? nullptr : successor());
}

void TExTreeItems::RemoveItem(TExTreeItem* Item)
{
    if (!Item || Item->IsHiddenRoot() || !Item->FParent || Item->FTree != FTree) return;
    TakeOut(Item);
    Item->SetLevels(0);
}

void TExTreeItems::TakeOut(TExTreeItem* Item)
{
    if (Item->IsAttached()) {
        TExTreeOperation op(FTree);
        op.HoldAll();
        TExUpdateGuard bracket(FTree);
        RescueFocus(Item, false);
        std::vector<TExTreeItem*> branch;
        Item->CollectBranch(branch);
        // A branch outside the tree is no part of its selection, as it is no part of its focus.
        if (FTree->MultiSelect())
            for (TExTreeItem* item : branch) item->SetSelected(false);
        // The handlers of the focus and the selection may have moved the branch or taken it out.
        if (Item->IsAttached()) {
            branch.clear();
            Item->CollectBranch(branch);
            if (TExTreeHost* host = FTree->Host()) {
                for (TExTreeItem* item : branch) {
                    host->ForgetItem(item);
                    host->RemoveRow(item);
                }
            }
            Item->AdjustCounts(-1);
            const Integer from = Item->GetAbsIndex();
            FTree->ListRemove(from, from + static_cast<Integer>(branch.size()) - 1);
            Item->FParent->RemoveChild(Item);
            Item->FParent = nullptr;
            FTree->MarkRows();
            FTree->Refresh().UpdatePending = true;
        }
        bracket.Done();
    }
    if (Item->FParent) {
        Item->FParent->RemoveChild(Item);
        Item->FParent = nullptr;
    }
}

// Deleting

void TExTreeItems::Delete(TExTreeItem* Item) { DeleteItem(Item); }

void TExTreeItems::DeleteItem(TExTreeItem* Item)
{
    if (!Item || Item->IsHiddenRoot() || Item->FTree != FTree) return;
    if (!Item->IsAttached()) {
        DeleteDetached(Item);
        return;
    }
    TExTreeItem* parent = Item->FParent;
    TExTreeOperation op(FTree);
    op.Hold(parent);
    TExUpdateGuard bracket(FTree);
    const bool shown = parent->Expanded() && parent->FullyExpanded();
    parent->DeleteChild(Item);
    if (shown) FTree->MarkRows();
    bracket.Done();
}

void TExTreeItems::DeleteDetached(TExTreeItem* Item)
{
    if (FTree->DeferDeletion(Item)) return;
    DeleteTakenOut(Item);
}

void TExTreeItems::DeleteWaiting(TExTreeItem* Item)
{
    if (!Item->IsAttached()) {
        DeleteTakenOut(Item);
        return;
    }
    // An error cut its taking out short: it goes as an item of the tree goes.
    Item->SetBit(ioDeleting, false);
    DeleteItem(Item);
}

void TExTreeItems::DeleteTakenOut(TExTreeItem* Item)
{
    TExTreeOperation op(FTree);
    op.Hold(Item);
    Item->SetBit(ioDeleting, true);
    if (Item->FParent) {
        Item->FParent->RemoveChild(Item);
        Item->FParent = nullptr;
    }
    // Deepest first, last child first, as deleting in the tree reports them; Told: its deletion
    // has been reported (its handlers may give it children again, which go before it does).
    struct TFrame {
        TExTreeItem* Item;
        bool Told;
    };
    std::vector<TFrame> stack{{Item, false}};
    TExFirstError error;
    while (!stack.empty()) {
        TExTreeItem* item = stack.back().Item;
        if (item->Count() > 0) {
            TExTreeItem* child = item->GetLastChild();
            child->SetBit(ioDeleting, true);
            stack.push_back({child, false});
            continue;
        }
        if (!stack.back().Told) {
            stack.back().Told = true;
            // A branch set aside by a reading of the stream may still hold the focus or the
            // selection. A handler's error waits for the end: what it was told of goes all the same.
            FTree->ForgetAnchor(item);
            if (item->Selected()) error.Hear([&] { item->SetSelected(false); });
            if (FTree->Focused() == item) error.Hear([&] { FTree->RescueFocus(nullptr); });
            FTree->ForgetFocus(item);
            if (TExTreeHost* host = FTree->Host()) host->ForgetItem(item);
            error.Hear([&] { FTree->RaiseItemDelete(item); });
            continue;
        }
        stack.pop_back();
        if (item->FParent) {
            item->FParent->RemoveChild(item);
            item->FParent = nullptr;
        }
        TObject::Free(item);
    }
    error.Raise();
}

void TExTreeItems::Clear()
{
    TExTreeOperation op(FTree);
    TExUpdateGuard bracket(FTree);
    const bool hadItems = Count() > 0;
    FRoot->Clear();
    FTree->Refresh().HRangeStale = true;
    if (hadItems) FTree->MarkRows();
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
}

void TExTreeItems::BeginUpdate() { FTree->SetUpdating(true); }

void TExTreeItems::EndUpdate() { FTree->SetUpdating(false); }

void TExTreeItems::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TExTreeItems*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    TExTreeOperation op(FTree);
    TExUpdateGuard bracket(FTree);
    FRoot->Assign(source->FRoot);
    FTree->Refresh().HRangeStale = true;
    FTree->MarkRows();
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
}

void TExTreeItems::AllocateStorage(Integer Count)
{
    if (FTree->AllItems().Capacity() < Count) FTree->AllItems().SetCapacity(Count);
}

// Counts and lookups

Integer TExTreeItems::Count() const { return FTree->AllItems().Count(); }

Integer TExTreeItems::VisCount() const { return FTree->TotalVisCount(); }

Integer TExTreeItems::RootCount() const { return FRoot->Count(); }

TExTreeItem* TExTreeItems::RootItem(Integer Index) const
{
    return Index >= 0 && Index < FRoot->Count() ? FRoot->Items(Index) : nullptr;
}

TExTreeItem* TExTreeItems::Item(Integer Index) const
{
    TExTreeItemList& all = FTree->AllItems();
    return Index >= 0 && Index < all.Count() ? static_cast<TExTreeItem*>(all.FastGet(Index)) : nullptr;
}

void TExTreeItems::SetItem(Integer Index, TExTreeItem* Value)
{
    if (TExTreeItem* item = Item(Index)) item->Assign(Value);
}

Integer TExTreeItems::GetAbsIndex(const TExTreeItem* Item) const { return FTree->IndexOfItem(Item); }

// Walks the rows a user can see, in order, until Stop(item, row) says so; gives that item.
template <class TStop>
TExTreeItem* TExTreeItems::FindVisibleRow(TStop Stop) const
{
    TExTreeItemList& all = FTree->AllItems();
    const bool filtered = FTree->FilteredVisibility();
    Integer row = 0;
    for (Integer i = 0; i < all.Count();) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (filtered && item->Hidden()) {
            i = item->PastBranch(i);
            continue;
        }
        if (Stop(item, row)) return item;
        ++row;
        i = item->Expanded() ? i + 1 : item->PastBranch(i);
    }
    return nullptr;
}

Integer TExTreeItems::GetVisIndex(const TExTreeItem* Item) const
{
    if (!Item) return -1;
    Integer found = -1;
    FindVisibleRow([&](TExTreeItem* item, Integer row) {
        if (item != Item) return false;
        found = row;
        return true;
    });
    return found;
}

TExTreeItem* TExTreeItems::GetVisItem(Integer Index) const
{
    if (Index < 0 || Index >= FTree->TotalVisCount()) return nullptr;
    return FindVisibleRow([Index](TExTreeItem*, Integer row) { return row == Index; });
}

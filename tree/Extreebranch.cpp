// The item's branch: its children list and its block of the all-items list kept in step while
// children are attached, deleted, cleared and moved; expanding and collapsing; copying a branch.
#include <algorithm>
#include <vector>

#include "platform/Guard.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeitem.h"
#include "tree/Extreeitems.h"
#include "tree/Extreeres.h"

using namespace extree;

// Structure

void TExTreeItem::CreateChildren()
{
    if (!FChildren) FChildren = new TExTreeItemList(&TExTreeItem::FSiblingPlace);
}

void TExTreeItem::FreeChildrenIfEmpty()
{
    if (FChildren && FChildren->Count() == 0) {
        delete FChildren;
        FChildren = nullptr;
    }
}

bool TExTreeItem::IsAttached() const { return IsHiddenRoot() || FListPlace.Block != nullptr; }

Integer TExTreeItem::EndOfBranch() const { return FTree->IndexOfItem(GetLastSubItem()); }

void TExTreeItem::CollectBranch(std::vector<TExTreeItem*>& Into)
{
    std::vector<TExTreeItem*> stack{this};
    while (!stack.empty()) {
        TExTreeItem* item = stack.back();
        stack.pop_back();
        Into.push_back(item);
        for (Integer i = item->Count() - 1; i >= 0; --i) stack.push_back(item->FChildren->FastGet(i));
    }
}

void TExTreeItem::CountSelf(Integer Sign)
{
    if (Hidden()) FTree->HiddenCount += Sign;
    FTree->VarHeightCount += Sign * VarHeightShare();
}

void TExTreeItem::AdjustCounts(Integer Sign)
{
    std::vector<TExTreeItem*> branch;
    CollectBranch(branch);
    for (TExTreeItem* item : branch) item->CountSelf(Sign);
}

bool TExTreeItem::IsWithin(const TExTreeItem* Item) const
{
    for (const TExTreeItem* p = this; p; p = p->FParent)
        if (p == Item) return true;
    return false;
}

void TExTreeItem::AttachBranch(Integer Index, TExTreeItem* Child, Integer Position)
{
    const bool attached = IsAttached();
    CreateChildren();
    FChildren->Insert(Index, Child);
    Child->FParent = this;
    Child->FHiddenRoot = FHiddenRoot;
    Child->SetLevels(Level() + 1);
    if (!Child->FCollection) Child->FCollection = FCollection;
    if (!Child->FStaticData && !FTree->IsVirtual()) Child->NewStaticData();
    if (attached) {
        std::vector<TExTreeItem*> branch;
        Child->CollectBranch(branch);
        const bool countKnown = FTree->VisCountKnown();
        FTree->ListInsert(Position, branch.data(), static_cast<Integer>(branch.size()));
        if (countKnown) FTree->BranchRowsCameIn(Child, Position, static_cast<Integer>(branch.size()));
        Child->AdjustCounts(1);
        Child->BranchRowsChanged();
    }
    FTree->Refresh().UpdatePending = true;
}

void TExTreeItem::AddChild(TExTreeItem* Child)
{
    const Integer position = EndOfBranch() + 1;
    AttachBranch(Count(), Child, position);
}

void TExTreeItem::AddLastChild(TExTreeItem* Child)
{
    // Appending to the list is only right while this branch ends the list; the position of a last
    // child is the same in that case, and keeps the order in every other.
    AddChild(Child);
}

Integer TExTreeItem::InsertChild(Integer Index, TExTreeItem* Child)
{
    const Integer count = Count();
    if (Index < 0 || Index > count) throw EExTreeError(ExOutOfBounds);
    Integer position;
    if (count == 0)
        position = GetAbsIndex() + 1;
    else if (Index < count)
        position = FChildren->FastGet(Index)->GetAbsIndex();
    else
        position = FChildren->FastGet(Index - 1)->EndOfBranch() + 1;
    AttachBranch(Index, Child, position);
    return Index;
}

void TExTreeItem::RemoveChild(TExTreeItem* Child)
{
    if (!FChildren) return;
    if (FTree->Host()) FTree->Host()->RemoveRow(Child);
    const Integer i = GetChildIndex(Child);
    if (i >= 0) FChildren->Delete(i);
    FreeChildrenIfEmpty();
}

void TExTreeItem::DeleteChild(TExTreeItem* Child)
{
    if (!Child || Child->FParent != this) return;
    // A handler may delete this very item again (it is on its way already), or an item that a
    // running operation holds (it waits until the outermost operation is over).
    if (FTree->DeferDeletion(Child)) return;
    DeleteBranch(Child);
}

void TExTreeItem::DeleteBranch(TExTreeItem* Top)
{
    TExTreeModel* tree = FTree;
    TExTreeOperation op(tree);
    op.Hold(Top);
    TExUpdateGuard bracket(tree);
    Top->SetBit(ioDeleting, true);
    // The items whose children are going, Top first; Left: its own deletion has been told.
    struct TFrame {
        TExTreeItem* Item;
        bool Left;
    };
    std::vector<TFrame> stack{{Top, false}};
    // No focus events while an item's children go (as its Clear would have it).
    Integer locks = 0;
    TExFirstError error;
    try {
        while (!stack.empty()) {
            TExTreeItem* item = stack.back().Item;
            if (item->Count() > 0) {
                TExTreeItem* child = item->GetLastChild();
                child->SetBit(ioDeleting, true);
                ++tree->FocusEventsLock;
                ++locks;
                stack.push_back({child, false});
                continue;
            }
            if (!stack.back().Left) {
                stack.back().Left = true;
                // Its handlers may give it children again: those go too before it does.
                item->FParent->LeaveTree(item, error);
                continue;
            }
            stack.pop_back();
            if (item != Top) {
                --tree->FocusEventsLock;
                --locks;
            }
            item->FParent->FreeChild(item);
        }
    } catch (...) {
        tree->FocusEventsLock = static_cast<Byte>(tree->FocusEventsLock - locks);
        // What an error left stays in the tree and must be deletable again (the items marked as
        // going would be passed over by Clear and by the tree's end).
        for (const TFrame& frame : stack) frame.Item->SetBit(ioDeleting, false);
        throw;
    }
    tree->Refresh().UpdatePending = true;
    tree->MarkRows();
    bracket.Done();
    error.Raise();
}

void TExTreeItem::LeaveTree(TExTreeItem* Child, TExFirstError& Error)
{
    TExTreeModel* tree = FTree;
    if (Child->Hidden()) {
        // A branch taken out of the tree (a deletion put off) left the counts then.
        if (Child->IsAttached()) --tree->HiddenCount;
        Child->SetBit(ioHidden, false);
    }
    // Where focus and anchor go: the sibling before (or after) at the root level, else the parent.
    auto successor = [&]() -> TExTreeItem* {
        if (!IsHiddenRoot()) return this;
        TExTreeItem* prev = Child->GetPrevSibling();
        return prev ? prev : Child->GetNextSibling();
    };
    // Each step is heard out: whatever a handler raises, nothing keeps hold of Child.
    if (tree->Selected() == Child) {
        if (!tree->Destroying) Error.Hear([&] { tree->SetSelected(successor()); });
        tree->ForgetAnchor(Child);
    }
    Error.Hear([&] { Child->SetSelected(false); });
    if (tree->Focused() == Child) Error.Hear([&] { tree->RescueFocus(tree->Destroying ? nullptr : successor()); });
    tree->ForgetFocus(Child);
    if (TExTreeHost* host = tree->Host()) {
        host->ForgetItem(Child);
        if (!tree->Destroying) host->RemoveRow(Child);
    }
    Error.Hear([&] { tree->RaiseItemDelete(Child); });
}

void TExTreeItem::FreeChild(TExTreeItem* Child)
{
    TExTreeModel* tree = FTree;
    if (FChildren) {
        FChildren->Remove(Child);
        FreeChildrenIfEmpty();
    }
    if (Child->IsAttached()) {
        tree->VarHeightCount -= Child->VarHeightShare();
        tree->ListRemoveItem(Child);
    }
    Child->DisposeStaticData();
    Child->FParent = nullptr;
    TObject::Free(Child);
}

void TExTreeItem::Clear()
{
    TExTreeModel* tree = FTree;
    TExTreeOperation op(tree);
    op.Hold(this);
    ++tree->FocusEventsLock;
    try {
        TExUpdateGuard bracket(tree);
        const bool hadChildren = Count() > 0;
        // Last first; a child whose deletion has to wait stays, and handlers may take more.
        for (Integer i = Count() - 1; i >= 0; i = std::min(i - 1, Count() - 1)) DeleteChild(FChildren->FastGet(i));
        FreeChildrenIfEmpty();
        if (hadChildren && FullyExpanded()) tree->MarkRows();
        bracket.Done();
    } catch (...) {
        --tree->FocusEventsLock;
        throw;
    }
    --tree->FocusEventsLock;
}

void TExTreeItem::Delete() { FCollection->DeleteItem(this); }

void TExTreeItem::MoveTo(TExTreeItem* NewParent)
{
    if (NewParent == this) return;
    MoveToIns(NewParent, (NewParent ? NewParent : FHiddenRoot)->Count());
}

void TExTreeItem::MoveToIns(TExTreeItem* NewParent, Integer Index)
{
    if (NewParent == this || IsHiddenRoot() || GetOption(ioDeleting)) return;
    // An item of another tree would end up in two trees' lists, freed by whichever goes first.
    if (NewParent && NewParent->FTree != FTree) throw EExTreeError(exInvItem);
    TExTreeItem* target = NewParent ? NewParent : FHiddenRoot;
    if (target->IsUnder(this)) throw EExTreeError(exRecursiveMove);
    if (!IsAttached()) {
        FCollection->InsertExistingItem(this, NewParent, Index);
        return;
    }
    if (!target->IsAttached()) throw EExTreeError(exInvItem);
    TExTreeModel* tree = FTree;
    TExTreeItem* old = FParent;
    const Integer oldIndex = this->Index();
    const Integer countAfter = target->Count() - (target == old ? 1 : 0);
    const bool append = target == old && Index > oldIndex && Index >= countAfter;
    if (!append && (Index < 0 || Index > countAfter)) throw EExTreeError(ExOutOfBounds);
    TExUpdateGuard bracket(tree);
    const Integer from = GetAbsIndex();
    const Integer to = EndOfBranch();
    old->RemoveChild(this);
    TExTreeItem* after;  // the item whose branch the moved block follows
    if (append) {
        Index = target->Count();
        after = target->GetLastSubItem();
    } else {
        after = Index == 0 ? target : target->FChildren->FastGet(Index - 1)->GetLastSubItem();
    }
    target->CreateChildren();
    target->FChildren->Insert(Index, this);
    tree->ListMove(from, to, tree->IndexOfItem(after) + 1);
    // The children lists changed even where the block stayed in its place.
    tree->InvalidateIndexes(from);
    FParent = target;
    if (FLevel != target->Level() + 1) SetLevels(target->Level() + 1);
    if ((tree->SortMode == smAdd || tree->SortMode == smAddClick) && tree->SortDepth == 0 &&
        (tree->SortSection == -1 || tree->SortSection == tree->MainTreeColumn))
        tree->Refresh().SortPending = true;
    tree->MarkRows();
    tree->Refresh().UpdatePending = true;
    BranchRowsChanged();
    bracket.Done();
}

void TExTreeItem::MoveToItem(TExTreeItem* Item, TNodeAttachMode Mode)
{
    switch (Mode) {
    case naAdd:
        if (!Item) throw EExTreeError(exInvItem);
        MoveTo(Item->Parent());
        break;
    case naAddFirst: MoveToIns(Item ? Item->Parent() : nullptr, 0); break;
    case naAddChild: MoveTo(Item); break;
    case naAddChildFirst: MoveToIns(Item, 0); break;
    case naInsert:
        if (Item)
            MoveToIns(Item->Parent(), Item->Index());
        else
            MoveToIns(nullptr, 0);
        break;
    }
}

void TExTreeItem::Expand(bool Recursive)
{
    TExTreeOperation op(FTree);
    op.Hold(this);
    if (Recursive) op.HoldAll();
    if (!IsHiddenRoot() && !FTree->RaiseItemExpanding(this)) return;
    TExUpdateGuard bracket(FTree);
    ExpandOne();
    if (Recursive) ExpandBranch();
    // The items below were expanded with it: they are fully expanded when it is.
    MeasureHRange(true);
    Rebuild();
    bracket.Done();
}

void TExTreeItem::ExpandOne()
{
    FTree->MarkRows();
    SetStateBit(stExpanded, true);
    if (!IsHiddenRoot()) FTree->RaiseItemExpand(this);
}

// Handlers raised on a walk down a branch may delete, take out or move any item of its stack: after
// each, the walk keeps the frames from its top that are still in place (the top where it was, each
// other the child of the one before) and drops the rest, so it goes on past what a handler took
// out and never into it. The whole stack is looked at only when the tree's structure changed.
class TExTreeItem::TBranchWalkCheck {
public:
    explicit TBranchWalkCheck(TExTreeItem* Top)
        : FTree(Top->Tree()), FStructure(FTree->StructureVersion()), FAttached(Top->IsAttached())
    {
    }
    // False when frames were dropped.
    template <class TFrame>
    bool Keep(std::vector<TFrame>& Stack)
    {
        const bool changed = FTree->StructureVersion() != FStructure;
        FStructure = FTree->StructureVersion();
        // Unchanged, only a taken-out top or a freed item can be out of place, and a freed item's
        // branch went with it: the first frame and the last tell.
        size_t kept = 0;
        if (changed) {
            while (kept < Stack.size() && InPlace(Stack, kept)) ++kept;
        } else if (InPlace(Stack, 0)) {
            kept = Stack.size() > 1 && !InPlace(Stack, Stack.size() - 1) ? Stack.size() - 1 : Stack.size();
        }
        if (changed)
            for (size_t k = 0; k < kept; ++k) Resume(Stack[k]);
        if (kept == Stack.size()) return true;
        Stack.erase(Stack.begin() + static_cast<std::ptrdiff_t>(kept), Stack.end());
        return false;
    }

    // The child a frame goes into next, with the one after it, which the frame goes on to should
    // handlers take the child out.
    template <class TFrame>
    static TExTreeItem* Enter(TFrame& Frame, Integer Index)
    {
        const TExTreeItemList* children = Frame.Item->FChildren;
        Frame.Last = children->FastGet(Index);
        Frame.Following = Index + 1 < children->Count() ? children->FastGet(Index + 1) : nullptr;
        return Frame.Last.Get();
    }

private:
    // A frame goes on after the child it went into last, wherever handlers moved it among its
    // siblings or whichever siblings before it they took out; were that child taken out, from the
    // sibling that followed it.
    template <class TFrame>
    static void Resume(TFrame& Frame)
    {
        const TExTreeItemList* children = Frame.Item->FChildren;
        if (Frame.Next == 0 || !children) return;
        if (Frame.Next <= children->Count() && children->FastGet(Frame.Next - 1) == Frame.Last.Get()) return;
        if (const Integer at = Frame.Last ? children->IndexOf(Frame.Last.Get()) : -1; at >= 0) {
            Frame.Next = at + 1;
        } else if (const Integer after = Frame.Following ? children->IndexOf(Frame.Following.Get()) : -1; after >= 0) {
            Frame.Next = after;
        } else {
            Frame.Next = std::min(Frame.Next - 1, children->Count());
        }
    }

    template <class TFrame>
    bool InPlace(const std::vector<TFrame>& Stack, size_t K) const
    {
        const TExTreeItem* item = Stack[K].Item.Get();
        if (!item || item->GetOption(ioDeleting)) return false;
        if (K == 0) return item->IsAttached() || !FAttached;
        const TExTreeItem* parent = Stack[K - 1].Item.Get();
        return parent && item->Parent() == (parent->IsHiddenRoot() ? nullptr : parent);
    }

    TExTreeModel* FTree;
    Integer FStructure;
    bool FAttached;
};

void TExTreeItem::ExpandBranch()
{
    // Pre-order, each child asked before it expands; a refusing child keeps its branch as it is.
    struct TFrame {
        TGuardPtr<TExTreeItem> Item;
        Integer Next;
        TGuardPtr<TExTreeItem> Last, Following;
    };
    TBranchWalkCheck check(this);
    std::vector<TFrame> stack;
    stack.push_back({this, 0, {}, {}});
    while (!stack.empty()) {
        TExTreeItem* item = stack.back().Item.Get();
        const Integer next = stack.back().Next++;
        if (next >= item->Count()) {
            stack.pop_back();
            continue;
        }
        TExTreeItem* child = TBranchWalkCheck::Enter(stack.back(), next);
        stack.push_back({child, 0, {}, {}});
        const bool expand = FTree->RaiseItemExpanding(child);
        if (!check.Keep(stack)) continue;
        if (!expand) {
            stack.pop_back();
            continue;
        }
        child->ExpandOne();
        check.Keep(stack);
    }
}

void TExTreeItem::Collapse(bool Recursive)
{
    TExTreeOperation op(FTree);
    op.Hold(this);
    if (Recursive) op.HoldAll();
    // Items made from here on are new to the walk.
    const std::uint64_t made = FTree->FItemsMade;
    if (!IsHiddenRoot() && !FTree->RaiseItemCollapsing(this)) return;
    TExUpdateGuard bracket(FTree);
    CollapseOne();
    if (Recursive)
        CollapseBranch(made);
    else if (FTree->DeselectChildrenOnCollapse)
        DeselectBranch(nullptr);
    MeasureHRange(true);
    Rebuild();
    bracket.Done();
}

void TExTreeItem::CollapseOne()
{
    FTree->MarkRows();
    SetStateBit(stExpanded, false);
    if (!IsHiddenRoot()) FTree->RaiseItemCollapse(this);
    // Only with the rescue on is the focus looked for under the item (a walk up from it).
    TExTreeItem* focused = FTree->Focused();
    if (!FTree->MoveFocusOnCollapse || !focused || focused == this || !focused->IsUnder(this)) return;
    TExTreeOperation op(FTree);
    op.Hold(focused);
    if (FTree->SelCount() != 1) {
        FTree->MoveFocus(this, false, false, false);
        return;
    }
    // A lone selection goes with the focus when the collapse hides it; one the user made elsewhere
    // stays (a single-select tree's goes with the focus in any case).
    TExTreeItem* lone = FTree->MultiSelect() ? FTree->Selection().First() : nullptr;
    op.Hold(lone);
    const bool autoExpand = FTree->AutoExpand;
    FTree->AutoExpand = false;
    bool moved;
    try {
        moved = FTree->MoveFocus(this, false, false, false);
    } catch (...) {
        FTree->AutoExpand = autoExpand;
        throw;
    }
    FTree->AutoExpand = autoExpand;
    if (!moved || !lone || lone == this || !lone->IsUnder(this)) return;
    if (!Selected()) FTree->DoSetSelected(this);
    lone->SetSelected(false);
}

void TExTreeItem::CollapseBranch(std::uint64_t Made)
{
    // Pre-order, each child asked before it collapses; an item's children are deselected after
    // all below it have collapsed (as nested collapses would), and a child that collapsed has
    // deselected its own branch already.
    struct TFrame {
        TGuardPtr<TExTreeItem> Item;
        Integer Next;
        std::vector<TExTreeItem*> Done;  // children that collapsed
        TGuardPtr<TExTreeItem> Last, Following;
    };
    const bool deselect = FTree->DeselectChildrenOnCollapse;
    TBranchWalkCheck check(this);
    std::vector<TFrame> stack;
    stack.push_back({this, 0, {}, {}, {}});
    while (!stack.empty()) {
        TExTreeItem* item = stack.back().Item.Get();
        const Integer next = stack.back().Next++;
        if (next >= item->Count()) {
            std::vector<TExTreeItem*> done = std::move(stack.back().Done);
            stack.pop_back();
            if (deselect) item->DeselectBranch(&done);
            check.Keep(stack);
            continue;
        }
        TExTreeItem* child = TBranchWalkCheck::Enter(stack.back(), next);
        // What its handlers added is new and closed: a lazy unloader gives each folder it closes a
        // placeholder child, which the walk would close and go into for ever.
        if (child->Serial() > Made) continue;
        stack.push_back({child, 0, {}, {}, {}});
        const bool collapse = FTree->RaiseItemCollapsing(child);
        if (!check.Keep(stack)) continue;
        if (!collapse) {
            stack.pop_back();
            continue;
        }
        child->CollapseOne();
        if (check.Keep(stack) && deselect) stack[stack.size() - 2].Done.push_back(child);
    }
}

void TExTreeItem::DeselectBranch(const std::vector<TExTreeItem*>* Done)
{
    TExTreeOperation op(FTree);
    op.HoldAll();
    TExTreeItemList& all = FTree->AllItems();
    // In pre-order: each child, then its branch unless the child's own collapse took care of it.
    size_t done = 0;
    for (Integer c = 0; c < Count(); ++c) {
        TExTreeItem* child = FChildren->FastGet(c);
        const bool own = Done && done < Done->size() && (*Done)[done] == child;
        if (own) ++done;
        if (child->Selected()) child->SetSelected(false);
        if (own || child->Count() == 0) continue;
        const Integer from = child->GetAbsIndex() + 1;
        const Integer to = child->EndOfBranch();
        for (Integer i = from; i <= to && i < all.Count(); ++i) {
            TExTreeItem* item = all.FastGet(i);
            if (item->Selected()) item->SetSelected(false);
        }
    }
}

void TExTreeItem::MakeFullyExpanded(bool Value)
{
    if (!Value) return;
    TExTreeOperation op(FTree);
    op.Hold(this);
    std::vector<TExTreeItem*> path;
    for (TExTreeItem* p = Parent(); p; p = p->Parent()) path.push_back(p);
    TExUpdateGuard bracket(FTree);
    // From the top down, each ancestor asked as its own expansion would ask it; the rows that came
    // are measured once, from the topmost that expanded (each on its own would measure all below
    // it again).
    const Integer structure = FTree->StructureVersion();
    TExTreeItem* top = nullptr;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        TExTreeItem* p = *it;
        if (p->Expanded() || !FTree->RaiseItemExpanding(p)) continue;
        p->ExpandOne();
        if (!top) top = p;
    }
    if (top) {
        // Handlers that moved items leave the topmost's branch no measure of what changed.
        (FTree->StructureVersion() == structure ? top : FHiddenRoot)->MeasureHRange(true);
        top->Rebuild();
    }
    bracket.Done();
}

// Copying

void TExTreeItem::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TExTreeItem*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    if (source->IsWithin(this) || IsWithin(source)) {
        // Clearing this item's children would free the source (or the copy would copy itself
        // without end): copy through a snapshot outside the tree. A handler that frees the tree
        // leaves the model to the snapshot's end.
        TExTreeModel* tree = FTree;
        TExTreeOperation op(tree);
        TExTreeItem snapshot(tree);
        snapshot.FCollection = FCollection;
        snapshot.FHiddenRoot = FHiddenRoot;
        if (!tree->IsVirtual()) snapshot.NewStaticData();
        snapshot.AssignFrom(source);
        if (!tree->Destroying) AssignFrom(&snapshot);
        return;
    }
    AssignFrom(source);
}

void TExTreeItem::AssignFrom(TExTreeItem* Source)
{
    // Handlers of the deletions and of virtual texts run while both branches are walked.
    TExTreeOperation op(FTree);
    op.HoldAll();
    TExUpdateGuard bracket(FTree);
    AssignOwn(Source);
    MeasureHRange();
    Clear();
    // Each child's copy is made whole outside the tree, with a stack of its own, and then attached
    // in one piece: the tree's lists and counts take each branch once, however deep it is.
    for (Integer c = 0; c < Source->Count(); ++c) {
        TExTreeItem* copy = CopyOutside(Source->FChildren->FastGet(c));
        AttachBranch(Count(), copy, EndOfBranch() + 1);
    }
    FTree->MarkRows();
    FTree->Refresh().UpdatePending = true;
    bracket.Done();
}

TExTreeItem* TExTreeItem::CopyOutside(TExTreeItem* Source)
{
    TExTreeItem* top = FTree->Items()->CreateItem(FTree);
    top->FCollection = FCollection;
    top->FHiddenRoot = FHiddenRoot;
    try {
        if (!FTree->IsVirtual()) top->NewStaticData();
        top->AssignOwn(Source);
        std::vector<std::pair<TExTreeItem*, TExTreeItem*>> stack{{top, Source}};
        while (!stack.empty()) {
            auto [to, from] = stack.back();
            stack.pop_back();
            for (Integer i = 0; i < from->Count(); ++i) {
                TExTreeItem* child = FTree->Items()->CreateItem(FTree);
                child->FCollection = FCollection;
                to->AttachBranch(to->Count(), child, -1);
                TExTreeItem* source = from->FChildren->FastGet(i);
                child->AssignOwn(source);
                stack.emplace_back(child, source);
            }
        }
    } catch (...) {
        // A handler's error (a virtual text): the copy made so far goes with its branch.
        TObject::Free(top);
        throw;
    }
    return top;
}

void TExTreeItem::AssignOwn(TExTreeItem* Source)
{
    if (FStaticData) {
        FStaticData->Text = Source->Text();
        if (TStringList* columns = Source->ColumnText())
            FStaticData->ColumnText->Assign(columns);
        else
            FStaticData->ColumnText->Clear();
        FStaticData->Hint = Source->Hint();
    }
    // The copied options may hide the item or change its height kind: keep the tree's counts.
    const bool attached = IsAttached();
    if (attached) CountSelf(-1);
    FData = Source->FData;
    FBkColor = Source->FBkColor;
    FColor = Source->FColor;
    FRowBkColor = Source->FRowBkColor;
    constexpr Word OwnStates = (1u << stFocused) | (1u << stSelected);
    FState = static_cast<Word>((Source->FState & ~OwnStates) | (FState & OwnStates));
    // The painter's bits, the marking of a deletion and IsHTML stay this item's own.
    constexpr Cardinal OwnOptions = ioPictureShown | ioPicture2Shown | ioIsHTML | ioDeleting;
    FOptions = (Source->FOptions & ~OwnOptions) | (FOptions & OwnOptions);
    FImageIndex = Source->FImageIndex;
    FStImageIndex = Source->FStImageIndex;
    FImageIndex2 = Source->FImageIndex2;
    FStImageIndex2 = Source->FStImageIndex2;
    FCheckBoxState = Source->FCheckBoxState;
    FCheckBoxType = Source->FCheckBoxType;
    FBorderStyle = Source->FBorderStyle;
    FIndentAdjust = Source->FIndentAdjust;
    FStrikedLineColor = Source->FStrikedLineColor;
    FHeight = Source->FHeight;
    FCachedHeight = Source->FCachedHeight;
    FItemValue = Source->FItemValue;
    FItemValue2 = Source->FItemValue2;
    FDataInterface = Source->FDataInterface;
    if (attached) CountSelf(1);
    SetIsHTML(Source->IsHTML());
    if (FStaticData) {
        FStaticData->MainStyle->Assign(Source->MainStyle());
        delete FStaticData->Styles;
        FStaticData->Styles = nullptr;
        for (Integer i = 0; i < Source->StylesCount(); ++i) AddStyle()->Assign(Source->Styles(i));
    }
}

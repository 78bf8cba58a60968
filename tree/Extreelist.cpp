#include "tree/Extreelist.h"

#include <algorithm>

#include "ctlbase/Exlist.h"
#include "tree/Extreeitem.h"

namespace {
// A block that overflows splits in two halves; blocks built from a run of new entries are filled
// to three quarters, so the next insertions there do not split them at once.
constexpr Integer HalfBlock = TExTreeItemList::MaxBlock / 2;
constexpr Integer FillBlock = TExTreeItemList::MaxBlock * 3 / 4;
// A block below this size is merged with a neighbour when the two fit in half a block.
constexpr Integer SmallBlock = TExTreeItemList::MaxBlock / 4;

Integer SizeOf(const TExItemBlock* Block) { return static_cast<Integer>(Block->Items.size()); }
}  // namespace

TExTreeItemList::TExTreeItemList(TExItemPlace TExTreeItem::*Place) : FPlace(Place) {}

TExTreeItemList::~TExTreeItemList() { Clear(); }

void TExTreeItemList::SetCapacity(Integer Value)
{
    FCapacity = std::max<Integer>(Value, 0);
    FBlocks.reserve(static_cast<size_t>(FCapacity / FillBlock + 1));
}

void TExTreeItemList::CheckIndex(Integer Index) const
{
    if (Index < 0 || Index >= FCount) TExList::Error(ctlbase::ListIndexOutOfBounds, Index);
}

TExTreeItem* TExTreeItemList::Get(Integer Index) const
{
    CheckIndex(Index);
    return FastGet(Index);
}

void TExTreeItemList::SumStarts(Integer UpTo) const
{
    Integer i = FStartsValid;
    if (i > UpTo) return;
    Integer start = i == 0 ? 0 : FBlocks[static_cast<size_t>(i - 1)]->Start + SizeOf(FBlocks[static_cast<size_t>(i - 1)]);
    for (; i <= UpTo; ++i) {
        FBlocks[static_cast<size_t>(i)]->Start = start;
        start += SizeOf(FBlocks[static_cast<size_t>(i)]);
    }
    FStartsValid = i;
}

Integer TExTreeItemList::StartOf(const TExItemBlock* Block) const
{
    SumStarts(Block->Index);
    return Block->Start;
}

TExItemBlock* TExTreeItemList::Locate(Integer Index, Integer& Slot) const
{
    if (FBlocks.empty()) {
        Slot = 0;
        return nullptr;
    }
    if (Index >= FCount) {
        TExItemBlock* last = FBlocks.back();
        Slot = SizeOf(last);
        return last;
    }
    const TExItemBlock* c = FCursor;
    if (c && c->Index < FStartsValid && Index >= c->Start && Index - c->Start < SizeOf(c)) {
        Slot = Index - c->Start;
        return FBlocks[static_cast<size_t>(c->Index)];
    }
    const Integer valid = FStartsValid;
    const TExItemBlock* lastValid = valid > 0 ? FBlocks[static_cast<size_t>(valid - 1)] : nullptr;
    const Integer validEnd = lastValid ? lastValid->Start + SizeOf(lastValid) : 0;
    Integer bi;
    if (Index < validEnd) {
        auto it = std::upper_bound(FBlocks.begin(), FBlocks.begin() + valid, Index,
                                   [](Integer Value, const TExItemBlock* Block) { return Value < Block->Start; });
        bi = static_cast<Integer>(it - FBlocks.begin()) - 1;
    } else {
        // Sum the starts on only as far as the block that holds Index.
        Integer start = validEnd;
        for (bi = valid;; ++bi) {
            TExItemBlock* b = FBlocks[static_cast<size_t>(bi)];
            b->Start = start;
            if (Index < start + SizeOf(b)) break;
            start += SizeOf(b);
        }
        FStartsValid = bi + 1;
    }
    TExItemBlock* b = FBlocks[static_cast<size_t>(bi)];
    FCursor = b;
    Slot = Index - b->Start;
    return b;
}

TExTreeItem* TExTreeItemList::SlowGet(Integer Index) const
{
    Integer slot;
    TExItemBlock* b = Locate(Index, slot);
    return b->Items[static_cast<size_t>(slot)];
}

Integer TExTreeItemList::SlotOf(const TExTreeItem* Item) const
{
    if (!Item) return -1;
    const TExItemPlace& place = Item->*FPlace;
    const TExItemBlock* b = place.Block;
    if (!b || b->Owner != this) return -1;
    const auto& items = b->Items;
    const Integer n = SizeOf(b);
    Integer slot = place.Slot;
    if (slot >= 0 && slot < n && items[static_cast<size_t>(slot)] == Item) return slot;
    // Entries move a few slots at a time as their neighbours come and go: look near the hint.
    const Integer hint = std::clamp<Integer>(slot, 0, n - 1);
    for (Integer d = 0; hint - d >= 0 || hint + d < n; ++d) {
        for (Integer at : {hint + d, hint - d}) {
            if (at >= 0 && at < n && items[static_cast<size_t>(at)] == Item) {
                place.Slot = at;
                return at;
            }
        }
    }
    return -1;
}

Integer TExTreeItemList::IndexOf(const TExTreeItem* Item) const
{
    const Integer slot = SlotOf(Item);
    return slot < 0 ? -1 : StartOf((Item->*FPlace).Block) + slot;
}

void TExTreeItemList::Renumber(Integer FromBlock)
{
    for (size_t i = static_cast<size_t>(FromBlock); i < FBlocks.size(); ++i) FBlocks[i]->Index = static_cast<Integer>(i);
}

void TExTreeItemList::Changed(const TExItemBlock* Block) { FStartsValid = std::min(FStartsValid, Block->Index + 1); }

TExItemBlock* TExTreeItemList::NewBlockAt(Integer BlockIndex)
{
    auto* b = new TExItemBlock{this, BlockIndex, 0, {}};
    FBlocks.insert(FBlocks.begin() + BlockIndex, b);
    Renumber(BlockIndex);
    FStartsValid = std::min(FStartsValid, BlockIndex);
    return b;
}

void TExTreeItemList::RemoveBlock(TExItemBlock* Block)
{
    const Integer at = Block->Index;
    FBlocks.erase(FBlocks.begin() + at);
    if (FCursor == Block) FCursor = nullptr;
    delete Block;
    Renumber(at);
    FStartsValid = std::min(FStartsValid, at);
}

void TExTreeItemList::Place(TExItemBlock* Block, Integer Slot)
{
    TExItemPlace& place = Block->Items[static_cast<size_t>(Slot)]->*FPlace;
    place.Block = Block;
    place.Slot = Slot;
}

void TExTreeItemList::Unplace(TExTreeItem* Item)
{
    TExItemPlace& place = Item->*FPlace;
    place.Block = nullptr;
    place.Slot = 0;
}

void TExTreeItemList::Split(TExItemBlock* Block)
{
    const Integer half = SizeOf(Block) / 2;
    TExItemBlock* right = NewBlockAt(Block->Index + 1);
    right->Items.assign(Block->Items.begin() + half, Block->Items.end());
    Block->Items.resize(static_cast<size_t>(half));
    for (Integer j = 0; j < SizeOf(right); ++j) Place(right, j);
    Changed(Block);
}

void TExTreeItemList::MergeSmall(TExItemBlock* Block)
{
    if (SizeOf(Block) >= SmallBlock) return;
    const size_t at = static_cast<size_t>(Block->Index);
    TExItemBlock* into = nullptr;
    TExItemBlock* from = nullptr;
    if (at + 1 < FBlocks.size() && SizeOf(Block) + SizeOf(FBlocks[at + 1]) <= HalfBlock) {
        into = Block;
        from = FBlocks[at + 1];
    } else if (at > 0 && SizeOf(Block) + SizeOf(FBlocks[at - 1]) <= HalfBlock) {
        into = FBlocks[at - 1];
        from = Block;
    } else {
        return;
    }
    const Integer base = SizeOf(into);
    into->Items.insert(into->Items.end(), from->Items.begin(), from->Items.end());
    for (Integer j = base; j < SizeOf(into); ++j) Place(into, j);
    Changed(into);
    RemoveBlock(from);
}

void TExTreeItemList::Insert(Integer Index, TExTreeItem* Item)
{
    if (Index < 0 || Index > FCount) TExList::Error(ctlbase::ListIndexOutOfBounds, Index);
    Integer slot;
    TExItemBlock* b = Locate(Index, slot);
    if (!b) {
        b = NewBlockAt(0);
        slot = 0;
    } else if (SizeOf(b) >= MaxBlock) {
        if (slot == SizeOf(b)) {
            // Appending to the whole list: a new block rather than two half-empty ones.
            b = NewBlockAt(b->Index + 1);
            slot = 0;
        } else {
            Split(b);
            if (slot > SizeOf(b)) {
                slot -= SizeOf(b);
                b = FBlocks[static_cast<size_t>(b->Index + 1)];
            }
        }
    }
    b->Items.insert(b->Items.begin() + slot, Item);
    Place(b, slot);
    ++FCount;
    Changed(b);
}

void TExTreeItemList::InsertBlock(Integer Index, TExTreeItem* const* Items, Integer Count)
{
    if (Count <= 0) return;
    if (Index < 0 || Index > FCount) TExList::Error(ctlbase::ListIndexOutOfBounds, Index);
    if (Count == 1) {
        Insert(Index, Items[0]);
        return;
    }
    Integer slot;
    TExItemBlock* b = Locate(Index, slot);
    if (!b) {
        b = NewBlockAt(0);
        slot = 0;
    }
    Changed(b);
    if (SizeOf(b) + Count <= MaxBlock) {
        b->Items.insert(b->Items.begin() + slot, Items, Items + Count);
        for (Integer j = slot; j < SizeOf(b); ++j) Place(b, j);
        FCount += Count;
        return;
    }
    // The new entries and the block's tail fill this block and new ones after it.
    std::vector<TExTreeItem*> tail(b->Items.begin() + slot, b->Items.end());
    b->Items.resize(static_cast<size_t>(slot));
    auto put = [&](TExTreeItem* Item) {
        if (SizeOf(b) >= FillBlock) b = NewBlockAt(b->Index + 1);
        b->Items.push_back(Item);
        Place(b, SizeOf(b) - 1);
    };
    for (Integer i = 0; i < Count; ++i) put(Items[i]);
    for (TExTreeItem* item : tail) put(item);
    FCount += Count;
    Changed(b);
}

void TExTreeItemList::Put(Integer Index, TExTreeItem* Item)
{
    CheckIndex(Index);
    Integer slot;
    TExItemBlock* b = Locate(Index, slot);
    TExTreeItem* old = b->Items[static_cast<size_t>(slot)];
    b->Items[static_cast<size_t>(slot)] = Item;
    Place(b, slot);
    // While a permutation is written entry by entry, the old entry may stand elsewhere already.
    if (old != Item && (old->*FPlace).Block == b && std::find(b->Items.begin(), b->Items.end(), old) == b->Items.end())
        Unplace(old);
}

void TExTreeItemList::Delete(Integer Index)
{
    CheckIndex(Index);
    Integer slot;
    TExItemBlock* b = Locate(Index, slot);
    DeleteAt(b, slot);
}

void TExTreeItemList::Remove(const TExTreeItem* Item)
{
    const Integer slot = SlotOf(Item);
    if (slot >= 0) DeleteAt((Item->*FPlace).Block, slot);
}

void TExTreeItemList::DeleteAt(TExItemBlock* b, Integer slot)
{
    Unplace(b->Items[static_cast<size_t>(slot)]);
    b->Items.erase(b->Items.begin() + slot);
    --FCount;
    Changed(b);
    if (b->Items.empty())
        RemoveBlock(b);
    else
        MergeSmall(b);
}

void TExTreeItemList::DeleteRange(Integer From, Integer To)
{
    if (To < From) return;
    CheckIndex(From);
    CheckIndex(To);
    Integer left = To - From + 1;
    Integer slot;
    TExItemBlock* b = Locate(From, slot);
    while (left > 0) {
        const Integer take = std::min(left, SizeOf(b) - slot);
        for (Integer j = slot; j < slot + take; ++j) Unplace(b->Items[static_cast<size_t>(j)]);
        b->Items.erase(b->Items.begin() + slot, b->Items.begin() + slot + take);
        left -= take;
        FCount -= take;
        Changed(b);
        const size_t next = static_cast<size_t>(b->Index) + 1;
        TExItemBlock* following = next < FBlocks.size() ? FBlocks[next] : nullptr;
        if (b->Items.empty()) RemoveBlock(b);
        b = following;
        slot = 0;
    }
    // The blocks on either side of the gap may be small now.
    for (Integer at : {From, From - 1}) {
        if (at < 0 || at >= FCount) continue;
        Integer s;
        MergeSmall(Locate(at, s));
    }
}

void TExTreeItemList::Move(Integer From, Integer To, Integer Dest)
{
    if (Dest >= From && Dest <= To + 1) return;
    CheckIndex(From);
    CheckIndex(To);
    if (Dest < 0 || Dest > FCount) TExList::Error(ctlbase::ListIndexOutOfBounds, Dest);
    const Integer count = To - From + 1;
    std::vector<TExTreeItem*> moved;
    moved.reserve(static_cast<size_t>(count));
    for (Integer i = From; i <= To; ++i) moved.push_back(FastGet(i));
    DeleteRange(From, To);
    if (Dest > To) Dest -= count;
    InsertBlock(Dest, moved.data(), count);
}

void TExTreeItemList::Clear()
{
    for (TExItemBlock* b : FBlocks) {
        for (TExTreeItem* item : b->Items) Unplace(item);
        delete b;
    }
    FBlocks.clear();
    FCount = 0;
    FStartsValid = 0;
    FCursor = nullptr;
}

// TExTreeItemList: an ordered list of items cut into blocks of at most MaxBlock entries, so that an
// insertion or deletion anywhere moves at most one block's entries, and an item finds its own
// position through the block it stands in instead of a search of the whole list.
//
// Each item keeps, per list it belongs to, a place: its block and a hint of its slot there. The
// block starts (the position of each block's first entry) are summed lazily: a change in block b
// leaves the starts of the blocks before b right, and the first lookup past b sums them again,
// which costs one step per block, not per item. Sequential reads (FastGet(i), FastGet(i + 1), ...)
// stay in the block they read last.
//
// Costs with n entries and B = MaxBlock: insert, delete and IndexOf O(B + n / B); FastGet O(1)
// when near the last read, O(log(n / B)) otherwise (after at most one O(n / B) re-summing).
#pragma once

#include <vector>

#include "platform/Types.h"

class TExTreeItem;
class TExTreeItemList;

struct TExItemBlock {
    TExTreeItemList* Owner;
    Integer Index;  // in the owner's block vector
    Integer Start;  // position of Items[0]; right only while Index < the owner's FStartsValid
    std::vector<TExTreeItem*> Items;
};

// Where an item stands in one list. Slot is a hint, checked before use.
struct TExItemPlace {
    TExItemBlock* Block = nullptr;
    mutable Integer Slot = 0;
};

class TExTreeItemList {
public:
    static constexpr Integer MaxBlock = 256;

    // Place: the member of TExTreeItem that holds an item's place in this kind of list.
    explicit TExTreeItemList(TExItemPlace TExTreeItem::*Place);
    TExTreeItemList(const TExTreeItemList&) = delete;
    TExTreeItemList& operator=(const TExTreeItemList&) = delete;
    // The entries leave the list (their places are cleared); nothing is freed.
    ~TExTreeItemList();

    Integer Count() const { return FCount; }
    // Room reserved for this many entries (never below Count).
    Integer Capacity() const { return FCapacity > FCount ? FCapacity : FCount; }
    void SetCapacity(Integer Value);

    // No index check: callers keep Index inside 0..Count-1.
    TExTreeItem* FastGet(Integer Index) const
    {
        const TExItemBlock* b = FCursor;
        if (b && b->Index < FStartsValid && Index >= b->Start &&
            Index - b->Start < static_cast<Integer>(b->Items.size()))
            return b->Items[static_cast<size_t>(Index - b->Start)];
        return SlowGet(Index);
    }
    // Raises the list's index error outside 0..Count-1.
    TExTreeItem* Get(Integer Index) const;
    TExTreeItem* First() const { return FBlocks.front()->Items.front(); }
    TExTreeItem* Last() const { return FBlocks.back()->Items.back(); }
    // Position of Item, -1 when it is not in this list.
    Integer IndexOf(const TExTreeItem* Item) const;

    void Add(TExTreeItem* Item) { Insert(FCount, Item); }
    void Insert(Integer Index, TExTreeItem* Item);
    // Inserts Count entries so that the first stands at Index.
    void InsertBlock(Integer Index, TExTreeItem* const* Items, Integer Count);
    void Put(Integer Index, TExTreeItem* Item);
    void Delete(Integer Index);
    // Takes Item out, found through its place (nothing when it is not in this list): no position is
    // summed, so taking entries from anywhere costs one block's work each.
    void Remove(const TExTreeItem* Item);
    void DeleteRange(Integer From, Integer To);
    // Moves From..To to stand just before the entry at Dest (Dest = Count: to the end).
    void Move(Integer From, Integer To, Integer Dest);
    void Clear();

    // Number of blocks (for tests of the block upkeep).
    Integer BlockCount() const { return static_cast<Integer>(FBlocks.size()); }

private:
    TExTreeItem* SlowGet(Integer Index) const;
    // Item's slot in its block, -1 when it is not in this list.
    Integer SlotOf(const TExTreeItem* Item) const;
    void DeleteAt(TExItemBlock* Block, Integer Slot);
    void CheckIndex(Integer Index) const;
    void SumStarts(Integer UpTo) const;
    Integer StartOf(const TExItemBlock* Block) const;
    // The block holding Index and the slot there; Index = Count gives the end of the last block.
    TExItemBlock* Locate(Integer Index, Integer& Slot) const;
    TExItemBlock* NewBlockAt(Integer BlockIndex);
    void RemoveBlock(TExItemBlock* Block);
    void Renumber(Integer FromBlock);
    void Changed(const TExItemBlock* Block);
    void Place(TExItemBlock* Block, Integer Slot);
    void Unplace(TExTreeItem* Item);
    void Split(TExItemBlock* Block);
    void MergeSmall(TExItemBlock* Block);

    TExItemPlace TExTreeItem::*FPlace;
    std::vector<TExItemBlock*> FBlocks;
    Integer FCount = 0;
    Integer FCapacity = 0;
    // Blocks below this index have their Start right.
    mutable Integer FStartsValid = 0;
    // The block read last.
    mutable const TExItemBlock* FCursor = nullptr;
};

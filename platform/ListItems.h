// The items of a list window: text, data, height and selection, in blocks so that inserting into a
// long list moves only one block. Two Fenwick trees over the blocks (their sizes and how many of
// their items are selected) find the block of an index, and the next selected or unselected item,
// in logarithmic time; a cursor on the last block found makes a walk in order cost nothing more.
// Invariants: FCount is the sum of the blocks' sizes, FSelCount of their Selected counts, and a
// block's Selected count is the number of its items with Selected set; no block is empty.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace morvik::stdctl {

struct TListItem {
    std::string Text;
    std::uintptr_t Data = 0;
    int Height = 0;  // owner-drawn items of variable height
    bool Selected = false;
};

class TItemSeq {
public:
    int Count() const { return FCount; }
    // Callers keep Index inside 0..Count-1.
    const TListItem& At(int Index) const;
    void SetData(int Index, std::uintptr_t Data) { Item(Index).Data = Data; }
    void SetHeight(int Index, int Height) { Item(Index).Height = Height; }
    // True when the item's selection changed.
    bool SetSelected(int Index, bool Value);
    int SelCount() const { return FSelCount; }
    // The first selected (or unselected) item at From or after it; -1 when there is none.
    int NextSelected(int From) const { return Next(From, true); }
    int NextUnselected(int From) const { return Next(From, false); }
    void Insert(int Index, TListItem Item);
    void Erase(int Index);
    void Clear();
    // Where Text goes in a list kept sorted by Less (after equal ones).
    int SortedPosition(const std::string& Text,
                       const std::function<bool(const std::string&, const std::string&)>& Less) const;

private:
    struct TBlock {
        std::vector<TListItem> Items;
        int Selected = 0;
    };
    TListItem& Item(int Index);
    // The block holding Index (0..Count-1) and the index of its first item.
    void Locate(int Index, size_t& Block, int& Start) const;
    int Next(int From, bool Selected) const;
    enum TKind { kAll, kSelected, kUnselected };
    // The items of that kind in blocks 0..B-1.
    int Before(size_t B, TKind Kind) const;
    // The first block by whose end more than N items of that kind have come; the block count when
    // there are not that many.
    size_t BlockPast(int N, TKind Kind) const;
    void Trees() const;
    void AddToTrees(size_t Block, int Size, int Selected);
    void Restructured();

    std::vector<TBlock> FBlocks;
    int FCount = 0;
    int FSelCount = 0;
    // 1-based Fenwick trees by block: node i covers the blocks (i - lowbit(i), i].
    mutable std::vector<int> FSizeTree, FSelTree;
    mutable bool FTreesValid = true;
    mutable size_t FCursor = 0;  // a block index; FCursorStart is its first item's index
    mutable int FCursorStart = -1;
};

}  // namespace morvik::stdctl

// TBlockSeq: a sequence kept in blocks, so that inserting or erasing anywhere moves the entries of
// one block only. Two Fenwick trees over the blocks (their sizes, and how many of their entries a
// Counter counts: the selected items of a list, say) find the block of a position, and the next
// counted or uncounted entry, in logarithmic time; a cursor on the last block found makes a walk in
// order cost nothing more.
//
// Invariants: FCount is the sum of the blocks' sizes and FCounted of their Counted numbers; a
// block's Counted is the number of its entries that Counter::Of counts; no block is empty. While
// FTreesValid, FSizeTree[i] and FCountTree[i] (1-based) sum the blocks (i - lowbit(i), i]. While
// FCursorStart >= 0, block FCursor begins at position FCursorStart.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

// Counts nothing.
struct TCountNone {
    template <class T>
    static bool Of(const T&)
    {
        return false;
    }
};

template <class T, class Counter = TCountNone>
class TBlockSeq {
public:
    int Count() const { return FCount; }
    int CountedTotal() const { return FCounted; }
    // Callers keep Index inside 0..Count-1.
    const T& At(int Index) const
    {
        size_t b;
        int start;
        Locate(Index, b, start);
        return FBlocks[b].Items[size_t(Index - start)];
    }
    // For changes the counter does not see.
    T& Ref(int Index) { return const_cast<T&>(std::as_const(*this).At(Index)); }
    // Changes the entry through Fn, the counts with it; true when it is counted otherwise now.
    template <class F>
    bool Change(int Index, F&& Fn)
    {
        size_t b;
        int start;
        Locate(Index, b, start);
        T& item = FBlocks[b].Items[size_t(Index - start)];
        const bool was = Counter::Of(item);
        Fn(item);
        const bool is = Counter::Of(item);
        if (was == is)
            return false;
        const int d = is ? 1 : -1;
        FBlocks[b].Counted += d;
        FCounted += d;
        AddToTrees(b, 0, d);
        return true;
    }
    // The first entry at From or after it that is counted (or, Counted false, not counted); -1
    // when there is none.
    int Next(int From, bool Counted) const
    {
        From = std::max(0, From);
        const int wanted = Counted ? FCounted : FCount - FCounted;
        if (From >= FCount || wanted == 0)
            return -1;
        // Within a block the entries are looked at; the blocks between are skipped by their counts.
        auto scan = [&](size_t B, int Start, int Offset) {
            const TBlock& block = FBlocks[B];
            if ((Counted ? block.Counted : int(block.Items.size()) - block.Counted) > 0)
                for (size_t i = size_t(Offset); i < block.Items.size(); ++i)
                    if (Counter::Of(block.Items[i]) == Counted)
                        return Start + int(i);
            return -1;
        };
        size_t b;
        int start;
        Locate(From, b, start);
        if (const int found = scan(b, start, From - start); found >= 0)
            return found;
        const TKind kind = Counted ? kCounted : kUncounted;
        const int upTo = Before(b + 1, kind);
        if (upTo >= wanted)
            return -1;
        const size_t c = BlockPast(upTo, kind);
        return scan(c, Before(c, kAll), 0);
    }
    void Insert(int Index, T Item)
    {
        if (FBlocks.empty()) {
            FBlocks.emplace_back();
            Restructured();
        }
        size_t b;
        int start;
        if (Index >= FCount) {
            b = FBlocks.size() - 1;
            start = FCount - int(FBlocks[b].Items.size());
            Index = FCount;
        } else {
            Index = std::max(0, Index);
            Locate(Index, b, start);
        }
        const int counted = Counter::Of(Item) ? 1 : 0;
        TBlock& block = FBlocks[b];
        block.Items.insert(block.Items.begin() + (Index - start), std::move(Item));
        block.Counted += counted;
        FCounted += counted;
        ++FCount;
        AddToTrees(b, 1, counted);
        if (block.Items.size() > 2 * kBlockSize) {
            TBlock tail;
            tail.Items.assign(std::make_move_iterator(block.Items.begin() + kBlockSize),
                              std::make_move_iterator(block.Items.end()));
            block.Items.resize(kBlockSize);
            for (const T& i : tail.Items)
                tail.Counted += Counter::Of(i) ? 1 : 0;
            block.Counted -= tail.Counted;
            FBlocks.insert(FBlocks.begin() + std::ptrdiff_t(b) + 1, std::move(tail));
            Restructured();
        }
    }
    void Erase(int Index)
    {
        size_t b;
        int start;
        Locate(Index, b, start);
        TBlock& block = FBlocks[b];
        const int counted = Counter::Of(block.Items[size_t(Index - start)]) ? 1 : 0;
        block.Items.erase(block.Items.begin() + (Index - start));
        block.Counted -= counted;
        FCounted -= counted;
        --FCount;
        if (block.Items.empty()) {
            FBlocks.erase(FBlocks.begin() + std::ptrdiff_t(b));
            Restructured();
            return;
        }
        AddToTrees(b, -1, -counted);
    }
    void Clear()
    {
        FBlocks.clear();
        FCount = FCounted = 0;
        Restructured();
    }
    // The first position whose entry comes after Key (Less(Key, entry)), in a sequence kept in
    // that order.
    template <class K, class L>
    int UpperBound(const K& Key, L&& Less) const
    {
        // The blocks are in order too: the first whose last entry comes after Key holds the place.
        const auto it = std::partition_point(FBlocks.begin(), FBlocks.end(),
                                             [&](const TBlock& b) { return !Less(Key, b.Items.back()); });
        if (it == FBlocks.end())
            return FCount;
        const auto at = std::upper_bound(it->Items.begin(), it->Items.end(), Key, Less);
        return Before(size_t(it - FBlocks.begin()), kAll) + int(at - it->Items.begin());
    }

private:
    static constexpr size_t kBlockSize = 512;
    struct TBlock {
        std::vector<T> Items;
        int Counted = 0;
    };
    enum TKind { kAll, kCounted, kUncounted };
    static int LowBit(int I) { return I & -I; }

    void Trees() const
    {
        if (FTreesValid)
            return;
        const int n = int(FBlocks.size());
        FSizeTree.assign(size_t(n) + 1, 0);
        FCountTree.assign(size_t(n) + 1, 0);
        for (int i = 1; i <= n; ++i) {
            FSizeTree[size_t(i)] += int(FBlocks[size_t(i) - 1].Items.size());
            FCountTree[size_t(i)] += FBlocks[size_t(i) - 1].Counted;
            if (const int up = i + LowBit(i); up <= n) {
                FSizeTree[size_t(up)] += FSizeTree[size_t(i)];
                FCountTree[size_t(up)] += FCountTree[size_t(i)];
            }
        }
        FTreesValid = true;
    }
    void AddToTrees(size_t Block, int Size, int Counted)
    {
        if (!FTreesValid)
            return;
        const int n = int(FBlocks.size());
        for (int i = int(Block) + 1; i <= n; i += LowBit(i)) {
            FSizeTree[size_t(i)] += Size;
            FCountTree[size_t(i)] += Counted;
        }
    }
    // Blocks came or went: the trees and the cursor are made anew when next needed.
    void Restructured()
    {
        FTreesValid = false;
        FCursorStart = -1;
    }
    int Value(size_t Node, TKind Kind) const
    {
        return Kind == kAll       ? FSizeTree[Node]
               : Kind == kCounted ? FCountTree[Node]
                                  : FSizeTree[Node] - FCountTree[Node];
    }
    // The entries of that kind in blocks 0..B-1.
    int Before(size_t B, TKind Kind) const
    {
        Trees();
        int sum = 0;
        for (int i = int(B); i > 0; i -= LowBit(i))
            sum += Value(size_t(i), Kind);
        return sum;
    }
    // The first block by whose end more than N entries of that kind have come (the block count
    // when there are not that many).
    size_t BlockPast(int N, TKind Kind) const
    {
        Trees();
        const int n = int(FBlocks.size());
        int step = 1;
        while (step <= n / 2)
            step *= 2;
        int pos = 0, rest = N;
        for (; step > 0; step /= 2)
            if (pos + step <= n && Value(size_t(pos + step), Kind) <= rest) {
                pos += step;
                rest -= Value(size_t(pos), Kind);
            }
        return size_t(pos);
    }
    // The block holding Index (0..Count-1) and the position of its first entry.
    void Locate(int Index, size_t& Block, int& Start) const
    {
        // In order: the cursor's block or the one after it; anything else through the tree.
        if (FCursorStart >= 0 && Index >= FCursorStart) {
            const int end = FCursorStart + int(FBlocks[FCursor].Items.size());
            if (Index < end) {
                Block = FCursor;
                Start = FCursorStart;
                return;
            }
            if (FCursor + 1 < FBlocks.size() && Index < end + int(FBlocks[FCursor + 1].Items.size())) {
                Block = ++FCursor;
                Start = FCursorStart = end;
                return;
            }
        }
        Block = BlockPast(Index, kAll);
        Start = Before(Block, kAll);
        FCursor = Block;
        FCursorStart = Start;
    }

    std::vector<TBlock> FBlocks;
    int FCount = 0;
    int FCounted = 0;
    mutable std::vector<int> FSizeTree, FCountTree;
    mutable bool FTreesValid = true;
    mutable size_t FCursor = 0;
    mutable int FCursorStart = -1;
};

// TOrderedSlots: a list of non-null pointers that keeps its order and takes an entry out from
// anywhere in constant time, for the children of a key that programs delete one by one, in any
// order. Each entry knows its slot (SlotOf::Set tells it); taking it out leaves a hole there. The
// holes are counted in a Fenwick tree, so the entry of a rank is found in logarithmic time while
// holes are left, and squeezed out once they outnumber the entries (which pays for the squeeze).
//
// Invariants: FSlots.size() == FLive + FHoles; the last slot is never a hole; FTree is either empty
// (only while FHoles == 0) or one longer than FSlots, FTree[i] (1-based) counting the entries in
// slots (i - lowbit(i), i]. Once made, the tree is kept until a squeeze, also when removals at the
// end take the last holes with them: made anew each time, removals that alternate between the
// last two slots would cost the whole list each.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

template <class T, class SlotOf>
class TOrderedSlots {
public:
    std::size_t Count() const { return FLive; }
    bool Empty() const { return FLive == 0; }

    // The entry of Rank (0-based, below Count).
    const T& operator[](std::size_t Rank) const { return FSlots[FHoles == 0 ? Rank : Select(Rank)]; }

    void Append(T Item)
    {
        const std::size_t slot = FSlots.size();
        SlotOf::Set(Item, slot);
        FSlots.push_back(std::move(Item));
        ++FLive;
        if (!FTree.empty()) TreeAppend(1);
    }

    // Takes out the entry in Slot and hands it back.
    T Remove(std::size_t Slot)
    {
        T item = std::move(FSlots[Slot]);
        FSlots[Slot] = T();
        --FLive;
        if (Slot + 1 == FSlots.size()) {
            // No hole at the end: the slot goes, with the holes before it.
            FSlots.pop_back();
            if (!FTree.empty()) FTree.pop_back();
            while (!FSlots.empty() && !FSlots.back()) {
                FSlots.pop_back();
                FTree.pop_back();
                --FHoles;
            }
        } else {
            if (FTree.empty())
                BuildTree();  // counts the slot as empty already
            else
                for (std::size_t i = Slot + 1; i < FTree.size(); i += LowBit(i)) --FTree[i];
            ++FHoles;
            if (FHoles > FLive) Squeeze();
        }
        return item;
    }

    // Hands every entry out in order and leaves the list empty.
    std::vector<T> TakeAll()
    {
        std::vector<T> out;
        out.reserve(FLive);
        for (T& s : FSlots)
            if (s) out.push_back(std::move(s));
        FSlots.clear();
        FTree.clear();
        FLive = FHoles = 0;
        return out;
    }

    // F(const T&) for every entry in order.
    template <class F>
    void ForEach(F&& Fn) const
    {
        for (const T& s : FSlots)
            if (s) Fn(s);
    }

private:
    static std::size_t LowBit(std::size_t I) { return I & (~I + 1); }

    void BuildTree()
    {
        FTree.assign(FSlots.size() + 1, 0);
        for (std::size_t i = 1; i < FTree.size(); ++i) {
            FTree[i] += FSlots[i - 1] ? 1 : 0;
            const std::size_t up = i + LowBit(i);
            if (up < FTree.size()) FTree[up] += FTree[i];
        }
    }

    // FTree grows by one slot holding Value.
    void TreeAppend(std::size_t Value)
    {
        const std::size_t i = FTree.size();
        std::size_t sum = Value;
        for (std::size_t j = i - 1; j > i - LowBit(i); j -= LowBit(j)) sum += FTree[j];
        FTree.push_back(sum);
    }

    // The slot holding the entry of Rank: the first slot whose running count exceeds Rank.
    std::size_t Select(std::size_t Rank) const
    {
        const std::size_t n = FTree.size() - 1;
        std::size_t step = 1;
        while (step * 2 <= n) step *= 2;
        std::size_t pos = 0;
        std::size_t left = Rank + 1;
        for (; step > 0; step /= 2) {
            if (pos + step <= n && FTree[pos + step] < left) {
                pos += step;
                left -= FTree[pos];
            }
        }
        return pos;
    }

    void Squeeze()
    {
        std::size_t to = 0;
        for (std::size_t from = 0; from < FSlots.size(); ++from) {
            if (!FSlots[from]) continue;
            if (to != from) FSlots[to] = std::move(FSlots[from]);
            SlotOf::Set(FSlots[to], to);
            ++to;
        }
        FSlots.resize(to);
        FTree.clear();
        FHoles = 0;
    }

    std::vector<T> FSlots;
    std::vector<std::size_t> FTree;
    std::size_t FLive = 0;
    std::size_t FHoles = 0;
};

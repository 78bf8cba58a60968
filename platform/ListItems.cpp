#include "platform/ListItems.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace morvik::stdctl {

namespace {
constexpr size_t kBlockSize = 512;
int LowBit(int I) { return I & -I; }
}  // namespace

void TItemSeq::Trees() const
{
    if (FTreesValid)
        return;
    const int n = int(FBlocks.size());
    FSizeTree.assign(size_t(n) + 1, 0);
    FSelTree.assign(size_t(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        FSizeTree[size_t(i)] += int(FBlocks[size_t(i) - 1].Items.size());
        FSelTree[size_t(i)] += FBlocks[size_t(i) - 1].Selected;
        if (const int up = i + LowBit(i); up <= n) {
            FSizeTree[size_t(up)] += FSizeTree[size_t(i)];
            FSelTree[size_t(up)] += FSelTree[size_t(i)];
        }
    }
    FTreesValid = true;
}

void TItemSeq::AddToTrees(size_t Block, int Size, int Selected)
{
    if (!FTreesValid)
        return;
    const int n = int(FBlocks.size());
    for (int i = int(Block) + 1; i <= n; i += LowBit(i)) {
        FSizeTree[size_t(i)] += Size;
        FSelTree[size_t(i)] += Selected;
    }
}

void TItemSeq::Restructured()
{
    FTreesValid = false;
    FCursorStart = -1;
}

int TItemSeq::Before(size_t B, TKind Kind) const
{
    Trees();
    int all = 0, selected = 0;
    for (int i = int(B); i > 0; i -= LowBit(i)) {
        all += FSizeTree[size_t(i)];
        selected += FSelTree[size_t(i)];
    }
    return Kind == kAll ? all : Kind == kSelected ? selected : all - selected;
}

size_t TItemSeq::BlockPast(int N, TKind Kind) const
{
    Trees();
    const int n = int(FBlocks.size());
    int step = 1;
    while (step <= n / 2)
        step *= 2;
    int pos = 0, rest = N;
    for (; step > 0; step /= 2) {
        if (pos + step > n)
            continue;
        const size_t node = size_t(pos + step);
        const int v = Kind == kAll        ? FSizeTree[node]
                      : Kind == kSelected ? FSelTree[node]
                                          : FSizeTree[node] - FSelTree[node];
        if (v <= rest) {
            pos += step;
            rest -= v;
        }
    }
    return size_t(pos);
}

void TItemSeq::Locate(int Index, size_t& Block, int& Start) const
{
    // In order, the cursor's block or the one after it; anything else through the tree.
    if (FCursorStart >= 0 && FCursor < FBlocks.size() && Index >= FCursorStart) {
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

const TListItem& TItemSeq::At(int Index) const
{
    size_t b;
    int start;
    Locate(Index, b, start);
    return FBlocks[b].Items[size_t(Index - start)];
}

TListItem& TItemSeq::Item(int Index) { return const_cast<TListItem&>(std::as_const(*this).At(Index)); }

bool TItemSeq::SetSelected(int Index, bool Value)
{
    size_t b;
    int start;
    Locate(Index, b, start);
    TListItem& item = FBlocks[b].Items[size_t(Index - start)];
    if (item.Selected == Value)
        return false;
    item.Selected = Value;
    const int d = Value ? 1 : -1;
    FBlocks[b].Selected += d;
    FSelCount += d;
    AddToTrees(b, 0, d);
    return true;
}

int TItemSeq::Next(int From, bool Selected) const
{
    From = std::max(0, From);
    const int wanted = Selected ? FSelCount : FCount - FSelCount;
    if (From >= FCount || wanted == 0)
        return -1;
    // Within one block the items are looked at; the blocks between are skipped by their counts.
    auto scan = [&](size_t B, int Start, int Offset) {
        const TBlock& block = FBlocks[B];
        if ((Selected ? block.Selected : int(block.Items.size()) - block.Selected) > 0)
            for (size_t i = size_t(Offset); i < block.Items.size(); ++i)
                if (block.Items[i].Selected == Selected)
                    return Start + int(i);
        return -1;
    };
    size_t b;
    int start;
    Locate(From, b, start);
    if (const int found = scan(b, start, From - start); found >= 0)
        return found;
    const TKind kind = Selected ? kSelected : kUnselected;
    const int upTo = Before(b + 1, kind);
    if (upTo >= wanted)
        return -1;
    const size_t c = BlockPast(upTo, kind);
    return scan(c, Before(c, kAll), 0);
}

void TItemSeq::Insert(int Index, TListItem Item)
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
        Locate(std::max(0, Index), b, start);
        Index = std::max(0, Index);
    }
    const int selected = Item.Selected ? 1 : 0;
    TBlock& block = FBlocks[b];
    block.Items.insert(block.Items.begin() + (Index - start), std::move(Item));
    block.Selected += selected;
    FSelCount += selected;
    ++FCount;
    AddToTrees(b, 1, selected);
    if (block.Items.size() > 2 * kBlockSize) {
        TBlock tail;
        tail.Items.assign(std::make_move_iterator(block.Items.begin() + kBlockSize),
                          std::make_move_iterator(block.Items.end()));
        block.Items.resize(kBlockSize);
        for (const TListItem& i : tail.Items)
            tail.Selected += i.Selected;
        block.Selected -= tail.Selected;
        FBlocks.insert(FBlocks.begin() + std::ptrdiff_t(b) + 1, std::move(tail));
        Restructured();
    }
}

void TItemSeq::Erase(int Index)
{
    size_t b;
    int start;
    Locate(Index, b, start);
    TBlock& block = FBlocks[b];
    const int selected = block.Items[size_t(Index - start)].Selected ? 1 : 0;
    block.Items.erase(block.Items.begin() + (Index - start));
    block.Selected -= selected;
    FSelCount -= selected;
    --FCount;
    if (block.Items.empty()) {
        FBlocks.erase(FBlocks.begin() + std::ptrdiff_t(b));
        Restructured();
        return;
    }
    AddToTrees(b, -1, -selected);
}

void TItemSeq::Clear()
{
    FBlocks.clear();
    FCount = 0;
    FSelCount = 0;
    Restructured();
}

int TItemSeq::SortedPosition(const std::string& Text,
                             const std::function<bool(const std::string&, const std::string&)>& Less) const
{
    // The blocks are in order too: the first whose last item comes after Text holds the place.
    const auto it = std::partition_point(FBlocks.begin(), FBlocks.end(),
                                         [&](const TBlock& b) { return !Less(Text, b.Items.back().Text); });
    if (it == FBlocks.end())
        return FCount;
    const auto at = std::upper_bound(it->Items.begin(), it->Items.end(), Text,
                                     [&](const std::string& t, const TListItem& i) { return Less(t, i.Text); });
    return Before(size_t(it - FBlocks.begin()), kAll) + int(at - it->Items.begin());
}

}  // namespace morvik::stdctl

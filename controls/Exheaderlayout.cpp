// The header's layout: positions, numbers, visibility and edges of its sections.
#include "controls/Exheaderlayout.h"

#include "controls/Exheader.h"

namespace controls {

namespace {

Integer LowBit(Integer I) { return I & -I; }

Integer HighestBit(Integer N)
{
    Integer b = 1;
    while (b <= N / 2)
        b *= 2;
    return b;
}

}  // namespace

void THeaderLayout::Rebuild(const TExHeaderSections& All)
{
    const Integer n = All.GetCount();
    FWidth.assign(size_t(n), 0);
    FVisible.assign(size_t(n), 0);
    FByIndex.assign(size_t(n), nullptr);
    FByTag.clear();
    FPositions.clear();
    FRegular = true;
    for (Integer i = 0; i < n; ++i) {
        TExHeaderSection* s = All.At(i);
        s->FPos = i;
        if (s->FIndex >= 0 && s->FIndex < n && !FByIndex[size_t(s->FIndex)])
            FByIndex[size_t(s->FIndex)] = s;
        else
            FRegular = false;
        FByTag.emplace(s->FIntTag, s);
        FPositions.emplace(s, i);
    }
    // Visibility follows the parent chains, each link resolved once (1 shown, 2 hidden). A
    // section whose own flag is set under an expanded parent shows as its parent does, so a
    // whole chain takes the state of the link that decides by itself. A parent outside the list
    // (one being deleted) is asked directly.
    std::vector<Integer> chain;
    for (Integer i = 0; i < n; ++i) {
        if (FVisible[size_t(i)])
            continue;
        chain.clear();
        Integer p = i;
        char state = 2;
        while (true) {
            const TExHeaderSection* s = All.At(p);
            const TExHeaderSection* parent = s->FParentSection;
            if (!s->FVisible || !parent || !parent->FExpanded) {
                state = s->FVisible && !parent ? 1 : 2;
                break;
            }
            const bool listed = parent->FPos >= 0 && parent->FPos < n && All.At(parent->FPos) == parent;
            if (!listed) {
                state = parent->RawVisible() ? 1 : 2;
                break;
            }
            chain.push_back(p);
            p = parent->FPos;
            if (FVisible[size_t(p)]) {
                state = FVisible[size_t(p)];
                p = -1;
                break;
            }
            // Links never loop; should they, the chain shows nothing.
            if (Integer(chain.size()) > n) {
                p = -1;
                break;
            }
        }
        if (p >= 0)
            FVisible[size_t(p)] = state;
        for (Integer q : chain)
            FVisible[size_t(q)] = state;
    }
    FRoom.assign(size_t(n) + 1, 0);
    FShown.assign(size_t(n) + 1, 0);
    for (Integer i = 0; i < n; ++i) {
        const bool shown = FVisible[size_t(i)] == 1;
        FVisible[size_t(i)] = shown ? 1 : 0;
        FWidth[size_t(i)] = shown ? All.At(i)->FWidth : 0;
        FRoom[size_t(i) + 1] += FWidth[size_t(i)];
        FShown[size_t(i) + 1] += shown ? 1 : 0;
        const Integer up = i + 1 + LowBit(i + 1);
        if (up <= n) {
            FRoom[size_t(up)] += FRoom[size_t(i) + 1];
            FShown[size_t(up)] += FShown[size_t(i) + 1];
        }
    }
    FValid = true;
}

void THeaderLayout::Append(TExHeaderSection* S)
{
    const Integer i = Count();
    // A new section has no parent and takes the next number; anything else is taken in anew.
    if (S->FIndex != i || !FRegular || S->FParentSection) {
        Invalidate();
        return;
    }
    S->FPos = i;
    FByIndex.push_back(S);
    FByTag.emplace(S->FIntTag, S);
    FPositions.emplace(S, i);
    const bool shown = S->FVisible;
    FVisible.push_back(shown ? 1 : 0);
    FWidth.push_back(shown ? S->FWidth : 0);
    // Node i + 1 covers the positions from i + 1 - lowbit(i + 1) to i.
    const Integer from = i + 1 - LowBit(i + 1);
    const Int64 before = i > 0 ? RightOf(i - 1) : 0;
    const Int64 outside = from > 0 ? RightOf(from - 1) : 0;
    FRoom.push_back(FWidth.back() + before - outside);
    FShown.push_back((shown ? 1 : 0) + (i > 0 ? CountUpTo(i - 1) : 0) - (from > 0 ? CountUpTo(from - 1) : 0));
}

void THeaderLayout::SetWidthAt(Integer Pos, Integer Width)
{
    const Int64 delta = Int64(Width) - FWidth[size_t(Pos)];
    if (delta == 0)
        return;
    FWidth[size_t(Pos)] = Width;
    for (Integer i = Pos + 1; i <= Count(); i += LowBit(i))
        FRoom[size_t(i)] += delta;
}

Int64 THeaderLayout::RightOf(Integer Pos) const
{
    Int64 sum = 0;
    for (Integer i = Pos + 1; i > 0; i -= LowBit(i))
        sum += FRoom[size_t(i)];
    return sum;
}

Integer THeaderLayout::CountUpTo(Integer Pos) const
{
    Integer sum = 0;
    for (Integer i = Pos + 1; i > 0; i -= LowBit(i))
        sum += FShown[size_t(i)];
    return sum;
}

Integer THeaderLayout::PositionAt(Int64 X) const
{
    // The longest run of positions whose right edge is not beyond X.
    const Integer n = Count();
    if (n == 0)
        return 0;
    Integer pos = 0;
    Int64 rest = X;
    for (Integer step = HighestBit(n); step > 0; step /= 2)
        if (pos + step <= n && FRoom[size_t(pos + step)] <= rest) {
            pos += step;
            rest -= FRoom[size_t(pos)];
        }
    return pos;
}

Integer THeaderLayout::PositionOfCount(Integer N) const
{
    const Integer n = Count();
    if (n == 0)
        return 0;
    Integer pos = 0, rest = N;
    for (Integer step = HighestBit(n); step > 0; step /= 2)
        if (pos + step <= n && FShown[size_t(pos + step)] < rest) {
            pos += step;
            rest -= FShown[size_t(pos)];
        }
    return pos;
}

Integer THeaderLayout::PrevVisible(Integer Pos) const
{
    const Integer before = Pos > 0 ? CountUpTo(Pos - 1) : 0;
    return before == 0 ? -1 : PositionOfCount(before);
}

TExHeaderSection* THeaderLayout::ByIndex(Integer Index) const
{
    if (Index >= 0 && Index < Integer(FByIndex.size()))
        return FByIndex[size_t(Index)];
    return nullptr;
}

Integer THeaderLayout::PositionOf(const TExHeaderSection* S) const
{
    const auto it = FPositions.find(S);
    return it == FPositions.end() ? -1 : it->second;
}

TExHeaderSection* THeaderLayout::ByTag(Integer Tag) const
{
    const auto it = FByTag.find(Tag);
    return it == FByTag.end() ? nullptr : it->second;
}

}  // namespace controls

// The header's layout: positions, numbers, visibility and edges of its sections.
#include "controls/Exheaderlayout.h"

#include <algorithm>

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

Integer THeaderLayout::Count() const { return FAll.GetCount(); }

bool THeaderLayout::At(const TExHeaderSection* S, Integer Pos) const
{
    return Pos >= 0 && Pos < Count() && FAll.At(Pos) == S;
}

// ---------------------------------------------------------------- changes

void THeaderLayout::Inserted(TExHeaderSection* S, Integer Pos)
{
    const Integer n = Count();
    const bool atEnd = Pos == n - 1;
    FMembers.insert(S);
    S->FPos = Pos;
    FPositioned = atEnd && FPositioned == Pos ? n : std::min(FPositioned, Pos);

    // A section that takes the next free number keeps the numbers regular; numbered by position
    // before, the others' numbers are their places in the list before it came.
    const bool next = FRegularKnown && FRegular && S->FIndex == n - 1;
    if (!next)
        FRegularKnown = false;
    if (FNumbers == nbByPosition && next && !atEnd) {
        FByIndex.resize(size_t(n - 1));
        for (Integer i = 0; i < n - 1; ++i)
            FByIndex[size_t(i)] = FAll.At(i < Pos ? i : i + 1);
        FNumbers = nbVector;
    }
    if (FNumbers == nbVector && next)
        FByIndex.push_back(S);
    else if (!(FNumbers == nbByPosition && next))
        FNumbers = nbStale;

    if (FTagsValid && !FByTag.emplace(S->FIntTag, S).second)
        FTagsValid = false;

    // Without a parent it shows by its own flag: one more place in the rows.
    if (!FGeometryValid || S->FParentSection) {
        FGeometryValid = false;
        return;
    }
    const bool shown = S->FVisible;
    FVisible.insert(FVisible.begin() + Pos, shown ? 1 : 0);
    FWidth.insert(FWidth.begin() + Pos, shown ? S->FWidth : 0);
    if (!atEnd || !FTreesValid) {
        FTreesValid = false;
        return;
    }
    // Node Pos + 1 covers the positions from Pos + 1 - lowbit(Pos + 1) to Pos.
    const Integer from = Pos + 1 - LowBit(Pos + 1);
    FRoom.push_back(FWidth.back() + RoomUpTo(Pos - 1) - RoomUpTo(from - 1));
    FShown.push_back((shown ? 1 : 0) + CountUpTo(Pos - 1) - CountUpTo(from - 1));
}

void THeaderLayout::Removed(const TExHeaderSection* S, Integer Pos, bool Batch)
{
    FMembers.erase(S);
    FPositioned = std::min(FPositioned, Pos);
    FRegularKnown = false;
    FNumbers = nbStale;
    if (FTagsValid) {
        const auto it = FByTag.find(S->FIntTag);
        if (it != FByTag.end() && it->second == S) {
            if (FTagsRepeat)
                FTagsValid = false;
            else
                FByTag.erase(it);
        }
    }
    // The others show as they did: a section that hung from it now asks it directly, which
    // answers what its place did.
    if (FGeometryValid && Batch) {
        FGeometryValid = false;
    } else if (FGeometryValid) {
        FVisible.erase(FVisible.begin() + Pos);
        FWidth.erase(FWidth.begin() + Pos);
        FTreesValid = false;
    }
}

void THeaderLayout::Moved(Integer From, Integer To)
{
    FPositioned = std::min({FPositioned, From, To});
    // A move keeps every section's number: numbered by position before, the numbers are the
    // places before the move.
    if (FNumbers == nbByPosition) {
        const Integer n = Count();
        FByIndex.resize(size_t(n));
        for (Integer i = 0; i < n; ++i)
            FByIndex[size_t(i)] = FAll.At(i);
        if (From < To)
            std::rotate(FByIndex.begin() + From, FByIndex.begin() + To, FByIndex.begin() + To + 1);
        else
            std::rotate(FByIndex.begin() + To, FByIndex.begin() + To + 1, FByIndex.begin() + From + 1);
        FNumbers = nbVector;
    }
    // Visibility does not depend on the place: the rows move with their sections.
    if (FGeometryValid) {
        Rotate(FWidth, From, To);
        Rotate(FVisible, From, To);
        FTreesValid = false;
    }
}

void THeaderLayout::Renumbered()
{
    FPositioned = Count();
    NumberedByPosition();
}

void THeaderLayout::NumberedByPosition()
{
    FRegular = true;
    FRegularKnown = true;
    FNumbers = nbByPosition;
}

template <class T>
void THeaderLayout::Rotate(std::vector<T>& Row, Integer From, Integer To)
{
    if (From < To)
        std::rotate(Row.begin() + From, Row.begin() + From + 1, Row.begin() + To + 1);
    else
        std::rotate(Row.begin() + To, Row.begin() + From, Row.begin() + From + 1);
}

void THeaderLayout::OrderChanged()
{
    FPositioned = 0;
    if (FNumbers == nbByPosition)
        FNumbers = nbStale;
    FGeometryValid = false;
}

void THeaderLayout::NumbersChanged()
{
    FRegularKnown = false;
    FNumbers = nbStale;
    FTagsValid = false;
}

void THeaderLayout::LinksChanged() { FGeometryValid = false; }

void THeaderLayout::Cleared()
{
    FMembers.clear();
    FPositioned = 0;
    FRegular = true;
    FRegularKnown = true;
    FNumbers = nbByPosition;
    FByIndex.clear();
    FByTag.clear();
    FTagsValid = true;
    FTagsRepeat = false;
    FWidth.clear();
    FVisible.clear();
    FRoom.assign(1, 0);
    FShown.assign(1, 0);
    FGeometryValid = true;
    FTreesValid = true;
}

Integer THeaderLayout::RowOf(const TExHeaderSection* S) const
{
    // A section out of the list has no row to change.
    return FGeometryValid ? PositionOf(S) : -1;
}

void THeaderLayout::VisibilityChanged(const TExHeaderSection* S)
{
    const Integer p = RowOf(S);
    if (p < 0)
        return;
    bool shown = S->FVisible;
    if (const TExHeaderSection* parent = S->FParentSection; shown && parent) {
        if (!parent->FExpanded)
            shown = false;
        else if (At(parent, parent->FPos))
            shown = FVisible[size_t(parent->FPos)] != 0;
        else
            shown = parent->RawVisible();
    }
    if (shown == (FVisible[size_t(p)] != 0))
        return;
    const Integer room = shown ? S->FWidth : 0;
    if (FTreesValid)
        Add(p, Int64(room) - FWidth[size_t(p)], shown ? 1 : -1);
    FVisible[size_t(p)] = shown ? 1 : 0;
    FWidth[size_t(p)] = room;
}

void THeaderLayout::WidthChanged(const TExHeaderSection* S)
{
    const Integer p = RowOf(S);
    if (p < 0 || !FVisible[size_t(p)])
        return;
    if (FTreesValid)
        Add(p, Int64(S->FWidth) - FWidth[size_t(p)], 0);
    FWidth[size_t(p)] = S->FWidth;
}

// ---------------------------------------------------------------- which section where

Integer THeaderLayout::PositionOf(const TExHeaderSection* S) const
{
    if (!S || !FMembers.count(S))
        return -1;
    if (At(S, S->FPos))
        return S->FPos;
    // Numbered on from the mark as far as this one: what is on screen, as a rule.
    for (const Integer n = Count(); FPositioned < n;) {
        TExHeaderSection* s = FAll.At(FPositioned);
        s->FPos = FPositioned++;
        if (s == S)
            break;
    }
    return S->FPos;
}

bool THeaderLayout::Regular() const
{
    if (!FRegularKnown)
        BuildNumbers();
    return FRegular;
}

TExHeaderSection* THeaderLayout::ByIndex(Integer Index) const
{
    if (FNumbers == nbStale)
        BuildNumbers();
    if (FNumbers == nbByPosition)
        return Index >= 0 && Index < Count() ? FAll.At(Index) : nullptr;
    return Index >= 0 && Index < Integer(FByIndex.size()) ? FByIndex[size_t(Index)] : nullptr;
}

void THeaderLayout::BuildNumbers() const
{
    const Integer n = Count();
    FByIndex.assign(size_t(n), nullptr);
    FRegular = true;
    for (Integer i = 0; i < n; ++i) {
        TExHeaderSection* s = FAll.At(i);
        if (s->FIndex >= 0 && s->FIndex < n && !FByIndex[size_t(s->FIndex)])
            FByIndex[size_t(s->FIndex)] = s;
        else
            FRegular = false;
    }
    FRegularKnown = true;
    FNumbers = nbVector;
}

TExHeaderSection* THeaderLayout::ByTag(Integer Tag) const
{
    if (!FTagsValid)
        BuildTags();
    const auto it = FByTag.find(Tag);
    return it == FByTag.end() ? nullptr : it->second;
}

void THeaderLayout::BuildTags() const
{
    FByTag.clear();
    FTagsRepeat = false;
    for (Integer i = 0; i < Count(); ++i)
        if (!FByTag.emplace(FAll.At(i)->FIntTag, FAll.At(i)).second)
            FTagsRepeat = true;
    FTagsValid = true;
}

// ---------------------------------------------------------------- geometry

void THeaderLayout::BuildGeometry() const
{
    const Integer n = Count();
    for (Integer i = 0; i < n; ++i)
        FAll.At(i)->FPos = i;
    FPositioned = n;
    FWidth.assign(size_t(n), 0);
    FVisible.assign(size_t(n), 0);
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
            const TExHeaderSection* s = FAll.At(p);
            const TExHeaderSection* parent = s->FParentSection;
            if (!s->FVisible || !parent || !parent->FExpanded) {
                state = s->FVisible && !parent ? 1 : 2;
                break;
            }
            if (!At(parent, parent->FPos)) {
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
    for (Integer i = 0; i < n; ++i) {
        const bool shown = FVisible[size_t(i)] == 1;
        FVisible[size_t(i)] = shown ? 1 : 0;
        FWidth[size_t(i)] = shown ? FAll.At(i)->FWidth : 0;
    }
    FGeometryValid = true;
    BuildTrees();
}

void THeaderLayout::BuildTrees() const
{
    FTreesValid = true;
    const Integer n = Integer(FWidth.size());
    FRoom.assign(size_t(n) + 1, 0);
    FShown.assign(size_t(n) + 1, 0);
    for (Integer i = 0; i < n; ++i) {
        FRoom[size_t(i) + 1] += FWidth[size_t(i)];
        FShown[size_t(i) + 1] += FVisible[size_t(i)];
        const Integer up = i + 1 + LowBit(i + 1);
        if (up <= n) {
            FRoom[size_t(up)] += FRoom[size_t(i) + 1];
            FShown[size_t(up)] += FShown[size_t(i) + 1];
        }
    }
}

void THeaderLayout::Add(Integer Pos, Int64 Delta, Integer Shown) const
{
    const Integer n = Count();
    for (Integer i = Pos + 1; i <= n; i += LowBit(i)) {
        FRoom[size_t(i)] += Delta;
        FShown[size_t(i)] += Shown;
    }
}

bool THeaderLayout::VisibleAt(Integer Pos) const
{
    Rows();
    return FVisible[size_t(Pos)] != 0;
}

Integer THeaderLayout::WidthAt(Integer Pos) const
{
    Rows();
    return FWidth[size_t(Pos)];
}

Int64 THeaderLayout::RightOf(Integer Pos) const
{
    Geometry();
    return RoomUpTo(Pos);
}

Int64 THeaderLayout::RoomUpTo(Integer Pos) const
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

Integer THeaderLayout::VisibleCount() const
{
    Geometry();
    return CountUpTo(Count() - 1);
}

Integer THeaderLayout::PositionAt(Int64 X) const
{
    Geometry();
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
    Geometry();
    const Integer before = Pos > 0 ? CountUpTo(Pos - 1) : 0;
    return before == 0 ? -1 : PositionOfCount(before);
}

}  // namespace controls

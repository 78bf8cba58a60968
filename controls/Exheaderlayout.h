// Where a header's sections lie, kept between changes so that no query walks the sections: each
// section's position, the sections by Index and by IntTag, each one's effective visibility, and
// the widths of the visible ones by position in a Fenwick tree, from which any edge and the
// section under any x come in logarithmic time.
//
// A change of order, numbers or visibility makes the layout stale (one walk rebuilds it at the
// next query); a width change or a section added at the end updates it in place.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/Types.h"

class TExHeaderSection;
class TExHeaderSections;

namespace controls {

class THeaderLayout {
public:
    bool Valid() const { return FValid; }
    void Invalidate() { FValid = false; }
    // Takes the sections of All as they stand (sets each section's position).
    void Rebuild(const TExHeaderSections& All);
    // Section S was just added at the end of a valid layout.
    void Append(TExHeaderSection* S);
    // The section at Pos now takes Width (0 when hidden); its visibility is unchanged.
    void SetWidthAt(Integer Pos, Integer Width);

    Integer Count() const { return Integer(FWidth.size()); }
    bool VisibleAt(Integer Pos) const { return FVisible[size_t(Pos)] != 0; }
    // The room the section at Pos takes: its width when visible, else 0.
    Integer WidthAt(Integer Pos) const { return FWidth[size_t(Pos)]; }
    // Right edge of the section at Pos (sum of the room taken up to and including it).
    Int64 RightOf(Integer Pos) const;
    Int64 Total() const { return RightOf(Count() - 1); }
    // The first position whose right edge lies beyond X; Count() when none does.
    Integer PositionAt(Int64 X) const;
    Integer VisibleCount() const { return CountUpTo(Count() - 1); }
    // The nearest visible position below Pos; -1 when none.
    Integer PrevVisible(Integer Pos) const;
    // The first section by position with that Index or IntTag; nil when none.
    TExHeaderSection* ByIndex(Integer Index) const;
    TExHeaderSection* ByTag(Integer Tag) const;
    // Every Index is 0..Count-1 and none is repeated: the next free number is Count.
    bool Regular() const { return FRegular; }
    // The position of a section; -1 for one not in the list. S is only compared, never read, so
    // it may be a section freed since.
    Integer PositionOf(const TExHeaderSection* S) const;

private:
    // Visible sections among positions 0..Pos.
    Integer CountUpTo(Integer Pos) const;
    // The first position at which the visible count reaches N (N >= 1); Count() when never.
    Integer PositionOfCount(Integer N) const;

    bool FValid = false;
    bool FRegular = true;
    // Index by Index; nil where no section has that number.
    std::vector<TExHeaderSection*> FByIndex;
    std::unordered_map<Integer, TExHeaderSection*> FByTag;
    std::unordered_map<const TExHeaderSection*, Integer> FPositions;
    // Room and visibility by position, and their Fenwick trees (node i covers the positions
    // (i - lowbit(i), i], 1-based).
    std::vector<Integer> FWidth;
    std::vector<char> FVisible;
    std::vector<Int64> FRoom;
    std::vector<Integer> FShown;
};

}  // namespace controls

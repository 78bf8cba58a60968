// Where a header's sections lie, kept between changes so that no query walks the sections.
//
// Three parts, each brought up to date on its own:
// - which sections belong (a set, kept change by change) and their positions (each section's FPos,
//   right for every position below a mark that a change at a position lowers; asked for a
//   section beyond the mark, the positions are numbered on as far as that section);
// - the sections by Index and by IntTag (kept change by change where a change tells exactly what it
//   did, else taken anew at the next query);
// - the geometry: each position's effective visibility and room, in rows by position and in
//   Fenwick trees over them from which any edge and the section under any x come in logarithmic
//   time. A width or the visibility of a section no other one hangs from is taken in place; a
//   section inserted, removed or moved moves its entry in the rows, and the trees are summed again
//   from them at the next query, without reading a section; a change of links makes the rows
//   stale, and one walk over the sections takes them anew at the next query.
// So a batch of changes costs what the changes cost, and the walks happen once, when it is asked
// where things lie.
#pragma once

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Types.h"

class TExHeaderSection;
class TExHeaderSections;

namespace controls {

class THeaderLayout {
public:
    explicit THeaderLayout(const TExHeaderSections& All) : FAll(All) {}

    // ---- changes, as the collection makes them (the list already shows them)
    // S now lies at Pos with its Index and IntTag given.
    void Inserted(TExHeaderSection* S, Integer Pos);
    // S, which lay at Pos, is out of the list. In a batch the rows are taken anew at the next
    // query instead of being closed up at each removal.
    void Removed(const TExHeaderSection* S, Integer Pos, bool Batch);
    // The section at From now lies at To.
    void Moved(Integer From, Integer To);
    // Every Index, and every FPos, is now the section's position.
    void Renumbered();
    // Every Index is now the section's position (the sections' fields are left as they were).
    void NumberedByPosition();
    // The order changed in some other way.
    void OrderChanged();
    // Indexes or IntTags were written directly.
    void NumbersChanged();
    // Parent links, expansion or the visibility of several sections changed.
    void LinksChanged();
    // The list is empty.
    void Cleared();
    // S's own visibility flag changed; its position is unchanged and no section hangs from it
    // (those that do change with it: that is a change of links).
    void VisibilityChanged(const TExHeaderSection* S);
    // S's width changed.
    void WidthChanged(const TExHeaderSection* S);

    // ---- which section where
    Integer Count() const;
    // The position of a section; -1 for one not in the list. S is looked up before it is read, so
    // it may be a section freed since.
    Integer PositionOf(const TExHeaderSection* S) const;
    // The first section by position with that Index or IntTag; nil when none.
    TExHeaderSection* ByIndex(Integer Index) const;
    TExHeaderSection* ByTag(Integer Tag) const;
    // Every Index is 0..Count-1 and none is repeated: the next free number is Count.
    bool Regular() const;

    // ---- geometry, taken anew first when stale
    // The rows are current: whether each section shows is known without a walk.
    bool RowsCurrent() const { return FGeometryValid; }
    // Rows and trees are current: any edge is known without a walk.
    bool GeometryCurrent() const { return FGeometryValid && FTreesValid; }
    bool VisibleAt(Integer Pos) const;
    // The room the section at Pos takes: its width when visible, else 0.
    Integer WidthAt(Integer Pos) const;
    // Right edge of the section at Pos (sum of the room taken up to and including it).
    Int64 RightOf(Integer Pos) const;
    Int64 Total() const { return RightOf(Count() - 1); }
    // The first position whose right edge lies beyond X; Count() when none does.
    Integer PositionAt(Int64 X) const;
    Integer VisibleCount() const;
    // The nearest visible position below Pos; -1 when none.
    Integer PrevVisible(Integer Pos) const;

private:
    void BuildNumbers() const;
    void BuildTags() const;
    void BuildGeometry() const;
    // The Fenwick trees from the rows.
    void BuildTrees() const;
    // Moves the entry at From to To, those between shifting by one.
    template <class T>
    static void Rotate(std::vector<T>& Row, Integer From, Integer To);
    void Rows() const
    {
        if (!FGeometryValid)
            BuildGeometry();
    }
    void Geometry() const
    {
        Rows();
        if (!FTreesValid)
            BuildTrees();
    }
    // The row of S while the rows are current and S is in the list; -1 otherwise.
    Integer RowOf(const TExHeaderSection* S) const;
    // Section S is at Pos as far as the positions tell (S was in the list and FPos is current).
    bool At(const TExHeaderSection* S, Integer Pos) const;
    // Adds Delta to the room and Shown to the visible count of Pos.
    void Add(Integer Pos, Int64 Delta, Integer Shown) const;
    Int64 RoomUpTo(Integer Pos) const;
    // Visible sections among positions 0..Pos.
    Integer CountUpTo(Integer Pos) const;
    // The first position at which the visible count reaches N (N >= 1); Count() when never.
    Integer PositionOfCount(Integer N) const;

    const TExHeaderSections& FAll;
    std::unordered_set<const TExHeaderSection*> FMembers;
    // Sections at positions below this have their FPos right.
    mutable Integer FPositioned = 0;

    // By Index: the list itself while every Index is its position, else a vector by Index (nil
    // where no section has the number), else stale.
    enum TNumbers { nbByPosition, nbVector, nbStale };
    mutable TNumbers FNumbers = nbByPosition;
    // Whether every Index is 0..Count-1 once, when known.
    mutable bool FRegular = true;
    mutable bool FRegularKnown = true;
    mutable std::vector<TExHeaderSection*> FByIndex;
    mutable bool FTagsValid = true;
    // Some IntTag is carried by two sections: a removal may uncover the other one.
    mutable bool FTagsRepeat = false;
    mutable std::unordered_map<Integer, TExHeaderSection*> FByTag;

    // Room and visibility by position (the rows), and their Fenwick trees (node i covers the
    // positions (i - lowbit(i), i], 1-based), summed again from the rows when stale.
    mutable bool FGeometryValid = true;
    mutable bool FTreesValid = true;
    mutable std::vector<Integer> FWidth;
    mutable std::vector<char> FVisible;
    mutable std::vector<Int64> FRoom{0};
    mutable std::vector<Integer> FShown{0};
};

}  // namespace controls

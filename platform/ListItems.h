// The items of a list window: text, data, height and selection, in blocks (TBlockSeq) that count
// the selected items, so that an index, the selection count and the next selected or unselected
// item are found without walking the list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/BlockSeq.h"

namespace morvik::stdctl {

struct TListItem {
    std::string Text;
    std::uintptr_t Data = 0;
    int Height = 0;  // owner-drawn items of variable height
    bool Selected = false;
};

struct TSelectedItems {
    static bool Of(const TListItem& Item) { return Item.Selected; }
};

class TItemSeq : public TBlockSeq<TListItem, TSelectedItems> {
public:
    void SetData(int Index, std::uintptr_t Data) { Ref(Index).Data = Data; }
    void SetHeight(int Index, int Height) { Ref(Index).Height = Height; }
    // True when the item's selection changed.
    bool SetSelected(int Index, bool Value)
    {
        return Change(Index, [Value](TListItem& Item) { Item.Selected = Value; });
    }
    int SelCount() const { return CountedTotal(); }
    // The first selected (or unselected) item at From or after it; -1 when there is none.
    int NextSelected(int From) const { return Next(From, true); }
    int NextUnselected(int From) const { return Next(From, false); }
    // Where Text goes in a list kept sorted by Less (after equal ones).
    int SortedPosition(const std::string& Text,
                       const std::function<bool(const std::string&, const std::string&)>& Less) const
    {
        return UpperBound(Text, [&](const std::string& T, const TListItem& I) { return Less(T, I.Text); });
    }
};

}  // namespace morvik::stdctl

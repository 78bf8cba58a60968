// The tree unit's error class with its three messages, and the resources the unit holds for its
// lifetime: the default expand, collapse and leaf button pictures and the three drag cursors.
#pragma once

#include "platform/SysUtils.h"

class TBitmap;

class EExTreeError : public Exception {
public:
    using Exception::Exception;
};

namespace extree {
inline constexpr const char* ExOutOfBounds = "ExTree item index out of bounds.";
inline constexpr const char* exInvItem = "ExTree item not specified";
inline constexpr const char* exRecursiveMove = "Can't move Item to one of its subitems.";
// A cell style can be held by one item in one place only.
inline constexpr const char* exStyleInUse = "ExTree cell style is already in use";
// A walk's callback may read the tree but not change it.
inline constexpr const char* exChangedInWalk = "ExTree items cannot change while they are walked";

// Entries of the application's cursor table taken by the drag cursors.
inline constexpr int crExTreeNoDrop = 20001;
inline constexpr int crExTreeDragMove = 20002;
inline constexpr int crExTreeDragCopy = 20003;

// Side of the box the row painter centres a default button picture in; the pictures are this size.
inline constexpr int ButtonBmpSize = 10;

// Unit start and end. Start runs once however often it is called (until the matching end): it
// registers the drag cursors and loads "PlusBmp", "MinusBmp" and "LeafBmp". The tree control calls
// it when it is created; the item model needs none of it.
void ExTreeUnitStart();
void ExTreeUnitEnd();

// The default button pictures; nil before unit start.
TBitmap* PlusBmp();
TBitmap* MinusBmp();
TBitmap* LeafBmp();
}  // namespace extree

// Sorting the items by columns and the comparison of two items. Not built yet: each operation
// below says so when it is called.
#include <stdexcept>

#include "tree/Extreectl.h"

void TCustomExTree::Sort(bool) { throw std::logic_error("TCustomExTree::Sort is not built"); }

Integer TCustomExTree::CompareItems(TExTreeItem*, TExTreeItem*, Integer, TSortTypes)
{
    throw std::logic_error("TCustomExTree::CompareItems is not built");
}

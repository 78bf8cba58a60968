// Which item and which part of it lie under a point of the view. Not built yet: the operation
// says so when it is called.
#include <stdexcept>

#include "tree/Extreeview.h"

TExTreeItem* TExTreeView::GetItemAt(Integer, Integer, TSTItemPart&, Integer&)
{
    throw std::logic_error("TExTreeView::GetItemAt is not built");
}

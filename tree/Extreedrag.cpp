// Drag and drop of items, within the program and between programs. Not built yet: the operations
// say so when they are called.
#include <stdexcept>

#include "tree/Extreedrag.h"
#include "tree/Extreeview.h"

void TExTreeView::DoDragOver(TDragObject*, Integer, Integer, bool)
{
    throw std::logic_error("TExTreeView::DoDragOver is not built");
}

bool TExTreeView::DragScroll(TDragObject*, Integer, Integer)
{
    throw std::logic_error("TExTreeView::DragScroll is not built");
}

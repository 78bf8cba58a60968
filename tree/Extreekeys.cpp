// Keyboard input and the incremental search. Not built yet: the operation says so when it is
// called.
#include <stdexcept>

#include "tree/Extreekeys.h"
#include "tree/Extreeview.h"

TExTreeItem* TExTreeView::FindNewFocused(Word, Integer*, bool&)
{
    throw std::logic_error("TExTreeView::FindNewFocused is not built");
}

// Selection and focus from code: the walks that select, invert and deselect, the ranges, and the
// mode switches. Not built yet: each operation below says so when it is called.
#include <stdexcept>

#include "tree/Extreectl.h"

#define NOT_BUILT(name) throw std::logic_error(name " is not built")

TExTreeItem* TCustomExTree::GetNextSelected(TExTreeItem*) { NOT_BUILT("TCustomExTree::GetNextSelected"); }
void TCustomExTree::AllSelected(TExList*) { NOT_BUILT("TCustomExTree::AllSelected"); }
void TCustomExTree::SelectAll() { NOT_BUILT("TCustomExTree::SelectAll"); }
void TCustomExTree::InvertSelection() { NOT_BUILT("TCustomExTree::InvertSelection"); }
void TCustomExTree::SelectAllEx(bool) { NOT_BUILT("TCustomExTree::SelectAllEx"); }
void TCustomExTree::InvertSelectionEx(bool) { NOT_BUILT("TCustomExTree::InvertSelectionEx"); }
void TCustomExTree::DeselectAll() { NOT_BUILT("TCustomExTree::DeselectAll"); }
void TCustomExTree::DeselectAllEx(bool) { NOT_BUILT("TCustomExTree::DeselectAllEx"); }
void TCustomExTree::SelectRange(TExTreeItem*, TExTreeItem*) { NOT_BUILT("TCustomExTree::SelectRange"); }
void TCustomExTree::SelectRange2(TExTreeItem*, TExTreeItem*, bool) { NOT_BUILT("TCustomExTree::SelectRange2"); }
void TCustomExTree::SelectRangeEx(TExTreeItem*, TExTreeItem*, bool) { NOT_BUILT("TCustomExTree::SelectRangeEx"); }
void TCustomExTree::SelectRangeEx2(TExTreeItem*, TExTreeItem*, bool, bool)
{
    NOT_BUILT("TCustomExTree::SelectRangeEx2");
}

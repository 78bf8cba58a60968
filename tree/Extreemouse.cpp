// Mouse input: presses, releases and double clicks turned into focus, selection, expansion, check
// box, cell control and click-to-edit actions; the rubber band; fitting an expanded branch.
#include <algorithm>

#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "tree/Extreeview.h"

bool TExTreeView::Usable(TExTreeItem* Item) const { return Item && (Item->Enabled() || FTree->IgnoreEnabled()); }

bool TExTreeView::AfterSelectionChange()
{
    TGuardPtr<TCustomExTree> tree(FTree);
    FTree->DoAfterSelectionChange();
    if (!tree) return false;
    FTree->SetSelectionChanged(false);
    return true;
}

void TExTreeView::StopEditTimer()
{
    if (FEditTimer) FEditTimer->SetEnabled(false);
}

void TExTreeView::ArmEditTimer(TExTreeItem* Item, Integer Column)
{
    if (!FEditTimer) {
        FEditTimer = new TTimer(this);
        FEditTimer->SetEnabled(false);
        FEditTimer->OnTimer = [this](TObject* Sender) { OnEditTimer(Sender); };
    }
    FEditTimer->SetEnabled(false);
    FEditItem = Item;
    FEditColumn = Column;
    FEditTimer->SetInterval(FTree->ShowColumns() ? Cardinal(std::max<Integer>(FTree->InplaceEditorDelay(), 1))
                                                 : GetDoubleClickTime());
    FEditTimer->SetEnabled(true);
}

// ---------------------------------------------------------------- fitting an expanded branch

void TExTreeView::FitMostChildren(TExTreeItem* Item)
{
    if (!Item || !Item->FullyExpanded() || !Item->FullyVisible() || !FTree->IsInView(Item) || !FTree->GetTopItem())
        return;
    const Integer h = Item->CalcSubItemsHeight();
    const Integer row = FVisibleRows.IndexOf(Item);
    const bool uniform = Model()->VarHeightCount == 0;
    auto heightOf = [&](Integer Row) { return uniform ? Model()->LineHeight : this->Row(Row)->GetHeight(); };
    Integer y = 0;
    for (Integer i = 0; i < row; ++i) y += heightOf(i);
    const Integer client = ClientHeight();
    Integer dropped = 0;
    while (dropped < row && y + heightOf(row) + h > client) {
        y -= heightOf(dropped);
        ++dropped;
    }
    if (dropped > 0) SetVPosition(FTree->TopIndex() + dropped);
}

void TCustomExTree::FitMostChildren(TExTreeItem* Item) { FView->FitMostChildren(Item); }

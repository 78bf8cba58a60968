// Selection and focus from code. The focus, the anchor and the selected list are the model's; the
// tree adds the walks that select, invert and deselect many items, the ranges, and the switches of
// the selection mode.
#include <algorithm>

#include "ctlbase/Exlist.h"
#include "tree/Extreectl.h"

void TCustomExTree::SetFocused(TExTreeItem* Item) { FModel->SetFocused(Item); }

void TCustomExTree::DoSetFocused(TExTreeItem* Item, bool Forced) { FModel->DoSetFocused(Item, Forced); }

bool TCustomExTree::DoSetFocusedEx(TExTreeItem* Item, bool Forced, bool Delayed)
{
    return FModel->DoSetFocusedEx(Item, Forced, Delayed);
}

void TCustomExTree::SetSelected(TExTreeItem* Item) { FModel->SetSelected(Item); }

TExTreeItem* TCustomExTree::GetNextSelected(TExTreeItem* Prev)
{
    if (!FModel->MultiSelect()) return Prev ? nullptr : FModel->Focused();
    const TExTreeItemList& list = FModel->Selection();
    if (!Prev) return list.Count() > 0 ? list.First() : nullptr;
    const Integer i = list.IndexOf(Prev);
    return i >= 0 && i + 1 < list.Count() ? list.FastGet(i + 1) : nullptr;
}

void TCustomExTree::AllSelected(TExList* List)
{
    List->Clear();
    if (FModel->MultiSelect()) {
        const TExTreeItemList& list = FModel->Selection();
        List->SetCapacity(list.Count());
        for (Integer i = 0; i < list.Count(); ++i) List->Add(list.FastGet(i));
    } else if (FModel->Focused()) {
        List->Add(FModel->Focused());
    }
}

void TCustomExTree::AllSelectedEx(TExList* List, bool Order)
{
    if (!FModel->MultiSelect()) return;
    if (!Order) {
        AllSelected(List);
        return;
    }
    List->SetCapacity(std::max(List->Capacity(), FModel->Selection().Count()));
    TExTreeItemList& all = FModel->AllItems();
    for (Integer i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (item->Selected()) List->Add(item);
    }
}

// Walks the items the selection walks visit: with hidden items excluded, hidden branches and the
// branches of collapsed items are passed over.
template <class TVisit>
static void WalkSelectable(TExTreeModel* Model, bool IncludeHidden, TVisit Visit)
{
    TExTreeItemList& all = Model->AllItems();
    for (Integer i = 0; i < all.Count();) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (!IncludeHidden && Model->FilteredVisibility() && item->Hidden()) {
            i = item->PastBranch(i);
            continue;
        }
        const Integer past = !IncludeHidden && !item->Expanded() ? item->PastBranch(i) : i + 1;
        Visit(item);
        // The visit may have changed nothing of the list: selection only.
        i = past;
    }
}

void TCustomExTree::SelectAll() { SelectAllEx(!FilteredVisibility()); }

// The walks below hold every item (their handlers may delete any) and keep the model in a local
// (they may free the tree).

void TCustomExTree::SelectAllEx(bool IncludeHidden)
{
    if (!MultiSelect()) return;
    TExTreeModel* model = FModel.get();
    TExTreeOperation op(model);
    op.HoldAll();
    TExUpdateGuard bracket(model);
    WalkSelectable(model, IncludeHidden, [](TExTreeItem* Item) {
        if (!Item->Selected()) Item->SetSelected(true);
    });
    bracket.Done();
}

void TCustomExTree::InvertSelection() { InvertSelectionEx(!FilteredVisibility()); }

void TCustomExTree::InvertSelectionEx(bool IncludeHidden)
{
    if (!MultiSelect()) return;
    TExTreeModel* model = FModel.get();
    TExTreeOperation op(model);
    op.HoldAll();
    TExUpdateGuard bracket(model);
    WalkSelectable(model, IncludeHidden, [](TExTreeItem* Item) { Item->SetSelected(!Item->Selected()); });
    bracket.Done();
}

void TCustomExTree::DeselectAll() { FModel->DeselectAll(); }

void TCustomExTree::DeselectAllEx(bool IncludeHidden) { FModel->DeselectAllEx(IncludeHidden); }

void TCustomExTree::SelectRange(TExTreeItem* FromItem, TExTreeItem* ToItem) { SelectRange2(FromItem, ToItem, true); }

void TCustomExTree::SelectRange2(TExTreeItem* FromItem, TExTreeItem* ToItem, bool SelectDisabled)
{
    if (!MultiSelect() || FromItem == ToItem) return;
    const Integer a = FromItem ? std::max(FromItem->GetAbsIndex(), 0) : 0;
    const Integer b = ToItem ? std::max(ToItem->GetAbsIndex(), 0) : 0;
    TExTreeModel* model = FModel.get();
    TExTreeOperation op(model);
    op.HoldAll();
    const bool disabledToo = SelectDisabled || FIgnoreEnabled;
    TExUpdateGuard bracket(model);
    TExTreeItemList& all = model->AllItems();
    const Integer step = a <= b ? 1 : -1;
    // Handlers may move items: the walk stays inside the list.
    for (Integer i = a; i >= 0 && i < all.Count(); i += step) {
        TExTreeItem* item = all.FastGet(i);
        if (item->Enabled() || disabledToo) item->SetSelected(true);
        if (i == b) break;
    }
    bracket.Done();
}

void TCustomExTree::SelectRangeEx(TExTreeItem* FromItem, TExTreeItem* ToItem, bool SelectHidden)
{
    SelectRangeEx2(FromItem, ToItem, true, SelectHidden);
}

void TCustomExTree::SelectRangeEx2(TExTreeItem* FromItem, TExTreeItem* ToItem, bool SelectDisabled, bool SelectHidden)
{
    if (!MultiSelect() || FromItem == ToItem) return;
    if (!FilteredVisibility() || SelectHidden) {
        SelectRange2(FromItem, ToItem, SelectDisabled);
        return;
    }
    Integer a = FromItem ? std::max(FromItem->GetAbsIndex(), 0) : 0;
    Integer b = ToItem ? std::max(ToItem->GetAbsIndex(), 0) : 0;
    if (a > b) std::swap(a, b);
    TExTreeModel* model = FModel.get();
    TExTreeOperation op(model);
    op.HoldAll();
    const bool disabledToo = SelectDisabled || FIgnoreEnabled;
    TExUpdateGuard bracket(model);
    TExTreeItemList& all = model->AllItems();
    // Both ends belong to the range, as they do without filtering.
    for (Integer i = a; i <= b && i < all.Count();) {
        TExTreeItem* item = all.FastGet(i);
        if (item->Hidden()) {
            i = item->PastBranch(i);
            continue;
        }
        if (item->Enabled() || disabledToo) item->SetSelected(true);
        i = item->Expanded() ? i + 1 : item->PastBranch(i);
    }
    bracket.Done();
}

bool TCustomExTree::FireFocusEvents() const { return FModel->FireFocusEvents() && !IsDestroying(); }

void TCustomExTree::SetFireFocusEvents(bool Value)
{
    if (Value)
        --FModel->FocusEventsLock;
    else
        ++FModel->FocusEventsLock;
}

void TCustomExTree::SetMultiSelect(bool Value) { FModel->SetMultiSelect(Value); }

void TCustomExTree::SetMultiSelectLevel(Integer Value)
{
    TExTreeModel* model = FModel.get();
    if (model->MultiSelectLevel == Value) return;
    TExTreeOperation op(model);
    op.HoldAll();
    TExUpdateGuard bracket(model);
    model->Refresh().UpdatePending = true;
    model->MultiSelectLevel = Value;
    model->DeselectAllEx(true);
    if (TExTreeItem* focused = model->Focused()) focused->SetSelected(true);
    bracket.Done();
}

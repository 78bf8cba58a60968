// Walks over the items in pre-order (forward) and reverse pre-order (backward), and the searches
// built on them. The walks run over the all-items list and jump over the branches they do not
// enter, which visits and counts exactly what a recursive walk over the children would.
#include <string>

#include "ctlbase/Exstrutils.h"
#include "platform/Classes.h"
#include "tree/Extreeitems.h"

namespace {

struct WalkRules {
    bool VisibleOnly;
    bool CheckCollapsed;
    bool BranchRule;  // the branch walk enters collapsed items only when not VisibleOnly
    bool Filtered;

    // Passed over with its whole branch, and not counted.
    bool HiddenSkipped(const TExTreeItem* Item) const { return VisibleOnly && Filtered && Item->Hidden(); }
    bool Descends(const TExTreeItem* Item) const
    {
        if (Item->Expanded() || !VisibleOnly) return true;
        return !BranchRule && CheckCollapsed;
    }
};

}  // namespace

void TExTreeItems::WalkForward(bool VisibleOnly, bool CheckCollapsed, bool BranchRule, const TIterateProc& IterateProc,
                               void* IterateData, TExTreeItem* StartFrom)
{
    const WalkRules rules{VisibleOnly, CheckCollapsed, BranchRule, FTree->FilteredVisibility()};
    if (StartFrom && StartFrom->IsHiddenRoot()) StartFrom = nullptr;
    if (!rules.Descends(FRoot)) return;
    // The counter starts at -2, so the hidden root counts -1; the path down to StartFrom is
    // counted without being reported.
    Integer index = -1;
    Integer i = 0;
    if (StartFrom) {
        if (StartFrom->FTree != FTree || !StartFrom->IsAttached()) return;
        // A start the walk would never reach (under a branch it does not enter) reports nothing.
        for (TExTreeItem* p = StartFrom->FParent; p && !p->IsHiddenRoot(); p = p->FParent)
            if (rules.HiddenSkipped(p) || !rules.Descends(p)) return;
        index = StartFrom->Level() - 1;
        i = StartFrom->GetAbsIndex();
    }
    TExTreeItemList& all = FTree->AllItems();
    bool continueIterate = true;
    while (i < all.Count()) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (rules.HiddenSkipped(item)) {
            i = item->PastBranch(i);
            continue;
        }
        ++index;
        IterateProc(item, index, continueIterate, IterateData, FTree);
        if (!continueIterate) return;
        i = rules.Descends(item) ? i + 1 : item->PastBranch(i);
    }
}

void TExTreeItems::Iterate(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc, void* IterateData)
{
    WalkForward(VisibleOnly, CheckCollapsed, false, IterateProc, IterateData, nullptr);
}

void TExTreeItems::IterateFrom(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc,
                               void* IterateData, TExTreeItem* StartFrom)
{
    WalkForward(VisibleOnly, CheckCollapsed, false, IterateProc, IterateData, StartFrom);
}

void TExTreeItems::IterateBranch(bool VisibleOnly, const TIterateProc& IterateProc, void* IterateData,
                                 TExTreeItem* BranchParent)
{
    if (!BranchParent) {
        Iterate(VisibleOnly, !VisibleOnly, IterateProc, IterateData);
        return;
    }
    auto inBranch = [&](TExTreeItem* Item, Integer Index, bool& ContinueIterate, void* Data, TExTreeModel* Tree) {
        if (Item != BranchParent && !Item->IsUnder(BranchParent)) {
            ContinueIterate = false;
            return;
        }
        IterateProc(Item, Index, ContinueIterate, Data, Tree);
    };
    WalkForward(VisibleOnly, false, true, inBranch, IterateData, BranchParent);
}

void TExTreeItems::IterateBack(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc, void* IterateData)
{
    IterateBackFrom(VisibleOnly, CheckCollapsed, IterateProc, IterateData, nullptr);
}

void TExTreeItems::IterateBackFrom(bool VisibleOnly, bool CheckCollapsed, const TIterateProc& IterateProc,
                                   void* IterateData, TExTreeItem* StartFrom)
{
    const WalkRules rules{VisibleOnly, CheckCollapsed, false, FTree->FilteredVisibility()};
    if (StartFrom && StartFrom->IsHiddenRoot()) StartFrom = nullptr;
    if (!rules.Descends(FRoot)) return;
    // The counter starts at the number of items the whole walk visits (the rows, or all items) and
    // drops with every item walked, wherever the walk starts. A walk into collapsed branches
    // visits more than the rows, and counting from the rows would end it before the first item.
    TExTreeItemList& all = FTree->AllItems();
    Integer counter = Count();
    if (VisibleOnly && !CheckCollapsed) {
        counter = FTree->TotalVisCount();
    } else if (VisibleOnly && rules.Filtered) {
        counter = 0;
        for (Integer i = 0; i < all.Count();) {
            auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
            if (item->Hidden()) {
                i = item->PastBranch(i);
            } else {
                ++counter;
                ++i;
            }
        }
    }
    Integer i = all.Count() - 1;
    if (StartFrom) {
        if (StartFrom->FTree != FTree || !StartFrom->IsAttached()) return;
        i = StartFrom->GetAbsIndex();
    }
    bool continueIterate = true;
    while (i >= 0) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        // The topmost ancestor that the walk passes over or does not enter decides where it goes on.
        TExTreeItem* block = nullptr;
        bool blockSkipped = false;
        for (TExTreeItem* p = item->FParent; p && !p->IsHiddenRoot(); p = p->FParent) {
            if (rules.HiddenSkipped(p)) {
                block = p;
                blockSkipped = true;
            } else if (!rules.Descends(p)) {
                block = p;
                blockSkipped = false;
            }
        }
        if (block) {
            i = block->GetAbsIndex() - (blockSkipped ? 1 : 0);
            continue;
        }
        if (rules.HiddenSkipped(item)) {
            --i;
            continue;
        }
        if (--counter < 0) return;
        IterateProc(item, counter, continueIterate, IterateData, FTree);
        if (!continueIterate) return;
        --i;
    }
}

// Searches

std::string TExTreeItems::CellText(TExTreeItem* Item, Integer ColumnNum) const
{
    if (ColumnNum == -1 || ColumnNum == FTree->MainTreeColumn) return Item->Text();
    if (FTree->IsVirtual())
        return FTree->Host() ? FTree->Host()->TriggerVirtualTextNeeded(Item, ColumnNum) : std::string();
    const Integer line = ColumnNum > FTree->MainTreeColumn ? ColumnNum - 1 : ColumnNum;
    TStringList* columns = Item->ColumnText();
    return columns && line >= 0 && line < columns->Count() ? columns->Get(line) : std::string();
}

TExTreeItem* TExTreeItems::Search(TExTreeItem* StartItem, bool CheckStartItem, bool SubItemsOnly, bool VisibleOnly,
                                  bool CheckCollapsed, bool Backward, const TMatch& Match)
{
    TExTreeItem* result = nullptr;
    auto test = [&](TExTreeItem* Item, Integer, bool& ContinueIterate, void*, TExTreeModel*) {
        if (Item == StartItem && !CheckStartItem) return;
        if (SubItemsOnly && Item != StartItem && !Item->IsUnder(StartItem)) {
            ContinueIterate = false;
            return;
        }
        if (Match(Item)) {
            result = Item;
            ContinueIterate = false;
        }
    };
    if (Backward)
        IterateBackFrom(VisibleOnly, CheckCollapsed, test, nullptr, StartItem);
    else
        IterateFrom(VisibleOnly, CheckCollapsed, test, nullptr, StartItem);
    return result;
}

TExTreeItem* TExTreeItems::LookForItem(TExTreeItem* StartItem, const std::string& TextToFind, void* DataToFind,
                                       Integer ColumnNum, bool LookForData, bool CheckStartItem, bool SubItemsOnly,
                                       bool VisibleOnly, bool NoCase)
{
    return Search(StartItem, CheckStartItem, SubItemsOnly, VisibleOnly, !VisibleOnly, false, [&](TExTreeItem* Item) {
        if (LookForData) return Item->Data() == DataToFind;
        const std::string text = CellText(Item, ColumnNum);
        return NoCase ? AnsiSameText(text, TextToFind) : text == TextToFind;
    });
}

TExTreeItem* TExTreeItems::LookForItem2(TExTreeItem* StartItem, const std::string& TextToFind, bool WholeTextOnly,
                                        void* DataToFind, Integer ColumnNum, bool LookForData, bool CheckStartItem,
                                        bool SubItemsOnly, bool VisibleOnly, bool CheckCollapsed, bool NoCase)
{
    // Both kinds of comparison fold letters by one rule, so that accented letters match alike
    // whether the whole text or a part of it is looked for.
    const std::string wanted = NoCase ? AnsiUpperCase(TextToFind) : TextToFind;
    return Search(StartItem, CheckStartItem, SubItemsOnly, VisibleOnly, CheckCollapsed, false, [&](TExTreeItem* Item) {
        if (LookForData) return Item->Data() == DataToFind;
        const std::string text = CellText(Item, ColumnNum);
        if (WholeTextOnly) return NoCase ? AnsiSameText(text, TextToFind) : text == TextToFind;
        // An empty text is found nowhere, as a position search for it finds nothing.
        if (wanted.empty()) return false;
        return (NoCase ? AnsiUpperCase(text) : text).find(wanted) != std::string::npos;
    });
}

TExTreeItem* TExTreeItems::LookForItemEx(TExTreeItem* StartItem, Integer /*ColumnNum*/, bool CheckStartItem,
                                         bool SubItemsOnly, bool VisibleOnly, void* SearchDetails,
                                         TExLookupCompareProc CompareProc)
{
    if (!CompareProc) return nullptr;
    return Search(StartItem, CheckStartItem, SubItemsOnly, VisibleOnly, !VisibleOnly, false,
                  [&](TExTreeItem* Item) { return CompareProc(Item, SearchDetails); });
}

TExTreeItem* TExTreeItems::LookForItemEx2(TExTreeItem* StartItem, Integer /*ColumnNum*/, bool CheckStartItem,
                                          bool SubItemsOnly, bool VisibleOnly, bool CheckCollapsed, void* SearchDetails,
                                          TExLookupCompareProc CompareProc)
{
    if (!CompareProc) return nullptr;
    return Search(StartItem, CheckStartItem, SubItemsOnly, VisibleOnly, CheckCollapsed, false,
                  [&](TExTreeItem* Item) { return CompareProc(Item, SearchDetails); });
}

TExTreeItem* TExTreeItems::LookBackForItemEx2(TExTreeItem* StartItem, Integer /*ColumnNum*/, bool CheckStartItem,
                                              bool SubItemsOnly, bool VisibleOnly, bool CheckCollapsed,
                                              void* SearchDetails, TExLookupCompareProc CompareProc)
{
    if (!CompareProc) return nullptr;
    return Search(StartItem, CheckStartItem, SubItemsOnly, VisibleOnly, CheckCollapsed, true,
                  [&](TExTreeItem* Item) { return CompareProc(Item, SearchDetails); });
}

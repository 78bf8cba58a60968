// Walks over the items in pre-order (forward) and reverse pre-order (backward), and the searches
// built on them. The walks run over the all-items list and jump over the branches they do not
// enter, which visits and counts exactly what a recursive walk over the children would.
#include <string>
#include <vector>

#include "ctlbase/Exstrutils.h"
#include "platform/Classes.h"
#include "tree/Extreeitems.h"
#include "tree/Extreeres.h"

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

// An item of the all-items list (the hidden root has no branch of its own there).
bool InTree(const TExTreeItem* Item) { return Item && !Item->IsHiddenRoot() && Item->GetAbsIndex() >= 0; }

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
    TExTreeModel::TWalk walk(FTree);
    while (i < all.Count()) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        if (rules.HiddenSkipped(item)) {
            i = item->PastBranch(i);
            continue;
        }
        ++index;
        IterateProc(item, index, continueIterate, IterateData, FTree);
        walk.CheckUnchanged();
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
    // The branch is one piece of the all-items list: the walk ends past its last entry.
    const Integer last = InTree(BranchParent) ? BranchParent->EndOfBranch() : -1;
    auto inBranch = [&](TExTreeItem* Item, Integer Index, bool& ContinueIterate, void* Data, TExTreeModel* Tree) {
        if (Item->GetAbsIndex() > last) {
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
    // The ancestors of the item at hand, top first (Path[level]), each with the topmost ancestor up
    // to it that the walk passes over or does not enter. An item joins the path once, when the walk
    // comes to its branch from below, so the walk costs what it visits however deep the tree.
    struct TStep {
        TExTreeItem* Item;
        TExTreeItem* Block;
    };
    std::vector<TStep> path;
    std::vector<TExTreeItem*> joining;
    bool continueIterate = true;
    TExTreeModel::TWalk walk(FTree);
    while (i >= 0) {
        auto* item = static_cast<TExTreeItem*>(all.FastGet(i));
        joining.clear();
        TExTreeItem* p = item->FParent;
        for (; p && !p->IsHiddenRoot(); p = p->FParent) {
            const auto level = static_cast<size_t>(p->Level());
            if (level < path.size() && path[level].Item == p) break;
            joining.push_back(p);
        }
        path.resize(p && !p->IsHiddenRoot() ? static_cast<size_t>(p->Level()) + 1 : 0);
        for (auto it = joining.rbegin(); it != joining.rend(); ++it) {
            TExTreeItem* block = path.empty() ? nullptr : path.back().Block;
            if (!block && (rules.HiddenSkipped(*it) || !rules.Descends(*it))) block = *it;
            path.push_back({*it, block});
        }
        // The topmost ancestor that the walk passes over or does not enter decides where it goes on.
        if (TExTreeItem* block = path.empty() ? nullptr : path.back().Block) {
            i = block->GetAbsIndex() - (rules.HiddenSkipped(block) ? 1 : 0);
            continue;
        }
        if (rules.HiddenSkipped(item)) {
            --i;
            continue;
        }
        if (--counter < 0) return;
        IterateProc(item, counter, continueIterate, IterateData, FTree);
        walk.CheckUnchanged();
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
    // StartItem's branch is one piece of the all-items list (none when there is no StartItem).
    const bool attached = InTree(StartItem);
    const Integer first = attached ? StartItem->GetAbsIndex() : 0;
    const Integer last = attached && SubItemsOnly ? StartItem->EndOfBranch() : -1;
    auto test = [&](TExTreeItem* Item, Integer, bool& ContinueIterate, void*, TExTreeModel*) {
        if (Item == StartItem && !CheckStartItem) return;
        const Integer at = SubItemsOnly ? Item->GetAbsIndex() : 0;
        if (SubItemsOnly && Item != StartItem && (at <= first || at > last)) {
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

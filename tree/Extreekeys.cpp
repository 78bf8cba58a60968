// Keyboard input: keys that move the focus and the selection, expand and collapse, and the
// incremental search with the worker that forgets the search text after a pause.
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "ctlbase/Exstrutils.h"
#include "platform/Guard.h"
#include "tree/Extreekeys.h"
#include "tree/Extreeview.h"

// ---------------------------------------------------------------- the search's timeout thread

TSearchTextTimeoutThread::TSearchTextTimeoutThread() : TThread(true) {}

void TSearchTextTimeoutThread::SetKeepAlive(bool Value)
{
    FCriticalSection.Acquire();
    FKeepAlive = Value;
    FCriticalSection.Release();
}

bool TSearchTextTimeoutThread::KeepAlive()
{
    FCriticalSection.Acquire();
    const bool value = FKeepAlive;
    FCriticalSection.Release();
    return value;
}

bool TSearchTextTimeoutThread::Prolong()
{
    FCriticalSection.Acquire();
    const bool running = !FEnding;
    if (running) FKeepAlive = true;
    FCriticalSection.Release();
    return running;
}

bool TSearchTextTimeoutThread::Ending()
{
    FCriticalSection.Acquire();
    const bool value = FEnding;
    FCriticalSection.Release();
    return value;
}

void TSearchTextTimeoutThread::Execute()
{
    using namespace std::chrono;
    while (!Terminated()) {
        // A step is slept in slices, so that a view going away does not wait for a whole step.
        const auto end = steady_clock::now() + milliseconds(StepMs);
        while (!Terminated() && steady_clock::now() < end)
            std::this_thread::sleep_for(std::min<steady_clock::duration>(milliseconds(10), end - steady_clock::now()));
        if (Terminated()) return;
        FCriticalSection.Acquire();
        const bool alive = FKeepAlive;
        FKeepAlive = false;
        FEnding = !alive;
        FCriticalSection.Release();
        if (!alive) return;
    }
}

// A worker that has decided to end but whose notification has not come yet would clear the text
// of a key typed after it: it is let go, its notification unbound.
void TExTreeView::RetireEndingSearchThread()
{
    TSearchTextTimeoutThread* thread = FSearchThread;
    thread->OnTerminate = nullptr;
    FSearchThread = nullptr;
    FEndedSearchThread.reset(thread);
}

void TExTreeView::StartClearSearchTimeoutThread()
{
    if (FSearchThread) {
        if (FSearchThread->Prolong()) return;
        RetireEndingSearchThread();
    }
    FEndedSearchThread.reset();
    auto* thread = new TSearchTextTimeoutThread();
    thread->OnTerminate = [this](TObject* Sender) { SearchTextTimeout(Sender); };
    FSearchThread = thread;
    thread->Resume();
}

void TExTreeView::StopClearSearchTimeoutThread()
{
    if (TSearchTextTimeoutThread* thread = FSearchThread) {
        thread->OnTerminate = nullptr;
        FSearchThread = nullptr;
        thread->Terminate();
        delete thread;
    }
    FEndedSearchThread.reset();
}

void TExTreeView::SearchTextTimeout(TObject* Sender)
{
    FSearchText.clear();
    // Called by anything but the running thread, only the text goes: the thread stays known, so
    // that it is still stopped and freed with the view.
    if (!FSearchThread || Sender != FSearchThread) return;
    // The worker is still inside its end notification: it is freed once it has returned.
    FEndedSearchThread.reset(FSearchThread);
    FSearchThread = nullptr;
}

// ---------------------------------------------------------------- the search

bool TExTreeView::ProcessSearch(char Key)
{
    // The pause before this key ended the search, even though the worker has not said so yet.
    if (FSearchThread && FSearchThread->Ending()) {
        RetireEndingSearchThread();
        FSearchText.clear();
    }
    const auto code = static_cast<unsigned char>(Key);
    // The search selects as the arrow keys do, and tells of it at its end as they do.
    TGuardPtr<TCustomExTree> tree(FTree);
    FTree->SetSelectionChanged(false);
    if (code == 27) {
        FSearchText.clear();
        TExTreeModel::TGesture gesture(Model());
        // A gesture that puts a new selection in place of the old takes out what the filter hides
        // too (here and in every such gesture below): nothing the user cannot see stays selected.
        FTree->DeselectAllEx(true);
        if (tree && FTree->SelectionChanged()) AfterSelectionChange();
        return false;
    }
    if (code == 8) {
        if (!FSearchText.empty()) FSearchText.pop_back();
    } else if (code < 33) {
        return false;
    } else {
        FSearchText += Key;
    }
    if (FSearchText.empty()) return false;
    const std::string wanted = FSearchText;
    // Virtual texts come from a handler, which may delete items (they wait until the search is
    // done) or free the tree.
    TExTreeModel* model = Model();
    TExTreeOperation op(model);
    op.HoldAll();
    TExTreeItem* found = nullptr;
    TExTreeItemList& all = model->AllItems();
    // Collapsed branches are searched too; what a filter hides is not offered.
    for (Integer i = 0; i < all.Count() && !found;) {
        TExTreeItem* item = all.FastGet(i);
        if (model->FilteredVisibility() && item->Hidden()) {
            i = item->PastBranch(i);
            continue;
        }
        const std::string text = item->Text();
        if (!tree) return false;
        if (text.size() >= wanted.size() && AnsiSameText(text.substr(0, wanted.size()), wanted)) found = item;
        ++i;
    }
    if (found) {
        TExTreeModel::TGesture gesture(Model());
        TGuardPtr<TExTreeItem> item(found);
        FTree->EnsureVisible(found);
        if (!tree) return false;
        if (item) {
            std::optional<TExUpdateGuard> bracket;
            if (FTree->MultiSelect()) bracket.emplace(Model());
            SelectByKey(found, found->Selected(), 0, false);
            if (!tree) {
                if (bracket) bracket->Forget();
                return false;
            }
            if (bracket) bracket->Done();
            if (!tree) return false;
        }
        if (FTree->SelectionChanged() && !AfterSelectionChange()) return false;
    }
    StartClearSearchTimeoutThread();
    return false;
}

void TExTreeView::KeyPress(char& Key)
{
    if (!(ControlStyle & csNoStdEvents) && FTree->IncrementalSearch()) {
        TGuardPtr<TExTreeView> self(this);
        ProcessSearch(Key);
        if (!self) return;
    }
    TCustomControl::KeyPress(Key);
}

// ---------------------------------------------------------------- finding the next focus

namespace {

// The row standing for Item: Item itself, or the collapsed ancestor whose row hides it.
TExTreeItem* RowOf(TExTreeModel* Model, TExTreeItem* Item)
{
    TExTreeItem* row = Item;
    for (TExTreeItem* p = Item->Parent(); p; p = p->Parent()) {
        if (!p->Expanded()) row = p;
        if (Model->FilteredVisibility() && p->Hidden()) row = nullptr;
    }
    if (row && Model->FilteredVisibility() && row->Hidden()) return nullptr;
    return row;
}

}  // namespace

TExTreeItem* TExTreeView::FindNewFocused(Word Key, Integer* PVisIndex, bool& Sel)
{
    TExTreeItems* items = FTree->Items();
    TExTreeItem* focused = FocusedItem();
    TExTreeItem* result = focused;
    Integer steps = 0;
    const bool uniform = Model()->VarHeightCount == 0;
    auto usable = [this](TExTreeItem* Item) { return Usable(Item); };
    switch (Key) {
    case VK_UP:
    case VK_DOWN: {
        const bool down = Key == VK_DOWN;
        if (!focused) {
            if (RowCount() == 0) break;
            items->Iterate(true, false,
                           [&](TExTreeItem* Item, Integer, bool& Continue, void*, TExTreeModel*) {
                               if (usable(Item)) {
                                   result = Item;
                                   Continue = false;
                               } else {
                                   ++steps;
                               }
                           },
                           nullptr);
            if (PVisIndex && result) *PVisIndex = steps;
            break;
        }
        // A focus inside a collapsed branch moves from the row that hides it.
        TExTreeItem* start = RowOf(Model(), focused);
        if (!start) break;
        const bool fromHidden = start != focused;
        auto visit = [&](TExTreeItem* Item, Integer, bool& Continue, void*, TExTreeModel*) {
            if (Item == start && !(fromHidden && !down)) return;
            ++steps;
            if (usable(Item)) {
                result = Item;
                Continue = false;
            }
        };
        if (down)
            items->IterateFrom(true, false, visit, nullptr, start);
        else
            items->IterateBackFrom(true, false, visit, nullptr, start);
        if (PVisIndex && result != focused) {
            const Integer row = FVisibleRows.IndexOf(start);
            const Integer at = row >= 0 ? FTree->TopIndex() + row : start->VisIndex();
            *PVisIndex = down ? at + steps : at - steps + (fromHidden ? 1 : 0);
        }
        break;
    }
    case VK_NEXT:
    case VK_PRIOR: {
        if (!focused) break;
        const bool down = Key == VK_NEXT;
        const Integer top = FTree->TopIndex();
        Integer page;
        if (uniform) {
            page = GetVisCount() - 1;
        } else if (down) {
            page = CalcPageDownPos(top) - top;
        } else {
            const Integer row = FVisibleRows.IndexOf(focused);
            const Integer at = row >= 0 ? top + row : focused->VisIndex();
            page = at < 0 ? top - CalcPageUpPos(top) : at - CalcPageUpPos(at);
        }
        // A row taller than the view is a page of its own.
        Integer count = std::max<Integer>(page, 1);
        TExTreeItem* start = RowOf(Model(), focused);
        if (!start) break;
        auto visit = [&](TExTreeItem* Item, Integer, bool& Continue, void*, TExTreeModel*) {
            if (!usable(Item)) return;
            result = Item;
            if (--count < 0) Continue = false;
        };
        if (down)
            items->IterateFrom(true, false, visit, nullptr, start);
        else
            items->IterateBackFrom(true, false, visit, nullptr, start);
        break;
    }
    case VK_HOME:
        if (!focused) break;
        items->Iterate(true, false,
                       [&](TExTreeItem* Item, Integer, bool& Continue, void*, TExTreeModel*) {
                           if (usable(Item)) {
                               result = Item;
                               Continue = false;
                           }
                       },
                       nullptr);
        break;
    case VK_END:
        if (!focused) break;
        items->IterateBack(true, false,
                           [&](TExTreeItem* Item, Integer, bool& Continue, void*, TExTreeModel*) {
                               if (usable(Item)) {
                                   result = Item;
                                   Continue = false;
                               }
                           },
                           nullptr);
        break;
    default: break;
    }
    Sel = result && result->Selected();
    return result;
}

// ---------------------------------------------------------------- keys

namespace {

bool ExpandableByKey(TExTreeItem* Item) { return Item->HasVisibleChildren() || Item->ForceButtons(); }

}  // namespace

void TExTreeView::KeyDown(Word& Key, TShiftState Shift)
{
    // An item a handler deletes during the key goes when the key is done; a tree a handler frees
    // keeps its items until then.
    TExTreeOperation op(Model());
    op.HoldAll();
    TExTreeModel::TGesture gesture(Model());
    TGuardPtr<TCustomExTree> tree(FTree);
    // A key means the user has moved on from a click that would start an edit.
    StopEditTimer();
    TCustomControl::KeyDown(Key, Shift);
    if (!tree) return;
    if ((ControlStyle & csNoStdEvents) || FFrameSelecting) return;
    FTree->SetSelectionChanged(false);
    std::optional<TExUpdateGuard> bracket;
    if (FTree->MultiSelect()) bracket.emplace(Model());
    if ((Shift & ssCtrl) && (Shift & ssShift)) Shift &= ~TShiftState(ssCtrl);
    TExTreeItem* focused = FocusedItem();
    const bool focusedUsable = focused && Usable(focused);
    Word key = Key;
    bool sizeColumns = false;
    if (FTree->RightAlignedTree() && (key == VK_LEFT || key == VK_RIGHT)) key = key == VK_LEFT ? VK_RIGHT : VK_LEFT;
    switch (key) {
    case '8':
        if ((Shift & ssShift) && focusedUsable && ExpandableByKey(focused)) focused->Expand(true);
        break;
    case VK_MULTIPLY:
        if (focusedUsable && ExpandableByKey(focused)) {
            focused->Expand(true);
            if (tree) FitMostChildren(focused);
        }
        break;
    case VK_ADD:
        if (Shift & ssCtrl) {
            // Sizing waits for the bracket of a multi-select tree to close: inside one it does nothing.
            sizeColumns = true;
        } else if (focusedUsable && !focused->Expanded() && ExpandableByKey(focused)) {
            focused->Expand(false);
            if (tree) FitMostChildren(focused);
        }
        break;
    case VK_SUBTRACT:
        if (focusedUsable && focused->Expanded()) focused->Collapse(false);
        break;
    case VK_DIVIDE:
        if (focusedUsable) focused->Collapse(true);
        break;
    case VK_BACK:
        if (focused) {
            TExTreeItem* parent = focused->Parent();
            if (parent && Usable(parent)) {
                FTree->DoSetFocusedEx(parent, false, true);
                if (tree) FTree->EnsureVisible(parent);
            }
        }
        break;
    case VK_SPACE:
        if (FTree->MultiSelect() && focusedUsable) {
            if (FTree->SelectionMode() == smUsual && !(Shift & (ssCtrl | ssShift))) {
                FTree->DeselectAllEx(true);
                if (!tree) {
                    if (bracket) bracket->Forget();
                    return;
                }
                Model()->SetSelected(focused);
            } else if (FTree->SelectionMode() == smSimple) {
                Model()->SetSelected(focused);
            }
            focused->SetSelected(!focused->Selected());
            // The inversion set the flag as well: the event comes again at the end of the key.
            TGuardPtr<TExTreeView> self(this);
            if (tree) FTree->DoAfterSelectionChange();
            if (!tree || !self) {
                if (bracket) bracket->Forget();
                return;
            }
        }
        break;
    case VK_LEFT:
        if (focusedUsable && focused->Expanded()) {
            focused->Collapse(false);
            break;
        }
        NavigateByKey(VK_LEFT, Shift);
        break;
    case VK_RIGHT:
        if (focusedUsable && !focused->Expanded() && ExpandableByKey(focused)) {
            focused->Expand(false);
            if (tree) FitMostChildren(focused);
            break;
        }
        NavigateByKey(VK_RIGHT, Shift);
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END: NavigateByKey(key, Shift); break;
    default: break;
    }
    if (!tree) {
        if (bracket) bracket->Forget();
        return;
    }
    if (bracket) bracket->Done();
    if (!tree) return;
    if (sizeColumns) {
        FTree->AutoSizeAllColumns();
        if (!tree) return;
    }
    if (FTree->SelectionChanged()) AfterSelectionChange();
}

void TExTreeView::NavigateByKey(Word Key, TShiftState Shift)
{
    TGuardPtr<TCustomExTree> tree(FTree);
    TExTreeItem* prevFocused = FocusedItem();
    TExTreeItem* found = nullptr;
    bool foundSelected = false;
    Integer visIndex = -1;
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
        found = FindNewFocused(Key, &visIndex, foundSelected);
        if (!prevFocused && !found) return;
        break;
    case VK_LEFT:
        found = prevFocused ? prevFocused->Parent() : nullptr;
        foundSelected = found && found->Selected();
        break;
    case VK_RIGHT: {
        found = prevFocused ? prevFocused->GetFirstVisibleChild() : nullptr;
        foundSelected = found && found->Selected();
        TExUpdateGuard bracket(Model());
        Model()->MarkRows();
        FTree->RefreshFlags().UpdatePending = true;
        bracket.Done();
        if (!tree) return;
        break;
    }
    default: found = FindNewFocused(Key, nullptr, foundSelected); break;
    }
    // Left on a root item or Right on a leaf has nowhere to go: it stays on the focused item, as
    // Up on the first row does; a range would otherwise run from the top of the tree.
    if (!found) found = prevFocused;
    if (!found) return;
    SelectByKey(found, foundSelected, Shift, true);
    if (!tree) return;
    ScrollToFocusedByKey(Key, visIndex);
}

void TExTreeView::SelectByKey(TExTreeItem* Found, bool FoundSelected, TShiftState Shift, bool Delayed)
{
    TGuardPtr<TCustomExTree> tree(FTree);
    const bool multi = FTree->MultiSelect();
    const bool ctrl = (Shift & ssCtrl) != 0;
    const bool shift = (Shift & ssShift) != 0;
    const bool simple = FTree->SelectionMode() == smSimple;
    const bool usual = FTree->SelectionMode() == smUsual;
    TExTreeItem* prevFocused = FocusedItem();
    TExTreeItem* anchor = Model()->Selected();
    if (multi && ((ctrl && usual) || simple) && !shift) {
        // The focus moves alone: no item's selection changes, also where the move crosses a
        // level, whose rule would start the selection afresh.
        if (Found != prevFocused) {
            Model()->MoveFocusAlone(Found, Delayed);
            if (!tree) return;
        }
        Model()->SetSelected(ctrl ? anchor : FocusedItem());
        return;
    }
    const bool prevSelected = prevFocused && prevFocused->Selected();
    const bool anchorSelected = anchor && anchor->Selected();
    // Each step raises OnItemSelectedChange, whose handler may free the tree (the items stay
    // until the key is done).
    if (multi && usual) FTree->DeselectAllEx(true);
    if (!tree) return;
    if (multi) {
        if (simple && prevFocused) prevFocused->SetSelected(prevSelected);
        if (tree && shift) {
            FTree->SelectRangeEx2(anchor, Found, false, false);
            if (tree && anchor) anchor->SetSelected(anchorSelected);
        }
        if (tree && simple && Found != prevFocused) Found->SetSelected(!FoundSelected);
        if (tree && shift && Found != FocusedItem()) Found->SetSelected(false);
        if (!tree) return;
    }
    if (Found == FocusedItem()) {
        if (multi && !Model()->Selected()) Model()->SetSelected(anchor);
        Found->SetSelected(true);
        if (!tree) return;
    } else {
        if (Delayed)
            FTree->DoSetFocusedEx(Found, false, true);
        else
            FTree->SetFocused(Found);
        if (!tree) return;
        if (multi) Model()->SetSelected(anchor);
    }
    if (!multi || !shift) {
        if (TExTreeItem* focused = FocusedItem()) {
            if (multi) Model()->SetSelected(focused);
            if (multi && usual) focused->SetSelected(true);
        }
    }
}

void TExTreeView::ScrollToFocusedByKey(Word Key, Integer VisIndex)
{
    TExTreeItem* focused = FocusedItem();
    if (!focused || FVisibleRows.IndexOf(focused) >= 0) return;
    // Bringing the item into view may expand its branch, whose handlers may free the tree.
    TGuardPtr<TCustomExTree> tree(FTree);
    const bool uniform = Model()->VarHeightCount == 0;
    const Integer top = FTree->TopIndex();
    auto index = [&] { return VisIndex >= 0 ? VisIndex : focused->VisIndex(); };
    switch (Key) {
    case VK_UP:
    case VK_LEFT: SetVPosition(index()); break;
    case VK_DOWN: {
        const Integer at = index();
        SetVPosition(uniform ? at - (GetVisCount() - 2) : CalcPageUpPos(at));
        break;
    }
    case VK_RIGHT: FTree->EnsureVisibleBottom(focused); break;
    case VK_PRIOR: SetVPosition(PageUpPos(top)); break;
    case VK_NEXT: SetVPosition(PageDownPos(top)); break;
    case VK_HOME: SetVPosition(0); break;
    case VK_END: SetVPosition(Model()->TotalVisCount() - 1); break;
    default: return;
    }
    if (!tree) return;
    TExTreeRefresh& w = FTree->RefreshFlags();
    w.RowsChanged = w.ViewChanged = true;
}

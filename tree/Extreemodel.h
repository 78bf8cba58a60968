// The window-free half of a tree: the all-items list, the update bracket with its refresh flags,
// the counts, the focus and the selection, and the settings the items read. Items and the item
// collection change data and raise flags here; the end of the outermost update bracket hands the
// flags to the host (the tree control) as one piece of work. Without a host the model works alone,
// which is how its tests run.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "ctlbase/Exlist.h"
#include "platform/Types.h"
#include "tree/Extreelist.h"

class TExTreeItem;
class TExTreeItems;
class TExTreeModel;
class TExHTMLData;

enum TItemChangeMode { icmText, icmState, icmCheckState };
enum TSortModes { smNone, smAdd, smClick, smAddClick };
enum TSortTypes : Byte { stCustom, stText, stNumber, stFloating, stDateTime, stDate, stTime, stBoolean, stCurrency };
enum TVirtualityLevel { vlNone, vlTextAndStyles };

// What the outermost end of the update bracket owes the view. The tree-level flags are cleared by
// the model after the host has run; the view-level flags are the view's own, and the host clears
// each one when it has acted on it.
struct TExTreeRefresh {
    // tree level
    bool UpdatePending = false;
    bool SortPending = false;             // the whole tree is sorted again
    TExTreeItem* SortParent = nullptr;    // only the children of this item (outside a bracket)
    bool ColumnsAutoSizePending = false;
    // view level
    bool RowsChanged = false;
    bool ViewChanged = false;
    bool TopIndexChanged = false;
    bool VisCountChanged = false;
    bool HRangeStale = false;             // the view's horizontal content width is -1
};

// Which part of an item's row a redraw covers.
enum TExRedrawArea {
    raRow,       // the whole row
    raRange,     // Left..Right in content coordinates
    raMainCell,  // the main column's cell (the whole row without columns)
};

// What the tree control does for the model. Every operation has a harmless default, so a host
// implements only what it shows.
class TExTreeHost {
public:
    virtual ~TExTreeHost() = default;

    // Called at every opening and closing of the update bracket, before the model's own counting.
    virtual void UpdateBracket(bool /*Opening*/) {}
    // The outermost close: scroll bars, top row, column widths, sorting, the view's update.
    virtual void UpdateRefresh(TExTreeRefresh& /*Work*/) {}

    // Invalidates part of an item's row; nothing when the item is not among the rows on screen.
    virtual void RedrawItem(TExTreeItem* /*Item*/, TExRedrawArea /*Area*/, Integer /*Left*/, Integer /*Right*/) {}

    // Size of one cell (SectionIndex -1: the tree column); the model asks when it measures heights.
    virtual TPoint MeasureCell(TExTreeItem* Item, Integer SectionIndex);
    // The widths of Item's cells may have changed (its texts, images, indent, fonts, state
    // pictures) and, with Branch, the rows of its branch came, went or moved (expansion, hiding,
    // insertion, a move). A host that keeps the widths itself (the widest row without columns,
    // each column's widest cell with them) answers True; otherwise the model marks the widest
    // row's width to be measured again where it did before.
    virtual bool RowWidthChanged(TExTreeItem* /*Item*/, bool /*Branch*/) { return false; }
    virtual Integer SectionCount() { return 0; }
    // Marked-up text prepared by the tree's markup renderer with the tree's font; nil for none.
    virtual TExHTMLData* RenderHTML(const std::string& /*Text*/) { return nullptr; }
    virtual void FreeHTML(TExHTMLData* /*Data*/) {}

    // Events.
    virtual void DoItemChange(TExTreeItem* /*Item*/, TItemChangeMode /*Mode*/) {}
    virtual void DoItemDelete(TExTreeItem* /*Item*/) {}
    virtual void DoItemExpanding(TExTreeItem* /*Item*/, bool& /*CanProcess*/) {}
    virtual void DoItemExpand(TExTreeItem* /*Item*/) {}
    virtual void DoItemCollapsing(TExTreeItem* /*Item*/, bool& /*CanProcess*/) {}
    virtual void DoItemCollapse(TExTreeItem* /*Item*/) {}
    virtual void TriggerItemSelectedChangeEvent(TExTreeItem* /*Item*/) {}
    // AllowChange arrives as the caller's preset; an unassigned handler leaves it True.
    virtual void DoChanging(TExTreeItem* /*Item*/, bool& AllowChange) { AllowChange = true; }
    virtual void DoItemFocused() {}
    virtual void StartDelayedFocus(TExTreeItem* /*Item*/) {}
    virtual std::string TriggerVirtualTextNeeded(TExTreeItem* /*Item*/, Integer /*SectionIndex*/) { return {}; }
    virtual std::string TriggerVirtualHintNeeded(TExTreeItem* /*Item*/) { return {}; }

    // The view.
    // The item is going away (or leaving the tree): the hot-tracked, hint and drop-target items
    // forget it, and an edit of it is cancelled.
    virtual void ForgetItem(TExTreeItem* /*Item*/) {}
    // The item leaves the list of rows on screen.
    virtual void RemoveRow(TExTreeItem* /*Item*/) {}
    // A filter hid items: the hot-tracked and drop-target items are dropped when hidden.
    virtual void ForgetHiddenItems() {}
    // The newly focused item: scrolls one row when it is the partly hidden last row.
    virtual void FocusedItemShown(TExTreeItem* /*Item*/) {}
    virtual TExTreeItem* DropTarget() { return nullptr; }
    // The item's row in tree coordinates; empty when it is not on screen.
    virtual TRect ItemRowRect(TExTreeItem* /*Item*/) { return {}; }
    virtual void EditItem(TExTreeItem* /*Item*/, Integer /*SectionIndex*/) {}
    virtual void EndEdit(bool /*ByCancel*/) {}
    virtual void EnsureVisible(TExTreeItem* /*Item*/) {}
};

// One mechanism for handlers that free what raised them. An operation of the tree that raises
// events and goes on afterwards opens a TExTreeOperation first and holds the items it goes on
// using. While operations run:
// - an item a handler deletes while an operation holds it (or an item below it) leaves the tree at
//   once, and is told of and freed when the outermost operation ends, also when an error ends it;
//   deletions of other items run whole at once;
// - a control freed by a handler leaves its model and items in place until the outermost
//   operation ends (nothing reaches the control that went), and the model goes then.
// Code above the model checks its own objects with TGuardPtr.
class TExTreeOperation {
public:
    explicit TExTreeOperation(TExTreeModel* Tree);
    TExTreeOperation(const TExTreeOperation&) = delete;
    TExTreeOperation& operator=(const TExTreeOperation&) = delete;
    // The outermost end runs the waiting deletions, which raise events: it may throw.
    ~TExTreeOperation() noexcept(false);
    // Holds Item (nil: nothing) until this operation ends.
    void Hold(TExTreeItem* Item);
    // Holds every item: a walk over many items, or input that may touch any.
    void HoldAll();

private:
    TExTreeModel* FTree;
    Integer FHolds = 0;
    int FExceptions;
};

// The first error of the handlers a step hears out: the step goes on to its end past them (an item
// told of its deletion goes all the same) and then raises the first.
class TExFirstError {
public:
    template <class TStep>
    void Hear(TStep&& Step)
    {
        try {
            Step();
        } catch (...) {
            if (!FError) FError = std::current_exception();
        }
    }
    void Raise()
    {
        if (FError) std::rethrow_exception(std::exchange(FError, nullptr));
    }

private:
    std::exception_ptr FError;
};

// Raises a count for a scope, lowered however the scope is left.
class TExCountScope {
public:
    explicit TExCountScope(Integer& Count) : FCount(Count) { ++FCount; }
    TExCountScope(const TExCountScope&) = delete;
    TExCountScope& operator=(const TExCountScope&) = delete;
    ~TExCountScope() { --FCount; }

private:
    Integer& FCount;
};

// Factory of the items of a tree (the collection's item class).
using TExTreeItemClass = TExTreeItem* (*)(TExTreeModel* Owner);

class TExTreeModel {
public:
    explicit TExTreeModel(TExTreeHost* Host = nullptr, TExTreeItemClass ItemClass = nullptr);
    TExTreeModel(const TExTreeModel&) = delete;
    TExTreeModel& operator=(const TExTreeModel&) = delete;
    virtual ~TExTreeModel();

    TExTreeHost* Host() const { return FHost; }
    void SetHost(TExTreeHost* Value) { FHost = Value; }
    TExTreeItems* Items() const { return FItems; }
    TExTreeItem* Root() const;

    // Settings of the tree that the items read; the tree control's property setters write them.
    bool ShowColumns = false;
    bool ShowImages = true;
    bool ShowEmptyImages = false;
    bool ShowEmptyImages2 = false;
    bool ShowButtons = true;
    bool ShowLines = true;
    bool ShowCheckboxes = false;
    bool KeepSelectionWithinLevel = false;
    Integer MultiSelectLevel = -1;
    bool AutoExpand = false;
    bool AutoCollapse = false;
    bool MoveFocusOnCollapse = false;
    bool DeselectChildrenOnCollapse = false;
    Integer ChangeDelay = 500;
    TSortModes SortMode = smNone;
    Integer SortSection = 0;
    Integer MainTreeColumn = 0;
    Integer SortDepth = 0;  // above 0 while a sort runs
    Integer LineHeight = 17;
    // The tree's font, copied into the cell styles items create.
    Integer FontSize = 8;
    unsigned FontStyles = 0;
    std::string FontName = "MS Sans Serif";
    // The tree's component state.
    bool Loading = false;
    bool Destroying = false;

    // Multi-line items count as rows of their own height only while this is on: the setter moves
    // them into or out of the variable-height count and has their heights measured again.
    bool AdjustMultilineHeight() const { return FAdjustMultilineHeight; }
    void SetAdjustMultilineHeight(bool Value);
    // Every measured row height is measured again when next asked (line height, font or columns
    // changed).
    void InvalidateHeights();

    bool FilteredVisibility() const { return FFilteredVisibility; }
    void SetFilteredVisibility(bool Value);
    TVirtualityLevel VirtualityLevel() const { return FVirtualityLevel; }
    // Every item's own texts and styles are dropped (going virtual) or made anew, empty (back).
    void SetVirtualityLevel(TVirtualityLevel Value);
    bool IsVirtual() const { return FVirtualityLevel != vlNone; }

    // Update bracket.
    void SetUpdating(bool Value);
    // Closes one level without the refresh (a bracket left by an exception).
    void AbandonUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    Integer UpdateCount() const { return FUpdateCount; }
    bool InUpdateRefresh() const { return FInUpdateRefresh; }
    TExTreeRefresh& Refresh() { return FRefresh; }
    // Sets the four view flags that make the rows be built again.
    void MarkRows();
    // The same for rows that came in as a branch the row count already took.
    void MarkRowsCounted();
    // Asks for the view's update: at the end of the bracket, or at once outside one.
    void RequestUpdate();

    // Counts.
    Integer HiddenCount = 0;
    Integer VarHeightCount = 0;
    // Rows: items whose ancestors are all expanded (and, when filtering, none of them hidden).
    Integer TotalVisCount();
    // Whether the row count stands as counted (no change since that asks for a count afresh).
    bool VisCountKnown() const { return !FVisCountStale; }
    // A branch Count entries long came in at Position of the all-items list while the row count
    // stood known: the count takes its rows, counted in the branch alone.
    void BranchRowsCameIn(TExTreeItem* Top, Integer Position, Integer Count);
    // Changes whenever the rows may have changed (structure, expansion, hiding, filtering): a view
    // keeps positions it steps from only while this stays the same.
    Integer RowsVersion() const { return FRowsVersion; }
    // Changes whenever items are attached, detached or moved.
    Integer StructureVersion() const { return FStructureVersion; }

    // The all-items list: every item but the hidden root, in pre-order. Change it only through the
    // operations below; a direct change (Put) calls InvalidateIndexes, so views step afresh.
    TExTreeItemList& AllItems() { return FAllItems; }
    Integer IndexOfItem(const TExTreeItem* Item) const { return FAllItems.IndexOf(Item); }
    // The rows may have changed from FromPosition on: the row count is counted again and views
    // drop the positions they step from.
    void InvalidateIndexes(Integer FromPosition);
    // Block operations that keep the rows' bookkeeping in step.
    void ListInsert(Integer Position, TExTreeItem* const* Block, Integer Count);
    void ListRemove(Integer From, Integer To);
    void ListRemoveItem(TExTreeItem* Item);
    // Moves From..To to stand just before the entry at Dest (Dest = Count: to the end).
    void ListMove(Integer From, Integer To, Integer Dest);

    // Focus and selection.
    // A focus move selects its item in a single-select tree. In a multi-select tree it changes the
    // selection only inside a user's gesture (TGesture), where the input handlers have preset the
    // item so that the toggle lands on the state they want; a move from code (SetFocused), or one
    // the tree makes itself (a deletion, a collapse, the filter's repair), leaves the selection as
    // it was apart from the items that went.
    TExTreeItem* Focused() const { return FFocused; }
    void SetFocused(TExTreeItem* Item);
    void DoSetFocused(TExTreeItem* Item, bool Forced);
    bool DoSetFocusedEx(TExTreeItem* Item, bool Forced, bool Delayed);
    // A gesture's focus move that leaves every item's selection as it is (Ctrl with the arrows).
    bool MoveFocusAlone(TExTreeItem* Item, bool Delayed) { return MoveFocus(Item, false, Delayed, false); }
    // A user's gesture (a click, a key) for a scope: its own focus moves toggle their item's
    // selection in a multi-select tree; those of the handlers it raises do not.
    class TGesture {
    public:
        explicit TGesture(TExTreeModel* Tree);
        TGesture(const TGesture&) = delete;
        TGesture& operator=(const TGesture&) = delete;
        ~TGesture();

    private:
        TExTreeOperation FOp;  // keeps the model while a handler frees the control
        TExTreeModel* FTree;
        Integer FOuter;
    };
    // The selection anchor (the selected item of a single-select tree).
    TExTreeItem* Selected() const { return FSelected; }
    void SetSelected(TExTreeItem* Item);
    // Selects Item in a single-select tree, toggles it in a multi-select tree.
    void DoSetSelected(TExTreeItem* Item);
    // Anchor and focus bookkeeping for the items: no events, no selection change.
    void ForgetAnchor(TExTreeItem* Item);
    void ForgetFocus(TExTreeItem* Item)
    {
        if (FFocused == Item) FFocused = nullptr;
    }
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    // The selected items in the order they were selected; nil in a single-select tree.
    // A copy, made when asked after a change (it costs the selection's size): walk Selection() where
    // the count or the order is all that is needed.
    TExList* SelectedList() const;
    // The selected items in the order they were selected (empty in a single-select tree); taking one
    // out costs what one block of the list holds, wherever it stands.
    const TExTreeItemList& Selection() const { return FSelection; }
    Integer SelCount() const;
    void DeselectAll();
    void DeselectAllEx(bool IncludeHidden);
    bool SelectionChanged = false;
    // Focus and changing events are held back while the lock is above 0.
    Byte FocusEventsLock = 0;
    bool FireFocusEvents() const { return FocusEventsLock == 0 && !Destroying; }
    // Repairs focus and anchor after a filter hid items.
    void UpdateDiffItems();

    // Operations and the handlers they raise (TExTreeOperation below).
    bool Busy() const { return FOperations > 0; }
    bool Walking() const { return FWalks > 0; }
    // Puts off a deletion of Item that must not run now, and answers True for it: Item is on its
    // way already, or a handler asked for it while an operation holds Item or an item below it (it
    // then leaves the tree at once and waits, outside it, for the end of the outermost operation,
    // error or not, to be told of and freed).
    bool DeferDeletion(TExTreeItem* Item);
    void ForgetWaitingDeletion(TExTreeItem* Item);
    // A walk of the items runs for a scope (TExTreeItems' walks and searches): its callbacks may
    // read the tree but not change it. A deletion meanwhile is refused with EExTreeError (the walk
    // stands on the items); after a callback that moved, added or deleted items, or freed the
    // control, the walk ends with that error instead of going on over them.
    class TWalk {
    public:
        explicit TWalk(TExTreeModel* Tree);
        TWalk(const TWalk&) = delete;
        TWalk& operator=(const TWalk&) = delete;
        ~TWalk();
        void CheckUnchanged() const;

    private:
        TExTreeOperation FOp;  // keeps the model while a callback frees the control
        TExTreeModel* FTree;
        Integer FStructure;
        bool FDestroying;
    };
    // The host goes (the control is being freed). Returns true when the model has to stay because
    // operations run: it frees itself when the outermost ends, and until then raises nothing.
    bool HostGone();
    // Counts a handler call for a scope; opens an operation too, so that a handler that frees the
    // control leaves the model in place until the scope ends.
    class TRaise {
    public:
        explicit TRaise(TExTreeModel* Tree);
        TRaise(const TRaise&) = delete;
        TRaise& operator=(const TRaise&) = delete;
        ~TRaise();

    private:
        TExTreeOperation FOp;
        TExTreeModel* FTree;
    };

    // Calls from the items to the host that add the model's own rules. The events count as
    // handler calls (TRaise); nothing is raised without a host.
    void DoChanging(TExTreeItem* Item, bool& AllowChange);
    void TriggerItemSelectedChangeEvent(TExTreeItem* Item);
    void RaiseItemChange(TExTreeItem* Item, TItemChangeMode Mode);
    void RaiseItemDelete(TExTreeItem* Item);
    // False when a handler refused.
    bool RaiseItemExpanding(TExTreeItem* Item);
    void RaiseItemExpand(TExTreeItem* Item);
    bool RaiseItemCollapsing(TExTreeItem* Item);
    void RaiseItemCollapse(TExTreeItem* Item);
    TPoint MeasureCell(TExTreeItem* Item, Integer SectionIndex);

private:
    void EndUpdateWork();
    // DoSetFocusedEx with the selection rule spelt out: ByUser, a user's gesture moves the focus.
    bool MoveFocus(TExTreeItem* Item, bool Forced, bool Delayed, bool ByUser);
    // The focus moves because its item goes or cannot be shown.
    void RescueFocus(TExTreeItem* Item) { MoveFocus(Item, true, false, false); }
    void DeselectOne(TExTreeItem* Item);
    // The item shown nearest to a hidden root item; nil when none is.
    TExTreeItem* NearestShown(TExTreeItem* Item);
    // Where focus or anchor go when Hidden, the topmost hidden item above them, hides them.
    TExTreeItem* ShownInstead(TExTreeItem* Hidden);
    // Rows among the entries From..To-1 of the all-items list, each taken as a row unless an
    // entry before it in the range left it out (collapsed or, when filtering, hidden).
    Integer RowsIn(Integer From, Integer To) const;

    TExTreeHost* FHost;
    TExTreeItems* FItems = nullptr;
    TExTreeItemList FAllItems;
    Integer FUpdateCount = 0;
    bool FInUpdateRefresh = false;
    bool FRefreshAsked = false;
    static constexpr int MaxRefreshRounds = 4;
    TExTreeRefresh FRefresh;
    Integer FTotalVisCount = 0;
    bool FVisCountStale = false;
    Integer FRowsVersion = 0;
    Integer FStructureVersion = 0;
    bool FFilteredVisibility = false;
    bool FAdjustMultilineHeight = true;
    TVirtualityLevel FVirtualityLevel = vlNone;
    // Items made so far; each item takes the next number as its serial.
    std::uint64_t FItemsMade = 0;
    TExTreeItem* FFocused = nullptr;
    TExTreeItem* FSelected = nullptr;
    bool FMultiSelect = true;
    TExTreeItemList FSelection;
    mutable TExList FSelectedCopy;
    mutable bool FSelectedCopyStale = true;
    void SelectionAdd(TExTreeItem* Item);
    void SelectionRemove(TExTreeItem* Item);
    // Operations running, the items they hold (nil: all) with the handler depth at which they
    // were held, deletions waiting for the outermost end, and the handlers running.
    struct THold {
        TExTreeItem* Item;
        Integer Depth;
    };
    Integer FOperations = 0;
    std::vector<THold> FHolds;
    std::vector<TExTreeItem*> FWaitingDeletions;
    Integer FRaising = 0;
    Integer FWalks = 0;
    // The handler depth of the innermost user's gesture (-1: none).
    Integer FGestureDepth = -1;
    bool FOrphaned = false;
    void OperationsEnded(bool Unwinding);
    void FreeOrphan();

    friend class TExTreeItem;
    friend class TExTreeItems;
    friend class TExTreeOperation;
};

// Opens the update bracket for a scope. Done closes it (and runs the refresh); a scope left by an
// exception only lowers the count, so no refresh runs while an error is on its way.
class TExUpdateGuard {
public:
    explicit TExUpdateGuard(TExTreeModel* Model);
    TExUpdateGuard(const TExUpdateGuard&) = delete;
    TExUpdateGuard& operator=(const TExUpdateGuard&) = delete;
    ~TExUpdateGuard();
    void Done();
    // The tree went while the bracket was open (a handler freed it): nothing is closed.
    void Forget() { FOpen = false; }

private:
    TExTreeModel* FModel;
    bool FOpen;
};

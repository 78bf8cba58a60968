// Items that cross trees, styles held twice, deletion handlers that delete more, and the selection
// list and marks through filtering and mode switches.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "InputTest.h"
#include "TreeRecorder.h"
#include "tree/Extree.h"

namespace {

std::string Shape(TExTreeItems& Items)
{
    std::string s;
    for (Integer i = 0; i < Items.Count(); ++i) {
        TExTreeItem* item = Items.Item(i);
        s += (s.empty() ? "" : " ") + std::string(static_cast<size_t>(item->Level()), '.') + item->Text();
    }
    return s;
}

// ---- another tree's item as the place of a move or an insertion

struct CrossCase {
    const char* name;
    std::function<void(TExTreeItems& Mine, TExTreeItem* A, TExTreeItem* Theirs)> act;
};

class CrossTree : public ::testing::TestWithParam<CrossCase> {};

TEST_P(CrossTree, IsRefusedAndBothTreesStayWhole)
{
    auto* mine = new TExTreeModel;
    auto* theirs = new TExTreeModel;
    TExTreeItem* A = mine->Items()->Add(nullptr, "A");
    mine->Items()->AddChild(A, "A1");
    mine->Items()->Add(nullptr, "B");
    TExTreeItem* X = theirs->Items()->Add(nullptr, "X");
    theirs->Items()->AddChild(X, "X1");
    const std::string before = Shape(*mine->Items());
    try {
        GetParam().act(*mine->Items(), A, X->GetFirstChild());
        ADD_FAILURE() << "no error";
    } catch (const EExTreeError& e) {
        EXPECT_EQ(e.Message(), extree::exInvItem);
    }
    EXPECT_EQ(Shape(*mine->Items()), before);
    EXPECT_EQ(Shape(*theirs->Items()), "X .X1");
    EXPECT_EQ(X->GetFirstChild()->Count(), 0);
    // Either order of going: a half-moved item would be freed twice (the sanitizer sees it).
    delete theirs;
    delete mine;
}

const CrossCase CrossCases[] = {
    {"MoveTo", [](TExTreeItems&, TExTreeItem* A, TExTreeItem* T) { A->MoveTo(T); }},
    {"MoveToIns", [](TExTreeItems&, TExTreeItem* A, TExTreeItem* T) { A->GetFirstChild()->MoveToIns(T, 0); }},
    {"MoveToItemAddChild", [](TExTreeItems&, TExTreeItem* A, TExTreeItem* T) { A->MoveToItem(T, naAddChild); }},
    {"MoveToItemInsert", [](TExTreeItems&, TExTreeItem* A, TExTreeItem* T) { A->MoveToItem(T, naInsert); }},
    {"InsertAfter", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.InsertAfter(T, "N"); }},
    {"InsertAfterObject", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.InsertAfterObject(T, "N", nullptr); }},
    {"Insert", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.Insert(T, "N"); }},
    {"Add", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.Add(T, "N"); }},
    {"AddFirst", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.AddFirst(T, "N"); }},
    {"AddChild", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.AddChild(T, "N"); }},
    {"AddChildFirst", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.AddChildFirst(T, "N"); }},
    {"AddItem", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.AddItem(T); }},
    {"InsertItem", [](TExTreeItems& M, TExTreeItem*, TExTreeItem* T) { M.InsertItem(0, T); }},
};

INSTANTIATE_TEST_SUITE_P(Cases, CrossTree, ::testing::ValuesIn(CrossCases),
                         [](const ::testing::TestParamInfo<CrossCase>& Info) { return Info.param.name; });

// ---- cell styles: one holder, one place

class StyleHolding : public ::testing::Test {
protected:
    TExTreeModel tree;
    TExTreeItem* item = tree.Items()->Add(nullptr, "i");
    TExTreeItem* other = tree.Items()->Add(nullptr, "o");

    void SetUp() override
    {
        item->SetUseStyles(true);
        item->AddStyle();
        item->AddStyle();
        other->SetUseStyles(true);
        other->AddStyle();
    }
};

TEST_F(StyleHolding, AStyleHeldElsewhereIsRefusedAndTheListStays)
{
    TExCellStyle* first = item->Styles(0);
    TExCellStyle* second = item->Styles(1);
    const std::vector<std::function<void()>> refused = {
        [&] { item->SetStyles(1, first); },               // the same style in two columns
        [&] { item->SetStyles(2, first); },               // appended a second time
        [&] { item->SetStyles(0, item->MainStyle()); },   // the main style into the list
        [&] { item->SetStyles(0, other->Styles(0)); },    // another item's style
    };
    for (size_t k = 0; k < refused.size(); ++k) {
        SCOPED_TRACE(k);
        try {
            refused[k]();
            ADD_FAILURE() << "no error";
        } catch (const EExTreeError& e) {
            EXPECT_EQ(e.Message(), extree::exStyleInUse);
        }
        EXPECT_EQ(item->StylesCount(), 2);
        EXPECT_EQ(item->Styles(0), first);
        EXPECT_EQ(item->Styles(1), second);
    }
    // What the item can own is still taken: the same style in its place, and a style of its own.
    item->SetStyles(0, first);
    EXPECT_EQ(item->Styles(0), first);
    auto* fresh = new TExCellStyle(item);
    item->SetStyles(1, fresh);
    EXPECT_EQ(item->Styles(1), fresh);
    item->SetStyles(2, new TExCellStyle(nullptr));
    EXPECT_EQ(item->StylesCount(), 3);
    // The sanitizer reports a style freed twice when the items go.
}

// ---- deletion handlers that delete again

class DeletingHost : public TreeRecorder {
public:
    std::function<void(TExTreeItem*)> OnDelete, OnExpand;
    void DoItemDelete(TExTreeItem* Item) override
    {
        TreeRecorder::DoItemDelete(Item);
        if (OnDelete) OnDelete(Item);
    }
    void DoItemExpand(TExTreeItem* Item) override
    {
        TreeRecorder::DoItemExpand(Item);
        if (OnExpand) OnExpand(Item);
    }
};

class DeletionHandlers : public ::testing::Test {
protected:
    DeletingHost host;
    TExTreeModel tree{&host};
    TExTreeItems& items = *tree.Items();
    TExTreeItem* A = items.Add(nullptr, "A");
    TExTreeItem* A1 = items.AddChild(A, "A1");
    TExTreeItem* A1a = items.AddChild(A1, "A1a");
    TExTreeItem* A2 = items.AddChild(A, "A2");
    TExTreeItem* B = items.Add(nullptr, "B");

    void SetUp() override { host.Clear(); }
};

TEST_F(DeletionHandlers, DeletingTheParentOfTheItemGoingDeletesThemBoth)
{
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A1a) A1->Delete();
    };
    A1a->Delete();
    EXPECT_EQ(Shape(items), "A .A2 B");
    EXPECT_EQ(host.Lines("delete"), (std::vector<std::string>{"delete A1a", "delete A1"}));
    EXPECT_EQ(items.Count(), 3);
}

TEST_F(DeletionHandlers, DeletingAnAncestorOrTheWholeTreeWaitsForTheRunningDeletion)
{
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A1a) items.Clear();
    };
    A1->Delete();
    EXPECT_EQ(items.Count(), 0);
    // B goes at once; A waits until A1's own deletion is over.
    EXPECT_EQ(host.Lines("delete"),
              (std::vector<std::string>{"delete A1a", "delete B", "delete A1", "delete A2", "delete A"}));
}

TEST_F(DeletionHandlers, WaitingDeletionsOfAGrandparentAndAParentInEitherOrder)
{
    // The parent leaves the grandparent's branch on its own deletion and is told of before it; it
    // must not be reached twice (the sanitizer sees it).
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A1a) {
            A->Delete();
            A1->Delete();
        }
    };
    A1a->Delete();
    EXPECT_EQ(Shape(items), "B");
    EXPECT_EQ(host.Lines("delete"), (std::vector<std::string>{"delete A1a", "delete A1", "delete A2", "delete A"}));
}

TEST_F(DeletionHandlers, ChildrenDeletedOneByOneWhileAWholeBranchOpensLeaveItAtOnce)
{
    // A branch opened whole holds every item: the deletions are put off, their items gone at once.
    host.OnExpand = [&](TExTreeItem* Item) {
        if (Item != A) return;
        for (int left = 10; left > 0 && Item->Count() > 0; --left) Item->GetLastChild()->Delete();
        EXPECT_EQ(Item->Count(), 0);
        EXPECT_EQ(Shape(items), "A B");
        EXPECT_EQ(tree.TotalVisCount(), 2);
        EXPECT_TRUE(host.Lines("delete").empty());
    };
    A->Expand(true);
    EXPECT_EQ(host.Lines("delete"), (std::vector<std::string>{"delete A2", "delete A1a", "delete A1"}));
}

TEST_F(DeletionHandlers, DeletingTheItemBeingDeletedAgainIsIgnored)
{
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A1a) {
            A1->Delete();
            items.Delete(A1);
            A1->Clear();
        }
    };
    A1->Delete();
    EXPECT_EQ(Shape(items), "A .A2 B");
    EXPECT_EQ(host.Lines("delete").size(), 2u);
}

TEST_F(DeletionHandlers, ClearOfAParentWhoseChildDeletesTheParent)
{
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A2) A->Delete();
    };
    A->Clear();
    EXPECT_EQ(Shape(items), "B");
}

TEST_F(DeletionHandlers, AnItemBeingDeletedCannotBeMovedAway)
{
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A1) A1->MoveTo(B);
    };
    A1->Delete();
    EXPECT_EQ(Shape(items), "A .A2 B");
    EXPECT_EQ(B->Count(), 0);
}

TEST_F(DeletionHandlers, UnrelatedDeletionsFromAHandlerHappenAtOnce)
{
    host.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A1a) {
            B->Delete();
            EXPECT_EQ(items.RootCount(), 1);
        }
    };
    A1a->Delete();
    EXPECT_EQ(Shape(items), "A .A1 .A2");
}

using StarDeletes = InputTest;
TEST_F(StarDeletes, TheBranchWalkStopsAtWhatAHandlerTookOutAndItsChildrenLeaveAtOnce)
{
    auto r = AddRoots(2);
    auto c = AddChildren(r[0], 3);
    AddChildren(c[0], 2);
    std::vector<std::string> opened;
    Tree->OnItemExpand = [&](TObject*, TExTreeItem* Item) {
        opened.push_back(Item->Text());
        if (Item == c[1]) r[0]->Delete();
        if (Item != c[0]) return;
        for (int left = 10; left > 0 && Item->Count() > 0; --left) Item->GetLastChild()->Delete();
        EXPECT_EQ(Item->Count(), 0);
        Item->Delete();
    };
    Tree->SetFocused(r[0]);
    Key(VK_MULTIPLY);
    EXPECT_EQ(opened, (std::vector<std::string>{"r0", "r0.0", "r0.1"}));
    EXPECT_EQ(Shape(Items()), "r1");
}

TEST_F(StarDeletes, SlashOnAFolderThatUnloadsAsItClosesEndsWithItsPlaceholder)
{
    // A lazy browser's unloader leaves a closed folder one placeholder child, which is new and not
    // open: the walk goes no further. The bound keeps a walk that follows placeholders finite.
    TExTreeItem* A = Items().Add(nullptr, "A");
    Items().AddChild(A, "file");
    Items().AddChild(Items().AddChild(A, "B"), "file");
    A->Expand(true);
    std::vector<std::string> closed;
    Tree->OnItemCollapse = [&](TObject*, TExTreeItem* Item) {
        closed.push_back(Item->Text());
        if (closed.size() > 10) return;
        Items().BeginUpdate();
        Item->Clear();
        Items().AddChild(Item, "placeholder");
        Items().EndUpdate();
    };
    Tree->SetFocused(A);
    Key(VK_DIVIDE);
    EXPECT_EQ(closed, (std::vector<std::string>{"A"}));
    EXPECT_EQ(Shape(Items()), "A .placeholder");
    EXPECT_FALSE(A->Expanded());
}

// ---- the selection list and the selection marks

// Every entry of the list is an item of the tree that shows selected, once; every item that shows
// selected is listed (multi-select), or is the anchor (single-select).
void ExpectSelectionWhole(TExTreeModel& Tree)
{
    std::vector<TExTreeItem*> marked;
    for (Integer i = 0; i < Tree.Items()->Count(); ++i)
        if (Tree.Items()->Item(i)->Selected()) marked.push_back(Tree.Items()->Item(i));
    if (TExList* list = Tree.SelectedList()) {
        for (Integer i = 0; i < list->Count(); ++i) {
            auto* item = static_cast<TExTreeItem*>(list->Get(i));
            ASSERT_GE(Tree.Items()->GetAbsIndex(item), 0) << "a listed item is not in the tree";
            EXPECT_TRUE(item->Selected()) << item->Text() << " is listed but not selected";
            EXPECT_EQ(list->IndexOf(item), i) << item->Text() << " is listed twice";
        }
        EXPECT_EQ(static_cast<Integer>(marked.size()), list->Count());
    } else {
        ASSERT_LE(marked.size(), 1u) << "two rows show selected";
        if (!marked.empty()) {
            EXPECT_EQ(marked[0], Tree.Selected());
        }
    }
}

class Selection : public ::testing::Test {
protected:
    TreeRecorder host;
    TExTreeModel tree{&host};
    TExTreeItems& items = *tree.Items();
    TExTreeItem* A = items.Add(nullptr, "A");
    TExTreeItem* A1 = items.AddChild(A, "A1");
    TExTreeItem* B = items.Add(nullptr, "B");
};

TEST_F(Selection, SingleSelectFilterMovesTheMarkToTheParent)
{
    tree.SetMultiSelect(false);
    A->Expand(false);
    tree.SetFocused(A1);
    ASSERT_TRUE(A1->Selected());
    tree.SetFilteredVisibility(true);
    A1->SetHidden(true);
    EXPECT_EQ(tree.Focused(), A);
    EXPECT_EQ(tree.Selected(), A);
    EXPECT_TRUE(A->Selected());
    EXPECT_FALSE(A1->Selected()) << "the hidden child keeps its mark";
    ExpectSelectionWhole(tree);
    // Shown again, the child does not come back selected.
    A1->SetHidden(false);
    EXPECT_FALSE(A1->Selected());
    ExpectSelectionWhole(tree);
}

TEST_F(Selection, SingleSelectFilterOfARootItemMarksTheNearestShownItem)
{
    tree.SetMultiSelect(false);
    tree.SetFocused(B);
    tree.SetFilteredVisibility(true);
    B->SetHidden(true);
    // The nearest item before it in the list that is not hidden itself.
    EXPECT_EQ(tree.Focused(), A1);
    EXPECT_TRUE(A1->Selected());
    EXPECT_FALSE(B->Selected());
    ExpectSelectionWhole(tree);
}

TEST_F(Selection, MultiSelectOffAndOnListsOnlySelectedItems)
{
    tree.SetFocused(A);
    tree.SetSelected(B);  // the anchor alone: B is not selected
    ASSERT_FALSE(B->Selected());
    tree.SetMultiSelect(false);
    tree.SetMultiSelect(true);
    ExpectSelectionWhole(tree);
    EXPECT_EQ(tree.SelectedList()->IndexOf(B), -1);
    // An item that was listed without its mark would stay listed after it is freed.
    B->Delete();
    ExpectSelectionWhole(tree);
    EXPECT_EQ(tree.SelCount(), tree.SelectedList()->Count());
}

TEST_F(Selection, AStaleAnchorDoesNotMoveTheFocusWhenItIsDeleted)
{
    tree.SetFocused(A);
    tree.SetSelected(B);
    tree.SetMultiSelect(false);
    B->Delete();
    EXPECT_EQ(tree.Focused(), A);
}

TEST_F(Selection, CountsFlagsAndEventsOfTheSelection)
{
    tree.SetMultiSelect(false);
    EXPECT_EQ(tree.SelCount(), 0) << "nothing focused";
    tree.SetFocused(B);
    EXPECT_EQ(tree.SelCount(), 1);
    tree.SetMultiSelect(true);
    A->SetSelected(true);
    B->SetSelected(true);
    tree.SelectionChanged = false;
    host.Clear();
    tree.DeselectAll();
    EXPECT_TRUE(tree.SelectionChanged);
    EXPECT_TRUE(host.Has("selchange A"));
    // Deleting a selected item reports it deselected.
    A->Expand(false);
    A1->SetSelected(true);
    tree.SelectionChanged = false;
    host.Clear();
    A1->Delete();
    EXPECT_TRUE(tree.SelectionChanged);
    EXPECT_TRUE(host.Has("selchange A1"));
    // Turning multi-select off repaints the focused item as the selection.
    tree.SetFocused(A);
    host.Clear();
    tree.SetMultiSelect(false);
    EXPECT_TRUE(host.Has("redraw A"));
}

TEST_F(Selection, MarkedUpAndOwnHeightItemsCountAsRowsOfTheirOwnHeight)
{
    EXPECT_EQ(tree.VarHeightCount, 0);
    A1->SetIsHTML(true);
    B->SetOwnerHeight(false);
    EXPECT_EQ(tree.VarHeightCount, 2);
    A1->SetMultiline(true);
    EXPECT_EQ(tree.VarHeightCount, 3);
    A->Delete();
    EXPECT_EQ(tree.VarHeightCount, 1);
    B->Delete();
    EXPECT_EQ(tree.VarHeightCount, 0);
}

TEST_F(Selection, ADeletionOutsideABracketAsksForTheViewsUpdate)
{
    host.Clear();
    B->Delete();
    const auto refreshes = host.Lines("refresh");
    ASSERT_FALSE(refreshes.empty());
    EXPECT_EQ(refreshes.back().compare(0, 14, "refresh update"), 0) << refreshes.back();
}

TEST_F(Selection, AClearWhoseHandlersDeleteMoreStopsAtTheEnd)
{
    TExTreeItem* A2 = items.AddChild(A, "A2");
    TExTreeItem* A3 = items.AddChild(A, "A3");
    // A handler of the last child takes its two siblings with it.
    DeletingHost h;
    tree.SetHost(&h);
    h.OnDelete = [&](TExTreeItem* Item) {
        if (Item == A3) {
            A2->Delete();
            A1->Delete();
        }
    };
    A->Clear();
    EXPECT_EQ(A->Count(), 0);
    EXPECT_EQ(h.Lines("delete").size(), 3u);
    tree.SetHost(&host);
}

TEST_F(Selection, AnAssignedItemKeepsTheTreesCounts)
{
    TExTreeModel other;
    TExTreeItem* source = other.Items()->Add(nullptr, "s");
    source->SetHidden(true);
    source->SetOwnerHeight(false);
    B->Assign(source);
    EXPECT_EQ(tree.HiddenCount, 1);
    EXPECT_EQ(tree.VarHeightCount, 1);
    B->Delete();
    EXPECT_EQ(tree.HiddenCount, 0);
    EXPECT_EQ(tree.VarHeightCount, 0);
}

TEST_F(Selection, MarkedUpColumnTextsAreRenderedWhenTheyChange)
{
    B->SetIsHTML(true);
    B->ColumnText()->Add("<html><b>x</b>");
    EXPECT_NE(B->ColumnHTMLData(0), nullptr);
    B->ColumnText()->Put(0, "plain");
    EXPECT_EQ(B->ColumnHTMLData(0), nullptr);
}

TEST_F(Selection, ChildrenAllHiddenLeaveNoVisibleChild)
{
    A->Expand(false);
    tree.SetFilteredVisibility(true);
    A1->SetHidden(true);
    EXPECT_EQ(A->GetFirstVisibleChild(), nullptr);
    EXPECT_FALSE(A->HasVisibleChildren());
    EXPECT_TRUE(A->HasChildren());
    TExTreeItem loose(&tree);
    EXPECT_EQ(loose.Index(), -1);
    EXPECT_EQ(A->Index(), 0);
    EXPECT_EQ(B->Index(), 1);
}

TEST_F(Selection, DeletedItemsLeaveTheList)
{
    A->Expand(false);
    A->SetSelected(true);
    A1->SetSelected(true);
    B->SetSelected(true);
    A->Delete();
    ExpectSelectionWhole(tree);
    EXPECT_EQ(tree.SelectedList()->Count(), 1);
    items.Clear();
    EXPECT_EQ(tree.SelectedList()->Count(), 0);
}

}  // namespace

// The item collection: errors, focus on deletion, detaching and re-attaching, copying, and the
// calls the receiver's message archive makes.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

class ItemsTest : public ::testing::Test {
protected:
    TreeRecorder host;
    TExTreeModel tree{&host};
    TExTreeItems& items = *tree.Items();
};

// Errors: the exact text, and nothing attached or moved. (The model check raises the errors of
// inserting, attaching and moving among its random steps, and compares every item after them.)

struct ErrorCase {
    const char* name;
    std::function<void(TExTreeItems&, TExTreeItem* A, TExTreeItem* A1)> act;
    const char* message;
};

class ItemsErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ItemsErrors, RaiseTheirTextAndChangeNothing)
{
    TExTreeModel tree;
    TExTreeItems& items = *tree.Items();
    TExTreeItem* A = items.Add(nullptr, "A");
    TExTreeItem* A1 = items.AddChild(A, "A1");
    items.AddChild(A1, "A1a");
    items.Add(nullptr, "B");
    const std::string before = Shape(items);
    try {
        GetParam().act(items, A, A1);
        ADD_FAILURE() << "no error";
    } catch (const EExTreeError& e) {
        EXPECT_EQ(e.Message(), GetParam().message);
    }
    EXPECT_EQ(Shape(items), before);
    EXPECT_EQ(items.Count(), 4);
    EXPECT_EQ(A->Count(), 1);
}

const ErrorCase ErrorCases[] = {
    {"ChildByNegativeIndex", [](TExTreeItems&, TExTreeItem* A, TExTreeItem*) { A->GetChildByIndex(-1); }, extree::ExOutOfBounds},
    {"ChildByIndexPastEnd", [](TExTreeItems&, TExTreeItem* A, TExTreeItem*) { A->GetChildByIndex(1); }, extree::ExOutOfBounds},
    {"ChildOfLeaf", [](TExTreeItems& I, TExTreeItem*, TExTreeItem*) { I.Item(3)->GetChildByIndex(0); }, extree::ExOutOfBounds},
    {"InsertChildPastEnd",
     [](TExTreeItems& I, TExTreeItem* A, TExTreeItem*) {
         TExTreeItem loose(I.Tree());
         A->InsertChild(3, &loose);
     },
     extree::ExOutOfBounds},
    {"AttachDetachedUnderItsChild",
     [](TExTreeItems& I, TExTreeItem* A, TExTreeItem* A1) {
         I.RemoveItem(A);
         try {
             I.AddExistingItem(A, A1);
         } catch (...) {
             I.InsertExistingItem(A, nullptr, 0);
             throw;
         }
     },
     extree::exRecursiveMove},
    {"AttachUnderItself",
     [](TExTreeItems& I, TExTreeItem* A, TExTreeItem* A1) { I.AddExistingItem(A, A1); },
     extree::exRecursiveMove},
};

INSTANTIATE_TEST_SUITE_P(Cases, ItemsErrors, ::testing::ValuesIn(ErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& Info) { return Info.param.name; });

// Placement

TEST_F(ItemsTest, InsertAfterNilIsFirstAndAddNilIsLast)
{
    items.Add(nullptr, "a");
    items.Add(nullptr, "b");
    items.InsertAfter(nullptr, "first");
    items.Add(nullptr, "last");
    items.Insert(nullptr, "very first");
    EXPECT_EQ(Shape(items), "very first first a b last");
    TExTreeItem* a = items.RootItem(2);
    items.Insert(a, "before a");
    items.InsertAfter(a, "after a");
    items.AddFirst(a, "front");
    items.AddChildFirst(a, "a2");
    items.AddChildFirst(a, "a1");
    items.AddChild(a, "a3");
    items.Add(a->GetFirstChild(), "a4");
    items.AddFirst(a->GetFirstChild(), "a0");
    EXPECT_EQ(Shape(items), "front very first first before a a .a0 .a1 .a2 .a3 .a4 after a b last");
}

// Focus on deletion

class FocusTest : public ItemsTest {
protected:
    TExTreeItem* a = items.Add(nullptr, "a");
    TExTreeItem* b = items.Add(nullptr, "b");
    TExTreeItem* b1 = items.AddChild(b, "b1");
    TExTreeItem* c = items.Add(nullptr, "c");
};

TEST_F(FocusTest, DeletingTheFocusedItemMovesTheFocus)
{
    tree.SetFocused(c);
    items.Delete(c);
    EXPECT_EQ(tree.Focused(), b);  // previous root sibling
    tree.SetFocused(b1);
    items.Delete(b1);
    EXPECT_EQ(tree.Focused(), b);  // parent
    tree.SetFocused(a);
    items.Delete(a);
    EXPECT_EQ(tree.Focused(), b);  // next root sibling when there is none before
    items.Delete(b);
    EXPECT_EQ(tree.Focused(), nullptr);
    EXPECT_EQ(items.Count(), 0);
}

TEST_F(FocusTest, DeletingABranchMovesTheFocusOutOfIt)
{
    tree.SetFocused(b1);
    b->Delete();
    EXPECT_EQ(tree.Focused(), a);
    EXPECT_EQ(Shape(items), "a c");
}

TEST_F(FocusTest, DeletionReportsDeepestFirstAndForgetsTheItem)
{
    items.AddChild(b1, "b1x");
    host.Clear();
    items.Delete(b);
    EXPECT_EQ(host.Lines("delete"), (std::vector<std::string>{"delete b1x", "delete b1", "delete b"}));
    EXPECT_TRUE(host.Has("forget b"));
    EXPECT_TRUE(host.Has("row- b1"));
}

TEST_F(FocusTest, ClearLeavesNoFocusAndRaisesNoFocusEvents)
{
    tree.SetFocused(c);
    host.Clear();
    items.Clear();
    EXPECT_EQ(tree.Focused(), nullptr);
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.RootCount(), 0);
    EXPECT_TRUE(host.Lines("focused").empty());
    EXPECT_TRUE(host.Lines("changing").empty());
    // One refresh for the whole clear.
    EXPECT_EQ(host.Lines("refresh"), (std::vector<std::string>{"refresh update rows view top viscount hrange"}));
}

TEST_F(ItemsTest, ClearOfAnEmptyTreeMarksNoRows)
{
    items.Clear();
    EXPECT_EQ(host.Lines("refresh"), (std::vector<std::string>{"refresh update hrange"}));
}

TEST_F(FocusTest, DestroyingTheTreeClearsFocusWithoutEvents)
{
    auto* gone = new TExTreeModel(&host);
    TExTreeItem* x = gone->Items()->Add(nullptr, "x");
    gone->SetFocused(x);
    host.Clear();
    delete gone;
    EXPECT_TRUE(host.Lines("focused").empty());
    EXPECT_TRUE(host.Lines("selchange").empty());
    EXPECT_TRUE(host.Lines("row-").empty());
    EXPECT_EQ(host.Lines("delete"), std::vector<std::string>{"delete x"});
}

// Detaching and attaching existing items

TEST_F(FocusTest, RemovedBranchLeavesTheListAndComesBackWhole)
{
    items.AddChild(b1, "b1x");
    tree.SetFocused(b1);
    items.RemoveItem(b);
    EXPECT_EQ(Shape(items), "a c");
    EXPECT_EQ(b->GetAbsIndex(), -1);
    EXPECT_EQ(b->Count(), 1);
    EXPECT_EQ(tree.Focused(), a);
    items.InsertExistingItem(b, c, 0);
    EXPECT_EQ(Shape(items), "a c .b ..b1 ...b1x");
    EXPECT_EQ(b1->GetAbsIndex(), 3);
    items.RemoveItem(b1);
    host.Clear();
    items.AddExistingItem(b1, nullptr);
    EXPECT_EQ(Shape(items), "a c .b b1 .b1x");
    EXPECT_EQ(host.Lines("refresh"), (std::vector<std::string>{"refresh update rows view top viscount"}));
    // Moving an item that is outside the tree attaches it.
    items.RemoveItem(b1);
    b1->MoveToIns(b, 0);
    EXPECT_EQ(Shape(items), "a c .b ..b1 ...b1x");
    b1->MoveTo(nullptr);
    // An item in the tree is moved.
    items.AddExistingItem(a, b);
    EXPECT_EQ(Shape(items), "c .b ..a b1 .b1x");
    items.InsertExistingItem(a, nullptr, 0);
    EXPECT_EQ(Shape(items), "a c .b b1 .b1x");
}

TEST_F(ItemsTest, LargeBranchComesBackPastTheListsCapacity)
{
    TExTreeItem* branch = items.Add(nullptr, "branch");
    for (int k = 0; k < 9; ++k) items.AddChild(branch, "x");
    while (items.Count() < 256) items.Add(nullptr, "filler");
    items.RemoveItem(branch);
    for (int k = 0; k < 10; ++k) items.Add(nullptr, "more");
    items.InsertExistingItem(branch, nullptr, 1);
    EXPECT_EQ(items.Count(), 266);
    EXPECT_EQ(items.Item(1), branch);
    EXPECT_EQ(items.Item(10)->Parent(), branch);
    EXPECT_EQ(items.Item(265)->GetAbsIndex(), 265);
}

TEST_F(FocusTest, DetachedItemsAreDeletedWithTheirBranch)
{
    items.AddChild(b1, "b1x");
    TExTreeItem* b2 = items.AddChild(b, "b2");
    items.RemoveItem(b);
    // A child of a branch outside the tree can come back alone.
    items.AddExistingItem(b2, a);
    host.Clear();
    items.Delete(b);
    EXPECT_EQ(host.Lines("delete"), (std::vector<std::string>{"delete b1x", "delete b1", "delete b"}));
    EXPECT_EQ(Shape(items), "a .b2 c");
}

TEST_F(FocusTest, HiddenAndHeightCountsFollowTheBranch)
{
    b1->SetHidden(true);
    b1->SetOwnerHeight(false);
    EXPECT_EQ(tree.HiddenCount, 1);
    EXPECT_EQ(tree.VarHeightCount, 1);
    items.RemoveItem(b);
    EXPECT_EQ(tree.HiddenCount, 0);
    EXPECT_EQ(tree.VarHeightCount, 0);
    items.AddExistingItem(b, a);
    EXPECT_EQ(tree.HiddenCount, 1);
    EXPECT_EQ(tree.VarHeightCount, 1);
    items.Delete(b);
    EXPECT_EQ(tree.HiddenCount, 0);
    EXPECT_EQ(tree.VarHeightCount, 0);
}

// Copying

TEST_F(ItemsTest, AssignCopiesTheBranchIntoTheList)
{
    TExTreeItem* a = items.Add(nullptr, "a");
    TExTreeItem* a1 = items.AddChild(a, "a1");
    items.AddChild(a1, "a1x");
    a1->ColumnText()->Add("col");
    a1->SetImageIndex(4);
    a1->SetCheckBoxState(cbGrayed);
    a1->SetState(5, true);
    a1->Expand(false);
    a1->SetIndentAdjust(6);
    a1->SetBorderStyle(ibsRaised);
    a1->SetRowBkColor(0x10);
    a1->SetStrikedLineColor(0x20);
    a1->SetCheckBoxType(ect3SCheckBox);
    a1->SetStImageIndex2(3);
    a1->SetHeight(44);
    TExTreeItem* b = items.Add(nullptr, "b");
    items.AddChild(b, "old");
    b->Assign(a);
    EXPECT_EQ(Shape(items), "a .a1 ..a1x a .a1 ..a1x");
    TExTreeItem* copy = b->GetFirstChild();
    EXPECT_NE(copy, a1);
    EXPECT_EQ(copy->ColumnText()->Get(0), "col");
    EXPECT_EQ(copy->ImageIndex(), 4);
    EXPECT_EQ(copy->CheckBoxState(), cbGrayed);
    EXPECT_TRUE(copy->GetState(5));
    EXPECT_TRUE(copy->Expanded());
    EXPECT_EQ(copy->IndentAdjust(), 6);
    EXPECT_EQ(copy->BorderStyle(), ibsRaised);
    EXPECT_EQ(copy->RowBkColor(), 0x10);
    EXPECT_EQ(copy->StrikedLineColor(), 0x20);
    EXPECT_EQ(copy->CheckBoxType(), ect3SCheckBox);
    EXPECT_EQ(copy->StImageIndex2(), 3);
    EXPECT_EQ(copy->Height(), 44);
    for (Integer i = 0; i < items.Count(); ++i) EXPECT_EQ(items.Item(i)->GetAbsIndex(), i);
}

TEST_F(ItemsTest, AssignFromOwnBranchCopiesASnapshot)
{
    TExTreeItem* a = items.Add(nullptr, "a");
    TExTreeItem* a1 = items.AddChild(a, "a1");
    items.AddChild(a1, "a1x");
    a->Assign(a1);
    EXPECT_EQ(Shape(items), "a1 .a1x");
    TExTreeItem* x = items.Item(1);
    x->Assign(items.Root());
    // The hidden root has no text of its own.
    EXPECT_EQ(Shape(items), "a1 . ..a1 ...a1x");
}

TEST_F(ItemsTest, CollectionAssignCopiesAnotherTree)
{
    TExTreeModel other;
    TExTreeItem* p = other.Items()->Add(nullptr, "p");
    other.Items()->AddChild(p, "q");
    items.Add(nullptr, "gone");
    items.Assign(other.Items());
    EXPECT_EQ(Shape(items), "p .q");
    EXPECT_EQ(items.Item(1)->Tree(), &tree);
    EXPECT_TRUE(items.Root()->Expanded());
    items.SetItem(1, items.Item(0));
    EXPECT_EQ(Shape(items), "p .p ..q");
}

// Counts and lookups

TEST_F(ItemsTest, DirectListChangesKeepPositionsAndAskForNewRows)
{
    TExTreeItem* a = items.Add(nullptr, "a");
    TExTreeItem* b = items.Add(nullptr, "b");
    EXPECT_EQ(b->GetAbsIndex(), 1);
    const Integer version = tree.RowsVersion();
    // A permutation written entry by entry, as a sort writes its result back.
    tree.AllItems().Put(0, b);
    tree.AllItems().Put(1, a);
    tree.InvalidateIndexes(0);
    EXPECT_EQ(b->GetAbsIndex(), 0);
    EXPECT_EQ(a->GetAbsIndex(), 1);
    EXPECT_NE(tree.RowsVersion(), version);
    tree.AllItems().Put(0, a);
    tree.AllItems().Put(1, b);
    tree.InvalidateIndexes(-3);
    EXPECT_EQ(a->GetAbsIndex(), 0);
    EXPECT_EQ(b->GetAbsIndex(), 1);
    host.Clear();
    items.InsertItem(1, nullptr);
    EXPECT_EQ(host.Lines("refresh").size(), 1u);
}

TEST_F(ItemsTest, LookupsAnswerNilOutsideTheTree)
{
    EXPECT_EQ(items.Item(0), nullptr);
    EXPECT_EQ(items.GetFirstNode(), nullptr);
    items.Add(nullptr, "a");
    EXPECT_EQ(items.Item(-1), nullptr);
    EXPECT_EQ(items.Item(1), nullptr);
    EXPECT_EQ(items.RootItem(1), nullptr);
    EXPECT_EQ(items.RootItem(-1), nullptr);
    EXPECT_EQ(items.GetAbsIndex(nullptr), -1);
    EXPECT_EQ(items.GetVisIndex(nullptr), -1);
    EXPECT_EQ(items.GetVisItem(-1), nullptr);
    EXPECT_EQ(items.GetVisItem(1), nullptr);
    EXPECT_EQ(items.Root()->Level(), -1);
    EXPECT_EQ(items.Item(0)->Parent(), nullptr);
    EXPECT_EQ(items.Item(0)->Level(), 0);
}

// The message archive's use of the tree: date nodes with time children, in date and time order,
// built by inserting every node in place.

const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int MonthOf(const std::string& Text)
{
    for (int m = 0; m < 12; ++m)
        if (Text.compare(3, 3, MonthNames[m]) == 0) return m + 1;
    return 0;
}

int CompareDateNode(int D, int M, int Y, const std::string& Text)
{
    if (int r = Y - std::stoi(Text.substr(7, 2))) return r;
    if (int r = M - MonthOf(Text)) return r;
    return D - std::stoi(Text.substr(0, 2));
}

void AddMessageToTree(TExTreeItems& Items, const std::string& Name)
{
    int Y, M, D, h, m, s;
    if (std::sscanf(Name.c_str(), "%2d%2d%2d-%2d%2d%2d", &Y, &M, &D, &h, &m, &s) != 6) return;
    if (Y > 99 || M < 1 || M > 12 || D < 1 || D > 31 || h > 24 || m > 59 || s > 59) return;
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%02d %s %02d", D, MonthNames[M - 1], Y);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", h, m, s);
    if (Items.RootCount() == 0) {
        Items.AddChild(Items.Add(nullptr, date), time);
        return;
    }
    TExTreeItem* node = nullptr;
    int r = 1;
    for (Integer i = 0; i < Items.RootCount(); ++i) {
        node = Items.RootItem(i);
        r = CompareDateNode(D, M, Y, node->Text());
        if (r <= 0) break;
    }
    if (r < 0)
        node = Items.Insert(node, date);
    else if (r > 0)
        node = Items.InsertAfter(Items.RootItem(Items.RootCount() - 1), date);
    if (node->Count() == 0) {
        Items.AddChild(node, time);
        return;
    }
    TExTreeItem* child = nullptr;
    for (Integer i = 0; i < node->Count(); ++i) {
        child = node->Items(i);
        if (child->Text() >= time) break;
    }
    if (child->Text() > time)
        Items.Insert(child, time);
    else
        Items.InsertAfter(child, time);
}

std::string Archive(TExTreeItems& Items)
{
    // Read back as the archive reads it: each time node through its parent.
    std::string s;
    for (Integer i = 0; i < Items.Count(); ++i) {
        TExTreeItem* item = Items.Item(i);
        if (!s.empty()) s += item->Level() == 0 ? " | " : " ";
        s += item->Level() == 0 ? item->Text() + ":" : item->Parent()->Text().substr(0, 2) + "@" + item->Text();
    }
    return s;
}

TEST_F(ItemsTest, ArchiveBuildsDateAndTimeNodesInItsOwnOrder)
{
    for (const char* name : {"070315-061502.TXT", "070314-235959.TXT", "070315-061501.TXT", "991231-120000.TXT",
                             "071315-000000.TXT", "070315-240000.TXT", "070101-000000.TXT", "070315-061502.TXT"})
        AddMessageToTree(items, name);
    EXPECT_EQ(Archive(items),
              "01 Jan 07: 01@00:00:00 | 14 Mar 07: 14@23:59:59 | 15 Mar 07: 15@06:15:01 15@06:15:02 15@06:15:02 "
              "15@24:00:00 | 31 Dec 99: 31@12:00:00");
    EXPECT_EQ(items.RootCount(), 4);
    TExTreeItem* day = items.RootItem(2);
    ASSERT_EQ(day->Count(), 4);
    EXPECT_EQ(day->Items(3)->Text(), "24:00:00");
    EXPECT_EQ(day->Items(0)->Parent(), day);
    EXPECT_EQ(day->Items(0)->Level(), 1);
    EXPECT_EQ(day->Items(0)->Count(), 0);
    EXPECT_EQ(day->Items(0)->Items(0), nullptr);
}

TEST_F(ItemsTest, ArchiveKeepsTheUsersFocusWhileSaving)
{
    for (const char* name : {"070315-061502.TXT", "070316-080000.TXT"}) AddMessageToTree(items, name);
    TExTreeItem* shown = items.RootItem(1)->Items(0);
    tree.SetFocused(shown);
    // Saving: remember the focus, add the node, put the focus back.
    TExTreeItem* remembered = tree.Focused();
    AddMessageToTree(items, "070314-010203.TXT");
    tree.SetFocused(remembered);
    EXPECT_EQ(tree.Focused(), shown);
    EXPECT_EQ(tree.Focused()->Parent()->Text(), "16 Mar 07");
    items.Clear();
    EXPECT_EQ(tree.Focused(), nullptr);
    EXPECT_EQ(items.RootCount(), 0);
}

}  // namespace

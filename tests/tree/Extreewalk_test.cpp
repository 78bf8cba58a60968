// Walks forward, backward, by branch and from an item, with the Index each reports, and the
// searches by text, column text and data.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Forms.h"
#include "tree/Extree.h"

namespace {

// A           (expanded)
//   A1        (collapsed)
//     A1a
//   A2
// B           (collapsed)
//   B1
// C
class WalkTest : public ::testing::Test {
protected:
    TExTreeModel tree;
    TExTreeItems& items = *tree.Items();
    TExTreeItem* A = items.Add(nullptr, "A");
    TExTreeItem* A1 = items.AddChild(A, "A1");
    TExTreeItem* A1a = items.AddChild(A1, "A1a");
    TExTreeItem* A2 = items.AddChild(A, "A2");
    TExTreeItem* B = items.Add(nullptr, "B");
    TExTreeItem* B1 = items.AddChild(B, "B1");
    TExTreeItem* C = items.Add(nullptr, "C");

    void SetUp() override { A->Expand(false); }

    // "text:index" of every item reported, in order; a walk that stops at Stop reports it last.
    TIterateProc Recorder(std::string& Out, const TExTreeItem* Stop = nullptr)
    {
        return [&Out, Stop](TExTreeItem* Item, Integer Index, bool& Continue, void*, TExTreeModel*) {
            Out += (Out.empty() ? "" : " ") + Item->Text() + ":" + std::to_string(Index);
            if (Item == Stop) Continue = false;
        };
    }
    std::string Forward(bool VisibleOnly, bool CheckCollapsed, TExTreeItem* From = nullptr, TExTreeItem* Stop = nullptr)
    {
        std::string out;
        items.IterateFrom(VisibleOnly, CheckCollapsed, Recorder(out, Stop), nullptr, From);
        return out;
    }
    std::string Backward(bool VisibleOnly, bool CheckCollapsed, TExTreeItem* From = nullptr)
    {
        std::string out;
        items.IterateBackFrom(VisibleOnly, CheckCollapsed, Recorder(out), nullptr, From);
        return out;
    }
    std::string Branch(bool VisibleOnly, TExTreeItem* Parent)
    {
        std::string out;
        items.IterateBranch(VisibleOnly, Recorder(out), nullptr, Parent);
        return out;
    }
};

TEST_F(WalkTest, ForwardCountsAbsoluteOrRowIndexes)
{
    std::string all;
    items.Iterate(false, false, Recorder(all), nullptr);
    EXPECT_EQ(all, "A:0 A1:1 A1a:2 A2:3 B:4 B1:5 C:6");
    EXPECT_EQ(Forward(true, false), "A:0 A1:1 A2:2 B:3 C:4");
    EXPECT_EQ(Forward(true, true), "A:0 A1:1 A1a:2 A2:3 B:4 B1:5 C:6");
    EXPECT_EQ(Forward(false, false, nullptr, A2), "A:0 A1:1 A1a:2 A2:3");
}

TEST_F(WalkTest, ForwardFromAnItemCountsThePathAboveIt)
{
    // The path to the start is counted but not reported: the start's Index is its level.
    EXPECT_EQ(Forward(true, false, A2), "A2:1 B:2 C:3");
    EXPECT_EQ(Forward(false, false, B1), "B1:1 C:2");
    EXPECT_EQ(Forward(false, false, A1a), "A1a:2 A2:3 B:4 B1:5 C:6");
    // A start inside a branch the walk does not enter reports nothing.
    EXPECT_EQ(Forward(true, false, B1), "");
}

TEST_F(WalkTest, BranchWalkStopsAtTheFirstItemOutside)
{
    EXPECT_EQ(Branch(false, A), "A:0 A1:1 A1a:2 A2:3");
    EXPECT_EQ(Branch(true, A), "A:0 A1:1 A2:2");
    EXPECT_EQ(Branch(false, A1), "A1:1 A1a:2");
    EXPECT_EQ(Branch(false, C), "C:0");
    // No branch parent: every item, collapsed branches entered unless only rows are wanted.
    EXPECT_EQ(Branch(true, nullptr), "A:0 A1:1 A2:2 B:3 C:4");
    EXPECT_EQ(Branch(false, nullptr), "A:0 A1:1 A1a:2 A2:3 B:4 B1:5 C:6");
}

TEST_F(WalkTest, BackwardCountsDownFromTheEnd)
{
    EXPECT_EQ(Backward(true, false), "C:4 B:3 A2:2 A1:1 A:0");
    EXPECT_EQ(Backward(false, false), "C:6 B1:5 B:4 A2:3 A1a:2 A1:1 A:0");
    // Into collapsed branches the walk counts every item it visits, down to the first.
    EXPECT_EQ(Backward(true, true), "C:6 B1:5 B:4 A2:3 A1a:2 A1:1 A:0");
    std::string stopped;
    items.IterateBack(false, false, Recorder(stopped, A1a), nullptr);
    EXPECT_EQ(stopped, "C:6 B1:5 B:4 A2:3 A1a:2");
}

TEST_F(WalkTest, BackwardFromAnItemSkipsItsChildrenAndCountsFromTheTotal)
{
    EXPECT_EQ(Backward(true, false, A2), "A2:4 A1:3 A:2");
    EXPECT_EQ(Backward(false, false, A1), "A1:6 A:5");
    EXPECT_EQ(Backward(false, false, A), "A:6");
    // Inside a collapsed branch: the collapsed ancestor is where the walk begins.
    EXPECT_EQ(Backward(true, false, B1), "B:4 A2:3 A1:2 A:1");
}

TEST_F(WalkTest, FilteredWalksPassOverHiddenBranches)
{
    tree.SetFilteredVisibility(true);
    A1->SetHidden(true);
    B->Expand(false);
    EXPECT_EQ(Forward(true, false), "A:0 A2:1 B:2 B1:3 C:4");
    EXPECT_EQ(Forward(true, true), "A:0 A2:1 B:2 B1:3 C:4");
    // Hidden items count only in walks over all items.
    EXPECT_EQ(Forward(false, false), "A:0 A1:1 A1a:2 A2:3 B:4 B1:5 C:6");
    EXPECT_EQ(Backward(true, false), "C:4 B1:3 B:2 A2:1 A:0");
    EXPECT_EQ(Backward(true, true), "C:4 B1:3 B:2 A2:1 A:0");
    EXPECT_EQ(Backward(true, false, A1a), "A:4");
}

TEST_F(WalkTest, OnlyCollapsedRootReportsItselfAtZero)
{
    items.Clear();
    TExTreeItem* only = items.Add(nullptr, "only");
    items.AddChild(only, "child");
    EXPECT_EQ(Forward(true, false), "only:0");
    EXPECT_EQ(Backward(false, false, only), "only:1");
}

// Searches

class SearchTest : public WalkTest {
protected:
    int marker = 0;
    void SetUp() override
    {
        WalkTest::SetUp();
        A2->ColumnText()->SetText("x\r\ny");
        B1->SetData(&marker);
    }
};

TEST_F(SearchTest, LookForItemByTextStartAndScope)
{
    EXPECT_EQ(items.LookForItem(nullptr, "B1", nullptr, -1, false, true, false, false, false), B1);
    EXPECT_EQ(items.LookForItem(nullptr, "B1", nullptr, -1, false, true, false, true, false), nullptr);
    EXPECT_EQ(items.LookForItem(nullptr, "b1", nullptr, -1, false, true, false, false, false), nullptr);
    EXPECT_EQ(items.LookForItem(nullptr, "b1", nullptr, -1, false, true, false, false, true), B1);
    // The start item is skipped unless it may match.
    EXPECT_EQ(items.LookForItem(A, "A", nullptr, -1, false, false, false, false, false), nullptr);
    EXPECT_EQ(items.LookForItem(A, "A", nullptr, -1, false, true, false, false, false), A);
    EXPECT_EQ(items.LookForItem(A1a, "A1", nullptr, -1, false, true, false, false, false), nullptr);
    // Only the start's branch.
    EXPECT_EQ(items.LookForItem(A, "B1", nullptr, -1, false, true, true, false, false), nullptr);
    EXPECT_EQ(items.LookForItem(A, "A1a", nullptr, -1, false, false, true, false, false), A1a);
    EXPECT_EQ(items.LookForItem(nullptr, "A", nullptr, -1, false, true, true, false, false), nullptr);
}

TEST_F(SearchTest, ColumnTextsCountWithoutTheMainColumn)
{
    EXPECT_EQ(items.CellText(A2, 1), "x");
    EXPECT_EQ(items.CellText(A2, 2), "y");
    EXPECT_EQ(items.CellText(A2, 3), "");
    EXPECT_EQ(items.LookForItem(nullptr, "y", nullptr, 2, false, true, false, false, false), A2);
    tree.MainTreeColumn = 1;
    EXPECT_EQ(items.CellText(A2, 0), "x");
    EXPECT_EQ(items.CellText(A2, 1), "A2");
    EXPECT_EQ(items.CellText(A2, 2), "y");
    EXPECT_EQ(items.CellText(A2, -1), "A2");
}

TEST_F(SearchTest, LookForDataMatchesThePointer)
{
    EXPECT_EQ(items.LookForItem(nullptr, "", &marker, -1, true, true, false, false, false), B1);
    EXPECT_EQ(items.LookForItem2(nullptr, "", false, &marker, -1, true, true, false, true, true, false), B1);
    EXPECT_EQ(items.LookForItem2(nullptr, "", false, &marker, -1, true, true, false, true, false, false), nullptr);
}

TEST_F(SearchTest, LookForItem2PartsAndCaseFolding)
{
    TExTreeItem* alpha = items.Add(nullptr, "Alpha");
    // "Ärger" in the Western code page.
    TExTreeItem* anger = items.Add(nullptr, std::string("\xC4rger"));
    auto find = [&](const std::string& Text, bool Whole, bool NoCase) {
        return items.LookForItem2(nullptr, Text, Whole, nullptr, -1, false, true, false, false, false, NoCase);
    };
    EXPECT_EQ(find("LPH", false, true), alpha);
    EXPECT_EQ(find("LPH", false, false), nullptr);
    EXPECT_EQ(find("lph", false, false), alpha);
    EXPECT_EQ(find("alpha", true, true), alpha);
    EXPECT_EQ(find("alph", true, true), nullptr);
    EXPECT_EQ(find("alpha", true, false), nullptr);
    // Accented letters fold alike whether the whole text or a part is looked for.
    EXPECT_EQ(find(std::string("\xE4rger"), true, true), anger);
    EXPECT_EQ(find(std::string("\xE4r"), false, true), anger);
    EXPECT_EQ(find(std::string("\xE4r"), false, false), nullptr);
    EXPECT_EQ(find("", false, true), nullptr);
}

bool TextIs(TExTreeItem* Item, void* Details) { return Item->Text() == *static_cast<std::string*>(Details); }

TEST_F(SearchTest, CompareProcSearchesBothWays)
{
    std::string wanted = "A1";
    EXPECT_EQ(items.LookForItemEx(nullptr, 0, true, false, false, &wanted, TextIs), A1);
    EXPECT_EQ(items.LookForItemEx2(A1a, 0, true, false, false, false, &wanted, TextIs), nullptr);
    EXPECT_EQ(items.LookForItemEx2(A, 0, false, false, false, false, &wanted, TextIs), A1);
    EXPECT_EQ(items.LookForItemEx2(A, 0, false, false, false, false, &wanted, nullptr), nullptr);
    EXPECT_EQ(items.LookBackForItemEx2(A2, 0, false, false, false, false, &wanted, nullptr), nullptr);
    EXPECT_EQ(items.LookBackForItemEx2(A1a, 0, true, false, false, false, &wanted, TextIs), A1);
    EXPECT_EQ(items.LookBackForItemEx2(nullptr, 0, true, false, true, true, &wanted, TextIs), A1);
    wanted = "B1";
    EXPECT_EQ(items.LookBackForItemEx2(nullptr, 0, true, false, true, false, &wanted, TextIs), nullptr);
    EXPECT_EQ(items.LookForItemEx(nullptr, 0, true, false, false, &wanted, nullptr), nullptr);
}

// A walk's callback may read the tree but not change it: deleting the item at hand or its parent,
// clearing, adding, or freeing the tree ends every kind of walk with an error instead of a walk
// over freed items, and a deletion is refused, leaving the tree as it was.
TEST(WalkChanges, EndEveryWalkWithAnError)
{
    using TVisit = std::function<void(TExTreeItem*)>;
    const std::vector<std::pair<std::string, std::function<void(TExTreeItem*, TForm*&)>>> changes = {
        {"delete", [](TExTreeItem* I, TForm*&) { I->Delete(); }},
        {"delete the parent", [](TExTreeItem* I, TForm*&) { I->Parent()->Delete(); }},
        {"clear", [](TExTreeItem* I, TForm*&) { I->Collection()->Clear(); }},
        {"add", [](TExTreeItem* I, TForm*&) { I->Collection()->AddChild(I, "new"); }},
        {"free", [](TExTreeItem*, TForm*& F) { TObject::Free(std::exchange(F, nullptr)); }},
    };
    auto look = [](TExTreeItem* I, void* Visit) {
        (*static_cast<TVisit*>(Visit))(I);
        return false;
    };
    auto each = [](TVisit& Visit) {
        return [&Visit](TExTreeItem* I, Integer, bool&, void*, TExTreeModel*) { Visit(I); };
    };
    const std::vector<std::pair<std::string, std::function<void(TExTreeItems&, TVisit&)>>> walks = {
        {"Iterate", [&](TExTreeItems& Items, TVisit& V) { Items.Iterate(false, false, each(V), nullptr); }},
        {"IterateBack", [&](TExTreeItems& Items, TVisit& V) { Items.IterateBack(false, false, each(V), nullptr); }},
        {"IterateBranch",
         [&](TExTreeItems& Items, TVisit& V) { Items.IterateBranch(false, each(V), nullptr, Items.Item(0)); }},
        {"LookForItemEx2",
         [&](TExTreeItems& Items, TVisit& V) { Items.LookForItemEx2(nullptr, -1, true, false, false, true, &V, look); }},
        {"LookBackForItemEx2",
         [&](TExTreeItems& Items, TVisit& V) { Items.LookBackForItemEx2(nullptr, -1, true, false, false, true, &V, look); }},
    };
    for (const auto& [walkName, walk] : walks) {
        for (const auto& [changeName, change] : changes) {
            SCOPED_TRACE(walkName + ", " + changeName);
            TForm* form = new TForm(nullptr);
            auto* tree = new TExTree(form);
            tree->SetParent(form);
            TExTreeItems& items = *tree->Items();
            TExTreeItem* a = items.Add(nullptr, "a");
            items.AddChild(items.AddChild(a, "a1"), "a1x");
            items.Add(nullptr, "b");
            TVisit visit = [&, change = change](TExTreeItem* I) {
                if (I->Text() == "a1") change(I, form);
            };
            try {
                walk(items, visit);
                ADD_FAILURE() << "the walk went on";
            } catch (const EExTreeError& e) {
                EXPECT_EQ(e.Message(), "ExTree items cannot change while they are walked");
            }
            if (!form) continue;
            EXPECT_EQ(items.Count(), changeName == "add" ? 5 : 4);
            for (Integer i = 0; i < items.Count(); ++i) EXPECT_EQ(items.Item(i)->GetAbsIndex(), i);
            TObject::Free(form);
        }
    }
}

}  // namespace

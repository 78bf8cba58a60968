// A chain of 100,000 levels, each item the only child of the one above (and, for sorting, beside a
// leaf): every walk of the tree takes it without one call per level, so nothing overflows the stack,
// and in time that grows with the levels, not with their square (which would not end within a
// test's time), and each gives the whole result: bringing into view, walking both ways, expanding,
// collapsing, sorting, streaming, copying, deleting.
#include <string>
#include <vector>

#include "TreeFixture.h"
#include "platform/Classes.h"
#include "platform/Guard.h"
#include "tree/Extreeres.h"

namespace {

constexpr Integer Depth = 100000;

// A second tree on a form of its own.
struct OtherTree {
    TForm* Form = new TForm(nullptr);
    TExTree* Tree = new TExTree(Form);
    OtherTree() { Tree->SetParent(Form); }
    ~OtherTree() { TObject::Free(Form); }
};

class Chain : public TreeTest {
protected:
    std::vector<TExTreeItem*> Level;  // Level[i] stands at level i
    std::vector<TExTreeItem*> Leaf;   // Leaf[i] is the second child of Level[i], when made

    // The chain, each level named "b<level>"; with leaves, each level but the last also has a
    // leaf "z<level>" before its chain child, so that sorting by text swaps every pair.
    void Build(bool Leaves)
    {
        Items().BeginUpdate();
        TExTreeItem* parent = nullptr;
        for (Integer i = 0; i < Depth; ++i) {
            parent = Items().AddChild(parent, "b" + std::to_string(i));
            Level.push_back(parent);
        }
        if (Leaves)
            for (Integer i = 0; i + 1 < Depth; ++i)
                Leaf.push_back(Items().AddChildFirst(Level[size_t(i)], "z" + std::to_string(i)));
        Items().EndUpdate();
    }
    // Every item stands where the all-items list says.
    void ExpectListWhole()
    {
        for (Integer i = 0; i < Items().Count(); ++i) ASSERT_EQ(Items().Item(i)->GetAbsIndex(), i) << i;
    }
    TExTreeItem* Bottom() const { return Level.back(); }
};

TEST_F(Chain, ExpandsAndCollapsesWholeByEveryRoad)
{
    Build(false);
    Integer expands = 0, collapses = 0;
    Tree->OnItemExpand = [&](TObject*, TExTreeItem*) { ++expands; };
    Tree->OnItemCollapse = [&](TObject*, TExTreeItem*) { ++collapses; };
    Level[0]->Expand(true);
    EXPECT_EQ(expands, Depth);
    EXPECT_EQ(Tree->GetTotalVisCount(), Depth);
    EXPECT_TRUE(Bottom()->IsVisible());
    EXPECT_EQ(Bottom()->Level(), Depth - 1);
    EXPECT_EQ(Level[0]->GetChildrenCount(), Depth - 1);
    EXPECT_EQ(Level[0]->CalcSubItemsHeight(), (Depth - 1) * Tree->LineHeight());
    Tree->SetFilteredVisibility(true);
    EXPECT_TRUE(Bottom()->IsVisible());
    Level[Depth / 2]->SetHidden(true);
    EXPECT_FALSE(Bottom()->IsVisible());
    Tree->SetFilteredVisibility(false);

    Tree->FullCollapse();
    EXPECT_EQ(collapses, Depth) << "the last level has no children but collapses too";
    EXPECT_EQ(Tree->GetTotalVisCount(), 1);
    expands = 0;
    Tree->FullExpand();
    EXPECT_EQ(expands, Depth);
    EXPECT_EQ(Tree->GetTotalVisCount(), Depth);
    collapses = 0;
    Level[0]->Collapse(true);
    EXPECT_EQ(collapses, Depth);
    for (TExTreeItem* item : {Level[0], Level[1], Level[Depth / 2], Bottom()}) EXPECT_FALSE(item->Expanded());
}

TEST_F(Chain, IsBroughtIntoViewAndWalkedBothWaysWhole)
{
    Build(false);
    Tree->Show();
    Level[0]->Expand(false);
    Integer asked = 0, expands = 0;
    Tree->OnItemExpanding = [&](TObject*, TExTreeItem*, bool&) { ++asked; };
    Tree->OnItemExpand = [&](TObject*, TExTreeItem*) { ++expands; };
    Bottom()->MakeVisible();
    EXPECT_EQ(asked, Depth - 2) << "each closed ancestor is asked once";
    EXPECT_EQ(expands, Depth - 2);
    EXPECT_TRUE(Tree->IsInView(Bottom()));
    EXPECT_EQ(Tree->GetTotalVisCount(), Depth);
    // Backwards over every row, counting down from the total.
    std::vector<std::pair<TExTreeItem*, Integer>> got;
    auto record = [&](TExTreeItem* Item, Integer Index, bool&, void*, TExTreeModel*) { got.emplace_back(Item, Index); };
    Items().IterateBack(true, false, record, nullptr);
    ASSERT_EQ(got.size(), size_t(Depth));
    EXPECT_EQ(got.front(), std::make_pair(Bottom(), Depth - 1));
    EXPECT_EQ(got.back(), std::make_pair(Level[0], Integer(0)));
    // Forwards over a branch, and a search kept to it.
    got.clear();
    Items().IterateBranch(false, record, nullptr, Level[Depth / 2]);
    ASSERT_EQ(got.size(), size_t(Depth - Depth / 2));
    EXPECT_EQ(got.back().first, Bottom());
    auto byText = [](TExTreeItem* Item, void* Text) { return Item->Text() == *static_cast<std::string*>(Text); };
    std::string wanted = Bottom()->Text();
    EXPECT_EQ(Items().LookForItemEx2(Level[1], -1, false, true, false, true, &wanted, byText), Bottom());
    wanted = Level[1]->Text();
    EXPECT_EQ(Items().LookForItemEx2(Level[2], -1, false, true, false, true, &wanted, byText), nullptr);
    // A new root item of the same tree made a copy of the whole chain.
    TExTreeItem* copy = Items().Add(nullptr, "copy");
    copy->Assign(Level[0]);
    ASSERT_EQ(Items().Count(), 2 * Depth);
    EXPECT_EQ(copy->Text(), Level[0]->Text());
    EXPECT_EQ(copy->GetChildrenCount(), Depth - 1);
    EXPECT_EQ(Items().Item(2 * Depth - 1)->Level(), Depth - 1);
    EXPECT_EQ(Items().Item(2 * Depth - 1)->Text(), Bottom()->Text());
}

TEST_F(Chain, ARecursiveCollapseDeselectsAndRescuesTheFocusFromTheBottom)
{
    Build(false);
    Tree->SetMultiSelect(true);
    Tree->SetDeselectChildrenOnCollapse(true);
    Tree->SetMoveFocusOnCollapse(true);
    Tree->FullExpand();
    Level[Depth / 3]->SetSelected(true);
    Bottom()->SetSelected(true);
    Tree->SetFocused(Bottom());
    Level[0]->Collapse(true);
    EXPECT_EQ(Tree->GetFocused(), Level[0]);
    EXPECT_FALSE(Bottom()->Selected());
    EXPECT_FALSE(Level[Depth / 3]->Selected());
    EXPECT_EQ(Tree->GetSelCount(), 0) << "the focus moved alone: two were selected";
}

TEST_F(Chain, SortsEveryLevel)
{
    Build(true);
    Tree->SetSortType(stText);
    Tree->Sort(true);
    for (Integer i : {Integer(0), Integer(1), Depth / 2, Depth - 2}) {
        ASSERT_EQ(Level[size_t(i)]->Count(), 2);
        EXPECT_EQ(Level[size_t(i)]->GetFirstChild(), Level[size_t(i) + 1]) << "level " << i;
        EXPECT_EQ(Level[size_t(i)]->GetLastChild(), Leaf[size_t(i)]) << "level " << i;
    }
    // In pre-order the chain comes first, then the leaves from the deepest up.
    EXPECT_EQ(Items().Item(Depth - 1), Bottom());
    EXPECT_EQ(Items().Item(Depth), Leaf[size_t(Depth - 2)]);
    EXPECT_EQ(Items().Item(2 * Depth - 2), Leaf[0]);
    ExpectListWhole();
}

TEST_F(Chain, IsClearedDeepestFirstAndDeletedFromTheTop)
{
    Build(false);
    std::vector<TExTreeItem*> deleted;
    Tree->OnItemDeletion = [&](TObject*, TExTreeItem* Item) { deleted.push_back(Item); };
    Level[Depth / 2]->Delete();
    ASSERT_EQ(deleted.size(), size_t(Depth / 2));
    EXPECT_EQ(deleted.front(), Bottom());
    EXPECT_EQ(deleted.back(), Level[Depth / 2]);
    EXPECT_EQ(Items().Count(), Depth / 2);
    deleted.clear();
    Items().Clear();
    EXPECT_EQ(deleted.size(), size_t(Depth / 2));
    EXPECT_EQ(deleted.back(), Level[0]);
    EXPECT_EQ(Items().Count(), 0);
}

TEST_F(Chain, IsCopiedTakenOutAndFreedWhole)
{
    Build(false);
    OtherTree other;
    other.Tree->Items()->Assign(&Items());
    ASSERT_EQ(other.Tree->Items()->Count(), Depth);
    EXPECT_EQ(other.Tree->Items()->Item(Depth - 1)->Level(), Depth - 1);
    EXPECT_EQ(other.Tree->Items()->Item(Depth - 1)->Text(), Bottom()->Text());
    // A branch moved up a level takes its levels along.
    Level[2]->MoveTo(nullptr);
    EXPECT_EQ(Bottom()->Level(), Depth - 3);
    EXPECT_EQ(Level[1]->Count(), 0);
    Level[2]->MoveTo(Level[1]);
    EXPECT_EQ(Bottom()->Level(), Depth - 1);
    // A branch taken out of the tree goes with its owner, every level of it.
    TGuardPtr<TExTreeItem> bottom(Bottom());
    Items().RemoveItem(Level[1]);
    EXPECT_EQ(Items().Count(), 1);
    EXPECT_EQ(Level[1]->GetChildrenCount(), Depth - 2);
    TObject::Free(Level[1]);
    EXPECT_FALSE(bottom);
}

TEST_F(Chain, IsStreamedUpToTheLimitAndRefusedBeyondIt)
{
    Build(false);
    TMemoryStream s;
    try {
        Items().SaveToStream(&s);
        ADD_FAILURE() << "a chain beyond the stream's nesting was written";
    } catch (const EExTreeError&) {
    }
    // Cut down to the deepest nesting a stream carries, it goes there and back whole.
    Level[1024]->Delete();
    TMemoryStream t;
    Items().SaveToStream(&t);
    OtherTree other;
    t.SetPosition(0);
    other.Tree->Items()->LoadFromStream(&t);
    ASSERT_EQ(other.Tree->Items()->Count(), 1024);
    EXPECT_EQ(other.Tree->Items()->Item(1023)->Level(), 1023);
    EXPECT_EQ(other.Tree->Items()->Item(1023)->Text(), Level[1023]->Text());
}

}  // namespace

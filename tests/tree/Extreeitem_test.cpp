// Tree items: what each setter asks of the view, heights, marked-up texts, virtual texts, focus,
// selection and expansion.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TreeRecorder.h"
#include "platform/Guard.h"
#include "tree/Extree.h"

namespace {

using Lines = std::vector<std::string>;

class ItemTest : public ::testing::Test {
protected:
    TreeRecorder host;
    TExTreeModel tree{&host};
    TExTreeItems& items = *tree.Items();
    TExTreeItem* i = items.Add(nullptr, "i");

    void SetUp() override
    {
        host.Names[i] = "i";
        host.Names[items.Root()] = "root";
        host.Clear();
    }
};

// Setters: the redraws and the refresh each one asks for, in order.

struct SetterCase {
    const char* name;
    std::function<void(TExTreeModel&, TExTreeItem*)> prepare;
    std::function<void(TExTreeItem*)> set;
    Lines expected;
};

class ItemSetters : public ItemTest, public ::testing::WithParamInterface<SetterCase> {};

TEST_P(ItemSetters, AskTheViewForWhatChanged)
{
    if (GetParam().prepare) GetParam().prepare(tree, i);
    host.Clear();
    GetParam().set(i);
    EXPECT_EQ(host.Log, GetParam().expected);
}

const Lines Redraw = {"redraw i", "refresh update"};
const Lines Rows = {"refresh update rows view top viscount"};
const Lines RowsWidth = {"refresh update rows view top viscount hrange"};
void OwnColours(TExTreeModel&, TExTreeItem* I) { I->SetParentColors(false); }
void CheckBoxes(TExTreeModel& T, TExTreeItem* I)
{
    T.ShowCheckboxes = true;
    I->SetShowCheckBox(true);
}

const SetterCase SetterCases[] = {
    {"RowBkColorWithParentColours", nullptr, [](TExTreeItem* I) { I->SetRowBkColor(5); }, {}},
    {"RowBkColorShown", OwnColours, [](TExTreeItem* I) { I->SetRowBkColor(5); }, Redraw},
    {"RowBkColorWithoutBkColor",
     [](TExTreeModel&, TExTreeItem* I) {
         I->SetParentColors(false);
         I->SetUseBkColor(false);
     },
     [](TExTreeItem* I) { I->SetRowBkColor(5); },
     {}},
    {"UnchangedColour", nullptr, [](TExTreeItem* I) { I->SetColor(0); }, {}},
    {"Colour", nullptr, [](TExTreeItem* I) { I->SetColor(7); }, Redraw},
    {"BkColour", nullptr, [](TExTreeItem* I) { I->SetBkColor(7); }, Redraw},
    {"StrikedLineColorWithoutLine", nullptr, [](TExTreeItem* I) { I->SetStrikedLineColor(3); }, {}},
    {"StrikedLineColor", [](TExTreeModel&, TExTreeItem* I) { I->SetStrikedOutLine(true); },
     [](TExTreeItem* I) { I->SetStrikedLineColor(3); }, Redraw},
    {"ColourFiltered", [](TExTreeModel& T, TExTreeItem*) { T.SetFilteredVisibility(true); },
     [](TExTreeItem* I) { I->SetColor(7); }, Redraw},
    {"ColourHiddenUnfiltered", [](TExTreeModel&, TExTreeItem* I) { I->SetHidden(true); },
     [](TExTreeItem* I) { I->SetColor(7); }, Redraw},
    {"ColourHiddenFiltered",
     [](TExTreeModel& T, TExTreeItem* I) {
         T.SetFilteredVisibility(true);
         I->SetHidden(true);
     },
     [](TExTreeItem* I) { I->SetColor(7); }, {"refresh update"}},
    {"Enabled", nullptr, [](TExTreeItem* I) { I->SetEnabled(false); }, Redraw},
    {"BorderStyle", nullptr, [](TExTreeItem* I) { I->SetBorderStyle(ibsSunken); }, Redraw},
    {"AllowEditStoresOnly", nullptr, [](TExTreeItem* I) { I->SetAllowEdit(false); }, {}},
    {"ImageIndex", nullptr, [](TExTreeItem* I) { I->SetImageIndex(2); }, {"redraw i", "refresh update autosize hrange"}},
    {"StImageIndex2", nullptr, [](TExTreeItem* I) { I->SetStImageIndex2(2); }, {"redraw i", "refresh update autosize hrange"}},
    {"ImageIndexWithoutImages", [](TExTreeModel& T, TExTreeItem*) { T.ShowImages = false; },
     [](TExTreeItem* I) { I->SetImageIndex(2); }, {}},
    {"ImageIndexWithColumns", [](TExTreeModel& T, TExTreeItem*) { T.ShowColumns = true; },
     [](TExTreeItem* I) { I->SetImageIndex(2); }, {"redraw i", "refresh update autosize"}},
    {"HeightWithOwnerHeight", nullptr, [](TExTreeItem* I) { I->SetHeight(30); }, {}},
    {"Height", [](TExTreeModel&, TExTreeItem* I) { I->SetOwnerHeight(false); }, [](TExTreeItem* I) { I->SetHeight(30); }, Rows},
    {"OwnerHeight", nullptr, [](TExTreeItem* I) { I->SetOwnerHeight(false); }, Rows},
    {"Multiline", nullptr, [](TExTreeItem* I) { I->SetMultiline(true); }, RowsWidth},
    {"Text", nullptr, [](TExTreeItem* I) { I->SetText("t"); }, {"change i text", "redraw i", "refresh update hrange"}},
    {"MultilineText", [](TExTreeModel&, TExTreeItem* I) { I->SetMultiline(true); }, [](TExTreeItem* I) { I->SetText("t"); },
     {"change i text", "refresh update rows view top viscount hrange"}},
    {"TextSortsSiblings", [](TExTreeModel& T, TExTreeItem*) { T.SortMode = smAdd; T.SortSection = -1; },
     [](TExTreeItem* I) { I->SetText("t"); }, {"change i text", "redraw i", "refresh update sort:root hrange"}},
    {"TextInBracketSortsAll", [](TExTreeModel& T, TExTreeItem*) { T.SortMode = smAddClick; },
     [](TExTreeItem* I) {
         I->Tree()->Items()->BeginUpdate();
         I->SetText("t");
         I->Tree()->Items()->EndUpdate();
     },
     {"change i text", "redraw i", "refresh update sort hrange"}},
    {"TextOtherSortColumn", [](TExTreeModel& T, TExTreeItem*) { T.SortMode = smAdd; T.SortSection = 2; },
     [](TExTreeItem* I) { I->SetText("t"); }, {"change i text", "redraw i", "refresh update hrange"}},
    {"BoldState", nullptr, [](TExTreeItem* I) { I->SetState(5, true); }, {"change i state", "redraw i", "refresh update hrange"}},
    {"PlainState", nullptr, [](TExTreeItem* I) { I->SetState(3, true); }, {"change i state", "redraw i", "refresh update"}},
    {"StateOutOfRange", nullptr, [](TExTreeItem* I) { I->SetState(16, true); }, {}},
    {"HiddenUnfiltered", nullptr, [](TExTreeItem* I) { I->SetHidden(true); }, {"refresh autosize"}},
    {"HiddenFiltered", [](TExTreeModel& T, TExTreeItem*) { T.SetFilteredVisibility(true); },
     [](TExTreeItem* I) { I->SetHidden(true); }, {"refresh update autosize rows view top viscount"}},
    {"CheckBoxStateHidden", nullptr, [](TExTreeItem* I) { I->SetCheckBoxState(cbChecked); }, {}},
    {"CheckBoxState",
     CheckBoxes,
     [](TExTreeItem* I) { I->SetCheckBoxState(cbChecked); }, {"redraw i cell", "refresh update"}},
    {"CheckBoxEnabled",
     CheckBoxes,
     [](TExTreeItem* I) { I->SetCheckBoxEnabled(false); }, {"redraw i cell", "refresh update"}},
    {"CheckBoxType",
     CheckBoxes,
     [](TExTreeItem* I) { I->SetCheckBoxType(ectRadioButton); }, {"redraw i cell", "refresh update"}},
    {"ShowCheckBoxWithoutBoxes", nullptr, [](TExTreeItem* I) { I->SetShowCheckBox(true); }, {}},
    {"ShowCheckBox", [](TExTreeModel& T, TExTreeItem*) { T.ShowCheckboxes = true; },
     [](TExTreeItem* I) { I->SetShowCheckBox(true); }, {"redraw i", "refresh update hrange"}},
    {"ForceButtons", nullptr, [](TExTreeItem* I) { I->SetForceButtons(true); }, {"redraw i", "refresh update autosize"}},
    {"ForceButtonsWithoutButtons", [](TExTreeModel& T, TExTreeItem*) { T.ShowButtons = false; },
     [](TExTreeItem* I) { I->SetForceButtons(true); }, Redraw},
    {"SuppressButtons", nullptr, [](TExTreeItem* I) { I->SetSuppressButtons(true); }, {"redraw i", "refresh update autosize hrange"}},
    {"SuppressLines", nullptr, [](TExTreeItem* I) { I->SetSuppressLines(true); }, {"redraw i", "redraw i", "refresh update hrange"}},
    {"SuppressLinesWithoutLines", [](TExTreeModel& T, TExTreeItem*) { T.ShowLines = false; },
     [](TExTreeItem* I) { I->SetSuppressLines(true); }, {}},
    {"IndentAdjust", nullptr, [](TExTreeItem* I) { I->SetIndentAdjust(4); }, {"redraw i", "refresh update autosize hrange"}},
    {"UseStyles", nullptr, [](TExTreeItem* I) { I->SetUseStyles(true); }, RowsWidth},
    {"ParentStyleWithColumns", [](TExTreeModel& T, TExTreeItem*) { T.ShowColumns = true; },
     [](TExTreeItem* I) { I->SetParentStyle(false); }, {"redraw i", "refresh update autosize rows view top viscount"}},
    {"ParentStyle", nullptr, [](TExTreeItem* I) { I->SetParentStyle(false); }, {"redraw i", "refresh update rows view top viscount hrange"}},
    {"Expanded", nullptr, [](TExTreeItem* I) { I->SetExpanded(true); },
     {"expanding i", "expand i", "refresh update rows view top viscount hrange"}},
    {"Selected", nullptr, [](TExTreeItem* I) { I->SetSelected(true); }, {"selchange i", "redraw i", "refresh update"}},
    {"SelectedSingle", [](TExTreeModel& T, TExTreeItem*) { T.SetMultiSelect(false); },
     [](TExTreeItem* I) { I->SetSelected(true); }, Redraw},
    {"IsHTML", [](TExTreeModel&, TExTreeItem* I) { I->SetText("<html>x"); }, [](TExTreeItem* I) { I->SetIsHTML(true); },
     {"render <html>x", "refresh update rows view top viscount hrange"}},
    {"ColumnText", nullptr, [](TExTreeItem* I) { I->ColumnText()->Add("c"); }, {"redraw i", "refresh update autosize"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ItemSetters, ::testing::ValuesIn(SetterCases),
                         [](const ::testing::TestParamInfo<SetterCase>& Info) { return Info.param.name; });

// The update bracket

TEST_F(ItemTest, NestedBracketsRefreshOnceAtTheOutermostEnd)
{
    items.BeginUpdate();
    items.BeginUpdate();
    i->SetColor(9);
    i->SetImageIndex(1);
    items.EndUpdate();
    EXPECT_TRUE(host.Lines("refresh").empty());
    items.EndUpdate();
    EXPECT_EQ(host.Lines("refresh"), Lines{"refresh update autosize hrange"});
    items.EndUpdate();  // unbalanced: ignored
    EXPECT_EQ(host.Lines("refresh").size(), 1u);
    EXPECT_FALSE(tree.Updating());
}

class ReenteringHost : public TreeRecorder {
public:
    TExTreeModel* tree = nullptr;
    Integer countDuringRefresh = -1;
    void UpdateRefresh(TExTreeRefresh& W) override
    {
        // A handler's bracket during the refresh is ignored.
        tree->SetUpdating(true);
        countDuringRefresh = tree->UpdateCount();
        tree->SetUpdating(false);
        TreeRecorder::UpdateRefresh(W);
    }
    bool fail = false;
    void DoItemChange(TExTreeItem*, TItemChangeMode) override
    {
        if (fail) throw std::runtime_error("handler");
    }
};

TEST(ItemBracket, RefreshIgnoresBracketsAndErrorsSkipIt)
{
    ReenteringHost host;
    TExTreeModel tree(&host);
    host.tree = &tree;
    TExTreeItem* i = tree.Items()->Add(nullptr, "i");
    EXPECT_EQ(host.countDuringRefresh, 0);
    host.Clear();
    host.fail = true;
    // A handler's error leaves through the setter: no refresh, and the bracket is closed.
    EXPECT_THROW(i->SetText("t"), std::runtime_error);
    EXPECT_FALSE(tree.Updating());
    EXPECT_TRUE(host.Lines("refresh").empty());
    EXPECT_EQ(i->Text(), "t");
    i->SetColor(4);
    EXPECT_EQ(host.Lines("refresh"), Lines{"refresh update"});
}

class RaisingDeletionHost : public TreeRecorder {
public:
    TExTreeItem* failOn = nullptr;
    void DoItemDelete(TExTreeItem* Item) override
    {
        TreeRecorder::DoItemDelete(Item);
        if (Item != failOn) return;
        failOn = nullptr;
        throw std::runtime_error("deletion");
    }
};

TEST(ItemBracket, ADeletionHandlerThatRaisesHasTheItemGoAllTheSameAndTheErrorAfter)
{
    RaisingDeletionHost host;
    TExTreeModel tree(&host);
    TExTreeItem* top = tree.Items()->Add(nullptr, "top");
    TExTreeItem* mid = tree.Items()->AddChild(top, "mid");
    host.failOn = tree.Items()->AddChild(mid, "leaf");
    tree.SetFocused(host.failOn);
    EXPECT_THROW(top->Delete(), std::runtime_error);
    EXPECT_TRUE(tree.FireFocusEvents()) << "the branch's deletion took its locks back";
    EXPECT_FALSE(tree.Updating());
    EXPECT_EQ(tree.Items()->Count(), 0) << "the handler was told: its data may be gone";
    EXPECT_EQ(tree.Focused(), nullptr);
    EXPECT_EQ(host.Lines("delete").size(), 3u) << "the others are told too";
    // The same for the children a copy clears, and for an item outside the tree.
    TExTreeItem* source = tree.Items()->Add(nullptr, "source");
    TExTreeItem* copy = tree.Items()->Add(nullptr, "copy");
    TGuardPtr<TExTreeItem> old(host.failOn = tree.Items()->AddChild(copy, "old"));
    EXPECT_THROW(copy->Assign(source), std::runtime_error);
    EXPECT_TRUE(old.Gone());
    TExTreeItem* detached = tree.Items()->AddChild(source, "detached");
    tree.Items()->RemoveItem(detached);
    host.failOn = detached;
    EXPECT_THROW(detached->Delete(), std::runtime_error);
    EXPECT_EQ(tree.Items()->Count(), 2);
}

class KeepingHost : public TExTreeHost {
public:
    std::vector<TExTreeRefresh> seen;
    void UpdateRefresh(TExTreeRefresh& W) override { seen.push_back(W); }  // consumes nothing
};

TEST(ItemBracket, TreeFlagsAreClearedAfterTheWorkAndViewFlagsLeftToTheView)
{
    KeepingHost host;
    TExTreeModel tree(&host);
    TExTreeItem* i = tree.Items()->Add(nullptr, "i");
    tree.SortMode = smAdd;
    tree.Items()->BeginUpdate();
    i->SetText("t");
    tree.Items()->EndUpdate();
    EXPECT_TRUE(host.seen.back().SortPending);
    // Outside a bracket only the siblings are sorted; the request does not outlive its work.
    TExTreeItem* c = tree.Items()->AddChild(i, "c");
    i->SetText("u");
    EXPECT_EQ(host.seen.back().SortParent, tree.Root());
    c->SetText("v");
    EXPECT_EQ(host.seen.back().SortParent, i);
    EXPECT_FALSE(host.seen.back().SortPending) << "a request left from the work before";
    i->SetImageIndex(1);
    i->SetColor(3);
    const TExTreeRefresh& last = host.seen.back();
    EXPECT_TRUE(last.UpdatePending);
    EXPECT_FALSE(last.ColumnsAutoSizePending);
    EXPECT_FALSE(last.SortPending);
    EXPECT_TRUE(last.HRangeStale);
    EXPECT_TRUE(last.RowsChanged);
    // A host that measures nothing of its own gives the line height.
    i->SetOwnerHeight(false);
    EXPECT_EQ(i->GetHeight(), tree.LineHeight);
    EXPECT_EQ(i->GetWidth(), 0);
}

// Heights

TEST_F(ItemTest, HeightIsTheLineHeightTheOwnHeightOrTheMeasuredOne)
{
    tree.LineHeight = 19;
    host.Cells[-1] = {40, 23};
    EXPECT_EQ(i->GetHeight(), 19);
    i->SetOwnerHeight(false);
    EXPECT_EQ(i->GetHeight(), 23);
    host.Cells[-1] = {40, 99};
    EXPECT_EQ(i->GetHeight(), 23);  // measured once
    EXPECT_EQ(host.Lines("measure").size(), 1u);
    i->SetHeight(12);
    EXPECT_EQ(i->GetHeight(), 12);
    i->SetMultiline(true);  // measures again
    EXPECT_EQ(i->GetHeight(), 99);
    tree.ShowColumns = true;
    host.Sections = 3;
    host.Cells = {{0, {1, 5}}, {1, {1, 31}}, {2, {1, 7}}};
    i->SetText("again");
    EXPECT_EQ(i->GetHeight(), 31);
    EXPECT_EQ(i->GetWidth(), 0);
}

TEST_F(ItemTest, LargeMeasuredHeightsAreKeptWhole)
{
    i->SetOwnerHeight(false);
    host.Cells[-1] = {0, 65535};
    EXPECT_EQ(i->GetHeight(), 65535);
    host.Cells[-1] = {0, 1};
    EXPECT_EQ(i->GetHeight(), 65535);  // cached, not taken for "not measured"
    i->SetText("x");
    i->SetMultiline(true);
    host.Cells[-1] = {0, 70000};
    EXPECT_EQ(i->GetHeight(), 70000);
    EXPECT_EQ(i->GetHeight(), 70000);
}

TEST_F(ItemTest, SubItemsHeightCountsShownRowsUnderExpandedItems)
{
    tree.LineHeight = 10;
    TExTreeItem* a = items.AddChild(i, "a");
    items.AddChild(i, "b")->SetHidden(true);
    items.AddChild(a, "a1");
    EXPECT_EQ(i->CalcSubItemsHeight(), 0);
    i->Expand(false);
    EXPECT_EQ(i->CalcSubItemsHeight(), 10);
    a->Expand(false);
    EXPECT_EQ(i->CalcSubItemsHeight(), 20);
}

// Marked-up texts

TEST_F(ItemTest, MarkedUpTextsAreRenderedWhileIsHTMLIsOn)
{
    i->SetText("<html><b>x</b>");
    i->ColumnText()->Add("plain");
    i->ColumnText()->Add("<html>c");
    EXPECT_EQ(host.Lines("render").size(), 0u);
    i->SetIsHTML(true);
    EXPECT_EQ(host.Lines("render"), (Lines{"render <html><b>x</b>", "render <html>c"}));
    EXPECT_NE(i->HTMLData(), nullptr);
    EXPECT_EQ(i->ColumnHTMLData(0), nullptr);
    EXPECT_NE(i->ColumnHTMLData(1), nullptr);
    EXPECT_EQ(tree.VarHeightCount, 1);
    i->SetText("no markup");
    EXPECT_EQ(i->HTMLData(), nullptr);
    EXPECT_EQ(host.HTMLAlive, 1);
    i->SetText("<html>again");
    EXPECT_EQ(host.HTMLAlive, 2);
    i->SetIsHTML(false);
    EXPECT_EQ(host.HTMLAlive, 0);
    EXPECT_EQ(tree.VarHeightCount, 0);
    tree.Loading = true;
    i->SetText("<html>y");
    i->SetIsHTML(true);
    EXPECT_EQ(i->HTMLData(), nullptr);
}

// Virtual trees

TEST(VirtualItems, TextsComeFromTheHostAndOwnDataIsRefused)
{
    TreeRecorder host;
    TExTreeModel tree(&host);
    tree.SetVirtualityLevel(vlTextAndStyles);
    TExTreeItem* a = tree.Items()->Add(nullptr, "ignored");
    EXPECT_EQ(a->StaticData(), nullptr);
    EXPECT_EQ(a->Text(), "v0:-1");
    EXPECT_EQ(a->Hint(), "hint0");
    EXPECT_EQ(a->ColumnText(), nullptr);
    EXPECT_EQ(a->AddStyle(), nullptr);
    EXPECT_EQ(a->MainStyle(), nullptr);
    EXPECT_EQ(tree.Items()->CellText(a, 3), "v0:3");
    a->SetHint("h");
    tree.SetVirtualityLevel(vlNone);
    ASSERT_NE(a->StaticData(), nullptr);
    EXPECT_EQ(a->Text(), "");
    a->SetText("own");
    tree.SetVirtualityLevel(vlTextAndStyles);
    tree.SetVirtualityLevel(vlNone);
    EXPECT_EQ(a->Text(), "");
}

// Focus, selection, expansion

TEST_F(ItemTest, FocusFromCodeAsksChangingAndReportsFocused)
{
    TExTreeItem* j = items.Add(nullptr, "j");
    tree.SetFocused(i);
    EXPECT_EQ(host.Lines("changing"), Lines{"changing i"});
    EXPECT_EQ(host.Lines("focused").size(), 1u);
    EXPECT_TRUE(host.Has("shown i"));
    EXPECT_TRUE(host.Has("redraw i"));
    EXPECT_TRUE(i->Focused());
    EXPECT_TRUE(i->GetState(extree::stFocused));
    host.Clear();
    tree.SetFocused(i);
    EXPECT_TRUE(host.Log.empty());
    host.RefuseChanging = true;
    tree.SetFocused(j);
    EXPECT_EQ(tree.Focused(), i);
    tree.DoSetFocused(j, true);
    EXPECT_EQ(tree.Focused(), j);
    host.RefuseChanging = false;
    i->SetState(extree::stFocused, false);  // not focused: focus stays
    EXPECT_EQ(tree.Focused(), j);
    j->SetFocused(false);
    EXPECT_EQ(tree.Focused(), nullptr);
    ++tree.FocusEventsLock;
    host.Clear();
    i->SetFocused(true);
    EXPECT_TRUE(host.Lines("changing").empty());
    EXPECT_TRUE(host.Lines("focused").empty());
    EXPECT_EQ(tree.Focused(), i);
}

TEST_F(ItemTest, FocusInASingleSelectTreeIsTheSelection)
{
    TExTreeItem* j = items.Add(nullptr, "j");
    i->SetSelected(true);
    j->SetSelected(true);
    tree.SetMultiSelect(false);
    EXPECT_FALSE(j->Selected());
    tree.SelectionChanged = false;
    tree.SetFocused(i);
    EXPECT_TRUE(tree.SelectionChanged);
    EXPECT_TRUE(i->Selected());
    tree.SelectionChanged = false;
    tree.SetFocused(nullptr);
    EXPECT_TRUE(tree.SelectionChanged);
    EXPECT_EQ(tree.Selected(), nullptr);
    tree.SetFocused(i);
    EXPECT_EQ(tree.Selected(), i);
    tree.SetSelected(j);
    EXPECT_EQ(tree.Focused(), j);
    EXPECT_FALSE(i->Selected());
    EXPECT_TRUE(j->Selected());
    EXPECT_EQ(tree.SelCount(), 1);
    ASSERT_EQ(tree.SelectedList(), nullptr);
    tree.SetMultiSelect(true);
    EXPECT_EQ(tree.SelCount(), 1);
}

TEST_F(ItemTest, SelectionKeepsWithinALevelWhenAsked)
{
    TExTreeItem* child = items.AddChild(i, "c");
    TExTreeItem* j = items.Add(nullptr, "j");
    i->SetSelected(true);
    tree.KeepSelectionWithinLevel = true;
    child->SetSelected(true);
    EXPECT_FALSE(child->Selected());
    j->SetSelected(true);
    EXPECT_EQ(tree.SelCount(), 2);
    tree.SelectionChanged = false;
    tree.DeselectAll();
    EXPECT_TRUE(tree.SelectionChanged);
    EXPECT_FALSE(j->Selected());
    i->SetSelected(true);
    j->SetSelected(true);
    // The anchor is forgotten when its item is deselected.
    tree.SetSelected(j);
    j->SetSelected(false);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(tree.SelectedList()->Count(), 1);
    // A selected item that goes leaves the list.
    i->Delete();
    EXPECT_EQ(tree.SelCount(), 0);
}

TEST_F(ItemTest, CheckingARadioItemUnchecksItsRadioSiblings)
{
    TExTreeItem* r1 = items.Add(nullptr, "r1");
    TExTreeItem* r2 = items.Add(nullptr, "r2");
    TExTreeItem* box = items.Add(nullptr, "box");
    for (TExTreeItem* x : {r1, r2}) x->SetCheckBoxType(ectRadioButton);
    box->SetChecked(true);
    r1->SetChecked(true);
    r2->SetChecked(true);
    EXPECT_FALSE(r1->Checked());
    EXPECT_TRUE(r2->Checked());
    EXPECT_TRUE(box->Checked());
    box->SetCheckBoxState(cbGrayed);
    box->SetChecked(false);
    EXPECT_EQ(box->CheckBoxState(), cbUnchecked);
}

TEST_F(ItemTest, ExpandAndCollapseCanBeRefused)
{
    TExTreeItem* a1 = items.AddChild(items.AddChild(i, "a"), "a1");
    host.RefuseExpanding = true;
    i->Expand(true);
    EXPECT_FALSE(i->Expanded());
    host.RefuseExpanding = false;
    host.Clear();
    a1->MakeFullyExpanded(true);
    EXPECT_TRUE(a1->IsVisible());
    EXPECT_EQ(host.Lines("refresh"), Lines{"refresh update rows view top viscount hrange"});
    host.RefuseCollapsing = true;
    i->Collapse(false);
    EXPECT_TRUE(i->Expanded());
}

TEST_F(ItemTest, CollapseMovesFocusAndDeselectsTheBranchWhenAsked)
{
    TExTreeItem* a = items.AddChild(i, "a");
    TExTreeItem* b = items.AddChild(i, "b");
    TExTreeItem* c = items.AddChild(i, "c");
    i->Expand(false);
    tree.SetFocused(a);
    i->Collapse(false);
    EXPECT_EQ(tree.Focused(), a);
    // Several selected: the collapsing item takes the focus alone.
    i->Expand(false);
    tree.MoveFocusOnCollapse = true;
    b->SetSelected(true);
    c->SetSelected(true);
    tree.SetFocused(c);
    i->Collapse(false);
    EXPECT_EQ(tree.Focused(), i);
    EXPECT_FALSE(i->Selected());
    EXPECT_EQ(tree.SelCount(), 2);
    // One selected: the selection goes with the focus, which does not expand the item again.
    tree.DeselectAll();
    i->Expand(false);
    tree.SetFocused(a);
    a->SetSelected(true);
    tree.AutoExpand = true;
    i->Collapse(false);
    EXPECT_EQ(tree.Focused(), i);
    EXPECT_FALSE(i->Expanded());
    EXPECT_TRUE(tree.AutoExpand);
    EXPECT_TRUE(i->Selected());
    EXPECT_FALSE(a->Selected());
    tree.AutoExpand = false;
    i->Expand(false);
    TExTreeItem* after = items.Add(nullptr, "after");
    a->SetSelected(true);
    b->SetSelected(true);
    c->SetSelected(true);
    after->SetSelected(true);
    // Below a child that was not expanded: its first and last items.
    TExTreeItem* b1 = items.AddChild(b, "b1");
    TExTreeItem* b2 = items.AddChild(b, "b2");
    b1->SetSelected(true);
    b2->SetSelected(true);
    tree.DeselectChildrenOnCollapse = true;
    i->Collapse(false);
    EXPECT_FALSE(a->Selected());
    EXPECT_FALSE(b->Selected());
    EXPECT_FALSE(b1->Selected());
    EXPECT_FALSE(b2->Selected());
    // The branch's last item goes too, and nothing past the branch.
    EXPECT_FALSE(c->Selected());
    EXPECT_TRUE(after->Selected());
}

TEST_F(ItemTest, AutoExpandFollowsTheFocusAndAutoCollapseFoldsWhatItLeaves)
{
    TExTreeItem* a = items.AddChild(i, "a");
    TExTreeItem* a1 = items.AddChild(a, "a1");
    TExTreeItem* a2 = items.AddChild(a, "a2");
    TExTreeItem* j = items.Add(nullptr, "j");
    items.AddChild(j, "j1");
    tree.AutoExpand = true;
    tree.AutoCollapse = true;
    tree.SetFocused(i);
    tree.SetFocused(a);
    EXPECT_TRUE(i->Expanded());
    EXPECT_TRUE(a->Expanded());
    tree.SetFocused(a1);
    tree.SetFocused(a2);  // within the same parent: the parent stays open
    EXPECT_TRUE(a->Expanded());
    tree.SetFocused(j);
    EXPECT_TRUE(j->Expanded());
    EXPECT_FALSE(a->Expanded());
    EXPECT_FALSE(i->Expanded());
}

TEST_F(ItemTest, FilteringHidesBranchesAndMovesTheFocusOut)
{
    TExTreeItem* a = items.AddChild(i, "a");
    TExTreeItem* a1 = items.AddChild(a, "a1");
    TExTreeItem* b = items.AddChild(i, "b");
    TExTreeItem* j = items.Add(nullptr, "j");
    TExTreeItem* k = items.Add(nullptr, "k");
    i->Expand(true);
    tree.SetFocused(a1);
    tree.SetFilteredVisibility(true);
    // Hiding a branch moves the focus out of all of it, up to a shown ancestor.
    a->SetHidden(true);
    EXPECT_EQ(tree.Focused(), i);
    EXPECT_FALSE(a1->IsVisible());
    EXPECT_FALSE(a1->FullyVisible());
    EXPECT_EQ(i->GetFirstVisibleChild(), b);
    EXPECT_EQ(items.VisCount(), 4);
    a1->SetHidden(true);
    host.Clear();
    a1->SetFullyVisible(true);
    EXPECT_EQ(host.Lines("refresh").size(), 1u);
    EXPECT_FALSE(a->Hidden());
    EXPECT_TRUE(a1->IsVisible());
    EXPECT_EQ(tree.HiddenCount, 0);
    // A hidden root item passes the focus to the nearest shown item before it, else after it.
    tree.SetFocused(k);
    k->SetHidden(true);
    EXPECT_EQ(tree.Focused(), j);
    tree.SetFocused(i);
    i->SetHidden(true);
    EXPECT_EQ(tree.Focused(), j);
}

TEST_F(ItemTest, NamesNeighboursAndStates)
{
    TExTreeItem* a = items.AddChild(i, "a");
    TExTreeItem* b = items.AddChild(i, "b");
    TExTreeItem* a1 = items.AddChild(a, "a1");
    EXPECT_EQ(a1->GetFullName("/"), "/i/a/a1");
    EXPECT_EQ(a1->GetFullNameEx("/", false), "i/a/a1");
    EXPECT_EQ(a1->GetFullName(std::string(1, '\0')), "iaa1");
    EXPECT_EQ(a1->GetAncestor(), i);
    EXPECT_EQ(i->GetChildrenCount(), 3);
    for (auto [set, get] : std::vector<std::pair<void (TExTreeItem::*)(bool), bool (TExTreeItem::*)() const>>{
             {&TExTreeItem::SetSuppressButtons, &TExTreeItem::SuppressButtons},
             {&TExTreeItem::SetForceButtons, &TExTreeItem::ForceButtons},
             {&TExTreeItem::SetSuppressLines, &TExTreeItem::SuppressLines},
             {&TExTreeItem::SetShowCheckBox, &TExTreeItem::ShowCheckBox},
             {&TExTreeItem::SetStrikedOutLine, &TExTreeItem::StrikedOutLine},
             {&TExTreeItem::SetDrawHLine, &TExTreeItem::DrawHLine}}) {
        const bool was = (b->*get)();
        (b->*set)(!was);
        EXPECT_NE((b->*get)(), was);
    }
    EXPECT_TRUE(a1->IsUnder(i));
    EXPECT_FALSE(a1->IsUnder(b));
    EXPECT_FALSE(a1->IsUnder(nullptr));
    EXPECT_EQ(i->IndexOf(b), 1);
    EXPECT_EQ(b->IndexOf(a1), -1);
    EXPECT_EQ(a->GetNextSibling(), b);
    EXPECT_EQ(b->GetPrevSibling(), a);
    EXPECT_EQ(b->GetNextSibling(), nullptr);
    EXPECT_EQ(a->GetFirstSibling(), a);
    EXPECT_EQ(a->GetLastSibling(), b);
    EXPECT_EQ(a1->GetNext(), b);
    EXPECT_EQ(b->GetPrev(), a1);
    EXPECT_EQ(i->GetPrev(), nullptr);
    EXPECT_EQ(items.Root()->GetNext(), i);
    EXPECT_EQ(i->GetNextVisible(), nullptr);
    i->Expand(false);
    EXPECT_EQ(a->GetNextVisible(), b);
    EXPECT_EQ(b->GetPrevVisible(), a);
    EXPECT_EQ(i->GetChildIndex(b), 1);
    EXPECT_EQ(i->GetChildIndex(a1), -1);
    b->SetState(4, true);
    b->SetState(8, true);
    b->SetSelected(true);
    b->Expand(false);
    // Members: focused, selected, 3, expanded, 5, 6, 4, 8.
    EXPECT_EQ(b->StateSet(), 0b11001010);
    b->SetBorderStyle(ibsFlat);
    EXPECT_EQ(b->BorderStyle(), ibsFlat);
    EXPECT_FALSE(b->GetState(16));
    EXPECT_FALSE(b->GetState(-1));
}

}  // namespace

// The tree's mouse, driven through the toolkit's own mouse events: clicks with and without
// modifiers, presses on buttons and check boxes, double clicks, the rubber band with its
// auto-scroll, click-to-edit, hot tracking, cell controls, and handlers that free the tree.
#include <memory>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "InputTest.h"
#include "platform/ExtCtrls.h"
#include "platform/Menus.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"

namespace {

class Mouse : public InputTest {
protected:
    void Paint()
    {
        View()->Invalidate();
        View()->Update();
        uitest::Pump();
    }
    TRect RowRect(TExTreeItem* Item)
    {
        const Integer row = View()->VisibleRows()->IndexOf(Item);
        EXPECT_GE(row, 0) << Item->Text() << " is on screen";
        return View()->GetItemRect(row);
    }
    // A client point of the view over Part of Item's row.
    TPoint PartAt(TExTreeItem* Item, TSTItemPart Part)
    {
        Paint();
        const TRect r = RowRect(Item);
        const Integer y = (r.Top + r.Bottom) / 2;
        for (Integer x = 0; x < View()->ClientWidth(); ++x) {
            TSTItemPart p;
            Integer column = 0;
            if (View()->GetItemAt(x, y, p, column) == Item && p == Part) return {x + 1 < View()->ClientWidth() ? x + 1 : x, y};
        }
        ADD_FAILURE() << "no part " << int(Part) << " on " << Item->Text();
        return {0, 0};
    }
    TPoint TextAt(TExTreeItem* Item) { return PartAt(Item, ipMainText); }
    void Click(const TPoint& P, TShiftState Shift = 0, TMouseButton Button = mbLeft)
    {
        // A handler may free the tree at the press.
        TGuardPtr<TExTreeView> view(View());
        Input::MouseDown(view.Get(), Button, P.X, P.Y, Shift);
        uitest::Pump();
        if (view) Input::MouseUp(view.Get(), Button, P.X, P.Y, Shift);
        uitest::Pump();
        // The next click is a click of its own, not the second of a double click.
        Input::AdvanceTime(2000);
    }
    void ClickText(TExTreeItem* Item, TShiftState Shift = 0) { Click(TextAt(Item), Shift); }
    TPoint Below() { return {20, View()->ClientHeight() - 3}; }
};

// ---------------------------------------------------------------- clicks and selection

TEST_F(Mouse, AClickFocusesAndSelectsAndTellsOnceAClickBelowTheRowsDropsTheFocus)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(3);
    ClickText(r[1]);
    EXPECT_EQ(Focused(), r[1]);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r1"});
    EXPECT_EQ(AfterCount(), 1);
    EXPECT_FALSE(Tree->Model()->Updating()) << "the click left no update bracket open";
    EXPECT_TRUE(View()->Focused()) << "a press focuses the view";
    ClickText(r[1]);
    EXPECT_EQ(AfterCount(), 1) << "a click that changes nothing tells nothing";
    Click(Below());
    EXPECT_EQ(Focused(), nullptr) << "a click on no row drops the focus";
    EXPECT_EQ(AfterCount(), 2);
    ClickText(r[2]);
    Tree->SetAlwaysKeepFocus(true);
    Click(Below());
    EXPECT_EQ(Focused(), r[2]) << "unless the tree always keeps it";
    EXPECT_EQ(GetCaptureControl(), nullptr) << "the mouse is let go after each click";
}

TEST_F(Mouse, CtrlTogglesShiftRangesFromAnUnmovedAnchor)
{
    Tree->SetMultiSelect(true);
    auto r = AddRoots(6);
    ClickText(r[1]);
    ClickText(r[3], ssCtrl);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r1", "r3"}));
    ClickText(r[1], ssCtrl);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r3"})) << "Ctrl+click takes one item out";
    ClickText(r[0]);
    ClickText(r[3], ssShift);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r2", "r3"}));
    EXPECT_EQ(Focused(), r[3]);
    ClickText(r[2], ssShift);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r2"})) << "the anchor stayed on r0";
    ClickText(r[5]);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r5"})) << "a plain click starts afresh";
    EXPECT_GE(AfterCount(), 7) << "every click that changed the selection told of it";
}

TEST_F(Mouse, APressOnASelectedItemKeepsTheSelectionUntilTheReleaseLeavesThatItemAlone)
{
    Tree->SetMultiSelect(true);
    auto r = AddRoots(4);
    ClickText(r[0]);
    ClickText(r[2], ssShift);
    ASSERT_EQ(SelectedTexts().size(), 3u);
    const TPoint p = TextAt(r[1]);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r2"})) << "the press keeps the selection";
    EXPECT_EQ(Focused(), r[1]);
    EXPECT_TRUE(View()->ClickPending());
    Input::MouseUp(View(), mbLeft, p.X, p.Y);
    uitest::Pump();
    EXPECT_FALSE(View()->ClickPending());
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r1"})) << "the release leaves only the clicked item";
    EXPECT_EQ(Tree->GetSelected(), r[1]) << "and makes it the anchor";
}

TEST_F(Mouse, DisabledItemsTakeNoClicksButTheTreeHearsThePress)
{
    auto r = AddRoots(3);
    r[1]->SetEnabled(false);
    std::vector<std::string> heard;
    Tree->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { heard.push_back("down"); };
    Tree->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { heard.push_back("up"); };
    Tree->OnClick = [&](TObject*) { heard.push_back("click"); };
    ClickText(r[0]);
    heard.clear();
    ClickText(r[1]);
    EXPECT_EQ(Focused(), r[0]);
    EXPECT_EQ(heard, std::vector<std::string>{"down"});
    heard.clear();
    Click(TextAt(r[1]), 0, mbRight);
    EXPECT_EQ(heard, std::vector<std::string>{"down"}) << "nor the right button's release";
    EXPECT_EQ(GetCaptureControl(), nullptr) << "the release that the tree does not hear still lets the mouse go";
    Input::DoubleClick(View(), TextAt(r[1]).X, TextAt(r[1]).Y);
    uitest::Pump();
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 0);
    Tree->SetIgnoreEnabled(true);
    ClickText(r[1]);
    EXPECT_EQ(Focused(), r[1]);
}

TEST_F(Mouse, RightClicksSelectOnlyWithRightClickSelect)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(3);
    ClickText(r[0]);
    Tree->SetRightClickSelect(false);
    Click(TextAt(r[2]), 0, mbRight);
    EXPECT_EQ(Focused(), r[0]);
    Tree->SetRightClickSelect(true);
    Click(TextAt(r[2]), 0, mbRight);
    EXPECT_EQ(Focused(), r[2]);
    EXPECT_EQ(AfterCount(), 2);
}

TEST_F(Mouse, RightClicksInAMultiSelectTreeKeepASelectedItemsSelectionOrStartAfresh)
{
    Tree->SetMultiSelect(true);
    Tree->SetRightClickSelect(true);
    auto r = AddRoots(5);
    ClickText(r[0]);
    Click(TextAt(r[2]), 0, mbRight);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r2"}) << "one selected: the right click starts afresh";
    EXPECT_EQ(Focused(), r[2]);
    ClickText(r[3], ssShift);
    ASSERT_EQ(SelectedTexts(), (std::vector<std::string>{"r2", "r3"}));
    Click(TextAt(r[2]), 0, mbRight);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r2", "r3"})) << "a right click on a selected item keeps them";
    EXPECT_EQ(Focused(), r[2]);
    Click(TextAt(r[4]), 0, mbRight);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r4"}) << "on another item it selects that one alone";
    Tree->SetRowSelect(false);
    const TPoint beside{View()->ClientWidth() - 5, TextAt(r[1]).Y};
    Click(beside, 0, mbRight);
    EXPECT_EQ(Focused(), r[4]) << "beside a row's text without RowSelect nothing changes";
    Tree->SetAlwaysKeepFocus(true);
    Click(Below(), 0, mbRight);
    EXPECT_EQ(Focused(), r[4]) << "the tree keeps its focus";
    Tree->SetAlwaysKeepFocus(false);
    Click(Below(), 0, mbRight);
    EXPECT_EQ(Focused(), nullptr) << "a right click on no row drops the focus";
    ClickText(r[1]);
    ClickText(r[2], ssShift);
    Click(TextAt(r[0]), 0, mbRight);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r0"});
    ClickText(r[1], ssShift);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1"})) << "the right click moved the anchor";
}

TEST_F(Mouse, ARightClickBelowTheRowsWithSeveralSelectedDropsTheSelectionAndTheFocus)
{
    Tree->SetMultiSelect(true);
    Tree->SetRightClickSelect(true);
    auto r = AddRoots(4);
    ClickText(r[1]);
    ClickText(r[2], ssShift);
    ASSERT_EQ(SelectedTexts(), (std::vector<std::string>{"r1", "r2"}));
    Click(Below(), 0, mbRight);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{});
    EXPECT_EQ(Focused(), nullptr);
    ClickText(r[0]);
    ClickText(r[3], ssShift);
    Tree->SetAlwaysKeepFocus(true);
    Click(Below(), 0, mbRight);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{}) << "the selection goes";
    EXPECT_EQ(Focused(), r[3]) << "the focus stays with AlwaysKeepFocus";
}

TEST_F(Mouse, ALeftPressWhileTheRightButtonIsHeldIsALeftPress)
{
    Tree->SetMultiSelect(false);
    Tree->SetRightClickSelect(false);
    auto r = AddRoots(3);
    auto c = AddChildren(r[0], 2);
    ClickText(r[1]);
    const TPoint held = TextAt(r[1]), p = TextAt(r[2]), button = PartAt(r[0], ipButton);
    Input::MouseDown(View(), mbRight, held.X, held.Y);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    Input::MouseUp(View(), mbLeft, p.X, p.Y);
    uitest::Pump();
    EXPECT_EQ(Focused(), r[2]) << "it selects as a left click does";
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r2"});
    Input::AdvanceTime(2000);
    Input::MouseDown(View(), mbLeft, button.X, button.Y);
    Input::MouseUp(View(), mbLeft, button.X, button.Y);
    Input::MouseUp(View(), mbRight, held.X, held.Y);
    uitest::Pump();
    EXPECT_TRUE(r[0]->Expanded()) << "on the button it expands, not selects";
    EXPECT_EQ(Focused(), r[2]);
    (void)c;
}

TEST_F(Mouse, APendingClickIsDroppedByAReleaseOverADisabledRowAndByTheNextPress)
{
    Tree->SetMultiSelect(true);
    auto r = AddRoots(5);
    r[3]->SetEnabled(false);
    ClickText(r[0]);
    ClickText(r[2], ssShift);
    ASSERT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r2"}));
    const TPoint p = TextAt(r[1]), disabled = TextAt(r[3]);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    uitest::Pump();
    ASSERT_TRUE(View()->ClickPending());
    Input::MouseUp(View(), mbLeft, disabled.X, disabled.Y);
    uitest::Pump();
    EXPECT_FALSE(View()->ClickPending()) << "a release the tree skips ends the deferred click";
    Input::AdvanceTime(2000);
    ClickText(r[4]);
    EXPECT_EQ(Focused(), r[4]) << "the user's click is not undone by the old one";
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r4"});
    // A press whose release never came (another window took it) is over at the next press.
    ClickText(r[0]);
    ClickText(r[1], ssShift);
    const TPoint q = TextAt(r[0]), t = TextAt(r[4]);
    Input::MouseDown(View(), mbLeft, q.X, q.Y);
    uitest::Pump();
    ASSERT_TRUE(View()->ClickPending());
    Input::AdvanceTime(2000);
    Input::MouseDown(View(), mbLeft, t.X, t.Y);
    uitest::Pump();
    EXPECT_FALSE(View()->ClickPending());
    Input::MouseUp(View(), mbLeft, t.X, t.Y);
    uitest::Pump();
    EXPECT_EQ(Focused(), r[4]);
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r4"});
    // And when the view loses the focus before the release.
    auto* other = new TEdit(Form);
    other->SetParent(Form);
    other->SetBounds(10, 300, 120, 24);
    Input::AdvanceTime(2000);
    ClickText(r[0]);
    ClickText(r[1], ssShift);
    Input::MouseDown(View(), mbLeft, q.X, q.Y);
    uitest::Pump();
    ASSERT_TRUE(View()->ClickPending());
    other->SetFocus();
    uitest::Pump();
    EXPECT_FALSE(View()->ClickPending());
    Input::MouseUp(View(), mbLeft, q.X, q.Y);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1"})) << "the press's selection is left as it was";
}

TEST_F(Mouse, ShiftRangesStepOverDisabledItems)
{
    Tree->SetMultiSelect(true);
    auto r = AddRoots(5);
    r[2]->SetEnabled(false);
    ClickText(r[0]);
    ClickText(r[4], ssShift);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r3", "r4"}));
}

// ---------------------------------------------------------------- buttons and double clicks

TEST_F(Mouse, TheButtonExpandsAndCollapsesWithoutSelectingAndADoubleClickOnItTellsNothing)
{
    Tree->SetFullRowSelect(false);
    auto r = AddRoots(2);
    AddChildren(AddChildren(r[0], 3)[0], 2);
    ClickText(r[1]);
    ClickText(r[0]);
    EXPECT_FALSE(r[0]->Expanded()) << "a click on the text leaves the branch as it is";
    ClickText(r[1]);
    Click(PartAt(r[0], ipButton));
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_FALSE(r[0]->GetFirstChild()->Expanded()) << "one level only";
    EXPECT_EQ(Focused(), r[1]) << "the button changes no selection";
    Click(PartAt(r[0], ipButton));
    EXPECT_FALSE(r[0]->Expanded());
    Events.clear();
    const TPoint b = PartAt(r[0], ipButton);
    Input::DoubleClick(View(), b.X, b.Y);
    uitest::Pump();
    EXPECT_TRUE(r[0]->Expanded()) << "the first click of the two expands, the second is no click";
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 0);
}

TEST_F(Mouse, ADoubleClickOnTheTextTogglesTheBranchAndIsHeard)
{
    auto r = AddRoots(2);
    AddChildren(AddChildren(r[0], 2)[0], 2);
    const TPoint p = TextAt(r[0]);
    Input::DoubleClick(View(), p.X, p.Y);
    uitest::Pump();
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_FALSE(r[0]->GetFirstChild()->Expanded()) << "one level only";
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 1);
    r[0]->GetFirstChild()->Expand(false);
    Input::AdvanceTime(2000);
    Input::DoubleClick(View(), p.X, p.Y);
    uitest::Pump();
    EXPECT_FALSE(r[0]->Expanded());
    EXPECT_TRUE(r[0]->GetFirstChild()->Expanded()) << "the collapse is one level too";
    Input::AdvanceTime(2000);
    Input::DoubleClick(View(), p.X, p.Y);
    uitest::Pump();
    ASSERT_TRUE(r[0]->Expanded());
    EXPECT_FALSE(View()->IsDragging()) << "the release after a double click is no drag";
    Input::AdvanceTime(2000);
    Tree->SetExpandOnDblClick(false);
    Input::DoubleClick(View(), p.X, p.Y);
    uitest::Pump();
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 4) << "heard whether it toggles or not";
}

TEST_F(Mouse, WithFullRowSelectADoubleClickBesideTheTextTogglesButNotOnTheCheckBox)
{
    Tree->SetFullRowSelect(true);
    Tree->SetShowCheckboxes(true);
    auto r = AddRoots(2);
    AddChildren(r[0], 2);
    r[0]->SetShowCheckBox(true);
    const TPoint box = PartAt(r[0], ipCheckBox);
    Input::DoubleClick(View(), box.X, box.Y);
    uitest::Pump();
    EXPECT_FALSE(r[0]->Expanded());
    Input::AdvanceTime(2000);
    const TPoint beside{View()->ClientWidth() - 5, box.Y};
    Input::DoubleClick(View(), beside.X, beside.Y);
    uitest::Pump();
    EXPECT_TRUE(r[0]->Expanded());
    Tree->SetFullRowSelect(false);
    Input::AdvanceTime(2000);
    Input::DoubleClick(View(), beside.X, beside.Y);
    uitest::Pump();
    EXPECT_TRUE(r[0]->Expanded()) << "without it only the text toggles";
}

TEST_F(Mouse, AnExpandedBranchNearTheBottomIsScrolledIntoView)
{
    auto r = AddRoots(40);
    AddChildren(r[5], 4);
    const Integer rows = View()->ClientHeight() / Tree->LineHeight();
    ASSERT_GT(rows, 6);
    TExTreeItem* low = r[rows - 2];
    AddChildren(low, 4);
    Click(PartAt(low, ipButton));
    EXPECT_TRUE(low->Expanded());
    ASSERT_GE(View()->VisibleRows()->IndexOf(low->GetLastChild()), 0) << "its children came into view";
    const TRect last = View()->GetItemRect(View()->VisibleRows()->IndexOf(low->GetLastChild()));
    EXPECT_LE(last.Bottom, View()->ClientHeight()) << "wholly";
    EXPECT_GE(View()->VisibleRows()->IndexOf(low), 0) << "the item itself stays on screen";
    // Only as far as that takes: the fewest rows are dropped from the top.
    const Integer L = Tree->LineHeight();
    const Integer need = (rows - 2) * L + 5 * L - View()->ClientHeight();
    EXPECT_EQ(Tree->TopIndex(), (need + L - 1) / L);
}

// ---------------------------------------------------------------- check boxes

class CheckBoxes : public Mouse {
protected:
    CheckBoxes()
    {
        Tree->SetShowCheckboxes(true);
        Tree->SetMultiSelect(false);
        r = AddRoots(3);
        for (TExTreeItem* i : r) {
            i->SetShowCheckBox(true);
            i->SetCheckBoxEnabled(true);
        }
        Tree->OnItemChecked = [this](TObject*, TExTreeItem* Item) { Checked.push_back(Item->Text()); };
    }
    std::vector<TExTreeItem*> r;
    std::vector<std::string> Checked;
};

TEST_F(CheckBoxes, OnlyALeftClickOnTheBoxTogglesItAndSelectsNothing)
{
    std::vector<TItemChangeMode> changes;
    Tree->OnItemChange = [&](TObject*, TExTreeItem*, TItemChangeMode Mode) { changes.push_back(Mode); };
    Click(PartAt(r[0], ipCheckBox));
    EXPECT_TRUE(r[0]->Checked());
    EXPECT_EQ(std::count(changes.begin(), changes.end(), icmCheckState), 1) << "the change is told once";
    EXPECT_EQ(Focused(), nullptr) << "the box changes no selection";
    EXPECT_EQ(Checked, std::vector<std::string>{"r0"});
    Click(PartAt(r[0], ipCheckBox), 0, mbRight);
    EXPECT_TRUE(r[0]->Checked()) << "the right button does not toggle";
    const TPoint text = TextAt(r[1]), box = PartAt(r[1], ipCheckBox);
    Input::MouseDown(View(), mbLeft, text.X, text.Y);
    Input::MouseUp(View(), mbLeft, box.X, box.Y);
    uitest::Pump();
    EXPECT_FALSE(r[1]->Checked()) << "a press elsewhere released over the box does not toggle";
    Input::AdvanceTime(2000);
    Input::DoubleClick(View(), box.X, box.Y);
    uitest::Pump();
    EXPECT_TRUE(r[1]->Checked()) << "a double click toggles once";
    r[2]->SetCheckBoxEnabled(false);
    Input::AdvanceTime(2000);
    Click(PartAt(r[2], ipCheckBox));
    EXPECT_FALSE(r[2]->Checked());
    EXPECT_EQ(Checked, (std::vector<std::string>{"r0", "r1"}));
}

TEST_F(CheckBoxes, ABandOrADragThatEndsOnTheBoxDoesNotToggleIt)
{
    Tree->SetMultiSelect(true);
    const TPoint box = PartAt(r[1], ipCheckBox);
    Input::MouseDown(View(), mbLeft, box.X, box.Y);
    Input::MouseMove(View(), box.X + 3, box.Y + 12, ssLeft);
    Input::MouseMove(View(), box.X, box.Y, ssLeft);
    Input::MouseUp(View(), mbLeft, box.X, box.Y);
    uitest::Pump();
    EXPECT_FALSE(r[1]->Checked()) << "the end of a band";
    Tree->SetDragAllowed(true);
    r[1]->SetSelected(true);
    Input::AdvanceTime(2000);
    Input::MouseDown(View(), mbLeft, box.X, box.Y);
    Input::MouseMove(View(), box.X + 3, box.Y + 12, ssLeft);
    Input::MouseMove(View(), box.X, box.Y, ssLeft);
    Input::MouseUp(View(), mbLeft, box.X, box.Y);
    uitest::Pump();
    EXPECT_FALSE(r[1]->Checked()) << "the end of a drag";
    EXPECT_TRUE(Checked.empty());
}

TEST_F(CheckBoxes, ThreeStateBoxesCycleAndRadioButtonsOnlyCheck)
{
    r[0]->SetCheckBoxType(ect3SCheckBox);
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        Click(PartAt(r[0], ipCheckBox));
        seen.push_back(r[0]->CheckBoxState());
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    r[1]->SetCheckBoxType(ectRadioButton);
    Click(PartAt(r[1], ipCheckBox));
    Click(PartAt(r[1], ipCheckBox));
    EXPECT_TRUE(r[1]->Checked());
}

TEST_F(CheckBoxes, AHandlerMayFreeTheTreeFromOnItemChecked)
{
    Tree->OnItemChecked = [this](TObject*, TExTreeItem*) {
        // The handler goes with the tree: nothing of it is touched after the free.
        TObject::Free(std::exchange(Tree, nullptr));
    };
    Click(PartAt(r[0], ipCheckBox));
    EXPECT_EQ(Tree, nullptr);
}

TEST_F(CheckBoxes, AHandlerMayDeleteTheCheckedItem)
{
    std::vector<std::string> changes;
    Tree->OnItemChecked = [](TObject*, TExTreeItem* Item) { Item->Delete(); };
    Click(PartAt(r[1], ipCheckBox));
    EXPECT_EQ(Items().Count(), 2);
}

// ---------------------------------------------------------------- handlers that free the tree

TEST_F(Mouse, HandlersOfThePressTheClickAndTheSelectionMayFreeTheTree)
{
    struct Case {
        const char* What;
        std::function<void(TExTree*, std::function<void()>)> Arm;
    } cases[] = {
        {"OnMouseDown", [](TExTree* T, std::function<void()> Go) {
             T->OnMouseDown = [Go](TObject*, TMouseButton, TShiftState, int, int) { Go(); };
         }},
        {"OnClick", [](TExTree* T, std::function<void()> Go) { T->OnClick = [Go](TObject*) { Go(); }; }},
        {"OnMouseUp", [](TExTree* T, std::function<void()> Go) {
             T->OnMouseUp = [Go](TObject*, TMouseButton, TShiftState, int, int) { Go(); };
         }},
        {"OnAfterSelectionChange", [](TExTree* T, std::function<void()> Go) {
             T->OnAfterSelectionChange = [Go](TObject*) { Go(); };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto* tree = new TExTree(Form);
        tree->SetParent(Form);
        tree->SetBounds(10, 220, 300, 150);
        tree->Items()->Add(nullptr, "a");
        TExTreeItem* b = tree->Items()->Add(nullptr, "b");
        uitest::Pump();
        TGuardPtr<TExTree> alive(tree);
        c.Arm(tree, [tree] { TObject::Free(tree); });
        tree->View()->Invalidate();
        tree->View()->Update();
        const TRect rr = tree->View()->GetItemRect(1);
        TGuardPtr<TExTreeView> view(tree->View());
        Input::MouseDown(view.Get(), mbLeft, b->TextLeft + 3, (rr.Top + rr.Bottom) / 2);
        uitest::Pump();
        if (view) Input::MouseUp(view.Get(), mbLeft, b->TextLeft + 3, (rr.Top + rr.Bottom) / 2);
        uitest::Pump();
        Input::AdvanceTime(2000);
        EXPECT_FALSE(alive) << "the handler ran and freed the tree";
        if (alive) TObject::Free(tree);
    }
}

TEST_F(Mouse, AHandlerMayFreeTheTreeFromThePendingClickOfAMultiSelection)
{
    Tree->SetMultiSelect(true);
    auto r = AddRoots(3);
    ClickText(r[0]);
    ClickText(r[1], ssShift);
    int calls = 0;
    Tree->OnAfterSelectionChange = [this, &calls](TObject*) {
        // The press tells of the focus, the release settles the selection and tells again.
        if (++calls == 2) TObject::Free(std::exchange(Tree, nullptr));
    };
    ClickText(r[0]);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Tree, nullptr);
}

// ---------------------------------------------------------------- the rubber band

class Band : public Mouse {
protected:
    Band()
    {
        Tree->SetMultiSelect(true);
        Tree->SetMouseFrameSelect(true);
    }
};

TEST_F(Band, FourPixelsAreNoBandFiveAre)
{
    auto r = AddRoots(5);
    const TPoint p = TextAt(r[0]);
    Input::MouseDown(View(), mbLeft, p.X + 40, p.Y);
    Input::MouseMove(View(), p.X + 44, p.Y, ssLeft);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameSelecting());
    Input::MouseMove(View(), p.X + 43, p.Y + 4, ssLeft);
    uitest::Pump();
    EXPECT_TRUE(View()->FrameSelecting()) << "3-4-5: five pixels away";
    EXPECT_TRUE(View()->FrameShown());
    Input::MouseUp(View(), mbLeft, p.X + 43, p.Y + 4);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameSelecting());
    EXPECT_EQ(View()->FrameItems(), nullptr);
    EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(Band, TheBandSelectsTheRowsItCoversAndNothingInsideCollapsedBranches)
{
    auto r = AddRoots(6);
    AddChildren(r[2], 3);
    ClickText(r[5]);
    const TPoint a = TextAt(r[1]), b = TextAt(r[3]);
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    uitest::Pump();
    Events.clear();
    Input::MouseMove(View(), a.X + 1, a.Y + 6, ssLeft);
    Input::MouseMove(View(), b.X + 2, b.Y, ssLeft);
    Input::MouseUp(View(), mbLeft, b.X + 2, b.Y);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r1", "r2", "r3"}))
        << "the earlier selection went, the hidden children of r2 were not taken";
    EXPECT_EQ(AfterCount(), 0) << "a band tells nothing";
    r[2]->Expand(false);
    uitest::Pump();
    const TPoint c = TextAt(r[3]);
    const TPoint d = TextAt(r[5]);
    Input::MouseDown(View(), mbLeft, c.X, c.Y, ssCtrl);
    Input::MouseMove(View(), c.X, c.Y + 8, ssLeft | ssCtrl);
    Input::MouseMove(View(), d.X, d.Y, ssLeft | ssCtrl);
    Input::MouseUp(View(), mbLeft, d.X, d.Y, ssCtrl);
    uitest::Pump();
    // The Ctrl press took r3 out; the band then inverts every row it covers.
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r1", "r2", "r3", "r4", "r5"}))
        << "with Ctrl the band inverts the rows it covers and keeps the rest";
}

TEST_F(Band, MovingBackShrinksTheBandAndARightPressEndsIt)
{
    auto r = AddRoots(6);
    const TPoint a = TextAt(r[0]), b = TextAt(r[4]), c = TextAt(r[2]);
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    Input::MouseMove(View(), b.X, b.Y, ssLeft);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts().size(), 5u);
    Input::MouseMove(View(), c.X, c.Y, ssLeft);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r2"}));
    ASSERT_NE(View()->FrameItems(), nullptr);
    EXPECT_EQ(View()->FrameItems()->Count(), 3);
    Input::MouseDown(View(), mbRight, c.X, c.Y, ssLeft);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameSelecting());
    EXPECT_NE(GetCaptureControl(), View()) << "the band let the mouse go";
    EXPECT_EQ(View()->FrameItems(), nullptr);
    Input::MouseUp(View(), mbRight, c.X, c.Y, ssLeft);
    Input::MouseUp(View(), mbLeft, c.X, c.Y);
    uitest::Pump();
}

TEST_F(Band, ABandDrawnUpwardShrinksFromTheTopAndShowsItsFrame)
{
    auto r = AddRoots(6);
    const TPoint a = TextAt(r[4]), b = TextAt(r[1]), c = TextAt(r[3]);
    auto column = [&](Integer X) {
        std::vector<COLORREF> v;
        HDC dc = GetDC(View()->Handle());
        for (Integer y = b.Y; y < a.Y; ++y) v.push_back(GetPixel(dc, X, y));
        ReleaseDC(View()->Handle(), dc);
        return v;
    };
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    Input::MouseMove(View(), a.X + 20, a.Y - 8, ssLeft);
    Input::MouseMove(View(), a.X + 30, b.Y, ssLeft);
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r1", "r2", "r3", "r4"}));
    const auto framed = column(a.X);
    // Painted again without the frame (the band still runs).
    View()->Invalidate();
    View()->Update();
    EXPECT_NE(column(a.X), framed) << "the frame of an upward band was drawn on its left edge";
    Input::MouseMove(View(), a.X + 30, c.Y, ssLeft);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r3", "r4"})) << "the rows it left at the top";
    Input::MouseUp(View(), mbLeft, a.X + 30, c.Y);
    uitest::Pump();
}

TEST_F(Band, ABandStartedBelowTheRowsTakesNone)
{
    auto r = AddRoots(3);
    ClickText(r[1]);
    const TPoint p = Below();
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    Input::MouseMove(View(), p.X + 10, p.Y - 6, ssLeft);
    uitest::Pump();
    ASSERT_TRUE(View()->FrameSelecting());
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{}) << "below the last row there is no row to take";
    Input::MouseUp(View(), mbLeft, p.X + 10, p.Y - 6);
    uitest::Pump();
    // Nor once the rows are gone while the band is held past the view's edge and its timer runs.
    Tree->SetDragScrollInterval(10);
    Input::AdvanceTime(2000);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    Input::MouseMove(View(), p.X + 10, p.Y - 6, ssLeft);
    Input::MouseMove(View(), 30, View()->ClientHeight() + 10, ssLeft);
    uitest::Pump();
    ASSERT_TRUE(View()->FrameSelecting());
    ASSERT_TRUE(View()->FrameScrollTimer()->Enabled());
    Tree->Items()->Clear();
    // Long enough for the timer to tick many times.
    uitest::Pump(500);
    EXPECT_TRUE(View()->FrameSelecting());
    EXPECT_EQ(Focused(), nullptr);
    Input::MouseUp(View(), mbLeft, 30, View()->ClientHeight() + 10);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameSelecting());
}

TEST_F(Band, AFrameWhoseStartRowScrolledAwayRunsFromAboveTheView)
{
    Tree->SetDragScrollInterval(60000);
    auto r = AddRoots(60);
    const TPoint a = TextAt(r[0]);
    const Integer right = a.X + 60;
    auto topLine = [&] {
        std::vector<COLORREF> v;
        HDC dc = GetDC(View()->Handle());
        for (Integer x = a.X + 3; x < right - 3; ++x) v.push_back(GetPixel(dc, x, a.Y));
        ReleaseDC(View()->Handle(), dc);
        return v;
    };
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    Input::MouseMove(View(), a.X + 10, a.Y + 20, ssLeft);
    Input::MouseMove(View(), right, View()->ClientHeight() + 30, ssLeft);
    ASSERT_EQ(Tree->TopIndex(), 1);
    ASSERT_TRUE(View()->FrameShown());
    const auto shown = topLine();
    Input::MouseUp(View(), mbLeft, right, View()->ClientHeight() + 30);
    EXPECT_FALSE(View()->FrameShown());
    EXPECT_EQ(topLine(), shown) << "no edge of the frame crosses the top row";
}

TEST_F(Band, ABandHeldBelowTheViewScrollsOnTheTimerAndTakesTheRowsThatCameIn)
{
    Tree->SetDragScrollInterval(10);
    auto r = AddRoots(60, "a row with a text wide enough to scroll the view sideways ");
    const TPoint a = TextAt(r[0]);
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    Input::MouseMove(View(), a.X, a.Y + 20, ssLeft);
    // The first pixel row below the view is outside it.
    Input::MouseMove(View(), a.X, View()->ClientHeight(), ssLeft);
    const Integer top = Tree->TopIndex();
    EXPECT_EQ(top, 1) << "the move below scrolled one row";
    EXPECT_TRUE(View()->FrameShown());
    ASSERT_NE(View()->FrameScrollTimer(), nullptr);
    EXPECT_TRUE(View()->FrameScrollTimer()->Enabled());
    EXPECT_TRUE(uitest::PumpUntil([&] { return Tree->TopIndex() >= top + 3; }, 3000)) << "the timer goes on scrolling";
    const Integer shown = Tree->TopIndex() + View()->RowCount();
    Input::MouseUp(View(), mbLeft, a.X, View()->ClientHeight());
    uitest::Pump();
    EXPECT_FALSE(View()->FrameScrollTimer()->Enabled());
    const Integer selected = Integer(SelectedTexts().size());
    EXPECT_GE(selected, shown - 2) << "rows scrolled in joined the band";
    EXPECT_TRUE(r[0]->Selected());
    const Integer after = Tree->TopIndex();
    uitest::Pump(60);
    EXPECT_EQ(Tree->TopIndex(), after) << "the release stopped the scrolling";
    // So is the first pixel column right of it: the timer goes on sideways.
    ASSERT_GT(View()->HRange(), View()->ClientWidth());
    const TPoint b = TextAt(View()->Row(1));
    Input::MouseDown(View(), mbLeft, b.X, b.Y);
    Input::MouseMove(View(), b.X + 8, b.Y, ssLeft);
    Input::MouseMove(View(), View()->ClientWidth(), b.Y, ssLeft);
    EXPECT_EQ(Tree->LeftPosition(), 4);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Tree->LeftPosition() >= 16; }, 60000));
    Input::MouseUp(View(), mbLeft, View()->ClientWidth(), b.Y);
    uitest::Pump();
}

TEST_F(Band, ABandAboveTheViewScrollsUpARowAndBesideItFourPixels)
{
    Tree->SetDragScrollInterval(5000);
    auto r = AddRoots(60, "a row with a text wide enough to scroll the view sideways ");
    Tree->SetVPosition(10);
    uitest::Pump();
    ASSERT_GT(View()->HRange(), View()->ClientWidth());
    TExTreeItem* top = View()->Row(0);
    const TPoint a = TextAt(View()->Row(2));
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    Input::MouseMove(View(), a.X, a.Y - 8, ssLeft);
    Input::MouseMove(View(), a.X, -20, ssLeft);
    uitest::Pump();
    EXPECT_EQ(Tree->TopIndex(), 9);
    EXPECT_TRUE(top->Selected()) << "the row the band reached at the top edge";
    Input::MouseMove(View(), View()->ClientWidth() + 20, 30, ssLeft);
    uitest::Pump();
    EXPECT_EQ(Tree->TopIndex(), 9) << "inside the rows: no more vertical scrolling";
    EXPECT_EQ(Tree->LeftPosition(), 4);
    Input::MouseMove(View(), -20, 30, ssLeft);
    uitest::Pump();
    EXPECT_EQ(Tree->LeftPosition(), 0);
    Input::MouseUp(View(), mbLeft, -20, 30);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameShown()) << "the release erased the band";
    (void)r;
}

TEST_F(Band, ABandOverACollapsedBranchOfAHundredThousandItemsTakesOnlyTheRows)
{
    auto r = AddRoots(4);
    Items().BeginUpdate();
    for (int i = 0; i < 100000; ++i) Items().AddChild(r[1], "c");
    Items().EndUpdate();
    const TPoint a = TextAt(r[0]), b = TextAt(r[3]);
    Input::Drag(View(), a.X, a.Y, b.X, b.Y);
    uitest::Pump();
    EXPECT_EQ(SelectedTexts(), (std::vector<std::string>{"r0", "r1", "r2", "r3"}));
    EXPECT_EQ(Tree->GetSelCount(), 4);
}

TEST_F(Band, AnItemDeletedWhileTheBandRunsLeavesItAlone)
{
    auto r = AddRoots(6);
    const TPoint a = TextAt(r[1]), b = TextAt(r[4]);
    Input::MouseDown(View(), mbLeft, a.X, a.Y);
    Input::MouseMove(View(), b.X, b.Y, ssLeft);
    uitest::Pump();
    r[1]->Delete();
    r[3]->Delete();
    uitest::Pump();
    Input::MouseMove(View(), b.X, b.Y - 3, ssLeft);
    Input::MouseUp(View(), mbLeft, b.X, b.Y - 3);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameSelecting());
}

// ---------------------------------------------------------------- click-to-edit

TEST_F(Mouse, ASecondClickOnTheSameItemArmsTheEditTimerADoubleClickStopsIt)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(3);
    for (TExTreeItem* i : r) i->SetAllowEdit(true);
    ClickText(r[1]);
    EXPECT_TRUE(!View()->EditTimer() || !View()->EditTimer()->Enabled()) << "the first click only focuses";
    ClickText(r[1]);
    ASSERT_NE(View()->EditTimer(), nullptr);
    EXPECT_TRUE(View()->EditTimer()->Enabled());
    ClickText(r[2]);
    EXPECT_FALSE(View()->EditTimer()->Enabled()) << "a click on another item stops it";
    const TPoint p = TextAt(r[2]);
    Input::DoubleClick(View(), p.X, p.Y);
    uitest::Pump();
    EXPECT_FALSE(View()->EditTimer()->Enabled());
    Input::AdvanceTime(2000);
    ClickText(r[2]);
    EXPECT_FALSE(View()->EditTimer()->Enabled()) << "the double click forgot the last clicked item";
    r[0]->SetAllowEdit(false);
    ClickText(r[0]);
    ClickText(r[0]);
    EXPECT_FALSE(View()->EditTimer()->Enabled()) << "an item that allows no edit";
}

// An edit box for the click-and-wait gesture, and another control and window to go to meanwhile.
class ClickToEdit : public Mouse {
protected:
    TBoxEditor* Box = new TBoxEditor(Form);
    TEdit* Other = new TEdit(Form);
    std::vector<TExTreeItem*> r;
    ClickToEdit()
    {
        Tree->SetMultiSelect(false);
        Box->SetTree(Tree);
        Other->SetParent(Form);
        Other->SetBounds(10, 300, 120, 24);
        for (const char* text : {"Station A", "Station B", "Station C", "Station D"}) {
            r.push_back(Items().Add(nullptr, text));
            r.back()->SetAllowEdit(true);
        }
        uitest::Pump();
    }
    // Two single clicks, as a user who means to rename the item.
    void ClickTwice(TExTreeItem* Item)
    {
        ClickText(Item);
        ClickText(Item);
        ASSERT_TRUE(View()->EditTimer() && View()->EditTimer()->Enabled());
    }
    // Waits three times the timer's interval for an edit to start.
    bool EditStarts()
    {
        return uitest::PumpUntil([&] { return Tree->IsEditing(); }, int(3 * GetDoubleClickTime()));
    }
};

TEST_F(ClickToEdit, TheSecondClickOpensTheEditorOnTheClickedItemAfterAPause)
{
    ClickTwice(r[1]);
    ASSERT_TRUE(EditStarts());
    EXPECT_EQ(Box->Box()->Text(), "Station B");
    EXPECT_TRUE(Box->Box()->Focused());
    Input::TypeText("Station X");
    Key(VK_RETURN);
    EXPECT_EQ(r[1]->Text(), "Station X");
}

TEST_F(ClickToEdit, KeysPressedMeanwhileStopIt)
{
    ClickTwice(r[0]);
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[2]);
    EXPECT_FALSE(EditStarts()) << "the focus left Station A";
    Input::TypeText("typed");
    uitest::Pump();
    EXPECT_EQ(r[0]->Text(), "Station A");
    EXPECT_EQ(r[2]->Text(), "Station C");
    ClickTwice(r[2]);
    Key(VK_F5);
    EXPECT_FALSE(EditStarts()) << "any key";
}

TEST_F(ClickToEdit, AFocusMovedFromCodeStopsItEvenWhenItComesBack)
{
    ClickTwice(r[0]);
    Tree->SetFocused(r[1]);
    Tree->SetFocused(r[0]);
    EXPECT_FALSE(EditStarts());
    ClickTwice(r[0]);
    Tree->SetFocused(nullptr);
    EXPECT_FALSE(EditStarts());
}

TEST_F(ClickToEdit, AnotherControlOrWindowTakingTheFocusStopsIt)
{
    ClickTwice(r[0]);
    Input::Click(Other, 5, 5);
    uitest::Pump();
    ASSERT_TRUE(Other->Focused());
    EXPECT_FALSE(EditStarts());
    EXPECT_TRUE(Other->Focused()) << "the edit did not take the focus back";
    auto* second = new TForm(Form);
    second->SetBounds(600, 40, 200, 120);
    auto* edit = new TEdit(second);
    edit->SetParent(second);
    edit->SetBounds(10, 10, 100, 24);
    second->Show();
    uitest::Pump();
    Input::Click(Form, 5, 5);
    View()->SetFocus();
    uitest::Pump();
    ClickTwice(r[1]);
    Input::Click(edit, 5, 5);
    uitest::Pump();
    ASSERT_TRUE(edit->Focused());
    EXPECT_FALSE(EditStarts()) << "no edit box in the window the user left";
    EXPECT_FALSE(Box->Box() && Box->Box()->Visible());
}

// ---------------------------------------------------------------- hot tracking and leaving

TEST_F(Mouse, HotTrackingFollowsThePointerAndEndsWhenItLeaves)
{
    Tree->SetTracking(true);
    auto r = AddRoots(3);
    r[2]->SetEnabled(false);
    std::vector<std::pair<TExTreeItem*, TExTreeItem*>> tracks;
    Tree->OnHotTrack = [&](TObject*, TExTreeItem* Old, TExTreeItem* New) { tracks.push_back({Old, New}); };
    const TPoint a = TextAt(r[0]), b = TextAt(r[1]), c = TextAt(r[2]);
    Input::MouseMove(View(), a.X, a.Y);
    Input::MouseMove(View(), b.X, b.Y);
    Input::MouseMove(View(), b.X + 1, b.Y);
    uitest::Pump();
    EXPECT_EQ(View()->TrackedItem(), r[1]);
    Input::MouseMove(View(), c.X, c.Y);
    uitest::Pump();
    EXPECT_EQ(View()->TrackedItem(), nullptr) << "a disabled row is not tracked";
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0], std::make_pair(static_cast<TExTreeItem*>(nullptr), r[0]));
    EXPECT_EQ(tracks[1], std::make_pair(r[0], r[1]));
    Input::MouseMove(View(), b.X, b.Y);
    Input::MouseMove(Form, 400, 400);
    uitest::Pump();
    EXPECT_EQ(View()->TrackedItem(), nullptr) << "leaving the view ends the tracking";
}

TEST_F(Mouse, AnItemsOwnHintIsShownOverItsRowAndTheTreesElsewhere)
{
    Tree->SetHint("tree hint");
    auto r = AddRoots(3);
    r[1]->SetHint("Gr\xC3\xBC\xC3\x9F" "e");
    auto ask = [&](TExTreeItem* Item) {
        THintInfo info;
        info.HintControl = View();
        info.HintStr = View()->Hint();
        info.CursorPos = TextAt(Item);
        View()->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
        return info.HintStr;
    };
    EXPECT_EQ(ask(r[1]), r[1]->Hint());
    const std::string other = ask(r[0]);
    EXPECT_NE(other, r[1]->Hint()) << "an item without a hint of its own does not show another's";
    ask(r[1]);
    const TPoint q = TextAt(r[2]);
    Input::MouseMove(View(), q.X, q.Y);
    uitest::Pump();
    EXPECT_EQ(View()->Hint(), "tree hint") << "away from the item the tree's own hint is back";
    r[2]->SetHint("second");
    Input::MouseMove(View(), q.X + 1, q.Y);
    uitest::Pump();
    EXPECT_EQ(View()->Hint(), "second") << "another item's hint follows the pointer";
}

// ---------------------------------------------------------------- cell controls

class Cells : public Mouse {
protected:
    Cells()
    {
        Tree->SetMultiSelect(false);
        auto* sections = Tree->Header()->Sections();
        sections->AddSection()->SetWidth(120);
        sections->AddSection()->SetWidth(120);
        Tree->SetShowHeader(true);
        r = AddRoots(3);
        for (TExTreeItem* i : r) {
            i->SetUseStyles(true);
            TExCellStyle* s = i->AddStyle();
            s->SetOwnerColors(false);
        }
        Button = new TExCellButton(Form);
        r[1]->Styles(0)->SetControl(Button);
        Button->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Log.push_back("down"); };
        Button->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int X, int Y) {
            Log.push_back(X < 0 || Y < 0 ? "up " + std::to_string(X) + " " + std::to_string(Y) : "up");
        };
        Button->OnClick = [this](TObject*) { Log.push_back("click"); };
        Button->OnDblClick = [this](TObject*) { Log.push_back("dblclick"); };
    }
    TPoint CellAt(TExTreeItem* Item)
    {
        Paint();
        const TRect rr = RowRect(Item);
        return {180, (rr.Top + rr.Bottom) / 2};
    }
    std::vector<TExTreeItem*> r;
    TExCellButton* Button;
    std::vector<std::string> Log;
};

TEST_F(Cells, APressAndReleaseOnACellButtonClickItAndSelectNothing)
{
    Click(CellAt(r[1]));
    EXPECT_EQ(Log, (std::vector<std::string>{"down", "up", "click"}));
    EXPECT_EQ(Focused(), nullptr) << "the button keeps the press to itself";
    Log.clear();
    const TPoint p = CellAt(r[1]), q = CellAt(r[2]);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    Input::MouseUp(View(), mbLeft, q.X, q.Y);
    uitest::Pump();
    EXPECT_EQ(Log, (std::vector<std::string>{"down", "up -1 -1"})) << "released elsewhere: no click";
    Log.clear();
    Input::AdvanceTime(2000);
    Input::DoubleClick(View(), p.X, p.Y);
    uitest::Pump();
    EXPECT_NE(std::find(Log.begin(), Log.end(), "dblclick"), Log.end()) << "the last column's control hears it";
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "dblclick"), 0) << "the tree hears no double click";
    Log.clear();
    int treeMoves = 0;
    Tree->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++treeMoves; };
    Button->OnMouseMove = [this](TObject*, TShiftState, int X, int) { Log.push_back("move " + std::to_string(X)); };
    Input::MouseMove(View(), p.X, p.Y);
    uitest::Pump();
    EXPECT_EQ(Log, std::vector<std::string>{"move " + std::to_string(p.X - 120)}) << "in the cell's own coordinates";
    EXPECT_EQ(treeMoves, 0) << "a move over a cell control is the control's";
    Input::MouseMove(View(), q.X, q.Y);
    uitest::Pump();
    EXPECT_EQ(treeMoves, 1);
}

TEST_F(Cells, ACellButtonReleasedOverADisabledRowComesUpThereAtTheRealPoint)
{
    r[2]->SetEnabled(false);
    std::vector<TPoint> ups;
    Button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int X, int Y) { ups.push_back({X, Y}); };
    const TPoint p = CellAt(r[1]), q = CellAt(r[2]);
    Input::MouseDown(View(), mbLeft, p.X, p.Y);
    uitest::Pump();
    EXPECT_TRUE(Button->Down());
    Input::MouseUp(View(), mbLeft, q.X + 7, q.Y);
    uitest::Pump();
    EXPECT_FALSE(Button->Down()) << "the button comes up at its release";
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].X, q.X + 7 - 120) << "in its column's coordinates";
    EXPECT_EQ(ups[0].Y, q.Y);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "click"), 0);
    Click(CellAt(r[0]));
    EXPECT_EQ(ups.size(), 1u) << "and hears no second release later";
    // The same with the right button.
    Input::MouseDown(View(), mbRight, p.X, p.Y);
    Input::MouseUp(View(), mbRight, q.X, q.Y);
    uitest::Pump();
    EXPECT_FALSE(Button->Down());
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[1].X, q.X - 120);
}

TEST_F(Cells, ACellButtonPressedWithTheRightButtonComesUpWhereverItIsReleased)
{
    std::vector<std::string> buttons;
    Button->OnMouseUp = [&](TObject*, TMouseButton B, TShiftState, int X, int Y) {
        buttons.push_back((B == mbRight ? "right " : "left ") + std::to_string(X) + " " + std::to_string(Y));
    };
    const TPoint p = CellAt(r[1]), q = CellAt(r[2]);
    Input::MouseDown(View(), mbRight, p.X, p.Y);
    uitest::Pump();
    EXPECT_TRUE(Button->Down());
    Input::MouseUp(View(), mbRight, q.X, q.Y);
    uitest::Pump();
    EXPECT_FALSE(Button->Down());
    EXPECT_EQ(buttons, std::vector<std::string>{"right -1 -1"});
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "click"), 0);
    Input::AdvanceTime(2000);
    Input::MouseDown(View(), mbRight, p.X, p.Y);
    Input::MouseUp(View(), mbRight, p.X, p.Y);
    uitest::Pump();
    EXPECT_FALSE(Button->Down());
    EXPECT_EQ(buttons.back(), "right " + std::to_string(p.X - 120) + " " + std::to_string(p.Y));
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "click"), 1) << "released on itself it clicks";
    // That press is over: a later left press on another row released over the button is no click.
    Input::AdvanceTime(2000);
    Input::MouseDown(View(), mbLeft, q.X, q.Y);
    Input::MouseUp(View(), mbLeft, p.X, p.Y);
    uitest::Pump();
    EXPECT_EQ(buttons.back(), "left " + std::to_string(p.X - 120) + " " + std::to_string(p.Y));
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "click"), 1) << "the right press no longer counts";
}

TEST_F(Cells, AColumnPastTheItemsLastStyleUsesItsMainStyle)
{
    Tree->Header()->Sections()->AddSection()->SetWidth(120);
    auto* mainButton = new TExCellButton(Form);
    std::vector<std::string> heard;
    mainButton->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int) { heard.push_back("down " + std::to_string(X)); };
    mainButton->OnClick = [&](TObject*) { heard.push_back("click"); };
    r[0]->MainStyle()->SetOwnerColors(false);
    r[0]->MainStyle()->SetControl(mainButton);
    ASSERT_EQ(r[0]->StylesCount(), 1);
    Paint();
    const TRect rr = RowRect(r[0]);
    const TPoint p{250, (rr.Top + rr.Bottom) / 2};
    TSTItemPart part;
    Integer column = 0;
    ASSERT_EQ(View()->GetItemAt(p.X, p.Y, part, column), r[0]);
    ASSERT_EQ(column, 2);
    Click(p);
    EXPECT_EQ(heard, (std::vector<std::string>{"down " + std::to_string(p.X - 240), "click"}));
    EXPECT_EQ(Focused(), nullptr) << "the control kept the press";
}

TEST_F(Cells, ARightClickOnACellControlWithAMenuPopsItUpForTheControl)
{
    auto* menu = new TPopupMenu(Form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&Item");
    menu->Items()->Add(item);
    Button->SetPopupMenu(menu);
    std::vector<std::string> tree;
    Tree->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { tree.push_back("up"); };
    Tree->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { tree.push_back("down"); };
    int popups = 0;
    uitest::AnswerNextDialog([&](TObject* Dialog) {
        EXPECT_EQ(Dialog, menu);
        ++popups;
        return 0;
    });
    Click(CellAt(r[1]), 0, mbRight);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(menu->PopupComponent, Button);
    EXPECT_EQ(Log, (std::vector<std::string>{"down", "up", "click"}));
    EXPECT_EQ(tree, std::vector<std::string>{"down"}) << "the release is the menu's, not the tree's";
    EXPECT_FALSE(Button->Down());
    uitest::ClearDialogAnswers();
}

TEST_F(Cells, AVirtualTreesStyleBringsItsControlAndAStyleWithItsOwnColoursNone)
{
    Tree->SetVirtualityLevel(vlTextAndStyles);
    for (TExTreeItem* i : r) i->SetUseStyles(true);
    auto* virtualButton = new TExCellButton(Form);
    virtualButton->OnClick = [this](TObject*) { Log.push_back("virtual click"); };
    bool ownColours = false;
    // The view's one virtual style hosts the control (and owns it from then on).
    Tree->OnVirtualStyleNeeded = [&](TObject*, TExTreeItem*, Integer, TExCellStyle* Style) {
        Style->SetOwnerColors(ownColours);
        Style->SetControl(virtualButton);
    };
    Click(CellAt(r[0]));
    EXPECT_EQ(Log, std::vector<std::string>{"virtual click"});
    EXPECT_EQ(Focused(), nullptr);
    ownColours = true;
    Click(CellAt(r[0]));
    EXPECT_EQ(Log.size(), 1u) << "a style with its own colours hosts no control";
    EXPECT_EQ(Focused(), r[0]);
    Tree->OnVirtualStyleNeeded = nullptr;
}

TEST_F(Cells, AButtonsClickHandlerMayFreeTheTree)
{
    Button->OnClick = [this](TObject*) {
        Log.push_back("click");
        // The handler goes with the tree: nothing of it is touched after the free.
        TObject::Free(std::exchange(Tree, nullptr));
    };
    Click(CellAt(r[1]));
    EXPECT_EQ(Tree, nullptr);
    EXPECT_EQ(Log.back(), "click");
}

TEST_F(Cells, AnOrdinaryCellSelectsItsRow)
{
    Click(CellAt(r[2]));
    EXPECT_EQ(Focused(), r[2]);
    Tree->Header()->Sections()->GetSection(1)->SetClickSelect(false);
    Click(CellAt(r[0]));
    EXPECT_EQ(Focused(), r[2]) << "a column that does not click-select";
}

}  // namespace

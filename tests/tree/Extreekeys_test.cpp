// The tree's keys, typed through the toolkit's own key events: moving the focus and the selection,
// expanding and collapsing, and the incremental search with its timeout thread.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "InputTest.h"
#include "platform/CodePages.h"

namespace {

using Keys = InputTest;

std::vector<std::string> Texts(std::initializer_list<const char*> List) { return {List.begin(), List.end()}; }

TEST_F(Keys, ArrowsHomeAndEndMoveTheFocusAndTheSelectionOfASingleSelectTree)
{
    Tree->SetMultiSelect(false);
    AddRoots(5);
    Key(VK_DOWN);
    ASSERT_NE(Focused(), nullptr) << "without a focus Down takes the first row";
    EXPECT_EQ(Focused()->Text(), "r0");
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Focused()->Text(), "r2");
    EXPECT_EQ(Tree->GetSelected(), Focused());
    EXPECT_EQ(SelectedTexts(), Texts({"r2"}));
    Key(VK_UP);
    EXPECT_EQ(Focused()->Text(), "r1");
    Key(VK_END);
    EXPECT_EQ(Focused()->Text(), "r4");
    Key(VK_HOME);
    EXPECT_EQ(Focused()->Text(), "r0");
    EXPECT_EQ(AfterCount(), 6) << "each key that moved the selection told of it once";
    Key(VK_UP);
    EXPECT_EQ(Focused()->Text(), "r0") << "Up from the first row stays";
    EXPECT_EQ(AfterCount(), 6) << "a key that changed nothing tells nothing";
    Key(VK_F5);
    Key('Q');
    EXPECT_EQ(AfterCount(), 6);
}

TEST_F(Keys, ANegativeChangeDelayTellsTheFocusAtOnce)
{
    AddRoots(3);
    Integer focused = 0;
    Tree->OnItemFocused = [&](TObject*) { ++focused; };
    Tree->SetChangeDelay(-5);
    EXPECT_EQ(Tree->ChangeDelay(), 0) << "a negative delay is no delay";
    Key(VK_DOWN);
    EXPECT_EQ(focused, 1);
    Key(VK_DOWN);
    EXPECT_EQ(focused, 2);
    uitest::PumpUntil([&] { return focused > 2; }, 300);
    EXPECT_EQ(focused, 2) << "told once per move";
    // A positive delay still delays: the focus is told no sooner than the delay after the key.
    Tree->SetChangeDelay(20);
    const Integer was = focused;
    const auto pressed = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration after{};
    Tree->OnItemFocused = [&](TObject*) {
        ++focused;
        after = std::chrono::steady_clock::now() - pressed;
    };
    Key(VK_DOWN);
    EXPECT_TRUE(uitest::PumpUntil([&] { return focused == was + 1; }, 60000));
    EXPECT_GE(after, std::chrono::milliseconds(20));
}

TEST_F(Keys, DisabledItemsAreSteppedOverUnlessIgnoreEnabled)
{
    auto r = AddRoots(5);
    r[1]->SetEnabled(false);
    r[2]->SetEnabled(false);
    r[4]->SetEnabled(false);
    Tree->SetFocused(r[0]);
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[3]);
    Key(VK_END);
    EXPECT_EQ(Focused(), r[3]) << "End steps back over a disabled last row";
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[3]) << "nothing usable below";
    Key(VK_UP);
    EXPECT_EQ(Focused(), r[0]);
    Tree->SetIgnoreEnabled(true);
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[1]);
    Key(VK_END);
    EXPECT_EQ(Focused(), r[4]);
}

TEST_F(Keys, FocusMovedFromCodeTellsNothingTheNextKeyTellsOnce)
{
    auto r = AddRoots(3);
    Tree->SetFocused(r[1]);
    r[2]->SetSelected(true);
    uitest::Pump();
    EXPECT_TRUE(Events.empty()) << "changes from code are not the user's";
    Key(VK_DOWN);
    EXPECT_EQ(Events, Texts({"after"}));
    EXPECT_FALSE(Tree->SelectionChanged()) << "the key cleared the flag it reported";
}

TEST_F(Keys, PageKeysMoveAPageAndScrollTheFocusedRowIntoView)
{
    Tree->SetMultiSelect(false);
    AddRoots(100);
    const Integer page = View()->GetVisCount() - 1;
    ASSERT_GT(page, 3);
    Tree->SetFocused(Items().Item(0));
    Key(VK_NEXT);
    EXPECT_EQ(Focused()->Text(), "r" + std::to_string(page));
    const Integer top = Tree->TopIndex();
    Key(VK_NEXT);
    EXPECT_EQ(Focused()->Text(), "r" + std::to_string(2 * page));
    EXPECT_GE(Tree->IndexInView(Focused()), 0) << "the focused row is on screen";
    EXPECT_EQ(Tree->TopIndex(), top + page) << "the rows moved by a page";
    Key(VK_PRIOR);
    EXPECT_EQ(Focused()->Text(), "r" + std::to_string(page));
    Key(VK_END);
    EXPECT_EQ(Focused()->Text(), "r99");
    EXPECT_GE(Tree->IndexInView(Focused()), 0);
    Key(VK_HOME);
    EXPECT_EQ(Focused()->Text(), "r0");
    EXPECT_EQ(Tree->TopIndex(), 0);
    Key(VK_PRIOR);
    EXPECT_EQ(Focused()->Text(), "r0");
}

TEST_F(Keys, DownBelowTheLastRowPutsTheFocusedRowAtTheBottomAndUpAtTheTop)
{
    Tree->SetMultiSelect(false);
    AddRoots(60);
    const Integer whole = View()->GetVisCount2();
    Tree->SetFocused(Items().Item(whole - 1));
    const Integer top = Tree->TopIndex();
    for (Integer i = 0; i < 3; ++i) Key(VK_DOWN);
    EXPECT_EQ(Focused()->Text(), "r" + std::to_string(whole + 2));
    EXPECT_EQ(Tree->TopIndex(), top + 3) << "one row scrolled per key";
    const Integer row = Tree->IndexInView(Focused());
    EXPECT_GE(row, whole - 2);
    // Far from the rows on screen, the focus is fetched: Up makes it the top row.
    Tree->SetTopItem(Items().Item(40));
    Key(VK_UP);
    EXPECT_EQ(Focused()->Text(), "r" + std::to_string(whole + 1));
    EXPECT_EQ(Tree->TopIndex(), whole + 1);
}

TEST_F(Keys, RowsOfDifferingHeightScrollSoThatTheFocusedRowIsWhole)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(80);
    const Integer line = Tree->LineHeight();
    Items().BeginUpdate();
    for (size_t i = 0; i < r.size(); i += 3) {
        r[i]->SetOwnerHeight(true);
        r[i]->SetHeight(static_cast<std::int16_t>(3 * line));
    }
    Items().EndUpdate();
    uitest::Pump();
    // The focused row's place on screen: wholly inside the client area.
    auto whole = [this] {
        const Integer row = Tree->IndexInView(Focused());
        if (row < 0) return false;
        const TRect rect = View()->GetItemRect(row);
        return rect.Top >= 0 && rect.Bottom <= View()->ClientHeight();
    };
    Tree->SetFocused(r[0]);
    for (int i = 0; i < 12; ++i) {
        Key(VK_DOWN);
        EXPECT_TRUE(whole()) << "down to " << Focused()->Text();
    }
    Key(VK_NEXT);
    EXPECT_TRUE(whole()) << "page down to " << Focused()->Text();
    Key(VK_NEXT);
    EXPECT_TRUE(whole()) << "page down to " << Focused()->Text();
    Key(VK_PRIOR);
    EXPECT_TRUE(whole()) << "page up to " << Focused()->Text();
    Key(VK_END);
    EXPECT_EQ(Focused(), r.back());
    EXPECT_TRUE(whole());
}

TEST_F(Keys, PagesHomeAndEndSkipWhatIsCollapsedOrFilteredAway)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(60);
    for (Integer i : {0, 1, 3, 58}) AddChildren(r[i], 3);
    r[0]->SetHidden(true);
    r[59]->SetHidden(true);
    r[1]->SetEnabled(false);
    Tree->SetFilteredVisibility(true);
    uitest::Pump();
    const Integer page = View()->GetVisCount() - 1;
    Tree->SetFocused(r[2]);
    Key(VK_NEXT);
    EXPECT_EQ(Focused(), r[2 + page]) << "the collapsed children are not counted";
    Key(VK_HOME);
    EXPECT_EQ(Focused(), r[2]) << "past the filtered first root and the disabled second one, not into it";
    Key(VK_END);
    EXPECT_EQ(Focused(), r[58]) << "the filtered last root is passed, the collapsed branch not entered";
    Key(VK_PRIOR);
    EXPECT_EQ(Focused(), r[58 - page]);
}

TEST_F(Keys, LeftAndRightCollapseExpandAndStepBetweenParentAndChild)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(2);
    auto c = AddChildren(r[0], 2);
    AddChildren(c[1], 1);
    Tree->SetFocused(r[0]);
    Key(VK_RIGHT);
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_EQ(Focused(), r[0]) << "an expansion ends the key";
    Key(VK_RIGHT);
    EXPECT_EQ(Focused(), c[0]) << "on an expanded item Right goes to the first child";
    Key(VK_RIGHT);
    EXPECT_EQ(Focused(), c[0]) << "a leaf has nothing to the right";
    Key(VK_LEFT);
    EXPECT_EQ(Focused(), r[0]) << "Left on a collapsed child goes to the parent";
    Key(VK_LEFT);
    EXPECT_FALSE(r[0]->Expanded());
    EXPECT_EQ(Focused(), r[0]) << "Left on an expanded item collapses it and stays";
    // A right-aligned tree swaps the two.
    Tree->SetRightAlignedTree(true);
    Key(VK_LEFT);
    EXPECT_TRUE(r[0]->Expanded());
    Key(VK_RIGHT);
    EXPECT_FALSE(r[0]->Expanded());
}

TEST_F(Keys, NumpadKeysAndTheStarExpandAndCollapseBranches)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(2);
    auto c = AddChildren(r[0], 2);
    auto g = AddChildren(c[0], 2);
    Tree->SetFocused(r[0]);
    Key(VK_ADD);
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_FALSE(c[0]->Expanded()) << "plus opens one level";
    Key(VK_SUBTRACT);
    EXPECT_FALSE(r[0]->Expanded());
    Key(VK_MULTIPLY);
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_TRUE(c[0]->Expanded()) << "the numpad star opens the whole branch";
    Key(VK_DIVIDE);
    EXPECT_FALSE(r[0]->Expanded());
    EXPECT_FALSE(c[0]->Expanded()) << "slash closes the whole branch";
    Key('8');
    EXPECT_FALSE(r[0]->Expanded()) << "8 without Shift is no star";
    Key('8', ssShift);
    EXPECT_TRUE(r[0]->Expanded());
    EXPECT_TRUE(c[0]->Expanded());
    // A disabled focus is neither opened nor closed.
    r[0]->SetEnabled(false);
    Key(VK_DIVIDE);
    EXPECT_TRUE(r[0]->Expanded());
    (void)g;
}

TEST_F(Keys, CtrlNumpadPlusSizesTheColumnsInsteadOfExpanding)
{
    for (bool multi : {false, true}) {
        Tree->SetMultiSelect(multi);
        Items().Clear();
        Tree->Header()->Sections()->Clear();
        TExHeaderSection* section = Tree->Header()->Sections()->AddSection();
        section->SetWidth(20);
        section->SetAutoSize(true);
        Tree->SetShowHeader(true);
        auto r = AddRoots(1, "a rather long text that needs room ");
        AddChildren(r[0], 1);
        Tree->SetFocused(r[0]);
        // Narrowed again after the items sized it: only the key widens it now.
        section->SetWidth(20);
        uitest::Pump();
        ASSERT_EQ(section->Width(), 20);
        Key(VK_ADD, ssCtrl);
        EXPECT_FALSE(r[0]->Expanded());
        EXPECT_GT(section->Width(), 20) << "multi-select " << multi;
    }
}

TEST_F(Keys, BackspaceGoesToAnEnabledParentAndShowsIt)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(40);
    auto c = AddChildren(r[0], 30);
    r[0]->Expand(false);
    Tree->SetFocused(c[29]);
    Tree->SetTopItem(c[20]);
    Key(VK_BACK);
    EXPECT_EQ(Focused(), r[0]);
    EXPECT_GE(Tree->IndexInView(r[0]), 0);
    Tree->SetFocused(c[3]);
    r[0]->SetEnabled(false);
    Key(VK_BACK);
    EXPECT_EQ(Focused(), c[3]) << "a disabled parent is not taken";
    Tree->SetFocused(r[1]);
    Key(VK_BACK);
    EXPECT_EQ(Focused(), r[1]) << "a root has no parent";
}

TEST_F(Keys, ShiftExtendsFromTheAnchorCtrlMovesWithoutSelecting)
{
    auto r = AddRoots(8);
    Tree->SetFocused(r[2]);
    Key(VK_DOWN);
    EXPECT_EQ(SelectedTexts(), Texts({"r3"}));
    Key(VK_DOWN, ssShift);
    Key(VK_DOWN, ssShift);
    EXPECT_EQ(SelectedTexts(), Texts({"r3", "r4", "r5"}));
    EXPECT_EQ(Tree->GetSelected(), r[3]) << "the anchor stays where the range began";
    Key(VK_UP, ssShift);
    EXPECT_EQ(SelectedTexts(), Texts({"r3", "r4"})) << "the range shrinks back toward the anchor";
    Key(VK_DOWN, ssCtrl);
    Key(VK_DOWN, ssCtrl);
    EXPECT_EQ(Focused(), r[6]);
    EXPECT_EQ(SelectedTexts(), Texts({"r3", "r4"})) << "Ctrl moves the focus only";
    r[7]->SetSelected(true);
    Key(VK_UP, ssCtrl | ssShift);
    EXPECT_EQ(SelectedTexts(), Texts({"r3", "r4", "r5"})) << "Ctrl with Shift is Shift";
    Key(VK_DOWN);
    EXPECT_EQ(SelectedTexts(), Texts({"r6"})) << "a plain key selects the new focus alone";
}

TEST_F(Keys, WithoutAFocusOnlyUpAndDownTakeARowEvenWhenThereIsOnlyOne)
{
    Tree->SetMultiSelect(false);
    AddRoots(3);
    for (Word k : {VK_NEXT, VK_PRIOR, VK_HOME, VK_END}) {
        Key(k);
        EXPECT_EQ(Focused(), nullptr) << "key " << k;
    }
    EXPECT_EQ(AfterCount(), 0);
    Items().Clear();
    AddRoots(1);
    Key(VK_UP);
    ASSERT_NE(Focused(), nullptr) << "a lone row is taken";
    EXPECT_EQ(Focused()->Text(), "r0");
}

TEST_F(Keys, SpaceTogglesTheFocusedItemAndTellsTwice)
{
    auto r = AddRoots(4);
    Tree->SetFocused(r[1]);
    r[1]->SetSelected(true);
    Key(VK_DOWN, ssCtrl);
    Key(VK_DOWN, ssCtrl);
    ASSERT_EQ(Focused(), r[3]);
    Events.clear();
    Key(VK_SPACE, ssCtrl);
    EXPECT_EQ(SelectedTexts(), Texts({"r1", "r3"}));
    EXPECT_EQ(AfterCount(), 2);
    Key(VK_SPACE, ssCtrl);
    EXPECT_EQ(SelectedTexts(), Texts({"r1"}));
    Key(VK_SPACE);
    EXPECT_EQ(SelectedTexts(), Texts({"r3"})) << "a plain space starts over with the focused item";
    Key(VK_UP, ssShift);
    EXPECT_EQ(SelectedTexts(), Texts({"r2", "r3"})) << "and makes it the anchor";
    Tree->SetMultiSelect(false);
    Events.clear();
    Key(VK_SPACE);
    EXPECT_TRUE(Events.empty()) << "single selection has no toggling";
}

TEST_F(Keys, SimpleModeMovesWithoutSelectingAndSpaceToggles)
{
    Tree->SetSelectionMode(smSimple);
    auto r = AddRoots(5);
    Tree->SetFocused(r[0]);
    r[0]->SetSelected(true);
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[2]);
    EXPECT_EQ(SelectedTexts(), Texts({"r0"}));
    Key(VK_SPACE);
    Key(VK_DOWN);
    Key(VK_SPACE);
    EXPECT_EQ(SelectedTexts(), Texts({"r0", "r2", "r3"}));
    EXPECT_EQ(Tree->GetSelected(), r[3]) << "the focused item is the anchor";
    Key(VK_DOWN, ssCtrl);
    EXPECT_EQ(Tree->GetSelected(), r[3]) << "Ctrl moves no anchor";
    Key(VK_SPACE);
    EXPECT_EQ(Tree->GetSelected(), r[4]) << "space makes the toggled item the anchor";
    EXPECT_EQ(SelectedTexts(), Texts({"r0", "r2", "r3", "r4"}));
}

TEST_F(Keys, AFocusInsideACollapsedBranchMovesFromTheRowThatHidesIt)
{
    Tree->SetMultiSelect(false);
    auto r = AddRoots(3);
    auto c = AddChildren(r[1], 3);
    Tree->SetFocused(c[1]);
    r[1]->Collapse(false);
    Key(VK_DOWN);
    EXPECT_EQ(Focused(), r[2]);
    Tree->SetFocused(c[1]);
    r[1]->Collapse(false);
    Key(VK_UP);
    EXPECT_EQ(Focused(), r[1]) << "up to the hiding row itself";
}

TEST_F(Keys, AHandlerThatFreesTheTreeEndsTheKey)
{
    AddRoots(3);
    Tree->SetFocused(Items().Item(0));
    Tree->OnAfterSelectionChange = [this](TObject*) {
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Key(VK_DOWN);
    EXPECT_EQ(Tree, nullptr);
    // Again from the key handler the form sees first, and from the space key's own report.
    auto* tree = new TExTree(Form);
    tree->SetParent(Form);
    tree->SetBounds(10, 10, 200, 150);
    tree->Items()->Add(nullptr, "a");
    tree->Items()->Add(nullptr, "b");
    tree->SetFocused(tree->Items()->Item(0));
    tree->View()->SetFocus();
    uitest::Pump();
    tree->OnKeyDown = [&tree](TObject*, Word&, TShiftState) {
        TExTree* going = tree;
        tree = nullptr;
        TObject::Free(going);
    };
    Key(VK_DOWN);
    EXPECT_EQ(tree, nullptr);
    tree = new TExTree(Form);
    tree->SetParent(Form);
    tree->SetBounds(10, 10, 200, 150);
    tree->Items()->Add(nullptr, "a");
    tree->SetFocused(tree->Items()->Item(0));
    tree->View()->SetFocus();
    uitest::Pump();
    tree->OnAfterSelectionChange = [&tree](TObject*) {
        TExTree* going = tree;
        tree = nullptr;
        TObject::Free(going);
    };
    Key(VK_SPACE);
    EXPECT_EQ(tree, nullptr);
}

// ---------------------------------------------------------------- incremental search

class Search : public InputTest {
protected:
    Search()
    {
        Tree->SetIncrementalSearch(true);
        Tree->SetMultiSelect(false);
    }
    void Type(const std::string& Text)
    {
        Input::TypeText(Text);
        uitest::Pump();
    }
};

TEST_F(Search, TypedLettersFindTheFirstItemBeginningWithThemInAnyCase)
{
    for (const char* t : {"Beta", "alpha", "ALPINE", "Almond", "apple"}) Items().Add(nullptr, t);
    Type("a");
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused()->Text(), "alpha");
    Type("LP");
    EXPECT_EQ(View()->SearchText(), "aLP");
    EXPECT_EQ(Focused()->Text(), "alpha");
    Type("i");
    EXPECT_EQ(Focused()->Text(), "ALPINE");
    Type("\b\b\bp");
    EXPECT_EQ(View()->SearchText(), "ap");
    EXPECT_EQ(Focused()->Text(), "apple");
    Type("x");
    EXPECT_EQ(Focused()->Text(), "apple") << "no match leaves the focus";
}

TEST_F(Search, BlanksAndControlCharactersStayOutButStillReachTheKeyPressEvent)
{
    for (const char* t : {"a b", "ab"}) Items().Add(nullptr, t);
    std::vector<char> pressed;
    Tree->OnKeyPress = [&](TObject*, char& Key) { pressed.push_back(Key); };
    Type("a b");
    EXPECT_EQ(View()->SearchText(), "ab");
    EXPECT_EQ(Focused()->Text(), "ab");
    Input::PressKey('B', ssCtrl);
    uitest::Pump();
    EXPECT_EQ(View()->SearchText(), "ab");
    EXPECT_EQ(pressed, (std::vector<char>{'a', ' ', 'b', '\x02'}));
    // The first printable character after the blank is searched for.
    Items().Add(nullptr, "!x");
    Key(VK_ESCAPE);
    Type("!");
    EXPECT_EQ(View()->SearchText(), "!");
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused()->Text(), "!x");
    // The search answers False whatever the key did.
    for (char k : {'\b', '\b', ' ', 'a', 'q', '\x1b'}) EXPECT_FALSE(View()->ProcessSearch(k)) << int(k);
}

TEST_F(Search, EscapeForgetsTheSearchAndTheSelection)
{
    Tree->SetMultiSelect(true);
    auto r = AddRoots(3);
    r[0]->SetSelected(true);
    r[2]->SetSelected(true);
    Type("r");
    EXPECT_EQ(View()->SearchText(), "r");
    Key(VK_ESCAPE);
    EXPECT_EQ(View()->SearchText(), "");
    EXPECT_TRUE(SelectedTexts().empty());
}

TEST_F(Search, AccentedLettersMatchTheirOtherCase)
{
    // Item texts are in the font's code page, as the keys type them.
    Items().Add(nullptr, Utf8ToCodePage("Ölsardinen", 1252));
    Items().Add(nullptr, Utf8ToCodePage("École", 1252));
    Items().Add(nullptr, Utf8ToCodePage("égal", 1252));
    Type("é");
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(CodePageToUtf8(Focused()->Text(), 1252), "École");
    Type("g");
    EXPECT_EQ(CodePageToUtf8(Focused()->Text(), 1252), "égal");
    Key(VK_ESCAPE);
    Type("ö");
    EXPECT_EQ(CodePageToUtf8(Focused()->Text(), 1252), "Ölsardinen");
}

TEST_F(Search, CollapsedItemsAreFoundAndShownFilteredOnesAreNot)
{
    auto r = AddRoots(30);
    auto c = AddChildren(r[25], 2);
    Items().AddChild(r[3], "zeta hidden")->SetHidden(true);
    Items().AddChild(c[1], "zeta deep");
    Tree->SetFilteredVisibility(true);
    Type("zeta");
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused()->Text(), "zeta deep") << "an item the filter hides is never offered";
    EXPECT_TRUE(r[25]->Expanded());
    EXPECT_TRUE(c[1]->Expanded());
    EXPECT_GE(Tree->IndexInView(Focused()), 0);
}

TEST_F(Search, TheFoundItemIsSelectedAsByTheArrowsAndEachChangeIsTold)
{
    auto r = AddRoots(3);
    Type("r1");
    EXPECT_EQ(Tree->GetSelected(), r[1]);
    EXPECT_EQ(AfterCount(), 2);
    Tree->SetMultiSelect(true);
    r[0]->SetSelected(true);
    Key(VK_ESCAPE);
    EXPECT_TRUE(SelectedTexts().empty());
    EXPECT_EQ(AfterCount(), 3);
    Type("r2");
    EXPECT_EQ(Focused(), r[2]);
    EXPECT_EQ(Tree->GetSelected(), r[2]) << "the anchor";
    EXPECT_EQ(SelectedTexts(), std::vector<std::string>{"r2"});
    EXPECT_EQ(AfterCount(), 5) << "r0, then r2";
    Type("x");
    EXPECT_EQ(AfterCount(), 5) << "a search that finds nothing changes nothing";
}

TEST_F(Search, WithoutIncrementalSearchKeysOnlyReachTheEvent)
{
    Tree->SetIncrementalSearch(false);
    AddRoots(3);
    Type("r1");
    EXPECT_EQ(View()->SearchText(), "");
    EXPECT_EQ(Focused(), nullptr);
}

TEST_F(Search, AHundredThousandItemsInRandomOrderAreSearchedThroughAndUnderCollapsedBranches)
{
    std::vector<int> numbers(100000);
    std::iota(numbers.begin(), numbers.end(), 0);
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(40));
    std::vector<std::string> texts;
    Items().BeginUpdate();
    TExTreeItem* parent = nullptr;
    for (size_t i = 0; i < numbers.size(); ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "N%05d", numbers[i]);
        texts.emplace_back(buf);
        // Every tenth item opens a collapsed branch for the nine after it.
        if (i % 10 == 0)
            parent = Items().Add(nullptr, buf);
        else
            Items().AddChild(parent, buf);
    }
    Items().EndUpdate();
    // The first item in collection order whose text begins with Prefix.
    auto first = [&](const std::string& Prefix) {
        return *std::find_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(Prefix, 0) == 0; });
    };
    Type("n9");
    ASSERT_NE(Focused(), nullptr);
    EXPECT_EQ(Focused()->Text(), first("N9"));
    Type("9999");
    EXPECT_EQ(Focused()->Text(), "N99999");
    EXPECT_GE(Tree->IndexInView(Focused()), 0) << "its branch opened and scrolled into view";
    Key(VK_ESCAPE);
    Type("n00000");
    EXPECT_EQ(Focused()->Text(), "N00000");
    Type("1");
    EXPECT_EQ(Focused()->Text(), "N00000") << "no match past the last one";
    EXPECT_GE(Tree->IndexInView(Focused()), 0);
}

TEST_F(Search, TheTextIsForgottenHalfASecondToASecondAfterTheLastKey)
{
    for (const char* t : {"ab", "b"}) Items().Add(nullptr, t);
    using clock = std::chrono::steady_clock;
    Input::TypeText("a");
    Input::TypeText("b");
    const auto last = clock::now();
    EXPECT_EQ(View()->SearchText(), "ab");
    ASSERT_NE(View()->SearchThread(), nullptr);
    ASSERT_TRUE(uitest::PumpUntil([this] { return View()->SearchText().empty(); }, 60000));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - last).count();
    EXPECT_GE(ms, 500);
    EXPECT_EQ(View()->SearchThread(), nullptr);
    // The next letter starts a new search.
    Type("b");
    EXPECT_EQ(Focused()->Text(), "b");
    EXPECT_NE(View()->SearchThread(), nullptr);
}

TEST_F(Search, AKeyInTimeKeepsTheTextAlive)
{
    Items().Add(nullptr, "abc");
    using clock = std::chrono::steady_clock;
    // Timed from before the first key: the thread starts inside it.
    const auto first = clock::now();
    Type("a");
    uitest::PumpUntil([] { return false; }, 300);
    Type("b");
    // The first step ended with a key in it, so the thread sleeps one more step.
    uitest::PumpUntil([this] { return View()->SearchText().empty(); }, 3000);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - first).count();
    EXPECT_GE(ms, 1000);
}

TEST_F(Search, AKeyAfterTheThreadDecidedToEndStartsANewSearch)
{
    for (const char* t : {"ab", "b"}) Items().Add(nullptr, t);
    Type("a");
    ASSERT_EQ(Focused()->Text(), "ab");
    // The worker decides to end after its first step and then waits for the main thread to take
    // its end notification; the next key comes before that.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    Type("b");
    EXPECT_EQ(Focused()->Text(), "b") << "the pause ended the old search";
    EXPECT_EQ(View()->SearchText(), "b") << "the old thread's notification does not take the new key";
    ASSERT_NE(View()->SearchThread(), nullptr);
    ASSERT_TRUE(uitest::PumpUntil([this] { return View()->SearchText().empty(); }, 3000));
}

TEST_F(Search, AViewThatGoesWhileTheThreadRunsStopsIt)
{
    AddRoots(2);
    Type("r");
    ASSERT_NE(View()->SearchThread(), nullptr);
    TObject::Free(Form);
    Form = nullptr;
    // Nothing of the view may run later: the end notification was let go.
    uitest::Pump(700);
    Form = new TForm(nullptr);
}

TEST_F(Search, AKeyPressHandlerThatFreesTheTreeStopsTheSearchThread)
{
    AddRoots(3);
    Tree->OnKeyPress = [this](TObject*, char&) {
        TExTree* going = Tree;
        Tree = nullptr;
        TObject::Free(going);
    };
    Type("r2");
    EXPECT_EQ(Tree, nullptr);
    // The thread's end notification would reach a freed view.
    uitest::Pump(1200);
}

TEST_F(Search, AThreadStoppedFromCodeNeverReachesTheView)
{
    AddRoots(2);
    Type("r");
    ASSERT_NE(View()->SearchThread(), nullptr);
    View()->StopClearSearchTimeoutThread();
    EXPECT_EQ(View()->SearchThread(), nullptr);
    uitest::Pump(50);
    EXPECT_EQ(View()->SearchText(), "r") << "its end notification was let go before it was stopped";
}

TEST_F(Search, ATimeoutCalledFromCodeClearsTheTextButKeepsTheThreadKnown)
{
    AddRoots(2);
    Type("r");
    TSearchTextTimeoutThread* thread = View()->SearchThread();
    ASSERT_NE(thread, nullptr);
    View()->SearchTextTimeout(nullptr);
    EXPECT_EQ(View()->SearchText(), "");
    EXPECT_EQ(View()->SearchThread(), thread) << "still stopped and freed with the view";
    ASSERT_TRUE(uitest::PumpUntil([this] { return View()->SearchThread() == nullptr; }, 3000));
    TObject::Free(Form);
    Form = nullptr;
    uitest::Pump(50);
    Form = new TForm(nullptr);
}

TEST_F(Search, TheThreadKeepsItsFlagUnderItsLock)
{
    TSearchTextTimeoutThread thread;
    EXPECT_FALSE(thread.KeepAlive());
    thread.SetKeepAlive(true);
    EXPECT_TRUE(thread.KeepAlive());
    EXPECT_TRUE(thread.Suspended()) << "made suspended";
}

TEST_F(Search, AThreadProlongedInTimeRunsAnotherStepAndOneThatDecidedToEndIsNotProlonged)
{
    TSearchTextTimeoutThread thread;
    int ended = 0;
    thread.OnTerminate = [&ended](TObject*) { ++ended; };
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    thread.Resume();
    EXPECT_TRUE(thread.Prolong());
    EXPECT_FALSE(thread.Ending());
    // The getters and the setter let go of the lock the worker needs.
    EXPECT_TRUE(thread.KeepAlive());
    thread.SetKeepAlive(true);
    // Its end notification waits for the main thread, which does not look until the worker ends.
    for (int i = 0; i < 600 && !thread.Ending(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(thread.Ending()) << "the worker ended its steps";
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count(), 1000)
        << "two steps: the first was kept alive";
    EXPECT_FALSE(thread.Prolong()) << "too late: the worker has decided";
    EXPECT_FALSE(thread.KeepAlive()) << "nothing was set on the finished worker";
    // The end is told on the main thread just before the worker marks itself finished.
    ASSERT_TRUE(uitest::PumpUntil([&] { return ended == 1 && thread.Finished(); }, 2000));
    EXPECT_EQ(ended, 1);
}

}  // namespace

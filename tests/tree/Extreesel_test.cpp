// Selection and focus from code: which change raises which event, the walks that select many items,
// the ranges, the mode switches, and virtual texts.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "InputTest.h"
#include "TreeFixture.h"
#include "platform/ImgList.h"
#include "tests/support/UiTest.h"

namespace {

class Selecting : public TreeTest {
protected:
    std::vector<std::string> log;
    // A (A1, A2 (A2a)), B, C: A expanded, A2 collapsed.
    TExTreeItem *A, *A1, *A2, *A2a, *B, *C;

    void SetUp() override
    {
        Items().BeginUpdate();
        A = Items().Add(nullptr, "A");
        A1 = Items().AddChild(A, "A1");
        A2 = Items().AddChild(A, "A2");
        A2a = Items().AddChild(A2, "A2a");
        B = Items().Add(nullptr, "B");
        C = Items().Add(nullptr, "C");
        A->Expand(false);
        Items().EndUpdate();
        // An assigned handler decides: the change is refused unless it allows it.
        Tree->OnChanging = [this](TObject* S, TExTreeItem* Item, bool& Allow) {
            log.push_back(Tag(S, "changing " + Item->Text()));
            Allow = true;
        };
        Tree->OnItemFocused = [this](TObject* S) { log.push_back(Tag(S, "focused")); };
        Tree->OnItemSelectedChange = [this](TObject* S, TExTreeItem* Item) { log.push_back(Tag(S, "sel " + Item->Text())); };
        Tree->OnAfterSelectionChange = [this](TObject* S) { log.push_back(Tag(S, "after")); };
    }
    std::string Tag(TObject* Sender, const std::string& Line) const { return Sender == Tree ? Line : "(not the tree) " + Line; }
    std::string Selection() const
    {
        std::string s;
        for (TExTreeItem* i = Tree->GetNextSelected(nullptr); i; i = Tree->GetNextSelected(i)) s += i->Text() + " ";
        return s;
    }
    std::string Marked() const
    {
        std::string s;
        for (Integer i = 0; i < Items().Count(); ++i)
            if (Items().Item(i)->Selected()) s += Items().Item(i)->Text() + " ";
        return s;
    }
};

// ---- the event matrix of changes made from code

TEST_F(Selecting, FocusFromCodeAsksAndReportsAtOnceAndNeverRaisesTheAfterEvent)
{
    Tree->SetMultiSelect(false);
    log.clear();
    Tree->SetFocused(B);
    EXPECT_EQ(log, (std::vector<std::string>{"changing B", "sel B", "focused"}));
    EXPECT_TRUE(Tree->SelectionChanged());
    log.clear();
    Tree->SetFocused(B);
    EXPECT_TRUE(log.empty()) << "the focused item again";
    Tree->SetSelected(C);  // single-select: the same as focusing
    EXPECT_EQ(Tree->GetFocused(), C);
    EXPECT_EQ(Tree->GetSelCount(), 1);
    EXPECT_EQ(Selection(), "C ");
}

TEST_F(Selecting, AnchorOfAMultiSelectTreeMovesWithoutSelecting)
{
    log.clear();
    Tree->SetSelected(B);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(Tree->GetSelected(), B);
    EXPECT_FALSE(B->Selected());
    EXPECT_EQ(Tree->GetSelCount(), 0);
}

TEST_F(Selecting, SelectionWalksReportEachItemAndNeitherFocusNorTheAfterEvent)
{
    log.clear();
    Tree->SelectAll();
    EXPECT_EQ(Marked(), "A A1 A2 A2a B C ") << "without filtering collapsed branches are selected too";
    EXPECT_EQ(log.size(), 6u);
    for (const auto& l : log) EXPECT_EQ(l.substr(0, 4), "sel ");
    log.clear();
    Tree->InvertSelection();
    EXPECT_EQ(Marked(), "");
    Tree->SelectRange(A1, B);
    EXPECT_EQ(Selection(), "A1 A2 A2a B ");
    Tree->DeselectAll();
    EXPECT_EQ(Marked(), "");
    for (const auto& l : log) EXPECT_EQ(l.substr(0, 4), "sel ");
}

TEST_F(Selecting, ARefusedFocusChangeLeavesTheSelectionAlone)
{
    Tree->SetFocused(A1);
    A1->SetSelected(true);
    Tree->OnChanging = [](TObject*, TExTreeItem*, bool& Allow) { Allow = false; };
    Tree->SetFocused(B);
    EXPECT_EQ(Tree->GetFocused(), A1);
    EXPECT_TRUE(A1->Selected()) << "refusing deselected the focused item";
    EXPECT_EQ(Selection(), "A1 ");
    // Forced, the change happens all the same.
    EXPECT_TRUE(Tree->DoSetFocusedEx(B, true, false));
    EXPECT_EQ(Tree->GetFocused(), B);
}

// Only a user's own gesture toggles the item the focus goes to: a move from code, or one the tree
// makes itself, leaves the selection of a multi-select tree as it was but for the items that went.
TEST_F(Selecting, FocusMovesFromCodeAndOfTheTreeItselfLeaveTheSelection)
{
    Tree->OnChanging = nullptr;
    B->SetSelected(true);
    Tree->SetFocused(B);
    EXPECT_EQ(Selection(), "B ") << "focusing a selected item from code deselected it";
    Tree->SetFocused(C);
    EXPECT_EQ(Selection(), "B ");
    // The focused item goes: the focus moves to the root before it, or to the parent.
    C->SetSelected(true);
    C->Delete();
    EXPECT_EQ(Tree->GetFocused(), B);
    EXPECT_EQ(Selection(), "B ");
    A2->SetSelected(true);
    A1->SetSelected(true);
    Tree->SetFocused(A2);
    A2->Delete();
    EXPECT_EQ(Tree->GetFocused(), A);
    EXPECT_EQ(Selection(), "B A1 ");
    // The filter hides the focused item.
    TExTreeItem* D = Items().Add(nullptr, "D");
    Tree->DeselectAll();
    Tree->SetFilteredVisibility(true);
    D->SetSelected(true);
    Tree->SetFocused(B);
    B->SetSelected(true);
    B->SetHidden(true);
    EXPECT_EQ(Tree->GetFocused(), A1) << "the nearest shown item before it";
    EXPECT_FALSE(A1->Selected());
    EXPECT_TRUE(D->Selected());
    // A shown child keeps the focus through the repair; a hidden one hands it to its parent.
    A1->SetHidden(true);
    EXPECT_EQ(Tree->GetFocused(), A);
    A1->SetHidden(false);
    Tree->SetFocused(A1);
    EXPECT_EQ(Tree->GetFocused(), A1);
    EXPECT_FALSE(A->Selected());
}

TEST_F(Selecting, AHandlerThatSaysNothingRefusesAChangeFromCode)
{
    Tree->OnChanging = [](TObject*, TExTreeItem*, bool&) {};
    Tree->SetFocused(B);
    EXPECT_EQ(Tree->GetFocused(), nullptr);
    Tree->OnChanging = nullptr;
    Tree->SetFocused(B);
    EXPECT_EQ(Tree->GetFocused(), B);
}

TEST_F(Selecting, ALockedFocusAllowsTheChangeAndReportsNothing)
{
    Tree->OnChanging = [this](TObject*, TExTreeItem*, bool& Allow) {
        log.push_back("asked");
        Allow = false;
    };
    log.clear();
    Tree->SetFireFocusEvents(false);
    EXPECT_FALSE(Tree->FireFocusEvents());
    Tree->SetFocused(C);
    EXPECT_EQ(Tree->GetFocused(), C);
    EXPECT_EQ(std::count(log.begin(), log.end(), "asked"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "focused"), 0);
    Tree->SetFireFocusEvents(true);
    EXPECT_TRUE(Tree->FireFocusEvents());
}

// ---- walks, ranges and their edges

TEST_F(Selecting, DeselectingAllReportsInTheOrderOfTheSelectionAndKeepsWhatHandlersSelect)
{
    for (TExTreeItem* item : {B, A2a, A, C}) item->SetSelected(true);
    log.clear();
    Tree->DeselectAll();
    EXPECT_EQ(log, (std::vector<std::string>{"sel B", "sel A2a", "sel A", "sel C"}));
    // A handler that selects an item while the others go leaves it selected, in the list once.
    for (TExTreeItem* item : {B, A2a}) item->SetSelected(true);
    Tree->OnItemSelectedChange = [this](TObject*, TExTreeItem* Item) {
        if (Item == B) A1->SetSelected(true);
    };
    Tree->DeselectAllEx(true);
    EXPECT_EQ(Marked(), "A1 ");
    EXPECT_EQ(Selection(), "A1 ");
}

TEST_F(Selecting, AHundredThousandSelectedAreDeselectedAndClearedEachReportedOnce)
{
    Items().Clear();
    Items().BeginUpdate();
    for (Integer i = 0; i < 100000; ++i) Items().Add(nullptr, std::to_string(i));
    Items().EndUpdate();
    // Selected bottom up: the list's order is not the tree's.
    Items().BeginUpdate();
    for (Integer i = 100000 - 1; i >= 0; --i) Items().Item(i)->SetSelected(true);
    Items().EndUpdate();
    std::vector<TExTreeItem*> told;
    Tree->OnItemSelectedChange = [&](TObject*, TExTreeItem* Item) { told.push_back(Item); };
    Tree->DeselectAll();
    ASSERT_EQ(told.size(), 100000u);
    EXPECT_EQ(told.front(), Items().Item(100000 - 1));
    EXPECT_EQ(told.back(), Items().Item(0));
    EXPECT_EQ(Tree->GetSelCount(), 0);
    EXPECT_FALSE(Items().Item(50000)->Selected());
    Tree->SelectAll();
    told.clear();
    Integer deleted = 0;
    Tree->OnItemDeletion = [&](TObject*, TExTreeItem* Item) {
        EXPECT_FALSE(Item->Selected()) << "deselected before it goes";
        ++deleted;
    };
    Items().Clear();
    EXPECT_EQ(told.size(), 100000u);
    EXPECT_EQ(deleted, 100000);
    EXPECT_EQ(Tree->GetSelCount(), 0);
    EXPECT_EQ(Tree->Model()->SelectedList()->Count(), 0);
}

TEST_F(Selecting, WithFilteringOnlyItemsThatCanBeShownAreSelected)
{
    B->SetHidden(true);
    Tree->SetFilteredVisibility(true);
    Tree->SelectAll();
    EXPECT_EQ(Marked(), "A A1 A2 C ") << "hidden and collapsed branches stay out";
    Tree->InvertSelectionEx(true);
    EXPECT_EQ(Marked(), "A2a B ");
    // DeselectAll keeps hidden items selected; the Ex form with hidden items takes them too.
    Tree->DeselectAll();
    EXPECT_EQ(Marked(), "B ");
    Tree->DeselectAllEx(true);
    EXPECT_EQ(Marked(), "");
    EXPECT_EQ(Tree->GetSelCount(), 0);
}

TEST_F(Selecting, RangesIncludeBothEndsInEitherDirection)
{
    Tree->SelectRange(C, A1);
    EXPECT_EQ(Marked(), "A1 A2 A2a B C ");
    Tree->DeselectAll();
    Tree->SelectRange(B, B);
    EXPECT_EQ(Marked(), "") << "a range of one item selects nothing";
    Tree->SelectRange(nullptr, A2);
    EXPECT_EQ(Marked(), "A A1 A2 ") << "nil starts at the first item";
    Tree->DeselectAll();
    Tree->SelectRange(B, A);
    EXPECT_EQ(Marked(), "A A1 A2 A2a B ");
}

TEST_F(Selecting, FilteredRangesKeepTheirEndItem)
{
    A2->SetHidden(true);
    Tree->SetFilteredVisibility(true);
    Tree->SelectRangeEx(A, B, false);
    EXPECT_EQ(Marked(), "A A1 B ") << "the later end of the range was left out";
    Tree->DeselectAllEx(true);
    Tree->SelectRangeEx(B, A1, false);
    EXPECT_EQ(Marked(), "A1 B ");
    Tree->DeselectAllEx(true);
    Tree->SelectRangeEx(A, B, true);
    EXPECT_EQ(Marked(), "A A1 A2 A2a B ");
}

TEST_F(Selecting, DisabledItemsAreLeftOutOfRangesUnlessAsked)
{
    A2->SetEnabled(false);
    Tree->SelectRange2(A, B, false);
    EXPECT_EQ(Marked(), "A A1 A2a B ");
    Tree->SelectRange2(A, B, true);
    EXPECT_EQ(Marked(), "A A1 A2 A2a B ");
    Tree->DeselectAll();
    Tree->SetIgnoreEnabled(true);
    Tree->SelectRange2(A, B, false);
    EXPECT_EQ(Marked(), "A A1 A2 A2a B ");
}

TEST_F(Selecting, SelectedItemsInSelectionOrderAndInTreeOrder)
{
    C->SetSelected(true);
    A1->SetSelected(true);
    B->SetSelected(true);
    EXPECT_EQ(Selection(), "C A1 B ");
    TExList list;
    list.Add(A);
    Tree->AllSelected(&list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Get(0), C);
    TExList plain;
    plain.Add(A2a);
    Tree->AllSelectedEx(&plain, false);
    ASSERT_EQ(plain.Count(), 3) << "selection order, the list cleared first";
    EXPECT_EQ(plain.Get(0), C);
    TExList ordered;
    ordered.Add(A2a);
    Tree->AllSelectedEx(&ordered, true);
    ASSERT_EQ(ordered.Count(), 4) << "the list is not cleared first";
    EXPECT_EQ(ordered.Get(1), A1);
    EXPECT_EQ(ordered.Get(2), B);
    EXPECT_EQ(ordered.Get(3), C);
    EXPECT_EQ(Tree->GetNextSelected(A2), nullptr) << "an item not in the list";
    EXPECT_EQ(Tree->GetNextSelected(B), nullptr);
    // Single-select: the focused item is the selection.
    Tree->SetMultiSelect(false);
    Tree->SetFocused(A2);
    Tree->AllSelected(&list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(0), A2);
    EXPECT_EQ(Tree->GetNextSelected(nullptr), A2);
    EXPECT_EQ(Tree->GetNextSelected(A2), nullptr);
    TExList untouched;
    untouched.Add(B);
    Tree->AllSelectedEx(&untouched, true);
    EXPECT_EQ(untouched.Count(), 1);
}

TEST_F(Selecting, ALevelForTheSelectionStartsItAgainWithTheFocusedItem)
{
    Tree->SetFocused(A1);
    B->SetSelected(true);
    Tree->SetMultiSelectLevel(1);
    EXPECT_EQ(Marked(), "A1 ");
    // Selecting on another level through the view starts the selection again.
    View()->DoSetSelected(A2);
    EXPECT_EQ(Marked(), "A1 A2 ");
    // An item of another level clears the selection before it is selected.
    View()->DoSetSelected(C);
    EXPECT_EQ(Marked(), "C ");
}

TEST_F(Selecting, KeepingTheSelectionWithinALevelIgnoresItemsOfAnother)
{
    Tree->SetKeepSelectionWithinLevel(true);
    A1->SetSelected(true);
    B->SetSelected(true);
    A2->SetSelected(true);
    EXPECT_EQ(Marked(), "A1 A2 ");
}

// ---- measuring and visibility

TEST_F(Selecting, EnsureVisibleAtBothEndsAndInCollapsedBranches)
{
    Items().BeginUpdate();
    for (int i = 0; i < 80; ++i) Items().Add(nullptr, "r" + std::to_string(i));
    TExTreeItem* deep = Items().AddChild(Items().Item(Items().Count() - 1), "deep");
    Items().EndUpdate();
    TExTreeItem* last = deep->Parent();
    ASSERT_FALSE(last->Expanded());
    Tree->EnsureVisible(deep);
    EXPECT_TRUE(last->Expanded());
    EXPECT_TRUE(Tree->IsInView(deep));
    // An item already on screen moves nothing.
    const Integer top = Tree->TopIndex();
    Tree->EnsureVisible(View()->Row(1));
    EXPECT_EQ(Tree->TopIndex(), top);
    Tree->EnsureVisible(A);
    EXPECT_EQ(Tree->TopIndex(), 0);
    EXPECT_EQ(Tree->GetTopItem(), A);
    // At the bottom: the item is the last whole row.
    TExTreeItem* far = Items().Item(40);
    Tree->EnsureVisibleBottom(far);
    ASSERT_TRUE(Tree->IsInView(far));
    const TRect r = Tree->GetItemRect(Tree->IndexInView(far));
    EXPECT_LE(r.Bottom - View()->Top(), View()->ClientHeight());
    EXPECT_GT(r.Bottom - View()->Top() + Tree->LineHeight(), View()->ClientHeight());
    Tree->SetTopItem(B);
    EXPECT_EQ(Tree->GetTopItem(), B);
    EXPECT_THROW(Tree->SetTopItem(nullptr), EExTreeError);
}

TEST_F(Selecting, FullExpandAndCollapseReachEveryLevel)
{
    Tree->FullExpand();
    EXPECT_TRUE(A2->Expanded());
    EXPECT_EQ(Tree->GetTotalVisCount(), 6);
    Tree->FullCollapse();
    EXPECT_FALSE(A->Expanded());
    EXPECT_FALSE(A2->Expanded());
    EXPECT_EQ(Tree->GetTotalVisCount(), 3);
}

TEST_F(Selecting, MeasuringTakesTheImageThatIsDrawn)
{
    TImageList images(Form);
    images.SetWidth(16);
    images.SetHeight(16);
    TBitmap bmp;
    bmp.SetSize(32, 16);
    images.Add(&bmp, nullptr);
    Tree->SetImages(&images);
    // An expanded item without visible children shows its state image; only that one exists.
    A1->SetImageIndex(7);
    A1->SetStImageIndex(0);
    A1->SetExpanded(true);
    TPoint with{};
    Tree->MeasureCell(A1, -1, with);
    A1->SetExpanded(false);
    TPoint without{};
    Tree->MeasureCell(A1, -1, without);
    EXPECT_EQ(with.X - without.X, 16);
    EXPECT_EQ(Tree->ItemImageIndex(A1, false), 7);
    // The event supplies a missing index.
    Tree->OnItemPicDraw = [](TObject*, TExTreeItem*, Integer& Index) { Index = 1; };
    A1->SetImageIndex(-1);
    EXPECT_EQ(Tree->ItemImageIndex(A1, false), 1);
}

TEST_F(Selecting, LineHeightFollowsTheImages)
{
    TImageList images(Form);
    images.SetHeight(30);
    Tree->SetImages(&images);
    EXPECT_EQ(Tree->LineHeight(), 30);
    Tree->SetShowImages(false);
    EXPECT_EQ(Tree->LineHeight(), 17);
    Tree->SetShowImages(true);
    Tree->SetImages(nullptr);
    EXPECT_EQ(Tree->LineHeight(), 17);
}

TEST_F(Selecting, ATreeColumnCellOfARootItemStartsOneIndentIn)
{
    TPoint size{};
    Tree->MeasureCell(B, -1, size);
    TPoint child{};
    Tree->MeasureCell(A1, -1, child);
    // Same text width: one level deeper is one indent more.
    B->SetText("A1");
    TPoint same{};
    Tree->MeasureCell(B, -1, same);
    EXPECT_EQ(child.X - same.X, Tree->ItemIndent());
    Tree->SetShowRootButtons(false);
    TPoint narrow{};
    Tree->MeasureCell(B, -1, narrow);
    EXPECT_EQ(same.X - narrow.X, Tree->ItemIndent() - Tree->ItemIndent() / 5);
    EXPECT_EQ(size.Y, Tree->LineHeight());
}

TEST_F(Selecting, APasswordColumnMeasuresSixAsterisks)
{
    AddSections({100, 100});
    Tree->SetShowHeader(true);
    B->ColumnText()->Add("x");
    TPoint shortText{};
    Tree->MeasureCell(B, 1, shortText);
    Tree->Header()->Sections()->GetSection(1)->SetPassword(true);
    TPoint hidden{};
    Tree->MeasureCell(B, 1, hidden);
    B->ColumnText()->Put(0, std::string(40, 'W'));
    TPoint longText{};
    Tree->MeasureCell(B, 1, longText);
    EXPECT_EQ(hidden.X, longText.X);
    EXPECT_GT(hidden.X, shortText.X);
}

TEST_F(TreeTest, FocusingThePartlyHiddenLastRowScrollsByOneRow)
{
    AddRoots(40);
    const Integer rows = View()->RowCount();
    ASSERT_GT(View()->GetVisiblesHeight(), View()->Height());
    Tree->SetFocused(View()->Row(rows - 2));
    EXPECT_EQ(Tree->TopIndex(), 0) << "a whole row needs no scrolling";
    Tree->SetFocused(View()->Row(rows - 1));
    EXPECT_EQ(Tree->TopIndex(), 1);
}

TEST_F(TreeTest, LineHeightAndSelectColumnRulesOfTheirSetters)
{
    Tree->SetLineHeight(40);
    EXPECT_EQ(Tree->LineHeight(), 17) << "ignored while the height is automatic";
    Tree->SetAutoLineHeight(false);
    Tree->SetLineHeight(40);
    EXPECT_EQ(Tree->LineHeight(), 40);
    Tree->SetAutoLineHeight(true);
    EXPECT_EQ(Tree->LineHeight(), 17);
    // A column past the sections is taken while loading and dropped when loaded.
    AddSections({50, 50});
    Tree->SetSelectColumn(1);
    EXPECT_EQ(Tree->SelectColumn(), 1);
    Tree->SetState(csLoading, true);
    Tree->SetSelectColumn(4);
    EXPECT_EQ(Tree->SelectColumn(), 4);
    Tree->SetState(csLoading, false);
    Tree->Loaded();
    EXPECT_EQ(Tree->SelectColumn(), -1);
    Tree->SetSelectColumn(-2);
    EXPECT_EQ(Tree->SelectColumn(), -1);
}

// ---- virtual mode

TEST_F(Selecting, VirtualTextsComeFromTheEventAndAreEmptyWhenItSaysNothing)
{
    Tree->SetVirtualityLevel(vlTextAndStyles);
    EXPECT_NE(View()->VirtualStyle(), nullptr);
    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem* Item, Integer Section, std::string& Text) {
        if (Item->Level() == 0) Text = "v" + std::to_string(Item->Index()) + ":" + std::to_string(Section);
    };
    EXPECT_EQ(B->Text(), "v1:-1");
    EXPECT_EQ(A1->Text(), "") << "the previous answer is not kept";
    Tree->OnVirtualHintNeeded = [](TObject*, TExTreeItem*, std::string& Hint) { Hint = "h"; };
    EXPECT_EQ(C->Hint(), "h");
    B->SetText("own");
    EXPECT_EQ(B->Text(), "v1:-1") << "a virtual item keeps no text";
    Tree->SetVirtualityLevel(vlNone);
    EXPECT_EQ(View()->VirtualStyle(), nullptr);
    EXPECT_EQ(B->Text(), "") << "back from virtual mode every item starts empty";
    EXPECT_EQ(A->Text(), "");
    TExVariant value = Integer(5);
    Tree->TriggerVirtualValueNeeded(B, 0, 0, value);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
}

TEST_F(Selecting, NoFocusOrSelectionEventsWhileTheTreeGoes)
{
    Tree->SetFocused(A1);
    B->SetSelected(true);
    log.clear();
    TObject::Free(Form);
    Form = new TForm(nullptr);
    Tree = nullptr;
    EXPECT_EQ(std::count(log.begin(), log.end(), "focused"), 0);
    for (const auto& l : log) EXPECT_NE(l.substr(0, 4), "sel ");
    Tree = new TExTree(Form);
}

// ---- a selection that takes its place: what filtering hides goes too

// r1..r5 selected as a range, then r3 and r4 hidden by the filter. A gesture that puts a new selection
// in place of the old one takes the hidden items out with the rest (a later "delete the selected"
// must not reach rows nobody sees); Ctrl adds to the selection and keeps them. (A Shift range across
// hidden rows selects them, as a range from code does.)
class HiddenSelection : public InputTest {
protected:
    std::vector<TExTreeItem*> r;
    void SetUp() override
    {
        Tree->SetMultiSelect(true);
        r = AddRoots(8);
        // r1 focused and the anchor, as a click leaves it.
        Click(r[1], 0);
        Tree->SelectRange(r[1], r[5]);
        r[3]->SetHidden(true);
        r[4]->SetHidden(true);
        Tree->SetFilteredVisibility(true);
        uitest::Pump();
    }
    void Click(TExTreeItem* Item, TShiftState Shift)
    {
        View()->Invalidate();
        View()->Update();
        uitest::Pump();
        const TRect row = View()->GetItemRect(View()->VisibleRows()->IndexOf(Item));
        const Integer y = (row.Top + row.Bottom) / 2;
        Integer x = 0;
        for (; x < View()->ClientWidth(); ++x) {
            TSTItemPart part;
            Integer column = 0;
            if (View()->GetItemAt(x, y, part, column) == Item && part == ipMainText) break;
        }
        ASSERT_LT(x, View()->ClientWidth()) << "the text of " << Item->Text() << " is on screen";
        Input::MouseDown(View(), mbLeft, x + 1, y, Shift);
        uitest::Pump();
        Input::MouseUp(View(), mbLeft, x + 1, y, Shift);
        uitest::Pump();
        Input::AdvanceTime(2000);
    }
};

TEST_F(HiddenSelection, AGestureThatReplacesTheSelectionTakesHiddenItemsOutToo)
{
    using Texts = std::vector<std::string>;
    const struct {
        const char* gesture;
        std::function<void()> run;
        Texts selected;
    } cases[] = {
        {"a plain click", [this] { Click(r[6], 0); }, {"r6"}},
        {"a plain click on a selected row", [this] { Click(r[2], 0); }, {"r2"}},
        {"Shift+click", [this] { Click(r[0], ssShift); }, {"r0", "r1"}},
        {"Down", [this] { Key(VK_DOWN); }, {"r2"}},
        {"Shift+Down", [this] { Key(VK_DOWN, ssShift); }, {"r1", "r2"}},
        {"Space", [this] { Key(VK_SPACE); }, {"r1"}},
        {"Escape", [this] { Tree->SetIncrementalSearch(true); Key(VK_ESCAPE); }, {}},
        {"Ctrl+click", [this] { Click(r[7], ssCtrl); }, {"r1", "r2", "r3", "r4", "r5", "r7"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gesture);
        Items().Clear();
        SetUp();
        ASSERT_EQ(SelectedTexts(), (Texts{"r1", "r2", "r3", "r4", "r5"}));
        c.run();
        EXPECT_EQ(SelectedTexts(), c.selected);
        EXPECT_EQ(Tree->GetSelCount(), static_cast<Integer>(c.selected.size())) << "the list holds what shows selected";
        Tree->SetFilteredVisibility(false);
    }
}

}  // namespace

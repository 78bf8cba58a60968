// The tree control's core: where the header, view and bars go at several sizes, the scroll bars'
// ranges, the update bracket (nesting, work asked for while it closes), the events of the child
// windows raised as the tree's, and the frame's corner.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TreeFixture.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"
#include "platform/Windows.h"

namespace {

bool Overlap(const TRect& A, const TRect& B)
{
    TRect r;
    return IntersectRect(r, A, B);
}

// ---- layout at several sizes

struct LayoutCase {
    const char* name;
    Integer rows;                 // root items
    std::vector<Integer> columns; // section widths; shown when any
    bool rightAlignedText;
    bool scrollbarOpposite;
    bool vertBar;                 // expected
    bool horzBar;
    bool barOnLeft;
};

class Layout : public TreeTest, public ::testing::WithParamInterface<std::tuple<LayoutCase, TPoint>> {};

TEST_P(Layout, PiecesTileTheClientAreaAndBarsGoWhereAsked)
{
    const LayoutCase& c = std::get<0>(GetParam());
    const TPoint size = std::get<1>(GetParam());
    Tree->SetBounds(10, 10, size.X, size.Y);
    Tree->SetRightAlignedText(c.rightAlignedText);
    Tree->SetScrollbarOpposite(c.scrollbarOpposite);
    if (!c.columns.empty()) {
        AddSections(c.columns);
        Tree->SetShowHeader(true);
    }
    AddRoots(c.rows);
    const TRect client = Tree->ClientRect();
    const TRect view = Placed(View());
    const TRect header = Placed(Tree->Header());
    const TRect vbar = Placed(Tree->VertScrollBar());
    const TRect hbar = Placed(Tree->HorzScrollBar());

    EXPECT_EQ(Tree->VertBarVisible(), c.vertBar);
    EXPECT_EQ(Tree->HorzBarVisible(), c.horzBar);
    EXPECT_EQ(!IsRectEmpty(vbar), c.vertBar);
    EXPECT_EQ(!IsRectEmpty(hbar), c.horzBar);
    EXPECT_EQ(!IsRectEmpty(header), !c.columns.empty());
    // Nothing overlaps the view, and the view keeps the rest.
    for (const TRect& piece : {header, vbar, hbar}) EXPECT_FALSE(Overlap(view, piece));
    Integer area = view.Width() * view.Height() + header.Width() * header.Height() + vbar.Width() * vbar.Height() +
                   hbar.Width() * hbar.Height();
    const TRect corner = Tree->CornerRect();
    if (c.vertBar && c.horzBar) {
        ASSERT_FALSE(IsRectEmpty(corner));
        // The square under the vertical bar beside the horizontal one (the bar ends one pixel above).
        EXPECT_EQ(corner.Top, vbar.Bottom + 1);
        EXPECT_EQ(corner.Bottom, hbar.Bottom);
        EXPECT_EQ(corner.Right, vbar.Right);
        area += corner.Width() * (corner.Height() + 1);
    } else {
        EXPECT_TRUE(IsRectEmpty(corner));
    }
    EXPECT_EQ(area, client.Width() * client.Height());
    if (c.vertBar) {
        EXPECT_EQ(vbar.Top, 0) << "the vertical bar starts at the top edge, beside the header";
        EXPECT_EQ(vbar.Width(), GetSystemMetrics(SM_CXHTHUMB));
        if (c.barOnLeft) {
            EXPECT_EQ(vbar.Left, 0);
            EXPECT_EQ(view.Left, vbar.Right);
        } else {
            EXPECT_EQ(vbar.Right, client.Right);
            EXPECT_EQ(view.Right, vbar.Left);
        }
    }
    if (c.horzBar) {
        EXPECT_EQ(hbar.Bottom, client.Bottom);
        EXPECT_EQ(hbar.Height(), GetSystemMetrics(SM_CYVTHUMB));
        EXPECT_EQ(view.Bottom, hbar.Top);
        EXPECT_EQ(hbar.Left, view.Left);
        EXPECT_EQ(hbar.Right, view.Right);
    }
    if (!c.columns.empty()) {
        EXPECT_EQ(header.Top, 0);
        EXPECT_EQ(view.Top, header.Bottom);
        EXPECT_EQ(header.Left, view.Left);
        EXPECT_EQ(header.Right, view.Right);
        EXPECT_EQ(Tree->HeaderHeightCache(), header.Height());
    } else {
        EXPECT_EQ(view.Top, 0);
    }
}

const LayoutCase LayoutCases[] = {
    {"Empty", 0, {}, false, false, false, false, false},
    {"FewRows", 3, {}, false, false, false, false, false},
    {"ManyRows", 60, {}, false, false, true, false, false},
    {"ManyRowsRightText", 60, {}, true, false, true, false, true},
    {"ManyRowsOpposite", 60, {}, false, true, true, false, true},
    {"ManyRowsRightTextOpposite", 60, {}, true, true, true, false, false},
    {"Columns", 3, {60, 60}, false, false, false, false, false},
    {"WideColumns", 3, {400, 400}, false, false, false, true, false},
    {"WideColumnsManyRows", 60, {400, 400}, false, false, true, true, false},
    {"WideColumnsManyRowsLeft", 60, {400, 400}, true, false, true, true, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, Layout,
                         ::testing::Combine(::testing::ValuesIn(LayoutCases),
                                            ::testing::Values(TPoint{300, 200}, TPoint{520, 330})),
                         [](const ::testing::TestParamInfo<Layout::ParamType>& Info) {
                             return std::string(std::get<0>(Info.param).name) + "_" +
                                    std::to_string(std::get<1>(Info.param).X);
                         });

TEST_F(TreeTest, ALongTextWithoutColumnsBringsTheHorizontalBar)
{
    Items().Add(nullptr, std::string(400, 'W'));
    EXPECT_TRUE(Tree->HorzBarVisible());
    EXPECT_GT(View()->HRange(), View()->Width());
    EXPECT_EQ(Tree->HorzScrollBar()->Max(), View()->HRange());
    // Gone again with the item.
    Items().Clear();
    EXPECT_FALSE(Tree->HorzBarVisible());
    EXPECT_EQ(Tree->LeftPosition(), 0);
}

TEST_F(TreeTest, HiddenBarsStayHiddenAndForcedBarsShowWithNothingToScroll)
{
    Tree->SetHideVertScrollBar(true);
    AddRoots(60);
    EXPECT_FALSE(Tree->VertBarVisible());
    EXPECT_FALSE(Tree->VertScrollBar()->Visible());
    Tree->SetHideVertScrollBar(false);
    EXPECT_TRUE(Tree->VertScrollBar()->Visible());

    Items().Clear();
    Tree->SetForcedScrollBars(ssBoth);
    Tree->SetBounds(10, 10, 301, 200);
    EXPECT_TRUE(Tree->VertBarVisible());
    EXPECT_TRUE(Tree->HorzBarVisible());
    EXPECT_TRUE(Tree->VertScrollBar()->Visible());
    EXPECT_TRUE(Tree->HorzScrollBar()->Visible());
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 0);
}

TEST_F(TreeTest, ShowingColumnsWithoutSectionsIsRefusedAndTheLastSectionGoneHidesThem)
{
    Tree->SetShowHeader(true);
    EXPECT_FALSE(Tree->ShowColumns());
    AddSections({50});
    Tree->SetShowHeader(true);
    EXPECT_TRUE(Tree->ShowColumns());
    EXPECT_TRUE(Tree->Header()->Visible());
    Tree->Header()->Sections()->DeleteSection(Tree->Header()->Sections()->GetSectionByPos(0));
    EXPECT_FALSE(Tree->ShowColumns());
    EXPECT_FALSE(Tree->Header()->Visible());
    EXPECT_EQ(View()->Top(), 0);
}

// ---- scroll ranges and the top row

TEST_F(TreeTest, VerticalRangeAndPageFollowTheRows)
{
    AddRoots(100);
    const Integer rowsShown = View()->RowCount();
    // Rows are appended until they pass the view's bottom.
    EXPECT_EQ(rowsShown, View()->Height() / Tree->LineHeight() + 1);
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 99);
    EXPECT_EQ(Tree->VertScrollBar()->Page(), rowsShown - 1);
    Tree->SetVPosition(1000);
    const Integer maxTop = 100 - View()->GetVisCount() + 1;
    EXPECT_EQ(Tree->TopIndex(), maxTop);
    EXPECT_EQ(Tree->VertScrollBar()->Position(), maxTop);
    EXPECT_EQ(View()->Row(0)->Text(), std::to_string(maxTop));
    EXPECT_EQ(Tree->BottomIndex(), maxTop + View()->RowCount() - 1);
    Tree->SetVPosition(-5);
    EXPECT_EQ(Tree->TopIndex(), 0);
    // Rows gone below the top pull it back to the new highest top row.
    Tree->SetVPosition(maxTop);
    Items().BeginUpdate();
    TExTreeItem* last = Items().Item(Items().Count() - 1);
    for (int i = 0; i < 30; ++i) Items().AddChild(last, "c");
    last->Expand(false);
    Items().EndUpdate();
    Tree->SetVPosition(1000);
    ASSERT_EQ(Tree->TopIndex(), 130 - View()->GetVisCount() + 1);
    last->Collapse(false);
    EXPECT_EQ(Tree->TopIndex(), maxTop);
    EXPECT_EQ(View()->Row(0)->Text(), std::to_string(maxTop));
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 99);
    // A top row past the number of items starts again at the top.
    Items().BeginUpdate();
    while (Items().Count() > 20) Items().Delete(Items().Item(Items().Count() - 1));
    Items().EndUpdate();
    EXPECT_EQ(Tree->TopIndex(), 0);
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 19);
}

TEST_F(TreeTest, RowsFollowCollapsedAndHiddenBranches)
{
    Items().BeginUpdate();
    TExTreeItem* a = Items().Add(nullptr, "a");
    for (int i = 0; i < 5; ++i) Items().AddChild(a, "a" + std::to_string(i));
    TExTreeItem* b = Items().Add(nullptr, "b");
    for (int i = 0; i < 5; ++i) Items().AddChild(b, "b" + std::to_string(i));
    Items().EndUpdate();
    auto rows = [&] {
        std::string s;
        for (Integer i = 0; i < View()->RowCount(); ++i) s += View()->Row(i)->Text() + " ";
        return s;
    };
    EXPECT_EQ(rows(), "a b ");
    b->Expand(false);
    EXPECT_EQ(rows(), "a b b0 b1 b2 b3 b4 ");
    a->Expand(false);
    b->GetChildByIndex(1)->SetHidden(true);
    Tree->SetFilteredVisibility(true);
    EXPECT_EQ(rows(), "a a0 a1 a2 a3 a4 b b0 b2 b3 b4 ");
    EXPECT_EQ(Tree->GetTotalVisCount(), 11);
    // Stepping from a row far down and back agrees with the rows counted from the top.
    for (Integer i = Tree->GetTotalVisCount() - 1; i >= 0; --i) EXPECT_EQ(View()->VisItem(i), Items().GetVisItem(i));
    for (Integer i = 0; i < Tree->GetTotalVisCount(); i += 3) EXPECT_EQ(View()->VisItem(i), Items().GetVisItem(i));
    EXPECT_EQ(View()->VisItem(Tree->GetTotalVisCount()), nullptr);
    EXPECT_EQ(View()->VisItem(-1), nullptr);
}

TEST_F(TreeTest, PageTargetsOfRowsOfDifferentHeights)
{
    Items().BeginUpdate();
    for (int i = 0; i < 40; ++i) {
        TExTreeItem* item = Items().Add(nullptr, std::to_string(i));
        if (i % 4 == 0) {
            item->SetOwnerHeight(false);
            item->SetHeight(40);
        }
    }
    Items().EndUpdate();
    ASSERT_GT(Tree->Model()->VarHeightCount, 0);
    // The page below row 0 ends where the heights reach the view's height.
    Integer sum = 0, row = 0;
    for (; row < 40; ++row) {
        sum += Items().GetVisItem(row)->GetHeight();
        if (sum >= View()->ClientHeight()) break;
    }
    EXPECT_EQ(View()->CalcPageDownPos(0), row);
    EXPECT_EQ(Tree->VertScrollBar()->Page(), std::max(row, View()->RowCount() - 1));
    EXPECT_EQ(View()->CalcPageUpPos(row), 0);
    EXPECT_EQ(View()->CalcPageUpPos(0), 0);
}

// ---- the update bracket

TEST_F(TreeTest, NestedBracketsShowTheirChangesOnceAtTheOutermostClose)
{
    Integer scrolls = 0;
    Tree->VertScrollBar()->OnChange = [&](TObject*) { ++scrolls; };
    Tree->SetUpdating(true);
    Tree->SetUpdating(true);
    for (int i = 0; i < 50; ++i) Items().Add(nullptr, std::to_string(i));
    Tree->SetUpdating(false);
    EXPECT_EQ(View()->RowCount(), 0) << "rows were laid out inside the bracket";
    EXPECT_TRUE(Tree->GetUpdating());
    Tree->SetUpdating(false);
    EXPECT_FALSE(Tree->GetUpdating());
    EXPECT_GT(View()->RowCount(), 0);
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 49);
    // A close without an open bracket does nothing.
    Tree->SetUpdating(false);
    EXPECT_FALSE(Tree->GetUpdating());
    EXPECT_EQ(Tree->Header()->UpdateCount(), 0);
}

TEST_F(TreeTest, ChangesAHandlerMakesWhileTheCloseRunsAreShown)
{
    AddSections({80});
    Tree->Header()->Sections()->GetSectionByPos(0)->SetAutoSize(true);
    Tree->SetShowHeader(true);
    bool added = false;
    // Auto-sizing at the end of the bracket reports the resize; the handler adds rows.
    Tree->OnHeaderColumnResize = [&](TObject*, Integer) {
        if (added) return;
        added = true;
        Items().BeginUpdate();
        for (int i = 0; i < 40; ++i) Items().Add(nullptr, "late" + std::to_string(i));
        Items().EndUpdate();
    };
    Items().BeginUpdate();
    Items().Add(nullptr, "first");
    Items().EndUpdate();
    ASSERT_TRUE(added);
    EXPECT_EQ(Items().Count(), 41);
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 40) << "the handler's rows never reached the bar";
    EXPECT_TRUE(Tree->VertBarVisible());
    EXPECT_EQ(View()->Row(View()->RowCount() - 1)->Text().substr(0, 4), "late");
}

TEST_F(TreeTest, ABranchAHandlerExpandsWhileTheCloseRunsIsShown)
{
    AddSections({80});
    Tree->Header()->Sections()->GetSectionByPos(0)->SetAutoSize(true);
    Tree->SetShowHeader(true);
    AddRoots(40);
    ASSERT_TRUE(Tree->VertBarVisible());
    TExTreeItem* first = Items().Item(0);
    Items().BeginUpdate();
    for (int i = 0; i < 3; ++i) Items().AddChild(first, "child" + std::to_string(i));
    Items().EndUpdate();
    bool expanded = false;
    Tree->OnHeaderColumnResize = [&](TObject*, Integer) {
        if (expanded) return;
        expanded = true;
        first->Expand(false);
    };
    Items().BeginUpdate();
    first->SetText("first");
    Items().EndUpdate();
    ASSERT_TRUE(expanded);
    ASSERT_GE(View()->RowCount(), 4);
    EXPECT_EQ(View()->Row(1)->Text(), "child0") << "the rows were not laid out again";
    EXPECT_EQ(Tree->VertScrollBar()->Max(), 42);
}

TEST_F(TreeTest, AHandlerThatAlwaysAsksAgainIsNotFollowedForEver)
{
    AddSections({80});
    Tree->Header()->Sections()->GetSectionByPos(0)->SetAutoSize(true);
    Tree->SetShowHeader(true);
    AddRoots(3);
    Integer calls = 0;
    Tree->OnHeaderColumnResize = [&](TObject*, Integer) {
        ++calls;
        Items().Item(0)->SetText("t" + std::to_string(calls));
    };
    Items().BeginUpdate();
    Items().Item(1)->SetText("x");
    Items().EndUpdate();
    EXPECT_GE(calls, 2);
    EXPECT_LE(calls, 4);
    EXPECT_FALSE(Tree->GetUpdating());
    EXPECT_FALSE(Tree->InUpdateRefresh());
}

TEST_F(TreeTest, TheMultiLineSettingKeepsTheVariableHeightCount)
{
    Items().BeginUpdate();
    for (int i = 0; i < 6; ++i) Items().Add(nullptr, "line\nline")->SetMultiline(i % 2 == 0);
    Items().EndUpdate();
    EXPECT_EQ(Tree->Model()->VarHeightCount, 3);
    Tree->SetAdjustMultilineHeight(false);
    EXPECT_EQ(Tree->Model()->VarHeightCount, 0);
    // A multi-line item added or deleted while the setting is off does not count either way.
    TExTreeItem* extra = Items().Add(nullptr, "x");
    extra->SetMultiline(true);
    EXPECT_EQ(Tree->Model()->VarHeightCount, 0);
    Tree->SetAdjustMultilineHeight(true);
    EXPECT_EQ(Tree->Model()->VarHeightCount, 4);
    extra->Delete();
    EXPECT_EQ(Tree->Model()->VarHeightCount, 3);
    Tree->SetAdjustMultilineHeight(false);
    Items().Item(0)->Delete();
    Tree->SetAdjustMultilineHeight(true);
    EXPECT_EQ(Tree->Model()->VarHeightCount, 2);
    // Multi-line rows are measured again: two lines are taller than one.
    EXPECT_GT(Items().Item(1)->GetHeight(), Tree->LineHeight());
}

// ---- events of the child windows

TEST_F(TreeTest, APressInTheViewReachesTheTreeInItsCoordinates)
{
    AddSections({80});
    Tree->SetShowHeader(true);
    Tree->SetHeaderHeight(19);
    ASSERT_EQ(View()->Top(), 19);
    TObject* sender = nullptr;
    TPoint at{};
    Tree->OnMouseDown = [&](TObject* S, TMouseButton, TShiftState, int X, int Y) {
        sender = S;
        at = {X, Y};
    };
    Input::MouseDown(View(), mbLeft, 5, 5);
    Input::MouseUp(View(), mbLeft, 5, 5);
    EXPECT_EQ(sender, Tree);
    EXPECT_EQ(at.X, 5 + View()->Left());
    EXPECT_EQ(at.Y, 24);
}

TEST_F(TreeTest, KeysAndClicksOfTheViewAreTheTrees)
{
    std::vector<std::string> log;
    Tree->OnClick = [&](TObject* S) { log.push_back(S == Tree ? "click" : "click?"); };
    Tree->OnKeyDown = [&](TObject* S, Word& Key, TShiftState) {
        log.push_back(S == Tree ? "key " + std::to_string(Key) : "key?");
    };
    Tree->OnMouseUp = [&](TObject* S, TMouseButton, TShiftState, int, int Y) {
        log.push_back(S == Tree ? "up " + std::to_string(Y) : "up?");
    };
    View()->OnClick(View());
    Word key = 'A';
    View()->OnKeyDown(View(), key, 0);
    View()->OnMouseUp(View(), mbLeft, 0, 3, 4);
    EXPECT_EQ(log, (std::vector<std::string>{"click", "key 65", "up " + std::to_string(4 + View()->Top())}));
}

TEST_F(TreeTest, DragsFromTheViewReportTheTreeAsSource)
{
    TObject* over = nullptr;
    TObject* dropped = nullptr;
    Tree->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
        over = Source;
        Accept = true;
    };
    Tree->OnDragDrop = [&](TObject*, TObject* Source, int, int) { dropped = Source; };
    bool accept = true;
    View()->OnDragOver(View(), View(), 1, 1, dsDragMove, accept);
    TDragControlObject object(View());
    View()->OnDragDrop(View(), &object, 1, 1);
    EXPECT_EQ(over, Tree);
    EXPECT_EQ(dropped, Tree);
    EXPECT_TRUE(accept);
    // Without a handler the drag is refused.
    Tree->OnDragOver = nullptr;
    accept = true;
    View()->OnDragOver(View(), View(), 1, 1, dsDragMove, accept);
    EXPECT_FALSE(accept);
}

TEST_F(TreeTest, BarsAndHeaderRequestsAreRaisedWithTheTreeAsSender)
{
    std::vector<TObject*> senders;
    Tree->OnVertScrollHintNeeded = [&](TObject* S, Integer, std::string& Hint) {
        senders.push_back(S);
        Hint = "h";
    };
    Tree->OnVertScrollHitTest = [&](TObject* S, Integer, Integer, TExScrollBarPart&, bool&) { senders.push_back(S); };
    Tree->OnHeaderSectionFilterCall = [&](TObject* S, Integer) { senders.push_back(S); };
    std::string hint;
    Tree->VertScrollBar()->OnScrollHintNeeded(Tree->VertScrollBar(), 0, hint);
    TExScrollBarPart part = sbpNowhere;
    bool def = true;
    Tree->VertScrollBar()->OnHitTest(Tree->VertScrollBar(), 1, 1, part, def);
    AddSections({40});
    Tree->Header()->OnFilterCall(Tree->Header(), Tree->Header()->Sections()->GetSectionByPos(0));
    EXPECT_EQ(hint, "h");
    EXPECT_EQ(senders, (std::vector<TObject*>{Tree, Tree, Tree}));
}

TEST_F(TreeTest, TheTrackHintShowsTheSortColumnOfTheRowThatWouldComeToTheTop)
{
    AddRoots(30, "row");
    Tree->SetSortSection(-1);
    std::string hint;
    Tree->VertScrollBar()->OnScrollHintNeeded(Tree->VertScrollBar(), 12, hint);
    EXPECT_EQ(hint, "");
    Tree->SetSortSection(0);
    Tree->VertScrollBar()->OnScrollHintNeeded(Tree->VertScrollBar(), 12, hint);
    EXPECT_EQ(hint, "row12");
}

TEST_F(TreeTest, ChildWindowEventsAreNotPassedOnOnceTheTreeGoes)
{
    bool raised = false;
    Tree->OnExit = [&](TObject*) { raised = true; };
    Tree->OnKeyPress = [&](TObject*, char&) { raised = true; };
    Tree->SetState(csDestroying, true);
    View()->OnExit(View());
    char key = 'a';
    View()->OnKeyPress(View(), key);
    Tree->SetState(csDestroying, false);
    EXPECT_FALSE(raised);
    View()->OnExit(View());
    EXPECT_TRUE(raised);
}

TEST_F(TreeTest, ItemsGoingWithTheTreeReportTheirDeletion)
{
    AddRoots(5);
    Integer deleted = 0;
    Tree->OnItemDeletion = [&](TObject*, TExTreeItem*) { ++deleted; };
    // The form frees the tree with its items; their deletion events come while it goes.
    TObject::Free(Form);
    Form = nullptr;
    EXPECT_EQ(deleted, 5);
    Form = new TForm(nullptr);
}

// ---- frame and corner

TEST_F(TreeTest, TheCornerBetweenTheBarsTakesTheVerticalBarsColour)
{
    AddSections({500});
    Tree->SetShowHeader(true);
    AddRoots(60);
    ASSERT_TRUE(Tree->VertBarVisible() && Tree->HorzBarVisible());
    Tree->VertScrollBar()->SetColor(clRed);
    Tree->SetUseXPThemes(false);
    TBitmap shot;
    ASSERT_TRUE(CaptureControlImage(Tree, &shot));
    const TRect vbar = Tree->VertScrollBar()->BoundsRect();
    const TRect hbar = Tree->HorzScrollBar()->BoundsRect();
    // The tree's client area starts inside its frame.
    const TPoint origin = Tree->ScreenToClient(Tree->ClientToScreen({0, 0}));
    const Integer frame = (Tree->Width() - Tree->ClientWidth()) / 2;
    const Integer x = vbar.Left + vbar.Width() / 2 + frame + origin.X;
    const Integer y = hbar.Top + hbar.Height() / 2 + frame + origin.Y;
    EXPECT_EQ(shot.Canvas()->Pixels(x, y), TColor(ColorToRGB(clRed)));
}

TEST_F(TreeTest, BorderSidesLeftOutGiveTheirEdgeToTheClientArea)
{
    const Integer full = Tree->ClientWidth();
    Tree->SetBorderSides(BorderSide(ebsTop) | BorderSide(ebsBottom));
    EXPECT_GT(Tree->ClientWidth(), full);
    Tree->SetBorderStyle(bsNone);
    EXPECT_EQ(Tree->ClientWidth(), Tree->Width());
}

// The frame's pixels: the outer two rings of the window.
std::vector<TColor> FramePixels(TExTree* Tree)
{
    TBitmap shot;
    if (!CaptureControlImage(Tree, &shot)) return {};
    std::vector<TColor> ring;
    for (Integer d = 0; d < 2; ++d) {
        for (Integer x = 0; x < Tree->Width(); x += 7) {
            ring.push_back(shot.Canvas()->Pixels(x, d));
            ring.push_back(shot.Canvas()->Pixels(x, Tree->Height() - 1 - d));
        }
        for (Integer y = 0; y < Tree->Height(); y += 7) {
            ring.push_back(shot.Canvas()->Pixels(d, y));
            ring.push_back(shot.Canvas()->Pixels(Tree->Width() - 1 - d, y));
        }
    }
    return ring;
}

TEST_F(TreeTest, AFlatFrameChangesWithTheMouseAndARaisedOneIsDrawnAsRaisedOuter)
{
    Tree->SetUseXPThemes(false);
    Tree->SetFlat(true);
    Tree->SetActiveBorderType(fbtSunken);
    Tree->SetInactiveBorderType(fbtFlat);
    const auto inactive = FramePixels(Tree);
    Tree->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(Tree->MouseInside());
    const auto active = FramePixels(Tree);
    EXPECT_NE(active, inactive) << "the frame did not follow the mouse";
    Tree->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(Tree->MouseInside());
    EXPECT_EQ(FramePixels(Tree), inactive);

    Tree->SetInactiveBorderType(fbtRaisedOuter);
    const auto raisedOuter = FramePixels(Tree);
    Tree->SetInactiveBorderType(fbtRaised);
    EXPECT_EQ(FramePixels(Tree), raisedOuter);
    Tree->SetInactiveBorderType(fbtSunken);
    EXPECT_NE(FramePixels(Tree), raisedOuter);
}

TEST_F(TreeTest, WithCustomBarsAndNoFlatLookTheFrameIsAlwaysSunken)
{
    Tree->SetUseXPThemes(false);
    Tree->SetFlat(true);
    Tree->SetInactiveBorderType(fbtSunken);
    const auto sunken = FramePixels(Tree);
    Tree->SetFlat(false);
    Tree->SetInactiveBorderType(fbtRaisedOuter);
    EXPECT_EQ(FramePixels(Tree), sunken);
    Tree->SetActiveBorderType(fbtFlat);
    Tree->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(FramePixels(Tree), sunken);
}

TEST_F(TreeTest, TheVerticalBarsPageIsOneScreenOfRowsOfDifferingHeight)
{
    AddRoots(200);
    const Integer line = Tree->LineHeight();
    Items().BeginUpdate();
    for (Integer i = 0; i < 200; i += 4) {
        Items().Item(i)->SetOwnerHeight(false);
        Items().Item(i)->SetHeight(static_cast<std::int16_t>(2 * line));
    }
    Items().EndUpdate();
    ASSERT_GT(Tree->Model()->VarHeightCount, 0);
    for (Integer top : {0, 40, 120}) {
        Tree->SetVPosition(top);
        ASSERT_EQ(Tree->TopIndex(), top);
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        ASSERT_TRUE(Tree->GetScrollInfo(Tree->VertScrollBar()->Handle(), SB_CTL, si));
        EXPECT_EQ(si.nPos, top);
        EXPECT_GE(Integer(si.nPage), View()->RowCount() - 1) << "at " << top;
        EXPECT_LE(Integer(si.nPage), View()->RowCount()) << "at " << top;
    }
}

TEST_F(TreeTest, OnlyTheTwoOwnedBarsTakeScrollInformation)
{
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 50;
    si.nPage = 10;
    si.nPos = 7;
    EXPECT_EQ(Tree->SetScrollInfo(Tree->Handle(), SB_CTL, si, false), -1);
    EXPECT_EQ(Tree->SetScrollInfo(View()->Handle(), SB_CTL, si, false), -1);
    SCROLLINFO got{};
    got.cbSize = sizeof got;
    got.fMask = SIF_ALL;
    EXPECT_FALSE(Tree->GetScrollInfo(Tree->Handle(), SB_CTL, got));
    TCustomExScrollBar* bar = Tree->HorzScrollBar();
    bar->HandleNeeded();
    EXPECT_NE(Tree->SetScrollInfo(bar->Handle(), SB_CTL, si, false), -1);
    EXPECT_EQ(bar->Max(), 50);
    EXPECT_EQ(bar->Position(), 7);
    ASSERT_TRUE(Tree->GetScrollInfo(bar->Handle(), SB_CTL, got));
    EXPECT_EQ(got.nMax, 50);
    EXPECT_EQ(got.nPos, 7);
    EXPECT_EQ(got.nPage, 10u);
}

TEST_F(TreeTest, APressOnABarGivesTheViewTheFocus)
{
    AddRoots(60);
    Form->Show();
    Tree->VertScrollBar()->SetFocus();
    ASSERT_FALSE(View()->Focused());
    Tree->VertScrollBar()->OnMouseDown(Tree->VertScrollBar(), mbLeft, 0, 1, 1);
    EXPECT_TRUE(View()->Focused());
    EXPECT_TRUE(Tree->Focused());
}

TEST_F(TreeTest, TheFrameAreaOfTheBarsAnswersAsBorder)
{
    TMessage m{};
    m.Msg = WM_NCHITTEST;
    const TPoint p = Tree->ClientToScreen({Tree->ClientWidth() / 2, Tree->ClientHeight() / 2});
    m.LParam = MAKELPARAM(p.X, p.Y);
    Tree->Dispatch(m);
    EXPECT_EQ(m.Result, HTCLIENT);
}

TEST_F(TreeTest, AWiderBarStyleLaysThePiecesOutAgain)
{
    AddRoots(60);
    const Integer before = Tree->VertScrollBar()->Width();
    Tree->VertScrollBarStyles()->SetUseSystemMetrics(false);
    Tree->VertScrollBarStyles()->SetWidth(before + 9);
    EXPECT_EQ(Tree->VertScrollBar()->Width(), before + 9);
    EXPECT_EQ(View()->Left() + View()->Width(), Tree->VertScrollBar()->Left());
    EXPECT_EQ(Tree->VertScrollBar()->Left() + Tree->VertScrollBar()->Width(), Tree->ClientWidth());
}

TEST_F(TreeTest, AHeaderHeightSetWhileLoadingTakesEffectWhenLoaded)
{
    AddSections({80});
    Tree->SetShowHeader(true);
    Tree->Header()->SetLockHeight(true);
    const Integer before = Tree->HeaderHeight();
    Tree->SetState(csLoading, true);
    Tree->SetHeaderHeight(before + 15);
    EXPECT_EQ(Tree->HeaderHeight(), before);
    Tree->SetState(csLoading, false);
    Tree->Loaded();
    EXPECT_EQ(Tree->HeaderHeight(), before + 15);
    EXPECT_EQ(View()->Top(), before + 15);
}

TEST_F(TreeTest, ScrollCodesOfTheBarsMoveTheRowsAndAreReported)
{
    AddRoots(100);
    std::vector<std::string> reported;
    Tree->OnScroll = [&](TObject* S, TScrollBarKind Kind, Integer Code) {
        EXPECT_EQ(S, Tree);
        reported.push_back((Kind == sbVertical ? "v" : "h") + std::to_string(Code));
    };
    auto scroll = [&](TExScrollCode Code, Integer Pos = 0) {
        bool change = true;
        View()->OnVScroll(Tree->VertScrollBar(), Code, Pos, change);
        EXPECT_FALSE(change) << "the bar moves itself";
        return Tree->TopIndex();
    };
    const Integer page = View()->GetVisCount() - 1;
    EXPECT_EQ(scroll(escLineDown), 1);
    EXPECT_EQ(scroll(escPageDown), 1 + page);
    EXPECT_EQ(scroll(escLineUp), page);
    EXPECT_EQ(scroll(escPageUp), 0);
    EXPECT_EQ(scroll(escPageUp), 0);
    EXPECT_EQ(scroll(escPosition, 30), 30);
    EXPECT_EQ(scroll(escTrack, 40), 30) << "tracking moves only with ScrollTracking";
    Tree->SetScrollTracking(true);
    EXPECT_EQ(scroll(escTrack, 40), 40);
    EXPECT_EQ(scroll(escBottom), 100 - View()->GetVisCount() + 1);
    EXPECT_EQ(scroll(escTop), 0);
    // Secondary buttons: the opposite way by default, a page when asked, nothing when custom.
    EXPECT_EQ(scroll(escSndLineDown), 0);
    EXPECT_EQ(scroll(escSndLineUp), 1);
    Tree->VertScrollBarStyles()->SetSecondBtnKind(sbkPage);
    EXPECT_EQ(scroll(escSndLineDown), 1 + page);
    Tree->VertScrollBarStyles()->SetSecondBtnKind(sbkCustom);
    EXPECT_EQ(scroll(escSndLineDown), 1 + page);
    EXPECT_EQ(reported.front(), "v" + std::to_string(escLineDown));
    EXPECT_EQ(reported.back(), "v" + std::to_string(escSndLineDown));
    EXPECT_EQ(reported.size(), 14u);
}

TEST_F(TreeTest, TheWindowsOwnScrollMessagesScrollTheViewUpToTheEndOfAScroll)
{
    Items().BeginUpdate();
    for (Integer i = 0; i < 100; ++i) Items().Add(nullptr, std::string(60, 'W') + std::to_string(i));
    Items().EndUpdate();
    ASSERT_GT(View()->HRange(), View()->ClientWidth());
    std::vector<std::string> reported;
    Tree->OnScroll = [&](TObject*, TScrollBarKind Kind, Integer Code) {
        reported.push_back((Kind == sbVertical ? "v" : "h") + std::to_string(Code));
    };
    Tree->Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(Tree->TopIndex(), 1);
    Tree->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30), 0);
    EXPECT_EQ(Tree->TopIndex(), 30);
    Tree->Perform(WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(Tree->LeftPosition(), 4);
    // The end of a scroll is the last code the tree knows; past it a message is nobody's.
    for (UINT msg : {UINT(WM_VSCROLL), UINT(WM_HSCROLL)}) {
        Tree->Perform(msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
        Tree->Perform(msg, MAKEWPARAM(SB_ENDSCROLL + 1, 0), 0);
    }
    EXPECT_EQ(Tree->TopIndex(), 30);
    EXPECT_EQ(reported, (std::vector<std::string>{"v" + std::to_string(escLineDown), "v" + std::to_string(escPosition),
                                                  "h" + std::to_string(escLineDown), "v" + std::to_string(escEndScroll),
                                                  "h" + std::to_string(escEndScroll)}));
}

TEST_F(TreeTest, HorizontalScrollingStaysWithinTheContent)
{
    Items().Add(nullptr, std::string(200, 'W'));
    const Integer range = View()->HRange();
    ASSERT_GT(range, View()->Width());
    auto scroll = [&](TExScrollCode Code, Integer Pos = 0) {
        bool change = true;
        View()->OnHScroll(Tree->HorzScrollBar(), Code, Pos, change);
        return Tree->LeftPosition();
    };
    EXPECT_EQ(scroll(escLineDown), 4);
    EXPECT_EQ(scroll(escPageDown), 4 + View()->Width() / 2);
    EXPECT_EQ(scroll(escLineUp), View()->Width() / 2);
    EXPECT_EQ(scroll(escBottom), range - View()->Width());
    EXPECT_EQ(scroll(escPosition, -20), 0);
    Tree->SetHPosition(1 << 20);
    EXPECT_EQ(Tree->LeftPosition(), range - View()->Width());
    EXPECT_EQ(Tree->HorzScrollBar()->Position(), Tree->LeftPosition());
    // With columns the header follows.
    AddSections({900});
    Tree->SetShowHeader(true);
    Tree->SetHPosition(35);
    EXPECT_EQ(Tree->Header()->LeftPos(), 35);
    // A narrow view keeps everything visible: the offset stays 0.
    Items().Clear();
    Tree->SetShowHeader(false);
    Items().Add(nullptr, "short");
    Tree->SetHPosition(10);
    EXPECT_EQ(Tree->LeftPosition(), 0);
}

TEST_F(TreeTest, HeaderNotificationsReachTheTreesEvents)
{
    AddSections({80, 80, 80});
    Tree->SetShowHeader(true);
    std::vector<std::string> log;
    Tree->OnHeaderColumnResize = [&](TObject* S, Integer Index) { log.push_back(S == Tree ? "resize " + std::to_string(Index) : "?"); };
    Tree->OnHeaderColumnMove = [&](TCustomExTree* S, TExHeaderSection* Sec, Integer From, Integer To) {
        // Raised after the tree's own bracket closed.
        log.push_back(std::string(S->GetUpdating() ? "inside " : "") + "move " + std::to_string(Sec->GetIndex()) +
                      " " + std::to_string(From) + ">" + std::to_string(To));
    };
    Tree->OnHeaderSectionExpand = [&](TObject* S, TExHeaderSection* Sec) { log.push_back(S == Tree ? "expand " + std::to_string(Sec->GetIndex()) : "?"); };
    Tree->OnHeaderColumnClick = [&](TObject* S, Integer Index) { log.push_back(S == Tree ? "click " + std::to_string(Index) : "?"); };
    Tree->OnHeaderResize = [&](TObject* S) { log.push_back(S == Tree ? "header resize" : "?"); };
    TExHeaderSections* sections = Tree->Header()->Sections();
    sections->GetSectionByPos(1)->SetWidth(120);
    Tree->Header()->OnSectionResize(Tree->Header(), sections->GetSectionByPos(1));
    sections->MoveSection(sections->GetSectionByPos(2), 0);
    Tree->Header()->OnSectionExpand(Tree->Header(), sections->GetSection(1));
    Tree->Header()->OnSectionClick(Tree->Header(), sections->GetSection(0));
    Tree->Header()->SetLockHeight(true);
    Tree->Header()->SetHeight(Tree->Header()->Height() + 6);
    ASSERT_GE(log.size(), 5u);
    log.resize(5);
    EXPECT_EQ(log, (std::vector<std::string>{"resize 1", "move 2 2>0", "expand 1", "click 0", "header resize"}));
    // The new header height moved the view down.
    EXPECT_EQ(View()->Top(), Tree->Header()->Height());
}

TEST_F(TreeTest, HidingColumnsNarrowerThanTheViewScrollsBackToTheLeft)
{
    AddSections({250, 250});
    Tree->SetShowHeader(true);
    Tree->SetHPosition(100);
    ASSERT_EQ(Tree->LeftPosition(), 100);
    Tree->Header()->Sections()->GetSectionByPos(1)->SetVisible(false);
    EXPECT_EQ(Tree->LeftPosition(), 0);
    EXPECT_FALSE(Tree->HorzBarVisible());
}

TEST_F(TreeTest, FocusFromCodeReportsAtOnceAndFromKeysAfterTheDelay)
{
    AddRoots(5);
    Integer focused = 0;
    Tree->OnItemFocused = [&](TObject* S) {
        EXPECT_EQ(S, Tree);
        ++focused;
    };
    Tree->Model()->SetFocused(Items().Item(1));
    EXPECT_EQ(focused, 1);
    Tree->SetChangeDelay(50);
    Tree->Model()->DoSetFocusedEx(Items().Item(2), false, true);
    EXPECT_EQ(focused, 1);
    EXPECT_EQ(Tree->DelayedFocusItem(), Items().Item(2));
    uitest::Pump(120);
    EXPECT_EQ(focused, 2);
    // A focus that moved on before the delay ran out is not reported for the old item.
    Tree->Model()->DoSetFocusedEx(Items().Item(3), false, true);
    Tree->Model()->SetFocused(Items().Item(4));
    EXPECT_EQ(focused, 3);
    uitest::Pump(120);
    EXPECT_EQ(focused, 3);
    // The delayed item deleted before its time: nothing reported, nothing read.
    Tree->Model()->DoSetFocusedEx(Items().Item(3), false, true);
    Items().Item(3)->Delete();
    uitest::Pump(120);
    EXPECT_EQ(Tree->DelayedFocusItem(), nullptr);
}

TEST_F(TreeTest, TheTreeFontReachesTheHeaderAndTheLineHeight)
{
    AddSections({80});
    Tree->SetShowHeader(true);
    const Integer before = Tree->LineHeight();
    Tree->Font()->SetHeight(-24);
    EXPECT_EQ(Tree->Header()->Font()->Height(), -24);
    EXPECT_EQ(Tree->LineHeight(), 28);
    EXPECT_GT(Tree->LineHeight(), before);
    Tree->SetHeaderUseTreeFont(false);
    Tree->HeaderFont()->SetHeight(-9);
    EXPECT_EQ(Tree->Header()->Font()->Height(), -9);
    // With the automatic height off the line height stays.
    Tree->SetAutoLineHeight(false);
    Tree->Font()->SetHeight(-11);
    EXPECT_EQ(Tree->LineHeight(), 28);
    Tree->SetLineHeight(0);
    EXPECT_EQ(Tree->LineHeight(), 17);
}

TEST_F(TreeTest, LineHeightFromFontIndentAndDecorations)
{
    Tree->Font()->SetHeight(-11);
    EXPECT_EQ(Tree->DefineLineHeight(), 17);
    Tree->SetHorizontalLines(true);
    EXPECT_EQ(Tree->DefineLineHeight(), 18);
    Tree->SetBarStyle(true);
    EXPECT_EQ(Tree->DefineLineHeight(), 19);
    // The bar look brings the button colours for the background, the texts and the lines.
    EXPECT_EQ(Tree->BkColor(), clBtnFace);
    EXPECT_EQ(Tree->TextColor(), clBtnText);
    EXPECT_EQ(Tree->LinesColor(), clBtnShadow);
    Tree->SetBarStyle(false);
    Tree->SetHorizontalLines(false);
    Tree->Font()->SetHeight(20);
    EXPECT_EQ(Tree->DefineLineHeight(), 22);
    Tree->Font()->SetHeight(-8);
    Tree->SetItemIndent(21);
    EXPECT_EQ(Tree->DefineLineHeight(), 21);
}

}  // namespace

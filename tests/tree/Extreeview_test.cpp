// The view window: rows found from remembered positions agree with the model's own walk whatever
// happened in between; the wheel; a scroll notification while an edit runs; the mouse move that
// follows a scroll; rows of a tree filled before its window existed; the dialog code, focus and the
// drag image; the paint cycle's invalidation and background; selection colours that follow the focus.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ViewTest.h"
#include "platform/Input.h"

namespace {

// ---------------------------------------------------------------- rows from positions

// Seeded operations that change which items are rows, each followed by lookups from all sides; the
// model's walk from the first row is the reference.
TEST_F(ViewTest, RowsFoundFromRememberedPositionsMatchTheWalkFromTheTop)
{
    for (unsigned seed : {20240607u, 5u, 91u}) {
        SCOPED_TRACE(seed);
        Items().Clear();
        std::mt19937 rng(seed);
        std::vector<TExTreeItem*> made;
        Items().BeginUpdate();
        for (int i = 0; i < 2500; ++i) {
            TExTreeItem* at = made.empty() ? nullptr : made[rng() % made.size()];
            made.push_back(rng() % 3 == 0 ? Items().AddChildFirst(at, "x") : Items().Insert(at, "x"));
        }
        Items().EndUpdate();
        for (int step = 0; step < 300; ++step) {
            TExTreeItem* item = made[rng() % made.size()];
            switch (rng() % 6) {
            case 0: item->Expand(rng() % 4 == 0); break;
            case 1: item->Collapse(false); break;
            case 2: item->SetHidden(!item->Hidden()); break;
            case 3: Tree->SetFilteredVisibility(!Tree->FilteredVisibility()); break;
            case 4: Tree->SetVPosition(Integer(rng() % (Tree->GetTotalVisCount() + 1))); break;
            default: View()->VisItem(Integer(rng() % (Tree->GetTotalVisCount() + 1))); break;
            }
            const Integer total = Tree->GetTotalVisCount();
            for (int probe = 0; probe < 6; ++probe) {
                const Integer row = total ? Integer(rng() % total) : 0;
                TExTreeItem* expected = Items().GetVisItem(row);
                ASSERT_EQ(View()->VisItem(row), expected) << "step " << step << " row " << row;
                if (expected) {
                    ASSERT_EQ(View()->VisIndexOf(expected), row) << "step " << step;
                }
                TExTreeItem* any = made[rng() % made.size()];
                ASSERT_EQ(View()->VisIndexOf(any), any->IsVisible() ? any->VisIndex() : -1) << "step " << step;
            }
            ASSERT_EQ(View()->VisItem(total - 1), total ? Items().GetVisItem(total - 1) : nullptr);
            ASSERT_EQ(View()->VisItem(total), nullptr);
        }
    }
    EXPECT_EQ(View()->VisIndexOf(nullptr), -1);
}

TEST_F(ViewTest, AHundredThousandItemsInsertedInRandomOrderScrollAndPaint)
{
    std::mt19937 rng(77);
    std::vector<TExTreeItem*> made;
    made.reserve(100000);
    Items().BeginUpdate();
    for (int i = 0; i < 100000; ++i) {
        TExTreeItem* at = made.empty() ? nullptr : made[rng() % made.size()];
        made.push_back(rng() % 4 == 0 ? Items().AddChildFirst(at, "x" + std::to_string(i))
                                      : Items().Insert(at, "x" + std::to_string(i)));
    }
    Items().EndUpdate();
    Tree->FullExpand();
    ASSERT_EQ(Tree->GetTotalVisCount(), 100000);
    Integer pos = 0;
    bool change = true;
    for (TExScrollCode code : {escBottom, escPageUp, escLineUp, escTop, escPageDown}) {
        View()->OnVScroll(Tree->VertScrollBar(), code, pos, change);
        Repaint();
        const Integer top = Tree->TopIndex();
        for (Integer r = 0; r < View()->RowCount(); r += 5)
            ASSERT_EQ(View()->Row(r), Items().GetVisItem(top + r)) << "after code " << Integer(code);
    }
}

TEST_F(ViewTest, TheBottomOfAHundredThousandRowsOfDifferentHeights)
{
    Items().BeginUpdate();
    for (int d = 0; d < 1000; ++d) {
        TExTreeItem* day = Items().Add(nullptr, "d");
        for (int m = 0; m < 99; ++m) {
            TExTreeItem* msg = Items().AddChild(day, "m");
            if (m % 7 == 0) {
                msg->SetOwnerHeight(false);
                msg->SetHeight(short(20 + m % 3 * 6));
            }
        }
        day->Expand(false);
    }
    Items().EndUpdate();
    ASSERT_EQ(Tree->GetTotalVisCount(), 100000);
    Integer pos = 0;
    bool change = true;
    View()->OnVScroll(Tree->VertScrollBar(), escBottom, pos, change);
    const Integer top = Tree->TopIndex();
    ASSERT_GT(top, 99000);
    // The last row is wholly in view; one row higher would leave it so too only if it fit.
    EXPECT_EQ(View()->Row(View()->RowCount() - 1), Items().GetVisItem(99999));
    EXPECT_LE(View()->GetVisiblesHeight(), View()->ClientHeight());
    Integer above = 0;
    for (Integer r = top - 1; r <= 99999; ++r) above += Items().GetVisItem(r)->GetHeight();
    EXPECT_GT(above, View()->ClientHeight()) << "the highest top row";
    // A page up and down from there land on the same rows the model's walk gives.
    View()->OnVScroll(Tree->VertScrollBar(), escPageUp, pos, change);
    EXPECT_EQ(View()->Row(0), Items().GetVisItem(Tree->TopIndex()));
    View()->OnVScroll(Tree->VertScrollBar(), escPageDown, pos, change);
    EXPECT_EQ(Tree->TopIndex(), top);
    EXPECT_EQ(View()->Row(0), Items().GetVisItem(top));
}

// ---------------------------------------------------------------- the wheel and what follows a scroll

class Scrolling : public ViewTest {
protected:
    void SetUp() override
    {
        Items().BeginUpdate();
        for (int i = 0; i < 100; ++i) Items().Add(nullptr, "r" + std::to_string(i));
        Items().EndUpdate();
        Form->Show();
        View()->SetFocus();
        uitest::Pump();
    }
};

TEST_F(Scrolling, AWheelNotchScrollsTheSystemsLinesAndTheTreeHearsItOnce)
{
    UINT lines = 0;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_GE(lines, 1u);
    Tree->SetVPosition(20);
    int heard = 0;
    Tree->OnMouseWheel = [&](TObject*, TShiftState, int Delta, TPoint, bool&) {
        ++heard;
        EXPECT_EQ(Delta, 120);
    };
    Input::Wheel(View(), 120, 30, 30);
    EXPECT_EQ(Tree->TopIndex(), Integer(20 - lines));
    EXPECT_EQ(heard, 1);
    Tree->OnMouseWheel = nullptr;
    Input::Wheel(View(), -240, 30, 30);
    EXPECT_EQ(Tree->TopIndex(), Integer(20 + lines));
    EXPECT_EQ(View()->Row(0), Items().Item(Tree->TopIndex()));
    // Past the ends the top row stays inside.
    Tree->SetVPosition(1);
    Input::Wheel(View(), 120, 30, 30);
    EXPECT_EQ(Tree->TopIndex(), 0);
    Input::Wheel(View(), 30, 30, 30);
    EXPECT_EQ(Tree->TopIndex(), 0) << "a quarter notch of a three-line wheel is no row";
    EXPECT_EQ(View()->WheelRows(-120), -Integer(lines));
    EXPECT_EQ(View()->WheelRows(40), Integer(lines) / 3);
}

TEST_F(Scrolling, TheRowsThatMovedUnderThePointerHearAMouseMove)
{
    Input::MouseMove(View(), 40, 25);
    uitest::Pump();
    std::vector<std::pair<TShiftState, TPoint>> moves;
    Tree->OnMouseMove = [&](TObject*, TShiftState Shift, int X, int Y) { moves.push_back({Shift, TPoint{X, Y}}); };
    Integer pos = 0;
    bool change = true;
    View()->OnVScroll(Tree->VertScrollBar(), escLineDown, pos, change);
    EXPECT_FALSE(change) << "the bar's position is set by the view";
    EXPECT_EQ(Tree->TopIndex(), 1);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].first, TShiftState(0));
    EXPECT_EQ(moves[0].second, (TPoint{View()->Left() + 40, View()->Top() + 25}));
    moves.clear();
    Input::Wheel(View(), -120, 40, 25);
    EXPECT_FALSE(moves.empty());
    // A scroll handler that frees the tree ends it there.
    Tree->OnScroll = [this](TObject*, TScrollBarKind, Integer) {
        TForm* form = Form;
        Form = nullptr;
        TObject::Free(form);
    };
    TExTreeView* view = View();
    TCustomExScrollBar* bar = Tree->VertScrollBar();
    view->OnVScroll(bar, escLineDown, pos, change);
    EXPECT_EQ(Form, nullptr);
    Form = new TForm(nullptr);
}

// The wheel turned while a rubber band is drawn: the view scrolls, the band's moving corner stays
// under the pointer with the rows it now covers selected, and the band stays on screen.
TEST_F(Scrolling, TheWheelDuringARubberBandMovesTheBand)
{
    Items().BeginUpdate();
    for (Integer i = 0; i < Items().Count(); ++i)
        Items().Item(i)->SetText("row " + std::to_string(i) + " with a long text");
    Items().EndUpdate();
    uitest::Pump();
    ASSERT_TRUE(Tree->MultiSelect());
    auto selected = [&] {
        std::vector<Integer> r;
        for (Integer i = 0; i < Items().Count(); ++i)
            if (Items().Item(i)->Selected()) r.push_back(i);
        return r;
    };
    Input::MouseDown(View(), mbLeft, 100, 5);
    Input::MouseMove(View(), 105, 20, ssLeft);
    Input::MouseMove(View(), 110, 40, ssLeft);
    uitest::Pump();
    ASSERT_TRUE(View()->FrameSelecting());
    ASSERT_EQ(selected(), (std::vector<Integer>{0, 1, 2}));
    UINT lines = 0;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    Input::Wheel(View(), -120, 110, 40);
    uitest::Pump();
    ASSERT_EQ(Tree->TopIndex(), Integer(lines));
    EXPECT_TRUE(View()->FrameSelecting());
    std::vector<Integer> band;
    for (Integer i = 0; i <= 2 + Integer(lines); ++i) band.push_back(i);
    EXPECT_EQ(selected(), band) << "the corner moved with the rows under the pointer";
    EXPECT_TRUE(View()->FrameShown());
    // The band is on screen: the view painted without it looks different along its left edge.
    std::vector<COLORREF> withBand;
    for (int y = 0; y < 40; ++y) withBand.push_back(Peek(100, y));
    Repaint();
    std::vector<COLORREF> without;
    for (int y = 0; y < 40; ++y) without.push_back(Peek(100, y));
    EXPECT_NE(withBand, without);
    Input::MouseUp(View(), mbLeft, 110, 40);
    uitest::Pump();
    EXPECT_FALSE(View()->FrameSelecting());
    EXPECT_EQ(selected(), band);
}

TEST_F(Scrolling, ANotificationDuringAnEditIsSwallowedThenTheEditIsAccepted)
{
    TQuietEditor editor(nullptr);
    editor.SetTree(Tree);
    TExTreeItem* item = Items().Item(0);
    editor.StartOperation();
    editor.SectionNum = -1;
    editor.ValueAsText = "edited";
    View()->BeginEdit(&editor, item);
    ASSERT_TRUE(Tree->IsEditing());
    std::vector<Integer> told;
    Tree->OnScroll = [&](TObject*, TScrollBarKind, Integer Code) { told.push_back(Code); };
    Integer pos = 0;
    bool change = true;
    View()->OnVScroll(Tree->VertScrollBar(), escLineDown, pos, change);
    EXPECT_FALSE(change);
    EXPECT_EQ(Tree->TopIndex(), 0) << "the first one moves nothing";
    EXPECT_TRUE(Tree->IsEditing());
    EXPECT_TRUE(told.empty());
    change = true;
    View()->OnVScroll(Tree->VertScrollBar(), escLineDown, pos, change);
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(item->Text(), "edited");
    EXPECT_EQ(Tree->TopIndex(), 1);
    EXPECT_EQ(told, (std::vector<Integer>{escLineDown}));
    // Without an edit every notification scrolls.
    View()->OnVScroll(Tree->VertScrollBar(), escLineDown, pos, change);
    EXPECT_EQ(Tree->TopIndex(), 2);
    editor.SetTree(nullptr);
}

// An edit open when its tree goes ends cancelled: its value is not written into the items going.
TEST_F(Scrolling, AnEditOpenWhenTheTreeGoesEndsCancelled)
{
    TQuietEditor editor(nullptr);
    std::vector<bool> ends;
    editor.OnAfterOperation = [&](TObject*, bool& Accepted, bool&) { ends.push_back(Accepted); };
    editor.SetTree(Tree);
    TExTreeItem* item = Items().Item(0);
    editor.StartOperation();
    editor.SectionNum = -1;
    editor.ValueAsText = "never";
    View()->BeginEdit(&editor, item);
    ASSERT_TRUE(Tree->IsEditing());
    std::vector<std::string> changed;
    Tree->OnItemChange = [&](TObject*, TExTreeItem* Item, TItemChangeMode) { changed.push_back(Item->Text()); };
    TObject::Free(Form);
    Form = new TForm(nullptr);
    EXPECT_EQ(ends, (std::vector<bool>{false}));
    EXPECT_FALSE(editor.Editing());
    EXPECT_TRUE(changed.empty());
}

TEST_F(Scrolling, ASidewaysScrollAcceptsARunningEdit)
{
    TQuietEditor editor(nullptr);
    editor.SetTree(Tree);
    TExTreeItem* item = Items().Item(0);
    editor.StartOperation();
    editor.SectionNum = -1;
    editor.ValueAsText = "kept";
    View()->BeginEdit(&editor, item);
    Integer pos = 0;
    bool change = true;
    View()->OnHScroll(Tree->HorzScrollBar(), escLineDown, pos, change);
    EXPECT_FALSE(Tree->IsEditing());
    EXPECT_EQ(item->Text(), "kept");
    editor.SetTree(nullptr);
}

// ---------------------------------------------------------------- the widest row

// The widest row's width measured the long way: every row, as the view would lay it out.
Integer WidestRow(TExTreeItems& Items)
{
    Integer widest = 0;
    for (Integer i = 0; i < Items.Count(); ++i)
        if (Items.Item(i)->IsVisible()) widest = std::max(widest, Items.Item(i)->GetWidth());
    return widest;
}

// The same for a column's widest cell, and a row that has it.
Integer WidestCell(TExTree* Tree, Integer Section, TExTreeItem** At = nullptr)
{
    Integer widest = 0;
    for (Integer i = 0; i < Tree->Items()->Count(); ++i) {
        TPoint size{0, Tree->LineHeight()};
        if (Tree->Items()->Item(i)->IsVisible()) Tree->MeasureCell(Tree->Items()->Item(i), Section, size);
        if (size.X > widest && At) *At = Tree->Items()->Item(i);
        widest = std::max(widest, size.X);
    }
    return widest;
}

// Seeded changes of texts, column texts, cell styles, fonts, images, focus and selection, indents,
// expansion, filtering, columns shown and hidden, insertion, deletion and moves, alone and in
// brackets; after each the view's widest row, or with three auto-sized columns each column's widest
// cell, is the long way's.
TEST_F(ViewTest, TheWidestRowFollowsEveryChange)
{
    std::mt19937 rng(4711);
    std::vector<TExTreeItem*> made;
    auto text = [&] { return std::string(1 + rng() % 40, char('a' + rng() % 26)); };
    auto any = [&]() -> TExTreeItem* { return made.empty() ? nullptr : made[rng() % made.size()]; };
    Items().BeginUpdate();
    for (int i = 0; i < 600; ++i) {
        TExTreeItem* at = any();
        made.push_back(rng() % 3 == 0 ? Items().AddChild(at, text()) : Items().Add(at, text()));
        made.back()->ColumnText()->Add(text());
    }
    Items().EndUpdate();
    Tree->SetImages(SolidImages(Form, {clRed, clLime}));
    for (int s = 0; s < 3; ++s) Tree->Header()->Sections()->AddSection()->SetAutoSize(true);
    auto setCell = [&](TExTreeItem* Item, Integer Section, const std::string& Text) {
        if (Section == 0) return Item->SetText(Text);
        while (Item->ColumnText()->Count() < Section) Item->ColumnText()->Add("");
        Item->ColumnText()->Put(Section - 1, Text);
    };
    auto check = [&](const std::string& Step) {
        if (!Tree->ShowColumns()) {
            ASSERT_EQ(View()->HRange(), WidestRow(Items())) << Step;
            return;
        }
        for (Integer s = 0; s < 3; ++s) ASSERT_EQ(Tree->MeasureColumnWidth(s, true), WidestCell(Tree, s)) << Step;
    };
    for (int step = 0; step < 1500; ++step) {
        const bool bracket = rng() % 5 == 0;
        if (bracket) Items().BeginUpdate();
        for (int n = bracket ? 1 + rng() % 4 : 1; n > 0; --n) {
            TExTreeItem* item = any();
            switch (rng() % 19) {
            case 0:
            case 1: item->SetText(text()); break;
            case 2: item->Expand(rng() % 8 == 0); break;
            case 3: item->Collapse(false); break;
            case 4: item->SetHidden(!item->Hidden()); break;
            case 5:
                if (rng() % 10 == 0) Tree->SetFilteredVisibility(!Tree->FilteredVisibility());
                if (rng() % 4 == 0) Tree->SetShowHeader(!Tree->ShowColumns());
                break;
            case 6: made.push_back(rng() % 2 ? Items().AddChild(item, text()) : Items().Insert(item, text())); break;
            case 7:
                if (made.size() > 50) {
                    // The whole branch goes: forget it.
                    std::vector<TExTreeItem*> left;
                    for (TExTreeItem* m : made)
                        if (!m->IsUnder(item)) left.push_back(m);
                    Items().Delete(item);
                    made = left;
                }
                break;
            case 8: {
                TExTreeItem* to = any();
                if (to && !to->IsUnder(item)) item->MoveTo(rng() % 4 ? to : nullptr);
                break;
            }
            case 9: item->SetImageIndex(Integer(rng() % 3) - 1); break;
            case 10: item->SetState(5, !item->GetState(5)); break;
            case 11: item->SetIndentAdjust(Integer(rng() % 30)); break;
            case 12: item->SetSuppressButtons(!item->SuppressButtons()); break;
            case 13:
                // Out of the tree and back in at another place.
                if (TExTreeItem* to = any(); to && to != item && !to->IsUnder(item)) {
                    Items().RemoveItem(item);
                    if (!bracket) check("step " + std::to_string(step) + " out");
                    Items().InsertExistingItem(item, rng() % 3 ? to : nullptr, 0);
                }
                break;
            case 14: setCell(item, 1 + Integer(rng() % 2), text()); break;
            case 17: {
                // A column's widest cell shrinks, is selected or focused with a picture and a state
                // picture out of the list, or another grows past it.
                const Integer section = Integer(rng() % 3);
                TExTreeItem* widest = nullptr;
                WidestCell(Tree, section, &widest);
                switch (widest ? rng() % 4 : 3) {
                case 0: setCell(widest, section, "i"); break;
                case 1:
                case 2:
                    widest->SetImageIndex(0);
                    widest->SetStImageIndex(2);
                    if (rng() % 2)
                        Tree->SetFocused(widest);
                    else
                        widest->SetSelected(!widest->Selected());
                    break;
                default: setCell(item, section, std::string(30 + rng() % 30, 'm')); break;
                }
                break;
            }
            default: item->SetMultiline(!item->Multiline()); break;
            }
        }
        if (bracket) Items().EndUpdate();
        check("step " + std::to_string(step));
        if (HasFatalFailure()) return;
    }
    Items().Clear();
    check("cleared");
}

// Handlers that change the rows while rows are measured: the widest row is measured again, and an
// item deleted while it was measured is left alone.
TEST_F(ViewTest, TheWidestRowSurvivesHandlersThatDeleteRowsWhileMeasured)
{
    Tree->SetImages(SolidImages(Form, {clRed}));
    Items().BeginUpdate();
    TExTreeItem* parent = Items().Add(nullptr, "parent");
    std::vector<TExTreeItem*> children;
    for (int i = 0; i < 10; ++i) children.push_back(Items().AddChild(parent, "child " + std::to_string(i)));
    for (int i = 0; i < 40; ++i) Items().Add(nullptr, "row " + std::to_string(i));
    Items().Add(nullptr, std::string(60, 'W'));
    Items().EndUpdate();
    uitest::Pump();
    TExTreeItem* victim = nullptr;
    Tree->OnItemPicDraw = [&](TObject*, TExTreeItem* Item, Integer&) {
        if (victim && Item == victim) {
            victim = nullptr;
            Items().Delete(Item);
        }
    };
    // Measured as the branch comes into view.
    victim = children[3];
    parent->Expand(false);
    uitest::Pump();
    EXPECT_EQ(victim, nullptr);
    EXPECT_EQ(parent->Count(), 9);
    EXPECT_EQ(View()->HRange(), WidestRow(Items()));
    // Measured with every row, after a change of the whole tree.
    victim = Items().Item(20);
    Tree->SetItemIndent(19);
    uitest::Pump();
    EXPECT_EQ(victim, nullptr);
    EXPECT_EQ(View()->HRange(), WidestRow(Items()));
    Tree->OnItemPicDraw = nullptr;
}

// A row counted before every row was measured again, but no row then, counts no more: its twin
// of the same width elsewhere keeps the widest width when it goes.
TEST_F(ViewTest, RowsCountedBeforeAllWereMeasuredAgainAreForgotten)
{
    Items().BeginUpdate();
    TExTreeItem* p = Items().Add(nullptr, "p");
    TExTreeItem* q = Items().Add(nullptr, "q");
    TExTreeItem* a = Items().AddChild(p, std::string(50, 'W'));
    TExTreeItem* b = Items().AddChild(q, std::string(50, 'W'));
    p->Expand(false);
    q->Expand(false);
    Items().EndUpdate();
    ASSERT_EQ(View()->HRange(), b->GetWidth());
    Items().BeginUpdate();
    p->Collapse(false);
    Tree->SetItemIndent(18);
    Items().EndUpdate();
    ASSERT_EQ(View()->HRange(), b->GetWidth());
    Items().Delete(a);
    EXPECT_EQ(View()->HRange(), b->GetWidth());
    EXPECT_EQ(View()->HRange(), WidestRow(Items()));
}

// A change of one row measures that row, not every row of the tree (each measure of a row asks for
// its missing image).
TEST_F(ViewTest, OneChangeMeasuresItsOwnRowOnly)
{
    Tree->SetImages(SolidImages(Form, {clRed}));
    Items().BeginUpdate();
    for (int i = 0; i < 20000; ++i) Items().Add(nullptr, "row " + std::to_string(i));
    Items().EndUpdate();
    uitest::Pump();
    int asked = 0;
    Tree->OnItemPicDraw = [&](TObject*, TExTreeItem*, Integer&) { ++asked; };
    // Painting asks for the rows on screen as well.
    const int onScreen = View()->RowCount() + 4;
    TExTreeItem* item = Items().Item(12345);
    item->SetText(std::string(200, 'W'));
    uitest::Pump();
    EXPECT_LE(asked, onScreen);
    EXPECT_EQ(View()->HRange(), item->GetWidth());
    asked = 0;
    TExTreeItem* added = Items().AddChild(Items().Item(500), "new");
    uitest::Pump();
    EXPECT_LE(asked, onScreen);
    asked = 0;
    Items().Item(500)->Expand(false);
    uitest::Pump();
    EXPECT_LE(asked, onScreen) << "a branch of one child";
    const Integer wideWidth = item->GetWidth();
    EXPECT_EQ(View()->HRange(), wideWidth);
    // The widest row going leaves the next widest.
    asked = 0;
    item->SetText("short");
    uitest::Pump();
    EXPECT_LE(asked, onScreen);
    EXPECT_EQ(View()->HRange(), WidestRow(Items()));
    EXPECT_LT(View()->HRange(), wideWidth / 2);
    EXPECT_GE(View()->HRange(), added->GetWidth());
    Tree->OnItemPicDraw = nullptr;
}

// A mirrored tree without columns opens at the end its rows start from, also when a row is far
// wider than the view, and keeps that end in view when the view narrows.
TEST_F(ViewTest, AMirroredTreeOpensAtItsRightEnd)
{
    Tree->SetRightAlignedTree(true);
    Tree->SetShowCheckboxes(true);
    Items().BeginUpdate();
    TExTreeItem* wide = Items().Add(nullptr, std::string(110, 'x'));
    for (int i = 0; i < 30; ++i) Items().AddChild(wide, "c" + std::to_string(i));
    Items().Add(nullptr, "short");
    wide->Expand(false);
    Items().EndUpdate();
    Form->Show();
    uitest::Pump();
    ASSERT_GT(View()->HRange(), View()->ClientWidth());
    ASSERT_TRUE(Tree->VertBarVisible());
    EXPECT_EQ(Tree->LeftPosition(), View()->HRange() - View()->Width());
    // The text's right end and the button and check box after it are on screen.
    Repaint();
    const Integer right = wide->TextRight - Tree->LeftPosition();
    EXPECT_LT(right, View()->ClientWidth());
    EXPECT_GT(right, View()->ClientWidth() - 3 * Tree->ItemIndent() - Tree->CheckBoxSize());
    // A text of 3,000 characters: its end shows.
    wide->Collapse(false);
    Items().Item(Items().Count() - 1)->SetText(std::string(3000, 'm'));
    uitest::Pump();
    Repaint();
    TExTreeItem* last = Items().Item(Items().Count() - 1);
    EXPECT_EQ(Tree->LeftPosition(), View()->HRange() - View()->Width());
    EXPECT_GT(last->TextRight - Tree->LeftPosition(), View()->ClientWidth() - 3 * Tree->ItemIndent());
    EXPECT_LT(last->TextRight - Tree->LeftPosition(), View()->ClientWidth());
    // Scrolled away from the end by the user, the distance stays when the rows widen.
    Tree->SetHPosition(Tree->LeftPosition() - 100);
    const Integer gap = View()->HRange() - View()->Width() - Tree->LeftPosition();
    EXPECT_EQ(gap, 100);
    wide->SetText(std::string(3100, 'm'));
    uitest::Pump();
    EXPECT_EQ(View()->HRange() - View()->Width() - Tree->LeftPosition(), gap);
    // A narrower view keeps the right end where it was.
    Tree->SetHPosition(View()->HRange());
    Tree->SetBounds(10, 10, 250, 200);
    uitest::Pump();
    EXPECT_EQ(Tree->LeftPosition(), View()->HRange() - View()->Width());
}

// ---------------------------------------------------------------- the ends with tall rows

// Rows of differing heights on a shown tree with the focus in its view, driven by keys and the wheel.
class TallRows : public ViewTest {
protected:
    void SetUp() override
    {
        Form->Show();
        View()->SetFocus();
        uitest::Pump();
    }
    // Count rows of the line height, then rows of the given heights (in view heights, 0: a line).
    void Fill(Integer Count, const std::vector<double>& Tall)
    {
        Items().BeginUpdate();
        for (Integer i = 0; i < Count; ++i) Items().Add(nullptr, "r" + std::to_string(i));
        for (std::size_t i = 0; i < Tall.size(); ++i) {
            TExTreeItem* item = Items().Add(nullptr, "t" + std::to_string(i));
            item->SetOwnerHeight(false);
            item->SetHeight(short(Tall[i] * View()->ClientHeight()));
        }
        Items().EndUpdate();
        uitest::Pump();
    }
    void Key(Word K)
    {
        Input::PressKey(K);
        uitest::Pump();
    }
    void Wheel(int Delta)
    {
        Input::Wheel(View(), Delta, 20, 20);
        uitest::Pump();
    }
    Integer Top() const { return Tree->TopIndex(); }
};

TEST_F(TallRows, TheHighestTopRowIsTheLastRowWhenItFillsTheView)
{
    // The last row is more than twice as tall as the view.
    Fill(29, {2.35});
    const Integer last = Tree->GetTotalVisCount() - 1;
    ASSERT_EQ(last, 29);
    EXPECT_EQ(View()->MaxTopIndex(), last);
    Tree->SetFocused(Items().Item(0));
    Key(VK_END);
    EXPECT_EQ(Tree->GetFocused(), Items().Item(last));
    EXPECT_EQ(Top(), last);
    EXPECT_EQ(View()->Row(0), Items().Item(last));
    // Line steps down stop at the last row, and so does the wheel, which never wraps to the top.
    Tree->SetVPosition(25);
    UINT lines = 0;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    for (int notch = 0; notch < 4; ++notch) {
        Wheel(-120);
        EXPECT_EQ(Top(), std::min<Integer>(25 + Integer(lines) * (notch + 1), last)) << "notch " << notch;
    }
    Integer pos = 0;
    bool change = true;
    for (int step = 0; step < 3; ++step) View()->OnVScroll(Tree->VertScrollBar(), escLineDown, pos, change);
    EXPECT_EQ(Top(), last);
    View()->OnVScroll(Tree->VertScrollBar(), escBottom, pos, change);
    EXPECT_EQ(Top(), last);
    // A view smaller than one line: the last row is the highest top row too.
    Items().Clear();
    Fill(30, {});
    Tree->SetBounds(10, 10, 300, Tree->Height() - View()->Height() + 9);
    ASSERT_EQ(View()->GetVisCount(), 1);
    Tree->SetFocused(Items().Item(0));
    Key(VK_END);
    EXPECT_EQ(Top(), 29);
    EXPECT_EQ(View()->Row(0), Items().Item(29));
}

TEST_F(TallRows, PageUpMovesAtLeastOneRowAsPageDownDoes)
{
    Fill(0, {1.6, 1.6, 1.6, 1.6, 1.6});
    Tree->SetFocused(Items().Item(0));
    Key(VK_NEXT);
    EXPECT_EQ(Top(), 1);
    Key(VK_NEXT);
    EXPECT_EQ(Top(), 2);
    Key(VK_PRIOR);
    EXPECT_EQ(Top(), 1);
    EXPECT_EQ(Tree->GetFocused(), Items().Item(1));
    Key(VK_PRIOR);
    EXPECT_EQ(Top(), 0);
    Key(VK_PRIOR);
    EXPECT_EQ(Top(), 0);
    // The bar's page steps go the same way.
    Integer pos = 0;
    bool change = true;
    Tree->SetVPosition(3);
    View()->OnVScroll(Tree->VertScrollBar(), escPageUp, pos, change);
    EXPECT_EQ(Top(), 2);
    View()->OnVScroll(Tree->VertScrollBar(), escPageDown, pos, change);
    EXPECT_EQ(Top(), 3);
    // Bringing a tall row in from below puts it at the top: it cannot end the page whole.
    Tree->SetVPosition(0);
    Tree->EnsureVisibleBottom(Items().Item(4));
    EXPECT_EQ(Top(), 4);
}

// Bringing into view an item the filter hides can show nothing: the view stays where it is, and
// the branch holding it stays as it was.
TEST_F(TallRows, BringingAFilteredOutItemIntoViewLeavesTheView)
{
    Fill(60, {});
    TExTreeItem* parent = Items().Item(40);
    TExTreeItem* child = Items().AddChild(parent, "child");
    TExTreeItem* hidden = Items().Item(50);
    hidden->SetHidden(true);
    child->SetHidden(true);
    Tree->SetFilteredVisibility(true);
    Tree->SetVPosition(20);
    for (TExTreeItem* item : {hidden, child}) {
        Tree->EnsureVisible(item);
        EXPECT_EQ(Top(), 20);
        Tree->EnsureVisibleBottom(item);
        EXPECT_EQ(Top(), 20);
    }
    EXPECT_FALSE(parent->Expanded());
    // A shown one still comes into view.
    Tree->EnsureVisible(Items().Item(55));
    EXPECT_TRUE(Tree->IsInView(Items().Item(55)));
    EXPECT_NE(Top(), 20);
    // An item inside a collapsed branch opens the branch and comes in at the bottom.
    TExTreeItem* folder = Items().Item(30);
    TExTreeItem* inside = Items().AddChild(folder, "inside");
    ASSERT_FALSE(folder->Expanded());
    Tree->SetVPosition(0);
    Tree->EnsureVisibleBottom(inside);
    EXPECT_TRUE(folder->Expanded());
    EXPECT_TRUE(Tree->IsInView(inside));
}

// ---------------------------------------------------------------- the window

TEST(ViewWindow, RowsFilledBeforeTheWindowExistedAreShownWithIt)
{
    TForm* form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* tree = new TExTree(form);
    tree->SetParent(form);
    tree->SetBounds(0, 0, 300, 200);
    for (int i = 0; i < 50; ++i) tree->Items()->Add(nullptr, "r");
    EXPECT_FALSE(tree->View()->HandleAllocated());
    form->Show();
    uitest::Pump();
    EXPECT_EQ(tree->View()->RowCount(), tree->View()->GetVisCount() + (tree->View()->ClientHeight() % 17 ? 0 : 1));
    EXPECT_TRUE(tree->VertBarVisible());
    TObject::Free(form);
}

TEST_F(ViewTest, TheViewTakesArrowsAndCharactersButNotTab)
{
    EXPECT_EQ(View()->Perform(WM_GETDLGCODE, 0, 0), LRESULT(129));
    // A view that cannot take the focus is not given it.
    Tree->SetEnabled(false);
    View()->SetFocus();
    EXPECT_FALSE(View()->Focused());
}

TEST_F(ViewTest, VisibleRowCountsOfAHeight)
{
    Tree->SetBounds(10, 10, 300, 40 + Tree->Height() - View()->Height());
    ASSERT_EQ(View()->Height(), 40);
    EXPECT_EQ(View()->GetVisCount(), 3);
    EXPECT_EQ(View()->GetVisCount2(), 2);
}

TEST_F(ViewTest, DragImagesOfOneOrAllSelectedRows)
{
    Items().BeginUpdate();
    for (int i = 0; i < 5; ++i) Items().Add(nullptr, "row " + std::to_string(i));
    Items().EndUpdate();
    Items().Item(1)->SetSelected(true);
    View()->FillDragImage();
    EXPECT_EQ(View()->GetDragImages(), nullptr) << "dimNever";
    Tree->SetDragImageMode(dimOne);
    View()->FillDragImage();
    ASSERT_NE(View()->GetDragImages(), nullptr);
    EXPECT_EQ(View()->GetDragImages()->Height(), 17 + 1);
    EXPECT_EQ(View()->GetDragImages()->Width(), std::max(View()->HRange(), View()->Width()));
    EXPECT_EQ(View()->GetDragImages()->Count(), 1);
    Items().Item(3)->SetSelected(true);
    View()->FillDragImage();
    EXPECT_EQ(View()->GetDragImages(), nullptr) << "two rows for one image";
    Tree->SetDragImageMode(dimAll);
    View()->FillDragImage();
    ASSERT_NE(View()->GetDragImages(), nullptr);
    EXPECT_EQ(View()->GetDragImages()->Height(), 3 * 17 + 1) << "from the first selected row to the last";
    // With columns the image is as wide as the main column.
    Tree->Header()->Sections()->AddSection()->SetWidth(90);
    Tree->SetShowHeader(true);
    View()->FillDragImage();
    EXPECT_EQ(View()->GetDragImages()->Width(), 90);
}

// The pictures of a marked-up text show in the main text, a column and the drag image, also when
// their handler changes the text being drawn (the text the item has then is drawn) or deletes
// the item.
TEST_F(ViewTest, PicturesOfMarkedUpTextsShowWhateverTheirHandlerChanges)
{
    TBitmap picture;
    picture.SetSize(8, 8);
    picture.Canvas()->Brush()->SetColor(clGreen);
    picture.Canvas()->FillRect(TRect{0, 0, 8, 8});
    picture.Canvas()->SetPixel(0, 7, clWhite);  // the renderer's see-through colour
    AddSections({120, 120});
    Tree->SetShowHeader(true);
    std::function<void()> change;
    int asked = 0;
    Tree->OnHTMLImageNeeded = [&](TObject*, const std::string& Src, TBitmap*& Image) {
        ++asked;
        if (Src == "pic") Image = &picture;
        if (change) std::exchange(change, nullptr)();
    };
    TExTreeItem* a = Items().Add(nullptr, "<html>a<img src=\"pic\">b</html>");
    Tree->SetMultiSelect(true);
    a->ColumnText()->Add("<html><img src=\"pic\"></html>");
    a->SetIsHTML(true);
    asked = 0;
    auto green = [&](int X1, int X2) {
        Repaint();
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = X1; x < X2; ++x) n += Peek(x, y) == Rgb(clGreen);
        return n;
    };
    EXPECT_GT(green(0, 120), 0) << "the main text's picture";
    EXPECT_GT(green(120, 240), 0) << "the column's picture";
    EXPECT_GT(asked, 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        change = [&] {
            a->SetText(round ? "<html>no picture</html>" : "<html>c<img src=\"pic\">d</html>");
            a->ColumnText()->Put(0, round ? "<html>none</html>" : "<html>e<img src=\"pic\"></html>");
        };
        Repaint();
        EXPECT_EQ(change, nullptr) << "the handler ran";
        EXPECT_EQ(green(0, 120) > 0, round == 0);
        EXPECT_EQ(green(120, 240) > 0, round == 0);
    }
    a->SetText("<html><img src=\"pic\"></html>");
    a->SetSelected(true);
    Tree->SetDragImageMode(dimOne);
    View()->FillDragImage();
    ASSERT_NE(View()->GetDragImages(), nullptr);
    TBitmap drag;
    drag.SetSize(View()->GetDragImages()->Width(), View()->GetDragImages()->Height());
    View()->GetDragImages()->Draw(drag.Canvas(), 0, 0, 0);
    int dragGreen = 0;
    for (int y = 0; y < drag.Height(); ++y)
        for (int x = 0; x < drag.Width(); ++x) dragGreen += ColorToRGB(drag.Canvas()->Pixels(x, y)) == Rgb(clGreen);
    EXPECT_GT(dragGreen, 0) << "the drag image's picture";
    // Two rows in the image: the first one's pictures' handler deletes both.
    Items().Add(nullptr, "below")->SetSelected(true);
    Tree->SetDragImageMode(dimAll);
    change = [&] { Items().Clear(); };
    View()->FillDragImage();
    EXPECT_EQ(Items().Count(), 0);
    auto add = [&] { Items().Add(nullptr, "<html><img src=\"pic\"></html>")->SetIsHTML(true); };
    add();
    change = add;
    Repaint();
    ASSERT_EQ(Items().Count(), 2);
    change = [&] { Items().Item(0)->Delete(); };
    Repaint();
    EXPECT_EQ(Items().Count(), 1);
    EXPECT_GT(green(0, 120), 0);
}

// ---------------------------------------------------------------- the paint cycle

TEST_F(ViewTest, ChangesRepaintOnlyTheRowsUnlessColumnLinesCrossTheRest)
{
    Items().BeginUpdate();
    for (int i = 0; i < 4; ++i) Items().Add(nullptr, "r");
    Items().EndUpdate();
    uitest::Pump();
    View()->Clips.clear();
    Tree->SetChangeStateImage(true);
    uitest::Pump();
    ASSERT_FALSE(View()->Clips.empty());
    // The rows' area and the pixel around it.
    EXPECT_EQ(View()->Clips.back().Bottom, 4 * 17 + 1);
    // One item's change repaints its row.
    View()->Clips.clear();
    Items().Item(2)->SetColor(clRed);
    uitest::Pump();
    ASSERT_FALSE(View()->Clips.empty());
    EXPECT_EQ(View()->Clips.back().Top, 2 * 17 - 1);
    EXPECT_EQ(View()->Clips.back().Bottom, 3 * 17 + 1);
    // With vertical lines through the columns the whole view.
    Tree->Header()->Sections()->AddSection()->SetWidth(90);
    Tree->SetShowHeader(true);
    Tree->SetVerticalLines(true);
    uitest::Pump();
    View()->Clips.clear();
    Tree->SetChangeStateImage(false);
    uitest::Pump();
    ASSERT_FALSE(View()->Clips.empty());
    EXPECT_EQ(View()->Clips.back().Bottom, View()->ClientHeight());
}

TEST_F(ViewTest, BackgroundsOfEveryKind)
{
    Items().Add(nullptr, "r");
    const int y = 150;  // below the rows
    Tree->SetBkColor(clYellow);
    EXPECT_EQ(At(100, y), Rgb(clYellow));
    // A tiled picture.
    TBitmap tile;
    tile.SetSize(2, 2);
    tile.Canvas()->SetPixel(0, 0, clRed);
    tile.Canvas()->SetPixel(1, 0, clLime);
    tile.Canvas()->SetPixel(0, 1, clBlue);
    tile.Canvas()->SetPixel(1, 1, clWhite);
    Tree->SetBackground(&tile);
    Tree->SetBackgroundType(bgtTileBitmap);
    EXPECT_EQ(At(100, y), Rgb(clRed));
    EXPECT_EQ(At(101, y), Rgb(clLime));
    EXPECT_EQ(At(100, y + 1), Rgb(clBlue));
    // A gradient from top to bottom.
    Tree->SetGradientStartColor(clBlack);
    Tree->SetGradientEndColor(clWhite);
    Tree->SetBackgroundType(bgtVertGradient);
    const COLORREF top = At(100, 0), bottom = At(100, View()->ClientHeight() - 1);
    EXPECT_LT(GetRValue(top), 20);
    EXPECT_GT(GetRValue(bottom), 235);
    // Back to the colour: the picture's image goes.
    Tree->SetBackgroundType(bgtColorFill);
    EXPECT_EQ(At(100, y), Rgb(clYellow));
    EXPECT_EQ(View()->BackgroundBitmap()->Width(), 0);
}

TEST_F(ViewTest, WithHideSelectionTheFocusChangesTheSelectionsColour)
{
    Form->Show();
    auto* other = new TExTree(Form);
    other->SetParent(Form);
    other->SetBounds(400, 10, 100, 100);
    TExTreeItem* item = Items().Add(nullptr, "r");
    item->SetSelected(true);
    Tree->SetHideSelection(true);
    View()->SetFocus();
    uitest::Pump();
    Repaint();
    EXPECT_EQ(Peek(200, 8), Rgb(clHighlight));
    other->View()->SetFocus();
    uitest::Pump();
    EXPECT_EQ(Peek(200, 8), Rgb(clBtnFace)) << "repainted on leaving, without being asked";
    View()->SetFocus();
    uitest::Pump();
    EXPECT_EQ(Peek(200, 8), Rgb(clHighlight));
}

}  // namespace

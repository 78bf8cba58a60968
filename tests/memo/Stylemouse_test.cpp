// The memo's mouse: clicks, word and line selection, column blocks, drag and drop, scrolling while
// a button is held, the wheel and a span's context, driven through the toolkit's own mouse events.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/memo/MemoForm.h"
#include "tests/support/UiTest.h"

using memotest::Input_;
using memotest::PopupCommand;

namespace {

// ---------------------------------------------------------------- mouse

TEST_F(Input_, ClicksPlaceAndExtendTheCaret)
{
    int ups = 0;
    int moves = 0;
    memo->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    memo->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
    Load("one two three\r\nfour");
    TPoint p = At(4);
    Input::MouseMove(memo, p.X, p.Y);
    EXPECT_EQ(moves, 1);
    Input::Click(memo, p.X, p.Y);
    EXPECT_EQ(memo->SelStart(), 4);
    EXPECT_EQ(ups, 1);
    p = At(8);
    Input::Click(memo, p.X, p.Y, mbLeft, ssShift);
    EXPECT_EQ(memo->SelText(), "two ");
    Input::AdvanceTime(1000);
    // Below the last line: the end of the text.
    Input::Click(memo, 60, memo->ClientHeight() - 3);
    EXPECT_EQ(memo->SelStart(), memo->TextLen());
    EXPECT_EQ(memo->SelLength(), 0);
}

TEST_F(Input_, DoubleClickSelectsAWordAndDraggingGoesByWords)
{
    Load("alpha beta gamma delta");
    const TPoint p = At(8);
    Input::Click(memo, p.X, p.Y);
    Input::AdvanceTime(50);
    Input::MouseDown(memo, mbLeft, p.X, p.Y);
    EXPECT_EQ(memo->SelText(), "beta");
    // The second press held and moved on: whole words from "beta" on.
    const TPoint q = At(13);
    Input::MouseMove(memo, q.X, q.Y, ssLeft);
    Input::MouseUp(memo, mbLeft, q.X, q.Y);
    EXPECT_EQ(memo->SelText(), "beta gamma");
}

TEST_F(Input_, LeftMarginSelectsWholeLines)
{
    Load("first\r\nsecond\r\nthird");
    const int m = memo->LeftMargin() - 3;  // the margin's rightmost pixel
    const int y0 = At(0).Y;
    const int y1 = At(7).Y;
    Input::MouseMove(memo, m, y0);
    uitest::Pump();
    EXPECT_EQ(GetCursor(), Screen->Cursors(crPMRightArrow));
    Input::Click(memo, m, y0);
    EXPECT_EQ(memo->SelText(), "first\r\n");
    EXPECT_EQ(memo->SelStart(), 0);
    Input::AdvanceTime(1000);
    Input::MouseMove(memo, m, y0);
    Input::Drag(memo, m, y0, m, y1);
    EXPECT_EQ(memo->SelText(), "first\r\nsecond\r\n");
    Input::MouseMove(memo, m, y1);
    Input::Drag(memo, m, y1, m, y0);
    EXPECT_EQ(memo->SelText(), "first\r\nsecond\r\n");
    EXPECT_EQ(memo->SelStart(), 0);
    // Down from the second line and back above it in one drag: the lines left go again, and the
    // anchor line stays.
    const int y3 = At(15).Y;
    Input::MouseMove(memo, m, y1);
    Input::MouseDown(memo, mbLeft, m, y1);
    Input::MouseMove(memo, m, y3, ssLeft);
    EXPECT_EQ(memo->SelText(), "second\r\nthird");
    EXPECT_EQ(memo->SelStart(), memo->TextLen());
    Input::MouseMove(memo, m, y0, ssLeft);
    EXPECT_EQ(memo->SelText(), "first\r\nsecond\r\n");
    EXPECT_EQ(memo->SelStart(), 0);
    Input::MouseMove(memo, m, y1, ssLeft);
    EXPECT_EQ(memo->SelText(), "second\r\n");
    Input::MouseMove(memo, m, y3, ssLeft);
    Input::MouseUp(memo, mbLeft, m, y3);
    EXPECT_EQ(memo->SelText(), "second\r\nthird");
    Input::AdvanceTime(1000);
    // One pixel further right is text.
    Input::MouseMove(memo, m + 1, y1);
    Input::Click(memo, m + 1, y1);
    EXPECT_EQ(memo->SelLength(), 0);
    EXPECT_EQ(memo->SelStart(), 7);
    // A wrapped line goes alone: no paragraph break follows it.
    std::string para;
    for (int i = 0; i < 30; ++i) para += "word ";
    Load("x\r\n" + para + "\r\ny");
    TStyleNavigator second(memo);
    second.SetLineNb(2);
    TStyleNavigator third(memo);
    third.SetLineNb(3);
    ASSERT_LT(third.Pos, static_cast<Integer>(para.size()));
    const int y2 = second.GetDisplayPos().Y + memo->RowHeight() / 2;
    Input::AdvanceTime(1000);
    Input::MouseMove(memo, m, y2);
    Input::Click(memo, m, y2);
    EXPECT_EQ(memo->SelStart(), second.Pos);
    EXPECT_EQ(memo->SelLength(), third.Pos - second.Pos);
    // With line selection off the margin is text.
    memo->setOptions(memo->Options() | pmoNoLineSelection);
    Load("first\r\nsecond\r\nthird");
    Input::AdvanceTime(1000);
    Input::MouseMove(memo, 2, y1);
    Input::Click(memo, 2, y1);
    EXPECT_EQ(memo->SelLength(), 0);
    EXPECT_EQ(memo->SelStart(), 7);
}

TEST_F(Input_, DragSelectsAndAltDragSelectsAColumnBlock)
{
    Mono();
    Load("abcdef\r\nabcdef\r\nab\r\nabcdef");
    Input::Drag(memo, At(1).X, At(1).Y, At(12).X, At(12).Y);
    EXPECT_EQ(memo->SelText(), "bcdef\r\nabcd");
    EXPECT_EQ(memo->SelStart(), 12);
    // Below the last line the selection runs to the end of the text.
    memo->setSelStart(0);
    Input::Drag(memo, At(1).X, At(1).Y, At(1).X, memo->ClientHeight() - 3);
    EXPECT_EQ(memo->SelText(), "bcdef\r\nabcdef\r\nab\r\nabcdef");
    Input::AdvanceTime(1000);
    memo->setSelStart(0);
    Input::Drag(memo, At(1).X, At(1).Y, At(24).X, At(24).Y, ssAlt);
    EXPECT_TRUE(memo->BlockSelected());
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), "bcd\r\nbcd\r\nb\r\nbcd\r\n");
    // The block format carries the same text, for any program that reads it.
    Clipboard()->Open();
    HANDLE block = GetClipboardData(BlockClipboardFormat());
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(block)), "bcd\r\nbcd\r\nb\r\nbcd\r\n");
    GlobalUnlock(block);
    Clipboard()->Close();
    // Shift+click without Alt goes on as ordinary text.
    Input::Click(memo, At(3).X, At(3).Y, mbLeft, ssShift);
    EXPECT_FALSE(memo->BlockSelected());
    Input::AdvanceTime(1000);
    memo->setOptions(memo->Options() & ~pmoBlockSelection);
    memo->setSelStart(0);
    Input::AdvanceTime(1000);
    Input::Drag(memo, At(1).X, At(1).Y, At(24).X, At(24).Y, ssAlt);
    EXPECT_FALSE(memo->BlockSelected());
}

TEST_F(Input_, ShiftAltArrowsSelectAColumnBlock)
{
    Mono();
    Load("abcdef\r\nabcdef", 1);
    Input::PressKey(VK_END, ssShift | ssAlt);
    EXPECT_FALSE(memo->BlockSelected());
    EXPECT_EQ(memo->SelStart(), 1);
    Input::PressKey(VK_DOWN, ssShift | ssAlt);
    Input::PressKey(VK_RIGHT, ssShift | ssAlt);
    Input::PressKey(VK_RIGHT, ssShift | ssAlt);
    EXPECT_TRUE(memo->BlockSelected());
    EXPECT_EQ(memo->SelText(), "bc\r\nbc\r\n");
    Input::PressKey(VK_RIGHT);
    EXPECT_FALSE(memo->BlockSelected());
    // End ends a block even with Shift held.
    Input::PressKey(VK_LEFT, ssShift | ssAlt);
    ASSERT_TRUE(memo->BlockSelected());
    Input::PressKey(VK_END, ssShift);
    EXPECT_FALSE(memo->BlockSelected());
    // Codes at a block's edges: a code at the left edge is in the block, one at the right is not.
    Load("ab\2cd\2ef");
    memo->SelectBlock(2, 0, 0, 4);
    EXPECT_EQ(memo->SelText(), "\2c\r\n");
}

struct DropCase {
    const char* Name;
    Integer Target;
    TShiftState Shift;
    const char* Result;
    const char* Selected;
    Integer UndoSteps;  // to get the text back
};

const DropCase DropCases[] = {
    {"MoveToTheEnd", 13, 0, "two threeone ", "one ", 1},
    {"CopyWithCtrl", 13, ssCtrl, "one two threeone ", "one ", 1},
    {"OntoItselfOnlyMovesTheCaret", 2, 0, "one two three", "", 0},
};

class Drops : public Input_, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drops, TextSelectionAndUndo)
{
    const DropCase& c = GetParam();
    Load("one two three");
    memo->setSelLength(4);
    const TPoint a = At(1);
    const TPoint b = At(c.Target);
    Input::MouseMove(memo, a.X, a.Y);
    EXPECT_EQ(memo->Cursor(), crArrow);
    Input::Drag(memo, a.X, a.Y, b.X, b.Y, c.Shift);
    EXPECT_FALSE(memo->Dragging());
    EXPECT_EQ(Text(), c.Result);
    EXPECT_EQ(memo->SelText(), c.Selected);
    for (Integer i = 0; i < c.UndoSteps; ++i) memo->Undo();
    EXPECT_EQ(Text(), "one two three");
    EXPECT_TRUE(memotest::DeepCheck(*memo));
}

INSTANTIATE_TEST_SUITE_P(Mouse, Drops, ::testing::ValuesIn(DropCases),
                         [](const ::testing::TestParamInfo<DropCase>& i) { return std::string(i.param.Name); });

TEST_F(Input_, ADraggedTextScrollsNearTheEdgesAndDropsAfterComingBack)
{
    std::string rest;
    for (int i = 0; i < 30; ++i) rest += "\r\nline";
    Load("one two three" + rest);
    memo->setSelLength(4);
    // The press that starts the drag takes the focus from another control.
    auto* other = new TStyleMemo(form);
    other->SetParent(form);
    other->SetBounds(0, 210, 100, 50);
    other->SetFocus();
    uitest::Pump();
    ASSERT_FALSE(memo->Focused());
    const TPoint a = At(1);
    Input::MouseMove(memo, a.X, a.Y);
    Input::MouseDown(memo, mbLeft, a.X, a.Y);
    ASSERT_TRUE(memo->Dragging());
    EXPECT_TRUE(memo->Focused());
    const int cw = memo->ClientWidth();
    const int ch = memo->ClientHeight();
    struct {
        int X, Y;
        TMouseScrollType Dir;
    } const moves[] = {{-23, a.Y, msLeft}, {-24, a.Y, msNoScroll}, {cw + 23, a.Y, msRight}, {cw + 24, a.Y, msNoScroll},
                       {60, -26, msUp}, {60, -27, msNoScroll}, {-3, -10, msUp}, {-4, -10, msLeft},
                       {60, ch + 4, msDown}, {60, ch + 24, msNoScroll}};
    for (const auto& m : moves) {
        Input::MouseMove(memo, m.X, m.Y, ssLeft);
        EXPECT_EQ(memo->AutoScrollDirection(), m.Dir) << m.X << "," << m.Y;
    }
    // Outside the window Ctrl changes nothing; inside it shows whether the text would be copied.
    Input::MouseMove(memo, 60, -40, ssLeft);
    EXPECT_EQ(Screen->Cursor(), crNoDrop);
    Input::PressKey(VK_CONTROL);
    EXPECT_EQ(Screen->Cursor(), crNoDrop);
    const TPoint b = At(13);
    Input::MouseMove(memo, b.X, b.Y, ssLeft);
    EXPECT_EQ(Screen->Cursor(), crDrag);
    Input::KeyDown(VK_CONTROL, ssCtrl);
    EXPECT_EQ(Screen->Cursor(), crDragCopy);
    Input::KeyUp(VK_CONTROL);
    EXPECT_EQ(Screen->Cursor(), crDrag);
    Input::MouseUp(memo, mbLeft, b.X, b.Y);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(Text(), "two threeone " + rest);
}

TEST_F(Input_, APressOnTheSelectionDragsItUnlessDragAndDropIsOff)
{
    // The mouse rested there before the text under it was selected: the press itself sees the selection.
    Load("one two three");
    Input::MouseMove(memo, At(1).X, At(1).Y);
    memo->setSelLength(4);
    Input::Drag(memo, At(1).X, At(1).Y, At(13).X, At(13).Y);
    EXPECT_EQ(Text(), "two threeone ");
    memo->setOptions(memo->Options() | pmoNoDragnDrop);
    Load("one two three");
    memo->setSelLength(4);
    Input::MouseMove(memo, At(1).X, At(1).Y);
    Input::Drag(memo, At(1).X, At(1).Y, At(6).X, At(6).Y);
    EXPECT_EQ(Text(), "one two three");
    EXPECT_EQ(memo->SelText(), "ne tw");
}

TEST_F(Input_, AutoScrollRunsOnATimerWhileTheMouseIsHeldBelow)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + "\r\n";
    Load(text);
    const int ch = memo->ClientHeight();
    Input::MouseDown(memo, mbLeft, 20, 5);
    // Each distance below the window has its interval; a step then scrolls one line.
    const std::pair<int, Integer> speeds[] = {{1, 400}, {4, 400}, {7, 300}, {9, 200}, {12, 130},
                                              {15, 78}, {18, 48}, {21, 30}, {40, 10}};
    for (const auto& [below, interval] : speeds) {
        Input::MouseMove(memo, 20, ch + below, ssLeft);
        EXPECT_EQ(memo->AutoScrollDirection(), msDown) << below;
        EXPECT_EQ(memo->AutoScrollInterval(), interval) << below;
    }
    ASSERT_TRUE(uitest::PumpUntil([&] { return memo->TopLine() >= 5; }, 3000));
    EXPECT_LT(memo->SelLength(), -100);
    Input::MouseMove(memo, 20, 40, ssLeft);
    EXPECT_EQ(memo->AutoScrollInterval(), -1);
    Input::MouseMove(memo, -30, 40, ssLeft);
    EXPECT_EQ(memo->AutoScrollDirection(), msLeft);
    Input::MouseMove(memo, 20, -10, ssLeft);
    EXPECT_EQ(memo->AutoScrollDirection(), msUp);
    EXPECT_EQ(memo->AutoScrollInterval(), 200);
    Input::MouseUp(memo, mbLeft, 20, -10);
    EXPECT_EQ(memo->AutoScrollInterval(), -1);
    const Integer top = memo->TopLine();
    uitest::Pump(100);
    EXPECT_EQ(memo->TopLine(), top);
    // Scrolled to the end, the text stops inside the window: below it there is nothing to scroll to.
    memo->setTopLine(memo->LineCount() - memo->VisibleLines() + 1);
    Input::AdvanceTime(1000);
    Input::MouseDown(memo, mbLeft, 20, 5);
    Input::MouseMove(memo, 20, ch + 30, ssLeft);
    EXPECT_EQ(memo->AutoScrollDirection(), msNoScroll);
    Input::MouseUp(memo, mbLeft, 20, ch + 30);
}

TEST_F(Input_, LosingTheMouseEndsAutoScroll)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line\r\n";
    Load(text);
    Input::MouseDown(memo, mbLeft, 20, 5);
    Input::MouseMove(memo, 20, memo->ClientHeight() + 40, ssLeft);
    EXPECT_EQ(memo->AutoScrollInterval(), 10);
    SendMessage(memo->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(memo->AutoScrollInterval(), -1);
    const Integer top = memo->TopLine();
    uitest::Pump(50);
    EXPECT_EQ(memo->TopLine(), top);
}

TEST_F(Input_, WheelScrollsByFactorAndKeepsTheRemainder)
{
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line\r\n";
    Load(text);
    memo->setTopLine(10);
    Input::Wheel(memo, -120, 20, 20);
    EXPECT_EQ(memo->TopLine(), 13);
    Input::Wheel(memo, 120, 20, 20);
    EXPECT_EQ(memo->TopLine(), 10);
    memo->setMouseWheelFactor(1);
    Input::Wheel(memo, -40, 20, 20);
    Input::Wheel(memo, -40, 20, 20);
    EXPECT_EQ(memo->TopLine(), 10);
    Input::Wheel(memo, -40, 20, 20);
    EXPECT_EQ(memo->TopLine(), 11);
}

TEST_F(Input_, AClickOnASpanWithAContextReportsItsExtent)
{
    Load("see the link here");
    memo->SetDynStyle(8, 12, 0, false, 42, crHandPoint, 0, 0);
    std::vector<Integer> got;
    memo->OnContext = [&](TObject*, Integer Context, Integer Start, Integer Stop) { got = {Context, Start, Stop}; };
    Input::MouseMove(memo, At(10).X, At(10).Y);
    EXPECT_EQ(memo->Cursor(), crHandPoint);
    Input::Click(memo, At(10).X, At(10).Y);
    EXPECT_EQ(got, (std::vector<Integer>{42, 8, 12}));
    Input::MouseMove(memo, At(2).X, At(2).Y);
    EXPECT_EQ(memo->Cursor(), crIBeam);
}
}  // namespace

namespace {

// The pixels of the top of a display row, and the x range where they differ from an earlier look.
std::vector<COLORREF> RowPixels(TStyleMemo* M, Integer Row)
{
    M->Invalidate();
    M->Update();
    HDC dc = GetDC(M->Handle());
    std::vector<COLORREF> r;
    for (int x = 0; x < M->ClientWidth(); ++x) r.push_back(GetPixel(dc, x, M->LinePos(Row) + 2));
    ReleaseDC(M->Handle(), dc);
    return r;
}

std::pair<int, int> ChangedRange(const std::vector<COLORREF>& Before, const std::vector<COLORREF>& After)
{
    int a = -1;
    int b = -1;
    for (size_t x = 0; x < Before.size(); ++x)
        if (Before[x] != After[x]) {
            if (a < 0) a = static_cast<int>(x);
            b = static_cast<int>(x) + 1;
        }
    return {a, b};
}

// The offset in a display line whose character border stands at client x, or -1.
Integer OffsetAt(TStyleMemo* M, Integer Par, Integer X)
{
    ParInfo* par = M->ParList()->At(Par);
    for (Integer k = 0; k <= par->Len; ++k)
        if (M->ColPos(par, Par, k, 0) == X) return k;
    return -1;
}

}  // namespace

// A column block dragged with Alt in a proportional font: each line's selected characters are
// those painted selected, copy and delete take exactly those, and one undo step gives them back.
TEST_F(Input_, ColumnBlocksInAProportionalFontActOnWhatIsPainted)
{
    memo->Font()->SetName("DejaVu Sans");
    memo->setWordWrap(false);
    uitest::Pump();
    const std::vector<std::string> rows = {"abcdefghijklmn", "ABCDEFGHIJKLMN", "0123456789WWii", "il"};
    Load(rows[0] + "\r\n" + rows[1] + "\r\n" + rows[2] + "\r\n" + rows[3]);
    std::vector<std::vector<COLORREF>> plain;
    for (Integer r = 0; r < 4; ++r) plain.push_back(RowPixels(memo, r));
    // From the middle of "c" on the first row to the middle of "6" on the third, then on down to the
    // fourth row, which ends left of the block.
    const TPoint from = At(2);
    TPoint to = At(static_cast<Integer>(rows[0].size() + 2 + rows[1].size() + 2 + 7));
    to.X -= 2;
    Input::Drag(memo, from.X + 2, from.Y, to.X, to.Y + memo->RowHeight(), ssAlt);
    ASSERT_TRUE(memo->BlockSelected());
    const std::string selected = memo->SelText();
    std::vector<std::string> pieces;
    for (Integer r = 0; r < 4; ++r) {
        const auto [a, b] = ChangedRange(plain[static_cast<size_t>(r)], RowPixels(memo, r));
        ASSERT_GE(a, 0) << "row " << r << " shows no selection";
        const Integer ka = OffsetAt(memo, r, a);
        const Integer kb = OffsetAt(memo, r, b);
        if (r < 3) {
            ASSERT_GE(ka, 0) << "row " << r << ": the selection starts inside a character";
            ASSERT_GE(kb, 0) << "row " << r << ": the selection ends inside a character";
            pieces.push_back(rows[static_cast<size_t>(r)].substr(static_cast<size_t>(ka), static_cast<size_t>(kb - ka)));
        } else {
            // Wholly right of the short row's text: nothing of it is selected.
            EXPECT_GT(a, memo->ColPos(memo->ParList()->At(3), 3, 2, 0));
            pieces.push_back("");
        }
    }
    EXPECT_EQ(selected, pieces[0] + "\r\n" + pieces[1] + "\r\n" + pieces[2] + "\r\n" + pieces[3] + "\r\n");
    // The system's selection colours fill the same places.
    std::vector<std::pair<int, int>> inverted;
    for (Integer r = 0; r < 4; ++r) inverted.push_back(ChangedRange(plain[static_cast<size_t>(r)], RowPixels(memo, r)));
    memo->setOptions(memo->Options() | pmoWindowsSelColors);
    for (Integer r = 0; r < 4; ++r)
        EXPECT_EQ(ChangedRange(plain[static_cast<size_t>(r)], RowPixels(memo, r)), inverted[static_cast<size_t>(r)]) << "row " << r;
    memo->setOptions(memo->Options() & ~pmoWindowsSelColors);
    EXPECT_FALSE(pieces[0].empty());
    EXPECT_NE(pieces[0].size(), pieces[2].size());  // the rows' characters differ in width
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(), selected);
    const Integer undo = memo->UndoCount();
    Input::PressKey(VK_DELETE);
    for (Integer r = 0; r < 4; ++r) {
        std::string expect = rows[static_cast<size_t>(r)];
        const size_t at = expect.find(pieces[static_cast<size_t>(r)]);
        expect.erase(at, pieces[static_cast<size_t>(r)].size());
        EXPECT_EQ(memo->Paragraphs(r), expect) << "row " << r;
    }
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(Text(), rows[0] + "\r\n" + rows[1] + "\r\n" + rows[2] + "\r\n" + rows[3]);
    EXPECT_EQ(memo->UndoLevel(), undo);
    EXPECT_TRUE(memotest::DeepCheck(*memo));
    // An edge inside the first character of a word after a blank takes that character; an edge
    // three columns past a paragraph's end lies three blank widths beyond its text.
    Load("WWWWWW\r\ni Wxyz");
    memo->SelectBlock(1, 0, 1, 9);
    ASSERT_TRUE(memo->BlockSelected());
    ParInfo* wide = memo->ParList()->At(0);
    ParInfo* mixed = memo->ParList()->At(1);
    const Integer e1 = memo->ColPos(wide, 0, 1, 0);
    const Integer blank = memo->ColPos(mixed, 1, 2, 0) - memo->ColPos(mixed, 1, 1, 0);
    const Integer e2 = memo->ColPos(mixed, 1, 6, 0) + 3 * blank;
    ASSERT_GT(e1, memo->ColPos(mixed, 1, 2, 0));
    ASSERT_LT(e1, memo->ColPos(mixed, 1, 3, 0));
    Integer k = 1;
    while (k < 6 && memo->ColPos(wide, 0, k + 1, 0) <= e2) ++k;
    EXPECT_EQ(memo->SelText(), std::string(static_cast<size_t>(k - 1), 'W') + "\r\nWxyz\r\n");
    // A block pasted at the caret goes into each paragraph at the caret's pixel column.
    Load("WWW\r\n" + std::string(20, 'i'));
    const Integer caretAt = memo->ColPos(memo->ParList()->At(0), 0, 3, 0);
    Integer narrow = 0;
    while (memo->ColPos(memo->ParList()->At(1), 1, narrow + 1, 0) <= caretAt) ++narrow;
    ASSERT_GT(narrow, 3);
    memo->setSelStart(3);
    memo->InsertBlock("AB\r\nCD\r\n");
    EXPECT_EQ(memo->Paragraphs(0), "WWWAB");
    EXPECT_EQ(memo->Paragraphs(1), std::string(static_cast<size_t>(narrow), 'i') + "CD" +
                                       std::string(static_cast<size_t>(20 - narrow), 'i'));
}

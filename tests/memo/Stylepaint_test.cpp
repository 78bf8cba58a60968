// The memo's painting on the control's backing image: style runs, highlight colours, the selection
// and its ends, paragraph colours, a background picture, the special underline, and a paint that
// arrives while updates are locked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/memo/MemoForm.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

class Painting : public Control {
protected:
    void SetUp() override
    {
        Control::SetUp();
        memo->SetColor(clWhite);
        memo->Font()->SetColor(clBlack);
        memo->setHTColor(clRed);
        memo->setHBColor(clYellow);
        memo->setHideSelection(false);
        memo->EndOfTextMark()->SetColor(clNone);
    }
    // x of a column of the first paragraph's first line.
    Integer X(Integer Col) { return memo->ColPos(nullptr, 0, Col, 0); }
    // How many pixels of the rectangle have exactly this colour.
    int Count(const TRect& r, COLORREF c)
    {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) n += Pixel(x, y) == c;
        return n;
    }
    bool Ink(const TRect& r)
    {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                const COLORREF c = Pixel(x, y);
                if (GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128) return true;
            }
        return false;
    }
    TRect Row(Integer From, Integer To, Integer Line = 0)
    {
        const Integer h = memo->RowHeight();
        return TRect{From, Line * h, To, Line * h + h};
    }
};

}  // namespace

// Style runs are drawn where they are measured; highlight colours fill their run only.
TEST_F(Painting, StyleRunsAndHighlight)
{
    memo->setSelText("ab \2bold\2 \3HIGH\3 c\2d\2");
    memo->setSelStart(0);
    Paint();
    // The bold run is as wide as the bold font measures it.
    LOGFONT lf;
    memo->SetupLogFontStyle(lf, memo->AttrToExtFontStyles(1u << xfsBold, 0));
    HFONT bold = CreateFontIndirect(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bold);
    SIZE sz{};
    GetTextExtentPoint32(dc, "bold", 4, &sz);
    SIZE d{};
    GetTextExtentPoint32(dc, "d", 1, &d);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bold);
    EXPECT_EQ(X(8) - X(4), sz.cx);
    EXPECT_GT(sz.cx, Measure(memo, "bold"));
    EXPECT_TRUE(Ink(Row(X(4), X(8))));
    // Highlight: yellow behind its four letters and red ink, nothing yellow elsewhere.
    const TRect hl = Row(X(11), X(15));
    EXPECT_GT(Count(hl, RGB(255, 255, 0)), hl.Width() * hl.Height() / 3);
    bool red = false;
    for (int y = hl.Top; y < hl.Bottom && !red; ++y)
        for (int x = hl.Left; x < hl.Right && !red; ++x) {
            const COLORREF c = Pixel(x, y);
            red = GetRValue(c) > 200 && GetGValue(c) < 120 && GetBValue(c) < 120;
        }
    EXPECT_TRUE(red);
    EXPECT_EQ(Count(Row(0, X(11) - 1), RGB(255, 255, 0)), 0);
    EXPECT_EQ(Count(Row(X(15) + 1, memo->ClientWidth()), RGB(255, 255, 0)), 0);
    // Style codes take no room: the blank after the bold run follows at once. A code right after
    // a single letter still switches the style.
    EXPECT_EQ(X(9), X(8));
    EXPECT_EQ(X(19), X(18));
    EXPECT_EQ(X(20) - X(19), d.cx);
}

// The selection is inverted over its characters; a selected paragraph end shows a small box.
TEST_F(Painting, SelectionAndEndOfParagraphBox)
{
    memo->setSelText("ab cd\r\nef");
    Select(*memo, 3, 5);  // "cd", the break and "e"
    Paint();
    const Integer h = memo->RowHeight();
    const TRect sel = Row(X(3), X(5));
    EXPECT_GT(Count(sel, RGB(0, 0, 0)), sel.Width() * sel.Height() / 2);
    EXPECT_GT(Count(Row(0, X(3)), RGB(255, 255, 255)), X(3) * h / 2);
    const Integer boxX = X(5);
    const Integer box = memo->BlankWidth() / 2 + 1;
    EXPECT_EQ(Pixel(boxX + box / 2, h / 2), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(boxX + box / 2, 1), RGB(255, 255, 255));  // only the middle third
    EXPECT_EQ(Pixel(boxX + box + 1, h / 2), RGB(255, 255, 255));
    memo->setShowEndParSelected(false);
    Paint();
    EXPECT_EQ(Pixel(boxX + box / 2, h / 2), RGB(255, 255, 255));
    // With the full-line option the selected line is inverted to the right edge.
    memo->setOptions(memo->Options() | pmoFullLineSelect);
    Paint();
    EXPECT_EQ(Pixel(memo->ClientWidth() - 2, h / 2), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(memo->ClientWidth() - 2, h + h / 2), RGB(255, 255, 255));  // "e" ends inside its line
}

// A background picture is tiled behind the text and below it; a paragraph colour replaces it.
TEST_F(Painting, BackgroundPictureAndParagraphColours)
{
    memo->setSelText("ab\r\ncd");
    TBitmap green;
    green.SetSize(8, 8);
    green.Canvas()->Brush()->SetColor(clLime);
    green.Canvas()->FillRect(TRect{0, 0, 8, 8});
    TPicture pic;
    pic.SetBitmap(&green);
    memo->setBackground(&pic);
    memo->setParBackgnd(1, clYellow);
    Paint();
    const Integer h = memo->RowHeight();
    EXPECT_EQ(Pixel(200, h / 2), RGB(0, 255, 0));
    EXPECT_EQ(Pixel(200, h + h / 2), RGB(255, 255, 0));
    EXPECT_EQ(Pixel(200, 5 * h), RGB(0, 255, 0));
    TPicture none;
    memo->setBackground(&none);
    Paint();
    EXPECT_EQ(Pixel(200, 5 * h), RGB(255, 255, 255));
}

// A paint that arrives while updates are locked is owed, not lost.
TEST_F(Painting, APaintDuringAnUpdateIsDoneAfterIt)
{
    memo->setSelText("ab");
    Paint();
    memo->Lines()->BeginUpdate();
    memo->setParBackgnd(0, clYellow);
    memo->Update();
    memo->Lines()->EndUpdate();
    memo->Update();
    EXPECT_EQ(Pixel(200, memo->RowHeight() / 2), RGB(255, 255, 0));
}

TEST(Zigzag, DrawsTwoPixelStepsAndEndsOnItsSlope)
{
    TBitmap b;
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(TRect{0, 0, 16, 16});
    HDC dc = b.Canvas()->Handle();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    DrawZigzagLine(dc, 0, 9, 10);
    SelectObject(dc, old);
    DeleteObject(pen);
    const TPoint on[] = {{0, 12}, {1, 11}, {2, 10}, {3, 11}, {4, 12}, {6, 10}, {8, 12}, {9, 11}};
    for (const TPoint& p : on) EXPECT_EQ(GetPixel(dc, p.X, p.Y), RGB(0, 0, 0)) << p.X << "," << p.Y;
    for (const TPoint& p : {TPoint{10, 10}, TPoint{9, 12}, TPoint{2, 12}, TPoint{0, 10}})
        EXPECT_EQ(GetPixel(dc, p.X, p.Y), RGB(255, 255, 255)) << p.X << "," << p.Y;
}

TEST_F(Painting, ParagraphColoursMarginsAndSystemSelectionColours)
{
    memo->setSelText("abc def\r\nghi");
    memo->setParForegnd(1, clRed);
    memo->setSelStart(0);
    Paint();
    const Integer h = memo->RowHeight();
    auto redInk = [&](const TRect& r) {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                const COLORREF c = Pixel(x, y);
                if (GetRValue(c) > 200 && GetGValue(c) < 100) return true;
            }
        return false;
    };
    EXPECT_TRUE(redInk(Row(0, memo->ClientWidth(), 1)));
    EXPECT_FALSE(redInk(Row(0, memo->ClientWidth(), 0)));
    // A new margin moves the text at once.
    memo->setLeftMargin(40);
    memo->Update();
    EXPECT_FALSE(Ink(Row(0, 38)));
    EXPECT_TRUE(Ink(Row(40, 60)));
    // The system's selection colours: the selected part filled, its text in the selection colour.
    memo->setOptions(memo->Options() | pmoWindowsSelColors);
    memo->setSelBackColor(clLime);
    memo->setSelTextColor(clWhite);
    Select(*memo, 4, 3);
    Paint();
    const TRect sel = Row(X(4), X(7));
    EXPECT_GT(Count(sel, RGB(0, 255, 0)), sel.Width() * h / 2);
    EXPECT_EQ(Count(Row(X(7) + 1, memo->ClientWidth()), RGB(0, 255, 0)), 0);
    EXPECT_EQ(Count(Row(0, X(4) - 1), RGB(0, 255, 0)), 0);
    // Scrolled sideways, the fill moves with the text.
    memo->setWordWrap(false);
    memo->setDisplayLeft(20);
    Paint();
    EXPECT_GT(Count(Row(X(4), X(7)), RGB(0, 255, 0)), (X(7) - X(4)) * h / 2);
    EXPECT_EQ(Count(Row(X(7) + 1, memo->ClientWidth()), RGB(0, 255, 0)), 0);
}

// A selection that ends inside the next line stops there; one that ends at its paragraph's end
// shows no box for the end.
TEST_F(Painting, SelectionEnds)
{
    memo->setSelText("ab cd\r\nefgh");
    Select(*memo, 1, 7);  // "b cd", the break, "e"
    Paint();
    const Integer h = memo->RowHeight();
    const Integer e = memo->ColPos(nullptr, 1, 1, 0);
    const Integer end = memo->ColPos(nullptr, 1, 4, 0);
    EXPECT_LT(Count(Row(e + 1, end, 1), RGB(0, 0, 0)), (end - e) * h / 4);
    EXPECT_GT(Count(Row(memo->LeftMargin(), e, 1), RGB(0, 0, 0)), (e - memo->LeftMargin()) * h / 2);
    Select(*memo, 3, 2);  // "cd", up to the paragraph end
    Paint();
    EXPECT_EQ(Pixel(X(5) + 1, h / 2), RGB(255, 255, 255));
    EXPECT_LT(Count(Row(memo->LeftMargin(), memo->ClientWidth(), 1), RGB(0, 0, 0)), memo->ClientWidth() * h / 8);
    // Moving the caret takes the selection off the screen at the next paint.
    memo->setSelStart(0);
    memo->Update();
    EXPECT_LT(Count(Row(X(3), X(5)), RGB(0, 0, 0)), (X(5) - X(3)) * h / 4);
    // Switching the selection's look shows at the next paint: the system colours fill it, a full
    // line selection runs to the window's edge, and back.
    Select(*memo, 1, 2);
    Paint();
    const COLORREF fill = ColorToRGB(memo->SelBackColor());
    const TRect past{X(5) + 4, 0, memo->ClientWidth() - 2, h};
    memo->setOptions(memo->Options() | pmoWindowsSelColors);
    memo->Update();
    EXPECT_GT(Count(Row(X(1), X(3)), fill), (X(3) - X(1)) * h / 2);
    Select(*memo, 1, 6);  // on over the break into the next line
    Paint();
    EXPECT_EQ(Count(past, fill), 0);
    memo->setOptions(memo->Options() | pmoFullLineSelect);
    memo->Update();
    EXPECT_EQ(Count(past, fill), past.Width() * past.Height());
    memo->setOptions(memo->Options() & ~(pmoWindowsSelColors | pmoFullLineSelect));
    memo->Update();
    EXPECT_EQ(Count(past, fill), 0);
    EXPECT_LT(Count(Row(X(1), X(3)), fill), (X(3) - X(1)) * h / 4);
}

// With HideSelection the selection shows only while the memo has the focus; the dialog code asks
// for TAB only when the memo takes input.
TEST_F(Painting, FocusShowsAndHidesTheSelection)
{
    auto* other = new TStyleMemo(form);
    other->SetParent(form);
    other->SetBounds(0, 210, 100, 40);
    memo->setSelText("ab cd");
    memo->setHideSelection(true);
    Select(*memo, 3, 2);
    const Integer h = memo->RowHeight();
    other->SetFocus();
    uitest::Pump();
    memo->Update();
    const TRect sel = Row(X(3), X(5));
    EXPECT_LT(Count(sel, RGB(0, 0, 0)), sel.Width() * h / 4);
    memo->SetFocus();
    uitest::Pump();
    memo->Update();
    EXPECT_TRUE(memo->Focused());
    POINT caret{};
    EXPECT_TRUE(GetCaretPos(&caret));  // the focused memo owns the caret, at its anchor
    EXPECT_EQ(caret.X, memo->CaretXY().X);
    EXPECT_GT(Count(sel, RGB(0, 0, 0)), sel.Width() * h / 2);
    other->SetFocus();
    uitest::Pump();
    memo->Update();
    EXPECT_LT(Count(sel, RGB(0, 0, 0)), sel.Width() * h / 4);
    memo->setDisplayOnly(true);
    memo->SetFocus();
    uitest::Pump();
    EXPECT_FALSE(GetCaretPos(&caret));  // a viewer has no caret
    memo->setDisplayOnly(false);

    EXPECT_EQ(memo->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTTAB);
    memo->setDisplayOnly(true);
    EXPECT_EQ(memo->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS);
}

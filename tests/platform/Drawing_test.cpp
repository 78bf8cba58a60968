// More of the drawing layer: pen modes and brush styles through the canvas, shapes, regions and
// clipping modes, coordinate origins, stretching and transparent blits, text output options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/Graphics.h"
#include "platform/WinGdi.h"

namespace {

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bmp.SetSize(40, 30);
        c = bmp.Canvas();
    }
    int Count(TColor col, TRect r = {0, 0, 40, 30})
    {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                n += c->Pixels(x, y) == col;
        return n;
    }
    TBitmap bmp;
    TCanvas* c = nullptr;
};

TEST_F(CanvasTest, PenModesCombineWithTheSurface)
{
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 40, 30));
    c->Pen()->SetMode(pmNot);
    c->MoveTo(0, 0);
    c->LineTo(10, 0);
    EXPECT_EQ(c->Pixels(5, 0), TColor(0xFFFF00));  // the inverse of red
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(0, 1);
    c->LineTo(10, 1);
    EXPECT_EQ(c->Pixels(5, 1), TColor(0xFFFF00));
    c->MoveTo(0, 1);
    c->LineTo(10, 1);
    EXPECT_EQ(c->Pixels(5, 1), clRed);
    c->Pen()->SetMode(pmBlack);
    c->MoveTo(0, 2);
    c->LineTo(10, 2);
    EXPECT_EQ(c->Pixels(5, 2), clBlack);
    c->Pen()->SetMode(pmNop);
    c->MoveTo(0, 3);
    c->LineTo(10, 3);
    EXPECT_EQ(c->Pixels(5, 3), clRed);
    c->Pen()->SetMode(pmMask);
    c->Pen()->SetColor(TColor(0x0000F0));
    c->MoveTo(0, 4);
    c->LineTo(10, 4);
    EXPECT_EQ(c->Pixels(5, 4), TColor(0x0000F0));
}

TEST_F(CanvasTest, ClearPenAndBrush)
{
    c->Brush()->SetStyle(bsClear);
    c->Pen()->SetColor(clBlue);
    c->Rectangle(2, 2, 12, 12);
    EXPECT_EQ(Count(clBlue), 4 * 9);
    EXPECT_EQ(c->Pixels(5, 5), clWhite);
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clGreen);  // a colour makes the brush solid again
    EXPECT_EQ(c->Brush()->Style(), bsSolid);
    c->Rectangle(20, 2, 30, 12);
    EXPECT_EQ(Count(clGreen, Rect(20, 2, 30, 12)), 9 * 9);
}

TEST_F(CanvasTest, HatchedBrushesAndBackgroundMode)
{
    c->Brush()->SetColor(clBlack);
    c->Brush()->SetStyle(bsHorizontal);
    c->FillRect(Rect(0, 0, 16, 16));
    // One line of every eight rows carries the hatch.
    EXPECT_EQ(Count(clBlack, Rect(0, 0, 16, 16)), 2 * 16);
    int lineRow = c->Pixels(0, 4) == clBlack ? 4 : -1;
    EXPECT_EQ(lineRow, 4);
    c->Brush()->SetStyle(bsCross);
    c->FillRect(Rect(20, 0, 28, 8));
    EXPECT_EQ(Count(clBlack, Rect(20, 0, 28, 8)), 8 + 8 - 1);
}

TEST_F(CanvasTest, PatternBrushTilesFromTheBrushOrigin)
{
    TBitmap pat;
    pat.SetSize(2, 2);
    pat.Canvas()->SetPixel(0, 0, clRed);
    pat.Canvas()->SetPixel(1, 1, clRed);
    c->Brush()->SetBitmap(&pat);
    c->FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(Count(clRed, Rect(0, 0, 10, 10)), 50);
    EXPECT_EQ(c->Pixels(0, 0), clRed);
    EXPECT_EQ(c->Pixels(1, 0), clWhite);
    c->Brush()->SetBitmap(nullptr);
}

TEST_F(CanvasTest, EllipseAndPolygonFillInsideTheirBounds)
{
    c->Brush()->SetColor(clRed);
    c->Pen()->SetColor(clRed);
    c->Ellipse(4, 4, 24, 24);
    EXPECT_EQ(c->Pixels(14, 14), clRed);
    EXPECT_EQ(c->Pixels(4, 4), clWhite);   // corners stay outside the curve
    EXPECT_EQ(c->Pixels(24, 14), clWhite);  // right edge is exclusive
    EXPECT_EQ(c->Pixels(4, 14), clRed);
    c->Brush()->SetColor(clBlue);
    c->Pen()->SetColor(clBlue);
    c->Polygon({{28, 2}, {38, 2}, {38, 12}});
    EXPECT_EQ(c->Pixels(36, 4), clBlue);
    EXPECT_EQ(c->Pixels(29, 10), clWhite);
}

TEST_F(CanvasTest, WidePensDrawAroundThePath)
{
    c->Pen()->SetWidth(3);
    c->Pen()->SetColor(clBlack);
    c->MoveTo(5, 10);
    c->LineTo(30, 10);
    EXPECT_EQ(c->Pixels(15, 9), clBlack);
    EXPECT_EQ(c->Pixels(15, 11), clBlack);
    EXPECT_EQ(c->Pixels(15, 13), clWhite);
}

TEST_F(CanvasTest, TextRectClipsAndFillsWithTheBrush)
{
    c->Brush()->SetColor(clYellow);
    c->Font()->SetColor(clBlack);
    c->TextRect(Rect(5, 5, 15, 20), 5, 5, "WWWWWWWW");
    EXPECT_EQ(c->Pixels(16, 8), clWhite);  // nothing past the rectangle
    EXPECT_GT(Count(clYellow, Rect(5, 5, 15, 20)) + Count(clBlack, Rect(5, 5, 15, 20)), 0);
    // The pen position follows TextOut.
    c->TextOut(2, 22, "ab");
    EXPECT_EQ(c->PenPos(), (TPoint{2 + c->TextWidth("ab"), 22}));
}

TEST_F(CanvasTest, TheHandleCarriesTheCanvasFontPenAndBrush)
{
    // Text drawn through the handle has the canvas font's width and colour.
    c->Font()->SetHeight(-11);
    c->Font()->SetColor(clBlue);
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 40, 30));
    RECT r{0, 0, 40, 30};
    DrawText(c->Handle(), "TTTT", 4, &r, DT_SINGLELINE | DT_NOPREFIX);
    int left = 40, right = -1, notBlue = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            COLORREF p = ColorToRGB(c->Pixels(x, y));
            if (p == RGB(255, 255, 255))
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            notBlue += GetBValue(p) <= GetRValue(p);
        }
    ASSERT_GE(right, left);
    EXPECT_EQ(notBlue, 0);
    EXPECT_LE(right - left + 1, c->TextWidth("TTTT") + 1);
    EXPECT_GE(right - left + 1, c->TextWidth("TTTT") - 2);
    // A pen change reaches the handle too.
    c->Pen()->SetColor(clRed);
    MoveToEx(c->Handle(), 0, 28, nullptr);
    ::LineTo(c->Handle(), 10, 28);
    EXPECT_EQ(c->Pixels(5, 28), clRed);
    // Modes set on the handle hold for the canvas's next text until an object changes.
    c->Brush()->SetColor(clYellow);
    c->FillRect(Rect(0, 0, 40, 30));
    SetBkMode(c->Handle(), TRANSPARENT);
    c->TextOut(0, 0, "MM");
    EXPECT_EQ(Count(clWhite), 0);
    EXPECT_GT(Count(clYellow, Rect(0, 0, c->TextWidth("MM"), c->TextHeight("M"))), 0);
    c->Brush()->SetColor(clWhite);
    c->TextOut(0, 15, "MM");
    EXPECT_GT(Count(clWhite, Rect(0, 15, c->TextWidth("MM"), 15 + c->TextHeight("M"))), 0);
}

TEST_F(CanvasTest, StretchDrawScalesEveryPixel)
{
    TBitmap small;
    small.SetSize(2, 2);
    small.Canvas()->SetPixel(0, 0, clRed);
    small.Canvas()->SetPixel(1, 1, clBlue);
    c->StretchDraw(Rect(0, 0, 8, 8), &small);
    EXPECT_EQ(Count(clRed, Rect(0, 0, 8, 8)), 16);
    EXPECT_EQ(Count(clBlue, Rect(0, 0, 8, 8)), 16);
    EXPECT_EQ(c->Pixels(3, 3), clRed);
    EXPECT_EQ(c->Pixels(4, 4), clBlue);
    EXPECT_EQ(c->Pixels(8, 8), clWhite);
}

TEST_F(CanvasTest, BrushCopyLeavesOneColourOut)
{
    TBitmap src;
    src.SetSize(4, 4);
    src.Canvas()->Brush()->SetColor(clLime);
    src.Canvas()->FillRect(Rect(0, 0, 4, 4));
    src.Canvas()->SetPixel(2, 2, clRed);
    c->Brush()->SetColor(clNavy);
    c->FillRect(Rect(0, 0, 10, 10));
    c->BrushCopy(Rect(1, 1, 5, 5), &src, Rect(0, 0, 4, 4), clLime);
    EXPECT_EQ(c->Pixels(3, 3), clRed);
    EXPECT_EQ(c->Pixels(1, 1), clNavy);
}

TEST_F(CanvasTest, LockCountsNestedBrackets)
{
    c->Lock();
    c->Lock();
    EXPECT_EQ(c->LockCount(), 2);
    c->Unlock();
    c->Unlock();
    c->Unlock();
    EXPECT_EQ(c->LockCount(), 0);
}

TEST_F(CanvasTest, ChangeEventsBracketDrawing)
{
    int changing = 0, changed = 0;
    c->OnChanging = [&](TObject*) { ++changing; };
    c->OnChange = [&](TObject*) { ++changed; };
    c->FillRect(Rect(0, 0, 1, 1));
    c->LineTo(3, 3);
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    c->TextWidth("x");  // measuring draws nothing
    EXPECT_EQ(changed, 2);
}

// ---- Device-context details --------------------------------------------------------------------
class DC : public ::testing::Test {
protected:
    void SetUp() override
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(dc, 20, 20);
        old = SelectObject(dc, bmp);
        RECT r{0, 0, 20, 20};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    void TearDown() override
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
};

TEST_F(DC, ObjectsKnowTheirKindAndStockOnesStay)
{
    EXPECT_EQ(GetObjectType(bmp), OBJ_BITMAP);
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
    EXPECT_EQ(GetObjectType(GetStockObject(NULL_BRUSH)), OBJ_BRUSH);
    EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), OBJ_FONT);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(dc)), OBJ_MEMDC);
    EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_PEN)));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
    // A bitmap selected into a context cannot be deleted, nor selected into a second one.
    EXPECT_FALSE(DeleteObject(bmp));
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, bmp), nullptr);
    DeleteDC(other);
    BITMAP bm;
    ASSERT_EQ(GetObject(bmp, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 20);
    EXPECT_EQ(bm.bmHeight, 20);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bmp);
    // Freed handles are recognised as such.
    HPEN p = CreatePen(PS_SOLID, 1, 0);
    EXPECT_TRUE(DeleteObject(p));
    EXPECT_FALSE(DeleteObject(p));
    EXPECT_EQ(GetObjectType(p), 0u);
}

TEST_F(DC, FontDescriptionsRoundTrip)
{
    LOGFONT lf;
    lf.lfHeight = -13;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = RUSSIAN_CHARSET;
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    HFONT f = CreateFontIndirect(&lf);
    LOGFONT back;
    ASSERT_EQ(GetObject(f, sizeof back, &back), int(sizeof back));
    EXPECT_EQ(back.lfHeight, -13);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfCharSet, RUSSIAN_CHARSET);
    EXPECT_STREQ(back.lfFaceName, "MS Sans Serif");
    TFont tf;
    tf.SetHandle(f);
    EXPECT_EQ(tf.Height(), -13);
    EXPECT_EQ(tf.Style(), FontStyle(fsBold));
    EXPECT_EQ(tf.Charset(), RUSSIAN_CHARSET);
    DeleteObject(f);
    // A positive height is the cell height.
    lf.lfHeight = 16;
    f = CreateFontIndirect(&lf);
    HGDIOBJ o = SelectObject(dc, f);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    EXPECT_LE(tm.tmHeight, 16);
    EXPECT_GE(tm.tmHeight, 14);
    SelectObject(dc, o);
    DeleteObject(f);
}

TEST_F(DC, RegionsOffsetCompareAndPaint)
{
    HRGN r = CreateRectRgn(2, 2, 6, 6);
    RECT box;
    EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{2, 2, 6, 6}));
    OffsetRgn(r, 3, 1);
    GetRgnBox(r, &box);
    EXPECT_EQ(box, (RECT{5, 3, 9, 7}));
    HRGN same = CreateRectRgnIndirect(&box);
    EXPECT_TRUE(EqualRgn(r, same));
    RECT probe{0, 0, 5, 3};
    EXPECT_FALSE(RectInRegion(r, &probe));
    probe = {0, 0, 6, 4};
    EXPECT_TRUE(RectInRegion(r, &probe));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRgn(dc, r, red);
    EXPECT_EQ(GetPixel(dc, 5, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 9, 3), RGB(255, 255, 255));
    InvertRgn(dc, r);
    EXPECT_EQ(GetPixel(dc, 5, 3), RGB(0, 255, 255));
    // A frame of a region: its outline only.
    HRGN big = CreateRectRgn(10, 10, 18, 18);
    FrameRgn(dc, big, red, 1, 1);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 17, 17), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 13, 13), RGB(255, 255, 255));
    HRGN ell = CreateEllipticRgn(0, 0, 10, 10);
    EXPECT_TRUE(PtInRegion(ell, 5, 5));
    EXPECT_FALSE(PtInRegion(ell, 0, 0));
    POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
    HRGN t = CreatePolygonRgn(tri, 3, 1);
    EXPECT_TRUE(PtInRegion(t, 2, 2));
    EXPECT_FALSE(PtInRegion(t, 8, 8));
    SetRectRgn(t, 1, 1, 2, 2);
    EXPECT_TRUE(PtInRegion(t, 1, 1));
    EXPECT_FALSE(PtInRegion(t, 2, 2));
    for (HGDIOBJ h : {HGDIOBJ(r), HGDIOBJ(same), HGDIOBJ(big), HGDIOBJ(ell), HGDIOBJ(t), HGDIOBJ(red)})
        DeleteObject(h);
}

TEST_F(DC, ClipRegionModesAndCopies)
{
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 15, 15);
    HRGN got = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, got), 0);  // none yet
    SelectClipRgn(dc, a);
    EXPECT_EQ(ExtSelectClipRgn(dc, b, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(GetClipRgn(dc, got), 1);
    RECT box;
    GetRgnBox(got, &box);
    EXPECT_EQ(box, (RECT{5, 5, 10, 10}));
    ExtSelectClipRgn(dc, a, RGN_OR);
    GetClipRgn(dc, got);
    GetRgnBox(got, &box);
    EXPECT_EQ(box, (RECT{0, 0, 10, 10}));
    EXPECT_TRUE(PtVisible(dc, 1, 1));
    EXPECT_FALSE(PtVisible(dc, 12, 12));
    RECT r{11, 11, 13, 13};
    EXPECT_FALSE(RectVisible(dc, &r));
    // The context keeps its own copy: changing the region later does not move the clip.
    OffsetRgn(a, 100, 100);
    EXPECT_TRUE(PtVisible(dc, 1, 1));
    ExtSelectClipRgn(dc, nullptr, RGN_COPY);
    EXPECT_TRUE(PtVisible(dc, 12, 12));
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(got);
}

TEST_F(DC, ViewportAndWindowOriginsCompose)
{
    SetViewportOrgEx(dc, 5, 5, nullptr);
    SetWindowOrgEx(dc, 2, 0, nullptr);
    POINT p{2, 0};
    LPtoDP(dc, &p, 1);
    EXPECT_EQ(p, (POINT{5, 5}));
    DPtoLP(dc, &p, 1);
    EXPECT_EQ(p, (POINT{2, 0}));
    SetPixel(dc, 2, 0, RGB(1, 2, 3));
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(1, 2, 3));
    // Clip rectangles are given in logical coordinates.
    OffsetWindowOrgEx(dc, -10, 0, nullptr);
    IntersectClipRect(dc, 0, 0, 2, 2);
    SelectClipRgn(dc, nullptr);
    POINT org;
    GetWindowOrgEx(dc, &org);
    EXPECT_EQ(org, (POINT{-10, 0}));
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 20);
}

TEST_F(DC, StretchAndTransparentBlits)
{
    HDC src = CreateCompatibleDC(nullptr);
    HBITMAP sb = CreateCompatibleBitmap(src, 4, 2);
    HGDIOBJ so = SelectObject(src, sb);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            SetPixel(src, x, y, x == 1 ? RGB(255, 0, 255) : RGB(0, 0, 255));
    StretchBlt(dc, 0, 0, 8, 4, src, 0, 0, 4, 2, SRCCOPY);
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(255, 0, 255));
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 0, 255));
    EXPECT_EQ(GetPixel(dc, 4, 3), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 8, 0), RGB(255, 255, 255));
    RECT all{0, 0, 20, 20};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    TransparentBlt(dc, 0, 0, 4, 2, src, 0, 0, 4, 2, RGB(255, 0, 255));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(0, 0, 255));
    // A blit within one context reads the source before writing.
    BitBlt(dc, 1, 0, 4, 2, dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(0, 0, 0));
    SelectObject(src, so);
    DeleteObject(sb);
    DeleteDC(src);
}

TEST_F(DC, ExtTextOutOpaqueRectangleAndCharacterSpacing)
{
    SetBkColor(dc, RGB(0, 255, 0));
    RECT r{2, 2, 8, 8};
    ExtTextOut(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 8, 8), RGB(255, 255, 255));
    SIZE a, b;
    GetTextExtentPoint32(dc, "abcd", 4, &a);
    SetTextCharacterExtra(dc, 2);
    GetTextExtentPoint32(dc, "abcd", 4, &b);
    EXPECT_EQ(b.cx, a.cx + 8);
}

TEST_F(DC, DrawTextTabsAndBottomAlignment)
{
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    RECT r{0, 0, 400, 0};
    DrawText(dc, "a\tb", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    SIZE ab;
    GetTextExtentPoint32(dc, "ab", 2, &ab);
    EXPECT_GT(r.Right, ab.cx + 4 * tm.tmAveCharWidth);  // the tab reaches the next stop
    RECT box{0, 0, 20, 20};
    EXPECT_EQ(DrawText(dc, "x", -1, &box, DT_SINGLELINE | DT_BOTTOM), 20);
}

TEST(SystemColours, TheTableCanBeChanged)
{
    COLORREF saved = GetSysColor(COLOR_BTNFACE);
    HBRUSH before = GetSysColorBrush(COLOR_BTNFACE);
    SetSysColorEntry(COLOR_BTNFACE, RGB(1, 2, 3));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(1, 2, 3));
    HBRUSH b = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_EQ(b, before) << "the colour's brush follows the colour";
    LOGBRUSH lb;
    GetObject(before, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, RGB(1, 2, 3));
    SetSysColorEntry(COLOR_BTNFACE, saved);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), saved);
    EXPECT_EQ(GetSysColor(99), 0u);
}

TEST(Pictures, HoldABitmapAndReportChanges)
{
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(pic.Width(), 0);
    pic.Bitmap()->SetSize(7, 5);
    EXPECT_EQ(pic.Width(), 7);
    EXPECT_EQ(pic.Height(), 5);
    EXPECT_GE(changes, 1);
    TBitmap other;
    other.SetSize(3, 3);
    pic.Assign(&other);
    EXPECT_EQ(pic.Width(), 3);
    TPicture copy;
    copy.Assign(&pic);
    EXPECT_EQ(copy.Height(), 3);
    pic.Assign(nullptr);
    EXPECT_EQ(pic.Graphic(), nullptr);
}

TEST(Bitmaps, HandlesMoveBetweenBitmaps)
{
    TBitmap a;
    a.SetSize(6, 4);
    a.Canvas()->SetPixel(1, 1, clRed);
    HBITMAP h = a.ReleaseHandle();
    EXPECT_EQ(a.Width(), 0);
    TBitmap b;
    b.SetHandle(h);
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
    // Monochrome: every pixel black or white.
    b.Canvas()->SetPixel(2, 2, TColor(0x303030));
    b.SetPixelFormat(pf1bit);
    EXPECT_TRUE(b.Monochrome());
    EXPECT_EQ(b.Canvas()->Pixels(2, 2), clBlack);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);
    TBitmap png;
    png.SetSize(2, 2);
    char dir[] = "/tmp/morvik-bmp-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    png.SaveToFile(std::string(dir) + "/x.png");
    TBitmap back;
    back.LoadFromFile(std::string(dir) + "/x.png");
    EXPECT_EQ(back.Width(), 2);
    std::filesystem::remove_all(dir);
}

}  // namespace

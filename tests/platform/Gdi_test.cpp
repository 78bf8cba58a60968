// Device-context drawing checked pixel by pixel on memory bitmaps.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "platform/WinGdiMore.h"
#include "platform/Windows.h"

namespace {

// A memory context over a W x H bitmap filled white.
class Surface : public ::testing::Test {
protected:
    static constexpr int W = 40, H = 30;
    void SetUp() override
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(dc, W, H);
        old = SelectObject(dc, bmp);
        Clear(RGB(255, 255, 255));
    }
    void TearDown() override
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    void Clear(COLORREF c)
    {
        HBRUSH b = CreateSolidBrush(c);
        RECT r{0, 0, W, H};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    std::vector<COLORREF> Snapshot()
    {
        std::vector<COLORREF> v;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                v.push_back(GetPixel(dc, x, y));
        return v;
    }
    int CountColor(COLORREF c, RECT area = {0, 0, W, H})
    {
        int n = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                n += GetPixel(dc, x, y) == c;
        return n;
    }
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

TEST_F(Surface, LineLeavesOutItsEndPoint)
{
    MoveToEx(dc, 2, 5, nullptr);
    LineTo(dc, 10, 5);
    for (int x = 2; x < 10; ++x)
        EXPECT_EQ(GetPixel(dc, x, 5), kBlack) << x;
    EXPECT_EQ(GetPixel(dc, 10, 5), kWhite);
    EXPECT_EQ(GetPixel(dc, 1, 5), kWhite);
    POINT p;
    GetCurrentPositionEx(dc, &p);
    EXPECT_EQ(p, (POINT{10, 5}));

    MoveToEx(dc, 20, 2, nullptr);
    LineTo(dc, 20, 9);
    EXPECT_EQ(CountColor(kBlack, {20, 0, 21, H}), 7);
    EXPECT_EQ(GetPixel(dc, 20, 9), kWhite);

    // A diagonal covers one pixel per step and stops short of the end.
    MoveToEx(dc, 25, 10, nullptr);
    LineTo(dc, 30, 15);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(GetPixel(dc, 25 + i, 10 + i), kBlack);
    EXPECT_EQ(GetPixel(dc, 30, 15), kWhite);
}

TEST_F(Surface, PolylineJointsAreDrawnOnceUnderXor)
{
    HPEN pen = CreatePen(PS_SOLID, 1, kWhite);
    HGDIOBJ o = SelectObject(dc, pen);
    SetROP2(dc, R2_XORPEN);
    POINT pts[] = {{5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    Polyline(dc, pts, 5);
    // Every pixel of the closed outline is flipped exactly once: 4 sides of 10.
    EXPECT_EQ(CountColor(kBlack), 40);
    Polyline(dc, pts, 5);
    EXPECT_EQ(CountColor(kBlack), 0);
    SelectObject(dc, o);
    DeleteObject(pen);
}

TEST_F(Surface, RectangleRightAndBottomAreExclusive)
{
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ ob = SelectObject(dc, red);
    Rectangle(dc, 2, 3, 12, 10);
    // Outline in the pen on columns 2 and 11, rows 3 and 9; the interior in the brush.
    EXPECT_EQ(GetPixel(dc, 2, 3), kBlack);
    EXPECT_EQ(GetPixel(dc, 11, 9), kBlack);
    EXPECT_EQ(GetPixel(dc, 12, 9), kWhite);
    EXPECT_EQ(GetPixel(dc, 11, 10), kWhite);
    EXPECT_EQ(GetPixel(dc, 5, 5), kRed);
    EXPECT_EQ(CountColor(kRed), 8 * 5);
    // With no pen the filled figure is one pixel smaller to the right and bottom.
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 20, 3, 30, 10);
    EXPECT_EQ(CountColor(kRed, {20, 3, 30, 10}), 9 * 6);
    // A wide pen and an inside frame keep the outline within the same bounds, as wide as the pen.
    for (const auto& [style, width] : {std::pair{PS_SOLID, 2}, std::pair{PS_SOLID, 3}, std::pair{PS_INSIDEFRAME, 2}}) {
        Clear(kWhite);
        HPEN pen = CreatePen(style, width, kBlack);
        HGDIOBJ op = SelectObject(dc, pen);
        Rectangle(dc, 2, 3, 14, 13);
        EXPECT_EQ(CountColor(kBlack, {2, 3, 14, 13}), 12 * 10 - (12 - 2 * width) * (10 - 2 * width)) << width;
        EXPECT_EQ(CountColor(kRed), (12 - 2 * width) * (10 - 2 * width)) << width;
        SelectObject(dc, op);
        DeleteObject(pen);
    }
    SelectObject(dc, ob);
    DeleteObject(red);
}

TEST_F(Surface, FillFrameAndInvert)
{
    HBRUSH red = CreateSolidBrush(kRed);
    RECT r{4, 4, 9, 7};
    FillRect(dc, &r, red);
    EXPECT_EQ(CountColor(kRed), 5 * 3);
    RECT f{10, 10, 16, 14};
    FrameRect(dc, &f, red);
    EXPECT_EQ(CountColor(kRed, f), 2 * 6 + 2 * 2);
    EXPECT_EQ(GetPixel(dc, 12, 12), kWhite);
    RECT inv{0, 0, 2, 2};
    InvertRect(dc, &inv);
    EXPECT_EQ(GetPixel(dc, 1, 1), kBlack);
    EXPECT_EQ(GetPixel(dc, 2, 2), kWhite);
    // A system colour index + 1 serves as a brush.
    RECT s{30, 0, 32, 2};
    FillRect(dc, &s, reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_BTNFACE + 1)));
    EXPECT_EQ(GetPixel(dc, 31, 1), GetSysColor(COLOR_BTNFACE));
    DeleteObject(red);
}

TEST_F(Surface, FocusRectangleDrawnTwiceRestoresThePixels)
{
    // A busy background so that the XOR has something to undo.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            SetPixel(dc, x, y, RGB(x * 6, y * 8, (x + y) * 3));
    std::vector<COLORREF> before = Snapshot();
    RECT r{3, 4, 25, 20};
    DrawFocusRect(dc, &r);
    std::vector<COLORREF> once = Snapshot();
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i)
        changed += before[i] != once[i];
    // Dotted: every other pixel of the 2*22 + 2*14 edge pixels.
    EXPECT_EQ(changed, (2 * 22 + 2 * 14) / 2);
    EXPECT_NE(GetPixel(dc, 3, 4), before[4 * W + 3]);
    EXPECT_EQ(GetPixel(dc, 4, 4), before[4 * W + 4]);
    EXPECT_EQ(GetPixel(dc, 10, 10), before[10 * W + 10]);
    DrawFocusRect(dc, &r);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Surface, DottedPenAndBackgroundMode)
{
    HPEN dot = CreatePen(PS_DOT, 1, kBlack);
    HGDIOBJ o = SelectObject(dc, dot);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 0, 2, nullptr);
    LineTo(dc, 24, 2);
    int dots = CountColor(kBlack, {0, 2, W, 3});
    EXPECT_GT(dots, 0);
    EXPECT_LT(dots, 24);
    EXPECT_EQ(CountColor(kWhite, {0, 2, 24, 3}), 24 - dots);
    // Opaque: the gaps take the background colour.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kRed);
    MoveToEx(dc, 0, 4, nullptr);
    LineTo(dc, 24, 4);
    EXPECT_EQ(CountColor(kBlack, {0, 4, W, 5}) + CountColor(kRed, {0, 4, W, 5}), 24);
    SelectObject(dc, o);
    DeleteObject(dot);
}

struct RopCase {
    DWORD rop;
    const char* name;
    COLORREF (*expect)(COLORREF pat, COLORREF src, COLORREF dst);
};

void PrintTo(const RopCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.name;
}

class BlitRops : public ::testing::TestWithParam<RopCase> {};

TEST_P(BlitRops, MatchesTheBitwiseFormula)
{
    const RopCase& rc = GetParam();
    HDC src = CreateCompatibleDC(nullptr);
    HBITMAP sb = CreateCompatibleBitmap(src, 8, 8);
    HGDIOBJ so = SelectObject(src, sb);
    HDC dst = CreateCompatibleDC(nullptr);
    HBITMAP db = CreateCompatibleBitmap(dst, 8, 8);
    HGDIOBJ dob = SelectObject(dst, db);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            SetPixel(src, x, y, RGB(x * 30, y * 30, 0x5A));
            SetPixel(dst, x, y, RGB(0xC3, x * 17, y * 29));
        }
    const COLORREF pat = RGB(0x12, 0xF0, 0x81);
    HBRUSH brush = CreateSolidBrush(pat);
    HGDIOBJ ob = SelectObject(dst, brush);
    std::vector<COLORREF> d0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            d0.push_back(GetPixel(dst, x, y));
    // Only the inner 6 x 6 block is blitted, from source offset (1, 2).
    BitBlt(dst, 1, 1, 6, 6, src, 1, 2, rc.rop);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            COLORREF want = d0[size_t(y * 8 + x)];
            if (x >= 1 && x < 7 && y >= 1 && y < 7)
                want = rc.expect(pat, GetPixel(src, x, y + 1), want) & 0xFFFFFF;
            EXPECT_EQ(GetPixel(dst, x, y), want) << rc.name << " at " << x << "," << y;
        }
    SelectObject(dst, ob);
    DeleteObject(brush);
    SelectObject(dst, dob);
    DeleteObject(db);
    DeleteDC(dst);
    SelectObject(src, so);
    DeleteObject(sb);
    DeleteDC(src);
}

INSTANTIATE_TEST_SUITE_P(
    Gdi, BlitRops,
    ::testing::Values(RopCase{SRCCOPY, "SRCCOPY", [](COLORREF, COLORREF s, COLORREF) { return s; }},
                      RopCase{SRCINVERT, "SRCINVERT", [](COLORREF, COLORREF s, COLORREF d) { return s ^ d; }},
                      RopCase{SRCAND, "SRCAND", [](COLORREF, COLORREF s, COLORREF d) { return s & d; }},
                      RopCase{SRCPAINT, "SRCPAINT", [](COLORREF, COLORREF s, COLORREF d) { return s | d; }},
                      RopCase{PATCOPY, "PATCOPY", [](COLORREF p, COLORREF, COLORREF) { return p; }},
                      RopCase{DSTINVERT, "DSTINVERT", [](COLORREF, COLORREF, COLORREF d) { return ~d; }},
                      RopCase{PATINVERT, "PATINVERT", [](COLORREF p, COLORREF, COLORREF d) { return p ^ d; }},
                      RopCase{MERGEPAINT, "MERGEPAINT", [](COLORREF, COLORREF s, COLORREF d) { return ~s | d; }},
                      RopCase{NOTSRCCOPY, "NOTSRCCOPY", [](COLORREF, COLORREF s, COLORREF) { return ~s; }}),
    [](const ::testing::TestParamInfo<RopCase>& i) { return std::string(i.param.name); });

TEST_F(Surface, ScrollArrowsAreSizedToTheirButton)
{
    // The black triangle's bounding box for each button size and direction.
    struct Case {
        RECT button;
        UINT kind;
        int width, height;
    };
    const Case cases[] = {
        {{0, 0, 16, 16}, DFCS_SCROLLUP, 7, 4},    {{0, 0, 16, 16}, DFCS_SCROLLLEFT, 4, 7},
        {{0, 0, 15, 10}, DFCS_SCROLLDOWN, 5, 3},  {{0, 0, 15, 11}, DFCS_SCROLLUP, 5, 3},
        {{0, 0, 10, 15}, DFCS_SCROLLRIGHT, 3, 5}, {{0, 0, 8, 8}, DFCS_SCROLLUP, 3, 2},
    };
    for (const Case& k : cases) {
        Clear(kWhite);
        RECT r = k.button;
        DrawFrameControl(dc, &r, DFC_SCROLL, k.kind);
        int left = W, right = -1, top = H, bottom = -1;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (GetPixel(dc, x, y) == GetSysColor(COLOR_BTNTEXT) && x > 1 && y > 1 &&
                    x < k.button.Right - 2 && y < k.button.Bottom - 2) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        SCOPED_TRACE(testing::Message() << k.button.Right << "x" << k.button.Bottom << " kind " << k.kind);
        EXPECT_EQ(right - left + 1, k.width);
        EXPECT_EQ(bottom - top + 1, k.height);
        // Centred in the face.
        EXPECT_LE(std::abs((left - 2) - (k.button.Right - 3 - right)), 1);
    }
}

TEST_F(Surface, PatBltUsesTheSelectedBrush)
{
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ o = SelectObject(dc, red);
    PatBlt(dc, 2, 2, 4, 3, PATCOPY);
    EXPECT_EQ(CountColor(kRed), 12);
    PatBlt(dc, 2, 2, 4, 3, DSTINVERT);
    EXPECT_EQ(CountColor(RGB(0, 255, 255)), 12);
    SelectObject(dc, o);
    DeleteObject(red);
}

TEST_F(Surface, MonochromeMaskFromColourAndBack)
{
    // Colour -> mono: pixels of the source's background colour become white, others black.
    HDC mono = CreateCompatibleDC(nullptr);
    HBITMAP mb = CreateBitmap(W, H, 1, 1, nullptr);
    HGDIOBJ mo = SelectObject(mono, mb);
    SetPixel(dc, 3, 3, kRed);
    SetBkColor(dc, kWhite);
    BitBlt(mono, 0, 0, W, H, dc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mono, 3, 3), kBlack);
    EXPECT_EQ(GetPixel(mono, 4, 4), kWhite);
    // Mono -> colour: 0 takes the text colour, 1 the background colour of the destination.
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkColor(dc, RGB(0, 255, 0));
    BitBlt(dc, 0, 0, W, H, mono, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(0, 255, 0));
    SelectObject(mono, mo);
    DeleteObject(mb);
    DeleteDC(mono);
}

TEST_F(Surface, ClippingRegionsAndSavedStates)
{
    HBRUSH red = CreateSolidBrush(kRed);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, 5, 5, 15, 15);
    ExcludeClipRect(dc, 8, 8, 10, 10);
    RECT all{0, 0, W, H};
    FillRect(dc, &all, red);
    EXPECT_EQ(CountColor(kRed), 100 - 4);
    EXPECT_EQ(GetPixel(dc, 8, 8), CLR_INVALID);  // outside the clip: not readable either
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{5, 5, 15, 15}));
    RestoreDC(dc, saved);
    Clear(kWhite);

    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 20, 20);
    HRGN c = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(c, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_TRUE(PtInRegion(c, 7, 7));
    EXPECT_FALSE(PtInRegion(c, 3, 3));
    EXPECT_EQ(CombineRgn(c, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(c, 7, 7));
    EXPECT_EQ(CombineRgn(c, a, a, RGN_DIFF), NULLREGION);
    CombineRgn(c, a, b, RGN_OR);
    SelectClipRgn(dc, c);
    FillRect(dc, &all, red);
    EXPECT_EQ(CountColor(kRed), 100 + 225 - 25);
    SelectClipRgn(dc, nullptr);
    FillRect(dc, &all, red);
    EXPECT_EQ(CountColor(kRed), W * H);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(c);
    DeleteObject(red);
}

TEST_F(Surface, WindowOriginShiftsDrawing)
{
    SetWindowOrgEx(dc, -10, -5, nullptr);
    SetPixel(dc, 0, 0, kRed);
    EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(dc, 10, 5), kRed);
    // Saved and restored with the rest of the state.
    int s = SaveDC(dc);
    SetWindowOrgEx(dc, 3, 3, nullptr);
    SetTextColor(dc, kRed);
    RestoreDC(dc, s);
    POINT org;
    GetWindowOrgEx(dc, &org);
    EXPECT_EQ(org, (POINT{0, 0}));
    EXPECT_EQ(GetTextColor(dc), kBlack);
}

// ---- Text ------------------------------------------------------------------------------------------
class Text : public Surface {
protected:
    static constexpr int W = 200, H = 120;
    void SetUp() override
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(dc, W, H);
        old = SelectObject(dc, bmp);
        HBRUSH white = CreateSolidBrush(kWhite);
        RECT r{0, 0, W, H};
        FillRect(dc, &r, white);
        DeleteObject(white);
        LOGFONT lf;
        lf.lfHeight = -11;
        std::strcpy(lf.lfFaceName, "MS Sans Serif");
        font = CreateFontIndirect(&lf);
        oldFont = SelectObject(dc, font);
    }
    void TearDown() override
    {
        SelectObject(dc, oldFont);
        DeleteObject(font);
        Surface::TearDown();
    }
    int Extent(const std::string& s)
    {
        SIZE sz;
        GetTextExtentPoint32(dc, s.c_str(), int(s.size()), &sz);
        return sz.cx;
    }
    // Bounding box of the pixels that are not white.
    RECT Ink()
    {
        RECT r{W, H, -1, -1};
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (GetPixel(dc, x, y) != kWhite) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r;
    }
    HFONT font = nullptr;
    HGDIOBJ oldFont = nullptr;
};

TEST_F(Text, MetricsHoldTogether)
{
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    // A negative height asks for the character height: the cell adds the internal leading.
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    EXPECT_GT(Extent("WWWW"), Extent("iiii"));
    EXPECT_EQ(Extent(""), 0);
}

TEST_F(Text, AlignmentAndCurrentPosition)
{
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SetBkMode(dc, TRANSPARENT);
    TextOut(dc, 10, 20, "Hg", 2);
    RECT top = Ink();
    RECT all{0, 0, W, H};
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(dc, &all, white);
    SetTextAlign(dc, TA_BASELINE);
    TextOut(dc, 10, 20, "Hg", 2);
    RECT base = Ink();
    // Baseline alignment lifts the text by its ascent.
    EXPECT_EQ(top.Top - base.Top, tm.tmAscent);
    FillRect(dc, &all, white);

    SetTextAlign(dc, TA_UPDATECP);
    MoveToEx(dc, 5, 5, nullptr);
    TextOut(dc, 0, 0, "abc", 3);
    POINT p;
    GetCurrentPositionEx(dc, &p);
    EXPECT_EQ(p.X, 5 + Extent("abc"));
    EXPECT_EQ(p.Y, 5);
    DeleteObject(white);
}

TEST_F(Text, OpaqueBackgroundCoversTheCell)
{
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kRed);
    TextOut(dc, 0, 0, "ab", 2);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    int w = Extent("ab");
    EXPECT_EQ(GetPixel(dc, w - 1, tm.tmHeight - 1), kRed);
    EXPECT_EQ(GetPixel(dc, w, 0), kWhite);
    EXPECT_EQ(GetPixel(dc, 0, tm.tmHeight), kWhite);
}

TEST_F(Text, JustificationSpreadsExtraOverBlanks)
{
    SetBkMode(dc, TRANSPARENT);
    TextOut(dc, 0, 0, "a b c", 5);
    RECT plain = Ink();
    RECT all{0, 0, W, H};
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(dc, &all, white);
    DeleteObject(white);
    SetTextJustification(dc, 20, 2);
    EXPECT_EQ(Extent("a b c") - 20, [&] {
        SetTextJustification(dc, 0, 0);
        int e = Extent("a b c");
        SetTextJustification(dc, 20, 2);
        return e;
    }());
    TextOut(dc, 0, 0, "a b c", 5);
    RECT spread = Ink();
    EXPECT_EQ(spread.Left, plain.Left);
    EXPECT_EQ(spread.Right - plain.Right, 20);
}

TEST_F(Text, DrawTextWrapsAtBlanksWithinTheBox)
{
    const std::string text = "one two three four five six seven eight";
    RECT r{0, 0, Extent("one two three") + 2, 0};
    int boxWidth = r.Right;
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    int h = DrawText(dc, text.c_str(), -1, &r, DT_WORDBREAK | DT_CALCRECT);
    int lines = h / tm.tmHeight;
    EXPECT_EQ(h % tm.tmHeight, 0);
    EXPECT_EQ(lines, 3);  // "one two three" / "four five six" / "seven eight"
    EXPECT_LE(r.Right, boxWidth);
    EXPECT_EQ(r.Bottom, h);
    // Line breaks in the text start new lines; a single line ignores them.
    RECT r2{0, 0, 500, 0};
    EXPECT_EQ(DrawText(dc, "a\r\nb\nc", -1, &r2, DT_CALCRECT), 3 * tm.tmHeight);
    RECT r3{0, 0, 500, 0};
    EXPECT_EQ(DrawText(dc, "a\r\nb\nc", -1, &r3, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    // A word wider than the box stands alone on its line.
    RECT r4{0, 0, Extent("xx"), 0};
    EXPECT_EQ(DrawText(dc, "xx wwwwwwwwww xx", -1, &r4, DT_CALCRECT | DT_WORDBREAK), 3 * tm.tmHeight);
}

TEST_F(Text, EndEllipsisFitsTheBox)
{
    const std::string text = "A rather long status text that does not fit";
    RECT box{10, 10, 10 + Extent("A rather long"), 30};
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, text.c_str(), -1, &box, DT_SINGLELINE | DT_END_ELLIPSIS);
    RECT ink = Ink();
    EXPECT_GE(ink.Left, box.Left);
    EXPECT_LE(ink.Right, box.Right);
    RECT calc = box;
    DrawText(dc, text.c_str(), -1, &calc, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(calc.Right - calc.Left, box.Right - box.Left);
    EXPECT_GT(calc.Right - calc.Left, Extent("..."));
    // Without the flag the text runs past the box (but is clipped to it).
    RECT calc2 = box;
    DrawText(dc, text.c_str(), -1, &calc2, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(calc2.Right - calc2.Left, Extent(text));
}

// The cut keeps the longest start of each line that fits with its dots, for pairs of letters that
// sit closer than their advances, accented letters, boxes narrower than the dots, and a line far
// longer than any caption (whose cut must not be searched one character at a time).
TEST_F(Text, EllipsisKeepsTheLongestStartThatFits)
{
    std::string huge;
    for (int i = 0; huge.size() < 100000; ++i) huge += i % 3 ? "AVAWAY To Ty " : "\xC4nderung, \xE9t\xE9 ";
    const std::vector<std::string> texts = {"A rather long status text that does not fit", "AVAVAVAVAV WAWAWA LTLTLT",
                                            "\xC4\xD6\xDC \xE4\xF6\xFC \xDF\xC9\xC8", huge};
    // The longest start whose extent with the dots fits (none: the dots alone).
    const auto expected = [&](const std::string& t, int box) {
        const auto fits = [&](size_t n) { return Extent(t.substr(0, n) + "...") <= box; };
        size_t lo = 0, hi = t.size();
        while (lo < hi) {
            const size_t mid = (lo + hi + 1) / 2;
            if (fits(mid))
                lo = mid;
            else
                hi = mid - 1;
        }
        return Extent(t.substr(0, lo) + "...");
    };
    for (const std::string& t : texts) {
        for (const int box : {0, Extent(".."), Extent("...") + 1, Extent(t.substr(0, 7)), Extent(t) - 1, 3000}) {
            SCOPED_TRACE(testing::Message() << t.substr(0, 20) << " in " << box);
            RECT calc{0, 0, box, 20};
            DrawText(dc, t.c_str(), int(t.size()), &calc, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
            if (Extent(t) <= box)
                EXPECT_EQ(calc.Right, Extent(t));
            else
                EXPECT_EQ(calc.Right, expected(t, box));
        }
    }
    // Each line of several is cut on its own.
    const std::string two = texts[0] + "\r\n" + texts[1];
    const int box = Extent(texts[1].substr(0, 9));
    RECT calc{0, 0, box, 20};
    DrawText(dc, two.c_str(), -1, &calc, DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_EQ(calc.Right, std::max(expected(texts[0], box), expected(texts[1], box)));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    EXPECT_EQ(calc.Bottom, 2 * tm.tmHeight);
}

TEST_F(Text, CentreRightAndVerticalCentre)
{
    SetBkMode(dc, TRANSPARENT);
    RECT box{0, 0, W, 60};
    DrawText(dc, "Mid", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    RECT ink = Ink();
    int mid = (ink.Left + ink.Right) / 2;
    EXPECT_NEAR(mid, W / 2, 2);
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2, 30, 3);
    RECT all{0, 0, W, H};
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(dc, &all, white);
    DeleteObject(white);
    DrawText(dc, "Right", -1, &box, DT_SINGLELINE | DT_RIGHT);
    EXPECT_LE(Ink().Right, W);
    EXPECT_GE(Ink().Right, W - 3);
}

TEST_F(Text, PrefixMarksAnUnderlinedLetter)
{
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    RECT a{0, 0, W, 40};
    EXPECT_EQ(DrawText(dc, "A&FC", -1, &a, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(a.Right, Extent("AFC"));
    RECT b{0, 0, W, 40};
    DrawText(dc, "A&FC", -1, &b, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(b.Right, Extent("A&FC"));
    RECT c{0, 0, W, 40};
    DrawText(dc, "a&&b", -1, &c, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(c.Right, Extent("a&b"));
}

// Random texts, flags, boxes, background modes and character spacing: DrawText draws what TextOut
// draws of each line's pieces, placed by their measured widths (tab stops a fixed distance from the
// line's start, lines broken at the last word that fits, ends and folders cut with "..." to fit,
// right and centre alignment), and DT_CALCRECT measures the widest line.
TEST_F(Text, DrawTextPlacesWhatItMeasures)
{
    HDC ref = CreateCompatibleDC(nullptr);
    HBITMAP refBmp = CreateCompatibleBitmap(ref, W, H);
    HGDIOBJ refOld = SelectObject(ref, refBmp), refFont = SelectObject(ref, font);
    const auto pixels = [](HBITMAP b) {
        std::vector<RGBQUAD> v(size_t(W * H));
        BITMAPINFO info;
        info.bmiHeader.biWidth = W;
        info.bmiHeader.biHeight = -H;
        GetDIBits(nullptr, b, 0, H, v.data(), &info, DIB_RGB_COLORS);
        std::vector<COLORREF> c;
        for (const RGBQUAD& q : v)
            c.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
        return c;
    };
    const std::vector<std::string> words = {"ZCZC", "gale", "W", "a", "Wind SW 8", "visibility", "NNNN", "iiii",
                                            "C:\\Morvik\\Messages\\070315-061502.TXT", "/var/log/raw.txt"};
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    int shown = 0;  // cases where some text is in the box
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 rng(seed);
        for (int round = 0; round < 50; ++round) {
            const int extra = std::vector<int>{0, 0, 1, 3, 8}[rng() % 5];
            const int kind = int(rng() % 4);  // 0 plain, 1 word break, 2 end ellipsis, 3 path ellipsis
            const UINT align = std::vector<UINT>{DT_LEFT, DT_RIGHT, DT_CENTER}[rng() % 3];
            // With DT_TABSTOP the second byte is the tab spacing, not flags (no DT_NOPREFIX, no
            // DT_CALCRECT, no ellipsis).
            const int tabChars = kind || rng() % 2 ? 8 : 2 + int(rng() % 5);
            UINT fmt = align | std::vector<UINT>{0, DT_WORDBREAK, DT_END_ELLIPSIS, DT_PATH_ELLIPSIS}[kind];
            if (kind != 1 && rng() % 2)
                fmt |= DT_EXPANDTABS | (tabChars == 8 ? DT_NOPREFIX : DT_TABSTOP | UINT(tabChars) << 8);
            else
                fmt |= DT_NOPREFIX;
            std::string text;
            const int lineCount = 1 + int(rng() % 3);
            for (int l = 0; l < lineCount; ++l) {
                if (l)
                    text += "\r\n";
                const int n = 1 + int(rng() % 4);
                for (int k = 0; k < n; ++k) {
                    if (k || rng() % 4 == 0)
                        text += kind != 1 && rng() % 3 == 0 ? "\t" : k ? " " : "";
                    text += words[rng() % words.size()];
                }
            }
            const RECT box{int(rng() % 8), 2, 10 + int(rng() % (W - 10)), H - 2};
            SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round << " '" << text << "' fmt "
                                            << std::hex << fmt << std::dec << " extra " << extra << " box "
                                            << box.Right - box.Left);
            SetTextCharacterExtra(dc, extra);
            SetTextCharacterExtra(ref, extra);
            const int tab = (fmt & DT_EXPANDTABS ? tabChars : 0) * tm.tmAveCharWidth;
            // A line's width as drawing places it, and its pieces between tabs at their places.
            const auto place = [&](const std::string& line, std::vector<std::pair<int, std::string>>* pieces) {
                int x = 0;
                size_t from = 0;
                for (size_t i = 0; i <= line.size(); ++i) {
                    if (i < line.size() && !(tab && line[i] == '\t'))
                        continue;
                    const std::string piece = line.substr(from, i - from);
                    if (pieces && !piece.empty())
                        pieces->push_back({x, piece});
                    SIZE sz{0, 0};
                    GetTextExtentPoint32(ref, piece.c_str(), int(piece.size()), &sz);
                    x += sz.cx;
                    if (i < line.size())
                        x = (x / tab + 1) * tab;
                    from = i + 1;
                }
                return x;
            };
            const int room = box.Right - box.Left;
            std::vector<std::string> lines;
            for (size_t at = 0;;) {
                const size_t end = text.find("\r\n", at);
                std::string para = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
                if (kind == 1) {
                    // Word by word while the line still fits; a word too wide stands alone.
                    std::string line;
                    for (size_t w = 0; w <= para.size();) {
                        const size_t blank = std::min(para.find(' ', w), para.size());
                        const std::string word = para.substr(w, blank - w);
                        if (!line.empty() && place(line + " " + word, nullptr) > room) {
                            lines.push_back(line);
                            line.clear();
                        }
                        line += (line.empty() ? "" : " ") + word;
                        w = blank + 1;
                    }
                    lines.push_back(line);
                } else {
                    if (kind >= 2 && place(para, nullptr) > room) {
                        const size_t slash = para.find_last_of("\\/");
                        const bool path = kind == 3 && slash != std::string::npos;
                        const std::string last = path ? "..." + para.substr(slash) : "...";
                        size_t keep = path ? slash : para.size();
                        while (keep > 0 && place(para.substr(0, keep) + last, nullptr) > room)
                            --keep;
                        para = para.substr(0, keep) + last;
                    }
                    lines.push_back(para);
                }
                if (end == std::string::npos)
                    break;
                at = end + 2;
            }
            RECT all{0, 0, W, H};
            FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
            FillRect(ref, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
            // Opaque: each piece on its background, and the tabs' room in the background colour.
            const int mode = rng() % 3 ? TRANSPARENT : OPAQUE;
            HBRUSH bk = CreateSolidBrush(RGB(255, 255, 160));
            for (HDC d : {dc, ref}) {
                SetBkMode(d, mode);
                SetBkColor(d, RGB(255, 255, 160));
            }
            RECT drawn = box;
            DrawText(dc, text.c_str(), int(text.size()), &drawn, fmt);
            IntersectClipRect(ref, box.Left, box.Top, box.Right, box.Bottom);
            int widest = 0;
            for (size_t l = 0; l < lines.size(); ++l) {
                std::vector<std::pair<int, std::string>> pieces;
                const int w = place(lines[l], &pieces);
                widest = std::max(widest, w);
                const int x = align == DT_RIGHT ? box.Right - w : align == DT_CENTER ? box.Left + (room - w) / 2 : box.Left;
                const int y = box.Top + int(l) * tm.tmHeight;
                int done = 0;  // where the last piece ended
                const auto room = [&](int from, int to) {
                    const RECT r{x + from, y, x + to, y + tm.tmHeight};
                    if (mode == OPAQUE && to > from)
                        FillRect(ref, &r, bk);
                };
                for (const auto& [at, piece] : pieces) {
                    room(done, at);
                    TextOut(ref, x + at, y, piece.c_str(), int(piece.size()));
                    done = at + place(piece, nullptr);
                }
                room(done, w);
            }
            SelectClipRgn(ref, nullptr);
            DeleteObject(bk);
            const std::vector<COLORREF> got = pixels(bmp), want = pixels(refBmp);
            shown += std::count(want.begin(), want.end(), kWhite) != W * H;
            ASSERT_EQ(std::count_if(got.begin(), got.end(), [&, i = size_t(0)](COLORREF c) mutable { return c != want[i++]; }), 0);
            if (!(fmt & DT_TABSTOP)) {
                RECT calc = box;
                DrawText(dc, text.c_str(), int(text.size()), &calc, fmt | DT_CALCRECT);
                EXPECT_EQ(calc.Right - calc.Left, widest);
                EXPECT_EQ(calc.Bottom - calc.Top, int(lines.size()) * tm.tmHeight);
            }
        }
    }
    EXPECT_GT(shown, 150);
    SelectObject(ref, refFont);
    SelectObject(ref, refOld);
    DeleteObject(refBmp);
    DeleteDC(ref);
}

TEST(Colors, SystemColoursResolveThroughTheTable)
{
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clWindowText), RGB(0, 0, 0));
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    TColor c = 0;
    EXPECT_TRUE(IdentToColor("clHighlight", c));
    EXPECT_EQ(c, clHighlight);
    EXPECT_FALSE(IdentToColor("clNoSuchColour", c));
    EXPECT_EQ(ColorToString(clGreen), "clGreen");
    EXPECT_EQ(ColorToString(TColor(0x123456)), "$00123456");
}

TEST(Fonts, HeightAndSizeAndChangeEvents)
{
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Size(), 8);
    f.SetSize(12);
    EXPECT_EQ(f.Height(), -16);
    f.SetHeight(-16);  // unchanged: no event
    f.SetStyle(FontStyle(fsBold));
    EXPECT_EQ(changes, 2);
    LOGFONT lf = f.LogFont();
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    TFont g;
    g.Assign(&f);
    EXPECT_EQ(g.Height(), -16);
    EXPECT_EQ(g.Style(), FontStyle(fsBold));
}

TEST(Canvas, BitmapCanvasDrawsAndCopies)
{
    TBitmap a;
    a.SetSize(20, 10);
    EXPECT_EQ(a.Canvas()->Pixels(3, 3), clWhite);  // a new bitmap is white
    a.Canvas()->Brush()->SetColor(clRed);
    a.Canvas()->FillRect(Rect(0, 0, 10, 10));
    a.Canvas()->Pen()->SetColor(clBlue);
    a.Canvas()->MoveTo(0, 9);
    a.Canvas()->LineTo(20, 9);
    EXPECT_EQ(a.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(a.Canvas()->Pixels(15, 9), clBlue);
    TBitmap b;
    b.SetSize(20, 10);
    b.Canvas()->CopyRect(Rect(0, 0, 20, 10), a.Canvas(), Rect(0, 0, 20, 10));
    EXPECT_EQ(b.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(15, 5), clWhite);
    // Growing keeps the picture in the top-left corner.
    a.SetSize(30, 12);
    EXPECT_EQ(a.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(a.Canvas()->Pixels(25, 11), clWhite);
}

TEST(Canvas, TransparentBitmapLeavesItsKeyColourOut)
{
    TBitmap glyph;
    glyph.SetSize(4, 4);
    glyph.Canvas()->Brush()->SetColor(clFuchsia);
    glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
    glyph.Canvas()->SetPixel(1, 1, clBlue);
    glyph.SetTransparent(true);
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia);  // the bottom-left pixel
    TBitmap target;
    target.SetSize(8, 8);
    target.Canvas()->Draw(2, 2, &glyph);
    EXPECT_EQ(target.Canvas()->Pixels(3, 3), clBlue);
    EXPECT_EQ(target.Canvas()->Pixels(2, 2), clWhite);
}

TEST(Canvas, BitmapFilesRoundTrip)
{
    char dir[] = "/tmp/morvik-gdi-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    TBitmap a;
    a.SetSize(5, 3);
    a.Canvas()->SetPixel(4, 2, clRed);
    std::string name = std::string(dir) + "/pic.bmp";
    a.SaveToFile(name);
    TBitmap b;
    b.LoadFromFile(name);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Canvas()->Pixels(4, 2), clRed);
    // A save over a file puts the new one in its place whole; the old bytes are never rewritten in
    // place, so a save that fails half-way cannot leave the old file cut short.
    for (const char* ext : {".bmp", ".png"}) {
        SCOPED_TRACE(ext);
        const std::string file = std::string(dir) + "/over" + ext;
        const std::string old = std::string(dir) + "/old" + ext;
        a.SaveToFile(file);
        ASSERT_EQ(::link(file.c_str(), old.c_str()), 0);
        TBitmap wide;
        wide.SetSize(9, 4);
        wide.SaveToFile(file);
        b.LoadFromFile(old);
        EXPECT_EQ(b.Width(), 5);
        b.LoadFromFile(file);
        EXPECT_EQ(b.Width(), 9);
    }
    TBitmap c;
    EXPECT_THROW(c.LoadFromFile(std::string(dir) + "/missing.bmp"), EFOpenError);
    TMemoryStream junk;
    junk.Write("not a picture", 13);
    junk.SetPosition(0);
    EXPECT_THROW(c.LoadFromStream(&junk), EInvalidGraphic);
    // Built-in pictures by resource name.
    TMemoryStream ms;
    a.SaveToStream(&ms);
    RegisterResourceBitmap("TESTPIC", ms.Memory(), size_t(ms.Size()));
    TBitmap d;
    d.LoadFromResourceName(nullptr, "testpic");
    EXPECT_EQ(d.Canvas()->Pixels(4, 2), clRed);
    EXPECT_THROW(d.LoadFromResourceName(nullptr, "NOPE"), EResNotFound);
    std::filesystem::remove_all(dir);
}

TEST(Canvas, EdgesUseTheThreeDColours)
{
    TBitmap b;
    b.SetSize(10, 10);
    TRect r{0, 0, 10, 10};
    DrawEdge(b.Canvas()->Handle(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, (TRect{2, 2, 8, 8}));
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(0, 0)), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(9, 9)), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(1, 1)), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(8, 8)), GetSysColor(COLOR_BTNSHADOW));
}

TEST(Canvas, CyrillicTextMeasuresByItsCharset)
{
    TBitmap b;
    b.SetSize(10, 10);
    TCanvas* c = b.Canvas();
    // 0xC6 is one Cyrillic letter in Windows-1251 and a Latin ligature in Windows-1252.
    std::string s(3, char(0xC6));
    c->Font()->SetCharset(RUSSIAN_CHARSET);
    int cyr = c->TextWidth(s);
    c->Font()->SetCharset(ANSI_CHARSET);
    int lat = c->TextWidth(s);
    EXPECT_GT(cyr, 0);
    EXPECT_GT(lat, 0);
    EXPECT_NE(cyr, lat);
}

}  // namespace

// Raster operations and text runs give the pixels the system's rules give, whichever path draws
// them, and what is drawn through a window's context reaches the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/WinGdiMore.h"
#include "tests/support/UiTest.h"

namespace {

constexpr int W = 40, H = 24;

struct Canvas {
    Canvas()
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(nullptr, W, H);
        old = SelectObject(dc, bmp);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    void Noise(unsigned seed)
    {
        std::mt19937 rng(seed);
        std::vector<COLORREF> v(size_t(W * H));
        for (COLORREF& c : v)
            c = COLORREF(rng() & 0xFFFFFF);
        Set(v);
    }
    static BITMAPINFO Rows()
    {
        BITMAPINFO info;
        info.bmiHeader.biWidth = W;
        info.bmiHeader.biHeight = -H;
        return info;
    }
    std::vector<COLORREF> Pixels() const
    {
        std::vector<RGBQUAD> q(size_t(W * H));
        BITMAPINFO info = Rows();
        GetDIBits(dc, bmp, 0, H, q.data(), &info, DIB_RGB_COLORS);
        std::vector<COLORREF> v;
        for (const RGBQUAD& p : q)
            v.push_back(RGB(p.rgbRed, p.rgbGreen, p.rgbBlue));
        return v;
    }
    void Set(const std::vector<COLORREF>& v)
    {
        std::vector<RGBQUAD> q;
        for (COLORREF c : v)
            q.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
        BITMAPINFO info = Rows();
        SetDIBits(dc, bmp, 0, H, q.data(), &info, DIB_RGB_COLORS);
    }
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
};

// The ternary operation from its code's truth table, bit by bit.
COLORREF Reference(DWORD rop, COLORREF p, COLORREF s, COLORREF d)
{
    unsigned code = (rop >> 16) & 0xFF;
    COLORREF out = 0;
    for (int bit = 0; bit < 24; ++bit) {
        int i = (((p >> bit) & 1) << 2) | (((s >> bit) & 1) << 1) | ((d >> bit) & 1);
        out |= COLORREF((code >> i) & 1) << bit;
    }
    return out;
}

struct RopCase {
    const char* Name;
    DWORD Rop;
};

class RasterOps : public ::testing::TestWithParam<RopCase> {};

// A clip of several rectangles: the rows are cut in pieces.
HRGN Holes()
{
    HRGN r = CreateRectRgn(0, 0, W, H);
    HRGN hole = CreateRectRgn(10, 5, 16, 12);
    CombineRgn(r, r, hole, RGN_DIFF);
    DeleteObject(hole);
    return r;
}

// With a hatched brush the pattern is the colour FillRect gives each pixel: in the transparent
// background mode the gaps are no pattern, and a pixel there is left as it is by an operation
// that reads the pattern.
TEST_P(RasterOps, EveryPixelFollowsTheTruthTableInsideTheClipAndNoneOutside)
{
    const DWORD rop = GetParam().Rop;
    const bool readsPattern = ((rop >> 20) & 0xF) != ((rop >> 16) & 0xF);
    for (int brushKind = 0; brushKind < 3; ++brushKind) {
        SCOPED_TRACE(brushKind == 0 ? "solid" : brushKind == 1 ? "hatched, opaque" : "hatched, transparent");
        Canvas src, dst;
        src.Noise(1);
        dst.Noise(2);
        std::vector<COLORREF> s0 = src.Pixels(), d0 = dst.Pixels();
        HBRUSH brush = brushKind ? CreateHatchBrush(HS_DIAGCROSS, RGB(0x5A, 0xC3, 0x0F)) : CreateSolidBrush(RGB(0x5A, 0xC3, 0x0F));
        SetBkMode(dst.dc, brushKind == 2 ? TRANSPARENT : OPAQUE);
        SetBkColor(dst.dc, RGB(0x31, 0x07, 0xE4));
        // The pattern's colour at each pixel, and where there is one: the same on any background.
        std::vector<COLORREF> pattern[2];
        for (int k = 0; k < 2; ++k) {
            Canvas c;
            c.Noise(3);
            if (k)
                c.Set(std::vector<COLORREF>(size_t(W * H), 0));
            SetBkMode(c.dc, GetBkMode(dst.dc));
            SetBkColor(c.dc, GetBkColor(dst.dc));
            RECT all{0, 0, W, H};
            FillRect(c.dc, &all, brush);
            pattern[k] = c.Pixels();
        }
        HGDIOBJ oldBrush = SelectObject(dst.dc, brush);
        HRGN clip = Holes();
        SelectClipRgn(dst.dc, clip);
        // Destination 4..34 x 3..21 from source 2..32 x 1..19.
        ASSERT_TRUE(BitBlt(dst.dc, 4, 3, 30, 18, src.dc, 2, 1, rop));
        SelectClipRgn(dst.dc, nullptr);
        std::vector<COLORREF> d1 = dst.Pixels();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const size_t i = size_t(y * W + x);
                bool inBlit = x >= 4 && x < 34 && y >= 3 && y < 21;
                bool inHole = x >= 10 && x < 16 && y >= 5 && y < 12;
                const bool patterned = pattern[0][i] == pattern[1][i];
                COLORREF want = d0[i];
                if (inBlit && !inHole && (patterned || !readsPattern))
                    want = Reference(rop, pattern[0][i], s0[size_t((y - 2) * W + (x - 2))], d0[i]);
                ASSERT_EQ(d1[i], want) << "at " << x << "," << y;
            }
        SelectObject(dst.dc, oldBrush);
        DeleteObject(brush);
        DeleteObject(clip);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, RasterOps,
                         ::testing::Values(RopCase{"SrcCopy", SRCCOPY}, RopCase{"SrcInvert", SRCINVERT},
                                           RopCase{"SrcAnd", SRCAND}, RopCase{"SrcPaint", SRCPAINT},
                                           RopCase{"NotSrcCopy", NOTSRCCOPY}, RopCase{"DstInvert", DSTINVERT},
                                           RopCase{"PatCopy", PATCOPY}, RopCase{"PatInvert", PATINVERT},
                                           RopCase{"Blackness", BLACKNESS}, RopCase{"Whiteness", WHITENESS},
                                           RopCase{"MergeCopy", 0x00C000CA}, RopCase{"PatPaint", 0x00FB0A09}),
                         [](const ::testing::TestParamInfo<RopCase>& i) { return std::string(i.param.Name); });

// A binary operation from its number: R2_x - 1 is the truth table over (pen bit, destination bit).
COLORREF Binary(int rop2, COLORREF d, COLORREF p)
{
    COLORREF out = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const int i = int(((p >> bit) & 1) << 1 | ((d >> bit) & 1));
        out |= COLORREF(((rop2 - 1) >> i) & 1) << bit;
    }
    return out;
}

// Each pixel a figure covers takes the binary operation once, with the colour a copy draws there,
// and no other pixel changes: where the inside and the outline meet, where a wide pen's segments
// overlap, in the gaps of a styled pen or hatched brush (in the background colour when opaque, not
// at all when transparent), and none in the clip's hole. A styled pen dashes every figure's outline
// alike; only the closed figures have an inside.
TEST(BinaryRasterOps, EachPixelAFigureCoversTakesTheOperationOnce)
{
    using Figure = void (*)(HDC);
    const std::pair<const char*, Figure> figures[] = {
        {"LineTo",
         [](HDC dc) {
             MoveToEx(dc, 3, 20, nullptr);
             LineTo(dc, 36, 2);
         }},
        {"Polyline",
         [](HDC dc) {
             // The first point is no corner of the figure's box.
             const POINT pts[] = {{20, 12}, {3, 3}, {36, 6}, {8, 21}, {30, 16}};
             Polyline(dc, pts, 5);
         }},
        {"Polygon",
         [](HDC dc) {
             const POINT pts[] = {{4, 3}, {34, 4}, {20, 11}, {35, 20}, {6, 19}};
             Polygon(dc, pts, 5);
         }},
        // The polygon's outline, as a polyline back to its start.
        {"ClosedPolyline",
         [](HDC dc) {
             const POINT pts[] = {{4, 3}, {34, 4}, {20, 11}, {35, 20}, {6, 19}, {4, 3}};
             Polyline(dc, pts, 6);
         }},
        {"Rectangle", [](HDC dc) { Rectangle(dc, 6, 4, 34, 20); }},
        {"Ellipse", [](HDC dc) { Ellipse(dc, 5, 3, 35, 21); }},
        {"RoundRect", [](HDC dc) { RoundRect(dc, 6, 4, 34, 20, 12, 9); }},
        {"Arc", [](HDC dc) { Arc(dc, 5, 3, 35, 21, 35, 3, 5, 21); }},
        {"PaintRgn",
         [](HDC dc) {
             HRGN r = CreateRectRgn(4, 3, 20, 15), more = CreateRectRgn(14, 9, 33, 21);
             CombineRgn(r, r, more, RGN_OR);
             PaintRgn(dc, r);
             DeleteObject(r);
             DeleteObject(more);
         }},
    };
    struct PenCase {
        int Style, Width;
    };
    const PenCase pens[] = {{PS_NULL, 1}, {PS_SOLID, 1}, {PS_DOT, 1}, {PS_DASHDOTDOT, 0}, {PS_SOLID, 3}, {PS_INSIDEFRAME, 2}};
    const COLORREF penColor = RGB(0x21, 0xC4, 0x5B), brushColor = RGB(0xAA, 0x0F, 0xF0), bk = RGB(0x0C, 0x5E, 0xA7);
    std::mt19937 rng(5);
    std::map<std::pair<int, size_t>, std::vector<bool>> polygonOutline;  // by mode and pen
    for (const auto& [name, draw] : figures)
        for (int brushKind = 0; brushKind < 3; ++brushKind)
            for (int mode : {OPAQUE, TRANSPARENT}) {
                std::vector<bool> solidOutline;
                for (const PenCase& pc : pens) {
                    SCOPED_TRACE(testing::Message() << name << " brush " << brushKind << " mode " << mode << " pen "
                                                    << pc.Style << "/" << pc.Width);
                    // Draws the figure on the given pixels under rop; answers the pixels after.
                    const auto drawOn = [&](const std::vector<COLORREF>& before, int rop) {
                        Canvas c;
                        c.Set(before);
                        HBRUSH brush = brushKind == 0   ? CreateSolidBrush(brushColor)
                                       : brushKind == 1 ? CreateHatchBrush(HS_FDIAGONAL, brushColor)
                                                        : HBRUSH(GetStockObject(NULL_BRUSH));
                        HPEN pen = CreatePen(pc.Style, pc.Width, penColor);
                        HGDIOBJ oldBrush = SelectObject(c.dc, brush), oldPen = SelectObject(c.dc, pen);
                        SetBkMode(c.dc, mode);
                        SetBkColor(c.dc, bk);
                        SetROP2(c.dc, rop);
                        HRGN clip = Holes();
                        SelectClipRgn(c.dc, clip);
                        DeleteObject(clip);
                        draw(c.dc);
                        SelectObject(c.dc, oldBrush);
                        SelectObject(c.dc, oldPen);
                        DeleteObject(brush);
                        DeleteObject(pen);
                        return c.Pixels();
                    };
                    // What a copy covers comes out the same on any background.
                    std::vector<COLORREF> a(size_t(W * H)), b(a.size());
                    for (size_t i = 0; i < a.size(); ++i) {
                        a[i] = COLORREF(rng() & 0xFFFFFF);
                        b[i] = ~a[i] & 0xFFFFFF;
                    }
                    const std::vector<COLORREF> copyA = drawOn(a, R2_COPYPEN), copyB = drawOn(b, R2_COPYPEN);
                    std::vector<bool> covered(a.size());
                    size_t coverage = 0;
                    for (size_t i = 0; i < a.size(); ++i) {
                        covered[i] = copyA[i] == copyB[i];
                        ASSERT_TRUE(covered[i] || (copyA[i] == a[i] && copyB[i] == b[i])) << "blended at " << i;
                        coverage += covered[i];
                    }
                    if (brushKind == 2 && std::string(name) == "Polygon")
                        polygonOutline[{mode, size_t(&pc - pens)}] = covered;
                    if (std::string(name) == "ClosedPolyline") {
                        EXPECT_EQ(covered, (polygonOutline[{mode, size_t(&pc - pens)}])) << "a hollow polygon's outline";
                    }
                    if (pc.Style == PS_NULL && brushKind == 0) {
                        const bool open = std::string(name) == "LineTo" || std::string(name) == "Polyline" ||
                                          std::string(name) == "ClosedPolyline" || std::string(name) == "Arc";
                        EXPECT_EQ(coverage == 0, open) << "only a closed figure has an inside";
                    }
                    if (std::string(name) != "PaintRgn" && brushKind == 2) {
                        // The outline alone: a dotted one is part of the solid one, all of it when
                        // the gaps take the background colour.
                        if (pc.Style == PS_SOLID && pc.Width == 1)
                            solidOutline = covered;
                        if (pc.Style == PS_DOT) {
                            ASSERT_EQ(solidOutline.size(), covered.size());
                            const size_t solid = size_t(std::count(solidOutline.begin(), solidOutline.end(), true));
                            for (size_t i = 0; i < covered.size(); ++i)
                                ASSERT_TRUE(!covered[i] || solidOutline[i]) << "outside the outline at " << i;
                            if (mode == OPAQUE)
                                EXPECT_EQ(coverage, solid);
                            else
                                EXPECT_TRUE(coverage > solid / 4 && coverage < solid * 3 / 4) << coverage << " of " << solid;
                        }
                    }
                    for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
                        SCOPED_TRACE(testing::Message() << "rop " << rop);
                        const std::vector<COLORREF> got = drawOn(a, rop);
                        for (size_t i = 0; i < a.size(); ++i)
                            ASSERT_EQ(got[i], covered[i] ? Binary(rop, a[i], copyA[i]) : a[i])
                                << "at " << i % W << "," << i / W;
                    }
                }
            }
}

// Fills are no figures: FillRect and FillRgn copy the brush whatever the binary operation.
TEST(BinaryRasterOps, FillsCopyTheBrush)
{
    Canvas c;
    c.Noise(9);
    SetROP2(c.dc, R2_XORPEN);
    HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
    const RECT r{2, 2, 20, 12};
    FillRect(c.dc, &r, brush);
    HRGN rgn = CreateRectRgn(20, 12, 38, 22);
    FillRgn(c.dc, rgn, brush);
    DeleteObject(rgn);
    DeleteObject(brush);
    for (const POINT p : {POINT{2, 2}, POINT{19, 11}, POINT{20, 12}, POINT{37, 21}})
        EXPECT_EQ(GetPixel(c.dc, p.X, p.Y), RGB(0x12, 0x34, 0x56)) << p.X << "," << p.Y;
}

struct Move {
    const char* Name;
    int Dx, Dy;
};

class BlitWithinOneImage : public ::testing::TestWithParam<Move> {};

// Scrolling a bitmap's contents onto itself reads every pixel before it is overwritten, in every
// direction, with one clip rectangle or several.
TEST_P(BlitWithinOneImage, ReadsThePixelsAsTheyWere)
{
    const Move m = GetParam();
    for (bool holes : {false, true}) {
        Canvas c;
        c.Noise(7);
        std::vector<COLORREF> before = c.Pixels();
        HRGN clip = holes ? Holes() : nullptr;
        if (clip)
            SelectClipRgn(c.dc, clip);
        // The part 8..32 x 6..18 moves by (Dx, Dy).
        ASSERT_TRUE(BitBlt(c.dc, 8 + m.Dx, 6 + m.Dy, 24, 12, c.dc, 8, 6, SRCCOPY));
        SelectClipRgn(c.dc, nullptr);
        std::vector<COLORREF> after = c.Pixels();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                bool moved = x >= 8 + m.Dx && x < 32 + m.Dx && y >= 6 + m.Dy && y < 18 + m.Dy;
                bool inHole = holes && x >= 10 && x < 16 && y >= 5 && y < 12;
                COLORREF want = moved && !inHole ? before[size_t((y - m.Dy) * W + (x - m.Dx))]
                                                 : before[size_t(y * W + x)];
                ASSERT_EQ(after[size_t(y * W + x)], want) << (holes ? "holes " : "") << "at " << x << "," << y;
            }
        if (clip)
            DeleteObject(clip);
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, BlitWithinOneImage,
                         ::testing::Values(Move{"Down", 0, 3}, Move{"Up", 0, -4}, Move{"Right", 5, 0},
                                           Move{"Left", -6, 0}, Move{"DownRight", 2, 1}, Move{"UpLeft", -1, -1}),
                         [](const ::testing::TestParamInfo<Move>& i) { return std::string(i.param.Name); });

// A text run with advances of its own draws what the characters drawn one by one at those places
// draw, with one background under the whole run.
TEST(TextRuns, AdvancesPlaceEachCharacterAndTheBackgroundSpansThemAll)
{
    const char* text = "W\xE9i1";  // a wide letter, one beyond ASCII, narrow ones
    const int dx[4] = {9, 8, 4, 5};
    Canvas a, b;
    for (Canvas* c : {&a, &b}) {
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        RECT all{0, 0, W, H};
        FillRect(c->dc, &all, white);
        DeleteObject(white);
        SetBkMode(c->dc, TRANSPARENT);
    }
    ASSERT_TRUE(ExtTextOut(a.dc, 2, 3, 0, nullptr, text, 4, dx));
    int x = 2;
    for (int i = 0; i < 4; ++i) {
        TextOut(b.dc, x, 3, text + i, 1);
        x += dx[i];
    }
    EXPECT_EQ(a.Pixels(), b.Pixels());
    // Opaque: the background covers exactly the sum of the advances, the cell's height.
    Canvas o;
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT all{0, 0, W, H};
    FillRect(o.dc, &all, white);
    DeleteObject(white);
    SetBkMode(o.dc, OPAQUE);
    SetBkColor(o.dc, RGB(0, 0, 200));
    TEXTMETRIC tm;
    GetTextMetrics(o.dc, &tm);
    ExtTextOut(o.dc, 2, 3, 0, nullptr, "   ", 3, dx);
    EXPECT_EQ(GetPixel(o.dc, 2, 3), RGB(0, 0, 200));
    EXPECT_EQ(GetPixel(o.dc, 2 + 9 + 8 + 4 - 1, 3 + tm.tmHeight - 1), RGB(0, 0, 200));
    EXPECT_EQ(GetPixel(o.dc, 2 + 9 + 8 + 4, 3), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(o.dc, 2, 3 + tm.tmHeight), RGB(255, 255, 255));
}

TEST(TextRuns, ARunWithAdvancesStaysInsideItsClippingRectangle)
{
    // Room all round the run, so that only the clipping rectangle can hold it in.
    const int w = 120, h = 60;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, w, h);
    HGDIOBJ old = SelectObject(dc, bmp);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT all{0, 0, w, h};
    FillRect(dc, &all, white);
    DeleteObject(white);
    SetBkMode(dc, TRANSPARENT);
    const int dx[3] = {8, 8, 8};
    RECT box{30, 0, 41, h};
    ExtTextOut(dc, 20, 20, ETO_CLIPPED, &box, "MMM", 3, dx);
    bool inside = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool ink = GetPixel(dc, x, y) != RGB(255, 255, 255);
            if (x < 30 || x >= 41) {
                ASSERT_FALSE(ink) << "at " << x << "," << y;
            }
            inside = inside || ink;
        }
    EXPECT_TRUE(inside);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST(TextRuns, AnOpaqueRunStaysInsideItsClippingRectangle)
{
    Canvas c;
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT all{0, 0, W, H};
    FillRect(c.dc, &all, white);
    DeleteObject(white);
    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, RGB(200, 0, 0));
    RECT box{5, 2, 15, 20};
    ExtTextOut(c.dc, 0, 4, ETO_CLIPPED, &box, "MMMMMM", 6, nullptr);
    EXPECT_EQ(GetPixel(c.dc, 4, 5), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(c.dc, 15, 5), RGB(255, 255, 255));
    bool painted = false;
    for (int x = 5; x < 15; ++x)
        painted = painted || GetPixel(c.dc, x, 5) != RGB(255, 255, 255);
    EXPECT_TRUE(painted);
}

// What is drawn through a window's context reaches the screen, overhanging glyphs and thick pens
// included, while the rest of the window is left as it was.
TEST(WindowDrawing, EachKindOfDrawingReachesTheScreen)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 400, 300);
    form->SetColor(clWhite);
    form->AfterConstruction();
    form->Show();
    uitest::Pump();
    HWND h = form->Handle();
    TBitmap before;
    ASSERT_TRUE(CaptureControlImage(form, &before));
    HDC dc = GetDC(h);
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    RECT small{20, 20, 36, 36};
    FillRect(dc, &small, green);
    HPEN thick = CreatePen(PS_SOLID, 5, RGB(0, 0, 200));
    HGDIOBJ oldPen = SelectObject(dc, thick);
    MoveToEx(dc, 100, 40, nullptr);
    LineTo(dc, 180, 40);
    SelectObject(dc, oldPen);
    RECT focus{220, 20, 260, 50};
    DrawFocusRect(dc, &focus);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(200, 0, 0));
    TextOut(dc, 30, 120, "Wj", 2);
    Ellipse(dc, 200, 100, 260, 160);
    ReleaseDC(h, dc);
    uitest::Pump();
    TBitmap after;
    ASSERT_TRUE(CaptureControlImage(form, &after));
    // The picture of a form without a menu bar is its client area.
    ASSERT_EQ(after.Width(), form->ClientWidth());
    auto at = [](TBitmap& b, int x, int y) { return ColorToRGB(b.Canvas()->Pixels(x, y)); };
    EXPECT_EQ(at(after, 28, 28), RGB(0, 160, 0));
    // The thick line's edges, two pixels off its centre.
    EXPECT_EQ(at(after, 140, 38), RGB(0, 0, 200));
    EXPECT_EQ(at(after, 140, 42), RGB(0, 0, 200));
    EXPECT_NE(at(after, 220, 20), at(before, 220, 20));
    bool text = false;
    for (int y = 118; y < 140 && !text; ++y)
        for (int x = 28; x < 50 && !text; ++x)
            text = at(after, x, y) == RGB(200, 0, 0);
    EXPECT_TRUE(text);
    // The ellipse's outline on its left side.
    bool outline = false;
    for (int x = 198; x < 206 && !outline; ++x)
        outline = at(after, x, 130) == RGB(0, 0, 0);
    EXPECT_TRUE(outline);
    // Elsewhere nothing changed.
    EXPECT_EQ(at(after, 350, 250), at(before, 350, 250));
    DeleteObject(green);
    DeleteObject(thick);
    delete form;
}

}  // namespace

// The drawing fast paths give what the general ones give: the clip a context keeps between calls
// follows every change of it, plain copies are told apart from the other raster operations, solid
// fills cover their rectangle exactly and text drawn glyph by glyph looks as shaped text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "platform/WinGdiMore.h"

namespace {

struct Target {
    Target()
    {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(nullptr, 20, 10);
        old = SelectObject(dc, bmp);
        Fill(0, 0, 20, 10, RGB(128, 128, 128));
    }
    ~Target()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    void Fill(int l, int t, int r, int b, COLORREF c)
    {
        HBRUSH br = CreateSolidBrush(c);
        RECT rc{l, t, r, b};
        FillRect(dc, &rc, br);
        DeleteObject(br);
    }
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
};

TEST(FastPaths, TheKeptClipFollowsEveryChange)
{
    Target t;
    HRGN none = CreateRectRgn(0, 0, 0, 0), left = CreateRectRgn(0, 0, 5, 10), right = CreateRectRgn(10, 0, 20, 10);
    SelectClipRgn(t.dc, none);
    t.Fill(0, 0, 20, 10, RGB(255, 0, 0));
    SelectClipRgn(t.dc, left);
    t.Fill(0, 0, 20, 10, RGB(0, 255, 0));
    SelectClipRgn(t.dc, none);  // back to a clip seen before: nothing may be drawn
    t.Fill(0, 0, 20, 10, RGB(0, 0, 255));
    SelectClipRgn(t.dc, right);
    t.Fill(0, 0, 20, 10, RGB(255, 255, 0));
    SelectClipRgn(t.dc, nullptr);
    EXPECT_EQ(GetPixel(t.dc, 2, 2), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(t.dc, 7, 2), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(t.dc, 12, 2), RGB(255, 255, 0));
    // Moving the origin moves the clip with it.
    SelectClipRgn(t.dc, left);
    SetViewportOrgEx(t.dc, 0, 0, nullptr);
    ExcludeClipRect(t.dc, 0, 0, 2, 10);
    t.Fill(0, 0, 20, 10, RGB(0, 0, 0));
    SelectClipRgn(t.dc, nullptr);
    EXPECT_EQ(GetPixel(t.dc, 1, 2), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(t.dc, 3, 2), RGB(0, 0, 0));
    DeleteObject(none);
    DeleteObject(left);
    DeleteObject(right);
}

// Lines leaving a clip rectangle in every direction stop at its edge: the clip a line keeps from
// pixel to pixel is the whole rectangle it found, not more.
TEST(FastPaths, ClippedLinesStopAtTheClipsEdges)
{
    struct Case {
        const char* Name;
        int X0, Y0, X1, Y1;
    };
    const Case cases[] = {
        {"Up", 10, 5, 10, -5},   {"Down", 10, 5, 10, 15},     {"Left", 10, 5, -5, 5},
        {"Right", 10, 5, 25, 5}, {"UpLeft", 10, 5, 0, -5}, {"DownRight", 10, 5, 20, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Target t;
        HRGN clip = CreateRectRgn(4, 3, 16, 7);
        SelectClipRgn(t.dc, clip);
        HGDIOBJ old = SelectObject(t.dc, GetStockObject(BLACK_PEN));
        MoveToEx(t.dc, c.X0, c.Y0, nullptr);
        LineTo(t.dc, c.X1, c.Y1);
        SelectObject(t.dc, old);
        SelectClipRgn(t.dc, nullptr);
        int inside = 0, outside = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool drawn = GetPixel(t.dc, x, y) == RGB(0, 0, 0);
                (x >= 4 && x < 16 && y >= 3 && y < 7 ? inside : outside) += drawn;
            }
        EXPECT_GT(inside, 0);
        EXPECT_EQ(outside, 0);
        DeleteObject(clip);
    }
}

TEST(FastPaths, OnlyPlainCopiesCopy)
{
    Target src, dst;
    src.Fill(0, 0, 20, 10, RGB(0x0F, 0xF0, 0x33));
    dst.Fill(0, 0, 20, 10, RGB(0xFF, 0x0F, 0x11));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 5, 5, src.dc, 0, 0, SRCINVERT));
    EXPECT_EQ(GetPixel(dst.dc, 1, 1), RGB(0xF0, 0xFF, 0x22));
    ASSERT_TRUE(BitBlt(dst.dc, 5, 0, 5, 5, src.dc, 0, 0, SRCAND));
    EXPECT_EQ(GetPixel(dst.dc, 6, 1), RGB(0x0F, 0x00, 0x11));
    ASSERT_TRUE(BitBlt(dst.dc, 10, 0, 5, 5, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc, 11, 1), RGB(0x0F, 0xF0, 0x33));
    // A source reaching past its bitmap takes the general path: nothing past the edge is invented.
    ASSERT_TRUE(BitBlt(dst.dc, 0, 5, 10, 5, src.dc, 15, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc, 2, 6), RGB(0x0F, 0xF0, 0x33));
    // A stretched copy is stretched, not copied pixel for pixel.
    src.Fill(10, 0, 20, 10, RGB(0, 0, 0xFF));
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 20, 10, src.dc, 0, 0, 10, 10, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc, 15, 5), RGB(0x0F, 0xF0, 0x33));
}

TEST(FastPaths, MeasuringTextStillMeasures)
{
    Target t;
    RECT r{5, 5, 5, 5};
    DrawText(t.dc, "", 0, &r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.Right, 5);
    RECT wide{0, 0, 0, 0};
    DrawText(t.dc, "Wide text", -1, &wide, DT_CALCRECT | DT_SINGLELINE);
    SIZE sz;
    GetTextExtentPoint32(t.dc, "Wide text", 9, &sz);
    EXPECT_EQ(wide.Right, sz.cx);
}

// Text that skips the code-page table must still read as the font's code page: 0x80..0x9F are no
// Latin-1 letters in 1252, and every byte above 0x7F is another letter in 1251.
TEST(FastPaths, TextReadsInTheFontsCodePage)
{
    struct Case {
        BYTE charset;
        const char* bytes;
        const char16_t* letters;
        const char16_t* latin1;  // what the bytes would wrongly read as
    };
    const Case cases[] = {
        {ANSI_CHARSET, "a\x80", u"a\u20AC", u"a\u0080"},
        {RUSSIAN_CHARSET, "\xD8\xDE\xE6\xD9", u"\u0428\u042E\u0436\u0429", u"\u00D8\u00DE\u00E6\u00D9"},
    };
    Target t;
    for (const Case& c : cases) {
        LOGFONT lf{};
        lf.lfHeight = -40;
        lf.lfCharSet = c.charset;
        HFONT font = CreateFontIndirect(&lf);
        HGDIOBJ old = SelectObject(t.dc, font);
        const UINT fmt = DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX;
        RECT bytes{0, 0, 0, 0}, letters{0, 0, 0, 0}, latin1{0, 0, 0, 0};
        DrawText(t.dc, c.bytes, -1, &bytes, fmt);
        DrawTextW(t.dc, c.letters, -1, &letters, fmt);
        DrawTextW(t.dc, c.latin1, -1, &latin1, fmt);
        EXPECT_EQ(bytes.Right, letters.Right) << int(c.charset);
        EXPECT_NE(letters.Right, latin1.Right) << "the case cannot tell the pages apart";
        SelectObject(t.dc, old);
        DeleteObject(font);
    }
}

}  // namespace

// Solid fills of every width around the widths filled in wide blocks, at odd starts: exactly the
// rectangle changes, its tail included.
TEST(FastPaths, SolidFillsCoverExactlyTheirRectangle)
{
    const int kWidth = 40, kHeight = 4;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
    HGDIOBJ old = SelectObject(dc, bmp);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128)), red = CreateSolidBrush(RGB(255, 0, 0));
    for (int start : {0, 3}) {
        for (int width = 0; width <= 20; ++width) {
            SCOPED_TRACE(testing::Message() << "start " << start << ", width " << width);
            RECT all{0, 0, kWidth, kHeight}, part{start, 1, start + width, 3};
            FillRect(dc, &all, grey);
            FillRect(dc, &part, red);
            int wrong = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const bool in = x >= start && x < start + width && y >= 1 && y < 3;
                    wrong += GetPixel(dc, x, y) != (in ? RGB(255, 0, 0) : RGB(128, 128, 128));
                }
            EXPECT_EQ(wrong, 0);
        }
    }
    DeleteObject(grey);
    DeleteObject(red);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

// Text drawn glyph by glyph looks as the toolkit's shaped text does: an underlined font is always
// shaped, and above the baseline it must show the same pixels as the plain font. Ligatures, letters
// of another code page and characters the font lacks are the cases where drawing glyph by glyph
// could go wrong.
TEST(FastPaths, GlyphDrawnTextMatchesShapedText)
{
    struct Case {
        BYTE charset;
        const char* text;
    };
    const Case cases[] = {
        {ANSI_CHARSET, "Gale warning NNNN 0123"},
        {ANSI_CHARSET, "office fluff fjord"},
        {ANSI_CHARSET, "caf\xE9 \x80 \x93quoted\x94"},
        {RUSSIAN_CHARSET, "\xD8\xDE\xE6\xD9 \xCF\xD0\xC8\xC2\xC5\xD2"},
        {EASTEUROPE_CHARSET, "\x8A\x9A \xC8\xE8 \xA3\xB3"},
        // The soft hyphen shows nowhere inside a line; a control code is no glyph of the font.
        {ANSI_CHARSET, "co\xADoperate\x01 items"},
    };
    const int kWidth = 400, kHeight = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<COLORREF> shown[2];
        int ascent = 0;
        for (int underline = 0; underline < 2; ++underline) {
            HDC dc = CreateCompatibleDC(nullptr);
            HBITMAP bmp = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
            HGDIOBJ oldBmp = SelectObject(dc, bmp);
            LOGFONT lf{};
            lf.lfHeight = -20;
            lf.lfCharSet = c.charset;
            lf.lfUnderline = BYTE(underline);
            HFONT font = CreateFontIndirect(&lf);
            HGDIOBJ oldFont = SelectObject(dc, font);
            TEXTMETRIC tm;
            GetTextMetrics(dc, &tm);
            ascent = tm.tmAscent;
            RECT all{0, 0, kWidth, kHeight};
            FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
            SetBkMode(dc, TRANSPARENT);
            TextOut(dc, 2, 2, c.text, int(strlen(c.text)));
            for (int y = 0; y < 2 + ascent; ++y)
                for (int x = 0; x < kWidth; ++x)
                    shown[underline].push_back(GetPixel(dc, x, y));
            // Below the baseline an underline runs under the whole text.
            SIZE extent;
            GetTextExtentPoint32(dc, c.text, int(strlen(c.text)), &extent);
            int longest = 0;
            for (int y = 2 + ascent; y < 2 + tm.tmHeight; ++y) {
                int run = 0;
                for (int x = 2; x < 2 + extent.cx; ++x)
                    run += GetPixel(dc, x, y) != RGB(255, 255, 255);
                longest = std::max(longest, run);
            }
            EXPECT_EQ(longest == extent.cx, underline == 1) << "underline " << underline;
            SelectObject(dc, oldFont);
            DeleteObject(font);
            SelectObject(dc, oldBmp);
            DeleteObject(bmp);
            DeleteDC(dc);
        }
        int ink = 0, differ = 0;
        for (size_t i = 0; i < shown[0].size(); ++i) {
            ink += shown[1][i] != RGB(255, 255, 255);
            differ += shown[0][i] != shown[1][i];
        }
        ASSERT_GT(ink, 50) << "the text must show";
        EXPECT_EQ(differ, 0);
    }
}

namespace {

// The width of each prefix comes out as drawing measures the text, whether its glyphs are added up
// or the text is shaped (ligatures, soft hyphens, tabs, control codes), at small and large sizes and
// with extra space between characters: the last is the whole string's width, and plain text's
// prefixes are each measured alone.
TEST(FastPaths, EachPrefixMeasuresAsTheTextIsDrawn)
{
    const std::string plain = "abcdeghjkmnopqrstuvwxyz ABCW0123.,";
    const std::string shaped = "fffil\xAD\t\x01\xE9\x80";
    HDC dc = CreateCompatibleDC(nullptr);
    for (int height : {-8, -11, -20})
        for (unsigned seed : {1u, 2u, 3u, 4u}) {
            std::mt19937 rng(seed);
            LOGFONT lf{};
            lf.lfHeight = height;
            lf.lfWeight = seed % 2 ? FW_NORMAL : FW_BOLD;
            HFONT font = CreateFontIndirect(&lf);
            HGDIOBJ old = SelectObject(dc, font);
            SetTextCharacterExtra(dc, seed == 4 ? 2 : 0);
            for (int round = 0; round < 40; ++round) {
                const bool onlyPlain = round % 2 == 0;
                std::string s = round == 1 ? "office fluffy efficient affluent" : "";
                const size_t length = 1 + rng() % 40;
                while (s.size() < length) {
                    const std::string& from = onlyPlain || rng() % 3 ? plain : shaped;
                    s += from[rng() % from.size()];
                }
                SCOPED_TRACE(testing::Message() << height << " seed " << seed << " '" << s << "'");
                const int n = int(s.size());
                std::vector<int> dx(size_t(n), -1);
                SIZE size{}, whole{};
                int fit = -1;
                ASSERT_TRUE(GetTextExtentPoint32(dc, s.c_str(), n, &whole));
                const int room = int(rng() % unsigned(whole.cx + 20));
                ASSERT_TRUE(GetTextExtentExPoint(dc, s.c_str(), n, room, &fit, dx.data(), &size));
                EXPECT_EQ(size.cx, whole.cx);
                EXPECT_EQ(size.cy, whole.cy);
                RECT calc{0, 0, 0, 0};
                DrawText(dc, s.c_str(), n, &calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
                EXPECT_EQ(calc.Right, whole.cx);
                ASSERT_EQ(dx.back(), whole.cx);
                int fits = 0;
                for (int i = 0; i < n; ++i) {
                    ASSERT_GE(dx[size_t(i)], i ? dx[size_t(i - 1)] : 0) << "at " << i;
                    fits += dx[size_t(i)] <= room;
                    if (onlyPlain) {
                        SIZE prefix{};
                        GetTextExtentPoint32(dc, s.c_str(), i + 1, &prefix);
                        ASSERT_EQ(dx[size_t(i)], prefix.cx) << "at " << i;
                    }
                }
                EXPECT_EQ(fit, fits);
            }
            SelectObject(dc, old);
            DeleteObject(font);
        }
    DeleteDC(dc);
}

}  // namespace

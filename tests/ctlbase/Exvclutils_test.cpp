#include "ctlbase/Exvclutils.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <memory>
#include <tuple>
#include <string>
#include <vector>

#include "ctlbase/Extools.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/WinGdiMore.h"
#include "tests/support/UiTest.h"

namespace {

// A bitmap to draw on, with pixel reads as RGB values.
struct Surface {
    explicit Surface(int w, int h, TColor fill = clWhite)
    {
        bmp.SetSize(w, h);
        bmp.Canvas()->Brush()->SetColor(fill);
        bmp.Canvas()->FillRect(Rect(0, 0, w, h));
    }
    HDC dc() { return bmp.Canvas()->Handle(); }
    TCanvas* canvas() { return bmp.Canvas(); }
    TColor at(int x, int y) { return bmp.Canvas()->Pixels(x, y); }
    // Rows of '#' where the pixel has colour c, '.' elsewhere.
    std::vector<std::string> picture(TColor c)
    {
        std::vector<std::string> rows;
        for (int y = 0; y < bmp.Height(); ++y) {
            std::string row;
            for (int x = 0; x < bmp.Width(); ++x)
                row += at(x, y) == c ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }
    TBitmap bmp;
};

// Distinct values for the system colours the frames use, put back afterwards.
class SysColors : public ::testing::Test {
public:
    static constexpr TColor F = 0x101010, S = 0x202020, H = 0x303030, D = 0x404040, Lt = 0x505050,
                            W = 0x606060, WF = 0x707070, T = 0x808080;
    void SetUp() override
    {
        for (auto [index, value] : std::map<int, TColor>{{COLOR_BTNFACE, F}, {COLOR_BTNSHADOW, S},
                                                         {COLOR_BTNHIGHLIGHT, H}, {COLOR_3DDKSHADOW, D},
                                                         {COLOR_3DLIGHT, Lt}, {COLOR_WINDOW, W},
                                                         {COLOR_WINDOWFRAME, WF}, {COLOR_BTNTEXT, T}}) {
            saved[index] = GetSysColor(index);
            SetSysColorEntry(index, COLORREF(value));
        }
    }
    void TearDown() override
    {
        for (auto [index, value] : saved)
            SetSysColorEntry(index, value);
    }

private:
    std::map<int, COLORREF> saved;
};

// ---------------------------------------------------------------- colours

TEST(ColorArithmetic, IncColorClampsEachComponentAndInvertMirrorsIt)
{
    EXPECT_EQ(IncColor(clWhite, 10, 10, 10), clWhite);
    EXPECT_EQ(IncColor(TColor(RGB(5, 100, 250)), -10, 20, 10), TColor(RGB(0, 120, 255)));
    EXPECT_EQ(IncColor(clBtnFace, 0, 0, 0), TColor(GetSysColor(COLOR_BTNFACE)));
    // Steps at the ends of the integer range clamp instead of wrapping around.
    EXPECT_EQ(IncColor(clWhite, MaxInt, MaxInt, MaxInt), clWhite);
    EXPECT_EQ(IncColor(TColor(RGB(1, 2, 3)), -MaxInt - 1, 0, MaxInt), TColor(RGB(0, 2, 255)));
    EXPECT_EQ(InvertColor(TColor(RGB(0, 100, 255))), TColor(RGB(255, 155, 0)));
}

struct HlsCase {
    const char* name;
    COLORREF rgb;
    int h, l, s;
    COLORREF back;  // HLStoRGB of the result
};

void PrintTo(const HlsCase& c, std::ostream* os) { *os << c.name; }

class HlsTable : public ::testing::TestWithParam<HlsCase> {};

TEST_P(HlsTable, ConvertsOnTheIntegerScaleAndBack)
{
    const HlsCase& c = GetParam();
    const Integer hls = RGBtoHLS(TColor(c.rgb));
    EXPECT_EQ(hls & 0xFF, c.h);
    EXPECT_EQ((hls >> 8) & 0xFF, c.l);
    EXPECT_EQ((hls >> 16) & 0xFF, c.s);
    EXPECT_EQ(HLStoRGB(hls), TColor(c.back));
}

INSTANTIATE_TEST_SUITE_P(
    Colours, HlsTable,
    ::testing::Values(HlsCase{"Black", RGB(0, 0, 0), 168, 0, 0, RGB(0, 0, 0)},
                      HlsCase{"Grey", RGB(128, 128, 128), 168, 126, 0, RGB(127, 127, 127)},
                      HlsCase{"White", RGB(255, 255, 255), 168, 252, 0, RGB(255, 255, 255)},
                      HlsCase{"Blue", RGB(0, 0, 255), 168, 126, 252, RGB(0, 0, 255)},
                      HlsCase{"DarkGreen", RGB(0, 128, 0), 84, 63, 252, RGB(0, 128, 0)},
                      // Red the largest and blue above green: the hue wraps below zero.
                      HlsCase{"RoseHueWraps", RGB(255, 0, 128), 231, 126, 252, RGB(255, 0, 128)},
                      // A light colour: saturation over 510 - delta, lower than the usual formula's.
                      HlsCase{"LightRedLowSaturation", RGB(255, 128, 128), 0, 189, 84, RGB(213, 170, 170)}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- fills, bevels and 3-D rectangles

TEST(Fills, SolidRectKeepsTheBackgroundColourAndBevelReturnsTheInside)
{
    Surface s(8, 8);
    SetBkColor(s.dc(), RGB(1, 2, 3));
    FillSolidRect(s.dc(), 2, 1, 3, 2, clRed);
    EXPECT_EQ(s.picture(clRed), (std::vector<std::string>{"........", "..###...", "..###...", "........",
                                                          "........", "........", "........", "........"}));
    EXPECT_EQ(GetBkColor(s.dc()), RGB(1, 2, 3));

    Surface b(6, 5);
    TRect inner = DrawBevel(b.dc(), Rect(0, 0, 6, 5), clRed, clBlue, AllBorderSides);
    EXPECT_EQ(inner, Rect(1, 1, 5, 4));
    // The bottom-right colour takes the two far corners.
    EXPECT_EQ(b.picture(clRed), (std::vector<std::string>{"#####.", "#.....", "#.....", "#.....", "......"}));
    EXPECT_EQ(b.picture(clBlue), (std::vector<std::string>{".....#", ".....#", ".....#", ".....#", "######"}));
    EXPECT_EQ(DrawBevel(b.dc(), Rect(0, 0, 6, 5), clRed, clBlue, BorderSide(ebsLeft) | BorderSide(ebsBottom)),
              Rect(1, 0, 6, 4));
}

TEST(Fills, Draw3dRectExDrawsOnlyTheChosenSides)
{
    Surface s(7, 5);
    Draw3dRectEx(s.dc(), 1, 0, 5, 4, clRed, clBlue, BorderSide(ebsTop) | BorderSide(ebsRight));
    EXPECT_EQ(s.picture(clRed), (std::vector<std::string>{".####..", ".......", ".......", ".......", "......."}));
    EXPECT_EQ(s.picture(clBlue), (std::vector<std::string>{".....#.", ".....#.", ".....#.", ".....#.", "......."}));
}

// ---------------------------------------------------------------- button frames

struct FrameCase {
    const char* name;
    bool focused, down;
    TColor face;
    // Outer top, outer right, inner top, inner right.
    TColor outerTL, outerBR, innerTL, innerBR;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class ButtonFrames : public SysColors, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(ButtonFrames, RingsTakeTheirColoursFromTheFace)
{
    const FrameCase& c = GetParam();
    Surface s(10, 8, clLime);
    DrawButtonFrameEx(s.dc(), Rect(0, 0, 10, 8), c.focused, c.down, c.face, false);
    EXPECT_EQ(s.at(4, 0), c.outerTL);
    EXPECT_EQ(s.at(0, 4), c.outerTL);
    EXPECT_EQ(s.at(9, 4), c.outerBR);
    EXPECT_EQ(s.at(4, 7), c.outerBR);
    EXPECT_EQ(s.at(9, 0), c.outerBR);
    EXPECT_EQ(s.at(4, 1), c.innerTL);
    EXPECT_EQ(s.at(1, 4), c.innerTL);
    EXPECT_EQ(s.at(8, 4), c.innerBR);
    EXPECT_EQ(s.at(4, 6), c.innerBR);
    EXPECT_EQ(s.at(4, 3), clLime);  // the face is left alone

    Surface thin(10, 8, clLime);
    DrawButtonFrameEx(thin.dc(), Rect(0, 0, 10, 8), c.focused, c.down, c.face, true);
    EXPECT_EQ(thin.at(4, 0), c.outerTL);
    EXPECT_EQ(thin.at(4, 1), clLime);
}

constexpr TColor kGrey = 0x808080;     // lightness 126: edges at 168, 63 and 84
constexpr TColor kBlueFace = 0xFF0000;  // hue and saturation kept
INSTANTIATE_TEST_SUITE_P(
    Cases, ButtonFrames,
    ::testing::Values(
        FrameCase{"SystemFaceUp", false, false, clBtnFace, SysColors::H, SysColors::S, SysColors::F, SysColors::F},
        FrameCase{"SystemFaceFocused", true, false, clBtnFace, SysColors::H, SysColors::D, SysColors::F, SysColors::S},
        FrameCase{"SystemFaceDown", false, true, clBtnFace, SysColors::S, SysColors::H, SysColors::F, SysColors::F},
        FrameCase{"SystemFaceDownFocused", true, true, clBtnFace, SysColors::D, SysColors::H, SysColors::S,
                  SysColors::F},
        FrameCase{"BlackFallsBackToSystem", true, false, clBlack, SysColors::H, SysColors::D, clBlack, SysColors::S},
        FrameCase{"GreyUp", false, false, kGrey, TColor(RGB(170, 170, 170)), TColor(RGB(85, 85, 85)), kGrey, kGrey},
        FrameCase{"GreyDownFocused", true, true, kGrey, TColor(RGB(63, 63, 63)), TColor(RGB(170, 170, 170)),
                  TColor(RGB(85, 85, 85)), kGrey},
        FrameCase{"BlueFocused", true, false, kBlueFace, TColor(RGB(85, 85, 255)), TColor(RGB(0, 0, 128)),
                  kBlueFace, TColor(RGB(0, 0, 170))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SysColors, ExplicitFramesIgnoreFocusWhenDownAndSidesLimitTheRings)
{
    Surface s(10, 8, clLime);
    DrawButtonFrameEx2(s.dc(), Rect(0, 0, 10, 8), false, true, clRed, false, clRed, clBlue, clYellow, clAqua);
    EXPECT_EQ(s.at(4, 0), clBlue);   // dark shadow outside
    EXPECT_EQ(s.at(9, 4), clRed);    // highlight
    EXPECT_EQ(s.at(4, 1), clAqua);   // shadow inside
    EXPECT_EQ(s.at(8, 4), clYellow);

    Surface sides(10, 8, clLime);
    DrawButtonFrameEx3(sides.dc(), Rect(0, 0, 10, 8), false, false, clBtnFace, false, BorderSide(ebsBottom));
    EXPECT_EQ(sides.at(4, 0), clLime);
    EXPECT_EQ(sides.at(9, 4), clLime);
    EXPECT_EQ(sides.at(4, 7), S);
    EXPECT_EQ(sides.at(4, 6), F);

    Surface plain(10, 8, clLime);
    DrawButtonFrame(plain.dc(), Rect(0, 0, 10, 8), true, false);
    EXPECT_EQ(plain.at(4, 0), H);
    EXPECT_EQ(plain.at(9, 4), D);
    EXPECT_EQ(plain.at(8, 4), S);
    DrawButtonFrame(plain.dc(), Rect(0, 0, 10, 8), false, true);
    EXPECT_EQ(plain.at(4, 0), D);
    EXPECT_EQ(plain.at(4, 1), S);
    DrawFlatScrollbarThumb(plain.dc(), Rect(0, 0, 10, 8), true);
    EXPECT_EQ(plain.at(4, 0), F);
    EXPECT_EQ(plain.at(9, 4), D);
    EXPECT_EQ(plain.at(4, 1), H);
    DrawFlatFrameEx(plain.dc(), Rect(0, 0, 10, 8), clRed, false, true);
    EXPECT_EQ(plain.at(4, 0), S);
    EXPECT_EQ(plain.at(9, 4), H);
    EXPECT_EQ(plain.at(4, 1), Lt);
}

// ---------------------------------------------------------------- flat border types

struct BorderCase {
    const char* name;
    TExFlatBorderType type;
    // Pixels 0, 1 and 2 deep from the top, left, right and bottom edges of a 10 x 10 frame.
    TColor top[3], left[3], right[3], bottom[3];
    TColor bottomLeft, topRight;  // the two corners where the two colours meet
};

void PrintTo(const BorderCase& c, std::ostream* os) { *os << c.name; }

class FlatBorders : public SysColors, public ::testing::WithParamInterface<BorderCase> {};

constexpr TColor K = 0x0000AA;  // the frame's own colour
constexpr TColor X = clLime;    // untouched
TEST_P(FlatBorders, EachTypeDrawsItsEdgeAndTouchUps)
{
    const BorderCase& c = GetParam();
    // Drawn two pixels in from the surface's edges: nothing may land outside the frame.
    Surface s(14, 14, X);
    DrawFlatFrameEx2(s.dc(), Rect(2, 2, 12, 12), K, false, false, AllBorderSides, c.type);
    for (int d = 0; d < 3; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(s.at(6, 2 + d), c.top[d]);
        EXPECT_EQ(s.at(2 + d, 6), c.left[d]);
        EXPECT_EQ(s.at(11 - d, 6), c.right[d]);
        EXPECT_EQ(s.at(6, 11 - d), c.bottom[d]);
    }
    EXPECT_EQ(s.at(2, 11), c.bottomLeft);
    EXPECT_EQ(s.at(11, 2), c.topRight);
    for (int i = 0; i < 14; ++i)
        for (int m : {0, 1, 12, 13}) {
            ASSERT_EQ(s.at(i, m), X) << i << "," << m;
            ASSERT_EQ(s.at(m, i), X) << m << "," << i;
        }
}

using SC = SysColors;
INSTANTIATE_TEST_SUITE_P(
    Types, FlatBorders,
    ::testing::Values(
        BorderCase{"Flat", fbtFlat, {SC::S, K, X}, {SC::S, K, X}, {SC::H, K, X}, {SC::H, K, X}, SC::H, SC::H},
        BorderCase{"Sunken", fbtSunken, {SC::S, SC::D, X}, {SC::S, SC::D, X}, {SC::H, SC::Lt, X}, {SC::H, SC::Lt, X}, SC::H, SC::H},
        BorderCase{"SunkenInner", fbtSunkenInner, {SC::D, SC::F, X}, {SC::D, SC::F, X}, {SC::F, SC::F, X},
                   {SC::F, SC::F, X}, SC::F, SC::F},
        BorderCase{"SunkenOuter", fbtSunkenOuter, {SC::S, SC::F, X}, {SC::S, SC::F, X}, {SC::W, SC::F, X},
                   {SC::W, SC::F, X}, SC::W, SC::W},
        BorderCase{"Raised", fbtRaised, {SC::Lt, SC::H, SC::S}, {SC::Lt, SC::H, SC::S}, {SC::D, SC::S, SC::H},
                   {SC::D, SC::S, SC::H}, SC::D, SC::D},
        BorderCase{"RaisedInner", fbtRaisedInner, {SC::H, SC::F, X}, {SC::H, SC::F, X}, {SC::S, SC::F, X},
                   {SC::S, SC::F, X}, SC::S, SC::S},
        BorderCase{"RaisedOuter", fbtRaisedOuter, {SC::Lt, SC::F, X}, {SC::Lt, SC::F, X}, {SC::S, SC::F, X},
                   {SC::S, SC::F, X}, SC::S, SC::S},
        BorderCase{"Bump", fbtBump, {SC::Lt, SC::S, X}, {SC::Lt, SC::S, X}, {SC::D, SC::Lt, X}, {SC::S, SC::Lt, X}, SC::S, SC::D},
        BorderCase{"BigBump", fbtBigBump, {SC::W, SC::S, X}, {SC::W, SC::S, X}, {SC::D, SC::Lt, X},
                   {SC::S, SC::W, X}, SC::S, SC::D},
        BorderCase{"Etched", fbtEtched, {SC::S, SC::F, X}, {SC::S, SC::H, X}, {SC::H, SC::S, X}, {SC::H, SC::S, X}, SC::H, SC::H},
        BorderCase{"Framed", fbtFramed, {SC::Lt, SC::F, X}, {SC::Lt, SC::F, X}, {SC::S, SC::Lt, X},
                   {SC::S, SC::Lt, X}, SC::S, SC::S},
        BorderCase{"Line", fbtLine, {K, K, X}, {K, K, X}, {K, K, X}, {SC::WF, K, X}, SC::WF, K},
        BorderCase{"LineBorder", fbtLineBorder, {SC::WF, K, X}, {SC::WF, K, X}, {SC::WF, K, X}, {SC::WF, K, X}, SC::WF, SC::WF},
        BorderCase{"None", fbtNone, {K, K, X}, {K, K, X}, {K, K, X}, {K, K, X}, K, K}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SysColors, BorderTouchUpsFollowTheChosenSides)
{
    Surface s(10, 10, X);
    DrawFlatFrameEx2(s.dc(), Rect(0, 0, 10, 10), K, false, false, BorderSide(ebsTop) | BorderSide(ebsRight),
                     fbtSunkenOuter);
    EXPECT_EQ(s.at(4, 0), S);
    EXPECT_EQ(s.at(4, 1), F);
    EXPECT_EQ(s.at(9, 4), W);
    EXPECT_EQ(s.at(0, 4), X);
    EXPECT_EQ(s.at(4, 9), X);

    // Etched with the top but not the left: the touch-up runs along the whole top.
    Surface e(10, 10, X);
    DrawFlatFrameEx2(e.dc(), Rect(0, 0, 10, 10), K, false, false, BorderSide(ebsTop), fbtEtched);
    EXPECT_EQ(e.at(4, 0), S);
    EXPECT_EQ(e.at(0, 1), F);
    EXPECT_EQ(e.at(9, 1), F);
    EXPECT_EQ(e.at(4, 2), X);

    // Framed: the top touch-up reaches one pixel past the adjusted right edge.
    Surface fr(10, 10, X);
    DrawFlatFrameEx2(fr.dc(), Rect(0, 0, 10, 10), K, false, false, AllBorderSides, fbtFramed);
    EXPECT_EQ(fr.at(8, 1), F);
    EXPECT_EQ(fr.at(8, 2), Lt);

    Surface f(10, 10, X);
    DrawFlatFrame(f.dc(), Rect(0, 0, 10, 10), K, true);
    EXPECT_EQ(f.at(4, 0), S);
    EXPECT_EQ(f.at(4, 1), T);
    EXPECT_EQ(f.at(8, 4), Lt);
}

// ---------------------------------------------------------------- text and focus

TEST_F(SysColors, TypedTextDrawsItsCopyOffsetFirstAndKeepsTheFontColour)
{
    const std::string text = "Wg|";
    const UINT flags = DT_LEFT | DT_TOP | DT_SINGLELINE;
    auto prepare = [](Surface& s) {
        s.canvas()->Brush()->SetStyle(bsClear);
        s.canvas()->Font()->SetColor(clRed);
        s.canvas()->Font()->SetHeight(-14);
    };
    // The reference: the plain text drawn twice by hand, the copy first.
    auto reference = [&](int offset, TColor copy) {
        auto s = std::make_unique<Surface>(44, 34);
        prepare(*s);
        if (copy != clNone) {
            TRect moved = Rect(4 + offset, 4 + offset, 40 + offset, 30 + offset);
            s->canvas()->Font()->SetColor(copy);
            DrawText(s->dc(), text.data(), int(text.size()), &moved, flags);
            s->canvas()->Font()->SetColor(clRed);
        }
        TRect r = Rect(4, 4, 40, 30);
        DrawText(s->dc(), text.data(), int(text.size()), &r, flags);
        return s;
    };
    auto once = reference(0, clNone);
    for (auto [type, offset, copy] : {std::tuple{tdtShadowed, 2, S}, std::tuple{tdtRaised, -1, H}}) {
        SCOPED_TRACE(offset);
        Surface drawn(44, 34);
        prepare(drawn);
        DrawTypedText(drawn.canvas(), Rect(4, 4, 40, 30), text, flags, type);
        EXPECT_EQ(drawn.canvas()->Font()->Color(), clRed);
        auto expected = reference(offset, copy);
        int differ = 0, fromPlain = 0;
        for (int y = 0; y < 34; ++y)
            for (int x = 0; x < 44; ++x) {
                differ += drawn.at(x, y) != expected->at(x, y);
                fromPlain += drawn.at(x, y) != once->at(x, y);
            }
        EXPECT_EQ(differ, 0);
        EXPECT_GT(fromPlain, 0);
    }
    Surface plain(44, 34);
    prepare(plain);
    DrawTypedText(plain.canvas(), Rect(4, 4, 40, 30), text, flags, tdtNormal);
    int differ = 0;
    for (int y = 0; y < 34; ++y)
        for (int x = 0; x < 44; ++x)
            differ += plain.at(x, y) != once->at(x, y);
    EXPECT_EQ(differ, 0);

    Surface wide(44, 34);
    prepare(wide);
    DrawTypedTextW(wide.canvas(), Rect(4, 4, 40, 30), u"Wg|", flags, tdtShadowed);
    auto shadowRef = reference(2, S);
    differ = 0;
    for (int y = 0; y < 34; ++y)
        for (int x = 0; x < 44; ++x)
            differ += wide.at(x, y) != shadowRef->at(x, y);
    EXPECT_EQ(differ, 0);
}

TEST(Focus, DotsLieOnOneCheckerboardAtAnyOrigin)
{
    Surface s(7, 6);
    s.canvas()->Pen()->SetColor(clBlack);
    DrawFocus(s.canvas(), Rect(1, 1, 6, 5));
    EXPECT_EQ(s.picture(clBlack),
              (std::vector<std::string>{".......", ".#.#.#.", ".......", ".#...#.", "..#.#..", "......."}));

    // Two neighbours at odd and even corners: every dot has x + y even.
    Surface two(12, 9);
    two.canvas()->Pen()->SetColor(clBlack);
    DrawFocus(two.canvas(), Rect(0, 1, 5, 8));
    DrawFocus(two.canvas(), Rect(5, 1, 12, 8));
    int dots = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            if (two.at(x, y) == clBlack) {
                ++dots;
                EXPECT_EQ((x + y) % 2, 0) << x << "," << y;
            }
    EXPECT_EQ(dots, 22);
}

// ---------------------------------------------------------------- gradients

TEST(Gradients, BandsEndWhereMulDivPutsThemAndTakeStepsOfTheDifference)
{
    Surface s(10, 3);
    GradientFill(s.dc(), Rect(0, 0, 10, 3), clBlack, clWhite, 4, false);
    const int expected[10] = {0, 0, 0, 85, 85, 170, 170, 170, 255, 255};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(s.at(x, 1), TColor(RGB(expected[x], expected[x], expected[x]))) << x;

    Surface v(3, 10);
    GradientFill(v.dc(), Rect(0, 0, 3, 10), clBlack, clWhite, 4, true);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(v.at(1, y), TColor(RGB(expected[y], expected[y], expected[y]))) << y;

    // Away from the surface's corner the same bands, and nothing beside the rectangle.
    Surface off(16, 3);
    const TColor outside = off.at(0, 1);
    GradientFill(off.dc(), Rect(3, 0, 13, 3), clBlack, clWhite, 4, false);
    for (int x = 0; x < 16; ++x) {
        const int v = x < 3 || x >= 13 ? 0 : expected[x - 3];
        EXPECT_EQ(off.at(x, 1), x < 3 || x >= 13 ? outside : TColor(RGB(v, v, v))) << x;
    }

    // Only the part of the gradient under the drawn rectangle, moved by the origin.
    Surface part(5, 2);
    GradientFillEx(part.dc(), Rect(0, 0, 5, 2), Rect(0, 0, 10, 2), Point(5, 0), clBlack, clWhite, 4, false);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(part.at(x, 0), TColor(RGB(expected[x + 5], expected[x + 5], expected[x + 5]))) << x;
}

TEST(Gradients, EqualColoursFillZeroStepsDrawNothingOneStepIsTheStartColour)
{
    Surface s(6, 2);
    GradientFill(s.dc(), Rect(0, 0, 6, 2), clRed, clRed, 0, false);
    EXPECT_EQ(s.picture(clRed), (std::vector<std::string>{"######", "######"}));
    GradientFill(s.dc(), Rect(0, 0, 6, 2), clBlue, clLime, 0, false);
    EXPECT_EQ(s.at(3, 1), clRed);
    GradientFill(s.dc(), Rect(0, 0, 6, 2), clBlue, clLime, 1, false);
    EXPECT_EQ(s.picture(clBlue), (std::vector<std::string>{"######", "######"}));
    GradientFillEx(s.dc(), Rect(1, 0, 3, 1), Rect(0, 0, 6, 2), Point(0, 0), clYellow, clYellow, 3, true);
    EXPECT_EQ(s.picture(clYellow), (std::vector<std::string>{".##...", "......"}));
}

// More bands than pixels, and rectangles reaching past the surface and its clip: each shown pixel
// has the colour of the one band it lies in (the band i whose start MulDiv(i, length, Steps) is
// the last at or before it), and nothing outside the clip is touched.
TEST(Gradients, MoreBandsThanPixelsGiveEachPixelTheColourOfItsBand)
{
    const int len = 37, steps = 100000;
    auto expected = [&](int p) {
        int band = 0;
        for (int i = 0; i < steps; ++i)
            if (MulDiv(i, len, steps) <= p)
                band = i;
        const int v = MulDiv(band, 255, steps - 1);
        return TColor(RGB(v, v, v));
    };
    for (bool vertical : {false, true}) {
        SCOPED_TRACE(vertical);
        Surface s(vertical ? 3 : len, vertical ? len : 3);
        GradientFill(s.dc(), vertical ? Rect(0, 0, 3, len) : Rect(0, 0, len, 3), clBlack, clWhite, steps, vertical);
        for (int p = 0; p < len; ++p)
            EXPECT_EQ(vertical ? s.at(1, p) : s.at(p, 1), expected(p)) << p;
    }
    // A gradient far wider than the surface, its drawn part moved by the origin, a clip inside.
    Surface part(20, 4);
    IntersectClipRect(part.dc(), 2, 0, 15, 4);
    GradientFillEx(part.dc(), Rect(-1000, -5, 1000, 9), Rect(0, 0, len, 4), Point(10, 0), clBlack, clWhite, steps,
                   false);
    SelectClipRgn(part.dc(), nullptr);
    for (int x = 0; x < 20; ++x) {
        const bool shown = x >= 2 && x < 15 && x + 10 < len;
        EXPECT_EQ(part.at(x, 2), shown ? expected(x + 10) : clWhite) << x;
    }
}

TEST(AlphaFill, ARectangleFarPastTheCanvasBlendsEveryShownPixelOnce)
{
    Surface s(30, 20, TColor(RGB(100, 0, 255)));
    IntersectClipRect(s.dc(), 5, 5, 25, 15);
    AlphaFillRect(s.canvas(), Rect(-40000, -40000, 40000, 40000), TColor(RGB(200, 255, 0)), 64);
    SelectClipRgn(s.dc(), nullptr);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool shown = x >= 5 && x < 25 && y >= 5 && y < 15;
            ASSERT_EQ(s.at(x, y), shown ? TColor(RGB(125, 63, 191)) : TColor(RGB(100, 0, 255))) << x << "," << y;
        }
}

// ---------------------------------------------------------------- arrows

struct ArrowCase {
    const char* name;
    TExArrowDir dir;
    std::vector<std::string> rows;
};

void PrintTo(const ArrowCase& c, std::ostream* os) { *os << c.name; }

class Arrows : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(Arrows, FourLinesCentredInTheRectangle)
{
    Surface s(9, 9);
    s.canvas()->Pen()->SetColor(clGreen);
    DrawArrow(s.canvas(), GetParam().dir, Rect(0, 0, 9, 9), clRed, true);
    EXPECT_EQ(s.picture(clRed), GetParam().rows);
    EXPECT_EQ(s.canvas()->Pen()->Color(), clGreen);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, Arrows,
    ::testing::Values(ArrowCase{"Left", eadLeft,
                                {".........", ".....#...", "....##...", "...###...", "..####...", "...###...",
                                 "....##...", ".....#...", "........."}},
                      ArrowCase{"Right", eadRight,
                                {".........", "..#......", "..##.....", "..###....", "..####...", "..###....",
                                 "..##.....", "..#......", "........."}},
                      ArrowCase{"Up", eadUp,
                                {".........", ".........", "....#....", "...###...", "..#####..", ".#######.",
                                 ".........", ".........", "........."}},
                      ArrowCase{"Down", eadDown,
                                {".........", ".........", ".#######.", "..#####..", "...###...", "....#....",
                                 ".........", ".........", "........."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SysColors, ArrowsNeedRoomAndDisabledOnesAreEngraved)
{
    Surface s(9, 9);
    DrawArrow(s.canvas(), eadLeft, Rect(0, 0, 5, 5), clRed, true);
    DrawArrow(s.canvas(), eadUp, Rect(0, 0, 5, 9), clRed, true);
    DrawArrow(s.canvas(), eadDown, Rect(0, 0, 9, 2), clRed, true);
    EXPECT_EQ(s.picture(clWhite), std::vector<std::string>(9, "#########"));
    DrawArrow(s.canvas(), eadRight, Rect(0, 0, 3, 6), clRed, true);
    EXPECT_EQ(s.at(0, 0), clRed);

    Surface d(9, 9);
    DrawArrow(d.canvas(), eadDown, Rect(0, 0, 9, 9), clRed, false);
    EXPECT_EQ(d.at(1, 2), S);
    EXPECT_EQ(d.at(8, 3), H);  // the highlight copy shows one pixel right and down
    EXPECT_EQ(d.at(5, 6), H);
    EXPECT_EQ(d.at(4, 5), S);
    Surface l(9, 9);
    DrawArrow(l.canvas(), eadLeft, Rect(0, 0, 9, 9), clRed, false);
    EXPECT_EQ(l.at(2, 4), S);
    EXPECT_EQ(l.at(5, 1), S);
    EXPECT_EQ(l.at(6, 2), H);  // the base's copy, one right and down
    EXPECT_EQ(l.at(6, 8), H);
    EXPECT_EQ(l.at(6, 1), clWhite);
}

// ---------------------------------------------------------------- bitmaps

TEST(Bitmaps, TransparentCopyLeavesTheTransparentColoursPixelsUntouched)
{
    Surface dest(8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            dest.canvas()->SetPixel(x, y, TColor(RGB(x * 20, y * 30, 7)));
    Surface src(5, 4, clFuchsia);
    src.canvas()->SetPixel(1, 1, clRed);
    src.canvas()->SetPixel(2, 1, clBlack);
    src.canvas()->SetPixel(3, 2, clWhite);
    DrawTransparentBitmapEx(dest.dc(), &src.bmp, 3, 2, Rect(1, 1, 4, 3), clFuchsia);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            TColor expected = TColor(RGB(x * 20, y * 30, 7));
            if (x == 3 && y == 2)
                expected = clRed;
            else if (x == 4 && y == 2)
                expected = clBlack;
            else if (x == 5 && y == 3)
                expected = clWhite;
            EXPECT_EQ(dest.at(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(src.at(1, 2), clFuchsia);  // the picture itself is as it was
    EXPECT_EQ(src.at(2, 1), clBlack);
}

TEST(Bitmaps, TilingStartsAtTheRectanglesCornerOnBothPaths)
{
    Surface tile(3, 2);
    tile.canvas()->SetPixel(0, 0, clRed);
    tile.canvas()->SetPixel(0, 1, clBlue);
    tile.canvas()->SetPixel(1, 0, clLime);
    for (bool nt : {true, false}) {
        SCOPED_TRACE(nt);
        const bool was = IsWinNT;
        IsWinNT = nt;
        Surface s(10, 8);
        TiledPaint(s.canvas(), &tile.bmp, Rect(1, 1, 8, 6));
        IsWinNT = was;
        EXPECT_EQ(s.picture(clRed), (std::vector<std::string>{"..........", ".#..#..#..", "..........",
                                                              ".#..#..#..", "..........", ".#..#..#..",
                                                              "..........", ".........."}));
        // The last row and column of tiles are cut at the rectangle.
        EXPECT_EQ(s.at(7, 6), clWhite);
        EXPECT_EQ(s.at(8, 1), clWhite);
        EXPECT_EQ(s.at(7, 2), clBlue);
    }
    TBitmap empty;
    Surface s(4, 4);
    TiledPaint(s.canvas(), &empty, Rect(0, 0, 4, 4));
    EXPECT_EQ(s.at(2, 2), clWhite);
}

TEST(Bitmaps, BlendsWeighTheTwoColours)
{
    Surface s(4, 2, TColor(RGB(100, 0, 255)));
    AlphaFillRect(s.canvas(), Rect(0, 0, 2, 2), TColor(RGB(200, 255, 0)), 64);
    EXPECT_EQ(s.at(1, 1), TColor(RGB(125, 63, 191)));
    EXPECT_EQ(s.at(2, 1), TColor(RGB(100, 0, 255)));

    Surface src(2, 1, TColor(RGB(0, 0, 0)));
    src.canvas()->SetPixel(1, 0, clWhite);
    Surface d(4, 2, clWhite);
    // A 2 x 1 source stretched over 4 x 2: each source pixel covers a 2 x 2 block.
    AlphaCopyRect(d.canvas(), Rect(0, 0, 4, 2), src.canvas(), Rect(0, 0, 2, 1), 128);
    EXPECT_EQ(d.at(1, 1), TColor(RGB(127, 127, 127)));
    EXPECT_EQ(d.at(2, 0), clWhite);

    AlphaCopyRect(d.canvas(), Rect(0, 0, 4, 2), src.canvas(), Rect(1, 0, 1, 1), 128);
    EXPECT_EQ(d.at(2, 0), clWhite);

    Surface a(4, 2, clWhite);
    EXPECT_TRUE(AlphaBlend(a.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 1, 1, 255));
    EXPECT_EQ(a.at(1, 1), clBlack);
    EXPECT_EQ(a.at(2, 1), clWhite);
    const bool w2k = IsWin2000Up, w98 = IsWin98Up;
    IsWin2000Up = IsWin98Up = false;
    EXPECT_FALSE(AlphaBlend(a.dc(), 2, 0, 2, 2, src.dc(), 1, 0, 1, 1, 255));
    IsWin2000Up = w2k;
    IsWin98Up = w98;
    EXPECT_EQ(a.at(3, 0), clWhite);
}

// ---------------------------------------------------------------- flat scroll bars

class ScrolledPanel : public TCustomControl {
public:
    ScrolledPanel(TComponent* AOwner, DWORD Styles = WS_VSCROLL) : TCustomControl(AOwner), FStyles(Styles) {}

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style |= FStyles;
    }

private:
    DWORD FStyles;
};

TEST_F(SysColors, FlatScrollBarThumbSitsWhereThePositionPutsIt)
{
    TForm* form = new TForm(nullptr);
    auto* panel = new ScrolledPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 60, 200);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 45;
    si.nTrackPos = 0;
    SetScrollInfo(panel->Handle(), SB_VERT, &si, FALSE);
    const int cx = GetSystemMetrics(SM_CXHSCROLL);
    // Track 200 - 2 buttons; thumb max(10 * track / 100, 8); offset 45 * (track - thumb) / 90.
    const int track = 200 - 2 * cx, thumb = std::max(MulDiv(10, track, 100), 8);
    const int top = cx + MulDiv(45, track - thumb, 90);
    auto paint = [&](bool tracking) {
        auto s = std::make_unique<Surface>(60, 200, X);
        DrawFlatScrollbars(panel->Handle(), s->dc(), Rect(0, 0, 60, 200), false, ssBoth, false, tracking, false);
        return s;
    };
    auto s = paint(false);
    const int x = 60 - cx + 3;
    EXPECT_EQ(s->at(x, top - 1), X);
    EXPECT_EQ(s->at(x, top), H);
    EXPECT_EQ(s->at(x, top + thumb - 1), S);
    EXPECT_EQ(s->at(x, top + thumb), X);
    EXPECT_EQ(s->at(x, 0), H);           // the arrow button's frame
    EXPECT_EQ(s->at(x, 200 - cx), H);
    EXPECT_EQ(s->at(60 - cx - 1, 50), X);  // nothing outside the bar

    auto tracked = paint(true);  // no drag is on: the tracking position is the position
    EXPECT_EQ(tracked->at(x, top), H);
    EXPECT_EQ(tracked->at(x, 0), X);  // the buttons are left alone

    // A bar shorter than two buttons halves them; one between two and three buttons does not.
    auto* shortBar = new ScrolledPanel(form);
    shortBar->SetParent(form);
    shortBar->SetBounds(0, 0, 40, 2 * cx + 8);
    const int len = 2 * cx + 8;
    auto sb = std::make_unique<Surface>(40, len, X);
    DrawFlatScrollbars(shortBar->Handle(), sb->dc(), Rect(0, 0, 40, len), false, ssBoth, false, false, false);
    EXPECT_EQ(sb->at(40 - cx + 3, len - cx), H);
    EXPECT_EQ(sb->at(40 - cx + 3, len / 2), X);
    shortBar->SetBounds(0, 0, 40, cx + 6);
    auto half = std::make_unique<Surface>(40, cx + 6, X);
    DrawFlatScrollbars(shortBar->Handle(), half->dc(), Rect(0, 0, 40, cx + 6), false, ssBoth, false, false, false);
    EXPECT_EQ(half->at(40 - cx + 3, (cx + 6) / 2), H);

    // Inside a one-pixel border, along the bottom.
    auto* bordered = new ScrolledPanel(form, WS_HSCROLL | WS_BORDER);
    bordered->SetParent(form);
    bordered->SetBounds(0, 0, 120, 50);
    const int cy = GetSystemMetrics(SM_CYVSCROLL);
    auto hb = std::make_unique<Surface>(120, 50, X);
    DrawFlatScrollbars(bordered->Handle(), hb->dc(), Rect(0, 0, 120, 50), false, ssBoth, false, false, false);
    EXPECT_EQ(hb->at(4, 50 - 1 - cy), H);
    EXPECT_EQ(hb->at(4, 50 - 2 - cy), X);
    EXPECT_EQ(hb->at(0, 50 - 1 - cy), X);  // the border column
    EXPECT_EQ(hb->at(120 - 1 - cx, 50 - 1 - cy), H);

    auto none = std::make_unique<Surface>(60, 200, X);
    DrawFlatScrollbars(panel->Handle(), none->dc(), Rect(0, 0, 60, 200), false, ssHorizontal, false, false, false);
    EXPECT_EQ(none->at(x, 0), X);
    TObject::Free(form);
}

// ---------------------------------------------------------------- queries

struct HitCase {
    const char* name;
    TPoint p;
    LRESULT code;
};

void PrintTo(const HitCase& c, std::ostream* os) { *os << c.name; }

class HitTests : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitTests, EveryBorderStripAndCorner)
{
    // 100 x 80 from (10, 20); corners 8, borders 4 (the right and bottom strips 5 wide).
    EXPECT_EQ(HitTest(Rect(10, 20, 110, 100), GetParam().p, 8, 4), Integer(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(
    Points, HitTests,
    ::testing::Values(HitCase{"Outside", {9, 50}, HTNOWHERE}, HitCase{"PastTheRight", {110, 50}, HTNOWHERE},
                      HitCase{"TopLeftCorner", {10, 20}, HTTOPLEFT}, HitCase{"LeftNearTop", {13, 28}, HTTOPLEFT},
                      HitCase{"Left", {13, 29}, HTLEFT}, HitCase{"LeftLow", {10, 90}, HTLEFT},
                      HitCase{"LeftNearBottom", {10, 91}, HTBOTTOMLEFT}, HitCase{"TopNearLeft", {18, 23}, HTTOPLEFT},
                      HitCase{"Top", {19, 23}, HTTOP}, HitCase{"TopNearRight", {101, 20}, HTTOPRIGHT},
                      HitCase{"LastColumnFirstRow", {109, 20}, HTTOPRIGHT},
                      HitCase{"BottomStripIsFiveRows", {50, 95}, HTBOTTOM}, HitCase{"AboveBottom", {50, 94}, HTCLIENT},
                      HitCase{"BottomNearLeft", {18, 99}, HTBOTTOMLEFT},
                      HitCase{"BottomNearRight", {101, 99}, HTBOTTOMRIGHT},
                      HitCase{"RightStripIsFiveColumns", {105, 50}, HTRIGHT},
                      HitCase{"LeftOfRight", {104, 50}, HTCLIENT}, HitCase{"RightNearTop", {105, 28}, HTTOPRIGHT},
                      HitCase{"RightNearBottom", {105, 91}, HTBOTTOMRIGHT}, HitCase{"Client", {50, 50}, HTCLIENT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WaitCursor, NestsAndRestoresTheCursorOfTheFirstStart)
{
    Screen->SetCursor(crCross);
    StartWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    Screen->SetCursor(crIBeam);  // a change in between is not what comes back
    StartWait();
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crIBeam);
    StopWait();
    EXPECT_EQ(Screen->Cursor(), crCross);
    StopWait();  // unbalanced: nothing
    EXPECT_EQ(Screen->Cursor(), crCross);
    StartWait();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    StopWait();
    Screen->SetCursor(crDefault);
}

TEST(Queries, OwnerChainsFindTheirControlOrFormAndOrdinaryChainsGiveNil)
{
    TForm* form = new TForm(nullptr);
    auto* holder = new TComponent(form);
    auto* inner = new TComponent(holder);
    EXPECT_EQ(GetOwnerForm(inner), form);
    EXPECT_EQ(GetOwnerForm(form), form);
    EXPECT_EQ(GetTopOwnerControl(inner), form);
    auto* panel = new TPanel(form);
    EXPECT_EQ(GetTopOwnerControl(panel), panel);
    TComponent loose(nullptr);
    TComponent owned(&loose);
    EXPECT_EQ(GetTopOwnerControl(&owned), nullptr);
    EXPECT_EQ(GetOwnerForm(&owned), nullptr);
    EXPECT_EQ(GetOwnerForm(nullptr), nullptr);

    panel->SetParent(form);
    auto* other = new TPanel(form);
    other->SetParent(form);
    EXPECT_EQ(FindVCLChild(form, other->Handle()), other);
    EXPECT_EQ(FindVCLChild(form, form->Handle()), nullptr);
    TObject::Free(form);
}

TEST(Queries, SmallAnswers)
{
    EXPECT_EQ(ShiftStateToKeyData(ssAlt | ssShift), 0x20000000);
    EXPECT_EQ(ShiftStateToKeyData(ssCtrl), 0);
    EXPECT_FALSE(Win2KHideUIState());
    EXPECT_EQ(smXEdge[0], SM_CXBORDER);
    EXPECT_EQ(smYEdge[1], SM_CYEDGE);
    EXPECT_GE(ParentControlRepaintedMessage, 0xC000u);
    EXPECT_EQ(GetTimeAMChar(), FormatSettings.TimeAMString[0]);
    EXPECT_EQ(GetTimePMChar(), FormatSettings.TimePMString[0]);
    int speed = 0, delay = 0;
    SystemParametersInfo(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    SystemParametersInfo(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    EXPECT_EQ(GetKeybTimes(SPI_GETKEYBOARDSPEED), 1000 / (speed + 1));
    EXPECT_EQ(GetKeybTimes(SPI_GETKEYBOARDDELAY), (delay + 1) * 250);
    // The wheel's lines come from the desktop's settings: whatever they are, the helper reads them.
    UINT lines = 0;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    EXPECT_EQ(GetKeybTimes(SPI_GETWHEELSCROLLLINES), static_cast<int>(lines));
    HPEN pen = GetSysColorPen(RGB(1, 2, 3));
    EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
    DeleteObject(pen);
}

TEST(Queries, ModalFormsAreSeenWhileTheyRun)
{
    EXPECT_FALSE(ModalFormVisible());
    TForm* form = new TForm(nullptr);
    bool seen = false;
    SetModalHook([&](TObject*, int& result) {
        seen = ModalFormVisible();
        result = mrOk;
        return true;
    });
    form->ShowModal();
    SetModalHook(nullptr);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(ModalFormVisible());
    TObject::Free(form);
}

TEST(Desktop, WorkAreaLiesInTheVirtualScreenAndNoTaskbarGivesEmptyRectangles)
{
    const TRect ws = GetWorkSpaceRect(), desk = GetDesktopRect();
    EXPECT_GT(ws.Width(), 0);
    EXPECT_GT(desk.Height(), 0);
    TRect common;
    EXPECT_TRUE(IntersectRect(common, ws, desk));
    EXPECT_EQ(common, desk);
    EXPECT_EQ(GetDesktopBottom(), desk.Bottom);
    EXPECT_EQ(GetWorkSpaceRight(), ws.Right);
    EXPECT_TRUE(IsRectEmpty(GetTaskbarRect()));
    EXPECT_TRUE(IsRectEmpty(GetSysTrayRect()));
    EXPECT_EQ(GetTaskbarEdge(), tbeBottom);
}

// A desktop panel as some desktops expose it: a top-level window of the panel's class with a
// notification area inside.
class TrayForm : public TForm {
public:
    using TForm::TForm;
    std::string ClassName() const override { return "Shell_TrayWnd"; }
};
class NotifyArea : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::string ClassName() const override { return "TrayNotifyWnd"; }
};

TEST(Desktop, AnExposedTaskbarGivesItsRectangleEdgeAndTrayTarget)
{
    const TRect ws = GetWorkSpaceRect();
    const int w = ws.Width(), h = ws.Height();
    TrayForm* tray = new TrayForm(nullptr);
    tray->SetBorderStyle(bsNone);
    auto* notify = new NotifyArea(tray);
    notify->SetParent(tray);
    notify->SetBounds(10, 2, 60, 20);
    struct Case {
        TRect bar;
        TTaskbarEdge edge;
    };
    for (Case c : {Case{Rect(0, h - 30, w, h), tbeBottom}, Case{Rect(0, 0, 40, h), tbeLeft},
                   Case{Rect(0, 0, w, 30), tbeTop}, Case{Rect(w - 40, 0, w, h), tbeRight}}) {
        tray->SetBounds(c.bar.Left, c.bar.Top, c.bar.Width(), c.bar.Height());
        tray->Handle();
        EXPECT_EQ(GetTaskbarRect(), c.bar);
        EXPECT_EQ(GetTaskbarEdge(), c.edge) << c.bar.Left << "," << c.bar.Top;
    }
    TRect area;
    GetWindowRect(notify->Handle(), &area);
    EXPECT_EQ(GetSysTrayRect(), area);

    TForm* form = new TForm(nullptr);
    form->SetBounds(100, 100, 200, 150);
    form->Show();
    MinimizeToTray(form->Handle());
    WINDOWPLACEMENT wp;
    GetWindowPlacement(form->Handle(), &wp);
    EXPECT_EQ(wp.ptMinPosition, area.TopLeft());
    EXPECT_TRUE(uitest::PumpUntil([&] { return form->WindowState() == wsMinimized; }));
    TObject::Free(form);
    TObject::Free(tray);
    EXPECT_TRUE(IsRectEmpty(GetTaskbarRect()));
}

struct Pair {
    const char* name;
    TRect a, b;
    bool overlap;
};

void PrintTo(const Pair& c, std::ostream* os) { *os << c.name; }

class RectsIntersectTable : public ::testing::TestWithParam<Pair> {};

TEST_P(RectsIntersectTable, TrueExactlyWhenNoPixelIsShared)
{
    const Pair p = GetParam();
    EXPECT_EQ(RectsIntersect(p.a, p.b), !p.overlap);
    EXPECT_EQ(RectsIntersect(p.b, p.a), !p.overlap);
}

INSTANTIATE_TEST_SUITE_P(Cases, RectsIntersectTable,
                         ::testing::Values(Pair{"Overlap", Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), true},
                                           Pair{"Apart", Rect(0, 0, 10, 10), Rect(20, 0, 30, 10), false},
                                           Pair{"EdgesTouch", Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), false},
                                           Pair{"OnePixel", Rect(0, 0, 10, 10), Rect(9, 9, 10, 10), true},
                                           Pair{"Inside", Rect(0, 0, 10, 10), Rect(2, 2, 4, 4), true},
                                           Pair{"Empty", Rect(0, 0, 10, 10), Rect(3, 3, 3, 8), false},
                                           Pair{"Negative", Rect(-5, -5, 0, 0), Rect(-1, -1, 1, 1), true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The markup renderer's layout, drawing and hit-testing: line sizes, alignment, runs and images
// drawn exactly where they are hit, colours, links and their keyboard selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "HtmlCheck.h"
#include "ctlbase/Htmlrender.h"

namespace {

using htmltest::Meter;

constexpr TColor kBack = 0xD8E0E8;

// A canvas to draw on, filled with kBack.
struct Picture {
    Picture(Integer W, Integer H) : Width(W), Height(H)
    {
        Bmp.SetSize(W, H);
        Bmp.Canvas()->Brush()->SetColor(kBack);
        Bmp.Canvas()->FillRect(Rect(0, 0, W, H));
    }
    COLORREF At(Integer X, Integer Y) { return ColorToRGB(Bmp.Canvas()->Pixels(X, Y)); }
    // The strongest channel of a clearly coloured pixel ('r', 'g', 'b'); 0 for greys.
    char Hue(Integer X, Integer Y)
    {
        const COLORREF c = At(X, Y);
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
        if (hi - lo < 60) return 0;
        return hi == r ? 'r' : hi == g ? 'g' : 'b';
    }
    TBitmap Bmp;
    Integer Width, Height;
};

TEST(MarkupLayout, LineHeightsAndTextSize)
{
    const Meter m, small(0, 9), big(0, 28);
    const Integer H = m.Height(), h = small.Height(), hb = big.Height();
    const struct {
        const char* Markup;
        TSize Size;
    } cases[] = {
        {"", {0, 0}},
        {"a<br>bb", {m.Run("bb"), 2 * H}},
        // A paragraph after the first line is half as tall again.
        {"a<p>bb", {m.Run("bb"), H + MulDiv(H, 3, 2)}},
        {"<p indent=9>a", {9 + m.Run("a"), H}},
        {"x<sup>y</sup>", {m.Run("x") + small.Run("y"), std::max(H, h + 2 * h / 3)}},
        {"<font size=30><sub>y</sub></font>", {big.Run("y"), hb + hb / 4}},
        {"<font size=30><sup>y</sup></font>", {big.Run("y"), hb + 2 * hb / 3}},
        {"<img src=a width=12 height=40>", {12, 40}},
    };
    TExHTMLRender r;
    for (const auto& c : cases) {
        r.PrepareText(c.Markup, 0, false);
        EXPECT_EQ(r.GetTextSize(), c.Size) << c.Markup;
        EXPECT_EQ(r.Data()->TextSize, c.Size) << c.Markup;
    }
    // The lowered run deepens the line's descent.
    r.PrepareText("x<sub>y</sub>", 0, false);
    auto* line = static_cast<TExHTMLBreakItem*>(r.Data()->Item(0));
    EXPECT_EQ(line->LineDescent(), std::max(m.Descent(), small.Descent() + h / 4));
    r.PrepareText("x<sup>y</sup>", 0, false);
    EXPECT_EQ(static_cast<TExHTMLBreakItem*>(r.Data()->Item(0))->LineDescent(), m.Descent());
}

TEST(MarkupLayout, RaisedLoweredRunsAndImagesSitWhereTheLineSays)
{
    const Meter m, small(0, 9), big(0, 24);
    const Integer h = small.Height(), d = small.Descent();
    const Integer subH = std::max(m.Height(), h + h / 4), subD = std::max(m.Descent(), d + h / 4);
    const Integer supH = std::max(m.Height(), h + 2 * h / 3), supD = m.Descent();
    const struct {
        const char* Markup;
        Integer Left, Top, Bottom;  // of the second item's box
    } cases[] = {
        {"x<sub>y</sub>", m.Run("x"), subH - subD + h / 4 - (h - d), subH - subD + h / 4 + d},
        {"x<sup>y</sup>", m.Run("x"), supH - supD - h / 2 - (h - d), supH - supD - h / 2 + d},
        // An image hangs from the top of its line.
        {"<font size=24>X</font><img src=a width=5 height=4>", big.Run("X"), 0, 4},
    };
    TExHTMLRender r;
    const TRect box = Rect(0, 0, 100, 60);
    for (const auto& c : cases) {
        r.PrepareText(c.Markup, 0, false);
        const TExHTMLItem* second = r.Data()->Item(2);
        auto at = [&](Integer x, Integer y) { return r.FindItemAt(Point(x, y), Point(0, 0), box); };
        EXPECT_EQ(at(c.Left, c.Top), second) << c.Markup;
        EXPECT_EQ(at(c.Left + second->Width - 1, c.Bottom - 1), second) << c.Markup;
        EXPECT_NE(at(c.Left + 1, c.Top - 1), second) << c.Markup;
        EXPECT_NE(at(c.Left + 1, c.Bottom), second) << c.Markup;
        EXPECT_NE(at(c.Left + second->Width, c.Top), second) << c.Markup;
    }
}

// Leftmost x at which the first run of the text is hit, searched along the line's middle.
Integer FirstHitX(TExHTMLRender& R, const TRect& Box)
{
    const Integer y = R.Data()->Item(0)->Height / 2;
    for (Integer x = -5; x < Box.Width(); ++x)
        if (R.FindItemAt(Point(x, y), Point(0, 0), Box)) return x;
    return MaxInt;
}

TEST(MarkupLayout, AlignedLinesStartWhereTheyAreDrawnAndHit)
{
    const Meter m;
    const Integer L = m.Run("ab");
    const struct {
        const char* Markup;
        Integer Available, Start;
    } cases[] = {
        {"<p indent=7>ab", 100, 7},
        {"<p align=center>ab", 100, (100 - (L + 0) - 1) / 2},
        {"<p align=center>ab", 101, (101 - L - 1) / 2},
        {"<p align=right>ab", 100, 100 - L - 1},
        {"<p align=center>ab", L - 3, -1},  // wider than the rectangle
        {"<p align=right>ab", L - 3, -1},
    };
    TExHTMLRender r;
    for (const auto& c : cases) {
        r.PrepareText(c.Markup, 0, false);
        const TRect box = Rect(0, 0, c.Available, 30);
        EXPECT_EQ(FirstHitX(r, box), c.Start) << c.Markup << " in " << c.Available;
        Picture p(c.Available, 30);
        r.DrawText(p.Bmp.Canvas(), Point(0, 0), box);
        Integer inkFrom = MaxInt, inkTo = -1;
        for (Integer y = 0; y < 30; ++y)
            for (Integer x = 0; x < c.Available; ++x)
                if (p.At(x, y) != kBack) inkFrom = std::min(inkFrom, x), inkTo = std::max(inkTo, x);
        ASSERT_LE(inkFrom, inkTo) << c.Markup;
        EXPECT_GE(inkFrom, std::max(0, c.Start)) << c.Markup;
        EXPECT_LT(inkTo, c.Start + L) << c.Markup;
    }
}

class DrawnWhereHit : public ::testing::TestWithParam<const char*> {};

// Red, green and blue parts of the picture belong to the items of that colour, and every pixel
// of an image's box is the image's, but for its bottom-left pixel: the transparent colour.
TEST_P(DrawnWhereHit, EveryColouredPixelHitsItsOwnItem)
{
    TBitmap pic;
    pic.SetSize(9, 7);
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->FillRect(Rect(0, 0, 9, 7));
    pic.Canvas()->SetPixel(0, 6, clAqua);
    TExHTMLRender r;
    r.OnImageNeeded = [&](TObject*, const std::string& Src, TBitmap*& Image) {
        if (Src != "none") Image = &pic;
    };
    r.PrepareText(GetParam(), 0, false);
    const TSize size = r.GetTextSize();
    const TRect box = Rect(0, 0, size.cx + 4, size.cy + 2);
    Picture p(box.Right, box.Bottom);
    r.DrawText(p.Bmp.Canvas(), Point(0, 0), box);
    int coloured = 0;
    std::map<const TExHTMLItem*, TPoint> topLeft;  // the first point of a box met row by row
    for (Integer y = 0; y < box.Bottom; ++y)
        for (Integer x = 0; x < box.Right; ++x) {
            const TExHTMLItem* it = r.FindItemAt(Point(x, y), Point(0, 0), box);
            const char hue = p.Hue(x, y);
            if (it && it->ItemType == hitBitmap) {
                const TPoint corner = topLeft.emplace(it, Point(x, y)).first->second;
                const bool back = p.At(x, y) == ColorToRGB(kBack);
                // A picture the host does not have leaves its box empty.
                const bool transparent = it->Text == "none" || (x == corner.X && y == corner.Y + 6);
                EXPECT_TRUE(transparent ? back : hue == 'r') << x << "," << y;
            }
            if (!hue) continue;
            ++coloured;
            ASSERT_NE(it, nullptr) << "nothing hit at " << x << "," << y << " in " << GetParam();
            const char own = it->ItemType == hitBitmap ? 'r' : it->FontColor == clLime ? 'g' : 'b';
            EXPECT_EQ(hue, own) << x << "," << y;
        }
    EXPECT_GT(coloured, 20);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, DrawnWhereHit,
    ::testing::Values("<font color=clLime>Xy<sub><font color=clBlue>Xy</font></sub>Xy</font>",
                      "<font color=clLime>Xy<sup><font color=clBlue>Xy</font></sup></font>",
                      "<font color=clBlue size=24>Xy</font><img src=pic><font color=clLime>Xy</font>"
                      "<img src=pic width=1>",
                      "<p align=center><font color=clBlue size=20>Xy<sub><font color=clLime>q</font></sub></font>"
                      "<img src=pic height=5>",
                      "<img src=none width=30><font color=clBlue>Xy</font>"),
    [](const auto& Info) { return std::string("Case") + std::to_string(Info.index); });

TEST(MarkupDrawing, StaysInsideTheRectangleOverWhatIsThere)
{
    TExHTMLRender r;
    r.PrepareText("WWWWWWWWWWWWWWWWWWWW<br>WWWWWWWWWWWWWWWWWW", 0, false);
    for (const Integer scroll : {0, 1000}) {
        Picture p(60, 50);
        const TRect box = Rect(10, 10, 40, 30);
        r.DrawText(p.Bmp.Canvas(), Point(0, scroll), box);
        int inside = 0;
        for (Integer y = 0; y < 50; ++y)
            for (Integer x = 0; x < 60; ++x) {
                const bool changed = p.At(x, y) != kBack;
                if (!PtInRect(box, Point(x, y))) {
                    ASSERT_FALSE(changed) << x << "," << y;
                }
                inside += changed;
            }
        // Scrolled past the text's height only the background is left.
        EXPECT_EQ(inside > 0, scroll == 0);
    }
    // A taller rectangle of the same width shows the second line too.
    Picture p(60, 50);
    r.DrawText(p.Bmp.Canvas(), Point(0, 0), Rect(10, 10, 40, 45));
    int ink = 0, back = 0;
    for (Integer y = 10 + r.Data()->Item(0)->Height; y < 45; ++y)
        for (Integer x = 10; x < 40; ++x) (p.At(x, y) == kBack ? back : ink)++;
    EXPECT_GT(ink, 0);
    EXPECT_GT(back, ink);
}

// A rectangle that reaches past the canvas, or is far larger than it: what the canvas shows is
// exactly what a canvas holding the whole rectangle shows there.
TEST(MarkupDrawing, ARectangleLargerThanTheCanvasShowsTheSamePixels)
{
    TExHTMLRender r;
    r.PrepareText("<p align=center>Centre <b>bold</b><p align=right>right<p><ul><li><font color=clRed>red</font>"
                  "<li>two</ul><hr>after",
                  0, false);
    Picture whole(400, 300);
    r.DrawText(whole.Bmp.Canvas(), Point(0, 3), Rect(0, 0, 400, 300));
    for (TPoint corner : {Point(-150, -40), Point(-320, 0), Point(10, 20)}) {
        SCOPED_TRACE(std::to_string(corner.X) + "," + std::to_string(corner.Y));
        Picture part(100, 100);
        r.DrawText(part.Bmp.Canvas(), Point(0, 3), Rect(corner.X, corner.Y, corner.X + 400, corner.Y + 300));
        int ink = 0;
        for (Integer y = 0; y < 100; ++y)
            for (Integer x = 0; x < 100; ++x) {
                const Integer wx = x - corner.X, wy = y - corner.Y;
                const bool inside = wx >= 0 && wx < 400 && wy >= 0 && wy < 300;
                const COLORREF want = inside ? whole.At(wx, wy) : ColorToRGB(kBack);
                ASSERT_EQ(part.At(x, y), want) << x << "," << y;
                ink += part.At(x, y) != ColorToRGB(kBack);
            }
        EXPECT_GT(ink, 0);
    }
    // Left-aligned text in a rectangle of 60000 on a side lands where it lands in a small one.
    TExHTMLRender left;
    left.PrepareText("<b>NAVTEX</b> gale<br><font color=clBlue>Viking</font>", 0, false);
    Picture small(100, 100), huge(100, 100);
    left.DrawText(small.Bmp.Canvas(), Point(0, 0), Rect(0, 0, 100, 100));
    left.DrawText(huge.Bmp.Canvas(), Point(0, 0), Rect(0, 0, 60000, 60000));
    int ink = 0;
    for (Integer y = 0; y < 100; ++y)
        for (Integer x = 0; x < 100; ++x) {
            ASSERT_EQ(huge.At(x, y), small.At(x, y)) << x << "," << y;
            ink += huge.At(x, y) != ColorToRGB(kBack);
        }
    EXPECT_GT(ink, 0);
}

// More fonts than the render keeps: the cache is let go of between operations, and a font used
// again afterwards is made anew, so runs measure and draw exactly as in a fresh render.
TEST(MarkupFonts, FontsUsedAgainAfterTheCacheWasLetGoMeasureAndDrawAsNew)
{
    std::string many;
    for (int size = 6; size < 90; ++size)
        many += "<font size=" + std::to_string(size) + ">W";
    const std::string probe = "<font name=\"DejaVu Serif\" size=23><b>Wide</b> words</font>";
    TExHTMLRender used, fresh;
    used.PrepareText(probe, 0, false);
    used.PrepareText(many, 0, false);  // fills the cache past its limit
    used.PrepareText(many, 0, false);  // lets it go at the start, and fills it again
    used.PrepareText(probe, 0, false);
    fresh.PrepareText(probe, 0, false);
    EXPECT_EQ(used.GetTextSize().cx, fresh.GetTextSize().cx);
    EXPECT_EQ(used.GetTextSize().cy, fresh.GetTextSize().cy);
    Picture a(300, 60), b(300, 60);
    used.DrawText(a.Bmp.Canvas(), Point(0, 0), Rect(0, 0, 300, 60));
    fresh.DrawText(b.Bmp.Canvas(), Point(0, 0), Rect(0, 0, 300, 60));
    int ink = 0;
    for (Integer y = 0; y < 60; ++y)
        for (Integer x = 0; x < 300; ++x) {
            ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
            ink += a.At(x, y) != ColorToRGB(kBack);
        }
    EXPECT_GT(ink, 100);
}

TEST(MarkupDrawing, ColoursOfRunsLinksAndTheSelectedLink)
{
    TExHTMLRender r;
    r.PrepareText("<font color=clLime>WW</font>WW<a href=x>WW</a><a href=y>WW</a>", 0, false);
    TExHTMLData& d = *r.Data();
    d.SelectedItem = d.Item(4);
    d.HighlightColor = clLime;
    d.HighlightBgColor = clBlue;
    const TRect box = Rect(0, 0, r.GetTextSize().cx, r.GetTextSize().cy);
    // Per run: the background at the top of its box and the commonest hue of the rest.
    auto look = [&](bool UseColors, Integer Run, char& Ink, COLORREF& Back) {
        Picture p(box.Right, box.Bottom);
        r.DrawTextEx(p.Bmp.Canvas(), Point(0, 0), box, UseColors, clRed, clYellow, clBlue, clLime);
        Integer left = 0;
        for (Integer i = 1; i < Run; ++i) left += d.Item(i)->Width;
        Back = p.At(left + 1, 1);
        std::map<char, int> hues;
        for (Integer y = 0; y < box.Bottom; ++y)
            for (Integer x = 0; x < box.Right; ++x)
                if (r.FindItemAt(Point(x, y), Point(0, 0), box) == d.Item(Run) && p.At(x, y) != Back)
                    ++hues[p.Hue(x, y)];
        Ink = 0;
        int most = 0;
        for (const auto& [hue, n] : hues)
            if (hue && n > most) Ink = hue, most = n;
    };
    const struct {
        bool UseColors;
        Integer Run;
        char Ink;
        COLORREF Back;
    } cases[] = {
        {true, 1, 'g', ColorToRGB(kBack)},       // coloured font: its own colours
        {true, 2, 'r', ColorToRGB(clYellow)},    // plain run: Color1 on Color2
        {true, 3, 'b', ColorToRGB(clYellow)},    // link: the link colour on Color2
        {true, 4, 'b', ColorToRGB(clLime)},      // selected link: Color3 on Color4
        {false, 2, 0, ColorToRGB(kBack)},        // plain run: window text, no background
        {false, 4, 'g', ColorToRGB(clBlue)},     // selected link: the highlight colours
    };
    for (const auto& c : cases) {
        char ink;
        COLORREF back;
        look(c.UseColors, c.Run, ink, back);
        EXPECT_EQ(ink, c.Ink) << "run " << c.Run << (c.UseColors ? " with" : " without") << " colours";
        EXPECT_EQ(back, c.Back) << "run " << c.Run << (c.UseColors ? " with" : " without") << " colours";
    }
}

TEST(MarkupDrawing, BulletsAndRules)
{
    const Meter m;
    TExHTMLRender r;
    r.PrepareText("<ul><li><font color=clRed>ab</font></ul><hr><hr width=20>", 0, false);
    const Integer A = 80;
    Picture p(A, r.GetTextSize().cy);
    r.DrawText(p.Bmp.Canvas(), Point(0, 0), Rect(0, 0, A, p.Height));
    TExHTMLData& d = *r.Data();
    // P, then the bullet line L 'ab', then B, and two rules each between two breaks.
    ASSERT_EQ(d.Item(1)->ItemType, hitLI);
    const Integer indent = m.MaxWidth(), H1 = d.Item(0)->Height, H2 = d.Item(1)->Height;
    // The bullet: a disc of the average character width W ending a pixel before the text, centred
    // in the part of the line above its descent and moved down by the descent, in the bullet
    // line's colour (window text: the font's colour came after the line began).
    const Integer W = d.Item(1)->GetWidth(), D2 = static_cast<TExHTMLBreakItem*>(d.Item(1))->LineDescent();
    const Integer bulletTop = H1 + (H2 - D2 - W) / 2 + D2;
    TRect bullet = Rect(MaxInt, MaxInt, -1, -1);
    int text = 0;
    for (Integer y = H1; y < H1 + H2; ++y)
        for (Integer x = 0; x < A; ++x) {
            if (p.At(x, y) == ColorToRGB(clWindowText))
                bullet = Rect(std::min(bullet.Left, x), std::min(bullet.Top, y), std::max(bullet.Right, x + 1),
                              std::max(bullet.Bottom, y + 1));
            text += x >= indent && p.Hue(x, y) == 'r';
        }
    EXPECT_EQ(bullet, Rect(indent - W - 1, bulletTop, indent - 1, bulletTop + W));
    EXPECT_GT(text, 4);
    // Drawn scrolled by two pixels, the bullet moves up with its line.
    Picture scrolled(A, p.Height);
    r.DrawText(scrolled.Bmp.Canvas(), Point(0, 2), Rect(0, 0, A, p.Height));
    TRect moved = Rect(MaxInt, MaxInt, -1, -1);
    for (Integer y = 0; y < p.Height; ++y)
        for (Integer x = 0; x < indent; ++x)
            if (scrolled.At(x, y) == ColorToRGB(clWindowText))
                moved = Rect(std::min(moved.Left, x), std::min(moved.Top, y), std::max(moved.Right, x + 1),
                             std::max(moved.Bottom, y + 1));
    EXPECT_EQ(moved, Rect(indent - W - 1, bulletTop - 2, indent - 1, bulletTop + W - 2));
    // Each rule: a shadow row at half its line's height and a face row under it.
    Integer top = 0, lineHeight = 0;
    int rules = 0;
    for (Integer i = 0; i < d.Count(); ++i) {
        TExHTMLItem* it = d.Item(i);
        if (it->IsBreak()) {
            top += lineHeight;
            lineHeight = it->Height;
        }
        if (it->ItemType != hitHR) continue;
        const Integer y = top + lineHeight / 2, to = it->Width ? it->Width : A;
        for (Integer x = 0; x < A; ++x) {
            EXPECT_EQ(p.At(x, y) == ColorToRGB(clBtnShadow), x < to) << x << "," << y;
            EXPECT_EQ(p.At(x, y + 1) == ColorToRGB(clBtnFace), x < to) << x << "," << y + 1;
        }
        ++rules;
    }
    EXPECT_EQ(rules, 2);
}

TEST(MarkupLinks, HitTestsAndKeyboardSelection)
{
    TExHTMLRender r;
    r.PrepareText("<a href=one>AA</a> mid <a href=Two>BB<br>CC</a><a href=3>DD</a>", 0, false);
    TExHTMLData& d = *r.Data();
    // P 'AA' ' mid ' 'BB' B 'CC' 'DD'
    ASSERT_EQ(d.Count(), 7);
    const TRect box = Rect(0, 0, 200, 60);
    const Integer y = d.Item(0)->Height / 2, wA = d.Item(1)->Width, wMid = d.Item(2)->Width;
    std::string href = "stale";
    EXPECT_TRUE(r.IsCursorOverLink(Point(2, y), Point(0, 0), box, href));
    EXPECT_EQ(href, "one");
    EXPECT_FALSE(r.IsCursorOverLink(Point(wA + 2, y), Point(0, 0), box, href));
    EXPECT_EQ(href, "");
    EXPECT_TRUE(r.IsCursorOverLink(Point(wA + wMid + 2, y), Point(0, 0), box, href));
    EXPECT_EQ(href, "Two");
    // The origin scrolls the text under the point.
    EXPECT_TRUE(r.IsCursorOverLink(Point(2, y), Point(wA + wMid, 0), box, href));
    EXPECT_EQ(href, "Two");
    EXPECT_FALSE(r.IsCursorOverLink(Point(150, y), Point(0, 0), box, href));

    r.SelectLinkAt(Point(wA + 2, y), Point(0, 0), box);
    EXPECT_EQ(d.SelectedItem, d.Item(2));  // any item, link or not
    r.SelectLinkAt(Point(150, y), Point(0, 0), box);
    EXPECT_EQ(d.SelectedItem, nullptr);
    r.SelectPrevLink();
    EXPECT_EQ(d.SelectedItem, nullptr);
    // Next walks the link runs, skipping the break inside the link; at either end it stays.
    const TExHTMLItem* want[] = {d.Item(1), d.Item(3), d.Item(5), d.Item(6), d.Item(6)};
    for (const TExHTMLItem* w : want) {
        r.SelectNextLink();
        EXPECT_EQ(d.SelectedItem, w);
    }
    for (const TExHTMLItem* w : {d.Item(5), d.Item(3), d.Item(1), d.Item(1)}) {
        r.SelectPrevLink();
        EXPECT_EQ(d.SelectedItem, w);
    }
}

}  // namespace

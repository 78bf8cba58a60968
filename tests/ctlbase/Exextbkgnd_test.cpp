#include "ctlbase/Exextbkgnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Graphics.h"

namespace {

// A picture whose every pixel tells where it is: red = 20 x, green = 20 y.
std::unique_ptr<TBitmap> Coded(int w, int h)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->Canvas()->SetPixel(x, y, TColor(RGB(x * 20, y * 20, 1)));
    return b;
}
TColor At(int x, int y) { return TColor(RGB(x * 20, y * 20, 1)); }

struct Surface {
    Surface(int w, int h)
    {
        bmp.SetSize(w, h);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(Rect(0, 0, w, h));
    }
    HDC dc() { return bmp.Canvas()->Handle(); }
    TColor at(int x, int y) { return bmp.Canvas()->Pixels(x, y); }
    TBitmap bmp;
};

TEST(ExtDrawBkgnd2, TilesLieFromTheOriginsZeroPoint)
{
    auto tile = Coded(10, 10);
    Surface s(25, 5);
    ExtDrawBkgnd2(s.dc(), nullptr, Rect(0, 0, 25, 5), Rect(0, 0, 100, 100), Point(5, 0), clRed, tile.get(),
                  bgtTileBitmap);
    for (int x = 0; x < 25; ++x)
        EXPECT_EQ(s.at(x, 2), At((x + 5) % 10, 2)) << x;
    // A negative origin point still finds the right tile column.
    Surface n(6, 3);
    ExtDrawBkgnd2(n.dc(), nullptr, Rect(0, 0, 6, 3), Rect(-50, -50, 50, 50), Point(-3, -1), clRed, tile.get(),
                  bgtTileBitmap);
    EXPECT_EQ(n.at(0, 0), At(7, 9));
    EXPECT_EQ(n.at(3, 1), At(0, 0));
}

TEST(ExtDrawBkgnd2, ChildAreasLineUpWithTheWholeBackgroundAlsoWhenScrolled)
{
    auto tile = Coded(7, 5);
    const TRect form = Rect(0, 0, 40, 30);
    for (TPoint scroll : {Point(0, 0), Point(11, 3)}) {
        SCOPED_TRACE(scroll.X);
        Surface whole(40, 30);
        ExtDrawBkgnd2(whole.dc(), nullptr, form, form, scroll, clRed, tile.get(), bgtTileBitmap);
        for (TRect child : {Rect(3, 4, 20, 16), Rect(20, 4, 37, 16)}) {
            Surface s(child.Width(), child.Height());
            ExtDrawBkgnd2(s.dc(), nullptr, Rect(0, 0, child.Width(), child.Height()), form,
                          Point(child.Left + scroll.X, child.Top + scroll.Y), clRed, tile.get(), bgtTileBitmap);
            for (int y = 0; y < child.Height(); ++y)
                for (int x = 0; x < child.Width(); ++x)
                    ASSERT_EQ(s.at(x, y), whole.at(child.Left + x, child.Top + y)) << x << "," << y;
        }
    }
}

TEST(ExtDrawBkgnd2, OutsideTheOriginRectShowsTheColour)
{
    auto tile = Coded(4, 4);
    Surface s(10, 4);
    ExtDrawBkgnd2(s.dc(), nullptr, Rect(0, 0, 10, 4), Rect(0, 0, 6, 4), Point(0, 0), clRed, tile.get(),
                  bgtStretchBitmap);
    EXPECT_EQ(s.at(7, 1), clRed);
    EXPECT_EQ(s.at(0, 0), At(0, 0));
    // Wholly inside: no fill first, the colour never shows.
    Surface inside(4, 4);
    ExtDrawBkgnd2(inside.dc(), nullptr, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Point(0, 0), clRed, tile.get(),
                  bgtHorzGradient);
    EXPECT_EQ(inside.at(2, 2), clWhite);
    ExtDrawBkgnd2(inside.dc(), nullptr, Rect(0, 0, 4, 4), Rect(0, 0, 2, 4), Point(0, 0), clRed, tile.get(),
                  bgtVertGradient);
    EXPECT_EQ(inside.at(2, 2), clRed);
    // An empty picture paints the colour and nothing else.
    TBitmap empty;
    Surface e(4, 4);
    ExtDrawBkgnd2(e.dc(), nullptr, Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Point(0, 0), clBlue, &empty, bgtTileBitmap);
    EXPECT_EQ(e.at(1, 1), clBlue);
    ExtDrawBkgnd2(e.dc(), nullptr, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Point(0, 0), clLime, nullptr, bgtColorFill);
    EXPECT_EQ(e.at(3, 3), clLime);
}

TEST(ExtDrawBkgnd2, StretchedPictureCoversTheOriginRect)
{
    auto pic = Coded(2, 2);
    Surface s(2, 2);
    ExtDrawBkgnd2(s.dc(), nullptr, Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Point(2, 2), clRed, pic.get(),
                  bgtStretchBitmap);
    EXPECT_EQ(s.at(0, 0), At(1, 1));
    EXPECT_EQ(s.at(1, 1), At(1, 1));
    Surface t(2, 2);
    ExtDrawBkgnd2(t.dc(), nullptr, Rect(0, 0, 2, 2), Rect(0, 0, 4, 4), Point(0, 2), clRed, pic.get(),
                  bgtStretchBitmap);
    EXPECT_EQ(t.at(1, 0), At(0, 1));
}

TEST(ExtDrawBkgnd2, CentredPicturesAreCutOnEverySideAndSmallOnesSitInTheColour)
{
    auto big = Coded(10, 10);
    Surface s(6, 6);
    ExtDrawBkgnd2(s.dc(), nullptr, Rect(0, 0, 6, 6), Rect(0, 0, 6, 6), Point(0, 0), clRed, big.get(),
                  bgtCenterBitmap);
    EXPECT_EQ(s.at(0, 0), At(2, 2));
    EXPECT_EQ(s.at(5, 5), At(7, 7));
    ExtDrawBkgnd2(s.dc(), nullptr, Rect(0, 0, 6, 6), Rect(0, 0, 6, 6), Point(0, 0), clRed, big.get(),
                  bgtTopLeftBitmap);
    EXPECT_EQ(s.at(0, 0), At(0, 0));

    auto small = Coded(2, 2);
    Surface c(6, 6);
    ExtDrawBkgnd2(c.dc(), nullptr, Rect(0, 0, 6, 6), Rect(0, 0, 6, 6), Point(0, 0), clRed, small.get(),
                  bgtCenterBitmap);
    EXPECT_EQ(c.at(1, 1), clRed);
    EXPECT_EQ(c.at(2, 2), At(0, 0));
    EXPECT_EQ(c.at(3, 3), At(1, 1));
    EXPECT_EQ(c.at(4, 4), clRed);
    // The place moves with the origin rectangle's corner.
    Surface m(6, 6);
    ExtDrawBkgnd2(m.dc(), nullptr, Rect(0, 0, 6, 6), Rect(1, 0, 7, 6), Point(0, 0), clRed, small.get(),
                  bgtTopLeftBitmap);
    EXPECT_EQ(m.at(0, 0), clRed);
    EXPECT_EQ(m.at(1, 0), At(0, 0));
}

TEST(ExtDrawBkgnd, SameRectangleFourTimesTilesFromTheCorner)
{
    auto tile = Coded(3, 3);
    const TRect r = Rect(0, 0, 8, 5);
    Surface s(8, 5);
    ExtDrawBkgnd(s.dc(), nullptr, r, r, r, r, false, clRed, clRed, false, tile.get(), bgtTileBitmap);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(s.at(x, y), At(x % 3, y % 3)) << x << "," << y;
    // R1's corner shifts the tiles; nothing is painted before the anchor.
    Surface shifted(8, 5);
    ExtDrawBkgnd(shifted.dc(), nullptr, Rect(1, 2, 0, 0), r, r, r, false, clRed, clRed, false, tile.get(),
                 bgtTileBitmap);
    EXPECT_EQ(shifted.at(1, 2), At(0, 0));
    EXPECT_EQ(shifted.at(0, 0), clWhite);
    // Anchored more than a tile below the area's top: still nothing above the anchor.
    Surface low(8, 12);
    ExtDrawBkgnd(low.dc(), nullptr, Rect(1, 7, 0, 0), Rect(0, 0, 8, 12), Rect(0, 0, 8, 12), Rect(0, 0, 8, 12), false,
                 clRed, clRed, false, tile.get(), bgtTileBitmap);
    EXPECT_EQ(low.at(1, 7), At(0, 0));
    for (int y = 0; y < 7; ++y) EXPECT_EQ(low.at(2, y), clWhite) << y;
    // And more than a tile right of the area's left edge.
    Surface right(12, 5);
    ExtDrawBkgnd(right.dc(), nullptr, Rect(7, 1, 0, 0), Rect(0, 0, 12, 5), Rect(0, 0, 12, 5), Rect(0, 0, 12, 5), false,
                 clRed, clRed, false, tile.get(), bgtTileBitmap);
    EXPECT_EQ(right.at(7, 1), At(0, 0));
    for (int x = 0; x < 7; ++x) EXPECT_EQ(right.at(x, 2), clWhite) << x;
    // An area that starts several tiles right of and below the anchor.
    Surface far(20, 20);
    ExtDrawBkgnd(far.dc(), nullptr, Rect(2, 2, 20, 20), Rect(0, 0, 20, 20), Rect(0, 0, 20, 20), Rect(7, 8, 20, 20),
                 false, clRed, clRed, false, tile.get(), bgtTileBitmap);
    EXPECT_EQ(far.at(7, 8), At(2, 0));
    EXPECT_EQ(far.at(8, 9), At(0, 1));
    EXPECT_EQ(far.at(6, 8), clWhite);
    EXPECT_EQ(far.at(7, 7), clWhite);
    // A one-row background area still stretches.
    Surface row(6, 1);
    ExtDrawBkgnd(row.dc(), nullptr, Rect(0, 0, 6, 1), Rect(0, 0, 6, 1), Rect(0, 0, 6, 1), Rect(0, 0, 6, 1), false,
                 clRed, clRed, false, tile.get(), bgtStretchBitmap);
    EXPECT_EQ(GetRValue(ColorToRGB(row.at(0, 0))), 0);
    EXPECT_EQ(GetRValue(ColorToRGB(row.at(5, 0))), 2 * 20);
}

TEST(ExtDrawBkgnd, XorTwiceRestoresAndDitherDimsByParity)
{
    auto tile = Coded(3, 3);
    const TRect r = Rect(0, 0, 6, 6);
    Surface s(6, 6);
    ExtDrawBkgnd(s.dc(), nullptr, r, r, r, r, true, clRed, clRed, false, tile.get(), bgtTileBitmap);
    EXPECT_EQ(s.at(1, 2), TColor(0xFFFFFF ^ At(1, 2)));
    ExtDrawBkgnd(s.dc(), nullptr, r, r, r, r, true, clRed, clRed, false, tile.get(), bgtTileBitmap);
    EXPECT_EQ(s.at(1, 2), clWhite);

    Surface checker(6, 6);
    ExtDrawBkgnd(checker.dc(), nullptr, r, r, r, r, false, clRed, clBlue, true, tile.get(), bgtTileBitmap);
    EXPECT_EQ(checker.at(1, 2), clBlue);
    EXPECT_EQ(checker.at(2, 2), At(2, 2));

    Surface sparse(6, 6);
    ExtDrawBkgnd(sparse.dc(), nullptr, r, r, r, r, false, clRed, clBlue, true, tile.get(), bgtStretchBitmap);
    EXPECT_EQ(sparse.at(1, 3), clBlue);
    EXPECT_EQ(sparse.at(1, 2), At(0, 1));  // 3 x 3 stretched to 6 x 6
    Surface centred(6, 6);
    ExtDrawBkgnd(centred.dc(), nullptr, r, r, r, r, false, clRed, clBlue, true, tile.get(), bgtCenterBitmap);
    EXPECT_EQ(centred.at(0, 0), clRed);
    EXPECT_EQ(centred.at(3, 3), clBlue);
    EXPECT_EQ(centred.at(2, 3), At(0, 1));
}

TEST(ExtDrawBkgnd, FillsAndGradientsAndTheOffsetOfR3)
{
    auto tile = Coded(3, 3);
    const TRect r = Rect(0, 0, 6, 6);
    Surface s(6, 6);
    ExtDrawBkgnd(s.dc(), nullptr, r, r, r, Rect(1, 1, 3, 3), false, clRed, clRed, false, tile.get(), bgtColorFill);
    EXPECT_EQ(s.at(1, 1), clRed);
    EXPECT_EQ(s.at(3, 3), clWhite);
    ExtDrawBkgnd(s.dc(), nullptr, r, r, r, r, false, clBlue, clRed, false, tile.get(), bgtVertGradient);
    EXPECT_EQ(s.at(1, 1), clRed);
    // R3's corner is taken off twice on the way to the context: once for P, once for the target.
    Surface o(8, 8);
    ExtDrawBkgnd(o.dc(), nullptr, Rect(0, 0, 8, 8), Rect(0, 0, 8, 8), Rect(1, 1, 8, 8), Rect(2, 2, 8, 8), false,
                 clRed, clRed, false, tile.get(), bgtTileBitmap);
    EXPECT_EQ(o.at(0, 0), At(1, 1));
    EXPECT_EQ(o.at(5, 5), At(0, 0));
    EXPECT_EQ(o.at(6, 6), clWhite);
}

// Pictures of a few pixels over a large window, with part of the window clipped away and part of
// the area past the surface: every shown pixel is its tile's, every clipped one is left alone.
TEST(TiledBackgrounds, TinyPicturesOverAClippedWindowKeepTheirPlaceEverywhereTheyShow)
{
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{5, 7}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        auto tile = Coded(w, h);
        const TPoint origin = Point(13, 4);
        Surface a(300, 200), b(300, 200);
        for (Surface* s : {&a, &b})
            IntersectClipRect(s->dc(), 20, 10, 290, 170);
        ExtDrawBkgnd2(a.dc(), nullptr, Rect(-40, -40, 5000, 5000), Rect(-100, -100, 9000, 9000), origin, clRed,
                      tile.get(), bgtTileBitmap);
        const TRect all = Rect(0, 0, 5000, 5000);
        ExtDrawBkgnd(b.dc(), nullptr, Rect(2, 1, 0, 0), all, all, all, false, clRed, clRed, false, tile.get(),
                     bgtTileBitmap);
        for (Surface* s : {&a, &b})
            SelectClipRgn(s->dc(), nullptr);  // reading is clipped too
        // A sample of every third row and seventh column, and the shown area's first rows and
        // columns, where the first tile row or column begins.
        std::vector<int> ys = {10, 11, 12}, xs = {20, 21, 22, 23};
        for (int y = 0; y < 200; y += 3) ys.push_back(y);
        for (int x = 0; x < 300; x += 7) xs.push_back(x);
        for (const int y : ys)
            for (const int x : xs) {
                const bool shown = x >= 20 && x < 290 && y >= 10 && y < 170;
                ASSERT_EQ(a.at(x, y), shown ? At((x + origin.X) % w, (y + origin.Y) % h) : clWhite) << x << "," << y;
                ASSERT_EQ(b.at(x, y), shown ? At((x - 2) % w, (y - 1) % h) : clWhite) << x << "," << y;
            }
    }
}

}  // namespace

// Arcs: the outline between two radials, counter-clockwise, in the pen and nothing else.
#include <gtest/gtest.h>

#include "platform/Graphics.h"
#include "platform/WinGdi.h"

namespace {

struct ArcCanvas : ::testing::Test {
    TBitmap bmp;
    ArcCanvas()
    {
        bmp.SetSize(60, 60);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect{0, 0, 60, 60});
        bmp.Canvas()->Pen()->SetColor(clRed);
    }
    // Whether any pixel of the pen's colour lies within 2 pixels of (x, y).
    bool InkNear(int x, int y)
    {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (ColorToRGB(bmp.Canvas()->Pixels(x + dx, y + dy)) == RGB(255, 0, 0)) return true;
        return false;
    }
};

TEST_F(ArcCanvas, RunsCounterClockwiseFromStartToEnd)
{
    // From the top-right radial to the bottom-left one, counter-clockwise: the upper-left half.
    bmp.Canvas()->Arc(10, 10, 50, 50, 50, 10, 10, 50);
    EXPECT_TRUE(InkNear(30, 10));   // top
    EXPECT_TRUE(InkNear(10, 30));   // left
    EXPECT_FALSE(InkNear(30, 49));  // bottom
    EXPECT_FALSE(InkNear(49, 30));  // right
    EXPECT_EQ(ColorToRGB(bmp.Canvas()->Pixels(30, 30)), RGB(255, 255, 255));  // nothing filled
}

TEST_F(ArcCanvas, TheOtherWayRoundIsTheOtherHalf)
{
    bmp.Canvas()->Arc(10, 10, 50, 50, 10, 50, 50, 10);
    EXPECT_FALSE(InkNear(30, 10));
    EXPECT_FALSE(InkNear(10, 30));
    EXPECT_TRUE(InkNear(30, 49));
    EXPECT_TRUE(InkNear(49, 30));
}

TEST_F(ArcCanvas, OneRadialTwiceIsTheWholeEllipseAndANullPenDrawsNothing)
{
    bmp.Canvas()->Arc(10, 10, 50, 50, 50, 30, 50, 30);
    for (auto [x, y] : {std::pair{30, 10}, {10, 30}, {30, 49}, {49, 30}}) EXPECT_TRUE(InkNear(x, y)) << x << "," << y;
    bmp.Canvas()->Brush()->SetColor(clWhite);
    bmp.Canvas()->FillRect(TRect{0, 0, 60, 60});
    bmp.Canvas()->Pen()->SetStyle(psClear);
    bmp.Canvas()->Arc(10, 10, 50, 50, 50, 30, 50, 30);
    EXPECT_FALSE(InkNear(30, 10));
    EXPECT_EQ(Arc(nullptr, 0, 0, 1, 1, 0, 0, 1, 1), FALSE);
}

}  // namespace

// Icons as pictures: made from bitmaps, copied, drawn with their transparent parts, and kept in
// icon files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/Graphics.h"
#include "tests/support/UiTest.h"

namespace {

// A 16 x 16 icon: a red square of 8 in the middle, the rest transparent.
HICON RedSquareIcon()
{
    TBitmap colour, mask;
    colour.SetWidth(16);
    colour.SetHeight(16);
    mask.SetWidth(16);
    mask.SetHeight(16);
    colour.Canvas()->Brush()->SetColor(clBlack);
    colour.Canvas()->FillRect(TRect{0, 0, 16, 16});
    colour.Canvas()->Brush()->SetColor(clRed);
    colour.Canvas()->FillRect(TRect{4, 4, 12, 12});
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(TRect{0, 0, 16, 16});
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{4, 4, 12, 12});
    ICONINFO info;
    info.hbmColor = colour.Handle();
    info.hbmMask = mask.Handle();
    return CreateIconIndirect(&info);
}

// Draws the icon on a green bitmap and answers what shows at a point.
TColor ShownAt(TGraphic* icon, const TRect& where, int x, int y)
{
    TBitmap b;
    b.SetWidth(40);
    b.SetHeight(40);
    b.Canvas()->Brush()->SetColor(clLime);
    b.Canvas()->FillRect(TRect{0, 0, 40, 40});
    b.Canvas()->StretchDraw(where, icon);
    return b.Canvas()->Pixels(x, y);
}

TEST(IconPictures, SizeComesFromThePictureAndCannotBeSet)
{
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    EXPECT_EQ(icon.Width(), 0);
    icon.SetHandle(RedSquareIcon());
    EXPECT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
    EXPECT_NO_THROW(icon.SetHeight(16));
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon.Handle(), &info));
    TBitmap colour;
    colour.SetHandle(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(colour.Width(), 16);
    EXPECT_EQ(colour.Canvas()->Pixels(8, 8), clRed);
    EXPECT_EQ(colour.Canvas()->Pixels(1, 1), clBlack);
}

TEST(IconPictures, DrawnWithItsTransparentPartsAtItsSizeOrStretched)
{
    TIcon icon;
    icon.SetHandle(RedSquareIcon());
    EXPECT_EQ(ShownAt(&icon, TRect{0, 0, 16, 16}, 8, 8), clRed);
    EXPECT_EQ(ShownAt(&icon, TRect{0, 0, 16, 16}, 1, 1), clLime);
    EXPECT_EQ(ShownAt(&icon, TRect{0, 0, 32, 32}, 20, 20), clRed);
    EXPECT_EQ(ShownAt(&icon, TRect{0, 0, 32, 32}, 5, 5), clLime);
}

TEST(IconPictures, ACopyIsItsOwnAndChangesAreTold)
{
    TIcon a, b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    a.SetHandle(RedSquareIcon());
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    ASSERT_NE(b.Handle(), nullptr);
    EXPECT_NE(b.Handle(), a.Handle());
    a.SetHandle(nullptr);  // frees a's icon; b's stays drawable
    EXPECT_EQ(ShownAt(&b, TRect{0, 0, 16, 16}, 8, 8), clRed);
    HICON given = b.ReleaseHandle();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(changes, 2);
    DestroyIcon(given);
    b.Assign(&a);  // an empty icon empties it again
    EXPECT_TRUE(b.Empty());
    // A bitmap is no icon: refused, and the icon keeps what it had.
    b.SetHandle(RedSquareIcon());
    TBitmap bmp;
    EXPECT_THROW(b.Assign(&bmp), Exception);
    EXPECT_FALSE(b.Empty());
}

TEST(IconPictures, AnIconFileKeepsThePictureAndDamageIsRefused)
{
    std::string file = uitest::TempDir() + "/red.ico";
    TIcon icon;
    icon.SetHandle(RedSquareIcon());
    // A save over a file puts the new one in its place whole, the old bytes untouched.
    TIcon().SaveToFile(file);
    const std::string old = uitest::TempDir() + "/old.ico";
    std::filesystem::remove(old);
    ASSERT_EQ(::link(file.c_str(), old.c_str()), 0);
    icon.SaveToFile(file);
    EXPECT_EQ(std::filesystem::file_size(old), 0u);
    TIcon back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Width(), 16);
    EXPECT_EQ(ShownAt(&back, TRect{0, 0, 16, 16}, 8, 8), clRed);
    EXPECT_EQ(ShownAt(&back, TRect{0, 0, 16, 16}, 1, 1), clLime);
    TMemoryStream junk;
    junk.WriteBuffer("not an icon at all", 18);
    junk.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(&junk), EInvalidGraphic);
    EXPECT_EQ(back.Width(), 16);  // the old picture stays
}

}  // namespace

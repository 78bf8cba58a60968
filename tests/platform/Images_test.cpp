// Image lists, icons and masked copies: transparency where the mask says, each drawing style, and
// the drag image shown over child windows.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "tests/support/UiTest.h"

namespace {

// A memory context over a grey bitmap.
struct Canvas {
    Canvas()
    {
        bmp.SetWidth(40);
        bmp.SetHeight(20);
        bmp.Canvas()->Brush()->SetColor(TColor(RGB(128, 128, 128)));
        bmp.Canvas()->FillRect(TRect{0, 0, 40, 20});
    }
    COLORREF At(int x, int y) { return ColorToRGB(bmp.Canvas()->Pixels(x, y)); }
    TBitmap bmp;
};

// Two 4 x 4 images side by side: a red one and a blue one, each with a transparent left column
// in the colour (0, 255, 0).
TBitmap* Strip()
{
    auto* b = new TBitmap;
    b->SetWidth(8);
    b->SetHeight(4);
    b->Canvas()->Brush()->SetColor(TColor(RGB(255, 0, 0)));
    b->Canvas()->FillRect(TRect{0, 0, 4, 4});
    b->Canvas()->Brush()->SetColor(TColor(RGB(0, 0, 255)));
    b->Canvas()->FillRect(TRect{4, 0, 8, 4});
    b->Canvas()->Brush()->SetColor(TColor(RGB(0, 255, 0)));
    b->Canvas()->FillRect(TRect{0, 0, 1, 4});
    b->Canvas()->FillRect(TRect{4, 0, 5, 4});
    return b;
}

struct StyleCase {
    const char* name;
    UINT style;
    COLORREF bk;
    COLORREF inside;       // at the image's opaque part
    COLORREF transparent;  // at its transparent column
};
void PrintTo(const StyleCase& c, std::ostream* os) { *os << c.name; }

class ImageListStyles : public ::testing::TestWithParam<StyleCase> {};

TEST_P(ImageListStyles, DrawExHonoursTheStyle)
{
    const StyleCase& c = GetParam();
    HIMAGELIST il = ImageList_Create(4, 4, ILC_MASK, 2, 2);
    TBitmap* strip = Strip();
    EXPECT_EQ(ImageList_AddMasked(il, strip->Handle(), RGB(0, 255, 0)), 0);
    EXPECT_EQ(ImageList_GetImageCount(il), 2);
    Canvas t;
    ASSERT_TRUE(ImageList_DrawEx(il, 1, t.bmp.Canvas()->Handle(), 10, 5, 0, 0, c.bk, RGB(255, 255, 255), c.style));
    EXPECT_EQ(t.At(12, 6), c.inside);
    EXPECT_EQ(t.At(10, 6), c.transparent);
    EXPECT_EQ(t.At(14, 6), RGB(128, 128, 128));  // nothing past the image's width
    delete strip;
    ImageList_Destroy(il);
}

const StyleCase kStyles[] = {
    {"NormalWithoutBackground", ILD_NORMAL, CLR_NONE, RGB(0, 0, 255), RGB(128, 128, 128)},
    {"NormalOnABackground", ILD_NORMAL, RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)},
    {"TransparentIgnoresTheBackground", ILD_TRANSPARENT, RGB(255, 255, 0), RGB(0, 0, 255), RGB(128, 128, 128)},
    {"MaskIsBlackWhereTheImageShows", ILD_MASK, CLR_NONE, RGB(0, 0, 0), RGB(255, 255, 255)},
    {"SelectedMixesHalfWithTheColour", ILD_TRANSPARENT | ILD_BLEND50, CLR_NONE, RGB(127, 127, 255), RGB(128, 128, 128)},
    {"FocusMixesAQuarter", ILD_TRANSPARENT | ILD_BLEND25, CLR_NONE, RGB(63, 63, 255), RGB(128, 128, 128)},
};
INSTANTIATE_TEST_SUITE_P(Styles, ImageListStyles, ::testing::ValuesIn(kStyles),
                         [](const ::testing::TestParamInfo<StyleCase>& i) { return std::string(i.param.name); });

TEST(ImageLists, TheClassLibrarysListAddsStripsAndMasks)
{
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    EXPECT_EQ(list.Width(), 4);
    EXPECT_EQ(list.Height(), 4);
    TBitmap* strip = Strip();
    TBitmap mask;
    mask.SetWidth(8);
    mask.SetHeight(4);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{0, 0, 8, 4});
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(TRect{7, 0, 8, 4});  // the second image's right column is clear
    EXPECT_EQ(list.Add(strip, &mask), 0);
    EXPECT_EQ(list.AddMasked(strip, TColor(RGB(0, 255, 0))), 2);
    EXPECT_EQ(list.Count(), 4);
    Canvas t;
    list.Draw(t.bmp.Canvas(), 0, 0, 1);
    EXPECT_EQ(t.At(0, 0), RGB(0, 255, 0));  // kept: the mask, not the colour, decides
    EXPECT_EQ(t.At(3, 0), RGB(128, 128, 128));
    list.Draw(t.bmp.Canvas(), 20, 0, 1, false);
    EXPECT_NE(t.At(21, 0), RGB(0, 0, 255));  // disabled images are not drawn as they are
    list.Delete(0);
    EXPECT_EQ(list.Count(), 3);
    list.SetWidth(8);
    EXPECT_EQ(list.Count(), 0);
    // A bitmap narrower than the images fills only its own columns.
    TBitmap narrow;
    narrow.SetWidth(5);
    narrow.SetHeight(4);
    narrow.Canvas()->Brush()->SetColor(TColor(RGB(255, 0, 0)));
    narrow.Canvas()->FillRect(TRect{0, 0, 5, 4});
    EXPECT_EQ(list.Add(&narrow, nullptr), 0);
    list.Draw(t.bmp.Canvas(), 30, 10, 0);
    EXPECT_EQ(t.At(34, 11), RGB(255, 0, 0));
    EXPECT_EQ(t.At(35, 11), RGB(128, 128, 128));
    HIMAGELIST thin = ImageList_Create(5, 1, ILC_COLOR32, 1, 1);  // a list of one-pixel rows
    EXPECT_EQ(ImageList_Add(thin, narrow.Handle(), nullptr), 0);
    ImageList_Destroy(thin);
    delete strip;
}

TEST(ImageLists, AnImageIsReplacedInItsPlace)
{
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    TBitmap* strip = Strip();
    ASSERT_EQ(list.AddMasked(strip, TColor(RGB(0, 255, 0))), 0);
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    // Blue over the red one, its key colour now in the right column.
    TBitmap blue;
    blue.SetSize(4, 4);
    blue.Canvas()->Brush()->SetColor(TColor(RGB(0, 0, 255)));
    blue.Canvas()->FillRect(TRect{0, 0, 4, 4});
    blue.Canvas()->Brush()->SetColor(TColor(RGB(255, 255, 0)));
    blue.Canvas()->FillRect(TRect{3, 0, 4, 4});
    list.ReplaceMasked(0, &blue, TColor(RGB(255, 255, 0)));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.Count(), 2);
    Canvas t;
    list.Draw(t.bmp.Canvas(), 0, 0, 0);
    EXPECT_EQ(t.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(t.At(3, 0), RGB(128, 128, 128));
    list.Draw(t.bmp.Canvas(), 10, 0, 1);  // the next image keeps its place
    EXPECT_EQ(t.At(11, 0), RGB(0, 0, 255));
    EXPECT_EQ(t.At(10, 0), RGB(128, 128, 128));
    // clDefault takes the bitmap's own transparent colour, its bottom-left pixel.
    blue.Canvas()->SetPixel(0, 3, TColor(RGB(0, 0, 255)));
    list.ReplaceMasked(1, &blue, clDefault);
    list.Draw(t.bmp.Canvas(), 20, 0, 1);
    EXPECT_EQ(t.At(20, 0), RGB(128, 128, 128));
    EXPECT_EQ(t.At(23, 0), RGB(255, 255, 0));
    // Past the end nothing happens.
    list.ReplaceMasked(2, &blue, clDefault);
    list.ReplaceMasked(-1, &blue, clDefault);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(ImageList_Replace(list.Handle(), 5, blue.Handle(), nullptr), FALSE);
    delete strip;
}

TEST(Icons, DrawnWithTheirMaskAtTheirSizeOrScaled)
{
    TBitmap* strip = Strip();
    TBitmap mask;
    mask.SetWidth(4);
    mask.SetHeight(4);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{0, 0, 4, 4});
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(TRect{0, 0, 2, 4});
    ICONINFO info;
    info.hbmColor = strip->Handle();
    info.hbmMask = mask.Handle();
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    Canvas t;
    HDC dc = t.bmp.Canvas()->Handle();
    ASSERT_TRUE(DrawIcon(dc, 0, 0, icon));
    EXPECT_EQ(t.At(1, 1), RGB(128, 128, 128));
    EXPECT_EQ(t.At(2, 1), RGB(255, 0, 0));
    ASSERT_TRUE(DrawIconEx(dc, 10, 0, icon, 16, 16, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(t.At(15, 15), RGB(255, 0, 0));
    EXPECT_EQ(t.At(11, 15), RGB(128, 128, 128));
    ASSERT_TRUE(DrawIconEx(dc, 30, 0, icon, 0, 0, 0, nullptr, DI_MASK));
    EXPECT_EQ(t.At(30, 0), RGB(255, 255, 255));
    EXPECT_EQ(t.At(33, 0), RGB(0, 0, 0));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DrawIcon(dc, 0, 0, icon));
    delete strip;
}

TEST(MaskedCopies, ForegroundWhereTheMaskIsWhiteBackgroundElsewhere)
{
    Canvas src, dst;
    src.bmp.Canvas()->Brush()->SetColor(TColor(RGB(255, 0, 0)));
    src.bmp.Canvas()->FillRect(TRect{0, 0, 40, 20});
    TBitmap mask;
    mask.SetWidth(4);
    mask.SetHeight(1);
    mask.SetPixelFormat(pf1bit);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{0, 0, 4, 1});
    SetPixel(mask.Canvas()->Handle(), 1, 0, RGB(255, 255, 255));
    HDC d = dst.bmp.Canvas()->Handle();
    // Copy where white, invert the destination where black.
    ASSERT_TRUE(MaskBlt(d, 5, 5, 4, 1, src.bmp.Canvas()->Handle(), 0, 0, mask.Handle(), 0, 0, MAKEROP4(SRCCOPY, DSTINVERT)));
    EXPECT_EQ(dst.At(6, 5), RGB(255, 0, 0));
    EXPECT_EQ(dst.At(5, 5), RGB(127, 127, 127));
    EXPECT_EQ(dst.At(9, 5), RGB(128, 128, 128));
    // Without a mask it is a plain copy with the foreground operation.
    ASSERT_TRUE(MaskBlt(d, 0, 0, 2, 1, src.bmp.Canvas()->Handle(), 0, 0, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.At(1, 0), RGB(255, 0, 0));
}

TEST(DragImages, ShowOverChildWindowsAndGoAway)
{
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 200, 120);
    form->AfterConstruction();
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetAlign(alClient);
    form->Show();
    uitest::Pump();
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    TBitmap* strip = Strip();
    list.AddMasked(strip, TColor(RGB(0, 255, 0)));
    ASSERT_TRUE(list.SetDragImage(0, 1, 1));
    ASSERT_TRUE(list.BeginDrag(panel->Handle(), 50, 40));
    auto seen = [&](int x, int y) {
        TBitmap shot;
        EXPECT_TRUE(CaptureControlImage(form, &shot));
        return ColorToRGB(shot.Canvas()->Pixels(x, y));
    };
    EXPECT_EQ(seen(50, 40), RGB(255, 0, 0));  // hot spot (1, 1) at the point
    EXPECT_NE(seen(49, 40), RGB(255, 0, 0));  // the transparent column
    ASSERT_TRUE(list.DragMove(80, 60));
    EXPECT_NE(seen(50, 40), RGB(255, 0, 0));
    EXPECT_EQ(seen(80, 60), RGB(255, 0, 0));
    list.HideDragImage();
    EXPECT_NE(seen(80, 60), RGB(255, 0, 0));
    list.ShowDragImage();
    EXPECT_EQ(seen(80, 60), RGB(255, 0, 0));
    // Unlocked from its window, showing it again shows nothing until it is locked again.
    list.DragUnlock();
    list.ShowDragImage();
    EXPECT_NE(seen(80, 60), RGB(255, 0, 0));
    EXPECT_TRUE(list.DragLock(panel->Handle(), 80, 60));
    EXPECT_EQ(seen(80, 60), RGB(255, 0, 0));
    EXPECT_TRUE(list.EndDrag());
    EXPECT_FALSE(list.Dragging());
    EXPECT_NE(seen(80, 60), RGB(255, 0, 0));
    delete strip;
    delete form;
    uitest::Pump();
}

}  // namespace

TEST(ImageLists, ChangeLinksHearOfChangesUntilEitherSideGoes)
{
    auto* first = new TImageList(nullptr);
    TImageList second(nullptr);
    int heard = 0;
    TObject* sender = nullptr;
    auto* link = new TChangeLink;
    link->OnChange = [&](TObject* Sender) {
        ++heard;
        sender = Sender;
    };
    first->RegisterChanges(link);
    first->SetWidth(8);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(sender, first);
    // Registering with another list leaves the first.
    second.RegisterChanges(link);
    first->SetWidth(9);
    EXPECT_EQ(heard, 1);
    second.SetWidth(9);
    EXPECT_EQ(heard, 2);
    TObject::Free(link);
    second.SetWidth(10);
    EXPECT_EQ(heard, 2);
    TChangeLink kept;
    first->RegisterChanges(&kept);
    TObject::Free(first);
    EXPECT_EQ(kept.Sender(), nullptr);
}

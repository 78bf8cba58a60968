// The button glyph painter: the shared pool of state-image lists, the state images cut from a glyph
// bitmap, the disabled looks, layouts and margins, captions and image-list pictures, checked by the
// pixels they leave on a canvas.
#include "controls/Exbtnglyph.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "platform/WinGdi.h"

namespace {

const TColor kStrip[4] = {TColor(RGB(255, 0, 0)), TColor(RGB(0, 0, 255)), TColor(RGB(0, 160, 0)),
                          TColor(RGB(200, 0, 200))};

// Count strips of Side x Side, each a filled square of its strip colour with a one-pixel olive
// border (the transparent colour, read from the bottom-left pixel).
std::unique_ptr<TBitmap> Strips(int Count, int Side = 16)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(Count * Side, Side);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clOlive);
    c->FillRect(TRect{0, 0, Count * Side, Side});
    for (int i = 0; i < Count; ++i) {
        c->Brush()->SetColor(kStrip[i % 4]);
        c->FillRect(TRect{i * Side + 1, 1, (i + 1) * Side - 1, Side - 1});
    }
    return b;
}

COLORREF Rgb(TColor c) { return ColorToRGB(c); }

// A grey surface to paint on.
struct Surface {
    explicit Surface(int W = 120, int H = 40)
    {
        bmp.SetSize(W, H);
        Clear();
    }
    void Clear()
    {
        bmp.Canvas()->Brush()->SetColor(TColor(RGB(90, 90, 90)));
        bmp.Canvas()->Brush()->SetStyle(bsSolid);
        bmp.Canvas()->FillRect(TRect{0, 0, bmp.Width(), bmp.Height()});
    }
    COLORREF At(int x, int y) { return ColorToRGB(bmp.Canvas()->Pixels(x, y)); }
    TCanvas* C() { return bmp.Canvas(); }
    TBitmap bmp;
};
const COLORREF kGrey = RGB(90, 90, 90);

class GlyphPool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GlyphCache, nullptr) << "a painter of another test is still alive"; }
    void TearDown() override { EXPECT_EQ(GlyphCache, nullptr); }
};

TEST_F(GlyphPool, PaintersOfOneSizeShareAListAndItsFreedSlots)
{
    auto a = std::make_unique<TExButtonGlyph>();
    auto b = std::make_unique<TExButtonGlyph>();
    ASSERT_NE(GlyphCache, nullptr);
    a->SetGlyph(Strips(4).get());
    b->SetGlyph(Strips(2).get());
    EXPECT_EQ(a->CreateButtonGlyph(ebsUp), 0);
    EXPECT_EQ(a->CreateButtonGlyph(ebsDown), 1);
    EXPECT_EQ(b->CreateButtonGlyph(ebsUp), 2);
    EXPECT_EQ(a->GlyphList(), b->GlyphList());
    EXPECT_EQ(GlyphCache->ListCount(), 1);
    EXPECT_EQ(a->GlyphList()->Count(), 3);

    // The first painter's images go; the list stays for the second one's.
    TExGlyphList* shared = a->GlyphList();
    a->Repaint();
    EXPECT_EQ(a->GlyphList(), nullptr);
    EXPECT_EQ(GlyphCache->ListCount(), 1);
    EXPECT_EQ(shared->Count(), 1);
    EXPECT_FALSE(shared->Used(0));
    EXPECT_TRUE(shared->Used(2));
    // The next image takes the lowest free slot, keeping the second painter's where it is.
    EXPECT_EQ(b->CreateButtonGlyph(ebsDisabled), 0);
    EXPECT_EQ(b->Index(ebsUp), 2);
    EXPECT_EQ(a->CreateButtonGlyph(ebsExclusive), 1);

    // Another size gets a list of its own.
    auto c = std::make_unique<TExButtonGlyph>();
    c->SetGlyph(Strips(1, 20).get());
    EXPECT_GE(c->CreateButtonGlyph(ebsUp), 0);
    EXPECT_NE(c->GlyphList(), shared);
    EXPECT_EQ(GlyphCache->ListCount(), 2);
    c.reset();
    EXPECT_EQ(GlyphCache->ListCount(), 1);

    a.reset();
    EXPECT_NE(GlyphCache, nullptr);
    b.reset();
    EXPECT_EQ(GlyphCache, nullptr);
    // The next painter starts a new pool.
    TExButtonGlyph d;
    EXPECT_NE(GlyphCache, nullptr);
}

TEST_F(GlyphPool, AListStillHoldingImagesIsNotReturned)
{
    TExGlyphCache cache;
    TExGlyphList* l = cache.GetList(8, 8);
    EXPECT_EQ(cache.GetList(8, 8), l);
    TBitmap img;
    img.SetSize(8, 8);
    const Integer slot = l->AddMasked(&img, clDefault);
    cache.ReturnList(l);
    EXPECT_EQ(cache.GetList(8, 8), l);
    l->Delete(slot);
    l->Delete(slot);  // twice: counted once
    EXPECT_EQ(l->Count(), 0);
    cache.ReturnList(l);
    EXPECT_TRUE(cache.Empty());
    cache.ReturnList(nullptr);
}

TEST(GlyphPattern, IsAOnePixelCheckerboard)
{
    CreateBrushPattern();
    ASSERT_NE(Pattern, nullptr);
    EXPECT_EQ(Pattern->Width(), 8);
    EXPECT_EQ(Pattern->Height(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(ColorToRGB(Pattern->Canvas()->Pixels(x, y)), Rgb(x % 2 == y % 2 ? clBtnHighlight : clBtnFace))
                << x << "," << y;
    // The last button takes the pattern with it.
    ButtonCreated();
    ButtonCreated();
    ButtonDestroyed();
    EXPECT_NE(Pattern, nullptr);
    ButtonDestroyed();
    EXPECT_EQ(Pattern, nullptr);
    EXPECT_EQ(ButtonCount, 0);
}

// ---------------------------------------------------------------- strips and states

TEST(GlyphStrips, CountFollowsTheBitmapsShape)
{
    TExButtonGlyph g;
    int changes = 0;
    g.OnChange = [&](TObject* s) {
        EXPECT_EQ(s, &g);
        ++changes;
    };
    g.SetGlyph(Strips(4).get());
    EXPECT_EQ(g.NumGlyphs(), 4);
    EXPECT_GE(changes, 1);
    g.SetGlyph(Strips(5).get());  // five would be too many
    EXPECT_EQ(g.NumGlyphs(), 1);
    g.SetNumGlyphs(2);
    EXPECT_EQ(g.NumGlyphs(), 1);  // the square bitmap decides at once
    TBitmap odd;
    odd.SetSize(40, 16);
    g.SetGlyph(&odd);
    g.SetNumGlyphs(2);
    EXPECT_EQ(g.NumGlyphs(), 2);  // 40 x 16 is no whole multiple: the owner's value stays
    g.SetNumGlyphs(0);
    EXPECT_EQ(g.NumGlyphs(), 2);
    g.SetNumGlyphs(9);
    EXPECT_EQ(g.NumGlyphs(), 4);
    g.SetGlyph(nullptr);
    EXPECT_EQ(g.NumGlyphs(), 1);
    EXPECT_EQ(g.CreateButtonGlyph(ebsUp), -1);
}

TEST(GlyphStrips, TheTransparentColourComesFromTheBitmap)
{
    TExButtonGlyph g;
    EXPECT_EQ(g.TransparentColor(), clOlive);
    auto b = Strips(1);
    b->Canvas()->SetPixel(0, 15, TColor(RGB(7, 8, 9)));
    g.SetGlyph(b.get());
    EXPECT_EQ(g.TransparentColor(), TColor(RGB(7, 8, 9)));
}

struct StripCase {
    int strips;
    TExButtonState state;
    int shown;  // strip whose colour appears
};
void PrintTo(const StripCase& c, std::ostream* os) { *os << c.strips << " strips, state " << int(c.state); }

class GlyphStateImage : public ::testing::TestWithParam<StripCase> {};

TEST_P(GlyphStateImage, ShowsItsStrip)
{
    const StripCase& c = GetParam();
    TExButtonGlyph g;
    g.SetGlyph(Strips(c.strips).get());
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{10, 5}, c.state, true, clBtnFace);
    EXPECT_EQ(s.At(10 + 8, 5 + 8), Rgb(kStrip[c.shown]));
    // The olive border is the transparent colour: the surface shows through.
    EXPECT_EQ(s.At(10, 5), kGrey);
    EXPECT_EQ(s.At(10 + 15, 5 + 15), kGrey);
    EXPECT_EQ(s.At(9, 5), kGrey);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GlyphStateImage,
    ::testing::Values(StripCase{1, ebsUp, 0}, StripCase{2, ebsDown, 0}, StripCase{3, ebsDown, 2},
                      StripCase{4, ebsDown, 2}, StripCase{3, ebsExclusive, 0}, StripCase{4, ebsExclusive, 3},
                      StripCase{4, ebsArrDown, 0}, StripCase{2, ebsDisabled, 1}, StripCase{4, ebsUp, 0}),
    [](const ::testing::TestParamInfo<StripCase>& i) {
        return std::to_string(i.param.strips) + "strips_state" + std::to_string(int(i.param.state));
    });

TEST(GlyphStates, DownWithFewStripsSharesTheUpSlotAndArrowDownHasItsOwn)
{
    TExButtonGlyph g;
    g.SetGlyph(Strips(2).get());
    const Integer up = g.CreateButtonGlyph(ebsUp);
    EXPECT_EQ(g.CreateButtonGlyph(ebsDown), up);
    EXPECT_EQ(g.Index(ebsDown), -1);
    const Integer arrow = g.CreateButtonGlyph(ebsArrDown);
    EXPECT_NE(arrow, up);
    EXPECT_EQ(g.Index(ebsArrDown), arrow);
    EXPECT_EQ(g.CreateButtonGlyph(ebsArrDown), arrow);  // made once
    EXPECT_EQ(g.GlyphList()->Count(), 2);
}

TEST(GlyphStates, NotSeeThroughTheTransparentColourBecomesTheBackground)
{
    TExButtonGlyph g;
    g.SetGlyph(Strips(1).get());
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, false, TColor(RGB(10, 20, 30)));
    EXPECT_EQ(s.At(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(s.At(8, 8), Rgb(kStrip[0]));
    // The exclusive state and a background of clNone are always see-through.
    s.Clear();
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsExclusive, false, TColor(RGB(10, 20, 30)));
    EXPECT_EQ(s.At(0, 0), kGrey);
    s.Clear();
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, false, clNone);
    EXPECT_EQ(s.At(0, 0), kGrey);
}

TEST(GlyphStates, AFixedTransparentColourIsKeptOut)
{
    auto strip = Strips(1);
    strip->Canvas()->Brush()->SetColor(TColor(RGB(1, 2, 3)));
    strip->Canvas()->FillRect(TRect{6, 6, 10, 10});
    strip->SetTransparentColor(TColor(RGB(1, 2, 3)));
    TExButtonGlyph g;
    g.SetGlyph(strip.get());
    EXPECT_EQ(g.TransparentColor(), TColor(RGB(1, 2, 3)));
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, true, clBtnFace);
    EXPECT_EQ(s.At(7, 7), kGrey);
    EXPECT_EQ(s.At(0, 0), Rgb(clOlive));
    EXPECT_EQ(s.At(3, 3), Rgb(kStrip[0]));
}

// ---------------------------------------------------------------- disabled looks

TEST(GlyphDisabled, OneStripIsEmbossedFromItsBlack)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    b->Canvas()->Brush()->SetColor(clOlive);
    b->Canvas()->FillRect(TRect{0, 0, 16, 16});
    b->Canvas()->Brush()->SetColor(clBlack);
    b->Canvas()->FillRect(TRect{4, 4, 8, 8});
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(TRect{10, 10, 13, 13});
    TExButtonGlyph g;
    g.SetGlyph(b.get());
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{20, 10}, ebsDisabled, true, clBtnFace);
    EXPECT_EQ(s.At(20 + 4, 10 + 4), Rgb(clBtnShadow));
    EXPECT_EQ(s.At(20 + 7, 10 + 7), Rgb(clBtnShadow));
    EXPECT_EQ(s.At(20 + 8, 10 + 8), Rgb(clBtnHighlight));  // the light edge one pixel down and right
    EXPECT_EQ(s.At(20 + 8, 10 + 5), Rgb(clBtnHighlight));
    // Colours other than black leave no trace: the face there is the picture's transparent colour.
    EXPECT_EQ(s.At(20 + 11, 10 + 11), kGrey);
    EXPECT_EQ(s.At(20 + 1, 10 + 1), kGrey);
    // Not see-through, the face is filled in the background colour.
    s.Clear();
    g.DrawButtonGlyph(s.C(), TPoint{20, 10}, ebsDisabled, false, clBtnFace);
    EXPECT_EQ(s.At(20 + 11, 10 + 11), Rgb(clBtnFace));
    EXPECT_EQ(s.At(20 + 4, 10 + 4), Rgb(clBtnShadow));
}

// A picture without black (a dark-blue disc on its transparent colour) would leave an empty face:
// its shape is embossed instead, in either transparent mode.
TEST(GlyphDisabled, OneStripWithoutBlackIsEmbossedFromItsShape)
{
    for (const bool fixed : {false, true}) {
        SCOPED_TRACE(fixed ? "fixed transparent colour" : "corner's colour");
        auto b = std::make_unique<TBitmap>();
        b->SetSize(16, 16);
        b->Canvas()->Brush()->SetColor(clFuchsia);
        b->Canvas()->FillRect(TRect{0, 0, 16, 16});
        b->Canvas()->Brush()->SetColor(clNavy);
        b->Canvas()->Pen()->SetColor(clNavy);
        b->Canvas()->Ellipse(3, 3, 13, 13);
        if (fixed) b->SetTransparentColor(clFuchsia);
        TExButtonGlyph g;
        g.SetGlyph(b.get());
        Surface s;
        g.DrawButtonGlyph(s.C(), TPoint{20, 10}, ebsDisabled, true, clBtnFace);
        EXPECT_EQ(s.At(20 + 8, 10 + 8), Rgb(clBtnShadow));
        // The light edge just below the disc's lowest shadow row.
        int low = 8;
        while (low < 15 && s.At(20 + 8, 10 + low + 1) == Rgb(clBtnShadow)) ++low;
        EXPECT_EQ(s.At(20 + 8, 10 + low + 1), Rgb(clBtnHighlight));
        EXPECT_EQ(s.At(20 + 1, 10 + 1), kGrey);
        EXPECT_EQ(s.At(20 + 15, 10 + 8), kGrey);
    }
}

TEST(GlyphDisabled, TheBitmapsOwnDisabledStripIsRecoloured)
{
    auto b = Strips(2);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(TRect{16 + 2, 2, 16 + 6, 6});
    c->Brush()->SetColor(clGray);
    c->FillRect(TRect{16 + 8, 8, 16 + 12, 12});
    TExButtonGlyph g;
    g.SetGlyph(b.get());
    ASSERT_EQ(g.NumGlyphs(), 2);
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsDisabled, true, clBtnFace);
    EXPECT_EQ(s.At(3, 3), Rgb(clBtnHighlight));
    EXPECT_EQ(s.At(9, 9), Rgb(clBtnShadow));
    EXPECT_EQ(s.At(6, 13), Rgb(kStrip[1]));
    // The transparent colour became the face, which is then the picture's transparent colour.
    EXPECT_EQ(s.At(0, 0), kGrey);
    EXPECT_EQ(s.At(15, 15), kGrey);
}

TEST(GlyphDisabled, TheStateImagesAreRemadeAfterTheGlyphIsDrawnOn)
{
    TExButtonGlyph g;
    g.SetGlyph(Strips(1).get());
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, true, clBtnFace);
    ASSERT_EQ(s.At(8, 8), Rgb(kStrip[0]));
    ASSERT_NE(g.Index(ebsUp), -1);
    // Painting on the painter's own bitmap is a change of the picture.
    g.Glyph()->Canvas()->Brush()->SetColor(kStrip[2]);
    g.Glyph()->Canvas()->FillRect(TRect{1, 1, 15, 15});
    EXPECT_EQ(g.Index(ebsUp), -1);
    s.Clear();
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, true, clBtnFace);
    EXPECT_EQ(s.At(8, 8), Rgb(kStrip[2]));
}

// ---------------------------------------------------------------- image lists

struct ListSource : ::testing::Test {
    TImageList list{nullptr};
    TExButtonGlyph g;
    ListSource()
    {
        list.SetWidth(16);
        list.SetHeight(16);
        list.AddMasked(Strips(2).get(), clOlive);
        g.SetImageList(&list);
        g.UseImageList = true;
    }
};

TEST_F(ListSource, DrawsTheIndexedImageAndNothingWithoutAnIndex)
{
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{4, 4}, ebsUp, true, clBtnFace);
    EXPECT_EQ(s.At(4 + 8, 4 + 8), kGrey);  // index -1
    g.SetImageIndex(1);
    g.DrawButtonGlyph(s.C(), TPoint{4, 4}, ebsDown, true, clBtnFace);
    EXPECT_EQ(s.At(4 + 8, 4 + 8), Rgb(kStrip[1]));
    EXPECT_EQ(s.At(4, 4), kGrey);
    EXPECT_EQ(g.GlyphList(), nullptr);  // nothing cached for list pictures
    EXPECT_EQ(g.GetGlyphSize(), (TRect{0, 0, 16, 16}));
}

TEST_F(ListSource, ShowsTheListsImageAsItIsNow)
{
    g.SetImageIndex(0);
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, true, clBtnFace);
    ASSERT_EQ(s.At(8, 8), Rgb(kStrip[0]));
    auto green = Strips(3);
    green->Canvas()->CopyRect(TRect{0, 0, 16, 16}, green->Canvas(), TRect{32, 0, 48, 16});
    list.ReplaceMasked(0, green.get(), clOlive);
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsUp, true, clBtnFace);
    EXPECT_EQ(s.At(8, 8), Rgb(kStrip[2]));
    g.DrawButtonGlyph(s.C(), TPoint{20, 0}, ebsDisabled, true, clBtnFace);
    EXPECT_EQ(s.At(20 + 8, 8), Rgb(clBtnShadow));
}

TEST_F(ListSource, AListNotInUseLeavesTheBitmapsSize)
{
    g.UseImageList = false;
    g.SetGlyph(Strips(1, 20).get());
    TPoint size;
    g.GetPaintGlyphSize(TRect{0, 0, 100, 100}, size);
    EXPECT_EQ(size, (TPoint{20, 20}));
    g.UseImageList = true;
    g.GetPaintGlyphSize(TRect{0, 0, 100, 100}, size);
    EXPECT_EQ(size, (TPoint{16, 16}));
}

TEST_F(ListSource, DisabledIsEmbossed)
{
    g.SetImageIndex(0);
    Surface s;
    g.DrawButtonGlyph(s.C(), TPoint{0, 0}, ebsDisabled, false, clBtnFace);
    EXPECT_EQ(s.At(8, 8), Rgb(clBtnShadow));
    EXPECT_EQ(s.At(15, 15), Rgb(clBtnHighlight));  // the light edge past the red square's corner
    EXPECT_EQ(s.At(0, 0), kGrey);
}

// ---------------------------------------------------------------- icon source

// A Side x Side icon: a red square inset by a quarter, transparent around it.
void MakeIcon(TIcon& Icon, int Side)
{
    TBitmap colour, mask;
    colour.SetSize(Side, Side);
    mask.SetSize(Side, Side);
    colour.Canvas()->Brush()->SetColor(clBlack);
    colour.Canvas()->FillRect(TRect{0, 0, Side, Side});
    colour.Canvas()->Brush()->SetColor(clRed);
    colour.Canvas()->FillRect(TRect{Side / 4, Side / 4, Side - Side / 4, Side - Side / 4});
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(TRect{0, 0, Side, Side});
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{Side / 4, Side / 4, Side - Side / 4, Side - Side / 4});
    ICONINFO info{};
    info.hbmColor = colour.Handle();
    info.hbmMask = mask.Handle();
    Icon.SetHandle(CreateIconIndirect(&info));
}

TEST(IconSource, TakesThePlaceOfTheBitmapInEveryStateUntilTheIconIsEmptied)
{
    TExButtonGlyph g;
    g.SetGlyph(Strips(2).get());
    int changes = 0;
    g.OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &g);
        ++changes;
    };
    TIcon icon;
    MakeIcon(icon, 24);
    g.SetIcon(&icon);
    EXPECT_EQ(changes, 1);
    EXPECT_NE(g.Icon()->Handle(), icon.Handle()) << "the painter keeps a copy of its own";
    EXPECT_EQ(g.GetGlyphSize(), (TRect{0, 0, 16, 16})) << "the bitmap still shows until UseIcon";
    g.SetUseIcon(true);
    EXPECT_EQ(changes, 1) << "switching sources raises no change";
    EXPECT_EQ(g.GetGlyphSize(), (TRect{0, 0, 24, 24}));
    for (TExButtonState st : {ebsUp, ebsDisabled, ebsDown}) {
        Surface s;
        g.DrawButtonGlyph(s.C(), TPoint{2, 2}, st, true, clBtnFace);
        EXPECT_EQ(s.At(2 + 12, 2 + 12), Rgb(clRed)) << int(st);
        EXPECT_EQ(s.At(2 + 1, 2 + 1), kGrey) << "the icon's own transparency, state " << int(st);
    }
    EXPECT_EQ(g.Index(ebsUp), -1) << "icons are not cut into state images";
    // An empty icon turns the source back to the bitmap.
    TIcon none;
    g.SetIcon(&none);
    EXPECT_FALSE(g.UseIcon());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(g.GetGlyphSize(), (TRect{0, 0, 16, 16}));
}

TEST(IconSource, IsLaidOutAtItsSizeAndShrunkToTheRoom)
{
    TExButtonGlyph g;
    TIcon icon;
    MakeIcon(icon, 32);
    g.SetIcon(&icon);
    g.SetUseIcon(true);
    Surface s{200, 100};
    TPoint pos;
    TRect text;
    g.CalcButtonLayout(s.C(), TRect{0, 0, 100, 60}, TPoint{0, 0}, "", blGlyphLeft, -1, 4, pos, text, true, true,
                       false, 0, nullptr, 0, 0);
    EXPECT_FALSE(g.Stretched());
    EXPECT_EQ(pos, (TPoint{34, 14}));
    // In a 20-pixel-high room the icon is drawn shrunk: nothing of it below the room.
    g.CalcButtonLayout(s.C(), TRect{0, 0, 100, 20}, TPoint{0, 0}, "", blGlyphLeft, -1, 4, pos, text, true, true,
                       false, 0, nullptr, 0, 0);
    ASSERT_TRUE(g.Stretched());
    EXPECT_EQ(g.StretchHeight(), 18);
    g.DrawButtonGlyph(s.C(), pos, ebsUp, true, clBtnFace);
    EXPECT_EQ(s.At(pos.X + g.StretchWidth() / 2, pos.Y + g.StretchHeight() / 2), Rgb(clRed));
    EXPECT_EQ(s.At(pos.X + g.StretchWidth() / 2, pos.Y + 20), kGrey);
    TPoint size;
    g.GetPaintGlyphSize(TRect{0, 0, 100, 100}, size);
    EXPECT_EQ(size, (TPoint{32, 32}));
}

// ---------------------------------------------------------------- layout

struct Layout : ::testing::Test {
    TExButtonGlyph g;
    Surface s{200, 100};
    TPoint pos;
    TRect text;
    Layout()
    {
        g.SetGlyph(Strips(1).get());
        s.C()->Font()->SetName("MS Sans Serif");
        s.C()->Font()->SetHeight(-11);
    }
    int TextWidth(const std::string& t)
    {
        TRect r{0, 0, 1000, 0};
        DrawText(s.C()->Handle(), t.c_str(), int(t.size()), &r, DT_CALCRECT | DT_SINGLELINE);
        return r.Width();
    }
    void Calc(const TRect& client, const std::string& caption, TButtonLayout layout, int margin, int spacing,
              int arrow = 0, bool multi = false)
    {
        g.CalcButtonLayout(s.C(), client, TPoint{0, 0}, caption, layout, margin, spacing, pos, text, true, true,
                           multi, arrow, nullptr, 0, 0);
    }
};

TEST_F(Layout, CentredMarginAndSpacingSplitTheRoomInThree)
{
    const std::string caption = "Receive";
    const int tw = TextWidth(caption);
    Calc(TRect{0, 0, 75, 25}, caption, blGlyphLeft, -1, -1);
    const int third = (75 - 16 - tw) / 3;
    EXPECT_EQ(pos.X, third);
    EXPECT_EQ(pos.Y, (25 - 16) / 2);
    EXPECT_EQ(text.Left, third + 16 + third);
    EXPECT_EQ(text.Width(), tw);
    // With a spacing given, what is left is split on both sides.
    Calc(TRect{0, 0, 75, 25}, caption, blGlyphLeft, -1, 4);
    EXPECT_EQ(pos.X, (75 - (16 + 4 + tw)) / 2);
    EXPECT_EQ(text.Left, pos.X + 16 + 4);
    // A margin given with the spacing open: the spacing centres the caption in what is left.
    Calc(TRect{0, 0, 75, 25}, caption, blGlyphLeft, 3, -1);
    EXPECT_EQ(pos.X, 3);
    EXPECT_EQ(text.Left, 3 + 16 + ((75 - (3 + 16)) - tw) / 2);
}

TEST_F(Layout, WithoutACaptionThePictureIsCentred)
{
    Calc(TRect{0, 0, 75, 25}, "", blGlyphLeft, -1, 4);
    EXPECT_EQ(pos.X, (75 - 16) / 2);
    EXPECT_EQ(text.Width(), 0);
    EXPECT_EQ(text.Height(), 0);
    // The arrow part is no room for the picture.
    Calc(TRect{0, 0, 75, 25}, "", blGlyphLeft, -1, 4, 13);
    EXPECT_EQ(pos.X, (75 - 13 - 16) / 2);
}

TEST_F(Layout, EachSideAndTheClientsPlace)
{
    const std::string caption = "Ab";
    const int tw = TextWidth(caption);
    const TRect client{10, 20, 110, 70};  // 100 x 50
    Calc(client, caption, blGlyphRight, 5, 3);
    EXPECT_EQ(pos.X, 10 + 100 - 5 - 16);
    EXPECT_EQ(text.Left, 10 + (100 - 5 - 16) - 3 - tw);
    EXPECT_EQ(pos.Y, 20 + (50 - 16) / 2);
    Calc(client, caption, blGlyphTop, 5, 3);
    EXPECT_EQ(pos.Y, 20 + 5);
    EXPECT_EQ(pos.X, 10 + (100 - 16) / 2);
    EXPECT_EQ(text.Top, 20 + 5 + 16 + 3);
    EXPECT_EQ(text.Left, 10 + (100 - tw) / 2);
    Calc(client, caption, blGlyphBottom, 5, 3);
    EXPECT_EQ(pos.Y, 20 + 50 - 5 - 16);
    EXPECT_EQ(text.Bottom, 20 + (50 - 5 - 16) - 3);
}

TEST_F(Layout, ACaptionLongerThanTheButtonIsCut)
{
    const std::string caption(20000, 'W');
    Calc(TRect{0, 0, 75, 25}, caption, blGlyphLeft, 2, 2);
    EXPECT_EQ(text.Left, 2 + 16 + 2);
    EXPECT_EQ(text.Right, 75);  // cut at the button's edge
    EXPECT_LE(text.Height(), 24);
    // Drawing it does not run past the ellipsis.
    g.Draw(s.C(), TRect{0, 0, 75, 25}, TPoint{0, 0}, caption, blGlyphLeft, 2, 2, ebsUp, ebsUp, true, false, false,
           true, true, 0, tdtNormal, clBtnFace, nullptr, 0, 0);
    EXPECT_EQ(s.At(150, 12), kGrey);
}

TEST_F(Layout, PictureAndCaptionWiderThanTheRoomStayInsideWithTheCaptionCutAtItsEnd)
{
    const std::string caption = "Receive the weather report";
    ASSERT_GT(TextWidth(caption) + 16, 75);
    const TRect client{0, 0, 75, 25};
    struct TCase {
        TButtonLayout Layout;
        int Margin, Spacing;
    };
    for (const TCase& c : {TCase{blGlyphLeft, -1, 4}, TCase{blGlyphLeft, -1, -1}, TCase{blGlyphLeft, 2, -1},
                           TCase{blGlyphLeft, 200, 4}, TCase{blGlyphRight, -1, 4}, TCase{blGlyphRight, -1, -1},
                           TCase{blGlyphTop, -1, 4}, TCase{blGlyphBottom, -1, -1}}) {
        SCOPED_TRACE(testing::Message() << "layout " << c.Layout << " margin " << c.Margin << " spacing " << c.Spacing);
        Calc(client, caption, c.Layout, c.Margin, c.Spacing);
        EXPECT_GE(pos.X, 0);
        EXPECT_LE(pos.X + 16, 75);
        EXPECT_GE(pos.Y, 0);
        EXPECT_LE(pos.Y + 16, 25);
        EXPECT_GE(text.Left, 0);
        EXPECT_LE(text.Right, 75);
        // A margin that pushes the picture to the far end leaves the caption no room.
        EXPECT_EQ(text.Width() > 0, c.Margin < 75);
        switch (c.Layout) {
        case blGlyphLeft:
            // The caption's start follows the picture; its end is cut at the room's end.
            EXPECT_GE(text.Left, pos.X + 16);
            EXPECT_EQ(text.Right, 75);
            break;
        case blGlyphRight:
            EXPECT_LE(text.Right, pos.X);
            EXPECT_EQ(text.Left, 0);
            break;
        default:
            // Across a picture above or below, the caption takes the width (less the last column).
            EXPECT_EQ(text.Left, 0);
            EXPECT_GE(text.Right, 74);
            break;
        }
    }
    // A caption that fits keeps the worked-out place, and an explicit spacing below nothing stays,
    // but not past the button's edge.
    Calc(client, "Ab", blGlyphLeft, 3, -6);
    EXPECT_EQ(text.Left, 3 + 16 - 6);
    Calc(client, "Ab", blGlyphLeft, 0, -30);
    EXPECT_EQ(text.Left, 0);
    Calc(client, "Ab", blGlyphRight, 0, -30);
    EXPECT_EQ(text.Right, 75);
    EXPECT_EQ(text.Width(), TextWidth("Ab"));
}

TEST_F(Layout, ACaptionOfTwoLinesIsTwiceAsHigh)
{
    Calc(TRect{0, 0, 120, 60}, "One", blGlyphLeft, -1, 4, 0, false);
    const int one = text.Height();
    Calc(TRect{0, 0, 120, 60}, "One\r\nTwo", blGlyphLeft, -1, 4, 0, true);
    EXPECT_EQ(text.Height(), 2 * one);
    // Taller than the button, the lines start at its top and are cut at its bottom.
    Calc(TRect{0, 0, 75, 25}, "One\r\nTwo\r\nThree", blGlyphRight, -1, 4, 0, true);
    EXPECT_EQ(text.Top, 0);
    EXPECT_LE(text.Bottom, 25);
}

TEST_F(Layout, APictureTallerThanTheRoomIsShrunkAndDrawnScaled)
{
    g.SetGlyph(Strips(1, 40).get());
    Calc(TRect{0, 0, 75, 25}, "", blGlyphLeft, -1, 4);
    EXPECT_TRUE(g.Stretched());
    EXPECT_EQ(g.StretchHeight(), 23);
    EXPECT_EQ(g.StretchWidth(), MulDiv(40, 23, 25));
    g.Draw(s.C(), TRect{0, 0, 75, 25}, TPoint{0, 0}, "", blGlyphLeft, -1, 4, ebsUp, ebsUp, true, false, false, true,
           true, 0, tdtNormal, clBtnFace, nullptr, 0, 0);
    const int x = (75 - g.StretchWidth()) / 2;
    EXPECT_EQ(s.At(x + g.StretchWidth() / 2, 1 + 11), Rgb(kStrip[0]));
    EXPECT_EQ(s.At(x + g.StretchWidth() + 1, 12), kGrey);  // nothing past the scaled width
    EXPECT_EQ(s.At(x + g.StretchWidth() / 2, 24), kGrey);
    // Wider than the room as well: the width decides.
    g.SetGlyph(Strips(1, 200).get());
    Calc(TRect{0, 0, 75, 25}, "", blGlyphLeft, -1, 4);
    EXPECT_EQ(g.StretchWidth(), 73);
    // Sizing for a rectangle works the same way for a picture that fits.
    g.SetGlyph(Strips(1).get());
    TPoint size;
    g.GetPaintGlyphSize(TRect{0, 0, 30, 30}, size);
    EXPECT_EQ(size, (TPoint{16, 16}));
    EXPECT_FALSE(g.Stretched());
    g.GetPaintGlyphSize(TRect{0, 0, 30, 10}, size);
    EXPECT_TRUE(g.Stretched());
    // The width is scaled twice: 16 * 8 / 10 rounds to 13, then 13 * 8 / 10 truncates to 10.
    EXPECT_EQ(size, (TPoint{10, 8}));
    EXPECT_EQ(g.StretchWidth(), 10);
}

// ---------------------------------------------------------------- captions

TEST_F(Layout, DisabledCaptionsAreEngraved)
{
    s.C()->Font()->SetHeight(-20);
    s.C()->Font()->SetColor(clRed);
    const TRect bounds{0, 0, 200, 40};
    g.DrawButtonText(s.C(), "IIII", bounds, ebsDisabled, false, false, true, tdtNormal, nullptr, 0, 0);
    int shadow = 0, light = 0, red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const COLORREF c = s.At(x, y);
            shadow += c == Rgb(clBtnShadow);
            light += c == Rgb(clBtnHighlight);
            red += c == RGB(255, 0, 0);
        }
    EXPECT_GT(shadow, 0);
    EXPECT_GT(light, 0);
    EXPECT_EQ(red, 0);
    // Enabled, in the font's colour and nothing else.
    s.Clear();
    s.C()->Font()->SetColor(clRed);
    g.DrawButtonText(s.C(), "IIII", bounds, ebsUp, false, false, true, tdtNormal, nullptr, 0, 0);
    shadow = light = red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const COLORREF c = s.At(x, y);
            shadow += c == Rgb(clBtnShadow);
            red += c == RGB(255, 0, 0);
        }
    EXPECT_GT(red, 0);
    EXPECT_EQ(shadow, 0);
    EXPECT_EQ(s.C()->Brush()->Style(), bsSolid);
}

TEST_F(Layout, ACaptionBeyondAsciiIsMeasuredInItsFont)
{
    // Windows-1252 bytes of "Größe"; a Cyrillic font reads the same bytes as other letters.
    const std::string caption = "Gr\xF6\xDF" "e";
    Calc(TRect{0, 0, 120, 25}, caption, blGlyphLeft, -1, 4);
    EXPECT_GT(text.Width(), TextWidth("Gr"));
    EXPECT_EQ(text.Width(), TextWidth(caption));
}

}  // namespace

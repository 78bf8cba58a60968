// The header's looks, read back from its window: edges, pressed and hot sections, signs, sort marks,
// images, plain and marked-up captions, the locked section over scrolled ones, the strip after the
// last section, themed and classic.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/Exheader.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Htmlrender.h"
#include "platform/ImgList.h"
#include "platform/ThemeSchema.h"
#include "tests/controls/HeaderFixture.h"
#include "tests/support/UiTest.h"

namespace {

COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }
const COLORREF Face = Rgb(clBtnFace), Hi = Rgb(clBtnHighlight), Shadow = Rgb(clBtnShadow),
               Dark = Rgb(cl3DDkShadow), Black = Rgb(clBtnText), HotText = Rgb(clHighlight);
const COLORREF Mark = RGB(64, 64, 64), Green = RGB(0, 160, 0);

// Text is drawn smoothed: its pixels are told by their hue rather than an exact colour.
bool Bluish(COLORREF C) { return GetBValue(C) > GetRValue(C) + 40 && GetBValue(C) > GetGValue(C) + 20; }
bool Inky(COLORREF C) { return std::max({GetRValue(C), GetGValue(C), GetBValue(C)}) < 110 && !Bluish(C); }
bool Reddish(COLORREF C) { return GetRValue(C) > GetGValue(C) + 60 && GetRValue(C) > GetBValue(C) + 60; }

class TPaintHeader : public TExHeader {
public:
    using TExHeader::TExHeader;
    using TCustomExHeader::FDragSection;
    using TCustomExHeader::FHotSection;
    using TCustomExHeader::FPressed;
    using TCustomExHeader::FPressSection;
    using TCustomExHeader::RedrawSection;
};

// A header 600 x 20 in the classic look, height locked, with sections 100 wide.
struct HeaderPaint : ::testing::Test {
    TForm* Form = new TForm(nullptr);
    TPaintHeader* H = new TPaintHeader(Form);
    TImageList* Images = new TImageList(Form);

    HeaderPaint()
    {
        Form->SetBounds(0, 0, 700, 200);
        H->SetAlign(alNone);
        H->SetParent(Form);
        H->SetUseXPThemes(false);
        H->SetLockHeight(true);
        H->SetBounds(0, 0, 600, 20);
        Images->SetWidth(16);
        Images->SetHeight(16);
        TBitmap b;
        b.SetSize(16, 16);
        b.Canvas()->Brush()->SetColor(TColor(Green));
        b.Canvas()->FillRect(TRect{0, 0, 16, 16});
        Images->AddMasked(&b, clFuchsia);
        Form->Show();
        uitest::Pump();
    }
    ~HeaderPaint() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    TExHeaderSection* Add(const std::string& Text, Integer Width = 100)
    {
        TExHeaderSection* s = H->Sections()->AddSection();
        s->SetText(Text);
        s->SetWidth(Width);
        return s;
    }
    COLORREF At(int X, int Y)
    {
        H->Invalidate();
        UpdateWindow(H->Handle());
        HDC dc = GetDC(H->Handle());
        const COLORREF c = GetPixel(dc, X, Y);
        ReleaseDC(H->Handle(), dc);
        return c;
    }
    // The pixels of a rectangle, row by row.
    std::vector<COLORREF> Pixels(const TRect& R)
    {
        H->Invalidate();
        UpdateWindow(H->Handle());
        HDC dc = GetDC(H->Handle());
        std::vector<COLORREF> p;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                p.push_back(GetPixel(dc, x, y));
        ReleaseDC(H->Handle(), dc);
        return p;
    }
    // The left-most and right-most columns, and the top-most and bottom-most rows, holding a pixel
    // that Is accepts within R; all -1 when none does.
    template <class Pred>
    TRect Extent(const TRect& R, Pred Is)
    {
        const std::vector<COLORREF> p = Pixels(R);
        TRect e{-1, -1, -1, -1};
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                if (Is(p[size_t((y - R.Top) * R.Width() + (x - R.Left))])) {
                    e.Left = e.Left < 0 ? x : std::min(e.Left, x);
                    e.Right = std::max(e.Right, x);
                    e.Top = e.Top < 0 ? y : std::min(e.Top, y);
                    e.Bottom = std::max(e.Bottom, y);
                }
        return e;
    }
    TRect Extent(const TRect& R, COLORREF Colour)
    {
        return Extent(R, [Colour](COLORREF C) { return C == Colour; });
    }
    Integer TextWidth(const std::string& Text)
    {
        H->Canvas()->SetFont(H->Font());
        return H->Canvas()->TextWidth(Text);
    }
};

TEST_F(HeaderPaint, RaisedAndFlatEdges)
{
    Add("A");
    // Raised: dark shadow at the right and bottom, highlight at the left and top, shadow inside.
    EXPECT_EQ(At(99, 10), Dark);
    EXPECT_EQ(At(50, 19), Dark);
    EXPECT_EQ(At(0, 10), Hi);
    EXPECT_EQ(At(50, 0), Hi);
    EXPECT_EQ(At(98, 10), Shadow);
    EXPECT_EQ(At(50, 18), Shadow);
    EXPECT_EQ(At(60, 10), Face);
    H->SetFlat(true);
    EXPECT_EQ(At(99, 10), Shadow);
    EXPECT_EQ(At(50, 19), Shadow);
    EXPECT_EQ(At(0, 10), Hi);
    EXPECT_EQ(At(98, 10), Face);
    // The strip after the last section is the header's colour, without an edge.
    EXPECT_EQ(At(100, 0), Face);
    EXPECT_EQ(At(599, 19), Face);
    H->SetColor(clTeal);
    EXPECT_EQ(At(300, 10), Rgb(clTeal));
    // A section of its own colour.
    H->Sections()->GetSectionByPos(0)->SetColor(clYellow);
    EXPECT_EQ(At(60, 10), Rgb(clYellow));
}

TEST_F(HeaderPaint, PressedSectionsSinkAndTheirContentMoves)
{
    TExHeaderSection* s = Add("Ab");
    const TRect text = Extent(TRect{2, 2, 98, 18}, Inky);
    ASSERT_GE(text.Left, 7);
    ASSERT_LE(text.Left, 9);
    H->FPressSection = s;
    H->FPressed = true;
    // Sunken: dark shadow at the left and top, highlight inside the right and bottom; the last
    // column and row take the section's colour.
    EXPECT_EQ(At(0, 10), Dark);
    EXPECT_EQ(At(98, 10), Hi);
    EXPECT_EQ(At(50, 18), Hi);
    EXPECT_EQ(At(99, 10), Face);
    EXPECT_EQ(At(50, 19), Face);
    const TRect pushed = Extent(TRect{2, 2, 98, 18}, Inky);
    EXPECT_EQ(pushed.Left, text.Left + 1);
    EXPECT_GT(pushed.Top, text.Top);
    H->SetFlat(true);
    EXPECT_EQ(At(0, 10), Shadow);
    EXPECT_EQ(At(98, 10), Hi);
    // Only while the button is down.
    H->FPressed = false;
    EXPECT_EQ(At(0, 10), Hi);
    EXPECT_EQ(At(99, 10), Shadow);
}

TEST_F(HeaderPaint, HotCaptionInTheHighlightColourUnderlined)
{
    TExHeaderSection* s = Add("Ab");
    const TRect plain = Extent(TRect{2, 2, 98, 18}, Inky);
    ASSERT_GE(plain.Left, 0);
    EXPECT_EQ(Extent(TRect{2, 2, 98, 18}, Bluish).Left, -1);
    H->FHotSection = s;
    const TRect hot = Extent(TRect{2, 2, 98, 18}, Bluish);
    EXPECT_EQ(hot.Left, plain.Left);
    EXPECT_GT(hot.Bottom, plain.Bottom);  // the underline
    EXPECT_EQ(Extent(TRect{2, 2, 98, 18}, Inky).Left, -1);
    // The font is the header's again for the next caption.
    H->FHotSection = nullptr;
    EXPECT_EQ(Extent(TRect{2, 2, 98, 18}, Inky), plain);
    // A section's own font colour (a section of its own colours: its face as well).
    s->SetColor(clBtnFace);
    s->SetFontColor(clRed);
    const TRect red = Extent(TRect{2, 2, 98, 18}, Reddish);
    EXPECT_EQ(std::pair(red.Left, red.Right), std::pair(plain.Left, plain.Right));
    EXPECT_EQ(Extent(TRect{2, 2, 98, 18}, Inky).Left, -1);
}

TEST_F(HeaderPaint, SortMarks)
{
    TExHeaderSection* s = Add("");
    // The mark's box: 9 x 6 at x 85, y 6 (the content is 2..94 wide, 2..17 high).
    s->SetSortMode(hsmAscend);
    EXPECT_EQ(At(89, 6), Mark);
    EXPECT_EQ(At(85, 6), Face);  // see-through corner
    EXPECT_EQ(At(85, 10), Mark);
    EXPECT_EQ(At(93, 10), Mark);
    EXPECT_EQ(At(85, 11), Face);
    EXPECT_EQ(At(86, 9), Mark);
    EXPECT_EQ(At(92, 9), Mark);
    EXPECT_EQ(At(85, 9), Face);
    EXPECT_EQ(At(93, 9), Face);
    s->SetSortMode(hsmDescend);
    EXPECT_EQ(At(85, 6), Mark);
    EXPECT_EQ(At(89, 10), Mark);
    EXPECT_EQ(At(85, 10), Face);
    H->SetInvertSortArrows(true);
    EXPECT_EQ(At(89, 6), Mark);
    EXPECT_EQ(At(85, 6), Face);
    s->SetShowSortMark(false);
    EXPECT_EQ(At(89, 6), Face);
    EXPECT_EQ(At(85, 10), Face);
    // The see-through pixels take the section's colour.
    s->SetShowSortMark(true);
    s->SetColor(clAqua);
    EXPECT_EQ(At(85, 6), Rgb(clAqua));
}

TEST_F(HeaderPaint, SignsAtTheRightEnd)
{
    TExHeaderSection* s = Add("");
    // Filter: a triangle 4 wide at x 90..94, y 12..16, in the filter colour; active, in the other.
    s->SetFilterEnabled(true);
    EXPECT_EQ(At(92, 13), Black);
    EXPECT_EQ(At(91, 13), Black);
    EXPECT_EQ(At(90, 12), Black);
    EXPECT_EQ(At(93, 12), Black);
    EXPECT_EQ(At(92, 15), Black);
    EXPECT_EQ(At(89, 12), Face);
    EXPECT_EQ(At(92, 11), Face);
    EXPECT_EQ(At(95, 15), Face);
    H->SetActiveFilterColor(clRed);
    s->SetFilterIsActive(true);
    EXPECT_EQ(At(92, 13), Rgb(clRed));
    EXPECT_EQ(At(90, 12), Rgb(clRed));  // the outline too
    EXPECT_EQ(At(93, 12), Rgb(clRed));
    EXPECT_EQ(At(92, 15), Rgb(clRed));
    // With a sign the sort mark moves 8 to the left.
    s->SetSortMode(hsmAscend);
    EXPECT_EQ(At(77, 10), Mark);
    EXPECT_EQ(At(85, 10), Mark);
    EXPECT_EQ(At(76, 10), Face);
    EXPECT_EQ(At(86, 10), Face);
    // Lookup: the pointer bitmap at 89, 12: a bar, a gap, an arrow.
    s->SetLookupEnabled(true);
    EXPECT_EQ(At(89, 12), Mark);
    EXPECT_EQ(At(93, 12), Mark);
    EXPECT_EQ(At(92, 13), Face);
    EXPECT_EQ(At(90, 14), Mark);
    EXPECT_EQ(At(89, 14), Face);
    // Expandable: an arrow at 89..92, 2..8 pointing right while collapsed, left when expanded.
    s->SetExpandable(true);
    EXPECT_EQ(At(89, 2), Black);
    EXPECT_EQ(At(92, 2), Face);
    s->SetExpanded(true);
    EXPECT_EQ(At(89, 2), Face);
    EXPECT_EQ(At(92, 2), Black);
    // Signs need more than 7 pixels of content: 16 wide has them, 15 wide has not, but its
    // caption still starts.
    TExHeaderSection* narrow = Add("W", 16);
    narrow->SetExpandable(true);
    EXPECT_EQ(At(105, 2), Black);
    narrow->SetWidth(15);
    EXPECT_EQ(At(104, 2), Face);
    const TRect w = Extent(TRect{102, 2, 113, 18}, Inky);
    EXPECT_GE(w.Left, 107);
    EXPECT_LE(w.Right, 108);
    // At 20 wide the sign takes the room: it shows, and no caption is started beside it.
    TExHeaderSection* twenty = Add("W", 20);
    twenty->SetExpandable(true);
    EXPECT_EQ(At(124, 2), Black);
    EXPECT_EQ(Extent(TRect{117, 2, 124, 18}, Inky).Left, -1);
    twenty->SetExpandable(false);
    EXPECT_GE(Extent(TRect{117, 2, 133, 18}, Inky).Left, 122);
}

TEST_F(HeaderPaint, LookupAndFilterFromAStreamShowOnlyTheLookup)
{
    Add("");
    std::vector<Byte> data = headertest::Bytes(H->Sections());
    data[8 + 4] = 1;   // LookupEnabled
    data[8 + 64] = 1;  // FilterEnabled
    headertest::Load(H->Sections(), data);
    ASSERT_TRUE(H->Sections()->GetSectionByPos(0)->LookupEnabled());
    ASSERT_TRUE(H->Sections()->GetSectionByPos(0)->FilterEnabled());
    EXPECT_EQ(At(89, 12), Mark);
    EXPECT_EQ(At(92, 13), Face);
}

TEST_F(HeaderPaint, ImagesBesideAndInPlaceOfCaptions)
{
    H->SetImages(Images);
    TExHeaderSection* s = Add("");
    s->SetImageIndex(0);
    // Left of the caption, from the content's start.
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green), (TRect{7, 2, 22, 17}));
    // Alone, centred; also in content of an odd height.
    s->SetStyle(ExhsPictureOnly);
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green), (TRect{43, 2, 58, 17}));
    H->SetBounds(0, 0, 600, 21);
    EXPECT_EQ(Extent(TRect{0, 0, 100, 21}, Green), (TRect{43, 2, 58, 17}));
    H->SetBounds(0, 0, 600, 20);
    // After owner-drawn content, where the content starts (the owner advances nothing).
    s->SetStyle(ExhsOwnerDraw);
    s->SetPictureAlign(hsaRight);
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green).Left, 7);
    s->SetPictureAlign(hsaLeft);
    // After the caption.
    s->SetStyle(ExhsText);
    s->SetText("Ab");
    s->SetPictureAlign(hsaRight);
    const Integer after = 7 + TextWidth("Ab") + 3;
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green).Left, after);
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green).Right, after + 15);
    // A picture on the left pushes the caption after it.
    s->SetPictureAlign(hsaLeft);
    EXPECT_GE(Extent(TRect{2, 2, 94, 18}, Inky).Left, 7 + 16);
    s->SetPictureAlign(hsaRight);
    // Centred pictures are not drawn for captions.
    s->SetPictureAlign(hsaCenter);
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green).Left, -1);
    // The owner's number when the section has none; a number the list lacks draws nothing.
    s->SetPictureAlign(hsaLeft);
    s->SetImageIndex(-1);
    Integer asked = 0;
    H->OnPictureNeeded = [&](TObject*, TExHeaderSection*, Integer& Index) {
        ++asked;
        Index = 0;
    };
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green).Left, 7);
    EXPECT_GT(asked, 0);
    s->SetImageIndex(1);
    EXPECT_EQ(Extent(TRect{0, 0, 100, 20}, Green).Left, -1);
    // Cut off at the end of a narrow section's content, down to its last column.
    s->SetImageIndex(0);
    s->SetWidth(25);
    EXPECT_EQ(Extent(TRect{0, 0, 25, 20}, Green), (TRect{7, 2, 18, 17}));
    s->SetWidth(14);
    EXPECT_EQ(Extent(TRect{0, 0, 14, 20}, Green), (TRect{7, 2, 7, 17}));
}

TEST_F(HeaderPaint, MarkedUpCaptionsDrawTheirTextNotTheirTags)
{
    H->SetImages(Images);
    TExHeaderSection* s = Add("<html><b>Ab</b></html>", 300);
    const TRect text = Extent(TRect{2, 2, 294, 18}, Inky);
    ASSERT_GE(text.Left, 7);
    EXPECT_LT(text.Right, 7 + TextWidth("Ab") + 4);
    EXPECT_GT(TextWidth("<html><b>Ab</b></html>"), TextWidth("Ab") + 40);
    // A picture after it follows the text shown.
    s->SetImageIndex(0);
    s->SetPictureAlign(hsaRight);
    const Integer picture = Extent(TRect{0, 0, 300, 20}, Green).Left;
    EXPECT_GT(picture, text.Right);
    EXPECT_LT(picture, text.Right + 8);
    // Bold: wider than the plain text.
    s->SetText("Ab");
    s->SetImageIndex(-1);
    const TRect regular = Extent(TRect{2, 2, 294, 18}, Inky);
    EXPECT_GT(text.Right - text.Left, regular.Right - regular.Left);
}

TEST_F(HeaderPaint, CaptionsLaidOut)
{
    H->SetBounds(0, 0, 600, 40);
    TExHeaderSection* s = Add("Ab\r\nCd", 200);
    // A line break draws several lines, from the top: twice the ink of one line.
    TRect e = Extent(TRect{2, 2, 194, 38}, Inky);
    s->SetText("Ab");
    s->SetTextLayout(tlTop);
    const TRect one = Extent(TRect{2, 2, 194, 38}, Inky);
    EXPECT_EQ(e.Top, one.Top);
    EXPECT_GT(e.Bottom - e.Top, 2 * (one.Bottom - one.Top));
    s->SetTextLayout(tlCenter);
    // Right and centre alignment; right-to-left text mirrors them.
    s->SetText("Ab");
    const Integer w = TextWidth("Ab");
    s->SetAlignment(hsaRight);
    e = Extent(TRect{2, 2, 194, 38}, Inky);
    EXPECT_NEAR(e.Right, 194 - 1, 2);
    s->SetAlignment(hsaCenter);
    e = Extent(TRect{2, 2, 194, 38}, Inky);
    EXPECT_NEAR((e.Left + e.Right) / 2, (7 + 194) / 2, 2);
    s->SetAlignment(hsaLeft);
    H->SetRightAlignedText(true);
    e = Extent(TRect{2, 2, 194, 38}, Inky);
    EXPECT_NEAR(e.Right, 194 - 1, 2);
    EXPECT_GT(e.Left, 194 - w - 3);
    H->SetRightAlignedText(false);
    // A right-aligned caption keeps 3 pixels from the sort mark.
    s->SetAlignment(hsaRight);
    s->SetSortMode(hsmAscend);
    e = Extent(TRect{2, 2, 185, 38}, Inky);  // left of the mark
    EXPECT_LE(e.Right, 194 - 9 - 3 - 1);
    EXPECT_GE(e.Right, 194 - 9 - 3 - 3);
    s->SetSortMode(hsmNone);
    s->SetAlignment(hsaLeft);
    // Top and bottom layouts.
    s->SetTextLayout(tlTop);
    const Integer top = Extent(TRect{2, 2, 194, 38}, Inky).Top;
    s->SetTextLayout(tlBottom);
    const Integer bottom = Extent(TRect{2, 2, 194, 38}, Inky).Top;
    EXPECT_LT(top, 8);
    EXPECT_GT(bottom, 20);
}

TEST_F(HeaderPaint, TheLockedSectionCoversThoseScrolledUnderIt)
{
    TExHeaderSection* a = Add("");
    TExHeaderSection* b = Add("");
    Add("");
    a->SetColor(clRed);
    b->SetColor(clBlue);
    H->SetLockedSection(a);
    H->SetLeftPos(50);
    EXPECT_EQ(At(60, 10), Rgb(clRed));
    EXPECT_EQ(At(60, 19), Dark);
    EXPECT_EQ(At(120, 10), Rgb(clBlue));
    // The strip starts after the last scrolled section.
    EXPECT_EQ(At(249, 10), Dark);
    EXPECT_EQ(At(250, 10), Face);
    // Unlocked, the first section scrolls too.
    H->SetLockedSection(nullptr);
    EXPECT_EQ(At(60, 10), Rgb(clBlue));
    EXPECT_EQ(At(20, 10), Rgb(clRed));
}

TEST_F(HeaderPaint, OwnerDrawnSectionsAndTheClip)
{
    std::vector<Integer> drawn;
    TRect given{};
    bool pressed = false;
    H->OnSectionDraw = [&](TObject* Sender, TCanvas* C, TExHeaderSection* Section, const TRect& R, bool Pressed) {
        EXPECT_EQ(Sender, H);
        drawn.push_back(Section->GetIndex());
        given = R;
        pressed = Pressed;
        C->Brush()->SetColor(clRed);
        C->FillRect(R);
    };
    for (int i = 0; i < 6; ++i)
        Add("")->SetStyle(ExhsOwnerDraw);
    EXPECT_EQ(At(550, 10), Rgb(clRed));
    EXPECT_EQ(given, (TRect{507, 2, 594, 17}));
    // A repaint of a few pixels draws only the sections they touch (and the pixel around them).
    UpdateWindow(H->Handle());
    drawn.clear();
    const TRect damage{250, 5, 260, 10};
    InvalidateRect(H->Handle(), &damage, FALSE);
    UpdateWindow(H->Handle());
    EXPECT_EQ(drawn, (std::vector<Integer>{2}));
    drawn.clear();
    const TRect edge{300, 5, 301, 10};
    InvalidateRect(H->Handle(), &edge, FALSE);
    UpdateWindow(H->Handle());
    EXPECT_EQ(drawn, (std::vector<Integer>{2, 3}));
    // Content without room still goes to the owner, as an empty rectangle after a sort mark
    // that found no room either.
    TExHeaderSection* narrow = H->Sections()->GetSectionByPos(5);
    narrow->SetWidth(18);
    narrow->SetSortMode(hsmAscend);
    drawn.clear();
    At(505, 10);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back(), 5);
    EXPECT_EQ(given, (TRect{507, 2, 507, 17}));
    narrow->SetSortMode(hsmNone);
    narrow->SetWidth(100);
    // Told when it is pressed.
    H->FPressSection = H->Sections()->GetSectionByPos(0);
    H->FPressed = true;
    drawn.clear();
    At(50, 10);
    EXPECT_TRUE(drawn.size() == 6u && pressed == false);
    EXPECT_EQ(drawn.front(), 0);
    H->OnSectionDraw = [&](TObject*, TCanvas*, TExHeaderSection* Section, const TRect& R, bool Pressed) {
        if (Section->GetIndex() == 0) {
            pressed = Pressed;
            given = R;
        }
    };
    At(50, 10);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(given, (TRect{8, 3, 96, 19}));
}

TEST_F(HeaderPaint, OfAThousandScrolledSectionsThoseUnderTheDamageAreDrawnAndNoOthers)
{
    // Sections 7 to 11 wide in four colours, scrolled far in; their middles show their colours.
    const TColor palette[] = {clRed, clLime, clBlue, clYellow};
    std::vector<TExHeaderSection*> all;
    for (int i = 0; i < 1000; ++i) {
        TExHeaderSection* s = Add("", 7 + i % 5);
        s->SetColor(palette[i % 4]);
        all.push_back(s);
    }
    H->SetLeftPos(4321);
    At(0, 0);
    auto middleColours = [&](int From, int To) {
        std::vector<std::pair<int, COLORREF>> seen, wanted;
        HDC dc = GetDC(H->Handle());
        for (TExHeaderSection* s : all) {
            const int mid = s->GetLeft() - H->LeftPos() + s->Width() / 2;
            if (mid < From || mid >= To)
                continue;
            seen.push_back({mid, GetPixel(dc, mid, 10)});
            wanted.push_back({mid, Rgb(s->Color())});
        }
        ReleaseDC(H->Handle(), dc);
        EXPECT_GT(wanted.size(), 5u);
        EXPECT_EQ(seen, wanted);
    };
    middleColours(0, 600);
    // Every section takes the next colour; only a strip in the middle is drawn again, and its
    // first and last sections stand half outside it.
    H->BeginUpdate();
    for (size_t i = 0; i < all.size(); ++i)
        all[i]->SetColor(palette[(i + 1) % 4]);
    ValidateRect(H->Handle(), nullptr);
    const RECT strip{203, 0, 297, 20};
    InvalidateRect(H->Handle(), &strip, FALSE);
    H->EndUpdate();
    middleColours(204, 296);
    // A section whose middle lies outside the damage kept its old colour.
    HDC dc = GetDC(H->Handle());
    for (TExHeaderSection* s : all) {
        const int left = s->GetLeft() - H->LeftPos();
        if (left > 320 && left < 400) {
            EXPECT_NE(GetPixel(dc, left + s->Width() / 2, 10), Rgb(s->Color()));
            break;
        }
    }
    ReleaseDC(H->Handle(), dc);
}

TEST_F(HeaderPaint, ImageListChangesWhilePaintingAskForNothing)
{
    H->SetImages(Images);
    TExHeaderSection* s = Add("");
    s->SetStyle(ExhsOwnerDraw);
    H->OnSectionDraw = [&](TObject*, TCanvas*, TExHeaderSection*, const TRect&, bool) {
        TBitmap b;
        b.SetSize(16, 16);
        Images->AddMasked(&b, clFuchsia);
    };
    H->Invalidate();
    UpdateWindow(H->Handle());
    EXPECT_EQ(Images->Count(), 2);
    TRect r;
    EXPECT_FALSE(GetUpdateRect(H->Handle(), &r, FALSE));
    // Outside painting a change draws the header again.
    H->OnSectionDraw = nullptr;
    TBitmap b;
    b.SetSize(16, 16);
    Images->AddMasked(&b, clFuchsia);
    EXPECT_TRUE(GetUpdateRect(H->Handle(), &r, FALSE));
}

TEST_F(HeaderPaint, DragLookIsDarker)
{
    TExHeaderSection* s = Add("");
    TBitmap b;
    b.SetSize(100, 20);
    b.Canvas()->SetFont(H->Font());
    H->RedrawSection(b.Canvas(), s, TRect{0, 0, 100, 20}, true);
    const COLORREF c = COLORREF(b.Canvas()->Pixels(60, 10));
    auto lum = [](COLORREF x) {
        const int r = GetRValue(x), g = GetGValue(x), bl = GetBValue(x);
        return (std::max({r, g, bl}) + std::min({r, g, bl})) / 2;
    };
    EXPECT_NEAR(lum(c), lum(Face) - lum(Face) / 4, 3);
    H->RedrawSection(b.Canvas(), s, TRect{0, 0, 100, 20}, false);
    EXPECT_EQ(COLORREF(b.Canvas()->Pixels(60, 10)), Face);
}

TEST_F(HeaderPaint, ImageFormBackgroundUntilItGoes)
{
    Add("");
    Form->SetColor(TColor(Green));
    auto* back = new TExImageForm(Form);
    back->SetBackgroundType(bgtColorFill);
    H->SetImageForm(back);
    uitest::Pump();
    EXPECT_EQ(At(60, 10), Green);
    EXPECT_EQ(At(99, 10), Dark);
    // The strip: the background with a raised edge all round.
    EXPECT_EQ(At(300, 10), Green);
    EXPECT_EQ(At(100, 10), Hi);
    EXPECT_EQ(At(599, 10), Shadow);
    // Signs go over the background, their see-through pixels showing it.
    H->Sections()->GetSectionByPos(0)->SetSortMode(hsmAscend);
    EXPECT_EQ(At(89, 6), Mark);
    EXPECT_EQ(At(85, 6), Green);
    delete back;
    uitest::Pump();
    EXPECT_EQ(At(60, 10), Face);
    EXPECT_EQ(At(300, 10), Face);
}

TEST_F(HeaderPaint, TheStripShowsTheBackgroundWhereASectionWould)
{
    // Under a gradient across the form, a pixel of the strip and the same pixel under a section
    // take the same colour: both lie where the form puts them.
    TExHeaderSection* s = Add("");
    auto* back = new TExImageForm(Form);
    back->SetGradientStartColor(clBlack);
    back->SetGradientEndColor(clWhite);
    back->SetGradientSteps(256);
    back->SetBackgroundType(bgtHorzGradient);
    H->SetImageForm(back);
    uitest::Pump();
    const COLORREF strip = At(300, 10);
    ASSERT_NE(strip, At(200, 10));
    s->SetWidth(400);
    EXPECT_EQ(At(300, 10), strip);
}

// ---------------------------------------------------------------- themed

COLORREF ThemePixel(int Part, int State, int X, int Y)
{
    TBitmap b;
    b.SetSize(100, 20);
    b.Canvas()->Brush()->SetColor(clBtnFace);
    b.Canvas()->FillRect(TRect{0, 0, 100, 20});
    DrawThemeBackgroundTo(u"HEADER", b.Canvas()->Handle(), Part, State, TRect{0, 0, 100, 20}, nullptr);
    return COLORREF(b.Canvas()->Pixels(X, Y));
}

TEST_F(HeaderPaint, ThemedStates)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    H->SetUseXPThemes(true);
    ASSERT_TRUE(H->IsThemeApplied());
    TExHeaderSection* s = Add("Ab");
    ASSERT_NE(ThemePixel(HP_HEADERITEM, HIS_NORMAL, 60, 6), ThemePixel(HP_HEADERITEM, HIS_HOT, 60, 6));
    ASSERT_NE(ThemePixel(HP_HEADERITEM, HIS_NORMAL, 60, 6), ThemePixel(HP_HEADERITEM, HIS_PRESSED, 60, 6));
    EXPECT_EQ(At(60, 6), ThemePixel(HP_HEADERITEM, HIS_NORMAL, 60, 6));
    H->FHotSection = s;
    EXPECT_EQ(At(60, 6), ThemePixel(HP_HEADERITEM, HIS_HOT, 60, 6));
    // The theme draws the hot caption; it is not turned into the highlight colour.
    EXPECT_EQ(Extent(TRect{2, 2, 98, 18}, Bluish).Left, -1);
    H->FPressSection = s;
    H->FPressed = true;
    EXPECT_EQ(At(61, 7), ThemePixel(HP_HEADERITEM, HIS_PRESSED, 61, 7));
    // The section being dragged looks pressed in its place.
    H->FPressed = false;
    H->FHotSection = nullptr;
    H->FDragSection = s;
    EXPECT_EQ(At(60, 6), ThemePixel(HP_HEADERITEM, HIS_PRESSED, 60, 6));
    H->FDragSection = nullptr;
    // The strip after the sections is the theme's header background.
    EXPECT_EQ(At(300, 6), ThemePixel(0, 0, 60, 6));
    // The caption is drawn by the theme, in the header's font.
    EXPECT_GE(Extent(TRect{2, 2, 98, 18}, Inky).Left, 6);
    // A marked-up caption has the section's colour behind its letters, over the theme as
    // anywhere (below them here, in the line's descent: the text starts at the content's top, y 1),
    // and the theme's background past its end.
    s->SetText("<html><b>Ab</b></html>");
    ASSERT_GE(H->Canvas()->TextHeight("Ab"), 13);
    ASSERT_NE(ThemePixel(HP_HEADERITEM, HIS_NORMAL, 9, 12), Face);
    EXPECT_EQ(At(9, 12), Face);
    s->SetColor(clRed);
    EXPECT_EQ(At(9, 12), Rgb(clRed));
    EXPECT_EQ(At(60, 12), ThemePixel(HP_HEADERITEM, HIS_NORMAL, 60, 12));
}

}  // namespace

namespace {

TEST_F(HeaderPaint, AThemedSectionOfAnyWidthLooksAlikeWhereverItIsSeen)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    H->SetUseXPThemes(true);
    TExHeaderSection* s = Add("");
    s->SetMaxWidth(MaxInt);
    auto row = [&](Integer Width, Integer LeftPos) {
        s->SetWidth(Width);
        H->SetLeftPos(LeftPos);
        return Pixels(TRect{0, 6, 600, 7});
    };
    // Its left end, and a stretch from its middle, as a section 2,000 wide shows them.
    const std::vector<COLORREF> start = row(2000, 0), middle = row(2000, 700);
    ASSERT_NE(start, middle);
    for (Integer w : {1 << 20, MaxInt - 1}) {
        SCOPED_TRACE(w);
        EXPECT_EQ(row(w, 0), start);
        EXPECT_EQ(row(w, w / 2), middle);
    }
}

}  // namespace

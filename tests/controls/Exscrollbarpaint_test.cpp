// The scroll bar's looks, read back from its window: a few pixels per part, for the flat, raised,
// themed and owner-drawn looks in their rest, hot, pressed and disabled states.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/Exscrollbar.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "platform/ThemeSchema.h"
#include "tests/support/UiTest.h"

namespace {

COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }
const COLORREF Face = Rgb(clBtnFace), Hi = Rgb(clBtnHighlight), Shadow = Rgb(clBtnShadow),
               Dark = Rgb(cl3DDkShadow), Text = Rgb(clBtnText), HotText = Rgb(clHighlight);

// A bar of either kind, 200 long and 17 thick with 17-pixel buttons, in the classic look; range
// 0..99 with a page of 10, so the thumb is 17 long (grip lines show from 15).
struct Paint : ::testing::TestWithParam<TScrollBarKind> {
    TForm* Form = new TForm(nullptr);
    TExScrollBar* B = new TExScrollBar(Form);
    bool Horz = GetParam() == sbHorizontal;

    Paint()
    {
        Form->SetBounds(0, 0, 400, 400);
        B->SetParent(Form);
        B->SetUseXPThemes(false);
        B->SetUseSystemMetrics(false);
        B->SetKind(GetParam());
        B->SetButtonSize(17);
        // Shown, the form would give the bar its focus, which raises the thumb.
        B->SetTabStop(false);
        if (Horz)
            B->SetBounds(10, 10, 200, 17);
        else
            B->SetBounds(10, 10, 17, 200);
        Set(0, 99, 10, 0);
        Form->Show();
        uitest::Pump();
    }
    ~Paint() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    void Set(int Min, int Max, int Page, int Pos)
    {
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        si.nMin = Min;
        si.nMax = Max;
        si.nPage = UINT(Page);
        si.nPos = Pos;
        B->SetScrollInfo(si, true);
    }
    // The pixel at a place along and across the bar, as the window shows it after pending paints.
    COLORREF At(int Along, int Across)
    {
        UpdateWindow(B->Handle());
        HDC dc = GetDC(B->Handle());
        const COLORREF c = Horz ? GetPixel(dc, Along, Across) : GetPixel(dc, Across, Along);
        ReleaseDC(B->Handle(), dc);
        return c;
    }
    COLORREF Redrawn(int Along, int Across)
    {
        B->Invalidate();
        return At(Along, Across);
    }
    int X(int Along, int Across) const { return Horz ? Along : Across; }
    int Y(int Along, int Across) const { return Horz ? Across : Along; }
    // The colour of a button's frame at its four corners: top-left, top-right, bottom-right and
    // the pixel inside the bottom-right one.
    std::vector<COLORREF> Corners(int From)
    {
        return {At(From, 0), At(From + 16, 16), At(From + 15, 15), At(From + 1, 1)};
    }
};

std::string KindName(const ::testing::TestParamInfo<TScrollBarKind>& Info)
{
    return Info.param == sbHorizontal ? "Horizontal" : "Vertical";
}

#define BOTH_KINDS(Suite) INSTANTIATE_TEST_SUITE_P(Kinds, Suite, ::testing::Values(sbHorizontal, sbVertical), KindName)

using Classic = Paint;
BOTH_KINDS(Classic);

TEST_P(Classic, FlatAtRest)
{
    // Flat frames: highlight above and left, shadow below and right, face inside.
    EXPECT_EQ(Corners(0), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    // At the first position the left arrow is drawn disabled (shadow, its highlight one pixel off),
    // the right one in the arrow colour.
    EXPECT_EQ(At(8, 8), Shadow);
    EXPECT_EQ(At(183 + 8, 8), Text);
    // The thumb from 17 to 34: a flat frame and four grip lines in the bar colour, 3 pixels in.
    EXPECT_EQ(At(17, 0), Hi);
    EXPECT_EQ(At(33, 16), Shadow);
    for (int line : {22, 24, 26, 28}) {
        EXPECT_EQ(At(line, 3), Shadow) << line;
        EXPECT_EQ(At(line, 13), Shadow) << line;
        EXPECT_EQ(At(line, 2), Face) << line;
        EXPECT_EQ(At(line, 14), Face) << line;
    }
    EXPECT_EQ(At(23, 8), Face);
    // The track is dithered from the window's origin: light where x + y is even.
    for (int along : {40, 41, 100, 181})
        for (int across : {0, 5, 16})
            EXPECT_EQ(At(along, across), (along + across) % 2 == 0 ? Hi : Face) << along << "," << across;
    // With the focus the thumb rises, the arrows stay flat; ActiveFlat keeps it flat.
    B->SetFocus();
    ASSERT_TRUE(B->Focused());
    EXPECT_EQ(At(33, 16), Dark);
    EXPECT_EQ(At(32, 15), Shadow);
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    B->SetActiveFlat(true);
    EXPECT_EQ(At(33, 16), Shadow);
}

TEST_P(Classic, RaisedAndThinFrames)
{
    B->SetFlat(false);
    // Raised: dark shadow outside at the bottom right, shadow inside it.
    EXPECT_EQ(Corners(0), (std::vector<COLORREF>{Hi, Dark, Shadow, Face}));
    EXPECT_EQ(At(17, 0), Hi);
    EXPECT_EQ(At(33, 16), Dark);
    EXPECT_EQ(At(32, 15), Shadow);
    B->SetThinFrames(true);
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Dark, Face, Face}));
    EXPECT_EQ(At(32, 15), Face);
    // Without arrow frames the buttons are the track, the thumb keeps its frame.
    B->SetThinFrames(false);
    B->SetDrawArrowFrames(false);
    EXPECT_EQ(At(183, 0), (183 % 2 == 0) ? Hi : Face);
    EXPECT_EQ(At(184, 0), (184 % 2 == 0) ? Hi : Face);
    EXPECT_EQ(At(33, 16), Dark);
    // Without frames at all the thumb is its face with the grips one pixel nearer the sides.
    B->SetDrawFrames(false);
    EXPECT_EQ(At(33, 16), Face);
    EXPECT_EQ(At(22, 2), Shadow);
    EXPECT_EQ(At(22, 1), Face);
}

TEST_P(Classic, GripLinesFromFifteenPixels)
{
    B->SetThumbMode(etmFixed);
    B->SetThumbSize(14);
    for (int along = 18; along < 30; ++along)
        ASSERT_EQ(At(along, 8), Face) << along;
    B->SetThumbSize(15);
    // mid = (17 + 32) div 2 = 24
    for (int line : {21, 23, 25, 27})
        EXPECT_EQ(At(line, 8), Shadow) << line;
    B->SetDrawBars(false);
    EXPECT_EQ(At(21, 8), Face);
    B->SetDrawBars(true);
    B->SetBarColor(clRed);
    B->SetBarOffset(6);  // 6 + 1 of the frame: from 7 to 10
    EXPECT_EQ(At(21, 7), Rgb(clRed));
    EXPECT_EQ(At(21, 9), Rgb(clRed));
    EXPECT_EQ(At(21, 6), Face);
    EXPECT_EQ(At(21, 10), Face);
    B->SetBarOffset(7);  // 2 x 8 + 3 > 17: no room
    EXPECT_EQ(At(21, 8), Face);
    // A thumb one pixel long is still drawn: its frame's far edge, in shadow.
    B->SetThumbSize(1);
    EXPECT_EQ(At(17, 5), Shadow);
    EXPECT_EQ(At(18, 5), Face);
}

// Moved, the bar draws itself again and tells the controls on it, as the image form asks.
class TLogChild : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::vector<std::pair<WPARAM, LPARAM>> Told;
    void Dispatch(TMessage& Message) override
    {
        if (Message.Msg == IFM_REPAINTCHILDREN)
            Told.push_back({Message.WParam, Message.LParam});
        TWinControl::Dispatch(Message);
    }
};

TEST_P(Classic, MovingTellsTheControlsOnIt)
{
    auto* child = new TLogChild(Form);
    child->SetParent(B);
    child->SetBounds(0, 0, 2, 2);
    uitest::Pump();
    child->Told.clear();
    B->SetBounds(20, 20, B->Width(), B->Height());
    ASSERT_FALSE(child->Told.empty());
    EXPECT_EQ(child->Told.back(), (std::pair<WPARAM, LPARAM>{0, 0}));
    TRect r;
    EXPECT_TRUE(GetUpdateRect(B->Handle(), &r, FALSE));
}

TEST_P(Classic, HotArrowRisesInTheHotColour)
{
    Set(0, 99, 10, 50);
    Input::MouseMove(B, X(190, 8), Y(190, 8));
    EXPECT_EQ(B->HotPart(), sbpRightArrow);
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Dark, Shadow, Face}));
    EXPECT_EQ(At(183 + 8, 8), HotText);
    // The others stay flat.
    EXPECT_EQ(Corners(0), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    EXPECT_EQ(At(8, 8), Text);
    // Over the thumb, the thumb rises instead; the arrow goes flat again.
    const int thumb = B->GetThumbPos();
    Input::MouseMove(B, X(thumb + 8, 8), Y(thumb + 8, 8));
    EXPECT_EQ(At(thumb + 16, 16), Dark);
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    // Away from the bar nothing is hot.
    Input::MouseMove(Form, 300, 300);
    EXPECT_EQ(B->HotPart(), sbpNowhere);
    EXPECT_EQ(At(thumb + 16, 16), Shadow);
    // A thumb rises only when it can move: on two positions without a page it can.
    Set(0, 1, 0, 0);
    Input::MouseMove(B, X(B->GetThumbPos() + 4, 8), Y(B->GetThumbPos() + 4, 8));
    ASSERT_EQ(B->HotPart(), sbpThumb);
    EXPECT_EQ(At(B->GetThumbPos() + B->GetThumbLength() - 1, 16), Dark);
    Set(0, 1, 2, 0);
    Input::MouseMove(B, X(20, 8), Y(20, 8));
    ASSERT_EQ(B->HotPart(), sbpThumb);
    EXPECT_EQ(At(B->GetThumbPos() + B->GetThumbLength() - 1, 16), Shadow);
    // The same on a range away from zero.
    Input::MouseMove(Form, 300, 300);
    Set(100, 101, 2, 100);
    Input::MouseMove(B, X(20, 8), Y(20, 8));
    ASSERT_EQ(B->HotPart(), sbpThumb);
    EXPECT_EQ(At(B->GetThumbPos() + B->GetThumbLength() - 1, 16), Shadow);
    Set(0, 99, 10, 50);
    // ActiveFlat keeps everything flat.
    B->SetActiveFlat(true);
    Input::MouseMove(B, X(190, 8), Y(190, 8));
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    EXPECT_EQ(At(183 + 8, 8), HotText);
}

TEST_P(Classic, PressedLooksFollowTheCursor)
{
    Set(0, 99, 10, 50);
    Input::MouseMove(B, X(190, 8), Y(190, 8));
    Input::MouseDown(B, mbLeft, X(190, 8), Y(190, 8));
    // Sunken while the cursor stays on it.
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Shadow, Hi, Face, Face}));
    Input::MouseMove(B, X(100, 8), Y(100, 8), ssLeft);
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Shadow, Face, Face}));
    Input::MouseMove(B, X(190, 8), Y(190, 8), ssLeft);
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Shadow, Hi, Face, Face}));
    Input::MouseUp(B, mbLeft, X(190, 8), Y(190, 8));
    // A raised bar's pressed arrow: dark shadow at the top left.
    B->SetFlat(false);
    Input::MouseDown(B, mbLeft, X(190, 8), Y(190, 8));
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Dark, Hi, Face, Shadow}));
    Input::MouseUp(B, mbLeft, X(190, 8), Y(190, 8));
    EXPECT_EQ(Corners(183), (std::vector<COLORREF>{Hi, Dark, Shadow, Face}));
}

TEST_P(Classic, PressedPageAreaTakesTheShadowColour)
{
    Set(0, 999, 10, 0);  // the thumb stays near the start
    Input::MouseMove(B, X(170, 8), Y(170, 8));
    Input::MouseDown(B, mbLeft, X(170, 8), Y(170, 8));
    EXPECT_EQ(B->PressedPart(), sbpRightBottom);
    EXPECT_EQ(At(170, 8), Shadow);
    EXPECT_EQ(At(171, 8), Shadow);
    Input::MouseMove(B, X(100, 20), Y(100, 20), ssLeft);  // off the bar: no longer drawn pressed
    EXPECT_EQ(At(170, 8), Hi);
    Input::MouseUp(B, mbLeft, X(100, 20), Y(100, 20));
    // The area before the thumb likewise; the thumb after it keeps its face.
    Set(0, 999, 10, 999);
    Input::MouseMove(B, X(30, 8), Y(30, 8));
    Input::MouseDown(B, mbLeft, X(30, 8), Y(30, 8));
    EXPECT_EQ(B->PressedPart(), sbpLeftTop);
    EXPECT_EQ(At(30, 8), Shadow);
    EXPECT_EQ(At(B->GetThumbPos() + 2, 8), Face);
    Input::MouseUp(B, mbLeft, X(30, 8), Y(30, 8));
    Set(0, 999, 10, 0);
    B->SetChangeColorsOnScroll(false);
    Input::MouseMove(B, X(170, 8), Y(170, 8));
    Input::MouseDown(B, mbLeft, X(170, 8), Y(170, 8));
    EXPECT_EQ(At(170, 8), Hi);
    EXPECT_EQ(At(171, 8), Face);
    Input::MouseUp(B, mbLeft, X(170, 8), Y(170, 8));
}

TEST_P(Classic, PressedThumbSinksUnlessToldNot)
{
    Set(0, 99, 10, 50);
    const int t = B->GetThumbPos();
    Input::MouseDown(B, mbLeft, X(t + 4, 8), Y(t + 4, 8));
    ASSERT_EQ(B->PressedPart(), sbpThumb);
    // Flat and pushed: shadow at the top left.
    EXPECT_EQ(At(t, 0), Shadow);
    EXPECT_EQ(At(t + 16, 16), Hi);
    B->SetNoSunkenThumb(true);
    EXPECT_EQ(At(t, 0), Hi);
    Input::MouseUp(B, mbLeft, X(t + 4, 8), Y(t + 4, 8));
    // Raised and pushed, the grips move one pixel along and across.
    B->SetFlat(false);
    B->SetNoSunkenThumb(false);
    const int mid = t + 8;  // (t + t + 17) div 2
    EXPECT_EQ(At(mid - 3, 3), Shadow);
    Input::MouseDown(B, mbLeft, X(t + 4, 8), Y(t + 4, 8));
    EXPECT_EQ(At(t, 0), Dark);
    EXPECT_EQ(At(mid - 2, 4), Shadow);
    EXPECT_EQ(At(mid - 2, 3), Face);
    EXPECT_EQ(At(mid - 2, 14), Shadow);
    EXPECT_EQ(At(mid - 3, 8), Face);
    Input::MouseUp(B, mbLeft, X(t + 4, 8), Y(t + 4, 8));
}

TEST_P(Classic, TrackBackgrounds)
{
    // Neither blended nor the system colour: the face.
    B->SetSysBkColor(false);
    B->SetBlendBackground(false);
    for (int along : {100, 101})
        EXPECT_EQ(At(along, 8), Face);
    // Blended in a colour of its own: that colour and a lighter one in turns.
    B->SetColor(TColor(0x406080));
    B->SetBlendBackground(true);
    EXPECT_EQ(At(100, 8), Rgb(B->LighterColor()));
    EXPECT_EQ(At(101, 8), Rgb(TColor(0x406080)));
    // The thumb and the buttons take the colour too; a pressed page area its shadow.
    EXPECT_EQ(At(1, 1), Rgb(TColor(0x406080)));
    Set(0, 999, 10, 0);
    Input::MouseMove(B, X(170, 8), Y(170, 8));
    Input::MouseDown(B, mbLeft, X(170, 8), Y(170, 8));
    EXPECT_EQ(At(170, 8), Rgb(B->ShadowColor()));
    Input::MouseUp(B, mbLeft, X(170, 8), Y(170, 8));
    // The system colour, which equals the face in the classic scheme: dithered as well.
    B->SetColor(clBtnFace);
    B->SetSysBkColor(true);
    B->SetBlendBackground(false);
    EXPECT_EQ(At(100, 8), Hi);
    EXPECT_EQ(At(101, 8), Face);
}

TEST_P(Classic, DisabledBarShowsNoThumb)
{
    Set(0, 99, 10, 50);
    B->SetEnabled(false);
    const int t = B->GetThumbPos();
    EXPECT_EQ(At(t + 16, 16), (Horz ? Face : ((t + 16 + 16) % 2 == 0 ? Hi : Face)));
    // A horizontal bar fills its track with the face, a vertical one keeps the track's pattern.
    EXPECT_EQ(At(100, 8), Horz ? Face : Hi);
    EXPECT_EQ(At(101, 8), Face);
    // Without a theme the arrows keep the look their position gives them.
    EXPECT_EQ(At(8, 8), Text);
    B->SetEnabled(true);
    EXPECT_EQ(At(t, 0), Hi);
}

TEST_P(Classic, SecondaryButtonGlyphs)
{
    Set(0, 99, 10, 50);
    B->SetSecondaryButtons(true);
    // Opposite: the left one points away from its end. The centred arrow box starts 6 pixels in
    // along the bar and 5 across: a long side there points inward, a tip there outward.
    const int sec = 17, rsec = 200 - 34;
    EXPECT_EQ(At(sec + 6, 5), Text);
    EXPECT_EQ(At(rsec + 9, 5), Text);
    EXPECT_EQ(At(rsec + 6, 5), Face);
    // Page: two arrows pointing toward the end, 3 pixels apart: moved +1 and -2 at the start
    // (long sides 10 and 7 pixels in), +2 and -1 at the end (long sides 8 and 5 in).
    B->SetSecondBtnKind(sbkPage);
    EXPECT_EQ(At(sec + 10, 5), Text);
    EXPECT_EQ(At(sec + 7, 5), Text);
    EXPECT_EQ(At(sec + 9, 5), Face);
    EXPECT_EQ(At(rsec + 8, 5), Text);
    EXPECT_EQ(At(rsec + 5, 5), Text);
    EXPECT_EQ(At(rsec + 7, 5), Face);
    // Custom: one arrow each, pointing inward as the opposite ones.
    B->SetSecondBtnKind(sbkCustom);
    EXPECT_EQ(At(sec + 6, 5), Text);
    EXPECT_EQ(At(sec + 10, 5), Face);
    // Without frames drawn, the buttons' faces are the track.
    B->SetDrawArrowFrames(false);
    EXPECT_EQ(At(sec + 1, 1), (sec + 2) % 2 == 0 ? Hi : Face);
}

TEST_P(Classic, OwnerDrawSeesEveryPartAndMayTakeOne)
{
    Set(0, 99, 10, 0);
    B->SetSecondaryButtons(true);
    B->SetOwnerDraw(true);
    struct Seen {
        TExScrollBarPart Part;
        TRect R;
        bool Enabled, Focused, Pressed;
    };
    std::vector<Seen> seen;
    B->OnDrawPart = [&](TObject* Sender, TCanvas* C, const TRect& R, TExScrollBarPart Part, bool Enabled,
                        bool Focused, bool Pressed, bool& DefaultDraw) {
        EXPECT_EQ(Sender, B);
        seen.push_back({Part, R, Enabled, Focused, Pressed});
        if (Part == sbpThumb) {
            C->Brush()->SetColor(clRed);
            C->FillRect(R);
            DefaultDraw = false;
        }
    };
    B->Invalidate();
    UpdateWindow(B->Handle());
    std::vector<TExScrollBarPart> parts;
    for (const Seen& s : seen)
        parts.push_back(s.Part);
    EXPECT_EQ(parts, (std::vector<TExScrollBarPart>{sbpLeftArrow, sbpRightArrow, sbpLeftSndArrow, sbpRightSndArrow,
                                                    sbpLeftTop, sbpThumb, sbpRightBottom}));
    ASSERT_EQ(seen.size(), 7u);
    // Arrows: enabled by the position (the left one cannot move at the first position); the
    // opposite secondary buttons by the other end's arrow.
    EXPECT_FALSE(seen[0].Enabled);
    EXPECT_TRUE(seen[1].Enabled);
    EXPECT_TRUE(seen[2].Enabled);
    EXPECT_FALSE(seen[3].Enabled);
    EXPECT_TRUE(seen[4].Enabled && seen[5].Enabled && seen[6].Enabled);
    // Nothing is raised or pressed at rest; the page areas report the focus, here none.
    for (const Seen& s : seen)
        EXPECT_FALSE(s.Focused || s.Pressed) << int(s.Part);
    // The thumb's rectangle spans the bar across.
    EXPECT_EQ(seen[5].R, B->GetPartRect(sbpThumb));
    // The handler's thumb shows, with nothing of the bar's own over it.
    const int t = B->GetThumbPos();
    EXPECT_EQ(At(t, 0), Rgb(clRed));
    EXPECT_EQ(At(t + 8, 8), Rgb(clRed));
    // A disabled bar's track is one part, neither pressed nor enabled.
    seen.clear();
    B->SetEnabled(false);
    B->Invalidate();
    UpdateWindow(B->Handle());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().Part, sbpNowhere);
    EXPECT_FALSE(seen.back().Enabled || seen.back().Pressed);
    EXPECT_EQ(seen.back().R, B->GetTrackRect());
    B->SetEnabled(true);
    // Without OwnerDraw the handler is not asked.
    seen.clear();
    B->SetOwnerDraw(false);
    EXPECT_EQ(Redrawn(t, 0), Hi);
    EXPECT_TRUE(seen.empty());
}

TEST_P(Classic, ImageFormBackgroundLiesWhereTheFormPutsIt)
{
    // Under a gradient across the form, a track pixel keeps its colour at one place of the form
    // wherever the bar stands.
    auto* back = new TExImageForm(Form);
    back->SetGradientStartColor(clBlack);
    back->SetGradientEndColor(clWhite);
    back->SetGradientSteps(256);
    back->SetBackgroundType(Horz ? bgtHorzGradient : bgtVertGradient);
    B->SetImageForm(back);
    const COLORREF here = Redrawn(120, 8);
    ASSERT_NE(here, At(60, 8));
    if (Horz)
        B->SetBounds(40, 10, 200, 17);
    else
        B->SetBounds(10, 40, 17, 200);
    uitest::Pump();
    EXPECT_EQ(Redrawn(90, 8), here);
}

TEST_P(Classic, ImageFormBackgroundUntilItGoes)
{
    Form->SetColor(TColor(0x00C000));
    auto* back = new TExImageForm(Form);
    back->SetBackgroundType(bgtColorFill);
    B->SetImageForm(back);
    // The form's colour shows through the track and the thumb's face; the frames stay.
    EXPECT_EQ(Redrawn(100, 8), Rgb(TColor(0x00C000)));
    EXPECT_EQ(At(25, 8), Rgb(TColor(0x00C000)));
    EXPECT_EQ(At(17, 0), Hi);
    // Gone, the bar is drawn with its own track again (nothing reads the image form).
    delete back;
    EXPECT_EQ(B->ImageForm(), nullptr);
    EXPECT_EQ(Redrawn(100, 8), Hi);
    EXPECT_EQ(At(101, 8), Face);
}

// ---------------------------------------------------------------- themed

// A part drawn by the theme alone over the bar's face: what the bar must show at (X, Y) of it.
COLORREF ThemePixel(int Part, int State, int W, int H, int X, int Y)
{
    TBitmap b;
    b.SetSize(W, H);
    b.Canvas()->Brush()->SetColor(clBtnFace);
    b.Canvas()->FillRect(TRect{0, 0, W, H});
    DrawThemeBackgroundTo(u"SCROLLBAR", b.Canvas()->Handle(), Part, State, TRect{0, 0, W, H}, nullptr);
    return COLORREF(b.Canvas()->Pixels(X, Y));
}

using Themed = Paint;
BOTH_KINDS(Themed);

TEST_P(Themed, PartsInTheirStates)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    B->SetUseXPThemes(true);
    ASSERT_TRUE(B->IsThemeApplied());
    Set(0, 99, 10, 50);
    const int w = Horz ? 17 : 17;
    const int leftNormal = Horz ? ABS_LEFTNORMAL : ABS_UPNORMAL, rightNormal = Horz ? ABS_RIGHTNORMAL : ABS_DOWNNORMAL;
    auto arrow = [&](int State, int AlongIn, int AcrossIn) {
        return ThemePixel(SBP_ARROWBTN, State, Horz ? w : 17, Horz ? 17 : w, X(AlongIn, AcrossIn), Y(AlongIn, AcrossIn));
    };
    // A pixel of the button's face away from its glyph, where the four states differ.
    const int in = 3, across = 3;
    ASSERT_NE(arrow(rightNormal, in, across), arrow(rightNormal + 1, in, across));
    ASSERT_NE(arrow(rightNormal, in, across), arrow(rightNormal + 2, in, across));
    // Disabled, the face stays and the glyph greys.
    ASSERT_NE(arrow(rightNormal, 8, 8), arrow(rightNormal + 3, 8, 8));
    EXPECT_EQ(At(183 + in, across), arrow(rightNormal, in, across));
    EXPECT_EQ(At(in, across), arrow(leftNormal, in, across));
    Input::MouseMove(B, X(190, 8), Y(190, 8));
    EXPECT_EQ(At(183 + in, across), arrow(rightNormal + 1, in, across));
    Input::MouseDown(B, mbLeft, X(190, 8), Y(190, 8));
    EXPECT_EQ(At(183 + in, across), arrow(rightNormal + 2, in, across));
    Input::MouseUp(B, mbLeft, X(190, 8), Y(190, 8));
    B->SetPosition(99);
    EXPECT_EQ(At(183 + 8, 8), arrow(rightNormal + 3, 8, 8));

    // The two page areas are the upper and lower track parts; a pressed one its pressed state.
    const int upper = Horz ? SBP_UPPERTRACKHORZ : SBP_UPPERTRACKVERT, lower = Horz ? SBP_LOWERTRACKHORZ : SBP_LOWERTRACKVERT;
    B->SetPosition(50);
    Input::MouseMove(Form, 300, 300);
    EXPECT_EQ(At(20, 8), ThemePixel(upper, SCRBS_NORMAL, 4, 4, 1, 1));
    EXPECT_EQ(At(180, 8), ThemePixel(lower, SCRBS_NORMAL, 4, 4, 1, 1));
    Set(0, 999, 10, 0);
    Input::MouseMove(B, X(170, 8), Y(170, 8));
    Input::MouseDown(B, mbLeft, X(170, 8), Y(170, 8));
    EXPECT_EQ(At(170, 8), ThemePixel(lower, SCRBS_PRESSED, 4, 4, 1, 1));
    Input::MouseUp(B, mbLeft, X(170, 8), Y(170, 8));
    ASSERT_NE(ThemePixel(lower, SCRBS_PRESSED, 4, 4, 1, 1), ThemePixel(lower, SCRBS_NORMAL, 4, 4, 1, 1));

    // The thumb is the thumb button of its orientation; disabled, the track is one disabled piece.
    Set(0, 99, 10, 50);
    const int t = B->GetThumbPos(), tl = B->GetThumbLength();
    const int thumbPart = Horz ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT;
    EXPECT_EQ(At(t + 2, 2), ThemePixel(thumbPart, SCRBS_NORMAL, Horz ? tl : 17, Horz ? 17 : tl, 2, 2));
    // Its grip: the gripper part in the thumb's content, which lies 2 pixels inside it.
    {
        const int w = Horz ? tl : 17, h = Horz ? 17 : tl;
        TBitmap ref;
        ref.SetSize(w, h);
        ref.Canvas()->Brush()->SetColor(clBtnFace);
        ref.Canvas()->FillRect(TRect{0, 0, w, h});
        DrawThemeBackgroundTo(u"SCROLLBAR", ref.Canvas()->Handle(), thumbPart, SCRBS_NORMAL, TRect{0, 0, w, h}, nullptr);
        const COLORREF plain = COLORREF(ref.Canvas()->Pixels(w / 2, h / 2));
        DrawThemeBackgroundTo(u"SCROLLBAR", ref.Canvas()->Handle(), Horz ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT,
                              SCRBS_NORMAL, TRect{2, 2, w - 2, h - 2}, nullptr);
        const COLORREF grip = COLORREF(ref.Canvas()->Pixels(w / 2, h / 2));
        ASSERT_NE(plain, grip);
        EXPECT_EQ(At(t + tl / 2, 8), grip);
        B->SetDrawBars(false);
        EXPECT_EQ(At(t + tl / 2, 8), plain);
        B->SetDrawBars(true);
    }
    B->SetEnabled(false);
    EXPECT_EQ(At(t + 2, 8), ThemePixel(lower, SCRBS_DISABLED, 4, 4, 1, 1));
    EXPECT_EQ(At(8, 8), arrow(leftNormal + 3, 8, 8));
}

TEST_P(Themed, OppositeSecondaryButtonsAreArrowsOnlyWhenHorizontal)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    B->SetUseXPThemes(true);
    Set(0, 99, 10, 50);
    B->SetSecondaryButtons(true);
    B->SetSecondBtnKind(sbkOpposite);
    const int in = 3;
    if (Horz) {
        // Drawn as the arrow of the other end, disabled with the bar.
        EXPECT_EQ(At(17 + in, 3), ThemePixel(SBP_ARROWBTN, ABS_RIGHTNORMAL, 17, 17, in, 3));
        ASSERT_NE(ThemePixel(SBP_ARROWBTN, ABS_RIGHTNORMAL, 17, 17, 8, 8),
                  ThemePixel(SBP_ARROWBTN, ABS_RIGHTDISABLED, 17, 17, 8, 8));
        B->SetEnabled(false);
        EXPECT_EQ(At(17 + 8, 8), ThemePixel(SBP_ARROWBTN, ABS_RIGHTDISABLED, 17, 17, 8, 8));
        B->SetEnabled(true);
    } else {
        // A thumb-button face with a drawn arrow.
        EXPECT_EQ(At(17 + in, 3), ThemePixel(SBP_THUMBBTNHORZ, SCRBS_NORMAL, 17, 17, 3, in));
        EXPECT_EQ(At(17 + 8, 8), Text);
    }
    B->SetSecondBtnKind(sbkCustom);
    EXPECT_EQ(At(17 + in, 3), ThemePixel(SBP_THUMBBTNHORZ, SCRBS_NORMAL, 17, 17, X(in, 3), Y(in, 3)));
}

}  // namespace

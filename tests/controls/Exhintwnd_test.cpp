#include "controls/Exhintwnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ctlbase/Htmlrender.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

struct Hint : ::testing::Test {
    TForm* Form = new TForm(nullptr);
    TExHintWindow* H = new TExHintWindow(Form);
    std::string Clicked;
    int Presses = 0;

    Hint()
    {
        Form->SetBounds(50, 50, 400, 300);
        Form->Show();
        Form->SetFocus();
        H->Font()->SetName("Arial");
        H->Font()->SetSize(10);
        H->OnLinkClick = [this](TObject* Sender, const std::string& HRef) {
            EXPECT_EQ(Sender, H);
            Clicked = HRef;
        };
        H->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++Presses; };
        uitest::Pump();
    }
    ~Hint() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    // The text's size in the hint's font, measured on a bitmap of our own.
    TSize Measure(const std::string& Text, Integer MaxWidth, UINT Flags)
    {
        TBitmap b;
        b.SetWidth(1);
        b.SetHeight(1);
        b.Canvas()->SetFont(H->Font());
        TRect r{0, 0, MaxWidth, 0};
        ::DrawText(b.Canvas()->Handle(), Text.c_str(), -1, &r, Flags | DT_CALCRECT);
        return {r.Width(), r.Height()};
    }
    // A bitmap of the hint's size in its face colour, for drawing what the hint should show.
    std::unique_ptr<TBitmap> Face()
    {
        auto b = std::make_unique<TBitmap>();
        b->SetWidth(H->ClientWidth());
        b->SetHeight(H->ClientHeight());
        b->Canvas()->Brush()->SetColor(clInfoBk);
        b->Canvas()->FillRect(TRect{0, 0, b->Width(), b->Height()});
        b->Canvas()->SetFont(H->Font());
        return b;
    }
    // The box of everything drawn on the face, the frame left out.
    static TRect Ink(TBitmap* B)
    {
        TRect r{B->Width(), B->Height(), 0, 0};
        const TColor face = TColor(ColorToRGB(clInfoBk));
        for (int y = 1; y < B->Height() - 1; ++y)
            for (int x = 1; x < B->Width() - 1; ++x)
                if (B->Canvas()->Pixels(x, y) != face)
                    r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
        return r;
    }
    std::unique_ptr<TBitmap> Shown()
    {
        uitest::Pump();
        auto b = std::make_unique<TBitmap>();
        EXPECT_TRUE(CaptureControlImage(H, b.get()));
        return b;
    }
};

TEST_F(Hint, AMarkupHintTakesItsLaidOutSizeAndFourPixels)
{
    const std::string text = "<b>Bold</b> and <font size=14>big</font><br><a href=\"go\">a link</a>";
    TExHTMLRender render;
    render.Data()->DefaultFont = "Arial";
    render.Data()->DefaultSize = 10;
    render.Data()->DefaultStyle = FontStyle(fsBold);
    render.PrepareText(text, 0, false);
    H->Font()->SetStyle(FontStyle(fsBold));
    H->SetIsHTML(true);
    H->SetCaption(text);
    EXPECT_EQ(H->Width(), render.GetTextSize().cx + 6);
    EXPECT_EQ(H->Height(), render.GetTextSize().cy + 4);
    EXPECT_GT(render.GetTextSize().cy, Measure("Bold", 1000, 0).cy);  // two lines: markup was read
}

TEST_F(Hint, APlainHintIsMeasuredWithoutPrefixesAndWrapsAtWords)
{
    const TSize one = Measure("A&B wide", 1000, DT_NOPREFIX);
    H->SetCaption("A&B wide");
    EXPECT_EQ(H->Width(), one.cx + 6);
    EXPECT_EQ(H->Height(), one.cy + 2);
    EXPECT_GT(one.cx, Measure("AB wide", 1000, DT_NOPREFIX).cx);
    const TRect r = H->CalcHintRect(one.cx - 5, "A&B wide", nullptr);
    EXPECT_EQ(r, (TRect{0, 0, Measure("A&B wide", one.cx - 5, DT_WORDBREAK | DT_NOPREFIX).cx + 6, 2 * one.cy + 2}));
}

TEST_F(Hint, ShowsOnTheScreenWithoutTakingTheActivation)
{
    H->ActivateHint(TRect{-30, -20, 70, 0}, "hint");
    uitest::Pump();
    EXPECT_TRUE(H->Visible());
    EXPECT_EQ(GetParent(H->Handle()), nullptr);
    EXPECT_EQ(GetWindowLong(H->Handle(), GWL_STYLE) & (WS_POPUP | WS_CHILD | WS_BORDER | WS_CAPTION), LONG(WS_POPUP));
    EXPECT_TRUE(IsWindowVisible(H->Handle()));
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    TRect w;
    GetWindowRect(H->Handle(), &w);
    EXPECT_EQ(w, (TRect{0, 0, 100, 20}));
    EXPECT_EQ(H->ClientRect(), (TRect{0, 0, 100, 20}));  // no room kept for a frame it never gets
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    H->ActivateHint(TRect{sw - 10, sh - 5, sw + 40, sh + 15}, "hint");
    GetWindowRect(H->Handle(), &w);
    EXPECT_EQ(w, (TRect{sw - 50, sh - 20, sw, sh}));
    H->ActivateHint(TRect{sw - 10, 30, sw + 40, 50}, "hint");
    EXPECT_EQ(H->BoundsRect(), (TRect{sw - 50, 30, sw, 50}));
    Input::Click(H, 5, 5);
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    H->ReleaseHandle();
    EXPECT_FALSE(H->HandleAllocated());
    EXPECT_FALSE(H->Visible());  // a window made again for measuring stays hidden
}

TEST_F(Hint, LinksOfAMarkupHintAreClickable)
{
    const std::string text = "<a href=\"first\">Link</a> plain text";
    H->SetIsHTML(true);
    H->ActivateHint(TRect{100, 100, 300, 140}, text);
    H->Font()->SetColor(clRed);  // after the text was laid out: painting starts from the font again
    auto shot = Shown();
    // Laid out from (2, 2) of the face.
    auto want = Face();
    TExHTMLRender render;
    render.Data()->DefaultColor = clRed;
    render.Data()->DefaultBgColor = clInfoBk;
    render.Data()->DefaultFont = "Arial";
    render.Data()->DefaultSize = 10;
    render.PrepareText(text, 0, false);
    render.DrawText(want->Canvas(), {0, 0}, TRect{2, 2, want->Width(), want->Height()});
    EXPECT_EQ(Ink(shot.get()), Ink(want.get()));
    // The link is drawn in the link colour from the text's start at (2, 2), the rest in the font's.
    int blue = 0, red = 0;
    for (int y = 0; y < shot->Height(); ++y)
        for (int x = 0; x < shot->Width(); ++x) {
            blue += x < 30 && shot->Canvas()->Pixels(x, y) == clBlue;
            const TColor c = shot->Canvas()->Pixels(x, y);  // text edges are smoothed: red, not pure red
            red += x > 40 && (c & 0xFF) > 150 && ((c >> 8) & 0xFF) < 110 && ((c >> 16) & 0xFF) < 110;
        }
    EXPECT_GT(blue, 5);
    EXPECT_GT(red, 5);
    Input::Click(H, 2, 8);  // the link's first column
    EXPECT_EQ(Clicked, "first");
    EXPECT_EQ(Presses, 0);
    Input::Click(H, H->ClientWidth() - 8, 8);
    EXPECT_EQ(Presses, 1);
    Input::Click(H, 1, 1);  // the margin around the text
    EXPECT_EQ(Presses, 2);
    // The link ends where its laid-out box ends, two pixels in from the hint's edge.
    const TRect box{2, 2, H->ClientWidth() - 2, H->ClientHeight() - 2};
    int end = 0;
    std::string href;
    while (render.IsCursorOverLink({end, 6}, {0, 0}, box, href))
        ++end;
    ASSERT_GT(end, 10);
    Clicked.clear();
    Input::Click(H, end + 1, 8);
    EXPECT_EQ(Clicked, "first");
    Input::Click(H, end + 2, 8);
    EXPECT_EQ(Presses, 3);
    // A hint no longer in markup has no links, whatever it last laid out.
    Clicked.clear();
    H->SetIsHTML(false);
    Input::Click(H, 4, 8);
    EXPECT_EQ(Clicked, "");
    EXPECT_EQ(Presses, 4);
}

TEST_F(Hint, ThePlatformsHintWritesInTheInfoTextColour)
{
    const COLORREF saved = GetSysColor(COLOR_INFOTEXT);
    SetSysColorEntry(COLOR_INFOTEXT, RGB(200, 0, 0));
    auto* plain = new THintWindow(Form);
    plain->ActivateHint(TRect{100, 100, 160, 130}, "Hint");
    uitest::Pump();
    TBitmap shot;
    const bool captured = CaptureControlImage(plain, &shot);
    SetSysColorEntry(COLOR_INFOTEXT, saved);
    ASSERT_TRUE(captured);
    int red = 0;
    for (int y = 1; y < shot.Height() - 1; ++y)
        for (int x = 1; x < shot.Width() - 1; ++x) {
            const TColor c = shot.Canvas()->Pixels(x, y);
            red += (c & 0xFF) > 120 && ((c >> 8) & 0xFF) < 100 && ((c >> 16) & 0xFF) < 100;
        }
    EXPECT_GT(red, 5);
}

TEST_F(Hint, APlainHintIsDrawnWrappedWithItsAmpersands)
{
    const TSize line = Measure("A&B", 1000, DT_NOPREFIX);
    H->ActivateHint(TRect{100, 100, 100 + line.cx + 10, 100 + 3 * line.cy}, "A&B A&B");
    auto shot = Shown();
    auto want = Face();
    want->Canvas()->Brush()->SetStyle(bsClear);
    TRect r{2, 2, want->Width(), want->Height()};
    ::DrawText(want->Canvas()->Handle(), "A&B A&B", -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    EXPECT_EQ(Ink(shot.get()), Ink(want.get()));
    int right = 0, lowest = 0;
    for (int y = 1; y < shot->Height() - 1; ++y)
        for (int x = 1; x < shot->Width() - 1; ++x)
            if (shot->Canvas()->Pixels(x, y) != TColor(ColorToRGB(clInfoBk))) {
                right = std::max(right, x);
                lowest = std::max(lowest, y);
            }
    EXPECT_GE(right, 2 + Measure("AB", 1000, 0).cx);
    EXPECT_GT(lowest, 2 + line.cy);
}

}  // namespace

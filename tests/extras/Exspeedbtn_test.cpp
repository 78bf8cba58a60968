// The round speed button: its circular hit test at the circle's edge, the held pull-down menu on its
// timer, its size from the normal image, the four images and the circular edge it paints.
#include "extras/Exspeedbtn.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

// Presses Escape on every tick until killed: whatever menu comes up is closed.
UINT CloseMenusInTurn()
{
    return SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT, DWORD) { Input::PressKey(VK_ESCAPE); });
}

std::unique_ptr<TBitmap> Square(int W, int H, TColor Fill, TColor Border)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(W, H);
    b->Canvas()->Brush()->SetColor(Border);
    b->Canvas()->FillRect(TRect{0, 0, W, H});
    b->Canvas()->Brush()->SetColor(Fill);
    b->Canvas()->FillRect(TRect{1, 1, W - 1, H - 1});
    return b;
}

struct SpeedButton : ::testing::Test {
    TForm* Form = nullptr;
    TExSpeedButton* S = nullptr;
    TPopupMenu* Menu = nullptr;
    int PullDowns = 0, Popups = 0;

    SpeedButton()
    {
        Application->Initialize();
        // Clicks of the test before must not pair with this one's into double clicks.
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 300, 200);
        Form->SetColor(TColor(RGB(0, 90, 0)));
        Form->Show();
        S = new TExSpeedButton(Form);
        S->SetParent(Form);
        S->SetLeft(40);
        S->SetTop(40);
        S->OnPullDown = [this](TObject* Sender) {
            EXPECT_EQ(Sender, S);
            ++PullDowns;
        };
        Menu = new TPopupMenu(Form);
        auto* item = new TMenuItem(Menu);
        item->SetCaption("&Item");
        Menu->Items()->Add(item);
        Menu->OnPopup = [this](TObject*) { ++Popups; };
        uitest::Pump();
    }
    ~SpeedButton() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    COLORREF Pixel(int x, int y)
    {
        Form->Repaint();
        uitest::Pump();
        HDC dc = GetDC(Form->Handle());
        const COLORREF p = GetPixel(dc, S->Left() + x, S->Top() + y);
        ReleaseDC(Form->Handle(), dc);
        return p;
    }
};

TEST_F(SpeedButton, StartsRoundAndSmall)
{
    EXPECT_EQ(S->Width(), 20);
    EXPECT_EQ(S->Height(), 20);
    EXPECT_TRUE(S->AutoSize());
    EXPECT_TRUE(S->Transparent());
    EXPECT_FALSE(S->PullDownEnabled);
    EXPECT_EQ(S->PullDownInterval, 1000);
    EXPECT_EQ(S->PullDownBtn, mbLeft);
    EXPECT_EQ(S->Color(), clBtnFace);
}

struct EdgePoint {
    int w, h, x, y;
    bool inside;
};
void PrintTo(const EdgePoint& p, std::ostream* os) { *os << p.w << "x" << p.h << " at " << p.x << "," << p.y; }

class SpeedButtonCircle : public SpeedButton, public ::testing::WithParamInterface<EdgePoint> {};

TEST_P(SpeedButtonCircle, AcceptsPointsUpToTheEdge)
{
    const EdgePoint& p = GetParam();
    S->SetAutoSize(false);
    S->SetBounds(40, 40, p.w, p.h);
    EXPECT_EQ(S->InCircle(p.x, p.y), p.inside);
}

INSTANTIATE_TEST_SUITE_P(
    Edge, SpeedButtonCircle,
    ::testing::Values(
        // 20 x 20: centre (10, 10), radius 10.
        EdgePoint{20, 20, 0, 10, true}, EdgePoint{20, 20, 20, 10, true}, EdgePoint{20, 20, 10, 0, true},
        EdgePoint{20, 20, 10, 20, true}, EdgePoint{20, 20, 0, 9, false}, EdgePoint{20, 20, 19, 21, false},
        EdgePoint{20, 20, 3, 3, true}, EdgePoint{20, 20, 2, 2, false}, EdgePoint{20, 20, 17, 3, true},
        EdgePoint{20, 20, 18, 2, false}, EdgePoint{20, 20, -1, 10, false},
        // 21 x 21: centre (10, 10), radius 10 (halves truncate).
        EdgePoint{21, 21, 20, 10, true}, EdgePoint{21, 21, 21, 10, false},
        // 30 x 20: the radius follows the width, past the top and bottom.
        EdgePoint{30, 20, 15, -5, true}, EdgePoint{30, 20, 15, -6, false}, EdgePoint{30, 20, 0, 10, true}),
    [](const ::testing::TestParamInfo<EdgePoint>& i) {
        const auto& p = i.param;
        auto n = [](int v) { return v < 0 ? "m" + std::to_string(-v) : std::to_string(v); };
        return std::to_string(p.w) + "x" + std::to_string(p.h) + "_at_" + n(p.x) + "_" + n(p.y);
    });

TEST_F(SpeedButton, APressOutsideTheCircleNeitherPressesNorStartsTheHold)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    Input::MouseDown(S, mbLeft, 1, 1);
    EXPECT_FALSE(S->Pressed());
    EXPECT_EQ(S->PullDownTimer(), nullptr);
    Input::MouseUp(S, mbLeft, 1, 1);
    Input::MouseDown(S, mbLeft, 10, 10);
    EXPECT_TRUE(S->Pressed());
    ASSERT_NE(S->PullDownTimer(), nullptr);
    EXPECT_TRUE(S->PullDownTimer()->Enabled());
    EXPECT_EQ(S->PullDownTimer()->Interval(), 1000u);
    Input::MouseUp(S, mbLeft, 10, 10);
    EXPECT_FALSE(S->Pressed());
    EXPECT_EQ(S->PullDownTimer(), nullptr);
}

TEST_F(SpeedButton, HeldLongEnoughTheMenuOpensBelow)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->PullDownInterval = 60;
    const UINT closer = CloseMenusInTurn();
    Input::MouseDown(S, mbLeft, 10, 10);
    EXPECT_EQ(PullDowns, 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Popups == 1; }, 3000));
    KillTimer(nullptr, closer);
    EXPECT_EQ(PullDowns, 1);
    EXPECT_EQ(Menu->PopupComponent, S);
    Input::MouseUp(S, mbLeft, 10, 10);
    uitest::Pump(150);
    EXPECT_EQ(Popups, 1);  // once per hold
}

TEST_F(SpeedButton, ReleasingBeforeTheIntervalCancelsTheMenu)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->PullDownInterval = 80;
    Input::MouseDown(S, mbLeft, 10, 10);
    Input::MouseUp(S, mbLeft, 10, 10);
    uitest::Pump(250);
    EXPECT_EQ(PullDowns, 0);
    EXPECT_EQ(Popups, 0);
    // Nor does the menu come when the held mouse leaves the circle first.
    const UINT closer = CloseMenusInTurn();
    Input::MouseMove(S, 10, 10);
    Input::MouseDown(S, mbLeft, 10, 10);
    Input::MouseMove(S, 1, 1, ssLeft);
    EXPECT_FALSE(S->Pressed());
    uitest::Pump(250);
    KillTimer(nullptr, closer);
    EXPECT_EQ(Popups, 0);
    Input::MouseUp(S, mbLeft, 1, 1);
}

// A click needs the release inside the circle while the button shows pressed; presses and releases
// in a corner of the square, or slid there, do not click.
TEST_F(SpeedButton, ClicksOnlyWhenLetGoInsideTheCircle)
{
    int clicks = 0;
    S->OnClick = [&](TObject*) { ++clicks; };
    const int mid = S->Width() / 2;
    ASSERT_FALSE(S->InCircle(1, 1));
    struct TCase {
        const char* Name;
        std::vector<TPoint> Path;  // pressed at the first point, moved along, let go at the last
        int Clicks;
    };
    const std::vector<TCase> cases = {
        {"inside", {{mid, mid}}, 1},
        {"corner", {{1, 1}}, 0},
        {"slid to a corner", {{mid, mid}, {1, 1}}, 0},
        {"out and back", {{mid, mid}, {1, 1}, {mid, mid + 1}}, 1},
        {"from a corner in", {{1, 1}, {mid, mid}}, 1},
        {"let go off the button", {{mid, mid}, {S->Width() + 5, mid}}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        clicks = 0;
        Input::MouseDown(S, mbLeft, c.Path.front().X, c.Path.front().Y);
        for (const TPoint& p : c.Path) Input::MouseMove(S, p.X, p.Y, ssLeft);
        EXPECT_EQ(S->Pressed(), S->InCircle(c.Path.back().X, c.Path.back().Y));
        Input::MouseUp(S, mbLeft, c.Path.back().X, c.Path.back().Y);
        EXPECT_EQ(clicks, c.Clicks);
        EXPECT_FALSE(S->Pressed());
        Input::MouseMove(S, S->Width() + 5, 0);
    }
}

// The hold cut by leaving the circle starts over when the held pointer comes back: the pressed look
// it shows again leads to the menu.
TEST_F(SpeedButton, AHoldThatComesBackIntoTheCircleOpensTheMenu)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->PullDownInterval = 60;
    const int mid = S->Width() / 2;
    Input::MouseMove(S, mid, mid);
    Input::MouseDown(S, mbLeft, mid, mid);
    Input::MouseMove(S, 1, 1, ssLeft);
    EXPECT_EQ(S->PullDownTimer(), nullptr);
    uitest::Pump(150);
    EXPECT_EQ(Popups, 0);
    Input::MouseMove(S, mid, mid, ssLeft);
    EXPECT_TRUE(S->Pressed());
    const UINT closer = CloseMenusInTurn();
    EXPECT_TRUE(uitest::PumpUntil([&] { return Popups == 1; }, 60000));
    KillTimer(nullptr, closer);
    EXPECT_EQ(PullDowns, 1);
    Input::MouseUp(S, mbLeft, mid, mid);
    // Come back with only another button than the hold's down (the hold's own was let go where the
    // button did not hear of it), it shows pressed but does not hold.
    Input::MouseDown(S, mbLeft, mid, mid);
    ASSERT_NE(S->PullDownTimer(), nullptr);
    S->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(S->PullDownTimer(), nullptr);
    S->Perform(WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(mid, mid));
    EXPECT_TRUE(S->Pressed());
    EXPECT_EQ(S->PullDownTimer(), nullptr);
    Input::MouseUp(S, mbLeft, mid, mid);
    // A right press that began on the form, dragged in after all that, is no hold of the button's.
    S->PullDownBtn = mbRight;
    Input::MouseMove(S, 1, 1);
    Input::MouseDown(Form, mbRight, 5, 5);
    Input::MouseMove(S, mid, mid, ssRight);
    EXPECT_TRUE(S->MouseIn());
    EXPECT_EQ(S->PullDownTimer(), nullptr);
    Input::MouseUp(S, mbRight, mid, mid);
    uitest::Pump(150);
    EXPECT_EQ(Popups, 1);
}

TEST_F(SpeedButton, OnlyTheChosenMouseButtonHolds)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->PullDownBtn = mbRight;
    Input::MouseDown(S, mbLeft, 10, 10);
    EXPECT_TRUE(S->Pressed());
    EXPECT_EQ(S->PullDownTimer(), nullptr);
    Input::MouseUp(S, mbLeft, 10, 10);
    S->PullDownInterval = 0;
    const UINT closer = CloseMenusInTurn();
    Input::MouseDown(S, mbRight, 10, 10);
    KillTimer(nullptr, closer);
    // An interval of 0 opens the menu on the press itself.
    EXPECT_EQ(PullDowns, 1);
    EXPECT_EQ(Popups, 1);
    Input::MouseUp(S, mbRight, 10, 10);
}

TEST_F(SpeedButton, WithoutAMenuThereIsNoHold)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->SetPullDownMenu(nullptr);
    EXPECT_FALSE(S->PullDownEnabled);
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    delete Menu;
    Menu = nullptr;
    EXPECT_EQ(S->PullDownMenu(), nullptr);
    EXPECT_FALSE(S->PullDownEnabled);
    // The pull-down event alone still comes when the hold is asked for without a menu.
    S->PullDownEnabled = true;
    S->PullDownInterval = 0;
    Input::MouseDown(S, mbLeft, 10, 10);
    EXPECT_EQ(PullDowns, 1);
    Input::MouseUp(S, mbLeft, 10, 10);
}

TEST_F(SpeedButton, AMenuItemMayFreeTheButtonWhileTheHeldMenuIsShown)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->PullDownInterval = 40;
    Menu->Items()->Items(0)->OnClick = [this](TObject*) { delete std::exchange(S, nullptr); };
    const UINT t = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT, DWORD) {
        Input::PressKey(VK_DOWN);
        Input::PressKey(VK_RETURN);
    });
    Input::MouseDown(S, mbLeft, 10, 10);
    EXPECT_TRUE(uitest::PumpUntil([&] { return S == nullptr; }, 3000));
    KillTimer(nullptr, t);
    uitest::Pump(100);
    Input::MouseUp(Form, mbLeft, 50, 50);
}

TEST_F(SpeedButton, SizedToHoldTheNormalImagesDiagonal)
{
    S->SetNormalImage(Square(16, 12, clRed, clBlack).get());
    EXPECT_EQ(S->Width(), 23);  // sqrt(16^2 + 12^2) = 20, + 3
    EXPECT_EQ(S->Height(), 23);
    S->SetAutoSize(false);
    S->SetNormalImage(Square(40, 30, clRed, clBlack).get());
    EXPECT_EQ(S->Width(), 23);
    S->SetAutoSize(true);
    EXPECT_EQ(S->Width(), 53);
    EXPECT_EQ(S->Height(), 53);
}

TEST_F(SpeedButton, ShowsTheImageOfItsStateWithoutTheTransparentColour)
{
    S->SetTransparentColor(clBlack);
    S->SetNormalImage(Square(16, 16, clRed, clBlack).get());
    S->SetMouseInImage(Square(16, 16, clBlue, clBlack).get());
    S->SetPressedImage(Square(16, 16, clYellow, clBlack).get());
    S->SetDisabledImage(Square(16, 16, clGray, clBlack).get());
    // 16 + 3 + 6 = 25 across: the image at 25/2 - 8 = 4.
    ASSERT_EQ(S->Width(), 25);
    EXPECT_EQ(Pixel(12, 12), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(4, 12), RGB(0, 90, 0));  // the black border is left out
    Input::MouseMove(S, 12, 12);
    EXPECT_TRUE(S->MouseIn());
    EXPECT_EQ(Pixel(12, 12), RGB(0, 0, 255));
    Input::MouseDown(S, mbLeft, 12, 12);
    EXPECT_EQ(Pixel(12, 12), RGB(255, 255, 0));
    Input::MouseUp(S, mbLeft, 12, 12);
    S->SetEnabled(false);
    EXPECT_EQ(Pixel(12, 12), ColorToRGB(clGray));
    // Not see-through: the square behind the image in the button's colour.
    S->SetEnabled(true);
    S->Perform(CM_MOUSELEAVE, 0, 0);
    S->SetTransparent(false);
    S->SetColor(TColor(RGB(0, 0, 128)));
    EXPECT_EQ(Pixel(4, 12), RGB(0, 0, 128));
    EXPECT_EQ(Pixel(2, 2), RGB(0, 0, 128));
    EXPECT_EQ(Pixel(0, 0), RGB(0, 90, 0));
}

TEST_F(SpeedButton, TheEdgeIsRaisedSunkenOrNone)
{
    S->SetAutoSize(false);
    S->SetBounds(40, 40, 40, 40);
    // Upper left on the circle and lower right.
    const int ux = 6, uy = 6, lx = 33, ly = 33;
    auto near = [&](int x, int y, COLORREF c) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (Pixel(x + dx, y + dy) == c) return true;
        return false;
    };
    const COLORREF hi = ColorToRGB(clBtnHighlight), sh = ColorToRGB(clBtnShadow);
    EXPECT_TRUE(near(ux, uy, hi));
    EXPECT_TRUE(near(lx, ly, sh));
    EXPECT_FALSE(near(ux, uy, sh));
    S->SetDrawEdge(true);
    Input::MouseDown(S, mbLeft, 20, 20);
    EXPECT_TRUE(near(ux, uy, sh));
    EXPECT_TRUE(near(lx, ly, hi));
    Input::MouseUp(S, mbLeft, 20, 20);
    S->SetFlat(true);
    S->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(near(ux, uy, hi));
    EXPECT_FALSE(near(lx, ly, sh));
    Input::MouseMove(S, 20, 20);
    EXPECT_TRUE(near(ux, uy, hi));
    S->SetDrawEdge(false);
    EXPECT_FALSE(near(ux, uy, hi));
    // Pressed without DrawEdge: no edge at all.
    S->SetFlat(false);
    Input::MouseDown(S, mbLeft, 20, 20);
    EXPECT_FALSE(near(ux, uy, hi));
    EXPECT_FALSE(near(ux, uy, sh));
    Input::MouseUp(S, mbLeft, 20, 20);
}

TEST_F(SpeedButton, LeavingClearsTheHotAndPressedLooks)
{
    Input::MouseDown(S, mbLeft, 10, 10);
    Input::MouseMove(S, 10, 10, ssLeft);
    EXPECT_TRUE(S->Pressed());
    S->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(S->Pressed());
    EXPECT_FALSE(S->MouseIn());
    // Coming back into the circle with a button held presses it again.
    TMessage m{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10), 0};
    S->Perform(m.Msg, m.WParam, m.LParam);
    EXPECT_TRUE(S->MouseIn());
    EXPECT_TRUE(S->Pressed());
    EXPECT_EQ(S->Perform(WM_ERASEBKGND, 0, 0), 1);
    Input::MouseUp(S, mbLeft, 10, 10);
}

// Records where it was asked to open instead of opening.
class TRecordingMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    std::vector<TPoint> At;
    void Popup(int X, int Y) override { At.push_back(TPoint{X, Y}); }
};

TEST_F(SpeedButton, TheMenuOpensBelowAtTheSideItIsAlignedTo)
{
    auto* menu = new TRecordingMenu(Form);
    menu->Items()->Add(new TMenuItem(menu));
    S->SetPullDownMenu(menu);
    S->PullDownEnabled = true;
    S->PullDownInterval = 0;
    const TPoint origin = S->ClientToScreen(TPoint{0, 0});
    for (auto [align, x] : {std::pair{paLeft, 0}, {paRight, 20}, {paCenter, 10}}) {
        menu->Alignment = align;
        Input::MouseDown(S, mbLeft, 10, 10);
        Input::MouseUp(S, mbLeft, 10, 10);
        ASSERT_FALSE(menu->At.empty());
        EXPECT_EQ(menu->At.back(), (TPoint{origin.X + x, origin.Y + 21})) << int(align);
    }
    EXPECT_EQ(menu->At.size(), 3u);
    EXPECT_EQ(menu->PopupComponent, S);
}

TEST_F(SpeedButton, AReleaseWhileTheHeldMenuIsShownDoesNotBringItBack)
{
    S->SetPullDownMenu(Menu);
    S->PullDownEnabled = true;
    S->PullDownInterval = 50;
    static TExSpeedButton* held;
    static bool up;
    held = S;
    up = false;
    Menu->OnPopup = [this](TObject*) {
        ++Popups;
        up = true;
    };
    // While the menu is up: the mouse comes up on the button, then the menu is closed.
    const UINT t = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT, DWORD) {
        if (!up) return;
        up = false;
        Input::MouseUp(held, mbLeft, 10, 10);
        Input::PressKey(VK_ESCAPE);
    });
    Input::MouseDown(S, mbLeft, 10, 10);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Popups == 1; }, 3000));
    uitest::Pump(300);
    KillTimer(nullptr, t);
    EXPECT_EQ(Popups, 1);
    EXPECT_FALSE(S->Pressed());
}

TEST_F(SpeedButton, AnOddImageSitsOnePixelLeftAndUpAndSettersRepaintAtOnce)
{
    S->SetTransparentColor(clBlack);
    S->SetNormalImage(Square(15, 15, clRed, clBlack).get());
    ASSERT_EQ(S->Width(), 24);  // sqrt(2 * 15^2) = 21.2, + 3
    // 24 / 2 - 15 / 2 - 1 = 4: the image's border at 4, its inside from 5 to 17.
    EXPECT_EQ(Pixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(17, 17), RGB(255, 0, 0));
    EXPECT_NE(Pixel(18, 12), RGB(255, 0, 0));
    EXPECT_NE(Pixel(12, 18), RGB(255, 0, 0));
    // Each setter shows its change without another request.
    auto now = [&](int x, int y) {
        uitest::Pump();
        HDC dc = GetDC(Form->Handle());
        const COLORREF p = GetPixel(dc, S->Left() + x, S->Top() + y);
        ReleaseDC(Form->Handle(), dc);
        return p;
    };
    S->SetTransparent(false);
    EXPECT_EQ(now(3, 12), ColorToRGB(clBtnFace));
    S->SetFlat(true);
    const COLORREF flatEdge = now(0, 12);
    S->SetFlat(false);
    EXPECT_NE(now(0, 12), flatEdge);
    S->SetFlat(true);
    S->SetDrawEdge(true);
    Input::MouseMove(S, 12, 12);
    EXPECT_NE(now(0, 12), flatEdge);
    S->SetDrawEdge(false);
    EXPECT_EQ(now(0, 12), flatEdge);
}

}  // namespace

// Where a press of the popup button begins and ends: every way of clicking it from the keyboard or
// from code moves a group's down button as a mouse click does, a press ends without a click when
// the button loses the focus, a key release clicks only the button the key pressed, and a switch let
// go away from the button stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/Expopbtn.h"
#include "controls/Exsoundmapbase.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

struct PopupPress : ::testing::Test {
    TForm* Form = nullptr;
    std::vector<TExPopupButton*> Buttons;
    std::vector<int> Clicks;

    PopupPress()
    {
        Application->Initialize();
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 420, 120);
        Form->Show();
        for (const char* caption : {"&Alpha", "&Bravo", "&Charlie"}) {
            auto* b = new TExPopupButton(Form);
            b->SetParent(Form);
            b->SetBounds(10 + 100 * int(Buttons.size()), 10, 75, 25);
            b->SetCaption(caption);
            b->SetUseXPThemes(false);
            const size_t i = Buttons.size();
            b->OnClick = [this, i](TObject*) { ++Clicks[i]; };
            Buttons.push_back(b);
            Clicks.push_back(0);
        }
        uitest::Pump();
    }
    ~PopupPress() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    TExPopupButton* A() { return Buttons[0]; }
    TExPopupButton* B() { return Buttons[1]; }
    TExPopupButton* C() { return Buttons[2]; }
    void Focus(TExPopupButton* b)
    {
        b->SetFocus();
        uitest::Pump();
        ASSERT_TRUE(b->Focused());
    }
};

// Every way of clicking the focused button B, as a user or a program would.
struct TWay {
    const char* Name;
    std::function<void(PopupPress&)> Click;
};

const std::vector<TWay>& Ways()
{
    static const std::vector<TWay> ways{
        {"space", [](PopupPress&) { Input::PressKey(VK_SPACE); }},
        {"enter", [](PopupPress&) { Input::PressKey(VK_RETURN); }},
        {"accelerator", [](PopupPress&) { Input::PressKey('B', ssAlt); }},
        {"mouse", [](PopupPress& t) { Input::Click(t.B(), 20, 12); }},
        {"Click()", [](PopupPress& t) { t.B()->Click(); }},
    };
    return ways;
}

TEST_F(PopupPress, EveryWayOfClickingMovesTheGroupsDownButton)
{
    for (const TWay& way : Ways()) {
        SCOPED_TRACE(way.Name);
        for (TExPopupButton* b : Buttons) {
            b->SetGroupIndex(0);
            b->SetIsSwitch(false);
            b->SetAllowAllUp(false);
        }
        for (TExPopupButton* b : Buttons) b->SetGroupIndex(1);
        A()->SetDown(true);
        Focus(B());
        Clicks.assign(3, 0);
        way.Click(*this);
        uitest::Pump();
        EXPECT_FALSE(A()->Down());
        EXPECT_EQ(A()->State(), ebsUp);
        EXPECT_TRUE(B()->Down());
        EXPECT_EQ(B()->State(), ebsExclusive);
        EXPECT_EQ(Clicks, (std::vector<int>{0, 1, 0}));
        // Clicked again, the down button of a group that may not be all up stays down and looks it.
        way.Click(*this);
        uitest::Pump();
        EXPECT_TRUE(B()->Down());
        EXPECT_EQ(B()->State(), ebsExclusive);
        EXPECT_FALSE(A()->Down());
        EXPECT_EQ(Clicks[1], 2);
    }
}

TEST_F(PopupPress, SwitchesOfOneGroupAreNeverDownTogether)
{
    for (const TWay& way : Ways()) {
        SCOPED_TRACE(way.Name);
        for (TExPopupButton* b : Buttons) {
            b->SetGroupIndex(0);
            b->SetIsSwitch(true);
            b->SetDown(false);
        }
        for (TExPopupButton* b : Buttons) b->SetGroupIndex(7);
        A()->SetDown(true);
        Focus(B());
        way.Click(*this);
        uitest::Pump();
        EXPECT_FALSE(A()->Down());
        EXPECT_TRUE(B()->Down());
        EXPECT_FALSE(C()->Down());
        // A switch of a group comes up again on its own click.
        way.Click(*this);
        uitest::Pump();
        EXPECT_FALSE(B()->Down());
        EXPECT_EQ(B()->State(), ebsUp);
    }
}

TEST_F(PopupPress, ASwitchWithoutAGroupTogglesOnEveryWay)
{
    for (const TWay& way : Ways()) {
        SCOPED_TRACE(way.Name);
        B()->SetIsSwitch(true);
        B()->SetDown(false);
        Focus(B());
        way.Click(*this);
        uitest::Pump();
        EXPECT_TRUE(B()->Down());
        EXPECT_EQ(B()->State(), ebsDown);
        way.Click(*this);
        uitest::Pump();
        EXPECT_FALSE(B()->Down());
        EXPECT_EQ(B()->State(), ebsUp);
    }
}

TEST_F(PopupPress, ASpaceReleaseClicksOnlyTheButtonItPressed)
{
    Focus(A());
    Input::KeyDown(VK_SPACE);
    ASSERT_EQ(A()->State(), ebsDown);
    // Tab while the space bar is held: the press ends, and the release finds a button it never pressed.
    Input::PressKey(VK_TAB);
    uitest::Pump();
    ASSERT_TRUE(B()->Focused());
    EXPECT_EQ(A()->State(), ebsUp);
    Input::KeyUp(VK_SPACE);
    uitest::Pump();
    EXPECT_EQ(Clicks, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(B()->State(), ebsUp);
    // A focus taken from code ends the press the same way, in a group too.
    for (TExPopupButton* b : Buttons) b->SetGroupIndex(3);
    A()->SetDown(true);
    Focus(B());
    Input::KeyDown(VK_SPACE);
    C()->SetFocus();
    uitest::Pump();
    EXPECT_EQ(B()->State(), ebsUp);
    EXPECT_TRUE(A()->Down());
    Input::KeyUp(VK_SPACE);
    EXPECT_EQ(Clicks, (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(A()->Down());
    EXPECT_EQ(A()->State(), ebsExclusive);
    // Back on the button, a whole press clicks as before.
    Focus(B());
    Input::PressKey(VK_SPACE);
    EXPECT_EQ(Clicks, (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(B()->Down());
    // Enter while the space bar is held clicks once; the space's release then has nothing to click.
    Focus(C());
    Input::KeyDown(VK_SPACE);
    Input::PressKey(VK_RETURN);
    Input::KeyUp(VK_SPACE);
    uitest::Pump();
    EXPECT_EQ(Clicks, (std::vector<int>{0, 1, 1}));
}

TEST_F(PopupPress, AMousePressEndsWhenTheFocusGoesElsewhere)
{
    Input::MouseDown(A(), mbLeft, 20, 12);
    ASSERT_TRUE(A()->Focused());
    ASSERT_EQ(A()->State(), ebsDown);
    Input::PressKey(VK_TAB);
    uitest::Pump();
    EXPECT_FALSE(A()->Tracking());
    EXPECT_EQ(A()->State(), ebsUp);
    Input::MouseUp(A(), mbLeft, 20, 12);
    EXPECT_EQ(Clicks[0], 0);
    EXPECT_EQ(A()->State(), ebsUp);
}

TEST_F(PopupPress, ASwitchLetGoAwayFromTheButtonStaysAsItWas)
{
    B()->SetIsSwitch(true);
    struct TCase {
        bool DownBefore;
        int ReleaseX, ReleaseY;
    };
    for (const TCase& c : {TCase{false, 200, 12}, TCase{true, 200, 12}, TCase{false, 20, 60}, TCase{true, -5, 12}}) {
        SCOPED_TRACE(testing::Message() << c.DownBefore << " " << c.ReleaseX << "," << c.ReleaseY);
        B()->SetDown(c.DownBefore);
        Clicks.assign(3, 0);
        Input::MouseDown(B(), mbLeft, 20, 12);
        Input::MouseMove(B(), c.ReleaseX, c.ReleaseY, ssLeft);
        Input::MouseUp(B(), mbLeft, c.ReleaseX, c.ReleaseY);
        uitest::Pump();
        EXPECT_EQ(B()->Down(), c.DownBefore);
        EXPECT_EQ(B()->State(), c.DownBefore ? ebsDown : ebsUp);
        EXPECT_EQ(Clicks[1], 0);
        // Let go on the button, the same press toggles and clicks.
        Input::Click(B(), 20, 12);
        EXPECT_EQ(B()->Down(), !c.DownBefore);
        EXPECT_EQ(Clicks[1], 1);
    }
}

TEST_F(PopupPress, AClickHandlerMayFreeTheButtonItsKeyClicked)
{
    for (TExPopupButton* b : Buttons) b->SetGroupIndex(2);
    Focus(B());
    B()->OnClick = [this](TObject*) { TObject::Free(std::exchange(Buttons[1], nullptr)); };
    Input::KeyDown(VK_SPACE);
    Input::KeyUp(VK_SPACE);
    EXPECT_EQ(Buttons[1], nullptr);
    uitest::Pump();
    // The button that goes down from the keyboard is freed while the group hears of it: the sound of
    // the one that comes up frees it.
    struct TFreeing : TExCustomSoundMap {
        using TExCustomSoundMap::TExCustomSoundMap;
        std::function<void()> Then;
        void Play(const std::string&) override
        {
            if (Then) std::exchange(Then, nullptr)();
        }
    } sounds(nullptr);
    A()->SetDown(true);
    A()->SetSoundMap(&sounds);
    A()->UpSound = "up";
    sounds.Then = [this] { TObject::Free(std::exchange(Buttons[2], nullptr)); };
    Focus(C());
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(Buttons[2], nullptr);
    EXPECT_FALSE(A()->Down());
    EXPECT_EQ(Clicks[2], 0);
    A()->SetSoundMap(nullptr);
}

// The box of the pure red pixels on the button's screen.
TRect RedBox(TWinControl* c)
{
    uitest::Pump();
    HDC dc = GetDC(c->Handle());
    TRect box{1000, 1000, -1, -1};
    for (int y = 0; y < c->Height(); ++y)
        for (int x = 0; x < c->Width(); ++x)
            if (GetPixel(dc, x, y) == RGB(255, 0, 0)) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    ReleaseDC(c->Handle(), dc);
    return box;
}

TEST_F(PopupPress, AnIconIsPushedWhilePressedAndABitmapGlyphIsNot)
{
    TBitmap colour, mask, strip;
    colour.SetSize(16, 16);
    mask.SetSize(16, 16);
    colour.Canvas()->Brush()->SetColor(clRed);
    colour.Canvas()->FillRect(TRect{0, 0, 16, 16});
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{0, 0, 16, 16});
    ICONINFO info{};
    info.hbmColor = colour.Handle();
    info.hbmMask = mask.Handle();
    TIcon icon;
    icon.SetHandle(CreateIconIndirect(&info));
    // The bitmap's corner colour is its transparent one.
    strip.SetSize(16, 16);
    strip.Canvas()->Brush()->SetColor(clOlive);
    strip.Canvas()->FillRect(TRect{0, 0, 16, 16});
    strip.Canvas()->Brush()->SetColor(clRed);
    strip.Canvas()->FillRect(TRect{1, 1, 15, 15});
    struct TCase {
        const char* Name;
        bool UseIcon;
        int Shift;
    };
    for (const TCase& c : {TCase{"icon", true, 1}, TCase{"glyph bitmap", false, 0}}) {
        SCOPED_TRACE(c.Name);
        auto* b = new TExPopupButton(Form);
        b->SetParent(Form);
        b->SetBounds(10, 50, 75, 25);
        b->SetUseXPThemes(false);
        if (c.UseIcon) {
            b->SetIcon(&icon);
            b->SetUseIcon(true);
        } else {
            b->SetGlyph(&strip);
        }
        const TRect up = RedBox(b);
        ASSERT_GT(up.Width(), 10);
        Input::MouseDown(b, mbLeft, 20, 12);
        ASSERT_EQ(b->State(), ebsDown);
        const TRect pressed = RedBox(b);
        EXPECT_EQ(pressed.Left, up.Left + c.Shift);
        EXPECT_EQ(pressed.Top, up.Top + c.Shift);
        Input::MouseUp(b, mbLeft, 20, 12);
        EXPECT_EQ(RedBox(b).Left, up.Left);
        TObject::Free(b);
    }
}

}  // namespace

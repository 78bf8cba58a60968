// The popup button through the toolkit's own input: clicks, switches, groups, the keyboard and dialog
// keys, the arrow part and its pull-down menu, sounds, handlers that free what raised them, and what
// the painting leaves on screen.
#include "controls/Expopbtn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/Exsoundmapbase.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"
#include "tests/support/X11Session.h"

namespace {

// Records the sounds asked for instead of playing them.
class TRecordingSounds : public TExCustomSoundMap {
public:
    using TExCustomSoundMap::TExCustomSoundMap;
    std::vector<std::string> Played;
    void Play(const std::string& Key) override { Played.push_back(Key); }
};

std::vector<Word> gKeys;
size_t gNext = 0;

// Presses the keys one per tick, over and over until the timer is killed: a key that comes before
// the menu is up is lost, and the next round makes up for it. Every round must therefore mean the
// same whatever came before it (Up from nothing chosen is the last item, Down the first).
UINT PressInTurn(std::vector<Word> keys)
{
    gKeys = std::move(keys);
    gNext = 0;
    return SetTimer(nullptr, 0, 40, [](HWND, UINT, UINT, DWORD) {
        if (!gKeys.empty()) Input::PressKey(gKeys[gNext++ % gKeys.size()]);
    });
}

struct PopupButton : ::testing::Test {
    TForm* Form = nullptr;
    TExPopupButton* B = nullptr;
    TExPopupButton* Other = nullptr;
    int Clicks = 0, OtherClicks = 0, ArrowClicks = 0;

    PopupButton()
    {
        Application->Initialize();
        // Clicks of the test before must not pair with this one's into double clicks.
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 400, 200);
        Form->Show();
        B = Make(10, 10, "&View");
        B->OnClick = [this](TObject* s) {
            EXPECT_EQ(s, B);
            ++Clicks;
        };
        B->OnArrowClick = [this](TObject*) { ++ArrowClicks; };
        Other = Make(100, 10, "Other");
        Other->OnClick = [this](TObject*) { ++OtherClicks; };
        uitest::Pump();
    }
    ~PopupButton() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    TExPopupButton* Make(int x, int y, const std::string& caption)
    {
        auto* b = new TExPopupButton(Form);
        b->SetParent(Form);
        b->SetBounds(x, y, 75, 25);
        b->SetCaption(caption);
        b->SetUseXPThemes(false);
        return b;
    }
    // What the screen shows after the pending paints, without asking for one.
    COLORREF PixelNow(TWinControl* c, int x, int y)
    {
        uitest::Pump();
        HDC dc = GetDC(c->Handle());
        const COLORREF p = GetPixel(dc, x, y);
        ReleaseDC(c->Handle(), dc);
        return p;
    }
    // The frame's pixels: the two outer rings.
    std::vector<COLORREF> Frame(TWinControl* c, bool now)
    {
        if (!now) c->Repaint();
        std::vector<COLORREF> edge;
        for (int x = 0; x < 75; ++x)
            for (int y : {0, 1, 23, 24}) edge.push_back(PixelNow(c, x, y));
        for (int y = 0; y < 25; ++y)
            for (int x : {0, 1, 73, 74}) edge.push_back(PixelNow(c, x, y));
        return edge;
    }
    COLORREF Pixel(TWinControl* c, int x, int y)
    {
        c->Repaint();
        uitest::Pump();
        HDC dc = GetDC(c->Handle());
        const COLORREF p = GetPixel(dc, x, y);
        ReleaseDC(c->Handle(), dc);
        return p;
    }
};

// ---------------------------------------------------------------- clicks, switches, groups

TEST_F(PopupButton, AClickClicksOnceAndSetsTheFormsResult)
{
    B->ModalResult = mrOk;
    Input::MouseDown(B, mbLeft, 20, 12);
    EXPECT_EQ(B->State(), ebsDown);
    EXPECT_TRUE(B->Tracking());
    Input::MouseUp(B, mbLeft, 20, 12);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(B->State(), ebsUp);
    EXPECT_EQ(Form->ModalResult(), mrOk);
    EXPECT_FALSE(B->Down());
    // Released outside: no click.
    Input::MouseDown(B, mbLeft, 20, 12);
    Input::MouseMove(B, 200, 12, ssLeft);
    EXPECT_EQ(B->State(), ebsUp);
    Input::MouseMove(B, 20, 12, ssLeft);
    EXPECT_EQ(B->State(), ebsDown);
    Input::MouseMove(B, 20, 100, ssLeft);
    Input::MouseUp(B, mbLeft, 20, 100);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(PopupButton, ASwitchTogglesButNotFromTheArrowPart)
{
    B->SetIsSwitch(true);
    B->SetUseArrow(true);
    Input::Click(B, 20, 12);
    EXPECT_TRUE(B->Down());
    EXPECT_EQ(B->State(), ebsDown);
    Input::Click(B, 20, 12);
    EXPECT_FALSE(B->Down());
    Input::Click(B, 70, 12);
    EXPECT_FALSE(B->Down());
    EXPECT_EQ(Clicks, 2);
    EXPECT_EQ(ArrowClicks, 2);  // on the press and again on the release inside the arrow part
    // A switch may be put down from code.
    B->SetDown(true);
    EXPECT_TRUE(B->Down());
}

TEST_F(PopupButton, DownFromCodeNeedsAGroupOrASwitch)
{
    B->SetDown(true);
    EXPECT_FALSE(B->Down());
    EXPECT_FALSE(B->GetChecked());
    B->SetChecked(true);
    EXPECT_FALSE(B->Down());
}

TEST_F(PopupButton, OnlyOneButtonOfAGroupIsDown)
{
    B->SetGroupIndex(1);
    Other->SetGroupIndex(1);
    Input::Click(B, 20, 12);
    EXPECT_TRUE(B->Down());
    EXPECT_EQ(B->State(), ebsExclusive);
    Input::Click(Other, 20, 12);
    EXPECT_TRUE(Other->Down());
    EXPECT_FALSE(B->Down());
    EXPECT_EQ(B->State(), ebsUp);
    // Clicking the down button again keeps it down.
    Input::Click(Other, 20, 12);
    EXPECT_TRUE(Other->Down());
    // Unless all may be up; the others learn that from the one that goes down.
    Other->SetAllowAllUp(true);
    Input::Click(B, 20, 12);
    EXPECT_TRUE(B->AllowAllUp());
    Input::Click(B, 20, 12);
    EXPECT_FALSE(B->Down());
    EXPECT_FALSE(Other->Down());
    // Another group is left alone.
    auto* third = Make(200, 10, "Third");
    third->SetGroupIndex(2);
    third->SetDown(true);
    Input::Click(Other, 20, 12);
    EXPECT_TRUE(third->Down());
}

TEST_F(PopupButton, AGroupGoesOnWhenItsDownButtonIsFreed)
{
    B->SetGroupIndex(1);
    Other->SetGroupIndex(1);
    Input::Click(B, 20, 12);
    ASSERT_TRUE(B->Down());
    delete B;
    B = nullptr;
    Input::Click(Other, 20, 12);
    EXPECT_TRUE(Other->Down());
    EXPECT_EQ(OtherClicks, 1);
    // A button freed by its own click handler while it goes down in its group.
    Other->SetAllowAllUp(true);
    Input::Click(Other, 20, 12);
    ASSERT_FALSE(Other->Down());
    Other->OnClick = [this](TObject*) { delete std::exchange(Other, nullptr); };
    Input::Click(Other, 20, 12);
    EXPECT_EQ(Other, nullptr);
    uitest::Pump();
}

TEST_F(PopupButton, AHandlerMayFreeTheButtonOrItsForm)
{
    B->OnClick = [this](TObject*) { delete std::exchange(B, nullptr); };
    Input::Click(B, 20, 12);
    EXPECT_EQ(B, nullptr);
    Other->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
        TObject::Free(std::exchange(Form, nullptr));
    };
    Input::MouseDown(Other, mbLeft, 20, 12);
    EXPECT_EQ(Form, nullptr);
    uitest::Pump();
}

// ---------------------------------------------------------------- keyboard and dialogs

TEST_F(PopupButton, SpaceAndEnterClickTheFocusedButton)
{
    B->SetFocus();
    uitest::Pump();
    Input::KeyDown(VK_SPACE);
    EXPECT_EQ(B->State(), ebsDown);
    EXPECT_EQ(Clicks, 0);
    Input::KeyUp(VK_SPACE);
    EXPECT_EQ(B->State(), ebsUp);
    EXPECT_EQ(Clicks, 1);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(Clicks, 2);
    // Modifiers keep the keys from the button.
    Input::PressKey(VK_RETURN, ssCtrl);
    EXPECT_EQ(Clicks, 2);
    // A switch toggles on the keys.
    B->SetIsSwitch(true);
    Input::PressKey(VK_SPACE);
    EXPECT_TRUE(B->Down());
    Input::PressKey(VK_RETURN);
    EXPECT_FALSE(B->Down());
}

TEST_F(PopupButton, EscapeClicksTheDialogsCancelButtonAndEnterTheFocusedOne)
{
    Other->Cancel = true;
    Other->ModalResult = mrCancel;
    B->SetFocus();
    uitest::Pump();
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(OtherClicks, 1);
    EXPECT_EQ(Clicks, 0);
    EXPECT_EQ(Form->ModalResult(), mrCancel);
    // Enter in a focused button clicks that button, not the default one.
    Other->SetDefault(true);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(OtherClicks, 1);
    // With the focus in an edit, Enter reaches the default button.
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(10, 100, 100, 22);
    edit->SetFocus();
    uitest::Pump();
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(OtherClicks, 2);
    // A disabled cancel button does not react.
    Other->SetEnabled(false);
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(OtherClicks, 2);
}

TEST_F(PopupButton, TheAcceleratorClicksAnEnabledVisibleButton)
{
    EXPECT_EQ(B->Perform(CM_DIALOGCHAR, 'v', 0), 1);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(B->Perform(CM_DIALOGCHAR, 'x', 0), 0);
    EXPECT_EQ(Other->Perform(CM_DIALOGCHAR, 'o', 0), 0);  // no ampersand
    B->SetEnabled(false);
    EXPECT_EQ(B->Perform(CM_DIALOGCHAR, 'V', 0), 0);
    B->SetEnabled(true);
    B->Hide();
    EXPECT_EQ(B->Perform(CM_DIALOGCHAR, 'V', 0), 0);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(CaptionAccelerator("Save && &Quit"), 'Q');
    EXPECT_EQ(CaptionAccelerator("A&&B"), 0);
    EXPECT_EQ(CaptionAccelerator("Trailing&"), 0);
}

TEST_F(PopupButton, AsksForAllKeysAsAButton)
{
    EXPECT_EQ(B->Perform(WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_WANTALLKEYS);
}

// ---------------------------------------------------------------- properties

TEST_F(PopupButton, PropertyRules)
{
    B->SetMargin(-2);
    EXPECT_EQ(B->Margin(), -1);
    B->SetMargin(3);
    EXPECT_EQ(B->Margin(), 3);
    TBitmap odd;
    odd.SetSize(40, 16);
    B->SetGlyph(&odd);
    B->SetNumGlyphs(6);
    EXPECT_EQ(B->NumGlyphs(), 4);
    B->SetFlat(true);
    B->SetOldStyled(true);
    EXPECT_FALSE(B->OldStyled());
    B->SetFlat(false);
    B->SetOldStyled(true);
    EXPECT_TRUE(B->OldStyled());
    B->SetFlat(true);
    EXPECT_FALSE(B->OldStyled());
    B->SetThinFrame(true);
    EXPECT_TRUE(B->ThinFrame());
    TPopupMenu menu(nullptr);
    B->SetPullDownMenu(&menu);
    EXPECT_FALSE(B->DisableAutoPopup);
    B->SetPullDownMenu(nullptr);
    EXPECT_TRUE(B->DisableAutoPopup);
    B->SetCaption("One\r\nTwo");
    EXPECT_TRUE(B->MultiLine());
    B->SetCaption("One");
    EXPECT_FALSE(B->MultiLine());
    EXPECT_THROW(static_cast<TExButtonControl*>(B)->TExButtonControl::GetChecked(), Exception);
}

TEST_F(PopupButton, ShadowsFollowTheColour)
{
    B->SetColor(TColor(RGB(100, 120, 140)));
    const COLORREF hi = ColorToRGB(B->ShadowBtnHighlight());
    const COLORREF sh = ColorToRGB(B->ShadowBtnShadow());
    auto lum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    EXPECT_GT(lum(hi), lum(RGB(100, 120, 140)));
    EXPECT_LT(lum(sh), lum(RGB(100, 120, 140)));
    EXPECT_LT(lum(ColorToRGB(B->ShadowBtnDkShadow())), lum(RGB(100, 120, 140)));
    // Chosen by hand, they stay.
    B->SetShadowsUseCustom(true);
    B->SetShadowBtnHighlight(clRed);
    B->SetColor(clWhite);
    EXPECT_EQ(B->ShadowBtnHighlight(), clRed);
}

// ---------------------------------------------------------------- sounds

TEST_F(PopupButton, SoundsOfPressReleaseClickAndArrow)
{
    auto* sounds = new TRecordingSounds(nullptr);
    B->SetSoundMap(sounds);
    B->DownSound = "Down";
    B->UpSound = "Up";
    B->ClickSound = "Click";
    B->ArrowClickSound = "Arrow";
    Input::Click(B, 20, 12);
    EXPECT_EQ(sounds->Played, (std::vector<std::string>{"Down", "Up", "Click"}));
    sounds->Played.clear();
    B->SetUseArrow(true);
    Input::MouseDown(B, mbLeft, 70, 12);
    EXPECT_EQ(sounds->Played, (std::vector<std::string>{"Down", "Arrow"}));
    Input::MouseUp(B, mbLeft, 70, 12);
    // The sound map goes first: the button forgets it.
    delete sounds;
    EXPECT_EQ(B->SoundMap(), nullptr);
    Input::Click(B, 20, 12);
    EXPECT_GE(Clicks, 2);
}

// ---------------------------------------------------------------- the pull-down menu

struct PullDown : PopupButton {
    TPopupMenu* Menu = nullptr;
    std::vector<std::string> Chosen;
    int Popups = 0;
    PullDown()
    {
        Menu = new TPopupMenu(Form);
        for (const char* caption : {"&First", "&Second"}) {
            auto* item = new TMenuItem(Menu);
            item->SetCaption(caption);
            item->OnClick = [this](TObject* s) { Chosen.push_back(static_cast<TMenuItem*>(s)->Caption()); };
            Menu->Items()->Add(item);
        }
        Menu->OnPopup = [this](TObject*) { ++Popups; };
        B->SetUseArrow(true);
        B->SetPullDownMenu(Menu);
    }
};

TEST_F(PullDown, TheArrowPartOpensTheMenuAndAChoiceRunsOnce)
{
    const UINT t = PressInTurn({VK_UP, VK_RETURN});
    bool shownDuring = false;
    Menu->OnPopup = [&](TObject*) {
        ++Popups;
        shownDuring = B->MenuShown();
        EXPECT_EQ(Menu->PopupComponent, B);
    };
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    EXPECT_TRUE(shownDuring);
    EXPECT_EQ(Popups, 1);
    EXPECT_EQ(ArrowClicks, 1);
    uitest::Pump(50);
    EXPECT_EQ(Chosen, std::vector<std::string>{"&Second"});
    EXPECT_FALSE(B->MenuShown());
    EXPECT_FALSE(B->Tracking());
    EXPECT_EQ(B->State(), ebsUp);
    EXPECT_EQ(Clicks, 0);
    // The body part does not open it.
    Input::Click(B, 20, 12);
    EXPECT_EQ(Popups, 1);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(PullDown, EscapeCancelsTheMenu)
{
    const UINT t = PressInTurn({VK_ESCAPE});
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_TRUE(Chosen.empty());
    EXPECT_FALSE(B->MenuShown());
    EXPECT_EQ(B->State(), ebsUp);
    EXPECT_FALSE(B->MouseInControl());
}

// A press elsewhere on the form while the menu is up closes it with nothing chosen, and the press
// is not taken for a click of the button underneath.
TEST_F(PullDown, AClickElsewhereCancelsTheMenu)
{
    static TExPopupButton* gOther = nullptr;
    gOther = Other;
    const UINT t = SetTimer(nullptr, 0, 40, [](HWND, UINT, UINT, DWORD) { Input::Click(gOther, 10, 10); });
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_EQ(Popups, 1);
    EXPECT_TRUE(Chosen.empty());
    EXPECT_FALSE(B->MenuShown());
    EXPECT_FALSE(B->Tracking());
    EXPECT_EQ(B->State(), ebsUp);
    EXPECT_EQ(Clicks, 0);
}

// The highlighted item's long hint becomes the application's hint while the menu is open, a
// sub-menu's item by its place too, and the hint is emptied when the menu closes.
TEST_F(PullDown, TheHighlightedItemsHintIsTheApplicationsHint)
{
    Menu->Items()->Items(0)->Hint = "First|Takes the first road";
    TMenuItem* more = Menu->Items()->Items(1);
    more->Hint = "Opens more: ünd mehr";
    auto* inner = new TMenuItem(Menu);
    inner->SetCaption("Inner");
    more->Add(inner);
    std::vector<std::string> hints;
    Application->OnHint = [&hints](TObject*) { hints.push_back(Application->Hint()); };
    const UINT t = PressInTurn({VK_DOWN, VK_DOWN, VK_ESCAPE, VK_ESCAPE});
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    uitest::Pump(50);
    Application->OnHint = nullptr;
    ASSERT_GE(hints.size(), 3u);
    EXPECT_EQ(hints[0], "Takes the first road");
    EXPECT_EQ(hints[1], "Opens more: ünd mehr");
    EXPECT_EQ(hints.back(), "");
    EXPECT_EQ(Application->Hint(), "");
    EXPECT_TRUE(Chosen.empty());
}

TEST_F(PullDown, AltDownOpensItAndWithoutArrowTheWholeButtonDoes)
{
    B->SetFocus();
    uitest::Pump();
    UINT t = PressInTurn({VK_DOWN, VK_RETURN});
    Input::PressKey(VK_DOWN, ssAlt);
    KillTimer(nullptr, t);
    uitest::Pump(50);
    EXPECT_EQ(Chosen, std::vector<std::string>{"&First"});
    B->SetUseArrow(false);
    t = PressInTurn({VK_ESCAPE});
    Input::Click(B, 20, 12);
    KillTimer(nullptr, t);
    uitest::Pump(50);
    EXPECT_EQ(Popups, 2);
    EXPECT_EQ(Clicks, 1);
    // DisableAutoPopup keeps it shut.
    B->DisableAutoPopup = true;
    Input::Click(B, 20, 12);
    EXPECT_EQ(Popups, 2);
    EXPECT_EQ(Clicks, 2);
}

TEST_F(PullDown, TheMenuAboveOpensAboveTheButton)
{
    B->PopupPlace = ppTop;
    const UINT t = PressInTurn({VK_ESCAPE});
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_EQ(Popups, 1);
    EXPECT_FALSE(B->MenuShown());
}

TEST_F(PullDown, AMenuFreedWhileShownIsLetGo)
{
    Menu->Items()->Items(0)->OnClick = [this](TObject*) { delete std::exchange(Menu, nullptr); };
    const UINT t = PressInTurn({VK_DOWN, VK_RETURN});
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_EQ(Menu, nullptr);
    EXPECT_EQ(B->PullDownMenu(), nullptr);
    EXPECT_FALSE(B->MenuShown());
    // The menu closed with the mouse over the arrow part: that part's next press only ends the
    // menu's business; then the button works as before, now without a menu.
    EXPECT_TRUE(B->MenuClosedOnArrow());
    Input::Click(B, 70, 12);
    EXPECT_FALSE(B->MenuClosedOnArrow());
    EXPECT_EQ(ArrowClicks, 1);
    Input::Click(B, 70, 12);
    EXPECT_EQ(ArrowClicks, 3);
}

TEST_F(PullDown, APopupHandlerMayFreeTheMenuOrTheButton)
{
    Menu->OnPopup = [this](TObject*) { delete std::exchange(Menu, nullptr); };
    Input::MouseDown(B, mbLeft, 70, 12);
    EXPECT_FALSE(B->MenuShown());
    Input::MouseUp(B, mbLeft, 70, 12);
    EXPECT_EQ(B->PullDownMenu(), nullptr);
    auto* menu = new TPopupMenu(Form);
    menu->Items()->Add(new TMenuItem(menu));
    menu->Items()->Items(0)->SetCaption("x");
    B->SetPullDownMenu(menu);
    menu->OnPopup = [this](TObject*) { delete std::exchange(B, nullptr); };
    Input::MouseDown(B, mbLeft, 70, 12);
    EXPECT_EQ(B, nullptr);
    uitest::Pump();
}

// ---------------------------------------------------------------- painting

TEST_F(PopupButton, TheDefaultFrameIsADarkOuterLine)
{
    B->SetDefault(true);
    B->SetDrawDefaultFrame(true);
    Other->SetFocus();
    uitest::Pump();
    EXPECT_EQ(Pixel(B, 0, 12), ColorToRGB(clBtnShadow));
    EXPECT_EQ(Pixel(B, 74, 12), ColorToRGB(clBtnShadow));
    B->SetOldStyled(true);
    EXPECT_EQ(Pixel(B, 0, 12), ColorToRGB(cl3DDkShadow));
    B->SetDrawDefaultFrame(false);
    EXPECT_NE(Pixel(B, 0, 12), ColorToRGB(cl3DDkShadow));
}

TEST_F(PopupButton, AFlatButtonShowsAFrameOnlyWhenHotPressedOrFocused)
{
    B->SetFlat(true);
    B->SetColor(TColor(RGB(200, 200, 200)));
    Other->SetFocus();
    uitest::Pump();
    for (int x : {0, 1, 74, 73}) EXPECT_EQ(Pixel(B, x, 12), RGB(200, 200, 200)) << x;
    B->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(B->MouseInControl());
    EXPECT_NE(Pixel(B, 0, 12), RGB(200, 200, 200));
    B->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Pixel(B, 0, 12), RGB(200, 200, 200));
    // Not flat: a frame all the time.
    B->SetFlat(false);
    EXPECT_NE(Pixel(B, 0, 12), RGB(200, 200, 200));
}

TEST_F(PopupButton, ADisabledButtonPaintsDisabled)
{
    B->SetEnabled(false);
    Pixel(B, 0, 0);
    EXPECT_EQ(B->State(), ebsDisabled);
    B->SetEnabled(true);
    Pixel(B, 0, 0);
    EXPECT_EQ(B->State(), ebsUp);
    B->SetGroupIndex(3);
    B->SetDown(true);
    B->SetEnabled(false);
    Pixel(B, 0, 0);
    B->SetEnabled(true);
    Pixel(B, 0, 0);
    EXPECT_EQ(B->State(), ebsExclusive);
}

TEST_F(PopupButton, APressedImageListPictureShiftsAndABitmapDoesNot)
{
    // A red square on olive, as an image list picture and as a glyph bitmap.
    TBitmap pic;
    pic.SetSize(16, 16);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(TRect{0, 0, 16, 16});
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->FillRect(TRect{4, 4, 12, 12});
    TImageList list(Form);
    list.SetWidth(16);
    list.SetHeight(16);
    list.AddMasked(&pic, clOlive);
    B->SetCaption("");
    B->SetImages(&list);
    B->SetImageIndex(0);
    EXPECT_TRUE(B->UseImageList());
    B->SetGroupIndex(1);
    B->SetAllowAllUp(true);
    const int x0 = (75 - 4 - 16) / 2 + 2, y0 = (25 - 4 - 16) / 2 + 2;
    EXPECT_EQ(Pixel(B, x0 + 4, y0 + 4), RGB(255, 0, 0));
    EXPECT_NE(Pixel(B, x0 + 12, y0 + 12), RGB(255, 0, 0));
    B->SetDown(true);
    EXPECT_EQ(B->State(), ebsExclusive);
    EXPECT_EQ(Pixel(B, x0 + 12, y0 + 12), RGB(255, 0, 0));
    EXPECT_NE(Pixel(B, x0 + 4, y0 + 4), RGB(255, 0, 0));

    // The same picture as a glyph bitmap of one strip does not move when a switch is down.
    B->SetImages(nullptr);
    EXPECT_FALSE(B->UseImageList());
    B->SetDown(false);
    B->SetGroupIndex(0);
    B->SetIsSwitch(true);
    B->SetGlyph(&pic);
    B->SetDown(true);
    EXPECT_EQ(B->State(), ebsDown);
    EXPECT_EQ(Pixel(B, x0 + 4, y0 + 4), RGB(255, 0, 0));
    EXPECT_NE(Pixel(B, x0 + 12, y0 + 12), RGB(255, 0, 0));
}

class TCountingButton : public TExPopupButton {
public:
    using TExPopupButton::TExPopupButton;
    int Paints = 0;

protected:
    void Paint() override
    {
        ++Paints;
        TExPopupButton::Paint();
    }
};

TEST_F(PopupButton, ARepaintNoticeRepaintsASeeThroughButtonWhereItOverlaps)
{
    auto* c = new TCountingButton(Form);
    c->SetParent(Form);
    c->SetBounds(10, 60, 75, 25);
    c->SetUseXPThemes(false);
    c->SetTransparent(true);
    uitest::Pump();
    const int before = c->Paints;
    TRect far{300, 100, 320, 120};
    TRect over{0, 50, 50, 70};
    c->Perform(ParentControlRepaintedMessage, 0, reinterpret_cast<LPARAM>(&far));
    EXPECT_EQ(c->Paints, before);
    // Its own notice is ignored.
    c->Perform(ParentControlRepaintedMessage, reinterpret_cast<WPARAM>(static_cast<TControl*>(c)),
               reinterpret_cast<LPARAM>(&over));
    EXPECT_EQ(c->Paints, before);
    c->Perform(ParentControlRepaintedMessage, 0, reinterpret_cast<LPARAM>(&over));
    EXPECT_EQ(c->Paints, before + 1);
    // An opaque button takes no notice.
    c->SetTransparent(false);
    uitest::Pump();
    const int opaque = c->Paints;
    c->Perform(ParentControlRepaintedMessage, 0, reinterpret_cast<LPARAM>(&over));
    EXPECT_EQ(c->Paints, opaque);
}

TEST_F(PopupButton, AThemedSplitButtonsArrowPointsDown)
{
    if (!ThemesAvailable) GTEST_SKIP() << "no visual styles";
    B->SetUseXPThemes(true);
    B->SetUseArrow(true);
    Other->SetFocus();
    uitest::Pump();
    ASSERT_TRUE(B->IsThemeApplied());
    const int aw = B->GetArrowSize();
    ASSERT_GT(aw, 0);
    // The arrow part is the scroll bar's down arrow in its normal state, as the theme draws it alone.
    TBitmap expected;
    expected.SetSize(aw, 25);
    const TRect part{0, 0, aw, 25};
    ASSERT_EQ(DrawThemeBackgroundTo(u"SCROLLBAR", expected.Canvas()->Handle(), 1, 5, part, nullptr), S_OK);
    B->Repaint();
    uitest::Pump();
    HDC dc = GetDC(B->Handle());
    // Inside its edge, where what lies under the part does not show through.
    int differ = 0;
    for (int y = 3; y < 22; ++y)
        for (int x = 3; x < aw - 3; ++x)
            differ += GetPixel(dc, 75 - aw + x, y) != ColorToRGB(expected.Canvas()->Pixels(x, y));
    ReleaseDC(B->Handle(), dc);
    EXPECT_EQ(differ, 0);
    // Disabled, the disabled down arrow.
    B->SetEnabled(false);
    expected.Canvas()->Brush()->SetColor(clWhite);
    expected.Canvas()->FillRect(part);
    DrawThemeBackgroundTo(u"SCROLLBAR", expected.Canvas()->Handle(), 1, 8, part, nullptr);
    EXPECT_EQ(Pixel(B, 75 - aw / 2, 12), ColorToRGB(expected.Canvas()->Pixels(aw / 2, 12)));
}

TEST_F(PopupButton, HotFocusedAndPressedFramesDiffer)
{
    Other->SetFocus();
    uitest::Pump();
    const auto idle = Frame(B, false);
    Input::MouseMove(B, 20, 12);
    B->Perform(CM_MOUSEENTER, 0, 0);
    const auto hot = Frame(B, true);
    EXPECT_NE(hot, idle);
    B->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Frame(B, true), idle);
    // A thin frame looks otherwise when hot.
    B->SetThinFrame(true);
    B->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_NE(Frame(B, false), hot);
    B->Perform(CM_MOUSELEAVE, 0, 0);
    B->SetThinFrame(false);
    // A switch that is up looks like a plain button; down, pressed.
    B->SetIsSwitch(true);
    EXPECT_EQ(Frame(B, false), idle);
    B->SetDown(true);
    EXPECT_NE(Frame(B, true), idle);
    // The focus rectangle comes with the focus, painted at once.
    B->SetDown(false);
    B->SetIsSwitch(false);
    const COLORREF inside = Pixel(B, 20, 4);
    B->SetFocus();
    uitest::Pump();
    int changed = 0;
    for (int x = 4; x < 71; ++x) changed += PixelNow(B, x, 4) != inside;
    EXPECT_GT(changed, 20);
}

TEST_F(PopupButton, ThePressedArrowPartLooksPressed)
{
    B->SetUseArrow(true);
    B->SetCaption("");
    auto arrowPart = [&](bool now) {
        if (!now) B->Repaint();
        std::vector<COLORREF> px;
        for (int y = 0; y < 25; ++y)
            for (int x = 62; x < 75; ++x) px.push_back(PixelNow(B, x, y));
        return px;
    };
    const auto up = arrowPart(false);
    Input::MouseDown(B, mbLeft, 70, 12);
    EXPECT_EQ(B->State(), ebsArrDown);
    EXPECT_NE(arrowPart(true), up);
    Input::MouseUp(B, mbLeft, 70, 12);
    EXPECT_EQ(arrowPart(true), up);
}

TEST_F(PopupButton, APictureIsCentredBesideTheArrowPart)
{
    TBitmap pic;
    pic.SetSize(16, 16);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(TRect{0, 0, 16, 16});
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->FillRect(TRect{1, 1, 15, 15});
    B->SetCaption("");
    B->SetGlyph(&pic);
    B->SetUseArrow(true);
    const int x = 2 + (75 - 4 - 13 - 16) / 2;
    EXPECT_EQ(Pixel(B, x + 1, 12), RGB(255, 0, 0));
    EXPECT_NE(Pixel(B, x, 12), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(B, x + 14, 12), RGB(255, 0, 0));
    EXPECT_NE(Pixel(B, x + 15, 12), RGB(255, 0, 0));
}

TEST_F(PopupButton, ACaptionWiderThanTheButtonKeepsPictureAndFirstLettersInside)
{
    TBitmap pic;
    pic.SetSize(16, 16);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(TRect{0, 0, 16, 16});
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->FillRect(TRect{1, 1, 15, 15});
    const std::string caption = "Receive the weather report";
    B->SetGlyph(&pic);
    B->SetCaption(caption);
    ASSERT_EQ(B->Margin(), -1);
    B->Repaint();
    uitest::Pump();
    // Columns of the button and of the caption drawn alone: where red and where dark text pixels are.
    const auto dark = [](COLORREF p) { return GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 96; };
    HDC dc = GetDC(B->Handle());
    int redLeft = 1000, redRight = -1;
    std::vector<int> ink(75, 0);
    for (int x = 0; x < 75; ++x)
        for (int y = 3; y < 22; ++y) {
            const COLORREF p = GetPixel(dc, x, y);
            if (p == RGB(255, 0, 0)) {
                redLeft = std::min(redLeft, x);
                redRight = std::max(redRight, x);
            } else if (dark(p)) {
                ++ink[size_t(x)];
            }
        }
    ReleaseDC(B->Handle(), dc);
    TBitmap alone;
    alone.SetSize(400, 25);
    alone.Canvas()->SetFont(B->Font());
    alone.Canvas()->Brush()->SetColor(clBtnFace);
    alone.Canvas()->FillRect(TRect{0, 0, 400, 25});
    alone.Canvas()->Font()->SetColor(clBtnText);
    alone.Canvas()->TextOut(0, 2, caption);
    std::vector<int> aloneInk(400, 0);
    for (int x = 0; x < 400; ++x)
        for (int y = 0; y < 25; ++y) aloneInk[size_t(x)] += dark(ColorToRGB(alone.Canvas()->Pixels(x, y)));

    EXPECT_GE(redLeft, 2) << "the picture stays inside the frame";
    EXPECT_EQ(redRight - redLeft, 13);
    const auto firstInk = [](const std::vector<int>& v) {
        return int(std::find_if(v.begin(), v.end(), [](int n) { return n > 0; }) - v.begin());
    };
    const int start = firstInk(ink), aloneStart = firstInk(aloneInk);
    EXPECT_GT(start, redRight) << "the caption follows the picture";
    ASSERT_LT(start + 12, 75);
    // Its first letters are the caption's own.
    for (int i = 0; i < 12; ++i) EXPECT_EQ(ink[size_t(start + i)], aloneInk[size_t(aloneStart + i)]) << i;
    // It runs to the button's end and no further.
    int last = 74;
    while (last > 0 && ink[size_t(last)] == 0) --last;
    EXPECT_GT(last, 60);
    EXPECT_LT(last, 73);
}

TEST_F(PopupButton, AnIconShowsOnlyWhileUseIconAndGivesWayToAnImageList)
{
    TIcon icon;
    {
        TBitmap colour, mask;
        colour.SetSize(16, 16);
        mask.SetSize(16, 16);
        colour.Canvas()->Brush()->SetColor(clBlue);
        colour.Canvas()->FillRect(TRect{0, 0, 16, 16});
        mask.Canvas()->Brush()->SetColor(clBlack);
        mask.Canvas()->FillRect(TRect{0, 0, 16, 16});
        ICONINFO info{};
        info.hbmColor = colour.Handle();
        info.hbmMask = mask.Handle();
        icon.SetHandle(CreateIconIndirect(&info));
    }
    B->SetCaption("");
    B->SetIcon(&icon);
    const int x = (75 - 16) / 2 + 8, y = 12;
    EXPECT_NE(Pixel(B, x, y), RGB(0, 0, 255)) << "an icon alone is not shown";
    B->SetUseIcon(true);
    EXPECT_TRUE(B->UseIcon());
    EXPECT_EQ(PixelNow(B, x, y), RGB(0, 0, 255)) << "UseIcon repaints";
    B->SetEnabled(false);
    EXPECT_EQ(Pixel(B, x, y), RGB(0, 0, 255)) << "icons look the same disabled";
    B->SetEnabled(true);
    TImageList list(nullptr);
    list.SetWidth(16);
    list.SetHeight(16);
    TBitmap green;
    green.SetSize(16, 16);
    green.Canvas()->Brush()->SetColor(clLime);
    green.Canvas()->FillRect(TRect{0, 0, 16, 16});
    list.Add(&green, nullptr);
    B->SetImages(&list);
    B->SetImageIndex(0);
    EXPECT_EQ(Pixel(B, x, y), RGB(0, 255, 0)) << "an image list in use goes before the icon";
    B->SetImages(nullptr);
}

TEST_F(PopupButton, ImageListChangesShowAtOnce)
{
    auto square = [](TColor c) {
        auto b = std::make_unique<TBitmap>();
        b->SetSize(16, 16);
        b->Canvas()->Brush()->SetColor(clOlive);
        b->Canvas()->FillRect(TRect{0, 0, 16, 16});
        b->Canvas()->Brush()->SetColor(c);
        b->Canvas()->FillRect(TRect{2, 2, 14, 14});
        return b;
    };
    TImageList list(Form), down(Form);
    for (TImageList* l : {&list, &down}) {
        l->SetWidth(16);
        l->SetHeight(16);
    }
    list.AddMasked(square(clRed).get(), clOlive);
    list.AddMasked(square(clBlue).get(), clOlive);
    down.AddMasked(square(clLime).get(), clOlive);
    B->SetCaption("");
    B->SetImages(&list);
    B->SetImageIndex(0);
    const int cx = 2 + (75 - 4 - 16) / 2 + 8, cy = 2 + (25 - 4 - 16) / 2 + 8;
    EXPECT_EQ(Pixel(B, cx, cy), RGB(255, 0, 0));
    B->SetImageIndex(1);
    EXPECT_EQ(PixelNow(B, cx, cy), RGB(0, 0, 255));
    list.ReplaceMasked(1, square(clYellow).get(), clOlive);
    EXPECT_EQ(PixelNow(B, cx, cy), RGB(255, 255, 0));
    // Pressed: the down list, changed while shown; no shift with a list of its own.
    B->SetImageIndex(0);
    B->SetDownImages(&down);
    B->SetIsSwitch(true);
    B->SetDown(true);
    EXPECT_EQ(PixelNow(B, cx, cy), RGB(0, 255, 0));
    EXPECT_EQ(PixelNow(B, cx - 6, cy - 6), RGB(0, 255, 0));
    EXPECT_NE(PixelNow(B, cx + 6, cy + 6), RGB(0, 255, 0));
    down.ReplaceMasked(0, square(clFuchsia).get(), clOlive);
    EXPECT_EQ(PixelNow(B, cx, cy), RGB(255, 0, 255));
    // With the main list as the down list the picture moves one pixel.
    B->SetDownImages(&list);
    EXPECT_NE(Pixel(B, cx - 6, cy - 6), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(B, cx + 6, cy + 6), RGB(255, 0, 0));
}

TEST_F(PopupButton, SettersKeepTheirValues)
{
    B->SetSpacing(9);
    EXPECT_EQ(B->Spacing(), 9);
    B->SetSpacing(-1);
    EXPECT_EQ(B->Spacing(), -1);
    TBitmap bg;
    bg.SetSize(4, 4);
    B->SetBackground(&bg);
    B->SetBackgroundDrawBorder(true);
    EXPECT_TRUE(B->BackgroundDrawBorder());
    B->SetBackgroundDrawBorder(false);
    EXPECT_FALSE(B->BackgroundDrawBorder());
    B->SetLayout(blGlyphTop);
    EXPECT_EQ(B->Layout(), blGlyphTop);
    B->SetShowGlyph(false);
    B->SetShowText(false);
    B->SetAdjustSpaceForGlyph(false);
    B->SetShowBorder(false);
    B->SetShowFocus(false);
    B->SetShadowFollowsColor(false);
    EXPECT_FALSE(B->ShowGlyph() || B->ShowText() || B->AdjustSpaceForGlyph() || B->ShowBorder() || B->ShowFocus() ||
                 B->ShadowFollowsColor());
    B->SetDrawDefaultFrame(true);
    EXPECT_TRUE(B->DrawDefaultFrame());
}

TEST_F(PopupButton, AGroupsDownButtonReadFromAFormIsAppliedWhenLoaded)
{
    B->SetGroupIndex(5);
    Other->SetGroupIndex(5);
    Other->SetDown(true);
    B->SetState(csLoading, true);
    B->SetDown(true);
    EXPECT_TRUE(B->Down());
    EXPECT_TRUE(Other->Down());
    B->Loaded();
    EXPECT_TRUE(B->Down());
    EXPECT_EQ(B->State(), ebsExclusive);
    EXPECT_FALSE(Other->Down());
    // A plain button cannot stay down, loaded or not.
    Other->SetGroupIndex(0);
    Other->SetState(csLoading, true);
    Other->SetDown(true);
    Other->Loaded();
    EXPECT_FALSE(Other->Down());
}

TEST_F(PopupButton, TheTopRowIsInside)
{
    Input::MouseDown(B, mbLeft, 20, 12);
    Input::MouseMove(B, 20, -1, ssLeft);
    EXPECT_EQ(B->State(), ebsUp);
    Input::MouseMove(B, 20, 0, ssLeft);
    EXPECT_EQ(B->State(), ebsDown);
    Input::MouseUp(B, mbLeft, 20, 0);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(PopupButton, SwitchKeysPlayTheirSounds)
{
    struct TRecording : TExCustomSoundMap {
        using TExCustomSoundMap::TExCustomSoundMap;
        std::vector<std::string> Played;
        void Play(const std::string& Key) override { Played.push_back(Key); }
    } sounds(nullptr);
    B->SetSoundMap(&sounds);
    B->DownSound = "D";
    B->UpSound = "U";
    B->SetIsSwitch(true);
    B->SetFocus();
    uitest::Pump();
    Input::PressKey(VK_RETURN);
    EXPECT_TRUE(B->Down());
    Input::PressKey(VK_RETURN);
    EXPECT_FALSE(B->Down());
    // The click sound has no name here; only the named ones count.
    auto named = [&] {
        std::vector<std::string> v;
        for (const auto& p : sounds.Played)
            if (!p.empty()) v.push_back(p);
        sounds.Played.clear();
        return v;
    };
    EXPECT_EQ(named(), std::vector<std::string>{"U"});
    // Space: down on the press (once), up when the switch comes up.
    Input::PressKey(VK_SPACE);
    Input::PressKey(VK_SPACE);
    EXPECT_EQ(named(), (std::vector<std::string>{"D", "U"}));
    B->SetSoundMap(nullptr);
}

TEST_F(PopupButton, DisabledListsImageFormAndSetDownSounds)
{
    auto square = [](TColor c) {
        auto b = std::make_unique<TBitmap>();
        b->SetSize(16, 16);
        b->Canvas()->Brush()->SetColor(clOlive);
        b->Canvas()->FillRect(TRect{0, 0, 16, 16});
        b->Canvas()->Brush()->SetColor(c);
        b->Canvas()->FillRect(TRect{2, 2, 14, 14});
        return b;
    };
    TImageList list(Form), disabled(Form);
    for (TImageList* l : {&list, &disabled}) {
        l->SetWidth(16);
        l->SetHeight(16);
    }
    list.AddMasked(square(clRed).get(), clOlive);
    disabled.AddMasked(square(clLime).get(), clOlive);
    B->SetCaption("");
    B->SetImages(&list);
    B->SetImageIndex(0);
    B->SetDisabledImages(&disabled);
    B->SetEnabled(false);
    const int cx = 2 + (75 - 4 - 16) / 2 + 8, cy = 2 + (25 - 4 - 16) / 2 + 8;
    // The disabled list's picture as it is, not embossed.
    EXPECT_EQ(Pixel(B, cx, cy), RGB(0, 255, 0));
    B->SetEnabled(true);
    B->SetImages(nullptr);

    // The image form's picture under the face.
    TExImageForm imageForm(Form);
    TBitmap tile;
    tile.SetSize(8, 8);
    tile.Canvas()->Brush()->SetColor(TColor(RGB(10, 20, 200)));
    tile.Canvas()->FillRect(TRect{0, 0, 8, 8});
    imageForm.SetBkImage(&tile);
    imageForm.SetBackgroundType(bgtTileBitmap);
    imageForm.SetControl(Form);
    B->SetImageForm(&imageForm);
    EXPECT_EQ(Pixel(B, cx, cy), RGB(10, 20, 200));
    B->SetImageForm(nullptr);

    struct TRecording : TExCustomSoundMap {
        using TExCustomSoundMap::TExCustomSoundMap;
        std::vector<std::string> Played;
        void Play(const std::string& Key) override { Played.push_back(Key); }
    } sounds(nullptr);
    B->SetSoundMap(&sounds);
    B->DownSound = "D";
    B->UpSound = "U";
    B->SetIsSwitch(true);
    B->SetDown(true);
    B->SetDown(false);
    EXPECT_EQ(sounds.Played, (std::vector<std::string>{"D", "U"}));
    B->SetSoundMap(nullptr);
}

TEST_F(PullDown, TheMenuIsSetToPopUpFromTheButton)
{
    Menu->AutoPopup = false;
    Menu->PopupComponent = nullptr;
    const UINT t = PressInTurn({VK_ESCAPE});
    Input::MouseDown(B, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(B, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_TRUE(Menu->AutoPopup);
    EXPECT_EQ(Menu->PopupComponent, B);
}

TEST_F(PopupButton, AThemedArrowPartLooksPressedWhilePressed)
{
    if (!ThemesAvailable) GTEST_SKIP() << "no visual styles";
    B->SetUseXPThemes(true);
    B->SetUseArrow(true);
    Other->SetFocus();
    uitest::Pump();
    const int aw = B->GetArrowSize();
    TBitmap expected;
    expected.SetSize(aw, 25);
    ASSERT_EQ(DrawThemeBackgroundTo(u"SCROLLBAR", expected.Canvas()->Handle(), 1, 7, TRect{0, 0, aw, 25}, nullptr),
              S_OK);
    Input::MouseDown(B, mbLeft, 70, 12);
    ASSERT_EQ(B->State(), ebsArrDown);
    uitest::Pump();
    int differ = 0;
    for (int y = 3; y < 22; ++y)
        for (int x = 3; x < aw - 3; ++x)
            differ += PixelNow(B, 75 - aw + x, y) != ColorToRGB(expected.Canvas()->Pixels(x, y));
    EXPECT_EQ(differ, 0);
    Input::MouseUp(B, mbLeft, 70, 12);
}

// Alt with a letter beyond ASCII, typed through the window system's keyboard map: the letter matches
// its caption's underlined one in either case, in the character set of the control's font, for
// buttons and for labels.
TEST(PopupButtonX11, AcceleratorsOnLettersBeyondAsciiClickInEitherCase)
{
    x11test::TDisplay display;
    if (!display.Ok()) GTEST_SKIP() << display.Why();
    std::string out;
    EXPECT_EQ(display.RunRole("PopupButtonX11.DISABLED_Role", "accented accelerators", out), 0) << out;
}

TEST(PopupButtonX11, DISABLED_Role)
{
    ASSERT_EQ(x11test::Role(), "accented accelerators");
    auto* form = new TForm(nullptr);
    form->SetBounds(20, 20, 420, 200);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 120, 24);
    auto* target = new TEdit(form);
    target->SetParent(form);
    target->SetBounds(10, 100, 120, 24);
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 70, 120, 20);
    label->SetCaption("&\xDC" "ber");  // Über
    label->FocusControl = target;
    std::vector<int> clicks(4, 0);
    const char* captions[] = {"&\xC4ndern", "&\xF6" "ffnen", "&Anders", "&\xA8\xEB\xEA\xE0"};  // Ändern öffnen Anders Ёлка
    std::vector<TExPopupButton*> buttons;
    for (int i = 0; i < 4; ++i) {
        auto* b = new TExPopupButton(form);
        b->SetParent(form);
        b->SetBounds(150 + 90 * (i % 3), 10 + 40 * (i / 3), 80, 25);
        b->SetCaption(captions[i]);
        b->OnClick = [&clicks, i](TObject*) { ++clicks[size_t(i)]; };
        buttons.push_back(b);
    }
    buttons[3]->Font()->SetCharset(RUSSIAN_CHARSET);
    ASSERT_TRUE(x11test::ShowOnScreen(form));
    ASSERT_TRUE(x11test::Click(edit, 5, 5));
    ASSERT_TRUE(uitest::PumpUntil([&] { return edit->Focused(); }, 60000));

    // A key xdotool maps to a spare key code for the moment may reach the program after the map is
    // back (it then types nothing): such a key is pressed again.
    const auto press = [](const std::string& keys, const std::function<bool()>& done) {
        for (int i = 0; i < 5 && !done(); ++i) {
            if (!x11test::Key(keys)) return false;
            uitest::PumpUntil(done, 12000);
        }
        return done();
    };
    // Lower case on an upper-case caption, and upper case on a lower-case one.
    EXPECT_TRUE(press("alt+adiaeresis", [&] { return clicks[0] == 1; }));
    EXPECT_TRUE(press("alt+Odiaeresis", [&] { return clicks[1] == 1; }));
    // A plain A is not an Ä, nor the other way round.
    EXPECT_TRUE(press("alt+a", [&] { return clicks[2] == 1; }));
    EXPECT_EQ(clicks[0], 1);
    EXPECT_EQ(clicks[1], 1);
    // The label hands the focus on.
    EXPECT_TRUE(press("alt+udiaeresis", [&] { return target->Focused(); }));
    // A Cyrillic caption compares in its own code page (where its small and capital letters are bytes
    // that have no case in the Western one).
    buttons[3]->SetFocus();
    ASSERT_TRUE(uitest::PumpUntil([&] { return buttons[3]->Focused(); }, 60000));
    EXPECT_TRUE(press("alt+Cyrillic_io", [&] { return clicks[3] == 1; }));
    EXPECT_EQ(clicks, (std::vector<int>{1, 1, 1, 1}));
    TObject::Free(form);
}

}  // namespace

// The graphic button: clicks and groups shared with popup buttons on one parent, dialog keys whatever
// has the focus, the accelerator only while it can be used, the pull-down menu through its own hidden
// window, handlers that free the button, and the parent's pixels under a themed button.
#include "extras/Exgraphbtn.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "ctlbase/Exvclutils.h"
#include "extras/Exsndmap.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

std::vector<Word> gKeys;
size_t gNext = 0;

// Presses the keys one per tick, over and over until killed (a key before the menu is up is lost).
UINT PressInTurn(std::vector<Word> keys)
{
    gKeys = std::move(keys);
    gNext = 0;
    return SetTimer(nullptr, 0, 40, [](HWND, UINT, UINT, DWORD) {
        if (!gKeys.empty()) Input::PressKey(gKeys[gNext++ % gKeys.size()]);
    });
}

struct GraphicButton : ::testing::Test {
    TForm* Form = nullptr;
    TExGraphicButton* G = nullptr;
    int Clicks = 0, ArrowClicks = 0;

    GraphicButton()
    {
        Application->Initialize();
        // Clicks of the test before must not pair with this one's into double clicks.
        Input::AdvanceTime(GetDoubleClickTime() + 1);
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 400, 200);
        Form->SetColor(TColor(RGB(0, 90, 0)));
        Form->Show();
        G = new TExGraphicButton(Form);
        G->SetParent(Form);
        G->SetBounds(10, 10, 75, 25);
        G->SetCaption("&Graphic");
        G->SetUseXPThemes(false);
        G->OnClick = [this](TObject* s) {
            EXPECT_EQ(s, G);
            ++Clicks;
        };
        G->OnArrowClick = [this](TObject*) { ++ArrowClicks; };
        uitest::Pump();
    }
    ~GraphicButton() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    // What the screen shows after the pending paints, without asking for one.
    COLORREF PixelNow(int x, int y)
    {
        uitest::Pump();
        HDC dc = GetDC(Form->Handle());
        const COLORREF p = GetPixel(dc, G->Left() + x, G->Top() + y);
        ReleaseDC(Form->Handle(), dc);
        return p;
    }
    COLORREF Pixel(int x, int y)
    {
        Form->Repaint();
        uitest::Pump();
        HDC dc = GetDC(Form->Handle());
        const COLORREF p = GetPixel(dc, G->Left() + x, G->Top() + y);
        ReleaseDC(Form->Handle(), dc);
        return p;
    }
};

TEST_F(GraphicButton, StartsAsThePopupButtonDoes)
{
    EXPECT_EQ(G->Width(), 75);
    EXPECT_EQ(G->Height(), 25);
    EXPECT_EQ(G->Spacing(), 4);
    EXPECT_EQ(G->Margin(), -1);
    EXPECT_TRUE(G->ShowGlyph());
    EXPECT_TRUE(G->ShowText());
    EXPECT_TRUE(G->ShowBorder());
    EXPECT_TRUE(G->AdjustSpaceForGlyph());
    EXPECT_TRUE(G->ShadowFollowsColor());
    EXPECT_EQ(G->Color(), clBtnFace);
    EXPECT_NE(G->MenuWindow(), nullptr);
    EXPECT_TRUE(IsWindow(G->MenuWindow()));
}

TEST_F(GraphicButton, ClicksSwitchesAndAMixedGroup)
{
    Input::MouseDown(G, mbLeft, 20, 12);
    EXPECT_EQ(G->State(), ebsDown);
    Input::MouseUp(G, mbLeft, 20, 12);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(G->State(), ebsUp);
    G->SetIsSwitch(true);
    Input::Click(G, 20, 12);
    EXPECT_TRUE(G->Down());
    Input::Click(G, 20, 12);
    EXPECT_FALSE(G->Down());
    G->SetIsSwitch(false);
    // A popup button of the same group on the same parent.
    auto* p = new TExPopupButton(Form);
    p->SetParent(Form);
    p->SetBounds(100, 10, 75, 25);
    p->SetUseXPThemes(false);
    p->SetGroupIndex(4);
    G->SetGroupIndex(4);
    Input::Click(G, 20, 12);
    EXPECT_TRUE(G->Down());
    Input::Click(p, 20, 12);
    EXPECT_TRUE(p->Down());
    EXPECT_FALSE(G->Down());
    Input::Click(G, 20, 12);
    EXPECT_TRUE(G->Down());
    EXPECT_FALSE(p->Down());
}

TEST_F(GraphicButton, KeysMoveTheGroupsDownButtonAsTheMouseDoes)
{
    auto* p = new TExPopupButton(Form);
    p->SetParent(Form);
    p->SetBounds(100, 10, 75, 25);
    p->SetUseXPThemes(false);
    p->SetGroupIndex(4);
    G->SetGroupIndex(4);
    p->SetDown(true);
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(10, 100, 100, 22);
    edit->SetFocus();
    uitest::Pump();
    // The accelerator, the dialog key and a click from code each put the graphic button down.
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"Alt+G", [] { Input::PressKey('G', ssAlt); }},
        {"Escape", [this] {
             G->Cancel = true;
             Input::PressKey(VK_ESCAPE);
             G->Cancel = false;
         }},
        {"Click()", [this] { G->Click(); }},
    };
    for (const auto& [name, click] : ways) {
        SCOPED_TRACE(name);
        p->SetDown(true);
        ASSERT_FALSE(G->Down());
        const int before = Clicks;
        click();
        EXPECT_TRUE(G->Down());
        EXPECT_EQ(G->State(), ebsExclusive);
        EXPECT_FALSE(p->Down());
        EXPECT_EQ(Clicks, before + 1);
    }
    // A switch pressed and let go outside stays as it was and does not click.
    G->SetGroupIndex(0);
    G->SetIsSwitch(true);
    G->SetDown(false);
    const int before = Clicks;
    Input::MouseDown(G, mbLeft, 20, 12);
    Input::MouseMove(G, 20, 80, ssLeft);
    Input::MouseUp(G, mbLeft, 20, 80);
    EXPECT_FALSE(G->Down());
    EXPECT_EQ(G->State(), ebsUp);
    EXPECT_EQ(Clicks, before);
}

TEST_F(GraphicButton, DialogKeysWhateverHasTheFocus)
{
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(10, 100, 100, 22);
    edit->SetFocus();
    uitest::Pump();
    G->Cancel = true;
    G->ModalResult = mrCancel;
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Form->ModalResult(), mrCancel);
    G->Cancel = false;
    G->Default = true;
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(Clicks, 2);
    Input::PressKey(VK_RETURN, ssShift);
    EXPECT_EQ(Clicks, 2);
}

TEST_F(GraphicButton, TheAcceleratorClicksOnlyAButtonThatCanBeUsed)
{
    EXPECT_EQ(G->Perform(CM_DIALOGCHAR, 'g', 0), 1);
    EXPECT_EQ(G->Perform(CM_DIALOGCHAR, 'r', 0), 0);
    EXPECT_EQ(Clicks, 1);
    // Disabled or hidden, itself or its parent: the key goes on to the others.
    auto* panel = new TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(100, 40, 200, 60);
    auto* other = new TExPopupButton(Form);
    other->SetParent(Form);
    other->SetBounds(10, 150, 75, 25);
    other->SetCaption("&Go");
    int otherClicks = 0;
    other->OnClick = [&](TObject*) { ++otherClicks; };
    const std::vector<std::function<void(bool)>> ways{
        [this](bool off) { G->SetEnabled(!off); }, [this](bool off) { G->SetVisible(!off); },
        [panel](bool off) { panel->SetEnabled(!off); }, [panel](bool off) { panel->SetVisible(!off); }};
    for (size_t way = 0; way < ways.size(); ++way) {
        SCOPED_TRACE(way);
        G->SetParent(way < 2 ? static_cast<TWinControl*>(Form) : panel);
        ways[way](true);
        Input::PressKey('G', ssAlt);
        EXPECT_EQ(Clicks, 1);
        EXPECT_EQ(otherClicks, int(way) + 1);
        ways[way](false);
    }
    Input::PressKey('G', ssAlt);
    EXPECT_EQ(Clicks, 2);
    EXPECT_EQ(otherClicks, 4);
    TObject::Free(other);
    // Disabled, the mouse does nothing.
    G->SetParent(Form);
    G->SetEnabled(false);
    Input::Click(G, 20, 12);
    EXPECT_EQ(Clicks, 2);
    G->SetEnabled(true);
    // An accented letter typed while a button has the focus, in either case; its plain letter not.
    G->SetCaption("&\xC4ndern");
    auto* focused = new TExPopupButton(Form);
    focused->SetParent(Form);
    focused->SetBounds(10, 100, 75, 25);
    focused->SetFocus();
    uitest::Pump();
    ASSERT_TRUE(focused->Focused());
    Input::TypeText("\u00E4");
    EXPECT_EQ(Clicks, 3);
    Input::TypeText("\u00C4");
    EXPECT_EQ(Clicks, 4);
    Input::TypeText("a");
    EXPECT_EQ(Clicks, 4);
}

TEST_F(GraphicButton, ThePullDownMenuThroughItsOwnWindow)
{
    auto* menu = new TPopupMenu(Form);
    std::vector<std::string> chosen;
    for (const char* caption : {"&One", "&Two"}) {
        auto* item = new TMenuItem(menu);
        item->SetCaption(caption);
        item->OnClick = [&chosen](TObject* s) { chosen.push_back(static_cast<TMenuItem*>(s)->Caption()); };
        menu->Items()->Add(item);
    }
    G->SetUseArrow(true);
    G->SetPullDownMenu(menu);
    menu->Items()->Items(1)->Hint = "Two|The second";
    std::vector<std::string> hints;
    Application->OnHint = [&hints](TObject*) { hints.push_back(Application->Hint()); };
    UINT t = PressInTurn({VK_UP, VK_RETURN});
    Input::MouseDown(G, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(G, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_EQ(chosen, std::vector<std::string>{"&Two"});
    EXPECT_FALSE(G->MenuShown());
    EXPECT_EQ(Application->Hint(), "") << "the hint is emptied as the menu closes";
    EXPECT_EQ(G->State(), ebsUp);
    EXPECT_EQ(ArrowClicks, 1);
    EXPECT_EQ(menu->PopupComponent, G);
    Application->OnHint = nullptr;
    EXPECT_EQ(hints.front(), "The second") << "the highlighted item's hint goes through the menu's own window";
    // Escape with the menu above.
    G->PopupPlace = ppTop;
    Input::MouseMove(G, 20, 12);
    t = PressInTurn({VK_ESCAPE});
    Input::MouseDown(G, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(G, mbLeft, 70, 12);
    uitest::Pump(50);
    EXPECT_EQ(chosen.size(), 1u);
    EXPECT_FALSE(G->MenuShown());
    // The menu goes: the button forgets it.
    delete menu;
    EXPECT_EQ(G->PullDownMenu(), nullptr);
    EXPECT_TRUE(G->DisableAutoPopup);
}

TEST_F(GraphicButton, AHandlerMayFreeTheButton)
{
    G->OnClick = [this](TObject*) { delete std::exchange(G, nullptr); };
    Input::Click(G, 20, 12);
    EXPECT_EQ(G, nullptr);
    // And a menu item may free it while its menu is shown.
    G = new TExGraphicButton(Form);
    G->SetParent(Form);
    G->SetBounds(10, 10, 75, 25);
    G->SetUseXPThemes(false);
    auto* menu = new TPopupMenu(Form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&Free");
    item->OnClick = [this](TObject*) { delete std::exchange(G, nullptr); };
    menu->Items()->Add(item);
    G->SetPullDownMenu(menu);
    G->SetUseArrow(true);
    const UINT t = PressInTurn({VK_DOWN, VK_RETURN});
    Input::MouseDown(G, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    EXPECT_EQ(G, nullptr);
    Input::MouseUp(Form, mbLeft, 30, 22);
    uitest::Pump(50);
}

TEST_F(GraphicButton, SoundsGoThroughTheSoundMap)
{
    struct TRecording : TExCustomSoundMap {
        using TExCustomSoundMap::TExCustomSoundMap;
        std::vector<std::string> Played;
        void Play(const std::string& Key) override { Played.push_back(Key); }
    };
    auto* sounds = new TRecording(nullptr);
    G->SetSoundMap(sounds);
    G->DownSound = "D";
    G->UpSound = "U";
    G->ClickSound = "C";
    Input::Click(G, 20, 12);
    EXPECT_EQ(sounds->Played, (std::vector<std::string>{"D", "U", "C"}));
    delete sounds;
    EXPECT_EQ(G->SoundMap(), nullptr);
    // The registry's sound map is one.
    TExSoundMap map(nullptr);
    G->SetSoundMap(&map);
    EXPECT_EQ(G->SoundMap(), &map);
}

TEST_F(GraphicButton, PaintsOnItsParentAndFlatShowsNoFrameWhenIdle)
{
    G->SetColor(TColor(RGB(200, 200, 200)));
    EXPECT_NE(Pixel(0, 12), RGB(200, 200, 200));  // the 3-D frame
    EXPECT_EQ(Pixel(10, 3), RGB(200, 200, 200));
    G->SetFlat(true);
    EXPECT_EQ(Pixel(0, 12), RGB(200, 200, 200));
    G->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_NE(Pixel(0, 12), RGB(200, 200, 200));
    G->Perform(CM_MOUSELEAVE, 0, 0);
    // See-through: the parent's colour where the face would be.
    G->SetTransparent(true);
    EXPECT_EQ(Pixel(10, 3), RGB(0, 90, 0));
}

TEST_F(GraphicButton, ThemedItShowsTheParentsPixelsWhereTheThemeLeavesThem)
{
    if (!ThemesAvailable) GTEST_SKIP() << "no visual styles";
    G->SetUseXPThemes(true);
    ASSERT_TRUE(G->IsThemeApplied());
    // Somewhere on the button the parent's colour shows (the body's rounded corners, at least),
    // though the button is not Transparent.
    int parent = 0;
    Form->Repaint();
    uitest::Pump();
    HDC dc = GetDC(Form->Handle());
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 75; ++x) parent += GetPixel(dc, G->Left() + x, G->Top() + y) == RGB(0, 90, 0);
    ReleaseDC(Form->Handle(), dc);
    EXPECT_GT(parent, 0);
    EXPECT_EQ(G->GetThemeStateID(), 1);
    G->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(G->GetThemeStateID(), 2);
    G->SetEnabled(false);
    EXPECT_EQ(G->GetThemeStateID(), 4);
    EXPECT_EQ(G->GetArrowThemeStateID(), 4);
}

// A parent that paints stripes of two colours, one pixel column each.
class TStriped : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    static COLORREF At(int X) { return X % 2 ? RGB(255, 0, 255) : RGB(0, 255, 255); }

protected:
    void Paint() override
    {
        for (int x = 0; x < Width(); ++x) {
            Canvas()->Brush()->SetColor(TColor(At(x)));
            Canvas()->FillRect(TRect{x, 0, x + 1, Height()});
        }
    }
};

// The graphic button and the popup button beside it look the same, themed or not, whether it is
// the button or its parent that is disabled.
TEST_F(GraphicButton, PaintsAsThePopupButtonBesideItWhenItOrItsParentIsDisabled)
{
    auto* panel = new TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(0, 40, 200, 60);
    panel->SetBevelOuter(bvNone);
    auto* g = new TExGraphicButton(Form);
    g->SetParent(panel);
    g->SetBounds(10, 10, 75, 25);
    auto* p = new TExPopupButton(Form);
    p->SetParent(panel);
    p->SetBounds(100, 10, 75, 25);
    p->SetTabStop(false);
    g->SetCaption("Caption");
    p->SetCaption("Caption");
    // What the screen shows of the button: on the panel's window, or on its own.
    auto picture = [&](HWND Window, TPoint At) {
        panel->Repaint();
        p->Repaint();
        uitest::Pump();
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(Window);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 75; ++x) pixels.push_back(GetPixel(dc, At.X + x, At.Y + y));
        ReleaseDC(Window, dc);
        return pixels;
    };
    for (const bool themed : {false, true}) {
        if (themed && !ThemesAvailable) continue;
        g->SetUseXPThemes(themed);
        p->SetUseXPThemes(themed);
        for (int off = 0; off < 3; ++off) {
            SCOPED_TRACE(std::string(themed ? "themed, " : "plain, ") +
                         (off == 0 ? "enabled" : off == 1 ? "button disabled" : "parent disabled"));
            g->SetEnabled(off != 1);
            p->SetEnabled(off != 1);
            panel->SetEnabled(off != 2);
            EXPECT_EQ(picture(panel->Handle(), {g->Left(), g->Top()}), picture(p->Handle(), {0, 0}));
            EXPECT_EQ(g->GetThemeStateID(), off == 0 ? 1 : 4);
            EXPECT_EQ(g->GetArrowThemeStateID(), off == 0 ? 1 : 4);
        }
    }
}

TEST_F(GraphicButton, ThemedOverAPatternedParentItShowsThePatternWhereTheThemeLeavesIt)
{
    if (!ThemesAvailable) GTEST_SKIP() << "no visual styles";
    auto* striped = new TStriped(Form);
    striped->SetParent(Form);
    striped->SetBounds(100, 50, 200, 100);
    auto* g = new TExGraphicButton(striped);
    g->SetParent(striped);
    g->SetBounds(10, 10, 75, 25);
    ASSERT_TRUE(g->IsThemeApplied());
    // Where the theme's body leaves what is under it alone (its rounded corners, at least).
    constexpr COLORREF kUnder = RGB(1, 2, 3);
    TBitmap body;
    body.SetSize(75, 25);
    body.Canvas()->Brush()->SetColor(TColor(kUnder));
    body.Canvas()->FillRect(TRect{0, 0, 75, 25});
    ASSERT_EQ(DrawThemeBackgroundTo(u"BUTTON", body.Canvas()->Handle(), 1, 1, TRect{0, 0, 75, 25}, nullptr), S_OK);
    striped->Repaint();
    uitest::Pump();
    HDC dc = GetDC(striped->Handle());
    int seen = 0, pattern = 0;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 75; ++x)
            if (ColorToRGB(body.Canvas()->Pixels(x, y)) == kUnder) {
                ++seen;
                pattern += GetPixel(dc, 10 + x, 10 + y) == TStriped::At(10 + x);
            }
    ReleaseDC(striped->Handle(), dc);
    ASSERT_GT(seen, 0);
    EXPECT_EQ(pattern, seen);
    // Unthemed it covers its rectangle unless Transparent.
    g->SetUseXPThemes(false);
    EXPECT_NE(g->ControlStyle & csOpaque, 0u);
    g->SetTransparent(true);
    EXPECT_EQ(g->ControlStyle & csOpaque, 0u);
    g->SetUseXPThemes(true);
    g->SetTransparent(false);
    EXPECT_EQ(g->ControlStyle & csOpaque, 0u);
}

// A 16 x 16 square of one colour on olive, for image lists.
TBitmap* Square(TColor Fill)
{
    auto* b = new TBitmap;
    b->SetSize(16, 16);
    b->Canvas()->Brush()->SetColor(clOlive);
    b->Canvas()->FillRect(TRect{0, 0, 16, 16});
    b->Canvas()->Brush()->SetColor(Fill);
    b->Canvas()->FillRect(TRect{2, 2, 14, 14});
    return b;
}

struct GraphicLists : GraphicButton {
    TImageList red{nullptr}, blue{nullptr}, green{nullptr};
    // The picture's middle: centred in the room the frame leaves, no caption.
    const int cx = 2 + (75 - 4 - 16) / 2 + 8, cy = 2 + (25 - 4 - 16) / 2 + 8;
    GraphicLists()
    {
        for (auto [list, colour] : {std::pair{&red, clRed}, {&blue, clBlue}, {&green, clLime}}) {
            list->SetWidth(16);
            list->SetHeight(16);
            std::unique_ptr<TBitmap> b(Square(colour));
            list->AddMasked(b.get(), clOlive);
        }
        G->SetCaption("");
        G->SetImages(&red);
        G->SetImageIndex(0);
    }
};

TEST_F(GraphicLists, HotDisabledAndClearedLists)
{
    EXPECT_TRUE(G->UseImageList());
    EXPECT_EQ(Pixel(cx, cy), RGB(255, 0, 0));
    G->SetHotImages(&blue);
    Input::MouseMove(G, 5, 5);
    G->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(PixelNow(cx, cy), RGB(0, 0, 255));
    G->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(PixelNow(cx, cy), RGB(255, 0, 0));
    // Disabled with a list of its own: that list's picture as it is, not embossed.
    G->SetDisabledImages(&green);
    G->SetEnabled(false);
    EXPECT_EQ(PixelNow(cx, cy), RGB(0, 255, 0));
    // Setting the main list again while disabled keeps showing the disabled one.
    G->SetImages(nullptr);
    EXPECT_FALSE(G->UseImageList());
    G->SetImages(&red);
    EXPECT_TRUE(G->UseImageList());
    EXPECT_EQ(Pixel(cx, cy), RGB(0, 255, 0));
    G->SetEnabled(true);
    EXPECT_EQ(PixelNow(cx, cy), RGB(255, 0, 0));
    // A list that goes is forgotten.
    G->SetDownImages(&blue);
    G->SetHotImages(nullptr);
    G->SetDisabledImages(nullptr);
    EXPECT_EQ(G->DownImages(), &blue);
}

TEST_F(GraphicLists, PressedWithADownListShowsItForThatPaintOnly)
{
    G->SetDownImages(&blue);
    G->SetGroupIndex(1);
    G->SetAllowAllUp(true);
    G->SetDown(true);
    EXPECT_EQ(PixelNow(cx, cy), RGB(0, 0, 255));
    EXPECT_EQ(G->ButtonGlyph()->ImageList(), &red);
    G->SetDown(false);
    EXPECT_EQ(PixelNow(cx, cy), RGB(255, 0, 0));
}

TEST_F(GraphicButton, ShadowsAreLighterAndDarkerShadesOfTheColour)
{
    for (TColor c : {TColor(RGB(120, 120, 120)), TColor(RGB(200, 60, 60)), TColor(RGB(40, 90, 160))}) {
        G->SetColor(c);
        const Integer hls = RGBtoHLS(c);
        const Integer l = (hls >> 8) & 0xFF;
        auto lightness = [](TColor x) { return (RGBtoHLS(x) >> 8) & 0xFF; };
        EXPECT_NEAR(lightness(G->ShadowBtnHighlight()), std::min(239, l + l / 3), 2);
        EXPECT_NEAR(lightness(G->ShadowBtnShadow()), l - l / 3, 2);
        EXPECT_NEAR(lightness(G->ShadowBtnDkShadow()), l - l / 2, 2);
    }
    G->SetShadowsUseCustom(true);
    G->SetShadowBtnShadow(clRed);
    G->SetShadowBtnDkShadow(clBlue);
    G->SetColor(clWhite);
    EXPECT_EQ(G->ShadowBtnShadow(), clRed);
    EXPECT_EQ(G->ShadowBtnDkShadow(), clBlue);
    // The custom colours make the frame.
    G->SetShadowBtnHighlight(clLime);
    EXPECT_EQ(Pixel(0, 0), RGB(0, 255, 0));
}

TEST_F(GraphicButton, StatesFollowTheMouseAndTheEnabledState)
{
    Input::MouseDown(G, mbLeft, 20, 12);
    EXPECT_EQ(G->State(), ebsDown);
    Input::MouseMove(G, 200, 12, ssLeft);
    EXPECT_EQ(G->State(), ebsUp);
    Input::MouseMove(G, 20, 12, ssLeft);
    EXPECT_EQ(G->State(), ebsDown);
    Input::MouseUp(G, mbLeft, 20, 100);
    EXPECT_EQ(Clicks, 0);
    // Disabled paints disabled; enabled again it is up, or exclusive when down in a group.
    G->SetEnabled(false);
    Pixel(5, 5);
    EXPECT_EQ(G->State(), ebsDisabled);
    G->SetEnabled(true);
    Pixel(5, 5);
    EXPECT_EQ(G->State(), ebsUp);
    G->SetGroupIndex(2);
    G->SetDown(true);
    G->SetEnabled(false);
    Pixel(5, 5);
    G->SetEnabled(true);
    Pixel(5, 5);
    EXPECT_EQ(G->State(), ebsExclusive);
    G->SetOldStyled(true);
    EXPECT_TRUE(G->OldStyled());
    G->SetFlat(true);
    EXPECT_FALSE(G->OldStyled());
}

TEST_F(GraphicButton, TheArrowPartAndTheBodyAreHotApart)
{
    G->SetUseArrow(true);
    Input::MouseMove(G, 20, 12);
    G->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(G->MouseInControl());
    EXPECT_FALSE(G->MouseInArrow());
    Input::MouseMove(G, 70, 12);
    EXPECT_TRUE(G->MouseInArrow());
    EXPECT_FALSE(G->MouseInControl());
    G->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(G->MouseInArrow());
    // Entering over the arrow part.
    Input::MouseMove(G, 70, 12);
    G->Perform(CM_MOUSELEAVE, 0, 0);
    G->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(G->MouseInArrow());
    EXPECT_FALSE(G->MouseInControl());
}

TEST_F(GraphicButton, LeavingRepaintsTheHotFrameAway)
{
    G->SetColor(TColor(RGB(200, 200, 200)));
    auto frame = [&](bool now) {
        if (!now) Pixel(0, 0);
        std::vector<COLORREF> edge;
        for (int x = 0; x < 75; ++x) edge.push_back(PixelNow(x, 1)), edge.push_back(PixelNow(x, 23));
        for (int y = 0; y < 25; ++y) edge.push_back(PixelNow(1, y)), edge.push_back(PixelNow(73, y));
        return edge;
    };
    const auto idle = frame(false);
    Input::MouseMove(G, 20, 12);
    G->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_NE(frame(true), idle);
    G->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(frame(true), idle);
}

TEST_F(GraphicButton, SetDownPlaysItsSounds)
{
    struct TRecording : TExCustomSoundMap {
        using TExCustomSoundMap::TExCustomSoundMap;
        std::vector<std::string> Played;
        void Play(const std::string& Key) override { Played.push_back(Key); }
    } sounds(nullptr);
    G->SetSoundMap(&sounds);
    G->DownSound = "D";
    G->UpSound = "U";
    G->SetGroupIndex(1);
    G->SetAllowAllUp(true);
    G->SetDown(true);
    G->SetDown(false);
    EXPECT_EQ(sounds.Played, (std::vector<std::string>{"D", "U"}));
    G->SetSoundMap(nullptr);
}

TEST_F(GraphicButton, TheImageFormsBackgroundLiesUnderTheFace)
{
    TExImageForm imageForm(Form);
    TBitmap tile;
    tile.SetSize(8, 8);
    tile.Canvas()->Brush()->SetColor(TColor(RGB(10, 20, 200)));
    tile.Canvas()->FillRect(TRect{0, 0, 8, 8});
    imageForm.SetBkImage(&tile);
    imageForm.SetBackgroundType(bgtTileBitmap);
    imageForm.SetControl(Form);
    G->SetCaption("");
    G->SetImageForm(&imageForm);
    EXPECT_EQ(Pixel(20, 12), RGB(10, 20, 200));
    G->SetImageForm(nullptr);
    EXPECT_EQ(Pixel(20, 12), ColorToRGB(clBtnFace));
}

TEST_F(GraphicButton, ThemedArrowIsTheComboBoxsDropDownButton)
{
    if (!ThemesAvailable) GTEST_SKIP() << "no visual styles";
    G->SetUseXPThemes(true);
    G->SetUseArrow(true);
    const int aw = G->GetArrowSize();
    ASSERT_GT(aw, 0);
    TBitmap expected;
    expected.SetSize(aw, 25);
    const TRect part{0, 0, aw, 25};
    ASSERT_EQ(DrawThemeBackgroundTo(u"COMBOBOX", expected.Canvas()->Handle(), 1, 1, part, nullptr), S_OK);
    Pixel(0, 0);
    int differ = 0;
    for (int y = 3; y < 22; ++y)
        for (int x = 3; x < aw - 3; ++x) differ += PixelNow(75 - aw + x, y) != ColorToRGB(expected.Canvas()->Pixels(x, y));
    EXPECT_EQ(differ, 0);
}

TEST_F(GraphicButton, ARightPressForgetsThatTheMenuClosedOnTheArrow)
{
    auto* menu = new TPopupMenu(Form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&x");
    menu->Items()->Add(item);
    G->SetUseArrow(true);
    G->SetPullDownMenu(menu);
    const UINT t = PressInTurn({VK_ESCAPE});
    Input::MouseDown(G, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    Input::MouseUp(G, mbLeft, 70, 12);
    uitest::Pump(50);
    ASSERT_TRUE(G->MenuClosedOnArrow());
    Input::Click(G, 70, 12, mbRight);
    EXPECT_FALSE(G->MenuClosedOnArrow());
}

TEST_F(GraphicLists, AListThatGoesIsForgottenAndChangesOfTheDisabledListShow)
{
    G->SetDisabledImages(&green);
    G->SetEnabled(false);
    EXPECT_EQ(Pixel(cx, cy), RGB(0, 255, 0));
    std::unique_ptr<TBitmap> yellow(Square(clYellow));
    green.ReplaceMasked(0, yellow.get(), clOlive);
    EXPECT_EQ(PixelNow(cx, cy), RGB(255, 255, 0));
    G->SetEnabled(true);
    // The main list goes: no list pictures any more.
    auto* gone = new TImageList(nullptr);
    gone->SetWidth(16);
    gone->SetHeight(16);
    std::unique_ptr<TBitmap> red(Square(clRed));
    gone->AddMasked(red.get(), clOlive);
    G->SetImages(gone);
    EXPECT_EQ(Pixel(cx, cy), RGB(255, 0, 0));
    delete gone;
    EXPECT_EQ(G->Images(), nullptr);
    EXPECT_FALSE(G->UseImageList());
    EXPECT_NE(PixelNow(cx, cy), RGB(255, 0, 0));
}

TEST_F(GraphicButton, ChangesShowWithoutBeingAskedFor)
{
    G->SetCaption("");
    TBitmap pic;
    pic.SetSize(16, 16);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(TRect{0, 0, 16, 16});
    pic.Canvas()->Brush()->SetColor(clRed);
    pic.Canvas()->FillRect(TRect{2, 2, 14, 14});
    G->SetGlyph(&pic);
    const int cx = 2 + (75 - 4 - 16) / 2 + 8, cy = 2 + (25 - 4 - 16) / 2 + 8;
    EXPECT_EQ(Pixel(cx, cy), RGB(255, 0, 0));
    // Drawing on the button's own picture.
    G->Glyph()->Canvas()->Brush()->SetColor(clBlue);
    G->Glyph()->Canvas()->FillRect(TRect{2, 2, 14, 14});
    EXPECT_EQ(PixelNow(cx, cy), RGB(0, 0, 255));
    // A caption.
    G->SetShowGlyph(false);
    const COLORREF face = Pixel(37, 12);
    G->SetCaption("WWWWWWWW");
    int changed = 0;
    for (int x = 10; x < 65; ++x) changed += PixelNow(x, 12) != face;
    EXPECT_GT(changed, 0);
    // A caption style.
    G->SetTextDrawType(tdtRaised);
    EXPECT_EQ(G->TextDrawType(), tdtRaised);
    G->SetBackgroundDrawBorder(true);
    EXPECT_TRUE(G->BackgroundDrawBorder());
    G->SetBackgroundDrawBorder(false);
    EXPECT_FALSE(G->BackgroundDrawBorder());
}

TEST_F(GraphicButton, AButtonOfTheGroupGoingDownLiftsThisOneWithItsSound)
{
    struct TRecording : TExCustomSoundMap {
        using TExCustomSoundMap::TExCustomSoundMap;
        std::vector<std::string> Played;
        void Play(const std::string& Key) override { Played.push_back(Key); }
    } sounds(nullptr);
    auto* other = new TExGraphicButton(Form);
    other->SetParent(Form);
    other->SetBounds(100, 10, 75, 25);
    G->SetGroupIndex(3);
    other->SetGroupIndex(3);
    G->SetDown(true);
    G->SetSoundMap(&sounds);
    G->UpSound = "U";
    other->SetDown(true);
    EXPECT_FALSE(G->Down());
    EXPECT_EQ(G->State(), ebsUp);
    EXPECT_EQ(sounds.Played, std::vector<std::string>{"U"});
    G->SetSoundMap(nullptr);
}

TEST_F(GraphicButton, ASwitchIsNotToggledFromTheArrowPartAndTheTopRowIsInside)
{
    G->SetIsSwitch(true);
    G->SetUseArrow(true);
    Input::Click(G, 70, 12);
    EXPECT_FALSE(G->Down());
    EXPECT_EQ(ArrowClicks, 2);
    Input::MouseDown(G, mbLeft, 20, 12);
    Input::MouseUp(G, mbLeft, 20, 0);
    EXPECT_TRUE(G->Down());
    EXPECT_EQ(Clicks, 1);
}

TEST_F(GraphicButton, TheMenuClosingEndsTheTrackingAndRepaints)
{
    auto* menu = new TPopupMenu(Form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("&x");
    menu->Items()->Add(item);
    G->SetUseArrow(true);
    G->SetPullDownMenu(menu);
    G->SetCaption("");
    auto arrowPart = [&](bool now) {
        if (!now) Form->Repaint();
        std::vector<COLORREF> px;
        for (int y = 0; y < 25; ++y)
            for (int x = 62; x < 75; ++x) px.push_back(PixelNow(x, y));
        return px;
    };
    const auto idle = arrowPart(false);
    const UINT t = PressInTurn({VK_ESCAPE});
    Input::MouseDown(G, mbLeft, 70, 12);
    KillTimer(nullptr, t);
    uitest::Pump(50);
    EXPECT_FALSE(G->Tracking());
    EXPECT_FALSE(G->MenuShown());
    EXPECT_EQ(arrowPart(true), idle);
    Input::MouseUp(G, mbLeft, 70, 12);
}

TEST(GraphicButtonCount, EachButtonCountsWhileItLives)
{
    const Integer before = ButtonCount;
    {
        TExGraphicButton a(nullptr);
        EXPECT_EQ(ButtonCount, before + 1);
        TExPopupButton b(nullptr);
        EXPECT_EQ(ButtonCount, before + 2);
    }
    EXPECT_EQ(ButtonCount, before);
}

}  // namespace

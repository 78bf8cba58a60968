// The advanced memo through the toolkit's own input: lines typed, selected, copied and undone with
// text beyond ASCII, the keys it keeps and the ones it gives the dialog, its flat border and flat
// scroll bars while hot, a background under scrolled lines, and handlers that free it.
#include <gtest/gtest.h>

#include <string>

#include "controls/Exactrls.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Clipbrd.h"
#include "platform/Input.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }

struct AdvancedMemo : ::testing::Test {
    TForm* Form = nullptr;
    TExAdvancedMemo* M = nullptr;
    TEdit* Other = nullptr;

    AdvancedMemo()
    {
        Application->Initialize();
        Form = new TForm(nullptr);
        Form->SetBounds(60, 60, 420, 300);
        Form->AfterConstruction();
        M = new TExAdvancedMemo(Form);
        M->SetParent(Form);
        M->SetBounds(20, 20, 200, 120);
        M->SetUseXPThemes(false);
        Other = new TEdit(Form);
        Other->SetParent(Form);
        Other->SetBounds(20, 200, 180, 24);
        Form->Show();
        uitest::Pump();
    }
    ~AdvancedMemo() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    COLORREF WindowPixel(TWinControl* C, int X, int Y)
    {
        uitest::Pump();
        HDC dc = GetWindowDC(C->Handle());
        const COLORREF p = GetPixel(dc, X, Y);
        ReleaseDC(C->Handle(), dc);
        return p;
    }
    COLORREF ClientPixel(TWinControl* C, int X, int Y)
    {
        uitest::Pump();
        HDC dc = GetDC(C->Handle());
        const COLORREF p = GetPixel(dc, X, Y);
        ReleaseDC(C->Handle(), dc);
        return p;
    }
    void Lines(int N)
    {
        std::string t;
        for (int i = 0; i < N; ++i)
            t += "line " + std::to_string(i) + "\r\n";
        M->SetText(t);
    }
};

TEST_F(AdvancedMemo, LinesTypedSelectedCopiedAndUndoneKeepTextBeyondAscii)
{
    M->SetFocus();
    Input::TypeText("na\xC3\xAFve\r\xC3\x9F\x65ta\r\xE2\x82\xAC 5");  // "naïve", "ßeta", "€ 5"
    EXPECT_EQ(M->Text(), "na\xEFve\r\n\xDF" "eta\r\n\x80 5");
    EXPECT_EQ(M->Lines()->Count(), 3);
    EXPECT_EQ(M->Lines()->Get(1), "\xDF" "eta");
    Input::PressKey(VK_UP);
    Input::PressKey(VK_HOME);
    Input::PressKey(VK_DOWN, ssShift);
    EXPECT_EQ(M->SelText(), "\xDF" "eta\r\n");
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(1252), "\xDF" "eta\r\n");
    Input::PressKey(VK_DELETE);
    EXPECT_EQ(M->Text(), "na\xEFve\r\n\x80 5");
    Input::PressKey(VK_HOME, ssCtrl);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(M->Lines()->Get(0), "\xDF" "eta") << "a pasted line stays a line of its own";
    EXPECT_EQ(M->Lines()->Count(), 3);
    Input::PressKey('Z', ssCtrl);
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(M->Text(), "na\xEFve\r\n\xDF" "eta\r\n\x80 5");
}

TEST_F(AdvancedMemo, EscapeGoesToTheDialogsCancelButtonAndReturnStaysInTheMemo)
{
    auto* ok = new TButton(Form);
    ok->SetParent(Form);
    ok->SetBounds(240, 20, 75, 25);
    ok->Default = true;
    auto* cancel = new TButton(Form);
    cancel->SetParent(Form);
    cancel->SetBounds(240, 60, 75, 25);
    cancel->Cancel = true;
    int oks = 0, cancels = 0;
    ok->OnClick = [&](TObject*) { ++oks; };
    cancel->OnClick = [&](TObject*) { ++cancels; };
    M->SetFocus();
    Input::TypeText("a");
    Input::PressKey(VK_RETURN);
    Input::PressKey(VK_ESCAPE);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(oks, 0);
    EXPECT_EQ(M->Text(), "a\r\n") << "Return is the memo's line break, Escape types nothing";
    // Escape with a shift key is the memo's own.
    Input::PressKey(VK_ESCAPE, ssShift);
    EXPECT_EQ(cancels, 1);
    // Without WantReturns, Return is the dialog's, unless the memo keeps the dialog keys.
    M->SetWantReturns(false);
    EXPECT_EQ(M->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(oks, 1);
    M->SetHandleDialogKeys(true);
    EXPECT_NE(M->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(M->Text(), "a\r\n");
}

TEST_F(AdvancedMemo, TabIsACharacterOnlyWithWantTabs)
{
    M->SetFocus();
    EXPECT_EQ(M->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
    Input::PressKey(VK_TAB);
    EXPECT_TRUE(Other->Focused());
    M->SetWantTabs(true);
    M->SetFocus();
    EXPECT_NE(M->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
    Input::TypeText("a\tb");
    EXPECT_EQ(M->Text(), "a\tb");
    EXPECT_TRUE(M->Focused());
    const LRESULT code = M->Perform(WM_GETDLGCODE, 0, 0);
    EXPECT_NE(code & DLGC_WANTARROWS, 0);
    EXPECT_NE(code & DLGC_WANTCHARS, 0);
}

TEST_F(AdvancedMemo, FlatBorderAndFlatScrollBarsFollowTheHotState)
{
    M->SetScrollBars(ssVertical);
    Lines(30);
    M->SetFlat(true);
    Other->SetFocus();
    Input::MouseMove(Form, 300, 250);
    const int b = GetSystemMetrics(SM_CXEDGE);
    const int barLeft = M->Width() - b - GetSystemMetrics(SM_CXVSCROLL);
    // Idle: a thin border and arrow buttons with one light line round the face.
    EXPECT_EQ(WindowPixel(M, 1, 1), Rgb(clBtnFace));
    EXPECT_EQ(WindowPixel(M, barLeft, b), Rgb(clBtnHighlight));
    EXPECT_EQ(WindowPixel(M, barLeft + 1, b + 1), Rgb(clBtnFace));
    Input::MouseMove(M, 40, 40);
    EXPECT_TRUE(M->MouseOver());
    EXPECT_EQ(WindowPixel(M, 1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(WindowPixel(M, barLeft, b), Rgb(clBtnFace)) << "hot: the buttons stand out";
    EXPECT_EQ(WindowPixel(M, barLeft + 1, b + 1), Rgb(clBtnHighlight));
    // Scrolling repaints the bar by the system; the flat look comes back over it.
    SendMessage(M->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(WindowPixel(M, barLeft + 1, b + 1), Rgb(clBtnHighlight));
    Input::MouseMove(Form, 300, 250);
    EXPECT_EQ(WindowPixel(M, barLeft + 1, b + 1), Rgb(clBtnFace));
    // Lines added while drawing is off: the frame waits and comes back flat.
    M->Lines()->BeginUpdate();
    for (int i = 0; i < 20; ++i)
        M->Lines()->Add("more");
    M->Lines()->EndUpdate();
    EXPECT_EQ(WindowPixel(M, barLeft, b), Rgb(clBtnHighlight));
    EXPECT_EQ(WindowPixel(M, 1, 1), Rgb(clBtnFace));
    // Kept flat while hot when asked.
    M->SetFlatFocusedScrollBars(true);
    Input::MouseMove(M, 40, 40);
    EXPECT_EQ(WindowPixel(M, barLeft + 1, b + 1), Rgb(clBtnFace));
    Input::MouseMove(Form, 300, 250);
}

TEST_F(AdvancedMemo, BorderSidesAndTheThemeFollowTheEdit)
{
    const TRect all = M->ClientRect();
    M->SetBorderSides(BorderSide(ebsTop) | BorderSide(ebsBottom));
    EXPECT_EQ(M->ClientRect().Width(), all.Width() + 2 * GetSystemMetrics(SM_CXEDGE));
    EXPECT_EQ(M->ClientRect().Height(), all.Height());
    M->SetUseXPThemes(true);
    EXPECT_EQ(M->IsThemeApplied(), ThemesAvailable);
    // A theme change opens the theme anew; the memo stays themed.
    EXPECT_EQ(M->Perform(WM_THEMECHANGED, 0, 0), 1);
    EXPECT_EQ(M->IsThemeApplied(), ThemesAvailable);
    M->SetUseXPThemes(false);
    EXPECT_FALSE(M->IsThemeApplied());
}

TEST_F(AdvancedMemo, ATiledBackgroundStaysUnderScrolledLines)
{
    TBitmap tile;
    tile.SetSize(3, 3);
    tile.Canvas()->Brush()->SetColor(clAqua);
    tile.Canvas()->FillRect(TRect{0, 0, 3, 3});
    M->SetBackground(&tile);
    M->SetUseBackground(true);
    M->SetScrollBars(ssVertical);
    Lines(40);
    const TRect c = M->ClientRect();
    EXPECT_EQ(ClientPixel(M, c.Right - 3, c.Bottom - 3), Rgb(clAqua));
    SendMessage(M->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(ClientPixel(M, c.Right - 3, c.Bottom - 3), Rgb(clAqua));
    int inky = 0;
    for (int y = 0; y < c.Bottom; ++y)
        for (int x = 0; x < 40; ++x)
            if (ClientPixel(M, x, y) != Rgb(clAqua))
                ++inky;
    EXPECT_GT(inky, 30) << "the lines are drawn over it";
    int boxed = 0;
    for (int y = 0; y < c.Bottom; ++y)
        for (int x = 0; x < c.Right; x += 2)
            boxed += ClientPixel(M, x, y) == Rgb(clWindow);
    EXPECT_EQ(boxed, 0) << "not in boxes of the window's colour";
}

TEST_F(AdvancedMemo, SeenThroughOrOverAnImageFormAndFlatAtOnce)
{
    Form->SetColor(clPurple);
    M->SetText("a");
    M->SetTransparent(true);
    const TRect c = M->ClientRect();
    EXPECT_EQ(ClientPixel(M, c.Right - 3, c.Bottom - 3), Rgb(clPurple));
    M->SetTransparent(false);
    EXPECT_EQ(ClientPixel(M, c.Right - 3, c.Bottom - 3), Rgb(clWindow));
    auto* form = new TExImageForm(Form);
    TBitmap pic;
    pic.SetSize(8, 8);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(TRect{0, 0, 8, 8});
    form->SetBkImage(&pic);
    form->SetBackgroundType(bgtTileBitmap);
    M->SetImageForm(form);
    EXPECT_EQ(ClientPixel(M, c.Right - 3, c.Bottom - 3), Rgb(clOlive));
    TObject::Free(form);
    EXPECT_EQ(M->ImageForm(), nullptr);
    EXPECT_EQ(ClientPixel(M, c.Right - 3, c.Bottom - 3), Rgb(clWindow));
    // Flat shows at once, without another reason to paint.
    Other->SetFocus();
    uitest::Pump();
    EXPECT_EQ(WindowPixel(M, 1, 1), Rgb(cl3DDkShadow)) << "the default sunken edge";
    M->SetFlat(true);
    EXPECT_EQ(WindowPixel(M, 1, 1), Rgb(clBtnFace));
}

TEST_F(AdvancedMemo, HandlersMayFreeTheMemo)
{
    const int count = Form->ControlCount();
    M->SetFocus();
    M->OnChange = [this](TObject*) {
        TExAdvancedMemo* m = M;
        M = nullptr;
        TObject::Free(m);
    };
    Input::TypeText("x");
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
    auto* hot = new TExAdvancedMemo(Form);
    hot->SetParent(Form);
    hot->SetBounds(20, 20, 100, 60);
    hot->SetFlat(true);
    hot->OnMouseLeave = [hot](TObject*) { TObject::Free(hot); };
    uitest::Pump();
    Input::MouseMove(hot, 10, 10);
    Input::MouseMove(Form, 300, 250);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
    // Escape's dialog key frees it.
    auto* esc = new TExAdvancedMemo(Form);
    esc->SetParent(Form);
    auto* cancel = new TButton(Form);
    cancel->SetParent(Form);
    cancel->Cancel = true;
    cancel->OnClick = [esc](TObject*) { TObject::Free(esc); };
    esc->SetFocus();
    Input::PressKey(VK_ESCAPE);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count);
}

}  // namespace

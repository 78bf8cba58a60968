// The advanced edit through the toolkit's own input: typing, selection, the clipboard and undo with
// text beyond ASCII, the keys it keeps from the text and from the dialog, the hot and focused flat
// border read back from the screen, border sides, the themed frame, the background sources, and
// handlers that free the edit.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "controls/Exactrls.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Clipbrd.h"
#include "platform/Dialogs.h"
#include "platform/Input.h"
#include "platform/WinGdi.h"
#include "tests/support/UiTest.h"

namespace {

COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }

struct AdvancedEdit : ::testing::Test {
    TForm* Form = nullptr;
    TExAdvancedEdit* E = nullptr;
    TEdit* Other = nullptr;

    AdvancedEdit()
    {
        Application->Initialize();
        Form = new TForm(nullptr);
        Form->SetBounds(60, 60, 420, 260);
        Form->AfterConstruction();
        E = new TExAdvancedEdit(Form);
        E->SetParent(Form);
        E->SetBounds(20, 20, 180, 24);
        E->SetUseXPThemes(false);
        Other = new TEdit(Form);
        Other->SetParent(Form);
        Other->SetBounds(20, 120, 180, 24);
        Form->Show();
        uitest::Pump();
    }
    ~AdvancedEdit() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }
    // What the screen shows at a point of the whole window (frame included).
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
    void PutWindowPixel(TWinControl* C, int X, int Y, COLORREF Color)
    {
        HDC dc = GetWindowDC(C->Handle());
        SetPixel(dc, X, Y, Color);
        ReleaseDC(C->Handle(), dc);
    }
    // The mouse over a point of the form, as the toolkit moves it.
    void MouseTo(TControl* C, int X, int Y) { Input::MouseMove(C, X, Y); }
};

// ---------------------------------------------------------------- typing, selection, clipboard

TEST_F(AdvancedEdit, TypingSelectionClipboardAndUndoKeepTextBeyondAscii)
{
    E->SetFocus();
    Input::TypeText("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln \xE2\x82\xAC");  // "Grüße aus Köln €"
    EXPECT_EQ(E->Text(), "Gr\xFC\xDF" "e aus K\xF6ln \x80");
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    EXPECT_EQ(E->SelText(), "K\xF6ln \x80");
    Input::PressKey('C', ssCtrl);
    EXPECT_EQ(Clipboard()->AsText(1252), "K\xF6ln \x80");
    Input::PressKey(VK_HOME);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(E->Text(), "K\xF6ln \x80Gr\xFC\xDF" "e aus K\xF6ln \x80");
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(E->Text(), "Gr\xFC\xDF" "e aus K\xF6ln \x80") << "the paste is one undo step";
    Input::PressKey(VK_END, ssShift);
    Input::PressKey('X', ssCtrl);
    EXPECT_EQ(E->Text(), "");
    EXPECT_EQ(Clipboard()->AsText(1252), "Gr\xFC\xDF" "e aus K\xF6ln \x80");
    // Another script: the font's code page decides the bytes, the clipboard keeps the letters.
    E->Font()->SetCharset(RUSSIAN_CHARSET);
    Input::TypeText("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");  // "Привет"
    EXPECT_EQ(E->Text(), "\xCF\xF0\xE8\xE2\xE5\xF2");
    E->SelectAll();
    E->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(Clipboard()->AsText(1252), "??????") << "the clipboard holds letters, not bytes";
}

TEST_F(AdvancedEdit, APastedTextOfManyLinesGivesItsFirstLine)
{
    E->SetFocus();
    Input::TypeText("ab");
    Clipboard()->SetAsText("first\r\nsecond");
    Input::PressKey(VK_LEFT);
    Input::PressKey('V', ssCtrl);
    EXPECT_EQ(E->Text(), "afirstb");
    EXPECT_EQ(E->SelStart(), 6) << "the caret after what was pasted";
    Input::PressKey('Z', ssCtrl);
    EXPECT_EQ(E->Text(), "ab");
    Clipboard()->SetAsText("\nonly after a break");
    E->PasteFromClipboard();
    EXPECT_EQ(E->Text(), "ab");
    E->SetReadOnly(true);
    Clipboard()->SetAsText("x");
    E->PasteFromClipboard();
    EXPECT_EQ(E->Text(), "ab");
    E->SetReadOnly(false);
    E->SetMaxLength(4);
    Clipboard()->SetAsText("wxyz");
    E->PasteFromClipboard();
    EXPECT_EQ(E->Text().size(), 4u) << "the limit holds for a paste";
}

TEST_F(AdvancedEdit, ReturnAndCtrlReturnTypeNothingButAnInputMethodsTextArrives)
{
    E->SetFocus();
    std::string pressed;
    E->OnKeyPress = [&](TObject*, char& Key) { pressed += Key; };
    Input::TypeText("one");
    Input::PressKey(VK_RETURN);
    Input::PressKey(VK_RETURN, ssCtrl);
    EXPECT_EQ(E->Text(), "one");
    EXPECT_EQ(pressed, "one\r\r") << "the handlers see the key before the edit drops it";
    // The line keys are the edit's but move nothing it shows: one line stays one line.
    Input::KeyDown(VK_UP);
    EXPECT_TRUE(E->KeyHandled());
    Input::KeyUp(VK_UP);
    EXPECT_FALSE(E->KeyHandled()) << "it lasts while the key is down";
    Input::PressKey(VK_DOWN);
    Input::PressKey(VK_NEXT);
    EXPECT_EQ(E->Text(), "one");
    // Text that comes without a key of its own after a line key is typed, not swallowed.
    Input::KeyDown(VK_DOWN);
    Input::KeyUp(VK_DOWN);
    Input::CommitText("\xC3\xA9t\xC3\xA9");  // "été"
    EXPECT_EQ(E->Text(), "one\xE9t\xE9");
    EXPECT_FALSE(E->KeyHandled());
}

TEST_F(AdvancedEdit, DialogKeysGoToTheFormUnlessTheEditHandlesThem)
{
    auto* ok = new TButton(Form);
    ok->SetParent(Form);
    ok->SetBounds(220, 20, 75, 25);
    ok->Default = true;
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    E->SetFocus();
    const LRESULT code = E->Perform(WM_GETDLGCODE, 0, 0);
    EXPECT_EQ(code & DLGC_WANTALLKEYS, 0);
    EXPECT_NE(code & DLGC_WANTARROWS, 0);
    EXPECT_NE(code & DLGC_WANTCHARS, 0);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(clicks, 1) << "Return is the default button's";
    E->SetHandleDialogKeys(true);
    EXPECT_NE(E->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    Input::PressKey(VK_RETURN);
    EXPECT_EQ(clicks, 1) << "now the edit keeps it";
    EXPECT_EQ(E->Text(), "") << "and still types no line break";
    Input::PressKey(VK_TAB);
    EXPECT_TRUE(Other->Focused() || ok->Focused()) << "Tab still moves on";
}

TEST_F(AdvancedEdit, APasswordCharacterIsRefusedWithABox)
{
    std::string text;
    uitest::AnswerNextDialog([&](TObject* d) {
        if (auto* r = dynamic_cast<TMessageBoxRequest*>(d))
            text = r->Text;
        return IDOK;
    });
    E->SetText("secret");
    E->SetPasswordChar('*');
    EXPECT_EQ(text, "PasswordChar is not supported in ExAdvancedEdit");
    EXPECT_EQ(E->PasswordChar(), 0);
    E->SelectAll();
    E->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "secret");
    // #0 asks for nothing and shows nothing.
    text.clear();
    uitest::AnswerNextDialog([&](TObject*) {
        text = "shown";
        return IDOK;
    });
    E->SetPasswordChar(0);
    EXPECT_EQ(text, "");
    uitest::ClearDialogAnswers();
}

TEST_F(AdvancedEdit, AlignmentPlacesTheText)
{
    E->SetText("abc");
    auto firstX = [&] { return int(SHORT(LOWORD(SendMessage(E->Handle(), EM_POSFROMCHAR, 0, 0)))); };
    const int left = firstX();
    E->SetAlignment(taRightJustify);
    EXPECT_NE(GetWindowLong(E->Handle(), GWL_STYLE) & ES_RIGHT, 0);
    EXPECT_GT(firstX(), E->ClientWidth() / 2);
    E->SetAlignment(taCenter);
    EXPECT_GT(firstX(), left);
    EXPECT_LT(firstX(), E->ClientWidth() / 2);
    EXPECT_EQ(E->Text(), "abc") << "the new window keeps the text";
}

// ---------------------------------------------------------------- flat border, hot and focused

TEST_F(AdvancedEdit, TheFlatBorderLightsUpWhileHotAndFocused)
{
    E->SetFlat(true);
    int entered = 0, left = 0;
    E->OnMouseEnter = [&](TObject* s) {
        EXPECT_EQ(s, E);
        ++entered;
    };
    E->OnMouseLeave = [&](TObject* s) {
        EXPECT_EQ(s, E);
        ++left;
    };
    Other->SetFocus();
    MouseTo(Form, 300, 200);
    // Inactive: one sunken line and the face inside it; active: the two-line sunken edge.
    const COLORREF face = Rgb(clBtnFace), dark = Rgb(cl3DDkShadow), shadow = Rgb(clBtnShadow);
    ASSERT_NE(face, dark);
    EXPECT_EQ(WindowPixel(E, 0, 0), shadow);
    EXPECT_EQ(WindowPixel(E, 1, 1), face);
    MouseTo(E, 30, 8);
    EXPECT_TRUE(E->MouseOver());
    EXPECT_EQ(WindowPixel(E, 1, 1), dark);
    EXPECT_EQ(WindowPixel(E, 5, 1), dark);
    MouseTo(Form, 300, 200);
    EXPECT_FALSE(E->MouseOver());
    EXPECT_EQ(WindowPixel(E, 1, 1), face);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
    E->SetFocus();
    EXPECT_EQ(WindowPixel(E, 1, 1), dark) << "focused looks active";
    Other->SetFocus();
    EXPECT_EQ(WindowPixel(E, 1, 1), face);
    // The border types are the user's.
    E->SetInactiveBorderType(fbtFlat);
    E->SetActiveBorderType(fbtSunkenOuter);
    EXPECT_EQ(WindowPixel(E, 1, 1), Rgb(E->Color())) << "a flat border in the edit's colour";
    MouseTo(E, 30, 8);
    EXPECT_EQ(WindowPixel(E, 1, 1), face);
    MouseTo(Form, 300, 200);
}

TEST_F(AdvancedEdit, TheFlatBorderSurvivesAFramePaintOfItsOwn)
{
    E->SetFlat(true);
    Other->SetFocus();
    uitest::Pump();
    const COLORREF before = WindowPixel(E, 1, 1);
    RedrawWindow(E->Handle(), nullptr, nullptr, RDW_FRAME);
    EXPECT_EQ(WindowPixel(E, 1, 1), before);
    EXPECT_EQ(before, Rgb(clBtnFace));
}

TEST_F(AdvancedEdit, BorderSidesLeftOutGiveTheirEdgeToTheClientArea)
{
    const TRect all = E->ClientRect();
    const int ex = GetSystemMetrics(SM_CXEDGE), ey = GetSystemMetrics(SM_CYEDGE);
    E->SetBorderSides(0);
    TRect none = E->ClientRect();
    EXPECT_EQ(none.Width(), all.Width() + 2 * ex);
    EXPECT_EQ(none.Height(), all.Height() + 2 * ey);
    E->SetBorderSides(BorderSide(ebsLeft) | BorderSide(ebsTop));
    TRect two = E->ClientRect();
    EXPECT_EQ(two.Width(), all.Width() + ex);
    TPoint origin = E->ClientToScreen({0, 0});
    TRect window;
    GetWindowRect(E->Handle(), &window);
    EXPECT_EQ(origin.X - window.Left, ex) << "the left edge stays";
    EXPECT_EQ(E->Perform(WM_NCCALCSIZE, 0, 0), WVR_REDRAW);
    // A flat border keeps to the sides there are.
    E->SetFlat(true);
    E->SetColor(clYellow);
    EXPECT_EQ(WindowPixel(E, 0, 10), Rgb(clBtnShadow));
    EXPECT_EQ(WindowPixel(E, E->Width() - 1, 10), Rgb(clYellow)) << "the right side is client area";
}

TEST_F(AdvancedEdit, AThemedFrameIsTheThemesEditFrame)
{
    if (!ThemesAvailable)
        GTEST_SKIP() << "themes switched off";
    E->SetUseXPThemes(true);
    ASSERT_TRUE(E->IsThemeApplied());
    E->SetFlat(true);
    Other->SetFocus();
    uitest::Pump();
    const int w = E->Width(), h = E->Height();
    // The theme drawn over two grounds: where both agree it paints opaquely.
    TBitmap frame, other;
    for (auto [b, ground] : {std::pair{&frame, clFuchsia}, std::pair{&other, clLime}}) {
        b->SetSize(w, h);
        b->Canvas()->Brush()->SetColor(ground);
        b->Canvas()->FillRect(TRect{0, 0, w, h});
        DrawThemeBackgroundTo(u"EDIT", b->Canvas()->Handle(), 0, 0, TRect{0, 0, w, h}, nullptr);
    }
    int compared = 0;
    for (int x = 0; x < w; ++x)
        for (int y : {0, 1, h - 2, h - 1}) {
            const COLORREF want = COLORREF(frame.Canvas()->Pixels(x, y));
            if (want != COLORREF(other.Canvas()->Pixels(x, y)))
                continue;
            ++compared;
            EXPECT_EQ(WindowPixel(E, x, y), want) << x << "," << y;
        }
    EXPECT_GT(compared, w);
    // Hot tracking asks the theme again rather than drawing the flat look.
    MouseTo(E, 30, 8);
    EXPECT_EQ(WindowPixel(E, w / 2, 0), COLORREF(frame.Canvas()->Pixels(w / 2, 0)));
    // Switched off, the classic flat border is back at once.
    MouseTo(Form, 300, 200);
    E->SetUseXPThemes(false);
    EXPECT_FALSE(E->IsThemeApplied());
    EXPECT_EQ(WindowPixel(E, 1, 1), Rgb(clBtnFace));
    E->SetUseXPThemes(true);
    EXPECT_TRUE(E->IsThemeApplied());
    EXPECT_EQ(E->Perform(WM_THEMECHANGED, 0, 0), 1);
    EXPECT_TRUE(E->IsThemeApplied());
}

// ---------------------------------------------------------------- backgrounds

TEST_F(AdvancedEdit, ATiledBitmapLiesUnderTheTextAndStaysThereWhileTyping)
{
    TBitmap tile;
    tile.SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            tile.Canvas()->SetPixel(x, y, (x + y) % 2 ? clLime : clBlue);
    E->SetBackground(&tile);
    E->SetUseBackground(true);
    E->SetText("W");
    const TRect c = E->ClientRect();
    const int x = c.Right - 3, y = c.Bottom - 2;
    EXPECT_EQ(ClientPixel(E, x, y), Rgb((x % 4 + y % 3) % 2 ? clLime : clBlue));
    EXPECT_EQ(ClientPixel(E, 0, 0), Rgb(clBlue));
    // The text is drawn over the tiles, not on a box of its own.
    E->SetFocus();
    E->SetSelStart(1);
    Input::TypeText("WWW");
    uitest::Pump();
    int inky = 0;
    for (int px = 0; px < 40; ++px)
        for (int py = 0; py < c.Bottom; ++py) {
            const COLORREF p = ClientPixel(E, px, py);
            if (p != Rgb(clLime) && p != Rgb(clBlue))
                ++inky;
        }
    EXPECT_GT(inky, 10);
    // Drawn over the tiles, not in boxes of the window's colour.
    int boxed = 0;
    for (int px = 0; px < c.Right; ++px)
        for (int py = 0; py < c.Bottom; ++py)
            boxed += ClientPixel(E, px, py) == Rgb(clWindow);
    EXPECT_EQ(boxed, 0);
    // Each later paint runs the whole-area paint again: a stray pixel goes at once.
    HDC dc = GetDC(E->Handle());
    SetPixel(dc, x, y, RGB(255, 0, 0));
    ReleaseDC(E->Handle(), dc);
    InvalidateRect(E->Handle(), nullptr, FALSE);
    EXPECT_EQ(ClientPixel(E, x, y), Rgb((x % 4 + y % 3) % 2 ? clLime : clBlue));
    // An empty bitmap is no background.
    TBitmap none;
    E->SetBackground(&none);
    E->Repaint();
    EXPECT_EQ(ClientPixel(E, x, y), Rgb(clWindow));
}

TEST_F(AdvancedEdit, ATransparentEditShowsItsParent)
{
    Form->SetColor(clTeal);
    // A windowless child of the form under the edit's right end.
    auto* label = new TLabel(Form);
    label->SetParent(Form);
    label->SetAutoSize(false);
    label->SetTransparent(false);
    label->SetColor(clRed);
    label->SetCaption("");
    label->SetBounds(170, 30, 60, 40);
    E->SetTransparent(true);
    E->SetText("ab");
    const TRect c = E->ClientRect();
    const TPoint at = Form->ScreenToClient(E->ClientToScreen({0, 0}));
    EXPECT_EQ(ClientPixel(E, 100 - at.X, c.Bottom - 2), Rgb(clTeal));
    EXPECT_EQ(ClientPixel(E, 175 - at.X, c.Bottom - 2), Rgb(clRed));
    EXPECT_EQ(ClientPixel(E, 169 - at.X, c.Bottom - 2), Rgb(clTeal)) << "the parent drawn where it lies";
    EXPECT_EQ(ClientPixel(E, 175 - at.X, 30 - at.Y), Rgb(clRed));
    EXPECT_EQ(ClientPixel(E, 175 - at.X, 29 - at.Y), Rgb(clTeal));
    E->SetTransparent(false);
    E->Repaint();
    EXPECT_EQ(ClientPixel(E, 100 - at.X, c.Bottom - 2), Rgb(clWindow));
}

TEST_F(AdvancedEdit, AnImageFormPaintsUnderTheEditUnlessItIsAPlainColour)
{
    auto* form = new TExImageForm(Form);
    TBitmap pic;
    pic.SetSize(420, 260);
    pic.Canvas()->Brush()->SetColor(clOlive);
    pic.Canvas()->FillRect(TRect{0, 0, 420, 260});
    pic.Canvas()->Brush()->SetColor(clMaroon);
    pic.Canvas()->FillRect(TRect{0, 0, 420, 30});
    form->SetBkImage(&pic);
    form->SetBackgroundType(bgtColorFill);
    E->SetImageForm(form);
    const TRect c = E->ClientRect();
    EXPECT_EQ(ClientPixel(E, c.Right - 2, c.Bottom - 2), Rgb(clWindow)) << "a plain colour leaves the edit alone";
    form->SetBackgroundType(bgtTileBitmap);
    E->Repaint();
    // The form's picture as it lies under the edit: the top band ends at the form's y 30.
    const TPoint at = Form->ScreenToClient(E->ClientToScreen({0, 0}));
    EXPECT_EQ(ClientPixel(E, c.Right - 2, 29 - at.Y), Rgb(clMaroon));
    EXPECT_EQ(ClientPixel(E, c.Right - 2, 31 - at.Y), Rgb(clOlive));
    // An image form that goes is forgotten, and the edit shows its own colour again at once.
    TObject::Free(form);
    EXPECT_EQ(E->ImageForm(), nullptr);
    EXPECT_EQ(ClientPixel(E, c.Right - 2, c.Bottom - 2), Rgb(clWindow));
}

// ---------------------------------------------------------------- handlers that free the edit

TEST_F(AdvancedEdit, HandlersMayFreeTheEdit)
{
    E->SetUseBackground(true);
    TBitmap tile;
    tile.SetSize(2, 2);
    E->SetBackground(&tile);
    E->SetFocus();
    const int count = Form->ControlCount();
    // The handler's own storage goes with the edit: it reads what it needs first.
    E->OnChange = [this](TObject*) {
        TExAdvancedEdit* e = E;
        E = nullptr;
        TObject::Free(e);
    };
    Input::TypeText("x");
    uitest::Pump();
    EXPECT_EQ(E, nullptr);
    EXPECT_EQ(Form->ControlCount(), count - 1);
    // Hot tracking's event.
    auto* second = new TExAdvancedEdit(Form);
    second->SetParent(Form);
    second->SetBounds(20, 60, 100, 24);
    second->SetFlat(true);
    second->OnMouseEnter = [second](TObject*) { TObject::Free(second); };
    uitest::Pump();
    Input::MouseMove(second, 10, 8);
    uitest::Pump();
    EXPECT_EQ(Form->ControlCount(), count - 1);
    // Key handlers, down and press.
    for (int way = 0; way < 2; ++way) {
        auto* e = new TExAdvancedEdit(Form);
        e->SetParent(Form);
        e->SetBounds(20, 60, 100, 24);
        if (way == 0)
            e->OnKeyDown = [e](TObject*, Word&, TShiftState) { TObject::Free(e); };
        else
            e->OnKeyPress = [e](TObject*, char&) { TObject::Free(e); };
        uitest::Pump();
        e->SetFocus();
        if (way == 0)
            Input::PressKey(VK_UP);
        else
            Input::TypeText("\r");
        uitest::Pump();
        EXPECT_EQ(Form->ControlCount(), count - 1) << way;
    }
}

}  // namespace

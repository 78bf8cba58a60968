#include "extras/Exgraphbtn.h"

#include "ctlbase/Exuxtheme.h"
#include "platform/CodePages.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/WinGdi.h"

TCustomExGraphicButton::TCustomExGraphicButton(TComponent* AOwner) : Inherited(AOwner)
{
    ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks;
    SetBounds(Left(), Top(), 75, 25);
    SetColor(clBtnFace);
    Font()->SetColor(clBtnText);
    SetParentFont(true);
    DeriveShadows();
    FMenuWindow = AllocateHWnd([this](TMessage& Message) { MenuWndProc(Message); });
    SetUseXPThemes(true);
}

TCustomExGraphicButton::~TCustomExGraphicButton()
{
    SetUseArrow(false);
    DeallocateHWnd(FMenuWindow);
    FMenuWindow = nullptr;
    SetUseXPThemes(false);
    FreeThemeHandle();
}

// ---------------------------------------------------------------- themes

void TCustomExGraphicButton::CreateThemeHandle()
{
    if (ThemesAvailable) {
        FTheme = OpenThemeData(nullptr, GetThemedClassName().c_str());
        FArrowTheme = OpenThemeData(nullptr, GetArrowThemedClassName().c_str());
    } else {
        FTheme = nullptr;
        FArrowTheme = nullptr;
    }
}

void TCustomExGraphicButton::FreeThemeHandle()
{
    if (ThemesAvailable) {
        if (FTheme != nullptr) CloseThemeData(FTheme);
        if (FArrowTheme != nullptr) CloseThemeData(FArrowTheme);
    }
    FTheme = nullptr;
    FArrowTheme = nullptr;
}

void TCustomExGraphicButton::SetUseXPThemes(bool Value)
{
    if (Value == FUseXPThemes) return;
    FUseXPThemes = Value;
    if (ThemesAvailable) {
        if (Value)
            CreateThemeHandle();
        else
            FreeThemeHandle();
    }
    UpdateOpaque();
    Invalidate();
}

void TCustomExGraphicButton::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes) {
        FreeThemeHandle();
        CreateThemeHandle();
        UpdateOpaque();
        Invalidate();
    }
    Message.Result = 1;
}

int TCustomExGraphicButton::GetThemeStateID()
{
    if (!LooksEnabled()) return 4;
    if (Pressed()) return 3;
    if (Hot()) return 2;
    return 1;
}

int TCustomExGraphicButton::GetArrowThemeStateID()
{
    if (!LooksEnabled()) return 4;
    if (FState == ebsExclusive || FState == ebsArrDown) return 3;
    if (Hot()) return 2;
    return 1;
}

Integer TCustomExGraphicButton::GetArrowSize()
{
    if (FArrowTheme != nullptr && ThemesAvailable && Parent() != nullptr) {
        SIZE size{};
        if (GetThemePartSize(FArrowTheme, Canvas()->Handle(), GetArrowThemePartID(), GetArrowThemeStateID(),
                             nullptr, TS_TRUE, &size) == S_OK)
            return size.cx;
    }
    return 13;
}

void TCustomExGraphicButton::DrawThemedBackground(TCanvas* ACanvas)
{
    const TRect r = ClientRect();
    DrawThemeBackground(FTheme, ACanvas->Handle(), 1, 0, &r, nullptr);
}

// ---------------------------------------------------------------- properties

void TCustomExGraphicButton::SetCaption(const std::string& Value)
{
    if (Value == FCaption) return;
    FCaption = Value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomExGraphicButton::SetTransparent(bool Value)
{
    if (Value == FTransparent) return;
    FTransparent = Value;
    UpdateOpaque();
    Repaint();
}

void TCustomExGraphicButton::UpdateOpaque()
{
    if (FTransparent || IsThemeApplied())
        ControlStyle &= ~TControlStyle(csOpaque);
    else
        ControlStyle |= csOpaque;
}

void TCustomExGraphicButton::SetTextDrawType(TExTextDrawType Value)
{
    if (Value == FTextDrawType) return;
    FTextDrawType = Value;
    Invalidate();
}

// ---------------------------------------------------------------- clicks and the pull-down menu

void TCustomExGraphicButton::Click(bool IsArrow) { PerformClick(IsArrow, FMenuWindow, 0); }

void TCustomExGraphicButton::MenuWndProc(TMessage& Message)
{
    // Only the menu's messages are the button's; the window's own housekeeping is not.
    if (Message.Msg == WM_ENTERMENULOOP || Message.Msg == WM_EXITMENULOOP || Message.Msg == MenuCancelMsg ||
        Message.Msg == WM_QUERYENDSESSION || Message.Msg == WM_MENUSELECT) {
        WndProc(Message);
        return;
    }
    Message.Result = DefWindowProc(FMenuWindow, Message.Msg, Message.WParam, Message.LParam);
}

void TCustomExGraphicButton::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_QUERYENDSESSION:
        Message.Result = 1;
        return;
    case WM_EXITMENULOOP:
        MenuLoopExited(FMenuWindow);
        return;
    case WM_ENTERMENULOOP:
        return;
    case WM_MENUSELECT:
        MenuSelectHint(FPullDownMenu, Message);
        Message.Result = 0;
        return;
    default:
        break;
    }
    if (Message.Msg == MenuCancelMsg) {
        MenuCancelled();
        return;
    }
    Inherited::WndProc(Message);
}

// ---------------------------------------------------------------- dialog keys

void TCustomExGraphicButton::CMDialogKey(TMessage& Message)
{
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    if ((shift & (ssShift | ssCtrl | ssAlt)) == 0 &&
        ((key == VK_RETURN && Default && DefaultButtonTakesEnter()) || (key == VK_ESCAPE && Cancel))) {
        Click();
        Message.Result = 1;
        return;
    }
    Inherited::Dispatch(Message);
}

void TCustomExGraphicButton::CMDialogChar(TMessage& Message)
{
    // A button the user cannot see or use does not click; the key goes on to the others. It takes
    // no focus itself, so its parent stands in for the focus test of the windowed buttons.
    const bool usable = Visible() && Enabled() && Parent() != nullptr && Parent()->CanFocus();
    if (usable && IsCaptionAccelerator(Message.WParam, FCaption, CharsetToCodePage(Font()->Charset()))) {
        Click();
        Message.Result = 1;
        return;
    }
    Inherited::Dispatch(Message);
}

// ---------------------------------------------------------------- other notifications

void TCustomExGraphicButton::CMTextChanged(TMessage& Message)
{
    Inherited::Dispatch(Message);
    FMultiLine = FCaption.find("\r\n") != std::string::npos;
    Invalidate();
}

// ---------------------------------------------------------------- painting

void TCustomExGraphicButton::Paint()
{
    const TRect client = ClientRect();
    if (client.Width() <= 0 || client.Height() <= 0) return;
    TBitmap bmp;
    bmp.SetSize(client.Width(), client.Height());
    TCanvas* c = bmp.Canvas();
    HDC dc = c->Handle();
    // What the parent shows under the button is where the painting starts.
    BitBlt(dc, 0, 0, client.Width(), client.Height(), Canvas()->Handle(), 0, 0, SRCCOPY);
    const bool themed = IsThemeApplied();
    TRect r = client;
    Integer aw = 0;

    const bool enabled = PaintState();
    c->SetFont(Font());
    if (!themed && !FTransparent) PaintBackground(c, r, Pressed());

    int bodyState = 0;
    if (themed) {
        DrawThemedBackground(c);
        if (FUseArrow) {
            aw = GetArrowSize();
            r.Right -= aw;
        }
        bodyState = GetThemeStateID();
        TRect clip = c->ClipRect();
        DrawThemeBackground(FTheme, dc, GetThemePartID(), bodyState, &r, &clip);
        if (FUseArrow) {
            const TRect ar{r.Right, r.Top, r.Right + aw, r.Bottom};
            DrawThemeBackground(FArrowTheme, dc, GetArrowThemePartID(), GetArrowThemeStateID(), &ar, nullptr);
        }
    } else {
        PaintFrames(c, r, aw, enabled, false, false);
    }
    PaintPicture(c, r, aw, FCaption, FTextDrawType, false, themed ? FTheme : nullptr, GetThemePartID(), bodyState);
    BitBlt(Canvas()->Handle(), 0, 0, client.Width(), client.Height(), dc, 0, 0, SRCCOPY);
}

#include "controls/Expopbtn.h"

#include "ctlbase/Exuxtheme.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/WinGdi.h"

TCustomExPopupButton::TCustomExPopupButton(TComponent* AOwner) : Inherited(AOwner)
{
    ControlStyle = csCaptureMouse | csSetCaption | csOpaque | csDoubleClicks | csReflector;
    SetBounds(Left(), Top(), 75, 25);
    SetTabStop(true);
    Font()->SetColor(clBtnText);
    SetParentFont(true);
    DeriveShadows();
    FUseXPThemes = true;
}

TCustomExPopupButton::~TCustomExPopupButton()
{
    if (FArrowTheme != nullptr && ThemesAvailable) CloseThemeData(FArrowTheme);
    FArrowTheme = nullptr;
}

// ---------------------------------------------------------------- small helpers

Integer TCustomExPopupButton::GetArrowSize()
{
    if (FArrowTheme != nullptr && ThemesAvailable) {
        SIZE size{};
        HDC dc = HandleAllocated() ? Canvas()->Handle() : nullptr;
        if (GetThemePartSizeTo(u"COMBOBOX", dc, 1, 1, nullptr, TS_TRUE, size) == S_OK) return size.cx;
    }
    return 13;
}

// ---------------------------------------------------------------- properties

void TCustomExPopupButton::SetDefault(bool Value)
{
    FDefault = Value;
    if (HandleAllocated()) {
        if (TCustomForm* form = GetParentForm(this))
            form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
    }
    if (FDrawDefaultFrame) Invalidate();
}

void TCustomExPopupButton::SetDrawDefaultFrame(bool Value)
{
    if (Value == FDrawDefaultFrame) return;
    FDrawDefaultFrame = Value;
    if (FDefault) Invalidate();
}

bool TCustomExPopupButton::FrameShowing()
{
    return !FOldStyled && (Hot() || (HandleAllocated() && Focused())) && !Pressed();
}

void TCustomExPopupButton::SetShowFocus(bool Value)
{
    if (Value == FShowFocus) return;
    FShowFocus = Value;
    Invalidate();
}

// ---------------------------------------------------------------- window

void TCustomExPopupButton::CreateParams(TCreateParams& Params)
{
    TExButtonControl::CreateParams(Params);
    Params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TCustomExPopupButton::CreateWnd()
{
    TExButtonControl::CreateWnd();
    FActive = FDefault;
}

void TCustomExPopupButton::SetButtonStyle(bool ADefault)
{
    if (!HandleAllocated()) return;
    const DWORD style = DWORD(GetWindowLong(Handle(), GWL_STYLE));
    if ((style & 0xF) != (ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON))
        SendMessage(Handle(), BM_SETSTYLE, ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 1);
}

void TCustomExPopupButton::CreateThemeHandle()
{
    TExButtonControl::CreateThemeHandle();
    FArrowTheme = ThemesAvailable ? OpenThemeData(Handle(), u"SCROLLBAR") : nullptr;
}

void TCustomExPopupButton::FreeThemeHandle()
{
    TExButtonControl::FreeThemeHandle();
    if (ThemesAvailable && FArrowTheme != nullptr) CloseThemeData(FArrowTheme);
    FArrowTheme = nullptr;
}

void TCustomExPopupButton::Loaded()
{
    TExButtonControl::Loaded();
    if (FUseImageList) FGlyph->UseImageList = true;
    if (FDown) {
        FDown = false;
        SetDown(true);
    }
}

// ---------------------------------------------------------------- clicks and the pull-down menu

void TCustomExPopupButton::AClick(bool IsArrow)
{
    PerformClick(IsArrow, HandleAllocated() ? Handle() : nullptr, GetSystemMetrics(SM_CXEDGE));
}

void TCustomExPopupButton::WndProc(TMessage& Message)
{
    // The menu's own messages (its sub-menus opening, the chosen command) take their default road,
    // which runs the items.
    if (Message.Msg == WM_QUERYENDSESSION && (FPullDownMenu != nullptr || FMenuShown)) {
        Message.Result = 1;
        return;
    }
    if (Message.Msg == WM_MENUSELECT) {
        MenuSelectHint(FPullDownMenu, Message);
        Message.Result = 0;
        return;
    }
    if (Message.Msg == WM_EXITMENULOOP) MenuLoopExited(Handle());
    if (Message.Msg == MenuCancelMsg && MenuCancelMsg != 0) {
        MenuCancelled();
        return;
    }
    Inherited::WndProc(Message);
}

// ---------------------------------------------------------------- keyboard and dialogs

void TCustomExPopupButton::WMKeyDown(TMessage& Message)
{
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    const bool plain = (shift & (ssShift | ssCtrl | ssAlt)) == 0;
    const bool focused = HandleAllocated() && Focused();
    TGuardPtr<TCustomExPopupButton> self(this);
    if (key == VK_ESCAPE && plain) {
        Message.Result = 0;
        if (TCustomForm* form = GetParentForm(this)) form->Perform(CM_DIALOGKEY, VK_ESCAPE, Message.LParam);
        return;
    }
    if (focused && Enabled() && plain) {
        if (key == VK_SPACE) {
            FKeyPressed = true;
            // As a press of the mouse: a button already down keeps its look.
            if (!FDown && FState != ebsDown) {
                FState = ebsDown;
                Play(DownSound);
                if (!self) return;
                Invalidate();
            }
            Message.Result = 0;
            return;
        }
        if (key == VK_RETURN) {
            FKeyPressed = false;
            Click();
            Message.Result = 0;
            return;
        }
    }
    Inherited::Dispatch(Message);
}

void TCustomExPopupButton::CNSysKeyDown(TMessage& Message)
{
    // Alt+Down opens the pull-down menu; taken before the form would use the arrow to move the focus.
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (Word(Message.WParam) == VK_DOWN && (shift & (ssShift | ssCtrl | ssAlt)) == ssAlt) {
        if (Enabled() && FUseArrow && FPullDownMenu != nullptr && FPullDownMenu->AutoPopup) AClick(true);
        Message.Result = 1;
        return;
    }
    Inherited::Dispatch(Message);
}

void TCustomExPopupButton::WMKeyUp(TMessage& Message)
{
    // Key-up messages stop here; only the space bar acts on them, and only on the button it pressed.
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (key != VK_SPACE || (shift & (ssShift | ssCtrl | ssAlt)) != 0 || !Enabled() || !Focused() || !FKeyPressed)
        return;
    FKeyPressed = false;
    Click();
}

void TCustomExPopupButton::CMDialogKey(TMessage& Message)
{
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    const bool plain = (shift & (ssShift | ssCtrl | ssAlt)) == 0;
    if (plain && ((key == VK_RETURN && FDefault && DefaultButtonTakesEnter()) || (key == VK_ESCAPE && Cancel)) &&
        CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    Inherited::Dispatch(Message);
}

void TCustomExPopupButton::CMFocusChanged(TMessage& Message)
{
    const bool was = FActive;
    auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
    FActive = focused == this;
    SetButtonStyle(FActive);
    if (was != FActive) Invalidate();
    Inherited::Dispatch(Message);
}

void TCustomExPopupButton::WMGetDlgCode(TMessage& Message)
{
    Inherited::Dispatch(Message);
    Message.Result = DLGC_BUTTON | DLGC_WANTALLKEYS;
}

void TCustomExPopupButton::CNCommand(TMessage& Message)
{
    if (HIWORD(Message.WParam) == BN_CLICKED) Click();
}

void TCustomExPopupButton::WMFocus(TMessage& Message)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    Inherited::Dispatch(Message);
    if (!self) return;
    // A press of the body, by key or mouse, ends without a click when the focus goes elsewhere.
    if (Message.Msg == WM_KILLFOCUS &&
        (FKeyPressed || (FTracking && !FPressedOnArrow && !FMenuShown))) {
        FKeyPressed = false;
        FTracking = false;
        FState = RestState();
    }
    Invalidate();
}

void TCustomExPopupButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

// ---------------------------------------------------------------- other notifications

void TCustomExPopupButton::CMTextChanged(TMessage& Message)
{
    Inherited::Dispatch(Message);
    FMultiLine = FCaption.find("\r\n") != std::string::npos;
    Invalidate();
}

// ---------------------------------------------------------------- painting

void TCustomExPopupButton::Paint()
{
    const TRect client = ClientRect();
    if (client.Width() <= 0 || client.Height() <= 0) return;
    TBitmap bmp;
    bmp.SetSize(client.Width(), client.Height());
    TCanvas* c = bmp.Canvas();
    HDC dc = c->Handle();
    const bool themed = IsThemeApplied();
    TRect r = client;
    Integer aw = 0;

    if (themed && DrawThemeParentBackground != nullptr) DrawThemeParentBackground(Handle(), dc, &r);
    const bool enabled = PaintState();
    c->SetFont(Font());
    const bool pressed = Pressed();
    const bool defaultFrame = FDefault && FDrawDefaultFrame;

    if (!themed) {
        if (FTransparent) {
            // The parent is drawn anew first so that what shows through is current.
            if (Parent() != nullptr && Parent()->HandleAllocated()) {
                TRect onParent = r;
                OffsetRect(onParent, Left(), Top());
                RedrawWindow(Parent()->Handle(), &onParent, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            }
            if (DrawThemeParentBackground != nullptr) DrawThemeParentBackground(Handle(), dc, &r);
        } else {
            PaintBackground(c, r, pressed);
        }
        if (defaultFrame) {
            c->Brush()->SetColor(FOldStyled ? cl3DDkShadow : clBtnShadow);
            c->FrameRect(r);
            InflateRect(r, -1, -1);
        }
    }

    const bool focused = HandleAllocated() && Focused();
    int bodyState = 0;
    if (themed && FArrowTheme != nullptr) {
        bodyState = !enabled ? 4 : pressed ? 3 : Hot() ? 2 : (defaultFrame || focused) ? 5 : 1;
        DrawThemeBackground(Theme(), dc, 1, 0, &r, nullptr);
        if (FUseArrow) {
            aw = GetArrowSize();
            if (aw == 0 && GetThemeSysSize != nullptr) aw = GetThemeSysSize(FArrowTheme, SM_CXVSCROLL);
            r.Right -= aw;
        }
        TRect clip = c->ClipRect();
        DrawThemeBackground(Theme(), dc, 1, bodyState, &r, &clip);
        if (FUseArrow) {
            // The scroll bar's down-arrow states (its first four point up, wrong for a pull-down).
            const int arrowState =
                4 + (!enabled ? 4 : (FState == ebsExclusive || FState == ebsArrDown) ? 3 : Hot() ? 2 : 1);
            const TRect ar{r.Right, r.Top, r.Right + aw, r.Bottom};
            DrawThemeBackground(FArrowTheme, dc, 1, arrowState, &ar, nullptr);
        }
    } else {
        PaintFrames(c, r, aw, enabled, focused, defaultFrame);
    }

    PaintPicture(c, r, aw, FCaption, FTextDrawType, focused && FShowFocus, themed ? Theme() : nullptr, 1, bodyState);

    if (focused && FShowFocus) {
        TRect fr = r;
        fr.Right -= aw;
        InflateRect(fr, -2, -2);
        c->Pen()->SetColor(clWindowFrame);
        c->Brush()->SetColor(clBtnFace);
        c->Brush()->SetStyle(bsSolid);
        c->DrawFocusRect(fr);
    }
    BitBlt(Canvas()->Handle(), 0, 0, client.Width(), client.Height(), dc, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- the published button

void TExPopupButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (CanFocus() && TabStop()) {
        // Taking the focus runs the enter and exit handlers, which may free the button.
        TGuardPtr<TExPopupButton> self(this);
        SetFocus();
        if (!self) return;
    }
    TCustomExPopupButton::MouseDown(Button, Shift, X, Y);
}

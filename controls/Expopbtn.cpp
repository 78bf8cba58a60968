#include "controls/Expopbtn.h"

#include <algorithm>
#include <vector>

#include "controls/Exsoundmapbase.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/WinGdi.h"

const UINT MenuCancelMsg = RegisterWindowMessage("Ex - Cancel pulldown menu");

namespace {

// The arrow part's share of a press and a release: wider than the part itself, narrower when flat.
constexpr int ArrowPressZone = 15;
constexpr int FlatArrowPressZone = 11;

}  // namespace

TCustomExPopupButton::TCustomExPopupButton(TComponent* AOwner)
    : TExPictureButton<TExButtonControl>(AOwner)
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

bool TCustomExPopupButton::InArrowZone(int X) const
{
    if (!FUseArrow) return false;
    const int zone = FFlat ? FlatArrowPressZone : ArrowPressZone;
    return X >= Width() - zone && X <= Width();
}

bool TCustomExPopupButton::Pressed() const
{
    return (FDown && FIsSwitch) || FState == ebsDown || FState == ebsExclusive;
}

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

void TCustomExPopupButton::SetUseArrow(bool Value)
{
    if (Value == FUseArrow) return;
    FUseArrow = Value;
    Invalidate();
}

void TCustomExPopupButton::SetPullDownMenu(TPopupMenu* Value)
{
    if (Value == FPullDownMenu) return;
    if (FPullDownMenu != nullptr) FPullDownMenu->RemoveFreeNotification(this);
    FPullDownMenu = Value;
    if (FPullDownMenu != nullptr) FPullDownMenu->FreeNotification(this);
    DisableAutoPopup = Value == nullptr;
}

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

void TCustomExPopupButton::SetGroupIndex(Integer Value)
{
    if (Value == FGroupIndex) return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TCustomExPopupButton::SetAllowAllUp(bool Value)
{
    if (Value == FAllowAllUp) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TCustomExPopupButton::SetDown(bool Value)
{
    if (HasState(csLoading)) {
        FDown = Value;
        return;
    }
    if (FGroupIndex == 0 && !FIsSwitch) Value = false;
    if (FDown && !FAllowAllUp && !FIsSwitch) return;
    if (Value == FDown) return;
    FDown = Value;
    TGuardPtr<TCustomExPopupButton> self(this);
    if (Value) {
        Play(DownSound);
        if (!self) return;
        FState = FIsSwitch ? ebsDown : ebsExclusive;
    } else {
        Play(UpSound);
        if (!self) return;
        FState = ebsUp;
    }
    Invalidate();
    if (Value) UpdateExclusive();
}

void TCustomExPopupButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || Parent() == nullptr) return;
    // The siblings are walked over a copy: a handler may free any of them, this one included.
    std::vector<TGuardPtr<TControl>> siblings;
    for (int i = 0; i < Parent()->ControlCount(); ++i) siblings.emplace_back(Parent()->Controls(i));
    const WPARAM group = WPARAM(FGroupIndex);
    const LPARAM sender = reinterpret_cast<LPARAM>(static_cast<TControl*>(this));
    TGuardPtr<TCustomExPopupButton> self(this);
    for (auto& c : siblings) {
        if (!self) return;
        if (c && c.Get() != this) c->Perform(CM_BUTTONPRESSED, group, sender);
    }
}

void TCustomExPopupButton::CMButtonPressed(TMessage& Message)
{
    auto* sender = dynamic_cast<TExGroupedButton*>(reinterpret_cast<TControl*>(Message.LParam));
    if (Integer(Message.WParam) != FGroupIndex || sender == nullptr || sender == this) return;
    if (sender->GroupDown() && FDown) {
        FDown = false;
        TGuardPtr<TCustomExPopupButton> self(this);
        Play(UpSound);
        if (!self) return;
        FState = ebsUp;
        Invalidate();
    }
    FAllowAllUp = sender->GroupAllowAllUp();
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

void TCustomExPopupButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TExPictureButton<TExButtonControl>::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPullDownMenu) SetPullDownMenu(nullptr);
}

// ---------------------------------------------------------------- clicks and the pull-down menu

void TCustomExPopupButton::Click() { AClick(false); }

void TCustomExPopupButton::AClick(bool IsArrow)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    if (IsArrow) {
        Play(ArrowClickSound);
        if (!self) return;
        if (OnArrowClick) OnArrowClick(this);
    } else {
        Play(ClickSound);
        if (!self) return;
        TExButtonControl::Click();
        if (!self) return;
        Invalidate();
    }
    if (!self || FPullDownMenu == nullptr || DisableAutoPopup || !(IsArrow || !FUseArrow)) return;
    TGuardPtr<TPopupMenu> menu(FPullDownMenu);
    menu->PopupComponent = this;
    menu->AutoPopup = true;
    const TPoint p = ClientOrigin();
    TPoint at;
    switch (PopupPlace) {
    case ppDown:
        at = TPoint{p.X - 1, p.Y + Height()};
        break;
    case ppRight:
        at = TPoint{p.X + Width(), p.Y - 1};
        break;
    case ppTop:
        at = TPoint{p.X - 1, p.Y - menu->Items()->Count() * GetSystemMetrics(SM_CYMENU) - GetSystemMetrics(SM_CXEDGE)};
        break;
    }
    FMenuShown = true;
    if (menu->OnPopup) menu->OnPopup(menu.Get());
    // The popup handler may have freed the menu or the button.
    if (!self) return;
    if (!menu) {
        FMenuShown = false;
        return;
    }
    TrackPopupMenu(menu->Items()->Handle(), TPM_RIGHTBUTTON, at.X, at.Y, 0, Handle(), nullptr);
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
    if (Message.Msg == WM_EXITMENULOOP) {
        FTracking = true;
        PostMessage(Handle(), MenuCancelMsg, 0, 0);
        POINT pt{};
        GetCursorPos(&pt);
        const TPoint c = ScreenToClient(TPoint{pt.X, pt.Y});
        const TRect arrow{ClientWidth() - GetArrowSize(), 0, ClientWidth(), ClientHeight()};
        FMenuClosedOnArrow = PtInRect(arrow, c);
    }
    if (Message.Msg == MenuCancelMsg && MenuCancelMsg != 0) {
        FMenuShown = false;
        FTracking = false;
        FState = ebsUp;
        FMouseInControl = false;
        Invalidate();
        return;
    }
    TExButtonControl::WndProc(Message);
}

// ---------------------------------------------------------------- mouse

void TCustomExPopupButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (HasState(csDesigning) || (Parent() != nullptr && Parent()->HasState(csDesigning))) return;
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::MouseDown(Button, Shift, X, Y);
    if (!self) return;
    if (Button != mbLeft) {
        FMenuClosedOnArrow = false;
        return;
    }
    if (!Enabled()) return;
    FPressedOnArrow = false;
    const bool inArrow = InArrowZone(X);
    if (inArrow) {
        Play(DownSound);
        if (!self) return;
        if (FMenuClosedOnArrow) {
            FMenuClosedOnArrow = false;
            return;
        }
        FState = ebsArrDown;
        Repaint();
        FPressedOnArrow = true;
        AClick(true);
        if (!self) return;
        if (!FMenuShown) FTracking = true;
        return;
    }
    if (!FDown) {
        FState = ebsDown;
        Play(DownSound);
        if (!self) return;
        Repaint();
    }
    FTracking = true;
    FMouseInControl = true;
}

void TCustomExPopupButton::MouseMove(TShiftState Shift, int X, int Y)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::MouseMove(Shift, X, Y);
    if (!self) return;
    if (FTracking) {
        TExButtonState next = FDown ? ebsExclusive : ebsUp;
        const bool inside = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
        if (inside) {
            if (FDown)
                next = ebsExclusive;
            else if (FUseArrow && X >= Width() - GetArrowSize() && X <= Width())
                next = ebsArrDown;
            else
                next = ebsDown;
        } else if (FUseArrow) {
            FMouseInArrow = false;
            Invalidate();
        }
        if (next != FState) {
            FState = next;
            if (next == ebsDown) Play(DownSound);
            if (next == ebsUp) Play(UpSound);
            if (!self) return;
            UpdateTracking();
            if (!self) return;
            Invalidate();
        }
        return;
    }
    if (FUseArrow) {
        const bool inArrow = ClientWidth() - GetArrowSize() < X;
        if (inArrow != FMouseInArrow || inArrow == FMouseInControl) {
            FMouseInArrow = inArrow;
            FMouseInControl = !inArrow;
            Invalidate();
        }
    }
}

void TCustomExPopupButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::MouseUp(Button, Shift, X, Y);
    if (!self || Button != mbLeft || !FTracking) return;
    FTracking = false;
    bool doClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    const bool inArrow = InArrowZone(X);
    if (FGroupIndex == 0) {
        if (FIsSwitch && !inArrow && !FPressedOnArrow) {
            FDown = !FDown;
            if (FDown) {
                FState = ebsDown;
                Play(DownSound);
            } else {
                FState = ebsUp;
                Play(UpSound);
            }
        } else if (inArrow && FMenuShown) {
            doClick = false;
        } else {
            FState = ebsUp;
            Play(UpSound);
        }
        if (!self) return;
        FMouseInControl = PtInRect(ClientRect(), TPoint{X, Y});
        if (FState != ebsDown && FState != ebsExclusive && FState != ebsArrDown) Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        if (!self) return;
        if (FDown) Invalidate();
    } else {
        if (FDown) FState = ebsExclusive;
        Invalidate();
    }
    if (doClick) AClick(inArrow);
}

void TCustomExPopupButton::UpdateTracking()
{
    if (!Enabled() || !FFlat) return;
    POINT pt{};
    GetCursorPos(&pt);
    TControl* under = FindDragTarget(TPoint{pt.X, pt.Y}, true);
    if (under == this) {
        FMouseInControl = false;
        Perform(CM_MOUSEENTER, 0, 0);
    } else {
        FMouseInControl = true;
        Perform(CM_MOUSELEAVE, 0, 0);
    }
}

void TCustomExPopupButton::CMMouseEnter(TMessage& Message)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::Dispatch(Message);
    if (!self) return;
    if (!Enabled() || Hot()) {
        if (IsThemeApplied()) Invalidate();
        return;
    }
    if (FUseArrow) {
        POINT pt{};
        GetCursorPos(&pt);
        const TPoint c = ScreenToClient(TPoint{pt.X, pt.Y});
        FMouseInArrow = c.X > ClientWidth() - GetArrowSize();
        FMouseInControl = !FMouseInArrow;
    } else {
        FMouseInControl = true;
    }
    if (FUseImageList && FImages != nullptr) {
        FGlyph->SetImageList(FHotImages != nullptr ? FHotImages : FImages);
        if (FHotImages != FImages) Invalidate();
        return;
    }
    Invalidate();
}

void TCustomExPopupButton::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::Dispatch(Message);
    if (!self) return;
    if (Hot() && Enabled() && !FTracking) {
        if (FUseImageList && FImages != nullptr) {
            FGlyph->SetImageList(FImages);
            if (FHotImages != FImages) Invalidate();
        }
        if (FFlat || (!FOldStyled && !FThinFrame)) Invalidate();
        if (IsThemeApplied() || FMouseInArrow) Invalidate();
    }
    FMouseInControl = false;
    FMouseInArrow = false;
}

void TCustomExPopupButton::WMLButtonDblClk(TMessage& Message)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::Dispatch(Message);
    if (self && FDown && OnDblClick) OnDblClick(this);
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
            if (FState != ebsDown) {
                FState = ebsDown;
                Play(DownSound);
                if (!self) return;
                Invalidate();
            }
            Message.Result = 0;
            return;
        }
        if (key == VK_RETURN) {
            if (FIsSwitch) {
                FDown = !FDown;
                if (!FDown) {
                    FState = ebsUp;
                    Play(UpSound);
                }
            } else {
                FState = ebsUp;
                Play(UpSound);
            }
            if (!self) return;
            Invalidate();
            Click();
            Message.Result = 0;
            return;
        }
    }
    TExButtonControl::Dispatch(Message);
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
    TExButtonControl::Dispatch(Message);
}

void TCustomExPopupButton::WMKeyUp(TMessage& Message)
{
    // Key-up messages stop here; only the space bar acts on them.
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (key != VK_SPACE || (shift & (ssShift | ssCtrl | ssAlt)) != 0 || !Enabled() || !Focused()) return;
    TGuardPtr<TCustomExPopupButton> self(this);
    if (FIsSwitch) {
        FDown = !FDown;
        if (!FDown) {
            FState = ebsUp;
            Play(UpSound);
        }
    } else {
        FState = ebsUp;
        Play(UpSound);
    }
    if (!self) return;
    Invalidate();
    Click();
}

void TCustomExPopupButton::CMDialogKey(TMessage& Message)
{
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    const bool plain = (shift & (ssShift | ssCtrl | ssAlt)) == 0;
    if (plain && ((key == VK_RETURN && FDefault) || (key == VK_ESCAPE && Cancel)) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    TExButtonControl::Dispatch(Message);
}

void TCustomExPopupButton::CMFocusChanged(TMessage& Message)
{
    const bool was = FActive;
    auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
    FActive = focused == this;
    SetButtonStyle(FActive);
    if (was != FActive) Invalidate();
    TExButtonControl::Dispatch(Message);
}

void TCustomExPopupButton::WMGetDlgCode(TMessage& Message)
{
    TExButtonControl::Dispatch(Message);
    Message.Result = DLGC_BUTTON | DLGC_WANTALLKEYS;
}

void TCustomExPopupButton::CNCommand(TMessage& Message)
{
    if (HIWORD(Message.WParam) == BN_CLICKED) Click();
}

void TCustomExPopupButton::WMFocus(TMessage& Message)
{
    TGuardPtr<TCustomExPopupButton> self(this);
    TExButtonControl::Dispatch(Message);
    if (self) Invalidate();
}

void TCustomExPopupButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

// ---------------------------------------------------------------- other notifications

void TCustomExPopupButton::CMEnabledChanged(TMessage& Message)
{
    TExButtonControl::Dispatch(Message);
    if (FUseImageList) FGlyph->SetImageList(!Enabled() && FDisabledImages != nullptr ? FDisabledImages : FImages);
    UpdateTracking();
    Invalidate();
}

void TCustomExPopupButton::CMTextChanged(TMessage& Message)
{
    TExButtonControl::Dispatch(Message);
    FMultiLine = FCaption.find("\r\n") != std::string::npos;
    Invalidate();
}

void TCustomExPopupButton::CMColorChanged(TMessage& Message)
{
    TExButtonControl::Dispatch(Message);
    DeriveShadows();
    Invalidate();
}

// ---------------------------------------------------------------- painting

void TCustomExPopupButton::Paint()
{
    const bool designing = HasState(csDesigning);
    const TRect client = ClientRect();
    if (client.Width() <= 0 || client.Height() <= 0) return;
    TBitmap bmp;
    bmp.SetSize(client.Width(), client.Height());
    TCanvas* c = bmp.Canvas();
    HDC dc = c->Handle();
    const bool themed = IsThemeApplied();
    TRect r = client;
    Integer aw = 0;
    const TColor face = FShadowFollowsColor ? Color() : clBtnFace;

    if (themed && DrawThemeParentBackground != nullptr) DrawThemeParentBackground(Handle(), dc, &r);

    const bool enabled = Enabled() && (Parent() == nullptr || Parent()->Enabled());
    if (!enabled) {
        FState = ebsDisabled;
        FTracking = false;
    } else if (FState == ebsDisabled) {
        FState = FDown && FGroupIndex != 0 ? ebsExclusive : ebsUp;
    }
    c->SetFont(Font());
    const bool pressed = Pressed();

    if (!themed) {
        TWinControl* real = FImageForm != nullptr ? FImageForm->GetRealControl() : nullptr;
        if (FTransparent) {
            // The parent is drawn anew first so that what shows through is current.
            if (Parent() != nullptr && Parent()->HandleAllocated()) {
                TRect onParent = r;
                OffsetRect(onParent, Left(), Top());
                RedrawWindow(Parent()->Handle(), &onParent, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            }
            if (DrawThemeParentBackground != nullptr) DrawThemeParentBackground(Handle(), dc, &r);
        } else if (FImageForm != nullptr && real != nullptr && !real->HasState(csDesigning)) {
            if (real != this) {
                const TPoint origin = real->ScreenToClient(ClientOrigin());
                FImageForm->PaintBkgnd(dc, r, origin, false);
            }
        } else {
            c->Brush()->SetColor(Color());
            c->Brush()->SetStyle(bsSolid);
            if (FBackground->Empty() || (FBackground->Width() == r.Width() && FBackground->Height() == r.Height()))
                c->FillRect(r);
            TBitmap* bg = pressed && !FDownBackground->Empty() ? FDownBackground.get() : FBackground.get();
            if (!FBackground->Empty())
                StretchBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bg->Canvas()->Handle(), 0, 0, bg->Width() - 1,
                           bg->Height() - 1, SRCCOPY);
        }
        if (FDefault && FDrawDefaultFrame) {
            c->Brush()->SetColor(FOldStyled ? cl3DDkShadow : clBtnShadow);
            c->FrameRect(r);
            InflateRect(r, -1, -1);
        }
    }

    const bool bordered = (FBackground->Empty() || FBackgroundDrawBorder) && FShowBorder;
    const bool focused = HandleAllocated() && Focused();
    int bodyState = 0;
    if (themed && FArrowTheme != nullptr) {
        bodyState = !enabled ? 4 : pressed ? 3 : Hot() ? 2 : ((FDefault && FDrawDefaultFrame) || focused) ? 5 : 1;
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
        if (FUseArrow) {
            aw = GetArrowSize();
            r.Right -= aw;
        }
        if (!FFlat) {
            if (bordered) {
                const bool flag = (FOldStyled || ((Hot() || focused) && !pressed)) ? !FThinFrame : FOldStyled;
                FrameRect(dc, r, flag, pressed, face);
            }
        } else if ((pressed || (Hot() && enabled) || focused || designing) && bordered) {
            FrameRect(dc, r, false, pressed, face);
        }
        if (FUseArrow) {
            TRect ar{r.Right, 0, r.Right + aw, Height()};
            if (FDefault && FDrawDefaultFrame) InflateRect(ar, 0, -1);
            c->Brush()->SetColor(Color());
            if (bordered && (!FFlat || Hot() || FState == ebsExclusive || FState == ebsArrDown || designing))
                FrameRect(dc, ar, (FMouseInArrow || FOldStyled) && !FThinFrame && !FDown,
                          FState == ebsDown || FState == ebsArrDown, face);
            DrawArrow(c, eadDown, ar, Font()->Color(), FState != ebsDisabled);
        }
    }

    TPoint offset{0, 0};
    if (pressed && (FState == ebsExclusive ||
                    (FUseImageList && (FDownImages == nullptr || FDownImages == FImages))))
        offset = TPoint{1, 1};
    r.Right += aw;

    TCustomImageList* shownList = FGlyph->ImageList();
    if (pressed && FDownImages != nullptr && FUseImageList) FGlyph->SetImageList(FDownImages);
    const TExButtonState glyphState =
        (FDisabledImages != nullptr && FGlyph->ImageList() == FDisabledImages && FState == ebsDisabled) ? ebsUp
                                                                                                        : FState;
    if (FAdjustSpaceForGlyph) InflateRect(r, FThinFrame ? -1 : -2, FThinFrame ? -1 : -2);
    FGlyph->Draw(c, r, offset, FCaption, FLayout, FMargin, FSpacing, FState, glyphState, true, FMultiLine,
                 focused && FShowFocus, FShowGlyph, FShowText, aw, FTextDrawType, Color(),
                 themed ? Theme() : nullptr, 1, themed ? bodyState : 0);
    if (FGlyph->ImageList() != shownList) {
        // The pressed list is for this paint only; its change notice must not paint again.
        auto keep = std::move(FGlyph->OnChange);
        FGlyph->OnChange = nullptr;
        FGlyph->SetImageList(shownList);
        FGlyph->OnChange = std::move(keep);
    }

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
    if (CanFocus() && TabStop()) SetFocus();
    TCustomExPopupButton::MouseDown(Button, Shift, X, Y);
}

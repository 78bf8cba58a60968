#include "extras/Exgraphbtn.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "controls/Exsoundmapbase.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/WinGdi.h"

namespace {

// The arrow part's share of a press and a release: wider than the part itself, narrower when flat.
constexpr int ArrowPressZone = 15;
constexpr int FlatArrowPressZone = 11;

}  // namespace

TCustomExGraphicButton::TCustomExGraphicButton(TComponent* AOwner)
    : TExPictureButton<TGraphicControl>(AOwner)
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

// ---------------------------------------------------------------- small helpers

bool TCustomExGraphicButton::InArrowZone(int X) const
{
    if (!FUseArrow) return false;
    const int zone = FFlat ? FlatArrowPressZone : ArrowPressZone;
    return X >= Width() - zone && X <= Width();
}

bool TCustomExGraphicButton::Pressed() const
{
    return (FDown && FIsSwitch) || FState == ebsDown || FState == ebsExclusive;
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
    Invalidate();
}

void TCustomExGraphicButton::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes) {
        FreeThemeHandle();
        CreateThemeHandle();
        Invalidate();
    }
    Message.Result = 1;
}

int TCustomExGraphicButton::GetThemeStateID()
{
    if (!Enabled()) return 4;
    if (Pressed()) return 3;
    if (Hot()) return 2;
    return 1;
}

int TCustomExGraphicButton::GetArrowThemeStateID()
{
    if (!Enabled()) return 4;
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
    if (Value)
        ControlStyle &= ~TControlStyle(csOpaque);
    else
        ControlStyle |= csOpaque;
    Repaint();
}

void TCustomExGraphicButton::SetTextDrawType(TExTextDrawType Value)
{
    if (Value == FTextDrawType) return;
    FTextDrawType = Value;
    Invalidate();
}

void TCustomExGraphicButton::SetUseArrow(bool Value)
{
    if (Value == FUseArrow) return;
    FUseArrow = Value;
    Invalidate();
}

void TCustomExGraphicButton::SetPullDownMenu(TPopupMenu* Value)
{
    if (Value == FPullDownMenu) return;
    if (FPullDownMenu != nullptr) FPullDownMenu->RemoveFreeNotification(this);
    FPullDownMenu = Value;
    if (FPullDownMenu != nullptr) FPullDownMenu->FreeNotification(this);
    DisableAutoPopup = Value == nullptr;
}

void TCustomExGraphicButton::SetGroupIndex(Integer Value)
{
    if (Value == FGroupIndex) return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TCustomExGraphicButton::SetAllowAllUp(bool Value)
{
    if (Value == FAllowAllUp) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TCustomExGraphicButton::SetDown(bool Value)
{
    if (HasState(csLoading)) {
        FDown = Value;
        return;
    }
    if (FGroupIndex == 0 && !FIsSwitch) Value = false;
    if (FDown && !FAllowAllUp && !FIsSwitch) return;
    if (Value == FDown) return;
    FDown = Value;
    TGuardPtr<TCustomExGraphicButton> self(this);
    Play(Value ? DownSound : UpSound);
    if (!self) return;
    FState = Value ? (FIsSwitch ? ebsDown : ebsExclusive) : ebsUp;
    Invalidate();
    if (Value) UpdateExclusive();
}

void TCustomExGraphicButton::UpdateExclusive()
{
    if (FGroupIndex == 0 || Parent() == nullptr) return;
    // The siblings are walked over a copy: a handler may free any of them, this one included.
    std::vector<TGuardPtr<TControl>> siblings;
    for (int i = 0; i < Parent()->ControlCount(); ++i) siblings.emplace_back(Parent()->Controls(i));
    const WPARAM group = WPARAM(FGroupIndex);
    const LPARAM sender = reinterpret_cast<LPARAM>(static_cast<TControl*>(this));
    TGuardPtr<TCustomExGraphicButton> self(this);
    for (auto& c : siblings) {
        if (!self) return;
        if (c && c.Get() != this) c->Perform(CM_BUTTONPRESSED, group, sender);
    }
}

void TCustomExGraphicButton::CMButtonPressed(TMessage& Message)
{
    auto* sender = dynamic_cast<TExGroupedButton*>(reinterpret_cast<TControl*>(Message.LParam));
    if (Integer(Message.WParam) != FGroupIndex || sender == nullptr || sender == this) return;
    if (sender->GroupDown() && FDown) {
        FDown = false;
        TGuardPtr<TCustomExGraphicButton> self(this);
        Play(UpSound);
        if (!self) return;
        FState = ebsUp;
        Invalidate();
    }
    FAllowAllUp = sender->GroupAllowAllUp();
}

void TCustomExGraphicButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TExPictureButton<TGraphicControl>::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPullDownMenu) SetPullDownMenu(nullptr);
}

// ---------------------------------------------------------------- clicks and the pull-down menu

void TCustomExGraphicButton::Click(bool IsArrow)
{
    TGuardPtr<TCustomExGraphicButton> self(this);
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    if (IsArrow) {
        Play(ArrowClickSound);
        if (!self) return;
        if (OnArrowClick) OnArrowClick(this);
    } else {
        Play(ClickSound);
        if (!self) return;
        TGraphicControl::Click();
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
        at = TPoint{p.X - 1, p.Y - menu->Items()->Count() * GetSystemMetrics(SM_CYMENU)};
        break;
    }
    FMenuShown = true;
    if (menu->OnPopup) menu->OnPopup(menu.Get());
    if (!self) return;
    if (!menu) {
        FMenuShown = false;
        return;
    }
    TrackPopupMenu(menu->Items()->Handle(), TPM_RIGHTBUTTON, at.X, at.Y, 0, FMenuWindow, nullptr);
}

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
    case WM_EXITMENULOOP: {
        FTracking = true;
        PostMessage(FMenuWindow, MenuCancelMsg, 0, 0);
        POINT pt{};
        GetCursorPos(&pt);
        const TPoint c = ScreenToClient(TPoint{pt.X, pt.Y});
        const TRect arrow{ClientWidth() - GetArrowSize(), 0, ClientWidth(), ClientHeight()};
        FMenuClosedOnArrow = PtInRect(arrow, c);
        return;
    }
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
        FMenuShown = false;
        FTracking = false;
        FState = ebsUp;
        FMouseInControl = false;
        Invalidate();
        return;
    }
    TGraphicControl::WndProc(Message);
}

// ---------------------------------------------------------------- mouse

void TCustomExGraphicButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (HasState(csDesigning) || (Parent() != nullptr && Parent()->HasState(csDesigning))) return;
    TGuardPtr<TCustomExGraphicButton> self(this);
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (!self) return;
    if (Button != mbLeft) {
        FMenuClosedOnArrow = false;
        return;
    }
    if (!Enabled()) return;
    FPressedOnArrow = false;
    if (InArrowZone(X)) {
        Play(DownSound);
        if (!self) return;
        if (FMenuClosedOnArrow) {
            FMenuClosedOnArrow = false;
            return;
        }
        FState = ebsArrDown;
        Repaint();
        FPressedOnArrow = true;
        Click(true);
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

void TCustomExGraphicButton::MouseMove(TShiftState Shift, int X, int Y)
{
    TGuardPtr<TCustomExGraphicButton> self(this);
    TGraphicControl::MouseMove(Shift, X, Y);
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

void TCustomExGraphicButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TCustomExGraphicButton> self(this);
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!self || Button != mbLeft || !FTracking) return;
    FTracking = false;
    bool doClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    const bool inArrow = InArrowZone(X);
    if (FGroupIndex == 0) {
        if (FIsSwitch && !inArrow && !FPressedOnArrow) {
            FDown = !FDown;
            FState = FDown ? ebsDown : ebsUp;
            Play(FDown ? DownSound : UpSound);
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
    if (doClick) Click(inArrow);
}

void TCustomExGraphicButton::UpdateTracking()
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

void TCustomExGraphicButton::CMMouseEnter(TMessage& Message)
{
    TGuardPtr<TCustomExGraphicButton> self(this);
    TGraphicControl::Dispatch(Message);
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

void TCustomExGraphicButton::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TCustomExGraphicButton> self(this);
    TGraphicControl::Dispatch(Message);
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

void TCustomExGraphicButton::WMLButtonDblClk(TMessage& Message)
{
    TGuardPtr<TCustomExGraphicButton> self(this);
    TGraphicControl::Dispatch(Message);
    if (self && FDown && OnDblClick) OnDblClick(this);
}

// ---------------------------------------------------------------- dialog keys

void TCustomExGraphicButton::CMDialogKey(TMessage& Message)
{
    const Word key = Word(Message.WParam);
    const TShiftState shift = KeyDataToShiftState(Message.LParam);
    if ((shift & (ssShift | ssCtrl | ssAlt)) == 0 && ((key == VK_RETURN && Default) || (key == VK_ESCAPE && Cancel))) {
        Click(false);
        Message.Result = 1;
        return;
    }
    TGraphicControl::Dispatch(Message);
}

void TCustomExGraphicButton::CMDialogChar(TMessage& Message)
{
    const char key = char(std::toupper(int(Message.WParam & 0xFF)));
    if (key != 0 && key == CaptionAccelerator(FCaption)) {
        Click(false);
        Message.Result = 1;
        return;
    }
    TGraphicControl::Dispatch(Message);
}

// ---------------------------------------------------------------- other notifications

void TCustomExGraphicButton::CMEnabledChanged(TMessage& Message)
{
    TGraphicControl::Dispatch(Message);
    if (FUseImageList) FGlyph->SetImageList(!Enabled() && FDisabledImages != nullptr ? FDisabledImages : FImages);
    UpdateTracking();
    Invalidate();
}

void TCustomExGraphicButton::CMTextChanged(TMessage& Message)
{
    TGraphicControl::Dispatch(Message);
    FMultiLine = FCaption.find("\r\n") != std::string::npos;
    Invalidate();
}

void TCustomExGraphicButton::CMColorChanged(TMessage& Message)
{
    TGraphicControl::Dispatch(Message);
    DeriveShadows();
    Invalidate();
}

// ---------------------------------------------------------------- painting

void TCustomExGraphicButton::Paint()
{
    const bool designing = HasState(csDesigning);
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
    const TColor face = FShadowFollowsColor ? Color() : clBtnFace;

    const bool enabled = Enabled() && (Parent() == nullptr || Parent()->Enabled());
    if (!enabled) {
        FState = ebsDisabled;
        FTracking = false;
    } else if (FState == ebsDisabled) {
        FState = FDown && FGroupIndex != 0 ? ebsExclusive : ebsUp;
    }
    c->SetFont(Font());
    const bool pressed = Pressed();

    if (!themed && !FTransparent) {
        TWinControl* real = FImageForm != nullptr ? FImageForm->GetRealControl() : nullptr;
        if (FImageForm != nullptr && real != nullptr && !real->HasState(csDesigning)) {
            const TPoint origin = real->ScreenToClient(ClientOrigin());
            FImageForm->PaintBkgnd(dc, r, origin, false);
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
    }

    const bool bordered = (FBackground->Empty() || FBackgroundDrawBorder) && FShowBorder;
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
        if (FUseArrow) {
            aw = GetArrowSize();
            r.Right -= aw;
        }
        if (!FFlat) {
            if (bordered) {
                const bool flag = (FOldStyled || (Hot() && !pressed)) ? !FThinFrame : FOldStyled;
                FrameRect(dc, r, flag, pressed, face);
            }
        } else if ((pressed || (Hot() && enabled) || designing) && bordered) {
            FrameRect(dc, r, false, pressed, face);
        }
        if (FUseArrow) {
            const TRect ar{r.Right, 0, r.Right + aw, Height()};
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
    FGlyph->Draw(c, r, offset, FCaption, FLayout, FMargin, FSpacing, FState, glyphState, true, FMultiLine, false,
                 FShowGlyph, FShowText, aw, FTextDrawType, Color(), themed ? FTheme : nullptr, GetThemePartID(),
                 themed ? bodyState : 0);
    if (FGlyph->ImageList() != shownList) {
        // The pressed list is for this paint only; its change notice must not paint again.
        auto keep = std::move(FGlyph->OnChange);
        FGlyph->OnChange = nullptr;
        FGlyph->SetImageList(shownList);
        FGlyph->OnChange = std::move(keep);
    }
    BitBlt(Canvas()->Handle(), 0, 0, client.Width(), client.Height(), dc, 0, 0, SRCCOPY);
}

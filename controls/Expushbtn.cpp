#include "controls/Expushbtn.h"

#include <vector>

#include "ctlbase/Eximgfrm.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/WinGdi.h"

const UINT MenuCancelMsg = RegisterWindowMessage("Ex - Cancel pulldown menu");

namespace {

// The arrow part's share of a press and a release: wider than the part itself, narrower when flat.
constexpr int ArrowPressZone = 15;
constexpr int FlatArrowPressZone = 11;

}  // namespace

template <class TBase>
TExPushButton<TBase>::TExPushButton(TComponent* AOwner) : TExPictureButton<TBase>(AOwner)
{
}

template <class TBase>
TExPushButton<TBase>::~TExPushButton() = default;

// ---------------------------------------------------------------- small helpers

template <class TBase>
bool TExPushButton<TBase>::InArrowZone(int X) const
{
    if (!FUseArrow) return false;
    const int zone = this->FFlat ? FlatArrowPressZone : ArrowPressZone;
    return X >= this->Width() - zone && X <= this->Width();
}

template <class TBase>
bool TExPushButton<TBase>::Pressed() const
{
    return (FDown && FIsSwitch) || FState == ebsDown || FState == ebsExclusive;
}

// ---------------------------------------------------------------- properties

template <class TBase>
void TExPushButton<TBase>::SetUseArrow(bool Value)
{
    if (Value == FUseArrow) return;
    FUseArrow = Value;
    this->Invalidate();
}

template <class TBase>
void TExPushButton<TBase>::SetPullDownMenu(TPopupMenu* Value)
{
    if (Value == FPullDownMenu) return;
    if (FPullDownMenu != nullptr) FPullDownMenu->RemoveFreeNotification(this);
    FPullDownMenu = Value;
    if (FPullDownMenu != nullptr) FPullDownMenu->FreeNotification(this);
    DisableAutoPopup = Value == nullptr;
}

template <class TBase>
void TExPushButton<TBase>::SetGroupIndex(Integer Value)
{
    if (Value == FGroupIndex) return;
    FGroupIndex = Value;
    UpdateExclusive();
}

template <class TBase>
void TExPushButton<TBase>::SetAllowAllUp(bool Value)
{
    if (Value == FAllowAllUp) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

template <class TBase>
void TExPushButton<TBase>::SetDown(bool Value)
{
    if (this->HasState(csLoading)) {
        FDown = Value;
        return;
    }
    if (FGroupIndex == 0 && !FIsSwitch) Value = false;
    if (FDown && !FAllowAllUp && !FIsSwitch) return;
    if (Value == FDown) return;
    FDown = Value;
    TGuardPtr<TExPushButton> self(this);
    this->Play(Value ? this->DownSound : this->UpSound);
    if (!self) return;
    FState = Value ? (FIsSwitch ? ebsDown : ebsExclusive) : ebsUp;
    this->Invalidate();
    if (Value) UpdateExclusive();
}

template <class TBase>
void TExPushButton<TBase>::UpdateExclusive()
{
    TWinControl* parent = this->Parent();
    if (FGroupIndex == 0 || parent == nullptr) return;
    // The siblings are walked over a copy: a handler may free any of them, this one included.
    std::vector<TGuardPtr<TControl>> siblings;
    for (int i = 0; i < parent->ControlCount(); ++i) siblings.emplace_back(parent->Controls(i));
    const WPARAM group = WPARAM(FGroupIndex);
    const LPARAM sender = reinterpret_cast<LPARAM>(static_cast<TControl*>(this));
    TGuardPtr<TExPushButton> self(this);
    for (auto& c : siblings) {
        if (!self) return;
        if (c && c.Get() != this) c->Perform(CM_BUTTONPRESSED, group, sender);
    }
}

template <class TBase>
void TExPushButton<TBase>::CMButtonPressed(TMessage& Message)
{
    auto* sender = dynamic_cast<TExGroupedButton*>(reinterpret_cast<TControl*>(Message.LParam));
    if (Integer(Message.WParam) != FGroupIndex || sender == nullptr || sender == this) return;
    // Read before the sound: its handler may free the sender.
    FAllowAllUp = sender->GroupAllowAllUp();
    if (sender->GroupDown() && FDown) {
        FDown = false;
        TGuardPtr<TExPushButton> self(this);
        this->Play(this->UpSound);
        if (!self) return;
        FState = ebsUp;
        this->Invalidate();
    }
}

template <class TBase>
void TExPushButton<TBase>::Notification(TComponent* AComponent, TOperation Operation)
{
    TExPictureButton<TBase>::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPullDownMenu) SetPullDownMenu(nullptr);
}

// ---------------------------------------------------------------- clicks and the pull-down menu

template <class TBase>
TExButtonState TExPushButton<TBase>::RestState() const
{
    if (!FDown) return ebsUp;
    return FIsSwitch ? ebsDown : ebsExclusive;
}

template <class TBase>
void TExPushButton<TBase>::ReleaseBody()
{
    TGuardPtr<TExPushButton> self(this);
    if (FGroupIndex != 0) {
        SetDown(!FDown);
        if (!self) return;
        // A down button that may not come up stays down, pressed or not.
        FState = RestState();
    } else if (FIsSwitch) {
        FDown = !FDown;
        FState = RestState();
        if (!FDown) this->Play(this->UpSound);
    } else {
        FState = ebsUp;
        this->Play(this->UpSound);
    }
    if (!self) return;
    this->Invalidate();
}

template <class TBase>
void TExPushButton<TBase>::Click()
{
    TGuardPtr<TExPushButton> self(this);
    ReleaseBody();
    if (self) ClickPart(false);
}

template <class TBase>
void TExPushButton<TBase>::PerformClick(bool IsArrow, HWND MenuOwner, Integer TopEdge)
{
    TGuardPtr<TExPushButton> self(this);
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    if (IsArrow) {
        this->Play(this->ArrowClickSound);
        if (!self) return;
        if (OnArrowClick) OnArrowClick(this);
    } else {
        this->Play(this->ClickSound);
        if (!self) return;
        TBase::Click();
        if (!self) return;
        this->Invalidate();
    }
    if (!self || FPullDownMenu == nullptr || DisableAutoPopup || !(IsArrow || !FUseArrow)) return;
    TGuardPtr<TPopupMenu> menu(FPullDownMenu);
    menu->PopupComponent = this;
    menu->AutoPopup = true;
    const TPoint p = this->ClientOrigin();
    TPoint at;
    switch (PopupPlace) {
    case ppDown:
        at = TPoint{p.X - 1, p.Y + this->Height()};
        break;
    case ppRight:
        at = TPoint{p.X + this->Width(), p.Y - 1};
        break;
    case ppTop:
        at = TPoint{p.X - 1, p.Y - menu->Items()->Count() * GetSystemMetrics(SM_CYMENU) - TopEdge};
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
    TrackPopupMenu(menu->Items()->Handle(), TPM_RIGHTBUTTON, at.X, at.Y, 0, MenuOwner, nullptr);
}

template <class TBase>
void TExPushButton<TBase>::MenuLoopExited(HWND PostTo)
{
    FTracking = true;
    PostMessage(PostTo, MenuCancelMsg, 0, 0);
    POINT pt{};
    GetCursorPos(&pt);
    const TPoint c = this->ScreenToClient(TPoint{pt.X, pt.Y});
    const TRect arrow{this->ClientWidth() - GetArrowSize(), 0, this->ClientWidth(), this->ClientHeight()};
    FMenuClosedOnArrow = PtInRect(arrow, c);
}

template <class TBase>
void TExPushButton<TBase>::MenuCancelled()
{
    FMenuShown = false;
    FTracking = false;
    FState = ebsUp;
    FMouseInControl = false;
    this->Invalidate();
}

// ---------------------------------------------------------------- mouse

template <class TBase>
void TExPushButton<TBase>::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (this->HasState(csDesigning) || (this->Parent() != nullptr && this->Parent()->HasState(csDesigning))) return;
    TGuardPtr<TExPushButton> self(this);
    TBase::MouseDown(Button, Shift, X, Y);
    if (!self) return;
    if (Button != mbLeft) {
        FMenuClosedOnArrow = false;
        return;
    }
    if (!this->Enabled()) return;
    FPressedOnArrow = false;
    if (InArrowZone(X)) {
        this->Play(this->DownSound);
        if (!self) return;
        if (FMenuClosedOnArrow) {
            FMenuClosedOnArrow = false;
            return;
        }
        FState = ebsArrDown;
        this->Repaint();
        FPressedOnArrow = true;
        ClickPart(true);
        if (!self) return;
        if (!FMenuShown) FTracking = true;
        return;
    }
    if (!FDown) {
        FState = ebsDown;
        this->Play(this->DownSound);
        if (!self) return;
        this->Repaint();
    }
    FTracking = true;
    FMouseInControl = true;
}

template <class TBase>
void TExPushButton<TBase>::MouseMove(TShiftState Shift, int X, int Y)
{
    TGuardPtr<TExPushButton> self(this);
    TBase::MouseMove(Shift, X, Y);
    if (!self) return;
    if (FTracking) {
        TExButtonState next = FDown ? ebsExclusive : ebsUp;
        const bool inside = X >= 0 && X < this->ClientWidth() && Y >= 0 && Y <= this->ClientHeight();
        if (inside) {
            if (FDown)
                next = ebsExclusive;
            else if (FUseArrow && X >= this->Width() - GetArrowSize() && X <= this->Width())
                next = ebsArrDown;
            else
                next = ebsDown;
        } else if (FUseArrow) {
            FMouseInArrow = false;
            this->Invalidate();
        }
        if (next != FState) {
            FState = next;
            if (next == ebsDown) this->Play(this->DownSound);
            if (next == ebsUp) this->Play(this->UpSound);
            if (!self) return;
            UpdateTracking();
            if (!self) return;
            this->Invalidate();
        }
        return;
    }
    if (FUseArrow) {
        const bool inArrow = this->ClientWidth() - GetArrowSize() < X;
        if (inArrow != FMouseInArrow || inArrow == FMouseInControl) {
            FMouseInArrow = inArrow;
            FMouseInControl = !inArrow;
            this->Invalidate();
        }
    }
}

template <class TBase>
void TExPushButton<TBase>::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TExPushButton> self(this);
    TBase::MouseUp(Button, Shift, X, Y);
    if (!self || Button != mbLeft || !FTracking) return;
    FTracking = false;
    bool doClick = X >= 0 && X < this->ClientWidth() && Y >= 0 && Y <= this->ClientHeight();
    const bool inArrow = InArrowZone(X);
    if (FGroupIndex == 0) {
        if (FIsSwitch && !inArrow && !FPressedOnArrow && !doClick) {
            // Let go away from the button: the press is cancelled and the switch stays as it was.
            FState = RestState();
            this->Invalidate();
        } else if (FIsSwitch && !inArrow && !FPressedOnArrow) {
            FDown = !FDown;
            FState = FDown ? ebsDown : ebsUp;
            this->Play(FDown ? this->DownSound : this->UpSound);
        } else if (inArrow && FMenuShown) {
            doClick = false;
        } else {
            FState = ebsUp;
            this->Play(this->UpSound);
        }
        if (!self) return;
        FMouseInControl = PtInRect(this->ClientRect(), TPoint{X, Y});
        if (FState != ebsDown && FState != ebsExclusive && FState != ebsArrDown) this->Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        if (!self) return;
        if (FDown) this->Invalidate();
    } else {
        if (FDown) FState = ebsExclusive;
        this->Invalidate();
    }
    if (doClick) ClickPart(inArrow);
}

template <class TBase>
void TExPushButton<TBase>::UpdateTracking()
{
    if (!this->Enabled() || !this->FFlat) return;
    POINT pt{};
    GetCursorPos(&pt);
    TControl* under = FindDragTarget(TPoint{pt.X, pt.Y}, true);
    if (under == this) {
        FMouseInControl = false;
        this->Perform(CM_MOUSEENTER, 0, 0);
    } else {
        FMouseInControl = true;
        this->Perform(CM_MOUSELEAVE, 0, 0);
    }
}

template <class TBase>
void TExPushButton<TBase>::CMMouseEnter(TMessage& Message)
{
    TGuardPtr<TExPushButton> self(this);
    TBase::Dispatch(Message);
    if (!self) return;
    if (!this->Enabled() || Hot()) {
        if (ThemeApplied()) this->Invalidate();
        return;
    }
    if (FUseArrow) {
        POINT pt{};
        GetCursorPos(&pt);
        const TPoint c = this->ScreenToClient(TPoint{pt.X, pt.Y});
        FMouseInArrow = c.X > this->ClientWidth() - GetArrowSize();
        FMouseInControl = !FMouseInArrow;
    } else {
        FMouseInControl = true;
    }
    if (this->FUseImageList && this->FImages != nullptr) {
        this->FGlyph->SetImageList(this->FHotImages != nullptr ? this->FHotImages : this->FImages);
        if (this->FHotImages != this->FImages) this->Invalidate();
        return;
    }
    this->Invalidate();
}

template <class TBase>
void TExPushButton<TBase>::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TExPushButton> self(this);
    TBase::Dispatch(Message);
    if (!self) return;
    if (Hot() && this->Enabled() && !FTracking) {
        if (this->FUseImageList && this->FImages != nullptr) {
            this->FGlyph->SetImageList(this->FImages);
            if (this->FHotImages != this->FImages) this->Invalidate();
        }
        if (this->FFlat || (!this->FOldStyled && !this->FThinFrame)) this->Invalidate();
        if (ThemeApplied() || FMouseInArrow) this->Invalidate();
    }
    FMouseInControl = false;
    FMouseInArrow = false;
}

template <class TBase>
void TExPushButton<TBase>::WMLButtonDblClk(TMessage& Message)
{
    TGuardPtr<TExPushButton> self(this);
    TBase::Dispatch(Message);
    if (self && FDown && this->OnDblClick) this->OnDblClick(this);
}

// ---------------------------------------------------------------- other notifications

template <class TBase>
void TExPushButton<TBase>::CMEnabledChanged(TMessage& Message)
{
    TBase::Dispatch(Message);
    if (this->FUseImageList)
        this->FGlyph->SetImageList(!this->Enabled() && this->FDisabledImages != nullptr ? this->FDisabledImages
                                                                                        : this->FImages);
    UpdateTracking();
    this->Invalidate();
}

template <class TBase>
void TExPushButton<TBase>::CMColorChanged(TMessage& Message)
{
    TBase::Dispatch(Message);
    this->DeriveShadows();
    this->Invalidate();
}

// ---------------------------------------------------------------- painting

template <class TBase>
bool TExPushButton<TBase>::PaintState()
{
    const bool enabled = LooksEnabled();
    if (!enabled) {
        FState = ebsDisabled;
        FTracking = false;
    } else if (FState == ebsDisabled) {
        FState = FDown && FGroupIndex != 0 ? ebsExclusive : ebsUp;
    }
    return enabled;
}

template <class TBase>
void TExPushButton<TBase>::PaintBackground(TCanvas* C, const TRect& R, bool PressedLook)
{
    HDC dc = C->Handle();
    TCustomExImageForm* imageForm = this->FImageForm;
    TWinControl* real = imageForm != nullptr ? imageForm->GetRealControl() : nullptr;
    if (imageForm != nullptr && real != nullptr && !real->HasState(csDesigning)) {
        // The image form's own control paints the picture itself.
        if (static_cast<TControl*>(real) != static_cast<TControl*>(this))
            imageForm->PaintBkgnd(dc, R, real->ScreenToClient(this->ClientOrigin()), false);
        return;
    }
    TBitmap* background = this->FBackground.get();
    C->Brush()->SetColor(this->Color());
    C->Brush()->SetStyle(bsSolid);
    if (background->Empty() || (background->Width() == R.Width() && background->Height() == R.Height()))
        C->FillRect(R);
    TBitmap* bg = PressedLook && !this->FDownBackground->Empty() ? this->FDownBackground.get() : background;
    if (!background->Empty())
        StretchBlt(dc, R.Left, R.Top, R.Width(), R.Height(), bg->Canvas()->Handle(), 0, 0, bg->Width() - 1,
                   bg->Height() - 1, SRCCOPY);
}

template <class TBase>
void TExPushButton<TBase>::PaintFrames(TCanvas* C, TRect& R, Integer& AW, bool Enabled, bool Focused,
                                       bool DefaultFrame)
{
    HDC dc = C->Handle();
    const bool pressed = Pressed();
    const bool designing = this->HasState(csDesigning);
    const bool bordered = (this->FBackground->Empty() || this->FBackgroundDrawBorder) && this->FShowBorder;
    const TColor face = this->FShadowFollowsColor ? this->Color() : clBtnFace;
    const bool oldStyled = this->FOldStyled, thin = this->FThinFrame;
    if (FUseArrow) {
        AW = GetArrowSize();
        R.Right -= AW;
    }
    if (!this->FFlat) {
        if (bordered) {
            const bool flag = (oldStyled || ((Hot() || Focused) && !pressed)) ? !thin : oldStyled;
            this->FrameRect(dc, R, flag, pressed, face);
        }
    } else if ((pressed || (Hot() && Enabled) || Focused || designing) && bordered) {
        this->FrameRect(dc, R, false, pressed, face);
    }
    if (!FUseArrow) return;
    TRect ar{R.Right, 0, R.Right + AW, this->Height()};
    if (DefaultFrame) InflateRect(ar, 0, -1);
    C->Brush()->SetColor(this->Color());
    if (bordered && (!this->FFlat || Hot() || FState == ebsExclusive || FState == ebsArrDown || designing))
        this->FrameRect(dc, ar, (FMouseInArrow || oldStyled) && !thin && !FDown, FState == ebsDown || FState == ebsArrDown,
                        face);
    DrawArrow(C, eadDown, ar, this->Font()->Color(), FState != ebsDisabled);
}

template <class TBase>
void TExPushButton<TBase>::PaintPicture(TCanvas* C, TRect& R, Integer AW, const std::string& Caption,
                                        TExTextDrawType TextDrawType, bool Focused, HTHEME Theme, int PartId,
                                        int StateId)
{
    const bool pressed = Pressed();
    TExButtonGlyph* glyph = this->FGlyph.get();
    TCustomImageList* images = this->FImages;
    TCustomImageList* downImages = this->FDownImages;
    TCustomImageList* disabledImages = this->FDisabledImages;
    const bool useImageList = this->FUseImageList;
    // Image lists and icons have no pressed picture of their own: the picture is pushed instead.
    const bool iconShown = glyph->UseIcon() && !(glyph->UseImageList && glyph->ImageList() != nullptr);
    TPoint offset{0, 0};
    if (pressed && (FState == ebsExclusive || (useImageList && (downImages == nullptr || downImages == images)) ||
                    iconShown))
        offset = TPoint{1, 1};
    R.Right += AW;

    TCustomImageList* shownList = glyph->ImageList();
    if (pressed && downImages != nullptr && useImageList) glyph->SetImageList(downImages);
    const TExButtonState glyphState =
        (disabledImages != nullptr && glyph->ImageList() == disabledImages && FState == ebsDisabled) ? ebsUp : FState;
    const bool thin = this->FThinFrame;
    if (this->FAdjustSpaceForGlyph) InflateRect(R, thin ? -1 : -2, thin ? -1 : -2);
    glyph->Draw(C, R, offset, Caption, this->FLayout, this->FMargin, this->FSpacing, FState, glyphState, true,
                FMultiLine, Focused, this->FShowGlyph, this->FShowText, AW, TextDrawType, this->Color(), Theme, PartId,
                Theme != nullptr ? StateId : 0);
    if (glyph->ImageList() != shownList) {
        // The pressed list is for this paint only; its change notice must not paint again.
        auto keep = std::move(glyph->OnChange);
        glyph->OnChange = nullptr;
        glyph->SetImageList(shownList);
        glyph->OnChange = std::move(keep);
    }
}

template class TExPushButton<TExButtonControl>;
template class TExPushButton<TGraphicControl>;

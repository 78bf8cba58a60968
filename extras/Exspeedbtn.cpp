#include "extras/Exspeedbtn.h"

#include <cmath>

#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/ImgList.h"
#include "platform/Menus.h"

TExSpeedButton::TExSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner),
      FNormalImage(std::make_unique<TBitmap>()),
      FDisabledImage(std::make_unique<TBitmap>()),
      FMouseInImage(std::make_unique<TBitmap>()),
      FPressedImage(std::make_unique<TBitmap>())
{
    SetColor(clBtnFace);
    SetBounds(Left(), Top(), 20, 20);
}

TExSpeedButton::~TExSpeedButton() { FreeTimer(); }

// ---------------------------------------------------------------- properties

void TExSpeedButton::SizeToImage()
{
    const double w = FNormalImage->Width(), h = FNormalImage->Height();
    const Integer side = Integer(std::trunc(std::sqrt(w * w + h * h))) + 3;
    SetClientWidth(side);
    SetClientHeight(ClientWidth());
}

void TExSpeedButton::SetNormalImage(TBitmap* Value)
{
    FNormalImage->Assign(Value);
    FNormalImage->SetTransparentColor(FTransparentColor);
    if (FAutoSize) SizeToImage();
    Invalidate();
}

void TExSpeedButton::SetDisabledImage(TBitmap* Value)
{
    FDisabledImage->Assign(Value);
    FDisabledImage->SetTransparentColor(FTransparentColor);
    Invalidate();
}

void TExSpeedButton::SetMouseInImage(TBitmap* Value)
{
    FMouseInImage->Assign(Value);
    FMouseInImage->SetTransparentColor(FTransparentColor);
    Invalidate();
}

void TExSpeedButton::SetPressedImage(TBitmap* Value)
{
    FPressedImage->Assign(Value);
    FPressedImage->SetTransparentColor(FTransparentColor);
    Invalidate();
}

void TExSpeedButton::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    if (Value) SizeToImage();
}

void TExSpeedButton::SetTransparentColor(TColor Value)
{
    FTransparentColor = Value;
    for (TBitmap* b : {FNormalImage.get(), FDisabledImage.get(), FMouseInImage.get(), FPressedImage.get()})
        b->SetTransparentColor(Value);
    Invalidate();
}

void TExSpeedButton::SetFlat(bool Value)
{
    FFlat = Value;
    Invalidate();
}

void TExSpeedButton::SetDrawEdge(bool Value)
{
    FDrawEdge = Value;
    Invalidate();
}

void TExSpeedButton::SetTransparent(bool Value)
{
    FTransparent = Value;
    Invalidate();
}

void TExSpeedButton::SetPullDownMenu(TPopupMenu* Value)
{
    if (FPullDownMenu != nullptr) FPullDownMenu->RemoveFreeNotification(this);
    FPullDownMenu = Value;
    if (FPullDownMenu != nullptr)
        FPullDownMenu->FreeNotification(this);
    else
        PullDownEnabled = false;
}

void TExSpeedButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPullDownMenu) SetPullDownMenu(nullptr);
    if (Operation == opRemove && AComponent == FPullDownTimer) FPullDownTimer = nullptr;
}

bool TExSpeedButton::InCircle(int X, int Y)
{
    const Int64 cx = ClientWidth() / 2, cy = ClientHeight() / 2, r = ClientWidth() / 2;
    const Int64 dx = X - cx, dy = Y - cy;
    return dx * dx + dy * dy <= r * r;
}

void TExSpeedButton::TriggerPullDownEvent()
{
    if (OnPullDown) OnPullDown(this);
}

// ---------------------------------------------------------------- the hold timer and the menu

void TExSpeedButton::FreeTimer()
{
    // The timer whose handler is showing the menu only stops; it goes with the next hold or the button.
    if (FFiring) {
        if (FPullDownTimer != nullptr) FPullDownTimer->SetEnabled(false);
        return;
    }
    delete FPullDownTimer;
    FPullDownTimer = nullptr;
}

void TExSpeedButton::StartTimer()
{
    if (PullDownInterval < 1) {
        PullMenu();
        return;
    }
    if (FPullDownTimer == nullptr) {
        FPullDownTimer = new TTimer(this);
        FPullDownTimer->SetEnabled(false);
    }
    FPullDownTimer->SetInterval(Cardinal(PullDownInterval));
    FPullDownTimer->OnTimer = [this](TObject*) {
        FPullDownTimer->SetEnabled(false);
        TGuardPtr<TExSpeedButton> self(this);
        FFiring = true;
        PullMenu();
        if (self) FFiring = false;
    };
    FPullDownTimer->SetEnabled(true);
}

void TExSpeedButton::PullMenu()
{
    TGuardPtr<TExSpeedButton> self(this);
    TriggerPullDownEvent();
    if (!self || FPullDownMenu == nullptr) return;
    Integer x = 0;
    switch (FPullDownMenu->Alignment) {
    case paLeft:
        x = 0;
        break;
    case paRight:
        x = Width();
        break;
    case paCenter:
        x = Width() / 2;
        break;
    }
    const TPoint at = ClientToScreen(TPoint{x, Height() + 1});
    FPullDownMenu->PopupComponent = this;
    FPullDownMenu->Popup(at.X, at.Y);
}

// ---------------------------------------------------------------- mouse

void TExSpeedButton::WndProc(TMessage& Message)
{
    // A round button clicks only when let go inside its circle while it shows pressed.
    if (Message.Msg == WM_LBUTTONUP && !(FPressed && InCircle(Message.XPos(), Message.YPos())))
        ControlState &= ~TControlState(csClicked);
    TGraphicControl::WndProc(Message);
}

void TExSpeedButton::CutHold()
{
    FHoldCut = FHoldCut || (FPullDownTimer != nullptr && FPullDownTimer->Enabled());
    FreeTimer();
}

void TExSpeedButton::WMMouseMove(TMessage& Message)
{
    const bool inside = InCircle(Message.XPos(), Message.YPos());
    if (inside && !FMouseIn) {
        FMouseIn = true;
        if (Message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) FPressed = true;
        Invalidate();
        // Back inside with the hold's button still down: the hold starts over, so the pressed look
        // leads to the menu again.
        const WPARAM holdKey = PullDownBtn == mbRight ? MK_RBUTTON : PullDownBtn == mbMiddle ? MK_MBUTTON : MK_LBUTTON;
        if (FHoldCut && PullDownEnabled && (Message.WParam & holdKey)) {
            FHoldCut = false;
            TGuardPtr<TExSpeedButton> self(this);
            StartTimer();
            if (!self) return;
        }
    } else if (!inside && FMouseIn) {
        FMouseIn = false;
        FPressed = false;
        // Held outside the button, it is no longer held: the menu does not come.
        CutHold();
        Invalidate();
    }
    TGraphicControl::Dispatch(Message);
}

void TExSpeedButton::CMMouseLeave(TMessage& Message)
{
    TGuardPtr<TExSpeedButton> self(this);
    TGraphicControl::Dispatch(Message);
    if (!self) return;
    if (FPressed || FMouseIn) {
        FPressed = false;
        FMouseIn = false;
        CutHold();
        Invalidate();
    }
}

void TExSpeedButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TExSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TExSpeedButton> self(this);
    FHoldCut = false;
    if (InCircle(X, Y)) {
        FPressed = true;
        Invalidate();
        if (PullDownEnabled && Button == PullDownBtn)
            StartTimer();
        else
            FreeTimer();
        if (!self) return;
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TExSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FPressed) {
        FPressed = false;
        Invalidate();
    }
    // A release always ends the hold, wherever the press or the mouse went since.
    FHoldCut = false;
    FreeTimer();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

// ---------------------------------------------------------------- painting

void TExSpeedButton::Paint()
{
    TCanvas* c = Canvas();
    const Integer w = Width(), h = Height();
    if (!FTransparent) {
        c->Pen()->SetColor(Color());
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->Rectangle(1, 1, w - 2, h - 2);
    }
    TBitmap* image = !Enabled() ? FDisabledImage.get()
                     : FPressed ? FPressedImage.get()
                     : FMouseIn ? FMouseInImage.get()
                                : FNormalImage.get();
    if (!image->Empty()) {
        const Integer iw = image->Width(), ih = image->Height();
        const Integer x = ClientWidth() / 2 - iw / 2 - (iw % 2 == 1 ? 1 : 0);
        const Integer y = ClientHeight() / 2 - ih / 2 - (ih % 2 == 1 ? 1 : 0);
        TImageList list(nullptr);
        list.SetWidth(iw);
        list.SetHeight(ih);
        list.BkColor = clNone;
        list.AddMasked(image, FTransparentColor);
        list.Draw(c, x, y, 0);
    }
    bool raised = false, sunken = false;
    if (HasState(csDesigning))
        raised = true;
    else if (FPressed)
        sunken = FDrawEdge;
    else
        raised = !FFlat || (FMouseIn && FDrawEdge);
    if (!raised && !sunken) return;
    const Integer w5 = w / 5, h5 = h / 5;
    const TColor first = raised ? clBtnHighlight : clBtnShadow;
    const TColor second = raised ? clBtnShadow : clBtnHighlight;
    c->Pen()->SetColor(first);
    c->Arc(0, 0, w - 1, h - 1, 4 * w5, h5, w5, 4 * h5);
    c->Pen()->SetColor(second);
    c->Arc(0, 0, w - 1, h - 1, w5, 4 * h5, 4 * w5, h5);
}

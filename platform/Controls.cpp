// The control base: construction, geometry, alignment requests, visibility, colours, fonts, hints
// and the notifications that carry their changes to children.
#include "platform/Controls.h"
#include "platform/Guard.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/MouseCapture.h"

using namespace morvik::backend;
using morvik::controls::CapturedChild;

// ---- TControl -----------------------------------------------------------------------------------
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(new TFont)
{
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFont->SetColor(clWindowText);
    FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    ForgetControl(this);
    if (CapturedChild() == this)
        CapturedChild() = nullptr;
    morvik::controls::ForgetDragControl(this);
    if (FParent)
        FParent->RemoveControl(this);
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

void TControl::SetParent(TWinControl* AParent)
{
    if (FParent == AParent)
        return;
    if (AParent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight)
{
    if (AWidth < 0)
        AWidth = 0;
    if (AHeight < 0)
        AHeight = 0;
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    bool sized = AWidth != FWidth || AHeight != FHeight;
    InvalidateControl(Visible(), false);
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    InvalidateControl(Visible(), false);
    TControlCanvas::FreeDeviceContexts();
    // The parent's realigning runs handlers that may free this control.
    TGuardPtr<TControl> self(this);
    RequestAlign();
    if (sized && self)
        Resize();
}

TRect TControl::ClientRect() { return {0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(Integer Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(Integer Value) { SetHeight(FHeight - ClientHeight() + Value); }

TPoint TControl::ClientOrigin()
{
    if (!FParent)
        return {FLeft, FTop};
    TPoint p = FParent->ClientOrigin();
    return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(const TPoint& Point)
{
    TPoint o = ClientOrigin();
    return {Point.X + o.X, Point.Y + o.Y};
}

TPoint TControl::ScreenToClient(const TPoint& Point)
{
    TPoint o = ClientOrigin();
    return {Point.X - o.X, Point.Y - o.Y};
}

void TControl::SetAlign(TAlign Value)
{
    if (FAlign == Value)
        return;
    TAlign old = FAlign;
    FAlign = Value;
    // A control that takes the client area keeps its place; others are pushed to their edge.
    if (old == alNone || Value != alNone)
        RequestAlign();
    else if (FParent)
        FParent->Realign();
}

void TControl::RequestAlign()
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    VisibleChanging();
    FVisible = Value;
    // A form's OnShow or OnHide may free it.
    TGuardPtr<TControl> self(this);
    Perform(CM_VISIBLECHANGED, Value, 0);
    if (self && FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value)
{
    if (FColor == Value && !FParentColor)
        return;
    bool changed = FColor != Value;
    FColor = Value;
    FParentColor = false;
    if (changed)
        Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    if (Value && FParent)
        Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value)
{
    if (FParentFont == Value)
        return;
    FParentFont = Value;
    if (Value && FParent)
        Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool Value)
{
    FParentShowHint = false;
    if (FShowHint == Value)
        return;
    FShowHint = Value;
    ShowHintChanged();
}

void TControl::ShowHintChanged()
{
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        TGuardPtr<TWinControl> self(w);
        for (TGuardPtr<TControl>& c : GuardedCopy<TControl>(w->FControls))
            if (self && c && c->Parent() == w)
                c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    }
}

void TControl::SetParentShowHint(bool Value)
{
    if (FParentShowHint == Value)
        return;
    FParentShowHint = Value;
    if (Value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value)
{
    if (FCursor == Value)
        return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* Value)
{
    if (FPopupMenu == Value)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

void TControl::SetText(const std::string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    Perform(CM_TEXTCHANGED, 0, 0);
    Invalidate();
}

void TControl::FontChanged()
{
    FParentFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque)
{
    if (!IsVisible || !FParent || !FParent->HandleAllocated())
        return;
    TRect r = BoundsRect();
    InvalidateRect(FParent->FHandle, &r, !IsOpaque);
}

void TControl::Invalidate() { InvalidateControl(Visible(), (ControlStyle & csOpaque) != 0); }

void TControl::Update()
{
    if (FParent)
        FParent->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (!FParent)
        return;
    FParent->SetChildOrder(this, FParent->ControlCount() - 1);
}

void TControl::SendToBack()
{
    if (!FParent)
        return;
    FParent->SetChildOrder(this, 0);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) { InvalidateControl(true, (ControlStyle & csOpaque) != 0); }

void TControl::CMColorChanged(TMessage&)
{
    // The children's handlers of the change may free this control.
    TGuardPtr<TControl> self(this);
    ColorChanged();
    if (self)
        Invalidate();
}

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& Message)
{
    if (!FParentColor)
        return;
    TColor c = Message.WParam ? TColor(Message.LParam) : (FParent ? FParent->Color() : FColor);
    TGuardPtr<TControl> self(this);
    SetColor(c);
    if (self)
        FParentColor = true;
}

void TControl::CMParentFontChanged(TMessage& Message)
{
    if (!FParentFont)
        return;
    TFont* f = Message.WParam ? reinterpret_cast<TFont*>(Message.LParam) : (FParent ? FParent->Font() : nullptr);
    TGuardPtr<TControl> self(this);
    if (f)
        FFont->Assign(f);
    if (self)
        FParentFont = true;
}

void TControl::CMParentShowHintChanged(TMessage&)
{
    if (FParentShowHint && FParent && FShowHint != FParent->ShowHint()) {
        FShowHint = FParent->ShowHint();
        ShowHintChanged();
    }
}

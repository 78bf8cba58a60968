// Mouse input for controls: shift states, capture, the mouse messages and events, hit testing,
// cursors, the wheel and context menus.
#include "platform/Controls.h"

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/MouseCapture.h"

using namespace morvik::backend;

namespace {
TControl* gCaptureControl = nullptr;
}  // namespace

TControl*& morvik::controls::CapturedChild() { return gCaptureControl; }

// ---- Shift states and helpers ---------------------------------------------------------------------
TShiftState KeysToShiftState(WPARAM Keys)
{
    TShiftState s = 0;
    if (Keys & MK_SHIFT)
        s |= ssShift;
    if (Keys & MK_CONTROL)
        s |= ssCtrl;
    if (Keys & MK_LBUTTON)
        s |= ssLeft;
    if (Keys & MK_RBUTTON)
        s |= ssRight;
    if (Keys & MK_MBUTTON)
        s |= ssMiddle;
    if ((Keys & MK_ALT) || (GetKeyState(VK_MENU) < 0))
        s |= ssAlt;
    return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData)
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        s |= ssCtrl;
    if (KeyData & (LPARAM(1) << 29))
        s |= ssAlt;
    return s;
}

TShiftState KeyboardStateToShiftState(const BYTE* KeyboardState)
{
    TShiftState s = 0;
    if (KeyboardState[VK_SHIFT] & 0x80)
        s |= ssShift;
    if (KeyboardState[VK_CONTROL] & 0x80)
        s |= ssCtrl;
    if (KeyboardState[VK_MENU] & 0x80)
        s |= ssAlt;
    if (KeyboardState[VK_LBUTTON] & 0x80)
        s |= ssLeft;
    if (KeyboardState[VK_RBUTTON] & 0x80)
        s |= ssRight;
    if (KeyboardState[VK_MBUTTON] & 0x80)
        s |= ssMiddle;
    return s;
}

TCustomForm* GetParentForm(TControl* Control)
{
    while (Control && Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(Control);
}

TControl* GetCaptureControl()
{
    TWinControl* w = TWinControl::FindControl(GetCapture());
    if (w && gCaptureControl && gCaptureControl->Parent() == w)
        return gCaptureControl;
    return w;
}

void SetCaptureControl(TControl* Control)
{
    gCaptureControl = nullptr;
    if (!Control) {
        ReleaseCapture();
        return;
    }
    auto* wc = dynamic_cast<TWinControl*>(Control);
    if (!wc) {
        if (!Control->Parent())
            return;
        wc = Control->Parent();
    }
    SetCapture(wc->Handle());
    if (wc != Control)
        gCaptureControl = Control;
}

TControl* FindVCLWindow(const TPoint& Pos)
{
    return TWinControl::FindControl(WindowFromPoint(Pos));
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled)
{
    TWinControl* w = TWinControl::FindControl(WindowFromPoint(Pos));
    if (!w)
        return nullptr;
    if (TControl* c = w->ControlAtPos(w->ScreenToClient(Pos), AllowDisabled))
        return c;
    return w;
}

void TControl::WMMouseButton(TMessage& Message)
{
    UINT msg = Message.Msg;
    int x = Message.XPos(), y = Message.YPos();
    TShiftState shift = KeysToShiftState(Message.WParam);
    TMouseButton button = (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_RBUTTONDBLCLK) ? mbRight
                          : (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_MBUTTONDBLCLK)
                              ? mbMiddle
                              : mbLeft;
    // Every handler on the way (a combo's list closing, the capture moving, the events themselves)
    // may free this control: nothing more then.
    TGuardPtr<TControl> self(this);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        SendCancelMode(this);
        if (!self)
            return;
    }
    const bool stdEvents = !(ControlStyle & csNoStdEvents);
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (ControlStyle & csCaptureMouse) {
            SetMouseCapture(true);
            if (!self)
                return;
        }
        if (ControlStyle & csClickEvents)
            ControlState |= csClicked;
        if (stdEvents)
            MouseDown(button, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (stdEvents)
            MouseDown(button, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (ControlStyle & csCaptureMouse) {
            SetMouseCapture(true);
            if (!self)
                return;
        }
        if (ControlStyle & csClickEvents) {
            DblClick();
            if (!self)
                return;
        }
        if (stdEvents)
            MouseDown(button, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        if (stdEvents)
            MouseDown(button, shift | ssDouble, x, y);
        break;
    case WM_LBUTTONUP: {
        if (ControlStyle & csCaptureMouse) {
            SetMouseCapture(false);
            if (!self)
                return;
        }
        bool clicked = ControlState & csClicked;
        ControlState &= ~TControlState(csClicked);
        // A click counts only when released over the control.
        if (clicked && x >= 0 && y >= 0 && x < FWidth && y < FHeight) {
            Click();
            if (!self)
                return;
        }
        if (stdEvents)
            MouseUp(button, shift, x, y);
        break;
    }
    case WM_RBUTTONUP: {
        if (stdEvents) {
            MouseUp(button, shift, x, y);
            if (!self)
                return;
        }
        TPoint sp = ClientToScreen({x, y});
        // The context menu follows the release, as the system sends it.
        Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(this), MAKELPARAM(sp.X, sp.Y));
        break;
    }
    case WM_MBUTTONUP:
        if (stdEvents)
            MouseUp(button, shift, x, y);
        break;
    default: break;
    }
}

void TControl::WMMouseMove(TMessage& Message)
{
    if (!(ControlStyle & csNoStdEvents))
        MouseMove(KeysToShiftState(Message.WParam), Message.XPos(), Message.YPos());
}

void TControl::WMCancelMode(TMessage&)
{
    if (MouseCapture()) {
        SetMouseCapture(false);
        ControlState &= ~TControlState(csClicked);
    }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::SendCancelMode(TControl* Sender)
{
    for (TControl* c = this; c; c = c->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            form->SendCancelMode(Sender);
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value)
{
    if (MouseCapture() == Value)
        return;
    SetCaptureControl(Value ? this : nullptr);
}

void TControl::CMMouseEnter(TMessage& Message)
{
    // The parent hears first; what it does may free this control.
    TGuardPtr<TControl> self(this);
    if (FParent)
        FParent->Perform(CM_MOUSEENTER, 0, Message.LParam);
    if (self && Message.LParam == reinterpret_cast<LPARAM>(this) && OnMouseEnter)
        OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message)
{
    // The parent hears first; what it does may free this control.
    TGuardPtr<TControl> self(this);
    if (FParent)
        FParent->Perform(CM_MOUSELEAVE, 0, Message.LParam);
    if (self && Message.LParam == reinterpret_cast<LPARAM>(this) && OnMouseLeave)
        OnMouseLeave(this);
}

void TControl::CMHitTest(TMessage& Message) { Message.Result = HTCLIENT; }

bool TWinControl::IsControlMouseMsg(TMessage& Message)
{
    TControl* control = nullptr;
    TPoint p{Message.XPos(), Message.YPos()};
    if (FHandle && GetCapture() == FHandle) {
        if (gCaptureControl && gCaptureControl->Parent() == this)
            control = gCaptureControl;
    } else if (!GetCapture()) {
        control = ControlAtPos(p, false);
    }
    if (!control)
        return false;
    Message.Result = control->Perform(Message.Msg, Message.WParam,
                                      MAKELPARAM(p.X - control->Left(), p.Y - control->Top()));
    return true;
}

void TWinControl::WMSetCursor(TMessage& Message)
{
    HWND cursorWnd = reinterpret_cast<HWND>(Message.WParam);
    if (cursorWnd == FHandle && SHORT(LOWORD(std::uint64_t(Message.LParam))) == HTCLIENT) {
        TCursor cursor = Screen ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
            TPoint p;
            GetCursorPos(&p);
            TControl* control = ControlAtPos(ScreenToClient(p), false);
            if (control)
                cursor = control->Cursor();
            if (cursor == crDefault)
                cursor = FCursor;
        }
        if (cursor != crDefault && Screen) {
            ::SetCursor(Screen->Cursors(cursor));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

bool TWinControl::DoMouseWheel(TShiftState Shift, int WheelDelta, const TPoint& MousePos)
{
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TWinControl::WMMouseWheel(TMessage& Message)
{
    TShiftState shift = KeysToShiftState(Message.WParamLo());
    // A handler that frees the control takes the turn with it.
    TGuardPtr<TWinControl> self(this);
    if (DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(Message.WParam), {Message.XPos(), Message.YPos()}) || !self) {
        Message.Result = 1;
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::WMContextMenu(TMessage& Message)
{
    // A click names the control it was on, perhaps a windowless child; a key names a window, which
    // is never read as a control.
    TControl* target = this;
    for (TControl* c : FControls)
        if (reinterpret_cast<WPARAM>(c) == Message.WParam)
            target = c;
    // Asked for from the keyboard (-1, -1): the menu opens at the control's corner.
    TPoint at{Message.XPos(), Message.YPos()};
    if (at.X == -1 && at.Y == -1)
        at = target->ClientToScreen({0, 0});
    // The control's own menu first, then its parents'.
    for (TControl* c = target; c; c = c->Parent()) {
        if (TPopupMenu* menu = c->PopupMenu(); menu && menu->AutoPopup) {
            menu->PopupComponent = c;
            menu->Popup(at.X, at.Y);
            Message.Result = 1;
            return;
        }
    }
}

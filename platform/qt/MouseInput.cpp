// Toolkit mouse events become window messages: hit testing, cursor requests, double clicks,
// activation on a press, capture, the wheel, and entering and leaving controls.
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "platform/Guard.h"
#include "platform/qt/OleDrag.h"
#include "platform/qt/WindowMove.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

WPARAM KeyFlags(UINT buttons)
{
    WPARAM k = 0;
    if (buttons & 1)
        k |= MK_LBUTTON;
    if (buttons & 2)
        k |= MK_RBUTTON;
    if (buttons & 4)
        k |= MK_MBUTTON;
    if (gKeyState[VK_SHIFT] & 0x80)
        k |= MK_SHIFT;
    if (gKeyState[VK_CONTROL] & 0x80)
        k |= MK_CONTROL;
    return k;
}

void SetModifierState(TShiftState shift)
{
    auto set = [](Word vk, bool down) { gKeyState[vk] = down ? 0x80 : 0; };
    set(VK_SHIFT, shift & ssShift);
    set(VK_CONTROL, shift & ssCtrl);
    set(VK_MENU, shift & ssAlt);
}

void UpdateMouseControl(WindowRec* w, TPoint screenPt)
{
    TControl* ctl = nullptr;
    if (w && w->control) {
        TWinControl* wc = w->control;
        TPoint cp = wc->ScreenToClient(screenPt);
        ctl = wc->ControlAtPos(cp, false, false);
        if (!ctl)
            ctl = wc;
    }
    if (ctl == gMouseControl)
        return;
    TControl* old = gMouseControl;
    gMouseControl = ctl;
    // The old control's handler may free the new one (its form, say).
    TGuardPtr<TControl> next(ctl);
    if (old)
        old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (next)
        next->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(ctl));
}

// One mouse event, in screen coordinates, for the window the toolkit found under the mouse.
void DeliverMouse(WindowRec* target, UINT kind, int button, TPoint screenPt)
{
    gCursorPos = screenPt;
    gMessageTime = MessageClock();
    if (kind == WM_LBUTTONDOWN || kind == WM_RBUTTONDOWN || kind == WM_MBUTTONDOWN) {
        LeaveMenuBar();
    } else if (kind != WM_MOUSEMOVE) {
        // Let go wherever it goes, on a window a dialog disabled (the press opened it) too.
        gButtons &= ~UINT(button);
    }
    if (TrackLayerDrag(kind, button, screenPt))
        return;
    if (TrackWindowMove(kind, screenPt)) {
        RunIdle();
        return;
    }
    if (gTrack.w) {
        if (kind == WM_LBUTTONDOWN || kind == WM_LBUTTONUP || kind == WM_MOUSEMOVE) {
            TrackMouse(kind, screenPt);
            RunIdle();
            return;
        }
    }
    MouseMovedOver(target);
    WindowRec* w = gCapture ? gCapture : target;
    if (!w || !gWindows.count(w))
        return;
    // Disabled windows take no mouse input; it goes to nobody.
    if (!gCapture && !IsEnabledChain(w))
        return;
    if (kind == WM_LBUTTONDOWN || kind == WM_RBUTTONDOWN || kind == WM_MBUTTONDOWN)
        gButtons |= button;
    gMouseWindow = w;
    UINT msg = kind;
    if (button == 2)
        msg = kind == WM_LBUTTONDOWN ? WM_RBUTTONDOWN : kind == WM_LBUTTONUP ? WM_RBUTTONUP : kind;
    else if (button == 4)
        msg = kind == WM_LBUTTONDOWN ? WM_MBUTTONDOWN : kind == WM_LBUTTONUP ? WM_MBUTTONUP : kind;
    LPARAM screenL = MAKELPARAM(screenPt.X, screenPt.Y);
    LRESULT hit = gCapture ? HTCLIENT : SendMessage(H(w), WM_NCHITTEST, 0, screenL);
    if (!gWindows.count(w))
        return;
    if (kind == WM_MOUSEMOVE || (kind == WM_LBUTTONDOWN && !gCapture)) {
        SendMessage(H(w), WM_SETCURSOR, WPARAM(H(w)), MAKELPARAM(int(hit), int(msg)));
        if (!gWindows.count(w))
            return;
    }
    if (kind == WM_MOUSEMOVE) {
        UpdateMouseControl(w, screenPt);
        // An enter or leave handler may have freed the window under the mouse.
        if (!gWindows.count(w))
            return;
    }
    bool isDown = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
    if (isDown) {
        WindowRec* top = TopOf(w);
        if (top && top != gActive && !gCapture) {
            LRESULT ma = SendMessage(H(w), WM_MOUSEACTIVATE, WPARAM(H(top)), MAKELPARAM(int(hit), int(msg)));
            if (!gWindows.count(w))
                return;
            if ((ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) && gWindows.count(top))
                ActivateWindow(H(top));
            if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) {
                // The click only activated (or was refused): nothing else of it is delivered.
                RunIdle();
                return;
            }
        }
        // Double click: same window and button, within the time and the distance.
        DWORD t = gMessageTime;
        bool dbl = gLastClick.armed && gLastClick.w == w && gLastClick.msg == msg &&
                   t - gLastClick.time <= GetDoubleClickTime() &&
                   std::abs(screenPt.X - gLastClick.pt.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                   std::abs(screenPt.Y - gLastClick.pt.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        if (dbl && (w->classStyle & CS_DBLCLKS)) {
            msg += 2;  // WM_xBUTTONDOWN -> WM_xBUTTONDBLCLK
            gLastClick.armed = false;
        } else {
            gLastClick = {w, msg, t, screenPt, true};
        }
    }
    if (hit != HTCLIENT && !gCapture) {
        // Non-client messages carry the hit-test code and screen coordinates.
        SendMessage(H(w), msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, WPARAM(hit), screenL);
        RunIdle();
        return;
    }
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
        // The parents hear of a press on their child first, each at its own client point.
        NotifyParentsOf(w, MAKEWPARAM(msg, 0), [screenPt](WindowRec* p) {
            TPoint o = ClientScreenOrigin(p);
            return MAKELPARAM(screenPt.X - o.X, screenPt.Y - o.Y);
        });
        if (!gWindows.count(w))
            return;
    }
    TPoint c = ClientScreenOrigin(w);
    SendMessage(H(w), msg, KeyFlags(gButtons), MAKELPARAM(screenPt.X - c.X, screenPt.Y - c.Y));
    RunIdle();
}

void DeliverMouseEvent(WindowRec* w, QMouseEvent* e, UINT kind)
{
    // Input still queued for a widget whose window has just gone is dropped.
    if (!gWindows.count(w))
        return;
    TPoint o = ImageScreenOrigin(w);
    QPoint p = e->position().toPoint();
    Qt::KeyboardModifiers m = e->modifiers();
    SetModifierState((m & Qt::ShiftModifier ? TShiftState(ssShift) : 0u) | (m & Qt::ControlModifier ? TShiftState(ssCtrl) : 0u) |
                     (m & Qt::AltModifier ? TShiftState(ssAlt) : 0u));
    int button = e->button() == Qt::RightButton ? 2 : e->button() == Qt::MiddleButton ? 4 : 1;
    if (kind == WM_MOUSEMOVE)
        button = 0;
    Shielded([&] { DeliverMouse(w, kind, button, {o.X + p.x(), o.Y + p.y()}); });
}

void SurfaceWidget::wheelEvent(QWheelEvent* e)
{
    if (!gWindows.count(FRec))
        return;
    gAltAlone = false;  // a wheel turn between Alt's press and release
    TPoint o = ImageScreenOrigin(FRec);
    QPoint p = e->position().toPoint();
    Qt::KeyboardModifiers m = e->modifiers();
    SetModifierState((m & Qt::ShiftModifier ? TShiftState(ssShift) : 0u) | (m & Qt::ControlModifier ? TShiftState(ssCtrl) : 0u) |
                     (m & Qt::AltModifier ? TShiftState(ssAlt) : 0u));
    // The wheel turns what is under the pointer, focused or not, as the desktop's programs do.
    HWND target = H(FRec);
    gMessageTime = MessageClock();
    LPARAM at = MAKELPARAM(o.X + p.x(), o.Y + p.y());
    // A tilt or a sideways wheel turns as WM_MOUSEHWHEEL, positive to the right (the toolkit
    // counts leftwards as positive).
    Shielded([&] {
        if (int dy = e->angleDelta().y())
            SendMessage(target, WM_MOUSEWHEEL, MAKEWPARAM(int(KeyFlags(gButtons)), dy), at);
        if (int dx = e->angleDelta().x(); dx && gWindows.count(FRec))
            SendMessage(target, WM_MOUSEHWHEEL, MAKEWPARAM(int(KeyFlags(gButtons)), -dx), at);
        RunIdle();
    });
}

// ---- Leaving and hovering (TrackMouseEvent) ---------------------------------------------------
namespace {
struct MouseTracking {
    WindowRec* w = nullptr;
    bool leave = false, hover = false;
    DWORD hoverTime = 400;
    unsigned timer = 0;
};
MouseTracking gTracking;

void StopHoverTimer()
{
    if (gTracking.timer)
        StopTimer(gTracking.timer);
    gTracking.timer = 0;
}

void ArmHover()
{
    StopHoverTimer();
    if (!gTracking.hover || !gTracking.w)
        return;
    gTracking.timer = StartTimer(gTracking.hoverTime, [] {
        WindowRec* w = gTracking.w;
        gTracking.hover = false;
        StopHoverTimer();
        if (!gTracking.leave)
            gTracking.w = nullptr;
        if (w && gWindows.count(w)) {
            TPoint c = ClientScreenOrigin(w);
            PostMessage(H(w), WM_MOUSEHOVER, KeyFlags(gButtons), MAKELPARAM(gCursorPos.X - c.X, gCursorPos.Y - c.Y));
        }
    });
}
}  // namespace

void MouseMovedOver(WindowRec* under)
{
    if (!gTracking.w)
        return;
    if (under == gTracking.w) {
        if (gTracking.hover)
            ArmHover();  // the mouse must rest for the whole hover time
        return;
    }
    WindowRec* left = gTracking.w;
    bool tellLeave = gTracking.leave;
    StopHoverTimer();
    gTracking = MouseTracking{};
    if (tellLeave && gWindows.count(left))
        PostMessage(H(left), WM_MOUSELEAVE, 0, 0);
}

void ForgetMouseTracking(WindowRec* w)
{
    if (gTracking.w == w) {
        StopHoverTimer();
        gTracking = MouseTracking{};
    }
}

void SurfaceWidget::leaveEvent(QEvent*)
{
    Shielded([this] {
        // Out of every window of the program: nothing is under the mouse any more.
        if (gTracking.w == FRec)
            MouseMovedOver(nullptr);
        if (gMouseControl && !gCapture) {
            TControl* old = gMouseControl;
            gMouseControl = nullptr;
            old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
        }
    });
}

}  // namespace morvik::qtwin

BOOL TrackMouseEvent(TRACKMOUSEEVENT* t)
{
    if (!t || t->cbSize < sizeof(TRACKMOUSEEVENT))
        return FALSE;
    if (t->dwFlags & TME_QUERY) {
        t->dwFlags = (gTracking.leave ? TME_LEAVE : 0) | (gTracking.hover ? TME_HOVER : 0);
        t->hwndTrack = gTracking.w ? H(gTracking.w) : nullptr;
        t->dwHoverTime = gTracking.hoverTime;
        return TRUE;
    }
    WindowRec* w = Rec(t->hwndTrack);
    if (!w)
        return FALSE;
    if (t->dwFlags & TME_CANCEL) {
        if (gTracking.w == w) {
            if (t->dwFlags & TME_LEAVE)
                gTracking.leave = false;
            if (t->dwFlags & TME_HOVER) {
                gTracking.hover = false;
                StopHoverTimer();
            }
            if (!gTracking.leave && !gTracking.hover)
                gTracking = MouseTracking{};
        }
        return TRUE;
    }
    // Asked while the mouse is elsewhere, the leaving has already happened.
    if (Rec(WindowFromPoint(gCursorPos)) != w) {
        if (t->dwFlags & TME_LEAVE)
            PostMessage(t->hwndTrack, WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    if (gTracking.w != w) {
        StopHoverTimer();
        gTracking = MouseTracking{};
        gTracking.w = w;
    }
    if (t->dwFlags & TME_LEAVE)
        gTracking.leave = true;
    if (t->dwFlags & TME_HOVER) {
        gTracking.hover = true;
        gTracking.hoverTime = t->dwHoverTime == HOVER_DEFAULT ? 400 : std::max<DWORD>(1, t->dwHoverTime);
        ArmHover();
    }
    return TRUE;
}

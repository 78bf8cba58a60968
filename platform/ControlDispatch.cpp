// Message routing: Perform, the window procedures and the dispatch of messages to their handlers.
#include "platform/Controls.h"
#include "platform/Guard.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/MouseCapture.h"

using namespace morvik::backend;
using morvik::controls::CapturedChild;

// The drag in progress takes the source's mouse and Escape key first (Dragging.cpp).
bool DragFilter(TControl* Control, TMessage& Message);

void TControl::WndProc(TMessage& Message)
{
    if (DragFilter(this, Message))
        return;
    if ((Message.Msg == WM_LBUTTONDBLCLK || Message.Msg == WM_RBUTTONDBLCLK || Message.Msg == WM_MBUTTONDBLCLK) &&
        !(ControlStyle & csDoubleClicks))
        Message.Msg -= 2;  // without double clicks, the second press is a plain press
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
        Application)
        Application->HintMouseMessage(this, Message);
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: WMMouseButton(Message); break;
    case WM_MOUSEMOVE: WMMouseMove(Message); break;
    case WM_CANCELMODE: WMCancelMode(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); break;
    case CM_COLORCHANGED: CMColorChanged(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case CM_HITTEST: CMHitTest(Message); break;
    case CM_DRAG: CMDrag(Message); break;
    default: DefaultHandler(Message); break;
    }
}

void TControl::DefaultHandler(TMessage& Message) { (void)Message; }

// ---- Messages ---------------------------------------------------------------------------------
namespace {
constexpr UINT kDrawItem = CN_DRAWITEM - CN_BASE;
constexpr UINT kMeasureItem = CN_MEASUREITEM - CN_BASE;
constexpr UINT kDeleteItem = CN_DELETEITEM - CN_BASE;
constexpr UINT kVKeyToItem = CN_VKEYTOITEM - CN_BASE;
constexpr UINT kCharToItem = CN_CHARTOITEM - CN_BASE;
constexpr UINT kCompareItem = CN_COMPAREITEM - CN_BASE;
constexpr UINT kCtlColorFirst = CN_CTLCOLORMSGBOX - CN_BASE;
constexpr UINT kCtlColorLast = CN_CTLCOLORSTATIC - CN_BASE;

// The owner-drawn items' records start with the control's type and its window's number.
struct TItemRecordHead {
    UINT CtlType;
    UINT CtlID;
};
}  // namespace

void TWinControl::DefaultHandler(TMessage& Message)
{
    UINT m = Message.Msg;
    if (m >= kCtlColorFirst && m <= kCtlColorLast) {
        // The child that asks for its colours answers for itself.
        HWND child = reinterpret_cast<HWND>(Message.LParam);
        if (child && child != FHandle && FindControl(child)) {
            Message.Result = SendMessage(child, CN_BASE + m, Message.WParam, Message.LParam);
            return;
        }
    }
    if (m >= CN_CTLCOLORMSGBOX && m <= CN_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(dc, ColorToRGB(FFont->Color()));
        SetBkColor(dc, ColorToRGB(FBrush->Color()));
        Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
        return;
    }
    if (FHandle)
        Message.Result = DefaultWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

bool TWinControl::DoControlMsg(HWND ControlHandle, TMessage& Message)
{
    TWinControl* control = ControlHandle ? FindControl(ControlHandle) : nullptr;
    if (!control || control == this)
        return false;
    Message.Result = control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return true;
}

HWND TWinControl::ChildWindowOf(const TMessage& Message) const
{
    switch (Message.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case kVKeyToItem:
    case kCharToItem: return reinterpret_cast<HWND>(Message.LParam);
    case WM_NOTIFY: return Message.LParam ? reinterpret_cast<const NMHDR*>(Message.LParam)->hwndFrom : nullptr;
    case kDrawItem:
        // The drawn item's record names its window; the others only its number.
        if (Message.LParam && reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam)->hwndItem)
            return reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam)->hwndItem;
        [[fallthrough]];
    case kMeasureItem:
    case kDeleteItem:
    case kCompareItem: {
        if (!Message.LParam)
            return nullptr;
        UINT id = reinterpret_cast<const TItemRecordHead*>(Message.LParam)->CtlID;
        for (TControl* c : FControls)
            if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle && UINT(GetWindowLong(w->FHandle, GWL_ID)) == id)
                return w->FHandle;
        return nullptr;
    }
    default: return nullptr;
    }
}

void TWinControl::Broadcast(TMessage& Message)
{
    // Children, or this control, may go while they hear it: each is looked at again before it is
    // told, and the walk stops once this control has gone.
    TGuardPtr<TWinControl> self(this);
    for (TGuardPtr<TControl>& c : GuardedCopy<TControl>(FControls)) {
        if (!self)
            return;
        if (!c || c->Parent() != this)
            continue;
        c->WindowProc(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::WndProc(TMessage& Message)
{
    UINT m = Message.Msg;
    if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST && m != WM_MOUSEWHEEL) {
        if (IsControlMouseMsg(Message))
            return;
    }
    if (m == WM_CAPTURECHANGED && CapturedChild() && CapturedChild()->Parent() == this)
        CapturedChild() = nullptr;
    if (m == WM_SETFOCUS) {
        if (TCustomForm* form = GetParentForm(this)) {
            // A form that passes the focus on to its active control leaves the telling to it.
            TWinControl* active = form->ActiveControl();
            bool passesOn = form == this && active && active != this && active->CanFocus();
            if (!passesOn && !form->SetFocusedControl(this))
                return;
        }
    }
    TControl::WndProc(Message);
}


void TWinControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_WINDOWPOSCHANGED: {
        // Read back where the window ended up.
        TRect r;
        GetWindowRect(FHandle, &r);
        if (FParent && FParent->FHandle) {
            TPoint p = r.TopLeft();
            ::ScreenToClient(FParent->FHandle, &p);
            r = Bounds(p.X, p.Y, r.Width(), r.Height());
        }
        FLeft = r.Left;
        FTop = r.Top;
        FWidth = r.Width();
        FHeight = r.Height();
        break;
    }
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case CM_ENTER: CMEnter(Message); break;
    case CM_EXIT: CMExit(Message); break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case kDrawItem:
    case kMeasureItem:
    case kDeleteItem:
    case kCompareItem:
    case kVKeyToItem:
    case kCharToItem:
        // Otherwise (a menu's command among them) the default handling has it.
        if (!DoControlMsg(ChildWindowOf(Message), Message))
            TControl::Dispatch(Message);
        break;
    case CN_CHAR: CNChar(Message); break;
    case CN_SYSCHAR: CNSysChar(Message); break;
    case CM_DIALOGCHAR:
    case CM_SYSCOLORCHANGE: Broadcast(Message); break;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(Message); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(Message); break;
    case WM_CHAR: WMChar(Message); break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(Message); break;
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case CM_DIALOGKEY: CMDialogKey(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChangedWin(Message); break;
    case CM_VISIBLECHANGED: UpdateShowing(); break;
    case WM_CAPTURECHANGED:
        TControl::Dispatch(Message);
        break;
    default: TControl::Dispatch(Message); break;
    }
}

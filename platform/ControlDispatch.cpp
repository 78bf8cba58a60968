// Message routing: Perform, the window procedures and the dispatch of messages to their handlers.
#include "platform/Controls.h"

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
void TWinControl::DefaultHandler(TMessage& Message)
{
    if (FHandle)
        Message.Result = DefaultWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
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
    TControl::WndProc(Message);
}

namespace {
// A control's message about itself comes back to it from its parent (CN_BASE + the message).
bool ReflectToControl(TWinControl* Parent, HWND Control, TMessage& Message)
{
    TWinControl* c = Control ? TWinControl::FindControl(Control) : nullptr;
    if (!c || c == Parent)
        return false;
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return true;
}
}  // namespace

void TWinControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        if (!ReflectToControl(this, reinterpret_cast<HWND>(Message.LParam), Message))
            TControl::Dispatch(Message);
        break;
    case WM_DRAWITEM:
        if (!ReflectToControl(this, reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)->hwndItem, Message))
            TControl::Dispatch(Message);
        break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(dc, ColorToRGB(FFont->Color()));
        SetBkColor(dc, ColorToRGB(FColor));
        Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
        break;
    }
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
    case CM_VISIBLECHANGED:
        if (FHandle)
            ShowWindow(FHandle, FVisible ? SW_SHOW : SW_HIDE);
        break;
    case WM_CAPTURECHANGED:
        TControl::Dispatch(Message);
        break;
    default: TControl::Dispatch(Message); break;
    }
}

// Activation, keyboard focus and mouse capture.
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::backend {

void ActivateWindow(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    w = TopOf(w);
    if (gActive == w)
        return;
    LeaveMenuBar();
    WindowRec* old = gActive;
    // The old window's handler may destroy it: what the new one hears of it is taken first.
    const HWND oldH = old ? H(old) : nullptr;
    gActive = w;
    if (old && gWindows.count(old))
        SendMessage(oldH, WM_ACTIVATE, WA_INACTIVE, LPARAM(H(w)));
    if (gWindows.count(w)) {
        // Asking the toolkit again for a window it has just activated would answer a request of
        // two windows shown together with another, for ever.
        if (w->host && w->host->isVisible() && !gToolkitActivating) {
            w->host->activateWindow();
            w->host->setFocus();
        }
        SendMessage(H(w), WM_ACTIVATE, WA_ACTIVE, LPARAM(oldH));
    }
}

}  // namespace morvik::backend

HWND GetActiveWindow() { return gActive ? H(gActive) : nullptr; }
HWND GetForegroundWindow() { return GetActiveWindow(); }
BOOL SetForegroundWindow(HWND h)
{
    morvik::backend::ActivateWindow(h);
    return Rec(h) != nullptr;
}

// ---- Focus and capture --------------------------------------------------------------------------
HWND SetFocus(HWND h)
{
    WindowRec* w = Rec(h);
    WindowRec* old = gFocus;
    // The handlers of the change may destroy either window: they are looked for again by handle.
    const HWND oldH = H(old);
    if (w == old)
        return oldH;
    if (h && !w)
        return nullptr;
    if (w && !IsEnabledChain(w))
        return nullptr;
    LeaveMenuBar();
    gFocus = w;
    if (old)
        SendMessage(oldH, WM_KILLFOCUS, WPARAM(h), 0);
    if (w && gFocus == w && Rec(h) == w) {
        WindowRec* top = TopOf(w);
        if (top != gActive)
            morvik::backend::ActivateWindow(H(top));
        if (gFocus == w && Rec(h) == w)
            SendMessage(h, WM_SETFOCUS, WPARAM(Rec(oldH) ? oldH : nullptr), 0);
    }
    return oldH;
}

HWND GetFocus() { return gFocus ? H(gFocus) : nullptr; }

HWND SetCapture(HWND h)
{
    WindowRec* w = Rec(h);
    WindowRec* old = gCapture;
    // The old window's handler of the change may destroy it: its handle is taken before.
    const HWND oldH = H(old);
    if (w == old)
        return oldH;
    gCapture = w;
    if (old && gWindows.count(old))
        SendMessage(oldH, WM_CAPTURECHANGED, 0, LPARAM(h));
    return oldH;
}

BOOL ReleaseCapture()
{
    WindowRec* old = gCapture;
    if (!old)
        return TRUE;
    gCapture = nullptr;
    if (gWindows.count(old))
        SendMessage(H(old), WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return gCapture ? H(gCapture) : nullptr; }

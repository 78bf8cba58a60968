// A window's state apart from its geometry: existence, visibility, enabling, parent and sibling
// links, styles, class name, text and window region.
#include <algorithm>
#include <cstring>

#include "platform/WinGdiMore.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

// ---- Window functions -------------------------------------------------------------------------------
BOOL IsWindow(HWND h) { return Rec(h) != nullptr; }
BOOL IsWindowVisible(HWND h)
{
    WindowRec* w = Rec(h);
    return w && IsShowing(w);
}
BOOL IsWindowEnabled(HWND h)
{
    WindowRec* w = Rec(h);
    return w && w->enabled;
}

BOOL EnableWindow(HWND h, BOOL enable)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    bool was = !w->enabled;
    if (w->enabled != bool(enable)) {
        if (!enable) {
            // What the mouse was doing in the window ends first.
            for (WindowRec* c = gCapture; c; c = c->parent)
                if (c == w) {
                    SendMessage(H(gCapture), WM_CANCELMODE, 0, 0);
                    break;
                }
            if (!gWindows.count(w))
                return FALSE;
        }
        w->enabled = enable;
        if (!enable) {
            if (gFocus == w)
                SetFocus(nullptr);
            if (gCapture == w)
                ReleaseCapture();
        }
        SendMessage(h, WM_ENABLE, enable, 0);
    }
    return was;
}

BOOL ShowWindow(HWND h, int cmd)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    bool was = w->visible;
    bool show = cmd != SW_HIDE;
    if (w->topLevel && show) {
        // Minimised, maximised and restored are the desktop's to carry out.
        if (!was)
            SyncWidgetGeometry(w);
        if (cmd == SW_SHOWMINIMIZED || cmd == SW_MINIMIZE || cmd == SW_SHOWMINNOACTIVE) {
            w->host->showMinimized();
        } else if (cmd == SW_SHOWMAXIMIZED) {
            w->host->showMaximized();
        } else if (cmd == SW_RESTORE && (w->host->isMinimized() || w->host->isMaximized())) {
            w->host->showNormal();
        }
    }
    if (was != show) {
        w->visible = show;
        ShowWidget(w);
        SendMessage(h, WM_SHOWWINDOW, show, 0);
        if (!show) {
            // Focus and capture do not stay in a hidden window.
            for (WindowRec* f = gFocus; f; f = f->parent)
                if (f == w) {
                    SetFocus(nullptr);
                    break;
                }
            if (gCapture == w)
                ReleaseCapture();
        } else {
            InvalidateRect(h, nullptr, TRUE);
        }
        if (w->parent)
            InvalidateArea(w->parent, QRegion(w->rect.Left, w->rect.Top, w->rect.Width(), w->rect.Height()), true);
    }
    return was;
}

HWND GetParent(HWND h)
{
    WindowRec* w = Rec(h);
    return (w && w->parent) ? H(w->parent) : nullptr;
}

HWND GetWindow(HWND h, UINT cmd)
{
    WindowRec* w = Rec(h);
    if (!w)
        return nullptr;
    if (cmd == GW_CHILD)
        return w->children.empty() ? nullptr : H(w->children.back());
    if (!w->parent)
        return nullptr;
    auto& s = w->parent->children;  // the system lists the topmost first
    auto it = std::find(s.begin(), s.end(), w);
    size_t i = size_t(it - s.begin());
    switch (cmd) {
    case GW_HWNDFIRST: return H(s.back());
    case GW_HWNDLAST: return H(s.front());
    case GW_HWNDNEXT: return i > 0 ? H(s[i - 1]) : nullptr;
    case GW_HWNDPREV: return i + 1 < s.size() ? H(s[i + 1]) : nullptr;
    default: return nullptr;
    }
}

BOOL IsChild(HWND parent, HWND h)
{
    WindowRec* p = Rec(parent);
    for (WindowRec* w = Rec(h); w && p; w = w->parent)
        if (w->parent == p)
            return TRUE;
    return FALSE;
}

HWND GetDesktopWindow() { return nullptr; }

LONG GetWindowLong(HWND h, int index)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    if (index == GWL_STYLE)
        return LONG(w->style | (w->visible ? WS_VISIBLE : 0) | (w->enabled ? 0 : WS_DISABLED));
    if (index == GWL_EXSTYLE)
        return LONG(w->exStyle);
    if (index == GWL_ID)
        return LONG(w->id ? w->id : w->handle);
    return 0;
}

LONG SetWindowLong(HWND h, int index, LONG value)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    LONG old = GetWindowLong(h, index);
    TRect oldClient = ClientInImage(w);
    if (index == GWL_STYLE) {
        w->style = DWORD(value) & ~(WS_VISIBLE | WS_DISABLED);
        for (int bar = 0; bar < 2; ++bar)
            w->sb[bar].visible = !w->topLevel && (w->style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL));
    } else if (index == GWL_EXSTYLE) {
        w->exStyle = DWORD(value);
    } else if (index == GWL_ID) {
        w->id = std::uintptr_t(std::uint32_t(value));
        return old;
    }
    FrameChanged(w, oldClient);
    return old;
}

int GetClassName(HWND h, LPSTR name, int n)
{
    WindowRec* w = Rec(h);
    if (!w || !name || n <= 0)
        return 0;
    std::string cls = w->className.empty() && w->control ? w->control->ClassName() : w->className;
    int len = std::min(n - 1, int(cls.size()));
    std::memcpy(name, cls.data(), size_t(len));
    name[len] = 0;
    return len;
}

int GetWindowText(HWND h, LPSTR s, int n)
{
    return int(SendMessage(h, WM_GETTEXT, WPARAM(n), reinterpret_cast<LPARAM>(s)));
}

BOOL SetWindowText(HWND h, LPCSTR s)
{
    return BOOL(SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s ? s : "")));
}

int SetWindowRgn(HWND h, HRGN rgn, BOOL redraw)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    // A top-level window is shaped as a whole on the desktop; a child within its parent.
    QWidget* shaped = w->topLevel && w->host ? static_cast<QWidget*>(w->host) : static_cast<QWidget*>(w->widget);
    if (rgn) {
        w->hasRgn = true;
        const QRegion* r = RegionOf(rgn);
        w->windowRgn = r ? *r : QRegion();
        DeleteObject(rgn);
        if (shaped) {
            TRect frame = w->topLevel ? FrameMargins(h) : TRect{};
            shaped->setMask(w->windowRgn.translated(-frame.Left, -frame.Top));
        }
    } else {
        w->hasRgn = false;
        if (shaped)
            shaped->clearMask();
    }
    if (redraw)
        InvalidateRect(h, nullptr, TRUE);
    return 1;
}

int GetWindowRgn(HWND h, HRGN rgn)
{
    WindowRec* w = Rec(h);
    if (!w || !rgn || !w->hasRgn)
        return ERROR;
    HRGN copy = CreateRegionFromQt(w->windowRgn);
    int kind = CombineRgn(rgn, copy, nullptr, RGN_COPY);
    DeleteObject(copy);
    return kind;
}

unsigned long morvik::backend::WindowSystemId(HWND wnd)
{
    WindowRec* w = Rec(wnd);
    while (w && !w->topLevel)
        w = w->parent;
    if (!w)
        return 0;
    QWidget* shown = w->host ? static_cast<QWidget*>(w->host) : static_cast<QWidget*>(w->widget);
    return shown && shown->isVisible() ? static_cast<unsigned long>(shown->winId()) : 0;
}

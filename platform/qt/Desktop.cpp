// Window placement, and the desktop's geometry from the toolkit's screens.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <map>

#include "platform/Backend.h"
#include "platform/WinGdiMore.h"

using namespace morvik::backend;

namespace {
struct Positions {
    POINT min{-1, -1}, max{-1, -1};
};
std::map<HWND, Positions>& Placed()
{
    static std::map<HWND, Positions> m;
    return m;
}

// Rectangles of top-level windows are given in the work area's coordinates.
TPoint WorkspaceShift(HWND h)
{
    if (GetParent(h))
        return {};
    TRect wa = WorkAreaRect();
    return {wa.Left, wa.Top};
}

TRect NormalRect(HWND h)
{
    TRect r;
    GetWindowRect(h, &r);
    if (HWND parent = GetParent(h)) {
        TPoint p{r.Left, r.Top};
        ScreenToClient(parent, &p);
        return Bounds(p.X, p.Y, r.Width(), r.Height());
    }
    QWidget* host = HostWidget(h);
    if (host && (host->isMinimized() || host->isMaximized())) {
        // The frame around the host's client area is the same in every state.
        QRect g = host->geometry(), n = host->normalGeometry();
        r = {n.left() - (g.left() - r.Left), n.top() - (g.top() - r.Top),
             n.right() + 1 + (r.Right - g.right() - 1), n.bottom() + 1 + (r.Bottom - g.bottom() - 1)};
    }
    return r;
}
}  // namespace

BOOL GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* wp)
{
    if (!wp || !IsWindow(hWnd))
        return FALSE;
    QWidget* host = HostWidget(hWnd);
    wp->length = sizeof(WINDOWPLACEMENT);
    wp->flags = 0;
    wp->showCmd = SW_SHOWNORMAL;
    if (host && host->isMinimized())
        wp->showCmd = SW_SHOWMINIMIZED;
    else if (host && host->isMaximized())
        wp->showCmd = SW_SHOWMAXIMIZED;
    auto it = Placed().find(hWnd);
    Positions pos = it != Placed().end() ? it->second : Positions{};
    wp->ptMinPosition = pos.min;
    wp->ptMaxPosition = pos.max;
    TRect r = NormalRect(hWnd);
    TPoint shift = WorkspaceShift(hWnd);
    OffsetRect(r, -shift.X, -shift.Y);
    wp->rcNormalPosition = r;
    return TRUE;
}

BOOL SetWindowPlacement(HWND hWnd, const WINDOWPLACEMENT* wp)
{
    if (!wp || wp->length != sizeof(WINDOWPLACEMENT) || !IsWindow(hWnd))
        return FALSE;
    Positions& pos = Placed()[hWnd];
    if (wp->flags & WPF_SETMINPOSITION)
        pos.min = wp->ptMinPosition;
    pos.max = wp->ptMaxPosition;
    TRect r = wp->rcNormalPosition;
    TPoint shift = WorkspaceShift(hWnd);
    OffsetRect(r, shift.X, shift.Y);
    QWidget* host = HostWidget(hWnd);
    bool restored = !host || !(host->isMinimized() || host->isMaximized());
    if (restored && NormalRect(hWnd) != r)
        MoveWindow(hWnd, r.Left, r.Top, r.Width(), r.Height(), TRUE);
    if (wp->showCmd != SW_SHOWNORMAL || !restored)
        ShowWindow(hWnd, int(wp->showCmd) == SW_SHOWNORMAL ? SW_RESTORE : int(wp->showCmd));
    return TRUE;
}

TRect VirtualScreenRect()
{
    EnsureToolkit();
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return {};
    QRect g = s->virtualGeometry();
    return Bounds(g.x(), g.y(), g.width(), g.height());
}

TRect WorkAreaRect()
{
    EnsureToolkit();
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return {};
    QRect g = s->availableGeometry();
    return Bounds(g.x(), g.y(), g.width(), g.height());
}


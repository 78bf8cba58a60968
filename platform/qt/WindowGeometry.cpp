// Where windows lie: frames and client rectangles, the backing image's place on the screen,
// hit-finding by point, coordinate mapping and moving, sizing and stacking windows.
#include <algorithm>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

// ---- Geometry ----------------------------------------------------------------------------------
int BorderWidth(const WindowRec* w)
{
    if (w->topLevel)
        return 0;
    int b = 0;
    if (w->style & WS_BORDER)
        b += 1;
    if (w->exStyle & WS_EX_CLIENTEDGE)
        b += 2;
    if (w->exStyle & WS_EX_STATICEDGE)
        b += 1;
    if (w->style & WS_THICKFRAME)
        b += 4;
    else if (w->style & WS_DLGFRAME)
        b += 3;
    return b;
}

TRect TopMargins(const WindowRec* w)
{
    int f = 0;
    if (w->style & WS_THICKFRAME)
        f = 4;
    else if (w->style & (WS_DLGFRAME | WS_BORDER))
        f = 3;
    int top = f + ((w->style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0) + (w->menuBar ? kMenuHeight : 0);
    return {f, top, f, f};
}

TSize WindowSize(const WindowRec* w) { return {w->rect.Width(), w->rect.Height()}; }

// The client rectangle the frame leaves by default: border and visible standard bars taken off.
TRect DefaultClient(const WindowRec* w)
{
    int b = BorderWidth(w);
    TRect r{b, b, w->rect.Width() - b, w->rect.Height() - b};
    if (w->sb[SB_VERT].visible)
        r.Right -= kScrollBarSize;
    if (w->sb[SB_HORZ].visible)
        r.Bottom -= kScrollBarSize;
    r.Right = std::max(r.Left, r.Right);
    r.Bottom = std::max(r.Top, r.Bottom);
    return r;
}

// Client rectangle in the window image's coordinates.
TRect ClientInImage(const WindowRec* w)
{
    if (w->topLevel) {
        TRect m = TopMargins(w);
        return {0, 0, std::max(0, w->rect.Width() - m.Left - m.Right),
                std::max(0, w->rect.Height() - m.Top - m.Bottom)};
    }
    return w->client;
}

// Asks the window where its client area lies (WM_NCCALCSIZE), so that a control can keep a frame
// of its own; the default answer is DefaultClient.
void RecalcClient(WindowRec* w, bool ask)
{
    if (w->topLevel)
        return;
    if (!ask || !w->control) {
        w->client = DefaultClient(w);
        return;
    }
    RECT r = Bounds(w->rect.Left, w->rect.Top, w->rect.Width(), w->rect.Height());
    SendMessage(H(w), WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
    OffsetRect(r, -w->rect.Left, -w->rect.Top);
    r.Left = std::clamp(r.Left, 0, w->rect.Width());
    r.Top = std::clamp(r.Top, 0, w->rect.Height());
    r.Right = std::clamp(r.Right, r.Left, w->rect.Width());
    r.Bottom = std::clamp(r.Bottom, r.Top, w->rect.Height());
    w->client = r;
}

TSize ImageSize(const WindowRec* w)
{
    if (w->topLevel) {
        TRect c = ClientInImage(w);
        return {c.Width(), c.Height()};
    }
    return WindowSize(w);
}

// Screen position of the image's top-left pixel.
TPoint ImageScreenOrigin(const WindowRec* w)
{
    if (w->topLevel) {
        TRect m = TopMargins(w);
        return {w->rect.Left + m.Left, w->rect.Top + m.Top};
    }
    if (!w->parent)
        return w->rect.TopLeft();
    TPoint p = ImageScreenOrigin(w->parent);
    TRect pc = ClientInImage(w->parent);
    return {p.X + pc.Left + w->rect.Left, p.Y + pc.Top + w->rect.Top};
}

TPoint ClientScreenOrigin(const WindowRec* w)
{
    TPoint p = ImageScreenOrigin(w);
    TRect c = ClientInImage(w);
    return {p.X + c.Left, p.Y + c.Top};
}

bool IsShowing(const WindowRec* w)
{
    for (; w; w = w->parent)
        if (!w->visible)
            return false;
    return true;
}

bool IsEnabledChain(const WindowRec* w)
{
    for (; w; w = w->parent)
        if (!w->enabled)
            return false;
    return true;
}

WindowRec* TopOf(WindowRec* w)
{
    while (w && w->parent)
        w = w->parent;
    return w;
}

WindowRec* WindowAt(WindowRec* w, TPoint screenPt)
{
    if (!IsShowing(w))
        return nullptr;
    TPoint o = ImageScreenOrigin(w);
    TSize s = ImageSize(w);
    if (screenPt.X < o.X || screenPt.Y < o.Y || screenPt.X >= o.X + s.cx || screenPt.Y >= o.Y + s.cy)
        return nullptr;
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
        if (WindowRec* c = WindowAt(*it, screenPt))
            return c;
    return w;
}

}  // namespace morvik::qtwin

HWND WindowFromPoint(POINT p)
{
    std::vector<WindowRec*> tops;
    for (WindowRec* w : gWindows)
        if (w->topLevel)
            tops.push_back(w);
    // The active window first, then the others.
    std::stable_partition(tops.begin(), tops.end(), [](WindowRec* w) { return w == gActive; });
    for (WindowRec* t : tops)
        if (WindowRec* w = WindowAt(t, p))
            return H(w);
    return nullptr;
}

BOOL GetWindowRect(HWND h, RECT* r)
{
    WindowRec* w = Rec(h);
    if (!w || !r)
        return FALSE;
    if (w->topLevel) {
        *r = w->rect;
    } else {
        TPoint o = ImageScreenOrigin(w);
        *r = Bounds(o.X, o.Y, w->rect.Width(), w->rect.Height());
    }
    return TRUE;
}

BOOL GetClientRect(HWND h, RECT* r)
{
    WindowRec* w = Rec(h);
    if (!w || !r)
        return FALSE;
    TRect c = ClientInImage(w);
    *r = {0, 0, c.Width(), c.Height()};
    return TRUE;
}

BOOL ClientToScreen(HWND h, POINT* p)
{
    WindowRec* w = Rec(h);
    if (!w || !p)
        return FALSE;
    TPoint o = ClientScreenOrigin(w);
    p->X += o.X;
    p->Y += o.Y;
    return TRUE;
}

BOOL ScreenToClient(HWND h, POINT* p)
{
    WindowRec* w = Rec(h);
    if (!w || !p)
        return FALSE;
    TPoint o = ClientScreenOrigin(w);
    p->X -= o.X;
    p->Y -= o.Y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT n)
{
    TPoint a = Rec(from) ? ClientScreenOrigin(Rec(from)) : TPoint{};
    TPoint b = Rec(to) ? ClientScreenOrigin(Rec(to)) : TPoint{};
    int dx = a.X - b.X, dy = a.Y - b.Y;
    for (UINT i = 0; i < n; ++i) {
        pts[i].X += dx;
        pts[i].Y += dy;
    }
    return MAKELONG(Word(dx), Word(dy));
}

BOOL SetWindowPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    TRect old = w->rect;
    TRect oldClient = ClientInImage(w);
    TRect r = old;
    if (!(flags & SWP_NOMOVE))
        r = Bounds(x, y, r.Width(), r.Height());
    if (!(flags & SWP_NOSIZE))
        r = Bounds(r.Left, r.Top, std::max(0, cx), std::max(0, cy));
    if (!(flags & SWP_NOZORDER) && w->parent) {
        auto& s = w->parent->children;
        s.erase(std::remove(s.begin(), s.end(), w), s.end());
        if (after == HWND_BOTTOM)
            s.insert(s.begin(), w);
        else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST || !Rec(after))
            s.push_back(w);
        else {
            auto it = std::find(s.begin(), s.end(), Rec(after));
            s.insert(it, w);  // just below 'after'
        }
        if (w->widget) {
            // Keep the toolkit's stacking order equal to ours.
            for (WindowRec* c : s)
                if (c->widget)
                    c->widget->raise();
        }
    }
    if (after == HWND_TOPMOST && w->topLevel)
        morvik::backend::SetStayOnTop(h, true);
    else if (after == HWND_NOTOPMOST && w->topLevel)
        morvik::backend::SetStayOnTop(h, false);
    bool moved = r.Left != old.Left || r.Top != old.Top;
    bool sized = r.Width() != old.Width() || r.Height() != old.Height();
    w->rect = r;
    if (sized || (flags & SWP_FRAMECHANGED))
        RecalcClient(w, true);
    if (sized) {
        ResizeImage(w);
        w->frameDirty = true;
    }
    if (moved || sized)
        SyncWidgetGeometry(w);
    if (ClientInImage(w).TopLeft() != oldClient.TopLeft())
        for (WindowRec* c : w->children)
            SyncWidgetGeometry(c);
    if (sized && !(flags & SWP_NOREDRAW)) {
        TRect c = ClientInImage(w);
        if (w->classStyle & (CS_HREDRAW | CS_VREDRAW))
            w->update = QRegion(0, 0, c.Width(), c.Height());
        else
            w->update |= QRegion(0, 0, c.Width(), c.Height()) - QRegion(0, 0, oldClient.Width(), oldClient.Height());
        w->erase = true;
        SchedulePaint(w);
    }
    if ((moved || sized) && w->parent && IsShowing(w)) {
        // The parent's surface under the old and new places shows windowless siblings again, and a
        // see-through window shows what lies under its new place.
        InvalidateArea(w->parent,
                       QRegion(old.Left, old.Top, old.Width(), old.Height()) | QRegion(r.Left, r.Top, r.Width(), r.Height()),
                       false);
    }
    if (flags & SWP_FRAMECHANGED) {
        w->frameDirty = true;
        TRect nc = ClientInImage(w);
        if (nc != oldClient && !(flags & SWP_NOREDRAW)) {
            w->update = QRegion(0, 0, nc.Width(), nc.Height());
            w->erase = true;
        }
        SchedulePaint(w);
    }
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(h, SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(h, SW_HIDE);
    if (moved || sized || (flags & SWP_FRAMECHANGED)) {
        WINDOWPOS wp{h, after, r.Left, r.Top, r.Width(), r.Height(), flags};
        SendMessage(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    }
    if (!Rec(h))
        return TRUE;
    TRect nc = ClientInImage(w);
    if (moved)
        SendMessage(h, WM_MOVE, 0, MAKELPARAM(r.Left, r.Top));
    if ((sized || (flags & SWP_FRAMECHANGED)) && (nc.Width() != oldClient.Width() || nc.Height() != oldClient.Height()))
        SendMessage(h, WM_SIZE, SizeKind(w), MAKELPARAM(nc.Width(), nc.Height()));
    return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int cx, int cy, BOOL repaint)
{
    return SetWindowPos(h, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

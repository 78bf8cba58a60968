// The standard scroll bars: their state, and tracking a press on an arrow, the track or the thumb.
#include <algorithm>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

UINT ScrollMsg(int bar) { return bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL; }

int PartAt(WindowRec* w, int bar, TPoint p)
{
    BarGeom g = BarGeometry(w, bar);
    if (PtInRect(g.arrow1, p))
        return 0;
    if (PtInRect(g.arrow2, p))
        return 1;
    if (g.hasThumb && PtInRect(g.thumb, p))
        return 4;
    if (PtInRect(g.track, p)) {
        if (!g.hasThumb)
            return -1;
        bool before = bar == SB_VERT ? p.Y < g.thumb.Top : p.X < g.thumb.Left;
        return before ? 2 : 3;
    }
    return -1;
}

void SendScrollCode(WindowRec* w, int bar, int code, int pos = 0)
{
    SendMessage(H(w), ScrollMsg(bar), MAKEWPARAM(code, pos), 0);
}

void RepeatScroll()
{
    if (!gTrack.w || !gWindows.count(gTrack.w))
        return;
    int part = PartAt(gTrack.w, gTrack.bar, gTrack.last);
    if (part == gTrack.part && part >= 0 && part <= 3)
        SendScrollCode(gTrack.w, gTrack.bar, part);  // SB_LINEUP..SB_PAGEDOWN are 0..3 in this order
}

void EndScrollTrack()
{
    if (!gTrack.w)
        return;
    if (gTrack.timer)
        StopTimer(gTrack.timer);
    WindowRec* w = gTrack.w;
    int bar = gTrack.bar;
    int part = gTrack.part;
    gTrack = ScrollTrack{};
    if (gWindows.count(w)) {
        if (part == 4)
            SendScrollCode(w, bar, SB_THUMBPOSITION, w->sb[bar].trackPos);
        SendScrollCode(w, bar, SB_ENDSCROLL);
    }
}

int ThumbPosFromPoint(WindowRec* w, int bar, TPoint p)
{
    BarGeom g = BarGeometry(w, bar);
    const ScrollBarState& s = w->sb[bar];
    bool vert = bar == SB_VERT;
    int trackLen = vert ? g.track.Height() : g.track.Width();
    int thumbLen = vert ? g.thumb.Height() : g.thumb.Width();
    int off = (vert ? p.Y - g.track.Top : p.X - g.track.Left) - gTrack.grab;
    int maxPos = s.max - std::max(int(s.page) - 1, 0);
    int free = trackLen - thumbLen;
    if (free <= 0)
        return s.min;
    off = std::clamp(off, 0, free);
    return s.min + int((Int64(off) * (maxPos - s.min) + free / 2) / free);
}

void StartScrollTrack(WindowRec* w, int bar, TPoint screenPt)
{
    TPoint o = ImageScreenOrigin(w);
    TPoint p{screenPt.X - o.X, screenPt.Y - o.Y};
    int part = PartAt(w, bar, p);
    if (part < 0 || w->sb[bar].disabled)
        return;
    gTrack.w = w;
    gTrack.bar = bar;
    gTrack.part = part;
    gTrack.last = p;
    if (part == 4) {
        BarGeom g = BarGeometry(w, bar);
        gTrack.grab = bar == SB_VERT ? p.Y - g.thumb.Top : p.X - g.thumb.Left;
        w->sb[bar].trackPos = w->sb[bar].pos;
        return;
    }
    SendScrollCode(w, bar, part);
    // Held: repeats after the keyboard delay, then at the keyboard rate.
    gTrack.timer = StartTimer(350, [] {
        RepeatScroll();
        if (gTrack.timer) {
            StopTimer(gTrack.timer);
            gTrack.timer = StartTimer(50, [] { RepeatScroll(); });
        }
    });
}

void TrackMouse(UINT kind, TPoint screenPt)
{
    WindowRec* w = gTrack.w;
    if (!gWindows.count(w)) {
        gTrack = ScrollTrack{};
        return;
    }
    TPoint o = ImageScreenOrigin(w);
    gTrack.last = {screenPt.X - o.X, screenPt.Y - o.Y};
    if (kind == WM_MOUSEMOVE && gTrack.part == 4) {
        int pos = ThumbPosFromPoint(w, gTrack.bar, gTrack.last);
        if (pos != w->sb[gTrack.bar].trackPos) {
            w->sb[gTrack.bar].trackPos = pos;
            SendScrollCode(w, gTrack.bar, SB_THUMBTRACK, pos);
        }
    } else if (kind == WM_LBUTTONUP) {
        EndScrollTrack();
    }
}

}  // namespace morvik::qtwin

// ---- Scroll bars ----------------------------------------------------------------------------------
int SetScrollInfo(HWND h, int bar, const SCROLLINFO* si, BOOL redraw)
{
    WindowRec* w = Rec(h);
    // A scroll-bar control keeps its own state; it answers the scroll-bar messages.
    if (w && si && bar == SB_CTL)
        return int(SendMessage(h, SBM_SETSCROLLINFO, WPARAM(redraw), reinterpret_cast<LPARAM>(si)));
    if (!w || !si || (bar != SB_HORZ && bar != SB_VERT))
        return 0;
    ScrollBarState& s = w->sb[bar];
    TRect oldClient = ClientInImage(w);
    bool oldVisible[2] = {w->sb[0].visible, w->sb[1].visible};
    if (si->fMask & SIF_RANGE) {
        s.min = si->nMin;
        s.max = si->nMax;
    }
    if (si->fMask & SIF_PAGE)
        s.page = si->nPage;
    // Page at most the range; position within what the page allows.
    int range = s.max - s.min + 1;
    if (range > 0 && int(s.page) > range)
        s.page = UINT(range);
    if (si->fMask & SIF_POS)
        s.pos = si->nPos;
    int maxPos = s.max - std::max(int(s.page) - 1, 0);
    s.pos = std::clamp(s.pos, s.min, std::max(s.min, maxPos));
    if (si->fMask & (SIF_RANGE | SIF_PAGE))
        UpdateBarVisibility(w, bar, (si->fMask & SIF_DISABLENOSCROLL) != 0);
    if (oldVisible[0] != w->sb[0].visible || oldVisible[1] != w->sb[1].visible) {
        FrameChanged(w, oldClient);
    } else {
        w->frameDirty = true;
        if (redraw)
            SendMessage(h, WM_NCPAINT, 1, 0);
        WindowImageChanged(h);
    }
    return s.pos;
}

BOOL GetScrollInfo(HWND h, int bar, SCROLLINFO* si)
{
    WindowRec* w = Rec(h);
    if (w && si && bar == SB_CTL)
        return BOOL(SendMessage(h, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(si)));
    if (!w || !si || (bar != SB_HORZ && bar != SB_VERT))
        return FALSE;
    const ScrollBarState& s = w->sb[bar];
    if (si->fMask & SIF_RANGE) {
        si->nMin = s.min;
        si->nMax = s.max;
    }
    if (si->fMask & SIF_PAGE)
        si->nPage = s.page;
    if (si->fMask & SIF_POS)
        si->nPos = s.pos;
    if (si->fMask & SIF_TRACKPOS)
        si->nTrackPos = gTrack.w == w && gTrack.bar == bar ? s.trackPos : s.pos;
    return TRUE;
}

int SetScrollPos(HWND h, int bar, int pos, BOOL redraw)
{
    WindowRec* w = Rec(h);
    if (!w || (bar != SB_HORZ && bar != SB_VERT && bar != SB_CTL))
        return 0;
    int old = GetScrollPos(h, bar);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(h, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND h, int bar)
{
    WindowRec* w = Rec(h);
    if (w && bar == SB_CTL) {
        SCROLLINFO si;
        si.fMask = SIF_POS;
        return GetScrollInfo(h, SB_CTL, &si) ? si.nPos : 0;
    }
    return (w && (bar == SB_HORZ || bar == SB_VERT)) ? w->sb[bar].pos : 0;
}

BOOL SetScrollRange(HWND h, int bar, int mn, int mx, BOOL redraw)
{
    SCROLLINFO si;
    si.fMask = SIF_RANGE;
    si.nMin = mn;
    si.nMax = mx;
    return SetScrollInfo(h, bar, &si, redraw) >= 0;
}

BOOL GetScrollRange(HWND h, int bar, int* mn, int* mx)
{
    WindowRec* w = Rec(h);
    if (w && bar == SB_CTL) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE;
        if (!GetScrollInfo(h, SB_CTL, &si))
            return FALSE;
        if (mn)
            *mn = si.nMin;
        if (mx)
            *mx = si.nMax;
        return TRUE;
    }
    if (!w || (bar != SB_HORZ && bar != SB_VERT))
        return FALSE;
    if (mn)
        *mn = w->sb[bar].min;
    if (mx)
        *mx = w->sb[bar].max;
    return TRUE;
}

BOOL ShowScrollBar(HWND h, int bar, BOOL show)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    TRect oldClient = ClientInImage(w);
    for (int b = 0; b < 2; ++b)
        if (bar == b || bar == SB_BOTH) {
            w->sb[b].visible = show && !w->topLevel;
            if (show)
                w->style |= b == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
            else
                w->style &= ~(b == SB_VERT ? WS_VSCROLL : WS_HSCROLL);
        }
    FrameChanged(w, oldClient);
    return TRUE;
}

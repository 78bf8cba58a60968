// The non-client area: borders, edges and the standard scroll bars' painting and layout, and the
// default processing of messages.
#include <algorithm>
#include <cstring>

#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/WinGdiMore.h"
#include "platform/qt/WindowMove.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

BarGeom BarGeometry(const WindowRec* w, int bar)
{
    BarGeom g;
    int b = BorderWidth(w);
    int W = w->rect.Width(), Hh = w->rect.Height();
    const ScrollBarState& s = w->sb[bar];
    if (bar == SB_VERT) {
        g.bar = {W - b - kScrollBarSize, b, W - b, Hh - b - (w->sb[SB_HORZ].visible ? kScrollBarSize : 0)};
    } else {
        g.bar = {b, Hh - b - kScrollBarSize, W - b - (w->sb[SB_VERT].visible ? kScrollBarSize : 0), Hh - b};
    }
    bool vert = bar == SB_VERT;
    int len = vert ? g.bar.Height() : g.bar.Width();
    int arrow = std::min(kScrollBarSize, len / 2);
    if (vert) {
        g.arrow1 = {g.bar.Left, g.bar.Top, g.bar.Right, g.bar.Top + arrow};
        g.arrow2 = {g.bar.Left, g.bar.Bottom - arrow, g.bar.Right, g.bar.Bottom};
        g.track = {g.bar.Left, g.arrow1.Bottom, g.bar.Right, g.arrow2.Top};
    } else {
        g.arrow1 = {g.bar.Left, g.bar.Top, g.bar.Left + arrow, g.bar.Bottom};
        g.arrow2 = {g.bar.Right - arrow, g.bar.Top, g.bar.Right, g.bar.Bottom};
        g.track = {g.arrow1.Right, g.bar.Top, g.arrow2.Left, g.bar.Bottom};
    }
    int trackLen = vert ? g.track.Height() : g.track.Width();
    int range = s.max - s.min + 1;
    if (s.disabled || range <= 0)
        return g;
    int thumbLen = s.page == 0 ? kScrollBarSize : std::max(8, int(Int64(trackLen) * s.page / range));
    if (thumbLen > trackLen)
        return g;
    int maxPos = s.max - std::max(int(s.page) - 1, 0);
    int span = maxPos - s.min;
    int off = span > 0 ? int(Int64(trackLen - thumbLen) * (std::clamp(s.pos, s.min, maxPos) - s.min) / span) : 0;
    if (vert)
        g.thumb = {g.track.Left, g.track.Top + off, g.track.Right, g.track.Top + off + thumbLen};
    else
        g.thumb = {g.track.Left + off, g.track.Top, g.track.Left + off + thumbLen, g.track.Bottom};
    g.hasThumb = true;
    return g;
}

void PaintFrame(WindowRec* w)
{
    if (w->topLevel || w->image.isNull())
        return;
    HDC dc = GetWindowDC(H(w));
    TRect c = ClientInImage(w);
    ExcludeClipRect(dc, c.Left, c.Top, c.Right, c.Bottom);
    TRect r{0, 0, w->rect.Width(), w->rect.Height()};
    if (w->exStyle & WS_EX_CLIENTEDGE) {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    if (w->style & WS_BORDER) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(r, -1, -1);
    }
    if (w->exStyle & WS_EX_STATICEDGE) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    }
    for (int bar = 0; bar < 2; ++bar) {
        if (!w->sb[bar].visible)
            continue;
        BarGeom g = BarGeometry(w, bar);
        // The track: a light checker of face and highlight.
        HBITMAP pat = CreateCompatibleBitmap(nullptr, 2, 2);
        HDC pdc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(pdc, pat);
        SetPixel(pdc, 0, 0, GetSysColor(COLOR_BTNHIGHLIGHT));
        SetPixel(pdc, 1, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        SetPixel(pdc, 1, 0, GetSysColor(COLOR_SCROLLBAR));
        SetPixel(pdc, 0, 1, GetSysColor(COLOR_SCROLLBAR));
        SelectObject(pdc, old);
        DeleteDC(pdc);
        HBRUSH trackBrush = CreatePatternBrush(pat);
        DeleteObject(pat);
        FillRect(dc, &g.track, trackBrush);
        DeleteObject(trackBrush);
        UINT inactive = w->sb[bar].disabled ? DFCS_INACTIVE : 0;
        TRect a1 = g.arrow1, a2 = g.arrow2;
        DrawFrameControl(dc, &a1, DFC_SCROLL, (bar == SB_VERT ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
        DrawFrameControl(dc, &a2, DFC_SCROLL, (bar == SB_VERT ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
        if (g.hasThumb) {
            TRect t = g.thumb;
            DrawEdge(dc, &t, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        }
    }
    if (w->sb[0].visible && w->sb[1].visible) {
        int b = BorderWidth(w);
        TRect corner{w->rect.Width() - b - kScrollBarSize, w->rect.Height() - b - kScrollBarSize,
                     w->rect.Width() - b, w->rect.Height() - b};
        FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
    }
    ReleaseDC(H(w), dc);
}

// Client area changed (frame, scroll bars): children move with it and the window hears WM_SIZE.
void FrameChanged(WindowRec* w, TRect oldClient)
{
    RecalcClient(w, true);
    TRect nc = ClientInImage(w);
    w->frameDirty = true;
    if (nc.Width() != oldClient.Width() || nc.Height() != oldClient.Height() || nc.Left != oldClient.Left ||
        nc.Top != oldClient.Top) {
        for (WindowRec* c : w->children)
            SyncWidgetGeometry(c);
        InvalidateRect(H(w), nullptr, TRUE);
        if (nc.Width() != oldClient.Width() || nc.Height() != oldClient.Height())
            SendMessage(H(w), WM_SIZE, SizeKind(w), MAKELPARAM(nc.Width(), nc.Height()));
    }
    SchedulePaint(w);
    if (w->widget)
        w->widget->update();
}

void UpdateBarVisibility(WindowRec* w, int bar, bool disableNoScroll)
{
    ScrollBarState& s = w->sb[bar];
    bool wanted = w->style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL);
    bool scrollable = s.max > s.min && (s.page == 0 || int(s.page) <= s.max - s.min);
    if (scrollable) {
        s.visible = true;
        s.disabled = false;
        w->style |= bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    } else if (disableNoScroll && wanted) {
        s.visible = true;
        s.disabled = true;
    } else {
        s.visible = false;
        w->style &= ~(bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL);
    }
}

}  // namespace morvik::qtwin

namespace morvik::backend {

LRESULT DefaultWindowProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    switch (msg) {
    case WM_COMMAND:
        // A tracked menu's choice and its sub-menus opening run the items of the menu that has
        // them, whichever window the menu was shown for.
        if (lParam == 0 && HIWORD(wParam) == 0)
            DispatchMenuCommand(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        DispatchMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_KEYDOWN:
        // The menu key and Shift+F10 ask for the context menu; the window places it.
        if (wParam == VK_APPS || (wParam == VK_F10 && (KeyDataToShiftState(lParam) & (ssShift | ssCtrl)) == ssShift))
            SendMessage(h, WM_CONTEXTMENU, WPARAM(h), MAKELPARAM(-1, -1));
        else if (wParam == VK_F10 && KeyDataToShiftState(lParam) == 0)
            if (WindowRec* top = TopOf(w))
                SendMessage(H(top), WM_SYSCOMMAND, SC_KEYMENU, 0);
        return 0;
    case WM_NCPAINT:
        PaintFrame(w);
        return 0;
    case WM_NCCALCSIZE:
        if (lParam && !w->topLevel) {
            TRect d = DefaultClient(w);
            OffsetRect(d, w->rect.Left, w->rect.Top);
            *reinterpret_cast<RECT*>(lParam) = d;
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 0;
    case WM_NCHITTEST: {
        TPoint o = ImageScreenOrigin(w);
        TPoint p{GET_X_LPARAM(lParam) - o.X, GET_Y_LPARAM(lParam) - o.Y};
        if (w->topLevel)
            return HTCLIENT;
        if (PtInRect(ClientInImage(w), p))
            return HTCLIENT;
        if (w->sb[SB_VERT].visible && PtInRect(BarGeometry(w, SB_VERT).bar, p))
            return HTVSCROLL;
        if (w->sb[SB_HORZ].visible && PtInRect(BarGeometry(w, SB_HORZ).bar, p))
            return HTHSCROLL;
        if (p.X >= 0 && p.Y >= 0 && p.X < w->rect.Width() && p.Y < w->rect.Height())
            return HTBORDER;
        return HTNOWHERE;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam == WPARAM(HTVSCROLL) || wParam == WPARAM(HTHSCROLL))
            StartScrollTrack(w, wParam == WPARAM(HTVSCROLL) ? SB_VERT : SB_HORZ,
                             {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        else if (wParam == WPARAM(HTCAPTION) && msg == WM_NCLBUTTONDOWN)
            StartWindowMove(TopOf(w), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_SETCURSOR:
        if (w->parent && SendMessage(H(w->parent), WM_SETCURSOR, wParam, lParam))
            return TRUE;
        if (LOWORD(std::uint64_t(lParam)) == HTCLIENT || LOWORD(std::uint64_t(lParam)) != 0) {
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        }
        return FALSE;
    case WM_SETREDRAW:
        w->noRedraw = !wParam;
        if (wParam && !w->update.isEmpty())
            SchedulePaint(w);
        return 0;
    case WM_MOUSEACTIVATE: {
        // The parent may decide for its children; otherwise a window that never activates
        // says so, and the rest activate.
        if (w->parent)
            if (LRESULT r = SendMessage(H(w->parent), msg, wParam, lParam))
                return r;
        WindowRec* top = TopOf(w);
        return (top && (top->exStyle & WS_EX_NOACTIVATE)) ? MA_NOACTIVATE : MA_ACTIVATE;
    }
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU:
        if (w->parent)
            return SendMessage(H(w->parent), msg, wParam, lParam);
        return 0;
    case WM_SYSCHAR: {
        // Alt and a letter: the form's menu opens the item marked with it.
        WindowRec* top = TopOf(w);
        if (auto* form = dynamic_cast<TCustomForm*>(top ? top->control : nullptr))
            if (form->Menu() && OpenMenuByAccelerator(form->Menu(), char(wParam)))
                return 0;
        return 0;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(h, SW_SHOWMAXIMIZED); break;
        case SC_RESTORE: ShowWindow(h, SW_RESTORE); break;
        case SC_CLOSE: SendMessage(h, WM_CLOSE, 0, 0); break;
        case SC_KEYMENU:
            // F10 or Alt alone; Alt with a letter comes as WM_SYSCHAR.
            if (auto* form = dynamic_cast<TCustomForm*>(w->control); form && form->Menu() && lParam == 0)
                EnterMenuBar(form->Menu());
            break;
        default: break;
        }
        return 0;
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if (w->host)
            w->host->setWindowTitle(ToQString(w->text));
        return TRUE;
    case WM_GETTEXTLENGTH:
        return LRESULT(w->text.size());
    case WM_GETTEXT: {
        if (!lParam || wParam == 0)
            return 0;
        size_t n = std::min(size_t(wParam) - 1, w->text.size());
        std::memcpy(reinterpret_cast<char*>(lParam), w->text.data(), n);
        reinterpret_cast<char*>(lParam)[n] = 0;
        return LRESULT(n);
    }
    default:
        return 0;
    }
}

}  // namespace morvik::backend

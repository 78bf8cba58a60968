// Windows over toolkit widgets: the handle registry, window geometry and frames, the backing
// image each window paints into, update regions and WM_PAINT, the standard scroll bars, focus,
// capture, the caret, cursors, and the translation of toolkit input into window messages.
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "platform/Backend.h"
#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/Menus.h"

using namespace morvik::backend;

namespace {

constexpr int kScrollBarSize = 16;
constexpr int kCaptionHeight = 19;
constexpr int kMenuHeight = 20;

struct ScrollBarState {
    int min = 0, max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    bool visible = false;
    bool disabled = false;
};

class SurfaceWidget;
class HostWindow;

struct WindowRec {
    TWinControl* control = nullptr;
    WindowRec* parent = nullptr;
    std::vector<WindowRec*> children;  // z-order, last on top
    DWORD style = 0, exStyle = 0;
    UINT classStyle = 0;
    TRect rect;  // child: in the parent's client coordinates; top-level: screen, frame included
    bool visible = false;
    bool enabled = true;
    std::string text;
    QImage image;   // child: whole window; top-level: client area
    QRegion update; // client coordinates
    bool erase = false;
    bool frameDirty = true;
    ScrollBarState sb[2];
    TRect client;  // in image coordinates (child windows)
    SurfaceWidget* widget = nullptr;
    HostWindow* host = nullptr;
    QWidget* menuBar = nullptr;
    bool topLevel = false;
    bool onTop = false;
    bool hasRgn = false;
    QRegion windowRgn;
    std::string className;
    int timerHandles = 0;
    std::uintptr_t handle = 0;
};

std::unordered_set<WindowRec*> gWindows;
// Handles are serial numbers that are never given out twice, so that a message posted to a window
// that has gone cannot reach a newer window that happens to live at the same address.
std::unordered_map<std::uintptr_t, WindowRec*> gHandles;
std::uintptr_t gLastHandle = 0;
WindowRec* gFocus = nullptr;
WindowRec* gCapture = nullptr;
WindowRec* gActive = nullptr;
WindowRec* gMouseWindow = nullptr;
TControl* gMouseControl = nullptr;
std::set<WindowRec*> gPendingPaint;
bool gPaintPosted = false;
BYTE gKeyState[256] = {};
DWORD gTimeSkew = 0;
DWORD gMessageTime = 0;
TPoint gCursorPos;
std::function<void()> gIdleHandler;

WindowRec* Rec(HWND h)
{
    auto it = gHandles.find(reinterpret_cast<std::uintptr_t>(h));
    return it == gHandles.end() ? nullptr : it->second;
}
HWND H(WindowRec* r) { return r ? reinterpret_cast<HWND>(r->handle) : nullptr; }

DWORD MessageClock() { return Now() + gTimeSkew; }

void RunIdle()
{
    if (gIdleHandler)
        gIdleHandler();
}

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

void SchedulePaint(WindowRec* w);
void PaintCaretOverlay(WindowRec* w, QPainter& p);

QRgb ToPixBtnFace()
{
    COLORREF c = GetSysColor(COLOR_BTNFACE);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// ---- Widgets -----------------------------------------------------------------------------------
void DeliverMouseEvent(WindowRec* w, QMouseEvent* e, UINT kind);

class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(WindowRec* rec, QWidget* parent) : QWidget(parent), FRec(rec)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }
    WindowRec* FRec;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_LBUTTONDOWN); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_LBUTTONDOWN); }
    void mouseReleaseEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_LBUTTONUP); }
    void mouseMoveEvent(QMouseEvent* e) override { DeliverMouseEvent(FRec, e, WM_MOUSEMOVE); }
    void wheelEvent(QWheelEvent* e) override;
    void leaveEvent(QEvent*) override;
};

class HostWindow : public QWidget {
public:
    explicit HostWindow(WindowRec* rec) : QWidget(nullptr), FRec(rec)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    WindowRec* FRec;
    bool FInternalGeometry = false;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void moveEvent(QMoveEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool event(QEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }
};

// The kind of WM_SIZE: a top-level window may be minimised or maximised by the desktop.
WPARAM SizeKind(WindowRec* w)
{
    if (!w->topLevel || !w->host)
        return SIZE_RESTORED;
    return w->host->isMinimized() ? SIZE_MINIMIZED : w->host->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

void SyncWidgetGeometry(WindowRec* w)
{
    if (!w->widget)
        return;
    if (w->topLevel) {
        TRect c = ClientInImage(w);
        TPoint o = ImageScreenOrigin(w);
        int menuH = w->menuBar ? kMenuHeight : 0;
        w->host->FInternalGeometry = true;
        w->host->setGeometry(o.X, o.Y - menuH, std::max(1, c.Width()), std::max(1, c.Height() + menuH));
        w->host->FInternalGeometry = false;
        if (w->menuBar)
            w->menuBar->setGeometry(0, 0, std::max(1, c.Width()), menuH);
        w->widget->setGeometry(0, menuH, std::max(1, c.Width()), std::max(1, c.Height()));
    } else if (w->parent) {
        TRect pc = ClientInImage(w->parent);
        w->widget->setGeometry(pc.Left + w->rect.Left, pc.Top + w->rect.Top, std::max(0, w->rect.Width()),
                               std::max(0, w->rect.Height()));
    }
    if (w->hasRgn)
        w->widget->setMask(w->windowRgn);
}

void ResizeImage(WindowRec* w)
{
    TSize s = ImageSize(w);
    if (w->image.width() == s.cx && w->image.height() == s.cy)
        return;
    QImage grown(std::max(0, s.cx), std::max(0, s.cy), QImage::Format_RGB32);
    grown.fill(ToPixBtnFace());
    if (!w->image.isNull() && !grown.isNull()) {
        QPainter p(&grown);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, w->image);
    }
    w->image = grown;
}

void ShowWidget(WindowRec* w)
{
    if (!w->widget)
        return;
    bool show = w->visible;
    if (w->topLevel) {
        if (show && !w->host->isVisible()) {
            SyncWidgetGeometry(w);
            w->host->show();
        } else if (!show && w->host->isVisible()) {
            w->host->hide();
        }
        w->widget->setVisible(true);
    } else {
        w->widget->setVisible(show);
    }
}

// ---- Painting ----------------------------------------------------------------------------------
void FlushPaints()
{
    gPaintPosted = false;
    auto pending = gPendingPaint;
    gPendingPaint.clear();
    for (WindowRec* w : pending)
        if (gWindows.count(w))
            UpdateWindow(H(w));
}

void SchedulePaint(WindowRec* w)
{
    gPendingPaint.insert(w);
    if (!gPaintPosted) {
        gPaintPosted = true;
        Post([] { FlushPaints(); });
    }
}

void SurfaceWidget::paintEvent(QPaintEvent*)
{
    WindowRec* w = FRec;
    if (!gWindows.count(w))
        return;
    if (!w->update.isEmpty() || (w->frameDirty && !w->topLevel))
        UpdateWindow(H(w));
    QPainter p(this);
    p.drawImage(0, 0, w->image);
    // The caret is drawn over the image, so blits into the image never disturb it.
    PaintCaretOverlay(w, p);
}

// ---- Scroll bars -------------------------------------------------------------------------------
struct BarGeom {
    TRect bar, arrow1, arrow2, track, thumb;
    bool hasThumb = false;
};

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
    w->frameDirty = false;
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

struct ScrollTrack {
    WindowRec* w = nullptr;
    int bar = 0;
    int part = -1;  // 0 line up, 1 line down, 2 page up, 3 page down, 4 thumb
    int grab = 0;
    unsigned timer = 0;
    TPoint last;
};
ScrollTrack gTrack;

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

// ---- Caret -------------------------------------------------------------------------------------
struct CaretState {
    WindowRec* owner = nullptr;
    int width = 0, height = 0;
    TPoint pos;
    int hideLevel = 1;
    bool blinkOn = true;
    unsigned timer = 0;
};
CaretState gCaret;

TRect CaretRectInImage()
{
    TRect c = ClientInImage(gCaret.owner);
    return Bounds(c.Left + gCaret.pos.X, c.Top + gCaret.pos.Y, gCaret.width, gCaret.height);
}

void RefreshCaret()
{
    if (gCaret.owner && gCaret.owner->widget) {
        TRect r = CaretRectInImage();
        gCaret.owner->widget->update(QRect(r.Left, r.Top, std::max(1, r.Width()), std::max(1, r.Height())));
    }
}

void PaintCaretOverlay(WindowRec* w, QPainter& p)
{
    if (gCaret.owner != w || gCaret.hideLevel > 0 || !gCaret.blinkOn || gCaret.width <= 0 || gCaret.height <= 0)
        return;
    TRect r = CaretRectInImage();
    TRect c = ClientInImage(w);
    TRect clipped;
    if (!IntersectRect(clipped, r, c))
        return;
    QImage part = w->image.copy(clipped.Left, clipped.Top, clipped.Width(), clipped.Height());
    part.invertPixels();
    p.drawImage(clipped.Left, clipped.Top, part);
}

// ---- Input ---------------------------------------------------------------------------------------
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

UINT gButtons = 0;
struct LastClick {
    WindowRec* w = nullptr;
    UINT msg = 0;
    DWORD time = 0;
    TPoint pt;
    bool armed = false;
} gLastClick;

WindowRec* TopOf(WindowRec* w)
{
    while (w && w->parent)
        w = w->parent;
    return w;
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
    if (old)
        old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (ctl)
        ctl->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(ctl));
}

// One mouse event, in screen coordinates, for the window the toolkit found under the mouse.
void DeliverMouse(WindowRec* target, UINT kind, int button, TPoint screenPt)
{
    gCursorPos = screenPt;
    gMessageTime = MessageClock();
    if (gTrack.w) {
        if (kind == WM_LBUTTONDOWN || kind == WM_LBUTTONUP || kind == WM_MOUSEMOVE) {
            if (kind == WM_LBUTTONUP)
                gButtons &= ~1u;
            TrackMouse(kind, screenPt);
            RunIdle();
            return;
        }
    }
    WindowRec* w = gCapture ? gCapture : target;
    if (!w || !gWindows.count(w))
        return;
    // Disabled windows take no mouse input; it goes to nobody.
    if (!gCapture && !IsEnabledChain(w))
        return;
    if (kind == WM_LBUTTONDOWN || kind == WM_RBUTTONDOWN || kind == WM_MBUTTONDOWN)
        gButtons |= button;
    else if (kind != WM_MOUSEMOVE)
        gButtons &= ~UINT(button);
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
    if (kind == WM_MOUSEMOVE)
        UpdateMouseControl(w, screenPt);
    bool isDown = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
    if (isDown) {
        WindowRec* top = TopOf(w);
        if (top && top != gActive)
            ActivateWindow(H(top));
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
    DeliverMouse(w, kind, button, {o.X + p.x(), o.Y + p.y()});
}

void SurfaceWidget::wheelEvent(QWheelEvent* e)
{
    if (!gWindows.count(FRec))
        return;
    TPoint o = ImageScreenOrigin(FRec);
    QPoint p = e->position().toPoint();
    int delta = e->angleDelta().y();
    if (delta == 0)
        return;
    HWND target = gFocus ? H(gFocus) : H(FRec);
    gMessageTime = MessageClock();
    SendMessage(target, WM_MOUSEWHEEL, MAKEWPARAM(int(KeyFlags(gButtons)), delta),
                MAKELPARAM(o.X + p.x(), o.Y + p.y()));
    RunIdle();
}

void SurfaceWidget::leaveEvent(QEvent*)
{
    if (gMouseControl && !gCapture) {
        TControl* old = gMouseControl;
        gMouseControl = nullptr;
        old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    }
}

Word VirtualKeyOf(int key, Qt::KeyboardModifiers mods)
{
    bool keypad = mods & Qt::KeypadModifier;
    if (keypad) {
        switch (key) {
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Slash: return VK_DIVIDE;
        case Qt::Key_Period: case Qt::Key_Comma: return VK_DECIMAL;
        default: break;
        }
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return Word(VK_NUMPAD0 + (key - Qt::Key_0));
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return Word('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return Word('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return Word(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal: case Qt::Key_Plus: return VK_OEM_PLUS;
    case Qt::Key_Comma: case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Minus: case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Period: case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Slash: case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash: case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return VK_OEM_7;
    default: return 0;
    }
}

int FocusCharset()
{
    if (gFocus && gFocus->control && gFocus->control->Font()->Charset() == RUSSIAN_CHARSET)
        return RUSSIAN_CHARSET;
    return DEFAULT_CHARSET;
}

// The character a key types, as the system's key translation gives it; 0 for none.
int CharOfKey(Word vk, TShiftState shift, const std::string& text)
{
    if (shift & ssCtrl) {
        if (vk >= 'A' && vk <= 'Z')
            return vk - 'A' + 1;
        if (shift & ssAlt)
            return 0;
    }
    switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: break;
    }
    if (text.size() == 1 && static_cast<unsigned char>(text[0]) >= 32 && text[0] != 127)
        return static_cast<unsigned char>(text[0]);
    return 0;
}

// Key delivery: shortcuts and dialog keys first (CN_KEYDOWN), then WM_KEYDOWN, then the
// character when nothing consumed the key.
void DeliverKey(bool down, Word vk, TShiftState shift, const std::string& text, bool repeat)
{
    gMessageTime = MessageClock();
    SetModifierState(shift);
    if (vk < 256)
        gKeyState[vk] = down ? 0x80 : 0;
    WindowRec* w = gFocus ? gFocus : gActive;
    if (!w || !gWindows.count(w))
        return;
    bool alt = shift & ssAlt;
    LPARAM keyData = 1 | (alt ? (LPARAM(1) << 29) : 0) | (repeat ? (LPARAM(1) << 30) : 0) |
                     (down ? 0 : (LPARAM(3) << 30));
    if (!down) {
        SendMessage(H(w), alt ? WM_SYSKEYUP : WM_KEYUP, vk, keyData);
        RunIdle();
        return;
    }
    if (SendMessage(H(w), alt ? CN_SYSKEYDOWN : CN_KEYDOWN, vk, keyData) != 0) {
        RunIdle();
        return;
    }
    if (!gWindows.count(w))
        return;
    SendMessage(H(w), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, keyData);
    int ch = CharOfKey(vk, shift, text);
    WindowRec* now = gFocus ? gFocus : gActive;
    if (ch && now && gWindows.count(now)) {
        if (SendMessage(H(now), alt ? CN_SYSCHAR : CN_CHAR, WPARAM(ch), keyData) == 0)
            SendMessage(H(now), alt ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), keyData);
    }
    RunIdle();
}

void DeliverQtKey(QKeyEvent* e, bool down)
{
    Qt::KeyboardModifiers m = e->modifiers();
    TShiftState shift = (m & Qt::ShiftModifier ? TShiftState(ssShift) : 0u) | (m & Qt::ControlModifier ? TShiftState(ssCtrl) : 0u) |
                        (m & Qt::AltModifier ? TShiftState(ssAlt) : 0u);
    Word vk = VirtualKeyOf(e->key(), m);
    if (vk == 0)
        return;
    std::string text = FromQString(e->text(), FocusCharset());
    DeliverKey(down, vk, shift, text, e->isAutoRepeat());
}

void HostWindow::keyPressEvent(QKeyEvent* e) { DeliverQtKey(e, true); }
void HostWindow::keyReleaseEvent(QKeyEvent* e) { DeliverQtKey(e, false); }

void HostWindow::closeEvent(QCloseEvent* e)
{
    // The form decides; it hides or destroys the window itself.
    e->ignore();
    if (!gWindows.count(FRec))
        return;
    SendMessage(H(FRec), WM_CLOSE, 0, 0);
    RunIdle();
}

void HostGeometryChanged(WindowRec* w)
{
    if (!gWindows.count(w) || w->host->FInternalGeometry)
        return;
    QRect g = w->host->geometry();
    TRect m = TopMargins(w);
    int menuH = w->menuBar ? kMenuHeight : 0;
    int left = g.x() - m.Left, top = g.y() + menuH - m.Top;
    int width = g.width() + m.Left + m.Right, height = g.height() - menuH + m.Top + m.Bottom;
    if (left == w->rect.Left && top == w->rect.Top && width == w->rect.Width() && height == w->rect.Height())
        return;
    SetWindowPos(H(w), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HostWindow::moveEvent(QMoveEvent*) { HostGeometryChanged(FRec); }
void HostWindow::resizeEvent(QResizeEvent*) { HostGeometryChanged(FRec); }

bool HostWindow::event(QEvent* e)
{
    if (!gWindows.count(FRec))
        return QWidget::event(e);
    if (e->type() == QEvent::WindowActivate) {
        if (gActive != FRec)
            ActivateWindow(H(FRec));
    } else if (e->type() == QEvent::ShortcutOverride) {
        e->accept();  // every key comes to us; menus and shortcuts are decided by the forms
        return true;
    } else if (e->type() == QEvent::WindowStateChange) {
        bool handled = QWidget::event(e);
        TRect c = ClientInImage(FRec);
        SendMessage(H(FRec), WM_SIZE, SizeKind(FRec), MAKELPARAM(c.Width(), c.Height()));
        return handled;
    }
    return QWidget::event(e);
}

// ---- Cursors -------------------------------------------------------------------------------------
struct CursorObj {
    QCursor cursor;
    bool stock = false;
};
std::unordered_set<CursorObj*> gCursors;
CursorObj* gCurrentCursor = nullptr;

CursorObj* CursorRec(HCURSOR h)
{
    auto* c = reinterpret_cast<CursorObj*>(h);
    return (c && gCursors.count(c)) ? c : nullptr;
}

HCURSOR StockCursor(Qt::CursorShape shape)
{
    static std::map<int, CursorObj*> stock;
    auto it = stock.find(shape);
    if (it != stock.end())
        return reinterpret_cast<HCURSOR>(it->second);
    auto* c = new CursorObj{QCursor(shape), true};
    gCursors.insert(c);
    stock[shape] = c;
    return reinterpret_cast<HCURSOR>(c);
}

std::map<std::string, HCURSOR>& NamedCursors()
{
    static std::map<std::string, HCURSOR> m;
    return m;
}

}  // namespace

// ---- Backend seam --------------------------------------------------------------------------------
namespace morvik::backend {

HWND CreateControlWindow(TWinControl* control, const TCreateParams& params)
{
    EnsureToolkit();
    auto* w = new WindowRec;
    w->control = control;
    w->style = params.Style;
    w->exStyle = params.ExStyle;
    w->classStyle = params.WindowClassStyle;
    w->text = params.Caption;
    w->className = params.WinClassName;
    w->parent = Rec(params.WndParent);
    w->topLevel = (w->parent == nullptr);
    w->rect = Bounds(params.X, params.Y, params.Width, params.Height);
    w->visible = (params.Style & WS_VISIBLE) != 0;
    w->enabled = !(params.Style & WS_DISABLED);
    for (int bar = 0; bar < 2; ++bar)
        w->sb[bar].visible = !w->topLevel && (params.Style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL));
    w->handle = ++gLastHandle;
    gHandles[w->handle] = w;
    RecalcClient(w, false);
    gWindows.insert(w);
    if (w->topLevel) {
        w->host = new HostWindow(w);
        w->host->setWindowTitle(ToQString(w->text));
        w->widget = new SurfaceWidget(w, w->host);
        if (params.ExStyle & WS_EX_TOPMOST) {
            w->onTop = true;
            w->host->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        }
        if (!(params.Style & WS_THICKFRAME))
            w->host->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    } else {
        w->parent->children.push_back(w);
        w->widget = new SurfaceWidget(w, w->parent->widget);
    }
    ResizeImage(w);
    SyncWidgetGeometry(w);
    ShowWidget(w);
    w->update = QRegion(0, 0, ClientInImage(w).Width(), ClientInImage(w).Height());
    w->erase = true;
    SchedulePaint(w);
    return H(w);
}

void DestroyControlWindow(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    while (!w->children.empty())
        DestroyControlWindow(H(w->children.back()));
    if (gCapture == w)
        ReleaseCapture();
    if (gFocus == w) {
        gFocus = nullptr;
    }
    if (gActive == w)
        gActive = nullptr;
    if (gMouseWindow == w)
        gMouseWindow = nullptr;
    if (gMouseControl == w->control)
        gMouseControl = nullptr;
    if (gCaret.owner == w)
        DestroyCaret();
    if (gTrack.w == w) {
        if (gTrack.timer)
            StopTimer(gTrack.timer);
        gTrack = ScrollTrack{};
    }
    if (gLastClick.w == w)
        gLastClick = LastClick{};
    gPendingPaint.erase(w);
    if (w->parent) {
        auto& ch = w->parent->children;
        ch.erase(std::remove(ch.begin(), ch.end(), w), ch.end());
    }
    gWindows.erase(w);
    gHandles.erase(w->handle);
    if (w->host) {
        w->host->hide();
        w->host->deleteLater();
    } else if (w->widget) {
        w->widget->hide();
        w->widget->deleteLater();
    }
    delete w;
}

void ForgetControl(TControl* control)
{
    if (gMouseControl == control)
        gMouseControl = nullptr;
}

TWinControl* ControlOf(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->control : nullptr;
}

QImage* WindowImage(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? &w->image : nullptr;
}

TPoint ClientOrigin(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? ClientInImage(w).TopLeft() : TPoint{};
}

void WindowImageChanged(HWND h)
{
    if (WindowRec* w = Rec(h))
        if (w->widget)
            w->widget->update();
}

QWidget* WindowWidget(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->widget : nullptr;
}

QWidget* HostWidget(HWND h)
{
    WindowRec* w = Rec(h);
    return w ? w->host : nullptr;
}

TRect FrameMargins(HWND h)
{
    WindowRec* w = Rec(h);
    return (w && w->topLevel) ? TopMargins(w) : TRect{};
}

void SetMenuBarWidget(HWND h, QWidget* menuBar)
{
    WindowRec* w = Rec(h);
    if (!w || !w->topLevel || w->menuBar == menuBar)
        return;
    TRect old = ClientInImage(w);
    if (w->menuBar)
        w->menuBar->hide();
    w->menuBar = menuBar;
    if (menuBar) {
        menuBar->setParent(w->host);
        menuBar->show();
    }
    ResizeImage(w);
    SyncWidgetGeometry(w);
    FrameChanged(w, old);
}

void SetStayOnTop(HWND h, bool onTop)
{
    WindowRec* w = Rec(h);
    if (!w || !w->topLevel || w->onTop == onTop)
        return;
    w->onTop = onTop;
    bool shown = w->host->isVisible();
    w->host->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) {
        SyncWidgetGeometry(w);
        w->host->show();
    }
}

void SetWindowCaption(HWND h, const std::string& caption)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    w->text = caption;
    if (w->host)
        w->host->setWindowTitle(ToQString(caption));
}

void ActivateWindow(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return;
    w = TopOf(w);
    if (gActive == w)
        return;
    WindowRec* old = gActive;
    gActive = w;
    if (old && gWindows.count(old))
        SendMessage(H(old), WM_ACTIVATE, WA_INACTIVE, LPARAM(H(w)));
    if (gWindows.count(w)) {
        if (w->host && w->host->isVisible()) {
            w->host->activateWindow();
            w->host->setFocus();
        }
        SendMessage(H(w), WM_ACTIVATE, WA_ACTIVE, LPARAM(old ? H(old) : nullptr));
    }
}

void ShowToolTip(TPoint screenPos, const std::string& text)
{
    EnsureToolkit();
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(QPoint(screenPos.X, screenPos.Y), ToQString(text));
}

void SetIdleHandler(std::function<void()> fn) { gIdleHandler = std::move(fn); }

QCursor CursorOf(HCURSOR h)
{
    CursorObj* c = CursorRec(h);
    return c ? c->cursor : QCursor(Qt::ArrowCursor);
}

LRESULT DefaultWindowProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    switch (msg) {
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
        return 0;
    case WM_SETCURSOR:
        if (w->parent && SendMessage(H(w->parent), WM_SETCURSOR, wParam, lParam))
            return TRUE;
        if (LOWORD(std::uint64_t(lParam)) == HTCLIENT || LOWORD(std::uint64_t(lParam)) != 0) {
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        }
        return FALSE;
    case WM_MOUSEWHEEL:
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
            InvalidateRect(H(w->parent), nullptr, TRUE);
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
HWND GetActiveWindow() { return gActive ? H(gActive) : nullptr; }
HWND GetForegroundWindow() { return GetActiveWindow(); }
BOOL SetForegroundWindow(HWND h)
{
    morvik::backend::ActivateWindow(h);
    return Rec(h) != nullptr;
}

static WindowRec* WindowAt(WindowRec* w, TPoint screenPt)
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
        // The parent's surface under the old and new places shows windowless siblings again.
        InvalidateRect(H(w->parent), nullptr, FALSE);
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

LONG GetWindowLong(HWND h, int index)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    if (index == GWL_STYLE)
        return LONG(w->style | (w->visible ? WS_VISIBLE : 0) | (w->enabled ? 0 : WS_DISABLED));
    if (index == GWL_EXSTYLE)
        return LONG(w->exStyle);
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
    if (rgn) {
        w->hasRgn = true;
        const QRegion* r = RegionOf(rgn);
        w->windowRgn = r ? *r : QRegion();
        DeleteObject(rgn);
        if (w->widget)
            w->widget->setMask(w->windowRgn);
    } else {
        w->hasRgn = false;
        if (w->widget)
            w->widget->clearMask();
    }
    if (redraw)
        InvalidateRect(h, nullptr, TRUE);
    return 1;
}

// ---- Messages ---------------------------------------------------------------------------------------
LRESULT SendMessage(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    if (w->control)
        return w->control->Perform(msg, wParam, lParam);
    return DefaultWindowProc(h, msg, wParam, lParam);
}

BOOL PostMessage(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Post([h, msg, wParam, lParam] {
        if (Rec(h)) {
            gMessageTime = MessageClock();
            SendMessage(h, msg, wParam, lParam);
            RunIdle();
        }
    });
    return TRUE;
}

UINT RegisterWindowMessage(LPCSTR name)
{
    static std::mutex m;
    static std::map<std::string, UINT> names;
    if (!name || !*name)
        return 0;
    std::lock_guard<std::mutex> g(m);
    std::string key = UpperCase(name);
    auto it = names.find(key);
    if (it != names.end())
        return it->second;
    UINT id = 0xC000 + UINT(names.size());
    names[key] = id;
    return id;
}

DWORD GetMessageTime() { return gMessageTime ? gMessageTime : MessageClock(); }
UINT GetDoubleClickTime() { return 500; }

// ---- Painting ---------------------------------------------------------------------------------------
HDC BeginPaint(HWND h, PAINTSTRUCT* ps)
{
    WindowRec* w = Rec(h);
    if (!w || !ps)
        return nullptr;
    TRect c = ClientInImage(w);
    QRegion upd = w->update & QRegion(0, 0, c.Width(), c.Height());
    w->update = QRegion();
    gPendingPaint.erase(w);
    if (w->frameDirty && !w->topLevel)
        SendMessage(h, WM_NCPAINT, 1, 0);
    QRegion clip = upd.translated(c.Left, c.Top);
    HDC dc = CreateImageDC(&w->image, h, c.TopLeft(), &clip);
    ps->hdc = dc;
    QRect b = upd.boundingRect();
    ps->rcPaint = upd.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    ps->fErase = FALSE;
    if (w->erase) {
        w->erase = false;
        ps->fErase = SendMessage(h, WM_ERASEBKGND, WPARAM(dc), 0) == 0;
    }
    return dc;
}

BOOL EndPaint(HWND h, const PAINTSTRUCT* ps)
{
    if (ps && ps->hdc)
        DeleteImageDC(ps->hdc);
    WindowImageChanged(h);
    return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT* r, BOOL erase)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    TRect c = ClientInImage(w);
    QRegion add = r ? QRegion(r->Left, r->Top, std::max(0, r->Width()), std::max(0, r->Height()))
                    : QRegion(0, 0, c.Width(), c.Height());
    add &= QRegion(0, 0, c.Width(), c.Height());
    if (add.isEmpty())
        return TRUE;
    w->update |= add;
    if (erase)
        w->erase = true;
    SchedulePaint(w);
    return TRUE;
}

BOOL InvalidateRgn(HWND h, HRGN rgn, BOOL erase)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    if (!rgn)
        return InvalidateRect(h, nullptr, erase);
    const QRegion* r = RegionOf(rgn);
    if (!r)
        return FALSE;
    TRect c = ClientInImage(w);
    w->update |= *r & QRegion(0, 0, c.Width(), c.Height());
    if (erase)
        w->erase = true;
    SchedulePaint(w);
    return TRUE;
}

BOOL ValidateRect(HWND h, const RECT* r)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    if (r)
        w->update -= QRegion(r->Left, r->Top, std::max(0, r->Width()), std::max(0, r->Height()));
    else
        w->update = QRegion();
    return TRUE;
}

BOOL GetUpdateRect(HWND h, RECT* r, BOOL)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    QRect b = w->update.boundingRect();
    if (r)
        *r = w->update.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return !w->update.isEmpty();
}

BOOL UpdateWindow(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    if (w->frameDirty && !w->topLevel && w->update.isEmpty())
        SendMessage(h, WM_NCPAINT, 1, 0);
    if (!w->update.isEmpty())
        SendMessage(h, WM_PAINT, 0, 0);
    gPendingPaint.erase(w);
    return TRUE;
}

BOOL RedrawWindow(HWND h, const RECT* r, HRGN rgn, UINT flags)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    if (flags & RDW_FRAME)
        w->frameDirty = true;
    if (flags & RDW_INVALIDATE) {
        if (rgn)
            InvalidateRgn(h, rgn, (flags & RDW_ERASE) != 0);
        else
            InvalidateRect(h, r, (flags & RDW_ERASE) != 0);
        if (flags & RDW_ALLCHILDREN)
            for (WindowRec* c : std::vector<WindowRec*>(w->children))
                RedrawWindow(H(c), nullptr, nullptr, flags & ~RDW_UPDATENOW);
    }
    if (flags & RDW_VALIDATE)
        ValidateRect(h, r);
    if (flags & RDW_FRAME) {
        SendMessage(h, WM_NCPAINT, 1, 0);
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        std::function<void(WindowRec*)> now = [&](WindowRec* x) {
            UpdateWindow(H(x));
            if (flags & RDW_ALLCHILDREN)
                for (WindowRec* c : std::vector<WindowRec*>(x->children))
                    if (gWindows.count(c))
                        now(c);
        };
        now(w);
    }
    return TRUE;
}

int ScrollWindowEx(HWND h, int dx, int dy, const RECT* scroll, const RECT* clipRect, HRGN hrgnUpdate,
                   RECT* prcUpdate, UINT flags)
{
    WindowRec* w = Rec(h);
    if (!w)
        return ERROR;
    TRect c = ClientInImage(w);
    TRect area = scroll ? *scroll : TRect{0, 0, c.Width(), c.Height()};
    TRect clip = clipRect ? *clipRect : TRect{0, 0, c.Width(), c.Height()};
    IntersectRect(clip, clip, TRect{0, 0, c.Width(), c.Height()});
    // Pixels of 'area' move by (dx, dy); only what lands inside 'clip' is written.
    QRegion src(area.Left, area.Top, area.Width(), area.Height());
    QRegion moved = src.translated(dx, dy) & QRegion(clip.Left, clip.Top, clip.Width(), clip.Height());
    QRegion valid = moved & src.translated(0, 0);
    (void)valid;
    QImage copy = w->image.copy();
    {
        QPainter p(&w->image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setClipRegion(moved.translated(c.Left, c.Top));
        p.drawImage(c.Left + dx, c.Top + dy, copy);
    }
    // What moved out of an invalid area carries its invalidity along.
    QRegion inv = (w->update & src).translated(dx, dy) & moved;
    w->update = (w->update - moved) | inv;
    QRegion uncovered = (QRegion(clip.Left, clip.Top, clip.Width(), clip.Height()) & src) - moved;
    w->update |= uncovered;
    if (!w->update.isEmpty()) {
        if (flags & SW_ERASE)
            w->erase = true;
        SchedulePaint(w);
    }
    if (hrgnUpdate)
        if (auto* r = const_cast<QRegion*>(RegionOf(hrgnUpdate)))
            *r = uncovered;
    if (prcUpdate) {
        QRect b = uncovered.boundingRect();
        *prcUpdate = uncovered.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    if ((flags & SW_SCROLLCHILDREN) || !scroll) {
        for (WindowRec* ch : w->children) {
            ch->rect = Bounds(ch->rect.Left + dx, ch->rect.Top + dy, ch->rect.Width(), ch->rect.Height());
            SyncWidgetGeometry(ch);
            if (ch->control)
                SendMessage(H(ch), WM_MOVE, 0, MAKELPARAM(ch->rect.Left, ch->rect.Top));
        }
    }
    if (gCaret.owner == w)
        RefreshCaret();
    WindowImageChanged(h);
    return uncovered.isEmpty() ? NULLREGION : SIMPLEREGION;
}

BOOL ScrollWindow(HWND h, int dx, int dy, const RECT* r, const RECT* clip)
{
    return ScrollWindowEx(h, dx, dy, r, clip, nullptr, nullptr, r ? 0 : SW_SCROLLCHILDREN) != ERROR;
}

HDC GetDC(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w) {
        // A context measuring like the screen; it draws nowhere.
        static QImage screen(1, 1, QImage::Format_RGB32);
        QRegion none;
        return CreateImageDC(&screen, nullptr, {0, 0}, &none);
    }
    TRect c = ClientInImage(w);
    QRegion clip(c.Left, c.Top, c.Width(), c.Height());
    return CreateImageDC(&w->image, h, c.TopLeft(), &clip);
}

HDC GetWindowDC(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return GetDC(nullptr);
    return CreateImageDC(&w->image, h, {0, 0}, nullptr);
}

int ReleaseDC(HWND, HDC dc)
{
    DeleteImageDC(dc);
    return 1;
}

// ---- Focus and capture --------------------------------------------------------------------------
HWND SetFocus(HWND h)
{
    WindowRec* w = Rec(h);
    WindowRec* old = gFocus;
    if (w == old)
        return old ? H(old) : nullptr;
    if (h && !w)
        return nullptr;
    if (w && !IsEnabledChain(w))
        return nullptr;
    gFocus = w;
    if (old && gWindows.count(old))
        SendMessage(H(old), WM_KILLFOCUS, WPARAM(h), 0);
    if (w && gFocus == w) {
        WindowRec* top = TopOf(w);
        if (top != gActive)
            morvik::backend::ActivateWindow(H(top));
        if (gFocus == w && gWindows.count(w))
            SendMessage(H(w), WM_SETFOCUS, WPARAM(old && gWindows.count(old) ? H(old) : nullptr), 0);
    }
    return old ? H(old) : nullptr;
}

HWND GetFocus() { return gFocus ? H(gFocus) : nullptr; }

HWND SetCapture(HWND h)
{
    WindowRec* w = Rec(h);
    WindowRec* old = gCapture;
    if (w == old)
        return old ? H(old) : nullptr;
    gCapture = w;
    if (old && gWindows.count(old))
        SendMessage(H(old), WM_CAPTURECHANGED, 0, LPARAM(h));
    return old ? H(old) : nullptr;
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

// ---- Scroll bars ----------------------------------------------------------------------------------
int SetScrollInfo(HWND h, int bar, const SCROLLINFO* si, BOOL redraw)
{
    WindowRec* w = Rec(h);
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
    if (!w || (bar != SB_HORZ && bar != SB_VERT))
        return 0;
    int old = w->sb[bar].pos;
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(h, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND h, int bar)
{
    WindowRec* w = Rec(h);
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

// ---- Caret ----------------------------------------------------------------------------------------
BOOL CreateCaret(HWND h, HBITMAP, int width, int height)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    DestroyCaret();
    gCaret.owner = w;
    gCaret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
    gCaret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    gCaret.hideLevel = 1;
    gCaret.blinkOn = true;
    gCaret.pos = {0, 0};
    gCaret.timer = StartTimer(GetCaretBlinkTime(), [] {
        gCaret.blinkOn = !gCaret.blinkOn;
        RefreshCaret();
    });
    return TRUE;
}

BOOL DestroyCaret()
{
    if (!gCaret.owner)
        return FALSE;
    RefreshCaret();
    if (gCaret.timer)
        StopTimer(gCaret.timer);
    gCaret = CaretState{};
    return TRUE;
}

BOOL ShowCaret(HWND h)
{
    if (!gCaret.owner || (h && Rec(h) != gCaret.owner))
        return FALSE;
    if (gCaret.hideLevel > 0)
        --gCaret.hideLevel;
    gCaret.blinkOn = true;
    RefreshCaret();
    return TRUE;
}

BOOL HideCaret(HWND h)
{
    if (!gCaret.owner || (h && Rec(h) != gCaret.owner))
        return FALSE;
    ++gCaret.hideLevel;
    RefreshCaret();
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    if (!gCaret.owner)
        return FALSE;
    RefreshCaret();
    gCaret.pos = {x, y};
    gCaret.blinkOn = true;
    RefreshCaret();
    return TRUE;
}

BOOL GetCaretPos(POINT* p)
{
    if (!gCaret.owner || !p)
        return FALSE;
    *p = gCaret.pos;
    return TRUE;
}

UINT GetCaretBlinkTime() { return 530; }

// ---- Cursors --------------------------------------------------------------------------------------
HCURSOR LoadCursor(HINSTANCE, LPCSTR name)
{
    EnsureToolkit();
    auto id = reinterpret_cast<std::uintptr_t>(name);
    if (id < 0x10000) {
        switch (id) {
        case 32512: return StockCursor(Qt::ArrowCursor);
        case 32513: return StockCursor(Qt::IBeamCursor);
        case 32514: return StockCursor(Qt::WaitCursor);
        case 32515: return StockCursor(Qt::CrossCursor);
        case 32516: return StockCursor(Qt::UpArrowCursor);
        case 32642: return StockCursor(Qt::SizeFDiagCursor);
        case 32643: return StockCursor(Qt::SizeBDiagCursor);
        case 32644: return StockCursor(Qt::SizeHorCursor);
        case 32645: return StockCursor(Qt::SizeVerCursor);
        case 32646: return StockCursor(Qt::SizeAllCursor);
        case 32648: return StockCursor(Qt::ForbiddenCursor);
        case 32649: return StockCursor(Qt::PointingHandCursor);
        case 32650: return StockCursor(Qt::BusyCursor);
        case 32651: return StockCursor(Qt::WhatsThisCursor);
        default: return nullptr;
        }
    }
    std::string key = UpperCase(name);
    // The class library's own drag and splitter cursors.
    if (key == "DRAG")
        return StockCursor(Qt::DragMoveCursor);
    if (key == "MULTIDRAG")
        return StockCursor(Qt::DragCopyCursor);
    if (key == "HSPLIT")
        return StockCursor(Qt::SplitHCursor);
    if (key == "VSPLIT")
        return StockCursor(Qt::SplitVCursor);
    auto it = NamedCursors().find(key);
    return it == NamedCursors().end() ? nullptr : it->second;
}

HCURSOR CreateCursorFromBitmaps(HBITMAP color, HBITMAP mask, int x, int y)
{
    EnsureToolkit();
    QImage* ci = BitmapImage(color);
    if (!ci || ci->isNull())
        return nullptr;
    QImage img = ci->convertToFormat(QImage::Format_ARGB32);
    if (QImage* mi = BitmapImage(mask)) {
        for (int yy = 0; yy < img.height() && yy < mi->height(); ++yy)
            for (int xx = 0; xx < img.width() && xx < mi->width(); ++xx)
                if (qGray(mi->pixel(xx, yy)) >= 128)
                    img.setPixel(xx, yy, 0);  // white mask: transparent
    }
    auto* c = new CursorObj{QCursor(QPixmap::fromImage(img), x, y), false};
    gCursors.insert(c);
    return reinterpret_cast<HCURSOR>(c);
}

void RegisterResourceCursor(const std::string& name, HCURSOR cursor)
{
    NamedCursors()[UpperCase(name)] = cursor;
}

HCURSOR SetCursor(HCURSOR h)
{
    CursorObj* old = gCurrentCursor;
    CursorObj* c = CursorRec(h);
    gCurrentCursor = c;
    if (gMouseWindow && gWindows.count(gMouseWindow) && gMouseWindow->widget) {
        if (c)
            gMouseWindow->widget->setCursor(c->cursor);
        else
            gMouseWindow->widget->setCursor(Qt::BlankCursor);
    }
    return reinterpret_cast<HCURSOR>(old);
}

HCURSOR GetCursor() { return reinterpret_cast<HCURSOR>(gCurrentCursor); }

BOOL DestroyCursor(HCURSOR h)
{
    CursorObj* c = CursorRec(h);
    if (!c || c->stock)
        return FALSE;
    if (gCurrentCursor == c)
        gCurrentCursor = nullptr;
    gCursors.erase(c);
    delete c;
    return TRUE;
}

BOOL GetCursorPos(POINT* p)
{
    if (!p)
        return FALSE;
    *p = gCursorPos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    gCursorPos = {x, y};
    return TRUE;
}

// ---- Keyboard state, timers, metrics ---------------------------------------------------------------
SHORT GetKeyState(int vk)
{
    if (vk < 0 || vk > 255)
        return 0;
    if (vk == VK_LBUTTON)
        return (gButtons & 1) ? SHORT(0x8000) : 0;
    if (vk == VK_RBUTTON)
        return (gButtons & 2) ? SHORT(0x8000) : 0;
    if (vk == VK_MBUTTON)
        return (gButtons & 4) ? SHORT(0x8000) : 0;
    return (gKeyState[vk] & 0x80) ? SHORT(0x8000) : 0;
}

SHORT GetAsyncKeyState(int vk) { return GetKeyState(vk); }

BOOL GetKeyboardState(BYTE* s)
{
    if (!s)
        return FALSE;
    std::memcpy(s, gKeyState, 256);
    s[VK_LBUTTON] = (gButtons & 1) ? 0x80 : 0;
    s[VK_RBUTTON] = (gButtons & 2) ? 0x80 : 0;
    s[VK_MBUTTON] = (gButtons & 4) ? 0x80 : 0;
    return TRUE;
}

namespace {
std::map<std::pair<HWND, UINT>, unsigned>& WindowTimers()
{
    static std::map<std::pair<HWND, UINT>, unsigned> t;
    return t;
}
}  // namespace

UINT SetTimer(HWND h, UINT id, UINT elapse, void*)
{
    if (!Rec(h))
        return 0;
    KillTimer(h, id);
    unsigned t = StartTimer(std::max<UINT>(elapse, 1), [h, id] {
        if (!Rec(h)) {
            KillTimer(h, id);
            return;
        }
        gMessageTime = MessageClock();
        SendMessage(h, WM_TIMER, id, 0);
        RunIdle();
    });
    WindowTimers()[{h, id}] = t;
    return id ? id : 1;
}

BOOL KillTimer(HWND h, UINT id)
{
    auto it = WindowTimers().find({h, id});
    if (it == WindowTimers().end())
        return FALSE;
    StopTimer(it->second);
    WindowTimers().erase(it);
    return TRUE;
}

void MessageBeep(UINT)
{
    EnsureToolkit();  // a beep can come before any window exists
    QApplication::beep();
}

int GetSystemMetrics(int n)
{
    switch (n) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: case SM_CXVIRTUALSCREEN:
    case SM_CYSCREEN: case SM_CYFULLSCREEN: case SM_CYVIRTUALSCREEN: {
        EnsureToolkit();
        QScreen* s = QGuiApplication::primaryScreen();
        QRect g = s ? s->geometry() : QRect(0, 0, 1024, 768);
        bool x = n == SM_CXSCREEN || n == SM_CXFULLSCREEN || n == SM_CXVIRTUALSCREEN;
        return x ? g.width() : g.height();
    }
    case SM_XVIRTUALSCREEN: case SM_YVIRTUALSCREEN: return 0;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL:
    case SM_CYVTHUMB: case SM_CXHTHUMB: return kScrollBarSize;
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return kMenuHeight;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_SWAPBUTTON: return 0;
    default: return 0;
    }
}

BOOL SystemParametersInfo(UINT action, UINT, void* pv, UINT)
{
    switch (action) {
    case SPI_GETKEYBOARDSPEED: if (pv) *static_cast<int*>(pv) = 31; return TRUE;
    case SPI_GETKEYBOARDDELAY: if (pv) *static_cast<int*>(pv) = 1; return TRUE;
    case SPI_GETWHEELSCROLLLINES: if (pv) *static_cast<UINT*>(pv) = 3; return TRUE;
    case SPI_GETWORKAREA:
        if (pv)
            *static_cast<RECT*>(pv) = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return TRUE;
    default: return FALSE;
    }
}

// ---- Synthetic input -------------------------------------------------------------------------------
namespace {
struct Aim {
    WindowRec* w = nullptr;
    TPoint screen;
};

Aim AimAt(TControl* target, int x, int y)
{
    Aim a;
    TWinControl* wc = dynamic_cast<TWinControl*>(target);
    TControl* c = target;
    if (!wc) {
        wc = target->Parent();
        x += c->Left();
        y += c->Top();
    }
    if (!wc)
        return a;
    a.w = Rec(wc->Handle());
    if (a.w) {
        TPoint o = ClientScreenOrigin(a.w);
        a.screen = {o.X + x, o.Y + y};
        // Windows under the point receive it, as with a real mouse.
        if (WindowRec* under = WindowAt(a.w, a.screen))
            a.w = under;
    }
    return a;
}

int ButtonBit(TMouseButton b) { return b == mbRight ? 2 : b == mbMiddle ? 4 : 1; }
}  // namespace

namespace Input {

void MouseDown(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w)
        DeliverMouse(a.w, WM_LBUTTONDOWN, ButtonBit(Button), a.screen);
}

void MouseUp(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w)
        DeliverMouse(a.w, WM_LBUTTONUP, ButtonBit(Button), a.screen);
}

void MouseMove(TControl* Target, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (a.w)
        DeliverMouse(a.w, WM_MOUSEMOVE, 0, a.screen);
}

void Click(TControl* Target, int X, int Y, TMouseButton Button, TShiftState Shift)
{
    MouseDown(Target, Button, X, Y, Shift);
    MouseUp(Target, Button, X, Y, Shift);
}

void DoubleClick(TControl* Target, int X, int Y)
{
    Click(Target, X, Y);
    AdvanceTime(50);
    Click(Target, X, Y);
}

void Drag(TControl* Target, int X1, int Y1, int X2, int Y2, TShiftState Shift)
{
    MouseDown(Target, mbLeft, X1, Y1, Shift);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i)
        MouseMove(Target, X1 + (X2 - X1) * i / steps, Y1 + (Y2 - Y1) * i / steps, Shift | ssLeft);
    MouseUp(Target, mbLeft, X2, Y2, Shift);
    AdvanceTime(GetDoubleClickTime() + 1);
}

void Wheel(TControl* Target, int Delta, int X, int Y, TShiftState Shift)
{
    Aim a = AimAt(Target, X, Y);
    SetModifierState(Shift);
    if (!a.w)
        return;
    HWND target = gFocus ? H(gFocus) : H(a.w);
    gMessageTime = MessageClock();
    SendMessage(target, WM_MOUSEWHEEL, MAKEWPARAM(int(KeyFlags(gButtons)), Delta),
                MAKELPARAM(a.screen.X, a.screen.Y));
    RunIdle();
}

void KeyDown(Word Key, TShiftState Shift)
{
    std::string text;
    if (!(Shift & ssCtrl)) {
        if (Key >= 'A' && Key <= 'Z')
            text = std::string(1, char((Shift & ssShift) ? Key : Key + 32));
        else if ((Key >= '0' && Key <= '9') || Key == VK_SPACE)
            text = std::string(1, char(Key));
    }
    DeliverKey(true, Key, Shift, text, false);
}

void KeyUp(Word Key, TShiftState Shift) { DeliverKey(false, Key, Shift, "", false); }

void PressKey(Word Key, TShiftState Shift)
{
    KeyDown(Key, Shift);
    KeyUp(Key, Shift);
}

void TypeText(const std::string& Text)
{
    for (char ch : Text) {
        unsigned char c = static_cast<unsigned char>(ch);
        Word vk = 0;
        TShiftState shift = 0;
        if (c >= 'a' && c <= 'z')
            vk = Word(c - 32);
        else if (c >= 'A' && c <= 'Z') {
            vk = c;
            shift = ssShift;
        } else if (c == '\r' || c == '\n')
            vk = VK_RETURN;
        else if (c == '\t')
            vk = VK_TAB;
        else if (c == 8)
            vk = VK_BACK;
        else if (c >= '0' && c <= '9')
            vk = c;
        else if (c == ' ')
            vk = VK_SPACE;
        else
            vk = VK_OEM_MINUS;  // any printable: the character travels in the text
        DeliverKey(true, vk, shift, std::string(1, ch), false);
        DeliverKey(false, vk, shift, "", false);
    }
}

void AdvanceTime(DWORD Milliseconds) { gTimeSkew += Milliseconds; }

}  // namespace Input

// ---- Pictures of controls ----------------------------------------------------------------------------
bool SaveControlImage(TControl* Control, const std::string& FileName)
{
    if (!Control)
        return false;
    auto* w = dynamic_cast<TWinControl*>(Control);
    QRect area;
    if (!w) {
        w = Control->Parent();
        if (!w)
            return false;
        WindowRec* pr = Rec(w->Handle());
        TRect c = ClientInImage(pr);
        area = QRect(c.Left + Control->Left(), c.Top + Control->Top(), Control->Width(), Control->Height());
    }
    HWND h = w->Handle();
    WindowRec* r = Rec(h);
    if (!r)
        return false;
    if (Application)
        Application->ProcessMessages();
    RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    QWidget* target = (r->topLevel && area.isNull()) ? static_cast<QWidget*>(r->host) : r->widget;
    if (r->topLevel && area.isNull())
        SyncWidgetGeometry(r);
    QPixmap pm = area.isNull() ? target->grab() : target->grab(area);
    return !pm.isNull() && pm.save(QString::fromStdString(NativeFileName(FileName)), "PNG");
}

// Update regions and WM_PAINT, window device contexts, and scrolling a window's contents.
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

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

namespace {
// Where w's client area lies in its parent's client area.
QRect ClientInParent(const WindowRec* w)
{
    const TRect c = ClientInImage(w);
    return QRect(w->rect.Left + c.Left, w->rect.Top + c.Top, c.Width(), c.Height());
}

// What w covers of its parent's client area: its rectangle, or its shape.
QRegion ShapeInParent(const WindowRec* w)
{
    const QRect box(w->rect.Left, w->rect.Top, w->rect.Width(), w->rect.Height());
    return w->hasRgn ? w->windowRgn.translated(box.topLeft()) & box : QRegion(box);
}
}  // namespace

void InvalidateArea(WindowRec* w, const QRegion& Area, bool Erase)
{
    const TRect c = ClientInImage(w);
    const QRegion add = Area & QRegion(0, 0, c.Width(), c.Height());
    if (add.isEmpty())
        return;
    w->update |= add;
    if (Erase)
        w->erase = true;
    SchedulePaint(w);
    for (WindowRec* child : w->children)
        if (child->visible && SeeThrough(child)) {
            const QRect at = ClientInParent(child);
            InvalidateArea(child, (add & at).translated(-at.topLeft()), Erase);
        }
}

void SurfaceWidget::paintEvent(QPaintEvent* e)
{
    WindowRec* w = FRec;
    if (!gWindows.count(w))
        return;
    if (!w->update.isEmpty() || (w->frameDirty && !w->topLevel))
        Shielded([w] { UpdateWindow(H(w)); });
    if (!gWindows.count(w))
        return;
    QRect r = e->rect();
    ++(CaretBlinkOnly(w, r) ? gPaintCounts.CaretBlinks : gPaintCounts.ScreenUpdates);
    QPainter p(this);
    // Rectangle by rectangle: a window under many children shows only what they leave free.
    for (const QRect& part : e->region())
        p.drawImage(part.topLeft(), w->image, part);
    // The caret is drawn over the image, so blits into the image never disturb it.
    PaintCaretOverlay(w, p);
}

}  // namespace morvik::qtwin

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
    // Children cover what they cover: a window that clips them paints only around them, around a
    // shaped one only its shape. Under a child that shows its parent through itself the picture is
    // drawn in full, opaque siblings over it or not: it shows all of it once a sibling moves away.
    QRegion paintable = upd;
    if (w->style & WS_CLIPCHILDREN) {
        const QRect reach = upd.boundingRect();
        const int left = reach.left(), top = reach.top(), right = left + reach.width(), bottom = top + reach.height();
        QRegion covered, shown;
        for (WindowRec* child : w->children) {
            const TRect& r = child->rect;
            if (!child->visible || r.Left >= right || left >= r.Right || r.Top >= bottom || top >= r.Bottom)
                continue;
            (SeeThrough(child) ? shown : covered) |= ShapeInParent(child);
        }
        paintable = (upd - covered) | (upd & shown);
    }
    QRegion clip = paintable.translated(c.Left, c.Top);
    HDC dc = CreateImageDC(&w->image, h, c.TopLeft(), &clip);
    ShowAtEndPaint(dc);
    ps->hdc = dc;
    // What is to be painted, children left out as the clip leaves them out.
    QRect b = paintable.boundingRect();
    ps->rcPaint = paintable.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    ps->fErase = FALSE;
    if (w->erase) {
        w->erase = false;
        ps->fErase = SendMessage(h, WM_ERASEBKGND, WPARAM(dc), 0) == 0;
    }
    return dc;
}

bool morvik::backend::BringParentPictureUpToDate(HWND h, const TRect& Part)
{
    WindowRec* w = Rec(h);
    WindowRec* p = w ? w->parent : nullptr;
    if (!p)
        return w != nullptr;
    const TRect pc = ClientInImage(p);
    const QRect parent(0, 0, pc.Width(), pc.Height());
    const QRect under =
        QRect(w->rect.Left + w->client.Left + Part.Left, w->rect.Top + w->client.Top + Part.Top, Part.Width(), Part.Height()) &
        parent;
    // The first time, all the parent left out under the child while it took it for opaque.
    const bool first = !w->seeThrough;
    w->seeThrough = true;
    const QRegion stale =
        first ? QRegion(QRect(w->rect.Left, w->rect.Top, w->rect.Width(), w->rect.Height()) & parent) : p->update & under;
    if (stale.isEmpty())
        return true;
    p->update |= stale;
    if (first)
        p->erase = true;
    const HWND ph = H(p);
    UpdateWindow(ph);
    return Rec(h) && Rec(ph);
}

BOOL EndPaint(HWND h, const PAINTSTRUCT* ps)
{
    if (ps && ps->hdc)
        DeleteImageDC(ps->hdc);
    // Only what was to be painted can have changed: the context was clipped to it.
    WindowRec* w = Rec(h);
    if (w && ps) {
        TRect c = ClientInImage(w);
        TRect r = ps->rcPaint;
        if (r.Right > r.Left && r.Bottom > r.Top)
            WindowImageChanged(h, TRect{r.Left + c.Left, r.Top + c.Top, r.Right + c.Left, r.Bottom + c.Top});
        return TRUE;
    }
    WindowImageChanged(h);
    return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT* r, BOOL erase)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    TRect c = ClientInImage(w);
    InvalidateArea(w,
                   r ? QRegion(r->Left, r->Top, std::max(0, r->Width()), std::max(0, r->Height()))
                     : QRegion(0, 0, c.Width(), c.Height()),
                   erase);
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
    InvalidateArea(w, *r, erase);
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
    gPendingPaint.erase(w);
    // With redrawing turned off the window keeps its invalid area until it is turned back on.
    if (w->noRedraw)
        return TRUE;
    if (w->frameDirty && !w->topLevel && w->update.isEmpty())
        SendMessage(h, WM_NCPAINT, 1, 0);
    if (!w->update.isEmpty())
        SendMessage(h, WM_PAINT, 0, 0);
    return TRUE;
}

int GetUpdateRgn(HWND h, HRGN rgn, BOOL erase)
{
    WindowRec* w = Rec(h);
    if (!w || !SetRegionFromQt(rgn, w->update))
        return ERROR;
    if (erase && w->erase && !w->update.isEmpty()) {
        w->erase = false;
        TRect c = ClientInImage(w);
        QRegion clip = w->update.translated(c.Left, c.Top);
        HDC dc = CreateImageDC(&w->image, h, c.TopLeft(), &clip);
        SendMessage(h, WM_ERASEBKGND, WPARAM(dc), 0);
        DeleteImageDC(dc);
    }
    if (w->update.isEmpty())
        return NULLREGION;
    return w->update.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
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
        if (flags & RDW_ALLCHILDREN) {
            // The children take the part of the area over them, in their own client coordinates;
            // those it misses take nothing.
            bool whole = !r && !rgn;
            RECT box{0, 0, 0, 0};
            if (rgn)
                GetRgnBox(rgn, &box);
            else if (r)
                box = *r;
            // A frame or an erase done at once runs handlers, which may free children meanwhile.
            for (WindowRec* c : std::vector<WindowRec*>(w->children)) {
                if (!gWindows.count(c))
                    continue;
                if (whole) {
                    RedrawWindow(H(c), nullptr, nullptr, flags & ~RDW_UPDATENOW);
                    continue;
                }
                const TRect& cr = c->rect;
                const RECT part{std::max(box.Left, cr.Left), std::max(box.Top, cr.Top), std::min(box.Right, cr.Right),
                                std::min(box.Bottom, cr.Bottom)};
                if (part.Left >= part.Right || part.Top >= part.Bottom)
                    continue;
                const int dx = cr.Left + c->client.Left, dy = cr.Top + c->client.Top;
                const RECT pr{part.Left - dx, part.Top - dy, part.Right - dx, part.Bottom - dy};
                RedrawWindow(H(c), &pr, nullptr, flags & ~RDW_UPDATENOW);
            }
        }
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
    // Pixels of 'area' move by (dx, dy); only what lands inside 'clip' is written. Only the client
    // area has pixels to give: what would come from beyond it is left uncovered.
    QRegion src = QRegion(area.Left, area.Top, area.Width(), area.Height()) & QRegion(0, 0, c.Width(), c.Height());
    QRegion moved = src.translated(dx, dy) & QRegion(clip.Left, clip.Top, clip.Width(), clip.Height());
    if (moved.rectCount() == 1 && w->image.depth() == 32) {
        // One rectangle: its rows move in place, in the order that reads each before it is written.
        const QRect to = moved.boundingRect().translated(c.Left, c.Top);
        const QRect from = to.translated(-dx, -dy);
        uchar* bits = w->image.bits();
        const qsizetype stride = w->image.bytesPerLine();
        const auto bytes = std::size_t(to.width()) * 4;
        for (int i = 0; i < to.height(); ++i) {
            const int k = dy > 0 ? to.height() - 1 - i : i;
            std::memmove(bits + (to.top() + k) * stride + to.left() * 4, bits + (from.top() + k) * stride + from.left() * 4,
                         bytes);
        }
    } else if (!moved.isEmpty()) {
        // The copy is of the whole window image, so it moves by (dx, dy) alone: the client area's
        // offset inside the image (the border) is already in both.
        QImage copy = w->image.copy();
        QPainter p(&w->image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setClipRegion(moved.translated(c.Left, c.Top));
        p.drawImage(dx, dy, copy);
    }
    // The children that move along.
    std::vector<WindowRec*> along;
    for (WindowRec* ch : w->children) {
        TRect overlap;
        if ((flags & SW_SCROLLCHILDREN) && !(scroll && !IntersectRect(overlap, area, ch->rect)))
            along.push_back(ch);
    }
    // What moved out of an invalid area carries its invalidity along, and so does what a window
    // that clips its children never painted: what lay under an opaque child that stays.
    QRegion stale = w->update & src;
    if (w->style & WS_CLIPCHILDREN)
        for (WindowRec* ch : w->children)
            if (ch->visible && !SeeThrough(ch) && std::find(along.begin(), along.end(), ch) == along.end())
                stale |= src & ShapeInParent(ch);
    QRegion inv = stale.translated(dx, dy) & moved;
    w->update = (w->update - moved) | inv;
    if (!w->update.isEmpty())
        SchedulePaint(w);
    QRegion uncovered = (QRegion(clip.Left, clip.Top, clip.Width(), clip.Height()) & src) - moved;
    if (hrgnUpdate)
        SetRegionFromQt(hrgnUpdate, uncovered);
    if (prcUpdate) {
        QRect b = uncovered.boundingRect();
        *prcUpdate = uncovered.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    // What each see-through child shows of the picture now: a child that stays sees what moved
    // under it; one that moves keeps only what moved along with it from under its old place.
    std::vector<std::pair<WindowRec*, QRegion>> changed;
    for (WindowRec* ch : w->children) {
        if (!ch->visible || !SeeThrough(ch))
            continue;
        const QRect was = ClientInParent(ch);
        if (std::find(along.begin(), along.end(), ch) == along.end()) {
            changed.push_back({ch, (moved & was).translated(-was.topLeft())});
        } else {
            const QRect now = was.translated(dx, dy);
            changed.push_back({ch, (QRegion(now) - (moved & (src & was).translated(dx, dy))).translated(-now.topLeft())});
        }
    }
    for (WindowRec* ch : along) {
        ch->rect = Bounds(ch->rect.Left + dx, ch->rect.Top + dy, ch->rect.Width(), ch->rect.Height());
        SyncWidgetGeometry(ch);
    }
    if (flags & SW_INVALIDATE)
        InvalidateArea(w, uncovered, flags & SW_ERASE);
    for (const auto& [ch, part] : changed)
        InvalidateArea(ch, part, true);
    // The children hear of their new places as from SetWindowPos, so their controls follow; a
    // handler may free any of them.
    std::vector<HWND> told;
    for (WindowRec* ch : along)
        told.push_back(H(ch));
    for (HWND hc : told) {
        if (WindowRec* ch = Rec(hc)) {
            WINDOWPOS wp{hc, nullptr, ch->rect.Left, ch->rect.Top, ch->rect.Width(), ch->rect.Height(),
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW};
            SendMessage(hc, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
            if ((ch = Rec(hc)))
                SendMessage(hc, WM_MOVE, 0, MAKELPARAM(ch->rect.Left, ch->rect.Top));
        }
    }
    if (Rec(h)) {
        if (gCaret.owner == w)
            RefreshCaret();
        WindowImageChanged(h);
    }
    return uncovered.isEmpty() ? NULLREGION : uncovered.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL ScrollWindow(HWND h, int dx, int dy, const RECT* r, const RECT* clip)
{
    // Without a rectangle the whole client area moves, child windows with it.
    UINT flags = SW_INVALIDATE | (r ? 0 : SW_SCROLLCHILDREN);
    return ScrollWindowEx(h, dx, dy, r, clip, nullptr, nullptr, flags) != ERROR;
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

HDC GetDCEx(HWND h, HRGN rgn, DWORD flags)
{
    WindowRec* w = Rec(h);
    if (!w)
        return GetDC(nullptr);
    bool whole = flags & DCX_WINDOW;
    QRegion limit;
    bool limited = false;
    if (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) {
        if (const QRegion* r = RegionOf(rgn)) {
            // The region is in screen coordinates; the context now owns it.
            TPoint o = ImageScreenOrigin(w);
            limit = r->translated(-o.X, -o.Y);
            limited = true;
            DeleteObject(rgn);
        }
    }
    HDC dc;
    if (flags & DCX_LOCKWINDOWUPDATE)
        dc = CreateOverlayDC(w, whole);
    else
        dc = whole ? GetWindowDC(h) : GetDC(h);
    if (dc && limited) {
        // Clip regions are in device units, which for a window context start at its own origin.
        TPoint dcOrigin = whole ? TPoint{} : ClientInImage(w).TopLeft();
        QRegion area = limit.translated(-dcOrigin.X, -dcOrigin.Y);
        HRGN clip = CreateRegionFromQt(area);
        ExtSelectClipRgn(dc, clip, (flags & DCX_EXCLUDERGN) ? RGN_DIFF : RGN_AND);
        DeleteObject(clip);
    }
    return dc;
}

int ReleaseDC(HWND, HDC dc)
{
    if (!ReleaseOverlayDC(dc))
        DeleteImageDC(dc);
    return 1;
}

// Lines with the system's pixel rules (end point left out, cosmetic dash patterns), wide pens
// through the painter, binary raster operations applied once per pixel a figure covers, and single
// pixels.
#include <algorithm>
#include <cstdlib>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

// Dash patterns of cosmetic pens, in pixels on/off.
const std::vector<int>& DashPattern(int style)
{
    static const std::vector<int> dash{18, 6}, dot{3, 3}, dashdot{9, 6, 3, 6}, dashdotdot{9, 3, 3, 3, 3, 3}, none{};
    switch (style) {
    case PS_DASH: return dash;
    case PS_DOT: return dot;
    case PS_DASHDOT: return dashdot;
    case PS_DASHDOTDOT: return dashdotdot;
    default: return none;
    }
}


PenInfo PenOf(DCObj* dc)
{
    PenInfo pi;
    if (auto* p = ObjAs<PenObj>(dc->st.pen, OBJ_PEN)) {
        pi.style = p->style;
        pi.width = std::max(1, p->width);
        pi.color = p->color;
    }
    return pi;
}

RopLayer::RopLayer(DCObj* dc, const Surface& s, const QRect& reach) : FDc(dc), FSurface(s), FRop(dc->st.rop2)
{
    if (FRop == R2_COPYPEN) {
        FInto = s;
        return;
    }
    FBox = reach & s.index->bounds;
    FImage = QImage(FBox.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    FImage.fill(0);
    FInto.img = &FImage;
    FInto.clip = (s.clip & FBox).translated(-FBox.topLeft());
    FInto.index = std::make_shared<ClipIndex>(FInto.clip);
    // The context draws into the layer as into the image: its origin moves by the layer's corner,
    // which keeps device points (brush origins, hatches) where they were.
    dc->origin.X -= FBox.left();
    dc->origin.Y -= FBox.top();
    dc->st.rop2 = R2_COPYPEN;
}

RopLayer::~RopLayer()
{
    if (FRop == R2_COPYPEN)
        return;
    FDc->origin.X += FBox.left();
    FDc->origin.Y += FBox.top();
    FDc->st.rop2 = FRop;
    // Every pixel the copy wrote is opaque; the rest of the layer is still clear.
    const Rows to(FSurface.img), from(&FImage);
    for (const QRect& r : FInto.rects())
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QRgb* c = from.at(r.left(), y);
            QRgb* d = to.at(r.left() + FBox.left(), y + FBox.top());
            for (int i = 0; i < r.width(); ++i)
                if (qAlpha(c[i]))
                    d[i] = Rop2(FRop, d[i], c[i]);
        }
}

// A 1-pixel line from (x0, y0) towards (x1, y1), end point left out; pattern phase carried in
// 'phase' so that a polyline's dashes continue across its joints. Drawn as a copy: a raster
// operation is the layer's to apply.
void RawLine(DCObj* dc, const Surface& s, int x0, int y0, int x1, int y1, const PenInfo& pen, int& phase)
{
    const auto& pat = DashPattern(pen.style);
    int patLen = 0;
    for (int v : pat)
        patLen += v;
    QRgb pix = ToPix(pen.color);
    QRgb bkpix = ToPix(dc->st.bk);
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int steps = std::max(dx, dy);
    int x = x0, y = y0;
    int err = (dx > dy ? dx : -dy) / 2;
    QRect box(std::min(x0, x1), std::min(y0, y1), dx + 1, dy + 1);
    if (!box.intersects(s.index->bounds))
        return;
    // Clip tests only where the line leaves the clip's rectangles; neighbouring pixels mostly
    // share the rectangle of the last one.
    bool unclipped = s.covers(box);
    // The clip rectangle of the last pixel, as plain bounds (QRect::contains is not inlined).
    int cl = 1, ct = 1, cr = 0, cb = 0;
    const Rows rows(s.img);
    auto plot = [&](QRgb c) {
        if (!unclipped && !(x >= cl && x <= cr && y >= ct && y <= cb)) {
            const QRect* in = s.index->find(x, y);
            if (!in)
                return;
            cl = in->left();
            ct = in->top();
            cr = in->right();
            cb = in->bottom();
        }
        *rows.at(x, y) = c;
    };
    for (int i = 0; i < steps; ++i) {
        bool on = true;
        if (patLen) {
            int p = phase % patLen, acc = 0;
            for (size_t k = 0; k < pat.size(); ++k) {
                acc += pat[k];
                if (p < acc) {
                    on = (k % 2) == 0;
                    break;
                }
            }
            ++phase;
        }
        if (on)
            plot(pix);
        else if (dc->st.bkMode == OPAQUE)
            plot(bkpix);
        int e2 = err;
        if (e2 > -dx) {
            err -= dy;
            x += sx;
        }
        if (e2 < dy) {
            err += dx;
            y += sy;
        }
    }
}

void WideLine(Surface& s, int x0, int y0, int x1, int y1, const PenInfo& pen)
{
    QPainter p(s.img);
    p.setClipRegion(s.clip);
    QPen qp(ToQColor(pen.color), pen.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(qp);
    p.drawLine(x0, y0, x1, y1);
}

void DrawLineImg(DCObj* dc, Surface& s, int x0, int y0, int x1, int y1, int& phase)
{
    DrawLineImg(dc, s, x0, y0, x1, y1, PenOf(dc), phase);
}

void DrawLineImg(DCObj* dc, Surface& s, int x0, int y0, int x1, int y1, const PenInfo& pen, int& phase)
{
    if (pen.style == PS_NULL)
        return;
    if (pen.width <= 1)
        RawLine(dc, s, x0, y0, x1, y1, pen, phase);
    else
        WideLine(s, x0, y0, x1, y1, pen);
}

}  // namespace morvik::qtgdi

// ---- Lines and shapes ----------------------------------------------------------------------------
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->st.cur;
    dc->st.cur = {x, y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* p)
{
    DCObj* dc = DC(hdc);
    if (!dc || !p)
        return FALSE;
    *p = dc->st.cur;
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    Surface s = Prepare(dc);
    if (s.ok()) {
        const QRect box = LineBox(dc, IX(dc, dc->st.cur.X), IY(dc, dc->st.cur.Y), IX(dc, x), IY(dc, y));
        {
            RopLayer layer(dc, s, box);
            int phase = 0;
            DrawLineImg(dc, layer.Into(), IX(dc, dc->st.cur.X), IY(dc, dc->st.cur.Y), IX(dc, x), IY(dc, y), phase);
        }
        Touched(dc, box);
    }
    dc->st.cur = {x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int n)
{
    DCObj* dc = DC(hdc);
    if (!dc || n < 2)
        return FALSE;
    Surface s = Prepare(dc);
    if (s.ok()) {
        // A display's curve has hundreds of segments: the pen is looked up once, and the touched
        // box grown from the points and padded once.
        const PenInfo pen = PenOf(dc);
        int left = pts[0].X, top = pts[0].Y, right = left, bottom = top;
        for (int i = 1; i < n; ++i) {
            left = std::min(left, pts[i].X);
            top = std::min(top, pts[i].Y);
            right = std::max(right, pts[i].X);
            bottom = std::max(bottom, pts[i].Y);
        }
        const QRect box = LineBox(dc, IX(dc, left), IY(dc, top), IX(dc, right), IY(dc, bottom));
        {
            RopLayer layer(dc, s, box);
            int phase = 0;
            for (int i = 1; i < n; ++i)
                DrawLineImg(dc, layer.Into(), IX(dc, pts[i - 1].X), IY(dc, pts[i - 1].Y), IX(dc, pts[i].X),
                            IY(dc, pts[i].Y), pen, phase);
        }
        Touched(dc, box);
    }
    return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* pts, const DWORD* counts, DWORD n)
{
    for (DWORD i = 0; i < n; ++i) {
        Polyline(hdc, pts, int(counts[i]));
        pts += counts[i];
    }
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return CLR_INVALID;
    Surface s = Prepare(dc);
    int ix = IX(dc, x), iy = IY(dc, y);
    if (!s.ok() || !s.contains(ix, iy))
        return CLR_INVALID;
    *Px(s.img, ix, iy) = ToPix(color);
    Touched(dc, QRect(ix, iy, 1, 1));
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return CLR_INVALID;
    Surface s = Prepare(dc);
    int ix = IX(dc, x), iy = IY(dc, y);
    if (!s.ok() || !s.contains(ix, iy))
        return CLR_INVALID;
    return ToRef(*Px(s.img, ix, iy));
}

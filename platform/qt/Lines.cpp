// Lines with the system's pixel rules (end point left out, cosmetic dash patterns, binary raster
// operations), wide pens through the painter, and single pixels.
#include <algorithm>
#include <cstdlib>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

void PlotRop(const Surface& s, int x, int y, int rop, QRgb pix)
{
    if (!s.contains(x, y))
        return;
    QRgb* p = Px(s.img, x, y);
    *p = Rop2(rop, *p, pix);
}

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

QPainter::CompositionMode CompositionFor(int rop)
{
    switch (rop) {
    case R2_BLACK: return QPainter::RasterOp_ClearDestination;
    case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
    case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
    case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    case R2_NOP: return QPainter::CompositionMode_Destination;
    case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    case R2_WHITE: return QPainter::RasterOp_SetDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

// A 1-pixel line from (x0, y0) towards (x1, y1), end point left out; pattern phase carried in
// 'phase' so that a polyline's dashes continue across its joints.
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
    int rop = dc->st.rop2;
    const Rows rows(s.img);
    auto plot = [&](int r, QRgb c) {
        if (!unclipped && !(x >= cl && x <= cr && y >= ct && y <= cb)) {
            const QRect* in = s.index->find(x, y);
            if (!in)
                return;
            cl = in->left();
            ct = in->top();
            cr = in->right();
            cb = in->bottom();
        }
        QRgb* p = rows.at(x, y);
        *p = r == R2_COPYPEN ? c : Rop2(r, *p, c);
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
            plot(rop, pix);
        else if (dc->st.bkMode == OPAQUE)
            plot(R2_COPYPEN, bkpix);
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

void WideLine(DCObj* dc, Surface& s, int x0, int y0, int x1, int y1, const PenInfo& pen)
{
    QPainter p(s.img);
    p.setClipRegion(s.clip);
    p.setCompositionMode(CompositionFor(dc->st.rop2));
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
        WideLine(dc, s, x0, y0, x1, y1, pen);
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
        int phase = 0;
        int x0 = IX(dc, dc->st.cur.X), y0 = IY(dc, dc->st.cur.Y), x1 = IX(dc, x), y1 = IY(dc, y);
        DrawLineImg(dc, s, x0, y0, x1, y1, phase);
        Touched(dc, LineBox(dc, x0, y0, x1, y1));
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
        int phase = 0;
        int x0 = IX(dc, pts[0].X), y0 = IY(dc, pts[0].Y);
        int left = x0, top = y0, right = x0, bottom = y0;
        for (int i = 1; i < n; ++i) {
            const int x1 = IX(dc, pts[i].X), y1 = IY(dc, pts[i].Y);
            DrawLineImg(dc, s, x0, y0, x1, y1, pen, phase);
            left = std::min(left, x1);
            top = std::min(top, y1);
            right = std::max(right, x1);
            bottom = std::max(bottom, y1);
            x0 = x1;
            y0 = y1;
        }
        Touched(dc, LineBox(dc, left, top, right, bottom));
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

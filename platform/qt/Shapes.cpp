// Rectangles, polygons, ellipses and region fills: brushes (solid, hatched, pattern) with the
// system's edge rules, inversion and focus rectangles.
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <functional>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

namespace {

// Solid fills are most of what painting a form costs; with wide stores where the processor has
// them they keep up with the toolkit's own fills. A row's tail is one more wide store that overlaps
// the one before it.
#if defined(__x86_64__)
__attribute__((target("avx2"))) void FillWide(QRgb* p, qsizetype stride, int width, int height, QRgb v)
{
    const __m256i w = _mm256_set1_epi32(int(v));
    for (int y = 0; y < height; ++y, p += stride) {
        if (width < 8) {
            for (int i = 0; i < width; ++i)
                p[i] = v;
            continue;
        }
        int i = 0;
        for (; i + 8 <= width; i += 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), w);
        if (i < width)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + width - 8), w);
    }
}
#endif

void FillNarrow(QRgb* p, qsizetype stride, int width, int height, QRgb v)
{
    for (int y = 0; y < height; ++y, p += stride)
        std::fill(p, p + width, v);
}

using FillFn = void (*)(QRgb*, qsizetype, int, int, QRgb);
#if defined(__x86_64__)
// Static initialisers may run before the processor's features are read.
const FillFn gFill = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? &FillWide : &FillNarrow;
}();
#else
const FillFn gFill = &FillNarrow;
#endif

}  // namespace

void FillPixelRect(QRgb* first, qsizetype stride, int width, int height, QRgb v)
{
    if (width > 0 && height > 0)
        gFill(first, stride, width, height, v);
}

QRgb BrushPixel(DCObj* dc, const BrushInfo& b, int ix, int iy, bool& draw)
{
    draw = true;
    // The brush origin is a device point; image points of a window's context sit past its frame.
    ix -= dc->origin.X;
    iy -= dc->origin.Y;
    switch (b.style) {
    case BS_NULL: draw = false; return 0;
    case BS_HATCHED: {
        int x = (ix - dc->st.brushOrg.X) & 7, y = (iy - dc->st.brushOrg.Y) & 7;
        bool on = false;
        switch (b.hatch) {
        case HS_HORIZONTAL: on = y == 4; break;
        case HS_VERTICAL: on = x == 4; break;
        case HS_FDIAGONAL: on = x == y; break;
        case HS_BDIAGONAL: on = x == 7 - y; break;
        case HS_CROSS: on = x == 4 || y == 4; break;
        case HS_DIAGCROSS: on = x == y || x == 7 - y; break;
        }
        if (on)
            return ToPix(b.color);
        if (dc->st.bkMode == OPAQUE)
            return ToPix(dc->st.bk);
        draw = false;
        return 0;
    }
    case BS_PATTERN:
        if (b.pattern && !b.pattern->isNull()) {
            int w = b.pattern->width(), h = b.pattern->height();
            int x = ((ix - dc->st.brushOrg.X) % w + w) % w, y = ((iy - dc->st.brushOrg.Y) % h + h) % h;
            return b.pattern->pixel(x, y) | 0xFF000000u;
        }
        return ToPix(b.color);
    default: return ToPix(b.color);
    }
}

// Fills an image-coordinate rectangle with a brush (no raster operation).
void FillImgRect(DCObj* dc, const Surface& s, QRect r, const BrushInfo& b)
{
    if (b.style == BS_NULL)
        return;
    for (const QRect& c : s.rects()) {
        QRect a = r & c;
        if (a.isEmpty())
            continue;
        if (b.style == BS_SOLID) {
            Rows rows(s.img);
            FillPixelRect(rows.at(a.left(), a.top()), rows.stride, a.width(), a.height(), ToPix(b.color));
        } else if (b.style == BS_PATTERN && b.pattern && !b.pattern->isNull()) {
            // A pattern is laid row by row from its own rows (the scroll bars' tracks are this).
            const QImage pat = b.pattern->convertToFormat(QImage::Format_RGB32);
            const int pw = pat.width(), ph = pat.height();
            Rows rows(s.img);
            const int x0 = ((a.left() - dc->origin.X - dc->st.brushOrg.X) % pw + pw) % pw;
            for (int y = a.top(); y <= a.bottom(); ++y) {
                const int py = ((y - dc->origin.Y - dc->st.brushOrg.Y) % ph + ph) % ph;
                const QRgb* from = reinterpret_cast<const QRgb*>(pat.constScanLine(py));
                QRgb* row = rows.at(a.left(), y);
                for (int i = 0, px = x0; i < a.width(); ++i) {
                    row[i] = from[px] | 0xFF000000u;
                    if (++px == pw)
                        px = 0;
                }
            }
        } else {
            for (int y = a.top(); y <= a.bottom(); ++y)
                for (int x = a.left(); x <= a.right(); ++x) {
                    bool draw;
                    QRgb pix = BrushPixel(dc, b, x, y, draw);
                    if (draw)
                        *Px(s.img, x, y) = pix;
                }
        }
    }
}

namespace {
// The same through the context's binary raster operation, as a figure's inside is drawn.
void FillImgRectRop(DCObj* dc, const Surface& s, QRect r, const BrushInfo& b)
{
    const int rop = dc->st.rop2;
    if (rop == R2_COPYPEN || b.style == BS_NULL) {
        FillImgRect(dc, s, r, b);
        return;
    }
    const Rows rows(s.img);
    for (const QRect& c : s.rects()) {
        const QRect a = r & c;
        for (int y = a.top(); y <= a.bottom(); ++y)
            for (int x = a.left(); x <= a.right(); ++x) {
                bool draw;
                const QRgb pix = BrushPixel(dc, b, x, y, draw);
                if (draw) {
                    QRgb* p = rows.at(x, y);
                    *p = Rop2(rop, *p, pix);
                }
            }
    }
}
}  // namespace

}  // namespace morvik::qtgdi

static void FillPath(DCObj* dc, Surface& s, const QPainterPath& path)
{
    BrushInfo b = BrushOf(dc->st.brush);
    if (b.style == BS_NULL)
        return;
    QPainter p(s.img);
    p.setClipRegion(s.clip);
    p.setPen(Qt::NoPen);
    p.setCompositionMode(CompositionFor(dc->st.rop2));
    if (b.style == BS_SOLID) {
        p.setBrush(ToQColor(b.color));
    } else if (b.style == BS_PATTERN && b.pattern) {
        QBrush qb(*b.pattern);
        qb.setTransform(QTransform::fromTranslate(dc->origin.X + dc->st.brushOrg.X, dc->origin.Y + dc->st.brushOrg.Y));
        p.setBrush(qb);
    } else {
        static const Qt::BrushStyle hs[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                            Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        if (dc->st.bkMode == OPAQUE) {
            p.setBrush(ToQColor(dc->st.bk));
            p.drawPath(path);
        }
        p.setBrush(QBrush(ToQColor(b.color), hs[std::clamp(b.hatch, 0, 5)]));
    }
    p.drawPath(path);
}

BOOL Polygon(HDC hdc, const POINT* pts, int n)
{
    DCObj* dc = DC(hdc);
    if (!dc || n < 2)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    QPolygon poly;
    for (int i = 0; i < n; ++i)
        poly << QPoint(IX(dc, pts[i].X), IY(dc, pts[i].Y));
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    path.setFillRule(Qt::OddEvenFill);
    FillPath(dc, s, path);
    int phase = 0;
    const PenInfo pen = PenOf(dc);
    for (int i = 0; i < n; ++i) {
        const POINT& a = pts[i];
        const POINT& b = pts[(i + 1) % n];
        DrawLineImg(dc, s, IX(dc, a.X), IY(dc, a.Y), IX(dc, b.X), IY(dc, b.Y), pen, phase);
    }
    QRect pb = poly.boundingRect();
    Touched(dc, LineBox(dc, pb.left(), pb.top(), pb.right(), pb.bottom()));
    return TRUE;
}

BOOL Rectangle(HDC hdc, int l, int t, int r, int b)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    QRect ir = ImgRect(dc, l, t, r, b);
    PenInfo pen = PenOf(dc);
    BrushInfo br = BrushOf(dc->st.brush);
    if (pen.style == PS_NULL) {
        // Without a pen the figure is one pixel smaller on the right and bottom.
        FillImgRectRop(dc, s, QRect(ir.left(), ir.top(), ir.width() - 1, ir.height() - 1), br);
    } else if (pen.width <= 1 || pen.style == PS_INSIDEFRAME) {
        int w = pen.style == PS_INSIDEFRAME ? pen.width : 1;
        FillImgRectRop(dc, s, ir.adjusted(w, w, -w, -w), br);
        int x1 = ir.left(), y1 = ir.top(), x2 = ir.left() + ir.width() - 1, y2 = ir.top() + ir.height() - 1;
        PenInfo thin = pen;
        thin.width = 1;
        if (thin.style == PS_INSIDEFRAME)
            thin.style = PS_SOLID;
        for (int k = 0; k < w && x1 + k <= x2 - k && y1 + k <= y2 - k; ++k) {
            int phase = 0;
            int a = x1 + k, bb = y1 + k, c = x2 - k, d = y2 - k;
            if (a == c || bb == d) {
                RawLine(dc, s, a, bb, c + (a == c ? 0 : 1), d + (bb == d ? 0 : 1), thin, phase);
                if (a == c && bb == d)
                    PlotRop(s, a, bb, dc->st.rop2, ToPix(thin.color));
                continue;
            }
            RawLine(dc, s, a, bb, c, bb, thin, phase);
            RawLine(dc, s, c, bb, c, d, thin, phase);
            RawLine(dc, s, c, d, a, d, thin, phase);
            RawLine(dc, s, a, d, a, bb, thin, phase);
        }
    } else {
        FillImgRectRop(dc, s, ir.adjusted(pen.width / 2, pen.width / 2, -pen.width / 2, -pen.width / 2), br);
        QPainter p(s.img);
        p.setClipRegion(s.clip);
        p.setCompositionMode(CompositionFor(dc->st.rop2));
        p.setPen(QPen(ToQColor(pen.color), pen.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(ir.left() + 0.5, ir.top() + 0.5, ir.width() - 1.0, ir.height() - 1.0).adjusted(
            (pen.width - 1) / 2.0, (pen.width - 1) / 2.0, -(pen.width - 1) / 2.0, -(pen.width - 1) / 2.0));
    }
    Touched(dc, ir.adjusted(-1, -1, 1, 1));
    return TRUE;
}

namespace {
// A closed figure: the brush fills the path, then the pen outlines it.
BOOL FillAndOutline(HDC hdc, int l, int t, int r, int b,
                    const std::function<void(QPainterPath&, const QRectF&)>& Shape)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    QRect ir = ImgRect(dc, l, t, r, b);
    QPainterPath path;
    Shape(path, QRectF(ir.left(), ir.top(), ir.width() - 1, ir.height() - 1));
    FillPath(dc, s, path);
    PenInfo pen = PenOf(dc);
    if (pen.style != PS_NULL) {
        QPainter p(s.img);
        p.setClipRegion(s.clip);
        p.setCompositionMode(CompositionFor(dc->st.rop2));
        p.setPen(QPen(ToQColor(pen.color), pen.width));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    Touched(dc, ir.adjusted(-pen.width - 1, -pen.width - 1, pen.width + 1, pen.width + 1));
    return TRUE;
}
}  // namespace

BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int w, int h)
{
    return FillAndOutline(hdc, l, t, r, b, [w, h](QPainterPath& path, const QRectF& box) {
        path.addRoundedRect(box, w / 2.0, h / 2.0);
    });
}

BOOL Ellipse(HDC hdc, int l, int t, int r, int b)
{
    return FillAndOutline(hdc, l, t, r, b, [](QPainterPath& path, const QRectF& box) { path.addEllipse(box); });
}

BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    PenInfo pen = PenOf(dc);
    if (pen.style == PS_NULL)
        return TRUE;
    QRect ir = ImgRect(dc, l, t, r, b);
    const QRectF box(ir.left(), ir.top(), ir.width() - 1, ir.height() - 1);
    // Angles counted counter-clockwise from three o'clock, with y growing downwards on screen.
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double start = std::atan2(cy - ys, xs - cx) * 180.0 / M_PI;
    const double end = std::atan2(cy - ye, xe - cx) * 180.0 / M_PI;
    double sweep = end - start;
    if (sweep <= 0)
        sweep += 360.0;
    QPainterPath path;
    path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    QPainter p(s.img);
    p.setClipRegion(s.clip);
    p.setCompositionMode(CompositionFor(dc->st.rop2));
    p.setPen(QPen(ToQColor(pen.color), pen.width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    Touched(dc, ir.adjusted(-pen.width - 1, -pen.width - 1, pen.width + 1, pen.width + 1));
    return TRUE;
}

int FillRect(HDC hdc, const RECT* r, HBRUSH hbr)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return 0;
    Surface s = Prepare(dc);
    if (s.ok()) {
        QRect ir = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
        FillImgRect(dc, s, ir, BrushOf(hbr));
        Touched(dc, ir);
    }
    return 1;
}

BOOL FillRgn(HDC hdc, HRGN h, HBRUSH hbr)
{
    DCObj* dc = DC(hdc);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!dc || !o)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    BrushInfo b = BrushOf(hbr);
    for (const QRect& r : o->region)
        FillImgRect(dc, s, r.translated(IX(dc, 0), IY(dc, 0)), b);
    Touched(dc, o->region.boundingRect().translated(IX(dc, 0), IY(dc, 0)));
    return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    return dc ? FillRgn(hdc, h, dc->st.brush) : FALSE;
}

BOOL FrameRgn(HDC hdc, HRGN h, HBRUSH hbr, int w, int hh)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return FALSE;
    QRegion inner = o->region;
    QRegion shrunk = inner.translated(w, 0) & inner.translated(-w, 0) & inner.translated(0, hh) & inner.translated(0, -hh);
    HRGN frame = morvik::backend::CreateRegionFromQt(inner - shrunk);
    BOOL ok = FillRgn(hdc, frame, hbr);
    DeleteObject(frame);
    return ok;
}

BOOL InvertRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!dc || !o)
        return FALSE;
    for (const QRect& r : o->region) {
        RECT rc{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        InvertRect(hdc, &rc);
    }
    return TRUE;
}

int FrameRect(HDC hdc, const RECT* r, HBRUSH hbr)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r || r->Right <= r->Left || r->Bottom <= r->Top)
        return 0;
    Surface s = Prepare(dc);
    if (s.ok()) {
        BrushInfo b = BrushOf(hbr);
        QRect ir = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
        FillImgRect(dc, s, QRect(ir.left(), ir.top(), ir.width(), 1), b);
        FillImgRect(dc, s, QRect(ir.left(), ir.bottom(), ir.width(), 1), b);
        FillImgRect(dc, s, QRect(ir.left(), ir.top(), 1, ir.height()), b);
        FillImgRect(dc, s, QRect(ir.right(), ir.top(), 1, ir.height()), b);
        Touched(dc, ir);
    }
    return 1;
}

static void XorImgRect(const Surface& s, const QRect& r)
{
    Rows rows(s.img);
    for (const QRect& c : s.rects()) {
        QRect a = r & c;
        for (int y = a.top(); y <= a.bottom() && !a.isEmpty(); ++y) {
            QRgb* p = rows.at(a.left(), y);
            for (int x = 0; x < a.width(); ++x)
                p[x] = (~p[x] & 0xFFFFFF) | 0xFF000000u;
        }
    }
}

BOOL InvertRect(HDC hdc, const RECT* r)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return FALSE;
    Surface s = Prepare(dc);
    if (s.ok()) {
        QRect ir = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
        XorImgRect(s, ir);
        Touched(dc, ir);
    }
    return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* r)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    QRect ir = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
    if (ir.isEmpty())
        return TRUE;
    int x1 = ir.left(), y1 = ir.top(), x2 = ir.left() + ir.width() - 1, y2 = ir.top() + ir.height() - 1;
    auto dot = [&](int x, int y) {
        if (((x - x1) + (y - y1)) % 2 == 0 && s.contains(x, y)) {
            QRgb* p = Px(s.img, x, y);
            *p = (~*p & 0xFFFFFF) | 0xFF000000u;
        }
    };
    for (int x = x1; x <= x2; ++x) {
        dot(x, y1);
        if (y2 != y1)
            dot(x, y2);
    }
    for (int y = y1 + 1; y < y2; ++y) {
        dot(x1, y);
        if (x2 != x1)
            dot(x2, y);
    }
    Touched(dc, ir);
    return TRUE;
}

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

// Whether a hatch covers the pixel (x, y) of its 8 x 8 tile.
static bool HatchOn(int hatch, int x, int y)
{
    switch (hatch) {
    case HS_HORIZONTAL: return y == 4;
    case HS_VERTICAL: return x == 4;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x == 7 - y;
    case HS_CROSS: return x == 4 || y == 4;
    case HS_DIAGCROSS: return x == y || x == 7 - y;
    default: return false;
    }
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
        if (HatchOn(b.hatch, (ix - dc->st.brushOrg.X) & 7, (iy - dc->st.brushOrg.Y) & 7))
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

}  // namespace morvik::qtgdi

namespace {

// A hatch as the brush draws it through BrushPixel: the hatch in its colour, the gaps in the
// background colour when the background is opaque and clear otherwise.
QImage HatchTile(DCObj* dc, const BrushInfo& b)
{
    QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
    const QRgb gap = dc->st.bkMode == OPAQUE ? ToPix(dc->st.bk) : 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, HatchOn(b.hatch, x, y) ? ToPix(b.color) : gap);
    return tile;
}

void FillPath(DCObj* dc, Surface& s, const QPainterPath& path)
{
    BrushInfo b = BrushOf(dc->st.brush);
    if (b.style == BS_NULL)
        return;
    QPainter p(s.img);
    p.setClipRegion(s.clip);
    p.setPen(Qt::NoPen);
    if (b.style == BS_SOLID) {
        p.setBrush(ToQColor(b.color));
    } else {
        // Tiles start at the brush origin, a device point.
        QBrush qb(b.style == BS_PATTERN && b.pattern ? *b.pattern : HatchTile(dc, b));
        qb.setTransform(QTransform::fromTranslate(dc->origin.X + dc->st.brushOrg.X, dc->origin.Y + dc->st.brushOrg.Y));
        p.setBrush(qb);
    }
    p.drawPath(path);
}

// A figure's outline traced by the painter: a styled pen one pixel wide dashes it as it dashes
// lines, with the gaps in the background colour when the background is opaque.
void StrokePath(DCObj* dc, Surface& s, const QPainterPath& path, const PenInfo& pen)
{
    if (pen.style == PS_NULL)
        return;
    QPainter p(s.img);
    p.setClipRegion(s.clip);
    p.setBrush(Qt::NoBrush);
    const std::vector<int>& dashes = pen.width <= 1 ? DashPattern(pen.style) : std::vector<int>{};
    if (!dashes.empty() && dc->st.bkMode == OPAQUE) {
        p.setPen(QPen(ToQColor(dc->st.bk), 1));
        p.drawPath(path);
    }
    QPen q(ToQColor(pen.color), pen.width);
    if (!dashes.empty())
        q.setDashPattern(QList<qreal>(dashes.begin(), dashes.end()));
    p.setPen(q);
    p.drawPath(path);
}

}  // namespace

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
        poly << QPoint(pts[i].X, pts[i].Y);
    const QRect pb = poly.boundingRect();
    const QRect box = LineBox(dc, IX(dc, pb.left()), IY(dc, pb.top()), IX(dc, pb.right()), IY(dc, pb.bottom()));
    {
        RopLayer layer(dc, s, box);
        Surface& into = layer.Into();
        QPainterPath path;
        path.addPolygon(poly.translated(IX(dc, 0), IY(dc, 0)));
        path.closeSubpath();
        path.setFillRule(Qt::OddEvenFill);
        FillPath(dc, into, path);
        int phase = 0;
        const PenInfo pen = PenOf(dc);
        for (int i = 0; i < n; ++i) {
            const POINT& a = pts[i];
            const POINT& b = pts[(i + 1) % n];
            DrawLineImg(dc, into, IX(dc, a.X), IY(dc, a.Y), IX(dc, b.X), IY(dc, b.Y), pen, phase);
        }
    }
    Touched(dc, box);
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
    const QRect box = ImgRect(dc, l, t, r, b).adjusted(-1, -1, 1, 1);
    {
        RopLayer layer(dc, s, box);
        Surface& into = layer.Into();
        const QRect ir = ImgRect(dc, l, t, r, b);
        const PenInfo pen = PenOf(dc);
        const BrushInfo br = BrushOf(dc->st.brush);
        if (pen.style == PS_NULL) {
            // Without a pen the figure is one pixel smaller on the right and bottom.
            FillImgRect(dc, into, QRect(ir.left(), ir.top(), ir.width() - 1, ir.height() - 1), br);
        } else if (pen.width <= 1 || pen.style == PS_INSIDEFRAME) {
            int w = pen.style == PS_INSIDEFRAME ? pen.width : 1;
            FillImgRect(dc, into, ir.adjusted(w, w, -w, -w), br);
            int x1 = ir.left(), y1 = ir.top(), x2 = ir.left() + ir.width() - 1, y2 = ir.top() + ir.height() - 1;
            PenInfo thin = pen;
            thin.width = 1;
            if (thin.style == PS_INSIDEFRAME)
                thin.style = PS_SOLID;
            for (int k = 0; k < w && x1 + k <= x2 - k && y1 + k <= y2 - k; ++k) {
                int phase = 0;
                int a = x1 + k, bb = y1 + k, c = x2 - k, d = y2 - k;
                if (a == c || bb == d) {
                    // One row or column: the line takes in its end point.
                    RawLine(dc, into, a, bb, c + (a == c ? 0 : 1), d + (bb == d ? 0 : 1), thin, phase);
                    if (a == c && bb == d && into.contains(a, bb))
                        *Px(into.img, a, bb) = ToPix(thin.color);
                    continue;
                }
                RawLine(dc, into, a, bb, c, bb, thin, phase);
                RawLine(dc, into, c, bb, c, d, thin, phase);
                RawLine(dc, into, c, d, a, d, thin, phase);
                RawLine(dc, into, a, d, a, bb, thin, phase);
            }
        } else {
            FillImgRect(dc, into, ir.adjusted(pen.width / 2, pen.width / 2, -pen.width / 2, -pen.width / 2), br);
            QPainter p(into.img);
            p.setClipRegion(into.clip);
            p.setPen(QPen(ToQColor(pen.color), pen.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(ir.left() + 0.5, ir.top() + 0.5, ir.width() - 1.0, ir.height() - 1.0)
                           .adjusted((pen.width - 1) / 2.0, (pen.width - 1) / 2.0, -(pen.width - 1) / 2.0,
                                     -(pen.width - 1) / 2.0));
        }
    }
    Touched(dc, box);
    return TRUE;
}

namespace {
// A closed figure or an open curve in the box (l, t)-(r, b): the brush fills the path (a closed
// one), then the pen traces it.
BOOL FillAndOutline(HDC hdc, int l, int t, int r, int b, bool Fill,
                    const std::function<void(QPainterPath&, const QRectF&)>& Shape)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    const PenInfo pen = PenOf(dc);
    if (!Fill && pen.style == PS_NULL)
        return TRUE;
    const QRect box = ImgRect(dc, l, t, r, b).adjusted(-pen.width - 1, -pen.width - 1, pen.width + 1, pen.width + 1);
    {
        RopLayer layer(dc, s, box);
        const QRect ir = ImgRect(dc, l, t, r, b);
        QPainterPath path;
        Shape(path, QRectF(ir.left(), ir.top(), ir.width() - 1, ir.height() - 1));
        if (Fill)
            FillPath(dc, layer.Into(), path);
        StrokePath(dc, layer.Into(), path, pen);
    }
    Touched(dc, box);
    return TRUE;
}
}  // namespace

BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int w, int h)
{
    return FillAndOutline(hdc, l, t, r, b, true, [w, h](QPainterPath& path, const QRectF& box) {
        path.addRoundedRect(box, w / 2.0, h / 2.0);
    });
}

BOOL Ellipse(HDC hdc, int l, int t, int r, int b)
{
    return FillAndOutline(hdc, l, t, r, b, true, [](QPainterPath& path, const QRectF& box) { path.addEllipse(box); });
}

BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye)
{
    // Angles counted counter-clockwise from three o'clock, with y growing downwards on screen.
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double start = std::atan2(cy - ys, xs - cx) * 180.0 / M_PI;
    const double end = std::atan2(cy - ye, xe - cx) * 180.0 / M_PI;
    double sweep = end - start;
    if (sweep <= 0)
        sweep += 360.0;
    return FillAndOutline(hdc, l, t, r, b, false, [start, sweep](QPainterPath& path, const QRectF& box) {
        path.arcMoveTo(box, start);
        path.arcTo(box, start, sweep);
    });
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

// A region's rectangles filled with a brush. Painting a region is a figure: it goes through the
// raster operation, as filling one does not.
static BOOL FillRegion(HDC hdc, HRGN h, HBRUSH hbr, bool Figure)
{
    DCObj* dc = DC(hdc);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!dc || !o)
        return FALSE;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    const BrushInfo b = BrushOf(hbr);
    const auto fill = [&](const Surface& into) {
        for (const QRect& r : o->region)
            FillImgRect(dc, into, r.translated(IX(dc, 0), IY(dc, 0)), b);
    };
    const QRect box = o->region.boundingRect().translated(IX(dc, 0), IY(dc, 0));
    if (Figure) {
        RopLayer layer(dc, s, box);
        fill(layer.Into());
    } else {
        fill(s);
    }
    Touched(dc, box);
    return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN h, HBRUSH hbr) { return FillRegion(hdc, h, hbr, false); }

BOOL PaintRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    return dc ? FillRegion(hdc, h, dc->st.brush, true) : FALSE;
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

// Device contexts and drawing objects over toolkit images. Lines, rectangles, blits and raster
// operations are done pixel by pixel on 32-bit images so that the system's rules hold exactly
// (end points left out, exclusive right and bottom edges, XOR and ternary raster operations);
// text, ellipses, polygon interiors and wide pens go through the toolkit's painter.
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/Backend.h"
#include "platform/Graphics.h"

using namespace morvik::backend;

namespace {

struct GdiObj {
    explicit GdiObj(DWORD k) : kind(k) {}
    virtual ~GdiObj() = default;
    DWORD kind;
    bool stock = false;
};

struct PenObj : GdiObj {
    PenObj(int s, int w, COLORREF c) : GdiObj(OBJ_PEN), style(s), width(w), color(c) {}
    int style;
    int width;
    COLORREF color;
};

struct BrushObj : GdiObj {
    BrushObj() : GdiObj(OBJ_BRUSH) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int hatch = 0;
    QImage pattern;
};

struct FontObj : GdiObj {
    explicit FontObj(const LOGFONT& l);
    LOGFONT lf;
    QFont font;
    int ascent = 0, descent = 0, emHeight = 0, aveWidth = 0, maxWidth = 0;
};

struct BitmapObj : GdiObj {
    BitmapObj() : GdiObj(OBJ_BITMAP) {}
    QImage image;
    bool mono = false;
    HDC selectedIn = nullptr;
};

struct RegionObj : GdiObj {
    RegionObj() : GdiObj(OBJ_REGION) {}
    QRegion region;
};

struct DCState {
    HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr, bitmap = nullptr;
    COLORREF text = 0, bk = 0xFFFFFF;
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    UINT align = 0;
    TPoint cur;
    bool hasClip = false;
    QRegion clip;  // device coordinates
    TPoint windowOrg, viewportOrg, brushOrg;
    int justExtra = 0, justCount = 0;
    int charExtra = 0;
};

struct DCObj {
    QImage* image = nullptr;  // window image; memory contexts draw into the selected bitmap
    bool memory = false;
    HWND wnd = nullptr;
    TPoint origin;
    bool hasSysClip = false;
    QRegion sysClip;  // image coordinates
    DCState st;
    std::vector<DCState> saved;
    BitmapObj* defaultBitmap = nullptr;
};

std::mutex gObjectsLock;
std::unordered_set<const void*>& Objects()
{
    static std::unordered_set<const void*> s;
    return s;
}

// Device contexts are kept apart from drawing objects, so that neither handle passes for the other.
std::unordered_set<const void*>& Contexts()
{
    static std::unordered_set<const void*> s;
    return s;
}

GdiObj* Register(GdiObj* o)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    Objects().insert(o);
    return o;
}

template <class T>
T* Register(T* o)
{
    Register(static_cast<GdiObj*>(o));
    return o;
}

DCObj* RegisterDC(DCObj* d)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    Contexts().insert(d);
    return d;
}

bool Alive(const void* p)
{
    if (!p)
        return false;
    std::lock_guard<std::mutex> g(gObjectsLock);
    return Objects().count(p) != 0;
}

bool AliveDC(const void* p)
{
    if (!p)
        return false;
    std::lock_guard<std::mutex> g(gObjectsLock);
    return Contexts().count(p) != 0;
}

void Unregister(const void* p)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    Objects().erase(p);
    Contexts().erase(p);
}

GdiObj* Obj(HGDIOBJ h) { return Alive(h) ? reinterpret_cast<GdiObj*>(h) : nullptr; }
template <class T>
T* ObjAs(HGDIOBJ h, DWORD kind)
{
    GdiObj* o = Obj(h);
    return (o && o->kind == kind) ? static_cast<T*>(o) : nullptr;
}
DCObj* DC(HDC h) { return AliveDC(h) ? reinterpret_cast<DCObj*>(h) : nullptr; }
HGDIOBJ H(GdiObj* o) { return reinterpret_cast<HGDIOBJ>(o); }

COLORREF kSysColors[31] = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128),
    RGB(212, 208, 200), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(212, 208, 200), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240),
    RGB(192, 192, 192), RGB(49, 106, 197),  RGB(236, 233, 216)};

// Pixels are stored 0xAARRGGBB; colours are 0x00BBGGRR.
inline QRgb ToPix(COLORREF c) { return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }
inline COLORREF ToRef(QRgb p) { return RGB(qRed(p), qGreen(p), qBlue(p)); }
inline QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// ---- Fonts ---------------------------------------------------------------------------------
// The dialog faces of the design are narrow; the condensed cut of DejaVu Sans comes closest to
// their widths where it is installed.
QString SansFace()
{
    static const QString face = QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans Condensed"))
                                    ? QStringLiteral("DejaVu Sans Condensed")
                                    : QStringLiteral("DejaVu Sans");
    return face;
}

QString FaceFor(const char* face)
{
    std::string f(face);
    if (f.empty() || f == "MS Sans Serif" || f == "MS Shell Dlg" || f == "MS Shell Dlg 2" ||
        f == "Tahoma" || f == "Arial" || f == "Verdana" || f == "System" || f == "Microsoft Sans Serif")
        return SansFace();
    if (f == "Times New Roman" || f == "Times" || f == "MS Serif")
        return QStringLiteral("DejaVu Serif");
    if (f == "Courier New" || f == "Courier" || f == "Fixedsys" || f == "Terminal" || f == "Lucida Console")
        return QStringLiteral("DejaVu Sans Mono");
    return QString::fromLatin1(face);
}

FontObj::FontObj(const LOGFONT& l) : GdiObj(OBJ_FONT), lf(l)
{
    EnsureToolkit();
    font.setFamily(FaceFor(lf.lfFaceName));
    font.setWeight(lf.lfWeight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    if ((lf.lfPitchAndFamily & 3) == FIXED_PITCH)
        font.setFixedPitch(true);
    int h = lf.lfHeight;
    if (h == 0)
        h = -13;
    if (h < 0) {
        font.setPixelSize(-h);
    } else {
        // A cell height: find the character height whose cell comes closest.
        QFont probe(font);
        probe.setPixelSize(100);
        QFontMetrics pm(probe);
        int cell100 = std::max(1, pm.ascent() + pm.descent());
        int px = std::max(1, int(std::lround(h * 100.0 / cell100)));
        font.setPixelSize(px);
        QFontMetrics m(font);
        while (px > 1 && m.ascent() + m.descent() > h) {
            font.setPixelSize(--px);
            m = QFontMetrics(font);
        }
    }
    QFontMetrics m(font);
    ascent = m.ascent();
    descent = m.descent();
    emHeight = font.pixelSize();
    aveWidth = m.averageCharWidth();
    maxWidth = std::max(m.maxWidth(), aveWidth);
}

LOGFONT DefaultLogFont(int height, const char* face)
{
    LOGFONT lf;
    lf.lfHeight = height;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// ---- Stock objects -------------------------------------------------------------------------
GdiObj* MakeStock(int i)
{
    GdiObj* o = nullptr;
    switch (i) {
    case WHITE_BRUSH: case LTGRAY_BRUSH: case GRAY_BRUSH: case DKGRAY_BRUSH: case BLACK_BRUSH: {
        static const COLORREF c[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                     RGB(64, 64, 64), RGB(0, 0, 0)};
        auto* b = new BrushObj;
        b->color = c[i];
        o = b;
        break;
    }
    case NULL_BRUSH: {
        auto* b = new BrushObj;
        b->style = BS_NULL;
        o = b;
        break;
    }
    case WHITE_PEN: o = new PenObj(PS_SOLID, 1, RGB(255, 255, 255)); break;
    case BLACK_PEN: o = new PenObj(PS_SOLID, 1, 0); break;
    case NULL_PEN: o = new PenObj(PS_NULL, 1, 0); break;
    case SYSTEM_FONT: o = new FontObj(DefaultLogFont(16, "System")); break;
    case DEFAULT_GUI_FONT: o = new FontObj(DefaultLogFont(-11, "MS Sans Serif")); break;
    default: return nullptr;
    }
    o->stock = true;
    return Register(o);
}

HGDIOBJ Stock(int i)
{
    static GdiObj* objs[20] = {};
    static std::mutex m;
    if (i < 0 || i >= 20)
        return nullptr;
    std::lock_guard<std::mutex> g(m);
    if (!objs[i])
        objs[i] = MakeStock(i);
    return H(objs[i]);
}

// A brush handle may also be a system colour index + 1.
struct BrushInfo {
    UINT style = BS_NULL;
    COLORREF color = 0;
    int hatch = 0;
    const QImage* pattern = nullptr;
};

BrushInfo BrushOf(HBRUSH h)
{
    BrushInfo bi;
    auto v = reinterpret_cast<std::uintptr_t>(h);
    if (v >= 1 && v <= 31) {
        bi.style = BS_SOLID;
        bi.color = kSysColors[v - 1];
        return bi;
    }
    if (auto* b = ObjAs<BrushObj>(h, OBJ_BRUSH)) {
        bi.style = b->style;
        bi.color = b->color;
        bi.hatch = b->hatch;
        bi.pattern = b->pattern.isNull() ? nullptr : &b->pattern;
    }
    return bi;
}

// ---- Device context helpers ------------------------------------------------------------------
QImage* Target(DCObj* dc)
{
    if (dc->memory) {
        auto* b = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP);
        return b ? &b->image : nullptr;
    }
    return dc->image;
}

// Logical to image coordinates.
inline int IX(DCObj* dc, int x) { return x - dc->st.windowOrg.X + dc->st.viewportOrg.X + dc->origin.X; }
inline int IY(DCObj* dc, int y) { return y - dc->st.windowOrg.Y + dc->st.viewportOrg.Y + dc->origin.Y; }
inline int DX(DCObj* dc, int x) { return x - dc->st.windowOrg.X + dc->st.viewportOrg.X; }
inline int DY(DCObj* dc, int y) { return y - dc->st.windowOrg.Y + dc->st.viewportOrg.Y; }

// The region drawing may touch, in image coordinates.
QRegion Clip(DCObj* dc, const QImage& img)
{
    QRegion r(0, 0, img.width(), img.height());
    if (dc->hasSysClip)
        r &= dc->sysClip;
    if (dc->st.hasClip)
        r &= dc->st.clip.translated(dc->origin.X, dc->origin.Y);
    return r;
}

struct Surface {
    QImage* img = nullptr;
    QRegion clip;
    std::vector<QRect> rects;
    bool ok() const { return img && !rects.empty(); }
    bool contains(int x, int y) const
    {
        for (const QRect& r : rects)
            if (r.contains(x, y))
                return true;
        return false;
    }
};

Surface Prepare(DCObj* dc)
{
    Surface s;
    s.img = Target(dc);
    if (!s.img || s.img->isNull())
        return s;
    if (s.img->format() != QImage::Format_RGB32)
        *s.img = s.img->convertToFormat(QImage::Format_RGB32);
    s.clip = Clip(dc, *s.img);
    for (const QRect& r : s.clip)
        s.rects.push_back(r);
    return s;
}

void Touched(DCObj* dc)
{
    if (dc->wnd)
        WindowImageChanged(dc->wnd);
}

inline QRgb* Px(QImage* img, int x, int y) { return reinterpret_cast<QRgb*>(img->scanLine(y)) + x; }

// Binary raster operation of a pen on a destination pixel (both 0x00RRGGBB as stored).
inline QRgb Rop2(int rop, QRgb d, QRgb p)
{
    d &= 0xFFFFFF;
    p &= 0xFFFFFF;
    QRgb r;
    switch (rop) {
    case R2_BLACK: r = 0; break;
    case R2_NOTMERGEPEN: r = ~(d | p); break;
    case R2_MASKNOTPEN: r = d & ~p; break;
    case R2_NOTCOPYPEN: r = ~p; break;
    case R2_MASKPENNOT: r = p & ~d; break;
    case R2_NOT: r = ~d; break;
    case R2_XORPEN: r = d ^ p; break;
    case R2_NOTMASKPEN: r = ~(d & p); break;
    case R2_MASKPEN: r = d & p; break;
    case R2_NOTXORPEN: r = ~(d ^ p); break;
    case R2_NOP: r = d; break;
    case R2_MERGENOTPEN: r = d | ~p; break;
    case R2_MERGEPEN: r = d | p; break;
    case R2_MERGEPENNOT: r = p | ~d; break;
    case R2_WHITE: r = 0xFFFFFF; break;
    default: r = p; break;
    }
    return 0xFF000000u | (r & 0xFFFFFF);
}

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

struct PenInfo {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

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
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
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
            PlotRop(s, x, y, dc->st.rop2, pix);
        else if (dc->st.bkMode == OPAQUE)
            PlotRop(s, x, y, R2_COPYPEN, bkpix);
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
    PenInfo pen = PenOf(dc);
    if (pen.style == PS_NULL)
        return;
    if (pen.width <= 1)
        RawLine(dc, s, x0, y0, x1, y1, pen, phase);
    else
        WideLine(dc, s, x0, y0, x1, y1, pen);
}

QRgb BrushPixel(DCObj* dc, const BrushInfo& b, int ix, int iy, bool& draw)
{
    draw = true;
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
    for (const QRect& c : s.rects) {
        QRect a = r & c;
        if (a.isEmpty())
            continue;
        if (b.style == BS_SOLID) {
            QRgb pix = ToPix(b.color);
            for (int y = a.top(); y <= a.bottom(); ++y)
                std::fill(Px(s.img, a.left(), y), Px(s.img, a.left(), y) + a.width(), pix);
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

QRect ImgRect(DCObj* dc, int l, int t, int r, int b)
{
    int x1 = IX(dc, l), y1 = IY(dc, t), x2 = IX(dc, r), y2 = IY(dc, b);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

FontObj* FontOfDC(DCObj* dc)
{
    if (auto* f = ObjAs<FontObj>(dc->st.font, OBJ_FONT))
        return f;
    return ObjAs<FontObj>(Stock(SYSTEM_FONT), OBJ_FONT);
}

int TextWidthPx(FontObj* f, const QString& s, int charExtra)
{
    QFontMetrics m(f->font);
    return m.horizontalAdvance(s) + charExtra * int(s.size());
}

BitmapObj* NewBitmap(int w, int h, QRgb fill)
{
    auto* b = new BitmapObj;
    b->image = QImage(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    b->image.fill(fill);
    return Register(b);
}

void InitState(DCObj* dc)
{
    dc->st.pen = Stock(BLACK_PEN);
    dc->st.brush = Stock(WHITE_BRUSH);
    dc->st.font = Stock(SYSTEM_FONT);
}

// Source pixel for blits: monochrome sources map 0 to the text colour and 1 to the background.
QRgb SourcePixel(DCObj* src, BitmapObj* srcBmp, QRgb v, DCObj* dst)
{
    (void)src;
    if (srcBmp && srcBmp->mono)
        return (v & 0xFFFFFF) ? ToPix(dst->st.bk) : ToPix(dst->st.text);
    return v;
}

// Ternary raster operation, bitwise over the 24 colour bits.
inline QRgb Rop3(DWORD rop, QRgb p, QRgb s, QRgb d)
{
    switch (rop) {
    case SRCCOPY: return s | 0xFF000000u;
    case PATCOPY: return p | 0xFF000000u;
    case SRCINVERT: return (s ^ d) | 0xFF000000u;
    case SRCAND: return (s & d) | 0xFF000000u;
    case SRCPAINT: return (s | d) | 0xFF000000u;
    case DSTINVERT: return (~d) | 0xFF000000u;
    case BLACKNESS: return 0xFF000000u;
    case WHITENESS: return 0xFFFFFFFFu;
    default: break;
    }
    unsigned code = (rop >> 16) & 0xFF;
    QRgb r = 0;
    for (int i = 0; i < 8; ++i) {
        if (!((code >> i) & 1))
            continue;
        QRgb term = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
        r |= term;
    }
    return (r & 0xFFFFFF) | 0xFF000000u;
}

bool RopUsesSource(DWORD rop)
{
    unsigned c = (rop >> 16) & 0xFF;
    return ((c >> 2) & 0x33) != (c & 0x33);
}
bool RopUsesPattern(DWORD rop)
{
    unsigned c = (rop >> 16) & 0xFF;
    return ((c >> 4) & 0x0F) != (c & 0x0F);
}

// Removes the "&" prefix marks; returns the index of the underlined character or -1.
std::string StripPrefix(const std::string& s, int& underline)
{
    std::string out;
    underline = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                out += '&';
                ++i;
                continue;
            }
            if (i + 1 < s.size())
                underline = int(out.size());
            continue;
        }
        out += s[i];
    }
    return out;
}

}  // namespace

// ---- Backend entry points ----------------------------------------------------------------------
namespace morvik::backend {

HDC CreateImageDC(QImage* image, HWND wnd, TPoint origin, const QRegion* clip)
{
    auto* dc = new DCObj;
    dc->image = image;
    dc->wnd = wnd;
    dc->origin = origin;
    if (clip) {
        dc->hasSysClip = true;
        dc->sysClip = *clip;
    }
    InitState(dc);
    RegisterDC(dc);
    return reinterpret_cast<HDC>(dc);
}

void DeleteImageDC(HDC h) { ::DeleteDC(h); }

QImage* DCImage(HDC h)
{
    DCObj* dc = DC(h);
    return dc ? Target(dc) : nullptr;
}

QImage* BitmapImage(HBITMAP h)
{
    auto* b = ObjAs<BitmapObj>(h, OBJ_BITMAP);
    return b ? &b->image : nullptr;
}

const QRegion* RegionOf(HRGN h)
{
    auto* r = ObjAs<RegionObj>(h, OBJ_REGION);
    return r ? &r->region : nullptr;
}

HRGN CreateRegionFromQt(const QRegion& region)
{
    auto* r = Register(new RegionObj);
    r->region = region;
    return H(r);
}

QFont FontOf(HFONT h)
{
    if (auto* f = ObjAs<FontObj>(h, OBJ_FONT))
        return f->font;
    return ObjAs<FontObj>(Stock(DEFAULT_GUI_FONT), OBJ_FONT)->font;
}

}  // namespace morvik::backend

// ---- Objects -----------------------------------------------------------------------------------
HGDIOBJ GetStockObject(int i) { return Stock(i); }

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    return H(Register(new PenObj(iStyle, cWidth, color & 0xFFFFFF)));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto* b = Register(new BrushObj);
    b->color = color & 0xFFFFFF;
    return H(b);
}

HBRUSH CreateHatchBrush(int iHatch, COLORREF color)
{
    auto* b = Register(new BrushObj);
    b->style = BS_HATCHED;
    b->hatch = iHatch;
    b->color = color & 0xFFFFFF;
    return H(b);
}

HBRUSH CreatePatternBrush(HBITMAP hbm)
{
    auto* src = ObjAs<BitmapObj>(hbm, OBJ_BITMAP);
    if (!src)
        return nullptr;
    auto* b = Register(new BrushObj);
    b->style = BS_PATTERN;
    b->pattern = src->image.copy();
    return H(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb)
{
    if (!lb)
        return nullptr;
    if (lb->lbStyle == BS_NULL) {
        auto* b = Register(new BrushObj);
        b->style = BS_NULL;
        return H(b);
    }
    if (lb->lbStyle == BS_HATCHED)
        return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    if (lb->lbStyle == BS_PATTERN)
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    return CreateSolidBrush(lb->lbColor);
}

HFONT CreateFontIndirect(const LOGFONT* lplf)
{
    if (!lplf)
        return nullptr;
    return H(Register(new FontObj(*lplf)));
}

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy)
{
    return H(NewBitmap(cx, cy, 0xFF000000u));
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    BitmapObj* b = NewBitmap(nWidth, nHeight, 0xFF000000u);
    if (nPlanes == 1 && nBitCount == 1) {
        b->mono = true;
        if (lpBits) {
            // Rows padded to 16 bits, most significant bit first.
            const auto* bits = static_cast<const Byte*>(lpBits);
            int stride = ((nWidth + 15) / 16) * 2;
            for (int y = 0; y < nHeight; ++y)
                for (int x = 0; x < nWidth; ++x) {
                    bool set = (bits[y * stride + x / 8] >> (7 - x % 8)) & 1;
                    *Px(&b->image, x, y) = set ? 0xFFFFFFFFu : 0xFF000000u;
                }
        }
    } else if (lpBits && nBitCount == 32) {
        std::memcpy(b->image.bits(), lpBits, size_t(nWidth) * nHeight * 4);
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                *Px(&b->image, x, y) |= 0xFF000000u;
    }
    return H(b);
}

int GetObject(HGDIOBJ h, int c, void* pv)
{
    GdiObj* o = Obj(h);
    if (!o)
        return 0;
    switch (o->kind) {
    case OBJ_BITMAP: {
        auto* b = static_cast<BitmapObj*>(o);
        if (pv && c >= int(sizeof(BITMAP))) {
            BITMAP bm;
            bm.bmWidth = b->image.width();
            bm.bmHeight = b->image.height();
            bm.bmBitsPixel = b->mono ? 1 : 32;
            bm.bmWidthBytes = b->mono ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
            *static_cast<BITMAP*>(pv) = bm;
        }
        return sizeof(BITMAP);
    }
    case OBJ_FONT:
        if (pv && c >= int(sizeof(LOGFONT)))
            *static_cast<LOGFONT*>(pv) = static_cast<FontObj*>(o)->lf;
        return sizeof(LOGFONT);
    case OBJ_BRUSH:
        if (pv && c >= int(sizeof(LOGBRUSH))) {
            auto* b = static_cast<BrushObj*>(o);
            LOGBRUSH lb;
            lb.lbStyle = b->style;
            lb.lbColor = b->color;
            lb.lbHatch = b->hatch;
            *static_cast<LOGBRUSH*>(pv) = lb;
        }
        return sizeof(LOGBRUSH);
    default: return 0;
    }
}

BOOL DeleteObject(HGDIOBJ ho)
{
    GdiObj* o = Obj(ho);
    if (!o || o->stock)
        return FALSE;
    if (o->kind == OBJ_BITMAP && static_cast<BitmapObj*>(o)->selectedIn)
        return FALSE;  // still selected into a memory context
    Unregister(o);
    delete o;
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ h)
{
    if (GdiObj* o = Obj(h))
        return o->kind;
    if (DCObj* dc = DC(reinterpret_cast<HDC>(h)))
        return dc->memory ? OBJ_MEMDC : OBJ_DC;
    return 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->st.pen;
    case OBJ_BRUSH: return dc->st.brush;
    case OBJ_FONT: return dc->st.font;
    case OBJ_BITMAP: return dc->st.bitmap;
    default: return nullptr;
    }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DCObj* dc = DC(hdc);
    GdiObj* o = Obj(h);
    if (!dc || !o)
        return nullptr;
    HGDIOBJ old = nullptr;
    switch (o->kind) {
    case OBJ_PEN: old = dc->st.pen; dc->st.pen = h; break;
    case OBJ_BRUSH: old = dc->st.brush; dc->st.brush = h; break;
    case OBJ_FONT: old = dc->st.font; dc->st.font = h; break;
    case OBJ_BITMAP: {
        if (!dc->memory)
            return nullptr;
        auto* b = static_cast<BitmapObj*>(o);
        if (b->selectedIn && b->selectedIn != hdc)
            return nullptr;
        old = dc->st.bitmap;
        if (auto* ob = ObjAs<BitmapObj>(old, OBJ_BITMAP))
            ob->selectedIn = nullptr;
        b->selectedIn = hdc;
        dc->st.bitmap = h;
        break;
    }
    case OBJ_REGION:
        return reinterpret_cast<HGDIOBJ>(std::intptr_t(SelectClipRgn(hdc, h)));
    default: return nullptr;
    }
    return old;
}

// ---- Device contexts ---------------------------------------------------------------------------
HDC CreateCompatibleDC(HDC)
{
    EnsureToolkit();
    auto* dc = new DCObj;
    dc->memory = true;
    InitState(dc);
    dc->defaultBitmap = NewBitmap(1, 1, 0xFF000000u);
    dc->defaultBitmap->stock = true;
    RegisterDC(dc);
    dc->defaultBitmap->selectedIn = reinterpret_cast<HDC>(dc);
    dc->st.bitmap = H(dc->defaultBitmap);
    return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC hdc)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if (auto* b = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP))
        b->selectedIn = nullptr;
    for (auto& s : dc->saved)
        if (auto* b = ObjAs<BitmapObj>(s.bitmap, OBJ_BITMAP))
            if (b->selectedIn == hdc)
                b->selectedIn = nullptr;
    if (dc->defaultBitmap) {
        Unregister(dc->defaultBitmap);
        delete dc->defaultBitmap;
    }
    Unregister(dc);
    delete dc;
    return TRUE;
}

int SaveDC(HDC hdc)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->st);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int n)
{
    DCObj* dc = DC(hdc);
    if (!dc || dc->saved.empty())
        return FALSE;
    int count = int(dc->saved.size());
    int index = n < 0 ? count + n : n - 1;
    if (index < 0 || index >= count)
        return FALSE;
    HGDIOBJ curBmp = dc->st.bitmap;
    dc->st = dc->saved[index];
    dc->saved.resize(index);
    if (dc->memory && dc->st.bitmap != curBmp) {
        if (auto* b = ObjAs<BitmapObj>(curBmp, OBJ_BITMAP))
            b->selectedIn = nullptr;
        if (auto* b = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP))
            b->selectedIn = hdc;
        else
            dc->st.bitmap = H(dc->defaultBitmap);
    }
    return TRUE;
}

#define DC_SETTER(Name, Field, Type)           \
    Type Name(HDC hdc, Type v)                 \
    {                                          \
        DCObj* dc = DC(hdc);                   \
        if (!dc)                               \
            return Type(0);                    \
        Type old = dc->st.Field;               \
        dc->st.Field = v;                      \
        return old;                            \
    }
DC_SETTER(SetBkMode, bkMode, int)
DC_SETTER(SetROP2, rop2, int)
DC_SETTER(SetTextAlign, align, UINT)
DC_SETTER(SetTextCharacterExtra, charExtra, int)
#undef DC_SETTER

COLORREF SetBkColor(HDC hdc, COLORREF c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->st.bk;
    dc->st.bk = c & 0xFFFFFF;
    return old;
}

COLORREF SetTextColor(HDC hdc, COLORREF c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->st.text;
    dc->st.text = c & 0xFFFFFF;
    return old;
}

int GetBkMode(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.bkMode : 0; }
COLORREF GetBkColor(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.bk : CLR_INVALID; }
COLORREF GetTextColor(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.text : CLR_INVALID; }
int GetROP2(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.rop2 : 0; }
UINT GetTextAlign(HDC hdc) { DCObj* dc = DC(hdc); return dc ? dc->st.align : 0; }

BOOL SetTextJustification(HDC hdc, int extra, int count)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    dc->st.justExtra = count > 0 ? extra : 0;
    dc->st.justCount = count > 0 ? count : 0;
    return TRUE;
}

static BOOL SetPointField(HDC hdc, TPoint DCState::*field, int x, int y, POINT* old, bool offset)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if (old)
        *old = dc->st.*field;
    if (offset)
        dc->st.*field = {(dc->st.*field).X + x, (dc->st.*field).Y + y};
    else
        dc->st.*field = {x, y};
    return TRUE;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::windowOrg, x, y, p, false); }
BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::windowOrg, x, y, p, true); }
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::viewportOrg, x, y, p, false); }
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* p) { return SetPointField(hdc, &DCState::brushOrg, x, y, p, false); }

BOOL GetWindowOrgEx(HDC hdc, POINT* p)
{
    DCObj* dc = DC(hdc);
    if (!dc || !p)
        return FALSE;
    *p = dc->st.windowOrg;
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* p)
{
    DCObj* dc = DC(hdc);
    if (!dc || !p)
        return FALSE;
    *p = dc->st.viewportOrg;
    return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* pts, int c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    for (int i = 0; i < c; ++i)
        pts[i] = {DX(dc, pts[i].X), DY(dc, pts[i].Y)};
    return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* pts, int c)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    for (int i = 0; i < c; ++i)
        pts[i] = {pts[i].X + dc->st.windowOrg.X - dc->st.viewportOrg.X,
                  pts[i].Y + dc->st.windowOrg.Y - dc->st.viewportOrg.Y};
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    switch (index) {
    case LOGPIXELSX: case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case HORZRES: case VERTRES: {
        DCObj* dc = DC(hdc);
        QImage* img = dc ? Target(dc) : nullptr;
        if (!img)
            return 0;
        return index == HORZRES ? img->width() : img->height();
    }
    default: return 0;
    }
}

// ---- Regions and clipping -----------------------------------------------------------------------
HRGN CreateRectRgn(int x1, int y1, int x2, int y2)
{
    auto* r = Register(new RegionObj);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    r->region = QRegion(x1, y1, x2 - x1, y2 - y1);
    return H(r);
}

HRGN CreateRectRgnIndirect(const RECT* r)
{
    return r ? CreateRectRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr;
}

HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2)
{
    auto* r = Register(new RegionObj);
    r->region = QRegion(x1, y1, x2 - x1, y2 - y1, QRegion::Ellipse);
    return H(r);
}

HRGN CreatePolygonRgn(const POINT* pts, int n, int iMode)
{
    QPolygon poly;
    for (int i = 0; i < n; ++i)
        poly << QPoint(pts[i].X, pts[i].Y);
    auto* r = Register(new RegionObj);
    r->region = QRegion(poly, iMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    return H(r);
}

BOOL SetRectRgn(HRGN h, int l, int t, int r, int b)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return FALSE;
    o->region = QRegion(std::min(l, r), std::min(t, b), std::abs(r - l), std::abs(b - t));
    return TRUE;
}

static int RegionType(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int CombineRgn(HRGN dst, HRGN s1, HRGN s2, int mode)
{
    auto* d = ObjAs<RegionObj>(dst, OBJ_REGION);
    auto* a = ObjAs<RegionObj>(s1, OBJ_REGION);
    auto* b = ObjAs<RegionObj>(s2, OBJ_REGION);
    if (!d || !a || (mode != RGN_COPY && !b))
        return ERROR;
    switch (mode) {
    case RGN_AND: d->region = a->region & b->region; break;
    case RGN_OR: d->region = a->region | b->region; break;
    case RGN_XOR: d->region = a->region ^ b->region; break;
    case RGN_DIFF: d->region = a->region - b->region; break;
    case RGN_COPY: d->region = a->region; break;
    default: return ERROR;
    }
    return RegionType(d->region);
}

int OffsetRgn(HRGN h, int x, int y)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return ERROR;
    o->region.translate(x, y);
    return RegionType(o->region);
}

BOOL PtInRegion(HRGN h, int x, int y)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    return o && o->region.contains(QPoint(x, y));
}

BOOL RectInRegion(HRGN h, const RECT* r)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    return o && r && o->region.intersects(QRect(r->Left, r->Top, r->Width(), r->Height()));
}

BOOL EqualRgn(HRGN h1, HRGN h2)
{
    auto* a = ObjAs<RegionObj>(h1, OBJ_REGION);
    auto* b = ObjAs<RegionObj>(h2, OBJ_REGION);
    return a && b && a->region == b->region;
}

int GetRgnBox(HRGN h, RECT* r)
{
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o || !r)
        return ERROR;
    QRect b = o->region.boundingRect();
    *r = o->region.isEmpty() ? TRect{} : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return RegionType(o->region);
}

int SelectClipRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    if (!h) {
        dc->st.hasClip = false;
        dc->st.clip = QRegion();
        return SIMPLEREGION;
    }
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return ERROR;
    dc->st.hasClip = true;
    dc->st.clip = o->region;
    return RegionType(o->region);
}

int ExtSelectClipRgn(HDC hdc, HRGN h, int mode)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    if (mode == RGN_COPY || !h)
        return SelectClipRgn(hdc, h);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!o)
        return ERROR;
    QRegion cur = dc->st.hasClip ? dc->st.clip : QRegion(-100000, -100000, 200000, 200000);
    switch (mode) {
    case RGN_AND: cur &= o->region; break;
    case RGN_OR: cur |= o->region; break;
    case RGN_XOR: cur ^= o->region; break;
    case RGN_DIFF: cur -= o->region; break;
    default: return ERROR;
    }
    dc->st.hasClip = true;
    dc->st.clip = cur;
    return RegionType(cur);
}

static QRegion Unbounded() { return QRegion(-1000000, -1000000, 2000000, 2000000); }

int IntersectClipRect(HDC hdc, int l, int t, int r, int b)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    QRegion cur = dc->st.hasClip ? dc->st.clip : Unbounded();
    cur &= QRegion(DX(dc, l), DY(dc, t), std::max(0, r - l), std::max(0, b - t));
    dc->st.hasClip = true;
    dc->st.clip = cur;
    return RegionType(cur);
}

int ExcludeClipRect(HDC hdc, int l, int t, int r, int b)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return ERROR;
    QRegion cur = dc->st.hasClip ? dc->st.clip : Unbounded();
    cur -= QRegion(DX(dc, l), DY(dc, t), std::max(0, r - l), std::max(0, b - t));
    dc->st.hasClip = true;
    dc->st.clip = cur;
    return RegionType(cur);
}

int GetClipBox(HDC hdc, RECT* r)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return ERROR;
    QImage* img = Target(dc);
    if (!img)
        return ERROR;
    QRegion c = Clip(dc, *img);
    QRect b = c.boundingRect();
    int ox = dc->origin.X - dc->st.windowOrg.X + dc->st.viewportOrg.X;
    int oy = dc->origin.Y - dc->st.windowOrg.Y + dc->st.viewportOrg.Y;
    *r = c.isEmpty() ? TRect{} : TRect{b.left() - ox, b.top() - oy, b.left() + b.width() - ox, b.top() + b.height() - oy};
    return RegionType(c);
}

int GetClipRgn(HDC hdc, HRGN h)
{
    DCObj* dc = DC(hdc);
    auto* o = ObjAs<RegionObj>(h, OBJ_REGION);
    if (!dc || !o)
        return -1;
    if (!dc->st.hasClip)
        return 0;
    o->region = dc->st.clip;
    return 1;
}

BOOL RectVisible(HDC hdc, const RECT* r)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return FALSE;
    QImage* img = Target(dc);
    if (!img)
        return FALSE;
    return Clip(dc, *img).intersects(ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom));
}

BOOL PtVisible(HDC hdc, int x, int y)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    QImage* img = Target(dc);
    return img && Clip(dc, *img).contains(QPoint(IX(dc, x), IY(dc, y)));
}

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
        DrawLineImg(dc, s, IX(dc, dc->st.cur.X), IY(dc, dc->st.cur.Y), IX(dc, x), IY(dc, y), phase);
        Touched(dc);
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
        int phase = 0;
        for (int i = 1; i < n; ++i)
            DrawLineImg(dc, s, IX(dc, pts[i - 1].X), IY(dc, pts[i - 1].Y), IX(dc, pts[i].X), IY(dc, pts[i].Y), phase);
        Touched(dc);
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
        qb.setTransform(QTransform::fromTranslate(dc->st.brushOrg.X, dc->st.brushOrg.Y));
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
    for (int i = 0; i < n; ++i) {
        const POINT& a = pts[i];
        const POINT& b = pts[(i + 1) % n];
        DrawLineImg(dc, s, IX(dc, a.X), IY(dc, a.Y), IX(dc, b.X), IY(dc, b.Y), phase);
    }
    Touched(dc);
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
        FillImgRect(dc, s, QRect(ir.left(), ir.top(), ir.width() - 1, ir.height() - 1), br);
    } else if (pen.width <= 1 || pen.style == PS_INSIDEFRAME) {
        int w = pen.style == PS_INSIDEFRAME ? pen.width : 1;
        FillImgRect(dc, s, ir.adjusted(w, w, -w, -w), br);
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
        FillImgRect(dc, s, ir.adjusted(pen.width / 2, pen.width / 2, -pen.width / 2, -pen.width / 2), br);
        QPainter p(s.img);
        p.setClipRegion(s.clip);
        p.setCompositionMode(CompositionFor(dc->st.rop2));
        p.setPen(QPen(ToQColor(pen.color), pen.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(ir.left() + 0.5, ir.top() + 0.5, ir.width() - 1.0, ir.height() - 1.0).adjusted(
            (pen.width - 1) / 2.0, (pen.width - 1) / 2.0, -(pen.width - 1) / 2.0, -(pen.width - 1) / 2.0));
    }
    Touched(dc);
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
    Touched(dc);
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
    Touched(dc);
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

int FillRect(HDC hdc, const RECT* r, HBRUSH hbr)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r)
        return 0;
    Surface s = Prepare(dc);
    if (s.ok()) {
        FillImgRect(dc, s, ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom), BrushOf(hbr));
        Touched(dc);
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
    Touched(dc);
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
        Touched(dc);
    }
    return 1;
}

static void XorImgRect(const Surface& s, const QRect& r)
{
    for (const QRect& c : s.rects) {
        QRect a = r & c;
        for (int y = a.top(); y <= a.bottom() && !a.isEmpty(); ++y) {
            QRgb* p = Px(s.img, a.left(), y);
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
        XorImgRect(s, ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom));
        Touched(dc);
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
    Touched(dc);
    return TRUE;
}

// ---- Blits ----------------------------------------------------------------------------------------
static BOOL Blit(HDC hdc, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, DWORD rop,
                 bool transparent, COLORREF transColor)
{
    DCObj* dc = DC(hdc);
    if (!dc || w == 0 || h == 0)
        return dc != nullptr;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    bool useSrc = RopUsesSource(rop) || transparent;
    DCObj* src = nullptr;
    QImage srcCopy;
    BitmapObj* srcBmp = nullptr;
    int sox = 0, soy = 0;
    if (useSrc) {
        src = DC(hsrc);
        if (!src)
            return FALSE;
        QImage* si = Target(src);
        if (!si)
            return FALSE;
        if (src->memory)
            srcBmp = ObjAs<BitmapObj>(src->st.bitmap, OBJ_BITMAP);
        sox = IX(src, sx);
        soy = IY(src, sy);
        // Copy first so that a blit within one image reads the pixels as they were.
        QRect sr(sox, soy, std::abs(sw), std::abs(sh));
        srcCopy = si->copy(sr).convertToFormat(QImage::Format_RGB32);
        if (sw != w || sh != h)
            srcCopy = srcCopy.scaled(std::abs(w), std::abs(h), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    BrushInfo br = BrushOf(dc->st.brush);
    bool usePat = RopUsesPattern(rop);
    QRect dr = ImgRect(dc, x, y, x + w, y + h);
    int ox = dr.left(), oy = dr.top();
    QRgb transPix = ToPix(transColor) & 0xFFFFFF;
    for (const QRect& c : s.rects) {
        QRect a = dr & c;
        if (a.isEmpty())
            continue;
        for (int yy = a.top(); yy <= a.bottom(); ++yy) {
            QRgb* d = Px(s.img, 0, yy);
            for (int xx = a.left(); xx <= a.right(); ++xx) {
                QRgb sp = 0, pp = 0;
                if (useSrc) {
                    int cx = xx - ox, cy = yy - oy;
                    if (cx >= srcCopy.width() || cy >= srcCopy.height())
                        continue;
                    QRgb raw = reinterpret_cast<const QRgb*>(srcCopy.constScanLine(cy))[cx];
                    if (transparent && (raw & 0xFFFFFF) == transPix)
                        continue;
                    sp = SourcePixel(src, srcBmp, raw, dc);
                }
                if (usePat) {
                    bool draw;
                    pp = BrushPixel(dc, br, xx, yy, draw);
                    if (!draw)
                        pp = 0;
                }
                d[xx] = Rop3(rop, pp, sp, d[xx]);
            }
        }
    }
    // A colour source into a monochrome bitmap: background-coloured pixels become white.
    if (dc->memory) {
        auto* db = ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP);
        if (db && db->mono && src && !(srcBmp && srcBmp->mono)) {
            QRgb bkpix = ToPix(src->st.bk) & 0xFFFFFF;
            for (int yy = std::max(0, dr.top()); yy <= std::min(dr.bottom(), s.img->height() - 1); ++yy)
                for (int xx = std::max(0, dr.left()); xx <= std::min(dr.right(), s.img->width() - 1); ++xx) {
                    int cx = xx - ox, cy = yy - oy;
                    if (cx < 0 || cy < 0 || cx >= srcCopy.width() || cy >= srcCopy.height())
                        continue;
                    QRgb raw = reinterpret_cast<const QRgb*>(srcCopy.constScanLine(cy))[cx] & 0xFFFFFF;
                    if (rop == SRCCOPY)
                        *Px(s.img, xx, yy) = raw == bkpix ? 0xFFFFFFFFu : 0xFF000000u;
                }
        }
    }
    Touched(dc);
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    return Blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop, false, 0);
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                int wSrc, int hSrc, DWORD rop)
{
    return Blit(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop, false, 0);
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    return Blit(hdc, x, y, w, h, nullptr, 0, 0, w, h, rop, false, 0);
}

BOOL TransparentBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                    int wSrc, int hSrc, UINT crTransparent)
{
    return Blit(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, SRCCOPY, true,
                crTransparent);
}

// ---- Text -------------------------------------------------------------------------------------------
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm)
{
    DCObj* dc = DC(hdc);
    if (!dc || !tm)
        return FALSE;
    FontObj* f = FontOfDC(dc);
    tm->tmAscent = f->ascent;
    tm->tmDescent = f->descent;
    tm->tmHeight = f->ascent + f->descent;
    tm->tmInternalLeading = std::max(0, tm->tmHeight - f->emHeight);
    tm->tmExternalLeading = 0;
    tm->tmAveCharWidth = f->aveWidth;
    tm->tmMaxCharWidth = f->maxWidth;
    tm->tmWeight = f->lf.lfWeight;
    tm->tmItalic = f->lf.lfItalic;
    tm->tmUnderlined = f->lf.lfUnderline;
    tm->tmStruckOut = f->lf.lfStrikeOut;
    tm->tmPitchAndFamily = f->font.fixedPitch() ? 0 : 1;  // the system's bit means "variable"
    tm->tmCharSet = f->lf.lfCharSet;
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR s, int c, SIZE* sz)
{
    DCObj* dc = DC(hdc);
    if (!dc || !sz || c < 0)
        return FALSE;
    FontObj* f = FontOfDC(dc);
    QString q = ToQString(std::string(s, size_t(c)), f->lf.lfCharSet);
    sz->cx = TextWidthPx(f, q, dc->st.charExtra);
    if (dc->st.justCount > 0)
        sz->cx += dc->st.justExtra;
    sz->cy = f->ascent + f->descent;
    return TRUE;
}

namespace {

// Draws a run of text with its top-left cell corner at image point (x, y); returns its width.
int PaintText(DCObj* dc, Surface& s, int x, int y, const QString& q, FontObj* f, bool opaque, const QRect* clipTo,
              int underlineIndex)
{
    int width = TextWidthPx(f, q, dc->st.charExtra);
    int height = f->ascent + f->descent;
    QPainter p(s.img);
    QRegion clip = s.clip;
    if (clipTo)
        clip &= QRegion(*clipTo);
    p.setClipRegion(clip);
    if (opaque)
        p.fillRect(QRect(x, y, width, height), ToQColor(dc->st.bk));
    p.setFont(f->font);
    p.setPen(ToQColor(dc->st.text));
    if (dc->st.charExtra == 0) {
        p.drawText(QPointF(x, y + f->ascent), q);
    } else {
        QFontMetrics m(f->font);
        int cx = x;
        for (QChar ch : q) {
            p.drawText(QPointF(cx, y + f->ascent), QString(ch));
            cx += m.horizontalAdvance(ch) + dc->st.charExtra;
        }
    }
    if (underlineIndex >= 0 && underlineIndex < q.size()) {
        QFontMetrics m(f->font);
        int ux = x + m.horizontalAdvance(q.left(underlineIndex));
        int uw = m.horizontalAdvance(q.at(underlineIndex));
        p.fillRect(QRect(ux, y + f->ascent + 1, uw, 1), ToQColor(dc->st.text));
    }
    return width;
}

// Text output at a logical point under the context's alignment, justification and current position.
void TextOutImpl(DCObj* dc, int x, int y, const std::string& text, const RECT* opaqueRect, bool clipToRect,
                 const int* dx)
{
    FontObj* f = FontOfDC(dc);
    Surface s = Prepare(dc);
    QString q = ToQString(text, f->lf.lfCharSet);
    bool updateCP = dc->st.align & TA_UPDATECP;
    if (updateCP) {
        x = dc->st.cur.X;
        y = dc->st.cur.Y;
    }
    // Width with justification: the extra pixels go to the break characters (blanks).
    int breaks = 0;
    for (QChar c : q)
        if (c == QLatin1Char(' '))
            ++breaks;
    int extra = (dc->st.justCount > 0 && breaks > 0) ? dc->st.justExtra : 0;
    int width;
    if (dx) {
        width = 0;
        for (int i = 0; i < int(text.size()); ++i)
            width += dx[i];
    } else {
        width = TextWidthPx(f, q, dc->st.charExtra) + extra;
    }
    int h = f->ascent + f->descent;
    int left = x;
    UINT ha = dc->st.align & 6;
    if (ha == TA_RIGHT)
        left = x - width;
    else if (ha == TA_CENTER)
        left = x - width / 2;
    int top = y;
    UINT va = dc->st.align & 24;
    if (va == TA_BASELINE)
        top = y - f->ascent;
    else if (va == TA_BOTTOM)
        top = y - h;
    if (s.ok()) {
        QRect clipRect;
        const QRect* clipPtr = nullptr;
        if (opaqueRect) {
            QRect ir = ImgRect(dc, opaqueRect->Left, opaqueRect->Top, opaqueRect->Right, opaqueRect->Bottom);
            if (clipToRect) {
                clipRect = ir;
                clipPtr = &clipRect;
            }
        }
        int ix = IX(dc, left), iy = IY(dc, top);
        bool opaque = dc->st.bkMode == OPAQUE;
        if (dx) {
            int cx = ix;
            for (int i = 0; i < q.size() && i < int(text.size()); ++i) {
                PaintText(dc, s, cx, iy, QString(q.at(i)), f, opaque, clipPtr, -1);
                cx += dx[i];
            }
        } else if (extra == 0) {
            PaintText(dc, s, ix, iy, q, f, opaque, clipPtr, -1);
        } else {
            // Segment by segment, each blank followed by its share of the extra space.
            int q0 = extra / breaks, r = extra % breaks;
            int cx = ix, start = 0, seen = 0;
            for (int i = 0; i <= q.size(); ++i) {
                if (i == q.size() || q.at(i) == QLatin1Char(' ')) {
                    int end = i == q.size() ? i : i + 1;
                    QString seg = q.mid(start, end - start);
                    cx += PaintText(dc, s, cx, iy, seg, f, opaque, clipPtr, -1);
                    if (i < q.size()) {
                        int add = q0 + (seen < r ? 1 : 0);
                        if (opaque && add > 0) {
                            QPainter p(s.img);
                            p.setClipRegion(s.clip);
                            p.fillRect(QRect(cx, iy, add, h), ToQColor(dc->st.bk));
                        }
                        cx += add;
                        ++seen;
                    }
                    start = end;
                }
            }
        }
        Touched(dc);
    }
    if (updateCP) {
        if (ha == TA_RIGHT)
            dc->st.cur.X = x - width;
        else if (ha != TA_CENTER)
            dc->st.cur.X = x + width;
    }
}

}  // namespace

BOOL TextOut(HDC hdc, int x, int y, LPCSTR s, int c)
{
    DCObj* dc = DC(hdc);
    if (!dc || c < 0)
        return FALSE;
    TextOutImpl(dc, x, y, std::string(s, size_t(c)), nullptr, false, nullptr);
    return TRUE;
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* r, LPCSTR s, UINT c, const int* dx)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if ((options & ETO_OPAQUE) && r) {
        Surface sf = Prepare(dc);
        if (sf.ok()) {
            BrushInfo b;
            b.style = BS_SOLID;
            b.color = dc->st.bk;
            FillImgRect(dc, sf, ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom), b);
            Touched(dc);
        }
    }
    if (s && c > 0)
        TextOutImpl(dc, x, y, std::string(s, c), r, (options & ETO_CLIPPED) != 0, dx);
    return TRUE;
}

int DrawText(HDC hdc, LPCSTR text, int count, RECT* r, UINT fmt)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r || !text)
        return 0;
    std::string src = count < 0 ? std::string(text) : std::string(text, size_t(count));
    FontObj* f = FontOfDC(dc);
    QFontMetrics m(f->font);
    int lineHeight = f->ascent + f->descent;
    auto width = [&](const QString& s) { return m.horizontalAdvance(s); };

    int underline = -1;
    std::string plain = (fmt & DT_NOPREFIX) ? src : StripPrefix(src, underline);
    QString all = ToQString(plain, f->lf.lfCharSet);
    if (fmt & DT_EXPANDTABS) {
        int tab = ((fmt & DT_TABSTOP) ? ((fmt >> 8) & 0xFF) : 8) * std::max(1, f->aveWidth);
        QString out;
        for (QChar c : all) {
            if (c == QLatin1Char('\t')) {
                int w = width(out);
                int next = (w / tab + 1) * tab;
                while (width(out) < next)
                    out += QLatin1Char(' ');
            } else {
                out += c;
            }
        }
        all = out;
    }

    struct Line {
        QString text;
        int start;  // index into 'all' of its first character
    };
    std::vector<Line> lines;
    int boxWidth = r->Right - r->Left;
    auto addWrapped = [&](const QString& para, int base) {
        if (!(fmt & DT_WORDBREAK) || (fmt & DT_SINGLELINE)) {
            lines.push_back({para, base});
            return;
        }
        int i = 0;
        if (para.isEmpty())
            lines.push_back({para, base});
        while (i < para.size()) {
            // Longest prefix that fits, broken after a blank; a word wider than the box stands alone.
            int lastBreak = -1, j = i;
            while (j < para.size()) {
                // Blanks may hang past the edge; only visible characters must fit.
                if (para.at(j) == QLatin1Char(' '))
                    lastBreak = j;
                else if (width(para.mid(i, j - i + 1)) > boxWidth && j > i)
                    break;
                ++j;
            }
            int end;
            if (j >= para.size())
                end = para.size();
            else if (lastBreak >= i)
                end = lastBreak + 1;
            else {
                end = j;
                while (end < para.size() && para.at(end) != QLatin1Char(' '))
                    ++end;
                if (end < para.size())
                    ++end;
            }
            QString ln = para.mid(i, end - i);
            while (ln.endsWith(QLatin1Char(' ')))
                ln.chop(1);
            lines.push_back({ln, base + i});
            i = end;
        }
    };
    if (fmt & DT_SINGLELINE) {
        QString one = all;
        one.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines.push_back({one, 0});
    } else {
        int start = 0;
        for (int i = 0; i <= all.size(); ++i) {
            if (i == all.size() || all.at(i) == QLatin1Char('\r') || all.at(i) == QLatin1Char('\n')) {
                addWrapped(all.mid(start, i - start), start);
                if (i < all.size() && all.at(i) == QLatin1Char('\r') && i + 1 < all.size() &&
                    all.at(i + 1) == QLatin1Char('\n'))
                    ++i;
                start = i + 1;
                if (i == all.size())
                    break;
            }
        }
        if (!all.isEmpty() && (all.endsWith(QLatin1Char('\n')) || all.endsWith(QLatin1Char('\r'))))
            lines.pop_back();  // a final break opens no new line
    }
    if (fmt & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
        const QString dots = QStringLiteral("...");
        for (auto& ln : lines) {
            if (width(ln.text) <= boxWidth)
                continue;
            QString t = ln.text;
            while (!t.isEmpty() && width(t + dots) > boxWidth)
                t.chop(1);
            ln.text = t + dots;
        }
    }
    int maxW = 0;
    for (auto& ln : lines)
        maxW = std::max(maxW, width(ln.text));
    int total = lineHeight * int(lines.size());
    if (fmt & DT_CALCRECT) {
        r->Right = r->Left + maxW;
        r->Bottom = r->Top + total;
        return total;
    }
    int y = r->Top;
    if (fmt & DT_SINGLELINE) {
        if (fmt & DT_VCENTER)
            y = r->Top + (r->Bottom - r->Top - lineHeight) / 2;
        else if (fmt & DT_BOTTOM)
            y = r->Bottom - lineHeight;
    }
    Surface s = Prepare(dc);
    if (s.ok()) {
        QRect clipImg = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
        const QRect* clipPtr = (fmt & DT_NOCLIP) ? nullptr : &clipImg;
        bool opaque = dc->st.bkMode == OPAQUE;
        for (auto& ln : lines) {
            int w = width(ln.text);
            int x = r->Left;
            if (fmt & DT_CENTER)
                x = r->Left + (boxWidth - w) / 2;
            else if (fmt & DT_RIGHT)
                x = r->Right - w;
            int ul = -1;
            if (underline >= ln.start && underline < ln.start + ln.text.size())
                ul = underline - ln.start;
            PaintText(dc, s, IX(dc, x), IY(dc, y), ln.text, f, opaque, clipPtr, ul);
            y += lineHeight;
        }
        Touched(dc);
    }
    if (fmt & DT_SINGLELINE)
        return (fmt & (DT_VCENTER | DT_BOTTOM)) ? (y - r->Top) : lineHeight;
    return total;
}

// ---- Edges and frame controls ------------------------------------------------------------------------
namespace {
void HLine(HDC hdc, int x1, int x2, int y, COLORREF c)
{
    RECT r{x1, y, x2, y + 1};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(hdc, &r, b);
    DeleteObject(b);
}
void VLine(HDC hdc, int x, int y1, int y2, COLORREF c)
{
    RECT r{x, y1, x + 1, y2};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(hdc, &r, b);
    DeleteObject(b);
}
}  // namespace

BOOL DrawEdge(HDC hdc, RECT* qrc, UINT edge, UINT flags)
{
    if (!DC(hdc) || !qrc)
        return FALSE;
    RECT r = *qrc;
    auto drawRing = [&](COLORREF tl, COLORREF br) {
        if (r.Right - r.Left <= 0 || r.Bottom - r.Top <= 0)
            return;
        if (flags & BF_TOP)
            HLine(hdc, r.Left, r.Right - 1, r.Top, tl);
        if (flags & BF_LEFT)
            VLine(hdc, r.Left, r.Top, r.Bottom - 1, tl);
        if (flags & BF_BOTTOM)
            HLine(hdc, r.Left, r.Right, r.Bottom - 1, br);
        if (flags & BF_RIGHT)
            VLine(hdc, r.Right - 1, r.Top, r.Bottom - 1, br);
        if (flags & BF_LEFT)
            ++r.Left;
        if (flags & BF_TOP)
            ++r.Top;
        if (flags & BF_RIGHT)
            --r.Right;
        if (flags & BF_BOTTOM)
            --r.Bottom;
    };
    COLORREF light = GetSysColor(COLOR_3DLIGHT), hi = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
    if (flags & BF_MONO) {
        COLORREF f = GetSysColor(COLOR_WINDOWFRAME);
        if (edge & BDR_OUTER)
            drawRing(f, f);
        if (edge & BDR_INNER)
            drawRing(f, f);
    } else if (flags & BF_FLAT) {
        if (edge & BDR_OUTER)
            drawRing(shadow, shadow);
        if (edge & BDR_INNER)
            drawRing(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
    } else {
        if (edge & BDR_RAISEDOUTER)
            drawRing(light, dark);
        else if (edge & BDR_SUNKENOUTER)
            drawRing(shadow, hi);
        if (edge & BDR_RAISEDINNER)
            drawRing(hi, shadow);
        else if (edge & BDR_SUNKENINNER)
            drawRing(dark, light);
    }
    if (flags & BF_MIDDLE) {
        HBRUSH b = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        FillRect(hdc, &r, b);
        DeleteObject(b);
    }
    if (flags & BF_ADJUST)
        *qrc = r;
    return TRUE;
}

BOOL DrawFrameControl(HDC hdc, RECT* rc, UINT type, UINT state)
{
    DCObj* dc = DC(hdc);
    if (!dc || !rc)
        return FALSE;
    RECT r = *rc;
    bool pushed = state & DFCS_PUSHED;
    bool flat = state & DFCS_FLAT;
    if (type == DFC_BUTTON && (state & 0x1F) != DFCS_BUTTONPUSH) {
        // Check box or radio button: a sunken white square or circle with a mark when checked.
        RECT box = r;
        DrawEdge(hdc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (flat ? BF_FLAT : 0));
        HBRUSH b = CreateSolidBrush(GetSysColor((state & DFCS_INACTIVE) ? COLOR_BTNFACE : COLOR_WINDOW));
        FillRect(hdc, &box, b);
        DeleteObject(b);
        if (state & DFCS_CHECKED) {
            RECT mark{box.Left + 2, box.Top + 2, box.Right - 2, box.Bottom - 2};
            HBRUSH m = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
            FillRect(hdc, &mark, m);
            DeleteObject(m);
        }
        return TRUE;
    }
    if (type == DFC_BUTTON || type == DFC_SCROLL) {
        DrawEdge(hdc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED,
                 BF_RECT | BF_ADJUST | BF_MIDDLE | ((flat || pushed) && type == DFC_SCROLL ? BF_FLAT : 0));
    }
    if (type == DFC_SCROLL) {
        // Arrow glyph: a solid triangle centred in the face.
        int kind = state & 0xF;
        int w = r.Right - r.Left, h = r.Bottom - r.Top;
        // Rows of the triangle: its base takes about half the face across the arrow's direction,
        // and it never fills more than half the face along it (a 16-pixel button gets 7 x 4).
        bool vertical = kind == DFCS_SCROLLUP || kind == DFCS_SCROLLDOWN;
        int across = vertical ? w : h, along = vertical ? h : w;
        int size = std::max(2, std::min((across + 4) / 4, along / 2));
        int cx = r.Left + w / 2 + (pushed ? 1 : 0), cy = r.Top + h / 2 + (pushed ? 1 : 0);
        COLORREF c = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
        for (int i = 0; i < size; ++i) {
            switch (kind) {
            case DFCS_SCROLLUP: HLine(hdc, cx - i, cx + i + 1, cy - size / 2 + i, c); break;
            case DFCS_SCROLLDOWN: HLine(hdc, cx - i, cx + i + 1, cy + size / 2 - i, c); break;
            case DFCS_SCROLLLEFT: VLine(hdc, cx - size / 2 + i, cy - i, cy + i + 1, c); break;
            case DFCS_SCROLLRIGHT: VLine(hdc, cx + size / 2 - i, cy - i, cy + i + 1, c); break;
            default: break;
            }
        }
    }
    return TRUE;
}

COLORREF GetSysColor(int n)
{
    if (n < 0 || n > 30)
        return 0;
    return kSysColors[n];
}

HBRUSH GetSysColorBrush(int n)
{
    static HBRUSH brushes[31] = {};
    static COLORREF made[31] = {};
    if (n < 0 || n > 30)
        return nullptr;
    if (!brushes[n] || made[n] != kSysColors[n]) {
        brushes[n] = CreateSolidBrush(kSysColors[n]);
        made[n] = kSysColors[n];
        ObjAs<BrushObj>(brushes[n], OBJ_BRUSH)->stock = true;
    }
    return brushes[n];
}

void SetSysColorEntry(int Index, COLORREF Value)
{
    if (Index >= 0 && Index <= 30)
        kSysColors[Index] = Value & 0xFFFFFF;
}

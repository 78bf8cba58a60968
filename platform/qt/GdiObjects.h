// Shared by the drawing half of the toolkit backend: drawing objects and device contexts behind
// their handles, the handle registry, and the pixel-level helpers the drawing files call on one
// another. Internal to platform/qt/.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRawFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Backend.h"
#include "platform/Graphics.h"

namespace morvik::qtgdi {

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

// The glyphs of a font's code page: text of these characters is drawn as glyphs at their advances,
// without shaping it (the fonts have no kerning and full hinting, so advances simply add up, as the
// system's text output places them).
struct GlyphTable {
    QRawFont raw;
    int codePage = 1252;
    quint32 index[256] = {};
    qreal advance[256] = {};
    bool own[256] = {};  // the font has the character itself: no fallback font, no control code
    // The byte of a character when the font draws it itself; -1 otherwise.
    int ByteOf(char16_t c) const;
    // Shaping joins f with the character after it into a ligature.
    static bool Joins(char16_t Next) { return Next == u'f' || Next == u'i' || Next == u'l'; }
};

struct FontObj : GdiObj {
    explicit FontObj(const LOGFONT& l);
    LOGFONT lf;
    QFont font;
    QFontMetrics metrics;  // kept: making metrics for every measurement costs more than measuring
    int ascent = 0, descent = 0, emHeight = 0, aveWidth = 0, maxWidth = 0;
    // Built on first use; null when the font cannot be drawn as plain glyphs (underline, strike-out).
    const GlyphTable* Glyphs();

private:
    std::once_flag FGlyphsOnce;
    std::unique_ptr<GlyphTable> FGlyphs;
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

// A clip region laid out for point tests: its rectangles come in bands of equal top and bottom,
// left to right within a band, so a point is found by its band and then its span.
struct ClipIndex {
    explicit ClipIndex(const QRegion& region);
    std::vector<QRect> rects;
    struct Band {
        int top, bottom;         // inclusive
        size_t first, last;      // rects[first, last)
    };
    std::vector<Band> bands;
    bool contains(int x, int y) const { return find(x, y) != nullptr; }
    // The clip rectangle holding the point, null when outside.
    const QRect* find(int x, int y) const;
    QRect bounds;
};

struct Surface {
    QImage* img = nullptr;
    QRegion clip;
    std::shared_ptr<const ClipIndex> index;
    bool ok() const { return img && index && !index->rects.empty(); }
    const std::vector<QRect>& rects() const { return index->rects; }
    bool contains(int x, int y) const { return index->contains(x, y); }
    // Whether the whole rectangle lies inside one clip rectangle (nothing to clip).
    bool covers(const QRect& r) const
    {
        if (!index->bounds.contains(r))
            return false;
        for (const QRect& c : index->rects)
            if (c.contains(r))
                return true;
        return false;
    }
};

struct DCObj {
    QImage* image = nullptr;  // window image; memory contexts draw into the selected bitmap
    bool memory = false;
    HWND wnd = nullptr;
    bool shownAtEndPaint = false;  // BeginPaint's: EndPaint shows what it drew
    TPoint origin;
    bool hasSysClip = false;
    QRegion sysClip;  // image coordinates
    DCState st;
    std::vector<DCState> saved;
    BitmapObj* defaultBitmap = nullptr;
    // The clip worked out by the last drawing call and what it was worked out from; most calls
    // find it unchanged (Prepare).
    struct {
        const QImage* img = nullptr;
        QSize size;
        bool hasSys = false, hasClip = false;
        QRegion sys, clip;
        TPoint origin;
        Surface surface;
    } cache;
};

// ---- Handle registry (GdiObjects.cpp) ------------------------------------------------------
GdiObj* Register(GdiObj* o);
template <class T>
T* Register(T* o)
{
    Register(static_cast<GdiObj*>(o));
    return o;
}
DCObj* RegisterDC(DCObj* d);
bool Alive(const void* p);
bool AliveDC(const void* p);
void Unregister(const void* p);
inline GdiObj* Obj(HGDIOBJ h) { return Alive(h) ? reinterpret_cast<GdiObj*>(h) : nullptr; }
template <class T>
T* ObjAs(HGDIOBJ h, DWORD kind)
{
    GdiObj* o = Obj(h);
    return (o && o->kind == kind) ? static_cast<T*>(o) : nullptr;
}
inline DCObj* DC(HDC h) { return AliveDC(h) ? reinterpret_cast<DCObj*>(h) : nullptr; }
inline HGDIOBJ H(GdiObj* o) { return reinterpret_cast<HGDIOBJ>(o); }

inline COLORREF kSysColors[31] = {
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

// A brush handle may also be a system colour index + 1.
struct BrushInfo {
    UINT style = BS_NULL;
    COLORREF color = 0;
    int hatch = 0;
    const QImage* pattern = nullptr;
};
BrushInfo BrushOf(HBRUSH h);
HGDIOBJ Stock(int i);
BitmapObj* NewBitmap(int w, int h, QRgb fill);
void InitState(DCObj* dc);

// ---- Fonts (Fonts.cpp) ---------------------------------------------------------------------
LOGFONT DefaultLogFont(int height, const char* face);
FontObj* FontOfDC(DCObj* dc);
int TextWidthPx(FontObj* f, const QString& s, int charExtra);
// The width of each prefix of s, up to and with character i, into Ends[i]; the last is TextWidthPx's.
void TextEndsPx(FontObj* f, const QString& s, int charExtra, int* Ends);

// ---- Device contexts (DeviceContexts.cpp) --------------------------------------------------
QImage* Target(DCObj* dc);

// Logical to image coordinates.
inline int IX(DCObj* dc, int x) { return x - dc->st.windowOrg.X + dc->st.viewportOrg.X + dc->origin.X; }
inline int IY(DCObj* dc, int y) { return y - dc->st.windowOrg.Y + dc->st.viewportOrg.Y + dc->origin.Y; }
inline int DX(DCObj* dc, int x) { return x - dc->st.windowOrg.X + dc->st.viewportOrg.X; }
inline int DY(DCObj* dc, int y) { return y - dc->st.windowOrg.Y + dc->st.viewportOrg.Y; }
// The region drawing may touch, in image coordinates.
QRegion Clip(DCObj* dc, const QImage& img);

Surface Prepare(DCObj* dc);
// Drawing through a window's context shows on screen: the image rectangle touched (a null rectangle:
// all the context may reach) is repainted.
void Touched(DCObj* dc, const QRect& imgRect);
inline QRgb* Px(QImage* img, int x, int y) { return reinterpret_cast<QRgb*>(img->scanLine(y)) + x; }
// A rectangle of pixels from first set to v, rows stride pixels apart.
void FillPixelRect(QRgb* first, qsizetype stride, int width, int height, QRgb v);
// Rows of an image reached without the per-row detach check of QImage::scanLine.
struct Rows {
    explicit Rows(QImage* img)
        : base(reinterpret_cast<QRgb*>(img->bits())), stride(img->bytesPerLine() / qsizetype(sizeof(QRgb)))
    {
    }
    QRgb* at(int x, int y) const { return base + y * stride + x; }
    QRgb* base;
    qsizetype stride;
};
// The box a line from (x0, y0) to (x1, y1) in image coordinates can touch with the context's pen.
QRect LineBox(DCObj* dc, int x0, int y0, int x1, int y1);
QRect ImgRect(DCObj* dc, int l, int t, int r, int b);

// ---- Lines (Lines.cpp) ---------------------------------------------------------------------
struct PenInfo {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};
PenInfo PenOf(DCObj* dc);
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

// A figure drawn under a binary raster operation other than a copy goes through a layer: drawn
// first as a copy would draw it, then each pixel the copy covered takes the operation once, with
// the colour the copy put there (where a figure's inside and outline meet, or a wide pen's segments
// overlap, a pixel would otherwise take it twice). A copy draws straight onto the surface. While the
// layer lives the context draws into Into(), with the image coordinates IX and IY give then; Reach
// (image coordinates) holds all the figure may touch.
class RopLayer {
public:
    RopLayer(DCObj* dc, const Surface& s, const QRect& Reach);
    ~RopLayer();
    RopLayer(const RopLayer&) = delete;
    RopLayer& operator=(const RopLayer&) = delete;
    Surface& Into() { return FInto; }

private:
    DCObj* FDc;
    const Surface& FSurface;
    int FRop;
    QRect FBox;
    QImage FImage;
    Surface FInto;
};
// The on/off runs of a styled cosmetic pen, in pixels; empty for a solid one.
const std::vector<int>& DashPattern(int style);
void RawLine(DCObj* dc, const Surface& s, int x0, int y0, int x1, int y1, const PenInfo& pen, int& phase);
void DrawLineImg(DCObj* dc, Surface& s, int x0, int y0, int x1, int y1, int& phase);
// The same with the pen looked up once by the caller, for the many segments of one figure.
void DrawLineImg(DCObj* dc, Surface& s, int x0, int y0, int x1, int y1, const PenInfo& pen, int& phase);

// ---- Fills (Shapes.cpp) --------------------------------------------------------------------
QRgb BrushPixel(DCObj* dc, const BrushInfo& b, int ix, int iy, bool& draw);
void FillImgRect(DCObj* dc, const Surface& s, QRect r, const BrushInfo& b);

}  // namespace morvik::qtgdi

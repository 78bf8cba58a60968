// Block transfers between device contexts: ternary raster operations, monochrome conversions,
// stretching and transparent copies.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

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

}  // namespace morvik::qtgdi

// ---- Blits ----------------------------------------------------------------------------------------
// A plain copy between two colour images: whole rows at a time, per clip rectangle. False when the
// copy needs the general path (monochrome ends, a source partly outside its image, one image).
static bool CopyBlit(DCObj* dc, const Surface& s, int x, int y, int w, int h, HDC hsrc, int sx, int sy)
{
    DCObj* src = DC(hsrc);
    if (!src)
        return false;
    QImage* si = Target(src);
    if (!si || si->format() != QImage::Format_RGB32)
        return false;
    auto monoBitmap = [](DCObj* d) {
        auto* b = d->memory ? ObjAs<BitmapObj>(d->st.bitmap, OBJ_BITMAP) : nullptr;
        return b && b->mono;
    };
    if (monoBitmap(src) || monoBitmap(dc))
        return false;
    QRect sr(IX(src, sx), IY(src, sy), w, h);
    if (!si->rect().contains(sr))
        return false;
    QRect dr = ImgRect(dc, x, y, x + w, y + h);
    // Within one image the rows are read before they are written: bottom up when moving down, and
    // memmove within a row.
    bool same = si == s.img;
    if (same && s.rects().size() != 1)
        return false;
    Rows to(s.img);
    const QRgb* fromBase = reinterpret_cast<const QRgb*>(si->constBits());
    qsizetype fromStride = si->bytesPerLine() / qsizetype(sizeof(QRgb));
    bool upward = same && dr.top() > sr.top();
    for (const QRect& c : s.rects()) {
        QRect a = dr & c;
        if (a.isEmpty())
            continue;
        size_t bytes = size_t(a.width()) * sizeof(QRgb);
        for (int k = 0; k < a.height(); ++k) {
            int yy = upward ? a.bottom() - k : a.top() + k;
            const QRgb* from = fromBase + (sr.top() + yy - dr.top()) * fromStride + (sr.left() + a.left() - dr.left());
            std::memmove(to.at(a.left(), yy), from, bytes);
        }
    }
    Touched(dc, dr);
    return true;
}

static bool MonoTarget(DCObj* dc)
{
    auto* b = dc->memory ? ObjAs<BitmapObj>(dc->st.bitmap, OBJ_BITMAP) : nullptr;
    return b && b->mono;
}

// The common operations on colour images, a row at a time with the operation chosen once; false
// for the rest, which take the general path. The source (when used) starts at the rectangle's
// corner; the pattern is one solid colour.
static bool RowBlit(const Surface& s, const QRect& dr, DWORD rop, const QImage* src, QRgb pat)
{
    auto run = [&](auto op) {
        Rows rows(s.img);
        for (const QRect& c : s.rects()) {
            QRect a = dr & c;
            if (a.isEmpty())
                continue;
            for (int yy = a.top(); yy <= a.bottom(); ++yy) {
                QRgb* d = rows.at(a.left(), yy);
                const QRgb* sp = nullptr;
                if (src) {
                    int cy = yy - dr.top();
                    if (cy >= src->height())
                        continue;
                    sp = reinterpret_cast<const QRgb*>(src->constScanLine(cy)) + (a.left() - dr.left());
                }
                int n = a.width();
                if (src)
                    n = std::min(n, src->width() - (a.left() - dr.left()));
                for (int i = 0; i < n; ++i)
                    d[i] = op(d[i], sp ? sp[i] : 0) | 0xFF000000u;
            }
        }
    };
    switch (rop) {
    case DSTINVERT: run([](QRgb d, QRgb) { return ~d; }); return true;
    case BLACKNESS: run([](QRgb, QRgb) { return QRgb(0); }); return true;
    case WHITENESS: run([](QRgb, QRgb) { return QRgb(0xFFFFFF); }); return true;
    case PATCOPY: run([pat](QRgb, QRgb) { return pat; }); return true;
    case PATINVERT: run([pat](QRgb d, QRgb) { return d ^ pat; }); return true;
    default: break;
    }
    if (!src || src->format() != QImage::Format_RGB32)
        return false;
    switch (rop) {
    case SRCCOPY: run([](QRgb, QRgb sp) { return sp; }); return true;
    case SRCINVERT: run([](QRgb d, QRgb sp) { return d ^ sp; }); return true;
    case SRCAND: run([](QRgb d, QRgb sp) { return d & sp; }); return true;
    case SRCPAINT: run([](QRgb d, QRgb sp) { return d | sp; }); return true;
    case NOTSRCCOPY: run([](QRgb, QRgb sp) { return ~sp; }); return true;
    default: return false;
    }
}

// A mask for MaskBlt: where its pixel is white the foreground operation applies, elsewhere the
// background one.
struct BlitMask {
    const QImage* image = nullptr;
    int x = 0, y = 0;  // the mask pixel under the destination's first pixel
    DWORD backRop = 0;
};

static BOOL Blit(HDC hdc, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh, DWORD rop,
                 bool transparent, COLORREF transColor, const BlitMask& mask = {})
{
    DCObj* dc = DC(hdc);
    if (!dc || w == 0 || h == 0)
        return dc != nullptr;
    Surface s = Prepare(dc);
    if (!s.ok())
        return TRUE;
    bool useSrc = RopUsesSource(rop) || transparent || (mask.image && RopUsesSource(mask.backRop));
    if (rop == SRCCOPY && !mask.image && !transparent && sw == w && sh == h && w > 0 && h > 0 &&
        CopyBlit(dc, s, x, y, w, h, hsrc, sx, sy))
        return TRUE;
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
        QRect sr(sox, soy, std::abs(sw), std::abs(sh));
        if (si != s.img && si->format() == QImage::Format_RGB32 && si->rect().contains(sr) && sw == w && sh == h) {
            // Another image, read where it lies.
            srcCopy = QImage(si->constScanLine(sr.top()) + sr.left() * int(sizeof(QRgb)), sr.width(), sr.height(),
                             si->bytesPerLine(), QImage::Format_RGB32);
        } else {
            // Copied first, so that a blit within one image reads the pixels as they were.
            srcCopy = si->copy(sr).convertToFormat(QImage::Format_RGB32);
        }
        if (sw != w || sh != h)
            srcCopy = srcCopy.scaled(std::abs(w), std::abs(h), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    BrushInfo br = BrushOf(dc->st.brush);
    bool usePat = RopUsesPattern(rop) || (mask.image && RopUsesPattern(mask.backRop));
    QRect dr = ImgRect(dc, x, y, x + w, y + h);
    int ox = dr.left(), oy = dr.top();
    if (!mask.image && !transparent && !(srcBmp && srcBmp->mono) && !MonoTarget(dc) &&
        (!usePat || br.style == BS_SOLID || br.style == BS_NULL) &&
        RowBlit(s, dr, rop, useSrc ? &srcCopy : nullptr, br.style == BS_SOLID ? ToPix(br.color) : 0)) {
        Touched(dc, dr);
        return TRUE;
    }
    QRgb transPix = ToPix(transColor) & 0xFFFFFF;
    for (const QRect& c : s.rects()) {
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
                DWORD op = rop;
                if (mask.image) {
                    int mx = mask.x + xx - ox, my = mask.y + yy - oy;
                    bool fore = mx >= 0 && my >= 0 && mx < mask.image->width() && my < mask.image->height() &&
                                (mask.image->pixel(mx, my) & 0xFFFFFF) != 0;
                    op = fore ? rop : mask.backRop;
                }
                if (usePat) {
                    bool draw;
                    pp = BrushPixel(dc, br, xx, yy, draw);
                    // A transparent hatch's gaps are no pattern: what reads the pattern leaves them,
                    // as a fill with the brush does.
                    if (!draw && br.style == BS_HATCHED && RopUsesPattern(op))
                        continue;
                    if (!draw)
                        pp = 0;
                }
                d[xx] = Rop3(op, pp, sp, d[xx]);
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
    Touched(dc, dr);
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

BOOL MaskBlt(HDC hdcDest, int xDest, int yDest, int width, int height, HDC hdcSrc, int xSrc, int ySrc, HBITMAP hbmMask,
             int xMask, int yMask, DWORD rop)
{
    // The high byte of the code is the background operation's, the rest the foreground's.
    DWORD fore = rop & 0x00FFFFFF;
    DWORD back = ((rop >> 8) & 0x00FF0000) | (fore & 0xFFFF);
    const QImage* m = hbmMask ? BitmapImage(hbmMask) : nullptr;
    if (hbmMask && (!m || m->isNull()))
        return FALSE;
    BlitMask mask{m, xMask, yMask, back};
    return Blit(hdcDest, xDest, yDest, width, height, hdcSrc, xSrc, ySrc, width, height, fore, false, 0, mask);
}

// Pixel rows of bitmaps and regions from rectangle lists.
#include <QImage>
#include <QRegion>

#include <cstring>
#include <vector>

#include "platform/Backend.h"
#include "platform/WinGdiMore.h"

using namespace morvik::backend;

namespace {

// Whether the header describes the whole image in the one format offered, and in which row order.
bool DibShape(const BITMAPINFO* bmi, const QImage* img, bool& topDown)
{
    if (!bmi || !img || bmi->bmiHeader.biBitCount != 32 || bmi->bmiHeader.biCompression != BI_RGB)
        return false;
    if (bmi->bmiHeader.biWidth != img->width())
        return false;
    LONG h = bmi->bmiHeader.biHeight;
    topDown = h < 0;
    return (topDown ? -h : h) == img->height();
}

}  // namespace

int GetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, void* lpvBits, BITMAPINFO* lpbmi, UINT)
{
    QImage* img = BitmapImage(hbm);
    if (!img || !lpbmi)
        return 0;
    if (!lpvBits) {
        lpbmi->bmiHeader.biWidth = img->width();
        lpbmi->bmiHeader.biHeight = img->height();
        lpbmi->bmiHeader.biPlanes = 1;
        lpbmi->bmiHeader.biBitCount = 32;
        lpbmi->bmiHeader.biCompression = BI_RGB;
        lpbmi->bmiHeader.biSizeImage = DWORD(img->width()) * DWORD(img->height()) * 4;
        return img->height() > 0 ? 1 : 0;
    }
    bool topDown = false;
    if (!DibShape(lpbmi, img, topDown))
        return 0;
    const int h = img->height(), w = img->width();
    int copied = 0;
    auto* out = static_cast<Byte*>(lpvBits);
    for (UINT i = 0; i < cLines && int(start + i) < h; ++i, ++copied) {
        int dibRow = int(start + i);
        int y = topDown ? dibRow : h - 1 - dibRow;
        std::memcpy(out + size_t(i) * size_t(w) * 4, img->constScanLine(y), size_t(w) * 4);
    }
    return copied;
}

int SetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi, UINT)
{
    QImage* img = BitmapImage(hbm);
    bool topDown = false;
    if (!lpBits || !DibShape(lpbmi, img, topDown))
        return 0;
    const int h = img->height(), w = img->width();
    int copied = 0;
    const auto* in = static_cast<const Byte*>(lpBits);
    for (UINT i = 0; i < cLines && int(start + i) < h; ++i, ++copied) {
        int dibRow = int(start + i);
        int y = topDown ? dibRow : h - 1 - dibRow;
        auto* line = reinterpret_cast<QRgb*>(img->scanLine(y));
        std::memcpy(line, in + size_t(i) * size_t(w) * 4, size_t(w) * 4);
        for (int x = 0; x < w; ++x)
            line[x] |= 0xFF000000u;
    }
    return copied;
}

HRGN ExtCreateRegion(const void* lpx, DWORD nCount, const RGNDATA* lpData)
{
    if (lpx || !lpData || lpData->rdh.iType != RDH_RECTANGLES || lpData->rdh.nCount < nCount)
        return nullptr;
    const auto* rects = reinterpret_cast<const RECT*>(lpData->Buffer);
    std::vector<QRect> qr;
    qr.reserve(nCount);
    for (DWORD i = 0; i < nCount; ++i)
        if (rects[i].Right > rects[i].Left && rects[i].Bottom > rects[i].Top)
            qr.emplace_back(rects[i].Left, rects[i].Top, rects[i].Width(), rects[i].Height());
    // Banded lists (sorted by top then left, one height per band, no overlaps or touching
    // neighbours) go in as they are, in one step; anything else is joined rectangle by rectangle.
    bool banded = true;
    for (size_t i = 1; i < qr.size() && banded; ++i) {
        const QRect& a = qr[i - 1];
        const QRect& b = qr[i];
        if (a.top() == b.top())
            banded = a.height() == b.height() && b.left() > a.right() + 1;
        else
            banded = b.top() > a.bottom();
    }
    QRegion region;
    if (banded)
        region.setRects(qr.data(), int(qr.size()));
    else
        for (const QRect& r : qr)
            region += r;
    return CreateRegionFromQt(region);
}

// Map modes and alpha blending, written over the drawing calls of WinGdi.h.
#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/Libraries.h"
#include "platform/WinGdiMore.h"

int GetMapMode(HDC hdc)
{
    // A context that answers for its background mode is a live one.
    return GetBkMode(hdc) != 0 ? MM_TEXT : 0;
}

int SetMapMode(HDC hdc, int iMode)
{
    int old = GetMapMode(hdc);
    if (old == 0 || iMode != MM_TEXT)
        return 0;
    return old;
}

namespace {

// The pixels of a w x h area of a context, top row first, read through a scratch bitmap.
struct Pixels {
    HDC mem = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    std::vector<RGBQUAD> px;
    BITMAPINFO info;
    Pixels(int w, int h)
    {
        mem = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(mem, w, h);
        old = SelectObject(mem, bmp);
        px.resize(size_t(w) * size_t(h));
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
    }
    ~Pixels()
    {
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    void Read() { GetDIBits(mem, bmp, 0, UINT(-info.bmiHeader.biHeight), px.data(), &info, DIB_RGB_COLORS); }
    void Write() { SetDIBits(mem, bmp, 0, UINT(-info.bmiHeader.biHeight), px.data(), &info, DIB_RGB_COLORS); }
};

inline BYTE Mix(int s, int d, int a) { return BYTE((s * a + d * (255 - a) + 127) / 255); }

}  // namespace

BOOL GdiAlphaBlend(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                   int wSrc, int hSrc, BLENDFUNCTION ftn)
{
    if (wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0 || ftn.BlendOp != AC_SRC_OVER ||
        GetMapMode(hdcDest) == 0 || GetMapMode(hdcSrc) == 0)
        return FALSE;
    Pixels dst(wDest, hDest), src(wDest, hDest);
    BitBlt(dst.mem, 0, 0, wDest, hDest, hdcDest, xDest, yDest, SRCCOPY);
    StretchBlt(src.mem, 0, 0, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, SRCCOPY);
    dst.Read();
    src.Read();
    const int ca = ftn.SourceConstantAlpha;
    const bool perPixel = (ftn.AlphaFormat & AC_SRC_ALPHA) != 0;
    for (size_t i = 0; i < dst.px.size(); ++i) {
        RGBQUAD& d = dst.px[i];
        const RGBQUAD& s = src.px[i];
        if (perPixel) {
            // Premultiplied source: scale it by the constant alpha, then cover by its own alpha.
            int a = s.rgbReserved * ca / 255;
            auto over = [&](int sc, int dc) { return BYTE(std::min(255, sc * ca / 255 + dc * (255 - a) / 255)); };
            d.rgbRed = over(s.rgbRed, d.rgbRed);
            d.rgbGreen = over(s.rgbGreen, d.rgbGreen);
            d.rgbBlue = over(s.rgbBlue, d.rgbBlue);
        } else {
            d.rgbRed = Mix(s.rgbRed, d.rgbRed, ca);
            d.rgbGreen = Mix(s.rgbGreen, d.rgbGreen, ca);
            d.rgbBlue = Mix(s.rgbBlue, d.rgbBlue, ca);
        }
    }
    dst.Write();
    BitBlt(hdcDest, xDest, yDest, wDest, hDest, dst.mem, 0, 0, SRCCOPY);
    return TRUE;
}

namespace morvik::backend {
const TLibraryExports* ImageLibrary()
{
    static const TLibraryExport entries[] = {
        {"AlphaBlend", reinterpret_cast<FARPROC>(&GdiAlphaBlend)},
        {"TransparentBlt", reinterpret_cast<FARPROC>(&TransparentBlt)},
    };
    static const TLibraryExports exports{entries, int(std::size(entries))};
    return &exports;
}
}  // namespace morvik::backend

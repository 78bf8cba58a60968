// A scratch bitmap in a memory context, for the drawing helpers' off-screen steps.
#pragma once

#include <vector>

#include "platform/WinGdiMore.h"

// The part of R (logical coordinates of DC) that DC can show: inside its surface and its clip.
// False when nothing of R shows; R itself when the context cannot tell.
inline bool VisiblePart(HDC DC, const TRect& R, TRect& Out)
{
    RECT clip;
    if (GetClipBox(DC, &clip) == ERROR) {
        Out = R;
        return !IsRectEmpty(R);
    }
    return IntersectRect(Out, R, clip) != FALSE;
}

// A memory context holding a new bitmap of w x h for the life of the object.
class ScratchBitmap {
public:
    ScratchBitmap(HDC Compatible, int w, int h, bool Mono = false)
        : DC(CreateCompatibleDC(Compatible)),
          Bmp(Mono ? CreateBitmap(w, h, 1, 1, nullptr) : CreateCompatibleBitmap(Compatible, w, h)),
          FOld(SelectObject(DC, Bmp)), FW(w), FH(h)
    {
    }
    ~ScratchBitmap()
    {
        SelectObject(DC, FOld);
        DeleteObject(Bmp);
        DeleteDC(DC);
    }
    ScratchBitmap(const ScratchBitmap&) = delete;
    ScratchBitmap& operator=(const ScratchBitmap&) = delete;

    // The pixels, top row first.
    std::vector<RGBQUAD> Read()
    {
        std::vector<RGBQUAD> px(size_t(FW) * size_t(FH));
        BITMAPINFO info = Info();
        GetDIBits(DC, Bmp, 0, UINT(FH), px.data(), &info, DIB_RGB_COLORS);
        return px;
    }
    void Write(const std::vector<RGBQUAD>& px)
    {
        BITMAPINFO info = Info();
        SetDIBits(DC, Bmp, 0, UINT(FH), px.data(), &info, DIB_RGB_COLORS);
    }

    HDC DC;
    HBITMAP Bmp;

private:
    BITMAPINFO Info() const
    {
        BITMAPINFO info;
        info.bmiHeader.biWidth = FW;
        info.bmiHeader.biHeight = -FH;
        return info;
    }
    HGDIOBJ FOld;
    int FW, FH;
};

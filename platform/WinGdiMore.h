// Further drawing and window calls: map modes, device-independent pixel rows, alpha blending,
// regions from rectangle lists, window regions, window placement and the desktop's geometry.
#pragma once

#include "platform/Windows.h"

// Map modes. Drawing here is in pixels: only MM_TEXT (one logical unit is one pixel, y down) is
// offered; asking for another mode fails and leaves the context as it was.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;
// The previous mode; 0 for an invalid context or a mode that is not offered.
int SetMapMode(HDC hdc, int iMode);
int GetMapMode(HDC hdc);  // 0 for an invalid context

// Pixel rows of bitmaps, 32 bits per pixel (blue, green, red, reserved) only. A positive height
// in the header means bottom-up rows, a negative one top-down rows.
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0;
    WORD biPlanes = 1;
    WORD biBitCount = 32;
    DWORD biCompression = BI_RGB;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
// Rows start .. start + cLines - 1 (counted in the header's row order) of hbm into lpvBits; with
// lpvBits null only the header is filled in (size, 32 bits). Returns the rows copied, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, void* lpvBits, BITMAPINFO* lpbmi, UINT usage);
int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi,
              UINT ColorUse);

// Alpha blending (the system's image library exports it as AlphaBlend).
constexpr BYTE AC_SRC_OVER = 0;
constexpr BYTE AC_SRC_ALPHA = 1;
struct BLENDFUNCTION {
    BYTE BlendOp = AC_SRC_OVER;
    BYTE BlendFlags = 0;
    BYTE SourceConstantAlpha = 255;
    BYTE AlphaFormat = 0;  // AC_SRC_ALPHA: the source carries premultiplied alpha per pixel
};
BOOL GdiAlphaBlend(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                   int wSrc, int hSrc, BLENDFUNCTION ftn);

// A region from a list of rectangles (transformations are not offered: lpx must be null).
constexpr DWORD RDH_RECTANGLES = 1;
struct RGNDATAHEADER {
    DWORD dwSize = sizeof(RGNDATAHEADER);
    DWORD iType = RDH_RECTANGLES;
    DWORD nCount = 0;
    DWORD nRgnSize = 0;
    RECT rcBound;
};
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];  // nCount RECTs follow the header
};
HRGN ExtCreateRegion(const void* lpx, DWORD nCount, const RGNDATA* lpData);

// A copy of the window's region into hRgn (window coordinates); ERROR when it has none.
int GetWindowRgn(HWND hWnd, HRGN hRgn);

// Window placement: the restored rectangle (in the parent's client coordinates, or the work
// area's for top-level windows), the state and the minimised and maximised positions.
constexpr UINT WPF_SETMINPOSITION = 0x0001;
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;
struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    POINT ptMinPosition{-1, -1};
    POINT ptMaxPosition{-1, -1};
    RECT rcNormalPosition;
};
BOOL GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* lpwndpl);
// length must be sizeof(WINDOWPLACEMENT).
BOOL SetWindowPlacement(HWND hWnd, const WINDOWPLACEMENT* lpwndpl);
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr WPARAM SC_RESTORE = 0xF120;

// The desktop as the toolkit's screens describe it (screen coordinates): the box around all
// screens, and the primary screen's area less the panels the desktop keeps for itself.
TRect VirtualScreenRect();
TRect WorkAreaRect();

// DrawText for UTF-16 text.
int DrawTextW(HDC hdc, const char16_t* lpchText, int cchText, RECT* lprc, UINT format);

// Hit-test codes of the sizing borders (WM_NCHITTEST).
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;

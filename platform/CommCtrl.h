// Image lists of the common controls: equal-sized images with masks, drawn normal, transparent,
// blended or as their mask, and the drag image shown above every window while something is dragged.
#pragma once

#include "platform/Windows.h"

struct IMAGELIST__;
using HIMAGELIST = IMAGELIST__*;

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR32 = 0x0020;
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;
// ImageList_DrawEx styles.
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_SELECTED = ILD_BLEND50;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
BOOL ImageList_Destroy(HIMAGELIST himl);
int ImageList_GetImageCount(HIMAGELIST himl);
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// A bitmap as wide as several images adds them all; the result is the first new index, -1 on failure.
// Mask pixels that are white, or image pixels of the mask colour, are transparent.
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask);
// Puts a new image (and mask, as for ImageList_Add) in place of image i; the others keep their index.
BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP hbmImage, HBITMAP hbmMask);
BOOL ImageList_Remove(HIMAGELIST himl, int i);  // -1 removes all
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
// rgbBk: the colour behind the image (CLR_DEFAULT the list's, CLR_NONE none); rgbFg: the colour a
// blended image is mixed with (CLR_DEFAULT the highlight colour). dx, dy 0: the whole image.
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, int dx, int dy, COLORREF rgbBk,
                      COLORREF rgbFg, UINT fStyle);
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);

// Dragging: BeginDrag takes the image and its hot spot; DragEnter shows it over hwndLock at (x, y)
// in that window's coordinates (its whole window rectangle), DragMove moves it, DragShowNolock
// hides and shows it, DragLeave takes it away and EndDrag ends the drag.
BOOL ImageList_BeginDrag(HIMAGELIST himlTrack, int iTrack, int dxHotspot, int dyHotspot);
void ImageList_EndDrag();
BOOL ImageList_DragEnter(HWND hwndLock, int x, int y);
BOOL ImageList_DragLeave(HWND hwndLock);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragShowNolock(BOOL fShow);

// Paints a background picture or colour into part of a device context, so that one large image
// lines up across several child areas and scrolls with the content. Gradients are the caller's
// (GradientFill, GradientFillEx).
#pragma once

#include "ctlbase/Exvclutils.h"

class TBitmap;

// Rect is in the context's coordinates; Rect moved by Origin is the same area in the coordinates
// of OriginRect, the area the whole background covers. Wnd is not used.
void ExtDrawBkgnd2(HDC DC, HWND Wnd, const TRect& Rect, const TRect& OriginRect, const TPoint& Origin,
                   TColor Color, TBitmap* Bitmap, TExBkGndType BkType);
// R4 is the area to paint, R3's corner the offset between the background's coordinates and the
// context's, R2 the area the whole background covers, R1's corner a further shift of the tiles.
// Xor combines the picture with the destination; Dither dims it with DitherColor.
void ExtDrawBkgnd(HDC DC, HWND Wnd, const TRect& R1, const TRect& R2, const TRect& R3, const TRect& R4, bool Xor,
                  TColor FillColor, TColor DitherColor, bool Dither, TBitmap* Bitmap, TExBkGndType BkType);

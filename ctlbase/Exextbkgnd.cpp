#include "ctlbase/Exextbkgnd.h"

#include <memory>

#include "ctlbase/Exscratch.h"
#include "platform/Graphics.h"

namespace {

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int Mod(int a, int b)
{
    int m = a % b;
    return m < 0 ? m + b : m;
}

TRect Moved(TRect r, int dx, int dy)
{
    OffsetRect(r, dx, dy);
    return r;
}

// Where a picture of w x h goes in an area of aw x ah from (0, 0): centred (a larger picture
// keeps its middle and loses the same on every side), or at the corner.
TRect PicturePlace(bool centred, int w, int h, int aw, int ah)
{
    if (!centred)
        return {0, 0, w, h};
    return Bounds(aw / 2 - w / 2, ah / 2 - h / 2, w, h);
}

enum class DitherKind { None, Checker, Sparse };

// Copies w x h from (sx, sy) of src to Dest of DC with the raster operation; a dithered copy has
// some of its pixels, chosen by their place in the destination, set to DitherColor first.
void CopyPart(HDC DC, HDC src, int sx, int sy, const TRect& Dest, DWORD rop, DitherKind dither, TColor DitherColor)
{
    const int w = Dest.Width(), h = Dest.Height();
    if (w <= 0 || h <= 0)
        return;
    if (dither == DitherKind::None) {
        BitBlt(DC, Dest.Left, Dest.Top, w, h, src, sx, sy, rop);
        return;
    }
    ScratchBitmap copy(DC, w, h);
    BitBlt(copy.DC, 0, 0, w, h, src, sx, sy, SRCCOPY);
    std::vector<RGBQUAD> px = copy.Read();
    const COLORREF c = ColorToRGB(DitherColor);
    const RGBQUAD dot{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int x = Dest.Left + i, y = Dest.Top + j;
            const bool set = dither == DitherKind::Checker ? ((x ^ y) & 1) != 0 : ((x & 1) && (y & 1));
            if (set)
                px[size_t(j) * size_t(w) + size_t(i)] = dot;
        }
    copy.Write(px);
    BitBlt(DC, Dest.Left, Dest.Top, w, h, copy.DC, 0, 0, rop);
}

bool HasPicture(TBitmap* Bitmap) { return Bitmap && Bitmap->Width() > 0 && Bitmap->Height() > 0; }

// The tile the tiled kinds copy over Area: the picture itself, or, when the picture is so small
// that Area would take more than about a thousand copies of it, whole copies of it side by side
// up to some hundred pixels each way, so that a picture of a few pixels costs a handful of copies
// rather than one per pixel. Its size is a multiple of the picture's, so tiles keep their place.
class TTile {
public:
    TTile(HDC DC, TBitmap* Bitmap, const TRect& Area)
        : W(Bitmap->Width()), H(Bitmap->Height()), Src(Bitmap->Canvas()->Handle())
    {
        constexpr int kMin = 256;
        constexpr Int64 kFewCopies = 1024;
        const Int64 copies = (Int64(Area.Width()) / W + 1) * (Int64(Area.Height()) / H + 1);
        if (copies <= kFewCopies || (W >= kMin && H >= kMin))
            return;
        const int w = W * ((kMin + W - 1) / W), h = H * ((kMin + H - 1) / H);
        FBig = std::make_unique<ScratchBitmap>(DC, w, h);
        BitBlt(FBig->DC, 0, 0, W, H, Src, 0, 0, SRCCOPY);
        for (int done = W; done < w; done *= 2)
            BitBlt(FBig->DC, done, 0, std::min(done, w - done), H, FBig->DC, 0, 0, SRCCOPY);
        for (int done = H; done < h; done *= 2)
            BitBlt(FBig->DC, 0, done, w, std::min(done, h - done), FBig->DC, 0, 0, SRCCOPY);
        W = w;
        H = h;
        Src = FBig->DC;
    }
    int W, H;
    HDC Src;

private:
    std::unique_ptr<ScratchBitmap> FBig;
};

}  // namespace

void ExtDrawBkgnd2(HDC DC, HWND, const TRect& Rect, const TRect& OriginRect, const TPoint& Origin, TColor Color,
                   TBitmap* Bitmap, TExBkGndType BkType)
{
    if (BkType == bgtColorFill) {
        FillSolidRect2(DC, Rect, Color);
        return;
    }
    const TRect M = Moved(Rect, Origin.X, Origin.Y);
    TRect inside;
    if (!IntersectRect(inside, M, OriginRect) || inside != M)
        FillSolidRect2(DC, Rect, Color);
    if (BkType == bgtHorzGradient || BkType == bgtVertGradient || !HasPicture(Bitmap) || IsRectEmpty(M))
        return;
    HDC src = Bitmap->Canvas()->Handle();
    const int bw = Bitmap->Width(), bh = Bitmap->Height();
    switch (BkType) {
    case bgtTileBitmap: {
        // Tiles lie from (0, 0) of the origin coordinates, whatever OriginRect's corner; only
        // what the target shows is tiled.
        TRect shown;
        if (!VisiblePart(DC, Rect, shown))
            break;
        const TRect V = Moved(shown, Origin.X, Origin.Y);
        const TTile tile(DC, Bitmap, V);
        for (int ty = FloorDiv(V.Top, tile.H) * tile.H; ty < V.Bottom; ty += tile.H)
            for (int tx = FloorDiv(V.Left, tile.W) * tile.W; tx < V.Right; tx += tile.W) {
                TRect part;
                IntersectRect(part, Bounds(tx, ty, tile.W, tile.H), V);
                CopyPart(DC, tile.Src, Mod(part.Left, tile.W), Mod(part.Top, tile.H),
                         Moved(part, -Origin.X, -Origin.Y), SRCCOPY, DitherKind::None, clNone);
            }
        break;
    }
    case bgtStretchBitmap: {
        const int ow = OriginRect.Width(), oh = OriginRect.Height();
        TRect part;
        if (ow <= 0 || oh <= 0 || !IntersectRect(part, M, TRect{0, 0, ow, oh}))
            break;
        ScratchBitmap stretched(DC, ow, oh);
        StretchBlt(stretched.DC, 0, 0, ow, oh, src, 0, 0, bw, bh, SRCCOPY);
        CopyPart(DC, stretched.DC, part.Left, part.Top, Moved(part, -Origin.X, -Origin.Y), SRCCOPY, DitherKind::None,
                 clNone);
        break;
    }
    case bgtCenterBitmap:
    case bgtTopLeftBitmap: {
        FillSolidRect2(DC, Rect, Color);
        const TRect place = Moved(PicturePlace(BkType == bgtCenterBitmap, bw, bh, OriginRect.Width(),
                                               OriginRect.Height()),
                                  OriginRect.Left, OriginRect.Top);
        TRect part;
        if (IntersectRect(part, place, M))
            CopyPart(DC, src, part.Left - place.Left, part.Top - place.Top, Moved(part, -Origin.X, -Origin.Y),
                     SRCCOPY, DitherKind::None, clNone);
        break;
    }
    default: break;
    }
}

void ExtDrawBkgnd(HDC DC, HWND, const TRect& R1, const TRect& R2, const TRect& R3, const TRect& R4, bool Xor,
                  TColor FillColor, TColor DitherColor, bool Dither, TBitmap* Bitmap, TExBkGndType BkType)
{
    const DWORD rop = Xor ? SRCINVERT : SRCCOPY;
    if (BkType == bgtColorFill) {
        FillSolidRect2(DC, R4, FillColor);
        return;
    }
    if (BkType == bgtHorzGradient || BkType == bgtVertGradient)
        return;
    if (BkType == bgtCenterBitmap || BkType == bgtTopLeftBitmap)
        FillSolidRect2(DC, R4, FillColor);
    if (!HasPicture(Bitmap))
        return;
    HDC src = Bitmap->Canvas()->Handle();
    const int bw = Bitmap->Width(), bh = Bitmap->Height();
    const TRect P = Moved(R4, -R3.Left, -R3.Top);
    if (IsRectEmpty(P))
        return;
    // Each part is drawn at its place moved once more by minus R3's corner.
    auto target = [&](const TRect& part) { return Moved(part, -R3.Left, -R3.Top); };
    switch (BkType) {
    case bgtTileBitmap: {
        // Only what the target shows is tiled: the part of P whose place on the target is seen.
        TRect shown;
        if (!VisiblePart(DC, target(P), shown))
            break;
        const TRect V = Moved(shown, R3.Left, R3.Top);
        const TTile tile(DC, Bitmap, V);
        const int ax = R2.Left + R1.Left, ay = R2.Top + R1.Top;
        // The first tile row and column at or after the anchor that reaches V (none before it).
        const int y0 = V.Top - ay >= tile.H ? ay + (V.Top - ay) / tile.H * tile.H : ay;
        const int x0 = V.Left - ax >= tile.W ? ax + (V.Left - ax) / tile.W * tile.W : ax;
        for (int y = y0; y < V.Bottom; y += tile.H)
            for (int x = x0; x < V.Right; x += tile.W) {
                TRect part;
                if (IntersectRect(part, Bounds(x, y, tile.W, tile.H), V))
                    CopyPart(DC, tile.Src, part.Left - x, part.Top - y, target(part), rop,
                             Dither ? DitherKind::Checker : DitherKind::None, DitherColor);
            }
        break;
    }
    case bgtStretchBitmap: {
        TRect part;
        if (R2.Width() <= 0 || R2.Height() <= 0 || !IntersectRect(part, P, R2))
            break;
        ScratchBitmap stretched(DC, R2.Width(), R2.Height());
        StretchBlt(stretched.DC, 0, 0, R2.Width(), R2.Height(), src, 0, 0, bw, bh, SRCCOPY);
        CopyPart(DC, stretched.DC, part.Left - R2.Left, part.Top - R2.Top, target(part), rop,
                 Dither ? DitherKind::Sparse : DitherKind::None, DitherColor);
        break;
    }
    case bgtCenterBitmap:
    case bgtTopLeftBitmap: {
        const TRect place =
            Moved(PicturePlace(BkType == bgtCenterBitmap, bw, bh, R2.Width(), R2.Height()), R2.Left, R2.Top);
        TRect part;
        if (IntersectRect(part, P, place))
            CopyPart(DC, src, part.Left - place.Left, part.Top - place.Top, target(part), rop,
                     Dither ? DitherKind::Sparse : DitherKind::None, DitherColor);
        break;
    }
    default: break;
    }
}

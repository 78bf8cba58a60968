#include "ctlbase/Exvclutils.h"

#include <algorithm>
#include <vector>

#include "ctlbase/Exscratch.h"
#include "ctlbase/Extools.h"
#include "platform/Forms.h"
#include "platform/WinGdiMore.h"

const int smXEdge[2] = {SM_CXBORDER, SM_CXEDGE};
const int smYEdge[2] = {SM_CYBORDER, SM_CYEDGE};
SmallInt WaitCursor = SmallInt(crHourGlass);
const UINT ParentControlRepaintedMessage = RegisterWindowMessage("ExParentControlRepainted");

// ================================================================ colours

namespace {

inline int Red(COLORREF c) { return GetRValue(c); }
inline int Green(COLORREF c) { return GetGValue(c); }
inline int Blue(COLORREF c) { return GetBValue(c); }
inline int Clamp255(int v) { return std::clamp(v, 0, 255); }

constexpr int HLSMAX = 252;
constexpr int RGBMAX = 255;
constexpr int UNDEFINED_HUE = HLSMAX * 2 / 3;

int WrapHue(int h)
{
    if (h < 0)
        h += HLSMAX;
    if (h > HLSMAX)
        h -= HLSMAX;
    return h;
}

int HueToValue(int m1, int m2, int h)
{
    h = WrapHue(h);
    if (h < HLSMAX / 6)
        return m1 + ((m2 - m1) * h + HLSMAX / 12) / (HLSMAX / 6);
    if (h < HLSMAX / 2)
        return m2;
    if (h < HLSMAX * 2 / 3)
        return m1 + ((m2 - m1) * (HLSMAX * 2 / 3 - h) + HLSMAX / 12) / (HLSMAX / 6);
    return m1;
}

}  // namespace

TColor IncColor(TColor Color, Integer dR, Integer dG, Integer dB)
{
    COLORREF c = ColorToRGB(Color);
    // Any step is allowed: the sum is taken wide before it is clamped.
    auto add = [](int v, Integer d) { return int(std::clamp<Int64>(Int64(v) + d, 0, 255)); };
    return TColor(RGB(add(Red(c), dR), add(Green(c), dG), add(Blue(c), dB)));
}

TColor InvertColor(TColor Color)
{
    COLORREF c = ColorToRGB(Color);
    return TColor(RGB(255 - Red(c), 255 - Green(c), 255 - Blue(c)));
}

Integer RGBtoHLS(TColor Color)
{
    COLORREF c = ColorToRGB(Color);
    const int r = Red(c), g = Green(c), b = Blue(c);
    const int cMax = std::max({r, g, b}), cMin = std::min({r, g, b});
    const int l = ((cMax + cMin) * HLSMAX + RGBMAX) / (2 * RGBMAX);
    int h = UNDEFINED_HUE, s = 0;
    if (cMax != cMin) {
        const int delta = cMax - cMin;
        // The upper half divides by 510 - delta, not by 510 - max - min: the saturation of light
        // colours comes out lower than the usual formula's, and the edge colours depend on it.
        if (l <= HLSMAX / 2)
            s = (delta * HLSMAX + (cMax + cMin) / 2) / (cMax + cMin);
        else
            s = (delta * HLSMAX + (2 * RGBMAX - delta) / 2) / (2 * RGBMAX - delta);
        const int rd = ((cMax - r) * (HLSMAX / 6) + delta / 2) / delta;
        const int gd = ((cMax - g) * (HLSMAX / 6) + delta / 2) / delta;
        const int bd = ((cMax - b) * (HLSMAX / 6) + delta / 2) / delta;
        if (r == cMax)
            h = bd - gd;
        else if (g == cMax)
            h = HLSMAX / 3 + rd - bd;
        else
            h = HLSMAX * 2 / 3 + gd - rd;
        h = WrapHue(h);
    }
    return h | (l << 8) | (s << 16);
}

TColor HLStoRGB(Integer HLS)
{
    const int h = HLS & 0xFF, l = (HLS >> 8) & 0xFF, s = (HLS >> 16) & 0xFF;
    if (s == 0) {
        int v = l * RGBMAX / HLSMAX;
        return TColor(RGB(v, v, v));
    }
    const int m2 = l <= HLSMAX / 2 ? (l * (HLSMAX + s) + HLSMAX / 2) / HLSMAX
                                   : l + s - (l * s + HLSMAX / 2) / HLSMAX;
    const int m1 = 2 * l - m2;
    auto scaled = [](int v) { return Clamp255((v * RGBMAX + HLSMAX / 2) / HLSMAX); };
    return TColor(RGB(scaled(HueToValue(m1, m2, h + HLSMAX / 3)), scaled(HueToValue(m1, m2, h)),
                      scaled(HueToValue(m1, m2, h - HLSMAX / 3))));
}

// ================================================================ fills and text

void FillSolidRect2(HDC DC, const TRect& Rect, TColor Color)
{
    COLORREF old = SetBkColor(DC, ColorToRGB(Color));
    ExtTextOut(DC, 0, 0, ETO_OPAQUE, &Rect, "", 0, nullptr);
    SetBkColor(DC, old);
}

void FillSolidRect(HDC DC, Integer X, Integer Y, Integer W, Integer H, TColor Color)
{
    FillSolidRect2(DC, Bounds(X, Y, W, H), Color);
}

namespace {

void Draw3dRect(HDC DC, const TRect& R, TColor TopLeftColor, TColor BottomRightColor,
                TExBorderSides Sides = AllBorderSides)
{
    Draw3dRectEx(DC, R.Left, R.Top, R.Width(), R.Height(), TopLeftColor, BottomRightColor, Sides);
}

TRect Shrunk(const TRect& R) { return {R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1}; }

TColor Sys(int Index) { return TColor(GetSysColor(Index)); }

// Selects a new one-pixel pen of Color for the life of the object.
class ScopedPen {
public:
    ScopedPen(HDC DC, TColor Color) : FDC(DC), FPen(CreatePen(PS_SOLID, 1, ColorToRGB(Color)))
    {
        FOld = SelectObject(FDC, FPen);
    }
    ~ScopedPen()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FPen);
    }
    ScopedPen(const ScopedPen&) = delete;
    ScopedPen& operator=(const ScopedPen&) = delete;

private:
    HDC FDC;
    HPEN FPen;
    HGDIOBJ FOld;
};

void Line(HDC DC, int X1, int Y1, int X2, int Y2)
{
    MoveToEx(DC, X1, Y1, nullptr);
    LineTo(DC, X2, Y2);
}

}  // namespace

void Draw3dRectEx(HDC DC, Integer X, Integer Y, Integer CX, Integer CY, TColor TopLeftColor,
                  TColor BottomRightColor, TExBorderSides Sides)
{
    if (HasSide(Sides, ebsTop))
        FillSolidRect(DC, X, Y, CX - 1, 1, TopLeftColor);
    if (HasSide(Sides, ebsLeft))
        FillSolidRect(DC, X, Y, 1, CY - 1, TopLeftColor);
    if (HasSide(Sides, ebsRight))
        FillSolidRect(DC, X + CX - 1, Y, 1, CY, BottomRightColor);
    if (HasSide(Sides, ebsBottom))
        FillSolidRect(DC, X, Y + CY - 1, CX, 1, BottomRightColor);
}

TRect DrawBevel(HDC DC, const TRect& Rect, TColor TopLeftColor, TColor BottomRightColor, TExBorderSides Sides)
{
    TRect r = Rect;
    POINT oldPos;
    MoveToEx(DC, 0, 0, &oldPos);
    {
        ScopedPen pen(DC, TopLeftColor);
        if (HasSide(Sides, ebsLeft)) {
            Line(DC, Rect.Left, Rect.Top, Rect.Left, Rect.Bottom);
            ++r.Left;
        }
        if (HasSide(Sides, ebsTop)) {
            Line(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Top);
            ++r.Top;
        }
    }
    {
        ScopedPen pen(DC, BottomRightColor);
        if (HasSide(Sides, ebsRight)) {
            Line(DC, Rect.Right - 1, Rect.Top, Rect.Right - 1, Rect.Bottom);
            --r.Right;
        }
        if (HasSide(Sides, ebsBottom)) {
            Line(DC, Rect.Left, Rect.Bottom - 1, Rect.Right, Rect.Bottom - 1);
            --r.Bottom;
        }
    }
    MoveToEx(DC, oldPos.X, oldPos.Y, nullptr);
    return r;
}

namespace {

template <class DrawOnce>
void DrawTyped(TCanvas* Canvas, TExTextDrawType DrawType, DrawOnce draw)
{
    if (DrawType == tdtNormal) {
        draw(0);
        return;
    }
    const TColor fontColor = Canvas->Font()->Color();
    Canvas->Font()->SetColor(DrawType == tdtShadowed ? clBtnShadow : clBtnHighlight);
    draw(DrawType == tdtShadowed ? 2 : -1);
    Canvas->Font()->SetColor(fontColor);
    draw(0);
}

}  // namespace

void DrawTypedText(TCanvas* Canvas, const TRect& Rect, const std::string& Text, UINT Flags, TExTextDrawType DrawType)
{
    DrawTyped(Canvas, DrawType, [&](int offset) {
        TRect r = Rect;
        OffsetRect(r, offset, offset);
        DrawText(Canvas->Handle(), Text.data(), int(Text.size()), &r, Flags);
    });
}

void DrawTypedTextW(TCanvas* Canvas, const TRect& Rect, const std::u16string& Text, UINT Flags,
                    TExTextDrawType DrawType)
{
    DrawTyped(Canvas, DrawType, [&](int offset) {
        TRect r = Rect;
        OffsetRect(r, offset, offset);
        DrawTextW(Canvas->Handle(), Text.data(), int(Text.size()), &r, Flags);
    });
}

void DrawFocus(TCanvas* Canvas, const TRect& Rect)
{
    if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return;
    HDC dc = Canvas->Handle();
    POINT oldPos;
    MoveToEx(dc, 0, 0, &oldPos);
    // A dot goes where x + y is even, so neighbouring rectangles share one checkerboard.
    auto first = [](int x, int y) { return ((x ^ y) & 1) ? 1 : 0; };
    auto horizontal = [&](int y, int x1, int x2) {
        for (int x = x1 + first(x1, y); x <= x2; x += 2)
            Line(dc, x, y, x + 1, y);
    };
    auto vertical = [&](int x, int y1, int y2) {
        for (int y = y1 + first(x, y1); y <= y2; y += 2)
            Line(dc, x, y, x, y + 1);
    };
    vertical(Rect.Left, Rect.Top, Rect.Bottom - 2);
    horizontal(Rect.Top, Rect.Left, Rect.Right - 2);
    vertical(Rect.Right - 1, Rect.Top, Rect.Bottom - 1);
    horizontal(Rect.Bottom - 1, Rect.Left, Rect.Right - 2);
    MoveToEx(dc, oldPos.X, oldPos.Y, nullptr);
}

// ================================================================ gradients and arrows

namespace {

void PaintBand(HDC DC, const TRect& R, COLORREF Color)
{
    HBRUSH brush = CreateSolidBrush(Color);
    HGDIOBJ old = SelectObject(DC, brush);
    PatBlt(DC, R.Left, R.Top, R.Width(), R.Height(), PATCOPY);
    SelectObject(DC, old);
    DeleteObject(brush);
}

void SolidFill(HDC DC, const TRect& R, TColor Color)
{
    HBRUSH brush = CreateSolidBrush(ColorToRGB(Color));
    FillRect(DC, &R, brush);
    DeleteObject(brush);
}

// The colour of band i of Steps. Band i runs from MulDiv(i, length, Steps) to the next band's
// start. A single band has the start colour: the colour step would divide by Steps - 1.
COLORREF BandColor(COLORREF s, COLORREF e, int i, int Steps)
{
    if (Steps <= 1)
        return s;
    auto step = [&](int a, int b) { return a + MulDiv(i, b - a, Steps - 1); };
    return RGB(step(Red(s), Red(e)), step(Green(s), Green(e)), step(Blue(s), Blue(e)));
}

// Paints the bands of a gradient over G that lie under Target (both in gradient coordinates),
// moved by minus Origin onto DC; only what DC shows. The work follows the pixels along the
// gradient, not the number of bands: a band of no pixel paints nothing, so each run of pixels
// takes the colour of the one band it lies in, found from its position.
void PaintGradient(HDC DC, const TRect& G, const TRect& Target, const TPoint& Origin, COLORREF s, COLORREF e,
                   int Steps, bool Vertical)
{
    if (Steps <= 0)
        return;
    TRect shown = Target;
    OffsetRect(shown, -Origin.X, -Origin.Y);
    if (!VisiblePart(DC, shown, shown))
        return;
    OffsetRect(shown, Origin.X, Origin.Y);
    TRect area;
    if (!IntersectRect(area, G, shown))
        return;
    const int len = Vertical ? G.Height() : G.Width();
    const int g0 = Vertical ? G.Top : G.Left;
    auto start = [&](int i) { return MulDiv(i, len, Steps); };
    const int to = (Vertical ? area.Bottom : area.Right) - g0;
    for (int p = (Vertical ? area.Top : area.Left) - g0; p < to;) {
        // The last band that starts at or before p is the one p lies in.
        int i = int(std::clamp<Int64>((2 * Int64(p) + 1) * Steps / (2 * Int64(len)), 0, Steps - 1));
        while (i > 0 && start(i) > p)
            --i;
        while (i + 1 < Steps && start(i + 1) <= p)
            ++i;
        const int next = std::min(i + 1 < Steps ? start(i + 1) : len, to);
        TRect run = Vertical ? TRect{area.Left, g0 + p, area.Right, g0 + next} : TRect{g0 + p, area.Top, g0 + next, area.Bottom};
        OffsetRect(run, -Origin.X, -Origin.Y);
        PaintBand(DC, run, BandColor(s, e, i, Steps));
        p = next;
    }
}

}  // namespace

void GradientFill(HDC DC, const TRect& Rect, TColor StartColor, TColor EndColor, Integer Steps, bool Vertical)
{
    if (StartColor == EndColor) {
        SolidFill(DC, Rect, StartColor);
        return;
    }
    PaintGradient(DC, Rect, Rect, Point(0, 0), ColorToRGB(StartColor), ColorToRGB(EndColor), Steps, Vertical);
}

void GradientFillEx(HDC DC, const TRect& DrawRect, const TRect& GradientRect, const TPoint& Origin,
                    TColor StartColor, TColor EndColor, Integer Steps, bool Vertical)
{
    if (StartColor == EndColor) {
        SolidFill(DC, DrawRect, StartColor);
        return;
    }
    TRect target = DrawRect;
    OffsetRect(target, Origin.X, Origin.Y);
    PaintGradient(DC, GradientRect, target, Origin, ColorToRGB(StartColor), ColorToRGB(EndColor), Steps, Vertical);
}

void DrawArrow(TCanvas* Canvas, TExArrowDir Direction, const TRect& Rect, TColor Color, bool Enabled)
{
    const bool across = Direction == eadLeft || Direction == eadRight;
    const int w = Rect.Width(), h = Rect.Height();
    if (across ? (w < 3 || h < 6) : (w < 6 || h < 3))
        return;
    TRect box;
    if (across)
        CenterRects(4, w, 7, h, box);
    else
        CenterRects(7, w, 4, h, box);
    const int x0 = Rect.Left + box.Left, y0 = Rect.Top + box.Top;
    const TColor penColor = Canvas->Pen()->Color();
    auto draw = [&](int dx, int dy, TColor c) {
        Canvas->Pen()->SetColor(c);
        for (int i = 0; i < 4; ++i) {
            // Line i from the tip is 2i + 1 pixels long, centred on the arrow's middle line.
            const int step = (Direction == eadLeft || Direction == eadUp) ? i : 3 - i;
            const int half = step;
            if (across) {
                const int x = x0 + i + dx;
                Canvas->MoveTo(x, y0 + 3 - half + dy);
                Canvas->LineTo(x, y0 + 3 + half + 1 + dy);
            } else {
                const int y = y0 + i + dy;
                Canvas->MoveTo(x0 + 3 - half + dx, y);
                Canvas->LineTo(x0 + 3 + half + 1 + dx, y);
            }
        }
    };
    if (Enabled) {
        draw(0, 0, Color);
    } else {
        draw(1, 1, clBtnHighlight);
        draw(0, 0, clBtnShadow);
    }
    Canvas->Pen()->SetColor(penColor);
}

// ================================================================ frames

void Draw3dBorder(HDC DC, const TRect& Rect, int OuterTopLeftIndex, int OuterBottomRightIndex, int InnerTopLeftIndex,
                  int InnerBottomRightIndex)
{
    Draw3dRect(DC, Rect, Sys(OuterTopLeftIndex), Sys(OuterBottomRightIndex));
    Draw3dRect(DC, Shrunk(Rect), Sys(InnerTopLeftIndex), Sys(InnerBottomRightIndex));
}

void DrawButtonFrame(HDC DC, const TRect& Rect, bool Focused, bool Down)
{
    if (Down)
        Draw3dBorder(DC, Rect, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE);
    else if (Focused)
        Draw3dBorder(DC, Rect, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_BTNFACE, COLOR_BTNSHADOW);
    else
        Draw3dBorder(DC, Rect, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE);
}

namespace {

struct EdgeColors {
    TColor H, D, F, S;
};

EdgeColors EdgeColorsOf(TColor FaceColor)
{
    EdgeColors c{Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_3DDKSHADOW), Sys(COLOR_BTNFACE), Sys(COLOR_BTNSHADOW)};
    if (FaceColor == clBtnFace)
        return c;
    c.F = TColor(ColorToRGB(FaceColor));
    const Integer hls = RGBtoHLS(c.F);
    const int l = (hls >> 8) & 0xFF;
    if (l == 0)
        return c;
    auto withLightness = [&](int lightness) { return HLStoRGB((hls & 0xFF00FF) | (std::min(239, lightness) << 8)); };
    c.H = withLightness(l + l / 3);
    c.D = withLightness(l - l / 2);
    c.S = withLightness(l - l / 3);
    return c;
}

void ButtonRings(HDC DC, const TRect& Rect, bool Focused, bool Down, bool Thin, const EdgeColors& c,
                 TExBorderSides Sides, bool DownIgnoresFocus)
{
    TColor o1, o2, i1, i2;
    if (Down && (Focused || DownIgnoresFocus)) {
        o1 = c.D, o2 = c.H, i1 = c.S, i2 = c.F;
    } else if (Down) {
        o1 = c.S, o2 = c.H, i1 = c.F, i2 = c.F;
    } else if (Focused) {
        o1 = c.H, o2 = c.D, i1 = c.F, i2 = c.S;
    } else {
        o1 = c.H, o2 = c.S, i1 = c.F, i2 = c.F;
    }
    Draw3dRect(DC, Rect, o1, o2, Sides);
    if (!Thin)
        Draw3dRect(DC, Shrunk(Rect), i1, i2, Sides);
}

}  // namespace

void DrawButtonFrameEx(HDC DC, const TRect& Rect, bool Focused, bool Down, TColor FaceColor, bool Thin)
{
    ButtonRings(DC, Rect, Focused, Down, Thin, EdgeColorsOf(FaceColor), AllBorderSides, false);
}

void DrawButtonFrameEx3(HDC DC, const TRect& Rect, bool Focused, bool Down, TColor FaceColor, bool Thin,
                        TExBorderSides Sides)
{
    ButtonRings(DC, Rect, Focused, Down, Thin, EdgeColorsOf(FaceColor), Sides, false);
}

void DrawButtonFrameEx2(HDC DC, const TRect& Rect, bool Focused, bool Down, TColor, bool Thin, TColor Highlight,
                        TColor DarkShadow, TColor Face, TColor Shadow)
{
    ButtonRings(DC, Rect, Focused, Down, Thin, {Highlight, DarkShadow, Face, Shadow}, AllBorderSides, true);
}

void DrawFlatFrame(HDC DC, const TRect& Rect, TColor BkColor, bool Focused)
{
    DrawFlatFrame2(DC, Rect, BkColor, Focused, AllBorderSides);
}

void DrawFlatFrame2(HDC DC, const TRect& Rect, TColor BkColor, bool Focused, TExBorderSides Sides)
{
    DrawBevel(DC, DrawBevel(DC, Rect, BkColor, BkColor, Sides), BkColor, BkColor, Sides);
    TRect inner = DrawBevel(DC, Rect, clBtnShadow, clBtnHighlight, Sides);
    if (Focused)
        DrawBevel(DC, inner, clBtnText, cl3DLight, Sides);
}

void DrawFlatFrameEx(HDC DC, const TRect& Rect, TColor, bool Flag1, bool Flag2)
{
    if (Flag1)
        Draw3dBorder(DC, Rect, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    else if (Flag2)
        Draw3dBorder(DC, Rect, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DLIGHT, COLOR_3DLIGHT);
    else
        Draw3dBorder(DC, Rect, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNFACE, COLOR_BTNFACE);
}

void DrawFlatFrameEx2(HDC DC, const TRect& Rect, TColor BkColor, bool, bool, TExBorderSides Sides,
                      TExFlatBorderType BorderType)
{
    if (BorderType == fbtFlat) {
        DrawFlatFrame2(DC, Rect, BkColor, false, Sides);
        return;
    }
    if (BorderType >= fbtLine) {
        DrawBevel(DC, DrawBevel(DC, Rect, BkColor, BkColor, Sides), BkColor, BkColor, Sides);
        if (BorderType == fbtLine)
            DrawBevel(DC, Rect, clWindowFrame, clWindowFrame, BorderSide(ebsBottom));
        else if (BorderType == fbtLineBorder)
            DrawBevel(DC, Rect, clWindowFrame, clWindowFrame, Sides);
        return;
    }
    HBRUSH F = GetSysColorBrush(COLOR_BTNFACE), W = GetSysColorBrush(COLOR_WINDOW), S = GetSysColorBrush(COLOR_BTNSHADOW);
    static const UINT edges[] = {0, EDGE_SUNKEN, BDR_SUNKENINNER, BDR_SUNKENOUTER, EDGE_RAISED, BDR_RAISEDINNER,
                                 BDR_RAISEDOUTER, EDGE_BUMP, EDGE_BUMP, EDGE_ETCHED, EDGE_BUMP};
    UINT flags = BF_ADJUST;
    if (HasSide(Sides, ebsLeft))
        flags |= BF_LEFT;
    if (HasSide(Sides, ebsTop))
        flags |= BF_TOP;
    if (HasSide(Sides, ebsRight))
        flags |= BF_RIGHT;
    if (HasSide(Sides, ebsBottom))
        flags |= BF_BOTTOM;
    TRect a = Rect;
    DrawEdge(DC, &a, edges[BorderType], flags);
    const int L = a.Left, T = a.Top, R = a.Right, B = a.Bottom;
    const bool left = HasSide(Sides, ebsLeft), top = HasSide(Sides, ebsTop), right = HasSide(Sides, ebsRight),
               bottom = HasSide(Sides, ebsBottom);
    auto fill = [&](int l, int t, int r, int b, HBRUSH br) {
        TRect x{l, t, r, b};
        FillRect(DC, &x, br);
    };
    auto frame = [&](int l, int t, int r, int b, HBRUSH br) {
        TRect x{l, t, r, b};
        FrameRect(DC, &x, br);
    };
    switch (BorderType) {
    case fbtSunkenInner:
    case fbtSunkenOuter: {
        const bool outer = BorderType == fbtSunkenOuter;
        if (left)
            frame(L, T, L + 1, outer ? B - 1 : B, F);
        if (top)
            frame(L, T, outer ? R - 1 : R, T + 1, F);
        if (right) {
            fill(R - 1, T, R, B, F);
            fill(R, T - 1, R + 1, B + 1, outer ? W : F);
        }
        if (bottom) {
            fill(L, B - 1, R, B, F);
            fill(L - 1, B, R + 1, B + 1, outer ? W : F);
        }
        break;
    }
    case fbtRaised:
        DrawBevel(DC, DrawBevel(DC, a, BkColor, BkColor, Sides), BkColor, BkColor, Sides);
        DrawBevel(DC, a, clBtnShadow, clBtnHighlight, Sides);
        break;
    case fbtRaisedInner:
        if (left)
            frame(L, T, L + 1, B, F);
        if (top)
            frame(L, T, R, T + 1, F);
        if (right)
            fill(R - 1, T, R, B, F);
        if (bottom)
            fill(L, B - 1, R, B, F);
        break;
    case fbtRaisedOuter:
        if (left)
            fill(L, T, L + 1, B, F);
        if (top)
            fill(L, T, R, T + 1, F);
        if (right) {
            fill(R - 1, T, R, B, F);
            fill(R, T - 1, R + 1, B + 1, S);
        }
        if (bottom) {
            fill(L, B - 1, R, B, F);
            fill(L - 1, B, R + 1, B + 1, S);
        }
        break;
    case fbtBump:
    case fbtBigBump:
        if (left)
            fill(L - 1, T - 1, L, B, S);
        if (top)
            fill(L, T - 1, R, T, S);
        if (bottom)
            fill(L - 2, B + 1, R + 2, B + 2, S);
        if (BorderType == fbtBigBump) {
            if (left)
                fill(L - 2, T - 2, L - 1, B + 1, W);
            if (top)
                fill(L - 2, T - 2, R + 1, T - 1, W);
            if (bottom)
                fill(L - 2, B, R + 1, B + 1, W);
        }
        break;
    case fbtEtched:
        if (left && top)
            fill(L - 1, T - 1, R, T, F);
        else if (top)
            fill(L, T - 1, R, T, F);
        break;
    case fbtFramed:
        if (left)
            frame(L - 1, T, L, B, F);
        if (top)
            frame(L - 2, T - 1, R + 1, T, F);
        if (right)
            frame(R + 1, T - 2, R + 2, B + 2, S);
        if (bottom)
            frame(L - 2, B + 1, R + 2, B + 2, S);
        break;
    default: break;
    }
}

void DrawFlatScrollbarThumb(HDC DC, const TRect& Rect, bool Down)
{
    if (Down)
        Draw3dBorder(DC, Rect, COLOR_BTNFACE, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    else
        Draw3dBorder(DC, Rect, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE);
}

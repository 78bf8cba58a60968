#include "receiver/Glyphs.h"

#include <vector>

#include "platform/Graphics.h"

namespace rx {

namespace {

constexpr TColor kTransparent = clOlive;

// One channel scaled by num/den: a darker shade of a lamp colour for its off state.
TColor Shade(TColor c, int num, int den)
{
    const COLORREF rgb = ColorToRGB(c);
    const int r = GetRValue(rgb) * num / den;
    const int g = GetGValue(rgb) * num / den;
    const int b = GetBValue(rgb) * num / den;
    return static_cast<TColor>(RGB(r, g, b));
}

void Lamp(TCanvas& c, int left, TColor face, bool glint)
{
    c.Pen()->SetColor(clBlack);
    c.Brush()->SetColor(face);
    c.Ellipse(left + 1, 1, left + kLampSize - 1, kLampSize - 1);
    if (glint) {
        c.Pen()->SetColor(clWhite);
        c.MoveTo(left + 4, 4);
        c.LineTo(left + 6, 4);
    }
}

}  // namespace

void DrawLampGlyph(TBitmap& glyph, TColor lit)
{
    glyph.SetSize(4 * kLampSize, kLampSize);
    TCanvas& c = *glyph.Canvas();
    c.Brush()->SetColor(kTransparent);
    c.FillRect(Rect(0, 0, 4 * kLampSize, kLampSize));
    Lamp(c, 0, Shade(lit, 1, 3), false);
    Lamp(c, kLampSize, clSilver, false);
    Lamp(c, 2 * kLampSize, lit, true);
    Lamp(c, 3 * kLampSize, lit, true);
}

void DrawProgramIcon(TBitmap& icon, int size)
{
    icon.SetSize(size, size);
    TCanvas& c = *icon.Canvas();
    c.Pen()->SetColor(RGB(16, 32, 64));
    c.Brush()->SetColor(RGB(16, 32, 64));
    c.FillRect(Rect(0, 0, size, size));
    // A white screen with a green spectrum of two peaks, each under a red tone marker.
    const int m = size / 8;
    const int bottom = size - m - 1;
    c.Brush()->SetColor(clWhite);
    c.Pen()->SetColor(clWhite);
    c.Rectangle(m, m, size - m, size - m);
    const int x1 = size * 3 / 8;
    const int x2 = size * 5 / 8;
    c.Pen()->SetColor(clRed);
    for (int x : {x1, x2}) {
        c.MoveTo(x, m + 1);
        c.LineTo(x, bottom);
    }
    const int top = m + size / 6;
    const int floor = bottom - size / 10;
    const std::vector<TPoint> curve = {
        {m + 1, floor}, {x1 - size / 8, floor - 1}, {x1, top}, {x1 + size / 16, floor - 2},
        {x2 - size / 16, floor - 2}, {x2, top}, {x2 + size / 8, floor - 1}, {size - m - 1, floor},
    };
    c.Pen()->SetColor(clGreen);
    c.Polyline(curve);
}

}  // namespace rx

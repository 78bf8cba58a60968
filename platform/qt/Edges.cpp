// Three-dimensional edges and frame controls (buttons, check marks, scroll arrows).
#include <algorithm>
#include <cmath>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

// ---- Edges and frame controls ------------------------------------------------------------------------
namespace {
void HLine(HDC hdc, int x1, int x2, int y, COLORREF c)
{
    RECT r{x1, y, x2, y + 1};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(hdc, &r, b);
    DeleteObject(b);
}
void VLine(HDC hdc, int x, int y1, int y2, COLORREF c)
{
    RECT r{x, y1, x + 1, y2};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(hdc, &r, b);
    DeleteObject(b);
}
}  // namespace

BOOL DrawEdge(HDC hdc, RECT* qrc, UINT edge, UINT flags)
{
    if (!DC(hdc) || !qrc)
        return FALSE;
    RECT r = *qrc;
    auto drawRing = [&](COLORREF tl, COLORREF br) {
        if (r.Right - r.Left <= 0 || r.Bottom - r.Top <= 0)
            return;
        if (flags & BF_TOP)
            HLine(hdc, r.Left, r.Right - 1, r.Top, tl);
        if (flags & BF_LEFT)
            VLine(hdc, r.Left, r.Top, r.Bottom - 1, tl);
        if (flags & BF_BOTTOM)
            HLine(hdc, r.Left, r.Right, r.Bottom - 1, br);
        if (flags & BF_RIGHT)
            VLine(hdc, r.Right - 1, r.Top, r.Bottom - 1, br);
        if (flags & BF_LEFT)
            ++r.Left;
        if (flags & BF_TOP)
            ++r.Top;
        if (flags & BF_RIGHT)
            --r.Right;
        if (flags & BF_BOTTOM)
            --r.Bottom;
    };
    COLORREF light = GetSysColor(COLOR_3DLIGHT), hi = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
    if (flags & BF_MONO) {
        COLORREF f = GetSysColor(COLOR_WINDOWFRAME);
        if (edge & BDR_OUTER)
            drawRing(f, f);
        if (edge & BDR_INNER)
            drawRing(f, f);
    } else if (flags & BF_FLAT) {
        if (edge & BDR_OUTER)
            drawRing(shadow, shadow);
        if (edge & BDR_INNER)
            drawRing(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
    } else {
        if (edge & BDR_RAISEDOUTER)
            drawRing(light, dark);
        else if (edge & BDR_SUNKENOUTER)
            drawRing(shadow, hi);
        if (edge & BDR_RAISEDINNER)
            drawRing(hi, shadow);
        else if (edge & BDR_SUNKENINNER)
            drawRing(dark, light);
    }
    if (flags & BF_MIDDLE) {
        HBRUSH b = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        FillRect(hdc, &r, b);
        DeleteObject(b);
    }
    if (flags & BF_ADJUST)
        *qrc = r;
    return TRUE;
}

namespace {
void Pixel(HDC hdc, int x, int y, COLORREF c) { HLine(hdc, x, x + 1, y, c); }

// The check mark, 7 x 7, three pixels thick, its corner at (x, y).
void CheckMark(HDC hdc, int x, int y, COLORREF c)
{
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i)
            Pixel(hdc, x + i, y + 2 + i + k, c);
        for (int i = 0; i < 4; ++i)
            Pixel(hdc, x + 3 + i, y + 3 - i + k, c);
    }
}

// A check box: a sunken square, white inside (the face colour while pressed, inactive or in its
// third state), with the mark when checked; grey in the third state or inactive.
void CheckBox(HDC hdc, const RECT& r, UINT state)
{
    int size = std::min(r.Right - r.Left, r.Bottom - r.Top);
    if (size <= 0)
        return;
    RECT box{r.Left + (r.Right - r.Left - size) / 2, r.Top + (r.Bottom - r.Top - size) / 2, 0, 0};
    box.Right = box.Left + size;
    box.Bottom = box.Top + size;
    bool third = (state & DFCS_BUTTON3STATE) && (state & DFCS_CHECKED);
    if (state & DFCS_MONO) {
        HBRUSH f = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(hdc, &box, f);
        DeleteObject(f);
        InflateRect(box, -1, -1);
    } else {
        DrawEdge(hdc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | ((state & DFCS_FLAT) ? BF_FLAT : 0));
    }
    bool face = (state & (DFCS_PUSHED | DFCS_INACTIVE)) || third;
    HBRUSH b = CreateSolidBrush(GetSysColor(face ? COLOR_BTNFACE : COLOR_WINDOW));
    FillRect(hdc, &box, b);
    DeleteObject(b);
    if (state & DFCS_CHECKED) {
        COLORREF c = GetSysColor(third ? COLOR_BTNSHADOW : (state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        int w = box.Right - box.Left, h = box.Bottom - box.Top;
        CheckMark(hdc, box.Left + (w - 7) / 2, box.Top + (h - 7) / 2, c);
    }
}

// The outline of a circle's arc between two angles (degrees, counter-clockwise from three o'clock).
void CircleArc(HDC hdc, const RECT& r, double from, double to, COLORREF c)
{
    const double kPi = 3.14159265358979323846;
    int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2, far = r.Right - r.Left + r.Bottom - r.Top;
    int xs = cx + int(far * std::cos(from * kPi / 180)), ys = cy - int(far * std::sin(from * kPi / 180));
    int xe = cx + int(far * std::cos(to * kPi / 180)), ye = cy - int(far * std::sin(to * kPi / 180));
    HPEN pen = CreatePen(PS_SOLID, 1, c);
    HGDIOBJ old = SelectObject(hdc, pen);
    Arc(hdc, r.Left, r.Top, r.Right, r.Bottom, xs, ys, xe, ye);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

// A radio button: a sunken circle, white inside, with a round dot when checked. The image and mask
// kinds give the dot or the circle alone for drawing with other colours.
void RadioButton(HDC hdc, const RECT& r, UINT state)
{
    int size = std::min(r.Right - r.Left, r.Bottom - r.Top);
    if (size <= 0)
        return;
    RECT c{r.Left + (r.Right - r.Left - size) / 2, r.Top + (r.Bottom - r.Top - size) / 2, 0, 0};
    c.Right = c.Left + size;
    c.Bottom = c.Top + size;
    UINT kind = state & 0x7;
    HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(NULL_PEN));
    HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
    auto disc = [&](const RECT& d, COLORREF col) {
        HBRUSH b = CreateSolidBrush(col);
        SelectObject(hdc, b);
        Ellipse(hdc, d.Left, d.Top, d.Right + 1, d.Bottom + 1);
        SelectObject(hdc, GetStockObject(NULL_BRUSH));
        DeleteObject(b);
    };
    if (kind == DFCS_BUTTONRADIOMASK) {
        // Black where the button is, for masking.
        disc(c, RGB(0, 0, 0));
    } else {
        RECT face = c;
        InflateRect(face, -2, -2);
        bool grey = state & (DFCS_PUSHED | DFCS_INACTIVE);
        disc(face, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
        if (state & DFCS_MONO) {
            CircleArc(hdc, c, 0, 360, GetSysColor(COLOR_WINDOWFRAME));
        } else if (state & DFCS_FLAT) {
            CircleArc(hdc, c, 0, 360, GetSysColor(COLOR_BTNSHADOW));
        } else {
            RECT inner = c;
            InflateRect(inner, -1, -1);
            // Lit from the top left: shadows above and left, highlights below and right.
            CircleArc(hdc, c, 45, 225, GetSysColor(COLOR_BTNSHADOW));
            CircleArc(hdc, c, 225, 405, GetSysColor(COLOR_BTNHIGHLIGHT));
            CircleArc(hdc, inner, 45, 225, GetSysColor(COLOR_3DDKSHADOW));
            CircleArc(hdc, inner, 225, 405, GetSysColor(COLOR_3DLIGHT));
        }
        if (state & DFCS_CHECKED) {
            int dot = std::max(2, size / 3);
            RECT d{c.Left + (size - dot) / 2, c.Top + (size - dot) / 2, 0, 0};
            d.Right = d.Left + dot - 1;
            d.Bottom = d.Top + dot - 1;
            disc(d, GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        }
    }
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
}
}  // namespace

BOOL DrawFrameControl(HDC hdc, RECT* rc, UINT type, UINT state)
{
    DCObj* dc = DC(hdc);
    if (!dc || !rc)
        return FALSE;
    RECT r = *rc;
    bool pushed = state & DFCS_PUSHED;
    bool flat = state & DFCS_FLAT;
    if (type == DFC_BUTTON && !(state & DFCS_BUTTONPUSH)) {
        if (state & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK))
            RadioButton(hdc, r, state);
        else
            CheckBox(hdc, r, state);
        return TRUE;
    }
    if (type == DFC_BUTTON || type == DFC_SCROLL) {
        DrawEdge(hdc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED,
                 BF_RECT | BF_ADJUST | BF_MIDDLE | ((flat || pushed) && type == DFC_SCROLL ? BF_FLAT : 0));
        // The caller draws its caption inside the edge.
        if (type == DFC_BUTTON && (state & DFCS_ADJUSTRECT))
            *rc = r;
    }
    if (type == DFC_SCROLL) {
        // Arrow glyph: a solid triangle centred in the face.
        int kind = state & 0xF;
        int w = r.Right - r.Left, h = r.Bottom - r.Top;
        // Rows of the triangle: its base takes about half the face across the arrow's direction,
        // and it never fills more than half the face along it (a 16-pixel button gets 7 x 4).
        bool vertical = kind == DFCS_SCROLLUP || kind == DFCS_SCROLLDOWN;
        int across = vertical ? w : h, along = vertical ? h : w;
        int size = std::max(2, std::min((across + 4) / 4, along / 2));
        int cx = r.Left + w / 2 + (pushed ? 1 : 0), cy = r.Top + h / 2 + (pushed ? 1 : 0);
        COLORREF c = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
        for (int i = 0; i < size; ++i) {
            switch (kind) {
            case DFCS_SCROLLUP: HLine(hdc, cx - i, cx + i + 1, cy - size / 2 + i, c); break;
            case DFCS_SCROLLDOWN: HLine(hdc, cx - i, cx + i + 1, cy + size / 2 - i, c); break;
            case DFCS_SCROLLLEFT: VLine(hdc, cx - size / 2 + i, cy - i, cy + i + 1, c); break;
            case DFCS_SCROLLRIGHT: VLine(hdc, cx + size / 2 - i, cy - i, cy + i + 1, c); break;
            default: break;
            }
        }
    }
    return TRUE;
}

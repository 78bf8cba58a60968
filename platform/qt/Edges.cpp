// Three-dimensional edges and frame controls (buttons, check marks, scroll arrows).
#include <algorithm>

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

BOOL DrawFrameControl(HDC hdc, RECT* rc, UINT type, UINT state)
{
    DCObj* dc = DC(hdc);
    if (!dc || !rc)
        return FALSE;
    RECT r = *rc;
    bool pushed = state & DFCS_PUSHED;
    bool flat = state & DFCS_FLAT;
    if (type == DFC_BUTTON && (state & 0x1F) != DFCS_BUTTONPUSH) {
        // Check box or radio button: a sunken white square or circle with a mark when checked.
        RECT box = r;
        DrawEdge(hdc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (flat ? BF_FLAT : 0));
        HBRUSH b = CreateSolidBrush(GetSysColor((state & DFCS_INACTIVE) ? COLOR_BTNFACE : COLOR_WINDOW));
        FillRect(hdc, &box, b);
        DeleteObject(b);
        if (state & DFCS_CHECKED) {
            RECT mark{box.Left + 2, box.Top + 2, box.Right - 2, box.Bottom - 2};
            HBRUSH m = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
            FillRect(hdc, &mark, m);
            DeleteObject(m);
        }
        return TRUE;
    }
    if (type == DFC_BUTTON || type == DFC_SCROLL) {
        DrawEdge(hdc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED,
                 BF_RECT | BF_ADJUST | BF_MIDDLE | ((flat || pushed) && type == DFC_SCROLL ? BF_FLAT : 0));
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

// Painting the edit window: the visible lines with the selection shown.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/EditCore.h"
#include "platform/EditInternals.h"

namespace morvik::stdctl {

using namespace editdetail;

void TEditCore::PaintLine(HDC DC, const TLine& L, int Y, const TRect& Fmt, const TRect& Clip, bool ShowSel)
{
    const int x0 = LineLeft(L);
    const int end = L.Start + L.Len;
    int i = L.Start;
    int x = 0;
    while (i < end) {
        const int w = Advance(static_cast<unsigned char>(FText[size_t(i)]), x);
        if (x0 + x + w > Clip.Left)
            break;
        x += w;
        ++i;
    }
    std::string chars;
    std::vector<int> dx;
    int j = i, xx = x;
    while (j < end && x0 + xx < Clip.Right) {
        const unsigned char c = static_cast<unsigned char>(FText[size_t(j)]);
        const int w = Advance(c, xx);
        chars += FPasswordChar ? FPasswordChar : (c < 0x20 ? ' ' : char(c));
        dx.push_back(w);
        xx += w;
        ++j;
    }
    const int ss = ShowSel ? std::clamp(SelStart(), i, j) : j;
    const int se = ShowSel ? std::clamp(SelEnd(), i, j) : j;
    const bool opaque = GetBkMode(DC) == OPAQUE;
    int runX = x0 + x;
    auto run = [&](int a, int b, bool selected) {
        if (a >= b)
            return;
        int w = 0;
        for (int k = a; k < b; ++k)
            w += dx[size_t(k - i)];
        TRect r{runX, Y, runX + w, Y + FLineHeight};
        ExtTextOut(DC, runX, Y, (selected || opaque) ? ETO_OPAQUE : 0, &r, chars.data() + (a - i), UINT(b - a),
                   dx.data() + (a - i));
        runX += w;
    };
    run(i, ss, false);
    const COLORREF text = GetTextColor(DC), back = GetBkColor(DC);
    SetTextColor(DC, GetSysColor(COLOR_HIGHLIGHTTEXT));
    SetBkColor(DC, GetSysColor(COLOR_HIGHLIGHT));
    run(ss, se, true);
    // A selected line break shows as a narrow highlighted cell after the line's text.
    if (ShowSel && L.Next > end && SelStart() <= end && SelEnd() > end && j == end) {
        TRect r{x0 + L.Width, Y, x0 + L.Width + std::max(2, FAveWidth / 2), Y + FLineHeight};
        ExtTextOut(DC, r.Left, Y, ETO_OPAQUE, &r, "", 0, nullptr);
    }
    SetTextColor(DC, text);
    SetBkColor(DC, back);
    run(se, j, false);
    (void)Fmt;
}

void TEditCore::Paint(HDC DC)
{
    if (!FLayoutValid)
        LayoutAll();
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    const DWORD style = Style();
    const bool enabled = IsWindowEnabled(h) != FALSE;
    const UINT msg = (style & ES_READONLY) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    LRESULT brush = 0;
    if (HWND parent = GetParent(h)) {
        brush = SendMessage(parent, msg, WPARAM(DC), reinterpret_cast<LPARAM>(h));
        if (!Alive(host, h))
            return;
    }
    if (!brush) {
        SetTextColor(DC, ColorToRGB(FHost->Font()->Color()));
        SetBkColor(DC, ColorToRGB(FHost->Color()));
    }
    if (!enabled)
        SetTextColor(DC, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ oldFont = SelectObject(DC, FHost->Font()->Handle());
    const TRect f = FormatRect();
    TRect clip;
    GetClipBox(DC, &clip);
    TRect c;
    GetClientRect(h, &c);
    const int saved = SaveDC(DC);
    IntersectClipRect(DC, c.Left, f.Top, c.Right, f.Bottom);
    const bool showSel = GetFocus() == h || (style & ES_NOHIDESEL);
    TRect lineClip{std::max(clip.Left, c.Left), clip.Top, std::min(clip.Right, c.Right), clip.Bottom};
    for (int i = FTopLine, y = f.Top; i < int(FLines.size()) && y < f.Bottom && y < clip.Bottom;
         ++i, y += FLineHeight) {
        if (y + FLineHeight <= clip.Top)
            continue;
        PaintLine(DC, FLines[size_t(i)], y, f, lineClip, showSel);
    }
    RestoreDC(DC, saved);
    SelectObject(DC, oldFont);
}

}  // namespace morvik::stdctl

// Measuring text character by character: how much of a string fits, advance widths and the ink
// of each glyph.
#include <QFontMetrics>
#include <QString>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace {

// The character a byte stands for in the font's code page.
QChar CharOf(FontObj* f, UINT byte)
{
    QString q = ToQString(std::string(1, char(byte & 0xFF)), f->lf.lfCharSet);
    return q.isEmpty() ? QChar(' ') : q.at(0);
}

}  // namespace

BOOL GetTextExtentExPoint(HDC hdc, LPCSTR s, int c, int maxExtent, int* fit, int* dx, SIZE* size)
{
    DCObj* dc = DC(hdc);
    if (!dc || c < 0 || (c > 0 && !s))
        return FALSE;
    FontObj* f = FontOfDC(dc);
    QString q = ToQString(std::string(s, size_t(c)), f->lf.lfCharSet);
    // Each prefix as drawing measures the text: the last is the whole string's width.
    const int n = int(std::min<qsizetype>(c, q.size()));
    std::vector<int> ends(static_cast<size_t>(n));
    TextEndsPx(f, q.first(n), dc->st.charExtra, ends.data());
    int extent = n > 0 ? ends.back() : 0, fits = 0;
    for (int i = 0; i < c; ++i) {
        const int end = i < n ? ends[size_t(i)] : extent;
        if (dx)
            dx[i] = end;
        if (end <= maxExtent)
            fits = i + 1;
    }
    if (fit)
        *fit = fits;
    if (size) {
        size->cx = extent;
        size->cy = f->ascent + f->descent;
    }
    return TRUE;
}

BOOL GetCharWidth32(HDC hdc, UINT first, UINT last, int* buffer)
{
    DCObj* dc = DC(hdc);
    if (!dc || !buffer || last < first)
        return FALSE;
    FontObj* f = FontOfDC(dc);
    for (UINT ch = first; ch <= last; ++ch)
        buffer[ch - first] = f->metrics.horizontalAdvance(CharOf(f, ch));
    return TRUE;
}

BOOL GetCharWidth(HDC hdc, UINT first, UINT last, int* buffer) { return GetCharWidth32(hdc, first, last, buffer); }

BOOL GetCharABCWidths(HDC hdc, UINT first, UINT last, ABC* abc)
{
    DCObj* dc = DC(hdc);
    if (!dc || !abc || last < first)
        return FALSE;
    FontObj* f = FontOfDC(dc);
    for (UINT ch = first; ch <= last; ++ch) {
        QChar q = CharOf(f, ch);
        int advance = f->metrics.horizontalAdvance(q);
        int a = f->metrics.leftBearing(q), c = f->metrics.rightBearing(q);
        // The ink takes what the bearings leave of the advance; a blank has no ink.
        int b = advance - a - c;
        ABC& r = abc[ch - first];
        r.abcA = a;
        r.abcB = UINT(std::max(b, 0));
        r.abcC = advance - a - int(r.abcB);
    }
    return TRUE;
}

// Text with tabs expanded to stops: measuring and drawing.
#include <cstring>

#include "platform/Windows.h"

namespace {

// The first stop right of X (both measured from the tab origin).
int NextStop(int X, int Count, const INT* Stops, int Default)
{
    if (Count == 1 && Stops && Stops[0] > 0)
        return (X / Stops[0] + 1) * Stops[0];
    for (int i = 0; Stops && i < Count; ++i)
        if (Stops[i] > X)
            return Stops[i];
    return (X / Default + 1) * Default;
}

// Walks the text segment by segment; Draw (when given) draws each at its offset.
DWORD Tabbed(HDC DC, int X, int Y, LPCSTR Text, int Length, int Count, const INT* Stops, int Origin, bool Draw)
{
    if (!Text)
        Length = 0;
    else if (Length < 0)
        Length = int(std::strlen(Text));
    TEXTMETRIC tm;
    GetTextMetrics(DC, &tm);
    const int def = tm.tmAveCharWidth > 0 ? 8 * tm.tmAveCharWidth : 8;
    const int shift = X - Origin;  // where the text starts, seen from the tab origin
    int x = 0;
    int start = 0;
    for (int i = 0; i <= Length; ++i) {
        if (i < Length && Text[i] != '\t')
            continue;
        if (i > start) {
            SIZE sz;
            GetTextExtentPoint32(DC, Text + start, i - start, &sz);
            if (Draw)
                TextOut(DC, X + x, Y, Text + start, i - start);
            x += sz.cx;
        }
        if (i < Length)
            x = NextStop(x + shift, Count, Stops, def) - shift;
        start = i + 1;
    }
    return MAKELONG(Word(x), Word(tm.tmHeight));
}

}  // namespace

DWORD GetTabbedTextExtent(HDC hDC, LPCSTR lpString, int chCount, int nTabPositions, const INT* lpnTabStopPositions)
{
    return Tabbed(hDC, 0, 0, lpString, chCount, nTabPositions, lpnTabStopPositions, 0, false);
}

LONG TabbedTextOut(HDC hDC, int X, int Y, LPCSTR lpString, int chCount, int nTabPositions,
                   const INT* lpnTabStopPositions, int nTabOrigin)
{
    return LONG(Tabbed(hDC, X, Y, lpString, chCount, nTabPositions, lpnTabStopPositions, nTabOrigin, true));
}

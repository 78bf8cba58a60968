// Text: metrics and extents, output with alignment, justification and per-character advances,
// and formatted text in a rectangle (wrapping, prefixes, ellipses).
#include <QFontMetrics>
#include <QGlyphRun>
#include <QString>
#include <QVarLengthArray>

#include <algorithm>
#include <vector>

#include "platform/WinGdiMore.h"
#include "platform/qt/GdiObjects.h"

using namespace morvik::backend;
using namespace morvik::qtgdi;

namespace morvik::qtgdi {

// Removes the "&" prefix marks; returns the index of the underlined character or -1.
std::string StripPrefix(const std::string& s, int& underline)
{
    std::string out;
    underline = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                out += '&';
                ++i;
                continue;
            }
            if (i + 1 < s.size())
                underline = int(out.size());
            continue;
        }
        out += s[i];
    }
    return out;
}

}  // namespace morvik::qtgdi

// ---- Text -------------------------------------------------------------------------------------------
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm)
{
    DCObj* dc = DC(hdc);
    if (!dc || !tm)
        return FALSE;
    FontObj* f = FontOfDC(dc);
    tm->tmAscent = f->ascent;
    tm->tmDescent = f->descent;
    tm->tmHeight = f->ascent + f->descent;
    tm->tmInternalLeading = std::max(0, tm->tmHeight - f->emHeight);
    tm->tmExternalLeading = 0;
    tm->tmAveCharWidth = f->aveWidth;
    tm->tmMaxCharWidth = f->maxWidth;
    tm->tmWeight = f->lf.lfWeight;
    tm->tmItalic = f->lf.lfItalic;
    tm->tmUnderlined = f->lf.lfUnderline;
    tm->tmStruckOut = f->lf.lfStrikeOut;
    tm->tmPitchAndFamily = f->font.fixedPitch() ? 0 : 1;  // the system's bit means "variable"
    tm->tmCharSet = f->lf.lfCharSet;
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR s, int c, SIZE* sz)
{
    DCObj* dc = DC(hdc);
    if (!dc || !sz || c < 0)
        return FALSE;
    FontObj* f = FontOfDC(dc);
    QString q = ToQString(std::string(s, size_t(c)), f->lf.lfCharSet);
    sz->cx = TextWidthPx(f, q, dc->st.charExtra);
    if (dc->st.justCount > 0)
        sz->cx += dc->st.justExtra;
    sz->cy = f->ascent + f->descent;
    return TRUE;
}

namespace {

// Draws a run of text with its top-left cell corner at image point (x, y); returns its width.
// A width the caller has not measured: PaintText measures only when it must (an opaque
// background) and then returns 0.
constexpr int kUnmeasured = -2;

// The opaque background of a run, straight into the image rows.
void FillBackground(DCObj* dc, const Surface& s, QRect r, const QRect* clipTo)
{
    if (clipTo)
        r &= *clipTo;
    BrushInfo b;
    b.style = BS_SOLID;
    b.color = dc->st.bk;
    FillImgRect(dc, s, r, b);
}

// Text drawn as the font's glyphs of its code page, at the advances given or the glyphs' own, with
// its baseline's start at Origin. False (nothing drawn) when a character needs what only shaping
// gives: another font, a control code, a ligature (f before f, i or l).
bool DrawGlyphs(QPainter& p, FontObj* f, QPointF Origin, const QString& q, int count, const int* dx)
{
    const GlyphTable* t = f->Glyphs();
    if (!t || count <= 0)
        return false;
    QVarLengthArray<quint32, 128> index(count);
    QVarLengthArray<QPointF, 128> at(count);
    qreal x = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = q.at(i).unicode();
        const int b = t->ByteOf(c);
        if (b < 0)
            return false;
        if (c == u'f' && i + 1 < count && GlyphTable::Joins(q.at(i + 1).unicode()))
            return false;
        index[i] = t->index[b];
        at[i] = QPointF(x, 0);
        x += dx ? qreal(dx[i]) : t->advance[b];
    }
    QGlyphRun run;
    run.setRawFont(t->raw);
    run.setRawData(index.constData(), at.constData(), count);
    p.drawGlyphRun(Origin, run);
    return true;
}

// Characters placed at the given advances, with one painter for the whole run; returns its width.
int PaintTextAdvances(DCObj* dc, Surface& s, int x, int y, const QString& q, FontObj* f, bool opaque,
                      const QRect* clipTo, const int* dx, int count)
{
    int width = 0;
    for (int i = 0; i < count; ++i)
        width += dx[i];
    int height = f->ascent + f->descent;
    if (opaque)
        FillBackground(dc, s, QRect(x, y, width, height), clipTo);
    QPainter p(s.img);
    int margin = std::max(2, height / 2);
    QRect box(x - margin, y - margin, width + f->maxWidth + 2 * margin, height + 2 * margin);
    if (!(s.covers(box) && (!clipTo || clipTo->contains(box)))) {
        if (s.rects().size() == 1)
            p.setClipRect(clipTo ? (s.rects().front() & *clipTo) : s.rects().front());
        else
            p.setClipRegion(clipTo ? (s.clip & QRegion(*clipTo)) : s.clip);
    }
    p.setPen(ToQColor(dc->st.text));
    const int n = std::min(int(q.size()), count);
    if (DrawGlyphs(p, f, QPointF(x, y + f->ascent), q, n, dx))
        return width;
    p.setFont(f->font);
    int cx = x;
    for (int i = 0; i < n; ++i) {
        p.drawText(QPointF(cx, y + f->ascent), QString(q.at(i)));
        cx += dx[i];
    }
    return width;
}

int PaintText(DCObj* dc, Surface& s, int x, int y, const QString& q, FontObj* f, bool opaque, const QRect* clipTo,
              int underlineIndex, int width = -1)
{
    bool unmeasured = width == kUnmeasured && !opaque;
    if (width < 0 && !unmeasured)
        width = TextWidthPx(f, q, dc->st.charExtra);
    int height = f->ascent + f->descent;
    QPainter p(s.img);
    // Glyphs may reach a little past the cell (italic overhangs, accents); a run whose box with
    // that margin lies inside one clip rectangle needs no clipping at all. Unmeasured, the box is
    // as wide as the widest glyph allows.
    int margin = std::max(2, height / 2);
    int boxWidth = unmeasured ? (f->maxWidth + dc->st.charExtra) * int(q.size()) : width;
    QRect box(x - margin, y - margin, boxWidth + 2 * margin, height + 2 * margin);
    bool inside = s.covers(box) && (!clipTo || clipTo->contains(box));
    if (!inside) {
        if (s.rects().size() == 1)
            p.setClipRect(clipTo ? (s.rects().front() & *clipTo) : s.rects().front());
        else
            p.setClipRegion(clipTo ? (s.clip & QRegion(*clipTo)) : s.clip);
    }
    if (opaque)
        FillBackground(dc, s, QRect(x, y, width, height), clipTo);
    p.setFont(f->font);
    p.setPen(ToQColor(dc->st.text));
    if (dc->st.charExtra == 0) {
        if (!DrawGlyphs(p, f, QPointF(x, y + f->ascent), q, int(q.size()), nullptr))
            p.drawText(QPointF(x, y + f->ascent), q);
    } else {
        const QFontMetrics& m = f->metrics;
        int cx = x;
        for (QChar ch : q) {
            p.drawText(QPointF(cx, y + f->ascent), QString(ch));
            cx += m.horizontalAdvance(ch) + dc->st.charExtra;
        }
    }
    if (underlineIndex >= 0 && underlineIndex < q.size()) {
        const QFontMetrics& m = f->metrics;
        int ux = x + m.horizontalAdvance(q.left(underlineIndex)) + dc->st.charExtra * underlineIndex;
        int uw = m.horizontalAdvance(q.at(underlineIndex));
        p.fillRect(QRect(ux, y + f->ascent + 1, uw, 1), ToQColor(dc->st.text));
    }
    return unmeasured ? 0 : width;
}

// Text output at a logical point under the context's alignment, justification and current position.
void TextOutImpl(DCObj* dc, int x, int y, const std::string& text, const RECT* opaqueRect, bool clipToRect,
                 const int* dx)
{
    FontObj* f = FontOfDC(dc);
    Surface s = Prepare(dc);
    QString q = ToQString(text, f->lf.lfCharSet);
    bool updateCP = dc->st.align & TA_UPDATECP;
    if (updateCP) {
        x = dc->st.cur.X;
        y = dc->st.cur.Y;
    }
    // Width with justification: the extra pixels go to the break characters (blanks).
    int breaks = 0;
    for (QChar c : q)
        if (c == QLatin1Char(' '))
            ++breaks;
    int extra = (dc->st.justCount > 0 && breaks > 0) ? dc->st.justExtra : 0;
    int width = kUnmeasured;
    UINT horizontal = dc->st.align & 6;
    if (dx) {
        width = 0;
        for (int i = 0; i < int(text.size()); ++i)
            width += dx[i];
    } else if (horizontal != TA_LEFT || updateCP || extra || dc->st.bkMode == OPAQUE) {
        // Left-aligned transparent text that moves no current position needs no measuring.
        width = TextWidthPx(f, q, dc->st.charExtra) + extra;
    }
    int h = f->ascent + f->descent;
    int left = x;
    UINT ha = dc->st.align & 6;
    if (ha == TA_RIGHT)
        left = x - width;
    else if (ha == TA_CENTER)
        left = x - width / 2;
    int top = y;
    UINT va = dc->st.align & 24;
    if (va == TA_BASELINE)
        top = y - f->ascent;
    else if (va == TA_BOTTOM)
        top = y - h;
    if (s.ok()) {
        QRect clipRect;
        const QRect* clipPtr = nullptr;
        if (opaqueRect) {
            QRect ir = ImgRect(dc, opaqueRect->Left, opaqueRect->Top, opaqueRect->Right, opaqueRect->Bottom);
            if (clipToRect) {
                clipRect = ir;
                clipPtr = &clipRect;
            }
        }
        int ix = IX(dc, left), iy = IY(dc, top);
        bool opaque = dc->st.bkMode == OPAQUE;
        if (dx) {
            PaintTextAdvances(dc, s, ix, iy, q, f, opaque, clipPtr, dx, int(text.size()));
        } else if (extra == 0) {
            PaintText(dc, s, ix, iy, q, f, opaque, clipPtr, -1, width);
        } else {
            // Segment by segment, each blank followed by its share of the extra space.
            int q0 = extra / breaks, r = extra % breaks;
            int cx = ix, start = 0, seen = 0;
            for (int i = 0; i <= q.size(); ++i) {
                if (i == q.size() || q.at(i) == QLatin1Char(' ')) {
                    int end = i == q.size() ? i : i + 1;
                    QString seg = q.mid(start, end - start);
                    cx += PaintText(dc, s, cx, iy, seg, f, opaque, clipPtr, -1);
                    if (i < q.size()) {
                        int add = q0 + (seen < r ? 1 : 0);
                        if (opaque && add > 0)
                            FillBackground(dc, s, QRect(cx, iy, add, h), clipPtr);
                        cx += add;
                        ++seen;
                    }
                    start = end;
                }
            }
        }
        // Glyphs may overhang their cells a little.
        int reach = width >= 0 ? width : (f->maxWidth + dc->st.charExtra) * int(q.size());
        int margin = std::max(2, h / 2);
        QRect touched(ix - margin, iy - margin, reach + 2 * margin + f->maxWidth, h + 2 * margin);
        Touched(dc, clipPtr ? (touched & *clipPtr) : touched);
    }
    if (updateCP) {
        if (ha == TA_RIGHT)
            dc->st.cur.X = x - width;
        else if (ha != TA_CENTER)
            dc->st.cur.X = x + width;
    }
}

}  // namespace

BOOL TextOut(HDC hdc, int x, int y, LPCSTR s, int c)
{
    DCObj* dc = DC(hdc);
    if (!dc || c < 0)
        return FALSE;
    TextOutImpl(dc, x, y, std::string(s, size_t(c)), nullptr, false, nullptr);
    return TRUE;
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* r, LPCSTR s, UINT c, const int* dx)
{
    DCObj* dc = DC(hdc);
    if (!dc)
        return FALSE;
    if ((options & ETO_OPAQUE) && r) {
        Surface sf = Prepare(dc);
        if (sf.ok()) {
            BrushInfo b;
            b.style = BS_SOLID;
            b.color = dc->st.bk;
            QRect ir = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
            FillImgRect(dc, sf, ir, b);
            Touched(dc, ir);
        }
    }
    if (s && c > 0)
        TextOutImpl(dc, x, y, std::string(s, c), r, (options & ETO_CLIPPED) != 0, dx);
    return TRUE;
}

namespace {

// Measures the lines of formatted text as drawing places them: with the context's extra space
// after each character, and with DT_EXPANDTABS each tab moving on to the next tab stop, a fixed
// distance from the start of its line.
struct LineMeasure {
    FontObj* f;
    int extra;
    int tab;  // 0: tabs are characters like any other

    bool HasTabs(const QString& s) const { return tab > 0 && s.contains(QLatin1Char('\t')); }
    int Width(const QString& s) const
    {
        if (!HasTabs(s))
            return s.isEmpty() ? 0 : TextWidthPx(f, s, extra);
        std::vector<int> ends;
        Ends(s, ends);
        return ends.back();
    }
    int NextStop(int x) const { return (x / tab + 1) * tab; }
    // Where each character of s ends, from the start of its line.
    void Ends(const QString& s, std::vector<int>& out) const
    {
        out.assign(size_t(s.size()), 0);
        int x = 0, start = 0;
        for (int i = 0; i <= s.size(); ++i) {
            const bool isTab = i < s.size() && tab > 0 && s.at(i) == QLatin1Char('\t');
            if (i < s.size() && !isTab)
                continue;
            if (i > start) {
                TextEndsPx(f, s.mid(start, i - start), extra, &out[size_t(start)]);
                for (int k = start; k < i; ++k)
                    out[size_t(k)] += x;
                x = out[size_t(i - 1)];
            }
            if (isTab)
                out[size_t(i)] = x = NextStop(x);
            start = i + 1;
        }
    }
    // The longest start of t, at most Limit characters, that fits Room with Suffix after it; 0
    // when none does. Found from the characters' ends and made exact on the few measures around
    // that length (pairs of characters may sit closer than their ends say).
    int LongestStart(const QString& t, int Limit, const QString& Suffix, int Room) const
    {
        std::vector<int> ends;
        Ends(t.left(Limit), ends);
        const int suffixWidth = Width(Suffix);
        int keep = int(std::upper_bound(ends.begin(), ends.end(), Room - suffixWidth) - ends.begin());
        const auto fits = [&](int n) { return Width(t.left(n) + Suffix) <= Room; };
        while (keep > 0 && !fits(keep))
            --keep;
        while (keep < Limit && fits(keep + 1))
            ++keep;
        return keep;
    }
};

// A line cut to its box with "...": at its end, or with DT_PATH_ELLIPSIS in its folders, so that
// the last element of a path stays whole (cut at its end when even that does not fit).
QString Ellipsis(const LineMeasure& m, const QString& t, int Room, UINT fmt)
{
    const QString dots = QStringLiteral("...");
    if (fmt & DT_PATH_ELLIPSIS) {
        const int folders = int(std::max(t.lastIndexOf(QLatin1Char('\\')), t.lastIndexOf(QLatin1Char('/'))));
        if (folders >= 0) {
            const QString last = dots + t.mid(folders);
            const QString cut = t.left(m.LongestStart(t, folders, last, Room)) + last;
            if (m.Width(cut) <= Room || !(fmt & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)))
                return cut;
            return cut.left(m.LongestStart(cut, int(cut.size()), dots, Room)) + dots;
        }
    }
    return t.left(m.LongestStart(t, int(t.size()), dots, Room)) + dots;
}

// Formatted text once it is in Unicode, its prefix marks taken out (underline: the index of the
// character to underline, or -1).
int DrawTextQ(DCObj* dc, FontObj* f, const QString& all, int underline, RECT* r, UINT fmt, int tabChars)
{
    int lineHeight = f->ascent + f->descent;
    const LineMeasure m{f, dc->st.charExtra, (fmt & DT_EXPANDTABS) ? tabChars * std::max(1, f->aveWidth) : 0};
    auto width = [&](const QString& s) { return m.Width(s); };

    struct Line {
        QString text;
        int start;  // index into 'all' of its first character
    };
    std::vector<Line> lines;
    int boxWidth = r->Right - r->Left;
    auto addWrapped = [&](const QString& para, int base) {
        if (!(fmt & DT_WORDBREAK) || (fmt & DT_SINGLELINE)) {
            lines.push_back({para, base});
            return;
        }
        int i = 0;
        if (para.isEmpty())
            lines.push_back({para, base});
        while (i < para.size()) {
            // Longest prefix that fits, broken after a blank; a word wider than the box stands alone.
            int lastBreak = -1, j = i;
            while (j < para.size()) {
                // Blanks may hang past the edge; only visible characters must fit.
                if (para.at(j) == QLatin1Char(' '))
                    lastBreak = j;
                else if (width(para.mid(i, j - i + 1)) > boxWidth && j > i)
                    break;
                ++j;
            }
            int end;
            if (j >= para.size())
                end = para.size();
            else if (lastBreak >= i)
                end = lastBreak + 1;
            else {
                end = j;
                while (end < para.size() && para.at(end) != QLatin1Char(' '))
                    ++end;
                if (end < para.size())
                    ++end;
            }
            QString ln = para.mid(i, end - i);
            while (ln.endsWith(QLatin1Char(' ')))
                ln.chop(1);
            lines.push_back({ln, base + i});
            i = end;
        }
    };
    if (fmt & DT_SINGLELINE) {
        QString one = all;
        one.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines.push_back({one, 0});
    } else {
        int start = 0;
        for (int i = 0; i <= all.size(); ++i) {
            if (i == all.size() || all.at(i) == QLatin1Char('\r') || all.at(i) == QLatin1Char('\n')) {
                addWrapped(all.mid(start, i - start), start);
                if (i < all.size() && all.at(i) == QLatin1Char('\r') && i + 1 < all.size() &&
                    all.at(i + 1) == QLatin1Char('\n'))
                    ++i;
                start = i + 1;
                if (i == all.size())
                    break;
            }
        }
        if (!all.isEmpty() && (all.endsWith(QLatin1Char('\n')) || all.endsWith(QLatin1Char('\r'))))
            lines.pop_back();  // a final break opens no new line
    }
    if (fmt & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
        for (auto& ln : lines)
            if (width(ln.text) > boxWidth)
                ln.text = Ellipsis(m, ln.text, boxWidth, fmt);
    int total = lineHeight * int(lines.size());
    if (fmt & DT_CALCRECT) {
        int maxW = 0;
        for (auto& ln : lines)
            maxW = std::max(maxW, width(ln.text));
        r->Right = r->Left + maxW;
        r->Bottom = r->Top + total;
        return total;
    }
    int y = r->Top;
    if (fmt & DT_SINGLELINE) {
        if (fmt & DT_VCENTER)
            y = r->Top + (r->Bottom - r->Top - lineHeight) / 2;
        else if (fmt & DT_BOTTOM)
            y = r->Bottom - lineHeight;
    }
    Surface s = Prepare(dc);
    if (s.ok()) {
        QRect clipImg = ImgRect(dc, r->Left, r->Top, r->Right, r->Bottom);
        const QRect* clipPtr = (fmt & DT_NOCLIP) ? nullptr : &clipImg;
        bool opaque = dc->st.bkMode == OPAQUE;
        // Measuring costs as much as drawing: only centred and right-aligned lines need it.
        bool aligned = fmt & (DT_CENTER | DT_RIGHT);
        std::vector<int> ends;
        for (auto& ln : lines) {
            int w = aligned ? width(ln.text) : kUnmeasured;
            int x = r->Left;
            if (fmt & DT_CENTER)
                x = r->Left + (boxWidth - w) / 2;
            else if (fmt & DT_RIGHT)
                x = r->Right - w;
            int ul = -1;
            if (underline >= ln.start && underline < ln.start + ln.text.size())
                ul = underline - ln.start;
            if (!m.HasTabs(ln.text)) {
                PaintText(dc, s, IX(dc, x), IY(dc, y), ln.text, f, opaque, clipPtr, ul, w);
            } else {
                // Piece by piece between the tabs, each at its place; an opaque background fills
                // the tabs' room as well.
                m.Ends(ln.text, ends);
                int from = 0, at = 0;
                for (int i = 0; i <= ln.text.size(); ++i) {
                    if (i < ln.text.size() && ln.text.at(i) != QLatin1Char('\t'))
                        continue;
                    if (i > from)
                        PaintText(dc, s, IX(dc, x + at), IY(dc, y), ln.text.mid(from, i - from), f, opaque, clipPtr,
                                  ul >= from && ul < i ? ul - from : -1, ends[size_t(i - 1)] - at);
                    if (i < ln.text.size()) {
                        const int tabFrom = i > 0 ? ends[size_t(i - 1)] : 0;
                        if (opaque)
                            FillBackground(dc, s, QRect(IX(dc, x + tabFrom), IY(dc, y), ends[size_t(i)] - tabFrom, lineHeight),
                                           clipPtr);
                        at = ends[size_t(i)];
                    }
                    from = i + 1;
                }
            }
            y += lineHeight;
        }
        Touched(dc, clipPtr ? *clipPtr : QRect());
    }
    if (fmt & DT_SINGLELINE)
        return (fmt & (DT_VCENTER | DT_BOTTOM)) ? (y - r->Top) : lineHeight;
    return total;
}

// With DT_TABSTOP the second byte of the flags is the tab stops' spacing in average characters,
// not flags (none of DT_NOCLIP to DT_END_ELLIPSIS then); without it the stops are eight apart.
UINT TabStops(UINT fmt, int& tabChars)
{
    tabChars = 8;
    if (!(fmt & DT_TABSTOP))
        return fmt;
    if (fmt & 0xFF00)
        tabChars = int((fmt >> 8) & 0xFF);
    return fmt & ~0xFF00u;
}

QString StripPrefixW(const QString& s, int& underline)
{
    QString out;
    underline = -1;
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) == QLatin1Char('&')) {
            if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
                continue;
            }
            if (i + 1 < s.size())
                underline = int(out.size());
            continue;
        }
        out += s.at(i);
    }
    return out;
}

}  // namespace

int DrawText(HDC hdc, LPCSTR text, int count, RECT* r, UINT fmt)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r || !text)
        return 0;
    std::string src = count < 0 ? std::string(text) : std::string(text, size_t(count));
    FontObj* f = FontOfDC(dc);
    int underline = -1, tabChars;
    fmt = TabStops(fmt, tabChars);
    std::string plain = (fmt & DT_NOPREFIX) ? src : StripPrefix(src, underline);
    return DrawTextQ(dc, f, ToQString(plain, f->lf.lfCharSet), underline, r, fmt, tabChars);
}

int DrawTextW(HDC hdc, const char16_t* text, int count, RECT* r, UINT fmt)
{
    DCObj* dc = DC(hdc);
    if (!dc || !r || !text)
        return 0;
    QString src = count < 0 ? QString::fromUtf16(text) : QString::fromUtf16(text, count);
    int underline = -1, tabChars;
    fmt = TabStops(fmt, tabChars);
    QString plain = (fmt & DT_NOPREFIX) ? src : StripPrefixW(src, underline);
    return DrawTextQ(dc, FontOfDC(dc), plain, underline, r, fmt, tabChars);
}

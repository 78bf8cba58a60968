// The edit window's layout: measuring the font, wrapping paragraphs into lines, and mapping
// between characters and client points.
#include <algorithm>
#include <climits>

#include "platform/EditCore.h"
#include "platform/EditInternals.h"

namespace morvik::stdctl {

using namespace editdetail;

// ---- Measuring and layout --------------------------------------------------------------------
void TEditCore::Measure()
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FHost->Font()->Handle());
    GetCharWidth32(dc, 0, 255, FWidths);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    FLineHeight = std::max<int>(1, tm.tmHeight);
    FAveWidth = std::max<int>(1, tm.tmAveCharWidth);
    FMeasured = true;
}

int TEditCore::Advance(unsigned char C, int X) const
{
    if (FPasswordChar)
        return FWidths[static_cast<unsigned char>(FPasswordChar)];
    if (C == '\t') {
        const int tab = 8 * FAveWidth;
        return (X / tab + 1) * tab - X;
    }
    return FWidths[C];
}

int TEditCore::TextWidth(int From, int To, int X) const
{
    int x = X;
    for (int i = From; i < To; ++i)
        x += Advance(static_cast<unsigned char>(FText[size_t(i)]), x);
    return x - X;
}

int TEditCore::ParagraphEnd(int Pos, int& BreakLen) const
{
    const size_t e = FText.find_first_of("\r\n", size_t(Pos));
    if (e == std::string::npos) {
        BreakLen = 0;
        return int(FText.size());
    }
    BreakLen = (FText[e] == '\r' && e + 1 < FText.size() && FText[e + 1] == '\n') ? 2 : 1;
    return int(e);
}

void TEditCore::WrapParagraph(int From, int End, int BreakLen, int Width, std::vector<TLine>& Out) const
{
    const int width = Width;
    int pos = From;
    for (;;) {
        int x = 0;
        int i = pos;
        int lastBreak = -1, widthAtBreak = 0;
        while (i < End) {
            const unsigned char c = static_cast<unsigned char>(FText[size_t(i)]);
            const int w = Advance(c, x);
            if (x + w > width && i > pos && !IsBlank(c))
                break;
            x += w;
            ++i;
            if (IsBlank(c)) {
                lastBreak = i;
                widthAtBreak = x;
            }
        }
        if (i >= End) {
            Out.push_back({pos, End - pos, End + BreakLen, x});
            return;
        }
        // Break after the last blank that fits; a word longer than the line breaks where it must.
        if (lastBreak > pos) {
            Out.push_back({pos, lastBreak - pos, lastBreak, widthAtBreak});
            pos = lastBreak;
        } else {
            Out.push_back({pos, i - pos, i, x});
            pos = i;
        }
    }
}

void TEditCore::LayoutAll()
{
    if (!FMeasured)
        Measure();
    FLines.clear();
    const int width = WrapWidth();
    if (!Multi()) {
        FLines.push_back({0, int(FText.size()), int(FText.size()), TextWidth(0, int(FText.size()), 0)});
    } else {
        int pos = 0;
        for (;;) {
            int bl = 0;
            const int e = ParagraphEnd(pos, bl);
            WrapParagraph(pos, e, bl, width, FLines);
            if (bl == 0)
                break;
            pos = e + bl;
        }
    }
    FMaxWidth = 0;
    for (const TLine& l : FLines)
        FMaxWidth = std::max(FMaxWidth, l.Width);
    FLayoutValid = true;
    FParasValid = false;
}

void TEditCore::BuildParagraphs()
{
    if (!FLayoutValid)
        LayoutAll();
    if (FParasValid)
        return;
    FParas.clear();
    for (size_t i = 0; i < FLines.size(); ++i)
        if (i == 0 || FLines[i - 1].Next != FLines[i - 1].Start + FLines[i - 1].Len)
            FParas.push_back(int(i));
    FParasValid = true;
}

int TEditCore::ParagraphCount()
{
    BuildParagraphs();
    int n = int(FParas.size());
    // An empty last paragraph (after a final break, or of an empty text) is no line of its own.
    if (n > 0 && FLines[size_t(FParas.back())].Start == int(FText.size()))
        --n;
    return n;
}

int TEditCore::ParagraphStart(int Index)
{
    BuildParagraphs();
    if (Index < 0 || Index >= int(FParas.size()))
        return -1;
    return FLines[size_t(FParas[size_t(Index)])].Start;
}

int TEditCore::ParagraphLength(int Index)
{
    BuildParagraphs();
    if (Index < 0 || Index >= int(FParas.size()))
        return 0;
    const size_t last = Index + 1 < int(FParas.size()) ? size_t(FParas[size_t(Index) + 1]) - 1 : FLines.size() - 1;
    const TLine& l = FLines[last];
    return l.Start + l.Len - ParagraphStart(Index);
}

// Lays out again only the paragraphs the change touched; the lines after them move by its length.
void TEditCore::LayoutChange(int From, int OldEnd, int NewEnd)
{
    if (!FLayoutValid || !Multi() || FLines.empty()) {
        LayoutAll();
        return;
    }
    const int delta = NewEnd - OldEnd;
    auto soft = [this](int i) { return FLines[size_t(i)].Next == FLines[size_t(i)].Start + FLines[size_t(i)].Len; };
    int a = LineOf(From);
    // A change at a paragraph's start may join it to the one before (a CR meeting an LF).
    if (a > 0 && From <= FLines[size_t(a)].Start)
        --a;
    while (a > 0 && soft(a - 1))
        --a;
    int b = LineOf(OldEnd);
    while (b + 1 < int(FLines.size()) && soft(b))
        ++b;
    const bool toEnd = b + 1 == int(FLines.size());
    const int regionEnd = toEnd ? int(FText.size()) : FLines[size_t(b)].Next + delta;
    std::vector<TLine> fresh;
    const int width = WrapWidth();
    int pos = FLines[size_t(a)].Start;
    for (;;) {
        int bl = 0;
        const int e = ParagraphEnd(pos, bl);
        WrapParagraph(pos, e, bl, width, fresh);
        if (bl == 0)
            break;
        pos = e + bl;
        if (!toEnd && pos >= regionEnd)
            break;
    }
    // The widest line is looked for again only when the widest one went.
    bool lostWidest = false;
    for (int i = a; i <= b; ++i)
        lostWidest = lostWidest || FLines[size_t(i)].Width >= FMaxWidth;
    for (size_t i = size_t(b) + 1; i < FLines.size(); ++i) {
        FLines[i].Start += delta;
        FLines[i].Next += delta;
    }
    FLines.erase(FLines.begin() + a, FLines.begin() + b + 1);
    FLines.insert(FLines.begin() + a, fresh.begin(), fresh.end());
    if (lostWidest) {
        FMaxWidth = 0;
        for (const TLine& l : FLines)
            FMaxWidth = std::max(FMaxWidth, l.Width);
    } else {
        for (const TLine& l : fresh)
            FMaxWidth = std::max(FMaxWidth, l.Width);
    }
    FParasValid = false;
}

int TEditCore::WrapWidth()
{
    return Wraps() && Wnd() ? std::max(1, FormatRect().Width()) : INT_MAX;
}

void TEditCore::Relayout()
{
    Measure();
    LayoutAll();
    if (Wnd()) {
        FTopLine = std::min(FTopLine, std::max(0, int(FLines.size()) - 1));
        ScrollCaretIntoView();
        UpdateScrollBars();
        PlaceCaret();
        Invalidate();
    }
}

int TEditCore::LineOf(int Pos) const
{
    auto it = std::upper_bound(FLines.begin(), FLines.end(), Pos,
                               [](int p, const TLine& l) { return p < l.Start; });
    return std::max(0, int(it - FLines.begin()) - 1);
}

int TEditCore::LineCount()
{
    if (!FLayoutValid)
        LayoutAll();
    return int(FLines.size());
}

int TEditCore::LineIndex(int Line)
{
    if (!FLayoutValid)
        LayoutAll();
    if (Line < 0)
        Line = LineOf(FCaret);
    return Line < int(FLines.size()) ? FLines[size_t(Line)].Start : -1;
}

int TEditCore::LineFromChar(int Pos)
{
    if (!FLayoutValid)
        LayoutAll();
    return LineOf(Pos < 0 ? SelStart() : Pos);
}

int TEditCore::LineLength(int Line)
{
    if (!FLayoutValid)
        LayoutAll();
    if (Line < 0 || Line >= int(FLines.size()))
        return 0;
    return FLines[size_t(Line)].Len;
}

TRect TEditCore::FormatRect()
{
    if (!FMeasured)
        Measure();
    TRect c{0, 0, 0, 0};
    if (HWND h = Wnd())
        GetClientRect(h, &c);
    TRect r{c.Left + kMarginX, c.Top, std::max(c.Left + kMarginX, c.Right - kMarginX), c.Bottom};
    if (Multi()) {
        r.Top += 1;
    } else {
        // A single line sits in the middle of a taller box.
        r.Top = c.Top + std::max(0, (c.Height() - FLineHeight) / 2);
        r.Bottom = r.Top + FLineHeight;
    }
    return r;
}

int TEditCore::LineLeft(const TLine& L)
{
    const TRect f = FormatRect();
    int offset = 0;
    const DWORD align = Style() & (ES_CENTER | ES_RIGHT);
    if (align == ES_RIGHT)
        offset = std::max(0, f.Width() - L.Width - 1);
    else if (align == ES_CENTER)
        offset = std::max(0, (f.Width() - L.Width) / 2);
    return f.Left - FScrollX + offset;
}

int TEditCore::VisibleLines() { return std::max(1, FormatRect().Height() / FLineHeight); }

TPoint TEditCore::PosFromChar(int Pos)
{
    if (!FLayoutValid)
        LayoutAll();
    Pos = std::clamp(Pos, 0, int(FText.size()));
    const int line = LineOf(Pos);
    const TLine& l = FLines[size_t(line)];
    const TRect f = FormatRect();
    return {LineLeft(l) + TextWidth(l.Start, std::min(Pos, l.Start + l.Len), 0),
            f.Top + (line - FTopLine) * FLineHeight};
}

int TEditCore::CharFromPos(TPoint Point)
{
    if (!FLayoutValid)
        LayoutAll();
    const TRect f = FormatRect();
    int line = 0;
    if (Multi()) {
        const int dy = Point.Y - f.Top;
        line = FTopLine + (dy < 0 ? -1 - (-dy - 1) / FLineHeight : dy / FLineHeight);
        line = std::clamp(line, 0, int(FLines.size()) - 1);
    }
    const TLine& l = FLines[size_t(line)];
    const int x = Point.X - LineLeft(l);
    int acc = 0;
    for (int i = l.Start; i < l.Start + l.Len; ++i) {
        const int w = Advance(static_cast<unsigned char>(FText[size_t(i)]), acc);
        if (x < acc + (w + 1) / 2)
            return i;
        acc += w;
    }
    // A soft-broken line ends before its trailing blank, so the click does not land on the next line.
    int end = l.Start + l.Len;
    if (l.Next == end && end < int(FText.size()) && end > l.Start)
        --end;
    return end;
}

}  // namespace morvik::stdctl

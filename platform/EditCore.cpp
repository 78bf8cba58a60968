#include "platform/EditCore.h"

#include <algorithm>
#include <climits>

#include "platform/Clipbrd.h"
#include "platform/CodePages.h"
#include "platform/Guard.h"

namespace morvik::stdctl {

namespace {

// The host (and its window) are still there after a handler ran.
bool Alive(const TGuardPtr<TWinControl>& Host, HWND Wnd) { return Host && IsWindow(Wnd); }

constexpr int kMaxUndoSteps = 1000;
constexpr int kNoLimit = 0x7FFFFFFE;
constexpr int kMarginX = 2;

enum { kOther = 0, kTyping = 1, kDeleteBack = 2, kDeleteForward = 3 };

bool IsLetter(char32_t C)
{
    if ((C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_')
        return true;
    if (C == 0xAA || C == 0xB5 || C == 0xBA)
        return true;
    if (C >= 0xC0 && C <= 0x24F)
        return C != 0xD7 && C != 0xF7;
    return C >= 0x400 && C <= 0x4FF;
}

char32_t ToUpper(char32_t C)
{
    if (C >= 'a' && C <= 'z')
        return C - 32;
    if ((C >= 0xE0 && C <= 0xFE && C != 0xF7) || (C >= 0x430 && C <= 0x44F))
        return C - 0x20;
    if (C == 0xFF)
        return 0x178;
    if (C >= 0x450 && C <= 0x45F)
        return C - 0x50;
    // Latin Extended-A and the Cyrillic supplement pair capitals and small letters as even and odd.
    if ((C >= 0x100 && C <= 0x17F && C != 0x138 && C != 0x149) || (C >= 0x460 && C <= 0x4FF)) {
        const bool oddSmall = (C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E);
        if (oddSmall ? (C % 2 == 0) : (C % 2 == 1))
            return C - 1;
    }
    return C;
}

char32_t ToLower(char32_t C)
{
    if (C >= 'A' && C <= 'Z')
        return C + 32;
    if ((C >= 0xC0 && C <= 0xDE && C != 0xD7) || (C >= 0x410 && C <= 0x42F))
        return C + 0x20;
    if (C == 0x178)
        return 0xFF;
    if (C >= 0x400 && C <= 0x40F)
        return C + 0x50;
    if ((C >= 0x100 && C <= 0x17F && C != 0x138 && C != 0x149) || (C >= 0x460 && C <= 0x4FF)) {
        const bool oddCapital = (C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E);
        if (oddCapital ? (C % 2 == 1) : (C % 2 == 0))
            return C + 1;
    }
    return C;
}

unsigned char MapByte(unsigned char B, int CodePage, char32_t (*Map)(char32_t))
{
    Byte out = B;
    if (CharToCodePage(Map(CodePageToChar(B, CodePage)), CodePage, out))
        return out;
    return B;
}

bool IsBlank(unsigned char C) { return C == ' ' || C == '\t'; }
bool IsBreak(unsigned char C) { return C == '\r' || C == '\n'; }

}  // namespace

bool IsWordByte(unsigned char B, int CodePage) { return IsLetter(CodePageToChar(B, CodePage)); }
unsigned char UpperByte(unsigned char B, int CodePage) { return MapByte(B, CodePage, &ToUpper); }
unsigned char LowerByte(unsigned char B, int CodePage) { return MapByte(B, CodePage, &ToLower); }

TEditCore::TEditCore(TWinControl* Host, std::string& Text) : FHost(Host), FText(Text)
{
    FAnchor = FCaret = 0;
}

HWND TEditCore::Wnd() const { return FHost->HandleAllocated() ? FHost->Handle() : nullptr; }

DWORD TEditCore::Style() const
{
    if (HWND h = Wnd())
        return DWORD(GetWindowLong(h, GWL_STYLE));
    return FStyleSource ? FStyleSource() : FStyle;
}

bool TEditCore::Multi() const { return (Style() & ES_MULTILINE) != 0; }
bool TEditCore::Wraps() const { return Multi() && !(Style() & ES_AUTOHSCROLL) && !(Style() & WS_HSCROLL); }
int TEditCore::CodePage() const { return CharsetToCodePage(FHost->Font()->Charset()); }

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

// ---- View ------------------------------------------------------------------------------------
void TEditCore::UpdateScrollBars()
{
    HWND h = Wnd();
    if (!h || !FLayoutValid)
        return;
    const DWORD style = Style();
    if (style & WS_VSCROLL) {
        SCROLLINFO si;
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = std::max(0, int(FLines.size()) - 1);
        si.nPage = UINT(VisibleLines());
        si.nPos = FTopLine;
        SetScrollInfo(h, SB_VERT, &si, TRUE);
    }
    if (style & WS_HSCROLL) {
        const int w = FormatRect().Width();
        SCROLLINFO si;
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = std::max(FMaxWidth, FScrollX + w - 1);
        si.nPage = UINT(std::max(1, w));
        si.nPos = FScrollX;
        SetScrollInfo(h, SB_HORZ, &si, TRUE);
    }
}

void TEditCore::ScrollCaretIntoView()
{
    if (!Wnd())
        return;
    if (!FLayoutValid)
        LayoutAll();
    const TRect f = FormatRect();
    const int line = LineOf(FCaret);
    int top = FTopLine;
    if (Multi()) {
        const int vis = VisibleLines();
        if (line < top)
            top = line;
        else if (line >= top + vis)
            top = line - vis + 1;
    }
    int sx = FScrollX;
    if (!Wraps()) {
        const TLine& l = FLines[size_t(line)];
        const int x = TextWidth(l.Start, FCaret, 0);
        const int w = std::max(1, f.Width());
        if (x < sx)
            sx = std::max(0, x - w / 4);
        else if (x > sx + w - 1)
            sx = x - w + 1 + std::min(w / 4, l.Width - x);
        // Text shortened at its end does not leave the box half empty.
        sx = std::min(sx, std::max(0, FMaxWidth - w + 1));
        sx = std::max(sx, x - w + 1);
    } else {
        sx = 0;
    }
    if (top != FTopLine || sx != FScrollX) {
        FTopLine = top;
        FScrollX = sx;
        Invalidate();
        UpdateScrollBars();
    }
}

void TEditCore::ScrollTo(int TopLine, int ScrollX)
{
    if (!FLayoutValid)
        LayoutAll();
    const int maxTop = std::max(0, int(FLines.size()) - VisibleLines());
    TopLine = std::clamp(TopLine, 0, maxTop);
    ScrollX = Wraps() ? 0 : std::clamp(ScrollX, 0, std::max(0, FMaxWidth - FormatRect().Width() + 1));
    if (TopLine == FTopLine && ScrollX == FScrollX)
        return;
    FTopLine = TopLine;
    FScrollX = ScrollX;
    Invalidate();
    UpdateScrollBars();
    PlaceCaret();
}

void TEditCore::PlaceCaret()
{
    HWND h = Wnd();
    if (!h || !FCaretMade)
        return;
    const TPoint p = PosFromChar(FCaret);
    SetCaretPos(p.X, p.Y);
}

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

void TEditCore::Invalidate()
{
    if (HWND h = Wnd())
        InvalidateRect(h, nullptr, TRUE);
}

bool TEditCore::Notify(Word Code)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    if (!h)
        return true;
    if (HWND parent = GetParent(h))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetWindowLong(h, GWL_ID), Code), reinterpret_cast<LPARAM>(h));
    return Alive(host, h);
}

bool TEditCore::Changed(bool NotifyParent)
{
    ScrollCaretIntoView();
    UpdateScrollBars();
    PlaceCaret();
    Invalidate();
    if (!NotifyParent)
        return true;
    return Notify(EN_UPDATE) && Notify(EN_CHANGE);
}

// ---- Editing ---------------------------------------------------------------------------------
void TEditCore::SetText(const std::string& Value)
{
    FText = Value;
    FAnchor = FCaret = 0;
    FTopLine = 0;
    FScrollX = 0;
    FGoalX = -1;
    FModified = false;
    ClearUndo();
    FLayoutValid = false;
    FParasValid = false;
    if (Wnd()) {
        LayoutAll();
        Changed(true);
    }
}

void TEditCore::SetSel(int Anchor, int Caret)
{
    const int n = int(FText.size());
    const int c = Caret < 0 ? n : std::min(Caret, n);
    const int a = Anchor < 0 ? c : std::min(Anchor, n);
    if (a == FAnchor && c == FCaret)
        return;
    FAnchor = a;
    FCaret = c;
    FMergeTyping = false;
    FGoalX = -1;
    if (Wnd()) {
        ScrollCaretIntoView();
        PlaceCaret();
        Invalidate();
    }
}

void TEditCore::SetPasswordChar(char Value)
{
    if (FPasswordChar == Value)
        return;
    FPasswordChar = Value;
    FLayoutValid = false;
    if (Wnd())
        Relayout();
}

std::string TEditCore::Filter(const std::string& S) const
{
    const DWORD style = Style();
    const int cp = CodePage();
    std::string out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(S[i]);
        if (c == 0)
            break;
        if (IsBreak(c)) {
            // One line takes the first line of what it is given; many lines take CR LF breaks.
            if (!(style & ES_MULTILINE))
                break;
            out += "\r\n";
            if (c == '\r' && i + 1 < S.size() && S[i + 1] == '\n')
                ++i;
            continue;
        }
        if (style & ES_UPPERCASE)
            c = UpperByte(c, cp);
        else if (style & ES_LOWERCASE)
            c = LowerByte(c, cp);
        out += char(c);
    }
    return out;
}

void TEditCore::Replace(int From, int To, const std::string& S, int Kind, bool CanUndoIt)
{
    std::string removed = FText.substr(size_t(From), size_t(To - From));
    if (!CanUndoIt) {
        ClearUndo();
    } else {
        TUndoStep* last = FUndoPos > 0 && FUndoPos == int(FUndo.size()) ? &FUndo.back() : nullptr;
        bool merged = false;
        if (FMergeTyping && last && Kind != kOther && last->Kind == Kind) {
            if (Kind == kTyping && From == To && last->Pos + int(last->Inserted.size()) == From) {
                last->Inserted += S;
                merged = true;
            } else if (Kind == kDeleteBack && S.empty() && To == last->Pos && last->Inserted.empty()) {
                last->Removed.insert(0, removed);
                last->Pos = From;
                merged = true;
            } else if (Kind == kDeleteForward && S.empty() && From == last->Pos && last->Inserted.empty()) {
                last->Removed += removed;
                merged = true;
            }
        }
        if (!merged) {
            FUndo.resize(size_t(FUndoPos));
            FUndo.push_back({From, std::move(removed), S, FAnchor, FCaret, Kind});
            if (int(FUndo.size()) > kMaxUndoSteps)
                FUndo.erase(FUndo.begin());
            FUndoPos = int(FUndo.size());
        }
    }
    FText.replace(size_t(From), size_t(To - From), S);
    LayoutChange(From, To, From + int(S.size()));
    FAnchor = FCaret = From + int(S.size());
    FModified = true;
    FMergeTyping = Kind != kOther;
    FGoalX = -1;
}

void TEditCore::ReplaceSel(const std::string& S, bool CanUndoIt)
{
    std::string t = Filter(S);
    const int limit = FLimit > 0 ? FLimit : kNoLimit;
    const long long room = (long long)limit - (long long)(FText.size()) + (SelEnd() - SelStart());
    bool full = false;
    if ((long long)t.size() > room) {
        size_t keep = size_t(std::max<long long>(0, room));
        // A line break is not cut in half.
        if (keep > 0 && keep < t.size() && t[keep - 1] == '\r' && t[keep] == '\n')
            --keep;
        t.resize(keep);
        full = true;
    }
    if (!t.empty() || SelEnd() > SelStart()) {
        Replace(SelStart(), SelEnd(), t, kOther, CanUndoIt);
        FMergeTyping = false;
        if (!Changed(true))
            return;
    }
    if (full)
        Notify(EN_MAXTEXT);
}

bool TEditCore::Undo()
{
    if (!CanUndo())
        return false;
    const TUndoStep& s = FUndo[size_t(--FUndoPos)];
    FText.replace(size_t(s.Pos), s.Inserted.size(), s.Removed);
    LayoutChange(s.Pos, s.Pos + int(s.Inserted.size()), s.Pos + int(s.Removed.size()));
    FAnchor = s.Pos;
    FCaret = s.Pos + int(s.Removed.size());
    FModified = true;
    FMergeTyping = false;
    Changed(true);
    return true;
}

bool TEditCore::Redo()
{
    if (!CanRedo())
        return false;
    const TUndoStep& s = FUndo[size_t(FUndoPos++)];
    FText.replace(size_t(s.Pos), s.Removed.size(), s.Inserted);
    LayoutChange(s.Pos, s.Pos + int(s.Removed.size()), s.Pos + int(s.Inserted.size()));
    FAnchor = FCaret = s.Pos + int(s.Inserted.size());
    FModified = true;
    FMergeTyping = false;
    Changed(true);
    return true;
}

void TEditCore::ClearUndo()
{
    FUndo.clear();
    FUndoPos = 0;
    FMergeTyping = false;
}

// ---- Clipboard -------------------------------------------------------------------------------
bool TEditCore::Copy()
{
    // What a password hides is not handed to other programs.
    if (FPasswordChar || SelEnd() == SelStart())
        return false;
    Clipboard()->SetAsText(SelText(), CodePage());
    return true;
}

bool TEditCore::Cut()
{
    if ((Style() & ES_READONLY) || !Copy())
        return false;
    return Clear();
}

bool TEditCore::Clear()
{
    if ((Style() & ES_READONLY) || SelEnd() == SelStart())
        return false;
    Replace(SelStart(), SelEnd(), std::string(), kOther, true);
    FMergeTyping = false;
    Changed(true);
    return true;
}

bool TEditCore::Paste()
{
    if (Style() & ES_READONLY)
        return false;
    TClipboard* clip = Clipboard();
    if (!clip->HasFormat(CF_TEXT))
        return false;
    ReplaceSel(clip->AsText(CodePage()), true);
    return true;
}

// ---- Words -----------------------------------------------------------------------------------
namespace {
int ClassOf(unsigned char C, int CodePage)
{
    if (IsBlank(C) || IsBreak(C))
        return 0;
    return IsWordByte(C, CodePage) ? 1 : 2;
}
}  // namespace

int TEditCore::WordStart(int Pos) const
{
    const int cp = CodePage();
    while (Pos > 0 && IsWordByte(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp))
        --Pos;
    return Pos;
}

int TEditCore::WordEnd(int Pos) const
{
    const int cp = CodePage();
    while (Pos < int(FText.size()) && IsWordByte(static_cast<unsigned char>(FText[size_t(Pos)]), cp))
        ++Pos;
    return Pos;
}

int TEditCore::NextWordStart(int Pos) const
{
    const int cp = CodePage();
    const int n = int(FText.size());
    if (Pos >= n)
        return n;
    const int cls = ClassOf(static_cast<unsigned char>(FText[size_t(Pos)]), cp);
    if (cls != 0)
        while (Pos < n && ClassOf(static_cast<unsigned char>(FText[size_t(Pos)]), cp) == cls)
            ++Pos;
    while (Pos < n && ClassOf(static_cast<unsigned char>(FText[size_t(Pos)]), cp) == 0)
        ++Pos;
    return Pos;
}

int TEditCore::PrevWordStart(int Pos) const
{
    const int cp = CodePage();
    while (Pos > 0 && ClassOf(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp) == 0)
        --Pos;
    if (Pos == 0)
        return 0;
    const int cls = ClassOf(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp);
    while (Pos > 0 && ClassOf(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp) == cls)
        --Pos;
    return Pos;
}

// ---- Input -----------------------------------------------------------------------------------
void TEditCore::MoveCaret(int Pos, bool Extend)
{
    Pos = std::clamp(Pos, 0, int(FText.size()));
    const bool hadSel = FAnchor != FCaret;
    FCaret = Pos;
    if (!Extend)
        FAnchor = Pos;
    FMergeTyping = false;
    FGoalX = -1;
    ScrollCaretIntoView();
    PlaceCaret();
    if (hadSel || FAnchor != FCaret)
        Invalidate();
}

bool TEditCore::KeyDown(Word Key, TShiftState Shift)
{
    if (!FLayoutValid)
        LayoutAll();
    const bool extend = Shift & ssShift;
    const bool ctrl = Shift & ssCtrl;
    const bool multi = Multi();
    const bool hasSel = FAnchor != FCaret;
    const int n = int(FText.size());
    auto prevPos = [&](int p) {
        if (p >= 2 && FText.compare(size_t(p - 2), 2, "\r\n") == 0)
            return p - 2;
        return std::max(0, p - 1);
    };
    auto nextPos = [&](int p) {
        if (p + 2 <= n && FText.compare(size_t(p), 2, "\r\n") == 0)
            return p + 2;
        return std::min(n, p + 1);
    };
    auto vertical = [&](int lines) {
        const int line = LineOf(FCaret);
        const TLine& l = FLines[size_t(line)];
        if (FGoalX < 0)
            FGoalX = TextWidth(l.Start, FCaret, 0) + LineLeft(l) + FScrollX;
        const int target = std::clamp(line + lines, 0, int(FLines.size()) - 1);
        const int goal = FGoalX;
        const TRect f = FormatRect();
        const int pos = CharFromPos({goal - FScrollX, f.Top + (target - FTopLine) * FLineHeight});
        MoveCaret(pos, extend);
        FGoalX = goal;
    };
    switch (Key) {
    case VK_LEFT:
        if (hasSel && !extend)
            MoveCaret(SelStart(), false);
        else
            MoveCaret(ctrl ? PrevWordStart(FCaret) : prevPos(FCaret), extend);
        return true;
    case VK_RIGHT:
        if (hasSel && !extend)
            MoveCaret(SelEnd(), false);
        else
            MoveCaret(ctrl ? NextWordStart(FCaret) : nextPos(FCaret), extend);
        return true;
    case VK_HOME:
        MoveCaret(ctrl || !multi ? 0 : FLines[size_t(LineOf(FCaret))].Start, extend);
        return true;
    case VK_END: {
        if (ctrl || !multi) {
            MoveCaret(n, extend);
        } else {
            const TLine& l = FLines[size_t(LineOf(FCaret))];
            int end = l.Start + l.Len;
            if (l.Next == end && end < n && end > l.Start)
                --end;  // before the blank that a soft break hangs at the line's end
            MoveCaret(end, extend);
        }
        return true;
    }
    case VK_UP:
    case VK_DOWN:
        if (!multi)
            return false;
        vertical(Key == VK_UP ? -1 : 1);
        return true;
    case VK_PRIOR:
    case VK_NEXT: {
        if (!multi)
            return false;
        const int vis = VisibleLines();
        ScrollTo(FTopLine + (Key == VK_PRIOR ? -vis : vis), FScrollX);
        vertical(Key == VK_PRIOR ? -vis : vis);
        return true;
    }
    case VK_DELETE:
        if (Style() & ES_READONLY)
            return true;
        if (extend && !ctrl) {
            Cut();
            return true;
        }
        if (hasSel) {
            Clear();
        } else if (FCaret < n) {
            Replace(FCaret, ctrl ? NextWordStart(FCaret) : nextPos(FCaret), std::string(), kDeleteForward, true);
            Changed(true);
        }
        return true;
    case VK_INSERT:
        if (ctrl && !extend)
            Copy();
        else if (extend && !ctrl)
            Paste();
        return true;
    default: return false;
    }
}

bool TEditCore::Char(unsigned char C)
{
    const bool readOnly = Style() & ES_READONLY;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (C) {
    case 1:  // Ctrl+A
        SetSel(0, -1);
        return true;
    case 3: Copy(); return true;
    case 0x16: Paste(); return true;
    case 0x18: Cut(); return true;
    case 0x1A:
        if (!readOnly)
            shift ? Redo() : Undo();
        return true;
    case 0x19:
        if (!readOnly)
            Redo();
        return true;
    case 8:
        if (readOnly)
            return true;
        if (FAnchor != FCaret) {
            Clear();
        } else if (FCaret > 0) {
            int from = FCaret - 1;
            if (ctrl)
                from = PrevWordStart(FCaret);
            else if (FCaret >= 2 && FText.compare(size_t(FCaret - 2), 2, "\r\n") == 0)
                from = FCaret - 2;
            Replace(from, FCaret, std::string(), kDeleteBack, true);
            Changed(true);
        }
        return true;
    default: break;
    }
    std::string s;
    if (C == '\r' || C == '\n') {
        if (!Multi())
            return true;
        s = "\r\n";
    } else if (C == '\t') {
        if (!Multi())
            return true;
        s = "\t";
    } else if (C < 0x20 || C == 0x7F) {
        return true;
    } else {
        s = Filter(std::string(1, char(C)));
    }
    if (readOnly)
        return true;
    const int limit = FLimit > 0 ? FLimit : kNoLimit;
    if ((long long)FText.size() - (SelEnd() - SelStart()) + (long long)s.size() > limit) {
        Notify(EN_MAXTEXT);
        return true;
    }
    Replace(SelStart(), SelEnd(), s, kTyping, true);
    Changed(true);
    return true;
}

void TEditCore::MouseDown(TPoint P, bool Shift, bool Double)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    if (GetFocus() != h) {
        ::SetFocus(h);
        if (!Alive(host, h))
            return;
    }
    if (!FLayoutValid)
        LayoutAll();
    const int pos = CharFromPos(P);
    if (Double) {
        const int cp = CodePage();
        int a = pos, b = pos;
        const int n = int(FText.size());
        // The word under the pointer, or else the run of one kind of character there.
        int at = pos < n ? pos : pos - 1;
        if (at >= 0 && !IsWordByte(static_cast<unsigned char>(FText[size_t(at)]), cp) && at > 0 &&
            IsWordByte(static_cast<unsigned char>(FText[size_t(at - 1)]), cp) && at == pos)
            at = pos - 1;
        if (at >= 0) {
            const int cls = ClassOf(static_cast<unsigned char>(FText[size_t(at)]), cp);
            a = at;
            b = at + 1;
            if (!IsBreak(static_cast<unsigned char>(FText[size_t(at)]))) {
                while (a > 0 && ClassOf(static_cast<unsigned char>(FText[size_t(a - 1)]), cp) == cls &&
                       !IsBreak(static_cast<unsigned char>(FText[size_t(a - 1)])))
                    --a;
                while (b < n && ClassOf(static_cast<unsigned char>(FText[size_t(b)]), cp) == cls &&
                       !IsBreak(static_cast<unsigned char>(FText[size_t(b)])))
                    ++b;
            } else {
                b = a;
            }
        }
        FWordSelecting = true;
        FWordAnchorStart = a;
        FWordAnchorEnd = b;
        FAnchor = a;
        MoveCaret(b, true);
    } else {
        FWordSelecting = false;
        MoveCaret(pos, Shift);
    }
    FSelecting = true;
    FGoalX = -1;
    SetCapture(h);
}

void TEditCore::MouseMove(TPoint P)
{
    if (!FSelecting)
        return;
    const TRect f = FormatRect();
    // Dragging past the top or bottom edge scrolls a line at a time.
    // The caret goes to the line that came into view; a point beyond it would scroll once more.
    if (Multi() && P.Y < f.Top) {
        ScrollTo(FTopLine - 1, FScrollX);
        P.Y = f.Top;
    } else if (Multi() && P.Y >= f.Bottom) {
        ScrollTo(FTopLine + 1, FScrollX);
        P.Y = f.Top + std::max(0, VisibleLines() - 1) * FLineHeight;
    }
    int pos = CharFromPos(P);
    if (FWordSelecting) {
        if (pos < FWordAnchorStart) {
            FAnchor = FWordAnchorEnd;
            pos = WordStart(pos);
        } else {
            FAnchor = FWordAnchorStart;
            pos = std::max(WordEnd(pos), FWordAnchorEnd);
        }
    }
    MoveCaret(pos, true);
}

void TEditCore::Scroll(int Bar, int Code, int Pos)
{
    if (!FLayoutValid)
        LayoutAll();
    if (Code == SB_THUMBTRACK || Code == SB_THUMBPOSITION) {
        SCROLLINFO si;
        si.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(Wnd(), Bar, &si))
            Pos = si.nTrackPos;
    }
    if (Bar == SB_VERT) {
        const int vis = VisibleLines();
        int top = FTopLine;
        switch (Code) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= vis; break;
        case SB_PAGEDOWN: top += vis; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = Pos; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = int(FLines.size()); break;
        default: return;
        }
        ScrollTo(top, FScrollX);
    } else {
        const int w = FormatRect().Width();
        int x = FScrollX;
        switch (Code) {
        case SB_LINELEFT: x -= FAveWidth; break;
        case SB_LINERIGHT: x += FAveWidth; break;
        case SB_PAGELEFT: x -= w; break;
        case SB_PAGERIGHT: x += w; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = Pos; break;
        case SB_LEFT: x = 0; break;
        case SB_RIGHT: x = FMaxWidth; break;
        default: return;
        }
        ScrollTo(FTopLine, x);
    }
}

// ---- Painting --------------------------------------------------------------------------------
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

// ---- Messages --------------------------------------------------------------------------------
bool TEditCore::WindowProc(TMessage& M)
{
    HWND h = Wnd();
    switch (M.Msg) {
    case WM_CREATE:
        FStyle = DWORD(GetWindowLong(h, GWL_STYLE));
        Measure();
        LayoutAll();
        UpdateScrollBars();
        return false;
    case WM_PAINT: {
        HDC dc = reinterpret_cast<HDC>(M.WParam);
        PAINTSTRUCT ps;
        if (!dc)
            dc = BeginPaint(h, &ps);
        Paint(dc);
        if (!M.WParam)
            EndPaint(h, &ps);
        M.Result = 0;
        return true;
    }
    case WM_SIZE:
        if (Wraps())
            LayoutAll();
        ScrollCaretIntoView();
        UpdateScrollBars();
        PlaceCaret();
        Invalidate();
        return false;
    case WM_SETFOCUS:
        CreateCaret(h, nullptr, 1, FLineHeight);
        FCaretMade = true;
        PlaceCaret();
        ShowCaret(h);
        Invalidate();
        Notify(EN_SETFOCUS);
        M.Result = 0;
        return true;
    case WM_KILLFOCUS:
        FSelecting = false;
        if (FCaretMade) {
            DestroyCaret();
            FCaretMade = false;
        }
        Invalidate();
        Notify(EN_KILLFOCUS);
        M.Result = 0;
        return true;
    case WM_GETDLGCODE:
        M.Result = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (Multi() ? DLGC_WANTALLKEYS : 0);
        return true;
    case WM_KEYDOWN:
        M.Result = 0;
        return KeyDown(LOWORD(M.WParam), KeyDataToShiftState(M.LParam));
    case WM_CHAR:
        M.Result = 0;
        return Char(static_cast<unsigned char>(M.WParam));
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        MouseDown({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, (M.WParam & MK_SHIFT) != 0,
                  M.Msg == WM_LBUTTONDBLCLK);
        return true;
    case WM_MOUSEMOVE:
        MouseMove({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        return true;
    case WM_LBUTTONUP:
        if (FSelecting) {
            FSelecting = false;
            if (GetCapture() == h)
                ReleaseCapture();
        }
        return true;
    case WM_CAPTURECHANGED:
        FSelecting = false;
        return false;
    case WM_MOUSEWHEEL:
        if (!Multi())
            return false;
        ScrollTo(FTopLine - GET_WHEEL_DELTA_WPARAM(M.WParam) * 3 / WHEEL_DELTA, FScrollX);
        M.Result = 0;
        return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(M.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(M.WParam), SHORT(HIWORD(M.WParam)));
        M.Result = 0;
        return true;
    case WM_SETTEXT:
        SetText(M.LParam ? reinterpret_cast<const char*>(M.LParam) : "");
        M.Result = TRUE;
        return true;
    case WM_GETTEXTLENGTH:
        M.Result = LRESULT(FText.size());
        return true;
    case WM_GETTEXT: {
        if (!M.LParam || M.WParam == 0) {
            M.Result = 0;
            return true;
        }
        const size_t n = std::min(size_t(M.WParam) - 1, FText.size());
        std::copy_n(FText.data(), n, reinterpret_cast<char*>(M.LParam));
        reinterpret_cast<char*>(M.LParam)[n] = 0;
        M.Result = LRESULT(n);
        return true;
    }
    case WM_CUT: Cut(); return true;
    case WM_COPY: Copy(); return true;
    case WM_PASTE: Paste(); return true;
    case WM_CLEAR: Clear(); return true;
    case WM_UNDO:
    case EM_UNDO: M.Result = Undo() ? TRUE : FALSE; return true;
    case EM_CANUNDO: M.Result = CanUndo() ? TRUE : FALSE; return true;
    case EM_EMPTYUNDOBUFFER: ClearUndo(); return true;
    case EM_GETSEL:
        if (M.WParam)
            *reinterpret_cast<DWORD*>(M.WParam) = DWORD(SelStart());
        if (M.LParam)
            *reinterpret_cast<DWORD*>(M.LParam) = DWORD(SelEnd());
        M.Result = LRESULT(MAKELONG(Word(std::min(SelStart(), 0xFFFF)), Word(std::min(SelEnd(), 0xFFFF))));
        return true;
    case EM_SETSEL: {
        const int a = int(std::intptr_t(M.WParam)), c = int(M.LParam);
        if (a == -1)
            SetSel(FCaret, FCaret);
        else
            SetSel(a < 0 ? 0 : a, c);
        return true;
    }
    case EM_REPLACESEL: {
        const std::string s = M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
        ReplaceSel(s, M.WParam != 0);
        return true;
    }
    case EM_LIMITTEXT: SetLimit(int(M.WParam)); return true;
    case EM_GETLIMITTEXT: M.Result = FLimit > 0 ? FLimit : kNoLimit; return true;
    case EM_GETMODIFY: M.Result = FModified ? TRUE : FALSE; return true;
    case EM_SETMODIFY: FModified = M.WParam != 0; return true;
    case EM_SETREADONLY: {
        DWORD s = Style();
        s = M.WParam ? (s | ES_READONLY) : (s & ~ES_READONLY);
        FStyle = s;
        if (h)
            SetWindowLong(h, GWL_STYLE, LONG(s));
        Invalidate();
        M.Result = TRUE;
        return true;
    }
    case EM_SETPASSWORDCHAR: SetPasswordChar(char(M.WParam)); return true;
    case EM_GETPASSWORDCHAR: M.Result = static_cast<unsigned char>(FPasswordChar); return true;
    case EM_GETLINECOUNT: M.Result = LineCount(); return true;
    case EM_LINEINDEX: M.Result = LineIndex(int(std::intptr_t(M.WParam))); return true;
    case EM_LINEFROMCHAR: M.Result = LineFromChar(int(std::intptr_t(M.WParam))); return true;
    case EM_LINELENGTH: {
        const int pos = int(std::intptr_t(M.WParam));
        M.Result = LineLength(pos < 0 ? LineOf(FCaret) : LineFromChar(pos));
        return true;
    }
    case EM_GETLINE: {
        const int line = int(M.WParam);
        char* buf = reinterpret_cast<char*>(M.LParam);
        if (!buf || line < 0 || line >= LineCount()) {
            M.Result = 0;
            return true;
        }
        // The buffer's first word holds its size, as the caller set it.
        const int size = *reinterpret_cast<Word*>(buf);
        const TLine& l = FLines[size_t(line)];
        const int n = std::min(size, l.Len);
        std::copy_n(FText.data() + l.Start, n, buf);
        M.Result = n;
        return true;
    }
    case EM_GETFIRSTVISIBLELINE: M.Result = Multi() ? FTopLine : 0; return true;
    case EM_LINESCROLL: ScrollTo(FTopLine + int(M.LParam), FScrollX + int(M.WParam) * FAveWidth); return true;
    case EM_SCROLLCARET: ScrollCaretIntoView(); return true;
    case EM_SCROLL: Scroll(SB_VERT, int(M.WParam), 0); return true;
    case EM_GETRECT:
        if (M.LParam)
            *reinterpret_cast<RECT*>(M.LParam) = FormatRect();
        return true;
    case EM_POSFROMCHAR: {
        const TPoint p = PosFromChar(int(M.WParam));
        M.Result = LRESULT(MAKELONG(Word(p.X), Word(p.Y)));
        return true;
    }
    case EM_CHARFROMPOS: {
        const int pos = CharFromPos({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        M.Result = LRESULT(MAKELONG(Word(pos), Word(LineOf(pos))));
        return true;
    }
    default: return false;
    }
}

}  // namespace morvik::stdctl

// TStyleMemo: fonts, metrics, measuring positions and painting. One walk over a display line lays
// it out for the caret (ColPos, ColNb) and for the painter alike, with the formatter's measuring
// function and fonts, so that what is measured is what is drawn, to the pixel. Each line is drawn
// into a bitmap one line high and copied to the window in one blit.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Windows.h"

using stylememo::AttrBefore;
using stylememo::AttrByte;
using stylememo::DynAfter;
using stylememo::FontBits;

namespace {

constexpr TExtFontStyles HighlightBit = 1u << xfsHighlight;
constexpr TExtFontStyles SpecUnderlineBit = 1u << xfsSpecUnderline;
constexpr Integer NoZigzag = -MaxInt - 1;

void ClampRect(TRect& R)
{
    TPoint a{R.Left, R.Top};
    TPoint b{R.Right, R.Bottom};
    ClampPointTo16Bit(a);
    ClampPointTo16Bit(b);
    R = TRect{a.X, a.Y, b.X, b.Y};
}

}  // namespace

// ---------------------------------------------------------------- fonts

void TStyleMemo::SetupLogFontStyle(LOGFONT& LogFont, TExtFontStyles Style)
{
    TFont* source = (Style & (1u << xfsAltFont)) != 0 ? FAltFont.get() : Font();
    LogFont = LOGFONT{};
    LogFont.lfHeight = source->Height();
    std::strncpy(LogFont.lfFaceName, source->Name().c_str(), LF_FACESIZE - 1);
    LogFont.lfWeight = (Style & (1u << xfsBold)) != 0 ? FW_BOLD : FW_NORMAL;
    LogFont.lfItalic = (Style & (1u << xfsItalic)) != 0 ? 1 : 0;
    LogFont.lfUnderline = (Style & (1u << xfsUnderline)) != 0 ? 1 : 0;
    LogFont.lfStrikeOut = (Style & (1u << xfsStrikeOut)) != 0 ? 1 : 0;
    LogFont.lfCharSet = source->Charset();
    LogFont.lfPitchAndFamily = source->Pitch() == fpVariable ? VARIABLE_PITCH
                               : source->Pitch() == fpFixed  ? FIXED_PITCH
                                                             : DEFAULT_PITCH;
}

TStyleMemo::FontSlot& TStyleMemo::StyleFont(TExtFontStyles Style)
{
    const auto key = static_cast<size_t>(Style & 0x2F);
    if (FStyleFonts.size() < 0x30) FStyleFonts.resize(0x30);
    FontSlot& slot = FStyleFonts[key];
    if (slot.Font != nullptr) return slot;
    LOGFONT lf;
    SetupLogFontStyle(lf, Style);
    slot.Font = CreateFontIndirect(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, slot.Font);
    SIZE one{};
    SIZE two{};
    if (GetTextExtentPoint32(dc, " ", 1, &one) && GetTextExtentPoint32(dc, "  ", 2, &two)) {
        slot.Blank = two.cx - one.cx;
        slot.Overhang = 2 * one.cx - two.cx;
    } else {
        slot.Blank = 1;
        slot.Overhang = 0;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return slot;
}

void TStyleMemo::FreeStyleFonts()
{
    // Neither context may hold a font about to go.
    if (FLineDC != nullptr) SelectObject(FLineDC, GetStockObject(SYSTEM_FONT));
    for (FontSlot& s : FStyleFonts)
        if (s.Font != nullptr) DeleteObject(s.Font);
    FStyleFonts.clear();
    FFmtSlot = nullptr;
    for (RunWidths& r : FRuns) r.Par = nullptr;
}

TExtFontStyles TStyleMemo::AttrToExtFontStyles(TExtFontStyles Static, Word DynStyle) const
{
    const auto dyn = static_cast<Byte>(DynStyle);
    if ((dyn & 0x80) == 0) return static_cast<TExtFontStyles>(Static ^ (Font()->Style() & 0x0F));
    constexpr Byte strikeAndHighlight = (1u << xfsStrikeOut) | (1u << xfsHighlight);
    return static_cast<TExtFontStyles>((dyn & strikeAndHighlight) == strikeAndHighlight ? dyn & 0xA7 : dyn & 0x3F);
}

// ---------------------------------------------------------------- metrics

void TStyleMemo::MakeLineBitmap()
{
    FreeLineBitmap();
    const Integer w = std::max(ClientWidth(), 1);
    HDC screen = GetDC(nullptr);
    FLineBmp = CreateCompatibleBitmap(screen, w, std::max(FRowHeight, 1));
    ReleaseDC(nullptr, screen);
    FLineDC = CreateCompatibleDC(nullptr);
    FLineDCOldBmp = SelectObject(FLineDC, FLineBmp);
    FLineBmpWidth = ClientWidth();
}

void TStyleMemo::FreeLineBitmap()
{
    if (FLineDC != nullptr) {
        SelectObject(FLineDC, GetStockObject(SYSTEM_FONT));
        SelectObject(FLineDC, FLineDCOldBmp);
        DeleteDC(FLineDC);
        FLineDC = nullptr;
    }
    if (FLineBmp != nullptr) DeleteObject(FLineBmp);
    FLineBmp = nullptr;
    FLineBmpWidth = 0;
}

void TStyleMemo::CMFontChanged(TMessage& Message)
{
    TCustomControl::Dispatch(Message);
    FreeStyleFonts();
    RecomputeMetrics();
}

void TStyleMemo::RecomputeMetrics()
{
    if (FLineHeight < 1) FRowHeight = std::abs(Font()->Height()) + 1;
    if (!HandleAllocated()) return;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, StyleFont(AttrToExtFontStyles(0, 0)).Font);
    TEXTMETRIC tm;
    const bool ok = GetTextMetrics(dc, &tm) != 0;
    SIZE blank{};
    GetTextExtentPoint32(dc, " ", 1, &blank);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (!ok) throw Exception("Internal StyleMemo error");
    if (FLineHeight < 1) FRowHeight = tm.tmHeight + 1;
    FBaseline = FRowHeight - tm.tmDescent - 1;
    const Integer least = tm.tmHeight - tm.tmInternalLeading - tm.tmDescent;
    if (FBaseline < least) FBaseline = FRowHeight - tm.tmInternalLeading;
    if (FBaseline < least) FBaseline = FRowHeight;
    FVisibleLines = ClientHeight() / std::max(FRowHeight, 1) + 1;
    FBlankWidth = std::max<Integer>(blank.cx, 1);
    // A font that reports no maximum width would divide by zero: chunks of 4096 then.
    FChunkLen = tm.tmMaxCharWidth > 0 ? std::max<Integer>(16384 / tm.tmMaxCharWidth, 1) : 4096;
    MakeLineBitmap();
    FWidestWidth = 0;
    FWidestLine = -1;
    if (!FLineHeightChanging) Reformat();
    FDisplayLeft = 0;
    FTopOrigin = 0;
    FTopNav->SetLineNb(0);
    setVScrollParams();
    setHScrollParams();
    UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
    UpdateScrollBarPos(SB_HORZ, 0, FHScrollUnit);
    Owe(evVScroll);
    if (Focused() && !FDisplayOnly) UpdateCaret(true);
    else UpdateCaret(false);
    Invalidate();
}

// ---------------------------------------------------------------- one display line, laid out

struct TStyleMemo::LineWalk {
    enum Kind { Text, Blank, Tab, Code, End };
    struct Piece {
        Kind K = End;
        Integer From = 0, To = 0, X = 0, W = 0;
        bool Huge = false;  // part of a run measured character by character
    };

    TStyleMemo& M;
    ParInfo* Par;
    const LineInfo* Line;
    const char* T;
    bool LastOfPar;
    Integer Pos;
    Integer X;
    Integer LeftX;
    TExtFontStyles Stat;
    Integer Dyn;
    const DynInfoRec* Attr;
    TExtFontStyles Eff;
    Integer Boundary;
    Integer TrailStart;
    bool Justify = false;
    Integer Q = 0, R = 0, G = 0, Acc = 0, Stretched = 0;
    Integer Split[2] = {-1, -1};
    bool AttrChanged = false;
    // A run longer than HugeRun is measured by its characters; a piece of it ends once X passes
    // StopX, so that what lies beyond the window's reach is never measured.
    Integer StopX = MaxInt;
    Integer RunEnd = -1;                  // where the current run ends, splits aside
    const RunWidths* Run = nullptr;       // its kept widths when it is a long one

    LineWalk(TStyleMemo& Memo, ParInfo* P, Integer LineInPar, Integer Left, Integer Right)
        : M(Memo), Par(P), Line(ParLineAt(P, LineInPar)), T(P->Text), LastOfPar(LineInPar == P->LineCount - 1)
    {
        Pos = Line->Start;
        Stat = M.FStaticFormat ? Line->StartStyle : 0;
        Dyn = DynAfter(Par, Pos);
        Attr = AttrBefore(Par, Dyn);
        Eff = M.AttrToExtFontStyles(Stat, AttrByte(Attr));
        M.SelectStyleFont(Eff);
        Boundary = Dyn < Par->DynCount ? Par->Dyns[Dyn].Offset : MaxInt;
        const bool justified = M.FJustified && Line->JustifyFrom < Line->Stop;
        if (!justified) {
            if (M.FAlignment == taRightJustify)
                Left = Right - Line->TextWidth;
            else if (M.FAlignment == taCenter)
                Left += (Right - Left - Line->TextWidth) / 2;  // the same shape at every DisplayLeft
        }
        LeftX = Left;
        X = Left;
        TrailStart = Line->Stop;
        if (!LastOfPar)
            while (TrailStart > Line->Start && T[TrailStart - 1] == ' ') --TrailStart;
        const Integer free = Right - Left - Line->TextWidth;
        if (justified && Line->Blanks > 0 && free > 0) {
            Justify = true;
            G = Line->Blanks;
            Q = free / G;
            R = free % G;
            Acc = R / 2;
        }
    }

    bool Ends(char c) const { return c == ' ' || c == '\t' || (M.FStaticFormat && IsStyleCode(c)); }

    Piece Next()
    {
        Piece p;
        p.From = Pos;
        p.X = X;
        AttrChanged = false;
        if (Pos >= Line->Stop || X > StopX) return p;
        if (Pos >= Boundary) {
            ++Dyn;
            while (Dyn < Par->DynCount && Par->Dyns[Dyn].Offset <= Pos) ++Dyn;
            Attr = AttrBefore(Par, Dyn);
            Boundary = Dyn < Par->DynCount ? Par->Dyns[Dyn].Offset : MaxInt;
            Restyle();
            AttrChanged = true;
        }
        const char c = T[Pos];
        if (M.FStaticFormat && IsStyleCode(c)) {
            ApplyStyleCode(Stat, c);
            Restyle();
            p.K = Code;
            p.To = ++Pos;
            return p;
        }
        if (c == '\t') {
            const Integer tabW = std::max(M.FTabStops * M.FBlankWidth, 1);
            const Integer nx = LeftX + ((X - LeftX) / tabW + 1) * tabW;
            p.K = Tab;
            p.W = nx - X;
            X = nx;
            p.To = ++Pos;
            // Stretching starts after the TAB that begins the justified part.
            return p;
        }
        if (c == ' ') {
            Integer w = M.FFmtBlank;
            if (Justify && Pos >= Line->JustifyFrom && Pos < TrailStart && Stretched < G) {
                w += Q;
                Acc += R;
                if (Acc >= G) {
                    ++w;
                    Acc -= G;
                }
                ++Stretched;
            }
            p.K = Blank;
            p.W = w;
            X += w;
            p.To = ++Pos;
            return p;
        }
        if (Pos >= RunEnd) {
            const Integer limit = std::min(Line->Stop, Boundary);
            const Integer scan = std::min(limit, Pos + HugeRun + 1);
            RunEnd = Pos + 1;
            while (RunEnd < scan && !Ends(T[RunEnd])) ++RunEnd;
            Run = nullptr;
            if (RunEnd - Pos > HugeRun) {
                Run = M.RunAt(Par, Pos);
                if (Run != nullptr) {
                    RunEnd = std::min(Run->End, limit);
                } else {
                    while (RunEnd < limit && !Ends(T[RunEnd])) ++RunEnd;
                }
            }
        } else if (Run != nullptr) {
            // Another walk may have had the memo measure other runs meanwhile.
            Run = M.RunAt(Par, Pos);
        }
        Integer to = RunEnd;
        for (const Integer s : Split)
            if (s > Pos && s < to) to = s;
        p.K = Text;
        p.Huge = Run != nullptr;
        if (Run != nullptr) {
            // Right of StopX only up to the character that crosses it and the one after it (whose
            // glyph may reach back over it).
            if (StopX != MaxInt) to = std::min(to, M.RunReach(*Run, Pos, StopX - X) + 2);
            p.W = M.RunWidth(*Run, Pos, to);
        } else {
            p.W = M.MeasureText(T + Pos, to - Pos);
        }
        if (to == RunEnd && (to >= Par->Len || T[to] == ' ' || T[to] == '\t')) p.W -= M.FFmtOverhang;
        X += p.W;
        p.To = Pos = to;
        return p;
    }

    void Restyle()
    {
        const TExtFontStyles e = M.AttrToExtFontStyles(Stat, AttrByte(Attr));
        if (((e ^ Eff) & FontBits) != 0) M.SelectStyleFont(e);
        Eff = e;
    }
};

Integer TStyleMemo::ColPos(ParInfo* Par, Integer ParNb, Integer Col, Integer LineInPar)
{
    if (Par == nullptr) Par = FParagraphs->GetParPointers(ParNb);
    LineInPar = std::clamp(LineInPar, 0, Par->LineCount - 1);
    const bool own = FFmtDC == nullptr;
    if (own) BeginMeasuring();
    const Integer width = FFmtDC != nullptr ? FFmtWidth : ClientWidth();
    LineWalk w(*this, Par, LineInPar, FLeftMargin - FDisplayLeft, width - FRightMargin - FDisplayLeft);
    const Integer target = w.Line->Start + std::clamp(Col, 0, w.Line->Stop - w.Line->Start);
    w.Split[0] = target;
    while (w.Pos < target) w.Next();
    const Integer x = w.X;
    FCaretCharWidth = 0;
    if (target < w.Line->Stop) {
        const LineWalk::Piece p = w.Next();
        FCaretCharWidth = p.K == LineWalk::Text ? MeasureText(Par->Text + target, 1) : p.W;
    }
    if (own) EndMeasuring();
    return x;
}

Integer TStyleMemo::ColNb(ParInfo* Par, Integer ParNb, Integer LineInPar, Integer X, bool Flag)
{
    if (Par == nullptr) Par = FParagraphs->GetParPointers(ParNb);
    LineInPar = std::clamp(LineInPar, 0, Par->LineCount - 1);
    const bool own = FFmtDC == nullptr;
    if (own) BeginMeasuring();
    const Integer width = FFmtDC != nullptr ? FFmtWidth : ClientWidth();
    LineWalk w(*this, Par, LineInPar, FLeftMargin - FDisplayLeft, width - FRightMargin - FDisplayLeft);
    const Integer start = w.Line->Start;
    Integer col = w.Line->Stop - start;
    for (;;) {
        const LineWalk::Piece p = w.Next();
        if (p.K == LineWalk::End) break;
        if (p.K == LineWalk::Code) continue;
        if (p.K == LineWalk::Tab && Flag && X >= p.X && X < p.X + p.W) {
            col = p.From - start;
            break;
        }
        if (p.K != LineWalk::Text) {
            if (X < p.X + p.W / 2 + (p.W % 2)) {
                col = p.From - start;
                break;
            }
            continue;
        }
        // Inside a run: the first character whose middle X has not reached. A short run is
        // measured as one text, so its prefixes are searched by halving; a long one adds up
        // character by character.
        if (X >= p.X + p.W) continue;
        const char* t = Par->Text + p.From;
        const Integer n = p.To - p.From;
        auto reached = [&](Integer prev, Integer next) { return X < p.X + (prev + next + 1) / 2; };
        Integer k = 0;
        if (p.Huge) {
            // The characters that end before X are passed at once; the one X falls on decides.
            const Integer* cw = CharWidths();
            k = std::min(RunReach(*w.Run, p.From, X - p.X), p.To) - p.From;
            Integer prev = RunWidth(*w.Run, p.From, p.From + k);
            for (; k < n; ++k) {
                const Integer next = prev + cw[static_cast<unsigned char>(t[k])];
                if (reached(prev, next)) break;
                prev = next;
            }
        } else {
            auto middleReached = [&](Integer i) { return reached(i > 0 ? MeasureText(t, i) : 0, MeasureText(t, i + 1)); };
            Integer lo = 0;
            Integer hi = n;
            while (lo < hi) {
                const Integer mid = (lo + hi) / 2;
                if (middleReached(mid))
                    hi = mid;
                else
                    lo = mid + 1;
            }
            k = lo;
        }
        if (k == n) continue;
        col = p.From + k - start;
        break;
    }
    if (own) EndMeasuring();
    return col;
}

Integer TStyleMemo::BlockOffset(ParInfo* Par, Integer ParNb, Integer Edge)
{
    if (!BlockInPixels()) return ColumnToOffset(Par, Edge, FTabStops, FStaticFormat);
    if (!Par->Formatted) FormatNow(ParNb, ParNb, false);
    const bool own = FFmtDC == nullptr;
    if (own) BeginMeasuring();
    const Integer width = FFmtDC != nullptr ? FFmtWidth : ClientWidth();
    LineWalk w(*this, Par, 0, FLeftMargin, width - FRightMargin);
    const Integer target = FLeftMargin + Edge;
    Integer offset = w.Line->Stop;
    // Characters are passed while their end stays within the edge; style codes while their
    // place lies before it.
    while (w.Pos < w.Line->Stop) {
        if (w.X >= target) {
            offset = w.Pos;
            break;
        }
        const LineWalk::Piece p = w.Next();
        if (p.K == LineWalk::Code || p.X + p.W <= target) continue;
        Integer k = 0;
        if (p.K == LineWalk::Text) {
            const char* t = Par->Text + p.From;
            const Integer n = p.To - p.From;
            if (p.Huge) {
                k = std::min(RunReach(*w.Run, p.From, target - p.X), p.To) - p.From;
            } else {
                Integer lo = 0;
                Integer hi = n;
                while (lo < hi) {
                    const Integer mid = (lo + hi + 1) / 2;
                    if (p.X + MeasureText(t, mid) <= target)
                        lo = mid;
                    else
                        hi = mid - 1;
                }
                k = lo;
            }
        }
        offset = p.From + k;
        break;
    }
    if (own) EndMeasuring();
    return offset;
}

Integer TStyleMemo::BlockEdgeOfEnd(ParInfo* Par, Integer ParNb)
{
    if (!BlockInPixels()) return stylememo::ColumnOf(Par, 0, ParLineAt(Par, 0)->Stop, FTabStops, FStaticFormat);
    if (!Par->Formatted) FormatNow(ParNb, ParNb, false);
    return ColPos(Par, ParNb, ParLineAt(Par, 0)->Stop, 0) - FLeftMargin + FDisplayLeft;
}

void TStyleMemo::DrawCharacters(HDC DC, const RunWidths& Run, Integer From, Integer To, Integer X, Integer Right)
{
    // Each character at the place the layout gives it, so that the caret and the selection stand
    // on the borders drawn; only what the window shows is drawn, and a character either side (a
    // glyph may reach over its neighbour's cell).
    const Integer* w = CharWidths();
    const char* t = Run.Par->Text;
    Integer k = From;
    if (X < 0) {
        k = std::max(std::min(RunReach(Run, From, -X), To) - 1, From);
        X += RunWidth(Run, From, k);
    }
    const Integer end = X < Right ? std::min(RunReach(Run, k, Right - X) + 2, To) : std::min(k + 1, To);
    if (end <= k) return;
    std::vector<int> dx;
    dx.reserve(static_cast<size_t>(end - k));
    for (Integer i = k; i < end; ++i) dx.push_back(w[static_cast<unsigned char>(t[i])]);
    MoveToEx(DC, X, FBaseline, nullptr);
    ExtTextOut(DC, 0, 0, 0, nullptr, t + k, static_cast<UINT>(dx.size()), dx.data());
}

// ---------------------------------------------------------------- painting

void TStyleMemo::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TStyleMemo::WMPaint(TMessage& Message)
{
    HDC given = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT ps;
    HDC dc = given;
    TRect update = ClientRect();
    // The region the paint reaches, which need not be all of its bounding rectangle.
    struct Region {
        HRGN H = nullptr;
        ~Region()
        {
            if (H != nullptr) DeleteObject(H);
        }
    } painted;
    if (given == nullptr) {
        FlushScroll();
        painted.H = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(Handle(), painted.H, FALSE);
        dc = BeginPaint(Handle(), &ps);
        update = ps.rcPaint;
    }
    if (FFormatting || FUpdateCount > 0 || FPainting || FLineDC == nullptr) {
        // The pixels stay owed: they are painted when the lock ends.
        FRepaintPending = true;
    } else {
        FlagScope painting(*this, FPainting, true);
        PaintLines(dc, update, FLineDC, FLineBmpWidth);
        // Lines the paint broke anew were painted broken where it reached: what they made invalid
        // there is done, what lies outside its region stays owed.
        if (given == nullptr) {
            Region owed{CreateRectRgn(0, 0, 0, 0)};
            if (GetUpdateRgn(Handle(), owed.H, FALSE) != NULLREGION) {
                const int left = CombineRgn(owed.H, owed.H, painted.H, RGN_DIFF);
                ValidateRect(Handle(), nullptr);
                if (left != NULLREGION) InvalidateRgn(Handle(), owed.H, FALSE);
            }
        }
    }
    if (given == nullptr) EndPaint(Handle(), &ps);
    if (FScrollBarsOwed && !FPainting) {
        FScrollBarsOwed = false;
        setVScrollParams();
        setHScrollParams();
        UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
        UpdateScrollBarPos(SB_HORZ, FDisplayLeft, FHScrollUnit);
    }
}

void TStyleMemo::PaintLines(HDC Target, const TRect& Update, HDC LineDC, Integer BmpWidth)
{
    const Integer h = std::max(FRowHeight, 1);
    // What the visible lines stand on must be broken first.
    const Integer topPar = GetPar(FTopNav->Pos);
    FormatNow(topPar, topPar + FVisibleLines, false);
    for (Integer p = topPar; p < ParCount(); ++p) {
        const ParInfo* q = FParagraphs->At(p);
        const Integer bottom = TopLine() + FVisibleLines;
        if (q->FirstLine > bottom) break;
        BreakProvisional(p, bottom - q->FirstLine);
    }
    const Integer top = TopLine();
    const Integer first = std::max(top + LineNb(Update.Top), 0);
    const Integer last = std::max(top + LineNb(Update.Bottom - 1), 0);
    const bool picture = FBackgroundBmp->Width() >= 1 && FBackgroundBmp->Height() >= 1 &&
                         FBackgroundBmp->Graphic() != nullptr && !FBackgroundBmp->Graphic()->Empty();
    const bool showSel = FSelLength != 0 && (!FHideSelection || Focused());
    const bool winColors = (FOptions & pmoWindowsSelColors) != 0;
    Integer selLo = 0;
    Integer selHi = 0;
    SelBounds(selLo, selHi);
    const TColor fontColor = Font()->Color();
    const Integer blockLo = std::min(FBlockEdge1, FBlockEdge2);
    const Integer blockHi = std::max(FBlockEdge1, FBlockEdge2);
    // A glyph's ink may reach back left of where it starts (a descender's hook, a slanted face),
    // less than a line's height: text that starts right of the window is drawn that far, or a
    // whole paint would leave out of the last column what a picture scrolled sideways shows.
    const Integer rightEnd = BmpWidth + h;

    BeginMeasuring();
    FFmtDC = LineDC;
    FFmtWidth = BmpWidth;
    FFmtFontDC = nullptr;
    SetTextAlign(LineDC, TA_BASELINE | TA_UPDATECP);
    HGDIOBJ oldPen = SelectObject(LineDC, FSpecUnderline->Handle());
    TStyleNavigator* nav = FScratch[7];
    Integer y = LinePos(first - top);
    Integer line = first;
    for (; line <= last && line < FLineCount; ++line) {
        nav->SetLineNb(line);
        ParInfo* par = nav->GetPar();
        const Integer li = nav->GetParLine();
        const Integer parStart = par->StartPos;
        // 1. The line's background.
        TRect all{0, 0, BmpWidth, h};
        if (picture && par->Backgnd == -1) {
            TBitmap* bmp = FBackgroundBmp->Bitmap();
            const Integer pw = bmp->Width();
            const Integer ph = bmp->Height();
            const Integer px = FDisplayLeft % pw;
            const Integer py = (h * line) % ph;
            for (Integer tx = -px; tx < BmpWidth; tx += pw)
                for (Integer ty = -py; ty < h; ty += ph) BitBlt(LineDC, tx, ty, pw, ph, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
        } else {
            HBRUSH b = CreateSolidBrush(ColorToRGB(par->Backgnd != -1 ? par->Backgnd : Color()));
            ::FillRect(LineDC, &all, b);
            DeleteObject(b);
        }
        // 5. The selection within this line: a stream's ends, or where the block's edges fall in
        // this line, so that what is painted selected is what copy and delete take.
        const LineInfo* ln = ParLineAt(par, li);
        const bool lastOfPar = li == par->LineCount - 1;
        Integer so = -1;
        Integer eo = MaxInt;
        bool lineSel = false;
        const bool blockLine = showSel && FBlockSelected && FSelStartNav->Pos <= parStart + ln->Stop &&
                               FSelStopNav->Pos >= parStart + ln->Start;
        if (blockLine) {
            so = std::clamp(BlockOffset(par, nav->ParNb, blockLo), ln->Start, ln->Stop);
            eo = std::clamp(BlockOffset(par, nav->ParNb, blockHi), ln->Start, ln->Stop);
            lineSel = true;
        } else if (showSel && !FBlockSelected) {
            so = selLo < parStart ? -1 : (selLo > parStart + par->Len + 1 ? MaxInt : selLo - parStart);
            eo = selHi < parStart ? -1 : (selHi > parStart + par->Len + 1 ? MaxInt : selHi - parStart);
            lineSel = so < ln->Stop + (lastOfPar ? 1 : 0) && eo > ln->Start;
        }
        // 2-4. Layout. What lies right of the window is not measured.
        // The whole line moves with the view, whatever its alignment: as the caret and the mouse
        // take it, and as a scroll of the picture moves it.
        LineWalk w(*this, par, li, FLeftMargin - FDisplayLeft, BmpWidth - FRightMargin - FDisplayLeft);
        w.StopX = rightEnd;
        if (lineSel) {
            if (so > ln->Start && so < ln->Stop) w.Split[0] = so;
            if (eo > ln->Start && eo < ln->Stop) w.Split[1] = eo;
        }
        const Integer edgeBase = FLeftMargin - FDisplayLeft;
        Integer x1 = w.X;
        Integer x2 = w.X;
        bool inSel = lineSel && so <= ln->Start && eo > ln->Start;
        TColor text = fontColor;
        Integer bk = -1;
        auto colours = [&]() {
            text = par->Foregnd != -1 ? par->Foregnd : fontColor;
            bk = -1;
            if ((w.Eff & HighlightBit) != 0) {
                text = FHighlightColor;
                bk = FHighlightBackgnd;
            }
            if (w.Attr != nullptr && (w.Attr->Attr & 0x80) != 0 && (w.Attr->Foregnd != 0 || w.Attr->Backgnd != 0)) {
                if (par->Foregnd == -1 && w.Attr->Foregnd != -1) text = w.Attr->Foregnd;
                if (par->Backgnd == -1 && w.Attr->Backgnd != -1) bk = w.Attr->Backgnd;
            }
            if (inSel && winColors) {
                text = FSelTextColor;
                bk = -1;
            }
            SetTextColor(LineDC, ColorToRGB(text));
            if (bk == -1) {
                SetBkMode(LineDC, TRANSPARENT);
            } else {
                SetBkMode(LineDC, OPAQUE);
                SetBkColor(LineDC, ColorToRGB(bk));
            }
        };
        // With the system's selection colours, the selected part is filled before the text; the
        // walk is done twice then (once for the selection's x, once to draw).
        if (lineSel && winColors) {
            LineWalk probe(*this, par, li, FLeftMargin - FDisplayLeft, BmpWidth - FRightMargin - FDisplayLeft);
            probe.StopX = rightEnd;
            probe.Split[0] = w.Split[0];
            probe.Split[1] = w.Split[1];
            Integer a = MaxInt;
            Integer b = MaxInt;
            for (;;) {
                if (probe.Pos == so) a = probe.X;
                if (probe.Pos == eo) b = probe.X;
                if (probe.Next().K == LineWalk::End) break;
            }
            const bool cut = probe.Pos < ln->Stop;
            if (blockLine) {
                if (so >= ln->Stop) a = edgeBase + blockLo;
                if (eo >= ln->Stop) b = edgeBase + blockHi;
            } else {
                if (so <= ln->Start) a = probe.LeftX;
                if (eo >= ln->Stop) b = (FOptions & pmoFullLineSelect) != 0 || cut ? MaxInt : probe.X;
            }
            TRect r{a, 0, b, h};
            ClampRect(r);
            HBRUSH sb = CreateSolidBrush(ColorToRGB(FSelBackColor));
            ::FillRect(LineDC, &r, sb);
            DeleteObject(sb);
            w.M.SelectStyleFont(w.Eff);
        }
        colours();
        Integer zigStart = (w.Eff & SpecUnderlineBit) != 0 ? w.X : NoZigzag;
        bool x1Set = lineSel && !blockLine && so <= ln->Start;
        bool x2Set = false;
        if (x1Set) x1 = w.LeftX;
        for (;;) {
            if (lineSel && !x1Set && w.Pos == so) {
                x1 = w.X;
                x1Set = true;
            }
            if (lineSel && !x2Set && w.Pos == eo) {
                x2 = w.X;
                x2Set = true;
            }
            const bool wasSel = inSel;
            inSel = lineSel && w.Pos >= so && w.Pos < eo;
            const TExtFontStyles before = w.Eff;
            const LineWalk::Piece p = w.Next();
            if (p.K == LineWalk::End) break;
            if (w.AttrChanged || ((before ^ w.Eff) & HighlightBit) != 0 || wasSel != inSel || p.K == LineWalk::Code) colours();
            // 8. The special underline runs while bit 7 is set.
            const bool zig = (w.Eff & SpecUnderlineBit) != 0;
            if (zig && zigStart == NoZigzag) zigStart = p.X;
            if (!zig && zigStart != NoZigzag) {
                DrawZigzagLine(LineDC, zigStart, p.X, FBaseline + 1);
                zigStart = NoZigzag;
            }
            if (p.K == LineWalk::Text) {
                if (p.Huge) {
                    DrawCharacters(LineDC, *w.Run, p.From, p.To, p.X, rightEnd);
                } else {
                    MoveToEx(LineDC, p.X, FBaseline, nullptr);
                    TPoint at{p.X, FBaseline};
                    TextOutChunked(LineDC, at, par->Text + p.From, rightEnd, FChunkLen, p.To - p.From);
                }
            } else if (p.K == LineWalk::Blank) {
                if (p.From < w.TrailStart && (bk != -1 || (w.Eff & ((1u << xfsUnderline) | (1u << xfsStrikeOut))) != 0)) {
                    // Underlined or coloured blanks are drawn; their width is the laid-out one.
                    TRect r{p.X, 0, p.X + p.W, h};
                    if (bk != -1) {
                        HBRUSH b = CreateSolidBrush(ColorToRGB(bk));
                        ClampRect(r);
                        ::FillRect(LineDC, &r, b);
                        DeleteObject(b);
                    }
                    MoveToEx(LineDC, p.X, FBaseline, nullptr);
                    TextOut(LineDC, 0, 0, " ", 1);
                }
            } else if (p.K == LineWalk::Tab && bk != -1) {
                TRect r{p.X, 0, std::min(p.X + p.W, BmpWidth), h};
                ClampRect(r);
                HBRUSH b = CreateSolidBrush(ColorToRGB(bk));
                ::FillRect(LineDC, &r, b);
                DeleteObject(b);
            }
        }
        // The walk stops right of the window: what it did not reach lies beyond.
        const bool cut = w.Pos < ln->Stop;
        if (zigStart != NoZigzag) DrawZigzagLine(LineDC, zigStart, w.X, FBaseline + 1);
        if (lineSel && !x1Set) x1 = MaxInt;
        if (lineSel && !x2Set) x2 = MaxInt;
        if (blockLine) {
            if (so >= ln->Stop) x1 = edgeBase + blockLo;
            if (eo >= ln->Stop) x2 = edgeBase + blockHi;
        } else if (lineSel) {
            const Integer end = cut ? MaxInt : w.X;
            if (eo >= ln->Stop) x2 = (FOptions & pmoFullLineSelect) != 0 ? MaxInt : end;
            if (eo == ln->Stop && !lastOfPar) x2 = end;
        }
        // 9. Without the system colours the selection is inverted over the text.
        if (lineSel && !winColors && x2 > x1) {
            TRect r{x1, 0, x2, h};
            ClampRect(r);
            InvertRect(LineDC, &r);
        }
        // 10. A selected paragraph end shows as a small box.
        if (lineSel && !cut && FShowEndParSelected && (FOptions & pmoFullLineSelect) == 0 && !FBlockSelected && lastOfPar &&
            selLo <= parStart + par->Len && selHi > parStart + par->Len) {
            TRect r{w.X, h / 3, w.X + FBlankWidth / 2 + 1, 2 * (h / 3)};
            ClampRect(r);
            if (winColors) {
                HBRUSH b = CreateSolidBrush(ColorToRGB(FSelBackColor));
                ::FillRect(LineDC, &r, b);
                DeleteObject(b);
            } else {
                InvertRect(LineDC, &r);
            }
        }
        // 11. One blit per line.
        BitBlt(Target, 0, y, BmpWidth, h, LineDC, 0, 0, SRCCOPY);
        y += h;
    }
    SelectObject(LineDC, oldPen);
    SetTextAlign(LineDC, TA_LEFT | TA_TOP);
    EndMeasuring();
    // 10. Below the text.
    if (y < Update.Bottom) {
        TRect rest{Update.Left, std::max<Integer>(y, Update.Top), Update.Right, Update.Bottom};
        if (picture) {
            TBitmap* bmp = FBackgroundBmp->Bitmap();
            const Integer pw = bmp->Width();
            const Integer ph = bmp->Height();
            const Integer py = (FTopOrigin + rest.Top) % ph;
            for (Integer ty = rest.Top - py; ty < rest.Bottom; ty += ph)
                for (Integer tx = -(FDisplayLeft % pw); tx < rest.Right; tx += pw)
                    BitBlt(Target, tx, ty, pw, ph, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
        } else {
            HBRUSH b = CreateSolidBrush(ColorToRGB(Color()));
            ::FillRect(Target, &rest, b);
            DeleteObject(b);
        }
    }
    // 11. The end of the text.
    if (FEndOfTextMark->Color() != -1 && FEndOfTextMark->Color() != clNone && line >= FLineCount) {
        const Integer my = FLineCount * h - FTopOrigin + FEndOfTextMark->Width() / 2;
        HGDIOBJ op = SelectObject(Target, FEndOfTextMark->Handle());
        MoveToEx(Target, 0, my, nullptr);
        LineTo(Target, Update.Right, my);
        SelectObject(Target, op);
    }
}

// ---------------------------------------------------------------- other canvases

void TStyleMemo::FormatText(TCanvas* Canvas, Integer Width)
{
    EventScope scope(*this);
    if (Canvas == nullptr) {
        Perform(CM_FONTCHANGED, 0, 0);
        return;
    }
    FPrintCanvas = Canvas;
    FPrintWidth = Width;
    Canvas->SetFont(Font());
    const Integer oldBlank = FBlankWidth;
    FBlankWidth = std::max<Integer>(Canvas->TextWidth(" "), 1);
    try {
        Reformat();
    } catch (...) {
        FPrintCanvas = nullptr;
        FBlankWidth = oldBlank;
        throw;
    }
    FPrintCanvas = nullptr;
    FBlankWidth = oldBlank;
}

void TStyleMemo::DrawLines(Integer FirstLine, Integer LastLine, TCanvas* Canvas, TPoint Origin, float Scale)
{
    EventScope scope(*this);
    if (Canvas == nullptr) return;
    Canvas->SetFont(Font());
    HDC dc = Canvas->Handle();
    const int saved = SaveDC(dc);
    TEXTMETRIC tm;
    Integer h = 10;
    Integer baseline = 0;
    const Integer oldBlank = FBlankWidth;
    const Integer oldRow = FRowHeight;
    const Integer oldBase = FBaseline;
    SelectObject(dc, StyleFont(AttrToExtFontStyles(0, 0)).Font);
    if (GetTextMetrics(dc, &tm)) {
        h = tm.tmHeight + 1;
        baseline = h - tm.tmDescent - 1;
        FBlankWidth = std::max<Integer>(Canvas->TextWidth(" "), 1);
    } else {
        FBlankWidth = 10;
    }
    FRowHeight = h;
    FBaseline = baseline;
    const float pitch = Scale > 0 ? Scale : static_cast<float>(h);
    FPrintCanvas = Canvas;
    FFmtDC = dc;
    FFmtFontDC = nullptr;
    FFmtWidth = FPrintWidth > 0 ? FPrintWidth : ClientWidth();
    SetTextAlign(dc, TA_BASELINE | TA_UPDATECP);
    TStyleNavigator* nav = FScratch[7];
    for (Integer line = std::max(FirstLine, 0); line <= LastLine && line < FLineCount; ++line) {
        nav->SetLineNb(line);
        ParInfo* par = nav->GetPar();
        EnsureFormatted(nav->ParNb);
        const Integer top = static_cast<Integer>(std::lround((line - FirstLine) * pitch)) + Origin.Y;
        const Integer left = FLeftMargin + Origin.X;
        LineWalk w(*this, par, nav->GetParLine(), left, left + FFmtWidth - FLeftMargin - FRightMargin);
        SetTextColor(dc, ColorToRGB(par->Foregnd != -1 ? par->Foregnd : Font()->Color()));
        SetBkMode(dc, TRANSPARENT);
        for (;;) {
            const LineWalk::Piece p = w.Next();
            if (p.K == LineWalk::End) break;
            if (p.K != LineWalk::Text) continue;
            SetTextColor(dc, ColorToRGB((w.Eff & HighlightBit) != 0 ? FHighlightColor
                                        : par->Foregnd != -1   ? par->Foregnd
                                                               : Font()->Color()));
            MoveToEx(dc, p.X, top + baseline, nullptr);
            TPoint at{p.X, top + baseline};
            TextOutChunked(dc, at, par->Text + p.From, MaxInt, FChunkLen, p.To - p.From);
        }
    }
    FFmtDC = nullptr;
    FFmtFontDC = nullptr;
    FPrintCanvas = nullptr;
    FBlankWidth = oldBlank;
    FRowHeight = oldRow;
    FBaseline = oldBase;
    RestoreDC(dc, saved);
}

// ---------------------------------------------------------------- upper-case text

std::string TStyleMemo::GetUpText(ParInfo* Par, Integer ParNb, Integer Start, Integer Len)
{
    if (Par == nullptr) Par = FParagraphs->GetParPointers(ParNb);
    Start = std::clamp(Start, 0, Par->Len);
    Len = std::clamp(Len, 0, Par->Len - Start);
    const Integer cachedEnd = FUpStart + static_cast<Integer>(FUpText.size());
    if (FUpPar == ParNb && Start <= cachedEnd && Start + Len >= FUpStart) {
        if (Start < FUpStart) {
            std::string front(Par->Text + Start, static_cast<size_t>(FUpStart - Start));
            stylememo::UpperCaseBy(FUpperCaseType, front.data());
            FUpText.insert(0, front);
            FUpStart = Start;
        }
        const Integer end = FUpStart + static_cast<Integer>(FUpText.size());
        if (Start + Len > end) {
            std::string back(Par->Text + end, static_cast<size_t>(Start + Len - end));
            stylememo::UpperCaseBy(FUpperCaseType, back.data());
            FUpText += back;
        }
    } else {
        FUpText.assign(Par->Text != nullptr ? Par->Text + Start : "", static_cast<size_t>(Len));
        stylememo::UpperCaseBy(FUpperCaseType, FUpText.data());
        FUpPar = ParNb;
        FUpStart = Start;
    }
    // A copy: two results may be held at once.
    return FUpText.substr(static_cast<size_t>(Start - FUpStart), static_cast<size_t>(Len));
}

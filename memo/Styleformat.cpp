// TStyleMemo: paragraph formatting. FormatParagraph breaks one paragraph into display lines,
// measuring every style run with the font it is painted with; the drivers decide when: after edits
// (ReformatEditedRange), all at once (FormatNow), on demand, or in 25 ms slices that the memo posts
// to itself (FormatInBackground, never a message loop inside an edit).
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Windows.h"

using stylememo::AttrBefore;
using stylememo::AttrByte;
using stylememo::DynAfter;
using stylememo::FontBits;

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// ---------------------------------------------------------------- measuring

void TStyleMemo::BeginMeasuring()
{
    if (FPrintCanvas != nullptr) {
        FFmtDC = FPrintCanvas->Handle();
        FFmtWidth = FPrintWidth;
    } else if (HandleAllocated() && FLineDC != nullptr) {
        FFmtDC = FLineDC;
        FFmtWidth = ClientWidth();
    } else {
        FFmtDC = nullptr;
        FFmtWidth = Width();
    }
}

void TStyleMemo::EndMeasuring() { FFmtDC = nullptr; }

Integer TStyleMemo::MeasureText(const char* Text, Integer Len)
{
    if (FFmtDC == nullptr) return 0;
    return TextWidthChunked(FFmtDC, Text, Len, FChunkLen);
}

void TStyleMemo::SelectStyleFont(TExtFontStyles Style)
{
    FFmtStyle = Style;
    if (FFmtDC == nullptr) return;
    const FontSlot& slot = StyleFont(Style);
    SelectObject(FFmtDC, slot.Font);
    FFmtBlank = slot.Blank;
    FFmtOverhang = slot.Overhang;
}

void TStyleMemo::NextDynRun(ParInfo* Par, Integer Position, Integer& DynIndex, const DynInfoRec*& Attr,
                            TExtFontStyles Static, TExtFontStyles& Effective, Integer& Boundary)
{
    ++DynIndex;
    while (DynIndex < Par->DynCount && Par->Dyns[DynIndex].Offset <= Position) ++DynIndex;
    Attr = AttrBefore(Par, DynIndex);
    const TExtFontStyles e = AttrToExtFontStyles(Static, AttrByte(Attr));
    if (((e ^ Effective) & FontBits) != 0) SelectStyleFont(e);
    Effective = e;
    Boundary = DynIndex < Par->DynCount ? Par->Dyns[DynIndex].Offset : MaxInt;
}

// ---------------------------------------------------------------- one paragraph

void TStyleMemo::ReformatPar(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool WholePar)
{
    FormatParagraph(Par, ParNb, FirstLine, LastLine, WholePar);
}

void TStyleMemo::FormatParagraph(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool WholePar)
{
    if (Par == nullptr) Par = FParagraphs->GetParPointers(ParNb);
    FFormatNav->PlaceAt(ParNb, 0);
    BeginFormatPar(Par, ParNb);
    if (FFmtDC == nullptr) {
        LineInfo one;
        one.Stop = Par->Len;
        one.StartStyle = Par->FirstLineInfo.StartStyle;
        one.StartDyn = DynAfter(Par, 0);
        SpliceLines(Par, 0, Par->LineCount - 1, &one, 1);
        FirstLine = 0;
        LastLine = 0;
        return;
    }

    const Integer oldCount = Par->LineCount;
    FirstLine = std::clamp(FirstLine, 0, oldCount - 1);
    const LineInfo startLine = *ParLineAt(Par, FirstLine);
    const char* t = Par->Text;
    const Integer len = Par->Len;
    Integer pos = startLine.Start;
    TExtFontStyles stat = FStaticFormat ? startLine.StartStyle : 0;
    Integer dyn = std::min(startLine.StartDyn, Par->DynCount);
    const DynInfoRec* attr = AttrBefore(Par, dyn);
    TExtFontStyles eff = AttrToExtFontStyles(stat, AttrByte(attr));
    SelectStyleFont(eff);
    Integer boundary = dyn < Par->DynCount ? Par->Dyns[dyn].Offset : MaxInt;
    LastLine = FirstLine;

    Integer maxW = (!FWordWrap && FAlignment == taLeftJustify) ? MaxInt - FRightMargin
                                                                : FFmtWidth - FLeftMargin - FRightMargin;
    maxW = std::max(maxW, 1);
    const Integer tabW = std::max(FTabStops * FBlankWidth, 1);

    std::vector<LineInfo> lines;
    LineInfo cur;
    cur.Start = pos;
    cur.JustifyFrom = pos;
    cur.StartStyle = stat;
    cur.StartDyn = DynAfter(Par, pos);
    Integer x = 0;
    Integer lineBlanks = 0;
    bool firstWord = true;  // the next word is the current line's first
    bool joined = false;
    bool stopped = false;
    const bool continuation = FirstLine > 0;

    auto setStyle = [&](TExtFontStyles newStat) {
        stat = newStat;
        const TExtFontStyles e = AttrToExtFontStyles(stat, AttrByte(attr));
        if (((e ^ eff) & FontBits) != 0) SelectStyleFont(e);
        eff = e;
    };
    auto startLineAt = [&](Integer at) {
        cur = LineInfo{};
        cur.Start = at;
        cur.JustifyFrom = at;
        cur.StartStyle = stat;
        cur.StartDyn = DynAfter(Par, at);
        x = 0;
        lineBlanks = 0;
        firstWord = true;
    };
    auto emit = [&](const LineInfo& l) {
        lines.push_back(l);
        if (l.TextWidth > FWidestWidth) {
            FWidestWidth = l.TextWidth;
            if (!FWordWrap) FWidestLine = Par->FirstLine;
        }
        if (WholePar) return;
        while (LastLine < oldCount && ParLineAt(Par, LastLine)->Stop < l.Stop) ++LastLine;
        if (LastLine < oldCount - 1 && ParLineAt(Par, LastLine)->Stop == l.Stop) stopped = true;
    };
    // The line before the one being built: the last new one, or the old line before FirstLine.
    auto previousLine = [&]() -> LineInfo* {
        if (!lines.empty()) return &lines.back();
        return continuation ? ParLineAt(Par, FirstLine - 1) : nullptr;
    };

    while (!stopped) {
        // a. Blanks, TABs and style codes up to the next word.
        const Integer prevWordEnd = x;
        Integer runStart = pos;
        Integer runBlanks = 0;
        for (; pos < len; ++pos) {
            if (pos >= boundary) NextDynRun(Par, pos, dyn, attr, stat, eff, boundary);
            const char c = t[pos];
            if (FStaticFormat && IsStyleCode(c)) {
                TExtFontStyles s = stat;
                ApplyStyleCode(s, c);
                setStyle(s);
            } else if (c == '\t') {
                x = (x / tabW + 1) * tabW;
                lineBlanks = 0;
                runBlanks = 0;
                cur.JustifyFrom = pos;
                runStart = pos;
            } else if (c == ' ') {
                x += FFmtBlank;
                ++runBlanks;
            } else {
                break;
            }
        }
        // b. Blanks a continuation line would start with belong to the line before it.
        if (pos > runStart && runStart == cur.Start && (continuation || !lines.empty())) {
            if (LineInfo* prev = previousLine(); prev != nullptr && cur.Start > 0) {
                prev->Stop = pos;
                prev->Width += x;
                if (lines.empty()) joined = true;  // the old line before FirstLine changed
                startLineAt(pos);
                runBlanks = 0;
            }
        }
        if (pos >= len) break;

        // c. The word, measured piece by piece with the font in force.
        lineBlanks += runBlanks;
        const Integer wordStart = pos;
        const Integer xAtWord = x;
        const TExtFontStyles statAtWord = stat;
        const Integer dynAtWord = dyn;
        Integer wordW = 0;
        Integer piece = pos;
        for (; pos < len; ++pos) {
            if (pos >= boundary) {
                wordW += MeasureText(t + piece, pos - piece);
                piece = pos;
                NextDynRun(Par, pos, dyn, attr, stat, eff, boundary);
            }
            const char c = t[pos];
            if (IsBlankOrTab(c)) break;
            if (FStaticFormat && IsStyleCode(c)) {
                wordW += MeasureText(t + piece, pos - piece);
                piece = pos + 1;
                TExtFontStyles s = stat;
                ApplyStyleCode(s, c);
                setStyle(s);
            }
        }
        wordW += MeasureText(t + piece, pos - piece);
        wordW -= FFmtOverhang;
        x += wordW;

        // d. The first word of the first re-broken line may fit on the line before it.
        if (continuation && lines.empty() && firstWord) {
            LineInfo* prev = ParLineAt(Par, FirstLine - 1);
            if (prev->Width + wordW <= maxW) {
                for (Integer k = prev->Stop; k > prev->Start && t[k - 1] == ' '; --k) ++prev->Blanks;
                prev->Stop = pos;
                prev->Width += wordW;
                prev->TextWidth = prev->Width;
                joined = true;
                startLineAt(pos);
                continue;
            }
        }
        // e. Break before a word that does not fit.
        if (x > maxW && !firstWord) {
            cur.Stop = wordStart;
            cur.TextWidth = prevWordEnd;
            cur.Width = xAtWord;
            cur.Blanks = lineBlanks - runBlanks;
            emit(cur);
            if (stopped) break;
            cur = LineInfo{};
            cur.Start = wordStart;
            cur.JustifyFrom = wordStart;
            cur.StartStyle = statAtWord;
            cur.StartDyn = DynAfter(Par, wordStart);
            lineBlanks = 0;
            firstWord = false;
            x = wordW;
            if (wordW <= maxW) continue;
            // A word wider than a line: measured again from its start as the new line's first.
            pos = wordStart;
            dyn = dynAtWord;
            attr = AttrBefore(Par, dyn);
            boundary = dyn < Par->DynCount ? Par->Dyns[dyn].Offset : MaxInt;
            setStyle(statAtWord);
            x = 0;
            firstWord = true;
            continue;
        }
        if (x <= maxW) {
            firstWord = false;
            continue;
        }
        // f. A first word wider than the line is cut inside, character by character.
        pos = wordStart;
        x = xAtWord;
        dyn = dynAtWord;
        attr = AttrBefore(Par, dyn);
        boundary = dyn < Par->DynCount ? Par->Dyns[dyn].Offset : MaxInt;
        setStyle(statAtWord);
        Integer taken = 0;
        Integer lastW = 0;
        while (pos < len && x < maxW) {
            if (pos >= boundary) NextDynRun(Par, pos, dyn, attr, stat, eff, boundary);
            const char c = t[pos];
            lastW = 0;
            if (FStaticFormat && IsStyleCode(c)) {
                TExtFontStyles s = stat;
                ApplyStyleCode(s, c);
                setStyle(s);
            } else if (c == '\t') {
                lastW = (x / tabW + 1) * tabW - x;
            } else {
                lastW = MeasureText(t + pos, 1);
            }
            x += lastW;
            ++pos;
            ++taken;
        }
        if (taken > 1 && !(FStaticFormat && IsStyleCode(t[pos - 1])) && DynAfter(Par, pos - 2) == DynAfter(Par, pos - 1)) {
            --pos;
            x -= lastW;
        }
        cur.Stop = pos;
        cur.TextWidth = x;
        cur.Width = x;
        cur.Blanks = 0;
        cur.JustifyFrom = pos;
        emit(cur);
        if (stopped) break;
        // The state at the cut: codes and attributes before it.
        {
            TExtFontStyles s = cur.StartStyle;
            if (FStaticFormat)
                for (Integer k = cur.Start; k < pos; ++k) ApplyStyleCode(s, t[k]);
            dyn = DynAfter(Par, pos);
            attr = AttrBefore(Par, dyn);
            boundary = dyn < Par->DynCount ? Par->Dyns[dyn].Offset : MaxInt;
            setStyle(s);
        }
        startLineAt(pos);
    }

    // g. The rest of the text is the last line.
    if (!stopped) {
        if (cur.Start < len || (lines.empty() && FirstLine == 0)) {
            cur.Stop = len;
            cur.TextWidth = x;
            cur.Width = x;
            cur.Blanks = 0;
            cur.JustifyFrom = len;
            lines.push_back(cur);
            if (cur.TextWidth > FWidestWidth) {
                FWidestWidth = cur.TextWidth;
                if (!FWordWrap) FWidestLine = Par->FirstLine;
            }
        }
        LastLine = oldCount - 1;
    }

    // 7. Splice the new lines over the old ones they replace.
    const auto n = static_cast<Integer>(lines.size());
    const Integer delta = n - (LastLine - FirstLine + 1);
    SpliceLines(Par, FirstLine, LastLine, lines.data(), n);
    LastLine += delta;
    if (joined) --FirstLine;
    FirstLine = std::max(FirstLine, 0);
}

void TStyleMemo::SpliceLines(ParInfo* Par, Integer FirstLine, Integer LastLine, const LineInfo* NewLines, Integer n)
{
    const Integer old = Par->LineCount;
    FirstLine = std::clamp(FirstLine, 0, old);
    LastLine = std::clamp(LastLine, FirstLine - 1, old - 1);
    std::vector<LineInfo> lines;
    lines.reserve(static_cast<size_t>(FirstLine + n + (old - 1 - LastLine)));
    for (Integer i = 0; i < FirstLine; ++i) lines.push_back(*ParLineAt(Par, i));
    lines.insert(lines.end(), NewLines, NewLines + n);
    for (Integer i = LastLine + 1; i < old; ++i) lines.push_back(*ParLineAt(Par, i));
    TLinesList view(Par);
    view.SetCount(static_cast<Integer>(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) *ParLineAt(Par, static_cast<Integer>(i)) = lines[i];
    FLineCount += Par->LineCount - old;
}

void TStyleMemo::BeginFormatPar(ParInfo* Par, Integer ParNb)
{
    if (!Par->KeywordsParsed && (FApplyKeyWords || FHighlighter != nullptr)) {
        TStyleNavigator* a = FScratch[8];
        TStyleNavigator* b = FScratch[9];
        a->PlaceAt(ParNb, 0);
        b->PlaceAt(ParNb, Par->Len);
        ApplyKeywordsList(a, b);
        a->Invalidate();
        a->Pos = 0;
        b->Invalidate();
        b->Pos = 0;
    }
    Par->KeywordsParsed = true;
    Par->Formatted = true;
    ShrinkDyns(Par);
}

// ---------------------------------------------------------------- the drivers

void TStyleMemo::ExtendMods(Integer FirstPar, Integer LineInPar, Integer LastPar)
{
    if (FModLastPar < 0) {
        FModFirstPar = ParCount();
        FModFirstLine = FLineCount;
    }
    if (FirstPar <= FModFirstPar) {
        FModFirstPar = FirstPar;
        FModFirstLine = std::min(FModFirstLine, FParagraphs->At(FirstPar)->FirstLine + LineInPar);
    }
    if (LastPar > FModLastPar) FModLastPar = LastPar;
    if (FirstPar <= FParsedIndex) FParsedIndex = FirstPar - 1;
}

void TStyleMemo::Reformat()
{
    FWidestWidth = 0;
    FWidestLine = -1;
    for (Integer i = 0; i < ParCount(); ++i) FParagraphs->At(i)->Formatted = false;
    FPendingFirst = 0;
    FPendingLast = ParCount() - 1;
    if (FUpdateCount > 0 || HasState(csLoading)) return;
    if (FPrintCanvas != nullptr) {
        FormatNow(0, ParCount() - 1, false);
        return;
    }
    if (!HandleAllocated()) return;
    if (FUpdateMode == umImmediate)
        FormatNow(0, ParCount() - 1, false);
    else if (FUpdateMode == umBackground)
        PostBackground();
}

void TStyleMemo::PostBackground()
{
    if (FPosted || !HandleAllocated()) return;
    FPosted = true;
    PostMessage(Handle(), PM_UPDATEBKG, 1, 0);
}

void TStyleMemo::ReportProgress(Integer Percent)
{
    FProgress = Percent;
    if (OnProgress) OnProgress(this);
}

void TStyleMemo::FormatNow(Integer First, Integer Last, bool Force)
{
    Last = std::min(Last, ParCount() - 1);
    First = std::max(First, 0);
    if (First > Last) return;
    const bool fromPendingStart = First == FPendingFirst;
    const Integer savedPending = FPendingFirst;
    const Integer caretPar = FAnchor->GetParNb();
    bool caretFormatted = false;
    Integer lineDelta = 0;
    const Integer oldWidest = FWidestWidth;
    {
        FlagScope formatting(FFormatting, true);
        BeginMeasuring();
        Integer running = FParagraphs->At(First)->FirstLine;
        Integer& delta = lineDelta;
        bool any = false;
        try {
            for (Integer p = First; p <= Last; ++p) {
                ParseStartStopNow(p);
                ParInfo* par = FParagraphs->At(p);
                par->FirstLine = running;
                if (Force || !par->Formatted) {
                    if (OnProgress && GetTickCount() - FLastProgress >= static_cast<DWORD>(ProgressInterval)) {
                        FLastProgress = GetTickCount();
                        const Integer pct = static_cast<Integer>(static_cast<Int64>(p) * 100 / ParCount());
                        ReportProgress(pct >= 100 ? 99 : pct);
                    }
                    const Integer old = par->LineCount;
                    Integer firstLine = 0;
                    Integer lastLine = 0;
                    ReformatPar(par, p, firstLine, lastLine, true);
                    delta += par->LineCount - old;
                    any = true;
                    if (p == caretPar) caretFormatted = true;
                }
                running += par->LineCount;
                if (FPendingFirst == p) FPendingFirst = p + 1;
            }
        } catch (...) {
            EndMeasuring();
            throw;
        }
        EndMeasuring();
        if (any) {
            InvalidateNavs(FNavList, FParagraphs->At(First)->StartPos, Last);
            for (TStyleNavigator* n : FNavList)
                if (n->Par != nullptr && n->ParNb >= First && n->ParNb <= Last) n->ParLine = NotComputed;
            if (delta != 0) {
                for (Integer q = Last + 1; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
                if (FPrintCanvas == nullptr && HandleAllocated()) {
                    FTopNav->Invalidate();
                    FTopNav->Pos = 0;
                    const Integer top = FTopOrigin / FRowHeight;
                    const Integer newTop = std::min(top, std::max(FLineCount - 1, 0));
                    FTopOrigin = newTop * FRowHeight + FTopOrigin % FRowHeight;
                    FTopNav->SetLineNb(newTop);
                    setVScrollParams();
                    UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
                }
            }
        }
    }
    if (caretFormatted || (lineDelta != 0 && First <= caretPar)) UpdateCaret(false);
    if (FWidestWidth != oldWidest && !FWordWrap && HandleAllocated() && FPrintCanvas == nullptr) {
        setHScrollParams();
        UpdateScrollBarPos(SB_HORZ, FDisplayLeft, FHScrollUnit);
    }
    if (!fromPendingStart) FPendingFirst = savedPending;
    if (FPendingFirst > FPendingLast) {
        FPendingFirst = ParCount();
        FPendingLast = -1;
        if (fromPendingStart && OnProgress) ReportProgress(100);
    }
}

void TStyleMemo::FormatInBackground(TMessage& Message)
{
    if (FUpdateCount >= 1) {
        FPosted = false;
        return;
    }
    FPosted = true;
    if (FPendingFirst >= ParCount()) {
        FPosted = false;
        return;
    }
    const DWORD deadline = GetTickCount() + 25;
    const Integer startPar = FPendingFirst;
    Integer running = FParagraphs->At(FPendingFirst)->FirstLine;
    Integer delta = 0;
    bool any = false;
    const Integer oldWidest = FWidestWidth;
    const Integer topLine = TopLine();
    const Integer bottomLine = topLine + FVisibleLines;
    {
        FlagScope formatting(FFormatting, true);
        BeginMeasuring();
        try {
            while (FPendingFirst <= FPendingLast && FPendingFirst < ParCount()) {
                ParInfo* par = FParagraphs->At(FPendingFirst);
                par->FirstLine = running;
                if (OnProgress && GetTickCount() - FLastProgress >= static_cast<DWORD>(ProgressInterval)) {
                    FLastProgress = GetTickCount();
                    const Integer pct = static_cast<Integer>(static_cast<Int64>(FPendingFirst) * 100 / ParCount());
                    ReportProgress(pct >= 100 ? 99 : pct);
                }
                if (!par->Formatted) {
                    if (!par->StartStopParsed) ParseStartStopNow(FPendingFirst);
                    const Integer old = par->LineCount;
                    Integer fl = 0;
                    Integer ll = 0;
                    ReformatPar(par, FPendingFirst, fl, ll, true);
                    delta += par->LineCount - old;
                    any = true;
                    if (par->FirstLine + par->LineCount > topLine && par->FirstLine < bottomLine)
                        InvalidateLines(par->FirstLine, par->FirstLine + par->LineCount - 1, false);
                }
                running += par->LineCount;
                ++FPendingFirst;
                if (FPendingFirst > FPendingLast && FPendingFirst < ParCount() &&
                    !FParagraphs->At(FPendingFirst)->Formatted)
                    ++FPendingLast;
                if (GetTickCount() >= deadline) break;
            }
        } catch (...) {
            EndMeasuring();
            FPosted = false;
            throw;
        }
        EndMeasuring();
    }
    if (any) {
        for (TStyleNavigator* n : FNavList)
            if (n->Par != nullptr && n->ParNb >= startPar && n->ParNb < FPendingFirst) {
                n->ParLine = NotComputed;
                n->DynNb = NotComputed;
            }
        if (delta != 0) {
            for (Integer q = FPendingFirst; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
            if (!FWordWrap && FWidestLine >= FParagraphs->At(std::min(startPar, ParCount() - 1))->FirstLine)
                FWidestLine += delta;
            // Keep the top line where it is: the lines above it may have been re-broken.
            const Integer newTop = std::min(topLine, std::max(FLineCount - 1, 0));
            const Integer origin = newTop * FRowHeight + FTopOrigin % FRowHeight;
            FTopNav->SetLineNb(newTop);
            FTopOrigin = origin;
            setVScrollParams();
            UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
        }
        // Lines above the caret may have been re-broken: its row moves with them.
        if (FAnchor->ParLine == NotComputed || delta != 0) UpdateCaret(false);
        if (FWidestWidth != oldWidest && !FWordWrap) {
            setHScrollParams();
            UpdateScrollBarPos(SB_HORZ, FDisplayLeft, FHScrollUnit);
        }
    }
    if (FPendingFirst > FPendingLast || FPendingFirst >= ParCount()) {
        FPosted = false;
        FPendingLast = -1;
        FPendingFirst = ParCount();
        ReportProgress(100);
        return;
    }
    FPosted = false;
    if (Message.WParam != 0 && FUpdateMode == umBackground && HandleAllocated() && !Application->Terminated())
        PostBackground();
}

void TStyleMemo::ReformatEditedRange()
{
    if (FModFirstLine >= 0 && FModLastPar >= 0 && FModFirstPar < ParCount()) {
        const Integer F = FModFirstPar;
        const Integer oldLineCount = FLineCount;
        Integer L = std::max(std::min(FModLastPar, ParCount() - 1), F);
        Integer firstChanged = 0;
        Integer lastChanged = 0;
        {
            FlagScope formatting(FFormatting, true);
            BeginMeasuring();
            try {
                ParInfo* par = FParagraphs->At(F);
                Integer firstLine = std::max(FModFirstLine - par->FirstLine, 0);
                Integer lastLine = 0;
                if (!FLocalEdit) ParseStartStopNow(F);
                const Integer old = par->LineCount;
                ReformatPar(par, F, firstLine, lastLine, L > F || !FLocalEdit);
                Integer delta = par->LineCount - old;
                firstChanged = par->FirstLine + firstLine;
                lastChanged = par->FirstLine + std::max(lastLine, firstLine);
                FPendingFirst = std::min(FPendingFirst, F + 1);
                FPendingLast = std::max(FPendingLast, L);
                // A changed start/stop span can reach into the paragraphs after the edit.
                const Integer reach = GetPar(FTopNav->Pos) + FVisibleLines;
                for (Integer p = L + 1; p < ParCount() && p <= reach && !FParagraphs->At(p)->StartStopParsed; ++p) {
                    ParseStartStopNow(p);
                    L = p;
                }
                Integer running = par->FirstLine + par->LineCount;
                const bool inView = FFmtDC == nullptr || FUpdateMode == umImmediate;
                const Integer top = FTopOrigin / std::max(FRowHeight, 1);
                for (Integer p = F + 1; p <= L; ++p) {
                    ParInfo* q = FParagraphs->At(p);
                    q->FirstLine = running;
                    if (inView || (q->FirstLine >= top && q->FirstLine <= top + FVisibleLines)) {
                        ParseStartStopNow(p);
                        const Integer o = q->LineCount;
                        Integer fl = 0;
                        Integer ll = 0;
                        ReformatPar(q, p, fl, ll, true);
                        delta += q->LineCount - o;
                        lastChanged = std::max(lastChanged, q->FirstLine + q->LineCount - 1);
                    }
                    running += q->LineCount;
                }
                if (delta != 0)
                    for (Integer q = L + 1; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
            } catch (...) {
                EndMeasuring();
                throw;
            }
            EndMeasuring();
            for (TStyleNavigator* n : FNavList)
                if (n->Par != nullptr && n->ParNb >= F && n->ParNb <= L) {
                    n->ParLine = NotComputed;
                    n->DynNb = NotComputed;
                }
            if (FPendingFirst > FPendingLast) {
                FPendingFirst = ParCount();
                FPendingLast = -1;
            }
        }
        LinesChanged(firstChanged, lastChanged, FLineCount - oldLineCount + FModLinesAdded);
    }
    FModFirstLine = FLineCount;
    FModFirstPar = ParCount();
    FModLastPar = -1;
    FModLinesAdded = 0;
    if (HandleAllocated() && FPendingFirst <= FPendingLast) {
        if (FUpdateMode == umImmediate)
            FormatNow(FPendingFirst, FPendingLast, false);
        else if (FUpdateMode == umBackground)
            PostBackground();
    }
    UpdateCaret(false);
    Change();
}

void TStyleMemo::ParseStartStopNow(Integer Par)
{
    if (Par >= ParCount()) Par = ParCount() - 1;
    for (Integer p = FParsedIndex + 1; p <= Par; ++p) {
        ParInfo* par = FParagraphs->At(p);
        if (par->StartStopParsed) continue;
        TStyleNavigator* a = FScratch[8];
        TStyleNavigator* b = FScratch[9];
        a->PlaceAt(p, 0);
        b->PlaceAt(p, par->Len);
        ApplyStartStopKeyList(a, b);
    }
    if (Par > FParsedIndex) FParsedIndex = Par;
}

void TStyleMemo::Change()
{
    if (!FNotifyClients.empty()) Perform(CM_TEXTCHANGED, 0, 0);
    if (OnChange) OnChange(this);
}

void TStyleMemo::LeaveUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount > 0) return;
    ReformatEditedRange();
    if (FRepaintPending) {
        FRepaintPending = false;
        if (HandleAllocated()) Invalidate();
    }
}

void TStyleMemo::EnsureFormatted(Integer Par)
{
    if (Par >= 0 && Par < ParCount() && !FParagraphs->At(Par)->Formatted) FormatNow(Par, Par, false);
}

void TStyleMemo::RefreshDisplay()
{
    if (!HandleAllocated()) return;
    Reformat();
    ClampTop();
    Invalidate();
    UpdateCaret(false);
}

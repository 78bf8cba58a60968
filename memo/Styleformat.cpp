// TStyleMemo: paragraph formatting. FormatParagraph breaks one paragraph into display lines,
// measuring every style run with the font it is painted with; the drivers decide when: after edits
// (ReformatEditedRange), all at once (FormatNow), on demand, or in 25 ms slices that the memo posts
// to itself (FormatInBackground, never a message loop inside an edit).
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Windows.h"

using stylememo::AttrBefore;
using stylememo::AttrByte;
using stylememo::DynAfter;
using stylememo::FontBits;

// Lines a background slice breaks at a time inside a long paragraph, between looks at the clock.
constexpr Integer BackgroundLines = 2048;

// ---------------------------------------------------------------- measuring

void TStyleMemo::BeginMeasuring()
{
    FFmtFontDC = nullptr;
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

void TStyleMemo::EndMeasuring()
{
    FFmtDC = nullptr;
    FFmtFontDC = nullptr;
}

Integer TStyleMemo::MeasureText(const char* Text, Integer Len)
{
    if (FFmtDC == nullptr) return 0;
    return TextWidthChunked(FFmtDC, Text, Len, FChunkLen);
}

const TStyleMemo::RunWidths* TStyleMemo::FindRun(const ParInfo* Par, Integer Pos) const
{
    if (FFmtDC == nullptr || FFmtSlot == nullptr || FPrintCanvas != nullptr) return nullptr;
    for (const RunWidths& r : FRuns)
        if (r.Par == Par && r.Stamp == FTextStamp && r.Slot == FFmtSlot && r.Static == FStaticFormat && r.Start <= Pos &&
            Pos < r.End)
            return &r;
    return nullptr;
}

const TStyleMemo::RunWidths* TStyleMemo::RunAt(ParInfo* Par, Integer Pos)
{
    const Integer* w = CharWidths();
    if (w == nullptr) return nullptr;
    if (const RunWidths* r = FindRun(Par, Pos); r != nullptr) return r;
    RunWidths& r = FRuns[FNextRun];
    FNextRun = (FNextRun + 1) % static_cast<Integer>(std::size(FRuns));
    r.Par = Par;
    r.Stamp = FTextStamp;
    r.Slot = FFmtSlot;
    r.Static = FStaticFormat;
    r.Start = Pos;
    r.Sums.clear();
    const auto* t = reinterpret_cast<const unsigned char*>(Par->Text);
    // The characters that end a run: blank, TAB and, while they are formatting, the style codes.
    bool ends[256] = {};
    ends[static_cast<unsigned char>(' ')] = ends[static_cast<unsigned char>('\t')] = true;
    if (FStaticFormat)
        for (const char c : {scItalic, scBold, scHighlight, scAltFont, scUnderline}) ends[static_cast<unsigned char>(c)] = true;
    Integer sum = 0;
    Integer k = Pos;
    for (bool open = true; open;) {
        r.Sums.push_back(sum);
        const Integer stop = std::min(k + RunStep, Par->Len);
        for (; k < stop; ++k) {
            if (ends[t[k]]) break;
            sum += w[t[k]];
        }
        open = k == stop && k < Par->Len;
    }
    r.End = k;
    if ((k - Pos) % RunStep == 0 && static_cast<Integer>(r.Sums.size()) * RunStep <= k - Pos) r.Sums.push_back(sum);
    return &r;
}

Integer TStyleMemo::RunWidth(const RunWidths& R, Integer From, Integer To)
{
    const Integer* w = FFmtSlot->Widths.data();
    auto upTo = [&](Integer At) {
        const Integer i = (At - R.Start) / RunStep;
        Integer sum = R.Sums[static_cast<size_t>(i)];
        for (Integer k = R.Start + i * RunStep; k < At; ++k) sum += w[static_cast<unsigned char>(R.Par->Text[k])];
        return sum;
    };
    return upTo(To) - upTo(From);
}

Integer TStyleMemo::RunReach(const RunWidths& R, Integer From, Integer Room)
{
    const Integer* w = FFmtSlot->Widths.data();
    const Integer base = RunWidth(R, R.Start, From);
    const Integer limit = base + Room;
    // The last step that starts within the room (searched outward from From's step, as the room
    // is mostly a line's width), then character by character.
    const auto first = R.Sums.begin() + (From - R.Start) / RunStep;
    auto far = first;
    for (std::ptrdiff_t jump = 1; far != R.Sums.end() && *far <= limit; jump *= 2)
        far = jump < R.Sums.end() - far ? far + jump : R.Sums.end();
    auto i = static_cast<Integer>(std::upper_bound(first, far, limit) - R.Sums.begin()) - 1;
    Integer at = std::max(R.Start + i * RunStep, From);
    Integer sum = at == From ? base : R.Sums[static_cast<size_t>(i)];
    while (at < R.End && sum + w[static_cast<unsigned char>(R.Par->Text[at])] <= limit)
        sum += w[static_cast<unsigned char>(R.Par->Text[at++])];
    return at;
}

const Integer* TStyleMemo::CharWidths()
{
    if (FFmtDC == nullptr || FFmtSlot == nullptr || FPrintCanvas != nullptr) return nullptr;
    if (FFmtSlot->Widths.empty()) {
        FFmtSlot->Widths.resize(256);
        for (int c = 0; c < 256; ++c) {
            const char ch = static_cast<char>(c);
            SIZE sz{};
            FFmtSlot->Widths[static_cast<size_t>(c)] = GetTextExtentPoint32(FFmtDC, &ch, 1, &sz) ? sz.cx : 0;
        }
    }
    return FFmtSlot->Widths.data();
}

void TStyleMemo::SelectStyleFont(TExtFontStyles Style)
{
    FFmtStyle = Style;
    if (FFmtDC == nullptr) return;
    FontSlot& slot = StyleFont(Style);
    if (FFmtSlot == &slot && FFmtFontDC == FFmtDC) return;  // selected there already
    SelectObject(FFmtDC, slot.Font);
    FFmtFontDC = FFmtDC;
    FFmtSlot = &slot;
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
        Par->Provisional = 0;
        Par->ProvisionalWhole = false;
        Par->LinesStale = false;
        FirstLine = 0;
        LastLine = 0;
        return;
    }

    // Lines broken for another font or width hold no break worth keeping.
    if (Par->LinesStale) {
        FirstLine = 0;
        WholePar = true;
        Par->LinesStale = false;
    }
    const Integer oldCount = Par->LineCount;
    const Integer editLine = std::clamp(FirstLine, 0, oldCount - 1);
    // The line before the edited one is broken again as well: the edit may change where it ends
    // (a shortened first word fits behind it, blanks typed at a line start belong to it). Breaking
    // it from its start as a whole pass would gives what a whole pass gives.
    const Integer first = std::max(editLine - 1, 0);
    const char* t = Par->Text;
    const Integer len = Par->Len;
    Integer pos = ParLineAt(Par, first)->Start;
    TExtFontStyles stat = FStaticFormat ? ParLineAt(Par, first)->StartStyle : 0;
    Integer dyn = DynAfter(Par, pos);
    const DynInfoRec* attr = AttrBefore(Par, dyn);
    TExtFontStyles eff = AttrToExtFontStyles(stat, AttrByte(attr));
    SelectStyleFont(eff);
    Integer boundary = dyn < Par->DynCount ? Par->Dyns[dyn].Offset : MaxInt;

    const bool wraps = FWordWrap || FAlignment != taLeftJustify;
    Integer maxW = wraps ? FFmtWidth - FLeftMargin - FRightMargin : MaxInt - FRightMargin;
    maxW = std::max(maxW, 1);
    const Integer tabW = std::max(FTabStops * FBlankWidth, 1);

    std::vector<LineInfo> lines;
    LineInfo cur;
    Integer x = 0;
    Integer lineBlanks = 0;
    bool firstWord = true;  // the next word is the current line's first
    bool joined = false;    // the line before the first one broken again took blanks
    bool stopped = false;
    bool cut = false;     // the budget of lines was used up
    Integer old = first;  // the old line the new breaks are compared with
    const Integer provisional = Par->Provisional;
    // Lines not broken yet after a change of more than one place are no lines to stop at.
    const bool staleWhole = provisional > 0 && Par->ProvisionalWhole;

    auto setStyle = [&](TExtFontStyles newStat) {
        stat = newStat;
        const TExtFontStyles e = AttrToExtFontStyles(stat, AttrByte(attr));
        if (((e ^ eff) & FontBits) != 0) SelectStyleFont(e);
        eff = e;
    };
    auto seekDyn = [&](Integer at) {
        dyn = DynAfter(Par, at);
        attr = AttrBefore(Par, dyn);
        boundary = dyn < Par->DynCount ? Par->Dyns[dyn].Offset : MaxInt;
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
    auto widest = [&](const LineInfo& l) {
        if (l.TextWidth > FWidestWidth) {
            FWidestWidth = l.TextWidth;
            if (!FWordWrap) FWidestLine = Par->FirstLine;
        }
    };
    // After a line is emitted and the next one set up: once a break falls on an old one behind
    // the edit, with the same style and attribute in force there, the old lines from there on stand.
    auto fallsBack = [&]() {
        if (WholePar) return false;
        while (old < oldCount && ParLineAt(Par, old)->Stop < cur.Start) ++old;
        if (old < editLine || old >= oldCount - 1 || ParLineAt(Par, old)->Stop != cur.Start) return false;
        if (staleWhole && old + 1 >= provisional) return false;
        const LineInfo* next = ParLineAt(Par, old + 1);
        return next->Start == cur.Start && next->StartStyle == cur.StartStyle && next->StartDyn == cur.StartDyn;
    };
    startLineAt(pos);

    while (!stopped) {
        // a. Blanks, TABs and style codes up to the next word.
        const Integer prevWordEnd = x;
        Integer runStart = pos;
        Integer runBlanks = 0;
        for (; pos < len; ++pos) {
            if (pos >= boundary) NextDynRun(Par, pos, dyn, attr, stat, eff, boundary);
            const char c = t[pos];
            if (FStaticFormat && IsStyleCode(c)) {
                TExtFontStyles st = stat;
                ApplyStyleCode(st, c);
                setStyle(st);
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
        if (pos > runStart && runStart == cur.Start && cur.Start > 0) {
            LineInfo* prev = !lines.empty() ? &lines.back() : ParLineAt(Par, first - 1);
            prev->Stop = pos;
            prev->Width += x;
            if (lines.empty()) joined = true;
            startLineAt(pos);
            runBlanks = 0;
        }
        if (pos >= len) break;

        // c. The word, measured piece by piece with the font in force. A run longer than HugeRun
        // is measured by its characters' kept widths, and the measuring stops once the word cannot
        // fit: only whether it fits is ever used then.
        lineBlanks += runBlanks;
        const Integer wordStart = pos;
        const Integer xAtWord = x;
        const TExtFontStyles statAtWord = stat;
        Integer wordW = 0;
        Integer piece = pos;
        bool wide = false;  // the measuring stopped: the word is wider than the line
        auto closePiece = [&]() {
            wordW += MeasureText(t + piece, pos - piece);
            piece = pos;
            return wraps && wordW > maxW;
        };
        // A long run from the piece's start to its end (a blank, TAB, code or attribute boundary).
        auto longRun = [&](const RunWidths& Run) {
            const Integer end = std::min(Run.End, boundary);
            if (const Integer reach = wraps ? RunReach(Run, piece, maxW - wordW) : end; reach < end) {
                // Up to the first character that does not fit: the word is wider than the line.
                wordW += RunWidth(Run, piece, reach + 1);
                return true;
            }
            wordW += RunWidth(Run, piece, end);
            pos = end;
            piece = end;
            return false;
        };
        for (;;) {
            if (pos == piece) {
                const RunWidths* run = FindRun(Par, pos);
                if (run != nullptr && std::min(run->End, boundary) - pos > HugeRun && (wide = longRun(*run))) break;
            }
            if (pos >= len) {
                wide = closePiece();
                break;
            }
            if (pos >= boundary) {
                if ((wide = closePiece())) break;
                NextDynRun(Par, pos, dyn, attr, stat, eff, boundary);
                continue;
            }
            const char c = t[pos];
            if (c == ' ' || c == '\t') {
                wide = closePiece();
                break;
            }
            if (FStaticFormat && IsStyleCode(c)) {
                if ((wide = closePiece())) break;
                TExtFontStyles st = stat;
                ApplyStyleCode(st, c);
                setStyle(st);
                piece = ++pos;
                continue;
            }
            if (pos - piece >= HugeRun) {
                if (const RunWidths* run = RunAt(Par, piece); run != nullptr) {
                    if ((wide = longRun(*run))) break;
                    continue;
                }
            }
            ++pos;
        }
        if (!wide) wordW -= FFmtOverhang;
        x += wordW;
        // e. Break before a word that does not fit.
        if (x > maxW && !firstWord) {
            cur.Stop = wordStart;
            cur.TextWidth = prevWordEnd;
            cur.Width = xAtWord;
            cur.Blanks = lineBlanks - runBlanks;
            lines.push_back(cur);
            widest(cur);
            const TExtFontStyles statAtEnd = stat;
            stat = statAtWord;
            startLineAt(wordStart);
            if (fallsBack() || (cut = static_cast<Integer>(lines.size()) >= FLineBudget)) {
                stopped = true;
                break;
            }
            if (!wide && wordW <= maxW) {
                stat = statAtEnd;
                firstWord = false;
                x = wordW;
                continue;
            }
            // A word wider than a line: measured again from its start as the new line's first.
            pos = wordStart;
            seekDyn(pos);
            eff = AttrToExtFontStyles(stat, AttrByte(attr));
            SelectStyleFont(eff);
            continue;
        }
        if (x <= maxW) {
            firstWord = false;
            continue;
        }
        // f. A first word wider than the line is cut inside, character by character.
        pos = wordStart;
        x = xAtWord;
        stat = statAtWord;
        seekDyn(pos);
        eff = AttrToExtFontStyles(stat, AttrByte(attr));
        SelectStyleFont(eff);
        Integer taken = 0;
        Integer lastW = 0;
        // Inside one long run the characters that start before the maximum are found by its kept
        // widths.
        bool fast = false;
        if (const RunWidths* run = FindRun(Par, pos); run != nullptr && x < maxW) {
            const Integer end = std::min(run->End, boundary);
            const Integer last = RunReach(*run, pos, maxW - 1 - x);
            if (last < end) {
                fast = true;
                taken = last + 1 - pos;
                lastW = CharWidths()[static_cast<unsigned char>(t[last])];
                x += RunWidth(*run, pos, last + 1);
                pos = last + 1;
            }
        }
        while (!fast && pos < len && x < maxW) {
            if (pos >= boundary) NextDynRun(Par, pos, dyn, attr, stat, eff, boundary);
            const char c = t[pos];
            lastW = 0;
            if (FStaticFormat && IsStyleCode(c)) {
                TExtFontStyles st = stat;
                ApplyStyleCode(st, c);
                setStyle(st);
            } else if (c == '\t') {
                lastW = (x / tabW + 1) * tabW - x;
            } else if (const Integer* w = CharWidths(); w != nullptr) {
                lastW = w[static_cast<unsigned char>(c)];
            } else {
                lastW = MeasureText(t + pos, 1);
            }
            x += lastW;
            ++pos;
            ++taken;
        }
        // The last character goes to the next line unless it fits (a line may be filled exactly).
        if (taken > 1 && x > maxW && !(FStaticFormat && IsStyleCode(t[pos - 1])) &&
            DynAfter(Par, pos - 2) == DynAfter(Par, pos - 1)) {
            --pos;
            x -= lastW;
        }
        cur.Stop = pos;
        cur.TextWidth = x;
        cur.Width = x;
        cur.Blanks = 0;
        cur.JustifyFrom = pos;
        lines.push_back(cur);
        widest(cur);
        seekDyn(pos);
        setStyle(stat);
        startLineAt(pos);
        if (fallsBack() || (cut = static_cast<Integer>(lines.size()) >= FLineBudget)) stopped = true;
    }

    // g. The rest of the text is the last line; an empty paragraph is one empty line.
    Integer lastOld = oldCount - 1;
    Par->Provisional = 0;
    bool whole = false;  // what is left to break must be broken to the end
    if (cut) {
        // The old lines stay from the first that starts at or after the cut, behind a line that
        // bridges the gap; all of them are broken anew later.
        Integer j = first;
        while (j < oldCount && ParLineAt(Par, j)->Start < cur.Start) ++j;
        lastOld = j - 1;
        const Integer to = j < oldCount ? ParLineAt(Par, j)->Start : len;
        Par->Provisional = first + static_cast<Integer>(lines.size());
        // Lines not broken yet from an earlier cut would lie behind this one with the line that
        // bridged that cut among them: no place to stop either.
        whole = WholePar || provisional > 0;
        if (to > cur.Start) {
            cur.Stop = to;
            lines.push_back(cur);
        }
    } else if (stopped) {
        lastOld = old;
        // Fallen back before lines not yet broken: they still are not, moved by the lines gained.
        if (provisional > lastOld) {
            Par->Provisional = provisional + static_cast<Integer>(lines.size()) - (lastOld - first + 1);
            whole = staleWhole;
        }
    } else if (cur.Start < len || (lines.empty() && first == 0)) {
        cur.Stop = len;
        cur.TextWidth = x;
        cur.Width = x;
        cur.Blanks = 0;
        cur.JustifyFrom = len;
        lines.push_back(cur);
        widest(cur);
    }

    // Lines not yet broken before the first one broken here stay so.
    if (provisional > 0 && provisional <= first) {
        Par->Provisional = provisional;
        whole = staleWhole || WholePar || cut;
    }
    Par->ProvisionalWhole = Par->Provisional > 0 && whole;

    // Splice the new lines over the old ones they replace.
    const auto n = static_cast<Integer>(lines.size());
    SpliceLines(Par, first, lastOld, lines.data(), n);
    FirstLine = joined ? first - 1 : first;
    LastLine = std::max(first + n - 1, FirstLine);
}

void TStyleMemo::SpliceLines(ParInfo* Par, Integer FirstLine, Integer LastLine, const LineInfo* NewLines, Integer n)
{
    const Integer old = Par->LineCount;
    FirstLine = std::clamp(FirstLine, 0, old);
    LastLine = std::clamp(LastLine, FirstLine - 1, old - 1);
    if (n == LastLine - FirstLine + 1) {
        // As many lines as before: they are overwritten where they stand.
        for (Integer i = 0; i < n; ++i) *ParLineAt(Par, FirstLine + i) = NewLines[i];
        return;
    }
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
    EventScope scope(*this);
    FWidestWidth = 0;
    FWidestLine = -1;
    for (Integer i = 0; i < ParCount(); ++i) {
        ParInfo* par = FParagraphs->At(i);
        par->Formatted = false;
        par->LinesStale = true;
    }
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
    if (OnProgress) Owe(evProgress);
}

void TStyleMemo::FormatNow(Integer First, Integer Last, bool Force)
{
    Last = std::min(Last, ParCount() - 1);
    First = std::max(First, 0);
    if (First > Last) return;
    EventScope scope(*this);
    const bool fromPendingStart = First == FPendingFirst;
    const Integer savedPending = FPendingFirst;
    const Integer caretPar = FAnchor->GetParNb();
    const Integer caretFirstLine = FParagraphs->At(caretPar)->FirstLine;
    const Integer originBefore = FTopOrigin;
    bool caretFormatted = false;
    Integer lineDelta = 0;
    const Integer oldWidest = FWidestWidth;
    {
        FlagScope formatting(*this, FFormatting, true);
        BeginMeasuring();
        Integer running = FParagraphs->At(First)->FirstLine;
        Integer& delta = lineDelta;
        bool any = false;
        Integer firstBroken = 0;
        Integer lastBroken = 0;
        try {
            // Immediate formatting from the pending start follows a start/stop span that an edit
            // opened or closed on into the paragraphs it now reaches: nothing else would.
            const bool follow = fromPendingStart && FUpdateMode == umImmediate;
            for (Integer p = First; p <= Last || (follow && p == FPendingFirst && p <= FPendingLast && p < ParCount()); ++p) {
                Last = std::max(Last, p);
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
                    if (!any) firstBroken = par->FirstLine;
                    lastBroken = par->FirstLine + par->LineCount - 1;
                    any = true;
                    if (p == caretPar) caretFormatted = true;
                }
                running += par->LineCount;
                // A paragraph broken only as far as the screen needed stays pending.
                if (FPendingFirst == p && par->Provisional == 0) FPendingFirst = p + 1;
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
            if (delta == 0 && FPrintCanvas == nullptr && HandleAllocated()) {
                // Lines broken anew in view show what they hold now, also where a paint under way
                // does not reach; breaks that moved above the top line move its number, and then
                // every row below it shows another line.
                const Integer origin = FTopOrigin;
                const Integer top = KeepTopOnText();
                const bool moved = FTopOrigin != origin;
                InvalidateLines(moved ? top : firstBroken, moved ? top + FVisibleLines : lastBroken, false);
                if (moved) UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
            }
            if (delta != 0) {
                for (Integer q = Last + 1; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
                if (FPrintCanvas == nullptr && HandleAllocated()) {
                    const Integer top = KeepTopOnText();
                    // Lines below a re-broken paragraph in view moved: what a paint under way
                    // does not cover is owed as well.
                    InvalidateLines(std::max(firstBroken, top), top + FVisibleLines, false);
                    if (FPainting) {
                        FScrollBarsOwed = true;
                    } else {
                        setVScrollParams();
                        UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
                    }
                }
            }
        }
    }
    // Lines gained or lost move the caret's row, also when they lie between it and the top line
    // or are made up for by lines lost behind it, and so does a top line whose number moved.
    if (caretFormatted || lineDelta != 0 || FTopOrigin != originBefore || FParagraphs->At(caretPar)->FirstLine != caretFirstLine)
        UpdateCaret(false);
    if (FWidestWidth != oldWidest && !FWordWrap && HandleAllocated() && FPrintCanvas == nullptr) {
        // A bar that comes or goes changes the window's frame, which a paint under way would not
        // draw: the bars are set once the paint is done.
        if (FPainting) {
            FScrollBarsOwed = true;
        } else {
            setHScrollParams();
            UpdateScrollBarPos(SB_HORZ, FDisplayLeft, FHScrollUnit);
        }
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
    EventScope scope(*this);
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
    // The view stays on its text: paragraphs above it only renumber its lines, those from its
    // first paragraph on change what it shows.
    const Integer topPar = FTopNav->GetParNb();
    Integer firstInView = -1;
    bool unfinished = false;  // the slice ended inside a paragraph's lines
    {
        FlagScope formatting(*this, FFormatting, true);
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
                    if (FPendingFirst >= topPar && firstInView < 0) firstInView = par->FirstLine;
                } else if (par->Provisional > 0) {
                    const Integer old = par->LineCount;
                    Integer fl = par->Provisional;
                    Integer ll = 0;
                    FLineBudget = BackgroundLines;
                    try {
                        ReformatPar(par, FPendingFirst, fl, ll, false);
                    } catch (...) {
                        FLineBudget = MaxInt;
                        throw;
                    }
                    FLineBudget = MaxInt;
                    delta += par->LineCount - old;
                    any = true;
                    if (FPendingFirst >= topPar && firstInView < 0) firstInView = par->FirstLine + fl;
                    if (par->Provisional > 0) {
                        // Its lines go on in the next piece of the slice, or in the next slice.
                        unfinished = true;
                        if (GetTickCount() >= deadline) break;
                        unfinished = false;
                        continue;
                    }
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
    // The paragraph a slice ended in has its first line set already.
    const Integer shiftFrom = unfinished ? FPendingFirst + 1 : FPendingFirst;
    if (any) {
        for (TStyleNavigator* n : FNavList)
            if (n->Par != nullptr && n->ParNb >= startPar && n->ParNb < shiftFrom) {
                n->ParLine = NotComputed;
                n->DynNb = NotComputed;
            }
        if (delta != 0) {
            for (Integer q = shiftFrom; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
            if (!FWordWrap && FWidestLine >= FParagraphs->At(std::min(startPar, ParCount() - 1))->FirstLine)
                FWidestLine += delta;
            KeepTopOnText();
            setVScrollParams();
            UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
        } else {
            // Lines gained above the top line and lost below it move its number all the same.
            const Integer origin = FTopOrigin;
            KeepTopOnText();
            if (FTopOrigin != origin) UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
        }
        if (firstInView >= 0) InvalidateLines(std::max(firstInView, TopLine()), TopLine() + FVisibleLines, false);
        // Lines above the caret, or between it and the top line, may have been re-broken: its row
        // moves with them.
        UpdateCaret(false);
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
    EventScope scope(*this);
    if (FModFirstLine >= 0 && FModLastPar >= 0 && FModFirstPar < ParCount()) {
        const Integer F = FModFirstPar;
        const Integer oldLineCount = FLineCount;
        Integer L = std::max(std::min(FModLastPar, ParCount() - 1), F);
        Integer firstChanged = 0;
        Integer lastChanged = 0;
        {
            FlagScope formatting(*this, FFormatting, true);
            BeginMeasuring();
            try {
                ParInfo* par = FParagraphs->At(F);
                Integer firstLine = std::max(FModFirstLine - par->FirstLine, 0);
                Integer lastLine = 0;
                if (!FLocalEdit) ParseStartStopNow(F);
                const Integer old = par->LineCount;
                // Typing in a long paragraph breaks the lines down to the bottom of the screen
                // now and the rest in the background.
                if (FUpdateMode != umImmediate && FFmtDC != nullptr && FPrintCanvas == nullptr)
                    FLineBudget = std::max(TopLine() + FVisibleLines - par->FirstLine - firstLine, 0) + FVisibleLines + 2;
                try {
                    ReformatPar(par, F, firstLine, lastLine, L > F || !FLocalEdit);
                } catch (...) {
                    FLineBudget = MaxInt;
                    throw;
                }
                FLineBudget = MaxInt;
                if (par->Provisional > 0) FPendingFirst = std::min(FPendingFirst, F);
                Integer delta = par->LineCount - old;
                firstChanged = par->FirstLine + firstLine;
                lastChanged = par->FirstLine + std::max(lastLine, firstLine);
                // A changed start/stop span can reach into the paragraphs after the edit.
                const Integer reach = GetPar(FTopNav->Pos) + FVisibleLines;
                for (Integer p = L + 1; p < ParCount() && p <= reach && !FParagraphs->At(p)->StartStopParsed; ++p) {
                    ParseStartStopNow(p);
                    L = p;
                }
                FPendingFirst = std::min(FPendingFirst, F + 1);
                FPendingLast = std::max(FPendingLast, L);
                Integer running = par->FirstLine + par->LineCount;
                const bool lazy = FFmtDC != nullptr && FUpdateMode != umImmediate && FPrintCanvas == nullptr;
                const Integer top = FTopOrigin / std::max(FRowHeight, 1);
                for (Integer p = F + 1; p <= L; ++p) {
                    ParInfo* q = FParagraphs->At(p);
                    q->FirstLine = running;
                    // Also a paragraph that starts above the view and reaches into it: broken
                    // down to the bottom of the screen now.
                    if (!lazy || (q->FirstLine <= top + FVisibleLines && q->FirstLine + q->LineCount > top)) {
                        ParseStartStopNow(p);
                        const Integer o = q->LineCount;
                        Integer fl = 0;
                        Integer ll = 0;
                        if (lazy) FLineBudget = std::max(top + FVisibleLines - q->FirstLine, 0) + FVisibleLines + 2;
                        try {
                            ReformatPar(q, p, fl, ll, true);
                        } catch (...) {
                            FLineBudget = MaxInt;
                            throw;
                        }
                        FLineBudget = MaxInt;
                        delta += q->LineCount - o;
                        lastChanged = std::max(lastChanged, q->FirstLine + q->LineCount - 1);
                    } else if (!q->Formatted) {
                        // Left to the background: an edit before then must not keep its lines.
                        q->LinesStale = true;
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

void TStyleMemo::Change() { Owe(evChange); }

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

void TStyleMemo::BreakProvisional(Integer ParNb, Integer UpTo, Integer Offset)
{
    if (ParNb < 0 || ParNb >= ParCount() || FFmtDC != nullptr) return;
    // A paragraph to be formatted anew is highlighted and broken whole, never from lines it kept.
    EnsureFormatted(ParNb);
    ParInfo* par = FParagraphs->At(ParNb);
    // The stand-in for the lines not broken yet starts where the broken ones stop.
    auto owed = [&] {
        return par->Provisional > 0 && (par->Provisional <= UpTo || ParLineAt(par, par->Provisional)->Start <= Offset);
    };
    if (!owed()) return;
    const Integer oldCount = par->LineCount;
    const Integer originBefore = FTopOrigin;
    Integer changed = par->Provisional;
    // How many lines lie before a character is not known: the pieces double, so that a place far
    // into a long paragraph costs few splices.
    Integer piece = FVisibleLines + 2;
    {
        FlagScope formatting(*this, FFormatting, true);
        BeginMeasuring();
        try {
            while (owed()) {
                FLineBudget = std::max(UpTo - par->Provisional, 0) + piece;
                piece = std::min(piece, MaxInt / 4) * 2;
                Integer fl = par->Provisional;
                Integer ll = 0;
                ReformatPar(par, ParNb, fl, ll, false);
                changed = std::min(changed, fl);
            }
        } catch (...) {
            FLineBudget = MaxInt;
            EndMeasuring();
            throw;
        }
        FLineBudget = MaxInt;
        EndMeasuring();
    }
    for (TStyleNavigator* n : FNavList)
        if (n->Par == par) n->ParLine = NotComputed;
    const Integer delta = par->LineCount - oldCount;
    for (Integer q = ParNb + 1; delta != 0 && q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
    if (!HandleAllocated() || FPrintCanvas != nullptr) return;
    const Integer top = KeepTopOnText();
    // The caret's row moves with the lines gained, also when they lie between it and the top line.
    if (delta != 0 || FTopOrigin != originBefore) UpdateCaret(false);
    InvalidateLines(std::max(par->FirstLine + changed, top), top + FVisibleLines, false);
    if (delta == 0) return;
    if (FPainting) {
        FScrollBarsOwed = true;
    } else {
        setVScrollParams();
        UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
    }
}

void TStyleMemo::BreakRowsFromCaret(Integer Rows, bool Down)
{
    const Integer caretPar = FAnchor->GetParNb();
    BreakProvisional(caretPar, -1, FAnchor->GetOffset());
    if (Down) {
        // Counted from the line after the caret's: the line the move ends on is broken, and
        // whatever lies between.
        Integer rows = -FAnchor->GetParLine() - 1;
        for (Integer p = caretPar; p < ParCount() && rows < Rows; ++p) {
            BreakProvisional(p, Rows - rows - 1);
            rows += FParagraphs->At(p)->LineCount;
        }
        return;
    }
    // A paragraph's lines above the caret are as many as its lines broken whole.
    Integer rows = FAnchor->GetParLine();
    for (Integer p = caretPar - 1; p >= 0 && rows < Rows; --p) {
        BreakProvisional(p, MaxInt / 2);
        rows += FParagraphs->At(p)->LineCount;
    }
}

Integer TStyleMemo::KeepTopOnText()
{
    const Integer h = std::max(FRowHeight, 1);
    const Integer top = std::min(FTopNav->GetLineNb(), std::max(FLineCount - 1, 0));
    FTopNav->SetLineNb(top);
    const Integer origin = top * h + FTopOrigin % h;
    // A scroll of the picture still owed moves it as one piece; once lines above the top line came
    // or went, the rows above them and the rows below no longer move alike.
    if (origin != FTopOrigin && (FScrollDx != 0 || FScrollDy != 0)) Invalidate();
    FTopOrigin = origin;
    return top;
}

void TStyleMemo::EnsureFormatted(Integer Par)
{
    if (Par >= 0 && Par < ParCount() && !FParagraphs->At(Par)->Formatted) FormatNow(Par, Par, false);
}

void TStyleMemo::RefreshDisplay()
{
    if (!HandleAllocated()) return;
    EventScope scope(*this);
    Reformat();
    ClampTop();
    Invalidate();
    UpdateCaret(false);
}

// TStyleMemo: the formatting driver as the text model sees it. Edits record the paragraphs whose
// display lines they invalidated (ExtendMods); ReformatEditedRange, FormatNow and line access break
// them again through the virtual ReformatPar. Without a window there is nothing to measure: every
// paragraph is one display line of width 0, nothing is painted and there is no caret.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "memo/Stylememo.h"

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
    for (Integer i = 0; i < ParCount(); ++i) FParagraphs->At(i)->Formatted = false;
    FPendingFirst = 0;
    FPendingLast = ParCount() - 1;
    if (FUpdateCount > 0 || HasState(csLoading)) return;
    if (HandleAllocated() && FUpdateMode == umImmediate) FormatNow(0, ParCount() - 1, false);
}

void TStyleMemo::FormatNow(Integer First, Integer Last, bool Force)
{
    Last = std::min(Last, ParCount() - 1);
    First = std::max(First, 0);
    if (First > Last) return;
    const bool fromPendingStart = First == FPendingFirst;
    const Integer savedPending = FPendingFirst;
    FlagScope formatting(FFormatting, true);
    Integer running = FParagraphs->At(First)->FirstLine;
    Integer delta = 0;
    bool any = false;
    for (Integer p = First; p <= Last; ++p) {
        ParseStartStopNow(p);
        ParInfo* par = FParagraphs->At(p);
        par->FirstLine = running;
        if (Force || !par->Formatted) {
            const Integer old = par->LineCount;
            Integer firstLine = 0;
            Integer lastLine = 0;
            ReformatPar(par, p, firstLine, lastLine, true);
            delta += par->LineCount - old;
            any = true;
        }
        running += par->LineCount;
        if (FPendingFirst == p) FPendingFirst = p + 1;
    }
    if (any) {
        InvalidateNavs(FNavList, FParagraphs->At(First)->StartPos, Last);
        if (delta != 0)
            for (Integer q = Last + 1; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
    }
    if (!fromPendingStart) FPendingFirst = savedPending;
    if (FPendingFirst > FPendingLast) {
        FPendingFirst = ParCount();
        FPendingLast = -1;
    }
}

void TStyleMemo::ReformatEditedRange()
{
    if (FModFirstLine >= 0 && FModLastPar >= 0 && FModFirstPar < ParCount()) {
        const Integer F = FModFirstPar;
        const Integer L = std::max(std::min(FModLastPar, ParCount() - 1), F);
        {
            FlagScope formatting(FFormatting, true);
            ParInfo* par = FParagraphs->At(F);
            Integer firstLine = std::max(FModFirstLine - par->FirstLine, 0);
            Integer lastLine = 0;
            if (!FLocalEdit) ParseStartStopNow(F);
            Integer old = par->LineCount;
            ReformatPar(par, F, firstLine, lastLine, L > F || !FLocalEdit);
            Integer delta = par->LineCount - old;
            FPendingFirst = std::min(FPendingFirst, F + 1);
            FPendingLast = std::max(FPendingLast, L);
            Integer running = par->FirstLine + par->LineCount;
            // Without a window every paragraph is in view: the whole range is formatted now.
            for (Integer p = F + 1; p <= L; ++p) {
                ParInfo* q = FParagraphs->At(p);
                q->FirstLine = running;
                ParseStartStopNow(p);
                old = q->LineCount;
                Integer fl = 0;
                Integer ll = 0;
                ReformatPar(q, p, fl, ll, true);
                delta += q->LineCount - old;
                running += q->LineCount;
            }
            if (delta != 0)
                for (Integer q = L + 1; q < ParCount(); ++q) FParagraphs->At(q)->FirstLine += delta;
            for (TStyleNavigator* n : FNavList)
                if (n->Par != nullptr && n->ParNb >= F && n->ParNb <= L) n->ParLine = NotComputed;
            if (FPendingFirst > FPendingLast) {
                FPendingFirst = ParCount();
                FPendingLast = -1;
            }
        }
        UpdateCaret(false);
    }
    FModFirstLine = FLineCount;
    FModFirstPar = ParCount();
    FModLastPar = -1;
    FModLinesAdded = 0;
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

void TStyleMemo::BeginFormatPar(ParInfo* Par, Integer ParNb)
{
    if (!Par->KeywordsParsed) {
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

void TStyleMemo::ReformatPar(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool)
{
    if (Par == nullptr) Par = FParagraphs->GetParPointers(ParNb);
    BeginFormatPar(Par, ParNb);
    LineInfo one;
    one.Stop = Par->Len;
    one.StartStyle = Par->FirstLineInfo.StartStyle;
    while (one.StartDyn < Par->DynCount && Par->Dyns[one.StartDyn].Offset <= 0) ++one.StartDyn;
    SpliceLines(Par, 0, Par->LineCount - 1, &one, 1);
    FirstLine = 0;
    LastLine = 0;
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

void TStyleMemo::Change()
{
    if (OnChange) OnChange(this);
}

void TStyleMemo::ApplyKeywordsList(TStyleNavigator*, TStyleNavigator*) {}

// Without start/stop keys there is nothing to find: the paragraphs count as parsed.
void TStyleMemo::ApplyStartStopKeyList(TStyleNavigator* StartNav, TStyleNavigator* StopNav)
{
    const Integer last = StopNav->GetParNb();
    for (Integer p = StartNav->GetParNb(); p <= last; ++p) FParagraphs->At(p)->StartStopParsed = true;
}

void TStyleMemo::InvalidateLines(Integer, Integer, bool)
{
    if (!HandleAllocated()) return;
    Invalidate();
}

void TStyleMemo::UpdateCaret(bool) {}

void TStyleMemo::ScrollInView() {}

void TStyleMemo::LeaveUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0) ReformatEditedRange();
}

#include "memo/Stylenav.h"

#include <algorithm>
#include <cstring>

#include "memo/Stylememo.h"

TStyleNavigator::TStyleNavigator(TComponent* AOwner)
{
    if (AOwner != nullptr) {
        auto* memo = dynamic_cast<TStyleMemo*>(AOwner);
        if (memo == nullptr) throw Exception("Internal error: component is not a TStyleMemo");
        Memo = memo;
        memo->AttachNav(this);
    }
}

TStyleNavigator::~TStyleNavigator()
{
    if (Memo != nullptr) Memo->DetachNav(this);
    delete Lines;
    if (OnFree) OnFree(this);
}

void TStyleNavigator::SetParRec(ParInfo* P, Integer N)
{
    Par = P;
    ParNb = N;
    if (Lines != nullptr) Lines->SetPar(P);
}

void TStyleNavigator::Invalidate()
{
    SetParRec(nullptr, -1);
    DynNb = NotComputed;
    ParLine = NotComputed;
}

void TStyleNavigator::Assign(const TStyleNavigator* Source)
{
    Pos = Source->Pos;
    SetParRec(Source->Par, Source->ParNb);
    ParLine = Source->ParLine;
    Offset = Source->Offset;
    DynNb = Source->DynNb;
}

void TStyleNavigator::PlaceAt(Integer N, Integer Off)
{
    ParInfo* p = Memo->FParagraphs->GetParPointers(N);
    SetParRec(p, N);
    Offset = Off;
    Pos = p->StartPos + Off;
    DynNb = NotComputed;
    ParLine = NotComputed;
}

Integer TStyleNavigator::GetParNb()
{
    if (Par != nullptr) return ParNb;
    DynNb = NotComputed;
    ParLine = NotComputed;
    const TParagraphsList* list = Memo->FParagraphs;
    const Integer last = list->Count() - 1;
    const Integer textLen = Memo->FTextLen;
    // Interpolate, then step: a few steps for text of even paragraph length.
    Int64 est = textLen == 0 ? 0 : static_cast<Int64>(Pos) * (last - 1) / textLen;
    est = std::clamp<Int64>(est, 0, last);
    auto n = static_cast<Integer>(est);
    // A few steps from the estimate; text of uneven paragraph lengths (short lines appended to long
    // ones, say) is searched by halves instead, so that no position costs a walk over the text.
    int steps = 8;
    if (list->At(n)->StartPos > Pos) {
        while (n > 0 && list->At(n)->StartPos > Pos && --steps > 0) --n;
    } else {
        while (n < last && list->At(n)->StartPos + list->At(n)->Len + 1 < Pos && --steps > 0) ++n;
    }
    if (steps == 0) {
        // The paragraph is the last one that starts at or before Pos.
        Integer lo = 0;
        Integer hi = last;
        while (lo < hi) {
            const Integer mid = lo + (hi - lo + 1) / 2;
            if (list->At(mid)->StartPos <= Pos)
                lo = mid;
            else
                hi = mid - 1;
        }
        n = lo;
    }
    SetParRec(list->At(n), n);
    Offset = Pos - Par->StartPos;
    return ParNb;
}

ParInfo* TStyleNavigator::GetPar()
{
    GetParNb();
    return Par;
}

Integer TStyleNavigator::GetOffset()
{
    GetParNb();
    return Offset;
}

Integer TStyleNavigator::GetParLine()
{
    GetParNb();
    if (ParLine == NotComputed) {
        Integer l = 0;
        while (l < Par->LineCount - 1 && ParLineAt(Par, l)->Stop <= Offset) ++l;
        ParLine = l;
    }
    return ParLine;
}

Integer TStyleNavigator::GetLineNb()
{
    const Integer l = GetParLine();
    return Par->FirstLine + l;
}

Integer TStyleNavigator::GetColNb()
{
    const Integer l = GetParLine();
    return Offset - ParLineAt(Par, l)->Start;
}

Integer TStyleNavigator::GetDynNb()
{
    GetParNb();
    if (DynNb == NotComputed) {
        Integer d = 0;
        while (d < Par->DynCount && Par->Dyns[d].Offset < Offset) ++d;
        DynNb = d;
    }
    return DynNb;
}

char TStyleNavigator::GetText()
{
    GetParNb();
    if (Offset < Par->Len) return Par->Text[Offset];
    return Offset == Par->Len ? '\r' : '\n';
}

DynInfoRec* TStyleNavigator::GetpDynInfo()
{
    const Integer d = GetDynNb();
    return d > 0 ? &Par->Dyns[d - 1] : Par->Context;
}

void TStyleNavigator::GetDynInfo(DynInfoRec& Rec)
{
    const DynInfoRec* p = GetpDynInfo();
    Rec = p != nullptr ? *p : DynInfoRec{};
}

Integer TStyleNavigator::GetContext()
{
    const DynInfoRec* p = GetpDynInfo();
    return p != nullptr && p->Attr != 0 ? p->Context : 0;
}

TExtFontStyles TStyleNavigator::GetStyle()
{
    if (!Memo->FStaticFormat) return 0;
    const Integer l = GetParLine();
    const LineInfo* line = ParLineAt(Par, l);
    TExtFontStyles s = line->StartStyle;
    const Integer stop = std::min(Offset, Par->Len);
    for (Integer i = line->Start; i < stop; ++i) ApplyStyleCode(s, Par->Text[i]);
    return s;
}

void TStyleNavigator::GetTextBuf(char* Buffer, Integer Count)
{
    if (Count < 0) Count = 0;
    if (Count > Memo->FTextLen - Pos) throw Exception("List index out of bounds");
    Integer p = GetParNb();
    const ParInfo* par = Par;
    Integer off = Offset;
    Integer n = 0;
    while (n < Count) {
        if (off < par->Len) {
            const Integer k = std::min(par->Len - off, Count - n);
            std::memcpy(Buffer + n, par->Text + off, static_cast<size_t>(k));
            n += k;
            off += k;
        } else if (off == par->Len) {
            Buffer[n++] = '\r';
            ++off;
        } else {
            Buffer[n++] = '\n';
            if (n < Count) {
                par = Memo->FParagraphs->GetParPointers(++p);
                off = 0;
            }
        }
    }
    Buffer[n] = '\0';
}

TLinesList* TStyleNavigator::GetNavLines()
{
    if (Lines == nullptr) Lines = new TLinesList(Par);
    return Lines;
}

void TStyleNavigator::SetPos(Integer P)
{
    if (Par != nullptr) {
        const Integer end = Par->StartPos + Par->Len + 1;
        if (P >= Pos && P <= end) {
            Offset = P - Par->StartPos;
            if (DynNb != NotComputed)
                while (DynNb < Par->DynCount && Par->Dyns[DynNb].Offset < Offset) ++DynNb;
            if (ParLine != NotComputed)
                while (ParLine < Par->LineCount - 1 && ParLineAt(Par, ParLine)->Stop <= Offset) ++ParLine;
        } else {
            DynNb = NotComputed;
            ParLine = NotComputed;
            if (P < Par->StartPos || P > end)
                SetParRec(nullptr, -1);
            else
                Offset = P - Par->StartPos;
        }
    }
    Pos = P;
}

void TStyleNavigator::setParNb(Integer N)
{
    SetPos(Memo->FParagraphs->GetParPointers(N)->StartPos);
}

void TStyleNavigator::setParOffset(Integer O)
{
    GetParNb();
    if (O > Par->Len) O = Par->Len;
    if (O < 0) O = 0;
    SetPos(Par->StartPos + O);
}

void TStyleNavigator::SetLineNb(Integer N)
{
    const TParagraphsList* list = Memo->FParagraphs;
    const Integer lines = Memo->FLineCount;
    Integer line = N < lines ? N : lines - 1;
    if (line < 0) line = 0;
    const Integer count = list->Count();
    Int64 est = lines == 0 ? 0 : static_cast<Int64>(line) * count / lines;
    est = std::clamp<Int64>(est, 0, count - 1);
    auto n = static_cast<Integer>(est);
    while (n > 0 && line < list->At(n)->FirstLine) --n;
    while (n < count - 1 && line >= list->At(n)->FirstLine + list->At(n)->LineCount) ++n;
    SetParRec(list->At(n), n);
    ParLine = std::clamp(line - Par->FirstLine, 0, std::max(Par->LineCount - 1, 0));
    Offset = Par->LineCount > 0 ? ParLineAt(Par, ParLine)->Start : 0;
    Pos = Par->StartPos + Offset;
    DynNb = NotComputed;
}

void TStyleNavigator::SetParLine(Integer N)
{
    GetParNb();
    if (N >= Par->LineCount) N = Par->LineCount - 1;
    if (N < 0) N = 0;
    SetLineNb(Par->FirstLine + N);
}

void TStyleNavigator::SetColNb(Integer C)
{
    const Integer l = GetParLine();
    const LineInfo* line = ParLineAt(Par, l);
    const Integer len = line->Stop - line->Start;
    if (C > len) C = len;
    // A wrapped line's stop is where the next line starts: the column stays on this line.
    if (C == len && len > 0 && l < Par->LineCount - 1) C = len - 1;
    if (C < 0) C = 0;
    Offset = line->Start + C;
    Pos = Par->StartPos + Offset;
    DynNb = NotComputed;
}

void TStyleNavigator::AddDyn(const DynInfoRec& Rec)
{
    const Integer n = GetDynNb();
    GrowDyns(Par, Par->DynCount + 1);
    std::memmove(&Par->Dyns[n + 1], &Par->Dyns[n], static_cast<size_t>(Par->DynCount - n) * sizeof(DynInfoRec));
    Par->Dyns[n] = Rec;
    Par->Dyns[n].Offset = Offset;
    ++Par->DynCount;
    DynNb = n + 1;
}

void TStyleNavigator::RemoveDyn()
{
    const Integer n = GetDynNb();
    if (n >= Par->DynCount || Par->Dyns[n].Offset != Offset) throw Exception("Internal StyleMemo error");
    std::memmove(&Par->Dyns[n], &Par->Dyns[n + 1], static_cast<size_t>(Par->DynCount - n - 1) * sizeof(DynInfoRec));
    --Par->DynCount;
    ParLine = NotComputed;
}

void TStyleNavigator::RightOfDyn()
{
    GetDynNb();
    while (DynNb < Par->DynCount && Par->Dyns[DynNb].Offset == Offset) ++DynNb;
}

bool TStyleNavigator::BackToDyn(Integer Limit)
{
    Integer p = GetParNb();
    Integer n = GetDynNb();
    ParInfo* par = Par;
    while (n == 0) {
        if (p == 0 || par->StartPos <= Limit) return false;
        par = Memo->FParagraphs->At(--p);
        n = par->DynCount;
    }
    if (par->StartPos + par->Dyns[n - 1].Offset < Limit) return false;
    SetParRec(par, p);
    DynNb = n - 1;
    Offset = par->Dyns[n - 1].Offset;
    Pos = par->StartPos + Offset;
    ParLine = NotComputed;
    return true;
}

bool TStyleNavigator::ForwardToDyn(Integer Limit)
{
    Integer p = GetParNb();
    Integer n = GetDynNb();
    ParInfo* par = Par;
    const Integer last = Memo->FParagraphs->Count() - 1;
    while (n >= par->DynCount) {
        if (p == last || par->StartPos + par->Len >= Limit) return false;
        par = Memo->FParagraphs->At(++p);
        n = 0;
    }
    if (par->StartPos + par->Dyns[n].Offset > Limit) return false;
    SetParRec(par, p);
    DynNb = n;
    Offset = par->Dyns[n].Offset;
    Pos = par->StartPos + Offset;
    ParLine = NotComputed;
    return true;
}

void InvalidateNavs(const std::vector<TStyleNavigator*>& List, Integer Pos, Integer ParNb)
{
    for (TStyleNavigator* nav : List) {
        if (nav->Par != nullptr && nav->Pos > Pos && nav->ParNb <= ParNb) {
            nav->DynNb = NotComputed;
            nav->ParLine = NotComputed;
        }
    }
}

TPoint TStyleNavigator::GetDisplayPos()
{
    const Integer line = GetLineNb();
    return TPoint{Memo->ColPos(Par, ParNb, GetColNb(), GetParLine()), line * Memo->RowHeight() - Memo->TopOrigin()};
}

void TStyleNavigator::SetDisplayPos(const TPoint& Point)
{
    const Integer line = (Memo->TopOrigin() + Point.Y) / std::max(Memo->RowHeight(), 1);
    if (line < Memo->LineCount()) {
        SetLineNb(std::max(line, 0));
        SetColNb(Memo->ColNb(Par, ParNb, GetParLine(), Point.X, false));
    } else {
        SetPos(Memo->TextLen());
    }
}

// TStyleMemo: dynamic styles, attribute records bound to text positions that styles set from code,
// captured ranges put back, and highlighting that is applied again from scratch.
#include <algorithm>
#include <cstring>
#include <memory>

#include "memo/Stylememo.h"
#include "memo/Stylestrings.h"

void TStyleMemo::SetDynStyleP(TStyleNavigator* StartNav, TStyleNavigator* StopNav, const DynInfoRec& Attr, bool Apply,
                              bool Extend)
{
    TStyleNavigator* lo = StartNav;
    TStyleNavigator* hi = StopNav;
    if (lo->Pos > hi->Pos) std::swap(lo, hi);
    // An end between the CR and the LF of a break takes the whole break: no record may stand
    // beyond its paragraph's end.
    lo->SetPos(NormaliseLow(lo));
    hi->SetPos(NormaliseHigh(hi));
    const Integer loPar = lo->GetParNb();
    const Integer hiPar = hi->GetParNb();
    const Integer loOff = lo->Offset;
    const Integer hiOff = hi->Offset;
    if (Extend) ExtendMods(loPar, lo->GetParLine(), hiPar);

    DynInfoRec restore;
    lo->GetDynInfo(restore);
    DynInfoRec rec = Attr;
    rec.Attr = Apply ? static_cast<Byte>(rec.Attr | 0x80) : 0;
    Integer inserted = -1;
    if (Apply || (restore.Attr & 0x80) != 0) {
        lo->AddDyn(rec);
        inserted = lo->DynNb - 1;
    }
    DynInfoRec* shared = nullptr;
    for (Integer p = loPar; p <= hiPar; ++p) {
        ParInfo* par = FParagraphs->At(p);
        par->Formatted = false;
        const Integer from = p == loPar ? loOff : -1;
        const Integer to = p == hiPar ? hiOff : MaxInt;
        Integer w = 0;
        for (Integer r = 0; r < par->DynCount; ++r) {
            const DynInfoRec& d = par->Dyns[r];
            const bool inRange = (d.Offset > from || (p == loPar && d.Offset == from && r != inserted)) && d.Offset <= to;
            if (inRange && !(p == loPar && r == inserted)) {
                restore = d;
                continue;
            }
            par->Dyns[w++] = d;
        }
        par->DynCount = w;
        if (p > loPar) {
            par->LinesStale = true;  // another attribute from its start on
            if (shared == nullptr) {
                shared = CloneContext(rec);
            } else {
                ++shared->Offset;
            }
            ReleaseContext(par->Context);
            par->Context = shared;
        }
    }
    const Integer upper = FParagraphs->At(hiPar)->StartPos + hiOff;
    if (upper < FTextLen && (Apply || (restore.Attr & 0x80) != 0)) {
        TStyleNavigator* n = FScratch[6];
        n->PlaceAt(hiPar, hiOff);
        n->AddDyn(restore);
    }
    lo->Invalidate();
    lo->Pos = std::min(lo->Pos, FTextLen);
    hi->Invalidate();
    hi->Pos = std::min(hi->Pos, FTextLen);
}

void TStyleMemo::SetDynStyle(Integer Start, Integer Stop, TFontStyles Style, bool Flag, Integer Context,
                             TCursor Cursor, TColor BackColor, TColor TextColor)
{
    DynInfoRec rec;
    rec.Attr = static_cast<Byte>((Style & 0x0F) | (Flag ? 0x40 : 0));
    rec.Level = -1;
    rec.Backgnd = BackColor;
    rec.Foregnd = TextColor;
    rec.Context = Context;
    rec.Cursor = static_cast<std::int16_t>(Cursor);
    ApplyDynRange(Start, Stop, rec, true);
}

void TStyleMemo::ClearStyleRange(Integer Start, Integer Stop)
{
    ApplyDynRange(Start, Stop, DynInfoRec{}, false);
}

// Sets (or, with Set false, clears) an attribute over the offsets Start..Stop, taken within the text.
void TStyleMemo::ApplyDynRange(Integer Start, Integer Stop, const DynInfoRec& Rec, bool Set)
{
    EventScope scope(*this);
    Start = std::clamp(Start, 0, FTextLen);
    Stop = std::clamp(Stop, 0, FTextLen);
    {
        auto a = std::make_unique<TStyleNavigator>(this);
        auto b = std::make_unique<TStyleNavigator>(this);
        a->SetPos(Start);
        b->SetPos(Stop);
        SetDynStyleP(a.get(), b.get(), Rec, Set, true);
    }
    InvalidateNavs(FNavList, std::min(Start, Stop), GetPar(std::max(Start, Stop)));
    if (FUpdateCount == 0) ReformatEditedRange();
}

void TStyleMemo::ClearStyle(Integer Pos)
{
    TStyleNavigator* n = FScratch[6];
    n->SetPos(std::clamp(Pos, 0, FTextLen));
    const DynInfoRec* d = n->GetpDynInfo();
    if (d == nullptr || (d->Attr & 0x80) == 0) return;
    const ParInfo* par = n->GetPar();
    const Integer dyn = n->GetDynNb();
    const Integer start = par->StartPos + (dyn > 0 ? par->Dyns[dyn - 1].Offset : 0);
    Integer stop = FTextLen;
    TStyleNavigator* f = FScratch[7];
    f->SetPos(n->Pos);
    if (f->ForwardToDyn(FTextLen)) stop = f->Pos;
    ClearStyleRange(start, stop);
}

void TStyleMemo::SetDynText(Integer Start, Integer Stop, const std::string& Value)
{
    if (Value.size() < 4) return;
    struct Rec {
        DynInfoRec Info;
        Integer Offset;
    };
    Integer count = 0;
    std::memcpy(&count, Value.data(), 4);
    const size_t head = 4 + static_cast<size_t>(std::max(count, 0)) * sizeof(Rec);
    if (count < 0 || head > Value.size()) return;
    std::vector<Rec> recs(static_cast<size_t>(count));
    if (count > 0) std::memcpy(static_cast<void*>(recs.data()), Value.data() + 4, recs.size() * sizeof(Rec));
    const std::string text = Value.substr(head);

    const bool anchorLo = FAnchor == FSelStartNav;
    EventScope scope(*this);
    TGuardPtr<TStyleMemo> self(this);
    FLinesStrings->BeginUpdate();
    try {
        setSelStart(std::min(Start, Stop));
        setSelLength(std::abs(Stop - Start));
        Integer lo = 0;
        Integer hi = 0;
        SelBounds(lo, hi);
        if (!EditSel(text.c_str())) return;
        const Integer end = FSelStartNav->Pos;
        for (const Rec& r : recs) {
            FSelStartNav->SetPos(std::min(lo + r.Offset, end));
            FSelStopNav->SetPos(end);
            DynInfoRec info = r.Info;
            const bool style = (info.Attr & 0x80) != 0;
            if (style) {
                info.Level = -1;
                info.Attr = static_cast<Byte>(info.Attr & ~0x40);
            }
            SetDynStyleP(FSelStartNav, FSelStopNav, info, style, false);
        }
        ExtendMods(GetPar(lo), 0, GetPar(end));
        SetSelNavs(lo, end, anchorLo);
    } catch (...) {
        if (self) FLinesStrings->EndUpdate();
        throw;
    }
    FLinesStrings->EndUpdate();
}

void TStyleMemo::ReApplyKeywords()
{
    EventScope scope(*this);
    DynInfoRec* first = FParagraphs->At(0)->Context;
    for (Integer p = 0; p < ParCount(); ++p) {
        ParInfo* par = FParagraphs->At(p);
        par->Formatted = false;
        par->StartStopParsed = false;
        par->KeywordsParsed = false;
        par->DynCount = 0;
        ShrinkDyns(par);
        for (Integer l = 0; l < par->LineCount; ++l) ParLineAt(par, l)->StartDyn = 0;
        if (p > 0 && par->Context != first) {
            ++first->Offset;
            ReleaseContext(par->Context);
            par->Context = first;
        }
    }
    for (TStyleNavigator* n : FNavList) {
        n->DynNb = NotComputed;
        n->ParLine = NotComputed;
    }
    FParsedIndex = -1;
    Reformat();
    if (HandleAllocated()) Invalidate();
}

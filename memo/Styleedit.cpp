// TStyleMemo: the selection, the one edit operation and the text access built on them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "memo/Stylememo.h"
#include "memo/Stylestrings.h"

namespace {

constexpr Integer EmptyColumn = static_cast<Integer>(0x80000000u);

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Lends one of the class-wide navigators to a memo for the length of a call.
class BorrowedNav {
public:
    BorrowedNav(TStyleNavigator* Nav, TStyleMemo* Memo) : FNav(Nav)
    {
        FNav->Memo = Memo;
        FNav->Invalidate();
        FNav->Pos = 0;
    }
    ~BorrowedNav()
    {
        FNav->Invalidate();
        FNav->Memo = nullptr;
    }
    BorrowedNav(const BorrowedNav&) = delete;
    BorrowedNav& operator=(const BorrowedNav&) = delete;
    TStyleNavigator* operator->() const { return FNav; }

private:
    TStyleNavigator* FNav;
};

}  // namespace

std::unique_ptr<TStyleMemo::SavedSelection> TStyleMemo::SaveSelection()
{
    auto s = std::make_unique<SavedSelection>();
    s->Memo = this;
    s->Lo = new TStyleNavigator(this);
    s->Hi = new TStyleNavigator(this);
    s->Lo->SetPos(FSelStartNav->Pos);
    s->Hi->SetPos(FSelStopNav->Pos);
    s->AnchorLo = FAnchor == FSelStartNav;
    return s;
}

void TStyleMemo::RestoreSelection(std::unique_ptr<SavedSelection> Saved)
{
    SetSelNavs(std::clamp(Saved->Lo->Pos, 0, FTextLen), std::clamp(Saved->Hi->Pos, 0, FTextLen), Saved->AnchorLo);
    if (FSelLength != 0 && HandleAllocated()) InvalidateSelection();
    UpdateCaret(false);
}

void TStyleMemo::SetSelNavs(Integer Lo, Integer Hi, bool AnchorAtLo)
{
    FSelStartNav->SetPos(Lo);
    FSelStopNav->SetPos(Hi);
    FAnchor = AnchorAtLo ? FSelStartNav : FSelStopNav;
    FSelLength = AnchorAtLo ? Hi - Lo : Lo - Hi;
    FBlockSelected = false;
    FSelMoved = true;
}

// ---------------------------------------------------------------- selection

Integer TStyleMemo::SelStart() const { return FAnchor->Pos; }

Integer TStyleMemo::OutOfBreak(Integer Pos, bool Up)
{
    TStyleNavigator* n = FScratch[1];
    n->SetPos(Pos);
    return Up ? NormaliseHigh(n) : NormaliseLow(n);
}

void TStyleMemo::SelBounds(Integer& Lo, Integer& Hi)
{
    Lo = NormaliseLow(FSelStartNav);
    Hi = FSelStartNav->Pos == FSelStopNav->Pos ? Lo : NormaliseHigh(FSelStopNav);
}

void TStyleMemo::setSelStart(Integer Value)
{
    EventScope scope(*this);
    // The selection that goes must not stay painted.
    if (FSelLength != 0 && HandleAllocated() && !FFormatting) InvalidateSelection();
    FSelLength = 0;
    FVirtualCols = 0;
    FRememberedCol = EmptyColumn;
    // A caret between the CR and the LF of a break stands before the break, as the edit takes it.
    const Integer v = OutOfBreak(std::clamp(Value, 0, FTextLen), false);
    FSelStartNav->SetPos(v);
    FSelStopNav->SetPos(v);
    FSelMoved = true;
    UpdateCaret(false);
}

void TStyleMemo::setSelLength(Integer Value)
{
    FBlockSelected = false;
    if (Value == FSelLength) return;
    const Integer a = FAnchor->Pos;
    Value = std::clamp<Int64>(Value, -static_cast<Int64>(a), static_cast<Int64>(FTextLen) - a);
    // A moving end inside a break takes the whole break, as the edit does.
    if (Value != 0) Value = OutOfBreak(a + Value, Value > 0) - a;
    const Integer oldMoving = FAnchor == FSelStartNav ? FSelStopNav->Pos : FSelStartNav->Pos;
    if (Value <= 0) {
        FSelStartNav->SetPos(a + Value);
        FSelStopNav->SetPos(a);
        FAnchor = FSelStopNav;
    } else {
        FSelStartNav->SetPos(a);
        FSelStopNav->SetPos(a + Value);
        FAnchor = FSelStartNav;
    }
    FSelLength = Value;
    FSelMoved = true;
    if (!FFormatting && HandleAllocated()) {
        TStyleNavigator* n = FScratch[1];
        n->SetPos(oldMoving);
        const Integer oldLine = n->GetLineNb();
        const Integer newLine = (FAnchor == FSelStartNav ? FSelStopNav : FSelStartNav)->GetLineNb();
        InvalidateLines(oldLine, newLine, false);
    }
}

void TStyleMemo::SelectAll()
{
    EventScope scope(*this);
    setSelStart(FTextLen);
    setSelLength(-FTextLen);
}

std::string TStyleMemo::SelText()
{
    if (FSelLength == 0) return std::string();
    if (FBlockSelected) return SelectedBlockText();
    Integer lo = 0;
    Integer hi = 0;
    SelBounds(lo, hi);
    return GetTextPart(lo, hi);
}

void TStyleMemo::setSelText(const std::string& Value)
{
    EventScope scope(*this);
    if (FVirtualCols > 0 && (FOptions & pmoPutExtraSpaces) != 0 && !(FBlockSelected && FSelLength != 0)) {
        const std::string s = std::string(static_cast<size_t>(FVirtualCols), ' ') + Value;
        SetSelTextBuf(s.c_str());
        return;
    }
    SetSelTextBuf(Value.c_str());
}

Integer TStyleMemo::GetSelTextBuf(char* Buffer, Integer BufSize)
{
    if (BufSize < 1) return 0;
    Integer lo = 0;
    Integer hi = 0;
    SelBounds(lo, hi);
    const Integer n = std::min(hi - lo, BufSize - 1);
    TStyleNavigator* nav = FScratch[1];
    nav->SetPos(lo);
    nav->GetTextBuf(Buffer, n);
    return n;
}

Integer TStyleMemo::SelPar() { return FAnchor->GetParNb(); }

void TStyleMemo::setSelPar(Integer P)
{
    EventScope scope(*this);
    setSelLength(0);
    P = std::clamp(P, 0, ParCount() - 1);
    setSelStart(FParagraphs->At(P)->StartPos);
}

Integer TStyleMemo::SelLine() { return FAnchor->GetLineNb(); }

void TStyleMemo::setSelLine(Integer L)
{
    EventScope scope(*this);
    FormatUpToLine(L);
    TStyleNavigator* n = FScratch[1];
    n->SetLineNb(L);
    setSelStart(n->Pos);
}

Integer TStyleMemo::SelCol() { return FAnchor->GetColNb() + FVirtualCols; }

void TStyleMemo::setSelCol(Integer C)
{
    EventScope scope(*this);
    const Integer len = FSelLength;
    setSelLength(0);
    FSelStartNav->SetColNb(C);
    FSelStopNav->Assign(FSelStartNav);
    FSelMoved = true;
    setSelLength(len);
    UpdateCaret(false);
}

Integer TStyleMemo::GetSelContext() { return FAnchor->GetContext(); }

void TStyleMemo::SelectWord(bool ToWordEnd)
{
    auto limit = [this](char c) { return c == '\r' || c == '\n' || IsDelimiter(c); };
    TStyleNavigator* n = FScratch[2];
    n->Assign(FSelStartNav);
    while (n->Pos > 0 && limit(n->GetText())) n->SetPos(n->Pos - 1);
    while (n->Pos > 0) {
        n->SetPos(n->Pos - 1);
        if (limit(n->GetText())) {
            n->SetPos(n->Pos + 1);
            break;
        }
    }
    if (n->Pos != FSelStartNav->Pos) {
        InvalidateLines(n->GetLineNb(), FSelStartNav->GetLineNb(), false);
        FSelStartNav->Assign(n);
    }
    n->Assign(FSelStopNav);
    if (ToWordEnd)
        while (n->Pos < FTextLen && !limit(n->GetText())) n->SetPos(n->Pos + 1);
    if ((FOptions & pmoLargeWordSelect) != 0) {
        for (char c; n->Pos < FTextLen && (c = n->GetText()) != '\r' && c != '\n' && IsDelimiter(c);)
            n->SetPos(n->Pos + 1);
    }
    if (n->Pos != FSelStopNav->Pos) {
        InvalidateLines(FSelStopNav->GetLineNb(), n->GetLineNb(), false);
        FSelStopNav->Assign(n);
    }
    FSelLength = FAnchor == FSelStartNav ? FSelStopNav->Pos - FSelStartNav->Pos : FSelStartNav->Pos - FSelStopNav->Pos;
    FSelMoved = true;
}

// ---------------------------------------------------------------- the edit operation

Integer TStyleMemo::NormaliseLow(TStyleNavigator* Nav)
{
    Nav->GetParNb();
    return Nav->Offset == Nav->Par->Len + 1 ? Nav->Pos - 1 : Nav->Pos;
}

Integer TStyleMemo::NormaliseHigh(TStyleNavigator* Nav)
{
    Nav->GetParNb();
    return Nav->Offset == Nav->Par->Len + 1 ? Nav->Pos + 1 : Nav->Pos;
}

void TStyleMemo::SetSelTextBuf(const char* Txt)
{
    EventScope scope(*this);
    TGuardPtr<TStyleMemo> self(this);
    if (OnBeforeChange) {
        OnBeforeChange(this, Txt);
        if (!self) return;
    }
    bool empty = Txt == nullptr || *Txt == '\0';
    if (FSelLength == 0 && empty) return;

    // A block's deletion, and what is typed over it, is one undo step.
    std::optional<UndoGroup> group;
    if (FBlockSelected) {
        group.emplace(*this);
        FBlockSelected = false;
        const Integer e1 = std::min(FBlockEdge1, FBlockEdge2);
        const Integer e2 = std::max(FBlockEdge1, FBlockEdge2);
        const Integer p1 = FSelStartNav->GetParNb();
        const Integer p2 = FSelStopNav->GetParNb();
        FLinesStrings->BeginUpdate();
        try {
            for (Integer p = p1; p <= p2; ++p) {
                ParInfo* par = FParagraphs->At(p);
                const Integer o1 = BlockOffset(par, p, e1);
                const Integer o2 = BlockOffset(par, p, e2);
                setSelStart(par->StartPos + o1);
                setSelLength(o2 - o1);
                if (!EditSel(nullptr)) return;
            }
        } catch (...) {
            if (self) FLinesStrings->EndUpdate();
            throw;
        }
        FLinesStrings->EndUpdate();
        if (empty) return;
    }

    // A selection end between the CR and the LF of a break takes the whole break (an empty
    // selection there stands before the break).
    Integer S = 0;
    Integer E = 0;
    SelBounds(S, E);
    const bool anchorIsLow = FAnchor == FSelStartNav;

    // Split the text at CR (CR LF counting once; a lone LF is an ordinary character).
    const size_t txtLen = empty ? 0 : std::strlen(Txt);
    if (txtLen > static_cast<size_t>(MaxInt)) throw EListError("Text too long");
    std::vector<Piece> pieces;
    {
        size_t start = 0;
        for (size_t i = 0; i < txtLen; ++i) {
            if (Txt[i] != '\r') continue;
            pieces.push_back({Txt + start, static_cast<Integer>(i - start)});
            if (i + 1 < txtLen && Txt[i + 1] == '\n') ++i;
            start = i + 1;
        }
        pieces.push_back({empty ? "" : Txt + start, static_cast<Integer>(txtLen - start)});
    }

    FSelStartNav->SetPos(S);
    FSelStopNav->SetPos(E);
    const Integer ep = FSelStopNav->GetParNb();
    const bool stopAtParEnd = FSelStopNav->Offset == FSelStopNav->Par->Len;
    // Not for undo and redo, which put back exact text, nor for the deletions of code-pair cleaning.
    if ((FOptions & pmoDiscardTrailingSpaces) != 0 && !FUndoRedoRunning && !FCleaning) {
        auto allBlank = [](const Piece& p) { return std::all_of(p.Text, p.Text + p.Len, IsBlank); };
        if ((pieces.size() > 1 || stopAtParEnd) && allBlank(pieces.front())) {
            // Enter after trailing blanks takes them away.
            const ParInfo* sp = FSelStartNav->GetPar();
            Integer so = FSelStartNav->Offset;
            while (so > 0 && IsBlank(sp->Text[so - 1])) --so;
            S = sp->StartPos + so;
            FSelStartNav->SetPos(S);
        }
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i + 1 == pieces.size() && !stopAtParEnd) break;
            while (pieces[i].Len > 0 && IsBlank(pieces[i].Text[pieces[i].Len - 1])) --pieces[i].Len;
        }
    }
    const Integer anchorPos = anchorIsLow ? S : E;
    const Integer sp = FSelStartNav->GetParNb();
    const Integer so = FSelStartNav->Offset;
    const Integer eo = FSelStopNav->Offset;
    const std::string replaced = GetTextPart(S, E);

    // Closing codes keep the style of the text after the edit as it was.
    TExtFontStyles style = 0;
    if (FStaticFormat) {
        for (const Piece& p : pieces)
            for (Integer i = 0; i < p.Len; ++i) ApplyStyleCode(style, p.Text[i]);
        for (const char c : replaced) ApplyStyleCode(style, c);
    }
    std::string closing;
    // Undo and redo put back exactly the text they recorded.
    if (style != 0 && !FNoCompensation && !FUndoRedoRunning) {
        if (style & (1u << xfsUnderline)) closing += scUnderline;
        if (style & (1u << xfsItalic)) closing += scItalic;
        if (style & (1u << xfsBold)) closing += scBold;
        if (style & (1u << xfsHighlight)) closing += scHighlight;
        if (style & (1u << xfsAltFont)) closing += scAltFont;
    }
    Int64 insLen = static_cast<Int64>(closing.size()) + 2 * (static_cast<Int64>(pieces.size()) - 1);
    for (const Piece& p : pieces) insLen += p.Len;

    // Blanks dropped from a text that replaces nothing leave nothing to do.
    if (S == E && insLen == 0) {
        FSelStartNav->SetPos(S);
        FSelStopNav->SetPos(S);
        FSelLength = 0;
        return;
    }

    // Refuse before anything changes, so that a refused edit leaves no trace (undo included).
    {
        const Integer tail = FParagraphs->At(ep)->Len - eo;
        const Int64 closeLen = static_cast<Int64>(closing.size());
        const Int64 first = so + static_cast<Int64>(pieces.front().Len) + (pieces.size() == 1 ? closeLen + tail : 0);
        const Int64 last = pieces.size() == 1 ? 0 : static_cast<Int64>(pieces.back().Len) + closeLen + tail;
        const Int64 newTextLen = static_cast<Int64>(FTextLen) + insLen - (E - S);
        if (first > FMaxParLen || last > FMaxParLen || newTextLen > MaxInt) throw EListError("Text too long");
        for (const Piece& p : pieces)
            if (p.Len > FMaxParLen) throw EListError("Text too long");
    }

    FVirtualCols = 0;
    FRememberedCol = EmptyColumn;
    ExtendMods(sp, FSelStartNav->GetParLine(), ep);
    FModified = true;

    TExtFontStyles styleAtStart = 0;
    if (FStaticFormat && pieces.size() > 1) styleAtStart = FSelStartNav->GetStyle();

    // Recorded after the splice: a splice that runs out of memory changes nothing, not even undo.
    Splice(S, E, pieces, closing, styleAtStart);
    RecordUndo(S, static_cast<Integer>(insLen), replaced, anchorPos);

    Integer caret = S + static_cast<Integer>(insLen);
    const Integer lastNew = sp + static_cast<Integer>(pieces.size()) - 1;
    // A handler that reads or changes the selection finds the caret behind what was inserted, not
    // the replaced text's length from the edit's start.
    SetSelNavs(caret, caret, true);
    EnterUpdate();
    bool handlerEdited = false;
    try {
        if (OnParse) {
            const Integer stamp = FTextStamp;
            OnParse(this, S, caret);
            if (!self) return;
            if (FTextStamp != stamp) {
                // The handler changed the text: where this edit's paragraphs and caret are now is
                // not known. All of it is highlighted and broken again, and the selection stays
                // where the handler's change left it.
                for (Integer p = 0; p < ParCount(); ++p) {
                    ParInfo* par = FParagraphs->At(p);
                    par->Formatted = false;
                    par->StartStopParsed = false;
                    par->KeywordsParsed = false;
                }
                ExtendMods(0, 0, ParCount() - 1);
                FLocalEdit = false;
                handlerEdited = true;
            }
        }
        if (!handlerEdited) {
            if (FUpdateCount == 1) {
                RehighlightEdited(sp);
            } else {
                for (Integer p = sp; p <= lastNew; ++p) {
                    ParInfo* par = FParagraphs->At(p);
                    par->Formatted = false;
                    par->StartStopParsed = false;
                    par->KeywordsParsed = false;
                }
            }
            FVirtualCols = 0;
            FSelLength = 0;
            FBlockSelected = false;
            // Undo restores text exactly as it was; cleaning then would change what redo expects.
            if (FStaticFormat && !FCleaning && !FUndoRedoRunning) {
                FlagScope cleaning(*this, FCleaning, true);
                FlagScope noCompensation(*this, FNoCompensation, true);
                if (!CleanCodePairs(sp, lastNew, caret)) return;
            }
            FSelStartNav->SetPos(caret);
            FSelStopNav->SetPos(caret);
            FAnchor = FSelStartNav;
            FSelLength = 0;
            FSelMoved = false;
        }
    } catch (...) {
        if (!self) throw;
        // The text is changed and whole; the selection collapses behind what was inserted.
        --FUpdateCount;
        FLocalEdit = false;
        SetSelNavs(std::clamp(caret, 0, FTextLen), std::clamp(caret, 0, FTextLen), true);
        throw;
    }
    LeaveUpdate();
    FLocalEdit = false;
    if (FUpdateCount == 0) ScrollInView();
}

void TStyleMemo::Splice(Integer S, Integer E, const std::vector<Piece>& Pieces, const std::string& Closing,
                        TExtFontStyles StyleAtStart)
{
    TStyleNavigator* lo = FSelStartNav;
    TStyleNavigator* hi = FSelStopNav;
    FUpPar = -1;  // the upper-case copy may be of text that changes
    ++FTextStamp;
    const Integer sp = lo->GetParNb();
    const Integer so = lo->Offset;
    const Integer ep = hi->GetParNb();
    const Integer eo = hi->Offset;
    const Integer editLine = lo->GetParLine();
    const auto m = static_cast<Integer>(Pieces.size()) - 1;
    const auto closeLen = static_cast<Integer>(Closing.size());
    Integer insLen = closeLen + 2 * m;
    for (const Piece& p : Pieces) insLen += p.Len;
    const Integer diff = insLen - (E - S);
    const Integer parDiff = m - (ep - sp);
    ParInfo* spar = FParagraphs->At(sp);
    const Integer oldLineCount = FLineCount;

    using stylememo::CountStyleCodes;
    using stylememo::NewParText;

    // The attribute in force for the text after the replaced range. When the edit drops the record
    // that set it at the end of a style set by code (or the record of such a style), it is put back
    // behind the inserted text: the text after the edit keeps its look, and the paragraphs after it
    // their start attribute. Highlighting finds its own spans again after every edit.
    bool restore = false;
    DynInfoRec restoreRec;
    {
        const ParInfo* epar = FParagraphs->At(ep);
        const DynInfoRec* atEnd = epar->Context;
        bool recordAtEnd = false;
        for (Integer r = 0; r < epar->DynCount && epar->Dyns[r].Offset <= eo; ++r) {
            if (epar->Dyns[r].Offset == eo) {
                recordAtEnd = true;  // carried with the tail, it is in force there still
                break;
            }
            atEnd = &epar->Dyns[r];
        }
        const DynInfoRec* atStart = spar->Context;
        for (Integer r = 0; r < spar->DynCount && (spar->Dyns[r].Offset < so || (spar->Dyns[r].Offset == so && S < E)); ++r)
            atStart = &spar->Dyns[r];
        auto setByCode = [](const DynInfoRec* d) { return (d->Attr & 0x80) != 0 && d->Level == -1; };
        restore = !recordAtEnd && atEnd != atStart && (setByCode(atEnd) || setByCode(atStart)) &&
                  std::memcmp(reinterpret_cast<const char*>(atEnd) + sizeof(Integer),
                              reinterpret_cast<const char*>(atStart) + sizeof(Integer), sizeof(DynInfoRec) - sizeof(Integer)) != 0;
        if (restore) restoreRec = *atEnd;
    }

    if (sp == ep && m == 0) {
        if (restore) GrowDyns(spar, spar->DynCount + 1);
        // Inside one paragraph: the buffer is edited in place when it has room and is not far too big.
        const Integer pieceLen = Pieces[0].Len;
        const Integer newLen = spar->Len + diff;
        const Integer removedCodes = CountStyleCodes(spar->Text + so, eo - so);
        if (newLen < spar->Room && newLen + newLen / 8 > spar->Room) {
            std::memmove(spar->Text + so + pieceLen + closeLen, spar->Text + eo, static_cast<size_t>(spar->Len - eo));
        } else {
            Integer room = 0;
            char* t = NewParText(newLen, room);
            if (so > 0) std::memcpy(t, spar->Text, static_cast<size_t>(so));
            if (spar->Len > eo)
                std::memcpy(t + so + pieceLen + closeLen, spar->Text + eo, static_cast<size_t>(spar->Len - eo));
            std::free(spar->Text);
            spar->Text = t;
            spar->Room = room;
        }
        if (pieceLen > 0) std::memcpy(spar->Text + so, Pieces[0].Text, static_cast<size_t>(pieceLen));
        if (closeLen > 0) std::memcpy(spar->Text + so + pieceLen, Closing.data(), static_cast<size_t>(closeLen));
        spar->Text[newLen] = '\0';
        spar->CodeCount += CountStyleCodes(Pieces[0].Text, pieceLen) + closeLen - removedCodes;

        // Attributes: one at the start of a replaced range stays there, those inside go, those
        // after move.
        bool dynsInRange = false;
        std::vector<DynInfoRec> dyns;
        dyns.reserve(static_cast<size_t>(spar->DynCount) + 1);
        for (Integer r = 0; r < spar->DynCount; ++r) {
            DynInfoRec d = spar->Dyns[r];
            if (d.Offset < so || (d.Offset == so && so < eo)) {
            } else if (d.Offset < eo) {
                dynsInRange = true;
                continue;
            } else {
                d.Offset += diff;
            }
            if (restore && d.Offset >= so + pieceLen + closeLen) {
                restoreRec.Offset = so + pieceLen + closeLen;
                dyns.push_back(restoreRec);
                restore = false;
            }
            dyns.push_back(d);
        }
        if (restore) {
            restoreRec.Offset = so + pieceLen + closeLen;
            dyns.push_back(restoreRec);
        }
        if (!dyns.empty()) std::memcpy(static_cast<void*>(spar->Dyns), dyns.data(), dyns.size() * sizeof(DynInfoRec));
        spar->DynCount = static_cast<Integer>(dyns.size());

        // Lines keep their shape behind the edit; the lines the replaced range covered merge into
        // the edit's line, and all lines after it go when attributes were dropped.
        const Integer oldLines = spar->LineCount;
        Integer keepFrom = oldLines;
        if (!dynsInRange) {
            keepFrom = editLine + 1;
            while (keepFrom < oldLines && ParLineAt(spar, keepFrom)->Start < eo) ++keepFrom;
        }
        LineInfo* el = ParLineAt(spar, editLine);
        const Integer shifted = oldLines - keepFrom;
        for (Integer k = 0; k < shifted; ++k) {
            LineInfo* dst = ParLineAt(spar, editLine + 1 + k);
            *dst = *ParLineAt(spar, keepFrom + k);
            dst->Start += diff;
            dst->Stop += diff;
            dst->JustifyFrom += diff;
        }
        el->Stop = shifted > 0 ? ParLineAt(spar, editLine + 1)->Start : newLen;
        if (el->JustifyFrom >= eo)
            el->JustifyFrom += diff;
        else if (el->JustifyFrom > so)
            el->JustifyFrom = so;
        el->JustifyFrom = std::clamp(el->JustifyFrom, el->Start, el->Stop);
        TLinesList(spar).SetCount(editLine + 1 + shifted);
        // The lines not broken yet move with the lines kept behind the edit.
        if (spar->Provisional > editLine) {
            spar->Provisional = std::max(spar->Provisional - (keepFrom - editLine - 1), editLine + 1);
            if (spar->Provisional >= spar->LineCount) {
                spar->Provisional = 0;
                spar->ProvisionalWhole = false;
            }
        }
        FLineCount += spar->LineCount - oldLines;
        spar->Len = newLen;
        if (FUpdateCount == 0 && !dynsInRange) FLocalEdit = true;
    } else {
        ParInfo* epar = FParagraphs->At(ep);
        const Integer tailLen = epar->Len - eo;
        const Integer tailStart = (m == 0 ? so : 0) + Pieces[static_cast<size_t>(m)].Len + closeLen;

        // Route the attributes of the affected paragraphs: kept in the start paragraph, dropped, or
        // carried with the tail.
        std::vector<DynInfoRec> keep;
        std::vector<DynInfoRec> carried;
        for (Integer q = sp; q <= ep; ++q) {
            const ParInfo* par = FParagraphs->At(q);
            for (Integer r = 0; r < par->DynCount; ++r) {
                DynInfoRec d = par->Dyns[r];
                const Integer x = par->StartPos + d.Offset;
                if (q == sp && (x < S || (x == S && S < E))) {
                    keep.push_back(d);
                } else if (x < E) {
                } else {
                    d.Offset = x - E + tailStart;
                    carried.push_back(d);
                }
            }
        }

        if (restore) {
            restoreRec.Offset = tailStart;
            carried.insert(carried.begin(), restoreRec);
        }

        // Everything the edit needs is allocated before anything changes, so that running out of
        // memory leaves the text as it was.
        const Integer lastLen = Pieces[static_cast<size_t>(m)].Len + closeLen + tailLen + (m == 0 ? so : 0);
        Integer lastRoom = 0;
        char* lastText = nullptr;
        char* headText = nullptr;
        Integer headRoom = 0;
        DynInfoRec* firstCtx = nullptr;
        Integer scratchMade = 0;
        std::vector<DynInfoRec>& spDyns = keep;
        if (m == 0) spDyns.insert(spDyns.end(), carried.begin(), carried.end());
        try {
            lastText = NewParText(lastLen, lastRoom);
            if (m > 0) headText = NewParText(so + Pieces[0].Len, headRoom);
            GrowDyns(spar, static_cast<Integer>(spDyns.size()));
            if (m > 0) {
                // The attribute in force at the end of the paragraph before runs on into the next.
                if (!keep.empty()) firstCtx = CloneContext(keep.back());
                FScratchPars->SetCount(m);
                for (Integer i = 1; i <= m; ++i) {
                    ParInfo* np = FScratchPars->At(i - 1);
                    *np = ParInfo{};
                    ++scratchMade;
                    if (i < m) {
                        const Piece& pc = Pieces[static_cast<size_t>(i)];
                        if (pc.Len > 0) np->Text = NewParText(pc.Len, np->Room);
                    } else if (!carried.empty()) {
                        GrowDyns(np, static_cast<Integer>(carried.size()));
                    }
                }
            }
            if (parDiff > 0) FParagraphs->InsertItems(ep + 1, parDiff);
        } catch (...) {
            std::free(lastText);
            std::free(headText);
            if (firstCtx != nullptr) ReleaseContext(firstCtx);
            for (Integer i = 0; i < scratchMade; ++i) FreeParContents(FScratchPars->At(i));
            FScratchPars->SetCount(0);
            throw;
        }
        {
            Integer at = 0;
            if (m == 0 && so > 0) {
                std::memcpy(lastText, spar->Text, static_cast<size_t>(so));
                at = so;
            }
            const Piece& pm = Pieces[static_cast<size_t>(m)];
            if (pm.Len > 0) std::memcpy(lastText + at, pm.Text, static_cast<size_t>(pm.Len));
            at += pm.Len;
            if (closeLen > 0) std::memcpy(lastText + at, Closing.data(), static_cast<size_t>(closeLen));
            at += closeLen;
            if (tailLen > 0) std::memcpy(lastText + at, epar->Text + eo, static_cast<size_t>(tailLen));
            lastText[lastLen] = '\0';
        }
        const Integer epForegnd = epar->Foregnd;
        const Integer epBackgnd = epar->Backgnd;

        // Lines removed with the paragraphs after the start paragraph.
        Integer removedLines = 0;
        for (Integer q = sp + 1; q <= ep; ++q) {
            ParInfo* par = FParagraphs->At(q);
            removedLines += par->LineCount;
            FreeParContents(par);
        }

        // The start paragraph: its head and the first piece (all of it when no break is inserted).
        const Integer oldSpLines = spar->LineCount;
        if (m == 0) {
            std::free(spar->Text);
            spar->Text = lastText;
            spar->Room = lastRoom;
            spar->Len = lastLen;
            spar->CodeCount = CountStyleCodes(lastText, lastLen);
        } else {
            const Integer newLen = so + Pieces[0].Len;
            char* t = headText;
            if (so > 0) std::memcpy(t, spar->Text, static_cast<size_t>(so));
            if (Pieces[0].Len > 0) std::memcpy(t + so, Pieces[0].Text, static_cast<size_t>(Pieces[0].Len));
            t[newLen] = '\0';
            std::free(spar->Text);
            spar->Text = t;
            spar->Room = headRoom;
            spar->Len = newLen;
            spar->CodeCount = CountStyleCodes(t, newLen);
        }
        if (!spDyns.empty()) std::memcpy(spar->Dyns, spDyns.data(), spDyns.size() * sizeof(DynInfoRec));
        spar->DynCount = static_cast<Integer>(spDyns.size());
        {
            LineInfo* el = ParLineAt(spar, editLine);
            el->Stop = spar->Len;
            if (el->JustifyFrom > so) el->JustifyFrom = std::max(el->Start, so);
            TLinesList(spar).SetCount(editLine + 1);
            if (spar->Provisional > editLine) {
                spar->Provisional = 0;
                spar->ProvisionalWhole = false;
            }
        }
        Integer lineDelta = spar->LineCount - oldSpLines - removedLines;

        // New paragraphs: the middle pieces, then the last piece with the tail.
        if (m > 0) {
            TExtFontStyles running = StyleAtStart;
            DynInfoRec* sharedCtx = firstCtx != nullptr ? firstCtx : spar->Context;
            if (firstCtx == nullptr) ++sharedCtx->Offset;
            for (Integer i = 1; i <= m; ++i) {
                if (FStaticFormat)
                    for (Integer k = 0; k < Pieces[static_cast<size_t>(i - 1)].Len; ++k)
                        ApplyStyleCode(running, Pieces[static_cast<size_t>(i - 1)].Text[k]);
                ParInfo* np = FScratchPars->At(i - 1);
                if (i < m) {
                    const Piece& pc = Pieces[static_cast<size_t>(i)];
                    np->Len = pc.Len;
                    if (pc.Len > 0) {
                        std::memcpy(np->Text, pc.Text, static_cast<size_t>(pc.Len));
                        np->Text[pc.Len] = '\0';
                        np->CodeCount = CountStyleCodes(pc.Text, pc.Len);
                    }
                } else {
                    np->Text = lastText;
                    np->Room = lastRoom;
                    np->Len = lastLen;
                    np->CodeCount = CountStyleCodes(lastText, lastLen);
                    np->Foregnd = epForegnd;
                    np->Backgnd = epBackgnd;
                    if (!carried.empty()) {
                        std::memcpy(np->Dyns, carried.data(), carried.size() * sizeof(DynInfoRec));
                        np->DynCount = static_cast<Integer>(carried.size());
                    }
                }
                if (i > 1) ++sharedCtx->Offset;
                np->Context = sharedCtx;
                np->FirstLineInfo.Stop = np->Len;
                np->FirstLineInfo.StartStyle = FStaticFormat ? running : 0;
                Integer startDyn = 0;
                while (startDyn < np->DynCount && np->Dyns[startDyn].Offset <= 0) ++startDyn;
                np->FirstLineInfo.StartDyn = startDyn;
                np->LineCount = 1;
            }
        }
        if (parDiff < 0) FParagraphs->DeleteItems(sp + 1, -parDiff);
        spar = FParagraphs->At(sp);
        Integer pos = spar->StartPos + spar->Len + 2;
        Integer line = spar->FirstLine + spar->LineCount;
        for (Integer i = 1; i <= m; ++i) {
            ParInfo* np = FParagraphs->At(sp + i);
            std::memcpy(static_cast<void*>(np), FScratchPars->At(i - 1), sizeof(ParInfo));
            np->StartPos = pos;
            np->FirstLine = line;
            pos += np->Len + 2;
            line += np->LineCount;
        }
        lineDelta += m;
        FLineCount += lineDelta;
        FScratchPars->SetCount(0);
        FScratchPars->SetCapacity(2);
        // The list gives back what a large deletion left unused.
        const Integer count = FParagraphs->Count();
        if (FParagraphs->Capacity() > count + count / 16 + 8) FParagraphs->SetCapacity(count + count / 32 + 4);
    }

    // Totals, and the paragraphs after the edit.
    FTextLen += diff;
    const Integer lineDelta = FLineCount - oldLineCount;
    FModLinesAdded += lineDelta;
    const Integer count = FParagraphs->Count();
    if (diff != 0 || lineDelta != 0) {
        for (Integer q = sp + m + 1; q < count; ++q) {
            ParInfo* par = FParagraphs->At(q);
            par->StartPos += diff;
            par->FirstLine += lineDelta;
        }
    }
    FModLastPar += parDiff;
    if (FModLastPar < sp + m) FModLastPar = sp + m;
    // Paragraphs waiting for the background keep their place in what waits.
    if (parDiff != 0 && FPendingFirst <= FPendingLast) {
        if (FPendingFirst > ep)
            FPendingFirst += parDiff;
        else if (FPendingFirst > sp)
            FPendingFirst = sp + 1;
        if (FPendingLast > ep)
            FPendingLast += parDiff;
        else if (FPendingLast >= sp)
            FPendingLast = sp + m;
    }

    // Navigators: inside the replaced range to its start, after it by the length difference.
    for (TStyleNavigator* n : FNavList) {
        if (n->Pos < S) continue;  // the text and lines before the edit point are unchanged
        if (n->Pos <= E) {
            n->PlaceAt(sp, so);
        } else {
            const Integer newPos = n->Pos + diff;
            if (n->Par != nullptr) {
                const Integer oldPar = n->ParNb;
                const Integer np = oldPar + parDiff;
                n->SetParRec(FParagraphs->At(np), np);
                n->Offset = newPos - n->Par->StartPos;
                if (oldPar == ep) {
                    n->DynNb = NotComputed;
                    n->ParLine = NotComputed;
                }
            }
            n->Pos = newPos;
        }
    }
    FSelStopNav->SetPos(S + insLen);
}

bool TStyleMemo::CleanCodePairs(Integer FirstPar, Integer LastPar, Integer& Caret)
{
    for (Integer p = FirstPar; p <= LastPar && p < ParCount(); ++p) {
        Integer from = 0;
        Integer i = 0;
        Integer j = 0;
        for (;;) {
            const ParInfo* par = FParagraphs->At(p);
            if (par->CodeCount < 2 || !stylememo::FindCodePair(par->Text, par->Len, from, i, j)) break;
            const Integer base = par->StartPos;
            for (const Integer at : {j, i}) {
                setSelStart(base + at);
                setSelLength(1);
                FlagScope chain(*this, FChainNext, true);  // undone together with the edit that made the pair
                if (!EditSel(nullptr)) return false;
                if (base + at < Caret) --Caret;
            }
            // Removing the pair may join codes around it into a new pair.
            par = FParagraphs->At(p);
            from = std::min(i, par->Len);
            while (from > 0 && IsStyleCode(par->Text[from - 1])) --from;
        }
    }
    return true;
}

// ---------------------------------------------------------------- whole text and parts

Integer TStyleMemo::GetTextBuf(char* Buffer, Integer BufSize)
{
    if (BufSize < 1) return 0;
    const Integer n = std::min(FTextLen, BufSize - 1);
    BorrowedNav nav(FClassNavs[0], this);
    nav->SetPos(0);
    nav->GetTextBuf(Buffer, n);
    return n;
}

void TStyleMemo::SetTextBuf(const char* Buffer)
{
    LoadText(Buffer == nullptr ? "" : Buffer, Buffer == nullptr ? 0 : std::strlen(Buffer));
}

void TStyleMemo::LoadText(const char* Text, size_t Len)
{
    if (FTextLen == 0 && Len == 0) return;
    FModified = true;
    TReadOnlyMemoryStream stream(Text, static_cast<Int64>(Len));
    LoadFromStream(&stream);
}

void TStyleMemo::Clear() { SetTextBuf(""); }

std::string TStyleMemo::GetTextPart(Integer Start, Integer Stop)
{
    const Integer s = std::max(Start, 0);
    const Integer e = std::min(Stop, FTextLen);
    if (s >= e) return std::string();
    std::string r(static_cast<size_t>(e - s), '\0');
    TStyleNavigator* n = FScratch[0];
    n->SetPos(s);
    // The buffer's own terminator takes the navigator's NUL.
    n->GetTextBuf(r.data(), e - s);
    return r;
}

char* TStyleMemo::GetTextPartBuf(Integer Start, Integer Stop)
{
    const Integer s = std::max(Start, 0);
    const Integer e = std::min(Stop, FTextLen);
    if (s > e) return nullptr;
    const Integer n = std::min(e - s, MaxParLength);
    auto* buf = new char[static_cast<size_t>(n) + 1];
    TStyleNavigator* nav = FScratch[0];
    nav->SetPos(s);
    nav->GetTextBuf(buf, n);
    return buf;
}

char TStyleMemo::Chars(Integer Index)
{
    if (Index < 0 || Index >= FTextLen) return '\0';
    TStyleNavigator* n = FScratch[0];
    n->SetPos(Index);
    return n->GetText();
}

std::string TStyleMemo::Paragraphs(Integer Index)
{
    const ParInfo* p = FParagraphs->GetParPointers(Index);
    return p->Len > 0 ? std::string(p->Text, static_cast<size_t>(p->Len)) : std::string();
}

void TStyleMemo::setParagraphs(Integer Index, const std::string& Text) { setParsBuf(Index, Text.c_str()); }

char* TStyleMemo::ParsBuf(Integer Index)
{
    const ParInfo* p = FParagraphs->GetParPointers(Index);
    auto* buf = new char[static_cast<size_t>(p->Len) + 1];
    if (p->Len > 0) std::memcpy(buf, p->Text, static_cast<size_t>(p->Len));
    buf[p->Len] = '\0';
    return buf;
}

Integer TStyleMemo::ParsOffset(Integer Index) { return FParagraphs->GetParPointers(Index)->StartPos; }

void TStyleMemo::setParsBuf(Integer Index, const char* Text)
{
    if (Index < 0) throw Exception("List index out of bounds");
    EventScope scope(*this);
    TGuardPtr<TStyleMemo> self(this);
    const Integer anchorPar = FAnchor->GetParNb();
    const Integer anchorPos = FAnchor->Pos;
    const Integer selLen = FSelLength;
    if (Index == anchorPar) setSelStart(FParagraphs->At(Index)->StartPos);
    EnterUpdate();
    Integer diff = 0;
    try {
        FlagScope formatting(*this, FFormatting, true);
        while (Index >= ParCount()) {
            setSelStart(FTextLen);
            if (!EditSel("\r\n")) return;
        }
        const Integer before = FTextLen;
        const ParInfo* par = FParagraphs->At(Index);
        setSelStart(par->StartPos);
        setSelLength(par->Len);
        if (!EditSel(Text)) return;
        diff = FTextLen - before;
    } catch (...) {
        if (self) LeaveUpdate();
        throw;
    }
    LeaveUpdate();
    setSelStart(Index < anchorPar ? anchorPos + diff : anchorPos);
    if (Index != anchorPar) setSelLength(selLen);
}

void TStyleMemo::FormatUpToLine(Integer Line)
{
    TStyleNavigator* n = FScratch[5];
    while (FPendingFirst <= FPendingLast && FPendingFirst < ParCount()) {
        n->SetLineNb(std::min(Line, FLineCount - 1));
        if (Line < FLineCount && n->ParNb < FPendingFirst) break;
        // A paragraph broken only as far as the screen needed holds the pending range: all of it now.
        const Integer from = FPendingFirst;
        BreakProvisional(from, MaxInt / 2);
        FormatNow(from, std::min(FPendingLast, from + 63), false);
        if (FPendingFirst == from) break;
    }
    if (Line < 0 || Line >= FLineCount) return;
    PlaceOnBrokenLine(n, Line);
}

void TStyleMemo::PlaceOnBrokenLine(TStyleNavigator* N, Integer Line)
{
    N->SetLineNb(Line);
    EnsureFormatted(N->GetParNb());
    // Breaking a paragraph's later lines moves the lines after them: until line Line stays put.
    for (N->SetLineNb(Line); N->Par->Provisional > 0 && N->GetParLine() >= N->Par->Provisional; N->SetLineNb(Line))
        BreakProvisional(N->ParNb, N->GetParLine());
}

std::string TStyleMemo::Lines(Integer Index)
{
    if (Index < 0) return std::string();
    EventScope scope(*this);
    FormatUpToLine(Index);
    if (Index >= FLineCount) return std::string();
    TStyleNavigator* n = FScratch[5];
    n->SetLineNb(Index);
    const LineInfo* line = ParLineAt(n->Par, n->ParLine);
    return std::string(n->Par->Text + line->Start, static_cast<size_t>(line->Stop - line->Start));
}

char* TStyleMemo::LinesBuf(Integer Index)
{
    if (Index < 0) return nullptr;
    EventScope scope(*this);
    FormatUpToLine(Index);
    if (Index >= FLineCount) return nullptr;
    const std::string s = Lines(Index);
    auto* buf = new char[s.size() + 1];
    std::memcpy(buf, s.c_str(), s.size() + 1);
    return buf;
}

std::string TStyleMemo::CurrentWord()
{
    const ParInfo* par = FAnchor->GetPar();
    const Integer off = std::min(FAnchor->Offset, par->Len);
    Integer e = off;
    while (e < par->Len && !IsDelimiter(par->Text[e])) ++e;
    Integer b = e;
    while (b > 0 && !IsDelimiter(par->Text[b - 1])) --b;
    return std::string(par->Text + b, static_cast<size_t>(e - b));
}

std::string TStyleMemo::UpperCased(const std::string& S) const
{
    std::string r = S;
    stylememo::UpperCaseBy(FUpperCaseType, r.data());
    return r;
}

bool TStyleMemo::FindTxt(const std::string& Text, bool Forward, bool MatchCase, bool WholeWord)
{
    if (Text.empty()) return false;
    EventScope scope(*this);
    const std::string pat = MatchCase ? Text : UpperCased(Text);
    const auto plen = static_cast<Integer>(pat.size());
    const Integer p0 = FAnchor->GetParNb();
    const Integer off0 = std::min(FAnchor->Offset, FAnchor->Par->Len);
    auto hit = [&](const ParInfo* par, const std::string& hay, Integer i) {
        if (hay.compare(static_cast<size_t>(i), static_cast<size_t>(plen), pat) != 0) return false;
        if (!WholeWord) return true;
        const bool before = i == 0 || IsDelimiter(par->Text[i - 1]);
        const bool after = i + plen == par->Len || IsDelimiter(par->Text[i + plen]);
        return before && after;
    };
    auto textOf = [&](const ParInfo* par) {
        const std::string s = par->Len > 0 ? std::string(par->Text, static_cast<size_t>(par->Len)) : std::string();
        return MatchCase ? s : UpperCased(s);
    };
    if (Forward) {
        for (Integer p = p0; p < ParCount(); ++p) {
            const ParInfo* par = FParagraphs->At(p);
            const std::string hay = textOf(par);
            for (Integer i = p == p0 ? off0 : 0; i + plen <= par->Len; ++i) {
                if (!hit(par, hay, i)) continue;
                setSelLength(0);
                setSelStart(par->StartPos + i + plen);
                setSelLength(-plen);
                return true;
            }
        }
    } else {
        for (Integer p = p0; p >= 0; --p) {
            const ParInfo* par = FParagraphs->At(p);
            const std::string hay = textOf(par);
            Integer i = p == p0 ? std::min(off0 - 1, par->Len - plen) : par->Len - plen;
            for (; i >= 0; --i) {
                if (!hit(par, hay, i)) continue;
                setSelStart(par->StartPos + i);
                setSelLength(plen);
                return true;
            }
        }
    }
    return false;
}

std::string TStyleMemo::DynText(Integer Start, Integer Stop)
{
    if (Start == Stop) return std::string();
    if (Start > Stop) std::swap(Start, Stop);
    Start = std::clamp(Start, 0, FTextLen);
    Stop = std::clamp(Stop, 0, FTextLen);
    struct Rec {
        DynInfoRec Info;
        Integer Offset;
    };
    static_assert(sizeof(Rec) == 64);
    std::vector<Rec> recs;
    TStyleNavigator* n = FScratch[6];
    n->SetPos(Start);
    DynInfoRec first;
    n->GetDynInfo(first);
    recs.push_back({first, 0});
    const Integer lastPar = [&] {
        TStyleNavigator* m = FScratch[7];
        m->SetPos(Stop);
        return m->GetParNb();
    }();
    for (Integer p = n->GetParNb(); p <= lastPar; ++p) {
        const ParInfo* par = FParagraphs->At(p);
        for (Integer r = 0; r < par->DynCount; ++r) {
            const Integer x = par->StartPos + par->Dyns[r].Offset;
            if (x >= Start && x < Stop) recs.push_back({par->Dyns[r], x - Start});
        }
    }
    std::string out;
    const auto count = static_cast<Integer>(recs.size());
    out.append(reinterpret_cast<const char*>(&count), 4);
    out.append(reinterpret_cast<const char*>(recs.data()), recs.size() * sizeof(Rec));
    out += GetTextPart(Start, Stop);
    return out;
}

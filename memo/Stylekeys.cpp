// TStyleMemo: the keyboard. Navigation, deletion, selection with Shift, column blocks with Alt,
// clipboard and style hot keys, typed characters and Enter with its indentation. Every change of
// the text goes through the selection operations, so each key is one undo step.
#include <algorithm>

#include "memo/Stylememo.h"
#include "memo/Stylestrings.h"
#include "platform/Forms.h"
#include "platform/Windows.h"

namespace {

constexpr Integer NoColumn = static_cast<Integer>(0x80000000u);

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsArrow(Word Key) { return Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN; }

bool IsNavigation(Word Key) { return IsArrow(Key) || (Key >= VK_PRIOR && Key <= VK_HOME); }

}  // namespace

// ---------------------------------------------------------------- caret moves

// The caret goes to To. Without Extend the selection collapses there; with it the far end stays and
// the selection runs between that end and the caret.
void TStyleMemo::MoveCaret(TStyleNavigator* To, bool Extend)
{
    const Integer caret = FAnchor->Pos;
    const Integer farEnd = caret + FSelLength;
    const Integer oldLo = FSelStartNav->GetLineNb();
    const Integer oldHi = FSelStopNav->GetLineNb();
    const bool block = FBlockSelected;
    const Integer len = Extend ? farEnd - To->Pos : 0;
    if (len < 0) {
        FSelStartNav->SetPos(farEnd);
        FSelStopNav->Assign(To);
        FAnchor = FSelStopNav;
    } else {
        FSelStartNav->Assign(To);
        FSelStopNav->SetPos(To->Pos + len);
        FAnchor = FSelStartNav;
    }
    FSelLength = len;
    FBlockSelected = block && Extend;
    FSelMoved = true;
    // The caret stands at one end of each selection: the lines of both cover its way.
    InvalidateLines(std::min(oldLo, FSelStartNav->GetLineNb()), std::max(oldHi, FSelStopNav->GetLineNb()), false);
}

void TStyleMemo::FinishMove()
{
    FSelMoved = true;
    UpdateCaret(false);
    if (FBlockSelected) FBlockEdge2 = BlockEdgeAtCaret();
    ScrollInView();
    Update();
}

void TStyleMemo::VerticalMove(TStyleNavigator* Nav, Integer TargetLine, TShiftState Shift)
{
    FVirtualCols = 0;
    const bool shift = (Shift & ssShift) != 0;
    if (!shift) FBlockSelected = false;
    const bool keep = (FOptions & pmoKeepColumnPos) != 0;
    if (FRememberedCol == NoColumn || (!FWordWrap && (FOptions & pmoPutExtraSpaces) != 0 && !keep))
        FRememberedCol = FCaretX;
    PlaceOnBrokenLine(Nav, TargetLine);
    const Integer lineInPar = Nav->GetParLine();
    const Integer col = ColNb(Nav->Par, Nav->ParNb, lineInPar, FRememberedCol, keep);
    Nav->SetColNb(col);
    if ((keep || FBlockSelected) && !(shift && !FBlockSelected)) {
        const char c = Nav->GetText();
        if (c == '\r' || c == '\t') {
            const Integer x = ColPos(Nav->Par, Nav->ParNb, Nav->GetColNb(), lineInPar);
            if (FRememberedCol > x) FVirtualCols = (FRememberedCol - x) / std::max(FBlankWidth, 1);
        }
    }
}

void TStyleMemo::KeyLeft(TStyleNavigator* Nav, TShiftState Shift)
{
    auto at = [this](Integer p) { return Chars(p); };
    if (Shift & ssCtrl) {
        FVirtualCols = 0;
        Integer p = Nav->Pos - 1;
        while (p > 0 && IsDelimiter(at(p))) --p;
        if (at(p) == '\n') {
            --p;
        } else {
            while (p > 0) {
                const char c = at(p - 1);
                if (IsDelimiter(c) || c == '\r' || c == '\n') break;
                --p;
            }
        }
        Nav->SetPos(p);
        return;
    }
    if (FVirtualCols > 0) {
        --FVirtualCols;
        return;
    }
    const ParInfo* par = Nav->GetPar();
    const Integer off = Nav->GetOffset();
    const bool skipCodes = FPassOverCodes && FStaticFormat;
    bool onlyCodes = skipCodes;
    for (Integer i = 0; onlyCodes && i < off; ++i) onlyCodes = IsStyleCode(par->Text[i]);
    if ((off == 0 || onlyCodes) && !FBlockSelected && Nav->ParNb > 0) {
        Integer p = par->StartPos - 2;
        if ((FOptions & pmoDiscardTrailingSpaces) != 0) {
            const ParInfo* prev = FParagraphs->At(Nav->ParNb - 1);
            Integer n = prev->Len;
            while (n > 0 && IsBlank(prev->Text[n - 1])) --n;
            p = prev->StartPos + n;
        }
        Nav->SetPos(p);
        return;
    }
    if (off == 0) return;
    // Each style code stepped over costs no key: the step goes on to a character that shows.
    Integer o = off;
    do
        --o;
    while (skipCodes && o > 0 && IsStyleCode(par->Text[o]));
    Nav->SetPos(par->StartPos + o);
}

void TStyleMemo::KeyRight(TStyleNavigator* Nav, TShiftState Shift)
{
    auto at = [this](Integer p) { return Chars(p); };
    if (Shift & ssCtrl) {
        FVirtualCols = 0;
        Integer p = Nav->Pos;
        if (p < FTextLen && at(p) == '\r') {
            p += 2;
        } else {
            while (p < FTextLen) {
                const char c = at(p);
                if (IsDelimiter(c) || c == '\r' || c == '\n') break;
                ++p;
            }
        }
        while (p < FTextLen && IsDelimiter(at(p))) ++p;
        Nav->SetPos(std::min(p, FTextLen));
        return;
    }
    const ParInfo* par = Nav->GetPar();
    const Integer off = Nav->GetOffset();
    const bool atEnd = off >= par->Len;
    if (atEnd && (FBlockSelected || ((FOptions & pmoKeepColumnPos) != 0 && (FOptions & pmoWrapCaret) == 0))) {
        ++FVirtualCols;
        return;
    }
    if (Nav->Pos >= FTextLen) return;
    FVirtualCols = 0;
    Integer o = off;
    if (FStaticFormat && FPassOverCodes)
        while (o < par->Len && IsStyleCode(par->Text[o])) ++o;
    if ((FOptions & pmoDiscardTrailingSpaces) != 0 && !FBlockSelected) {
        Integer b = o;
        while (b < par->Len && IsBlank(par->Text[b])) ++b;
        if (b == par->Len) o = b;
    }
    if (o >= par->Len) {
        Nav->SetPos(std::min(par->StartPos + par->Len + 2, FTextLen));
        return;
    }
    Nav->SetPos(par->StartPos + o + 1);
}

// ---------------------------------------------------------------- deleting keys

void TStyleMemo::SelectRange(Integer Lo, Integer Hi)
{
    const bool block = FBlockSelected;
    SetSelNavs(std::clamp(Lo, 0, FTextLen), std::clamp(Hi, 0, FTextLen), true);
    FBlockSelected = block;
}

Integer TStyleMemo::LeadingBlanks(Integer Line, std::string* Chars)
{
    TStyleNavigator* n = FScratch[8];
    n->SetLineNb(Line);
    ParInfo* par = n->GetPar();
    const LineInfo* line = ParLineAt(par, n->GetParLine());
    Integer i = line->Start;
    while (i < line->Stop && IsBlank(par->Text[i])) ++i;
    if (Chars != nullptr) Chars->assign(par->Text != nullptr ? par->Text + line->Start : "", static_cast<size_t>(i - line->Start));
    return i - line->Start;
}

void TStyleMemo::KeyBackspace(TShiftState Shift)
{
    FRememberedCol = NoColumn;
    if (FSelLength != 0) {
        ClearSelection();
        return;
    }
    TStyleNavigator* n = FScratch[9];
    n->Assign(FAnchor);
    const ParInfo* par = n->GetPar();
    const Integer off = n->GetOffset();
    Integer lo = n->Pos;
    if (Shift & ssCtrl) {
        Integer o = off;
        while (o > 0 && IsDelimiter(par->Text[o - 1])) --o;
        while (o > 0 && !IsDelimiter(par->Text[o - 1])) --o;
        lo = par->StartPos + o;
    } else if (off == 0 && FVirtualCols == 0) {
        if (n->ParNb == 0) return;
        lo = n->Pos - 2;
    } else {
        if ((FOptions & pmoBackIndent) != 0 && FVirtualCols == 0) {
            const Integer line = n->GetLineNb();
            const Integer col = n->GetColNb();
            if (col > 0 && col == LeadingBlanks(line, nullptr)) {
                Integer indent = 0;
                for (Integer l = line - 1; l >= 0; --l) {
                    const Integer b = LeadingBlanks(l, nullptr);
                    if (b < col) {
                        indent = b;
                        break;
                    }
                }
                lo = n->Pos - (col - indent);
            }
        }
        if (lo == n->Pos) {
            if (FVirtualCols > 0) {
                --FVirtualCols;
                UpdateCaret(false);
                return;
            }
            lo = n->Pos - 1;
            auto at = [this](Integer p) { return Chars(p); };
            while (lo > 0 && IsStyleCode(at(lo))) lo -= at(lo - 1) == '\n' ? 2 : 1;
        }
    }
    if (lo >= n->Pos) return;
    SelectRange(lo, n->Pos);
    ClearSelection();
}

void TStyleMemo::KeyDelete(TShiftState Shift)
{
    const bool keep = (FOptions & pmoKeepColumnPos) != 0;
    const Integer rememberedX = FSelLength == 0 && keep ? FCaretX : NoColumn;
    TStyleNavigator* n = FScratch[9];
    if (Shift & ssShift) {
        if (FSelLength != 0) {
            CutToClipboard();
        } else {
            n->Assign(FAnchor);
            const Integer p = n->Pos;
            if (p == 0) return;
            SelectRange(n->GetOffset() == 0 ? p - 2 : p - 1, p);
            if (!PutSelText(std::string())) return;
        }
    } else if (Shift & ssCtrl) {
        if (FSelStartNav->GetLineNb() != FSelStopNav->GetLineNb()) return;
        n->Assign(FSelStartNav);
        const LineInfo* line = ParLineAt(n->GetPar(), n->GetParLine());
        SelectRange(n->Pos, n->Par->StartPos + line->Stop);
        if (!PutSelText(std::string())) return;
    } else if (FSelLength != 0) {
        if (!PutSelText(std::string())) return;
    } else {
        n->Assign(FAnchor);
        const ParInfo* par = n->GetPar();
        Integer o = n->GetOffset();
        if (n->Pos >= FTextLen) return;
        while (o < par->Len && IsStyleCode(par->Text[o])) ++o;
        const Integer hi = o >= par->Len ? par->StartPos + par->Len + 2 : par->StartPos + o + 1;
        SelectRange(n->Pos, std::min(hi, FTextLen));
        if (!PutSelText(std::string())) return;
    }
    if (rememberedX != NoColumn && rememberedX > FCaretX) {
        FVirtualCols = (rememberedX - FCaretX) / std::max(FBlankWidth, 1);
        UpdateCaret(false);
    }
}

// ---------------------------------------------------------------- KeyDown

void TStyleMemo::DisplayOnlyKey(Word& Key, TShiftState Shift)
{
    const Integer maxTop = std::max(FLineCount - FVisibleLines + 1, 0);
    const Integer maxLeft = std::max(FWidestWidth - ClientWidth() + FRightMargin, 0);
    const bool ctrl = (Shift & ssCtrl) != 0;
    const Integer top = TopLine();
    switch (Key) {
    case VK_PRIOR: setTopLine(ctrl ? 0 : std::max(top - 1, 0)); break;
    case VK_UP: setTopLine(std::max(top - 1, 0)); break;
    case VK_NEXT: setTopLine(ctrl ? maxTop : std::min(top + 1, maxTop)); break;
    case VK_DOWN: setTopLine(std::min(top + 1, maxTop)); break;
    case VK_HOME: setDisplayLeft(0); break;
    case VK_END: setDisplayLeft(maxLeft); break;
    case VK_LEFT: setDisplayLeft(std::max(FDisplayLeft - FHScrollUnit, 0)); break;
    case VK_RIGHT: setDisplayLeft(std::min(FDisplayLeft + FHScrollUnit, maxLeft)); break;
    default: return;
    }
    Key = 0;
}

bool TStyleMemo::HotKey(Word Key, TShiftState Shift)
{
    TGuardPtr<TStyleMemo> self(this);
    switch (Key) {
    case 'B': SetBold(); break;
    case 'I': SetItalic(); break;
    case 'U': SetUnderline(); break;
    case 'H': SetHighlight(); break;
    case 'F': SetAltFont(); break;
    case 'T': setSelText("\t"); break;
    case 'P': setSelText("\r\n\x10\r\n"); break;
    case 'Z':
        if (Shift & ssShift)
            Redo();
        else
            Undo();
        break;
    default: return false;
    }
    if (self) UpdateCaret(false);
    return true;
}

void TStyleMemo::KeyDown(Word& Key, TShiftState Shift)
{
    TGuardPtr<TStyleMemo> self(this);
    TCustomControl::KeyDown(Key, Shift);
    if (!self || Key == 0 || FUpdateCount > 0) return;
    if (FDragging) {
        if (Key == VK_CONTROL && !FOutside) Screen->SetCursor(crDragCopy);
        return;
    }
    if (FDisplayOnly) {
        DisplayOnlyKey(Key, Shift);
        return;
    }
    const bool ctrl = (Shift & ssCtrl) != 0;
    const bool alt = (Shift & ssAlt) != 0;
    const bool shift = (Shift & ssShift) != 0;
    if (ctrl && !alt) {
        // The hot key's own change of style or place is what UpdateCaret reports next.
        FReportedAnchor = FAnchor->Pos;
        if (OnStyleChange) FReportedStyle = CurrentStyle();
        if (!FReadOnly && FEnableHotKeys && HotKey(Key, Shift)) {
            Key = 0;
            return;
        }
    }
    if (Key >= 0x30) return;
    const Word key = Key;
    Key = 0;
    EnsureFormatted(FAnchor->GetParNb());
    const Integer caretLine = FAnchor->GetLineNb();
    TStyleNavigator* n = FScratch[9];
    n->Assign(FAnchor);
    if ((Shift & (ssShift | ssAlt | ssCtrl)) == (ssShift | ssAlt) && (FOptions & pmoBlockSelection) != 0 && !FWordWrap &&
        !FBlockSelected && IsArrow(key)) {
        FBlockSelected = true;
        FBlockEdge1 = FBlockEdge2 = BlockEdgeAtCaret();
    }
    if (alt && IsNavigation(key) && !(IsArrow(key) && FBlockSelected)) {
        Key = key;
        return;
    }
    switch (key) {
    case VK_BACK:
        if (FReadOnly) return;
        KeyBackspace(Shift);
        return;
    case VK_TAB:
        if (alt) {
            Key = key;
        } else if (!FReadOnly) {
            setSelText("\t");
        }
        return;
    case VK_DELETE:
        if (!FReadOnly) KeyDelete(Shift);
        return;
    case VK_INSERT:
        if (shift) {
            if (!FReadOnly) PasteFromClipboard();
        } else if (ctrl) {
            CopyToClipboard();
        } else if ((FOptions & pmoInsertKeyActive) != 0) {
            setOverwrite(!FOverwrite);
            if (OnStyleChange) Owe(evStyleChange);
        }
        return;
    case VK_PRIOR: {
        const Integer par = n->GetParNb();
        FormatNow(std::max(par - FVisibleLines + 1, 0), par, false);
        // The page counts lines as a memo broken whole does.
        BreakRowsFromCaret(FVisibleLines - 1, false);
        const Integer line = FAnchor->GetLineNb();
        VerticalMove(n, std::max(line - FVisibleLines + 1, 0), Shift);
        break;
    }
    case VK_NEXT: {
        const Integer par = n->GetParNb();
        FormatNow(par, std::min(par + FVisibleLines - 1, ParCount() - 1), false);
        BreakRowsFromCaret(FVisibleLines - 1, true);
        const Integer line = FAnchor->GetLineNb();
        VerticalMove(n, std::min(line + FVisibleLines - 1, FLineCount - 1), Shift);
        break;
    }
    case VK_UP:
        // On the first line there is nowhere to go; the key stays taken.
        if (caretLine == 0) return;
        // From a paragraph's first line to the last line of the one before, which is known once
        // that one is broken whole.
        BreakRowsFromCaret(1, false);
        VerticalMove(n, FAnchor->GetLineNb() - 1, Shift);
        break;
    case VK_DOWN:
        if (caretLine >= FLineCount - 1) return;
        if (n->GetParLine() == n->Par->LineCount - 1) EnsureFormatted(n->ParNb + 1);
        VerticalMove(n, caretLine + 1, Shift);
        break;
    case VK_HOME:
    case VK_END:
        FBlockSelected = false;
        FVirtualCols = 0;
        FRememberedCol = NoColumn;
        if (ctrl) {
            n->SetPos(key == VK_HOME ? 0 : FTextLen);
        } else {
            const LineInfo* line = ParLineAt(n->GetPar(), n->GetParLine());
            Integer o = line->Start;
            if (key == VK_END) {
                // A wrapped line's end is the next line's start: stop before the blank it ends with.
                o = line->Stop;
                if (n->ParLine < n->Par->LineCount - 1 && o > line->Start && IsBlank(n->Par->Text[o - 1])) --o;
            }
            n->SetPos(n->Par->StartPos + o);
        }
        break;
    case VK_LEFT:
        FRememberedCol = NoColumn;
        if (!shift) FBlockSelected = false;
        if (n->Pos == 0 && FVirtualCols == 0) {
            // Nowhere to go; the key stays taken.
            if (FSelLength != 0 && !shift) {
                MoveCaret(n, false);
                FinishMove();
            }
            return;
        }
        KeyLeft(n, Shift);
        break;
    case VK_RIGHT:
        FRememberedCol = NoColumn;
        if (!shift) FBlockSelected = false;
        KeyRight(n, Shift);
        break;
    default:
        Key = key;
        return;
    }
    MoveCaret(n, shift);
    FinishMove();
    if (shift) OfferPrimarySelection();
}

void TStyleMemo::KeyUp(Word& Key, TShiftState Shift)
{
    FKeyUp = true;
    TGuardPtr<TStyleMemo> self(this);
    TCustomControl::KeyUp(Key, Shift);
    if (self && FDragging && Key == VK_CONTROL && !FOutside) Screen->SetCursor(crDrag);
}

// ---------------------------------------------------------------- KeyPress

void TStyleMemo::KeyEnter()
{
    if (FOverwrite && FSelLength == 0) {
        const Integer line = FAnchor->GetLineNb();
        if (line < FLineCount - 1) {
            setSelLine(line + 1);
            ScrollInView();
        } else {
            setSelStart(FTextLen);
            setSelText("\r\n");
        }
        return;
    }
    if (FSelLength == 0 && (FOptions & pmoAutoIndent) != 0) {
        std::string indent;
        const Integer col = FAnchor->GetColNb() + FVirtualCols;
        for (Integer l = FAnchor->GetLineNb(); l >= 0; --l) {
            TStyleNavigator* n = FScratch[8];
            n->SetLineNb(l);
            const LineInfo* li = ParLineAt(n->GetPar(), n->GetParLine());
            if (li->Stop > li->Start) {
                LeadingBlanks(l, &indent);
                break;
            }
        }
        if (static_cast<Integer>(indent.size()) > col) indent.resize(static_cast<size_t>(col));
        const bool atEnd = FAnchor->GetOffset() >= FAnchor->GetPar()->Len;
        if ((FOptions & pmoDiscardTrailingSpaces) != 0 && atEnd) {
            Integer cols = 0;
            for (const char c : indent) cols += c == '\t' ? FTabStops : 1;
            if (!PutSelText("\r\n")) return;
            FVirtualCols = cols;
            UpdateCaret(false);
        } else {
            setSelText("\r\n" + indent);
        }
        return;
    }
    setSelText("\r\n");
}

void TStyleMemo::TypeChar(char Key)
{
    if (FOverwrite && FSelLength == 0) {
        TStyleNavigator* n = FScratch[9];
        n->Assign(FAnchor);
        if (n->GetOffset() < n->GetPar()->Len) SelectRange(n->Pos, n->Pos + 1);
    }
    if (Key == ' ' && FSelLength == 0 && (FOptions & pmoDiscardTrailingSpaces) != 0 && (FOptions & pmoKeepColumnPos) != 0 &&
        FAnchor->GetOffset() >= FAnchor->GetPar()->Len) {
        ++FVirtualCols;
        UpdateCaret(false);
        return;
    }
    setSelText(std::string(1, Key));
}

void TStyleMemo::KeyPress(char& Key)
{
    TGuardPtr<TStyleMemo> self(this);
    TCustomControl::KeyPress(Key);
    if (!self || Key == 0 || FUpdateCount > 0 || FDragging || FDisplayOnly) return;
    const auto c = static_cast<unsigned char>(Key);
    if (FReadOnly && c != 3) return;
    switch (c) {
    case 3: CopyToClipboard(); break;
    // A repaint only: the store's self-check is a developer's tool, not the user's business.
    case 5: Invalidate(); break;
    case 13: KeyEnter(); break;
    case 22: PasteFromClipboard(); break;
    case 24: CutToClipboard(); break;
    default:
        if (c < 32 || c == 127) return;
        TypeChar(Key);
        break;
    }
    if (!self) return;
    if (FKeyUp)
        FKeyUp = false;
    else
        Update();
}

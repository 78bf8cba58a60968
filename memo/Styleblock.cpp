// TStyleMemo: the column block, a rectangle of the text selected between two character edges
// (pixels from the text's left edge with a window, columns without one) and the paste of lines into
// such a rectangle.
#include <algorithm>

#include "memo/Stylememo.h"
#include "memo/Stylestrings.h"

void TStyleMemo::SelectBlock(Integer Col1, Integer Par1, Integer Par2, Integer Col2)
{
    if (FWordWrap) return;
    EventScope scope(*this);
    Par1 = std::clamp(Par1, 0, ParCount() - 1);
    Par2 = std::clamp(Par2, 0, ParCount() - 1);
    TStyleNavigator* n = FScratch[2];
    // The edge of a character column: where that character border is drawn, and blank widths on
    // past the paragraph's end.
    auto edgeOf = [&](Integer Col) {
        const Integer reached = n->GetColNb();
        if (!BlockInPixels()) return Col;
        const Integer x = ColPos(n->GetPar(), n->ParNb, reached, n->GetParLine()) - FLeftMargin + FDisplayLeft;
        return x + std::max(Col - reached, 0) * std::max(FBlankWidth, 1);
    };
    n->setParNb(Par2);
    n->SetColNb(Col2);
    setSelStart(n->Pos);
    const Integer reached = n->GetColNb();
    const Integer edge2 = edgeOf(Col2);
    n->setParNb(Par1);
    n->SetColNb(Col1);
    const Integer edge1 = edgeOf(Col1);
    setSelLength(n->Pos - SelStart());
    FVirtualCols = std::max(Col2 - reached, 0);
    FBlockSelected = true;
    UpdateCaret(false);
    FBlockEdge1 = edge1;
    FBlockEdge2 = edge2;
}

bool TStyleMemo::BlockInPixels() const { return HandleAllocated() && FLineDC != nullptr; }

Integer TStyleMemo::BlockEdgeAtCaret()
{
    if (BlockInPixels() && FUpdateCount == 0) {
        UpdateCaret(false);
        return FCaretX + FDisplayLeft - FLeftMargin;
    }
    const Integer l = FAnchor->GetParLine();
    const ParInfo* par = FAnchor->Par;
    const Integer off = std::min(FAnchor->Offset, par->Len);
    const Integer col = stylememo::ColumnOf(par, ParLineAt(FAnchor->Par, l)->Start, off, FTabStops, FStaticFormat) + FVirtualCols;
    if (!BlockInPixels()) return col;
    // Inside an update the caret is not placed: the edge is the column's in blank widths.
    return col * std::max(FBlankWidth, 1);
}

void TStyleMemo::InsertBlock(const std::string& Text)
{
    EventScope scope(*this);
    TGuardPtr<TStyleMemo> self(this);
    TStringList lines;
    lines.SetText(Text);
    const Integer edge = BlockEdgeAtCaret();
    const Integer first = FSelStartNav->GetParNb();
    const Integer blank = BlockInPixels() ? std::max(FBlankWidth, 1) : 1;
    FLinesStrings->BeginUpdate();
    try {
        UndoGroup group(*this);
        for (int i = 0; i < lines.Count(); ++i) {
            const Integer p = first + i;
            if (p >= ParCount()) {
                setSelStart(FTextLen);
                if (!EditSel("\r\n")) return;
            }
            setSelPar(p);
            ParInfo* par = FParagraphs->At(p);
            const Integer offset = BlockOffset(par, p, edge);
            setSelCol(offset);
            std::string line = lines.Get(i);
            if (offset >= par->Len) {
                // A short paragraph is filled with blanks up to the column.
                const Integer missing = (edge - BlockEdgeOfEnd(par, p)) / blank;
                if (missing > 0) line.insert(0, static_cast<size_t>(missing), ' ');
            }
            if (!PutSelText(line)) return;
        }
    } catch (...) {
        if (self) FLinesStrings->EndUpdate();
        throw;
    }
    FLinesStrings->EndUpdate();
    if (FUpdateCount == 0) ScrollInView();
}

TRect TStyleMemo::GetColumnBlockXY()
{
    if (!FBlockSelected) return TRect{};
    const Integer unit = BlockInPixels() ? std::max(FBlankWidth, 1) : 1;
    return TRect{std::min(FBlockEdge1, FBlockEdge2) / unit, FSelStartNav->GetLineNb(),
                 std::max(FBlockEdge1, FBlockEdge2) / unit, FSelStopNav->GetLineNb()};
}

std::string TStyleMemo::SelectedBlockText()
{
    if (!FBlockSelected || FSelLength == 0) return std::string();
    const Integer e1 = std::min(FBlockEdge1, FBlockEdge2);
    const Integer e2 = std::max(FBlockEdge1, FBlockEdge2);
    std::string r;
    const Integer last = FSelStopNav->GetParNb();
    for (Integer p = FSelStartNav->GetParNb(); p <= last; ++p) {
        ParInfo* par = FParagraphs->At(p);
        const Integer o1 = BlockOffset(par, p, e1);
        const Integer o2 = BlockOffset(par, p, e2);
        if (o2 > o1) r.append(par->Text + o1, static_cast<size_t>(o2 - o1));
        r += "\r\n";
    }
    return r;
}

// A live position in a memo's text that caches what follows from it: paragraph, offset, display line
// and the dynamic attribute in force. Each cached value is computed on first use and kept while the
// navigator moves forward inside its paragraph; edits of the memo keep every listed navigator valid.
#pragma once

#include <vector>

#include "memo/Stylestore.h"

class TStyleMemo;

class TStyleNavigator : public TObject {
public:
    // AOwner nil: an ownerless navigator; otherwise it must be a TStyleMemo, which lists the
    // navigator, keeps it valid across edits and frees it with itself.
    explicit TStyleNavigator(TComponent* AOwner);
    ~TStyleNavigator() override;

    TNotifyEvent OnFree;
    TStyleMemo* Memo = nullptr;
    Integer Pos = 0;          // absolute position; always valid
    ParInfo* Par = nullptr;   // nil = not known
    Integer ParNb = -1;       // valid when Par is known
    Integer Offset = NotComputed;  // Pos - StartPos; valid when Par is known
    Integer DynNb = NotComputed;   // first attribute whose Offset is not below Offset
    Integer ParLine = NotComputed; // display line inside the paragraph
    TLinesList* Lines = nullptr;   // follows Par; created on first use

    void Invalidate();
    void Assign(const TStyleNavigator* Source);

    Integer GetParNb();
    ParInfo* GetPar();
    Integer GetOffset();
    Integer GetParLine();
    Integer GetLineNb();
    Integer GetColNb();
    Integer GetDynNb();
    char GetText();  // CR at the paragraph end, LF between the CR and the LF of a break
    DynInfoRec* GetpDynInfo();
    void GetDynInfo(DynInfoRec& Rec);
    Integer GetContext();
    TExtFontStyles GetStyle();
    // Copies Count characters from the navigator (breaks as CR LF) and a NUL; does not move.
    void GetTextBuf(char* Buffer, Integer Count);
    TLinesList* GetNavLines();
    // Client coordinates of the navigator's position in its memo's window, and the move to the
    // character border nearest to a client point (below the last line: the end of the text).
    TPoint GetDisplayPos();
    void SetDisplayPos(const TPoint& Point);

    void SetPos(Integer P);
    void setParNb(Integer N);
    void setParOffset(Integer O);
    void SetLineNb(Integer N);
    void SetParLine(Integer N);
    void SetColNb(Integer C);

    void AddDyn(const DynInfoRec& Rec);
    void RemoveDyn();  // "Internal StyleMemo error" when no record stands at the navigator
    void RightOfDyn();
    bool BackToDyn(Integer Limit);
    bool ForwardToDyn(Integer Limit);

    // Points the navigator at paragraph N of its memo with the given offset, dropping the line and
    // attribute indexes (a known position; used by the memo's edit upkeep and formatting).
    void PlaceAt(Integer N, Integer Off);

private:
    friend class TStyleMemo;
    void SetParRec(ParInfo* P, Integer N);
};

// Drops the line and attribute indexes of the navigators that stand after Pos in a paragraph up to
// ParNb: what dynamic attributes or display lines changed behind them.
void InvalidateNavs(const std::vector<TStyleNavigator*>& List, Integer Pos, Integer ParNb);

// TStyleMemo: the rich-text memo. Its text is a list of paragraphs with embedded style codes; every
// change of the text goes through one edit operation, SetSelTextBuf, which records undo and keeps
// the navigators valid. This header holds the text model (store, selection, editing, undo, plain
// text streams, string lists). Formatting, painting and input reach the model only through the
// formatting members grouped below ("formatting seam"); without a window they do the memo's
// no-window work, every paragraph being one display line of width 0.
#pragma once

#include <bitset>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "memo/Stylebase.h"
#include "memo/Stylenav.h"
#include "memo/Stylestore.h"

enum TStyleLineBreak { pbCRLF, pbLFCR, pbCR, pbLF };

// Options, one bit each (the set is stored in 16 bits).
enum TStyleMemoOption : Word {
    pmoKeepColumnPos = 1u << 0,
    pmoPutExtraSpaces = 1u << 1,
    pmoWrapCaret = 1u << 2,
    pmoInsertKeyActive = 1u << 3,
    pmoWideOverwriteCaret = 1u << 4,
    pmoLargeWordSelect = 1u << 5,
    pmoAutoScrollBars = 1u << 6,
    pmoNoDragnDrop = 1u << 7,
    pmoAutoIndent = 1u << 8,
    pmoBackIndent = 1u << 9,
    pmoWindowsSelColors = 1u << 10,
    pmoFullLineSelect = 1u << 11,
    pmoDiscardTrailingSpaces = 1u << 12,
    pmoNoFineScroll = 1u << 13,
    pmoNoLineSelection = 1u << 14,
    pmoBlockSelection = 1u << 15,
};
using TStyleMemoOptions = Word;

enum TUpdateMode { umImmediate, umOnNeed, umBackground };

using TParseEvent = std::function<void(TObject* Sender, Integer StartOffset, Integer StopOffset)>;
// May replace the text about to be inserted (the pointer must stay valid for the edit).
using TpmBeforeChangeEvent = std::function<void(TObject* Sender, const char*& Txt)>;

// One undoable edit: [Start, Stop) is the text the edit inserted, Text what it replaced.
struct TUndoRecord {
    Integer Start = 0;
    Integer Stop = 0;
    bool Chained = false;  // undone and redone together with the record below it
    std::string Text;
    Integer Size = 0;  // what it counts against UndoMaxSpace: 12 + length + 1
};

class TStyleMemoStrings;
class TStyleParaStrings;
class TStyleLinesStrings;

class TStyleMemo : public TStyleMemoBase {
    friend class TStyleNavigator;
    friend class TStyleMemoStrings;
    friend class TStyleParaStrings;
    friend class TStyleLinesStrings;

public:
    // Properties: the getter is named after the property (SelStart(), Paragraphs(Index)), the
    // setter is setX (setSelStart, setParagraphs); operations keep their own names.
    using TDelimiters = std::bitset<256>;

    explicit TStyleMemo(TComponent* AOwner);
    ~TStyleMemo() override;

    // ---- store
    Integer TextLen() const { return FTextLen; }
    Integer ParCount() const { return FParagraphs->Count(); }
    Integer LineCount() const { return FLineCount; }  // display lines
    TParagraphsList* ParList() const { return FParagraphs; }
    const std::vector<TStyleNavigator*>& NavList() const { return FNavList; }
    // Raises "Error n ..." at the first broken invariant of the store.
    void CheckIntegrity();
    Integer ParBackgnd(Integer Index) const;
    void setParBackgnd(Integer Index, Integer Color);
    Integer ParForegnd(Integer Index) const;
    void setParForegnd(Integer Index, Integer Color);

    // ---- selection
    Integer SelStart() const;
    void setSelStart(Integer Value);
    Integer SelLength() const { return FSelLength; }
    void setSelLength(Integer Value);
    std::string SelText();
    void setSelText(const std::string& Value);
    void ClearSelection() { setSelText(std::string()); }
    void SelectAll();
    Integer GetSelTextBuf(char* Buffer, Integer BufSize);
    Integer SelPar();
    void setSelPar(Integer P);
    Integer SelLine();
    void setSelLine(Integer L);
    Integer SelCol();
    void setSelCol(Integer C);
    Integer GetSelContext();
    void SelectWord(bool ToWordEnd);
    void SelectBlock(Integer Col1, Integer Par1, Integer Par2, Integer Col2);
    // Inserts the lines of Text one below the other, each at the caret's display column of the
    // paragraph it goes into (a short paragraph is filled with blanks up to that column).
    void InsertBlock(const std::string& Text);
    bool BlockSelected() const { return FBlockSelected; }
    TRect GetColumnBlockXY();
    std::string SelectedBlockText();
    TStyleNavigator* SelStartNav() const { return FSelStartNav; }
    TStyleNavigator* SelStopNav() const { return FSelStopNav; }
    TStyleNavigator* Anchor() const { return FAnchor; }

    // ---- the one edit operation: replaces the selection by Txt (nil or empty deletes)
    virtual void SetSelTextBuf(const char* Txt);

    // ---- whole text and parts
    Integer GetTextBuf(char* Buffer, Integer BufSize);
    void SetTextBuf(const char* Buffer);
    void Clear();
    std::string GetTextPart(Integer Start, Integer Stop);
    char* GetTextPartBuf(Integer Start, Integer Stop);  // new[]; nil when Start > Stop
    char Chars(Integer Index);
    std::string Paragraphs(Integer Index);
    void setParagraphs(Integer Index, const std::string& Text);
    char* ParsBuf(Integer Index);  // new[]
    void setParsBuf(Integer Index, const char* Text);
    Integer ParsOffset(Integer Index);
    std::string Lines(Integer Index);
    char* LinesBuf(Integer Index);  // new[]; nil out of range
    std::string CurrentWord();
    bool FindTxt(const std::string& Text, bool Forward, bool MatchCase, bool WholeWord);
    std::string DynText(Integer Start, Integer Stop);

    // ---- undo and redo
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    void ClearUndo();
    void RemoveUndo(Integer Index);
    Integer UndoCount() const { return static_cast<Integer>(FUndoList.size()); }
    const TUndoRecord& UndoList(Integer Index) const;
    Integer UndoLevel() const { return FUndoLevel; }
    Integer UndoBytes() const { return FUndoBytes; }
    Integer UndoMaxLevel() const { return FUndoMaxLevel; }
    void setUndoMaxLevel(Integer Value);
    Integer UndoMaxSpace() const { return FUndoMaxSpace; }
    void setUndoMaxSpace(Integer Value);

    // ---- static styles
    void SetBold() { SetSelAttrib(scBold); }
    void SetItalic() { SetSelAttrib(scItalic); }
    void SetUnderline() { SetSelAttrib(scUnderline); }
    void SetHighlight() { SetSelAttrib(scHighlight); }
    void SetAltFont() { SetSelAttrib(scAltFont); }
    void SetSelAttrib(char Code);
    // The style at the caret: its static codes and the dynamic attribute in force there.
    TExtFontStyles CurrentStyle();
    // The style of a run: the static set applied to the font's style, unless the dynamic style
    // (bit 7 of its low byte) replaces it.
    TExtFontStyles AttrToExtFontStyles(TExtFontStyles Static, Word DynStyle) const;

    // ---- plain text streams
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);

    // ---- string lists
    TStrings* Lines() const;
    void setLines(TStrings* Value);
    TStrings* Paragraphs() const;

    // ---- properties of the text model
    TStyleMemoOptions Options() const { return FOptions; }
    void setOptions(TStyleMemoOptions Value);
    bool StaticFormat() const { return FStaticFormat; }
    void setStaticFormat(bool Value);
    TStyleLineBreak LineBreak() const { return FLineBreak; }
    void setLineBreak(TStyleLineBreak Value) { FLineBreak = Value; }
    char NullReplacement() const { return FNullReplacement; }
    void setNullReplacement(char Value) { FNullReplacement = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void setReadOnly(bool Value) { FReadOnly = Value; }
    const TDelimiters& Delimiters() const { return FDelimiters; }
    void setDelimiters(const TDelimiters& Value);
    std::string Separators() const;
    void setSeparators(const std::string& Value);
    TpmUpperCase UpperCaseType() const { return FUpperCaseType; }
    void setUpperCaseType(TpmUpperCase Value) { FUpperCaseType = Value; }
    TUpdateMode UpdateMode() const { return FUpdateMode; }
    void setUpdateMode(TUpdateMode Value);
    Integer TabStops() const { return FTabStops; }
    void setTabStops(Integer Value);
    bool WordWrap() const { return FWordWrap; }
    void setWordWrap(bool Value);
    bool Modified() const { return FModified; }
    void setModified(bool Value) { FModified = Value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnProgress;
    TParseEvent OnParse;
    TpmBeforeChangeEvent OnBeforeChange;

    // ---- formatting seam: what the model asks of formatting, painting and the window.
    // Records paragraphs whose display lines an edit invalidated.
    void ExtendMods(Integer FirstPar, Integer LineInPar, Integer LastPar);
    // Marks every paragraph for formatting (formats at once only with a window or a printing canvas).
    void Reformat();
    void FormatNow(Integer First, Integer Last, bool Force);
    // After edits: formats the modified range and calls Change.
    void ReformatEditedRange();
    void ParseStartStopNow(Integer Par);
    void InvalidateLines(Integer FirstLine, Integer LastLine, bool Erase);
    void UpdateCaret(bool Recreate);
    void ScrollInView();

protected:
    // Breaks one paragraph into display lines from its line FirstLine on (out: the first changed
    // line); LastLine out: the last changed line. Without a window: one line of width 0.
    virtual void ReformatPar(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool WholePar);
    virtual void Change();
    virtual void ApplyKeywordsList(TStyleNavigator* StartNav, TStyleNavigator* StopNav);
    virtual void ApplyStartStopKeyList(TStyleNavigator* StartNav, TStyleNavigator* StopNav);

    // The display column InsertBlock puts its lines at: the window control measures the caret's
    // pixel position; the model counts columns (TAB to the next stop, style codes of no width).
    virtual Integer BlockColumnAtCaret();

    // Replaces lines FirstLine .. LastLine of a paragraph by n new ones, keeping the memo's
    // display-line count; for formatters.
    void SpliceLines(ParInfo* Par, Integer FirstLine, Integer LastLine, const LineInfo* NewLines, Integer n);
    // Marks a paragraph formatted and shrinks its attribute array, as every formatter does first.
    void BeginFormatPar(ParInfo* Par, Integer ParNb);

    // Store operations.
    void InitParagraphs();
    void ClearAll();
    void ReplaceNulls(char* Buffer, Integer n);

    // Update nesting of the memo (the string lists' BeginUpdate/EndUpdate count here).
    void EnterUpdate() { ++FUpdateCount; }
    void LeaveUpdate();
    Integer UpdateCount() const { return FUpdateCount; }

    // The longest paragraph an edit may make; derived test memos lower it.
    Integer FMaxParLen = MaxParLength;

private:
    struct Piece {
        const char* Text;
        Integer Len;
    };
    // Sets a flag for the length of a scope and puts the old value back, also when an edit raises.
    class FlagScope {
    public:
        FlagScope(bool& Flag, bool Value) : FFlag(Flag), FOld(Flag) { Flag = Value; }
        ~FlagScope() { FFlag = FOld; }
        FlagScope(const FlagScope&) = delete;
        FlagScope& operator=(const FlagScope&) = delete;

    private:
        bool& FFlag;
        bool FOld;
    };
    // A copy of the selection kept up to date across edits by two listed navigators.
    struct SavedSelection {
        TStyleNavigator* Lo = nullptr;
        TStyleNavigator* Hi = nullptr;
        bool AnchorLo = true;
        SavedSelection() = default;
        SavedSelection(const SavedSelection&) = delete;
        SavedSelection& operator=(const SavedSelection&) = delete;
        ~SavedSelection()
        {
            delete Lo;
            delete Hi;
        }
    };

    void AttachNav(TStyleNavigator* Nav) { FNavList.push_back(Nav); }
    void DetachNav(TStyleNavigator* Nav);
    void SetSelNavs(Integer Lo, Integer Hi, bool AnchorAtLo);
    Integer NormaliseLow(TStyleNavigator* Nav);
    Integer NormaliseHigh(TStyleNavigator* Nav);
    // A position between the CR and the LF of a break moved before the break, or with Up after it.
    Integer OutOfBreak(Integer Pos, bool Up);
    // The selection as every operation reads it: an end inside a break takes the whole break.
    void SelBounds(Integer& Lo, Integer& Hi);
    std::unique_ptr<SavedSelection> SaveSelection();
    void RestoreSelection(std::unique_ptr<SavedSelection> Saved);
    void RecordUndo(Integer Start, Integer InsLen, const std::string& Replaced, Integer Anchor);
    void TrimUndoSpace(bool KeepNewest);
    Integer NewestGroupSize() const;
    void RemoveOldestGroup();
    void RemoveNewestGroup();
    void Splice(Integer S, Integer E, const std::vector<Piece>& Pieces, const std::string& Closing,
                TExtFontStyles StyleAtStart);
    void CleanCodePairs(Integer FirstPar, Integer LastPar, Integer& Caret);
    void ReloadStartStyles();
    void StripTrailingSpaces();
    void FormatUpToLine(Integer Line);
    std::string UpperCased(const std::string& S) const;
    bool IsDelimiter(char C) const { return FDelimiters.test(static_cast<unsigned char>(C)); }
    void LoadText(const char* Text, size_t Len);
    void AppendParagraph(const char* Text, Integer Len, TExtFontStyles StartStyle, DynInfoRec* Context);

    TParagraphsList* FParagraphs = nullptr;
    Integer FTextLen = 0;
    Integer FLineCount = 0;
    std::vector<TStyleNavigator*> FNavList;
    TStyleNavigator* FSelStartNav = nullptr;
    TStyleNavigator* FSelStopNav = nullptr;
    TStyleNavigator* FAnchor = nullptr;  // one of the two selection navigators; the caret
    TStyleNavigator* FTopNav = nullptr;
    TStyleNavigator* FFormatNav = nullptr;
    TStyleNavigator* FScratch[10] = {};
    Integer FSelLength = 0;

    TStyleMemoStrings* FParaStrings = nullptr;
    TStyleMemoStrings* FLinesStrings = nullptr;

    TStyleMemoOptions FOptions = 0;
    bool FStaticFormat = true;
    TStyleLineBreak FLineBreak = pbCRLF;
    char FNullReplacement = '\0';
    bool FReadOnly = false;
    TDelimiters FDelimiters;
    TpmUpperCase FUpperCaseType = pmuAscii;
    TUpdateMode FUpdateMode = umBackground;
    Integer FTabStops = 8;
    bool FWordWrap = true;
    bool FModified = false;

    // Editing state.
    Integer FUpdateCount = 0;
    Integer FVirtualCols = 0;
    Integer FRememberedCol = static_cast<Integer>(0x80000000u);
    bool FSelMoved = false;
    bool FBlockSelected = false;
    Integer FBlockCol1 = 0;
    Integer FBlockCol2 = 0;
    bool FNoCompensation = false;
    bool FCleaning = false;
    bool FLocalEdit = false;

    // Undo.
    std::deque<std::unique_ptr<TUndoRecord>> FUndoList;
    Integer FUndoLevel = 0;
    Integer FUndoBytes = 0;
    Integer FUndoMaxLevel = 256;
    Integer FUndoMaxSpace = 65536;
    bool FChainNext = false;  // the next record goes with the one below it
    bool FUndoRedoRunning = false;
    bool FUndoRunning = false;

    // Formatting bookkeeping.
    Integer FModFirstPar = 0;
    Integer FModFirstLine = 0;
    Integer FModLastPar = -1;
    Integer FModLinesAdded = 0;
    Integer FPendingFirst = 0;
    Integer FPendingLast = -1;
    Integer FParsedIndex = -1;
    bool FFormatting = false;

    // Shared by every memo: the pieces of the text being inserted, and three navigators without
    // owner that an operation borrows for the length of a call.
    static int FMemoCount;
    static TParagraphsList* FScratchPars;
    static TStyleNavigator* FClassNavs[3];
};

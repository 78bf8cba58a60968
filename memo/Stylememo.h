// TStyleMemo: the rich-text memo control. Its text is a list of paragraphs with embedded style
// codes; every change of the text goes through one edit operation, SetSelTextBuf, which records
// undo and keeps the navigators valid. The text model (store, selection, editing, undo, plain text
// streams, string lists) reaches the window only through the view seam below: a few virtual members
// that say which display lines changed, which to repaint, where the caret went and that the caret
// wants to be seen. Without a window the model measures nothing: every paragraph is one display
// line of width 0.
#pragma once

#include <bitset>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "memo/Stylenav.h"
#include "memo/Stylestore.h"
#include "platform/Controls.h"
#include "platform/Guard.h"

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
using TContextEvent = std::function<void(TObject* Sender, Integer Context, Integer StartOffset, Integer StopOffset)>;
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
class TKeywordList;
class TStartStopKeyList;
class TStyleHighlighter;
class TStyleLinesStrings;

class TPicture;
class TPen;
class TPopupMenu;
class TMenuItem;

// Where the mouse, held outside the window during a selection, scrolls the text.
enum TMouseScrollType { msNoScroll, msUp, msDown, msLeft, msRight };

// The memo's own cursors: an arrow pointing right over the left margin, and the drag cursor with a
// plus while a dragged text would be copied.
constexpr TCursor crPMRightArrow = 1101;
constexpr TCursor crDragCopy = 1102;

// The registered clipboard format a column block travels under beside its plain text.
UINT BlockClipboardFormat();

// The memo's own window messages.
constexpr UINT PM_UPDATEBKG = WM_USER + 1;  // a background formatting slice
constexpr UINT PM_VSCROLLED = WM_USER + 2;  // the vertical origin moved
constexpr UINT PM_LCONTEXT = WM_USER + 3;   // a span with a context value clicked, left button
constexpr UINT PM_SELMOVED = WM_USER + 4;   // the selection moved
constexpr UINT PM_RCONTEXT = WM_USER + 5;   // the same, right button
constexpr UINT PM_FLUSHVIEW = WM_USER + 6;  // scroll the picture as far as the view moved
constexpr UINT PM_PRIMARY = WM_USER + 7;    // the user's selection goes to the primary selection
constexpr UINT PM_EVENTS = WM_USER + 8;     // events owed by a change no operation of the memo enclosed
// The operation value notification clients receive with every window message of the memo.
constexpr int opMemoMessage = 64;
// Milliseconds between two progress reports.
extern Integer ProgressInterval;
// Runs of text (between blanks, style codes and attribute boundaries) longer than this are measured
// character by character.
constexpr Integer HugeRun = 1024;

class TStyleMemo : public TCustomControl {
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
    // ---- RTF (DynStyles: with the dynamic styles of highlighting and of code) and the native dump
    void SaveToRTFStream(TStream* Stream, bool DynStyles);
    virtual void SaveToNativeStream(TStream* Stream);
    // Refuses a damaged dump with EReadError and leaves the memo as it was (the stream too).
    virtual void LoadFromNativeStream(TStream* Stream, bool Reformat);

    // ---- highlighting
    TKeywordList* Keywords() const { return FKeywords; }
    void setKeywords(TKeywordList* Value);
    TStartStopKeyList* StartStopKeys() const { return FStartStopKeys; }
    void setStartStopKeys(TStartStopKeyList* Value);
    TStyleHighlighter* Highlighter() const { return FHighlighter; }
    void setHighlighter(TStyleHighlighter* Value);
    // The memo's own searches over the paragraphs of a range (the bodies of ApplyKeywordsList and
    // ApplyStartStopKeyList, without the highlighter's part).
    void ApplyKeywordsRange(TStyleNavigator* StartNav, TStyleNavigator* StopNav);
    void ApplyStartStopKeysRange(TStyleNavigator* StartNav, TStyleNavigator* StopNav);

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
    void setUpperCaseType(TpmUpperCase Value);
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

    // ---- properties of the control
    TAlignment Alignment() const { return FAlignment; }
    void setAlignment(TAlignment Value);
    bool Justified() const { return FJustified; }
    void setJustified(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void setBorderStyle(TBorderStyle Value);
    bool HideSelection() const { return FHideSelection; }
    void setHideSelection(bool Value);
    TScrollStyle ScrollBars() const;
    void setScrollBars(TScrollStyle Value);
    bool WantTabs() const { return FWantTabs; }
    void setWantTabs(bool Value) { FWantTabs = Value; }
    TFont* AltFont() const { return FAltFont.get(); }
    void setfAltFont(TFont* Value);
    bool ApplyKeyWords() const { return FApplyKeyWords; }
    void setApplyKeywords(bool Value) { FApplyKeyWords = Value; }
    bool ApplyStartStopKeys() const { return FApplyStartStopKeys; }
    void setApplyStartStopKeys(bool Value) { FApplyStartStopKeys = Value; }
    TPicture* BackgroundBmp() const { return FBackgroundBmp.get(); }
    void setBackground(TPicture* Value);
    Integer CaretWidth() const { return FCaretWidth; }
    void setCaretWidth(Integer Value);
    bool DisplayOnly() const { return FDisplayOnly; }
    void setDisplayOnly(bool Value);
    bool EnableHotKeys() const { return FEnableHotKeys; }
    void setEnableHotKeys(bool Value) { FEnableHotKeys = Value; }
    TPen* EndOfTextMark() const { return FEndOfTextMark.get(); }
    void setEndOfTextMark(TPen* Value);
    TPen* SpecUnderline() const { return FSpecUnderline.get(); }
    void setSpecUnderline(TPen* Value);
    TColor HighlightBackgnd() const { return FHighlightBackgnd; }
    void setHBColor(TColor Value);
    TColor HighlightColor() const { return FHighlightColor; }
    void setHTColor(TColor Value);
    Integer LeftMargin() const { return FLeftMargin; }
    void setLeftMargin(Integer Value);
    Integer RightMargin() const { return FRightMargin; }
    void setRightMargin(Integer Value);
    // 0 while automatic (derived from the font); setting 0 or less makes it automatic again.
    Integer LineHeight() const { return FLineHeight; }
    void setLineHeight(Integer Value);
    Integer MouseWheelFactor() const { return FMouseWheelFactor; }
    void setMouseWheelFactor(Integer Value) { FMouseWheelFactor = Value; }
    bool Overwrite() const { return FOverwrite; }
    void setOverwrite(bool Value);
    bool PassOverCodes() const { return FPassOverCodes; }
    void setPassOverCodes(bool Value) { FPassOverCodes = Value; }
    TColor SelBackColor() const { return FSelBackColor; }
    void setSelBackColor(TColor Value);
    TColor SelTextColor() const { return FSelTextColor; }
    void setSelTextColor(TColor Value);
    bool ShowEndParSelected() const { return FShowEndParSelected; }
    void setShowEndParSelected(bool Value);

    TNotifyEvent OnStyleChange;
    TNotifyEvent OnSelMove;
    TNotifyEvent OnHScroll;
    TNotifyEvent OnVScroll;
    TContextEvent OnContext;
    TMouseEvent OnAfterMouseDown;

    // ---- dynamic styles
    void SetDynStyle(Integer Start, Integer Stop, TFontStyles Style, bool Flag, Integer Context, TCursor Cursor,
                     TColor BackColor, TColor TextColor);
    virtual void SetDynStyleP(TStyleNavigator* StartNav, TStyleNavigator* StopNav, const DynInfoRec& Attr, bool Apply,
                              bool Extend);
    void ClearStyle(Integer Pos);
    void ClearStyleRange(Integer Start, Integer Stop);
    void SetDynText(Integer Start, Integer Stop, const std::string& Value);
    void ReApplyKeywords();

    // ---- positions, caret and view origin
    virtual Integer LinePos(Integer Row);
    virtual Integer LineNb(Integer Y);
    virtual Integer ColPos(ParInfo* Par, Integer ParNb, Integer Col, Integer LineInPar);
    virtual Integer ColNb(ParInfo* Par, Integer ParNb, Integer LineInPar, Integer X, bool Flag);
    Integer GetPar(Integer Pos);
    Integer GetCaretWidth();
    void PlaceCaret();
    Integer TopLine();
    void setTopLine(Integer Value);
    Integer TopOrigin() const { return FTopOrigin; }
    void setTopOrigin(Integer Value) { SetTopLeft(Value, FDisplayLeft); }
    Integer DisplayLeft() const { return FDisplayLeft; }
    void setDisplayLeft(Integer Value) { SetTopLeft(FTopOrigin, Value); }
    void SetTopLeft(Integer Top, Integer Left);
    // The caret's client position and the line height the view works with.
    TPoint CaretXY() const { return TPoint{FCaretX, FCaretY}; }
    Integer RowHeight() const { return FRowHeight; }
    Integer BlankWidth() const { return FBlankWidth; }
    Integer VisibleLines() const { return FVisibleLines; }
    Integer TextOutChunk() const { return FChunkLen; }
    // Formats and draws the text on another canvas (printing); nil formats for the window again.
    void FormatText(TCanvas* Canvas, Integer Width);
    void DrawLines(Integer FirstLine, Integer LastLine, TCanvas* Canvas, TPoint Origin, float Scale);
    void DrawLine(Integer Line, TCanvas* Canvas, TPoint Origin) { DrawLines(Line, Line, Canvas, Origin, 0); }
    // The pixel extent of the widest display line (kept while WordWrap is off).
    Integer WidestWidth() const { return FWidestWidth; }

    // ---- formatting
    // Marks every paragraph for formatting; formats now, later or in the background by UpdateMode.
    void Reformat();
    void FormatNow(Integer First, Integer Last, bool Force);
    // After edits: formats the modified range, tells the view which lines changed, calls Change.
    void ReformatEditedRange();
    void FormatInBackground(TMessage& Message);
    void ParseStartStopNow(Integer Par);
    void RefreshDisplay();
    bool BackgroundPosted() const { return FPosted; }
    Integer Progress() const { return FProgress; }
    // Records paragraphs whose display lines an edit invalidated.
    void ExtendMods(Integer FirstPar, Integer LineInPar, Integer LastPar);

    // ---- the view seam: what the text model tells its view. The control repaints, scrolls and
    // moves the caret; a test view records the calls.
    // Display lines FirstLine .. LastLine (numbered after the change) were re-broken; Delta lines
    // were added behind them (negative: removed). Called once per reformat of an edited range.
    virtual void LinesChanged(Integer FirstLine, Integer LastLine, Integer Delta);
    virtual void InvalidateLines(Integer FirstLine, Integer LastLine, bool Erase);
    virtual void UpdateCaret(bool Recreate);
    virtual void ScrollInView();

    // ---- keyboard, mouse, clipboard and the default popup menu
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // The desktop's primary selection: text the user selects is offered to other programs (once
    // the gesture's messages have run); a middle click pastes it at the pointer.
    void OfferPrimarySelection();
    void PastePrimarySelection();
    // The memo's own popup menu (made on the first right click without a PopupMenu); nil before.
    TPopupMenu* DefaultPopup() const { return FDefaultPopup; }
    void CreatePopupMenu();
    void PopupClickHandler(TObject* Sender);
    Integer VirtualColumns() const { return FVirtualCols; }
    // The remembered x of vertical moves; 0x80000000 when none.
    Integer KeptColumn() const { return FRememberedCol; }
    TMouseScrollType AutoScrollDirection() const { return FScrollDir; }
    // Milliseconds between two auto-scroll steps while one runs, else -1.
    Integer AutoScrollInterval() const { return FScrollTimerMs; }
    bool Dragging() const { return FDragging; }

    // ---- window
    // Components that see every window message of the memo (Notification with opMemoMessage).
    void AddNotificationClient(TComponent* Client);
    void RemoveNotificationClient(TComponent* Client);
    const TMessage& LastMessage() const { return FLastMessage; }
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    // Both also settle a scroll of the picture that is still owed.
    void Invalidate() override;
    void Update() override;
    void setVScrollParams();
    void setHScrollParams();
    Integer VScrollUnit() const { return FVScrollUnit; }
    Integer HScrollUnit() const { return FHScrollUnit; }
    // The style of a run: the font it is drawn with.
    void SetupLogFontStyle(LOGFONT& LogFont, TExtFontStyles Style);
    // The upper-cased Len characters of a paragraph from Start (the memo caches the paragraph's
    // upper-cased text around the last request; each caller gets a copy of its own).
    std::string GetUpText(ParInfo* Par, Integer ParNb, Integer Start, Integer Len);

protected:
    // Breaks one paragraph into display lines from its line FirstLine on (out: the first changed
    // line); LastLine out: the last changed line. Without a window: one line of width 0.
    virtual void ReformatPar(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool WholePar);
    virtual void Change();
    virtual void ApplyKeywordsList(TStyleNavigator* StartNav, TStyleNavigator* StopNav);
    virtual void ApplyStartStopKeyList(TStyleNavigator* StartNav, TStyleNavigator* StopNav);

    // The column InsertBlock puts its lines at, as a block edge (see FBlockEdge1).
    virtual Integer BlockEdgeAtCaret();
    // The paragraph offset a block edge stands at: the characters before it are those that reach
    // no further than the edge (a TAB or character that would carry beyond it is not passed).
    Integer BlockOffset(ParInfo* Par, Integer ParNb, Integer Edge);
    // The block edge of the end of a paragraph's first line.
    Integer BlockEdgeOfEnd(ParInfo* Par, Integer ParNb);

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

    // Window.
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void DestroyWindowHandle() override;
    void FontChanged() override;
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void WMVScroll(TMessage& Message);
    void WMHScroll(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void WMSize(TMessage& Message);
    void PMUpdateBkg(TMessage& Message) { FormatInBackground(Message); }
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void WMSetCursor(TMessage& Message);
    void WMMouseWheel(TMessage& Message);
    void WMTimer(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void PMPrimary(TMessage& Message);
    void WMCaptureChanged(TMessage& Message);
    // The clipboard and undo messages: user paths, refused by a memo the user may not edit.
    void WMCut(TMessage& Message);
    void WMCopy(TMessage& Message);
    void WMPaste(TMessage& Message);
    void WMUndo(TMessage& Message);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

    // The context the formatter measures with (0 without a window) and its width.
    HDC FormatDC() const { return FFmtDC; }
    Integer FormatWidth() const { return FFmtWidth; }
    // Breaks one paragraph into display lines with the font of every style run.
    void FormatParagraph(ParInfo* Par, Integer ParNb, Integer& FirstLine, Integer& LastLine, bool WholePar);

private:
    void ApplyDynRange(Integer Start, Integer Stop, const DynInfoRec& Rec, bool Set);
    void ResetStateAfterLoad();
    struct Piece {
        const char* Text;
        Integer Len;
    };
    // Sets a flag for the length of a scope and puts the old value back, also when an edit raises;
    // not when a handler freed the memo meanwhile.
    class FlagScope {
    public:
        FlagScope(TStyleMemo& Memo, bool& Flag, bool Value) : FMemo(&Memo), FFlag(Flag), FOld(Flag) { Flag = Value; }
        ~FlagScope()
        {
            if (FMemo) FFlag = FOld;
        }
        FlagScope(const FlagScope&) = delete;
        FlagScope& operator=(const FlagScope&) = delete;

    private:
        TGuardPtr<TStyleMemo> FMemo;
        bool& FFlag;
        bool FOld;
    };
    // An undo group for the length of a scope (groups nest into the outermost).
    class UndoGroup {
    public:
        explicit UndoGroup(TStyleMemo& Memo) : FMemo(&Memo)
        {
            if (Memo.FUndoGroupDepth++ == 0) Memo.FUndoGroupRecords = 0;
        }
        ~UndoGroup()
        {
            if (FMemo) --FMemo->FUndoGroupDepth;
        }
        UndoGroup(const UndoGroup&) = delete;
        UndoGroup& operator=(const UndoGroup&) = delete;

    private:
        TGuardPtr<TStyleMemo> FMemo;
    };
    // A copy of the selection kept up to date across edits by two listed navigators (which a memo
    // freed meanwhile has freed with it).
    struct SavedSelection {
        TGuardPtr<TStyleMemo> Memo;
        TStyleNavigator* Lo = nullptr;
        TStyleNavigator* Hi = nullptr;
        bool AnchorLo = true;
        SavedSelection() = default;
        SavedSelection(const SavedSelection&) = delete;
        SavedSelection& operator=(const SavedSelection&) = delete;
        ~SavedSelection()
        {
            if (!Memo) return;
            delete Lo;
            delete Hi;
        }
    };
    // The memo's own operations, from a public call or a window message to its end: the events
    // they owe (the text, the caret, the view and the progress changed) are raised when the
    // outermost one ends, when nothing of the memo is walked any more, so that their handlers may
    // free the memo. Events that must come in the middle (OnBeforeChange, OnParse, OnProgress
    // while reading, the inherited input events) are raised where they happen, and what raised
    // them looks whether the memo is still there.
    class EventScope {
    public:
        // Posted: a step of the platform's own work that goes on with the memo after it (making the
        // window while parenting or showing it): what it owes comes by a message.
        explicit EventScope(TStyleMemo& Memo, bool Posted = false);
        ~EventScope() noexcept(false);
        EventScope(const EventScope&) = delete;
        EventScope& operator=(const EventScope&) = delete;

    private:
        TGuardPtr<TStyleMemo> FMemo;
        int FExceptions;
        bool FPosted;
    };
    enum OwedEvent : unsigned {
        evProgress = 1u << 0,
        evChange = 1u << 1,
        evSelMove = 1u << 2,
        evStyleChange = 1u << 3,
        evHScroll = 1u << 4,
        evVScroll = 1u << 5,
    };
    // Owes events: raised at the end of the outermost operation under way; with none under way, by
    // a message of their own (at once without a window).
    void Owe(unsigned Events);
    // Leaves what is owed, and Events, to a message of their own (at once without a window).
    void PostOwed(unsigned Events);
    void RaiseOwed();
    unsigned FOwedEvents = 0;
    unsigned FPostedEvents = 0;
    Integer FEventDepth = 0;
    bool FEventsPosted = false;
    // The edit operation through its virtual entry, and setSelText: whether the memo is still there.
    bool EditSel(const char* Txt);
    bool PutSelText(const std::string& Value);

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
    bool CleanCodePairs(Integer FirstPar, Integer LastPar, Integer& Caret);
    void ReloadStartStyles();
    void StripTrailingSpaces();
    std::string UpperCased(const std::string& S) const;
    bool IsDelimiter(char C) const { return FDelimiters.test(static_cast<unsigned char>(C)); }
    void LoadText(const char* Text, size_t Len);
    class StartStopPass;
    // Whether any search may find something: keywords or start/stop keys switched on and present,
    // or a highlighter.
    bool Highlights() const;
    void RehighlightEdited(Integer ParNb);
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
    TKeywordList* FKeywords = nullptr;
    TStartStopKeyList* FStartStopKeys = nullptr;
    TStyleHighlighter* FHighlighter = nullptr;

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
    // A column block's edges: pixels from the text's left edge while the window measures (so that
    // what is painted selected in a proportional font is what copy and delete take), display
    // columns without one. Edge 1 is where the block began, edge 2 where the caret is.
    Integer FBlockEdge1 = 0;
    Integer FBlockEdge2 = 0;
    // Edits of one user action (a block deleted or pasted) are one undo step: while a group is
    // open, every record after its first is chained to the one below.
    Integer FUndoGroupDepth = 0;
    Integer FUndoGroupRecords = 0;
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

    // The pieces of the text being inserted, and three navigators without owner that an operation
    // borrows for the length of a call. Each memo has its own, so that a handler of one memo may
    // edit another in the middle of an edit.
    TParagraphsList* FScratchPars = nullptr;
    TStyleNavigator* FClassNavs[3] = {};

    // ---- the control
    struct FontSlot {
        HFONT Font = nullptr;
        Integer Blank = 1;
        Integer Overhang = 0;
        std::vector<Integer> Widths;  // of each byte measured alone; made on first use
    };
    // Formatter and painter: the style fonts, made on first use, one per style set.
    FontSlot& StyleFont(TExtFontStyles Style);
    void FreeStyleFonts();
    void SelectStyleFont(TExtFontStyles Style);
    Integer MeasureText(const char* Text, Integer Len);
    // The width of each byte measured alone in the formatter's current font; nil while another
    // canvas (a printer's) is measured with.
    const Integer* CharWidths();
    // A run of text longer than HugeRun characters (up to a blank, a TAB or a style code) is
    // measured as the sum of its characters' widths, by the formatter, the caret and the painter
    // alike. The widths of such a run are kept as running sums every RunStep characters, so that
    // the width up to any place in a line of megabytes, or the place a width reaches, costs no more
    // than in a short line.
    struct RunWidths {
        const ParInfo* Par = nullptr;
        Integer Stamp = -1;
        const FontSlot* Slot = nullptr;
        bool Static = true;
        Integer Start = 0;          // the first character measured
        Integer End = 0;            // the first blank, TAB or style code after it, or the paragraph's end
        std::vector<Integer> Sums;  // Sums[i]: the width of Start .. Start + i * RunStep
    };
    static constexpr Integer RunStep = 32;
    // The run that Pos lies in, measured with the formatter's current font; nil while another
    // canvas is measured with.
    const RunWidths* RunAt(ParInfo* Par, Integer Pos);
    // The same when its widths are kept already; nil otherwise.
    const RunWidths* FindRun(const ParInfo* Par, Integer Pos) const;
    // The width of From .. To inside a run.
    Integer RunWidth(const RunWidths& R, Integer From, Integer To);
    // The farthest place To (up to the run's end) such that From .. To is no wider than Room.
    Integer RunReach(const RunWidths& R, Integer From, Integer Room);
    void BeginMeasuring();
    void EndMeasuring();
    void NextDynRun(ParInfo* Par, Integer Position, Integer& DynIndex, const DynInfoRec*& Attr, TExtFontStyles Static,
                    TExtFontStyles& Effective, Integer& Boundary);
    void FormatUpToLine(Integer Line);
    // Breaks the not yet broken lines of a paragraph until its line UpTo (counted inside it) and
    // the line holding its character Offset are broken, with what that moves in the view.
    void BreakProvisional(Integer ParNb, Integer UpTo, Integer Offset = -1);
    // Breaks the lines a move of Rows display lines from the caret passes over, up or down, so
    // that they count as in a memo broken whole: up, the paragraphs before the caret's whole; down,
    // as far as the move reaches.
    void BreakRowsFromCaret(Integer Rows, bool Down);
    // Places N on display line Line with that line broken for the text as it is.
    void PlaceOnBrokenLine(TStyleNavigator* N, Integer Line);
    void EnsureFormatted(Integer Par);
    void FormatCaretRegion();
    void ScrollCaretInView();
    void RecomputeMetrics();
    void MakeLineBitmap();
    void FreeLineBitmap();
    void PaintLines(HDC Target, const TRect& Update, HDC LineDC, Integer BmpWidth);
    // Draws From .. To of a long run character by character at the widths it was measured with,
    // From standing at X.
    void DrawCharacters(HDC DC, const RunWidths& Run, Integer From, Integer To, Integer X, Integer Right);
    void InvalidateSelection();
    void ClampTop();
    void DeferScroll(Integer dx, Integer dy);
    // Moves the picture as far as the view moved since, and invalidates what changed meanwhile.
    void FlushScroll();
    // After lines were broken anew: the top line stays on the text it showed; its number.
    Integer KeepTopOnText();
    void PostBackground();
    void ReportProgress(Integer Percent);
    void UpdateScrollBarPos(int Bar, Integer Origin, Integer Unit);
    bool HasBar(int Bar) const { return Bar == SB_VERT ? FVertBar : FHorzBar; }
    void BackgroundChange(TObject* Sender);
    void PenChange(TObject* Sender);
    void AltFontChange(TObject* Sender);
    // Walks one display line as painting lays it out; the walk reports each run and TAB.
    struct LineWalk;

    // Keyboard and mouse.
    bool UserMayEdit() const { return !FReadOnly && !FDisplayOnly; }
    void DisplayOnlyKey(Word& Key, TShiftState Shift);
    bool HotKey(Word Key, TShiftState Shift);
    void MoveCaret(TStyleNavigator* To, bool Extend);
    void FinishMove();
    void VerticalMove(TStyleNavigator* Nav, Integer TargetLine, TShiftState Shift);
    void KeyLeft(TStyleNavigator* Nav, TShiftState Shift);
    void KeyRight(TStyleNavigator* Nav, TShiftState Shift);
    void KeyBackspace(TShiftState Shift);
    void KeyDelete(TShiftState Shift);
    void KeyEnter();
    void TypeChar(char Key);
    void SelectRange(Integer Lo, Integer Hi);
    Integer LeadingBlanks(Integer Line, std::string* Chars);
    bool BlockInPixels() const;
    TStyleNavigator* MouseNav();
    bool PlaceMouseNav(int X, int Y);
    void Hover(int X);
    void SetMemoCursor(TCursor Value);
    void RestoreMemoCursor();
    void ShowCaretAt(TStyleNavigator* Nav);
    void SelectMouseLines(Integer Line);
    void StartAutoScroll();
    void StopAutoScroll();
    void AutoScrollStep();
    void Drop(TShiftState Shift);
    bool ContextClick(TMouseButton Button);

    TAlignment FAlignment = taLeftJustify;
    bool FJustified = false;
    TBorderStyle FBorderStyle = bsSingle;
    bool FHideSelection = true;
    bool FVertBar = true;
    bool FHorzBar = false;
    bool FWantTabs = true;
    std::unique_ptr<TFont> FAltFont;
    bool FApplyKeyWords = true;
    bool FApplyStartStopKeys = true;
    std::unique_ptr<TPicture> FBackgroundBmp;
    Integer FCaretWidth = 1;
    bool FDisplayOnly = false;
    bool FEnableHotKeys = true;
    std::unique_ptr<TPen> FEndOfTextMark;
    std::unique_ptr<TPen> FSpecUnderline;
    TColor FHighlightBackgnd = clWindow;
    TColor FHighlightColor = clRed;
    Integer FLeftMargin = 8;
    Integer FRightMargin = 8;
    Integer FLineHeight = 0;  // the property; 0 = automatic
    Integer FMouseWheelFactor = 3;
    bool FOverwrite = false;
    bool FPassOverCodes = true;
    TColor FSelBackColor = clHighlight;
    TColor FSelTextColor = clHighlightText;
    bool FShowEndParSelected = true;

    // Metrics (set from the font when the window exists).
    Integer FRowHeight = 14;  // the line height in pixels
    Integer FBaseline = 11;
    Integer FBlankWidth = 4;
    Integer FChunkLen = 4096;
    Integer FVisibleLines = 1;
    std::vector<FontSlot> FStyleFonts;
    TFont* FFontsFor = nullptr;  // the font the style fonts were made from (canvas mode: the canvas's)

    // View origin, scroll bars, caret.
    Integer FTopOrigin = 0;
    Integer FDisplayLeft = 0;
    Integer FVScrollUnit = 1;
    Integer FHScrollUnit = 1;
    bool FScrollUpdating = false;
    // A scroll of the picture not made yet, and the rectangle (of the view as it will be) that
    // became invalid meanwhile.
    Integer FScrollDx = 0;
    Integer FScrollDy = 0;
    TRect FOwedRect{};
    bool FOwed = false;
    bool FScrollPosted = false;
    bool FPrimaryPosted = false;
    // The client height and line count the top line was last held to.
    Integer FClampedHeight = 0;
    Integer FClampedLines = 0;
    bool FBitmapRenewed = false;
    bool FLineHeightChanging = false;
    HBITMAP FLineBmp = nullptr;
    HDC FLineDC = nullptr;
    HGDIOBJ FLineDCOldBmp = nullptr;
    Integer FLineBmpWidth = 0;
    Integer FCaretX = 0;
    Integer FCaretY = 0;
    Integer FCaretCharWidth = 0;
    Integer FReportedAnchor = -1;
    Integer FReportedStyle = -1;
    bool FCaretShown = false;

    // Formatting state.
    HDC FFmtDC = nullptr;
    Integer FFmtWidth = 0;
    TExtFontStyles FFmtStyle = 0;
    Integer FFmtBlank = 1;
    Integer FFmtOverhang = 0;
    FontSlot* FFmtSlot = nullptr;  // the style font the formatter measures with
    // The most lines one call of the formatter breaks anew; behind them the paragraph's old lines
    // stay, to be broken later (MaxInt: the whole paragraph).
    Integer FLineBudget = MaxInt;
    HDC FFmtFontDC = nullptr;      // the context FFmtSlot's font is selected into
    RunWidths FRuns[4];
    Integer FNextRun = 0;
    Integer FTextStamp = 0;  // changes with every change of the text
    Integer FWidestWidth = 0;
    Integer FWidestLine = -1;
    bool FPosted = false;
    Integer FProgress = 0;
    DWORD FLastProgress = 0;
    TCanvas* FPrintCanvas = nullptr;
    Integer FPrintWidth = 0;
    bool FPainting = false;
    bool FRepaintPending = false;  // a paint came while painting was locked
    bool FScrollBarsOwed = false;  // a paint changed what the scroll bars show

    std::vector<TComponent*> FNotifyClients;
    TMessage FLastMessage;

    // Keyboard and mouse state.
    bool FKeyUp = false;
    TStyleNavigator* FMouseNav = nullptr;
    TPoint FLastMouse{0, 0};
    bool FSelecting = false;
    bool FWordMode = false;
    Integer FWordAnchor = 0;
    Integer FLineAnchor = -1;
    bool FOverSel = false;
    bool FDragging = false;
    bool FOutside = false;
    bool FCursorSaved = false;
    TCursor FSavedCursor = 0;
    TMouseScrollType FScrollDir = msNoScroll;
    Integer FScrollSpeed = 0;
    Integer FScrollTimerMs = -1;
    Integer FWheelRest = 0;
    TPopupMenu* FDefaultPopup = nullptr;

    // Upper-case cache.
    std::string FUpText;
    Integer FUpPar = -1;
    Integer FUpStart = 0;
};

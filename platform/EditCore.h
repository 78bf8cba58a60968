// The edit window: text, selection and undo of the standard single- and multi-line edits, their
// layout, painting and keyboard and mouse handling, behind the window messages the controls answer
// (EM_*, WM_CUT/COPY/PASTE/UNDO, WM_GETTEXT/SETTEXT). A windowed control hands its default message
// handling here; the window's style (ES_*) decides single or multi line, wrapping, case and more.
// Text is in the code page of the host's font, line breaks are CR LF.
// As text fields on the Linux desktop: selecting sets the primary selection, a middle click pastes
// it, a right click opens the edit menu (WM_CONTEXTMENU), and a selection dragged beyond the edge
// keeps scrolling while the button is held.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace morvik::stdctl {

// Letters and digits of both code pages count as word characters (double click, word moves).
bool IsWordByte(unsigned char B, int CodePage);
// The byte with its case changed where the code page has the other case; others unchanged.
unsigned char UpperByte(unsigned char B, int CodePage);
unsigned char LowerByte(unsigned char B, int CodePage);

class TEditCore {
public:
    // Text is the host's own text storage; the core edits it in place.
    TEditCore(TWinControl* Host, std::string& Text);

    // The edit window's handling of a message; false when the edit leaves it to the window's
    // default procedure. May free the host (through a notification's handler): nothing of the core
    // is touched after a notification unless the window still exists.
    bool WindowProc(TMessage& Message);

    // ---- Text, selection, undo (with or without a window)
    const std::string& Text() const { return FText; }
    // As WM_SETTEXT: the caret goes to the start, undo is forgotten, EN_UPDATE/EN_CHANGE follow.
    void SetText(const std::string& Value);
    int SelStart() const { return FAnchor < FCaret ? FAnchor : FCaret; }
    int SelEnd() const { return FAnchor < FCaret ? FCaret : FAnchor; }
    int Anchor() const { return FAnchor; }
    int Caret() const { return FCaret; }
    // Anchor -1 removes the selection (caret stays); Caret -1 is the end of the text.
    void SetSel(int Anchor, int Caret);
    std::string SelText() const { return FText.substr(size_t(SelStart()), size_t(SelEnd() - SelStart())); }
    // Replaces the selection as typing would (limit, case), as one undo step when CanUndo.
    void ReplaceSel(const std::string& S, bool CanUndo);
    bool CanUndo() const { return FUndoPos > 0; }
    bool CanRedo() const { return FUndoPos < int(FUndo.size()); }
    bool Undo();
    bool Redo();
    void ClearUndo();
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // 0: no limit of its own (the largest text there is).
    int Limit() const { return FLimit; }
    void SetLimit(int Value) { FLimit = Value; }
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    // The style used while there is no window (a window's own style wins once it exists).
    void SetStyle(DWORD Value) { FStyle = Value; }
    // Where the style comes from while there is no window (the host's creation parameters).
    void SetStyleSource(std::function<DWORD()> Source) { FStyleSource = std::move(Source); }
    DWORD Style() const;

    // ---- Clipboard
    bool Copy();
    bool Cut();
    // What the character set cannot hold is left out (see TClipboard::PasteText), with a beep.
    bool Paste();
    bool Clear();
    // The standard edit menu at a screen point (-1, -1: under the caret): Undo, Cut, Copy, Paste,
    // Delete, Select All, each greyed where it does not apply; a choice is sent as its message.
    void ShowEditMenu(TPoint Screen);

    // ---- Layout (multi-line edits): visual lines, soft breaks included
    int LineCount();
    int LineIndex(int Line);
    int LineFromChar(int Pos);
    int LineLength(int Line);
    int FirstVisibleLine() const { return FTopLine; }
    int ScrollX() const { return FScrollX; }
    // Client point of a character (EM_POSFROMCHAR) and the character nearest a client point.
    TPoint PosFromChar(int Pos);
    int CharFromPos(TPoint Point);
    // Paragraphs: the text between hard line breaks (an empty last one after a final break is not
    // counted).
    int ParagraphCount();
    int ParagraphStart(int Index);
    int ParagraphLength(int Index);
    // The font or size changed: measure and lay out again.
    void Relayout();

private:
    struct TLine {
        int Start = 0;
        int Len = 0;    // without the break
        int Next = 0;   // start of the next line: Start + Len + the break's length (0 for a soft break)
        int Width = 0;  // pixels
    };
    struct TUndoStep {
        int Pos = 0;
        std::string Removed;
        std::string Inserted;
        int AnchorBefore = 0, CaretBefore = 0;
        int Kind = 0;  // typing, deleting back, deleting forward: runs of one kind make one step
    };

    HWND Wnd() const;
    bool Multi() const;
    bool Wraps() const;
    int CodePage() const;
    void Measure();
    int Advance(unsigned char C, int X) const;
    int TextWidth(int From, int To, int X) const;
    void LayoutAll();
    void BuildParagraphs();
    void LayoutChange(int From, int OldEnd, int NewEnd);
    void WrapParagraph(int From, int End, int BreakLen, int Width, std::vector<TLine>& Out) const;
    int WrapWidth();
    int ParagraphEnd(int Pos, int& BreakLen) const;
    int LineOf(int Pos) const;
    TRect FormatRect();
    int LineLeft(const TLine& L);
    int VisibleLines();
    void UpdateScrollBars();
    void ScrollCaretIntoView();
    void PlaceCaret();
    void Invalidate();
    // Shows a change and tells the parent; false when a handler took the window away.
    bool Changed(bool Notify);
    bool Notify(Word Code);
    // Replaces [From, To) with S (already filtered): text, layout, undo, caret after S.
    void Replace(int From, int To, const std::string& S, int Kind, bool CanUndo);
    std::string Filter(const std::string& S) const;
    int WordStart(int Pos) const;
    // The start of the line (between hard breaks) that holds Pos, and the end of its break.
    int LineStartAt(int Pos) const;
    int LineEndAt(int Pos) const;
    int WordEnd(int Pos) const;
    int NextWordStart(int Pos) const;
    int PrevWordStart(int Pos) const;
    void MoveCaret(int Pos, bool Extend);
    void Paint(HDC DC);
    void PaintLine(HDC DC, const TLine& L, int Y, const TRect& Fmt, const TRect& Clip, bool ShowSel);
    bool KeyDown(Word Key, TShiftState Shift);
    bool Char(unsigned char C);
    void MouseDown(TPoint P, bool Shift, bool Double);
    void MouseMove(TPoint P);
    void MouseUp();
    // The button held beyond the text's edge: the selection goes on growing on a timer.
    void FollowDrag(TPoint P);
    void StopAutoScroll();
    void MiddleDown(TPoint P);
    void MiddleUp();
    // The user's selection becomes the desktop's primary selection.
    void OfferPrimary();
    void Scroll(int Bar, int Code, int Pos);
    void ScrollTo(int TopLine, int ScrollX);

    TWinControl* FHost;
    std::string& FText;
    DWORD FStyle = 0;
    std::function<DWORD()> FStyleSource;
    std::vector<int> FParas;  // index in FLines of each paragraph's first line
    bool FParasValid = false;
    int FAnchor = 0, FCaret = 0;
    bool FModified = false;
    int FLimit = 0;
    char FPasswordChar = 0;
    std::vector<TUndoStep> FUndo;
    int FUndoPos = 0;      // steps before it are done; from it on, undone ones that can be redone
    bool FMergeTyping = false;
    std::vector<TLine> FLines;
    bool FLayoutValid = false;
    int FTopLine = 0;
    int FScrollX = 0;
    int FGoalX = -1;        // the column kept while moving up and down
    int FWidths[256] = {};
    int FLineHeight = 16;
    int FAveWidth = 7;
    bool FMeasured = false;
    bool FCaretMade = false;
    bool FSelecting = false;  // left button held after a press in the text
    // What a drag after the press extends by: characters, words (double click) or lines (triple).
    enum class TUnit { Chars, Words, Lines } FSelectUnit = TUnit::Chars;
    int FWordAnchorStart = 0, FWordAnchorEnd = 0;
    // A double click's time and place: a press soon after and near it is a triple click.
    bool FDoubleArmed = false;
    DWORD FDoubleTime = 0;
    TPoint FDoublePoint{0, 0};
    int FMaxWidth = 0;
    bool FAutoScrolling = false;
    TPoint FDragPoint{0, 0};
    bool FMiddlePaste = false;  // a middle press in the text waits for its release
};

}  // namespace morvik::stdctl

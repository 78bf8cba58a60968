// TStyleMemo: the mouse. Caret placement, selection by click, Shift+click and drag, words by double
// click, whole lines in the left margin, column blocks with Alt, moving and copying the selection by
// dragging it, scrolling while the mouse is held outside the window, clicks on spans that carry a
// context value, the default popup menu, the cursors and the wheel.
#include <algorithm>
#include <string>

#include "memo/Stylememo.h"
#include "memo/Stylehilite.h"
#include "memo/Stylestrings.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Guard.h"
#include "platform/Menus.h"
#include "platform/Windows.h"

namespace {

constexpr Integer NoColumn = static_cast<Integer>(0x80000000u);
constexpr UINT AutoScrollTimer = 0x5354;

// Milliseconds between two auto-scroll steps by speed level. The levels beyond the table step as
// often as the timer can; level 0 (a mouse one or two pixels past the edge) waits as long as level 1.
Integer AutoScrollWait(Integer Speed)
{
    static const Integer Waits[] = {400, 400, 300, 200, 130, 78, 48, 30};
    return Speed >= 0 && Speed <= 7 ? Waits[Speed] : 10;
}

HCURSOR DrawnCursor(const std::vector<TPoint>& Arrow, bool Plus, int HotX)
{
    TBitmap colour;
    TBitmap mask;
    colour.SetSize(32, 32);
    mask.SetSize(32, 32);
    TCanvas* c = colour.Canvas();
    TCanvas* m = mask.Canvas();
    c->Brush()->SetColor(clBlack);
    c->FillRect(TRect{0, 0, 32, 32});
    m->Brush()->SetColor(clWhite);
    m->FillRect(TRect{0, 0, 32, 32});
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clWhite);
    c->Polygon(Arrow);
    m->Pen()->SetColor(clBlack);
    m->Brush()->SetColor(clBlack);
    m->Polygon(Arrow);
    if (Plus) {
        const TRect box{12, 18, 21, 27};
        c->Rectangle(box.Left, box.Top, box.Right, box.Bottom);
        m->FillRect(box);
        c->MoveTo(14, 22);
        c->LineTo(19, 22);
        c->MoveTo(16, 20);
        c->LineTo(16, 25);
    }
    return CreateCursorFromBitmaps(colour.Handle(), mask.Handle(), HotX, 0);
}

// The cursors the memo draws itself, made once and kept by the screen.
void EnsureMemoCursors()
{
    static bool made = false;
    if (made || Screen == nullptr) return;
    made = true;
    std::vector<TPoint> arrow = {{0, 0}, {0, 15}, {4, 11}, {7, 18}, {9, 17}, {6, 10}, {11, 10}};
    std::vector<TPoint> right;
    for (const TPoint& p : arrow) right.push_back(TPoint{15 - p.X, p.Y});
    HCURSOR r = DrawnCursor(right, false, 15);
    RegisterResourceCursor("PMRIGHTARROW", r);
    Screen->SetCursors(crPMRightArrow, LoadCursor(nullptr, "PMRIGHTARROW"));
    HCURSOR d = DrawnCursor(arrow, true, 0);
    RegisterResourceCursor("DRAGCOPY", d);
    Screen->SetCursors(crDragCopy, LoadCursor(nullptr, "DRAGCOPY"));
}

}  // namespace

// ---------------------------------------------------------------- where the mouse is

TStyleNavigator* TStyleMemo::MouseNav()
{
    // A listed navigator of its own: edits keep it on its text, so a drop lands where it was aimed.
    if (FMouseNav == nullptr) FMouseNav = new TStyleNavigator(this);
    return FMouseNav;
}

bool TStyleMemo::PlaceMouseNav(int X, int Y)
{
    if (FUpdateCount > 0 || !HandleAllocated()) return false;
    const Integer top = TopLine();
    Integer line = std::max(top + LineNb(Y), 0);
    line = std::min({line, top + FVisibleLines - 1, FLineCount - 1});
    TStyleNavigator* n = MouseNav();
    n->SetLineNb(line);
    if (!n->GetPar()->Formatted) return false;
    if (line == FLineCount - 1 && Y >= LinePos(line - top) + FRowHeight)
        n->SetPos(FTextLen);
    else
        n->SetColNb(ColNb(n->Par, n->ParNb, n->GetParLine(), X, (FOptions & pmoKeepColumnPos) != 0));
    n->RightOfDyn();
    return true;
}

void TStyleMemo::SetMemoCursor(TCursor Value)
{
    if (!FCursorSaved) {
        FSavedCursor = Cursor();
        FCursorSaved = true;
    }
    SetCursor(Value);
}

void TStyleMemo::RestoreMemoCursor()
{
    if (!FCursorSaved) return;
    FCursorSaved = false;
    SetCursor(FSavedCursor);
}

void TStyleMemo::Hover(int X)
{
    TStyleNavigator* n = MouseNav();
    if (X < FLeftMargin - 2 - FDisplayLeft && (FOptions & pmoNoLineSelection) == 0) {
        const bool entering = FLineAnchor < 0;
        FLineAnchor = n->GetLineNb();
        FOverSel = false;
        if (entering) {
            EnsureMemoCursors();
            SetMemoCursor(Cursor());
            PostMessage(Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Handle()), HTCLIENT);
        }
        return;
    }
    FLineAnchor = -1;
    FOverSel = false;
    if ((FOptions & pmoNoDragnDrop) == 0 && FSelLength != 0 && !FBlockSelected && !FReadOnly && !FDisplayOnly)
        FOverSel = FSelStartNav->Pos <= n->Pos && n->Pos < FSelStopNav->Pos;
    TCursor want = crDefault;
    bool special = FOverSel;
    if (FOverSel) {
        want = crArrow;
    } else if (n->Pos < FTextLen) {
        const DynInfoRec* d = n->GetpDynInfo();
        if (d != nullptr && (d->Attr & 0x80) != 0 && d->Cursor != 0) {
            want = d->Cursor;
            special = true;
        }
    }
    if (special)
        SetMemoCursor(want);
    else
        RestoreMemoCursor();
}

void TStyleMemo::ShowCaretAt(TStyleNavigator* Nav)
{
    FCaretX = ColPos(Nav->GetPar(), Nav->ParNb, Nav->GetColNb(), Nav->GetParLine());
    FCaretY = LinePos(Nav->GetLineNb() - TopLine());
    if (Focused() && FCaretShown) PlaceCaret();
}

// ---------------------------------------------------------------- buttons

void TStyleMemo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TStyleMemo> self(this);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (!self) return;
    const bool placed = PlaceMouseNav(X, Y);
    if (placed && !FSelecting) Hover(X);
    if (Button == mbLeft && placed) {
        TStyleNavigator* n = MouseNav();
        FBlockSelected = false;
        FWordAnchor = n->Pos;
        FRememberedCol = NoColumn;
        if (!FDisplayOnly) {
            FSelecting = true;
            if (FWordMode) {
                // The second press of a double click: the word stays selected.
            } else if (FOverSel && !FReadOnly) {
                FVirtualCols = 0;
                FDragging = true;
                FOutside = false;
                ShowCaretAt(n);
                Screen->SetCursor(crDrag);
                if (!Focused() && CanFocus()) SetFocus();
                if (self && OnAfterMouseDown) OnAfterMouseDown(this, Button, Shift, X, Y);
                return;
            } else if (FLineAnchor >= 0) {
                FVirtualCols = 0;
                SelectMouseLines(FLineAnchor);
                FSelMoved = true;
                UpdateCaret(false);
            } else {
                FVirtualCols = 0;
                const bool extend = (Shift & ssShift) != 0;
                const bool block = (Shift & (ssShift | ssAlt | ssCtrl)) == ssAlt && (FOptions & pmoBlockSelection) != 0 && !FWordWrap;
                TStyleNavigator* t = FScratch[9];
                const Integer line = std::max(TopLine() + LineNb(Y), 0);
                if (line < FLineCount) {
                    t->SetLineNb(line);
                    EnsureFormatted(t->GetParNb());
                    t->SetLineNb(line);
                    const Integer lineInPar = t->GetParLine();
                    t->SetColNb(ColNb(t->Par, t->ParNb, lineInPar, X, (FOptions & pmoKeepColumnPos) != 0));
                    const char c = t->GetText();
                    if (((FOptions & pmoKeepColumnPos) != 0 || block) && (c == '\r' || c == '\t')) {
                        const Integer x = ColPos(t->Par, t->ParNb, t->GetColNb(), lineInPar);
                        FVirtualCols = std::max(X - x, 0) / std::max(FBlankWidth, 1);
                    }
                } else {
                    t->SetPos(FTextLen);
                }
                MoveCaret(t, extend);
                if (block) FBlockSelected = true;
                FSelMoved = true;
                UpdateCaret(false);
                if (FBlockSelected) FBlockEdge1 = FBlockEdge2 = BlockEdgeAtCaret();
            }
        }
    }
    if (!Focused() && CanFocus()) SetFocus();
    if (self && OnAfterMouseDown) OnAfterMouseDown(this, Button, Shift, X, Y);
}

// The whole display line Line, with its paragraph break when one follows it.
void TStyleMemo::SelectMouseLines(Integer Line)
{
    TStyleNavigator* t = FScratch[9];
    t->SetLineNb(Line);
    ParInfo* par = t->GetPar();
    const LineInfo* li = ParLineAt(par, t->GetParLine());
    Integer hi = par->StartPos + li->Stop;
    if (t->ParLine == par->LineCount - 1 && t->ParNb < ParCount() - 1) hi += 2;
    const Integer oldLo = FSelStartNav->GetLineNb();
    const Integer oldHi = FSelStopNav->GetLineNb();
    SetSelNavs(par->StartPos + li->Start, hi, true);
    InvalidateLines(std::min(oldLo, Line), std::max(oldHi, Line), false);
}

void TStyleMemo::MouseMove(TShiftState Shift, int X, int Y)
{
    FLastMouse = TPoint{X, Y};
    if (!PlaceMouseNav(X, Y)) {
        TCustomControl::MouseMove(Shift, X, Y);
        return;
    }
    if (!FSelecting || (Shift & ssLeft) == 0) {
        if (!FSelecting) Hover(X);
        TCustomControl::MouseMove(Shift, X, Y);
        return;
    }
    TStyleNavigator* n = MouseNav();
    const Integer cw = ClientWidth();
    const Integer ch = ClientHeight();
    const Integer textBottom = LinePos(FLineCount - 1 - TopLine()) + FRowHeight;
    if (Y >= textBottom) Y = textBottom - 1;

    TMouseScrollType dir = msNoScroll;
    Integer speed = 0;
    if (X < 0 && (!FDragging || X > -24)) {
        dir = msLeft;
        speed = -X / 3;
    }
    if (X > cw && (!FDragging || X - cw < 24)) {
        dir = msRight;
        speed = (X - cw) / 3;
    }
    const bool across = X >= -3 && X <= cw + 3;
    if (Y < -3 && across && (!FDragging || Y > -27)) {
        dir = msUp;
        speed = -Y / 3;
    }
    if (Y > ch && across && (!FDragging || Y - ch < 24)) {
        dir = msDown;
        speed = (Y - ch) / 3;
    }
    FScrollSpeed = speed;
    if (dir != FScrollDir) {
        FScrollDir = dir;
        if (dir == msNoScroll)
            StopAutoScroll();
        else
            StartAutoScroll();
    } else if (dir != msNoScroll && AutoScrollWait(speed) != FScrollTimerMs) {
        StartAutoScroll();
    }

    if (FDragging) {
        const bool outside = FLastMouse.X < 1 || FLastMouse.Y < 1 || FLastMouse.X >= cw || FLastMouse.Y >= ch;
        if (outside && FScrollDir == msNoScroll) {
            Screen->SetCursor(crNoDrop);
            FOutside = true;
        } else if (!outside) {
            ShowCaretAt(n);
            if (FOutside) {
                FOutside = false;
                Screen->SetCursor((Shift & ssCtrl) != 0 ? crDragCopy : crDrag);
            }
        }
    } else if (FLineAnchor >= 0) {
        TStyleNavigator* t = FScratch[9];
        const Integer mouseLine = n->GetLineNb();
        const Integer oldLo = FSelStartNav->GetLineNb();
        const Integer oldHi = FSelStopNav->GetLineNb();
        auto lineStart = [&](Integer l) {
            t->SetLineNb(l);
            return t->Pos;
        };
        auto nextLineStart = [&](Integer l) {
            if (l >= FLineCount - 1) return FTextLen;
            return lineStart(l + 1);
        };
        // The selection runs from the anchor line to the mouse line, whichever way the mouse went
        // before: lines it has left go again.
        const Integer anchorStart = lineStart(FLineAnchor);
        const Integer anchorEnd = nextLineStart(FLineAnchor);
        if (mouseLine < FLineAnchor)
            SetSelNavs(lineStart(mouseLine), anchorEnd, true);
        else if (mouseLine > FLineAnchor)
            SetSelNavs(anchorStart, nextLineStart(mouseLine), false);
        else
            SetSelNavs(anchorStart, anchorEnd, true);
        InvalidateLines(std::min(oldLo, FSelStartNav->GetLineNb()), std::max(oldHi, FSelStopNav->GetLineNb()), false);
        UpdateCaret(false);
    } else {
        Integer vc = 0;
        if (FBlockSelected) {
            const Integer x = ColPos(n->Par, n->ParNb, n->GetColNb(), n->GetParLine());
            vc = std::max(X - x, 0) / std::max(FBlankWidth, 1);
        }
        if (n->Pos != FAnchor->Pos || vc != FVirtualCols) {
            FVirtualCols = vc;
            MoveCaret(n, true);
            UpdateCaret(false);
            if (FBlockSelected) FBlockEdge2 = BlockEdgeAtCaret();
        }
        if (FWordMode) {
            const Integer m = n->Pos;
            const Integer oldLo = FSelStartNav->GetLineNb();
            const Integer oldHi = FSelStopNav->GetLineNb();
            SetSelNavs(std::min(m, FWordAnchor), std::max(m, FWordAnchor), true);
            SelectWord(true);
            // The caret stays on the mouse's side, the word it started on at the other end.
            const Integer len = FSelStopNav->Pos - FSelStartNav->Pos;
            if (m < FWordAnchor) {
                FAnchor = FSelStartNav;
                FSelLength = len;
            } else {
                FAnchor = FSelStopNav;
                FSelLength = -len;
            }
            InvalidateLines(std::min(oldLo, FSelStartNav->GetLineNb()), std::max(oldHi, FSelStopNav->GetLineNb()), false);
            UpdateCaret(false);
        }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TStyleMemo::Drop(TShiftState Shift)
{
    FDragging = false;
    Screen->SetCursor(crDefault);
    if (!FOutside) {
        TStyleNavigator* n = MouseNav();
        const Integer lo = FSelStartNav->Pos;
        const Integer hi = FSelStopNav->Pos;
        if (n->Pos < lo || n->Pos > hi) {
            const std::string text = GetTextPart(lo, lo + std::min(hi - lo, MaxParLength));
            const bool copy = (Shift & ssCtrl) != 0;
            TGuardPtr<TStyleMemo> self(this);
            FLinesStrings->BeginUpdate();
            try {
                if (copy)
                    setSelStart(FAnchor->Pos);
                else if (!PutSelText(std::string()))
                    return;
                setSelStart(n->Pos);
                const Integer at = n->Pos;
                {
                    // Undo takes back the insertion and the deletion of a move together.
                    FlagScope chain(*this, FChainNext, !copy);
                    if (!EditSel(text.c_str())) return;
                }
                setSelStart(at);
                setSelLength(static_cast<Integer>(text.size()));
            } catch (...) {
                if (self) FLinesStrings->EndUpdate();
                throw;
            }
            FLinesStrings->EndUpdate();
        } else {
            setSelStart(n->Pos);
        }
    }
    FOutside = false;
    UpdateCaret(false);
    ScrollInView();
    FOverSel = false;
}

bool TStyleMemo::ContextClick(TMouseButton Button)
{
    TStyleNavigator* n = MouseNav();
    if (n->Pos != FWordAnchor && Button != mbRight) return false;
    if (n->Pos >= FTextLen) return false;
    const DynInfoRec* d = n->GetpDynInfo();
    if (d == nullptr || (d->Attr & 0x80) == 0 || d->Context == 0) return false;
    if (!OnContext && FNotifyClients.empty() && FHighlighter == nullptr) return false;
    TGuardPtr<TStyleMemo> self(this);
    const Integer context = d->Context;
    TStyleNavigator* a = FScratch[8];
    a->Assign(n);
    const Integer start = a->BackToDyn(0) ? a->Pos : 0;
    a->Assign(n);
    const Integer stop = a->ForwardToDyn(FTextLen) ? a->Pos : FTextLen;
    if (!FNotifyClients.empty() || FHighlighter != nullptr) {
        std::string text = GetTextPart(start, stop);
        Perform(Button == mbRight ? PM_RCONTEXT : PM_LCONTEXT, static_cast<WPARAM>(context), reinterpret_cast<LPARAM>(&text));
        if (self && FHighlighter != nullptr) FHighlighter->Notification(this, static_cast<TOperation>(opMemoMessage));
    }
    if (self && OnContext) OnContext(this, context, start, stop);
    return true;
}

void TStyleMemo::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGuardPtr<TStyleMemo> self(this);
    if (FWordMode) UpdateCaret(false);
    // What the left button selected is the desktop's primary selection.
    if (Button == mbLeft && FSelecting && !FDragging) OfferPrimarySelection();
    FSelecting = false;
    FWordMode = false;
    FScrollDir = msNoScroll;
    StopAutoScroll();
    if (Button == mbRight) {
        FOverSel = false;
        RestoreMemoCursor();
    }
    FLastMouse = TPoint{X, Y};
    const bool placed = PlaceMouseNav(X, Y);
    if (FDragging) {
        Drop(Shift);
        if (!self) return;
        MouseMove(Shift, X, Y);
        if (self) TCustomControl::MouseUp(Button, Shift, X, Y);
        return;
    }
    if (placed && ContextClick(Button)) {
        if (self) TCustomControl::MouseUp(Button, Shift, X, Y);
        return;
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (!self) return;  // the OnMouseUp handler freed the memo
    if (Button == mbMiddle && placed && UserMayEdit()) {
        // The middle button pastes the primary selection where it was released.
        MoveCaret(MouseNav(), false);
        UpdateCaret(false);
        PastePrimarySelection();
        if (!self) return;
    }
    if (Button == mbRight && PopupMenu() == nullptr) {
        CreatePopupMenu();
        const TPoint p = ClientToScreen(TPoint{X, Y});
        FDefaultPopup->PopupComponent = this;
        FDefaultPopup->Popup(p.X, p.Y);
        if (!self) return;
    }
    if (!FDisplayOnly) ScrollInView();
}

void TStyleMemo::DblClick()
{
    if (!FDisplayOnly) {
        FWordMode = true;
        SelectWord(true);
        UpdateCaret(false);
        OfferPrimarySelection();
    }
    TCustomControl::DblClick();
}

// ---------------------------------------------------------------- auto-scroll

// The text scrolls on a timer while the mouse is held outside the window; the steps and their
// intervals are those of the speed level, and the message loop runs on undisturbed between them.
void TStyleMemo::StartAutoScroll()
{
    if (!HandleAllocated()) return;
    FScrollTimerMs = AutoScrollWait(FScrollSpeed);
    SetTimer(Handle(), AutoScrollTimer, static_cast<UINT>(FScrollTimerMs), nullptr);
}

void TStyleMemo::StopAutoScroll()
{
    if (FScrollTimerMs < 0) return;
    FScrollTimerMs = -1;
    if (HandleAllocated()) KillTimer(Handle(), AutoScrollTimer);
}

void TStyleMemo::AutoScrollStep()
{
    // A release the memo never heard of (the capture went elsewhere) ends the scrolling too.
    if (!FSelecting || FScrollDir == msNoScroll || GetKeyState(VK_LBUTTON) >= 0) {
        FScrollDir = msNoScroll;
        StopAutoScroll();
        return;
    }
    TGuardPtr<TStyleMemo> self(this);
    const Integer cw = ClientWidth();
    const Integer step = 3 * FScrollSpeed;
    TPoint p = FLastMouse;
    switch (FScrollDir) {
    case msUp:
        if (TopLine() > 0) Perform(WM_VSCROLL, SB_LINEUP, 0);
        p.Y = -step;
        break;
    case msDown:
        if (TopLine() <= FLineCount - FVisibleLines) Perform(WM_VSCROLL, SB_LINEDOWN, 0);
        p.Y = ClientHeight() + step;
        break;
    case msLeft:
        if (FDisplayLeft > 0) Perform(WM_HSCROLL, SB_LINELEFT, 0);
        p.X = -step;
        break;
    case msRight:
        if (FDisplayLeft < FWidestWidth - cw) Perform(WM_HSCROLL, SB_LINERIGHT, 0);
        p.X = cw + step;
        break;
    default: break;
    }
    if (self) MouseMove(ssLeft, p.X, p.Y);
}

void TStyleMemo::WMTimer(TMessage& Message)
{
    if (Message.WParam == AutoScrollTimer) {
        AutoScrollStep();
        return;
    }
    TCustomControl::Dispatch(Message);
}

void TStyleMemo::WMCaptureChanged(TMessage& Message)
{
    // The mouse went to another window in the middle of a selection or a drag: both end here.
    // The memo's own release of the capture on the button's release is no such loss.
    const bool lost = Message.Msg == WM_CANCELMODE || (Message.LParam != 0 && reinterpret_cast<HWND>(Message.LParam) != Handle());
    if (lost && (FSelecting || FDragging)) {
        FSelecting = false;
        FWordMode = false;
        FScrollDir = msNoScroll;
        StopAutoScroll();
        if (FDragging) {
            FDragging = false;
            Screen->SetCursor(crDefault);
            UpdateCaret(false);
        }
    }
    TCustomControl::Dispatch(Message);
}

void TStyleMemo::WMContextMenu(TMessage& Message)
{
    // Without a menu of its own the memo shows its default one on the release: no other menu.
    if (PopupMenu() == nullptr) {
        Message.Result = 1;
        return;
    }
    TCustomControl::Dispatch(Message);
}

// ---------------------------------------------------------------- cursor and wheel

void TStyleMemo::WMSetCursor(TMessage& Message)
{
    if (reinterpret_cast<HWND>(Message.WParam) == Handle() && LOWORD(static_cast<std::uint64_t>(Message.LParam)) == HTCLIENT &&
        FLineAnchor >= 0) {
        EnsureMemoCursors();
        ::SetCursor(Screen->Cursors(crPMRightArrow));
        Message.Result = 1;
        return;
    }
    TCustomControl::Dispatch(Message);
}

void TStyleMemo::WMMouseWheel(TMessage& Message)
{
    Message.Result = 0;
    FWheelRest += static_cast<SHORT>(HIWORD(Message.WParam)) * FMouseWheelFactor;
    // Each step is a message of its own, which those who hear the memo's messages may answer by
    // freeing it.
    TGuardPtr<TStyleMemo> self(this);
    while (FWheelRest < -119) {
        FWheelRest += 120;
        Perform(WM_VSCROLL, SB_LINEDOWN, 0);
        if (!self) return;
    }
    while (FWheelRest >= 120) {
        FWheelRest -= 120;
        Perform(WM_VSCROLL, SB_LINEUP, 0);
        if (!self) return;
    }
}

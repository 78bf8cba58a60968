// TStyleMemo: the window side. The view origin and its scroll bars, the caret, focus, the memo's own
// messages and the notification of every message to registered clients, and the control's
// properties with what their setters trigger.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "memo/Stylememo.h"
#include "memo/Stylehilite.h"
#include "memo/Stylestrings.h"
#include "platform/Forms.h"
#include "platform/Windows.h"

namespace {

// Clients hear of the memo's messages through their own Notification, which components keep
// protected: reached here through a member pointer taken in a derived class.
struct NotifyAccess : TComponent {
    static void Tell(TComponent* Client, TComponent* Memo)
    {
        (Client->*(&NotifyAccess::Notification))(Memo, static_cast<TOperation>(opMemoMessage));
    }
};

}  // namespace

// ---------------------------------------------------------------- rows and the view origin

Integer TStyleMemo::LinePos(Integer Row) { return Row * FRowHeight - FTopOrigin % std::max(FRowHeight, 1); }

Integer TStyleMemo::LineNb(Integer Y)
{
    if (FRowHeight < 1) return 0;
    return (FTopOrigin % FRowHeight + Y) / FRowHeight;
}

Integer TStyleMemo::GetPar(Integer Pos)
{
    TStyleNavigator* n = FScratch[6];
    n->SetPos(std::clamp(Pos, 0, FTextLen));
    return n->GetParNb();
}

Integer TStyleMemo::TopLine() { return std::min(FTopNav->GetLineNb(), std::max(FLineCount - 1, 0)); }

void TStyleMemo::setTopLine(Integer Value) { setTopOrigin(Value * FRowHeight); }

void TStyleMemo::UpdateScrollBarPos(int Bar, Integer Origin, Integer Unit)
{
    if (!HandleAllocated() || !HasBar(Bar)) return;
    // The bar is drawn with the window's next paint: a run of appends redraws it once, not twice
    // for each.
    const Integer pos = Origin / std::max(Unit, 1);
    if (GetScrollPos(Handle(), Bar) != pos) SetScrollPos(Handle(), Bar, pos, FALSE);
}

void TStyleMemo::SetTopLeft(Integer Top, Integer Left)
{
    EventScope scope(*this);
    const Integer dx = FDisplayLeft - Left;
    if (dx != 0) {
        FCaretX += dx;
        if (FRememberedCol != static_cast<Integer>(0x80000000u)) FRememberedCol += dx;
        FDisplayLeft = Left;
        UpdateScrollBarPos(SB_HORZ, Left, FHScrollUnit);
    }
    const Integer dy = FTopOrigin - Top;
    if (dy != 0) {
        FTopOrigin = Top;
        FTopNav->SetLineNb(Top / std::max(FRowHeight, 1));
        FCaretY += dy;
        UpdateScrollBarPos(SB_VERT, Top, FVScrollUnit);
    }
    if (dx == 0 && dy == 0) return;
    if (HandleAllocated()) {
        if (std::abs(dx) <= 32767 && std::abs(dy) <= 32767 && FBackgroundBmp->Width() < 1)
            DeferScroll(dx, dy);
        else
            Invalidate();
        if (Focused()) PlaceCaret();
    }
    if (dx != 0) Owe(evHScroll);
    if (dy != 0) Owe(evVScroll);
}

// The picture is scrolled when the window is next painted or updated, or when the messages that
// follow have run: appends that each move the view by a line move the picture once between two paints.
void TStyleMemo::DeferScroll(Integer dx, Integer dy)
{
    FScrollDx += dx;
    FScrollDy += dy;
    // What became invalid since the last scroll is where its rows will be once this one is made.
    if (FOwed) {
        FOwedRect.Left += dx;
        FOwedRect.Right += dx;
        FOwedRect.Top += dy;
        FOwedRect.Bottom += dy;
    }
    if (std::abs(FScrollDx) >= ClientWidth() || std::abs(FScrollDy) >= ClientHeight()) {
        // Nothing of the old picture stays in view.
        Invalidate();
        return;
    }
    if (!FScrollPosted) {
        FScrollPosted = true;
        PostMessage(Handle(), PM_FLUSHVIEW, 0, 0);
    }
}

void TStyleMemo::FlushScroll()
{
    if (!HandleAllocated()) {
        FScrollDx = FScrollDy = 0;
        FOwed = false;
        return;
    }
    if (FScrollDx != 0 || FScrollDy != 0) {
        const Integer dx = FScrollDx;
        const Integer dy = FScrollDy;
        FScrollDx = FScrollDy = 0;
        ScrollWindow(Handle(), dx, dy, nullptr, nullptr);
    }
    if (FOwed) {
        FOwed = false;
        TRect r;
        if (IntersectRect(r, FOwedRect, ClientRect())) InvalidateRect(Handle(), &r, FALSE);
    }
}

void TStyleMemo::Invalidate()
{
    // The whole picture is painted anew: a scroll not made yet has nothing left to move.
    FScrollDx = FScrollDy = 0;
    FOwed = false;
    TCustomControl::Invalidate();
}

void TStyleMemo::Update()
{
    FlushScroll();
    TCustomControl::Update();
}

void TStyleMemo::ClampTop()
{
    const Integer maxTop = std::max(FLineCount - FVisibleLines + 1, 0);
    if (TopLine() > maxTop) setTopLine(maxTop);
}

// ---------------------------------------------------------------- the view seam (the control's side)

void TStyleMemo::LinesChanged(Integer FirstLine, Integer LastLine, Integer Delta)
{
    if (!HandleAllocated()) return;
    // The top line stays on its text.
    const Integer origin = FTopOrigin;
    const Integer top = KeepTopOnText();
    const bool moved = FTopOrigin != origin;
    if (Delta != 0 || moved) {
        FScrollUpdating = false;
        setVScrollParams();
        UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
        InvalidateLines(std::min(FirstLine, top + (moved ? 0 : FLineCount)), top + FVisibleLines + 1, false);
    }
    if (!FWordWrap) {
        if (FWidestLine == -1) {
            FWidestWidth = 0;
            for (Integer p = 0; p < ParCount(); ++p)
                FWidestWidth = std::max(FWidestWidth, FParagraphs->At(p)->FirstLineInfo.TextWidth);
        }
        if (FHorzBar) {
            setHScrollParams();
            UpdateScrollBarPos(SB_HORZ, FDisplayLeft, FHScrollUnit);
        }
    }
    InvalidateLines(FirstLine, LastLine, false);
}

void TStyleMemo::InvalidateLines(Integer FirstLine, Integer LastLine, bool Erase)
{
    if (!HandleAllocated()) return;
    if (FirstLine > LastLine) std::swap(FirstLine, LastLine);
    const Integer top = TopLine();
    // While a scroll is owed, the scrolls still to come may bring rows into view from either side
    // (less than a window's height in all, else the whole window is painted anew): those rows are
    // owed as well.
    const bool owedScroll = FScrollDx != 0 || FScrollDy != 0;
    const Integer ch = ClientHeight();
    const Integer margin = owedScroll ? 2 * FVisibleLines : 0;
    const Integer minY = owedScroll ? -2 * ch : 0;
    const Integer maxY = owedScroll ? 3 * ch : ch;
    if (LastLine < top - margin || FirstLine > top + FVisibleLines + margin) return;
    TRect r = ClientRect();
    r.Top = FirstLine >= top - margin ? std::max(LinePos(FirstLine - top), minY) : minY;
    r.Bottom = LastLine <= top + FVisibleLines + margin ? std::min(LinePos(LastLine - top) + FRowHeight, maxY) : maxY;
    if (r.Bottom <= r.Top) return;
    if (owedScroll) {
        // Rows of the view as it will be: invalid once the picture has been scrolled there, at
        // whatever sideways place the scrolls still to come leave them.
        const Integer cw = ClientWidth();
        r.Left = -2 * cw;
        r.Right = 3 * cw;
        FOwedRect = FOwed ? TRect{std::min(FOwedRect.Left, r.Left), std::min(FOwedRect.Top, r.Top),
                                  std::max(FOwedRect.Right, r.Right), std::max(FOwedRect.Bottom, r.Bottom)}
                          : r;
        FOwed = true;
        return;
    }
    InvalidateRect(Handle(), &r, Erase);
}

void TStyleMemo::InvalidateSelection()
{
    if (FSelLength == 0) return;
    InvalidateLines(FSelStartNav->GetLineNb(), FSelStopNav->GetLineNb(), false);
}

// ---------------------------------------------------------------- caret

Integer TStyleMemo::GetCaretWidth()
{
    Integer w = FCaretWidth > 0 ? FCaretWidth : FRowHeight / 14 + 1;
    if (FSelLength == 0 && FOverwrite && (FOptions & pmoWideOverwriteCaret) != 0 && FAnchor->GetOffset() < FAnchor->GetPar()->Len &&
        FCaretCharWidth > 0)
        w = FCaretCharWidth;
    return w;
}

void TStyleMemo::PlaceCaret()
{
    Integer x = FCaretX;
    if (FWordWrap && x >= FLineBmpWidth) x = FLineBmpWidth - 1;
    SetCaretPos(x, FCaretY);
}

void TStyleMemo::UpdateCaret(bool Recreate)
{
    if (FUpdateCount > 0) return;
    EventScope scope(*this);
    if (HandleAllocated()) {
        EnsureFormatted(FAnchor->GetParNb());
        BreakProvisional(FAnchor->GetParNb(), -1, FAnchor->GetOffset());
        const Integer line = FAnchor->GetLineNb();
        FCaretX = ColPos(FAnchor->Par, FAnchor->ParNb, FAnchor->GetColNb(), FAnchor->GetParLine()) +
                  FVirtualCols * FBlankWidth;
        FCaretY = LinePos(line - TopLine());
        if (Focused() && !FDisplayOnly) {
            if (Recreate || (FOverwrite && (FOptions & pmoWideOverwriteCaret) != 0) || !FCaretShown) {
                DestroyCaret();
                CreateCaret(Handle(), nullptr, GetCaretWidth(), FRowHeight);
                ShowCaret(Handle());
                FCaretShown = true;
            }
            PlaceCaret();
        }
    }
    const Integer anchor = FAnchor->Pos;
    if (anchor != FReportedAnchor) {
        FReportedAnchor = anchor;
        Owe(evSelMove);
    }
    // The style at the caret costs a walk over its line: only asked for when someone listens.
    if (OnStyleChange) {
        const Integer style = CurrentStyle();
        if (style != FReportedStyle) {
            const bool first = FReportedStyle < 0;
            FReportedStyle = style;
            if (!first) Owe(evStyleChange);
        }
    }
}

void TStyleMemo::ScrollInView()
{
    EventScope scope(*this);
    ScrollCaretInView();
}

void TStyleMemo::ScrollCaretInView()
{
    if (!HandleAllocated() || FUpdateCount >= 1) return;
    const Integer caretPar = FAnchor->GetParNb();
    EnsureFormatted(caretPar);
    UpdateCaret(false);
    Integer left = FDisplayLeft;
    if (FWordWrap || (FAlignment != taLeftJustify && FDisplayLeft == 0)) {
        left = 0;
    } else {
        const Integer step = std::max(5 * FBlankWidth, 1);
        const Integer cw = ClientWidth();
        if (FCaretX >= cw)
            left = FDisplayLeft + ((FCaretX - cw) / step + 1) * step;
        else if (FCaretX < 0)
            left = std::max(FDisplayLeft + (FCaretX / step - 1) * step, 0);
    }
    Integer top = FTopOrigin;
    const Integer topLine = TopLine();
    const Integer h = std::max(FRowHeight, 1);
    const bool topPartly = FTopOrigin % h != 0;
    Integer caretLine = FAnchor->GetLineNb();
    if (caretLine >= topLine && !(caretLine == topLine && topPartly)) {
        if (FCaretY > ClientHeight() - h) {
            // Lines between the view and the caret must be broken before the caret's line is known.
            const Integer topPar = GetPar(FTopNav->Pos);
            const Integer from = caretPar - topPar <= 2 * FVisibleLines ? topPar : caretPar - FVisibleLines;
            FormatNow(std::max(from, 0), caretPar, false);
            // The caret's paragraph is broken up to it; the paragraphs before it that the view will
            // show are broken whole, or the paint breaking their waiting lines pushes the caret down.
            BreakRowsFromCaret(FVisibleLines - 1, false);
            caretLine = FAnchor->GetLineNb();
            if ((FOptions & pmoNoFineScroll) != 0)
                top = std::max(caretLine - FVisibleLines + 2, 0) * h;
            else
                top = (caretLine + 1) * h - ClientHeight();
        }
    } else {
        const Integer topPar = GetPar(FTopNav->Pos);
        if (caretPar + FVisibleLines >= topPar) FormatNow(caretPar + 1, std::min(topPar, caretPar + FVisibleLines), false);
        caretLine = FAnchor->GetLineNb();
        top = caretLine * h;
    }
    SetTopLeft(std::max(top, 0), left);
    UpdateCaret(false);
}

// ---------------------------------------------------------------- window

void TStyleMemo::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    if (FVertBar) Params.Style |= WS_VSCROLL;
    if (FHorzBar) Params.Style |= WS_HSCROLL;
    if (FBorderStyle == bsSingle) {
        if (Ctl3D()) {
            Params.Style &= ~WS_BORDER;
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        } else {
            Params.Style |= WS_BORDER;
        }
    }
}

void TStyleMemo::CreateHandle()
{
    EventScope scope(*this, true);
    TCustomControl::CreateHandle();
    FVirtualCols = 0;
    FRememberedCol = static_cast<Integer>(0x80000000u);
    FCaretShown = false;
    try {
        Perform(CM_FONTCHANGED, 0, 0);
    } catch (const Exception&) {
        // The window stays; the memo works on with metrics from the font's height alone rather
        // than with none.
        FRowHeight = std::max<Integer>(std::abs(Font()->Height()) + 1, 2);
        FBaseline = FRowHeight - 2;
        FBlankWidth = std::max(FBlankWidth, 1);
        FChunkLen = 4096;
        FVisibleLines = ClientHeight() / FRowHeight + 1;
        if (FLineBmp == nullptr) MakeLineBitmap();
    }
}

void TStyleMemo::DestroyWindowHandle()
{
    FScrollDx = FScrollDy = 0;
    FOwed = false;
    FScrollPosted = false;
    FEventsPosted = false;  // the message goes with the window; the next one carries what is owed
    FPrimaryPosted = false;
    if (FCaretShown) {
        DestroyCaret();
        FCaretShown = false;
    }
    StopAutoScroll();
    FreeLineBitmap();
    FreeStyleFonts();
    TCustomControl::DestroyWindowHandle();
}

// The font tells the memo, then the memo's children: its events come once both are done.
void TStyleMemo::FontChanged()
{
    EventScope scope(*this);
    TCustomControl::FontChanged();
}

void TStyleMemo::AddNotificationClient(TComponent* Client)
{
    if (Client == nullptr || std::find(FNotifyClients.begin(), FNotifyClients.end(), Client) != FNotifyClients.end())
        return;
    FNotifyClients.push_back(Client);
    Client->FreeNotification(this);
}

void TStyleMemo::RemoveNotificationClient(TComponent* Client)
{
    std::replace(FNotifyClients.begin(), FNotifyClients.end(), Client, static_cast<TComponent*>(nullptr));
}

void TStyleMemo::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove) RemoveNotificationClient(AComponent);
}

void TStyleMemo::Loaded()
{
    EventScope scope(*this);
    TCustomControl::Loaded();
    // The text read with the form is where editing starts: nothing to undo.
    ClearUndo();
    if ((FApplyKeyWords && FKeywords->Count() > 0) || (FApplyStartStopKeys && FStartStopKeys->Count() > 0))
        ReApplyKeywords();
}

void TStyleMemo::WndProc(TMessage& Message)
{
    EventScope scope(*this);
    FLastMessage = Message;
    if (!FNotifyClients.empty()) {
        TGuardPtr<TStyleMemo> self(this);
        // A client may leave the list while it hears of the message: gone ones stay nil until the
        // end. A client may free the memo: the message goes no further.
        for (size_t i = 0; i < FNotifyClients.size(); ++i) {
            if (FNotifyClients[i] != nullptr) NotifyAccess::Tell(FNotifyClients[i], this);
            if (!self) return;
        }
        std::erase(FNotifyClients, nullptr);
    }
    TCustomControl::WndProc(Message);
}

void TStyleMemo::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case WM_VSCROLL: WMVScroll(Message); break;
    case WM_HSCROLL: WMHScroll(Message); break;
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case WM_GETDLGCODE: WMGetDlgCode(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case PM_UPDATEBKG: PMUpdateBkg(Message); break;
    case PM_PRIMARY: PMPrimary(Message); break;
    case PM_FLUSHVIEW:
        FScrollPosted = false;
        FlushScroll();
        break;
    case PM_EVENTS:
        // Raised as this message's handling ends.
        FEventsPosted = false;
        FOwedEvents |= std::exchange(FPostedEvents, 0u);
        break;
    case WM_UNDO: WMUndo(Message); break;
    case WM_CUT: WMCut(Message); break;
    case WM_COPY: WMCopy(Message); break;
    case WM_PASTE: WMPaste(Message); break;
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case WM_TIMER: WMTimer(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED: WMCaptureChanged(Message); break;
    case CM_CTL3DCHANGED:
        TCustomControl::Dispatch(Message);
        if (HandleAllocated()) RecreateWnd();
        break;
    default: TCustomControl::Dispatch(Message);
    }
}

void TStyleMemo::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight)
{
    EventScope scope(*this);
    FlushScroll();
    // OnResize may free the memo.
    TGuardPtr<TStyleMemo> self(this);
    TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (self && HandleAllocated() && !FScrollUpdating) {
        setHScrollParams();
        setVScrollParams();
        UpdateScrollBarPos(SB_HORZ, FDisplayLeft, FHScrollUnit);
        UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
    }
}

void TStyleMemo::WMSize(TMessage& Message)
{
    FlushScroll();
    TGuardPtr<TStyleMemo> self(this);
    TCustomControl::Dispatch(Message);
    if (self && HandleAllocated() && !FScrollUpdating) {
        setVScrollParams();
        UpdateScrollBarPos(SB_VERT, FTopOrigin, FVScrollUnit);
    }
}

void TStyleMemo::setHScrollParams()
{
    FlagScope updating(*this, FScrollUpdating, true);
    FHScrollUnit = (FWidestWidth + FLeftMargin + FRightMargin) / 32760 + 1;
    if (HandleAllocated() && FHorzBar) {
        const Integer cw = ClientWidth();
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE;
        si.nMin = 0;
        si.nPage = static_cast<UINT>(std::max((cw - FLeftMargin - FRightMargin) / FHScrollUnit, 0));
        Integer max = std::max((FWidestWidth + FLeftMargin + FRightMargin - cw) / FHScrollUnit, 0) + static_cast<Integer>(si.nPage) - 1;
        if (FWordWrap) max = static_cast<Integer>(si.nPage) - 1;
        if ((FOptions & pmoAutoScrollBars) == 0) ++max;
        if (FAlignment != taLeftJustify) max = static_cast<Integer>(si.nPage);
        si.nMax = max;
        SetScrollInfo(Handle(), SB_HORZ, &si, FALSE);
        if (max < static_cast<Integer>(si.nPage)) FDisplayLeft = 0;
    }
    FVisibleLines = FRowHeight < 1 ? 1 : ClientHeight() / FRowHeight + 1;
}

void TStyleMemo::setVScrollParams()
{
    EventScope scope(*this);
    FlagScope updating(*this, FScrollUpdating, true);
    FBitmapRenewed = false;
    const Integer h = std::max(FRowHeight, 1);
    FVScrollUnit = static_cast<Integer>(static_cast<Int64>(FLineCount) * h / 32760 + 1);
    if (!HandleAllocated()) return;
    const Integer ch = ClientHeight();
    if (FVertBar) {
        SCROLLINFO old;
        old.fMask = SIF_RANGE | SIF_PAGE;
        GetScrollInfo(Handle(), SB_VERT, &old);
        Integer max = std::max(static_cast<Integer>(static_cast<Int64>(FLineCount) * h / FVScrollUnit), ch - h - 1);
        if ((FOptions & pmoAutoScrollBars) == 0 && max < ch) ++max;
        const auto page = static_cast<UINT>(std::max((ch - h) / FVScrollUnit, 0));
        if (old.nMax != max || old.nPage != page || old.nMin != 0) {
            SCROLLINFO si;
            si.fMask = SIF_RANGE | SIF_PAGE;
            si.nMin = 0;
            si.nMax = max;
            si.nPage = page;
            SetScrollInfo(Handle(), SB_VERT, &si, FALSE);
        }
    }
    FVisibleLines = ch / h + 1;
    if (ClientWidth() != FLineBmpWidth) {
        FBitmapRenewed = true;
        MakeLineBitmap();
        if (FWordWrap || FAlignment != taLeftJustify) {
            Reformat();
            Invalidate();
        } else {
            setHScrollParams();
        }
    }
    if (FVertBar) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE;
        GetScrollInfo(Handle(), SB_VERT, &si);
        if (static_cast<Integer>(si.nPage) > si.nMax && TopLine() != 0) {
            FTopOrigin = 0;
            FTopNav->SetLineNb(0);
            Invalidate();
        }
    }
    // A taller window, or fewer lines: no row is left blank that the text above the top could fill.
    if (ch > FClampedHeight || FLineCount < FClampedLines) ClampTop();
    FClampedHeight = ch;
    FClampedLines = FLineCount;
}

void TStyleMemo::WMVScroll(TMessage& Message)
{
    Message.Result = 0;
    if (FUpdateCount > 0) return;
    const Integer h = std::max(FRowHeight, 1);
    const Integer top = TopLine();
    switch (static_cast<int>(LOWORD(Message.WParam))) {
    case SB_LINEUP:
        if (FTopOrigin > 0) setTopLine(FTopOrigin % h == 0 ? top - 1 : top);
        break;
    case SB_LINEDOWN:
        if (top < FLineCount - FVisibleLines + 2) setTopLine(top + 1);
        break;
    case SB_PAGEUP: {
        Integer target = std::max(top - FVisibleLines + 2, 0);
        TStyleNavigator* n = FScratch[7];
        n->SetLineNb(target);
        FormatNow(n->GetParNb(), GetPar(FTopNav->Pos), false);
        target = std::max(TopLine() - FVisibleLines + 2, 0);
        setTopLine(target);
        break;
    }
    case SB_PAGEDOWN:
        setTopLine(std::min(top + FVisibleLines - 1, std::max(FLineCount - FVisibleLines + 2, 0)));
        break;
    case SB_THUMBTRACK: {
        const Integer position = static_cast<SHORT>(HIWORD(Message.WParam));
        if ((FOptions & pmoNoFineScroll) != 0)
            setTopLine(static_cast<Integer>(std::lround(static_cast<double>(position) * FVScrollUnit / h)));
        else
            setTopOrigin(position * FVScrollUnit);
        break;
    }
    default: break;
    }
    Update();
}

void TStyleMemo::WMHScroll(TMessage& Message)
{
    Message.Result = 0;
    if (FUpdateCount > 0) return;
    const Integer cw = ClientWidth();
    switch (static_cast<int>(LOWORD(Message.WParam))) {
    case SB_LINELEFT: setDisplayLeft(std::max(FDisplayLeft - cw / 20 - 1, 0)); break;
    case SB_LINERIGHT: setDisplayLeft(FDisplayLeft + cw / 20 + 1); break;
    case SB_PAGELEFT: setDisplayLeft(std::max(FDisplayLeft + cw / 20 - cw, 0)); break;
    case SB_PAGERIGHT: setDisplayLeft(FDisplayLeft + cw - cw / 20); break;
    case SB_THUMBTRACK: setDisplayLeft(static_cast<SHORT>(HIWORD(Message.WParam)) * FHScrollUnit); break;
    default: break;
    }
    Update();
}

void TStyleMemo::WMSetFocus(TMessage& Message)
{
    TCustomControl::Dispatch(Message);
    if (!FDisplayOnly) {
        CreateCaret(Handle(), nullptr, GetCaretWidth(), FRowHeight);
        FCaretShown = true;
        UpdateCaret(false);
        PlaceCaret();
        ShowCaret(Handle());
    }
    if (FHideSelection && FUpdateCount == 0) InvalidateSelection();
}

void TStyleMemo::WMKillFocus(TMessage& Message)
{
    if (!FDisplayOnly && FCaretShown) {
        DestroyCaret();
        FCaretShown = false;
    }
    if (FHideSelection) InvalidateSelection();
    TCustomControl::Dispatch(Message);
}

void TStyleMemo::WMGetDlgCode(TMessage& Message)
{
    TCustomControl::Dispatch(Message);
    Message.Result = DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    if (FWantTabs && !FDisplayOnly) Message.Result |= DLGC_WANTTAB;
}

// ---------------------------------------------------------------- properties

void TStyleMemo::setAlignment(TAlignment Value)
{
    if (Value == FAlignment) return;
    EventScope scope(*this);
    const bool refresh = !FWordWrap && (FAlignment != taLeftJustify || Value != taLeftJustify);
    FAlignment = Value;
    FDisplayLeft = 0;
    if (refresh) {
        RefreshDisplay();
    } else if (HandleAllocated()) {
        UpdateCaret(false);
        Invalidate();
    }
}

void TStyleMemo::setJustified(bool Value)
{
    if (Value == FJustified) return;
    EventScope scope(*this);
    FJustified = Value;
    FDisplayLeft = 0;
    if (HandleAllocated()) {
        UpdateCaret(false);
        Invalidate();
    }
}

void TStyleMemo::setBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle) return;
    EventScope scope(*this);
    FBorderStyle = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TStyleMemo::setHideSelection(bool Value)
{
    if (Value == FHideSelection) return;
    FHideSelection = Value;
    if (HandleAllocated() && !Focused()) InvalidateSelection();
}

TScrollStyle TStyleMemo::ScrollBars() const
{
    if (FVertBar) return FHorzBar ? ssBoth : ssVertical;
    return FHorzBar ? ssHorizontal : ssNone;
}

void TStyleMemo::setScrollBars(TScrollStyle Value)
{
    if (Value == ScrollBars()) return;
    EventScope scope(*this);
    FVertBar = Value == ssVertical || Value == ssBoth;
    FHorzBar = Value == ssHorizontal || Value == ssBoth;
    if (HandleAllocated()) RecreateWnd();
}

void TStyleMemo::setfAltFont(TFont* Value) { FAltFont->Assign(Value); }

void TStyleMemo::AltFontChange(TObject*)
{
    EventScope scope(*this);
    FreeStyleFonts();
    RefreshDisplay();
}

void TStyleMemo::setBackground(TPicture* Value) { FBackgroundBmp->Assign(Value); }

void TStyleMemo::BackgroundChange(TObject*)
{
    if (HandleAllocated()) Invalidate();
}

void TStyleMemo::PenChange(TObject*)
{
    if (HandleAllocated()) Invalidate();
}

void TStyleMemo::setEndOfTextMark(TPen* Value) { FEndOfTextMark->Assign(Value); }
void TStyleMemo::setSpecUnderline(TPen* Value) { FSpecUnderline->Assign(Value); }

void TStyleMemo::setCaretWidth(Integer Value)
{
    if (Value == FCaretWidth) return;
    EventScope scope(*this);
    FCaretWidth = Value;
    if (HandleAllocated() && Focused() && !FDisplayOnly) UpdateCaret(true);
}

void TStyleMemo::setDisplayOnly(bool Value)
{
    if (Value == FDisplayOnly) return;
    EventScope scope(*this);
    const bool focused = HandleAllocated() && Focused();
    if (!FDisplayOnly && focused && FCaretShown) {
        DestroyCaret();
        FCaretShown = false;
    }
    FDisplayOnly = Value;
    if (!FDisplayOnly && focused) UpdateCaret(true);
}

void TStyleMemo::setHBColor(TColor Value)
{
    if (Value == FHighlightBackgnd) return;
    FHighlightBackgnd = Value;
    if (HandleAllocated()) Invalidate();
}

void TStyleMemo::setHTColor(TColor Value)
{
    if (Value == FHighlightColor) return;
    FHighlightColor = Value;
    if (HandleAllocated()) Invalidate();
}

void TStyleMemo::setLeftMargin(Integer Value)
{
    if (Value == FLeftMargin) return;
    EventScope scope(*this);
    FLeftMargin = Value;
    RefreshDisplay();
}

void TStyleMemo::setRightMargin(Integer Value)
{
    if (Value == FRightMargin) return;
    EventScope scope(*this);
    FRightMargin = Value;
    RefreshDisplay();
}

void TStyleMemo::setTabStops(Integer Value)
{
    if (Value == FTabStops) return;
    EventScope scope(*this);
    FTabStops = Value;
    RefreshDisplay();
}

void TStyleMemo::setWordWrap(bool Value)
{
    if (Value == FWordWrap) return;
    EventScope scope(*this);
    FWordWrap = Value;
    RefreshDisplay();
    if (HandleAllocated()) setHScrollParams();
    FDisplayLeft = 0;
    ScrollInView();
}

void TStyleMemo::setLineHeight(Integer Value)
{
    const Integer v = std::max(Value, 0);
    if (v == FLineHeight) return;
    EventScope scope(*this);
    FLineHeight = v;
    if (v > 0) FRowHeight = v;
    FlagScope changing(*this, FLineHeightChanging, true);
    Perform(CM_FONTCHANGED, 0, 0);
}

void TStyleMemo::setOverwrite(bool Value)
{
    if (Value == FOverwrite) return;
    EventScope scope(*this);
    FOverwrite = Value;
    if (HandleAllocated() && Focused() && !FDisplayOnly) UpdateCaret(true);
}

void TStyleMemo::setSelBackColor(TColor Value)
{
    if (Value == FSelBackColor) return;
    FSelBackColor = Value;
    if (HandleAllocated()) InvalidateSelection();
}

void TStyleMemo::setSelTextColor(TColor Value)
{
    if (Value == FSelTextColor) return;
    FSelTextColor = Value;
    if (HandleAllocated()) InvalidateSelection();
}

void TStyleMemo::setShowEndParSelected(bool Value)
{
    if (Value == FShowEndParSelected) return;
    FShowEndParSelected = Value;
    if (HandleAllocated()) InvalidateSelection();
}

void TStyleMemo::setUpdateMode(TUpdateMode Value)
{
    if (Value == FUpdateMode) return;
    EventScope scope(*this);
    FUpdateMode = Value;
    if (!HandleAllocated()) return;
    if (Value == umImmediate) {
        FormatNow(FPendingFirst, FPendingLast, false);
    } else if (Value == umBackground) {
        TMessage m{PM_UPDATEBKG, 0, 0, 0};
        FormatInBackground(m);
        PostBackground();
    }
}

// The edit window's caret, selection and scrolling: moving by keys and mouse, words, and keeping
// the caret in view.
#include <algorithm>
#include <cstdlib>

#include "platform/EditCore.h"
#include "platform/EditInternals.h"

namespace morvik::stdctl {

using namespace editdetail;

// ---- View ------------------------------------------------------------------------------------
void TEditCore::UpdateScrollBars()
{
    HWND h = Wnd();
    if (!h || !FLayoutValid)
        return;
    const DWORD style = Style();
    if (style & WS_VSCROLL) {
        SCROLLINFO si;
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = std::max(0, int(FLines.size()) - 1);
        si.nPage = UINT(VisibleLines());
        si.nPos = FTopLine;
        SetScrollInfo(h, SB_VERT, &si, TRUE);
    }
    if (style & WS_HSCROLL) {
        const int w = FormatRect().Width();
        SCROLLINFO si;
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = std::max(FMaxWidth, FScrollX + w - 1);
        si.nPage = UINT(std::max(1, w));
        si.nPos = FScrollX;
        SetScrollInfo(h, SB_HORZ, &si, TRUE);
    }
}

void TEditCore::ScrollCaretIntoView()
{
    if (!Wnd())
        return;
    if (!FLayoutValid)
        LayoutAll();
    const TRect f = FormatRect();
    const int line = LineOf(FCaret);
    int top = FTopLine;
    if (Multi()) {
        const int vis = VisibleLines();
        if (line < top)
            top = line;
        else if (line >= top + vis)
            top = line - vis + 1;
    }
    int sx = FScrollX;
    if (!Wraps()) {
        const TLine& l = FLines[size_t(line)];
        const int x = TextWidth(l.Start, FCaret, 0);
        const int w = std::max(1, f.Width());
        if (x < sx)
            sx = std::max(0, x - w / 4);
        else if (x > sx + w - 1)
            sx = x - w + 1 + std::min(w / 4, l.Width - x);
        // Text shortened at its end does not leave the box half empty.
        sx = std::min(sx, std::max(0, FMaxWidth - w + 1));
        sx = std::max(sx, x - w + 1);
    } else {
        sx = 0;
    }
    if (top != FTopLine || sx != FScrollX) {
        FTopLine = top;
        FScrollX = sx;
        Invalidate();
        UpdateScrollBars();
    }
}

void TEditCore::ScrollTo(int TopLine, int ScrollX)
{
    if (!FLayoutValid)
        LayoutAll();
    const int maxTop = std::max(0, int(FLines.size()) - VisibleLines());
    TopLine = std::clamp(TopLine, 0, maxTop);
    ScrollX = Wraps() ? 0 : std::clamp(ScrollX, 0, std::max(0, FMaxWidth - FormatRect().Width() + 1));
    if (TopLine == FTopLine && ScrollX == FScrollX)
        return;
    FTopLine = TopLine;
    FScrollX = ScrollX;
    Invalidate();
    UpdateScrollBars();
    PlaceCaret();
}

void TEditCore::PlaceCaret()
{
    HWND h = Wnd();
    if (!h || !FCaretMade)
        return;
    const TPoint p = PosFromChar(FCaret);
    SetCaretPos(p.X, p.Y);
}

void TEditCore::SetSel(int Anchor, int Caret)
{
    const int n = int(FText.size());
    const int c = Caret < 0 ? n : std::min(Caret, n);
    const int a = Anchor < 0 ? c : std::min(Anchor, n);
    if (a == FAnchor && c == FCaret)
        return;
    FAnchor = a;
    FCaret = c;
    FMergeTyping = false;
    FGoalX = -1;
    if (Wnd()) {
        ScrollCaretIntoView();
        PlaceCaret();
        Invalidate();
    }
}

// ---- Words -----------------------------------------------------------------------------------
namespace {
int ClassOf(unsigned char C, int CodePage)
{
    if (IsBlank(C) || IsBreak(C))
        return 0;
    return IsWordByte(C, CodePage) ? 1 : 2;
}
}  // namespace

int TEditCore::WordStart(int Pos) const
{
    const int cp = CodePage();
    while (Pos > 0 && IsWordByte(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp))
        --Pos;
    return Pos;
}

int TEditCore::LineStartAt(int Pos) const
{
    const size_t b = Pos > 0 ? FText.find_last_of("\r\n", size_t(Pos - 1)) : std::string::npos;
    return b == std::string::npos ? 0 : int(b) + 1;
}

int TEditCore::LineEndAt(int Pos) const
{
    int breakLen = 0;
    const int end = ParagraphEnd(Pos, breakLen);
    return end + breakLen;
}

int TEditCore::WordEnd(int Pos) const
{
    const int cp = CodePage();
    while (Pos < int(FText.size()) && IsWordByte(static_cast<unsigned char>(FText[size_t(Pos)]), cp))
        ++Pos;
    return Pos;
}

int TEditCore::NextWordStart(int Pos) const
{
    const int cp = CodePage();
    const int n = int(FText.size());
    if (Pos >= n)
        return n;
    const int cls = ClassOf(static_cast<unsigned char>(FText[size_t(Pos)]), cp);
    if (cls != 0)
        while (Pos < n && ClassOf(static_cast<unsigned char>(FText[size_t(Pos)]), cp) == cls)
            ++Pos;
    while (Pos < n && ClassOf(static_cast<unsigned char>(FText[size_t(Pos)]), cp) == 0)
        ++Pos;
    return Pos;
}

int TEditCore::PrevWordStart(int Pos) const
{
    const int cp = CodePage();
    while (Pos > 0 && ClassOf(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp) == 0)
        --Pos;
    if (Pos == 0)
        return 0;
    const int cls = ClassOf(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp);
    while (Pos > 0 && ClassOf(static_cast<unsigned char>(FText[size_t(Pos - 1)]), cp) == cls)
        --Pos;
    return Pos;
}

// ---- Input -----------------------------------------------------------------------------------
void TEditCore::MoveCaret(int Pos, bool Extend)
{
    Pos = std::clamp(Pos, 0, int(FText.size()));
    const bool hadSel = FAnchor != FCaret;
    FCaret = Pos;
    if (!Extend)
        FAnchor = Pos;
    FMergeTyping = false;
    FGoalX = -1;
    ScrollCaretIntoView();
    PlaceCaret();
    if (hadSel || FAnchor != FCaret)
        Invalidate();
}

bool TEditCore::KeyDown(Word Key, TShiftState Shift)
{
    if (!FLayoutValid)
        LayoutAll();
    const bool extend = Shift & ssShift;
    const bool ctrl = Shift & ssCtrl;
    const bool multi = Multi();
    const bool hasSel = FAnchor != FCaret;
    const int n = int(FText.size());
    auto prevPos = [&](int p) {
        if (p >= 2 && FText.compare(size_t(p - 2), 2, "\r\n") == 0)
            return p - 2;
        return std::max(0, p - 1);
    };
    auto nextPos = [&](int p) {
        if (p + 2 <= n && FText.compare(size_t(p), 2, "\r\n") == 0)
            return p + 2;
        return std::min(n, p + 1);
    };
    auto vertical = [&](int lines) {
        const int line = LineOf(FCaret);
        const TLine& l = FLines[size_t(line)];
        if (FGoalX < 0)
            FGoalX = TextWidth(l.Start, FCaret, 0) + LineLeft(l) + FScrollX;
        const int target = std::clamp(line + lines, 0, int(FLines.size()) - 1);
        const int goal = FGoalX;
        const TRect f = FormatRect();
        const int pos = CharFromPos({goal - FScrollX, f.Top + (target - FTopLine) * FLineHeight});
        MoveCaret(pos, extend);
        FGoalX = goal;
    };
    switch (Key) {
    case VK_LEFT:
        if (hasSel && !extend)
            MoveCaret(SelStart(), false);
        else
            MoveCaret(ctrl ? PrevWordStart(FCaret) : prevPos(FCaret), extend);
        return true;
    case VK_RIGHT:
        if (hasSel && !extend)
            MoveCaret(SelEnd(), false);
        else
            MoveCaret(ctrl ? NextWordStart(FCaret) : nextPos(FCaret), extend);
        return true;
    case VK_HOME:
        MoveCaret(ctrl || !multi ? 0 : FLines[size_t(LineOf(FCaret))].Start, extend);
        return true;
    case VK_END: {
        if (ctrl || !multi) {
            MoveCaret(n, extend);
        } else {
            const TLine& l = FLines[size_t(LineOf(FCaret))];
            int end = l.Start + l.Len;
            if (l.Next == end && end < n && end > l.Start)
                --end;  // before the blank that a soft break hangs at the line's end
            MoveCaret(end, extend);
        }
        return true;
    }
    case VK_UP:
    case VK_DOWN:
        if (!multi)
            return false;
        vertical(Key == VK_UP ? -1 : 1);
        return true;
    case VK_PRIOR:
    case VK_NEXT: {
        if (!multi)
            return false;
        const int vis = VisibleLines();
        ScrollTo(FTopLine + (Key == VK_PRIOR ? -vis : vis), FScrollX);
        vertical(Key == VK_PRIOR ? -vis : vis);
        return true;
    }
    case VK_DELETE:
        if (Style() & ES_READONLY)
            return true;
        if (extend && !ctrl) {
            Cut();
            return true;
        }
        if (hasSel) {
            Clear();
        } else if (FCaret < n) {
            Replace(FCaret, ctrl ? NextWordStart(FCaret) : nextPos(FCaret), std::string(), kDeleteForward, true);
            Changed(true);
        }
        return true;
    case VK_INSERT:
        if (ctrl && !extend)
            Copy();
        else if (extend && !ctrl)
            Paste();
        return true;
    case VK_APPS:
    case VK_F10:
        // The menu key and Shift+F10 open the context menu under the caret.
        if (Key == VK_F10 && !(extend && !ctrl))
            return false;
        SendMessage(Wnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Wnd()), MAKELPARAM(-1, -1));
        return true;
    default: return false;
    }
}


void TEditCore::MouseDown(TPoint P, bool Shift, bool Double)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    if (GetFocus() != h) {
        ::SetFocus(h);
        if (!Alive(host, h))
            return;
    }
    if (!FLayoutValid)
        LayoutAll();
    const int pos = CharFromPos(P);
    // A third press soon after a double click and near it selects the whole line with its break,
    // as the desktop's text fields do.
    const DWORD now = GetMessageTime();
    const bool triple = !Double && !Shift && FDoubleArmed && now - FDoubleTime <= GetDoubleClickTime() &&
                        std::abs(P.X - FDoublePoint.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                        std::abs(P.Y - FDoublePoint.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    FDoubleArmed = Double;
    FDoubleTime = now;
    FDoublePoint = P;
    if (triple) {
        FSelectUnit = TUnit::Lines;
        FWordAnchorStart = LineStartAt(pos);
        FWordAnchorEnd = LineEndAt(FWordAnchorStart);
        FAnchor = FWordAnchorStart;
        MoveCaret(FWordAnchorEnd, true);
    } else if (Double) {
        const int cp = CodePage();
        int a = pos, b = pos;
        const int n = int(FText.size());
        // The word under the pointer, or else the run of one kind of character there.
        int at = pos < n ? pos : pos - 1;
        if (at >= 0 && !IsWordByte(static_cast<unsigned char>(FText[size_t(at)]), cp) && at > 0 &&
            IsWordByte(static_cast<unsigned char>(FText[size_t(at - 1)]), cp) && at == pos)
            at = pos - 1;
        if (at >= 0) {
            const int cls = ClassOf(static_cast<unsigned char>(FText[size_t(at)]), cp);
            a = at;
            b = at + 1;
            if (!IsBreak(static_cast<unsigned char>(FText[size_t(at)]))) {
                while (a > 0 && ClassOf(static_cast<unsigned char>(FText[size_t(a - 1)]), cp) == cls &&
                       !IsBreak(static_cast<unsigned char>(FText[size_t(a - 1)])))
                    --a;
                while (b < n && ClassOf(static_cast<unsigned char>(FText[size_t(b)]), cp) == cls &&
                       !IsBreak(static_cast<unsigned char>(FText[size_t(b)])))
                    ++b;
            } else {
                b = a;
            }
        }
        FSelectUnit = TUnit::Words;
        FWordAnchorStart = a;
        FWordAnchorEnd = b;
        FAnchor = a;
        MoveCaret(b, true);
    } else {
        FSelectUnit = TUnit::Chars;
        MoveCaret(pos, Shift);
    }
    FSelecting = true;
    FGoalX = -1;
    SetCapture(h);
}

void TEditCore::MouseMove(TPoint P)
{
    if (!FSelecting)
        return;
    FollowDrag(P);
    const TRect f = FormatRect();
    // Dragging past the top or bottom edge scrolls a line at a time.
    // The caret goes to the line that came into view; a point beyond it would scroll once more.
    if (Multi() && P.Y < f.Top) {
        ScrollTo(FTopLine - 1, FScrollX);
        P.Y = f.Top;
    } else if (Multi() && P.Y >= f.Bottom) {
        ScrollTo(FTopLine + 1, FScrollX);
        P.Y = f.Top + std::max(0, VisibleLines() - 1) * FLineHeight;
    }
    int pos = CharFromPos(P);
    if (FSelectUnit != TUnit::Chars) {
        const bool lines = FSelectUnit == TUnit::Lines;
        if (pos < FWordAnchorStart) {
            FAnchor = FWordAnchorEnd;
            pos = lines ? LineStartAt(pos) : WordStart(pos);
        } else {
            FAnchor = FWordAnchorStart;
            pos = std::max(lines ? LineEndAt(pos) : WordEnd(pos), FWordAnchorEnd);
        }
    }
    MoveCaret(pos, true);
}

void TEditCore::MouseUp()
{
    StopAutoScroll();
    if (!FSelecting)
        return;
    FSelecting = false;
    HWND h = Wnd();
    if (GetCapture() == h)
        ReleaseCapture();
    OfferPrimary();
}

void TEditCore::FollowDrag(TPoint P)
{
    FDragPoint = P;
    const TRect f = FormatRect();
    const bool beyond = (Multi() && (P.Y < f.Top || P.Y >= f.Bottom)) || (!Wraps() && (P.X < f.Left || P.X >= f.Right));
    if (beyond == FAutoScrolling)
        return;
    if (beyond) {
        FAutoScrolling = SetTimer(Wnd(), kAutoScrollTimer, kAutoScrollMs, nullptr) != 0;
    } else {
        StopAutoScroll();
    }
}

void TEditCore::StopAutoScroll()
{
    if (!FAutoScrolling)
        return;
    FAutoScrolling = false;
    if (HWND h = Wnd())
        KillTimer(h, kAutoScrollTimer);
}

void TEditCore::Scroll(int Bar, int Code, int Pos)
{
    if (!FLayoutValid)
        LayoutAll();
    if (Code == SB_THUMBTRACK || Code == SB_THUMBPOSITION) {
        SCROLLINFO si;
        si.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(Wnd(), Bar, &si))
            Pos = si.nTrackPos;
    }
    if (Bar == SB_VERT) {
        const int vis = VisibleLines();
        int top = FTopLine;
        switch (Code) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= vis; break;
        case SB_PAGEDOWN: top += vis; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = Pos; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = int(FLines.size()); break;
        default: return;
        }
        ScrollTo(top, FScrollX);
    } else {
        const int w = FormatRect().Width();
        int x = FScrollX;
        switch (Code) {
        case SB_LINELEFT: x -= FAveWidth; break;
        case SB_LINERIGHT: x += FAveWidth; break;
        case SB_PAGELEFT: x -= w; break;
        case SB_PAGERIGHT: x += w; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = Pos; break;
        case SB_LEFT: x = 0; break;
        case SB_RIGHT: x = FMaxWidth; break;
        default: return;
        }
        ScrollTo(FTopLine, x);
    }
}

}  // namespace morvik::stdctl

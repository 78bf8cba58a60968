#include "platform/ListCore.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePages.h"
#include "platform/Guard.h"
#include "platform/EditCore.h"

namespace morvik::stdctl {

namespace {

// The host (and its window) are still there after a handler ran.
bool Alive(const TGuardPtr<TWinControl>& Host, HWND Wnd) { return Host && IsWindow(Wnd); }

int CompareNoCase(const std::string& A, const std::string& B, int CodePage)
{
    const size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char a = LowerByte(static_cast<unsigned char>(A[i]), CodePage);
        const unsigned char b = LowerByte(static_cast<unsigned char>(B[i]), CodePage);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}
}  // namespace

// ---- TListCore -------------------------------------------------------------------------------
TListCore::TListCore(TWinControl* Host) : FHost(Host) {}

HWND TListCore::Wnd() const { return FHost->HandleAllocated() ? FHost->Handle() : nullptr; }

DWORD TListCore::Style() const
{
    if (HWND h = Wnd())
        return DWORD(GetWindowLong(h, GWL_STYLE));
    return FStyleSource ? FStyleSource() : 0;
}

bool TListCore::MultiSel() const { return !ComboMode() && (Style() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
bool TListCore::Extended() const { return !ComboMode() && (Style() & LBS_EXTENDEDSEL) != 0; }
bool TListCore::OwnerDraw() const { return (Style() & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool TListCore::Variable() const { return (Style() & LBS_OWNERDRAWVARIABLE) != 0; }

void TListCore::Measure()
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FHost->Font()->Handle());
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    FFontHeight = std::max<int>(1, tm.tmHeight);
    FAveWidth = std::max<int>(1, tm.tmAveCharWidth);
}

void TListCore::FontChanged()
{
    Measure();
    SetTop(FTop);
    UpdateScrollBar(false);
    Invalidate();
}

int TListCore::FixedHeight() const { return FItemHeight > 0 ? FItemHeight : FFontHeight; }

int TListCore::ItemHeight(int Index) const
{
    if (Variable() && Index >= 0 && Index < Count() && FItems.At(Index).Height > 0)
        return FItems.At(Index).Height;
    return FixedHeight();
}

// Items wholly in view from From on (at least one).
int TListCore::VisibleCount(int From) const
{
    TRect c{0, 0, 0, 0};
    if (HWND h = Wnd())
        GetClientRect(h, &c);
    if (!Variable())
        return std::max(1, c.Height() / FixedHeight());
    int n = 0, y = 0;
    for (int i = From; i < Count(); ++i) {
        y += ItemHeight(i);
        if (y > c.Height())
            break;
        ++n;
    }
    return std::max(1, n);
}

void TListCore::UpdateScrollBar(bool Redraw)
{
    HWND h = Wnd();
    if (!h)
        return;
    const DWORD style = Style();
    // The window drops a bar's style bit while it hides the bar; the list still has the bar.
    FHasVBar = FHasVBar || (style & WS_VSCROLL);
    FHasHBar = FHasHBar || (style & WS_HSCROLL);
    const UINT disable = (style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0;
    if (FHasVBar) {
        SCROLLINFO si;
        si.fMask = SIF_ALL | disable;
        si.nMax = std::max(0, Count() - 1);
        si.nPage = UINT(VisibleCount(FTop));
        si.nPos = FTop;
        SetScrollInfo(h, SB_VERT, &si, Redraw);
    }
    if (FHasHBar) {
        TRect c;
        GetClientRect(h, &c);
        SCROLLINFO si;
        si.fMask = SIF_ALL | disable;
        si.nMax = FExtent > c.Width() ? FExtent - 1 : 0;
        si.nPage = UINT(std::max(1, c.Width()));
        si.nPos = FScrollX;
        SetScrollInfo(h, SB_HORZ, &si, Redraw);
    }
}

void TListCore::Invalidate()
{
    if (HWND h = Wnd())
        InvalidateRect(h, nullptr, TRUE);
}

bool TListCore::Notify(Word Code)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    if (!h)
        return true;
    if ((Code == LBN_SELCHANGE || Code == LBN_DBLCLK) && !(Style() & LBS_NOTIFY) && !ComboMode())
        return true;
    HWND target = FCombo ? FCombo : GetParent(h);
    if (target)
        SendMessage(target, WM_COMMAND, MAKEWPARAM(GetWindowLong(h, GWL_ID), Code), reinterpret_cast<LPARAM>(h));
    return Alive(host, h);
}

bool TListCore::MeasureItem(int Index)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    const int n = Count();
    MEASUREITEMSTRUCT mis;
    mis.CtlType = FCombo ? ODT_COMBOBOX : ODT_LISTBOX;
    mis.itemID = UINT(Index);
    mis.itemHeight = UINT(FixedHeight());
    mis.itemData = FItems.At(Index).Data;
    HWND owner = FCombo ? FCombo : h;
    if (owner)
        SendMessage(owner, CN_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    // The program's handler may have freed the list (a combo box's with the box) or changed its
    // items; then the height is not the item's to keep.
    if (!Alive(host, h))
        return false;
    if (Count() == n)
        FItems.SetHeight(Index, int(std::max<UINT>(1, mis.itemHeight)));
    return true;
}

int TListCore::AddString(const std::string& S, std::uintptr_t Data, int Index, bool Sorted)
{
    const int cp = CharsetToCodePage(FHost->Font()->Charset());
    if (Sorted)
        Index = FItems.SortedPosition(S, [cp](const std::string& a, const std::string& b) {
            return CompareNoCase(a, b, cp) < 0;
        });
    else if (Index < 0 || Index > Count())
        Index = Count();
    FItems.Insert(Index, TListItem{S, Data, 0, false});
    for (int* p : {&FCurSel, &FCaretItem, &FAnchor, &FKept})
        if (*p >= Index)
            ++*p;
    if (Variable() && !MeasureItem(Index))
        return Index;
    UpdateScrollBar(false);
    Invalidate();
    if (OnComboItemsChanged)
        OnComboItemsChanged(false);
    return Index;
}

int TListCore::DeleteString(int Index)
{
    if (Index < 0 || Index >= Count())
        return int(LB_ERR);
    FItems.Erase(Index);
    const bool selectionGone = FCurSel == Index;
    for (int* p : {&FCurSel, &FCaretItem, &FAnchor, &FKept}) {
        if (*p == Index)
            *p = -1;
        else if (*p > Index)
            --*p;
    }
    if (FTop >= Count())
        FTop = std::max(0, Count() - 1);
    UpdateScrollBar(false);
    Invalidate();
    if (OnComboItemsChanged)
        OnComboItemsChanged(selectionGone);
    return Count();
}

void TListCore::Reset()
{
    FItems.Clear();
    const bool selectionGone = FCurSel >= 0;
    FCurSel = FCaretItem = FAnchor = FKept = -1;
    FTop = 0;
    FScrollX = 0;
    UpdateScrollBar(false);
    Invalidate();
    if (OnComboItemsChanged)
        OnComboItemsChanged(selectionGone);
}

void TListCore::SetTop(int Index)
{
    const int maxTop = std::max(0, Count() - VisibleCount(std::max(0, Count() - 1)));
    // The last page is full: the top stops where the last item shows at the bottom.
    int last = Count();
    int fit = 0;
    if (Variable()) {
        TRect c{0, 0, 0, 0};
        if (HWND h = Wnd())
            GetClientRect(h, &c);
        int y = 0;
        while (last > 0 && y + ItemHeight(last - 1) <= c.Height()) {
            y += ItemHeight(--last);
            ++fit;
        }
        Index = std::clamp(Index, 0, std::max(0, Count() - std::max(1, fit)));
    } else {
        Index = std::clamp(Index, 0, maxTop);
    }
    if (Index == FTop)
        return;
    FTop = Index;
    UpdateScrollBar(false);
    Invalidate();
}

void TListCore::MakeVisible(int Index)
{
    // Without a window there is no view to bring the item into.
    if (Index < 0 || Index >= Count() || !Wnd())
        return;
    if (Index < FTop) {
        SetTop(Index);
        return;
    }
    const int vis = VisibleCount(FTop);
    if (Index >= FTop + vis) {
        // Scroll so the item is the last one wholly shown.
        int top = Index;
        TRect c{0, 0, 0, 0};
        if (HWND h = Wnd())
            GetClientRect(h, &c);
        int y = ItemHeight(Index);
        while (top > 0 && y + ItemHeight(top - 1) <= c.Height())
            y += ItemHeight(--top);
        SetTop(top);
    }
}

void TListCore::SetCaretItem(int Index)
{
    if (FCaretItem != Index) {
        FCaretItem = Index;
        Invalidate();
    }
}

void TListCore::SetCurSel(int Index)
{
    if (Index < -1 || Index >= Count())
        Index = -1;
    FCurSel = Index;
    FCaretItem = Index;
    if (Index >= 0)
        MakeVisible(Index);
    Invalidate();
}

// Single-selection lists: the item becomes the selection; multi-selection ones: the only one.
bool TListCore::SelectOnly(int Index)
{
    bool changed = false;
    if (MultiSel()) {
        // Only the items that change are visited.
        for (int i = FItems.NextSelected(0); i >= 0; i = FItems.NextSelected(i + 1))
            if (i != Index)
                changed = FItems.SetSelected(i, false) || changed;
        changed = FItems.SetSelected(Index, true) || changed;
    } else {
        changed = FCurSel != Index;
        FCurSel = Index;
    }
    FCaretItem = Index;
    MakeVisible(Index);
    Invalidate();
    return changed;
}

bool TListCore::SelectRange(int From, int To, bool Clear)
{
    if (From > To)
        std::swap(From, To);
    From = std::max(0, From);
    To = std::min(To, Count() - 1);
    bool changed = false;
    // Only the items that change are visited: those selected outside, those not selected inside.
    if (Clear) {
        for (int i = FItems.NextSelected(0); i >= 0 && i < From; i = FItems.NextSelected(i + 1))
            changed = FItems.SetSelected(i, false) || changed;
        for (int i = FItems.NextSelected(To + 1); i >= 0; i = FItems.NextSelected(i + 1))
            changed = FItems.SetSelected(i, false) || changed;
    }
    for (int i = FItems.NextUnselected(From); i >= 0 && i <= To; i = FItems.NextUnselected(i + 1))
        changed = FItems.SetSelected(i, true) || changed;
    Invalidate();
    return changed;
}

int TListCore::Find(int Start, const std::string& S, bool Exact) const
{
    const int n = Count();
    if (n == 0)
        return int(LB_ERR);
    const int cp = CharsetToCodePage(FHost->Font()->Charset());
    Start = (Start < 0 || Start >= n) ? 0 : Start;
    for (int k = 0; k < n; ++k) {
        const int i = (Start + k) % n;
        const std::string& t = FItems.At(i).Text;
        if (Exact ? CompareNoCase(t, S, cp) == 0
                  : (t.size() >= S.size() && CompareNoCase(t.substr(0, S.size()), S, cp) == 0))
            return i;
    }
    return int(LB_ERR);
}

int TListCore::ItemAt(TPoint P, bool* Outside)
{
    TRect c{0, 0, 0, 0};
    if (HWND h = Wnd())
        GetClientRect(h, &c);
    bool outside = !PtInRect(c, P);
    int index = -1;
    if (Count() > 0) {
        if (P.Y < 0) {
            index = std::max(0, FTop - 1);
        } else {
            index = FTop;
            if (!Variable())
                index += P.Y / FixedHeight();
            for (int y = 0; Variable() && index < Count() && y + ItemHeight(index) <= P.Y; ++index)
                y += ItemHeight(index);
            if (index >= Count()) {
                index = Count() - 1;
                outside = true;
            }
        }
    }
    if (Outside)
        *Outside = outside;
    return index;
}

TRect TListCore::ItemRect(int Index)
{
    TRect c{0, 0, 0, 0};
    if (HWND h = Wnd())
        GetClientRect(h, &c);
    int y = 0;
    if (!Variable()) {
        y = (Index - FTop) * FixedHeight();
    } else if (Index >= FTop) {
        for (int i = FTop; i < Index; ++i)
            y += ItemHeight(i);
    } else {
        for (int i = Index; i < FTop; ++i)
            y -= ItemHeight(i);
    }
    return {-FScrollX, y, std::max(c.Width(), FExtent) - FScrollX, y + ItemHeight(Index)};
}

// ---- Painting --------------------------------------------------------------------------------
void TListCore::DrawItem(HDC DC, int Index, const TRect& R, UINT Action, UINT State, LRESULT Brush)
{
    HWND h = Wnd();
    if (OwnerDraw()) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = FCombo ? ODT_COMBOBOX : ODT_LISTBOX;
        dis.itemID = UINT(Index);
        dis.itemAction = Action;
        dis.itemState = State;
        dis.hwndItem = FCombo ? FCombo : h;
        dis.hDC = DC;
        dis.rcItem = R;
        dis.itemData = Index >= 0 ? FItems.At(Index).Data : 0;
        if (HWND target = GetParent(dis.hwndItem))
            SendMessage(target, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
        return;
    }
    if (Index < 0) {
        if (State & ODS_FOCUS)
            DrawFocusRect(DC, &R);
        return;
    }
    const bool selected = State & ODS_SELECTED;
    const COLORREF text = GetTextColor(DC);
    if (selected) {
        HBRUSH b = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
        FillRect(DC, &R, b);
        DeleteObject(b);
        SetTextColor(DC, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else if (Brush) {
        FillRect(DC, &R, reinterpret_cast<HBRUSH>(Brush));
    }
    const int mode = SetBkMode(DC, TRANSPARENT);
    const std::string& s = FItems.At(Index).Text;
    if (Style() & LBS_USETABSTOPS)
        TabbedTextOut(DC, R.Left + 2, R.Top, s.c_str(), int(s.size()), int(FTabStops.size()),
                      FTabStops.empty() ? nullptr : FTabStops.data(), R.Left + 2);
    else
        TextOut(DC, R.Left + 2, R.Top, s.c_str(), int(s.size()));
    SetBkMode(DC, mode);
    SetTextColor(DC, text);
    if (State & ODS_FOCUS)
        DrawFocusRect(DC, &R);
}

void TListCore::Paint(HDC DC)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    LRESULT brush = 0;
    HWND colourTarget = FCombo ? FCombo : GetParent(h);
    if (colourTarget) {
        brush = SendMessage(colourTarget, WM_CTLCOLORLISTBOX, WPARAM(DC), reinterpret_cast<LPARAM>(h));
        if (!Alive(host, h))
            return;
    }
    if (!brush) {
        SetTextColor(DC, ColorToRGB(FHost->Font()->Color()));
        SetBkColor(DC, ColorToRGB(FHost->Color()));
        brush = reinterpret_cast<LRESULT>(FHost->Brush()->Handle());
    }
    if (!IsWindowEnabled(h))
        SetTextColor(DC, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ oldFont = SelectObject(DC, FHost->Font()->Handle());
    TRect c;
    GetClientRect(h, &c);
    const bool focused = GetFocus() == h;
    int y = 0;
    for (int i = FTop; i < Count() && y < c.Bottom; ++i) {
        const TRect r = ItemRect(i);
        y = r.Bottom;
        if (!RectVisible(DC, &r))
            continue;
        UINT state = 0;
        if (MultiSel() ? FItems.At(i).Selected : i == FCurSel)
            state |= ODS_SELECTED;
        if (focused && i == FCaretItem && !FCombo)
            state |= ODS_FOCUS;
        if (!IsWindowEnabled(h))
            state |= ODS_DISABLED;
        DrawItem(DC, i, r, ODA_DRAWENTIRE, state, brush);
        if (!Alive(host, h))
            return;
    }
    if (Count() == 0 && focused && !FCombo) {
        const TRect r{0, 0, c.Width(), FixedHeight()};
        DrawItem(DC, -1, r, ODA_FOCUS, ODS_FOCUS, brush);
        if (!Alive(host, h))
            return;
    }
    SelectObject(DC, oldFont);
}

// ---- Input -----------------------------------------------------------------------------------
bool TListCore::KeyDown(Word Key, TShiftState Shift)
{
    const int n = Count();
    int cur = FCaretItem >= 0 ? FCaretItem : FCurSel;
    int target = cur;
    const int page = std::max(1, VisibleCount(FTop) - 1);
    switch (Key) {
    case VK_UP:
    case VK_LEFT: target = cur < 0 ? 0 : cur - 1; break;
    case VK_DOWN:
    case VK_RIGHT: target = cur < 0 ? 0 : cur + 1; break;
    case VK_PRIOR: target = cur - page; break;
    case VK_NEXT: target = cur < 0 ? page : cur + page; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = n - 1; break;
    case VK_SPACE:
        if (MultiSel() && cur >= 0 && (!Extended() || (Shift & ssCtrl))) {
            FItems.SetSelected(cur, !FItems.At(cur).Selected);
            FAnchor = cur;
            Invalidate();
            Notify(LBN_SELCHANGE);
            return true;
        }
        return false;
    default: return false;
    }
    if (n == 0)
        return true;
    target = std::clamp(target, 0, n - 1);
    bool changed = false;
    if (!MultiSel()) {
        changed = SelectOnly(target);
    } else if (Extended() && (Shift & ssShift)) {
        if (FAnchor < 0)
            FAnchor = cur < 0 ? target : cur;
        changed = SelectRange(FAnchor, target, !(Shift & ssCtrl));
        SetCaretItem(target);
        MakeVisible(target);
    } else if (Extended() && !(Shift & ssCtrl)) {
        changed = SelectOnly(target);
        FAnchor = target;
    } else {
        SetCaretItem(target);
        MakeVisible(target);
    }
    if (changed) {
        if (FCombo && OnComboSelChange)
            OnComboSelChange();
        else
            Notify(LBN_SELCHANGE);
    }
    return true;
}

bool TListCore::Char(unsigned char C)
{
    if (C < 0x20 || C == 0x7F)
        return false;
    if (OwnerDraw() && !(Style() & LBS_HASSTRINGS))
        return true;
    const DWORD now = GetMessageTime();
    if (now - FSearchTime > 1000)
        FSearch.clear();
    FSearchTime = now;
    const int cur = FCaretItem >= 0 ? FCaretItem : FCurSel;
    // The same letter again steps through the items starting with it.
    const bool again = FSearch.size() == 1 && static_cast<unsigned char>(FSearch[0]) == C;
    if (!again)
        FSearch += char(C);
    const int found = Find(again || FSearch.size() == 1 ? cur + 1 : std::max(0, cur), FSearch, false);
    if (found < 0)
        return true;
    bool changed = SelectOnly(found);
    FAnchor = found;
    if (changed) {
        if (FCombo && OnComboSelChange)
            OnComboSelChange();
        else
            Notify(LBN_SELCHANGE);
    }
    return true;
}

void TListCore::MouseDown(TPoint P, TShiftState Shift, bool Double)
{
    HWND h = Wnd();
    TGuardPtr<TWinControl> host(FHost);
    // A plain list takes the focus first: its OnEnter, or the focused control's OnExit, may change
    // the items, so the item under the press is found after them.
    if (!FCombo && GetFocus() != h) {
        ::SetFocus(h);
        if (!Alive(host, h))
            return;
    }
    bool outside = false;
    const int index = ItemAt(P, &outside);
    if (FCombo && FPopup) {
        TRect c;
        GetClientRect(h, &c);
        if (!PtInRect(c, P)) {
            // A press on the list's own scroll bar scrolls it; anywhere else ends the list's turn.
            POINT sp = P;
            ClientToScreen(h, &sp);
            TRect w;
            GetWindowRect(h, &w);
            if (PtInRect(w, sp)) {
                const LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(sp.X, sp.Y));
                ReleaseCapture();
                SendMessage(h, WM_NCLBUTTONDOWN, WPARAM(hit), MAKELPARAM(sp.X, sp.Y));
                return;
            }
            if (OnComboEnd)
                OnComboEnd(false);
            return;
        }
        FTracking = true;
        if (index >= 0 && !outside) {
            SelectOnly(index);
            if (OnComboPointed)
                OnComboPointed();
        }
        return;
    }
    if (FCombo) {
        // The simple combo box's list: a click chooses.
        if (index >= 0 && !outside && SelectOnly(index) && OnComboSelChange)
            OnComboSelChange();
        return;
    }
    if (index < 0 || outside) {
        if (Double)
            Notify(LBN_DBLCLK);
        return;
    }
    bool changed = false;
    if (!MultiSel()) {
        changed = SelectOnly(index);
    } else if (!Extended()) {
        FItems.SetSelected(index, !FItems.At(index).Selected);
        FDragToggled = FItems.At(index).Selected;
        SetCaretItem(index);
        FAnchor = index;
        changed = true;
        Invalidate();
    } else if (Shift & ssShift) {
        if (FAnchor < 0)
            FAnchor = index;
        changed = SelectRange(FAnchor, index, !(Shift & ssCtrl));
        SetCaretItem(index);
    } else if (Shift & ssCtrl) {
        FItems.SetSelected(index, !FItems.At(index).Selected);
        SetCaretItem(index);
        FAnchor = index;
        changed = true;
        Invalidate();
    } else {
        changed = SelectOnly(index);
        FAnchor = index;
    }
    FTracking = true;
    SetCapture(h);
    if (changed && !Notify(LBN_SELCHANGE))
        return;
    if (Double)
        Notify(LBN_DBLCLK);
}

void TListCore::MouseMove(TPoint P, bool Down)
{
    HWND h = Wnd();
    TRect c;
    GetClientRect(h, &c);
    if (FCombo) {
        if (!FPopup)
            return;
        if (PtInRect(c, P)) {
            bool outside = false;
            const int index = ItemAt(P, &outside);
            if (index >= 0 && !outside && index != FCurSel) {
                SelectOnly(index);
                if (OnComboPointed)
                    OnComboPointed();
            }
        } else if (Down && FTracking) {
            SetTop(FTop + (P.Y < 0 ? -1 : (P.Y >= c.Bottom ? 1 : 0)));
        }
        return;
    }
    if (!FTracking || !Down)
        return;
    // Past an edge the list scrolls a row and the row that came in wholly is taken.
    int index;
    if (P.Y < 0) {
        SetTop(FTop - 1);
        index = FTop;
    } else if (P.Y >= c.Bottom) {
        SetTop(FTop + 1);
        index = std::min(Count() - 1, FTop + VisibleCount(FTop) - 1);
    } else {
        index = ItemAt(P);
    }
    if (index < 0)
        return;
    bool changed = false;
    if (!MultiSel())
        changed = SelectOnly(index);
    else if (Extended()) {
        changed = SelectRange(FAnchor < 0 ? index : FAnchor, index, true);
        SetCaretItem(index);
    }
    if (changed)
        Notify(LBN_SELCHANGE);
}

void TListCore::MouseUp(TPoint P)
{
    HWND h = Wnd();
    const bool tracking = FTracking;
    FTracking = false;
    if (FCombo) {
        if (!FPopup)
            return;
        TRect c;
        GetClientRect(h, &c);
        bool outside = false;
        const int index = ItemAt(P, &outside);
        if (tracking && PtInRect(c, P) && index >= 0 && !outside && OnComboEnd)
            OnComboEnd(true);
        return;
    }
    if (GetCapture() == h)
        ReleaseCapture();
}

void TListCore::Scroll(int Bar, int Code)
{
    HWND h = Wnd();
    if (Bar == SB_VERT) {
        const int page = std::max(1, VisibleCount(FTop));
        int top = FTop;
        switch (Code) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= page; break;
        case SB_PAGEDOWN: top += page; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = Count(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(h, SB_VERT, &si);
            top = si.nTrackPos;
            break;
        }
        default: break;
        }
        SetTop(top);
    } else {
        TRect c;
        GetClientRect(h, &c);
        int x = FScrollX;
        switch (Code) {
        case SB_LINELEFT: x -= FAveWidth; break;
        case SB_LINERIGHT: x += FAveWidth; break;
        case SB_PAGELEFT: x -= c.Width(); break;
        case SB_PAGERIGHT: x += c.Width(); break;
        case SB_LEFT: x = 0; break;
        case SB_RIGHT: x = FExtent; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(h, SB_HORZ, &si);
            x = si.nTrackPos;
            break;
        }
        default: break;
        }
        x = std::clamp(x, 0, std::max(0, FExtent - c.Width()));
        if (x != FScrollX) {
            FScrollX = x;
            UpdateScrollBar();
            Invalidate();
        }
    }
    // A drop-down list takes the mouse back once its scroll bar lets it go.
    if (FCombo && FPopup && Code == SB_ENDSCROLL && IsWindowVisible(h))
        SetCapture(h);
}

// ---- Messages --------------------------------------------------------------------------------
bool TListCore::WindowProc(TMessage& M)
{
    HWND h = Wnd();
    const int n = Count();
    auto valid = [&](WPARAM i) { return std::intptr_t(i) >= 0 && std::intptr_t(i) < n; };
    switch (M.Msg) {
    case WM_CREATE:
        FHasVBar = (Style() & WS_VSCROLL) != 0;
        FHasHBar = (Style() & WS_HSCROLL) != 0;
        Measure();
        UpdateScrollBar();
        return false;
    case WM_PAINT: {
        HDC dc = reinterpret_cast<HDC>(M.WParam);
        PAINTSTRUCT ps;
        // Ended even when a handler took the window away or raised, so the context is let go.
        const TPaintEnd end{h, ps};
        if (!dc)
            dc = BeginPaint(h, &ps);
        Paint(dc);
        M.Result = 0;
        return true;
    }
    case WM_SIZE:
        SetTop(FTop);
        UpdateScrollBar();
        Invalidate();
        return false;
    case WM_SETFOCUS:
        if (FCaretItem < 0 && !MultiSel())
            FCaretItem = FCurSel;
        Invalidate();
        Notify(LBN_SETFOCUS);
        return true;
    case WM_KILLFOCUS:
        FTracking = false;
        Invalidate();
        Notify(LBN_KILLFOCUS);
        return true;
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return true;
    case WM_KEYDOWN: return KeyDown(LOWORD(M.WParam), KeyDataToShiftState(M.LParam));
    case WM_CHAR: return Char(static_cast<unsigned char>(M.WParam));
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TShiftState shift = KeysToShiftState(M.WParam);
        MouseDown({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, shift, M.Msg == WM_LBUTTONDBLCLK);
        return true;
    }
    case WM_MOUSEMOVE:
        MouseMove({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, (M.WParam & MK_LBUTTON) != 0);
        return true;
    case WM_LBUTTONUP: MouseUp({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}); return true;
    case WM_CAPTURECHANGED:
        if (!FCombo)
            FTracking = false;
        return false;
    case WM_MOUSEWHEEL:
        SetTop(FTop - GET_WHEEL_DELTA_WPARAM(M.WParam) * 3 / WHEEL_DELTA);
        M.Result = 0;
        return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(M.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(M.WParam));
        return true;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        const bool strings = !OwnerDraw() || (Style() & LBS_HASSTRINGS);
        const std::string s = strings && M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
        const std::uintptr_t data = strings ? 0 : std::uintptr_t(M.LParam);
        const bool sorted = M.Msg == LB_ADDSTRING && (Style() & LBS_SORT) && strings;
        if (M.Msg == LB_INSERTSTRING && std::intptr_t(M.WParam) > n) {
            M.Result = LB_ERR;
            return true;
        }
        M.Result = AddString(s, data, M.Msg == LB_ADDSTRING ? -1 : int(std::intptr_t(M.WParam)), sorted);
        return true;
    }
    case LB_DELETESTRING: M.Result = DeleteString(int(std::intptr_t(M.WParam))); return true;
    case LB_RESETCONTENT: Reset(); return true;
    case LB_INITSTORAGE: M.Result = n; return true;
    case LB_GETCOUNT: M.Result = n; return true;
    case LB_GETTEXT:
        if (!valid(M.WParam) || !M.LParam) {
            M.Result = LB_ERR;
        } else {
            const std::string& t = FItems.At(int(M.WParam)).Text;
            std::memcpy(reinterpret_cast<char*>(M.LParam), t.c_str(), t.size() + 1);
            M.Result = LRESULT(t.size());
        }
        return true;
    case LB_GETTEXTLEN: M.Result = valid(M.WParam) ? LRESULT(FItems.At(int(M.WParam)).Text.size()) : LB_ERR; return true;
    case LB_GETITEMDATA: M.Result = valid(M.WParam) ? LRESULT(FItems.At(int(M.WParam)).Data) : LB_ERR; return true;
    case LB_SETITEMDATA:
        if (!valid(M.WParam)) {
            M.Result = LB_ERR;
        } else {
            FItems.SetData(int(M.WParam), std::uintptr_t(M.LParam));
            M.Result = 0;
        }
        return true;
    case LB_SETCURSEL:
        if (MultiSel()) {
            M.Result = LB_ERR;
            return true;
        }
        SetCurSel(valid(M.WParam) ? int(M.WParam) : -1);
        M.Result = FCurSel >= 0 ? FCurSel : LB_ERR;
        return true;
    case LB_GETCURSEL:
        M.Result = MultiSel() ? FCaretItem : FCurSel;
        if (M.Result < 0)
            M.Result = LB_ERR;
        return true;
    case LB_SETSEL: {
        if (!MultiSel()) {
            M.Result = LB_ERR;
            return true;
        }
        const int i = int(M.LParam);
        if (i == -1) {
            if (M.WParam)
                for (int k = FItems.NextUnselected(0); k >= 0; k = FItems.NextUnselected(k + 1))
                    FItems.SetSelected(k, true);
            else
                for (int k = FItems.NextSelected(0); k >= 0; k = FItems.NextSelected(k + 1))
                    FItems.SetSelected(k, false);
        } else if (i >= 0 && i < n) {
            FItems.SetSelected(i, M.WParam != 0);
        } else {
            M.Result = LB_ERR;
            return true;
        }
        Invalidate();
        M.Result = 0;
        return true;
    }
    case LB_GETSEL:
        M.Result = !valid(M.WParam) ? LB_ERR
                   : MultiSel()     ? LRESULT(FItems.At(int(M.WParam)).Selected)
                                    : LRESULT(int(M.WParam) == FCurSel);
        return true;
    case LB_GETSELCOUNT: {
        if (!MultiSel()) {
            M.Result = LB_ERR;
            return true;
        }
        M.Result = FItems.SelCount();
        return true;
    }
    case LB_GETSELITEMS: {
        if (!MultiSel()) {
            M.Result = LB_ERR;
            return true;
        }
        int* out = reinterpret_cast<int*>(M.LParam);
        int c = 0;
        for (int k = FItems.NextSelected(0); k >= 0 && c < int(M.WParam); k = FItems.NextSelected(k + 1))
            out[c++] = k;
        M.Result = c;
        return true;
    }
    case LB_SELITEMRANGE:
        if (!MultiSel()) {
            M.Result = LB_ERR;
            return true;
        }
        for (int k = std::max(0, int(LOWORD(M.LParam))); k <= std::min(n - 1, int(HIWORD(M.LParam))); ++k)
            FItems.SetSelected(k, M.WParam != 0);
        Invalidate();
        M.Result = 0;
        return true;
    case LB_SETTOPINDEX:
        if (!valid(M.WParam) && !(n == 0 && M.WParam == 0)) {
            M.Result = LB_ERR;
            return true;
        }
        SetTop(int(M.WParam));
        M.Result = 0;
        return true;
    case LB_GETTOPINDEX: M.Result = FTop; return true;
    case LB_GETITEMRECT:
        if (!valid(M.WParam) || !M.LParam) {
            M.Result = LB_ERR;
            return true;
        }
        *reinterpret_cast<RECT*>(M.LParam) = ItemRect(int(M.WParam));
        M.Result = 1;
        return true;
    case LB_SETITEMHEIGHT: {
        const int height = LOWORD(M.LParam);
        if (height <= 0 || height > 255) {
            M.Result = LB_ERR;
            return true;
        }
        if (Variable()) {
            if (!valid(M.WParam)) {
                M.Result = LB_ERR;
                return true;
            }
            FItems.SetHeight(int(M.WParam), height);
        } else {
            FItemHeight = height;
        }
        SetTop(FTop);
        UpdateScrollBar();
        Invalidate();
        M.Result = 0;
        return true;
    }
    case LB_GETITEMHEIGHT: M.Result = ItemHeight(int(std::intptr_t(M.WParam))); return true;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        const std::string s = M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
        const int start = int(std::intptr_t(M.WParam)) + 1;
        const int found = Find(start, s, M.Msg == LB_FINDSTRINGEXACT);
        if (M.Msg == LB_SELECTSTRING && found >= 0) {
            if (MultiSel())
                FItems.SetSelected(found, true);
            else
                SetCurSel(found);
        }
        M.Result = found;
        return true;
    }
    case LB_SETHORIZONTALEXTENT: {
        FExtent = std::max(0, int(M.WParam));
        TRect c{0, 0, 0, 0};
        if (h)
            GetClientRect(h, &c);
        FScrollX = std::clamp(FScrollX, 0, std::max(0, FExtent - c.Width()));
        UpdateScrollBar();
        Invalidate();
        return true;
    }
    case LB_GETHORIZONTALEXTENT: M.Result = FExtent; return true;
    case LB_ITEMFROMPOINT: {
        bool outside = false;
        const int i = ItemAt({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, &outside);
        M.Result = LRESULT(MAKELONG(Word(std::max(0, i)), Word(outside || i < 0 ? 1 : 0)));
        return true;
    }
    case LB_SETCARETINDEX:
        if (!valid(M.WParam)) {
            M.Result = LB_ERR;
            return true;
        }
        SetCaretItem(int(M.WParam));
        MakeVisible(int(M.WParam));
        M.Result = 0;
        return true;
    case LB_GETCARETINDEX: M.Result = MultiSel() ? FCaretItem : FCurSel; return true;
    case LB_SETANCHORINDEX: FAnchor = valid(M.WParam) ? int(M.WParam) : -1; return true;
    case LB_GETANCHORINDEX: M.Result = FAnchor; return true;
    case LB_SETTABSTOPS: {
        FTabStops.clear();
        const int* stops = reinterpret_cast<const int*>(M.LParam);
        // Stops come in dialog units, a quarter of the average character width each.
        for (int k = 0; stops && k < int(M.WParam); ++k)
            FTabStops.push_back(stops[k] * FAveWidth / 4);
        Invalidate();
        M.Result = TRUE;
        return true;
    }
    default: return false;
    }
}

}  // namespace morvik::stdctl

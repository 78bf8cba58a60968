// TExAdvancedListBox: the flat list box that draws its own items, with item hints and a sideways
// extent that follows the widest item.
#include <algorithm>
#include <cmath>
#include <memory>

#include "controls/Exactrls.h"
#include "controls/Exflatctl.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/ExtCtrls.h"
#include "platform/Guard.h"
#include "platform/WinGdi.h"

namespace {
// Posted to the list box to let go of a line hint that hid itself, once the hint window's own
// handling of that has returned.
const UINT ReleaseLineHintMsg = RegisterWindowMessage("Ex - Release line hint");
}  // namespace

TExAdvancedListBox::TExAdvancedListBox(TComponent* AOwner)
    : TFlatControl(AOwner), FSelectedFont(std::make_unique<TFont>())
{
    FSelectedFont->Assign(Font());
    FSelectedFont->SetColor(clHighlightText);
    FSelectedFont->OnChange = [this](TObject*) {
        if (!FSelectedFontFromParent)
            SetParentFont(false);
        Invalidate();
    };
}

TExAdvancedListBox::~TExAdvancedListBox()
{
    Destroying();
    FLineHintTimer.reset();
    FLineHintWindow.reset();
    // The window goes while this class still answers for it, so its line hint goes too.
    DestroyHandle();
    FSelectedFont->OnChange = nullptr;
}

// ---------------------------------------------------------------- properties

bool TExAdvancedListBox::AnySelected() { return MultiSelect() ? SelCount() > 0 : ItemIndex() >= 0; }

void TExAdvancedListBox::SetInvertSelection(bool Value)
{
    if (FInvertSelection == Value)
        return;
    FInvertSelection = Value;
    if (AnySelected())
        Invalidate();
}

void TExAdvancedListBox::SetSelectedColor(TColor Value)
{
    if (FSelectedColor == Value)
        return;
    FSelectedColor = Value;
    if (AnySelected())
        Invalidate();
}

void TExAdvancedListBox::SetSelectedFont(TFont* Value) { FSelectedFont->Assign(Value); }

void TExAdvancedListBox::SetUseBackground(bool Value)
{
    if (FUseBackground == Value)
        return;
    FUseBackground = Value;
    Invalidate();
}

void TExAdvancedListBox::SetTransparentSelection(bool Value)
{
    if (FTransparentSelection == Value)
        return;
    FTransparentSelection = Value;
    if (ItemIndex() >= 0)
        Invalidate();
}

void TExAdvancedListBox::SetStyle(TListBoxStyle Value)
{
    if (Style() == Value)
        return;
    CancelLineHint();
    FLineHintItem = -1;
    TListBox::SetStyle(Value);
}

void TExAdvancedListBox::SetHorizontalScroll(bool Value)
{
    if (FHorizontalScroll == Value)
        return;
    FHorizontalScroll = Value;
    if (HandleAllocated())
        RecreateWnd();
}

int TExAdvancedListBox::GetParentCtlWidth()
{
    TWinControl* real = FImageForm ? FImageForm->GetRealControl() : nullptr;
    return real ? real->ClientWidth() : 0;
}

int TExAdvancedListBox::GetParentCtlHeight()
{
    TWinControl* real = FImageForm ? FImageForm->GetRealControl() : nullptr;
    return real ? real->ClientHeight() : 0;
}

TPoint TExAdvancedListBox::RealScreenToClient(const TPoint& Point)
{
    TWinControl* real = FImageForm ? FImageForm->GetRealControl() : nullptr;
    return real ? real->ScreenToClient(Point) : Point;
}

THintWindow* TExAdvancedListBox::CreateHintWindow() { return new TListBoxHintWindow(nullptr); }

// ---------------------------------------------------------------- window and theme

void TExAdvancedListBox::CreateParams(TCreateParams& Params)
{
    TListBox::CreateParams(Params);
    // Every item comes to DrawItem, which paints the list's own looks.
    if (!HasState(csLoading) && !(Params.Style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)))
        Params.Style |= LBS_OWNERDRAWFIXED;
    // The sideways extent needs the bar to show it.
    if (FHorizontalScroll)
        Params.Style |= WS_HSCROLL;
}

void TExAdvancedListBox::CreateWnd()
{
    TFlatControl::CreateWnd();
    if (Style() == lbStandard)
        Perform(CM_FONTCHANGED, 0, 0);
    if (FHorizontalScroll)
        ResetHorizontalExtent();
}

void TExAdvancedListBox::DestroyWnd()
{
    CancelLineHint();
    TFlatControl::DestroyWnd();
}

void TExAdvancedListBox::Loaded()
{
    TListBox::Loaded();
    RecreateWnd();
}

// ---------------------------------------------------------------- items

void TExAdvancedListBox::PaintItemBackground(HDC DC, const TRect& Rect)
{
    switch (BackgroundSource()) {
    case exflat::bsrcImageForm: {
        TWinControl* real = FImageForm->GetRealControl();
        if (real && real != this) {
            const TPoint origin = RealScreenToClient(ClientToScreen(TPoint{0, 0}));
            TRect mapped = Rect;
            OffsetRect(mapped, origin.X, origin.Y);
            // What lies outside the painted control's area keeps the list's own colour.
            if (mapped.Left < 0 || mapped.Top < 0 || mapped.Right > GetParentCtlWidth() ||
                mapped.Bottom > GetParentCtlHeight())
                Canvas()->FillRect(Rect);
            FImageForm->PaintBkgnd(DC, Rect, origin, false);
            return;
        }
        break;
    }
    case exflat::bsrcTransparent: {
        const int saved = SaveDC(DC);
        IntersectClipRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
        exflat::DrawParentControl(this, DC);
        RestoreDC(DC, saved);
        return;
    }
    case exflat::bsrcBitmap: {
        const int saved = SaveDC(DC);
        IntersectClipRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
        exflat::TileBitmap(DC, GetBackground(), ClientRect());
        RestoreDC(DC, saved);
        return;
    }
    case exflat::bsrcNormal: break;
    }
    // A transparent selection keeps the list's own colour under a chosen item; the item is filled
    // all the same, since the list is not erased before its items are drawn again.
    if (FTransparentSelection)
        Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(Rect);
}

void TExAdvancedListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (Style() != lbStandard && OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    TCanvas* canvas = Canvas();
    HDC dc = canvas->Handle();
    const COLORREF textColour = GetTextColor(dc), backColour = GetBkColor(dc);
    const TColor fontColour = canvas->Font()->Color();
    const bool selected = State & odSelected;
    if (selected && FTransparentSelection && !FInvertSelection)
        canvas->Font()->SetColor(Font()->Color());
    if (selected && !FInvertSelection && !FTransparentSelection) {
        canvas->Brush()->SetColor(FSelectedColor);
        canvas->FillRect(Rect);
    } else {
        // Inverted, the selected item starts from the unselected background.
        if (selected && FInvertSelection)
            canvas->Brush()->SetColor(Color());
        PaintItemBackground(canvas->Handle(), Rect);
        if (selected && FInvertSelection)
            InvertRect(canvas->Handle(), &Rect);
    }
    if (selected && !FTransparentSelection)
        canvas->SetFont(FSelectedFont.get());
    if (Index < Count()) {
        const std::string text = Items()->Get(Index);
        TRect r = Rect;
        r.Left += 2;
        dc = canvas->Handle();
        const int mode = SetBkMode(dc, TRANSPARENT);
        DrawText(dc, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SetBkMode(dc, mode);
    }
    canvas->Font()->SetColor(fontColour);
    dc = canvas->Handle();
    SetTextColor(dc, textColour);
    SetBkColor(dc, backColour);
}

int TExAdvancedListBox::GetItemWidth(int Index)
{
    const std::string text = Items()->Get(Index) + "W";
    if (TabWidth() > 0) {
        const int stop = int(std::lround(TabWidth() * Canvas()->TextWidth("0") * 0.25));
        return LOWORD(GetTabbedTextExtent(Canvas()->Handle(), text.c_str(), int(text.size()), 1, &stop));
    }
    return Canvas()->TextWidth(text);
}

void TExAdvancedListBox::SetHorizontalExtent()
{
    if (HandleAllocated())
        SendMessage(Handle(), LB_SETHORIZONTALEXTENT, WPARAM(FMaxItemWidth), 0);
}

void TExAdvancedListBox::ResetHorizontalExtent()
{
    Canvas()->SetFont(Font());
    FMaxItemWidth = FWidths.Reset(Count(), [this](int i) { return GetItemWidth(i); });
    SetHorizontalExtent();
}

void TExAdvancedListBox::ListMessage(TMessage& Message)
{
    // Items are measured in the list's font (an item drawn last may have left the selected one).
    Canvas()->SetFont(Font());
    switch (Message.Msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        // Measuring the new item may run a handler that frees the box.
        TGuardPtr<TExAdvancedListBox> self(this);
        TListBox::Dispatch(Message);
        if (!self)
            return;
        const int at = int(Message.Result);
        // Only a wider item changes the extent (telling the window the same again costs a relayout).
        if (at >= 0 && at < Count()) {
            const int width = GetItemWidth(at);
            FWidths.Add(width);
            if (width > FMaxItemWidth) {
                FMaxItemWidth = width;
                SetHorizontalExtent();
            }
        }
        return;
    }
    case LB_DELETESTRING: {
        const int at = int(std::intptr_t(Message.WParam));
        if (at < 0 || at >= Count()) {
            TListBox::Dispatch(Message);
            return;
        }
        // Only the widest item going changes the extent; the count of widths tells the next widest.
        const int width = GetItemWidth(at);
        if (width >= FMaxItemWidth)
            Perform(WM_HSCROLL, SB_TOP, 0);
        TListBox::Dispatch(Message);
        if (!FWidths.Remove(width))
            ResetHorizontalExtent();
        else if (FWidths.Widest() != FMaxItemWidth) {
            FMaxItemWidth = FWidths.Widest();
            SetHorizontalExtent();
        }
        return;
    }
    case LB_RESETCONTENT:
        FWidths.Clear();
        FMaxItemWidth = 0;
        SetHorizontalExtent();
        Perform(WM_HSCROLL, SB_TOP, 0);
        TListBox::Dispatch(Message);
        return;
    case WM_SETFONT:
        TListBox::Dispatch(Message);
        Canvas()->SetFont(Font());
        ResetHorizontalExtent();
        return;
    default: TListBox::Dispatch(Message); return;
    }
}

// ---------------------------------------------------------------- hints

int TExAdvancedListBox::HintItemAt(int Y)
{
    const int h = std::max(1, ItemHeight());
    const int index = TopIndex() + Y / h - 1 + (Y % h > 0 ? 1 : 0);
    return index >= 0 ? index : -1;
}

void TExAdvancedListBox::CMHintShow(TMessage& Message)
{
    TGuardPtr<TExAdvancedListBox> self(this);
    TListBox::Dispatch(Message);
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (!self || !info)
        return;
    const int index = HintItemAt(info->CursorPos.Y);
    // Before the first item (the top row) and past the last one alike: the box's own hint.
    if (index < 0 || index >= Count()) {
        info->HintStr = ShowHint() ? Hint() : std::string();
        return;
    }
    const std::string text = Items()->Get(index);
    Canvas()->SetFont(Font());
    if (Canvas()->TextWidth(text) >= ClientWidth()) {
        info->HintStr = text;
        info->HintPos = ClientToScreen(TPoint{-1, (index - TopIndex()) * ItemHeight() - 3});
    } else {
        info->HintStr.clear();
    }
}

void TExAdvancedListBox::IntMouseMove(int X, int Y)
{
    (void)X;
    if (TopIndex() == -1)
        return;
    const int index = HintItemAt(Y);
    if (index == FLineHintItem)
        return;
    CancelLineHint();
    if (FShowLineHint && index >= 0 && index < Count()) {
        FLineHintItem = index;
        if (!FLineHintTimer)
            FLineHintTimer = std::make_unique<TTimer>(nullptr);
        FLineHintTimer->SetEnabled(false);
        FLineHintTimer->OnTimer = [this](TObject* Sender) { OnLineHintTimer(Sender); };
        FLineHintTimer->SetInterval(Cardinal(std::max(1, Application->HintPause)));
        FLineHintTimer->SetEnabled(true);
    } else {
        FLineHintItem = -1;
    }
}

void TExAdvancedListBox::ReleaseLineHintWindow()
{
    if (!FLineHintWindow)
        return;
    FLineHintWindow->WindowProc = FSavedHintWndProc;
    FSavedHintWndProc = nullptr;
    FLineHintWindow.reset();
}

void TExAdvancedListBox::CancelLineHint()
{
    if (FLineHintTimer)
        FLineHintTimer->SetEnabled(false);
    ReleaseLineHintWindow();
}

void TExAdvancedListBox::OnLineHintTimer(TObject*)
{
    FLineHintTimer->SetEnabled(false);
    if (FLineHintWindow) {
        // The hint's time is over; the item stays the armed one until the mouse moves off it.
        ReleaseLineHintWindow();
        return;
    }
    TPoint cursor;
    GetCursorPos(&cursor);
    const int index = ItemAtPos(ScreenToClient(cursor), true);
    if (index < 0 || index >= Count()) {
        FLineHintItem = -1;
        return;
    }
    Canvas()->SetFont(Font());
    if (GetItemWidth(index) < ClientWidth()) {
        FLineHintItem = -1;
        return;
    }
    if (index != FLineHintItem) {
        FLineHintItem = index;
        FLineHintTimer->SetEnabled(true);
        return;
    }
    const std::string text = Items()->Get(index);
    FLineHintWindow.reset(CreateHintWindow());
    TRect r = FLineHintWindow->CalcHintRect(10000, text, nullptr);
    const TPoint at = ClientToScreen(ItemRect(index).TopLeft());
    OffsetRect(r, at.X - 3, at.Y - 3);
    FLineHintWindow->ActivateHint(r, text);
    FSavedHintWndProc = FLineHintWindow->WindowProc;
    FLineHintWindow->WindowProc = [this](TMessage& M) { HintWndProc(M); };
    FLineHintTimer->SetInterval(Cardinal(std::max(1, Application->HintHidePause)));
    FLineHintTimer->SetEnabled(true);
}

void TExAdvancedListBox::HintWndProc(TMessage& Message)
{
    FSavedHintWndProc(Message);
    // Hidden by someone else: the line hint ends, but the window is let go only once its own
    // message has been handled.
    if (Message.Msg == WM_SHOWWINDOW && Message.WParam == 0 && HandleAllocated()) {
        if (FLineHintTimer)
            FLineHintTimer->SetEnabled(false);
        PostMessage(Handle(), ReleaseLineHintMsg, 0, 0);
    }
}

// ---------------------------------------------------------------- painting

void TExAdvancedListBox::DrawFlatBorder(HDC DC, bool HThumbTracking, bool VThumbTracking)
{
    DrawFrameAndBars(DC, ssBoth, HThumbTracking, VThumbTracking);
}

void TExAdvancedListBox::PaintFlatBorder(HDC DC, bool Tracking)
{
    DrawFlatBorder(DC, Tracking && FHThumbTracking, Tracking && FVThumbTracking);
}

void TExAdvancedListBox::RedrawAfterScroll()
{
    if (FFlat && !((FMouseOver || Focused()) && !FFlatFocusedScrollBars))
        DrawFlatBorder(nullptr, FHThumbTracking, FVThumbTracking);
}

void TExAdvancedListBox::WMScroll(TMessage& Message)
{
    TGuardPtr<TExAdvancedListBox> self(this);
    TListBox::Dispatch(Message);
    if (!self)
        return;
    bool& tracking = Message.Msg == WM_VSCROLL ? FVThumbTracking : FHThumbTracking;
    if (LOWORD(Message.WParam) == SB_THUMBTRACK)
        tracking = true;
    else if (LOWORD(Message.WParam) == SB_THUMBPOSITION)
        tracking = false;
    RedrawAfterScroll();
}

void TExAdvancedListBox::WMPaint(TMessage& Message)
{
    TGuardPtr<TExAdvancedListBox> self(this);
    if (FFrameOwed && !FRedrawOff) {
        FFrameOwed = false;
        RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME);
        if (!self)
            return;
    }
    const exflat::TBkSource source =
        BackgroundSource();
    if (source != exflat::bsrcNormal)
        Perform(LB_GETTOPINDEX, 0, 0);
    TListBox::Dispatch(Message);
    if (!self)
        return;
    if (source != exflat::bsrcNormal && Count() == 0) {
        // The empty list's focus mark went over the background; the background comes back.
        HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : GetDC(Handle());
        exflat::EraseBackground(this, source, FImageForm, GetBackground(), dc);
        if (!Message.WParam)
            ReleaseDC(Handle(), dc);
        if (!self)
            return;
    }
    if (FFlat)
        DrawFlatBorder(nullptr, FHThumbTracking, FVThumbTracking);
}

void TExAdvancedListBox::CMFontChanged(TMessage& Message)
{
    TListBox::Dispatch(Message);
    Canvas()->SetFont(Font());
    if (Style() == lbStandard)
        SendMessage(Handle(), LB_SETITEMHEIGHT, 0, MAKELPARAM(Canvas()->TextHeight("0"), 0));
    // The widest item is measured again in the new font.
    if (FHorizontalScroll && HandleAllocated())
        ResetHorizontalExtent();
}

void TExAdvancedListBox::CMParentFontChanged(TMessage& Message)
{
    TListBox::Dispatch(Message);
    if (!ParentFont())
        return;
    TFont* f = Message.WParam ? reinterpret_cast<TFont*>(Message.LParam) : Font();
    FSelectedFontFromParent = true;
    FSelectedFont->Assign(f);
    FSelectedFont->SetColor(clHighlightText);
    FSelectedFontFromParent = false;
}

void TExAdvancedListBox::Dispatch(TMessage& Message)
{
    if (Message.Msg == ReleaseLineHintMsg) {
        if (FLineHintWindow && !(FLineHintWindow->HandleAllocated() && IsWindowVisible(FLineHintWindow->Handle())))
            ReleaseLineHintWindow();
        return;
    }
    switch (Message.Msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT: {
        TGuardPtr<TExAdvancedListBox> self(this);
        const bool changing = FItemsChanging;
        FItemsChanging = true;
        if (FHorizontalScroll)
            ListMessage(Message);
        else
            TListBox::Dispatch(Message);
        if (self)
            FItemsChanging = changing;
        break;
    }
    case WM_SETFONT:
        if (FHorizontalScroll)
            ListMessage(Message);
        else
            TListBox::Dispatch(Message);
        break;
    case WM_SETREDRAW:
        FRedrawOff = Message.WParam == 0;
        TListBox::Dispatch(Message);
        break;
    case LB_GETTOPINDEX:
        TListBox::Dispatch(Message);
        if (Message.Result != FTopIndexSeen && FUseBackground && !GetBackground()->Empty()) {
            InvalidateRect(Handle(), nullptr, FALSE);
            FTopIndexSeen = int(Message.Result);
        }
        break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_PAINT: WMPaint(Message); break;
    case WM_NCPAINT:
        // While the program has turned drawing off (a batch of items), the frame waits for the
        // paint that comes once drawing is back on. So it does while an item comes or goes: each
        // one moves the bars, and the list is painted after the change anyway, frame and bars
        // first, so that a hundred thousand items added one by one draw the frame once.
        if (!FRedrawOff && !FItemsChanging)
            WMNCPaint(Message);
        else
            FFrameOwed = true;
        break;
    case WM_NCCALCSIZE: WMNCCalcSize(Message); break;
    case WM_VSCROLL:
    case WM_HSCROLL: WMScroll(Message); break;
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: {
        TGuardPtr<TExAdvancedListBox> self(this);
        TListBox::Dispatch(Message);
        if (!self)
            return;
        if (FHThumbTracking || FVThumbTracking)
            RedrawAfterScroll();
        if (Message.Msg == WM_MOUSEMOVE)
            IntMouseMove(Message.XPos(), Message.YPos());
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(Message); break;
    case WM_THEMECHANGED: WMThemeChanged(Message); break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: CMMouse(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_PARENTCOLORCHANGED:
        TListBox::Dispatch(Message);
        if (FTransparent)
            Invalidate();
        break;
    case CM_HINTSHOW: CMHintShow(Message); break;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); break;
    case IFM_REPAINTCHILDREN: IFMRepaintChildren(Message, true); break;
    default: TListBox::Dispatch(Message); break;
    }
}

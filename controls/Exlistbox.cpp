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
    : TListBox(AOwner), FBackground(std::make_unique<TBitmap>()), FSelectedFont(std::make_unique<TFont>()),
      FImageFormLink(std::make_unique<TImgFormChangeLink>())
{
    FSelectedFont->Assign(Font());
    FSelectedFont->SetColor(clHighlightText);
    FSelectedFont->OnChange = [this](TObject*) {
        if (!FSelectedFontFromParent)
            SetParentFont(false);
        Invalidate();
    };
    FBackground->OnChange = [this](TObject*) { Invalidate(); };
    FImageFormLink->OnChange = [this](TObject*) { Invalidate(); };
}

TExAdvancedListBox::~TExAdvancedListBox()
{
    Destroying();
    SetImageForm(nullptr);
    FLineHintTimer.reset();
    FLineHintWindow.reset();
    // The window goes while this class still answers for it, so its theme is closed.
    DestroyHandle();
    FBackground->OnChange = nullptr;
    FSelectedFont->OnChange = nullptr;
}

// ---------------------------------------------------------------- properties

void TExAdvancedListBox::SetActiveBorderType(TExFlatBorderType Value)
{
    if (FActiveBorderType == Value)
        return;
    FActiveBorderType = Value;
    if (!IsThemeApplied())
        DrawFlatBorder(nullptr, false, false);
}

void TExAdvancedListBox::SetInactiveBorderType(TExFlatBorderType Value)
{
    if (FInactiveBorderType == Value)
        return;
    FInactiveBorderType = Value;
    if (!IsThemeApplied())
        DrawFlatBorder(nullptr, false, false);
}

void TExAdvancedListBox::SetBackground(TBitmap* Value) { FBackground->Assign(Value); }

void TExAdvancedListBox::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    if (Value)
        Invalidate();
    else
        RecreateWnd();
}

void TExAdvancedListBox::SetFlatFocusedScrollBars(bool Value)
{
    if (FFlatFocusedScrollBars == Value)
        return;
    FFlatFocusedScrollBars = Value;
    if (HandleAllocated() && Focused())
        DrawFlatBorder(nullptr, false, false);
}

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

void TExAdvancedListBox::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    RecreateWnd();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TExAdvancedListBox::SetUseBackground(bool Value)
{
    if (FUseBackground == Value)
        return;
    FUseBackground = Value;
    Invalidate();
}

void TExAdvancedListBox::SetImageForm(TCustomExImageForm* Value)
{
    if (FImageForm == Value)
        return;
    if (FImageForm) {
        FImageForm->UnregisterChanges(FImageFormLink.get());
        FImageForm->RemoveFreeNotification(this);
    }
    FImageForm = Value;
    if (FImageForm) {
        FImageForm->FreeNotification(this);
        FImageForm->RegisterChanges(FImageFormLink.get());
    }
    if (HasState(csDestroying))
        return;
    RecreateWnd();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TExAdvancedListBox::SetTransparentSelection(bool Value)
{
    if (FTransparentSelection == Value)
        return;
    FTransparentSelection = Value;
    if (ItemIndex() >= 0)
        Invalidate();
}

void TExAdvancedListBox::SetBorderSides(TExBorderSides Value)
{
    Value &= AllBorderSides;
    if (FBorderSides == Value)
        return;
    FBorderSides = Value;
    if (HandleAllocated())
        RecreateWnd();
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

void TExAdvancedListBox::SetUseXPThemes(bool Value)
{
    if (FUseXPThemes == Value)
        return;
    FUseXPThemes = Value;
    if (!HandleAllocated())
        return;
    if (Value && !FTheme)
        CreateThemeHandle();
    else if (!Value && FTheme)
        FreeThemeHandle();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

void TExAdvancedListBox::Notification(TComponent* AComponent, TOperation Operation)
{
    TListBox::Notification(AComponent, Operation);
    if (Operation == opRemove && FImageForm && AComponent == static_cast<TComponent*>(FImageForm)) {
        FImageForm = nullptr;
        Invalidate();
    }
}

bool TExAdvancedListBox::BackgroundApplies()
{
    return exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, GetBackground()) != exflat::bsrcNormal;
}

bool TExAdvancedListBox::Active() { return FMouseOver || (HandleAllocated() && Focused()); }

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
    TListBox::CreateWnd();
    if (Style() == lbStandard)
        Perform(CM_FONTCHANGED, 0, 0);
    if (FUseXPThemes && !IsThemeApplied())
        CreateThemeHandle();
    if (FHorizontalScroll)
        ResetHorizontalExtent();
}

void TExAdvancedListBox::DestroyWnd()
{
    CancelLineHint();
    TListBox::DestroyWnd();
    if (IsThemeApplied())
        FreeThemeHandle();
}

void TExAdvancedListBox::CreateThemeHandle() { FTheme = ThemesAvailable ? OpenThemeData(Handle(), u"EDIT") : nullptr; }

void TExAdvancedListBox::FreeThemeHandle()
{
    if (ThemesAvailable && FTheme)
        CloseThemeData(FTheme);
    FTheme = nullptr;
}

void TExAdvancedListBox::Loaded()
{
    TListBox::Loaded();
    RecreateWnd();
}

// ---------------------------------------------------------------- items

void TExAdvancedListBox::PaintItemBackground(HDC DC, const TRect& Rect)
{
    switch (exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, GetBackground())) {
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
    FMaxItemWidth = 0;
    for (int i = 0; i < Count(); ++i)
        FMaxItemWidth = std::max(FMaxItemWidth, GetItemWidth(i));
    SetHorizontalExtent();
}

void TExAdvancedListBox::ListMessage(TMessage& Message)
{
    // Items are measured in the list's font (an item drawn last may have left the selected one).
    Canvas()->SetFont(Font());
    switch (Message.Msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        TListBox::Dispatch(Message);
        const int at = int(Message.Result);
        // Only a wider item changes the extent (telling the window the same again costs a relayout).
        if (at >= 0 && at < Count()) {
            const int width = GetItemWidth(at);
            if (width > FMaxItemWidth) {
                FMaxItemWidth = width;
                SetHorizontalExtent();
            }
        }
        return;
    }
    case LB_DELETESTRING: {
        const int at = int(std::intptr_t(Message.WParam));
        // Only the widest item going changes the extent, and only then is every item measured.
        if (at >= 0 && at < Count() && GetItemWidth(at) >= FMaxItemWidth) {
            Perform(WM_HSCROLL, SB_TOP, 0);
            TListBox::Dispatch(Message);
            ResetHorizontalExtent();
            return;
        }
        TListBox::Dispatch(Message);
        return;
    }
    case LB_RESETCONTENT:
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
    if (BorderStyle() == bsNone || !HandleAllocated())
        return;
    HWND h = Handle();
    if (IsThemeApplied()) {
        RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW);
        return;
    }
    // Without Flat the list keeps the default frame and scroll bars.
    if (!FFlat)
        return;
    HDC dc = DC ? DC : GetWindowDC(h);
    const TRect r{0, 0, Width(), Height()};
    const bool focused = Focused();
    const bool active = focused || FMouseOver;
    if (BorderStyle() == bsSingle)
        DrawFlatFrameEx2(dc, r, Color(), active, Enabled(), FBorderSides,
                         active ? FActiveBorderType : FInactiveBorderType);
    if (!(focused && !FMouseOver && !FFlatFocusedScrollBars))
        DrawFlatScrollbars(h, dc, r, active && !FFlatFocusedScrollBars, ssBoth, HThumbTracking, VThumbTracking, false);
    if (!DC)
        ReleaseDC(h, dc);
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
    const exflat::TBkSource source =
        exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, GetBackground());
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

void TExAdvancedListBox::WMNCPaint(TMessage& Message)
{
    // While the program has turned drawing off (a batch of items), the frame waits: the window
    // keeps it due and asks again once drawing is back on. So it does while an item comes or
    // goes: each one moves the bars, and the list is painted after the change anyway, frame and
    // bars first, so that a hundred thousand items added one by one draw the frame once.
    if (FRedrawOff || FItemsChanging)
        return;
    TListBox::Dispatch(Message);
    if (IsThemeApplied() && BorderStyle() == bsSingle) {
        exflat::PaintThemedFrame(Handle(), FTheme, reinterpret_cast<HRGN>(Message.WParam));
        Message.Result = 0;
        return;
    }
    // The default frame and scroll bars would otherwise stand until the next paint of the client.
    if (FFlat)
        DrawFlatBorder(nullptr, FHThumbTracking, FVThumbTracking);
}

void TExAdvancedListBox::WMFocus(TMessage& Message)
{
    TGuardPtr<TExAdvancedListBox> self(this);
    TListBox::Dispatch(Message);
    if (self && FFlat && FActiveBorderType != FInactiveBorderType && !FMouseOver && !IsThemeApplied())
        DrawFlatBorder(nullptr, false, false);
}

void TExAdvancedListBox::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes && HandleAllocated()) {
        FreeThemeHandle();
        CreateThemeHandle();
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    Message.Result = 1;
}

void TExAdvancedListBox::CMMouse(TMessage& Message)
{
    if (Message.LParam != 0 && Message.LParam != reinterpret_cast<LPARAM>(this)) {
        TListBox::Dispatch(Message);
        return;
    }
    const bool enter = Message.Msg == CM_MOUSEENTER;
    if (TWinControl* parent = Parent())
        parent->Perform(Message.Msg, 0, reinterpret_cast<LPARAM>(this));
    // A line hint stays when the mouse leaves: it opens under the pointer, which leaves the list
    // for it; its timer ends it.
    FMouseOver = enter;
    if (IsThemeApplied() || (FFlat && FActiveBorderType != FInactiveBorderType && !Focused()))
        DrawFlatBorder(nullptr, false, false);
    if (enter) {
        if (OnMouseEnter)
            OnMouseEnter(this);
    } else if (OnMouseLeave) {
        OnMouseLeave(this);
    }
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
    case WM_ERASEBKGND: {
        const exflat::TBkSource source =
            exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, GetBackground());
        if (exflat::EraseBackground(this, source, FImageForm, GetBackground(), reinterpret_cast<HDC>(Message.WParam)))
            Message.Result = 1;
        else
            TListBox::Dispatch(Message);
        break;
    }
    case WM_PAINT: WMPaint(Message); break;
    case WM_NCPAINT: WMNCPaint(Message); break;
    case WM_NCCALCSIZE:
        TListBox::Dispatch(Message);
        if (Message.LParam)
            exflat::WidenForMissingSides(*reinterpret_cast<RECT*>(Message.LParam), FBorderSides);
        Message.Result = WVR_REDRAW;
        break;
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
    case WM_WINDOWPOSCHANGED: {
        TGuardPtr<TExAdvancedListBox> self(this);
        TListBox::Dispatch(Message);
        if (self)
            Perform(IFM_REPAINTCHILDREN, 0, 0);
        break;
    }
    case IFM_REPAINTCHILDREN:
        TListBox::Dispatch(Message);
        Invalidate();
        for (int i = 0; i < ControlCount(); ++i)
            if (auto* w = dynamic_cast<TWinControl*>(Controls(i)); w && w->HandleAllocated())
                PostMessage(w->Handle(), IFM_REPAINTCHILDREN, 0, 0);
        break;
    default: TListBox::Dispatch(Message); break;
    }
}

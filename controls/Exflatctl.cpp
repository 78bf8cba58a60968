#include "controls/Exflatctl.h"

#include <algorithm>

#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Guard.h"
#include "platform/StdCtrls.h"
#include "platform/WinGdi.h"

namespace exflat {

bool ImageFormPaints(TCustomExImageForm* Form)
{
    if (!Form || Form->BackgroundType() == bgtColorFill)
        return false;
    TWinControl* real = Form->GetRealControl();
    return !(real && real->HasState(csDesigning));
}

TBkSource BackgroundSource(TCustomExImageForm* Form, bool Transparent, bool UseBackground, TBitmap* Bitmap)
{
    if (ImageFormPaints(Form))
        return bsrcImageForm;
    if (Transparent)
        return bsrcTransparent;
    if (UseBackground && Bitmap && !Bitmap->Empty())
        return bsrcBitmap;
    return bsrcNormal;
}

bool PaintFormBackground(TCustomExImageForm* Form, TWinControl* Control, HDC DC, const TRect& R)
{
    TWinControl* real = Form ? Form->GetRealControl() : nullptr;
    if (!real || real == Control)
        return false;
    const TPoint origin = real->ScreenToClient(Control->ClientToScreen(TPoint{0, 0}));
    Form->PaintBkgnd(DC, R, origin, false);
    return true;
}

void DrawParentControl(TWinControl* Control, HDC DC)
{
    TWinControl* parent = Control->Parent();
    if (!parent)
        return;
    // The client origins, not the window positions: DC draws in the control's client area.
    const TPoint at = parent->ScreenToClient(Control->ClientToScreen(TPoint{0, 0}));
    const int saved = SaveDC(DC);
    TPoint org;
    GetWindowOrgEx(DC, &org);
    SetWindowOrgEx(DC, org.X + at.X, org.Y + at.Y, nullptr);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
}

void TileBitmap(HDC DC, TBitmap* Bitmap, const TRect& R)
{
    if (!Bitmap || Bitmap->Empty() || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    const int w = Bitmap->Width(), h = Bitmap->Height();
    HDC src = Bitmap->Canvas()->Handle();
    const int saved = SaveDC(DC);
    IntersectClipRect(DC, R.Left, R.Top, R.Right, R.Bottom);
    for (int y = R.Top; y < R.Bottom; y += h)
        for (int x = R.Left; x < R.Right; x += w)
            BitBlt(DC, x, y, w, h, src, 0, 0, SRCCOPY);
    RestoreDC(DC, saved);
}

bool EraseBackground(TWinControl* Control, TBkSource Source, TCustomExImageForm* Form, TBitmap* Bitmap, HDC DC)
{
    const TRect client = Control->ClientRect();
    switch (Source) {
    case bsrcImageForm: PaintFormBackground(Form, Control, DC, client); return true;
    case bsrcTransparent: DrawParentControl(Control, DC); return true;
    case bsrcBitmap: TileBitmap(DC, Bitmap, client); return true;
    case bsrcNormal: break;
    }
    return false;
}

bool PaintClientAtOnce(TWinControl* Control, bool& PaintingToMemory)
{
    if (!Control->HandleAllocated())
        return true;
    HWND h = Control->Handle();
    TGuardPtr<TWinControl> alive(Control);
    HideCaret(h);
    TRect c;
    GetClientRect(h, &c);
    HDC dc = GetDC(h);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, std::max(1, c.Width()), std::max(1, c.Height()));
    HGDIOBJ old = SelectObject(mem, bmp);
    PaintingToMemory = true;
    Control->PaintTo(mem, 0, 0);
    // A transparent control paints its parent, whose handlers may free the control.
    if (alive) {
        PaintingToMemory = false;
        BitBlt(dc, 0, 0, c.Width(), c.Height(), mem, 0, 0, SRCCOPY);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(h, dc);
    if (!alive)
        return false;
    ShowCaret(h);
    return true;
}

void WidenForMissingSides(RECT& R, TExBorderSides Sides)
{
    const int ex = GetSystemMetrics(SM_CXEDGE), ey = GetSystemMetrics(SM_CYEDGE);
    if (!HasSide(Sides, ebsLeft))
        R.Left -= ex;
    if (!HasSide(Sides, ebsRight))
        R.Right += ex;
    if (!HasSide(Sides, ebsTop))
        R.Top -= ey;
    if (!HasSide(Sides, ebsBottom))
        R.Bottom += ey;
}

void PaintThemedFrame(HWND Wnd, HTHEME Theme, HRGN UpdateRgn)
{
    HDC dc = GetDCEx(Wnd, UpdateRgn, DCX_WINDOW | DCX_INTERSECTRGN);
    if (!dc)
        dc = GetWindowDC(Wnd);
    TRect window, inner;
    GetWindowRect(Wnd, &window);
    GetClientRect(Wnd, &inner);
    TPoint origin{0, 0};
    ClientToScreen(Wnd, &origin);
    OffsetRect(inner, origin.X - window.Left, origin.Y - window.Top);
    // The scroll bars the window shows lie inside the frame and keep their own painting.
    const DWORD style = DWORD(GetWindowLong(Wnd, GWL_STYLE));
    if (style & WS_VSCROLL)
        inner.Right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        inner.Bottom += GetSystemMetrics(SM_CYHSCROLL);
    ExcludeClipRect(dc, inner.Left, inner.Top, inner.Right, inner.Bottom);
    const TRect whole{0, 0, window.Width(), window.Height()};
    DrawThemeBackground(Theme, dc, 0, 0, &whole, nullptr);
    ReleaseDC(Wnd, dc);
}

HTHEME OpenTheme(HWND Wnd, const std::u16string& Name)
{
    return ThemesAvailable ? OpenThemeData(Wnd, Name.c_str()) : nullptr;
}

void CloseTheme(HTHEME& Theme)
{
    if (ThemesAvailable && Theme)
        CloseThemeData(Theme);
    Theme = nullptr;
}

void SwitchTheme(TWinControl* Control, bool On, HTHEME Theme, const std::function<void()>& Open,
                 const std::function<void()>& Close)
{
    // The theme follows the switch at once rather than with the next window.
    if (On && !Theme)
        Open();
    else if (!On && Theme)
        Close();
    RedrawWindow(Control->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

bool TakeHotState(TWinControl* Control, bool Enter, bool& MouseOver)
{
    TGuardPtr<TWinControl> alive(Control);
    if (TWinControl* parent = Control->Parent())
        parent->Perform(Enter ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Control));
    if (!alive)
        return false;
    MouseOver = Enter;
    return true;
}

void TellMouse(TControl* Control, bool Enter)
{
    if (const TNotifyEvent& event = Enter ? Control->OnMouseEnter : Control->OnMouseLeave)
        event(Control);
}

int TItemWidths::Reset(int Count, const std::function<int(int)>& Measure)
{
    FCount.clear();
    for (int i = 0; i < Count; ++i)
        Add(Measure(i));
    return Widest();
}

bool TItemWidths::Remove(int Width)
{
    const auto it = FCount.find(Width);
    if (it == FCount.end())
        return false;
    if (--it->second == 0)
        FCount.erase(it);
    return true;
}

// ---------------------------------------------------------------- the flat control

template <class TBase>
TFlatControl<TBase>::TFlatControl(TComponent* AOwner)
    : TBase(AOwner), FBackground(std::make_unique<TBitmap>()), FImageFormLink(std::make_unique<TImgFormChangeLink>())
{
    FBackground->OnChange = [this](TObject*) { BackgroundChanged(); };
    FImageFormLink->OnChange = [this](TObject*) { this->Invalidate(); };
}

template <class TBase>
TFlatControl<TBase>::~TFlatControl()
{
    // The window goes while this class still answers for it, so its theme is closed.
    this->Destroying();
    this->DestroyHandle();
    SetImageForm(nullptr);
    FBackground->OnChange = nullptr;
}

template <class TBase>
void TFlatControl<TBase>::SetActiveBorderType(TExFlatBorderType Value)
{
    if (FActiveBorderType == Value)
        return;
    FActiveBorderType = Value;
    if (!IsThemeApplied())
        PaintFlatBorder(nullptr, false);
}

template <class TBase>
void TFlatControl<TBase>::SetInactiveBorderType(TExFlatBorderType Value)
{
    if (FInactiveBorderType == Value)
        return;
    FInactiveBorderType = Value;
    if (!IsThemeApplied())
        PaintFlatBorder(nullptr, false);
}

template <class TBase>
void TFlatControl<TBase>::SetBackground(TBitmap* Value)
{
    FBackground->Assign(Value);
}

template <class TBase>
void TFlatControl<TBase>::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    if (Value)
        this->Invalidate();
    else
        this->RecreateWnd();
}

template <class TBase>
void TFlatControl<TBase>::SetFlatFocusedScrollBars(bool Value)
{
    if (FFlatFocusedScrollBars == Value)
        return;
    FFlatFocusedScrollBars = Value;
    if (this->HandleAllocated() && this->Focused())
        PaintFlatBorder(nullptr, false);
}

template <class TBase>
void TFlatControl<TBase>::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    this->RecreateWnd();
    this->Perform(CM_COLORCHANGED, 0, 0);
}

template <class TBase>
void TFlatControl<TBase>::SetUseBackground(bool Value)
{
    if (FUseBackground == Value)
        return;
    FUseBackground = Value;
    this->RecreateWnd();
    this->Perform(CM_COLORCHANGED, 0, 0);
}

template <class TBase>
void TFlatControl<TBase>::SetImageForm(TCustomExImageForm* Value)
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
    if (this->HasState(csDestroying))
        return;
    this->RecreateWnd();
    this->Perform(CM_COLORCHANGED, 0, 0);
}

template <class TBase>
void TFlatControl<TBase>::SetBorderSides(TExBorderSides Value)
{
    Value &= AllBorderSides;
    if (FBorderSides == Value)
        return;
    FBorderSides = Value;
    if (this->HandleAllocated())
        this->RecreateWnd();
}

template <class TBase>
void TFlatControl<TBase>::SetUseXPThemes(bool Value)
{
    if (FUseXPThemes == Value)
        return;
    FUseXPThemes = Value;
    if (this->HandleAllocated())
        SwitchTheme(this, Value, FTheme, [this] { CreateThemeHandle(); }, [this] { FreeThemeHandle(); });
}

template <class TBase>
void TFlatControl<TBase>::BackgroundChanged()
{
    this->Invalidate();
    this->Perform(CM_COLORCHANGED, 0, 0);
}

template <class TBase>
void TFlatControl<TBase>::Notification(TComponent* AComponent, TOperation Operation)
{
    TBase::Notification(AComponent, Operation);
    if (Operation == opRemove && FImageForm && AComponent == static_cast<TComponent*>(FImageForm)) {
        FImageForm = nullptr;
        this->Invalidate();
    }
}

template <class TBase>
bool TFlatControl<TBase>::Active()
{
    return FMouseOver || (this->HandleAllocated() && this->Focused());
}

template <class TBase>
void TFlatControl<TBase>::CreateWnd()
{
    TBase::CreateWnd();
    if (FUseXPThemes && !IsThemeApplied())
        CreateThemeHandle();
}

template <class TBase>
void TFlatControl<TBase>::DestroyWnd()
{
    TBase::DestroyWnd();
    if (IsThemeApplied())
        FreeThemeHandle();
}

template <class TBase>
void TFlatControl<TBase>::CreateThemeHandle()
{
    FTheme = OpenTheme(this->Handle(), GetThemedClassName());
}

template <class TBase>
void TFlatControl<TBase>::FreeThemeHandle()
{
    CloseTheme(FTheme);
}

template <class TBase>
void TFlatControl<TBase>::TextChanged()
{
    if (BackgroundApplies() && !FInPaint)
        DoPaint();
}

template <class TBase>
void TFlatControl<TBase>::DoPaint()
{
    if (FInPaint)
        return;
    FInPaint = true;
    if (PaintClientAtOnce(this, FPaintingToMemory))
        FInPaint = false;
}

template <class TBase>
void TFlatControl<TBase>::DoMouseEnter()
{
    TellMouse(this, true);
}

template <class TBase>
void TFlatControl<TBase>::DoMouseLeave()
{
    TellMouse(this, false);
}

template <class TBase>
void TFlatControl<TBase>::DrawFrameAndBars(HDC DC, TScrollStyle Bars, bool HThumbTracking, bool VThumbTracking)
{
    if (this->BorderStyle() == bsNone || !this->HandleAllocated())
        return;
    HWND h = this->Handle();
    if (IsThemeApplied()) {
        RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW);
        return;
    }
    // Without Flat the control keeps the default frame and scroll bars.
    if (!FFlat)
        return;
    HDC dc = DC ? DC : GetWindowDC(h);
    const TRect r{0, 0, this->Width(), this->Height()};
    const bool focused = this->Focused();
    const bool active = focused || FMouseOver;
    if (this->BorderStyle() == bsSingle)
        DrawFlatFrameEx2(dc, r, this->Color(), active, this->Enabled(), FBorderSides,
                         active ? FActiveBorderType : FInactiveBorderType);
    if (!(focused && !FMouseOver && !FFlatFocusedScrollBars))
        DrawFlatScrollbars(h, dc, r, active && !FFlatFocusedScrollBars, Bars, HThumbTracking, VThumbTracking, false);
    if (!DC)
        ReleaseDC(h, dc);
}

template <class TBase>
void TFlatControl<TBase>::CMMouse(TMessage& Message)
{
    // A child's news passes up as the platform passes it; only the control's own is its hot state.
    if (Message.LParam != 0 && Message.LParam != reinterpret_cast<LPARAM>(this)) {
        TBase::Dispatch(Message);
        return;
    }
    const bool enter = Message.Msg == CM_MOUSEENTER;
    if (!TakeHotState(this, enter, FMouseOver))
        return;
    if (HotRedrawsThemed() || (FFlat && FActiveBorderType != FInactiveBorderType && !this->Focused()))
        PaintFlatBorder(nullptr, false);
    if (enter)
        DoMouseEnter();
    else
        DoMouseLeave();
}

template <class TBase>
void TFlatControl<TBase>::WMFocus(TMessage& Message)
{
    TGuardPtr<TFlatControl> self(this);
    TBase::Dispatch(Message);
    if (!self)
        return;
    if (Message.Msg == WM_SETFOCUS) {
        FocusGained();
        if (!self)
            return;
    }
    if (FFlat && FActiveBorderType != FInactiveBorderType && !FMouseOver && !IsThemeApplied())
        PaintFlatBorder(nullptr, false);
}

template <class TBase>
void TFlatControl<TBase>::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes && this->HandleAllocated()) {
        FreeThemeHandle();
        CreateThemeHandle();
        SetWindowPos(this->Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
        RedrawWindow(this->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    Message.Result = 1;
}

template <class TBase>
void TFlatControl<TBase>::WMNCCalcSize(TMessage& Message)
{
    TBase::Dispatch(Message);
    if (Message.LParam)
        WidenForMissingSides(*reinterpret_cast<RECT*>(Message.LParam), FBorderSides);
    Message.Result = WVR_REDRAW;
}

template <class TBase>
void TFlatControl<TBase>::WMNCPaint(TMessage& Message)
{
    TBase::Dispatch(Message);
    if (IsThemeApplied() && this->BorderStyle() == bsSingle) {
        PaintThemedFrame(this->Handle(), FTheme, reinterpret_cast<HRGN>(Message.WParam));
        Message.Result = 0;
        return;
    }
    // The default frame would otherwise stand until the next paint of the client.
    if (FFlat)
        PaintFlatBorder(nullptr, true);
}

template <class TBase>
void TFlatControl<TBase>::WMEraseBkgnd(TMessage& Message)
{
    if (EraseBackground(this, BackgroundSource(), FImageForm, GetBackground(), reinterpret_cast<HDC>(Message.WParam)))
        Message.Result = 1;
    else
        TBase::Dispatch(Message);
}

template <class TBase>
void TFlatControl<TBase>::WMPaint(TMessage& Message)
{
    TGuardPtr<TFlatControl> self(this);
    TBase::Dispatch(Message);
    if (!self)
        return;
    if (BackgroundApplies() && !FInPaint && !FPaintingToMemory)
        DoPaint();
    if (self && FFlat && !IsThemeApplied() && !FPaintingToMemory)
        PaintFlatBorder(nullptr, false);
}

template <class TBase>
void TFlatControl<TBase>::WMWindowPosChanged(TMessage& Message)
{
    TGuardPtr<TFlatControl> self(this);
    TBase::Dispatch(Message);
    if (self)
        this->Perform(IFM_REPAINTCHILDREN, 0, 0);
}

template <class TBase>
void TFlatControl<TBase>::IFMRepaintChildren(TMessage& Message, bool Post)
{
    TBase::Dispatch(Message);
    this->Invalidate();
    for (int i = 0; i < this->ControlCount(); ++i) {
        TControl* c = this->Controls(i);
        if (!Post)
            c->Perform(IFM_REPAINTCHILDREN, 0, 0);
        else if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated())
            PostMessage(w->Handle(), IFM_REPAINTCHILDREN, 0, 0);
    }
}

template <class TBase>
bool TFlatControl<TBase>::DispatchFlat(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return true;
    case WM_PAINT: WMPaint(Message); return true;
    case WM_NCPAINT: WMNCPaint(Message); return true;
    case WM_NCCALCSIZE: WMNCCalcSize(Message); return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(Message); return true;
    case WM_THEMECHANGED: WMThemeChanged(Message); return true;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: CMMouse(Message); return true;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        TBase::Dispatch(Message);
        if (BackgroundApplies())
            SetBkMode(reinterpret_cast<HDC>(Message.WParam), TRANSPARENT);
        return true;
    case CM_PARENTCOLORCHANGED:
        TBase::Dispatch(Message);
        if (BackgroundApplies())
            this->Invalidate();
        return true;
    case WM_MOVE:
        TBase::Dispatch(Message);
        this->Invalidate();
        return true;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return true;
    default: return false;
    }
}

template class TFlatControl<TCustomEdit>;
template class TFlatControl<TMemo>;
template class TFlatControl<TListBox>;

}  // namespace exflat

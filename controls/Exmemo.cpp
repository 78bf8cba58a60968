// TExAdvancedMemo: the flat memo, with flat scroll bars.
#include <memory>

#include "controls/Exactrls.h"
#include "controls/Exflatctl.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Guard.h"
#include "platform/WinGdi.h"

TExAdvancedMemo::TExAdvancedMemo(TComponent* AOwner)
    : TMemo(AOwner), FBackground(std::make_unique<TBitmap>()), FImageFormLink(std::make_unique<TImgFormChangeLink>())
{
    FBackground->OnChange = [this](TObject* Sender) { BackgroundChanged(Sender); };
    FImageFormLink->OnChange = [this](TObject*) { Invalidate(); };
}

TExAdvancedMemo::~TExAdvancedMemo()
{
    // The window goes while this class still answers for it, so its theme is closed.
    Destroying();
    DestroyHandle();
    SetImageForm(nullptr);
    FBackground->OnChange = nullptr;
}

// ---------------------------------------------------------------- properties

void TExAdvancedMemo::SetActiveBorderType(TExFlatBorderType Value)
{
    if (FActiveBorderType == Value)
        return;
    FActiveBorderType = Value;
    if (!IsThemeApplied())
        DrawFlatBorder(nullptr);
}

void TExAdvancedMemo::SetInactiveBorderType(TExFlatBorderType Value)
{
    if (FInactiveBorderType == Value)
        return;
    FInactiveBorderType = Value;
    if (!IsThemeApplied())
        DrawFlatBorder(nullptr);
}

void TExAdvancedMemo::SetBackground(TBitmap* Value) { FBackground->Assign(Value); }

void TExAdvancedMemo::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    if (Value)
        Invalidate();
    else
        RecreateWnd();
}

void TExAdvancedMemo::SetFlatFocusedScrollBars(bool Value)
{
    if (FFlatFocusedScrollBars == Value)
        return;
    FFlatFocusedScrollBars = Value;
    if (HandleAllocated() && Focused())
        DrawFlatBorder(nullptr);
}

void TExAdvancedMemo::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    RecreateWnd();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TExAdvancedMemo::SetUseBackground(bool Value)
{
    if (FUseBackground == Value)
        return;
    FUseBackground = Value;
    RecreateWnd();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TExAdvancedMemo::SetImageForm(TCustomExImageForm* Value)
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

void TExAdvancedMemo::SetBorderSides(TExBorderSides Value)
{
    Value &= AllBorderSides;
    if (FBorderSides == Value)
        return;
    FBorderSides = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TExAdvancedMemo::SetUseXPThemes(bool Value)
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

void TExAdvancedMemo::BackgroundChanged(TObject*)
{
    Invalidate();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TExAdvancedMemo::Notification(TComponent* AComponent, TOperation Operation)
{
    TMemo::Notification(AComponent, Operation);
    if (Operation == opRemove && FImageForm && AComponent == static_cast<TComponent*>(FImageForm)) {
        FImageForm = nullptr;
        Invalidate();
    }
}

bool TExAdvancedMemo::BackgroundApplies() const
{
    return exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, FBackground.get()) != exflat::bsrcNormal;
}

bool TExAdvancedMemo::Active() { return FMouseOver || (HandleAllocated() && Focused()); }

// ---------------------------------------------------------------- window and theme

void TExAdvancedMemo::CreateWnd()
{
    TMemo::CreateWnd();
    if (FUseXPThemes && !IsThemeApplied())
        CreateThemeHandle();
}

void TExAdvancedMemo::DestroyWnd()
{
    TMemo::DestroyWnd();
    if (IsThemeApplied())
        FreeThemeHandle();
}

void TExAdvancedMemo::CreateThemeHandle() { FTheme = ThemesAvailable ? OpenThemeData(Handle(), u"EDIT") : nullptr; }

void TExAdvancedMemo::FreeThemeHandle()
{
    if (ThemesAvailable && FTheme)
        CloseThemeData(FTheme);
    FTheme = nullptr;
}

void TExAdvancedMemo::Change()
{
    if (BackgroundApplies() && !FInPaint)
        DoPaint();
    TMemo::Change();
}

// ---------------------------------------------------------------- painting

void TExAdvancedMemo::DrawFlatBorder(HDC DC)
{
    if (BorderStyle() == bsNone || !HandleAllocated())
        return;
    HWND h = Handle();
    if (IsThemeApplied()) {
        RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW);
        return;
    }
    // Without Flat the memo keeps the default frame and scroll bars.
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
        DrawFlatScrollbars(h, dc, r, active && !FFlatFocusedScrollBars, ScrollBars(), false, false, false);
    if (!DC)
        ReleaseDC(h, dc);
}

void TExAdvancedMemo::DoPaint()
{
    if (FInPaint)
        return;
    FInPaint = true;
    if (exflat::PaintClientAtOnce(this, FPaintingToMemory))
        FInPaint = false;
}

void TExAdvancedMemo::WMEraseBkgnd(TMessage& Message)
{
    const exflat::TBkSource source =
        exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, FBackground.get());
    if (exflat::EraseBackground(this, source, FImageForm, FBackground.get(), reinterpret_cast<HDC>(Message.WParam)))
        Message.Result = 1;
    else
        TMemo::Dispatch(Message);
}

void TExAdvancedMemo::WMPaint(TMessage& Message)
{
    TGuardPtr<TExAdvancedMemo> self(this);
    TMemo::Dispatch(Message);
    if (!self)
        return;
    if (BackgroundApplies() && !FInPaint && !FPaintingToMemory)
        DoPaint();
    if (self && FFlat && !IsThemeApplied() && !FPaintingToMemory)
        DrawFlatBorder(nullptr);
}

void TExAdvancedMemo::WMNCPaint(TMessage& Message)
{
    // While the program has turned drawing off (a batch of lines), the frame waits: the window
    // keeps it due and asks again once drawing is back on.
    if (FRedrawOff)
        return;
    TMemo::Dispatch(Message);
    if (IsThemeApplied() && BorderStyle() == bsSingle) {
        exflat::PaintThemedFrame(Handle(), FTheme, reinterpret_cast<HRGN>(Message.WParam));
        Message.Result = 0;
        return;
    }
    // The default frame and scroll bars would otherwise stand until the next paint of the client.
    if (FFlat)
        DrawFlatBorder(nullptr);
}

void TExAdvancedMemo::WMFocus(TMessage& Message)
{
    TGuardPtr<TExAdvancedMemo> self(this);
    TMemo::Dispatch(Message);
    if (self && FFlat && FActiveBorderType != FInactiveBorderType && !FMouseOver && !IsThemeApplied())
        DrawFlatBorder(nullptr);
}

void TExAdvancedMemo::WMGetDlgCode(TMessage& Message)
{
    TMemo::Dispatch(Message);
    Message.Result = (Message.Result & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB)) | DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (WantReturns() || FHandleDialogKeys)
        Message.Result |= DLGC_WANTALLKEYS;
    if (WantTabs())
        Message.Result |= DLGC_WANTTAB;
}

void TExAdvancedMemo::WMKeyDown(TMessage& Message)
{
    // Escape belongs to the dialog even though the memo wants every key.
    if (Message.WParam == VK_ESCAPE && KeyDataToShiftState(Message.LParam) == 0) {
        if (TCustomForm* form = GetParentForm(this)) {
            form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam);
            return;
        }
    }
    TMemo::Dispatch(Message);
}

void TExAdvancedMemo::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes && HandleAllocated()) {
        FreeThemeHandle();
        CreateThemeHandle();
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    Message.Result = 1;
}

void TExAdvancedMemo::CMMouse(TMessage& Message)
{
    if (Message.LParam != 0 && Message.LParam != reinterpret_cast<LPARAM>(this)) {
        TMemo::Dispatch(Message);
        return;
    }
    const bool enter = Message.Msg == CM_MOUSEENTER;
    if (TWinControl* parent = Parent())
        parent->Perform(Message.Msg, 0, reinterpret_cast<LPARAM>(this));
    FMouseOver = enter;
    if (IsThemeApplied() || (FFlat && FActiveBorderType != FInactiveBorderType && !Focused()))
        DrawFlatBorder(nullptr);
    if (enter)
        DoMouseEnter();
    else
        DoMouseLeave();
}

void TExAdvancedMemo::DoMouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TExAdvancedMemo::DoMouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TExAdvancedMemo::IFMRepaintChildren(TMessage& Message)
{
    TMemo::Dispatch(Message);
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(Controls(i)); w && w->HandleAllocated())
            PostMessage(w->Handle(), IFM_REPAINTCHILDREN, 0, 0);
}

void TExAdvancedMemo::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_PAINT: WMPaint(Message); break;
    case WM_NCPAINT: WMNCPaint(Message); break;
    case WM_NCCALCSIZE:
        TMemo::Dispatch(Message);
        if (Message.LParam)
            exflat::WidenForMissingSides(*reinterpret_cast<RECT*>(Message.LParam), FBorderSides);
        Message.Result = WVR_REDRAW;
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(Message); break;
    case WM_GETDLGCODE: WMGetDlgCode(Message); break;
    case WM_KEYDOWN: WMKeyDown(Message); break;
    case WM_THEMECHANGED: WMThemeChanged(Message); break;
    case WM_SETREDRAW:
        FRedrawOff = Message.WParam == 0;
        TMemo::Dispatch(Message);
        break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: CMMouse(Message); break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        TMemo::Dispatch(Message);
        if (BackgroundApplies())
            SetBkMode(reinterpret_cast<HDC>(Message.WParam), TRANSPARENT);
        break;
    case CM_PARENTCOLORCHANGED:
        TMemo::Dispatch(Message);
        if (BackgroundApplies())
            Invalidate();
        break;
    case WM_MOVE:
        TMemo::Dispatch(Message);
        Invalidate();
        break;
    case WM_WINDOWPOSCHANGED: {
        TGuardPtr<TExAdvancedMemo> self(this);
        TMemo::Dispatch(Message);
        if (self)
            Perform(IFM_REPAINTCHILDREN, 0, 0);
        break;
    }
    case IFM_REPAINTCHILDREN: IFMRepaintChildren(Message); break;
    default: TMemo::Dispatch(Message); break;
    }
}

// TCustomExAdvancedEdit: the flat one-line edit.
#include <memory>

#include "controls/Exactrls.h"
#include "controls/Exflatctl.h"
#include "ctlbase/Eximgfrm.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Clipbrd.h"
#include "platform/CodePages.h"
#include "platform/Guard.h"
#include "platform/WinGdi.h"

TCustomExAdvancedEdit::TCustomExAdvancedEdit(TComponent* AOwner)
    : TCustomEdit(AOwner), FBackground(std::make_unique<TBitmap>()),
      FImageFormLink(std::make_unique<TImgFormChangeLink>())
{
    FBackground->OnChange = [this](TObject* Sender) { BackgroundChanged(Sender); };
    FImageFormLink->OnChange = [this](TObject* Sender) { ImageFormChanged(Sender); };
}

TCustomExAdvancedEdit::~TCustomExAdvancedEdit()
{
    // The window goes while this class still answers for it, so its theme is closed.
    Destroying();
    DestroyHandle();
    SetImageForm(nullptr);
    FBackground->OnChange = nullptr;
}

// ---------------------------------------------------------------- properties

void TCustomExAdvancedEdit::SetActiveBorderType(TExFlatBorderType Value)
{
    if (FActiveBorderType == Value)
        return;
    FActiveBorderType = Value;
    if (!IsThemeApplied())
        DrawFlatBorder(nullptr);
}

void TCustomExAdvancedEdit::SetInactiveBorderType(TExFlatBorderType Value)
{
    if (FInactiveBorderType == Value)
        return;
    FInactiveBorderType = Value;
    if (!IsThemeApplied())
        DrawFlatBorder(nullptr);
}

void TCustomExAdvancedEdit::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TCustomExAdvancedEdit::SetBackground(TBitmap* Value) { FBackground->Assign(Value); }

void TCustomExAdvancedEdit::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    if (Value)
        Invalidate();
    else
        RecreateWnd();
}

void TCustomExAdvancedEdit::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    RecreateWnd();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TCustomExAdvancedEdit::SetUseBackground(bool Value)
{
    if (FUseBackground == Value)
        return;
    FUseBackground = Value;
    RecreateWnd();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TCustomExAdvancedEdit::SetImageForm(TCustomExImageForm* Value)
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

void TCustomExAdvancedEdit::SetBorderSides(TExBorderSides Value)
{
    Value &= AllBorderSides;
    if (FBorderSides == Value)
        return;
    FBorderSides = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomExAdvancedEdit::SetPasswordChar(char Value)
{
    if (Value != 0)
        MessageBox(nullptr, "PasswordChar is not supported in ExAdvancedEdit", nullptr, MB_OK);
}

void TCustomExAdvancedEdit::SetUseXPThemes(bool Value)
{
    if (FUseXPThemes == Value)
        return;
    FUseXPThemes = Value;
    if (!HandleAllocated())
        return;
    // The theme follows the switch at once rather than with the next window.
    if (Value && !FTheme)
        CreateThemeHandle();
    else if (!Value && FTheme)
        FreeThemeHandle();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

void TCustomExAdvancedEdit::BackgroundChanged(TObject*)
{
    Invalidate();
    Perform(CM_COLORCHANGED, 0, 0);
}

void TCustomExAdvancedEdit::ImageFormChanged(TObject*) { Invalidate(); }

void TCustomExAdvancedEdit::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomEdit::Notification(AComponent, Operation);
    if (Operation == opRemove && FImageForm && AComponent == static_cast<TComponent*>(FImageForm)) {
        FImageForm = nullptr;
        Invalidate();
    }
}

bool TCustomExAdvancedEdit::BackgroundApplies() const
{
    return exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, FBackground.get()) != exflat::bsrcNormal;
}

bool TCustomExAdvancedEdit::Active() { return FMouseOver || (HandleAllocated() && Focused()); }

// ---------------------------------------------------------------- window and theme

void TCustomExAdvancedEdit::CreateParams(TCreateParams& Params)
{
    TCustomEdit::CreateParams(Params);
    // Several lines' worth of edit, so that the alignment holds; Return and the line keys are kept
    // out of it (KeyPress) so it stays one line to the user.
    Params.Style |= ES_MULTILINE;
    if (FAlignment == taRightJustify)
        Params.Style |= ES_RIGHT;
    else if (FAlignment == taCenter)
        Params.Style |= ES_CENTER;
}

void TCustomExAdvancedEdit::CreateWnd()
{
    TCustomEdit::CreateWnd();
    if (FUseXPThemes && !IsThemeApplied())
        CreateThemeHandle();
}

void TCustomExAdvancedEdit::DestroyWnd()
{
    TCustomEdit::DestroyWnd();
    if (IsThemeApplied())
        FreeThemeHandle();
}

void TCustomExAdvancedEdit::CreateThemeHandle()
{
    const std::u16string name = GetThemedClassName();
    FTheme = ThemesAvailable ? OpenThemeData(Handle(), name.c_str()) : nullptr;
}

void TCustomExAdvancedEdit::FreeThemeHandle()
{
    if (ThemesAvailable && FTheme)
        CloseThemeData(FTheme);
    FTheme = nullptr;
}

// ---------------------------------------------------------------- keys

void TCustomExAdvancedEdit::Change()
{
    if (BackgroundApplies() && !FInPaint)
        DoPaint();
    TCustomEdit::Change();
}

void TCustomExAdvancedEdit::KeyDown(Word& Key, TShiftState Shift)
{
    TGuardPtr<TCustomExAdvancedEdit> self(this);
    TCustomEdit::KeyDown(Key, Shift);
    if (!self)
        return;
    FKeyHandled = (Key == VK_RETURN && Shift == ssCtrl) || Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR ||
                  Key == VK_NEXT;
    if (Key == VK_INSERT && Shift == ssShift) {
        Key = 0;
        Perform(WM_PASTE, 0, 0);
    }
}

void TCustomExAdvancedEdit::KeyPress(char& Key)
{
    TGuardPtr<TCustomExAdvancedEdit> self(this);
    TCustomEdit::KeyPress(Key);
    if (!self)
        return;
    if (Key == '\r' || (FKeyHandled && Key != 0)) {
        Key = 0;
        MessageBeep(0);
    } else if (Key == 0x16) {  // Ctrl+V
        Key = 0;
        Perform(WM_PASTE, 0, 0);
    }
}

// ---------------------------------------------------------------- painting

void TCustomExAdvancedEdit::DrawFlatBorder(HDC DC)
{
    if (!FFlat || BorderStyle() != bsSingle || !HandleAllocated())
        return;
    HWND h = Handle();
    if (IsThemeApplied()) {
        RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW);
        return;
    }
    HDC dc = DC ? DC : GetWindowDC(h);
    const bool active = Active();
    DrawFlatFrameEx2(dc, TRect{0, 0, Width(), Height()}, Color(), active, Enabled(), FBorderSides,
                     active ? FActiveBorderType : FInactiveBorderType);
    if (!DC)
        ReleaseDC(h, dc);
}

void TCustomExAdvancedEdit::DoPaint()
{
    if (FInPaint)
        return;
    FInPaint = true;
    if (exflat::PaintClientAtOnce(this, FPaintingToMemory))
        FInPaint = false;
}

void TCustomExAdvancedEdit::WMEraseBkgnd(TMessage& Message)
{
    const exflat::TBkSource source =
        exflat::BackgroundSource(FImageForm, FTransparent, FUseBackground, FBackground.get());
    if (exflat::EraseBackground(this, source, FImageForm, FBackground.get(), reinterpret_cast<HDC>(Message.WParam)))
        Message.Result = 1;
    else
        TCustomEdit::Dispatch(Message);
}

void TCustomExAdvancedEdit::WMPaint(TMessage& Message)
{
    TGuardPtr<TCustomExAdvancedEdit> self(this);
    TCustomEdit::Dispatch(Message);
    if (!self)
        return;
    if (BackgroundApplies() && !FInPaint && !FPaintingToMemory)
        DoPaint();
    if (self && FFlat && !IsThemeApplied() && !FPaintingToMemory)
        DrawFlatBorder(nullptr);
}

void TCustomExAdvancedEdit::WMNCPaint(TMessage& Message)
{
    TCustomEdit::Dispatch(Message);
    if (IsThemeApplied() && BorderStyle() == bsSingle) {
        exflat::PaintThemedFrame(Handle(), FTheme, reinterpret_cast<HRGN>(Message.WParam));
        Message.Result = 0;
        return;
    }
    // The default frame would otherwise stand until the next paint of the client.
    if (FFlat)
        DrawFlatBorder(nullptr);
}

void TCustomExAdvancedEdit::WMNCCalcSize(TMessage& Message)
{
    TCustomEdit::Dispatch(Message);
    if (Message.LParam)
        exflat::WidenForMissingSides(*reinterpret_cast<RECT*>(Message.LParam), FBorderSides);
    Message.Result = WVR_REDRAW;
}

void TCustomExAdvancedEdit::WMFocus(TMessage& Message)
{
    TGuardPtr<TCustomExAdvancedEdit> self(this);
    TCustomEdit::Dispatch(Message);
    if (!self)
        return;
    if (Message.Msg == WM_SETFOCUS && AutoSelect() && GetKeyState(VK_LBUTTON) >= 0)
        SelectAll();
    if (FFlat && FActiveBorderType != FInactiveBorderType && !FMouseOver && !IsThemeApplied())
        DrawFlatBorder(nullptr);
}

void TCustomExAdvancedEdit::WMGetDlgCode(TMessage& Message)
{
    TCustomEdit::Dispatch(Message);
    Message.Result = (Message.Result & ~DLGC_WANTALLKEYS) | DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FHandleDialogKeys)
        Message.Result |= DLGC_WANTALLKEYS;
}

void TCustomExAdvancedEdit::WMThemeChanged(TMessage& Message)
{
    if (ThemesAvailable && FUseXPThemes && HandleAllocated()) {
        FreeThemeHandle();
        CreateThemeHandle();
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    Message.Result = 1;
}

void TCustomExAdvancedEdit::CMMouse(TMessage& Message)
{
    // A child's news passes up as the platform passes it; only the edit's own is its hot state.
    if (Message.LParam != 0 && Message.LParam != reinterpret_cast<LPARAM>(this)) {
        TCustomEdit::Dispatch(Message);
        return;
    }
    const bool enter = Message.Msg == CM_MOUSEENTER;
    if (TWinControl* parent = Parent())
        parent->Perform(Message.Msg, 0, reinterpret_cast<LPARAM>(this));
    FMouseOver = enter;
    if (ThemesAvailable || (FFlat && FActiveBorderType != FInactiveBorderType && !Focused()))
        DrawFlatBorder(nullptr);
    if (enter)
        DoMouseEnter();
    else
        DoMouseLeave();
}

void TCustomExAdvancedEdit::DoMouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TCustomExAdvancedEdit::DoMouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TCustomExAdvancedEdit::WMPaste(TMessage& Message)
{
    // The edit holds several lines only for its alignment: a pasted text gives its first line, as
    // it would to any one-line edit, and no line the user cannot see or reach.
    (void)Message;
    if (ReadOnly() || !HandleAllocated() || !Clipboard()->HasFormat(CF_TEXT))
        return;
    std::string text = Clipboard()->AsText(CharsetToCodePage(Font()->Charset()));
    text = text.substr(0, text.find_first_of("\r\n"));
    SendMessage(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomExAdvancedEdit::IFMRepaintChildren(TMessage& Message)
{
    TCustomEdit::Dispatch(Message);
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i)
        Controls(i)->Perform(IFM_REPAINTCHILDREN, 0, 0);
}

void TCustomExAdvancedEdit::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_PAINT: WMPaint(Message); break;
    case WM_NCPAINT: WMNCPaint(Message); break;
    case WM_NCCALCSIZE: WMNCCalcSize(Message); break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(Message); break;
    case WM_GETDLGCODE: WMGetDlgCode(Message); break;
    case WM_THEMECHANGED: WMThemeChanged(Message); break;
    case WM_KEYUP:
        // The swallowing ends with the key that asked for it, so text that comes without a key
        // of its own (an input method's) is never taken for it.
        FKeyHandled = false;
        TCustomEdit::Dispatch(Message);
        break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: CMMouse(Message); break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        TCustomEdit::Dispatch(Message);
        if (BackgroundApplies())
            SetBkMode(reinterpret_cast<HDC>(Message.WParam), TRANSPARENT);
        break;
    case CM_PARENTCOLORCHANGED:
        TCustomEdit::Dispatch(Message);
        if (BackgroundApplies())
            Invalidate();
        break;
    case WM_MOVE:
        TCustomEdit::Dispatch(Message);
        Invalidate();
        break;
    case WM_WINDOWPOSCHANGED: {
        TGuardPtr<TCustomExAdvancedEdit> self(this);
        TCustomEdit::Dispatch(Message);
        if (self)
            Perform(IFM_REPAINTCHILDREN, 0, 0);
        break;
    }
    case WM_PASTE: WMPaste(Message); break;
    case IFM_REPAINTCHILDREN: IFMRepaintChildren(Message); break;
    default: TCustomEdit::Dispatch(Message); break;
    }
}

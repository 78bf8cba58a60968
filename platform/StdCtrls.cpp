// Labels and push buttons.
#include "platform/StdCtrls.h"

#include <algorithm>

#include "platform/CodePages.h"
#include "platform/EditCore.h"
#include "platform/Guard.h"

// ---- TCustomLabel -----------------------------------------------------------------------------
char CaptionAccelerator(const std::string& Caption, int CodePage)
{
    for (size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != '&') continue;
        if (Caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return char(morvik::stdctl::UpperByte(static_cast<unsigned char>(Caption[i + 1]), CodePage));
    }
    return 0;
}

bool IsCaptionAccelerator(WPARAM Key, const std::string& Caption, int CodePage)
{
    const auto key = static_cast<unsigned char>(Key & 0xFF);
    const char accel = CaptionAccelerator(Caption, CodePage);
    return key != 0 && accel != 0 && char(morvik::stdctl::UpperByte(key, CodePage)) == accel;
}

bool DefaultButtonTakesEnter()
{
    HWND focus = GetFocus();
    return !focus || !(SendMessage(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON);
}

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    ControlStyle |= csOpaque | csReplicatable;
    SetBounds(0, 0, 65, 17);
}

#define LABEL_SETTER(Name, Field, Type)  \
    void TCustomLabel::Name(Type Value)  \
    {                                    \
        if (Field == Value)              \
            return;                      \
        Field = Value;                   \
        AdjustBounds();                  \
        Invalidate();                    \
    }
LABEL_SETTER(SetAlignment, FAlignment, TAlignment)
LABEL_SETTER(SetWordWrap, FWordWrap, bool)
LABEL_SETTER(SetLayout, FLayout, TTextLayout)
#undef LABEL_SETTER

void TCustomLabel::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    if (Value)
        ControlStyle &= ~TControlStyle(csOpaque);
    else
        ControlStyle |= csOpaque;
    Invalidate();
}

int TCustomLabel::DrawTextFlags() const
{
    int flags = DT_EXPANDTABS;
    if (FWordWrap)
        flags |= DT_WORDBREAK;
    if (!ShowAccelChar)
        flags |= DT_NOPREFIX;
    flags |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    return flags;
}

void TCustomLabel::AdjustBounds()
{
    if (!FAutoSize || Align() == alClient)
        return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    TRect r{0, 0, FWordWrap ? Width() : 0, 0};
    std::string text = Caption().empty() ? std::string(" ") : Caption();
    DrawText(dc, text.c_str(), int(text.size()), &r, UINT(DrawTextFlags()) | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int x = Left();
    // A right- or centre-aligned label keeps its right edge or its centre.
    if (FAlignment == taRightJustify)
        x = Left() + Width() - r.Width();
    else if (FAlignment == taCenter)
        x = Left() + (Width() - r.Width()) / 2;
    SetBounds(x, Top(), r.Width(), r.Height());
}

void TCustomLabel::CMTextChanged(TMessage&)
{
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMDialogChar(TMessage& Message)
{
    if (FocusControl == nullptr || !ShowAccelChar || !Enabled()) return;
    if (!IsCaptionAccelerator(Message.WParam, Caption(), CharsetToCodePage(Font()->Charset()))) return;
    if (!FocusControl->CanFocus()) return;
    FocusControl->SetFocus();
    Message.Result = 1;
}

void TCustomLabel::CMFontChanged(TMessage& Message)
{
    TGraphicControl::Dispatch(Message);
    AdjustBounds();
}

void TCustomLabel::Paint()
{
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (!FTransparent) {
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    c->SetFont(Font());
    std::string text = Caption();
    UINT flags = UINT(DrawTextFlags());
    if (FLayout != tlTop) {
        TRect calc = r;
        DrawText(c->Handle(), text.c_str(), int(text.size()), &calc, flags | DT_CALCRECT);
        int offset = FLayout == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        OffsetRect(r, 0, offset);
    }
    if (!Enabled()) {
        // Disabled text: an embossed grey.
        TRect shifted = r;
        OffsetRect(shifted, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        DrawText(c->Handle(), text.c_str(), int(text.size()), &shifted, flags);
        c->Font()->SetColor(clBtnShadow);
    }
    DrawText(c->Handle(), text.c_str(), int(text.size()), &r, flags);
}

// ---- TButton ----------------------------------------------------------------------------------
TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = csSetCaption | csDoubleClicks | csCaptureMouse;
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clBtnFace);
}

void TButton::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style |= Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool TButton::DefaultLook()
{
    if (HandleAllocated() && (DWORD(GetWindowLong(Handle(), GWL_STYLE)) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        return true;
    return Default;
}

void TButton::BMSetStyle(TMessage& Message)
{
    if (!HandleAllocated())
        return;
    const DWORD style = DWORD(GetWindowLong(Handle(), GWL_STYLE));
    SetWindowLong(Handle(), GWL_STYLE, LONG((style & ~BS_TYPEMASK) | (DWORD(Message.WParam) & BS_TYPEMASK)));
    if (Message.LParam)
        Invalidate();
}

void TButton::Clicked()
{
    HWND parent = HandleAllocated() ? GetParent(Handle()) : nullptr;
    if (parent)
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetWindowLong(Handle(), GWL_ID), BN_CLICKED),
                    reinterpret_cast<LPARAM>(Handle()));
    else
        Click();
}

void TButton::BMClick(TMessage&) { Clicked(); }

void TButton::CNCommand(TMessage& Message)
{
    if (HIWORD(Message.WParam) == BN_CLICKED)
        Click();
}

void TButton::Click()
{
    if (ModalResult != mrNone)
        if (TCustomForm* form = GetParentForm(this))
            form->SetModalResult(ModalResult);
    TCustomControl::Click();
}

void TButton::Paint()
{
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    bool down = FPressed && FTracking;
    if (Focused() || DefaultLook()) {
        c->Brush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    TRect face = r;
    DrawFrameControl(c->Handle(), &face, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    if (down) {
        c->Brush()->SetColor(clBtnShadow);
        c->FrameRect(r);
    }
    c->SetFont(Font());
    c->Brush()->SetStyle(bsClear);
    if (!Enabled())
        c->Font()->SetColor(clGrayText);
    TRect tr = r;
    if (down)
        OffsetRect(tr, 1, 1);
    DrawText(c->Handle(), Caption().c_str(), int(Caption().size()), &tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
        TRect fr = r;
        InflateRect(fr, -3, -3);
        c->Brush()->SetStyle(bsSolid);
        c->DrawFocusRect(fr);
    }
}

void TButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (CanFocus() && !Focused()) {
            // The enter and exit handlers may free the button.
            TGuardPtr<TButton> self(this);
            SetFocus();
            if (!self)
                return;
        }
        FPressed = true;
        FTracking = true;
        Invalidate();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FPressed) {
        bool inside = X >= 0 && Y >= 0 && X < Width() && Y < Height();
        if (inside != FTracking) {
            FTracking = inside;
            Invalidate();
        }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    bool click = FPressed && Button == mbLeft && X >= 0 && Y >= 0 && X < Width() && Y < Height();
    if (Button == mbLeft) {
        FPressed = false;
        FTracking = false;
        Invalidate();
    }
    TGuardPtr<TButton> self(this);
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (click && self)
        Clicked();
}

void TButton::KeyDown(Word& Key, TShiftState Shift)
{
    TGuardPtr<TButton> self(this);
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE && self) {
        FPressed = FTracking = true;
        Invalidate();
    }
}

void TButton::KeyUp(Word& Key, TShiftState Shift)
{
    TGuardPtr<TButton> self(this);
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && self && FPressed) {
        FPressed = FTracking = false;
        Invalidate();
        Clicked();
    }
}

void TButton::WMGetDlgCode(TMessage& Message)
{
    Message.Result = DLGC_BUTTON | (Default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void TButton::CMDialogKey(TMessage& Message)
{
    Word key = LOWORD(Message.WParam);
    const bool enter = key == VK_RETURN && (Focused() || (Default && DefaultButtonTakesEnter()));
    if ((enter || (key == VK_ESCAPE && Cancel)) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    TCustomControl::Dispatch(Message);
}

void TButton::CMDialogChar(TMessage& Message)
{
    if (IsCaptionAccelerator(Message.WParam, Caption(), CharsetToCodePage(Font()->Charset())) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    TCustomControl::Dispatch(Message);
}

void TButton::WMFocus(TMessage& Message)
{
    TGuardPtr<TButton> self(this);
    TCustomControl::Dispatch(Message);
    if (self)
        Invalidate();
}

void TButton::CMTextChanged(TMessage&) { Invalidate(); }

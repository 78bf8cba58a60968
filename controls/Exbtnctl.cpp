#include "controls/Exbtnctl.h"

#include "platform/CodePages.h"
#include "platform/Forms.h"
#include "platform/SysUtils.h"

TExButtonControl::TExButtonControl(TComponent* AOwner) : TExXPThemedControl(AOwner)
{
    ControlStyle &= ~TControlStyle(csSetCaption);
    SetColor(clBtnFace);
    Font()->SetColor(clBtnText);
    SetParentFont(true);
}

TExButtonControl::~TExButtonControl() = default;

void TExButtonControl::SetTransparent(bool Value)
{
    if (Value == FTransparent) return;
    FTransparent = Value;
    if (Value)
        ControlStyle &= ~TControlStyle(csOpaque);
    else
        ControlStyle |= csOpaque;
    RecreateWnd();
}

void TExButtonControl::CreateParams(TCreateParams& Params)
{
    TExXPThemedControl::CreateParams(Params);
    if (FTransparent)
        Params.ExStyle |= WS_EX_TRANSPARENT;
    else
        Params.ExStyle &= ~DWORD(WS_EX_TRANSPARENT);
}

void TExButtonControl::SetTextDrawType(TExTextDrawType Value)
{
    if (Value == FTextDrawType) return;
    FTextDrawType = Value;
    Repaint();
}

void TExButtonControl::SetCaption(const std::string& Value)
{
    if (Value == FCaption) return;
    FCaption = Value;
    Perform(CM_TEXTCHANGED, 0, 0);
}

std::u16string TExButtonControl::GetThemedClassName() { return u"BUTTON"; }

bool TExButtonControl::GetChecked() { throw Exception("Abstract Error"); }

void TExButtonControl::SetChecked(bool) { throw Exception("Abstract Error"); }

void TExButtonControl::CMDialogChar(TMessage& Message)
{
    if (IsCaptionAccelerator(Message.WParam, FCaption, CharsetToCodePage(Font()->Charset())) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    TExXPThemedControl::Dispatch(Message);
}

void TExButtonControl::WMMove(TMessage& Message)
{
    TExXPThemedControl::Dispatch(Message);
    if (FTransparent) Repaint();
}

void TExButtonControl::WndProc(TMessage& Message)
{
    // Any message may reach a handler that frees the button: only the repaint notice looks at it.
    if (Message.Msg != ParentControlRepaintedMessage) {
        TExXPThemedControl::WndProc(Message);
        return;
    }
    TExXPThemedControl::WndProc(Message);
    if (!FTransparent || Parent() == nullptr) return;
    if (reinterpret_cast<TControl*>(Message.WParam) == this) return;
    const TRect* painted = Message.LParamPtr<TRect>();
    if (painted == nullptr || !HandleAllocated()) return;
    TRect r;
    const TRect bounds = BoundsRect();
    if (!IntersectRect(r, *painted, bounds)) return;
    OffsetRect(r, -Left(), -Top());
    InvalidateRect(Handle(), &r, TRUE);
    Update();
}

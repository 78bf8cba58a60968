// Keyboard input for windowed controls: key events, form key preview, dialog keys.
#include "platform/Controls.h"

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/Guard.h"

using namespace morvik::backend;

void TWinControl::KeyDown(Word& Key, TShiftState Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

bool TWinControl::DoKeyDown(TMessage& Message)
{
    return DoKeyEvent(Message, &TWinControl::DoKeyDown, &TWinControl::KeyDown);
}

bool TWinControl::DoKeyEvent(TMessage& Message, bool (TWinControl::*Preview)(TMessage&),
                             void (TWinControl::*Handler)(Word&, TShiftState))
{
    // The form sees the key first when it previews keys; a key it zeroes goes no further. A
    // handler that frees the control ends the key's road too.
    TGuardPtr<TWinControl> self(this);
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && (static_cast<TWinControl*>(form)->*Preview)(Message))
        return true;
    if (!self)
        return true;
    Word key = LOWORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (!(ControlStyle & csNoStdEvents)) {
        (this->*Handler)(key, shift);
        Message.WParam = key;
        if (key == 0 || !self)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyPress(TMessage& Message)
{
    TGuardPtr<TWinControl> self(this);
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyPress(Message))
        return true;
    if (!self)
        return true;
    char ch = char(Message.WParam);
    if (!(ControlStyle & csNoStdEvents)) {
        KeyPress(ch);
        Message.WParam = static_cast<unsigned char>(ch);
        if (ch == 0 || !self)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(TMessage& Message)
{
    return DoKeyEvent(Message, &TWinControl::DoKeyUp, &TWinControl::KeyUp);
}

void TWinControl::WMKeyDown(TMessage& Message)
{
    if (!DoKeyDown(Message))
        DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message)
{
    if (!DoKeyUp(Message))
        DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message)
{
    if (!DoKeyPress(Message))
        DefaultHandler(Message);
}

void TWinControl::CNKeyDown(TMessage& Message)
{
    Message.Result = 1;
    Word key = LOWORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    TCustomForm* form = GetParentForm(this);
    if (form && form->IsShortCut(key, shift))
        return;
    LRESULT mask = 0;
    switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
    }
    // Each key needs its own bit: wanting all keys is not wanting Tab or the arrows.
    if (mask && form && !(Perform(WM_GETDLGCODE, 0, 0) & mask) &&
        form->Perform(CM_DIALOGKEY, key, Message.LParam) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CMDialogKey(TMessage& Message)
{
    // Offered to the children in turn; the first that takes it wins. One that frees a child, or this
    // control, as it is offered the key leaves the rest the key (or no one, with this one gone).
    TGuardPtr<TWinControl> self(this);
    for (TGuardPtr<TControl>& c : GuardedCopy<TControl>(FControls)) {
        if (!self)
            return;
        if (!c || c->Parent() != this)
            continue;
        if (c->Visible() && c->Enabled() && c->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0) {
            Message.Result = 1;
            return;
        }
    }
}

void TWinControl::CNChar(TMessage& Message)
{
    // A character the control does not take may be an accelerator of a control on its form.
    Message.Result = 1;
    TCustomForm* form = GetParentForm(this);
    if (form && !(Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) &&
        form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
        return;
    Message.Result = 0;
}

void TWinControl::CNSysChar(TMessage& Message)
{
    // Alt with a letter reaches the accelerators whether or not the control takes characters.
    Message.Result = 0;
    if (LOWORD(Message.WParam) == VK_SPACE)
        return;
    if (TCustomForm* form = GetParentForm(this))
        Message.Result = form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
}

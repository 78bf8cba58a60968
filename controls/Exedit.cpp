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

TCustomExAdvancedEdit::TCustomExAdvancedEdit(TComponent* AOwner) : TFlatControl(AOwner) {}

// ---------------------------------------------------------------- properties

void TCustomExAdvancedEdit::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TCustomExAdvancedEdit::SetPasswordChar(char Value)
{
    if (Value != 0)
        MessageBox(nullptr, "PasswordChar is not supported in ExAdvancedEdit", nullptr, MB_OK);
}

bool TCustomExAdvancedEdit::HotRedrawsThemed() const { return ThemesAvailable; }

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

// ---------------------------------------------------------------- keys

void TCustomExAdvancedEdit::Change()
{
    TextChanged();
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
    // The frame alone: the edit has no scroll bars.
    if (Flat())
        DrawFrameAndBars(DC, ssNone, false, false);
}

void TCustomExAdvancedEdit::WMGetDlgCode(TMessage& Message)
{
    TCustomEdit::Dispatch(Message);
    Message.Result = (Message.Result & ~DLGC_WANTALLKEYS) | DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FHandleDialogKeys)
        Message.Result |= DLGC_WANTALLKEYS;
}

void TCustomExAdvancedEdit::FocusGained()
{
    if (AutoSelect() && GetKeyState(VK_LBUTTON) >= 0)
        SelectAll();
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

void TCustomExAdvancedEdit::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE: WMGetDlgCode(Message); break;
    case WM_KEYUP:
        // The swallowing ends with the key that asked for it, so text that comes without a key
        // of its own (an input method's) is never taken for it.
        FKeyHandled = false;
        TCustomEdit::Dispatch(Message);
        break;
    case WM_PASTE: WMPaste(Message); break;
    case IFM_REPAINTCHILDREN: IFMRepaintChildren(Message, false); break;
    default:
        if (!DispatchFlat(Message))
            TCustomEdit::Dispatch(Message);
        break;
    }
}

// TExAdvancedMemo: the flat memo, with flat scroll bars.
#include "controls/Exactrls.h"
#include "controls/Exflatctl.h"
#include "ctlbase/Eximgfrm.h"
#include "platform/Forms.h"
#include "platform/WinGdi.h"

TExAdvancedMemo::TExAdvancedMemo(TComponent* AOwner) : TFlatControl(AOwner) {}

void TExAdvancedMemo::Change()
{
    TextChanged();
    TMemo::Change();
}

// ---------------------------------------------------------------- painting

void TExAdvancedMemo::DrawFlatBorder(HDC DC) { DrawFrameAndBars(DC, ScrollBars(), false, false); }

// ---------------------------------------------------------------- messages

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

void TExAdvancedMemo::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCPAINT:
        // While the program has turned drawing off (a batch of lines), the frame waits: the window
        // keeps it due and asks again once drawing is back on.
        if (!FRedrawOff)
            WMNCPaint(Message);
        break;
    case WM_GETDLGCODE: WMGetDlgCode(Message); break;
    case WM_KEYDOWN: WMKeyDown(Message); break;
    case WM_SETREDRAW:
        FRedrawOff = Message.WParam == 0;
        TMemo::Dispatch(Message);
        break;
    case IFM_REPAINTCHILDREN: IFMRepaintChildren(Message, true); break;
    default:
        if (!DispatchFlat(Message))
            TMemo::Dispatch(Message);
        break;
    }
}

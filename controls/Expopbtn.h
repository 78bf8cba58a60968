// TCustomExPopupButton: a windowed push button that can also be a two-state switch, one button of an
// exclusive group, a dialog's default or cancel button, and a split button whose arrow part opens a
// pull-down menu. Picture and caption come from a TExButtonGlyph; sounds go through a sound map.
#pragma once

#include <memory>
#include <string>

#include "controls/Exbtnpicture.h"
#include "platform/Forms.h"

class TPopupMenu;

enum TPopupPlace { ppDown, ppRight, ppTop };

// The message a button posts to itself when its pull-down menu has closed
// ("Ex - Cancel pulldown menu").
extern const UINT MenuCancelMsg;

class TCustomExPopupButton : public TExPictureButton<TExButtonControl>, public TExGroupedButton {
public:
    explicit TCustomExPopupButton(TComponent* AOwner);
    ~TCustomExPopupButton() override;

    // ---- down state and groups
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool IsSwitch() const { return FIsSwitch; }
    void SetIsSwitch(bool Value) { FIsSwitch = Value; }
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool GetChecked() override { return FDown; }
    bool GroupDown() const override { return FDown; }
    bool GroupAllowAllUp() const override { return FAllowAllUp; }
    void SetChecked(bool Value) override { SetDown(Value); }

    // ---- arrow part and pull-down menu
    bool UseArrow() const { return FUseArrow; }
    virtual void SetUseArrow(bool Value);
    TPopupMenu* PullDownMenu() const { return FPullDownMenu; }
    // A menu clears DisableAutoPopup, none sets it.
    void SetPullDownMenu(TPopupMenu* Value);
    TPopupPlace PopupPlace = ppDown;
    bool DisableAutoPopup = false;
    TNotifyEvent OnArrowClick;

    // ---- dialog role
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel = false;
    TModalResult ModalResult = mrNone;
    bool DrawDefaultFrame() const { return FDrawDefaultFrame; }
    void SetDrawDefaultFrame(bool Value);

    // ---- looks (the rest with the picture)
    bool ShowFocus() const { return FShowFocus; }
    void SetShowFocus(bool Value);

    // ---- state
    TExButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    bool MouseInArrow() const { return FMouseInArrow; }
    bool Tracking() const { return FTracking; }
    bool PressedOnArrow() const { return FPressedOnArrow; }
    bool MenuShown() const { return FMenuShown; }
    bool MenuClosedOnArrow() const { return FMenuClosedOnArrow; }
    bool MultiLine() const { return FMultiLine; }
    bool Active() const { return FActive; }

    void Click() override;
    // A click of the body or (IsArrow) of the arrow part; opens the pull-down menu where it applies.
    void AClick(bool IsArrow);
    TSize MeasureButton() { return TSize{0, 0}; }
    virtual void SetButtonStyle(bool ADefault);
    virtual Integer GetArrowSize();
    void Loaded() override;
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_FOCUSCHANGED, CMFocusChanged)
        MESSAGE_HANDLER(CM_BUTTONPRESSED, CMButtonPressed)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(CN_COMMAND, CNCommand)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
        MESSAGE_HANDLER(WM_SETFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(WM_SYSKEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(WM_KEYUP, WMKeyUp)
        MESSAGE_HANDLER(CN_SYSKEYDOWN, CNSysKeyDown)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
    END_MESSAGE_MAP(TExButtonControl)

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void FreeThemeHandle() override;
    void CreateThemeHandle() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    void CMDialogKey(TMessage& Message);
    void CMFocusChanged(TMessage& Message);
    void CMButtonPressed(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void CNCommand(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);
    void WMFocus(TMessage& Message);
    void WMKeyDown(TMessage& Message);
    void WMKeyUp(TMessage& Message);
    void CNSysKeyDown(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);

private:
    bool InArrowZone(int X) const;
    bool Pressed() const override;
    bool Hot() const override { return FMouseInControl || FMouseInArrow; }
    void UpdateExclusive();
    void UpdateTracking();
    // Repaints while the frame shows: not old-styled, hot or focused, and not pressed.
    bool FrameShowing() override;

    bool FDown = false;
    bool FIsSwitch = false;
    Integer FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FUseArrow = false;
    TPopupMenu* FPullDownMenu = nullptr;
    bool FDefault = false;
    bool FDrawDefaultFrame = false;
    bool FShowFocus = true;

    TExButtonState FState = ebsUp;
    bool FMouseInControl = false;
    bool FMouseInArrow = false;
    bool FTracking = false;
    bool FPressedOnArrow = false;
    bool FMenuShown = false;
    bool FMenuClosedOnArrow = false;
    bool FMultiLine = false;
    bool FActive = false;
    HTHEME FArrowTheme = nullptr;
};

// Publishes the popup button; a press takes the focus first when the button can take it.
class TExPopupButton : public TCustomExPopupButton {
public:
    explicit TExPopupButton(TComponent* AOwner) : TCustomExPopupButton(AOwner) {}

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

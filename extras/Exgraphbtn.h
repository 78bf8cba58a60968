// TCustomExGraphicButton: the window-less twin of the popup button. It paints on its parent's
// surface and never takes the focus, but has the same pictures, states, groups, switch mode, split
// arrow part with its pull-down menu, sounds, backgrounds, image form and custom shadows. Its
// pull-down menu belongs to a hidden utility window whose messages come back to the button.
#pragma once

#include <memory>
#include <string>

#include "controls/Exbtnpicture.h"
#include "controls/Expopbtn.h"

class TPopupMenu;

class TCustomExGraphicButton : public TExPictureButton<TGraphicControl>, public TExGroupedButton {
public:
    explicit TCustomExGraphicButton(TComponent* AOwner);
    ~TCustomExGraphicButton() override;

    // ---- caption and looks of the button itself
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    TExTextDrawType TextDrawType() const { return FTextDrawType; }
    void SetTextDrawType(TExTextDrawType Value);
    bool UseXPThemes() const { return FUseXPThemes; }
    void SetUseXPThemes(bool Value);
    bool IsThemeApplied() const { return FUseXPThemes && FTheme != nullptr && FArrowTheme != nullptr; }

    // ---- down state and groups
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool IsSwitch() const { return FIsSwitch; }
    void SetIsSwitch(bool Value) { FIsSwitch = Value; }
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    virtual bool GetChecked() { return FDown; }
    virtual void SetChecked(bool Value) { SetDown(Value); }
    bool GroupDown() const override { return FDown; }
    bool GroupAllowAllUp() const override { return FAllowAllUp; }

    // ---- arrow part and pull-down menu
    bool UseArrow() const { return FUseArrow; }
    virtual void SetUseArrow(bool Value);
    TPopupMenu* PullDownMenu() const { return FPullDownMenu; }
    void SetPullDownMenu(TPopupMenu* Value);
    TPopupPlace PopupPlace = ppDown;
    bool DisableAutoPopup = false;
    TNotifyEvent OnArrowClick;

    // ---- dialog role (Default has no published property here)
    bool Default = false;
    bool Cancel = false;
    TModalResult ModalResult = mrNone;

    // ---- state
    TExButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    bool MouseInArrow() const { return FMouseInArrow; }
    bool Tracking() const { return FTracking; }
    bool MenuShown() const { return FMenuShown; }
    bool MenuClosedOnArrow() const { return FMenuClosedOnArrow; }
    bool MultiLine() const { return FMultiLine; }
    HWND MenuWindow() const { return FMenuWindow; }

    void Click() override { Click(false); }
    // A click of the body or (IsArrow) of the arrow part; opens the pull-down menu where it applies.
    virtual void Click(bool IsArrow);
    virtual int GetThemePartID() { return 1; }
    virtual int GetThemeStateID();
    virtual std::u16string GetThemedClassName() { return u"BUTTON"; }
    virtual int GetArrowThemePartID() { return 1; }
    virtual int GetArrowThemeStateID();
    virtual std::u16string GetArrowThemedClassName() { return u"COMBOBOX"; }
    virtual Integer GetArrowSize();
    virtual void DrawThemedBackground(TCanvas* ACanvas);
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_DIALOGCHAR, CMDialogChar)
        MESSAGE_HANDLER(CM_BUTTONPRESSED, CMButtonPressed)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
        MESSAGE_HANDLER(WM_THEMECHANGED, WMThemeChanged)
    END_MESSAGE_MAP(TGraphicControl)

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CreateThemeHandle();
    void FreeThemeHandle();

    void CMDialogKey(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void CMButtonPressed(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);
    void WMThemeChanged(TMessage& Message);

private:
    bool InArrowZone(int X) const;
    bool Pressed() const override;
    bool Hot() const override { return FMouseInControl || FMouseInArrow; }
    // Repaints while the frame shows: not old-styled, hot and not pressed.
    bool FrameShowing() override { return !FOldStyled && Hot() && !Pressed(); }
    void UpdateExclusive();
    void UpdateTracking();
    // The menu window's messages.
    void MenuWndProc(TMessage& Message);

    std::string FCaption;
    bool FTransparent = false;
    TExTextDrawType FTextDrawType = tdtNormal;
    bool FUseXPThemes = false;
    HTHEME FTheme = nullptr;
    HTHEME FArrowTheme = nullptr;
    HWND FMenuWindow = nullptr;

    bool FDown = false;
    bool FIsSwitch = false;
    Integer FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FUseArrow = false;
    TPopupMenu* FPullDownMenu = nullptr;

    TExButtonState FState = ebsUp;
    bool FMouseInControl = false;
    bool FMouseInArrow = false;
    bool FTracking = false;
    bool FPressedOnArrow = false;
    bool FMenuShown = false;
    bool FMenuClosedOnArrow = false;
    bool FMultiLine = false;
};

class TExGraphicButton : public TCustomExGraphicButton {
public:
    explicit TExGraphicButton(TComponent* AOwner) : TCustomExGraphicButton(AOwner) {}
};

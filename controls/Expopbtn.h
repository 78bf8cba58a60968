// TCustomExPopupButton: a windowed push button that can also be a two-state switch, one button of an
// exclusive group, a dialog's default or cancel button, and a split button whose arrow part opens a
// pull-down menu. Picture and caption come from a TExButtonGlyph; sounds go through a sound map.
#pragma once

#include <memory>
#include <string>

#include "controls/Expushbtn.h"
#include "platform/Forms.h"

class TCustomExPopupButton : public TExPushButton<TExButtonControl> {
    using Inherited = TExPushButton<TExButtonControl>;

public:
    explicit TCustomExPopupButton(TComponent* AOwner);
    ~TCustomExPopupButton() override;

    bool GetChecked() override { return FDown; }
    void SetChecked(bool Value) override { SetDown(Value); }

    // ---- dialog role
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool DrawDefaultFrame() const { return FDrawDefaultFrame; }
    void SetDrawDefaultFrame(bool Value);

    // ---- looks (the rest with the picture)
    bool ShowFocus() const { return FShowFocus; }
    void SetShowFocus(bool Value);

    bool Active() const { return FActive; }

    // A click of the body or (IsArrow) of the arrow part; opens the pull-down menu where it applies.
    void AClick(bool IsArrow);
    TSize MeasureButton() { return TSize{0, 0}; }
    virtual void SetButtonStyle(bool ADefault);
    Integer GetArrowSize() override;
    void Loaded() override;
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_DIALOGKEY, CMDialogKey)
        MESSAGE_HANDLER(CM_FOCUSCHANGED, CMFocusChanged)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(WM_GETDLGCODE, WMGetDlgCode)
        MESSAGE_HANDLER(CN_COMMAND, CNCommand)
        MESSAGE_HANDLER(WM_SETFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, WMFocus)
        MESSAGE_HANDLER(WM_KEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(WM_SYSKEYDOWN, WMKeyDown)
        MESSAGE_HANDLER(WM_KEYUP, WMKeyUp)
        MESSAGE_HANDLER(CN_SYSKEYDOWN, CNSysKeyDown)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
    END_MESSAGE_MAP(Inherited)

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void FreeThemeHandle() override;
    void CreateThemeHandle() override;
    bool ThemeApplied() const override { return IsThemeApplied(); }
    void ClickPart(bool IsArrow) override { AClick(IsArrow); }

    void CMDialogKey(TMessage& Message);
    void CMFocusChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void CNCommand(TMessage& Message);
    void WMFocus(TMessage& Message);
    void WMKeyDown(TMessage& Message);
    void WMKeyUp(TMessage& Message);
    void CNSysKeyDown(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);

private:
    // Repaints while the frame shows: not old-styled, hot or focused, and not pressed.
    bool FrameShowing() override;

    bool FDefault = false;
    bool FDrawDefaultFrame = false;
    bool FShowFocus = true;
    bool FActive = false;
    // The space bar went down on the focused button; its release clicks.
    bool FKeyPressed = false;
    HTHEME FArrowTheme = nullptr;
};

// Publishes the popup button; a press takes the focus first when the button can take it.
class TExPopupButton : public TCustomExPopupButton {
public:
    explicit TExPopupButton(TComponent* AOwner) : TCustomExPopupButton(AOwner) {}

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

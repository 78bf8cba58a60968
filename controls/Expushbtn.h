// TExPushButton: what the windowed popup button and its window-less twin, the graphic button, do
// alike on top of their picture set: the down state with its switch mode and exclusive groups, the
// mouse's press and release with the split arrow part, hot tracking, the click with its pull-down
// menu, and the parts of painting that do not depend on having a window of one's own.
#pragma once

#include "controls/Exbtnpicture.h"
#include "platform/Forms.h"

class TPopupMenu;

enum TPopupPlace { ppDown, ppRight, ppTop };

// The message a button posts to itself when its pull-down menu has closed
// ("Ex - Cancel pulldown menu").
extern const UINT MenuCancelMsg;

template <class TBase>
class TExPushButton : public TExPictureButton<TBase>, public TExGroupedButton {
public:
    explicit TExPushButton(TComponent* AOwner);
    ~TExPushButton() override;

    // ---- down state and groups
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool IsSwitch() const { return FIsSwitch; }
    void SetIsSwitch(bool Value) { FIsSwitch = Value; }
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool GroupDown() const override { return FDown; }
    bool GroupAllowAllUp() const override { return FAllowAllUp; }

    // ---- arrow part and pull-down menu
    bool UseArrow() const { return FUseArrow; }
    virtual void SetUseArrow(bool Value);
    TPopupMenu* PullDownMenu() const { return FPullDownMenu; }
    // A menu clears DisableAutoPopup, none sets it.
    void SetPullDownMenu(TPopupMenu* Value);
    TPopupPlace PopupPlace = ppDown;
    bool DisableAutoPopup = false;
    TNotifyEvent OnArrowClick;
    virtual Integer GetArrowSize() = 0;

    // ---- dialog role
    bool Cancel = false;
    TModalResult ModalResult = mrNone;

    // ---- state
    TExButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    bool MouseInArrow() const { return FMouseInArrow; }
    bool Tracking() const { return FTracking; }
    bool PressedOnArrow() const { return FPressedOnArrow; }
    bool MenuShown() const { return FMenuShown; }
    bool MenuClosedOnArrow() const { return FMenuClosedOnArrow; }
    bool MultiLine() const { return FMultiLine; }

    // A click of the body from the keyboard or from code: the down state moves as a mouse click's
    // does (a switch toggles, a group's down button changes), then the click.
    void Click() override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_BUTTONPRESSED, CMButtonPressed)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
        MESSAGE_HANDLER(CM_COLORCHANGED, CMColorChanged)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, WMLButtonDblClk)
    END_MESSAGE_MAP(TBase)

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool Pressed() const override;
    bool Hot() const override { return FMouseInControl || FMouseInArrow; }

    // The theme draws the button.
    virtual bool ThemeApplied() const = 0;
    // The button's own click of the body or (IsArrow) of the arrow part, as its class names it.
    virtual void ClickPart(bool IsArrow) = 0;
    // The click itself: the form's result, the sound, the event, and the pull-down menu where it
    // applies, owned by MenuOwner and placed TopEdge higher when it opens above the button.
    void PerformClick(bool IsArrow, HWND MenuOwner, Integer TopEdge);
    // The menu loop has ended: the button tracks again until MenuCancelMsg, posted to PostTo, comes.
    void MenuLoopExited(HWND PostTo);
    void MenuCancelled();
    // The look of a button that nothing presses: down (a switch) or exclusive (a group), else up.
    TExButtonState RestState() const;
    // What the end of a click of the body does to Down and State.
    void ReleaseBody();

    // Painting, step by step: the state a disabled button or parent forces; the background of an
    // opaque unthemed button; the unthemed body and arrow part (R loses the arrow's width AW); the
    // picture and caption over R with the arrow's width given back (R ends as the room they had).
    bool PaintState();
    // Enabled, and so is the parent: a button on a disabled parent looks disabled.
    bool LooksEnabled() const { return this->Enabled() && (this->Parent() == nullptr || this->Parent()->Enabled()); }
    void PaintBackground(TCanvas* C, const TRect& R, bool PressedLook);
    void PaintFrames(TCanvas* C, TRect& R, Integer& AW, bool Enabled, bool Focused, bool DefaultFrame);
    void PaintPicture(TCanvas* C, TRect& R, Integer AW, const std::string& Caption, TExTextDrawType TextDrawType,
                      bool Focused, HTHEME Theme, int PartId, int StateId);

    void CMButtonPressed(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMLButtonDblClk(TMessage& Message);

    bool InArrowZone(int X) const;
    void UpdateExclusive();
    void UpdateTracking();

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

extern template class TExPushButton<TExButtonControl>;
extern template class TExPushButton<TGraphicControl>;

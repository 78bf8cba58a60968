// TExSpeedButton: a round, window-less image button. Four bitmaps show it normal, disabled, under
// the mouse and pressed; only points inside its circle count; a circular edge can frame it; held
// down long enough, it opens a pull-down menu.
#pragma once

#include <functional>
#include <memory>

#include "platform/Controls.h"

class TPopupMenu;
class TTimer;

using TPullDownEvent = std::function<void(TObject* Sender)>;

class TExSpeedButton : public TGraphicControl {
public:
    explicit TExSpeedButton(TComponent* AOwner);
    ~TExSpeedButton() override;

    TColor TransparentColor() const { return FTransparentColor; }
    // The colour left out of all four images.
    void SetTransparentColor(TColor Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TBitmap* NormalImage() const { return FNormalImage.get(); }
    void SetNormalImage(TBitmap* Value);
    TBitmap* DisabledImage() const { return FDisabledImage.get(); }
    void SetDisabledImage(TBitmap* Value);
    TBitmap* MouseInImage() const { return FMouseInImage.get(); }
    void SetMouseInImage(TBitmap* Value);
    TBitmap* PressedImage() const { return FPressedImage.get(); }
    void SetPressedImage(TBitmap* Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool DrawEdge() const { return FDrawEdge; }
    void SetDrawEdge(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    TMouseButton PullDownBtn = mbLeft;
    Integer PullDownInterval = 1000;
    bool PullDownEnabled = false;
    TPopupMenu* PullDownMenu() const { return FPullDownMenu; }
    // None also turns PullDownEnabled off.
    void SetPullDownMenu(TPopupMenu* Value);
    TPullDownEvent OnPullDown;

    bool Pressed() const { return FPressed; }
    bool MouseIn() const { return FMouseIn; }
    // The hold timer while it exists.
    TTimer* PullDownTimer() const { return FPullDownTimer; }

    // Inside the circle of the client width's diameter around the client centre.
    virtual bool InCircle(int X, int Y);
    void WndProc(TMessage& Message) override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_MOUSEMOVE, WMMouseMove)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
    END_MESSAGE_MAP(TGraphicControl)

protected:
    virtual void TriggerPullDownEvent();
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WMMouseMove(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);

private:
    void SizeToImage();
    void StartTimer();
    void FreeTimer();
    // Leaving the circle stops a running hold; coming back with its button down starts it again.
    void CutHold();
    void PullMenu();

    TColor FTransparentColor = TColor(0);
    bool FAutoSize = true;
    std::unique_ptr<TBitmap> FNormalImage, FDisabledImage, FMouseInImage, FPressedImage;
    bool FFlat = false;
    bool FDrawEdge = false;
    bool FPressed = false;
    bool FMouseIn = false;
    TTimer* FPullDownTimer = nullptr;
    bool FFiring = false;
    bool FHoldCut = false;
    TPopupMenu* FPullDownMenu = nullptr;
    bool FTransparent = true;
};

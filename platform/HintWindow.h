// THintWindow: the small window a hint is shown in. It is a top-level window without a frame from
// the desktop, above the other windows, that never takes the activation or the keyboard, so the
// window under it keeps working while the hint shows.
#pragma once

#include <string>

#include "platform/Controls.h"

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* AOwner);

    // Shows the hint with AHint at Rect (screen coordinates), moved inside the screen where it
    // would leave it.
    virtual void ActivateHint(const TRect& Rect, const std::string& AHint);
    // AData is the caller's, for descendants that draw more than text.
    virtual void ActivateHintData(const TRect& Rect, const std::string& AHint, void* AData);
    // The window rectangle at (0, 0) that AHint needs, its lines broken at words to fit MaxWidth.
    virtual TRect CalcHintRect(Integer MaxWidth, const std::string& AHint, void* AData);
    // Hides the hint and gives its window up.
    void ReleaseHandle();

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(WM_ERASEBKGND, WMEraseBkgnd)
    END_MESSAGE_MAP(TCustomControl)

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    // The hint's face and its one-pixel frame.
    void WMEraseBkgnd(TMessage& Message);
};

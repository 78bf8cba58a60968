// Speed buttons: flat tool buttons that can stay down, alone or in a group.
#pragma once

#include <memory>
#include <string>

#include "platform/Controls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    // Buttons with the same non-zero GroupIndex on one parent act together: pressing one releases
    // the others. With AllowAllUp a pressed button can be released again by a click.
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    // Up to four images side by side: up, disabled, pressed, staying down.
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TButtonLayout Layout = blGlyphLeft;
    int Spacing = 4;
    int Margin = -1;
    bool Transparent = true;
    TButtonState State() const { return FState; }
    void Click() override;

    BEGIN_MESSAGE_MAP
        MESSAGE_HANDLER(CM_BUTTONPRESSED, CMButtonPressed)
        MESSAGE_HANDLER(CM_MOUSEENTER, CMMouseEnter)
        MESSAGE_HANDLER(CM_MOUSELEAVE, CMMouseLeave)
        MESSAGE_HANDLER(CM_TEXTCHANGED, CMTextChanged)
        MESSAGE_HANDLER(CM_ENABLEDCHANGED, CMEnabledChanged)
    END_MESSAGE_MAP(TGraphicControl)

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMButtonPressed(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);

private:
    void UpdateExclusive();
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FDown = false;
    bool FDragging = false;
    bool FMouseInControl = false;
    bool FFlat = false;
    TButtonState FState = bsUp;
    std::unique_ptr<TBitmap> FGlyph;
    TNumGlyphs FNumGlyphs = 1;
};

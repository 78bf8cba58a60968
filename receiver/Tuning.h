// The tuning setters: mode, speed and shift, the reverse switch and the squelch controls. Every
// computation lives here; what shows the result in the window goes through TTuningView, which the
// main window implements, so its handlers stay thin wrappers.
#pragma once

#include <string>

#include "receiver/RxParams.h"

namespace rx {

class TTwoToneDemod;

// What the setters show in the window. Every member does nothing by default.
class TTuningView {
public:
    virtual ~TTuningView() = default;
    // The speed menu's radio item of 45, 50, 75 or 100 Bd is checked.
    virtual void SpeedItemChecked(int baud) { (void)baud; }
    // The shift menu's radio item is checked: 85, 170, 425 (the item reading "450 Hz") or 850.
    virtual void ShiftItemChecked(int item) { (void)item; }
    // The mode item of RTTY (0) or NAVTEX (6) is checked; the speed and shift menus are enabled
    // in RTTY only.
    virtual void ModeItemChecked(int mode, bool speedAndShiftEnabled) { (void)mode; (void)speedAndShiftEnabled; }
    // A status-bar panel (counted from 0) gets a new text.
    virtual void StatusPanelText(int panel, const std::string& text) { (void)panel; (void)text; }
    // The reverse button's caption: "Normal" or "Reverse".
    virtual void ReverseCaption(const std::string& caption) { (void)caption; }
};

// The setters. Each clears the display hold-off first, then updates the record, the demodulator's
// chain and final table where it concerns them, and the view (which may be null).
void SetSpeed(TTtyParams& p, TTwoToneDemod& demod, int baud, TTuningView* view = nullptr);
void SetShift(TTtyParams& p, int hz, TTuningView* view = nullptr);
void SetMode(TTtyParams& p, TTwoToneDemod& demod, int mode, TTuningView* view = nullptr);

// The reverse button was clicked; down is its new state.
void ReverseButtonClick(TTtyParams& p, bool down, TTuningView* view = nullptr);
// The squelch button was clicked; down is its new state.
void SquelchButtonClick(TTtyParams& p, bool down);
// The squelch up-down moved to position 1..99.
void SquelchUpDownClick(TTtyParams& p, int position);

}  // namespace rx

// Synthetic input: the same road real toolkit input takes (hit testing, capture, double clicks,
// cursor and dialog-key handling, key translation), driven by code. Tests use it to click, drag
// and type on controls without a display.
#pragma once

#include <string>

#include "platform/Controls.h"

namespace Input {

// Points are in the target control's client coordinates; windowless controls are reached through
// their parent window as real input would be.
void MouseDown(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift = 0);
void MouseUp(TControl* Target, TMouseButton Button, int X, int Y, TShiftState Shift = 0);
void MouseMove(TControl* Target, int X, int Y, TShiftState Shift = 0);
// Down and up at one point.
void Click(TControl* Target, int X, int Y, TMouseButton Button = mbLeft, TShiftState Shift = 0);
// Two clicks within the double-click time.
void DoubleClick(TControl* Target, int X, int Y);
// Down, moves in steps, up.
void Drag(TControl* Target, int X1, int Y1, int X2, int Y2, TShiftState Shift = 0);
// A wheel turn; Delta in units of 120 per notch, positive away from the user. Both go through the
// toolkit's wheel events.
void Wheel(TControl* Target, int Delta, int X, int Y, TShiftState Shift = 0);
// A sideways turn or tilt (WM_MOUSEHWHEEL); positive to the right.
void HorizontalWheel(TControl* Target, int Delta, int X, int Y, TShiftState Shift = 0);
// Keys and text go through the toolkit as its own key events would (to a modal toolkit dialog when
// one is up), so the layer's key translation runs on them.
// A key pressed and released at the focused control, with the character it types (if any).
void KeyDown(Word Key, TShiftState Shift = 0);
void KeyUp(Word Key, TShiftState Shift = 0);
// A key held down past the first press: the toolkit's auto-repeated press.
void KeyRepeat(Word Key, TShiftState Shift = 0);
void PressKey(Word Key, TShiftState Shift = 0);
// The key that switches the keyboard's layout group (Alt+Shift on many desktops), pressed and
// released: it has no virtual key and types nothing, like a dead key or a media key.
void PressGroupSwitch(TShiftState Shift = 0);
// Types UTF-8 text character by character (printable characters and CR/TAB/BACKSPACE), each on a
// key of its own as a keyboard with that character would.
void TypeText(const std::string& Text);
// UTF-8 text committed by the input method at once (no key events).
void CommitText(const std::string& Text);
// Moves the message clock forward without waiting (double-click timing, hint pause).
void AdvanceTime(DWORD Milliseconds);

}  // namespace Input

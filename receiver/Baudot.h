// Baudot code to text: the letters/figures shift, the extended register, "unshift on space", and
// the options that steer them. Both decoders deliver 5-unit codes here.
#pragma once

#include "receiver/RxParams.h"

// The text of one code (often empty) in the active character set, updating the record's shift
// and register: 31 (LTRS) and 27 (FIGS) change the shift, 0 (blank) the register. Only the low
// five bits of the code count.
const char* BaudotToText(TTtyParams& p, int code);

namespace rx {

constexpr int kCodeBlank = 0;
constexpr int kCodeLF = 2;
constexpr int kCodeSpace = 4;
constexpr int kCodeCR = 8;
constexpr int kCodeFigs = 27;
constexpr int kCodeLtrs = 31;
constexpr int kShiftFigures = 32;
constexpr int kRegisterExtended = 64;

// The character-set menu: index 0..3 becomes the active set (the window checks its item).
void SelectCharset(TTtyParams& p, int index);
// The two options; each returns its new state for the item's check mark. Switching "Extended
// Baudot" off returns to the normal registers at once.
bool ToggleUnshiftOnSpace(TTtyParams& p);
bool ToggleExtendedBaudot(TTtyParams& p);

}  // namespace rx

// Pictures the program draws itself: the lamps on the AFC and squelch buttons and the window's
// icon.
#pragma once

#include "platform/Types.h"

class TBitmap;

namespace rx {

// Side of one lamp image.
constexpr int kLampSize = 12;

// Four lamp images side by side, as a speed button takes them: up (off), disabled (grey),
// pressed and staying down (lit in the given colour). The bottom-left pixel is the transparent
// colour.
void DrawLampGlyph(TBitmap& glyph, TColor lit);

// The program's icon, size x size pixels: a small spectrum with its two tone markers.
void DrawProgramIcon(TBitmap& icon, int size);

}  // namespace rx

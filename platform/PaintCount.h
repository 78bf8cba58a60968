// What the window layer painted and ticked, counted for tests that check a window settles: shown
// and left alone, it stops painting once its pending messages have been handled.
#pragma once

namespace PaintCount {

struct TCounts {
    unsigned Paints = 0;         // WM_PAINT sent to a window
    unsigned FramePaints = 0;    // WM_NCPAINT sent to a window
    unsigned ScreenUpdates = 0;  // a window's image drawn to the screen again
    unsigned CaretBlinks = 0;    // the screen showing a blinking caret's new phase, and nothing else
    unsigned TimerTicks = 0;     // ticks of the layer's timers (TTimer, SetTimer, caret, hints, ...)
};

// The counts since the last Reset (or the start).
TCounts Counts();
void Reset();
// The layer's timers running now, but for the blinking of a caret on show.
int RunningTimers();

}  // namespace PaintCount

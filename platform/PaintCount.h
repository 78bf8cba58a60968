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

// Work the layer knows is still to come, so that a test can wait for it to be done instead of
// guessing how long a busy machine takes to deliver it.
struct TPending {
    unsigned PostedCalls = 0;      // posted messages and calls not yet delivered
    unsigned WindowsToPaint = 0;   // shown windows with an invalid area or frame
    unsigned TimersToTick = 0;     // running timers (a caret's blinking aside) not ticked since the mark
};
// A mark to compare timer ticks with: a timer has ticked since the mark once it ticks after this call.
unsigned TickMark();
TPending Pending(unsigned Mark);
inline bool Nothing(const TPending& P) { return P.PostedCalls == 0 && P.WindowsToPaint == 0 && P.TimersToTick == 0; }
// Shows on the screen now what the windows' images owe it, instead of at the toolkit's next
// update, so that a late screen update is not taken for new work.
void FlushScreen();

}  // namespace PaintCount

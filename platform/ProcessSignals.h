// The desktop's request to end the program: SIGTERM (a session ending, a kill) and SIGINT
// (Ctrl+C in a terminal) become a close message to the main window, so that the program ends
// through its own stop sequence.
#pragma once

#include "platform/Windows.h"

// Holds back SIGTERM and SIGINT in the calling thread and in every thread it starts later. Call
// it first thing in main, before anything starts a thread.
void BlockTerminationSignals();

// From now on the first SIGTERM or SIGINT posts WM_CLOSE to Wnd. Should the program still run
// GraceMs after it, or another of the two signals arrive, the process ends at once (status 0
// after the grace time, 128 + the signal's number for a second signal).
void CloseOnTerminationSignals(HWND Wnd, DWORD GraceMs = 5000);

// The desktop's request to end the program: SIGTERM (a session ending, a kill), SIGINT (Ctrl+C in
// a terminal), SIGQUIT (Ctrl+\) and SIGHUP (the terminal that started it closed) close the main
// window, so that the program ends through its own stop sequence, also when a box, a dialog or a
// menu is open at that moment.
#pragma once

#include "platform/Windows.h"

// Holds back those signals in the calling thread and in every thread it starts later. Call it
// first thing in main, before anything starts a thread.
void BlockTerminationSignals();

// From now on the first of those signals ends the program as RequestOrderlyEnd(Wnd) does. Should
// another of them but SIGHUP arrive, or the message loop not have ended GraceMs after the first
// (or the program still run GraceMs after the loop's end), the process ends at once with status
// 128 + that signal's number: it was not stopped in order.
void CloseOnTerminationSignals(HWND Wnd, DWORD GraceMs = 10000);

// Called by main when the message loop has returned: the stop sequence is under way.
void MessageLoopEnded();

// The signal that asked the program to end, 0 while none has: the stop that follows has no one to
// answer a box, and must not wait for one.
int TerminationSignal();

// Callable from any thread. On the main thread: every open message box, dialog, modal form and
// popup menu is cancelled, as Escape would, and once none is open Wnd is sent WM_CLOSE. Those
// that open while the window handles its close are cancelled as well. Calls while one is under
// way do nothing.
void RequestOrderlyEnd(HWND Wnd);

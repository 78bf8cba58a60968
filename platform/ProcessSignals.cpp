#include "platform/ProcessSignals.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/qt/ModalWindows.h"

namespace {

sigset_t TerminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        sigaddset(&set, sig);
    return set;
}

// Cancels the modal forms, innermost first; true while one is open (also one already cancelled
// whose loop has not returned yet).
bool CancelModalForms()
{
    bool any = false;
    if (!Screen)
        return false;
    for (int i = Screen->FormCount() - 1; i >= 0; --i) {
        TCustomForm* f = Screen->Forms(i);
        if (!f->Modal())
            continue;
        any = true;
        if (f->ModalResult() == mrNone)
            f->Close();
    }
    return any;
}

// The end under way on the main thread: a timer that keeps cancelling what is modal (its loops
// return only once control is back in them) until the window has taken its close.
struct TOrderlyEnd {
    HWND Wnd = nullptr;
    unsigned Timer = 0;
    bool Closing = false;
};
TOrderlyEnd gEnd;

void OrderlyEndTick()
{
    // Both kinds are cancelled every tick, whichever was found first.
    const bool forms = CancelModalForms();
    const bool toolkit = morvik::backend::CancelToolkitModals();
    const bool modal = forms || toolkit;
    if (modal || gEnd.Closing)
        return;
    if (IsWindow(gEnd.Wnd)) {
        // Sent, not posted: a box the close itself opens is cancelled by this timer meanwhile.
        gEnd.Closing = true;
        SendMessage(gEnd.Wnd, WM_CLOSE, 0, 0);
        // The program is ending: a dialog that was on its way up when the close came goes too.
        if (Application && Application->Terminated())
            return;
    }
    morvik::backend::StopTimer(gEnd.Timer);
    gEnd = TOrderlyEnd{};
}

}  // namespace

void BlockTerminationSignals()
{
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void RequestOrderlyEnd(HWND Wnd)
{
    morvik::backend::Post([Wnd] {
        if (gEnd.Timer)
            return;
        gEnd.Wnd = Wnd;
        gEnd.Timer = morvik::backend::StartTimer(10, OrderlyEndTick);
        OrderlyEndTick();
    });
}

namespace {
// Set by the main thread when its loop ends: from then the grace time counts afresh, once.
std::atomic<bool> gLoopEnded{false};
std::atomic<int> gSignal{0};
}

void MessageLoopEnded() { gLoopEnded = true; }

int TerminationSignal() { return gSignal; }

void CloseOnTerminationSignals(HWND Wnd, DWORD GraceMs)
{
    BlockTerminationSignals();
    // The signals are taken by this thread alone, with sigwait, so nothing runs in a signal
    // handler: the window is told through the main thread's queue.
    std::thread([Wnd, GraceMs] {
        const sigset_t set = TerminationSignals();
        int sig = 0;
        if (sigwait(&set, &sig) != 0)
            return;
        gSignal = sig;
        RequestOrderlyEnd(Wnd);
        // A stop sequence that reaches the end of the loop gets the grace time once more for what
        // follows it (a loaded machine stretches both); one that never gets there is given up.
        using Clock = std::chrono::steady_clock;
        auto deadline = Clock::now() + std::chrono::milliseconds(GraceMs);
        bool renewed = false;
        for (;;) {
            if (!renewed && gLoopEnded) {
                renewed = true;
                deadline = Clock::now() + std::chrono::milliseconds(GraceMs);
            }
            const auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero())
                break;
            const auto slice = std::min<Clock::duration>(left, std::chrono::milliseconds(20));
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
            timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
            siginfo_t info;
            const int second = sigtimedwait(&set, &info, &wait);
            // A user asking again does not wait for the stop; a closing terminal may hang up
            // more than once (the kernel and the shell both tell it), and that asks nothing new.
            if (second > 0 && second != SIGHUP)
                _exit(128 + second);
        }
        // Not stopped in order: the status says the signal ended it.
        _exit(128 + sig);
    }).detach();
}

#include "platform/ProcessSignals.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <thread>

#include "platform/Backend.h"
#include "platform/Forms.h"
#include "platform/qt/ModalWindows.h"

namespace {

sigset_t TerminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
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
        RequestOrderlyEnd(Wnd);
        timespec grace{static_cast<time_t>(GraceMs / 1000), static_cast<long>(GraceMs % 1000) * 1000000L};
        siginfo_t info;
        int second;
        do
            second = sigtimedwait(&set, &info, &grace);
        while (second < 0 && errno == EINTR);
        _exit(second > 0 ? 128 + second : 0);
    }).detach();
}

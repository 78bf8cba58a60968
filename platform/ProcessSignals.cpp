#include "platform/ProcessSignals.h"

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <thread>

namespace {

sigset_t TerminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

void BlockTerminationSignals()
{
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void CloseOnTerminationSignals(HWND Wnd, DWORD GraceMs)
{
    BlockTerminationSignals();
    // The signals are taken by this thread alone, with sigwait, so nothing runs in a signal
    // handler: the window is told through its message queue.
    std::thread([Wnd, GraceMs] {
        const sigset_t set = TerminationSignals();
        int sig = 0;
        if (sigwait(&set, &sig) != 0)
            return;
        PostMessage(Wnd, WM_CLOSE, 0, 0);
        timespec grace{static_cast<time_t>(GraceMs / 1000), static_cast<long>(GraceMs % 1000) * 1000000L};
        siginfo_t info;
        int second;
        do
            second = sigtimedwait(&set, &info, &grace);
        while (second < 0 && errno == EINTR);
        _exit(second > 0 ? 128 + second : 0);
    }).detach();
}

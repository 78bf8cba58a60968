// Calls workers make into the main thread: queued, run by the message loop (or by a main thread
// waiting for a worker), and waited for by the worker.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "platform/Backend.h"

namespace morvik::backend {
namespace {

struct Call {
    const std::function<void()>* Fn;
    bool Done = false;
    std::exception_ptr Error;
};

// Never destroyed: a worker still running while the program ends may yet reach for them.
struct Shared {
    std::mutex Lock;
    std::condition_variable Done;  // a call finished
    std::condition_variable Wake;  // a call arrived, or a worker's state changed
    std::deque<Call*> Calls;
    unsigned Wakes = 0;
};
Shared& gShared = *new Shared;
std::mutex& gLock = gShared.Lock;
std::condition_variable& gDone = gShared.Done;
std::condition_variable& gWake = gShared.Wake;
std::deque<Call*>& gCalls = gShared.Calls;
unsigned& gWakes = gShared.Wakes;

}  // namespace

void RunOnMainThread(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    Call c{&fn, false, nullptr};
    {
        std::lock_guard<std::mutex> g(gLock);
        gCalls.push_back(&c);
        ++gWakes;
    }
    gWake.notify_all();
    Post([] { RunMainThreadCalls(); });
    std::unique_lock<std::mutex> l(gLock);
    gDone.wait(l, [&c] { return c.Done; });
    if (c.Error)
        std::rethrow_exception(c.Error);
}

bool RunMainThreadCalls()
{
    bool ran = false;
    for (;;) {
        Call* c = nullptr;
        {
            std::lock_guard<std::mutex> g(gLock);
            if (gCalls.empty())
                return ran;
            c = gCalls.front();
            gCalls.pop_front();
        }
        try {
            (*c->Fn)();
        } catch (...) {
            c->Error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> g(gLock);
            c->Done = true;
        }
        gDone.notify_all();
        ran = true;
    }
}

void WakeMainThread()
{
    {
        std::lock_guard<std::mutex> g(gLock);
        ++gWakes;
    }
    gWake.notify_all();
}

void WaitRunningMainThreadCalls(const std::function<bool()>& done)
{
    for (;;) {
        unsigned seen;
        {
            std::lock_guard<std::mutex> g(gLock);
            seen = gWakes;
        }
        RunMainThreadCalls();
        if (done())
            return;
        std::unique_lock<std::mutex> l(gLock);
        // The timeout only guards against a state change that came without a wake.
        gWake.wait_for(l, std::chrono::milliseconds(20), [seen] { return gWakes != seen; });
    }
}

}  // namespace morvik::backend

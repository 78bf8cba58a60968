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
Shared& S()
{
    static Shared* shared = new Shared;
    return *shared;
}

}  // namespace

void RunOnMainThread(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    Call c{&fn, false, nullptr};
    {
        std::lock_guard<std::mutex> g(S().Lock);
        S().Calls.push_back(&c);
        ++S().Wakes;
    }
    S().Wake.notify_all();
    Post([] { RunMainThreadCalls(); });
    std::unique_lock<std::mutex> l(S().Lock);
    S().Done.wait(l, [&c] { return c.Done; });
    if (c.Error)
        std::rethrow_exception(c.Error);
}

bool RunMainThreadCalls()
{
    bool ran = false;
    for (;;) {
        Call* c = nullptr;
        {
            std::lock_guard<std::mutex> g(S().Lock);
            if (S().Calls.empty())
                return ran;
            c = S().Calls.front();
            S().Calls.pop_front();
        }
        try {
            (*c->Fn)();
        } catch (...) {
            c->Error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> g(S().Lock);
            c->Done = true;
        }
        S().Done.notify_all();
        ran = true;
    }
}

void WakeMainThread()
{
    {
        std::lock_guard<std::mutex> g(S().Lock);
        ++S().Wakes;
    }
    S().Wake.notify_all();
}

void WaitRunningMainThreadCalls(const std::function<bool()>& done)
{
    for (;;) {
        unsigned seen;
        {
            std::lock_guard<std::mutex> g(S().Lock);
            seen = S().Wakes;
        }
        RunMainThreadCalls();
        if (done())
            return;
        std::unique_lock<std::mutex> l(S().Lock);
        // The timeout only guards against a state change that came without a wake.
        S().Wake.wait_for(l, std::chrono::milliseconds(20), [seen] { return S().Wakes != seen; });
    }
}

}  // namespace morvik::backend

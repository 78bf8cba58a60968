#include "platform/Threads.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Backend.h"

using namespace morvik::backend;

namespace {
std::uint64_t IdOf(std::thread::id id) { return std::hash<std::thread::id>{}(id); }
const std::thread::id gStartThread = std::this_thread::get_id();

// Workers whose object went before they ended (freed from their own handler or from Execute). The
// main thread joins each once it has ended, and the program's exit at the latest, so that none
// runs on while the program's statics are destroyed. Never destroyed itself, as exit may find it
// still in use.
struct TLeftWorkers {
    std::mutex Lock;
    std::vector<std::thread> Workers;
};
TLeftWorkers& LeftWorkers()
{
    static TLeftWorkers* left = new TLeftWorkers;
    return *left;
}

void JoinLeftWorkers()
{
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> g(LeftWorkers().Lock);
        workers.swap(LeftWorkers().Workers);
    }
    for (std::thread& w : workers) {
        // A worker that ends the program itself cannot wait for itself.
        if (w.get_id() == std::this_thread::get_id())
            w.detach();
        else
            w.join();
    }
}

void LeaveWorker(std::thread Worker)
{
    static std::once_flag atExit;
    // Registered after the statics a worker's last steps touch were made, so it runs before they go.
    std::call_once(atExit, [] { std::atexit(JoinLeftWorkers); });
    std::lock_guard<std::mutex> g(LeftWorkers().Lock);
    LeftWorkers().Workers.push_back(std::move(Worker));
}

}  // namespace

// Shared by the object and its worker, so that a worker freeing its object on the main thread
// leaves the worker nothing dangling.
struct TThread::TState {
    std::mutex Lock;
    std::condition_variable Changed;
    std::thread Worker;
    std::atomic<bool> Terminated{false};
    bool Started = false;
    // Made not suspended: it starts by itself, at a posted call or an earlier Start or WaitFor.
    bool StartsItself = false;
    bool Finished = false;
    int ReturnValue = 0;
    std::string Fatal;
    // Main thread only: the depth of the worker's calls running on it (Synchronize, OnTerminate),
    // whether OnTerminate is one of them, and a free asked for inside one of them, which waits
    // until they have returned.
    int SyncDepth = 0;
    bool InEnd = false;
    bool FreeAsked = false;
    bool FreeSelf = false;
    // One owner frees the object: the first of a delete and FreeOnTerminate's own free.
    std::atomic<bool> Claimed{false};
    // Freed by delete rather than as a member or a local.
    bool ByDelete = false;
    // Set under Lock when the object starts to go (a delete, or its destructor): from then on nothing
    // starts its worker, so a start and a free decide under the one lock which came first. A free
    // that finds it started waits for it; a start that finds it going does nothing.
    bool Going = false;
    // The object is gone while the worker finishes: the worker is left to be joined later, and a
    // posted start finds it gone.
    std::atomic<bool> Destroyed{false};
};

TThread::TThread(bool CreateSuspended) : FState(std::make_shared<TState>())
{
    if (!CreateSuspended) {
        // Only the main thread can tell that the constructor has returned (its next pass comes
        // after it); started from another thread's constructor, Execute could run before the
        // derived constructor has, on members not made yet.
        const bool main = IsMainThread() && (ToolkitStarted() || std::this_thread::get_id() == gStartThread);
        if (!main)
            throw EThread("A thread made on another thread than the main one is created suspended and "
                          "started with Start");
        // Execute is virtual: it may not run before the derived constructor has.
        FState->StartsItself = true;
        std::weak_ptr<TState> state = FState;
        // Touches the object only under the state's lock while it is not going: a delete from
        // another thread may come at any time before this runs.
        Post([this, state] {
            if (auto s = state.lock())
                StartUnlessGoing(this, *s);
        });
    }
}

TThread::~TThread()
{
    std::shared_ptr<TState> s = FState;
    bool running = false;
    {
        std::lock_guard<std::mutex> g(s->Lock);
        // Nothing starts the worker from here on, so Worker is read below without the lock.
        s->Going = true;
        running = s->Started && !s->Finished;
    }
#ifndef NDEBUG
    if (running && !s->ByDelete) {
        std::fputs("A started thread is freed with delete only: as a member or a local its subclass "
                   "part is gone while Execute may still run\n",
                   stderr);
        std::abort();
    }
#endif
    // Freed by delete, the worker has ended already unless the object goes from its own worker
    // or handler; a member or a local is waited for here (too late for its subclass's members).
    s->Destroyed = true;
    if (s->Worker.joinable()) {
        if (s->Worker.get_id() == std::this_thread::get_id() || (s->ByDelete && running)) {
            LeaveWorker(std::move(s->Worker));
        } else {
            Terminate();
            WaitFor();
            s->Worker.join();
        }
    }
    FState.reset();
}

void TThread::operator delete(TThread* Thread, std::destroying_delete_t)
{
    if (!Thread)
        return;
    TState& s = *Thread->FState;
    // The first to free it frees it: a FreeOnTerminate thread's own free then finds it claimed.
    if (s.Claimed.exchange(true))
        return;
    if (IsMainThread() && s.SyncDepth > 0) {
        // Freed from a call of its own worker's that the worker is waiting on: waiting here would
        // never end. It goes once that call has returned and Execute has ended.
        s.FreeAsked = true;
        Thread->Terminate();
        return;
    }
    Free(Thread);
}

void* TThread::operator new(std::size_t Size)
{
    return ::operator new(Size);
}

void TThread::operator delete(void* Memory)
{
    ::operator delete(Memory);
}

void TThread::Free(TThread* Thread)
{
    TState& s = *Thread->FState;
    bool wait = false;
    {
        std::lock_guard<std::mutex> g(s.Lock);
        // A posted start that has not run yet now never starts it; one that has run is waited for.
        s.Going = true;
        wait = s.Started && s.Worker.get_id() != std::this_thread::get_id();
    }
    if (wait) {
        Thread->Terminate();
        Thread->WaitFor();
    }
    Destroy(Thread);
}

void TThread::Destroy(TThread* Thread)
{
    Thread->FState->ByDelete = true;
    void* memory = dynamic_cast<void*>(Thread);
    Thread->~TThread();
    ::operator delete(memory);
}

void TThread::Start() { StartUnlessGoing(this, *FState); }

void TThread::StartUnlessGoing(TThread* Thread, TState& State)
{
    std::lock_guard<std::mutex> g(State.Lock);
    if (State.Started || State.Going)
        return;
    State.Started = true;
    State.Worker = std::thread([Thread] { Thread->Run(); });
}

void TThread::Run()
{
    std::shared_ptr<TState> s = FState;
    try {
        Execute();
    } catch (const std::exception& e) {
        s->Fatal = e.what()[0] ? e.what() : "Exception in a thread";
    } catch (...) {
        s->Fatal = "Exception in a thread";
    }
    // The end runs on the main thread; from there on the worker touches only the shared state, as the
    // object may be gone (freed from Execute itself it is gone already).
    bool gone = s->Destroyed;
    if (!gone) {
        RunOnMainThread([this, s, &gone] {
            if (!s->FreeAsked) {
                ++s->SyncDepth;
                s->InEnd = true;
                try {
                    DoTerminate();
                } catch (const std::exception& e) {
                    if (s->Fatal.empty())
                        s->Fatal = e.what()[0] ? e.what() : "Exception in a thread";
                } catch (...) {
                    if (s->Fatal.empty())
                        s->Fatal = "Exception in a thread";
                }
                s->InEnd = false;
                --s->SyncDepth;
            }
            if (s->FreeAsked) {
                gone = true;
                Destroy(this);
                return;
            }
            s->FreeSelf = FreeOnTerminate;
        });
    }
    {
        std::lock_guard<std::mutex> g(s->Lock);
        s->Finished = true;
    }
    s->Changed.notify_all();
    if (gone) {
        // Nobody can wait for an object that is gone; the main thread joins this worker next.
        Post([] { JoinLeftWorkers(); });
        return;
    }
    WakeMainThread();
    if (s->FreeSelf)
        Post([this, s] {
            if (!s->Claimed.exchange(true))
                Free(this);
        });
}

void TThread::DoTerminate()
{
    if (OnTerminate)
        OnTerminate(this);
}

void TThread::Terminate() { FState->Terminated = true; }

int TThread::WaitFor()
{
    std::shared_ptr<TState> s = FState;
    if (IsMainThread() && s->SyncDepth > 0) {
        // Asked from its own OnTerminate, Execute has returned and only the handler itself is
        // left; from a method the worker synchronizes, the worker waits for this very call.
        if (s->InEnd)
            return s->ReturnValue;
        throw EThread("A thread cannot wait for itself");
    }
    bool start = false;
    {
        std::lock_guard<std::mutex> g(s->Lock);
        if (!s->Started && !s->StartsItself)
            throw EThread("Cannot wait for a thread that has not been started");
        if (s->Worker.get_id() == std::this_thread::get_id())
            throw EThread("A thread cannot wait for itself");
        start = !s->Started;
    }
    // Waited for before its posted start came round.
    if (start)
        Start();
    auto finished = [s] {
        std::lock_guard<std::mutex> g(s->Lock);
        return s->Finished;
    };
    if (IsMainThread()) {
        WaitRunningMainThreadCalls(finished);
    } else {
        std::unique_lock<std::mutex> l(s->Lock);
        s->Changed.wait(l, [&s] { return s->Finished; });
    }
    return s->ReturnValue;
}

bool TThread::Terminated() const { return FState->Terminated; }

bool TThread::Suspended() const
{
    std::lock_guard<std::mutex> g(FState->Lock);
    return !FState->Started;
}

bool TThread::Finished() const
{
    std::lock_guard<std::mutex> g(FState->Lock);
    return FState->Finished;
}

std::uint64_t TThread::ThreadID() const
{
    std::lock_guard<std::mutex> g(FState->Lock);
    return FState->Started ? IdOf(FState->Worker.get_id()) : 0;
}

std::string TThread::FatalException() const { return FState->Fatal; }

void TThread::Synchronize(const std::function<void()>& Method)
{
    TState& s = *FState;
    RunOnMainThread([&] {
        ++s.SyncDepth;
        struct Leave {
            TState& State;
            ~Leave() { --State.SyncDepth; }
        } leave{s};
        Method();
    });
}

void TThread::SetReturnValue(int Value) { FState->ReturnValue = Value; }

int TThread::ReturnValue() const { return FState->ReturnValue; }

bool CheckSynchronize() { return IsMainThread() && RunMainThreadCalls(); }

// ---- Critical sections ----------------------------------------------------------------------------
struct TCriticalSection::TLock {
    std::recursive_mutex Mutex;
};

TCriticalSection::TCriticalSection() : FLock(std::make_unique<TLock>()) {}
TCriticalSection::~TCriticalSection() = default;
void TCriticalSection::Acquire() { FLock->Mutex.lock(); }
void TCriticalSection::Release() { FLock->Mutex.unlock(); }
bool TCriticalSection::TryEnter() { return FLock->Mutex.try_lock(); }

namespace {
std::recursive_mutex* MutexOf(CRITICAL_SECTION* cs) { return cs ? static_cast<std::recursive_mutex*>(cs->Lock) : nullptr; }
}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* cs)
{
    if (cs)
        cs->Lock = new std::recursive_mutex;
}

void DeleteCriticalSection(CRITICAL_SECTION* cs)
{
    if (!cs)
        return;
    delete MutexOf(cs);
    cs->Lock = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* cs)
{
    if (auto* m = MutexOf(cs))
        m->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* cs)
{
    if (auto* m = MutexOf(cs))
        m->unlock();
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs)
{
    auto* m = MutexOf(cs);
    return m && m->try_lock();
}

DWORD GetCurrentThreadId() { return DWORD(IdOf(std::this_thread::get_id())); }

DWORD MainThreadID() { return DWORD(IdOf(gStartThread)); }

// Threads: TThread (a worker with Execute, Terminate, WaitFor, Synchronize and OnTerminate run on the
// main thread), critical sections (TCriticalSection and the system's calls) and the main thread's
// handling of calls that workers make into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "platform/Classes.h"

MORVIK_EXCEPTION(EThread, Exception);

class TThread : public TObject {
public:
    // A suspended thread runs Execute after Start (or Resume). Without CreateSuspended it starts once
    // the constructor has returned: at the main thread's next pass of its message loop, or at an
    // earlier Start or WaitFor. Only the main thread can tell when the constructor has returned:
    // made on another thread, a thread must be created suspended (else the constructor raises
    // EThread) and started with Start.
    explicit TThread(bool CreateSuspended);
    // A thread that has been started is freed with delete only, never as a member or a local: by the
    // time this destructor runs the subclass's part is gone while Execute may still use it. Debug
    // builds stop the program when a started thread that has not been waited for goes that way.
    ~TThread() override;
    // Freeing a thread (delete) asks Execute to end and waits for it before any part of the object
    // goes, so a subclass's members outlive its Execute: from any thread, in every state (one freed
    // before its start came round never starts). Freed from its own OnTerminate or from a method it
    // synchronizes, it goes once that has returned and Execute has ended (without an OnTerminate of
    // its own after such a free). Whichever comes first of a delete and
    // FreeOnTerminate's own free frees it; the other does nothing.
    static void operator delete(TThread* Thread, std::destroying_delete_t);
    // The plain pair serves a construction that throws (the object never was, so nothing waits).
    static void* operator new(std::size_t Size);
    static void operator delete(void* Memory);

    void Start();
    void Resume() { Start(); }
    // Sets Terminated; Execute is expected to look at it and return.
    void Terminate();
    // Waits until Execute has returned and OnTerminate has run; answers ReturnValue. On the main
    // thread, calls the worker makes into it (Synchronize, SendMessage) run while it waits. Called
    // in the thread's own OnTerminate it answers at once; in a method the thread synchronizes, and
    // in the thread itself, it raises EThread.
    int WaitFor();

    bool Terminated() const;
    bool Suspended() const;
    bool Finished() const;
    std::uint64_t ThreadID() const;
    // The worker frees itself (on the main thread) once OnTerminate has run.
    bool FreeOnTerminate = false;
    // What an exception that left Execute said (empty: none).
    std::string FatalException() const;
    // Runs on the main thread after Execute has returned, before WaitFor does.
    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;
    // Runs Method on the main thread and waits for it; an exception it raises comes back here.
    void Synchronize(const std::function<void()>& Method);
    virtual void DoTerminate();
    void SetReturnValue(int Value);
    int ReturnValue() const;

private:
    struct TState;
    std::shared_ptr<TState> FState;
    void Run();
    // Starts the worker unless it has started or the object is going.
    static void StartUnlessGoing(TThread* Thread, TState& State);
    // Waits for Execute to end (unless called from the worker), then destroys the object.
    static void Free(TThread* Thread);
    // Destroys and frees the object; the worker, if still on its way out, is joined later.
    static void Destroy(TThread* Thread);
};

// Runs on the main thread what workers asked of it (Synchronize, SendMessage, SetTimer); answers
// whether anything ran. The message loop does it by itself.
bool CheckSynchronize();

// A lock a thread may take more than once; every Acquire needs its Release.
class TCriticalSection : public TObject {
public:
    TCriticalSection();
    ~TCriticalSection() override;
    void Acquire();
    void Release();
    bool TryEnter();
    void Enter() { Acquire(); }
    void Leave() { Release(); }

private:
    struct TLock;
    std::unique_ptr<TLock> FLock;
};

// The system's critical sections.
struct CRITICAL_SECTION {
    void* Lock = nullptr;
};
using TRTLCriticalSection = CRITICAL_SECTION;
void InitializeCriticalSection(CRITICAL_SECTION* lpCriticalSection);
void DeleteCriticalSection(CRITICAL_SECTION* lpCriticalSection);
void EnterCriticalSection(CRITICAL_SECTION* lpCriticalSection);
void LeaveCriticalSection(CRITICAL_SECTION* lpCriticalSection);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* lpCriticalSection);
DWORD GetCurrentThreadId();
// The thread the program started on.
DWORD MainThreadID();

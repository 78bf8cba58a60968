// The incremental search's timeout: a worker that forgets the typed search text shortly after the
// last key. It sleeps in steps of 500 ms and ends after a step in which no key kept it alive; its
// end notification (OnTerminate, on the main thread) clears the view's search text.
#pragma once

#include "platform/Threads.h"

class TSearchTextTimeoutThread : public TThread {
public:
    // Created suspended with keep-alive off.
    TSearchTextTimeoutThread();

    // Read and written under the critical section: the main thread sets it with every key, the
    // worker reads and resets it after every step.
    void SetKeepAlive(bool Value);
    bool KeepAlive();
    // Keeps a running worker alive for one more step; False once it has decided to end (its end
    // notification may still be on its way).
    bool Prolong();
    // The worker has decided to end.
    bool Ending();

    // One step of the worker's sleep.
    static constexpr int StepMs = 500;

protected:
    void Execute() override;

private:
    TCriticalSection FCriticalSection;
    bool FKeepAlive = false;
    bool FEnding = false;
};

// The incremental search's timeout: a worker that forgets the typed search text shortly after the
// last key. It sleeps in steps of 500 ms and ends after a step in which no key kept it alive; its
// end notification (on the main thread) clears the view's search text.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/Classes.h"

class TSearchTextTimeoutThread : public TObject {
public:
    // Created suspended with keep-alive off.
    TSearchTextTimeoutThread();
    ~TSearchTextTimeoutThread() override;

    void Resume();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Read and written under the critical section.
    void SetKeepAlive(bool Value);
    bool KeepAlive();
    // Delivered on the main thread when the worker has ended.
    TNotifyEvent OnTerminate;

protected:
    void Execute();

private:
    std::mutex FCriticalSection;
    bool FKeepAlive = false;
    std::atomic<bool> FTerminated{false};
};

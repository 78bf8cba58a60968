// Worker threads: starting, ending and waiting, calls into the main thread (Synchronize, SendMessage,
// SetTimer), critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Forms.h"
#include "platform/Threads.h"
#include "tests/support/UiTest.h"

namespace {

// A worker whose Execute is given by the test.
class TWorker : public TThread {
public:
    TWorker(bool Suspended, std::function<void(TWorker&)> Body) : TThread(Suspended), FBody(std::move(Body)) {}
    ~TWorker() override
    {
        if (Freed)
            *Freed = true;
        if (Frees)
            ++*Frees;
    }
    bool* Freed = nullptr;
    std::atomic<int>* Frees = nullptr;
    using TThread::ReturnValue;
    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TWorker&)> FBody;
};

// A window whose handler notes the thread it runs on.
class TEcho : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::atomic<DWORD> HandlerThread{0};
    std::atomic<int> Timers{0};
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_USER + 1) {
            HandlerThread = GetCurrentThreadId();
            Message.Result = LRESULT(Message.WParam + 1);
            return;
        }
        if (Message.Msg == WM_TIMER) {
            ++Timers;
            return;
        }
        TCustomControl::WndProc(Message);
    }
};

class Threads : public ::testing::Test {
protected:
    void SetUp() override { Application->Initialize(); }
};

TEST_F(Threads, ASuspendedThreadRunsOnlyAfterStartAndEndsThroughOnTerminate)
{
    std::atomic<bool> ran{false};
    DWORD workerThread = 0;
    auto* t = new TWorker(true, [&](TWorker& self) {
        ran = true;
        workerThread = GetCurrentThreadId();
        while (!self.Terminated())
            Sleep(1);
        self.SetReturnValue(7);
    });
    std::vector<std::string> order;
    DWORD terminateThread = 0;
    t->OnTerminate = [&](TObject* Sender) {
        EXPECT_EQ(Sender, t);
        terminateThread = GetCurrentThreadId();
        order.push_back("terminate");
    };
    EXPECT_TRUE(t->Suspended());
    EXPECT_THROW(t->WaitFor(), EThread);
    uitest::Pump(20);
    EXPECT_FALSE(ran);
    t->Start();
    EXPECT_FALSE(t->Suspended());
    ASSERT_TRUE(uitest::PumpUntil([&] { return ran.load(); }, 2000));
    EXPECT_FALSE(t->Finished());
    t->Terminate();
    EXPECT_EQ(t->WaitFor(), 7);
    order.push_back("waited");
    EXPECT_TRUE(t->Finished());
    EXPECT_EQ(order, (std::vector<std::string>{"terminate", "waited"}));
    EXPECT_EQ(terminateThread, MainThreadID());
    EXPECT_NE(workerThread, MainThreadID());
    delete t;
}

TEST_F(Threads, AThreadNotCreatedSuspendedStartsAfterItsConstructor)
{
    std::atomic<int> runs{0};
    auto* t = new TWorker(false, [&](TWorker&) { ++runs; });
    ASSERT_TRUE(uitest::PumpUntil([&] { return t->Finished(); }, 2000));
    EXPECT_EQ(runs, 1);
    t->Start();  // started once only
    t->WaitFor();
    EXPECT_EQ(runs, 1);
    delete t;
    // One freed before its start came round never runs.
    auto* early = new TWorker(false, [&](TWorker&) { ++runs; });
    delete early;
    uitest::Pump(30);
    EXPECT_EQ(runs, 1);
    // One waited for before its start came round starts then, once.
    auto* waited = new TWorker(false, [&](TWorker& self) { self.SetReturnValue(++runs); });
    EXPECT_EQ(waited->WaitFor(), 2);
    uitest::Pump(30);
    EXPECT_EQ(runs, 2);
    delete waited;
}

TEST_F(Threads, SynchronizeRunsOnTheMainThreadAndCarriesExceptionsBack)
{
    DWORD where = 0;
    std::string caught;
    auto* t = new TWorker(true, [&](TWorker& self) {
        self.Synchronize([&] { where = GetCurrentThreadId(); });
        try {
            self.Synchronize([] { throw std::runtime_error("main thread refused"); });
        } catch (const std::exception& e) {
            caught = e.what();
        }
    });
    t->Start();
    t->WaitFor();
    EXPECT_EQ(where, MainThreadID());
    EXPECT_EQ(caught, "main thread refused");
    delete t;
}

TEST_F(Threads, AnExceptionLeavingExecuteIsKeptAndOnTerminateStillRuns)
{
    bool terminated = false;
    auto* t = new TWorker(true, [](TWorker&) { throw std::runtime_error("device gone"); });
    t->OnTerminate = [&](TObject*) { terminated = true; };
    t->Start();
    t->WaitFor();
    EXPECT_TRUE(terminated);
    EXPECT_EQ(t->FatalException(), "device gone");
    delete t;
}

TEST_F(Threads, AWorkersSendMessageRunsTheHandlerOnTheWindowsThread)
{
    auto* w = new TEcho(nullptr);
    w->SetBounds(0, 0, 20, 20);
    HWND h = w->Handle();
    std::vector<LRESULT> answers;
    auto* t = new TWorker(true, [&](TWorker&) {
        for (int i = 0; i < 50; ++i)
            answers.push_back(SendMessage(h, WM_USER + 1, WPARAM(i), 0));
    });
    t->Start();
    t->WaitFor();
    ASSERT_EQ(answers.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(answers[size_t(i)], i + 1);
    EXPECT_EQ(w->HandlerThread.load(), MainThreadID());
    // A window gone before the worker's message: nothing runs, the answer is 0.
    delete w;
    LRESULT late = -1;
    auto* t2 = new TWorker(true, [&](TWorker&) { late = SendMessage(h, WM_USER + 1, 1, 0); });
    t2->Start();
    t2->WaitFor();
    EXPECT_EQ(late, 0);
    delete t;
    delete t2;
}

TEST_F(Threads, AWorkersTimersTickOnTheMainThreadOrAreRefused)
{
    auto* w = new TEcho(nullptr);
    w->SetBounds(0, 0, 20, 20);
    HWND h = w->Handle();
    UINT windowTimer = 0, threadTimer = 99;
    auto* t = new TWorker(true, [&](TWorker&) {
        windowTimer = SetTimer(h, 5, 10, nullptr);
        threadTimer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT, DWORD) {});
    });
    t->Start();
    t->WaitFor();
    EXPECT_EQ(windowTimer, 5u);
    EXPECT_EQ(threadTimer, 0u);
    ASSERT_TRUE(uitest::PumpUntil([&] { return w->Timers >= 2; }, 2000));
    BOOL killed = FALSE;
    auto* k = new TWorker(true, [&](TWorker&) { killed = KillTimer(h, 5); });
    k->Start();
    k->WaitFor();
    EXPECT_TRUE(killed);
    int after = w->Timers;
    uitest::Pump(60);
    EXPECT_EQ(w->Timers, after);
    delete t;
    delete k;
    delete w;
}

TEST_F(Threads, FreeingARunningThreadEndsItAndFreeOnTerminateFreesItself)
{
    std::atomic<bool> looping{false};
    auto* t = new TWorker(true, [&](TWorker& self) {
        looping = true;
        while (!self.Terminated())
            Sleep(1);
    });
    t->Start();
    ASSERT_TRUE(uitest::PumpUntil([&] { return looping.load(); }, 2000));
    delete t;  // terminates and waits
    bool freed = false;
    auto* self = new TWorker(true, [](TWorker&) {});
    self->Freed = &freed;
    self->FreeOnTerminate = true;
    self->Start();
    EXPECT_TRUE(uitest::PumpUntil([&] { return freed; }, 2000));
}

// One owner frees a FreeOnTerminate thread: a delete from outside, after it ended (its own free
// already posted), while it runs, or from another thread, frees it once.
TEST_F(Threads, AFreeOnTerminateThreadFreedFromOutsideIsFreedOnce)
{
    std::atomic<int> frees{0};
    auto make = [&frees](bool Loop) {
        auto* t = new TWorker(true, [Loop](TWorker& self) {
            while (Loop && !self.Terminated())
                Sleep(1);
        });
        t->Frees = &frees;
        t->FreeOnTerminate = true;
        t->Start();
        return t;
    };
    TWorker* ended = make(false);
    ended->WaitFor();
    delete ended;
    Application->ProcessMessages();
    EXPECT_EQ(frees, 1);
    delete make(true);
    Application->ProcessMessages();
    EXPECT_EQ(frees, 2);
    // Running until told to end, the thread cannot free itself before the other thread's delete.
    for (int i = 0; i < 10; ++i) {
        TWorker* running = make(true);
        std::atomic<bool> done{false};
        std::thread other([&] {
            delete running;
            done = true;
        });
        // The main thread runs the thread's end while the other one waits for it.
        EXPECT_TRUE(uitest::PumpUntil([&] { return done.load(); }, 60000));
        other.join();
        Application->ProcessMessages();
        EXPECT_EQ(frees, 3 + i);
    }
}

// Waiting for a thread inside its own OnTerminate answers at once (Execute has returned); inside a
// method it synchronizes, where the worker waits for the main thread, it raises.
TEST_F(Threads, WaitingInTheThreadsOwnHandlersAnswersOrRaises)
{
    TWorker* t = nullptr;
    int answered = -1;
    t = new TWorker(true, [](TWorker& self) { self.SetReturnValue(5); });
    t->OnTerminate = [&](TObject*) { answered = t->WaitFor(); };
    t->Start();
    // Ended by the loop, not by a wait of the main thread's.
    ASSERT_TRUE(uitest::PumpUntil([&] { return t->Finished(); }, 60000));
    EXPECT_EQ(answered, 5);
    EXPECT_EQ(t->WaitFor(), 5);
    delete t;
    std::string raised;
    t = new TWorker(true, [&](TWorker& self) {
        self.Synchronize([&] {
            try {
                self.WaitFor();
            } catch (const EThread& e) {
                raised = e.what();
            }
        });
        self.SetReturnValue(6);
    });
    t->Start();
    EXPECT_EQ(t->WaitFor(), 6);
    EXPECT_EQ(raised, "A thread cannot wait for itself");
    delete t;
}

// A subclass whose Execute reads its own members until it is told to end.
class TReader : public TThread {
public:
    explicit TReader(bool Spin) : TThread(true), FSpin(Spin), FSamples(4096, 1) {}
    std::atomic<long long> Sum{0};

protected:
    void Execute() override
    {
        do {
            long long sum = 0;
            for (int v : FSamples)
                sum += v;
            Sum = sum;
        } while (FSpin && !Terminated());
    }

private:
    bool FSpin;
    std::vector<int> FSamples;
};

// Threads made, started, waited for and freed in random orders by several threads at once while the
// main thread runs its messages. The main thread makes threads that start themselves and hands them
// over at once, so that other threads free them before, while or after their posted start comes
// round; the other threads make suspended ones of their own. A delete waits for the thread from any
// thread in every state: no worker runs on a freed object and every object is freed once.
// MORVIK_THREAD_SEED picks the seeds (the main thread's, and one a driving thread from it on).
TEST_F(Threads, RandomLifetimesFreedFromSeveralThreadsAreWaitedFor)
{
    const char* given = std::getenv("MORVIK_THREAD_SEED");
    const unsigned base = given ? unsigned(std::strtoul(given, nullptr, 10)) : 1u;
    constexpr int kDrivers = 4, kLives = 1500;
    std::atomic<int> made{0}, frees{0}, drivers{0};
    std::mutex lock;
    std::deque<TWorker*> handed;
    auto make = [&](bool Suspended, std::mt19937& Rng) {
        const int body = int(Rng() % 4);
        auto* t = new TWorker(Suspended, [body](TWorker& self) {
            if (body == 1)
                while (!self.Terminated())
                    std::this_thread::yield();
            else if (body == 2)
                self.Synchronize([] {});
            else if (body == 3)
                self.SetReturnValue(3);
        });
        t->Frees = &frees;
        ++made;
        return t;
    };
    std::vector<std::thread> threads;
    for (int d = 0; d < kDrivers; ++d)
        threads.emplace_back([&, seed = base + 1 + unsigned(d)] {
            std::mt19937 rng(seed);
            auto pause = [&rng] {
                switch (rng() % 4) {
                case 0: break;
                case 1: std::this_thread::yield(); break;
                default: std::this_thread::sleep_for(std::chrono::microseconds(rng() % 200));
                }
            };
            for (int i = 0; i < kLives; ++i) {
                TWorker* t = nullptr;
                if (rng() % 3) {
                    // One the main thread made to start itself.
                    while (!t) {
                        {
                            std::lock_guard<std::mutex> g(lock);
                            if (!handed.empty()) {
                                t = handed.front();
                                handed.pop_front();
                            }
                        }
                        if (!t)
                            std::this_thread::yield();
                    }
                } else {
                    t = make(true, rng);
                    if (rng() % 2)
                        t->Start();
                }
                // Most go at once, racing their start.
                if (rng() % 2) {
                    pause();
                    if (rng() % 2)
                        t->Terminate();
                    if (rng() % 4 == 0 && !t->Suspended()) {
                        t->Terminate();
                        t->WaitFor();
                    }
                }
                delete t;
            }
            ++drivers;
        });
    std::mt19937 rng(base);
    while (drivers < kDrivers) {
        {
            std::lock_guard<std::mutex> g(lock);
            while (handed.size() < 2)
                handed.push_back(make(false, rng));
        }
        Application->ProcessMessages();
    }
    for (std::thread& t : threads)
        t.join();
    for (TWorker* t : handed)
        delete t;
    uitest::Pump(20);
    EXPECT_EQ(frees, made);
    // Made on another thread, a thread that would start itself is refused: only the main thread can
    // tell that its constructor has returned.
    std::thread([&] {
        std::atomic<int> runs{0};
        EXPECT_THROW(new TWorker(false, [&runs](TWorker&) { ++runs; }), EThread);
        EXPECT_EQ(runs, 0);
    }).join();
    uitest::Pump(20);
    EXPECT_EQ(frees, made);
}

// Freed at once after Start, the worker's Execute is not left calling into a half-destroyed object
// (an empty Execute included), nor reading members that went.
TEST_F(Threads, FreeingAThreadThatRunsWaitsBeforeItsSubclassGoes)
{
    for (int i = 0; i < 200; ++i) {
        auto* empty = new TWorker(true, [](TWorker&) {});
        empty->Start();
        delete empty;
        auto* reader = new TReader(i % 2 == 0);
        reader->Start();
        if (i % 4 == 0)
            Sleep(1);
        delete reader;
    }
    // Freed through a pointer to the base, as an owner holding threads of several kinds does.
    std::unique_ptr<TThread> held(new TReader(true));
    held->Start();
    held.reset();
    // A thread that is never started goes without waiting.
    delete new TReader(true);
    // A local that was waited for may go as a local.
    {
        TReader local(false);
        local.Start();
        local.WaitFor();
        EXPECT_EQ(local.Sum, 4096);
    }
}

// A thread whose Execute touches nothing of its object once it runs: freed as a local, the only
// thing that can stop the program is the layer's own check (not a read of members that went, nor a
// virtual call into a half-destroyed object).
std::atomic<bool> gIdleRuns{false};
class TIdle : public TThread {
public:
    TIdle() : TThread(true) {}

protected:
    void Execute() override
    {
        gIdleRuns = true;
        for (;;)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
};

// Freed as a local while Execute may still run, its subclass part would be gone under Execute: a
// debug build says so and stops.
TEST(ThreadsDeathTest, AStartedThreadFreedAsALocalStopsTheProgram)
{
#ifdef NDEBUG
    GTEST_SKIP() << "the check is made by debug builds only";
#endif
    EXPECT_EXIT(
        {
            Application->Initialize();
            TIdle local;
            local.Start();
            // Inside Execute before the local goes: the call of Execute has been made.
            while (!gIdleRuns)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        },
        ::testing::KilledBySignal(SIGABRT), "freed with delete only");
}

// What the worker's thread holds goes when the thread ends, slowly.
std::atomic<bool> gWorkerEnded{false};
struct TSlowThreadEnd {
    ~TSlowThreadEnd()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        gWorkerEnded = true;
    }
};

// A thread freed from its own OnTerminate has ended before the program's exit goes on to destroy
// what a worker's last steps touch.
TEST(ThreadsAtExit, AThreadFreedByItsOwnHandlerHasEndedBeforeTheProgramEnds)
{
    EXPECT_EXIT(
        {
            Application->Initialize();
            // Registered before the layer's own handlers: it runs after them.
            std::atexit([] {
                if (!gWorkerEnded) {
                    std::fputs("a worker still runs\n", stderr);
                    std::_Exit(3);
                }
            });
            bool freed = false;
            TWorker* t = new TWorker(true, [](TWorker&) {
                thread_local TSlowThreadEnd slow;
                (void)&slow;
            });
            t->Freed = &freed;
            t->OnTerminate = [&](TObject*) { delete t; };
            t->Start();
            const bool gone = uitest::PumpUntil([&] { return freed; }, 60000);
            std::exit(gone ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}

// Handlers that free the thread whose worker waits for them: its OnTerminate, and a method its
// Execute synchronizes.
TEST_F(Threads, AThreadFreedByItsOwnHandlersGoesWhenTheyReturn)
{
    TWorker* t = nullptr;
    bool freed = false;
    t = new TWorker(true, [](TWorker&) {});
    t->Freed = &freed;
    t->OnTerminate = [&](TObject*) { delete t; };
    t->Start();
    EXPECT_TRUE(uitest::PumpUntil([&] { return freed; }, 60000));

    bool terminated = false;
    std::atomic<int> rounds{0};
    freed = false;
    t = new TWorker(true, [&](TWorker& self) {
        self.Synchronize([&] { delete t; });
        // Still here after the free: the members stay until Execute ends.
        while (!self.Terminated())
            Sleep(1);
        ++rounds;
    });
    t->Freed = &freed;
    t->OnTerminate = [&](TObject*) { terminated = true; };
    t->Start();
    EXPECT_TRUE(uitest::PumpUntil([&] { return freed; }, 60000));
    EXPECT_EQ(rounds, 1);
    EXPECT_FALSE(terminated) << "a thread the program freed raises no OnTerminate";
}

TEST_F(Threads, CriticalSectionsKeepTwoWorkersApart)
{
    TCriticalSection cs;
    CRITICAL_SECTION raw;
    InitializeCriticalSection(&raw);
    long long shared = 0, rawShared = 0;
    auto body = [&](TWorker&) {
        for (int i = 0; i < 100000; ++i) {
            cs.Acquire();
            cs.Enter();  // a holder may take it again
            ++shared;
            cs.Leave();
            cs.Release();
            EnterCriticalSection(&raw);
            ++rawShared;
            LeaveCriticalSection(&raw);
        }
    };
    auto* t1 = new TWorker(true, body);
    auto* t2 = new TWorker(true, body);
    t1->Start();
    t2->Start();
    t1->WaitFor();
    t2->WaitFor();
    EXPECT_EQ(shared, 200000);
    EXPECT_EQ(rawShared, 200000);
    // Held here, another thread cannot enter.
    cs.Acquire();
    EXPECT_TRUE(TryEnterCriticalSection(&raw));
    bool otherGot = true, otherGotRaw = true;
    std::thread([&] {
        otherGot = cs.TryEnter();
        otherGotRaw = TryEnterCriticalSection(&raw);
    }).join();
    EXPECT_FALSE(otherGot);
    EXPECT_FALSE(otherGotRaw);
    cs.Release();
    LeaveCriticalSection(&raw);
    DeleteCriticalSection(&raw);
    EXPECT_FALSE(TryEnterCriticalSection(&raw));
    delete t1;
    delete t2;
}

}  // namespace

// Window handles, sending and posting messages, the message clock, window timers and the beep.
#include <QApplication>

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/Input.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

WindowRec* Rec(HWND h)
{
    auto it = gHandles.find(reinterpret_cast<std::uintptr_t>(h));
    return it == gHandles.end() ? nullptr : it->second;
}
HWND H(WindowRec* r) { return r ? reinterpret_cast<HWND>(r->handle) : nullptr; }

DWORD MessageClock() { return Now() + gTimeSkew; }

void RunIdle()
{
    if (gIdleHandler)
        gIdleHandler();
}

}  // namespace morvik::qtwin

// ---- Messages ---------------------------------------------------------------------------------------
namespace {

// The procedure every window starts with: its control's message handling.
LRESULT BaseWindowProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    if (w->control)
        return w->control->Perform(msg, wParam, lParam);
    return DefaultWindowProc(h, msg, wParam, lParam);
}

}  // namespace

namespace morvik::backend {

WNDPROC WindowProcOf(HWND h)
{
    WindowRec* w = Rec(h);
    if (!w)
        return nullptr;
    return w->subclass ? w->subclass : &BaseWindowProc;
}

WNDPROC SetWindowProcOf(HWND h, WNDPROC proc)
{
    WindowRec* w = Rec(h);
    if (!w || !proc)
        return nullptr;
    WNDPROC old = WindowProcOf(h);
    w->subclass = proc == &BaseWindowProc ? nullptr : proc;
    return old;
}

}  // namespace morvik::backend

LRESULT SendMessage(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!IsMainThread()) {
        // A worker's message is handled on the windows' thread; the worker waits for the answer.
        LRESULT r = 0;
        RunOnMainThread([&] { r = SendMessage(h, msg, wParam, lParam); });
        return r;
    }
    WindowRec* w = Rec(h);
    if (!w)
        return 0;
    if (msg == WM_PAINT)
        ++gPaintCounts.Paints;
    else if (msg == WM_NCPAINT) {
        ++gPaintCounts.FramePaints;
        // Handled is painted, whichever procedure handles it: one that draws the frame itself
        // must not leave it to be asked for again at every paint.
        w->frameDirty = false;
    }
    if (w->subclass)
        return w->subclass(h, msg, wParam, lParam);
    return BaseWindowProc(h, msg, wParam, lParam);
}

LRESULT CallWindowProc(WNDPROC proc, HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(h, msg, wParam, lParam) : 0;
}

BOOL PostMessage(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (h) {
        // Posting to a window that has gone fails; the answer must not depend on which thread
        // asks. Without a window the message goes to the thread's queue.
        std::lock_guard<std::mutex> g(gHandlesLock);
        if (!gHandles.count(reinterpret_cast<std::uintptr_t>(h)))
            return FALSE;
    }
    PostToQueue(h, msg, wParam, lParam);
    return TRUE;
}

UINT RegisterWindowMessage(LPCSTR name)
{
    static std::mutex m;
    static std::map<std::string, UINT> names;
    if (!name || !*name)
        return 0;
    std::lock_guard<std::mutex> g(m);
    std::string key = UpperCase(name);
    auto it = names.find(key);
    if (it != names.end())
        return it->second;
    UINT id = 0xC000 + UINT(names.size());
    names[key] = id;
    return id;
}

DWORD GetMessageTime() { return gMessageTime ? gMessageTime : MessageClock(); }
UINT GetDoubleClickTime() { return 500; }

namespace {
// Timers live on the main thread; the lock keeps the map whole should anything reach it elsewhere.
std::recursive_mutex gTimersLock;
std::map<std::pair<HWND, UINT>, unsigned>& WindowTimers()
{
    static std::map<std::pair<HWND, UINT>, unsigned> t;
    return t;
}
}  // namespace

UINT SetTimer(HWND h, UINT id, UINT elapse, TIMERPROC proc)
{
    if (!IsMainThread()) {
        // A window's timer ticks on the window's thread. A worker has no message loop for a timer
        // of its own: that is refused rather than accepted and never run.
        if (!h)
            return 0;
        UINT r = 0;
        RunOnMainThread([&] { r = SetTimer(h, id, elapse, proc); });
        return r;
    }
    std::lock_guard<std::recursive_mutex> g(gTimersLock);
    if (h ? !Rec(h) : !proc)
        return 0;
    if (!h && !WindowTimers().count({h, id})) {
        static UINT lastThreadTimer = 0;
        do
            id = ++lastThreadTimer ? lastThreadTimer : ++lastThreadTimer;
        while (WindowTimers().count({h, id}));
    }
    KillTimer(h, id);
    unsigned t = StartTimer(std::max<UINT>(elapse, 1), [h, id, proc] {
        if (h && !Rec(h)) {
            KillTimer(h, id);
            return;
        }
        gMessageTime = MessageClock();
        if (proc)
            proc(h, WM_TIMER, id, gMessageTime);
        else
            SendMessage(h, WM_TIMER, id, 0);
        RunIdle();
    });
    WindowTimers()[{h, id}] = t;
    return id ? id : 1;
}

BOOL KillTimer(HWND h, UINT id)
{
    if (!IsMainThread()) {
        BOOL r = FALSE;
        RunOnMainThread([&] { r = KillTimer(h, id); });
        return r;
    }
    std::lock_guard<std::recursive_mutex> g(gTimersLock);
    auto it = WindowTimers().find({h, id});
    if (it == WindowTimers().end())
        return FALSE;
    StopTimer(it->second);
    WindowTimers().erase(it);
    return TRUE;
}

void MessageBeep(UINT)
{
    EnsureToolkit();  // a beep can come before any window exists
    QApplication::beep();
}

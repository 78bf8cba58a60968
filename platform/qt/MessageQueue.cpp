// The main thread's queue of posted messages. Each posted message also wakes the toolkit's event
// loop once, which delivers the oldest message still queued; a message loop of the program's own
// (PeekMessage) may take messages first, and then the wake-ups find fewer or none.
#include <deque>
#include <mutex>

#include "platform/Forms.h"
#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace {

std::mutex gQueueLock;
std::deque<MSG> gQueue;
// While PeekMessage lets the toolkit handle what waits, wake-ups leave the queue to it; the
// wake-ups skipped are owed to the messages still queued and posted again afterwards.
int gPeeking = 0;
int gOwedWakeUps = 0;

void DeliverOldest()
{
    if (gPeeking > 0) {
        ++gOwedWakeUps;
        return;
    }
    MSG m;
    {
        std::lock_guard<std::mutex> g(gQueueLock);
        if (gQueue.empty())
            return;
        m = gQueue.front();
        gQueue.pop_front();
    }
    if (m.message == WM_QUIT && !m.hwnd) {
        if (Application)
            Application->Terminate();
        return;
    }
    if (Rec(m.hwnd)) {
        gMessageTime = MessageClock();
        SendMessage(m.hwnd, m.message, m.wParam, m.lParam);
        RunIdle();
    }
}

void Enqueue(const MSG& m)
{
    {
        std::lock_guard<std::mutex> g(gQueueLock);
        gQueue.push_back(m);
    }
    Post(&DeliverOldest);
}

bool Matches(const MSG& m, HWND hWnd, UINT lo, UINT hi)
{
    if (hWnd && m.hwnd != hWnd)
        return false;
    return (lo == 0 && hi == 0) || (m.message >= lo && m.message <= hi);
}

}  // namespace

namespace morvik::qtwin {

void PostToQueue(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MSG m;
    m.hwnd = h;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = MessageClock();
    Enqueue(m);
}

}  // namespace morvik::qtwin

BOOL PeekMessage(MSG* lpMsg, HWND hWnd, UINT lo, UINT hi, UINT remove)
{
    if (!lpMsg || !IsMainThread())
        return FALSE;
    ++gPeeking;
    ProcessPending();
    --gPeeking;
    if (gPeeking == 0 && gOwedWakeUps > 0) {
        for (; gOwedWakeUps > 0; --gOwedWakeUps)
            Post(&DeliverOldest);
    }
    std::lock_guard<std::mutex> g(gQueueLock);
    for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
        if (!Matches(*it, hWnd, lo, hi))
            continue;
        *lpMsg = *it;
        if (remove & PM_REMOVE)
            gQueue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg)
        return FALSE;
    UINT m = lpMsg->message;
    if (m == WM_KEYUP || m == WM_SYSKEYUP)
        return TRUE;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN)
        return FALSE;
    // The character of the key under the keyboard state now, posted after the key.
    Word vk = LOWORD(lpMsg->wParam);
    bool shifted = gKeyState[VK_SHIFT] & 0x80;
    TShiftState shift = (shifted ? TShiftState(ssShift) : 0u) | ((gKeyState[VK_CONTROL] & 0x80) ? TShiftState(ssCtrl) : 0u) |
                        (m == WM_SYSKEYDOWN ? TShiftState(ssAlt) : 0u);
    std::string text;
    if (vk >= 'A' && vk <= 'Z')
        text = std::string(1, char(shifted ? vk : vk - 'A' + 'a'));
    else if (vk >= '0' && vk <= '9' && !shifted)
        text = std::string(1, char(vk));
    else if (vk == VK_SPACE)
        text = " ";
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        text = std::string(1, char('0' + vk - VK_NUMPAD0));
    for (char c : CharsOfKey(vk, shift, text))
        PostToQueue(lpMsg->hwnd, m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, WPARAM(static_cast<unsigned char>(c)),
                    lpMsg->lParam);
    return TRUE;
}

LRESULT DispatchMessage(const MSG* lpMsg)
{
    if (!lpMsg || !lpMsg->hwnd || !Rec(lpMsg->hwnd))
        return 0;
    gMessageTime = lpMsg->time;
    LRESULT r = SendMessage(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
    RunIdle();
    return r;
}

void PostQuitMessage(int nExitCode)
{
    MSG m;
    m.message = WM_QUIT;
    m.wParam = WPARAM(nExitCode);
    m.time = MessageClock();
    Enqueue(m);
}

// Utility windows, the message pump, window searches and the keyboard state.
#include <unistd.h>

#include <memory>

#include "ctlbase/Extools.h"
#include "platform/Controls.h"
#include "platform/Forms.h"

TMsgPumpRoutineEvent OnMessagePump;
TExMessagePump* ExMessagePump = nullptr;
HWND LastWin = nullptr;
DWORD LastProcessID = 0;

namespace {

constexpr const char* kUtilClass = "XExUtilWindow";

// Kept as the window's user data.
struct TExWndRecord {
    TObject* Obj;
    TExWndMethod Method;
};

LRESULT XUtilWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto* rec = reinterpret_cast<TExWndRecord*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
    if (!rec || !rec->Method)
        return DefWindowProc(Wnd, Msg, WParam, LParam);
    TExWndMethod method = rec->Method;  // the method may release its own window
    TMessage m{Msg, WParam, LParam, 0};
    method(m);
    return m.Result;
}

struct TEnumWinRec {
    bool Found = false;
    int Visited = 0;
    HWND Wnd = nullptr;
    std::string Text;       // upper case
    std::string ClassName;  // upper case; empty: any class
    bool Exact = false;
    bool TopOnly = false;
};

bool Matches(HWND Wnd, TEnumWinRec& R)
{
    ++R.Visited;
    if (!R.ClassName.empty()) {
        char cls[256] = {};
        GetClassName(Wnd, cls, sizeof(cls));
        if (UpperCase(cls) != R.ClassName)
            return false;
    }
    char buf[256] = {};
    std::uintptr_t len = 0;
    if (!SendMessageTimeout(Wnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 100, &len))
        return false;
    const std::string text = UpperCase(buf);
    return R.Exact ? text == R.Text : text.find(R.Text) != std::string::npos;
}

BOOL ChildProc(HWND Wnd, LPARAM Param)
{
    auto& r = *reinterpret_cast<TEnumWinRec*>(Param);
    if (!Matches(Wnd, r))
        return TRUE;
    r.Found = true;
    r.Wnd = Wnd;
    return FALSE;
}

BOOL TopProc(HWND Wnd, LPARAM Param)
{
    auto& r = *reinterpret_cast<TEnumWinRec*>(Param);
    if (!ChildProc(Wnd, Param))
        return FALSE;
    if (!r.TopOnly)
        EnumChildWindows(Wnd, &ChildProc, Param);
    return r.Found ? FALSE : TRUE;
}

HWND Found(HWND Wnd)
{
    if (Wnd) {
        LastWin = Wnd;
        LastProcessID = DWORD(getpid());
    }
    return Wnd;
}

HWND Search(const std::string& ClassName, const std::string& Text, bool Exact, bool TopOnly)
{
    TEnumWinRec r;
    r.Text = UpperCase(Text);
    r.ClassName = UpperCase(ClassName);
    r.Exact = Exact;
    r.TopOnly = TopOnly;
    EnumWindows(&TopProc, reinterpret_cast<LPARAM>(&r));
    return Found(r.Found ? r.Wnd : nullptr);
}

int gInitCount = 0;

struct UnitLife {
    UnitLife() { ctlbase::ExtoolsInitialize(); }
    ~UnitLife() { ctlbase::ExtoolsFinalize(); }
} gUnitLife;

}  // namespace

HWND XAllocateHWND(TObject* Obj, TExWndMethod Method)
{
    if (!GetClassInfo(HInstance, kUtilClass, nullptr)) {
        WNDCLASS wc;
        wc.lpfnWndProc = &XUtilWndProc;
        wc.hInstance = HInstance;
        wc.lpszClassName = kUtilClass;
        RegisterClass(&wc);
    }
    HWND wnd = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, HInstance,
                              nullptr);
    if (wnd)
        SetWindowLongPtr(wnd, GWLP_USERDATA, reinterpret_cast<std::intptr_t>(new TExWndRecord{Obj, std::move(Method)}));
    return wnd;
}

void XDeallocateHWND(HWND Wnd)
{
    auto* rec = reinterpret_cast<TExWndRecord*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
    DestroyWindow(Wnd);
    delete rec;
}

bool TExMessagePump::HandleMessage()
{
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        // Taken off the queue, the quit request would otherwise be lost and the program never end.
        if (Application)
            Application->Terminate();
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    return true;
}

void TExMessagePump::ProcessMessages()
{
    while (HandleMessage()) {
    }
}

HWND WindowExists(const std::string& ClassName, const std::string& Text, bool Exact)
{
    return Search(ClassName, Text, Exact, false);
}

HWND TopWindowExists(const std::string& ClassName, const std::string& Text, bool UseFindWindow)
{
    if (!UseFindWindow)
        return Search(ClassName, Text, false, true);
    return Found(FindWindow(ClassName.empty() ? nullptr : ClassName.c_str(), Text.c_str()));
}

TShiftState GetShiftState()
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        s |= ssShift;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0)
        s |= ssCtrl;
    return s;
}

Integer GetKeysState()
{
    Integer k = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        k |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        k |= MK_CONTROL;
    return k;
}

namespace ctlbase {

void ExtoolsInitialize()
{
    if (gInitCount++ > 0)
        return;
    ExMessagePump = new TExMessagePump;
    OnMessagePump = [] { ExMessagePump->ProcessMessages(); };
}

void ExtoolsFinalize()
{
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    OnMessagePump = nullptr;
    delete ExMessagePump;
    ExMessagePump = nullptr;
}

}  // namespace ctlbase

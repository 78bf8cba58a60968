// Window classes and the windows made of them, the values windows keep for their owners, sending
// with a time-out, the walk over child windows, and the class library's utility windows. A window
// of a registered class is a windowed control whose every message goes to the class's procedure.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Backend.h"
#include "platform/Controls.h"

namespace {

char gInstance;

struct ClassRec {
    WNDCLASS Info;
    std::string Name;  // upper case; Info.lpszClassName points at the caller's text
    int Windows = 0;
};

std::map<std::pair<std::string, HINSTANCE>, std::unique_ptr<ClassRec>>& Classes()
{
    static std::map<std::pair<std::string, HINSTANCE>, std::unique_ptr<ClassRec>> classes;
    return classes;
}

ClassRec* FindClass(HINSTANCE instance, LPCSTR name)
{
    if (!name)
        return nullptr;
    auto it = Classes().find({UpperCase(name), instance ? instance : HInstance});
    return it == Classes().end() ? nullptr : it->second.get();
}

std::map<HWND, std::intptr_t>& UserData()
{
    static std::map<HWND, std::intptr_t> data;
    return data;
}

class TClassWindow : public TWinControl {
public:
    TClassWindow(ClassRec* Class, const TCreateParams& Params) : TWinControl(nullptr), FClass(Class), FParams(Params)
    {
        ++FClass->Windows;
    }
    ~TClassWindow() override
    {
        DestroyHandle();
        --FClass->Windows;
    }
    void WndProc(TMessage& Message) override
    {
        ++FDepth;
        Message.Result = FClass->Info.lpfnWndProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
        --FDepth;
    }
    // The window goes at once; the object waits until no message of it is being handled.
    void Destroy()
    {
        HWND h = FHandle;
        if (GetWindowLong(h, GWL_STYLE) & WS_CHILD)
            morvik::backend::NotifyParents(h, WM_DESTROY);
        SendMessage(h, WM_DESTROY, 0, 0);
        SendMessage(h, WM_NCDESTROY, 0, 0);
        UserData().erase(h);
        DestroyHandle();
        if (FDepth > 0)
            morvik::backend::Post([this] { delete this; });
        else
            delete this;
    }

protected:
    void CreateParams(TCreateParams& Params) override { Params = FParams; }
    // CreateWindowEx and Destroy send WM_CREATE and WM_DESTROY themselves, with their own answers.
    void CreateWnd() override
    {
        TCreateParams p;
        CreateParams(p);
        CreateWindowHandle(p);
    }
    void DestroyWnd() override
    {
        TControlCanvas::FreeDeviceContexts();
        DestroyWindowHandle();
    }

private:
    ClassRec* FClass;
    TCreateParams FParams;
    int FDepth = 0;
};

std::map<HWND, TClassWindow*>& ClassWindows()
{
    static std::map<HWND, TClassWindow*> windows;
    return windows;
}

// ---- Utility windows: messages go to a method kept as the window's user data.
struct UtilRec {
    TWndMethod Method;
};

LRESULT UtilWndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* rec = reinterpret_cast<UtilRec*>(GetWindowLongPtr(h, GWLP_USERDATA));
    if (!rec || !rec->Method)
        return DefWindowProc(h, msg, wParam, lParam);
    TWndMethod method = rec->Method;  // the method may deallocate its own window
    TMessage m{msg, wParam, lParam, 0};
    method(m);
    return m.Result;
}

constexpr const char* kUtilClass = "TPUtilWindow";

}  // namespace

HINSTANCE HInstance = &gInstance;

ATOM RegisterClass(const WNDCLASS* wc)
{
    if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc)
        return 0;
    HINSTANCE instance = wc->hInstance ? wc->hInstance : HInstance;
    auto key = std::make_pair(UpperCase(wc->lpszClassName), instance);
    if (Classes().count(key))
        return 0;
    auto rec = std::make_unique<ClassRec>();
    rec->Info = *wc;
    rec->Info.hInstance = instance;
    rec->Name = key.first;
    rec->Info.lpszClassName = rec->Name.c_str();
    Classes()[key] = std::move(rec);
    static ATOM next = 0xC000;
    return next++;
}

BOOL UnregisterClass(LPCSTR name, HINSTANCE instance)
{
    ClassRec* c = FindClass(instance, name);
    if (!c || c->Windows > 0)
        return FALSE;
    Classes().erase({c->Name, c->Info.hInstance});
    return TRUE;
}

BOOL GetClassInfo(HINSTANCE instance, LPCSTR name, WNDCLASS* wc)
{
    ClassRec* c = FindClass(instance, name);
    if (!c)
        return FALSE;
    if (wc)
        *wc = c->Info;
    return TRUE;
}

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, void* param)
{
    ClassRec* c = FindClass(instance, className);
    if (!c || ((style & WS_CHILD) && !IsWindow(parent)))
        return nullptr;
    TCreateParams p;
    p.Caption = windowName ? windowName : "";
    p.Style = style;
    p.ExStyle = exStyle;
    p.X = x;
    p.Y = y;
    p.Width = width;
    p.Height = height;
    p.WndParent = (style & WS_CHILD) ? parent : nullptr;
    p.WindowClassStyle = c->Info.style;
    p.WinClassName = className;
    auto* w = new TClassWindow(c, p);
    HWND h = w->Handle();
    ClassWindows()[h] = w;
    CREATESTRUCT cs;
    cs.lpCreateParams = param;
    cs.hInstance = c->Info.hInstance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = LONG(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (style & WS_CHILD)
        morvik::backend::NotifyParents(h, WM_CREATE);
    return h;
}

BOOL DestroyWindow(HWND h)
{
    auto it = ClassWindows().find(h);
    if (it == ClassWindows().end())
        return FALSE;
    TClassWindow* w = it->second;
    ClassWindows().erase(it);
    w->Destroy();
    return TRUE;
}

LRESULT DefWindowProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return morvik::backend::DefaultWindowProc(h, msg, wParam, lParam);
}

std::intptr_t GetWindowLongPtr(HWND h, int index)
{
    if (!IsWindow(h))
        return 0;
    if (index == GWLP_WNDPROC)
        return reinterpret_cast<std::intptr_t>(morvik::backend::WindowProcOf(h));
    if (index == GWLP_USERDATA) {
        auto it = UserData().find(h);
        return it == UserData().end() ? 0 : it->second;
    }
    return GetWindowLong(h, index);
}

std::intptr_t SetWindowLongPtr(HWND h, int index, std::intptr_t value)
{
    if (!IsWindow(h))
        return 0;
    if (index == GWLP_WNDPROC)
        return reinterpret_cast<std::intptr_t>(
            morvik::backend::SetWindowProcOf(h, reinterpret_cast<WNDPROC>(value)));
    if (index == GWLP_USERDATA) {
        std::intptr_t& slot = UserData()[h];
        return std::exchange(slot, value);
    }
    return SetWindowLong(h, index, LONG(value));
}

LRESULT SendMessageTimeout(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT, UINT, std::uintptr_t* result)
{
    if (!IsWindow(h))
        return 0;
    LRESULT r = SendMessage(h, msg, wParam, lParam);
    if (result)
        *result = std::uintptr_t(r);
    return 1;
}

namespace {
// Children topmost first, each followed by its own descendants. False when the callback stopped.
bool EnumChildren(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    for (HWND c : children) {
        if (!IsWindow(c))
            continue;
        if (!proc(c, lParam))
            return false;
        if (!EnumChildren(c, proc, lParam))
            return false;
    }
    return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
    if (!proc || !IsWindow(parent))
        return FALSE;
    EnumChildren(parent, proc, lParam);
    return TRUE;
}

HWND AllocateHWnd(TWndMethod Method)
{
    WNDCLASS wc;
    if (!GetClassInfo(HInstance, kUtilClass, &wc)) {
        wc.lpfnWndProc = &UtilWndProc;
        wc.hInstance = HInstance;
        wc.lpszClassName = kUtilClass;
        RegisterClass(&wc);
    }
    HWND h = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, HInstance,
                            nullptr);
    if (h && Method)
        SetWindowLongPtr(h, GWLP_USERDATA, reinterpret_cast<std::intptr_t>(new UtilRec{std::move(Method)}));
    return h;
}

void DeallocateHWnd(HWND Wnd)
{
    auto* rec = reinterpret_cast<UtilRec*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
    DestroyWindow(Wnd);
    delete rec;
}

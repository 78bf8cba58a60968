// Walking the top-level windows and finding one by class and title.
#include <algorithm>
#include <vector>

#include "platform/qt/WindowRec.h"

using namespace morvik::qtwin;

namespace {

// Newest first: the window made last is the one on top unless the user restacked them, which the
// layer does not follow.
std::vector<HWND> TopLevelWindows()
{
    std::vector<WindowRec*> tops;
    for (WindowRec* w : gWindows)
        if (w->topLevel)
            tops.push_back(w);
    std::sort(tops.begin(), tops.end(), [](WindowRec* a, WindowRec* b) { return a->handle > b->handle; });
    std::vector<HWND> handles;
    for (WindowRec* w : tops)
        handles.push_back(H(w));
    return handles;
}

std::string ClassOf(HWND h)
{
    char name[256];
    int n = GetClassName(h, name, sizeof(name));
    return std::string(name, size_t(std::max(n, 0)));
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam)
{
    if (!proc)
        return FALSE;
    for (HWND h : TopLevelWindows())
        if (Rec(h) && !proc(h, lParam))
            break;
    return TRUE;
}

HWND FindWindow(LPCSTR className, LPCSTR windowName)
{
    for (HWND h : TopLevelWindows()) {
        WindowRec* w = Rec(h);
        if (!w)
            continue;
        if (className && UpperCase(ClassOf(h)) != UpperCase(className))
            continue;
        if (windowName && w->text != windowName)
            continue;
        return h;
    }
    return nullptr;
}

#include "platform/Libraries.h"

#include <map>
#include <string>

#include "platform/SysUtils.h"

namespace morvik::backend {
// The visual-style theme service; null while the user has switched themes off.
const TLibraryExports* ThemeLibrary();
// The image library: alpha blending.
const TLibraryExports* ImageLibrary();
}  // namespace morvik::backend

namespace {

struct KnownLibrary {
    const char* Name;  // upper case
    const TLibraryExports* (*Open)();
};

// The libraries the layer provides, by the names callers load them under.
const KnownLibrary kKnown[] = {
    {"UXTHEME.DLL", &morvik::backend::ThemeLibrary},
    {"MSIMG32.DLL", &morvik::backend::ImageLibrary},
};

struct Module {
    std::string Name;
    const TLibraryExports* Exports = nullptr;
    int Loads = 0;
};

std::map<std::string, const TLibraryExports* (*)()>& Registered()
{
    static std::map<std::string, const TLibraryExports* (*)()> registered;
    return registered;
}

std::map<std::string, Module>& Loaded()
{
    static std::map<std::string, Module> loaded;
    return loaded;
}

Module* ModuleOf(HMODULE h)
{
    for (auto& [name, m] : Loaded())
        if (static_cast<void*>(&m) == h)
            return &m;
    return nullptr;
}

}  // namespace

void RegisterLibrary(LPCSTR Name, const TLibraryExports* (*Open)())
{
    if (!Name)
        return;
    if (Open)
        Registered()[UpperCase(Name)] = Open;
    else
        Registered().erase(UpperCase(Name));
}

HMODULE LoadLibrary(LPCSTR lpLibFileName)
{
    if (!lpLibFileName)
        return nullptr;
    const std::string name = UpperCase(lpLibFileName);
    auto it = Loaded().find(name);
    if (it != Loaded().end()) {
        ++it->second.Loads;
        return &it->second;
    }
    const TLibraryExports* (*open)() = nullptr;
    if (auto r = Registered().find(name); r != Registered().end())
        open = r->second;
    for (const KnownLibrary& k : kKnown)
        if (!open && name == k.Name)
            open = k.Open;
    const TLibraryExports* exports = open ? open() : nullptr;
    if (!exports)
        return nullptr;
    Module& m = Loaded()[name];
    m.Name = name;
    m.Exports = exports;
    m.Loads = 1;
    return &m;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    Module* m = ModuleOf(hModule);
    if (!m || !lpProcName)
        return nullptr;
    for (int i = 0; i < m->Exports->Count; ++i)
        if (std::string(m->Exports->Entries[i].Name) == lpProcName)
            return m->Exports->Entries[i].Proc;
    return nullptr;
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    Module* m = ModuleOf(hLibModule);
    if (!m)
        return FALSE;
    if (--m->Loads == 0)
        Loaded().erase(m->Name);
    return TRUE;
}

HMODULE GetModuleHandle(LPCSTR lpModuleName)
{
    if (!lpModuleName)
        return nullptr;
    auto it = Loaded().find(UpperCase(lpModuleName));
    return it == Loaded().end() ? nullptr : &it->second;
}

BOOL GetVersionEx(OSVERSIONINFO* lpVersionInformation)
{
    if (!lpVersionInformation || lpVersionInformation->dwOSVersionInfoSize < sizeof(OSVERSIONINFO))
        return FALSE;
    lpVersionInformation->dwMajorVersion = 5;
    lpVersionInformation->dwMinorVersion = 1;
    lpVersionInformation->dwBuildNumber = 2600;
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    lpVersionInformation->szCSDVersion[0] = 0;
    return TRUE;
}

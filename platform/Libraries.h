// Libraries found by name at run time, and the system's version. Code that would load an optional
// system library and look its functions up by name does the same here: the layer lists its own
// services under the library names callers ask for, and a library is found only while it is
// available (the visual-style theme library can be switched off by the user).
#pragma once

#include "platform/Windows.h"

using FARPROC = void (*)();

// One function of a library, under the name GetProcAddress is asked for.
struct TLibraryExport {
    const char* Name;
    FARPROC Proc;
};
struct TLibraryExports {
    const TLibraryExport* Entries;
    int Count;
};

// Adds a library under Name ahead of the layer's own, as installing one would (Open null takes it
// away again). Open is asked at each first load and answers null when the library is not there.
void RegisterLibrary(LPCSTR Name, const TLibraryExports* (*Open)());

// Names are compared without regard to case, as the system does. 0 when no such library is there.
HMODULE LoadLibrary(LPCSTR lpLibFileName);
// nullptr when the library has no function of that name, or for a handle that is not loaded.
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Each LoadLibrary is matched by one FreeLibrary; the last one unloads.
BOOL FreeLibrary(HMODULE hLibModule);
// The handle of a library that is already loaded; 0 otherwise.
HMODULE GetModuleHandle(LPCSTR lpModuleName);

// The system's identity as version checks ask for it.
constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFO {
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
// This platform answers as the NT platform, version 5.1, build 2600: the newest the library's
// checks tell apart, so every "or later" path is the one taken.
BOOL GetVersionEx(OSVERSIONINFO* lpVersionInformation);

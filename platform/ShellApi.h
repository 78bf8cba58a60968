// Shell execution: opening documents and addresses with the desktop's handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Windows.h"

// Opens File (a document, a folder, a "mailto:" or web address) with the desktop's opener. A text
// editor named as File ("notepad.exe") opens the document given in Parameters. The answer is above
// 32 on success; SE_ERR_FNF when a local document does not exist, SE_ERR_NOASSOC when nothing can
// open it.
HINSTANCE ShellExecute(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                       INT nShowCmd);
constexpr std::intptr_t SE_ERR_FNF = 2;
constexpr std::intptr_t SE_ERR_PNF = 3;
constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;
constexpr std::intptr_t SE_ERR_NOASSOC = 31;

// Starts a program detached; replaceable so that tests can see what would be started.
using TShellLauncher = std::function<bool(const std::string& Program, const std::vector<std::string>& Args,
                                          const std::string& Directory)>;
void SetShellLauncher(TShellLauncher Launcher);

// Helpers for tests of windows and controls: running the message loop, answering modal dialogs,
// and saving pictures of controls.
#pragma once

#include <functional>
#include <string>

#include "platform/Forms.h"
#include "tests/support/ModalHook.h"

namespace uitest {

// Runs pending messages, timers and paints for at least Milliseconds (0: once).
void Pump(int Milliseconds = 0);
// Pumps until Condition holds or the time runs out; answers whether it held.
bool PumpUntil(const std::function<bool()>& Condition, int TimeoutMs = 2000);
// The next modal dialog, message box or modal form is answered by Answer (it receives the dialog
// object and returns the answer, IDOK/IDCANCEL/... or a modal result); later ones run normally.
void AnswerNextDialog(std::function<int(TObject* Dialog)> Answer);
// Answers every modal dialog until cleared.
void AnswerAllDialogs(std::function<int(TObject* Dialog)> Answer);
void ClearDialogAnswers();
// Saves a picture of the control as <name>.png in MORVIK_SNAPSHOT_DIR (or a temporary folder, gone
// when the program ends unless MORVIK_KEEP_TEMP=1); returns the file's path, empty on failure.
std::string SaveSnapshot(TControl* Control, const std::string& Name);
// A fresh temporary folder, removed with what it holds when the test program ends.
std::string TempDir();

}  // namespace uitest

// A modal answerer made of a function, for tests that answer dialogs inline.
#pragma once

#include <functional>

#include "platform/ModalSeam.h"

// Answering true ends the modal window at once with Result; false lets it run. A hook set for one
// answer clears itself by returning after SetModalHook(nullptr).
using TModalHook = std::function<bool(TObject* Dialog, int& Result)>;
void SetModalHook(TModalHook Hook);
bool ModalHookActive();

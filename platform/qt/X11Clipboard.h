// The X11 clipboard answers through the program that owns it. A owner that never answers would
// hold every read of the clipboard for the toolkit's long timeout; this asks the owner first, with
// a short bound. Internal to platform/qt/.
#pragma once

namespace morvik::qtclip {

// Milliseconds an owner has to answer before the clipboard counts as empty.
extern int OwnerAnswerMs;
// True unless another program owns the clipboard of an X11 display and does not answer in time.
// An owner found silent is not asked again for a while: it counts as silent until it changes.
bool ClipboardOwnerAnswers();
// The same for the primary selection.
bool PrimaryOwnerAnswers();

}  // namespace morvik::qtclip

// What the edit window's files share inside the layer: limits, kinds of undo step and the
// character classes the layout, the caret and the changes agree on.
#pragma once

#include "platform/Guard.h"
#include "platform/Controls.h"

namespace morvik::stdctl::editdetail {

// The host (and its window) are still there after a handler ran.
inline bool Alive(const TGuardPtr<TWinControl>& Host, HWND Wnd) { return Host && IsWindow(Wnd); }

constexpr int kMaxUndoSteps = 1000;
constexpr int kNoLimit = 0x7FFFFFFE;
constexpr int kMarginX = 2;
// The timer that goes on scrolling while a selection is dragged beyond the edge, and its pace.
constexpr UINT kAutoScrollTimer = 0xED5C;
constexpr UINT kAutoScrollMs = 50;

enum { kOther = 0, kTyping = 1, kDeleteBack = 2, kDeleteForward = 3 };

inline bool IsBlank(unsigned char C) { return C == ' ' || C == '\t'; }
inline bool IsBreak(unsigned char C) { return C == '\r' || C == '\n'; }

}  // namespace morvik::stdctl::editdetail

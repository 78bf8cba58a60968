// Moving a top-level window with the mouse held on its caption (or on what answers the hit test
// as a caption).
#pragma once

#include "platform/Windows.h"

namespace morvik::qtwin {

struct WindowRec;
// Starts moving the top-level window w; the mouse was pressed at screenPt.
void StartWindowMove(WindowRec* w, TPoint screenPt);
// Takes the mouse while a move is on: true when the event belonged to the move.
bool TrackWindowMove(UINT kind, TPoint screenPt);

}  // namespace morvik::qtwin

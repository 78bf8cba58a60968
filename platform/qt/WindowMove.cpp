#include "platform/qt/WindowMove.h"

#include "platform/qt/WindowRec.h"

namespace morvik::qtwin {

namespace {
struct Move {
    WindowRec* w = nullptr;
    TPoint start;
    TRect rect;
} gMove;
}  // namespace

void StartWindowMove(WindowRec* w, TPoint screenPt)
{
    if (!w || !w->topLevel)
        return;
    gMove.w = w;
    gMove.start = screenPt;
    GetWindowRect(H(w), &gMove.rect);
}

bool TrackWindowMove(UINT kind, TPoint screenPt)
{
    if (!gMove.w)
        return false;
    if (!gWindows.count(gMove.w)) {
        gMove = {};
        return false;
    }
    if (kind == WM_MOUSEMOVE || kind == WM_LBUTTONUP) {
        const TRect& r = gMove.rect;
        MoveWindow(H(gMove.w), r.Left + screenPt.X - gMove.start.X, r.Top + screenPt.Y - gMove.start.Y, r.Width(),
                   r.Height(), TRUE);
    }
    if (kind == WM_LBUTTONUP)
        gMove = {};
    return kind == WM_MOUSEMOVE || kind == WM_LBUTTONUP || kind == WM_LBUTTONDOWN;
}

}  // namespace morvik::qtwin

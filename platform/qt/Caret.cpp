// The caret: one per program, drawn inverted over its window's image and blinking on a timer.
#include <QPainter>

#include "platform/qt/WindowRec.h"

using namespace morvik::backend;
using namespace morvik::qtwin;

namespace morvik::qtwin {

TRect CaretRectInImage()
{
    TRect c = ClientInImage(gCaret.owner);
    return Bounds(c.Left + gCaret.pos.X, c.Top + gCaret.pos.Y, gCaret.width, gCaret.height);
}

void RefreshCaret()
{
    if (gCaret.owner && gCaret.owner->widget) {
        TRect r = CaretRectInImage();
        gCaret.owner->widget->update(QRect(r.Left, r.Top, std::max(1, r.Width()), std::max(1, r.Height())));
    }
}

void PaintCaretOverlay(WindowRec* w, QPainter& p)
{
    if (gCaret.owner != w || gCaret.hideLevel > 0 || !gCaret.blinkOn || gCaret.width <= 0 || gCaret.height <= 0)
        return;
    TRect r = CaretRectInImage();
    TRect c = ClientInImage(w);
    TRect clipped;
    if (!IntersectRect(clipped, r, c))
        return;
    QImage part = w->image.copy(clipped.Left, clipped.Top, clipped.Width(), clipped.Height());
    part.invertPixels();
    p.drawImage(clipped.Left, clipped.Top, part);
}

}  // namespace morvik::qtwin

// ---- Caret ----------------------------------------------------------------------------------------
BOOL CreateCaret(HWND h, HBITMAP, int width, int height)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    DestroyCaret();
    gCaret.owner = w;
    gCaret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
    gCaret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    gCaret.hideLevel = 1;
    gCaret.blinkOn = true;
    gCaret.pos = {0, 0};
    gCaret.timer = StartTimer(GetCaretBlinkTime(), [] {
        gCaret.blinkOn = !gCaret.blinkOn;
        RefreshCaret();
    });
    return TRUE;
}

BOOL DestroyCaret()
{
    if (!gCaret.owner)
        return FALSE;
    RefreshCaret();
    if (gCaret.timer)
        StopTimer(gCaret.timer);
    gCaret = CaretState{};
    return TRUE;
}

BOOL ShowCaret(HWND h)
{
    if (!gCaret.owner || (h && Rec(h) != gCaret.owner))
        return FALSE;
    if (gCaret.hideLevel > 0)
        --gCaret.hideLevel;
    gCaret.blinkOn = true;
    RefreshCaret();
    return TRUE;
}

BOOL HideCaret(HWND h)
{
    if (!gCaret.owner || (h && Rec(h) != gCaret.owner))
        return FALSE;
    ++gCaret.hideLevel;
    RefreshCaret();
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    if (!gCaret.owner)
        return FALSE;
    RefreshCaret();
    gCaret.pos = {x, y};
    gCaret.blinkOn = true;
    RefreshCaret();
    return TRUE;
}

BOOL GetCaretPos(POINT* p)
{
    if (!gCaret.owner || !p)
        return FALSE;
    *p = gCaret.pos;
    return TRUE;
}

UINT GetCaretBlinkTime() { return 530; }

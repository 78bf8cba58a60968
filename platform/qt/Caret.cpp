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

namespace {

QRect CaretScreenRect()
{
    TRect r = CaretRectInImage();
    return QRect(r.Left, r.Top, std::max(1, r.Width()), std::max(1, r.Height()));
}

// The caret blinks only while it shows: a hidden one has nothing to draw.
void StartBlinking()
{
    if (gCaret.timer)
        return;
    gCaret.timer = StartTimer(GetCaretBlinkTime(), [] {
        gCaret.blinkOn = !gCaret.blinkOn;
        if (gCaret.owner && gCaret.owner->widget) {
            gCaret.owner->caretOnlyRepaint = true;
            gCaret.owner->widget->update(CaretScreenRect());
        }
    });
}

void StopBlinking()
{
    if (gCaret.timer)
        StopTimer(gCaret.timer);
    gCaret.timer = 0;
}

}  // namespace

void RefreshCaret()
{
    if (gCaret.owner && gCaret.owner->widget)
        gCaret.owner->widget->update(CaretScreenRect());
}

bool CaretBlinkOnly(WindowRec* w, const QRect& painted)
{
    bool only = w->caretOnlyRepaint && gCaret.owner == w && gCaret.hideLevel == 0 && CaretScreenRect().contains(painted);
    w->caretOnlyRepaint = false;
    return only;
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
    QImage part = w->image.copy(clipped.Left, clipped.Top, clipped.Width(), clipped.Height())
                      .convertToFormat(QImage::Format_RGB32);
    // The caret's shape is XORed onto what lies under it: white inverts, black leaves alone.
    const QImage& shape = gCaret.shape;
    for (int y = 0; y < part.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(part.scanLine(y));
        int sy = clipped.Top - r.Top + y;
        for (int x = 0; x < part.width(); ++x) {
            int sx = clipped.Left - r.Left + x;
            QRgb mask = shape.isNull() ? (gCaret.gray ? 0x808080u : 0xFFFFFFu)
                                       : (sx < shape.width() && sy < shape.height() ? shape.pixel(sx, sy) & 0xFFFFFFu : 0u);
            row[x] ^= mask;
        }
    }
    p.drawImage(clipped.Left, clipped.Top, part);
}

}  // namespace morvik::qtwin

// ---- Caret ----------------------------------------------------------------------------------------
BOOL CreateCaret(HWND h, HBITMAP bitmap, int width, int height)
{
    WindowRec* w = Rec(h);
    if (!w)
        return FALSE;
    DestroyCaret();
    gCaret.owner = w;
    gCaret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
    gCaret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    // A bitmap gives the caret its shape and size; the handle 1 asks for a gray caret.
    if (reinterpret_cast<std::uintptr_t>(bitmap) == 1) {
        gCaret.gray = true;
    } else if (const QImage* img = BitmapImage(bitmap)) {
        gCaret.shape = img->convertToFormat(QImage::Format_RGB32);
        gCaret.width = img->width();
        gCaret.height = img->height();
    }
    gCaret.hideLevel = 1;
    gCaret.blinkOn = true;
    gCaret.pos = {0, 0};
    return TRUE;
}

BOOL DestroyCaret()
{
    if (!gCaret.owner)
        return FALSE;
    RefreshCaret();
    StopBlinking();
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
    if (gCaret.hideLevel == 0)
        StartBlinking();
    RefreshCaret();
    return TRUE;
}

BOOL HideCaret(HWND h)
{
    if (!gCaret.owner || (h && Rec(h) != gCaret.owner))
        return FALSE;
    ++gCaret.hideLevel;
    StopBlinking();
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

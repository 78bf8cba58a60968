// The keyboard's auto-repeat timing. On X11 the desktop hands its setting to the server's keyboard
// extension, so that is asked; elsewhere the toolkit's rate stands, after a half-second delay.
#include <QGuiApplication>
#include <QStyleHints>
#include <QtGui/qguiapplication_platform.h>

#include "platform/Backend.h"
#include "platform/qt/WindowRec.h"

#if QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#endif

namespace morvik::qtwin {

void KeyboardRepeat(int& DelayMs, int& IntervalMs)
{
    morvik::backend::EnsureToolkit();
    DelayMs = 500;
    const int rate = QGuiApplication::styleHints()->keyboardAutoRepeatRate();
    IntervalMs = rate > 0 ? (1000 + rate / 2) / rate : 33;
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    unsigned delay = 0, interval = 0;
    if (display && XkbGetAutoRepeatRate(display, XkbUseCoreKbd, &delay, &interval) && delay > 0 && interval > 0) {
        DelayMs = int(delay);
        IntervalMs = int(interval);
    }
#endif
}

}  // namespace morvik::qtwin

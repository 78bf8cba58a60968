// The message a window manager sends a window whose close button was pressed.
#include <X11/Xlib.h>

#include <string>

namespace x11test {

bool SendDeleteWindow(const std::string& DisplayName, unsigned long Window)
{
    Display* x = XOpenDisplay(DisplayName.c_str());
    if (!x)
        return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = Window;
    e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x, Window, False, NoEventMask, &e) != 0;
    XCloseDisplay(x);
    return sent;
}

}  // namespace x11test

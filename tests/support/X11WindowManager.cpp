// What a window manager does to the program's windows: closes one when its close button is
// pressed, takes the clicks made with Alt held (to move windows by Alt+drag) and Alt+Tab.
// In a file of its own: Xlib's names (Screen, None, Bool) clash with the platform's.
#include <X11/Xlib.h>
#include <X11/keysym.h>

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

bool ActAsWindowManager()
{
    // The grab lasts as long as the connection: it stays open until the program ends.
    static Display* manager = XOpenDisplay(nullptr);
    if (!manager)
        return false;
    // Alt with or without Caps Lock and Num Lock, as window managers grab it.
    const Window root = DefaultRootWindow(manager);
    for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)}) {
        XGrabButton(manager, AnyButton, Mod1Mask | locks, root, False,
                    ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None, None);
        XGrabKey(manager, XKeysymToKeycode(manager, XK_Tab), Mod1Mask | locks, root, False, GrabModeAsync,
                 GrabModeAsync);
    }
    XSync(manager, False);
    return true;
}

}  // namespace x11test

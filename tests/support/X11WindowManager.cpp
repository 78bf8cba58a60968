// A window manager's grabs: the clicks made with Alt held (to move windows by Alt+drag) and
// Alt+Tab. In a file of its own: Xlib's names (Screen, None, Bool) clash with the platform's.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace x11test {

bool ActAsWindowManager()
{
    // The grab lasts as long as the connection: it stays open until the program ends.
    static Display* manager = XOpenDisplay(nullptr);
    if (!manager)
        return false;
    // The test display starts with Caps Lock and Num Lock off: Alt alone is grabbed.
    const Window root = DefaultRootWindow(manager);
    XGrabButton(manager, AnyButton, Mod1Mask, root, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                GrabModeAsync, GrabModeAsync, None, None);
    XGrabKey(manager, XKeysymToKeycode(manager, XK_Tab), Mod1Mask, root, False, GrabModeAsync, GrabModeAsync);
    XSync(manager, False);
    return true;
}

}  // namespace x11test

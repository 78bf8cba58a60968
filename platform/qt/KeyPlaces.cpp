// Where a key stands on the keyboard. A program's keys (menu letters, Alt and Ctrl commands) are
// named by the Latin layout's keys: a letter key of a Cyrillic or Greek layout is known by the Latin
// letter at its place, while it types the layout's own letter.
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>

#include "platform/qt/WindowRec.h"

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace morvik::qtwin {

namespace {

// The US keyboard's unshifted characters by the display's key code (evdev's, as X and the other
// window systems number the keys), from the digit row's 1 (code 10) on; blanks are other keys.
constexpr char UsPlaces[] = "1234567890-=  qwertyuiop[]  asdfghjkl;'` \\zxcvbnm,./";
constexpr unsigned FirstPlace = 10;

char UsCharAt(unsigned code)
{
    if (code < FirstPlace || code - FirstPlace >= sizeof UsPlaces - 1)
        return 0;
    const char c = UsPlaces[code - FirstPlace];
    return c == ' ' ? 0 : c;
}

// The character the keymap's Latin layout gives at the key, asked of the display each time, so that
// a layout the user sets while the program runs counts at once; 0 when no layout of the keymap is
// Latin there, or the display is not X.
char KeymapLatinCharAt(unsigned code)
{
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || code < 8 || code > 255)
        return 0;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, xcb_keycode_t(code), 1), nullptr);
    if (!reply)
        return 0;
    // The symbols run group by group, each group's unshifted one first: the first printable ASCII
    // symbol is the Latin layout's key.
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int n = xcb_get_keyboard_mapping_keysyms_length(reply);
    char found = 0;
    for (int i = 0; i < n && !found; ++i)
        if (syms[i] > 0x20 && syms[i] < 0x7f)
            found = char(syms[i]);
    std::free(reply);
    return found;
#else
    (void)code;
    return 0;
#endif
}

}  // namespace

Word LatinPlaceKey(unsigned code)
{
    char c = KeymapLatinCharAt(code);
    if (!c)
        c = UsCharAt(code);
    if (c >= 'a' && c <= 'z')
        c = char(c - 'a' + 'A');
    return c ? VirtualKeyOf(c, Qt::NoModifier) : 0;
}

}  // namespace morvik::qtwin

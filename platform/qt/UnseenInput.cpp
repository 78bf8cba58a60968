// What the X display reports of the user's input that never reaches a window of ours as the
// toolkit's events: a dead key the input method keeps, a key or a click another program grabs (a
// window switcher's Alt+Tab, a window manager's Alt+drag), a wheel turn anywhere. Each came
// between Alt's press and its release, so Alt was not pressed alone. The server tells every key and button, grabbed or not, to a client that asks for
// the raw events on the root window.
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <sys/uio.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/Backend.h"
#include "platform/qt/WindowRec.h"

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#endif

namespace morvik::qtwin {

#if QT_CONFIG(xcb)
namespace {

// XInput 2 as the protocol numbers it (the first 32 bytes of its events are laid out alike, so no
// header of the extension is needed).
constexpr std::uint16_t XiKeyPress = 2, XiButtonPress = 4, XiRawKeyPress = 13, XiRawButtonPress = 15;
constexpr std::uint8_t XiSelectEvents = 46;
constexpr std::uint16_t XiAllMasterDevices = 1;

class UnseenInputWatch : public QAbstractNativeEventFilter {
public:
    explicit UnseenInputWatch(std::uint8_t XInput) : FXInput(XInput) {}

    bool nativeEventFilter(const QByteArray& Type, void* Message, qintptr*) override
    {
        if (Type != "xcb_generic_event_t")
            return false;
        const auto* e = static_cast<const std::uint8_t*>(Message);
        // A button pressed anywhere, in another program's window too, ends the keys' walk of the
        // menu bar; once this event has been handled, as the press may be one on the bar itself.
        if (XiKind(e) == XiRawButtonPress)
            morvik::backend::Post([] { morvik::backend::LeaveMenuBar(); });
        if (gAltAlone && Between(e))
            gAltAlone = false;
        return false;
    }

private:
    // The kind of an XInput 2 event; 0 for every other event.
    std::uint16_t XiKind(const std::uint8_t* e) const
    {
        std::uint16_t kind = 0;
        if ((e[0] & 0x7f) == XCB_GE_GENERIC && FXInput && e[1] == FXInput)
            std::memcpy(&kind, e + 8, sizeof kind);
        return kind;
    }

    bool Between(const std::uint8_t* e) const
    {
        switch (e[0] & 0x7f) {
        case XCB_KEY_PRESS:
            return e[1] != gAltKeycode;  // Alt's own repeat is not a key between
        case XCB_BUTTON_PRESS:
            return true;
        case XCB_GE_GENERIC: {
            const std::uint16_t kind = XiKind(e);
            if (kind == XiKeyPress || kind == XiRawKeyPress) {
                std::uint32_t code = 0;
                std::memcpy(&code, e + 16, sizeof code);
                return code != gAltKeycode;
            }
            return kind == XiButtonPress || kind == XiRawButtonPress;
        }
        default:
            return false;
        }
    }

    std::uint8_t FXInput;
};

// Asks for the raw key and button presses of the whole display on the toolkit's connection, which
// has told the server already which version of XInput 2 it speaks.
void SelectRawPresses(xcb_connection_t* c, xcb_window_t root)
{
    static xcb_extension_t xinput = {"XInputExtension", 0};
    struct {
        std::uint8_t major = 0, minor = 0;  // filled in by the library
        std::uint16_t length = 0;
        std::uint32_t window;
        std::uint16_t masks = 1, pad = 0;
    } request;
    request.window = root;
    struct {
        std::uint16_t device = XiAllMasterDevices, words = 1;
        std::uint32_t bits = (1u << XiRawKeyPress) | (1u << XiRawButtonPress);
    } mask;
    iovec parts[4];
    parts[2] = {&request, sizeof request};
    parts[3] = {&mask, sizeof mask};
    const xcb_protocol_request_t what = {2, &xinput, XiSelectEvents, 1};
    xcb_send_request(c, 0, parts + 2, &what);
    xcb_flush(c);
}

}  // namespace
#endif

void WatchUnseenInput()
{
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return;
    static const char name[] = "XInputExtension";
    xcb_query_extension_reply_t* reply =
        xcb_query_extension_reply(c, xcb_query_extension(c, sizeof name - 1, name), nullptr);
    const std::uint8_t xinput = reply && reply->present ? reply->major_opcode : 0;
    std::free(reply);
    static UnseenInputWatch watch(xinput);
    qGuiApp->installNativeEventFilter(&watch);
    if (xinput)
        if (const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data)
            SelectRawPresses(c, screen->root);
#endif
}

}  // namespace morvik::qtwin

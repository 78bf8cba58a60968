// What the X display reports of the user's input that never reaches a window of ours as the
// toolkit's events: a dead key the input method keeps, a click (or wheel turn) a window manager
// takes for itself, as those that move windows with Alt+drag do. Each came between Alt's press and
// its release, so Alt was not pressed alone.
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/qt/WindowRec.h"

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace morvik::qtwin {

#if QT_CONFIG(xcb)
namespace {

// The XInput 2 events the toolkit takes the mouse by (the layout of their first 32 bytes is the
// protocol's; no header of the extension is needed for it).
constexpr std::uint16_t XiKeyPress = 2, XiButtonPress = 4, XiLeave = 8;
// A crossing the server makes because another client grabbed the pointer.
constexpr std::uint8_t NotifyGrab = 1;

class UnseenInputWatch : public QAbstractNativeEventFilter {
public:
    explicit UnseenInputWatch(std::uint8_t XInput) : FXInput(XInput) {}

    bool nativeEventFilter(const QByteArray& Type, void* Message, qintptr*) override
    {
        if (gAltAlone && Type == "xcb_generic_event_t" && Between(static_cast<const std::uint8_t*>(Message)))
            gAltAlone = false;
        return false;
    }

private:
    bool Between(const std::uint8_t* e) const
    {
        switch (e[0] & 0x7f) {
        case XCB_KEY_PRESS:
            return e[1] != gAltKeycode;  // Alt's own repeat is not a key between
        case XCB_BUTTON_PRESS:
            return true;
        case XCB_LEAVE_NOTIFY:
            return reinterpret_cast<const xcb_leave_notify_event_t*>(e)->mode == NotifyGrab;
        case XCB_GE_GENERIC: {
            if (!FXInput || e[1] != FXInput)
                return false;
            std::uint16_t kind = 0;
            std::memcpy(&kind, e + 8, sizeof kind);
            if (kind == XiKeyPress) {
                std::uint32_t code = 0;
                std::memcpy(&code, e + 16, sizeof code);
                return code != gAltKeycode;
            }
            return kind == XiButtonPress || (kind == XiLeave && e[18] == NotifyGrab);
        }
        default:
            return false;
        }
    }

    std::uint8_t FXInput;
};

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
#endif
}

}  // namespace morvik::qtwin

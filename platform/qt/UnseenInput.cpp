// What the X display tells the program's own windows that never reaches them as the toolkit's
// events: a dead key the input method keeps, and another program grabbing the pointer or the
// keyboard (a window manager's Alt+drag, a window switcher's Alt+Tab, a screen locker). Each comes
// between Alt's press and its release, so Alt was not pressed alone; a grab also takes the keys away
// from the menu bar's walk. Nothing is asked of the display beyond what it tells these windows.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/Backend.h"
#include "platform/qt/WindowRec.h"

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace morvik::qtwin {

#if QT_CONFIG(xcb)
namespace {

// XInput 2 as the protocol numbers it (the first 32 bytes of its events are laid out alike, so no
// header of the extension is needed).
constexpr std::uint16_t XiKeyPress = 2, XiButtonPress = 4, XiLeave = 8;
// Crossing and focus modes: a grab starting; XInput 2 tells a passive one (a grabbed key or button
// pressed) apart.
constexpr std::uint8_t NotifyGrab = 1, XiNotifyPassiveGrab = 4;

class UnseenInputWatch : public QAbstractNativeEventFilter {
public:
    explicit UnseenInputWatch(std::uint8_t XInput) : FXInput(XInput) {}

    bool nativeEventFilter(const QByteArray& Type, void* Message, qintptr*) override
    {
        if (Type != "xcb_generic_event_t")
            return false;
        const auto* e = static_cast<const std::uint8_t*>(Message);
        if (GrabbedAway(e)) {
            gAltAlone = false;
            // A popup of ours grabs too, and the walk goes on in the menu it opened.
            if (!QApplication::activePopupWidget())
                morvik::backend::Post([] { morvik::backend::LeaveMenuBar(); });
        } else if (gAltAlone && Pressed(e)) {
            gAltAlone = false;
        }
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

    // A key or button pressed in a window of ours; Alt's own repeat is not one.
    bool Pressed(const std::uint8_t* e) const
    {
        switch (e[0] & 0x7f) {
        case XCB_KEY_PRESS:
            return e[1] != gAltKeycode;
        case XCB_BUTTON_PRESS:
            return true;
        default:
            break;
        }
        const std::uint16_t kind = XiKind(e);
        if (kind == XiKeyPress) {
            std::uint32_t code = 0;
            std::memcpy(&code, e + 16, sizeof code);
            return code != gAltKeycode;
        }
        return kind == XiButtonPress;
    }

    // The pointer left a window of ours, or the focus did, because a grab started.
    bool GrabbedAway(const std::uint8_t* e) const
    {
        switch (e[0] & 0x7f) {
        case XCB_LEAVE_NOTIFY:
            return reinterpret_cast<const xcb_leave_notify_event_t*>(e)->mode == NotifyGrab;
        case XCB_FOCUS_OUT:
            return reinterpret_cast<const xcb_focus_out_event_t*>(e)->mode == NotifyGrab;
        default:
            break;
        }
        return XiKind(e) == XiLeave && (e[18] == NotifyGrab || e[18] == XiNotifyPassiveGrab);
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

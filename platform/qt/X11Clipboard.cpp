// Asks the owner of the X11 clipboard for its formats on a connection of our own, so that the wait
// for an answer has a bound of ours and the toolkit's connection is not disturbed.
#include "platform/qt/X11Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace morvik::qtclip {

int OwnerAnswerMs = 1000;

namespace {

struct Probe {
    xcb_connection_t* c = nullptr;
    xcb_window_t win = 0;
    xcb_atom_t clipboard = 0;
    xcb_atom_t primary = 0;
    xcb_atom_t targets = 0;
    xcb_atom_t property = 0;
    bool failed = false;
};

// The last owner of a selection found silent, and when.
struct Silence {
    xcb_window_t owner = 0;
    std::chrono::steady_clock::time_point since;
};

Probe& P()
{
    static Probe p;
    return p;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r != nullptr ? r->atom : 0;
    std::free(r);
    return a;
}

bool Open()
{
    Probe& p = P();
    if (p.c != nullptr || p.failed) return p.c != nullptr;
    int screenNo = 0;
    p.c = xcb_connect(nullptr, &screenNo);
    if (xcb_connection_has_error(p.c)) {
        xcb_disconnect(p.c);
        p.c = nullptr;
        p.failed = true;
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(p.c));
    for (int i = 0; i < screenNo && it.rem > 1; ++i) xcb_screen_next(&it);
    p.win = xcb_generate_id(p.c);
    xcb_create_window(p.c, XCB_COPY_FROM_PARENT, p.win, it.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    p.clipboard = Atom(p.c, "CLIPBOARD");
    p.primary = Atom(p.c, "PRIMARY");
    p.targets = Atom(p.c, "TARGETS");
    p.property = Atom(p.c, "MORVIK_CLIPBOARD_PROBE");
    xcb_flush(p.c);
    return true;
}

bool OwnerAnswers(bool primary)
{
    static Silence silence[2];
    Silence& quiet = silence[primary ? 1 : 0];
    const bool ours = primary ? QGuiApplication::clipboard()->ownsSelection() : QGuiApplication::clipboard()->ownsClipboard();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || ours)
        return true;
    if (!Open()) return true;
    Probe& p = P();
    const xcb_atom_t selection = primary ? p.primary : p.clipboard;
    xcb_get_selection_owner_reply_t* r = xcb_get_selection_owner_reply(p.c, xcb_get_selection_owner(p.c, selection), nullptr);
    const xcb_window_t owner = r != nullptr ? r->owner : XCB_NONE;
    std::free(r);
    if (owner == XCB_NONE) return true;
    const auto now = std::chrono::steady_clock::now();
    if (owner == quiet.owner && now - quiet.since < std::chrono::seconds(5)) return false;
    // Answers to earlier questions that came too late are dropped first.
    while (xcb_generic_event_t* e = xcb_poll_for_event(p.c)) std::free(e);
    xcb_convert_selection(p.c, p.win, selection, p.targets, p.property, XCB_CURRENT_TIME);
    xcb_flush(p.c);
    const auto deadline = now + std::chrono::milliseconds(OwnerAnswerMs);
    bool answered = false;
    while (!answered && !xcb_connection_has_error(p.c)) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(p.c)) {
            if ((e->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                reinterpret_cast<xcb_selection_notify_event_t*>(e)->requestor == p.win)
                answered = true;
            std::free(e);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (answered || left <= 0) break;
        pollfd pf{xcb_get_file_descriptor(p.c), POLLIN, 0};
        poll(&pf, 1, static_cast<int>(left));
    }
    if (answered) {
        xcb_delete_property(p.c, p.win, p.property);
        xcb_flush(p.c);
        quiet.owner = 0;
    } else {
        quiet.owner = owner;
        quiet.since = now;
    }
    return answered;
}

}  // namespace

bool ClipboardOwnerAnswers() { return OwnerAnswers(false); }
bool PrimaryOwnerAnswers() { return OwnerAnswers(true); }

}  // namespace morvik::qtclip

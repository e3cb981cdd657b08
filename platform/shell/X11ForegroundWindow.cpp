#include "X11ForegroundWindow.h"

#include "ForegroundProcess.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace dawnbell {

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 1, static_cast<uint16_t>(strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(c, cookie, nullptr),
                                                                        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// One 32-bit item of `property` of `window`; false when absent or malformed.
bool Property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint32_t* out)
{
    const xcb_get_property_cookie_t cookie = xcb_get_property(c, 0, window, property, type, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                                         &std::free);
    if (!reply || reply->format != 32 || reply->type != type || xcb_get_property_value_length(reply.get()) < 4)
        return false;
    *out = *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return true;
}

} // namespace

int64_t X11ForegroundWindow::ProcessId()
{
    if (!qGuiApp)
        return 0;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || xcb_connection_has_error(c))
        return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return 0;
    const xcb_atom_t active = Atom(c, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t wmPid = Atom(c, "_NET_WM_PID");
    if (active == XCB_ATOM_NONE || wmPid == XCB_ATOM_NONE)
        return 0;
    uint32_t window = 0, pid = 0;
    if (!Property32(c, screen->root, active, XCB_ATOM_WINDOW, &window) || window == 0)
        return 0;
    if (!Property32(c, window, wmPid, XCB_ATOM_CARDINAL, &pid))
        return 0;
    return pid;
}

std::string X11ForegroundWindow::ProgramName() { return ProcessFileName(ProcessId()); }

} // namespace dawnbell

#pragma once
// The foreground on Wayland, where the compositor offers the foreign-toplevel
// protocol (zwlr_foreign_toplevel_manager_v1, as wlroots-based compositors and
// phone shells such as Phosh do): the toplevel whose state says "activated",
// and its application id. A compositor that does not offer it (GNOME, KDE,
// Weston) gives no answer, and the foreground stays unknown.
//
// Uses its own connection to the compositor (WAYLAND_DISPLAY), kept open; each
// question waits for one round trip, so the answer is as fresh as the compositor's.
#include "ForegroundWindow.h"

#include <list>
#include <memory>

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace dawnbell {

class WaylandForegroundWindow : public ForegroundWindow {
public:
    WaylandForegroundWindow();
    ~WaylandForegroundWindow() override;
    WaylandForegroundWindow(const WaylandForegroundWindow&) = delete;
    WaylandForegroundWindow& operator=(const WaylandForegroundWindow&) = delete;

    // The program of the activated toplevel's application id
    // (ProgramOfApplicationId); empty when none is known.
    std::string ProgramName() override;
    // The activated toplevel's application id as the compositor tells it;
    // empty when none is activated or the compositor does not tell.
    std::string ActiveApplicationId();

    // One toplevel as the compositor last described it (applied at its "done").
    struct Toplevel {
        WaylandForegroundWindow* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        std::string appId, pendingAppId;
        bool activated = false, pendingActivated = false;
    };

private:
    void Disconnect();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::list<std::unique_ptr<Toplevel>> toplevels_; // every toplevel the compositor announced and not closed

    friend struct WaylandListeners;
};

} // namespace dawnbell

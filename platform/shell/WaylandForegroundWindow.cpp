#include "WaylandForegroundWindow.h"

#include "ForegroundProcess.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace dawnbell {

namespace {
// The protocol version this back-end understands (events up to "parent").
constexpr uint32_t kManagerVersion = 3;
// Longest application id kept, bytes; compositors pass on what clients set.
constexpr size_t kMaxAppId = 255;
} // namespace

// The protocol's listeners; they reach the window's private lists.
struct WaylandListeners {
    using Toplevel = WaylandForegroundWindow::Toplevel;

    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        auto* self = static_cast<WaylandForegroundWindow*>(data);
        if (self->manager_ || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
            return;
        self->manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, kManagerVersion)));
        zwlr_foreign_toplevel_manager_v1_add_listener(self->manager_, &kManager, self);
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}

    static void NewToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle)
    {
        auto* self = static_cast<WaylandForegroundWindow*>(data);
        auto toplevel = std::make_unique<Toplevel>();
        toplevel->owner = self;
        toplevel->handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevel, toplevel.get());
        self->toplevels_.push_back(std::move(toplevel));
    }
    static void Finished(void* data, zwlr_foreign_toplevel_manager_v1* manager)
    {
        auto* self = static_cast<WaylandForegroundWindow*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self->manager_ = nullptr;
    }

    static void Title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void AppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId)
    {
        auto* t = static_cast<Toplevel*>(data);
        t->pendingAppId = appId ? std::string(appId, strnlen(appId, kMaxAppId)) : std::string();
    }
    static void OutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void State(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states)
    {
        auto* t = static_cast<Toplevel*>(data);
        t->pendingActivated = false;
        const auto* items = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
            t->pendingActivated = t->pendingActivated || items[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    }
    static void Done(void* data, zwlr_foreign_toplevel_handle_v1*)
    {
        auto* t = static_cast<Toplevel*>(data);
        t->appId = t->pendingAppId;
        t->activated = t->pendingActivated;
    }
    static void Closed(void* data, zwlr_foreign_toplevel_handle_v1* handle)
    {
        auto* t = static_cast<Toplevel*>(data);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        t->owner->toplevels_.remove_if([t](const std::unique_ptr<Toplevel>& p) { return p.get() == t; });
    }
    static void Parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr wl_registry_listener kRegistry = {Global, GlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManager = {NewToplevel, Finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevel = {Title,       AppId, OutputEnter,
                                                                           OutputLeave, State, Done,
                                                                           Closed,      Parent};
};

WaylandForegroundWindow::WaylandForegroundWindow()
{
    display_ = wl_display_connect(nullptr);
    if (!display_)
        return;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &WaylandListeners::kRegistry, this);
    // The first round trip announces the globals, the second the toplevels.
    if (wl_display_roundtrip(display_) < 0 || !manager_ || wl_display_roundtrip(display_) < 0)
        Disconnect();
}

WaylandForegroundWindow::~WaylandForegroundWindow() { Disconnect(); }

void WaylandForegroundWindow::Disconnect()
{
    if (!display_)
        return;
    for (const std::unique_ptr<Toplevel>& t : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
    toplevels_.clear();
    if (manager_)
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    manager_ = nullptr;
    if (registry_)
        wl_registry_destroy(registry_);
    registry_ = nullptr;
    wl_display_disconnect(display_);
    display_ = nullptr;
}

std::string WaylandForegroundWindow::ActiveApplicationId()
{
    // A broken connection (the compositor went away) is given up for good.
    if (!display_ || wl_display_roundtrip(display_) < 0 || !manager_) {
        Disconnect();
        return {};
    }
    for (const std::unique_ptr<Toplevel>& t : toplevels_) {
        if (t->activated)
            return t->appId;
    }
    return {};
}

std::string WaylandForegroundWindow::ProgramName()
{
    const std::string appId = ActiveApplicationId();
    return appId.empty() ? std::string() : ProgramOfApplicationId(appId);
}

} // namespace dawnbell

// The entry points of libdawnbell-setup.so, looked up by name by the package
// installer. Everything else in the library is hidden.
#include "DisplayApplication.h"
#include "SetupApi.h"
#include "SetupHooks.h"

#include "Registry.h"

#define DAWNBELL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Each hook ends with the library's own store connection closed: the installer
// unloads the library after the last hook, and a connection left open would
// keep its file locks and memory with no owner until the installer exits.
struct StoreClosedAfterHook {
    ~StoreClosedAfterHook() { dawnbell::RegCloseStore(); }
};

} // namespace

DAWNBELL_EXPORT int Install_Init(void*, int, int previouslyInstalled, const char* installDir)
{
    StoreClosedAfterHook closed;
    return dawnbell::setup::InstallInit(previouslyInstalled != 0, installDir ? installDir : "");
}

DAWNBELL_EXPORT int Install_Exit(void*, const char* installDir, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t)
{
    StoreClosedAfterHook closed;
    // The first-launch defaults read the language file: a broken one is told on
    // screen when there is a display.
    dawnbell::setup::DisplayApplication display;
    return dawnbell::setup::InstallExit(installDir ? installDir : "");
}

DAWNBELL_EXPORT int Uninstall_Init(void*, const char* installDir)
{
    StoreClosedAfterHook closed;
    return dawnbell::setup::UninstallInit(installDir ? installDir : "");
}

DAWNBELL_EXPORT int Uninstall_Exit(void*)
{
    StoreClosedAfterHook closed;
    return dawnbell::setup::UninstallExit();
}

// The hooks' signatures are the installer's.
static_assert(sizeof(&Install_Init) == sizeof(dawnbell::install::InstallInitFn));

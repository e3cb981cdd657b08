// The one place that knows which foreground back-ends this build has. CMake
// compiles a back-end in when its library is there and defines its
// DAWNBELL_HAVE_* switch; Qt's platform plug-in (the session's window system)
// decides at run time.
#include "ForegroundWindow.h"

#ifdef DAWNBELL_HAVE_X11_FOREGROUND
#include "X11ForegroundWindow.h"
#endif
#ifdef DAWNBELL_HAVE_WAYLAND_FOREGROUND
#include "WaylandForegroundWindow.h"
#endif

#include <QGuiApplication>

#include <memory>

namespace dawnbell {

namespace {
std::unique_ptr<ForegroundWindow> Make()
{
    if (!qGuiApp)
        return nullptr;
    const QString platform = QGuiApplication::platformName();
#ifdef DAWNBELL_HAVE_X11_FOREGROUND
    if (platform == QLatin1String("xcb"))
        return std::make_unique<X11ForegroundWindow>();
#endif
#ifdef DAWNBELL_HAVE_WAYLAND_FOREGROUND
    if (platform.startsWith(QLatin1String("wayland")))
        return std::make_unique<WaylandForegroundWindow>();
#endif
    return nullptr;
}
} // namespace

ForegroundWindow* SessionForegroundWindow()
{
    // The platform plug-in cannot change while the program runs; asked before
    // the application object exists, the answer is "none" and not kept.
    static std::unique_ptr<ForegroundWindow> session;
    static bool made = false;
    if (!made && qGuiApp) {
        session = Make();
        made = true;
    }
    return session.get();
}

} // namespace dawnbell

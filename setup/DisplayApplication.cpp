#include "DisplayApplication.h"

#include "WidgetMessageBox.h"

#include <QApplication>
#include <QByteArray>

namespace dawnbell::setup {

DisplayApplication::DisplayApplication()
{
    InstallWidgetMessageBox();
    if (QCoreApplication::instance())
        return;
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if ((!wayland && !x11) || chosen.startsWith("offscreen") || chosen.startsWith("minimal"))
        return;
    // The arguments outlive the application, which keeps a reference to them.
    static char name[] = "dawnbell-install";
    static char option[] = "-platform";
    static QByteArray platforms;
    static char* argv[4];
    static int argc;
    argc = 0;
    argv[argc++] = name;
    if (chosen.isEmpty()) {
        // Each window system the session names, then none: a display that does
        // not answer falls through to offscreen (boxes on stderr) instead of
        // ending the installer.
        platforms = QByteArray(wayland ? "wayland;" : "") + (x11 ? "xcb;" : "") + "offscreen";
        argv[argc++] = option;
        argv[argc++] = platforms.data();
    }
    argv[argc] = nullptr;
    app_ = std::make_unique<QApplication>(argc, argv);
}

DisplayApplication::~DisplayApplication() = default;

} // namespace dawnbell::setup

#include "DisplayChoice.h"

#include <QStringList>

namespace dawnbell {

namespace {

const QString kOffscreen = QStringLiteral("offscreen");

QString Variable(const char* name) { return qEnvironmentVariable(name); }

} // namespace

QString DisplayChoice::Missing()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return QString();
    return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
}

QString DisplayChoice::PlatformList()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return QString();
    const bool x11 = qEnvironmentVariableIsSet("DISPLAY");
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!x11 && !wayland)
        return QString();
    // Qt 6 takes xcb unless the session is a Wayland one; on GNOME it keeps xcb
    // (XWayland) even then.
    const QString desktop = (Variable("XDG_CURRENT_DESKTOP") + QLatin1Char(':') + Variable("XDG_SESSION_DESKTOP")).toLower();
    const bool waylandFirst = Variable("XDG_SESSION_TYPE") == QLatin1String("wayland") &&
                              !desktop.contains(QLatin1String("gnome"));
    QStringList list;
    list << (waylandFirst ? QStringLiteral("wayland") : QStringLiteral("xcb"));
    if (waylandFirst && x11)
        list << QStringLiteral("xcb");
    if (!waylandFirst && wayland)
        list << QStringLiteral("wayland");
    list << kOffscreen;
    return list.join(QLatin1Char(';'));
}

QString DisplayChoice::Unreachable(const QString& platformList, const QString& platformInUse)
{
    if (platformList.isEmpty() || platformInUse != kOffscreen)
        return QString();
    QStringList named;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        named << QStringLiteral("the Wayland display %1").arg(Variable("WAYLAND_DISPLAY"));
    if (qEnvironmentVariableIsSet("DISPLAY"))
        named << QStringLiteral("the X display %1").arg(Variable("DISPLAY"));
    return named.join(QLatin1String(" and ")) + QStringLiteral(" could not be opened");
}

} // namespace dawnbell

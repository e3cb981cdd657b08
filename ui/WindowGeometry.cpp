#include "WindowGeometry.h"

#include "Scaling.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace dawnbell {

namespace {
// The largest handheld screen class, device pixels (long and short side).
constexpr int kHandheldLongSide = 800;
constexpr int kHandheldShortSide = 480;
} // namespace

bool IsDesktopDisplay(int deviceWidth, int deviceHeight)
{
    if (deviceWidth <= 0 || deviceHeight <= 0)
        return false;
    const int longSide = std::max(deviceWidth, deviceHeight);
    const int shortSide = std::min(deviceWidth, deviceHeight);
    return longSide > kHandheldLongSide || shortSide > kHandheldShortSide;
}

bool OnDesktop()
{
    const ScreenGeometry g = CurrentScreen();
    return IsDesktopDisplay(g.deviceWidth, g.deviceHeight);
}

QRect AvailableArea(const QWidget* w)
{
    const ScreenGeometry g = CurrentScreen();
    if (g.emulated)
        return QRect(0, 0, g.logicalWidth, g.logicalHeight);
    const QScreen* screen = w ? w->screen() : nullptr;
    if (!screen && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

bool OnSomeDisplay(const QRect& r)
{
    if (CurrentScreen().emulated)
        return AvailableArea().contains(r.center());
    return QGuiApplication::screenAt(r.center()) != nullptr;
}

void PlaceWindow(QWidget* w, const QSize& desktopSize)
{
    const QRect area = AvailableArea(w);
    if (area.isEmpty())
        return;
    if (!OnDesktop()) {
        w->setGeometry(area);
        return;
    }
    const QSize size = (desktopSize.isEmpty() ? w->size() : desktopSize).boundedTo(area.size());
    w->setGeometry(QRect(area.x() + (area.width() - size.width()) / 2,
                         area.y() + (area.height() - size.height()) / 2, size.width(), size.height()));
}

} // namespace dawnbell

#include "WindowPlacement.h"

#include "Scaling.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace dawnbell {

QRect ScreenRect(const QWidget* w)
{
    const ScreenGeometry g = CurrentScreen();
    if (g.emulated || !w->screen())
        return QRect(0, 0, g.logicalWidth, g.logicalHeight);
    return w->screen()->geometry();
}

void FitDensities(const QSize& design, const QSize& screen, int* dpiX, int* dpiY)
{
    *dpiX = dpi_x();
    *dpiY = dpi_y();
    if (design.isEmpty() || screen.isEmpty())
        return;
    const int baseX = *dpiX, baseY = *dpiY;
    for (int percent = 100; percent > 1; --percent) {
        *dpiX = std::max(1, baseX * percent / 100);
        *dpiY = std::max(1, baseY * percent / 100);
        if (mul_div_round(design.width(), *dpiX, 96) <= screen.width()
            && mul_div_round(design.height(), *dpiY, 96) <= screen.height())
            return;
    }
}

QPoint CentredOn(const QRect& screen, const QSize& size)
{
    return QPoint(screen.x() + (screen.width() - size.width()) / 2,
                  screen.y() + (screen.height() - size.height()) / 2);
}

} // namespace dawnbell

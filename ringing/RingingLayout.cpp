#include "RingingLayout.h"

#include <algorithm>

namespace dawnbell {

RingingLayout ComputeRingingLayout(const QSize& size, int dpi, int style, bool soundControls, bool snooze)
{
    RingingLayout l;
    const int u = ((dpi + 24) * 2) / 96;
    l.unit = u;
    const int W = size.width();
    const int H = size.height();
    const int m = W - 4 * u;

    l.clock = QRect(2 * u, 2 * u, m, 18 * u);

    // R: the bottom reserve of the sound controls.
    int R = 0;
    l.soundControls = soundControls;
    if (soundControls) {
        const int v = (dpi * 10 + 48) / 96;
        const int b = H - 11 * u;
        l.vibrate = QRect(2 * u, b - 2 * u, v + 35 * u, 11 * u);
        l.slider = QRect(v + 39 * u, b - 2 * u, std::max(0, W - 8 * u - v - 35 * u - 11 * u), 11 * u);
        l.skip = QRect(W - 13 * u, b - 2 * u, 11 * u, 11 * u);
        R = 13 * u;
    }

    const QRect smallEnd(W / 2 - 25 * u, H - R - 16 * u, 50 * u, 12 * u);
    switch (std::clamp(style, 0, 2)) {
    case 0:
        l.title = QRect(2 * u, 20 * u, m, 25 * u);
        l.end = smallEnd;
        l.smallEnd = true;
        l.countdown = QRect(2 * u, H - R - 11 * u, 25 * u, 7 * u);
        if (snooze)
            l.hint = QRect(2 * u, 45 * u, m, 7 * u);
        l.message = QRect(2 * u, 52 * u, m, std::max(0, H - R - 68 * u));
        break;
    case 1: {
        l.title = QRect(2 * u, 20 * u, m, 25 * u);
        const int endHeight = H - 54 * u - R - 25 * u;
        if (snooze)
            l.hint = QRect(2 * u, 45 * u, m, 7 * u);
        if (endHeight >= 12 * u) {
            l.end = QRect(2 * u, 77 * u, m, endHeight);
            l.message = QRect(2 * u, 52 * u, m, 25 * u);
        } else { // a display too short for the medium button gets the small one, as in layout 0
            l.end = smallEnd;
            l.smallEnd = true;
            l.message = QRect(2 * u, 52 * u, m, std::max(0, H - R - 68 * u));
        }
        break;
    }
    default:
        if (snooze) {
            l.hint = QRect(2 * u, 22 * u, m, 7 * u);
            l.end = QRect(2 * u, 31 * u, m, std::max(0, H - R - 33 * u));
        } else {
            l.end = QRect(2 * u, 22 * u, m, std::max(0, H - R - 24 * u));
        }
        break;
    }
    return l;
}

} // namespace dawnbell

#pragma once
// Where the ringing window's controls stand, computed from the window size, the
// display density and three of the alarm's fields. All lengths are logical
// pixels; u = ((dpi + 24) * 2) / 96 is the layout unit (2 at 96 dpi).
#include <QRect>
#include <QSize>

namespace dawnbell {

struct RingingLayout {
    int unit = 2;          // u
    QRect clock;           // the clock label
    QRect title;           // the title label (layouts 0 and 1)
    QRect message;         // the message label (layouts 0 and 1)
    QRect hint;            // "Tap to snooze..." (only with snooze; empty otherwise)
    QRect countdown;       // the layout-0 countdown label (empty in layouts 1 and 2)
    QRect end;             // "End alarm"
    bool smallEnd = false; // the End button is the small one (layout 0, or layout 1 on a short display)
    bool soundControls = false; // the three sound controls are shown
    QRect vibrate;         // vibration check box
    QRect slider;          // player volume slider
    QRect skip;            // ">>"
};

// The layout for a window of `size` at `dpi` (logical, horizontal) with
// `style` (layoutStyle 0 small, 1 medium, 2 big; others are clamped),
// `soundControls` (showSoundControls) and `snooze` (useSnooze). Layout 1 falls
// back to the small End button when the medium one would be under 12u tall; its
// message then ends above the button, as in layout 0.
RingingLayout ComputeRingingLayout(const QSize& size, int dpi, int style, bool soundControls, bool snooze);

} // namespace dawnbell

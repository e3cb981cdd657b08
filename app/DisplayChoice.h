#pragma once
// Which window system the program asks Qt for, and how it learns that there is
// none to open. A program started at an alarm time may find no display in its
// environment (a service started before the desktop session exported one), or
// a display named that is gone; it then rings without one (HeadlessRinging)
// instead of failing.
#include <QString>

namespace dawnbell {

class DisplayChoice {
public:
    // Why no window system can be asked for: a text for the log when neither
    // QT_QPA_PLATFORM, DISPLAY nor WAYLAND_DISPLAY is set, else empty.
    static QString Missing();

    // The platform list to hand Qt ("-platform LIST") when a display is named
    // and QT_QPA_PLATFORM is not set: Qt's own choice first (xcb, or wayland in
    // a Wayland session other than GNOME's, as Qt 6 decides), then the other
    // window system when its variable is set, then "offscreen", so a display that
    // cannot be opened gives the offscreen platform instead of ending the
    // process. Empty when QT_QPA_PLATFORM is set (the user's choice stands) or
    // no display is named.
    static QString PlatformList();

    // After the application object is made with PlatformList(): why the display
    // named could not be opened (e.g. "the display :0 could not be opened"),
    // when Qt fell back to the offscreen platform; else empty.
    static QString Unreachable(const QString& platformList, const QString& platformInUse);
};

} // namespace dawnbell

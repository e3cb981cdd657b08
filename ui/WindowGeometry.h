#pragma once
// Where the program's top-level windows go on the current display. A handheld
// display (one of the screen classes or smaller) gives each window the whole
// area the shell leaves free, as every window of that platform does; a desktop
// or laptop display, larger than every handheld class, gives windows a
// comfortable size of their own instead of stretching them across the screen.
//
// Lengths are logical pixels (Scaling.h).
#include <QRect>
#include <QSize>

class QWidget;

namespace dawnbell {

// True when a display of `deviceWidth` x `deviceHeight` device pixels is larger
// than every handheld screen class: wider or taller than 800 pixels, or with
// both sides above 480. Empty sizes are no desktop.
bool IsDesktopDisplay(int deviceWidth, int deviceHeight);
// The same for the current display (emulated or Qt's primary screen); false
// without a screen.
bool OnDesktop();

// The area a full-screen window fills: the emulated display whole, else the
// available geometry (without panels) of the screen `w` is on, or of the
// primary screen; empty without a screen.
QRect AvailableArea(const QWidget* w = nullptr);

// True when the centre of `r` lies on a display (the emulated one, or any screen).
bool OnSomeDisplay(const QRect& r);

// Sizes and places top-level window `w`: on a handheld it fills AvailableArea;
// on a desktop it gets `desktopSize`, bounded by the available area, centred
// in it. An empty `desktopSize` keeps the window's present size there.
void PlaceWindow(QWidget* w, const QSize& desktopSize);

} // namespace dawnbell

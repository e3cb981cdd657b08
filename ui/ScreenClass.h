#pragma once
// Screen classes: the eleven handheld display geometries, how the current display
// is classified, and which of an alarm's eleven background images fits a class.
//
// Classification works on DEVICE pixels (see Scaling.h for the pixel rules): the
// emulated display DAWNBELL_SCREEN=WxH[@dpi] when it is set and valid, otherwise
// Qt's primary screen (logical size x device pixel ratio).
#include <QSize>
#include <QString>

namespace dawnbell {

class Alarm;

// A display geometry; the value indexes every per-class table.
enum ScreenClass : int {
    ScreenQVGA = 0,            // 240 x 320
    ScreenQVGAWide = 1,        // 320 x 240
    ScreenQVGASquare = 2,      // 320 x 320
    ScreenVGA = 3,             // 480 x 640, and every display not listed
    ScreenVGAWide = 4,         // 640 x 480
    ScreenVGASquare = 5,       // 480 x 480
    ScreenWQVGA = 6,           // 240 x 400
    ScreenWQVGALandscape = 7,  // 400 x 240
    ScreenWVGA = 8,            // 480 x 800
    ScreenWVGALandscape = 9,   // 800 x 480
    ScreenSquare = 10,         // 240 x 240
    ScreenClassCount = 11
};

// Class of a display of w x h device pixels; class 3 for every size not listed.
ScreenClass classify_screen(int w, int h);
// Class of the current display (emulated or Qt's primary screen, device pixels).
// Without a screen (no GUI application and no emulation) the result is class 3.
ScreenClass classify_screen();

// Nominal resolution of a class (portrait first for the portrait classes);
// an invalid size for a value outside 0-10.
QSize ScreenClassResolution(int cls);
// The alarm's image field (BackImageField) that belongs to a class; -1 outside 0-10.
int ScreenClassImageField(int cls);
// File-name suffix of the built-in template images of a class, e.g.
// "QVGALandscape" for class 1; "" outside 0-10.
const char* ScreenClassImageSuffix(int cls);

// The first non-empty image of `images` (indexed by BackImageField) in the
// fallback order of class `cls`; "" when all eleven are empty. A class outside
// 0-10 uses the order of class 3, the class of unknown displays.
QString choose_background(const QString (&images)[11], int cls);
// The same over an alarm's image fields.
QString choose_background(const Alarm& alarm, int cls);

} // namespace dawnbell

#pragma once
// Resolution scaling. Window layouts are designed at 96 dpi and converted with
// mul_div_round(length, dpi_x() or dpi_y(), 96).
//
// The pixel rule every window relies on:
//  * DEVICE pixels are the display's physical pixels. Screen classes are chosen
//    by device pixels only (ScreenClass.h).
//  * LOGICAL pixels are what widgets see. Qt 6 always scales for high density:
//    a display of W x H device pixels at D dpi reaches widgets as W/r x H/r
//    logical pixels with device pixel ratio r = D/96, at a logical density of
//    D/r = 96 dpi. Widgets therefore lay out in logical pixels, and dpi_x/dpi_y
//    are the LOGICAL densities (96 on every display Qt scales this way), so a
//    96-dpi design length becomes the same physical size on every display.
//  * The emulated display DAWNBELL_SCREEN=WxH[@dpi] (for example "480x800@192";
//    dpi defaults to 96) wins over Qt's screen when it is set and valid: W x H are
//    its device pixels, r = dpi/96 its device pixel ratio, and its logical size
//    and density follow the rule above. An invalid value is ignored.
//  * Without an emulated display and without a GUI application (daemons, core
//    tests) there is no screen: sizes are 0 and both densities are 96.
#include <string_view>

namespace dawnbell {

// Rounding multiply-divide: magnitude (|a| * b + c / 2) / c in 64-bit integer
// arithmetic, with the sign of a. c == 0 gives 0 instead of dividing by zero; a
// result beyond the int range saturates.
int mul_div_round(int a, int b, int c);

// The current display as the program sees it.
struct ScreenGeometry {
    int deviceWidth = 0;           // device pixels; 0 when there is no screen
    int deviceHeight = 0;          // device pixels
    double devicePixelRatio = 1.0; // device pixels per logical pixel
    int logicalWidth = 0;          // logical pixels (what widgets see)
    int logicalHeight = 0;         // logical pixels
    int logicalDpiX = 96;          // logical dots per inch, horizontal
    int logicalDpiY = 96;          // logical dots per inch, vertical
    bool emulated = false;         // taken from DAWNBELL_SCREEN
};

// Limits of an emulated display.
constexpr int kScreenMaxPixels = 16384; // width or height, device pixels
constexpr int kScreenMinDpi = 24;
constexpr int kScreenMaxDpi = 2400;

// Parses "WxH" or "WxH@dpi" (decimal, 1-16384 pixels, 24-2400 dpi; surrounding
// blanks allowed, 'X' accepted for 'x'). False, leaving *out alone, for anything else.
bool ParseScreenText(std::string_view text, ScreenGeometry* out);

// The emulated display when DAWNBELL_SCREEN is set and valid, else Qt's primary
// screen (device size = logical size x device pixel ratio, rounded), else none.
ScreenGeometry CurrentScreen();

// Logical densities of the current display, read once and kept for the process.
int dpi_x();
int dpi_y();
// A horizontal / vertical 96-dpi design length in logical pixels.
int ScaleX(int length);
int ScaleY(int length);

// Forgets the cached densities so the next dpi_x/dpi_y reads the screen again
// (tests switching DAWNBELL_SCREEN).
void ResetDpiCacheForTesting();

// For a process whose QGuiApplication does not exist yet: an emulated display
// whose device pixel ratio r is not 1 is shown at its full device size. Qt is
// asked to scale every window by r (QT_SCALE_FACTOR) in place of the window
// system's own density factor (QT_ENABLE_HIGHDPI_SCALING=0), so 480x800@192
// covers 480 x 800 pixels of a 96-dpi desktop instead of 240 x 400. Nothing is
// done without a valid emulated display, when QT_SCALE_FACTOR is already set,
// or when the platform declares its own screens (the offscreen plugin's
// configfile, which carries the ratio itself). `platformArgument` is a
// -platform value given to the application ("" for none). True when it set
// the scaling.
bool PrepareEmulatedScreenScaling(std::string_view platformArgument = {});
// Once the QGuiApplication exists: takes what PrepareEmulatedScreenScaling put
// into the environment out again, so programs started later are not scaled.
void ForgetEmulatedScreenScaling();

} // namespace dawnbell

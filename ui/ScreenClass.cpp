#include "ScreenClass.h"

#include "Alarm.h"
#include "FirstLaunch.h"
#include "Scaling.h"

namespace dawnbell {

namespace {

static_assert(int(BackImageFieldCount) == int(ScreenClassCount), "one image field per screen class");

struct ClassInfo {
    int width;  // nominal width, device pixels
    int height; // nominal height, device pixels
    int field;  // BackImageField holding the class's own image
};

constexpr ClassInfo kClasses[ScreenClassCount] = {
    {240, 320, BackImageQVGA},
    {320, 240, BackImageQVGAWide},
    {320, 320, BackImageQVGASquare},
    {480, 640, BackImageVGA},
    {640, 480, BackImageVGAWide},
    {480, 480, BackImageVGASquare},
    {240, 400, BackImageWQVGA},
    {400, 240, BackImageWQVGALandscape},
    {480, 800, BackImageWVGA},
    {800, 480, BackImageWVGALandscape},
    {240, 240, BackImageSquare},
};

// Short names for the fallback table below.
enum : int {
    QVGA = BackImageQVGA, QVGAWide = BackImageQVGAWide, QVGASquare = BackImageQVGASquare,
    VGA = BackImageVGA, VGAWide = BackImageVGAWide, VGASquare = BackImageVGASquare,
    WQVGA = BackImageWQVGA, WQVGALandscape = BackImageWQVGALandscape,
    WVGA = BackImageWVGA, WVGALandscape = BackImageWVGALandscape, Square = BackImageSquare,
};

// Image fields in order of preference, one row per class.
constexpr int kFallback[ScreenClassCount][BackImageFieldCount] = {
    {QVGA, VGA, WQVGA, WVGA, QVGASquare, VGASquare, Square, WQVGALandscape, WVGALandscape, QVGAWide, VGAWide},
    {WQVGALandscape, WVGALandscape, QVGAWide, VGAWide, QVGASquare, VGASquare, Square, QVGA, VGA, WQVGA, WVGA},
    {QVGASquare, VGASquare, Square, QVGA, VGA, WQVGA, WVGA, WQVGALandscape, WVGALandscape, QVGAWide, VGAWide},
    {VGA, QVGA, WVGA, WQVGA, VGASquare, QVGASquare, Square, VGAWide, QVGAWide, WVGALandscape, WQVGALandscape},
    {VGAWide, QVGAWide, WVGALandscape, WQVGALandscape, VGASquare, QVGASquare, Square, VGA, QVGA, WVGA, WQVGA},
    {VGASquare, QVGASquare, Square, VGA, QVGA, WVGA, WQVGA, WVGALandscape, WQVGALandscape, VGAWide, QVGAWide},
    {WQVGA, WVGA, QVGA, VGA, QVGASquare, VGASquare, Square, WQVGALandscape, WVGALandscape, QVGAWide, VGAWide},
    {WQVGALandscape, WVGALandscape, QVGAWide, VGAWide, QVGASquare, VGASquare, Square, WQVGA, WVGA, QVGA, VGA},
    {WVGA, WQVGA, VGA, QVGA, VGASquare, QVGASquare, Square, WVGALandscape, WQVGALandscape, VGAWide, QVGAWide},
    {WVGALandscape, WQVGALandscape, VGAWide, QVGAWide, VGASquare, QVGASquare, Square, WVGA, WQVGA, VGA, QVGA},
    {Square, QVGASquare, VGASquare, QVGA, VGA, WQVGA, WVGA, WQVGALandscape, WVGALandscape, QVGAWide, VGAWide},
};

bool ValidClass(int cls) { return cls >= 0 && cls < ScreenClassCount; }

} // namespace

ScreenClass classify_screen(int w, int h)
{
    // Height first, then width; anything not listed is class 3.
    switch (h) {
    case 800:
        if (w == 480) return ScreenWVGA;
        break;
    case 480:
        if (w == 800) return ScreenWVGALandscape;
        if (w == 640) return ScreenVGAWide;
        if (w == 480) return ScreenVGASquare;
        break;
    case 400:
        if (w == 240) return ScreenWQVGA;
        break;
    case 320:
        if (w == 240) return ScreenQVGA;
        if (w == 320) return ScreenQVGASquare;
        break;
    case 240:
        if (w == 400) return ScreenWQVGALandscape;
        if (w == 320) return ScreenQVGAWide;
        if (w == 240) return ScreenSquare;
        break;
    default:
        break;
    }
    return ScreenVGA;
}

ScreenClass classify_screen()
{
    const ScreenGeometry screen = CurrentScreen();
    if (screen.deviceWidth <= 0 || screen.deviceHeight <= 0)
        return ScreenVGA;
    return classify_screen(screen.deviceWidth, screen.deviceHeight);
}

QSize ScreenClassResolution(int cls)
{
    if (!ValidClass(cls))
        return QSize();
    return QSize(kClasses[cls].width, kClasses[cls].height);
}

int ScreenClassImageField(int cls)
{
    return ValidClass(cls) ? kClasses[cls].field : -1;
}

const char* ScreenClassImageSuffix(int cls)
{
    // The built-in pictures are named after the image field, which the
    // first-launch templates own.
    return ValidClass(cls) ? FirstLaunch::ImageSuffix(kClasses[cls].field) : "";
}

QString choose_background(const QString (&images)[11], int cls)
{
    const int row = ValidClass(cls) ? cls : ScreenVGA;
    for (int field : kFallback[row]) {
        if (!images[field].isEmpty())
            return images[field];
    }
    return QString();
}

QString choose_background(const Alarm& alarm, int cls)
{
    return choose_background(alarm.backImages, cls);
}

} // namespace dawnbell

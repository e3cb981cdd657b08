#include "Scaling.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace dawnbell {

int mul_div_round(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const int64_t magnitude = (std::llabs(static_cast<int64_t>(a)) * b + (static_cast<int64_t>(c) >> 1)) / c;
    const int64_t result = a < 0 ? -magnitude : magnitude;
    if (result > INT_MAX)
        return INT_MAX;
    if (result < INT_MIN)
        return INT_MIN;
    return static_cast<int>(result);
}

namespace {

// Reads a decimal number of at most 6 digits from s at *pos.
bool ReadNumber(std::string_view s, size_t* pos, int* out)
{
    size_t i = *pos;
    int value = 0;
    int digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (++digits > 6)
            return false;
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    if (digits == 0)
        return false;
    *pos = i;
    *out = value;
    return true;
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

} // namespace

bool ParseScreenText(std::string_view text, ScreenGeometry* out)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    size_t pos = 0;
    int w = 0, h = 0, dpi = 96;
    if (!ReadNumber(text, &pos, &w))
        return false;
    if (pos >= text.size() || (text[pos] != 'x' && text[pos] != 'X'))
        return false;
    ++pos;
    if (!ReadNumber(text, &pos, &h))
        return false;
    if (pos < text.size()) {
        if (text[pos] != '@')
            return false;
        ++pos;
        if (!ReadNumber(text, &pos, &dpi) || pos != text.size())
            return false;
    }
    if (w < 1 || h < 1 || w > kScreenMaxPixels || h > kScreenMaxPixels)
        return false;
    if (dpi < kScreenMinDpi || dpi > kScreenMaxDpi)
        return false;
    ScreenGeometry g;
    g.deviceWidth = w;
    g.deviceHeight = h;
    g.devicePixelRatio = dpi / 96.0;
    g.logicalWidth = static_cast<int>(std::lround(w / g.devicePixelRatio));
    g.logicalHeight = static_cast<int>(std::lround(h / g.devicePixelRatio));
    g.logicalDpiX = static_cast<int>(std::lround(dpi / g.devicePixelRatio));
    g.logicalDpiY = g.logicalDpiX;
    g.emulated = true;
    *out = g;
    return true;
}

ScreenGeometry CurrentScreen()
{
    ScreenGeometry g;
    const char* env = std::getenv("DAWNBELL_SCREEN");
    if (env && *env && ParseScreenText(env, &g))
        return g;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return g;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return g;
    const QSize size = screen->size();
    const double ratio = screen->devicePixelRatio();
    g.devicePixelRatio = ratio > 0 ? ratio : 1.0;
    g.logicalWidth = size.width();
    g.logicalHeight = size.height();
    g.deviceWidth = static_cast<int>(std::lround(size.width() * g.devicePixelRatio));
    g.deviceHeight = static_cast<int>(std::lround(size.height() * g.devicePixelRatio));
    const long dx = std::lround(screen->logicalDotsPerInchX());
    const long dy = std::lround(screen->logicalDotsPerInchY());
    g.logicalDpiX = dx > 0 && dx <= kScreenMaxDpi ? static_cast<int>(dx) : 96;
    g.logicalDpiY = dy > 0 && dy <= kScreenMaxDpi ? static_cast<int>(dy) : 96;
    return g;
}

namespace {
std::atomic<int> g_dpiX{0}; // cached logical density; 0 = not read yet
std::atomic<int> g_dpiY{0};

void FillDpiCache()
{
    const ScreenGeometry g = CurrentScreen();
    g_dpiY = g.logicalDpiY;
    g_dpiX = g.logicalDpiX;
}
} // namespace

int dpi_x()
{
    if (g_dpiX == 0)
        FillDpiCache();
    return g_dpiX;
}

int dpi_y()
{
    if (g_dpiY == 0)
        FillDpiCache();
    return g_dpiY;
}

int ScaleX(int length) { return mul_div_round(length, dpi_x(), 96); }
int ScaleY(int length) { return mul_div_round(length, dpi_y(), 96); }

void ResetDpiCacheForTesting()
{
    g_dpiX = 0;
    g_dpiY = 0;
}

namespace {
const char kScaleFactorVariable[] = "QT_SCALE_FACTOR";
const char kHighDpiVariable[] = "QT_ENABLE_HIGHDPI_SCALING";
bool g_scalingSet = false;            // PrepareEmulatedScreenScaling set both variables
QByteArray g_previousHighDpi;         // QT_ENABLE_HIGHDPI_SCALING before, when it was set
bool g_previousHighDpiSet = false;
} // namespace

bool PrepareEmulatedScreenScaling(std::string_view platformArgument)
{
    const char* env = std::getenv("DAWNBELL_SCREEN");
    ScreenGeometry g;
    if (!env || !*env || !ParseScreenText(env, &g) || g.devicePixelRatio == 1.0)
        return false;
    if (qEnvironmentVariableIsSet(kScaleFactorVariable))
        return false; // the user's own choice stands
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.contains("configfile=") || platformArgument.find("configfile=") != std::string_view::npos)
        return false;
    g_previousHighDpiSet = qEnvironmentVariableIsSet(kHighDpiVariable);
    g_previousHighDpi = qgetenv(kHighDpiVariable);
    qputenv(kScaleFactorVariable, QByteArray::number(g.devicePixelRatio, 'g', 6));
    qputenv(kHighDpiVariable, "0");
    g_scalingSet = true;
    return true;
}

void ForgetEmulatedScreenScaling()
{
    if (!g_scalingSet)
        return;
    qunsetenv(kScaleFactorVariable);
    if (g_previousHighDpiSet)
        qputenv(kHighDpiVariable, g_previousHighDpi);
    else
        qunsetenv(kHighDpiVariable);
    g_scalingSet = false;
}

} // namespace dawnbell

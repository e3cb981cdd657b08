#pragma once
// A stretch of time in words, as screen readers say it in the alarm lists (the
// main window's list and the today screen's rows).
#include <QString>

#include <cstdint>

namespace dawnbell {

// `seconds` in the current language's words: "7 hours 12 minutes", "1 minute",
// "less than a minute" (whole minutes, rounded down; a negative stretch counts
// as none).
QString SpokenDuration(int64_t seconds);

} // namespace dawnbell

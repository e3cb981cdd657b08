#pragma once
// The platform's version (major.minor.build), from DAWNBELL_PLATFORM_VERSION; a
// missing or malformed value reads as 5.2.21000. Plain C++.
#include <string_view>

namespace dawnbell {

struct PlatformVersion {
    int major = 5;
    int minor = 2;
    int build = 21000;
};

// Parses "major.minor.build": three unsigned decimal numbers of at most nine
// digits; false, leaving *out alone, otherwise.
bool ParsePlatformVersion(std::string_view text, PlatformVersion* out);

// The current platform's version.
PlatformVersion CurrentPlatformVersion();

// A newer platform is one above 5.2.20999 (major > 5, or 5 with minor > 2, or
// 5.2 with build 21000 or higher).
bool IsNewerPlatform(const PlatformVersion& v);

} // namespace dawnbell

#include "Vibrator.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>

namespace dawnbell {

bool Vibrator::NameMeansVibrator(const std::string& name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("vibrator") != std::string::npos;
}

std::vector<std::string> Vibrator::ListFolder(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return names;
    while (dirent* e = readdir(d)) {
        if (names.size() >= kMaxFolderEntries)
            break;
        if (e->d_name[0] == '.')
            continue;
        names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace dawnbell

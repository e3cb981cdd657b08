#include "FileTree.h"

#include <cstring>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

void DeleteTree(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.c_str());
        return;
    }
    if (DIR* d = ::opendir(path.c_str())) {
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        }
        ::closedir(d);
        for (const std::string& name : names)
            DeleteTree(path + "/" + name);
    }
    ::rmdir(path.c_str());
}

} // namespace dawnbell

#pragma once
// Removing a folder with everything below it.
#include <string>

namespace dawnbell {

// Deletes `path` and everything below it, as far as it can: an entry that
// cannot be deleted is left and the rest still goes. Symbolic links are
// removed, never followed, so nothing outside the folder is touched. A missing
// `path` is nothing to do.
void DeleteTree(const std::string& path);

} // namespace dawnbell

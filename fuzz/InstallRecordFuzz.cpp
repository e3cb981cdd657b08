// The installation record (".dawnbell-install" in the installation folder)
// decides which files a removal or an update deletes, and anyone who can write
// the folder can edit it: any bytes must parse without a crash, and every name
// it yields must stay inside the folder (relative, no empty, "." or ".." part,
// no control character).
#include "InstallFolder.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

bool Inside(const std::string& name)
{
    if (name.empty() || name[0] == '/')
        return false;
    size_t pos = 0;
    while (pos <= name.size()) {
        const size_t end = name.find('/', pos) == std::string::npos ? name.size() : name.find('/', pos);
        const std::string part = name.substr(pos, end - pos);
        if (part.empty() || part == "." || part == "..")
            return false;
        pos = end + 1;
    }
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::set<std::string> files, folders;
    const bool ok = dawnbell::install::InstallFolder::ParseRecord(text, "0123456789abcdef0123456789abcdef", &files,
                                                                  &folders);
    if (!ok && (!files.empty() || !folders.empty()))
        std::abort();
    for (const std::set<std::string>* names : {&files, &folders}) {
        for (const std::string& name : *names) {
            if (!Inside(name))
                std::abort();
        }
    }
    if (files.size() + folders.size() > dawnbell::install::kRecordMaxEntries)
        std::abort();
    return 0;
}

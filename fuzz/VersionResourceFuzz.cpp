// Binaries and their version resources are outside input: any bytes, read as an
// ELF image or as a resource, must be walked without reading outside them.
#include "ElfSection.h"
#include "VersionResource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Walk(const uint8_t* data, size_t size)
{
    static const char16_t* const kPaths[] = {
        u"\\", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040904B0\\FileVersion",
        u"\\StringFileInfo\\040704B0\\CompanyName", u"\\\\a\\b\\c\\d\\e\\f\\g\\h\\i",
    };
    for (const char16_t* path : kPaths) {
        dawnbell::VersionValue value;
        if (dawnbell::QueryVersionValue(data, size, path, &value)) {
            if (value.data < data || value.data + value.size > data + size)
                std::abort();
            (void)dawnbell::VersionValueText(value);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Walk(data, size);
    uint64_t offset = 0, length = 0;
    if (dawnbell::FindElfSection(data, size, dawnbell::kVersionSectionName, &offset, &length)) {
        if (offset > size || length > size - offset)
            std::abort();
        Walk(data + offset, static_cast<size_t>(length));
    }
    return 0;
}

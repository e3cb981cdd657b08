#include "ElfSection.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

constexpr size_t kElfHeaderBytes = 64;
constexpr size_t kSectionHeaderBytes = 64;
constexpr uint64_t kMaxSections = 1u << 20; // far beyond any real binary
constexpr size_t kMaxNameBytes = 256;
constexpr uint32_t kShtNobits = 8;
constexpr uint16_t kShnXindex = 0xFFFF;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(Le16(p)) | (static_cast<uint32_t>(Le16(p + 2)) << 16);
}
uint64_t Le64(const uint8_t* p) { return static_cast<uint64_t>(Le32(p)) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

// True when [offset, offset + size) lies inside a file of fileSize bytes.
bool InFile(uint64_t offset, uint64_t size, uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

struct SectionHeader {
    uint32_t name = 0;
    uint32_t type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t link = 0;
};

} // namespace

bool FindElfSection(uint64_t fileSize, const ElfReadAt& read, std::string_view name, uint64_t* offset, uint64_t* size)
{
    if (name.empty() || name.size() >= kMaxNameBytes || fileSize < kElfHeaderBytes)
        return false;
    uint8_t eh[kElfHeaderBytes];
    if (!read(0, eh, sizeof eh))
        return false;
    if (std::memcmp(eh, "\x7f" "ELF", 4) != 0 || eh[4] != 2 /* ELFCLASS64 */ || eh[5] != 1 /* little-endian */)
        return false;
    const uint64_t shoff = Le64(eh + 0x28);
    const uint16_t shentsize = Le16(eh + 0x3A);
    uint64_t shnum = Le16(eh + 0x3C);
    uint32_t shstrndx = Le16(eh + 0x3E);
    if (shoff == 0 || shentsize < kSectionHeaderBytes)
        return false;

    const auto readHeader = [&](uint64_t index, SectionHeader* h) {
        if (index >= kMaxSections || shoff > fileSize)
            return false;
        // No overflow: shoff is within the file and index * shentsize < 2^36.
        const uint64_t at = shoff + index * shentsize;
        if (!InFile(at, kSectionHeaderBytes, fileSize))
            return false;
        uint8_t sh[kSectionHeaderBytes];
        if (!read(at, sh, sizeof sh))
            return false;
        h->name = Le32(sh);
        h->type = Le32(sh + 4);
        h->offset = Le64(sh + 0x18);
        h->size = Le64(sh + 0x20);
        h->link = Le32(sh + 0x28);
        return true;
    };

    // Extended numbering: counts that do not fit 16 bits live in section 0.
    if (shnum == 0 || shstrndx == kShnXindex) {
        SectionHeader first;
        if (!readHeader(0, &first))
            return false;
        if (shnum == 0)
            shnum = first.size;
        if (shstrndx == kShnXindex)
            shstrndx = first.link;
    }
    if (shnum == 0 || shnum > kMaxSections || shstrndx >= shnum)
        return false;
    if (!InFile(shoff, shnum * shentsize, fileSize))
        return false;

    SectionHeader strtab;
    if (!readHeader(shstrndx, &strtab) || strtab.type == kShtNobits || !InFile(strtab.offset, strtab.size, fileSize))
        return false;

    char nameBuf[kMaxNameBytes];
    for (uint64_t i = 0; i < shnum; ++i) {
        SectionHeader h;
        if (!readHeader(i, &h))
            return false;
        // The name must fit, with its terminator, inside the string table.
        if (h.name >= strtab.size || strtab.size - h.name < name.size() + 1)
            continue;
        if (!read(strtab.offset + h.name, nameBuf, name.size() + 1))
            return false;
        if (std::memcmp(nameBuf, name.data(), name.size()) != 0 || nameBuf[name.size()] != '\0')
            continue;
        if (h.type == kShtNobits || !InFile(h.offset, h.size, fileSize))
            return false;
        *offset = h.offset;
        *size = h.size;
        return true;
    }
    return false;
}

bool FindElfSection(const uint8_t* data, size_t size, std::string_view name, uint64_t* offset, uint64_t* sectionSize)
{
    if (!data)
        return false;
    const ElfReadAt read = [data, size](uint64_t at, void* buffer, size_t n) {
        if (!InFile(at, n, size))
            return false;
        std::memcpy(buffer, data + at, n);
        return true;
    };
    return FindElfSection(size, read, name, offset, sectionSize);
}

bool ReadElfSection(const std::string& path, std::string_view name, size_t maxSize, std::vector<uint8_t>* out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    const uint64_t fileSize = ok ? static_cast<uint64_t>(st.st_size) : 0;
    const ElfReadAt read = [fd](uint64_t at, void* buffer, size_t n) {
        auto* p = static_cast<uint8_t*>(buffer);
        while (n > 0) {
            const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(at));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            p += got;
            at += static_cast<uint64_t>(got);
            n -= static_cast<size_t>(got);
        }
        return true;
    };
    uint64_t offset = 0, size = 0;
    ok = ok && FindElfSection(fileSize, read, name, &offset, &size) && size > 0 && size <= maxSize;
    if (ok) {
        out->resize(static_cast<size_t>(size));
        ok = read(offset, out->data(), out->size());
        if (!ok)
            out->clear();
    }
    ::close(fd);
    return ok;
}

} // namespace dawnbell

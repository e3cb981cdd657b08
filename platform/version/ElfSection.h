#pragma once
// Finds a named section in an ELF64 little-endian file (the format of our own
// binaries) by walking its section headers. Every offset, size and count read
// from the file is checked, so a truncated or hostile file gives false, never a
// crash or an unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dawnbell {

// The section our build embeds the version resource in.
constexpr const char* kVersionSectionName = ".dawnbell_version";

// Reads `size` bytes at `offset` into `buffer`; false when not all are there.
using ElfReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// Finds section `name` in an image of `fileSize` bytes read through `read`.
// On success *offset and *size give the section's bytes, which lie inside the
// image. False for a non-ELF64-LE image, a malformed header table, a missing
// section or one without file data.
bool FindElfSection(uint64_t fileSize, const ElfReadAt& read, std::string_view name, uint64_t* offset,
                    uint64_t* size);
// The same over bytes in memory.
bool FindElfSection(const uint8_t* data, size_t size, std::string_view name, uint64_t* offset, uint64_t* sectionSize);

// Reads section `name` of the file at `path` into *out. False when the file
// cannot be read, the section is missing or empty, or it is larger than maxSize.
bool ReadElfSection(const std::string& path, std::string_view name, size_t maxSize, std::vector<uint8_t>* out);

} // namespace dawnbell

#pragma once
// Version resources in the standard VS_VERSIONINFO layout: nested blocks of
// { uint16 wLength; uint16 wValueLength; uint16 wType; UTF-16LE key with its
// terminator; padding to 4 bytes; value; padding; child blocks }, little-endian.
// wLength counts the whole block with its children; wValueLength counts bytes
// for binary values (wType 0) and UTF-16 code units for texts (wType 1).
//
// The root "VS_VERSION_INFO" holds the 52-byte fixed record; its children are
// "StringFileInfo" (one string table per translation, keyed "LLLLCCCC" in hex:
// language, code page) and "VarFileInfo" with "Translation" (32-bit entries,
// language in the low 16 bits, code page in the high 16 bits).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dawnbell {

// The fixed version record (VS_FIXEDFILEINFO), 13 little-endian 32-bit words.
struct FixedFileInfo {
    uint32_t signature = 0;        // 0xFEEF04BD in a valid record
    uint32_t structVersion = 0;    // 0x00010000
    uint32_t fileVersionMS = 0;    // major << 16 | minor
    uint32_t fileVersionLS = 0;    // patch << 16 | build
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0;
    uint32_t fileType = 0;         // 1 application, 2 library
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;
};
constexpr size_t kFixedFileInfoBytes = 52;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

// Decodes 52 bytes into the record.
FixedFileInfo FixedFileInfoFromBytes(const uint8_t* data);

// One string table: the texts of one translation.
struct VersionStringTable {
    uint16_t language = 0x0409;
    uint16_t codePage = 1200;
    std::vector<std::pair<std::u16string, std::u16string>> strings; // name, text
};

// What BuildVersionResource writes.
struct VersionResourceContent {
    FixedFileInfo fixed;                    // written when includeFixed
    bool includeFixed = true;
    std::vector<VersionStringTable> tables; // one per translation
    // Entries of \VarFileInfo\Translation; empty means one per table, in order.
    std::vector<uint32_t> translations;
};

// The resource bytes; empty when it would exceed 65535 bytes (wLength is 16-bit).
std::vector<uint8_t> BuildVersionResource(const VersionResourceContent& content);

// A value found by QueryVersionValue; data points into the resource.
struct VersionValue {
    const uint8_t* data = nullptr;
    size_t size = 0;   // bytes (texts: code units * 2, clipped to the block)
    uint16_t type = 0; // 0 binary, 1 text
};

// Looks up a value like the classic query: "\" is the root's value,
// "\VarFileInfo\Translation" and "\StringFileInfo\040904B0\FileVersion" walk the
// child blocks (keys compare case-insensitively for ASCII). Every length and
// offset is checked against `size`; false when not found or malformed.
bool QueryVersionValue(const uint8_t* resource, size_t size, std::u16string_view path, VersionValue* out);

// Total size the resource claims for itself (the root's wLength), or 0 when the
// data is too short to hold a root block or the claim exceeds `size`.
size_t VersionResourceSize(const uint8_t* resource, size_t size);

// Text of a text value: UTF-16LE up to the first zero unit or the value's end.
std::u16string VersionValueText(const VersionValue& value);

// UTF-8 to UTF-16 for the build tool's arguments; invalid bytes become U+FFFD.
std::u16string VersionUtf8ToUtf16(std::string_view s);

} // namespace dawnbell

// dawnbell-verres: writes a version resource for one of our binaries.
//
//   dawnbell-verres OUTPUT [--file-version A.B.C[.D]] [--product-version A.B.C[.D]]
//                   [--file-type app|dll] [--table LANG CODEPAGE] [--set NAME=TEXT]...
//
// LANG and CODEPAGE are hexadecimal (0409 04B0). --set adds a text to the current
// string table (a table 0409/04B0 is started when none was given). Without
// --set FileVersion/ProductVersion, those texts are the version arguments.
// The output is replaced only when its content changes.
#include "VersionResource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

using namespace dawnbell;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: dawnbell-verres OUTPUT [--file-version V] [--product-version V] [--file-type app|dll]\n"
                 "                       [--table LANG CODEPAGE] [--set NAME=TEXT]...\n");
    return 2;
}

// "1.2.3" or "1.2.3.4" (each part 0-65535) into the two 32-bit halves.
bool ParseVersion(const char* text, uint32_t* ms, uint32_t* ls)
{
    unsigned parts[4] = {0, 0, 0, 0};
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4 || *p < '0' || *p > '9')
            return false;
        char* end = nullptr;
        const unsigned long v = std::strtoul(p, &end, 10);
        if (v > 0xFFFF)
            return false;
        parts[count++] = static_cast<unsigned>(v);
        if (*end == '\0')
            break;
        if (*end != '.')
            return false;
        p = end + 1;
    }
    *ms = (parts[0] << 16) | parts[1];
    *ls = (parts[2] << 16) | parts[3];
    return true;
}

bool ParseHex16(const char* text, uint16_t* out)
{
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 16);
    if (end == text || *end != '\0' || v > 0xFFFF)
        return false;
    *out = static_cast<uint16_t>(v);
    return true;
}

bool HasString(const VersionStringTable& t, std::u16string_view name)
{
    for (const auto& s : t.strings) {
        if (s.first == name)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string output = argv[1];
    VersionResourceContent content;
    content.fixed.signature = kFixedFileInfoSignature;
    content.fixed.structVersion = 0x00010000;
    content.fixed.fileFlagsMask = 0x3F;
    content.fixed.fileType = 1;
    std::string fileVersion = "0.0.0", productVersion;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--file-version" && hasValue) {
            fileVersion = argv[++i];
        } else if (arg == "--product-version" && hasValue) {
            productVersion = argv[++i];
        } else if (arg == "--file-type" && hasValue) {
            const std::string type = argv[++i];
            if (type != "app" && type != "dll")
                return Usage();
            content.fixed.fileType = type == "app" ? 1 : 2;
        } else if (arg == "--table" && i + 2 < argc) {
            VersionStringTable table;
            if (!ParseHex16(argv[i + 1], &table.language) || !ParseHex16(argv[i + 2], &table.codePage))
                return Usage();
            i += 2;
            content.tables.push_back(table);
        } else if (arg == "--set" && hasValue) {
            const std::string pair = argv[++i];
            const size_t eq = pair.find('=');
            if (eq == 0 || eq == std::string::npos)
                return Usage();
            if (content.tables.empty())
                content.tables.emplace_back();
            content.tables.back().strings.emplace_back(VersionUtf8ToUtf16(pair.substr(0, eq)),
                                                    VersionUtf8ToUtf16(pair.substr(eq + 1)));
        } else {
            return Usage();
        }
    }
    if (productVersion.empty())
        productVersion = fileVersion;
    if (!ParseVersion(fileVersion.c_str(), &content.fixed.fileVersionMS, &content.fixed.fileVersionLS)
        || !ParseVersion(productVersion.c_str(), &content.fixed.productVersionMS, &content.fixed.productVersionLS)) {
        std::fprintf(stderr, "dawnbell-verres: bad version number\n");
        return 2;
    }
    if (content.tables.empty())
        content.tables.emplace_back();
    for (VersionStringTable& t : content.tables) {
        if (!HasString(t, u"FileVersion"))
            t.strings.emplace_back(u"FileVersion", VersionUtf8ToUtf16(fileVersion));
        if (!HasString(t, u"ProductVersion"))
            t.strings.emplace_back(u"ProductVersion", VersionUtf8ToUtf16(productVersion));
    }
    const std::vector<uint8_t> bytes = BuildVersionResource(content);
    if (bytes.empty()) {
        std::fprintf(stderr, "dawnbell-verres: resource too large\n");
        return 1;
    }
    {
        std::ifstream old(output, std::ios::binary);
        const std::vector<uint8_t> previous((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
        if (previous == bytes)
            return 0;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "dawnbell-verres: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}

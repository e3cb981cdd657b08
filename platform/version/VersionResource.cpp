#include "VersionResource.h"

#include <cstring>

namespace dawnbell {

namespace {

constexpr size_t kHeaderBytes = 6;   // wLength, wValueLength, wType
constexpr size_t kMaxPathParts = 8;  // deeper paths are never valid

size_t Align4(size_t n) { return (n + 3) & ~size_t(3); }

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
        | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Append16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Append32(std::vector<uint8_t>& out, uint32_t v)
{
    Append16(out, static_cast<uint16_t>(v));
    Append16(out, static_cast<uint16_t>(v >> 16));
}
void Pad4(std::vector<uint8_t>& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

// Writes one block; `children` appends the child blocks. Returns false when the
// block outgrows 16-bit lengths.
template <typename Children>
bool WriteBlock(std::vector<uint8_t>& out, std::u16string_view key, uint16_t type, const std::vector<uint8_t>& value,
                uint16_t valueLength, Children children)
{
    Pad4(out);
    const size_t start = out.size();
    Append16(out, 0); // wLength, patched below
    Append16(out, valueLength);
    Append16(out, type);
    for (char16_t c : key)
        Append16(out, static_cast<uint16_t>(c));
    Append16(out, 0);
    Pad4(out);
    out.insert(out.end(), value.begin(), value.end());
    if (!children(out))
        return false;
    const size_t length = out.size() - start;
    if (length > 0xFFFF)
        return false;
    Put16(out, start, static_cast<uint16_t>(length));
    return true;
}

bool NoChildren(std::vector<uint8_t>&) { return true; }

std::u16string HexKey(uint16_t language, uint16_t codePage)
{
    static const char kHex[] = "0123456789ABCDEF";
    const uint32_t v = (static_cast<uint32_t>(language) << 16) | codePage;
    std::u16string out;
    for (int shift = 28; shift >= 0; shift -= 4)
        out += static_cast<char16_t>(kHex[(v >> shift) & 15]);
    return out;
}

// One parsed block header, all offsets relative to the resource start.
struct Block {
    size_t start = 0;
    size_t end = 0;        // start + wLength
    size_t keyStart = 0;
    size_t keyUnits = 0;   // without terminator
    size_t valueStart = 0;
    size_t valueBytes = 0;
    size_t childStart = 0;
    uint16_t type = 0;
};

// Parses the block at `start`, which must end by `limit`.
bool ParseBlock(const uint8_t* data, size_t start, size_t limit, Block* out)
{
    if (start > limit || limit - start < kHeaderBytes)
        return false;
    const size_t length = Get16(data + start);
    const size_t valueLength = Get16(data + start + 2);
    const uint16_t type = Get16(data + start + 4);
    if (length < kHeaderBytes || length > limit - start)
        return false;
    Block b;
    b.start = start;
    b.end = start + length;
    b.type = type;
    b.keyStart = start + kHeaderBytes;
    size_t pos = b.keyStart;
    for (;;) {
        if (b.end - pos < 2)
            return false; // key without terminator
        if (Get16(data + pos) == 0)
            break;
        pos += 2;
    }
    b.keyUnits = (pos - b.keyStart) / 2;
    pos += 2;
    b.valueStart = Align4(pos);
    if (b.valueStart > b.end)
        b.valueStart = b.end;
    size_t bytes = type == 1 ? valueLength * 2 : valueLength;
    if (bytes > b.end - b.valueStart)
        bytes = b.end - b.valueStart; // some writers count texts loosely; clip to the block
    b.valueBytes = bytes;
    b.childStart = Align4(b.valueStart + bytes);
    *out = b;
    return true;
}

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool KeyEquals(const uint8_t* data, const Block& b, std::u16string_view key)
{
    if (b.keyUnits != key.size())
        return false;
    for (size_t i = 0; i < key.size(); ++i) {
        if (FoldAscii(static_cast<char16_t>(Get16(data + b.keyStart + 2 * i))) != FoldAscii(key[i]))
            return false;
    }
    return true;
}

} // namespace

FixedFileInfo FixedFileInfoFromBytes(const uint8_t* d)
{
    FixedFileInfo f;
    uint32_t* fields[13] = {&f.signature,     &f.structVersion, &f.fileVersionMS, &f.fileVersionLS, &f.productVersionMS,
                            &f.productVersionLS, &f.fileFlagsMask, &f.fileFlags, &f.fileOS, &f.fileType,
                            &f.fileSubtype, &f.fileDateMS, &f.fileDateLS};
    for (int i = 0; i < 13; ++i)
        *fields[i] = Get32(d + 4 * i);
    return f;
}

std::vector<uint8_t> BuildVersionResource(const VersionResourceContent& content)
{
    std::vector<uint8_t> fixed;
    if (content.includeFixed) {
        const FixedFileInfo& f = content.fixed;
        for (uint32_t v : {f.signature, f.structVersion, f.fileVersionMS, f.fileVersionLS, f.productVersionMS,
                           f.productVersionLS, f.fileFlagsMask, f.fileFlags, f.fileOS, f.fileType, f.fileSubtype,
                           f.fileDateMS, f.fileDateLS})
            Append32(fixed, v);
    }
    std::vector<uint32_t> translations = content.translations;
    if (translations.empty()) {
        for (const VersionStringTable& t : content.tables)
            translations.push_back(t.language | (static_cast<uint32_t>(t.codePage) << 16));
    }
    std::vector<uint8_t> out;
    const bool ok = WriteBlock(out, u"VS_VERSION_INFO", 0, fixed, static_cast<uint16_t>(fixed.size()),
        [&](std::vector<uint8_t>& o) {
            const bool strings = WriteBlock(o, u"StringFileInfo", 1, {}, 0, [&](std::vector<uint8_t>& o2) {
                for (const VersionStringTable& t : content.tables) {
                    const bool table = WriteBlock(o2, HexKey(t.language, t.codePage), 1, {}, 0,
                        [&](std::vector<uint8_t>& o3) {
                            for (const auto& [name, text] : t.strings) {
                                std::vector<uint8_t> value;
                                for (char16_t c : text)
                                    Append16(value, static_cast<uint16_t>(c));
                                Append16(value, 0);
                                if (text.size() + 1 > 0xFFFF)
                                    return false;
                                if (!WriteBlock(o3, name, 1, value, static_cast<uint16_t>(text.size() + 1), NoChildren))
                                    return false;
                            }
                            return true;
                        });
                    if (!table)
                        return false;
                }
                return true;
            });
            if (!strings)
                return false;
            return WriteBlock(o, u"VarFileInfo", 1, {}, 0, [&](std::vector<uint8_t>& o2) {
                std::vector<uint8_t> value;
                for (uint32_t t : translations)
                    Append32(value, t);
                if (value.size() > 0xFFFF)
                    return false;
                return WriteBlock(o2, u"Translation", 0, value, static_cast<uint16_t>(value.size()), NoChildren);
            });
        });
    if (!ok)
        return {};
    return out;
}

size_t VersionResourceSize(const uint8_t* resource, size_t size)
{
    if (!resource || size < kHeaderBytes)
        return 0;
    const size_t length = Get16(resource);
    return length >= kHeaderBytes && length <= size ? length : 0;
}

bool QueryVersionValue(const uint8_t* resource, size_t size, std::u16string_view path, VersionValue* out)
{
    const size_t total = VersionResourceSize(resource, size);
    if (total == 0)
        return false;
    Block block;
    if (!ParseBlock(resource, 0, total, &block))
        return false;
    size_t parts = 0;
    while (!path.empty()) {
        while (!path.empty() && path.front() == u'\\')
            path.remove_prefix(1);
        if (path.empty())
            break;
        if (++parts > kMaxPathParts)
            return false;
        const size_t cut = path.find(u'\\');
        const std::u16string_view part = path.substr(0, cut);
        path.remove_prefix(cut == std::u16string_view::npos ? path.size() : cut);
        bool found = false;
        size_t pos = block.childStart;
        while (pos < block.end && block.end - pos >= kHeaderBytes) {
            Block child;
            if (!ParseBlock(resource, pos, block.end, &child))
                return false;
            if (KeyEquals(resource, child, part)) {
                block = child;
                found = true;
                break;
            }
            pos = Align4(child.end); // child.end > pos, so this always advances
        }
        if (!found)
            return false;
    }
    out->data = resource + block.valueStart;
    out->size = block.valueBytes;
    out->type = block.type;
    return true;
}

std::u16string VersionValueText(const VersionValue& value)
{
    std::u16string text;
    if (!value.data)
        return text;
    for (size_t i = 0; i + 1 < value.size; i += 2) {
        const char16_t c = static_cast<char16_t>(Get16(value.data + i));
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

std::u16string VersionUtf8ToUtf16(std::string_view s)
{
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (b0 < 0x80) {
            cp = b0;
        } else {
            const size_t need = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
            if (need && i + need <= s.size()) {
                uint32_t v = b0 & (0x7F >> need);
                bool ok = true;
                for (size_t k = 1; k < need; ++k) {
                    const auto b = static_cast<unsigned char>(s[i + k]);
                    if ((b & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    v = (v << 6) | (b & 0x3F);
                }
                static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
                if (ok && v >= kMin[need] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                    cp = v;
                    len = need;
                }
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

} // namespace dawnbell

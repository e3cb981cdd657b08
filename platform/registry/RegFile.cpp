#include "RegFile.h"

#include "Utf8.h"

#include <cstdio>

namespace dawnbell {

namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
constexpr size_t kHexWrapColumn = 76; // hex lists wrap before this column, as regedit does

// ---------------------------------------------------------------- text helpers

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is malformed.
size_t Utf8SequenceLength(std::string_view s, size_t i)
{
    char32_t cp;
    return DecodeUtf8At(s, i, &cp);
}

bool IsControl(char32_t c)
{
    return c < 0x20 || c == 0x7F;
}

bool HasControl(std::string_view utf8)
{
    for (char c : utf8) {
        if (IsControl(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- decoding

// Turns the raw file into UTF-8 text. Line numbers in errors count '\n'.
bool DecodeFile(const uint8_t* data, size_t size, std::string* text, RegFileError* error)
{
    if (size > kRegFileMaxBytes) {
        *error = {0, "the file is larger than 64 MiB"};
        return false;
    }
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        *error = {0, "UTF-16 big-endian files are not supported (use UTF-8 or UTF-16LE)"};
        return false;
    }
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        if (size % 2 != 0) {
            *error = {0, "a UTF-16LE file must have an even number of bytes"};
            return false;
        }
        text->reserve(size / 2);
        int line = 1;
        for (size_t i = 2; i < size; i += 2) {
            char32_t c = static_cast<char32_t>(data[i] | (data[i + 1] << 8));
            if (c >= 0xD800 && c <= 0xDBFF) {
                const char32_t low = i + 3 < size ? static_cast<char32_t>(data[i + 2] | (data[i + 3] << 8)) : 0;
                if (low < 0xDC00 || low > 0xDFFF) {
                    *error = {line, "broken UTF-16 surrogate pair"};
                    return false;
                }
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else if (c >= 0xDC00 && c <= 0xDFFF) {
                *error = {line, "broken UTF-16 surrogate pair"};
                return false;
            } else if (c == 0) {
                *error = {line, "the file contains a NUL character"};
                return false;
            } else if (c == '\n') {
                ++line;
            }
            AppendUtf8(text, c);
        }
        return true;
    }
    size_t start = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        start = 3;
    text->assign(reinterpret_cast<const char*>(data) + start, size - start);
    int line = 1;
    for (size_t i = 0; i < text->size();) {
        const char c = (*text)[i];
        if (c == '\0') {
            *error = {line, "the file contains a NUL character"};
            return false;
        }
        if (c == '\n')
            ++line;
        const size_t len = Utf8SequenceLength(*text, i);
        if (len == 0) {
            *error = {line, "the text is not valid UTF-8"};
            return false;
        }
        i += len;
    }
    return true;
}

// ---------------------------------------------------------------- parsing

class Parser {
public:
    Parser(std::string_view text, std::vector<RegFileOp>* ops, RegFileError* error)
        : text_(text), ops_(ops), error_(error)
    {
    }

    bool Run();

private:
    // Next physical line without its line end; false at the end of the text.
    bool NextLine(std::string_view* line);
    bool Fail(int line, std::string message)
    {
        error_->line = line;
        error_->message = std::move(message);
        return false;
    }
    bool ParseSection(std::string_view line);
    bool ParseValue(std::string_view line);
    // Reads a quoted string starting at s[0] == '"'; `rest` gets what follows it.
    bool ParseQuoted(std::string_view s, std::string* out, std::string_view* rest);
    bool ParseHexList(std::string_view first, std::vector<uint8_t>* bytes);

    std::string_view text_;
    size_t pos_ = 0;
    int lineNo_ = 0;       // number of the line last returned by NextLine
    bool haveKey_ = false; // a [KEY] section is open, so values may follow
    Hive hive_ = Hive::CurrentUser;
    std::string path_;
    std::vector<RegFileOp>* ops_;
    RegFileError* error_;
};

bool Parser::NextLine(std::string_view* line)
{
    if (pos_ >= text_.size() && !(pos_ == 0 && lineNo_ == 0))
        return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos)
        end = text_.size();
    *line = text_.substr(pos_, end - pos_);
    if (!line->empty() && line->back() == '\r')
        line->remove_suffix(1);
    pos_ = end + 1;
    ++lineNo_;
    return true;
}

bool Parser::Run()
{
    std::string_view line;
    bool header = false;
    while (NextLine(&line)) {
        if (line.size() > kRegFileMaxLineBytes)
            return Fail(lineNo_, "the line is longer than 4 MiB");
        const std::string_view t = Trim(line);
        if (t.empty())
            continue;
        if (!header) {
            if (t != kHeader)
                return Fail(lineNo_, std::string("the file does not start with \"") + kHeader + "\"");
            header = true;
            continue;
        }
        if (t.front() == ';')
            continue;
        if (t.front() == '[') {
            if (!ParseSection(t))
                return false;
            continue;
        }
        if (!ParseValue(t))
            return false;
    }
    if (!header)
        return Fail(lineNo_ > 0 ? lineNo_ : 1, std::string("the file does not start with \"") + kHeader + "\"");
    return true;
}

bool Parser::ParseSection(std::string_view t)
{
    const int line = lineNo_;
    if (t.back() != ']')
        return Fail(line, "a key line must end with ']'");
    std::string_view inner = t.substr(1, t.size() - 2);
    const bool remove = !inner.empty() && inner.front() == '-';
    if (remove)
        inner.remove_prefix(1);
    if (inner.empty())
        return Fail(line, "the key name is empty");
    if (HasControl(inner))
        return Fail(line, "the key name holds a control character");

    // First component: the hive; the rest: non-empty key names within the limits.
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = inner.find('\\', start);
        parts.push_back(inner.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    Hive hive;
    std::string ignored;
    if (parts[0].find('\\') != std::string_view::npos || !RegSplitFullPath(parts[0], &hive, &ignored))
        return Fail(line, "unknown hive \"" + std::string(parts[0])
                              + "\" (use HKEY_CURRENT_USER, HKCU, HKEY_LOCAL_MACHINE or HKLM)");
    if (parts.size() - 1 > kRegMaxPathDepth)
        return Fail(line, "the key is nested more than 64 levels deep");
    std::string path;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].empty())
            return Fail(line, "the key path has an empty name between backslashes");
        if (Utf8ToUtf16(parts[i]).size() > kRegMaxKeyNameChars)
            return Fail(line, "a key name is longer than 255 characters");
        if (!path.empty())
            path += '\\';
        path += parts[i];
    }
    if (remove && path.empty())
        return Fail(line, "a hive root cannot be deleted");

    RegFileOp op;
    op.kind = remove ? RegFileOp::DeleteKey : RegFileOp::CreateKey;
    op.line = line;
    op.hive = hive;
    op.path = path;
    ops_->push_back(std::move(op));
    haveKey_ = !remove;
    hive_ = hive;
    path_ = std::move(path);
    return true;
}

bool Parser::ParseQuoted(std::string_view s, std::string* out, std::string_view* rest)
{
    out->clear();
    for (size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            *rest = s.substr(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size())
                break;
            const char e = s[++i];
            if (e != '\\' && e != '"')
                return Fail(lineNo_, std::string("unknown escape \"\\") + e + "\" (only \\\\ and \\\" are allowed)");
        }
        out->push_back(s[i]);
    }
    return Fail(lineNo_, "a quoted text has no closing '\"'");
}

bool Parser::ParseHexList(std::string_view first, std::vector<uint8_t>* bytes)
{
    // Join the segments of a list continued with trailing backslashes, keeping
    // where each segment starts so a bad byte is reported on its own line.
    struct Segment {
        size_t offset;
        int line;
    };
    std::string joined;
    std::vector<Segment> segments;
    std::string_view seg = Trim(first);
    int segLine = lineNo_;
    const int startLine = lineNo_;
    while (true) {
        const bool more = !seg.empty() && seg.back() == '\\';
        if (more)
            seg = Trim(seg.substr(0, seg.size() - 1));
        segments.push_back({joined.size(), segLine});
        joined += seg;
        if (joined.size() > 3 * kRegMaxValueBytes + 3)
            return Fail(segLine, "the value is larger than 1 MiB");
        if (!more)
            break;
        std::string_view next;
        if (!NextLine(&next))
            return Fail(startLine, "the hex list continues past the end of the file");
        if (next.size() > kRegFileMaxLineBytes)
            return Fail(lineNo_, "the line is longer than 4 MiB");
        seg = Trim(next);
        segLine = lineNo_;
    }
    bytes->clear();
    if (joined.empty())
        return true;
    // Items are read in increasing offset order, so the segment only moves forward.
    size_t segment = 0;
    auto lineAt = [&](size_t offset) {
        while (segment + 1 < segments.size() && segments[segment + 1].offset <= offset)
            ++segment;
        return segments[segment].line;
    };
    size_t start = 0;
    while (true) {
        size_t end = joined.find(',', start);
        if (end == std::string::npos)
            end = joined.size();
        uint32_t b;
        if (!RegFile::ParseHex(Trim(std::string_view(joined).substr(start, end - start)), 2, &b))
            return Fail(lineAt(start), "a hex byte must be one or two hex digits");
        bytes->push_back(static_cast<uint8_t>(b));
        if (bytes->size() > kRegMaxValueBytes)
            return Fail(lineAt(start), "the value is larger than 1 MiB");
        if (end == joined.size())
            break;
        start = end + 1;
    }
    return true;
}

bool Parser::ParseValue(std::string_view t)
{
    const int line = lineNo_;
    if (!haveKey_)
        return Fail(line, "a value line must follow a [KEY] line");
    RegFileOp op;
    op.line = line;
    op.hive = hive_;
    op.path = path_;

    std::string_view rest;
    if (t.front() == '@') {
        rest = t.substr(1);
    } else if (t.front() == '"') {
        if (!ParseQuoted(t, &op.name, &rest))
            return false; // "" names the default value, like @
        if (Utf8ToUtf16(op.name).size() > kRegMaxValueNameChars)
            return Fail(line, "the value name is longer than 16383 characters");
    } else {
        return Fail(line, "expected [KEY], \"name\"=... or @=...");
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=')
        return Fail(line, "expected '=' after the value name");
    rest = Trim(rest.substr(1));

    if (rest == "-") {
        op.kind = RegFileOp::DeleteValue;
        ops_->push_back(std::move(op));
        return true;
    }
    op.kind = RegFileOp::SetValue;
    if (!rest.empty() && rest.front() == '"') {
        std::string text;
        std::string_view after;
        if (!ParseQuoted(rest, &text, &after))
            return false;
        if (!Trim(after).empty())
            return Fail(line, "unexpected text after the closing '\"'");
        op.type = RegType::Sz;
        op.data = RegSzBytes(Utf8ToUtf16(text));
        if (op.data.size() > kRegMaxValueBytes)
            return Fail(line, "the value is larger than 1 MiB");
    } else if (StartsWithNoCase(rest, "dword:")) {
        uint32_t v;
        if (!RegFile::ParseHex(rest.substr(6), 8, &v))
            return Fail(line, "a dword must be one to eight hex digits");
        op.type = RegType::Dword;
        op.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                   static_cast<uint8_t>(v >> 24)};
    } else if (StartsWithNoCase(rest, "hex:")) {
        op.type = RegType::Binary;
        if (!ParseHexList(rest.substr(4), &op.data))
            return false;
    } else if (StartsWithNoCase(rest, "hex(")) {
        const size_t close = rest.find("):");
        uint32_t type;
        if (close == std::string_view::npos || !RegFile::ParseHex(rest.substr(4, close - 4), 8, &type))
            return Fail(line, "expected hex(N): with N a hex type number");
        op.type = static_cast<RegType>(type);
        if (!ParseHexList(rest.substr(close + 2), &op.data))
            return false;
    } else {
        return Fail(line, "unknown value data (expected \"text\", dword:, hex:, hex(N): or -)");
    }
    ops_->push_back(std::move(op));
    return true;
}

// ---------------------------------------------------------------- writing

void AppendQuoted(std::string* out, std::string_view s)
{
    out->push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"')
            out->push_back('\\');
        out->push_back(c);
    }
    out->push_back('"');
}

// The text of REG_SZ data when "text" reads back to exactly these bytes.
bool PlainText(const std::vector<uint8_t>& data, std::string* text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    const size_t units = data.size() / 2 - 1;
    if (data[units * 2] != 0 || data[units * 2 + 1] != 0)
        return false;
    text->clear();
    for (size_t i = 0; i < units; ++i) {
        char32_t c = static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (c == 0 || IsControl(c) || (c >= 0xDC00 && c <= 0xDFFF))
            return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= units)
                return false;
            const char32_t low = static_cast<char32_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        AppendUtf8(text, c);
    }
    return true;
}

void AppendHexList(std::string* line, const std::vector<uint8_t>& data)
{
    static const char kDigits[] = "0123456789abcdef";
    size_t lineStart = line->rfind('\n');
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    for (size_t i = 0; i < data.size(); ++i) {
        line->push_back(kDigits[data[i] >> 4]);
        line->push_back(kDigits[data[i] & 15]);
        if (i + 1 == data.size())
            break;
        line->push_back(',');
        if (line->size() - lineStart >= kHexWrapColumn) {
            line->append("\\\n  ");
            lineStart = line->size() - 2;
        }
    }
}

std::string FullKeyName(Hive hive, const std::string& path)
{
    std::string full = RegHiveName(hive);
    if (!path.empty())
        full += '\\' + path;
    return full;
}

RegResult ExportKey(const RegKey& key, std::string* out, std::string* error)
{
    const std::string full = FullKeyName(key.hive(), key.path());
    if (HasControl(full)) {
        *error = "the key name \"" + full + "\" holds a control character";
        return RegInvalidParameter;
    }
    *out += '[' + full + "]\n";
    RegValue value;
    std::string line;
    for (uint32_t i = 0;; ++i) {
        const RegResult r = key.EnumValue(i, &value);
        if (r == RegNoMoreItems)
            break;
        if (r != RegOk)
            return r;
        if (!RegFile::FormatValue(value, &line)) {
            *error = "the value name \"" + value.name + "\" in " + full + " holds a control character";
            return RegInvalidParameter;
        }
        *out += line;
        *out += '\n';
    }
    *out += '\n';
    std::string name;
    for (uint32_t i = 0;; ++i) {
        const RegResult r = key.EnumKey(i, &name);
        if (r == RegNoMoreItems)
            break;
        if (r != RegOk)
            return r;
        RegKey child;
        const std::string childPath = key.path().empty() ? name : key.path() + '\\' + name;
        const RegResult o = RegKey::Open(key.hive(), childPath, &child);
        if (o != RegOk)
            return o == RegNotFound ? RegError : o;
        const RegResult e = ExportKey(child, out, error);
        if (e != RegOk)
            return e;
    }
    return RegOk;
}

} // namespace

const char* RegFile::Header()
{
    return kHeader;
}

bool RegFile::Parse(const uint8_t* data, size_t size, std::vector<RegFileOp>* ops, RegFileError* error)
{
    ops->clear();
    *error = RegFileError();
    std::string text;
    if (!DecodeFile(data, size, &text, error))
        return false;
    Parser parser(text, ops, error);
    if (!parser.Run()) {
        ops->clear();
        return false;
    }
    return true;
}

RegResult RegFile::Apply(const std::vector<RegFileOp>& ops, int* failedLine)
{
    RegWriteBatch batch;
    RegKey key;
    for (const RegFileOp& op : ops) {
        RegResult r = RegOk;
        switch (op.kind) {
        case RegFileOp::CreateKey:
            r = RegKey::Create(op.hive, op.path, &key);
            break;
        case RegFileOp::DeleteKey:
            key.Close();
            r = RegDeleteTree(op.hive, op.path);
            if (r == RegNotFound)
                r = RegOk;
            break;
        case RegFileOp::SetValue:
        case RegFileOp::DeleteValue:
            // A value belongs to the key of the step before it; open it again
            // only when that is not the key at hand.
            if (!key.IsOpen() || key.hive() != op.hive || RegFoldName(key.path()) != RegFoldName(op.path))
                r = RegKey::Create(op.hive, op.path, &key);
            if (r != RegOk)
                break;
            if (op.kind == RegFileOp::SetValue) {
                r = key.SetValue(op.name, op.type, op.data.data(), op.data.size());
            } else {
                r = key.DeleteValue(op.name);
                if (r == RegNotFound)
                    r = RegOk;
            }
            break;
        }
        if (r != RegOk) {
            batch.Cancel();
            if (failedLine)
                *failedLine = op.line;
            return r;
        }
    }
    const RegResult r = batch.Commit();
    if (r != RegOk && failedLine)
        *failedLine = 0;
    return r;
}

bool RegFile::FormatValue(const RegValue& value, std::string* line)
{
    line->clear();
    if (HasControl(value.name))
        return false;
    if (value.name.empty())
        line->push_back('@');
    else
        AppendQuoted(line, value.name);
    line->push_back('=');
    std::string text;
    if (value.type == RegType::Dword && value.data.size() == 4) {
        const uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16)
            | (static_cast<uint32_t>(value.data[3]) << 24);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v);
        line->append(buf);
    } else if (value.type == RegType::Sz && PlainText(value.data, &text)) {
        AppendQuoted(line, text);
    } else {
        if (value.type == RegType::Binary) {
            line->append("hex:");
        } else {
            char buf[24];
            std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
            line->append(buf);
        }
        AppendHexList(line, value.data);
    }
    return true;
}

RegResult RegFile::Export(Hive hive, std::string_view path, std::string* out, std::string* error)
{
    RegReadScope snapshot;
    RegKey key;
    const RegResult r = RegKey::Open(hive, path, &key);
    if (r != RegOk)
        return r;
    std::string text = std::string(kHeader) + "\n\n";
    const RegResult e = ExportKey(key, &text, error);
    if (e != RegOk)
        return e;
    out->append(text);
    return RegOk;
}

RegResult RegFile::ExportAll(std::string* out, std::string* error)
{
    RegReadScope snapshot;
    std::string text = std::string(kHeader) + "\n\n";
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        RegKey key;
        RegResult r = RegKey::Open(hive, "", &key);
        if (r == RegOk)
            r = ExportKey(key, &text, error);
        if (r != RegOk)
            return r;
    }
    out->append(text);
    return RegOk;
}

bool RegFile::ParseHex(std::string_view s, size_t maxDigits, uint32_t* out)
{
    if (s.empty() || s.size() > maxDigits)
        return false;
    uint32_t v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0)
            return false;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    *out = v;
    return true;
}

} // namespace dawnbell

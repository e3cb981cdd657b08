// dawnbell-reg: reads and changes the device registry from the command line.
#include "RegFile.h"
#include "Registry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace dawnbell {

namespace {

constexpr const char* kUsage =
    "Usage: dawnbell-reg COMMAND [ARGUMENTS]\n"
    "Reads and changes the Dawnbell registry (registry.db in $DAWNBELL_HOME).\n"
    "\n"
    "  query KEY [VALUE]          show a key's values and subkeys, or one value\n"
    "  add KEY [VALUE TYPE DATA]  create a key (and its parents), or set a value in it\n"
    "  delete KEY [VALUE]         delete a key with everything below it, or one value\n"
    "  export [KEY]               write KEY with everything below it (default: both\n"
    "                             hives) to standard output as a .reg file (UTF-8)\n"
    "  import FILE|-              apply a .reg file (UTF-8, or UTF-16LE with a byte-order\n"
    "                             mark; - reads standard input); a file with a malformed\n"
    "                             line changes nothing\n"
    "  --help                     show this text\n"
    "  --version                  show the version\n"
    "\n"
    "KEY    HKEY_CURRENT_USER\\..., HKCU\\..., HKEY_LOCAL_MACHINE\\... or HKLM\\...\n"
    "VALUE  a value name; \"\" names the key's default value\n"
    "TYPE   dword  DATA is a number, decimal or 0x-hex (0 to 0xffffffff)\n"
    "       sz     DATA is the text\n"
    "       binary DATA is a list of hex bytes such as 01,02,ff (\"\" for none)\n"
    "\n"
    "Exit status: 0 done, 1 key or value not found, 2 usage error, 3 malformed input\n"
    "or a store that cannot be used (damaged, read-only, disk full: the message says\n"
    "which). A read-only store can still be queried and exported. Messages go to\n"
    "standard error.\n";

enum Exit { kExitOk = 0, kExitNotFound = 1, kExitUsage = 2, kExitFailed = 3 };

// The command-line tool: one command per run, results on stdout, messages on stderr.
class RegTool {
public:
    int Run(const std::vector<std::string>& args);

private:
    int Query(const std::vector<std::string>& args);
    int Add(const std::vector<std::string>& args);
    int Delete(const std::vector<std::string>& args);
    int Export(const std::vector<std::string>& args);
    int Import(const std::vector<std::string>& args);

    int Usage(const std::string& message);
    int Fail(int code, const std::string& message);
    // Exit code and message for a store result that is not RegOk.
    int FailResult(RegResult r, const std::string& what);
    bool ParseKey(const std::string& full, Hive* hive, std::string* path);
    int Flush();
    int Print(const std::string& text);
};

int RegTool::Usage(const std::string& message)
{
    std::fprintf(stderr, "dawnbell-reg: %s\nTry 'dawnbell-reg --help'.\n", message.c_str());
    return kExitUsage;
}

int RegTool::Fail(int code, const std::string& message)
{
    std::fprintf(stderr, "dawnbell-reg: %s\n", message.c_str());
    return code;
}

int RegTool::FailResult(RegResult r, const std::string& what)
{
    switch (r) {
    case RegOk:
        return kExitOk;
    case RegNotFound:
        return Fail(kExitNotFound, what + ": not found");
    case RegInvalidParameter:
        return Fail(kExitUsage, what + ": invalid name or data (too long, a hive root, or not UTF-8)");
    default:
        break;
    }
    // The store names its own cause: damaged, read-only, disk full, locked.
    const std::string cause = RegFaultText(RegLastFault());
    return Fail(kExitFailed, what + ": " + (cause.empty() ? "the registry store could not be read or written" : cause));
}

bool RegTool::ParseKey(const std::string& full, Hive* hive, std::string* path)
{
    if (!RegSplitFullPath(full, hive, path)) {
        Usage("unknown key \"" + full + "\": it must start with HKEY_CURRENT_USER, HKCU, HKEY_LOCAL_MACHINE or HKLM");
        return false;
    }
    return true;
}

int RegTool::Flush()
{
    if (RegFlush(Hive::CurrentUser) != RegOk || RegFlush(Hive::LocalMachine) != RegOk)
        return FailResult(RegError, "flushing the registry to disk");
    return kExitOk;
}

int RegTool::Print(const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return Fail(kExitFailed, std::string("cannot write the output: ") + std::strerror(errno));
    return kExitOk;
}

std::string TypeName(RegType type)
{
    switch (type) {
    case RegType::None:
        return "REG_NONE";
    case RegType::Sz:
        return "REG_SZ";
    case RegType::Binary:
        return "REG_BINARY";
    case RegType::Dword:
        return "REG_DWORD";
    }
    return "REG_TYPE_" + std::to_string(static_cast<uint32_t>(type));
}

std::string HexBytes(const std::vector<uint8_t>& data)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : data) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

// "    name    TYPE    data" as the classic tool shows a value.
std::string ValueLine(const RegValue& v)
{
    std::string data;
    std::u16string text;
    if (v.type == RegType::Dword && v.data.size() == 4) {
        const uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%x", n);
        data = buf;
    } else if (v.type == RegType::Sz && RegSzText(v.data, &text)) {
        data = Utf16ToUtf8(text);
    } else {
        data = HexBytes(v.data);
    }
    return "    " + (v.name.empty() ? std::string("(Default)") : v.name) + "    " + TypeName(v.type) + "    " + data
        + "\n";
}

bool ParseDword(const std::string& s, uint32_t* out)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return RegFile::ParseHex(std::string_view(s).substr(2), 8, out);
    if (s.empty() || s.size() > 10)
        return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

bool ParseBytes(const std::string& s, std::vector<uint8_t>* out)
{
    out->clear();
    if (s.empty())
        return true;
    size_t start = 0;
    while (true) {
        size_t end = s.find(',', start);
        if (end == std::string::npos)
            end = s.size();
        uint32_t v = 0;
        if (!RegFile::ParseHex(std::string_view(s).substr(start, end - start), 2, &v))
            return false;
        out->push_back(static_cast<uint8_t>(v));
        if (end == s.size())
            return true;
        start = end + 1;
    }
}

bool IsUtf8(const std::string& s)
{
    return Utf16ToUtf8(Utf8ToUtf16(s)) == s;
}

int RegTool::Run(const std::vector<std::string>& args)
{
    if (args.empty())
        return Usage("no command given");
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    if (cmd == "--version") {
        if (args.size() != 1)
            return Usage("--version takes no arguments");
        std::printf("dawnbell-reg %s\n", DAWNBELL_VERSION);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    if (cmd == "query")
        return Query(args);
    if (cmd == "add")
        return Add(args);
    if (cmd == "delete")
        return Delete(args);
    if (cmd == "export")
        return Export(args);
    if (cmd == "import")
        return Import(args);
    return Usage("unknown command \"" + cmd + "\"");
}

int RegTool::Query(const std::vector<std::string>& args)
{
    if (args.size() != 2 && args.size() != 3)
        return Usage("query takes KEY and an optional VALUE");
    Hive hive;
    std::string path;
    if (!ParseKey(args[1], &hive, &path))
        return kExitUsage;
    RegReadScope snapshot;
    RegKey key;
    RegResult r = RegKey::Open(hive, path, &key);
    if (r != RegOk)
        return FailResult(r, args[1]);
    std::string full = RegHiveName(hive);
    if (!key.path().empty())
        full += "\\" + key.path();
    std::string out = full + "\n";
    if (args.size() == 3) {
        RegValue v;
        v.name = args[2];
        r = key.QueryValue(v.name, &v.type, &v.data);
        if (r != RegOk)
            return FailResult(r, args[1] + " value \"" + args[2] + "\"");
        out += ValueLine(v);
        return Print(out);
    }
    RegValue v;
    for (uint32_t i = 0; (r = key.EnumValue(i, &v)) == RegOk; ++i)
        out += ValueLine(v);
    if (r != RegNoMoreItems)
        return FailResult(r, args[1]);
    std::string name;
    for (uint32_t i = 0; (r = key.EnumKey(i, &name)) == RegOk; ++i) {
        if (i == 0)
            out += "\n";
        out += full + "\\" + name + "\n";
    }
    if (r != RegNoMoreItems)
        return FailResult(r, args[1]);
    return Print(out);
}

int RegTool::Add(const std::vector<std::string>& args)
{
    if (args.size() != 2 && args.size() != 5)
        return Usage("add takes KEY, or KEY VALUE TYPE DATA");
    Hive hive;
    std::string path;
    if (!ParseKey(args[1], &hive, &path))
        return kExitUsage;
    RegType type = RegType::None;
    std::vector<uint8_t> data;
    if (args.size() == 5) {
        std::string t = args[3];
        for (char& c : t)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (t == "dword") {
            uint32_t v;
            if (!ParseDword(args[4], &v))
                return Usage("a dword must be a number from 0 to 4294967295, decimal or 0x-hex: \"" + args[4] + "\"");
            type = RegType::Dword;
            data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
        } else if (t == "sz") {
            if (!IsUtf8(args[4]))
                return Usage("the text is not valid UTF-8");
            type = RegType::Sz;
            data = RegSzBytes(Utf8ToUtf16(args[4]));
        } else if (t == "binary") {
            if (!ParseBytes(args[4], &data))
                return Usage("binary data must be hex bytes separated by commas, such as 01,02,ff: \"" + args[4]
                             + "\"");
            type = RegType::Binary;
        } else {
            return Usage("unknown type \"" + args[3] + "\" (use dword, sz or binary)");
        }
    }
    // The key and its value appear together or not at all.
    RegWriteBatch batch;
    RegKey key;
    RegResult r = RegKey::Create(hive, path, &key);
    if (r == RegOk && args.size() == 5)
        r = key.SetValue(args[2], type, data.data(), data.size());
    if (r != RegOk) {
        batch.Cancel();
        return FailResult(r, args[1]);
    }
    if (batch.Commit() != RegOk)
        return FailResult(RegError, args[1]);
    return Flush();
}

int RegTool::Delete(const std::vector<std::string>& args)
{
    if (args.size() != 2 && args.size() != 3)
        return Usage("delete takes KEY and an optional VALUE");
    Hive hive;
    std::string path;
    if (!ParseKey(args[1], &hive, &path))
        return kExitUsage;
    RegResult r;
    if (args.size() == 2) {
        r = RegDeleteTree(hive, path);
        if (r == RegInvalidParameter)
            return Usage("\"" + args[1] + "\" is a hive root or not a valid key name; a hive root cannot be deleted");
    } else {
        RegKey key;
        r = RegKey::Open(hive, path, &key);
        if (r != RegOk)
            return FailResult(r, args[1]);
        r = key.DeleteValue(args[2]);
        if (r != RegOk)
            return FailResult(r, args[1] + " value \"" + args[2] + "\"");
    }
    if (r != RegOk)
        return FailResult(r, args[1]);
    return Flush();
}

int RegTool::Export(const std::vector<std::string>& args)
{
    if (args.size() > 2)
        return Usage("export takes an optional KEY");
    std::string out;
    std::string error;
    RegResult r;
    if (args.size() == 2) {
        Hive hive;
        std::string path;
        if (!ParseKey(args[1], &hive, &path))
            return kExitUsage;
        r = RegFile::Export(hive, path, &out, &error);
    } else {
        r = RegFile::ExportAll(&out, &error);
    }
    if (r == RegInvalidParameter)
        return Fail(kExitFailed, "cannot export: " + error);
    if (r != RegOk)
        return FailResult(r, args.size() == 2 ? args[1] : std::string("the registry"));
    return Print(out);
}

int RegTool::Import(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Usage("import takes one FILE, or - for standard input");
    const std::string& name = args[1];
    FILE* in = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
    if (!in) {
        const int err = errno;
        return Fail(err == ENOENT ? kExitNotFound : kExitFailed, name + ": " + std::strerror(err));
    }
    // Read one byte past the limit so an oversized file is recognised.
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
        if (bytes.size() > kRegFileMaxBytes)
            break;
    }
    const bool readError = std::ferror(in) != 0;
    if (in != stdin)
        std::fclose(in);
    if (readError)
        return Fail(kExitFailed, name + ": cannot read the file");

    std::vector<RegFileOp> ops;
    RegFileError error;
    if (!RegFile::Parse(bytes.data(), bytes.size(), &ops, &error)) {
        if (error.line > 0)
            return Fail(kExitFailed, name + ":" + std::to_string(error.line) + ": " + error.message
                                         + "; nothing was imported");
        return Fail(kExitFailed, name + ": " + error.message + "; nothing was imported");
    }
    int line = 0;
    const RegResult r = RegFile::Apply(ops, &line);
    if (r != RegOk) {
        const std::string where = line > 0 ? name + ":" + std::to_string(line) : name;
        const std::string cause = r == RegError ? RegFaultText(RegLastFault()) : std::string();
        return Fail(kExitFailed, where + ": the registry refused the change" + (cause.empty() ? "" : " (" + cause + ")")
                                     + "; nothing was imported");
    }
    return Flush();
}

} // namespace

} // namespace dawnbell

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    dawnbell::RegTool tool;
    return tool.Run(args);
}

#include "Shortcut.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// One word of an Exec line: quoted when it holds a reserved character, with
// the characters that stay special inside quotes escaped.
std::string ExecWord(std::string_view word)
{
    bool quote = word.empty();
    for (char c : word) {
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`=").find(c) != std::string_view::npos)
            quote = true;
    }
    std::string out;
    if (quote)
        out += '"';
    for (char c : word) {
        if (c == '%') {
            out += "%%"; // field codes start with %
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
    }
    if (quote)
        out += '"';
    return out;
}

// A value of a desktop entry: backslashes and line breaks escaped.
std::string EntryValue(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool WriteFileAtomically(const std::string& path, const std::string& content)
{
    const std::string tmp = path + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += size_t(n);
    }
    const bool ok = ::fsync(fd) == 0 && ::close(fd) == 0;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string ProgramsFolder()
{
    std::string data = Env("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') {
        const std::string home = Env("HOME");
        if (home.empty())
            return std::string();
        data = home + "/.local/share";
    }
    return data + "/applications";
}

std::string DesktopExec(std::string_view program, std::string_view arguments)
{
    std::string exec = ExecWord(program);
    size_t pos = 0;
    while (pos < arguments.size()) {
        const size_t end = std::min(arguments.find(' ', pos), arguments.size());
        if (end > pos)
            exec += " " + ExecWord(arguments.substr(pos, end - pos));
        pos = end + 1;
    }
    return exec;
}

std::string DeviceExec(std::string_view program, std::string_view arguments)
{
    std::string home = Env("DAWNBELL_HOME");
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    if (home.empty())
        return DesktopExec(program, arguments);
    if (home[0] != '/') {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd))
            return DesktopExec(program, arguments);
        home = std::string(cwd) + "/" + home;
    }
    return "env " + ExecWord("DAWNBELL_HOME=" + home) + " " + DesktopExec(program, arguments);
}

bool CreateShortcut(const std::string& path, std::string_view target)
{
    // "\"program\" arguments", or an unquoted program followed by its arguments.
    std::string_view program, arguments;
    if (!target.empty() && target[0] == '"') {
        const size_t close = target.find('"', 1);
        if (close == std::string_view::npos)
            return false;
        program = target.substr(1, close - 1);
        arguments = target.substr(close + 1);
    } else {
        const size_t blank = std::min(target.find(' '), target.size());
        program = target.substr(0, blank);
        arguments = target.substr(blank);
    }
    while (!arguments.empty() && arguments.front() == ' ')
        arguments.remove_prefix(1);
    if (program.empty() || program[0] != '/')
        return false;

    std::string name = BaseName(path);
    const std::string suffix = ".desktop";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());

    std::string entry = "[Desktop Entry]\nVersion=1.4\nType=Application\n";
    entry += "Name=" + EntryValue(name) + "\n";
    entry += "Exec=" + EntryValue(DeviceExec(program, arguments)) + "\n";
    const std::string icon = DirName(std::string(program)) + "/dawnbell.png";
    struct stat st;
    if (::stat(icon.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        entry += "Icon=" + EntryValue(icon) + "\n";
    entry += "Terminal=false\nCategories=Utility;Clock;\n";
    return WriteFileAtomically(path, entry);
}

bool DeleteShortcut(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

} // namespace dawnbell

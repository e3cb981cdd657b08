// A program for the notification tests: appends one line describing its
// arguments to the file named by NOTIFY_ARGV_FILE, in a form that keeps every
// byte: "<count>" then ";<length>:<bytes>" per argument. One write per run, with
// O_APPEND, so concurrent runs never interleave.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* file = std::getenv("NOTIFY_ARGV_FILE");
    if (!file)
        return 1;
    std::string line = std::to_string(argc - 1);
    for (int i = 1; i < argc; ++i)
        line += ";" + std::to_string(std::strlen(argv[i])) + ":" + argv[i];
    line += "\n";
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return 1;
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return ok ? 0 : 1;
}

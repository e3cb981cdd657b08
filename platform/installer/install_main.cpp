// dawnbell-install: installs, updates and removes Dawnbell for the current user.
//
//   dawnbell-install install [--dir DIR]   copy the program folder to DIR and set everything up
//   dawnbell-install update  [--dir DIR]   replace an installed version, keeping alarms and settings
//   dawnbell-install remove  [--dir DIR]   remove Dawnbell and everything it made (only that)
//
// It installs the program folder it runs from.
#include "DevicePaths.h"
#include "PackageInstaller.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void Usage(FILE* to)
{
    std::fprintf(to,
                 "usage: dawnbell-install install|update|remove [--dir DIR]\n"
                 "  install  copies this program folder to DIR (default: ~/.local/lib/dawnbell,\n"
                 "           /opt/dawnbell for root, or this folder itself when it belongs to\n"
                 "           the installed package) and sets up the shortcuts, the today item\n"
                 "           and the alarm service\n"
                 "  update   replaces the installed version; alarms and settings stay, every\n"
                 "           alarm is switched off\n"
                 "  remove   removes Dawnbell with its alarms, settings and shortcuts, and the\n"
                 "           files it installed (a folder holding anything else stays)\n"
                 "  --dir DIR  the installation folder (for remove: the one it must be in)\n"
                 "Exit status: 0 done, 1 failed or something it made was left in place (each\n"
                 "said in a line), 2 refused with nothing changed.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    const std::string verb = argv[1];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        Usage(stdout);
        return 0;
    }
    std::string dir;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
            dir = argv[++i];
        } else {
            std::fprintf(stderr, "dawnbell-install: unexpected argument \"%s\"\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    dawnbell::install::PackageInstaller installer(dawnbell::ProgramDir(), stdout, stderr);
    if (verb == "install")
        return installer.Install(dir);
    if (verb == "update")
        return installer.Update(dir);
    if (verb == "remove")
        return installer.Remove(dir);
    std::fprintf(stderr, "dawnbell-install: unknown command \"%s\"\n", verb.c_str());
    Usage(stderr);
    return 2;
}

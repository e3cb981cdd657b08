#pragma once
// Notices a change of the local time zone at the cost of one stat: the zone is
// named by TZ and, without it (or with a TZ that names a file), by the file
// /etc/localtime, which the system replaces or points elsewhere when the user
// picks another zone. The C library reads the zone file only when told to
// (mktime does, localtime_r does not), so a watcher that sees a change also has
// it read again: ToLocal answers in the new zone at once.
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>

namespace dawnbell::clock {

class ZoneWatch {
public:
    // True on the first call and whenever the zone may have changed since the
    // last call (TZ changed, or /etc/localtime was replaced, modified, removed or
    // made to point at another zone); the C library's zone is then read again.
    bool Changed()
    {
        std::string key = Key();
        if (seen_ && key == key_)
            return false;
        key_ = std::move(key);
        seen_ = true;
        ::tzset();
        return true;
    }

private:
    // TZ and the identity and age of the zone file, as one text.
    static std::string Key()
    {
        const char* tz = std::getenv("TZ");
        std::string key = tz ? std::string("TZ=") + tz : std::string("-");
        struct stat st {};
        if (::stat("/etc/localtime", &st) == 0) {
            key += ' ' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':'
                   + std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.'
                   + std::to_string(st.st_mtim.tv_nsec);
        }
        return key;
    }

    bool seen_ = false; // Changed was called before
    std::string key_;   // Key() at the last call
};

} // namespace dawnbell::clock

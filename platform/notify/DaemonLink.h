#pragma once
// How clients and the notification service find each other.
//
// One service runs per device directory. It holds an exclusive POSIX record
// lock (fcntl) on <device directory>/notifyd.lock for its whole life (the lock
// file also holds its process id as text). Such a lock belongs to the process,
// not to a descriptor: no child ever shares it, so it ends the moment the service
// does, also after a kill. The service receives wake-ups on a datagram socket in the runtime
// directory, notifyd-<hash>.sock, where <hash> is a hash of the device directory's
// path, so services of different device directories never share a socket even
// when they share a runtime directory. The socket is mode 0600 inside the 0700
// runtime folder. A wake-up is any datagram: kWakeCheck asks the service to check
// the store file as well (a client found it damaged); any other byte just wakes it.
// The service writes what it does (what it started, what it removed, the clock
// it armed, damaged stores) to <device directory>/notifyd.log, mode 0600, rotated
// at 1 MiB with one older copy notifyd.log.1; what the programs it starts write
// to standard error is appended to <device directory>/dawnbell.log, the
// program's log. It ends when its device directory
// or its lock file is removed.
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace dawnbell::notify {

struct DaemonPaths {
    std::string deviceDir; // empty when no device directory can be made
    std::string database;  // <device>/notifications.db
    std::string lock;      // <device>/notifyd.lock
    std::string log;       // <device>/notifyd.log: the service's log
    std::string programLog; // <device>/dawnbell.log: the program's log, where the
                            // standard error of what the service starts goes
    std::string socket;    // <runtime>/notifyd-<hash>.sock
};

// The paths for the current DAWNBELL_HOME / XDG settings.
DaemonPaths CurrentDaemonPaths();

// 64-bit FNV-1a of a text, for the socket name.
uint64_t PathHash(const std::string& text);

// Takes the service's lock on the open lock file `fd` without waiting: 0 when
// taken, -1 (errno EAGAIN or EACCES) when another process holds it. The holder
// must never close another descriptor of the lock file: that would end its lock.
int LockFile(int fd);

// Process id of the process holding the lock, -1 when held by a process whose id
// is unknown, 0 when free (or held by the calling process itself).
pid_t LockHolder(const std::string& lockPath);

// Wake-up kinds.
constexpr char kWakeChange = 'c'; // records were set or cleared
constexpr char kWakeCheck = 'k';  // a client found the store damaged

// Sends one wake-up datagram. False when no service listens.
bool SendWake(const std::string& socketPath, char kind = kWakeChange);

} // namespace dawnbell::notify

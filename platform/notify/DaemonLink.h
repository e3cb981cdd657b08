#pragma once
// How clients and the notification service find each other.
//
// One service runs per device directory. It holds an exclusive flock on
// <device directory>/notifyd.lock for its whole life (the lock file holds its
// process id as text) and receives wake-ups on a datagram socket in the runtime
// directory, notifyd-<hash>.sock, where <hash> is a hash of the device directory's
// path, so services of different device directories never share a socket even
// when they share a runtime directory. The socket is mode 0600 inside the 0700
// runtime folder. A wake-up is any datagram; its content is ignored.
// The service writes what it does (what it started, what it removed, the clock
// it armed, damaged stores) to <device directory>/notifyd.log, mode 0600, rotated
// at 1 MiB with one older copy notifyd.log.1. It ends when its device directory
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
    std::string socket;    // <runtime>/notifyd-<hash>.sock
};

// The paths for the current DAWNBELL_HOME / XDG settings.
DaemonPaths CurrentDaemonPaths();

// 64-bit FNV-1a of a text, for the socket name.
uint64_t PathHash(const std::string& text);

// Process id written in the lock file when a process holds the lock, else 0.
pid_t LockHolder(const std::string& lockPath);

// Sends one wake-up datagram. False when no service listens.
bool SendWake(const std::string& socketPath);

} // namespace dawnbell::notify

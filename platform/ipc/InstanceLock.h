#pragma once
// The single-instance lock: an exclusive flock on a file in the runtime directory
// whose name is derived from the executable's full path, so each installed copy
// of the program has its own. The kernel releases it when the process ends, also
// after a crash. Plain C++, no Qt.
#include <string>

namespace dawnbell::ipc {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Outcome of Acquire.
    enum Result {
        Acquired,   // this process now holds the lock
        HeldByOther,// another process holds it: an instance is running
        Failed,     // the lock file could not be made (no runtime directory, ...)
    };
    // Tries once, without waiting, to take the lock named after `executablePath`.
    Result Acquire(const std::string& executablePath);
    // Gives the lock up (also done by the destructor).
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

    // The lock's name: the path with every '\' turned into '/'.
    static std::string LockName(const std::string& executablePath);
    // The lock file for a path: RuntimeDir()/"instance-" + the name with every byte
    // outside [A-Za-z0-9._-] written as %XX; very long names end in a hash instead.
    static std::string LockFilePath(const std::string& executablePath);

private:
    int m_fd = -1; // open lock file while held
};

} // namespace dawnbell::ipc

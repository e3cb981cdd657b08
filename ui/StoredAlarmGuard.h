#pragma once
// Keeps an alarm's stored section safe while a window works on it after taking
// it out of the store: the main window withdraws an alarm (deactivates it and
// deletes its section) before its editor opens, because the edit may change the
// alarm's key. The guard takes a copy of every stored value of the section when
// it is made; when the program is told to end (ExitSignals) before the guard is
// dismissed, it writes the section back exactly as it was (same values, types
// and bytes, anything written there since removed) and rebuilds the schedule,
// so a logout or `kill` during an edit neither loses nor changes the alarm.
#include <QMetaObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace dawnbell {

class StoredAlarmGuard {
public:
    // Copies the stored section `key` (below the settings root) and watches the
    // exit signals (when the program installed them).
    explicit StoredAlarmGuard(const QString& key);
    // Stops watching; the section is left as it is then.
    ~StoredAlarmGuard();
    StoredAlarmGuard(const StoredAlarmGuard&) = delete;
    StoredAlarmGuard& operator=(const StoredAlarmGuard&) = delete;

    // Writes the copy back (or deletes the section when there was none), flushes
    // and rebuilds the schedule. Runs once; later calls do nothing.
    void Restore();
    // Restore has run: the caller must not write the alarm any more.
    bool restored() const { return restored_; }

private:
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    std::string path_;               // the section's key below HKEY_CURRENT_USER
    bool existed_ = false;           // the section was stored when the guard was made
    std::vector<Value> values_;      // its values then
    bool restored_ = false;          // Restore has run
    QMetaObject::Connection watch_;  // to ExitSignals::received
};

} // namespace dawnbell

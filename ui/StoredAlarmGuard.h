#pragma once
// Keeps an alarm safe while the main window edits it after taking it out of
// the store: the main window withdraws an alarm (deactivates it and deletes its
// section) before its editor opens, because the edit may change the alarm's key.
//
// The guard keeps the section as stored (EditBackup): a crash, SIGKILL or power
// loss during the edit is mended at the next start, and when the program is
// told to end (ExitSignals) before the edit is finished, the guard writes the
// section back at once, exactly as it was (same values, types and bytes,
// anything written there since removed) and rebuilds the schedule, so a logout
// or `kill` during an edit neither loses nor changes the alarm.
#include "EditBackup.h"

#include <QMetaObject>
#include <QString>

#include <functional>

namespace dawnbell {

class StoredAlarmGuard {
public:
    // Reads the stored section `key` (below the settings root) and watches the
    // exit signals (when the program installed them).
    explicit StoredAlarmGuard(const QString& key);
    // Stops watching; the store is left as it is then.
    ~StoredAlarmGuard();
    StoredAlarmGuard(const StoredAlarmGuard&) = delete;
    StoredAlarmGuard& operator=(const StoredAlarmGuard&) = delete;

    // Runs `withdraw` (deactivate, delete the section) together with keeping
    // the copy, all or nothing; false when the store refused both.
    bool Withdraw(const std::function<void()>& withdraw) { return backup_.Withdraw(withdraw); }
    // Runs `save` (store the edited or cancelled alarm) together with dropping
    // the copy, all or nothing. Does nothing after Restore.
    void Finish(const std::function<void()>& save) { backup_.Finish(save); }

    // Writes the section back as it was read (or deletes the section when there
    // was none), drops the copy, flushes and rebuilds the schedule. Runs once;
    // later calls do nothing.
    void Restore() { backup_.Restore(); }
    // Restore has run: the caller must not write the alarm any more.
    bool restored() const { return backup_.restored(); }

private:
    EditBackup backup_;             // the section as stored, in memory and in the store
    QMetaObject::Connection watch_; // to ExitSignals::received
};

} // namespace dawnbell

#pragma once
// Keeps an alarm's stored section while the main window edits the alarm.
//
// The main window takes an alarm out of the store before an editor opens (it
// deactivates it and deletes its section, because the edit may change the key
// that names the section) and saves it under its new key when the editor
// closes. In between the alarm exists only in memory: a crash, SIGKILL or power
// loss then would lose it and its next ringing for good.
//
// An EditBackup holds the section's values exactly as stored (names, types and
// bytes), in memory and in the registry under "editing\<process id>\<key>",
// a section no loader takes for an alarm or a template ("editing" fails the
// section-name rule of SectionName.h). The copy is written in the same write
// batch that takes the alarm out of the store and removed in the same batch
// that stores it again, so at every moment the store holds the alarm or its
// copy. The next start of the program puts back what a process that no longer
// runs left there (RestoreLeftOver).
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dawnbell {

class EditBackup {
public:
    // The section below the settings root that holds the copies.
    static constexpr const char* kSection = "editing";

    // Reads the stored section `key` (below the settings root); writes nothing.
    explicit EditBackup(const QString& key);
    // Leaves the copy as it is: an edit that did not end through Finish or
    // Restore is put back at the next start.
    ~EditBackup() = default;
    EditBackup(const EditBackup&) = delete;
    EditBackup& operator=(const EditBackup&) = delete;

    // Runs `withdraw` (which deactivates the alarm and deletes its section) in
    // one write batch with writing the copy. False when the batch could not be
    // committed: then neither was applied.
    bool Withdraw(const std::function<void()>& withdraw);
    // Runs `save` (which stores the edited alarm, under its new key) in one
    // write batch with removing the copy. False when the batch could not be
    // committed: the copy then stays and is put back at the next start. Does
    // nothing after Restore.
    bool Finish(const std::function<void()>& save);
    // Writes the section back exactly as it was read (or removes it when there
    // was none; anything written there since is removed) and removes the copy,
    // in one batch; then flushes and rebuilds the schedule. Runs once.
    void Restore();
    // Restore has run: the caller must not store the alarm any more.
    bool restored() const { return restored_; }

    // Start-up: every copy left by a process that no longer runs this program
    // is put back as its alarm's section, unless a section of that key is
    // stored (the stored one is kept) or the key is not an alarm key; the
    // copies are removed. Flushes, and rebuilds the schedule when something was
    // put back. Logs what it did. Returns the keys put back.
    static QStringList RestoreLeftOver();

    // The keys whose copies are kept now, by any process (sorted).
    static QStringList PendingKeys();

private:
    struct Value {
        std::string name;
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    std::string key_;           // the section's name below the root
    bool existed_ = false;      // the section was stored when read
    std::vector<Value> values_; // its values then
    bool kept_ = false;         // the copy was written by Withdraw
    bool restored_ = false;     // Restore has run
};

} // namespace dawnbell

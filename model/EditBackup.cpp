#include "EditBackup.h"

#include "DevicePaths.h"
#include "Process.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"
#include "SectionName.h"

#include <QtGlobal>

#include <unistd.h>

namespace dawnbell {

namespace {

std::string RootPath() { return Profile::RootPath().toStdString(); }

std::string EditingPath() { return RootPath() + "\\" + EditBackup::kSection; }

// "editing\<this process>": where this process keeps its copies.
std::string OwnCopiesPath() { return EditingPath() + "\\" + std::to_string(::getpid()); }

std::vector<std::string> SubkeyNames(const std::string& path)
{
    std::vector<std::string> names;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, path, &key) != RegOk)
        return names;
    std::string name;
    for (uint32_t i = 0; key.EnumKey(i, &name) == RegOk; ++i)
        names.push_back(name);
    return names;
}

// Removes `path` when it has neither subkeys nor values.
void DeleteIfEmpty(const std::string& path)
{
    RegKey key;
    uint32_t subkeys = 0;
    uint32_t values = 0;
    if (RegKey::Open(Hive::CurrentUser, path, &key) == RegOk && key.QueryInfo(&subkeys, &values) == RegOk &&
        subkeys == 0 && values == 0) {
        key.Close();
        RegDeleteTree(Hive::CurrentUser, path);
    }
}

// Writes `values` as the whole key `path` (created; values of the same names
// replaced). False when a write failed.
template <typename Values>
bool WriteKey(const std::string& path, const Values& values)
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, path, &key) != RegOk)
        return false;
    for (const auto& v : values) {
        if (key.SetValue(v.name, static_cast<RegType>(v.type), v.data.data(), v.data.size()) != RegOk)
            return false;
    }
    return true;
}

// The process that wrote the copies under "editing\<name>" runs this program
// still, so its edit is open.
bool WriterRuns(const std::string& name)
{
    bool ok = false;
    const qlonglong pid = QString::fromStdString(name).toLongLong(&ok);
    return ok && pid > 0 && pid <= INT32_MAX && pid != ::getpid() &&
           process::RunsProgram(static_cast<pid_t>(pid), ProgramPath());
}

} // namespace

EditBackup::EditBackup(const QString& key)
    : key_(key.toStdString())
{
    RegKey section;
    existed_ = IsStorableSectionName(key) && RegKey::Open(Hive::CurrentUser, RootPath() + "\\" + key_, &section) == RegOk;
    if (!existed_)
        return;
    RegValue v;
    for (uint32_t i = 0; section.EnumValue(i, &v) == RegOk; ++i)
        values_.push_back({v.name, static_cast<uint32_t>(v.type), v.data});
}

bool EditBackup::Withdraw(const std::function<void()>& withdraw)
{
    RegWriteBatch batch;
    const std::string copy = OwnCopiesPath() + "\\" + key_;
    if (existed_) {
        RegDeleteTree(Hive::CurrentUser, copy); // nothing of an older copy stays
        WriteKey(copy, values_);                 // a failed write fails the batch
    }
    withdraw();
    Profile::Flush(); // once the batch has committed
    if (batch.Commit() != RegOk) {
        qWarning("The alarm %s could not be taken out of the store for its edit.", key_.c_str());
        return false;
    }
    kept_ = existed_;
    return true;
}

bool EditBackup::Finish(const std::function<void()>& save)
{
    if (restored_)
        return false;
    RegWriteBatch batch;
    save();
    if (kept_) {
        RegDeleteTree(Hive::CurrentUser, OwnCopiesPath() + "\\" + key_);
        DeleteIfEmpty(OwnCopiesPath());
        DeleteIfEmpty(EditingPath());
    }
    Profile::Flush();
    if (batch.Commit() != RegOk) {
        qWarning("The edited alarm %s could not be stored; the next start puts it back as it was.", key_.c_str());
        return false;
    }
    kept_ = false;
    return true;
}

void EditBackup::Restore()
{
    if (restored_)
        return;
    restored_ = true;
    {
        RegWriteBatch batch; // readers see the old section or the restored one, never half of it
        const std::string section = RootPath() + "\\" + key_;
        if (!key_.empty())
            RegDeleteTree(Hive::CurrentUser, section);
        if (existed_)
            WriteKey(section, values_);
        if (kept_) {
            RegDeleteTree(Hive::CurrentUser, OwnCopiesPath() + "\\" + key_);
            DeleteIfEmpty(OwnCopiesPath());
            DeleteIfEmpty(EditingPath());
        }
        if (batch.Commit() == RegOk)
            kept_ = false;
    }
    Profile::Flush();
    Scheduler::ReRegisterAll();
    qInfo("The alarm being edited was left as stored (%s).", key_.c_str());
}

QStringList EditBackup::RestoreLeftOver()
{
    QStringList restored;
    const std::string editing = EditingPath();
    const std::vector<std::string> writers = SubkeyNames(editing);
    if (writers.empty())
        return restored; // the usual start: nothing to write, not even on a read-only store
    for (const std::string& writer : writers) {
        if (WriterRuns(writer))
            continue; // that edit is still open
        const std::string copies = editing + "\\" + writer;
        QStringList put;
        RegWriteBatch batch;
        for (const std::string& name : SubkeyNames(copies)) {
            const QString key = QString::fromStdString(name);
            SectionInfo info;
            const SectionKind kind = ParseSectionName(key, &info);
            RegKey stored;
            if (kind != SectionKind::Alarm && kind != SectionKind::Appointment) {
                qWarning("A left-over copy named %s is not an alarm; dropped.", qPrintable(key));
                continue;
            }
            if (RegKey::Open(Hive::CurrentUser, RootPath() + "\\" + name, &stored) == RegOk) {
                qWarning("The alarm %s was being edited when the program ended, and is stored again since; "
                         "the stored one is kept.",
                         qPrintable(key));
                continue;
            }
            RegKey copy;
            std::vector<RegValue> values;
            if (RegKey::Open(Hive::CurrentUser, copies + "\\" + name, &copy) == RegOk) {
                RegValue v;
                for (uint32_t i = 0; copy.EnumValue(i, &v) == RegOk; ++i)
                    values.push_back(v);
            }
            WriteKey(RootPath() + "\\" + name, values);
            put << key;
        }
        RegDeleteTree(Hive::CurrentUser, copies);
        if (batch.Commit() != RegOk) {
            qWarning("The alarms being edited when the program last ended could not be put back (the store "
                     "refused the write); the next start tries again.");
            continue;
        }
        restored << put;
    }
    {
        RegWriteBatch batch;
        DeleteIfEmpty(editing);
    }
    Profile::Flush();
    if (restored.isEmpty())
        return restored;
    Scheduler::ReRegisterAll();
    for (const QString& key : restored)
        qWarning("The program ended while the alarm %s was being edited; the alarm is put back as it was stored "
                 "and scheduled again.",
                 qPrintable(key));
    return restored;
}

QStringList EditBackup::PendingKeys()
{
    QStringList keys;
    for (const std::string& writer : SubkeyNames(EditingPath())) {
        for (const std::string& name : SubkeyNames(EditingPath() + "\\" + writer))
            keys << QString::fromStdString(name);
    }
    keys.sort();
    return keys;
}

} // namespace dawnbell

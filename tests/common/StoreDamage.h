#pragma once
// Ways a registry store on disk goes bad, for the tests that check the store,
// its tool and the program notice and lose nothing. Each works on a closed store
// (RegCloseStore first), so no connection of the test holds the old file.
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <sqlite3.h>
#include <sys/stat.h>

namespace dawnbell::test {

enum class Damage {
    BadHeader,    // the first bytes overwritten: not a database any more
    Truncated,    // cut after its first page
    DamagedPages, // every page after the second overwritten with junk
    Directory,    // a folder where the file should be
    ReadOnly,     // no write permission for anyone
};

// The store file of a device directory.
inline QString StoreFile(const QString& home)
{
    return home + QStringLiteral("/registry.db");
}

// SQLite's own verdict on a store file ("ok" when whole), read through a
// connection of its own; "cannot open" when it is no database at all.
inline QString StoreIntegrity(const QString& dbPath)
{
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(dbPath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            result.clear();
            while (sqlite3_step(st) == SQLITE_ROW)
                result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

// Writes a store big enough to span several pages (one key with 200 values of
// 100 bytes each beside the given alarm section), makes it durable and closes it.
inline bool FillStore()
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\Filler", &key) != RegOk)
        return false;
    const std::vector<uint8_t> bytes(100, 0x42);
    RegWriteBatch batch;
    for (int i = 0; i < 200; ++i) {
        if (key.WriteBinary("v" + std::to_string(i), bytes) != RegOk)
            return false;
    }
    if (batch.Commit() != RegOk || RegFlush(Hive::CurrentUser) != RegOk)
        return false;
    RegCloseStore();
    return true;
}

// Applies `damage` to the closed store of `home`; false when it could not.
inline bool DamageStore(const QString& home, Damage damage)
{
    const QString path = StoreFile(home);
    QFile file(path);
    switch (damage) {
    case Damage::BadHeader:
        if (!file.open(QIODevice::ReadWrite))
            return false;
        return file.write("not a database!", 16) == 16;
    case Damage::Truncated:
        return file.resize(4096);
    case Damage::DamagedPages: {
        if (!file.open(QIODevice::ReadWrite) || file.size() < 4 * 4096)
            return false;
        const QByteArray junk(4096, char(0x5A));
        for (qint64 at = 2 * 4096; at < file.size(); at += 4096) {
            if (!file.seek(at) || file.write(junk) != junk.size())
                return false;
        }
        return true;
    }
    case Damage::Directory:
        return QFile::remove(path) && QDir(home).mkdir(QStringLiteral("registry.db"));
    case Damage::ReadOnly:
        return ::chmod(path.toLocal8Bit().constData(), 0444) == 0;
    }
    return false;
}

} // namespace dawnbell::test

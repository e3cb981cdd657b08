// Semantics of the registry store: names, ordering, typed reads, deletion, limits
// and write batches, on a real store in a temporary device directory.
#include "Registry.h"
#include "StoreDamage.h"
#include "TempHome.h"

#include <QtTest>

#include <sqlite3.h>

using namespace dawnbell;

namespace {

std::u16string U16(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

QStringList SubkeyNames(const RegKey& key)
{
    QStringList names;
    std::string name;
    for (uint32_t i = 0; key.EnumKey(i, &name) == RegOk; ++i)
        names << QString::fromStdString(name);
    return names;
}

QStringList ValueNames(const RegKey& key)
{
    QStringList names;
    RegValue v;
    for (uint32_t i = 0; key.EnumValue(i, &v) == RegOk; ++i)
        names << QString::fromStdString(v.name);
    return names;
}

} // namespace

class RegistryTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        home_.Renew();
    }
    void cleanup()
    {
        RegFailOperationForTesting(0, 0);
        RegSetFaultObserver(nullptr);
        home_.Close();
    }

    void caseInsensitiveNames_data()
    {
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("opened");
        QTest::newRow("ascii") << "Software\\Torvane" << "SOFTWARE\\torvane";
        QTest::newRow("latin-1") << "Ärger\\Öl" << "äRGER\\öL";
        QTest::newRow("latin extended") << "Łódź" << "łÓDŹ";
        QTest::newRow("greek") << "Ωμέγα\\Σοφός" << "ωΜΈΓΑ\\σΟΦΌς";
        QTest::newRow("cyrillic") << "Ключ\\Ёлка" << "КЛЮЧ\\ёЛКА";
    }
    void caseInsensitiveNames()
    {
        QFETCH(QString, created);
        QFETCH(QString, opened);
        RegKey a;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, created.toStdString(), &a), RegOk);
        QCOMPARE(a.WriteDword("Value", 7), RegOk);

        // Another spelling reaches the same key, which keeps its first spelling.
        RegKey b;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, opened.toStdString(), &b), RegOk);
        QCOMPARE(QString::fromStdString(b.path()), created);
        uint32_t v = 0;
        QVERIFY(b.ReadDword("VALUE", &v));
        QCOMPARE(v, 7u);

        RegKey root;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "", &root), RegOk);
        uint32_t subkeys = 0;
        QCOMPARE(root.QueryInfo(&subkeys, nullptr), RegOk);
        QCOMPARE(subkeys, 1u);
    }

    void sortedEnumeration_data()
    {
        QTest::addColumn<QStringList>("inserted");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("mixed case") << QStringList{"b", "a", "C"} << QStringList{"a", "b", "C"};
        QTest::newRow("digits first") << QStringList{"T Wake", "3456031", "settings", "A2700020110305"}
                                      << QStringList{"3456031", "A2700020110305", "settings", "T Wake"};
        QTest::newRow("prefixes") << QStringList{"ab", "A", "abc", "AA"} << QStringList{"A", "AA", "ab", "abc"};
        QTest::newRow("underscore after letters") << QStringList{"_x", "z", "A"} << QStringList{"A", "z", "_x"};
        QTest::newRow("non-ascii after ascii") << QStringList{"äpfel", "Zebra", "apfel"}
                                               << QStringList{"apfel", "Zebra", "äpfel"};
    }
    void sortedEnumeration()
    {
        QFETCH(QStringList, inserted);
        QFETCH(QStringList, expected);
        for (const QString& name : inserted) {
            RegKey k;
            QCOMPARE(RegKey::Create(Hive::LocalMachine, ("List\\" + name).toStdString(), &k), RegOk);
        }
        RegKey list;
        QCOMPARE(RegKey::Open(Hive::LocalMachine, "List", &list), RegOk);
        QCOMPARE(SubkeyNames(list), expected);
        std::string name;
        QCOMPARE(list.EnumKey(static_cast<uint32_t>(expected.size()), &name), RegNoMoreItems);
        uint32_t subkeys = 0;
        QCOMPARE(list.QueryInfo(&subkeys, nullptr), RegOk);
        QCOMPARE(subkeys, static_cast<uint32_t>(expected.size()));
    }

    void stringSizeCountsTerminator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty") << "" << 2;
        QTest::newRow("ascii") << "abc" << 8;
        QTest::newRow("euro") << "€" << 4;
        QTest::newRow("surrogate pair") << "😀" << 6;
    }
    void stringSizeCountsTerminator()
    {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "S", &k), RegOk);
        QCOMPARE(k.WriteString("t", U16(text)), RegOk);
        RegType type = RegType::None;
        std::vector<uint8_t> data;
        QCOMPARE(k.QueryValue("t", &type, &data), RegOk);
        QCOMPARE(type, RegType::Sz);
        QCOMPARE(static_cast<int>(data.size()), bytes);
        QCOMPARE(int(data[data.size() - 1]) | int(data[data.size() - 2]), 0);
        std::u16string back;
        QVERIFY(k.ReadString("t", &back));
        QVERIFY(back == U16(text));
    }

    // A value of the wrong type or size reads as "cannot be read", so callers
    // fall back to their defaults instead of using garbage.
    void typedReads_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("dwordOk");
        QTest::addColumn<bool>("stringOk");
        QTest::addColumn<bool>("binaryOk");
        const QByteArray four("\x01\x00\x00\x00", 4);
        QTest::newRow("dword") << 4 << four << true << false << false;
        QTest::newRow("dword of 3 bytes") << 4 << QByteArray("\x01\x00\x00", 3) << false << false << false;
        QTest::newRow("dword of 5 bytes") << 4 << QByteArray("\x01\x00\x00\x00\x00", 5) << false << false << false;
        QTest::newRow("dword of 0 bytes") << 4 << QByteArray() << false << false << false;
        QTest::newRow("binary of 4 bytes") << 3 << four << false << false << true;
        QTest::newRow("sz of 4 bytes") << 1 << four << false << true << false;
        QTest::newRow("sz of odd size") << 1 << QByteArray("a\0b", 3) << false << false << false;
        QTest::newRow("unknown type") << 7 << four << false << false << false;
    }
    void typedReads()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, dwordOk);
        QFETCH(bool, stringOk);
        QFETCH(bool, binaryOk);
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "T", &k), RegOk);
        QCOMPARE(k.SetValue("v", static_cast<RegType>(type), data.constData(), static_cast<size_t>(data.size())), RegOk);
        uint32_t d = 99;
        std::u16string s;
        std::vector<uint8_t> b;
        QCOMPARE(k.ReadDword("v", &d), dwordOk);
        QCOMPARE(k.ReadString("v", &s), stringOk);
        QCOMPARE(k.ReadBinary("v", &b), binaryOk);
        if (!dwordOk)
            QCOMPARE(d, 99u);
        QCOMPARE(k.ReadDword("missing", &d), false);
    }

    void valueOrderSurvivesOverwriteAndReopen()
    {
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Order", &k), RegOk);
        for (const char* name : {"playlist0", "playlistCount", "fade", "title"})
            QCOMPARE(k.WriteDword(name, 1), RegOk);
        QCOMPARE(k.WriteString("PLAYLISTCOUNT", u"now a text"), RegOk); // replaced in place
        QCOMPARE(k.DeleteValue("fade"), RegOk);
        QCOMPARE(k.WriteBinary("fade", {1, 2}), RegOk); // re-created: goes last
        QCOMPARE(k.DeleteValue("fade"), RegOk);
        QCOMPARE(k.DeleteValue("fade"), RegNotFound);
        QCOMPARE(k.WriteDword("Fade", 3), RegOk);
        const QStringList expected{"playlist0", "playlistCount", "title", "Fade"};
        QCOMPARE(ValueNames(k), expected);

        RegCloseStore();
        RegKey again;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "order", &again), RegOk);
        QCOMPARE(ValueNames(again), expected);
        std::u16string text;
        QVERIFY(again.ReadString("playlistcount", &text));
        QVERIFY(text == u"now a text");
    }

    void deleteTreeRemovesEverythingBelowOnly()
    {
        for (const char* path : {"Root\\A\\B\\C", "Root\\A\\D", "Root\\AB", "Root\\A x"}) {
            RegKey k;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, path, &k), RegOk);
            QCOMPARE(k.WriteDword("v", 1), RegOk);
        }
        QCOMPARE(RegDeleteTree(Hive::CurrentUser, "root\\a"), RegOk);
        RegKey k;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Root\\A\\B\\C", &k), RegNotFound);
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Root\\A", &k), RegNotFound);
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Root", &k), RegOk);
        QCOMPARE(SubkeyNames(k), (QStringList{"A x", "AB"}));
        QCOMPARE(RegDeleteTree(Hive::CurrentUser, "Root\\A"), RegNotFound);
        QCOMPARE(RegDeleteTree(Hive::CurrentUser, ""), RegInvalidParameter);
        QCOMPARE(RegDeleteTree(Hive::LocalMachine, "\\"), RegInvalidParameter);

        // Nothing of the deleted keys is left behind in the file.
        RegCloseStore();
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open((home_.path() + "/registry.db").toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "SELECT (SELECT count(*) FROM keys), (SELECT count(*) FROM vals)", -1, &st,
                                    nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(st, 0), 5); // two hive roots, Root, AB, "A x"
        QCOMPARE(sqlite3_column_int(st, 1), 2);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    void handleOfDeletedKeyStaysInvalid()
    {
        RegKey held;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Gone\\Child", &held), RegOk);
        QCOMPARE(held.WriteDword("v", 1), RegOk);
        QCOMPARE(RegDeleteTree(Hive::CurrentUser, "Gone"), RegOk);
        uint32_t v;
        QCOMPARE(held.QueryValue("v", nullptr, nullptr), RegInvalidHandle);
        QVERIFY(!held.ReadDword("v", &v));
        QCOMPARE(held.WriteDword("v", 2), RegInvalidHandle);
        QCOMPARE(held.DeleteValue("v"), RegInvalidHandle);
        QCOMPARE(held.EnumKey(0, nullptr), RegInvalidHandle);
        QCOMPARE(held.QueryInfo(nullptr, nullptr), RegInvalidHandle);
        QCOMPARE(held.EnumValue(0, nullptr), RegInvalidHandle);

        // A new key of the same name is a different key: the old handle must not
        // reach it.
        RegKey fresh;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Gone\\Child", &fresh), RegOk);
        QCOMPARE(held.WriteDword("v", 3), RegInvalidHandle);
        QCOMPARE(fresh.QueryValue("v", nullptr, nullptr), RegNotFound);

        RegKey moved(std::move(fresh));
        QVERIFY(!fresh.IsOpen());
        QCOMPARE(moved.WriteDword("v", 4), RegOk);
    }

    void limits_data()
    {
        QTest::addColumn<QString>("keyPath");
        QTest::addColumn<QString>("valueName");
        QTest::addColumn<int>("valueBytes");
        QTest::addColumn<int>("expected");
        const QString ok = "K";
        QTest::newRow("key name 255") << QString(255, 'k') << "v" << 4 << int(RegOk);
        QTest::newRow("key name 256") << QString(256, 'k') << "v" << 4 << int(RegInvalidParameter);
        QTest::newRow("key name 255 non-ascii") << QString(255, QChar(0x00E9)) << "v" << 4 << int(RegOk);
        QTest::newRow("depth 64") << QStringList(64, QStringLiteral("d")).join('\\') << "v" << 4
                                  << int(RegOk);
        QTest::newRow("depth 65") << QStringList(65, QStringLiteral("d")).join('\\') << "v" << 4
                                  << int(RegInvalidParameter);
        QTest::newRow("value name 16383") << ok << QString(16383, 'n') << 4 << int(RegOk);
        QTest::newRow("value name 16384") << ok << QString(16384, 'n') << 4 << int(RegInvalidParameter);
        QTest::newRow("value of 1 MiB") << ok << "v" << (1 << 20) << int(RegOk);
        QTest::newRow("value of 1 MiB + 1") << ok << "v" << (1 << 20) + 1 << int(RegInvalidParameter);
    }
    void limits()
    {
        QFETCH(QString, keyPath);
        QFETCH(QString, valueName);
        QFETCH(int, valueBytes);
        QFETCH(int, expected);
        RegKey k;
        const RegResult created = RegKey::Create(Hive::CurrentUser, keyPath.toStdString(), &k);
        if (created != RegOk) {
            QCOMPARE(int(created), expected);
            QCOMPARE(RegKey::Open(Hive::CurrentUser, keyPath.toStdString(), &k), RegInvalidParameter);
            return;
        }
        const std::vector<uint8_t> data(static_cast<size_t>(valueBytes), 0xAB);
        QCOMPARE(int(k.SetValue(valueName.toStdString(), RegType::Binary, data.data(), data.size())), expected);
        std::vector<uint8_t> back;
        QCOMPARE(k.ReadBinary(valueName.toStdString(), &back), expected == RegOk);
        if (expected == RegOk)
            QVERIFY(back == data);
    }

    void malformedNamesRefused_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("embedded NUL") << QByteArray("a\0b", 3);
        QTest::newRow("invalid UTF-8") << QByteArray("a\xC3", 2);
        QTest::newRow("overlong UTF-8") << QByteArray("\xC0\xAF", 2);
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80", 3);
    }
    void malformedNamesRefused()
    {
        QFETCH(QByteArray, name);
        const std::string_view n(name.constData(), static_cast<size_t>(name.size()));
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, n, &k), RegInvalidParameter);
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Ok", &k), RegOk);
        QCOMPARE(k.WriteDword(n, 1), RegInvalidParameter);
        QCOMPARE(k.WriteDword("a", 1), RegOk);
        // "a\0b" must not be taken for "a".
        QCOMPARE(k.DeleteValue(n), RegInvalidParameter);
        QCOMPARE(ValueNames(k), QStringList{"a"});
    }

    void writeBatchIsAllOrNothing_data()
    {
        QTest::addColumn<bool>("cancelInner");
        QTest::addColumn<bool>("cancelOuter");
        QTest::addColumn<int>("failedStep"); // SQLite result injected into the inner write, 0 = none
        QTest::addColumn<bool>("applied");
        QTest::newRow("commit") << false << false << 0 << true;
        QTest::newRow("cancel") << false << true << 0 << false;
        QTest::newRow("nested cancel spoils the outer batch") << true << false << 0 << false;
        QTest::newRow("a failed write step (disk full) spoils the batch")
            << false << false << int(SQLITE_FULL) << false;
    }
    void writeBatchIsAllOrNothing()
    {
        QFETCH(bool, cancelInner);
        QFETCH(bool, cancelOuter);
        QFETCH(int, failedStep);
        QFETCH(bool, applied);
        RegKey keep;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Keep", &keep), RegOk);
        QCOMPARE(keep.WriteDword("v", 1), RegOk);
        RegResult result;
        {
            RegWriteBatch outer;
            RegKey k;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, "Batch\\Sub", &k), RegOk);
            QCOMPARE(k.WriteDword("a", 1), RegOk);
            QCOMPARE(RegDeleteTree(Hive::CurrentUser, "Keep"), RegOk);
            {
                RegWriteBatch inner;
                RegFailOperationForTesting(failedStep ? 1 : 0, failedStep);
                QCOMPARE(k.WriteDword("b", 2), failedStep ? RegError : RegOk);
                if (failedStep)
                    QCOMPARE(RegLastFault().fault, RegFault::Full);
                if (cancelInner)
                    inner.Cancel();
            }
            QCOMPARE(RegFlush(Hive::CurrentUser), RegOk);
            if (cancelOuter)
                outer.Cancel();
            result = outer.Commit();
        }
        QCOMPARE(result == RegOk, applied && !cancelOuter);
        RegCloseStore(); // read back from the file, not from the cache
        RegKey k;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Batch\\Sub", &k) == RegOk, applied);
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Keep", &k) == RegOk, !applied);
        if (!applied) {
            uint32_t v = 0;
            QVERIFY(k.ReadDword("v", &v));
            QCOMPARE(v, 1u);
        } else {
            QCOMPARE(RegKey::Open(Hive::CurrentUser, "Batch\\Sub", &k), RegOk);
            QCOMPARE(ValueNames(k), (QStringList{"a", "b"}));
        }
    }

    // A store that went bad on disk is named for what it is, a read-only one can
    // still be read, and setting a damaged one aside keeps every byte of it and
    // leaves room for a fresh store.
    void damagedOrReadOnlyStore_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<int>("fault");
        QTest::newRow("bad header") << int(test::Damage::BadHeader) << int(RegFault::Damaged);
        QTest::newRow("truncated") << int(test::Damage::Truncated) << int(RegFault::Damaged);
        QTest::newRow("damaged pages") << int(test::Damage::DamagedPages) << int(RegFault::Damaged);
        QTest::newRow("a directory") << int(test::Damage::Directory) << int(RegFault::Damaged);
        QTest::newRow("read-only") << int(test::Damage::ReadOnly) << int(RegFault::ReadOnly);
    }
    void damagedOrReadOnlyStore()
    {
        QFETCH(int, damage);
        QFETCH(int, fault);
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Alarms\\3456031", &k), RegOk);
        QCOMPARE(k.WriteString("title", u"Work"), RegOk);
        k.Close();
        QVERIFY(test::FillStore());
        const QString file = test::StoreFile(home_.path());
        QVERIFY(test::DamageStore(home_.path(), test::Damage(damage)));
        QFile f(file);
        const QByteArray damaged = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        f.close();
        QList<RegFault> told;
        RegSetFaultObserver([&told](const RegStoreStatus& s) { told << s.fault; });

        const RegStoreStatus status = RegCheckStore();
        QCOMPARE(int(status.fault), fault);
        QCOMPARE(QString::fromStdString(status.file), file);
        QVERIFY(QString::fromStdString(RegFaultText(status)).contains(file));

        if (status.fault == RegFault::ReadOnly) {
            std::u16string title;
            QCOMPARE(RegKey::Open(Hive::CurrentUser, "Alarms\\3456031", &k), RegOk);
            QVERIFY(k.ReadString("title", &title));
            QVERIFY(title == u"Work");
            told.clear();
            QCOMPARE(k.WriteString("title", u"Changed"), RegError);
            QCOMPARE(RegKey::Create(Hive::CurrentUser, "Alarms\\New", &k), RegError);
            QCOMPARE(RegLastFault().fault, RegFault::ReadOnly);
            QVERIFY(QString::fromStdString(RegFaultText(RegLastFault())).contains("read-only"));
            QVERIFY(!told.isEmpty());
            for (RegFault t : told)
                QCOMPARE(t, RegFault::ReadOnly);
            RegSetFaultObserver(nullptr);
            RegCloseStore();
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), damaged);
            return;
        }
        // Used as it is, it fails loudly, never as an empty store.
        told.clear();
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Alarms\\3456031", &k), RegError);
        QCOMPARE(told, QList<RegFault>{RegFault::Damaged});
        RegSetFaultObserver(nullptr);

        std::string copy, error;
        QVERIFY2(RegSetStoreAside(&copy, &error), error.c_str());
        const QString kept = QString::fromStdString(copy);
        QVERIFY2(QRegularExpression("^" + QRegularExpression::escape(file) + "\\.damaged-\\d{8}-\\d{6}$")
                     .match(kept).hasMatch(),
                 qPrintable(kept));
        if (test::Damage(damage) == test::Damage::Directory) {
            QVERIFY(QFileInfo(kept).isDir());
        } else {
            QFile c(kept);
            QVERIFY(c.open(QIODevice::ReadOnly));
            QCOMPARE(c.readAll(), damaged);
        }
        // A later copy never replaces an earlier one.
        QCOMPARE(RegCheckStore().fault, RegFault::None);
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Alarms\\7", &k), RegOk);
        QCOMPARE(k.WriteDword("activated", 1), RegOk);
        RegCloseStore();
        QVERIFY(RegSetStoreAside(&copy, &error));
        QVERIFY(QString::fromStdString(copy) != kept);
        QVERIFY(QFileInfo::exists(kept));
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Alarms\\7", &k), RegNotFound);
    }

    void readScopeReadsAndWrites()
    {
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Scoped", &k), RegOk);
        QCOMPARE(k.WriteDword("v", 1), RegOk);
        {
            RegReadScope scope;
            uint32_t v = 0;
            QVERIFY(k.ReadDword("v", &v));
            QCOMPARE(v, 1u);
            QCOMPARE(k.WriteDword("v", 2), RegOk);
            QVERIFY(k.ReadDword("v", &v));
            QCOMPARE(v, 2u);
        }
        RegCloseStore();
        uint32_t v = 0;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Scoped", &k), RegOk);
        QVERIFY(k.ReadDword("v", &v));
        QCOMPARE(v, 2u);
    }

private:
    test::TempHome home_;
};

QTEST_GUILESS_MAIN(RegistryTest)
#include "RegistryTest.moc"

// dawnbell-reg, run as a separate process on a temporary store, and what another
// process's changes look like to this one.
#include "Registry.h"
#include "StoreDamage.h"
#include "TempHome.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

} // namespace

class RegToolTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
    }
    void cleanup() { m_home.Close(); }

    void help()
    {
        const Run r = Reg({"--help"});
        QCOMPARE(r.code, 0);
        for (const char* word : {"query", "add", "delete", "export", "import", "HKLM", "--version"})
            QVERIFY2(r.out.contains(word), word);
        const Run v = Reg({"--version"});
        QCOMPARE(v.code, 0);
        QVERIFY2(QRegularExpression("^dawnbell-reg \\d+\\.\\d+\\.\\d+\n$").match(v.out).hasMatch(), qPrintable(v.out));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"list"};
        QTest::newRow("query without key") << QStringList{"query"};
        QTest::newRow("query with too many") << QStringList{"query", "HKCU\\a", "v", "x"};
        QTest::newRow("unknown hive") << QStringList{"query", "HKEY_USERS\\a"};
        QTest::newRow("hive name prefix only") << QStringList{"query", "HKCUX\\a"};
        QTest::newRow("add value without data") << QStringList{"add", "HKCU\\a", "v", "dword"};
        QTest::newRow("unknown type") << QStringList{"add", "HKCU\\a", "v", "qword", "1"};
        QTest::newRow("negative dword") << QStringList{"add", "HKCU\\a", "v", "dword", "-1"};
        QTest::newRow("dword too big") << QStringList{"add", "HKCU\\a", "v", "dword", "4294967296"};
        QTest::newRow("hex dword too big") << QStringList{"add", "HKCU\\a", "v", "dword", "0x100000000"};
        QTest::newRow("dword with junk") << QStringList{"add", "HKCU\\a", "v", "dword", "12abc"};
        QTest::newRow("bad binary") << QStringList{"add", "HKCU\\a", "v", "binary", "01,zz"};
        QTest::newRow("binary without commas") << QStringList{"add", "HKCU\\a", "v", "binary", "0102"};
        QTest::newRow("key name too long") << QStringList{"add", "HKCU\\" + QString(256, 'k')};
        QTest::newRow("delete a hive root") << QStringList{"delete", "HKLM"};
        QTest::newRow("import without file") << QStringList{"import"};
        QTest::newRow("export with two keys") << QStringList{"export", "HKCU", "HKLM"};
        QTest::newRow("version with an argument") << QStringList{"--version", "x"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const QString before = Reg({"export"}).out;
        const Run r = Reg(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.startsWith("dawnbell-reg: "));
        QCOMPARE(Reg({"export"}).out, before);
    }

    void notFound_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("query key") << QStringList{"query", "HKCU\\Missing"};
        QTest::newRow("query value") << QStringList{"query", "HKCU\\Present", "missing"};
        QTest::newRow("query value of missing key") << QStringList{"query", "HKCU\\Missing", "v"};
        QTest::newRow("delete key") << QStringList{"delete", "HKCU\\Present\\Missing"};
        QTest::newRow("delete value") << QStringList{"delete", "HKCU\\Present", "missing"};
        QTest::newRow("export key") << QStringList{"export", "HKLM\\Present"};
        QTest::newRow("import file") << QStringList{"import", "/nonexistent/file.reg"};
    }
    void notFound()
    {
        QFETCH(QStringList, args);
        QCOMPARE(Reg({"add", "HKCU\\Present", "v", "dword", "1"}).code, 0);
        const Run r = Reg(args);
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
    }

    void addAndQuery_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("shown");
        QTest::newRow("decimal dword") << "autoExit" << "dword" << "31" << "    autoExit    REG_DWORD    0x1f";
        QTest::newRow("hex dword") << "c" << "DWORD" << "0xFFFFFFFF" << "    c    REG_DWORD    0xffffffff";
        QTest::newRow("text") << "title" << "sz" << "Wake up, Grüße" << "    title    REG_SZ    Wake up, Grüße";
        QTest::newRow("empty text") << "t" << "sz" << "" << "    t    REG_SZ    ";
        QTest::newRow("binary") << "fade" << "binary" << "01,2,ff" << "    fade    REG_BINARY    0102FF";
        QTest::newRow("empty binary") << "h" << "binary" << "" << "    h    REG_BINARY    ";
        QTest::newRow("default value") << "" << "sz" << "x" << "    (Default)    REG_SZ    x";
    }
    void addAndQuery()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, data);
        QFETCH(QString, shown);
        QCOMPARE(Reg({"add", "HKEY_CURRENT_USER\\Software\\Torvane", name, type, data}).code, 0);
        const Run one = Reg({"query", "hkcu\\software\\TORVANE", name});
        QCOMPARE(one.code, 0);
        QCOMPARE(one.out, "HKEY_CURRENT_USER\\Software\\Torvane\n" + shown + "\n");
        const Run all = Reg({"query", "HKCU\\Software"});
        QCOMPARE(all.out, QString("HKEY_CURRENT_USER\\Software\n\nHKEY_CURRENT_USER\\Software\\Torvane\n"));

        // The value is in the store this process reads, too.
        RegKey k;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "Software\\Torvane", &k), RegOk);
        QCOMPARE(k.QueryValue(name.toStdString(), nullptr, nullptr), RegOk);
    }

    void deleteKeyAndValue()
    {
        QCOMPARE(Reg({"add", "HKLM\\A\\B", "v", "dword", "1"}).code, 0);
        QCOMPARE(Reg({"add", "HKLM\\A", "w", "dword", "2"}).code, 0);
        QCOMPARE(Reg({"delete", "HKLM\\A", "W"}).code, 0);
        QCOMPARE(Reg({"query", "HKLM\\A", "w"}).code, 1);
        QCOMPARE(Reg({"delete", "HKLM\\a"}).code, 0);
        QCOMPARE(Reg({"query", "HKLM\\A\\B"}).code, 1);
        QCOMPARE(Reg({"query", "HKLM"}).out, QString("HKEY_LOCAL_MACHINE\n"));
    }

    void exportImportRoundTrip()
    {
        QCOMPARE(Reg({"add", "HKCU\\Software\\Torvane\\Dawnbell\\settings", "autoExit", "dword", "1"}).code, 0);
        QCOMPARE(Reg({"add", "HKCU\\Software\\Torvane\\Dawnbell\\settings", "languageFile", "sz", "Deutsch"}).code, 0);
        QCOMPARE(Reg({"add", "HKCU\\Software\\Torvane\\Dawnbell\\3456031", "message", "sz", "Line 1\nLine \"2\""}).code,
                 0);
        QCOMPARE(Reg({"add", "HKCU\\Software\\Torvane\\Dawnbell\\3456031", "notificationHandle", "binary", "0,0,0,0"})
                     .code,
                 0);
        QCOMPARE(Reg({"add", "HKLM\\SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell", "Enabled", "dword", "1"}).code, 0);
        const Run exported = Reg({"export"});
        QCOMPARE(exported.code, 0);
        QVERIFY(exported.out.startsWith("Windows Registry Editor Version 5.00\n"));
        QVERIFY(exported.out.contains("\"message\"=hex(1):"));

        QTemporaryDir other;
        const QString file = other.path() + "/all.reg";
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(exported.out.toUtf8());
        f.close();

        QCOMPARE(Reg({"delete", "HKCU\\Software"}).code, 0);
        QCOMPARE(Reg({"delete", "HKLM\\SOFTWARE"}).code, 0);
        QCOMPARE(Reg({"import", file}).code, 0);
        QCOMPARE(Reg({"export"}).out, exported.out);

        // The same text through standard input into a fresh store.
        qputenv("DAWNBELL_HOME", other.path().toUtf8());
        QCOMPARE(Reg({"import", "-"}, exported.out.toUtf8()).code, 0);
        QCOMPARE(Reg({"export", "HKCU\\Software\\Torvane\\Dawnbell\\3456031"}).out,
                 QString("Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Torvane\\Dawnbell\\3456031]\n"
                         "\"message\"=hex(1):4c,00,69,00,6e,00,65,00,20,00,31,00,0a,00,4c,00,69,00,6e,00,\\\n"
                         "  65,00,20,00,22,00,32,00,22,00,00,00\n"
                         "\"notificationHandle\"=hex:00,00,00,00\n\n"));
    }

    // A malformed file is reported with its line number, and none of it is
    // applied, not even the sound lines before the fault.
    void malformedImportChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("where");
        const QByteArray ok = "Windows Registry Editor Version 5.00\n\n[-HKCU\\Keep]\n[HKCU\\New]\n\"a\"=dword:1\n";
        QTest::newRow("bad dword") << ok + "\"b\"=dword:xyz\n" << ":6:";
        QTest::newRow("bad byte in a continued list") << ok + "\"c\"=hex:01,\\\n  0x\n" << ":7:";
        QTest::newRow("no header") << QByteArray("[HKCU\\New]\n") << ":1:";
    }
    void malformedImportChangesNothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, where);
        QCOMPARE(Reg({"add", "HKCU\\Keep", "v", "sz", "kept"}).code, 0);
        const QString before = Reg({"export"}).out;
        const Run r = Reg({"import", "-"}, file);
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("-" + where), qPrintable(r.err));
        QCOMPARE(Reg({"export"}).out, before);
    }

    void exportOfUnspellableNameFails()
    {
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "K", &k), RegOk);
        QCOMPARE(k.WriteDword("two\nlines", 1), RegOk);
        const Run r = Reg({"export"});
        QCOMPARE(r.code, 3);
        QVERIFY(r.out.isEmpty());
    }

    // A store gone bad is named for what it is (never "not found", never an
    // export with parts missing), nothing is written into it, and a read-only
    // store still answers queries and exports.
    void damagedOrReadOnlyStore_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says"); // on stdout for exit 0, else on stderr
        const QString section = "HKCU\\Software\\Torvane\\Dawnbell\\3456031";
        const int badHeader = int(test::Damage::BadHeader), truncated = int(test::Damage::Truncated),
                  pages = int(test::Damage::DamagedPages), folder = int(test::Damage::Directory),
                  readOnly = int(test::Damage::ReadOnly);
        QTest::newRow("bad header: query") << badHeader << QStringList{"query", section, "title"} << 3 << "is damaged";
        QTest::newRow("bad header: export") << badHeader << QStringList{"export"} << 3 << "is damaged";
        QTest::newRow("truncated: query") << truncated << QStringList{"query", section} << 3 << "is damaged";
        QTest::newRow("truncated: export") << truncated << QStringList{"export"} << 3 << "is damaged";
        QTest::newRow("damaged pages: export") << pages << QStringList{"export", "HKCU"} << 3 << "is damaged";
        QTest::newRow("damaged pages: add") << pages << QStringList{"add", section, "title", "sz", "x"} << 3
                                            << "is damaged";
        QTest::newRow("a directory: query") << folder << QStringList{"query", section} << 3 << "other than a file";
        QTest::newRow("read-only: query") << readOnly << QStringList{"query", section, "title"} << 0 << "Work";
        QTest::newRow("read-only: export") << readOnly << QStringList{"export"} << 0 << "\"title\"=\"Work\"";
        QTest::newRow("read-only: add") << readOnly << QStringList{"add", section, "title", "sz", "x"} << 3
                                        << "is read-only";
        QTest::newRow("read-only: delete") << readOnly << QStringList{"delete", section} << 3 << "is read-only";
    }
    void damagedOrReadOnlyStore()
    {
        QFETCH(int, damage);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        QCOMPARE(Reg({"add", "HKCU\\Software\\Torvane\\Dawnbell\\3456031", "title", "sz", "Work"}).code, 0);
        QVERIFY(test::FillStore());
        QVERIFY(test::DamageStore(m_home.path(), test::Damage(damage)));
        const QString file = test::StoreFile(m_home.path());
        QFile f(file);
        const QByteArray before = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        f.close();

        const Run r = Reg(args);
        QCOMPARE(r.code, code);
        if (code == 0) {
            QVERIFY2(r.out.contains(says), qPrintable(r.out));
        } else {
            QVERIFY(r.out.isEmpty());
            QVERIFY2(r.err.contains(says) && r.err.contains(file), qPrintable(r.err));
        }
        // Nothing was written into the file, and nothing was moved.
        QVERIFY(f.open(QIODevice::ReadOnly) || test::Damage(damage) == test::Damage::Directory);
        QCOMPARE(f.readAll(), before);
        QCOMPARE(QDir(m_home.path()).entryList({"registry.db.damaged-*"}), QStringList());
    }

    // Another process's writes and deletions reach this process's handles and
    // cached reads.
    void changesOfOtherProcessesAreSeen()
    {
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Shared\\Sub", &k), RegOk);
        QCOMPARE(k.WriteDword("v", 1), RegOk);
        uint32_t v = 0;
        QVERIFY(k.ReadDword("v", &v)); // now cached

        QCOMPARE(Reg({"add", "HKCU\\Shared\\Sub", "v", "dword", "2"}).code, 0);
        QVERIFY(k.ReadDword("v", &v));
        QCOMPARE(v, 2u);

        {
            RegReadScope snapshot;
            QVERIFY(k.ReadDword("v", &v));
            QCOMPARE(Reg({"add", "HKCU\\Shared\\Sub", "v", "dword", "3"}).code, 0);
            QVERIFY(k.ReadDword("v", &v));
            QCOMPARE(v, 2u); // one snapshot for the whole scope
        }
        QVERIFY(k.ReadDword("v", &v));
        QCOMPARE(v, 3u);

        QCOMPARE(Reg({"delete", "HKCU\\Shared"}).code, 0);
        QCOMPARE(k.QueryValue("v", nullptr, nullptr), RegInvalidHandle);
        QVERIFY(!k.ReadDword("v", &v));
        QCOMPARE(Reg({"add", "HKCU\\Shared\\Sub", "v", "dword", "4"}).code, 0);
        QCOMPARE(k.WriteDword("v", 5), RegInvalidHandle);
        QCOMPARE(Reg({"query", "HKCU\\Shared\\Sub", "v"}).out,
                 QString("HKEY_CURRENT_USER\\Shared\\Sub\n    v    REG_DWORD    0x4\n"));
    }

private:
    Run Reg(const QStringList& args, const QByteArray& input = QByteArray())
    {
        QProcess p;
        p.start(QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-reg"), args);
        Run r;
        if (!p.waitForStarted(10000))
            return r;
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.code = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    test::TempHome m_home;
};

QTEST_GUILESS_MAIN(RegToolTest)
#include "RegToolTest.moc"

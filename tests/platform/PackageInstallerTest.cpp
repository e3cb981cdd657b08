// dawnbell-install against folders it must not touch: a recorded InstallDir that
// names the user's folders, the root in other spellings, a symbolic link, an
// installation without a record; folders install refuses; an install whose copy
// fails; update and removal run from the installed copy, and what a removal
// leaves of the device's stores and sockets. The installer runs from a small
// program folder of its own (itself, the setup hooks, its list, a sounds folder)
// under a deletion guard that refuses and logs every delete or rename outside
// the test's folder, so a wrong installer can do no harm here.
#include "Registry.h"
#include "RegistryText.h"
#include "TempHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace dawnbell;

namespace {

const char kPackage[] = "SOFTWARE\\Torvane\\Dawnbell";
const char kProgram[] = "Software\\Torvane\\Dawnbell";

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QString Value(Hive hive, const std::string& path, const char* name) { return test::RegistryText(hive, path, name); }

void SetPackageText(const char* name, const QString& text)
{
    RegKey key;
    QVERIFY(RegKey::Create(Hive::LocalMachine, kPackage, &key) == RegOk);
    if (text.isNull())
        key.DeleteValue(name);
    else
        key.WriteString(name, text.toStdU16String());
    RegFlush(Hive::LocalMachine);
}

QString Inode(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? QString::number(qulonglong(st.st_ino)) : QString();
}

// Makes a socket file at `path`. With `listening`, the socket listens and its
// descriptor is returned (the caller closes it); otherwise it is closed at once
// and the file stays behind with nobody listening (0 returned).
int MakeSocket(const QString& path, bool listening = false)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof addr.sun_path)
        return -1;
    std::memcpy(addr.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
        && (!listening || ::listen(fd, 1) == 0);
    if (ok && listening)
        return fd;
    if (fd >= 0)
        ::close(fd); // the socket file stays
    return ok ? 0 : -1;
}

} // namespace

class PackageInstallerTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
        m_tmp = m_home.path();
        m_user = m_tmp + "/home";
        m_dir = m_tmp + "/Dawn bell";
        for (const char* sub : {"run", "config", "data", "home"})
            QVERIFY(QDir().mkpath(m_tmp + "/" + sub));
        qputenv("HOME", m_user.toUtf8());
        qputenv("XDG_RUNTIME_DIR", (m_tmp + "/run").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_tmp + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (m_tmp + "/data").toUtf8());
        qputenv("DAWNBELL_SYSTEMCTL", "false"); // no systemd user manager
        m_canaries.clear();
        QVERIFY(MakeProgramFolder(false));
    }
    void cleanup()
    {
        m_home.Close();
        qputenv("HOME", m_realHome);
        qunsetenv("DAWNBELL_SYSTEMCTL");
    }

    // An InstallDir that is not the folder the installer made: nothing in it
    // (nor in the installation it lost track of) is deleted, and the output
    // says what stayed and why.
    void recordedFolderNotOurs_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("recorded"); // the InstallDir the store is edited to
        QTest::addColumn<QString>("plant");    // a folder given the user's files and a copy of the record
        QTest::addColumn<QString>("tamper");   // a change to the installation before the command
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("words"); // in the output
        QTest::addColumn<bool>("installedKept");

        const QStringList remove{"remove"};
        const QStringList kept{"kept", "nothing in it was deleted"};
        QTest::newRow("remove: the home folder")
            << remove << "{home}" << "{home}" << "" << 1 << (kept + QStringList{"is your home folder"}) << true;
        QTest::newRow("remove: the Documents folder")
            << remove << "{home}/Documents" << "{home}/Documents" << "" << 1
            << (kept + QStringList{"is your Documents folder"}) << true;
        QTest::newRow("remove: the root as /.")
            << remove << "/." << "" << "" << 1 << (kept + QStringList{"not a plain absolute path"}) << true;
        QTest::newRow("remove: the root as //.")
            << remove << "//." << "" << "" << 1 << (kept + QStringList{"not a plain absolute path"}) << true;
        QTest::newRow("remove: the root as /home/..")
            << remove << "/home/.." << "" << "" << 1 << (kept + QStringList{"not a plain absolute path"}) << true;
        QTest::newRow("remove: a relative path X/.. (the home folder from its Documents)")
            << remove << "Documents/.." << "{home}" << "" << 1 << (kept + QStringList{"not a plain absolute path"})
            << true;
        QTest::newRow("remove: a symbolic link to a folder with a copied record")
            << remove << "{tmp}/link" << "{tmp}/other" << "" << 1 << (kept + QStringList{"symbolic link"}) << true;
        QTest::newRow("remove: that link with a trailing slash")
            << remove << "{tmp}/link/" << "{tmp}/other" << "" << 1 << (kept + QStringList{"not a plain absolute path"})
            << true;
        QTest::newRow("remove: an installation of the earlier installer, without a record")
            << remove << "{installed}" << "" << "no token" << 1
            << (kept + QStringList{"earlier dawnbell-install"}) << true;
        QTest::newRow("remove: a copied record whose token is not the installation's")
            << remove << "{tmp}/other" << "{tmp}/other" << "other token" << 1
            << (kept + QStringList{"does not match"}) << true;
        QTest::newRow("remove: the user's own file in the installation stays, the rest goes")
            << remove << "{installed}" << "" << "own file" << 0
            << QStringList{"kept {installed}: it holds what Dawnbell did not install (sounds/)", "Dawnbell is removed."}
            << false;
        QTest::newRow("remove: a recorded file replaced by a link to the user's file stays")
            << remove << "{installed}" << "" << "link file" << 1
            << QStringList{"kept {installed}/sounds/ring.mp3: it is no longer the file"} << false;
        QTest::newRow("remove: hooks placed in the installation are never loaded")
            << remove << "{installed}" << "" << "bad hooks" << 0 << QStringList{"Dawnbell is removed."} << false;
        QTest::newRow("update into a new folder: the old one goes, the user's file in it stays")
            << QStringList{"update", "--dir", "{tmp}/new"} << "{installed}" << "" << "own file" << 0
            << QStringList{"kept {installed}: it holds what Dawnbell did not install (sounds/)", "updated in {tmp}/new"}
            << false;
        QTest::newRow("update in place: an edited InstallDir with a planted program-files.txt")
            << QStringList{"update"} << "{home}/Documents" << "{home}/Documents" << "" << 2
            << QStringList{"cannot update", "is your Documents folder", "Nothing was changed"} << true;
        QTest::newRow("update into a new folder: the edited InstallDir stays as it is")
            << QStringList{"update", "--dir", "{tmp}/new"} << "{home}/Documents" << "{home}/Documents" << "" << 1
            << QStringList{"kept {home}/Documents", "nothing in it was deleted", "updated in {tmp}/new"} << true;
    }
    void recordedFolderNotOurs()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, recorded);
        QFETCH(QString, plant);
        QFETCH(QString, tamper);
        QFETCH(int, status);
        QFETCH(QStringList, words);
        QFETCH(bool, installedKept);

        QCOMPARE(Run({"install", "--dir", m_dir}), 0);
        QVERIFY(QFile::exists(m_dir + "/sounds/ring.mp3"));
        // The user's folders: files under the names the installer records, and
        // a list that names the user's letter.
        for (const QString& folder : {m_user, m_user + "/Documents", m_user + "/Music", m_tmp + "/other"}) {
            Canary(folder + "/letter.odt", "Dear " + folder.toUtf8());
            Canary(folder + "/sounds/ring.mp3", "my own ring");
            Canary(folder + "/dawnbell-install", "my own script");
            Canary(folder + "/program-files.txt", "letter.odt\nsounds/\n");
        }
        QVERIFY(QFile::link(m_tmp + "/other", m_tmp + "/link"));
        if (!plant.isEmpty()) {
            const QString folder = Expand(plant);
            // The installation's record, so only the folder's place can tell.
            QFile::copy(m_dir + "/.dawnbell-install", folder + "/.dawnbell-install");
            SetPackageText("InstallInode", Inode(folder));
        }
        if (tamper == "no token") {
            SetPackageText("InstallToken", QString());
            SetPackageText("InstallInode", QString());
        } else if (tamper == "other token") {
            SetPackageText("InstallToken", QStringLiteral("0123456789abcdef0123456789abcdef"));
        } else if (tamper == "own file") {
            Canary(m_dir + "/sounds/mine.mp3", "imported by the user");
        } else if (tamper == "link file") {
            QVERIFY(QFile::remove(m_dir + "/sounds/ring.mp3"));
            QVERIFY(QFile::link(m_user + "/Music/letter.odt", m_dir + "/sounds/ring.mp3"));
        } else if (tamper == "bad hooks") {
            QVERIFY(WriteFile(m_dir + "/libdawnbell-setup.so", "not a library"));
        }
        SetPackageText("InstallDir", Expand(recorded));
        m_home.Close();

        QStringList arguments;
        for (const QString& a : command)
            arguments << Expand(a);
        QCOMPARE(Run(arguments, m_user), status);
        for (const QString& w : words)
            QVERIFY2(m_output.contains(Expand(w)), qPrintable(Expand(w)));
        CheckCanaries();
        QCOMPARE(QFile::exists(m_dir + "/dawnbell-install"), installedKept);
        if (tamper == "link file")
            QVERIFY(QFileInfo(m_dir + "/sounds/ring.mp3").isSymLink()); // the link itself stays too
        if (command.first() == "remove") {
            QVERIFY(!QFile::exists(m_dir + "/.dawnbell-install") || installedKept);
            QCOMPARE(Value(Hive::LocalMachine, kPackage, "InstallDir"), QStringLiteral("-"));
        }
    }

    // Install refuses every folder that is not new or empty, or is the user's,
    // and changes nothing.
    void installRefuses_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("prepare");
        QTest::addColumn<QString>("words");
        QTest::newRow("a folder holding a stray program-files.txt") << "{tmp}/stray" << "stray list" << "is not empty";
        QTest::newRow("the empty home folder") << "{home}" << "empty home" << "is your home folder";
        QTest::newRow("an empty XDG user folder") << "{home}/Videos" << "empty videos" << "is your Videos folder";
        QTest::newRow("a folder holding the home folder") << "{tmp}" << "" << "holds your home folder";
        QTest::newRow("a symbolic link to an empty folder, with a trailing slash")
            << "{tmp}/emptylink/" << "empty link" << "is a symbolic link";
        QTest::newRow("a path with ..") << "{tmp}/new/../fresh" << "" << "without \".\" or \"..\" parts";
    }
    void installRefuses()
    {
        QFETCH(QString, target);
        QFETCH(QString, prepare);
        QFETCH(QString, words);
        if (prepare == "stray list") {
            Canary(m_tmp + "/stray/program-files.txt", "letter.odt\nsounds/\n");
            Canary(m_tmp + "/stray/letter.odt", "Dear");
            Canary(m_tmp + "/stray/sounds/mine.mp3", "mine");
        } else if (prepare == "empty home") {
            QVERIFY(QDir(m_user).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
        } else if (prepare == "empty videos") {
            QVERIFY(QDir().mkpath(m_user + "/Videos"));
        } else if (prepare == "empty link") {
            QVERIFY(QDir().mkpath(m_tmp + "/empty"));
            QVERIFY(QFile::link(m_tmp + "/empty", m_tmp + "/emptylink"));
        }
        if (prepare != "empty home")
            Canary(m_user + "/.profile", "my settings");
        const QStringList before = Tree();

        QCOMPARE(Run({"install", "--dir", Expand(target)}), 2);
        QVERIFY2(m_output.contains(words), qPrintable(m_output));
        QCOMPARE(Tree(), before);
        CheckCanaries();
        QCOMPARE(Value(Hive::LocalMachine, kPackage, "InstallDir"), QStringLiteral("-"));
        QCOMPARE(Value(Hive::CurrentUser, std::string(kProgram) + "\\settings", "firstLaunch"), QStringLiteral("-"));
    }

    // A copy that fails part-way is undone: what it copied goes, and nothing
    // of the user's (their alarms in the store, their files) goes with it.
    void failedInstallKeepsTheUsersData_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("prepare");
        QTest::addColumn<int>("status");
        QTest::newRow("into a new folder") << "{tmp}/dawnbell" << "" << 1;
        QTest::newRow("into an empty folder") << "{tmp}/empty" << "empty" << 1;
        QTest::newRow("into the user's folder holding a stray program-files.txt")
            << "{tmp}/stray" << "stray list" << 2;
    }
    void failedInstallKeepsTheUsersData()
    {
        QFETCH(QString, target);
        QFETCH(QString, prepare);
        QFETCH(int, status);
        QVERIFY(MakeProgramFolder(true));
        if (prepare == "empty")
            QVERIFY(QDir().mkpath(m_tmp + "/empty"));
        if (prepare == "stray list") {
            Canary(m_tmp + "/stray/program-files.txt", "dawnbell-install\nsounds/\n");
            Canary(m_tmp + "/stray/sounds/mine.mp3", "mine");
        }
        Canary(m_tmp + "/letter.odt", "Dear");
        // Alarms and settings from running Dawnbell before installing it.
        {
            RegKey alarm;
            QVERIFY(RegKey::Create(Hive::CurrentUser, std::string(kProgram) + "\\3456031", &alarm) == RegOk);
            alarm.WriteDword("activated", 1);
            alarm.WriteString("title", u"Work");
            RegKey settings;
            QVERIFY(RegKey::Create(Hive::CurrentUser, std::string(kProgram) + "\\settings", &settings) == RegOk);
            settings.WriteDword("autoExit", 0);
            RegFlush(Hive::CurrentUser);
        }
        m_home.Close();
        const QStringList before = Tree();

        QCOMPARE(Run({"install", "--dir", Expand(target)}), status);
        if (status == 1) {
            QVERIFY(m_output.contains(QLatin1String("copying failed")));
            QVERIFY(m_output.contains(QLatin1String("nothing was installed")));
        }
        QCOMPARE(Tree(), before);
        CheckCanaries();
        const std::string alarm = std::string(kProgram) + "\\3456031";
        QCOMPARE(Value(Hive::CurrentUser, alarm, "activated"), QStringLiteral("1"));
        QCOMPARE(Value(Hive::CurrentUser, alarm, "title"), QStringLiteral("Work"));
        QCOMPARE(Value(Hive::CurrentUser, std::string(kProgram) + "\\settings", "autoExit"), QStringLiteral("0"));
        QCOMPARE(Value(Hive::CurrentUser, std::string(kProgram) + "\\settings", "firstLaunch"), QStringLiteral("-"));
        QCOMPARE(Value(Hive::LocalMachine, kPackage, "InstallDir"), QStringLiteral("-"));
    }

    // A package's folder is registered where it is, and stays whole on removal.
    void packageFolderStays()
    {
        const QString program = m_tmp + "/program";
        QVERIFY(WriteFile(program + "/package.txt", "installed by a package"));
        const QStringList before = QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(Run({"install"}), 0);
        QCOMPARE(Value(Hive::LocalMachine, kPackage, "InstallDir"), program);
        QCOMPARE(Value(Hive::LocalMachine, kPackage, "OwnsFolder"), QStringLiteral("0"));
        QCOMPARE(Run({"remove"}), 0);
        QVERIFY2(m_output.contains("the package's folder " + program + " stays"), qPrintable(m_output));
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(ReadFile(program + "/sounds/ring.mp3"), QByteArray("ring"));
        QVERIFY(!QFile::exists(m_guardLog));
    }

    // Run with a display, the installer shows what the install hooks tell in a
    // message box on screen (a broken language file, read while the first-launch
    // defaults are written), answered here with a key; not as a line on stderr.
    void messageOnDisplay()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qgetenv("QT_QPA_PLATFORM") == "offscreen")
            QSKIP("needs an X server (test_package_installer_xvfb runs this under Xvfb)");
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool.isEmpty())
            QSKIP("xdotool is not installed (Debian package xdotool)");
        const QString program = m_tmp + "/program";
        QVERIFY(WriteFile(program + "/languages/deutsch.xml", "<?xml version=\"1.0\"?><language><text id=\"1\">"));
        QVERIFY(WriteFile(program + "/program-files.txt", ReadFile(program + "/program-files.txt") + "languages/\n"));
        qputenv("DAWNBELL_LANGID", "7");
        qputenv("DAWNBELL_MSGBOX_RECORD", (m_tmp + "/boxes.txt").toUtf8());
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        qunsetenv("QT_QPA_PLATFORM"); // the installer finds the display itself

        // The box, found by its caption once it shows, gets the focus and the
        // key Enter, as typed on the keyboard.
        QProcess answer;
        answer.start(QStringLiteral("sh"),
                     {"-c", "id=$(\"$0\" search --sync --onlyvisible --name '^Fehler$' | head -n 1) && [ -n \"$id\" ]"
                            " && \"$0\" windowfocus --sync \"$id\" && \"$0\" key Return",
                      xdotool});
        const int status = Run({"install", "--dir", m_dir});
        const bool answered = answer.waitForFinished(30000) && answer.exitCode() == 0;
        if (answer.state() != QProcess::NotRunning)
            answer.kill();
        qputenv("QT_QPA_PLATFORM", platform);
        qunsetenv("DAWNBELL_LANGID");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        QCOMPARE(status, 0);
        QVERIFY2(answered, answer.readAllStandardError().constData());
        QCOMPARE(ReadFile(m_tmp + "/boxes.txt"), QByteArray("Fehler\tError parsing XML-file (may not be well formated)\n"));
        QVERIFY2(!m_output.contains("Error parsing"), qPrintable(m_output)); // not on stderr
        CheckCanaries();
    }

    // The installed copy's own installer updates and removes its installation;
    // a removal takes the stores it emptied and sockets nobody listens on with
    // it, and keeps everything else of the device.
    void fromTheInstalledCopy_data()
    {
        QTest::addColumn<QString>("before");     // what happens between install and removal
        QTest::addColumn<QString>("remover");    // "installed" or "program": whose installer removes
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("words");  // in the removal's output
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<bool>("storeGone");     // registry.db and notifications.db
        QTest::newRow("update and removal from the installed copy: the folder and the emptied stores go")
            << "update" << "installed" << 0 << QStringList{"Dawnbell is removed."} << true << true;
        QTest::newRow("update from the installed copy, removal from the program folder")
            << "update" << "program" << 0 << QStringList{"Dawnbell is removed."} << true << true;
        QTest::newRow("an installation an earlier update left unproven stays, and the removal says so")
            << "unproven" << "installed" << 1
            << QStringList{"kept {installed}: dawnbell-install made it", "nothing in it was deleted"} << false << true;
        QTest::newRow("another program's value keeps the alarm store")
            << "other value" << "installed" << 0 << QStringList{"Dawnbell is removed."} << true << false;
    }
    void fromTheInstalledCopy()
    {
        QFETCH(QString, before);
        QFETCH(QString, remover);
        QFETCH(int, status);
        QFETCH(QStringList, words);
        QFETCH(bool, folderGone);
        QFETCH(bool, storeGone);
        const QString installed = m_dir + "/dawnbell-install";

        QCOMPARE(Run({"install", "--dir", m_dir}), 0);
        // Menu entries start the programs on this device directory, as the service does.
        const QByteArray env = "Exec=env \"DAWNBELL_HOME=" + m_tmp.toUtf8() + "\" ";
        QVERIFY(ReadFile(m_tmp + "/data/applications/Dawnbell.desktop").contains(env + "\"" + m_dir.toUtf8() + "/dawnbell\"\n"));
        QVERIFY(ReadFile(m_tmp + "/data/applications/dawnbell-today.desktop")
                    .contains(env + "\"" + m_dir.toUtf8() + "/dawnbell-today\"\n"));
        if (before == "update") {
            QCOMPARE(Run({"update"}, m_user, installed), 0);
            QVERIFY(m_output.contains("Dawnbell is updated in " + m_dir));
            QCOMPARE(Value(Hive::LocalMachine, kPackage, "OwnsFolder"), QStringLiteral("1"));
        } else if (before == "unproven") {
            // What the earlier update from the installed copy registered.
            RegKey key;
            QCOMPARE(RegKey::Open(Hive::LocalMachine, kPackage, &key), RegOk);
            key.WriteDword("OwnsFolder", 0);
            key.DeleteValue("InstallToken");
            key.DeleteValue("InstallInode");
            RegFlush(Hive::LocalMachine);
        } else if (before == "other value") {
            RegKey key;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, "Software\\Another Maker\\Tool", &key), RegOk);
            key.WriteDword("volume", 7);
            RegFlush(Hive::CurrentUser);
        }
        QVERIFY(QFile::exists(m_dir + "/sounds/birds/dawn.mp3"));
        // A socket nobody listens on any more, and one in use.
        const QString run = m_tmp + "/run/dawnbell";
        QVERIFY(QDir().mkpath(run));
        QCOMPARE(MakeSocket(run + "/notifyd-00000000000000aa.sock"), 0);
        const int live = MakeSocket(run + "/Dawnbell.sock", true);
        QVERIFY(live > 0);
        m_home.Close();

        const int result = Run({"remove"}, m_user, remover == "installed" ? installed : QString());
        ::close(live);
        QCOMPARE(result, status);
        for (const QString& w : words)
            QVERIFY2(m_output.contains(Expand(w)), qPrintable(Expand(w)));
        CheckCanaries();
        QCOMPARE(!QFileInfo::exists(m_dir), folderGone);
        QCOMPARE(QFile::exists(m_dir + "/sounds/birds/dawn.mp3"), !folderGone);
        // Looked at before anything here opens the stores again.
        QCOMPARE(!QFile::exists(m_tmp + "/registry.db"), storeGone);
        QVERIFY(!QFile::exists(m_tmp + "/notifications.db"));
        QVERIFY(!QFile::exists(run + "/notifyd-00000000000000aa.sock"));
        QVERIFY(QFile::exists(run + "/Dawnbell.sock"));
        if (!storeGone)
            QCOMPARE(Value(Hive::CurrentUser, "Software\\Another Maker\\Tool", "volume"), QStringLiteral("7"));
        QCOMPARE(Value(Hive::LocalMachine, kPackage, "InstallDir"), QStringLiteral("-"));
    }

private:
    // The program folder the installer runs from: itself, the setup hooks and a
    // sounds folder; `failing` adds a last entry that cannot be copied (a socket).
    bool MakeProgramFolder(bool failing)
    {
        const QString program = m_tmp + "/program";
        QDir(program).removeRecursively();
        QDir().mkpath(program);
        for (const char* name : {"dawnbell-install", "libdawnbell-setup.so"}) {
            if (!QFile::copy(QStringLiteral(DAWNBELL_PROGRAM_DIR "/") + name, program + "/" + name))
                return false;
        }
        QByteArray list =
            "# what dawnbell-install copies\ndawnbell-install\nlibdawnbell-setup.so\nprogram-files.txt\nsounds/\n";
        if (failing) {
            list += "zz-socket\n";
            if (MakeSocket(program + "/zz-socket") != 0)
                return false;
        }
        return WriteFile(program + "/program-files.txt", list) && WriteFile(program + "/sounds/ring.mp3", "ring")
            && WriteFile(program + "/sounds/birds/dawn.mp3", "dawn");
    }

    // {home}, {tmp}, {installed} replaced by the test's folders.
    QString Expand(QString text) const
    {
        return text.replace("{home}", m_user).replace("{tmp}", m_tmp).replace("{installed}", m_dir);
    }

    // A file of the user's that must stay exactly as written.
    void Canary(const QString& path, const QByteArray& bytes)
    {
        QVERIFY(WriteFile(path, bytes));
        m_canaries.append(path);
        m_canaryBytes.insert(path, bytes);
    }

    void CheckCanaries()
    {
        for (const QString& path : m_canaries)
            QVERIFY2(ReadFile(path) == m_canaryBytes.value(path), qPrintable(path));
        QVERIFY2(!QFile::exists(m_guardLog), ReadFile(m_guardLog).constData());
    }

    // Every path below the test's folder except the store and the runtime
    // folder, folders ending in "/".
    QStringList Tree() const
    {
        QStringList out;
        QDirIterator it(m_tmp, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString rel = path.mid(m_tmp.size() + 1);
            if (rel.startsWith("registry.db") || rel.startsWith("run/") || rel.startsWith("program/")
                || rel.startsWith("notifications.db") || rel == "guard.log")
                continue;
            out << rel + (it.fileInfo().isDir() && !it.fileInfo().isSymLink() ? "/" : "");
        }
        out.sort();
        return out;
    }

    // Runs the installer of the program folder, or `installer` when given.
    int Run(const QStringList& arguments, const QString& workingDir = QString(), const QString& installer = QString())
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", QStringLiteral(DELETION_GUARD));
        env.insert("DELETION_GUARD_ROOT", m_tmp);
        env.insert("DELETION_GUARD_LOG", m_guardLog = m_tmp + "/guard.log");
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ":") + "verify_asan_link_order=0");
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (!workingDir.isEmpty())
            p.setWorkingDirectory(workingDir);
        p.start(installer.isEmpty() ? m_tmp + "/program/dawnbell-install" : installer, arguments);
        if (!p.waitForFinished(60000))
            return -1;
        m_output = QString::fromUtf8(p.readAll());
        qInfo("dawnbell-install %s:\n%s", qPrintable(arguments.join(QLatin1Char(' '))), qPrintable(m_output));
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    test::TempHome m_home;
    QByteArray m_realHome = qgetenv("HOME");
    QString m_tmp;      // the test's folder (also the device directory)
    QString m_user;     // the user's home folder
    QString m_dir;      // the installation folder
    QString m_output;   // the installer's last output
    QString m_guardLog; // where the deletion guard logs what it refused
    QStringList m_canaries;
    QHash<QString, QByteArray> m_canaryBytes;
};

QTEST_MAIN(PackageInstallerTest)
#include "PackageInstallerTest.moc"

// The file chooser on a real folder tree made by the test.
#include "FileDialog.h"
#include "Registry.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QScopeGuard>
#include <QtTest>

using dawnbell::FileDialog;

namespace {

// Makes `path` (below `root`) with `size` bytes (sparse) and, when given, the
// last-write time `modified` (seconds since the epoch).
bool MakeFile(const QString& root, const QString& path, qint64 size = 0, qint64 modified = 0)
{
    const QString full = root + QLatin1Char('/') + path;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
        return false;
    if (modified > 0)
        file.setFileTime(QDateTime::fromSecsSinceEpoch(modified), QFileDevice::FileModificationTime);
    return true;
}

// The names of the listed rows in display order.
QStringList Names(const FileDialog& dialog)
{
    QStringList names;
    for (int i = 0; i < dialog.RowCount(); ++i)
        names.append(dialog.RowText(i, FileDialog::kColumnName));
    return names;
}

// The row showing `name` (the first one), -1 when none.
int RowOf(const FileDialog& dialog, const QString& name)
{
    for (int i = 0; i < dialog.RowCount(); ++i) {
        if (dialog.RowText(i, FileDialog::kColumnName) == name)
            return i;
    }
    return -1;
}

// The path of the tree's current item.
QString TreeCurrent(const FileDialog& dialog)
{
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("1067"));
    return tree && tree->currentItem() ? tree->currentItem()->data(0, Qt::UserRole).toString() : QString();
}

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void sizeText_data();
    void sizeText();
    void patterns_data();
    void patterns();
    void sorting_data();
    void sorting();
    void sizeSortUsesWholeSize();
    void startingFolder_data();
    void startingFolder();
    void startingFolderByPurpose_data();
    void startingFolderByPurpose();
    void soundPlaces_data();
    void soundPlaces();
    void treeListsVisibleFoldersInNameOrder();
    void multipleSelectionAcrossFolders();
    void twinRowsAreOneChoice();
    void singleSelection();
    void saveName_data();
    void saveName();
    void saveFollowsFolderChange();
    void okDisabledWhileNameEmpty();
    void saveOntoFolderOpensIt();
    void overwrite_data();
    void overwrite();
    void cancelKeepsLastFolder();
    void layoutFits_data();
    void layoutFits();

private:
    QTemporaryDir m_home; // DAWNBELL_HOME of the test
    QScopedPointer<QTemporaryDir> m_dir; // the folder tree of one test function
    QString m_root;       // its path
};

void FileDialogTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("DAWNBELL_HOME", m_home.path().toUtf8());
    dawnbell::RegCloseStore();
}

void FileDialogTest::cleanupTestCase()
{
    dawnbell::RegCloseStore();
}

void FileDialogTest::init()
{
    qunsetenv("DAWNBELL_AUTO_ANSWER");
    qunsetenv("DAWNBELL_MSGBOX_RECORD");
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_root = QDir(m_dir->path()).canonicalPath();
}

void FileDialogTest::sizeText_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << qint64(0) << "0";
    QTest::newRow("1024 stays bytes") << qint64(1024) << "1024";
    QTest::newRow("1025") << qint64(1025) << "1K";
    QTest::newRow("1536") << qint64(1536) << "1K";
    QTest::newRow("1 MiB stays K") << qint64(1048576) << "1024K";
    QTest::newRow("1 MiB + 1") << qint64(1048577) << "1M";
    QTest::newRow("3 MiB") << qint64(3 * 1048576) << "3M";
    QTest::newRow("5 GiB") << qint64(5) * 1024 * 1048576 << "5120M";
}

void FileDialogTest::sizeText()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(FileDialog::SizeText(size), text);
}

void FileDialogTest::patterns_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("types"); // entries of the file-type drop-down

    const QStringList sounds{"a.mp3", "b.wav", "c.wma", "d.txt", "e.mid"};
    QTest::newRow("blanks around commas") << sounds << "Sounds|*.mp3,*.wav, *.wma" << 0
                                          << QStringList{"a.mp3", "b.wav", "c.wma"} << 1;
    QTest::newRow("second type") << sounds << "Sounds|*.mp3,*.wav, *.wma|Midi|*.mid" << 1 << QStringList{"e.mid"} << 2;
    QTest::newRow("file matching two pieces is listed twice")
        << QStringList{"a.mp3", "b.mp3"} << "x|*.mp3, a*" << 0 << QStringList{"a.mp3", "b.mp3", "a.mp3"} << 1;
    QTest::newRow("case does not matter") << QStringList{"LOUD.MP3", "soft.mp3"} << "x|*.mp3" << 0
                                          << QStringList{"LOUD.MP3", "soft.mp3"} << 1;
    QTest::newRow("*.* includes names without dot") << QStringList{"README", "b.txt"} << "All|*.*" << 0
                                                    << QStringList{"b.txt", "README"} << 1;
    QTest::newRow("description without pattern lists all") << QStringList{"x", "y.z"} << "Everything" << 0
                                                           << QStringList{"x", "y.z"} << 1;
    QTest::newRow("no filter lists all") << QStringList{"x", "y.z"} << "" << 0 << QStringList{"x", "y.z"} << 0;
    QTest::newRow("hidden files and folders are not rows")
        << QStringList{".secret.mp3", "sub/a.mp3", "top.mp3"} << "x|*" << 0 << QStringList{"top.mp3"} << 1;
    QTest::newRow("trailing bar") << QStringList{"a.mp3", "b.txt"} << "x|*.mp3|" << 0 << QStringList{"a.mp3"} << 1;
    QTest::newRow("the sound filter: Ogg, Opus, FLAC and M4A beside MP3, WAV, WMA and MID")
        << QStringList{"a.mp3", "b.ogg", "c.oga", "d.opus", "e.flac", "f.m4a", "g.wav", "h.wma", "i.mid", "j.txt"}
        << "SOUNDS" << 0 << QStringList{"a.mp3", "b.ogg", "c.oga", "d.opus", "e.flac", "f.m4a", "g.wav", "h.wma", "i.mid"}
        << 9;
    QTest::newRow("the sound filter's Ogg and Opus entry") << QStringList{"a.mp3", "b.ogg", "d.opus", "e.flac"}
                                                           << "SOUNDS" << 2 << QStringList{"b.ogg", "d.opus"} << 9;
    QTest::newRow("type index past the end of patterns") << QStringList{"a.mp3", "b.txt"} << "x|*.mp3|All" << 1
                                                         << QStringList{"a.mp3", "b.txt"} << 2;
}

void FileDialogTest::patterns()
{
    QFETCH(QStringList, files);
    QFETCH(QString, filter);
    QFETCH(int, type);
    QFETCH(QStringList, listed);
    QFETCH(int, types);
    for (const QString& f : files)
        QVERIFY(MakeFile(m_root, f));
    FileDialog dialog(FileDialog::Mode::Open, m_root);
    dialog.SetFilter(filter == QLatin1String("SOUNDS") ? FileDialog::SoundFilter() : filter);
    dialog.Prepare();
    QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("1071"))->count(), types);
    if (type != 0)
        QVERIFY(dialog.SelectFileType(type));
    QCOMPARE(Names(dialog), listed);
}

void FileDialogTest::sorting_data()
{
    QTest::addColumn<QList<int>>("taps");
    QTest::addColumn<int>("sortKey");
    QTest::addColumn<QStringList>("order");
    // Files: a.txt 10 bytes newest, B.txt 3000 bytes oldest, c.txt 2 MB in between.
    QTest::newRow("unsorted keeps enumeration") << QList<int>{} << 0 << QStringList{"a.txt", "B.txt", "c.txt"};
    QTest::newRow("name ignores case") << QList<int>{0} << 1 << QStringList{"a.txt", "B.txt", "c.txt"};
    QTest::newRow("name twice reverses") << QList<int>{0, 0} << -1 << QStringList{"c.txt", "B.txt", "a.txt"};
    QTest::newRow("size") << QList<int>{1} << 2 << QStringList{"a.txt", "B.txt", "c.txt"};
    QTest::newRow("size twice: largest first") << QList<int>{1, 1} << -2 << QStringList{"c.txt", "B.txt", "a.txt"};
    QTest::newRow("size three times") << QList<int>{1, 1, 1} << 2 << QStringList{"a.txt", "B.txt", "c.txt"};
    QTest::newRow("date") << QList<int>{2} << 3 << QStringList{"B.txt", "c.txt", "a.txt"};
    QTest::newRow("date twice") << QList<int>{2, 2} << -3 << QStringList{"a.txt", "c.txt", "B.txt"};
    QTest::newRow("other column starts ascending") << QList<int>{1, 1, 2} << 3
                                                   << QStringList{"B.txt", "c.txt", "a.txt"};
}

void FileDialogTest::sorting()
{
    QFETCH(QList<int>, taps);
    QFETCH(int, sortKey);
    QFETCH(QStringList, order);
    const qint64 day = 86400;
    const qint64 base = QDateTime(QDate(2024, 5, 1), QTime(12, 0)).toSecsSinceEpoch();
    QVERIFY(MakeFile(m_root, "a.txt", 10, base + 2 * day));
    QVERIFY(MakeFile(m_root, "B.txt", 3000, base));
    QVERIFY(MakeFile(m_root, "c.txt", 2000000, base + day));
    FileDialog dialog(FileDialog::Mode::Open, m_root);
    dialog.Prepare();
    for (int column : taps)
        dialog.TapColumn(column);
    QCOMPARE(dialog.SortKey(), sortKey);
    QCOMPARE(Names(dialog), order);
    const int big = RowOf(dialog, "c.txt");
    QCOMPARE(dialog.RowText(big, FileDialog::kColumnSize), QStringLiteral("1M"));
    QVERIFY(!dialog.RowText(big, FileDialog::kColumnDate).isEmpty());
}

void FileDialogTest::sizeSortUsesWholeSize()
{
    // Sparse files: 5 GiB has the low 32 bits of 1 GiB.
    const qint64 gib = qint64(1) << 30;
    if (!MakeFile(m_root, "five.img", 5 * gib) || !MakeFile(m_root, "two.img", 2 * gib))
        QSKIP("no large sparse files here");
    FileDialog dialog(FileDialog::Mode::Open, m_root);
    dialog.Prepare();
    dialog.TapColumn(FileDialog::kColumnSize);
    QCOMPARE(Names(dialog), (QStringList{"two.img", "five.img"}));
    QCOMPARE(dialog.RowText(1, FileDialog::kColumnSize), QStringLiteral("5120M"));
}

void FileDialogTest::startingFolder_data()
{
    QTest::addColumn<QString>("start"); // "@" stands for the test's root folder
    QTest::addColumn<QString>("opened");
    QTest::addColumn<bool>("complete");
    QTest::newRow("plain") << "@/music/rock" << "@/music/rock" << true;
    QTest::newRow("trailing separator dropped") << "@/music/rock/" << "@/music/rock" << true;
    QTest::newRow("doubled separators") << "@//music///rock//" << "@/music/rock" << true;
    QTest::newRow("root keeps its separator") << "/" << "/" << true;
    QTest::newRow("empty opens the root") << "" << "/" << true;
    QTest::newRow("relative opens the root") << "music/rock" << "/" << true;
    QTest::newRow("missing opens deepest existing") << "@/music/rock/gone/deeper" << "@/music/rock" << false;
    QTest::newRow("a longer name is not the shorter folder") << "@/music/rockabilly" << "@/music" << false;
    QTest::newRow("the shorter name is not the longer folder") << "@/music/roc" << "@/music" << false;
    QTest::newRow("hidden folder on the way") << "@/.config/alarms" << "@/.config/alarms" << true;
    QTest::newRow("a file is not a folder") << "@/music/song.mp3" << "@/music" << false;
}

void FileDialogTest::startingFolder()
{
    QFETCH(QString, start);
    QFETCH(QString, opened);
    QFETCH(bool, complete);
    QDir().mkpath(m_root + "/music/rock");
    QDir().mkpath(m_root + "/music/rockabillyx");
    QDir().mkpath(m_root + "/.config/alarms");
    QVERIFY(MakeFile(m_root, "music/song.mp3"));
    QVERIFY(MakeFile(m_root, "music/rock/track.mp3"));
    start.replace("@", m_root);
    opened.replace("@", m_root);

    FileDialog dialog(FileDialog::Mode::Open, start);
    dialog.Prepare();
    QCOMPARE(dialog.CurrentFolder(), opened);
    QCOMPARE(TreeCurrent(dialog), opened);
    if (opened == m_root + "/music/rock")
        QCOMPARE(Names(dialog), QStringList{"track.mp3"});

    // The same walk on request reports whether the whole path was found.
    QCOMPARE(dialog.OpenFolder(start), complete);
}

void FileDialogTest::startingFolderByPurpose_data()
{
    QTest::addColumn<int>("purpose");
    QTest::addColumn<QString>("last");     // the caller's last folder
    QTest::addColumn<QString>("userDirs"); // user-dirs.dirs; "-": none
    QTest::addColumn<QString>("start");    // "~" stands for the home folder
    const QString dirs = QStringLiteral("XDG_MUSIC_DIR=\"$HOME/Klang\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    const int sounds = int(FileDialog::Purpose::Sounds), pictures = int(FileDialog::Purpose::Pictures);
    QTest::newRow("sounds: the music folder") << sounds << "" << dirs << "~/Klang";
    QTest::newRow("pictures: the pictures folder") << pictures << "" << dirs << "~/Bilder";
    QTest::newRow("programs: home") << int(FileDialog::Purpose::Programs) << "" << dirs << "~";
    QTest::newRow("templates: home") << int(FileDialog::Purpose::Templates) << "" << dirs << "~";
    QTest::newRow("the last folder wins") << sounds << "/srv/tunes" << dirs << "/srv/tunes";
    QTest::newRow("a music folder that does not exist: home")
        << sounds << "" << QStringLiteral("XDG_MUSIC_DIR=\"$HOME/Gone\"\n") << "~";
    QTest::newRow("no user directories: ~/Music") << sounds << "" << "-" << "~/Music";
    QTest::newRow("no user directories and no ~/Pictures: home") << pictures << "" << "-" << "~";
}

void FileDialogTest::startingFolderByPurpose()
{
    QFETCH(int, purpose);
    QFETCH(QString, last);
    QFETCH(QString, userDirs);
    QFETCH(QString, start);
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QString home = m_root + "/home";
    for (const char* folder : {"/home/Klang", "/home/Bilder", "/home/Music", "/config"})
        QVERIFY(QDir().mkpath(m_root + folder));
    if (userDirs != "-") {
        QFile file(m_root + "/config/user-dirs.dirs");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(userDirs.toUtf8());
    }
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_root + "/config").toUtf8());
    const QString got = FileDialog::StartFolder(FileDialog::Purpose(purpose), last);
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(got, start.replace("~", home));
}

void FileDialogTest::soundPlaces_data()
{
    QTest::addColumn<bool>("music");      // the user's music folder exists
    QTest::addColumn<int>("place");       // the place tapped
    QTest::addColumn<QString>("folder");  // the folder it opens, below the test's root
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("the program's sounds") << true << 0 << "/program/sounds" << QStringList{"ring.mp3"};
    QTest::newRow("the music folder of the user directories") << true << 1 << "/home/Klang" << QStringList{"song.ogg"};
    QTest::newRow("home") << true << 2 << "/home" << QStringList{"memo.flac"};
    QTest::newRow("no music folder: home is the second place") << false << 1 << "/home" << QStringList{"memo.flac"};
    QTest::newRow("the sounds the user added, in the device directory")
        << true << 1 << "/device/sounds" << QStringList{"mine.opus"};
}

void FileDialogTest::soundPlaces()
{
    QFETCH(bool, music);
    QFETCH(int, place);
    QFETCH(QString, folder);
    QFETCH(QStringList, listed);
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
    });
    QVERIFY(MakeFile(m_root, "program/sounds/ring.mp3"));
    QVERIFY(MakeFile(m_root, "home/memo.flac"));
    QVERIFY(MakeFile(m_root, "start/other.wav"));
    // The device directory holds sounds the user added only in one row.
    const bool added = folder == QLatin1String("/device/sounds");
    if (added)
        QVERIFY(MakeFile(m_root, "device/sounds/mine.opus"));
    const QByteArray oldDevice = qgetenv("DAWNBELL_HOME");
    qputenv("DAWNBELL_HOME", (m_root + "/device").toUtf8());
    dawnbell::RegCloseStore();
    const auto restoreDevice = qScopeGuard([&] {
        dawnbell::RegCloseStore();
        qputenv("DAWNBELL_HOME", oldDevice);
    });
    if (music)
        QVERIFY(MakeFile(m_root, "home/Klang/song.ogg"));
    QVERIFY(MakeFile(m_root, "config/user-dirs.dirs"));
    QFile dirs(m_root + "/config/user-dirs.dirs");
    QVERIFY(dirs.open(QIODevice::WriteOnly) && dirs.write("XDG_MUSIC_DIR=\"$HOME/Klang\"\n") > 0);
    dirs.close();
    qputenv("HOME", (m_root + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_root + "/config").toUtf8());

    FileDialog dialog(FileDialog::Mode::Open, m_root + "/start");
    dialog.SetFilter(FileDialog::SoundFilter());
    dialog.AddSoundPlaces(m_root + "/program/sounds");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QStringList labels{"Dawnbell sounds"};
    if (added)
        labels << "Your added sounds";
    if (music)
        labels << "Music";
    labels << "Home";
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("1067"));
    auto* places = dialog.findChild<QListWidget*>(QStringLiteral("1069"));
    QVERIFY(tree && places && places->isVisible());
    // The places stand in a row above the tree, in view however deep the
    // chooser opens; the tree itself starts at "/" as before.
    QStringList shown;
    for (int i = 0; i < places->count(); ++i)
        shown << places->item(i)->text();
    QCOMPARE(shown, labels);
    QCOMPARE(dialog.PlaceLabels(), labels);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QVERIFY(places->geometry().bottom() < tree->geometry().top());
    QCOMPARE(dialog.CurrentFolder(), m_root + "/start");

    // One tap on a place opens its folder in the tree and lists its files.
    QListWidgetItem* item = places->item(place);
    places->scrollToItem(item);
    QTest::mouseClick(places->viewport(), Qt::LeftButton, {}, places->visualItemRect(item).center());
    QCOMPARE(dialog.CurrentFolder(), m_root + folder);
    QCOMPARE(TreeCurrent(dialog), m_root + folder);
    QCOMPARE(Names(dialog), listed);
}

void FileDialogTest::treeListsVisibleFoldersInNameOrder()
{
    for (const char* name : {"c", "a", "B", ".hidden"})
        QDir().mkpath(m_root + "/" + name);
    FileDialog dialog(FileDialog::Mode::Open, m_root);
    dialog.Prepare();
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("1067"));
    QVERIFY(tree && tree->currentItem());
    QTreeWidgetItem* item = tree->currentItem();
    item->setExpanded(true); // lists lazily
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i)
        names.append(item->child(i)->text(0));
    QCOMPARE(names, (QStringList{"a", "B", "c"}));
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("/"));

    // Selecting a folder in the tree lists its files.
    QVERIFY(MakeFile(m_root, "B/x.wav"));
    tree->setCurrentItem(item->child(1));
    QCOMPARE(dialog.CurrentFolder(), m_root + "/B");
    QCOMPARE(Names(dialog), QStringList{"x.wav"});
}

void FileDialogTest::multipleSelectionAcrossFolders()
{
    QVERIFY(MakeFile(m_root, "one/a.mp3"));
    QVERIFY(MakeFile(m_root, "one/z.mp3"));
    QVERIFY(MakeFile(m_root, "two/m.mp3"));
    FileDialog dialog(FileDialog::Mode::Open, m_root + "/one");
    dialog.SetFilter("Sounds|*.mp3");
    dialog.Prepare();
    QVERIFY(dialog.CheckRow(RowOf(dialog, "z.mp3"), true));
    QVERIFY(dialog.OpenFolder(m_root + "/two"));
    QVERIFY(dialog.CheckRow(RowOf(dialog, "m.mp3"), true));
    QVERIFY(dialog.OpenFolder(m_root + "/one"));
    QVERIFY(dialog.IsRowChecked(RowOf(dialog, "z.mp3"))); // shown checked on return
    QVERIFY(!dialog.IsRowChecked(RowOf(dialog, "a.mp3")));
    QVERIFY(dialog.CheckRow(RowOf(dialog, "a.mp3"), true));
    QCOMPARE(dialog.ChosenFiles(),
             (QStringList{m_root + "/one/z.mp3", m_root + "/two/m.mp3", m_root + "/one/a.mp3"}));

    // Unchecking removes only that file; sorting does not lose checks.
    QVERIFY(dialog.CheckRow(RowOf(dialog, "z.mp3"), false));
    dialog.TapColumn(0);
    dialog.TapColumn(0);
    QVERIFY(dialog.IsRowChecked(RowOf(dialog, "a.mp3")));
    QVERIFY(!dialog.IsRowChecked(RowOf(dialog, "z.mp3")));
    QVERIFY(dialog.PressOk());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ChosenFiles(), (QStringList{m_root + "/two/m.mp3", m_root + "/one/a.mp3"}));
    QCOMPARE(dialog.CurrentFolder(), m_root + "/one");
}

void FileDialogTest::twinRowsAreOneChoice()
{
    QVERIFY(MakeFile(m_root, "alarm.mp3"));
    FileDialog dialog(FileDialog::Mode::Open, m_root);
    dialog.SetFilter("x|*.mp3, alarm*");
    dialog.Prepare();
    QCOMPARE(dialog.RowCount(), 2);
    QVERIFY(dialog.CheckRow(0, true));
    QVERIFY(dialog.IsRowChecked(1));
    QVERIFY(dialog.CheckRow(1, true));
    QCOMPARE(dialog.ChosenFiles(), QStringList{m_root + "/alarm.mp3"});
    QVERIFY(dialog.CheckRow(1, false));
    QVERIFY(!dialog.IsRowChecked(0));
    QVERIFY(dialog.ChosenFiles().isEmpty());
}

void FileDialogTest::singleSelection()
{
    QVERIFY(MakeFile(m_root, "a.png"));
    QVERIFY(MakeFile(m_root, "b.png"));
    FileDialog dialog(FileDialog::Mode::Open, m_root);
    dialog.SetSingleSelection(true);
    dialog.Prepare();
    QVERIFY(!dialog.CheckRow(0, true)); // no check boxes
    QVERIFY(dialog.SelectRow(RowOf(dialog, "a.png")));
    QVERIFY(dialog.SelectRow(RowOf(dialog, "b.png")));
    QCOMPARE(dialog.ChosenFiles(), QStringList{m_root + "/b.png"});
    QCOMPARE(dialog.TypedName(), QStringLiteral("b.png"));
}

void FileDialogTest::saveName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("no dot gets extension") << "backup" << ".atf" << "backup.atf";
    QTest::newRow("dot stays as typed") << "a.b" << ".atf" << "a.b";
    QTest::newRow("own extension kept") << "x.atf" << ".atf" << "x.atf";
    QTest::newRow("no default extension") << "backup" << "" << "backup";
}

void FileDialogTest::saveName()
{
    QFETCH(QString, typed);
    QFETCH(QString, extension);
    QFETCH(QString, chosen);
    FileDialog dialog(FileDialog::Mode::Save, m_root);
    dialog.SetDefaultExtension(extension);
    dialog.Prepare();
    dialog.TypeName(typed);
    QVERIFY(dialog.PressOk());
    QCOMPARE(dialog.ChosenFiles(), QStringList{m_root + "/" + chosen});
}

void FileDialogTest::saveFollowsFolderChange()
{
    QDir().mkpath(m_root + "/other");
    FileDialog dialog(FileDialog::Mode::Save, m_root);
    dialog.SetDefaultExtension(".atf");
    dialog.SetDefaultFileName("templates");
    dialog.Prepare();
    QCOMPARE(dialog.TypedName(), QStringLiteral("templates"));
    QCOMPARE(dialog.ChosenFiles(), QStringList{m_root + "/templates.atf"});
    QVERIFY(dialog.OpenFolder(m_root + "/other"));
    QVERIFY(dialog.PressOk());
    QCOMPARE(dialog.ChosenFiles(), QStringList{m_root + "/other/templates.atf"});

    // At the root the name is joined with a single separator.
    FileDialog atRoot(FileDialog::Mode::Save, "/");
    atRoot.TypeName("x.atf");
    QCOMPARE(atRoot.ChosenFiles(), QStringList{"/x.atf"});
}

void FileDialogTest::okDisabledWhileNameEmpty()
{
    FileDialog dialog(FileDialog::Mode::Save, m_root);
    dialog.Prepare();
    QVERIFY(!dialog.IsOkEnabled());
    QVERIFY(!dialog.PressOk());
    dialog.TypeName("n");
    QVERIFY(dialog.IsOkEnabled());
    dialog.TypeName("");
    QVERIFY(!dialog.IsOkEnabled());
    QVERIFY(dialog.ChosenFiles().isEmpty());

    FileDialog open(FileDialog::Mode::Open, m_root);
    open.Prepare();
    QVERIFY(open.IsOkEnabled());
    QVERIFY(!open.findChild<QLineEdit*>(QStringLiteral("1133"))->isVisibleTo(&open));
}

void FileDialogTest::saveOntoFolderOpensIt()
{
    QDir().mkpath(m_root + "/old.atf");
    qputenv("DAWNBELL_AUTO_ANSWER", "yes");
    FileDialog dialog(FileDialog::Mode::Save, m_root);
    dialog.SetDefaultExtension(".atf");
    dialog.TypeName("old");
    QVERIFY(!dialog.PressOk());
    QCOMPARE(dialog.CurrentFolder(), m_root + "/old.atf");
    QCOMPARE(dialog.TypedName(), QString());
    QVERIFY(!dialog.IsOkEnabled());
    QVERIFY(dialog.ChosenFiles().isEmpty());
}

void FileDialogTest::overwrite_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("no keeps the dialog") << "no" << false;
    QTest::newRow("yes accepts") << "yes" << true;
}

void FileDialogTest::overwrite()
{
    QFETCH(QString, answer);
    QFETCH(bool, accepted);
    QVERIFY(MakeFile(m_root, "backup.atf", 5));
    const QString record = m_dir->filePath("boxes.txt");
    qputenv("DAWNBELL_AUTO_ANSWER", answer.toUtf8());
    qputenv("DAWNBELL_MSGBOX_RECORD", record.toUtf8());

    FileDialog dialog(FileDialog::Mode::Save, m_root);
    dialog.SetDefaultExtension(".atf");
    dialog.Prepare();
    dialog.TypeName("backup");
    QCOMPARE(dialog.PressOk(), accepted);
    QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(dialog.TypedName(), QStringLiteral("backup"));
    QCOMPARE(dialog.ChosenFiles(), QStringList{m_root + "/backup.atf"});

    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(file.readAll()).trimmed();
    QCOMPARE(line, "Warning\tThe file " + m_root + "/backup.atf already exists. Do you want to overwrite it?");

    // A new name asks nothing.
    file.close();
    QFile::remove(record);
    dialog.TypeName("fresh");
    QVERIFY(dialog.PressOk());
    QVERIFY(!QFile::exists(record));
}

void FileDialogTest::cancelKeepsLastFolder()
{
    QDir().mkpath(m_root + "/first");
    QDir().mkpath(m_root + "/second");
    FileDialog dialog(FileDialog::Mode::Open, m_root + "/first/");
    dialog.Prepare();
    QCOMPARE(dialog.CurrentFolder(), m_root + "/first");
    QVERIFY(dialog.OpenFolder(m_root + "/second"));
    dialog.findChild<QPushButton*>(QStringLiteral("2"))->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.CurrentFolder(), m_root + "/second");
}

void FileDialogTest::layoutFits_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QSize>("size");
    for (bool save : {false, true}) {
        const char* mode = save ? "save" : "open";
        for (const QSize& size : {QSize(240, 294), QSize(240, 374), QSize(320, 214), QSize(400, 214),
                                  QSize(240, 240), QSize(480, 588), QSize(640, 454), QSize(800, 454)})
            QTest::addRow("%s %dx%d", mode, size.width(), size.height()) << save << size;
    }
}

void FileDialogTest::layoutFits()
{
    QFETCH(bool, save);
    QFETCH(QSize, size);
    FileDialog dialog(save ? FileDialog::Mode::Save : FileDialog::Mode::Open, m_root);
    dialog.show();
    dialog.resize(size);
    const QRect client(QPoint(0, 0), size);
    QList<QRect> rects;
    for (int id : {1067, 1071, 1068, 1133, 1, 2}) {
        QWidget* control = dialog.findChild<QWidget*>(QString::number(id));
        QVERIFY(control);
        if (!control->isVisibleTo(&dialog))
            continue;
        const QRect r = control->geometry();
        QVERIFY2(client.contains(r), qPrintable(QString("control %1 outside").arg(id)));
        QVERIFY2(r.height() >= 20 && r.width() >= 60, qPrintable(QString("control %1 too small").arg(id)));
        for (const QRect& other : rects)
            QVERIFY2(!other.intersects(r), qPrintable(QString("control %1 overlaps").arg(id)));
        rects.append(r);
    }
    // The tree and the list use the room the window has.
    const int list = dialog.findChild<QWidget*>("1068")->height();
    QVERIFY(list >= size.height() / 4);
    // Column widths: 60 %, 20 % and 20 % less the scroll bar allowance.
    auto* view = dialog.findChild<QTreeWidget*>("1068");
    const int w = view->contentsRect().width();
    QCOMPARE(view->columnWidth(0), w * 60 / 100);
    QCOMPARE(view->columnWidth(2), w * 20 / 100 - 2);
}

QTEST_MAIN(FileDialogTest)
#include "FileDialogTest.moc"

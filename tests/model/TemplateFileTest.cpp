// Alarm template files between two device directories: export on one, import on
// the other (real registry, real program folders), the file layout read from
// files built byte by byte here, refused and hostile files, and deletion.
#include "AlarmStore.h"
#include "AtfFormat.h"
#include "Clock.h"
#include "FirstLaunch.h"
#include "Profile.h"
#include "ReadOnlyFolder.h"
#include "Registry.h"
#include "TempHome.h"
#include "TemplateAnswers.h"
#include "TemplateLibrary.h"
#include "TemplateName.h"
#include "TestEnv.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace dawnbell;
using dawnbell::test::At;

namespace {

// Fixed answers (default no) and a transcript of everything asked and told.
class ScriptedDialogue : public TemplateAnswers {
public:
    ScriptedDialogue() : TemplateAnswers([this](const QString& line) { transcript << line; }) {}
    QStringList transcript; // "<caption>: <text>[ yes| no| (<detail>)]"
};

// The one line of a refused import.
bool IsRefusal(const QStringList& transcript)
{
    return transcript.size() == 1
        && transcript[0].startsWith(QStringLiteral("Fehler: File has no valid template file format! ("));
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), qPrintable(path));
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every file below `root`, relative, sorted.
QStringList FilesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Every entry below `root`, relative and sorted, with what it is: "dir/" for a
// folder, "name -> target" for a symbolic link, "name = contents" for a file.
QStringList TreeBelow(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(root).relativeFilePath(info.filePath());
        if (info.isSymLink())
            entries << name + QStringLiteral(" -> ") + info.symLinkTarget();
        else if (info.isDir())
            entries << name + QLatin1Char('/');
        else
            entries << name + QStringLiteral(" = ") + QString::fromLatin1(ReadFile(info.filePath()));
    }
    entries.sort();
    return entries;
}

// Every key and value of the current user's registry, one line each.
QStringList RegistryDump()
{
    QStringList lines;
    std::function<void(const std::string&)> walk = [&](const std::string& path) {
        RegKey key;
        if (RegKey::Open(Hive::CurrentUser, path, &key) != RegOk)
            return;
        RegValue value;
        for (uint32_t i = 0; key.EnumValue(i, &value) == RegOk; ++i)
            lines << QString::fromStdString(path + " " + value.name + "=")
                         + QByteArray(reinterpret_cast<const char*>(value.data.data()), int(value.data.size())).toHex();
        std::string name;
        for (uint32_t i = 0; key.EnumKey(i, &name) == RegOk; ++i)
            walk(path.empty() ? name : path + "\\" + name);
    };
    walk(std::string());
    return lines;
}

// Sets every number a template file carries to a value inside the range its
// editor gives it, other than the defaults where the field allows.
void FillInRange(Alarm* a)
{
    a->random = 1;
    a->snooze = 420;
    a->forceVolume = 1;
    a->volume = 73;
    a->vibrate = 0;
    a->quiz = 4;
    a->quizTypes = 5;
    a->useSnooze = 0;
    a->useFade = 0;
    a->closeAfterMinutes = 17;
    a->closeAfterTimes = 3;
    a->useTextColor = 1;
    a->useBackColor = 1;
    a->backColor = 0x123456;
    a->textColor = 0xABCDEF;
    a->backImageStyle = 3;
    a->layoutStyle = 1;
    a->showSoundControls = 1;
    a->vibrateInterval = 0;
    a->confirmClose = 0;
    a->quizLevel = 6;
    a->fadeDuration = 42;
}

// An alarm template file written field by field, independently of the writer.
// Each member holds the texts of one field so a test row can spoil one of them.
struct RawFile {
    QString header = QStringLiteral("ATF450");
    QString nameCount;                     // the name's count text; null = its real length
    QString name = QStringLiteral("Wake");
    QList<QPair<QString, QByteArray>> sounds{{QStringLiteral("a.mp3"), "AAAA"}};
    QString soundSize;                     // size text of the first sound; null = its real size
    QList<QPair<QString, QByteArray>> pictures{{QStringLiteral("p.png"), "PP"}};
    QStringList playlist{QStringLiteral("a.mp3")};
    QByteArray fade = QByteArray(kFadePoints, '\x07');
    QString fadeDuration = QStringLiteral("12");
    QString title = QStringLiteral("T"), message = QStringLiteral("M"), command = QStringLiteral("C");
    QStringList pictureFields = QStringList(11, QString());
    QByteArray timeAndDays = QByteArray("\x06\x0F\x1E\x03\x1D\x02", 6); // 06:15:30, Mo+Tu, 29 Feb
    QStringList numbers{"2032", "0", "240", "1", "60", "0", "2", "5", "1", "0", "10", "3",
                        "1", "1", "1193046", "255", "2", "1", "1", "0", "0", "2", "4"};

    static QByteArray Units(const QString& s)
    {
        QByteArray b;
        for (QChar c : s) {
            b.append(char(c.unicode() & 0xFF));
            b.append(char(c.unicode() >> 8));
        }
        return b;
    }
    static QByteArray Bar(const QString& s) { return Units(s + QLatin1Char('|')); }
    static QByteArray Counted(const QString& s, const QString& count = QString())
    {
        return Bar(count.isNull() ? QString::number(s.size()) : count) + Units(s);
    }
    // Writes the file to `path`; `hole` bytes of nothing (a sparse stretch)
    // stand for the first sound's contents, whose size text must say so.
    void WriteTo(const QString& path, qint64 hole = 0) const
    {
        QList<int> starts;
        const QByteArray b = Bytes(&starts);
        const int at = hole ? starts[4] : int(b.size()); // the first sound's contents
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(b.left(at)), qint64(at));
        QVERIFY(f.seek(at + hole));
        QCOMPARE(f.write(b.mid(at)), qint64(b.size() - at));
    }
    // The file; `starts` receives the offset at which each field (each part of
    // an embedded file counted alone) begins.
    QByteArray Bytes(QList<int>* starts = nullptr) const
    {
        QByteArray b;
        const auto add = [&](const QByteArray& field) {
            if (starts)
                starts->append(int(b.size()));
            b += field;
        };
        add(Bar(header));
        add(Counted(name, nameCount));
        for (int i = 0; i < sounds.size(); ++i) {
            add(Bar(sounds[i].first));
            add(Bar(i == 0 && !soundSize.isNull() ? soundSize : QString::number(sounds[i].second.size())));
            add(sounds[i].second);
        }
        add(Units(QStringLiteral("|")));
        for (const auto& p : pictures) {
            add(Bar(p.first));
            add(Bar(QString::number(p.second.size())));
            add(p.second);
        }
        add(Units(QStringLiteral("|")));
        for (const QString& entry : playlist)
            add(Bar(entry));
        add(Units(QStringLiteral("|")));
        add(fade);
        const bool old = header == QLatin1String("ATF");
        if (!old)
            add(Bar(fadeDuration));
        add(Counted(title));
        add(Counted(message));
        add(Counted(command));
        for (int i = 0; i < (old ? 6 : 11); ++i)
            add(Counted(pictureFields.value(i)));
        for (char c : timeAndDays)
            add(QByteArray(1, c));
        for (const QString& n : numbers)
            add(Bar(n));
        return b;
    }
};

// Sets one field of `f` named by a test row: "header", "name", "nameCount",
// "soundName", "soundSize", "playlist", "picture0", "fadeDuration", "title",
// "time", "days", "date" (hex bytes), "fade" (point 3), "number<i>";
// "soundCount" (that many empty sounds), "soundHole" (the first sound's size,
// its contents left to RawFile::WriteTo).
void Spoil(RawFile* f, const QString& field, const QString& value)
{
    if (field == QLatin1String("header"))
        f->header = value;
    else if (field == QLatin1String("name"))
        f->name = value;
    else if (field == QLatin1String("nameCount"))
        f->nameCount = value;
    else if (field == QLatin1String("soundName"))
        f->sounds[0].first = value;
    else if (field == QLatin1String("soundSize"))
        f->soundSize = value;
    else if (field == QLatin1String("playlist"))
        f->playlist = QStringList{value};
    else if (field == QLatin1String("picture0"))
        f->pictureFields[0] = value;
    else if (field == QLatin1String("fadeDuration"))
        f->fadeDuration = value;
    else if (field == QLatin1String("title"))
        f->title = value;
    else if (field == QLatin1String("time"))
        f->timeAndDays.replace(0, 3, QByteArray::fromHex(value.toLatin1()));
    else if (field == QLatin1String("days"))
        f->timeAndDays.replace(3, 1, QByteArray::fromHex(value.toLatin1()));
    else if (field == QLatin1String("date"))
        f->timeAndDays.replace(4, 2, QByteArray::fromHex(value.toLatin1()));
    else if (field == QLatin1String("fade"))
        f->fade[3] = char(value.toInt());
    else if (field == QLatin1String("soundCount")) {
        f->sounds.clear();
        for (int i = 0; i < value.toInt(); ++i)
            f->sounds.append({QStringLiteral("f%1").arg(i), QByteArray()});
    } else if (field == QLatin1String("soundHole")) {
        f->sounds[0].second.clear();
        f->soundSize = value;
    }
    else if (field.startsWith(QLatin1String("number")))
        f->numbers[field.mid(6).toInt()] = value;
    else
        QFAIL(qPrintable(QStringLiteral("unknown field ") + field));
}

// A field of an imported template as text, for the rows of `accepted`.
QString FieldText(const AlarmTemplate& t, const QString& field, const QString& programDir)
{
    if (field == QLatin1String("playlist"))
        return t.playlist.join(QLatin1Char(';')).replace(programDir, QStringLiteral("<dir>"));
    if (field == QLatin1String("pictures")) {
        QStringList names;
        for (int i = 0; i < AtfFormat::kPictureCount; ++i)
            names << t.BackImage(AtfFormat::PictureField(i));
        return names.join(QLatin1Char(';'));
    }
    if (field == QLatin1String("time"))
        return test::Format(t.alarmTime);
    if (field == QLatin1String("date"))
        return QString::asprintf("%04d-%02d-%02d", t.dateYear, t.dateMonth, t.dateDay);
    if (field == QLatin1String("files"))
        return FilesBelow(programDir).join(QLatin1Char(';'));
    for (int i = 0; i < AtfFormat::kNumberCount; ++i) {
        if (field == QLatin1String(AtfFormat::NumberName(i)))
            return QString::number(AtfFormat::GetNumber(t, i));
    }
    if (field == QLatin1String("fadeDuration"))
        return QString::number(t.fadeDuration);
    if (field == QLatin1String("title"))
        return t.title;
    if (field == QLatin1String("name"))
        return t.name;
    return QStringLiteral("<unknown field>");
}

} // namespace

class TemplateFileTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
        m_dirs = std::make_unique<QTemporaryDir>();
        m_programA = m_dirs->filePath(QStringLiteral("deviceA"));
        m_programB = m_dirs->filePath(QStringLiteral("deviceB/program"));
        QDir().mkpath(m_programA);
        QDir().mkpath(m_programB);
        clock::SetNowForTesting(At("2024-05-17 12:00:00"));
        m_templates.clear();
    }
    void cleanup()
    {
        m_templates.clear();
        RegCloseStore();
        clock::SetNowForTesting(std::nullopt);
    }

    // Export on device A, import on device B: every field, the sound and picture
    // files, the registry section; the date of the import day, the time of the file.
    void roundTrip_data()
    {
        QTest::addColumn<int>("builtin");  // built-in template index, or -1 for the rows below
        QTest::addColumn<QString>("shape"); // "every field", "duplicate entry", "long texts"
        for (int i = 0; i < FirstLaunch::kTemplateCount; ++i)
            QTest::addRow("built-in %d", i) << i << QString();
        QTest::newRow("every field, bar in title and name") << -1 << "every field";
        QTest::newRow("same file twice in the playlist") << -1 << "duplicate entry";
        QTest::newRow("texts and files larger than one piece") << -1 << "long texts";
    }
    void roundTrip()
    {
        QFETCH(int, builtin);
        QFETCH(QString, shape);
        AlarmTemplate source;
        QString sourceProgram = m_programA;
        QByteArray once; // contents that must be embedded exactly once
        if (builtin >= 0) {
            sourceProgram = QStringLiteral(DAWNBELL_PROGRAM_DIR);
            FirstLaunch::FillTemplate(builtin, sourceProgram, &source);
        } else {
            test::FillNonDefault(&source);
            FillInRange(&source);
            source.name = QStringLiteral("Every | field");
            source.title = QStringLiteral("Wake | up\r\nnow");
            const QString a = m_dirs->filePath(QStringLiteral("music/a one.mp3"));
            const QString b = m_dirs->filePath(QStringLiteral("music/two.ogg"));
            WriteFile(a, "first sound");
            WriteFile(b, "second sound");
            source.SetPlaylist({a, b});
            for (int i = 0; i < BackImageFieldCount; ++i)
                WriteFile(m_programA + QStringLiteral("/images/") + source.BackImage(i), "picture " + QByteArray::number(i));
            if (shape == QLatin1String("duplicate entry")) {
                source.SetPlaylist({a, b, a});
                once = "first sound";
            } else if (shape == QLatin1String("long texts")) {
                source.message = QString(3 * AtfFormat::kPieceUnits + 5, QChar(0x263C));
                QByteArray big(2 * AtfFormat::kPieceBytes + 17, 'x');
                big[AtfFormat::kPieceBytes] = 'y';
                WriteFile(a, big);
            }
        }
        const QString atf = m_dirs->filePath(QStringLiteral("out/t.atf"));
        QDir().mkpath(QFileInfo(atf).absolutePath());
        ScriptedDialogue dialogue;
        TemplateList sourceList;
        QVERIFY(TemplateLibrary(&sourceList, sourceProgram, &dialogue).ExportTo(source, atf));
        QCOMPARE(dialogue.transcript, QStringList{"Information: Template successfully exported."});
        if (!once.isEmpty())
            QCOMPARE(ReadFile(atf).count(once), 1);

        m_home.Renew(); // device B: its own registry
        dialogue.transcript.clear();
        AlarmTemplate* t = TemplateLibrary(&m_templates, m_programB, &dialogue).ImportFile(atf);
        QVERIFY2(t, qPrintable(dialogue.transcript.join('\n')));
        QCOMPARE(dialogue.transcript.size(), 2);
        QCOMPARE(dialogue.transcript[0], QStringLiteral("%1: Template successfully imported.").arg(source.name));
        QVERIFY(QFile::exists(atf)); // the delete question was answered no

        // What the file does not carry: activation, the text border; paths follow
        // device B; file names lose their line breaks (texts keep theirs).
        AlarmTemplate expected;
        expected.CopyFrom(source);
        expected.name = source.name;
        expected.activated = 1;
        expected.noTextBorder = 0;
        for (int i = 0; i < BackImageFieldCount; ++i)
            expected.SetBackImage(i, QString(source.BackImage(i)).remove(QStringLiteral("\r\n")));
        QStringList playlist;
        for (const QString& entry : source.playlist)
            playlist << m_programB + QStringLiteral("/sounds/") + AtfFormat::FileNamePart(entry);
        expected.SetPlaylist(playlist);
        QCOMPARE(t->name, expected.name);
        QCOMPARE(test::FirstDifference(*t, expected), QString());
        QCOMPARE(test::Format(t->alarmTime).left(10), QStringLiteral("2024-05-17"));
        QCOMPARE(QString::asprintf("%d-%d-%d", t->dateYear, t->dateMonth, t->dateDay),
                 QString::asprintf("%d-%d-%d", source.dateYear, source.dateMonth, source.dateDay));
        for (int i = 0; i < source.playlist.size(); ++i)
            QCOMPARE(ReadFile(t->playlist[i]), ReadFile(source.playlist[i]));
        for (int i = 0; i < BackImageFieldCount; ++i) {
            if (!source.BackImage(i).isEmpty())
                QCOMPARE(ReadFile(m_programB + "/images/" + t->BackImage(i)),
                         ReadFile(sourceProgram + "/images/" + source.BackImage(i)));
        }
        // Stored as imported.
        const std::unique_ptr<Alarm> stored = AlarmStore::LoadSection(t->GetKey());
        QVERIFY(stored);
        expected.activated = 1;
        QCOMPARE(test::FirstDifference(*stored, expected), QString());
        QCOMPARE(m_templates.size(), size_t(1));
    }

    // Two sound files of one name from different folders: the second asks before
    // replacing the first, and both playlist entries name the one file.
    void sameNameFromTwoFolders_data()
    {
        QTest::addColumn<QByteArray>("second"); // the second file's bytes
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("asked");
        QTest::newRow("yes: the second replaces the first") << QByteArray("from two") << true << QByteArray("from two") << true;
        QTest::newRow("no: the first stays") << QByteArray("from two") << false << QByteArray("from one") << true;
        QTest::newRow("equal bytes: nothing to ask") << QByteArray("from one") << false << QByteArray("from one") << false;
    }
    void sameNameFromTwoFolders()
    {
        QFETCH(QByteArray, second);
        QFETCH(bool, overwrite);
        QFETCH(QByteArray, contents);
        QFETCH(bool, asked);
        AlarmTemplate source;
        source.name = QStringLiteral("Twins");
        const QString one = m_dirs->filePath(QStringLiteral("one/ring.mp3"));
        const QString two = m_dirs->filePath(QStringLiteral("two/ring.mp3"));
        WriteFile(one, "from one");
        WriteFile(two, second);
        source.SetPlaylist({one, two});
        const QString atf = m_dirs->filePath(QStringLiteral("twins.atf"));
        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::OverwriteFile, overwrite);
        TemplateLibrary library(&m_templates, m_programB, &dialogue);
        QVERIFY(library.ExportTo(source, atf));
        AlarmTemplate* t = library.ImportFile(atf);
        QVERIFY(t);
        const QString target = m_programB + QStringLiteral("/sounds/ring.mp3");
        QCOMPARE(t->playlist, QStringList({target, target}));
        QCOMPARE(ReadFile(target), contents);
        QCOMPARE(dialogue.transcript.filter(QStringLiteral("Warning")),
                 asked ? QStringList{QStringLiteral("Warning: The file %1 already exists. Do you want to overwrite it? %2")
                                         .arg(target, overwrite ? "yes" : "no")}
                       : QStringList());
        QCOMPARE(FilesBelow(m_programB + "/sounds"), QStringList{"ring.mp3"}); // no leftover temporary file
    }

    // The files a template carries where the program folder may be read-only
    // (a package install) and the name may be taken already, in the program's
    // folder (a built-in sound) or in the user's (an earlier import): a file
    // equal byte for byte is used where it is without a question; another is
    // asked about, naming the file the name finds now, and goes where it can be
    // written (the user's folder beside a read-only program folder, where it
    // stands in for the built-in one). The playlist names the file in use, the
    // picture is found there, and the template exports again from there.
    void filesAlreadyThere_data()
    {
        QTest::addColumn<bool>("readOnly");      // the program folder cannot be written
        QTest::addColumn<QString>("existing");   // "", "program" or "user": where a.mp3 is already
        QTest::addColumn<QByteArray>("bytes");   // its bytes (the file carries "AAAA")
        QTest::addColumn<bool>("overwrite");     // the answer, if asked
        QTest::addColumn<QString>("asked");      // the path named by the question, or ""
        QTest::addColumn<QString>("playlist");   // the playlist's entry
        QTest::addColumn<QStringList>("after");  // the program's and the user's files afterwards
        const QStringList picture{"program/images/p.png = PP"}, userPicture{"user/images/p.png = PP"};
        QTest::newRow("writable, nothing there")
            << false << "" << QByteArray() << true << "" << "program/sounds/a.mp3"
            << picture + QStringList{"program/sounds/a.mp3 = AAAA"};
        QTest::newRow("writable, built-in with equal bytes")
            << false << "program" << QByteArray("AAAA") << false << "" << "program/sounds/a.mp3"
            << picture + QStringList{"program/sounds/a.mp3 = AAAA"};
        QTest::newRow("writable, built-in with other bytes, replaced")
            << false << "program" << QByteArray("ring") << true << "program/sounds/a.mp3" << "program/sounds/a.mp3"
            << picture + QStringList{"program/sounds/a.mp3 = AAAA"};
        QTest::newRow("read-only, nothing there")
            << true << "" << QByteArray() << true << "" << "user/sounds/a.mp3"
            << userPicture + QStringList{"user/sounds/a.mp3 = AAAA"};
        QTest::newRow("read-only, built-in with equal bytes")
            << true << "program" << QByteArray("AAAA") << true << "" << "program/sounds/a.mp3"
            << QStringList{"program/sounds/a.mp3 = AAAA"} + userPicture;
        QTest::newRow("read-only, built-in with other bytes, replaced")
            << true << "program" << QByteArray("ring") << true << "program/sounds/a.mp3" << "user/sounds/a.mp3"
            << QStringList{"program/sounds/a.mp3 = ring"} + userPicture + QStringList{"user/sounds/a.mp3 = AAAA"};
        QTest::newRow("read-only, built-in with other bytes, kept")
            << true << "program" << QByteArray("ring") << false << "program/sounds/a.mp3" << "program/sounds/a.mp3"
            << QStringList{"program/sounds/a.mp3 = ring"} + userPicture;
        QTest::newRow("read-only, imported before with equal bytes")
            << true << "user" << QByteArray("AAAA") << false << "" << "user/sounds/a.mp3"
            << userPicture + QStringList{"user/sounds/a.mp3 = AAAA"};
        QTest::newRow("read-only, imported before with other bytes, replaced")
            << true << "user" << QByteArray("old import") << true << "user/sounds/a.mp3" << "user/sounds/a.mp3"
            << userPicture + QStringList{"user/sounds/a.mp3 = AAAA"};
    }
    void filesAlreadyThere()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, existing);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, overwrite);
        QFETCH(QString, asked);
        QFETCH(QString, playlist);
        QFETCH(QStringList, after);
        RawFile raw; // sound a.mp3 "AAAA", picture p.png "PP", playlist a.mp3
        raw.pictureFields[0] = QStringLiteral("p.png");
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        WriteFile(atf, raw.Bytes());
        const QString user = m_home.path();
        QDir().mkpath(m_programB + QStringLiteral("/sounds"));
        if (!existing.isEmpty())
            WriteFile((existing == QLatin1String("program") ? m_programB : user) + QStringLiteral("/sounds/a.mp3"), bytes);
        // Both folders as "program/..." and "user/..." (the device directory's other files left out).
        const auto files = [&] {
            QStringList all;
            for (const QString& f : TreeBelow(m_programB).filter(QStringLiteral(" = ")))
                all << QStringLiteral("program/") + f;
            for (const QString& f : TreeBelow(user).filter(QRegularExpression(QStringLiteral("^(sounds|images)/.* = "))))
                all << QStringLiteral("user/") + f;
            return all;
        };
        const auto named = [&](QString path) {
            return path.replace(QRegularExpression(QStringLiteral("^program/")), m_programB + QLatin1Char('/'))
                .replace(QRegularExpression(QStringLiteral("^user/")), user + QLatin1Char('/'));
        };
        std::unique_ptr<test::ReadOnlyFolder> locked;
        if (readOnly) {
            locked = std::make_unique<test::ReadOnlyFolder>(m_programB);
            if (!locked->isValid())
                QSKIP("the program folder cannot be made read-only here");
        }

        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::OverwriteFile, overwrite);
        TemplateLibrary library(&m_templates, m_programB, &dialogue);
        AlarmTemplate* t = library.ImportFile(atf);
        QVERIFY2(t, qPrintable(dialogue.transcript.join('\n')));
        QCOMPARE(dialogue.transcript.filter(QStringLiteral("Warning")),
                 asked.isEmpty() ? QStringList()
                                 : QStringList{QStringLiteral("Warning: The file %1 already exists. Do you want to "
                                                              "overwrite it? %2").arg(named(asked), overwrite ? "yes" : "no")});
        QCOMPARE(t->playlist, QStringList{named(playlist)});
        QCOMPARE(files(), after);
        QCOMPARE(AlarmStore::LoadSection(t->GetKey())->playlist, QStringList{named(playlist)});

        // Exported again: the picture is found where it went.
        const QString again = m_dirs->filePath(QStringLiteral("again.atf"));
        dialogue.transcript.clear();
        QVERIFY2(library.ExportTo(*t, again), qPrintable(dialogue.transcript.join('\n')));
        QVERIFY(ReadFile(again).contains(RawFile::Units(QStringLiteral("p.png|2|")) + "PP"));
    }

    // Names already in the list (compared without regard to case, as the
    // registry does) give the imported template the first free "%s (%d)".
    void freeName_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("deleteFile");
        QTest::newRow("free") << QStringList{"Other"} << "Wake" << "Wake" << true;
        QTest::newRow("taken") << QStringList{"Wake"} << "Wake" << "Wake (1)" << false;
        QTest::newRow("N and N (1) taken") << QStringList{"Wake", "Wake (1)"} << "Wake" << "Wake (2)" << false;
        QTest::newRow("taken in other case") << QStringList{"WAKE"} << "wake" << "wake (1)" << false;
        QTest::newRow("counter from the file's name") << QStringList{"Wake", "Wake (1)", "Wake (1) (1)"} << "Wake"
                                                      << "Wake (2)" << false;
        QTest::newRow("only N (1) taken") << QStringList{"Wake (1)"} << "Wake" << "Wake" << false;
        QTest::newRow("placeholders in the name") << QStringList{"%1 %2"} << "%1 %2" << "%1 %2 (1)" << false;
    }
    void freeName()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        QFETCH(bool, deleteFile);
        for (const QString& name : existing) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = name;
            t->snooze = 11;
            t->Save();
            m_templates.push_back(std::move(t));
        }
        RawFile raw;
        raw.name = fileName;
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        WriteFile(atf, raw.Bytes());
        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::DeleteImportedFile, deleteFile);
        AlarmTemplate* t = TemplateLibrary(&m_templates, m_programB, &dialogue).ImportFile(atf);
        QVERIFY2(t, qPrintable(dialogue.transcript.join('\n')));
        QCOMPARE(t->name, expected);
        // A new name is said in the text, not only in the caption.
        const QString told = expected == fileName
                                 ? QStringLiteral("Template successfully imported.")
                                 : QStringLiteral("Template successfully imported as \"%1\": a template named \"%2\" "
                                                  "already exists.").arg(expected, fileName);
        QCOMPARE(dialogue.transcript,
                 QStringList({expected + QStringLiteral(": ") + told,
                              QStringLiteral("Question: Delete the imported template file (%1)? %2")
                                  .arg(atf, deleteFile ? "yes" : "no")}));
        QCOMPARE(QFile::exists(atf), !deleteFile);
        // The list is sorted and mirrors the registry; the others are untouched.
        std::vector<std::unique_ptr<Alarm>> alarms;
        TemplateList stored;
        AlarmStore::LoadAll(&alarms, &stored);
        QCOMPARE(stored.size(), m_templates.size());
        for (size_t i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i]->name, m_templates[i]->name);
            QCOMPARE(stored[i]->snooze, m_templates[i]->name == expected ? 240 : 11);
        }
    }

    // Files read with one field set as the row says: what the template holds.
    void accepted_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "title" << "T" << "snooze" << "240";
        QTest::newRow("leading digits count") << "number2" << "12abc" << "snooze" << "12";
        QTest::newRow("blank and sign") << "number2" << " +7" << "snooze" << "7";
        QTest::newRow("longest snooze") << "number2" << "59940" << "snooze" << "59940";
        QTest::newRow("white background") << "number14" << "16777215" << "backColor" << "16777215";
        QTest::newRow("quizLevel not a number") << "number22" << "x" << "quizLevel" << "1";
        QTest::newRow("quizLevel 00") << "number22" << "00" << "quizLevel" << "1";
        QTest::newRow("quizLevel 0") << "number22" << "0" << "quizLevel" << "0";
        QTest::newRow("bar in a counted text") << "title" << "a|b|" << "title" << "a|b|";
        QTest::newRow("old version") << "header" << "ATF" << "fadeDuration" << "5";
        QTest::newRow("old version, six pictures") << "header" << "ATF" << "pictures" << "q;;;;;;;;;;";
        QTest::newRow("pictures") << "title" << "T" << "pictures" << "q;;;;;;;;;;";
        QTest::newRow("time of the file on the import day") << "title" << "T" << "time" << "2024-05-17 06:15:30";
        QTest::newRow("unknown hour reads 0") << "time" << "FF0F1E" << "time" << "2024-05-17 00:15:30";
        QTest::newRow("last second of the day") << "time" << "173B3B" << "time" << "2024-05-17 23:59:59";
        QTest::newRow("control characters leave the name")
            << "name" << QString::fromUtf8("\u202EWa\x1B[2Jke\x07\n") << "name" << "Wa[2Jke";
        QTest::newRow("title keeps its line break, loses an escape")
            << "title" << "Up\r\nnow\x1B" << "title" << "Up\r\nnow";
        QTest::newRow("control character in a sound's name") << "soundName" << "a\x01.mp3" << "files"
                                                              << "images/p.png;sounds/a.mp3";
        QTest::newRow("date from the file") << "title" << "T" << "date" << "2032-02-29";
        QTest::newRow("impossible date keeps the import day") << "date" << "1E02" << "date" << "2024-05-17";
        QTest::newRow("sound ../x stays in sounds") << "soundName" << "../x" << "files" << "images/p.png;sounds/x";
        QTest::newRow("sound /etc/x stays in sounds") << "soundName" << "/etc/x" << "files" << "images/p.png;sounds/x";
        QTest::newRow("sound a\\..\\..\\x stays in sounds") << "soundName" << "a\\..\\..\\x" << "files"
                                                             << "images/p.png;sounds/x";
        QTest::newRow("playlist ../x") << "playlist" << "../x" << "playlist" << "<dir>/sounds/x";
        QTest::newRow("playlist a\\..\\..\\x") << "playlist" << "a\\..\\..\\x" << "playlist" << "<dir>/sounds/x";
        QTest::newRow("picture ../../q") << "picture0" << "../../q" << "pictures" << "q;;;;;;;;;;";
    }
    void accepted()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        RawFile raw;
        raw.pictureFields[0] = QStringLiteral("q");
        Spoil(&raw, field, value);
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        WriteFile(atf, raw.Bytes());
        ScriptedDialogue dialogue;
        AlarmTemplate* t = TemplateLibrary(&m_templates, m_programB, &dialogue).ImportFile(atf);
        QVERIFY2(t, qPrintable(dialogue.transcript.join('\n')));
        QCOMPARE(FieldText(*t, check, m_programB), expected);
        QCOMPARE(FilesBelow(m_dirs->path()).filter(QStringLiteral("deviceB/")).size(), 2); // sounds/…, images/p.png
    }

    // Files that are not templates: text 128 with the reason, and nothing
    // changes: nothing in the list or the registry, no file written anywhere.
    void refused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("why"); // in the detail of the refusal
        QTest::newRow("unknown header") << "header" << "ATF451" << "unknown header \"ATF451\"";
        QTest::newRow("zero written 00") << "number5" << "00" << "vibrate is not a number: \"00\"";
        QTest::newRow("negative zero") << "number1" << "-0" << "random is not a number";
        QTest::newRow("snooze not a number") << "number2" << "abc" << "snooze is not a number: \"abc\"";
        QTest::newRow("fadeDuration empty") << "fadeDuration" << "" << "fadeDuration is not a number";
        QTest::newRow("count beyond the file") << "nameCount" << "2000000000" << "name: count 2000000000";
        QTest::newRow("count negative") << "nameCount" << "-1" << "name: count -1";
        QTest::newRow("count 00") << "nameCount" << "00" << "name is not a number";
        QTest::newRow("size beyond the file") << "soundSize" << "1000000" << "size 1000000 does not fit";
        QTest::newRow("size negative") << "soundSize" << "-4" << "size -4 does not fit";
        QTest::newRow("sound named ..") << "soundName" << ".." << "sound file has no usable name";
        QTest::newRow("sound named a/") << "soundName" << "a/" << "sound file has no usable name";
        QTest::newRow("sound named .") << "soundName" << "x\\." << "sound file has no usable name";
        QTest::newRow("playlist entry ..") << "playlist" << "../.." << "playlist entry has no usable name";
        QTest::newRow("picture ..") << "picture0" << ".." << "picture has no usable name";
        QTest::newRow("name with backslash") << "name" << "a\\b" << "cannot be a template's name";
        QTest::newRow("empty name") << "name" << "" << "cannot be a template's name";
        QTest::newRow("name of control characters only") << "name" << "\x1B\x07" << "cannot be a template's name";
        QTest::newRow("name too long") << "name" << QString(255, QLatin1Char('n')) << "cannot be a template's name";
        // Numbers beyond what the editors give their fields.
        QTest::newRow("hour 24") << "time" << "180F1E" << "hour 24 is out of its range 0-23";
        QTest::newRow("minute 60") << "time" << "063C1E" << "minute 60 is out of its range 0-59";
        QTest::newRow("second 60") << "time" << "060F3C" << "second 60 is out of its range 0-59";
        QTest::newRow("repeat day bit 7") << "days" << "83" << "repeatDays 131 is out of its range 0-127";
        QTest::newRow("day 0") << "date" << "0002" << "dateDay 0 is out of its range 1-31";
        QTest::newRow("month 13") << "date" << "010D" << "dateMonth 13 is out of its range 1-12";
        QTest::newRow("year 10000") << "number0" << "10000" << "dateYear 10000 is out of its range 1-9999";
        QTest::newRow("volume 1000") << "number4" << "1000" << "volume 1000 is out of its range 0-100";
        QTest::newRow("volume -1") << "number4" << "-1" << "volume -1 is out of its range 0-100";
        QTest::newRow("snooze beyond 32 bits") << "number2" << "99999999999" << "snooze 2147483647 is out of its range";
        QTest::newRow("closeAfterMinutes negative") << "number10" << "-3" << "closeAfterMinutes -3 is out of its range";
        QTest::newRow("colour beyond 24 bits") << "number14" << "-1" << "backColor -1 is out of its range 0-16777215";
        QTest::newRow("unknown kind") << "number21" << "4" << "type 4 is out of its range 0-3";
        QTest::newRow("quizLevel 100") << "number22" << "100" << "quizLevel 100 is out of its range 0-99";
        QTest::newRow("fadeDuration 100") << "fadeDuration" << "100" << "fadeDuration 100 is out of its range 0-99";
        QTest::newRow("fade point above 100") << "fade" << "101" << "fade point 3 is 101, out of its range 0-100";
        // A small file that would unpack into a flood of files, or a huge one.
        QTest::newRow("20,000 empty sounds") << "soundCount" << "20000" << "more than";
        QTest::newRow("a sound of 1 GiB") << "soundHole" << "1073741824" << "larger than";
    }
    void refused()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, why);
        RawFile raw;
        Spoil(&raw, field, value);
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        raw.WriteTo(atf, field == QLatin1String("soundHole") ? value.toLongLong() : 0);
        const QStringList registry = RegistryDump();
        ScriptedDialogue dialogue;
        QVERIFY(!TemplateLibrary(&m_templates, m_programB, &dialogue).ImportFile(atf));
        QVERIFY2(IsRefusal(dialogue.transcript) && dialogue.transcript[0].contains(why),
                 qPrintable(dialogue.transcript.join('\n')));
        QVERIFY(m_templates.empty());
        QCOMPARE(RegistryDump(), registry);
        QCOMPARE(QDir(m_dirs->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"deviceA", "deviceB", "in.atf"}));
        QCOMPARE(TreeBelow(m_dirs->filePath(QStringLiteral("deviceB"))), QStringList{"program/"});
        QCOMPARE(TreeBelow(m_programA), QStringList());
    }

    // A real exported file cut short anywhere is refused and changes nothing:
    // the program's sounds/ and images/ (empty, or holding files and a link of
    // the embedded names), the files outside and the registry stay exactly as
    // they were, whatever the overwrite answer. The whole file then imports.
    void truncated_data()
    {
        QTest::addColumn<bool>("existing"); // entries of the embedded names are there already
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("into empty folders") << false << true;
        QTest::newRow("over existing files, overwrite yes") << true << true;
        QTest::newRow("over existing files, overwrite no") << true << false;
    }
    void truncated()
    {
        QFETCH(bool, existing);
        QFETCH(bool, overwrite);
        AlarmTemplate source;
        source.name = QStringLiteral("Cut short");
        source.title = QStringLiteral("Title");
        const QString one = m_dirs->filePath(QStringLiteral("music/one.mp3"));
        const QString two = m_dirs->filePath(QStringLiteral("music/two.mp3"));
        WriteFile(one, "first-sound-bytes");
        WriteFile(two, "second-sound");
        source.SetPlaylist({one, two, one});
        WriteFile(m_programA + QStringLiteral("/images/p.png"), "picture-p");
        WriteFile(m_programA + QStringLiteral("/images/q.png"), "picture-q");
        source.SetBackImage(BackImageQVGA, QStringLiteral("p.png"));
        source.SetBackImage(BackImageVGA, QStringLiteral("q.png"));
        source.SetBackImage(BackImageSquare, QStringLiteral("p.png"));
        const QString atf = m_dirs->filePath(QStringLiteral("cut.atf"));
        ScriptedDialogue dialogue;
        TemplateList sourceList;
        QVERIFY(TemplateLibrary(&sourceList, m_programA, &dialogue).ExportTo(source, atf));
        const QByteArray whole = ReadFile(atf);
        dialogue.SetAnswer(TemplateDialogue::Question::OverwriteFile, overwrite);
        TemplateLibrary library(&m_templates, m_programB, &dialogue);

        const QString outside = m_dirs->filePath(QStringLiteral("outside/two.mp3"));
        if (existing) {
            WriteFile(m_programB + QStringLiteral("/sounds/one.mp3"), "old one");
            WriteFile(m_programB + QStringLiteral("/images/q.png"), "old q");
            WriteFile(outside, "outside two");
            QVERIFY(QFile::link(outside, m_programB + QStringLiteral("/sounds/two.mp3")));
            auto other = std::make_unique<AlarmTemplate>();
            other->name = QStringLiteral("Other");
            other->Save();
            m_templates.push_back(std::move(other));
        }
        const QStringList program = TreeBelow(m_programB);
        const QStringList outsideFiles = TreeBelow(QFileInfo(outside).absolutePath());
        const QStringList registry = RegistryDump();
        // The refusals are logged once per cut; keep the test's output readable.
        const QtMessageHandler logger = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        const auto restore = qScopeGuard([logger] { qInstallMessageHandler(logger); });
        for (int cut = 0; cut < whole.size(); ++cut) {
            WriteFile(atf, whole.left(cut));
            dialogue.transcript.clear();
            const QString at = QStringLiteral("cut at %1 of %2").arg(cut).arg(whole.size());
            QVERIFY2(!library.ImportFile(atf), qPrintable(at));
            QVERIFY2(IsRefusal(dialogue.transcript), qPrintable(at + ": " + dialogue.transcript.join('\n')));
            QVERIFY2(TreeBelow(m_programB) == program, qPrintable(at + ": " + TreeBelow(m_programB).join("; ")));
            QVERIFY2(RegistryDump() == registry, qPrintable(at));
            QCOMPARE(m_templates.size(), size_t(existing ? 1 : 0));
        }
        QCOMPARE(TreeBelow(QFileInfo(outside).absolutePath()), outsideFiles);

        WriteFile(atf, whole);
        AlarmTemplate* t = library.ImportFile(atf);
        QVERIFY2(t, qPrintable(dialogue.transcript.join('\n')));
        QCOMPARE(t->name, source.name);
        const QStringList expected =
            existing && !overwrite
                ? QStringList{"images/", "images/p.png = picture-p", "images/q.png = old q", "sounds/",
                              "sounds/one.mp3 = old one", "sounds/two.mp3 -> " + outside}
                : QStringList{"images/", "images/p.png = picture-p", "images/q.png = picture-q", "sounds/",
                              "sounds/one.mp3 = first-sound-bytes", "sounds/two.mp3 = second-sound"};
        QCOMPARE(TreeBelow(m_programB), expected);
        QCOMPARE(TreeBelow(QFileInfo(outside).absolutePath()), outsideFiles);
    }

    // A symbolic link where an extracted file goes counts as an existing file,
    // also when it points nowhere: it is asked about, kept on no, and replaced
    // as a link on yes. What it points to is never written.
    void linkAtTarget_data()
    {
        QTest::addColumn<bool>("dangling");
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("link to nothing, kept") << true << false;
        QTest::newRow("link to nothing, replaced") << true << true;
        QTest::newRow("link to a file, kept") << false << false;
        QTest::newRow("link to a file, replaced") << false << true;
    }
    void linkAtTarget()
    {
        QFETCH(bool, dangling);
        QFETCH(bool, overwrite);
        RawFile raw; // sound a.mp3 holding "AAAA"
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        WriteFile(atf, raw.Bytes());
        const QString outside = m_dirs->filePath(QStringLiteral("outside/a.mp3"));
        QDir().mkpath(QFileInfo(outside).absolutePath());
        if (!dangling)
            WriteFile(outside, "precious");
        const QString target = m_programB + QStringLiteral("/sounds/a.mp3");
        QDir().mkpath(QFileInfo(target).absolutePath());
        QVERIFY(QFile::link(outside, target));

        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::OverwriteFile, overwrite);
        QVERIFY(TemplateLibrary(&m_templates, m_programB, &dialogue).ImportFile(atf));
        QCOMPARE(dialogue.transcript.filter(QStringLiteral("Warning")),
                 QStringList{QStringLiteral("Warning: The file %1 already exists. Do you want to overwrite it? %2")
                                 .arg(target, overwrite ? "yes" : "no")});
        QCOMPARE(TreeBelow(QFileInfo(outside).absolutePath()),
                 dangling ? QStringList() : QStringList{"a.mp3 = precious"});
        QCOMPARE(TreeBelow(m_programB + QStringLiteral("/sounds")),
                 QStringList{overwrite ? QStringLiteral("a.mp3 = AAAA") : "a.mp3 -> " + outside});
    }

    // Files that cannot be put in place (no folder can be written for them, a
    // folder where a sound goes) fail the import with the reason, not as a
    // file of the wrong format; nothing is stored or placed.
    void filesCannotBePlaced_data()
    {
        QTest::addColumn<bool>("readOnly"); // the program folder cannot be written
        QTest::addColumn<QString>("reason"); // <program>, <home>: the folders
        QTest::newRow("read-only, a file where the user's sounds folder goes")
            << true << "<home>/sounds: the folder cannot be created";
        QTest::newRow("a folder where the sound goes") << false << "<program>/sounds/a.mp3: a folder is in the way";
    }
    void filesCannotBePlaced()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        RawFile raw; // sound a.mp3
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        WriteFile(atf, raw.Bytes());
        QDir().mkpath(m_programB + QStringLiteral("/images"));
        if (readOnly)
            WriteFile(m_home.filePath(QStringLiteral("sounds")), "in the way");
        else
            QDir().mkpath(m_programB + QStringLiteral("/sounds/a.mp3"));
        reason.replace(QStringLiteral("<home>"), m_home.path()).replace(QStringLiteral("<program>"), m_programB);
        std::unique_ptr<test::ReadOnlyFolder> locked;
        if (readOnly) {
            locked = std::make_unique<test::ReadOnlyFolder>(m_programB);
            if (!locked->isValid())
                QSKIP("the program folder cannot be made read-only here");
        }
        const QStringList program = TreeBelow(m_programB);
        const QStringList home = TreeBelow(m_home.path()).filter(QRegularExpression(QStringLiteral("^(sounds|images)")));
        const QStringList registry = RegistryDump();
        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::OverwriteFile, true);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("Template import of %1 failed: %2").arg(atf, reason)));
        QVERIFY(!TemplateLibrary(&m_templates, m_programB, &dialogue).ImportFile(atf));
        QCOMPARE(dialogue.transcript.last(),
                 QStringLiteral("Fehler: The template file %1 could not be imported: %2 (%1: %2)").arg(atf, reason));
        QCOMPARE(TreeBelow(m_programB), program);
        QCOMPARE(TreeBelow(m_home.path()).filter(QRegularExpression(QStringLiteral("^(sounds|images)"))), home);
        QCOMPARE(RegistryDump(), registry);
        QVERIFY(m_templates.empty());
    }

    // The registry fails (a full disk) at one step of storing the imported
    // template, for each step in turn: no section is left, whole or in part,
    // and no extracted file replaces the one there. Then it stores.
    void storeFailsMidway()
    {
        RawFile raw;
        const QString atf = m_dirs->filePath(QStringLiteral("in.atf"));
        WriteFile(atf, raw.Bytes());
        WriteFile(m_programB + QStringLiteral("/sounds/a.mp3"), "old a");
        const QStringList program = TreeBelow(m_programB);
        const QStringList registry = RegistryDump();
        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::OverwriteFile, true);
        TemplateLibrary library(&m_templates, m_programB, &dialogue);
        const QtMessageHandler logger = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        const auto restore = qScopeGuard([logger] { qInstallMessageHandler(logger); });
        const int kSqliteFull = 13;
        int failing = 1;
        for (;; ++failing) {
            RegFailOperationForTesting(failing, kSqliteFull);
            AlarmTemplate* t = library.ImportFile(atf);
            RegFailOperationForTesting(0, 0);
            if (t)
                break;
            const QString at = QStringLiteral("store failing at step %1").arg(failing);
            QVERIFY2(RegistryDump() == registry, qPrintable(at + ": " + RegistryDump().join("; ").left(300)));
            QVERIFY2(TreeBelow(m_programB) == program, qPrintable(at + ": " + TreeBelow(m_programB).join("; ")));
            QVERIFY2(m_templates.empty(), qPrintable(at));
            QVERIFY2(failing < 1000, "the import never stored");
        }
        // Every value of the section is one step: the failures hit the middle of the section.
        QVERIFY2(failing > 30, qPrintable(QString::number(failing)));
        QCOMPARE(TreeBelow(m_programB + QStringLiteral("/sounds")), QStringList{"a.mp3 = AAAA"});
        std::vector<std::unique_ptr<Alarm>> alarms;
        TemplateList stored;
        AlarmStore::LoadAll(&alarms, &stored);
        QCOMPARE(stored.size(), size_t(1));
        QCOMPARE(stored[0]->snooze, 240);
    }

    // Export errors: the platform's description with the path; no file is left,
    // an existing one is kept.
    void exportFails_data()
    {
        QTest::addColumn<QString>("missing"); // "sound", "picture", "folder"
        QTest::addColumn<QString>("reason");
        QTest::newRow("sound file missing") << "sound" << "No such file or directory";
        QTest::newRow("picture missing") << "picture" << "No such file or directory";
        QTest::newRow("target folder missing") << "folder" << "";
    }
    void exportFails()
    {
        QFETCH(QString, missing);
        QFETCH(QString, reason);
        AlarmTemplate t;
        t.name = QStringLiteral("Broken");
        const QString sound = m_dirs->filePath(QStringLiteral("s.mp3"));
        if (missing != QLatin1String("sound"))
            WriteFile(sound, "s");
        t.SetPlaylist({sound});
        t.SetBackImage(BackImageVGA, QStringLiteral("v.png"));
        const QString picture = m_programA + QStringLiteral("/images/v.png");
        if (missing != QLatin1String("picture"))
            WriteFile(picture, "v");
        QString atf = m_dirs->filePath(QStringLiteral("old.atf"));
        WriteFile(atf, "old contents");
        if (missing == QLatin1String("folder"))
            atf = m_dirs->filePath(QStringLiteral("no/such/folder/t.atf"));
        ScriptedDialogue dialogue;
        QVERIFY(!TemplateLibrary(&m_templates, m_programA, &dialogue).ExportTo(t, atf));
        const QString failed = missing == QLatin1String("sound") ? sound : missing == QLatin1String("picture") ? picture : atf;
        QCOMPARE(dialogue.transcript.size(), 1);
        QVERIFY2(dialogue.transcript[0].startsWith(QStringLiteral("Fehler: %1: %2").arg(failed, reason)),
                 qPrintable(dialogue.transcript[0]));
        if (missing != QLatin1String("folder"))
            QCOMPARE(ReadFile(atf), QByteArray("old contents"));
        QCOMPARE(FilesBelow(m_dirs->path()).filter(QStringLiteral(".atf")).size(), 1);
    }

    // Deletion: the template's section and list entry, and on request its
    // pictures and sounds; the questions only when there is something to ask.
    void deleteTemplate_data()
    {
        QTest::addColumn<bool>("withFiles");
        QTest::addColumn<QString>("answers"); // y/n for: delete, pictures, sounds
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("remaining");
        const QStringList all{"images/keep.png", "images/pic.png", "sounds/s.mp3"};
        const QStringList three{"Delete selected template?", "Delete the file(s) of the background image too?",
                                "Delete sound file(s) used by the template too?"};
        QTest::newRow("no") << true << "nyy" << three.mid(0, 1) << all;
        QTest::newRow("template only") << true << "ynn" << three << all;
        QTest::newRow("with pictures") << true << "yyn" << three
                                       << QStringList{"images/keep.png", "sounds/s.mp3"};
        QTest::newRow("with sounds") << true << "yny" << three << QStringList{"images/keep.png", "images/pic.png"};
        QTest::newRow("nothing to ask about") << false << "yyy" << three.mid(0, 1) << all;
    }
    void deleteTemplate()
    {
        QFETCH(bool, withFiles);
        QFETCH(QString, answers);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, remaining);
        for (const char* f : {"images/keep.png", "images/pic.png", "sounds/s.mp3"})
            WriteFile(m_programA + '/' + QLatin1String(f), "x");
        for (const char* name : {"A", "Doomed", "Z"}) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QLatin1String(name);
            if (withFiles && t->name == QLatin1String("Doomed")) {
                t->SetBackImage(BackImageQVGA, QStringLiteral("pic.png"));
                t->SetBackImage(BackImageVGA, QStringLiteral("pic.png"));
                t->SetBackImage(BackImageSquare, QStringLiteral("../keep.png")); // never outside images/
                t->SetPlaylist({m_programA + QStringLiteral("/sounds/s.mp3")});
            }
            t->Save();
            m_templates.push_back(std::move(t));
        }
        ScriptedDialogue dialogue;
        dialogue.SetAnswer(TemplateDialogue::Question::DeleteTemplate, answers[0] == 'y');
        dialogue.SetAnswer(TemplateDialogue::Question::DeleteImages, answers[1] == 'y');
        dialogue.SetAnswer(TemplateDialogue::Question::DeleteSounds, answers[2] == 'y');
        const bool deleted = TemplateLibrary(&m_templates, m_programA, &dialogue).Delete(m_templates[1].get());
        QCOMPARE(deleted, answers[0] == 'y');
        QStringList texts;
        for (const QString& line : dialogue.transcript)
            texts << line.section(QStringLiteral(": "), 1).section(QLatin1Char(' '), 0, -2); // without the answer
        QCOMPARE(texts, asked);
        QCOMPARE(FilesBelow(m_programA), remaining);
        QCOMPARE(m_templates.size(), size_t(deleted ? 2 : 3));
        QCOMPARE(m_templates.back()->name, QStringLiteral("Z"));
        QCOMPARE(AlarmStore::LoadSection(QStringLiteral("TDoomed")) != nullptr, !deleted);
        QVERIFY(AlarmStore::LoadSection(QStringLiteral("TA")));
    }

    // The one name rule: the registry's case folding, beyond ASCII too.
    void nameRule_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("same") << "Wake" << "Wake" << true;
        QTest::newRow("ASCII case") << "wake up" << "WAKE UP" << true;
        QTest::newRow("umlaut case") << QString::fromUtf8("\xC3\xBC" "ber") << QString::fromUtf8("\xC3\x9C" "BER") << true;
        QTest::newRow("different") << "Wake" << "Wake " << false;
    }
    void nameRule()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, equal);
        QCOMPARE(TemplateName::Equal(a, b), equal);
        // The registry agrees: saving under b finds a's section.
        AlarmTemplate t;
        t.name = a;
        t.Save();
        QCOMPARE(AlarmStore::LoadSection(QLatin1Char('T') + b) != nullptr, equal);
    }

private:
    test::TempHome m_home;               // the device directory of the current test
    std::unique_ptr<QTemporaryDir> m_dirs; // program folders and files of the current test
    QString m_programA;                  // program folder of the exporting device
    QString m_programB;                  // program folder of the importing device
    TemplateList m_templates;            // the template list of the importing device
};

int main(int argc, char** argv)
{
    dawnbell::test::UseFixedZoneAndLocale();
    QCoreApplication app(argc, argv);
    TemplateFileTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TemplateFileTest.moc"

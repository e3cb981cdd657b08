// The log files: rotation at the size limit, private mode, entries one per line.
#include "LogFile.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using dawnbell::log::LogFile;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

int Mode(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// Length of the time stamp and its blank before an entry's text.
int StampLength()
{
    return static_cast<int>(LogFile::Timestamp().size()) + 1;
}

} // namespace

class LogFileTest : public QObject {
    Q_OBJECT
private slots:
    void rotation_data()
    {
        QTest::addColumn<int>("existing");   // bytes already in the log (-1: no file)
        QTest::addColumn<bool>("olderCopy"); // a previous "<log>.1" exists
        QTest::addColumn<int>("textBytes");  // length of the appended text
        QTest::addColumn<int>("limit");      // bytes; 0: the default; -1: existing + entry + room
        QTest::addColumn<int>("room");
        QTest::addColumn<bool>("rotates");
        QTest::addColumn<bool>("stream"); // written through OpenForAppend (another process's standard error)
        // The entry is the stamp, the text and a line feed: StampLength() + textBytes + 1;
        // a stream has no stamp and rotates only a log already past its limit.
        QTest::newRow("no file yet, longer than the limit") << -1 << false << 300 << 100 << 0 << false << false;
        QTest::newRow("empty file, longer than the limit") << 0 << false << 300 << 100 << 0 << false << false;
        QTest::newRow("well below the limit") << 200 << false << 10 << 1000 << 0 << false << false;
        QTest::newRow("ends exactly at the limit") << 500 << false << 9 << -1 << 0 << false << false;
        QTest::newRow("one byte past the limit") << 500 << false << 10 << -1 << -1 << true << false;
        QTest::newRow("past the limit replaces the older copy") << 900 << true << 200 << 1000 << 0 << true << false;
        QTest::newRow("the 1 MiB default, passed") << 1024 * 1024 - 40 << false << 40 << 0 << 0 << true << false;
        QTest::newRow("stream on a log at its limit appends") << 500 << true << 300 << 500 << 0 << false << true;
        QTest::newRow("stream on a log past its limit rotates first") << 501 << false << 30 << 500 << 0 << true << true;
    }
    void rotation()
    {
        QFETCH(int, existing);
        QFETCH(bool, olderCopy);
        QFETCH(int, textBytes);
        QFETCH(int, limit);
        QFETCH(int, room);
        QFETCH(bool, rotates);
        QFETCH(bool, stream);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("notifyd.log");
        const QByteArray before(existing > 0 ? existing : 0, 'o');
        if (existing >= 0)
            WriteFile(path, before);
        if (olderCopy)
            WriteFile(path + ".1", "oldest\n");
        const int entry = (stream ? 0 : StampLength()) + textBytes + 1;
        const size_t max = limit == 0 ? LogFile::kDefaultMaxBytes
                                      : static_cast<size_t>(limit < 0 ? existing + entry + room : limit);
        LogFile log(QFile::encodeName(path).toStdString(), max);
        const QByteArray text(textBytes, 't');
        if (stream) {
            const int fd = log.OpenForAppend();
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, text + "\n", size_t(textBytes + 1)), ssize_t(textBytes + 1));
            // Readable too: what went through it can be read back.
            QByteArray back(textBytes, '\0');
            QCOMPARE(::pread(fd, back.data(), size_t(textBytes), rotates ? 0 : existing), ssize_t(textBytes));
            QCOMPARE(back, text);
            ::close(fd);
        } else {
            QVERIFY(log.Append(text.toStdString()));
        }

        const QByteArray now = ReadAll(path);
        QVERIFY(now.endsWith(text + "\n"));
        if (rotates) {
            QCOMPARE(ReadAll(path + ".1"), before);
            QCOMPARE(now.size(), entry);
        } else {
            QVERIFY(now.startsWith(before));
            QCOMPARE(now.size(), before.size() + entry);
            QCOMPARE(ReadAll(path + ".1"), QByteArray(olderCopy ? "oldest\n" : ""));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), rotates || olderCopy ? 2 : 1);
    }

    void privateWhateverTheUmask_data()
    {
        QTest::addColumn<int>("umaskBits");
        QTest::addColumn<int>("existingMode"); // -1: the log does not exist yet
        QTest::newRow("new file, umask 022") << 022 << -1;
        QTest::newRow("new file, umask 0277 (write bit masked)") << 0277 << -1;
        QTest::newRow("older world-readable file") << 022 << 0644;
    }
    void privateWhateverTheUmask()
    {
        QFETCH(int, umaskBits);
        QFETCH(int, existingMode);
        QTemporaryDir dir;
        const QString path = dir.filePath("dawnbell.log");
        if (existingMode >= 0) {
            WriteFile(path, "x\n");
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(existingMode)), 0);
        }
        const mode_t old = ::umask(static_cast<mode_t>(umaskBits));
        LogFile log(QFile::encodeName(path).toStdString(), 64);
        const bool first = log.Append("first");
        const bool second = log.Append("second, which rotates the 64-byte log"); // the new file too
        ::umask(old);
        QVERIFY(first);
        QVERIFY(second);
        QCOMPARE(Mode(path), 0600);
        QCOMPARE(Mode(path + ".1"), 0600);
    }

    void entriesStayOneLineEach()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.log");
        LogFile log(QFile::encodeName(path).toStdString());
        QVERIFY(log.Printf("player error on %s: %d", "/music/a\nb.mp3", 42));
        QVERIFY(log.Append(std::string("bell\x07 and nul\0 inside", 21)));
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.size(), 4); // two entries, one continuation, the final empty piece
        QVERIFY(lines[0].endsWith(" player error on /music/a"));
        QCOMPARE(lines[1], QByteArray("    b.mp3: 42"));
        QVERIFY(lines[2].endsWith(" bell? and nul? inside"));
        QCOMPARE(lines[2].size(), StampLength() + 21);
    }

    void refusesWhatIsNotAFile()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.log");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        LogFile log(QFile::encodeName(fifo).toStdString());
        QVERIFY(!log.Append("nobody reads this")); // returns at once, never waits for a reader
        QCOMPARE(log.OpenForAppend(), -1);
        LogFile none;
        QVERIFY(!none.Append("no path"));
        LogFile gone(QFile::encodeName(dir.filePath("missing/folder/x.log")).toStdString());
        QVERIFY(!gone.Append("no folder"));
    }
};

QTEST_APPLESS_MAIN(LogFileTest)
#include "LogFileTest.moc"

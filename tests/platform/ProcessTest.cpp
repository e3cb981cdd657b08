// Starting programs detached: exact arguments, failures reported, and the
// started program is neither our child nor in our session.
#include "ExitDeadline.h"
#include "Process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

using namespace dawnbell;

class ProcessTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_file = m_dir->path() + "/argv.txt";
        qputenv("NOTIFY_ARGV_FILE", m_file.toUtf8());
    }

    void argumentsArriveExactly_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("recorded");
        QTest::newRow("none") << QStringList{} << QByteArray("0\n");
        QTest::newRow("blanks stay inside") << QStringList{"a b  c"} << QByteArray("1;6:a b  c\n");
        QTest::newRow("shell characters are plain") << QStringList{"$(id) `x` ; | > *"}
                                                    << QByteArray("1;17:$(id) `x` ; | > *\n");
        QTest::newRow("empty argument in a list") << QStringList{"", "x"} << QByteArray("2;0:;1:x\n");
    }
    void argumentsArriveExactly()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, recorded);
        std::vector<std::string> args;
        for (const QString& a : arguments)
            args.push_back(a.toStdString());
        pid_t pid = 0;
        QCOMPARE(process::SpawnDetachedArgs(ARGV_RECORDER, args, &pid), 0);
        QVERIFY(pid > 0);
        // Not our child: nothing to wait for, no zombie left behind.
        QCOMPARE(::waitpid(pid, nullptr, WNOHANG), -1);
        QCOMPARE(errno, ECHILD);
        QVERIFY(WaitForFile());
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), recorded);
    }

    void singleArgumentForm_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QByteArray>("recorded");
        QTest::newRow("empty means none") << "" << QByteArray("0\n");
        QTest::newRow("one with blanks") << "edit 3456031" << QByteArray("1;12:edit 3456031\n");
    }
    void singleArgumentForm()
    {
        QFETCH(QString, argument);
        QFETCH(QByteArray, recorded);
        QCOMPARE(process::SpawnDetached(ARGV_RECORDER, argument.toStdString()), 0);
        QVERIFY(WaitForFile());
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), recorded);
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << m_missing() << ENOENT;
        QTest::newRow("not executable") << "plain file" << EACCES;
        QTest::newRow("executable, not a program") << "script without interpreter" << ENOEXEC;
        QTest::newRow("not on PATH") << "dawnbell-no-such-tool" << ENOENT;
        QTest::newRow("empty") << "" << EINVAL;
    }
    void failuresAreReported()
    {
        QFETCH(QString, program);
        QFETCH(int, error);
        if (program.contains(' ')) {
            // A file made here: mode 0600, or 0700 with text that is no program.
            const QString path = m_dir->path() + "/file";
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("no program\n");
            f.close();
            f.setPermissions(error == EACCES ? QFile::ReadOwner | QFile::WriteOwner
                                             : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            program = path;
        }
        QCOMPARE(process::SpawnDetached(program.toStdString(), "x"), error);
        QCOMPARE(process::SpawnDetachedArgs("/bin/true", {std::string("a\0b", 3)}), EINVAL);
    }

    // A watched start (an opener such as xdg-open) tells an end within the
    // watch time with its wait status, and leaves a program still running then
    // to run on.
    void watchedStartTellsAnEarlyEnd_data()
    {
        QTest::addColumn<QString>("script"); // for /bin/sh -c
        QTest::addColumn<int>("watchMs");
        QTest::addColumn<int>("exitCode");   // -1: still running when the watch ended
        QTest::addColumn<int>("signal");     // the signal that ended it, 0 none
        QTest::newRow("fails at once") << "exit 3" << 3000 << 3 << 0;
        QTest::newRow("succeeds at once") << "exit 0" << 3000 << 0 << 0;
        QTest::newRow("ended by a signal") << "kill -TERM $$" << 3000 << -1 << int(SIGTERM);
        QTest::newRow("still running: left to run") << "sleep 3" << 300 << -1 << 0;
    }
    void watchedStartTellsAnEarlyEnd()
    {
        QFETCH(QString, script);
        QFETCH(int, watchMs);
        QFETCH(int, exitCode);
        QFETCH(int, signal);
        int ended = 12345;
        process::SpawnOptions options;
        options.watchMs = watchMs;
        options.endStatus = &ended;
        pid_t pid = 0;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(process::SpawnDetachedArgs("/bin/sh", {"-c", script.toStdString()}, &pid, options), 0);
        if (exitCode >= 0) {
            QVERIFY2(WIFEXITED(ended), qPrintable(QString::number(ended)));
            QCOMPARE(WEXITSTATUS(ended), exitCode);
            QVERIFY(timer.elapsed() < watchMs); // told as soon as it ended
        } else if (signal) {
            QVERIFY2(WIFSIGNALED(ended), qPrintable(QString::number(ended)));
            QCOMPARE(WTERMSIG(ended), signal);
        } else {
            QCOMPARE(ended, -1);
            QVERIFY(::kill(pid, 0) == 0); // runs on
            ::kill(pid, SIGKILL);
        }
    }

    void ownSessionAndSearchPath()
    {
        pid_t pid = 0;
        QCOMPARE(process::SpawnDetachedArgs("sleep", {"2"}, &pid), 0);
        QVERIFY(pid > 0);
        QCOMPARE(::getsid(pid), pid);
        QVERIFY(::getsid(pid) != ::getsid(0));
        ::kill(pid, SIGKILL);
    }

    // A process whose end hangs is ended with its own exit code after the
    // deadline, and says so in its log; one that ends in time keeps its code.
    void exitDeadlineEndsAHungEnd_data()
    {
        QTest::addColumn<bool>("hangs");
        QTest::newRow("end hangs") << true;
        QTest::newRow("ends in time") << false;
    }
    void exitDeadlineEndsAHungEnd()
    {
        QFETCH(bool, hangs);
        const QString log = m_dir->filePath("program.log");
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            dawnbell::ArmExitDeadline(1, 7, log.toStdString());
            if (hangs)
                ::pause();
            ::_exit(3);
        }
        int status = 0;
        QElapsedTimer t;
        t.start();
        pid_t done = 0;
        while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && t.elapsed() < 10000)
            QTest::qWait(20);
        if (done != pid)
            ::kill(pid, SIGKILL);
        QCOMPARE(done, pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), hangs ? 7 : 3);
        QFile file(log);
        QCOMPARE(file.open(QIODevice::ReadOnly) && file.readAll().contains("took longer than 1 s"), hangs);
    }

private:
    static QString m_missing() { return "/nonexistent/program"; }
    bool WaitForFile()
    {
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(m_file) || QFile(m_file).size() == 0) {
            if (t.elapsed() > 5000)
                return false;
            QTest::qWait(10);
        }
        QTest::qWait(20);
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(ProcessTest)
#include "ProcessTest.moc"

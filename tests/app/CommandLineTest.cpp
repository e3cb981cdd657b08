// The program's command line: joining the arguments and the first instance's verbs.
#include "CommandLine.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void classify_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("verb");
        QTest::addColumn<QString>("key");
        QTest::newRow("none") << QStringList{} << int(CommandLine::Start) << "";
        QTest::newRow("reinit") << QStringList{"reinit"} << int(CommandLine::Reinit) << "";
        QTest::newRow("Reinit is a key") << QStringList{"Reinit"} << int(CommandLine::Ring) << "Reinit";
        QTest::newRow("reinit with more is a key") << QStringList{"reinit", "x"} << int(CommandLine::Ring)
                                                   << "reinit x";
        QTest::newRow("autoclose") << QStringList{"autoclose"} << int(CommandLine::AutoClose) << "";
        QTest::newRow("reset") << QStringList{"reset"} << int(CommandLine::Reset) << "";
        QTest::newRow("edit as one argument") << QStringList{"edit 3456031"} << int(CommandLine::Edit) << "3456031";
        QTest::newRow("edit as two arguments") << QStringList{"edit", "A2700020110305"} << int(CommandLine::Edit)
                                               << "A2700020110305";
        QTest::newRow("edit without key") << QStringList{"edit "} << int(CommandLine::Edit) << "";
        QTest::newRow("editing is a key") << QStringList{"editing"} << int(CommandLine::Ring) << "editing";
        QTest::newRow("alarm key") << QStringList{"3456031"} << int(CommandLine::Ring) << "3456031";
        QTest::newRow("test as two arguments") << QStringList{"test", "3456031"} << int(CommandLine::Test)
                                               << "3456031";
        QTest::newRow("test alone is a key") << QStringList{"test"} << int(CommandLine::Ring) << "test";
        QTest::newRow("edit keeps the blanks of its key") << QStringList{"edit", "A 27", " x"} << int(CommandLine::Edit)
                                                          << "A 27  x";
        QTest::newRow("Reset is a key") << QStringList{"Reset"} << int(CommandLine::Ring) << "Reset";
    }
    void classify()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, verb);
        QFETCH(QString, key);
        const CommandLine::Parsed parsed = CommandLine::Classify(CommandLine::FromArguments(arguments));
        QCOMPARE(int(parsed.verb), verb);
        QCOMPARE(parsed.key, key);
        QCOMPARE(parsed.text, arguments.join(' ')); // handed on unchanged, for forwarding as a key
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("exitCode"); // of the program run with these arguments
        QTest::addColumn<QString>("out");  // begins standard output
        QTest::addColumn<QString>("err");  // begins standard error
        QTest::newRow("a key is no option") << QStringList{"3456031"} << int(CommandLine::NoOption) << -1 << ""
                                            << "";
        QTest::newRow("--help") << QStringList{"--help"} << int(CommandLine::HelpOption) << 0
                                << "Usage: dawnbell [COMMAND]" << "";
        QTest::newRow("--version") << QStringList{"--version"} << int(CommandLine::VersionOption) << 0
                                   << "dawnbell " DAWNBELL_PROJECT_VERSION << "";
        QTest::newRow("--help after a verb") << QStringList{"edit", "--help"} << int(CommandLine::HelpOption) << 0
                                             << "Usage:" << "";
        QTest::newRow("unknown option") << QStringList{"--ring"} << int(CommandLine::BadOption) << 2 << ""
                                        << "dawnbell: unknown option --ring";
        QTest::newRow("a single dash") << QStringList{"-"} << int(CommandLine::BadOption) << 2 << ""
                                       << "dawnbell: unknown option -";
        QTest::newRow("-h is not --help") << QStringList{"-h"} << int(CommandLine::BadOption) << 2 << ""
                                          << "dawnbell: unknown option -h";
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, option);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QCOMPARE(int(CommandLine::FindOption(arguments)), option);
        if (exitCode < 0)
            return;
        // The program answers without a window: it needs no display at all, and
        // touches no device directory.
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert("DAWNBELL_HOME", home.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell"), arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QString stdoutText = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString stderrText = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(out.isEmpty() ? stdoutText.isEmpty() : stdoutText.startsWith(out) && stdoutText.endsWith('\n'),
                 qPrintable(stdoutText));
        QVERIFY2(err.isEmpty() ? stderrText.isEmpty() : stderrText.startsWith(err), qPrintable(stderrText));
        if (exitCode == 2)
            QVERIFY(stderrText.contains("Usage: dawnbell"));
        QVERIFY(QDir(home.path()).isEmpty());
    }

    void overlongCommandLineIsCut()
    {
        const QString line = CommandLine::FromArguments({QString(100000, 'x')});
        QCOMPARE(line.size(), CommandLine::kMaxChars);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"

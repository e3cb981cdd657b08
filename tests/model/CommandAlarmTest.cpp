// How a command alarm's text is split and run: the "is a program" rule, the
// separator, and a real start of a script that records its arguments.
#include "CommandAlarm.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

class CommandAlarmTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_document; // a plain file with mode 0644

private slots:
    void initTestCase()
    {
        m_document = m_dir.filePath("notes.txt");
        QFile f(m_document);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("text\n");
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    }

    void isProgram_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("program");
        QTest::newRow("ends in .exe") << "\\Windows\\calc.exe" << true;
        QTest::newRow(".exe in capitals") << "TOOL.EXE" << true;
        QTest::newRow("five characters") << "a.exe" << true;
        QTest::newRow("only the ending is too short") << ".exe" << false;
        QTest::newRow("an executable file") << "/bin/sh" << true;
        QTest::newRow("a bare name found in PATH") << "sh" << true;
        QTest::newRow("a plain file is a document") << "DOC" << false;
        QTest::newRow("a folder is not a program") << "/bin" << false;
        QTest::newRow("a missing path") << "/no/such/program" << false;
        QTest::newRow("a document name") << "notes.txt" << false;
        QTest::newRow("a web address") << "https://example.org/" << false;
        QTest::newRow("empty") << "" << false;
    }
    void isProgram()
    {
        QFETCH(QString, target);
        QFETCH(bool, program);
        target.replace("DOC", m_document);
        QCOMPARE(IsProgramTarget(target), program);
    }

    void plan_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty does nothing") << "" << false << "" << QStringList{};
        QTest::newRow("only a separator at 0 is the target")
            << "::" << true << "xdg-open" << QStringList{"::"};
        QTest::newRow("separator at 0: whole text, no parameters")
            << "::/bin/sh::-c" << true << "xdg-open" << QStringList{"::/bin/sh::-c"};
        QTest::newRow("program with parameters split like a shell")
            << "/bin/sh::-c \"echo two words\"" << true << "/bin/sh" << QStringList{"-c", "echo two words"};
        QTest::newRow("first separator splits, later ones are parameters")
            << "/bin/echo::a::b" << true << "/bin/echo" << QStringList{"a::b"};
        QTest::newRow("separator at the end: no parameters") << "/bin/true::" << true << "/bin/true" << QStringList{};
        QTest::newRow("shell characters are plain text")
            << "/bin/echo::$(rm -rf x); `id` | cat" << true << "/bin/echo"
            << QStringList{"$(rm", "-rf", "x);", "`id`", "|", "cat"};
        QTest::newRow("a document is opened without its parameters")
            << "DOC::ignored" << true << "xdg-open" << QStringList{"DOC"};
        QTest::newRow("a missing .exe is still started as a program")
            << "gone.exe::-x" << true << "gone.exe" << QStringList{"-x"};
    }
    void plan()
    {
        QFETCH(QString, command);
        QFETCH(bool, valid);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        command.replace("DOC", m_document);
        arguments.replaceInStrings("DOC", m_document);
        const CommandLaunch p = PlanCommand(command);
        QCOMPARE(p.valid, valid);
        if (!valid)
            return;
        QCOMPARE(p.program, program);
        QCOMPARE(p.arguments, arguments);
    }

    void runStartsTheProgramWithItsArguments()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath("record.sh");
        const QString out = dir.filePath("out.txt");
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"; mv \"$0.tmp\" \"" +
                out.toUtf8() + "\"\n");
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(RunCommandAlarm(script + "::one \"two words\" 'three'"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 5000);
        QFile result(out);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(result.readAll()), QStringLiteral("one\ntwo words\n'three'\n"));
    }

    void runFailuresAreResults()
    {
        QVERIFY(RunCommandAlarm(QString()) != 0);
        QVERIFY(RunCommandAlarm("/no/such/dir/tool.exe::x") != 0);
    }
};

QTEST_GUILESS_MAIN(CommandAlarmTest)
#include "CommandAlarmTest.moc"

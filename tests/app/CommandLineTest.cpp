// The program's command line: joining the arguments and the first instance's verbs.
#include "CommandLine.h"

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
    }
    void classify()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, verb);
        QFETCH(QString, key);
        QString got = "stale";
        QCOMPARE(int(CommandLine::Classify(CommandLine::FromArguments(arguments), &got)), verb);
        QCOMPARE(got, key);
    }

    void overlongCommandLineIsCut()
    {
        const QString line = CommandLine::FromArguments({QString(100000, 'x')});
        QCOMPARE(line.size(), CommandLine::kMaxChars);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"

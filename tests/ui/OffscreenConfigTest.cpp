#include "OffscreenConfig.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>

using namespace dawnbell;

class OffscreenConfigTest : public QObject {
    Q_OBJECT
private slots:
    void json_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("dpr");
        QTest::newRow("wvga at 192 dpi") << QStringLiteral("480x800@192") << 240 << 400 << 2.0;
        QTest::newRow("qvga at 96 dpi") << QStringLiteral("240x320") << 240 << 320 << 1.0;
        QTest::newRow("landscape at 192 dpi") << QStringLiteral("800x480@192") << 400 << 240 << 2.0;
        QTest::newRow("vga at 144 dpi") << QStringLiteral("480x640@144") << 320 << 427 << 1.5;
    }
    void json()
    {
        QFETCH(QString, screen);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, dpr);
        QTemporaryDir dir;
        QString error;
        const QString path = OffscreenConfig::Write(screen, dir.path(), &error);
        QVERIFY2(!path.isEmpty(), qPrintable(error));
        QVERIFY(!path.contains(QLatin1Char(':')));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonArray screens = root.value(QStringLiteral("screens")).toArray();
        QCOMPARE(screens.size(), 1);
        const QJsonObject s = screens.at(0).toObject();
        QCOMPARE(s.value(QStringLiteral("width")).toInt(), width);
        QCOMPARE(s.value(QStringLiteral("height")).toInt(), height);
        QCOMPARE(s.value(QStringLiteral("dpr")).toDouble(), dpr);
        QCOMPARE(s.value(QStringLiteral("logicalDpi")).toInt(), 96);
        QCOMPARE(s.value(QStringLiteral("x")).toInt(), 0);
        QCOMPARE(root.value(QStringLiteral("windowFrameMargins")).toBool(true), false);
    }

    void rejectsBadDisplays_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::newRow("empty") << QString();
        QTest::newRow("no height") << QStringLiteral("480x");
        QTest::newRow("bad dpi") << QStringLiteral("480x800@0");
        QTest::newRow("colon") << QStringLiteral("480x800:1");
        QTest::newRow("very long") << QStringLiteral("480x800@192") + QString(200, QLatin1Char(' '));
    }
    void rejectsBadDisplays()
    {
        QFETCH(QString, screen);
        QTemporaryDir dir;
        QString error;
        const QByteArray before = qgetenv("QT_QPA_PLATFORM");
        QVERIFY(OffscreenConfig::Write(screen, dir.path(), &error).isEmpty());
        QVERIFY(!error.isEmpty());
        QVERIFY(!OffscreenConfig::Prepare(screen, dir.path()));
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), before);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }

    // The offscreen platform really starts on the configured screen: a child
    // process reports what Qt made of it.
    void platformTakesTheScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wvga 192") << QStringLiteral("480x800@192") << QStringLiteral("240x400 2.00 96");
        QTest::newRow("square 96") << QStringLiteral("240x240") << QStringLiteral("240x240 1.00 96");
        QTest::newRow("wide 192") << QStringLiteral("800x480@192") << QStringLiteral("400x240 2.00 96");
    }
    void platformTakesTheScreen()
    {
        QFETCH(QString, screen);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = OffscreenConfig::Write(screen, dir.path());
        QVERIFY(!path.isEmpty());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), OffscreenConfig::PlatformValue(path));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe-screen")});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromLatin1(child.readAllStandardOutput()).trimmed(), expected);
    }
};

int main(int argc, char** argv)
{
    if (argc == 2 && !std::strcmp(argv[1], "--probe-screen")) {
        QGuiApplication app(argc, argv);
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return 1;
        std::printf("%dx%d %.2f %d\n", screen->size().width(), screen->size().height(), screen->devicePixelRatio(),
                    qRound(screen->logicalDotsPerInch()));
        return 0;
    }
    QGuiApplication app(argc, argv);
    OffscreenConfigTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OffscreenConfigTest.moc"

#include "Scaling.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using namespace dawnbell;

class ScalingTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        qunsetenv("DAWNBELL_SCREEN");
        ResetDpiCacheForTesting();
    }

    void mulDivRound_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("result");
        QTest::newRow("zero") << 0 << 131 << 96 << 0;
        QTest::newRow("identity") << 1 << 96 << 96 << 1;
        QTest::newRow("half rounds away from zero") << 1 << 144 << 96 << 2;
        QTest::newRow("negative half rounds away from zero") << -1 << 144 << 96 << -2;
        QTest::newRow("double density") << 17 << 192 << 96 << 34;
        QTest::newRow("negative odd density") << -5 << 131 << 96 << -7;
        QTest::newRow("just below half") << 1 << 143 << 96 << 1;
        QTest::newRow("odd divisor") << 1 << 1 << 3 << 0;
        QTest::newRow("odd divisor, half") << 2 << 1 << 3 << 1;
        QTest::newRow("no overflow in the product") << 2000000000 << 96 << 96 << 2000000000;
        QTest::newRow("int min magnitude") << INT_MIN << 1 << 1 << INT_MIN;
        QTest::newRow("saturates high") << INT_MAX << 2 << 1 << INT_MAX;
        QTest::newRow("saturates low") << -INT_MAX << 2 << 1 << INT_MIN;
        QTest::newRow("divide by zero gives 0") << 17 << 192 << 0 << 0;
    }
    void mulDivRound()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(int, result);
        QCOMPARE(mul_div_round(a, b, c), result);
    }

    void parseScreenText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("logicalW");
        QTest::addColumn<int>("logicalH");
        QTest::addColumn<int>("dpi");
        QTest::newRow("wvga 192") << QByteArray("480x800@192") << true << 480 << 800 << 240 << 400 << 96;
        QTest::newRow("default 96 dpi") << QByteArray("240x320") << true << 240 << 320 << 240 << 320 << 96;
        QTest::newRow("1.5x") << QByteArray("480x640@144") << true << 480 << 640 << 320 << 427 << 96;
        QTest::newRow("blanks and capital X") << QByteArray(" 800X480@96 ") << true << 800 << 480 << 800 << 480 << 96;
        QTest::newRow("empty") << QByteArray("") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("missing height") << QByteArray("480x") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("zero width") << QByteArray("0x800") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("negative") << QByteArray("-480x800") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("too large") << QByteArray("480x99999") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("too many digits") << QByteArray("0000000480x800") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("dpi zero") << QByteArray("480x800@0") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("empty dpi") << QByteArray("480x800@") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("trailing text") << QByteArray("480x800@192dpi") << false << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("comma") << QByteArray("480,800") << false << 0 << 0 << 0 << 0 << 0;
    }
    void parseScreenText()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        ScreenGeometry g;
        QCOMPARE(ParseScreenText(std::string_view(text.constData(), size_t(text.size())), &g), ok);
        if (!ok) {
            QVERIFY(!g.emulated);
            return;
        }
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, logicalW);
        QFETCH(int, logicalH);
        QFETCH(int, dpi);
        QVERIFY(g.emulated);
        QCOMPARE(g.deviceWidth, w);
        QCOMPARE(g.deviceHeight, h);
        QCOMPARE(g.logicalWidth, logicalW);
        QCOMPARE(g.logicalHeight, logicalH);
        QCOMPARE(g.logicalDpiX, dpi);
        QCOMPARE(g.logicalDpiY, dpi);
    }

    // Widgets lay out in logical pixels: a 96-dpi design length covers the same
    // fraction of an emulated screen whatever its density.
    void emulatedDensityAndScaling()
    {
        qputenv("DAWNBELL_SCREEN", "480x800@192");
        ResetDpiCacheForTesting();
        QCOMPARE(dpi_x(), 96);
        QCOMPARE(dpi_y(), 96);
        QCOMPARE(ScaleX(240), CurrentScreen().logicalWidth);
        QCOMPARE(CurrentScreen().devicePixelRatio, 2.0);
    }

    void densityIsCachedForTheProcess()
    {
        qputenv("DAWNBELL_SCREEN", "480x800@192");
        ResetDpiCacheForTesting();
        const int before = dpi_x();
        qputenv("DAWNBELL_SCREEN", "480x800@48");
        QCOMPARE(dpi_x(), before);
        QCOMPARE(CurrentScreen().devicePixelRatio, 0.5);
    }

    // Without emulation the Qt screen is used, in device pixels.
    void qtScreenInDevicePixels()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const ScreenGeometry g = CurrentScreen();
        QVERIFY(!g.emulated);
        QCOMPARE(g.logicalWidth, screen->size().width());
        QCOMPARE(g.deviceWidth, qRound(screen->size().width() * screen->devicePixelRatio()));
        QCOMPARE(g.deviceHeight, qRound(screen->size().height() * screen->devicePixelRatio()));
        QCOMPARE(dpi_x(), qRound(screen->logicalDotsPerInchX()));
    }

    void invalidEmulationFallsBackToQtScreen()
    {
        qputenv("DAWNBELL_SCREEN", "huge");
        QVERIFY(!CurrentScreen().emulated);
        QCOMPARE(CurrentScreen().logicalWidth, QGuiApplication::primaryScreen()->size().width());
    }
};

QTEST_MAIN(ScalingTest)
#include "ScalingTest.moc"

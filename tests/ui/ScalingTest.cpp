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

    // Before the application starts, an emulated display asks Qt to scale by
    // dpi/96 in place of the window system's factor, so its windows cover its
    // device pixels; a screen declared by the offscreen plugin already has its
    // ratio, and the user's own QT_SCALE_FACTOR stands. Afterwards the
    // environment is as it was, for the programs started later.
    void qtScalingForAnEmulatedScreen_data()
    {
        QTest::addColumn<QByteArray>("screen");
        QTest::addColumn<QByteArray>("platform");  // QT_QPA_PLATFORM ("" unset)
        QTest::addColumn<QByteArray>("argument");  // -platform value
        QTest::addColumn<QByteArray>("userFactor"); // QT_SCALE_FACTOR before ("" unset)
        QTest::addColumn<QByteArray>("factor");    // QT_SCALE_FACTOR while the application starts
        QTest::newRow("handheld at 192 dpi") << QByteArray("480x800@192") << QByteArray("xcb") << QByteArray()
                                             << QByteArray() << QByteArray("2");
        QTest::newRow("one and a half") << QByteArray("480x640@144") << QByteArray() << QByteArray("xcb;offscreen")
                                        << QByteArray() << QByteArray("1.5");
        QTest::newRow("half density") << QByteArray("480x800@48") << QByteArray("wayland") << QByteArray()
                                      << QByteArray() << QByteArray("0.5");
        QTest::newRow("96 dpi needs none") << QByteArray("240x320") << QByteArray("xcb") << QByteArray()
                                           << QByteArray() << QByteArray();
        QTest::newRow("offscreen screens of its own")
            << QByteArray("480x800@192") << QByteArray("offscreen:configfile=/tmp/s.json") << QByteArray()
            << QByteArray() << QByteArray();
        QTest::newRow("configfile as -platform") << QByteArray("480x800@192") << QByteArray()
                                                 << QByteArray("offscreen:configfile=/tmp/s.json") << QByteArray()
                                                 << QByteArray();
        QTest::newRow("the user's factor stands") << QByteArray("480x800@192") << QByteArray("xcb") << QByteArray()
                                                  << QByteArray("1.25") << QByteArray("1.25");
        QTest::newRow("not a display") << QByteArray("480x800@9999") << QByteArray("xcb") << QByteArray()
                                       << QByteArray() << QByteArray();
    }
    void qtScalingForAnEmulatedScreen()
    {
        QFETCH(QByteArray, screen);
        QFETCH(QByteArray, platform);
        QFETCH(QByteArray, argument);
        QFETCH(QByteArray, userFactor);
        QFETCH(QByteArray, factor);
        const QByteArray oldPlatform = qgetenv("QT_QPA_PLATFORM");
        auto setOrUnset = [](const char* name, const QByteArray& value) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value);
        };
        qputenv("DAWNBELL_SCREEN", screen);
        setOrUnset("QT_QPA_PLATFORM", platform);
        setOrUnset("QT_SCALE_FACTOR", userFactor);
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
        const bool set = PrepareEmulatedScreenScaling(std::string_view(argument.constData(), size_t(argument.size())));
        const QByteArray during = qgetenv("QT_SCALE_FACTOR");
        const QByteArray highDpi = qgetenv("QT_ENABLE_HIGHDPI_SCALING");
        ForgetEmulatedScreenScaling();
        const QByteArray afterFactor = qgetenv("QT_SCALE_FACTOR");
        const QByteArray afterHighDpi = qgetenv("QT_ENABLE_HIGHDPI_SCALING");
        setOrUnset("QT_QPA_PLATFORM", oldPlatform);
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");

        QCOMPARE(during, factor);
        QCOMPARE(set, factor != userFactor);
        QCOMPARE(highDpi, set ? QByteArray("0") : QByteArray("1"));
        QCOMPARE(afterFactor, userFactor);
        QCOMPARE(afterHighDpi, QByteArray("1"));
    }
};

QTEST_MAIN(ScalingTest)
#include "ScalingTest.moc"

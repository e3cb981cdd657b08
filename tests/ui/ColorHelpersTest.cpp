#include "ColorHelpers.h"
#include "Profile.h"
#include "TempHome.h"

#include <QtTest>

using namespace dawnbell;

class ColorHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void lightenDarken_data()
    {
        QTest::addColumn<uint>("color");
        QTest::addColumn<int>("n");
        QTest::addColumn<uint>("lighter");
        QTest::addColumn<uint>("darker");
        QTest::newRow("mid grey") << uint(Rgb(100, 100, 100)) << 20 << uint(Rgb(120, 120, 120)) << uint(Rgb(80, 80, 80));
        QTest::newRow("channels saturate separately")
            << uint(Rgb(250, 10, 128)) << 16 << uint(Rgb(255, 26, 144)) << uint(Rgb(234, 0, 112));
        QTest::newRow("white and black stay") << uint(0xFFFFFF) << 255 << uint(0xFFFFFF) << uint(0);
        QTest::newRow("huge n") << uint(Rgb(1, 2, 3)) << 1000000 << uint(0xFFFFFF) << uint(0);
        QTest::newRow("zero n keeps the colour") << uint(Rgb(12, 34, 56)) << 0 << uint(Rgb(12, 34, 56)) << uint(Rgb(12, 34, 56));
        QTest::newRow("high byte is dropped") << uint(0xAB102030) << 1 << uint(0x00112131) << uint(0x000F1F2F);
        QTest::newRow("negative n turns round") << uint(Rgb(5, 128, 250)) << -10 << uint(Rgb(0, 118, 240)) << uint(Rgb(15, 138, 255));
    }
    void lightenDarken()
    {
        QFETCH(uint, color);
        QFETCH(int, n);
        QFETCH(uint, lighter);
        QFETCH(uint, darker);
        QCOMPARE(uint(Lighten(color, n)), lighter);
        QCOMPARE(uint(Darken(color, n)), darker);
    }

    void average_data()
    {
        QTest::addColumn<uint>("a");
        QTest::addColumn<uint>("b");
        QTest::addColumn<uint>("mean");
        QTest::newRow("rounds down per channel") << uint(Rgb(1, 2, 255)) << uint(Rgb(2, 5, 254)) << uint(Rgb(1, 3, 254));
        QTest::newRow("no carry between channels") << uint(Rgb(255, 255, 255)) << uint(Rgb(255, 255, 255)) << uint(0xFFFFFF);
        QTest::newRow("black and white") << uint(0) << uint(0xFFFFFF) << uint(Rgb(127, 127, 127));
    }
    void average()
    {
        QFETCH(uint, a);
        QFETCH(uint, b);
        QFETCH(uint, mean);
        QCOMPARE(uint(Average(a, b)), mean);
        QCOMPARE(uint(Average(b, a)), mean);
    }

    void darkness_data()
    {
        QTest::addColumn<uint>("color");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<uint>("shade10");
        QTest::newRow("black") << uint(0) << true << uint(Rgb(10, 10, 10));
        QTest::newRow("127 is below half") << uint(Rgb(127, 0, 0)) << true << uint(Rgb(137, 10, 10));
        QTest::newRow("128 is not") << uint(Rgb(0, 128, 0)) << false << uint(Rgb(0, 118, 0));
        QTest::newRow("one bright channel decides") << uint(Rgb(0, 0, 200)) << false << uint(Rgb(0, 0, 190));
        QTest::newRow("white") << uint(0xFFFFFF) << false << uint(Rgb(245, 245, 245));
        QTest::newRow("default ringing back colour") << uint(15116940) << false << uint(Darken(15116940, 10));
    }
    void darkness()
    {
        QFETCH(uint, color);
        QFETCH(bool, dark);
        QFETCH(uint, shade10);
        QCOMPARE(IsDark(color), dark);
        QCOMPARE(uint(GradientShade(color, 10)), shade10);
    }

    void qcolorRoundTrip()
    {
        const uint32_t c = Rgb(0x12, 0x34, 0x56);
        const QColor q = ToQColor(c);
        QCOMPARE(q.red(), 0x12);
        QCOMPARE(q.green(), 0x34);
        QCOMPARE(q.blue(), 0x56);
        QCOMPARE(FromQColor(q), c);
        QCOMPARE(FromQColor(QColor::fromHsv(0, 255, 255)), Rgb(255, 0, 0));
    }

    // The application colours come from the settings, grey when unset; a stored
    // value with a high byte still gives a plain colour.
    void appColors_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("back");
        QTest::addColumn<int>("text");
        QTest::addColumn<uint>("wantBack");
        QTest::addColumn<uint>("wantText");
        QTest::newRow("unset") << false << 0 << 0 << uint(0xE6E6E6) << uint(0x505050);
        QTest::newRow("stored") << true << 0x102030 << 0xFFFFFF << uint(0x102030) << uint(0xFFFFFF);
        QTest::newRow("black on black") << true << 0 << 0 << uint(0) << uint(0);
        QTest::newRow("high byte dropped") << true << int(0xFF405060) << -1 << uint(0x405060) << uint(0xFFFFFF);
    }
    void appColors()
    {
        QFETCH(bool, stored);
        QFETCH(int, back);
        QFETCH(int, text);
        QFETCH(uint, wantBack);
        QFETCH(uint, wantText);
        test::TempHome home;
        home.Renew();
        if (stored) {
            QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("bgColor"), back));
            QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("textColor"), text));
        }
        QCOMPARE(uint(AppBackColor()), wantBack);
        QCOMPARE(uint(AppTextColor()), wantText);
        home.Close();
    }
};

QTEST_GUILESS_MAIN(ColorHelpersTest)
#include "ColorHelpersTest.moc"

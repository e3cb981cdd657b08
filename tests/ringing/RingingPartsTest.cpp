// The ringing window's building blocks: fade curves and timing, the clock
// format, the snooze keys, the battery icons, Wu's lines and the painting of
// background pictures in device pixels.
#include "BatteryIcons.h"
#include "ClockFormat.h"
#include "FadeCurve.h"
#include "RingingCanvas.h"
#include "SnoozeKeys.h"
#include "WuLine.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

class RingingPartsTest : public QObject {
    Q_OBJECT
private slots:
    void presets_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("parabola") << 0
            << QList<int>{0,  0,  0,  0,  1,  1,  1,  2,  3,  4,  4,  5,  6,  7,  9,  10, 11,
                          12, 14, 16, 17, 19, 21, 23, 25, 27, 29, 31, 33, 36, 38, 40, 43, 46,
                          49, 51, 54, 57, 60, 64, 67, 70, 73, 77, 81, 84, 88, 92, 96, 100};
        QList<int> linear, steep;
        for (int i = 0; i < 50; ++i) {
            linear << 2 * i;
            steep << (i < 25 ? 4 * i : 100);
        }
        QTest::newRow("linear ends at 98") << 1 << linear;
        QTest::newRow("steep") << 2 << steep;
    }
    void presets()
    {
        QFETCH(int, type);
        QFETCH(QList<int>, values);
        const FadeCurve curve = FadePresetCurve(type);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(int(curve[i]), values[i]);
    }

    void fadeMath_data()
    {
        QTest::addColumn<int>("duration");
        QTest::addColumn<int>("period");
        QTest::newRow("5") << 5 << 100;
        QTest::newRow("9") << 9 << 100;
        QTest::newRow("10") << 10 << 200;
        QTest::newRow("4") << 4 << 0;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("huge stays bounded") << 2000000000 << 100000000;
    }
    void fadeMath()
    {
        QFETCH(int, duration);
        QFETCH(int, period);
        QCOMPARE(FadeStepPeriodMs(duration), period);
    }

    void fadeVolume_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("point");
        QTest::addColumn<int>("volume");
        QTest::newRow("full") << 100 << 100 << 100;
        QTest::newRow("truncates") << 10 << 55 << 5;
        QTest::newRow("zero point") << 80 << 0 << 0;
        QTest::newRow("stored point above 100 does not overshoot") << 100 << 255 << 100;
    }
    void fadeVolume()
    {
        QFETCH(int, target);
        QFETCH(int, point);
        QFETCH(int, volume);
        QCOMPARE(FadeVolume(target, point), volume);
    }

    void clockPicture_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("format");
        QTest::newRow("24 h") << "HH:mm:ss" << "%H:%M:%S";
        QTest::newRow("12 h") << "h:mm:ss tt" << "%#I:%M:%S %p";
        QTest::newRow("one-letter forms") << "H:m:s t" << "%#H:%#M:%#S %p";
        QTest::newRow("hh is not two h") << "hh" << "%I";
        QTest::newRow("three letters") << "HHH" << "%H%#H";
        QTest::newRow("percent sign is literal") << "HH%" << "%H%%";
        QTest::newRow("other text kept") << "HH.mm" << "%H.%M";
        QTest::newRow("quoted text is literal") << "HH 'h' mm 'hours'" << "%H h %M hours";
        QTest::newRow("doubled quote") << "HH''mm" << "%H'%M";
    }
    void clockPicture()
    {
        QFETCH(QString, picture);
        QFETCH(QString, format);
        QCOMPARE(ClockFormat::FromPicture(picture), format);
    }

    void clockText_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("s");
        QTest::addColumn<QString>("text");
        QTest::newRow("24 h") << "HH:mm:ss" << 7 << 5 << 9 << "07:05:09";
        QTest::newRow("12 h morning") << "h:mm:ss tt" << 7 << 5 << 9 << "7:05:09 AM";
        QTest::newRow("12 h noon") << "hh:mm tt" << 12 << 0 << 0 << "12:00 PM";
        QTest::newRow("12 h midnight") << "h:mm t" << 0 << 30 << 0 << "12:30 AM";
        QTest::newRow("no zeros") << "H:m:s" << 9 << 1 << 2 << "9:1:2";
        QTest::newRow("literal percent") << "HH%" << 23 << 0 << 0 << "23%";
    }
    void clockText()
    {
        QFETCH(QString, picture);
        QFETCH(int, h);
        QFETCH(int, m);
        QFETCH(int, s);
        QFETCH(QString, text);
        QCOMPARE(ClockFormat::Format(ClockFormat::FromPicture(picture), h, m, s), text);
    }

    void clockTextBounded()
    {
        const QString longPicture = QString("HH:").repeated(100);
        QVERIFY(ClockFormat::FromPicture(longPicture).size() <= 2 * ClockFormat::kMaxPictureChars);
        QVERIFY(ClockFormat::Format(ClockFormat::FromPicture(longPicture), 1, 2, 3).size() <=
                ClockFormat::kMaxTextChars);
        // A dangling or unknown conversion is copied, not misread.
        QCOMPARE(ClockFormat::Format("%", 1, 2, 3), QString("%"));
        QCOMPARE(ClockFormat::Format("%#", 1, 2, 3), QString("%#"));
        QCOMPARE(ClockFormat::Format("%Q", 1, 2, 3), QString("%Q"));
    }

    void snoozeKeyCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("snoozes");
        for (int c : {13, 27, 37, 40, 48, 57, 91, 112, 114, 115, 117, 122, 126, 135, 193, 198, 4104})
            QTest::addRow("%d", c) << c << true;
        for (int c : {0, 12, 36, 41, 47, 58, 90, 92, 111, 113, 116, 123, 125, 136, 192, 199, 4103, 4105})
            QTest::addRow("%d", c) << c << false;
    }
    void snoozeKeyCodes()
    {
        QFETCH(int, code);
        QFETCH(bool, snoozes);
        QCOMPARE(IsSnoozeKeyCode(code), snoozes);
    }

    void batteryIcons_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("id");
        QTest::newRow("-5") << -5 << 283;
        QTest::newRow("14") << 14 << 283;
        QTest::newRow("15") << 15 << 284;
        QTest::newRow("34") << 34 << 284;
        QTest::newRow("35") << 35 << 285;
        QTest::newRow("60") << 60 << 286;
        QTest::newRow("85") << 85 << 282;
        QTest::newRow("250") << 250 << 282;
    }
    void batteryIcons()
    {
        QFETCH(int, percent);
        QFETCH(int, id);
        QCOMPARE(BatteryIconForPercent(percent), id);
        const QPixmap icon = BatteryIcon(id, 2);
        QCOMPARE(icon.size(), QSize(62, 32));
        QVERIFY(BatteryIcon(281, 1).isNull());
    }

    void wuLine_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<bool>("plain"); // drawn without weighting
        QTest::newRow("horizontal") << QPoint(1, 5) << QPoint(18, 5) << true;
        QTest::newRow("vertical") << QPoint(4, 1) << QPoint(4, 18) << true;
        QTest::newRow("diagonal") << QPoint(1, 1) << QPoint(18, 18) << true;
        QTest::newRow("anti-diagonal upwards") << QPoint(18, 1) << QPoint(1, 18) << true;
        QTest::newRow("shallow") << QPoint(0, 2) << QPoint(19, 9) << false;
        QTest::newRow("steep, right to left") << QPoint(15, 19) << QPoint(3, 0) << false;
        QTest::newRow("partly outside") << QPoint(-10, -3) << QPoint(30, 12) << false;
    }
    void wuLine()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(bool, plain);
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(qRgb(255, 255, 255));
        DrawWuLine(&image, from.x(), from.y(), to.x(), to.y(), qRgb(0, 0, 0));
        int partial = 0;
        int dark = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const QRgb px = image.pixel(x, y);
                QCOMPARE(qRed(px), qGreen(px)); // grey levels only: channels blend alike
                if (qRed(px) == 0)
                    ++dark;
                else if (qRed(px) < 255)
                    ++partial;
            }
        }
        QVERIFY(dark > 0);
        QCOMPARE(partial == 0, plain);
        // Endpoints inside the image are drawn in the full colour.
        for (const QPoint& p : {from, to})
            if (image.rect().contains(p))
                QCOMPARE(image.pixel(p), qRgb(0, 0, 0));
    }

    // A 10 x 10 picture, red on its left half and blue on its right, behind a
    // window of 60 x 80 logical pixels: centred and tiled it keeps its 10
    // device pixels at any density, and the strip
    // behind the sound controls is 30 device pixels high.
    void picturesInDevicePixels_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("dpr");
        QTest::newRow("tile at 96 dpi") << 3 << 1;
        QTest::newRow("tile at 192 dpi") << 3 << 2;
        QTest::newRow("centre at 192 dpi") << 2 << 2;
    }
    void picturesInDevicePixels()
    {
        QFETCH(int, style);
        QFETCH(int, dpr);
        QTemporaryDir dir;
        QImage picture(10, 10, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 5; ++x)
                picture.setPixel(x, y, qRgb(255, 0, 0));
        QVERIFY(picture.save(dir.filePath("half.png")));

        RingingCanvas::Scene scene;
        scene.size = QSize(60, 80);
        scene.dpr = dpr;
        scene.backColor = 0x0000FF00; // green
        scene.picturePath = dir.filePath("half.png");
        scene.pictureStyle = style;
        scene.pictureArea = QRect(QPoint(0, 0), scene.size);
        scene.soundStrip = true;
        QImage out(scene.size * dpr, QImage::Format_RGB32);
        out.setDevicePixelRatio(dpr);
        QPainter painter(&out);
        RingingCanvas canvas;
        canvas.Paint(painter, scene);
        painter.end();

        const int width = 60 * dpr;
        const int height = 80 * dpr;
        auto colour = [&out](int x, int y) {
            const QRgb px = out.pixel(x, y);
            return qRed(px) > 200 ? 'r' : qBlue(px) > 200 ? 'b' : qGreen(px) > 200 ? 'g' : '?';
        };
        const int y = style == 2 ? height / 2 : 2;
        QByteArray row, want;
        for (int x = 0; x < width; ++x) {
            row += colour(x, y);
            if (style == 3)
                want += x % 10 < 5 ? 'r' : 'b';
            else
                want += x < width / 2 - 5 || x >= width / 2 + 5 ? 'g' : x < width / 2 ? 'r' : 'b';
        }
        QCOMPARE(row, want);
        // The strip: exactly the last 30 device-pixel rows.
        QCOMPARE(colour(width / 4, height - 1), 'g');
        QCOMPARE(colour(width / 4, height - 30), 'g');
        if (style == 3)
            QVERIFY(colour(width / 4, height - 31) != 'g');
    }
};

QTEST_MAIN(RingingPartsTest)
#include "RingingPartsTest.moc"

// The fade-curve editor and the preset buttons: pen strokes, the right edge, the
// two drawing modes and the button faces.
#include "CFadeButtons.h"
#include "CFadeControl.h"
#include "ColorHelpers.h"
#include "Profile.h"
#include "Registry.h"
#include "Scaling.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

namespace {

// Pixels of the plot area that are neither the line colour nor the background
// of their row (taken left of the plot, where the curve never goes): the
// blended (anti-aliased) pixels.
int PartialPixels(const QImage& image, QRgb line, const QRect& inside)
{
    int n = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const QRgb back = image.pixel(inside.left() - 1, y);
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb px = image.pixel(x, y);
            if (px != line && px != back)
                ++n;
        }
    }
    return n;
}

} // namespace

class FadeControlTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home_;

private slots:
    void initTestCase()
    {
        qputenv("DAWNBELL_HOME", home_.filePath("home").toUtf8());
        qunsetenv("DAWNBELL_SCREEN");
        ResetDpiCacheForTesting();
        // White background, black line: the defaults of the application colours.
        Profile::WriteInt("settings", "bgColor", 0xFFFFFF);
        Profile::WriteInt("settings", "textColor", 0);
    }
    void cleanupTestCase() { RegCloseStore(); }

    void strokes_data()
    {
        // Control 104 x 54: active area x 2..101 (width 100 as r - l), y 2..51.
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<int>("first");   // first point written
        QTest::addColumn<int>("last");    // last point written (before point 49)
        QTest::addColumn<int>("value");
        QTest::newRow("left to right at the top") << QList<QPoint>{{12, 2}, {52, 2}} << 5 << 25 << 100;
        QTest::newRow("right to left at the top") << QList<QPoint>{{52, 2}, {12, 2}} << 5 << 25 << 100;
        QTest::newRow("left to right halfway") << QList<QPoint>{{22, 27}, {42, 27}} << 10 << 20 << 50;
        QTest::newRow("right to left halfway") << QList<QPoint>{{42, 27}, {22, 27}} << 10 << 20 << 50;
        QTest::newRow("single column") << QList<QPoint>{{30, 40}, {30, 40}} << 14 << 14 << 24;
        QTest::newRow("near the bottom") << QList<QPoint>{{2, 51}, {6, 51}} << 0 << 2 << 2;
        QTest::newRow("right edge writes point 49") << QList<QPoint>{{90, 2}, {101, 2}} << 44 << 49 << 100;
    }
    void strokes()
    {
        QFETCH(QList<QPoint>, path);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, value);
        CFadeControl control;
        control.resize(104, 54);
        FadeCurve flat{};
        flat.fill(33);
        control.SetCurve(flat);
        control.PenDown(path.first());
        QVERIFY(control.penDown());
        QVERIFY(!control.finished());
        for (const QPoint& p : path)
            control.PenMove(p);
        control.PenUp();
        QVERIFY(control.finished());
        const FadeCurve curve = control.GetCurve();
        QCOMPARE(int(curve.size()), 50);
        for (int i = 0; i < 49; ++i) {
            const int expected = (i >= first && i <= last) ? value : 33;
            QVERIFY2(curve[i] == expected, qPrintable(QString("point %1 is %2").arg(i).arg(curve[i])));
        }
        QCOMPARE(int(curve[49]), 100); // a drawn curve always ends at full volume
    }

    void outsideTheAreaIsIgnored_data()
    {
        QTest::addColumn<QPoint>("down");
        QTest::newRow("frame") << QPoint(1, 20);
        QTest::newRow("right border") << QPoint(102, 20);
        QTest::newRow("below") << QPoint(50, 60);
    }
    void outsideTheAreaIsIgnored()
    {
        QFETCH(QPoint, down);
        CFadeControl control;
        control.resize(104, 54);
        const FadeCurve before = control.GetCurve();
        control.PenDown(down);
        QVERIFY(!control.penDown());
        control.PenMove(QPoint(50, 20));
        QVERIFY(control.GetCurve() == before);
    }

    void drawingModes()
    {
        CFadeControl control;
        control.resize(120, 70);
        control.SetCurve(FadePresetCurve(FadePresetParabola));
        const QRect plot = control.PlotArea();
        const QImage idle = control.Render();
        control.PenDown(QPoint(200, 200)); // outside: stays idle
        QVERIFY(!control.penDown());
        QVERIFY(PartialPixels(idle, qRgb(0, 0, 0), plot) > 10); // anti-aliased segments
        control.PenDown(QPoint(5, 5));
        const QImage drawing = control.Render();
        QCOMPARE(PartialPixels(drawing, qRgb(0, 0, 0), plot), 0); // plain polyline
        // Both show the end point at the top right of the plot.
        QCOMPARE(control.PointPosition(49), QPoint(plot.right(), plot.top()));
        QCOMPARE(control.PointPosition(0).y(), plot.bottom());
    }

    void hostGradientBehind()
    {
        Profile::WriteInt("settings", "bgColor", 0x808080);
        QWidget host;
        host.resize(200, 400);
        QWidget page(&host);
        page.setGeometry(0, 0, 200, 400);
        CFadeControl control(&page);
        control.setGeometry(20, 300, 100, 50);
        control.SetCurve(FadeCurve{});
        const QImage image = control.Render();
        // Near the host's bottom the gradient is close to the base colour.
        const QRgb px = image.pixel(50, 25);
        QVERIFY2(qAbs(qRed(px) - 0x80) < 0x18, qPrintable(QString::number(qRed(px), 16)));
        Profile::WriteInt("settings", "bgColor", 0xFFFFFF);
    }

    void presetButtons_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QPoint>("onLine");   // a point near the shape, in 0..1 of the inner area
        QTest::addColumn<QPoint>("offLine");
        QTest::newRow("parabola") << 0 << QPoint(50, 25) << QPoint(50, 60);
        QTest::newRow("linear") << 1 << QPoint(50, 50) << QPoint(50, 20);
        QTest::newRow("steep") << 2 << QPoint(75, 100) << QPoint(75, 60);
        QTest::newRow("unknown is the parabola") << 9 << QPoint(50, 25) << QPoint(50, 60);
    }
    void presetButtons()
    {
        QFETCH(int, type);
        QFETCH(QPoint, onLine);
        QFETCH(QPoint, offLine);
        CFadeButtons button;
        button.SetType(type);
        QCOMPARE(button.type(), type > 2 ? 0 : type);
        button.resize(66, 66);
        const QImage face = button.grab().toImage();
        // Inner area 5..60 (margin 3 + pen width 1 + 1): percent positions.
        auto at = [](const QPoint& pct) { return QPoint(5 + 55 * pct.x() / 100, 60 - 55 * pct.y() / 100); };
        auto darkNear = [&face](const QPoint& c) {
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    if (qRed(face.pixel(c + QPoint(dx, dy))) < 0x80)
                        return true;
            return false;
        };
        QVERIFY(darkNear(at(onLine)));
        QVERIFY(!darkNear(at(offLine)));
        // Two face halves: upper face colour, lower a darker variant of it.
        QCOMPARE(face.pixel(40, 10), qRgb(255, 255, 255));
        QCOMPARE(face.pixel(12, 56), qRgb(225, 225, 225));
    }
};

QTEST_MAIN(FadeControlTest)
#include "FadeControlTest.moc"

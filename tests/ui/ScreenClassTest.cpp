#include "Alarm.h"
#include "ScreenClass.h"
#include "WindowGeometry.h"

#include <QtTest>

using namespace dawnbell;

namespace {

// Field index of a short field name ("QVGAWide" -> BackImageQVGAWide).
int FieldOf(const QString& shortName)
{
    static const struct { const char* name; int field; } kNames[] = {
        {"WVGA", BackImageWVGA}, {"WQVGA", BackImageWQVGA},
        {"WVGALandscape", BackImageWVGALandscape}, {"WQVGALandscape", BackImageWQVGALandscape},
        {"QVGA", BackImageQVGA}, {"QVGAWide", BackImageQVGAWide}, {"VGA", BackImageVGA},
        {"VGAWide", BackImageVGAWide}, {"QVGASquare", BackImageQVGASquare},
        {"VGASquare", BackImageVGASquare}, {"Square", BackImageSquare},
    };
    for (const auto& n : kNames) {
        if (shortName == QLatin1String(n.name))
            return n.field;
    }
    return -1;
}

} // namespace

class ScreenClassTest : public QObject {
    Q_OBJECT
private slots:
    void classify_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("cls");
        QTest::addColumn<bool>("desktop"); // larger than every handheld class
        QTest::newRow("240x320") << 240 << 320 << 0 << false;
        QTest::newRow("320x240") << 320 << 240 << 1 << false;
        QTest::newRow("320x320") << 320 << 320 << 2 << false;
        QTest::newRow("480x640") << 480 << 640 << 3 << false;
        QTest::newRow("640x480") << 640 << 480 << 4 << false;
        QTest::newRow("480x480") << 480 << 480 << 5 << false;
        QTest::newRow("240x400") << 240 << 400 << 6 << false;
        QTest::newRow("400x240") << 400 << 240 << 7 << false;
        QTest::newRow("480x800") << 480 << 800 << 8 << false;
        QTest::newRow("800x480") << 800 << 480 << 9 << false;
        QTest::newRow("240x240") << 240 << 240 << 10 << false;
        // Unknown displays and near misses fall back to class 3.
        QTest::newRow("640x640") << 640 << 640 << 3 << true;
        QTest::newRow("1024x768") << 1024 << 768 << 3 << true;
        QTest::newRow("320x480 is not QVGA") << 320 << 480 << 3 << false;
        QTest::newRow("400x320") << 400 << 320 << 3 << false;
        QTest::newRow("800x800") << 800 << 800 << 3 << true;
        QTest::newRow("240x800") << 240 << 800 << 3 << false;
        QTest::newRow("zero") << 0 << 0 << 3 << false;
        QTest::newRow("negative") << -240 << -320 << 3 << false;
        QTest::newRow("800x600, taller than any landscape class") << 800 << 600 << 3 << true;
        QTest::newRow("1280x800 laptop") << 1280 << 800 << 3 << true;
    }
    void classify()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, cls);
        QFETCH(bool, desktop);
        QCOMPARE(int(classify_screen(w, h)), cls);
        QCOMPARE(IsDesktopDisplay(w, h), desktop);
    }

    // Every class's nominal resolution classifies back to that class, and its own
    // image comes first in its fallback order, except for class 1, which prefers
    // the wide-QVGA landscape image.
    void classTablesAgree()
    {
        for (int cls = 0; cls < ScreenClassCount; ++cls) {
            const QSize size = ScreenClassResolution(cls);
            QCOMPARE(int(classify_screen(size.width(), size.height())), cls);
            QString images[11];
            for (int f = 0; f < BackImageFieldCount; ++f)
                images[f] = QStringLiteral("img%1").arg(f);
            const int first = cls == ScreenQVGAWide ? int(BackImageWQVGALandscape) : ScreenClassImageField(cls);
            QCOMPARE(choose_background(images, cls), QStringLiteral("img%1").arg(first));
        }
        QVERIFY(!ScreenClassResolution(11).isValid());
        QCOMPARE(ScreenClassImageField(-1), -1);
    }

    void suffixes_data()
    {
        QTest::addColumn<int>("cls");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("valueName");
        QTest::newRow("0") << 0 << "QVGA" << "backImageQVGA";
        QTest::newRow("1 differs from its value name") << 1 << "QVGALandscape" << "backImageQVGAWide";
        QTest::newRow("2") << 2 << "QVGASquare" << "backImageQVGASquare";
        QTest::newRow("3") << 3 << "VGA" << "backImageVGA";
        QTest::newRow("4 differs from its value name") << 4 << "VGALandscape" << "backImageVGAWide";
        QTest::newRow("5") << 5 << "VGASquare" << "backImageVGASquare";
        QTest::newRow("6") << 6 << "WQVGA" << "backImageWQVGA";
        QTest::newRow("7") << 7 << "WQVGALandscape" << "backImageWQVGALandscape";
        QTest::newRow("8") << 8 << "WVGA" << "backImageWVGA";
        QTest::newRow("9") << 9 << "WVGALandscape" << "backImageWVGALandscape";
        QTest::newRow("10") << 10 << "Square" << "backImageSquare";
        QTest::newRow("out of range") << 11 << "" << "";
    }
    void suffixes()
    {
        QFETCH(int, cls);
        QFETCH(QString, suffix);
        QFETCH(QString, valueName);
        QCOMPARE(QString::fromLatin1(ScreenClassImageSuffix(cls)), suffix);
        const int field = ScreenClassImageField(cls);
        QCOMPARE(field < 0 ? QString() : BackImageValueName(field), valueName);
    }

    // The full order of each class: removing the images one by one from the front
    // of the expected order must reveal the next one each time.
    void fallbackOrder_data()
    {
        QTest::addColumn<int>("cls");
        QTest::addColumn<QStringList>("order");
        const auto row = [](int cls, const char* order) {
            QTest::newRow(QByteArray::number(cls).constData())
                << cls << QString::fromLatin1(order).split(QLatin1Char(' '));
        };
        row(0, "QVGA VGA WQVGA WVGA QVGASquare VGASquare Square WQVGALandscape WVGALandscape QVGAWide VGAWide");
        row(1, "WQVGALandscape WVGALandscape QVGAWide VGAWide QVGASquare VGASquare Square QVGA VGA WQVGA WVGA");
        row(2, "QVGASquare VGASquare Square QVGA VGA WQVGA WVGA WQVGALandscape WVGALandscape QVGAWide VGAWide");
        row(3, "VGA QVGA WVGA WQVGA VGASquare QVGASquare Square VGAWide QVGAWide WVGALandscape WQVGALandscape");
        row(4, "VGAWide QVGAWide WVGALandscape WQVGALandscape VGASquare QVGASquare Square VGA QVGA WVGA WQVGA");
        row(5, "VGASquare QVGASquare Square VGA QVGA WVGA WQVGA WVGALandscape WQVGALandscape VGAWide QVGAWide");
        row(6, "WQVGA WVGA QVGA VGA QVGASquare VGASquare Square WQVGALandscape WVGALandscape QVGAWide VGAWide");
        row(7, "WQVGALandscape WVGALandscape QVGAWide VGAWide QVGASquare VGASquare Square WQVGA WVGA QVGA VGA");
        row(8, "WVGA WQVGA VGA QVGA VGASquare QVGASquare Square WVGALandscape WQVGALandscape VGAWide QVGAWide");
        row(9, "WVGALandscape WQVGALandscape VGAWide QVGAWide VGASquare QVGASquare Square WVGA WQVGA VGA QVGA");
        row(10, "Square QVGASquare VGASquare QVGA VGA WQVGA WVGA WQVGALandscape WVGALandscape QVGAWide VGAWide");
    }
    void fallbackOrder()
    {
        QFETCH(int, cls);
        QFETCH(QStringList, order);
        QCOMPARE(order.size(), 11);
        QString images[11];
        for (const QString& name : order) {
            const int f = FieldOf(name);
            QVERIFY2(f >= 0, qPrintable(name));
            images[f] = name + QStringLiteral(".png");
        }
        for (const QString& name : order) {
            QCOMPARE(choose_background(images, cls), name + QStringLiteral(".png"));
            images[FieldOf(name)].clear();
        }
        QCOMPARE(choose_background(images, cls), QString());
    }

    void singleImage_data()
    {
        QTest::addColumn<QString>("only");
        QTest::newRow("Square") << "Square";
        QTest::newRow("WVGA") << "WVGA";
        QTest::newRow("QVGAWide") << "QVGAWide";
    }
    // Every chain covers all eleven fields, so one image is found from every class
    // (including an out-of-range class, which behaves like class 3).
    void singleImage()
    {
        QFETCH(QString, only);
        QString images[11];
        images[FieldOf(only)] = QStringLiteral("only.jpg");
        for (int cls = -1; cls <= ScreenClassCount; ++cls)
            QCOMPARE(choose_background(images, cls), QStringLiteral("only.jpg"));
    }

    void emptyAlarmHasNoBackground()
    {
        Alarm alarm;
        for (int cls = 0; cls < ScreenClassCount; ++cls)
            QCOMPARE(choose_background(alarm, cls), QString());
    }

    void squareOnlyAlarm()
    {
        Alarm alarm;
        alarm.backImages[BackImageSquare] = QStringLiteral("sq.png");
        for (int cls = 0; cls < ScreenClassCount; ++cls)
            QCOMPARE(choose_background(alarm, cls), QStringLiteral("sq.png"));
    }

    void qvgaWidePrefersWideQvgaLandscape()
    {
        Alarm alarm;
        alarm.backImages[BackImageQVGAWide] = QStringLiteral("qvgawide.png");
        alarm.backImages[BackImageWQVGALandscape] = QStringLiteral("wqvgaland.png");
        QCOMPARE(choose_background(alarm, ScreenQVGAWide), QStringLiteral("wqvgaland.png"));
        QCOMPARE(choose_background(alarm, ScreenVGAWide), QStringLiteral("qvgawide.png"));
    }

    void emulatedScreenIsClassified_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("cls");
        QTest::newRow("wvga at 192 dpi") << QByteArray("480x800@192") << 8;
        QTest::newRow("landscape, no dpi") << QByteArray("800x480") << 9;
        QTest::newRow("square") << QByteArray("240x240@96") << 10;
        QTest::newRow("tablet") << QByteArray("1024x768@131") << 3;
        QTest::newRow("invalid is ignored; no screen") << QByteArray("480 by 800") << 3;
    }
    void emulatedScreenIsClassified()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, cls);
        qputenv("DAWNBELL_SCREEN", content);
        QCOMPARE(int(classify_screen()), cls);
        qunsetenv("DAWNBELL_SCREEN");
    }
};

QTEST_GUILESS_MAIN(ScreenClassTest)
#include "ScreenClassTest.moc"

#include "ColorHelpers.h"
#include "DialogLayout.h"
#include "KitDialog.h"
#include "Scaling.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace dawnbell;

class KitDialogTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        qunsetenv("DAWNBELL_SCREEN");
        ResetDpiCacheForTesting();
    }

    void fitDensities_data()
    {
        QTest::addColumn<QSize>("design");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("expected");
        QTest::newRow("fits: unchanged") << QSize(188, 265) << QSize(240, 320) << 96 << 96;
        QTest::newRow("exactly the screen") << QSize(240, 320) << QSize(240, 320) << 96 << 96;
        QTest::newRow("double density fits") << QSize(171, 89) << QSize(480, 640) << 192 << 192;
        QTest::newRow("too tall") << QSize(188, 265) << QSize(120, 160) << 96 << 57;
        QTest::newRow("too wide") << QSize(225, 195) << QSize(160, 240) << 96 << 68;
        QTest::newRow("empty design") << QSize() << QSize(100, 100) << 96 << 96;
        QTest::newRow("no screen") << QSize(188, 265) << QSize() << 96 << 96;
    }
    void fitDensities()
    {
        QFETCH(QSize, design);
        QFETCH(QSize, screen);
        QFETCH(int, dpi);
        QFETCH(int, expected);
        int x = dpi, y = dpi;
        KitDialog::FitDensities(design, screen, &x, &y);
        QCOMPARE(x, expected);
        QCOMPARE(y, expected);
        if (design.isValid() && screen.isValid()) {
            QVERIFY(mul_div_round(design.width(), x, 96) <= screen.width());
            QVERIFY(mul_div_round(design.height(), y, 96) <= screen.height());
        }
    }

    void applyLayoutSizesAndPlaces_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("yes");
        QTest::newRow("qvga") << QStringLiteral("240x320") << QSize(171, 89) << QRect(8, 56, 73, 25);
        // The layout is designed at 96 dpi; a 120 x 160 logical screen is smaller than it.
        QTest::newRow("qvga at 192 dpi: shrunk to fit") << QStringLiteral("240x320@192") << QSize(119, 62)
                                                        << QRect(6, 39, 51, 17);
    }
    void applyLayoutSizesAndPlaces()
    {
        QFETCH(QString, screen);
        QFETCH(QSize, size);
        QFETCH(QRect, yes);
        qputenv("DAWNBELL_SCREEN", screen.toLatin1());
        ResetDpiCacheForTesting();
        KitDialog dialog;
        for (const int id : {1, 2}) {
            auto* b = new QPushButton(&dialog);
            b->setObjectName(QString::number(id));
        }
        for (const int id : {1024, 1009}) {
            auto* l = new QLabel(&dialog);
            l->setObjectName(QString::number(id));
        }
        QVERIFY(dialog.ApplyLayout(148));
        QCOMPARE(dialog.size(), size);
        QCOMPARE(DialogLayout::FindControl(&dialog, 1)->geometry(), yes);
        dialog.CenterOnScreen();
        const ScreenGeometry g = CurrentScreen();
        QCOMPARE(dialog.pos(), QPoint((g.logicalWidth - size.width()) / 2, (g.logicalHeight - size.height()) / 2));
        QVERIFY(!dialog.ApplyLayout(1)); // unknown layout
    }

    void paintsBackgroundFrameAndHiddenLabels()
    {
        KitDialog dialog;
        dialog.SetKitColors(0x00C0C0C0, 0x00000080);
        dialog.resize(100, 60);
        auto* label = new QLabel(QStringLiteral("MMM"), &dialog);
        label->setGeometry(10, 10, 80, 40);
        label->setAlignment(Qt::AlignCenter);
        label->hide();
        auto* shown = new QLabel(QString(), &dialog);
        shown->setGeometry(0, 0, 1, 1);
        const QImage image = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        auto pixel = [&](int x, int y) { return FromQColor(image.pixelColor(x, y)); };
        QCOMPARE(pixel(50, 0), 0x00000080u);                           // edge frame in the text colour
        QCOMPARE(pixel(50, 1), GradientShade(0x00C0C0C0, 0x50));      // and the shade inside it
        QCOMPARE(pixel(50, 58), GradientShade(0x00C0C0C0, 0x50));      // inner outline at the bottom too
        QVERIFY(qAbs(int(pixel(50, 57) & 0xFF) - 0xC0) <= 4);          // gradient ends at the base colour
        bool text = false;
        for (int y = 10; y < 50 && !text; ++y)
            for (int x = 10; x < 90 && !text; ++x)
                text = pixel(x, y) == 0x00000080u;
        QVERIFY(text); // the hidden label's text is painted by the dialog
        QCOMPARE(dialog.BackgroundColor(), 0x00C0C0C0u);
        QCOMPARE(dialog.TextColor(), 0x00000080u);
    }
};

QTEST_MAIN(KitDialogTest)
#include "KitDialogTest.moc"

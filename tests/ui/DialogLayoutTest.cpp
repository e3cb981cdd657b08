#include "DialogLayout.h"

#include <QPushButton>
#include <QLabel>
#include <QtTest>

using namespace dawnbell;

namespace {

const int kQuizIds[12] = {1048, 1053, 1047, 1056, 1055, 1052, 1058, 1054, 1051, 1057, 1059, 1060};

// A dialog with children named after control ids.
QWidget* MakeDialog(std::initializer_list<int> ids)
{
    auto* dialog = new QWidget;
    for (const int id : ids) {
        auto* w = new QPushButton(dialog);
        w->setObjectName(QString::number(id));
        w->setGeometry(1, 2, 3, 4);
    }
    return dialog;
}

// The button indexes of a keypad layout read row by row, left to right.
QList<int> ReadingOrder(const DialogLayout& layout)
{
    QList<QPair<QPoint, int>> cells;
    for (int index = 0; index < 12; ++index) {
        QRect r;
        if (!layout.ControlRect(kQuizIds[index], &r))
            return {};
        cells.append({r.topLeft(), index});
    }
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) {
        return a.first.y() != b.first.y() ? a.first.y() < b.first.y() : a.first.x() < b.first.x();
    });
    QList<int> order;
    for (const auto& c : cells)
        order.append(c.second);
    return order;
}

} // namespace

class DialogLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void parseRejectsMalformedData_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("layouts");
        QTest::newRow("array at the top") << QByteArray("[]");
        QTest::newRow("no layouts") << QByteArray("{\"x\":{}}");
        QTest::newRow("layouts not an object") << QByteArray("{\"layouts\":[1]}");
        QTest::newRow("id not a number") << QByteArray("{\"layouts\":{\"abc\":{}}}");
        QTest::newRow("id zero") << QByteArray("{\"layouts\":{\"0\":{}}}");
        QTest::newRow("id negative") << QByteArray("{\"layouts\":{\"-5\":{}}}");
        QTest::newRow("id beyond int") << QByteArray("{\"layouts\":{\"4294967297\":{}}}");
        QTest::newRow("layout not an object") << QByteArray("{\"layouts\":{\"5\":3}}");
        QTest::newRow("three numbers") << QByteArray("{\"layouts\":{\"5\":{\"controls\":{\"1\":[1,2,3]}}}}");
        QTest::newRow("fraction") << QByteArray("{\"layouts\":{\"5\":{\"controls\":{\"1\":[1.5,2,3,4]}}}}");
        QTest::newRow("text coordinate") << QByteArray("{\"layouts\":{\"5\":{\"controls\":{\"1\":[\"1\",2,3,4]}}}}");
        QTest::newRow("negative width") << QByteArray("{\"layouts\":{\"5\":{\"controls\":{\"1\":[1,2,-3,4]}}}}");
        QTest::newRow("huge coordinate") << QByteArray("{\"layouts\":{\"5\":{\"controls\":{\"1\":[1e12,2,3,4]}}}}");
        QTest::newRow("control id with sign") << QByteArray("{\"layouts\":{\"5\":{\"controls\":{\"+1\":[1,2,3,4]}}}}");
        QTest::newRow("bad size") << QByteArray("{\"layouts\":{\"5\":{\"size\":[0,10]}}}");
        QTest::newRow("areas not an object") << QByteArray("{\"layouts\":{\"5\":{\"areas\":[]}}}");
        QTest::newRow("too large") << QByteArray(DialogLayout::kMaxDataBytes + 1, ' ');
    }
    void parseRejectsMalformedData()
    {
        QFETCH(QByteArray, json);
        QMap<int, DialogLayout> layouts;
        layouts.insert(7, DialogLayout());
        QString error;
        QVERIFY(!DialogLayout::Parse(json, &layouts, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(layouts.size(), 1); // untouched on failure
    }

    void parseReadsRectanglesAsXYWidthHeight()
    {
        QMap<int, DialogLayout> layouts;
        QVERIFY(DialogLayout::Parse("{\"layouts\":{\"102\":{\"size\":[240,268],\"controls\":{\"1000\":[10,44,219,138]},"
                                    "\"areas\":{\"prompt\":[-1,0,5,6]}}}}",
                                    &layouts));
        const DialogLayout layout = layouts.value(102);
        QVERIFY(layout.IsValid());
        QCOMPARE(layout.DesignSize(), QSize(240, 268));
        QRect r;
        QVERIFY(layout.ControlRect(1000, &r));
        QCOMPARE(r, QRect(10, 44, 219, 138));
        QVERIFY(layout.AreaRect(QStringLiteral("prompt"), &r));
        QCOMPARE(r, QRect(-1, 0, 5, 6));
        QVERIFY(!layout.ControlRect(1001, &r));
        QVERIFY(!layout.AreaRect(QStringLiteral("title"), &r));
    }

    void scale_data()
    {
        QTest::addColumn<QRect>("design");
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<QRect>("expected");
        const QRect list(10, 44, 219, 138);
        QTest::newRow("96 dpi unchanged") << list << 96 << 96 << list;
        QTest::newRow("192 dpi doubles") << list << 192 << 192 << QRect(20, 88, 438, 276);
        QTest::newRow("144 dpi rounds halves up") << list << 144 << 144 << QRect(15, 66, 329, 207);
        QTest::newRow("x and width follow dpi_x only") << list << 192 << 96 << QRect(20, 44, 438, 138);
        QTest::newRow("y and height follow dpi_y only") << list << 96 << 192 << QRect(10, 88, 219, 276);
        QTest::newRow("131 dpi") << QRect(-5, 17, 1, 3) << 131 << 131 << QRect(-7, 23, 1, 4);
    }
    void scale()
    {
        QFETCH(QRect, design);
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(QRect, expected);
        QCOMPARE(DialogLayout::Scale(design, dpiX, dpiY), expected);

        // Applied to a dialog, the control named after the id lands there.
        QMap<int, DialogLayout> layouts;
        const QByteArray json = QStringLiteral("{\"layouts\":{\"1\":{\"controls\":{\"1000\":[%1,%2,%3,%4]}}}}")
                                    .arg(design.x()).arg(design.y()).arg(design.width()).arg(design.height())
                                    .toLatin1();
        QVERIFY(DialogLayout::Parse(json, &layouts));
        std::unique_ptr<QWidget> dialog(MakeDialog({1000}));
        QVERIFY(layouts.value(1).Apply(dialog.get(), dpiX, dpiY));
        QCOMPARE(DialogLayout::FindControl(dialog.get(), 1000)->geometry(), expected);
    }

    void unknownControlsChangeNothing()
    {
        QMap<int, DialogLayout> layouts;
        QVERIFY(DialogLayout::Parse("{\"layouts\":{\"148\":{\"controls\":{\"1\":[8,56,73,25],\"999\":[0,0,5,5]}}}}",
                                    &layouts));
        const DialogLayout layout = layouts.value(148);
        std::unique_ptr<QWidget> dialog(MakeDialog({1, 2}));
        QWidget* two = DialogLayout::FindControl(dialog.get(), 2);
        // An id the layout does not know.
        QVERIFY(!layout.Place(dialog.get(), 2, 96, 96));
        QCOMPARE(two->geometry(), QRect(1, 2, 3, 4));
        // An id the dialog does not have.
        QVERIFY(!layout.Place(dialog.get(), 999, 96, 96));
        // Apply places what it finds and reports the missing control.
        QVERIFY(!layout.Apply(dialog.get(), 192, 192));
        QCOMPARE(DialogLayout::FindControl(dialog.get(), 1)->geometry(), QRect(16, 112, 146, 50));
        QCOMPARE(two->geometry(), QRect(1, 2, 3, 4));
        // An invalid layout and a null dialog.
        QVERIFY(!DialogLayout().Apply(dialog.get(), 96, 96));
        QVERIFY(!layout.Apply(nullptr, 96, 96));
        QVERIFY(!DialogLayout::FindControl(nullptr, 1));
    }

    void chooseId_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("squareId");
        QTest::addColumn<int>("expected");
        QTest::newRow("portrait") << QSize(240, 320) << 209 << 102;
        QTest::newRow("landscape") << QSize(320, 240) << 209 << 103;
        QTest::newRow("square") << QSize(240, 240) << 209 << 209;
        QTest::newRow("square without a square layout") << QSize(480, 480) << 0 << 103;
    }
    void chooseId()
    {
        QFETCH(QSize, size);
        QFETCH(int, squareId);
        QFETCH(int, expected);
        QCOMPARE(DialogLayout::ChooseId(size, 102, 103, squareId), expected);
    }

    void builtInLayouts_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("controls");
        QTest::newRow("close confirmation") << 148 << QSize(171, 89) << QList<int>{1, 2, 1009, 1024};
        QList<int> keypad(std::begin(kQuizIds), std::end(kQuizIds));
        std::sort(keypad.begin(), keypad.end());
        QTest::newRow("quiz portrait") << 185 << QSize(188, 265) << keypad;
        QTest::newRow("quiz landscape") << 186 << QSize(225, 195) << keypad;
    }
    void builtInLayouts()
    {
        QFETCH(int, id);
        QFETCH(QSize, size);
        QFETCH(QList<int>, controls);
        const DialogLayout layout = DialogLayout::Load(id);
        QVERIFY(layout.IsValid());
        QCOMPARE(layout.DesignSize(), size);
        QCOMPARE(layout.ControlIds(), controls);
        // Every control lies inside the window, and no two overlap.
        const QRect window(QPoint(0, 0), size);
        QList<QRect> rects;
        for (const int control : controls) {
            QRect r;
            QVERIFY(layout.ControlRect(control, &r));
            QVERIFY2(window.contains(r), qPrintable(QString::number(control)));
            for (const QRect& other : rects)
                QVERIFY2(!r.intersects(other), qPrintable(QString::number(control)));
            rects.append(r);
        }
    }

    void quizKeypadsReadInOrder_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QRect>("prompt");
        // Portrait: 1 2 3 / 4 5 6 / 7 8 9 / 10 0 11. Landscape: four columns in
        // which 9 and 10 trade places, so the Repeat labels (index 0 reads "11")
        // still read 1 to 12 once the quiz swaps them back.
        QTest::newRow("portrait") << 185 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 11}
                                  << QRect(QPoint(11, 12), QPoint(188 - 11 - 1, 38 - 1));
        QTest::newRow("landscape") << 186 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 0, 11}
                                   << QRect(QPoint(11, 12), QPoint(225 - 11 - 1, 38 - 1));
    }
    void quizKeypadsReadInOrder()
    {
        QFETCH(int, id);
        QFETCH(QList<int>, order);
        QFETCH(QRect, prompt);
        const DialogLayout layout = DialogLayout::Load(id);
        QCOMPARE(ReadingOrder(layout), order);
        QRect area;
        QVERIFY(layout.AreaRect(QStringLiteral("prompt"), &area));
        QCOMPARE(area, prompt);
        for (const int control : layout.ControlIds()) {
            QRect r;
            layout.ControlRect(control, &r);
            QVERIFY(!r.intersects(area));
        }
    }

    void unknownLayoutIsInvalid()
    {
        QVERIFY(!DialogLayout::Load(1).IsValid());
        QVERIFY(!DialogLayout::Load(-148).IsValid());
        QVERIFY(!DialogLayout::Load(1).ScaledSize(96, 96).isValid());
    }

    void scaledSize()
    {
        const DialogLayout layout = DialogLayout::Load(148);
        QCOMPARE(layout.ScaledSize(96, 96), QSize(171, 89));
        QCOMPARE(layout.ScaledSize(192, 192), QSize(342, 178));
        QCOMPARE(layout.ScaledSize(131, 131), QSize(233, 121));
    }
};

QTEST_MAIN(DialogLayoutTest)
#include "DialogLayoutTest.moc"

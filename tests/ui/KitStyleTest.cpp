#include "ColorHelpers.h"
#include "KitArrowButton.h"
#include "KitPainter.h"
#include "KitStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

using namespace dawnbell;

namespace {

uint32_t Pixel(const QImage& image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

QImage Canvas(int w, int h, uint32_t fill)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ToQColor(fill));
    return image;
}

// Whether any pixel of `image` within `area` has exactly `color`.
bool HasColor(const QImage& image, const QRect& area, uint32_t color)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Pixel(image, x, y) == color)
                return true;
    return false;
}

// Whether two colours differ by at most `tolerance` in every channel.
bool Near(uint32_t a, uint32_t b, int tolerance = 4)
{
    for (int s = 0; s < 24; s += 8)
        if (qAbs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance)
            return false;
    return true;
}

QImage Render(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class KitStyleTest : public QObject {
    Q_OBJECT
private slots:
    void palette_data()
    {
        QTest::addColumn<uint>("background");
        QTest::addColumn<uint>("text");
        QTest::newRow("light") << uint(0x00F0E6DC) << uint(0x00402010);
        QTest::newRow("dark") << uint(0x00301810) << uint(0x00E0F0FF);
        QTest::newRow("high byte dropped") << uint(0xFF000000) << uint(0x7F00FF00);
    }
    void palette()
    {
        QFETCH(uint, background);
        QFETCH(uint, text);
        const uint32_t bg = background & 0xFFFFFF, fg = text & 0xFFFFFF;
        const QPalette pal = KitPalette(background, text);
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base, QPalette::HighlightedText})
                QCOMPARE(FromQColor(pal.color(group, role)), bg);
            for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text, QPalette::Highlight})
                QCOMPARE(FromQColor(pal.color(group, role)), fg);
        }
        // Disabled text is greyed to the mean of the two colours; the background stays.
        for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            QCOMPARE(FromQColor(pal.color(QPalette::Disabled, role)), Average(bg, fg));
        QCOMPARE(FromQColor(pal.color(QPalette::Disabled, QPalette::Window)), bg);
    }

    void applyKitColorsReachesChildren()
    {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("OK"), &window);
        auto* own = new QLabel(QStringLiteral("own"), &window);
        ApplyKitColors(own, 0x000000FF, 0x0000FF00);
        ApplyKitColors(&window, 0x00123456, 0x00ABCDEF);
        QVERIFY(qobject_cast<KitStyle*>(QApplication::style()));
        QCOMPARE(KitBackground(&window), 0x00123456u);
        QCOMPARE(KitText(&window), 0x00ABCDEFu);
        QCOMPARE(KitBackground(button), 0x00123456u);
        QCOMPARE(KitText(button), 0x00ABCDEFu);
        // A child given colours of its own keeps them.
        QCOMPARE(KitBackground(own), 0x000000FFu);
        // Children created later follow too.
        auto* late = new QCheckBox(QStringLiteral("late"), &window);
        QCOMPARE(KitText(late), 0x00ABCDEFu);
        // The drop-down list of a combo box is a window of its own; it follows too.
        auto* combo = new QComboBox(&window);
        combo->addItem(QStringLiteral("Red"));
        combo->ensurePolished();
        QCOMPARE(FromQColor(combo->view()->palette().color(QPalette::Base)), 0x00123456u);
        // Changing the window's colours again reaches every child.
        ApplyKitColors(&window, 0x00000000, 0x00FFFFFF);
        QCOMPARE(KitBackground(button), 0u);
        ApplyKitColors(nullptr, 0, 0); // ignored
        QCOMPARE(KitStyle::Install(), qobject_cast<KitStyle*>(QApplication::style())); // installed once
    }

    // The kit paints with the window's colours, not the platform's.
    void buttonFaceUsesTheWindowColours_data()
    {
        QTest::addColumn<uint>("background");
        QTest::addColumn<uint>("text");
        QTest::newRow("light") << uint(0x00E0E0E0) << uint(0x00200000);
        QTest::newRow("dark") << uint(0x00400000) << uint(0x0000FFFF);
    }
    void buttonFaceUsesTheWindowColours()
    {
        QFETCH(uint, background);
        QFETCH(uint, text);
        QWidget window;
        ApplyKitColors(&window, background, text);
        auto* button = new QPushButton(QString(), &window);
        button->setGeometry(0, 0, 60, 30);
        const QImage normal = Render(button);
        // The face is a gradient from the colour (top) to its shade (bottom).
        const uint32_t shade = IsDark(background) ? Lighten(background, KitStyle::kShade)
                                                  : Darken(background, KitStyle::kShade);
        const auto near = [](uint32_t a, uint32_t b) { return Near(a, b, 6); };
        QVERIFY2(near(Pixel(normal, 30, 3), background), qPrintable(QString::number(Pixel(normal, 30, 3), 16)));
        QVERIFY2(near(Pixel(normal, 30, 26), shade), qPrintable(QString::number(Pixel(normal, 30, 26), 16)));
        // Pressed reverses the gradient.
        button->setDown(true);
        const QImage pressed = Render(button);
        QVERIFY(near(Pixel(pressed, 30, 3), shade));
        QVERIFY(near(Pixel(pressed, 30, 26), background));
    }

    void disabledTextIsGreyed()
    {
        QWidget window;
        ApplyKitColors(&window, 0x00FFFFFF, 0x00000000);
        auto* button = new QPushButton(QStringLiteral("MMMM"), &window);
        button->setGeometry(0, 0, 80, 30);
        const QRect inside(6, 6, 68, 18);
        QVERIFY(HasColor(Render(button), inside, 0x00000000));
        button->setEnabled(false);
        const QImage disabled = Render(button);
        QVERIFY(!HasColor(disabled, inside, 0x00000000));
        QVERIFY(HasColor(disabled, inside, Average(0x00FFFFFF, 0)));
    }

    void checkBoxIsFingerSizedAndShowsItsState()
    {
        QWidget window;
        ApplyKitColors(&window, 0x00FFFFFF, 0x00000000);
        auto* box = new QCheckBox(QString(), &window);
        box->resize(box->sizeHint());
        QVERIFY(box->height() >= 18);
        const QImage off = Render(box);
        box->setChecked(true);
        const QImage on = Render(box);
        QVERIFY(off != on);
        // The tick is drawn in the text colour in the middle of the box.
        QVERIFY(HasColor(on, QRect(5, 5, 8, 8), 0x00000000));
        QVERIFY(!HasColor(off, QRect(5, 5, 8, 8), 0x00000000));
    }

    void arrowButton_data()
    {
        QTest::addColumn<int>("arrow");
        QTest::addColumn<QRect>("arrowSide");  // where the arrow's broad end lies
        QTest::addColumn<QRect>("pointSide");  // beside the tip, where the arrow is narrow
        QTest::newRow("left") << int(Qt::LeftArrow) << QRect(16, 10, 4, 10) << QRect(12, 9, 3, 3);
        QTest::newRow("up") << int(Qt::UpArrow) << QRect(10, 16, 10, 4) << QRect(9, 12, 3, 3);
    }
    void arrowButton()
    {
        QFETCH(int, arrow);
        QFETCH(QRect, arrowSide);
        QFETCH(QRect, pointSide);
        QWidget window;
        ApplyKitColors(&window, 0x00FFFFFF, 0x00000000);
        auto* button = new KitArrowButton(Qt::ArrowType(arrow), &window);
        button->setGeometry(0, 0, 30, 30);
        const QImage normal = Render(button);
        QVERIFY(HasColor(normal, arrowSide, 0x00000000));
        QVERIFY(!HasColor(normal, pointSide, 0x00000000));
        button->setDown(true);
        QVERIFY(Render(button) != normal); // pressed look
        button->setDown(false);
        button->setEnabled(false);
        const QImage disabled = Render(button);
        QVERIFY(!HasColor(disabled, QRect(5, 5, 20, 20), 0x00000000));
        QVERIFY(HasColor(disabled, arrowSide, Average(0x00FFFFFF, 0)));
    }

    void windowBackgroundGradient_data()
    {
        QTest::addColumn<uint>("base");
        QTest::addColumn<uint>("top");
        QTest::newRow("light base darkens") << uint(0x00C0C0C0) << uint(0x00707070);
        QTest::newRow("dark base lightens") << uint(0x00200000) << uint(0x00705050);
        QTest::newRow("white") << uint(0x00FFFFFF) << uint(0x00AFAFAF);
    }
    void windowBackgroundGradient()
    {
        QFETCH(uint, base);
        QFETCH(uint, top);
        QImage image = Canvas(10, 100, 0x000000FF);
        {
            QPainter painter(&image);
            PaintWindowBackground(painter, image.rect(), base, 0x50);
        }
        QCOMPARE(Pixel(image, 5, 0), top);
        QCOMPARE(Pixel(image, 5, 99), base);
        QCOMPARE(Pixel(image, 0, 50), Pixel(image, 9, 50)); // vertical only
    }

    void cutFrameLeavesCornersOut()
    {
        QImage image = Canvas(20, 10, 0x00FFFFFF);
        {
            QPainter painter(&image);
            PaintCutFrame(painter, image.rect(), 0x000000FF, 0x0000FF00);
        }
        QCOMPARE(Pixel(image, 0, 0), 0x00FFFFFFu);   // outer corner cut
        QCOMPARE(Pixel(image, 19, 9), 0x00FFFFFFu);
        QCOMPARE(Pixel(image, 1, 0), 0x000000FFu);   // outer edge
        QCOMPARE(Pixel(image, 0, 5), 0x000000FFu);
        QCOMPARE(Pixel(image, 1, 1), 0x00FFFFFFu);   // inner corner cut
        QCOMPARE(Pixel(image, 2, 1), 0x0000FF00u);   // inner edge
        QCOMPARE(Pixel(image, 18, 5), 0x0000FF00u);
        QCOMPARE(Pixel(image, 10, 5), 0x00FFFFFFu);  // inside untouched
    }

    void titleArea()
    {
        QImage image = Canvas(40, 40, 0x000000FF);
        const uint32_t base = 0x00C0C0C0, shade = GradientShade(base, 80);
        {
            QPainter painter(&image);
            PaintTitleArea(painter, QRect(0, 0, 40, 40), base, 80);
        }
        QCOMPARE(Pixel(image, 20, 0), shade);                  // outer outline
        QCOMPARE(Pixel(image, 20, 1), base);                   // inner outline
        QVERIFY(Near(Pixel(image, 20, 2), base));                   // gradient from the base colour
        QVERIFY(Near(Pixel(image, 20, 37), Average(shade, base)));  // to the mean
        QCOMPARE(Pixel(image, 20, 38), base);                  // inner outline at the bottom
        QCOMPARE(Pixel(image, 0, 0), 0x000000FFu);             // corner cut
    }

    void borderedText_data()
    {
        QTest::addColumn<bool>("border");
        QTest::newRow("with border") << true;
        QTest::newRow("without border") << false;
    }
    void borderedText()
    {
        QFETCH(bool, border);
        QImage image = Canvas(60, 30, 0x00808080);
        {
            QPainter painter(&image);
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
            DrawBorderedText(painter, image.rect(), Qt::AlignCenter, QStringLiteral("I"), 0x00000000, 0x00FFFFFF,
                             border);
        }
        QVERIFY(HasColor(image, image.rect(), 0x00000000));
        QCOMPARE(HasColor(image, image.rect(), 0x00FFFFFF), border);
    }

    void centeredTextBand_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("textHeight");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<QRect>("band");
        QTest::newRow("fits: centred") << QRect(0, 10, 100, 50) << 20 << 10 << QRect(0, 25, 100, 20);
        QTest::newRow("exact") << QRect(0, 0, 100, 30) << 30 << 10 << QRect(0, 0, 100, 30);
        QTest::newRow("too tall: whole lines") << QRect(0, 0, 100, 35) << 60 << 10 << QRect(0, 2, 100, 30);
        QTest::newRow("one line at least") << QRect(0, 0, 100, 5) << 30 << 10 << QRect(0, -2, 100, 10);
        QTest::newRow("zero line height") << QRect(0, 0, 100, 5) << 30 << 0 << QRect(0, 0, 100, 5);
    }
    void centeredTextBand()
    {
        QFETCH(QRect, rect);
        QFETCH(int, textHeight);
        QFETCH(int, lineHeight);
        QFETCH(QRect, band);
        QCOMPARE(CenteredTextBand(rect, textHeight, lineHeight), band);
    }

    void hiddenLabel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("skipDisabled");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("text") << QStringLiteral("Alarm") << true << true << true;
        QTest::newRow("empty text is skipped") << QString() << true << false << false;
        QTest::newRow("disabled and skipped") << QStringLiteral("Alarm") << false << true << false;
        QTest::newRow("disabled but painted") << QStringLiteral("Alarm") << false << false << true;
    }
    void hiddenLabel()
    {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QFETCH(bool, skipDisabled);
        QFETCH(bool, drawn);
        QWidget window;
        window.resize(100, 60);
        auto* holder = new QWidget(&window);
        holder->setGeometry(50, 0, 50, 60);
        auto* label = new QLabel(text, holder);
        label->setGeometry(0, 20, 50, 30); // at (50, 20) in the window
        label->setAlignment(Qt::AlignCenter);
        label->setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        label->setEnabled(enabled);
        label->hide();
        QImage image = Canvas(100, 60, 0x00808080);
        HiddenLabelStyle style;
        style.background = 0x00FFFFFF;
        style.text = 0x00000000;
        {
            QPainter painter(&image);
            QCOMPARE(PaintHiddenLabel(painter, &window, label, style, skipDisabled), drawn);
        }
        QCOMPARE(HasColor(image, QRect(50, 20, 50, 30), 0x00000000), drawn);
        QVERIFY(!HasColor(image, QRect(0, 0, 48, 60), 0x00000000)); // nothing outside the label
    }

    void framedHiddenLabelGetsADoubleFrame()
    {
        QWidget window;
        window.resize(40, 40);
        auto* label = new QLabel(QStringLiteral("x"), &window);
        label->setGeometry(5, 5, 30, 30);
        label->setFrameShape(QFrame::Box);
        label->hide();
        QImage image = Canvas(40, 40, 0x000000FF);
        HiddenLabelStyle style;
        style.background = 0x00C0C0C0;
        style.text = 0x00000000;
        {
            QPainter painter(&image);
            PaintHiddenLabel(painter, &window, label, style);
        }
        QCOMPARE(Pixel(image, 15, 5), GradientShade(0x00C0C0C0, 0x50)); // outer outline
        QCOMPARE(Pixel(image, 15, 6), 0x00C0C0C0u);                       // inner outline
        QCOMPARE(Pixel(image, 5, 5), 0x000000FFu);                        // corner cut
    }
};

QTEST_MAIN(KitStyleTest)
#include "KitStyleTest.moc"

#include "ColorHelpers.h"
#include "KitDialog.h"
#include "KitStyle.h"
#include "KitTextFit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

using namespace dawnbell;

Q_DECLARE_METATYPE(KitTextFit::Outcome)

namespace {

constexpr uint32_t kBack = 0x00FFFFFF;
constexpr uint32_t kInk = 0x00000000;

// A kit window with one control of kind `control` ("label", "button" or
// "hidden label") showing `text` in `font`, at (10, 10) with a text area of
// `areaWidth` pixels.
struct Sample {
    KitDialog window;
    QWidget* widget = nullptr;

    Sample(const QString& control, const QString& text, const QFont& font, int areaWidth)
    {
        window.SetKitColors(kBack, kInk);
        window.SetEdgeFrame(false);
        window.resize(400, 60);
        if (control == QLatin1String("button")) {
            widget = new QPushButton(text, &window);
        } else {
            auto* label = new QLabel(text, &window);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            if (control == QLatin1String("hidden label"))
                label->hide();
            widget = label;
        }
        widget->setFocusPolicy(Qt::NoFocus);
        widget->setFont(font);
        widget->setGeometry(10, 10, 300, 30);
        const int frame = widget->width() - KitStyle::TextArea(widget).width(); // a button's frame and margins
        widget->resize(areaWidth + frame, 30);
        window.show();
    }
    // The control as drawn, in window pixels.
    QImage Picture() { return window.grab(widget->geometry()).toImage(); }
};

} // namespace

class KitTextFitTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { KitStyle::Install(); }

    // The kit's one rule on its three text paths: a standard label and push
    // button (drawn by the style) and a hidden label the window paints.
    void fitRule_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("room"); // text area: 0 roomy, 1 between the two fonts, 2 too narrow for either
        QTest::addColumn<KitTextFit::Outcome>("outcome");
        const char* controls[] = {"label", "button", "hidden label"};
        for (const char* control : controls) {
            QTest::addRow("%s: fits", control) << QString::fromLatin1(control) << 0 << KitTextFit::AsIs;
            QTest::addRow("%s: smaller font", control) << QString::fromLatin1(control) << 1 << KitTextFit::Smaller;
            QTest::addRow("%s: elided with tooltip", control) << QString::fromLatin1(control) << 2 << KitTextFit::Elided;
        }
    }
    void fitRule()
    {
        QFETCH(QString, control);
        QFETCH(int, room);
        QFETCH(KitTextFit::Outcome, outcome);
        const QString text = QStringLiteral("Zuf\u00E4llige Reihenfolge");
        const QFont font(QStringLiteral("DejaVu Sans"), 9);
        const QFont smaller = KitTextFit::SmallerFont(font);
        QCOMPARE(smaller.pointSizeF(), 7.0);
        const int normalWidth = QFontMetrics(font).horizontalAdvance(text);
        const int smallWidth = QFontMetrics(smaller).horizontalAdvance(text);
        QVERIFY(smallWidth + 4 < normalWidth);
        const int areaWidth = room == 0 ? normalWidth + 2 : room == 1 ? (normalWidth + smallWidth) / 2 : smallWidth / 2;

        Sample sample(control, text, font, areaWidth);
        QWidget* widget = sample.widget;
        QCOMPARE(KitStyle::TextArea(widget).width(), areaWidth);
        KitTextFit::ForgetDrawn();
        const QImage picture = sample.Picture();
        KitTextFit::Drawn drawn;
        QVERIFY(KitTextFit::LastDrawn(widget, &drawn));
        QCOMPARE(drawn.outcome, outcome);
        QCOMPARE(drawn.fullText, text);
        QCOMPARE(drawn.font.pointSizeF(), outcome == KitTextFit::AsIs ? 9.0 : 7.0);
        QVERIFY(KitTextFit::Fits(drawn.text, drawn.font, drawn.area.size(), drawn.flags));
        if (outcome == KitTextFit::Elided) {
            // Both ends stay, the middle gives way to one ellipsis.
            QVERIFY2(drawn.text.startsWith(QStringLiteral("Zuf")) && drawn.text.endsWith(QLatin1Char('e'))
                         && drawn.text.count(QChar(0x2026)) == 1 && drawn.text.size() < text.size(),
                     qPrintable(drawn.text));
            QCOMPARE(widget->toolTip(), text);
            QCOMPARE(widget->accessibleName(), text);
            if (widget->isHidden()) {
                // The window shows a hidden label's tooltip over the label's place.
                const QPoint at = widget->geometry().center();
                QHelpEvent help(QEvent::ToolTip, at, sample.window.mapToGlobal(at));
                QApplication::sendEvent(&sample.window, &help);
                QCOMPARE(QToolTip::text(), text);
                QToolTip::hideText();
            }
        } else {
            QCOMPARE(drawn.text, text);
            QVERIFY(widget->toolTip().isEmpty());
            QVERIFY(widget->accessibleName().isEmpty());
        }
        // What is seen is what was recorded: the same control given the drawn
        // text and font looks the same.
        Sample reference(control, drawn.text, drawn.font, areaWidth);
        QCOMPARE(picture, reference.Picture());

        // Given room again, the text is whole and the borrowed tooltip and name go;
        // a tooltip the window set itself is never touched.
        const int frame = widget->width() - areaWidth;
        widget->resize(normalWidth + frame + 2, 30);
        sample.Picture();
        QVERIFY(KitTextFit::LastDrawn(widget, &drawn));
        QCOMPARE(drawn.outcome, KitTextFit::AsIs);
        QVERIFY(widget->toolTip().isEmpty());
        QVERIFY(widget->accessibleName().isEmpty());
        widget->setToolTip(QStringLiteral("Plays the list shuffled"));
        widget->resize(areaWidth + frame, 30);
        sample.Picture();
        QCOMPARE(widget->toolTip(), QStringLiteral("Plays the list shuffled"));
    }
};

QTEST_MAIN(KitTextFitTest)
#include "KitTextFitTest.moc"

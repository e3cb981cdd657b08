#include "KitFont.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QtTest>

using namespace dawnbell;

namespace {

// Whether `text` in `font` wrapped at the inner width fits the inner rectangle
// (rect shrunk by u) less 3 pixels, the rule the fitted font works to.
bool FitsInside(const QFont& font, const QString& text, const QRect& rect, int u)
{
    const QRect inner = rect.adjusted(u, u, -u, -u);
    const QRect measured = QFontMetrics(font).boundingRect(QRect(0, 0, inner.width(), 1 << 20),
                                                           Qt::AlignHCenter | Qt::TextWordWrap, text);
    return measured.width() <= inner.width() - 3 && measured.height() <= inner.height() - 3;
}

} // namespace

class KitFontTest : public QObject {
    Q_OBJECT
private slots:
    void kitFontAsksForTahomaAndFindsAFace()
    {
        const QFont font = KitFont(22);
        QCOMPARE(font.families().value(0), QStringLiteral("Tahoma"));
        QVERIFY(font.families().size() >= 2); // a fallback face follows
        QCOMPARE(FontTenths(font), 220);
        QVERIFY(!QFontInfo(font).family().isEmpty());
        QCOMPARE(FontTenths(KitFontTenths(295)), 295);
    }

    void fitsAndIsTheLargestStep_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("u");
        QTest::newRow("one word, title label") << QStringLiteral("Wake") << QRect(4, 40, 232, 50) << 2;
        QTest::newRow("one long word") << QStringLiteral("Supercalifragilistic") << QRect(0, 0, 232, 50) << 2;
        QTest::newRow("digits, quiz prompt") << QStringLiteral("123 + 456") << QRect(11, 12, 166, 26) << 2;
        QTest::newRow("double density") << QStringLiteral("Morning") << QRect(8, 80, 464, 100) << 4;
        QTest::newRow("narrow and tall") << QStringLiteral("X") << QRect(0, 0, 30, 300) << 2;
    }
    // Single words wrap nowhere, so fitting is monotonic in the size: the
    // result must fit, and the next size up (5 tenths) must not, unless the
    // search reached its ceiling.
    void fitsAndIsTheLargestStep()
    {
        QFETCH(QString, text);
        QFETCH(QRect, rect);
        QFETCH(int, u);
        const QFont font = FitFont(text, rect, u);
        const int tenths = FontTenths(font);
        QVERIFY(tenths >= kFitFontMinTenths);
        QCOMPARE(tenths % 5, 0);
        QVERIFY2(FitsInside(font, text, rect, u), qPrintable(QString::number(tenths)));
        if (tenths < 505)
            QVERIFY2(!FitsInside(KitFontTenths(tenths + 5), text, rect, u), qPrintable(QString::number(tenths)));
    }

    void longTextGetsASmallerFont()
    {
        const QRect rect(0, 0, 232, 100);
        const int shortText = FontTenths(FitFont(QStringLiteral("Alarm"), rect, 2));
        const int longText = FontTenths(FitFont(
            QStringLiteral("Take the blue folder, the keys and the train ticket for the meeting in town"), rect, 2));
        QVERIFY2(longText < shortText, qPrintable(QStringLiteral("%1 vs %2").arg(longText).arg(shortText)));
        QVERIFY(FitsInside(KitFontTenths(longText), QStringLiteral("Take the blue folder, the keys and the train "
                                                                   "ticket for the meeting in town"), rect, 2));
    }

    void wrappedTextFits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("two lines") << QStringLiteral("Good morning");
        QTest::newRow("sentence") << QStringLiteral("Remember to water the plants before leaving");
        QTest::newRow("line feed") << QStringLiteral("Dentist\n10:30");
    }
    void wrappedTextFits()
    {
        QFETCH(QString, text);
        const QRect rect(0, 0, 236, 120);
        const QFont font = FitFont(text, rect, 2);
        QVERIFY(FitsInside(font, text, rect, 2));
        QVERIFY(FontTenths(font) > kFitFontMinTenths);
    }

    void neverBelowTheMinimum_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::newRow("tiny") << QRect(0, 0, 10, 8);
        QTest::newRow("smaller than the margins") << QRect(0, 0, 4, 4);
        QTest::newRow("empty") << QRect();
    }
    void neverBelowTheMinimum()
    {
        QFETCH(QRect, rect);
        QCOMPARE(FontTenths(FitFont(QStringLiteral("A rather long text that cannot fit"), rect, 2)), kFitFontMinTenths);
    }

    void shortTextInAWideBoxGrowsPastTheStart()
    {
        // The search raises the size after each fitting step, so a small text
        // in a large box ends above the 300 start (at most 505: the last size measured).
        const int tenths = FontTenths(FitFont(QStringLiteral("7"), QRect(0, 0, 600, 600), 2));
        QVERIFY(tenths > kFitFontStartTenths);
        QCOMPARE(tenths, 505);
    }
};

QTEST_MAIN(KitFontTest)
#include "KitFontTest.moc"

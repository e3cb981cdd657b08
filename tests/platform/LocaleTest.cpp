#include "Locale.h"

#include <QtTest>

using namespace dawnbell;

class LocaleTest : public QObject {
    Q_OBJECT
private slots:
    void qtToPicture_data()
    {
        QTest::addColumn<QString>("qt");
        QTest::addColumn<QString>("picture");
        QTest::newRow("24h") << "HH:mm" << "HH:mm";
        QTest::newRow("am/pm") << "h:mm AP" << "h:mm tt";
        QTest::newRow("lower am/pm") << "h:mm ap" << "h:mm tt";
        QTest::newRow("zone dropped") << "HH:mm:ss t" << "HH:mm:ss";
        QTest::newRow("quoted t kept") << "H 'tt' mm" << "H 'tt' mm";
    }
    void qtToPicture()
    {
        QFETCH(QString, qt);
        QFETCH(QString, picture);
        QCOMPARE(QtFormatToPicture(qt), picture);
    }

    void stripSeconds_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("none") << "HH:mm" << "HH:mm";
        QTest::newRow("24h") << "HH:mm:ss" << "HH:mm";
        QTest::newRow("am/pm") << "h:mm:ss tt" << "h:mm tt";
        QTest::newRow("single s") << "H.mm.s" << "H.mm";
    }
    void stripSeconds()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(StripSeconds(in), out);
    }

    void shortTimeHasNoSeconds()
    {
        QVERIFY(!LocaleShortTimeFormat().contains(QLatin1Char('s')));
    }

    void languageIdOverride_data()
    {
        QTest::addColumn<QByteArray>("env");
        QTest::addColumn<int>("id");
        QTest::newRow("decimal") << QByteArray("1031") << 1031;
        QTest::newRow("hex") << QByteArray("0x040c") << 0x040c;
    }
    void languageIdOverride()
    {
        QFETCH(QByteArray, env);
        QFETCH(int, id);
        qputenv("DAWNBELL_LANGID", env);
        QCOMPARE(PlatformLanguageId(), id);
        qunsetenv("DAWNBELL_LANGID");
    }
};

QTEST_GUILESS_MAIN(LocaleTest)
#include "LocaleTest.moc"

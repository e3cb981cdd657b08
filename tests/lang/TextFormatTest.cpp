#include "LanguageTable.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QtTest>

using namespace dawnbell;

namespace {

QList<TextArg> ToArgs(const QVariantList& values)
{
    QList<TextArg> args;
    for (const QVariant& v : values) {
        if (v.typeId() == QMetaType::QString)
            args.append(TextArg(v.toString()));
        else
            args.append(TextArg(v.toLongLong()));
    }
    return args;
}

} // namespace

class TextFormatTest : public QObject {
    Q_OBJECT
private slots:
    void format_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("expected");

        const QString s = QStringLiteral("x");
        QTest::newRow("one string") << "Next alarm: %s" << QVariantList{QStringLiteral("5 h 3 min")}
                                    << "Next alarm: 5 h 3 min";
        QTest::newRow("two strings in order") << "%s and %s" << QVariantList{QStringLiteral("a"), QStringLiteral("b")}
                                              << "a and b";
        QTest::newRow("numbers") << "%d of %d" << QVariantList{-2, 10} << "-2 of 10";
        QTest::newRow("64-bit number") << "%d s" << QVariantList{qint64(5000000000)} << "5000000000 s";
        QTest::newRow("mixed kinds") << "%s: %d" << QVariantList{s, 7} << "x: 7";
        QTest::newRow("missing second argument") << "%s and %s" << QVariantList{s} << "x and %s";
        QTest::newRow("no arguments at all") << "%s %d" << QVariantList{} << "%s %d";
        QTest::newRow("kind mismatch stays literal") << "%d then %s" << QVariantList{s, 7} << "%d then x";
        QTest::newRow("number never fills %s") << "%s" << QVariantList{7} << "%s";
        QTest::newRow("extra arguments ignored") << "plain" << QVariantList{s, 1} << "plain";
        QTest::newRow("double percent") << "100%% sure" << QVariantList{} << "100% sure";
        QTest::newRow("double percent before s") << "%%s" << QVariantList{s} << "%s";
        QTest::newRow("stray percent") << "50% off" << QVariantList{} << "50% off";
        QTest::newRow("trailing percent") << "at 100%" << QVariantList{s} << "at 100%";
        QTest::newRow("lone percent") << "%" << QVariantList{s} << "%";
        QTest::newRow("dangerous directives literal")
            << "%n%x%p%99999s%-5d%ls%S%i%c%.3s%*d" << QVariantList{s, 1} << "%n%x%p%99999s%-5d%ls%S%i%c%.3s%*d";
        QTest::newRow("value not rescanned") << "[%s] %d" << QVariantList{QStringLiteral("%s%d%n"), 1}
                                             << "[%s%d%n] 1";
        QTest::newRow("empty value") << "<%s>" << QVariantList{QString()} << "<>";
        QTest::newRow("non-ASCII") << QStringLiteral("Prochaine alarme : %s") << QVariantList{QStringLiteral("2 h")}
                                   << QStringLiteral("Prochaine alarme : 2 h");
        QTest::newRow("upper-case conversions are not ours") << "%S %D" << QVariantList{s, 1} << "%S %D";
    }
    void format()
    {
        QFETCH(QString, pattern);
        QFETCH(QVariantList, args);
        QFETCH(QString, expected);
        QCOMPARE(FormatText(pattern, ToArgs(args)), expected);
    }

    void initializerListOverload()
    {
        QCOMPARE(FormatText(QStringLiteral("%s/%d/%s"), {QStringLiteral("a"), 2, "c"}), QStringLiteral("a/2/c"));
        QCOMPARE(FormatText(QStringLiteral("%d%%"), {50u}), QStringLiteral("50%"));
    }

    // A translated text is filled through the text lookup, and a hostile
    // translation cannot make the filling read a value it was not given.
    void translatedTextIsFilledSafely_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("expected");
        QTest::newRow("translated") << QByteArray("<s54>Prochaine alarme : %s</s54>")
                                    << QStringLiteral("Prochaine alarme : 4 min");
        QTest::newRow("hostile") << QByteArray("<s54>%n%s%s%99999999s%x</s54>") << QStringLiteral("%n4 min%s%99999999s%x");
        QTest::newRow("no placeholder") << QByteArray("<s54>Bald</s54>") << QStringLiteral("Bald");
    }
    void translatedTextIsFilledSafely()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QString, expected);
        LanguageTable table;
        QCOMPARE(table.LoadFromBytes("<lang><Stringtable>" + entry + "</Stringtable></lang>"),
                 LanguageTable::LoadResult::Loaded);
        table.InstallAsTextProvider();
        QCOMPARE(FormatTextId(54, {QStringLiteral("4 min")}), expected);
    }
};

QTEST_GUILESS_MAIN(TextFormatTest)
#include "TextFormatTest.moc"

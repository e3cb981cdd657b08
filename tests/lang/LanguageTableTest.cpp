#include "BuiltinStrings.h"
#include "LanguageTable.h"
#include "Profile.h"
#include "Registry.h"
#include "TempHome.h"
#include "Texts.h"
#include "XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <memory>

using namespace dawnbell;
using Result = LanguageTable::LoadResult;

Q_DECLARE_METATYPE(LanguageTable::LoadResult)

namespace {

const QString kBinaryMessage = QStringLiteral("Error reading XML-file (may contain binary data)");
const QString kParseMessage = QStringLiteral("Error parsing XML-file (may not be well formated)");
const QString kUnchanged = QStringLiteral("(unchanged)");

QByteArray Utf16File(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray Table(const QByteArray& entries)
{
    return "<?xml version=\"1.0\"?>\r\n<lang>\r\n<Stringtable>" + entries + "</Stringtable>\r\n</lang>\r\n";
}

QByteArray Nested(int depth)
{
    return QByteArray("<x>").repeated(depth) + QByteArray("</x>").repeated(depth);
}

int Count(const QString& text, const char* what)
{
    return static_cast<int>(text.count(QLatin1String(what)));
}

} // namespace

class LanguageTableTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
        m_program = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home.isValid() && m_program->isValid());
        qputenv("DAWNBELL_AUTO_ANSWER", "ok");
        qputenv("DAWNBELL_MSGBOX_RECORD", m_home.filePath(QStringLiteral("boxes.txt")).toUtf8());
        QVERIFY(QDir(m_program->path()).mkdir(QStringLiteral("languages")));
        for (const char* name : {"todayString0", "todayString1", "todayString3", "todayString4", "todayString5", "todayString6"})
            Profile::WriteText(QStringLiteral("settings"), QString::fromLatin1(name), kUnchanged);
    }
    void cleanup()
    {
        m_home.Close();
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
    }

    void loadOutcome_data()
    {
        QTest::addColumn<bool>("haveFile");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Result>("result");
        QTest::addColumn<QString>("message");

        QTest::newRow("no file") << false << QByteArray() << Result::NoFile << QString();
        QTest::newRow("no string table") << true << QByteArray("<lang><other/></lang>") << Result::Loaded
                                         << QString();
        QTest::newRow("entries") << true << Table("<s3>Rest</s3>") << Result::Loaded << QString();
        QTest::newRow("zero byte early") << true << QByteArray("<lang/>\0", 8) + QByteArray(100, 'x')
                                         << Result::BinaryData << kBinaryMessage;
        QTest::newRow("zero character early, UTF-16")
            << true << Utf16File(QStringLiteral("<lang/>") + QChar(0) + QString(100, QLatin1Char('x')))
            << Result::BinaryData << kBinaryMessage;
        QTest::newRow("too large") << true
                                   << QByteArray("<lang>") + QByteArray(LanguageTable::kMaxFileSize - 12, ' ')
                                          + QByteArray("</lang>")
                                   << Result::BinaryData << kBinaryMessage;
        QTest::newRow("mismatched end tag") << true << Table("<s3>x</s4>") << Result::NotWellFormed << kParseMessage;
        QTest::newRow("empty file") << true << QByteArray() << Result::NotWellFormed << kParseMessage;
        QTest::newRow("only a byte-order mark") << true << QByteArray("\xFF\xFE") << Result::NotWellFormed
                                                << kParseMessage;
        QTest::newRow("hostile nesting") << true << Table(Nested(100000)) << Result::NotWellFormed << kParseMessage;
        QTest::newRow("hostile format directives")
            << true << QByteArray("<a%n%s%x%99999s></b>") << Result::NotWellFormed << kParseMessage;
    }
    void loadOutcome()
    {
        QFETCH(bool, haveFile);
        QFETCH(QByteArray, file);
        QFETCH(Result, result);
        QFETCH(QString, message);
        if (haveFile)
            WriteLanguage(QStringLiteral("test"), file);

        LanguageTable table;
        QCOMPARE(table.Load(m_program->path(), QStringLiteral("test")), result);

        const bool failed = result == Result::BinaryData || result == Result::NotWellFormed;
        QCOMPARE(Recorded(), failed ? QStringList{QStringLiteral("Fehler\t") + message} : QStringList());
        const QStringList english{BuiltinString(149), BuiltinString(150), BuiltinString(157),
                                  BuiltinString(158), QStringLiteral("Yes"),   QStringLiteral("No")};
        QCOMPARE(TodayTexts(), failed ? QStringList(6, kUnchanged) : english);
        if (failed) {
            QVERIFY(table.Entries().isEmpty());
            QCOMPARE(table.Text(3), BuiltinString(3));
        }
    }

    void binaryDataThreshold_data()
    {
        QTest::addColumn<bool>("utf16");
        QTest::addColumn<int>("zeroAt"); // character index of the zero
        QTest::addColumn<int>("length"); // characters in the file (without byte-order mark)
        QTest::addColumn<bool>("rejected");

        // 8-bit: 200 bytes, so texts shorter than 200 / 2 - 20 = 80 are refused.
        QTest::newRow("ansi, zero at 79") << false << 79 << 200 << true;
        QTest::newRow("ansi, zero at 80") << false << 80 << 200 << false;
        QTest::newRow("ansi, no zero") << false << -1 << 200 << false;
        // UTF-16: 2 + 2 * 200 bytes, so the limit is 402 / 2 - 20 = 181 characters.
        QTest::newRow("utf16, zero at 180") << true << 180 << 200 << true;
        QTest::newRow("utf16, zero at 181") << true << 181 << 200 << false;
        QTest::newRow("small file, zero at 50") << false << 50 << 60 << false;
    }
    void binaryDataThreshold()
    {
        QFETCH(bool, utf16);
        QFETCH(int, zeroAt);
        QFETCH(int, length);
        QFETCH(bool, rejected);

        QString text = QStringLiteral("<r><Stringtable><s3>x</s3></Stringtable></r>");
        text = text.leftJustified(length, QLatin1Char(' '));
        if (zeroAt >= 0)
            text[zeroAt] = QChar(0);
        WriteLanguage(QStringLiteral("t"), utf16 ? Utf16File(text) : text.toLatin1());

        LanguageTable table;
        QCOMPARE(table.Load(m_program->path(), QStringLiteral("t")), rejected ? Result::BinaryData : Result::Loaded);
        QCOMPARE(table.Text(3), rejected ? BuiltinString(3) : QStringLiteral("x"));
    }

    void oddLengthUtf16()
    {
        // A last odd byte is a character of its own; nothing beyond the file is read.
        LanguageTable table;
        QCOMPARE(table.LoadFromBytes(Utf16File(QString::fromLatin1(Table("<s3>x</s3>"))) + "\x20"), Result::Loaded);
        QCOMPARE(table.Text(3), QStringLiteral("x"));
    }

    void sameTextsFromUtf16AndAnsi_data()
    {
        QTest::addColumn<QByteArray>("ansi");
        QTest::addColumn<QString>("text");

        QTest::newRow("ASCII") << QByteArray("Next alarm: %s") << QStringLiteral("Next alarm: %s");
        QTest::newRow("German letters") << QByteArray("\xC4\xD6\xDC\xE4\xF6\xFC\xDF")
                                        << QStringLiteral("\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF");
        QTest::newRow("French letters") << QByteArray("\xE9\xE8\xE0\xE7\xF4\xC9 \xAB\xA0\xBB \xB0")
                                        << QStringLiteral("\u00E9\u00E8\u00E0\u00E7\u00F4\u00C9 \u00AB\u00A0\u00BB \u00B0");
        QTest::newRow("0x80 to 0x9F") << QByteArray("\x80\x82\x84\x85\x8A\x8C\x91\x92\x93\x94\x96\x97\x99\x9C\x9F")
                                      << QStringLiteral("\u20AC\u201A\u201E\u2026\u0160\u0152\u2018\u2019\u201C"
                                                        "\u201D\u2013\u2014\u2122\u0153\u0178");
        QTest::newRow("unassigned bytes") << QByteArray("\x81\x8D\x8F\x90\x9D")
                                          << QStringLiteral("\u0081\u008D\u008F\u0090\u009D");
        QTest::newRow("top of the table") << QByteArray("\xA4\xFF") << QStringLiteral("\u00A4\u00FF");
    }
    void sameTextsFromUtf16AndAnsi()
    {
        QFETCH(QByteArray, ansi);
        QFETCH(QString, text);
        WriteLanguage(QStringLiteral("ansi"), Table("<s3>" + ansi + "</s3>"));
        WriteLanguage(QStringLiteral("wide"),
                      Utf16File(QString::fromLatin1(Table("<s3>@</s3>")).replace(QLatin1Char('@'), text)));

        LanguageTable fromAnsi;
        LanguageTable fromWide;
        QCOMPARE(fromAnsi.Load(m_program->path(), QStringLiteral("ansi")), Result::Loaded);
        QCOMPARE(fromWide.Load(m_program->path(), QStringLiteral("wide")), Result::Loaded);
        QCOMPARE(fromAnsi.Text(3), text);
        QCOMPARE(fromWide.Text(3), text);
    }

    void entries_data()
    {
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("expected");

        QTest::newRow("replacement") << QByteArray("<s3>Rest</s3>") << 3 << "Rest";
        QTest::newRow("one decoding pass") << QByteArray("<s3>&amp;lt;</s3>") << 3 << "&lt;";
        QTest::newRow("numeric reference") << QByteArray("<s3>&#228;&#xE4;</s3>") << 3 << "&#228;&#xE4;";
        QTest::newRow("backslash-n") << QByteArray("<s3>one\\ntwo</s3>") << 3 << "one\ntwo";
        QTest::newRow("real line break") << QByteArray("<s3>one\r\ntwo</s3>") << 3 << "one\r\ntwo";
        QTest::newRow("backslash pair") << QByteArray("<s3>a\\\\nb</s3>") << 3 << "a\\\nb";
        QTest::newRow("CDATA") << QByteArray("<s74> <![CDATA[<neu> & \\n]]> </s74>") << 74 << "<neu> & \n";
        QTest::newRow("attributes ignored") << QByteArray("<s3 lang=\"x\" n='9'>t</s3>") << 3 << "t";
        QTest::newRow("children give empty text") << QByteArray("<s3>a<b>c</b></s3>") << 3 << "";
        QTest::newRow("empty entry replaces") << QByteArray("<s3></s3>") << 3 << "";
        QTest::newRow("empty element replaces") << QByteArray("<s3/>") << 3 << "";
        QTest::newRow("later entry wins") << QByteArray("<s3>first</s3><t3>second</t3>") << 3 << "second";
        QTest::newRow("any first character") << QByteArray("<x17>T</x17>") << 17 << "T";
        QTest::newRow("plus sign") << QByteArray("<s+17>P</s+17>") << 17 << "P";
        QTest::newRow("minus sign") << QByteArray("<s-5>N</s-5>") << -5 << "N";
        QTest::newRow("digits then letters") << QByteArray("<s12abc>D</s12abc>") << 12 << "D";
        QTest::newRow("no digits is 0") << QByteArray("<sabc>Z</sabc>") << 0 << "Z";
        QTest::newRow("huge number saturates") << QByteArray("<s99999999999>H</s99999999999>") << INT_MAX << "H";
        QTest::newRow("others keep built-in") << QByteArray("<s3>x</s3>") << 4 << "Time:";
        QTest::newRow("comment between entries") << QByteArray("<s3>a</s3><!-- <s4>no</s4> --><s4>b</s4>") << 4 << "b";
        QTest::newRow("nested entries do not count") << QByteArray("<s3><s4>inner</s4></s3>") << 4 << "Time:";
    }
    void entries()
    {
        QFETCH(QByteArray, entries);
        QFETCH(int, id);
        QFETCH(QString, expected);
        LanguageTable table;
        QCOMPARE(table.LoadFromBytes(Table(entries)), Result::Loaded);
        QCOMPARE(table.Text(id), expected);
        QVERIFY(!table.Text(id).isNull());
    }

    void tableLocation_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<QString>("text3");

        QTest::newRow("lower-case spelling") << QByteArray("<r><stringtable><s3>x</s3></stringtable></r>") << "x";
        QTest::newRow("other spelling ignored") << QByteArray("<r><STRINGTABLE><s3>x</s3></STRINGTABLE></r>")
                                                << "Remaining time:";
        QTest::newRow("root named Stringtable") << QByteArray("<Stringtable><s3>x</s3></Stringtable>")
                                                << "Remaining time:";
        QTest::newRow("grandchild ignored") << QByteArray("<r><x><Stringtable><s3>x</s3></Stringtable></x></r>")
                                            << "Remaining time:";
        QTest::newRow("capitalised spelling first")
            << QByteArray("<r><stringtable><s3>lower</s3></stringtable><Stringtable><s3>upper</s3></Stringtable></r>")
            << "upper";
        QTest::newRow("only the first table")
            << QByteArray("<r><Stringtable><s4>one</s4></Stringtable><Stringtable><s3>two</s3></Stringtable></r>")
            << "Remaining time:";
        QTest::newRow("prolog and doctype") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"b\">]>"
                                                          "<!-- x --><r><Stringtable><s3>x</s3></Stringtable></r>")
                                            << "x";
    }
    void tableLocation()
    {
        QFETCH(QByteArray, doc);
        QFETCH(QString, text3);
        LanguageTable table;
        QCOMPARE(table.LoadFromBytes(doc), Result::Loaded);
        QCOMPARE(table.Text(3), text3);
    }

    void switchingToEnglishEmptiesTheTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("english") << "english";
        QTest::newRow("empty name") << "";
        QTest::newRow("unknown language") << "klingon";
    }
    void switchingToEnglishEmptiesTheTable()
    {
        QFETCH(QString, name);
        WriteLanguage(QStringLiteral("mine"), Table("<s149>Wirklich?</s149><s3>Rest</s3>"));
        LanguageTable table;
        QCOMPARE(table.Load(m_program->path(), QStringLiteral("mine")), Result::Loaded);
        QCOMPARE(TodayTexts().value(0), QStringLiteral("Wirklich?"));

        QCOMPARE(table.Load(m_program->path(), name), Result::NoFile);
        QVERIFY(table.Entries().isEmpty());
        QCOMPARE(table.Text(3), QStringLiteral("Remaining time:"));
        QCOMPARE(TodayTexts().value(0), QStringLiteral("Really deactivate the alarm?"));
        QCOMPARE(Recorded(), QStringList());
    }

    void languageFileIsABaseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent folder") << "../evil";
        QTest::newRow("backslash") << "..\\evil";
        QTest::newRow("absolute") << "/tmp/evil";
        QTest::newRow("directory") << "folder";
    }
    void languageFileIsABaseName()
    {
        QFETCH(QString, name);
        QFile evil(m_program->filePath(QStringLiteral("evil.xml")));
        QVERIFY(evil.open(QIODevice::WriteOnly));
        evil.write(Table("<s3>evil</s3>"));
        evil.close();
        QVERIFY(QDir(m_program->path()).mkpath(QStringLiteral("languages/folder.xml")));

        LanguageTable table;
        QCOMPARE(table.Load(m_program->path(), name), Result::NoFile);
        QCOMPARE(table.Text(3), QStringLiteral("Remaining time:"));
    }

    void errorCaptionIsTheBuiltinOne()
    {
        LanguageTable table;
        QCOMPARE(table.Load(QStringLiteral(DAWNBELL_PROGRAM_DIR), QStringLiteral("français")), Result::Loaded);
        QCOMPARE(table.Text(113), QStringLiteral("Erreur"));
        WriteLanguage(QStringLiteral("broken"), QByteArray("<lang>"));
        QCOMPARE(table.Load(m_program->path(), QStringLiteral("broken")), Result::NotWellFormed);
        QCOMPARE(Recorded(), QStringList{QStringLiteral("Fehler\t") + kParseMessage});
        QCOMPARE(table.Text(113), QStringLiteral("Fehler"));
        QCOMPARE(TodayTexts().value(1), QStringLiteral("D\u00E9sactiver ?"));
    }

    void shippedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("today");

        QTest::newRow("deutsch") << "deutsch" << "Fehler"
                                 << QStringList{QStringLiteral("Alarm wirklich deaktivieren?"),
                                                QStringLiteral("Deaktivieren?"),
                                                QStringLiteral("Angezeigte Zeilen (1\u201315):"),
                                                QStringLiteral("Kleine Schaltfl\u00E4chen"),
                                                QStringLiteral("Ja"),
                                                QStringLiteral("Nein")};
        QTest::newRow("fran\u00E7ais") << QStringLiteral("fran\u00E7ais") << "Erreur"
                                       << QStringList{QStringLiteral("D\u00E9sactiver vraiment l'alarme ?"),
                                                      QStringLiteral("D\u00E9sactiver ?"),
                                                      QStringLiteral("Lignes \u00E0 afficher (1\u201315) :"),
                                                      QStringLiteral("Petits boutons"),
                                                      QStringLiteral("Oui"),
                                                      QStringLiteral("Non")};
    }
    void shippedFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QStringList, today);

        LanguageTable table;
        QCOMPARE(table.Load(QStringLiteral(DAWNBELL_PROGRAM_DIR), name), Result::Loaded);
        QCOMPARE(Recorded(), QStringList());
        const QList<int> ids = BuiltinStringIds();
        QCOMPARE(table.Entries().keys(), ids);
        for (int id : ids) {
            const QString text = table.Text(id);
            const QString english = BuiltinString(id);
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(QString::number(id)));
            QVERIFY2(Count(text, "%s") == Count(english, "%s") && Count(text, "%d") == Count(english, "%d")
                         && Count(text, "%") == Count(english, "%"),
                     qPrintable(QString::number(id)));
            QCOMPARE(text.count(QLatin1Char('\n')), english.count(QLatin1Char('\n')));
            QVERIFY2(!text.contains(QLatin1Char('&')), qPrintable(QString::number(id)));
        }
        QCOMPARE(table.Text(113), caption);
        QVERIFY(table.Text(74).startsWith(QLatin1Char('<')));
        QVERIFY(table.Text(162).contains(QLatin1String("->")));
        QCOMPARE(TodayTexts(), today);
    }

    void shippedFileEncodings()
    {
        const QString dir = QStringLiteral(DAWNBELL_PROGRAM_DIR "/languages/");
        QFile german(dir + QStringLiteral("deutsch.xml"));
        QFile french(dir + QStringLiteral("fran\u00E7ais.xml"));
        QVERIFY(german.open(QIODevice::ReadOnly));
        QVERIFY(french.open(QIODevice::ReadOnly));
        QVERIFY(german.read(2) == QByteArray("\xFF\xFE"));
        const QByteArray frenchBytes = french.readAll();
        QVERIFY(frenchBytes.startsWith("<?xml"));
        QVERIFY(frenchBytes.contains("D\xE9sactiver"));   // 8-bit é
        QVERIFY(!frenchBytes.contains("D\xC3\xA9sactiver")); // not UTF-8
    }

    void textProvider()
    {
        {
            LanguageTable table;
            QCOMPARE(table.LoadFromBytes(Table("<s3>Rest</s3><s4></s4>")), Result::Loaded);
            table.InstallAsTextProvider();
            QCOMPARE(Text(3), QStringLiteral("Rest"));
            QCOMPARE(Text(4), QString()); // an empty entry still replaces the built-in text
            QVERIFY(!Text(6).isEmpty());
            QCOMPARE(Text(6), BuiltinString(6));
        }
        QCOMPARE(Text(3), BuiltinString(3));
    }

    void availableLanguages()
    {
        QCOMPARE(LanguageTable::AvailableLanguages(m_home.filePath(QStringLiteral("nowhere"))),
                 QStringList{QStringLiteral("english")});
        for (const QString& name : {QStringLiteral("deutsch.xml"), QStringLiteral("fran\u00E7ais.xml"),
                                    QStringLiteral("notes.txt"), QStringLiteral("UPPER.XML")})
            WriteLanguage(name, "<r/>", false);
        QVERIFY(QDir(m_program->path()).mkpath(QStringLiteral("languages/folder.xml")));
        QCOMPARE(LanguageTable::AvailableLanguages(m_program->path()),
                 (QStringList{QStringLiteral("deutsch"), QStringLiteral("fran\u00E7ais"), QStringLiteral("english")}));
    }

    void firstLanguage_data()
    {
        QTest::addColumn<int>("languageId");
        QTest::addColumn<QString>("file");
        QTest::newRow("German") << 0x0407 << "deutsch";
        QTest::newRow("Swiss German") << 0x0807 << "deutsch";
        QTest::newRow("French") << 0x040C << QStringLiteral("fran\u00E7ais");
        QTest::newRow("Romanian") << 0x0418 << QStringLiteral("rom\u00E2na");
        QTest::newRow("Turkish") << 0x041F << QStringLiteral("t\u00FCrk\u00E7e");
        QTest::newRow("English") << 0x0409 << "";
        QTest::newRow("Portuguese") << 0x0416 << "";
        QTest::newRow("high bits ignored") << (0xFC00 | 12) << QStringLiteral("fran\u00E7ais");
    }
    void firstLanguage()
    {
        QFETCH(int, languageId);
        QFETCH(QString, file);
        QCOMPARE(LanguageTable::FileForLanguageId(languageId), file);
    }

private:
    void WriteLanguage(const QString& name, const QByteArray& bytes, bool addExtension = true)
    {
        QFile f(m_program->filePath(QStringLiteral("languages/") + name + (addExtension ? ".xml" : "")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QStringList Recorded() const
    {
        QFile f(m_home.filePath(QStringLiteral("boxes.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static QStringList TodayTexts()
    {
        QStringList texts;
        for (const char* name : {"todayString0", "todayString1", "todayString3", "todayString4", "todayString5", "todayString6"})
            texts << Profile::ReadText(QStringLiteral("settings"), QString::fromLatin1(name), QStringLiteral("(none)"));
        return texts;
    }

    test::TempHome m_home;                    // device directory
    std::unique_ptr<QTemporaryDir> m_program; // program folder with languages/
};

QTEST_GUILESS_MAIN(LanguageTableTest)
#include "LanguageTableTest.moc"

// The .reg reader and writer: export/import round trips through the real store,
// the exact text written, the features read, and malformed files.
#include "RegFile.h"
#include "Registry.h"
#include "TempHome.h"

#include <QtTest>

using namespace dawnbell;

Q_DECLARE_METATYPE(std::vector<uint8_t>)

namespace {

std::vector<uint8_t> Bytes(const QByteArray& a)
{
    return std::vector<uint8_t>(a.begin(), a.end());
}

std::vector<uint8_t> Sz(const QString& s)
{
    return RegSzBytes(std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())));
}

bool ParseText(const QByteArray& text, std::vector<RegFileOp>* ops, RegFileError* error)
{
    return RegFile::Parse(reinterpret_cast<const uint8_t*>(text.constData()), static_cast<size_t>(text.size()), ops,
                          error);
}

QByteArray Utf16LeWithBom(const QString& text)
{
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

// Every value below `path`, as "key|name|type|hex" lines in enumeration order.
QStringList Dump(Hive hive, const std::string& path)
{
    QStringList out;
    RegKey key;
    if (RegKey::Open(hive, path, &key) != RegOk)
        return out;
    RegValue v;
    for (uint32_t i = 0; key.EnumValue(i, &v) == RegOk; ++i) {
        const QByteArray hex = QByteArray(reinterpret_cast<const char*>(v.data.data()), int(v.data.size())).toHex();
        out << QString::fromStdString(key.path() + "|" + v.name + "|" + std::to_string(uint32_t(v.type)) + "|")
                + QString::fromLatin1(hex);
    }
    std::string name;
    for (uint32_t i = 0; key.EnumKey(i, &name) == RegOk; ++i)
        out << Dump(hive, path.empty() ? name : path + "\\" + name);
    if (out.isEmpty())
        out << QString::fromStdString(key.path());
    return out;
}

} // namespace

class RegFileTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
    }
    void cleanup() { m_home.Close(); }

    // Each value is exported, the tree deleted, and the text imported again: the
    // value must come back with the same name, type and bytes.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<std::vector<uint8_t>>("data");
        QTest::addColumn<QString>("line"); // the exported value line, when it matters
        QTest::newRow("dword") << "Dawnbell" << "closeAfterTimes" << 4 << Bytes(QByteArray("\x1f\0\0\0", 4))
                               << "\"closeAfterTimes\"=dword:0000001f";
        QTest::newRow("dword max") << "D" << "m" << 4 << Bytes(QByteArray(4, '\xff')) << "\"m\"=dword:ffffffff";
        QTest::newRow("text") << "D" << "title" << 1 << Sz("Wake up") << "\"title\"=\"Wake up\"";
        QTest::newRow("escapes") << "D" << "say \"x\" \\" << 1 << Sz("C:\\Dir\\\"q\"")
                                 << "\"say \\\"x\\\" \\\\\"=\"C:\\\\Dir\\\\\\\"q\\\"\"";
        QTest::newRow("default value") << "D" << "" << 1 << Sz("standard") << "@=\"standard\"";
        QTest::newRow("empty text") << "D" << "e" << 1 << Sz("") << "\"e\"=\"\"";
        QTest::newRow("unicode") << "Größe\\Ключ" << "Grüße 😀" << 1 << Sz("Ünïcødé € 😀 中文")
                                 << "\"Grüße 😀\"=\"Ünïcødé € 😀 中文\"";
        QTest::newRow("line break") << "D" << "message" << 1 << Sz("a\nb")
                                    << "\"message\"=hex(1):61,00,0a,00,62,00,00,00";
        QTest::newRow("tab and CR") << "D" << "t" << 1 << Sz("\t\r") << "\"t\"=hex(1):09,00,0d,00,00,00";
        QTest::newRow("text without terminator") << "D" << "t" << 1 << Bytes(QByteArray("a\0", 2))
                                                 << "\"t\"=hex(1):61,00";
        QTest::newRow("text of odd size") << "D" << "t" << 1 << Bytes(QByteArray("a\0b", 3)) << "\"t\"=hex(1):61,00,62";
        QTest::newRow("text with inner zero") << "D" << "t" << 1 << Bytes(QByteArray("a\0\0\0b\0\0\0", 8))
                                              << "\"t\"=hex(1):61,00,00,00,62,00,00,00";
        QTest::newRow("lone surrogate") << "D" << "t" << 1 << Bytes(QByteArray("\x00\xd8\0\0", 4))
                                        << "\"t\"=hex(1):00,d8,00,00";
        QTest::newRow("empty binary") << "D" << "notificationHandle" << 3 << std::vector<uint8_t>()
                                      << "\"notificationHandle\"=hex:";
        QTest::newRow("binary") << "D" << "b" << 3 << Bytes(QByteArray("\x01\x02\xff", 3)) << "\"b\"=hex:01,02,ff";
        std::vector<uint8_t> fade;
        for (int i = 0; i < 50; ++i)
            fade.push_back(uint8_t(i * 2));
        QTest::newRow("long binary wraps") << "D" << "fade" << 3 << fade << QString();
        std::vector<uint8_t> big(5000);
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = uint8_t(i * 7);
        QTest::newRow("5000 bytes") << "D" << "big" << 3 << big << QString();
        big.resize(kRegMaxValueBytes);
        QTest::newRow("largest value") << "D" << "big" << 3 << big << QString();
        QTest::newRow("dword of 3 bytes") << "D" << "d" << 4 << Bytes(QByteArray("\1\2\3", 3)) << "\"d\"=hex(4):01,02,03";
        QTest::newRow("other type") << "D" << "multi" << 7 << Bytes(QByteArray("a\0\0\0\0\0", 6))
                                    << "\"multi\"=hex(7):61,00,00,00,00,00";
        QTest::newRow("type none") << "D" << "n" << 0 << std::vector<uint8_t>() << "\"n\"=hex(0):";
        QTest::newRow("key name with brackets") << "a]b[c" << "v" << 4 << Bytes(QByteArray(4, '\0'))
                                                << "\"v\"=dword:00000000";
    }
    void roundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(std::vector<uint8_t>, data);
        QFETCH(QString, line);
        const std::string path = "Software\\Torvane\\" + key.toStdString();
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, path, &k), RegOk);
        QCOMPARE(k.WriteDword("before", 1), RegOk);
        QCOMPARE(k.SetValue(name.toStdString(), RegType(type), data.data(), data.size()), RegOk);
        QCOMPARE(k.WriteDword("after", 2), RegOk);
        const QStringList before = Dump(Hive::CurrentUser, "Software");

        std::string text;
        std::string error;
        QCOMPARE(RegFile::Export(Hive::CurrentUser, "Software", &text, &error), RegOk);
        const QString exported = QString::fromStdString(text);
        QVERIFY(exported.startsWith("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n"));
        QVERIFY2(exported.contains("[HKEY_CURRENT_USER\\" + QString::fromStdString(path) + "]\n"), qPrintable(exported));
        if (!line.isEmpty())
            QVERIFY2(exported.contains("\n" + line + "\n"), qPrintable(exported));
        for (const QString& l : exported.split('\n'))
            QVERIFY2(l.size() <= 80 || !l.contains("hex"), qPrintable(l));

        QCOMPARE(RegDeleteTree(Hive::CurrentUser, "Software"), RegOk);
        std::vector<RegFileOp> ops;
        RegFileError perr;
        QVERIFY2(RegFile::Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &ops, &perr),
                 qPrintable(QString::number(perr.line) + ": " + QString::fromStdString(perr.message)));
        QCOMPARE(RegFile::Apply(ops, nullptr), RegOk);
        QCOMPARE(Dump(Hive::CurrentUser, "Software"), before);
    }

    void exportWritesTheWholeTreeInOrder()
    {
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::LocalMachine, "Root\\b", &k), RegOk);
        QCOMPARE(k.WriteDword("z", 1), RegOk);
        QCOMPARE(k.WriteDword("a", 2), RegOk);
        QCOMPARE(RegKey::Create(Hive::LocalMachine, "Root\\A\\deep", &k), RegOk);
        QCOMPARE(RegKey::Create(Hive::LocalMachine, "Root\\C", &k), RegOk);
        QCOMPARE(k.WriteString("", u"x"), RegOk);
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Other", &k), RegOk);
        std::string text;
        std::string error;
        QCOMPARE(RegFile::Export(Hive::LocalMachine, "root", &text, &error), RegOk);
        QCOMPARE(QString::fromStdString(text),
                 QString("Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_LOCAL_MACHINE\\Root]\n\n"
                         "[HKEY_LOCAL_MACHINE\\Root\\A]\n\n"
                         "[HKEY_LOCAL_MACHINE\\Root\\A\\deep]\n\n"
                         "[HKEY_LOCAL_MACHINE\\Root\\b]\n\"z\"=dword:00000001\n\"a\"=dword:00000002\n\n"
                         "[HKEY_LOCAL_MACHINE\\Root\\C]\n@=\"x\"\n\n"));
        text.clear();
        QCOMPARE(RegFile::ExportAll(&text, &error), RegOk);
        const QString all = QString::fromStdString(text);
        QVERIFY(all.indexOf("[HKEY_CURRENT_USER]\n") < all.indexOf("[HKEY_CURRENT_USER\\Other]\n"));
        QVERIFY(all.indexOf("[HKEY_CURRENT_USER\\Other]\n") < all.indexOf("[HKEY_LOCAL_MACHINE]\n"));
        QCOMPARE(RegFile::Export(Hive::LocalMachine, "Missing", &text, &error), RegNotFound);
    }

    void exportRefusesNamesItCannotSpell_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break in a value name") << "K" << "a\nb";
        QTest::newRow("control character in a key name") << "K\x01" << "v";
    }
    void exportRefusesNamesItCannotSpell()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, key.toStdString(), &k), RegOk);
        QCOMPARE(k.WriteDword(value.toStdString(), 1), RegOk);
        std::string text = "kept";
        std::string error;
        QCOMPARE(RegFile::ExportAll(&text, &error), RegInvalidParameter);
        QCOMPARE(text, std::string("kept"));
        QVERIFY(!error.empty());
    }

    // Files as other tools write them: each is imported into an empty store and
    // the result compared value by value.
    void importFeatures_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected"); // Dump of HKCU\K
        const QByteArray h = "Windows Registry Editor Version 5.00\n\n";
        QTest::newRow("CRLF, comments, blank lines")
            << QByteArray("\r\nWindows Registry Editor Version 5.00\r\n\r\n; a comment\r\n[HKCU\\K]\r\n"
                          "  \"a\"=dword:1f  \r\n\r\n")
            << QStringList{"K|a|4|1f000000"};
        QTest::newRow("hive aliases and letter case")
            << h + "[hkey_current_user\\K]\n\"a\"=DWORD:0000000A\n\"b\"=HEX:0A\n[HKEY_CURRENT_USER\\k]\n\"c\"=Hex(3):01\n"
            << QStringList{"K|a|4|0a000000", "K|b|3|0a", "K|c|3|01"};
        QTest::newRow("continuation lines")
            << h + "[HKCU\\K]\n\"f\"=hex:01,02,\\\n  03,04,\\\n\t05\n\"g\"=hex(1):41,00,\\\n00,00\n"
            << QStringList{"K|f|3|0102030405", "K|g|1|41000000"};
        QTest::newRow("delete value and key")
            << h + "[HKCU\\K\\Sub]\n\"x\"=dword:1\n[HKCU\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n\"a\"=-\n\"never\"=-\n"
                   "[-HKCU\\K\\Sub]\n[-HKCU\\Missing\\Key]\n"
            << QStringList{"K|b|1|32000000"};
        QTest::newRow("default value spellings")
            << h + "[HKCU\\K]\n@=\"one\"\n\"\"=\"two\"\n"
            << QStringList{"K||1|740077006f000000"};
        QTest::newRow("spaces around =") << h + "[HKCU\\K]\n\"a\" = \"x\"\n" << QStringList{"K|a|1|78000000"};
        QTest::newRow("UTF-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + h + "[HKCU\\K]\n\"\xC3\xBC\"=\"\xE2\x82\xAC\"\n"
            << QStringList{"K|ü|1|ac200000"};
        QTest::newRow("UTF-16LE with byte-order mark")
            << Utf16LeWithBom("Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\K]\r\n\"ü\"=\"€😀\"\r\n")
            << QStringList{"K|ü|1|ac203dd800de0000"};
        QTest::newRow("empty key only") << h + "[HKCU\\K]\n" << QStringList{"K"};
        QTest::newRow("closing bracket inside the name") << h + "[HKCU\\K\\a]b]\n\"v\"=\"\"\n"
                                                         << QStringList{"K\\a]b|v|1|0000"};
    }
    void importFeatures()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        std::vector<RegFileOp> ops;
        RegFileError error;
        QVERIFY2(ParseText(file, &ops, &error),
                 qPrintable(QString::number(error.line) + ": " + QString::fromStdString(error.message)));
        QCOMPARE(RegFile::Apply(ops, nullptr), RegOk);
        QCOMPARE(Dump(Hive::CurrentUser, "K"), expected);
    }

    // Each file fails on the given line and yields no operation at all.
    void malformed_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        const QByteArray h = "Windows Registry Editor Version 5.00\n\n";
        const QByteArray k = h + "[HKCU\\K]\n\"ok\"=dword:1\n"; // lines 1-4 are sound
        QTest::newRow("empty file") << QByteArray() << 1;
        QTest::newRow("no header") << QByteArray("[HKCU\\K]\n") << 1;
        QTest::newRow("old header") << QByteArray("\n\nREGEDIT4\n") << 3;
        QTest::newRow("value before any key") << h + "\"a\"=dword:1\n" << 3;
        QTest::newRow("unknown hive") << k + "[HKEY_CLASSES_ROOT\\x]\n" << 5;
        QTest::newRow("no closing bracket") << k + "[HKCU\\x\n" << 5;
        QTest::newRow("text after bracket") << k + "[HKCU\\x] junk\n" << 5;
        QTest::newRow("empty key name") << k + "[HKCU\\a\\\\b]\n" << 5;
        QTest::newRow("trailing backslash") << k + "[HKCU\\a\\]\n" << 5;
        QTest::newRow("empty section") << k + "[]\n" << 5;
        QTest::newRow("key name of 256") << k + "[HKCU\\" + QByteArray(256, 'n') + "]\n" << 5;
        QTest::newRow("65 levels") << k + "[HKCU" + QByteArray("\\d").repeated(65) + "]\n" << 5;
        QTest::newRow("delete a hive root") << k + "[-HKLM]\n" << 5;
        QTest::newRow("value after a deleted key") << k + "[-HKCU\\K]\n\"a\"=dword:1\n" << 6;
        QTest::newRow("unterminated name") << k + "\"a=dword:1\n" << 5;
        QTest::newRow("unknown escape") << k + "\"a\\n\"=dword:1\n" << 5;
        QTest::newRow("unknown escape in text") << k + "\"a\"=\"x\\t\"\n" << 5;
        QTest::newRow("missing =") << k + "\"a\" dword:1\n" << 5;
        QTest::newRow("bare word") << k + "name=dword:1\n" << 5;
        QTest::newRow("text after the text") << k + "\"a\"=\"b\" c\n" << 5;
        QTest::newRow("unterminated text") << k + "\"a\"=\"b\n" << 5;
        QTest::newRow("unknown data") << k + "\"a\"=qword:1\n" << 5;
        QTest::newRow("dword of 9 digits") << k + "\"a\"=dword:000000001\n" << 5;
        QTest::newRow("dword not hex") << k + "\"a\"=dword:12g\n" << 5;
        QTest::newRow("empty dword") << k + "\"a\"=dword:\n" << 5;
        QTest::newRow("bad hex byte") << k + "\"a\"=hex:01,0g\n" << 5;
        QTest::newRow("three digit byte") << k + "\"a\"=hex:123\n" << 5;
        QTest::newRow("empty byte") << k + "\"a\"=hex:01,,02\n" << 5;
        QTest::newRow("trailing comma") << k + "\"a\"=hex:01,\n" << 5;
        QTest::newRow("bad byte on a continuation line") << k + "\"a\"=hex:01,\\\n  02,\\\n  zz\n" << 7;
        QTest::newRow("continuation past the end") << k + "\"a\"=hex:01,\\\n" << 5;
        QTest::newRow("bad type number") << k + "\"a\"=hex(zz):01\n" << 5;
        QTest::newRow("type without colon") << k + "\"a\"=hex(1)01\n" << 5;
        QTest::newRow("invalid UTF-8") << k + "\"a\"=\"\xC3\x28\"\n" << 5;
        QTest::newRow("NUL byte") << k + QByteArray("\"a\"=\"\0\"\n", 7) << 5;
        QTest::newRow("UTF-16 of odd size") << Utf16LeWithBom("Windows Registry Editor Version 5.00\n") + "x" << 0;
        QTest::newRow("UTF-16 broken surrogate")
            << Utf16LeWithBom("Windows Registry Editor Version 5.00\n\n[HKCU\\K]\n\"a\"=\"") + QByteArray("\x00\xd8", 2)
                   + Utf16LeWithBom("x\"\n").mid(2)
            << 4;
        QTest::newRow("UTF-16 big-endian") << QByteArray("\xFE\xFF\0W", 4) << 0;
        QTest::newRow("value name of 16384") << k + "\"" + QByteArray(16384, 'n') + "\"=dword:1\n" << 5;
        QTest::newRow("value over 1 MiB") << k + "\"a\"=hex:" + QByteArray("00,").repeated(1 << 20) + "00\n" << 5;
        QTest::newRow("text over 1 MiB") << k + "\"a\"=\"" + QByteArray(1 << 19, 'x') + "\"\n" << 5;
        QTest::newRow("line over 4 MiB") << k + "; " + QByteArray(4 << 20, 'x') + "\n" << 5;
    }
    void malformed()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        std::vector<RegFileOp> ops;
        ops.resize(3);
        RegFileError error;
        QVERIFY(!ParseText(file, &ops, &error));
        QCOMPARE(error.line, line);
        QVERIFY(!error.message.empty());
        QVERIFY(ops.empty());
    }

    void fileOverTheSizeLimit()
    {
        QByteArray file = "Windows Registry Editor Version 5.00\n";
        file.append(QByteArray(int(kRegFileMaxBytes) + 1 - file.size(), '\n'));
        std::vector<RegFileOp> ops;
        RegFileError error;
        QVERIFY(!ParseText(file, &ops, &error));
        QCOMPARE(error.line, 0);
        file.chop(1);
        QVERIFY(ParseText(file, &ops, &error));
    }

    // A step the store refuses leaves every earlier step of the file undone.
    void applyIsAllOrNothing()
    {
        RegKey k;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "K", &k), RegOk);
        QCOMPARE(k.WriteDword("keep", 1), RegOk);
        std::vector<RegFileOp> ops(4);
        ops[0].kind = RegFileOp::DeleteKey;
        ops[0].path = "K";
        ops[0].line = 3;
        ops[1].kind = RegFileOp::CreateKey;
        ops[1].path = "New";
        ops[1].line = 4;
        ops[2].kind = RegFileOp::SetValue;
        ops[2].path = "New";
        ops[2].name = "v";
        ops[2].type = RegType::Dword;
        ops[2].data = {1, 0, 0, 0};
        ops[2].line = 5;
        ops[3] = ops[2];
        ops[3].data.resize(kRegMaxValueBytes + 1); // the store refuses this
        ops[3].line = 9;
        int failed = 0;
        QCOMPARE(RegFile::Apply(ops, &failed), RegInvalidParameter);
        QCOMPARE(failed, 9);
        RegCloseStore();
        QCOMPARE(RegKey::Open(Hive::CurrentUser, "New", &k), RegNotFound);
        QCOMPARE(Dump(Hive::CurrentUser, "K"), QStringList{"K|keep|4|01000000"});
    }

    void formatValueRefusesControlCharactersInNames()
    {
        RegValue v;
        v.name = "a\tb";
        v.type = RegType::Dword;
        v.data = {0, 0, 0, 0};
        std::string line;
        QVERIFY(!RegFile::FormatValue(v, &line));
        v.name = "a b";
        QVERIFY(RegFile::FormatValue(v, &line));
        QCOMPARE(line, std::string("\"a b\"=dword:00000000"));
    }

private:
    test::TempHome m_home;
};

QTEST_GUILESS_MAIN(RegFileTest)
#include "RegFileTest.moc"

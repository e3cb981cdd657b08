#include "ElfSection.h"
#include "VersionInfo.h"
#include "VersionResource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

namespace {

void Put(QByteArray& b, qsizetype at, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

struct Section {
    QByteArray name;
    QByteArray data;
    uint32_t type = 1; // PROGBITS
};

// A minimal ELF64 little-endian file: header, section data, .shstrtab, then the
// section headers (null section first, .shstrtab last).
QByteArray MakeElf(const QList<Section>& sections)
{
    QByteArray out(64, '\0');
    out[0] = 0x7f; out[1] = 'E'; out[2] = 'L'; out[3] = 'F';
    out[4] = 2; out[5] = 1; out[6] = 1;
    QList<uint64_t> offsets;
    for (const Section& s : sections) {
        offsets << uint64_t(out.size());
        out += s.data;
    }
    QByteArray strtab(1, '\0');
    QList<uint32_t> names;
    for (const Section& s : sections) {
        names << uint32_t(strtab.size());
        strtab += s.name + '\0';
    }
    const uint32_t strtabName = uint32_t(strtab.size());
    strtab += QByteArray(".shstrtab") + '\0';
    const uint64_t strtabOffset = uint64_t(out.size());
    out += strtab;
    while (out.size() % 8)
        out += '\0';
    const uint64_t shoff = uint64_t(out.size());
    const int count = int(sections.size()) + 2;
    out += QByteArray(64 * count, '\0');
    const auto header = [&](int index, uint32_t name, uint32_t type, uint64_t offset, uint64_t size) {
        const qsizetype at = qsizetype(shoff) + 64 * index;
        Put(out, at, name, 4);
        Put(out, at + 4, type, 4);
        Put(out, at + 0x18, offset, 8);
        Put(out, at + 0x20, size, 8);
    };
    for (int i = 0; i < sections.size(); ++i)
        header(i + 1, names[i], sections[i].type, offsets[i], uint64_t(sections[i].data.size()));
    header(count - 1, strtabName, 3, strtabOffset, uint64_t(strtab.size()));
    Put(out, 0x28, shoff, 8);
    Put(out, 0x3A, 64, 2);
    Put(out, 0x3C, uint64_t(count), 2);
    Put(out, 0x3E, uint64_t(count - 1), 2);
    return out;
}

QByteArray ToBytes(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

// A resource with (German, 1200) and (English, 1252) translations; English lacks
// SpecialBuild, German lacks Comments.
std::vector<uint8_t> TwoLanguageResource(bool withFixed = true)
{
    VersionResourceContent content;
    content.includeFixed = withFixed;
    content.fixed.signature = kFixedFileInfoSignature;
    content.fixed.structVersion = 0x10000;
    content.fixed.fileVersionMS = 0x00020003;
    content.fixed.fileVersionLS = 0x00040005;
    VersionStringTable de;
    de.language = 0x0407;
    de.codePage = 1200;
    de.strings = {{u"CompanyName", u"Torvane GmbH"}, {u"FileVersion", u"2.3.4"}, {u"FileDescription", u"Wecker"},
                  {u"SpecialBuild", u"Sonder"}};
    VersionStringTable en;
    en.language = 0x0409;
    en.codePage = 1252;
    en.strings = {{u"CompanyName", u"Torvane Ltd"}, {u"FileVersion", u"2.3.4"}, {u"FileDescription", u"Alarm clock"},
                  {u"Comments", u"\u00e9t\u00e9 \U0001F514"}};
    content.tables = {de, en};
    return BuildVersionResource(content);
}

} // namespace

class VersionInfoTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        qputenv("DAWNBELL_LANGID", "0x0409");
    }

    void chooseTranslation_data()
    {
        QTest::addColumn<QList<uint>>("languages");
        QTest::addColumn<int>("defaultLanguage");
        QTest::addColumn<int>("chosen");
        QTest::newRow("exact match") << QList<uint>{0x0407, 0x0409} << 0x0409 << 1;
        QTest::newRow("exact before low byte") << QList<uint>{0x0809, 0x0409} << 0x0409 << 1;
        QTest::newRow("same low byte") << QList<uint>{0x0407, 0x0809} << 0x0409 << 1;
        QTest::newRow("neutral language 0") << QList<uint>{0x0407, 0x0000, 0x0409} << 0x040C << 1;
        QTest::newRow("then English") << QList<uint>{0x0407, 0x0809} << 0x040C << 1;
        QTest::newRow("else the first") << QList<uint>{0x0407, 0x0410} << 0x040C << 0;
        QTest::newRow("code page ignored") << QList<uint>{0x04B00407, 0x04E40409} << 0x0409 << 1;
        QTest::newRow("none") << QList<uint>{} << 0x0409 << -1;
    }
    void chooseTranslation()
    {
        QFETCH(QList<uint>, languages);
        QFETCH(int, defaultLanguage);
        QFETCH(int, chosen);
        const std::vector<uint32_t> entries(languages.begin(), languages.end());
        QCOMPARE(VersionInfo::ChooseTranslation(entries.data(), entries.size(), defaultLanguage), chosen);
    }

    void loadTwoLanguages_data()
    {
        QTest::addColumn<QByteArray>("langId");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("special");
        QTest::newRow("English") << QByteArray("0x0409") << "Torvane Ltd" << QString::fromUtf8("été 🔔") << "";
        QTest::newRow("German") << QByteArray("0x0407") << "Torvane GmbH" << "" << "Sonder";
        QTest::newRow("Swiss German by low byte") << QByteArray("0x0807") << "Torvane GmbH" << "" << "Sonder";
        QTest::newRow("French falls back to English") << QByteArray("0x040C") << "Torvane Ltd"
                                                      << QString::fromUtf8("été 🔔") << "";
    }
    void loadTwoLanguages()
    {
        QFETCH(QByteArray, langId);
        QFETCH(QString, company);
        QFETCH(QString, comments);
        QFETCH(QString, special);
        qputenv("DAWNBELL_LANGID", langId);
        const QString path = WriteFile("two.elf", MakeElf({{".text", QByteArray(100, '\x90')},
                                                           {".dawnbell_version", ToBytes(TwoLanguageResource())}}));
        VersionInfo info;
        QVERIFY(info.Load(path));
        QCOMPARE(info.CompanyName(), company);
        QCOMPARE(info.Comments(), comments);
        QCOMPARE(info.SpecialBuild(), special);
        QCOMPARE(info.FileVersion(), QStringLiteral("2.3.4"));
        QCOMPARE(info.ProductName(), QString()); // in no table
        QCOMPARE(info.FixedInfo().signature, kFixedFileInfoSignature);
        QCOMPARE(info.FixedInfo().fileVersionLS, 0x00040005u);
    }

    void fixedRecordOnlyWhen52Bytes()
    {
        const QString path = WriteFile("nofixed.elf",
                                       MakeElf({{".dawnbell_version", ToBytes(TwoLanguageResource(false))}}));
        VersionInfo info;
        QVERIFY(info.Load(path));
        QCOMPARE(info.FixedInfo().signature, 0u);
        QCOMPARE(info.CompanyName(), QStringLiteral("Torvane Ltd"));
    }

    void withoutResource_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("ELF without the section") << MakeElf({{".text", QByteArray(16, '\0')}});
        QTest::newRow("empty section") << MakeElf({{".dawnbell_version", QByteArray()}});
        QTest::newRow("section of garbage") << MakeElf({{".dawnbell_version", QByteArray(64, '\xff')}});
        QTest::newRow("resource longer than its section")
            << MakeElf({{".dawnbell_version", ToBytes(TwoLanguageResource()).left(100)}});
        QTest::newRow("text file") << QByteArray("#!/bin/sh\necho hello\n");
        QTest::newRow("empty file") << QByteArray();
    }
    // No resource: false, and a previous load's texts are gone too.
    void withoutResource()
    {
        QFETCH(QByteArray, content);
        VersionInfo info;
        QVERIFY(info.Load(WriteFile("good.elf", MakeElf({{".dawnbell_version", ToBytes(TwoLanguageResource())}}))));
        QVERIFY(!info.Load(WriteFile("bad", content)));
        for (int field = 0; field < VersionInfo::TextFieldCount; ++field)
            QCOMPARE(info.Text(field), QString());
        QCOMPARE(info.FixedInfo().signature, 0u);
        QVERIFY(!info.Load(m_dir->path() + QStringLiteral("/does-not-exist")));
        QVERIFY(!info.Load(m_dir->path())); // a folder
    }

    // A resource without a translation list loads its fixed record only.
    void withoutTranslations()
    {
        VersionResourceContent content;
        content.fixed.signature = kFixedFileInfoSignature;
        content.translations = {};
        const QString path = WriteFile("notr.elf", MakeElf({{".dawnbell_version", ToBytes(BuildVersionResource(content))}}));
        VersionInfo info;
        QVERIFY(info.Load(path));
        QCOMPARE(info.FixedInfo().signature, kFixedFileInfoSignature);
        QCOMPARE(info.FileVersion(), QString());
    }

    void theProgramCarriesItsVersion()
    {
        const QString program = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell");
        if (!QFile::exists(program))
            QSKIP("the dawnbell executable is not built yet");
        VersionInfo info;
        QVERIFY(info.Load(program));
        QCOMPARE(info.FileVersion(), QStringLiteral(DAWNBELL_PROJECT_VERSION));
        QCOMPARE(info.ProductName(), QStringLiteral("Dawnbell"));
        QCOMPARE(info.FixedInfo().signature, kFixedFileInfoSignature);
        const QStringList parts = QStringLiteral(DAWNBELL_PROJECT_VERSION).split(QLatin1Char('.'));
        QCOMPARE(info.FixedInfo().fileVersionMS >> 16, parts.value(0).toUInt());
        QCOMPARE(info.FixedInfo().fileVersionMS & 0xFFFF, parts.value(1).toUInt());
    }

    void queryPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("text");
        QTest::newRow("root") << "\\" << true << "";
        QTest::newRow("text") << "\\StringFileInfo\\040904E4\\CompanyName" << true << "Torvane Ltd";
        QTest::newRow("keys ignore case") << "\\stringfileinfo\\040904e4\\COMPANYNAME" << true << "Torvane Ltd";
        QTest::newRow("doubled separators") << "\\\\StringFileInfo\\\\040704B0\\CompanyName" << true << "Torvane GmbH";
        QTest::newRow("missing table") << "\\StringFileInfo\\040C04B0\\CompanyName" << false << "";
        QTest::newRow("prefix of a key") << "\\StringFileInfo\\040904E4\\Company" << false << "";
        QTest::newRow("too deep") << "\\a\\b\\c\\d\\e\\f\\g\\h\\i" << false << "";
    }
    void queryPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QFETCH(QString, text);
        const std::vector<uint8_t> res = TwoLanguageResource();
        VersionValue value;
        QCOMPARE(QueryVersionValue(res.data(), res.size(), path.toStdU16String(), &value), found);
        if (found && !text.isEmpty())
            QCOMPARE(QString::fromStdU16String(VersionValueText(value)), text);
    }

    // Every truncation and every single-byte corruption of a resource is parsed
    // without reading outside it.
    void hostileResources()
    {
        const std::vector<uint8_t> res = TwoLanguageResource();
        const std::u16string paths[] = {u"\\", u"\\VarFileInfo\\Translation",
                                        u"\\StringFileInfo\\040904E4\\Comments"};
        for (size_t len = 0; len <= res.size(); ++len) {
            std::vector<uint8_t> cut(res.begin(), res.begin() + qsizetype(len));
            for (const auto& p : paths) {
                VersionValue v;
                if (QueryVersionValue(cut.data(), cut.size(), p, &v))
                    QVERIFY(v.data >= cut.data() && v.data + v.size <= cut.data() + cut.size());
            }
        }
        for (size_t at = 0; at < res.size(); ++at) {
            for (uint8_t byte : {uint8_t(0), uint8_t(0xFF), uint8_t(res[at] + 1)}) {
                std::vector<uint8_t> bad = res;
                bad[at] = byte;
                for (const auto& p : paths) {
                    VersionValue v;
                    if (QueryVersionValue(bad.data(), bad.size(), p, &v))
                        QVERIFY(v.data >= bad.data() && v.data + v.size <= bad.data() + bad.size());
                }
            }
        }
    }

    void hostileElf_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<bool>("found");
        const QByteArray good = MakeElf({{".a", "xyz"}, {".dawnbell_version", "RESOURCE"}});
        // Offsets in `good`: section headers start at shoff; .dawnbell_version is
        // header 2, .shstrtab header 3.
        uint64_t shoff = 0;
        for (int i = 0; i < 8; ++i)
            shoff |= uint64_t(uint8_t(good[0x28 + i])) << (8 * i);
        const qsizetype h2 = qsizetype(shoff) + 2 * 64;
        const qsizetype h3 = qsizetype(shoff) + 3 * 64;
        const auto patched = [&](qsizetype at, uint64_t v, int bytes) {
            QByteArray b = good;
            Put(b, at, v, bytes);
            return b;
        };
        QTest::newRow("valid") << good << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("header cut short") << good.left(63) << false;
        QTest::newRow("section headers cut off") << good.left(qsizetype(shoff) + 100) << false;
        QTest::newRow("bad magic") << patched(1, 'e', 1) << false;
        QTest::newRow("32-bit class") << patched(4, 1, 1) << false;
        QTest::newRow("big-endian") << patched(5, 2, 1) << false;
        QTest::newRow("shoff past the end") << patched(0x28, uint64_t(good.size()), 8) << false;
        QTest::newRow("shoff wraps around") << patched(0x28, ~uint64_t(0) - 63, 8) << false;
        QTest::newRow("no section headers") << patched(0x28, 0, 8) << false;
        QTest::newRow("short header entries") << patched(0x3A, 32, 2) << false;
        QTest::newRow("more sections than the file holds") << patched(0x3C, 0xFFFE, 2) << false;
        QTest::newRow("name table index out of range") << patched(0x3E, 4, 2) << false;
        QTest::newRow("extended count, huge") << patched(0x3C, 0, 2) << false;
        QTest::newRow("name table beyond the end") << patched(h3 + 0x18, uint64_t(good.size()), 8) << false;
        QTest::newRow("name table size wraps") << patched(h3 + 0x20, ~uint64_t(0), 8) << false;
        QTest::newRow("section beyond the end") << patched(h2 + 0x20, uint64_t(good.size()), 8) << false;
        QTest::newRow("section offset wraps") << patched(h2 + 0x18, ~uint64_t(0) - 3, 8) << false;
        QTest::newRow("name offset beyond the table") << patched(h2, 0xFFFFFFF0u, 4) << false;
        QTest::newRow("section without file data") << patched(h2 + 4, 8, 4) << false;
    }
    void hostileElf()
    {
        QFETCH(QByteArray, image);
        QFETCH(bool, found);
        uint64_t offset = 0, size = 0;
        QCOMPARE(FindElfSection(reinterpret_cast<const uint8_t*>(image.constData()), size_t(image.size()),
                                kVersionSectionName, &offset, &size),
                 found);
        std::vector<uint8_t> data;
        QCOMPARE(ReadElfSection(WriteFile("image", image).toStdString(), kVersionSectionName, 1024, &data), found);
        if (found)
            QCOMPARE(ToBytes(data), QByteArray("RESOURCE"));
    }

    void sectionSizeLimit()
    {
        const QString path = WriteFile("big", MakeElf({{".dawnbell_version", QByteArray(2000, 'x')}}));
        std::vector<uint8_t> data;
        QVERIFY(!ReadElfSection(path.toStdString(), kVersionSectionName, 1999, &data));
        QVERIFY(ReadElfSection(path.toStdString(), kVersionSectionName, 2000, &data));
        QCOMPARE(data.size(), size_t(2000));
    }

private:
    QString WriteFile(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir->path() + QLatin1Char('/') + name;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        f.write(content);
        return path;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(VersionInfoTest)
#include "VersionInfoTest.moc"

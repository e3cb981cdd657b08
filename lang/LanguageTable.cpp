#include "LanguageTable.h"

#include "BuiltinStrings.h"
#include "DevicePaths.h"
#include "Locale.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Texts.h"
#include "XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

namespace dawnbell {

namespace {

const char kBinaryDataMessage[] = "Error reading XML-file (may contain binary data)";
const char kNotWellFormedMessage[] = "Error parsing XML-file (may not be well formated)";

// Windows-1252 bytes 0x80-0x9F; the five unassigned bytes map to the C1 controls
// of the same value, as the platform's converter does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || (u >= '\t' && u <= '\r');
}

} // namespace

LanguageTable::~LanguageTable()
{
    if (m_installed)
        SetTextProvider({});
}

QString LanguageTable::Text(int id) const
{
    const auto it = m_texts.constFind(id);
    if (it != m_texts.constEnd())
        return *it;
    return BuiltinString(id);
}

void LanguageTable::InstallAsTextProvider()
{
    SetTextProvider([this](int id) {
        const auto it = m_texts.constFind(id);
        return it != m_texts.constEnd() ? *it : QString();
    });
    m_installed = true;
}

QString LanguageTable::DecodeCp1252(const char* bytes, qsizetype size)
{
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == 0)
            break;
        out += QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

int LanguageTable::EntryNumber(const QString& tagName)
{
    const qsizetype len = tagName.size();
    qsizetype i = 1;
    while (i < len && IsSpace(tagName.at(i)))
        ++i;
    bool negative = false;
    if (i < len && (tagName.at(i) == QLatin1Char('+') || tagName.at(i) == QLatin1Char('-'))) {
        negative = tagName.at(i) == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < len; ++i) {
        const char16_t u = tagName.at(i).unicode();
        if (u < '0' || u > '9')
            break;
        if (value <= INT_MAX)
            value = value * 10 + (u - '0');
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

LanguageTable::LoadResult LanguageTable::LoadFromBytes(const QByteArray& bytes)
{
    m_texts.clear();
    const qint64 size = bytes.size();
    if (size > kMaxFileSize)
        return LoadResult::BinaryData;

    QString text;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        // UTF-16LE after the byte-order mark, up to the first zero character; an odd
        // last byte counts as a character with a zero high byte.
        text.reserve((size - 1) / 2);
        for (qint64 i = 2; i < size; i += 2) {
            const char16_t hi = i + 1 < size ? data[i + 1] : 0;
            const char16_t ch = static_cast<char16_t>(data[i] | (hi << 8));
            if (ch == 0)
                break;
            text += QChar(ch);
        }
    } else {
        text = DecodeCp1252(bytes.constData(), bytes.size());
    }
    if (text.size() < size / 2 - 20)
        return LoadResult::BinaryData;

    XmlDocument doc;
    if (!doc.SetDocument(text))
        return LoadResult::NotWellFormed;

    if (!doc.FindChildElement(QStringLiteral("Stringtable")) && !doc.FindChildElement(QStringLiteral("stringtable")))
        return LoadResult::Loaded;
    doc.IntoElement();
    while (doc.FindChildElement()) {
        doc.IntoElement();
        const int number = EntryNumber(doc.TagName());
        QString entry = doc.Data();
        entry.replace(QLatin1String("\\n"), QLatin1String("\n"));
        if (entry.isNull())
            entry = QLatin1String(""); // an empty entry still replaces the built-in text
        m_texts.insert(number, entry);
        doc.OutOfElement();
    }
    return LoadResult::Loaded;
}

LanguageTable::LoadResult LanguageTable::Load(const QString& languageFile)
{
    return Load(QString::fromStdString(ProgramDir()), languageFile);
}

LanguageTable::LoadResult LanguageTable::Load(const QString& programFolder, const QString& languageFile)
{
    m_texts.clear();

    // The name is a base name inside the languages folder, never a path.
    const bool plainName = !languageFile.isEmpty() && !languageFile.contains(QLatin1Char('/'))
        && !languageFile.contains(QLatin1Char('\\'));
    QFile file(programFolder + QStringLiteral("/languages/") + languageFile + QStringLiteral(".xml"));
    if (!plainName || !QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly)) {
        WriteTodayTexts();
        return LoadResult::NoFile;
    }

    // Read at most one byte more than the limit, so an oversized file is seen as such
    // even when its reported size is wrong.
    LoadResult result = LoadResult::BinaryData;
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() == QFileDevice::NoError)
        result = LoadFromBytes(bytes);
    else
        m_texts.clear();

    switch (result) {
    case LoadResult::Loaded:
        WriteTodayTexts();
        break;
    case LoadResult::BinaryData:
        ShowMessageBox(QString::fromLatin1(kBinaryDataMessage), Text(113), MsgButtons::Ok, MsgIcon::Error);
        break;
    case LoadResult::NotWellFormed:
        ShowMessageBox(QString::fromLatin1(kNotWellFormedMessage), Text(113), MsgButtons::Ok, MsgIcon::Error);
        break;
    case LoadResult::NoFile:
        break;
    }
    return result;
}

void LanguageTable::WriteTodayTexts() const
{
    static const struct {
        const char* value; // settings value name
        int text;          // text number
    } kTodayTexts[] = {
        {"todayString0", 149},
        {"todayString1", 150},
        {"todayString3", 157},
        {"todayString4", 158},
        {"todayString5", 15}, // the question's Yes and No buttons
        {"todayString6", 16},
        // What a screen reader says for the item's rows and buttons.
        {"todayString7", 322},  // "on"
        {"todayString8", 323},  // "off"
        {"todayString9", 324},  // "next ring in %s"
        {"todayString10", 325}, // the stretch in words: hours, minutes
        {"todayString11", 326},
        {"todayString12", 327},
        {"todayString13", 328},
        {"todayString14", 329},
        {"todayString15", 26},  // "Edit"
        {"todayString16", 343}, // "Scroll up"
        {"todayString17", 344}, // "Scroll down"
        {"todayString18", 345}, // "Open Dawnbell"
    };
    for (const auto& t : kTodayTexts)
        Profile::WriteText(QStringLiteral("settings"), QString::fromLatin1(t.value), Text(t.text));
    Profile::Flush();
}

QStringList LanguageTable::AvailableLanguages(const QString& programFolder)
{
    const QDir dir(programFolder + QStringLiteral("/languages"));
    QStringList names = dir.entryList({QStringLiteral("*.xml")}, QDir::Files | QDir::CaseSensitive, QDir::Name);
    for (QString& name : names)
        name.chop(4);
    names.append(QStringLiteral("english"));
    return names;
}

QStringList LanguageTable::AvailableLanguages()
{
    return AvailableLanguages(QString::fromStdString(ProgramDir()));
}

QString LanguageTable::ChosenFile(bool store)
{
    const QString settings = QStringLiteral("settings");
    const QString value = QStringLiteral("languageFile");
    QString file = Profile::ReadText(settings, value, QStringLiteral("|"));
    if (file != QLatin1String("|"))
        return file;
    file = FileForLanguageId(PlatformLanguageId());
    if (file.isNull())
        file = QStringLiteral(""); // stored as an empty text; a null one would delete the value
    if (store)
        Profile::WriteText(settings, value, file);
    return file;
}

QString LanguageTable::FileForLanguageId(int languageId)
{
    switch (languageId & 0x3FF) {
    case 7:
        return QStringLiteral("deutsch");
    case 10:
        return QStringLiteral("español");
    case 12:
        return QStringLiteral("français");
    case 14:
        return QStringLiteral("magyar");
    case 16:
        return QStringLiteral("italiano");
    case 19:
        return QStringLiteral("nederlands");
    case 21:
        return QStringLiteral("polski");
    case 24:
        return QStringLiteral("româna");
    case 25:
        return QStringLiteral("russian");
    case 31:
        return QStringLiteral("türkçe");
    default:
        return QString();
    }
}

} // namespace dawnbell

#include "Profile.h"

#include "Registry.h"

namespace dawnbell {

namespace {

QString& RegistryKeyName()
{
    static QString name = QStringLiteral("Torvane");
    return name;
}

std::string SectionPath(const QString& section)
{
    QString path = Profile::RootPath();
    if (!section.isEmpty())
        path += QLatin1Char('\\') + section;
    return path.toStdString();
}

std::string Name(const QString& value)
{
    return value.toStdString();
}

std::u16string ToU16(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

} // namespace

void Profile::SetRegistryKey(const QString& key)
{
    RegistryKeyName() = key;
}

QString Profile::RootPath()
{
    return QStringLiteral("Software\\") + RegistryKeyName() + QStringLiteral("\\Dawnbell");
}

int Profile::ReadInt(const QString& section, const QString& value, int def)
{
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return def;
    uint32_t v;
    return key.ReadDword(Name(value), &v) ? static_cast<int>(v) : def;
}

bool Profile::WriteInt(const QString& section, const QString& value, int v)
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return false;
    return key.WriteDword(Name(value), static_cast<uint32_t>(v)) == RegOk;
}

QString Profile::ReadText(const QString& section, const QString& value, const QString& def)
{
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return def;
    std::u16string text;
    if (!key.ReadString(Name(value), &text))
        return def;
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

bool Profile::WriteText(const QString& section, const QString& value, const QString& text)
{
    if (value.isNull())
        return DeleteSection(section);
    if (text.isNull())
        return DeleteValue(section, value);
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return false;
    return key.WriteString(Name(value), ToU16(text)) == RegOk;
}

bool Profile::ReadBinary(const QString& section, const QString& value, QByteArray* out)
{
    out->clear();
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return false;
    std::vector<uint8_t> data;
    if (!key.ReadBinary(Name(value), &data))
        return false;
    *out = QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    return true;
}

bool Profile::WriteBinary(const QString& section, const QString& value, const QByteArray& bytes)
{
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return false;
    return key.SetValue(Name(value), RegType::Binary, bytes.constData(), static_cast<size_t>(bytes.size())) == RegOk;
}

bool Profile::DeleteValue(const QString& section, const QString& value)
{
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, SectionPath(section), &key) != RegOk)
        return false;
    return key.DeleteValue(Name(value)) == RegOk;
}

bool Profile::DeleteSection(const QString& section)
{
    if (section.isEmpty())
        return false; // never the whole root
    return RegDeleteTree(Hive::CurrentUser, SectionPath(section)) == RegOk;
}

void Profile::Flush()
{
    RegFlush(Hive::CurrentUser);
}

} // namespace dawnbell

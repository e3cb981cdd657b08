#include "VersionInfo.h"

#include "DevicePaths.h"
#include "ElfSection.h"
#include "Locale.h"

#include <QFile>

#include <cstdio>
#include <vector>

namespace dawnbell {

namespace {

const char16_t* const kTextNames[VersionInfo::TextFieldCount] = {
    u"CompanyName",  u"FileDescription", u"FileVersion", u"InternalName",
    u"LegalCopyright", u"OriginalFileName", u"ProductName", u"ProductVersion",
    u"Comments",     u"LegalTrademarks", u"PrivateBuild", u"SpecialBuild",
};

int FindLanguage(const uint32_t* entries, size_t count, int language)
{
    for (size_t i = 0; i < count; ++i) {
        if (static_cast<int>(entries[i] & 0xFFFF) == language)
            return static_cast<int>(i);
    }
    for (size_t i = 0; i < count; ++i) {
        if ((entries[i] & 0xFF) == static_cast<uint32_t>(language & 0xFF))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

VersionInfo::VersionInfo()
{
    Reset();
}

VersionInfo::~VersionInfo() = default;

void VersionInfo::Reset()
{
    fixed_ = FixedFileInfo();
    for (QString& text : texts_)
        text.clear();
}

const char16_t* VersionInfo::TextName(int field)
{
    return field >= 0 && field < TextFieldCount ? kTextNames[field] : u"";
}

QString VersionInfo::Text(int field) const
{
    return field >= 0 && field < TextFieldCount ? texts_[field] : QString();
}

int VersionInfo::ChooseTranslation(const uint32_t* entries, size_t count, int defaultLanguage)
{
    if (count == 0)
        return -1;
    for (int language : {defaultLanguage, 0, 9}) {
        const int found = FindLanguage(entries, count, language);
        if (found >= 0)
            return found;
    }
    return 0;
}

bool VersionInfo::Load(const QString& modulePath)
{
    Reset();
    const std::string path = modulePath.isEmpty() ? ProgramPath() : QFile::encodeName(modulePath).toStdString();
    std::vector<uint8_t> section;
    if (path.empty() || !ReadElfSection(path, kVersionSectionName, kMaxResourceBytes, &section))
        return false;
    const size_t size = VersionResourceSize(section.data(), section.size());
    if (size == 0)
        return false;
    const uint8_t* res = section.data();

    VersionValue value;
    if (QueryVersionValue(res, size, u"\\", &value) && value.size == kFixedFileInfoBytes)
        fixed_ = FixedFileInfoFromBytes(value.data);

    // Without a translation list there is no table to read the texts from.
    if (!QueryVersionValue(res, size, u"\\VarFileInfo\\Translation", &value) || value.size < 4)
        return true;
    std::vector<uint32_t> entries(value.size / 4);
    for (size_t i = 0; i < entries.size(); ++i) {
        const uint8_t* p = value.data + 4 * i;
        entries[i] = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
            | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    const int chosen = ChooseTranslation(entries.data(), entries.size(), PlatformLanguageId());
    const uint32_t e = entries[static_cast<size_t>(chosen)];
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", e & 0xFFFF, e >> 16);
    const std::u16string base(prefix, prefix + std::char_traits<char>::length(prefix));
    for (int field = 0; field < TextFieldCount; ++field) {
        if (QueryVersionValue(res, size, base + kTextNames[field], &value))
            texts_[field] = QString::fromStdU16String(VersionValueText(value));
    }
    return true;
}

} // namespace dawnbell

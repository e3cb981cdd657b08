#include "AlarmStore.h"

#include "AlarmChanges.h"
#include "AlarmField.h"
#include "Clock.h"
#include "Profile.h"
#include "Registry.h"
#include "SectionName.h"
#include "Texts.h"
#include "WaitCursor.h"


#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <string_view>

namespace dawnbell {

namespace {

std::string KeyPath(const QString& section)
{
    QString path = Profile::RootPath();
    if (!section.isEmpty())
        path += QLatin1Char('\\') + section;
    return path.toStdString();
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The values a section may hold besides "playlist%d": the AlarmField rows, in
// table order, then a template's `time`.
int TimeSlot()
{
    return static_cast<int>(AlarmFields().size());
}

// Their names in lower case, indexed by slot (the registry compares value names
// without regard to case).
const std::vector<std::string>& KnownNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const AlarmField& f : AlarmFields())
            out.emplace_back(f.name);
        out.emplace_back("time");
        for (std::string& n : out)
            std::transform(n.begin(), n.end(), n.begin(), Lower);
        return out;
    }();
    return names;
}

// FNV-1a of the lower-cased name.
uint32_t NameHash(std::string_view name)
{
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<uint8_t>(Lower(c))) * 16777619u;
    return h;
}

// The slot of a value name (any letter case), or -1. An open-addressing table
// keeps this cheap: it runs once for every value of every section.
int KnownSlot(std::string_view name)
{
    constexpr uint32_t kTableSize = 128; // a power of two, well above the number of names
    static const std::array<int8_t, kTableSize> kTable = [] {
        std::array<int8_t, kTableSize> t;
        t.fill(-1);
        const std::vector<std::string>& names = KnownNames();
        for (size_t i = 0; i < names.size(); ++i) {
            uint32_t h = NameHash(names[i]) & (kTableSize - 1);
            while (t[h] >= 0)
                h = (h + 1) & (kTableSize - 1);
            t[h] = static_cast<int8_t>(i);
        }
        return t;
    }();
    for (uint32_t h = NameHash(name) & (kTableSize - 1);; h = (h + 1) & (kTableSize - 1)) {
        const int slot = kTable[h];
        if (slot < 0)
            return -1;
        const std::string& known = KnownNames()[static_cast<size_t>(slot)];
        if (known.size() == name.size()
            && std::equal(name.begin(), name.end(), known.begin(), [](char a, char b) { return Lower(a) == b; }))
            return slot;
    }
}

// n of a value named "playlist<n>" exactly as written ("%d", no leading zeros),
// or -1.
int PlaylistIndex(std::string_view name)
{
    constexpr std::string_view kPrefix = "playlist";
    if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 9)
        return -1;
    for (size_t i = 0; i < kPrefix.size(); ++i) {
        const char c = name[i];
        if (((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c) != kPrefix[i])
            return -1;
    }
    const std::string_view digits = name.substr(kPrefix.size());
    if (digits.size() > 1 && digits[0] == '0')
        return -1;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Typed reads of one open section with the registry's rules: a value of the
// wrong type or size reads as missing, so it takes the default. The section's
// values are fetched once into `buffer` (reused from section to section, so a
// bulk load does not allocate per value) and indexed by name.
class SectionReader {
public:
    SectionReader(const RegKey& key, std::vector<RegValue>* buffer)
        : values_(*buffer), known_(KnownNames().size(), -1)
    {
        // All of them in one read, into the buffer the sections share.
        if (key.ReadAllValues(&values_) != RegOk)
            values_.clear();
        for (uint32_t i = 0; i < values_.size(); ++i) {
            const std::string& name = values_[i].name;
            const int slot = KnownSlot(name);
            if (slot >= 0) {
                known_[slot] = static_cast<int>(i);
                continue;
            }
            const int entry = PlaylistIndex(name);
            if (entry >= 0 && entry < AlarmStore::kMaxPlaylistEntries) {
                if (static_cast<size_t>(entry) >= playlist_.size())
                    playlist_.resize(static_cast<size_t>(entry) + 1, -1);
                playlist_[entry] = static_cast<int>(i);
            }
        }
    }

    int Int(int slot, int def) const
    {
        const RegValue* v = Find(slot);
        if (!v || v->type != RegType::Dword || v->data.size() != 4)
            return def;
        const auto& d = v->data;
        return static_cast<int>(uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16 | uint32_t(d[3]) << 24);
    }
    QString Text(int slot) const { return TextOf(Find(slot)); }
    bool Binary(int slot, std::vector<uint8_t>* out) const
    {
        const RegValue* v = Find(slot);
        if (!v || v->type != RegType::Binary)
            return false;
        *out = v->data;
        return true;
    }
    // Text of value "playlist<n>", empty when missing or unreadable.
    QString PlaylistEntry(int n) const
    {
        if (n < 0 || static_cast<size_t>(n) >= playlist_.size() || playlist_[n] < 0)
            return QString();
        return TextOf(&values_[playlist_[n]]);
    }

private:
    // REG_SZ data of an even size; the text ends at the first zero code unit.
    static QString TextOf(const RegValue* v)
    {
        if (!v || v->type != RegType::Sz || v->data.size() % 2 != 0)
            return QString();
        const auto& d = v->data;
        size_t units = 0;
        while (units < d.size() / 2 && (d[2 * units] | d[2 * units + 1]) != 0)
            ++units;
        QString text(static_cast<qsizetype>(units), Qt::Uninitialized);
        QChar* out = text.data();
        for (size_t i = 0; i < units; ++i)
            out[i] = QChar(static_cast<char16_t>(d[2 * i] | d[2 * i + 1] << 8));
        return text;
    }
    const RegValue* Find(int slot) const
    {
        const int index = known_[static_cast<size_t>(slot)];
        return index < 0 ? nullptr : &values_[index];
    }

    std::vector<RegValue>& values_;
    std::vector<int> known_;                // index into values_ per known slot, -1 = missing
    std::vector<int> playlist_;             // index into values_ per playlist entry, -1 = missing
};

// Fills `alarm` (freshly constructed) from its section `key` named as `info` says.
void LoadAlarm(const RegKey& key, const SectionInfo& info, Alarm* alarm, std::vector<RegValue>* buffer)
{
    const SectionReader r(key, buffer);

    int seconds = info.secondsOfDay;
    alarm->repeatDays = info.repeatDays;
    if (info.kind == SectionKind::Appointment) {
        alarm->dateYear = info.year;
        alarm->dateMonth = info.month;
        alarm->dateDay = info.day;
        alarm->repeatDays = 0;
    } else if (info.kind == SectionKind::Template) {
        // A `time` outside the day reads as missing.
        if (!SplitKeyValue(r.Int(TimeSlot(), 0), &seconds, &alarm->repeatDays)) {
            seconds = 0;
            alarm->repeatDays = 0;
        }
    }
    alarm->SetTimeOfDay(seconds); // today at that time; the key keeps the stored time

    const std::vector<AlarmField>& fields = AlarmFields();
    for (size_t slot = 0; slot < fields.size(); ++slot) {
        const AlarmField& f = fields[slot];
        const int at = static_cast<int>(slot);
        switch (f.kind) {
        case FieldKind::Playlist: {
            const int count = std::clamp(r.Int(at, 0), 0, AlarmStore::kMaxPlaylistEntries);
            QStringList playlist;
            playlist.reserve(count);
            for (int i = 0; i < count; ++i)
                playlist.append(r.PlaylistEntry(i));
            alarm->SetPlaylist(playlist);
            break;
        }
        case FieldKind::Fade: {
            // Only a curve of the exact length replaces the new-alarm curve.
            std::vector<uint8_t> fade;
            if (r.Binary(at, &fade) && fade.size() == static_cast<size_t>(kFadePoints))
                std::copy(fade.begin(), fade.end(), alarm->fade.begin());
            break;
        }
        case FieldKind::Text:
            f.TextOf(alarm) = r.Text(at);
            break;
        case FieldKind::Integer:
        case FieldKind::Colour:
            f.SetNumber(alarm, r.Int(at, static_cast<int>(f.loadDefault)));
            break;
        case FieldKind::Handle:
            break; // always zero; never read back
        }
    }
    // Loading never refuses an activation: the flag is taken as stored (any
    // non-zero value is on), without the past-appointment check of SetActivated.
    alarm->activated = alarm->activated != 0 ? 1 : 0;
}

// A new record of the right class for a parsed section name.
std::unique_ptr<Alarm> NewRecord(const SectionInfo& info)
{
    if (info.kind == SectionKind::Template) {
        auto t = std::make_unique<AlarmTemplate>();
        t->name = info.templateName;
        return t;
    }
    return std::make_unique<Alarm>();
}

} // namespace

bool AlarmStore::NameLess(const QString& a, const QString& b)
{
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.utf16());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.utf16());
    return std::lexicographical_compare(pa, pa + a.size(), pb, pb + b.size());
}

void AlarmStore::LoadAll(std::vector<std::unique_ptr<Alarm>>* alarms,
                         std::vector<std::unique_ptr<AlarmTemplate>>* templates)
{
    WaitCursor wait;
    ++AlarmChanges::Trace().loads;
    const size_t firstTemplate = templates->size();
    {
        RegReadScope scope; // one snapshot, read from the cache
        RegKey root;
        if (RegKey::Open(Hive::CurrentUser, KeyPath(QString()), &root) != RegOk)
            return;
        uint32_t count = 0;
        if (root.QueryInfo(&count, nullptr) != RegOk)
            return;
        std::vector<RegValue> buffer; // value storage reused from section to section
        for (uint32_t i = 0; i < count; ++i) {
            std::string utf8;
            if (root.EnumKey(i, &utf8) != RegOk)
                continue;
            const QString name = QString::fromStdString(utf8);
            SectionInfo info;
            if (ParseSectionName(name, &info) == SectionKind::None)
                continue;
            RegKey key;
            if (RegKey::Open(Hive::CurrentUser, root.path() + '\\' + utf8, &key) != RegOk)
                continue;
            std::unique_ptr<Alarm> record = NewRecord(info);
            LoadAlarm(key, info, record.get(), &buffer);
            if (info.kind == SectionKind::Template)
                templates->emplace_back(static_cast<AlarmTemplate*>(record.release()));
            else
                alarms->push_back(std::move(record));
        }
    }
    std::stable_sort(templates->begin() + static_cast<std::ptrdiff_t>(firstTemplate), templates->end(),
                     [](const std::unique_ptr<AlarmTemplate>& a, const std::unique_ptr<AlarmTemplate>& b) {
                         return NameLess(a->name, b->name);
                     });
}

std::unique_ptr<Alarm> AlarmStore::LoadSection(const QString& section)
{
    SectionInfo info;
    if (ParseSectionName(section, &info) == SectionKind::None)
        return nullptr;
    ++AlarmChanges::Trace().loads;
    RegReadScope scope;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, KeyPath(section), &key) != RegOk)
        return nullptr;
    std::unique_ptr<Alarm> record = NewRecord(info);
    std::vector<RegValue> buffer;
    LoadAlarm(key, info, record.get(), &buffer);
    return record;
}

bool AlarmStore::DeleteSection(const Alarm& alarm)
{
    const QString section = alarm.GetKey();
    if (!IsStorableSectionName(section))
        return false;
    const bool ok = Profile::WriteText(section, QString(), QString());
    Profile::Flush();
    return ok;
}

void AlarmStore::LoadNamedColors(QList<NamedColor>* colors)
{
    if (!colors->isEmpty())
        return;
    {
        RegReadScope scope;
        RegKey key;
        if (RegKey::Open(Hive::CurrentUser, KeyPath(QStringLiteral("settings\\colors")), &key) != RegOk)
            return;
        RegValue value;
        for (uint32_t i = 0; key.EnumValue(i, &value) == RegOk; ++i) {
            if (value.type != RegType::Dword || value.data.size() != 4)
                continue;
            const QString name = QString::fromStdString(value.name);
            if (name.size() > kMaxColorNameChars)
                continue;
            const uint32_t color = uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8
                | uint32_t(value.data[2]) << 16 | uint32_t(value.data[3]) << 24;
            colors->append(NamedColor{name, color});
        }
    }
    std::stable_sort(colors->begin(), colors->end(),
                     [](const NamedColor& a, const NamedColor& b) { return NameLess(a.name, b.name); });
}

const std::vector<DefaultColor>& AlarmStore::DefaultNamedColors()
{
    static const std::vector<DefaultColor> kColors = {
        {32, 15116940},  {163, 8536370},  {164, 16440520}, {34, 3328050},   {173, 3302400},  {174, 13824220},
        {35, 12477690},  {176, 14469370}, {36, 701690},    {40, 0},         {37, 16777215},  {38, 11184810},
        {171, 5263440},  {172, 15132390}, {165, 1986710},  {166, 1978960},  {167, 33460},    {168, 3993850},
        {169, 51440},    {170, 13171450}, {33, 3947770},   {177, 150},      {178, 12500730}, {179, 13158400},
        {180, 11184640}, {181, 16448000}, {182, 16402080}, {183, 11141220}, {184, 16427730},
    };
    return kColors;
}

bool AlarmStore::WriteDefaultNamedColors()
{
    bool ok = true;
    {
        RegWriteBatch batch;
        RegKey key;
        if (RegKey::Create(Hive::CurrentUser, KeyPath(QStringLiteral("settings\\colors")), &key) != RegOk)
            return false;
        for (const DefaultColor& c : DefaultNamedColors())
            ok = key.WriteDword(Text(c.textId).toStdString(), c.color) == RegOk && ok;
    }
    Profile::Flush();
    return ok;
}

} // namespace dawnbell

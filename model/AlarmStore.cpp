#include "AlarmStore.h"

#include "Clock.h"
#include "Profile.h"
#include "Registry.h"
#include "SectionName.h"
#include "Texts.h"
#include "WaitCursor.h"


#include <algorithm>
#include <string>

namespace dawnbell {

namespace {

std::string KeyPath(const QString& section)
{
    QString path = Profile::RootPath();
    if (!section.isEmpty())
        path += QLatin1Char('\\') + section;
    return path.toStdString();
}

// Typed reads of one open section with the profile's rules: a value of the wrong
// type or size reads as missing, so it takes the default.
class SectionReader {
public:
    explicit SectionReader(const RegKey& key) : key_(key) {}

    int Int(const char* name, int def) const
    {
        uint32_t v = 0;
        return key_.ReadDword(name, &v) ? static_cast<int>(v) : def;
    }
    QString Text(const std::string& name) const
    {
        std::u16string text;
        if (!key_.ReadString(name, &text))
            return QString();
        return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    }
    bool Binary(const char* name, std::vector<uint8_t>* out) const { return key_.ReadBinary(name, out); }

private:
    const RegKey& key_;
};

// Fills `alarm` (freshly constructed) from its section `key` named as `info` says.
void LoadAlarm(const RegKey& key, const SectionInfo& info, Alarm* alarm)
{
    const SectionReader r(key);

    int seconds = info.secondsOfDay;
    alarm->repeatDays = info.repeatDays;
    if (info.kind == SectionKind::Appointment) {
        alarm->dateYear = info.year;
        alarm->dateMonth = info.month;
        alarm->dateDay = info.day;
        alarm->repeatDays = 0;
    } else if (info.kind == SectionKind::Template) {
        // A `time` outside the day reads as missing.
        if (!SplitKeyValue(r.Int("time", 0), &seconds, &alarm->repeatDays)) {
            seconds = 0;
            alarm->repeatDays = 0;
        }
    }
    const clock::LocalTime today = clock::ToLocal(clock::Now());
    alarm->alarmTime = clock::MakeLocal(today.year, today.month, today.day, seconds / 3600, (seconds % 3600) / 60,
                                        seconds % 60);

    // `type` still has its construction value (wizard), so no date check happens here.
    alarm->SetActivated(r.Int("activated", 0) != 0);

    alarm->message = r.Text("message");
    alarm->random = r.Int("random", 0);
    alarm->snooze = r.Int("snooze", 0);
    alarm->volume = r.Int("volume", 50);
    alarm->fadeDuration = r.Int("fadeDuration", 5);
    alarm->forceVolume = r.Int("forceVolume", 0);
    alarm->title = r.Text("title");
    alarm->vibrate = r.Int("vibrate", 0);
    alarm->quiz = r.Int("quiz", 3);
    alarm->quizLevel = r.Int("quizLevel", 1);
    alarm->quizTypes = r.Int("quizTypes", 1);
    alarm->useFade = r.Int("useFade", 1);
    alarm->useSnooze = r.Int("useSnooze", 1);
    alarm->closeAfterMinutes = r.Int("closeAfterMinutes", 0);
    alarm->closeAfterTimes = r.Int("closeAfterTimes", 0);
    alarm->useBackColor = r.Int("useBackColor", 0);
    alarm->useTextColor = r.Int("useTextColor", 0);
    alarm->backColor = static_cast<uint32_t>(r.Int("backColor", 15116940));
    alarm->textColor = static_cast<uint32_t>(r.Int("textColor", 0xFFFFFF));
    alarm->backImageStyle = r.Int("backImageStyle", 0);
    alarm->layoutStyle = r.Int("layoutStyle", 0);
    alarm->showSoundControls = r.Int("showSoundControls", 0);
    alarm->vibrateInterval = r.Int("vibrateInterval", 1);
    alarm->confirmClose = r.Int("confirmClose", 1);
    alarm->type = r.Int("type", 0);
    alarm->command = r.Text("command");
    for (int field = 0; field < BackImageFieldCount; ++field)
        alarm->backImages[field] = r.Text(BackImageValueName(field).toStdString());
    alarm->noTextBorder = r.Int("noTextBorder", 0);

    std::vector<uint8_t> fade;
    if (r.Binary("fade", &fade) && fade.size() == static_cast<size_t>(kFadePoints))
        std::copy(fade.begin(), fade.end(), alarm->fade.begin());

    const int count = std::clamp(r.Int("playlistCount", 0), 0, AlarmStore::kMaxPlaylistEntries);
    QStringList playlist;
    playlist.reserve(count);
    for (int i = 0; i < count; ++i)
        playlist.append(r.Text("playlist" + std::to_string(i)));
    alarm->SetPlaylist(playlist);
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
    const size_t firstTemplate = templates->size();
    {
        RegReadScope scope; // one snapshot, read from the cache
        RegKey root;
        if (RegKey::Open(Hive::CurrentUser, KeyPath(QString()), &root) != RegOk)
            return;
        uint32_t count = 0;
        if (root.QueryInfo(&count, nullptr) != RegOk)
            return;
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
            LoadAlarm(key, info, record.get());
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
    RegReadScope scope;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, KeyPath(section), &key) != RegOk)
        return nullptr;
    std::unique_ptr<Alarm> record = NewRecord(info);
    LoadAlarm(key, info, record.get());
    return record;
}

bool AlarmStore::DeleteSection(const Alarm& alarm)
{
    const QString section = alarm.GetKey();
    if (section.isEmpty())
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

#include "ToolArguments.h"

#include <QDate>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

namespace dawnbell::cli {

namespace {

const QString kTool = QStringLiteral("dawnbell-alarm");

// The commands as typed, in the order the overview lists them.
const struct {
    Command command;
    const char* name;
} kCommands[] = {
    {Command::List, "list"},
    {Command::Show, "show"},
    {Command::Next, "next"},
    {Command::Add, "add"},
    {Command::Enable, "enable"},
    {Command::Disable, "disable"},
    {Command::Remove, "remove"},
    {Command::Test, "test"},
    {Command::Snooze, "snooze"},
    {Command::Stop, "stop"},
    {Command::ExportTemplate, "export-template"},
    {Command::ImportTemplate, "import-template"},
    {Command::Doctor, "doctor"},
    {Command::Help, "help"},
};

// English day names, Monday first; the first of each row is the output name.
const char* const kEnglishDays[7][5] = {
    {"mo", "mon", "monday", nullptr, nullptr},
    {"tu", "tue", "tues", "tuesday", nullptr},
    {"we", "wed", "wednesday", nullptr, nullptr},
    {"th", "thu", "thur", "thurs", "thursday"},
    {"fr", "fri", "friday", nullptr, nullptr},
    {"sa", "sat", "saturday", nullptr, nullptr},
    {"su", "sun", "sunday", nullptr, nullptr},
};

constexpr int kWeekdays = 0x1F; // Monday to Friday
constexpr int kWeekend = 0x60;  // Saturday and Sunday
constexpr int kDaily = 0x7F;

QString Quoted(const QString& text)
{
    // Long or multi-line values are shortened so the message stays one line.
    QString shown = text.left(40);
    shown.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (shown.size() < text.size())
        shown += QStringLiteral("...");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// Folds a day name for comparison: lower case, blanks and one trailing "." dropped.
QString FoldDay(const QString& name)
{
    QString n = name.trimmed().toLower();
    if (n.endsWith(QLatin1Char('.')))
        n.chop(1);
    return n;
}

bool AllDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// A decimal number of at most `maxDigits` digits within min..max.
bool ParseNumber(const QString& text, int maxDigits, int min, int max, int* out)
{
    if (!AllDigits(text) || text.size() > maxDigits)
        return false;
    const int v = text.toInt();
    if (v < min || v > max)
        return false;
    *out = v;
    return true;
}

// One option of one command.
struct Option {
    QString name;      // without the leading "--"
    bool takesValue;   // --name VALUE or --name=VALUE
    // Stores the value (or the flag); false with `error` set when it is bad.
    std::function<bool(const QString& value, ToolRequest* r, QString* error)> apply;
};

// Sets an optional once; a second occurrence is an error.
template <typename T>
bool SetOnce(std::optional<T>* slot, const T& value, const char* option, QString* error)
{
    if (slot->has_value()) {
        *error = QStringLiteral("--%1 is given twice").arg(QLatin1String(option));
        return false;
    }
    *slot = value;
    return true;
}

// Sets a stored value once; a second occurrence of its option (or of its
// switching-off option, named together in `options`) is an error.
bool SetValueOnce(ToolRequest* r, const ToolField& field, const GivenValue& value, const QString& options,
                  QString* error)
{
    if (r->add.values.count(field.row)) {
        *error = QStringLiteral("--%1 is given twice").arg(options);
        return false;
    }
    r->add.values[field.row] = value;
    return true;
}

// The number of decimal digits of a non-negative `n`.
int Digits(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// The option (or, for a Flag or a Switched value with an off option, the pair of
// options) that sets a stored value, as a duplicate is told: "snooze or --no-snooze".
QString OptionsNamed(const ToolField& f)
{
    const QString option = QLatin1String(f.option);
    if (f.form == ToolForm::Flag)
        return option + QStringLiteral(" or --no-") + option;
    if (f.form == ToolForm::Switched && f.offOption)
        return option + QStringLiteral(" or --") + QLatin1String(f.offOption);
    return option;
}

// The options of "add" that set a stored value: one per ToolFields row, and the
// "--no-" form of a Flag or the off option of a Switched value. Each checks its
// value against the row's bounds and sets it once.
std::vector<Option> ValueOptions()
{
    std::vector<Option> options;
    for (const ToolField& field : ToolFields()) {
        const ToolField* f = &field;
        const QString name = QLatin1String(f->option);
        switch (f->form) {
        case ToolForm::Text:
            options.push_back({name, true, [f](const QString& v, ToolRequest* r, QString* e) {
                                   if (v.size() > ToolArguments::kMaxTextChars) {
                                       *e = QStringLiteral("the --%1 text is longer than %2 characters")
                                                .arg(QLatin1String(f->option))
                                                .arg(ToolArguments::kMaxTextChars);
                                       return false;
                                   }
                                   GivenValue given;
                                   given.text = v;
                                   return SetValueOnce(r, *f, given, OptionsNamed(*f), e);
                               }});
            break;
        case ToolForm::Command:
            options.push_back({name, true, [f](const QString& v, ToolRequest* r, QString* e) {
                                   GivenValue given;
                                   given.text = v;
                                   return SetValueOnce(r, *f, given, OptionsNamed(*f), e);
                               }});
            break;
        case ToolForm::Playlist:
            options.push_back({name, true, [f](const QString& v, ToolRequest* r, QString* e) {
                                   if (v.isEmpty()) {
                                       *e = QStringLiteral("--%1 needs a file name").arg(QLatin1String(f->option));
                                       return false;
                                   }
                                   QStringList& files = r->add.values[f->row].files;
                                   if (files.size() >= ToolArguments::kMaxSounds) {
                                       *e = QStringLiteral("more than %1 sound files").arg(ToolArguments::kMaxSounds);
                                       return false;
                                   }
                                   files << v;
                                   return true;
                               }});
            break;
        case ToolForm::Flag:
            for (const int on : {1, 0}) {
                options.push_back({on ? name : QStringLiteral("no-") + name, false,
                                   [f, on](const QString&, ToolRequest* r, QString* e) {
                                       GivenValue given;
                                       given.number = on;
                                       return SetValueOnce(r, *f, given, OptionsNamed(*f), e);
                                   }});
            }
            break;
        case ToolForm::Number:
        case ToolForm::Switched:
            options.push_back({name, true, [f](const QString& v, ToolRequest* r, QString* e) {
                                   GivenValue given;
                                   if (!ParseNumber(v, Digits(f->max), f->min, f->max, &given.number)) {
                                       *e = QStringLiteral("invalid %1 %2 (%3)")
                                                .arg(QLatin1String(f->option), Quoted(v), QLatin1String(f->hint));
                                       return false;
                                   }
                                   return SetValueOnce(r, *f, given, OptionsNamed(*f), e);
                               }});
            if (f->form == ToolForm::Switched && f->offOption) {
                options.push_back({QLatin1String(f->offOption), false,
                                   [f](const QString&, ToolRequest* r, QString* e) {
                                       return SetValueOnce(r, *f, GivenValue(), OptionsNamed(*f), e);
                                   }});
            }
            break;
        }
    }
    return options;
}

// The options of "add" that are the tool's own (not stored values), as the help
// lists them: `place` orders them among the stored values' options (ToolField::place).
struct OwnOption {
    int place;
    const char* head; // the option and its value's name
    const char* help; // "\n" starts a continuation line
};
const OwnOption kAddOwnOptions[] = {
    {1, "--time HH:MM[:SS]", "time of day"},
    {2, "--in DURATION", "in this long from now, once (25m, 1h30m, 90s; under 24h)"},
    {3, "--days LIST",
     "repeat days: mo,tu,we,th,fr,sa,su (or the language's short\nnames), ranges such as mo-fr, weekdays, "
     "weekend, daily"},
    {4, "--date YYYY-MM-DD", "an appointment: rings once on that date"},
    {80, "--inactive", "store the alarm switched off"},
    {85, "--from-template NAME", "start from a template; other options change its values"},
};

// One option in the help: "  HEAD" and its text from column 25 (two blanks after
// a longer head), continuation lines indented to that column.
QString HelpLine(const QString& head, const QString& help)
{
    constexpr int kHeadWidth = 23;
    QString line = QStringLiteral("  ") + head;
    line += head.size() < kHeadWidth ? QString(kHeadWidth - head.size(), QLatin1Char(' ')) : QStringLiteral("  ");
    const QStringList parts = help.split(QLatin1Char('\n'));
    line += parts.join(QLatin1Char('\n') + QString(kHeadWidth + 2, QLatin1Char(' ')));
    return line + QLatin1Char('\n');
}

// The option lines of "add --help": the tool's own options and one per stored
// value (with its off form), in place order.
QString AddOptionHelp()
{
    std::vector<std::pair<int, QString>> lines;
    for (const OwnOption& o : kAddOwnOptions)
        lines.push_back({o.place, HelpLine(QLatin1String(o.head), QLatin1String(o.help))});
    for (const ToolField& f : ToolFields()) {
        const QString option = QStringLiteral("--") + QLatin1String(f.option);
        QString help = QLatin1String(f.help);
        if (f.form == ToolForm::Text)
            help += QStringLiteral(" (at most %1 characters)").arg(ToolArguments::kMaxTextChars);
        QString text;
        if (f.form == ToolForm::Flag)
            text = HelpLine(option + QStringLiteral(", --no-") + QLatin1String(f.option), help);
        else
            text = HelpLine(option + QLatin1Char(' ') + QLatin1String(f.metavar), help);
        if (f.form == ToolForm::Switched && f.offOption)
            text += HelpLine(QStringLiteral("--") + QLatin1String(f.offOption), QLatin1String(f.offHelp));
        lines.push_back({f.place, text});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QString out;
    for (const auto& line : lines)
        out += line.second;
    return out;
}

std::vector<Option> OptionsOf(Command command, const DayNames& localNames)
{
    const Option json{"json", false, [](const QString&, ToolRequest* r, QString*) {
                          r->json = true;
                          return true;
                      }};
    switch (command) {
    case Command::List:
        return {json,
                {"templates", false, [](const QString&, ToolRequest* r, QString*) {
                     r->templates = true;
                     return true;
                 }},
                {"keys", false, [](const QString&, ToolRequest* r, QString*) {
                     r->keys = true;
                     return true;
                 }}};
    case Command::Show:
    case Command::Next:
    case Command::Doctor:
        return {json};
    case Command::ImportTemplate:
        return {{"overwrite", false, [](const QString&, ToolRequest* r, QString*) {
                     r->overwrite = true;
                     return true;
                 }},
                {"keep", false, [](const QString&, ToolRequest* r, QString*) {
                     r->overwrite = false;
                     return true;
                 }}};
    case Command::Add:
        break;
    default:
        return {};
    }
    std::vector<Option> options = {
        {"time", true,
         [](const QString& v, ToolRequest* r, QString* e) {
             int s = 0;
             if (!ToolArguments::ParseTime(v, &s)) {
                 *e = QStringLiteral("invalid time %1 (use HH:MM or HH:MM:SS, from 00:00 to 23:59:59)").arg(Quoted(v));
                 return false;
             }
             return SetOnce(&r->add.secondsOfDay, s, "time", e);
         }},
        {"in", true,
         [](const QString& v, ToolRequest* r, QString* e) {
             int s = 0;
             if (!ToolArguments::ParseDuration(v, &s)) {
                 *e = QStringLiteral("invalid relative time %1 (use e.g. 25m, 1h30m or 90s, under 24 hours)")
                          .arg(Quoted(v));
                 return false;
             }
             return SetOnce(&r->add.inSeconds, s, "in", e);
         }},
        {"days", true,
         [localNames](const QString& v, ToolRequest* r, QString* e) {
             int mask = 0;
             QString bad;
             if (!ToolArguments::ParseDays(v, localNames, &mask, &bad)) {
                 *e = QStringLiteral("unknown day name %1 in --days (use mo,tu,we,th,fr,sa,su, ranges such as "
                                     "mo-fr, weekdays, weekend or daily)")
                          .arg(Quoted(bad));
                 return false;
             }
             return SetOnce(&r->add.days, mask, "days", e);
         }},
        {"date", true,
         [](const QString& v, ToolRequest* r, QString* e) {
             Date d;
             if (!ToolArguments::ParseDate(v, &d)) {
                 *e = QStringLiteral("invalid date %1 (use YYYY-MM-DD)").arg(Quoted(v));
                 return false;
             }
             if (r->add.date) {
                 *e = QStringLiteral("--date is given twice");
                 return false;
             }
             r->add.date = d;
             return true;
         }},
        {"inactive", false,
         [](const QString&, ToolRequest* r, QString*) {
             r->add.inactive = true;
             return true;
         }},
        {"from-template", true,
         [](const QString& v, ToolRequest* r, QString* e) {
             if (v.isEmpty()) {
                 *e = QStringLiteral("--from-template needs a template name");
                 return false;
             }
             return SetOnce(&r->add.templateName, v, "from-template", e);
         }},
    };
    for (Option& o : ValueOptions())
        options.push_back(std::move(o));
    return options;
}

Command CommandNamed(const QString& name)
{
    for (const auto& c : kCommands) {
        if (name == QLatin1String(c.name))
            return c.command;
    }
    return Command::None;
}

// The combinations "add" refuses, checked once every option is read.
bool CheckAdd(const AddOptions& a, QString* error)
{
    if (a.secondsOfDay && a.inSeconds) {
        *error = QStringLiteral("--time and --in exclude each other");
        return false;
    }
    if (a.days && a.date) {
        *error = QStringLiteral("--days and --date exclude each other (an appointment rings once)");
        return false;
    }
    if (a.inSeconds && (a.days || a.date)) {
        *error = QStringLiteral("--in gives a one-time alarm: leave out --%1").arg(a.days ? "days" : "date");
        return false;
    }
    if (!a.templateName && !a.secondsOfDay && !a.inSeconds) {
        *error = QStringLiteral("add needs --time HH:MM, --in DURATION or --from-template NAME");
        return false;
    }
    if (a.FirstGiven(ToolForm::Command)) {
        if (const ToolField* ringing = a.FirstGiven(ToolKinds::Ringing)) {
            *error = QStringLiteral("a command alarm starts its command instead of ringing: --%1 does not apply")
                         .arg(QLatin1String(ringing->option));
            return false;
        }
        if (a.date) {
            *error = QStringLiteral("a command alarm has a time of day and repeat days, not a --date");
            return false;
        }
    }
    return true;
}

} // namespace

const GivenValue* AddOptions::Value(const ToolField& field) const
{
    const auto it = values.find(field.row);
    return it == values.end() ? nullptr : &it->second;
}

const ToolField* AddOptions::FirstGiven(ToolForm form) const
{
    for (const ToolField& f : ToolFields()) {
        if (f.form == form && Value(f))
            return &f;
    }
    return nullptr;
}

const ToolField* AddOptions::FirstGiven(ToolKinds kinds) const
{
    for (const ToolField& f : ToolFields()) {
        if (f.kinds == kinds && Value(f))
            return &f;
    }
    return nullptr;
}

QString ToolArguments::Name(Command command)
{
    for (const auto& c : kCommands) {
        if (c.command == command)
            return QLatin1String(c.name);
    }
    return QString();
}

QString ToolArguments::EnglishDay(int d)
{
    if (d < 0 || d > 6)
        return QString();
    return QLatin1String(kEnglishDays[d][0]);
}

int ToolArguments::DayOfName(const QString& name, const DayNames& localNames)
{
    const QString n = FoldDay(name);
    if (n.isEmpty())
        return -1;
    for (int d = 0; d < 7; ++d) {
        for (const char* english : kEnglishDays[d]) {
            if (english && n == QLatin1String(english))
                return d;
        }
    }
    for (int d = 0; d < 7; ++d) {
        for (const QString& local : localNames.names[d]) {
            if (!local.isEmpty() && FoldDay(local) == n)
                return d;
        }
    }
    return -1;
}

bool ToolArguments::ParseTime(const QString& text, int* secondsOfDay)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int h = 0, m = 0, s = 0;
    if (parts[0].size() > 2 || !ParseNumber(parts[0], 2, 0, 23, &h))
        return false;
    if (parts[1].size() != 2 || !ParseNumber(parts[1], 2, 0, 59, &m))
        return false;
    if (parts.size() == 3 && (parts[2].size() != 2 || !ParseNumber(parts[2], 2, 0, 59, &s)))
        return false;
    *secondsOfDay = h * 3600 + m * 60 + s;
    return true;
}

bool ToolArguments::ParseDays(const QString& text, const DayNames& localNames, int* mask, QString* bad)
{
    int result = 0;
    for (const QString& raw : text.split(QLatin1Char(','))) {
        const QString item = raw.trimmed();
        const QString word = item.toLower();
        if (word == QLatin1String("weekdays")) {
            result |= kWeekdays;
            continue;
        }
        if (word == QLatin1String("weekend")) {
            result |= kWeekend;
            continue;
        }
        if (word == QLatin1String("daily")) {
            result |= kDaily;
            continue;
        }
        const QStringList range = item.split(QLatin1Char('-'));
        if (range.size() == 1) {
            const int d = DayOfName(item, localNames);
            if (d < 0) {
                *bad = item;
                return false;
            }
            result |= 1 << d;
        } else if (range.size() == 2) {
            const int from = DayOfName(range[0], localNames);
            const int to = DayOfName(range[1], localNames);
            if (from < 0 || to < 0) {
                *bad = item;
                return false;
            }
            for (int d = from;; d = (d + 1) % 7) {
                result |= 1 << d;
                if (d == to)
                    break;
            }
        } else {
            *bad = item;
            return false;
        }
    }
    *mask = result;
    return true;
}

bool ToolArguments::ParseDate(const QString& text, Date* date)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3 || parts[0].size() != 4 || parts[1].size() != 2 || parts[2].size() != 2)
        return false;
    int y = 0, m = 0, d = 0;
    if (!ParseNumber(parts[0], 4, 1, 9999, &y) || !ParseNumber(parts[1], 2, 1, 12, &m) ||
        !ParseNumber(parts[2], 2, 1, 31, &d))
        return false;
    if (!QDate::isValid(y, m, d))
        return false;
    *date = Date{y, m, d};
    return true;
}

bool ToolArguments::ParseDuration(const QString& text, int* seconds)
{
    if (text.isEmpty() || text.size() > 32)
        return false;
    int64_t total = 0;
    int i = 0;
    while (i < text.size()) {
        int start = i;
        while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
            ++i;
        if (i == start || i - start > 6 || i == text.size())
            return false; // a number of at most six digits, then its unit
        const int64_t n = text.mid(start, i - start).toLongLong();
        switch (text[i].toLower().unicode()) {
        case 'd':
            total += n * 86400;
            break;
        case 'h':
            total += n * 3600;
            break;
        case 'm':
            total += n * 60;
            break;
        case 's':
            total += n;
            break;
        default:
            return false;
        }
        ++i;
    }
    if (total <= 0 || total >= 86400)
        return false;
    *seconds = static_cast<int>(total);
    return true;
}

bool ToolArguments::Parse(const QStringList& args, const DayNames& localNames, ToolRequest* out, QString* error)
{
    *out = ToolRequest();
    for (const QString& a : args) {
        if (a.size() > kMaxArgumentChars) {
            *error = QStringLiteral("an argument is longer than %1 characters").arg(kMaxArgumentChars);
            return false;
        }
    }
    if (args.isEmpty()) {
        *error = QStringLiteral("no command given; try '%1 --help'").arg(kTool);
        return false;
    }
    const QString first = args[0];
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        out->command = Command::Help;
        return true;
    }
    if (first == QLatin1String("--version")) {
        out->command = Command::Version;
        return true;
    }
    const Command command = CommandNamed(first);
    if (command == Command::None) {
        *error = QStringLiteral("unknown command %1; try '%2 --help'").arg(Quoted(first), kTool);
        return false;
    }
    const QString where = Name(command);
    if (command == Command::Help) {
        out->command = Command::Help;
        if (args.size() > 2) {
            *error = QStringLiteral("help takes at most one command name");
            return false;
        }
        if (args.size() == 2 && (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"))) {
            out->helpFor = Command::Help;
        } else if (args.size() == 2) {
            out->helpFor = CommandNamed(args[1]);
            if (out->helpFor == Command::None) {
                *error = QStringLiteral("unknown command %1; try '%2 --help'").arg(Quoted(args[1]), kTool);
                return false;
            }
        }
        return true;
    }

    // --help anywhere before "--" wins over everything else on the line.
    for (int i = 1; i < args.size() && args[i] != QLatin1String("--"); ++i) {
        if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            out->command = Command::Help;
            out->helpFor = command;
            return true;
        }
    }

    out->command = command;
    const std::vector<Option> options = OptionsOf(command, localNames);
    QStringList positional;
    bool onlyPositional = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (onlyPositional || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            onlyPositional = true;
            continue;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unknown option %1 for %2; try '%3 %2 --help'").arg(Quoted(a), where, kTool);
            return false;
        }
        const int eq = a.indexOf(QLatin1Char('='));
        const QString name = a.mid(2, eq < 0 ? -1 : eq - 2);
        const Option* option = nullptr;
        for (const Option& o : options) {
            if (name == o.name)
                option = &o;
        }
        if (!option) {
            *error = QStringLiteral("unknown option %1 for %2; try '%3 %2 --help'")
                         .arg(Quoted(QStringLiteral("--") + name), where, kTool);
            return false;
        }
        QString value;
        if (option->takesValue) {
            if (eq >= 0) {
                value = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                *error = QStringLiteral("--%1 needs a value").arg(name);
                return false;
            }
        } else if (eq >= 0) {
            *error = QStringLiteral("--%1 takes no value").arg(name);
            return false;
        }
        if (!option->apply(value, out, error))
            return false;
    }

    auto wantPositional = [&](int min, int max, const char* what) {
        if (positional.size() < min) {
            *error = QStringLiteral("%1 needs %2; try '%3 %1 --help'").arg(where, QLatin1String(what), kTool);
            return false;
        }
        if (max >= 0 && positional.size() > max) {
            *error = QStringLiteral("%1 takes %2, not %3").arg(where, QLatin1String(what), Quoted(positional[max]));
            return false;
        }
        return true;
    };
    switch (command) {
    case Command::List:
    case Command::Next:
    case Command::Snooze:
    case Command::Stop:
    case Command::Doctor:
        return wantPositional(0, 0, "no arguments");
    case Command::Add:
        return wantPositional(0, 0, "options only") && CheckAdd(out->add, error);
    case Command::Show:
    case Command::Enable:
    case Command::Disable:
    case Command::Remove:
    case Command::Test:
        if (!wantPositional(1, 1, "one alarm KEY"))
            return false;
        out->key = positional[0];
        return true;
    case Command::ExportTemplate:
        if (!wantPositional(2, 2, "a template NAME and a FILE.atf"))
            return false;
        out->templateName = positional[0];
        out->files = QStringList{positional[1]};
        return true;
    case Command::ImportTemplate:
        if (!wantPositional(1, -1, "one or more FILE.atf"))
            return false;
        out->files = positional;
        return true;
    default:
        return true;
    }
}

QString ToolArguments::Usage(Command command)
{
    switch (command) {
    case Command::List:
        return QStringLiteral(
            "Usage: dawnbell-alarm list [--json] [--templates] [--keys]\n"
            "Lists every alarm in the order of Dawnbell's main window (active alarms first, each\n"
            "group by time to ring): key, kind, on/off, time, repeat days or date, next ring as\n"
            "local time and as time remaining, title.\n"
            "  --templates  also list the templates, by name\n"
            "  --json       machine-readable output (described in the README)\n"
            "  --keys       only the keys, one per line\n");
    case Command::Show:
        return QStringLiteral(
            "Usage: dawnbell-alarm show KEY [--json]\n"
            "Shows one alarm in full. KEY is an alarm key from 'list', or T followed by a\n"
            "template name.\n");
    case Command::Next:
        return QStringLiteral(
            "Usage: dawnbell-alarm next [--json]\n"
            "Shows the next alarm and the countdown to it, as the main window's status line\n"
            "does. Exits with 1 when no alarm is active.\n");
    case Command::Add:
        return QStringLiteral(
            "Usage: dawnbell-alarm add (--time HH:MM[:SS] | --in DURATION) [options]\n"
            "Creates an alarm as the compact editor does, switches it on, rebuilds the schedule\n"
            "and prints its key. A time already taken, or a date in the past, is refused.\n") +
               AddOptionHelp();
    case Command::Enable:
        return QStringLiteral("Usage: dawnbell-alarm enable KEY\n"
                              "Switches an alarm on and schedules its next ringing.\n");
    case Command::Disable:
        return QStringLiteral("Usage: dawnbell-alarm disable KEY\n"
                              "Switches an alarm off; it stays in the list.\n");
    case Command::Remove:
        return QStringLiteral("Usage: dawnbell-alarm remove KEY\n"
                              "Deletes an alarm (no question is asked). KEY may also be T followed by a\n"
                              "template's name: the template is deleted, its sounds and pictures are kept.\n");
    case Command::Test:
        return QStringLiteral(
            "Usage: dawnbell-alarm test KEY\n"
            "Rings an alarm now, through the running Dawnbell or a new one (a command alarm\n"
            "starts its command). Its schedule and activation do not change.\n");
    case Command::Snooze:
        return QStringLiteral(
            "Usage: dawnbell-alarm snooze\n"
            "Snoozes the alarm that is ringing now, as a tap on its window does (with the quiz\n"
            "when it is due). An alarm ringing without a display stops and rings again when the\n"
            "snooze is over. Exits with 1 when nothing is ringing or the alarm has no snooze.\n");
    case Command::Stop:
        return QStringLiteral(
            "Usage: dawnbell-alarm stop\n"
            "Ends the alarm that is ringing now, as a confirmed \"End alarm\" does, without a\n"
            "question; the alarm is then scheduled again (or switched off when it rings once).\n"
            "Exits with 1 when nothing is ringing.\n");
    case Command::ExportTemplate:
        return QStringLiteral("Usage: dawnbell-alarm export-template NAME FILE.atf\n"
                              "Writes a template with its sounds and pictures to a template file (an\n"
                              "existing file is replaced). NAME is compared without regard to letter case.\n");
    case Command::ImportTemplate:
        return QStringLiteral(
            "Usage: dawnbell-alarm import-template [--overwrite | --keep] FILE.atf...\n"
            "Reads templates from template files, with their sounds and pictures. A template\n"
            "whose name is taken gets a free one (\"Name (1)\"); a sound or picture file that\n"
            "already exists is kept (--keep, the default) or replaced (--overwrite). The\n"
            "template files stay. Exits with 1 when a file could not be imported.\n");
    case Command::Doctor:
        return QStringLiteral(
            "Usage: dawnbell-alarm doctor [--json]\n"
            "Tells whether your alarms will ring, one line per check: the notification service\n"
            "(running, started by whom, started at login), the display and the sound output an\n"
            "alarm would use, waking a suspended device (the service's capability and the clock\n"
            "it armed), the next alarm and its start in the schedule, and missed alarms.\n"
            "Each line is \"ok: ...\", \"warning: ... — fix: ...\" (alarms ring, but less well)\n"
            "or \"problem: ... — fix: ...\". Exits with 0 when no line is a problem, else 1.\n"
            "It repairs nothing, starts nothing and changes no alarm.\n"
            "  --json       machine-readable output (described in the README)\n");
    case Command::Help:
        return QStringLiteral("Usage: dawnbell-alarm help [COMMAND]\n"
                              "Shows the help of the tool or of one command.\n");
    default:
        break;
    }
    return QStringLiteral(
        "Usage: dawnbell-alarm COMMAND [ARGUMENTS]\n"
        "Lists, adds, changes and removes Dawnbell's alarms from a shell. Changes take the same\n"
        "path as in Dawnbell's windows: the same checks, the schedule rebuilt, and a running\n"
        "main window shows them at once.\n"
        "\n"
        "Commands:\n"
        "  list [--json] [--templates]   every alarm, in the main window's order\n"
        "  show KEY [--json]             one alarm in full\n"
        "  next [--json]                 the next alarm and the countdown to it\n"
        "  add --time HH:MM [options]    a new alarm (see 'add --help')\n"
        "  enable KEY                    switch an alarm on\n"
        "  disable KEY                   switch an alarm off\n"
        "  remove KEY                    delete an alarm (or a template: T + its name)\n"
        "  test KEY                      ring an alarm now\n"
        "  snooze                        snooze the alarm ringing now\n"
        "  stop                          end the alarm ringing now\n"
        "  export-template NAME FILE     write a template file\n"
        "  import-template FILE...       read template files\n"
        "  doctor [--json]               will the alarms ring? what to fix\n"
        "  help [COMMAND]                this text, or a command's\n"
        "\n"
        "Each command takes --help. Exit status: 0 done, 1 refused or not found, 2 usage\n"
        "error, 3 the alarm store could not be read or written.\n"
        "Environment: DAWNBELL_HOME (device directory), DAWNBELL_NOW (fixed time, for tests).\n");
}

} // namespace dawnbell::cli

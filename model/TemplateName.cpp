#include "TemplateName.h"

#include "Alarm.h"
#include "Utf8.h"
#include "SectionName.h"

namespace dawnbell {

bool TemplateName::Equal(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    return RegFoldName(a.toStdString()) == RegFoldName(b.toStdString());
}

AlarmTemplate* TemplateName::Find(const TemplateList& list, const QString& name)
{
    // Folded once here instead of once per comparison.
    const std::string folded = RegFoldName(name.toStdString());
    for (const std::unique_ptr<AlarmTemplate>& t : list) {
        if (t && RegFoldName(t->name.toStdString()) == folded)
            return t.get();
    }
    return nullptr;
}

QString TemplateName::Unique(const TemplateList& list, const QString& name)
{
    if (!Find(list, name))
        return name;
    // Among list.size() + 1 counters at least one is free.
    for (size_t k = 1;; ++k) {
        const QString candidate = name + QStringLiteral(" (") + QString::number(k) + QLatin1Char(')'); // "%s (%d)"
        if (!Find(list, candidate) || k > list.size())
            return candidate;
    }
}

bool TemplateName::IsStorable(const QString& name)
{
    return !name.isEmpty() && name.size() <= kMaxChars && IsStorableSectionName(QLatin1Char('T') + name);
}

} // namespace dawnbell

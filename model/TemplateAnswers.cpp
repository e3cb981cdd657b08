#include "TemplateAnswers.h"

#include <cstdio>

namespace dawnbell {

TemplateAnswers::TemplateAnswers(LineWriter writer) : writer_(std::move(writer))
{
    if (!writer_) {
        writer_ = [](const QString& line) {
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
            std::fflush(stderr);
        };
    }
}

bool TemplateAnswers::Ask(Question question, const QString& text, const QString& caption)
{
    const bool yes = answers_.value(question, false);
    writer_(caption + QStringLiteral(": ") + text + (yes ? QStringLiteral(" yes") : QStringLiteral(" no")));
    return yes;
}

void TemplateAnswers::Tell(Notice notice, const QString& text, const QString& caption, const QString& detail)
{
    (void)notice;
    QString line = caption + QStringLiteral(": ") + text;
    if (!detail.isEmpty() && detail != text)
        line += QStringLiteral(" (") + detail + QLatin1Char(')');
    writer_(line);
}

} // namespace dawnbell

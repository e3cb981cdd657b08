#pragma once
// Template operations without windows (a command-line tool, tests): every
// question gets its answer from a fixed table, and every question and message
// becomes one line of text ("caption: text", a question followed by the answer
// given, an error followed by its detail in parentheses). No file choices are
// offered: such callers name their files themselves (TemplateLibrary::ExportTo,
// ImportFiles).
#include "TemplateDialogue.h"

#include <QMap>

#include <functional>

namespace dawnbell {

class TemplateAnswers : public TemplateDialogue {
public:
    // Receives each line; the default writes it to stderr.
    using LineWriter = std::function<void(const QString& line)>;

    explicit TemplateAnswers(LineWriter writer = {});

    // The answer to `question` from now on; unset questions are answered no.
    void SetAnswer(Question question, bool yes) { answers_[question] = yes; }

    bool Ask(Question question, const QString& text, const QString& caption) override;
    void Tell(Notice notice, const QString& text, const QString& caption, const QString& detail) override;

private:
    LineWriter writer_;               // where lines go
    QMap<Question, bool> answers_;    // the fixed answers
};

} // namespace dawnbell

#pragma once
// Template names: the one rule by which two names are the same template, and the
// rule that gives an imported template a free name.
//
// A template is stored in the registry section "T" + name, and the registry
// compares key names without regard to case. So names are compared the same way
// everywhere (import, the wizard's overwrite check, deletion): "Wake" and "WAKE"
// are one template, because they would share one section.
#include <QString>

#include <memory>
#include <vector>

namespace dawnbell {

class AlarmTemplate;

// The application's template list: owned templates, kept sorted by name.
using TemplateList = std::vector<std::unique_ptr<AlarmTemplate>>;

class TemplateName {
public:
    // Longest template name: "T" + name must fit one registry key name.
    static constexpr int kMaxChars = 254;

    // True when `a` and `b` name the same template (the registry's case folding).
    static bool Equal(const QString& a, const QString& b);

    // The template of `list` named `name` (Equal), or null.
    static AlarmTemplate* Find(const TemplateList& list, const QString& name);

    // `name` when no template of `list` has it; otherwise "%s (%d)" of `name` with
    // the smallest counter k = 1, 2, ... that gives a free name. The candidate is
    // always built from `name` itself, never from an earlier candidate.
    static QString Unique(const TemplateList& list, const QString& name);

    // True when a template of this name can be stored: not empty, at most
    // kMaxChars, and without "\" (which would make a nested registry key).
    static bool IsStorable(const QString& name);
};

} // namespace dawnbell

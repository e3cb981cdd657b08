#pragma once
// Options page "General": the language (every language file of the program
// folder, then "english" for the built-in texts), the double-tap action of
// the alarm list, whether the program ends after an alarm, and Help, which
// opens the user guide (help/index.html of the program folder).
#include "COptionsPage.h"

namespace dawnbell {

class COptionsGeneral : public COptionsPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdLanguageLabel = 1101,
        IdLanguage = 1102,
        IdDoubleClickLabel = 1103,
        IdDoubleClick = 1104,
        IdAutoExit = 1033,
        IdHelp = 1082,
    };
    static constexpr int kLayout = 310;

    explicit COptionsGeneral(COptionsWizard* sheet);

    void Store() override;
    // Help: opens the user guide; a guide that cannot be opened is reported.
    void OpenHelp();
    // Full path of the user guide in `programDir`.
    static QString HelpPath(const QString& programDir);

protected:
    void CreateControls() override;
    void Fill() override;
};

} // namespace dawnbell

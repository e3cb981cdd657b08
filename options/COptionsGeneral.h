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
    // Help: opens the user guide. A missing guide, no program to open it, and an
    // opener that fails at once are each told in an error box (and the log).
    void OpenHelp();
    // How long Help waits for the desktop's opener to fail before it takes the
    // guide as shown, milliseconds.
    static constexpr int kOpenerWatchMs = 2000;
    // Opens `path` with xdg-open: 0 when it was started and did not fail
    // within kOpenerWatchMs; an errno value when it could not be started (none
    // installed); -N when it ended at once with exit status N (128 + signal).
    static int OpenWithDesktop(const QString& path);
    // Full path of the user guide in `programDir`.
    static QString HelpPath(const QString& programDir);

protected:
    void CreateControls() override;
    void Fill() override;
};

} // namespace dawnbell

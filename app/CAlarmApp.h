#pragma once
// The application object: what the program holds for the life of the process
// (registry root, language table, main-window colours, templates, named colours,
// the running main window) and the start-up sequence from the command line to the
// main window.
#include "AlarmStore.h"
#include "CommandLine.h"
#include "FirstLaunch.h"
#include "LanguageTable.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace dawnbell {

class AlarmTemplate;

class CAlarmApp {
public:
    // Default main-window colours (0x00BBGGRR).
    static constexpr uint32_t kDefaultBgColor = FirstLaunch::kDefaultBgColor;
    static constexpr uint32_t kDefaultTextColor = FirstLaunch::kDefaultTextColor;

    // Makes this object the process's application object (Instance) until destroyed.
    CAlarmApp();
    ~CAlarmApp();
    CAlarmApp(const CAlarmApp&) = delete;
    CAlarmApp& operator=(const CAlarmApp&) = delete;

    // The application object of this process; null before one exists.
    static CAlarmApp* Instance();

    // Runs the first instance's start-up for the classified command line
    // `command` (Initialise) and then, unless its verb ends the program,
    // `runMainWindow` (which shows the main window modally and returns when it
    // has closed). Returns the exit status (0).
    int Run(const CommandLine::Parsed& command, const std::function<void()>& runMainWindow);

    // The start-up steps before the main window: the store's health (a store
    // that cannot be used ends the program), registry root, the verb
    // ("reinit", "autoclose", "reset", empty), language, power-timeout fix, first
    // launch, colours, lock-screen lists. False when the verb has been handled
    // completely (or a restart was requested) and the program should end.
    bool Initialise(const CommandLine::Parsed& command);

    // The platform's version, from DAWNBELL_PLATFORM_VERSION ("major.minor.build";
    // missing or malformed reads as 5.2.21000).
    struct PlatformVersion {
        int major = 5;
        int minor = 2;
        int build = 21000;
    };
    static PlatformVersion CurrentPlatformVersion();
    // Parses "major.minor.build" (three unsigned decimal numbers); false otherwise.
    static bool ParsePlatformVersion(const QString& text, PlatformVersion* out);
    // True for platforms up to 5.2 build 20999, which need the alarm-bug fix.
    static bool NeedsAlarmBugFix(const PlatformVersion& v);

    // --- held for the life of the process ------------------------------------
    CommandLine::Parsed command;  // the program's command line, classified once at process entry
    QString programDir;           // program folder (languages/, sounds/); the executable's by default
    QString languageFile;         // current `languageFile` ("" = built-in English)
    LanguageTable languageTable;  // the loaded language; the program's text provider
    uint32_t bgColor = kDefaultBgColor;     // main-window background (0x00BBGGRR)
    uint32_t textColor = kDefaultTextColor; // main-window text (0x00BBGGRR)
    std::vector<std::unique_ptr<AlarmTemplate>> templates; // loaded by the main window
    QList<NamedColor> namedColors; // filled on first use (AlarmStore::LoadNamedColors)
    QWidget* mainWindow = nullptr; // the running main window, null outside its run

    // The named colours, loaded from the registry on first use.
    const QList<NamedColor>& NamedColors();

    // Asks the system to restart the device; the default asks logind over the
    // system bus. Tests replace it so nothing ever restarts the machine.
    using RestartFunction = std::function<bool()>;
    static void SetRestartFunction(RestartFunction restart);
    // Starts a program detached (path, arguments); tests replace it to record the
    // lock screen's refresh start. True when it was started.
    using StartFunction = std::function<bool(const QString& program, const QStringList& args)>;
    static void SetStartFunction(StartFunction start);

private:
    void AutoClose();
    void ChooseAndLoadLanguage();
    void ApplyPowerTimeoutFix(bool olderPlatform);

    static CAlarmApp* s_instance; // the process's application object
};

} // namespace dawnbell

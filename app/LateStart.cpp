#include "LateStart.h"

#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmStore.h"
#include "CMainDialog.h"
#include "Clock.h"
#include "DevicePaths.h"
#include "HandledReport.h"
#include "IpcClient.h"
#include "LanguageTable.h"
#include "Locale.h"
#include "MessageBox.h"
#include "MissedAlarms.h"
#include "Profile.h"
#include "Scheduler.h"
#include "Texts.h"
#include "WidgetMessageBox.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>

namespace dawnbell {

namespace {

constexpr int kTextWarning = 126;           // caption "Warning"
constexpr int kRefreshAnswerTimeoutMs = 10000; // longest wait for a running window's reload

// Has a running main window reload the alarms and show the missed one.
void TellRunningWindow()
{
    ipc::IpcClient client;
    if (client.Connect(ipc::SocketPath(), ProgramPath()) != ipc::SendOk)
        return; // no main window: the store is all there is
    // The after-ringing step has rebuilt the schedule: the window only reloads.
    if (client.SendCopyData(CMainDialog::CopyRefresh, std::u16string(AlarmChanges::kRefreshAfterRebuild),
                            kRefreshAnswerTimeoutMs, nullptr) !=
        ipc::SendOk)
        qWarning("The running main window did not answer; it shows the missed alarm once it is opened again.");
}

// The program's language, as start-up chooses it, without writing the choice.
void LoadLanguage(LanguageTable* table)
{
    QString file = Profile::ReadText(QStringLiteral("settings"), QStringLiteral("languageFile"), QStringLiteral("|"));
    if (file == QLatin1String("|"))
        file = LanguageTable::FileForLanguageId(PlatformLanguageId());
    table->InstallAsTextProvider();
    table->Load(QString::fromStdString(ProgramDir()), file);
}

} // namespace

std::optional<int64_t> LateStart::TakeDue()
{
    if (!qEnvironmentVariableIsSet(kDueVariable))
        return std::nullopt;
    const QByteArray text = qgetenv(kDueVariable).left(64);
    qunsetenv(kDueVariable);
    const std::optional<int64_t> due = clock::ParseLocal(text.constData());
    if (!due)
        qWarning("%s=%s is not a local time YYYY-MM-DDTHH:MM:SS: the start is not checked for lateness.",
                 kDueVariable, text.constData());
    return due;
}

bool LateStart::IsLate(const CommandLine::Parsed& command, std::optional<int64_t> due, int64_t now)
{
    return due && command.verb == CommandLine::Ring && now - *due > MissedAlarms::kLateAfterSeconds;
}

int LateStart::Run(int& argc, char** argv, const QString& key, int64_t due, bool display)
{
    // A box on the offscreen platform would wait for an answer nobody can give.
    const bool window = display && qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("offscreen");
    const bool boxes = window || qEnvironmentVariableIsSet("DAWNBELL_AUTO_ANSWER");
    std::unique_ptr<QCoreApplication> app(window ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("Dawnbell"));
    if (window)
        InstallWidgetMessageBox();
    Profile::SetRegistryKey(QStringLiteral("Torvane"));
    LanguageTable language;
    LoadLanguage(&language);

    const int64_t now = clock::RealNow();
    std::unique_ptr<Alarm> alarm = AlarmStore::LoadSection(key);
    MissedAlarms::Record(Scheduler::ProgramPath(), key, alarm ? alarm->title : QString(), due, now,
                         QStringLiteral("the program was started %1 after its time, too late to ring (the device was "
                                        "off or asleep, or the notification service was not running)")
                             .arg(MissedAlarms::LateText(now - due)));
    // As after a ringing: a repeating alarm that was on keeps its next
    // occurrence, a one-time alarm is off, an appointment is gone.
    if (alarm)
        AlarmChanges::Instance().AfterRinging(alarm.get(), alarm->activated != 0);
    else
        qInfo("No alarm has the key %s any more: nothing to reschedule.", qUtf8Printable(key));
    TellRunningWindow();
    MissedAlarms::TellDesktop();
    // Recorded and rescheduled: the notification service that started us
    // stops waiting (a notice may now wait for its reader as long as it takes).
    process::ReportHandled();

    if (boxes) {
        for (const MissedAlarms::Entry& e : MissedAlarms::List(true)) {
            if (e.key != key || e.due != due)
                continue;
            ShowMessageBox(MissedAlarms::NoticeTitle(e) + QLatin1Char('\n') + MissedAlarms::NoticeBody(e, clock::Now()),
                           Text(kTextWarning), MsgButtons::Ok, MsgIcon::Warning);
            MissedAlarms::MarkSeen(e.id, false);
            break;
        }
    }
    return 0;
}

} // namespace dawnbell

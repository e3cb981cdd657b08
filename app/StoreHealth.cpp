#include "StoreHealth.h"

#include "CAlarmApp.h"
#include "MessageBox.h"
#include "Registry.h"
#include "Texts.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <set>

namespace dawnbell::StoreHealth {

namespace {

enum TextId {
    kCaptionError = 113,   // "Fehler"
    kCaptionWarning = 126, // "Warning"
};

// What the start check found, kept until TellAtStart has shown it.
struct Finding {
    Start start = Start::Sound;
    RegStoreStatus status; // the fault found (None when sound)
    QString copy;          // where a damaged store was moved
    QString moveError;     // why it could not be moved
};

std::optional<Finding>& Pending()
{
    static std::optional<Finding> finding;
    return finding;
}

// Faults already logged and shown in this run, so each is told once.
std::set<RegFault>& Told()
{
    static std::set<RegFault> told;
    return told;
}

QString& StartMessage()
{
    static QString message;
    return message;
}

QString Cause(const RegStoreStatus& status)
{
    return QString::fromStdString(RegFaultText(status));
}

QString MessageFor(const Finding& f)
{
    switch (f.start) {
    case Start::Sound:
        return QString();
    case Start::ReadOnly:
        return QStringLiteral("Dawnbell's alarm store cannot be written:\n%1\n\nYour alarms are shown and ring, but "
                              "changes to alarms and options cannot be saved until the file can be written again.")
            .arg(Cause(f.status));
    case Start::Renewed:
        return QStringLiteral("Dawnbell's alarm store was damaged and could not be read:\n%1\n\nThe damaged file was "
                              "kept as %2. Dawnbell starts with a new store: set up your alarms again, or import "
                              "a backup with dawnbell-reg.")
            .arg(Cause(f.status), f.copy);
    case Start::Unusable:
        if (!f.moveError.isEmpty())
            return QStringLiteral("Dawnbell's alarm store is damaged:\n%1\n\nIt could not be moved aside (%2), so "
                                  "Dawnbell ends without changing it. Make its folder writable and start Dawnbell "
                                  "again.")
                .arg(Cause(f.status), f.moveError);
        return QStringLiteral("Dawnbell cannot use its alarm store:\n%1\n\nDawnbell ends without changing anything. "
                              "Check the file and its folder, then start Dawnbell again.")
            .arg(Cause(f.status));
    }
    return QString();
}

// The first failure of each kind while the program runs: logged at once, shown
// once the program's loop has its turn (the store is locked here).
void OnFault(const RegStoreStatus& status)
{
    if (!Told().insert(status.fault).second)
        return;
    const QString cause = Cause(status);
    qWarning("Registry: %s", qPrintable(cause));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QString text;
    switch (status.fault) {
    case RegFault::ReadOnly:
    case RegFault::Full:
    case RegFault::Busy:
        text = QStringLiteral("Dawnbell could not save a change:\n%1\n\nThe change is lost, and further changes "
                              "fail the same way until this is mended; alarms already saved still ring.")
                   .arg(cause);
        break;
    default:
        text = QStringLiteral("Dawnbell's alarm store failed:\n%1\n\nWhat Dawnbell shows may be incomplete and "
                              "changes may not be saved. A damaged store is set aside when Dawnbell starts next.")
                   .arg(cause);
        break;
    }
    QMetaObject::invokeMethod(
        app,
        [text] {
            CAlarmApp* program = CAlarmApp::Instance();
            ShowMessageBox(text, Text(kCaptionError), MsgButtons::Ok, MsgIcon::Error,
                           program ? program->mainWindow : nullptr);
        },
        Qt::QueuedConnection);
}

} // namespace

Start CheckAtStart()
{
    if (Pending())
        return Pending()->start;
    RegSetFaultObserver(nullptr); // what the check finds is told by TellAtStart
    Finding f;
    f.status = RegCheckStore();
    switch (f.status.fault) {
    case RegFault::None:
        f.start = Start::Sound;
        break;
    case RegFault::ReadOnly:
        f.start = Start::ReadOnly;
        qWarning("Registry: %s; running without saving changes", qPrintable(Cause(f.status)));
        break;
    case RegFault::Damaged: {
        std::string copy;
        std::string error;
        if (RegSetStoreAside(&copy, &error)) {
            f.start = Start::Renewed;
            f.copy = QString::fromStdString(copy);
            qWarning("Registry: %s; kept as %s, starting on a new store", qPrintable(Cause(f.status)),
                     qPrintable(f.copy));
        } else {
            f.start = Start::Unusable;
            f.moveError = QString::fromStdString(error);
            qCritical("Registry: %s; it could not be moved aside (%s), ending", qPrintable(Cause(f.status)),
                      qPrintable(f.moveError));
        }
        break;
    }
    default:
        f.start = Start::Unusable;
        qCritical("Registry: %s; ending", qPrintable(Cause(f.status)));
        break;
    }
    Pending() = f;
    return f.start;
}

Start TellAtStart()
{
    CheckAtStart();
    const Finding f = *Pending();
    Pending().reset();
    StartMessage() = MessageFor(f);
    if (!StartMessage().isEmpty()) {
        const bool error = f.start != Start::ReadOnly;
        ShowMessageBox(StartMessage(), Text(error ? kCaptionError : kCaptionWarning), MsgButtons::Ok,
                       error ? MsgIcon::Error : MsgIcon::Warning);
    }
    // A read-only store was told now: its failing saves are not shown again.
    Told().clear();
    if (f.start == Start::ReadOnly)
        Told().insert(RegFault::ReadOnly);
    RegSetFaultObserver(OnFault);
    return f.start;
}

QString LastStartMessage()
{
    return StartMessage();
}

void Reset()
{
    RegSetFaultObserver(nullptr);
    Pending().reset();
    Told().clear();
    StartMessage().clear();
}

} // namespace dawnbell::StoreHealth

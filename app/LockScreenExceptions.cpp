#include "LockScreenExceptions.h"

#include "Registry.h"

#include <QDir>

#include <cstdlib>

namespace dawnbell {

namespace {

std::vector<uint8_t> ProgramNameBytes()
{
    return RegSzBytes(LockScreenExceptions::kProgramName);
}

} // namespace

LockScreenExceptions::Result LockScreenExceptions::Join(const QString& keyPath, const QString& prefix, int digits,
                                                        int lastSlot, const StartFunction& start)
{
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, keyPath.toStdString(), &key) != RegOk)
        return NoList;
    const std::vector<uint8_t> listed = ProgramNameBytes();
    int freeSlot = -1;
    for (int i = 0; i <= lastSlot; ++i) {
        const std::string name = (prefix + QStringLiteral("%1").arg(i, digits, 10, QLatin1Char('0'))).toStdString();
        std::vector<uint8_t> data;
        if (key.QueryValue(name, nullptr, &data) != RegOk)
            continue; // missing values are not free slots
        if (data == listed)
            return AlreadyListed;
        if (freeSlot < 0 && data.size() < 3)
            freeSlot = i;
    }
    if (freeSlot < 0)
        return NoFreeSlot;
    const std::string name =
        (prefix + QStringLiteral("%1").arg(freeSlot, digits, 10, QLatin1Char('0'))).toStdString();
    key.WriteString(name, kProgramName);
    key.Close();
    RegFlush(Hive::CurrentUser);
    StartRefresh(start);
    return Added;
}

void LockScreenExceptions::JoinAll(const StartFunction& start)
{
    Join(QStringLiteral("Software\\A_C\\S2U2"), QStringLiteral("ExceptionEXE"), 1, 10, start);
    Join(QStringLiteral("Software\\A_C\\S2U2\\Exceptions"), QStringLiteral("ExceptionEXE"), 2, 20, start);
}

QStringList LockScreenExceptions::RefreshCandidates()
{
    QString programs = QString::fromLocal8Bit(qgetenv("DAWNBELL_PROGRAMS"));
    if (programs.isEmpty())
        programs = QStringLiteral("/opt");
    while (programs.size() > 1 && programs.endsWith(QLatin1Char('/')))
        programs.chop(1);
    QStringList folders{programs};
    const QString user = QString::fromLocal8Bit(qgetenv("USER"));
    if (!user.isEmpty()) {
        for (const QString& root : {QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user}) {
            const QStringList media = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString& medium : media)
                folders << root + QLatin1Char('/') + medium + programs;
        }
    }
    QStringList candidates;
    for (const QString& folder : folders) {
        candidates << folder + QStringLiteral("/S2U2/iLock2");
        candidates << folder + QStringLiteral("/S2U2/iLock2.exe");
    }
    return candidates;
}

bool LockScreenExceptions::StartRefresh(const StartFunction& start)
{
    if (!start)
        return false;
    for (const QString& program : RefreshCandidates()) {
        if (start(program, {QStringLiteral("-refresh")}))
            return true;
    }
    return false;
}

} // namespace dawnbell

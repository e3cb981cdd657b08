#include "RestoreMarker.h"

#include "DevicePaths.h"
#include "Process.h"

#include <QFile>
#include <QSaveFile>

#include <csignal>
#include <unistd.h>

namespace dawnbell {

namespace {

struct Held {
    int count = 0;                  // how often the part is held
    RestoreMarker::Entries entries; // its entries (from the first hold)
};

QMap<QString, Held>& Parts()
{
    static QMap<QString, Held> parts;
    return parts;
}

// Writes every held part (or removes the file when none is).
void Write()
{
    const QString path = RestoreMarker::Path();
    if (Parts().isEmpty()) {
        QFile::remove(path);
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("Cannot write %s: a crash now would leave the device as the ringing set it.", qPrintable(path));
        return;
    }
    QMap<QString, RestoreMarker::Entries> held;
    for (auto part = Parts().cbegin(); part != Parts().cend(); ++part)
        held.insert(part.key(), part->entries);
    file.write(RestoreMarker::Format(::getpid(), held));
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!file.commit())
        qWarning("Cannot write %s: a crash now would leave the device as the ringing set it.", qPrintable(path));
}

QString Unescape(const QString& text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            ++i;
            out += text[i] == QLatin1Char('n') ? QLatin1Char('\n') : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

// The program that wrote the file still runs (same process, same executable).
bool WriterRuns(qint64 pid)
{
    return pid > 0 && pid <= INT32_MAX && pid != ::getpid() && process::RunsProgram(static_cast<pid_t>(pid), ProgramPath());
}

} // namespace

QString RestoreMarker::Path() { return QString::fromStdString(DeviceDir()) + QStringLiteral("/ringing-restore"); }

void RestoreMarker::Hold(const QString& part, const Entries& entries)
{
    Held& held = Parts()[part];
    if (held.count++ > 0)
        return;
    held.entries = entries;
    Write();
}

void RestoreMarker::Release(const QString& part)
{
    auto it = Parts().find(part);
    if (it == Parts().end() || --it->count > 0)
        return;
    Parts().erase(it);
    Write();
}

QByteArray RestoreMarker::Format(qint64 pid, const QMap<QString, Entries>& parts)
{
    QByteArray text = "pid=" + QByteArray::number(pid) + '\n';
    for (auto part = parts.cbegin(); part != parts.cend(); ++part) {
        for (auto e = part->cbegin(); e != part->cend(); ++e) {
            QString value = e.value();
            value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
            text += (part.key() + QLatin1Char('.') + e.key() + QLatin1Char('=') + value).toUtf8() + '\n';
        }
    }
    return text;
}

QMap<QString, RestoreMarker::Entries> RestoreMarker::Parse(const QByteArray& text, qint64* pid)
{
    QMap<QString, Entries> parts;
    *pid = 0;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const qsizetype dot = line.indexOf(QLatin1Char('.'));
        if (line.startsWith(QLatin1String("pid=")))
            *pid = line.mid(4).toLongLong();
        else if (dot > 0 && eq > dot + 1)
            parts[line.left(dot)][line.mid(dot + 1, eq - dot - 1)] = Unescape(line.mid(eq + 1));
    }
    return parts;
}

QMap<QString, RestoreMarker::Entries> RestoreMarker::TakeLeftOver()
{
    QFile file(Path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A marker is a few lines; anything much larger is not ours.
    const QByteArray text = file.read(kMaxBytes);
    file.close();
    qint64 pid = 0;
    const QMap<QString, Entries> left = Parse(text, &pid);
    if (WriterRuns(pid))
        return {};
    QFile::remove(Path());
    return left;
}

} // namespace dawnbell

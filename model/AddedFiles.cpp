#include "AddedFiles.h"

#include "DevicePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace dawnbell {

const QString AddedFiles::kSounds = QStringLiteral("sounds");
const QString AddedFiles::kImages = QStringLiteral("images");

QString AddedFiles::UserFolder(const QString& kind)
{
    const std::string device = DeviceDir();
    if (device.empty())
        return QString();
    return QString::fromStdString(device) + QLatin1Char('/') + kind;
}

QString AddedFiles::TargetFolder(const QString& builtIn, const QString& kind)
{
    if (CanWriteIn(QFile::encodeName(builtIn).toStdString()))
        return builtIn;
    const QString user = UserFolder(kind);
    return user.isEmpty() ? builtIn : user;
}

QString AddedFiles::Find(const QString& builtIn, const QString& kind, const QString& name)
{
    const QString user = UserFolder(kind);
    if (!user.isEmpty() && QDir::cleanPath(user) != QDir::cleanPath(builtIn)) {
        const QFileInfo own(user + QLatin1Char('/') + name);
        if (own.exists() || own.isSymLink())
            return own.filePath();
    }
    return builtIn + QLatin1Char('/') + name;
}

QStringList AddedFiles::Names(const QString& builtIn, const QString& kind)
{
    QStringList names = QDir(builtIn).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    const QString user = UserFolder(kind);
    if (!user.isEmpty() && QDir::cleanPath(user) != QDir::cleanPath(builtIn)) {
        for (const QString& name : QDir(user).entryList(QDir::Files | QDir::Hidden)) {
            if (!names.contains(name))
                names << name;
        }
        std::stable_sort(names.begin(), names.end(),
                         [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    }
    return names;
}

} // namespace dawnbell

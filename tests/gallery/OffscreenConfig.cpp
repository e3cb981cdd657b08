#include "OffscreenConfig.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace dawnbell {

QByteArray OffscreenConfig::Json(const ScreenGeometry& screen, const QString& name)
{
    QJsonObject s;
    s.insert(QStringLiteral("name"), name);
    s.insert(QStringLiteral("x"), 0);
    s.insert(QStringLiteral("y"), 0);
    s.insert(QStringLiteral("width"), screen.logicalWidth);
    s.insert(QStringLiteral("height"), screen.logicalHeight);
    s.insert(QStringLiteral("logicalDpi"), screen.logicalDpiX);
    s.insert(QStringLiteral("logicalBaseDpi"), 96);
    s.insert(QStringLiteral("dpr"), screen.devicePixelRatio);
    QJsonObject root;
    root.insert(QStringLiteral("screens"), QJsonArray{s});
    // A handheld has no window frames: a full-screen window starts at (0, 0).
    root.insert(QStringLiteral("windowFrameMargins"), false);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString OffscreenConfig::Write(const QString& screenText, const QString& dir, QString* error)
{
    const QByteArray text = screenText.toLatin1();
    ScreenGeometry screen;
    if (screenText.size() > 64 || !ParseScreenText(std::string_view(text.constData(), size_t(text.size())), &screen)) {
        if (error)
            *error = QStringLiteral("not a display (WxH or WxH@dpi): \"%1\"").arg(screenText.left(64));
        return QString();
    }
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(dir);
        return QString();
    }
    // No ':' in the name: QT_QPA_PLATFORM separates the plugin's options with it.
    const int dpi = int(screen.devicePixelRatio * 96 + 0.5);
    const QString path = QDir(dir).filePath(
        QStringLiteral("screen-%1x%2-%3.json").arg(screen.deviceWidth).arg(screen.deviceHeight).arg(dpi));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(Json(screen)) < 0 || !file.flush()) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return QString();
    }
    return path;
}

QString OffscreenConfig::PlatformValue(const QString& configPath)
{
    return QStringLiteral("offscreen:configfile=") + configPath;
}

bool OffscreenConfig::Prepare(const QString& screenText, const QString& dir, QString* error)
{
    const QString path = Write(screenText, dir, error);
    if (path.isEmpty())
        return false;
    if (path.contains(QLatin1Char(':'))) {
        if (error)
            *error = QStringLiteral("the configuration path may not contain ':': %1").arg(path);
        return false;
    }
    qputenv("QT_QPA_PLATFORM", PlatformValue(path).toLocal8Bit());
    qputenv("DAWNBELL_SCREEN", screenText.trimmed().toLatin1());
    return true;
}

} // namespace dawnbell

#include "MessageBox.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTextStream>

#include <cstdio>

namespace dawnbell {

namespace {

MsgAnswer SafeDefault(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::No;
    }
    return MsgAnswer::Ok;
}

// Maps an automation answer to one the box offers; nullopt-like Ok fallback.
bool AutoAnswer(MsgButtons buttons, MsgAnswer* answer)
{
    const QByteArray env = qgetenv("DAWNBELL_AUTO_ANSWER").trimmed().toLower();
    if (env.isEmpty())
        return false;
    const bool yesNo = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
    const bool hasCancel = buttons == MsgButtons::OkCancel || buttons == MsgButtons::YesNoCancel;
    if (env == "yes")
        *answer = yesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    else if (env == "no")
        *answer = yesNo ? MsgAnswer::No : (hasCancel ? MsgAnswer::Cancel : MsgAnswer::Ok);
    else if (env == "cancel")
        *answer = hasCancel ? MsgAnswer::Cancel : SafeDefault(buttons);
    else
        *answer = yesNo ? MsgAnswer::Yes : MsgAnswer::Ok; // "ok" accepts
    return true;
}

void Record(const QString& text, const QString& caption)
{
    const QString path = qEnvironmentVariable("DAWNBELL_MSGBOX_RECORD");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::Append | QIODevice::WriteOnly))
        return;
    QString line = caption;
    line += QLatin1Char('\t');
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    body.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    line += body;
    line += QLatin1Char('\n');
    f.write(line.toUtf8());
}

} // namespace

MsgAnswer ShowMessageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                         QWidget* owner)
{
    Record(text, caption);
    MsgAnswer answer;
    if (AutoAnswer(buttons, &answer))
        return answer;

    const bool haveGui = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr
        && QGuiApplication::platformName() != QLatin1String("offscreen")
        && QGuiApplication::platformName() != QLatin1String("minimal");
    if (!haveGui) {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return SafeDefault(buttons);
    }

    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::None:
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    default:
        return SafeDefault(buttons);
    }
}

} // namespace dawnbell

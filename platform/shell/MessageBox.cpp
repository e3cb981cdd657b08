#include "MessageBox.h"

#include <QFile>

#include <cstdio>

namespace dawnbell {

namespace {

// Maps an automation answer to one the box offers; nullopt-like Ok fallback.
bool AutoAnswer(MsgButtons buttons, MsgAnswer* answer)
{
    const QByteArray env = qgetenv("DAWNBELL_AUTO_ANSWER").trimmed().toLower();
    if (env.isEmpty())
        return false;
    const bool yesNo =
        buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel || buttons == MsgButtons::YesNoSafe;
    const bool hasCancel = buttons == MsgButtons::OkCancel || buttons == MsgButtons::YesNoCancel;
    if (env == "yes")
        *answer = yesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    else if (env == "no")
        *answer = yesNo ? MsgAnswer::No : (hasCancel ? MsgAnswer::Cancel : MsgAnswer::Ok);
    else if (env == "cancel")
        *answer = hasCancel ? MsgAnswer::Cancel : SafeMessageBoxAnswer(buttons);
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

MessageBoxPresenter& Presenter()
{
    static MessageBoxPresenter presenter;
    return presenter;
}

} // namespace

MsgAnswer SafeMessageBoxAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
    case MsgButtons::YesNoSafe:
        return MsgAnswer::No;
    }
    return MsgAnswer::Ok;
}


MsgAnswer MessageBoxToStderr(const QString& text, const QString& caption, MsgButtons buttons)
{
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    return SafeMessageBoxAnswer(buttons);
}

void SetMessageBoxPresenter(MessageBoxPresenter presenter)
{
    Presenter() = std::move(presenter);
}

MsgAnswer ShowMessageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                         QWidget* owner)
{
    Record(text, caption);
    MsgAnswer answer;
    if (AutoAnswer(buttons, &answer))
        return answer;
    if (Presenter())
        return Presenter()(text, caption, buttons, icon, owner);
    return MessageBoxToStderr(text, caption, buttons);
}

} // namespace dawnbell

#include "FeedbackdVibrator.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace dawnbell {

std::unique_ptr<Vibrator> FeedbackdVibrator::Open()
{
    // The bus connection needs the application object (it lives on its thread).
    if (!QCoreApplication::instance())
        return nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return nullptr;
    const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(QString::fromLatin1(kService));
    if (!owned.isValid() || !owned.value())
        return nullptr;
    return std::unique_ptr<Vibrator>(new FeedbackdVibrator);
}

FeedbackdVibrator::~FeedbackdVibrator()
{
    if (on_)
        Set(false);
}

bool FeedbackdVibrator::Ask(const char* method, const QList<QVariant>& arguments, QVariant* result)
{
    if (silent_)
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                          QString::fromLatin1(kInterface), QString::fromLatin1(method));
    message.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && (!result || reply.arguments().size() == 1)) {
        if (result)
            *result = reply.arguments().constFirst();
        return true;
    }
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        error == QLatin1String("org.freedesktop.DBus.Error.Timeout")) {
        silent_ = true;
        qWarning("The haptics service did not answer %s: it is not asked again during this ringing.", method);
    } else {
        qWarning("The haptics service refused %s: %s", method, qPrintable(reply.errorMessage()));
    }
    return false;
}

bool FeedbackdVibrator::Set(bool on)
{
    if (on == on_)
        return true;
    if (on) {
        QVariantMap hints;
        hints.insert(QStringLiteral("profile"), QStringLiteral("quiet"));
        QVariant id;
        // Timeout 0: the feedback loops until it is ended.
        if (!Ask("TriggerFeedback", {QString::fromLatin1(kAppId), QString::fromLatin1(kEvent), hints, 0}, &id))
            return false;
        feedback_ = id.toUInt();
        on_ = true;
        return true;
    }
    if (!Ask("EndFeedback", {feedback_}, nullptr))
        return false;
    feedback_ = 0;
    on_ = false;
    return true;
}

} // namespace dawnbell

#include "FeedbackdVibrator.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace dawnbell {

namespace {

// A call of the service's method `method`; its reply, or an error reply.
QDBusMessage Call(const char* method, const QList<QVariant>& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(FeedbackdVibrator::kService),
                                                          QString::fromLatin1(FeedbackdVibrator::kPath),
                                                          QString::fromLatin1(FeedbackdVibrator::kInterface),
                                                          QString::fromLatin1(method));
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, FeedbackdVibrator::kCallTimeoutMs);
}

} // namespace

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

bool FeedbackdVibrator::Set(bool on)
{
    if (on == on_)
        return true;
    if (on) {
        QVariantMap hints;
        hints.insert(QStringLiteral("profile"), QStringLiteral("quiet"));
        // Timeout 0: the feedback loops until it is ended.
        const QDBusMessage reply = Call("TriggerFeedback", {QString::fromLatin1(kAppId), QString::fromLatin1(kEvent),
                                                            hints, 0});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
            qWarning("The haptics service did not start the vibration: %s", qPrintable(reply.errorMessage()));
            return false;
        }
        feedback_ = reply.arguments().constFirst().toUInt();
        on_ = true;
        return true;
    }
    const QDBusMessage reply = Call("EndFeedback", {feedback_});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning("The haptics service did not end the vibration: %s", qPrintable(reply.errorMessage()));
        return false;
    }
    feedback_ = 0;
    on_ = false;
    return true;
}

} // namespace dawnbell

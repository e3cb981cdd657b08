#pragma once
// Notifications on the user's desktop: a short message shown by the session's
// notification service (org.freedesktop.Notifications on the session bus), as
// notify-send shows one. Used for what the user must hear of even when no
// window of the program is open.
#include <QString>

namespace dawnbell {

// Longest wait for the notification service's answer (ms).
constexpr int kDesktopNotificationTimeoutMs = 2000;

// Shows `summary` with `body` (plain text) as a notification of the application
// "Dawnbell". True once the service has accepted it. False, with the reason in
// `*error` (may be null), when there is no session bus (no address given and no
// bus socket in XDG_RUNTIME_DIR; no bus is ever started for the call), no
// QCoreApplication, no notification service on the bus, or no answer within
// kDesktopNotificationTimeoutMs.
bool ShowDesktopNotification(const QString& summary, const QString& body, QString* error = nullptr);

} // namespace dawnbell

#pragma once
// The session's haptics service as a vibrator: feedbackd (as on Phosh phones),
// `org.sigxcpu.Feedback` on the session bus. On asks it for the event
// "alarm-clock-elapsed", looping until ended, at most at its "quiet" level
// (vibration and LED, never a sound of its own over the alarm's playlist); off
// ends that feedback. Used where the vibration motor belongs to the service and
// this user cannot open it directly. The service ends a client's feedback when
// the client leaves the bus, so a crashed ringing leaves nothing vibrating.
#include "Vibrator.h"

#include <QList>
#include <QVariant>

#include <cstdint>

namespace dawnbell {

class FeedbackdVibrator : public Vibrator {
public:
    static constexpr const char* kService = "org.sigxcpu.Feedback";
    static constexpr const char* kPath = "/org/sigxcpu/Feedback";
    static constexpr const char* kInterface = "org.sigxcpu.Feedback";
    static constexpr const char* kEvent = "alarm-clock-elapsed";
    static constexpr const char* kAppId = "org.torvane.Dawnbell";
    static constexpr int kCallTimeoutMs = 2000; // longest wait for the service's answer

    // The service, when a Qt application object exists and the session bus has
    // an owner of kService; null otherwise.
    static std::unique_ptr<Vibrator> Open();

    // Ends the feedback this object started.
    ~FeedbackdVibrator() override;

    std::string Kind() const override { return "feedbackd"; }
    std::string Name() const override { return kService; }
    bool Set(bool on) override;

private:
    FeedbackdVibrator() = default;

    // Asks the service; false (logged) when it refused or did not answer. A
    // service that did not answer within kCallTimeoutMs is not asked again by
    // this object, so a hung service cannot stall the ringing at every phase.
    bool Ask(const char* method, const QList<QVariant>& arguments, QVariant* result);

    uint32_t feedback_ = 0; // the running feedback's id, 0 when none
    bool on_ = false;       // a feedback runs
    bool silent_ = false;   // the service once did not answer: it is not asked again
};

} // namespace dawnbell

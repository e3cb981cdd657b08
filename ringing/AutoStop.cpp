#include "AutoStop.h"

#include "ForegroundProcess.h"
#include "Profile.h"

#include <QApplication>
#include <QWidget>

namespace dawnbell {

namespace {

// True when `w` is `root` or one of its children or owned windows.
bool IsWithin(const QWidget* w, const QWidget* root)
{
    for (; w; w = w->parentWidget()) {
        if (w == root)
            return true;
    }
    return false;
}

} // namespace

AutoStopDecision DecideAutoStop(const ActivationFacts& facts)
{
    if (facts.ended || facts.activated || facts.otherIsOwned)
        return AutoStopDecision::Nothing;
    if (facts.otherIsParent || facts.disableAutoStop)
        return AutoStopDecision::Reassert;
    const std::string name = facts.foregroundName ? facts.foregroundName() : std::string();
    return IsPhoneApplication(name) ? AutoStopDecision::Stop : AutoStopDecision::Reassert;
}

AutoStopDecision DecideOnDeactivate(const QWidget* ringing, bool ended)
{
    ActivationFacts facts;
    facts.ended = ended;
    facts.activated = ringing && ringing->isActiveWindow();
    if (facts.ended || facts.activated || !ringing)
        return DecideAutoStop(facts);
    const QWidget* other = QApplication::activeWindow();
    facts.otherIsParent = other && other == ringing->parentWidget();
    facts.otherIsOwned = other && other != ringing && IsWithin(other, ringing);
    facts.disableAutoStop = Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), 0) != 0;
    facts.foregroundName = [] { return ForegroundProcessName(); };
    return DecideAutoStop(facts);
}

bool AutoStopOnCall(bool ended)
{
    return !ended && Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), 0) == 0;
}

bool LostToAnotherWindow(const QWidget* window)
{
    const QWidget* other = QApplication::activeWindow();
    if (other && (other == window->parentWidget() || IsWithin(other, window)))
        return false;
    return Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), 0) == 0;
}

} // namespace dawnbell

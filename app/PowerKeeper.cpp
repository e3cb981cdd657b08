#include "PowerKeeper.h"

#include "NamedEvent.h"
#include "Registry.h"

namespace dawnbell {

namespace {
const char* const kAcTimeout = "ACSuspendTimeout";
const char* const kBattTimeout = "BattSuspendTimeout";
const char* const kKeyLockNames[3] = {"AutoKey", "OnCallToday", "OnIncoming"};
} // namespace

PowerKeeper::PowerKeeper() : PowerKeeper(CreateSystemPowerControl()) {}

PowerKeeper::PowerKeeper(std::unique_ptr<PowerControl> control) : control_(std::move(control))
{
    control_->SetUnattended(true);
}

PowerKeeper::~PowerKeeper()
{
    if (engaged_)
        Engage(false);
    control_->SetUnattended(false);
    control_->SetBacklight(BacklightState::System);
    control_->SetKeepAwake(false);
}

void PowerKeeper::Save()
{
    RegKey timeouts;
    if (RegKey::Open(Hive::LocalMachine, kTimeoutsKey, &timeouts) == RegOk) {
        timeouts.ReadDword(kAcTimeout, &savedAcTimeout_);
        timeouts.ReadDword(kBattTimeout, &savedBattTimeout_);
    }
    RegKey keyLock;
    if (RegKey::Open(Hive::LocalMachine, kKeyLockKey, &keyLock) == RegOk) {
        for (int i = 0; i < 3; ++i)
            keyLock.ReadDword(kKeyLockNames[i], &savedKeyLock_[i]);
    }
    saved_ = true;
}

bool PowerKeeper::Engage(bool on)
{
    RegKey timeouts;
    if (RegKey::Open(Hive::LocalMachine, kTimeoutsKey, &timeouts) != RegOk)
        return false;
    if (on) {
        // A second Engage(true) must not save the zeros written by the first:
        // the values from before the first engagement are the ones to restore.
        if (!saved_)
            Save();
        timeouts.WriteDword(kAcTimeout, 0);
        timeouts.WriteDword(kBattTimeout, 0);
        RegKey keyLock;
        if (RegKey::Open(Hive::LocalMachine, kKeyLockKey, &keyLock) == RegOk) {
            for (const char* name : kKeyLockNames)
                keyLock.WriteDword(name, 0);
        }
        RegFlush(Hive::LocalMachine);
        control_->SetBacklight(BacklightState::FullOn);
        control_->SetKeepAwake(true);
        engaged_ = true;
    } else if (saved_ || engaged_) {
        timeouts.WriteDword(kAcTimeout, savedAcTimeout_);
        timeouts.WriteDword(kBattTimeout, savedBattTimeout_);
        RegKey keyLock;
        if (RegKey::Open(Hive::LocalMachine, kKeyLockKey, &keyLock) == RegOk) {
            for (int i = 0; i < 3; ++i)
                keyLock.WriteDword(kKeyLockNames[i], savedKeyLock_[i]);
        }
        RegFlush(Hive::LocalMachine);
        control_->SetKeepAwake(false);
        control_->SetBacklight(BacklightState::System);
        engaged_ = false;
        saved_ = false;
        control_->ResetIdleTimer();
    }
    timeouts.Close();
    SignalReload();
    return true;
}

void PowerKeeper::SetBacklight(bool dim)
{
    control_->SetBacklight(dim ? BacklightState::Off : BacklightState::FullOn);
}

void PowerKeeper::SignalReload()
{
    NamedEvent event;
    if (NamedEvent::Open(kReloadEvent, &event) == EventOk)
        event.Set();
}

} // namespace dawnbell

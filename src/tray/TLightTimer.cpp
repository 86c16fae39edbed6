#include "tray/TLightTimer.h"

#include "tray/TLightTimerHandler.h"

namespace veska {

TLightTimer::TLightTimer() {
    InitTimer(1000, {});
}

TLightTimer::TLightTimer(uint32_t AInterval, TTimerEvent AOnTimer) {
    InitTimer(AInterval, std::move(AOnTimer));
}

void TLightTimer::InitTimer(uint32_t interval, TTimerEvent handler) {
    FId = TLightTimerHandler::RegisterTimer(this);
    FAutoDisable = false;
    FEnabled = false;
    FInterval = interval;
    SetOnTimer(std::move(handler));
    TLightTimerHandler::AcquireTimerHandler();
}

TLightTimer::~TLightTimer() {
    if (FEnabled)
        StopTimer(true);
    TLightTimerHandler::UnregisterTimer(FId);
    TLightTimerHandler::ReleaseTimerHandler();
}

void TLightTimer::SetEnabled(bool value) {
    if (value)
        StartTimer();
    else
        StopTimer(true);
}

void TLightTimer::SetInterval(uint32_t value) {
    if (value == FInterval)
        return;
    FInterval = value;
    if (FEnabled) {
        if (value != 0)
            StartTimer();
        else
            StopTimer(false);
    }
}

void TLightTimer::SetOnTimer(TTimerEvent value) {
    FOnTimer = std::move(value);
    if (!FOnTimer && FEnabled)
        StopTimer(false);
}

bool TLightTimer::StartTimer() {
    if (FInterval == 0)
        return false;
    if (FEnabled)
        StopTimer(true);
    TLightTimerHandler* handler = TLightTimerHandler::Instance();
    if (handler == nullptr || !handler->SetTimer(FId, FInterval))
        return false;
    FEnabled = true;
    ++handler->ActiveCount;
    return true;
}

bool TLightTimer::StopTimer(bool clear) {
    if (clear)
        FEnabled = false;
    TLightTimerHandler* handler = TLightTimerHandler::Instance();
    if (handler == nullptr || !handler->KillTimer(FId))
        return false;
    if (handler->ActiveCount > 0)
        --handler->ActiveCount;
    return true;
}

} // namespace veska

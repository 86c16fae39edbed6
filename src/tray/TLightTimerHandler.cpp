#include "tray/TLightTimerHandler.h"

#include "tray/TLightTimer.h"
#include "tray/platform/Timers.h"

#include <memory>

namespace veska {
namespace {

TLightTimerHandler* TimerHandler = nullptr;

std::unordered_map<uint32_t, TLightTimer*>& liveTimers() {
    // Never destroyed: timers that outlive the module still unregister.
    static auto* timers = new std::unordered_map<uint32_t, TLightTimer*>;
    return *timers;
}

uint32_t nextTimerId = 1;

// Module shutdown: a handler that is still there goes with the module.
struct ModuleShutdown {
    ~ModuleShutdown() {
        delete TimerHandler;
        TimerHandler = nullptr;
    }
} moduleShutdown;

} // namespace

TLightTimerHandler::TLightTimerHandler() = default;

TLightTimerHandler::~TLightTimerHandler() {
    for (const auto& entry : platformTimersById_)
        platform::CurrentTimerBackend().KillTimer(entry.second);
}

TLightTimerHandler* TLightTimerHandler::Instance() {
    return TimerHandler;
}

void TLightTimerHandler::AcquireTimerHandler() {
    if (TimerHandler == nullptr)
        TimerHandler = new TLightTimerHandler;
    TimerHandler->AddTimer();
}

void TLightTimerHandler::ReleaseTimerHandler() {
    if (TimerHandler == nullptr)
        return;
    TimerHandler->RemoveTimer();
    if (TimerHandler->RefCount != 0)
        return;
    TLightTimerHandler* handler = TimerHandler;
    TimerHandler = nullptr;
    // The last timer may go from inside its own tick: the handler is still dispatching it
    // then, so it goes once control is back in the event loop.
    if (handler->dispatching_ > 0)
        handler->released_ = true;
    else
        delete handler;
}

void TLightTimerHandler::RemoveTimer() {
    if (RefCount > 0)
        --RefCount;
}

bool TLightTimerHandler::SetTimer(uint32_t id, uint32_t interval) {
    // Setting a timer that already runs replaces it, as the platform call does.
    KillTimer(id);
    const int platformTimer =
        platform::CurrentTimerBackend().StartTimer(interval, [this, id] { platformTick(id); });
    if (platformTimer == 0)
        return false;
    platformTimersById_.emplace(id, platformTimer);
    return true;
}

bool TLightTimerHandler::KillTimer(uint32_t id) {
    const auto found = platformTimersById_.find(id);
    if (found == platformTimersById_.end())
        return false;
    platform::CurrentTimerBackend().KillTimer(found->second);
    platformTimersById_.erase(found);
    return true;
}

void TLightTimerHandler::platformTick(uint32_t id) {
    TMessage message{msg::WM_TIMER, id, 0, 0};
    ++dispatching_;
    HandleTimerMessage(message);
    --dispatching_;
    if (dispatching_ == 0 && released_)
        deleteLater();
}

void TLightTimerHandler::HandleTimerMessage(TMessage& message) {
    if (message.Msg != msg::WM_TIMER)
        return;
    TLightTimer* timer = FindTimer(static_cast<uint32_t>(message.WParam));
    if (timer == nullptr)
        return;
    if (timer->FAutoDisable)
        timer->StopTimer(true);
    if (timer->FOnTimer) {
        // The handler may destroy the timer it runs for: call a copy.
        const TLightTimer::TTimerEvent handler = timer->FOnTimer;
        handler(timer);
    }
}

uint32_t TLightTimerHandler::RegisterTimer(TLightTimer* timer) {
    uint32_t id = nextTimerId++;
    while (id == 0 || liveTimers().count(id) != 0)
        id = nextTimerId++;
    liveTimers().emplace(id, timer);
    return id;
}

void TLightTimerHandler::UnregisterTimer(uint32_t id) {
    liveTimers().erase(id);
}

TLightTimer* TLightTimerHandler::FindTimer(uint32_t id) {
    const auto found = liveTimers().find(id);
    return found == liveTimers().end() ? nullptr : found->second;
}

} // namespace veska

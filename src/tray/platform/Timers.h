#pragma once
// The platform's window timers under the light timers (SetTimer/KillTimer on a hidden
// window): periodic ticks delivered by the event loop on the GUI thread. The backend is
// replaceable: Qt's timers by default, a clock that tests move on by hand.

#include <cstdint>
#include <functional>

namespace veska::platform {

class TimerBackend {
public:
    using Tick = std::function<void()>;
    virtual ~TimerBackend() = default;
    // Starts a periodic timer; its id (never 0), or 0 when refused. The tick may kill or
    // start timers, its own included.
    virtual int StartTimer(uint32_t intervalMs, Tick tick) = 0;
    virtual void KillTimer(int id) = 0;
};

// The installed backend, else Qt's.
TimerBackend& CurrentTimerBackend();
// Not owned; nullptr goes back to Qt's.
void SetTimerBackend(TimerBackend* backend);

} // namespace veska::platform

#pragma once
// A light periodic timer: calls one handler every Interval milliseconds on the GUI thread.
// All timers share one hidden handler object, created with the first timer and destroyed
// with the last. A new timer is stopped; the caller enables it.

#include <cstdint>
#include <functional>

namespace veska {

class TLightTimer {
public:
    using TTimerEvent = std::function<void(TLightTimer* Sender)>;

    // Interval 1000 ms, no handler.
    TLightTimer();
    TLightTimer(uint32_t AInterval, TTimerEvent AOnTimer);
    ~TLightTimer();
    TLightTimer(const TLightTimer&) = delete;
    TLightTimer& operator=(const TLightTimer&) = delete;

    // True: StartTimer (restarting a running period); false: StopTimer(true).
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // A new value restarts a running timer; 0 pauses it while Enabled stays true.
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t value);
    // Switch the timer off at its first tick, before the handler runs.
    bool AutoDisable() const { return FAutoDisable; }
    void SetAutoDisable(bool value) { FAutoDisable = value; }
    // Removing the handler of a running timer pauses it while Enabled stays true.
    const TTimerEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TTimerEvent value);

    // False when Interval is 0 or the platform refuses a timer.
    bool StartTimer();
    // Kills the platform timer; with clear, Enabled becomes false too (without it, a pause).
    bool StopTimer(bool clear);

    // The identity that names this timer in timer messages; never reused.
    uint32_t Id() const { return FId; }

private:
    friend class TLightTimerHandler;
    void InitTimer(uint32_t interval, TTimerEvent handler);

    uint32_t FId = 0;
    bool FEnabled = false;
    uint32_t FInterval = 0;
    bool FAutoDisable = false;
    TTimerEvent FOnTimer;
};

} // namespace veska

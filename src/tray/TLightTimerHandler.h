#pragma once
// The hidden object shared by every TLightTimer: runs their platform timers (platform/Timers)
// and hands each tick to the live timer it names. A tick for a timer that no longer exists
// reaches nobody: timers are found by an identity that is never reused.

#include "tray/TrayMessages.h"

#include <QObject>
#include <cstdint>
#include <unordered_map>

namespace veska {

class TLightTimer;

class TLightTimerHandler : public QObject {
    Q_OBJECT
public:
    TLightTimerHandler();
    ~TLightTimerHandler() override;

    // The shared handler, or nullptr while no timer exists.
    static TLightTimerHandler* Instance();
    static void AcquireTimerHandler();
    static void ReleaseTimerHandler();

    void AddTimer() { ++RefCount; }
    void RemoveTimer();

    // SetTimer/KillTimer on this handler: a periodic WM_TIMER with WParam = id.
    bool SetTimer(uint32_t id, uint32_t interval);
    bool KillTimer(uint32_t id);

    void HandleTimerMessage(TMessage& message);

    uint32_t RefCount = 0;
    uint32_t ActiveCount = 0;

    // The live timers by identity.
    static uint32_t RegisterTimer(TLightTimer* timer);
    static void UnregisterTimer(uint32_t id);
    static TLightTimer* FindTimer(uint32_t id);

private:
    void platformTick(uint32_t id);

    std::unordered_map<uint32_t, int> platformTimersById_;
    int dispatching_ = 0;
    bool released_ = false;
};

} // namespace veska

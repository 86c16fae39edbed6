#include "tray/platform/Timers.h"

#include <QObject>
#include <QTimerEvent>
#include <unordered_map>

namespace veska::platform {
namespace {

class QtTimers final : public QObject, public TimerBackend {
public:
    int StartTimer(uint32_t intervalMs, Tick tick) override {
        const int id = startTimer(std::chrono::milliseconds(intervalMs), Qt::PreciseTimer);
        if (id != 0)
            ticks_.emplace(id, std::move(tick));
        return id;
    }
    void KillTimer(int id) override {
        if (ticks_.erase(id) != 0)
            killTimer(id);
    }

protected:
    void timerEvent(QTimerEvent* event) override {
        const auto found = ticks_.find(event->timerId());
        if (found == ticks_.end())
            return;
        // The tick may kill its own timer: run a copy.
        const Tick tick = found->second;
        tick();
    }

private:
    std::unordered_map<int, Tick> ticks_;
};

TimerBackend* installed = nullptr;

TimerBackend& qtTimers() {
    // Never destroyed: light timers that outlive the application still stop theirs.
    static auto* timers = new QtTimers;
    return *timers;
}

} // namespace

TimerBackend& CurrentTimerBackend() {
    return installed != nullptr ? *installed : qtTimers();
}

void SetTimerBackend(TimerBackend* backend) {
    installed = backend;
}

} // namespace veska::platform

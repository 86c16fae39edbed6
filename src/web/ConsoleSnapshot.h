#pragma once
// What the web console shows of a running shop, as the service last published it. The
// service's tick makes a new snapshot and publishes it; the console's threads read the last
// one. Neither waits for the other: publishing swaps one pointer.

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace veska::web {

struct ConsoleTerminal {
    QString address; // dotted
    int socket = 0;
    std::int64_t connectedSinceMs = 0; // UTC milliseconds; 0 when not known
    std::int64_t lastScanMs = 0;       // 0 without a scan since it connected
    int scansToday = 0;
};

struct ConsoleSnapshot {
    bool serverRunning = false;
    bool databaseConnected = false;
    int priceMode = 1; // 1 wholesale, 2 retail
    std::int64_t startedMs = 0;
    std::int64_t madeMs = 0;
    int scansToday = 0;
    int notFoundToday = 0;
    std::vector<ConsoleTerminal> terminals;
    std::vector<QString> log; // the last lines of the activity log, oldest first
};

class SnapshotBoard {
public:
    SnapshotBoard() : current_(std::make_shared<const ConsoleSnapshot>()) {}
    void publish(ConsoleSnapshot snapshot) {
        current_.store(std::make_shared<const ConsoleSnapshot>(std::move(snapshot)));
    }
    std::shared_ptr<const ConsoleSnapshot> current() const { return current_.load(); }

private:
    std::atomic<std::shared_ptr<const ConsoleSnapshot>> current_;
};

} // namespace veska::web

#pragma once
// The scan journal: every answered scan and every terminal joining or leaving, written to
// "consultas.sqlite" by a thread of its own. The terminal services only append to a
// bounded queue; the thread writes it in one transaction at least once a second (WAL,
// synchronous NORMAL: a killed program loses at most the last second). A full queue drops
// rows and counts them. Faults never reach the terminals: each gives one line through
// `notice` (called on the journal's thread) and the journal goes on:
// - a folder it may not write: the journal goes to the fallback folder (JournalPlace.h);
// - a full disk: the batch waits and is written once there is room;
// - a damaged or foreign file: renamed aside ("consultas.sqlite.damaged-<date>"), and a new
//   journal begins.
// Raw rows older than the retention are deleted a few thousand at a time.

#include "terminal/ScanJournal.h"

#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace veska::journal {

struct JournalOptions {
    QString folder = QStringLiteral(".");
    int retentionDays = 90;
    std::size_t queueLimit = 65536;
};

class Journal final : public terminal::ScanJournal {
public:
    using Notice = std::function<void(const QString&)>;
    Journal(JournalOptions options, Notice notice);
    // Writes what is queued, then ends the thread.
    ~Journal() override;

    void scanAnswered(terminal::AnsweredScan scan) noexcept override;
    void terminalConnection(const terminal::TerminalConnection& change) noexcept override;
    void setRetentionDays(int days);

    // Rows dropped so far because the queue was full.
    std::int64_t dropped() const;

private:
    struct State;
    class Writing;
    void run();

    std::unique_ptr<State> state_;
    std::thread thread_;
};

} // namespace veska::journal

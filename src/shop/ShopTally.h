#pragma once
// Today's figures of the sales floor for the web console: scans and not-found answers of
// the local day, and per connected terminal when it was first seen in the connection table,
// its last scan and its scans today. It stands between the price-query service and the
// shop's journal: every answer is counted, then handed on.

#include "terminal/ConnectedTerminals.h"
#include "terminal/ScanJournal.h"
#include "web/ConsoleSnapshot.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace veska::shop {

class ShopTally final : public terminal::ScanJournal {
public:
    // Where the answers go on to (the scan journal); none by default.
    void setNext(terminal::ScanJournal* next) { next_ = next; }

    void scanAnswered(terminal::AnsweredScan scan) noexcept override;
    void terminalConnection(const terminal::TerminalConnection& change) noexcept override;

    // The terminals of the connection table read at nowMs: new ones are connected since
    // then, those gone are forgotten.
    void tableRead(const terminal::TerminalKeys& present, std::int64_t nowMs);
    // The server stopped: no terminal is connected.
    void serverStopped() { terminals_.clear(); }

    // The day's figures as of nowMs, into the snapshot.
    void fill(web::ConsoleSnapshot& snapshot, std::int64_t nowMs) const;

private:
    struct Terminal {
        std::int64_t connectedSinceMs = 0;
        std::int64_t lastScanMs = 0;
        int scansToday = 0;
        std::string day; // local, as the journal's days
    };

    terminal::ScanJournal* next_ = nullptr;
    std::string day_;
    int scans_ = 0;
    int notFound_ = 0;
    // By terminal::terminalKey().
    std::map<std::uint64_t, Terminal> terminals_;
};

} // namespace veska::shop

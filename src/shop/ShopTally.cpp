#include "shop/ShopTally.h"

#include "journal/LocalDay.h"

#include <algorithm>

namespace veska::shop {

using terminal::terminalKey;

void ShopTally::scanAnswered(terminal::AnsweredScan scan) noexcept {
    try {
        const std::string day = journal::localDayOf(scan.utcMilliseconds);
        if (day != day_) {
            day_ = day;
            scans_ = 0;
            notFound_ = 0;
        }
        ++scans_;
        if (scan.outcome == terminal::ScanOutcome::NotFound)
            ++notFound_;
        Terminal& terminal = terminals_[terminalKey(scan.address, scan.socket)];
        if (terminal.day != day) {
            terminal.day = day;
            terminal.scansToday = 0;
        }
        ++terminal.scansToday;
        terminal.lastScanMs = scan.utcMilliseconds;
    } catch (...) {
        // A figure less on the console; the answer itself is not held up.
    }
    if (next_ != nullptr)
        next_->scanAnswered(std::move(scan));
}

void ShopTally::terminalConnection(const terminal::TerminalConnection& change) noexcept {
    if (next_ != nullptr)
        next_->terminalConnection(change);
}

void ShopTally::tableRead(const terminal::TerminalKeys& present, std::int64_t nowMs) {
    for (const std::uint64_t key : present) {
        Terminal& terminal = terminals_[key];
        if (terminal.connectedSinceMs == 0)
            terminal.connectedSinceMs = nowMs;
    }
    std::erase_if(terminals_, [&present](const auto& entry) {
        return !std::binary_search(present.begin(), present.end(), entry.first);
    });
}

void ShopTally::fill(web::ConsoleSnapshot& snapshot, std::int64_t nowMs) const {
    const std::string today = journal::localDayOf(nowMs);
    snapshot.scansToday = day_ == today ? scans_ : 0;
    snapshot.notFoundToday = day_ == today ? notFound_ : 0;
    snapshot.terminals.clear();
    for (const auto& [key, terminal] : terminals_) {
        if (terminal.connectedSinceMs == 0)
            continue; // scanned, but not in the table yet
        snapshot.terminals.push_back({terminal::dottedHostAddress(terminal::addressOf(key)),
                                      terminal::socketOf(key), terminal.connectedSinceMs,
                                      terminal.lastScanMs,
                                      terminal.day == today ? terminal.scansToday : 0});
    }
}

} // namespace veska::shop

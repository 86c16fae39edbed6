#include "shop/ShopTally.h"

#include <QDateTime>
#include <arpa/inet.h>
#include <set>

namespace veska::shop {

namespace {

std::uint64_t keyOf(std::uint32_t hostAddress, std::uint16_t socket) {
    return std::uint64_t{hostAddress} << 16 | socket;
}

QString dotted(std::uint32_t host) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(host >> 24)
        .arg((host >> 16) & 255)
        .arg((host >> 8) & 255)
        .arg(host & 255);
}

} // namespace

QDate ShopTally::localDay(std::int64_t utcMs) {
    return QDateTime::fromMSecsSinceEpoch(utcMs).date();
}

void ShopTally::scanAnswered(terminal::AnsweredScan scan) noexcept {
    try {
        const QDate day = localDay(scan.utcMilliseconds);
        if (day != day_) {
            day_ = day;
            scans_ = 0;
            notFound_ = 0;
        }
        ++scans_;
        if (scan.outcome == terminal::ScanOutcome::NotFound)
            ++notFound_;
        Terminal& terminal = terminals_[keyOf(scan.address, scan.socket)];
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

void ShopTally::tableRead(const terminal::TTABSOCK& table, std::int64_t nowMs) {
    std::set<std::uint64_t> present;
    const int slots = std::clamp<int>(table.NumSockConec, 0, terminal::kTabSockSlots);
    for (int slot = 0; slot < slots; ++slot) {
        if (table.TabIP[slot] == 0)
            continue;
        const std::uint64_t key = keyOf(ntohl(table.TabIP[slot]), table.TabSock[slot]);
        present.insert(key);
        Terminal& terminal = terminals_[key];
        if (terminal.connectedSinceMs == 0)
            terminal.connectedSinceMs = nowMs;
    }
    std::erase_if(terminals_,
                  [&present](const auto& entry) { return present.count(entry.first) == 0; });
}

void ShopTally::fill(web::ConsoleSnapshot& snapshot, std::int64_t nowMs) const {
    const QDate today = localDay(nowMs);
    snapshot.scansToday = day_ == today ? scans_ : 0;
    snapshot.notFoundToday = day_ == today ? notFound_ : 0;
    snapshot.terminals.clear();
    for (const auto& [key, terminal] : terminals_) {
        if (terminal.connectedSinceMs == 0)
            continue; // scanned, but not in the table yet
        snapshot.terminals.push_back({dotted(static_cast<std::uint32_t>(key >> 16)),
                                      static_cast<int>(key & 0xFFFF), terminal.connectedSinceMs,
                                      terminal.lastScanMs,
                                      terminal.day == today ? terminal.scansToday : 0});
    }
}

} // namespace veska::shop

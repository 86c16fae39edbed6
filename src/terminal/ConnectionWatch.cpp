#include "terminal/ConnectionWatch.h"

#include <algorithm>
#include <arpa/inet.h>

namespace veska::terminal {

void ConnectionWatch::update(const TTABSOCK& table) {
    std::vector<std::uint64_t> now;
    const int slots = std::clamp<int>(table.NumSockConec, 0, kTabSockSlots);
    for (int slot = 0; slot < slots; ++slot) {
        if (table.TabIP[slot] != 0)
            now.push_back(std::uint64_t{ntohl(table.TabIP[slot])} << 16 | table.TabSock[slot]);
    }
    std::sort(now.begin(), now.end());
    now.erase(std::unique(now.begin(), now.end()), now.end());
    if (now == connected_)
        return;
    const std::int64_t when = utcMillisecondsNow();
    std::vector<std::uint64_t> changed;
    std::set_difference(connected_.begin(), connected_.end(), now.begin(), now.end(),
                        std::back_inserter(changed));
    for (const std::uint64_t terminal : changed)
        report(terminal, false, when);
    changed.clear();
    std::set_difference(now.begin(), now.end(), connected_.begin(), connected_.end(),
                        std::back_inserter(changed));
    for (const std::uint64_t terminal : changed)
        report(terminal, true, when);
    connected_ = std::move(now);
}

void ConnectionWatch::endAll() {
    const std::int64_t when = utcMillisecondsNow();
    for (const std::uint64_t terminal : connected_)
        report(terminal, false, when);
    connected_.clear();
}

void ConnectionWatch::report(std::uint64_t terminal, bool connected, std::int64_t when) {
    journal_.terminalConnection({when, static_cast<std::uint32_t>(terminal >> 16),
                                 static_cast<std::uint16_t>(terminal & 0xffff), connected});
}

} // namespace veska::terminal

#include "terminal/ConnectionWatch.h"

#include <algorithm>

namespace veska::terminal {

void ConnectionWatch::update(const TerminalKeys& now) {
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
    connected_ = now;
}

void ConnectionWatch::endAll() {
    const std::int64_t when = utcMillisecondsNow();
    for (const std::uint64_t terminal : connected_)
        report(terminal, false, when);
    connected_.clear();
}

void ConnectionWatch::report(std::uint64_t terminal, bool connected, std::int64_t when) {
    journal_.terminalConnection({when, addressOf(terminal), socketOf(terminal), connected});
}

} // namespace veska::terminal

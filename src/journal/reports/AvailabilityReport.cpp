#include "journal/LocalDay.h"
#include "journal/reports/Reports.h"

#include <algorithm>
#include <map>
#include <set>

namespace veska::journal {
namespace {

// The journal marks its program alive at every write, once a second: a run last seen this
// recently runs now, and what is connected in it is connected up to now.
constexpr std::int64_t kRunningLagMs = 10'000;

// The moments each terminal (address) had at least one connection, over the runs of the
// program that touch [from, to).
std::map<std::uint32_t, std::vector<Interval>>
connectedIntervals(SqliteConnection& db, std::int64_t from, std::int64_t to, std::int64_t nowMs) {
    std::map<std::uint32_t, std::vector<Interval>> intervals;
    SqliteStatement runs(db.handle(), "SELECT id, last_seen_ms FROM runs "
                                      "WHERE started_ms < ? AND last_seen_ms >= ? ORDER BY id");
    runs.bind(1, to).bind(2, from);
    SqliteStatement events(db.handle(),
                           "SELECT time_ms, address, socket, connected FROM connections "
                           "WHERE run = ? AND time_ms < ? ORDER BY time_ms, id");
    while (runs.step()) {
        const std::int64_t lastSeen = runs.integer(1);
        const std::int64_t runEnd =
            nowMs - lastSeen <= kRunningLagMs ? std::max(lastSeen, nowMs) : lastSeen;
        std::map<std::uint32_t, std::pair<std::set<std::int64_t>, std::int64_t>> open;
        events.bind(1, runs.integer(0)).bind(2, to);
        while (events.step()) {
            const std::int64_t when = std::min(events.integer(0), runEnd);
            auto& [sockets, since] = open[static_cast<std::uint32_t>(events.integer(1))];
            const bool wasConnected = !sockets.empty();
            if (events.integer(3) != 0)
                sockets.insert(events.integer(2));
            else
                sockets.erase(events.integer(2));
            if (!wasConnected && !sockets.empty()) {
                since = when;
            } else if (wasConnected && sockets.empty()) {
                intervals[static_cast<std::uint32_t>(events.integer(1))].push_back({since, when});
            }
        }
        events.reset();
        // What was connected when the run was last seen alive (or is now) ends there.
        for (const auto& [address, state] : open) {
            if (!state.first.empty())
                intervals[address].push_back({state.second, runEnd});
        }
    }
    return intervals;
}

} // namespace

AvailabilityReport availabilityReport(SqliteConnection& db, const std::string& day,
                                      const OpeningHours& hours, std::int64_t nowMs) {
    AvailabilityReport report;
    report.day = day;
    const std::int64_t dayStart = localDayStart(day);
    const std::int64_t dayEnd = localDayStart(nextDay(day));
    report.opening = {localTimeOn(day, hours.opens), localTimeOn(day, hours.closes)};
    report.opening.toMs = std::max(report.opening.fromMs, std::min(report.opening.toMs, nowMs));
    const std::int64_t openingMs = report.opening.toMs - report.opening.fromMs;

    for (auto& [address, intervals] : connectedIntervals(db, dayStart, dayEnd, nowMs)) {
        std::sort(intervals.begin(), intervals.end(),
                  [](const Interval& a, const Interval& b) { return a.fromMs < b.fromMs; });
        const bool seen = std::any_of(intervals.begin(), intervals.end(), [&](const Interval& i) {
            return i.toMs >= dayStart && i.fromMs < dayEnd;
        });
        if (!seen)
            continue;
        TerminalAvailability terminal;
        terminal.address = address;
        std::int64_t cursor = report.opening.fromMs; // covered up to here
        for (const Interval& interval : intervals) {
            const std::int64_t from = std::max(interval.fromMs, cursor);
            const std::int64_t to = std::min(interval.toMs, report.opening.toMs);
            if (to <= from)
                continue;
            if (from > cursor)
                terminal.gaps.push_back({cursor, from});
            terminal.connectedMs += to - from;
            cursor = to;
        }
        if (cursor < report.opening.toMs)
            terminal.gaps.push_back({cursor, report.opening.toMs});
        terminal.share = openingMs > 0 ? static_cast<double>(terminal.connectedMs) /
                                             static_cast<double>(openingMs)
                                       : 0.0;
        report.terminals.push_back(std::move(terminal));
    }
    return report;
}

} // namespace veska::journal

#include "journal/JournalSchema.h"
#include "journal/LocalDay.h"
#include "journal/reports/Reports.h"
#include "terminal/ConnectedTerminals.h"

#include <map>

namespace veska::journal {
namespace {

constexpr std::int64_t kHourMs = 3'600'000;

struct Hours {
    std::int64_t first = 0, last = 0; // UTC hours, last excluded
};

Hours hoursOf(const DayRange& days) {
    Hours hours{0, std::numeric_limits<std::int64_t>::max()};
    if (!days.from.empty())
        hours.first = localDayStart(days.from) / kHourMs;
    if (!days.to.empty())
        hours.last = localDayStart(nextDay(days.to)) / kHourMs;
    return hours;
}

QString groupOf(UsageGrouping grouping, std::int64_t hour, std::uint32_t address) {
    switch (grouping) {
    case UsageGrouping::Hour:
        return QString::fromStdString(localHourText(hour * kHourMs));
    case UsageGrouping::Day:
        return QString::fromStdString(localDayOf(hour * kHourMs));
    case UsageGrouping::Terminal:
        return terminal::dottedHostAddress(address);
    }
    return {};
}

std::optional<std::int64_t> median(const std::map<std::int64_t, std::int64_t>& buckets) {
    std::int64_t total = 0;
    for (const auto& [bucket, count] : buckets)
        total += count;
    if (total == 0)
        return std::nullopt;
    std::int64_t seen = 0;
    for (const auto& [bucket, count] : buckets) {
        seen += count;
        if (2 * seen >= total)
            return bucketMicroseconds(bucket);
    }
    return std::nullopt;
}

} // namespace

std::vector<UsageRow> usageReport(SqliteConnection& db, const DayRange& days,
                                  UsageGrouping grouping) {
    const Hours hours = hoursOf(days);
    // Terminals sort by their number, not their text.
    std::map<std::pair<std::int64_t, QString>, UsageRow> rows;
    const auto keyOf = [&](std::int64_t hour, std::uint32_t address) {
        const QString group = groupOf(grouping, hour, address);
        return std::pair{grouping == UsageGrouping::Terminal ? std::int64_t{address} : 0, group};
    };
    SqliteStatement totals(db.handle(),
                           "SELECT hour, address, found + labels, not_found, "
                           "unavailable + retries FROM hourly WHERE hour >= ? AND hour < ?");
    totals.bind(1, hours.first).bind(2, hours.last);
    while (totals.step()) {
        const auto key = keyOf(totals.integer(0), static_cast<std::uint32_t>(totals.integer(1)));
        UsageRow& row = rows[key];
        row.group = key.second;
        row.found += totals.integer(2);
        row.notFound += totals.integer(3);
        row.unavailable += totals.integer(4);
        row.scans = row.found + row.notFound + row.unavailable;
    }
    std::map<std::pair<std::int64_t, QString>, std::map<std::int64_t, std::int64_t>> times;
    SqliteStatement serviceTimes(db.handle(), "SELECT hour, address, bucket, count FROM "
                                              "service_times WHERE hour >= ? AND hour < ?");
    serviceTimes.bind(1, hours.first).bind(2, hours.last);
    while (serviceTimes.step()) {
        const auto key =
            keyOf(serviceTimes.integer(0), static_cast<std::uint32_t>(serviceTimes.integer(1)));
        times[key][serviceTimes.integer(2)] += serviceTimes.integer(3);
    }
    std::vector<UsageRow> result;
    for (auto& [key, row] : rows) {
        row.medianMicroseconds = median(times[key]);
        result.push_back(std::move(row));
    }
    return result;
}

} // namespace veska::journal

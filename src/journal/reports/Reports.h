#pragma once
// The manager's reports, read from the journal (see JournalSchema.h) while the program
// writes it. Each reads the totals kept for good, so a report costs the same for a week of
// scans as for a year. Days are the shop's local days, both ends included; an empty end
// is open.

#include "journal/ManagementSettings.h"
#include "journal/Sqlite.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veska::journal {

struct DayRange {
    std::string from; // "AAAA-MM-DD" or empty
    std::string to;
};

// The codes scanned and not found, most scanned first.
struct NotFoundCode {
    QString code;
    std::int64_t count = 0;
    std::int64_t firstMs = 0, lastMs = 0;
    std::vector<std::uint32_t> terminals; // addresses, ascending
};
std::vector<NotFoundCode> notFoundReport(SqliteConnection& db, const DayRange& days);

enum class UsageGrouping { Hour, Day, Terminal };
struct UsageRow {
    QString group; // "AAAA-MM-DD hh", "AAAA-MM-DD" or the terminal's address
    std::int64_t scans = 0, found = 0, notFound = 0, unavailable = 0;
    std::optional<std::int64_t> medianMicroseconds;
};
std::vector<UsageRow> usageReport(SqliteConnection& db, const DayRange& days,
                                  UsageGrouping grouping);

struct Interval {
    std::int64_t fromMs = 0, toMs = 0;
};
struct TerminalAvailability {
    std::uint32_t address = 0;
    std::int64_t connectedMs = 0; // within the opening hours
    std::vector<Interval> gaps;   // within the opening hours
    double share = 0;             // connectedMs over the opening hours (0..1)
};
struct AvailabilityReport {
    std::string day;
    Interval opening; // the opening hours of the day (up to the report's time, today)
    std::vector<TerminalAvailability> terminals;
};
// nowMs cuts the opening hours of a day still going on.
AvailabilityReport availabilityReport(SqliteConnection& db, const std::string& day,
                                      const OpeningHours& hours, std::int64_t nowMs);

} // namespace veska::journal

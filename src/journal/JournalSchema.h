#pragma once
// The journal's tables. Raw rows (scans) are kept for the retention days; the totals
// (hourly per terminal, service-time counts, daily per code) and the connection record are
// kept for good. Times are milliseconds since 1970, UTC; a day is the shop's local day.
//
//   runs(id, started_ms, last_seen_ms, dropped)        one per program run
//   scans(id, time_ms, address, socket, code, outcome, article, price, service_us)
//   connections(id, run, time_ms, address, socket, connected)
//   hourly(hour, address, found, labels, not_found, unavailable, retries)
//   service_times(hour, address, bucket, count)        see serviceTimeBucket()
//   code_daily(outcome, code, day, address, count, first_ms, last_ms)
//
// code_daily is kept in order of code within an outcome: the not-found report reads it so.
//
// An address is the terminal's IPv4 address as a host-order number; an hour is the UTC hour
// (time_ms / 3600000); an outcome is terminal::ScanOutcome.

#include "journal/Sqlite.h"

namespace veska::journal {

inline constexpr std::int64_t kApplicationId = 0x56534b4a; // "VSKJ"
inline constexpr std::int64_t kSchemaVersion = 1;

// Why a file is not taken as the journal: not a SQLite file, damaged, or another program's.
class UnusableJournal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Creates the tables in a new file, or checks that the file is a sound journal: raises
// UnusableJournal when it is not.
void prepareJournal(SqliteConnection& db);

// Checks, without writing, that the file is a journal (for readers).
void checkJournal(SqliteConnection& db);

// Service times are counted in buckets: tenths of a millisecond below 10 ms, whole
// milliseconds below 1 s, tenths of a second above. A bucket stands for its lowest value.
std::int64_t serviceTimeBucket(std::int64_t microseconds);
std::int64_t bucketMicroseconds(std::int64_t bucket);

} // namespace veska::journal

#include "journal/JournalWriter.h"

#include "journal/JournalSchema.h"
#include "journal/LocalDay.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace veska::journal {
namespace {

using terminal::ScanOutcome;

constexpr std::int64_t kHourMs = 3'600'000;
constexpr int kPruneRows = 2000;

struct HourTotals {
    std::int64_t found = 0, labels = 0, notFound = 0, unavailable = 0, retries = 0;
};

struct CodeTotals {
    std::int64_t count = 0, first = 0, last = 0;
};

} // namespace

struct JournalWriter::Statements {
    explicit Statements(sqlite3* db)
        : insertScan(db, "INSERT INTO scans(time_ms, address, socket, code, outcome, article, "
                         "price, service_us) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"),
          insertConnection(db, "INSERT INTO connections(run, time_ms, address, socket, "
                               "connected) VALUES(?, ?, ?, ?, ?)"),
          addHour(db, "INSERT INTO hourly(hour, address, found, labels, not_found, unavailable, "
                      "retries) VALUES(?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO UPDATE SET "
                      "found = found + excluded.found, labels = labels + excluded.labels, "
                      "not_found = not_found + excluded.not_found, "
                      "unavailable = unavailable + excluded.unavailable, "
                      "retries = retries + excluded.retries"),
          addServiceTime(db, "INSERT INTO service_times(hour, address, bucket, count) "
                             "VALUES(?, ?, ?, ?) ON CONFLICT DO UPDATE SET "
                             "count = count + excluded.count"),
          addCode(db, "INSERT INTO code_daily(outcome, day, code, address, count, first_ms, "
                      "last_ms) VALUES(?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO UPDATE SET "
                      "count = count + excluded.count, first_ms = min(first_ms, "
                      "excluded.first_ms), last_ms = max(last_ms, excluded.last_ms)"),
          touchRun(db, "UPDATE runs SET last_seen_ms = max(last_seen_ms, ?) WHERE id = ?"),
          setDropped(db, "UPDATE runs SET dropped = ? WHERE id = ?"),
          prune(db, "DELETE FROM scans WHERE id IN (SELECT id FROM scans ORDER BY id LIMIT ?) "
                    "AND time_ms < ?"),
          begin(db, "BEGIN IMMEDIATE"), commit(db, "COMMIT") {}

    SqliteStatement insertScan, insertConnection, addHour, addServiceTime, addCode, touchRun,
        setDropped, prune, begin, commit;
};

JournalWriter::JournalWriter(const QString& path, std::int64_t nowMs)
    : db_(path, SqliteConnection::Mode::ReadWriteCreate) {
    prepareJournal(db_);
    SqliteStatement beginRun(db_.handle(),
                             "INSERT INTO runs(started_ms, last_seen_ms) VALUES(?, ?)");
    beginRun.bind(1, nowMs).bind(2, nowMs).run();
    run_ = sqlite3_last_insert_rowid(db_.handle());
    statements_ = std::make_unique<Statements>(db_.handle());
}

JournalWriter::~JournalWriter() = default;

void JournalWriter::write(const JournalBatch& batch, std::int64_t nowMs) {
    std::map<std::pair<std::int64_t, std::int64_t>, HourTotals> hours;
    std::map<std::tuple<std::int64_t, std::int64_t, std::int64_t>, std::int64_t> serviceTimes;
    std::map<std::tuple<int, std::string, QString, std::int64_t>, CodeTotals> codes;
    Statements& s = *statements_;
    s.begin.run();
    try {
        for (const terminal::AnsweredScan& scan : batch.scans) {
            s.insertScan.bind(1, scan.utcMilliseconds)
                .bind(2, std::int64_t{scan.address})
                .bind(3, std::int64_t{scan.socket})
                .bind(4, scan.code)
                .bind(5, static_cast<std::int64_t>(scan.outcome));
            if (!scan.articleCode.isEmpty())
                s.insertScan.bind(6, scan.articleCode).bind(7, scan.priceText);
            s.insertScan.bind(8, scan.serviceMicroseconds).run();

            const std::int64_t hour = scan.utcMilliseconds / kHourMs;
            HourTotals& totals = hours[{hour, scan.address}];
            switch (scan.outcome) {
            case ScanOutcome::Found:
                ++totals.found;
                break;
            case ScanOutcome::ScaleLabel:
                ++totals.labels;
                break;
            case ScanOutcome::NotFound:
                ++totals.notFound;
                break;
            case ScanOutcome::Unavailable:
                ++totals.unavailable;
                break;
            case ScanOutcome::Retry:
                ++totals.retries;
                break;
            }
            ++serviceTimes[{hour, scan.address, serviceTimeBucket(scan.serviceMicroseconds)}];
            CodeTotals& code = codes[{static_cast<int>(scan.outcome),
                                      localDayOf(scan.utcMilliseconds), scan.code, scan.address}];
            code.first =
                code.count == 0 ? scan.utcMilliseconds : std::min(code.first, scan.utcMilliseconds);
            code.last = std::max(code.last, scan.utcMilliseconds);
            ++code.count;
        }
        for (const auto& [key, t] : hours) {
            s.addHour.bind(1, key.first).bind(2, key.second).bind(3, t.found).bind(4, t.labels);
            s.addHour.bind(5, t.notFound).bind(6, t.unavailable).bind(7, t.retries).run();
        }
        for (const auto& [key, count] : serviceTimes) {
            const auto& [hour, address, bucket] = key;
            s.addServiceTime.bind(1, hour).bind(2, address).bind(3, bucket).bind(4, count).run();
        }
        for (const auto& [key, t] : codes) {
            const auto& [outcome, day, code, address] = key;
            s.addCode.bind(1, std::int64_t{outcome}).bindText(2, day).bind(3, code);
            s.addCode.bind(4, address).bind(5, t.count).bind(6, t.first).bind(7, t.last).run();
        }
        for (const terminal::TerminalConnection& change : batch.connections) {
            s.insertConnection.bind(1, run_)
                .bind(2, change.utcMilliseconds)
                .bind(3, std::int64_t{change.address})
                .bind(4, std::int64_t{change.socket})
                .bind(5, std::int64_t{change.connected})
                .run();
        }
        s.touchRun.bind(1, nowMs).bind(2, run_).run();
        s.commit.run();
    } catch (...) {
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void JournalWriter::setDropped(std::int64_t dropped) {
    statements_->setDropped.bind(1, dropped).bind(2, run_).run();
}

bool JournalWriter::pruneStep(std::int64_t nowMs, int retentionDays) {
    const std::int64_t cutoff = nowMs - std::int64_t{retentionDays} * 24 * kHourMs;
    statements_->prune.bind(1, std::int64_t{kPruneRows}).bind(2, cutoff).run();
    return sqlite3_changes(db_.handle()) == kPruneRows;
}

} // namespace veska::journal

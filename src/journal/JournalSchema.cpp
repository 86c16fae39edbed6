#include "journal/JournalSchema.h"

#include <algorithm>

namespace veska::journal {
namespace {

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY, started_ms INTEGER NOT NULL,
    last_seen_ms INTEGER NOT NULL, dropped INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS scans(id INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL,
    address INTEGER NOT NULL, socket INTEGER NOT NULL, code TEXT NOT NULL,
    outcome INTEGER NOT NULL, article TEXT, price TEXT, service_us INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS connections(id INTEGER PRIMARY KEY, run INTEGER NOT NULL,
    time_ms INTEGER NOT NULL, address INTEGER NOT NULL, socket INTEGER NOT NULL,
    connected INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS connections_by_run ON connections(run, time_ms);
CREATE TABLE IF NOT EXISTS hourly(hour INTEGER NOT NULL, address INTEGER NOT NULL,
    found INTEGER NOT NULL DEFAULT 0, labels INTEGER NOT NULL DEFAULT 0,
    not_found INTEGER NOT NULL DEFAULT 0, unavailable INTEGER NOT NULL DEFAULT 0,
    retries INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(hour, address)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS service_times(hour INTEGER NOT NULL, address INTEGER NOT NULL,
    bucket INTEGER NOT NULL, count INTEGER NOT NULL,
    PRIMARY KEY(hour, address, bucket)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS code_daily(outcome INTEGER NOT NULL, day TEXT NOT NULL,
    code TEXT NOT NULL, address INTEGER NOT NULL, count INTEGER NOT NULL,
    first_ms INTEGER NOT NULL, last_ms INTEGER NOT NULL,
    PRIMARY KEY(outcome, code, day, address)) WITHOUT ROWID;
)sql";

constexpr const char* kExpectedTables[] = {"runs",   "scans",         "connections",
                                           "hourly", "service_times", "code_daily"};

void checkTables(SqliteConnection& db) {
    for (const char* table : kExpectedTables) {
        SqliteStatement exists(
            db.handle(), "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?");
        exists.bindText(1, table);
        if (!exists.step() || exists.integer(0) != 1)
            throw UnusableJournal(std::string("falta a tabela ") + table);
    }
}

} // namespace

void checkJournal(SqliteConnection& db) {
    // Reading the header is where a file that is not a database shows it.
    const std::int64_t id = db.integerOf("PRAGMA application_id");
    if (id != kApplicationId)
        throw UnusableJournal("não é um diário de consultas");
    checkTables(db);
}

void prepareJournal(SqliteConnection& db) {
    const std::int64_t id = db.integerOf("PRAGMA application_id");
    const std::int64_t objects = db.integerOf("SELECT count(*) FROM sqlite_schema");
    if (id != kApplicationId && (id != 0 || objects != 0))
        throw UnusableJournal("não é um diário de consultas");
    if (db.textOf("PRAGMA quick_check(1)") != QStringLiteral("ok"))
        throw UnusableJournal("arquivo danificado");
    if (db.textOf("PRAGMA journal_mode = WAL") != QStringLiteral("wal"))
        throw UnusableJournal("o modo WAL não pôde ser ligado");
    db.execute("PRAGMA synchronous = NORMAL");
    // Appends and a few upserts a second need little cache; the program's memory stays flat.
    db.execute("PRAGMA cache_size = -256");
    db.execute("BEGIN IMMEDIATE");
    try {
        db.execute(kSchema);
        db.execute("PRAGMA application_id = 1448299338"); // kApplicationId
        db.execute("PRAGMA user_version = 1");
        db.execute("COMMIT");
    } catch (...) {
        sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    checkTables(db);
}

std::int64_t serviceTimeBucket(std::int64_t microseconds) {
    const std::int64_t us = std::max<std::int64_t>(microseconds, 0);
    if (us < 10'000)
        return us / 100; // 0..99
    if (us < 1'000'000)
        return 100 + (us - 10'000) / 1000; // 100..1089
    return 1090 + std::min<std::int64_t>((us - 1'000'000) / 100'000, 1'000'000);
}

std::int64_t bucketMicroseconds(std::int64_t bucket) {
    if (bucket < 100)
        return bucket * 100;
    if (bucket < 1090)
        return 10'000 + (bucket - 100) * 1000;
    return 1'000'000 + (bucket - 1090) * 100'000;
}

} // namespace veska::journal

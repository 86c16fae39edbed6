#pragma once
// What the journal tests share: scans to record, the notices a journal gives, and counts
// read back from the file.

#include "journal/Sqlite.h"
#include "terminal/ScanJournal.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace veska::journal::test {

inline terminal::AnsweredScan scanAt(std::int64_t ms, std::uint32_t address, const QString& code,
                                     terminal::ScanOutcome outcome, std::int64_t serviceUs = 400) {
    terminal::AnsweredScan scan;
    scan.utcMilliseconds = ms;
    scan.address = address;
    scan.socket = 7;
    scan.code = code;
    scan.outcome = outcome;
    if (outcome == terminal::ScanOutcome::Found) {
        scan.articleCode = QStringLiteral("1");
        scan.priceText = QStringLiteral("R$ 1,00");
    }
    scan.serviceMicroseconds = serviceUs;
    return scan;
}

inline bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The lines a journal says, from its thread.
class Notices {
public:
    void add(const QString& line) {
        std::lock_guard lock(mutex_);
        lines_.append(line);
    }
    QStringList lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // Waits (up to 30 s) for a line that contains the text.
    bool waitFor(const QString& text) const {
        return eventually([&] { return has(text); });
    }
    bool has(const QString& text) const {
        std::lock_guard lock(mutex_);
        return std::any_of(lines_.begin(), lines_.end(),
                           [&](const QString& line) { return line.contains(text); });
    }

private:
    mutable std::mutex mutex_;
    QStringList lines_;
};

inline std::int64_t countOf(const QString& path, const char* sql) {
    SqliteConnection db(path, SqliteConnection::Mode::ReadOnly);
    return db.integerOf(sql);
}

} // namespace veska::journal::test

// The reports on a large journal: makes a journal of SCANS scans (10 million by default)
// over 120 days of 20 terminals, the way the program writes it (batches through the
// journal's writer), then times each report over the whole journal, five runs each, and
// prints the medians and the file's size per million scans.
//
//   veska-journal-reports-bench [FOLDER] [SCANS]

#include "journal/JournalPlace.h"
#include "journal/JournalWriter.h"
#include "journal/LocalDay.h"
#include "journal/reports/Reports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

using namespace veska;
using terminal::ScanOutcome;

namespace {

constexpr int kDays = 120;
constexpr int kTerminals = 20;
constexpr std::int64_t kMinuteMs = 60'000;

void makeJournal(const QString& path, std::int64_t scans) {
    std::mt19937_64 random(7);
    std::lognormal_distribution<double> serviceUs(6.2, 0.5); // about 0.5 ms
    std::uniform_int_distribution<int> found(0, 299'999), missing(0, 19'999), kind(0, 99);
    const std::string firstDay =
        journal::localDayOf(terminal::utcMillisecondsNow() - std::int64_t{kDays + 1} * 86'400'000);
    const std::int64_t perDay = scans / kDays;
    std::string day = firstDay;
    journal::JournalWriter writer(path, journal::localTimeOn(day, 7 * 60));
    std::int64_t written = 0;
    for (int d = 0; d < kDays; ++d, day = journal::nextDay(day)) {
        const std::int64_t opens = journal::localTimeOn(day, 8 * 60);
        const std::int64_t dayMs = 14 * 60 * kMinuteMs;
        journal::JournalBatch batch;
        for (int t = 0; t < kTerminals; ++t) {
            const std::uint32_t address = 0x0A000001 + static_cast<std::uint32_t>(t);
            batch.connections.push_back({opens - 10 * kMinuteMs, address, 1, true});
            batch.connections.push_back({opens + (2 + t) * 20 * kMinuteMs, address, 1, false});
            batch.connections.push_back({opens + (3 + t) * 20 * kMinuteMs, address, 2, true});
            batch.connections.push_back({opens + dayMs + 10 * kMinuteMs, address, 2, false});
        }
        const std::int64_t today = std::min(perDay, scans - written);
        for (std::int64_t i = 0; i < today; ++i) {
            terminal::AnsweredScan scan;
            scan.utcMilliseconds = opens + dayMs * i / today;
            scan.address = 0x0A000001 + static_cast<std::uint32_t>(i % kTerminals);
            scan.socket = 2;
            const int k = kind(random);
            if (k < 8) {
                scan.outcome = ScanOutcome::NotFound;
                scan.code = QStringLiteral("789%1").arg(missing(random), 10, 10, QLatin1Char('0'));
            } else if (k < 10) {
                scan.outcome = ScanOutcome::Unavailable;
                scan.code = QStringLiteral("1%1").arg(found(random), 9, 10, QLatin1Char('0'));
            } else {
                scan.outcome = ScanOutcome::Found;
                const int article = found(random);
                scan.code = QStringLiteral("1%1").arg(article, 9, 10, QLatin1Char('0'));
                scan.articleCode = QString::number(article);
                scan.priceText = QStringLiteral("R$ %1,99").arg(article % 500);
            }
            scan.serviceMicroseconds = static_cast<std::int64_t>(serviceUs(random));
            batch.scans.push_back(std::move(scan));
            if (batch.scans.size() == 20'000) {
                writer.write(batch, batch.scans.back().utcMilliseconds);
                batch = {};
            }
        }
        writer.write(batch, opens + dayMs + 10 * kMinuteMs);
        written += today;
    }
}

template <typename Report> double medianSeconds(Report report) {
    std::vector<double> seconds;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        report();
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString folder =
        arguments.size() > 1 ? arguments[1] : QStringLiteral("/tmp/veska-journal");
    const std::int64_t scans = arguments.size() > 2 ? arguments[2].toLongLong() : 10'000'000;
    QDir().mkpath(folder);
    const QString path = journal::journalPathIn(folder);
    if (!QFileInfo::exists(path)) {
        const auto start = std::chrono::steady_clock::now();
        makeJournal(path, scans);
        std::printf(
            "made %lld scans in %.0f s\n", static_cast<long long>(scans),
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    journal::SqliteConnection db(path, journal::SqliteConnection::Mode::ReadOnly);
    const std::int64_t rows = db.integerOf("SELECT count(*) FROM scans");
    const double bytes = static_cast<double>(QFileInfo(path).size() +
                                             QFileInfo(path + QStringLiteral("-wal")).size());
    std::printf("journal: %lld scans, %.0f MB, %.1f MB per million scans\n",
                static_cast<long long>(rows), bytes / 1e6,
                bytes / 1e6 / (static_cast<double>(rows) / 1e6));
    std::size_t size = 0;
    double seconds = medianSeconds([&] { size = journal::notFoundReport(db, {}).size(); });
    std::printf("not-found, all days: %.3f s (%zu codes)\n", seconds, size);
    for (const auto& [name, grouping] : {std::pair{"hour", journal::UsageGrouping::Hour},
                                         std::pair{"day", journal::UsageGrouping::Day},
                                         std::pair{"terminal", journal::UsageGrouping::Terminal}}) {
        seconds = medianSeconds([&] { size = journal::usageReport(db, {}, grouping).size(); });
        std::printf("usage --by %s, all days: %.3f s (%zu rows)\n", name, seconds, size);
    }
    const std::string lastDay = journal::localDayOf(db.integerOf("SELECT max(time_ms) FROM scans"));
    std::printf("availability of %s: %.3f s (%zu terminals)\n", lastDay.c_str(), medianSeconds([&] {
                    size = journal::availabilityReport(db, lastDay, {8 * 60, 22 * 60},
                                                       terminal::utcMillisecondsNow())
                               .terminals.size();
                }),
                size);
    return 0;
}

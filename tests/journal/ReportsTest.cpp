// The reports on a journal of known contents: one day of two terminals in São Paulo, with
// gaps, a program that was killed before closing time, and the command line around them.

#include "JournalSupport.h"
#include "ReportCommand.h"
#include "WorkingFolder.h"
#include "journal/JournalPlace.h"
#include "journal/JournalWriter.h"
#include "journal/LocalDay.h"
#include "journal/reports/ReportTable.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace veska::journal::test {
namespace {

using terminal::ScanOutcome;

constexpr std::uint32_t kFive = 0x0A000005; // 10.0.0.5
constexpr std::uint32_t kSix = 0x0A000006;  // 10.0.0.6
const std::string kDay = "2026-03-10";

std::int64_t at(int hours, int minutes) {
    return localTimeOn(kDay, hours * 60 + minutes);
}

class Reports : public ::testing::Test {
protected:
    void SetUp() override {
        JournalBatch batch;
        batch.connections = {{at(7, 30), kFive, 7, true},  {at(8, 30), kSix, 9, true},
                             {at(12, 0), kFive, 7, false}, {at(12, 45), kFive, 11, true},
                             {at(13, 0), kSix, 12, true},  {at(13, 5), kSix, 12, false}};
        batch.scans = {
            scanAt(at(9, 10), kFive, QStringLiteral("789"), ScanOutcome::NotFound, 300),
            scanAt(at(9, 20), kSix, QStringLiteral("789"), ScanOutcome::NotFound, 500),
            scanAt(at(10, 0), kFive, QStringLiteral("456"), ScanOutcome::NotFound, 700),
            scanAt(at(10, 30), kFive, QStringLiteral("123"), ScanOutcome::Found, 400),
            scanAt(at(15, 0), kSix, QStringLiteral("789"), ScanOutcome::NotFound, 900),
            scanAt(at(15, 30), kSix, QStringLiteral("123"), ScanOutcome::Unavailable, 2500)};
        // The program was killed at 21:00: it was last seen alive then.
        JournalWriter(path(), at(7, 0)).write(batch, at(21, 0));
    }
    QString path() const { return journalPathIn(folder_.path()); }
    SqliteConnection db() const { return {path(), SqliteConnection::Mode::ReadOnly}; }

    catalogue::test::WorkingFolder folder_;
};

TEST_F(Reports, NotFoundListsEachCodeMostScannedFirstWithItsTerminals) {
    auto journal = db();
    const auto codes = notFoundReport(journal, {kDay, kDay});
    ASSERT_EQ(codes.size(), 2U);
    EXPECT_EQ(codes[0].code, QStringLiteral("789"));
    EXPECT_EQ(codes[0].count, 3);
    EXPECT_EQ(codes[0].firstMs, at(9, 10));
    EXPECT_EQ(codes[0].lastMs, at(15, 0));
    EXPECT_EQ(codes[0].terminals, (std::vector<std::uint32_t>{kFive, kSix}));
    EXPECT_EQ(codes[1].code, QStringLiteral("456"));
    EXPECT_TRUE(notFoundReport(journal, {"2026-03-11", ""}).empty());

    const QByteArray csv = renderCsv(notFoundTable(codes));
    EXPECT_EQ(csv,
              QByteArray("\xEF\xBB\xBF") +
                  QStringLiteral("Código;Vezes;Primeira vez;Última vez;Terminais\r\n"
                                 "789;3;10/03/2026 09:10;10/03/2026 15:00;10.0.0.5, 10.0.0.6\r\n"
                                 "456;1;10/03/2026 10:00;10/03/2026 10:00;10.0.0.5\r\n")
                      .toUtf8());
}

TEST_F(Reports, UsageCountsEachOutcomeAndTheMedianServiceTimeByHourDayAndTerminal) {
    auto journal = db();
    const auto byDay = usageReport(journal, {}, UsageGrouping::Day);
    ASSERT_EQ(byDay.size(), 1U);
    EXPECT_EQ(byDay[0].group, QStringLiteral("2026-03-10"));
    EXPECT_EQ(byDay[0].scans, 6);
    EXPECT_EQ(byDay[0].found, 1);
    EXPECT_EQ(byDay[0].notFound, 4);
    EXPECT_EQ(byDay[0].unavailable, 1);
    EXPECT_EQ(byDay[0].medianMicroseconds, 500); // of 300 400 500 700 900 2500

    const auto byHour = usageReport(journal, {kDay, kDay}, UsageGrouping::Hour);
    ASSERT_EQ(byHour.size(), 3U);
    EXPECT_EQ(byHour[0].group, QStringLiteral("2026-03-10 09"));
    EXPECT_EQ(byHour[2].group, QStringLiteral("2026-03-10 15"));
    EXPECT_EQ(byHour[2].unavailable, 1);
    EXPECT_EQ(
        usageTable(byHour, UsageGrouping::Hour).rows[0],
        (QStringList{QStringLiteral("10/03/2026 09:00"), QStringLiteral("2"), QStringLiteral("0"),
                     QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("0,3")}));

    const auto byTerminal = usageReport(journal, {}, UsageGrouping::Terminal);
    ASSERT_EQ(byTerminal.size(), 2U);
    EXPECT_EQ(byTerminal[0].group, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(byTerminal[0].found, 1);
    EXPECT_EQ(byTerminal[1].medianMicroseconds, 900); // of 500 900 2500
}

TEST_F(Reports, AvailabilityCountsTheConnectedMinutesWithinTheOpeningHoursAndTheGaps) {
    auto journal = db();
    const auto report = availabilityReport(journal, kDay, {8 * 60, 22 * 60}, at(23, 59));
    ASSERT_EQ(report.terminals.size(), 2U);
    const TerminalAvailability& five = report.terminals[0];
    EXPECT_EQ(five.connectedMs, (240 + 495) * 60'000); // 08:00-12:00, 12:45-21:00
    EXPECT_NEAR(five.share, 735.0 / 840.0, 1e-9);
    // Another socket of the same terminal joining and leaving changes nothing.
    const TerminalAvailability& six = report.terminals[1];
    EXPECT_EQ(six.connectedMs, 750 * 60'000);
    const ReportTable table = availabilityTable(report);
    EXPECT_EQ(table.rows[0],
              (QStringList{QStringLiteral("10.0.0.5"), QStringLiteral("735"),
                           QStringLiteral("87,5"), QStringLiteral("12:00–12:45, 21:00–22:00")}));
    EXPECT_EQ(table.rows[1][3], QStringLiteral("08:00–08:30, 21:00–22:00"));
    // Asked while the program runs (seen alive a second ago), a terminal still connected has
    // no gap at the end.
    EXPECT_EQ(
        availabilityTable(availabilityReport(journal, kDay, {8 * 60, 22 * 60}, at(21, 0) + 1000))
            .rows[0][3],
        QStringLiteral("12:00–12:45"));
    EXPECT_TRUE(
        availabilityReport(journal, "2026-03-11", {}, at(23, 0) + 86'400'000).terminals.empty());
    // Open the whole day: the day ends at 24:00.
    const ReportTable wholeDay =
        availabilityTable(availabilityReport(journal, kDay, {}, at(23, 0) + 86'400'000));
    EXPECT_TRUE(wholeDay.title.contains(QStringLiteral("das 00:00 às 24:00")))
        << wholeDay.title.toStdString();
    EXPECT_EQ(wholeDay.rows[0][3], QStringLiteral("00:00–07:30, 12:00–12:45, 21:00–24:00"));
}

TEST_F(Reports, TheCommandAnswersWithItsExitCodes) {
    const auto run = [&](const QStringList& arguments, const QString& folder) {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), folder + QStringLiteral("/none"));
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(VESKA_REPORT_PROGRAM),
                   arguments + QStringList{QStringLiteral("--folder"), folder});
        tool.waitForFinished(30'000);
        return std::pair{tool.exitCode(),
                         tool.readAllStandardOutput() + tool.readAllStandardError()};
    };
    const auto [done, csv] = run({QStringLiteral("usage"), QStringLiteral("--by"),
                                  QStringLiteral("terminal"), QStringLiteral("--csv")},
                                 folder_.path());
    EXPECT_EQ(done, 0);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBFTerminal;Consultas;")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("10.0.0.6;3;0;2;1;0,9\r\n")) << csv.toStdString();

    const auto [bad, usage] = run(
        {QStringLiteral("usage"), QStringLiteral("--by"), QStringLiteral("week")}, folder_.path());
    EXPECT_EQ(bad, 1);
    EXPECT_TRUE(usage.contains("--by deve ser hour, day ou terminal")) << usage.toStdString();

    catalogue::test::WorkingFolder empty;
    const auto [none, where] = run({QStringLiteral("not-found")}, empty.path());
    EXPECT_EQ(none, 2);
    EXPECT_TRUE(where.contains(journalPathIn(empty.path()).toUtf8())) << where.toStdString();
}

} // namespace
} // namespace veska::journal::test

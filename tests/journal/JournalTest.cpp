// The scan journal on real SQLite files: what it writes, and how it keeps going when the
// file or the disk fails it.

#include "journal/Journal.h"

#include "JournalSupport.h"
#include "WorkingFolder.h"
#include "journal/JournalPlace.h"
#include "journal/JournalWriter.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace veska::journal::test {
namespace {

using catalogue::test::SmallDisk;
using catalogue::test::WorkingFolder;
using terminal::ScanOutcome;

constexpr std::uint32_t kTerminal = 0x0A000005; // 10.0.0.5

std::unique_ptr<Journal> journalIn(const QString& folder, Notices& notices,
                                   std::size_t queueLimit = 65536, int retentionDays = 90) {
    return std::make_unique<Journal>(JournalOptions{folder, retentionDays, queueLimit},
                                     [&notices](const QString& line) { notices.add(line); });
}

TEST(Journal, EveryAnswerAndConnectionIsARowAndTheTotalsAgreeRunAfterRun) {
    WorkingFolder folder;
    Notices notices;
    const std::int64_t now = terminal::utcMillisecondsNow();
    for (int run = 1; run <= 2; ++run) {
        auto journal = journalIn(folder.path(), notices);
        journal->terminalConnection({now, kTerminal, 7, true});
        journal->scanAnswered(scanAt(now, kTerminal, QStringLiteral("789"), ScanOutcome::NotFound));
        journal->scanAnswered(scanAt(now, kTerminal, QStringLiteral("789"), ScanOutcome::NotFound));
        journal->scanAnswered(scanAt(now, kTerminal, QStringLiteral("123"), ScanOutcome::Found));
        journal->terminalConnection({now + 1, kTerminal, 7, false});
    }
    const QString path = journalPathIn(folder.path());
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM scans"), 6);
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM scans WHERE outcome = 1 AND article = '1' "
                            "AND price = 'R$ 1,00'"),
              2);
    EXPECT_EQ(countOf(path, "SELECT sum(found) * 100 + sum(not_found) FROM hourly"), 204);
    EXPECT_EQ(countOf(path, "SELECT count FROM code_daily WHERE code = '789' AND outcome = 3"), 4);
    EXPECT_EQ(countOf(path, "SELECT sum(count) FROM service_times"), 6);
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM connections"), 4);
    EXPECT_EQ(countOf(path, "SELECT count(DISTINCT run) FROM connections"), 2);
    SqliteConnection db(path, SqliteConnection::Mode::ReadOnly);
    EXPECT_EQ(db.textOf("PRAGMA journal_mode"), QStringLiteral("wal"));
    EXPECT_TRUE(notices.lines().isEmpty()) << notices.lines().join(u'\n').toStdString();
}

struct UnusableFile {
    const char* name;
    std::function<void(const QString&)> make;
};

class UnusableJournalFile : public ::testing::TestWithParam<UnusableFile> {};

TEST_P(UnusableJournalFile, IsSetAsideWithItsContentsAndANewJournalIsBegun) {
    WorkingFolder folder;
    const QString path = journalPathIn(folder.path());
    GetParam().make(path);
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    Notices notices;
    journalIn(folder.path(), notices)
        ->scanAnswered(scanAt(terminal::utcMillisecondsNow(), kTerminal, QStringLiteral("1"),
                              ScanOutcome::NotFound));

    const QStringList aside =
        QDir(folder.path()).entryList({QStringLiteral("consultas.sqlite.damaged-*")});
    ASSERT_EQ(aside.size(), 1) << QDir(folder.path()).entryList().join(u' ').toStdString()
                               << notices.lines().join(u'\n').toStdString();
    QFile kept(folder.filePath(aside.front()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM scans"), 1)
        << notices.lines().join(u'\n').toStdString();
    EXPECT_TRUE(notices.has(aside.front())) << notices.lines().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableJournalFile,
    ::testing::Values(UnusableFile{"NotADatabase",
                                   [](const QString& path) {
                                       QFile file(path);
                                       if (file.open(QIODevice::WriteOnly))
                                           file.write(QByteArray(8192, 'x'));
                                   }},
                      UnusableFile{"AnotherProgramsDatabase",
                                   [](const QString& path) {
                                       SqliteConnection db(path,
                                                           SqliteConnection::Mode::ReadWriteCreate);
                                       db.execute("CREATE TABLE vendas(id INTEGER PRIMARY KEY)");
                                   }},
                      UnusableFile{"DamagedJournal",
                                   [](const QString& path) {
                                       { JournalWriter(path, 1).write({}, 1); }
                                       QFile file(path);
                                       if (file.open(QIODevice::ReadWrite)) {
                                           file.seek(
                                               100); // the table of tables, after the file header
                                           file.write(QByteArray(3000, '\xff'));
                                       }
                                   }}),
    [](const auto& file) { return std::string(file.param.name); });

TEST(Journal, AShopFolderItMayNotWriteSendsItToTheStateFolderAndSaysWhere) {
    WorkingFolder folder;
    SmallDisk shop(folder.filePath(QStringLiteral("loja")), "1m", MS_RDONLY);
    if (!shop.mounted())
        GTEST_SKIP() << shop.whyNot();
    const QString state = folder.filePath(QStringLiteral("estado"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(state));
    Notices notices;
    journalIn(folder.filePath(QStringLiteral("loja")), notices)
        ->scanAnswered(scanAt(terminal::utcMillisecondsNow(), kTerminal, QStringLiteral("1"),
                              ScanOutcome::NotFound));
    qunsetenv("XDG_STATE_HOME");

    const QString fallback = state + QStringLiteral("/consulta-veska/consultas.sqlite");
    EXPECT_EQ(countOf(fallback, "SELECT count(*) FROM scans"), 1);
    EXPECT_TRUE(notices.has(fallback)) << notices.lines().join(u'\n').toStdString();
}

TEST(Journal, AFullDiskHoldsTheRowsUntilThereIsRoomAndDropsWhatTheQueueCannotHold) {
    WorkingFolder folder;
    const QString shopFolder = folder.filePath(QStringLiteral("loja"));
    SmallDisk disk(shopFolder, "256k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot();
    Notices notices;
    constexpr std::size_t kQueueLimit = 50;
    auto journal = journalIn(shopFolder, notices, kQueueLimit);
    const QString big(4000, u'7'); // a batch of 40 such codes does not fit in 256 kB
    for (int scan = 0; scan < 40; ++scan)
        journal->scanAnswered(scanAt(terminal::utcMillisecondsNow(), kTerminal,
                                     big + QString::number(scan), ScanOutcome::NotFound));
    ASSERT_TRUE(notices.waitFor(QStringLiteral("disco cheio")))
        << notices.lines().join(u'\n').toStdString();
    for (int scan = 0; scan < 80; ++scan)
        journal->scanAnswered(scanAt(terminal::utcMillisecondsNow(), kTerminal,
                                     QString::number(scan), ScanOutcome::NotFound));
    EXPECT_EQ(journal->dropped(), 30);

    ASSERT_TRUE(disk.resize("16m"));
    ASSERT_TRUE(notices.waitFor(QStringLiteral("há espaço em disco de novo")))
        << notices.lines().join(u'\n').toStdString();
    journal.reset();
    const QString path = journalPathIn(shopFolder);
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM scans"), 40 + 50);
    EXPECT_EQ(countOf(path, "SELECT dropped FROM runs"), 30);
    EXPECT_TRUE(notices.has(QStringLiteral("30 registros foram descartados")))
        << notices.lines().join(u'\n').toStdString();
}

TEST(Journal, RawRowsPastTheRetentionGoAndTheTotalsStay) {
    WorkingFolder folder;
    const QString path = journalPathIn(folder.path());
    const std::int64_t now = terminal::utcMillisecondsNow();
    const std::int64_t day = 24LL * 3600 * 1000;
    {
        JournalWriter writer(path, now);
        JournalBatch batch;
        for (int scan = 0; scan < 4500; ++scan) // more than one pruning step
            batch.scans.push_back(
                scanAt(now - 100 * day, kTerminal, QStringLiteral("1"), ScanOutcome::NotFound));
        batch.scans.push_back(
            scanAt(now - 89 * day, kTerminal, QStringLiteral("2"), ScanOutcome::NotFound));
        writer.write(batch, now);
    }
    Notices notices;
    auto journal = journalIn(folder.path(), notices, 65536, 90);
    EXPECT_TRUE(eventually([&] { return countOf(path, "SELECT count(*) FROM scans") == 1; }));
    journal.reset();
    EXPECT_EQ(countOf(path, "SELECT code FROM scans"), 2);
    EXPECT_EQ(countOf(path, "SELECT sum(not_found) FROM hourly"), 4501);
}

} // namespace
} // namespace veska::journal::test

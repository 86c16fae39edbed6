// The scan journal of the real program: killed outright under load, it leaves a sound file
// that the report reads.

#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

using namespace std::chrono_literals;

namespace {

// A count read with the sqlite3 shell, as a manager's script would; -1 when unreadable.
long long sqliteValue(const QString& file, const QString& sql, const QString& dir) {
    const auto result =
        e2e::runTool(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), file, sql}, dir, 30s);
    bool ok = false;
    const long long value = result.out.trimmed().toLongLong(&ok);
    return result.exitCode == 0 && ok ? value : -1;
}

TEST(JournalRun, AProgramKilledUnderLoadLeavesASoundJournalThatTheReportReads) {
    QTemporaryDir dir;
    const auto made = e2e::runTool(e2e::demoCataloguePath(), {QStringLiteral("--dir"), dir.path()},
                                   dir.path(), 60s);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    QFile codes(dir.filePath(QStringLiteral("codigos.txt")));
    ASSERT_TRUE(codes.open(QIODevice::WriteOnly));
    codes.write("000999\n000998\n");
    codes.close();

    e2e::ProgramRun run(dir.path());
    run.start({QStringLiteral("0")});
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 30s))
        << run.standardError().toStdString();
    QProcess load;
    load.start(e2e::terminalSimPath(),
               {QStringLiteral("--server"), run.environment(QStringLiteral("TERMSERVER_LISTEN")),
                QStringLiteral("load"), QStringLiteral("--terminals"), QStringLiteral("10"),
                QStringLiteral("--scans"), QStringLiteral("20000"), QStringLiteral("--rate"),
                QStringLiteral("500"), QStringLiteral("--duration"), QStringLiteral("60"),
                codes.fileName()});
    ASSERT_TRUE(load.waitForStarted(10'000));

    // Killed while the journal is being written.
    const QString journal = dir.filePath(QStringLiteral("consultas.sqlite"));
    QDeadlineTimer deadline(60s);
    while (sqliteValue(journal, QStringLiteral("SELECT count(*) FROM scans"), dir.path()) < 2000) {
        ASSERT_FALSE(deadline.hasExpired()) << run.standardOutput().right(2000).toStdString();
        // Reading what the program logs keeps it from blocking on a full pipe.
        run.waitForOutput(QStringLiteral("LOG\tnothing"), 100ms);
    }
    ASSERT_EQ(::kill(static_cast<pid_t>(run.pid()), SIGKILL), 0);
    ASSERT_TRUE(run.waitForFinished(10s));
    load.kill();
    load.waitForFinished(10'000);

    const auto check =
        e2e::runTool(QStringLiteral("sqlite3"), {journal, QStringLiteral("PRAGMA integrity_check")},
                     dir.path(), 60s);
    EXPECT_EQ(check.out.trimmed(), QStringLiteral("ok")) << check.err.toStdString();
    // The totals were written with their rows, in the same transactions.
    const long long rows =
        sqliteValue(journal, QStringLiteral("SELECT count(*) FROM scans"), dir.path());
    EXPECT_EQ(sqliteValue(journal, QStringLiteral("SELECT sum(not_found) FROM hourly"), dir.path()),
              rows);
    const auto report = e2e::runTool(
        e2e::reportPath(), {QStringLiteral("not-found"), QStringLiteral("--folder"), dir.path()},
        dir.path(), 60s);
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_TRUE(report.out.contains(QStringLiteral("000999"))) << report.out.toStdString();
    EXPECT_TRUE(report.out.contains(QStringLiteral("000998"))) << report.out.toStdString();
}

} // namespace

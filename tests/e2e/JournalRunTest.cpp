// The scan journal of the real program: killed outright under load, it leaves a sound file
// that the report reads.

#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

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
    const auto made = e2e::makeDemoShop(dir.path());
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

TEST(JournalRun, AShopFolderTheProgramMayNotWriteKeepsItsJournalInTheStateFolder) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "running the program as another user needs root";
    QTemporaryDir dir;
    const QString shop = dir.filePath(QStringLiteral("loja"));
    const QString state = dir.filePath(QStringLiteral("estado"));
    const auto made = e2e::makeDemoShop(shop);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    // The folder and its settings may be read, not written; the database file is the shop's
    // to write (it may live elsewhere), and the lock folder is the engine's.
    const QString lock = dir.filePath(QStringLiteral("trava"));
    QDir().mkpath(state);
    QDir().mkpath(lock);
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const auto readOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    for (const QString& folder : {dir.path(), shop})
        QFile::setPermissions(folder, readOnly);
    for (const QString& folder : {state, lock})
        QFile::setPermissions(folder, everyone);
    QFile::setPermissions(shop + QStringLiteral("/demo.fdb"),
                          everyone & ~QFile::ExeOwner & ~QFile::ExeGroup & ~QFile::ExeOther);

    // The build tree may be out of the other user's reach: the program and the library are
    // run from copies.
    const QString program = dir.filePath(QStringLiteral("consulta_veska"));
    const QString library = dir.filePath(QStringLiteral("libtermserver.so.1"));
    ASSERT_TRUE(QFile::copy(e2e::programPath(), program));
    ASSERT_TRUE(QFile::copy(e2e::termserverLibraryPath(), library));
    QFile::setPermissions(program, readOnly);

    e2e::ProgramRun run(shop);
    run.setProgram(program);
    run.setEnvironment(QStringLiteral("VESKA_TERMSERVER_LIBRARY"), library);
    run.setEnvironment(QStringLiteral("XDG_STATE_HOME"), state);
    run.setEnvironment(QStringLiteral("HOME"), state);
    run.setEnvironment(QStringLiteral("FIREBIRD_LOCK"), lock);
    run.start({QStringLiteral("0")},
              {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
               QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")});
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 30s))
        << run.standardError().toStdString();
    const auto scanned = e2e::scanAt(run, {QStringLiteral("000999")}, dir.path(), 30s);
    EXPECT_EQ(scanned.out.trimmed(), QStringLiteral("000999\tPRODUTO NAO\tENCONTRADO"));
    const QString journal = state + QStringLiteral("/consulta-veska/consultas.sqlite");
    EXPECT_TRUE(run.waitForOutput(QStringLiteral("o diário fica em ") + journal, 30s))
        << run.standardOutput().toStdString();
    QDeadlineTimer deadline(30s);
    while (sqliteValue(journal, QStringLiteral("SELECT count(*) FROM scans WHERE outcome = 3"),
                       dir.path()) != 1) {
        ASSERT_FALSE(deadline.hasExpired()) << run.standardOutput().toStdString();
        run.waitForOutput(QStringLiteral("LOG\tnothing"), 100ms);
    }
    EXPECT_FALSE(QFile::exists(shop + QStringLiteral("/consultas.sqlite")));
}

} // namespace

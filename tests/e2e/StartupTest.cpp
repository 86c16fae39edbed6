// The real program started as the operator starts it: the start-up argument, the exit
// codes, the first log line, a missing terminal-server library.

#include "ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using e2e::ProgramRun;

namespace {

class Startup : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

} // namespace

TEST_F(Startup, AFirstArgumentThatIsNoIntegerEndsWithExitCodeOneAndNamesTheArgument) {
    for (const QString& bad :
         {QStringLiteral("abc"), QStringLiteral("5abc"), QStringLiteral(" 7 ")}) {
        ProgramRun run(dir.path());
        run.start({bad});
        ASSERT_TRUE(run.waitForFinished(10s)) << bad.toStdString();
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.exitCode(), 1) << bad.toStdString();
        EXPECT_TRUE(run.standardError().contains(
            QStringLiteral("Exception EConvertError in module consulta_veska at ")));
        EXPECT_TRUE(run.standardError().contains(
            QStringLiteral("\n'%1' is not a valid integer value.\n").arg(bad)))
            << run.standardError().toStdString();
        EXPECT_TRUE(run.logLines().isEmpty()) << "no window may exist";
    }
}

TEST_F(Startup, OnlyTheFirstOfTwoArgumentsIsRead) {
    ProgramRun run(dir.path());
    run.start({QStringLiteral("0"), QStringLiteral("x")});
    EXPECT_TRUE(run.waitForOutput(QStringLiteral("LOG\t"), 15s))
        << run.standardError().toStdString();
    EXPECT_TRUE(run.isRunning());
}

TEST_F(Startup, AMissingTerminalServerLibraryIsAClearMessageAndANonZeroExit) {
    ProgramRun run(dir.path());
    run.setEnvironment(QStringLiteral("VESKA_TERMSERVER_LIBRARY"),
                       dir.filePath(QStringLiteral("no-such-library.so")));
    run.start({});
    ASSERT_TRUE(run.waitForFinished(10s));
    EXPECT_NE(run.exitCode(), 0);
    EXPECT_TRUE(run.standardError().contains(QStringLiteral("no-such-library.so")))
        << run.standardError().toStdString();
}

TEST_F(Startup, TheEndOfTheSessionEndsTheProgramAtOnceWithoutSaving) {
    // A demo shop, so that the database engine is running when the signal comes.
    const auto made = e2e::runTool(e2e::demoCataloguePath(), {QStringLiteral("--dir"), dir.path()},
                                   dir.path(), 60s);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    QFile cfg(dir.filePath(QStringLiteral("consulta_veska.cfg")));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write("2 \r\n");
    cfg.close();
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        ProgramRun run(dir.path());
        run.start({QStringLiteral("0")});
        ASSERT_TRUE(run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 15s))
            << run.standardError().toStdString();
        ::kill(static_cast<pid_t>(run.pid()), signal);
        ASSERT_TRUE(run.waitForFinished(5s)) << "signal " << signal;
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.exitCode(), 0);
        ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
        EXPECT_EQ(cfg.readAll(), QByteArray("2 \r\n")) << "the price mode is not saved";
        cfg.close();
    }
}

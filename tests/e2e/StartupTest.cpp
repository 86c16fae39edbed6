// The real program started as the operator starts it: the start-up argument, the exit
// codes, the first log line, a missing terminal-server library.

#include "ProgramRun.h"

#include <QDir>
#include <QTemporaryDir>
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
    for (const QString& bad : {QStringLiteral("abc"), QStringLiteral("5abc"), QStringLiteral(" 7 ")}) {
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
    EXPECT_TRUE(run.waitForOutput(QStringLiteral("LOG\t"), 15s)) << run.standardError().toStdString();
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

// The real program started as the operator starts it: the start-up argument, the exit
// codes, the first log line, a missing terminal-server library.

#include "DesktopSession.h"
#include "PrivateDisplay.h"
#include "ProgramRun.h"
#include "ShopDatabase.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using e2e::ProgramRun;

namespace {

class Startup : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

// Whether the process blocks SIGTERM already (then a signal can no longer kill it outright).
bool blocksSigterm(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigBlk:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (SIGTERM - 1))) != 0;
    }
    return false;
}

// The end of the session while the start-up still runs: a delay, or a box of the creation
// or of the first showing on a real display. The program ends at once, without saving the
// price mode and without starting anything.
class StartupSessionEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const auto made = e2e::makeDemoShop(dir.path());
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    }

    // Sends SIGTERM and checks that the program ended at once and started nothing.
    void endSessionAndCheck(e2e::ProgramRun& run) {
        ASSERT_EQ(::kill(static_cast<pid_t>(run.pid()), SIGTERM), 0);
        // Without the fix the program goes on: to the end of a 20 s delay, or forever
        // behind the box.
        ASSERT_TRUE(run.waitForFinished(10s)) << "the program did not end";
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.exitCode(), 0);
        EXPECT_FALSE(run.standardOutput().contains(QStringLiteral("Servidor inicializado")));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("consulta_veska.cfg"))));
    }

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
    const auto made = e2e::makeDemoShop(dir.path());
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

TEST_F(StartupSessionEnd, DuringTheStartUpDelayNothingStartsAndNothingIsLogged) {
    e2e::ProgramRun run(dir.path());
    run.start({QStringLiteral("20")});
    QDeadlineTimer deadline(10s);
    while (!blocksSigterm(run.pid()) && !deadline.hasExpired())
        QThread::msleep(5);
    ASSERT_TRUE(blocksSigterm(run.pid()));
    endSessionAndCheck(run);
    EXPECT_TRUE(run.logLines().isEmpty()) << run.standardOutput().toStdString();
}

TEST_F(StartupSessionEnd, WhileACreationErrorBoxIsOpen) {
    e2e::PrivateDisplay display;
    if (display.name().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    QFile::remove(dir.filePath(QStringLiteral("SYS_INFO.INI"))); // the settings step fails
    e2e::ProgramRun run(dir.path());
    run.setEnvironment(QStringLiteral("DISPLAY"), display.name());
    run.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.start({QStringLiteral("0")});
    const e2e::DesktopSession desktop(display.name());
    ASSERT_FALSE(desktop.waitForWindow(QStringLiteral("Veska - Programa"), 20s).isEmpty())
        << run.standardError().toStdString();
    endSessionAndCheck(run);
}

TEST_F(StartupSessionEnd, WhileTheFirstShowingsServerErrorBoxIsOpen) {
    e2e::PrivateDisplay display;
    if (display.name().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    // The terminal port is taken: the automatic start fails with its notice.
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length), 0);
    e2e::ProgramRun run(dir.path());
    run.setEnvironment(QStringLiteral("TERMSERVER_LISTEN"),
                       QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port)));
    run.setEnvironment(QStringLiteral("DISPLAY"), display.name());
    run.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.start({QStringLiteral("0")});
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("Erro inicializando servidor."), 20s))
        << run.standardError().toStdString();
    const e2e::DesktopSession desktop(display.name());
    ASSERT_FALSE(desktop.waitForWindow(QStringLiteral("Veska - Programa"), 10s).isEmpty());
    endSessionAndCheck(run);
    ::close(taken);
}

// A scan whose lookup fails opens the error box on a real display; the price service goes
// on while the box waits for the operator, and a further failure goes to the log instead of
// a second box.
TEST_F(StartupSessionEnd, AnErrorBoxOnScreenDoesNotStopThePriceAnswers) {
    e2e::PrivateDisplay display;
    if (display.name().isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    // The demo shop's table again, with a price that fails to compute for two articles.
    QFile script(dir.filePath(QStringLiteral("erro.sql")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    const QByteArray failing =
        veska::catalogue::test::ProductTable()
            .extra(", base double precision")
            .wholesale("computed by (iif(codigo = 'ERRO1', 1 / 0, "
                       "iif(codigo = 'ERRO2', cast(nome as integer), base)))")
            .sql();
    script.write("connect 'demo.fdb' user 'ROOT' password '480317';\n"
                 "drop table produtos;\n" +
                 failing +
                 ";\n"
                 // The grid's first page (read at start-up) holds none of the failing two.
                 "set term ^;\n"
                 "execute block as declare i integer = 0; begin while (i < 150) do begin "
                 "insert into produtos values ('A' || lpad(:i, 4, '0'), 'ARTIGO', null, 1, 1); "
                 "i = i + 1; end end^\n"
                 "set term ;^\n"
                 "insert into produtos values ('OK1', 'ARTIGO BOM', null, 2.5, 3);\n"
                 "insert into produtos values ('ERRO1', 'ARTIGO RUIM', null, 1, 1);\n"
                 "insert into produtos values ('ERRO2', 'ARTIGO PIOR', null, 1, 1);\n"
                 "commit;\n");
    script.close();
    QProcessEnvironment tools = QProcessEnvironment::systemEnvironment();
    tools.insert(QStringLiteral("FIREBIRD_LOCK"), dir.filePath(QStringLiteral(".firebird-lock")));
    const auto altered = e2e::runTool(
        QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-i"), script.fileName()},
        dir.path(), 60s, tools);
    ASSERT_EQ(altered.exitCode, 0) << altered.out.toStdString() << altered.err.toStdString();

    e2e::ProgramRun run(dir.path());
    run.setEnvironment(QStringLiteral("DISPLAY"), display.name());
    run.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.setEnvironment(QStringLiteral("LC_ALL"), QStringLiteral("pt_BR.UTF-8"));
    run.start({QStringLiteral("0")});
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("Servidor inicializado com sucesso."), 20s))
        << run.standardError().toStdString();
    const auto scan = [&run, this](const QString& code) {
        return e2e::scanAt(run, {code}, dir.path(), 20s);
    };
    const auto failed = scan(QStringLiteral("ERRO1"));
    EXPECT_EQ(failed.out.trimmed(), QStringLiteral("ERRO1\tSISTEMA INDISPONIVEL\tTENTE NOVAMENTE"));
    const e2e::DesktopSession desktop(display.name());
    const QString box = desktop.waitForWindow(QStringLiteral("Veska - Programa"), 20s);
    ASSERT_FALSE(box.isEmpty()) << run.standardError().toStdString();

    // The box waits for the operator; the terminals are answered meanwhile.
    const auto answered = scan(QStringLiteral("OK1"));
    EXPECT_EQ(answered.exitCode, 0);
    EXPECT_EQ(answered.out.trimmed(), QStringLiteral("OK1\tARTIGO BOM\tR$ 2,50"));
    const auto other = scan(QStringLiteral("ERRO2"));
    EXPECT_EQ(other.out.trimmed(), QStringLiteral("ERRO2\tSISTEMA INDISPONIVEL\tTENTE NOVAMENTE"));
    ASSERT_TRUE(run.waitForOutput(QStringLiteral("LOG\tErro: "), 10s));
    EXPECT_EQ(desktop
                  .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--name"), QStringLiteral("Veska - Programa")})
                  .split(u'\n', Qt::SkipEmptyParts)
                  .size(),
              1)
        << "one box, not two";
    run.stop();
}

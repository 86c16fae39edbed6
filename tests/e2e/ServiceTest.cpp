// The service program as systemd runs it: no display of any kind, the log on standard
// output, the terminals answered over loopback, SIGHUP reading gerencia.conf again, SIGTERM
// as the end, and the refusal to serve a shop that the desktop program already serves.

#include "ProgramRun.h"

#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;
using e2e::ProgramRun;

namespace {

const QString kStarted = QStringLiteral("Servidor inicializado com sucesso.");

// systemd's end of sd_notify: a datagram socket whose path goes to the service as
// NOTIFY_SOCKET.
class NotifySocket {
public:
    explicit NotifySocket(const QString& path) : path_(path.toStdString()) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path_.copy(address.sun_path, sizeof address.sun_path - 1);
        bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(fd_); }
    bool bound() const { return bound_; }
    // The next message, or empty when none comes in time.
    std::string next(std::chrono::milliseconds timeout) {
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(timeout.count())) != 1)
            return {};
        char buffer[512] = {};
        const ssize_t size = ::recv(fd_, buffer, sizeof buffer - 1, 0);
        return size > 0 ? std::string(buffer, static_cast<std::size_t>(size)) : std::string();
    }

private:
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};

class Service : public ::testing::Test {
protected:
    // A shop folder with the demo catalogue.
    static void makeShop(const QTemporaryDir& dir) {
        const auto made = e2e::runTool(e2e::demoCataloguePath(),
                                       {QStringLiteral("--dir"), dir.path()}, dir.path(), 60s);
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    }

    // The service with nothing of a desktop in its environment.
    static void startService(ProgramRun& run) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            run.setEnvironment(QLatin1String(name), QString());
        run.start({});
    }

    QTemporaryDir shop;
};

TEST_F(Service, AnswersATerminalWithoutADisplayReadsItsSettingsAtSighupAndEndsAtSigterm) {
    makeShop(shop);
    QTemporaryDir systemd;
    NotifySocket notify(systemd.filePath(QStringLiteral("notify")));
    ASSERT_TRUE(notify.bound());
    ProgramRun service(shop.path(), e2e::servicePath());
    service.setEnvironment(QStringLiteral("NOTIFY_SOCKET"),
                           systemd.filePath(QStringLiteral("notify")));
    service.setEnvironment(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("1000000"));
    startService(service);
    // Ready once it serves, then the watchdog fed from the tick.
    EXPECT_EQ(notify.next(60s), "READY=1\nSTATUS=Servidor inicializado com sucesso.");
    ASSERT_TRUE(service.waitForOutput(kStarted, 60s)) << service.standardOutput().toStdString();
    EXPECT_EQ(notify.next(30s), "WATCHDOG=1");
    const auto answer = e2e::runTool(
        e2e::terminalSimPath(),
        {QStringLiteral("--server"), service.environment(QStringLiteral("TERMSERVER_LISTEN")),
         QStringLiteral("scan"), QStringLiteral("7891000000038"), QStringLiteral("404")},
        shop.path(), 30s);
    ASSERT_EQ(answer.exitCode, 0) << answer.err.toStdString();
    EXPECT_EQ(answer.out.toStdString(), "7891000000038\tAÇÚCAR CRISTAL 5KG\tR$ 18,88\n"
                                        "404\tPRODUTO NAO\tENCONTRADO\n");

    // A fault written into gerencia.conf is only seen when the file is read again.
    QFile settings(shop.filePath(QStringLiteral("gerencia.conf")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("retention_days = forever\n");
    settings.close();
    ASSERT_EQ(::kill(static_cast<pid_t>(service.pid()), SIGHUP), 0);
    EXPECT_TRUE(
        service.waitForOutput(QStringLiteral("gerencia.conf, linha 1: retention_days"), 30s))
        << service.standardOutput().toStdString();

    ASSERT_EQ(::kill(static_cast<pid_t>(service.pid()), SIGTERM), 0);
    ASSERT_TRUE(service.waitForFinished(30s));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
}

// The desktop program serves the shop's port; the service says why it cannot, goes on
// trying, and serves once the desktop program has ended.
TEST_F(Service, ComingSecondItSaysWhyAndServesWhenThePortIsFree) {
    QTemporaryDir desktopShop;
    makeShop(shop);
    makeShop(desktopShop);
    ProgramRun desktop(desktopShop.path());
    desktop.start({QStringLiteral("0")});
    ASSERT_TRUE(desktop.waitForOutput(kStarted, 60s)) << desktop.standardOutput().toStdString();

    ProgramRun service(shop.path(), e2e::servicePath());
    startService(service);
    ASSERT_TRUE(service.waitForOutput(QStringLiteral("Nova tentativa em 5 segundos."), 60s))
        << service.standardOutput().toStdString();
    EXPECT_TRUE(service.standardOutput().contains(
        QStringLiteral("Outro programa já atende os terminais neste endereço")))
        << service.standardOutput().toStdString();
    EXPECT_FALSE(service.standardOutput().contains(kStarted));

    desktop.stop();
    ASSERT_TRUE(service.waitForOutput(kStarted, 60s)) << service.standardOutput().toStdString();
}

} // namespace

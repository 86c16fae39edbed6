// The service program as systemd runs it: no display of any kind, the log on standard
// output, the terminals answered over loopback, SIGHUP reading gerencia.conf again, SIGTERM
// as the end, and the refusal to serve a shop that the desktop program already serves.

#include "ConsoleLogin.h"
#include "LoopbackEndpoint.h"
#include "ProgramRun.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <httplib.h>
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
        const auto made = e2e::makeDemoShop(dir.path());
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    }

    // The service with nothing of a desktop in its environment.
    static void startService(ProgramRun& run) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            run.setEnvironment(QLatin1String(name), QString());
        run.start({});
    }

    static void writeSettings(const QTemporaryDir& dir, const std::string& text) {
        QFile settings(dir.filePath(QStringLiteral("gerencia.conf")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(text.data(), static_cast<qint64>(text.size()));
    }

    static std::string webEndpoint() {
        return veska::test::ownLoopbackAddress() + ":" +
               std::to_string(veska::test::kOwnLoopbackPort + 41);
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
    const auto answer = e2e::scanAt(
        service, {QStringLiteral("7891000000038"), QStringLiteral("404")}, shop.path(), 30s);
    ASSERT_EQ(answer.exitCode, 0) << answer.err.toStdString();
    EXPECT_EQ(answer.out.toStdString(), "7891000000038\tAÇÚCAR CRISTAL 5KG\tR$ 18,88\n"
                                        "404\tPRODUTO NAO\tENCONTRADO\n");

    // A web console asked for without a password is only refused once the file is read again.
    writeSettings(shop, "web_listen = " + webEndpoint() + "\n");
    ASSERT_EQ(::kill(static_cast<pid_t>(service.pid()), SIGHUP), 0);
    EXPECT_TRUE(service.waitForOutput(
        QStringLiteral("Console web não iniciada: falta web_password em gerencia.conf"), 30s))
        << service.standardOutput().toStdString();

    ASSERT_EQ(::kill(static_cast<pid_t>(service.pid()), SIGTERM), 0);
    ASSERT_TRUE(service.waitForFinished(30s));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
}

// With web_listen and web_password in gerencia.conf the service serves the web console: a
// login, the status with the day's scans as the terminals made them, a look-up, a message,
// the not-found spreadsheet and the log.
TEST_F(Service, ServesTheWebConsoleThatGerenciaConfAsksFor) {
    const std::string hash = veska::test::cheapPasswordHash("senha");
    ASSERT_FALSE(hash.empty());
    makeShop(shop);
    writeSettings(shop, "web_listen = " + webEndpoint() + "\nweb_password = " + hash + "\n");
    ProgramRun service(shop.path(), e2e::servicePath());
    startService(service);
    ASSERT_TRUE(service.waitForOutput(kStarted, 60s)) << service.standardOutput().toStdString();
    ASSERT_TRUE(service.standardOutput().contains(
        QStringLiteral("Console web em http://%1/").arg(QString::fromStdString(webEndpoint()))))
        << service.standardOutput().toStdString();
    const auto answer = e2e::scanAt(
        service, {QStringLiteral("7891000000038"), QStringLiteral("404")}, shop.path(), 30s);
    ASSERT_EQ(answer.exitCode, 0) << answer.err.toStdString();

    httplib::Client web(veska::test::ownLoopbackAddress(), veska::test::kOwnLoopbackPort + 41);
    web.set_read_timeout(30);
    httplib::Headers session;
    ASSERT_TRUE(veska::test::logIn(web, "senha", session));
    // The console shows what the service published at its last read of the terminals.
    QJsonObject status;
    QDeadlineTimer deadline(60s);
    while (status.value(QStringLiteral("scans_today")).toInt() < 2 && !deadline.hasExpired()) {
        const auto got = web.Get("/api/status", session);
        ASSERT_TRUE(got);
        ASSERT_EQ(got->status, 200);
        status = QJsonDocument::fromJson(QByteArray::fromStdString(got->body)).object();
        QThread::msleep(100);
    }
    EXPECT_EQ(status.value(QStringLiteral("scans_today")).toInt(), 2);
    EXPECT_EQ(status.value(QStringLiteral("not_found_today")).toInt(), 1);
    EXPECT_EQ(status.value(QStringLiteral("server")).toString(), QStringLiteral("running"));
    EXPECT_EQ(status.value(QStringLiteral("database")).toString(), QStringLiteral("connected"));
    EXPECT_EQ(status.value(QStringLiteral("price_mode")).toInt(), 1);

    // A look-up answers as the terminal was answered, and answers no terminal.
    const auto lookup = web.Get("/api/lookup?code=7891000000038", session);
    ASSERT_TRUE(lookup);
    const QJsonObject answered =
        QJsonDocument::fromJson(QByteArray::fromStdString(lookup->body)).object();
    EXPECT_EQ(answered.value(QStringLiteral("line1")).toString() + u'\t' +
                  answered.value(QStringLiteral("line2")).toString(),
              QStringLiteral("AÇÚCAR CRISTAL 5KG\tR$ 18,88"));

    // A message to a terminal that is connected: the terminal shows it.
    QProcess terminal;
    terminal.start(e2e::terminalSimPath(),
                   {QStringLiteral("--server"),
                    service.environment(QStringLiteral("TERMSERVER_LISTEN")),
                    QStringLiteral("--bind"), QStringLiteral("127.0.0.21"),
                    QStringLiteral("listen"), QStringLiteral("--for"), QStringLiteral("60")});
    QJsonArray terminals;
    deadline = QDeadlineTimer(60s);
    while (terminals.isEmpty() && !deadline.hasExpired()) {
        const auto got = web.Get("/api/terminals", session);
        ASSERT_TRUE(got);
        terminals = QJsonDocument::fromJson(QByteArray::fromStdString(got->body)).array();
        QThread::msleep(100);
    }
    ASSERT_EQ(terminals.size(), 1);
    const QJsonObject listed = terminals.at(0).toObject();
    EXPECT_EQ(listed.value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.21"));
    const auto token = web.Get("/api/session", session);
    httplib::Headers posting = session;
    posting.emplace("X-CSRF-Token", QJsonDocument::fromJson(QByteArray::fromStdString(token->body))
                                        .object()
                                        .value(QStringLiteral("csrf"))
                                        .toString()
                                        .toStdString());
    const QJsonObject message{{QStringLiteral("address"), QStringLiteral("127.0.0.21")},
                              {QStringLiteral("socket"), listed.value(QStringLiteral("socket"))},
                              {QStringLiteral("line1"), QStringLiteral("PROMOÇÃO")},
                              {QStringLiteral("line2"), QStringLiteral("CAIXA 3")},
                              {QStringLiteral("seconds"), 5}};
    const auto sent = web.Post("/api/message", posting,
                               QJsonDocument(message).toJson(QJsonDocument::Compact).toStdString(),
                               "application/json");
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->status, 200) << sent->body;
    ASSERT_TRUE(terminal.waitForReadyRead(30000));
    while (!terminal.canReadLine() && terminal.waitForReadyRead(30000)) {
    }
    EXPECT_EQ(QString::fromUtf8(terminal.readLine()).trimmed(),
              QStringLiteral("MSG\tPROMOÇÃO\tCAIXA 3\t5"));
    terminal.kill();
    terminal.waitForFinished(30000);

    // The not-found report as a spreadsheet, from the journal the service writes.
    std::string csv;
    deadline = QDeadlineTimer(60s);
    while (csv.find("404") == std::string::npos && !deadline.hasExpired()) {
        const auto got = web.Get("/reports/not-found.csv", session);
        ASSERT_TRUE(got);
        csv = got->body;
        QThread::msleep(100);
    }
    EXPECT_NE(csv.find("404"), std::string::npos) << csv;

    // The log page shows every line of the service's log, its own lines as well.
    ASSERT_EQ(::kill(static_cast<pid_t>(service.pid()), SIGHUP), 0);
    const QString reread = QStringLiteral("SIGHUP: gerencia.conf lido de novo.");
    ASSERT_TRUE(service.waitForOutput(reread, 30s));
    QJsonArray lines;
    deadline = QDeadlineTimer(60s);
    while (!lines.contains(reread) && !deadline.hasExpired()) {
        const auto got = web.Get("/api/log", session);
        ASSERT_TRUE(got);
        lines = QJsonDocument::fromJson(QByteArray::fromStdString(got->body)).array();
        QThread::msleep(100);
    }
    EXPECT_TRUE(lines.contains(reread)) << service.standardOutput().toStdString();
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

// The web console's login, session and JSON API, spoken to over a real loopback socket as a
// browser or an integrator would; its connections (HTTPS, the caps per address, the time a
// request has to come whole); the session's clock limits through Sessions itself.

#include "web/WebConsole.h"

#include "ConsoleLogin.h"
#include "JournalSupport.h"
#include "LoopbackEndpoint.h"
#include "journal/JournalPlace.h"
#include "journal/JournalWriter.h"
#include "journal/LocalDay.h"
#include "web/AvailabilityPage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace veska::web {
namespace {

const std::string kPassword = "segredo da loja";

// The service's side, recorded: what the console asked for.
struct RecordingActions final : ConsoleActions {
    std::vector<QString> lookups;
    std::vector<ConsoleMessage> messages;
    std::optional<LookupAnswer> lookUp(const QString& code) override {
        lookups.push_back(code);
        return LookupAnswer{QStringLiteral("ARROZ 5KG"), QStringLiteral("R$ 12,50"), true};
    }
    bool sendMessage(const ConsoleMessage& message) override {
        messages.push_back(message);
        return true;
    }
};

class WebConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ConsoleSnapshot snapshot;
        snapshot.serverRunning = true;
        snapshot.databaseConnected = true;
        snapshot.priceMode = 2;
        snapshot.startedMs = 1'000'000;
        snapshot.madeMs = 1'090'000;
        snapshot.scansToday = 7;
        snapshot.notFoundToday = 2;
        snapshot.terminals.push_back({QStringLiteral("10.0.0.21"), 3, 1'010'000, 0, 0});
        board.publish(snapshot);
        start(QString());
    }

    void start(const QString& allow, const QString& shopFolder = QString(),
               std::optional<TlsContext> tls = std::nullopt, const ConnectionLimits& limits = {}) {
        console.reset();
        console = std::make_unique<WebConsole>(
            WebConsoleSettings{test::ownLoopbackAddress(), test::kOwnLoopbackPort + 40,
                               QByteArray::fromStdString(test::cheapPasswordHash(kPassword)), allow,
                               shopFolder, std::move(tls), limits},
            board, actions);
        std::string reason;
        ASSERT_TRUE(console->start(&reason)) << reason;
    }

    // A session's cookie and CSRF token, as a logged-in page has them.
    httplib::Headers loggedIn() {
        httplib::Headers headers = test::sessionOf(*login(kPassword));
        const auto token = client().Get("/api/session", headers);
        headers.emplace(
            "X-CSRF-Token",
            json(token).object().value(QStringLiteral("csrf")).toString().toStdString());
        return headers;
    }

    httplib::Client client() {
        httplib::Client c(test::ownLoopbackAddress(), test::kOwnLoopbackPort + 40);
        c.set_connection_timeout(30);
        c.set_read_timeout(30);
        return c;
    }

    httplib::Result login(const std::string& password) {
        return client().Post("/login", httplib::Params{{"password", password}});
    }

    static QJsonDocument json(const httplib::Result& result) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(result->body));
    }

    SnapshotBoard board;
    RecordingActions actions;
    std::unique_ptr<WebConsole> console;
};

TEST_F(WebConsoleTest, TheApiNeedsASessionAndEveryPostItsCsrfToken) {
    ASSERT_EQ(client().Get("/api/status")->status, 401);
    ASSERT_EQ(login("errada")->status, 401);

    const auto opened = login(kPassword);
    ASSERT_EQ(opened->status, 200);
    const std::string cookie = opened->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("; HttpOnly"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("; SameSite=Strict"), std::string::npos) << cookie;
    const std::string session = cookie.substr(0, cookie.find(';'));
    EXPECT_EQ(session.size(), std::string("veska_session=").size() + 32) << session;
    const httplib::Headers withSession{{"Cookie", session}};

    const auto status = client().Get("/api/status", withSession);
    ASSERT_EQ(status->status, 200);
    EXPECT_EQ(json(status).object(),
              (QJsonObject{{QStringLiteral("server"), QStringLiteral("running")},
                           {QStringLiteral("database"), QStringLiteral("connected")},
                           {QStringLiteral("price_mode"), 2},
                           {QStringLiteral("uptime_seconds"), 90},
                           {QStringLiteral("scans_today"), 7},
                           {QStringLiteral("not_found_today"), 2}}));
    const auto terminals = client().Get("/api/terminals", withSession);
    ASSERT_EQ(terminals->status, 200);
    const QJsonObject first = json(terminals).array().at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("address")).toString(), QStringLiteral("10.0.0.21"));
    EXPECT_EQ(first.value(QStringLiteral("socket")).toInt(), 3);
    EXPECT_TRUE(first.value(QStringLiteral("last_scan")).isNull());

    // A POST without the session's token is refused, and the session goes on.
    EXPECT_EQ(client().Post("/logout", withSession, "", "text/plain")->status, 403);
    const auto token = client().Get("/api/session", withSession);
    ASSERT_EQ(token->status, 200);
    const std::string csrf =
        json(token).object().value(QStringLiteral("csrf")).toString().toStdString();
    ASSERT_EQ(csrf.size(), 32u);
    std::string wrong = csrf;
    wrong[0] = csrf[0] == 'a' ? 'b' : 'a';
    EXPECT_EQ(client()
                  .Post("/logout", {{"Cookie", session}, {"X-CSRF-Token", wrong}}, "", "text/plain")
                  ->status,
              403);
    EXPECT_EQ(client()
                  .Post("/logout", {{"Cookie", session}, {"X-CSRF-Token", csrf}}, "", "text/plain")
                  ->status,
              200);
    EXPECT_EQ(client().Get("/api/status", withSession)->status, 401);
}

TEST_F(WebConsoleTest, FiveWrongPasswordsSlowTheAddressDown) {
    for (int attempt = 0; attempt < Sessions::wrongBeforeSlowDown; ++attempt)
        ASSERT_EQ(login("errada")->status, 401);
    const auto refused = login(kPassword);
    EXPECT_EQ(refused->status, 429);
    EXPECT_EQ(refused->get_header_value("Retry-After"), "300");
}

TEST_F(WebConsoleTest, EveryFieldIsCheckedBeforeTheServiceIsAsked) {
    const httplib::Headers session = loggedIn();
    const auto post = [this, &session](const std::string& body) {
        return client().Post("/api/message", session, body, "application/json")->status;
    };
    EXPECT_EQ(post("not json"), 400);
    EXPECT_EQ(post(R"({"address":"10.0.0.21","socket":3,"line1":"123456789012345678901",)"
                   R"("line2":"","seconds":5})"),
              400);
    EXPECT_EQ(post(R"({"address":"10.0.0.21","socket":3,"line1":"A","line2":"B","seconds":0})"),
              400);
    EXPECT_EQ(post(R"({"address":"10.0.0.22","socket":3,"line1":"A","line2":"B","seconds":5})"),
              404);
    EXPECT_TRUE(actions.messages.empty());
    EXPECT_EQ(post(R"({"address":"10.0.0.21","socket":3,"line1":"PROMOÇÃO HOJE",)"
                   R"("line2":"12345678901234567890","seconds":5})"),
              200);
    ASSERT_EQ(actions.messages.size(), 1u);
    EXPECT_EQ(actions.messages[0].line1, QStringLiteral("PROMOÇÃO HOJE"));
    EXPECT_EQ(actions.messages[0].seconds, 5);

    EXPECT_EQ(client().Get("/api/lookup?code=", session)->status, 400);
    const auto lookup = client().Get("/api/lookup?code=7891000000038", session);
    ASSERT_EQ(lookup->status, 200);
    EXPECT_EQ(json(lookup).object().value(QStringLiteral("line2")).toString(),
              QStringLiteral("R$ 12,50"));
    EXPECT_EQ(actions.lookups, std::vector<QString>{QStringLiteral("7891000000038")});
    EXPECT_EQ(client().Get("/api/reports/not-found?from=ontem", session)->status, 400);
}

TEST_F(WebConsoleTest, AnAddressOutsideWebAllowIsRefused) {
    start(QStringLiteral("10.9.9.0/24, 192.168.1.5"));
    EXPECT_EQ(login(kPassword)->status, 403);
    start(QStringLiteral("127.0.0.0/8"));
    EXPECT_EQ(login(kPassword)->status, 200);
}

// A raw connection to the console from a chosen loopback address, for what a library client
// would not do: hold a connection, or send a request a byte at a time.
class RawConnection {
public:
    explicit RawConnection(const std::string& from) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        ::inet_pton(AF_INET, from.c_str(), &source.sin_addr);
        sockaddr_in console{};
        console.sin_family = AF_INET;
        console.sin_port = htons(test::kOwnLoopbackPort + 40);
        ::inet_pton(AF_INET, test::ownLoopbackAddress().c_str(), &console.sin_addr);
        connected_ = ::bind(socket_, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0 &&
                     ::connect(socket_, reinterpret_cast<sockaddr*>(&console), sizeof console) == 0;
    }
    ~RawConnection() { ::close(socket_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    bool send(const std::string& bytes) {
        return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // The page's request; true once its whole answer came (the connection stays open).
    bool askForThePage() {
        if (!send("GET / HTTP/1.1\r\nHost: consola\r\n\r\n"))
            return false;
        std::string answer;
        while (answer.find("</html>") == std::string::npos) {
            if (!waitForBytes(std::chrono::seconds(60)))
                return false;
            char buffer[4096];
            const ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
            if (got <= 0)
                return false;
            answer.append(buffer, static_cast<std::size_t>(got));
        }
        return answer.rfind("HTTP/1.1 200", 0) == 0;
    }
    // Whether the console closed the connection, sending nothing, within the time.
    bool closedWithin(std::chrono::milliseconds time) {
        if (!waitForBytes(time))
            return false;
        char byte = 0;
        return ::recv(socket_, &byte, 1, 0) <= 0;
    }

private:
    bool waitForBytes(std::chrono::milliseconds time) {
        pollfd watched{socket_, POLLIN, 0};
        return ::poll(&watched, 1, static_cast<int>(time.count())) == 1;
    }
    int socket_;
    bool connected_ = false;
};

TEST_F(WebConsoleTest, EachAddressHoldsAtMostItsConnectionsAndARequestMustComeWholeInTime) {
    ConnectionLimits limits;
    limits.perAddress = 2;
    limits.keepAlive = std::chrono::seconds(600);
    limits.requestTime = std::chrono::seconds(2);
    start(QString(), QString(), std::nullopt, limits);
    const std::string own = test::ownLoopbackAddress();
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int place = 0; place < 2; ++place) {
        held.push_back(std::make_unique<RawConnection>(own));
        ASSERT_TRUE(held.back()->askForThePage());
    }
    RawConnection third(own);
    ASSERT_TRUE(third.connected());
    EXPECT_TRUE(third.closedWithin(std::chrono::seconds(60)));
    const std::string other = own == "127.0.0.1" ? "127.0.0.2" : "127.0.0.1";
    EXPECT_TRUE(RawConnection(other).askForThePage());

    // A place given back is taken again.
    held.pop_back();
    bool servedAgain = false;
    for (int attempt = 0; attempt < 600 && !servedAgain; ++attempt)
        servedAgain = RawConnection(own).askForThePage();
    EXPECT_TRUE(servedAgain);

    // A request that comes a byte now and then is closed at its time, not read on for ever.
    RawConnection slow(other);
    ASSERT_TRUE(slow.send("GET / HTTP/1.1\r\nX-Lento: "));
    bool closed = false;
    for (int byte = 0; byte < 600 && !closed; ++byte) {
        slow.send("a");
        closed = slow.closedWithin(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(closed) << "a request sent a byte each 100 ms for a minute was still read";
}

TEST_F(WebConsoleTest, WithACertificateTheConsoleIsHttpsOnly) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString certificate = folder.filePath(QStringLiteral("console.crt"));
    const QString key = folder.filePath(QStringLiteral("console.key"));
    const QString otherKey = folder.filePath(QStringLiteral("other.key"));
    const auto openssl = [](const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("openssl"), arguments);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    };
    ASSERT_TRUE(openssl(
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
         QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
         QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
         QStringLiteral("/CN=consulta-veska"), QStringLiteral("-addext"),
         QStringLiteral("subjectAltName=IP:") + QString::fromStdString(test::ownLoopbackAddress()),
         QStringLiteral("-keyout"), key, QStringLiteral("-out"), certificate}));
    ASSERT_TRUE(
        openssl({QStringLiteral("genpkey"), QStringLiteral("-algorithm"), QStringLiteral("EC"),
                 QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                 QStringLiteral("-out"), otherKey}));

    std::string reason;
    EXPECT_FALSE(TlsContext::load(certificate.toStdString(), otherKey.toStdString(), &reason));
    EXPECT_NE(reason.find("web_key"), std::string::npos) << reason;
    std::optional<TlsContext> tls =
        TlsContext::load(certificate.toStdString(), key.toStdString(), &reason);
    ASSERT_TRUE(tls) << reason;
    start(QString(), QString(), std::move(tls));

    httplib::SSLClient secure(test::ownLoopbackAddress(), test::kOwnLoopbackPort + 40);
    secure.set_ca_cert_path(certificate.toStdString().c_str());
    secure.enable_server_certificate_verification(true);
    secure.set_connection_timeout(30);
    secure.set_read_timeout(30);
    const auto opened = secure.Post("/login", httplib::Params{{"password", kPassword}});
    ASSERT_TRUE(opened) << httplib::to_string(opened.error());
    EXPECT_EQ(opened->status, 200);
    EXPECT_NE(opened->get_header_value("Set-Cookie").find("; Secure"), std::string::npos);
    EXPECT_FALSE(client().Get("/")) << "the console answered plain HTTP on its HTTPS port";
}

TEST_F(WebConsoleTest, TheUsageAndAvailabilityOfAKnownDayComeFromTheShopsJournal) {
    using terminal::ScanOutcome;
    const std::string day = "2026-03-10";
    const auto at = [&day](int hours, int minutes) {
        return journal::localTimeOn(day, hours * 60 + minutes);
    };
    constexpr std::uint32_t kFive = 0x0A000005, kSix = 0x0A000006;
    QTemporaryDir shop;
    journal::JournalBatch batch;
    batch.connections = {
        {at(7, 30), kFive, 7, true}, {at(12, 0), kFive, 7, false}, {at(12, 45), kFive, 8, true}};
    batch.scans = {
        journal::test::scanAt(at(9, 10), kFive, QStringLiteral("789"), ScanOutcome::NotFound, 300),
        journal::test::scanAt(at(9, 20), kSix, QStringLiteral("123"), ScanOutcome::Found, 500),
        journal::test::scanAt(at(15, 0), kFive, QStringLiteral("123"), ScanOutcome::Unavailable)};
    journal::JournalWriter(journal::journalPathIn(shop.path()), at(7, 0)).write(batch, at(21, 0));
    QFile settings(shop.filePath(journal::managementFileName));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("opening_hours = 08:00-22:00\n");
    settings.close();
    start(QString(), shop.path());

    const std::string page = "/reports/availability?day=" + day;
    EXPECT_EQ(client().Get(page)->status, 401);
    const httplib::Headers session = loggedIn();
    const auto get = [this, &session](const std::string& path) {
        return client().Get(path, session);
    };
    for (const char* bad : {"/api/reports/usage?by=week", "/api/reports/usage?from=2026-02-30",
                            "/api/reports/usage?from=2026-03-11&to=2026-03-10",
                            "/api/reports/availability", "/reports/availability?day=ontem"})
        EXPECT_EQ(get(bad)->status, 400) << bad;

    const auto byHour = get("/api/reports/usage?from=" + day + "&to=" + day);
    ASSERT_EQ(byHour->status, 200);
    EXPECT_EQ(json(byHour).array(),
              (QJsonArray{QJsonObject{{QStringLiteral("group"), QStringLiteral("2026-03-10 09")},
                                      {QStringLiteral("scans"), 2},
                                      {QStringLiteral("found"), 1},
                                      {QStringLiteral("not_found"), 1},
                                      {QStringLiteral("unavailable"), 0},
                                      {QStringLiteral("median_ms"), 0.3}},
                          QJsonObject{{QStringLiteral("group"), QStringLiteral("2026-03-10 15")},
                                      {QStringLiteral("scans"), 1},
                                      {QStringLiteral("found"), 0},
                                      {QStringLiteral("not_found"), 0},
                                      {QStringLiteral("unavailable"), 1},
                                      {QStringLiteral("median_ms"), 0.4}}}));
    const QJsonArray byTerminal = json(get("/api/reports/usage?by=terminal")).array();
    ASSERT_EQ(byTerminal.size(), 2);
    EXPECT_EQ(byTerminal[0].toObject().value(QStringLiteral("group")).toString(),
              QStringLiteral("10.0.0.5"));
    EXPECT_EQ(byTerminal[0].toObject().value(QStringLiteral("scans")).toInt(), 2);

    // The opening hours are the shop's gerencia.conf: 08:00-22:00, cut at 12:00-12:45 and
    // after the program was last seen at 21:00.
    const QJsonObject availability = json(get("/api/reports/availability?day=" + day)).object();
    EXPECT_EQ(availability.value(QStringLiteral("opens")).toDouble(), at(8, 0));
    const QJsonObject five =
        availability.value(QStringLiteral("terminals")).toArray().at(0).toObject();
    EXPECT_EQ(five.value(QStringLiteral("address")).toString(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(five.value(QStringLiteral("connected_seconds")).toInt(), (240 + 495) * 60);
    EXPECT_EQ(five.value(QStringLiteral("gaps")).toArray().at(0).toObject(),
              (QJsonObject{{QStringLiteral("from"), static_cast<double>(at(12, 0))},
                           {QStringLiteral("to"), static_cast<double>(at(12, 45))}}));

    const auto printable = get(page);
    ASSERT_EQ(printable->status, 200);
    EXPECT_EQ(printable->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_NE(printable->get_header_value("Content-Security-Policy").find("default-src 'self'"),
              std::string::npos);
    EXPECT_NE(printable->body.find("<td>10.0.0.5</td>"), std::string::npos) << printable->body;
    EXPECT_NE(printable->body.find("12:00–12:45, 21:00–22:00"), std::string::npos);
    const std::string hostile = availabilityPage(
        {QStringLiteral("<b>"), {QStringLiteral("Terminal")}, {{QStringLiteral("<script>")}}, {}});
    EXPECT_EQ(hostile.find("<script>"), std::string::npos);
    EXPECT_NE(hostile.find("&lt;script&gt;"), std::string::npos);
}

TEST(Sessions, EndAfterEightIdleHoursAndTheSlowDownAfterFiveMinutes) {
    Sessions sessions(QByteArray::fromStdString(test::cheapPasswordHash(kPassword)));
    const auto start = Sessions::Clock::now();
    const auto opened = sessions.login("10.0.0.9", kPassword, start);
    ASSERT_EQ(opened.result, Sessions::Login::Opened);
    ASSERT_TRUE(sessions.touch(opened.token, start + std::chrono::hours(7)));
    EXPECT_TRUE(sessions.touch(opened.token, start + std::chrono::hours(14)));
    EXPECT_FALSE(sessions.touch(opened.token, start + std::chrono::hours(22)));

    for (int attempt = 0; attempt < Sessions::wrongBeforeSlowDown; ++attempt)
        sessions.login("10.0.0.9", "errada", start);
    EXPECT_EQ(sessions.login("10.0.0.9", kPassword, start + std::chrono::minutes(4)).result,
              Sessions::Login::SlowedDown);
    EXPECT_EQ(sessions.login("10.0.0.8", kPassword, start).result, Sessions::Login::Opened);
    EXPECT_EQ(sessions.login("10.0.0.9", kPassword, start + std::chrono::minutes(5)).result,
              Sessions::Login::Opened);
}

} // namespace
} // namespace veska::web

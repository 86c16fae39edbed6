// The web console's login, session and JSON API, spoken to over a real loopback socket as a
// browser or an integrator would; the session's clock limits through Sessions itself.

#include "web/WebConsole.h"

#include "LoopbackEndpoint.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <httplib.h>
#include <optional>
#include <sodium.h>
#include <vector>

namespace veska::web {
namespace {

const std::string kPassword = "segredo da loja";

QByteArray hashOf(const std::string& password) {
    char hash[crypto_pwhash_STRBYTES];
    // The least costs: the tests check the logic, not Argon2id's strength.
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_MIN,
                          crypto_pwhash_MEMLIMIT_MIN) != 0)
        return {};
    return hash;
}

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
        ASSERT_GE(sodium_init(), 0);
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

    void start(const QString& allow) {
        console.reset();
        console = std::make_unique<WebConsole>(
            WebConsoleSettings{test::ownLoopbackAddress(), test::kOwnLoopbackPort + 40,
                               hashOf(kPassword), allow, QString()},
            board, actions);
        std::string reason;
        ASSERT_TRUE(console->start(&reason)) << reason;
    }

    // A session's cookie and CSRF token, as a logged-in page has them.
    httplib::Headers loggedIn() {
        const auto opened = login(kPassword);
        const std::string cookie = opened->get_header_value("Set-Cookie");
        httplib::Headers headers{{"Cookie", cookie.substr(0, cookie.find(';'))}};
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

TEST(Sessions, EndAfterEightIdleHoursAndTheSlowDownAfterFiveMinutes) {
    ASSERT_GE(sodium_init(), 0);
    Sessions sessions(hashOf(kPassword));
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

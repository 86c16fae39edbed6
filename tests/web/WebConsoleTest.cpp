// The web console's login, session and JSON API, spoken to over a real loopback socket as a
// browser or an integrator would; the session's clock limits through Sessions itself.

#include "web/WebConsole.h"

#include "LoopbackEndpoint.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sodium.h>

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
        console = std::make_unique<WebConsole>(WebConsoleSettings{test::ownLoopbackAddress(),
                                                                  test::kOwnLoopbackPort + 40,
                                                                  hashOf(kPassword)},
                                               board);
        std::string reason;
        ASSERT_TRUE(console->start(&reason)) << reason;
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

#include "web/WebConsole.h"

#include "web/ConsoleAnswers.h"
#include "web/ConsolePage.h"
#include "web/http/ConsoleHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <httplib.h>
#include <sodium.h>
#include <stdexcept>

namespace veska::web {

namespace {

constexpr char kCookie[] = "veska_session";
constexpr std::size_t kMaxBody = 16 * 1024;

std::string sessionCookieOf(const httplib::Request& request) {
    const std::string header = request.get_header_value("Cookie");
    const std::string key = std::string(kCookie) + "=";
    for (std::size_t at = 0; at < header.size();) {
        const std::size_t end = std::min(header.find(';', at), header.size());
        std::size_t start = at;
        while (start < end && header[start] == ' ')
            ++start;
        if (header.compare(start, key.size(), key) == 0)
            return header.substr(start + key.size(), end - start - key.size());
        at = end + 1;
    }
    return {};
}

QJsonValue timeOrNull(std::int64_t ms) {
    return ms > 0 ? QJsonValue(static_cast<double>(ms)) : QJsonValue();
}

constexpr int kMessageLineLimit = 20;
constexpr int kMessageSecondsLimit = 3600;

// The reason a message is refused, or nothing for a good one.
std::optional<std::string> messageProblem(const QJsonObject& body, ConsoleMessage& message) {
    const QJsonValue address = body.value(QStringLiteral("address"));
    const QJsonValue socket = body.value(QStringLiteral("socket"));
    const QJsonValue line1 = body.value(QStringLiteral("line1"));
    const QJsonValue line2 = body.value(QStringLiteral("line2"));
    const QJsonValue seconds = body.value(QStringLiteral("seconds"));
    if (!address.isString())
        return "address must be the terminal's dotted address";
    in_addr parsed{};
    if (::inet_pton(AF_INET, address.toString().toStdString().c_str(), &parsed) != 1)
        return "address must be the terminal's dotted address";
    if (!socket.isDouble() || socket.toDouble() != socket.toInt() || socket.toInt() < 0 ||
        socket.toInt() > 65535)
        return "socket must be a whole number from 0 to 65535";
    if (!line1.isString() || !line2.isString())
        return "line1 and line2 must be text";
    if (line1.toString().size() > kMessageLineLimit || line2.toString().size() > kMessageLineLimit)
        return "each line may have at most 20 characters";
    if (!seconds.isDouble() || seconds.toDouble() != seconds.toInt() || seconds.toInt() < 1 ||
        seconds.toInt() > kMessageSecondsLimit)
        return "seconds must be a whole number from 1 to 3600";
    message = {address.toString(), socket.toInt(), line1.toString(), line2.toString(),
               seconds.toInt()};
    return std::nullopt;
}

} // namespace

WebConsole::WebConsole(WebConsoleSettings settings, const SnapshotBoard& board,
                       ConsoleActions& actions)
    : settings_(std::move(settings)), board_(board), actions_(actions),
      sessions_(settings_.passwordHash),
      server_(std::make_unique<ConsoleHttpServer>(settings_.limits, settings_.tls)) {
    QString bad;
    const std::optional<AllowList> allow = AllowList::parse(settings_.allow, &bad);
    if (!allow)
        throw std::invalid_argument("web_allow: " + bad.toStdString());
    allow_ = *allow;
    server_->set_payload_max_length(kMaxBody);
    route();
    routePage();
    routeLog();
    routeActions();
    routeReports();
}

WebConsole::~WebConsole() {
    stop();
}

bool WebConsole::start(std::string* reason) {
    errno = 0;
    if (!server_->bind_to_port(settings_.host.c_str(), settings_.port)) {
        if (reason != nullptr)
            *reason = errno != 0 ? std::strerror(errno) : "cannot listen";
        return false;
    }
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        ended_ = true;
    });
    // A stop before the server runs would be lost (it only stops a running server), and
    // the thread would listen on: start returns once it runs.
    while (!server_->is_running() && !ended_)
        std::this_thread::yield();
    return true;
}

void WebConsole::stop() {
    if (!thread_.joinable())
        return;
    server_->stop();
    thread_.join();
}

void WebConsole::route() {
    // Every route but the login: the session first, then (for a POST) its CSRF token.
    server_->set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            if (!allow_.permits(request.remote_addr)) {
                refuse(response, 403, "this address may not use the console (web_allow)");
                return httplib::Server::HandlerResponse::Handled;
            }
            // The login and the page itself (which holds no data) need no session.
            if ((request.method == "POST" && request.path == "/login") ||
                (request.method == "GET" && request.path == "/"))
                return httplib::Server::HandlerResponse::Unhandled;
            const std::optional<std::string> csrf = sessions_.touch(sessionCookieOf(request));
            if (!csrf) {
                refuse(response, 401, "login required");
                return httplib::Server::HandlerResponse::Handled;
            }
            if (request.method != "GET" && request.method != "HEAD") {
                const std::string given = request.get_header_value("X-CSRF-Token");
                if (given.size() != csrf->size() ||
                    sodium_memcmp(given.data(), csrf->data(), csrf->size()) != 0) {
                    refuse(response, 403, "X-CSRF-Token missing or wrong");
                    return httplib::Server::HandlerResponse::Handled;
                }
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });

    server_->Post("/login", [this](const httplib::Request& request, httplib::Response& response) {
        if (!request.has_param("password")) {
            refuse(response, 400, "the form field password is missing");
            return;
        }
        const Sessions::LoginResult login =
            sessions_.login(request.remote_addr, request.get_param_value("password"));
        switch (login.result) {
        case Sessions::Login::SlowedDown:
            response.set_header("Retry-After",
                                std::to_string(std::chrono::seconds(Sessions::slowDown).count()));
            refuse(response, 429, "too many wrong passwords; try again later");
            return;
        case Sessions::Login::Refused:
            refuse(response, 401, "wrong password");
            return;
        case Sessions::Login::Opened:
            response.set_header("Set-Cookie", std::string(kCookie) + "=" + login.token +
                                                  "; Path=/; HttpOnly; SameSite=Strict" +
                                                  (server_->secure() ? "; Secure" : ""));
            sendJson(response, QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}}));
            return;
        }
    });

    server_->Post("/logout", [this](const httplib::Request& request, httplib::Response& response) {
        sessions_.logout(sessionCookieOf(request));
        response.set_header("Set-Cookie", std::string(kCookie) +
                                              "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
        sendJson(response, QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}}));
    });

    server_->Get(
        "/api/session", [this](const httplib::Request& request, httplib::Response& response) {
            const auto csrf = sessions_.touch(sessionCookieOf(request));
            sendJson(response, QJsonDocument(QJsonObject{
                                   {QStringLiteral("csrf"),
                                    QString::fromStdString(csrf.value_or(std::string()))}}));
        });

    server_->Get("/api/status", [this](const httplib::Request&, httplib::Response& response) {
        const auto now = board_.current();
        sendJson(
            response,
            QJsonDocument(QJsonObject{
                {QStringLiteral("server"),
                 now->serverRunning ? QStringLiteral("running") : QStringLiteral("stopped")},
                {QStringLiteral("database"), now->databaseConnected
                                                 ? QStringLiteral("connected")
                                                 : QStringLiteral("disconnected")},
                {QStringLiteral("price_mode"), now->priceMode},
                {QStringLiteral("uptime_seconds"),
                 now->startedMs > 0 ? static_cast<double>((now->madeMs - now->startedMs) / 1000)
                                    : 0.0},
                {QStringLiteral("scans_today"), now->scansToday},
                {QStringLiteral("not_found_today"), now->notFoundToday}}));
    });

    server_->Get("/api/terminals", [this](const httplib::Request&, httplib::Response& response) {
        const auto now = board_.current();
        QJsonArray list;
        for (const ConsoleTerminal& terminal : now->terminals)
            list.append(QJsonObject{
                {QStringLiteral("address"), terminal.address},
                {QStringLiteral("socket"), terminal.socket},
                {QStringLiteral("connected_since"), timeOrNull(terminal.connectedSinceMs)},
                {QStringLiteral("last_scan"), timeOrNull(terminal.lastScanMs)},
                {QStringLiteral("scans_today"), terminal.scansToday}});
        sendJson(response, QJsonDocument(list));
    });
}

void WebConsole::routePage() {
    server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
        sendPage(response, consolePage());
    });
}

void WebConsole::routeLog() {
    server_->Get("/api/log", [this](const httplib::Request&, httplib::Response& response) {
        const auto now = board_.current();
        QJsonArray lines;
        for (const QString& line : now->log)
            lines.append(line);
        sendJson(response, QJsonDocument(lines));
    });
}

void WebConsole::routeActions() {
    server_->Get("/api/lookup", [this](const httplib::Request& request,
                                       httplib::Response& response) {
        const QString code = QString::fromStdString(request.get_param_value("code")).trimmed();
        if (code.isEmpty() || code.size() > 64) {
            refuse(response, 400, "code must be 1 to 64 characters");
            return;
        }
        const std::optional<LookupAnswer> answer = actions_.lookUp(code);
        if (!answer) {
            refuse(response, 503, "the service did not answer in time");
            return;
        }
        sendJson(response, QJsonDocument(QJsonObject{{QStringLiteral("code"), code},
                                                     {QStringLiteral("line1"), answer->line1},
                                                     {QStringLiteral("line2"), answer->line2},
                                                     {QStringLiteral("found"), answer->found}}));
    });

    server_->Post("/api/message", [this](const httplib::Request& request,
                                         httplib::Response& response) {
        QJsonParseError error{};
        const QJsonDocument body =
            QJsonDocument::fromJson(QByteArray::fromStdString(request.body), &error);
        if (error.error != QJsonParseError::NoError || !body.isObject()) {
            refuse(response, 400, "the body must be a JSON object");
            return;
        }
        ConsoleMessage message;
        if (const auto problem = messageProblem(body.object(), message)) {
            refuse(response, 400, problem->c_str());
            return;
        }
        const auto now = board_.current();
        const bool connected =
            std::any_of(now->terminals.begin(), now->terminals.end(), [&message](const auto& t) {
                return t.address == message.address && t.socket == message.socket;
            });
        if (!connected) {
            refuse(response, 404, "no such terminal is connected");
            return;
        }
        if (!actions_.sendMessage(message)) {
            refuse(response, 503, "the service did not answer in time");
            return;
        }
        sendJson(response, QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}}));
    });
}

} // namespace veska::web

#include "web/WebConsole.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <httplib.h>
#include <sodium.h>

namespace veska::web {

namespace {

constexpr char kCookie[] = "veska_session";
constexpr std::size_t kMaxBody = 16 * 1024;
constexpr int kTimeoutSeconds = 5;

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

void sendJson(httplib::Response& response, const QJsonDocument& document) {
    response.set_content(document.toJson(QJsonDocument::Compact).toStdString(),
                         "application/json; charset=utf-8");
}

void refuse(httplib::Response& response, int status, const char* reason) {
    response.status = status;
    sendJson(response,
             QJsonDocument(QJsonObject{{QStringLiteral("error"), QString::fromUtf8(reason)}}));
}

QJsonValue timeOrNull(std::int64_t ms) {
    return ms > 0 ? QJsonValue(static_cast<double>(ms)) : QJsonValue();
}

} // namespace

WebConsole::WebConsole(WebConsoleSettings settings, const SnapshotBoard& board)
    : settings_(std::move(settings)), board_(board), sessions_(settings_.passwordHash),
      server_(std::make_unique<httplib::Server>()) {
    server_->set_payload_max_length(kMaxBody);
    server_->set_read_timeout(kTimeoutSeconds, 0);
    server_->set_write_timeout(kTimeoutSeconds, 0);
    server_->set_idle_interval(0, 100000);
    route();
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
    thread_ = std::thread([this] { server_->listen_after_bind(); });
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
            if (request.method == "POST" && request.path == "/login")
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
                                                  "; Path=/; HttpOnly; SameSite=Strict");
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

} // namespace veska::web

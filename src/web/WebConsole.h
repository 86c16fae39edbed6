#pragma once
// The web console's HTTP server (cpp-httplib), on threads of its own: the login and the
// session, and the JSON API that reads what the service last published (SnapshotBoard).
// It never calls into the service, so it never holds up the service's tick.
//
//   POST /login (form field password)   opens a session: cookie veska_session, HttpOnly,
//                                        SameSite=Strict; 401 wrong, 429 slowed down
//   POST /logout                        ends it
//   GET  /api/session                   {"csrf": "..."}
//   GET  /api/status                    {"server", "database", "price_mode", "uptime_seconds",
//                                        "scans_today", "not_found_today"}
//   GET  /api/terminals                 [{"address", "socket", "connected_since", "last_scan",
//                                        "scans_today"}]
//
// Every other request but the login needs the session (401 without); every POST but the
// login needs the session's token in X-CSRF-Token (403 without). Bodies over 16 KiB, and a
// request that does not come whole within 5 seconds, are refused by the server.

#include "web/ConsoleSnapshot.h"
#include "web/Sessions.h"

#include <QByteArray>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace veska::web {

struct WebConsoleSettings {
    std::string host; // numeric address to listen on
    int port = 0;
    QByteArray passwordHash;
};

class WebConsole {
public:
    WebConsole(WebConsoleSettings settings, const SnapshotBoard& board);
    ~WebConsole();
    WebConsole(const WebConsole&) = delete;
    WebConsole& operator=(const WebConsole&) = delete;

    // Binds and starts serving; false with the reason when the address cannot be had.
    bool start(std::string* reason);
    void stop();

private:
    void route();

    WebConsoleSettings settings_;
    const SnapshotBoard& board_;
    Sessions sessions_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
};

} // namespace veska::web

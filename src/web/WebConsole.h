#pragma once
// The web console's HTTP server (cpp-httplib), on threads of its own: the login and the
// session, and the JSON API that reads what the service last published (SnapshotBoard).
// It never calls into the service, so it never holds up the service's tick.
//
//   GET  /                              the console's page (pt_BR), the login form first
//   POST /login (form field password)   opens a session: cookie veska_session, HttpOnly,
//                                        SameSite=Strict; 401 wrong, 429 slowed down
//   POST /logout                        ends it
//   GET  /api/session                   {"csrf": "..."}
//   GET  /api/status                    {"server", "database", "price_mode", "uptime_seconds",
//                                        "scans_today", "not_found_today"}
//   GET  /api/terminals                 [{"address", "socket", "connected_since", "last_scan",
//                                        "scans_today"}]
//   GET  /api/log                       the last 500 lines of the activity log, oldest first
//   GET  /api/lookup?code=              {"code", "line1", "line2", "found"}: what a terminal
//                                        scanning it would be answered (none is)
//   POST /api/message                   JSON {"address", "socket", "line1", "line2",
//                                        "seconds"}: each line at most 20 characters,
//                                        1 to 3600 seconds, a terminal that is connected
//   GET  /api/reports/not-found?from=&to=   the not-found report of those days (AAAA-MM-DD)
//   GET  /reports/not-found.csv?from=&to=   the same as CSV
//   GET  /api/reports/usage?from=&to=&by=   the usage report by hour (default), day or
//                                        terminal (ReportJson.h)
//   GET  /api/reports/availability?day=     the availability of that day (ReportJson.h)
//   GET  /reports/availability?day=         the same as a printable page
//   (the reports are 404 without a scan journal)
//
// Every other request but the login needs the session (401 without); every POST but the
// login needs the session's token in X-CSRF-Token (403 without). A bad field is 400 with the
// reason. Bodies over 16 KiB, and a request that does not come whole within 5 seconds, are
// refused by the server; web_allow's networks alone may connect (403 for others), and each
// address holds at most 16 connections at once. With a certificate it is HTTPS only.

#include "web/AllowList.h"
#include "web/ConsoleActions.h"
#include "web/ConsoleSnapshot.h"
#include "web/Sessions.h"
#include "web/http/ConnectionLimits.h"
#include "web/http/TlsContext.h"

#include <QByteArray>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace veska::web {

class ConsoleHttpServer;

struct WebConsoleSettings {
    std::string host; // numeric address to listen on
    int port = 0;
    QByteArray passwordHash;
    QString allow;                 // web_allow: addresses and networks, as termserver.conf's allow
    QString journalFolder;         // where the scan journal is looked for (the shop folder)
    std::optional<TlsContext> tls; // HTTPS with it, plain HTTP without
    ConnectionLimits limits;
};

class WebConsole {
public:
    // Raises std::invalid_argument for a bad allow list.
    WebConsole(WebConsoleSettings settings, const SnapshotBoard& board, ConsoleActions& actions);
    ~WebConsole();
    WebConsole(const WebConsole&) = delete;
    WebConsole& operator=(const WebConsole&) = delete;

    // Binds and starts serving; false with the reason when the address cannot be had.
    bool start(std::string* reason);
    void stop();

private:
    void route();
    void routePage();
    void routeLog();
    void routeActions();
    // The reports of the scan journal (ConsoleReports.cpp), read on the console's threads.
    void routeReports();

    WebConsoleSettings settings_;
    const SnapshotBoard& board_;
    ConsoleActions& actions_;
    AllowList allow_;
    Sessions sessions_;
    std::unique_ptr<ConsoleHttpServer> server_;
    std::thread thread_;
    std::atomic<bool> ended_{false};
};

} // namespace veska::web

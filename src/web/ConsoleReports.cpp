#include "journal/JournalPlace.h"
#include "journal/JournalSchema.h"
#include "journal/LocalDay.h"
#include "journal/ManagementSettings.h"
#include "journal/reports/ReportTable.h"
#include "terminal/ScanJournal.h"
#include "web/AvailabilityPage.h"
#include "web/ConsoleAnswers.h"
#include "web/ReportJson.h"
#include "web/WebConsole.h"
#include "web/http/ConsoleHttpServer.h"

#include <QDir>
#include <functional>
#include <map>

namespace veska::web {
namespace {

// The from and to of a request (each "AAAA-MM-DD" or empty); nothing, answered 400, when
// they are not days.
std::optional<journal::DayRange> daysOf(const httplib::Request& request,
                                        httplib::Response& response) {
    journal::DayRange days{request.get_param_value("from"), request.get_param_value("to")};
    const auto isDay = [](const std::string& text) {
        return text.empty() || journal::localDayStart(text) >= 0;
    };
    if (!isDay(days.from) || !isDay(days.to)) {
        refuse(response, 400, "from and to must be days as AAAA-MM-DD");
        return std::nullopt;
    }
    if (!days.from.empty() && !days.to.empty() && days.from > days.to) {
        refuse(response, 400, "from is after to");
        return std::nullopt;
    }
    return days;
}

// Runs read on the folder's scan journal, opened read-only on the console's thread (the
// service writes it meanwhile); 404 without a journal, 500 when it cannot be read.
void readJournal(const QString& folder, httplib::Response& response,
                 const std::function<void(journal::SqliteConnection&)>& read) {
    const QString path = journal::existingJournal(folder);
    if (path.isEmpty()) {
        refuse(response, 404, "no scan journal");
        return;
    }
    try {
        journal::SqliteConnection db(path, journal::SqliteConnection::Mode::ReadOnly);
        journal::checkJournal(db);
        read(db);
    } catch (const std::exception& error) {
        refuse(response, 500, error.what());
    }
}

// A report served twice: as JSON under /api/, and as a file or a page of its own (serve's
// last argument true).
template <class Serve>
void routeBoth(ConsoleHttpServer& server, const char* json, const char* other, Serve serve) {
    server.Get(json, [serve](const httplib::Request& request, httplib::Response& response) {
        serve(request, response, false);
    });
    server.Get(other, [serve](const httplib::Request& request, httplib::Response& response) {
        serve(request, response, true);
    });
}

} // namespace

void WebConsole::routeReports() {
    const auto notFound = [this](const httplib::Request& request, httplib::Response& response,
                                 bool csv) {
        const auto days = daysOf(request, response);
        if (!days)
            return;
        readJournal(settings_.journalFolder, response, [&](journal::SqliteConnection& db) {
            const auto codes = journal::notFoundReport(db, *days);
            if (csv) {
                response.set_header("Content-Disposition",
                                    "attachment; filename=\"nao-encontrados.csv\"");
                response.set_content(
                    journal::renderCsv(journal::notFoundTable(codes)).toStdString(),
                    "text/csv; charset=utf-8");
                return;
            }
            sendJson(response, QJsonDocument(notFoundJson(codes)));
        });
    };
    routeBoth(*server_, "/api/reports/not-found", "/reports/not-found.csv", notFound);

    server_->Get("/api/reports/usage", [this](const httplib::Request& request,
                                              httplib::Response& response) {
        const auto days = daysOf(request, response);
        if (!days)
            return;
        const std::string by = request.has_param("by") ? request.get_param_value("by") : "hour";
        static const std::map<std::string, journal::UsageGrouping> groupings{
            {"hour", journal::UsageGrouping::Hour},
            {"day", journal::UsageGrouping::Day},
            {"terminal", journal::UsageGrouping::Terminal}};
        const auto grouping = groupings.find(by);
        if (grouping == groupings.end()) {
            refuse(response, 400, "by must be hour, day or terminal");
            return;
        }
        readJournal(settings_.journalFolder, response, [&](journal::SqliteConnection& db) {
            sendJson(response,
                     QJsonDocument(usageJson(journal::usageReport(db, *days, grouping->second))));
        });
    });

    const auto availability = [this](const httplib::Request& request, httplib::Response& response,
                                     bool printable) {
        const std::string day = request.get_param_value("day");
        if (journal::localDayStart(day) < 0) {
            refuse(response, 400, "day must be a day as AAAA-MM-DD");
            return;
        }
        // The opening hours as gerencia.conf says now; the service logs its problems.
        const journal::OpeningHours hours =
            journal::readManagementSettings(
                QDir(settings_.journalFolder).filePath(journal::managementFileName))
                .settings.openingHours;
        readJournal(settings_.journalFolder, response, [&](journal::SqliteConnection& db) {
            const journal::AvailabilityReport report =
                journal::availabilityReport(db, day, hours, terminal::utcMillisecondsNow());
            if (printable)
                sendPage(response, availabilityPage(journal::availabilityTable(report)));
            else
                sendJson(response, QJsonDocument(availabilityJson(report)));
        });
    };
    routeBoth(*server_, "/api/reports/availability", "/reports/availability", availability);
}

} // namespace veska::web

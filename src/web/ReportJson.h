#pragma once
// The journal's reports as the console's API gives them. Times are milliseconds since 1970
// (UTC), as everywhere in the API.
//
// not-found:    [{"code", "count", "first", "last", "terminals": ["address", ...]}],
//               the most scanned first
// usage:        [{"group", "scans", "found", "not_found", "unavailable", "median_ms"}]
//               group "AAAA-MM-DD hh", "AAAA-MM-DD" or the terminal's address; median_ms
//               null without service times
// availability: {"day", "opens", "closes", "terminals": [{"address", "connected_seconds",
//               "share", "gaps": [{"from", "to"}]}]}; closes is now for a day going on

#include "journal/reports/Reports.h"

#include <QJsonArray>
#include <QJsonObject>
#include <vector>

namespace veska::web {

QJsonArray notFoundJson(const std::vector<journal::NotFoundCode>& codes);
QJsonArray usageJson(const std::vector<journal::UsageRow>& rows);
QJsonObject availabilityJson(const journal::AvailabilityReport& report);

} // namespace veska::web

#include "web/ReportJson.h"

#include "terminal/ConnectedTerminals.h"

namespace veska::web {
namespace {

QJsonValue number(std::int64_t value) {
    return static_cast<double>(value);
}

} // namespace

QJsonArray notFoundJson(const std::vector<journal::NotFoundCode>& codes) {
    QJsonArray rows;
    for (const journal::NotFoundCode& code : codes) {
        QJsonArray terminals;
        for (const std::uint32_t address : code.terminals)
            terminals.append(terminal::dottedHostAddress(address));
        rows.append(QJsonObject{{QStringLiteral("code"), code.code},
                                {QStringLiteral("count"), number(code.count)},
                                {QStringLiteral("first"), number(code.firstMs)},
                                {QStringLiteral("last"), number(code.lastMs)},
                                {QStringLiteral("terminals"), terminals}});
    }
    return rows;
}

QJsonArray usageJson(const std::vector<journal::UsageRow>& rows) {
    QJsonArray list;
    for (const journal::UsageRow& row : rows)
        list.append(
            QJsonObject{{QStringLiteral("group"), row.group},
                        {QStringLiteral("scans"), number(row.scans)},
                        {QStringLiteral("found"), number(row.found)},
                        {QStringLiteral("not_found"), number(row.notFound)},
                        {QStringLiteral("unavailable"), number(row.unavailable)},
                        {QStringLiteral("median_ms"),
                         row.medianMicroseconds
                             ? QJsonValue(static_cast<double>(*row.medianMicroseconds) / 1000.0)
                             : QJsonValue()}});
    return list;
}

QJsonObject availabilityJson(const journal::AvailabilityReport& report) {
    QJsonArray terminals;
    for (const journal::TerminalAvailability& terminal : report.terminals) {
        QJsonArray gaps;
        for (const journal::Interval& gap : terminal.gaps)
            gaps.append(QJsonObject{{QStringLiteral("from"), number(gap.fromMs)},
                                    {QStringLiteral("to"), number(gap.toMs)}});
        terminals.append(
            QJsonObject{{QStringLiteral("address"), terminal::dottedHostAddress(terminal.address)},
                        {QStringLiteral("connected_seconds"), number(terminal.connectedMs / 1000)},
                        {QStringLiteral("share"), terminal.share},
                        {QStringLiteral("gaps"), gaps}});
    }
    return {{QStringLiteral("day"), QString::fromStdString(report.day)},
            {QStringLiteral("opens"), number(report.opening.fromMs)},
            {QStringLiteral("closes"), number(report.opening.toMs)},
            {QStringLiteral("terminals"), terminals}};
}

} // namespace veska::web

#pragma once
// The reports as tables of text, for a terminal (aligned columns) and for a Brazilian
// spreadsheet (CSV: UTF-8 with a byte-order mark, ";" between fields, decimal comma, local
// times as dd/mm/aaaa hh:mm).

#include "journal/reports/Reports.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace veska::journal {

struct ReportTable {
    QString title; // a line above the table (the terminal form only)
    QStringList headers;
    std::vector<QStringList> rows;
    QStringList notes; // lines below the table (the terminal form only)
};

ReportTable notFoundTable(const std::vector<NotFoundCode>& codes);
ReportTable usageTable(const std::vector<UsageRow>& rows, UsageGrouping grouping);
ReportTable availabilityTable(const AvailabilityReport& report);

QString renderText(const ReportTable& table);
QByteArray renderCsv(const ReportTable& table);

// "12,5" (one decimal, comma).
QString decimalText(double value);

} // namespace veska::journal

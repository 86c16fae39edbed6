#pragma once
// The command line of veska-report: which report, for which days, in which form.

#include "journal/reports/Reports.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace veska::report {

enum class Report { NotFound, Usage, Availability };

struct ReportCommand {
    Report report = Report::NotFound;
    QString folder = QStringLiteral(".");
    journal::DayRange days;
    journal::UsageGrouping grouping = journal::UsageGrouping::Day;
    std::string day; // availability; empty: today
    bool csv = false;
};

struct ReportCommandReading {
    std::optional<ReportCommand> command;
    QString problem; // what is wrong with the arguments
};

ReportCommandReading readReportCommand(const QStringList& arguments);

QString usageText();

} // namespace veska::report

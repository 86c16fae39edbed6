// veska-report: the shop manager's reports from the scan journal (consultas.sqlite), read
// while the program writes it. Exit codes: 0 done, 1 bad arguments, 2 no journal found,
// 3 the journal could not be read.

#include "ReportCommand.h"
#include "journal/JournalPlace.h"
#include "journal/JournalSchema.h"
#include "journal/LocalDay.h"
#include "journal/ManagementSettings.h"
#include "journal/reports/ReportTable.h"
#include "terminal/ScanJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

using namespace veska;

namespace {

void print(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

journal::ReportTable makeReport(journal::SqliteConnection& db,
                                const report::ReportCommand& command) {
    switch (command.report) {
    case report::Report::NotFound:
        return journal::notFoundTable(journal::notFoundReport(db, command.days));
    case report::Report::Usage:
        return journal::usageTable(journal::usageReport(db, command.days, command.grouping),
                                   command.grouping);
    case report::Report::Availability: {
        const std::int64_t now = terminal::utcMillisecondsNow();
        const std::string day = command.day.empty() ? journal::localDayOf(now) : command.day;
        const journal::ManagementSettingsReading settings = journal::readManagementSettings(
            QDir(command.folder).filePath(journal::managementFileName));
        for (const QString& problem : settings.problems)
            print(stderr, (problem + u'\n').toUtf8());
        return journal::availabilityTable(
            journal::availabilityReport(db, day, settings.settings.openingHours, now));
    }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments == QStringList{QStringLiteral("--help")}) {
        print(stdout, report::usageText().toUtf8());
        return 0;
    }
    const report::ReportCommandReading reading = report::readReportCommand(arguments);
    if (!reading.command) {
        print(stderr,
              (QStringLiteral("veska-report: ") + reading.problem + u'\n' + report::usageText())
                  .toUtf8());
        return 1;
    }
    const report::ReportCommand& command = *reading.command;
    const QString path = journal::existingJournal(command.folder);
    if (path.isEmpty()) {
        const QStringList candidates = journal::journalCandidates(command.folder);
        print(stderr, (QStringLiteral("veska-report: nenhum diário de consultas encontrado; "
                                      "procurado em: ") +
                       candidates.join(QStringLiteral(", ")) + u'\n')
                          .toUtf8());
        return 2;
    }
    try {
        journal::SqliteConnection db(path, journal::SqliteConnection::Mode::ReadOnly);
        journal::checkJournal(db);
        const journal::ReportTable table = makeReport(db, command);
        print(stdout,
              command.csv ? journal::renderCsv(table) : journal::renderText(table).toUtf8());
    } catch (const std::exception& error) {
        print(stderr, QStringLiteral("veska-report: %1: %2\n")
                          .arg(path, QString::fromUtf8(error.what()))
                          .toUtf8());
        return 3;
    }
    return 0;
}

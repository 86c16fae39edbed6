#include "ReportCommand.h"

#include "journal/LocalDay.h"

namespace veska::report {
namespace {

bool isDay(const QString& text) {
    return journal::localDayStart(text.toStdString()) >= 0;
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "Uso: veska-report RELATÓRIO [opções]\n"
        "  not-found [--from AAAA-MM-DD] [--to AAAA-MM-DD] [--csv]\n"
        "      códigos consultados e não encontrados, os mais consultados primeiro\n"
        "  usage [--by hour|day|terminal] [--from AAAA-MM-DD] [--to AAAA-MM-DD] [--csv]\n"
        "      consultas, encontrados, não encontrados, indisponível e tempo mediano\n"
        "  availability [--day AAAA-MM-DD] [--csv]\n"
        "      minutos conectados de cada terminal no horário de funcionamento\n"
        "Opções comuns: --folder PASTA (a pasta da loja; padrão a pasta atual)\n");
}

ReportCommandReading readReportCommand(const QStringList& arguments) {
    const auto fail = [](const QString& problem) { return ReportCommandReading{{}, problem}; };
    if (arguments.isEmpty())
        return fail(QStringLiteral("falta o relatório"));
    ReportCommand command;
    const QString& name = arguments.front();
    if (name == u"not-found")
        command.report = Report::NotFound;
    else if (name == u"usage")
        command.report = Report::Usage;
    else if (name == u"availability")
        command.report = Report::Availability;
    else
        return fail(QStringLiteral("relatório desconhecido \"%1\"").arg(name));

    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString& option = arguments[index];
        if (option == u"--csv") {
            command.csv = true;
            continue;
        }
        const bool known = option == u"--folder" ||
                           (option == u"--from" && command.report != Report::Availability) ||
                           (option == u"--to" && command.report != Report::Availability) ||
                           (option == u"--by" && command.report == Report::Usage) ||
                           (option == u"--day" && command.report == Report::Availability);
        if (!known)
            return fail(QStringLiteral("opção desconhecida para %1: \"%2\"").arg(name, option));
        if (index + 1 >= arguments.size())
            return fail(QStringLiteral("falta o valor de %1").arg(option));
        const QString value = arguments[++index];
        if (option == u"--folder") {
            command.folder = value;
        } else if (option == u"--by") {
            if (value == u"hour")
                command.grouping = journal::UsageGrouping::Hour;
            else if (value == u"day")
                command.grouping = journal::UsageGrouping::Day;
            else if (value == u"terminal")
                command.grouping = journal::UsageGrouping::Terminal;
            else
                return fail(QStringLiteral("--by deve ser hour, day ou terminal"));
        } else {
            if (!isDay(value))
                return fail(
                    QStringLiteral("%1 deve ser uma data AAAA-MM-DD: \"%2\"").arg(option, value));
            (option == u"--from" ? command.days.from
             : option == u"--to" ? command.days.to
                                 : command.day) = value.toStdString();
        }
    }
    if (!command.days.from.empty() && !command.days.to.empty() &&
        command.days.from > command.days.to)
        return fail(QStringLiteral("--from depois de --to"));
    return {command, {}};
}

} // namespace veska::report

#include "journal/reports/ReportTable.h"

#include "journal/LocalDay.h"
#include "terminal/ConnectedTerminals.h"

#include <algorithm>
#include <cmath>

namespace veska::journal {
namespace {

QString when(std::int64_t utcMs) {
    return QString::fromStdString(localDateTimeText(utcMs));
}

QString milliseconds(const std::optional<std::int64_t>& microseconds) {
    return microseconds ? decimalText(static_cast<double>(*microseconds) / 1000.0) : QString();
}

QString csvField(const QString& text) {
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QString decimalText(double value) {
    return QString::number(std::round(value * 10.0) / 10.0, 'f', 1).replace(u'.', u',');
}

ReportTable notFoundTable(const std::vector<NotFoundCode>& codes) {
    ReportTable table;
    table.title = QStringLiteral("Códigos consultados e não encontrados");
    table.headers = {QStringLiteral("Código"), QStringLiteral("Vezes"),
                     QStringLiteral("Primeira vez"), QStringLiteral("Última vez"),
                     QStringLiteral("Terminais")};
    for (const NotFoundCode& code : codes) {
        QStringList terminals;
        for (const std::uint32_t address : code.terminals)
            terminals.append(terminal::dottedHostAddress(address));
        table.rows.push_back({code.code, QString::number(code.count), when(code.firstMs),
                              when(code.lastMs), terminals.join(QStringLiteral(", "))});
    }
    if (codes.empty())
        table.notes.append(QStringLiteral("Nenhum código deixou de ser encontrado no período."));
    return table;
}

ReportTable usageTable(const std::vector<UsageRow>& rows, UsageGrouping grouping) {
    ReportTable table;
    const QString by[] = {QStringLiteral("Hora"), QStringLiteral("Dia"),
                          QStringLiteral("Terminal")};
    table.title = QStringLiteral("Uso dos terminais");
    table.headers = {by[static_cast<int>(grouping)], QStringLiteral("Consultas"),
                     QStringLiteral("Encontrados"),  QStringLiteral("Não encontrados"),
                     QStringLiteral("Indisponível"), QStringLiteral("Tempo mediano (ms)")};
    for (const UsageRow& row : rows) {
        QString group = row.group;
        if (grouping == UsageGrouping::Hour) // "AAAA-MM-DD hh" as "dd/mm/aaaa hh:00"
            group = group.mid(8, 2) + u'/' + group.mid(5, 2) + u'/' + group.left(4) + u' ' +
                    group.mid(11, 2) + QStringLiteral(":00");
        else if (grouping == UsageGrouping::Day)
            group = group.mid(8, 2) + u'/' + group.mid(5, 2) + u'/' + group.left(4);
        table.rows.push_back({group, QString::number(row.scans), QString::number(row.found),
                              QString::number(row.notFound), QString::number(row.unavailable),
                              milliseconds(row.medianMicroseconds)});
    }
    if (rows.empty())
        table.notes.append(QStringLiteral("Nenhuma consulta no período."));
    return table;
}

ReportTable availabilityTable(const AvailabilityReport& report) {
    ReportTable table;
    const QString day = QString::fromStdString(report.day);
    // The end of the day is the day's 24:00, not the next day's 00:00.
    const std::int64_t midnight = localDayStart(nextDay(report.day));
    const auto clock = [midnight](std::int64_t utcMs) {
        return utcMs >= midnight ? QStringLiteral("24:00")
                                 : QString::fromStdString(localClockText(utcMs));
    };
    const std::int64_t openingMs = report.opening.toMs - report.opening.fromMs;
    table.title = QStringLiteral("Disponibilidade dos terminais em %1/%2/%3, das %4 às %5 "
                                 "(%6 minutos de funcionamento)")
                      .arg(day.mid(8, 2), day.mid(5, 2), day.left(4), clock(report.opening.fromMs),
                           clock(report.opening.toMs))
                      .arg(openingMs / 60000);
    table.headers = {QStringLiteral("Terminal"), QStringLiteral("Minutos conectado"),
                     QStringLiteral("Parcela do horário (%)"), QStringLiteral("Interrupções")};
    for (const TerminalAvailability& terminal : report.terminals) {
        QStringList gaps;
        for (const Interval& gap : terminal.gaps)
            gaps.append(clock(gap.fromMs) + QStringLiteral("–") + clock(gap.toMs));
        table.rows.push_back(
            {terminal::dottedHostAddress(terminal.address),
             QString::number(terminal.connectedMs / 60000), decimalText(terminal.share * 100.0),
             gaps.isEmpty() ? QStringLiteral("nenhuma") : gaps.join(QStringLiteral(", "))});
    }
    if (report.terminals.empty())
        table.notes.append(QStringLiteral("Nenhum terminal se conectou neste dia."));
    return table;
}

QString renderText(const ReportTable& table) {
    std::vector<qsizetype> widths;
    for (const QString& header : table.headers)
        widths.push_back(header.size());
    for (const QStringList& row : table.rows) {
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    const auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype column = 0; column < cells.size(); ++column) {
            const bool last = column + 1 == cells.size();
            text += last ? cells[column] : cells[column].leftJustified(widths[column] + 2);
        }
        return text + u'\n';
    };
    QString text = table.title + QStringLiteral("\n\n") + line(table.headers);
    QStringList rule;
    for (const qsizetype width : widths)
        rule.append(QString(width, u'-'));
    text += line(rule);
    for (const QStringList& row : table.rows)
        text += line(row);
    for (const QString& note : table.notes)
        text += u'\n' + note + u'\n';
    return text;
}

QByteArray renderCsv(const ReportTable& table) {
    QString text;
    const auto line = [&](const QStringList& cells) {
        QStringList fields;
        for (const QString& cell : cells)
            fields.append(csvField(cell));
        text += fields.join(u';') + QStringLiteral("\r\n");
    };
    line(table.headers);
    for (const QStringList& row : table.rows)
        line(row);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace veska::journal

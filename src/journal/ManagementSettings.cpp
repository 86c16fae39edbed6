#include "journal/ManagementSettings.h"

#include "catalogue/settings/TextFile.h"
#include "core/Errors.h"
#include "core/KeyValueLine.h"

#include <functional>
#include <map>

namespace veska::journal {
namespace {

constexpr qsizetype kByteLimit = 64 * 1024;

std::optional<int> parseNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<int> parseClock(QStringView text) {
    if (text.size() != 5 || text[2] != u':')
        return std::nullopt;
    bool hoursOk = false, minutesOk = false;
    const int hours = text.left(2).toInt(&hoursOk);
    const int minutes = text.mid(3).toInt(&minutesOk);
    if (!hoursOk || !minutesOk || minutes > 59 || hours > 24 || (hours == 24 && minutes != 0))
        return std::nullopt;
    return hours * 60 + minutes;
}

QString problemLine(qsizetype line, const QString& problem) {
    return QStringLiteral("%1, linha %2: %3 - vale o padrão.")
        .arg(managementFileName)
        .arg(line)
        .arg(problem);
}

} // namespace

std::optional<OpeningHours> parseOpeningHours(QStringView text) {
    const qsizetype dash = text.indexOf(u'-');
    if (dash < 0)
        return std::nullopt;
    const auto opens = parseClock(text.left(dash).trimmed());
    const auto closes = parseClock(text.mid(dash + 1).trimmed());
    if (!opens || !closes || *closes <= *opens)
        return std::nullopt;
    return OpeningHours{*opens, *closes};
}

ManagementSettingsReading parseManagementSettings(const QStringList& lines) {
    ManagementSettingsReading reading;
    ManagementSettings& s = reading.settings;
    // Each key's reader: the problem with the value, or empty when it was taken.
    using Reader = std::function<QString(const QString&)>;
    const auto text = [](QString& field) {
        return Reader([&field](const QString& value) {
            field = value;
            return QString();
        });
    };
    const auto number = [](auto& field, int low, int high, const QString& problem) {
        return Reader([&field, low, high, problem](const QString& value) {
            const auto read = parseNumber(value, low, high);
            if (!read)
                return problem;
            field = *read;
            return QString();
        });
    };
    const std::map<QString, Reader> readers = {
        {QStringLiteral("journal"),
         [&](const QString& value) {
             if (value.compare(u"on", Qt::CaseInsensitive) == 0)
                 s.journal = true;
             else if (value.compare(u"off", Qt::CaseInsensitive) == 0)
                 s.journal = false;
             else
                 return QStringLiteral("journal deve ser on ou off");
             return QString();
         }},
        {QStringLiteral("retention_days"),
         number(s.retentionDays, 1, 3650,
                QStringLiteral("retention_days deve ser um número de dias de 1 a 3650"))},
        {QStringLiteral("opening_hours"),
         [&](const QString& value) {
             const auto hours = parseOpeningHours(value);
             if (!hours)
                 return QStringLiteral("opening_hours deve ser como 08:00-22:00");
             s.openingHours = *hours;
             return QString();
         }},
        {QStringLiteral("alert_after_minutes"),
         number(s.alertAfterMinutes, 1, 1440,
                QStringLiteral("alert_after_minutes deve ser um número de 1 a 1440"))},
        {QStringLiteral("web_listen"), text(s.web.listen)},
        {QStringLiteral("web_password"), text(s.web.password)},
        {QStringLiteral("web_allow"), text(s.web.allow)},
        {QStringLiteral("web_certificate"), text(s.web.certificate)},
        {QStringLiteral("web_key"), text(s.web.key)},
    };
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const KeyValueLineReading line = readKeyValueLine(lines[index]);
        QString problem;
        if (line.missingEquals) {
            problem = missingEqualsProblem();
        } else if (!line.entry) {
            continue;
        } else if (const auto reader = readers.find(line.entry->key); reader == readers.end()) {
            problem = QStringLiteral("chave desconhecida \"%1\"").arg(line.entry->key);
        } else {
            problem = reader->second(line.entry->value);
        }
        if (!problem.isEmpty())
            reading.problems.append(problemLine(index + 1, problem));
    }
    return reading;
}

ManagementSettingsReading readManagementSettings(const QString& path) {
    if (!catalogue::isExistingFile(path))
        return {};
    try {
        catalogue::TextFileReader file(path, kByteLimit);
        if (file.cutShort()) {
            return {{},
                    {QStringLiteral("%1: arquivo maior que 64 KB - valem os padrões.")
                         .arg(managementFileName)}};
        }
        QStringList lines;
        while (!file.atEnd())
            lines.append(file.readLine());
        return parseManagementSettings(lines);
    } catch (const InOutError& error) {
        return {{},
                {QStringLiteral("%1: %2 - valem os padrões.")
                     .arg(managementFileName, catalogue::errorWithReason(error))}};
    }
}

} // namespace veska::journal

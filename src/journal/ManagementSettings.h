#pragma once
// The shop manager's settings, in the optional "gerencia.conf" of the shop folder, with the
// rules of balanca.conf (key = value, "#" comments, keys in any case). A line that cannot
// be read is named in a problem line and its key keeps the default; the other keys apply.
//
//   journal = on|off                 the scan journal (default on)
//   retention_days = N               raw journal rows kept, 1..3650 (default 90)
//   opening_hours = 08:00-22:00      the shop's opening hours (default the whole day)
//   alert_after_minutes = N          a terminal gone that long is announced (default never)
//   web_listen, web_password, web_allow, web_certificate, web_key   the web console

#include <QString>
#include <QStringList>
#include <optional>

namespace veska::journal {

inline const QString managementFileName = QStringLiteral("gerencia.conf");

struct OpeningHours {
    int opens = 0;     // minutes after midnight
    int closes = 1440; // after opens
    int minutes() const { return closes - opens; }
    bool operator==(const OpeningHours&) const = default;
};

// The web console's keys, as written (the console checks them when it starts).
struct WebConsoleKeys {
    QString listen;
    QString password;
    QString allow;
    QString certificate;
    QString key;
    bool operator==(const WebConsoleKeys&) const = default;
};

struct ManagementSettings {
    bool journal = true;
    int retentionDays = 90;
    OpeningHours openingHours;
    std::optional<int> alertAfterMinutes;
    WebConsoleKeys web;
};

struct ManagementSettingsReading {
    ManagementSettings settings;
    QStringList problems; // activity-log lines, each naming the file and the line
};

// The settings of those lines (the text of gerencia.conf).
ManagementSettingsReading parseManagementSettings(const QStringList& lines);

// The defaults without the file; a file that cannot be read gives one problem line.
ManagementSettingsReading readManagementSettings(const QString& path = managementFileName);

// "08:00-22:00"; nothing for other text.
std::optional<OpeningHours> parseOpeningHours(QStringView text);

} // namespace veska::journal

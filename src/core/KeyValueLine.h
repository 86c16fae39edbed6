#pragma once
// One line of the shop's own settings files (balanca.conf, gerencia.conf): "key = value",
// a "#" starts a comment, blank lines are skipped, keys are case-insensitive and both sides
// are trimmed as the classic Trim does.

#include <QString>
#include <optional>

namespace veska {

struct KeyValueLine {
    QString key;   // lower case
    QString value; // trimmed, may be empty
};

struct KeyValueLineReading {
    std::optional<KeyValueLine> entry; // nothing for a blank or comment line, or a problem
    bool missingEquals = false;        // text without "="
};

KeyValueLineReading readKeyValueLine(QStringView line);

// The problem text of a line without "=".
inline QString missingEqualsProblem() {
    return QStringLiteral("falta \"=\"");
}

} // namespace veska

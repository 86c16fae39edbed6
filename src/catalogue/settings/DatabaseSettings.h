#pragma once
// The database alias from the shop installation's settings files, in the working
// directory: "CONF_ARQ.SYS" (optional; its first line names a file whose existence is the
// path flag) and "SYS_INFO.INI" (required; line 1 holds the alias used when the path flag
// is set, line 2 the one used otherwise, in characters 15 to 44).

#include <QString>

namespace veska::catalogue {

class Database;

inline const QString confArqFileName = QStringLiteral("CONF_ARQ.SYS");
inline const QString sysInfoFileName = QStringLiteral("SYS_INFO.INI");

// Characters 15 to 44 (counted from 1) of a line, trimmed of codes up to 32; empty for a
// line shorter than 15 characters.
QString aliasFromLine(const QString& line);

// False without a "CONF_ARQ.SYS" file (a directory does not count); otherwise whether its
// first line, whole and untrimmed, names an existing file (not a directory).
bool readPathFlag();

// The window's LoadDatabaseSettings: with the path flag, sets line 1's alias (even empty)
// and connects; otherwise sets line 2's alias and connects when it is not empty, and does
// nothing more when it is. Raises InOutError for the files (also for a FIFO or device of
// either name, and for a SYS_INFO.INI over 64 KB), DatabaseError for the engine.
void loadDatabaseSettings(Database& database);

} // namespace veska::catalogue

#pragma once
// Settings that the Firebird client library reads from the environment before its first use,
// and the room the embedded engine needs in its lock folder.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace veska::catalogue {

// The embedded engine keeps its lock files in FIREBIRD_LOCK, by default /tmp/firebird, a
// folder that the first user creates with mode 0770 so that other users cannot use it.
// When FIREBIRD_LOCK is not set, this points it at a private folder of the current user
// (<temp>/consulta_veska-firebird-<uid>). Call before the first database call; the
// Database constructor does.
void prepareEmbeddedEngine();

// The engine maps three tables of 1 MiB from files in the lock folder (lock table,
// monitoring, user mapping), plus the small trace and event files; it touches their pages
// as it goes. A page that the file system cannot provide kills the process with SIGBUS, so
// the whole of them, and a step of growth of the lock table, must be free.
inline constexpr qint64 kLockFolderBytesNeeded = 4 * 1024 * 1024;

// The lock folder in force: FIREBIRD_LOCK, or the engine's default.
QString lockFolder();

// Whether the engine of this process attaches the database itself (a path or an alias of
// the embedded engine), rather than a server ("host:...", "host/port:...", "inet://...").
bool isEmbeddedDatabase(const QByteArray& database);

// Raises DatabaseError, in Portuguese, naming the folder and the room it lacks, when the lock
// folder has less than kLockFolderBytesNeeded free. A folder that cannot be examined (not
// there yet) is left to the engine.
void requireLockFolderRoom();

} // namespace veska::catalogue

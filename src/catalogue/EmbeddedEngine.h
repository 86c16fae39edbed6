#pragma once
// Settings that the Firebird client library reads from the environment before its first use.

namespace veska::catalogue {

// The embedded engine keeps its lock files in FIREBIRD_LOCK, by default /tmp/firebird, a
// folder that the first user creates with mode 0770 so that other users cannot use it.
// When FIREBIRD_LOCK is not set, this points it at a private folder of the current user
// (<temp>/consulta_veska-firebird-<uid>). Call before the first database call; the
// Database constructor does.
void prepareEmbeddedEngine();

} // namespace veska::catalogue

#pragma once
// The descriptors the process may hold. A desktop session (and systemd) starts programs with a soft
// limit of 1024, far below the hard limit; a flood of terminal connections could use them all, and
// then Qt, the database client and the program itself can open nothing. The soft limit is raised to
// the hard one at start-up (the terminal-server library keeps a reserve below it for the rest of
// the program).

namespace veska::shop::platform {

// Raises the soft limit of open files to the hard limit; returns the limit now in force.
long raiseOpenFileLimit();

} // namespace veska::shop::platform

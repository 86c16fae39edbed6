#pragma once
// The library step of window creation: initialise the terminal-server library and write
// its version as the first line of the activity log.

#include "core/Notices.h"
#include "terminal/TermServerApi.h"

namespace veska::terminal {

// Calls vInitialize, then dll_version, and appends "Versão da DLL: <version>".
void initializeLibraryAndLogVersion(const TermServerApi& api, ActivityLog& log);

} // namespace veska::terminal

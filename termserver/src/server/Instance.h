#pragma once
// The one server of the process behind the library's C functions. Tests that link the
// library's objects directly use it to read the bound port.

#include "server/Server.h"

namespace termserver {

Server& instance();

} // namespace termserver

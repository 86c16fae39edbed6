#pragma once
// Refusing a connection: the terminal is told why at once, without waiting for it.

#include "protocol/Messages.h"

namespace termserver {

// Writes the REFUSED frame for the reason to the newly accepted connection and drops what
// the terminal may have sent already; the caller closes the descriptor right after.
void sendRefusal(int fd, protocol::Refusal reason);

} // namespace termserver

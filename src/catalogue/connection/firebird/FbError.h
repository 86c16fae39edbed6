#pragma once
// Turning the client library's status vector into the system's DatabaseError, with the
// engine's own message text.

#include "core/Errors.h"

#include <ibase.h>

namespace veska::catalogue::firebird {

// An engine error that means the attachment is gone (server stopped, network broken,
// database shut down): the attachment must be dropped and a new one made.
class ConnectionLostError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

// The engine found the database damaged (a consistency check failed, a page could not be
// read). The engine may refuse everything on that attachment from then on, so it is
// dropped as a lost one; a new attachment reads the file afresh.
class DamagedDatabaseError : public ConnectionLostError {
public:
    using ConnectionLostError::ConnectionLostError;
};

// The engine's internal consistency check failed (a bugcheck). An embedded engine refuses
// every attachment of its process from then on.
class BugcheckError : public DamagedDatabaseError {
public:
    using DamagedDatabaseError::DamagedDatabaseError;
};

// A text value does not fit the column or parameter it was given for.
class StringTruncationError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

// Throws veska::DatabaseError (ConnectionLostError when the attachment is gone) with every
// message of the status vector, one per line.
[[noreturn]] void raise(const ISC_STATUS* status);

// Calls raise() when the status vector holds an error.
void check(const ISC_STATUS* status);

bool isConnectionLost(const ISC_STATUS* status);
bool isDamage(const ISC_STATUS* status);
bool isBugcheck(const ISC_STATUS* status);
bool isStringTruncation(const ISC_STATUS* status);

} // namespace veska::catalogue::firebird

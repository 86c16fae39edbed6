#include "catalogue/connection/firebird/FbError.h"

#include <QString>
#include <algorithm>
#include <iberror.h>
#include <initializer_list>

namespace veska::catalogue::firebird {

void raise(const ISC_STATUS* status) {
    QString message;
    const ISC_STATUS* cursor = status;
    char line[1024];
    while (fb_interpret(line, sizeof line, &cursor) > 0) {
        if (!message.isEmpty())
            message += QLatin1Char('\n');
        // The client's messages are in the client's 8-bit form; file names may hold UTF-8.
        message += QString::fromLocal8Bit(line);
    }
    if (message.isEmpty())
        message = QStringLiteral("Firebird error %1").arg(status[1]);
    if (isBugcheck(status))
        throw BugcheckError(message);
    if (isDamage(status))
        throw DamagedDatabaseError(message);
    if (isConnectionLost(status))
        throw ConnectionLostError(message);
    if (isStringTruncation(status))
        throw StringTruncationError(message);
    throw DatabaseError(message);
}

void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0)
        raise(status);
}

namespace {

// Whether the status vector holds one of the codes. It is walked cluster by cluster:
// isc_arg_gds codes are the ones that tell.
bool holdsCode(const ISC_STATUS* status, std::initializer_list<ISC_STATUS> codes) {
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = p[0];
        if (kind == isc_arg_gds && std::find(codes.begin(), codes.end(), p[1]) != codes.end())
            return true;
        p += (kind == isc_arg_cstring) ? 3 : 2;
    }
    return false;
}

} // namespace

bool isConnectionLost(const ISC_STATUS* status) {
    return holdsCode(status,
                     {isc_network_error, isc_net_read_err, isc_net_write_err,
                      isc_lost_db_connection, isc_shutdown, isc_att_shutdown, isc_bad_db_handle});
}

bool isDamage(const ISC_STATUS* status) {
    return holdsCode(status, {isc_bug_check, isc_db_corrupt, isc_io_error});
}

bool isBugcheck(const ISC_STATUS* status) {
    return holdsCode(status, {isc_bug_check});
}

bool isStringTruncation(const ISC_STATUS* status) {
    return holdsCode(status, {isc_string_truncation});
}

} // namespace veska::catalogue::firebird

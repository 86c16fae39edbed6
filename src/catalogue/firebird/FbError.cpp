#include "catalogue/firebird/FbError.h"

#include <QString>
#include <iberror.h>

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
    if (isConnectionLost(status))
        throw ConnectionLostError(message);
    throw DatabaseError(message);
}

void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0)
        raise(status);
}

bool isConnectionLost(const ISC_STATUS* status) {
    // Walks the clusters of the status vector: isc_arg_gds codes are the ones that tell.
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = p[0];
        if (kind == isc_arg_gds) {
            switch (p[1]) {
            case isc_network_error:
            case isc_net_read_err:
            case isc_net_write_err:
            case isc_lost_db_connection:
            case isc_shutdown:
            case isc_att_shutdown:
            case isc_bad_db_handle:
                return true;
            default:
                break;
            }
        }
        p += (kind == isc_arg_cstring) ? 3 : 2;
    }
    return false;
}

} // namespace veska::catalogue::firebird

#pragma once
// cpp-httplib's server with the console's own connections: each address holds at most so
// many at once, each request must come whole within the request time, and with a
// certificate every connection is TLS. The routes, the parsing of requests and the writing of
// answers stay the library's.

#include "web/http/ConnectionCaps.h"
#include "web/http/ConnectionLimits.h"
#include "web/http/ConnectionStream.h"
#include "web/http/TlsContext.h"

#include <httplib.h>
#include <optional>

namespace veska::web {

class ConsoleHttpServer final : public httplib::Server {
public:
    ConsoleHttpServer(const ConnectionLimits& limits, std::optional<TlsContext> tls);
    bool secure() const { return tls_.has_value(); }

private:
    bool process_and_close_socket(int socket) override;
    bool serve(ConnectionStream& stream);
    // Whether the next request begins before the deadline; false at once when the server stops.
    bool nextRequest(const ConnectionStream& stream,
                     ConnectionStream::Clock::time_point deadline) const;

    ConnectionLimits limits_;
    std::optional<TlsContext> tls_;
    ConnectionCaps caps_;
};

} // namespace veska::web

#include "web/http/ConsoleHttpServer.h"

#include <algorithm>
#include <sys/socket.h>
#include <unistd.h>

namespace veska::web {

ConsoleHttpServer::ConsoleHttpServer(const ConnectionLimits& limits, std::optional<TlsContext> tls)
    : limits_(limits), tls_(std::move(tls)), caps_(limits.perAddress) {
    const std::size_t workers = limits_.workers;
    new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
}

bool ConsoleHttpServer::process_and_close_socket(int socket) {
    bool served = false;
    {
        ConnectionStream stream(socket, limits_.requestTime);
        const ConnectionCaps::Place place(caps_, stream.remoteAddress());
        if (place.admitted())
            served = serve(stream);
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return served;
}

bool ConsoleHttpServer::serve(ConnectionStream& stream) {
    using Clock = ConnectionStream::Clock;
    if (tls_ && !stream.acceptTls(*tls_, Clock::now() + limits_.requestTime))
        return false;
    bool served = false;
    for (std::size_t left = limits_.requestsPerConnection;
         left > 0 && nextRequest(stream, Clock::now() + limits_.keepAlive); --left) {
        stream.setReadDeadline(Clock::now() + limits_.requestTime);
        bool closed = false;
        served = process_request(stream, left == 1, closed, nullptr);
        if (!served || closed)
            break;
    }
    return served;
}

bool ConsoleHttpServer::nextRequest(const ConnectionStream& stream,
                                    ConnectionStream::Clock::time_point deadline) const {
    constexpr std::chrono::milliseconds step{100};
    while (svr_sock_ != INVALID_SOCKET) {
        const auto now = ConnectionStream::Clock::now();
        if (now >= deadline)
            return false;
        if (stream.waitForRequest(std::min(deadline, now + step)))
            return true;
    }
    return false;
}

} // namespace veska::web

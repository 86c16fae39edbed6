#include "web/http/ConnectionStream.h"

#include "web/http/TlsContext.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

namespace veska::web {

namespace {

void addressOf(int socket, bool remote, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    sockaddr* raw = reinterpret_cast<sockaddr*>(&address);
    const int done =
        remote ? ::getpeername(socket, raw, &length) : ::getsockname(socket, raw, &length);
    ip.clear();
    port = 0;
    if (done != 0 || address.ss_family != AF_INET)
        return;
    const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    ip = text;
    port = ntohs(in->sin_port);
}

} // namespace

ConnectionStream::ConnectionStream(int socket, std::chrono::milliseconds writeTimeout)
    : socket_(socket), writeTimeout_(writeTimeout) {
    ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
    addressOf(socket_, true, remoteAddress_, remotePort_);
}

ConnectionStream::~ConnectionStream() {
    if (ssl_ != nullptr) {
        SSL_shutdown(ssl_);
        SSL_free(ssl_);
    }
}

bool ConnectionStream::wait(short events, Clock::time_point deadline) const {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{socket_, events, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return (watched.revents & (events | POLLHUP | POLLERR)) != 0;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

bool ConnectionStream::waitForTls(int result, Clock::time_point deadline) const {
    switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        return wait(POLLIN, deadline);
    case SSL_ERROR_WANT_WRITE:
        return wait(POLLOUT, deadline);
    default:
        ERR_clear_error();
        return false;
    }
}

bool ConnectionStream::acceptTls(const TlsContext& tls, Clock::time_point deadline) {
    ssl_ = SSL_new(tls.get());
    if (ssl_ == nullptr || SSL_set_fd(ssl_, socket_) != 1)
        return false;
    for (;;) {
        const int done = SSL_accept(ssl_);
        if (done == 1)
            return true;
        if (!waitForTls(done, deadline))
            return false;
    }
}

bool ConnectionStream::waitForRequest(Clock::time_point deadline) const {
    return (ssl_ != nullptr && SSL_pending(ssl_) > 0) || wait(POLLIN, deadline);
}

bool ConnectionStream::is_readable() const {
    return waitForRequest(readDeadline_);
}

bool ConnectionStream::is_writable() const {
    return wait(POLLOUT, Clock::now() + writeTimeout_);
}

template <class Step>
ssize_t ConnectionStream::transfer(short events, Clock::time_point deadline, Step step) {
    for (;;) {
        const ssize_t done = step();
        if (ssl_ != nullptr) {
            if (done > 0)
                return done;
            if (!waitForTls(static_cast<int>(done), deadline))
                return -1;
            continue;
        }
        if (done >= 0)
            return done;
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !wait(events, deadline))
            return -1;
    }
}

ssize_t ConnectionStream::read(char* data, size_t size) {
    const int tlsSize = static_cast<int>(std::min<size_t>(size, 1 << 30));
    return transfer(POLLIN, readDeadline_, [&]() -> ssize_t {
        return ssl_ != nullptr ? SSL_read(ssl_, data, tlsSize) : ::recv(socket_, data, size, 0);
    });
}

ssize_t ConnectionStream::write(const char* data, size_t size) {
    const int tlsSize = static_cast<int>(std::min<size_t>(size, 1 << 30));
    return transfer(POLLOUT, Clock::now() + writeTimeout_, [&]() -> ssize_t {
        return ssl_ != nullptr ? SSL_write(ssl_, data, tlsSize)
                               : ::send(socket_, data, size, MSG_NOSIGNAL);
    });
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    ip = remoteAddress_;
    port = remotePort_;
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
    addressOf(socket_, false, ip, port);
}

} // namespace veska::web

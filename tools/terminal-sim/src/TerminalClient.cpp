#include "TerminalClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace terminalsim {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

std::optional<sockaddr_in> ipv4(const std::string& host, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        return std::nullopt;
    return address;
}

} // namespace

std::optional<Endpoint> parseEndpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    Endpoint endpoint{std::string(text.substr(0, colon)), 0};
    const std::string_view port = text.substr(colon + 1);
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), endpoint.port);
    if (ec != std::errc{} || end != port.data() + port.size() || port.empty() ||
        !ipv4(endpoint.host, endpoint.port))
        return std::nullopt;
    return endpoint;
}

std::optional<TerminalClient> TerminalClient::connect(const Endpoint& server,
                                                      const std::string& bindAddress,
                                                      std::chrono::milliseconds timeout,
                                                      std::string* error) {
    auto fail = [error](std::string reason) -> std::optional<TerminalClient> {
        if (error != nullptr)
            *error = std::move(reason);
        return std::nullopt;
    };
    const auto target = ipv4(server.host, server.port);
    if (!target)
        return fail("bad server address " + server.host);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(std::string("socket: ") + std::strerror(errno));
    TerminalClient client(fd);
    if (!bindAddress.empty()) {
        const auto local = ipv4(bindAddress, 0);
        if (!local)
            return fail("bad bind address " + bindAddress);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&*local), sizeof *local) != 0)
            return fail("bind " + bindAddress + ": " + std::strerror(errno));
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&*target), sizeof *target) != 0) {
        if (errno != EINPROGRESS)
            return fail(std::string("connect: ") + std::strerror(errno));
        if (!waitFor(fd, POLLOUT, Clock::now() + timeout))
            return fail("connect: timed out");
        int status = 0;
        socklen_t length = sizeof status;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &length);
        if (status != 0)
            return fail(std::string("connect: ") + std::strerror(status));
    }
    return client;
}

TerminalClient::TerminalClient(TerminalClient&& other) noexcept
    : fd_(other.fd_), parser_(std::move(other.parser_)), frames_(std::move(other.frames_)),
      closed_(other.closed_), bad_(other.bad_) {
    other.fd_ = -1;
}

TerminalClient& TerminalClient::operator=(TerminalClient&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
        parser_ = std::move(other.parser_);
        frames_ = std::move(other.frames_);
        closed_ = other.closed_;
        bad_ = other.bad_;
    }
    return *this;
}

TerminalClient::~TerminalClient() {
    close();
}

void TerminalClient::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool TerminalClient::sendRaw(std::string_view bytes) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!bytes.empty()) {
        if (fd_ < 0)
            return false;
        const ssize_t written = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd_, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool TerminalClient::scan(std::string_view barcode) {
    std::string frame = "SCAN\t";
    frame.append(barcode);
    frame.push_back('\n');
    return sendRaw(frame);
}

bool TerminalClient::ping() {
    return sendRaw("PING\n");
}

bool TerminalClient::finishSending() {
    return fd_ >= 0 && ::shutdown(fd_, SHUT_WR) == 0;
}

bool TerminalClient::pump() {
    if (broken() || fd_ < 0)
        return false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            closed_ = true;
            return false;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return true;
        }
        const char* begin = buffer;
        const char* const end = buffer + n;
        while (begin != end) {
            const auto [result, next] = parser_.parse(begin, end);
            begin = next;
            if (result == termserver::protocol::FrameParser::Result::Good) {
                frames_.push_back(parser_.takeFrame());
            } else if (result == termserver::protocol::FrameParser::Result::Bad) {
                bad_ = true;
                return false;
            }
        }
    }
}

std::optional<termserver::protocol::Frame> TerminalClient::popFrame() {
    if (frames_.empty())
        return std::nullopt;
    auto frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
}

TerminalClient::Received TerminalClient::receive(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto frame = popFrame())
            return {Status::Frame, std::move(*frame)};
        if (bad_)
            return {Status::Bad, {}};
        if (closed_ || fd_ < 0)
            return {Status::Closed, {}};
        if (!waitFor(fd_, POLLIN, deadline))
            return {Status::Timeout, {}};
        pump();
    }
}

} // namespace terminalsim

#include "LoopbackTerminal.h"

#include "LoopbackEndpoint.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace veska::terminal::test {
namespace {

constexpr int kTimeoutSeconds = 3;

sockaddr_in ownEndpoint() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(veska::test::kOwnLoopbackPort);
    ::inet_pton(AF_INET, veska::test::ownLoopbackAddress().c_str(), &address.sin_addr);
    return address;
}

sockaddr* generic(sockaddr_in* address) {
    return reinterpret_cast<sockaddr*>(address);
}

} // namespace

LoopbackTerminal::LoopbackTerminal() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ < 0)
        return;
    timeval timeout{};
    timeout.tv_sec = kTimeoutSeconds;
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address = ownEndpoint();
    if (::connect(socket_, generic(&address), sizeof address) != 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

LoopbackTerminal::~LoopbackTerminal() {
    if (socket_ >= 0)
        ::close(socket_);
}

void LoopbackTerminal::send(const std::string& frame) {
    std::size_t sent = 0;
    while (socket_ >= 0 && sent < frame.size()) {
        const ssize_t n = ::send(socket_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string LoopbackTerminal::readLine() {
    // Bounded: each receive waits at most the time-out, and a line is at most 128 bytes.
    for (int reads = 0; reads < 256; ++reads) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        char buffer[256];
        const ssize_t n = socket_ >= 0 ? ::recv(socket_, buffer, sizeof buffer, 0) : -1;
        if (n <= 0)
            return {};
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    return {};
}

bool LoopbackTerminal::closedByServer() {
    for (int reads = 0; reads < 256; ++reads) {
        char buffer[256];
        const ssize_t n = socket_ >= 0 ? ::recv(socket_, buffer, sizeof buffer, 0) : -1;
        if (n == 0)
            return true;
        if (n < 0) // a time-out leaves it open; a reset closed it
            return errno != EAGAIN && errno != EWOULDBLOCK;
    }
    return false;
}

} // namespace veska::terminal::test

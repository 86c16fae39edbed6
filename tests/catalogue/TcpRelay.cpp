#include "TcpRelay.h"

#include "LoopbackEndpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace veska::catalogue::test {
namespace {

// The relay's endpoint and one where nothing listens, both of this process alone.
constexpr std::uint16_t kRelayPort = veska::test::kOwnLoopbackPort + 40;
constexpr std::uint16_t kUnreachablePort = veska::test::kOwnLoopbackPort + 41;

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

sockaddr_in ownLoopback(std::uint16_t port) {
    sockaddr_in address = loopback(port);
    ::inet_pton(AF_INET, veska::test::ownLoopbackAddress().c_str(), &address.sin_addr);
    return address;
}

int connectTo(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Moves what is readable from one socket to the other; false when the pair is done.
bool pass(int from, int to) {
    char buffer[16384];
    const ssize_t count = ::read(from, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    for (ssize_t sent = 0; sent < count;) {
        const ssize_t n =
            ::send(to, buffer + sent, static_cast<size_t>(count - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

} // namespace

TcpRelay::TcpRelay(std::uint16_t upstreamPort) : upstreamPort_(upstreamPort) {}

TcpRelay::~TcpRelay() {
    stop();
}

void TcpRelay::start() {
    stop();
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const sockaddr_in address = ownLoopback(kRelayPort);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0) {
        ::close(listener);
        throw std::runtime_error("the relay cannot listen");
    }
    stopping_ = false;
    thread_ = std::thread([this, listener] { run(listener); });
}

std::string TcpRelay::server() const {
    return veska::test::ownLoopbackAddress() + "/" + std::to_string(kRelayPort);
}

void TcpRelay::stop() {
    if (!thread_.joinable())
        return;
    stopping_ = true;
    thread_.join();
}

void TcpRelay::run(int listener) {
    struct Pair {
        int client;
        int server;
    };
    std::vector<Pair> pairs;
    while (!stopping_) {
        if (frozen_) {
            ::poll(nullptr, 0, 20);
            continue;
        }
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Pair& pair : pairs) {
            fds.push_back({pair.client, POLLIN, 0});
            fds.push_back({pair.server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), 50) <= 0)
            continue;
        std::vector<Pair> alive;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                const int server = connectTo(upstreamPort_);
                if (server < 0)
                    ::close(client);
                else
                    alive.push_back({client, server});
            }
        }
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const pollfd& c = fds[1 + 2 * i];
            const pollfd& s = fds[2 + 2 * i];
            bool ok = true;
            if (c.revents & (POLLIN | POLLHUP | POLLERR))
                ok = pass(pairs[i].client, pairs[i].server);
            if (ok && (s.revents & (POLLIN | POLLHUP | POLLERR)))
                ok = pass(pairs[i].server, pairs[i].client);
            if (ok) {
                alive.push_back(pairs[i]);
            } else {
                ::close(pairs[i].client);
                ::close(pairs[i].server);
            }
        }
        pairs = std::move(alive);
    }
    for (const Pair& pair : pairs) {
        ::shutdown(pair.client, SHUT_RDWR);
        ::close(pair.client);
        ::close(pair.server);
    }
    ::close(listener);
}

std::string unreachableServer() {
    return veska::test::ownLoopbackAddress() + "/" + std::to_string(kUnreachablePort);
}

bool loopbackPortAnswers(std::uint16_t port) {
    const int fd = connectTo(port);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace veska::catalogue::test

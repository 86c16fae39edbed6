#pragma once
// A loopback TCP relay in front of the Firebird server: the program connects to the relay,
// which passes the bytes on. Stopping it closes every connection and the listening port, as
// a stopped server would; starting it again on the same port brings the "server" back.
// Freezing it passes nothing on and accepts nothing while the connections stay open, as a
// hung server does (its kernel still takes new connections into the backlog); thawing it
// passes on what waited.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace veska::catalogue::test {

class TcpRelay {
public:
    explicit TcpRelay(std::uint16_t upstreamPort);
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;
    ~TcpRelay();

    // Listens on this test process's own loopback address (always the same endpoint, so
    // no other process can take it while the relay is stopped) and relays until stop().
    void start();
    void stop();
    void freeze() { frozen_ = true; }
    void thaw() { frozen_ = false; }
    // "127.A.B.C/PORT", as a Firebird connection string names a server.
    std::string server() const;

private:
    void run(int listener);

    std::uint16_t upstreamPort_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> frozen_{false};
    std::thread thread_;
};

// "127.A.B.C/PORT" on this process's own loopback address, where nothing listens.
std::string unreachableServer();

// Whether something accepts connections on 127.0.0.1:port.
bool loopbackPortAnswers(std::uint16_t port);

} // namespace veska::catalogue::test

#pragma once
// One console connection as cpp-httplib reads and writes it: a non-blocking socket, over TLS
// when the console has a certificate. Each request must come whole before its deadline: a
// client that sends a byte now and then is closed at the deadline, not kept for ever.

#include <chrono>
#include <httplib.h>
#include <string>

using SSL = struct ssl_st;

namespace veska::web {

class TlsContext;

class ConnectionStream final : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;

    // The socket is made non-blocking; it stays the caller's to close.
    ConnectionStream(int socket, std::chrono::milliseconds writeTimeout);
    ~ConnectionStream() override;
    ConnectionStream(const ConnectionStream&) = delete;
    ConnectionStream& operator=(const ConnectionStream&) = delete;

    // The TLS handshake, done by the deadline; false when it failed or did not end in time.
    bool acceptTls(const TlsContext& tls, Clock::time_point deadline);
    // Whether a request begins before the deadline (keep-alive waits here).
    bool waitForRequest(Clock::time_point deadline) const;
    // Reads of the next request end at this time.
    void setReadDeadline(Clock::time_point deadline) { readDeadline_ = deadline; }
    const std::string& remoteAddress() const { return remoteAddress_; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* data, size_t size) override;
    ssize_t write(const char* data, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return socket_; }

private:
    bool wait(short events, Clock::time_point deadline) const;
    // One read or write (step), again until it moves bytes, fails, or the deadline passes.
    template <class Step> ssize_t transfer(short events, Clock::time_point deadline, Step step);
    // After an SSL call that could not go on: waits for what it wants; false on failure.
    bool waitForTls(int result, Clock::time_point deadline) const;

    int socket_;
    std::chrono::milliseconds writeTimeout_;
    Clock::time_point readDeadline_ = Clock::now();
    SSL* ssl_ = nullptr;
    std::string remoteAddress_;
    int remotePort_ = 0;
};

} // namespace veska::web

#pragma once
// The terminal server behind the library's functions: a listening socket and its
// connections on one network thread, with a registry that the caller's thread reads and
// changes only under the mutex. It holds as many connections as the process's open-file
// limit allows beside the rest of the program, and refuses the others, also when accept()
// finds no descriptor free.

#include "server/Config.h"
#include "server/Registry.h"
#include "server/Session.h"
#include "server/WakeSignal.h"

#include <asio.hpp>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace termserver {

class Server final : public SessionOwner {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens on the configured endpoint and starts the network thread. A start
    // while running succeeds and changes nothing.
    std::error_code start(const Config& config);
    // Closes every connection, stops listening and joins the network thread.
    void stop();
    bool running() const;
    // The port actually bound (useful when port 0 was asked for); 0 when stopped.
    std::uint16_t boundPort() const;
    codepage::CodePage codePage() const;

    std::optional<ReceivedScan> takeScan(std::size_t* stillPending);
    // Sends a price or not-found frame, made for the barcode it answers ("" when it answers
    // no scan), to the address's reply target. False when the address has no connection.
    bool sendReply(std::uint32_t address,
                   const std::function<std::string(std::string_view barcode)>& frameFor);
    // Sends a display message to the address's most recently active connection.
    bool sendMessage(std::uint32_t address, std::string frame);
    void fillTable(TTABSOCK& table) const;
    std::size_t connectionCount() const;
    // Readable while a scan waits for takeScan (tc_wakefd); -1 when there is none.
    int wakeDescriptor() const { return wake_.descriptor(); }

private:
    struct Runtime;

    void acceptOn(Runtime* runtime);
    void acceptWhenReady(Runtime* runtime);
    void acceptLater(Runtime* runtime);
    static bool refuseWithSpare(Runtime* runtime);
    void admit(asio::ip::tcp::socket socket);
    bool post(std::uint16_t socket, std::string frame);
    // Called with the mutex held after the queue may have changed.
    void updateWake() { wake_.set(registry_.pendingScans() > 0); }

    std::optional<ScanId> onScan(std::uint16_t socket, std::string barcode) override;
    void onScanExpired(std::uint16_t socket, ScanId scan) override;
    void onActivity(std::uint16_t socket) override;
    void onClosed(std::uint16_t socket) override;

    mutable std::mutex mutex_;
    Registry registry_;
    std::map<std::uint16_t, std::shared_ptr<Session>> sessions_;
    std::unique_ptr<Runtime> runtime_;
    Config config_;
    std::uint16_t boundPort_ = 0;
    WakeSignal wake_;
};

} // namespace termserver

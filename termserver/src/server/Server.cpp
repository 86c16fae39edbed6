#include "server/Server.h"

#include "protocol/Messages.h"
#include "server/DescriptorBudget.h"
#include "server/Refusal.h"
#include "server/Version.h"

#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace termserver {
namespace {

bool outOfDescriptors(const std::error_code& error) {
    return error.category() == asio::error::get_system_category() &&
           (error.value() == EMFILE || error.value() == ENFILE);
}

} // namespace

struct Server::Runtime {
    asio::io_context io{1};
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
    asio::ip::tcp::acceptor acceptor{io};
    asio::steady_timer acceptRetry{io};
    SpareDescriptor spare;
    std::thread thread;
};

Server::Server() = default;
Server::~Server() {
    stop();
}

std::error_code Server::start(const Config& config) {
    std::lock_guard lock(mutex_);
    if (runtime_)
        return {};
    auto runtime = std::make_unique<Runtime>();
    std::error_code error;
    const auto address = asio::ip::make_address_v4(config.listen.address, error);
    if (error)
        return std::make_error_code(std::errc::invalid_argument);
    const asio::ip::tcp::endpoint endpoint(address, config.listen.port);
    auto& acceptor = runtime->acceptor;
    acceptor.open(endpoint.protocol(), error);
    // Lets a restarted server bind again while old connections linger in TIME_WAIT.
    if (!error)
        acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error)
        acceptor.bind(endpoint, error);
    if (!error)
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        // Asio reports socket failures in its own system category; callers want errno.
        if (error.category() == asio::error::get_system_category())
            return {error.value(), std::system_category()};
        return error;
    }
    boundPort_ = acceptor.local_endpoint(error).port();
    config_ = config;
    registry_.clear();
    updateWake();
    registry_.setLimits(RegistryLimits{termserver::connectionCap(), config.connectionsPerAddress,
                                       config.queuedScansPerAddress});
    runtime_ = std::move(runtime);
    acceptOn(runtime_.get());
    runtime_->thread = std::thread([io = &runtime_->io] { io->run(); });
    return {};
}

void Server::stop() {
    std::unique_ptr<Runtime> runtime;
    {
        std::lock_guard lock(mutex_);
        if (!runtime_)
            return;
        runtime = std::move(runtime_);
        boundPort_ = 0;
    }
    // Everything below runs on the network thread, which ends once no work is left.
    asio::post(runtime->io, [this, rt = runtime.get()] {
        std::error_code ignored;
        rt->acceptor.close(ignored);
        rt->acceptRetry.cancel();
        std::map<std::uint16_t, std::shared_ptr<Session>> sessions;
        {
            std::lock_guard lock(mutex_);
            sessions = sessions_;
        }
        for (auto& [number, session] : sessions)
            session->close();
    });
    runtime->work.reset();
    runtime->thread.join();
    std::lock_guard lock(mutex_);
    sessions_.clear();
    registry_.clear();
    updateWake();
}

bool Server::running() const {
    std::lock_guard lock(mutex_);
    return runtime_ != nullptr;
}

std::uint16_t Server::boundPort() const {
    std::lock_guard lock(mutex_);
    return boundPort_;
}

codepage::CodePage Server::codePage() const {
    std::lock_guard lock(mutex_);
    return config_.codePage;
}

void Server::acceptOn(Runtime* rt) {
    rt->acceptor.async_accept([this, rt](std::error_code error, asio::ip::tcp::socket socket) {
        if (error == asio::error::operation_aborted || !rt->acceptor.is_open())
            return;
        if (!error) {
            admit(std::move(socket));
            acceptOn(rt);
        } else if (outOfDescriptors(error) && refuseWithSpare(rt)) {
            acceptWhenReady(rt);
        } else {
            acceptLater(rt);
        }
    });
}

void Server::acceptWhenReady(Runtime* rt) {
    // Linux takes the new descriptor before it looks for a waiting connection, so while no
    // descriptor is free every accept() fails at once, connection or not. Waiting until a
    // connection is there keeps the loop from spinning meanwhile.
    rt->acceptor.async_wait(asio::socket_base::wait_read, [this, rt](std::error_code error) {
        if (error == asio::error::operation_aborted || !rt->acceptor.is_open())
            return;
        acceptOn(rt);
    });
}

void Server::acceptLater(Runtime* rt) {
    // A transient failure, or no descriptor even for refusing: try again shortly, never spin.
    rt->acceptRetry.expires_after(std::chrono::milliseconds(100));
    rt->acceptRetry.async_wait([this, rt](std::error_code waitError) {
        if (!waitError && rt->acceptor.is_open())
            acceptOn(rt);
    });
}

bool Server::refuseWithSpare(Runtime* rt) {
    // Every descriptor is taken. The spare one makes room to accept the waiting connection
    // and refuse it, so that it does not wait in the backlog without a word.
    if (!rt->spare.acquire())
        return false;
    rt->spare.release();
    const int fd =
        ::accept4(rt->acceptor.native_handle(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        sendRefusal(fd, protocol::Refusal::ServerFull);
        ::close(fd);
    }
    rt->spare.acquire(); // when another thread took the number meanwhile, the next try waits
    return true;
}

void Server::admit(asio::ip::tcp::socket socket) {
    std::error_code error;
    const auto peer = socket.remote_endpoint(error);
    if (error || !peer.address().is_v4())
        return; // the peer is already gone; the socket closes here
    const std::uint32_t address = htonl(peer.address().to_v4().to_uint());
    std::shared_ptr<Session> session;
    std::shared_ptr<Session> evicted;
    {
        std::lock_guard lock(mutex_);
        auto refusal = protocol::Refusal::NotAllowed;
        const auto admission =
            config_.allow.permits(address) ? registry_.admit(address, &refusal) : std::nullopt;
        if (!admission) {
            sendRefusal(socket.native_handle(), refusal);
            socket.close(error);
            return;
        }
        if (admission->evicted) {
            // The registry has let it go already; its session closes below, unlocked.
            const auto found = sessions_.find(*admission->evicted);
            if (found != sessions_.end()) {
                evicted = found->second;
                sessions_.erase(found);
            }
        }
        session =
            std::make_shared<Session>(std::move(socket), admission->socket, *this,
                                      SessionTimeouts{config_.idleTimeout, config_.answerTimeout});
        sessions_.emplace(admission->socket, session);
    }
    if (evicted)
        evicted->close();
    session->start(protocol::helloFrame(kLibraryVersion));
}

bool Server::post(std::uint16_t socket, std::string frame) {
    // Called with the mutex held.
    const auto found = sessions_.find(socket);
    if (found == sessions_.end() || !runtime_)
        return false;
    asio::post(runtime_->io, [session = found->second, frame = std::move(frame)]() mutable {
        session->send(std::move(frame));
    });
    return true;
}

std::optional<ReceivedScan> Server::takeScan(std::size_t* stillPending) {
    std::lock_guard lock(mutex_);
    auto scan = registry_.takeScan();
    updateWake();
    if (stillPending != nullptr)
        *stillPending = registry_.pendingScans();
    return scan;
}

bool Server::sendReply(std::uint32_t address,
                       const std::function<std::string(std::string_view barcode)>& frameFor) {
    std::lock_guard lock(mutex_);
    auto target = registry_.takeReplyTarget(address);
    if (!target)
        return false;
    const auto found = sessions_.find(target->socket);
    if (target->stale || found == sessions_.end() || !runtime_)
        return registry_.hasConnection(address); // its scan has had its answer already
    if (target->scan == 0)
        return post(target->socket, frameFor(""));
    asio::post(runtime_->io, [session = found->second, scan = target->scan,
                              frame = frameFor(target->barcode)]() mutable {
        session->answer(scan, std::move(frame));
    });
    return true;
}

bool Server::sendMessage(std::uint32_t address, std::string frame) {
    std::lock_guard lock(mutex_);
    const auto target = registry_.mostRecentlyActive(address);
    return target && post(*target, std::move(frame));
}

void Server::fillTable(TTABSOCK& table) const {
    std::lock_guard lock(mutex_);
    registry_.fillTable(table);
}

std::size_t Server::connectionCount() const {
    std::lock_guard lock(mutex_);
    return registry_.connectionCount();
}

std::optional<ScanId> Server::onScan(std::uint16_t socket, std::string barcode) {
    std::lock_guard lock(mutex_);
    auto scan = registry_.addScan(socket, std::move(barcode));
    updateWake();
    return scan;
}

void Server::onScanExpired(std::uint16_t socket, ScanId scan) {
    std::lock_guard lock(mutex_);
    registry_.expireScan(socket, scan);
    updateWake();
}

void Server::onActivity(std::uint16_t socket) {
    std::lock_guard lock(mutex_);
    registry_.touch(socket);
}

void Server::onClosed(std::uint16_t socket) {
    std::lock_guard lock(mutex_);
    registry_.release(socket);
    updateWake();
    sessions_.erase(socket);
}

} // namespace termserver

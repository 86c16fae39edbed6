#include "server/Session.h"

#include "protocol/Messages.h"

namespace termserver {

Session::Session(asio::ip::tcp::socket socket, std::uint16_t number, SessionOwner& owner,
                 std::chrono::seconds idleTimeout)
    : socket_(std::move(socket)), idleTimer_(socket_.get_executor()), number_(number),
      owner_(owner), idleTimeout_(idleTimeout) {}

void Session::start(std::string greeting) {
    std::error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    lastRead_ = std::chrono::steady_clock::now();
    send(std::move(greeting));
    armIdleTimer();
    readMore();
}

void Session::readMore() {
    socket_.async_read_some(asio::buffer(readBuffer_), [self = shared_from_this()](
                                                           std::error_code error, std::size_t n) {
        if (self->closed_)
            return;
        if (error) {
            self->close();
            return;
        }
        self->lastRead_ = std::chrono::steady_clock::now();
        self->handleBytes(self->readBuffer_.data(), self->readBuffer_.data() + n);
        if (!self->closed_ && !self->closeAfterWrite_)
            self->readMore();
    });
}

void Session::handleBytes(const char* begin, const char* end) {
    while (begin != end && !closed_ && !closeAfterWrite_) {
        const auto [result, next] = parser_.parse(begin, end);
        begin = next;
        if (result == protocol::FrameParser::Result::NeedMore)
            return;
        if (result == protocol::FrameParser::Result::Bad) {
            failProtocol(protocol::describe(parser_.error()));
            return;
        }
        auto request = protocol::readTerminalFrame(parser_.takeFrame());
        owner_.onActivity(number_);
        if (auto* scan = std::get_if<protocol::ScanRequest>(&request)) {
            if (!owner_.onScan(number_, std::move(scan->barcode)))
                send(protocol::busyFrame());
        } else if (std::holds_alternative<protocol::PingRequest>(request)) {
            send(protocol::pongFrame());
        } else {
            failProtocol(std::get<protocol::InvalidRequest>(request).reason);
        }
    }
}

void Session::failProtocol(const std::string& reason) {
    // The peer broke the protocol: tell it why, then close once that is written.
    send(protocol::errorFrame(reason));
    closeAfterWrite_ = true;
}

void Session::send(std::string frame) {
    if (closed_)
        return;
    if (outgoing_.size() >= kMaxQueuedFrames) {
        close();
        return;
    }
    outgoing_.push_back(std::move(frame));
    if (!writing_)
        writeNext();
}

void Session::writeNext() {
    if (outgoing_.empty()) {
        writing_ = false;
        if (closeAfterWrite_)
            close();
        return;
    }
    writing_ = true;
    asio::async_write(socket_, asio::buffer(outgoing_.front()),
                      [self = shared_from_this()](std::error_code error, std::size_t) {
                          if (self->closed_)
                              return;
                          if (error) {
                              self->close();
                              return;
                          }
                          self->outgoing_.pop_front();
                          self->writeNext();
                      });
}

void Session::armIdleTimer() {
    idleTimer_.expires_at(lastRead_ + idleTimeout_);
    idleTimer_.async_wait([self = shared_from_this()](std::error_code error) {
        if (error || self->closed_)
            return;
        if (std::chrono::steady_clock::now() >= self->lastRead_ + self->idleTimeout_) {
            self->close();
            return;
        }
        self->armIdleTimer();
    });
}

void Session::close() {
    if (closed_)
        return;
    closed_ = true;
    // The registry forgets the connection before the peer can see the close, so a closed
    // terminal's scans are never handed over afterwards.
    owner_.onClosed(number_);
    std::error_code ignored;
    idleTimer_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

} // namespace termserver

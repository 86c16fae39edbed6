#pragma once
// Test fixture: the library's server running in this process on a free loopback port,
// configured through a termserver.conf in a fresh working directory, and helpers for
// terminals connecting to it from 127.0.0.x addresses.

#include "TerminalClient.h"
#include "termserver/termserver.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace termserver::test {

struct TakenScan {
    std::string barcode;
    std::uint32_t address = 0;
    std::uint16_t socket = 0;
};

// The address value of dotted text, as the library gives it (network byte order).
std::uint32_t addressOf(const std::string& dotted);

// Raises the soft limit of open descriptors to the hard limit (tests open thousands).
void raiseDescriptorLimit();

// A working directory of its own for the test, removed again with the object.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    void writeConfig(const std::string& text) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

class LoopbackServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Lines added to termserver.conf before the start.
    virtual std::string extraConfig() const { return {}; }

    terminalsim::Endpoint endpoint() const { return {"127.0.0.1", port_}; }
    // Connects from the address and reads the greeting; fails the test otherwise.
    terminalsim::TerminalClient connectFrom(const std::string& address) const;
    // Polls bReceiveBarcode until a scan comes, as the program does (bounded wait).
    std::optional<TakenScan>
    waitForScan(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Scans a marker through the client and expects it to be the next scan handed over:
    // nothing was waiting before it. The marker is answered "not found".
    void expectNextScanIs(terminalsim::TerminalClient& via, const std::string& marker) const;
    // The next frame of the client, failing the test when none comes in time.
    static termserver::protocol::Frame
    expectFrame(terminalsim::TerminalClient& client,
                std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // True when the server closed the client's connection within the time-out.
    static bool closedWithin(terminalsim::TerminalClient& client,
                             std::chrono::milliseconds timeout);
    TTABSOCK table() const;

    std::unique_ptr<ScratchDirectory> directory_;
    std::uint16_t port_ = 0;
};

} // namespace termserver::test

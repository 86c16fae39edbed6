#include "support/LoopbackServer.h"

#include "server/Instance.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace termserver::test {

std::uint32_t addressOf(const std::string& dotted) {
    in_addr value{};
    ::inet_pton(AF_INET, dotted.c_str(), &value);
    return value.s_addr;
}

void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "termserver-test-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void ScratchDirectory::writeConfig(const std::string& text) const {
    std::ofstream(std::filesystem::path(path_) / "termserver.conf") << text;
}

void LoopbackServerTest::SetUp() {
    raiseDescriptorLimit();
    directory_ = std::make_unique<ScratchDirectory>();
    directory_->writeConfig("# test server\nlisten=127.0.0.1:0\n" + extraConfig());
    ::unsetenv("TERMSERVER_LISTEN");
    vInitialize();
    ASSERT_NE(tc_startserver(), 0) << std::strerror(errno);
    port_ = termserver::instance().boundPort();
    ASSERT_NE(port_, 0);
}

void LoopbackServerTest::TearDown() {
    EXPECT_EQ(bTerminate(), 1);
    directory_.reset();
}

terminalsim::TerminalClient LoopbackServerTest::connectFrom(const std::string& address) const {
    std::string error;
    auto client =
        terminalsim::TerminalClient::connect(endpoint(), address, std::chrono::seconds(5), &error);
    if (!client) {
        ADD_FAILURE() << "connect from " << address << ": " << error;
        throw std::runtime_error("connect failed");
    }
    const auto hello = expectFrame(*client);
    EXPECT_EQ(hello.command, "HELLO") << testing::PrintToString(hello.fields);
    return std::move(*client);
}

std::optional<TakenScan> LoopbackServerTest::waitForScan(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        TakenScan scan;
        std::int32_t pending = -1;
        const char* text = bReceiveBarcode(&scan.address, &scan.socket, &pending);
        if (text != nullptr && *text != 0) {
            scan.barcode = text;
            return scan;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

void LoopbackServerTest::expectNextScanIs(terminalsim::TerminalClient& via,
                                          const std::string& marker) const {
    ASSERT_TRUE(via.scan(marker));
    const auto next = waitForScan();
    ASSERT_TRUE(next) << "the marker was not handed over";
    EXPECT_EQ(next->barcode, marker) << "something was waiting before the marker";
    bSendProdNotFound(next->address);
}

termserver::protocol::Frame LoopbackServerTest::expectFrame(terminalsim::TerminalClient& client,
                                                            std::chrono::milliseconds timeout) {
    auto received = client.receive(timeout);
    EXPECT_EQ(received.status, terminalsim::TerminalClient::Status::Frame)
        << "no frame (1 timeout, 2 closed, 3 bad)";
    return received.frame;
}

bool LoopbackServerTest::closedWithin(terminalsim::TerminalClient& client,
                                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const auto received = client.receive(left);
        if (received.status == terminalsim::TerminalClient::Status::Closed)
            return true;
        if (received.status != terminalsim::TerminalClient::Status::Frame)
            return false;
    }
}

TTABSOCK LoopbackServerTest::table() const {
    TTABSOCK copy{};
    EXPECT_EQ(GetTabConectados(&copy, 1), 1);
    return copy;
}

} // namespace termserver::test

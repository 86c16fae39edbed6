// Start and stop of the server, its settings, and the library's small functions.

#include "server/Instance.h"
#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace termserver::test;
using terminalsim::TerminalClient;

// A listening socket on a free loopback port, so the server cannot bind it.
class PortBlocker {
public:
    PortBlocker() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd_, 1) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot open a blocking socket");
        port_ = ntohs(address.sin_port);
    }
    ~PortBlocker() { ::close(fd_); }
    PortBlocker(const PortBlocker&) = delete;
    PortBlocker& operator=(const PortBlocker&) = delete;
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

class ServerLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("TERMSERVER_LISTEN");
        vInitialize();
    }
    void TearDown() override {
        EXPECT_EQ(bTerminate(), 1);
        ::unsetenv("TERMSERVER_LISTEN");
    }
    static std::uint16_t boundPort() { return termserver::instance().boundPort(); }
    ScratchDirectory directory_;
};

TEST_F(ServerLifecycle, StartsStopsAndStartsAgain) {
    directory_.writeConfig("listen=127.0.0.1:0\n");
    ASSERT_NE(tc_startserver(), 0);
    const std::uint16_t port = boundPort();
    std::string error;
    auto client =
        TerminalClient::connect({"127.0.0.1", port}, "127.0.0.3", std::chrono::seconds(5), &error);
    ASSERT_TRUE(client) << error;
    EXPECT_EQ(client->receive(std::chrono::seconds(5)).frame.command, "HELLO");

    // A second start while running succeeds and changes nothing: same port, same client.
    EXPECT_NE(tc_startserver(), 0);
    EXPECT_EQ(boundPort(), port);
    EXPECT_TRUE(client->ping());
    EXPECT_EQ(client->receive(std::chrono::seconds(5)).frame.command, "PONG");

    EXPECT_EQ(bTerminate(), 1);
    EXPECT_EQ(client->receive(std::chrono::seconds(5)).status, TerminalClient::Status::Closed);
    EXPECT_FALSE(TerminalClient::connect({"127.0.0.1", port}, "", std::chrono::seconds(2), &error))
        << "nothing listens after the stop";
    EXPECT_EQ(bTerminate(), 1) << "stopping a stopped server is no failure";

    directory_.writeConfig("listen=127.0.0.1:" + std::to_string(port) + "\n");
    ASSERT_NE(tc_startserver(), 0) << "the same port binds again after a stop";
    auto again = TerminalClient::connect({"127.0.0.1", port}, "", std::chrono::seconds(5), &error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->receive(std::chrono::seconds(5)).frame.command, "HELLO");
}

TEST_F(ServerLifecycle, APortInUseFailsWithErrno) {
    PortBlocker blocker;
    directory_.writeConfig("listen=127.0.0.1:" + std::to_string(blocker.port()) + "\n");
    errno = 0;
    EXPECT_EQ(tc_startserver(), 0);
    EXPECT_EQ(errno, EADDRINUSE);
    EXPECT_EQ(boundPort(), 0);
}

TEST_F(ServerLifecycle, ABadSettingFailsWithEinval) {
    directory_.writeConfig("listen=127.0.0.1:99999\n");
    errno = 0;
    EXPECT_EQ(tc_startserver(), 0);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(ServerLifecycle, ASettingsFileThatIsNoRegularFileOrTooLargeIsRefusedByName) {
    // A FIFO would block the start for ever waiting for a writer.
    ASSERT_EQ(::mkfifo("termserver.conf", 0600), 0);
    EXPECT_EQ(tc_startserver(), 0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_STREQ(tc_lasterror(), "termserver.conf: not a regular file");
    // A sparse 1 GB file: refused after its first 64 KiB, never read whole.
    ASSERT_EQ(::unlink("termserver.conf"), 0);
    directory_.writeConfig("listen=127.0.0.1:0\n");
    ASSERT_EQ(::truncate("termserver.conf", 1L << 30), 0);
    EXPECT_EQ(tc_startserver(), 0);
    EXPECT_STREQ(tc_lasterror(), "termserver.conf: larger than 64 KiB, not read");
}

TEST_F(ServerLifecycle, TheEnvironmentOverridesTheFile) {
    PortBlocker blocker; // the file names a port that cannot be bound
    directory_.writeConfig("listen=127.0.0.1:" + std::to_string(blocker.port()) + "\n");
    ::setenv("TERMSERVER_LISTEN", "127.0.0.1:0", 1);
    ASSERT_NE(tc_startserver(), 0) << std::strerror(errno);
    EXPECT_NE(boundPort(), blocker.port());
    EXPECT_NE(boundPort(), 0);
}

TEST_F(ServerLifecycle, GreetsWithTheProtocolVersion) {
    directory_.writeConfig("listen=127.0.0.1:0\n");
    ASSERT_NE(tc_startserver(), 0);
    std::string error;
    auto client =
        TerminalClient::connect({"127.0.0.1", boundPort()}, "", std::chrono::seconds(5), &error);
    ASSERT_TRUE(client) << error;
    const auto hello = client->receive(std::chrono::seconds(5)).frame;
    EXPECT_EQ(hello.command, "HELLO");
    ASSERT_EQ(hello.fields.size(), 2u);
    EXPECT_EQ(hello.fields[0], "2");
    EXPECT_EQ(hello.fields[1], "1.1.0");
}

TEST(LibraryFunctions, VersionNamesTheProtocol) {
    EXPECT_STREQ(dll_version(), "termserver 1.1.0 (protocol 2)");
}

TEST(LibraryFunctions, AddressesConvertLikeInetAddr) {
    EXPECT_EQ(Inet_Addr("127.0.0.1"), htonl(0x7F000001));
    EXPECT_EQ(Inet_Addr("10.1.2.3"), htonl(0x0A010203));
    EXPECT_EQ(Inet_Addr("not an address"), 0xFFFFFFFFu);
    EXPECT_EQ(Inet_Addr(""), 0xFFFFFFFFu);
    EXPECT_EQ(Inet_Addr(nullptr), 0xFFFFFFFFu);
    EXPECT_STREQ(Inet_NtoA(htonl(0x7F000005)), "127.0.0.5");
    EXPECT_STREQ(Inet_NtoA(0), "0.0.0.0");
    EXPECT_STREQ(Inet_NtoA(Inet_Addr("192.168.10.200")), "192.168.10.200");
}

TEST(LibraryFunctions, NothingIsPendingWhileStopped) {
    std::uint32_t address = 7;
    std::uint16_t socket = 7;
    std::int32_t reserved = 7;
    const char* text = bReceiveBarcode(&address, &socket, &reserved);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(address, 0u);
    EXPECT_EQ(socket, 0u);
    EXPECT_STREQ(bReceiveBarcode(nullptr, nullptr, nullptr), "");
    EXPECT_EQ(bSendProdNotFound(Inet_Addr("127.0.0.1")), 0);
    EXPECT_EQ(GetTabConectados(nullptr, 1), 0);
}

} // namespace

// Misbehaving peers over loopback: each loses at most its own connection, while a
// well-behaved terminal keeps being served. The idle time-out is one second here.

#include "protocol/Limits.h"
#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace termserver::test;
using terminalsim::TerminalClient;

class ServerBadInput : public LoopbackServerTest {
protected:
    std::string extraConfig() const override { return "idle_timeout=1\n"; }

    // The well-behaved terminal scans and is answered.
    void expectServed(TerminalClient& good, const std::string& code) {
        ASSERT_TRUE(good.scan(code));
        const auto scan = waitForScan();
        ASSERT_TRUE(scan);
        EXPECT_EQ(scan->barcode, code);
        bSendProdPrice(scan->address, "OK", code.c_str());
        const auto answer = expectFrame(good);
        EXPECT_EQ(answer.command, "PRICE");
        EXPECT_EQ(answer.fields, (std::vector<std::string>{code, "OK", code}));
    }

    // Sends the bytes from a terminal of its own, expects ERROR and the close.
    void expectRejected(const std::string& bytes) {
        auto bad = connectFrom("127.0.0.20");
        ASSERT_TRUE(bad.sendRaw(bytes));
        const auto error = expectFrame(bad);
        EXPECT_EQ(error.command, "ERROR");
        EXPECT_TRUE(closedWithin(bad, std::chrono::seconds(5)));
    }
};

TEST_F(ServerBadInput, ProtocolViolationsCloseOnlyTheirConnection) {
    auto good = connectFrom("127.0.0.2");
    const std::vector<std::string> violations = {
        "\x01\x02\x03garbage\xff\xfe\n",
        std::string("SCAN\t12\0"
                    "34\n",
                    10),
        std::string(8, '\0'),
        "SCAN\t" + std::string(termserver::protocol::kMaxFrameBytes, '7') + "\n",
        std::string(100000, 'A'),
        "SCAN\t\n",
        "SCAN\t" + std::string(termserver::protocol::kMaxBarcodeBytes + 1, '7') + "\n",
        "SCAN\tA\xC7\n",
        "SCAN\t1\t2\n",
        "HELLO\t1\n",
        "scan\t1\n",
        "SCAN\t1\r2\n",
    };
    for (const auto& bytes : violations) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 40)));
        expectRejected(bytes);
        // Served next: no bad scan reached the caller before it.
        expectServed(good, "1234");
    }
}

TEST_F(ServerBadInput, GoodFramesBeforeTheViolationStillCount) {
    auto bad = connectFrom("127.0.0.20");
    ASSERT_TRUE(bad.sendRaw("SCAN\t5555\nPING\n\x7f\n"));
    EXPECT_EQ(expectFrame(bad).command, "PONG");
    EXPECT_EQ(expectFrame(bad).command, "ERROR");
    EXPECT_TRUE(closedWithin(bad, std::chrono::seconds(5)));
    // The scan was queued before the close, and the close dropped it again.
    auto good = connectFrom("127.0.0.2");
    expectNextScanIs(good, "MARKER");
}

TEST_F(ServerBadInput, HalfAFrameThenSilenceIsClosedByTheIdleTimeOut) {
    auto good = connectFrom("127.0.0.2");
    auto silent = connectFrom("127.0.0.21");
    ASSERT_TRUE(silent.sendRaw("SCAN\t789"));
    // Until the silent one is closed, the good terminal is served and keeps itself alive
    // with a PING within every idle second.
    bool closed = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!closed && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_TRUE(good.ping());
        ASSERT_EQ(expectFrame(good).command, "PONG");
        closed = closedWithin(silent, std::chrono::milliseconds(300));
    }
    EXPECT_TRUE(closed);
    expectServed(good, "42"); // next: the half scan was not handed over
}

// A frame trickled in a byte at a time keeps the idle time-out from firing, but not the
// frame's own: five seconds from its first byte.
TEST_F(ServerBadInput, AFrameTrickledInIsClosedAtTheFrameTimeOut) {
    auto good = connectFrom("127.0.0.2");
    auto slow = connectFrom("127.0.0.22");
    ASSERT_TRUE(slow.sendRaw("SCAN\t7"));
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool closed = false;
    while (!closed && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // within the idle second
        (void)slow.sendRaw("8"); // refused once the server has closed
        closed = closedWithin(slow, std::chrono::milliseconds(10));
        ASSERT_TRUE(good.ping());
        ASSERT_EQ(expectFrame(good).command, "PONG");
    }
    EXPECT_TRUE(closed) << "still open after 30 s of a trickled frame";
    expectServed(good, "43");
}

TEST_F(ServerBadInput, ATerminalThatDisconnectsMidFrameLeavesNoTrace) {
    auto good = connectFrom("127.0.0.2");
    for (int i = 0; i < 20; ++i) {
        auto leaving = connectFrom("127.0.0.22");
        ASSERT_TRUE(leaving.sendRaw("SCAN\t12"));
        leaving.close();
    }
    expectServed(good, "77");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (table().NumSockConec != 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(table().NumSockConec, 1);
}

TEST_F(ServerBadInput, ATerminalThatReadsGetsTheAnswersOfAllItsPipelinedFrames) {
    // Thousands of frames in one go: more answers are due than the server keeps queued, so
    // it reads on only as the terminal takes its answers, and drops none of them.
    auto reader = connectFrom("127.0.0.24");
    constexpr int kPings = 3000;
    std::string pings;
    for (int i = 0; i < kPings; ++i)
        pings += "PING\n";
    ASSERT_TRUE(reader.sendRaw(pings));
    for (int i = 0; i < kPings; ++i) {
        const auto received = reader.receive(std::chrono::seconds(5));
        ASSERT_EQ(received.status, TerminalClient::Status::Frame) << "after " << i << " PONGs";
        ASSERT_EQ(received.frame.command, "PONG");
    }
    expectServed(reader, "still");
}

TEST_F(ServerBadInput, AScanThenAHalfCloseIsAnsweredBeforeTheClose) {
    auto terminal = connectFrom("127.0.0.25");
    ASSERT_TRUE(terminal.scan("7891"));
    ASSERT_TRUE(terminal.finishSending());
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->barcode, "7891");
    EXPECT_EQ(bSendProdPrice(scan->address, "ARTIGO", "R$ 1,00"), 1);
    const auto answer = expectFrame(terminal);
    EXPECT_EQ(answer.command, "PRICE");
    EXPECT_EQ(answer.fields, (std::vector<std::string>{"7891", "ARTIGO", "R$ 1,00"}));
    EXPECT_TRUE(closedWithin(terminal, std::chrono::seconds(5)));
}

TEST_F(ServerBadInput, ATerminalThatNeverReadsIsDroppedAlone) {
    auto good = connectFrom("127.0.0.2");
    auto deaf = connectFrom("127.0.0.23");
    // PINGs whose PONGs are never read: the server stops reading while the answers pile up,
    // and drops the terminal once its output has not moved for the idle time-out, instead
    // of buffering without end. The good terminal is served all the while.
    std::string pings;
    for (int i = 0; i < 20000; ++i)
        pings += "PING\n";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool dropped = false;
    for (int round = 0; !dropped && std::chrono::steady_clock::now() < deadline; ++round) {
        // Only what the network takes without waiting, so the good terminal is not kept idle.
        const auto sent =
            ::send(deaf.fd(), pings.data(), pings.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        dropped = sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
        expectServed(good, std::to_string(round));
    }
    EXPECT_TRUE(dropped) << "the deaf terminal was not dropped";
    expectServed(good, "after");
}

} // namespace

namespace {

using namespace termserver::test;

class DescriptorLimit : public LoopbackServerTest {};

TEST_F(DescriptorLimit, WithoutADescriptorLeftAConnectionIsRefusedAtOnce) {
    auto good = connectFrom("127.0.0.2");
    // One scan first, so every code path of serving it has run once before descriptors
    // run out (the undefined-behaviour sanitizer needs descriptors the first time only).
    ASSERT_TRUE(good.scan("111"));
    ASSERT_TRUE(waitForScan());
    const int waiting = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(waiting, 0);
    // The lowest free descriptor number: with the limit there, no descriptor can be opened.
    const int lowestFree = ::dup(waiting);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);

    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port_);
    server.sin_addr.s_addr = addressOf("127.0.0.1");
    // accept() finds no descriptor; the server's spare one lets it refuse all the same.
    const int connected = ::connect(waiting, reinterpret_cast<sockaddr*>(&server), sizeof server);
    pollfd entry{waiting, POLLIN, 0};
    const int ready = ::poll(&entry, 1, 5000);
    char answer[64] = {};
    const auto received = ::recv(waiting, answer, sizeof answer - 1, MSG_DONTWAIT);
    // Meanwhile the connected terminal is served as usual.
    ASSERT_TRUE(good.scan("999"));
    const auto scan = waitForScan();
    ::setrlimit(RLIMIT_NOFILE, &saved);
    ::close(waiting);

    ASSERT_EQ(connected, 0);
    ASSERT_EQ(ready, 1);
    EXPECT_GT(received, 0);
    EXPECT_STREQ(answer, "REFUSED\tSERVIDOR LOTADO\tTENTE MAIS TARDE\n");
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->barcode, "999");
    // With descriptors back, a new connection is greeted and served.
    auto later = connectFrom("127.0.0.3");
    ASSERT_TRUE(later.scan("later"));
    const auto laterScan = waitForScan();
    ASSERT_TRUE(laterScan);
    bSendProdNotFound(laterScan->address);
    EXPECT_EQ(expectFrame(later).fields[0], "later");
}

} // namespace

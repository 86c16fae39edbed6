// Many terminals at once over loopback: 200 terminals on distinct 127.0.0.x addresses, and
// more connections than the table has slots.

#include "server/Instance.h"
#include "support/LoopbackServer.h"

#include <map>
#include <set>
#include <thread>

namespace {

using namespace termserver::test;
using terminalsim::TerminalClient;

constexpr int kTerminals = 200;

std::string terminalAddress(int index) {
    return "127.0.0." + std::to_string(index + 2);
}

class ManyTerminals : public LoopbackServerTest {};

TEST_F(ManyTerminals, TwoHundredTerminalsAreListedServedAndStopped) {
    std::vector<TerminalClient> terminals;
    for (int i = 0; i < kTerminals; ++i)
        terminals.push_back(connectFrom(terminalAddress(i)));

    // The table lists every terminal once, in slots 0..199.
    const TTABSOCK listed = table();
    ASSERT_EQ(listed.NumSockConec, kTerminals);
    std::map<std::uint32_t, std::uint16_t> socketOf;
    for (int i = 0; i < kTerminals; ++i) {
        EXPECT_EQ(listed.TabIP[i], addressOf(terminalAddress(i)));
        EXPECT_TRUE(socketOf.emplace(listed.TabIP[i], listed.TabSock[i]).second);
    }
    std::set<std::uint16_t> sockets;
    for (const auto& [address, socket] : socketOf)
        sockets.insert(socket);
    EXPECT_EQ(sockets.size(), static_cast<std::size_t>(kTerminals));
    EXPECT_FALSE(sockets.contains(0));

    // Every terminal scans its own code; each scan is handed over once with its sender.
    for (int i = 0; i < kTerminals; ++i)
        ASSERT_TRUE(terminals[i].scan("CODE" + std::to_string(i)));
    std::set<std::string> seen;
    for (int n = 0; n < kTerminals; ++n) {
        const auto scan = waitForScan();
        ASSERT_TRUE(scan) << "after " << n << " scans";
        const int index = std::stoi(scan->barcode.substr(4));
        EXPECT_TRUE(seen.insert(scan->barcode).second) << scan->barcode << " twice";
        EXPECT_EQ(scan->address, addressOf(terminalAddress(index)));
        EXPECT_EQ(scan->socket, socketOf[scan->address]);
        const std::string price = "R$ " + std::to_string(index) + ",00";
        bSendProdPrice(scan->address, scan->barcode.c_str(), price.c_str());
    }
    EXPECT_FALSE(waitForScan(std::chrono::milliseconds(100)));

    // Each answer reached the terminal that asked.
    for (int i = 0; i < kTerminals; ++i) {
        const auto answer = expectFrame(terminals[i]);
        ASSERT_EQ(answer.fields.size(), 2u);
        EXPECT_EQ(answer.fields[0], "CODE" + std::to_string(i));
        EXPECT_EQ(answer.fields[1], "R$ " + std::to_string(i) + ",00");
    }

    // A stop closes all 200; a new start serves again.
    EXPECT_EQ(bTerminate(), 1);
    for (auto& terminal : terminals)
        EXPECT_TRUE(closedWithin(terminal, std::chrono::seconds(5)));
    EXPECT_EQ(table().NumSockConec, 0);
    ASSERT_NE(tc_startserver(), 0);
    port_ = termserver::instance().boundPort();
    auto again = connectFrom(terminalAddress(0));
    ASSERT_TRUE(again.scan("AGAIN"));
    EXPECT_EQ(waitForScan()->barcode, "AGAIN");
}

TEST_F(ManyTerminals, TheConnectionBeyondTheTableIsRefusedPolitely) {
    constexpr int kConnections = 1100;
    std::vector<TerminalClient> accepted;
    int refused = 0;
    for (int i = 0; i < kConnections; ++i) {
        std::string error;
        auto client = TerminalClient::connect(endpoint(), terminalAddress(i % 250),
                                              std::chrono::seconds(5), &error);
        ASSERT_TRUE(client) << error;
        const auto greeting = expectFrame(*client);
        if (greeting.command == "HELLO") {
            accepted.push_back(std::move(*client));
            continue;
        }
        ++refused;
        EXPECT_EQ(greeting.command, "REFUSED");
        EXPECT_EQ(greeting.fields,
                  (std::vector<std::string>{"SERVIDOR LOTADO", "TENTE MAIS TARDE"}));
        EXPECT_TRUE(closedWithin(*client, std::chrono::seconds(5)));
    }
    EXPECT_EQ(accepted.size(), static_cast<std::size_t>(TERMSERVER_MAX_CONNECTIONS));
    EXPECT_EQ(refused, kConnections - TERMSERVER_MAX_CONNECTIONS);
    EXPECT_EQ(table().NumSockConec, TERMSERVER_MAX_CONNECTIONS);

    // The accepted ones are undisturbed: the first and the last are still served.
    for (auto* terminal : {&accepted.front(), &accepted.back()}) {
        ASSERT_TRUE(terminal->scan("STILL"));
        const auto scan = waitForScan();
        ASSERT_TRUE(scan);
        bSendProdNotFound(scan->address);
        EXPECT_EQ(expectFrame(*terminal).command, "NOTFOUND");
    }

    // When one leaves, a newcomer gets its slot.
    accepted.front().close();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (table().TabIP[0] != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto newcomer = connectFrom("127.0.0.250");
    EXPECT_EQ(table().TabIP[0], addressOf("127.0.0.250"));
}

} // namespace

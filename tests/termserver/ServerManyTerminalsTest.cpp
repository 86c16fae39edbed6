// Many terminals at once over loopback: 200 terminals on distinct 127.0.0.x addresses, more
// connections than the table has slots, the shares of one address, the allow-list, and a
// flood of connections against a server under the desktop's open-file limit.

#include "LoopbackEndpoint.h"
#include "server/DescriptorBudget.h"
#include "server/Instance.h"
#include "support/LoopbackServer.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

    // Each answer reached the terminal that asked.
    for (int i = 0; i < kTerminals; ++i) {
        const std::string code = "CODE" + std::to_string(i);
        EXPECT_EQ(expectFrame(terminals[i]).fields,
                  (std::vector<std::string>{code, code, "R$ " + std::to_string(i) + ",00"}));
    }
    expectNextScanIs(terminals[0], "MARKER"); // each scan was handed over once

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

TEST_F(ManyTerminals, OneAddressHoldsAtMostItsShareOfTheConnections) {
    // One host keeping connections open (one PING a minute would do) gets its share, and
    // the terminals of other addresses still get in.
    std::vector<TerminalClient> greedy;
    for (int i = 0; i < 32; ++i)
        greedy.push_back(connectFrom("127.0.0.40"));
    std::string error;
    auto extra = TerminalClient::connect(endpoint(), "127.0.0.40", std::chrono::seconds(5), &error);
    ASSERT_TRUE(extra) << error;
    const auto refusal = expectFrame(*extra);
    EXPECT_EQ(refusal.command, "REFUSED");
    EXPECT_EQ(refusal.fields, (std::vector<std::string>{"LIMITE DO ENDERECO", "TENTE MAIS TARDE"}));
    EXPECT_TRUE(closedWithin(*extra, std::chrono::seconds(5)));
    auto other = connectFrom("127.0.0.41");
    EXPECT_EQ(table().NumSockConec, 33);
    greedy.front().close();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (table().TabIP[0] != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto again = connectFrom("127.0.0.40");
}

// A flood from many addresses, every connection keeping its share of the queue filled: 20
// honest terminals that scan meanwhile are queued, not refused, and each waits behind at
// most one scan of every other address. The floods seen on shop networks: 32 addresses
// with two connections each (the whole share of an address), and 250 with one.
struct Flood {
    int addresses;
    int connectionsEach;
};

class Floods : public LoopbackServerTest, public ::testing::WithParamInterface<Flood> {};

TEST_P(Floods, LeaveEveryHonestTerminalItsTurn) {
    const Flood flood = GetParam();
    constexpr int kHonest = 20;
    std::vector<TerminalClient> flooders;
    for (int address = 1; address <= flood.addresses; ++address) {
        for (int connection = 0; connection < flood.connectionsEach; ++connection)
            flooders.push_back(connectFrom("127.0.5." + std::to_string(address)));
    }
    for (TerminalClient& flooder : flooders) {
        // Four fill the connection's share, the fifth is refused (its BUSY waits for the
        // answers before it); the PONG leaves at once, once all five are in.
        ASSERT_TRUE(flooder.sendRaw("SCAN\tF\nSCAN\tF\nSCAN\tF\nSCAN\tF\nSCAN\tF\nPING\n"));
        ASSERT_EQ(expectFrame(flooder).command, "PONG");
    }
    std::vector<TerminalClient> honest;
    for (int i = 0; i < kHonest; ++i) {
        honest.push_back(connectFrom("127.0.6." + std::to_string(i + 1)));
        ASSERT_TRUE(honest.back().scan("H" + std::to_string(i)));
        ASSERT_TRUE(honest.back().ping());
        ASSERT_EQ(expectFrame(honest.back()).command, "PONG");
    }
    int honestTaken = 0;
    for (int taken = 0; taken < flood.addresses + kHonest; ++taken) {
        const auto scan = waitForScan();
        ASSERT_TRUE(scan) << "after " << taken << " scans";
        honestTaken += scan->barcode.front() == 'H' ? 1 : 0;
        bSendProdPrice(scan->address, "ARTIGO", "R$ 1,00");
    }
    EXPECT_EQ(honestTaken, kHonest) << "taken within one round of the flooding addresses";
    for (int i = 0; i < kHonest; ++i) {
        const auto answer = expectFrame(honest[i]);
        EXPECT_EQ(answer.command, "PRICE");
        EXPECT_EQ(answer.fields.front(), "H" + std::to_string(i));
    }
}

std::string floodName(const ::testing::TestParamInfo<Flood>& flood) {
    return std::to_string(flood.param.addresses) + "AddressesOf" +
           std::to_string(flood.param.connectionsEach);
}

INSTANTIATE_TEST_SUITE_P(ManyAddresses, Floods, ::testing::Values(Flood{32, 2}, Flood{250, 1}),
                         floodName);

class AllowListServer : public LoopbackServerTest {
    std::string extraConfig() const override { return "allow = 127.0.0.8/30, 127.0.0.20\n"; }
};

TEST_F(AllowListServer, OnlyTheListedAddressesAndNetworksGetIn) {
    for (const char* allowed : {"127.0.0.8", "127.0.0.11", "127.0.0.20"})
        EXPECT_EQ(connectFrom(allowed).ping(), true) << allowed;
    for (const char* stranger : {"127.0.0.7", "127.0.0.12", "127.0.0.21"}) {
        std::string error;
        auto client =
            TerminalClient::connect(endpoint(), stranger, std::chrono::seconds(5), &error);
        ASSERT_TRUE(client) << error;
        const auto refusal = expectFrame(*client);
        EXPECT_EQ(refusal.command, "REFUSED") << stranger;
        EXPECT_EQ(refusal.fields, (std::vector<std::string>{"TERMINAL NAO", "AUTORIZADO"}));
        EXPECT_TRUE(closedWithin(*client, std::chrono::seconds(5)));
    }
    EXPECT_EQ(table().NumSockConec, 0) << "a refused stranger takes no slot";
}

// The echo responder (a stand-in for the program) in a process of its own, started under
// `ulimit -n 1024` as a desktop session starts programs.
class ResponderUnderLimit {
public:
    ResponderUnderLimit(const std::string& listen, int descriptorLimit) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        stdout_ = out[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const std::string script =
            "ulimit -n " + std::to_string(descriptorLimit) + " && exec \"$0\" --for 600";
        const char* argv[] = {"sh", "-c", script.c_str(), TERMSERVER_ECHO_RESPONDER_PATH, nullptr};
        ::setenv("TERMSERVER_LISTEN", listen.c_str(), 1);
        const int spawned = ::posix_spawn(&pid_, "/bin/sh", &actions, nullptr,
                                          const_cast<char* const*>(argv), environ);
        ::unsetenv("TERMSERVER_LISTEN");
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (spawned != 0)
            throw std::runtime_error("posix_spawn");
    }
    ~ResponderUnderLimit() {
        if (pid_ > 0 && alive()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdout_);
    }
    ResponderUnderLimit(const ResponderUnderLimit&) = delete;
    ResponderUnderLimit& operator=(const ResponderUnderLimit&) = delete;

    // Waits for the line that says the server listens.
    bool listening(std::chrono::seconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::string text;
        while (text.find("listening\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd entry{stdout_, POLLIN, 0};
            char buffer[256];
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1)
                return false;
            const auto n = ::read(stdout_, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }
    bool alive() {
        if (status_)
            return false;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == 0)
            return true;
        status_ = status;
        return false;
    }
    std::size_t openDescriptors() const {
        const auto folder = "/proc/" + std::to_string(pid_) + "/fd";
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(folder), {}));
    }
    // Stops the process; its status afterwards.
    int terminate() {
        if (alive()) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            status_ = status;
        }
        return *status_;
    }

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::optional<int> status_;
};

TEST(DescriptorFlood, FiveThousandConnectionsUnderALimitOf1024LeaveTheServerServing) {
    raiseDescriptorLimit();
    ScratchDirectory directory; // no termserver.conf: the defaults
    const std::string listen = veska::test::ownLoopbackEndpoint();
    ResponderUnderLimit responder(listen, 1024);
    ASSERT_TRUE(responder.listening(std::chrono::seconds(30)));
    const auto colon = listen.rfind(':');
    const terminalsim::Endpoint server{
        listen.substr(0, colon), static_cast<std::uint16_t>(std::stoi(listen.substr(colon + 1)))};
    const std::size_t cap = termserver::connectionCapFor(1024);

    // 5,000 connections from 250 addresses, 500 at a time: each gets the greeting or
    // REFUSED, none is left without a word; the greeted ones stay connected.
    constexpr int kConnections = 5000;
    constexpr int kBurst = 500;
    std::vector<TerminalClient> held;
    int refused = 0;
    for (int first = 0; first < kConnections; first += kBurst) {
        std::vector<TerminalClient> burst;
        for (int i = first; i < first + kBurst; ++i) {
            std::string error;
            auto client = TerminalClient::connect(server, "127.0.0." + std::to_string(2 + i % 250),
                                                  std::chrono::seconds(10), &error);
            ASSERT_TRUE(client) << "connection " << i << ": " << error;
            burst.push_back(std::move(*client));
        }
        for (auto& client : burst) {
            const auto greeting = client.receive(std::chrono::seconds(30));
            ASSERT_EQ(greeting.status, TerminalClient::Status::Frame)
                << "a connection got no word after " << held.size() << " greeted and " << refused
                << " refused";
            if (greeting.frame.command == "HELLO") {
                held.push_back(std::move(client));
                continue;
            }
            ASSERT_EQ(greeting.frame.command, "REFUSED");
            ASSERT_EQ(greeting.frame.fields,
                      (std::vector<std::string>{"SERVIDOR LOTADO", "TENTE MAIS TARDE"}));
            ++refused;
        }
    }
    EXPECT_EQ(held.size(), cap);
    EXPECT_EQ(refused, kConnections - static_cast<int>(cap));
    ASSERT_TRUE(responder.alive());
    // The rest of the program keeps its reserve of descriptors.
    EXPECT_GE(1024 - static_cast<int>(responder.openDescriptors()), 200)
        << responder.openDescriptors() << " descriptors open";

    // The greeted terminals are served.
    for (auto* terminal : {&held.front(), &held.back()}) {
        ASSERT_TRUE(terminal->scan("FLOOD"));
        const auto answer = terminal->receive(std::chrono::seconds(10)).frame;
        EXPECT_EQ(answer.command, "PRICE");
        EXPECT_EQ(answer.fields, (std::vector<std::string>{"FLOOD", "FLOOD", "R$ 1,00"}));
    }
    // Once the flood is gone, a newcomer is greeted and served.
    held.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::optional<TerminalClient> newcomer;
    while (!newcomer && std::chrono::steady_clock::now() < deadline) {
        std::string error;
        auto client =
            TerminalClient::connect(server, "127.0.0.251", std::chrono::seconds(5), &error);
        ASSERT_TRUE(client) << error;
        if (client->receive(std::chrono::seconds(10)).frame.command == "HELLO")
            newcomer = std::move(client);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the closes still come in
    }
    ASSERT_TRUE(newcomer) << "no newcomer greeted after the flood";
    ASSERT_TRUE(newcomer->scan("AFTER"));
    EXPECT_EQ(newcomer->receive(std::chrono::seconds(10)).frame.fields,
              (std::vector<std::string>{"AFTER", "AFTER", "R$ 1,00"}));
    const int status = responder.terminate();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
}

} // namespace

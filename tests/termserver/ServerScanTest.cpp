// Scans handed over to the caller and the answers that reach the terminals, over loopback.

#include "server/Registry.h"
#include "support/LoopbackServer.h"

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

using namespace termserver::test;
using terminalsim::TerminalClient;
using Fields = std::vector<std::string>;

class ServerScans : public LoopbackServerTest {};

// Whether the descriptor is readable within the time (0: now).
bool readable(int fd, std::chrono::milliseconds within) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, static_cast<int>(within.count())) == 1 &&
           (watched.revents & POLLIN) != 0;
}
constexpr std::chrono::milliseconds kNow{0};
constexpr std::chrono::milliseconds kGenerous{5000};

TEST_F(ServerScans, TheWakeDescriptorIsReadableExactlyWhileScansWait) {
    const int fd = tc_wakefd();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(readable(fd, kNow)) << "no scan yet";
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.sendRaw("SCAN\t1\nSCAN\t2\nPING\n"));
    // Woken by the arrival itself, without a call of bReceiveBarcode.
    EXPECT_TRUE(readable(fd, kGenerous));
    ASSERT_EQ(expectFrame(terminal).command, "PONG");
    EXPECT_STREQ(bReceiveBarcode(nullptr, nullptr, nullptr), "1");
    EXPECT_TRUE(readable(fd, kNow)) << "one scan still waits";
    EXPECT_STREQ(bReceiveBarcode(nullptr, nullptr, nullptr), "2");
    EXPECT_FALSE(readable(fd, kNow)) << "the queue is empty";
    ASSERT_TRUE(terminal.scan("3"));
    EXPECT_TRUE(readable(fd, kGenerous)) << "and a new scan wakes it again";
    EXPECT_EQ(tc_wakefd(), fd) << "one descriptor for the life of the process";
}

TEST_F(ServerScans, EachScanIsHandedOverOnceWithItsSender) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("7891234567890"));
    ASSERT_TRUE(terminal.scan("42"));
    const auto first = waitForScan();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->barcode, "7891234567890");
    EXPECT_EQ(first->address, addressOf("127.0.0.7"));
    const TTABSOCK connections = table();
    EXPECT_EQ(connections.TabSock[0], first->socket);
    EXPECT_NE(first->socket, 0);
    const auto second = waitForScan();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->barcode, "42");
    EXPECT_EQ(second->socket, first->socket);
    expectNextScanIs(terminal, "MARKER"); // each was handed over once
}

TEST_F(ServerScans, TheReservedOutValueCountsTheScansStillPending) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("1"));
    ASSERT_TRUE(terminal.scan("2"));
    ASSERT_TRUE(terminal.scan("3"));
    // Wait until all three arrived: the third scan answers a PING sent after it.
    ASSERT_TRUE(terminal.ping());
    ASSERT_EQ(expectFrame(terminal).command, "PONG");
    std::uint32_t address = 0;
    std::uint16_t socket = 0;
    std::int32_t pending = -1;
    EXPECT_STREQ(bReceiveBarcode(&address, &socket, &pending), "1");
    EXPECT_EQ(pending, 2);
    EXPECT_STREQ(bReceiveBarcode(&address, &socket, &pending), "2");
    EXPECT_EQ(pending, 1);
}

TEST_F(ServerScans, NotFoundShowsItsScreen) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("000"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    EXPECT_EQ(bSendProdNotFound(scan->address), 1);
    const auto answer = expectFrame(terminal);
    EXPECT_EQ(answer.command, "NOTFOUND");
    EXPECT_EQ(answer.fields, (Fields{"000", "PRODUTO NAO", "ENCONTRADO"}));
}

TEST_F(ServerScans, ARepliesToAnAddressWithoutTerminalIsRefused) {
    EXPECT_EQ(bSendProdPrice(addressOf("127.0.0.99"), "X", "Y"), 0);
    EXPECT_EQ(bSendProdNotFound(addressOf("127.0.0.99")), 0);
    EXPECT_EQ(bSendDisplayMsg(addressOf("127.0.0.99"), u"A", u"B", 4), 0);
}

TEST_F(ServerScans, DisplayMessagesCarryUtf16TextAndSeconds) {
    auto terminal = connectFrom("127.0.0.8");
    EXPECT_EQ(bSendDisplayMsg(addressOf("127.0.0.8"), u"VESKA ", u"INFORMATICA", 4), 1);
    auto message = expectFrame(terminal);
    EXPECT_EQ(message.command, "MSG");
    EXPECT_EQ(message.fields, (Fields{"VESKA ", "INFORMATICA", "4"}));

    bSendDisplayMsg(addressOf("127.0.0.8"), u"Preço baixo", u"AÇÚCAR € 1,00 por kg!", 10);
    EXPECT_EQ(expectFrame(terminal).fields, (Fields{"Pre\xE7o baixo",
                                                    "A\xC7\xDA"
                                                    "CAR \x80 1,00 por kg",
                                                    "10"}));

    bSendDisplayMsg(addressOf("127.0.0.8"), nullptr, nullptr, -3);
    EXPECT_EQ(expectFrame(terminal).fields, (Fields{"", "", "0"}));
}

// A price answer's texts from the caller, as the display receives them, under the server's
// code page (Windows-1252 unless the settings say otherwise).
struct PriceTexts {
    const char* name;
    std::string config; // lines added to termserver.conf
    const char* description;
    const char* price;
    Fields shown; // the description and the price on the display
};

class ServerPriceTexts : public LoopbackServerTest,
                         public ::testing::WithParamInterface<PriceTexts> {
    std::string extraConfig() const override { return GetParam().config; }
};

TEST_P(ServerPriceTexts, ReachTheDisplayInOneFrame) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("789"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    EXPECT_EQ(bSendProdPrice(scan->address, GetParam().description, GetParam().price), 1);
    const auto answer = expectFrame(terminal);
    EXPECT_EQ(answer.command, "PRICE");
    Fields expected{"789"};
    expected.insert(expected.end(), GetParam().shown.begin(), GetParam().shown.end());
    EXPECT_EQ(answer.fields, expected);
    ASSERT_TRUE(terminal.ping());
    EXPECT_EQ(expectFrame(terminal).command, "PONG") << "the connection is still in step";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ServerPriceTexts,
    ::testing::Values(
        // "AÇÚCAR CRISTAL 1KG" in Windows-1252 stays as it is.
        PriceTexts{"InTheDisplayCodePage",
                   "",
                   "A\xC7\xDA"
                   "CAR CRISTAL 1KG",
                   "R$ 4,59",
                   {"A\xC7\xDA"
                    "CAR CRISTAL 1KG",
                    "R$ 4,59"}},
        PriceTexts{"CutToTheDisplayWidth",
                   "",
                   "BISCOITO RECHEADO CHOCOLATE 140G",
                   "R$ 2,99",
                   {"BISCOITO RECHEADO CH", "R$ 2,99"}},
        PriceTexts{"WithControlCharactersBlanked",
                   "",
                   "LEITE\tINTEGRAL\n1L",
                   "",
                   {"LEITE INTEGRAL 1L", ""}},
        // Windows-1252 reads byte 0x80 as the euro sign; Latin-1 reads it as a control
        // character, which the display shows as a blank.
        PriceTexts{"InWindows1252ByDefault", "", "\x80", "x", {"\x80", "x"}},
        PriceTexts{"InLatin1WhenSet", "codepage=latin1\n", "\x80\xC7", "x", {" \xC7", "x"}}),
    [](const ::testing::TestParamInfo<PriceTexts>& test) { return std::string(test.param.name); });

TEST_F(ServerScans, TwoTerminalsOnOneAddressEachGetTheirOwnAnswer) {
    auto first = connectFrom("127.0.0.9");
    auto second = connectFrom("127.0.0.9");
    const std::uint32_t address = addressOf("127.0.0.9");

    // The second terminal scans first; each answer goes to the terminal whose scan was
    // handed over last.
    ASSERT_TRUE(second.scan("222"));
    const auto fromSecond = waitForScan();
    ASSERT_TRUE(fromSecond);
    ASSERT_TRUE(first.scan("111"));
    const auto fromFirst = waitForScan();
    ASSERT_TRUE(fromFirst);
    EXPECT_EQ(fromSecond->address, address);
    EXPECT_EQ(fromFirst->address, address);
    EXPECT_NE(fromSecond->socket, fromFirst->socket);

    bSendProdPrice(address, "FOR FIRST", "R$ 1,11");
    EXPECT_EQ(expectFrame(first).fields, (Fields{"111", "FOR FIRST", "R$ 1,11"}));
    bSendProdPrice(address, "FOR SECOND", "R$ 2,22");
    EXPECT_EQ(expectFrame(second).fields, (Fields{"222", "FOR SECOND", "R$ 2,22"}));

    // A scan that the caller takes and never answers does not capture the next reply.
    ASSERT_TRUE(first.scan("lost"));
    ASSERT_TRUE(waitForScan());
    ASSERT_TRUE(second.scan("333"));
    ASSERT_TRUE(waitForScan());
    bSendProdNotFound(address);
    EXPECT_EQ(expectFrame(second).fields[0], "333");

    // A display message goes to the most recently active terminal of the address.
    ASSERT_TRUE(first.ping());
    EXPECT_EQ(expectFrame(first).command, "PONG");
    bSendDisplayMsg(address, u"OLA", u"PRIMEIRO", 3);
    EXPECT_EQ(expectFrame(first).fields[0], "OLA");
    ASSERT_TRUE(second.ping());
    EXPECT_EQ(expectFrame(second).command, "PONG");
    bSendDisplayMsg(address, u"OLA", u"SEGUNDO", 3);
    EXPECT_EQ(expectFrame(second).fields[1], "SEGUNDO");

    // Nothing else reached either terminal: the next frame of each is the PONG of a PING.
    for (TerminalClient* terminal : {&first, &second}) {
        ASSERT_TRUE(terminal->ping());
        EXPECT_EQ(expectFrame(*terminal).command, "PONG");
    }
}

TEST_F(ServerScans, AnswersLeaveInScanOrderAndBusyDoesNotOvertake) {
    // Six scans in one write: four are queued, the two beyond the connection's share are
    // BUSY at once, but their answers wait for those of the scans before them.
    auto terminal = connectFrom("127.0.0.7");
    const std::size_t queued = termserver::Registry::kMaxPendingPerConnection;
    std::string frames;
    for (std::size_t i = 0; i < queued + 2; ++i)
        frames += "SCAN\t" + std::to_string(i) + "\n";
    // The PONG leaves at once, so all six are queued or refused before the first is taken.
    ASSERT_TRUE(terminal.sendRaw(frames + "PING\n"));
    ASSERT_EQ(expectFrame(terminal).command, "PONG");
    for (std::size_t i = 0; i < queued; ++i) {
        const auto scan = waitForScan();
        ASSERT_TRUE(scan);
        EXPECT_EQ(scan->barcode, std::to_string(i));
        if (i % 2 == 0)
            bSendProdPrice(scan->address, "ARTIGO", "R$ 1,00");
        else
            bSendProdNotFound(scan->address);
    }
    for (std::size_t i = 0; i < queued + 2; ++i) {
        const auto answer = expectFrame(terminal);
        ASSERT_FALSE(answer.fields.empty());
        EXPECT_EQ(answer.fields[0], std::to_string(i)) << answer.command;
        EXPECT_EQ(answer.command, i >= queued ? "BUSY" : i % 2 == 0 ? "PRICE" : "NOTFOUND");
    }
    ASSERT_TRUE(terminal.scan("after"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->barcode, "after") << "nothing else was left queued";
    bSendProdPrice(scan->address, "ARTIGO", "R$ 1,00");
    EXPECT_EQ(expectFrame(terminal).fields, (Fields{"after", "ARTIGO", "R$ 1,00"}));
}

TEST_F(ServerScans, OneAddressCannotHoldUpTheOthers) {
    // Three connections of one host scan four times each: eight are queued (the host's
    // share), the rest BUSY. The scan of another terminal is queued all the same, and is
    // handed over at the host's next turn, not behind all its scans.
    std::vector<TerminalClient> greedy;
    for (int i = 0; i < 3; ++i)
        greedy.push_back(connectFrom("127.0.0.7"));
    int busy = 0;
    for (auto& connection : greedy) {
        ASSERT_TRUE(connection.sendRaw("SCAN\t1\nSCAN\t2\nSCAN\t3\nSCAN\t4\nPING\n"));
        // A connection with no scan queued gets its BUSY answers at once, before the PONG.
        for (auto frame = expectFrame(connection); frame.command != "PONG";
             frame = expectFrame(connection)) {
            ASSERT_EQ(frame.command, "BUSY");
            ++busy;
        }
    }
    EXPECT_EQ(busy, 4);
    auto other = connectFrom("127.0.0.8");
    ASSERT_TRUE(other.sendRaw("SCAN\tOTHER\nPING\n"));
    ASSERT_EQ(expectFrame(other).command, "PONG"); // so OTHER is queued before any is taken
    int fromGreedy = 0;
    for (;;) {
        const auto scan = waitForScan();
        ASSERT_TRUE(scan) << "the other terminal's scan never came";
        bSendProdNotFound(scan->address);
        if (scan->address == addressOf("127.0.0.8"))
            break;
        ++fromGreedy;
    }
    EXPECT_EQ(fromGreedy, 1);
    const auto answer = expectFrame(other);
    EXPECT_EQ(answer.command, "NOTFOUND");
    EXPECT_EQ(answer.fields[0], "OTHER");
}

TEST_F(ServerScans, TheScansOfAResetTerminalAreDropped) {
    auto leaving = connectFrom("127.0.0.7");
    auto staying = connectFrom("127.0.0.8");
    ASSERT_TRUE(leaving.scan("gone"));
    ASSERT_TRUE(leaving.ping());
    ASSERT_EQ(expectFrame(leaving).command, "PONG");
    // A reset, not a close: a terminal that only closes still gets its answers.
    const linger abort{1, 0};
    ASSERT_EQ(::setsockopt(leaving.fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort), 0);
    leaving.close();
    // Once the server has seen the reset, the table no longer lists that terminal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (table().TabIP[0] != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(table().TabIP[0], 0u);
    ASSERT_TRUE(staying.scan("here"));
    EXPECT_EQ(waitForScan()->barcode, "here");
}

TEST_F(ServerScans, TheTableIsFilledWhole) {
    auto a = connectFrom("127.0.0.10");
    auto b = connectFrom("127.0.0.11");
    TTABSOCK buffer;
    std::memset(&buffer, 0xCD, sizeof buffer);
    EXPECT_EQ(GetTabConectados(&buffer, 1), 1);
    EXPECT_EQ(buffer.NumSockConec, 2);
    EXPECT_EQ(buffer.TabIP[0], addressOf("127.0.0.10"));
    EXPECT_EQ(buffer.TabIP[1], addressOf("127.0.0.11"));
    EXPECT_NE(buffer.TabSock[0], buffer.TabSock[1]);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&buffer);
    for (std::size_t i = 2 * sizeof(std::uint16_t); i < 2048; ++i)
        ASSERT_EQ(bytes[i], 0) << "socket byte " << i;
    for (std::size_t i = 2048 + 2 * sizeof(std::uint32_t); i < 6144; ++i)
        ASSERT_EQ(bytes[i], 0) << "address byte " << i;
}

TEST_F(ServerScans, AnswersPing) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.ping());
    EXPECT_EQ(expectFrame(terminal).command, "PONG");
}

// Scans the program leaves unanswered; their time is up after one second here.
class ServerAnswerTimeOut : public LoopbackServerTest {
    std::string extraConfig() const override { return "answer_timeout=1\n"; }
};

TEST_F(ServerAnswerTimeOut, AScanTakenAndNeverAnsweredGetsRetryAndLaterAnswersFollow) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.sendRaw("SCAN\tLOST\nSCAN\tNEXT\n"));
    const auto lost = waitForScan();
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->barcode, "LOST");
    const auto next = waitForScan();
    ASSERT_TRUE(next);
    EXPECT_EQ(bSendProdPrice(next->address, "ARTIGO", "R$ 1,00"), 1);
    // The answer to NEXT waits for one to LOST, which the library gives when its time is up.
    const auto retry = expectFrame(terminal);
    EXPECT_EQ(retry.command, "RETRY");
    EXPECT_EQ(retry.fields, (Fields{"LOST", "SEM RESPOSTA", "TENTE NOVAMENTE"}));
    const auto price = expectFrame(terminal);
    EXPECT_EQ(price.command, "PRICE");
    EXPECT_EQ(price.fields, (Fields{"NEXT", "ARTIGO", "R$ 1,00"}));
    // A late reply to LOST is dropped instead of reaching the terminal as a second answer.
    EXPECT_EQ(bSendProdPrice(lost->address, "LATE", "R$ 9,99"), 1);
    ASSERT_TRUE(terminal.ping());
    EXPECT_EQ(expectFrame(terminal).command, "PONG");
}

TEST_F(ServerAnswerTimeOut, AScanTheProgramNeverTakesGetsRetryAndLeavesTheQueue) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("WAITING"));
    const auto retry = expectFrame(terminal);
    EXPECT_EQ(retry.command, "RETRY");
    EXPECT_EQ(retry.fields[0], "WAITING");
    EXPECT_FALSE(readable(tc_wakefd(), kNow)) << "no longer signalled as waiting";
    expectNextScanIs(terminal, "MARKER"); // the program no longer gets it
}

} // namespace

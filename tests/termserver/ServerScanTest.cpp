// Scans handed over to the caller and the answers that reach the terminals, over loopback.

#include "server/Registry.h"
#include "support/LoopbackServer.h"

#include <cstring>
#include <thread>

namespace {

using namespace termserver::test;
using terminalsim::TerminalClient;
using Fields = std::vector<std::string>;

class ServerScans : public LoopbackServerTest {};

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
    EXPECT_FALSE(waitForScan(std::chrono::milliseconds(200))) << "handed over only once";
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

TEST_F(ServerScans, APriceArrivesInTheDisplayCodePage) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("789"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    // Windows-1252 text from the caller: "AÇÚCAR CRISTAL 1KG" and "R$ 4,59".
    EXPECT_EQ(bSendProdPrice(scan->address,
                             "A\xC7\xDA"
                             "CAR CRISTAL 1KG",
                             "R$ 4,59"),
              1);
    const auto answer = expectFrame(terminal);
    EXPECT_EQ(answer.command, "PRICE");
    EXPECT_EQ(answer.fields, (Fields{"A\xC7\xDA"
                                     "CAR CRISTAL 1KG",
                                     "R$ 4,59"}));
}

TEST_F(ServerScans, ALongDescriptionIsCutToTheDisplayWidth) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("789"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    bSendProdPrice(scan->address, "BISCOITO RECHEADO CHOCOLATE 140G", "R$ 2,99");
    EXPECT_EQ(expectFrame(terminal).fields, (Fields{"BISCOITO RECHEADO CH", "R$ 2,99"}));
}

TEST_F(ServerScans, ControlCharactersInTheTextDoNotBreakTheFrame) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("789"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    bSendProdPrice(scan->address, "LEITE\tINTEGRAL\n1L", "");
    EXPECT_EQ(expectFrame(terminal).fields, (Fields{"LEITE INTEGRAL 1L", ""}));
    ASSERT_TRUE(terminal.ping());
    EXPECT_EQ(expectFrame(terminal).command, "PONG") << "the connection is still in step";
}

TEST_F(ServerScans, NotFoundShowsItsScreen) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("000"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    EXPECT_EQ(bSendProdNotFound(scan->address), 1);
    const auto answer = expectFrame(terminal);
    EXPECT_EQ(answer.command, "NOTFOUND");
    EXPECT_EQ(answer.fields, (Fields{"PRODUTO NAO", "ENCONTRADO"}));
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

TEST_F(ServerScans, Windows1252IsTheDefaultCodePage) {
    // Windows-1252 reads byte 0x80 as the euro sign; Latin-1 reads it as a control
    // character, which the display shows as a blank. This server runs with Windows-1252.
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("1"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    bSendProdPrice(scan->address, "\x80", "x");
    EXPECT_EQ(expectFrame(terminal).fields[0], "\x80");
}

class Latin1Server : public LoopbackServerTest {
    std::string extraConfig() const override { return "codepage=latin1\n"; }
};

TEST_F(Latin1Server, ReadsTheCallersTextAsLatin1) {
    auto terminal = connectFrom("127.0.0.7");
    ASSERT_TRUE(terminal.scan("1"));
    const auto scan = waitForScan();
    ASSERT_TRUE(scan);
    bSendProdPrice(scan->address, "\x80\xC7", "x");
    EXPECT_EQ(expectFrame(terminal).fields[0], " \xC7");
}

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
    EXPECT_EQ(expectFrame(first).fields[0], "FOR FIRST");
    bSendProdPrice(address, "FOR SECOND", "R$ 2,22");
    EXPECT_EQ(expectFrame(second).fields[0], "FOR SECOND");

    // A scan that the caller takes and never answers does not capture the next reply.
    ASSERT_TRUE(first.scan("lost"));
    ASSERT_TRUE(waitForScan());
    ASSERT_TRUE(second.scan("333"));
    ASSERT_TRUE(waitForScan());
    bSendProdNotFound(address);
    EXPECT_EQ(expectFrame(second).command, "NOTFOUND");

    // A display message goes to the most recently active terminal of the address.
    ASSERT_TRUE(first.ping());
    EXPECT_EQ(expectFrame(first).command, "PONG");
    bSendDisplayMsg(address, u"OLA", u"PRIMEIRO", 3);
    EXPECT_EQ(expectFrame(first).fields[0], "OLA");
    ASSERT_TRUE(second.ping());
    EXPECT_EQ(expectFrame(second).command, "PONG");
    bSendDisplayMsg(address, u"OLA", u"SEGUNDO", 3);
    EXPECT_EQ(expectFrame(second).fields[1], "SEGUNDO");

    // Nothing else reached either terminal.
    EXPECT_EQ(first.receive(std::chrono::milliseconds(200)).status,
              TerminalClient::Status::Timeout);
    EXPECT_EQ(second.receive(std::chrono::milliseconds(200)).status,
              TerminalClient::Status::Timeout);
}

TEST_F(ServerScans, AFullQueueAnswersBusy) {
    auto terminal = connectFrom("127.0.0.7");
    for (std::size_t i = 0; i < termserver::Registry::kMaxPendingPerConnection + 1; ++i)
        ASSERT_TRUE(terminal.scan(std::to_string(i)));
    const auto busy = expectFrame(terminal);
    EXPECT_EQ(busy.command, "BUSY");
    EXPECT_EQ(busy.fields, (Fields{"SERVIDOR OCUPADO", "TENTE NOVAMENTE"}));
    for (std::size_t i = 0; i < termserver::Registry::kMaxPendingPerConnection; ++i)
        EXPECT_EQ(waitForScan()->barcode, std::to_string(i));
    EXPECT_FALSE(waitForScan(std::chrono::milliseconds(100)));
}

TEST_F(ServerScans, TheScansOfAClosedTerminalAreDropped) {
    auto leaving = connectFrom("127.0.0.7");
    auto staying = connectFrom("127.0.0.8");
    ASSERT_TRUE(leaving.scan("gone"));
    ASSERT_TRUE(leaving.ping());
    ASSERT_EQ(expectFrame(leaving).command, "PONG");
    leaving.close();
    // Once the server has seen the close, the table no longer lists that terminal.
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

} // namespace

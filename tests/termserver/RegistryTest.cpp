// The registry of connections: slots and socket numbers, the shares of one address, the
// bounded scan queue, and which scan (and so which connection) a reply answers.

#include "server/Registry.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

using termserver::Registry;
using termserver::RegistryLimits;
using termserver::protocol::Refusal;

constexpr std::uint32_t kAddressA = 0x0500007F; // 127.0.0.5 in network byte order
constexpr std::uint32_t kAddressB = 0x0600007F;

// 127.0.1.n and onwards: one address per connection.
std::uint32_t addressNumber(std::uint32_t n) {
    return htonl(0x7F000100 + n);
}

TEST(Registry, GivesUniqueNonZeroSocketsAndTheLowestFreeSlot) {
    Registry registry;
    registry.setLimits(RegistryLimits{TERMSERVER_MAX_CONNECTIONS, TERMSERVER_MAX_CONNECTIONS, 8});
    std::set<std::uint16_t> sockets;
    for (std::size_t i = 0; i < TERMSERVER_MAX_CONNECTIONS; ++i) {
        const auto admission = registry.admit(kAddressA);
        ASSERT_TRUE(admission);
        EXPECT_EQ(admission->slot, i);
        EXPECT_NE(admission->socket, 0);
        EXPECT_TRUE(sockets.insert(admission->socket).second);
    }
    Refusal why{};
    const auto fromB = registry.admit(kAddressB, &why);
    ASSERT_TRUE(fromB) << "the 1025th connection takes the place of the idlest of A's";
    EXPECT_EQ(fromB->evicted, std::uint16_t{1});
    EXPECT_EQ(fromB->slot, 0u);
    EXPECT_FALSE(registry.admit(kAddressA, &why)) << "A's own newcomer takes nothing from A";
    EXPECT_EQ(why, Refusal::ServerFull);
    registry.release(3); // socket 3 sits in slot 2
    const auto again = registry.admit(kAddressB);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->slot, 2u);
    EXPECT_FALSE(sockets.contains(again->socket)) << "a freed number is not reused at once";
}

TEST(Registry, SocketNumbersSkipZeroAndLiveOnesWhenTheyWrapAround) {
    Registry registry;
    const auto first = registry.admit(kAddressA); // socket 1 stays connected
    ASSERT_TRUE(first);
    for (int i = 0; i < 70000; ++i) {
        const auto admission = registry.admit(kAddressB);
        ASSERT_TRUE(admission);
        ASSERT_NE(admission->socket, 0);
        ASSERT_NE(admission->socket, first->socket);
        registry.release(admission->socket);
    }
}

TEST(Registry, RefusesTheEmptyAddress) {
    EXPECT_FALSE(Registry().admit(0));
}

TEST(Registry, LimitsTheConnectionsInTotalAndOfOneAddress) {
    Registry registry;
    EXPECT_EQ(registry.limits().connectionsPerAddress, 32u);
    EXPECT_EQ(registry.limits().queuedScansPerAddress, 8u);
    registry.setLimits(RegistryLimits{5, 3, 8});
    std::vector<std::uint16_t> fromA;
    for (int i = 0; i < 3; ++i)
        fromA.push_back(registry.admit(kAddressA)->socket);
    Refusal why{};
    EXPECT_FALSE(registry.admit(kAddressA, &why));
    EXPECT_EQ(why, Refusal::AddressFull);
    ASSERT_TRUE(registry.admit(kAddressB));
    ASSERT_TRUE(registry.admit(kAddressB));
    // Full with five: a newcomer takes the place of the idlest connection of the address
    // that holds the most...
    registry.touch(fromA[0]);
    const auto newcomer = registry.admit(addressNumber(1), &why);
    ASSERT_TRUE(newcomer);
    EXPECT_EQ(newcomer->evicted, fromA[1]);
    EXPECT_EQ(registry.connectionCount(), 5u);
    // ...but not where that would leave the other no better off: A and B hold two each.
    EXPECT_FALSE(registry.admit(addressNumber(1), &why)) << "five connections in all";
    EXPECT_EQ(why, Refusal::ServerFull);
    registry.release(fromA[2]);
    const auto again = registry.admit(kAddressA);
    ASSERT_TRUE(again) << "a freed share is given again";
    EXPECT_FALSE(again->evicted);

    // The cap follows the open-file limit but never passes the table's slots.
    registry.setLimits(RegistryLimits{5000, 5000, 8});
    EXPECT_EQ(registry.limits().connections, std::size_t{TERMSERVER_MAX_CONNECTIONS});
}

TEST(Registry, HandsEachScanOverOnceOldestFirst) {
    Registry registry;
    const auto a = *registry.admit(kAddressA);
    const auto b = *registry.admit(kAddressB);
    const auto id = registry.addScan(a.socket, "111");
    ASSERT_TRUE(id);
    EXPECT_NE(*id, 0u);
    EXPECT_TRUE(registry.addScan(b.socket, "222"));
    EXPECT_TRUE(registry.addScan(a.socket, "333"));
    const auto first = registry.takeScan();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->barcode, "111");
    EXPECT_EQ(first->address, kAddressA);
    EXPECT_EQ(first->socket, a.socket);
    EXPECT_EQ(first->id, *id);
    EXPECT_EQ(registry.takeScan()->barcode, "222");
    EXPECT_EQ(registry.takeScan()->barcode, "333");
    EXPECT_FALSE(registry.takeScan());
}

TEST(Registry, AddressesTakeTurnsAndEachAddressGoesOldestFirst) {
    Registry registry;
    const auto greedy = *registry.admit(kAddressA);
    const auto greedyToo = *registry.admit(kAddressA);
    const auto other = *registry.admit(kAddressB);
    for (const char* code : {"A1", "A2", "A3"})
        registry.addScan(greedy.socket, code);
    registry.addScan(greedyToo.socket, "A4");
    registry.addScan(other.socket, "B1");
    registry.addScan(other.socket, "B2");
    std::vector<std::string> order;
    while (const auto scan = registry.takeScan())
        order.push_back(scan->barcode);
    EXPECT_EQ(order, (std::vector<std::string>{"A1", "B1", "A2", "B2", "A3", "A4"}));

    // An address that connects later (or comes back) counts as served when it connected: it
    // waits at most for one turn of those served before, not for all their scans.
    for (const char* code : {"A5", "A6", "A7"})
        registry.addScan(greedy.socket, code);
    registry.takeScan();
    const auto late = *registry.admit(addressNumber(1));
    registry.addScan(late.socket, "C1");
    EXPECT_EQ(registry.takeScan()->barcode, "A6");
    EXPECT_EQ(registry.takeScan()->barcode, "C1");
}

TEST(Registry, BoundsTheQueuePerConnectionAndPerAddressOnly) {
    Registry registry;
    const auto a = *registry.admit(kAddressA);
    for (std::size_t i = 0; i < Registry::kMaxPendingPerConnection; ++i)
        EXPECT_TRUE(registry.addScan(a.socket, "1"));
    EXPECT_FALSE(registry.addScan(a.socket, "1"));
    registry.takeScan();
    EXPECT_TRUE(registry.addScan(a.socket, "1"));

    // One address queues at most its share, however many connections it opens; another
    // address is not held up by it.
    Registry shared;
    std::size_t queued = 0;
    for (int i = 0; i < 5; ++i) {
        const auto connection = *shared.admit(kAddressA);
        for (std::size_t k = 0; k < Registry::kMaxPendingPerConnection; ++k)
            queued += shared.addScan(connection.socket, "2") ? 1 : 0;
    }
    EXPECT_EQ(queued, termserver::kDefaultQueuedScansPerAddress);
    EXPECT_TRUE(shared.addScan(shared.admit(kAddressB)->socket, "3"));
    shared.takeScan();
    EXPECT_TRUE(shared.addScan(shared.admit(kAddressA)->socket, "4")) << "a taken scan frees one";

    // Terminals that keep to their shares are all queued, however many scan at once.
    Registry busy;
    queued = 0;
    constexpr std::uint32_t kTerminals = 300;
    for (std::uint32_t i = 0; i < kTerminals; ++i) {
        const auto connection = *busy.admit(addressNumber(i));
        for (std::size_t k = 0; k < Registry::kMaxPendingPerConnection; ++k)
            queued += busy.addScan(connection.socket, "2") ? 1 : 0;
    }
    EXPECT_EQ(queued, kTerminals * Registry::kMaxPendingPerConnection);
}

TEST(Registry, DropsTheScansOfAClosedConnection) {
    Registry registry;
    const auto a = *registry.admit(kAddressA);
    const auto b = *registry.admit(kAddressB);
    registry.addScan(a.socket, "111");
    registry.addScan(b.socket, "222");
    registry.release(a.socket);
    EXPECT_EQ(registry.takeScan()->barcode, "222");
    EXPECT_FALSE(registry.takeScan());
    EXPECT_FALSE(registry.addScan(a.socket, "late"));
}

TEST(Registry, RepliesAnswerTheLastHandedOverScanOfTheAddress) {
    Registry registry;
    const auto first = *registry.admit(kAddressA);
    const auto second = *registry.admit(kAddressA);
    const auto fromSecond = registry.addScan(second.socket, "from second");
    const auto fromFirst = registry.addScan(first.socket, "from first");
    EXPECT_EQ(registry.takeScan()->socket, second.socket);
    auto target = registry.takeReplyTarget(kAddressA);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->socket, second.socket);
    EXPECT_EQ(target->scan, *fromSecond);
    EXPECT_EQ(target->barcode, "from second");
    EXPECT_FALSE(target->stale);
    EXPECT_EQ(registry.takeScan()->socket, first.socket);
    target = registry.takeReplyTarget(kAddressA);
    EXPECT_EQ(target->socket, first.socket);
    EXPECT_EQ(target->scan, *fromFirst);
}

TEST(Registry, AScanLeftUnansweredDoesNotCaptureLaterReplies) {
    // The program takes a scan and then fails to answer it (a database error): the next
    // scan's reply must still reach the terminal that sent it.
    Registry registry;
    const auto first = *registry.admit(kAddressA);
    const auto second = *registry.admit(kAddressA);
    registry.addScan(first.socket, "unanswered");
    registry.takeScan();
    registry.addScan(second.socket, "answered");
    registry.takeScan();
    EXPECT_EQ(registry.takeReplyTarget(kAddressA)->barcode, "answered");
}

TEST(Registry, ALateReplyToAScanThatHadItsAnswerIsDropped) {
    Registry registry;
    const auto first = *registry.admit(kAddressA);
    const auto second = *registry.admit(kAddressA);
    // Still queued when the library answers it: the caller never gets it.
    const auto expired = registry.addScan(first.socket, "queued");
    registry.expireScan(first.socket, *expired);
    EXPECT_FALSE(registry.takeScan());

    // Handed over, then answered by the library: the late reply is consumed and dropped
    // instead of answering the earlier scan of the address.
    registry.addScan(second.socket, "earlier");
    registry.takeScan();
    const auto late = registry.addScan(first.socket, "late");
    registry.takeScan();
    registry.expireScan(first.socket, *late);
    auto target = registry.takeReplyTarget(kAddressA);
    ASSERT_TRUE(target);
    EXPECT_TRUE(target->stale);
    EXPECT_EQ(target->barcode, "late");
    target = registry.takeReplyTarget(kAddressA);
    EXPECT_FALSE(target->stale);
    EXPECT_EQ(target->barcode, "earlier");

    // The same for the scan of a connection that has closed meanwhile.
    registry.addScan(first.socket, "gone");
    registry.takeScan();
    registry.release(first.socket);
    EXPECT_TRUE(registry.takeReplyTarget(kAddressA)->stale);
    EXPECT_TRUE(registry.hasConnection(kAddressA));
    registry.release(second.socket);
    EXPECT_FALSE(registry.hasConnection(kAddressA));
}

TEST(Registry, WithoutAScanRepliesAndMessagesGoToTheMostRecentlyActive) {
    Registry registry;
    const auto first = *registry.admit(kAddressA);
    const auto second = *registry.admit(kAddressA);
    const auto other = *registry.admit(kAddressB);
    EXPECT_EQ(registry.mostRecentlyActive(kAddressA), second.socket);
    registry.touch(first.socket);
    registry.touch(other.socket);
    EXPECT_EQ(registry.mostRecentlyActive(kAddressA), first.socket);
    const auto target = registry.takeReplyTarget(kAddressA);
    EXPECT_EQ(target->socket, first.socket);
    EXPECT_EQ(target->scan, 0u);
    EXPECT_EQ(target->barcode, "");
    EXPECT_EQ(registry.mostRecentlyActive(kAddressB), other.socket);
    EXPECT_FALSE(registry.mostRecentlyActive(0x0700007F));
    EXPECT_FALSE(registry.takeReplyTarget(0x0700007F));
    registry.release(first.socket);
    EXPECT_EQ(registry.mostRecentlyActive(kAddressA), second.socket);
}

TEST(Registry, FillsTheWholeTable) {
    Registry registry;
    const auto a = *registry.admit(kAddressA);
    const auto b = *registry.admit(kAddressB);
    const auto c = *registry.admit(kAddressA);
    registry.release(b.socket);
    TTABSOCK table;
    std::memset(&table, 0xAB, sizeof table);
    registry.fillTable(table);
    EXPECT_EQ(table.NumSockConec, 3);
    EXPECT_EQ(table.TabSock[0], a.socket);
    EXPECT_EQ(table.TabIP[0], kAddressA);
    EXPECT_EQ(table.TabIP[1], 0u);
    EXPECT_EQ(table.TabSock[1], 0u);
    EXPECT_EQ(table.TabSock[2], c.socket);
    for (std::size_t i = 3; i < TERMSERVER_MAX_CONNECTIONS; ++i) {
        ASSERT_EQ(table.TabSock[i], 0u) << i;
        ASSERT_EQ(table.TabIP[i], 0u) << i;
    }
    registry.clear();
    registry.fillTable(table);
    EXPECT_EQ(table.NumSockConec, 0);
    EXPECT_EQ(table.TabIP[0], 0u);
}

} // namespace

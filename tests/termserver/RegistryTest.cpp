// The registry of connections: slots and socket numbers, the bounded scan queue, and which
// connection of a shared address gets a reply.

#include "server/Registry.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

using termserver::Registry;
using termserver::ScanAdmission;

constexpr std::uint32_t kAddressA = 0x0500007F; // 127.0.0.5 in network byte order
constexpr std::uint32_t kAddressB = 0x0600007F;

TEST(Registry, GivesUniqueNonZeroSocketsAndTheLowestFreeSlot) {
    Registry registry;
    std::set<std::uint16_t> sockets;
    for (std::size_t i = 0; i < TERMSERVER_MAX_CONNECTIONS; ++i) {
        const auto admission = registry.admit(kAddressA);
        ASSERT_TRUE(admission);
        EXPECT_EQ(admission->slot, i);
        EXPECT_NE(admission->socket, 0);
        EXPECT_TRUE(sockets.insert(admission->socket).second);
    }
    EXPECT_FALSE(registry.admit(kAddressA)) << "the 1025th connection has no slot";
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

TEST(Registry, HandsEachScanOverOnceOldestFirst) {
    Registry registry;
    const auto a = *registry.admit(kAddressA);
    const auto b = *registry.admit(kAddressB);
    EXPECT_EQ(registry.addScan(a.socket, "111"), ScanAdmission::Queued);
    EXPECT_EQ(registry.addScan(b.socket, "222"), ScanAdmission::Queued);
    EXPECT_EQ(registry.addScan(a.socket, "333"), ScanAdmission::Queued);
    const auto first = registry.takeScan();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->barcode, "111");
    EXPECT_EQ(first->address, kAddressA);
    EXPECT_EQ(first->socket, a.socket);
    EXPECT_EQ(registry.takeScan()->barcode, "222");
    EXPECT_EQ(registry.takeScan()->barcode, "333");
    EXPECT_FALSE(registry.takeScan());
}

TEST(Registry, BoundsTheQueuePerConnectionAndInTotal) {
    Registry registry;
    const auto a = *registry.admit(kAddressA);
    for (std::size_t i = 0; i < Registry::kMaxPendingPerConnection; ++i)
        EXPECT_EQ(registry.addScan(a.socket, "1"), ScanAdmission::Queued);
    EXPECT_EQ(registry.addScan(a.socket, "1"), ScanAdmission::Busy);
    registry.takeScan();
    EXPECT_EQ(registry.addScan(a.socket, "1"), ScanAdmission::Queued);

    Registry full;
    std::size_t queued = 0;
    for (int i = 0; i < 70; ++i) {
        const auto admission = *full.admit(kAddressB);
        for (std::size_t k = 0; k < Registry::kMaxPendingPerConnection; ++k)
            queued += full.addScan(admission.socket, "2") == ScanAdmission::Queued ? 1 : 0;
    }
    EXPECT_EQ(queued, Registry::kMaxPendingScans);
    EXPECT_EQ(full.pendingScans(), Registry::kMaxPendingScans);
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
    EXPECT_EQ(registry.addScan(a.socket, "late"), ScanAdmission::Busy);
}

TEST(Registry, RepliesGoToTheLastHandedOverScanOfTheAddress) {
    Registry registry;
    const auto first = *registry.admit(kAddressA);
    const auto second = *registry.admit(kAddressA);
    registry.addScan(second.socket, "from second");
    registry.addScan(first.socket, "from first");
    EXPECT_EQ(registry.takeScan()->socket, second.socket);
    EXPECT_EQ(registry.takeReplyTarget(kAddressA), second.socket);
    EXPECT_EQ(registry.takeScan()->socket, first.socket);
    EXPECT_EQ(registry.takeReplyTarget(kAddressA), first.socket);
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
    EXPECT_EQ(registry.takeReplyTarget(kAddressA), second.socket);
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
    EXPECT_EQ(registry.takeReplyTarget(kAddressA), first.socket);
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

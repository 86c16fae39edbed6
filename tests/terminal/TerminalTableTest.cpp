#include "terminal/TerminalTable.h"

#include "Journal.h"
#include "TestProvider.h"
#include "TestViews.h"

#include <cstring>
#include <gtest/gtest.h>

namespace veska::terminal::test {
namespace {

class TerminalTableTest : public ::testing::Test {
protected:
    void SetUp() override { resetProvider(); }

    // Puts a terminal into slot i of the library's table.
    static void occupy(int slot, const char* dotted, std::uint16_t socket) {
        provider().table.TabIP[slot] = addressOf(dotted);
        provider().table.TabSock[slot] = socket;
    }
    static void vacate(int slot) {
        provider().table.TabIP[slot] = 0;
        provider().table.TabSock[slot] = 0;
    }
    static void setCount(std::int32_t count) { provider().table.NumSockConec = count; }
    // Two terminals in slots 0 and 1 are listed and the second one is picked.
    void listTwoAndPickTheSecond() {
        occupy(0, "127.0.0.1", 11);
        occupy(1, "127.0.0.2", 22);
        setCount(2);
        table.refresh();
        clickEntry(1);
    }

    void clickEntry(int index) {
        list.selected = index;
        table.pick();
    }

    RecordingListView list;
    TerminalTable table{providerApi(), list};
};

TEST_F(TerminalTableTest, StartsWithAZeroTableAndNoPick) {
    EXPECT_EQ(table.selectedSocket(), 0);
    const TTABSOCK& tab = table.tabTerms();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&tab);
    for (std::size_t i = 0; i < sizeof(TTABSOCK); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(TerminalTableTest, RefreshCopiesTheTableAndListsOccupiedSlotsInOrder) {
    occupy(0, "127.0.0.1", 1000);
    occupy(2, "127.0.0.3", 7);
    occupy(3, "127.0.0.2", 65535);
    setCount(4);
    table.setSelectedSocket(-1);
    table.refresh();

    EXPECT_EQ(provider().tableCalls, 1);
    EXPECT_EQ(provider().lastTableFlags, 1);
    EXPECT_EQ(std::memcmp(&table.tabTerms(), &provider().table, sizeof(TTABSOCK)), 0);
    EXPECT_EQ(list.entries,
              (QStringList{QStringLiteral("127.0.0.1:1000"), QStringLiteral("127.0.0.3:7"),
                           QStringLiteral("127.0.0.2:65535")}));
    // -1 matches no socket: nothing selected, and the pick becomes 0.
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(table.selectedSocket(), 0);
}

TEST_F(TerminalTableTest, RefreshClearsTheListThenAddsThenSelects) {
    occupy(0, "127.0.0.1", 5);
    setCount(1);
    table.refresh();
    EXPECT_EQ(journal(),
              (QStringList{QStringLiteral("GetTabConectados"), QStringLiteral("list clear"),
                           QStringLiteral("Inet_NtoA"), QStringLiteral("list add 127.0.0.1:5"),
                           QStringLiteral("list select -1")}));
}

TEST_F(TerminalTableTest, EmptySlotsBeforeOccupiedOnesDoNotShiftThePick) {
    occupy(1, "127.0.0.1", 11);
    occupy(4, "127.0.0.2", 22);
    occupy(6, "127.0.0.3", 33);
    setCount(7);
    table.refresh();
    clickEntry(1);
    EXPECT_EQ(table.selectedSocket(), 22);
    clickEntry(2);
    EXPECT_EQ(table.selectedSocket(), 33);
    clickEntry(0);
    EXPECT_EQ(table.selectedSocket(), 11);
}

TEST_F(TerminalTableTest, ThePickedTerminalIsSelectedAgainWhereverItNowStands) {
    listTwoAndPickTheSecond();
    ASSERT_EQ(table.selectedSocket(), 22);

    vacate(0);
    vacate(1);
    occupy(0, "127.0.0.4", 44);
    occupy(1, "127.0.0.5", 55);
    occupy(5, "127.0.0.2", 22);
    setCount(6);
    table.refresh();
    EXPECT_EQ(list.entries.size(), 3);
    EXPECT_EQ(list.selected, 2);
    EXPECT_EQ(list.selectedText(), QStringLiteral("127.0.0.2:22"));
    EXPECT_EQ(table.selectedSocket(), 22);
}

TEST_F(TerminalTableTest, AGoneTerminalLeavesNothingSelectedAndForgetsThePick) {
    listTwoAndPickTheSecond();
    vacate(1);
    table.refresh();
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(table.selectedSocket(), 0);
}

TEST_F(TerminalTableTest, TheEarlierOfTwoSlotsWithThePickedSocketIsSelected) {
    occupy(0, "127.0.0.1", 11);
    occupy(3, "127.0.0.2", 22);
    occupy(5, "127.0.0.3", 22);
    setCount(6);
    table.setSelectedSocket(22);
    table.refresh();
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(table.selectedSocket(), 22);
}

TEST_F(TerminalTableTest, OnlyTheFirstCountSlotsAreExamined) {
    occupy(0, "127.0.0.1", 11);
    occupy(1, "127.0.0.2", 22);
    occupy(2, "127.0.0.3", 33);
    setCount(2);
    table.refresh();
    EXPECT_EQ(list.entries.size(), 2);
    // The pick counts only examined slots: there is no third entry to pick.
    clickEntry(1);
    clickEntry(2);
    EXPECT_EQ(table.selectedSocket(), 22);
}

TEST_F(TerminalTableTest, AClickWithNothingSelectedKeepsThePick) {
    occupy(0, "127.0.0.1", 11);
    setCount(1);
    table.refresh();
    clickEntry(0);
    clickEntry(-1);
    EXPECT_EQ(table.selectedSocket(), 11);
}

TEST_F(TerminalTableTest, SocketZeroCanBePicked) {
    occupy(0, "127.0.0.1", 0);
    occupy(1, "127.0.0.2", 9);
    setCount(2);
    table.setSelectedSocket(-1);
    table.refresh();
    EXPECT_EQ(list.selected, -1);
    clickEntry(0);
    EXPECT_EQ(table.selectedSocket(), 0);
    table.refresh();
    EXPECT_EQ(list.selected, 0);
}

TEST_F(TerminalTableTest, DottedTextIsTakenFromTheCodePageAndCutAt255Characters) {
    occupy(0, "127.0.0.1", 8);
    setCount(1);
    provider().dottedText = std::string(300, 'x');
    table.refresh();
    EXPECT_EQ(list.entries, QStringList{QString(255, QLatin1Char('x')) + QStringLiteral(":8")});
    provider().dottedText = "caixa-\xE7\xE3o";
    table.refresh();
    EXPECT_EQ(list.entries, QStringList{QStringLiteral("caixa-ção:8")});
}

// Counts of connected terminals that the library reports outside 1 to 1024.
class TerminalTableCount : public TerminalTableTest,
                           public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(TerminalTableCount, NoSlotIsExaminedForACountOfZeroOrLess) {
    occupy(0, "127.0.0.1", 11);
    setCount(GetParam());
    table.setSelectedSocket(11);
    table.refresh();
    EXPECT_TRUE(list.entries.isEmpty());
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(table.selectedSocket(), 0);
    // A click with no entry behind it finds no slot.
    clickEntry(0);
    EXPECT_EQ(table.selectedSocket(), 0);
}

INSTANTIATE_TEST_SUITE_P(ZeroOrLess, TerminalTableCount, ::testing::Values(0, -1, -2147483647 - 1));

class TerminalTableLargeCount : public TerminalTableCount {};

TEST_P(TerminalTableLargeCount, IsTreatedAs1024) {
    for (int slot = 0; slot < kTabSockSlots; ++slot)
        occupy(slot, "127.0.0.9", static_cast<std::uint16_t>(slot));
    setCount(GetParam());
    table.refresh();
    ASSERT_EQ(list.entries.size(), kTabSockSlots);
    EXPECT_EQ(list.entries.back(), QStringLiteral("127.0.0.9:1023"));
    clickEntry(kTabSockSlots - 1);
    EXPECT_EQ(table.selectedSocket(), 1023);
    table.refresh();
    EXPECT_EQ(list.selected, kTabSockSlots - 1);
}

INSTANTIATE_TEST_SUITE_P(AtLeast1024, TerminalTableLargeCount,
                         ::testing::Values(1024, 1025, 2147483647));

} // namespace
} // namespace veska::terminal::test

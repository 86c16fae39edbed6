// gerencia.conf, and the notices of terminals gone away that it switches on.

#include "journal/ManagementSettings.h"

#include "journal/AbsenceAlerts.h"
#include "journal/LocalDay.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace veska::journal::test {
namespace {

TEST(ManagementSettings, ALineThatCannotBeReadIsNamedAndItsKeyKeepsTheDefault) {
    const ManagementSettingsReading reading = parseManagementSettings(
        {QStringLiteral("# gerência"), QStringLiteral("JOURNAL = off"),
         QStringLiteral("retention_days = 0"), QStringLiteral("opening_hours = 22:00-08:00"),
         QStringLiteral("alert_after_minutes = 15 # um quarto de hora"),
         QStringLiteral("horario 08:00"), QStringLiteral("web_listen = 127.0.0.1:8080"),
         QStringLiteral("cor = azul")});
    const ManagementSettings& s = reading.settings;
    EXPECT_FALSE(s.journal);
    EXPECT_EQ(s.retentionDays, 90);
    EXPECT_EQ(s.openingHours, OpeningHours{});
    EXPECT_EQ(s.alertAfterMinutes, 15);
    EXPECT_EQ(s.web.listen, QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(
        reading.problems,
        (QStringList{QStringLiteral("gerencia.conf, linha 3: retention_days deve ser um número de "
                                    "dias de 1 a 3650 - vale o padrão."),
                     QStringLiteral("gerencia.conf, linha 4: opening_hours deve ser como "
                                    "08:00-22:00 - vale o padrão."),
                     QStringLiteral("gerencia.conf, linha 6: falta \"=\" - vale o padrão."),
                     QStringLiteral("gerencia.conf, linha 8: chave desconhecida \"cor\" - vale o "
                                    "padrão.")}));
}

// The terminals of a connection table holding those addresses.
terminal::TerminalKeys tableOf(std::initializer_list<const char*> addresses) {
    terminal::TTABSOCK table{};
    int slot = 0;
    for (const char* address : addresses) {
        table.TabIP[slot] = ::inet_addr(address);
        table.TabSock[slot] = static_cast<std::uint16_t>(100 + slot);
        ++slot;
    }
    table.NumSockConec = slot;
    return terminal::connectedTerminals(table);
}

TEST(AbsenceAlerts, ATerminalGoneForTheMinutesWithinOpeningHoursIsAnnouncedOnceAndItsReturn) {
    const std::string day = "2026-03-10";
    const auto at = [&](int h, int m) { return localTimeOn(day, h * 60 + m); };
    AbsenceAlerts alerts(10, {8 * 60, 22 * 60});
    // Seen only before opening: never announced.
    EXPECT_TRUE(alerts.update(tableOf({"10.0.0.7"}), at(6, 0)).empty());
    EXPECT_TRUE(alerts.update(tableOf({"10.0.0.5"}), at(9, 0)).empty());
    EXPECT_TRUE(alerts.update(tableOf({}), at(9, 9)).empty());
    const auto gone = alerts.update(tableOf({}), at(9, 10));
    ASSERT_EQ(gone.size(), 1U);
    EXPECT_TRUE(gone[0].gone);
    EXPECT_EQ(gone[0].text, QStringLiteral("Terminal 10.0.0.5 sem conexão desde 09:00 (há 10 "
                                           "minutos)."));
    EXPECT_TRUE(alerts.update(tableOf({}), at(9, 30)).empty());
    const auto back = alerts.update(tableOf({"10.0.0.5"}), at(9, 40));
    ASSERT_EQ(back.size(), 1U);
    EXPECT_FALSE(back[0].gone);
    EXPECT_EQ(back[0].text, QStringLiteral("Terminal 10.0.0.5 conectado de novo (estava fora "
                                           "desde 09:00)."));
    // Gone at closing time: nothing said after hours.
    EXPECT_TRUE(alerts.update(tableOf({"10.0.0.5"}), at(21, 55)).empty());
    EXPECT_TRUE(alerts.update(tableOf({}), at(22, 30)).empty());
}

} // namespace
} // namespace veska::journal::test

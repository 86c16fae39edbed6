// The settings file termserver.conf and the TERMSERVER_LISTEN override.

#include "server/Config.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

using termserver::parseConfig;
using termserver::parseListen;
using termserver::codepage::CodePage;

std::uint32_t addressOf(const char* dotted) {
    in_addr value{};
    ::inet_pton(AF_INET, dotted, &value);
    return value.s_addr;
}

TEST(Config, DefaultsToAllInterfacesOnPort9123) {
    const auto config = parseConfig("", nullptr, nullptr);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->listen.address, "0.0.0.0");
    EXPECT_EQ(config->listen.port, 9123);
    EXPECT_EQ(config->codePage, CodePage::Windows1252);
    EXPECT_EQ(config->idleTimeout, std::chrono::seconds(90));
    EXPECT_EQ(config->answerTimeout, std::chrono::seconds(8));
    EXPECT_EQ(config->connectionsPerAddress, 32u);
    EXPECT_EQ(config->queuedScansPerAddress, 8u);
    EXPECT_TRUE(config->allow.empty());
    EXPECT_TRUE(config->allow.permits(addressOf("203.0.113.9")));
}

TEST(Config, ReadsEveryKeyAndSkipsCommentsAndBlankLines) {
    const auto config = parseConfig("# shop 3\r\n\n  listen = 127.0.0.9:4000 \r\n"
                                    "codepage=iso-8859-1\nidle_timeout=15\n"
                                    "answer_timeout=3\nmax_connections_per_address=2\n"
                                    "max_queued_scans_per_address=256\n",
                                    nullptr, nullptr);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->listen.address, "127.0.0.9");
    EXPECT_EQ(config->listen.port, 4000);
    EXPECT_EQ(config->codePage, CodePage::Latin1);
    EXPECT_EQ(config->idleTimeout, std::chrono::seconds(15));
    EXPECT_EQ(config->answerTimeout, std::chrono::seconds(3));
    EXPECT_EQ(config->connectionsPerAddress, 2u);
    EXPECT_EQ(config->queuedScansPerAddress, 256u);
}

TEST(Config, TheAllowListTakesAddressesAndNetworksOverSeveralLines) {
    const auto config = parseConfig(
        "allow = 192.168.10.0/24, 10.0.0.5\nallow=172.16.7.9/16,127.0.0.1/32\n", nullptr, nullptr);
    ASSERT_TRUE(config);
    for (const char* inside :
         {"192.168.10.0", "192.168.10.255", "10.0.0.5", "172.16.200.1", "127.0.0.1"})
        EXPECT_TRUE(config->allow.permits(addressOf(inside))) << inside;
    for (const char* outside : {"192.168.11.1", "10.0.0.4", "10.0.0.6", "172.17.0.1", "127.0.0.2"})
        EXPECT_FALSE(config->allow.permits(addressOf(outside))) << outside;
    EXPECT_TRUE(parseConfig("allow=0.0.0.0/0\n", nullptr, nullptr)
                    ->allow.permits(addressOf("203.0.113.9")));
}

TEST(Config, KeysIgnoreCaseAByteOrderMarkIsSkippedAndAnUnknownKeyIsRefused) {
    for (const char* text : {"Allow=10.0.0.5\n", "ALLOW = 10.0.0.5\n",
                             "\xEF\xBB\xBF"
                             "allow=10.0.0.5\n"}) {
        const auto config = parseConfig(text, nullptr, nullptr);
        ASSERT_TRUE(config) << text;
        EXPECT_TRUE(config->allow.permits(addressOf("10.0.0.5"))) << text;
        EXPECT_FALSE(config->allow.permits(addressOf("10.0.0.6"))) << text;
    }
    const auto listen = parseConfig("\xEF\xBB\xBFlisten=127.0.0.9:4000\n", nullptr, nullptr);
    ASSERT_TRUE(listen);
    EXPECT_EQ(listen->listen.address, "127.0.0.9");
    std::string reason;
    EXPECT_FALSE(parseConfig("listen=127.0.0.9:4000\nalow=10.0.0.5\n", nullptr, &reason));
    EXPECT_EQ(reason, "line 2: unknown key \"alow\"");
}

TEST(Config, EnvironmentOverridesTheListenLine) {
    const auto config = parseConfig("listen=127.0.0.9:4000\n", "127.0.0.1:5000", nullptr);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->listen.address, "127.0.0.1");
    EXPECT_EQ(config->listen.port, 5000);
    // An empty variable counts as unset.
    EXPECT_EQ(parseConfig("listen=127.0.0.9:4000\n", "", nullptr)->listen.port, 4000);
}

TEST(Config, RefusesBadValuesWithAReason) {
    for (const char* text : {"listen=127.0.0.1\n",
                             "listen=localhost:9123\n",
                             "listen=127.0.0.1:70000\n",
                             "listen=127.0.0.1:-1\n",
                             "codepage=437\n",
                             "idle_timeout=0\n",
                             "idle_timeout=abc\n",
                             "just a line\n",
                             "answer_timeout=0\n",
                             "answer_timeout=3601\n",
                             "max_connections_per_address=0\n",
                             "max_connections_per_address=1025\n",
                             "max_queued_scans_per_address=0\n",
                             "max_queued_scans_per_address=257\n",
                             "allow=\n",
                             "allow=10.0.0.0/33\n",
                             "allow=10.0.0\n",
                             "allow=10.0.0.1,,10.0.0.2\n",
                             "allow=10.0.0.1/\n",
                             "allow=shop.example:9123\n"}) {
        std::string reason;
        EXPECT_FALSE(parseConfig(text, nullptr, &reason)) << text;
        EXPECT_EQ(reason.rfind("line 1: ", 0), 0u) << text << reason;
    }
    std::string reason;
    EXPECT_FALSE(
        parseConfig("# terminals\nallow = 192.168.10.0/24, 192.168.1O.7\n", nullptr, &reason));
    EXPECT_EQ(reason, "line 2: allow takes addresses and networks (10.0.0.5, 192.168.10.0/24) "
                      "separated by commas; \"192.168.1O.7\" is neither");
    EXPECT_FALSE(parseConfig("", "nonsense", &reason));
    EXPECT_NE(reason.find("TERMSERVER_LISTEN"), std::string::npos);
}

TEST(Config, ParsesListenEndpoints) {
    const auto any = parseListen("0.0.0.0:0");
    ASSERT_TRUE(any);
    EXPECT_EQ(any->port, 0);
    EXPECT_FALSE(parseListen(":9123"));
    EXPECT_FALSE(parseListen("1.2.3:9123"));
    EXPECT_FALSE(parseListen("127.0.0.1:"));
}

} // namespace

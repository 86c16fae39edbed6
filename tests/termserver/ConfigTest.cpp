// The settings file termserver.conf and the TERMSERVER_LISTEN override.

#include "server/Config.h"

#include <gtest/gtest.h>

namespace {

using termserver::parseConfig;
using termserver::parseListen;
using termserver::codepage::CodePage;

TEST(Config, DefaultsToAllInterfacesOnPort9123) {
    const auto config = parseConfig("", nullptr, nullptr);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->listen.address, "0.0.0.0");
    EXPECT_EQ(config->listen.port, 9123);
    EXPECT_EQ(config->codePage, CodePage::Windows1252);
    EXPECT_EQ(config->idleTimeout, std::chrono::seconds(90));
}

TEST(Config, ReadsEveryKeyAndSkipsCommentsAndBlankLines) {
    const auto config = parseConfig("# shop 3\r\n\n  listen = 127.0.0.9:4000 \r\n"
                                    "codepage=iso-8859-1\nidle_timeout=15\nfuture_key=1\n",
                                    nullptr, nullptr);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->listen.address, "127.0.0.9");
    EXPECT_EQ(config->listen.port, 4000);
    EXPECT_EQ(config->codePage, CodePage::Latin1);
    EXPECT_EQ(config->idleTimeout, std::chrono::seconds(15));
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
    for (const char* text : {"listen=127.0.0.1\n", "listen=localhost:9123\n",
                             "listen=127.0.0.1:70000\n", "listen=127.0.0.1:-1\n", "codepage=437\n",
                             "idle_timeout=0\n", "idle_timeout=abc\n", "just a line\n"}) {
        std::string reason;
        EXPECT_FALSE(parseConfig(text, nullptr, &reason)) << text;
        EXPECT_FALSE(reason.empty()) << text;
    }
    std::string reason;
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

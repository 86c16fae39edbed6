#include "app/StartupDelay.h"

#include "core/Errors.h"

#include <gtest/gtest.h>

using veska::app::startupDelayFor;

namespace {
QStringList args(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* a : list)
        out << QString::fromUtf8(a);
    return out;
}
} // namespace

TEST(StartupDelay, WithoutAnArgumentOneMillisecond) {
    EXPECT_EQ(startupDelayFor({}), 1);
}

TEST(StartupDelay, SecondsFromTheFirstArgumentOnly) {
    EXPECT_EQ(startupDelayFor(args({"0"})), 0);
    EXPECT_EQ(startupDelayFor(args({"30"})), 30000);
    EXPECT_EQ(startupDelayFor(args({"$1F"})), 31000);
    EXPECT_EQ(startupDelayFor(args({"-0"})), 0);
    EXPECT_EQ(startupDelayFor(args({"+3"})), 3000);
    EXPECT_EQ(startupDelayFor(args({"10", "x"})), 10000);
}

TEST(StartupDelay, NegativeMeansNoDelayAndHugeIsHeldAtTheLargest) {
    EXPECT_EQ(startupDelayFor(args({"-5"})), 0);
    EXPECT_EQ(startupDelayFor(args({"-2147483648"})), 0);
    EXPECT_EQ(startupDelayFor(args({"2147483"})), 2147483000);
    EXPECT_EQ(startupDelayFor(args({"2147484"})), 2147483000);
    EXPECT_EQ(startupDelayFor(args({"4294968"})), 2147483000); // would wrap to 704 ms
}

TEST(StartupDelay, AFirstArgumentThatIsNoIntegerIsAConversionError) {
    for (const char* bad : {"abc", "5abc", " 7 ", ""}) {
        try {
            startupDelayFor(args({bad}));
            ADD_FAILURE() << bad;
        } catch (const veska::ConvertError& e) {
            EXPECT_EQ(
                e.text(),
                QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(bad)));
        }
    }
}

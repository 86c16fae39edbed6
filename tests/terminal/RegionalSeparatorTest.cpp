// Built twice: for a locale with a decimal comma and for one with a decimal point (the
// test's environment sets LC_ALL), so the price texts follow the regional settings.
#include "QtPrinters.h"
#include "terminal/PriceText.h"

#include <gtest/gtest.h>

namespace veska::terminal {
namespace {

#if VESKA_EXPECT_DECIMAL_COMMA
const QChar kExpected = QLatin1Char(',');
#else
const QChar kExpected = QLatin1Char('.');
#endif

// The suite is named after the locale variant, so the two programs' tests differ by name.
TEST(VESKA_LOCALE_SUITE, RegionalSeparatorFollowsTheEnvironment) {
    EXPECT_EQ(regionalDecimalSeparator(), kExpected);
}

} // namespace
} // namespace veska::terminal

#include "terminal/PriceText.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace veska::terminal {
namespace {

const QChar kComma = QLatin1Char(',');
const QChar kPoint = QLatin1Char('.');

QString price(const char* general, QChar separator = kComma) {
    const auto text = priceText(QString::fromLatin1(general), separator);
    return text.value_or(QStringLiteral("<none>"));
}

TEST(PriceTextTest, TheTableOfPriceTexts) {
    EXPECT_EQ(price("12,34"), QStringLiteral("R$ 12,34"));
    EXPECT_EQ(price("12,5"), QStringLiteral("R$ 12,50"));
    EXPECT_EQ(price("12"), QStringLiteral("R$ 12,00"));
    EXPECT_EQ(price("1234,5"), QStringLiteral("R$ 1234,50"));
    EXPECT_EQ(price("0,5"), QStringLiteral("R$ 0,50"));
    EXPECT_EQ(price("0"), QStringLiteral("R$ 0,00"));
}

TEST(PriceTextTest, NoDigitGroupingForLargePrices) {
    EXPECT_EQ(price("1234567,89"), QStringLiteral("R$ 1234567,89"));
    EXPECT_EQ(price("123456789012345"), QStringLiteral("R$ 123456789012345,00"));
}

TEST(PriceTextTest, MoreThanTwoDecimalsRoundToTheCentHalfAwayFromZero) {
    EXPECT_EQ(price("12,345"), QStringLiteral("R$ 12,35"));
    EXPECT_EQ(price("12,344999"), QStringLiteral("R$ 12,34"));
    EXPECT_EQ(price("12,3450001"), QStringLiteral("R$ 12,35"));
    EXPECT_EQ(price("9,995"), QStringLiteral("R$ 10,00"));
    EXPECT_EQ(price("999,999"), QStringLiteral("R$ 1000,00"));
    EXPECT_EQ(price("0,004"), QStringLiteral("R$ 0,00"));
    EXPECT_EQ(price("0,005"), QStringLiteral("R$ 0,01"));
}

// These values have no exact binary double: 2.675 is stored as 2.67499999..., so rounding
// the double would give 2,67. The price text rounds the decimal text that the database
// layer shows, as the operator reads it.
TEST(PriceTextTest, RoundsTheDecimalTextNotTheBinaryDouble) {
    EXPECT_EQ(price("2,675"), QStringLiteral("R$ 2,68"));
    EXPECT_EQ(price("1,005"), QStringLiteral("R$ 1,01"));
    EXPECT_EQ(price("0,285"), QStringLiteral("R$ 0,29"));
    EXPECT_EQ(price("1,015"), QStringLiteral("R$ 1,02"));
}

TEST(PriceTextTest, NegativePricesRoundAwayFromZero) {
    EXPECT_EQ(price("-12,345"), QStringLiteral("R$ -12,35"));
    EXPECT_EQ(price("-12,5"), QStringLiteral("R$ -12,50"));
    EXPECT_EQ(price("-2,675"), QStringLiteral("R$ -2,68"));
    EXPECT_EQ(price("-0,005"), QStringLiteral("R$ -0,01"));
    // A price that rounds to nothing carries no sign.
    EXPECT_EQ(price("-0,004"), QStringLiteral("R$ 0,00"));
}

TEST(PriceTextTest, ExponentForms) {
    EXPECT_EQ(price("1,5E-5"), QStringLiteral("R$ 0,00"));
    EXPECT_EQ(price("5E-3"), QStringLiteral("R$ 0,01"));
    EXPECT_EQ(price("1,2345E3"), QStringLiteral("R$ 1234,50"));
    EXPECT_EQ(price("1,23E+2"), QStringLiteral("R$ 123,00"));
    EXPECT_EQ(price("1E15"), QStringLiteral("R$ 1000000000000000,00"));
    EXPECT_EQ(price("-9,999e-1"), QStringLiteral("R$ -1,00"));
}

TEST(PriceTextTest, TheRegionalSeparatorIsUsedWhateverTheTextCarries) {
    EXPECT_EQ(price("12,5", kPoint), QStringLiteral("R$ 12.50"));
    EXPECT_EQ(price("12.5", kPoint), QStringLiteral("R$ 12.50"));
    EXPECT_EQ(price("12.345", kPoint), QStringLiteral("R$ 12.35"));
    EXPECT_EQ(price("12.5", kComma), QStringLiteral("R$ 12,50"));
    // Never "R$ 12,345,00" nor "R$ 12.5,00".
    EXPECT_EQ(price("12,345", kComma), QStringLiteral("R$ 12,35"));
    EXPECT_EQ(price("1234", kPoint), QStringLiteral("R$ 1234.00"));
}

TEST(PriceTextTest, TextThatIsNoDecimalNumberGivesNoPrice) {
    for (const char* bad : {"", "-", ",", "abc", "12,3,4", "1.2,3", "INF", "NAN", "12,5 ", " 12",
                            "E5", "1E", "1E+", "1E5x", "1E401", "1 234,5"}) {
        EXPECT_FALSE(priceText(QString::fromLatin1(bad), kComma).has_value()) << bad;
    }
}

TEST(PriceTextTest, NoPriceText) {
    EXPECT_EQ(noPriceText(), QStringLiteral("SEM PRE\u00C7O"));
}

} // namespace
} // namespace veska::terminal

// The general decimal form and the display format "#,##0.00" under a decimal comma and a
// decimal point.
#include "catalogue/products/NumberText.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace veska::catalogue {
namespace {

const QLocale kBrazil(QLocale::Portuguese, QLocale::Brazil);
const QLocale kC = QLocale::c();

TEST(GeneralDecimalTextTest, FifteenSignificantDigitsNoGroupingNoTrailingZeros) {
    EXPECT_EQ(generalDecimalText(12.5, kBrazil), QStringLiteral("12,5"));
    EXPECT_EQ(generalDecimalText(12.5, kC), QStringLiteral("12.5"));
    EXPECT_EQ(generalDecimalText(12.34, kBrazil), QStringLiteral("12,34"));
    EXPECT_EQ(generalDecimalText(12, kBrazil), QStringLiteral("12"));
    EXPECT_EQ(generalDecimalText(1234.5, kBrazil), QStringLiteral("1234,5"));
    EXPECT_EQ(generalDecimalText(1234567.5, kBrazil), QStringLiteral("1234567,5"));
    EXPECT_EQ(generalDecimalText(0.5, kBrazil), QStringLiteral("0,5"));
    EXPECT_EQ(generalDecimalText(0.1 + 0.2, kBrazil), QStringLiteral("0,3"));
    EXPECT_EQ(generalDecimalText(1234567.891234567, kBrazil), QStringLiteral("1234567,89123457"));
    EXPECT_EQ(generalDecimalText(-7.25, kBrazil), QStringLiteral("-7,25"));
    EXPECT_EQ(generalDecimalText(0.0, kBrazil), QStringLiteral("0"));
    EXPECT_EQ(generalDecimalText(-0.0, kBrazil), QStringLiteral("0"));
    EXPECT_EQ(generalDecimalText(0.0001, kBrazil), QStringLiteral("0,0001"));
    EXPECT_EQ(generalDecimalText(0.00001, kBrazil), QStringLiteral("1E-5"));
    EXPECT_EQ(generalDecimalText(1.5e20, kBrazil), QStringLiteral("1,5E20"));
    EXPECT_EQ(generalDecimalText(123456789012345.0, kBrazil), QStringLiteral("123456789012345"));
}

TEST(MoneyTextTest, NearestHundredthTwoDecimalsGrouping) {
    EXPECT_EQ(moneyText(12.5, kBrazil), QStringLiteral("12,50"));
    EXPECT_EQ(moneyText(1234.5, kBrazil), QStringLiteral("1.234,50"));
    EXPECT_EQ(moneyText(1234.5, kC), QStringLiteral("1,234.50"));
    EXPECT_EQ(moneyText(1234567.891, kBrazil), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(moneyText(0.5, kBrazil), QStringLiteral("0,50"));
    EXPECT_EQ(moneyText(0, kBrazil), QStringLiteral("0,00"));
    EXPECT_EQ(moneyText(0.004, kBrazil), QStringLiteral("0,00"));
    EXPECT_EQ(moneyText(0.005, kBrazil), QStringLiteral("0,01"));
    EXPECT_EQ(moneyText(2.675, kBrazil), QStringLiteral("2,68")) << "judged on the decimal form";
    EXPECT_EQ(moneyText(1.005, kBrazil), QStringLiteral("1,01"));
    EXPECT_EQ(moneyText(9.999, kBrazil), QStringLiteral("10,00"));
    EXPECT_EQ(moneyText(999.995, kBrazil), QStringLiteral("1.000,00"));
    EXPECT_EQ(moneyText(-1234.5, kBrazil), QStringLiteral("-1.234,50"));
    EXPECT_EQ(moneyText(-0.001, kBrazil), QStringLiteral("0,00"));
    EXPECT_EQ(moneyText(12345678901234.5, kBrazil), QStringLiteral("12.345.678.901.234,50"));
}

} // namespace
} // namespace veska::catalogue

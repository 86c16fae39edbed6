#include "core/IntegerText.h"

#include "core/Errors.h"

#include <gtest/gtest.h>

using veska::parseInteger;
using veska::tryParseInteger;

TEST(IntegerText, AcceptsDecimalWithBlanksAndOneSignInFront) {
    EXPECT_EQ(tryParseInteger(u"0"), 0);
    EXPECT_EQ(tryParseInteger(u"-0"), 0);
    EXPECT_EQ(tryParseInteger(u"+3"), 3);
    EXPECT_EQ(tryParseInteger(u"   30"), 30);
    EXPECT_EQ(tryParseInteger(u" -12"), -12);
}

TEST(IntegerText, AcceptsHexadecimalAfterEachPrefix) {
    EXPECT_EQ(tryParseInteger(u"$1F"), 31);
    EXPECT_EQ(tryParseInteger(u"x1f"), 31);
    EXPECT_EQ(tryParseInteger(u"X10"), 16);
    EXPECT_EQ(tryParseInteger(u"0x7fffffff"), 2147483647);
    EXPECT_EQ(tryParseInteger(u"0X10"), 16);
    EXPECT_EQ(tryParseInteger(u"-$10"), -16);
}

TEST(IntegerText, RejectsAnythingElse) {
    for (const char16_t* text : {u"", u" ", u"abc", u"5abc", u" 7 ", u"7 ", u"+", u"-", u"$", u"0x",
                                 u"1.5", u"--1", u"+-1", u"$G", u"12e3", u"\t7"})
        EXPECT_FALSE(tryParseInteger(text).has_value()) << QString::fromUtf16(text).toStdString();
}

TEST(IntegerText, KeepsToTheSigned32BitRange) {
    EXPECT_EQ(tryParseInteger(u"2147483647"), 2147483647);
    EXPECT_EQ(tryParseInteger(u"-2147483648"), INT32_MIN);
    EXPECT_FALSE(tryParseInteger(u"2147483648"));
    EXPECT_FALSE(tryParseInteger(u"-2147483649"));
    EXPECT_FALSE(tryParseInteger(u"$80000000"));
    EXPECT_FALSE(tryParseInteger(u"99999999999999999999999"));
}

TEST(IntegerText, ConversionErrorNamesTheText) {
    try {
        parseInteger(QStringLiteral("5abc"));
        FAIL() << "no error";
    } catch (const veska::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("'5abc' is not a valid integer value"));
    }
}

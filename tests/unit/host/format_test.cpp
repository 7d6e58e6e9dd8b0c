// The eight-character number formatters: exact texts for ordinary, boundary and
// unrepresentable values.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "tests/unit/host/test_effect.h"

using melp::testing::TestEffect;

namespace {

std::string formatFloat(float value) {
    TestEffect effect(nullptr);
    char text[32];
    std::memset(text, 'x', sizeof text);
    effect.formatFloat(value, text);
    return text;
}

}  // namespace

TEST(FormatFloat, EightCharactersForValuesInRange) {
    EXPECT_EQ(formatFloat(0.0f), "0.000000");
    EXPECT_EQ(formatFloat(1.5f), "1.500000");
    EXPECT_EQ(formatFloat(-1.5f), "-1.50000");
    EXPECT_EQ(formatFloat(-0.5f), "-0.50000");
    EXPECT_EQ(formatFloat(100.0f), "100.0000");
    EXPECT_EQ(formatFloat(1234567.0f), "1234567.");
    EXPECT_EQ(formatFloat(-123456.0f), "-123456.");
    EXPECT_EQ(formatFloat(0.25f), "0.250000");
    EXPECT_EQ(formatFloat(12.75f), "12.75000");
    EXPECT_EQ(formatFloat(1000.0f), "1000.000");
    // Fraction digits are truncated, not rounded.
    EXPECT_EQ(formatFloat(0.1f), "0.100000");
    EXPECT_EQ(formatFloat(2.0f / 3.0f), "0.666666");
}

TEST(FormatFloat, BeyondTheLimitIsHuge) {
    EXPECT_EQ(formatFloat(100000000.0f), "Huge!");
    EXPECT_EQ(formatFloat(-10000000.0f), "Huge!");
    EXPECT_EQ(formatFloat(std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(formatFloat(-std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(formatFloat(3.0e38f), "Huge!");
}

TEST(FormatFloat, FullWidthIntegersKeepTheirLeadingDigit) {
    // Eight integer digits (seven when negative) leave no room for the point: the digits are
    // written whole rather than losing the first one.
    EXPECT_EQ(formatFloat(12345678.0f), "12345678");
    EXPECT_EQ(formatFloat(99999992.0f), "99999992");
    EXPECT_EQ(formatFloat(-1234567.0f), "-1234567");
}

TEST(FormatFloat, NotANumberIsNamed) {
    EXPECT_EQ(formatFloat(std::numeric_limits<float>::quiet_NaN()), "NaN");
}

TEST(FormatInteger, RightAlignedInSevenColumns) {
    TestEffect effect(nullptr);
    char text[16];
    effect.formatInteger(5, text);
    EXPECT_STREQ(text, "      5");
    effect.formatInteger(-42, text);
    EXPECT_STREQ(text, "    -42");
    effect.formatInteger(99999999, text);
    EXPECT_STREQ(text, "99999999");
    effect.formatInteger(-9999999, text);
    EXPECT_STREQ(text, "-9999999");
    effect.formatInteger(100000000, text);
    EXPECT_STREQ(text, "Huge!");
    // Cutting "%7d" after eight characters would show another number: these are too wide.
    effect.formatInteger(-10000000, text);
    EXPECT_STREQ(text, "Huge!");
    effect.formatInteger(std::numeric_limits<int>::min(), text);
    EXPECT_STREQ(text, "Huge!");
}

TEST(FormatDecibels, LogarithmOfPositiveValuesElseMinusInfinity) {
    TestEffect effect(nullptr);
    char text[16];
    effect.formatDecibels(1.0f, text);
    EXPECT_STREQ(text, "0.000000");
    effect.formatDecibels(10.0f, text);
    EXPECT_STREQ(text, "20.00000");
    effect.formatDecibels(0.1f, text);
    EXPECT_STREQ(text, "-20.0000");
    effect.formatDecibels(0.0f, text);
    EXPECT_STREQ(text, "-oo");
    effect.formatDecibels(-1.0f, text);
    EXPECT_STREQ(text, "-oo");
    effect.formatDecibels(std::numeric_limits<float>::quiet_NaN(), text);
    EXPECT_STREQ(text, "-oo");
}

TEST(FormatHertzAndMilliseconds, UseTheCurrentSampleRate) {
    TestEffect effect(nullptr);
    char text[16];
    effect.formatHertz(100.0f, text);
    EXPECT_STREQ(text, "441.0000");
    effect.formatHertz(0.0f, text);
    EXPECT_STREQ(text, "0.000000");
    effect.formatMilliseconds(441.0f, text);
    EXPECT_STREQ(text, "10.00000");
    effect.changeSampleRate(48000.0f);
    effect.formatMilliseconds(48.0f, text);
    EXPECT_STREQ(text, "1.000000");
    effect.changeSampleRate(0.0f);
    effect.formatMilliseconds(48.0f, text);
    EXPECT_STREQ(text, "Huge!");
}

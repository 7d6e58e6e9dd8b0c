// The display texts of the two converters, exactly as the panel shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "editor/value_converters.h"

namespace melp::editor {
namespace {

std::string decibels(float value) {
    char text[256] = {};
    decibelsToText(value, text);
    return text;
}

std::string kilohertz(float value) {
    char text[256] = {};
    kilohertzToText(value, text);
    return text;
}

TEST(ValueConverters, DecibelsHaveTwoDecimalsAndNoSpace) {
    EXPECT_EQ(decibels(0.0f), "0.00dB");
    EXPECT_EQ(decibels(-3.5f), "-3.50dB");
    EXPECT_EQ(decibels(-100.0f), "-100.00dB");
    EXPECT_EQ(decibels(6.02f), "6.02dB");
    EXPECT_EQ(decibels(-99.9f), "-99.90dB");
    EXPECT_EQ(decibels(-94.9f), "-94.90dB");
}

TEST(ValueConverters, KilohertzHaveOneDecimalAndNoUnit) {
    EXPECT_EQ(kilohertz(44100.0f), "44.1");
    EXPECT_EQ(kilohertz(48000.0f), "48.0");
    EXPECT_EQ(kilohertz(96000.0f), "96.0");
    EXPECT_EQ(kilohertz(22050.0f), "22.1");
}

TEST(ValueConverters, ExtremeValuesStayInsideTheBuffer) {
    char text[256];
    std::memset(text, 'x', sizeof text);
    decibelsToText(std::numeric_limits<float>::max(), text);
    EXPECT_LT(std::strlen(text), sizeof text);
    EXPECT_EQ(std::string(text).substr(std::strlen(text) - 2), "dB");
    kilohertzToText(-std::numeric_limits<float>::max(), text);
    EXPECT_LT(std::strlen(text), sizeof text);
    EXPECT_EQ(kilohertz(std::numeric_limits<float>::infinity()), "inf");
    decibelsToText(0.0f, nullptr);  // a display without a buffer is left alone
}

}  // namespace
}  // namespace melp::editor

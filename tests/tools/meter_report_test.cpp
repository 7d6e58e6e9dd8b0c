// Checks the writers: JSON numbers read back exactly and non-numbers become null, strings are
// escaped, the meter scale's dB at a bar position follows the scale's printed marks, and the
// correlation reads on the panel's scale.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "tools/melp_meter/report.h"

namespace melp::tools {
namespace {

TEST(MeterReport, JsonNumbersReadBackExactly) {
    for (double v : {0.0, -0.0, 1.0, -3.5, 0.1, 1.0 / 3.0, 6.02e-23, 123456789.125, -99.90000152587891}) {
        const std::string text = jsonNumber(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(jsonNumber(-std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(jsonNumber(std::nan("")), "null");
}

TEST(MeterReport, JsonStringsAreEscaped) {
    EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(jsonString("line\nnext\t\x01"), "\"line\\nnext\\t\\u0001\"");
    EXPECT_EQ(jsonString("caf\xc3\xa9"), "\"caf\xc3\xa9\"");
}

TEST(MeterReport, ScaleDbFollowsTheScaleMarks) {
    EXPECT_NEAR(levelScaleDb(1.0, false), 0.0, 1e-9);
    // Each segment ends at its own magnitude (index / 32767).
    const auto db = [](double index) { return 20.0 * std::log10(index / 32767.0); };
    EXPECT_NEAR(levelScaleDb(0.5, false), db(3277), 1e-9);
    EXPECT_NEAR(levelScaleDb(0.32, false), db(1036), 1e-9);
    EXPECT_NEAR(levelScaleDb(0.19, false), db(328), 1e-9);
    EXPECT_NEAR(levelScaleDb(0.095, false), db(103), 1e-9);
    // Inside the top segment: index 10362 (-10 dB) sits at three quarters.
    EXPECT_NEAR(levelScaleDb(0.75, false), db(10362), 0.001);
    EXPECT_NEAR(levelScaleDb(1.0, true), 5.0, 1e-9);
    EXPECT_LT(levelScaleDb(0.0, false), -70.0);
}

TEST(MeterReport, JsonDocumentCarriesEveryReading) {
    MeterReport report;
    report.input.file = "a \"quoted\" name.wav";
    report.input.sampleRateHz = 48000;
    report.input.frames = 96000;
    report.mode = MeterMode::truePeak;
    report.final.channels[0].maxDisplayText = "-3.50dB";
    report.final.channels[0].samplePeak = 0.5;
    report.final.channels[0].truePeak = 0.75;
    report.final.bands[16].levelDb = -12;
    report.moments.emplace_back().timeSeconds = 1.5;
    const std::string json = jsonText(report);
    for (const char* key : {"\"schema\":\"melp-meter/1\"", "\"file\":\"a \\\"quoted\\\" name.wav\"",
                            "\"durationSeconds\":2", "\"mode\":\"truepeak\"", "\"scale\":\"AES\"",
                            "\"maxDisplayText\":\"-3.50dB\"", "\"truePeak\":0.75",
                            "\"samplePeakDbfs\":-6.020599913279624", "\"centreHz\":1000,\"levelDb\":-12",
                            "\"timeSeconds\":1.5", "\"litSeconds\":0"})
        EXPECT_NE(json.find(key), std::string::npos) << key;
    // Silence has no dBFS: null, never a bare -inf that no JSON reader takes.
    EXPECT_NE(json.find("\"samplePeakDbfs\":null"), std::string::npos);
    EXPECT_EQ(json.find("inf"), std::string::npos);
    EXPECT_EQ(json.back(), '\n');
}

TEST(MeterReport, CorrelationReadsAsThePanelsScale) {
    // The meter's 0 to 1 on the panel's -1 to +1 in the summary; JSON keeps the meter's
    // figures under their keys and adds the scale's beside them.
    MeterReport report;
    report.input.sampleRateHz = 48000;
    report.input.frames = 96000;
    report.final.correlation = 0.25;
    report.final.correlationMin = 0.0;
    report.final.correlationMax = 0.9;
    report.final.correlationSettled = true;
    const std::string summary = summaryText(report);
    EXPECT_NE(summary.find("correlation          -0.500   minimum -1.000   maximum +0.800"),
              std::string::npos)
        << summary;
    const std::string json = jsonText(report);
    EXPECT_NE(json.find("\"correlation\":{\"final\":0.25,\"min\":0,\"max\":0.9,\"settled\":true,"
                        "\"scaleFinal\":-0.5,\"scaleMin\":-1,\"scaleMax\":0.8"),
              std::string::npos)
        << json;

    report.final.correlationSettled = false;
    report.final.correlation = 0.75;
    EXPECT_NE(summaryText(report).find("correlation          +0.500   (too short to settle)"),
              std::string::npos);
    EXPECT_NE(jsonText(report).find("\"scaleFinal\":0.5,\"scaleMin\":null,\"scaleMax\":null"),
              std::string::npos);
}

}  // namespace
}  // namespace melp::tools

// Checks melp-meter's command line: every option's value, and a one-line reason for each
// unusable command line.
#include <gtest/gtest.h>

#include <vector>

#include "tools/melp_meter/options.h"

namespace melp::tools {
namespace {

ParsedOptions parse(std::vector<const char*> args) {
    args.insert(args.begin(), "melp-meter");
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(MeterOptions, DefaultsMeterTheProgrammeInPeakMode) {
    const ParsedOptions p = parse({});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.file, "");
    EXPECT_EQ(p.options.mode, MeterMode::peak);
    EXPECT_EQ(p.options.blockFrames, 512);
    EXPECT_FALSE(p.options.fastCorrelation || p.options.json || p.options.quiet);
    EXPECT_TRUE(p.options.atSeconds.empty());
}

TEST(MeterOptions, EveryOptionTakesItsValue) {
    const ParsedOptions p = parse({"--mode", "quasipeak", "--fast-correlation", "--block=1024", "--json",
                                   "--png", "out/pics", "--at", "12.5,3,3,0.25", "--channels", "3,1",
                                   "--quiet", "song.flac"});
    ASSERT_EQ(p.error, "");
    const MeterOptions& o = p.options;
    EXPECT_EQ(o.mode, MeterMode::quasiPeak);
    EXPECT_STREQ(scaleName(o.mode), "DIN");
    EXPECT_TRUE(o.fastCorrelation && o.json && o.quiet && o.channelsGiven);
    EXPECT_EQ(o.blockFrames, 1024);
    EXPECT_EQ(o.pngFolder, "out/pics");
    EXPECT_EQ(o.atSeconds, (std::vector<double>{0.25, 3.0, 12.5}));
    EXPECT_EQ(o.leftChannel, 3);
    EXPECT_EQ(o.rightChannel, 1);
    EXPECT_EQ(o.file, "song.flac");
    EXPECT_EQ(parse({"--mode=truepeak"}).options.mode, MeterMode::truePeak);
    EXPECT_STREQ(scaleName(MeterMode::truePeak), "AES");
}

TEST(MeterOptions, DashDashEndsTheOptions) {
    const ParsedOptions p = parse({"--", "--odd-name.wav"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.file, "--odd-name.wav");
}

TEST(MeterOptions, UnusableCommandLinesNameTheProblem) {
    const std::vector<std::pair<std::vector<const char*>, const char*>> cases = {
        {{"--mode", "loud"}, "--mode loud"},
        {{"--mode"}, "--mode needs a value"},
        {{"--block", "0"}, "--block 0"},
        {{"--block", "65537"}, "--block 65537"},
        {{"--block", "12x"}, "--block 12x"},
        {{"--block", "-5"}, "--block -5"},
        {{"--at", "-1"}, "'-1'"},
        {{"--at", "nan"}, "'nan'"},
        {{"--at", "1,,2"}, "''"},
        {{"--at", "1e3"}, "'1e3'"},
        {{"--channels", "1"}, "--channels 1"},
        {{"--channels", "0,2"}, "--channels 0,2"},
        {{"--channels", "1,2,3"}, "--channels 1,2,3"},
        {{"--png", ""}, "--png needs a folder"},
        {{"--json=yes"}, "--json takes no value"},
        {{"--loud"}, "unknown option --loud"},
        {{"a.wav", "b.wav"}, "one file"},
        {{""}, "empty file name"},
    };
    for (const auto& [args, expected] : cases) {
        const ParsedOptions p = parse(args);
        EXPECT_NE(p.error.find(expected), std::string::npos)
            << "for " << args[0] << ": got '" << p.error << "'";
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace melp::tools

// Command-line options of melp-meter and their parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace melp::tools {

enum class MeterMode { peak, truePeak, quasiPeak };

// What the level page meters with: sample peak and true peak use the AES scale, quasi-peak
// the DIN scale, exactly as the panel's scale and true-peak buttons pair them.
const char* modeName(MeterMode mode) noexcept;
const char* scaleName(MeterMode mode) noexcept;

struct MeterOptions {
    std::string file;  // empty: the built-in programme
    MeterMode mode = MeterMode::peak;
    bool fastCorrelation = false;
    std::int32_t blockFrames = 512;
    bool json = false;
    std::string pngFolder;             // empty: no pictures
    std::vector<double> atSeconds;     // ascending, no duplicates
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool channelsGiven = false;
    std::int32_t leftChannel = 1;      // 1-based channel numbers in the file
    std::int32_t rightChannel = 2;
};

struct ParsedOptions {
    MeterOptions options;
    std::string error;  // non-empty: the one-line reason the command line is unusable
};

constexpr std::int32_t kMaxBlockFrames = 65536;

// Parses argv[1..argc-1]. Never throws; an unusable command line comes back in `error`.
ParsedOptions parseOptions(int argc, const char* const* argv);

// The text of --help.
std::string usageText();

}  // namespace melp::tools

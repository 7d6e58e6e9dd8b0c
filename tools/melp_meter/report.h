// melp-meter's readings and the two ways it prints them: a summary for people and a JSON
// document for scripts (key names are stable; the README documents the schema).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/melp_meter/options.h"

namespace melp::tools {

constexpr int kBandCount = 30;
extern const std::array<double, kBandCount> kBandCentresHz;

struct ChannelReading {
    // The maximum display exactly as the panel drew it ("-3.50dB"), its number, and whether
    // it was drawn in the panel's red (above 0 dB on the AES scale, above +1 on DIN).
    std::string maxDisplayText;
    double maxDisplayDb = 0.0;
    bool maxDisplayRed = false;
    // This tool's own measurement of the samples fed (linear, 1.0 full scale).
    double samplePeak = 0.0;
    double truePeak = 0.0;
    // The over lamp: lit at the moment of reading, ever lit, how long and how many times.
    bool overLit = false;
    bool overEverLit = false;
    double overLitSeconds = 0.0;
    std::int32_t overLitCount = 0;
    // Level bar positions on the meter scale (0 bottom, 1 top), read from the bar's pixels,
    // and the scale's dB at those positions.
    double averagePosition = 0.0;
    double peakPosition = 0.0;
    double averageScaleDb = 0.0;
    double peakScaleDb = 0.0;
};

struct BandReading {
    double levelDb = 0.0;  // on the analyser's scale: 0 dB full scale down to -56 dB
    double maxDb = 0.0;
};

struct PanelSnapshot {
    double timeSeconds = 0.0;
    std::array<ChannelReading, 2> channels{};
    // Correlation pointer: 1 in phase, 0.5 uncorrelated, 0 opposite. The minimum and maximum
    // skip the first five time constants, while the meter still rises from 0.
    double correlation = 0.0;
    double correlationMin = 0.0;
    double correlationMax = 0.0;
    bool correlationSettled = false;
    std::array<BandReading, kBandCount> bands{};
};

struct InputDescription {
    std::string file;  // empty for the built-in programme
    std::string format;
    double sampleRateHz = 0.0;
    std::int32_t fileChannels = 0;
    std::int32_t leftChannel = 1;  // 1-based
    std::int32_t rightChannel = 2;
    std::int64_t frames = 0;
    std::int64_t nonFiniteSamples = 0;  // replaced by 0 before metering
};

struct MeterReport {
    InputDescription input;
    MeterMode mode = MeterMode::peak;
    bool fastCorrelation = false;
    std::int32_t blockFrames = 512;
    PanelSnapshot final;
    std::vector<PanelSnapshot> moments;
    std::vector<std::string> pictures;
    std::string pluginName;
    std::string pluginVendor;
};

// The correlation meter's 0 to 1 (1 in phase, 0.5 unrelated, 0 opposite) on the panel's
// printed scale: +1 in phase, 0 unrelated, -1 opposite.
double correlationOnScale(double correlation) noexcept;

// The meter scale's dB at a level bar position (the AES scale; DIN reads 5 dB higher).
double levelScaleDb(double position, bool din) noexcept;

std::string summaryText(const MeterReport& report);
std::string jsonText(const MeterReport& report);

// Shortest text that reads back as the same double; "null" when not finite.
std::string jsonNumber(double value);
std::string jsonString(const std::string& text);

}  // namespace melp::tools

// What the benchmarks meter: the five modes and 512-frame blocks of noise or silence.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "meter/meter_effect.h"

namespace melp::bench {

constexpr int kBlockFrames = 512;
constexpr float kRateHz = 48000.0f;

struct Mode {
    float view;
    float truePeak;
    float quasiPeak;
};

inline std::vector<std::pair<const char*, Mode>> modes() {
    return {{"sample_peak", {0.0f, 0.0f, 0.0f}},
            {"true_peak", {0.0f, 1.0f, 0.0f}},
            {"quasi_peak", {0.0f, 0.0f, 1.0f}},
            {"band_view", {1.0f, 0.0f, 0.0f}},
            {"correlation_view", {2.0f, 0.0f, 0.0f}}};
}

inline void prepare(meter::MeterEffect& effect, const Mode& mode) {
    effect.changeSampleRate(kRateHz);
    effect.setParameterValue(7, mode.view);
    effect.setParameterValue(5, mode.truePeak);
    effect.setParameterValue(4, mode.quasiPeak);
}

// Separate input and output buffers, as most hosts hand them over.
struct Signal {
    explicit Signal(bool silent) : input(2, std::vector<float>(kBlockFrames)),
                                   output(2, std::vector<float>(kBlockFrames)) {
        uint32_t state = 12345u;
        for (auto& channel : input) {
            for (float& sample : channel) {
                state = state * 1664525u + 1013904223u;
                const double uniform = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
                sample = silent ? 0.0f : static_cast<float>(0.5 * uniform);
            }
        }
        inputs[0] = input[0].data();
        inputs[1] = input[1].data();
        outputs[0] = output[0].data();
        outputs[1] = output[1].data();
    }
    void run(meter::MeterEffect& effect) { effect.processReplace(inputs, outputs, kBlockFrames); }

    std::vector<std::vector<float>> input;
    std::vector<std::vector<float>> output;
    float* inputs[2];
    float* outputs[2];
};

}  // namespace melp::bench

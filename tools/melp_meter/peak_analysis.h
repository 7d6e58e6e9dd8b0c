// melp-meter's own peak measurement of the samples it feeds the plug-in: the exact sample
// peak and a 4x oversampled true-peak estimate per channel, in linear magnitude (1.0 is full
// scale). The panel shows its maxima rounded to hundredths of a dB; these give the exact
// figure beside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace melp::tools {

class PeakAnalysis {
public:
    static constexpr int kTapsPerPhase = 16;
    static constexpr int kPhases = 4;

    PeakAnalysis() noexcept;

    // [any thread, one at a time] Adds frames of both channels (finite samples).
    void add(const float* left, const float* right, std::int32_t frames, bool withTruePeak);
    // Evaluates the intervals still inside the interpolator window (call once at the end).
    void finish(bool withTruePeak);

    double samplePeak(int channel) const noexcept { return channels_[static_cast<std::size_t>(channel)].samplePeak; }
    // At least the sample peak: the interpolator meets every sample at phase 0.
    double truePeak(int channel) const noexcept { return channels_[static_cast<std::size_t>(channel)].truePeak; }

    // Weight of window sample m (0 oldest) for the point k/4 past sample 7 of the window.
    float weight(int m, int k) const noexcept {
        return kernel_[static_cast<std::size_t>(k)][static_cast<std::size_t>(m)];
    }

private:
    struct Channel {
        // The last kTapsPerPhase - 1 samples, then the samples being added: every window of
        // the block lies in it whole.
        std::vector<float> line = std::vector<float>(kTapsPerPhase - 1, 0.0f);
        double samplePeak = 0.0;
        double truePeak = 0.0;
    };

    void addChannel(Channel& channel, const float* samples, std::int32_t frames, bool withTruePeak);

    // kernel_[k][m]: weight of window sample m for phase k.
    std::array<std::array<float, kTapsPerPhase>, kPhases> kernel_{};
    std::array<Channel, 2> channels_{};
};

// 20 log10(magnitude); -infinity for 0.
double toDecibels(double magnitude) noexcept;

}  // namespace melp::tools

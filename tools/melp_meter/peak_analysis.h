// melp-meter's own peak measurement of the samples it feeds the plug-in: the exact sample
// peak and a 4x oversampled true-peak estimate per channel, in linear magnitude (1.0 is full
// scale). The panel shows its maxima rounded to hundredths of a dB; these give the exact
// figure beside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace melp::tools {

class PeakAnalysis {
public:
    static constexpr int kTapsPerPhase = 16;
    static constexpr int kPhases = 4;

    PeakAnalysis() noexcept;

    // [any thread, one at a time] Adds frames of both channels.
    void add(const float* left, const float* right, std::int32_t frames, bool withTruePeak) noexcept;
    // Evaluates the intervals still inside the interpolator window (call once at the end).
    void finish(bool withTruePeak) noexcept;

    double samplePeak(int channel) const noexcept { return channels_[static_cast<std::size_t>(channel)].samplePeak; }
    // At least the sample peak: the interpolator meets every sample at phase 0.
    double truePeak(int channel) const noexcept { return channels_[static_cast<std::size_t>(channel)].truePeak; }

private:
    struct Channel {
        // Mirrored ring: the newest kTapsPerPhase samples always lie contiguous.
        std::array<float, 2 * kTapsPerPhase> history{};
        double samplePeak = 0.0;
        double truePeak = 0.0;
        std::int64_t hotUntil = -1;  // last frame whose window may exceed truePeak
    };

    void push(Channel& channel, float sample, bool withTruePeak) noexcept;

    // kernel_[m][k]: weight of window sample m (0 oldest) for the point k/4 past sample 7;
    // the phases side by side, so one pass over the window computes all four.
    std::array<std::array<float, kPhases>, kTapsPerPhase> kernel_{};
    double kernelBound_ = 1.0;  // largest sum of |weights| of a phase
    std::array<Channel, 2> channels_{};
    int position_ = 0;
    std::int64_t frame_ = 0;
};

// 20 log10(magnitude); -infinity for 0.
double toDecibels(double magnitude) noexcept;

}  // namespace melp::tools

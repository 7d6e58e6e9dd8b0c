#include "tools/melp_meter/peak_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace melp::tools {

namespace {

constexpr double kPi = 3.141592653589793;

// Modified Bessel function of order 0, by its power series (converges fast for the
// window's small arguments).
double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-17 * sum) break;
    }
    return sum;
}

}  // namespace

double toDecibels(double magnitude) noexcept {
    if (!(magnitude > 0.0)) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(magnitude);
}

PeakAnalysis::PeakAnalysis() noexcept {
    // Kaiser-windowed sinc interpolation to the original band edge; each phase normalised
    // to unity gain at 0 Hz so a constant reads its own value.
    constexpr double beta = 7.0;
    constexpr double halfWidth = kTapsPerPhase / 2.0;
    const double windowNorm = besselI0(beta);
    for (std::size_t k = 0; k < kPhases; ++k) {
        const double mu = static_cast<double>(k) / kPhases;
        std::array<double, kTapsPerPhase> weights{};
        double sum = 0.0;
        for (std::size_t m = 0; m < kTapsPerPhase; ++m) {
            const double t = (halfWidth - 1.0 + mu) - static_cast<double>(m);
            const double sinc = t == 0.0 ? 1.0 : std::sin(kPi * t) / (kPi * t);
            const double r = t / halfWidth;
            const double window = r * r < 1.0 ? besselI0(beta * std::sqrt(1.0 - r * r)) / windowNorm : 0.0;
            weights[m] = sinc * window;
            sum += weights[m];
        }
        double bound = 0.0;
        for (std::size_t m = 0; m < kTapsPerPhase; ++m) {
            kernel_[m][k] = static_cast<float>(weights[m] / sum);
            bound += std::fabs(static_cast<double>(kernel_[m][k]));
        }
        kernelBound_ = std::max(kernelBound_, bound);
    }
}

void PeakAnalysis::push(Channel& c, float sample, bool withTruePeak) noexcept {
    const double magnitude = std::fabs(static_cast<double>(sample));
    if (magnitude > c.samplePeak) c.samplePeak = magnitude;
    if (magnitude > c.truePeak) c.truePeak = magnitude;
    c.history[static_cast<std::size_t>(position_)] = sample;
    c.history[static_cast<std::size_t>(position_ + kTapsPerPhase)] = sample;
    if (!withTruePeak) return;
    // A window whose every sample is below truePeak / kernelBound cannot exceed truePeak:
    // only windows holding a loud enough sample are interpolated.
    if (magnitude * kernelBound_ > c.truePeak) c.hotUntil = frame_ + kTapsPerPhase - 1;
    if (frame_ > c.hotUntil) return;
    const float* window = &c.history[static_cast<std::size_t>(position_ + 1)];
    // Single precision is ample for a peak (1e-6 dB) and lets the four phases run as one
    // vector.
    float y[kPhases] = {};
#if defined(__SSE__)
    __m128 sum = _mm_setzero_ps();
    for (std::size_t m = 0; m < kTapsPerPhase; ++m)
        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(kernel_[m].data()), _mm_set1_ps(window[m])));
    _mm_storeu_ps(y, sum);
#else
    for (std::size_t m = 0; m < kTapsPerPhase; ++m) {
        for (std::size_t k = 0; k < kPhases; ++k) y[k] += kernel_[m][k] * window[m];
    }
#endif
    for (std::size_t k = 1; k < kPhases; ++k) {
        const double my = std::fabs(static_cast<double>(y[k]));
        if (my > c.truePeak) c.truePeak = my;
    }
}

void PeakAnalysis::add(const float* left, const float* right, std::int32_t frames,
                       bool withTruePeak) noexcept {
    for (std::int32_t i = 0; i < frames; ++i) {
        position_ = (position_ + 1) % kTapsPerPhase;
        push(channels_[0], left[i], withTruePeak);
        push(channels_[1], right[i], withTruePeak);
        ++frame_;
    }
}

void PeakAnalysis::finish(bool withTruePeak) noexcept {
    // Silence after the end brings the last samples through the window's centre.
    const float zeros[kTapsPerPhase / 2] = {};
    const double keep[2] = {channels_[0].samplePeak, channels_[1].samplePeak};
    add(zeros, zeros, kTapsPerPhase / 2, withTruePeak);
    channels_[0].samplePeak = keep[0];
    channels_[1].samplePeak = keep[1];
}

}  // namespace melp::tools

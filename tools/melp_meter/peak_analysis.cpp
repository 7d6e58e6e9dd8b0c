#include "tools/melp_meter/peak_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
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

namespace {

using Kernel = std::array<std::array<float, PeakAnalysis::kTapsPerPhase>, PeakAnalysis::kPhases>;

// The largest |y| over the windows starting at line[0] .. line[count - 1], phases 1 to 3
// (phase 0 is the sample itself). Each y is summed in window order from 0, in single
// precision (ample for a peak, 1e-6 dB), the same in every version below.
float crestScalar(const Kernel& kernel, const float* line, std::int32_t count) noexcept {
    float crest = 0.0f;
    for (std::int32_t n = 0; n < count; ++n) {
        for (std::size_t k = 1; k < PeakAnalysis::kPhases; ++k) {
            float y = 0.0f;
            for (std::size_t m = 0; m < PeakAnalysis::kTapsPerPhase; ++m) y += kernel[k][m] * line[n + static_cast<std::int32_t>(m)];
            crest = std::max(crest, std::fabs(y));
        }
    }
    return crest;
}

#if defined(__x86_64__) || defined(__i386__)
// Four or eight windows side by side, one per lane.
float crestSse(const Kernel& kernel, const float* line, std::int32_t count) noexcept {
    const __m128 sign = _mm_set1_ps(-0.0f);
    __m128 crest = _mm_setzero_ps();
    std::int32_t n = 0;
    for (; n + 4 <= count; n += 4) {
        __m128 y[3] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
        for (std::size_t m = 0; m < PeakAnalysis::kTapsPerPhase; ++m) {
            const __m128 x = _mm_loadu_ps(line + n + static_cast<std::int32_t>(m));
            for (std::size_t k = 0; k < 3; ++k) y[k] = _mm_add_ps(y[k], _mm_mul_ps(_mm_set1_ps(kernel[k + 1][m]), x));
        }
        for (const __m128& v : y) crest = _mm_max_ps(crest, _mm_andnot_ps(sign, v));
    }
    float lanes[4];
    _mm_storeu_ps(lanes, crest);
    float result = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
    return std::max(result, crestScalar(kernel, line + n, count - n));
}

__attribute__((target("avx"))) float crestAvx(const Kernel& kernel, const float* line,
                                              std::int32_t count) noexcept {
    const __m256 sign = _mm256_set1_ps(-0.0f);
    __m256 crest = _mm256_setzero_ps();
    std::int32_t n = 0;
    for (; n + 8 <= count; n += 8) {
        __m256 y[3] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
        for (std::size_t m = 0; m < PeakAnalysis::kTapsPerPhase; ++m) {
            const __m256 x = _mm256_loadu_ps(line + n + static_cast<std::int32_t>(m));
            // Multiply, then add: a fused step would round once, unlike the other versions.
            for (std::size_t k = 0; k < 3; ++k)
                y[k] = _mm256_add_ps(y[k], _mm256_mul_ps(_mm256_set1_ps(kernel[k + 1][m]), x));
        }
        for (const __m256& v : y) crest = _mm256_max_ps(crest, _mm256_andnot_ps(sign, v));
    }
    float lanes[8];
    _mm256_storeu_ps(lanes, crest);
    float result = 0.0f;
    for (float lane : lanes) result = std::max(result, lane);
    return std::max(result, crestSse(kernel, line + n, count - n));
}

float crest(const Kernel& kernel, const float* line, std::int32_t count) noexcept {
    static const bool avx = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return avx ? crestAvx(kernel, line, count) : crestSse(kernel, line, count);
}
#else
float crest(const Kernel& kernel, const float* line, std::int32_t count) noexcept {
    return crestScalar(kernel, line, count);
}
#endif

}  // namespace

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
        for (std::size_t m = 0; m < kTapsPerPhase; ++m) kernel_[k][m] = static_cast<float>(weights[m] / sum);
    }
}

void PeakAnalysis::addChannel(Channel& c, const float* samples, std::int32_t frames, bool withTruePeak) {
    float loudest = 0.0f;
    for (std::int32_t i = 0; i < frames; ++i) loudest = std::max(loudest, std::fabs(samples[i]));
    c.samplePeak = std::max(c.samplePeak, static_cast<double>(loudest));
    c.truePeak = std::max(c.truePeak, static_cast<double>(loudest));
    if (!withTruePeak) return;
    constexpr std::size_t kKept = kTapsPerPhase - 1;
    c.line.resize(kKept);
    c.line.insert(c.line.end(), samples, samples + frames);
    // Window n ends at the block's sample n: the newest sample is the window's last.
    c.truePeak = std::max(c.truePeak, static_cast<double>(crest(kernel_, c.line.data(), frames)));
    std::copy(c.line.end() - static_cast<std::ptrdiff_t>(kKept), c.line.end(), c.line.begin());
}

void PeakAnalysis::add(const float* left, const float* right, std::int32_t frames, bool withTruePeak) {
    if (frames <= 0) return;
    addChannel(channels_[0], left, frames, withTruePeak);
    addChannel(channels_[1], right, frames, withTruePeak);
}

void PeakAnalysis::finish(bool withTruePeak) {
    // Silence after the end brings the last samples through the window's centre.
    const float zeros[kTapsPerPhase / 2] = {};
    const double keep[2] = {channels_[0].samplePeak, channels_[1].samplePeak};
    add(zeros, zeros, kTapsPerPhase / 2, withTruePeak);
    channels_[0].samplePeak = keep[0];
    channels_[1].samplePeak = keep[1];
}

}  // namespace melp::tools

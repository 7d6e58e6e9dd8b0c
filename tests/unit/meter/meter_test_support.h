// Helpers for the metering tests: an effect on the heap (it is about 400 KiB), signal
// generators, and block processing.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "meter/meter_effect.h"

namespace melp::testing {

using meter::MeterEffect;

// An effect whose per-sample rate query can run a hook: the engine asks for the rate once
// per sample (more often where a run of samples starts), which lets a test act in the
// middle of a block, as another thread would.
class ProbedEffect : public MeterEffect {
public:
    ProbedEffect() noexcept : MeterEffect(nullptr) {}
    float currentSampleRate() noexcept override {
        ++queries;
        if (hook) {
            hook(queries);
        }
        return MeterEffect::currentSampleRate();
    }
    std::function<void(int64_t)> hook;
    int64_t queries = 0;
};

inline std::unique_ptr<ProbedEffect> makeEffect(float rateHz = 44100.0f) {
    auto effect = std::make_unique<ProbedEffect>();
    effect->changeSampleRate(rateHz);
    return effect;
}

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
    size_t size() const { return left.size(); }
};

inline Stereo silence(size_t frames) {
    return {std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
}

inline std::vector<float> sine(size_t frames, double frequencyHz, double rateHz,
                               double amplitude, double phase = 0.0) {
    std::vector<float> out(frames);
    const double twoPi = 6.283185307179586;
    for (size_t i = 0; i < frames; ++i) {
        out[i] = static_cast<float>(amplitude *
                                    std::sin(twoPi * frequencyHz * static_cast<double>(i) / rateHz + phase));
    }
    return out;
}

// Uniform noise in [-amplitude, amplitude], reproducible from the seed.
inline std::vector<float> noise(size_t frames, uint32_t seed, double amplitude = 1.0) {
    std::vector<float> out(frames);
    uint32_t state = seed * 2654435761u + 1u;
    for (float& sample : out) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<float>(amplitude * (static_cast<double>(state >> 8) / 8388608.0 - 1.0));
    }
    return out;
}

// Runs the signal through processReplace in blocks, in place; returns what came out.
inline Stereo process(MeterEffect& effect, Stereo signal, size_t block = 512) {
    for (size_t start = 0; start < signal.size(); start += block) {
        const size_t n = std::min(block, signal.size() - start);
        float* channels[2] = {signal.left.data() + start, signal.right.data() + start};
        effect.processReplace(channels, channels, static_cast<host::int32>(n));
    }
    return signal;
}

// Frames [start, start + frames) of a signal.
inline Stereo slice(const Stereo& s, size_t start, size_t frames) {
    const auto from = static_cast<std::ptrdiff_t>(start);
    const auto to = static_cast<std::ptrdiff_t>(start + frames);
    return {std::vector<float>(s.left.begin() + from, s.left.begin() + to),
            std::vector<float>(s.right.begin() + from, s.right.begin() + to)};
}

// Every set of kernels this processor runs, SSE2 first.
inline std::vector<const meter::Kernels*> availableKernels() {
    std::vector<const meter::Kernels*> kernels{&meter::sse2Kernels()};
    for (const meter::Kernels* k : {meter::avx2Kernels(), meter::avx512Kernels()}) {
        if (k) {
            kernels.push_back(k);
        }
    }
    return kernels;
}

inline float peakOf(const MeterEffect& e, int ch) { return e.peakLevel[ch].load(); }
inline float maxOf(const MeterEffect& e, int ch) { return e.maxLevel[ch].load(); }

inline double db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace melp::testing

#include "tools/melp_meter/default_programme.h"

#include <cmath>
#include <cstdint>

namespace melp::tools {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr auto kTotalFrames = static_cast<std::int64_t>(kProgrammeRateHz * kProgrammeSeconds);

double sine(double hz, double seconds, double phase = 0.0) {
    return std::sin(kTwoPi * hz * seconds + phase);
}

// Stateless white noise in [-1, 1): the frame number hashed, so any block split gives the
// same samples.
double noise(std::int64_t frame, std::uint64_t channel) {
    std::uint64_t x = static_cast<std::uint64_t>(frame) * 0x9E3779B97F4A7C15ull + channel * 0xD1B54A32D192ED03ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 33;
    return static_cast<double>(x >> 11) / 4503599627370496.0 - 1.0;
}

class ProgrammeSource final : public AudioSource {
public:
    double sampleRateHz() const noexcept override { return kProgrammeRateHz; }
    std::int64_t totalFrames() const noexcept override { return kTotalFrames; }
    std::int32_t fileChannels() const noexcept override { return 2; }
    std::string description() const override { return "built-in test programme, 32-bit float"; }

    std::int32_t read(float* left, float* right, std::int32_t frames,
                      SourceError*) noexcept override {
        std::int32_t n = 0;
        while (n < frames && next_ < kTotalFrames) {
            programmeFrame(next_++, left + n, right + n);
            ++n;
        }
        return n;
    }

private:
    std::int64_t next_ = 0;
};

}  // namespace

void programmeFrame(std::int64_t frame, float* left, float* right) noexcept {
    const double t = static_cast<double>(frame) / kProgrammeRateHz;
    double l = 0.0;
    double r = 0.0;
    if (t < 2.0) {
        l = r = 0.1 * sine(1000.0, t);
    } else if (t < 3.0) {
        const double s = sine(1000.0, t);
        l = 0.50118723 * s;
        r = 0.25118864 * s;
    } else if (t < 4.0) {
        // A quarter of the rate, phase 45 degrees: the samples never meet the crests.
        l = r = 1.2 * std::sin(kTwoPi * 0.25 * static_cast<double>(frame) + kTwoPi / 8.0);
    } else if (t < 6.0) {
        l = r = 0.25118864 * sine(440.0, t);
    } else if (t < 8.0) {
        l = 0.25118864 * sine(440.0, t);
        r = -l;
    } else if (t < 10.0) {
        l = 0.25 * noise(frame, 1);
        r = 0.25 * noise(frame, 2);
    } else if (t < 10.05) {
        // Starting at 10.00 s exactly, so the 2 kHz crests fall on samples.
        l = r = 1.41 * std::sin(kTwoPi * 2000.0 * static_cast<double>(frame - 480000) /
                                kProgrammeRateHz);
    } else {
        for (double hz : {63.0, 250.0, 1000.0, 4000.0, 12500.0}) l += 0.1 * sine(hz, t);
        r = l;
    }
    *left = static_cast<float>(l);
    *right = static_cast<float>(r);
}

std::unique_ptr<AudioSource> makeDefaultProgramme() { return std::make_unique<ProgrammeSource>(); }

}  // namespace melp::tools

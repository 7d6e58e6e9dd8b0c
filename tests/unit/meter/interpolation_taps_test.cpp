// Checks the true-peak interpolator's taps: linear phase, gain, and the frequency response
// promised for the 4x low-pass (flat band, transition, stop band).
#include <gtest/gtest.h>

#include <cmath>

#include "meter/interpolation_taps.h"

namespace melp::testing {
namespace {

using meter::interpolationTaps;
using meter::kInterpolationTapCount;

// Magnitude response in dB at frequency f, given in multiples of the input rate fs.
double responseDb(double f) {
    const double w = 2.0 * 3.141592653589793 * f / 4.0;
    double re = 0.0;
    double im = 0.0;
    for (int n = 0; n < kInterpolationTapCount; ++n) {
        re += static_cast<double>(interpolationTaps[n]) * std::cos(w * n);
        im += static_cast<double>(interpolationTaps[n]) * std::sin(w * n);
    }
    return 10.0 * std::log10(re * re + im * im);
}

TEST(InterpolationTaps, SymmetricWithDescribedGain) {
    double sum = 0.0;
    double phase[4] = {};
    for (int i = 0; i < kInterpolationTapCount; ++i) {
        EXPECT_EQ(interpolationTaps[i], interpolationTaps[kInterpolationTapCount - 1 - i]) << i;
        sum += static_cast<double>(interpolationTaps[i]);
        phase[i % 4] += static_cast<double>(interpolationTaps[i]);
    }
    EXPECT_NEAR(sum, 0.99945, 1e-5);
    for (double p : phase) {
        EXPECT_NEAR(p, 0.2499, 5e-4);
    }
}

TEST(InterpolationTaps, FlatUpTo045) {
    for (int i = 0; i <= 450; ++i) {
        const double f = 0.45 * i / 450.0;
        ASSERT_LT(std::fabs(responseDb(f)), 0.01) << "at " << f << " fs";
    }
}

TEST(InterpolationTaps, ThreeDecibelsNear047) {
    EXPECT_GT(responseDb(0.46), -3.0);
    EXPECT_LT(responseDb(0.48), -3.0);
}

TEST(InterpolationTaps, StopBandFrom05To2) {
    for (int i = 0; i <= 3000; ++i) {
        const double f = 0.5 + 1.5 * i / 3000.0;
        ASSERT_LT(responseDb(f), -80.0) << "at " << f << " fs";
    }
}

TEST(InterpolationTaps, TheGivenTapsExactly) {
    const float first[4] = {7.9614460e-05f, 6.7462978e-05f, 6.3551626e-05f, 3.4198922e-05f};
    const float middle[4] = {0.19078958f, 0.23179640f, 0.23179640f, 0.19078958f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(interpolationTaps[i], first[i]) << "tap " << i;
        EXPECT_EQ(interpolationTaps[180 + i], middle[i]) << "tap " << 180 + i;
    }
}

}  // namespace
}  // namespace melp::testing

// The two heavy inner steps of the block metering, in an SSE2 version (the floor of every
// build) and an AVX2/FMA version chosen at run time where the processor has it. Both compute
// bit for bit the same floats: every product they form is of two single-precision values,
// which a double holds exactly, so a fused multiply-add rounds exactly like a multiply and
// an add, and both versions add in the same order. [audio thread]
#pragma once

#include <cstdint>

namespace melp::meter {

constexpr int kBandCount = 30;
constexpr int kBandLanes = 32;  // kBandCount padded to whole vectors
constexpr int kHistorySize = 728;
constexpr int kHistoryMirror = 364;
// The interpolator's window: 91 input samples.
constexpr int kWindow = 91;

// Per band, the working state of the third-octave analyser, laid out for vectors. Every
// value here is a single-precision value held in a double (it was rounded to float when it
// was stored), so the state is exactly the float state the algorithm describes. Lanes 30
// and 31 are padding and stay 0.
struct alignas(64) BandFilters {
    // Section outputs one and two samples back, per section.
    double previous[3][kBandLanes];
    double beforePrevious[3][kBandLanes];
    double alpha[3][kBandLanes];
    double beta[3][kBandLanes];
    double gamma[3][kBandLanes];
    double minusAlpha[3][kBandLanes];
    double minusBeta[3][kBandLanes];
    // The factor from the third section's output to the band's instant level: 1.85, or 0
    // for a band that cannot show anything at the current rate.
    double gain[kBandLanes];
    // The working copies of bandInstant, bandLevel and bandMax.
    double instant[kBandLanes];
    double level[kBandLanes];
    double max[kBandLanes];
    // The mid signal one and two samples back.
    double midPrevious;
    double midBeforePrevious;
};

// One analyser step for the mid sample `mid`: the three sections of every band, the delay
// line shift, the falling band level and its maximum. Answers a bit per band whose maximum
// rose (bit b for band b).
using BandStep = uint32_t (*)(BandFilters& bands, double mid, double bandFall) noexcept;

// The four interpolated values y[c][k] = sum over j of history[c][j] x taps[k + 4j], k = 0..3,
// for both channels c; history[c] points at the newest of 91 consecutive samples (already
// times 4). Summed as four partial sums over j modulo 4, added as (s0 + s1) + (s2 + s3).
using Interpolate = void (*)(const double* left, const double* right, const double* taps,
                             double (&y)[2][4]) noexcept;
// The same for two consecutive samples at once: history[c] points at the newer one's
// window, history[c] + 1 at the older one's (92 consecutive samples in all). y[0] is the
// older sample's result, y[1] the newer's; each bit for bit what Interpolate gives.
using InterpolateTwo = void (*)(const double* left, const double* right, const double* taps,
                                double (&y)[2][2][4]) noexcept;

struct Kernels {
    BandStep bandStep;
    Interpolate interpolate;
    InterpolateTwo interpolateTwo;
    const double* (*taps)() noexcept;         // the taps, laid out as `interpolate` reads them
    const double* (*tapsForTwo)() noexcept;   // and as `interpolateTwo` reads them
    const char* name;
};

// The version for this processor, chosen once. [any thread]
const Kernels& bestKernels() noexcept;
const Kernels& sse2Kernels() noexcept;
// Null when the processor lacks AVX2 or FMA (or the build has no AVX2 version).
const Kernels* avx2Kernels() noexcept;
// Null when the processor or the system lacks AVX-512F, AVX2 or FMA (or the build has no
// such version).
const Kernels* avx512Kernels() noexcept;

// The taps as doubles, 364 of them, for the SSE2 and AVX2 interpolators.
const double* interpolationTapsWide() noexcept;
// The taps for the AVX-512 two-sample interpolator: 91 vectors of 8, vector j holding
// taps k + 4j, k = 0..3, each twice over (lanes 2k and 2k + 1).
const double* interpolationTapsDoubled() noexcept;

}  // namespace melp::meter

#include "meter/meter_kernels.h"

#include <emmintrin.h>

#include "meter/interpolation_taps.h"

namespace melp::meter {

// Defined in meter_kernels_avx2.cpp, which alone is compiled for AVX2 and FMA.
uint32_t bandStepAvx2(BandFilters& bands, double mid, double bandFall) noexcept;
void interpolateAvx2(const double* left, const double* right, const double* taps,
                     double (&y)[2][4]) noexcept;
// Defined in meter_kernels_avx512.cpp, compiled for AVX-512F.
uint32_t bandStepAvx512(BandFilters& bands, double mid, double bandFall) noexcept;
void interpolateTwoAvx512(const double* left, const double* right, const double* doubledTaps,
                          double (&y)[2][2][4]) noexcept;

namespace {

// Rounds each lane to single precision and back: the value a float member would hold.
inline __m128d roundToFloat(__m128d v) noexcept {
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}

// s = 2 x (a x - a x2 + g y1 - b y2) + 1e-9, in that order; each product is exact.
inline __m128d section(__m128d a, __m128d minusA, __m128d g, __m128d minusB, __m128d x,
                       __m128d x2, __m128d y1, __m128d y2) noexcept {
    __m128d t = _mm_add_pd(_mm_mul_pd(a, x), _mm_mul_pd(minusA, x2));
    t = _mm_add_pd(t, _mm_mul_pd(g, y1));
    t = _mm_add_pd(t, _mm_mul_pd(minusB, y2));
    return roundToFloat(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(2.0), t), _mm_set1_pd(1e-9)));
}

uint32_t bandStepSse2(BandFilters& b, double mid, double bandFall) noexcept {
    constexpr int kVectors = kBandLanes / 2;
    // Section by section over all bands, so many independent chains are in flight.
    __m128d in[kVectors];
    __m128d inBefore[kVectors];
    for (int v = 0; v < kVectors; ++v) {
        in[v] = _mm_set1_pd(mid);
        inBefore[v] = _mm_set1_pd(b.midBeforePrevious);
    }
    for (int s = 0; s < 3; ++s) {
        for (int v = 0; v < kVectors; ++v) {
            const int i = 2 * v;
            const __m128d y1 = _mm_load_pd(&b.previous[s][i]);
            const __m128d y2 = _mm_load_pd(&b.beforePrevious[s][i]);
            const __m128d out = section(_mm_load_pd(&b.alpha[s][i]), _mm_load_pd(&b.minusAlpha[s][i]),
                                        _mm_load_pd(&b.gamma[s][i]), _mm_load_pd(&b.minusBeta[s][i]),
                                        in[v], inBefore[v], y1, y2);
            _mm_store_pd(&b.beforePrevious[s][i], y1);
            _mm_store_pd(&b.previous[s][i], out);
            in[v] = out;
            inBefore[v] = y2;
        }
    }
    const __m128d fall = _mm_set1_pd(bandFall);
    const __m128d floor = _mm_set1_pd(1e-8);
    const __m128d signBit = _mm_set1_pd(-0.0);
    uint32_t raised = 0;
    for (int v = 0; v < kVectors; ++v) {
        const int i = 2 * v;
        __m128d level = roundToFloat(
            _mm_add_pd(_mm_mul_pd(_mm_load_pd(&b.level[i]), fall), floor));
        const __m128d scaled = _mm_mul_pd(in[v], _mm_load_pd(&b.gain[i]));
        const __m128d instant = roundToFloat(_mm_andnot_pd(signBit, scaled));
        const __m128d louder = _mm_cmpgt_pd(instant, level);
        level = _mm_or_pd(_mm_and_pd(louder, instant), _mm_andnot_pd(louder, level));
        const __m128d max = _mm_load_pd(&b.max[i]);
        const __m128d higher = _mm_cmpgt_pd(level, max);
        _mm_store_pd(&b.instant[i], instant);
        _mm_store_pd(&b.level[i], level);
        _mm_store_pd(&b.max[i], _mm_or_pd(_mm_and_pd(higher, level), _mm_andnot_pd(higher, max)));
        raised |= static_cast<uint32_t>(_mm_movemask_pd(higher)) << i;
    }
    b.midBeforePrevious = b.midPrevious;
    b.midPrevious = mid;
    return raised & ((1u << kBandCount) - 1u);
}

void interpolateChannelSse2(const double* history, const double* taps, double (&y)[4]) noexcept {
    __m128d low[4];
    __m128d high[4];
    for (int r = 0; r < 4; ++r) {
        low[r] = _mm_setzero_pd();
        high[r] = _mm_setzero_pd();
    }
    for (int j = 0; j < kWindow; ++j) {
        const int r = j & 3;
        const __m128d h = _mm_set1_pd(history[j]);
        low[r] = _mm_add_pd(low[r], _mm_mul_pd(h, _mm_load_pd(taps + 4 * j)));
        high[r] = _mm_add_pd(high[r], _mm_mul_pd(h, _mm_load_pd(taps + 4 * j + 2)));
    }
    _mm_storeu_pd(y, _mm_add_pd(_mm_add_pd(low[0], low[1]), _mm_add_pd(low[2], low[3])));
    _mm_storeu_pd(y + 2,
                  _mm_add_pd(_mm_add_pd(high[0], high[1]), _mm_add_pd(high[2], high[3])));
}

void interpolateSse2(const double* left, const double* right, const double* taps,
                     double (&y)[2][4]) noexcept {
    interpolateChannelSse2(left, taps, y[0]);
    interpolateChannelSse2(right, taps, y[1]);
}

struct WideTaps {
    alignas(32) double taps[kInterpolationTapCount];
    WideTaps() noexcept {
        for (int i = 0; i < kInterpolationTapCount; ++i) {
            taps[i] = static_cast<double>(interpolationTaps[i]);
        }
    }
};

struct DoubledTaps {
    alignas(64) double taps[8 * kWindow] = {};
    DoubledTaps() noexcept {
        for (int i = 0; i < kInterpolationTapCount; ++i) {
            taps[2 * i] = static_cast<double>(interpolationTaps[i]);
            taps[2 * i + 1] = static_cast<double>(interpolationTaps[i]);
        }
    }
};

// Built when the library loads, so the audio thread never meets a first-use initialisation
// (which may take a lock). They read only interpolationTaps, a constant-initialised array.
const WideTaps kWideTaps;
const DoubledTaps kDoubledTaps;

// Two samples by one interpolator, older first.
template <Interpolate one>
void interpolateEach(const double* left, const double* right, const double* taps,
                     double (&y)[2][2][4]) noexcept {
    one(left + 1, right + 1, taps, y[0]);
    one(left, right, taps, y[1]);
}

const Kernels kSse2{bandStepSse2, interpolateSse2, interpolateEach<interpolateSse2>,
                    interpolationTapsWide, interpolationTapsWide, "sse2"};
#if defined(MELP_HAVE_AVX2_KERNELS)
const Kernels kAvx2{bandStepAvx2, interpolateAvx2, interpolateEach<interpolateAvx2>,
                    interpolationTapsWide, interpolationTapsWide, "avx2"};
#endif
#if defined(MELP_HAVE_AVX512_KERNELS)
// One sample alone is interpolated by the AVX2 version.
const Kernels kAvx512{bandStepAvx512, interpolateAvx2, interpolateTwoAvx512,
                      interpolationTapsWide, interpolationTapsDoubled, "avx512"};
#endif

}  // namespace

const double* interpolationTapsWide() noexcept {
    return kWideTaps.taps;
}

const double* interpolationTapsDoubled() noexcept {
    return kDoubledTaps.taps;
}

const Kernels& sse2Kernels() noexcept {
    return kSse2;
}

const Kernels* avx2Kernels() noexcept {
#if defined(MELP_HAVE_AVX2_KERNELS)
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return usable ? &kAvx2 : nullptr;
#else
    return nullptr;
#endif
}

const Kernels* avx512Kernels() noexcept {
#if defined(MELP_HAVE_AVX512_KERNELS)
    // The library's check includes the system's saving of the wide registers.
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2") &&
               __builtin_cpu_supports("fma");
    }();
    return usable ? &kAvx512 : nullptr;
#else
    return nullptr;
#endif
}

const Kernels& bestKernels() noexcept {
    if (const Kernels* avx512 = avx512Kernels()) {
        return *avx512;
    }
    const Kernels* avx2 = avx2Kernels();
    return avx2 ? *avx2 : kSse2;
}

}  // namespace melp::meter

// Compiled with AVX-512F enabled: reached only through avx512Kernels(), after the processor
// (and the system, which must save the wide registers) said it has it. Keep this file free
// of inline library code, which the linker could share with callers that run on any
// processor.
// GCC 12's own wide-register helpers leave an operand undefined on purpose and warn of it
// wherever they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "meter/meter_kernels.h"

namespace melp::meter {

namespace {

inline __m512d roundToFloat(__m512d v) noexcept {
    return _mm512_cvtps_pd(_mm512_cvtpd_ps(v));
}

// [a, b] four times over, from two consecutive doubles (the 128-bit broadcast of the
// foundation set, which has no double-typed one).
inline __m512d broadcastPair(__m128d pair) noexcept {
    return _mm512_castps_pd(_mm512_broadcast_f32x4(_mm_castpd_ps(pair)));
}

// The newest samples were stored a moment ago one by one: a wider load across two such
// stores waits for them to reach the cache instead of taking them forwarded.
inline __m128d recentPair(const double* history) noexcept {
    return _mm_loadh_pd(_mm_load_sd(history), history + 1);
}

}  // namespace

uint32_t bandStepAvx512(BandFilters& b, double mid, double bandFall) noexcept {
    constexpr int kVectors = kBandLanes / 8;
    const __m512d two = _mm512_set1_pd(2.0);
    const __m512d offset = _mm512_set1_pd(1e-9);
    __m512d in[kVectors];
    __m512d inBefore[kVectors];
    for (int v = 0; v < kVectors; ++v) {
        in[v] = _mm512_set1_pd(mid);
        inBefore[v] = _mm512_set1_pd(b.midBeforePrevious);
    }
    for (int s = 0; s < 3; ++s) {
        for (int v = 0; v < kVectors; ++v) {
            const int i = 8 * v;
            const __m512d y1 = _mm512_load_pd(&b.previous[s][i]);
            const __m512d y2 = _mm512_load_pd(&b.beforePrevious[s][i]);
            // Every product is exact, so each fused step rounds once, like mul and add.
            __m512d t = _mm512_mul_pd(_mm512_load_pd(&b.alpha[s][i]), in[v]);
            t = _mm512_fmadd_pd(_mm512_load_pd(&b.minusAlpha[s][i]), inBefore[v], t);
            t = _mm512_fmadd_pd(_mm512_load_pd(&b.gamma[s][i]), y1, t);
            t = _mm512_fmadd_pd(_mm512_load_pd(&b.minusBeta[s][i]), y2, t);
            const __m512d out = roundToFloat(_mm512_fmadd_pd(two, t, offset));
            _mm512_store_pd(&b.beforePrevious[s][i], y1);
            _mm512_store_pd(&b.previous[s][i], out);
            in[v] = out;
            inBefore[v] = y2;
        }
    }
    const __m512d fall = _mm512_set1_pd(bandFall);
    const __m512d floor = _mm512_set1_pd(1e-8);
    uint32_t raised = 0;
    for (int v = 0; v < kVectors; ++v) {
        const int i = 8 * v;
        __m512d level = roundToFloat(_mm512_fmadd_pd(_mm512_load_pd(&b.level[i]), fall, floor));
        const __m512d scaled = _mm512_mul_pd(in[v], _mm512_load_pd(&b.gain[i]));
        const __m512d instant = roundToFloat(_mm512_abs_pd(scaled));
        level = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(instant, level, _CMP_GT_OQ), level, instant);
        const __m512d max = _mm512_load_pd(&b.max[i]);
        const __mmask8 higher = _mm512_cmp_pd_mask(level, max, _CMP_GT_OQ);
        _mm512_store_pd(&b.instant[i], instant);
        _mm512_store_pd(&b.level[i], level);
        _mm512_store_pd(&b.max[i], _mm512_mask_blend_pd(higher, max, level));
        raised |= static_cast<uint32_t>(higher) << i;
    }
    b.midBeforePrevious = b.midPrevious;
    b.midPrevious = mid;
    return raised & ((1u << kBandCount) - 1u);
}

// Lanes 2k and 2k + 1 of every vector are phase k of the newer and of the older sample: one
// broadcast pair of neighbouring window samples feeds both, against doubled taps. Four sums
// per channel over j modulo 4, in the same order as the other versions.
void interpolateTwoAvx512(const double* left, const double* right, const double* doubledTaps,
                          double (&y)[2][2][4]) noexcept {
    __m512d l[4], r[4];
    for (int i = 0; i < 4; ++i) {
        l[i] = _mm512_setzero_pd();
        r[i] = _mm512_setzero_pd();
    }
    // Up to here the samples' stores may not have reached the cache yet (see recentPair).
    constexpr int kRecent = 8;
    auto step = [&](int j, int s, bool recent) {
        const __m512d t = _mm512_load_pd(doubledTaps + 8 * j);
        const __m128d lp = recent ? recentPair(left + j) : _mm_loadu_pd(left + j);
        const __m128d rp = recent ? recentPair(right + j) : _mm_loadu_pd(right + j);
        l[s] = _mm512_fmadd_pd(broadcastPair(lp), t, l[s]);
        r[s] = _mm512_fmadd_pd(broadcastPair(rp), t, r[s]);
    };
    static_assert(kRecent % 4 == 0 && kWindow % 4 == 3, "whole rounds of four, then three");
    int j = 0;
    for (; j < kRecent; j += 4) {
        for (int s = 0; s < 4; ++s) step(j + s, s, true);
    }
    for (; j + 4 <= kWindow; j += 4) {
        for (int s = 0; s < 4; ++s) step(j + s, s, false);
    }
    for (int s = 0; s < 3; ++s) step(j + s, s, false);
    const __m512d sumL = _mm512_add_pd(_mm512_add_pd(l[0], l[1]), _mm512_add_pd(l[2], l[3]));
    const __m512d sumR = _mm512_add_pd(_mm512_add_pd(r[0], r[1]), _mm512_add_pd(r[2], r[3]));
    const __m512d older = _mm512_permutex2var_pd(sumL, _mm512_set_epi64(15, 13, 11, 9, 7, 5, 3, 1), sumR);
    const __m512d newer = _mm512_permutex2var_pd(sumL, _mm512_set_epi64(14, 12, 10, 8, 6, 4, 2, 0), sumR);
    // Stores the size of the reads that follow, which take them forwarded.
    _mm256_storeu_pd(y[0][0], _mm512_castpd512_pd256(older));
    _mm256_storeu_pd(y[0][1], _mm512_extractf64x4_pd(older, 1));
    _mm256_storeu_pd(y[1][0], _mm512_castpd512_pd256(newer));
    _mm256_storeu_pd(y[1][1], _mm512_extractf64x4_pd(newer, 1));
}

}  // namespace melp::meter

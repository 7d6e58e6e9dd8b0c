// Compiled with AVX2 and FMA enabled: reached only through avx2Kernels(), after the
// processor said it has both. Keep this file free of inline library code, which the
// linker could share with callers that run on any processor.
#include <immintrin.h>

#include "meter/meter_kernels.h"

namespace melp::meter {

namespace {

inline __m256d roundToFloat(__m256d v) noexcept {
    return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
}

}  // namespace

uint32_t bandStepAvx2(BandFilters& b, double mid, double bandFall) noexcept {
    constexpr int kVectors = kBandLanes / 4;
    const __m256d two = _mm256_set1_pd(2.0);
    const __m256d offset = _mm256_set1_pd(1e-9);
    // Section by section over all bands, so eight independent chains are in flight.
    __m256d in[kVectors];
    __m256d inBefore[kVectors];
    for (int v = 0; v < kVectors; ++v) {
        in[v] = _mm256_set1_pd(mid);
        inBefore[v] = _mm256_set1_pd(b.midBeforePrevious);
    }
    for (int s = 0; s < 3; ++s) {
        for (int v = 0; v < kVectors; ++v) {
            const int i = 4 * v;
            const __m256d y1 = _mm256_load_pd(&b.previous[s][i]);
            const __m256d y2 = _mm256_load_pd(&b.beforePrevious[s][i]);
            // Every product is exact, so each fused step rounds once, like mul and add.
            __m256d t = _mm256_mul_pd(_mm256_load_pd(&b.alpha[s][i]), in[v]);
            t = _mm256_fmadd_pd(_mm256_load_pd(&b.minusAlpha[s][i]), inBefore[v], t);
            t = _mm256_fmadd_pd(_mm256_load_pd(&b.gamma[s][i]), y1, t);
            t = _mm256_fmadd_pd(_mm256_load_pd(&b.minusBeta[s][i]), y2, t);
            const __m256d out = roundToFloat(_mm256_fmadd_pd(two, t, offset));
            _mm256_store_pd(&b.beforePrevious[s][i], y1);
            _mm256_store_pd(&b.previous[s][i], out);
            in[v] = out;
            inBefore[v] = y2;
        }
    }
    const __m256d fall = _mm256_set1_pd(bandFall);
    const __m256d floor = _mm256_set1_pd(1e-8);
    const __m256d signBit = _mm256_set1_pd(-0.0);
    uint32_t raised = 0;
    for (int v = 0; v < kVectors; ++v) {
        const int i = 4 * v;
        __m256d level = roundToFloat(_mm256_fmadd_pd(_mm256_load_pd(&b.level[i]), fall, floor));
        const __m256d scaled = _mm256_mul_pd(in[v], _mm256_load_pd(&b.gain[i]));
        const __m256d instant = roundToFloat(_mm256_andnot_pd(signBit, scaled));
        level = _mm256_blendv_pd(level, instant, _mm256_cmp_pd(instant, level, _CMP_GT_OQ));
        const __m256d max = _mm256_load_pd(&b.max[i]);
        const __m256d higher = _mm256_cmp_pd(level, max, _CMP_GT_OQ);
        _mm256_store_pd(&b.instant[i], instant);
        _mm256_store_pd(&b.level[i], level);
        _mm256_store_pd(&b.max[i], _mm256_blendv_pd(max, level, higher));
        raised |= static_cast<uint32_t>(_mm256_movemask_pd(higher)) << i;
    }
    b.midBeforePrevious = b.midPrevious;
    b.midPrevious = mid;
    return raised & ((1u << kBandCount) - 1u);
}

#if defined(__i386__)
namespace {

// Eight vector registers only: both channels' eight sums at once would spill, and a
// spilled sum waits on memory at every step. One channel at a time, in the same order.
void interpolateChannel(const double* history, const double* taps, double (&y)[4]) noexcept {
    __m256d sum[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(),
                      _mm256_setzero_pd()};
    int j = 0;
    for (; j + 4 <= kWindow; j += 4) {
        for (int p = 0; p < 4; ++p) {
            sum[p] = _mm256_fmadd_pd(_mm256_broadcast_sd(history + j + p),
                                     _mm256_load_pd(taps + 4 * (j + p)), sum[p]);
        }
    }
    for (int p = 0; j < kWindow; ++j, ++p) {
        sum[p] = _mm256_fmadd_pd(_mm256_broadcast_sd(history + j), _mm256_load_pd(taps + 4 * j),
                                 sum[p]);
    }
    _mm256_storeu_pd(y, _mm256_add_pd(_mm256_add_pd(sum[0], sum[1]),
                                      _mm256_add_pd(sum[2], sum[3])));
}

}  // namespace

void interpolateAvx2(const double* left, const double* right, const double* taps,
                     double (&y)[2][4]) noexcept {
    interpolateChannel(left, taps, y[0]);
    interpolateChannel(right, taps, y[1]);
}
#else
void interpolateAvx2(const double* left, const double* right, const double* taps,
                     double (&y)[2][4]) noexcept {
    // Both channels at once: eight independent chains keep the multiply-adders busy.
    __m256d l[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(),
                    _mm256_setzero_pd()};
    __m256d r[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(),
                    _mm256_setzero_pd()};
    int j = 0;
    for (; j + 4 <= kWindow; j += 4) {
        for (int p = 0; p < 4; ++p) {
            const __m256d t = _mm256_load_pd(taps + 4 * (j + p));
            l[p] = _mm256_fmadd_pd(_mm256_broadcast_sd(left + j + p), t, l[p]);
            r[p] = _mm256_fmadd_pd(_mm256_broadcast_sd(right + j + p), t, r[p]);
        }
    }
    for (int p = 0; j < kWindow; ++j, ++p) {
        const __m256d t = _mm256_load_pd(taps + 4 * j);
        l[p] = _mm256_fmadd_pd(_mm256_broadcast_sd(left + j), t, l[p]);
        r[p] = _mm256_fmadd_pd(_mm256_broadcast_sd(right + j), t, r[p]);
    }
    _mm256_storeu_pd(y[0], _mm256_add_pd(_mm256_add_pd(l[0], l[1]), _mm256_add_pd(l[2], l[3])));
    _mm256_storeu_pd(y[1], _mm256_add_pd(_mm256_add_pd(r[0], r[1]), _mm256_add_pd(r[2], r[3])));
}

#endif

}  // namespace melp::meter

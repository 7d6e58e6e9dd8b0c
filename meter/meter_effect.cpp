#include "meter/meter_effect.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "meter/interpolation_taps.h"

namespace melp::meter {

namespace {

constexpr float kBandCentres[kBandCount] = {
    25.0f,   31.5f,   40.0f,   50.0f,   63.0f,   80.0f,   100.0f,  125.0f,  160.0f,  200.0f,
    250.0f,  315.0f,  400.0f,  500.0f,  630.0f,  800.0f,  1000.0f, 1250.0f, 1600.0f, 2000.0f,
    2500.0f, 3150.0f, 4000.0f, 5000.0f, 6300.0f, 8000.0f, 10000.0f, 12500.0f, 16000.0f,
    20000.0f};
// Section 1 sits at the band centre, sections 2 and 3 at 0.891 and 1.122 times it.
constexpr double kSectionFactor[3] = {2.0, 1.782, 2.244};
constexpr double kQuasiPeakGain = 1.5848932;  // +4 dB
constexpr double kBandOutputGain = 1.85;
constexpr double kQuasiPeakOverThreshold = 0.63096;
constexpr double kQuasiPeakReadOffset = 1.77827941;  // +5 dB
constexpr double kMinimumRateHz = 1000.0;
constexpr double kMaximumRateHz = 1.0e7;
constexpr float kLargestMetered = 1.0e20f;
constexpr float kNonFiniteMetered = 2.0f;

inline double wide(float value) noexcept {
    return static_cast<double>(value);
}

inline float narrow(double value) noexcept {
    return static_cast<float>(value);
}

inline float relaxed(const std::atomic<float>& value) noexcept {
    return value.load(std::memory_order_relaxed);
}

inline void publish(std::atomic<float>& target, float value) noexcept {
    target.store(value, std::memory_order_relaxed);
}

// What a sample meters as: itself, unless it is non-finite or absurdly large.
inline float meteredValue(float sample) noexcept {
    if (std::fabs(sample) <= kLargestMetered) {
        return sample;
    }
    const float magnitude = std::isfinite(sample) ? kLargestMetered : kNonFiniteMetered;
    return std::signbit(sample) ? -magnitude : magnitude;
}

// One frame's samples by their bits, so NaN payloads and signalling NaNs pass untouched.
struct FrameBits {
    uint32_t bits[2];
};

inline FrameBits readFrameBits(const float* const* inputs, int32 i) noexcept {
    FrameBits frame;
    std::memcpy(&frame.bits[0], inputs[0] + i, sizeof frame.bits[0]);
    std::memcpy(&frame.bits[1], inputs[1] + i, sizeof frame.bits[1]);
    return frame;
}

inline void writeFrameBits(float* const* outputs, int32 i, const FrameBits& frame) noexcept {
    std::memcpy(outputs[0] + i, &frame.bits[0], sizeof frame.bits[0]);
    std::memcpy(outputs[1] + i, &frame.bits[1], sizeof frame.bits[1]);
}

// Copies one frame. Both inputs are read before either output is written: channels may
// share memory, even crosswise.
inline void passFrame(const float* const* inputs, float* const* outputs, int32 i,
                      float (&pair)[2]) noexcept {
    const FrameBits frame = readFrameBits(inputs, i);
    writeFrameBits(outputs, i, frame);
    std::memcpy(pair, frame.bits, sizeof pair);
}

// 1.0 when both samples are positive or both are not (zero counts as not positive). Kept
// free of branches: on noise the signs are a coin toss.
inline float agreement(const float (&pair)[2]) noexcept {
    static constexpr float kValue[2] = {0.0f, 1.0f};
    const bool left = pair[0] > 0.0f;
    const bool right = pair[1] > 0.0f;
    return kValue[left == right];
}

inline bool usableRate(float rateHz) noexcept {
    return wide(rateHz) >= kMinimumRateHz && wide(rateHz) <= kMaximumRateHz;
}

void copyText(char* text, const char* value) noexcept {
    std::memcpy(text, value, std::strlen(value) + 1);
}

// Poles of z^2 - 2 gamma z + 2 beta strictly inside the unit circle.
inline bool stableSection(float beta, float gamma) noexcept {
    return std::fabs(2.0 * wide(beta)) < 1.0 &&
           2.0 * std::fabs(wide(gamma)) < 1.0 + 2.0 * wide(beta);
}

}  // namespace

// The tangent's argument reaches its pole at pi/2 only in sections of bands far above half
// the rate (first the 20 kHz band's, below about 10.4 kHz), which show nothing anyway; past
// it the formulas make no band-pass at all, so such a section passes nothing. Every other
// section follows them.
BandSection bandSection(double omega) noexcept {
    constexpr double kTangentPole = 1.5707963267948966;
    const double angle = omega * 0.11547344;
    if (!(angle < kTangentPole)) {
        return {0.0f, 0.0f, 0.0f};
    }
    const double t = std::tan(angle);
    // Read back through a volatile: GCC 12's SLP vectoriser at -O3 was seen to feed the
    // unrounded double of such a value into the formulas that follow.
    volatile float roundedBeta = narrow(0.5 * (1.0 - t) / (1.0 + t));
    const float beta = roundedBeta;
    float gamma = narrow((0.5 + wide(beta)) * std::cos(omega));
    // Far below Nyquist at very high rates the poles sit a rounding error inside the unit
    // circle; rounding gamma must not push them onto or beyond it. Gamma stops at 0, which
    // is as far as moving it can help (a beta rounded to -0.5 would leave it there).
    while (!stableSection(beta, gamma) && gamma != 0.0f) {
        gamma = std::nextafter(gamma, 0.0f);
    }
    if (!stableSection(beta, gamma)) {
        return {0.0f, 0.0f, 0.0f};
    }
    return {narrow((0.5 - wide(beta)) * 0.5), beta, gamma};
}

// What a run of samples was set up for; a run ends at the first sample where any of it
// differs, so a change from another thread takes effect at that sample.
struct MeterEffect::Snapshot {
    float viewMode;
    float truePeakMode;
    float quasiPeakMode;
    float fastCorrelation;
    int32_t resetCount;
    float rateHz;
};

MeterEffect::MeterEffect(host::audioMasterCallback hostCallback) noexcept
    : ExtendedEffect(hostCallback, 1, 11), kernels(&bestKernels()) {
    currentRate = sampleRate.load(std::memory_order_relaxed);
    coefficientRate = 0.0f;
    publish(maxLevel[0], kMaxLevelFloor);
    publish(maxLevel[1], kMaxLevelFloor);
    std::memset(truePeakHistory, 0, sizeof truePeakHistory);
    historyPos = 360;
    buildLevelScale(peakScale);
    buildLevelScale(quasiPeakScale);
    buildBandScale(bandScale);
    assignInputCount(2);
    assignOutputCount(2);
    assignUniqueId(kMeterUniqueId);
    declareReplacing(true);
    copyText(programName, "Talvo's VST-MELP");
    onResume();
}

MeterEffect::~MeterEffect() = default;

void MeterEffect::setParameterValue(int32 index, float value) noexcept {
    switch (index) {
        case 4: publish(quasiPeakMode, value); break;
        case 5: publish(truePeakMode, value); break;
        case 6: publish(fastCorrelation, value); break;
        case 7: publish(viewMode, value); break;
        default: break;
    }
}

float MeterEffect::parameterValue(int32) noexcept {
    return 0.0f;
}

void MeterEffect::processAccumulate(float** inputs, float** outputs, int32 sampleFrames) noexcept {
    if (sampleFrames <= 0 || !inputs || !outputs) {
        return;
    }
    for (int ch = 0; ch < 2; ++ch) {
        if (!inputs[ch] || !outputs[ch]) {
            return;
        }
    }
    float pair[2];
    for (int32 i = 0; i < sampleFrames; ++i) {
        passFrame(inputs, outputs, i, pair);
    }
}

void MeterEffect::processReplace(float** inputs, float** outputs, int32 sampleFrames) noexcept {
    if (sampleFrames <= 0 || !inputs || !outputs) {
        return;
    }
    for (int ch = 0; ch < 2; ++ch) {
        if (!inputs[ch] || !outputs[ch]) {
            return;
        }
    }
    int32 done = 0;
    while (done < sampleFrames) {
        done = meterRun(inputs, outputs, done, sampleFrames);
    }
}

void MeterEffect::takeSnapshot(Snapshot& snapshot) noexcept {
    snapshot.viewMode = relaxed(viewMode);
    snapshot.truePeakMode = relaxed(truePeakMode);
    snapshot.quasiPeakMode = relaxed(quasiPeakMode);
    snapshot.fastCorrelation = relaxed(fastCorrelation);
    snapshot.resetCount = resetCount.load(std::memory_order_acquire);
    const float asked = currentSampleRate();
    snapshot.rateHz = usableRate(asked) ? asked : currentRate;
}

bool MeterEffect::unchanged(const Snapshot& snapshot) noexcept {
    Snapshot now;
    takeSnapshot(now);
    // Compared by bits (a NaN parameter must compare equal to itself), without branches.
    auto bitsOf = [](float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    };
    const uint32_t differences =
        (bitsOf(now.viewMode) ^ bitsOf(snapshot.viewMode)) |
        (bitsOf(now.truePeakMode) ^ bitsOf(snapshot.truePeakMode)) |
        (bitsOf(now.quasiPeakMode) ^ bitsOf(snapshot.quasiPeakMode)) |
        (bitsOf(now.fastCorrelation) ^ bitsOf(snapshot.fastCorrelation)) |
        static_cast<uint32_t>(now.resetCount ^ snapshot.resetCount) |
        (bitsOf(now.rateHz) ^ bitsOf(snapshot.rateHz));
    return differences == 0;
}

void MeterEffect::applyPendingReset() noexcept {
    const int32_t count = resetCount.load(std::memory_order_acquire);
    if (count == seenResetCount) {
        return;
    }
    seenResetCount = count;
    for (double& max : bands.max) {
        max = 0.0;
    }
}

int32 MeterEffect::meterRun(float* const* inputs, float* const* outputs, int32 start,
                            int32 end) noexcept {
    Snapshot snapshot;
    takeSnapshot(snapshot);
    applyPendingReset();
    currentRate = snapshot.rateHz;
    if (currentRate != coefficientRate) {
        coefficientRate = currentRate;
        deriveCoefficients(currentRate);
    }
    if (snapshot.viewMode == 0.0f) {
        return runLevelView(inputs, outputs, start, end, snapshot);
    }
    if (snapshot.viewMode == 2.0f) {
        return runCorrelationView(inputs, outputs, start, end, snapshot);
    }
    if (snapshot.viewMode == 1.0f) {
        return runBandView(inputs, outputs, start, end, snapshot);
    }
    return runCopyOnly(inputs, outputs, start, end, snapshot);
}

void MeterEffect::deriveCoefficients(float rateHz) noexcept {
    const double fs = wide(rateHz);
    averageCoef = narrow(1.0 / (fs * 0.2));
    peakFall = narrow(std::pow(0.1, 1.0 / (fs * 1.5)));
    peakFall4 = narrow(std::pow(0.1, 1.0 / (fs * 4.0 * 1.5)));
    attackCoef = narrow(1.0 / (fs * 0.0017));
    bandFall = narrow(std::pow(0.1, 1.0 / fs));
    correlationCoefFast = narrow(1.0 / (fs * 0.15));
    correlationCoefSlow = narrow(1.0 / (fs * 0.3));
    pi = 3.1415927f;
    std::memcpy(bandCentre, kBandCentres, sizeof bandCentre);
    q = 4.33f;
    for (int b = 0; b < kBandCount; ++b) {
        // A band centred at or above half the rate cannot see any signal that is there (its
        // sections would answer only to what lies far from its centre): it stays at the
        // bottom.
        const bool visible = 2.0 * wide(bandCentre[b]) < fs;
        bands.gain[b] = visible ? kBandOutputGain : 0.0;
        for (int s = 0; s < 3; ++s) {
            const double omega = wide(pi) * kSectionFactor[s] * wide(bandCentre[b]) / fs;
            const BandSection c = bandSection(omega);
            bands.alpha[s][b] = wide(c.alpha);
            bands.beta[s][b] = wide(c.beta);
            bands.gamma[s][b] = wide(c.gamma);
            bands.minusAlpha[s][b] = -wide(c.alpha);
            bands.minusBeta[s][b] = -wide(c.beta);
        }
    }
}

int32 MeterEffect::runCopyOnly(float* const* inputs, float* const* outputs, int32 start,
                               int32 end, const Snapshot& snapshot) noexcept {
    int32 i = start;
    for (; i < end; ++i) {
        if (i != start && !unchanged(snapshot)) {
            break;
        }
        passFrame(inputs, outputs, i, inputPair);
    }
    return i;
}

int32 MeterEffect::runCorrelationView(float* const* inputs, float* const* outputs, int32 start,
                                      int32 end, const Snapshot& snapshot) noexcept {
    // A product of two floats is exact in double, so a float multiply rounds it the same.
    const float coef = snapshot.fastCorrelation != 0.0f ? correlationCoefFast
                                                        : correlationCoefSlow;
    float accumulator = correlationAccumulator;
    float value = relaxed(correlation);
    int32 i = start;
    for (; i < end; ++i) {
        if (i != start && !unchanged(snapshot)) {
            break;
        }
        passFrame(inputs, outputs, i, inputPair);
        inputPair[0] = meteredValue(inputPair[0]);
        inputPair[1] = meteredValue(inputPair[1]);
        signAgreement = agreement(inputPair);
        accumulator = narrow(wide(accumulator) + (wide(signAgreement) - wide(value)));
        value = accumulator * coef;
    }
    signFlag[0] = inputPair[0] > 0.0f ? 1.0f : 0.0f;
    signFlag[1] = inputPair[1] > 0.0f ? 1.0f : 0.0f;
    correlationAccumulator = accumulator;
    publish(correlation, value);
    return i;
}

// The frame step is called from several places in a run; out of line, the levels it keeps
// in registers would make a round trip through memory at every step.
#define MELP_INLINE __attribute__((always_inline))

namespace {

// Both channels of a level measurement side by side in one register: [left, right]. Each
// lane computes exactly what the per-channel formula computes.
using Pair = __m128d;

inline Pair loadPair(const float (&values)[2]) noexcept {
    return _mm_set_pd(wide(values[1]), wide(values[0]));
}

inline Pair loadPair(const std::atomic<float> (&values)[2]) noexcept {
    return _mm_set_pd(wide(relaxed(values[1])), wide(relaxed(values[0])));
}

inline void storePair(float (&values)[2], Pair pair) noexcept {
    values[0] = narrow(_mm_cvtsd_f64(pair));
    values[1] = narrow(_mm_cvtsd_f64(_mm_unpackhi_pd(pair, pair)));
}

inline void publishPair(std::atomic<float> (&values)[2], Pair pair) noexcept {
    publish(values[0], narrow(_mm_cvtsd_f64(pair)));
    publish(values[1], narrow(_mm_cvtsd_f64(_mm_unpackhi_pd(pair, pair))));
}

// The value a float member holds after storing this.
inline Pair roundPair(Pair pair) noexcept {
    return _mm_cvtps_pd(_mm_cvtpd_ps(pair));
}

inline Pair choose(Pair mask, Pair whenSet, Pair otherwise) noexcept {
    return _mm_or_pd(_mm_and_pd(mask, whenSet), _mm_andnot_pd(mask, otherwise));
}

inline Pair magnitude(Pair pair) noexcept {
    return _mm_andnot_pd(_mm_set1_pd(-0.0), pair);
}

}  // namespace

int32 MeterEffect::runLevelView(float* const* inputs, float* const* outputs, int32 start,
                                int32 end, const Snapshot& snapshot) noexcept {
    const bool quasiPeak = snapshot.quasiPeakMode == 1.0f;
    const bool peakMode = snapshot.quasiPeakMode == 0.0f;
    const bool samplePeak = peakMode && snapshot.truePeakMode == 0.0f;
    const bool truePeak = peakMode && snapshot.truePeakMode == 1.0f;
    const bool overs = peakMode || quasiPeak;
    // Products of two floats are exact in double, so float multiplies round them the same.
    const float correlationCoef = snapshot.fastCorrelation != 0.0f ? correlationCoefFast
                                                                   : correlationCoefSlow;
    const double* taps = kernels->taps();
    const double* twoTaps = kernels->tapsForTwo();
    const Interpolate interpolate = kernels->interpolate;

    const Pair threshold = _mm_set1_pd(quasiPeak ? kQuasiPeakOverThreshold : 1.0);
    const Pair fall = _mm_set1_pd(wide(peakFall));
    const Pair fall4 = _mm_set1_pd(wide(peakFall4));
    const Pair fallOffset = _mm_set1_pd(1e-9);
    const Pair attack = _mm_set1_pd(wide(attackCoef));
    const Pair averaging = _mm_set1_pd(wide(averageCoef));
    const Pair gain = _mm_set1_pd(kQuasiPeakGain);
    const Pair holdSamples = _mm_set1_pd(wide(currentRate));
    const Pair one = _mm_set1_pd(1.0);
    const Pair zero = _mm_setzero_pd();

    Pair rect = loadPair(rectified);
    Pair average = loadPair(averageLevel);
    Pair peak = loadPair(peakLevel);
    Pair max = loadPair(maxLevel);
    Pair averageAcc = loadPair(averageAccumulator);
    Pair attackAcc = loadPair(attackAccumulator);
    Pair lit = loadPair(over);
    Pair hold = loadPair(overHold);
    Pair input = zero;
    Pair metered = loadPair(meterInput);
    float correlationAcc = correlationAccumulator;
    float correlationValue = relaxed(correlation);

    // A level above its maximum raises the maximum and publishes it at once.
    auto raiseMaximum = [&](Pair level) MELP_INLINE {
        const Pair higher = _mm_cmpgt_pd(level, max);
        const int raised = _mm_movemask_pd(higher);
        if (raised != 0) {
            max = _mm_max_pd(level, max);
            float values[2];
            storePair(values, max);
            if (raised & 1) publish(maxLevel[0], values[0]);
            if (raised & 2) publish(maxLevel[1], values[1]);
        }
    };

    // The frame in inputPair, with its interpolated values y in true-peak mode.
    auto meterFrame = [&](const double (&y)[2][4]) MELP_INLINE {
        input = loadPair(inputPair);
        metered = input;

        if (samplePeak) {
            rect = magnitude(input);
            const Pair fallen = roundPair(_mm_add_pd(_mm_mul_pd(peak, fall), fallOffset));
            peak = choose(_mm_cmpgt_pd(rect, peak), rect, fallen);
            raiseMaximum(peak);
        } else if (truePeak) {
            for (int k = 0; k < 4; ++k) {
                metered = roundPair(_mm_set_pd(y[1][k], y[0][k]));
                peak = roundPair(_mm_add_pd(_mm_mul_pd(peak, fall4), fallOffset));
                rect = magnitude(metered);
                // max_pd keeps its second operand unless the first is greater: the strict rule.
                peak = _mm_max_pd(rect, peak);
                raiseMaximum(peak);
            }
        } else if (quasiPeak) {
            metered = roundPair(_mm_mul_pd(input, gain));
            rect = magnitude(metered);
            const Pair attacking = _mm_cmpgt_pd(rect, peak);
            const Pair accAttack =
                roundPair(_mm_add_pd(attackAcc, _mm_sub_pd(rect, peak)));
            const Pair peakAttack = roundPair(_mm_mul_pd(accAttack, attack));
            const Pair peakFalling = roundPair(_mm_add_pd(_mm_mul_pd(peak, fall), fallOffset));
            const Pair accFalling = roundPair(_mm_div_pd(peakFalling, attack));
            peak = choose(attacking, peakAttack, peakFalling);
            attackAcc = choose(attacking, accAttack, accFalling);
            raiseMaximum(peak);
        }

        if (overs) {
            const Pair above = _mm_cmpgt_pd(peak, threshold);
            lit = choose(above, one, lit);
            hold = choose(above, holdSamples, hold);
            const Pair holding = _mm_cmpgt_pd(hold, zero);
            hold = choose(holding, roundPair(_mm_sub_pd(hold, one)), hold);
            lit = _mm_and_pd(holding, lit);
        }

        averageAcc = roundPair(_mm_add_pd(averageAcc, _mm_sub_pd(rect, average)));
        average = roundPair(_mm_mul_pd(averageAcc, averaging));

        signAgreement = agreement(inputPair);
        correlationAcc =
            narrow(wide(correlationAcc) + (wide(signAgreement) - wide(correlationValue)));
        correlationValue = correlationAcc * correlationCoef;
    };
    auto readFrame = [&](int32 frame) MELP_INLINE {
        passFrame(inputs, outputs, frame, inputPair);
        inputPair[0] = meteredValue(inputPair[0]);
        inputPair[1] = meteredValue(inputPair[1]);
    };
    // The interpolator's input is kept twice: truePeakHistory, written as each frame is
    // metered, and the window ring, which may run some frames ahead of it (see below).
    auto pushWindow = [&](const float (&frame)[2]) MELP_INLINE {
        windowPos = windowPos == 0 ? kWindowRing - 1 : windowPos - 1;
        for (int ch = 0; ch < 2; ++ch) {
            const double scaled = wide(narrow(wide(frame[ch]) * 4.0));
            truePeakWindow[ch][windowPos] = scaled;
            truePeakWindow[ch][windowPos + kWindowRing] = scaled;
        }
        return windowPos;
    };
    auto unpushWindow = [&](int32_t frames) MELP_INLINE {
        windowPos = (windowPos + frames) % kWindowRing;
    };
    auto pushHistory = [&]() MELP_INLINE {
        for (int ch = 0; ch < 2; ++ch) {
            const float scaled = narrow(wide(inputPair[ch]) * 4.0);
            truePeakHistory[ch][historyPos] = scaled;
            truePeakHistory[ch][historyPos + kHistoryMirror] = scaled;
        }
        historyPos -= 4;
        if (historyPos < 0) {
            historyPos = 360;
        }
    };

    // Stores the working copies; answers the first frame not metered.
    auto finishLevelView = [&](int32 next) MELP_INLINE {
        storePair(rectified, rect);
        storePair(averageAccumulator, averageAcc);
        storePair(attackAccumulator, attackAcc);
        storePair(overHold, hold);
        storePair(meterInput, metered);
        signFlag[0] = inputPair[0] > 0.0f ? 1.0f : 0.0f;
        signFlag[1] = inputPair[1] > 0.0f ? 1.0f : 0.0f;
        correlationAccumulator = correlationAcc;
        publishPair(averageLevel, average);
        publishPair(peakLevel, peak);
        publishPair(over, lit);
        publish(correlation, correlationValue);
        return next;
    };

    int32 i = start;
    if (truePeak && end - start >= 2) {
        // Frames go two at a time, and the next two are read and interpolated before these
        // two's levels are worked out: the interpolation (many independent multiply-adds)
        // then overlaps the levels' chain of dependent steps. Each frame is still checked
        // for changed settings just before it is metered; when one has changed, the frames
        // read ahead are given back. The window ring is long enough that the samples read
        // ahead overwrite only samples no window will read, even after a give-back.
        // A frame read ahead: its samples, and what they meter as.
        struct AheadFrame {
            FrameBits samples;
            float metered[2];
        };
        AheadFrame frames[kPairBuffers][2];  // [pair buffer][older, newer]
        auto readAhead = [&](int32 frame, int b) MELP_INLINE {
            for (int f = 0; f < 2; ++f) {
                AheadFrame& ahead = frames[b][f];
                ahead.samples = readFrameBits(inputs, frame + f);
                float raw[2];
                std::memcpy(raw, ahead.samples.bits, sizeof raw);
                ahead.metered[0] = meteredValue(raw[0]);
                ahead.metered[1] = meteredValue(raw[1]);
                pushWindow(ahead.metered);
            }
            // The older frame's window starts one place later (in the mirror at a wrap).
            kernels->interpolateTwo(&truePeakWindow[0][windowPos], &truePeakWindow[1][windowPos],
                                    twoTaps, interpolationPairSums[b]);
        };
        // Only a frame being metered reaches the outputs: one read ahead and given back is
        // read again later, and the outputs may be the inputs.
        auto meterAhead = [&](int32 frame, const AheadFrame& ahead, const double (&y)[2][4]) MELP_INLINE {
            writeFrameBits(outputs, frame, ahead.samples);
            inputPair[0] = ahead.metered[0];
            inputPair[1] = ahead.metered[1];
            pushHistory();
            meterFrame(y);
        };
        int b = 0;           // the buffer of frames i and i + 1
        int32 read = i;      // the first frame not read yet
        int ahead = 0;       // pairs read and not metered yet
        for (;;) {
            while (ahead <= kPairsAhead && read + 1 < end) {
                readAhead(read, (b + ahead) % kPairBuffers);
                read += 2;
                ++ahead;
            }
            if (ahead == 0) {
                break;
            }
            if (i != start && !unchanged(snapshot)) {
                unpushWindow(read - i);
                return finishLevelView(i);
            }
            if (!unchanged(snapshot)) {
                unpushWindow(read - i - 1);
                meterAhead(i, frames[b][0], interpolationPairSums[b][0]);
                return finishLevelView(i + 1);
            }
            meterAhead(i, frames[b][0], interpolationPairSums[b][0]);
            meterAhead(i + 1, frames[b][1], interpolationPairSums[b][1]);
            i += 2;
            b = (b + 1) % kPairBuffers;
            --ahead;
        }
    }
    for (; i < end; ++i) {
        if (i != start && !unchanged(snapshot)) {
            break;
        }
        readFrame(i);
        if (truePeak) {
            const int32_t at = pushWindow(inputPair);
            pushHistory();
            interpolate(&truePeakWindow[0][at], &truePeakWindow[1][at], taps, interpolationSums);
        }
        meterFrame(interpolationSums);
    }
    return finishLevelView(i);
}

int32 MeterEffect::runBandView(float* const* inputs, float* const* outputs, int32 start,
                               int32 end, const Snapshot& snapshot) noexcept {
    const BandStep step = kernels->bandStep;
    const double fall = wide(bandFall);
    int32 i = start;
    for (; i < end; ++i) {
        if (i != start && !unchanged(snapshot)) {
            break;
        }
        passFrame(inputs, outputs, i, inputPair);
        inputPair[0] = meteredValue(inputPair[0]);
        inputPair[1] = meteredValue(inputPair[1]);
        mid = narrow((wide(inputPair[1]) + wide(inputPair[0])) * 0.5);
        uint32_t raised = step(bands, wide(mid), fall);
        while (raised != 0) {
            const int b = __builtin_ctz(raised);
            raised &= raised - 1;
            publish(bandMax[b], narrow(bands.max[b]));
        }
    }
    for (int b = 0; b < kBandCount; ++b) {
        publish(bandInstant[b], narrow(bands.instant[b]));
        publish(bandLevel[b], narrow(bands.level[b]));
    }
    return i;
}

void MeterEffect::selectProgram(int32) noexcept {}

void MeterEffect::renameProgram(const char* name) noexcept {
    if (!name) {
        return;
    }
    size_t length = 0;
    while (length < sizeof programName - 1 && name[length] != '\0') {
        ++length;
    }
    std::memcpy(programName, name, length);
    programName[length] = '\0';
}

void MeterEffect::copyProgramName(char* text) noexcept {
    if (text) {
        copyText(text, programName);
    }
}

void MeterEffect::copyParameterLabel(int32, char*) noexcept {}

void MeterEffect::copyParameterDisplay(int32, char*) noexcept {}

void MeterEffect::copyParameterName(int32, char*) noexcept {}

float MeterEffect::readMeter(int32 index) noexcept {
    const bool quasiPeak = relaxed(quasiPeakMode) != 0.0f;
    const float(&levelTable)[kScaleSize] = quasiPeak ? quasiPeakScale : peakScale;
    switch (index) {
        case 0:
        case 1: return lookUp(levelTable, relaxed(averageLevel[index]));
        case 2:
        case 3: return lookUp(levelTable, relaxed(peakLevel[index - 2]));
        case 4:
        case 5: return lookUp(levelTable, relaxed(maxLevel[index - 4]));
        case 6: return relaxed(correlation);
        case 7:
        case 8: {
            double level = wide(relaxed(maxLevel[index - 7]));
            if (quasiPeak) {
                level *= kQuasiPeakReadOffset;
            }
            return narrow(20.0 * std::log10(level));
        }
        case 9:
        case 10: return relaxed(over[index - 9]);
        default: break;
    }
    if (index >= 41 && index <= 70) {
        return lookUp(bandScale, relaxed(bandLevel[index - 41]));
    }
    if (index >= 71 && index <= 100) {
        return lookUp(bandScale, relaxed(bandMax[index - 71]));
    }
    return 0.0f;
}

void MeterEffect::resetMeters() noexcept {
    publish(maxLevel[0], kMaxLevelFloor);
    publish(maxLevel[1], kMaxLevelFloor);
    for (std::atomic<float>& max : bandMax) {
        publish(max, 0.0f);
    }
    // Release: the audio thread, seeing the new count, also sees the cleared values.
    resetCount.fetch_add(1, std::memory_order_release);
}

void MeterEffect::onResume() noexcept {}

bool MeterEffect::copyIndexedProgramName(int32, int32, char*) noexcept {
    return false;
}

int32 MeterEffect::plugCategory() noexcept {
    return 1;
}

bool MeterEffect::copyEffectName(char* text) noexcept {
    if (!text) {
        return false;
    }
    copyText(text, "MELP200VST");
    return true;
}

bool MeterEffect::copyVendorText(char* text) noexcept {
    if (!text) {
        return false;
    }
    copyText(text, "Quillon Mardet");
    return true;
}

bool MeterEffect::copyProductText(char* text) noexcept {
    if (!text) {
        return false;
    }
    copyText(text, "MELP200");
    return true;
}

int32 MeterEffect::vendorVersion() noexcept {
    return 1000;
}

}  // namespace melp::meter

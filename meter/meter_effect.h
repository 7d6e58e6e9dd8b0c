// MeterEffect: the metering engine. It passes its two inputs through unchanged and, sample
// by sample, keeps the running measurements of the current view:
//   view mode 0  level view: per channel a sample peak, a 4x interpolated true peak or a
//                quasi-peak level, its maximum hold, an over indicator held one second, a
//                0.2 s average of the rectified signal; plus the phase correlation;
//   view mode 2  correlation view: the phase correlation alone;
//   view mode 1  band view: a 30-band third-octave analyser (25 Hz to 20 kHz) of the mid
//                signal, with a level falling 20 dB per second and a maximum hold per band.
// Measurements are linear magnitudes (1.0 is full scale) stored as floats; readMeter turns
// them into meter positions through the lookup tables. Every formula is evaluated in double
// and every stored value rounded to float after it.
//
// Threads. processReplace and processAccumulate run on the host's audio thread; readMeter
// and resetMeters on the editor's thread; setParameterValue on any thread. No lock: every
// value shared between them is a std::atomic of 32 bits with relaxed order (plain loads and
// stores on x86). The audio thread reads the parameters and a reset counter at every sample,
// so a parameter change or a reset that arrives in the middle of a block takes effect at the
// next sample. It keeps the values only it writes (levels, averages, correlation, band
// levels) in working copies during a block and publishes them when the block ends; a
// maximum it raises is published at once, and a reset is never overwritten by a maximum
// held from before it.
//
// Bad input. The samples themselves always pass through bit for bit. For the measurements:
// - a non-finite sample (NaN or +-infinity) meters as a sample of magnitude 2.0 (twice full
//   scale) with the sample's sign bit: it lights the over indicator in every level-view mode
//   and the meters recover as from any loud sample; a finite sample beyond +-1e20 meters as
//   +-1e20.
//   So no measurement ever becomes non-finite.
// - a sample rate that is not a number, below 1 kHz, or above 10 MHz is ignored: the
//   last good rate (44100 to start with) stays in force and no coefficient is derived from
//   it. Below a few hundred hertz the quasi-peak attack coefficient would exceed 1 and then
//   2, where the accumulator form diverges.
// - a band whose centre lies at or above half the sample rate (at 32 kHz the 16 and 20 kHz
//   bands, at 8 kHz every band from 4 kHz up) shows nothing and stays at the bottom: its
//   sections could only answer to signals far from its centre. Every other band's sections
//   follow the formulas, also where a section's own centre lies beyond half the rate (the
//   top section of the 20 kHz band at 44.1 kHz, 22.44 kHz), as they are stable there. A
//   section whose tangent argument reaches its pole (only in hidden bands: first the 20 kHz
//   band's, below about 10.4 kHz) passes nothing. And where rounding gamma to float would
//   put a section's poles on or outside the unit circle (low bands at rates of some MHz),
//   gamma is moved towards 0 by as many float steps as it takes to stay inside.
// - null channel arrays or null channel pointers with a positive count: nothing happens.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/extended_effect.h"
#include "meter/level_scale.h"
#include "meter/meter_kernels.h"

namespace melp::meter {

using host::int32;

static_assert(std::atomic<float>::is_always_lock_free, "shared floats must be lock-free");
static_assert(std::atomic<int32_t>::is_always_lock_free, "shared integers must be lock-free");

// The four-character unique id 'MELP', first character in the most significant byte.
constexpr int32 kMeterUniqueId = 0x4D454C50;
// Maximum-hold level at construction and after a reset: about -99.9 dB (bits 0x3729B398).
constexpr float kMaxLevelFloor = 1.0115e-05f;

// One band-pass section of the analyser, centred at omega (radians per sample, 2 pi f / fs):
// y = 2 (alpha x - alpha x2 + gamma y1 - beta y2) + 1e-9. Always stable; all zero (the
// section passes nothing) where the formulas give no stable band-pass.
struct BandSection {
    float alpha;
    float beta;
    float gamma;
};
BandSection bandSection(double omega) noexcept;

class MeterEffect : public host::ExtendedEffect {
public:
    // hostCallback may be null. Builds the three tables: the whole object is one allocation
    // of about 400 KiB.
    explicit MeterEffect(host::audioMasterCallback hostCallback) noexcept;

    ~MeterEffect() override;
    // [any thread] Stores indices 4 (quasiPeakMode), 5 (truePeakMode), 6 (fastCorrelation)
    // and 7 (viewMode) exactly as given; every other index is ignored.
    void setParameterValue(int32 index, float value) noexcept override;
    // Always 0.0: the host never sees the stored values.
    float parameterValue(int32 index) noexcept override;
    // [audio thread] Copies inputs to outputs (overwriting) and meters nothing.
    void processAccumulate(float** inputs, float** outputs, int32 sampleFrames) noexcept override;
    // [audio thread] Meters every sample and copies input to output; inputs and outputs
    // may be the same memory. A count of 0 or less does nothing.
    void processReplace(float** inputs, float** outputs, int32 sampleFrames) noexcept override;
    // The one program stays the current one.
    void selectProgram(int32 program) noexcept override;
    // Keeps the first 31 characters; a null name changes nothing.
    void renameProgram(const char* name) noexcept override;
    // Copies the program name with its terminator (at most 32 bytes); null does nothing.
    void copyProgramName(char* text) noexcept override;
    // The three parameter texts: the host's buffer is left as it was.
    void copyParameterLabel(int32 index, char* text) noexcept override;
    void copyParameterDisplay(int32 index, char* text) noexcept override;
    void copyParameterName(int32 index, char* text) noexcept override;
    // [ui thread] 0, 1 average; 2, 3 peak; 4, 5 maximum (level table positions); 6 the
    // correlation (0 to 1); 7, 8 the maximum in dB (+5 dB with quasi-peak); 9, 10 over (0 or
    // 1); 41 to 70 band levels and 71 to 100 band maxima (band table positions). Every
    // other index, negative ones included, answers 0.0.
    float readMeter(int32 index) noexcept override;
    // [ui thread] Maximum holds back to kMaxLevelFloor, band maxima to 0; nothing else.
    void resetMeters() noexcept override;
    void onResume() noexcept override;
    bool copyIndexedProgramName(int32 category, int32 index, char* text) noexcept override;
    int32 plugCategory() noexcept override;
    // The identity strings, with their terminator; false (nothing written) for a null text.
    bool copyEffectName(char* text) noexcept override;
    bool copyVendorText(char* text) noexcept override;
    bool copyProductText(char* text) noexcept override;
    int32 vendorVersion() noexcept override;

    // For tests: run with these kernels instead of the best ones for the processor.
    void useKernels(const Kernels& chosen) noexcept { kernels = &chosen; }

private:
    struct Snapshot;
    int32 meterRun(float* const* inputs, float* const* outputs, int32 start, int32 end) noexcept;
    int32 runLevelView(float* const* inputs, float* const* outputs, int32 start, int32 end,
                       const Snapshot& snapshot) noexcept;
    int32 runCorrelationView(float* const* inputs, float* const* outputs, int32 start,
                             int32 end, const Snapshot& snapshot) noexcept;
    int32 runBandView(float* const* inputs, float* const* outputs, int32 start, int32 end,
                      const Snapshot& snapshot) noexcept;
    int32 runCopyOnly(float* const* inputs, float* const* outputs, int32 start, int32 end,
                      const Snapshot& snapshot) noexcept;
    bool unchanged(const Snapshot& snapshot) noexcept;
    void takeSnapshot(Snapshot& snapshot) noexcept;
    void applyPendingReset() noexcept;
    void deriveCoefficients(float rateHz) noexcept;
    void loadWorkingCopies() noexcept;
    void publishWorkingCopies() noexcept;

public:
    // --- the block metering's members, in this order (pairs are [left, right]) ----------
    // The four stored parameters (indices 7, 5, 4, 6).
    std::atomic<float> viewMode{0.0f};
    std::atomic<float> truePeakMode{0.0f};
    std::atomic<float> quasiPeakMode{0.0f};
    std::atomic<float> fastCorrelation{0.0f};
    // Magnitude of the current meter input. [audio thread only]
    float rectified[2] = {};
    // 0.2 s exponential average of rectified.
    std::atomic<float> averageLevel[2] = {};
    // Peak, true-peak or quasi-peak level.
    std::atomic<float> peakLevel[2] = {};
    // Maximum hold of peakLevel.
    std::atomic<float> maxLevel[2] = {};
    float averageAccumulator[2] = {};
    float attackAccumulator[2] = {};
    // Over indicator, 0.0 or 1.0.
    std::atomic<float> over[2] = {};
    // Samples left before the over indicator clears. [audio thread only]
    float overHold[2] = {};
    float correlationAccumulator = 0.0f;
    // Phase correlation: 1 in phase, 0.5 uncorrelated, 0 opposite.
    std::atomic<float> correlation{0.0f};
    // Per band: the current filter output magnitude, the falling level and its maximum
    // hold, as published for readMeter. The audio thread works on the copies in `bands`.
    std::atomic<float> bandInstant[kBandCount] = {};
    std::atomic<float> bandLevel[kBandCount] = {};
    std::atomic<float> bandMax[kBandCount] = {};
    // Counts resetMeters calls; the audio thread compares it at every sample.
    std::atomic<int32_t> resetCount{0};
    // Delay lines, coefficients and working copies of the band analyser. [audio thread]
    BandFilters bands = {};
    // Centre frequencies in Hz.
    float bandCentre[kBandCount] = {};
    float peakScale[kScaleSize];
    float quasiPeakScale[kScaleSize];
    float bandScale[kScaleSize];
    float q = 0.0f;
    float pi = 0.0f;
    // Current sample rate in Hz; rate of the last coefficient derivation (0: none yet).
    float currentRate = 0.0f;
    float coefficientRate = 0.0f;
    float averageCoef = 0.0f;
    float peakFall = 0.0f;
    float peakFall4 = 0.0f;
    float attackCoef = 0.0f;
    float bandFall = 0.0f;
    float correlationCoefFast = 0.0f;
    float correlationCoefSlow = 0.0f;
    // Working values of the current sample.
    float mid = 0.0f;
    float inputPair[2] = {};
    float meterInput[2] = {};
    float signFlag[2] = {};
    float signAgreement = 0.0f;
    // Per channel the interpolator's input history: 364 slots and their mirror, so the 91
    // newest samples (times 4) always lie in every fourth of 364 consecutive slots.
    alignas(32) float truePeakHistory[2][kHistorySize] = {};
    // Write position in the history: a multiple of 4 from 0 to 360.
    int32_t historyPos = 0;
    // The used slots of truePeakHistory as doubles, packed, for the interpolation kernels:
    // a ring from windowPos on (newest first) and its mirror, so that two consecutive
    // samples' windows lie in 92 consecutive entries. The level view reads up to
    // 2 x (kPairsAhead + 1) frames ahead of what it has metered; the ring keeps the 91
    // samples a window needs behind those. [audio thread]
    static constexpr int kPairsAhead = 1;
    static constexpr int kPairBuffers = kPairsAhead + 1;
    static constexpr int32_t kWindowRing = kWindow - 1 + 2 * (kPairsAhead + 1);
    alignas(64) double truePeakWindow[2][2 * kWindowRing] = {};
    int32_t windowPos = 0;
    // The four interpolated values of the current sample, per channel.
    double interpolationSums[2][4] = {};
    // The same for two samples interpolated together (older first), in two buffers: one
    // being metered, one read ahead. [audio thread]
    double interpolationPairSums[kPairBuffers][2][2][4] = {};
    char programName[32] = {};

private:
    const Kernels* kernels;
    int32_t seenResetCount = 0;
};

}  // namespace melp::meter

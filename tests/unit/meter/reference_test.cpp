// Checks that the engine's block metering, in every view and mode and with either set of
// kernels, computes what the plain sample-by-sample algorithm computes, and that parameter
// changes and resets arriving in the middle of a block act at the next sample.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "meter_test_support.h"
#include "reference_meter.h"

namespace melp::testing {
namespace {

struct Setting {
    float view, truePeak, quasiPeak, fast;
};

void apply(MeterEffect& e, ReferenceMeter& r, const Setting& s) {
    e.setParameterValue(7, s.view);
    e.setParameterValue(5, s.truePeak);
    e.setParameterValue(4, s.quasiPeak);
    e.setParameterValue(6, s.fast);
    r.viewMode = s.view;
    r.truePeakMode = s.truePeak;
    r.quasiPeakMode = s.quasiPeak;
    r.fastCorrelation = s.fast;
}

void runReference(ReferenceMeter& r, const Stereo& signal, float rate) {
    for (size_t i = 0; i < signal.size(); ++i) {
        r.step(signal.left[i], signal.right[i], rate);
    }
}

// Exact equality, except where the interpolator's double sums may differ in their last
// bit (a different order of addition): there one part in a million.
void expectSame(const MeterEffect& e, const ReferenceMeter& r, bool nearOnly) {
    auto check = [nearOnly](float engine, float reference, const char* what, int i) {
        if (nearOnly) {
            EXPECT_NEAR(engine, reference, 1e-6 * std::fabs(static_cast<double>(reference)) + 1e-12) << what << i;
        } else {
            EXPECT_EQ(engine, reference) << what << i;
        }
    };
    for (int ch = 0; ch < 2; ++ch) {
        check(e.peakLevel[ch].load(), r.peakLevel[ch], "peak ", ch);
        check(e.maxLevel[ch].load(), r.maxLevel[ch], "max ", ch);
        check(e.averageLevel[ch].load(), r.averageLevel[ch], "average ", ch);
        EXPECT_EQ(e.over[ch].load(), r.over[ch]) << "over " << ch;
    }
    EXPECT_EQ(e.correlation.load(), r.correlation);
    EXPECT_EQ(e.bandFall, r.bandFall);
    EXPECT_EQ(e.peakFall, r.peakFall);
    // A band hidden at this rate may be built any stable way: only its readings count.
    for (int b = 0; b < 30; ++b) {
        if (!r.visible[b]) {
            continue;
        }
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(e.bands.alpha[s][b], static_cast<double>(r.alpha[b][s])) << b << "/" << s;
            EXPECT_EQ(e.bands.beta[s][b], static_cast<double>(r.beta[b][s])) << b << "/" << s;
            EXPECT_EQ(e.bands.gamma[s][b], static_cast<double>(r.gamma[b][s])) << b << "/" << s;
        }
    }
    for (int b = 0; b < 30; ++b) {
        EXPECT_EQ(e.bandLevel[b].load(), r.bandLevel[b]) << "band level " << b;
        EXPECT_EQ(e.bandMax[b].load(), r.bandMax[b]) << "band max " << b;
    }
}

Stereo programme(size_t frames, uint32_t seed) {
    Stereo s{noise(frames, seed, 0.6), noise(frames, seed + 7, 0.6)};
    const auto tone = sine(frames, 997.0, 44100.0, 0.5);
    for (size_t i = 0; i < frames; ++i) {
        s.left[i] += tone[i];
        s.right[i] -= 0.5f * tone[i];
    }
    return s;
}

class Agreement : public ::testing::TestWithParam<Setting> {};

TEST_P(Agreement, WithTheSampleBySampleAlgorithm) {
    const Setting setting = GetParam();
    for (const meter::Kernels* kernels : availableKernels()) {
        SCOPED_TRACE(kernels->name);
        auto e = makeEffect();
        e->useKernels(*kernels);
        ReferenceMeter r;
        apply(*e, r, setting);
        // Odd block lengths, so runs start and end everywhere.
        const Stereo loud = programme(20000, 3);
        process(*e, loud, 333);
        runReference(r, loud, 44100.0f);
        const Stereo quiet = silence(30000);
        process(*e, quiet, 1000);
        runReference(r, quiet, 44100.0f);
        expectSame(*e, r, setting.truePeak == 1.0f && setting.view == 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryMode, Agreement,
    ::testing::Values(Setting{0, 0, 0, 0}, Setting{0, 1, 0, 0}, Setting{0, 0, 1, 1},
                      Setting{0, 0.5f, 0, 0}, Setting{0, 0, 0.5f, 1}, Setting{2, 0, 0, 1},
                      Setting{1, 0, 0, 0}, Setting{1.5f, 0, 0, 0}));

// The analyser where the rate is low: sections whose own centre lies beyond half the rate
// (the 20 kHz band's top section at 44.1 kHz, and more below) follow the formulas, and bands
// centred at or above half the rate stay at the bottom, whatever the signal.
struct RateCase {
    float rate;
    double toneHz[2];  // 0: none
    const char* what;
};

class LowRates : public ::testing::TestWithParam<RateCase> {};

TEST_P(LowRates, AnalyserFollowsTheFormulas) {
    const RateCase c = GetParam();
    const auto frames = static_cast<size_t>(c.rate / 2.0f);
    Stereo signal = c.toneHz[0] == 0.0 ? Stereo{noise(frames, 41), noise(frames, 41)}
                                        : silence(frames);
    for (double hz : c.toneHz) {
        if (hz == 0.0) continue;
        const auto tone = sine(frames, hz, static_cast<double>(c.rate), 0.5);
        for (size_t i = 0; i < frames; ++i) {
            signal.left[i] += tone[i];
            signal.right[i] += tone[i];
        }
    }
    ReferenceMeter r;
    r.viewMode = 1.0f;
    runReference(r, signal, c.rate);
    for (const meter::Kernels* kernels : availableKernels()) {
        SCOPED_TRACE(std::string(kernels->name) + ", " + c.what);
        auto e = makeEffect(c.rate);
        e->useKernels(*kernels);
        e->setParameterValue(7, 1.0f);
        process(*e, signal, 700);
        expectSame(*e, r, false);
        for (int b = 0; b < 30; ++b) {
            if (!r.visible[b]) {
                EXPECT_EQ(e->readMeter(41 + b), 0.0f) << "band " << b;
                EXPECT_EQ(e->readMeter(71 + b), 0.0f) << "band " << b;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, LowRates,
    ::testing::Values(RateCase{44100.0f, {0.0, 0.0}, "44.1 kHz noise"},
                      RateCase{32000.0f, {14400.0, 0.0}, "32 kHz, 14.4 kHz"},
                      RateCase{22050.0f, {9900.0, 0.0}, "22.05 kHz, 9.9 kHz"},
                      RateCase{11025.0f, {4000.0, 0.0}, "11.025 kHz, 4 kHz"},
                      RateCase{8000.0f, {1000.0, 3000.0}, "8 kHz, 1 and 3 kHz"}));

TEST(Kernels, EveryVersionAgreesBitForBit) {
    const auto kernels = availableKernels();
    if (kernels.size() < 2) {
        GTEST_SKIP() << "only the SSE2 version runs on this processor";
    }
    for (const meter::Kernels* other : kernels) {
        if (other == &meter::sse2Kernels()) {
            continue;
        }
        SCOPED_TRACE(other->name);
        for (float view : {0.0f, 1.0f}) {
            auto a = makeEffect(48000.0f);
            auto b = makeEffect(48000.0f);
            a->useKernels(meter::sse2Kernels());
            b->useKernels(*other);
            for (auto* e : {a.get(), b.get()}) {
                e->setParameterValue(7, view);
                e->setParameterValue(5, 1.0f);
                // Blocks of 1 and 2 too: single frames and pairs of frames take other paths.
                const Stereo signal = programme(48000, 11);
                size_t done = 0;
                for (size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{1}, size_t{97}}) {
                    process(*e, slice(signal, done, block));
                    done += block;
                }
                process(*e, slice(signal, done, signal.left.size() - done));
            }
            for (int ch = 0; ch < 2; ++ch) {
                EXPECT_EQ(a->peakLevel[ch].load(), b->peakLevel[ch].load());
                EXPECT_EQ(a->maxLevel[ch].load(), b->maxLevel[ch].load());
                EXPECT_EQ(a->averageLevel[ch].load(), b->averageLevel[ch].load());
                EXPECT_EQ(a->meterInput[ch], b->meterInput[ch]);
            }
            EXPECT_EQ(std::memcmp(&a->bands, &b->bands, sizeof a->bands), 0);
        }
    }
}

TEST(MidBlock, ResetActsAtTheNextSampleAndIsNotOverwritten) {
    auto e = makeEffect();
    ReferenceMeter r;
    const Stereo loud{sine(4410, 1000.0, 44100.0, 0.9), sine(4410, 1000.0, 44100.0, 0.9)};
    process(*e, loud);
    runReference(r, loud, 44100.0f);
    const float loudMax = maxOf(*e, 0);
    ASSERT_GT(loudMax, 0.89f);

    // One long block of quiet signal. The reset lands while sample 4999 is being metered
    // (the parameters for it were already read), so it acts from sample 5000 on.
    const Stereo quiet{sine(20000, 440.0, 44100.0, 0.1), sine(20000, 440.0, 44100.0, 0.1)};
    const int64_t resetAt = e->queries + 5000;
    e->hook = [&](int64_t query) {
        if (query == resetAt) {
            e->resetMeters();
        }
    };
    process(*e, quiet, quiet.size());
    e->hook = nullptr;
    for (size_t i = 0; i < quiet.size(); ++i) {
        if (i == 5000) r.reset();
        r.step(quiet.left[i], quiet.right[i], 44100.0f);
    }
    // The maximum restarts from the (still falling) peak of that moment, exactly as if the
    // reset came between those two samples; the loud maximum from before never returns.
    EXPECT_LT(maxOf(*e, 0), 0.9f * loudMax);
    EXPECT_EQ(maxOf(*e, 0), r.maxLevel[0]);
    EXPECT_EQ(peakOf(*e, 0), r.peakLevel[0]);
}

TEST(MidBlock, ViewChangeFreezesFromTheNextSample) {
    auto e = makeEffect();
    ReferenceMeter r;
    const Stereo signal = programme(10000, 5);
    const int64_t switchAt = e->queries + 3000;
    e->hook = [&](int64_t query) {
        if (query == switchAt) {
            e->setParameterValue(7, 1.0f);
        }
    };
    process(*e, signal, signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        if (i == 3000) r.viewMode = 1.0f;
        r.step(signal.left[i], signal.right[i], 44100.0f);
    }
    expectSame(*e, r, false);
}

TEST(MidBlock, RateChangeDerivesCoefficientsAtThatSample) {
    auto e = makeEffect();
    ReferenceMeter r;
    const Stereo signal = programme(6000, 9);
    const int64_t changeAt = e->queries + 2000;
    e->hook = [&](int64_t query) {
        if (query == changeAt) {
            e->changeSampleRate(96000.0f);
        }
    };
    process(*e, signal, signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        r.step(signal.left[i], signal.right[i], i < 1999 ? 44100.0f : 96000.0f);
    }
    expectSame(*e, r, false);
    EXPECT_EQ(e->coefficientRate, 96000.0f);
}

// True peak is worked two frames at a time, reading ahead; a change noticed at either frame
// of a pair, in any block, must leave the same state as the plain algorithm, and the
// interpolator must go on from exactly the samples that were metered.
TEST(MidBlock, TruePeakSwitchedOffAndOnAtEveryPhaseOfAPair) {
    for (const meter::Kernels* kernels : availableKernels()) {
        for (int64_t offAt : {1001, 1002, 1003, 1004}) {
            SCOPED_TRACE(std::string(kernels->name) + " off at query " + std::to_string(offAt));
            auto e = makeEffect();
            e->useKernels(*kernels);
            ReferenceMeter r;
            e->setParameterValue(5, 1.0f);
            r.truePeakMode = 1.0f;
            const Stereo signal = programme(9000, 21);
            const int64_t base = e->queries;
            const int64_t onAt = offAt + 1500;
            e->hook = [&](int64_t query) {
                if (query == base + offAt) e->setParameterValue(5, 0.0f);
                if (query == base + onAt) e->setParameterValue(5, 1.0f);
            };
            process(*e, signal, 4000);
            e->hook = nullptr;
            // Blocks of 4000 frames start at queries 1, 4002 (one more for the new run) and
            // 8003; a change made during query q is seen at the frame of query q + 1.
            for (size_t i = 0; i < signal.size(); ++i) {
                if (static_cast<int64_t>(i) == offAt) r.truePeakMode = 0.0f;
                if (static_cast<int64_t>(i) == onAt - 1) r.truePeakMode = 1.0f;
                r.step(signal.left[i], signal.right[i], 44100.0f);
            }
            expectSame(*e, r, true);
            EXPECT_EQ(e->historyPos, r.historyPos);
            EXPECT_EQ(std::memcmp(e->truePeakHistory, r.history, sizeof r.history), 0);
            // The kernels' packed window holds exactly the newest 91 samples of the history.
            for (int ch = 0; ch < 2; ++ch) {
                for (int j = 0; j < 91; ++j) {
                    const int slot = (e->historyPos + 4 + 4 * j) % 364;
                    ASSERT_EQ(e->truePeakWindow[ch][e->windowPos + j],
                              static_cast<double>(e->truePeakHistory[ch][slot]))
                        << "channel " << ch << " sample " << j;
                }
            }
        }
    }
}

}  // namespace
}  // namespace melp::testing

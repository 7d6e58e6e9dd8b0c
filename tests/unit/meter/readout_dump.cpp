// Prints what the engine shows a host on fixed signals: every read-out (readMeter) and the
// published levels behind them, as float bit patterns, about fifty times a second of audio,
// in every view and mode at three sample rates. The 32-bit build's dump must equal the
// 64-bit build's byte for byte (compare_readouts.sh), since both DLLs promise the same
// readings. The signals are made without the maths library, whose last bits may differ
// between the two builds; only the engine's own calls to it are under test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "meter_test_support.h"

namespace melp::testing {
namespace {

struct Setting {
    float view, truePeak, quasiPeak, fast;
    const char* name;
};

uint32_t bits(float value) {
    uint32_t out = 0;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

// A triangle wave of `period` samples (exact in float for any period below 2^20).
float triangle(size_t i, size_t period, float amplitude) {
    const auto phase = static_cast<float>(i % period) / static_cast<float>(period);
    return amplitude * (phase < 0.5f ? 4.0f * phase - 1.0f : 3.0f - 4.0f * phase);
}

// One second: correlated noise under a triangle, the right channel inverted for a while,
// a burst above full scale (the over lamps), a few samples that are not numbers, silence.
Stereo signalAt(size_t rateHz) {
    const size_t frames = rateHz;
    Stereo s{noise(frames, 5, 0.3), noise(frames, 9, 0.3)};
    const auto common = noise(frames, 13, 0.4);
    for (size_t i = 0; i < frames; ++i) {
        const float tone = triangle(i, rateHz / 440, 0.25f);
        s.left[i] += common[i] + tone;
        s.right[i] += (i > frames / 4 && i < frames / 2 ? -1.0f : 1.0f) * (common[i] + tone);
        if (i >= frames * 5 / 8 && i < frames * 5 / 8 + rateHz / 50) {
            s.left[i] *= 3.5f;
            s.right[i] *= 2.5f;
        }
        if (i >= frames * 7 / 8) {
            s.left[i] = 0.0f;
            s.right[i] = 0.0f;
        }
    }
    s.left[frames * 3 / 4] = std::numeric_limits<float>::quiet_NaN();
    s.right[frames * 3 / 4 + 7] = -std::numeric_limits<float>::infinity();
    return s;
}

void dumpReadouts(MeterEffect& e, double seconds) {
    std::printf("%.3f", seconds);
    for (int ch = 0; ch < 2; ++ch) {
        std::printf(" %08x %08x %08x %08x", bits(e.averageLevel[ch].load()),
                    bits(e.peakLevel[ch].load()), bits(e.maxLevel[ch].load()),
                    bits(e.over[ch].load()));
    }
    std::printf(" %08x |", bits(e.correlation.load()));
    for (int b = 0; b < meter::kBandCount; ++b) {
        std::printf(" %08x %08x", bits(e.bandLevel[b].load()), bits(e.bandMax[b].load()));
    }
    std::printf(" |");
    for (int index = 0; index <= 100; ++index) {
        if (index <= 10 || index >= 41) {
            std::printf(" %08x", bits(e.readMeter(index)));
        }
    }
    std::printf("\n");
}

int run() {
    const Setting settings[] = {
        {0, 0, 0, 0, "level, sample peak, slow"},  {0, 1, 0, 0, "level, true peak, slow"},
        {0, 0, 1, 1, "level, quasi-peak, fast"},   {0, 1, 1, 0, "level, quasi-peak over true peak"},
        {1, 0, 0, 0, "analyser"},                  {2, 0, 0, 1, "correlation, fast"}};
    for (size_t rateHz : {size_t{44100}, size_t{48000}, size_t{96000}}) {
        const Stereo signal = signalAt(rateHz);
        for (const Setting& setting : settings) {
            std::printf("# %zu Hz, %s\n", rateHz, setting.name);
            auto e = makeEffect(static_cast<float>(rateHz));
            e->setParameterValue(7, setting.view);
            e->setParameterValue(5, setting.truePeak);
            e->setParameterValue(4, setting.quasiPeak);
            e->setParameterValue(6, setting.fast);
            // Uneven blocks, so runs start and end everywhere; a read-out after each fiftieth
            // of a second, as an editor's idle would.
            const size_t blocks[] = {1, 2, 511, 97, 333};
            size_t done = 0;
            size_t next = 0;
            bool reset = false;
            for (size_t k = 0; done < signal.size(); ++k) {
                const size_t n = std::min(blocks[k % 5], signal.size() - done);
                process(*e, slice(signal, done, n), n);
                done += n;
                if (done >= next) {
                    dumpReadouts(*e, static_cast<double>(done) / static_cast<double>(rateHz));
                    next += rateHz / 50;
                }
                if (!reset && done > signal.size() * 3 / 4) {
                    e->resetMeters();
                    reset = true;
                }
            }
        }
    }
    std::fprintf(stderr, "readout dump: %s kernels\n", meter::bestKernels().name);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace melp::testing

int main() { return melp::testing::run(); }

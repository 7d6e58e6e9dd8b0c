// Cost of the block metering per stereo frame: each view and mode, on noise and on
// silence (which must cost no more: no denormals), at 48 kHz in 512-frame blocks.
// frame_time is the time per stereo frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/bench_signals.h"
#include "meter/meter_effect.h"

namespace {

using melp::bench::Mode;

void meterBlocks(benchmark::State& state, Mode mode, bool silent, bool sse2Only) {
    auto effect = std::make_unique<melp::meter::MeterEffect>(nullptr);
    if (sse2Only) {
        effect->useKernels(melp::meter::sse2Kernels());
    }
    melp::bench::prepare(*effect, mode);
    melp::bench::Signal signal(silent);
    // Settle first: silence is only interesting once the levels have fallen to their floors.
    for (int i = 0; i < 2000; ++i) {
        signal.run(*effect);
    }
    for (auto _ : state) {
        signal.run(*effect);
        benchmark::ClobberMemory();
    }
    state.counters["frame_time"] = benchmark::Counter(
        melp::bench::kBlockFrames,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetLabel(sse2Only ? "sse2" : melp::meter::bestKernels().name);
}

void registerAll() {
    for (const auto& [name, mode] : melp::bench::modes()) {
        for (bool silent : {false, true}) {
            const std::string label = std::string(name) + (silent ? "/silence" : "/noise");
            benchmark::RegisterBenchmark(label.c_str(), meterBlocks, mode, silent, false);
            if (melp::meter::avx2Kernels() && (mode.view == 1.0f || mode.truePeak == 1.0f)) {
                benchmark::RegisterBenchmark((label + "/sse2").c_str(), meterBlocks, mode,
                                             silent, true);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

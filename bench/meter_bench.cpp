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

void meterBlocks(benchmark::State& state, Mode mode, bool silent, const melp::meter::Kernels* kernels) {
    auto effect = std::make_unique<melp::meter::MeterEffect>(nullptr);
    if (kernels) {
        effect->useKernels(*kernels);
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
    state.SetLabel(kernels ? kernels->name : melp::meter::bestKernels().name);
}

void registerAll() {
    for (const auto& [name, mode] : melp::bench::modes()) {
        for (bool silent : {false, true}) {
            const std::string label = std::string(name) + (silent ? "/silence" : "/noise");
            benchmark::RegisterBenchmark(label.c_str(), meterBlocks, mode, silent, nullptr);
            if (mode.view != 1.0f && mode.truePeak != 1.0f) {
                continue;
            }
            // The lesser kernels too, as processors without the best one run them.
            for (const melp::meter::Kernels* k : {&melp::meter::sse2Kernels(), melp::meter::avx2Kernels()}) {
                if (k && k != &melp::meter::bestKernels()) {
                    benchmark::RegisterBenchmark((label + "/" + k->name).c_str(), meterBlocks, mode,
                                                 silent, k);
                }
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

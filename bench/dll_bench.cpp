// The 32-bit (and 64-bit) Windows build's cost of the block metering, timed without Google
// Benchmark (not built for mingw): the same modes and signals as meter_bench, printed as
// Google Benchmark JSON so both runs read alike. Each figure is the fastest of several
// timed rounds, which keeps other load on the machine out of it.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_signals.h"
#include "meter/meter_effect.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    std::string name;
    const char* label;
    long iterations;
    double nanosecondsPerBlock;
};

Result timeMode(const char* name, const melp::bench::Mode& mode, bool silent, bool sse2Only) {
    auto effect = std::make_unique<melp::meter::MeterEffect>(nullptr);
    if (sse2Only) {
        effect->useKernels(melp::meter::sse2Kernels());
    }
    melp::bench::prepare(*effect, mode);
    melp::bench::Signal signal(silent);
    for (int i = 0; i < 2000; ++i) {
        signal.run(*effect);
    }
    // Enough blocks per round for about 20 ms, then the best of 15 rounds.
    long blocks = 16;
    for (;;) {
        const auto start = Clock::now();
        for (long i = 0; i < blocks; ++i) signal.run(*effect);
        const auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed > 0.02) break;
        blocks *= 2;
    }
    double best = 1e30;
    for (int round = 0; round < 15; ++round) {
        const auto start = Clock::now();
        for (long i = 0; i < blocks; ++i) signal.run(*effect);
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        if (ns < best) best = ns;
    }
    std::string full = std::string(name) + (silent ? "/silence" : "/noise") + (sse2Only ? "/sse2" : "");
    return {full, sse2Only ? "sse2" : melp::meter::bestKernels().name, blocks, best / static_cast<double>(blocks)};
}

void print(const Result& r, bool last) {
    const double frameSeconds = r.nanosecondsPerBlock * 1e-9 / melp::bench::kBlockFrames;
    std::printf("    {\n      \"name\": \"%s\",\n      \"run_name\": \"%s\",\n"
                "      \"run_type\": \"iteration\",\n      \"repetitions\": 1,\n"
                "      \"repetition_index\": 0,\n      \"threads\": 1,\n"
                "      \"iterations\": %ld,\n      \"real_time\": %.4f,\n"
                "      \"cpu_time\": %.4f,\n      \"time_unit\": \"ns\",\n"
                "      \"frame_time\": %.6e,\n      \"label\": \"%s\"\n    }%s\n",
                r.name.c_str(), r.name.c_str(), r.iterations, r.nanosecondsPerBlock,
                r.nanosecondsPerBlock, frameSeconds, r.label, last ? "" : ",");
}

}  // namespace

// An optional argument keeps only the benchmarks whose names contain it.
int main(int argc, char** argv) {
    const std::string filter = argc > 1 ? argv[1] : "";
    std::printf("{\n  \"context\": {\n    \"executable\": \"melp_dll_bench\",\n"
                "    \"pointer_bits\": %d,\n    \"library_build_type\": \"release\",\n"
                "    \"kernels\": \"%s\"\n  },\n  \"benchmarks\": [\n",
                static_cast<int>(sizeof(void*) * 8), melp::meter::bestKernels().name);
    const auto modes = melp::bench::modes();
    std::vector<Result> results;
    for (size_t m = 0; m < modes.size(); ++m) {
        const auto& [name, mode] = modes[m];
        const bool heavy = mode.view == 1.0f || mode.truePeak == 1.0f;
        const bool withSse2 = heavy && melp::meter::avx2Kernels() != nullptr;
        for (bool silent : {false, true}) {
            for (bool sse2Only : {false, true}) {
                if (sse2Only && !withSse2) continue;
                const std::string full = std::string(name) + (silent ? "/silence" : "/noise") +
                                         (sse2Only ? "/sse2" : "");
                if (full.find(filter) == std::string::npos) continue;
                results.push_back(timeMode(name, mode, silent, sse2Only));
            }
        }
    }
    for (size_t i = 0; i < results.size(); ++i) {
        print(results[i], i + 1 == results.size());
    }
    std::printf("  ]\n}\n");
    return 0;
}

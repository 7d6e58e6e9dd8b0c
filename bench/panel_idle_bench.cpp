// What the panel's idle costs per refresh: the host's effEditIdle after 40 ms of audio moved
// the meters (the refresh, the redraw of what changed and, on X11, the events taken and the
// changed pixels put on the screen), and an idle with nothing to redraw. Built twice: on the
// headless backend (build/release) and on the X11 backend against the display in DISPLAY
// (build/linux64), so the two read side by side.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "host/opcodes.h"
#include "platform/platform.h"

#if MELP_BENCH_X11
#include "platform/x11/x11.h"
#else
#include "platform/headless/headless.h"
#endif

namespace {

using namespace melp;

host::intptr MELP_CDECL hostCallback(host::AEffect*, host::int32 opcode, host::int32,
                                     host::intptr, void*, float) {
    return opcode == host::audioMasterVersion ? 2400 : 0;
}

class OpenPanel {
public:
    OpenPanel() {
#if MELP_BENCH_X11
        hostWindow_ = platform::x11::createTopLevelWindow(40, 40, 427, 133);
        parent_ = reinterpret_cast<void*>(
            static_cast<std::uintptr_t>(platform::x11::windowId(hostWindow_)));
#else
        platform::headless::reset();
        hostWindow_ = platform::headless::createHostWindow(0, 0, 427, 133);
        parent_ = hostWindow_;
#endif
        effect_ = melpPluginEntry(&hostCallback);
        if (effect_ == nullptr || hostWindow_ == nullptr) {
            return;
        }
        dispatch(host::effSetSampleRate, 0, 44100.0f);
        dispatch(host::effMainsChanged, 1);
        open_ = dispatch(host::effEditOpen, 0, 0.0f, parent_) == 1;
        for (int i = 0; i < 3; ++i) {
            idle();
        }
    }
    ~OpenPanel() {
        if (effect_ != nullptr) {
            dispatch(host::effEditClose);
            dispatch(host::effClose);
        }
        if (hostWindow_ != nullptr) {
#if MELP_BENCH_X11
            platform::destroyWindow(hostWindow_);
#else
            platform::headless::destroyWindowFromOutside(hostWindow_);
#endif
        }
    }
    OpenPanel(const OpenPanel&) = delete;
    OpenPanel& operator=(const OpenPanel&) = delete;

    bool ready() const { return open_; }
    const char* why() const {
        if (hostWindow_ == nullptr) {
            return "no host window (no display?)";
        }
        return effect_ == nullptr ? "the plug-in gave no effect" : "the editor did not open";
    }

    host::intptr dispatch(host::int32 opcode, host::intptr value = 0, float opt = 0.0f,
                          void* ptr = nullptr) {
        return effect_->dispatcher(effect_, opcode, 0, value, ptr, opt);
    }
    // On X11 the idle takes the window's events itself; headless, the host's message loop
    // (its paint messages) runs first, as on Windows.
    void idle() {
#if !MELP_BENCH_X11
        platform::headless::advanceTime(40);
        platform::headless::dispatchPendingMessages();
#endif
        dispatch(host::effEditIdle);
    }
    // 40 ms of a tone whose level steps every call, so the bars and read-outs change.
    void playTone() {
        const double level = 0.1 + 0.8 * static_cast<double>(step_++ % 9) / 8.0;
        for (int block = 0; block < 7; ++block) {
            for (std::size_t i = 0; i < left_.size(); ++i) {
                const double t = static_cast<double>(sample_++) / 44100.0;
                left_[i] = static_cast<float>(level * std::sin(2.0 * 3.14159265358979 * 997.0 * t));
                right_[i] = 0.5f * left_[i];
            }
            float* channels[2] = {left_.data(), right_.data()};
            effect_->processReplacing(effect_, channels, channels, static_cast<host::int32>(left_.size()));
        }
    }

private:
    host::AEffect* effect_ = nullptr;
    platform::Window hostWindow_ = nullptr;
    void* parent_ = nullptr;
    bool open_ = false;
    std::vector<float> left_ = std::vector<float>(252);
    std::vector<float> right_ = std::vector<float>(252);
    long sample_ = 0;
    int step_ = 0;
};

void panelIdleAfterAudio(benchmark::State& state) {
    OpenPanel panel;
    if (!panel.ready()) {
        state.SkipWithError(panel.why());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        panel.playTone();
        state.ResumeTiming();
        panel.idle();
    }
}
BENCHMARK(panelIdleAfterAudio)->Unit(benchmark::kMicrosecond);

void panelIdleWithNothingToRedraw(benchmark::State& state) {
    OpenPanel panel;
    if (!panel.ready()) {
        state.SkipWithError(panel.why());
        return;
    }
    for (int i = 0; i < 60; ++i) {
        panel.idle();  // until every meter has come to rest
    }
    for (auto _ : state) {
        panel.idle();
    }
}
BENCHMARK(panelIdleWithNothingToRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

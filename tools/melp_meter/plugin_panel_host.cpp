#include <pthread.h>

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "host/opcodes.h"
#include "platform/headless/headless.h"
#include "tools/melp_meter/panel_host.h"

namespace melp::tools {

namespace {

namespace hl = platform::headless;
using host::AEffect;

host::intptr MELP_CDECL hostCallback(AEffect*, host::int32 opcode, host::int32, host::intptr,
                                     void*, float) {
    // A 2.4 host that answers every other request with "nothing".
    return opcode == host::audioMasterVersion ? 2400 : 0;
}

// The panel's geometry in frame pixels.
constexpr std::int32_t kBarLeft = 81;
constexpr std::int32_t kBarWidth = kBarColumns;
constexpr std::int32_t kBarRows[2] = {50, 75};
constexpr std::int32_t kLampLeft = 285;
constexpr std::int32_t kLampTops[2] = {46, 71};
constexpr std::int32_t kMaxDisplayLeft = 292;
constexpr std::int32_t kMaxDisplayTops[2] = {55, 81};
constexpr std::int32_t kBandLeft = 98;
constexpr std::int32_t kBandPitch = 8;
constexpr std::int32_t kBandTop = 36;
constexpr std::int32_t kBandHeight = 56;
constexpr std::int32_t kPinLeft = 113;
constexpr std::int32_t kPinTravel = 181;
constexpr std::int32_t kPinRow = 59;

// Button centres.
struct Point {
    std::int32_t x, y;
};
constexpr Point kAnalyserPageButton = {53, 65};
constexpr Point kPhasePageButton = {53, 81};
constexpr Point kLevelPageButton = {53, 49};
constexpr Point kSpeedButton = {368, 60};  // phase page; the peak-mode button's place
constexpr Point kPeakModeButton = {368, 60};
constexpr Point kScaleButton = {368, 71};
constexpr Point kTruePeakButton = {368, 82};

// The bars and pointers are copies of solid blue (lit) and dark (unlit) pictures; the lamp's
// lit half carries a red exclamation mark.
bool isLit(platform::ColorRef c) { return ((c >> 8) & 0xFF) > 80; }
bool isRed(platform::ColorRef c) { return (c & 0xFF) > 150 && ((c >> 8) & 0xFF) < 100; }

struct Instance {
    AEffect* effect = nullptr;
    platform::Window hostWindow = nullptr;
    platform::Window frameWindow = nullptr;
    std::int32_t screenX = 0;
    std::int32_t screenY = 0;
    bool editorOpen = false;

    host::intptr dispatch(host::int32 opcode, host::int32 index = 0, host::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) const {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    hl::Framebuffer fb;  // the frame window's pixels, valid while it exists
    std::vector<float> left, right;  // the plug-in may write its outputs over its inputs

    // processReplacing block by block, as a host calls it.
    void process(const float* l, const float* r, std::int32_t frames) {
        const auto block = static_cast<std::int32_t>(left.size());
        for (std::int32_t done = 0; done < frames; done += block) {
            const std::int32_t n = std::min(block, frames - done);
            std::memcpy(left.data(), l + done, static_cast<std::size_t>(n) * sizeof(float));
            std::memcpy(right.data(), r + done, static_cast<std::size_t>(n) * sizeof(float));
            float* io[2] = {left.data(), right.data()};
            effect->processReplacing(effect, io, io, n);
        }
    }

    platform::ColorRef pixel(std::int32_t x, std::int32_t y) const {
        if (!fb.pixels || x < 0 || y < 0 || x >= fb.width || y >= fb.height) return 0;
        return fb.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(fb.width) +
                         static_cast<std::size_t>(x)];
    }
};

// One piece of a chunk's work: an instance's blocks, or the caller's own work on the
// samples. It keeps how long it took last time.
struct Task {
    Instance* instance = nullptr;
    const std::function<void()>* work = nullptr;
    double lastSeconds = 0.0;

    void run(const float* left, const float* right, std::int32_t frames) {
        const auto begun = std::chrono::steady_clock::now();
        if (instance) {
            instance->process(left, right, frames);
        } else if (work && *work) {
            (*work)();
        }
        lastSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    }
};

// An audio thread that shares each chunk's tasks with the thread that hands them over, as a
// host's pool of audio threads shares its plug-ins: each thread takes the next task nobody
// has taken. An instance runs on one thread at a time, its blocks in order.
class AudioThread {
public:
    AudioThread() : thread_([this] { loop(); }) {}
    ~AudioThread() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            generation_.fetch_add(1, std::memory_order_release);
        }
        wake_.notify_one();
        thread_.join();
    }
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    // Hands over tasks[order[0]], tasks[order[1]], ... in that order of taking; then the
    // caller takes its share. The tasks and samples must stay untouched until finish.
    void run(Task* tasks, const int* order, int count, const float* left, const float* right,
             std::int32_t frames) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = Job{tasks, order, count, left, right, frames};
            next_.store(0, std::memory_order_relaxed);
            busy_ = true;
            busyFlag_.store(true, std::memory_order_relaxed);
            generation_.fetch_add(1, std::memory_order_release);
        }
        wake_.notify_one();
        take(job_);
    }

    void finish() {
        // Both threads usually end close together: a short wait on the flag saves this one a
        // sleep and a wake-up per chunk.
        for (int i = 0; i < 4000 && busyFlag_.load(std::memory_order_acquire); ++i) _mm_pause();
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return !busy_; });
    }

private:
    struct Job {
        Task* tasks = nullptr;
        const int* order = nullptr;
        int count = 0;
        const float* left = nullptr;
        const float* right = nullptr;
        std::int32_t frames = 0;
    };

    void take(const Job& job) {
        for (int k = next_.fetch_add(1, std::memory_order_relaxed); k < job.count;
             k = next_.fetch_add(1, std::memory_order_relaxed)) {
            job.tasks[job.order[k]].run(job.left, job.right, job.frames);
        }
    }

    void loop() {
        pthread_setname_np(pthread_self(), "melp-audio");
        std::uint64_t seen = 0;
        for (;;) {
            // The next chunk follows within some tens of microseconds: wait for it awake a
            // little before sleeping.
            for (int i = 0; i < 2000 && generation_.load(std::memory_order_acquire) == seen; ++i) _mm_pause();
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || busy_; });
            if (quit_) return;
            seen = generation_.load(std::memory_order_relaxed);
            const Job job = job_;
            lock.unlock();
            take(job);
            lock.lock();
            busy_ = false;
            busyFlag_.store(false, std::memory_order_release);
            done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Job job_;
    std::atomic<int> next_{0};
    bool busy_ = false;
    std::atomic<bool> busyFlag_{false};  // busy_, readable without the lock
    std::atomic<std::uint64_t> generation_{0};  // counts hand-overs, readable without the lock
    bool quit_ = false;
    std::thread thread_;
};

class PluginPanelHost final : public PanelHost {
public:
    ~PluginPanelHost() override { stop(); }

    bool start(double sampleRateHz, std::int32_t blockFrames, MeterMode mode, bool fastCorrelation,
               std::string* error) override {
        for (int page = 0; page < 3; ++page) {
            Instance& in = instances_[static_cast<std::size_t>(page)];
            in.left.assign(static_cast<std::size_t>(blockFrames), 0.0f);
            in.right.assign(static_cast<std::size_t>(blockFrames), 0.0f);
            in.effect = melpPluginEntry(&hostCallback);
            if (!in.effect || in.effect->magic != host::kEffectMagic) {
                in.effect = nullptr;
                *error = "the MELP plug-in did not start (its entry returned no effect record)";
                return false;
            }
            if (in.effect->numInputs < 2 || in.effect->numOutputs < 2 || !in.effect->processReplacing ||
                !(in.effect->flags & host::effFlagsHasEditor)) {
                *error = "the MELP plug-in's effect record lacks two inputs, replacing processing or an editor";
                return false;
            }
            in.dispatch(host::effOpen);
            in.dispatch(host::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRateHz));
            in.dispatch(host::effSetBlockSize, 0, blockFrames);
            in.dispatch(host::effMainsChanged, 0, 1);
            host::ERect* rect = nullptr;
            if (in.dispatch(host::effEditGetRect, 0, 0, &rect) == 0 || !rect ||
                rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0) {
                *error = "the MELP editor reports no size";
                return false;
            }
            // Side by side on the scripted screen, so a click finds the right panel.
            in.screenX = 0;
            in.screenY = 200 * page;
            in.hostWindow = hl::createHostWindow(in.screenX, in.screenY, rect->right - rect->left,
                                                 rect->bottom - rect->top);
            if (!in.hostWindow || in.dispatch(host::effEditOpen, 0, 0, in.hostWindow) == 0) {
                *error = "the MELP editor did not open";
                return false;
            }
            in.editorOpen = true;
            const auto children = hl::childrenOf(in.hostWindow);
            if (children.empty()) {
                *error = "the MELP editor opened no window";
                return false;
            }
            in.frameWindow = children.front();
            in.fb = hl::framebuffer(in.frameWindow);
            hl::dispatchPendingMessages();
        }
        Instance& level = instances_[kLevelPage];
        Instance& analyser = instances_[kAnalyserPage];
        Instance& phase = instances_[kPhasePage];
        // Every one of these clicks changes the panel; one that does not would leave the
        // meter in another mode than the one asked for.
        const bool clicked =
            (mode != MeterMode::truePeak || click(level, kTruePeakButton)) &&
            (mode != MeterMode::quasiPeak || click(level, kScaleButton)) &&
            click(analyser, kAnalyserPageButton) && click(phase, kPhasePageButton) &&
            (!fastCorrelation ||
             // The level page's own correlation pointer follows the same button.
             (click(phase, kSpeedButton) && click(level, kPhasePageButton) &&
              click(level, kSpeedButton) && click(level, kLevelPageButton)));
        if (!clicked) {
            *error = "the MELP panel did not answer a click on one of its buttons";
            return false;
        }
        char name[256] = {};
        instances_[0].dispatch(host::effGetEffectName, 0, 0, name);
        name_ = name;
        char vendor[256] = {};
        instances_[0].dispatch(host::effGetVendorString, 0, 0, vendor);
        vendor_ = vendor;
        idle(true);
        idle(true);
        return true;
    }

    void startProcess(const float* left, const float* right, std::int32_t frames,
                      const std::vector<const std::function<void()>*>& beside) override {
        // The costliest task first, by last chunk's times: the two threads then end close
        // together, whatever the mode makes costly.
        if (!audioThread_) audioThread_ = std::make_unique<AudioThread>();
        if (tasks_.size() != 3 + beside.size()) {
            tasks_.assign(3 + beside.size(), Task{});
            order_.resize(tasks_.size());
            for (std::size_t k = 0; k < order_.size(); ++k) order_[k] = static_cast<int>(k);
        }
        for (std::size_t page = 0; page < 3; ++page) tasks_[page].instance = &instances_[page];
        for (std::size_t k = 0; k < beside.size(); ++k) tasks_[3 + k].work = beside[k];
        std::stable_sort(order_.begin(), order_.end(), [this](int a, int b) {
            return tasks_[static_cast<std::size_t>(a)].lastSeconds > tasks_[static_cast<std::size_t>(b)].lastSeconds;
        });
        audioThread_->run(tasks_.data(), order_.data(), static_cast<int>(order_.size()), left, right, frames);
    }

    void finishProcess() override {
        if (audioThread_) audioThread_->finish();
    }

    void idle(bool withAnalyser) override {
        for (int page = 0; page < 3; ++page) {
            if (page == kAnalyserPage && !withAnalyser) continue;
            instances_[static_cast<std::size_t>(page)].dispatch(host::effEditIdle);
        }
        hl::dispatchPendingMessages();
        collectTexts();
    }

    PanelReading read(bool withBands) override {
        PanelReading r;
        const Instance& level = instances_[kLevelPage];
        for (int ch = 0; ch < 2; ++ch) {
            auto& c = r.channels[static_cast<std::size_t>(ch)];
            c.maxDisplayText = maxTexts_[ch];
            c.maxDisplayRed = maxRed_[ch];
            bool lit = false;
            for (std::int32_t y = kLampTops[ch]; y < kLampTops[ch] + 8 && !lit; ++y)
                for (std::int32_t x = kLampLeft; x < kLampLeft + 8 && !lit; ++x)
                    lit = isRed(level.pixel(x, y));
            c.overLit = lit;
            for (int column = -2; column < kBarWidth; ++column)
                c.bar.lit[static_cast<std::size_t>(column + 2)] = isLit(level.pixel(kBarLeft + column, kBarRows[ch]));
        }
        const Instance& phase = instances_[kPhasePage];
        r.correlation = 0.0;
        for (std::int32_t x = kPinLeft; x <= kPinLeft + kPinTravel; ++x) {
            if (isLit(phase.pixel(x, kPinRow))) {
                r.correlation = static_cast<double>(x - kPinLeft) / kPinTravel;
                break;
            }
        }
        const Instance& analyser = instances_[kAnalyserPage];
        for (int k = 0; k < kBandCount && withBands; ++k) {
            const std::int32_t x = kBandLeft + kBandPitch * k + 2;
            const std::int32_t bottom = kBandTop + kBandHeight;
            // The lit part grows up from the bottom row (where the unused second marker also
            // sits); the maximum marker is one row just above its position.
            std::int32_t top = bottom;
            while (top > kBandTop - 1 && isLit(analyser.pixel(x, top - 1))) --top;
            std::int32_t mark = -1;
            for (std::int32_t y = top - 2; y >= kBandTop - 1; --y) {
                if (isLit(analyser.pixel(x, y))) {
                    mark = y;
                    break;
                }
            }
            std::int32_t levelRows = bottom - top;
            std::int32_t maxRows = 0;
            if (mark >= 0) {
                maxRows = bottom - (mark + 1);
            } else {
                // The marker sits on the lit part's top row: the maximum equals the level.
                levelRows = levelRows > 0 ? levelRows - 1 : 0;
                maxRows = levelRows;
            }
            auto& band = r.bands[static_cast<std::size_t>(k)];
            band.levelDb = static_cast<double>(levelRows - kBandHeight);
            band.maxDb = static_cast<double>(maxRows - kBandHeight);
        }
        return r;
    }

    bool togglePeakMode() override {
        const bool changed = click(instances_[kLevelPage], kPeakModeButton);
        idle(false);
        idle(false);
        return changed;
    }

    bool writePicture(int page, const std::string& path) override {
        const Instance& in = instances_[static_cast<std::size_t>(page)];
        return hl::writePng(in.hostWindow, path);
    }

    std::string pluginName() const override { return name_; }
    std::string pluginVendor() const override { return vendor_; }

    void stop() override {
        audioThread_.reset();
        for (Instance& in : instances_) {
            if (!in.effect) continue;
            if (in.editorOpen) in.dispatch(host::effEditClose);
            in.editorOpen = false;
            in.dispatch(host::effMainsChanged, 0, 0);
            in.dispatch(host::effClose);
            in.effect = nullptr;
            if (in.hostWindow) hl::destroyWindowFromOutside(in.hostWindow);
            in.hostWindow = nullptr;
            in.frameWindow = nullptr;
            in.fb = hl::Framebuffer{};
        }
        hl::clearTextLog();
    }

private:
    // A short left-button press in the middle of a button, played through the scripted input
    // and the window's message handling, as a user's click would arrive. True when the panel
    // looks different afterwards.
    [[nodiscard]] bool click(Instance& in, Point at) {
        const std::size_t pixels = static_cast<std::size_t>(in.fb.width) * static_cast<std::size_t>(in.fb.height);
        const std::vector<platform::ColorRef> before(in.fb.pixels, in.fb.pixels + pixels);
        const std::uint32_t t = hl::now() + 1;
        hl::scheduleClick(t, in.screenX + at.x, in.screenY + at.y, 30);
        hl::advanceTime(1);
        hl::dispatchPendingMessages();
        hl::advanceTime(50);
        hl::dispatchPendingMessages();
        hl::clearInputScript();
        in.dispatch(host::effEditIdle);
        hl::dispatchPendingMessages();
        collectTexts();
        return pixels > 0 && !std::equal(before.begin(), before.end(), in.fb.pixels);
    }

    // The maximum displays' latest texts. The log is emptied each time so that it stays small
    // over a long file.
    void collectTexts() {
        const auto& log = hl::textLog();
        if (log.empty()) return;
        const platform::Window levelFrame = instances_[kLevelPage].frameWindow;
        for (const hl::TextDraw& draw : log) {
            if (draw.window && draw.window != levelFrame) continue;
            for (int ch = 0; ch < 2; ++ch) {
                if (draw.left == kMaxDisplayLeft && draw.top == kMaxDisplayTops[ch]) {
                    maxTexts_[ch] = draw.text;
                    maxRed_[ch] = isRed(draw.textColor);
                }
            }
        }
        hl::clearTextLog();
    }

    std::array<Instance, 3> instances_{};
    std::unique_ptr<AudioThread> audioThread_;
    std::vector<Task> tasks_;  // the three instances, then the caller's work
    std::vector<int> order_;   // of taking
    std::string maxTexts_[2];
    bool maxRed_[2] = {false, false};
    std::string name_;
    std::string vendor_;
};

}  // namespace

std::unique_ptr<PanelHost> makePluginPanelHost() { return std::make_unique<PluginPanelHost>(); }


}  // namespace melp::tools

// Checks, with one thread processing and another reading, resetting, setting parameters
// and changing the sample rate, that the shared values stay sound and that a reset is never
// undone by a maximum the audio thread held from before it. Built under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "meter_test_support.h"

namespace melp::testing {
namespace {

TEST(Concurrency, EditorThreadAgainstAudioThread) {
    auto e = makeEffect();
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        Stereo s{noise(256, 1, 0.9), noise(256, 2, 0.9)};
        float* channels[2] = {s.left.data(), s.right.data()};
        while (!stop.load()) {
            e->processReplace(channels, channels, 256);
            blocks.fetch_add(1);
        }
    });
    long reads = 0;
    while (blocks.load() < 3000) {
        for (int i = 0; i <= 101; ++i) {
            const float value = e->readMeter(i);
            ASSERT_TRUE(std::isfinite(value)) << i;
            if (i == 6) {
                // A switch of the correlation speed scales the accumulator's output by the
                // ratio of the two coefficients (2 from slow to fast) until it settles again.
                ASSERT_TRUE(value >= 0.0f && value <= 2.0f) << value;
            }
        }
        ++reads;
        e->setParameterValue(7, static_cast<float>(reads % 3));
        e->setParameterValue(5, static_cast<float>(reads % 2));
        e->setParameterValue(4, static_cast<float>((reads / 2) % 2));
        e->setParameterValue(6, static_cast<float>(reads % 5));
        if (reads % 7 == 0) e->resetMeters();
        // The host may change the rate while the audio thread runs.
        e->changeSampleRate(reads % 4 < 2 ? 44100.0f : 48000.0f);
    }
    stop = true;
    audio.join();
    EXPECT_GT(reads, 10);
}

TEST(Concurrency, ResetIsNeverUndoneByAnOldMaximum) {
    auto e = makeEffect();
    std::atomic<bool> quiet{false};
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::atomic<long> quietBlocks{0};
    std::thread audio([&] {
        Stereo loud{noise(128, 3, 0.9), noise(128, 4, 0.9)};
        Stereo silent = silence(128);
        while (!stop.load()) {
            const bool silentNow = quiet.load();
            Stereo& s = silentNow ? silent : loud;
            float* channels[2] = {s.left.data(), s.right.data()};
            e->processReplace(channels, channels, 128);
            blocks.fetch_add(1);
            if (silentNow) quietBlocks.fetch_add(1);
        }
    });
    while (e->maxLevel[0].load() < 0.85f) std::this_thread::yield();
    quiet = true;
    // Wait for the falling peak to drop well below the old maximum, then reset.
    while (quietBlocks.load() < 2 || e->peakLevel[0].load() > 0.2f ||
           e->peakLevel[1].load() > 0.2f) {
        std::this_thread::yield();
    }
    e->resetMeters();
    // Watch while the audio thread goes on for a good number of blocks.
    const long after = blocks.load() + 200;
    float highest = 0.0f;
    while (blocks.load() < after) {
        highest = std::max({highest, e->maxLevel[0].load(), e->maxLevel[1].load()});
    }
    stop = true;
    audio.join();
    EXPECT_LT(highest, 0.25f) << "an old maximum came back";
}

}  // namespace
}  // namespace melp::testing

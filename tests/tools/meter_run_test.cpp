// Checks a run's bookkeeping with a stand-in for the plug-in's panels: blocks never exceed
// the block size and end on the requested moments, every frame is fed exactly once, samples
// that are not numbers never reach the plug-in, the panels are refreshed at a host's rate,
// and the over lamp's time is counted for the frames it belongs to.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tools/melp_meter/meter_run.h"

namespace melp::tools {
namespace {

class GeneratedSource final : public AudioSource {
public:
    GeneratedSource(std::int64_t frames, double rate) : frames_(frames), rate_(rate) {}
    double sampleRateHz() const noexcept override { return rate_; }
    std::int64_t totalFrames() const noexcept override { return frames_; }
    std::int32_t fileChannels() const noexcept override { return 2; }
    std::string description() const override { return "generated"; }
    std::int32_t read(float* l, float* r, std::int32_t n, SourceError*) noexcept override {
        std::int32_t got = 0;
        for (; got < n && next_ < frames_; ++got, ++next_) {
            l[got] = sample(next_);
            r[got] = -sample(next_);
        }
        return got;
    }
    // Loud (over full scale) in the frames [loudFrom, loudTo), a NaN at frame 7.
    float sample(std::int64_t f) const {
        if (f == 7) return std::numeric_limits<float>::quiet_NaN();
        return f >= loudFrom && f < loudTo ? 1.5f : 0.25f;
    }
    std::int64_t loudFrom = -1;
    std::int64_t loudTo = -1;

private:
    std::int64_t frames_;
    double rate_;
    std::int64_t next_ = 0;
};

// Shows on its lamp, one idle late as the real panel does, whether the last block had a
// sample over full scale.
class FakePanel final : public PanelHost {
public:
    bool start(double, std::int32_t block, MeterMode, bool, std::string*) override {
        blockFrames = block;
        return true;
    }
    void finishProcess() override {}
    void startProcess(const float* l, const float* r, std::int32_t frames,
                      const std::vector<const std::function<void()>*>& beside) override {
        for (const auto* work : beside) {
            if (work && *work) (*work)();
        }
        blocks.push_back(frames);
        fed += frames;
        for (std::int32_t i = 0; i < frames; ++i) {
            if (!std::isfinite(l[i]) || !std::isfinite(r[i])) ++nonFiniteFed;
            if (std::fabs(l[i]) > 1.0f) loudInBlock = true;
        }
    }
    void idle(bool) override {
        ++idles;
        shownLoud = writtenLoud;
        writtenLoud = loudInBlock;
        loudInBlock = false;
    }
    PanelReading read(bool) override {
        PanelReading r;
        r.channels[0].overLit = shownLoud;
        r.channels[0].maxDisplayText = "1.23dB";  // the right display never drawn
        r.correlation = 0.0;
        return r;
    }
    bool togglePeakMode() override { return ++toggles > 0 && !peakModeStuck; }
    bool writePicture(int, const std::string&) override { return true; }
    std::string pluginName() const override { return "fake"; }
    std::string pluginVendor() const override { return "nobody"; }
    void stop() override {}

    std::int32_t blockFrames = 0;
    std::vector<std::int32_t> blocks;
    std::int64_t fed = 0;
    std::int64_t nonFiniteFed = 0;
    bool loudInBlock = false, writtenLoud = false, shownLoud = false;
    int toggles = 0;
    int idles = 0;
    bool peakModeStuck = false;
};

TEST(MeterRun, BlocksEndOnTheMomentsAndFeedEveryFrameOnce) {
    GeneratedSource source(10000, 1000.0);
    FakePanel panel;
    MeterOptions o;
    o.blockFrames = 512;
    o.atSeconds = {0.0, 1.3, 5.0};
    const RunResult r = runMeterOn(o, source, "gen.wav", panel, nullptr);
    ASSERT_EQ(r.status, Status::ok) << r.error;
    EXPECT_EQ(panel.fed, 10000);
    std::int64_t at = 0;
    std::vector<std::int64_t> boundaries;
    for (std::int32_t b : panel.blocks) {
        EXPECT_GT(b, 0);
        EXPECT_LE(b, 512);
        at += b;
        boundaries.push_back(at);
    }
    for (std::int64_t moment : {1300, 5000})
        EXPECT_NE(std::find(boundaries.begin(), boundaries.end(), moment), boundaries.end()) << moment;
    ASSERT_EQ(r.report.moments.size(), 3u);
    EXPECT_EQ(r.report.moments[1].timeSeconds, 1.3);
    EXPECT_EQ(r.report.final.timeSeconds, 10.0);
    EXPECT_EQ(r.report.final.channels[0].maxDisplayDb, 1.23);
    EXPECT_TRUE(std::isnan(r.report.final.channels[1].maxDisplayDb));
    EXPECT_NE(r.output.find("(not drawn)"), std::string::npos);
    // Each reading looks at PEAK and turns back to Pk + VU.
    EXPECT_EQ(panel.toggles, 2 * 4);
}

TEST(MeterRun, SamplesThatAreNotNumbersAreMeteredAsSilenceAndCounted) {
    GeneratedSource source(100, 48000.0);
    FakePanel panel;
    const RunResult r = runMeterOn(MeterOptions{}, source, "gen.wav", panel, nullptr);
    ASSERT_EQ(r.status, Status::ok);
    EXPECT_EQ(panel.nonFiniteFed, 0);
    EXPECT_EQ(r.report.input.nonFiniteSamples, 2);  // frame 7 of both channels
    EXPECT_NE(r.output.find("2 samples were not numbers"), std::string::npos);
}

TEST(MeterRun, OverLampTimeCountsTheFramesItWasLitFor) {
    GeneratedSource source(8000, 1000.0);
    source.loudFrom = 1000;  // blocks of 500: blocks 2 and 3 are loud
    source.loudTo = 2000;
    FakePanel panel;
    MeterOptions o;
    o.blockFrames = 500;
    const RunResult r = runMeterOn(o, source, "gen.wav", panel, nullptr);
    ASSERT_EQ(r.status, Status::ok);
    const ChannelReading& left = r.report.final.channels[0];
    EXPECT_TRUE(left.overEverLit);
    EXPECT_EQ(left.overLitCount, 1);
    EXPECT_DOUBLE_EQ(left.overLitSeconds, 1.0);
    EXPECT_FALSE(r.report.final.channels[1].overEverLit);
}

TEST(MeterRun, SmallBlocksRefreshThePanelFiftyTimesASecondAndKeepTheLampTime) {
    GeneratedSource source(8000, 1000.0);
    source.loudFrom = 1000;
    source.loudTo = 2000;
    FakePanel panel;
    MeterOptions o;
    o.blockFrames = 5;  // a refresh every 4 blocks (20 frames)
    const RunResult r = runMeterOn(o, source, "gen.wav", panel, nullptr);
    ASSERT_EQ(r.status, Status::ok);
    EXPECT_EQ(panel.idles, 8000 / 20 + 2);  // and two for the reading at the end
    EXPECT_DOUBLE_EQ(r.report.final.channels[0].overLitSeconds, 1.0);
    EXPECT_EQ(r.report.final.channels[0].overLitCount, 1);
}

TEST(MeterRun, PanelThatDoesNotAnswerItsButtonIsAFailureNotAReading) {
    GeneratedSource source(1000, 1000.0);
    FakePanel panel;
    panel.peakModeStuck = true;
    const RunResult r = runMeterOn(MeterOptions{}, source, "a.wav", panel, nullptr);
    EXPECT_EQ(r.status, Status::pluginFailed);
    EXPECT_EQ(r.output, "");
    EXPECT_NE(r.error.find("a.wav: the MELP panel did not answer a click on its peak-mode button"),
              std::string::npos) << r.error;
}

TEST(MeterRun, MomentBeyondTheEndIsAnUnusableOption) {
    GeneratedSource source(1000, 1000.0);
    FakePanel panel;
    MeterOptions o;
    o.atSeconds = {0.5, 2.0};
    const RunResult r = runMeterOn(o, source, "short.wav", panel, nullptr);
    EXPECT_EQ(r.status, Status::usage);
    EXPECT_EQ(r.output, "");
    EXPECT_NE(r.error.find("short.wav: --at 2 lies beyond the end (1.000 s)"), std::string::npos) << r.error;
    EXPECT_TRUE(panel.blocks.empty());
}

TEST(MeterRun, PictureFolderThatCannotBeMadeFailsBeforeMetering) {
    GeneratedSource source(1000, 1000.0);
    FakePanel panel;
    MeterOptions o;
    o.pngFolder = "/proc/no-such-place/pictures";
    const RunResult r = runMeterOn(o, source, "a.wav", panel, nullptr);
    EXPECT_EQ(r.status, Status::outputFailed);
    EXPECT_NE(r.error.find("/proc/no-such-place/pictures: cannot make the picture folder"),
              std::string::npos) << r.error;
    EXPECT_TRUE(panel.blocks.empty());
}

}  // namespace
}  // namespace melp::tools

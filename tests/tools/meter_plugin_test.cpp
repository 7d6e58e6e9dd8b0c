// Checks melp-meter end to end with the real plug-in: the readings of files written here
// (WAV, FLAC, 16-bit, 24-bit and float, mono and stereo, 44.1 to 96 kHz) agree with the
// samples and with the same samples fed through the effect record directly; each mode
// behaves as its meter should; every failure has its status and its one-line message; and
// memory stays flat over a long file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/entry.h"
#include "host/opcodes.h"
#include "platform/headless/headless.h"
#include "tests/tools/test_files.h"
#include "tools/melp_meter/meter_run.h"
#include "tools/melp_meter/peak_analysis.h"

namespace melp::tools {
namespace {

using testing::scratchFolder;
using testing::writeSoundFile;

constexpr double kTwoPi = 6.283185307179586;

std::string dbText(double magnitude) {
    char text[32];
    std::snprintf(text, sizeof text, "%0.2fdB", static_cast<double>(20.0f * std::log10(static_cast<float>(magnitude))));
    return text;
}

RunResult meter(const std::string& path, MeterMode mode = MeterMode::peak, std::int32_t block = 512) {
    MeterOptions o;
    o.file = path;
    o.mode = mode;
    o.blockFrames = block;
    auto panel = makePluginPanelHost();
    return runMeter(o, *panel, nullptr);
}

// --- the record fed directly, the panel read by hand -----------------------------------------

host::intptr MELP_CDECL plainHost(host::AEffect*, host::int32 opcode, host::int32, host::intptr, void*, float) {
    return opcode == host::audioMasterVersion ? 2400 : 0;
}

struct DirectReading {
    std::string maxText[2];
    bool overLit[2] = {false, false};
};

// One instance, the whole signal in one processReplacing call, two idles, then the maximum
// displays' last text draws and the lamps' pixels.
DirectReading meterThroughTheRecord(const std::vector<float>& left, const std::vector<float>& right,
                                    float sampleRateHz) {
    namespace hl = platform::headless;
    DirectReading reading;
    host::AEffect* effect = melpPluginEntry(&plainHost);
    EXPECT_TRUE(effect);
    if (!effect) return reading;
    auto dispatch = [effect](host::int32 op, host::intptr value = 0, void* ptr = nullptr, float opt = 0) {
        return effect->dispatcher(effect, op, 0, value, ptr, opt);
    };
    dispatch(host::effOpen);
    dispatch(host::effSetSampleRate, 0, nullptr, sampleRateHz);
    dispatch(host::effMainsChanged, 1);
    platform::Window window = hl::createHostWindow(1000, 1000, 427, 133);
    dispatch(host::effEditOpen, 0, window);
    hl::dispatchPendingMessages();
    std::vector<float> l = left, r = right;
    float* io[2] = {l.data(), r.data()};
    effect->processReplacing(effect, io, io, static_cast<host::int32>(l.size()));
    hl::clearTextLog();
    dispatch(host::effEditIdle);
    dispatch(host::effEditIdle);
    platform::Window frame = hl::childrenOf(window).front();
    for (const hl::TextDraw& draw : hl::textLog()) {
        if (draw.left == 292 && draw.top == 55) reading.maxText[0] = draw.text;
        if (draw.left == 292 && draw.top == 81) reading.maxText[1] = draw.text;
    }
    for (int ch = 0; ch < 2; ++ch) reading.overLit[ch] = (hl::pixel(frame, 288, 48 + 25 * ch) & 0xFF) > 150;
    dispatch(host::effEditClose);
    dispatch(host::effClose);
    hl::destroyWindowFromOutside(window);
    hl::clearTextLog();
    return reading;
}

void readWhole(const std::string& path, std::vector<float>* left, std::vector<float>* right, int* rate) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_TRUE(f);
    std::vector<float> all(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, all.data(), info.frames);
    sf_close(f);
    for (sf_count_t i = 0; i < info.frames; ++i) {
        left->push_back(all[static_cast<std::size_t>(i * info.channels)]);
        right->push_back(all[static_cast<std::size_t>(i * info.channels + (info.channels > 1 ? 1 : 0))]);
    }
    *rate = info.samplerate;
}

// --- in-process runs --------------------------------------------------------------------------

TEST(MeterPlugin, MaximumDisplaysAgreeWithTheSamples) {
    const std::string path = scratchFolder() + "/tones.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 44100, [](std::int64_t f, int c) {
        return (c == 0 ? 0.5 : 0.125) * std::sin(kTwoPi * 997.0 * static_cast<double>(f) / 44100.0);
    }));
    const RunResult r = meter(path);
    ASSERT_EQ(r.status, Status::ok) << r.error;
    for (int ch = 0; ch < 2; ++ch) {
        const ChannelReading& c = r.report.final.channels[static_cast<std::size_t>(ch)];
        EXPECT_EQ(c.maxDisplayText, dbText(c.samplePeak)) << "channel " << ch;
        EXPECT_FALSE(c.maxDisplayRed);
        EXPECT_FALSE(c.overEverLit);
        EXPECT_NEAR(c.maxDisplayDb, toDecibels(c.samplePeak), 0.006);
    }
    EXPECT_NEAR(r.report.final.channels[0].maxDisplayDb, -6.02, 0.02);
    EXPECT_NEAR(r.report.final.channels[1].maxDisplayDb, -18.06, 0.02);
    // A steady sine: the peak bar stands above the average bar, both where the scale says.
    const ChannelReading& left = r.report.final.channels[0];
    EXPECT_GT(left.peakPosition, left.averagePosition);
    EXPECT_NEAR(left.peakScaleDb, -6.02, 0.5);
    // The rectified average of a sine: 2 / pi of its peak, -9.94 dB, three quarters up.
    EXPECT_NEAR(left.averageScaleDb, 20.0 * std::log10(0.5 * 2.0 / 3.14159265), 0.3);
    EXPECT_NEAR(left.averagePosition, 0.75, 0.01);
    EXPECT_EQ(r.report.pluginName, "MELPEdit");
    EXPECT_EQ(r.report.pluginVendor, "Quillon Mardet");
}

TEST(MeterPlugin, SameReadingsAsTheSamplesFedThroughTheRecordDirectly) {
    const std::string path = scratchFolder() + "/mixed.flac";
    // Noise and a tone, with an over of the left channel near the end so its lamp is lit.
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 2, 96000, [](std::int64_t f, int c) {
        const double t = static_cast<double>(f) / 96000.0;
        const double noise = std::sin(static_cast<double>(f * f % 7919) * 1.7);
        const double v = 0.3 * std::sin(kTwoPi * 440.0 * t + c) + 0.1 * noise;
        return (c == 0 && f == 90000) ? 0.99999 : v;
    }));
    std::vector<float> left, right;
    int rate = 0;
    readWhole(path, &left, &right, &rate);
    const DirectReading direct = meterThroughTheRecord(left, right, static_cast<float>(rate));
    for (std::int32_t block : {64, 512, 4096}) {
        SCOPED_TRACE(block);
        const RunResult r = meter(path, MeterMode::peak, block);
        ASSERT_EQ(r.status, Status::ok) << r.error;
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(r.report.final.channels[static_cast<std::size_t>(ch)].maxDisplayText, direct.maxText[ch]);
        }
    }
    EXPECT_FALSE(direct.maxText[0].empty());
}

TEST(MeterPlugin, MonoFeedsBothInputs) {
    const std::string path = scratchFolder() + "/mono.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1, 3 * 44100, [](std::int64_t f, int) {
        return 0.4 * std::sin(kTwoPi * 1000.0 * static_cast<double>(f) / 44100.0);
    }));
    const RunResult r = meter(path);
    ASSERT_EQ(r.status, Status::ok) << r.error;
    const auto& s = r.report.final;
    EXPECT_EQ(s.channels[0].maxDisplayText, s.channels[1].maxDisplayText);
    EXPECT_EQ(s.channels[0].averagePosition, s.channels[1].averagePosition);
    EXPECT_GT(s.correlation, 0.95);
    EXPECT_TRUE(s.correlationSettled);
    EXPECT_EQ(r.report.input.fileChannels, 1);
    // The analyser: the tone in its band (1 kHz), near its level less 0.7 dB; far bands low.
    EXPECT_NEAR(s.bands[16].levelDb, 20.0 * std::log10(0.4 * 0.925), 1.5);
    EXPECT_LE(s.bands[6].levelDb, -35.0);
    EXPECT_GE(s.bands[16].maxDb, s.bands[16].levelDb);
}

TEST(MeterPlugin, OppositeChannelsReadZeroCorrelation) {
    const std::string path = scratchFolder() + "/opposite.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 3 * 48000, [](std::int64_t f, int c) {
        const double v = 0.3 * std::sin(kTwoPi * 220.0 * static_cast<double>(f) / 48000.0);
        return c == 0 ? v : -v;
    }));
    const RunResult r = meter(path);
    ASSERT_EQ(r.status, Status::ok) << r.error;
    EXPECT_LT(r.report.final.correlation, 0.05);
    EXPECT_LT(r.report.final.correlationMax, 0.05);
}

TEST(MeterPlugin, TruePeakModeSeesTheOverBetweenTheSamples) {
    const std::string path = scratchFolder() + "/between.wav";
    // A quarter of the rate at 45 degrees, amplitude 1.2: every sample is +-0.8485.
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 2 * 48000, [](std::int64_t f, int) {
        return 1.2 * std::sin(kTwoPi * 0.25 * static_cast<double>(f) + kTwoPi / 8.0);
    }));
    const RunResult peak = meter(path, MeterMode::peak);
    ASSERT_EQ(peak.status, Status::ok) << peak.error;
    EXPECT_EQ(peak.report.final.channels[0].maxDisplayText, "-1.43dB");
    EXPECT_FALSE(peak.report.final.channels[0].overEverLit);

    const RunResult truePeak = meter(path, MeterMode::truePeak);
    ASSERT_EQ(truePeak.status, Status::ok) << truePeak.error;
    const ChannelReading& c = truePeak.report.final.channels[0];
    EXPECT_TRUE(c.overEverLit);
    EXPECT_TRUE(c.maxDisplayRed);
    EXPECT_NEAR(c.maxDisplayDb, 1.58, 0.15);
    EXPECT_NEAR(toDecibels(c.truePeak), c.maxDisplayDb, 0.2);
}

TEST(MeterPlugin, QuarterRateCrestsFallBetweenTheTwoInterpolatorsPoints) {
    // A steady quarter-rate sine of amplitude 1.2 (+1.58 dBFS), faded in and out so that no
    // sudden change rings. The plug-in's points lie an eighth of a sample off the quarters
    // where melp-meter's own lie: 11.25 degrees of this sine, 0.17 dB off its crest.
    const struct {
        double shift;  // in samples
        const char* display;
        double ownDbfs;
    } cases[] = {{0.0, "1.41dB", 1.5858}, {0.125, "1.58dB", 1.4173}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.display);
        const std::string path = scratchFolder() + "/quarter.wav";
        const std::int64_t frames = 2 * 48000;
        ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, frames,
                                   [&](std::int64_t f, int) {
            const double edge = static_cast<double>(std::min(f, frames - f)) / 24000.0;
            const double fade = edge < 1.0 ? 0.5 - 0.5 * std::cos(kTwoPi / 2.0 * edge) : 1.0;
            return fade * 1.2 * std::sin(kTwoPi * 0.25 * (static_cast<double>(f) + c.shift) + kTwoPi / 8.0);
        }));
        const RunResult run = meter(path, MeterMode::truePeak);
        ASSERT_EQ(run.status, Status::ok) << run.error;
        const ChannelReading& reading = run.report.final.channels[0];
        EXPECT_EQ(reading.maxDisplayText, c.display);
        EXPECT_NEAR(toDecibels(reading.truePeak), c.ownDbfs, 0.001);
    }
}

TEST(MeterPlugin, OverLampHoldsOneSecondAfterTheLevelFalls) {
    const std::string path = scratchFolder() + "/spike.wav";
    // One sample of 2.0: the level needs about 0.45 s to fall to full scale, the lamp then
    // stays lit for one more second.
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, 3 * 44100, [](std::int64_t f, int c) {
        return c == 0 && f == 4410 ? 2.0 : 0.0;
    }));
    const RunResult r = meter(path, MeterMode::peak, 256);
    ASSERT_EQ(r.status, Status::ok) << r.error;
    const ChannelReading& c = r.report.final.channels[0];
    EXPECT_EQ(c.maxDisplayText, "6.02dB");
    EXPECT_TRUE(c.maxDisplayRed);
    EXPECT_EQ(c.overLitCount, 1);
    EXPECT_NEAR(c.overLitSeconds, 1.45, 0.03);  // counted in panel refreshes of 1024 frames
    EXPECT_FALSE(c.overLit);
    EXPECT_FALSE(r.report.final.channels[1].overEverLit);
}

TEST(MeterPlugin, QuasiPeakReadsOnTheDinScale) {
    const std::string path = scratchFolder() + "/din.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2, 2 * 48000, [](std::int64_t f, int) {
        return 0.1 * std::sin(kTwoPi * 1000.0 * static_cast<double>(f) / 48000.0);
    }));
    const RunResult r = meter(path, MeterMode::quasiPeak);
    ASSERT_EQ(r.status, Status::ok) << r.error;
    // The quasi-peak of a steady sine settles 0.2 dB under its peak; DIN reads 9 dB above.
    EXPECT_NEAR(r.report.final.channels[0].maxDisplayDb, -20.0 - 0.2 + 9.0, 0.3);
    EXPECT_NE(r.output.find("DIN scale"), std::string::npos);
}

TEST(MeterPlugin, FastCorrelationFollowsSooner) {
    const std::string path = scratchFolder() + "/turn.wav";
    // Two seconds in opposite phase, then in phase.
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 3 * 48000, [](std::int64_t f, int c) {
        const double v = 0.3 * std::sin(kTwoPi * 330.0 * static_cast<double>(f) / 48000.0);
        return c == 1 && f < 2 * 48000 ? -v : v;
    }));
    double risen[2] = {0.0, 0.0};
    for (int fast = 0; fast < 2; ++fast) {
        MeterOptions o;
        o.file = path;
        o.fastCorrelation = fast == 1;
        o.atSeconds = {2.15};
        auto panel = makePluginPanelHost();
        const RunResult r = runMeter(o, *panel, nullptr);
        ASSERT_EQ(r.status, Status::ok) << r.error;
        ASSERT_EQ(r.report.moments.size(), 1u);
        risen[fast] = r.report.moments[0].correlation;
        EXPECT_LT(r.report.final.correlationMin, 0.05);
    }
    // 0.15 s after the turn: 1 - e^-1 of the way for the fast meter, 1 - e^-0.5 for the slow.
    EXPECT_NEAR(risen[1], 0.63, 0.08);
    EXPECT_NEAR(risen[0], 0.39, 0.08);
}

// --- the program ---------------------------------------------------------------------------

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
    long maxResidentKib = 0;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ToolRun runTool(const std::vector<std::string>& args) {
    const std::string outPath = scratchFolder() + "/tool.out";
    const std::string errPath = scratchFolder() + "/tool.err";
    ToolRun run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(MELP_METER_EXECUTABLE));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(MELP_METER_EXECUTABLE, argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.maxResidentKib = usage.ru_maxrss;
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    return run;
}

bool validJson(const std::string& text) {
    const std::string path = scratchFolder() + "/doc.json";
    testing::writeBytes(path, text);
    return std::system(("python3 -c 'import json,sys; json.load(open(sys.argv[1]))' " + path).c_str()) == 0;
}

TEST(MeterTool, EveryFailureHasItsStatusAndOneLine) {
    const std::string dir = scratchFolder();
    ASSERT_TRUE(testing::writeBytes(dir + "/junk.wav", std::string(4096, '\x55')));
    ASSERT_TRUE(testing::writeBytes(dir + "/nothing.wav", ""));
    ASSERT_TRUE(writeSoundFile(dir + "/six.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 6, 100,
                               [](std::int64_t, int) { return 0.0; }));
    // A WAV whose header declares more audio than the file holds.
    ASSERT_TRUE(writeSoundFile(dir + "/long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 9000,
                               [](std::int64_t, int) { return 0.25; }));
    const std::string longWav = slurp(dir + "/long.wav");
    ASSERT_TRUE(testing::writeBytes(dir + "/short.wav", longWav.substr(0, longWav.size() - 1000)));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"--json", dir + "/absent.wav"}, 3, "melp-meter: " + dir + "/absent.wav: no such file\n"},
        {{"--json", dir}, 4, "melp-meter: " + dir + ": is a folder, not a sound file\n"},
        {{"--json", dir + "/junk.wav"}, 5, "melp-meter: " + dir + "/junk.wav: not a sound file"},
        {{"--json", dir + "/short.wav"}, 5, "melp-meter: " + dir + "/short.wav: corrupt file"},
        {{"--json", dir + "/nothing.wav"}, 6, "melp-meter: " + dir + "/nothing.wav: empty file"},
        {{"--json", dir + "/six.wav"}, 7, "melp-meter: " + dir + "/six.wav: 6 channels"},
        {{"--json", "--block", "0"}, 2, "melp-meter: --block 0: expected a whole number"},
        {{"--json", "--at", "99"}, 2, "melp-meter: built-in programme: --at 99 lies beyond the end"},
        {{"--mode", "vu"}, 2, "melp-meter: --mode vu: expected peak, truepeak or quasipeak\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ToolRun run = runTool(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");  // never a partial document
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

TEST(MeterTool, ChannelsPicksTwoOfMany) {
    const std::string path = scratchFolder() + "/six-levels.wav";
    // Channel c (from 1) peaks at 0.1 c.
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 6, 48000, [](std::int64_t f, int c) {
        return 0.1 * (c + 1) * std::sin(kTwoPi * 1000.0 * static_cast<double>(f) / 48000.0);
    }));
    const ToolRun run = runTool({"--json", "--channels", "5,2", path});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"meteredChannels\":[5,2]"), std::string::npos);
    EXPECT_NE(run.out.find("\"maxDisplayText\":\"-6.02dB\""), std::string::npos) << run.out;   // 0.5
    EXPECT_NE(run.out.find("\"maxDisplayText\":\"-13.98dB\""), std::string::npos) << run.out;  // 0.2
}

TEST(MeterTool, JsonAndPicturesOfTheProgramme) {
    const std::string pictures = scratchFolder() + "/pictures";
    const ToolRun run = runTool({"--json", "--mode", "truepeak", "--at", "3.5", "--png", pictures});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(validJson(run.out)) << run.out;
    for (const char* key : {"\"schema\":\"melp-meter/1\"", "\"mode\":\"truepeak\"", "\"moments\":[{\"timeSeconds\":3.5"})
        EXPECT_NE(run.out.find(key), std::string::npos) << key;
    for (const char* name : {"level-pkvu", "level-peak", "analyser", "phase", "level-pkvu-3.500s"}) {
        const std::string png = slurp(pictures + "/" + name + ".png");
        EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << name;
    }
    // The built-in programme's known readings: the burst over full scale, the inter-sample
    // over, then in and out of phase.
    const ToolRun summary = runTool({});
    ASSERT_EQ(summary.status, 0) << summary.err;
    EXPECT_NE(summary.out.find("2.98dB (red)"), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find("over lamp"), std::string::npos);
}

TEST(MeterTool, MemoryStaysFlatOverALongFile) {
    const auto write = [](const std::string& path, double seconds) {
        return writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2,
                              static_cast<std::int64_t>(seconds * 48000), [](std::int64_t f, int c) {
                                  return 0.3 * std::sin(0.05 * static_cast<double>(f) + c);
                              });
    };
    const std::string shortFile = scratchFolder() + "/short.wav";
    const std::string longFile = scratchFolder() + "/long.wav";
    ASSERT_TRUE(write(shortFile, 5.0));
    ASSERT_TRUE(write(longFile, 240.0));  // 46 MB of samples
    const ToolRun shortRun = runTool({"--quiet", "--block", "4096", shortFile});
    const ToolRun longRun = runTool({"--quiet", "--block", "4096", longFile});
    ASSERT_EQ(shortRun.status, 0) << shortRun.err;
    ASSERT_EQ(longRun.status, 0) << longRun.err;
    // Held whole, the long file alone would add 92 MB of float samples.
    RecordProperty("shortRunKib", std::to_string(shortRun.maxResidentKib));
    RecordProperty("longRunKib", std::to_string(longRun.maxResidentKib));
    EXPECT_LT(longRun.maxResidentKib - shortRun.maxResidentKib, 8 * 1024)
        << shortRun.maxResidentKib << " KiB against " << longRun.maxResidentKib << " KiB";
    std::remove(longFile.c_str());
}

}  // namespace
}  // namespace melp::tools

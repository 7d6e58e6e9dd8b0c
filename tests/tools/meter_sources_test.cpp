// Checks that files reach the meter sample for sample whatever their format, and that every
// file melp-meter cannot meter is refused with its own status and a message naming the file.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/test_files.h"
#include "tools/melp_meter/audio_source.h"
#include "tools/melp_meter/default_programme.h"

namespace melp::tools {
namespace {

using testing::scratchFolder;
using testing::writeBytes;
using testing::writeSoundFile;

double tone(std::int64_t frame, int channel) {
    return (channel == 0 ? 0.5 : -0.25) * std::sin(0.01 * static_cast<double>(frame) + channel);
}

// Reads a whole source in blocks of `block` frames.
void readAll(AudioSource& source, std::int32_t block, std::vector<float>* left,
             std::vector<float>* right) {
    std::vector<float> l(static_cast<std::size_t>(block));
    std::vector<float> r(static_cast<std::size_t>(block));
    SourceError error;
    for (;;) {
        const std::int32_t got = source.read(l.data(), r.data(), block, &error);
        ASSERT_EQ(error.status, Status::ok) << error.message;
        if (got == 0) break;
        left->insert(left->end(), l.begin(), l.begin() + got);
        right->insert(right->end(), r.begin(), r.begin() + got);
    }
}

struct FormatCase {
    const char* name;
    int format;
    int rate;
    int channels;
    double tolerance;
};

TEST(MeterSources, EveryFormatStreamsTheSamplesItHolds) {
    const FormatCase cases[] = {
        {"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 1.0 / 32768},
        {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 96000, 2, 1.0 / 8388608},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 1e-7},
        {"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 1, 1.0 / 8388608},
        {"stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 1.0 / 32768},
        {"stereo.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 2, 1.0 / 32768},
    };
    constexpr std::int64_t frames = 5000;
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scratchFolder() + "/" + c.name;
        ASSERT_TRUE(writeSoundFile(path, c.format, c.rate, c.channels, frames, tone));
        OpenedSource opened = openSoundFile(path, false, 1, 2);
        ASSERT_TRUE(opened.source) << opened.error.message;
        EXPECT_EQ(opened.source->sampleRateHz(), c.rate);
        EXPECT_EQ(opened.source->totalFrames(), frames);
        std::vector<float> left, right;
        readAll(*opened.source, 333, &left, &right);
        ASSERT_EQ(left.size(), static_cast<std::size_t>(frames));
        for (std::int64_t i = 0; i < frames; ++i) {
            const auto k = static_cast<std::size_t>(i);
            ASSERT_NEAR(left[k], tone(i, 0), c.tolerance) << "frame " << i;
            // Mono feeds the same samples to both inputs.
            ASSERT_NEAR(right[k], tone(i, c.channels == 1 ? 0 : 1), c.tolerance) << "frame " << i;
        }
    }
}

TEST(MeterSources, FloatFilesKeepValuesOverFullScale) {
    const std::string path = scratchFolder() + "/over.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 10,
                               [](std::int64_t f, int) { return f == 3 ? 1.75 : 0.0; }));
    OpenedSource opened = openSoundFile(path, false, 1, 2);
    ASSERT_TRUE(opened.source);
    std::vector<float> left, right;
    readAll(*opened.source, 512, &left, &right);
    EXPECT_FLOAT_EQ(left[3], 1.75f);
}

TEST(MeterSources, ChannelsPicksTwoOfMany) {
    const std::string path = scratchFolder() + "/four.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 4, 100,
                               [](std::int64_t f, int c) { return 0.1 * c + 0.0001 * static_cast<double>(f); }));
    OpenedSource opened = openSoundFile(path, true, 4, 2);
    ASSERT_TRUE(opened.source) << opened.error.message;
    std::vector<float> left, right;
    readAll(*opened.source, 7, &left, &right);
    EXPECT_NEAR(left[10], 0.3 + 0.001, 1e-6);
    EXPECT_NEAR(right[10], 0.1 + 0.001, 1e-6);

    const OpenedSource beyond = openSoundFile(path, true, 1, 5);
    EXPECT_EQ(beyond.error.status, Status::channelCount);
    EXPECT_NE(beyond.error.message.find("it has 4"), std::string::npos) << beyond.error.message;
}

void expectRefused(const std::string& path, Status status, const std::string& cause) {
    const OpenedSource opened = openSoundFile(path, false, 1, 2);
    EXPECT_FALSE(opened.source);
    EXPECT_EQ(opened.error.status, status) << opened.error.message;
    EXPECT_EQ(opened.error.message.rfind(path, 0), 0u) << opened.error.message;
    EXPECT_NE(opened.error.message.find(cause), std::string::npos) << opened.error.message;
    EXPECT_EQ(opened.error.message.find('\n'), std::string::npos);
}

TEST(MeterSources, FilesThatCannotBeMeteredAreRefusedWithTheirCause) {
    const std::string dir = scratchFolder();
    expectRefused(dir + "/absent.wav", Status::missingFile, "no such file");
    expectRefused(dir, Status::unreadableFile, "folder");

    ASSERT_TRUE(writeBytes(dir + "/zero.wav", ""));
    expectRefused(dir + "/zero.wav", Status::emptyFile, "empty");

    ASSERT_TRUE(writeSoundFile(dir + "/noframes.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0,
                               tone));
    expectRefused(dir + "/noframes.wav", Status::emptyFile, "no audio frames");

    ASSERT_TRUE(writeBytes(dir + "/text.wav", "this is not a sound file, only text\n"));
    expectRefused(dir + "/text.wav", Status::corruptFile, "not a sound file");

    ASSERT_TRUE(writeSoundFile(dir + "/three.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 3, 10,
                               tone));
    expectRefused(dir + "/three.wav", Status::channelCount, "3 channels");

    ASSERT_TRUE(writeSoundFile(dir + "/slow.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4000, 2, 10,
                               tone));
    expectRefused(dir + "/slow.wav", Status::sampleRate, "4000 Hz");
}

TEST(MeterSources, UnreadableFileIsNotCalledMissing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    const std::string path = scratchFolder() + "/locked.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 10, tone));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    expectRefused(path, Status::unreadableFile, "cannot read");
}

std::string fileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::string bytes;
    if (!f) return bytes;
    char buffer[65536];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, f)) bytes.append(buffer, got);
    std::fclose(f);
    return bytes;
}

TEST(MeterSources, TruncatedDataIsReportedNotMeteredAsWhole) {
    // A header that promises more audio than follows: valid files cut short.
    const std::string dir = scratchFolder();
    const struct {
        const char* name;
        int format;
    } cases[] = {
        {"cut.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"cut-ext.wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT},
        {"cut.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        {"cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string whole = dir + "/whole-" + c.name;
        ASSERT_TRUE(writeSoundFile(whole, c.format, 44100, 2, 20000, tone));
        const std::string bytes = fileBytes(whole);
        const std::string cut = dir + "/" + c.name;
        ASSERT_TRUE(writeBytes(cut, bytes.substr(0, bytes.size() / 2)));
        OpenedSource opened = openSoundFile(cut, false, 1, 2);
        SourceError error = opened.error;
        if (opened.source) {
            // Found only when the data runs out (a compressed file).
            std::vector<float> l(4096), r(4096);
            while (opened.source->read(l.data(), r.data(), 4096, &error) > 0) {
            }
        }
        EXPECT_EQ(error.status, Status::corruptFile) << error.message;
        EXPECT_EQ(error.message.rfind(cut + ": corrupt file", 0), 0u) << error.message;
    }
}

TEST(MeterSources, WavWithItsLengthLeftOpenIsMeteredToItsEnd) {
    // Programs writing to a pipe cannot go back to fill in the lengths: they leave all ones.
    const std::string path = scratchFolder() + "/open-ended.wav";
    ASSERT_TRUE(writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 1000, tone));
    std::string bytes = fileBytes(path);
    const std::size_t data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    bytes.replace(data + 4, 4, "\xff\xff\xff\xff");
    bytes.replace(4, 4, "\xff\xff\xff\xff");
    ASSERT_TRUE(writeBytes(path, bytes));
    OpenedSource opened = openSoundFile(path, false, 1, 2);
    ASSERT_TRUE(opened.source) << opened.error.message;
    std::vector<float> left, right;
    readAll(*opened.source, 256, &left, &right);
    EXPECT_EQ(left.size(), 1000u);
}

TEST(MeterSources, ProgrammeIsTheSameWhateverTheBlocks) {
    auto a = makeDefaultProgramme();
    auto b = makeDefaultProgramme();
    EXPECT_EQ(a->totalFrames(), 576000);
    std::vector<float> la, ra, lb, rb;
    readAll(*a, 512, &la, &ra);
    readAll(*b, 4097, &lb, &rb);
    EXPECT_EQ(la, lb);
    EXPECT_EQ(ra, rb);
    // The passages described in the header: the inter-sample passage at 3 s, the burst at 10 s.
    EXPECT_NEAR(std::fabs(la[150000]), 0.8485, 1e-4);
    float burst = 0.0f;
    for (std::size_t i = 480000; i < 482400; ++i) burst = std::max(burst, std::fabs(la[i]));
    EXPECT_FLOAT_EQ(burst, 1.41f);
    EXPECT_FLOAT_EQ(la[300000], -ra[300000]);  // anti-correlated at 6.25 s
}

}  // namespace
}  // namespace melp::tools

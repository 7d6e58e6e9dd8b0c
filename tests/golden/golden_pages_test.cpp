// The three pages of the real plug-in's panel after a fixed programme of audio, idles and
// clicks, rendered on the headless backend and compared pixel for pixel with the pictures
// in this folder. With MELP_REFRESH_GOLDEN=1 the pictures are written instead (see
// tools/refresh-golden.sh); a mismatch leaves the rendering next to the test binary.
//
// opened.png (the level page right after open, before any audio) also has a 24-bit BMP
// twin, opened.bmp, which the Win32 panel test compares with its capture of the real DLL.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "platform/headless/headless.h"
#include "tests/support/fake_host.h"

namespace melp {
namespace {

namespace headless = platform::headless;
constexpr double pi = 3.14159265358979323846;

bool refreshing() {
    const char* value = std::getenv("MELP_REFRESH_GOLDEN");
    return value && value[0] == '1';
}

struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<platform::ColorRef> pixels;
};

bool readPng(const std::string& path, Image* image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
        return false;
    }
    image->width = static_cast<std::int32_t>(png.width);
    image->height = static_cast<std::int32_t>(png.height);
    image->pixels.resize(bytes.size() / 3);
    for (std::size_t i = 0; i < image->pixels.size(); ++i) {
        image->pixels[i] = platform::makeColorRef(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
    }
    return true;
}

// A bottom-up 24-bit BMP, the form the Win32 test reads without any library.
bool writeBmp(const std::string& path, const headless::Framebuffer& fb) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(fb.width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(fb.height);
    std::vector<unsigned char> file(54 + imageBytes, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            file[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(fb.width));
    put32(22, static_cast<std::uint32_t>(fb.height));
    file[26] = 1;
    file[28] = 24;
    put32(34, imageBytes);
    for (std::int32_t y = 0; y < fb.height; ++y) {
        unsigned char* row = &file[54 + rowBytes * static_cast<std::uint32_t>(fb.height - 1 - y)];
        for (std::int32_t x = 0; x < fb.width; ++x) {
            const platform::ColorRef c = fb.pixels[y * fb.width + x];
            row[3 * x] = static_cast<unsigned char>(c >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(c >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(c);
        }
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

class GoldenPages : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        headless::setTime(100000);
        host.answer(1 /* audioMasterVersion */, 2400);
        hostWindow = headless::createHostWindow(0, 0, 427, 133);
        effect = melpPluginEntry(&testing::FakeHost::callback);
        ASSERT_NE(effect, nullptr);
        dispatch(12 /* effMainsChanged */, 0, 1);
        ASSERT_EQ(dispatch(14 /* effEditOpen */, 0, 0, hostWindow), 1);
        headless::dispatchPendingMessages();
        ASSERT_EQ(headless::childrenOf(hostWindow).size(), 1u);
        panel = headless::childrenOf(hostWindow)[0];
    }
    void TearDown() override {
        dispatch(1 /* effClose */);
        headless::destroyWindowFromOutside(hostWindow);
    }

    host::intptr dispatch(host::int32 opcode, host::int32 index = 0, host::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void idle(int times) {
        for (int i = 0; i < times; ++i) {
            headless::advanceTime(40);
            dispatch(19 /* effEditIdle */);
        }
    }
    void click(std::int32_t x, std::int32_t y) {
        headless::clearInputScript();
        headless::scheduleClick(headless::now(), x, y, 60);
        headless::dispatchPendingMessages();
        headless::advanceTime(61);
        headless::dispatchPendingMessages();
    }
    template <typename Generator>
    void process(int samples, Generator generator) {
        std::vector<float> left(256), right(256);
        float* channels[2] = {left.data(), right.data()};
        for (int start = 0; start < samples; start += 256) {
            const int count = std::min(256, samples - start);
            for (int i = 0; i < count; ++i) {
                const double t = (start + i) / 44100.0;
                generator(start + i, t, &left[static_cast<std::size_t>(i)],
                          &right[static_cast<std::size_t>(i)]);
            }
            effect->processReplacing(effect, channels, channels, count);
        }
    }

    void expectGolden(const std::string& name) {
        const headless::Framebuffer fb = headless::framebuffer(panel);
        ASSERT_EQ(fb.width, 427);
        ASSERT_EQ(fb.height, 133);
        const std::string golden = std::string(MELP_GOLDEN_DIR) + "/" + name + ".png";
        if (refreshing()) {
            ASSERT_TRUE(headless::writePng(panel, golden));
            if (name == "opened") {
                ASSERT_TRUE(writeBmp(std::string(MELP_GOLDEN_DIR) + "/opened.bmp", fb));
            }
            return;
        }
        Image expected;
        ASSERT_TRUE(readPng(golden, &expected)) << golden << " is missing: run tools/refresh-golden.sh";
        ASSERT_EQ(expected.width, fb.width);
        ASSERT_EQ(expected.height, fb.height);
        int differing = 0;
        for (std::int32_t i = 0; i < fb.width * fb.height; ++i) {
            differing += expected.pixels[static_cast<std::size_t>(i)] != fb.pixels[i];
        }
        if (differing) {
            const std::string actual = std::string(MELP_GOLDEN_OUTPUT_DIR) + "/" + name + ".png";
            headless::writePng(panel, actual);
            ADD_FAILURE() << name << ": " << differing << " pixels differ; rendering in " << actual;
        }
    }

    testing::FakeHost host;
    host::AEffect* effect = nullptr;
    platform::Window hostWindow = nullptr;
    platform::Window panel = nullptr;
};

TEST_F(GoldenPages, LevelAnalyserAndPhasePagesAfterTheProgramme) {
    idle(3);
    expectGolden("opened");

    // Level page: a 997 Hz tone, louder on the left, with one over on the left.
    process(44100, [](int n, double t, float* l, float* r) {
        const double s = std::sin(2.0 * pi * 997.0 * t);
        *l = n == 40000 ? 1.3f : static_cast<float>(0.7 * s);
        *r = static_cast<float>(0.3 * s);
    });
    idle(3);
    expectGolden("level");

    // The DIN scale of the same signal.
    click(368, 71);
    process(4410, [](int, double t, float* l, float* r) {
        const double s = std::sin(2.0 * pi * 997.0 * t);
        *l = static_cast<float>(0.7 * s);
        *r = static_cast<float>(0.3 * s);
    });
    idle(3);
    expectGolden("level_din");

    // Analyser page: three tones on both channels.
    click(53, 65);
    process(44100, [](int, double t, float* l, float* r) {
        const double s = 0.3 * std::sin(2.0 * pi * 100.0 * t) +
                         0.5 * std::sin(2.0 * pi * 1000.0 * t) +
                         0.2 * std::sin(2.0 * pi * 6300.0 * t);
        *l = *r = static_cast<float>(s);
    });
    idle(3);
    expectGolden("analyser");

    // Phase page: the right channel 60 degrees behind the left.
    click(53, 81);
    process(44100, [](int, double t, float* l, float* r) {
        *l = static_cast<float>(0.5 * std::sin(2.0 * pi * 440.0 * t));
        *r = static_cast<float>(0.5 * std::sin(2.0 * pi * 440.0 * t - pi / 3.0));
    });
    idle(3);
    expectGolden("phase");
}

}  // namespace
}  // namespace melp

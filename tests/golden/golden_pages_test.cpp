// The three pages of the real plug-in's panel after a fixed programme of audio, idles and
// clicks, rendered on the headless backend and compared pixel for pixel with the pictures
// in this folder. With MELP_REFRESH_GOLDEN=1 the pictures are written instead (see
// tools/refresh-golden.sh); a mismatch leaves the rendering next to the test binary.
//
// opened.png (the level page right after open, before any audio) also has a 24-bit BMP
// twin, opened.bmp, which the Win32 panel test compares with its capture of the real DLL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/effect_record.h"
#include "host/entry.h"
#include "platform/headless/headless.h"
#include "tests/golden/golden_programme.h"
#include "tests/support/fake_host.h"

namespace melp {
namespace {

namespace headless = platform::headless;

bool refreshing() {
    const char* value = std::getenv("MELP_REFRESH_GOLDEN");
    return value && value[0] == '1';
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

class GoldenPages : public ::testing::Test, public golden::Driver {
protected:
    void SetUp() override {
        headless::reset();
        headless::setTime(100000);
        host.answer(1 /* audioMasterVersion */, 2400);
        hostWindow = headless::createHostWindow(0, 0, 427, 133);
        effect_ = melpPluginEntry(&testing::FakeHost::callback);
        ASSERT_NE(effect_, nullptr);
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
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    host::AEffect* effect() override { return effect_; }
    void idle(int times) override {
        for (int i = 0; i < times; ++i) {
            headless::advanceTime(40);
            dispatch(19 /* effEditIdle */);
        }
    }
    void click(std::int32_t x, std::int32_t y) override {
        headless::clearInputScript();
        headless::scheduleClick(headless::now(), x, y, 60);
        headless::dispatchPendingMessages();
        headless::advanceTime(61);
        headless::dispatchPendingMessages();
    }
    void expectPage(const std::string& name) override {
        const headless::Framebuffer fb = headless::framebuffer(panel);
        ASSERT_EQ(fb.width, golden::pageWidth);
        ASSERT_EQ(fb.height, golden::pageHeight);
        const std::string path = std::string(MELP_GOLDEN_DIR) + "/" + name + ".png";
        if (refreshing()) {
            ASSERT_TRUE(headless::writePng(panel, path));
            if (name == "opened") {
                ASSERT_TRUE(writeBmp(std::string(MELP_GOLDEN_DIR) + "/opened.bmp", fb));
            }
            return;
        }
        golden::Image expected;
        ASSERT_TRUE(golden::readPng(path, &expected)) << path << " is missing: run tools/refresh-golden.sh";
        golden::Image actual{fb.width, fb.height,
                             std::vector<platform::ColorRef>(fb.pixels, fb.pixels + fb.width * fb.height)};
        const std::int32_t differing = golden::differingPixels(expected, actual);
        if (differing != 0) {
            const std::string rendering = std::string(MELP_GOLDEN_OUTPUT_DIR) + "/" + name + ".png";
            headless::writePng(panel, rendering);
            ADD_FAILURE() << name << ": " << differing << " pixels differ; rendering in " << rendering;
        }
    }

    testing::FakeHost host;
    host::AEffect* effect_ = nullptr;
    platform::Window hostWindow = nullptr;
    platform::Window panel = nullptr;
};

TEST_F(GoldenPages, LevelAnalyserAndPhasePagesAfterTheProgramme) {
    golden::runProgramme(*this);
}

}  // namespace
}  // namespace melp

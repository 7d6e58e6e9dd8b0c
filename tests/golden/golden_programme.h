// The fixed programme behind the golden pages: audio, idles and clicks in one order, with
// the page pictures expected at four points. The headless golden test runs it on the
// simulated windows; the X11 panel test runs it in a real X window and compares what the
// server shows. Each gives its own way of idling, clicking and looking (Driver).
#pragma once

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/effect_record.h"
#include "platform/platform.h"

namespace melp::golden {

constexpr std::int32_t pageWidth = 427;
constexpr std::int32_t pageHeight = 133;

struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<platform::ColorRef> pixels;
};

inline bool readPng(const std::string& path, Image* image) {
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

inline bool writePng(const std::string& path, const Image& image) {
    std::vector<png_byte> bytes(image.pixels.size() * 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        bytes[3 * i] = static_cast<png_byte>(image.pixels[i]);
        bytes[3 * i + 1] = static_cast<png_byte>(image.pixels[i] >> 8);
        bytes[3 * i + 2] = static_cast<png_byte>(image.pixels[i] >> 16);
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
}

// Pixels of `actual` that differ from the picture `expected`; -1 when the sizes differ.
inline std::int32_t differingPixels(const Image& expected, const Image& actual) {
    if (expected.width != actual.width || expected.height != actual.height ||
        expected.pixels.size() != actual.pixels.size()) {
        return -1;
    }
    std::int32_t count = 0;
    for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
        count += expected.pixels[i] != actual.pixels[i] ? 1 : 0;
    }
    return count;
}

class Driver {
public:
    virtual ~Driver() = default;
    virtual host::AEffect* effect() = 0;
    // The host's editor idle, `times` times, as a host sends it about every 40 ms.
    virtual void idle(int times) = 0;
    // A left click of 60 ms at a point of the panel.
    virtual void click(std::int32_t x, std::int32_t y) = 0;
    // The panel now, compared with (or, refreshing, written as) the picture `name`.
    virtual void expectPage(const std::string& name) = 0;
};

// Audio at 44.1 kHz in blocks of 256: generator(sample index, time in s, left, right).
using Signal = std::function<void(int, double, float*, float*)>;

inline void process(host::AEffect* effect, int samples, const Signal& generator) {
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

// The programme, from an editor just opened on a resumed effect.
inline void runProgramme(Driver& driver) {
    constexpr double pi = 3.14159265358979323846;
    host::AEffect* effect = driver.effect();
    driver.idle(3);
    driver.expectPage("opened");

    // Level page: a 997 Hz tone, louder on the left, with one over on the left.
    process(effect, 44100, [](int n, double t, float* l, float* r) {
        const double s = std::sin(2.0 * pi * 997.0 * t);
        *l = n == 40000 ? 1.3f : static_cast<float>(0.7 * s);
        *r = static_cast<float>(0.3 * s);
    });
    driver.idle(3);
    driver.expectPage("level");

    // The DIN scale of the same signal.
    driver.click(368, 71);
    process(effect, 4410, [](int, double t, float* l, float* r) {
        const double s = std::sin(2.0 * pi * 997.0 * t);
        *l = static_cast<float>(0.7 * s);
        *r = static_cast<float>(0.3 * s);
    });
    driver.idle(3);
    driver.expectPage("level_din");

    // Analyser page: three tones on both channels.
    driver.click(53, 65);
    process(effect, 44100, [](int, double t, float* l, float* r) {
        const double s = 0.3 * std::sin(2.0 * pi * 100.0 * t) +
                         0.5 * std::sin(2.0 * pi * 1000.0 * t) +
                         0.2 * std::sin(2.0 * pi * 6300.0 * t);
        *l = *r = static_cast<float>(s);
    });
    driver.idle(3);
    driver.expectPage("analyser");

    // Phase page: the right channel 60 degrees behind the left.
    driver.click(53, 81);
    process(effect, 44100, [](int, double t, float* l, float* r) {
        *l = static_cast<float>(0.5 * std::sin(2.0 * pi * 440.0 * t));
        *r = static_cast<float>(0.5 * std::sin(2.0 * pi * 440.0 * t - pi / 3.0));
    });
    driver.idle(3);
    driver.expectPage("phase");
}

}  // namespace melp::golden

#include "meter/level_scale.h"

#include <cmath>

namespace melp::meter {

namespace {

struct Segment {
    int32_t last;  // the segment's b: its top index, where the entry equals c x 0.005
    double c;
    double d;
};

// Each segment ends at its own b, so the curve is continuous across the breakpoints.
constexpr Segment kSegments[] = {
    {103, 19.0, 14.0}, {328, 38.0, 38.0}, {1036, 64.0, 52.0}, {3277, 100.0, 72.0},
    {32767, 200.0, 100.0}};

}  // namespace

void buildLevelScale(float (&table)[kScaleSize]) noexcept {
    table[0] = table[1] = table[2] = 0.0f;
    int32_t segment = 0;
    for (int32_t i = 3; i < kScaleSize; ++i) {
        if (i > kSegments[segment].last) {
            ++segment;
        }
        const Segment& s = kSegments[segment];
        const double value = (s.c + s.d * std::log10(static_cast<double>(i) / s.last)) * 0.005;
        table[i] = static_cast<float>(value);
    }
}

void buildBandScale(float (&table)[kScaleSize]) noexcept {
    // 1/32767 rounded to single precision; its eight-digit decimal 3.0518509e-05 is another
    // number and would move over a thousand entries by one step.
    constexpr double kInverseFullScale = static_cast<double>(1.0f / 32767.0f);
    for (int32_t i = 0; i < kScaleSize; ++i) {
        table[i] = 0.0f;
        if (i >= 52) {
            const double db = 20.0 * std::log10(i * kInverseFullScale);
            table[i] = static_cast<float>((db + 56.0) * 0.017857142857142856);
        }
    }
}

int32_t scaleIndex(float magnitude) noexcept {
    const double position = static_cast<double>(magnitude) * 32767.0;
    // Written so that NaN fails the first test and lands on entry 0.
    if (!(position >= 0.0)) {
        return 0;
    }
    if (position >= 32768.0) {
        return kScaleOverIndex;
    }
    return static_cast<int32_t>(position);
}

}  // namespace melp::meter

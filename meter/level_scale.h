// The meter scales: tables that turn a stored linear magnitude (1.0 is full scale) into a
// meter position (0 bottom, 1.0 top). Built once per effect; a lookup is one multiplication,
// one truncation and one array access.
#pragma once

#include <cstdint>

namespace melp::meter {

constexpr int32_t kScaleSize = 32768;
// Where every magnitude above 1 + 1/32767 reads: a hair below the top of the scale.
constexpr int32_t kScaleOverIndex = 32737;

// Level scale: five log segments, half the scale for the top 20 dB. Entries 3 and 4 are
// slightly negative and stay so. [any thread]
void buildLevelScale(float (&table)[kScaleSize]) noexcept;
// Band scale: linear in dB from -56 dB (0) to 0 dB (1.0); entries 0 to 51 are 0.
void buildBandScale(float (&table)[kScaleSize]) noexcept;

// The table index of a magnitude: magnitude x 32767 truncated toward zero, above 32767
// replaced by 32737. Never outside the table: NaN and negative magnitudes read entry 0,
// +inf and huge ones entry 32737. [any thread]
int32_t scaleIndex(float magnitude) noexcept;

inline float lookUp(const float (&table)[kScaleSize], float magnitude) noexcept {
    return table[scaleIndex(magnitude)];
}

}  // namespace melp::meter

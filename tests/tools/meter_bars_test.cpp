// Checks that the level bar's average and peak are read back from its two drawings (Pk + VU
// and PEAK) wherever the markers fall, touching the bar's end or not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>

#include "tools/melp_meter/panel_host.h"

namespace melp::tools {
namespace {

// A bar drawn as the panel draws it: lit up to `bar`, each marker the two columns left of
// its position.
BarRow draw(int bar, std::initializer_list<int> markers) {
    BarRow row;
    for (int c = 0; c < bar; ++c) row.lit[static_cast<std::size_t>(c + 2)] = true;
    for (int m : markers)
        for (int c = m - 2; c < m; ++c) row.lit[static_cast<std::size_t>(c + 2)] = true;
    return row;
}

BarPositions read(int average, int peak, int maximum) {
    return decodeBars(draw(average, {peak, maximum}), draw(peak, {0, maximum}));
}

TEST(LevelBarReading, MarkersApartReadExactly) {
    const BarPositions p = read(100, 150, 180);
    EXPECT_EQ(p.averageColumns, 100);
    EXPECT_EQ(p.peakColumns, 150);
    EXPECT_EQ(read(0, 0, 0).peakColumns, 0);
    EXPECT_EQ(read(0, 0, 0).averageColumns, 0);
    EXPECT_EQ(read(120, 200, 200).peakColumns, 200);  // a full bar
}

TEST(LevelBarReading, PeakUnderTheMaximumMarkerIsFoundInPkVu) {
    for (int gap : {0, 1, 2}) {
        SCOPED_TRACE(gap);
        const BarPositions p = read(90, 150, 150 + gap);
        EXPECT_EQ(p.peakColumns, 150);
        EXPECT_EQ(p.averageColumns, 90);
    }
}

TEST(LevelBarReading, AverageJustShortOfThePeakMarkerReadsExactly) {
    const BarPositions p = read(147, 150, 151);  // one unlit column before the marker
    EXPECT_EQ(p.averageColumns, 147);
    EXPECT_EQ(p.peakColumns, 150);
}

TEST(LevelBarReading, AverageRunningIntoTheMarkersReadsWithinTwoColumns) {
    EXPECT_GE(read(200, 200, 200).peakColumns, 199);
    for (int average : {148, 149, 150}) {
        for (int gap : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << average << " " << gap);
            const BarPositions p = read(average, 150, 150 + gap);
            EXPECT_LE(std::abs(p.peakColumns - 150), 1);
            EXPECT_LE(std::abs(p.averageColumns - average), 2);
            EXPECT_LE(p.averageColumns, p.peakColumns);
        }
    }
}

}  // namespace
}  // namespace melp::tools

// Comparing the backend's object accounting (platform::liveObjects) before and after, for
// the panel tests in real windows.
#pragma once

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace melp::testing {

inline void expectSameLiveObjects(const platform::LiveObjects& now,
                                  const platform::LiveObjects& before, const char* when) {
    EXPECT_EQ(now.pens, before.pens) << when;
    EXPECT_EQ(now.brushes, before.brushes) << when;
    EXPECT_EQ(now.fonts, before.fonts) << when;
    EXPECT_EQ(now.bitmaps, before.bitmaps) << when;
    EXPECT_EQ(now.devices, before.devices) << when;
    EXPECT_EQ(now.windows, before.windows) << when;
}

}  // namespace melp::testing

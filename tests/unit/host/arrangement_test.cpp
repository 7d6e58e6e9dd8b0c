// The speaker arrangement helpers: allocation, release, property copy and cloning, and their
// refusals of pointers and sizes they cannot work with.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "tests/unit/host/test_effect.h"

using namespace melp;
using melp::testing::TestEffect;

TEST(Arrangement, CreateAllocatesZeroedChannelsAndReleaseFrees) {
    TestEffect effect(nullptr);
    host::VstSpeakerArrangement* arrangement = nullptr;
    ASSERT_TRUE(effect.createArrangement(&arrangement, 12));
    ASSERT_NE(arrangement, nullptr);
    EXPECT_EQ(arrangement->numChannels, 12);
    EXPECT_EQ(arrangement->type, 0);
    const host::VstSpeakerProperties* speakers = arrangement->speakers;
    const host::VstSpeakerProperties zero{};
    EXPECT_EQ(std::memcmp(&speakers[11], &zero, sizeof zero), 0);
    // Creating again frees the old one first (the sanitizer builds catch a leak here).
    ASSERT_TRUE(effect.createArrangement(&arrangement, 2));
    EXPECT_EQ(arrangement->numChannels, 2);
    EXPECT_TRUE(effect.releaseArrangement(&arrangement));
    EXPECT_EQ(arrangement, nullptr);
    EXPECT_TRUE(effect.releaseArrangement(&arrangement));
}

TEST(Arrangement, RefusesWhatCannotBeAllocatedOrStored) {
    TestEffect effect(nullptr);
    EXPECT_FALSE(effect.createArrangement(nullptr, 2));
    EXPECT_FALSE(effect.releaseArrangement(nullptr));
    host::VstSpeakerArrangement* arrangement = nullptr;
    EXPECT_FALSE(effect.createArrangement(&arrangement, -1));
    EXPECT_EQ(arrangement, nullptr);
    if (sizeof(std::size_t) == 4) {
        // 112 bytes times this many channels does not fit a 32-bit size.
        EXPECT_FALSE(
            effect.createArrangement(&arrangement, std::numeric_limits<host::int32>::max()));
        EXPECT_EQ(arrangement, nullptr);
    }
}

TEST(Arrangement, CopySpeakerPropertiesCopiesEveryFieldAndBoundsTheName) {
    TestEffect effect(nullptr);
    host::VstSpeakerProperties from{};
    from.azimuth = 0.5f;
    from.elevation = -0.25f;
    from.radius = 2.0f;
    from.reserved = 3.0f;
    std::strcpy(from.name, "Left surround");
    from.type = 7;
    for (int i = 0; i < 28; ++i) {
        from.future[i] = static_cast<char>(i + 1);
    }
    host::VstSpeakerProperties to{};
    std::memset(&to, 0x55, sizeof to);
    ASSERT_TRUE(effect.copySpeakerProperties(&to, &from));
    EXPECT_EQ(to.azimuth, 0.5f);
    EXPECT_EQ(to.elevation, -0.25f);
    EXPECT_EQ(to.radius, 2.0f);
    EXPECT_EQ(to.reserved, 3.0f);
    EXPECT_STREQ(to.name, "Left surround");
    EXPECT_EQ(to.type, 7);
    EXPECT_EQ(std::memcmp(to.future, from.future, 28), 0);

    // A name without a terminator stays inside its field.
    std::memset(from.name, 'A', sizeof from.name);
    ASSERT_TRUE(effect.copySpeakerProperties(&to, &from));
    EXPECT_EQ(std::strlen(to.name), 63u);

    EXPECT_FALSE(effect.copySpeakerProperties(nullptr, &from));
    EXPECT_FALSE(effect.copySpeakerProperties(&to, nullptr));
}

TEST(Arrangement, CloneCopiesTypeAndEveryChannelBeyondTheDeclaredEight) {
    TestEffect effect(nullptr);
    host::VstSpeakerArrangement* source = nullptr;
    ASSERT_TRUE(effect.createArrangement(&source, 10));
    source->type = 42;
    host::VstSpeakerProperties* speakers = source->speakers;
    for (int i = 0; i < 10; ++i) {
        speakers[i].type = 100 + i;
        speakers[i].azimuth = static_cast<float>(i);
        std::snprintf(speakers[i].name, sizeof speakers[i].name, "speaker %d", i);
    }
    host::VstSpeakerArrangement* clone = nullptr;
    ASSERT_TRUE(effect.createArrangement(&clone, 1));
    ASSERT_TRUE(effect.cloneArrangement(&clone, source));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->numChannels, 10);
    EXPECT_EQ(clone->type, 42);
    const host::VstSpeakerProperties* cloned = clone->speakers;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(cloned[i].type, 100 + i);
        EXPECT_EQ(cloned[i].azimuth, static_cast<float>(i));
        EXPECT_EQ(std::string(cloned[i].name), "speaker " + std::to_string(i));
    }
    EXPECT_FALSE(effect.cloneArrangement(&clone, nullptr));
    EXPECT_FALSE(effect.cloneArrangement(nullptr, source));
    effect.releaseArrangement(&clone);
    effect.releaseArrangement(&source);
}

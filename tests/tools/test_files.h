// Sound files written for melp-meter's tests with libsndfile, in a scratch folder per test
// program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace melp::tools::testing {

// A folder under /tmp, made on first use, unique to this process.
const std::string& scratchFolder();

// Writes `frames` frames of `channels` channels: sample(frame, channel) gives each value.
// `format` is a libsndfile SF_FORMAT_* combination. False when libsndfile refuses.
bool writeSoundFile(const std::string& path, int format, int sampleRateHz, int channels,
                    std::int64_t frames, const std::function<double(std::int64_t, int)>& sample);

// Writes raw bytes (for files that are not sound files).
bool writeBytes(const std::string& path, const std::string& bytes);

}  // namespace melp::tools::testing

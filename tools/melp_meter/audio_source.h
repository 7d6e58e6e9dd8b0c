// Where melp-meter's samples come from: a file read through libsndfile, streamed block by
// block so that a long file is never held whole, or the built-in programme.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace melp::tools {

// Exit statuses of melp-meter; each failure class has its own.
enum class Status : int {
    ok = 0,
    usage = 2,
    missingFile = 3,
    unreadableFile = 4,
    corruptFile = 5,
    emptyFile = 6,
    channelCount = 7,
    sampleRate = 8,
    pluginFailed = 9,
    outputFailed = 10,
};

// The sample rates the plug-in meters (its band filters stay stable over this whole range).
constexpr double kMinSampleRateHz = 8000.0;
constexpr double kMaxSampleRateHz = 768000.0;

struct SourceError {
    Status status = Status::ok;
    std::string message;  // one line, naming the file and the cause
};

class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual double sampleRateHz() const noexcept = 0;
    // Frames in the whole source; libsndfile knows it for every format it reads.
    virtual std::int64_t totalFrames() const noexcept = 0;
    virtual std::int32_t fileChannels() const noexcept = 0;
    virtual std::string description() const = 0;
    // Reads up to `frames` frames into left and right (mono feeds both). Returns the frames
    // read; 0 at the end. A read failure before the promised end sets `error`.
    virtual std::int32_t read(float* left, float* right, std::int32_t frames,
                              SourceError* error) noexcept = 0;
};

struct OpenedSource {
    std::unique_ptr<AudioSource> source;
    SourceError error;
};

// Opens `path` for streaming. leftChannel/rightChannel are 1-based; channelsGiven says the
// user picked them (otherwise more than two channels is an error).
OpenedSource openSoundFile(const std::string& path, bool channelsGiven, std::int32_t leftChannel,
                           std::int32_t rightChannel);

}  // namespace melp::tools

#include "tools/melp_meter/audio_source.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <unistd.h>

namespace melp::tools {

namespace {

class SoundFileSource final : public AudioSource {
public:
    SoundFileSource(std::string path, SNDFILE* file, const SF_INFO& info, std::int32_t left,
                    std::int32_t right)
        : path_(std::move(path)), file_(file), info_(info), left_(left), right_(right) {}
    ~SoundFileSource() override { sf_close(file_); }
    SoundFileSource(const SoundFileSource&) = delete;
    SoundFileSource& operator=(const SoundFileSource&) = delete;

    double sampleRateHz() const noexcept override { return info_.samplerate; }
    // A stream (a pipe) has no known length: libsndfile says SF_COUNT_MAX.
    std::int64_t totalFrames() const noexcept override {
        return info_.frames == SF_COUNT_MAX ? 0 : info_.frames;
    }
    std::int32_t fileChannels() const noexcept override { return info_.channels; }

    std::string description() const override {
        SF_FORMAT_INFO major{};
        major.format = info_.format & SF_FORMAT_TYPEMASK;
        SF_FORMAT_INFO minor{};
        minor.format = info_.format & SF_FORMAT_SUBMASK;
        std::string text;
        if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name)
            text = major.name;
        if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &minor, sizeof minor) == 0 && minor.name)
            text += (text.empty() ? "" : ", ") + std::string(minor.name);
        return text;
    }

    std::int32_t read(float* left, float* right, std::int32_t frames,
                      SourceError* error) noexcept override {
        const bool knownLength = info_.frames != SF_COUNT_MAX;
        if (frames <= 0 || (knownLength && delivered_ >= info_.frames)) return 0;
        const auto channels = static_cast<std::size_t>(info_.channels);
        const auto want = static_cast<std::size_t>(frames);
        if (interleaved_.size() < want * channels) interleaved_.resize(want * channels);
        const sf_count_t got = sf_readf_float(file_, interleaved_.data(), frames);
        if (got <= 0) {
            if (!knownLength) return 0;
            // libsndfile promised more frames than the data holds.
            error->status = Status::corruptFile;
            error->message = path_ + ": corrupt file: the audio data ends after " +
                             std::to_string(delivered_) + " of " + std::to_string(info_.frames) +
                             " frames" + libraryReason();
            return 0;
        }
        const auto l = static_cast<std::size_t>(left_ - 1);
        const auto r = static_cast<std::size_t>(right_ - 1);
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            left[i] = interleaved_[i * channels + l];
            right[i] = interleaved_[i * channels + r];
        }
        delivered_ += got;
        return static_cast<std::int32_t>(got);
    }

private:
    std::string libraryReason() const {
        const char* reason = sf_strerror(file_);
        if (!reason || std::strcmp(reason, "No Error.") == 0) return "";
        return " (" + std::string(reason) + ")";
    }

    std::string path_;
    SNDFILE* file_;
    SF_INFO info_;
    std::int32_t left_;
    std::int32_t right_;
    sf_count_t delivered_ = 0;
    std::vector<float> interleaved_;
};

SourceError failure(Status status, std::string message) {
    return SourceError{status, std::move(message)};
}

// The length of the audio data a WAV or AIFF header declares, and the bytes after that
// chunk's header that the file really holds.
struct DeclaredData {
    std::uint64_t declared;
    std::uint64_t present;
};

std::uint32_t chunkSize(const unsigned char* bytes, bool bigEndian) {
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 8 * (3 - i) : 8 * i;
        size |= static_cast<std::uint32_t>(bytes[i]) << shift;
    }
    return size;
}

// Walks the chunks of a RIFF or RIFX (WAV) or FORM (AIFF) file to its audio data chunk.
// libsndfile quietly shortens a data chunk that runs past the end of the file, so the
// header is read here. Nothing for other files, for a file without such a chunk, and for a
// length the writer left open (0 or all ones, as programs writing to a pipe leave it).
std::optional<DeclaredData> declaredAudioData(const std::string& path, std::uint64_t fileSize) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[12];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
    const std::string form(head, head + 4);
    const std::string kind(head + 8, head + 12);
    bool bigEndian = false;
    std::string dataId;
    if ((form == "RIFF" || form == "RIFX") && kind == "WAVE") {
        bigEndian = form == "RIFX";
        dataId = "data";
    } else if (form == "FORM" && (kind == "AIFF" || kind == "AIFC")) {
        bigEndian = true;
        dataId = "SSND";
    } else {
        return std::nullopt;
    }
    std::uint64_t offset = sizeof head;
    while (offset + 8 <= fileSize) {
        unsigned char chunk[8];
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) return std::nullopt;
        const std::uint32_t size = chunkSize(chunk + 4, bigEndian);
        if (std::string(chunk, chunk + 4) == dataId) {
            if (size == 0 || size == 0xFFFFFFFFu) return std::nullopt;
            return DeclaredData{size, fileSize - (offset + 8)};
        }
        offset += 8 + static_cast<std::uint64_t>(size) + (size & 1u);
    }
    return std::nullopt;
}

}  // namespace

OpenedSource openSoundFile(const std::string& path, bool channelsGiven, std::int32_t leftChannel,
                           std::int32_t rightChannel) {
    OpenedSource opened;
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            opened.error = failure(Status::missingFile, path + ": no such file");
        else
            opened.error = failure(Status::unreadableFile,
                                   path + ": cannot read the file: " + std::strerror(errno));
        return opened;
    }
    if (S_ISDIR(st.st_mode)) {
        opened.error = failure(Status::unreadableFile, path + ": is a folder, not a sound file");
        return opened;
    }
    // Tell "cannot open" apart from "not a sound file" before libsndfile blurs the two.
    const int probe = ::open(path.c_str(), O_RDONLY);
    if (probe < 0) {
        opened.error = failure(Status::unreadableFile,
                               path + ": cannot read the file: " + std::strerror(errno));
        return opened;
    }
    ::close(probe);
    if (S_ISREG(st.st_mode) && st.st_size == 0) {
        opened.error = failure(Status::emptyFile, path + ": empty file (0 bytes)");
        return opened;
    }

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        opened.error = failure(Status::corruptFile, path + ": not a sound file libsndfile can read (" +
                                                        std::string(sf_strerror(nullptr)) + ")");
        return opened;
    }
    auto fail = [&](Status status, std::string message) {
        sf_close(file);
        opened.error = failure(status, std::move(message));
        return std::move(opened);
    };
    if (info.channels <= 0)
        return fail(Status::corruptFile, path + ": corrupt file: it declares no channels");
    if (S_ISREG(st.st_mode)) {
        const auto data = declaredAudioData(path, static_cast<std::uint64_t>(st.st_size));
        if (data && data->declared > data->present)
            return fail(Status::corruptFile,
                        path + ": corrupt file: its header declares " +
                            std::to_string(data->declared) + " bytes of audio data, the file holds " +
                            std::to_string(data->present));
    }
    if (info.frames <= 0) return fail(Status::emptyFile, path + ": empty file: no audio frames");
    if (channelsGiven) {
        if (leftChannel > info.channels || rightChannel > info.channels)
            return fail(Status::channelCount,
                        path + ": --channels " + std::to_string(leftChannel) + "," +
                            std::to_string(rightChannel) + " picks a channel the file lacks (it has " +
                            std::to_string(info.channels) + ")");
    } else if (info.channels == 1) {
        leftChannel = 1;
        rightChannel = 1;
    } else if (info.channels == 2) {
        leftChannel = 1;
        rightChannel = 2;
    } else {
        return fail(Status::channelCount,
                    path + ": " + std::to_string(info.channels) +
                        " channels; MELP meters one or two (pick two with --channels L,R)");
    }
    if (info.samplerate < kMinSampleRateHz || info.samplerate > kMaxSampleRateHz)
        return fail(Status::sampleRate,
                    path + ": sample rate " + std::to_string(info.samplerate) +
                        " Hz; MELP meters 8000 Hz to 768000 Hz");
    opened.source = std::make_unique<SoundFileSource>(path, file, info, leftChannel, rightChannel);
    return opened;
}

}  // namespace melp::tools

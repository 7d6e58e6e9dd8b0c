#include "tests/tools/test_files.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace melp::tools::testing {

namespace {
char madeFolder[] = "/tmp/melp-meter-test-XXXXXX";
}

const std::string& scratchFolder() {
    static const std::string folder = [] {
        if (!::mkdtemp(madeFolder)) return std::string("/tmp");
        // The files are written fresh by every run; nothing is left behind. (The handler
        // outlives `folder`, so it reads the plain array.)
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(madeFolder, ignored);
        });
        return std::string(madeFolder);
    }();
    return folder;
}

bool writeSoundFile(const std::string& path, int format, int sampleRateHz, int channels,
                    std::int64_t frames, const std::function<double(std::int64_t, int)>& sample) {
    SF_INFO info{};
    info.samplerate = sampleRateHz;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    // Values above full scale must reach integer files clipped, not wrapped.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    constexpr std::int64_t chunk = 8192;
    std::vector<double> buffer(static_cast<std::size_t>(chunk * channels));
    bool ok = true;
    for (std::int64_t start = 0; start < frames && ok; start += chunk) {
        const std::int64_t n = std::min(chunk, frames - start);
        for (std::int64_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                buffer[static_cast<std::size_t>(i * channels + c)] = sample(start + i, c);
        ok = sf_writef_double(file, buffer.data(), n) == n;
    }
    return sf_close(file) == 0 && ok;
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace melp::tools::testing

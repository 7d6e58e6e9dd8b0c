#include "tests/tools/test_files.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace melp::tools::testing {

const std::string& scratchFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/melp-meter-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
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

#include "tools/melp_meter/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace melp::tools {

const char* modeName(MeterMode mode) noexcept {
    switch (mode) {
    case MeterMode::truePeak: return "truepeak";
    case MeterMode::quasiPeak: return "quasipeak";
    case MeterMode::peak: break;
    }
    return "peak";
}

const char* scaleName(MeterMode mode) noexcept {
    return mode == MeterMode::quasiPeak ? "DIN" : "AES";
}

namespace {

bool parseInteger(const std::string& text, long long low, long long high, long long* out) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

bool parseSeconds(const std::string& text, double* out) {
    if (text.empty()) return false;
    // strtod would also take "inf", "nan" and hexadecimal forms: only plain decimals are
    // moments in a file.
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return false;
    *out = value;
    return true;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

}  // namespace

ParsedOptions parseOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    MeterOptions& o = parsed.options;
    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    bool fileGiven = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (fileGiven) return fail("only one file can be metered at a time: " + arg);
            if (arg.empty()) return fail("an empty file name was given");
            o.file = arg;
            fileGiven = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Both "--name value" and "--name=value".
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        const bool takesValue = name == "--mode" || name == "--block" || name == "--png" ||
                                name == "--at" || name == "--channels";
        if (takesValue && !hasValue) {
            if (i + 1 >= argc) return fail(name + " needs a value");
            value = argv[++i] ? argv[i] : "";
            hasValue = true;
        } else if (!takesValue && hasValue) {
            return fail(name + " takes no value");
        }

        if (name == "--mode") {
            if (value == "peak") o.mode = MeterMode::peak;
            else if (value == "truepeak") o.mode = MeterMode::truePeak;
            else if (value == "quasipeak") o.mode = MeterMode::quasiPeak;
            else return fail("--mode " + value + ": expected peak, truepeak or quasipeak");
        } else if (name == "--fast-correlation") {
            o.fastCorrelation = true;
        } else if (name == "--block") {
            long long frames = 0;
            if (!parseInteger(value, 1, kMaxBlockFrames, &frames))
                return fail("--block " + value + ": expected a whole number of frames from 1 to " +
                            std::to_string(kMaxBlockFrames));
            o.blockFrames = static_cast<std::int32_t>(frames);
        } else if (name == "--json") {
            o.json = true;
        } else if (name == "--png") {
            if (value.empty()) return fail("--png needs a folder");
            o.pngFolder = value;
        } else if (name == "--at") {
            for (const std::string& part : splitCommas(value)) {
                double seconds = 0.0;
                if (!parseSeconds(part, &seconds))
                    return fail("--at " + value + ": '" + part +
                                "' is not a moment in seconds (such as 12.5)");
                o.atSeconds.push_back(seconds);
            }
            std::sort(o.atSeconds.begin(), o.atSeconds.end());
            o.atSeconds.erase(std::unique(o.atSeconds.begin(), o.atSeconds.end()),
                              o.atSeconds.end());
        } else if (name == "--channels") {
            const auto parts = splitCommas(value);
            long long left = 0;
            long long right = 0;
            if (parts.size() != 2 || !parseInteger(parts[0], 1, 1 << 16, &left) ||
                !parseInteger(parts[1], 1, 1 << 16, &right))
                return fail("--channels " + value +
                            ": expected two channel numbers counted from 1, such as 1,2");
            o.channelsGiven = true;
            o.leftChannel = static_cast<std::int32_t>(left);
            o.rightChannel = static_cast<std::int32_t>(right);
        } else if (name == "--quiet" || name == "-q") {
            o.quiet = true;
        } else if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        } else {
            return fail("unknown option " + name + " (see melp-meter --help)");
        }
    }
    return parsed;
}

std::string usageText() {
    return "usage: melp-meter [options] [FILE]\n"
           "\n"
           "Meters an audio file (any format libsndfile reads: WAV, AIFF, FLAC, Ogg, ...) with\n"
           "the MELP plug-in and prints what its panel shows. Without FILE, meters the built-in\n"
           "test programme; - reads the file from standard input.\n"
           "\n"
           "options:\n"
           "  --mode peak|truepeak|quasipeak  level metering (default peak; quasipeak uses the\n"
           "                                  DIN scale, the others the AES scale)\n"
           "  --fast-correlation              correlation time constant 0.15 s instead of 0.3 s\n"
           "  --block N                       frames per processing block, 1 to 65536 (512)\n"
           "  --channels L,R                  the two channels to meter, counted from 1\n"
           "  --json                          print the readings as JSON instead of the summary\n"
           "  --png DIR                       write pictures of the panel's pages into DIR\n"
           "  --at S[,S...]                   also read the panel (and picture it) at these\n"
           "                                  moments, in seconds from the start\n"
           "  --quiet                         no summary and no progress bar\n"
           "  --help, --version\n"
           "\n"
           "exit status: 0 success, 2 unusable option, 3 missing file, 4 unreadable file,\n"
           "5 corrupt file, 6 empty file, 7 unsupported channel count, 8 unsupported sample\n"
           "rate, 9 the plug-in failed, 10 an output could not be written\n";
}

}  // namespace melp::tools

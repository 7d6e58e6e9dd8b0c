#include "tools/melp_meter/report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "tools/melp_meter/peak_analysis.h"

namespace melp::tools {

const std::array<double, kBandCount> kBandCentresHz = {
    25,   31.5, 40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,   630,
    800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

double correlationOnScale(double correlation) noexcept {
    return 2.0 * correlation - 1.0;
}

double levelScaleDb(double position, bool din) noexcept {
    // The meter scale's five logarithmic segments: position = (c + d log10(i / b)) / 200 for a
    // magnitude i / 32767.
    struct Segment {
        double top, b, c, d;
    };
    static constexpr Segment segments[] = {{0.095, 103, 19, 14},
                                           {0.19, 328, 38, 38},
                                           {0.32, 1036, 64, 52},
                                           {0.5, 3277, 100, 72},
                                           {1.0, 32767, 200, 100}};
    const Segment* s = &segments[4];
    for (const Segment& candidate : segments) {
        if (position <= candidate.top) {
            s = &candidate;
            break;
        }
    }
    const double index = s->b * std::pow(10.0, (position / 0.005 - s->c) / s->d);
    return 20.0 * std::log10(index / 32767.0) + (din ? 5.0 : 0.0);
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

namespace {

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string dbfs(double magnitude) {
    return magnitude > 0.0 ? format("%.4f dBFS", toDecibels(magnitude)) : "silent";
}

std::string duration(double seconds) {
    const auto minutes = static_cast<long>(seconds / 60.0);
    char text[48];
    if (minutes > 0)
        std::snprintf(text, sizeof text, "%ld:%06.3f", minutes, seconds - 60.0 * static_cast<double>(minutes));
    else
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

std::string overText(const ChannelReading& c) {
    if (!c.overEverLit) return "never lit";
    char text[64];
    std::snprintf(text, sizeof text, "lit %.3f s, %d time%s%s", c.overLitSeconds, c.overLitCount,
                  c.overLitCount == 1 ? "" : "s", c.overLit ? ", lit now" : "");
    return text;
}

void row(std::string& out, const char* label, const std::string& left, const std::string& right) {
    char text[160];
    std::snprintf(text, sizeof text, "  %-20s %-26s %s\n", label, left.c_str(), right.c_str());
    out += text;
}

void snapshotText(std::string& out, const PanelSnapshot& s, MeterMode mode) {
    const auto& l = s.channels[0];
    const auto& r = s.channels[1];
    const bool din = mode == MeterMode::quasiPeak;
    row(out, "", "left", "right");
    auto display = [](const ChannelReading& c) {
        if (c.maxDisplayText.empty()) return std::string("(not drawn)");
        return c.maxDisplayText + (c.maxDisplayRed ? " (red)" : "");
    };
    row(out, "maximum display", display(l), display(r));
    if (mode == MeterMode::truePeak)
        row(out, "true peak (own 4x)", dbfs(l.truePeak), dbfs(r.truePeak));
    row(out, "sample peak", dbfs(l.samplePeak), dbfs(r.samplePeak));
    row(out, "over lamp", overText(l), overText(r));
    auto position = [din](double p, double db) {
        char text[64];
        std::snprintf(text, sizeof text, "%.3f (%+.1f dB%s)", p, db, din ? " DIN" : "");
        return std::string(text);
    };
    row(out, "average position", position(l.averagePosition, l.averageScaleDb),
        position(r.averagePosition, r.averageScaleDb));
    row(out, "peak position", position(l.peakPosition, l.peakScaleDb),
        position(r.peakPosition, r.peakScaleDb));
    char text[200];
    // On the panel's scale, as users read it.
    if (s.correlationSettled)
        std::snprintf(text, sizeof text, "  %-20s %+.3f   minimum %+.3f   maximum %+.3f\n",
                      "correlation", correlationOnScale(s.correlation),
                      correlationOnScale(s.correlationMin), correlationOnScale(s.correlationMax));
    else
        std::snprintf(text, sizeof text, "  %-20s %+.3f   (too short to settle)\n", "correlation",
                      correlationOnScale(s.correlation));
    out += text;
    out += "\n  analyser      band    level      max   |      band    level      max\n";
    const int half = kBandCount / 2;
    for (int i = 0; i < half; ++i) {
        const auto& a = s.bands[static_cast<std::size_t>(i)];
        const auto& b = s.bands[static_cast<std::size_t>(i + half)];
        std::snprintf(text, sizeof text, "  %16.6g Hz %5.0f dB %5.0f dB   | %6.6g Hz %5.0f dB %5.0f dB\n",
                      kBandCentresHz[static_cast<std::size_t>(i)], a.levelDb, a.maxDb,
                      kBandCentresHz[static_cast<std::size_t>(i + half)], b.levelDb, b.maxDb);
        out += text;
    }
}

const char* modeTitle(MeterMode mode) {
    switch (mode) {
    case MeterMode::truePeak: return "true peak";
    case MeterMode::quasiPeak: return "quasi-peak";
    case MeterMode::peak: break;
    }
    return "sample peak";
}

void channelJson(std::string& out, const ChannelReading& c, MeterMode mode) {
    out += "{\"maxDisplayText\":" + jsonString(c.maxDisplayText);
    out += ",\"maxDisplayDb\":" + jsonNumber(c.maxDisplayDb);
    out += ",\"maxDisplayRed\":" + std::string(c.maxDisplayRed ? "true" : "false");
    out += ",\"samplePeak\":" + jsonNumber(c.samplePeak);
    out += ",\"samplePeakDbfs\":" + jsonNumber(toDecibels(c.samplePeak));
    if (mode == MeterMode::truePeak) {
        out += ",\"truePeak\":" + jsonNumber(c.truePeak);
        out += ",\"truePeakDbfs\":" + jsonNumber(toDecibels(c.truePeak));
    } else {
        out += ",\"truePeak\":null,\"truePeakDbfs\":null";
    }
    out += ",\"over\":{\"litNow\":" + std::string(c.overLit ? "true" : "false");
    out += ",\"everLit\":" + std::string(c.overEverLit ? "true" : "false");
    out += ",\"litSeconds\":" + jsonNumber(c.overLitSeconds);
    out += ",\"litCount\":" + std::to_string(c.overLitCount) + "}";
    out += ",\"averagePosition\":" + jsonNumber(c.averagePosition);
    out += ",\"averageScaleDb\":" + jsonNumber(c.averageScaleDb);
    out += ",\"peakPosition\":" + jsonNumber(c.peakPosition);
    out += ",\"peakScaleDb\":" + jsonNumber(c.peakScaleDb) + "}";
}

void snapshotJson(std::string& out, const PanelSnapshot& s, MeterMode mode) {
    out += "{\"timeSeconds\":" + jsonNumber(s.timeSeconds);
    out += ",\"channels\":{\"left\":";
    channelJson(out, s.channels[0], mode);
    out += ",\"right\":";
    channelJson(out, s.channels[1], mode);
    // The meter's own 0 to 1 figures, then the same on the panel's -1 to +1 scale.
    out += "},\"correlation\":{\"final\":" + jsonNumber(s.correlation);
    if (s.correlationSettled)
        out += ",\"min\":" + jsonNumber(s.correlationMin) + ",\"max\":" + jsonNumber(s.correlationMax);
    else
        out += ",\"min\":null,\"max\":null";
    out += ",\"settled\":" + std::string(s.correlationSettled ? "true" : "false");
    out += ",\"scaleFinal\":" + jsonNumber(correlationOnScale(s.correlation));
    if (s.correlationSettled)
        out += ",\"scaleMin\":" + jsonNumber(correlationOnScale(s.correlationMin)) +
               ",\"scaleMax\":" + jsonNumber(correlationOnScale(s.correlationMax));
    else
        out += ",\"scaleMin\":null,\"scaleMax\":null";
    out += "}";
    out += ",\"bands\":[";
    for (std::size_t i = 0; i < s.bands.size(); ++i) {
        if (i) out += ",";
        out += "{\"centreHz\":" + jsonNumber(kBandCentresHz[i]);
        out += ",\"levelDb\":" + jsonNumber(s.bands[i].levelDb);
        out += ",\"maxDb\":" + jsonNumber(s.bands[i].maxDb) + "}";
    }
    out += "]}";
}

}  // namespace

std::string summaryText(const MeterReport& report) {
    const auto& in = report.input;
    std::string out = "melp-meter: " + (in.file.empty() ? std::string("built-in programme") : in.file) + "\n";
    char text[256];
    std::snprintf(text, sizeof text, "  %s, %.0f Hz, %s, %s (%lld frames)\n", in.format.c_str(),
                  in.sampleRateHz,
                  in.fileChannels == 1   ? "mono"
                  : in.fileChannels == 2 ? "stereo"
                                         : (std::to_string(in.fileChannels) + " channels, metering " +
                                            std::to_string(in.leftChannel) + "," +
                                            std::to_string(in.rightChannel))
                                               .c_str(),
                  duration(static_cast<double>(in.frames) / in.sampleRateHz).c_str(),
                  static_cast<long long>(in.frames));
    out += text;
    std::snprintf(text, sizeof text, "  %s metering, %s scale, correlation %s, blocks of %d frames\n",
                  modeTitle(report.mode), scaleName(report.mode),
                  report.fastCorrelation ? "fast (0.15 s)" : "slow (0.3 s)", report.blockFrames);
    out += text;
    if (in.nonFiniteSamples > 0)
        out += "  " + std::to_string(in.nonFiniteSamples) +
               " samples were not numbers or infinite and were metered as 0\n";
    for (const PanelSnapshot& moment : report.moments) {
        out += "\nat " + duration(moment.timeSeconds) + ":\n";
        snapshotText(out, moment, report.mode);
    }
    out += "\nat the end (" + duration(report.final.timeSeconds) + "):\n";
    snapshotText(out, report.final, report.mode);
    if (!report.pictures.empty()) {
        out += "\npictures:\n";
        for (const std::string& picture : report.pictures) out += "  " + picture + "\n";
    }
    return out;
}

std::string jsonText(const MeterReport& report) {
    const auto& in = report.input;
    std::string out = "{\"schema\":\"melp-meter/1\"";
    out += ",\"plugin\":{\"name\":" + jsonString(report.pluginName) +
           ",\"vendor\":" + jsonString(report.pluginVendor) + "}";
    out += ",\"input\":{\"file\":" + (in.file.empty() ? std::string("null") : jsonString(in.file));
    out += ",\"format\":" + jsonString(in.format);
    out += ",\"sampleRateHz\":" + jsonNumber(in.sampleRateHz);
    out += ",\"fileChannels\":" + std::to_string(in.fileChannels);
    out += ",\"meteredChannels\":[" + std::to_string(in.leftChannel) + "," +
           std::to_string(in.rightChannel) + "]";
    out += ",\"frames\":" + std::to_string(in.frames);
    out += ",\"durationSeconds\":" + jsonNumber(static_cast<double>(in.frames) / in.sampleRateHz);
    out += ",\"nonFiniteSamples\":" + std::to_string(in.nonFiniteSamples) + "}";
    out += ",\"settings\":{\"mode\":" + jsonString(modeName(report.mode));
    out += ",\"scale\":" + jsonString(scaleName(report.mode));
    out += ",\"fastCorrelation\":" + std::string(report.fastCorrelation ? "true" : "false");
    out += ",\"blockFrames\":" + std::to_string(report.blockFrames) + "}";
    out += ",\"final\":";
    snapshotJson(out, report.final, report.mode);
    out += ",\"moments\":[";
    for (std::size_t i = 0; i < report.moments.size(); ++i) {
        if (i) out += ",";
        snapshotJson(out, report.moments[i], report.mode);
    }
    out += "],\"pictures\":[";
    for (std::size_t i = 0; i < report.pictures.size(); ++i) {
        if (i) out += ",";
        out += jsonString(report.pictures[i]);
    }
    out += "]}\n";
    return out;
}

}  // namespace melp::tools

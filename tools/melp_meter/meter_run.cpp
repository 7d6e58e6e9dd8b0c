#include "tools/melp_meter/meter_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "tools/melp_meter/default_programme.h"
#include "tools/melp_meter/peak_analysis.h"

namespace melp::tools {

namespace {

RunResult failed(Status status, std::string message) {
    RunResult r;
    r.status = status;
    r.error = std::move(message);
    return r;
}

// mkdir -p; false with errno set when a part cannot be made.
bool makeFolders(const std::string& path) {
    std::string partial;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        auto slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        start = slash + 1;
        if (partial.empty()) continue;
        struct stat st{};
        if (::stat(partial.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return false;
            }
            continue;
        }
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string momentName(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "-%.3fs", seconds);
    return text;
}

class Metering {
public:
    Metering(const MeterOptions& o, AudioSource& source, PanelHost& panel, MeterReport& report)
        : o_(o), source_(source), panel_(panel), report_(report),
          rate_(source.sampleRateHz()),
          settleFrames_(static_cast<std::int64_t>(rate_ * 5.0 * (o.fastCorrelation ? 0.15 : 0.3))),
          refreshFrames_(static_cast<std::int64_t>(rate_ / 50.0)) {}

    Status run(std::FILE* progress, std::string* error) {
        // The blocks between two panel refreshes go to the plug-in together: one hand-over to
        // the audio thread per refresh rather than per block.
        const std::int64_t blocksPerRefresh =
            std::max<std::int64_t>(1, (refreshFrames_ + o_.blockFrames - 1) / o_.blockFrames);
        capacity_ = static_cast<std::size_t>(blocksPerRefresh * o_.blockFrames);
        for (Chunk& c : chunks_) {
            c.left.assign(capacity_, 0.0f);
            c.right.assign(capacity_, 0.0f);
        }
        const bool truePeak = o_.mode == MeterMode::truePeak;
        const std::int64_t total = source_.totalFrames();
        std::size_t nextMoment = 0;
        int progressShown = -1;
        // Two chunks in turn: while the plug-in meters one, the next is read beside it.
        int current = 0;
        fill(chunks_[0]);
        for (;;) {
            Chunk& chunk = chunks_[current];
            if (chunk.status != Status::ok) {
                *error = chunk.message;
                return chunk.status;
            }
            Chunk& next = chunks_[current ^ 1];
            if (chunk.frames > 0) {
                const float* l = chunk.left.data();
                const float* r = chunk.right.data();
                const std::int32_t n = chunk.frames;
                // These live until finishProcess: they may run on the audio thread.
                const std::function<void()> ownPeaks = [this, l, r, n, truePeak] {
                    peaks_.add(l, r, n, truePeak);
                };
                // After the end a read finds nothing more, and its chunk is never used.
                const std::function<void()> readNext = [this, &next] { fill(next); };
                panel_.startProcess(l, r, n, {&ownPeaks, &readNext});
                panel_.finishProcess();
                frame_ += n;
                if (frame_ - idleFrames_[1] >= refreshFrames_) refresh(false);
            } else if (!chunk.ended) {
                fill(next);
            }
            while (nextMoment < o_.atSeconds.size() && frameOf(o_.atSeconds[nextMoment]) <= frame_) {
                const Status taken = snapshot(o_.atSeconds[nextMoment], momentName(o_.atSeconds[nextMoment]),
                                              &report_.moments.emplace_back(), error);
                if (taken != Status::ok) return taken;
                ++nextMoment;
            }
            if (progress && total > 0) {
                const int percent = static_cast<int>(100 * frame_ / total);
                if (percent != progressShown) {
                    progressShown = percent;
                    drawProgress(progress, percent);
                }
            }
            if (chunk.ended) break;
            current ^= 1;
        }
        if (progress) std::fprintf(progress, "\r%*s\r", 60, "");
        if (frame_ == 0) {
            *error = "no audio frames";
            return Status::emptyFile;
        }
        peaks_.finish(truePeak);
        report_.input.frames = frame_;
        // Moments past the end of a stream of unknown length.
        if (nextMoment < o_.atSeconds.size()) {
            char text[96];
            std::snprintf(text, sizeof text, "--at %g lies beyond the end (%.3f s)", o_.atSeconds[nextMoment],
                          static_cast<double>(frame_) / rate_);
            *error = text;
            return Status::usage;
        }
        report_.input.nonFiniteSamples = nonFinite_;
        return snapshot(static_cast<double>(frame_) / rate_, "", &report_.final, error);
    }

private:
    struct Chunk {
        std::vector<float> left, right;
        std::int32_t frames = 0;
        bool ended = false;  // the source ended while this chunk was read
        Status status = Status::ok;
        std::string message;
    };

    // Reads the next chunk: up to capacity_ frames, ending early at a requested moment or at
    // the end of the source. Non-finite samples become 0 (and are counted).
    void fill(Chunk& c) {
        c.frames = 0;
        c.ended = false;
        // The first moment after where this chunk starts; moments at its start were taken.
        while (readMoment_ < o_.atSeconds.size() && frameOf(o_.atSeconds[readMoment_]) <= readFrame_)
            ++readMoment_;
        while (!c.ended && static_cast<std::size_t>(c.frames) < capacity_) {
            std::int64_t want = std::min<std::int64_t>(o_.blockFrames, static_cast<std::int64_t>(capacity_) - c.frames);
            // Blocks end exactly on a requested moment.
            if (readMoment_ < o_.atSeconds.size())
                want = std::min<std::int64_t>(want, frameOf(o_.atSeconds[readMoment_]) - readFrame_ - c.frames);
            if (want <= 0) break;
            SourceError readError;
            const std::int32_t got = source_.read(c.left.data() + c.frames, c.right.data() + c.frames,
                                                  static_cast<std::int32_t>(want), &readError);
            if (readError.status != Status::ok) {
                c.status = readError.status;
                c.message = readError.message;
                c.ended = true;
                c.frames = 0;
                return;
            }
            if (got == 0) c.ended = true;
            c.frames += got;
        }
        sanitise(c.left.data(), c.frames);
        sanitise(c.right.data(), c.frames);
        readFrame_ += c.frames;
    }

    std::int64_t frameOf(double seconds) const {
        return static_cast<std::int64_t>(std::llround(seconds * rate_));
    }

    void sanitise(float* samples, std::int32_t n) {
        for (std::int32_t i = 0; i < n; ++i) {
            if (!std::isfinite(samples[i])) {
                samples[i] = 0.0f;
                ++nonFinite_;
            }
        }
    }

    // One editor idle and a look at the panels. An idle draws what the idle before it wrote:
    // what is seen now is the state at the previous idle, and a lit lamp stood for the frames
    // between the two idles before this one.
    PanelReading refresh(bool withAnalyser) {
        panel_.idle(withAnalyser);
        const PanelReading r = panel_.read(withAnalyser);
        const std::int64_t shownFrame = idleFrames_[1];
        const std::int64_t shownSpan = idleFrames_[1] - idleFrames_[0];
        idleFrames_[0] = idleFrames_[1];
        idleFrames_[1] = frame_;
        for (int ch = 0; ch < 2; ++ch) {
            Over& over = over_[ch];
            const bool lit = r.channels[static_cast<std::size_t>(ch)].overLit;
            if (lit) {
                over.litFrames += shownSpan;
                if (!over.wasLit) ++over.count;
            }
            over.wasLit = lit;
        }
        if (shownFrame >= settleFrames_) {
            if (!correlationSeen_) {
                correlationMin_ = correlationMax_ = r.correlation;
                correlationSeen_ = true;
            }
            correlationMin_ = std::min(correlationMin_, r.correlation);
            correlationMax_ = std::max(correlationMax_, r.correlation);
        }
        return r;
    }

    Status snapshot(double seconds, const std::string& suffix, PanelSnapshot* s, std::string* error) {
        // Two block-free idles bring every panel, the analyser's too, up to the last frame.
        refresh(true);
        const PanelReading pkvu = refresh(true);
        if (!panel_.togglePeakMode()) return peakModeFailed(error);
        const PanelReading peak = panel_.read(false);
        const bool din = o_.mode == MeterMode::quasiPeak;
        s->timeSeconds = seconds;
        for (int ch = 0; ch < 2; ++ch) {
            const auto i = static_cast<std::size_t>(ch);
            ChannelReading& c = s->channels[i];
            c.maxDisplayText = pkvu.channels[i].maxDisplayText;
            // No number when the display has not been drawn, rather than a made-up 0 dB.
            c.maxDisplayDb = c.maxDisplayText.empty() ? std::nan("")
                                                      : std::strtod(c.maxDisplayText.c_str(), nullptr);
            c.maxDisplayRed = pkvu.channels[i].maxDisplayRed;
            c.samplePeak = peaks_.samplePeak(ch);
            c.truePeak = peaks_.truePeak(ch);
            c.overLit = pkvu.channels[i].overLit;
            c.overEverLit = over_[ch].count > 0;
            c.overLitSeconds = static_cast<double>(over_[ch].litFrames) / rate_;
            c.overLitCount = over_[ch].count;
            const BarPositions bars = decodeBars(pkvu.channels[i].bar, peak.channels[i].bar);
            c.averagePosition = static_cast<double>(bars.averageColumns) / kBarColumns;
            c.peakPosition = static_cast<double>(bars.peakColumns) / kBarColumns;
            c.averageScaleDb = levelScaleDb(c.averagePosition, din);
            c.peakScaleDb = levelScaleDb(c.peakPosition, din);
        }
        s->correlation = pkvu.correlation;
        s->correlationSettled = correlationSeen_;
        s->correlationMin = correlationSeen_ ? correlationMin_ : pkvu.correlation;
        s->correlationMax = correlationSeen_ ? correlationMax_ : pkvu.correlation;
        s->bands = pkvu.bands;

        if (!o_.pngFolder.empty()) {
            // PEAK is on show now; Pk + VU after the button goes back.
            const std::string base = o_.pngFolder + "/";
            if (!picture(kLevelPage, base + "level-peak" + suffix + ".png", error)) return Status::outputFailed;
            if (!panel_.togglePeakMode()) return peakModeFailed(error);
            const bool ok = picture(kLevelPage, base + "level-pkvu" + suffix + ".png", error) &&
                            picture(kAnalyserPage, base + "analyser" + suffix + ".png", error) &&
                            picture(kPhasePage, base + "phase" + suffix + ".png", error);
            return ok ? Status::ok : Status::outputFailed;
        }
        return panel_.togglePeakMode() ? Status::ok : peakModeFailed(error);
    }

    static Status peakModeFailed(std::string* error) {
        *error = "the MELP panel did not answer a click on its peak-mode button";
        return Status::pluginFailed;
    }

    bool picture(int page, const std::string& path, std::string* error) {
        if (!panel_.writePicture(page, path)) {
            *error = path + ": cannot write the picture";
            return false;
        }
        report_.pictures.push_back(path);
        return true;
    }

    static void drawProgress(std::FILE* out, int percent) {
        constexpr int width = 40;
        const int filled = percent * width / 100;
        std::fprintf(out, "\r[%.*s%*s] %3d%%", filled, "########################################",
                     width - filled, "", percent);
        std::fflush(out);
    }

    struct Over {
        std::int64_t litFrames = 0;
        std::int32_t count = 0;
        bool wasLit = false;
    };

    const MeterOptions& o_;
    AudioSource& source_;
    PanelHost& panel_;
    MeterReport& report_;
    double rate_;
    std::int64_t settleFrames_;
    PeakAnalysis peaks_;
    std::int64_t frame_ = 0;      // frames metered
    std::size_t capacity_ = 0;    // frames in a chunk
    Chunk chunks_[2];
    std::int64_t readFrame_ = 0;  // frames read
    std::size_t readMoment_ = 0;  // the first moment not before readFrame_
    // Frames processed at the last two idles, older first.
    std::int64_t idleFrames_[2] = {0, 0};
    // The panels are refreshed after the block that completes 1/50 s of audio since the
    // last refresh (a host's editor refresh rate during playback), so at most once a block.
    std::int64_t refreshFrames_;
    std::int64_t nonFinite_ = 0;
    Over over_[2];
    bool correlationSeen_ = false;
    double correlationMin_ = 0.0;
    double correlationMax_ = 0.0;
};

}  // namespace

RunResult runMeterOn(const MeterOptions& o, AudioSource& source, const std::string& fileName,
                     PanelHost& panel, std::FILE* progress) {
    const std::string name = fileName.empty() ? std::string("built-in programme") : fileName;
    const double rate = source.sampleRateHz();
    const double seconds = static_cast<double>(source.totalFrames()) / rate;
    for (double at : o.atSeconds) {
        if (source.totalFrames() > 0 && at > seconds) {
            char text[160];
            std::snprintf(text, sizeof text, ": --at %g lies beyond the end (%.3f s)", at, seconds);
            return failed(Status::usage, name + text);
        }
    }
    if (!o.pngFolder.empty() && !makeFolders(o.pngFolder))
        return failed(Status::outputFailed,
                      o.pngFolder + ": cannot make the picture folder: " + std::strerror(errno));

    RunResult result;
    MeterReport& report = result.report;
    report.input.file = fileName;
    report.input.format = source.description();
    report.input.sampleRateHz = rate;
    report.input.fileChannels = source.fileChannels();
    report.input.leftChannel = source.fileChannels() == 1 ? 1 : o.leftChannel;
    report.input.rightChannel = source.fileChannels() == 1 ? 1 : o.rightChannel;
    report.mode = o.mode;
    report.fastCorrelation = o.fastCorrelation;
    report.blockFrames = o.blockFrames;

    std::string error;
    if (!panel.start(rate, o.blockFrames, o.mode, o.fastCorrelation, &error)) {
        panel.stop();
        return failed(Status::pluginFailed, name + ": " + error);
    }
    report.pluginName = panel.pluginName();
    report.pluginVendor = panel.pluginVendor();
    Metering metering(o, source, panel, report);
    const Status status = metering.run(seconds >= kProgressMinSeconds ? progress : nullptr, &error);
    panel.stop();
    if (status != Status::ok) {
        // Source errors name the file already.
        const bool named = error.compare(0, name.size(), name) == 0;
        return failed(status, named ? error : name + ": " + error);
    }
    result.output = o.json ? jsonText(report) : summaryText(report);
    return result;
}

RunResult runMeter(const MeterOptions& o, PanelHost& panel, std::FILE* progress) {
    if (o.file.empty()) {
        auto programme = makeDefaultProgramme();
        MeterOptions fixed = o;
        fixed.leftChannel = 1;
        fixed.rightChannel = 2;
        return runMeterOn(fixed, *programme, "", panel, progress);
    }
    // "-" is standard input, for pipelines.
    const std::string path = o.file == "-" ? std::string("/dev/stdin") : o.file;
    OpenedSource opened = openSoundFile(path, o.channelsGiven, o.leftChannel, o.rightChannel);
    if (!opened.source) return failed(opened.error.status, opened.error.message);
    MeterOptions picked = o;
    if (!o.channelsGiven && opened.source->fileChannels() == 2) {
        picked.leftChannel = 1;
        picked.rightChannel = 2;
    }
    return runMeterOn(picked, *opened.source, o.file, panel, progress);
}

}  // namespace melp::tools

// melp-meter as a plug-in host: three instances of the plug-in, each with its editor open on
// a headless host window, one per page (level, analyser, phase), because each page's
// measurements run only while its page is shown. Everything goes through the effect record
// (dispatcher, processReplacing) and the panel: button clicks in, drawn text and pixels out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/melp_meter/options.h"
#include "tools/melp_meter/report.h"

namespace melp::tools {

// One row through a level bar: its 200 columns and the two left of it, where markers at 0
// stand. lit[i] is column i - 2 of the bar.
constexpr int kBarColumns = 200;
struct BarRow {
    std::array<bool, kBarColumns + 2> lit{};
    bool at(int column) const noexcept {
        return column >= -2 && column < kBarColumns && lit[static_cast<std::size_t>(column + 2)];
    }
};

// Where the bar and its peak marker stand, in columns 0..200, from the same bar drawn in
// Pk + VU (bar: average; markers: peak and maximum) and in PEAK (bar: peak; marker:
// maximum). A marker is the two columns left of its position, so one that touches the bar's
// end makes the bar look longer: the Pk + VU row tells such a peak marker apart. Where the
// drawings cannot tell (the average bar running into the markers) the reading is within
// one column for the peak and two for the average.
struct BarPositions {
    int averageColumns = 0;
    int peakColumns = 0;
};
BarPositions decodeBars(const BarRow& pkvu, const BarRow& peak) noexcept;

// What the three panels show at one moment.
struct PanelReading {
    struct Channel {
        std::string maxDisplayText;  // empty until the display has been drawn
        bool maxDisplayRed = false;
        bool overLit = false;
        BarRow bar;  // the level bar, in the peak-mode button's current setting
    };
    std::array<Channel, 2> channels{};
    double correlation = 0.0;  // the phase page's pointer, 0..1
    std::array<BandReading, kBandCount> bands{};
};

class PanelHost {
public:
    virtual ~PanelHost() = default;
    // Creates the instances, sets rate and block size, opens the editors and presses the
    // buttons for the mode. False with a one-line reason when the plug-in fails.
    [[nodiscard]] virtual bool start(double sampleRateHz, std::int32_t blockFrames, MeterMode mode,
                                     bool fastCorrelation, std::string* error) = 0;
    // Feeds frames to every instance, in blocks of the size given to start (the last one
    // shorter). Instances may still be processing on an audio thread when this returns:
    // the samples must stay untouched until finishProcess. Each of `beside` (when not
    // empty) runs once, on that thread or on this one, before finishProcess returns: the
    // caller's own work, shared out with the instances. They must live until then.
    virtual void startProcess(const float* left, const float* right, std::int32_t frames,
                              const std::vector<const std::function<void()>*>& beside) = 0;
    virtual void finishProcess() = 0;
    // effEditIdle on the level and phase panels, and on the analyser's too when asked: its
    // bars are only read at the moments of a reading, while its maxima hold in the plug-in.
    virtual void idle(bool withAnalyser) = 0;
    // The panels as drawn now; the level bars in the peak-mode button's current setting.
    virtual PanelReading read(bool withBands) = 0;
    // Presses the level page's peak-mode button (Pk + VU <-> PEAK) and lets it redraw.
    // False when the panel did not change.
    [[nodiscard]] virtual bool togglePeakMode() = 0;
    // Writes the panels: `level` picture of the level page, then analyser and phase pages.
    [[nodiscard]] virtual bool writePicture(int page, const std::string& path) = 0;
    virtual std::string pluginName() const = 0;
    virtual std::string pluginVendor() const = 0;
    virtual void stop() = 0;
};

constexpr int kLevelPage = 0;
constexpr int kAnalyserPage = 1;
constexpr int kPhasePage = 2;

// The real host of the plug-in linked into this program.
std::unique_ptr<PanelHost> makePluginPanelHost();

}  // namespace melp::tools

// One run of melp-meter: open the source, stream it through the plug-in's panels, read them
// at the requested moments and at the end, and compose the summary or the JSON document.
#pragma once

#include <cstdio>
#include <string>

#include "tools/melp_meter/audio_source.h"
#include "tools/melp_meter/options.h"
#include "tools/melp_meter/panel_host.h"
#include "tools/melp_meter/report.h"

namespace melp::tools {

struct RunResult {
    Status status = Status::ok;
    std::string output;  // the whole summary or JSON document; empty on failure
    std::string error;   // one line naming the file and the cause; empty on success
    MeterReport report;
};

// Files at least this long get a progress bar (when standard error is a terminal).
constexpr double kProgressMinSeconds = 5.0;

// `progress`: where to draw the progress bar, or null for none.
RunResult runMeter(const MeterOptions& options, PanelHost& panel, std::FILE* progress);

// The same with a source already opened (the tests meter generated sources this way).
RunResult runMeterOn(const MeterOptions& options, AudioSource& source, const std::string& fileName,
                     PanelHost& panel, std::FILE* progress);

}  // namespace melp::tools

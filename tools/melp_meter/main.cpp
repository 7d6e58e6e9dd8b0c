// melp-meter: meters an audio file with the MELP plug-in, hosted as a host would host it,
// and prints what the panel shows.
#include <unistd.h>

#include <cstdio>

#include "tools/melp_meter/meter_run.h"
#include "tools/melp_meter/options.h"
#include "tools/melp_meter/panel_host.h"

int main(int argc, char** argv) {
    using namespace melp::tools;
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "melp-meter: %s\n", parsed.error.c_str());
        return static_cast<int>(Status::usage);
    }
    const MeterOptions& o = parsed.options;
    if (o.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::puts("melp-meter 1.0.0");
        return 0;
    }
    auto panel = makePluginPanelHost();
    std::FILE* progress = (!o.quiet && ::isatty(STDERR_FILENO)) ? stderr : nullptr;
    const RunResult result = runMeter(o, *panel, progress);
    if (result.status != Status::ok) {
        std::fprintf(stderr, "melp-meter: %s\n", result.error.c_str());
        return static_cast<int>(result.status);
    }
    if (o.json || !o.quiet) {
        // One write of the finished document: a failure never leaves half of it behind
        // unreported.
        if (std::fwrite(result.output.data(), 1, result.output.size(), stdout) != result.output.size() ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "melp-meter: standard output: cannot write the readings\n");
            return static_cast<int>(Status::outputFailed);
        }
    }
    return 0;
}

#include "tools/melp_meter/panel_host.h"

namespace melp::tools {

BarPositions decodeBars(const BarRow& pkvu, const BarRow& peak) noexcept {
    // The lit run from the bar's left end.
    const auto runEnd = [](const BarRow& row) {
        int end = 0;
        while (end < kBarColumns && row.at(end)) ++end;
        return end;
    };
    BarPositions p;
    const int peakEnd = runEnd(peak);
    p.peakColumns = peakEnd;
    bool separateMarker = false;
    for (int column = peakEnd; column < kBarColumns && !separateMarker; ++column) separateMarker = peak.at(column);
    if (!separateMarker && peakEnd > 0) {
        // The maximum marker ends the PEAK bar, so the peak lies up to two columns lower. In
        // Pk + VU the peak marker joins the maximum marker: their run starts two columns left
        // of the peak, unless the average bar reaches it too; then the middle of the range.
        int start = peakEnd - 1;
        while (start > -2 && pkvu.at(start - 1)) --start;
        const int candidate = start + 2;
        const bool apart = pkvu.at(peakEnd - 1) && start > 0 && !pkvu.at(start - 1);
        p.peakColumns = apart && candidate >= peakEnd - 2 && candidate <= peakEnd ? candidate : peakEnd - 1;
    }
    // An average bar that reaches the peak marker has joined it: the average then lies in the
    // marker's two columns or just right of them.
    const int averageEnd = runEnd(pkvu);
    p.averageColumns = averageEnd >= p.peakColumns && p.peakColumns > 0 ? p.peakColumns - 1 : averageEnd;
    return p;
}

}  // namespace melp::tools

#include "tools/render/turn_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace render {

void TurnStats::Add(double milliseconds, std::int32_t line) { turns_.push_back({milliseconds, line}); }

std::string TurnStats::Summary() const {
    if (turns_.empty()) return "no turns";
    std::vector<double> sorted;
    sorted.reserve(turns_.size());
    for (const Turn& turn : turns_) sorted.push_back(turn.milliseconds);
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
    // The nearest rank: the smallest time that 99 % of the turns do not exceed.
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n)));
    const double p99 = sorted[std::max<std::size_t>(rank, 1) - 1];
    // The first of equally slow turns is the one named.
    const Turn worst = *std::max_element(turns_.begin(), turns_.end(),
                                         [](const Turn& a, const Turn& b) { return a.milliseconds < b.milliseconds; });
    char text[160];
    std::snprintf(text, sizeof text,
                  "%zu turns: median %.3f ms, 99th percentile %.3f ms, worst %.3f ms (script line %d)", n, median, p99,
                  worst.milliseconds, static_cast<int>(worst.line));
    return text;
}

}  // namespace render

#include "player/timelineschedule.h"

#include <algorithm>
#include <cmath>

namespace veltrin {

namespace {

// Never sooner: a position that has not yet crossed must not spin the GUI thread.
constexpr int kMinDelayMs = 3;
// A safety net for positions and rates no arithmetic can use.
constexpr int kMaxDelayMs = 1000;

} // namespace

double secondsToNextChange(double position, double duration)
{
    // Elapsed text: the next whole second.
    const double elapsed = std::floor(position) + 1.0 - position;
    // Slider: the next half. Halves round to even, so at a half the value may
    // change right after it: that half counts as next.
    const double slider = std::ceil(position - 0.5) + 0.5 - position;
    // Remaining text: where duration - position next crosses a whole number.
    const double left = duration - position;
    const double remaining = left - std::floor(left);
    return std::min({ elapsed, slider, remaining });
}

int nextTickDelayMs(double position, double duration, double rate, int misses)
{
    const int floorMs = misses >= 2 ? kTickMs : kMinDelayMs;
    if (!std::isfinite(position) || !std::isfinite(duration) || !std::isfinite(rate)
        || !(rate > 0.0))
        return kTickMs;
    const double seconds = secondsToNextChange(position, duration) / rate;
    // One millisecond past the crossing, so the wake reads the new value.
    const double ms = std::ceil(seconds * 1000.0) + 1.0;
    return static_cast<int>(std::clamp(ms, static_cast<double>(floorMs), double(kMaxDelayMs)));
}

} // namespace veltrin

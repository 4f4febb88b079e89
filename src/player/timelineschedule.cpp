#include "player/timelineschedule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrin {

namespace {

// A change predicted this soon after a tick is looked for at that tick: the
// clock is read in whole milliseconds and the engine's position may be up to
// a millisecond old, so a prediction can be late by that much. Waking early
// costs one more tick; waking late would show the change a tick after the
// fixed timer did.
constexpr double kEarlyMs = 2.0;

} // namespace

double secondsToNextChange(double position, double duration)
{
    // Elapsed text: the next whole second.
    double next = std::floor(position) + 1.0 - position;
    // Slider: the next half. Halves round to even, so at a half the value may
    // change right after it: that half counts as next.
    next = std::min(next, std::ceil(position - 0.5) + 0.5 - position);
    // Remaining text: where duration - position next crosses a whole number.
    // Past the length it reads 00:00:00 and stays; the position itself may
    // still move on when the length was an estimate.
    if (std::isfinite(duration) && position < duration) {
        const double left = duration - position;
        next = std::min(next, left - std::floor(left));
    }
    return next;
}

std::int64_t nextGridTick(std::int64_t now)
{
    // Floor division: the clock of a test may start below zero.
    const std::int64_t q = now / kTickMs - (now % kTickMs < 0 ? 1 : 0);
    return (q + 1) * kTickMs;
}

std::int64_t nextTickAt(std::int64_t now, double position, double duration, double rate)
{
    const std::int64_t soonest = nextGridTick(now);
    if (!std::isfinite(position) || !std::isfinite(rate) || !(rate > 0.0))
        return soonest;
    const double media = secondsToNextChange(position, duration);
    const double at = static_cast<double>(now) + media / rate * 1000.0 - kEarlyMs;
    // A day ahead at most, which keeps the cast in range.
    const double latest = static_cast<double>(now) + 86'400'000.0;
    const auto ticks = static_cast<std::int64_t>(std::ceil(std::min(at, latest) / kTickMs));
    return std::max(soonest, ticks * kTickMs);
}

} // namespace veltrin

#pragma once

#include <cstdint>

namespace veltrin {

// When the timeline next has something to show while a graph plays. The seek
// slider shows the position rounded half to even (it moves at k + 0.5), the
// elapsed text floor(position) and the remaining text floor(duration -
// position); nothing else on the timeline moves by itself.

inline constexpr int kTickMs = 10; // the tick in which the timeline's rules are stated

// Seconds of media from `position` until the first of those values can
// change; 0 when one may change right after `position`.
double secondsToNextChange(double position, double duration);

// The instant (ms on the timeline's clock) of the next tick while playing at
// `rate`: a multiple of kTickMs after `now`, the first one at which the value
// predicted from `position` may have changed. Ticks keep to the grid of the
// fixed 10 ms tick, so each one runs where that tick would have, in the same
// order against the user's actions and one tick apart where the rules say
// so. A duration that is not finite is left out; a position or rate that
// cannot be used polls at the next tick.
std::int64_t nextTickAt(std::int64_t now, double position, double duration, double rate);

// The first tick of the grid strictly after `now`.
std::int64_t nextGridTick(std::int64_t now);

} // namespace veltrin

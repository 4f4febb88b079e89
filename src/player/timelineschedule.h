#pragma once

namespace veltrin {

// When the timeline next has something to show while a graph plays. The seek
// slider shows the position rounded half to even (it moves at k + 0.5), the
// elapsed text floor(position) (whole seconds) and the remaining text
// floor(duration - position); nothing else on the timeline moves by itself.

// Seconds of media from `position` until the first of those values can change.
double secondsToNextChange(double position, double duration);

// Milliseconds to wait before the next tick while playing at `rate`. `misses`
// counts the wakes in a row that found nothing changed (the engine's position
// lagging its clock, or stalled): they retry soon, but never faster than a
// few milliseconds, and after the first retry no faster than the 10 ms tick.
int nextTickDelayMs(double position, double duration, double rate, int misses);

inline constexpr int kTickMs = 10; // the tick in which the timeline's rules are stated

} // namespace veltrin

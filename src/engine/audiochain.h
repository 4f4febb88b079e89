#pragma once

#include "engine/gsthandle.h"

namespace veltrin {

// The audio path handed to playbin: a filter that keeps the pitch at double
// rate and turns one channel down for balance, and the output.
struct AudioChain {
    // Throws Failure when one of its elements cannot be made.
    AudioChain();

    ElementHandle filter; // playbin's audio-filter
    ElementHandle panorama; // inside the filter
    ElementHandle output; // playbin's audio-sink: the device, or a bin around it
    ElementHandle device; // the output itself, which answers position queries
};

} // namespace veltrin

#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace veltrin {

namespace detail {
bool runAndWait(std::function<void()> work, std::chrono::milliseconds bound);
}

// Runs `work` on a thread of its own and waits for its result without
// freezing the window: the event loop runs meanwhile, without user input,
// as it does while a graph opens. For work that may block for seconds on a
// device (a drive spinning up). Nullopt when `bound` passed first; the work
// then goes on and its result is dropped on its own thread. GUI thread only.
template <class T>
std::optional<T> runOffThread(std::function<T()> work, std::chrono::milliseconds bound)
{
    auto result = std::make_shared<std::optional<T>>();
    const bool done
        = detail::runAndWait([result, work = std::move(work)] { result->emplace(work()); }, bound);
    if (!done)
        return std::nullopt;
    return std::move(*result);
}

} // namespace veltrin

#pragma once

#include <stdexcept>
#include <string>

namespace veltrin {

// A step that could not be carried out: an engine call the graph cannot honour,
// a call through an empty reference, a folder that cannot be listed. Never shown
// to the user; call sites decide whether it skips one step or ends the operation.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& what)
        : std::runtime_error(what)
    {
    }
};

// Runs one step whose failure is ignored: the caller goes on with the next step.
// Returns whether the step succeeded.
template <typename F> bool skipOnFailure(F&& step) noexcept
{
    try {
        step();
        return true;
    } catch (const Failure&) {
        return false;
    }
}

// Runs a whole operation that ends quietly at its first failing step.
template <typename F> bool endOnFailure(F&& operation) noexcept
{
    return skipOnFailure(static_cast<F&&>(operation));
}

// Dereferences an interface reference that may be empty; an empty one fails.
template <typename Ref> auto& must(const Ref& ref)
{
    if (!ref)
        throw Failure("empty reference");
    return *ref;
}

} // namespace veltrin

#pragma once

#include <QString>
#include <functional>
#include <utility>

namespace veltrin {

// A small value whose change handler runs synchronously inside the assignment,
// the way the player's hidden text fields and labels drive its logic.
// Writing the unchanged value does not run the handler.
template <typename T> class Observable {
public:
    explicit Observable(T initial = T {})
        : m_value(std::move(initial))
    {
    }

    const T& get() const { return m_value; }
    operator const T&() const { return m_value; }

    Observable& operator=(T value)
    {
        if (value == m_value)
            return *this;
        m_value = std::move(value);
        if (m_onChange)
            m_onChange();
        return *this;
    }

    void onChange(std::function<void()> handler) { m_onChange = std::move(handler); }

private:
    T m_value;
    std::function<void()> m_onChange;
};

using ObservableText = Observable<QString>;

} // namespace veltrin

#pragma once

#include <memory>
#include <string>
#include <vector>

namespace veltrin {

// The shared libraries an ELF object names as needed, in its order. Empty
// when the file cannot be read or is not an ELF object of this machine's
// class and byte order; names that run outside the file are left out.
std::vector<std::string> neededLibraries(const std::string& path);

// The libraries a plugin names as needed that are not yet in the process,
// in the order that links each after most of what it needs: each comes
// with whatever else it needs.
std::vector<std::string> linkOrder(const std::string& pluginPath);

// Links libraries one by one and keeps them linked while it lives.
//
// Each dlopen holds the dynamic loader's lock for as long as it links.
// Linking a plugin's libraries one at a time keeps every hold shorter, so
// Qt's own plugin loads on the GUI thread wait for one of them at most, not
// for all of them.
class LinkedLibraries {
public:
    // Stops early, with what is linked so far kept, once stop() says so.
    template <typename Stop> void link(const std::vector<std::string>& names, Stop stop)
    {
        for (const std::string& name : names) {
            if (stop())
                return;
            linkOne(name);
        }
    }

private:
    void linkOne(const std::string& name);

    struct Close {
        void operator()(void* handle) const;
    };
    std::vector<std::unique_ptr<void, Close>> m_handles;
};

} // namespace veltrin

#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace veltrin {

// Per-user single-instance lock, held for the life of the process. A lock left
// behind by a crashed or killed instance is recognised as stale (its process is
// gone) and taken over.
class InstanceLock {
public:
    // path: the lock file; by default one in the user's runtime folder.
    explicit InstanceLock(const QString& path = defaultPath());
    // True when this process now holds the lock; false when another live
    // instance holds it.
    bool tryAcquire();
    static QString defaultPath();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace veltrin

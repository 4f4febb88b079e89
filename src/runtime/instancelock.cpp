#include "runtime/instancelock.h"

#include <QDir>
#include <QStandardPaths>

namespace veltrin {

InstanceLock::InstanceLock(const QString& path)
    : m_lock(std::make_unique<QLockFile>(path))
{
    // Only a dead owner makes a lock stale; a live one is never stolen however old.
    m_lock->setStaleLockTime(0);
}

bool InstanceLock::tryAcquire()
{
    if (m_lock->tryLock(0))
        return true;
    // tryLock already removed a lock whose process is gone; one more attempt covers
    // the race where the file was still being written.
    if (m_lock->error() == QLockFile::LockFailedError && m_lock->removeStaleLockFile())
        return m_lock->tryLock(0);
    return false;
}

QString InstanceLock::defaultPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/veltrin-player.lock");
}

} // namespace veltrin

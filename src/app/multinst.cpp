#include "app/multinst.h"

#include <QDir>
#include <QStandardPaths>

namespace app {

TSingleInstance::TSingleInstance(const QString& folder)
{
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_path = QDir(dir).filePath(QStringLiteral("fenban-window.lock"));
}

bool TSingleInstance::Acquire()
{
    m_lock = std::make_unique<QLockFile>(m_path);
    if (m_lock->tryLock(0)) {
        m_second = false;
        return true;
    }
    m_second = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    // A folder we cannot write (no lock possible) never keeps the program from starting.
    return !m_second;
}

}  // namespace app

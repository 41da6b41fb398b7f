#pragma once
// The single-instance guard of the window process: a lock file in the
// user's runtime folder, held until the process ends. The command-line
// subcommands never take it, so they run beside an open window.

#include <QLockFile>
#include <QString>

#include <memory>

namespace app {

class TSingleInstance {
public:
    // folder: where the lock lives; empty for the user's runtime folder.
    explicit TSingleInstance(const QString& folder = {});
    // True when this process holds the lock; false when another live
    // process holds it (this one is then a second instance). A lock left
    // by a process that died is taken over.
    bool Acquire();
    bool IsSecondInstance() const { return m_second; }
    QString LockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_second = false;
};

}  // namespace app

#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// Points every manager's files (logs, profiles, calibs, traces) at a fresh temporary directory.
class ScopedAppDir
{
public:
    ScopedAppDir();
    ~ScopedAppDir();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Starts every manager the program starts, in its order, except the logger, whose critical lines
// would raise message boxes. Returns the names of those that failed.
QStringList initManagersButLogger();

} // namespace TestSupport

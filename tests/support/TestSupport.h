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

// Sets the sweep the views and markers read, in Hz, announced as a change from the user would be.
void setSweep(double start, double stop, quint32 points);

} // namespace TestSupport

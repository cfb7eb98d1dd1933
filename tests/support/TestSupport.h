#pragma once

#include <QString>
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

} // namespace TestSupport

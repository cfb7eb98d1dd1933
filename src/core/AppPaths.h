#pragma once

#include <QString>

namespace ZCore {

// Everything the program keeps lives beside its executable. Tests and tools point the managers at
// a directory of their own instead, so that no run depends on files left by another.
class AppPaths
{
public:
    static QString baseDir();
    static void setBaseDir(const QString& dir);
    static void resetBaseDir();

private:
    static QString s_override;
};

} // namespace ZCore

#include "core/AppPaths.h"

#include <QCoreApplication>

namespace ZCore {

QString AppPaths::s_override;

QString AppPaths::baseDir()
{
    if (!s_override.isEmpty())
        return s_override;
    return QCoreApplication::applicationDirPath();
}

void AppPaths::setBaseDir(const QString& dir)
{
    s_override = dir;
}

void AppPaths::resetBaseDir()
{
    s_override.clear();
}

} // namespace ZCore

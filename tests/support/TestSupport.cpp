#include "TestSupport.h"

#include "core/AppPaths.h"
#include "core/StartupSequence.h"

namespace TestSupport {

ScopedAppDir::ScopedAppDir()
{
    ZCore::AppPaths::setBaseDir(m_dir.path());
}

ScopedAppDir::~ScopedAppDir()
{
    ZCore::AppPaths::resetBaseDir();
}

QStringList initManagersButLogger()
{
    return ZCore::StartupSequence::startManagers(ZCore::StartupSequence::ELogger::LEAVE_OUT);
}

} // namespace TestSupport

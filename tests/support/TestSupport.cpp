#include "TestSupport.h"

#include "core/AppPaths.h"
#include "core/StartupSequence.h"
#include "measurement/DataScanManager.h"

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

void setSweep(double start, double stop, quint32 points)
{
    auto& sweep = ZData::DataScanManager::sweep();
    sweep.setStart(start, false);
    sweep.setStop(stop, false);
    sweep.setPoints(points, true);
}

} // namespace TestSupport

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

int soakSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TOLVEK_SOAK_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 60;
}

quint32 soakSeed(quint32 ownSeed)
{
    bool ok = false;
    const int seed = qEnvironmentVariableIntValue("TOLVEK_SOAK_SEED", &ok);
    return ok ? quint32(seed) : ownSeed;
}

void allowSoakLength()
{
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(soakSeconds()) + 60) * 1000));
}

void setSweep(double start, double stop, quint32 points)
{
    auto& sweep = ZData::DataScanManager::sweep();
    sweep.setStart(start, false);
    sweep.setStop(stop, false);
    sweep.setPoints(points, true);
}

} // namespace TestSupport

#include "TestSupport.h"

#include "calibration/CalibrationManager.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/StartupSequence.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"
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
    using ZCore::StartupSequence;
    return StartupSequence::initManagers({
        StartupSequence::step<ZCore::SettingsManager>(),
        StartupSequence::step<ZData::DeviceMessageManager>(),
        StartupSequence::step<ZData::DM::SerialPort>(),
        StartupSequence::step<ZData::DM::CommandQueue>(),
        StartupSequence::step<ZData::ConnectionManager>(),
        StartupSequence::step<ZData::DeviceManager>(),
        StartupSequence::step<ZData::CalibrationManager>(),
        StartupSequence::step<ZData::DataScanManager>(),
        StartupSequence::step<ZCore::LocalizationManager>(),
    });
}

} // namespace TestSupport

#include "TestSupport.h"

#include <QDataStream>

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

ZData::TDeviceReply scanReply(quint16 index, float countField, int pairs,
                              const std::function<std::complex<float>(int)>& value)
{
    ZData::TDeviceReply reply;
    reply.header.command = quint16(ZData::EDeviceCommands::DA_GET_SCAN_DATA);
    reply.header.options = index;
    QDataStream stream(&reply.data, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    stream << countField << 0.0f;
    for (int j = 0; j < pairs; ++j)
        stream << value(j).real() << value(j).imag();
    return reply;
}

} // namespace TestSupport

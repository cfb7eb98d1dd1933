#include "devicelink/PortOpenDiagnosis.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ZData {

PortOpenDiagnosis::EPortFailure PortOpenDiagnosis::classify(const QString& path,
                                                            QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(path))
        return EPortFailure::MISSING;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case EACCES:
        case EPERM:
            return EPortFailure::PERMISSION;
        case EBUSY:
            return EPortFailure::BUSY;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return EPortFailure::MISSING;
        default:
            return EPortFailure::OTHER;
        }
    }
    ::close(fd);
    // The node opens, yet the toolkit refused it: another program holds the port's lock.
    return error == QSerialPort::PermissionError ? EPortFailure::BUSY : EPortFailure::OTHER;
}

QString PortOpenDiagnosis::explain(const QString& path, EPortFailure failure, const QString& details)
{
    switch (failure) {
    case EPortFailure::PERMISSION:
        return qtTrId("lp_port_err_permission").arg(path);
    case EPortFailure::BUSY:
        return qtTrId("lp_port_err_busy").arg(path);
    case EPortFailure::MISSING:
        return qtTrId("lp_port_err_missing").arg(path);
    case EPortFailure::OTHER:
        break;
    }
    return qtTrId("lp_port_err_other").arg(path, details);
}

QString PortOpenDiagnosis::explain(const QString& path, QSerialPort::SerialPortError error,
                                   const QString& details)
{
    return explain(path, classify(path, error), details);
}

QString PortOpenDiagnosis::noAnalyserListed()
{
    return qtTrId("lp_devcon_no_analyser");
}

} // namespace ZData

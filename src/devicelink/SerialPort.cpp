#include "devicelink/SerialPort.h"

#include <QMetaEnum>

#include <poll.h>

#include "core/Logger.h"
#include "core/TaggedLog.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/PortEnumerator.h"
#include "devicelink/PortLock.h"

namespace ZData {
namespace DM {

namespace {
const ZCore::TaggedLog kLog(SerialPort::tag());

// The port is set up to return at once from a read with nothing to read, and the toolkit takes such
// an empty read for a read error. An empty read also follows a stale readiness report: an event loop
// started inside an event handler (a modal box, say) reads the port, and when it ends the outer loop
// delivers the readiness it had polled before, for bytes that are gone. The line is really broken
// only when the system reports a hang-up or an error on it.
bool isLineBroken(const QSerialPort& port)
{
    pollfd line{int(port.handle()), POLLIN, 0};
    if (line.fd < 0)
        return true;
    const int ready = ::poll(&line, 1, 0);
    return ready < 0 || (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
} // namespace

SerialPort::SerialPort() = default;

bool SerialPort::init()
{
    kLog.debug(QStringLiteral(">> ZData::DM::SerialPort::init.."));
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");
    auto& self = instance();
    QObject::connect(&self.m_port, &QSerialPort::readyRead, &self, &SerialPort::slotReadData,
                     Qt::UniqueConnection);
    QObject::connect(&self.m_port, &QSerialPort::errorOccurred, &self, &SerialPort::slotErrorOccurred,
                     Qt::UniqueConnection);
    return true;
}

QList<QSerialPortInfo> SerialPort::availablePorts()
{
    if (s_portLister)
        return s_portLister();
    return QSerialPortInfo::availablePorts();
}

bool SerialPort::isDeviceGoneError(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::DeviceNotFoundError || error == QSerialPort::PermissionError ||
           error == QSerialPort::ResourceError || error == QSerialPort::UnknownError;
}

bool SerialPort::open(bool applyConfig)
{
    close(true);
    auto& self = instance();
    emit self.signalOpening();
    QSerialPort& port = self.m_port;
    if (applyConfig) {
        kLog.info(QStringLiteral(">> updated config: ") +
                  QStringLiteral("\nPort name: %1\nBaud rate: %2\nData bits: %3\nParity:    "
                                 "%4\nStop bits: %5\nFlow:      %6\n")
                      .arg(s_config.portName)
                      .arg(s_config.baudRate)
                      .arg(int(s_config.dataBits))
                      .arg(int(s_config.parity))
                      .arg(int(s_config.stopBits))
                      .arg(int(s_config.flowControl)));
        port.setPortName(s_config.portName);
        port.setBaudRate(s_config.baudRate, QSerialPort::AllDirections);
        port.setDataBits(s_config.dataBits);
        port.setParity(s_config.parity);
        port.setStopBits(s_config.stopBits);
        port.setFlowControl(s_config.flowControl);
    }
    PortLock::clearStale(port.portName());
    if (!port.open(QIODevice::ReadWrite))
        return false;
    kLog.info(QStringLiteral(">> opened"));
    port.clear(QSerialPort::Input);
    // Bytes that were already buffered by the port object are dropped as well.
    if (port.bytesAvailable() > 0)
        port.readAll();
    DeviceMessageManager::resetFrameCounter();
    ZCore::Logger::printBanner();
    emit self.signalOpened();
    return true;
}

void SerialPort::close(bool announce)
{
    auto& self = instance();
    if (announce)
        emit self.signalClosing();
    if (!self.m_port.isOpen())
        return;
    self.m_port.close();
    kLog.info(QStringLiteral(">> closed"));
    emit self.signalClosed();
}

void SerialPort::slotReadData()
{
    auto* port = qobject_cast<QSerialPort*>(sender());
    if (!port)
        return;
    const QByteArray bytes = port->readAll();
    if (!bytes.isEmpty())
        DeviceMessageManager::receive(bytes);
}

void SerialPort::slotErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    if (error == QSerialPort::ReadError && m_port.isOpen() && !isLineBroken(m_port)) {
        kLog.info(QStringLiteral(">> read notification without data ignored"));
        m_port.clearError();
        return;
    }
    // A line that hangs up (a pulled USB cable) often surfaces as a plain read error; the port
    // file having vanished is what tells it apart from a transient fault.
    const bool vanished = (error == QSerialPort::ReadError || error == QSerialPort::WriteError) &&
                          !m_port.portName().isEmpty() && !PortEnumerator::isPresent(m_port.portName());
    close(true);
    const QSerialPort& port = m_port;
    const char* name = QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(int(port.error()));
    kLog.warn(QStringLiteral(">> error: ") +
              (name ? QString::fromLatin1(name) : QString::number(int(port.error()))) +
              QStringLiteral("\nDetails: ") + port.errorString());
    if (vanished || isDeviceGoneError(error))
        emit signalLost();
}

} // namespace DM
} // namespace ZData

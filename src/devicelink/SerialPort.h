#pragma once

#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <functional>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"

namespace ZData {

struct TSerialPortConfig
{
    QString portName;
    qint32 baudRate = 115200;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::HardwareControl;
};

namespace DM {

// Owns the program's one serial port: configuration, open/close with their announcements, and the
// translation of port errors into a closed port and, when the device is gone, signalLost.
class SerialPort : public QObject, public ZCore::TSingleton<SerialPort>, public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<SerialPort>;

public:
    using PortLister = std::function<QList<QSerialPortInfo>()>;

    static bool init();
    static QString tag() { return QStringLiteral("SerialPort"); }

    static void setConfig(const TSerialPortConfig& config) { s_config = config; }
    static const TSerialPortConfig& config() { return s_config; }

    static bool open(bool applyConfig);
    static void close(bool announce);
    static QSerialPort& port() { return instance().m_port; }
    static bool isOpen() { return instance().m_port.isOpen(); }

    // The ports offered to the user. By default the system's list; another source (for example
    // the ports announced by an emulator) can be plugged in, and an empty function restores the default.
    static void setPortLister(PortLister lister) { s_portLister = std::move(lister); }
    static QList<QSerialPortInfo> availablePorts();

    static bool isDeviceGoneError(QSerialPort::SerialPortError error);

signals:
    void signalOpening();
    void signalOpened();
    void signalClosing();
    void signalClosed();
    void signalLost();

public slots:
    void slotReadData();
    void slotErrorOccurred(QSerialPort::SerialPortError error);

private:
    SerialPort();

    QSerialPort m_port;

    static inline TSerialPortConfig s_config;
    static inline PortLister s_portLister;
};

} // namespace DM
} // namespace ZData

Q_DECLARE_METATYPE(QSerialPort::SerialPortError)

#pragma once

#include <QSerialPort>
#include <QString>

namespace ZData {

// Why a serial port would not open, in the words a user can act on. On Linux the first real
// analyser usually fails because the user is not in the group that owns the device, or because
// the modem manager holds the freshly plugged port for a few seconds.
class PortOpenDiagnosis
{
public:
    enum class EPortFailure
    {
        PERMISSION, // the user may not open the device
        BUSY,       // another program (or the modem manager) has it
        MISSING,    // the device node is gone
        OTHER,
    };

    // Probes the device node itself, since the toolkit reports a held lock, a refused open and
    // an exclusive port alike as a permission error.
    static EPortFailure classify(const QString& path, QSerialPort::SerialPortError error);
    // One translated paragraph naming the port, the cause and what to do.
    static QString explain(const QString& path, EPortFailure failure, const QString& details = QString());
    static QString explain(const QString& path, QSerialPort::SerialPortError error, const QString& details);
    // What to do when the port list is empty.
    static QString noAnalyserListed();
};

} // namespace ZData

#pragma once

#include <QList>
#include <QString>

namespace ZData {

// One serial port as the port dialog shows it.
struct TPortListing
{
    QString portName; // what the serial port opens: a device name or an absolute path
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString systemLocation;
    bool announced = false; // true for a port a running process announced rather than the system
};

// Lists the serial ports the system knows plus the virtual analysers running on this machine. A
// virtual analyser has no USB descriptor, so it announces itself with a small file in the user's
// runtime directory. Only the user's own files there are read, only for terminal devices; an
// announcement of a process that has ended, or whose port is gone, is skipped.
class PortEnumerator
{
public:
    static QList<TPortListing> availablePorts();
    static QList<TPortListing> announcedPorts();

    // $XDG_RUNTIME_DIR when it is a directory of the user's that nobody else can enter, else
    // <temporary directory>/runtime-<user>, created 0700 when missing; empty when neither is safe.
    static QString announceDir();
    // Whether the port a name or path refers to is still there. A hung-up terminal reads like a
    // failed read rather than a vanished device; this tells the two apart.
    static bool isPresent(const QString& portName);
    // Announces a port for the calling process; returns the announcement file or an empty string.
    static QString announce(const TPortListing& port);
    static bool withdraw(const QString& announceFile);

    // The checks an announcement passes before it is offered.
    static bool isPrivateDir(const QString& path);
    static bool isOwnAnnouncement(const QString& path);
    static bool isTerminalDevice(const QString& path);

    static QString tag() { return QStringLiteral("PortEnumerator"); }
};

} // namespace ZData

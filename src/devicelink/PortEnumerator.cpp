#include "devicelink/PortEnumerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <sys/types.h>
#endif

namespace ZData {

namespace {

const char* const ANNOUNCE_PREFIX = "tolvekvna-port-";
const char* const ANNOUNCE_SUFFIX = ".json";

bool isProcessAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_UNIX
    if (::kill(pid_t(pid), 0) == 0)
        return true;
    return errno == EPERM; // alive, but someone else's
#else
    return true;
#endif
}

} // namespace

QString PortEnumerator::announceDir()
{
    const QString xdg = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!xdg.isEmpty() && QFileInfo(xdg).isDir())
        return xdg;
    // the toolkit's own runtime fallback warns on every call without the variable; the temporary
    // directory serves the same purpose here
    return QDir::tempPath();
}

bool PortEnumerator::isPresent(const QString& portName)
{
    if (portName.isEmpty())
        return false;
    if (QDir::isAbsolutePath(portName))
        return QFileInfo::exists(portName);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName() == portName)
            return true;
#ifdef Q_OS_UNIX
    return QFileInfo::exists(QStringLiteral("/dev/") + portName);
#else
    return false;
#endif
}

QString PortEnumerator::announce(const TPortListing& port)
{
    const QString path = QDir(announceDir())
                             .filePath(QString::fromLatin1(ANNOUNCE_PREFIX) +
                                       QString::number(QCoreApplication::applicationPid()) +
                                       QString::fromLatin1(ANNOUNCE_SUFFIX));
    QJsonObject o;
    o.insert(QStringLiteral("pid"), QCoreApplication::applicationPid());
    o.insert(QStringLiteral("path"), port.portName);
    o.insert(QStringLiteral("description"), port.description);
    o.insert(QStringLiteral("manufacturer"), port.manufacturer);
    o.insert(QStringLiteral("serial_number"), port.serialNumber);
    o.insert(QStringLiteral("system_location"), port.systemLocation);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QJsonDocument(o).toJson(QJsonDocument::Compact));
    if (!file.commit())
        return QString();
    return path;
}

bool PortEnumerator::withdraw(const QString& announceFile)
{
    return announceFile.isEmpty() || QFile::remove(announceFile) || !QFile::exists(announceFile);
}

QList<TPortListing> PortEnumerator::announcedPorts()
{
    QList<TPortListing> out;
    // An emulator started from a shell without a runtime directory announces itself in the temporary
    // directory, so both places are read.
    QStringList dirs{announceDir()};
    if (!dirs.contains(QDir::tempPath()))
        dirs << QDir::tempPath();
    for (const QString& dirPath : dirs) {
        const QDir dir(dirPath);
        const QStringList files = dir.entryList(
            {QString::fromLatin1(ANNOUNCE_PREFIX) + QLatin1Char('*') + QString::fromLatin1(ANNOUNCE_SUFFIX)},
            QDir::Files, QDir::Name);
        for (const QString& name : files) {
            QFile file(dir.filePath(name));
            if (file.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
                continue;
            const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
            if (!doc.isObject())
                continue;
            const QJsonObject o = doc.object();
            const qint64 pid = qint64(o.value(QStringLiteral("pid")).toDouble(-1));
            TPortListing port;
            port.portName = o.value(QStringLiteral("path")).toString();
            // a stale announcement outlives a killed process; a withdrawn port leaves a dangling link
            if (port.portName.isEmpty() || !isProcessAlive(pid) || !QFileInfo::exists(port.portName))
                continue;
            port.description = o.value(QStringLiteral("description")).toString();
            port.manufacturer = o.value(QStringLiteral("manufacturer")).toString();
            port.serialNumber = o.value(QStringLiteral("serial_number")).toString();
            port.systemLocation = o.value(QStringLiteral("system_location")).toString();
            if (port.systemLocation.isEmpty())
                port.systemLocation = port.portName;
            port.announced = true;
            out.append(port);
        }
    }
    return out;
}

QList<TPortListing> PortEnumerator::availablePorts()
{
    QList<TPortListing> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        TPortListing port;
        port.portName = info.portName();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        port.systemLocation = info.systemLocation();
        out.append(port);
    }
    for (const TPortListing& port : announcedPorts()) {
        bool duplicate = false;
        for (const TPortListing& known : out)
            duplicate = duplicate || known.portName == port.portName || known.systemLocation == port.portName;
        if (!duplicate)
            out.append(port);
    }
    return out;
}

} // namespace ZData

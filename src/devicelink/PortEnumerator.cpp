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
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
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
#ifdef Q_OS_UNIX
    const QString xdg = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg) && isPrivateDir(xdg))
        return xdg;
    // Without a usable runtime directory the user gets one of their own below the temporary
    // directory, the way the toolkit does it, but quietly: it warns on every call.
    const passwd* pw = ::getpwuid(::getuid());
    const QString user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::getuid());
    const QString fallback = QDir(QDir::tempPath()).filePath(QStringLiteral("runtime-") + user);
    const QByteArray native = QFile::encodeName(fallback);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    // a link or a directory someone else made under that name is never used; an own directory that
    // is too open is closed
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return QString();
    if ((st.st_mode & 0077) != 0)
        ::chmod(native.constData(), 0700);
    return isPrivateDir(fallback) ? fallback : QString();
#else
    return QString();
#endif
}

bool PortEnumerator::isPrivateDir(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0077) == 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool PortEnumerator::isOwnAnnouncement(const QString& path)
{
#ifdef Q_OS_UNIX
    // lstat: a link planted in the directory must not lend another file the user's name
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISREG(st.st_mode) && st.st_uid == ::getuid();
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool PortEnumerator::isTerminalDevice(const QString& path)
{
#ifdef Q_OS_UNIX
    // stat follows the emulator's link to its pseudo-terminal; a regular file, directory or pipe
    // is never a port, whatever an announcement says
    struct stat st;
    if (!QDir::isAbsolutePath(path) || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISCHR(st.st_mode);
#else
    Q_UNUSED(path);
    return false;
#endif
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
    const QString dirPath = announceDir();
    if (dirPath.isEmpty())
        return QString();
    const QString path = QDir(dirPath).filePath(QString::fromLatin1(ANNOUNCE_PREFIX) +
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
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
    // Only the user's own private directory: a world-writable one would let any local user offer a
    // path of their choosing as an analyser.
    const QString dirPath = announceDir();
    if (dirPath.isEmpty())
        return out;
    const QDir dir(dirPath);
    const QStringList files = dir.entryList(
        {QString::fromLatin1(ANNOUNCE_PREFIX) + QLatin1Char('*') + QString::fromLatin1(ANNOUNCE_SUFFIX)},
        QDir::Files | QDir::System, QDir::Name);
    for (const QString& name : files) {
        const QString filePath = dir.filePath(name);
        if (!isOwnAnnouncement(filePath))
            continue;
        QFile file(filePath);
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
        if (port.portName.isEmpty() || !isProcessAlive(pid) || !isTerminalDevice(port.portName))
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

#include "devicelink/PortLock.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

#include "core/TaggedLog.h"

namespace ZData {
namespace DM {

namespace {

const ZCore::TaggedLog kLog(PortLock::tag());

// The directories the toolkit looks in, in its order.
const QStringList& lockDirectories()
{
    static const QStringList dirs{
        QStringLiteral("/var/lock"),         QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
        QStringLiteral("/var/spool/uucp"),   QStringLiteral("/tmp"),       QStringLiteral("/var/tmp"),
        QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
    };
    return dirs;
}

} // namespace

QStringList PortLock::candidatePaths(const QString& portName)
{
    if (portName.isEmpty())
        return {};
    // The toolkit names the lock after the port's location, without "/dev/" and with every "/"
    // turned into "_".
    QString location = portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
    if (location.startsWith(QLatin1String("/dev/")))
        location = location.mid(5);
    const QString fileName = QStringLiteral("/LCK..") + location.replace(QLatin1Char('/'), QLatin1Char('_'));
    QStringList paths;
    for (const QString& dir : lockDirectories())
        paths << dir + fileName;
    return paths;
}

QString PortLock::path(const QString& portName)
{
    for (const QString& candidate : candidatePaths(portName)) {
        const QFileInfo dir(QFileInfo(candidate).path());
        if (dir.isReadable() && (QFileInfo::exists(candidate) || dir.isWritable()))
            return candidate;
    }
    return QString();
}

bool PortLock::isStale(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    bool numeric = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&numeric);
    if (!numeric || pid <= 0) {
        const qint64 age = QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime());
        return qAbs(age) > FRESH_MS;
    }
    const QString host = QString::fromUtf8(lines.value(2).trimmed());
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return false; // a process on another machine cannot be asked
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

bool PortLock::clearStale(const QString& portName)
{
    bool cleared = true;
    for (const QString& path : candidatePaths(portName)) {
        if (!QFileInfo::exists(path) || !isStale(path))
            continue;
        if (QFile::remove(path)) {
            kLog.info(QStringLiteral(">> removed the stale lock ") + path);
        } else {
            kLog.warn(QStringLiteral(">> cannot remove the stale lock ") + path);
            cleared = false;
        }
    }
    return cleared;
}

} // namespace DM
} // namespace ZData

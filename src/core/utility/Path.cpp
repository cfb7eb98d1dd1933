#include "core/utility/Path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtDebug>

#include <cerrno>
#include <sys/stat.h>

namespace ZCore {
namespace UtilityModules {

namespace {
const char* const util_failed_to_create = "lp_util_failed_to_create";
}

bool Path::dirExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool Path::fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool Path::createDir(const QString& path, const QString& label)
{
    if (dirExists(path))
        return true;
    if (!path.isEmpty() && QDir().mkpath(path)) {
        qInfo().noquote().nospace() << tag() << " >> "
                                    << QString("created dir [ %1 ] at: %2").arg(label, path);
        return true;
    }
    QString text = qtTrId(util_failed_to_create);
    if (!text.contains(QLatin1String("%2"))) // no catalogue loaded: keep the label and path readable
        text = QStringLiteral("failed to create dir [ %1 ] at: %2");
    qCritical().noquote().nospace() << tag() << " >> " << text.arg(label, path);
    return false;
}

bool Path::writeFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A full disk or a file-size limit can cut a buffered write short without an error being
    // reported, so the size actually on disk is checked before the old file is replaced.
    if (file.write(content) != content.size() || !file.flush() || file.error() != QFileDevice::NoError ||
        file.size() != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool Path::copyFileAtomically(const QString& source, const QString& target)
{
    if (!fileExists(source))
        return false;
    if (normalized(source) == normalized(target))
        return true;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    in.close();
    return writeFileAtomically(target, content);
}

bool Path::isPlainWriteTarget(const QString& path, QString* reason)
{
    struct stat info = {};
    QString why;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno != ENOENT)
            why = QStringLiteral("cannot be examined");
    } else if (S_ISLNK(info.st_mode)) {
        why = QStringLiteral("is a symbolic link");
    } else if (!S_ISREG(info.st_mode)) {
        why = QStringLiteral("is not a regular file");
    }
    if (reason)
        *reason = why;
    return why.isEmpty();
}

QString Path::normalized(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace UtilityModules
} // namespace ZCore

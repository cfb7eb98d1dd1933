#include "core/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace ZCore {

QString AppPaths::s_override;

namespace {

QString executableDir()
{
    return QCoreApplication::applicationDirPath();
}

bool isWritableDir(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK) == 0;
}

} // namespace

AppPaths::ESource AppPaths::source()
{
    if (!s_override.isEmpty())
        return ESource::OVERRIDE;
    if (!qEnvironmentVariableIsEmpty(ENV_DATA_DIR))
        return ESource::ENVIRONMENT;
    const QString exeDir = executableDir();
    if (!exeDir.isEmpty() && !isInstalledLayout(exeDir) && isWritableDir(exeDir))
        return ESource::EXECUTABLE;
    return ESource::USER;
}

QString AppPaths::baseDir()
{
    switch (source()) {
    case ESource::OVERRIDE:
        return s_override;
    case ESource::ENVIRONMENT:
        return QDir::cleanPath(QDir(qEnvironmentVariable(ENV_DATA_DIR)).absolutePath());
    case ESource::EXECUTABLE:
        return executableDir();
    case ESource::USER:
        break;
    }
    return userDataDir();
}

QString AppPaths::describe()
{
    QString why;
    switch (source()) {
    case ESource::OVERRIDE:
        why = QStringLiteral("chosen on the command line");
        break;
    case ESource::ENVIRONMENT:
        why = QStringLiteral("chosen by %1").arg(QLatin1String(ENV_DATA_DIR));
        break;
    case ESource::EXECUTABLE:
        why = QStringLiteral("beside the executable");
        break;
    case ESource::USER:
        why = QStringLiteral("the user's data folder");
        break;
    }
    return QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(baseDir()), why);
}

void AppPaths::setBaseDir(const QString& dir)
{
    s_override = dir.isEmpty() ? QString() : QDir::cleanPath(QDir(dir).absolutePath());
}

void AppPaths::resetBaseDir()
{
    s_override.clear();
}

bool AppPaths::ensureBaseDir(QString* reason)
{
    const QString dir = baseDir();
    const QFileInfo info(dir);
    QString why;
    if (info.exists() && !info.isDir())
        why = QStringLiteral("a file of that name is in the way");
    else if (!info.exists() && !QDir().mkpath(dir))
        why = QStringLiteral("it cannot be created (read-only or full file system, or no permission)");
    else if (!isWritableDir(dir))
        why = QStringLiteral("it is not writable");
    if (reason)
        *reason = why;
    return why.isEmpty();
}

QString AppPaths::userDataDir()
{
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    return home + QLatin1Char('/') + QLatin1String(USER_DIR_NAME);
}

bool AppPaths::isInstalledLayout(const QString& executableDir)
{
    const QDir dir(executableDir);
    return dir.dirName() == QLatin1String("bin") &&
           QFileInfo::exists(dir.absoluteFilePath(QStringLiteral("../share/applications/tolvekvna.desktop")));
}

} // namespace ZCore

#include "core/Logger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLoggingCategory>
#include <QMutex>
#include <QTextStream>
#include <QThread>
#include <QtDebug>

#include "core/AppPaths.h"
#include "core/AppVersion.h"
#include "core/NoticeBoard.h"
#include "core/utility/Path.h"

namespace ZCore {

namespace {
QMutex& writeMutex()
{
    static QMutex mutex;
    return mutex;
}
} // namespace

bool Logger::isDebugWritten()
{
    // Our handler drops debug lines at once; without it they reach Qt's output unless filtered.
    return !s_installed && QLoggingCategory::defaultCategory()->isDebugEnabled();
}

bool Logger::init()
{
    s_timer.start();
    if (s_installed)
        shutdown();
    s_dirPath = QString("%1/%2").arg(AppPaths::baseDir(), DIR_NAME);
    s_filePath =
        QString("%1/%2.%3")
            .arg(s_dirPath, QDateTime::currentDateTime().toString(FILE_TIME_PATTERN), FILE_EXTENSION);
    if (!initDirs())
        return false;
    if (!initFiles())
        return false;

    s_previousHandler = qInstallMessageHandler(&Logger::messageHandler);
    s_installed = true;
    qInfo().noquote().nospace() << tag() << " >> "
                                << QString("initializing Application ver. %1..").arg(AppVersion::text());
    return true;
}

bool Logger::initDirs()
{
    if (UtilityModules::Path::createDir(s_dirPath, "LOG_DIR"))
        return true;
    qCritical().noquote().nospace() << tag() << " >>" << qtTrId("lp_err_logger_cant_create_dirs")
                                    << s_dirPath;
    return false;
}

bool Logger::initFiles()
{
    if (s_file.isOpen())
        s_file.close();
    s_file.setFileName(s_filePath);
    // Names have one-second resolution: a second run started within the same second appends to the
    // first run's file instead of erasing it.
    if (!s_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qCritical().noquote().nospace()
            << tag() << " >> " << qtTrId("lp_err_logger_cant_create_file") << s_filePath;
        return false;
    }
    qInfo().noquote().nospace() << tag() << " >> created [ LOG_FILE ] at: " << s_filePath;
    return true;
}

void Logger::printBanner()
{
    const QString row(52, '=');
    qInfo().noquote().nospace() << " " << row;
    qInfo().noquote().nospace() << " " << QString(15, ' ') << "Started new session";
    qInfo().noquote().nospace() << " " << row;
}

void Logger::setPresenter(TPresenter presenter)
{
    s_presenter = std::move(presenter);
}

void Logger::shutdown()
{
    if (s_installed) {
        qInstallMessageHandler(s_previousHandler);
        s_previousHandler = nullptr;
        s_installed = false;
    }
    QMutexLocker lock(&writeMutex());
    if (s_file.isOpen())
        s_file.close();
}

QString Logger::levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("  DEBUG  ");
    case QtWarningMsg:
        return QStringLiteral(" WARNING ");
    case QtCriticalMsg:
        return QStringLiteral(" CRITICAL");
    case QtFatalMsg:
        return QStringLiteral("  FATAL  ");
    case QtInfoMsg:
        return QStringLiteral("  INFO   ");
    }
    return QStringLiteral("  INFO   ");
}

QString Logger::levelPart(QtMsgType type, const QString& message)
{
    return QString("[ %1 ]: %2").arg(levelName(type), message);
}

QString Logger::timePart(double seconds)
{
    return QString("[ %1 ]").arg(QString::number(seconds, 'f', 3), TIME_COLUMN_WIDTH, QLatin1Char(' '));
}

QString Logger::fileLine(double seconds, QtMsgType type, const QString& message)
{
    return timePart(seconds) + levelPart(type, message) + QLatin1Char('\n');
}

void Logger::messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg)
        return;

    const QString line = levelPart(type, message);
    if (s_previousHandler)
        s_previousHandler(type, context, line);

    {
        QMutexLocker lock(&writeMutex());
        if (s_file.isOpen()) {
            const double seconds = double(s_timer.elapsed()) / 1000.0;
            QTextStream stream(&s_file);
            stream.setCodec("UTF-8");
            stream.setGenerateByteOrderMark(false);
            stream << timePart(seconds) << line << '\n';
            stream.flush();
            s_file.flush();
        }
    }

    if (type == QtCriticalMsg && s_capture) {
        s_capture->m_messages.append(message);
        return;
    }
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        const QString title =
            type == QtFatalMsg ? QStringLiteral("Fatal error") : QStringLiteral("Critical error");
        if (s_presenter)
            s_presenter(type, title, message);
        else
            defaultPresenter(type, title, message);
    }
}

void Logger::defaultPresenter(QtMsgType type, const QString& title, const QString& text)
{
    // Without an application there is no event loop to show anything; the log line is all there is.
    if (!QCoreApplication::instance())
        return;
    NoticeBoard::post(type, title, text);
}

Logger::CriticalCapture::CriticalCapture() : m_outer(s_capture)
{
    s_capture = this;
}

Logger::CriticalCapture::~CriticalCapture()
{
    s_capture = m_outer;
}

} // namespace ZCore

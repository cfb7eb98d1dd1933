#include "EmulatorProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <algorithm>

namespace TestSupport {

EmulatorProcess::EmulatorProcess()
{
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

bool EmulatorProcess::start(const QStringList& args, int timeoutMs)
{
    if (!m_dir.isValid() || isRunning())
        return false;
    m_buffer.clear();
    const QString link = QDir(m_dir.path()).filePath(QStringLiteral("ttyVNA"));
    QStringList all{QStringLiteral("--link"), link, QStringLiteral("--quit-on-eof")};
    if (!args.contains(QStringLiteral("--delay-us")))
        all << QStringLiteral("--delay-us") << QStringLiteral("0");
    const QString runtimeDir = announceDir();
    if (!QDir().mkpath(runtimeDir) ||
        !QFile::setPermissions(runtimeDir,
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    m_process.setProcessEnvironment(env);
    m_process.start(QStringLiteral(TOLVEK_EMULATOR_PATH), all + args);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    m_portPath = waitForLine({link}, timeoutMs);
    if (m_portPath.isEmpty())
        stop();
    return !m_portPath.isEmpty();
}

QString EmulatorProcess::announceDir() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("runtime"));
}

void EmulatorProcess::offerToThisProcess() const
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(announceDir()));
}

QString EmulatorProcess::control(const QString& command, int timeoutMs)
{
    m_process.write(command.toUtf8() + '\n');
    m_process.waitForBytesWritten(timeoutMs);
    return waitForLine({QStringLiteral("ok "), QStringLiteral("error "), QStringLiteral("status ")},
                       timeoutMs);
}

QString EmulatorProcess::waitForLine(const QStringList& prefixes, int timeoutMs)
{
    auto matches = [&](const QString& line) {
        return std::any_of(prefixes.begin(), prefixes.end(),
                           [&](const QString& p) { return line.startsWith(p); });
    };
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const int nl = m_buffer.indexOf('\n');
        if (nl >= 0) {
            const QString line = QString::fromLocal8Bit(m_buffer.left(nl));
            m_buffer.remove(0, nl + 1);
            if (matches(line))
                return line;
        } else if (deadline.hasExpired() || !isRunning()) {
            return QString();
        } else if (m_process.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), 100)))) {
            m_buffer.append(m_process.readAllStandardOutput());
        }
    }
}

void EmulatorProcess::stop()
{
    if (!isRunning())
        return;
    m_process.write("quit\n");
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

} // namespace TestSupport

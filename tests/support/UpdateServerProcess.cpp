#include "UpdateServerProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace TestSupport {

UpdateServerProcess::UpdateServerProcess()
{
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

bool UpdateServerProcess::addImage(const QString& version, const QByteArray& bytes)
{
    QFile file(QDir(m_dir.path()).filePath(version + QStringLiteral(".bin")));
    return m_dir.isValid() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool UpdateServerProcess::start(const QStringList& args, int timeoutMs)
{
    if (!m_dir.isValid() || isRunning())
        return false;
    m_buffer.clear();
    m_lines.clear();
    m_baseUrl.clear();
    m_process.start(QStringLiteral(TOLVEK_UPDATE_SERVER_PATH),
                    QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--images"),
                                m_dir.path(), QStringLiteral("--quit-on-eof")} +
                        args);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    // Nothing of the program runs yet: the line is awaited without an event loop.
    QString ready;
    QDeadlineTimer deadline(timeoutMs);
    while (ready.isEmpty() && !deadline.hasExpired() && isRunning()) {
        readAvailable(20);
        for (const QString& line : qAsConst(m_lines))
            if (line.contains(QStringLiteral("listening on http://127.0.0.1:")))
                ready = line;
    }
    if (ready.isEmpty()) {
        stop();
        return false;
    }
    m_lines.removeAll(ready);
    m_baseUrl = ready.mid(ready.indexOf(QStringLiteral("http://")));
    return true;
}

void UpdateServerProcess::readAvailable(int waitMs)
{
    if (waitMs > 0 && m_process.bytesAvailable() == 0)
        m_process.waitForReadyRead(waitMs);
    m_buffer.append(m_process.readAllStandardOutput());
    int nl;
    while ((nl = m_buffer.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_buffer.left(nl));
        m_buffer.remove(0, nl + 1);
    }
}

QStringList UpdateServerProcess::requests()
{
    readAvailable(0);
    return m_lines;
}

void UpdateServerProcess::stop()
{
    if (!isRunning())
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QByteArray UpdateServerProcess::makeImage(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(generator.bounded(256));
    return bytes;
}

} // namespace TestSupport

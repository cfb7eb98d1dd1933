#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// The built local update server as a child process on a free loopback port, serving the images
// written with addImage() from its own temporary directory. It quits with this object.
class UpdateServerProcess
{
public:
    UpdateServerProcess();
    ~UpdateServerProcess() { stop(); }

    // Writes an image named VERSION.bin; call before or after start().
    bool addImage(const QString& version, const QByteArray& bytes);
    // Extra arguments, e.g. {"--fail", "slow"}; --port 0 and --images are supplied.
    bool start(const QStringList& args = {}, int timeoutMs = 10000);
    // "http://127.0.0.1:PORT/" once started.
    QString baseUrl() const { return m_baseUrl; }
    // The request lines printed so far (reads what has arrived without waiting): wait for one with
    // QTRY_* so that the program under test runs meanwhile.
    QStringList requests();
    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Random bytes of the given size, the same for the same seed.
    static QByteArray makeImage(int size, quint32 seed = 1);

private:
    void readAvailable(int waitMs);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_baseUrl;
    QByteArray m_buffer;
    QStringList m_lines;
};

} // namespace TestSupport

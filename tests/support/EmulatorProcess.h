#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// Runs the built analyser emulator as a child process with its terminal link in a temporary
// directory. Unless the arguments say otherwise it measures without delay (--delay-us 0). It quits
// when this object is destroyed or its standard input closes, so no emulator outlives a test.
class EmulatorProcess
{
public:
    EmulatorProcess();
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // Starts the emulator and waits until it prints its link path.
    bool start(const QStringList& args = {}, int timeoutMs = 10000);
    QString portPath() const { return m_portPath; }
    QString dirPath() const { return m_dir.path(); }

    // Sends one control line ("unplug", "dut short", "corrupt 2", ...) and returns the emulator's
    // one-line answer ("ok ...", "error ...", "status ..."), or an empty string on time-out.
    QString control(const QString& line, int timeoutMs = 5000);
    // Waits for an unsolicited line that starts with prefix (for example "event plugged").
    QString waitForLine(const QString& prefix, int timeoutMs = 5000);

    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    QProcess& process() { return m_process; }

private:
    bool readLine(QString& line, int timeoutMs);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_portPath;
    QByteArray m_buffer;
    QStringList m_unclaimed;
};

} // namespace TestSupport

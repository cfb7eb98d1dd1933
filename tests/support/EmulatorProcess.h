#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

// The built analyser emulator as a child process, its terminal link in a temporary directory,
// measuring without delay unless --delay-us is given. It quits with this object. Its runtime
// directory is private to it, so a test emulator never shows up in the port list of a program the
// user is running; announceDir() is where it announces itself.
class EmulatorProcess
{
public:
    EmulatorProcess();
    ~EmulatorProcess() { stop(); }

    bool start(const QStringList& args = {}, int timeoutMs = 10000);
    QString portPath() const { return m_portPath; }
    QString announceDir() const;
    // Lets this test process's port enumeration see the emulator (and only test emulators), as a
    // program run by the user sees the emulators it started.
    void offerToThisProcess() const;
    // One control line ("unplug", "dut short", ...) and its "ok/error/status ..." answer, or "".
    QString control(const QString& line, int timeoutMs = 5000);
    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

private:
    // The next line that starts with one of prefixes; the lines before it are passed over.
    QString waitForLine(const QStringList& prefixes, int timeoutMs);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_portPath;
    QByteArray m_buffer;
};

} // namespace TestSupport

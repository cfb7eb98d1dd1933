#pragma once

#include <QString>

#include <memory>

#include "EmulatorProcess.h"
#include "TestSupport.h"

class MainWindow;

namespace TestSupport {

// The window as a remote-control script meets it: files in a fresh directory, every manager started
// with the real logger and its default presentation (so a failure a command logs is seen to never
// wait for a person), the emulator (a 100-ohm load) offered to this process as a user's emulator is,
// and the window offscreen with its server switched on by the environment on a free loopback port.
class RemoteWindowRig
{
public:
    RemoteWindowRig();
    ~RemoteWindowRig();
    // Returns what failed, or an empty string.
    QString start();
    MainWindow& window() { return *m_window; }
    EmulatorProcess& emulator() { return m_emulator; }
    quint16 port() const { return m_port; }

private:
    ScopedAppDir m_dir;
    EmulatorProcess m_emulator;
    std::unique_ptr<MainWindow> m_window;
    quint16 m_port = 0;
};

} // namespace TestSupport

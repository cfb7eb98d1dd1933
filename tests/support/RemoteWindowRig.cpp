#include "RemoteWindowRig.h"

#include "RemoteTestClient.h"
#include "core/LocalizationManager.h"
#include "core/Logger.h"
#include "core/Resources.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/SerialPort.h"
#include "remote/RemoteControlServer.h"
#include "ui/MainWindow.h"

namespace TestSupport {

RemoteWindowRig::RemoteWindowRig() = default;

RemoteWindowRig::~RemoteWindowRig()
{
    m_window.reset();
    ZData::DM::SerialPort::close(true);
    ZData::ConnectionManager::reset();
    m_emulator.stop();
    ZCore::Logger::shutdown();
}

QString RemoteWindowRig::start()
{
    ZCore::initResources();
    if (!ZCore::Logger::init())
        return QStringLiteral("logger");
    ZCore::Logger::resetPresenter();
    const QStringList failed = initManagersButLogger();
    if (!failed.isEmpty())
        return failed.join(QLatin1Char(','));
    if (!ZCore::LocalizationManager::setLanguage(ZCore::LocalizationManager::DEFAULT_FILE))
        return QStringLiteral("language");
    ZData::ConnectionManager::setReconnectPolicy(30, 300);
    if (!m_emulator.start({"--dut", "r=100"}))
        return QStringLiteral("emulator");
    m_emulator.offerToThisProcess();

    m_port = RemoteTestClient::freePort();
    qputenv(ZRemote::RemoteControlServer::ENV_PORT, QByteArray::number(m_port));
    m_window = std::make_unique<MainWindow>();
    qunsetenv(ZRemote::RemoteControlServer::ENV_PORT);
    m_window->setWarningPresenter([](const QString&, const QString&) {});
    m_window->resize(1200, 800);
    m_window->show();
    if (!m_window->remoteControl()->isListening() || m_window->remoteControl()->port() != m_port)
        return QStringLiteral("remote control not on port %1").arg(m_port);
    return QString();
}

} // namespace TestSupport

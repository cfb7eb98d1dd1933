#include "remote/RemoteControlServer.h"

#include <QHostAddress>
#include <QSettings>

#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteConnection.h"
#include "remote/RemoteOperation.h"
#include "remote/RemoteSession.h"

namespace ZRemote {

namespace {

const ZCore::TaggedLog kLog(RemoteControlServer::tag());

bool parsePort(const QString& text, quint16& port)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return false;
    port = quint16(value);
    return true;
}

} // namespace

RemoteControlServer::RemoteControlServer(IRemoteTarget* target, QObject* parent) : QObject(parent)
{
    m_commands = new RemoteCommands(this);
    m_commands->setTarget(target);
    m_server.setMaxPendingConnections(MAX_CLIENTS * 8);
    m_server.onIncoming = [this](qintptr descriptor) { onIncoming(descriptor); };
}

RemoteControlServer::~RemoteControlServer()
{
    stop();
}

void RemoteControlServer::setTarget(IRemoteTarget* target)
{
    m_commands->setTarget(target);
}

RemoteControlServer::TConfig RemoteControlServer::profileConfiguration()
{
    TConfig config;
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings)
        return config;
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::DEFAULT));
    config.enabled = settings->value(QLatin1String(KEY_ENABLED), false).toBool();
    quint16 port = DEFAULT_PORT;
    if (parsePort(settings->value(QLatin1String(KEY_PORT), DEFAULT_PORT).toString(), port))
        config.port = port;
    bool ok = false;
    const int idle = settings->value(QLatin1String(KEY_IDLE_TIMEOUT), DEFAULT_IDLE_TIMEOUT_S).toInt(&ok);
    if (ok && idle >= 0)
        config.idleTimeoutS = idle;
    settings->endGroup();
    return config;
}

RemoteControlServer::TConfig RemoteControlServer::configuration()
{
    const QByteArray env = qgetenv(ENV_PORT);
    if (!env.isEmpty()) {
        TConfig config;
        if (parsePort(QString::fromLatin1(env), config.port)) {
            config.idleTimeoutS = profileConfiguration().idleTimeoutS;
            config.enabled = true;
            config.fromEnvironment = true;
            return config;
        }
        kLog.warn(QStringLiteral(">> ignored %1, not a port number: %2")
                      .arg(QLatin1String(ENV_PORT), QString::fromLatin1(env.left(32))));
    }
    return profileConfiguration();
}

void RemoteControlServer::saveProfileConfiguration(bool enabled, quint16 port)
{
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings || !settings->isWritable()) {
        kLog.critical("lp_err_cant_write_settings");
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::DEFAULT));
    settings->setValue(QLatin1String(KEY_ENABLED), enabled);
    settings->setValue(QLatin1String(KEY_PORT), port == 0 ? DEFAULT_PORT : port);
    settings->endGroup();
    settings->sync();
}

bool RemoteControlServer::applyConfiguration()
{
    const TConfig config = configuration();
    setIdleTimeout(config.idleTimeoutS * 1000);
    if (!config.enabled) {
        stop();
        return true;
    }
    if (isListening() && port() == config.port)
        return true;
    return start(config.port);
}

bool RemoteControlServer::start(quint16 port)
{
    stop();
    if (!m_server.listen(QHostAddress::LocalHost, port)) {
        kLog.critical("lp_err_remote_cant_listen",
                      QStringLiteral("%1 (%2)").arg(port).arg(m_server.errorString()));
        return false;
    }
    kLog.info(QStringLiteral(">> listening on 127.0.0.1:%1").arg(m_server.serverPort()));
    return true;
}

void RemoteControlServer::stop()
{
    const QList<RemoteSession*> sessions = m_sessions;
    for (RemoteSession* session : sessions)
        session->close();
    m_sessions.clear();
    if (m_server.isListening()) {
        m_server.close();
        kLog.info(QStringLiteral(">> stopped listening"));
    }
}

qint64 RemoteControlServer::largestQueuedOutput() const
{
    qint64 largest = 0;
    for (const RemoteSession* session : m_sessions)
        largest = qMax(largest, session->queuedOutput());
    return largest;
}

void RemoteControlServer::onIncoming(qintptr descriptor)
{
    auto* connection = new RemoteConnection(descriptor);
    // Loopback only; the check also covers an address family mapped onto IPv6.
    if (m_sessions.size() >= MAX_CLIENTS || !connection->peerAddress().isLoopback()) {
        connection->abort();
        connection->deleteLater();
        ++m_refusedSinceLog;
        // One line per second at most, however fast clients knock.
        if (!m_lastRefusalLog.isValid() || m_lastRefusalLog.elapsed() > 1000) {
            kLog.warn(QStringLiteral(">> refused %1 client(s): at most %2 at once")
                          .arg(m_refusedSinceLog)
                          .arg(MAX_CLIENTS));
            m_refusedSinceLog = 0;
            m_lastRefusalLog.start();
        }
        return;
    }
    auto* session = new RemoteSession(connection, this);
    connect(session, &RemoteSession::signalClosed, this, &RemoteControlServer::onSessionClosed);
    m_sessions.append(session);
    emit signalClientsChanged(m_sessions.size());
}

void RemoteControlServer::onSessionClosed(RemoteSession* session)
{
    if (m_sessions.removeOne(session))
        emit signalClientsChanged(m_sessions.size());
}

void RemoteControlServer::beginOperation(RemoteOperation* operation)
{
    m_operation = operation;
    connect(operation, &RemoteOperation::signalFinished, this, &RemoteControlServer::onOperationFinished);
}

void RemoteControlServer::onOperationFinished()
{
    m_operation.clear();
    for (RemoteSession* session : qAsConst(m_sessions))
        session->resume();
}

} // namespace ZRemote

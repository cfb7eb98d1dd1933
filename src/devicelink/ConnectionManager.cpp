#include "devicelink/ConnectionManager.h"

#include "core/TaggedLog.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"

namespace ZData {

using DM::CommandQueue;
using DM::SerialPort;

namespace {
const ZCore::TaggedLog kLog(ConnectionManager::tag());
} // namespace

ConnectionManager::ConnectionManager() = default;

bool ConnectionManager::init()
{
    kLog.debug(QStringLiteral(">> ZData::ConnectionManager::init.."));
    auto& self = instance();
    self.m_timerPresence.setInterval(PRESENCE_INTERVAL_MS);
    self.m_timerPresence.setSingleShot(false);
    self.m_timerReconnect.setInterval(RECONNECT_INTERVAL_MS);
    self.m_timerReconnect.setSingleShot(true);

    QObject::connect(&self.m_timerPresence, &QTimer::timeout, &self, [] { DeviceManager::pollPresence(); });
    QObject::connect(&CommandQueue::instance(), &CommandQueue::signalGotCommand, &self,
                     [] { stopPresence(); });
    QObject::connect(&CommandQueue::instance(), &CommandQueue::signalBecameEmpty, &self, [] {
        // the queue is also emptied while a port closes or fails to open
        if (SerialPort::isOpen())
            instance().m_timerPresence.start();
    });
    QObject::connect(&SerialPort::instance(), &SerialPort::signalClosed, &self, [] { stopPresence(); });
    QObject::connect(&SerialPort::instance(), &SerialPort::signalLost, &self, [] {
        stopPresence();
        if (s_autoReconnect)
            reconnectTry();
    });
    QObject::connect(&SerialPort::instance(), &SerialPort::signalOpened, &self, [] {
        s_triesLeft = s_tries;
        s_autoReconnect = true;
    });
    QObject::connect(&self.m_timerReconnect, &QTimer::timeout, &self, [] { SerialPort::open(false); });
    return true;
}

void ConnectionManager::stopPresence()
{
    if (instance().m_timerPresence.isActive())
        instance().m_timerPresence.stop();
}

void ConnectionManager::setAutoReconnect(bool enabled)
{
    s_autoReconnect = enabled;
    s_triesLeft = s_tries;
}

void ConnectionManager::setReconnectPolicy(quint16 tries, int intervalMs)
{
    s_tries = tries > 0 ? tries : 1;
    s_triesLeft = s_tries;
    instance().m_timerReconnect.setInterval(intervalMs);
}

void ConnectionManager::setPresenceInterval(int intervalMs)
{
    instance().m_timerPresence.setInterval(intervalMs);
}

void ConnectionManager::reset()
{
    auto& self = instance();
    self.m_timerPresence.stop();
    self.m_timerReconnect.stop();
    s_autoReconnect = true;
    setReconnectPolicy(RECONNECT_TRIES, RECONNECT_INTERVAL_MS);
    setPresenceInterval(PRESENCE_INTERVAL_MS);
}

void ConnectionManager::reconnectTry()
{
    if (s_triesLeft == 0) {
        // A series that already gave up stays given up until a port opens again; counting on would
        // wrap the counter and start an endless series.
        kLog.info(QStringLiteral(">> reconnect series exhausted"));
        return;
    }
    kLog.info(QStringLiteral(">> reconnect try #%1").arg(int(s_tries) - int(s_triesLeft)));
    --s_triesLeft;
    if (s_triesLeft != 0) {
        instance().m_timerReconnect.start();
        emit instance().signalReconnecting();
    } else {
        emit instance().signalFailedToReconnect();
        kLog.critical("lp_err_autoreconnect_failed");
    }
}

} // namespace ZData

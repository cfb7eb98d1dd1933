#pragma once

#include <QObject>
#include <QTimer>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"

namespace ZData {

// Keeps the link alive: polls the device while the queue is idle and reopens a lost port in a
// bounded series of tries.
class ConnectionManager : public QObject,
                          public ZCore::TSingleton<ConnectionManager>,
                          public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<ConnectionManager>;

public:
    static constexpr int PRESENCE_INTERVAL_MS = 500;
    static constexpr int RECONNECT_INTERVAL_MS = 2000;
    static constexpr quint16 RECONNECT_TRIES = 30;

    static bool init();
    static QString tag() { return QStringLiteral("ConnectionManager"); }

    static void setAutoReconnect(bool enabled);
    static bool autoReconnect() { return s_autoReconnect; }
    static void resetTries() { s_triesLeft = s_tries; }
    static quint16 triesLeft() { return s_triesLeft; }

    // Series length and spacing; the defaults are 30 tries 2000 ms apart.
    static void setReconnectPolicy(quint16 tries, int intervalMs);
    static void setPresenceInterval(int intervalMs);

    static bool isPolling() { return instance().m_timerPresence.isActive(); }
    static bool isReconnectPending() { return instance().m_timerReconnect.isActive(); }

    // Stops both timers and restores the defaults (a closing program and tests).
    static void reset();

signals:
    void signalReconnecting();
    void signalFailedToReconnect();

private:
    ConnectionManager();

    static void stopPresence();
    static void reconnectTry();

    QTimer m_timerPresence;
    QTimer m_timerReconnect;

    static inline quint16 s_tries = RECONNECT_TRIES;
    static inline quint16 s_triesLeft = RECONNECT_TRIES;
    static inline bool s_autoReconnect = true;
};

} // namespace ZData

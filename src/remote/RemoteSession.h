#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "remote/RemoteErrorQueue.h"
#include "remote/TRemoteCommand.h"

namespace ZRemote {

class RemoteConnection;
class RemoteControlServer;

// One connected client: reads its lines, runs them one after the other through the server's command
// set and writes one line per answer. It stops reading while an operation of its own runs, while its
// unread answers pile up, and (for commands that change state) while another client's operation runs,
// so that nothing it sends can grow memory without bound. A client that has shut down its sending
// side gets the answers to what it sent before the connection is closed; one that sends nothing for
// the idle time-out is closed, so that idle connections cannot lock the others out.
class RemoteSession : public QObject
{
    Q_OBJECT

public:
    RemoteSession(RemoteConnection* connection, RemoteControlServer* server);
    ~RemoteSession() override;

    QString peer() const { return m_peer; }
    const RemoteErrorQueue& errors() const { return m_errors; }
    qint64 queuedOutput() const;
    // Another client's operation has ended: a held command may run now.
    void resume();
    void close();

signals:
    void signalClosed(ZRemote::RemoteSession* session);

private:
    void schedulePump();
    void pump();
    bool runNext();
    // The next complete line from the input, taking more from the connection as room allows.
    bool takeLine(QByteArray& line);
    void execute(const TRemoteCommand& command);
    void answer(const QByteArray& text);
    void tooLong();
    void onDisconnected();
    void onIdle();
    void restartIdleTimer();
    // Everything the client sent before ending its input has run: close once the answers are out.
    void finishIfDone();

    RemoteConnection* m_connection = nullptr;
    RemoteControlServer* m_server = nullptr;
    QString m_peer;
    RemoteErrorQueue m_errors;
    // Received bytes not yet run; lines are taken from m_inputPos on.
    QByteArray m_input;
    int m_inputPos = 0;
    TRemoteCommand m_held;
    bool m_holding = false;
    bool m_waiting = false; // an operation of this client runs
    bool m_pumpScheduled = false;
    bool m_pumping = false;
    bool m_pumpAgain = false;
    bool m_closed = false;
    bool m_finishing = false;
    QTimer m_idle;
};

} // namespace ZRemote

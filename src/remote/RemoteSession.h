#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include "remote/RemoteErrorQueue.h"
#include "remote/TRemoteCommand.h"

namespace ZRemote {

class RemoteControlServer;

// One connected client: reads its lines, runs them one after the other through the server's command
// set and writes one line per answer. It stops reading while an operation of its own runs, while its
// unread answers pile up, and (for commands that change state) while another client's operation runs,
// so that nothing it sends can grow memory without bound.
class RemoteSession : public QObject
{
    Q_OBJECT

public:
    RemoteSession(QTcpSocket* socket, RemoteControlServer* server);
    ~RemoteSession() override;

    QString peer() const { return m_peer; }
    const RemoteErrorQueue& errors() const { return m_errors; }
    qint64 queuedOutput() const { return m_socket->bytesToWrite(); }
    // Another client's operation has ended: a held command may run now.
    void resume();
    void close();

signals:
    void signalClosed(ZRemote::RemoteSession* session);

private:
    void schedulePump();
    void pump();
    bool runNext();
    // The next complete line from the input, taking more from the socket as room allows.
    bool takeLine(QByteArray& line);
    void execute(const TRemoteCommand& command);
    void tooLong();
    void onDisconnected();

    QTcpSocket* m_socket = nullptr;
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
    // A command may end in a message box with its own event loop; the session must not run its next
    // command from inside it.
    bool m_pumping = false;
    bool m_pumpAgain = false;
    bool m_closed = false;
};

} // namespace ZRemote

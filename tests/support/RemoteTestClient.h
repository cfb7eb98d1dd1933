#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

namespace TestSupport {

// A script's side of the remote control: a real TCP client on loopback. Waiting spins the event loop,
// so the server and the managers in the same process keep running.
class RemoteTestClient
{
public:
    bool connectTo(quint16 port, int timeoutMs = 5000);
    void send(const QByteArray& line); // "\n" appended
    void sendRaw(const QByteArray& bytes);
    // The next answer line without its "\n"; a null string on time-out.
    QString readLine(int timeoutMs = 10000);
    QString query(const QByteArray& line, int timeoutMs = 10000);
    // SYSTem:ERRor? until "0,...": the codes of every queued error, oldest first.
    QList<int> drainErrors();
    // Whether the server has closed the connection within the time.
    bool waitForClosed(int timeoutMs = 5000);
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    QTcpSocket& socket() { return m_socket; }

    static void spin();
    // A loopback port nobody listens on just now.
    static quint16 freePort();

private:
    QTcpSocket m_socket;
};

} // namespace TestSupport

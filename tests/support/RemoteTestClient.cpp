#include "RemoteTestClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

namespace TestSupport {

// Runs the event loop until something happens (at most a few milliseconds): the server in this
// process answers at full speed, and nothing spins while waiting for a sweep.
void RemoteTestClient::spin()
{
    QTimer wake;
    wake.start(5);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

quint16 RemoteTestClient::freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool RemoteTestClient::connectTo(quint16 port, int timeoutMs)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    QElapsedTimer timer;
    timer.start();
    while (m_socket.state() != QAbstractSocket::ConnectedState && timer.elapsed() < timeoutMs) {
        if (m_socket.state() == QAbstractSocket::UnconnectedState)
            return false;
        spin();
    }
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

void RemoteTestClient::send(const QByteArray& line)
{
    sendRaw(line + '\n');
}

void RemoteTestClient::sendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

QString RemoteTestClient::readLine(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    // A burst of answers is taken without sleeping; a long wait sleeps between events.
    for (int idle = 0; !m_socket.canReadLine(); ++idle) {
        if (timer.elapsed() > timeoutMs || m_socket.state() == QAbstractSocket::UnconnectedState)
            return QString();
        if (idle < 200)
            QCoreApplication::processEvents();
        else
            spin();
    }
    return QString::fromUtf8(m_socket.readLine()).chopped(1);
}

QString RemoteTestClient::query(const QByteArray& line, int timeoutMs)
{
    send(line);
    return readLine(timeoutMs);
}

QList<int> RemoteTestClient::drainErrors()
{
    QList<int> codes;
    for (int i = 0; i < 64; ++i) {
        const QString answer = query("SYST:ERR?");
        const int code = answer.section(QLatin1Char(','), 0, 0).toInt();
        if (answer.isNull() || code == 0)
            break;
        codes.append(code);
    }
    return codes;
}

bool RemoteTestClient::waitForClosed(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (m_socket.state() != QAbstractSocket::UnconnectedState && timer.elapsed() < timeoutMs) {
        m_socket.readAll();
        spin();
    }
    return m_socket.state() == QAbstractSocket::UnconnectedState;
}

} // namespace TestSupport

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
    int idle = 0;
    for (;;) {
        const int end = m_buffer.indexOf('\n', m_pos);
        if (end >= 0) {
            const QByteArray line = m_buffer.mid(m_pos, end - m_pos);
            m_pos = end + 1;
            return QString::fromUtf8(line);
        }
        m_buffer.remove(0, m_pos);
        m_pos = 0;
        if (m_socket.bytesAvailable() > 0) {
            m_buffer += m_socket.readAll();
            idle = 0;
            continue;
        }
        if (timer.elapsed() > timeoutMs || m_socket.state() == QAbstractSocket::UnconnectedState)
            return QString();
        // A burst of answers is taken without sleeping; a long wait sleeps between events.
        if (++idle < 200)
            QCoreApplication::processEvents();
        else
            spin();
    }
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

#include "RemoteTestClient.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTest>

namespace TestSupport {

bool RemoteTestClient::connectTo(quint16 port, int timeoutMs)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    QElapsedTimer timer;
    timer.start();
    while (m_socket.state() != QAbstractSocket::ConnectedState && timer.elapsed() < timeoutMs) {
        if (m_socket.state() == QAbstractSocket::UnconnectedState)
            return false;
        QTest::qWait(2);
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
    for (;;) {
        m_buffer += m_socket.readAll();
        const int end = m_buffer.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            return QString::fromUtf8(line);
        }
        if (timer.elapsed() > timeoutMs || m_socket.state() == QAbstractSocket::UnconnectedState)
            return QString();
        QTest::qWait(1);
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
        QTest::qWait(2);
    }
    return m_socket.state() == QAbstractSocket::UnconnectedState;
}

} // namespace TestSupport

#include "remote/RemoteConnection.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ZRemote {

namespace {
constexpr int READ_CHUNK = 16 * 1024;
// Largest single send; what one turn writes is bounded by the room in the system's send buffer.
constexpr int WRITE_CHUNK = 256 * 1024;
} // namespace

RemoteConnection::RemoteConnection(qintptr descriptor, QObject* parent)
    : QObject(parent), m_descriptor(int(descriptor))
{
    const int flags = ::fcntl(m_descriptor, F_GETFL);
    if (flags >= 0)
        ::fcntl(m_descriptor, F_SETFL, flags | O_NONBLOCK);
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    if (::getpeername(m_descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        m_peerAddress.setAddress(reinterpret_cast<const sockaddr*>(&address));
        if (address.ss_family == AF_INET)
            m_peerPort = ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
        else if (address.ss_family == AF_INET6)
            m_peerPort = ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    m_readNotifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &RemoteConnection::onReadable);
    m_writeNotifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &RemoteConnection::onWritable);
}

RemoteConnection::~RemoteConnection()
{
    if (m_descriptor >= 0) {
        m_readNotifier->setEnabled(false);
        m_writeNotifier->setEnabled(false);
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

QByteArray RemoteConnection::readAll()
{
    QByteArray bytes;
    bytes.swap(m_input);
    updateReadNotifier();
    return bytes;
}

void RemoteConnection::setReadBufferSize(qint64 bytes)
{
    m_readBufferSize = qMax<qint64>(0, bytes);
    updateReadNotifier();
}

void RemoteConnection::setSendBufferSize(int bytes)
{
    if (m_descriptor >= 0)
        ::setsockopt(m_descriptor, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof(bytes));
}

void RemoteConnection::updateReadNotifier()
{
    if (m_descriptor < 0)
        return;
    const bool room = m_readBufferSize == 0 || m_input.size() < m_readBufferSize;
    m_readNotifier->setEnabled(!m_inputEnded && room);
}

void RemoteConnection::onReadable()
{
    bool got = false;
    while (m_descriptor >= 0 && !m_inputEnded) {
        qint64 room = READ_CHUNK;
        if (m_readBufferSize > 0)
            room = qMin<qint64>(room, m_readBufferSize - m_input.size());
        if (room <= 0)
            break;
        const int old = m_input.size();
        m_input.resize(old + int(room));
        const ssize_t n = ::recv(m_descriptor, m_input.data() + old, size_t(room), 0);
        m_input.resize(old + int(qMax<ssize_t>(n, 0)));
        if (n > 0) {
            got = true;
            continue;
        }
        if (n == 0) {
            m_inputEnded = true;
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        shutDown();
        return;
    }
    updateReadNotifier();
    if (got)
        emit readyRead();
    // The reader may have closed the connection while taking the data.
    if (m_inputEnded && m_descriptor >= 0 && !m_endAnnounced) {
        m_endAnnounced = true;
        emit inputEnded();
    }
}

void RemoteConnection::write(const QByteArray& bytes)
{
    if (m_descriptor < 0 || m_closing || bytes.isEmpty())
        return;
    if (m_outputPos > 0 && m_outputPos == m_output.size()) {
        m_output.clear();
        m_outputPos = 0;
    }
    m_output += bytes;
    m_writeNotifier->setEnabled(true);
}

void RemoteConnection::onWritable()
{
    qint64 written = 0;
    while (m_descriptor >= 0 && m_outputPos < m_output.size()) {
        const int chunk = qMin(WRITE_CHUNK, m_output.size() - m_outputPos);
        const ssize_t n = ::send(m_descriptor, m_output.constData() + m_outputPos, size_t(chunk),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            m_outputPos += int(n);
            written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        shutDown(); // the client is gone
        return;
    }
    if (m_outputPos == m_output.size()) {
        m_output.clear();
        m_outputPos = 0;
        m_writeNotifier->setEnabled(false);
    } else if (m_outputPos > WRITE_CHUNK) {
        m_output.remove(0, m_outputPos);
        m_outputPos = 0;
    }
    if (written > 0)
        emit bytesWritten(written);
    if (m_closing && m_descriptor >= 0 && bytesToWrite() == 0)
        shutDown();
}

void RemoteConnection::closeAfterWriting()
{
    if (m_descriptor < 0)
        return;
    m_closing = true;
    m_readNotifier->setEnabled(false);
    if (bytesToWrite() == 0)
        shutDown();
}

void RemoteConnection::abort()
{
    // Answers still queued are dropped. The client sees an orderly end, not a reset: some clients
    // take a reset while connecting as a reason to connect again at once, without end.
    shutDown();
}

void RemoteConnection::shutDown()
{
    if (m_descriptor < 0)
        return;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    ::close(m_descriptor);
    m_descriptor = -1;
    m_output.clear();
    m_outputPos = 0;
    emit disconnected();
}

} // namespace ZRemote

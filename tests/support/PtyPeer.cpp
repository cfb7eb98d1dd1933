#include "PtyPeer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "TestSupport.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"

namespace TestSupport {

using ZData::FrameCodec;

PtyPeer::PtyPeer(QObject* parent) : QObject(parent)
{
    // the serial port locks by file name system-wide: each peer needs its own name
    static int counter = 0;
    m_linkPath = m_dir.path() +
                 QStringLiteral("/ttyTolvekPeer%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

PtyPeer::~PtyPeer()
{
    m_notifier.reset();
    vanish();
}

bool PtyPeer::start()
{
    closeTerminal();
    struct termios raw = {};
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    char name[256] = {0};
    if (!m_dir.isValid() || ::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_master = m_slave = -1;
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    QFile::remove(m_linkPath);
    if (!QFile::link(QString::fromLocal8Bit(name), m_linkPath)) {
        closeTerminal();
        return false;
    }
    m_buffer.clear();
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyPeer::onReadable);
    return true;
}

void PtyPeer::closeTerminal()
{
    if (m_notifier) { // may run inside the notifier's own signal
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void PtyPeer::vanish()
{
    QFile::remove(m_linkPath);
    closeTerminal();
}

void PtyPeer::write(const QByteArray& bytes)
{
    for (qint64 done = 0; m_master >= 0 && done < bytes.size();) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        done += qMax<ssize_t>(n, 0);
    }
}

QByteArray PtyPeer::replyFrame(quint16 command, const QByteArray& data, quint16 options, quint16 deviceWord)
{
    return FrameCodec::encode({command, quint16(data.size()), deviceWord, m_frameCounter++, options}, data);
}

QList<quint16> PtyPeer::commands() const
{
    QList<quint16> out;
    for (const auto& r : m_requests)
        out.append(r.header.command);
    return out;
}

void PtyPeer::onReadable()
{
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(m_master, chunk, sizeof(chunk))) > 0 || (n < 0 && errno == EINTR))
        m_buffer.append(chunk, int(qMax<ssize_t>(n, 0)));
    TRequest request;
    while (takeFrame(m_buffer, request)) {
        m_requests.append(request);
        if (m_responder)
            m_responder(*this, request);
    }
}

bool PtyPeer::openLinkAndSettle() const
{
    ZData::TSerialPortConfig cfg;
    cfg.portName = m_linkPath;
    ZData::DM::SerialPort::setConfig(cfg);
    const bool opened = ZData::DM::SerialPort::open(true);
    return QTest::qWaitFor([] { return ZData::DM::CommandQueue::isEmpty(); }, 5000) && opened;
}

} // namespace TestSupport

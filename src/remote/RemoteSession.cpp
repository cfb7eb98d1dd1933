#include "remote/RemoteSession.h"

#include <QHostAddress>
#include <QTimer>

#include "core/TaggedLog.h"
#include "remote/RemoteCommandParser.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteControlServer.h"
#include "remote/RemoteOperation.h"

namespace ZRemote {

namespace {
const ZCore::TaggedLog kLog(RemoteControlServer::tag());
}

RemoteSession::RemoteSession(QTcpSocket* socket, RemoteControlServer* server)
    : QObject(server), m_socket(socket), m_server(server)
{
    m_socket->setParent(this);
    m_peer = QStringLiteral("%1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort());
    // What is not taken from the socket stays with the system, which slows the sender down.
    m_socket->setReadBufferSize(RemoteControlServer::READ_BUFFER);
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption,
                              int(RemoteControlServer::READ_BUFFER * 4));
    connect(m_socket, &QTcpSocket::readyRead, this, &RemoteSession::pump);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_socket->bytesToWrite() < RemoteControlServer::OUTPUT_LIMIT / 2)
            schedulePump();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &RemoteSession::onDisconnected);
    kLog.info(QStringLiteral(">> client connected: ") + m_peer);
    schedulePump();
}

RemoteSession::~RemoteSession() = default;

void RemoteSession::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_socket->abort();
    emit signalClosed(this);
    deleteLater();
}

void RemoteSession::onDisconnected()
{
    if (m_closed)
        return;
    kLog.info(QStringLiteral(">> client disconnected: ") + m_peer);
    close();
}

void RemoteSession::resume()
{
    if (m_holding)
        schedulePump();
}

void RemoteSession::schedulePump()
{
    if (m_pumpScheduled || m_closed)
        return;
    m_pumpScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_pumpScheduled = false;
        pump();
    });
}

void RemoteSession::pump()
{
    if (m_pumping) {
        m_pumpAgain = true;
        return;
    }
    m_pumping = true;
    // A bounded number of lines per turn of the event loop keeps the window and the scan going
    // while a client sends thousands of commands at once.
    bool more = true;
    for (int i = 0; more && i < RemoteControlServer::LINES_PER_TURN; ++i)
        more = runNext();
    m_pumping = false;
    if (more || m_pumpAgain) {
        m_pumpAgain = false;
        schedulePump();
    }
}

bool RemoteSession::runNext()
{
    if (m_closed || m_waiting)
        return false;
    if (m_socket->bytesToWrite() > RemoteControlServer::OUTPUT_LIMIT)
        return false; // resumed from bytesWritten
    if (m_holding) {
        if (m_server->isBusy())
            return false; // resumed when the operation ends
        m_holding = false;
        execute(m_held);
        return true;
    }
    QByteArray line;
    if (!takeLine(line))
        return false;
    TRemoteCommand command;
    QString why;
    switch (RemoteCommandParser::parse(line, command, &why)) {
    case RemoteCommandParser::EResult::EMPTY:
        return true;
    case RemoteCommandParser::EResult::MALFORMED:
        kLog.debug(QStringLiteral(">> %1 sent a malformed command (%2): %3").arg(m_peer, why, command.text));
        m_errors.push(TRemoteError::make(TRemoteError::COMMAND_ERROR, why));
        return true;
    case RemoteCommandParser::EResult::OK:
        break;
    }
    // Queries only read; anything else waits until no other client's operation is under way.
    if (!command.query && m_server->isBusy()) {
        m_held = command;
        m_holding = true;
        return false;
    }
    execute(command);
    return true;
}

bool RemoteSession::takeLine(QByteArray& line)
{
    // The socket's own buffer is emptied whole each time: the socket reads from the system again
    // only once it is empty, so lines left in it would stall the client for good.
    if (m_input.size() - m_inputPos < RemoteControlServer::READ_BUFFER && m_socket->bytesAvailable() > 0) {
        if (m_inputPos > 0) {
            m_input.remove(0, m_inputPos);
            m_inputPos = 0;
        }
        m_input += m_socket->readAll();
    }
    const int end = m_input.indexOf('\n', m_inputPos);
    const int length = (end < 0 ? m_input.size() : end) - m_inputPos;
    if (length > RemoteControlServer::MAX_LINE) {
        tooLong();
        return false;
    }
    if (end < 0)
        return false;
    line = m_input.mid(m_inputPos, length);
    m_inputPos = end + 1;
    if (m_inputPos == m_input.size()) {
        m_input.clear();
        m_inputPos = 0;
    }
    return true;
}

void RemoteSession::execute(const TRemoteCommand& command)
{
    const TRemoteResult result = m_server->commands()->execute(command, m_errors);
    switch (result.kind) {
    case TRemoteResult::EKind::DONE:
        break;
    case TRemoteResult::EKind::ANSWER:
        m_socket->write(result.answer + '\n');
        break;
    case TRemoteResult::EKind::ERROR:
        kLog.debug(QStringLiteral(">> %1: %2 -> %3").arg(m_peer, command.text, result.error.answer()));
        m_errors.push(result.error);
        break;
    case TRemoteResult::EKind::PENDING:
        if (!result.operation)
            break;
        m_waiting = true;
        connect(result.operation, &RemoteOperation::signalFinished, this,
                [this](bool ok, const TRemoteError& error) {
                    if (!ok) {
                        kLog.debug(QStringLiteral(">> %1: operation failed: %2").arg(m_peer, error.answer()));
                        m_errors.push(error);
                    }
                    m_waiting = false;
                    schedulePump();
                });
        m_server->beginOperation(result.operation);
        break;
    }
}

void RemoteSession::tooLong()
{
    kLog.warn(QStringLiteral(">> closing client %1: a line is longer than %2 bytes")
                  .arg(m_peer)
                  .arg(RemoteControlServer::MAX_LINE));
    close();
}

} // namespace ZRemote

#include "remote/RemoteSession.h"

#include <QElapsedTimer>

#include "core/Logger.h"
#include "core/TaggedLog.h"
#include "remote/RemoteCommandParser.h"
#include "remote/RemoteCommands.h"
#include "remote/RemoteConnection.h"
#include "remote/RemoteControlServer.h"
#include "remote/RemoteOperation.h"
#include "remote/RemoteText.h"

namespace ZRemote {

namespace {

const ZCore::TaggedLog kLog(RemoteControlServer::tag());

// Critical lines of one command that become errors of their own; more would only flood the queue.
constexpr int MAX_CAPTURED_ERRORS = 4;

bool isAscii(const QByteArray& text)
{
    for (const char c : text)
        if (uchar(c) >= 0x7F || (uchar(c) < 0x20 && c != '\t'))
            return false;
    return true;
}

} // namespace

RemoteSession::RemoteSession(RemoteConnection* connection, RemoteControlServer* server)
    : QObject(server), m_connection(connection), m_server(server)
{
    m_connection->setParent(this);
    m_peer =
        QStringLiteral("%1:%2").arg(m_connection->peerAddress().toString()).arg(m_connection->peerPort());
    // What is not taken from the connection stays with the system, which slows the sender down.
    m_connection->setReadBufferSize(RemoteControlServer::READ_BUFFER);
    m_connection->setSendBufferSize(int(RemoteControlServer::READ_BUFFER * 4));
    connect(m_connection, &RemoteConnection::readyRead, this, &RemoteSession::pump);
    connect(m_connection, &RemoteConnection::inputEnded, this, &RemoteSession::schedulePump);
    connect(m_connection, &RemoteConnection::bytesWritten, this, [this] {
        if (m_connection->bytesToWrite() < RemoteControlServer::OUTPUT_LIMIT / 2)
            schedulePump();
    });
    connect(m_connection, &RemoteConnection::disconnected, this, &RemoteSession::onDisconnected);
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &RemoteSession::onIdle);
    restartIdleTimer();
    kLog.info(QStringLiteral(">> client connected: ") + m_peer);
    schedulePump();
}

RemoteSession::~RemoteSession() = default;

qint64 RemoteSession::queuedOutput() const
{
    return m_connection->bytesToWrite();
}

void RemoteSession::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_idle.stop();
    m_connection->abort();
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

void RemoteSession::restartIdleTimer()
{
    const int timeout = m_server->idleTimeout();
    if (timeout > 0 && !m_waiting && !m_closed)
        m_idle.start(timeout);
    else
        m_idle.stop();
}

void RemoteSession::onIdle()
{
    if (m_closed || m_waiting)
        return;
    // Answers that have not gone out within the idle time will not: the client does not read.
    if (m_finishing || m_connection->bytesToWrite() > 0) {
        kLog.info(QStringLiteral(">> closing client %1: it does not take its answers").arg(m_peer));
        close();
        return;
    }
    kLog.info(QStringLiteral(">> closing client %1: nothing received for %2 s")
                  .arg(m_peer)
                  .arg(m_server->idleTimeout() / 1000.0));
    m_finishing = true;
    m_connection->closeAfterWriting();
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
    // A bounded number of lines, and a bounded time, per turn of the event loop keep the window, the
    // scan and the other clients going while a client sends thousands of commands at once.
    QElapsedTimer turn;
    turn.start();
    bool more = true;
    for (int i = 0; more && i < RemoteControlServer::LINES_PER_TURN; ++i) {
        more = runNext();
        if (turn.elapsed() >= RemoteControlServer::TURN_BUDGET_MS)
            break;
    }
    m_pumping = false;
    if (more || m_pumpAgain) {
        m_pumpAgain = false;
        schedulePump();
    } else {
        finishIfDone();
    }
}

void RemoteSession::finishIfDone()
{
    if (m_closed || m_finishing || !m_connection->isInputEnded() || m_waiting || m_holding)
        return;
    if (m_inputPos < m_input.size() || m_connection->bytesAvailable() > 0)
        return;
    m_finishing = true;
    kLog.info(QStringLiteral(">> client %1 sent its last command").arg(m_peer));
    m_connection->closeAfterWriting();
    // Bounded like any silence: a client that never reads its answers does not keep its place.
    restartIdleTimer();
}

bool RemoteSession::runNext()
{
    if (m_closed || m_finishing || m_waiting)
        return false;
    if (m_connection->bytesToWrite() > RemoteControlServer::OUTPUT_LIMIT)
        return false; // resumed from bytesWritten
    if (m_holding) {
        if (m_server->isBusy())
            return false; // resumed when the operation ends
        m_holding = false;
        restartIdleTimer();
        execute(m_held);
        return true;
    }
    QByteArray line;
    if (!takeLine(line))
        return false;
    restartIdleTimer();
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
        m_idle.stop(); // waiting for another client is not silence
        return false;
    }
    execute(command);
    return true;
}

bool RemoteSession::takeLine(QByteArray& line)
{
    if (m_input.size() - m_inputPos < RemoteControlServer::READ_BUFFER &&
        m_connection->bytesAvailable() > 0) {
        if (m_inputPos > 0) {
            m_input.remove(0, m_inputPos);
            m_inputPos = 0;
        }
        m_input += m_connection->readAll();
    }
    int end = m_input.indexOf('\n', m_inputPos);
    const int length = (end < 0 ? m_input.size() : end) - m_inputPos;
    if (length > RemoteControlServer::MAX_LINE) {
        tooLong();
        return false;
    }
    if (end < 0) {
        // The client will send nothing more: an unterminated last line is still its command.
        const bool last = m_connection->isInputEnded() && m_connection->bytesAvailable() == 0;
        if (!last || length == 0)
            return false;
        end = m_input.size();
    }
    line = m_input.mid(m_inputPos, length);
    m_inputPos = qMin(end + 1, m_input.size());
    if (m_inputPos == m_input.size()) {
        m_input.clear();
        m_inputPos = 0;
    }
    return true;
}

void RemoteSession::answer(const QByteArray& text)
{
    // Answers are almost always plain already; only the others are spelled out.
    m_connection->write((isAscii(text) ? text : RemoteText::toAscii(QString::fromUtf8(text))) + '\n');
}

void RemoteSession::execute(const TRemoteCommand& command)
{
    TRemoteResult result;
    QStringList criticals;
    {
        // A failure the command's work logs is this client's error, not a notice for the person at
        // the window: the script is what has to react to it.
        ZCore::Logger::CriticalCapture capture;
        result = m_server->commands()->execute(command, m_errors);
        criticals = capture.messages();
    }
    for (QString& text : criticals)
        text = RemoteText::messageOfLogLine(text);
    switch (result.kind) {
    case TRemoteResult::EKind::DONE:
        break;
    case TRemoteResult::EKind::ANSWER:
        answer(result.answer);
        break;
    case TRemoteResult::EKind::ERROR:
        if (result.error.code == TRemoteError::EXECUTION_ERROR && !criticals.isEmpty()) {
            result.error.text += QStringLiteral(": ") + criticals.join(QStringLiteral("; "));
            criticals.clear();
        }
        kLog.debug(QStringLiteral(">> %1: %2 -> %3").arg(m_peer, command.text, result.error.answer()));
        m_errors.push(result.error);
        break;
    case TRemoteResult::EKind::PENDING:
        if (!result.operation)
            break;
        m_waiting = true;
        m_idle.stop();
        connect(result.operation, &RemoteOperation::signalFinished, this,
                [this](bool ok, const TRemoteError& error) {
                    if (!ok) {
                        kLog.debug(QStringLiteral(">> %1: operation failed: %2").arg(m_peer, error.answer()));
                        m_errors.push(error);
                    }
                    m_waiting = false;
                    restartIdleTimer();
                    schedulePump();
                });
        m_server->beginOperation(result.operation);
        break;
    }
    // Logged as failed although the command itself went through: still an error for the client.
    for (int i = 0; i < criticals.size() && i < MAX_CAPTURED_ERRORS; ++i)
        m_errors.push(TRemoteError::make(TRemoteError::EXECUTION_ERROR, criticals.at(i)));
}

void RemoteSession::tooLong()
{
    kLog.warn(QStringLiteral(">> closing client %1: a line is longer than %2 bytes")
                  .arg(m_peer)
                  .arg(RemoteControlServer::MAX_LINE));
    close();
}

} // namespace ZRemote

#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

class QSocketNotifier;

namespace ZRemote {

// One client's TCP connection on a native socket, read and written through the event loop. Unlike
// the toolkit's socket it keeps writing after the client has shut down its sending side: a script
// that sends its commands and then half-closes still gets every answer. A reset or a failed write
// ends it at once.
class RemoteConnection : public QObject
{
    Q_OBJECT

public:
    // Takes the connected socket descriptor; it is closed with the object.
    explicit RemoteConnection(qintptr descriptor, QObject* parent = nullptr);
    ~RemoteConnection() override;

    QHostAddress peerAddress() const { return m_peerAddress; }
    quint16 peerPort() const { return m_peerPort; }
    bool isOpen() const { return m_descriptor >= 0; }

    // Received bytes not yet taken. Reading stops while this many are held (0: no bound).
    qint64 bytesAvailable() const { return m_input.size(); }
    QByteArray readAll();
    void setReadBufferSize(qint64 bytes);
    // The client has shut down its sending side: nothing more will arrive.
    bool isInputEnded() const { return m_inputEnded; }

    void write(const QByteArray& bytes);
    qint64 bytesToWrite() const { return m_output.size() - m_outputPos; }
    void setSendBufferSize(int bytes);

    // Closes once everything written has gone out.
    void closeAfterWriting();
    // Closes at once; unwritten answers are dropped.
    void abort();

signals:
    void readyRead();
    void bytesWritten(qint64 bytes);
    void inputEnded();
    // Emitted once, when the connection has closed for whatever reason.
    void disconnected();

private:
    void onReadable();
    void onWritable();
    void updateReadNotifier();
    void shutDown();

    int m_descriptor = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QHostAddress m_peerAddress;
    quint16 m_peerPort = 0;
    QByteArray m_input;
    qint64 m_readBufferSize = 0;
    QByteArray m_output;
    int m_outputPos = 0;
    bool m_inputEnded = false;
    bool m_endAnnounced = false;
    bool m_closing = false;
};

} // namespace ZRemote

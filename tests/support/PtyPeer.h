#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "devicelink/DeviceTypes.h"

namespace TestSupport {

// A scripted analyser on a real pseudo-terminal. The program opens the slave side through its serial
// port under linkPath(), a symbolic link that stays the same when the peer vanishes and comes back.
// Every complete request frame is recorded and handed to the responder, which may answer with reply().
class PtyPeer : public QObject
{
    Q_OBJECT

public:
    struct TRequest
    {
        ZData::TCommandHeader header;
        QByteArray data;
    };
    using Responder = std::function<void(PtyPeer& peer, const TRequest& request)>;

    explicit PtyPeer(QObject* parent = nullptr);
    ~PtyPeer() override;

    bool start();
    // Closes the terminal and removes the link: the program sees the device gone.
    void vanish();
    // A new terminal behind the same link.
    bool comeBack();
    bool isPresent() const { return m_master >= 0; }

    QString linkPath() const { return m_linkPath; }
    QString slavePath() const { return m_slavePath; }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void write(const QByteArray& bytes);
    // Builds a reply frame with the peer's own frame counter.
    QByteArray replyFrame(quint16 command, const QByteArray& data, quint16 options = 0,
                          quint16 deviceWord = 0x0008);
    void reply(quint16 command, const QByteArray& data, quint16 options = 0, quint16 deviceWord = 0x0008);

    const QList<TRequest>& requests() const { return m_requests; }
    QList<quint16> commands() const;
    void clearRequests() { m_requests.clear(); }

signals:
    void requestReceived(quint16 command);

private:
    void onReadable();
    void extractFrames();
    void closeTerminal();

    QTemporaryDir m_dir;
    QString m_linkPath;
    QString m_slavePath;
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_buffer;
    QList<TRequest> m_requests;
    Responder m_responder;
    quint16 m_frameCounter = 0;
};

} // namespace TestSupport

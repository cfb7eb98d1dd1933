#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "devicelink/DeviceTypes.h"

namespace TestSupport {

// A scripted analyser on a pseudo-terminal behind linkPath(), a link that survives vanish() and start().
// Every complete request frame is recorded and handed to the responder.
class PtyPeer : public QObject
{
    Q_OBJECT

public:
    using TRequest = ZData::TDeviceReply;
    using Responder = std::function<void(PtyPeer& peer, const TRequest& request)>;

    explicit PtyPeer(QObject* parent = nullptr);
    ~PtyPeer() override;

    bool start();
    void vanish(); // closes the terminal and removes the link
    QString linkPath() const { return m_linkPath; }
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void write(const QByteArray& bytes);
    QByteArray replyFrame(quint16 command, const QByteArray& data, quint16 options = 0,
                          quint16 deviceWord = 0x0008);
    void reply(quint16 command, const QByteArray& data, quint16 options = 0, quint16 deviceWord = 0x0008)
    {
        write(replyFrame(command, data, options, deviceWord));
    }
    const QList<TRequest>& requests() const { return m_requests; }
    QList<quint16> commands() const;
    void clearRequests() { m_requests.clear(); }
    // Opens the program's serial port on this peer and waits until the command queue has run dry.
    bool openLinkAndSettle() const;

private:
    void onReadable();
    void closeTerminal();

    QTemporaryDir m_dir;
    QString m_linkPath;
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_buffer;
    QList<TRequest> m_requests;
    Responder m_responder;
    quint16 m_frameCounter = 0;
};

} // namespace TestSupport

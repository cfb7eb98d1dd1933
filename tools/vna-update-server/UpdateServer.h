#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include "UpdateServerConfig.h"

class QTcpSocket;

// A minimal HTTP/1.1 server on 127.0.0.1 answering "update.php" like the firmware update server:
// the newest version, the newest image Base64-encoded, and acknowledgements of version reports.
// Every request is written to standard output as one line.
class UpdateServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int MAX_HEADER_BYTES = 16 * 1024;
    static constexpr int MAX_BODY_BYTES = 64 * 1024;
    static constexpr int IDLE_TIMEOUT_MS = 10000;
    static constexpr int TRICKLE_PIECES_PER_SECOND = 10;

    struct TImage
    {
        QString version; // "X.Y.Z"
        QString path;
    };

    struct TResponse
    {
        int status = 200;
        QByteArray body;
    };

    explicit UpdateServer(const UpdateServerConfig& config, QObject* parent = nullptr);

    bool listen(QString* why);
    quint16 port() const { return m_server.serverPort(); }

    // The image with the highest X.Y.Z among the files named X.Y.Z.bin in dir; empty when none.
    static TImage newestImage(const QString& dir);
    // The answer to one request (method, path, form-encoded body) under the configured failure.
    TResponse answer(const QByteArray& method, const QByteArray& path, const QByteArray& body) const;

    static UpdateServerConfig::EFail failFromName(const QString& name, bool* ok);

private:
    struct TConnection
    {
        QByteArray buffer;
        bool answered = false;
    };

    void onNewConnection();
    void onReadable(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QByteArray& method, const QByteArray& path,
                 const QByteArray& body);
    // Answers a request that cannot be served, still recorded as one line.
    static void refuse(QTcpSocket* socket, const QByteArray& requestLine, const TResponse& response);
    TResponse plainAnswer(const QByteArray& method, const QByteArray& path, const QByteArray& body) const;
    static QByteArray httpMessage(const TResponse& response);
    static void send(QTcpSocket* socket, const TResponse& response);
    // Writes the message in pieces, a tenth of the rate every 100 ms.
    void trickle(QTcpSocket* socket, const QByteArray& message, int bytesPerSecond);
    static QString summary(const QByteArray& bytes, int limit = 40);

    UpdateServerConfig m_config;
    QTcpServer m_server;
    QHash<QTcpSocket*, TConnection> m_connections;
};

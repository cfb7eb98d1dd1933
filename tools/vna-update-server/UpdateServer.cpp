#include "UpdateServer.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <cstdio>

#include "core/utility/VersionNumber.h"

using ZCore::UtilityModules::VersionNumber;

namespace {

const QByteArray OK_MARKER = "#OK: ";
const QByteArray COMPACT_OK_MARKER = "#OK:";
// The client skips two characters before the Base64 text of a file.
const QByteArray FILE_PREFIX = "F:";

QByteArray error(int code)
{
    return QByteArray("#Error: ") + QByteArray::number(code);
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    default:
        return "Error";
    }
}

} // namespace

UpdateServer::UpdateServer(const UpdateServerConfig& config, QObject* parent)
    : QObject(parent), m_config(config)
{
    connect(&m_server, &QTcpServer::newConnection, this, &UpdateServer::onNewConnection);
}

bool UpdateServer::listen(QString* why)
{
    // Loopback only: the server is for trying the program on this machine.
    if (m_server.listen(QHostAddress::LocalHost, m_config.port))
        return true;
    if (why)
        *why = m_server.errorString();
    return false;
}

UpdateServerConfig::EFail UpdateServer::failFromName(const QString& name, bool* ok)
{
    using F = UpdateServerConfig::EFail;
    static const QHash<QString, F> names{
        {QStringLiteral("none"), F::NONE},
        {QStringLiteral("bin-not-found"), F::BIN_NOT_FOUND},
        {QStringLiteral("not-available"), F::NOT_AVAILABLE},
        {QStringLiteral("empty"), F::EMPTY},
        {QStringLiteral("garbage"), F::GARBAGE},
        {QStringLiteral("bad-base64"), F::BAD_BASE64},
        {QStringLiteral("slow"), F::SLOW},
        {QStringLiteral("throttled"), F::THROTTLED},
    };
    *ok = names.contains(name);
    return names.value(name, F::NONE);
}

UpdateServer::TImage UpdateServer::newestImage(const QString& dir)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+\\.\\d+\\.\\d+)\\.bin$"));
    TImage best;
    VersionNumber bestVersion;
    if (dir.isEmpty())
        return best;
    const QDir d(dir);
    for (const QString& name : d.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        const VersionNumber v(m.captured(1));
        if (!v.isValid() || (!best.path.isEmpty() && v <= bestVersion))
            continue;
        bestVersion = v;
        best.version = v.toString();
        best.path = d.filePath(name);
    }
    return best;
}

UpdateServer::TResponse UpdateServer::answer(const QByteArray& method, const QByteArray& path,
                                             const QByteArray& body) const
{
    TResponse r = plainAnswer(method, path, body);
    if (m_config.compact && r.body.startsWith(OK_MARKER))
        r.body = COMPACT_OK_MARKER + r.body.mid(OK_MARKER.size());
    return r;
}

UpdateServer::TResponse UpdateServer::plainAnswer(const QByteArray& method, const QByteArray& path,
                                                  const QByteArray& body) const
{
    using F = UpdateServerConfig::EFail;
    TResponse r;
    const QByteArray plainPath = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
    if (!plainPath.endsWith("/update.php")) {
        r.status = 404;
        r.body = "not found";
        return r;
    }
    if (method != "POST") {
        r.status = 405;
        r.body = "POST only";
        return r;
    }
    if (m_config.fail == F::GARBAGE) {
        r.body = "<html><body>gateway busy</body></html>";
        return r;
    }
    const QUrlQuery form(QString::fromUtf8(body));
    if (form.queryItemValue(QStringLiteral("device_number")).isEmpty()) {
        r.body = error(2);
        return r;
    }
    if (form.hasQueryItem(QStringLiteral("program_type"))) {
        if (form.queryItemValue(QStringLiteral("program_type")) != QLatin1String("1")) {
            r.body = error(3);
            return r;
        }
        if (m_config.fail == F::BIN_NOT_FOUND) {
            r.body = error(6);
            return r;
        }
        if (m_config.fail == F::NOT_AVAILABLE) {
            r.body = error(5);
            return r;
        }
        if (m_config.fail == F::EMPTY) {
            r.body = OK_MARKER;
            return r;
        }
        if (m_config.fail == F::BAD_BASE64) {
            r.body = OK_MARKER + FILE_PREFIX + "QUJD*not-base64*RA==";
            return r;
        }
        const TImage image = newestImage(m_config.imagesDir);
        QFile file(image.path);
        if (image.path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            r.body = error(6);
            return r;
        }
        r.body = OK_MARKER + FILE_PREFIX + file.readAll().toBase64();
        return r;
    }
    if (form.hasQueryItem(QStringLiteral("device_soft_version"))) {
        r.body = OK_MARKER;
        return r;
    }
    const TImage image = newestImage(m_config.imagesDir);
    if (m_config.fail == F::NOT_AVAILABLE || image.path.isEmpty()) {
        r.body = error(5);
        return r;
    }
    r.body = OK_MARKER + image.version.toLatin1();
    return r;
}

void UpdateServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_connections.insert(socket, TConnection());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
        // A client that never completes its request does not hold the connection for ever.
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(IDLE_TIMEOUT_MS + m_config.slowMs, this, [this, guard] {
            if (guard && !m_connections.value(guard).answered)
                guard->abort();
        });
    }
}

void UpdateServer::onReadable(QTcpSocket* socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->answered) {
        socket->readAll();
        return;
    }
    it->buffer.append(socket->readAll());
    const int headerEnd = it->buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        if (it->buffer.size() > MAX_HEADER_BYTES) {
            it->answered = true;
            refuse(socket, it->buffer.left(it->buffer.indexOf('\n')), {413, "header too large"});
        }
        return;
    }
    const QList<QByteArray> lines = it->buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3) {
        it->answered = true;
        refuse(socket, lines.value(0), {400, "bad request line"});
        return;
    }
    qint64 length = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length") {
            bool ok = false;
            length = line.mid(colon + 1).trimmed().toLongLong(&ok);
            if (!ok || length < 0 || length > MAX_BODY_BYTES) {
                it->answered = true;
                refuse(socket, lines.value(0), {413, "body too large"});
                return;
            }
        }
    }
    if (it->buffer.size() < headerEnd + 4 + length)
        return;
    it->answered = true;
    const QByteArray body = it->buffer.mid(headerEnd + 4, int(length));
    respond(socket, requestLine[0], requestLine[1], body);
}

void UpdateServer::respond(QTcpSocket* socket, const QByteArray& method, const QByteArray& path,
                           const QByteArray& body)
{
    const TResponse response = answer(method, path, body);
    const bool slow = m_config.fail == UpdateServerConfig::EFail::SLOW;
    const bool throttled = m_config.fail == UpdateServerConfig::EFail::THROTTLED;
    const QString how = slow        ? QStringLiteral(" (held back %1 ms)").arg(m_config.slowMs)
                        : throttled ? QStringLiteral(" (at %1 bytes/s)").arg(m_config.rateBytesPerSecond)
                                    : QString();
    std::printf("%s %s %s -> %d %s%s\n", qPrintable(summary(method)), qPrintable(summary(path)),
                qPrintable(summary(body, 400)), response.status, qPrintable(summary(response.body)),
                qPrintable(how));
    std::fflush(stdout);
    if (throttled) {
        trickle(socket, httpMessage(response), m_config.rateBytesPerSecond);
        return;
    }
    if (!slow) {
        send(socket, response);
        return;
    }
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(m_config.slowMs, this, [guard, response] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState)
            send(guard, response);
    });
}

void UpdateServer::refuse(QTcpSocket* socket, const QByteArray& requestLine, const TResponse& response)
{
    std::printf("%s -> %d %s\n", qPrintable(summary(requestLine.trimmed(), 200)), response.status,
                qPrintable(summary(response.body)));
    std::fflush(stdout);
    send(socket, response);
}

QByteArray UpdateServer::httpMessage(const TResponse& response)
{
    return "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n" + response.body;
}

void UpdateServer::send(QTcpSocket* socket, const TResponse& response)
{
    socket->write(httpMessage(response));
    socket->disconnectFromHost();
}

void UpdateServer::trickle(QTcpSocket* socket, const QByteArray& message, int bytesPerSecond)
{
    QPointer<QTcpSocket> guard(socket);
    if (!guard || guard->state() != QAbstractSocket::ConnectedState)
        return;
    const int piece = qMax(1, bytesPerSecond / TRICKLE_PIECES_PER_SECOND);
    guard->write(message.left(piece));
    if (message.size() <= piece) {
        guard->disconnectFromHost();
        return;
    }
    const QByteArray rest = message.mid(piece);
    QTimer::singleShot(1000 / TRICKLE_PIECES_PER_SECOND, this,
                       [this, guard, rest, bytesPerSecond] { trickle(guard, rest, bytesPerSecond); });
}

QString UpdateServer::summary(const QByteArray& bytes, int limit)
{
    // One line per request, whatever the client sent.
    QString text = QString::fromUtf8(bytes.left(limit));
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    if (bytes.size() > limit)
        text += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    return text;
}

#include "server/ServerManager.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QTimer>

#include "devicelink/DeviceManager.h"
#include "server/TNetworkReplyTimeout.h"

#ifndef TOLVEK_UPDATE_URL
#define TOLVEK_UPDATE_URL ""
#endif

namespace ZData {

namespace {

void warnLine(const QString& text)
{
    qWarning().noquote() << ServerManager::tag() + QLatin1Char(' ') + text;
}

void debugLine(const QString& text)
{
    qDebug().noquote() << ServerManager::tag() + QLatin1Char(' ') + text;
}

bool isErrorResult(EServerCommands result)
{
    return qint32(result) >= qint32(EServerCommands::E_UNKNOWN) &&
           qint32(result) <= qint32(EServerCommands::E_LOST_INTERNET_CONNECTION);
}

} // namespace

bool ServerManager::init()
{
    qDebug().noquote() << tag() + QStringLiteral(" >> ZData::ServerManager::init..");
    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    qRegisterMetaType<ZData::EServerCommands>("ZData::EServerCommands");
    network();
    s_baseUrl = configuredBaseUrl();
    if (isConfigured())
        qInfo().noquote() << tag() + QStringLiteral(" >> update server: ") + updateUrl().toString();
    else
        qInfo().noquote() << tag() + QStringLiteral(" >> no update server configured");
    return true;
}

QNetworkAccessManager* ServerManager::network()
{
    if (!s_network) {
        s_network = new QNetworkAccessManager(&instance());
        // Traffic goes to the configured address and nowhere else: no proxy picked up from the
        // environment, no redirect followed.
        s_network->setProxy(QNetworkProxy::NoProxy);
        s_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    return s_network;
}

QUrl ServerManager::configuredBaseUrl()
{
    QString text = QStringLiteral(TOLVEK_UPDATE_URL);
    if (qEnvironmentVariableIsSet(URL_ENVIRONMENT))
        text = qEnvironmentVariable(URL_ENVIRONMENT);
    return normalisedBaseUrl(text.trimmed());
}

QUrl ServerManager::normalisedBaseUrl(const QString& text)
{
    if (text.isEmpty())
        return QUrl();
    QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || url.hasQuery() || url.hasFragment()) {
        warnLine(QStringLiteral(">> ignored the update server URL: ") + text);
        return QUrl();
    }
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

QUrl ServerManager::updateUrl()
{
    return isConfigured() ? s_baseUrl.resolved(QUrl(QString::fromLatin1(ENDPOINT))) : QUrl();
}

bool ServerManager::post(EServerCommands command, const QUrlQuery& form)
{
    s_replyText.clear();
    if (!isConfigured()) {
        debugLine(QStringLiteral(">> no update server configured => nothing sent for: ") +
                  commandName(command));
        return false;
    }
    // One request at a time: whatever an earlier request still brings is of no use any more.
    cancel();
    s_body.clear();
    s_oversized = false;
    QNetworkRequest request(updateUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    s_lastCommand = command;
    QNetworkReply* reply = network()->post(request, form.query(QUrl::FullyEncoded).toUtf8());
    s_reply = reply;
    auto& self = instance();
    connect(reply, &QNetworkReply::finished, &self, &ServerManager::slotProcessReply);
    connect(reply, &QNetworkReply::errorOccurred, &self, &ServerManager::slotProcessReplyError);
    connect(reply, &QNetworkReply::metaDataChanged, &self, &ServerManager::slotCheckHeaders);
    connect(reply, &QNetworkReply::readyRead, &self, &ServerManager::slotReadBody);
    // The body is taken as it comes, so the toolkit never holds more than this of it.
    reply->setReadBufferSize(READ_BUFFER_BYTES);
    new SM::TNetworkReplyTimeout(reply, REPLY_TIMEOUT_MS, SM::TNetworkReplyTimeout::METHOD_ABORT);
    return true;
}

bool ServerManager::requestActualVersion()
{
    qDebug().noquote() << tag() + QStringLiteral(" >> ZData::ServerManager::requestActualVersion..");
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("device_number"), DeviceManager::deviceInfo().identifier);
    return post(EServerCommands::GET_ACTUAL_VERSION, form);
}

bool ServerManager::requestUpdate()
{
    qDebug().noquote() << tag() + QStringLiteral(" >> ZData::ServerManager::requestUpdate..");
    const TDeviceInfo& info = DeviceManager::deviceInfo();
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("device_number"), info.identifier);
    form.addQueryItem(QStringLiteral("device_type"), QString::number(info.deviceType));
    form.addQueryItem(QStringLiteral("program_type"), QStringLiteral("1"));
    form.addQueryItem(QStringLiteral("memory_area"), QStringLiteral("0"));
    return post(EServerCommands::GET_UPDATE, form);
}

bool ServerManager::sendActualVersion(const ZCore::UtilityModules::VersionNumber& version)
{
    qDebug().noquote() << tag() + QStringLiteral(" >> ZData::ServerManager::sendActualVersion..");
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("device_number"), DeviceManager::deviceInfo().identifier);
    form.addQueryItem(
        QStringLiteral("device_soft_version"),
        QStringLiteral("%1.%2.%3").arg(version.major()).arg(version.minor()).arg(version.build()));
    return post(EServerCommands::SEND_ACTUAL_VERSION, form);
}

void ServerManager::cancel()
{
    QNetworkReply* reply = s_reply;
    if (!reply)
        return;
    s_reply.clear();
    reply->disconnect(&instance());
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
    debugLine(QStringLiteral(">> dropped the request in flight: ") + commandName(s_lastCommand));
    s_lastCommand = EServerCommands::UNDEFINED;
}

void ServerManager::clearCache()
{
    s_replyBytes.clear();
    s_replyText.clear();
}

EServerCommands ServerManager::serverErrorCode(const QByteArray& body)
{
    const QByteArray marker(ERROR_MARKER);
    if (!body.startsWith(marker))
        return EServerCommands::E_UNKNOWN;
    const QByteArray digits = body.mid(marker.size()).trimmed();
    bool ok = false;
    const int code = digits.toInt(&ok);
    if (!ok)
        return EServerCommands::E_UNKNOWN;
    switch (EServerCommands(code)) {
    case EServerCommands::E_UNKNOWN:
    case EServerCommands::E_SIGNATURE:
    case EServerCommands::E_EMPTY_DATA:
    case EServerCommands::E_UNKOWN_PROGRAM_TYPE:
    case EServerCommands::E_UPDATE_NOT_AVAILABLE:
    case EServerCommands::E_BIN_NOT_FOUND:
        return EServerCommands(code);
    default:
        // Only the server's own codes are taken; anything else must never read as a request
        // (12 would otherwise pass for a successful version report).
        return EServerCommands::E_UNKNOWN;
    }
}

QByteArray ServerManager::okPayload(const QByteArray& body, bool* found)
{
    // The marker may come within the first characters; after it at most blanks, never data, are
    // skipped: "#OK:12.0.1" and "#OK: 12.0.1" carry the same version.
    const QByteArray marker = QByteArray(OK_MARKER).toLower();
    const int at = body.left(8).toLower().indexOf(marker);
    *found = at >= 0;
    if (at < 0)
        return QByteArray();
    int from = at + marker.size();
    while (from < body.size() && (body.at(from) == ' ' || body.at(from) == '\t'))
        ++from;
    return body.mid(from);
}

QByteArray ServerManager::decodeFirmware(const QByteArray& payload, QString* why)
{
    const QByteArray tag(FILE_TAG);
    if (!payload.startsWith(tag)) {
        *why = QStringLiteral("no file tag");
        return QByteArray();
    }
    // A line break may end the reply; anything else outside the alphabet spoils the file.
    const QByteArray text = payload.mid(tag.size()).trimmed();
    if (text.size() % 4 != 0) {
        *why = QStringLiteral("Base64 text of %1 characters is not whole").arg(text.size());
        return QByteArray();
    }
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::Base64Encoding |
                                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok) {
        *why = QStringLiteral("not valid Base64");
        return QByteArray();
    }
    if (decoded.decoded.isEmpty() || decoded.decoded.size() > EProtocolSetup::FIRMWARE_MAX_BYTES) {
        *why = QStringLiteral("%1 bytes, the analyser takes 1 to %2")
                   .arg(decoded.decoded.size())
                   .arg(EProtocolSetup::FIRMWARE_MAX_BYTES);
        return QByteArray();
    }
    // Decoded again, the file must give back exactly the text that was served.
    if (decoded.decoded.toBase64() != text) {
        *why = QStringLiteral("Base64 text does not encode one file exactly");
        return QByteArray();
    }
    return decoded.decoded;
}

qint64 ServerManager::replyLimit(EServerCommands command)
{
    if (command == EServerCommands::GET_UPDATE)
        return qint64(FILE_REPLY_OVERHEAD) + 4 * ((qint64(EProtocolSetup::FIRMWARE_MAX_BYTES) + 2) / 3);
    return LINE_REPLY_LIMIT;
}

ServerManager::TParsedReply ServerManager::parseReply(EServerCommands command, const QByteArray& body)
{
    TParsedReply out;
    out.result = command;
    QByteArray payload;
    if (!body.isEmpty()) {
        bool ok = false;
        payload = okPayload(body, &ok);
        if (!ok) {
            out.result = serverErrorCode(body);
            if (!body.startsWith(ERROR_MARKER))
                warnLine(QStringLiteral(">> unexpected reply: ") + QString::fromUtf8(body.left(40)));
        } else {
            out.text = QString::fromUtf8(payload);
        }
    }

    switch (out.result) {
    case EServerCommands::GET_UPDATE: {
        if (payload.trimmed().size() <= int(qstrlen(FILE_TAG))) {
            warnLine(QStringLiteral("<< requestUpdate: failed to get update files"));
            break;
        }
        // Decoded strictly: a damaged or foreign file must never reach the device.
        QString why;
        out.file = decodeFirmware(payload, &why);
        if (out.file.isEmpty()) {
            warnLine(QStringLiteral("<< requestUpdate: refused the update file: ") + why);
            break;
        }
        debugLine(QStringLiteral("<< requestUpdate: got update files: %1").arg(out.file.size()));
        break;
    }
    case EServerCommands::GET_ACTUAL_VERSION:
        out.text = out.text.trimmed();
        if (out.text.isEmpty())
            warnLine(QStringLiteral(">> requestActualVersion: failed to get actual version"));
        else
            debugLine(QStringLiteral(">> requestActualVersion: ") + out.text);
        break;
    default:
        if (isErrorResult(out.result)) {
            out.text.clear();
            warnLine(QStringLiteral(">> error text: ") + commandName(out.result));
        } else {
            debugLine(QStringLiteral(">> nothing to do with command: ") + commandName(out.result));
        }
        break;
    }
    return out;
}

void ServerManager::slotReadBody()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (reply && reply == s_reply && !s_oversized)
        readBody(reply);
}

void ServerManager::readBody(QNetworkReply* reply)
{
    const qint64 limit = replyLimit(s_lastCommand);
    // Read no further than one byte past the limit: what lies beyond is never held.
    s_body += reply->read(limit + 1 - s_body.size());
    if (s_body.size() > limit)
        refuseOversized(reply, s_body.size());
}

void ServerManager::slotCheckHeaders()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || reply != s_reply)
        return;
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced > replyLimit(s_lastCommand))
        refuseOversized(reply, announced);
}

void ServerManager::refuseOversized(QNetworkReply* reply, qint64 size)
{
    if (s_oversized)
        return;
    warnLine(QStringLiteral(">> refused a reply of %1 bytes or more to %2: at most %3 are taken")
                 .arg(size)
                 .arg(commandName(s_lastCommand))
                 .arg(replyLimit(s_lastCommand)));
    s_oversized = true;
    s_body.clear();
    s_body.squeeze();
    reply->abort();
}

void ServerManager::slotProcessReply()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    if (reply != s_reply) {
        // Cancelled or superseded: it must not finish whatever runs now.
        debugLine(QStringLiteral(">> dropped a late reply"));
        reply->deleteLater();
        return;
    }
    s_reply.clear();
    if (!s_oversized && reply->error() == QNetworkReply::NoError)
        readBody(reply);
    if (s_oversized) {
        s_oversized = false;
        s_replyBytes.clear();
        s_replyText.clear();
        // An answer beyond any the protocol gives is no answer the server could have meant.
        s_lastCommand = EServerCommands::E_UNKNOWN;
    } else if (reply->error() == QNetworkReply::NoError) {
        const QByteArray body = s_body;
        if (body.size() < 42)
            debugLine(QStringLiteral("<< gotReply: ") + QString::fromUtf8(body));
        const TParsedReply parsed = parseReply(s_lastCommand, body);
        s_lastCommand = parsed.result;
        s_replyText = parsed.text;
        s_replyBytes = parsed.file;
        if (parsed.result == EServerCommands::E_BIN_NOT_FOUND) {
            // Shown after the reply is handled: no modal box inside the network callback.
            QTimer::singleShot(0, &instance(), [] {
                qCritical().noquote() << tag() + QStringLiteral(" >> ") + qtTrId("lp_err_update_files_lost");
            });
        }
    } else {
        s_replyBytes.clear();
        s_replyText.clear();
        s_lastCommand = reply->error() == QNetworkReply::OperationCanceledError
                            ? EServerCommands::E_REQUEST_TIMEOUT
                            : EServerCommands::E_LOST_INTERNET_CONNECTION;
        if (s_lastCommand == EServerCommands::E_LOST_INTERNET_CONNECTION)
            warnLine(QStringLiteral(">> error text: ") + commandName(s_lastCommand));
        else
            debugLine(QStringLiteral(">> nothing to do with command: ") + commandName(s_lastCommand));
    }
    s_body.clear();
    if (reply->isRunning())
        reply->close();
    reply->deleteLater();
    emit signalGotReply();
}

void ServerManager::slotProcessReplyError(QNetworkReply::NetworkError code)
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (reply && reply != s_reply)
        return;
    if (s_oversized)
        return; // the refusal has said why
    if (reply)
        warnLine(QStringLiteral(">> error text: ") + reply->errorString());
    else
        warnLine(QStringLiteral(">> failed to get reply, but qt_error_string says: ") +
                 qt_error_string(int(code)));
    s_replyBytes.clear();
    s_replyText.clear();
    s_lastCommand = code == QNetworkReply::OperationCanceledError
                        ? EServerCommands::E_REQUEST_TIMEOUT
                        : EServerCommands::E_LOST_INTERNET_CONNECTION;
}

QString ServerManager::commandName(EServerCommands command)
{
    const char* name = nullptr;
    switch (command) {
    case EServerCommands::UNDEFINED:
        name = "UNDEFINED";
        break;
    case EServerCommands::E_UNKNOWN:
        name = "E_UNKNOWN";
        break;
    case EServerCommands::E_SIGNATURE:
        name = "E_SIGNATURE";
        break;
    case EServerCommands::E_EMPTY_DATA:
        name = "E_EMPTY_DATA";
        break;
    case EServerCommands::E_UNKOWN_PROGRAM_TYPE:
        name = "E_UNKOWN_PROGRAM_TYPE";
        break;
    case EServerCommands::E_UPDATE_NOT_AVAILABLE:
        name = "E_UPDATE_NOT_AVAILABLE";
        break;
    case EServerCommands::E_BIN_NOT_FOUND:
        name = "E_BIN_NOT_FOUND";
        break;
    case EServerCommands::E_LOST_INTERNET_CONNECTION:
        name = "E_LOST_INTERNET_CONNECTION";
        break;
    case EServerCommands::E_REQUEST_TIMEOUT:
        name = "E_REQUEST_TIMEOUT";
        break;
    case EServerCommands::GET_UPDATE:
        name = "GET_UPDATE";
        break;
    case EServerCommands::GET_ACTUAL_VERSION:
        name = "GET_ACTUAL_VERSION";
        break;
    case EServerCommands::SEND_ACTUAL_VERSION:
        name = "SEND_ACTUAL_VERSION";
        break;
    }
    if (name)
        return QStringLiteral("EServerCommands::") + QString::fromLatin1(name);
    const QString number = QString::number(qint32(command));
    qWarning().noquote() << tag() + QStringLiteral(" >> got unknown value of [ %1 ]: %2")
                                        .arg(QStringLiteral("EServerCommands"), number);
    return number;
}

} // namespace ZData

#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QUrlQuery>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "core/utility/VersionNumber.h"
#include "server/ServerTypes.h"

class QNetworkAccessManager;

namespace ZData {

// Client of the firmware update server: asks for the newest firmware version, downloads the update
// file and reports the version the device runs. Every request is a form-encoded POST to
// "update.php" below the configured base URL; nothing is sent when no base URL is configured.
class ServerManager : public QObject, public ZCore::TSingleton<ServerManager>, public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<ServerManager>;

public:
    static constexpr int REPLY_TIMEOUT_MS = 3000;
    static constexpr const char* ENDPOINT = "update.php";
    static constexpr const char* URL_ENVIRONMENT = "TOLVEKVNA_UPDATE_URL";
    static constexpr const char* OK_MARKER = "#OK:";
    static constexpr const char* ERROR_MARKER = "#Error: ";
    // What precedes the Base64 text of an update file after the OK marker.
    static constexpr const char* FILE_TAG = "F:";
    // A version or report answer is one short line.
    static constexpr qint64 LINE_REPLY_LIMIT = 256;
    // The markers, the file tag and a line end around the Base64 text of the largest image.
    static constexpr qint64 FILE_REPLY_OVERHEAD = 64;
    static constexpr qint64 READ_BUFFER_BYTES = 64 * 1024;

    // The outcome of one reply body, kept apart from the transport so that it can be checked alone.
    struct TParsedReply
    {
        EServerCommands result = EServerCommands::UNDEFINED;
        QString text;    // payload after the OK marker
        QByteArray file; // the decoded update file; empty unless a real file arrived
    };

    static bool init();
    static QString tag() { return QStringLiteral("ServerManager"); }

    // The base URL the build was configured with, overridden by the environment variable when that
    // is set (an empty value then means no server). Normalised to end in "/"; empty when unset or
    // unusable (only http and https URLs are taken).
    static QUrl configuredBaseUrl();
    static QUrl normalisedBaseUrl(const QString& text);
    static void setBaseUrl(const QUrl& base) { s_baseUrl = base; }
    static QUrl baseUrl() { return s_baseUrl; }
    static bool isConfigured() { return !s_baseUrl.isEmpty(); }
    static QUrl updateUrl();

    // Each returns false, sending nothing, when no server is configured.
    static bool requestActualVersion();
    static bool requestUpdate();
    static bool sendActualVersion(const ZCore::UtilityModules::VersionNumber& version);

    // Drops the request in flight: its reply, if it still comes, is never announced.
    static void cancel();
    static bool isBusy() { return !s_reply.isNull(); }

    static EServerCommands lastCommand() { return s_lastCommand; }
    // The decoded update file after a successful GET_UPDATE; empty otherwise.
    static const QByteArray& replyBytes() { return s_replyBytes; }
    static const QString& replyText() { return s_replyText; }
    static void clearCache();

    static TParsedReply parseReply(EServerCommands command, const QByteArray& body);
    // The largest body taken as the answer to the command; a longer one is aborted unread.
    static qint64 replyLimit(EServerCommands command);
    static EServerCommands serverErrorCode(const QByteArray& text);
    static QString commandName(EServerCommands command);

signals:
    void signalGotReply();

public slots:
    void slotProcessReply();
    void slotProcessReplyError(QNetworkReply::NetworkError code);
    void slotReadBody();
    void slotCheckHeaders();

private:
    ServerManager() = default;

    static QNetworkAccessManager* network();
    static bool post(EServerCommands command, const QUrlQuery& form);
    static void reportResult(EServerCommands result);
    // The text after the OK marker and its blanks; found says whether the marker was there.
    static QByteArray okPayload(const QByteArray& body, bool* found);
    // The image of a "F:<Base64>" payload, or empty (with the reason) when it is not exactly one
    // image the analyser can take.
    static QByteArray decodeFirmware(const QByteArray& payload, QString* why);
    static void readBody(QNetworkReply* reply);
    static void refuseOversized(QNetworkReply* reply, qint64 size);

    static inline QUrl s_baseUrl;
    static inline QPointer<QNetworkAccessManager> s_network;
    static inline QPointer<QNetworkReply> s_reply;
    static inline EServerCommands s_lastCommand = EServerCommands::UNDEFINED;
    static inline QByteArray s_replyBytes;
    static inline QString s_replyText;
    // The body of the reply in flight as read so far.
    static inline QByteArray s_body;
    static inline bool s_oversized = false;
};

} // namespace ZData

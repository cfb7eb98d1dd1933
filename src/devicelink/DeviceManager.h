#pragma once

#include <QHash>
#include <QObject>

#include <functional>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"
#include "server/ServerTypes.h"

namespace ZData {

// The program's view of the analyser: start-up sequence, device information, request framing,
// reply dispatch and the resend/disconnect policy.
class DeviceManager : public QObject, public ZCore::TSingleton<DeviceManager>, public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<DeviceManager>;

public:
    using ScanRequestSource = std::function<TScanRequest()>;

    static constexpr int UPDATE_CHUNK_SIZE = 1024;
    static constexpr qint32 INIT_UPDATE_REPLY_TIME_MS = 15000;

    static bool init();
    static QString tag() { return QStringLiteral("DeviceManager"); }

    static void initStartup();

    static void sendRequest(EDeviceCommands command, const QByteArray& data = QByteArray(),
                            quint16 options = 0);
    static void sendRequestNoReply(EDeviceCommands command, const QByteArray& data = QByteArray(),
                                   quint16 options = 0);
    static void sendPacket(const QByteArray& frame, const TDmmState& nextState);

    static const TDeviceInfo& deviceInfo() { return s_info; }
    static void setDeviceInfo(const TDeviceInfo& info) { s_info = info; }
    static void resetDeviceInfo();
    static QString deviceInfoText();

    // The data scan manager supplies the slice to request; without a source scan commands are finished
    // with a warning.
    static void setScanRequestSource(ScanRequestSource source) { s_scanSource = std::move(source); }
    // Payload of a scan request: bandwidth index, point count, frequencies as signed 64-bit.
    // Empty when the request cannot be framed (invalid, no points, more points than a slice holds).
    static QByteArray buildScanPayload(const TScanRequest& request);

    // Presence poll of the connection manager: a device-id request sent past the queue. Sent only
    // while the port is open, the queue idle and the link not waiting for another reply.
    static bool pollPresence();

    // Queues a question to the update server for the newest firmware version; the answer comes as
    // signalUpdateReply (a valid version) or signalUpdateCheckFailed.
    static void checkForUpdates();
    // First step of a firmware update: a running device is asked to reboot into its bootloader (and
    // marked update pending); a device already in its bootloader gets the update file at once.
    // Refused (false) while an update is already underway.
    static bool startFirmwareUpdate();
    // From the arrival of a real update file until the last chunk is acknowledged.
    static bool isUpdateInProgress() { return s_updateInProgress; }
    static bool isUpdateUnderway();
    static quint16 chunkCount() { return s_chunkCount; }
    static const QByteArray& firmwareImage() { return s_firmwareImage; }

    static TCommandHeader lastRequestHeader() { return s_lastHeader; }
    static QByteArray lastRequestData() { return s_lastData; }

    // Applies a device word as the reply to D_GET_DEVICE_FULL_TYPE does.
    static void applyDeviceWord(quint16 word);

    // Whether a well-framed reply answers the request last sent: a scan reply must carry the slice
    // index and point count asked for. The link layer refuses the others like damaged replies.
    static bool isReplyAccepted(const TDeviceReply& reply);

    // Forgets everything of the current connection (tests and a closing port).
    static void reset();

signals:
    void signalStartupFinished();
    void signalGotOldDevice();
    void signalIdentifiedDevice();
    void signalGotDeviceParams(ZData::EDeviceOptions option);
    void signalGotScanData(ZData::TDeviceReply device_reply);
    void signalGotCalibRange(ZData::TDeviceReply& device_reply);
    void signalGotCalibVCO(ZData::TDeviceReply& device_reply);
    void signalGotCalibData(ZData::TDeviceReply& device_reply);
    void signalSentCalibRange(ZData::TDeviceReply& device_reply);
    void signalSentCalibVCO(ZData::TDeviceReply& device_reply);
    void signalSentCalibData(ZData::TDeviceReply& device_reply);
    void signalUpdateReply(QString actual_version);
    void signalUpdateStarted();
    void signalUpdateProgress(int progress);
    // The version check gave no usable version: no server configured (UNDEFINED), a server error
    // code, a network failure or time-out, or a text that is no version (E_UNKNOWN).
    void signalUpdateCheckFailed(ZData::EServerCommands result);
    // No real update file arrived (or none could be fetched); nothing was sent to the device.
    void signalUpdateFailed(ZData::EServerCommands result);
    // Every chunk is acknowledged; the link is closed next and the device starts its new firmware.
    void signalUpdateFinished();
    // The port closed (lost, or the link gave up) in the middle of the transfer; the device is left
    // in its bootloader.
    void signalUpdateInterrupted();
    // A device came up in its bootloader with no update pending: it needs an update to run again.
    void signalGotBootloaderDevice();

public slots:
    void slotProcessQueueCommand(ZData::TCommandHeader header);
    void slotProcessDeviceReply();
    void slotProcessServerReply();

private:
    using CommandHandler = void (*)(const TCommandHeader& header);
    using ReplyHandler = void (*)(TDeviceReply& reply);

    DeviceManager();

    static const QHash<quint16, CommandHandler>& commandHandlers();
    static const QHash<quint16, ReplyHandler>& replyHandlers();

    static bool isBootloader();
    static bool ensureReplySize(const TDeviceReply& reply, int size);
    static void sendPlainRequest(const TCommandHeader& header);
    static void sendAppRequest(const TCommandHeader& header);
    static void processScanCommand(const TCommandHeader& header);
    static void finishStartup(const TCommandHeader& header);
    static void clearUpdateCache(const TCommandHeader& header);
    static void updateActualVersion(const TCommandHeader& header);
    static void disconnectDevice(const TCommandHeader& header);
    static void resendLastRequest(const TCommandHeader& header);
    static void processDeviceId(TDeviceReply& reply);
    static void processFullType(TDeviceReply& reply);
    static void processFirmwareVersion(TDeviceReply& reply);
    static void processOptions(TDeviceReply& reply);
    static void processScanData(TDeviceReply& reply);
    static void processInitUpdate(TDeviceReply& reply);
    static void processLinkError(TDeviceReply& reply);
    static void processDisconnect(TDeviceReply& reply);
    static void processUnhandled(TDeviceReply& reply);
    static void sendUpdate(const TCommandHeader& header);
    static void sendUpdateChunk(const TCommandHeader& header);
    static void queueUpdateChunks();
    static void queueGetUpdate();
    static void queueServerRequest(EDeviceCommands command);
    static void runServerRequest(EDeviceCommands command);
    static void processUpdateReply(EServerCommands result);
    static void processVersionReply(EServerCommands result);
    static void startTransfer(const QByteArray& image);
    static void failTransfer(EServerCommands result);
    static void abortServerWork();
    static void warnNotInApp(quint16 command);
    static void warnPortClosed(const QString& what, quint16 command);
    static void logFrame(const QString& prefix, const QByteArray& frame);

    static inline TDeviceInfo s_info;
    static inline TCommandHeader s_lastHeader;
    static inline QByteArray s_lastData;
    static inline QByteArray s_firmwareImage;
    static inline quint16 s_chunkCount = 0;
    static inline ScanRequestSource s_scanSource;
    static inline bool s_presenceInFlight = false;
    static inline EDeviceCommands s_awaitedServerCommand = EDeviceCommands::UNDEFINED;
    static inline bool s_updateInProgress = false;
    // The reply being dispatched answers the presence poll, not the head command.
    static inline bool s_presenceReply = false;
    // The slice of the last scan request sent: its start index and point count.
    static inline quint16 s_scanStartIndex = 0;
    static inline int s_scanPoints = 0;
};

} // namespace ZData

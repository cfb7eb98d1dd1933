#pragma once

#include <QHash>
#include <QObject>

#include <functional>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"

namespace ZData {

// The program's view of the analyser: start-up sequence, device information, request framing,
// reply dispatch and the resend/disconnect policy. The firmware update's steps are FirmwareUpdater's.
class DeviceManager : public QObject, public ZCore::TSingleton<DeviceManager>, public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<DeviceManager>;

public:
    using ScanRequestSource = std::function<TScanRequest()>;

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

    static TCommandHeader lastRequestHeader() { return s_lastHeader; }
    static QByteArray lastRequestData() { return s_lastData; }

    // Applies a device word as the reply to D_GET_DEVICE_FULL_TYPE does.
    static void applyDeviceWord(quint16 word);

    // Whether a well-framed reply answers the request last sent: a scan reply must carry the slice
    // index and point count asked for, a calibration block the block asked for, a firmware chunk's
    // acknowledgement that chunk's index. The link layer passes over the others: they are late
    // answers to earlier requests.
    static bool isReplyAccepted(const TDeviceReply& reply);
    static bool isScanReplyAccepted(const TDeviceReply& reply);
    static bool isCalibBlockAccepted(const TDeviceReply& reply);

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
    // The firmware version is read and the device runs its application: commands its receivers queue
    // belong to the start-up and run before it finishes.
    void signalVersionKnown();
    // The device came back in its bootloader for the update it was asked to reboot for.
    void signalUpdatePendingDevice();
    void signalInitUpdateAcknowledged();
    // A device came up in its bootloader with no update pending: it needs an update to run again.
    void signalGotBootloaderDevice();

public slots:
    void slotProcessQueueCommand(ZData::TCommandHeader header);
    void slotProcessDeviceReply();

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
    static void warnNotInApp(quint16 command);
    static void warnPortClosed(const QString& what, quint16 command);
    static void logFrame(const QString& prefix, const QByteArray& frame);

    static inline TDeviceInfo s_info;
    static inline TCommandHeader s_lastHeader;
    static inline QByteArray s_lastData;
    // The last request other than a resend request: the one a reply must answer.
    static inline TCommandHeader s_answeredHeader;
    static inline QByteArray s_answeredData;
    static inline ScanRequestSource s_scanSource;
    static inline bool s_presenceInFlight = false;
    // The reply being dispatched answers the presence poll, not the head command.
    static inline bool s_presenceReply = false;
    // The slice of the last scan request sent: its start index and point count.
    static inline quint16 s_scanStartIndex = 0;
    static inline int s_scanPoints = 0;
};

} // namespace ZData

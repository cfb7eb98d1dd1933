#pragma once

#include <QObject>
#include <QTimer>

#include "core/ISInitializable.h"
#include "core/TSingleton.h"
#include "devicelink/DeviceTypes.h"
#include "server/ServerTypes.h"

namespace ZData {

// The firmware update from the question to the update server until the analyser runs its new
// firmware: version check and report, the reboot into the bootloader, the download, the chunk
// transfer and the reopening of the port afterwards. Every step is a command of the device link's
// queue; the device manager carries the frames and reports the device's state.
class FirmwareUpdater : public QObject,
                        public ZCore::TSingleton<FirmwareUpdater>,
                        public ZCore::ISInitializable
{
    Q_OBJECT
    friend class ZCore::TSingleton<FirmwareUpdater>;

public:
    enum class EState
    {
        IDLE,
        CHECKING,    // the server is asked for the newest version
        REBOOTING,   // the device was asked to restart in its bootloader and is awaited there
        DOWNLOADING, // the update file is fetched from the server
        SENDING,     // the image goes to the device chunk by chunk
        RESTARTING,  // every chunk is in; the device restarts and is awaited with its new firmware
    };
    Q_ENUM(EState)

    // The device needs a moment to start its new firmware after the program let go of the port.
    static constexpr int REOPEN_INTERVAL_MS = 1000;
    static constexpr int REOPEN_TRIES = 30;

    static bool init();
    static QString tag() { return QStringLiteral("FirmwareUpdater"); }

    static EState state() { return s_state; }

    // Queues a question for the newest firmware version; the answer comes as signalUpdateReply (a
    // valid version) or signalUpdateCheckFailed.
    static void checkForUpdates();
    // A running device is asked to reboot into its bootloader (and marked update pending); a device
    // already in its bootloader gets the update file at once. Refused (false) while an update is
    // underway.
    static bool startFirmwareUpdate();
    // From the arrival of a real update file until the last chunk is acknowledged.
    static bool isUpdateInProgress() { return s_state == EState::SENDING; }
    // From the start until the device runs again.
    static bool isUpdateUnderway();
    static bool isReopenPending();
    static quint16 chunkCount() { return s_chunkCount; }
    static const QByteArray& firmwareImage() { return s_image; }

    // Forgets every update step (tests, and the device manager's reset).
    static void reset();

signals:
    void signalStateChanged(ZData::FirmwareUpdater::EState state);
    void signalUpdateReply(QString actual_version);
    // The version check gave no usable version: no server configured (UNDEFINED), a server error
    // code, a network failure or time-out, or a text that is no version (E_UNKNOWN).
    void signalUpdateCheckFailed(ZData::EServerCommands result);
    void signalUpdateStarted();
    void signalUpdateProgress(int progress);
    // No real update file arrived (or none could be fetched); nothing was sent to the device.
    void signalUpdateFailed(ZData::EServerCommands result);
    // Every chunk is acknowledged; the link is closed next and the device starts its new firmware.
    void signalUpdateFinished();
    // The device is back and runs the given firmware.
    void signalUpdateCompleted(QString version);
    // The device did not come back after the transfer within the reopen tries.
    void signalDeviceNotBack();
    // The port closed (lost, or the link gave up) in the middle of the transfer; the device is left
    // in its bootloader.
    void signalUpdateInterrupted();

public slots:
    void slotProcessServerReply();

private:
    FirmwareUpdater();

    static void setState(EState state);
    static void queueServerRequest(EDeviceCommands command);
    static void runServerRequest(EDeviceCommands command);
    static void processVersionReply(EServerCommands result);
    static void processUpdateReply(EServerCommands result);
    static void startTransfer(const QByteArray& image);
    static void failTransfer(EServerCommands result);
    static void sendInit();
    static void queueChunks();
    static void sendChunk(const TCommandHeader& header);
    static void finishTransfer();
    static void onVersionKnown();
    static void onDeviceIdentified();
    static void onPortClosing();
    static void onPortClosed();
    static void reopenPort();

    QTimer m_reopenTimer;

    static inline EState s_state = EState::IDLE;
    static inline QByteArray s_image;
    static inline quint16 s_chunkCount = 0;
    static inline EDeviceCommands s_awaitedServerCommand = EDeviceCommands::UNDEFINED;
    static inline int s_reopenTriesLeft = 0;
    static inline bool s_reopenAfterClose = false;
};

} // namespace ZData

Q_DECLARE_METATYPE(ZData::FirmwareUpdater::EState)

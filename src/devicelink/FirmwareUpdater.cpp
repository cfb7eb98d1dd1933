#include "devicelink/FirmwareUpdater.h"

#include <QDataStream>
#include <QIODevice>

#include "core/TaggedLog.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/SerialPort.h"
#include "server/ServerManager.h"

namespace ZData {

namespace {

using DM::CommandQueue;
using DM::SerialPort;

const ZCore::TaggedLog kLog(FirmwareUpdater::tag());

bool isBootloader()
{
    return DeviceManager::deviceInfo().deviceState == quint8(EDeviceStates::BOOTLOADER);
}

void warnNotInApp(EDeviceCommands command)
{
    kLog.warn(QStringLiteral(">> device is NOT in 'app' state => nothing to do with command: ") +
              DeviceEnumPrinter::commandName(quint16(command)));
}

} // namespace

FirmwareUpdater::FirmwareUpdater() = default;

bool FirmwareUpdater::init()
{
    kLog.debug(QStringLiteral(">> ZData::FirmwareUpdater::init.."));
    qRegisterMetaType<ZData::EServerCommands>("ZData::EServerCommands");
    qRegisterMetaType<ZData::FirmwareUpdater::EState>("ZData::FirmwareUpdater::EState");
    auto& self = instance();
    self.m_reopenTimer.setSingleShot(true);
    self.m_reopenTimer.setInterval(REOPEN_INTERVAL_MS);
    QObject::connect(&self.m_reopenTimer, &QTimer::timeout, &self, &FirmwareUpdater::reopenPort,
                     Qt::UniqueConnection);
    ServerManager::init(); // the server client has no place of its own in the start-up sequence
    QObject::connect(&ServerManager::instance(), &ServerManager::signalGotReply, &self,
                     &FirmwareUpdater::slotProcessServerReply, Qt::UniqueConnection);
    auto* device = &DeviceManager::instance();
    // Direct connections: the device manager's start-up decisions and acknowledgements are followed
    // within its call chain, so the queue keeps the order of the steps.
    QObject::connect(device, &DeviceManager::signalVersionKnown, &self, &FirmwareUpdater::onVersionKnown,
                     Qt::UniqueConnection);
    QObject::connect(device, &DeviceManager::signalIdentifiedDevice, &self,
                     &FirmwareUpdater::onDeviceIdentified, Qt::UniqueConnection);
    QObject::connect(
        device, &DeviceManager::signalUpdatePendingDevice, &self,
        [] { queueServerRequest(EDeviceCommands::S_GET_UPDATE); }, Qt::UniqueConnection);
    QObject::connect(device, &DeviceManager::signalInitUpdateAcknowledged, &self,
                     &FirmwareUpdater::queueChunks, Qt::UniqueConnection);
    QObject::connect(&SerialPort::instance(), &SerialPort::signalClosing, &self,
                     &FirmwareUpdater::onPortClosing, Qt::UniqueConnection);
    QObject::connect(&SerialPort::instance(), &SerialPort::signalClosed, &self,
                     &FirmwareUpdater::onPortClosed, Qt::UniqueConnection);
    QObject::connect(
        &SerialPort::instance(), &SerialPort::signalOpened, &self,
        [] {
            instance().m_reopenTimer.stop();
            s_reopenAfterClose = false;
        },
        Qt::UniqueConnection);
    return true;
}

void FirmwareUpdater::reset()
{
    ServerManager::cancel();
    s_image.clear();
    s_chunkCount = 0;
    s_awaitedServerCommand = EDeviceCommands::UNDEFINED;
    s_reopenAfterClose = false;
    s_reopenTriesLeft = 0;
    instance().m_reopenTimer.stop();
    setState(EState::IDLE);
}

void FirmwareUpdater::setState(EState state)
{
    if (s_state == state)
        return;
    s_state = state;
    emit instance().signalStateChanged(state);
}

bool FirmwareUpdater::isUpdateUnderway()
{
    return s_state == EState::REBOOTING || s_state == EState::DOWNLOADING || s_state == EState::SENDING ||
           s_state == EState::RESTARTING;
}

bool FirmwareUpdater::isReopenPending()
{
    return instance().m_reopenTimer.isActive() || s_reopenAfterClose;
}

void FirmwareUpdater::checkForUpdates()
{
    if (s_state == EState::IDLE)
        setState(EState::CHECKING);
    queueServerRequest(EDeviceCommands::S_GET_ACTUAL_VERSION);
}

bool FirmwareUpdater::startFirmwareUpdate()
{
    if (isUpdateUnderway()) {
        kLog.warn(QStringLiteral(">> a firmware update is already underway"));
        return false;
    }
    if (isBootloader()) {
        setState(EState::DOWNLOADING);
        queueServerRequest(EDeviceCommands::S_GET_UPDATE);
        return true;
    }
    setState(EState::REBOOTING);
    CommandQueue::add(EDeviceCommands::A_REBOOT_TO_UPDATE_MODE, [](const TCommandHeader&) {
        TDeviceInfo info = DeviceManager::deviceInfo();
        info.updatePending = true;
        DeviceManager::setDeviceInfo(info);
        DeviceManager::sendRequest(EDeviceCommands::A_REBOOT_TO_UPDATE_MODE, QByteArray(), 0);
    });
    return true;
}

// ---- the device's start-up on the way through an update ----

void FirmwareUpdater::onVersionKnown()
{
    // Part of every start-up: the server learns which firmware the device runs.
    if (isBootloader()) {
        warnNotInApp(EDeviceCommands::S_UPDATE_ACTUAL_VERSION);
        return;
    }
    queueServerRequest(EDeviceCommands::S_UPDATE_ACTUAL_VERSION);
}

void FirmwareUpdater::onDeviceIdentified()
{
    const TDeviceInfo& info = DeviceManager::deviceInfo();
    if (s_state == EState::REBOOTING && !info.updatePending) {
        // Another device, or one that did not go into its bootloader: nothing is fetched for it.
        kLog.warn(QStringLiteral(">> the device did not come back for the update"));
        setState(EState::IDLE);
    } else if (s_state == EState::REBOOTING) {
        setState(EState::DOWNLOADING);
    } else if (s_state == EState::RESTARTING) {
        instance().m_reopenTimer.stop();
        setState(EState::IDLE);
        if (!isBootloader()) {
            kLog.info(QStringLiteral(">> the device runs firmware ") + info.firmwareVersion.toString());
            emit instance().signalUpdateCompleted(info.firmwareVersion.toString());
        }
        // A device still in its bootloader is reported by the device manager as one that needs an
        // update.
    }
}

// ---- update server steps: each S_* command waits for exactly one answer of the server client ----

void FirmwareUpdater::queueServerRequest(EDeviceCommands command)
{
    CommandQueue::add(command, [command](const TCommandHeader&) { runServerRequest(command); });
}

void FirmwareUpdater::runServerRequest(EDeviceCommands command)
{
    s_awaitedServerCommand = command;
    bool sent = false;
    switch (command) {
    case EDeviceCommands::S_GET_ACTUAL_VERSION:
        sent = ServerManager::requestActualVersion();
        break;
    case EDeviceCommands::S_GET_UPDATE:
        sent = ServerManager::requestUpdate();
        break;
    case EDeviceCommands::S_UPDATE_ACTUAL_VERSION:
        sent = ServerManager::sendActualVersion(DeviceManager::deviceInfo().firmwareVersion);
        break;
    default:
        break;
    }
    if (sent)
        return;
    s_awaitedServerCommand = EDeviceCommands::UNDEFINED;
    kLog.info(QStringLiteral(">> no update server => nothing to do with command: ") +
              DeviceEnumPrinter::commandName(quint16(command)));
    if (command == EDeviceCommands::S_GET_ACTUAL_VERSION) {
        if (s_state == EState::CHECKING)
            setState(EState::IDLE);
        emit instance().signalUpdateCheckFailed(EServerCommands::UNDEFINED);
    } else if (command == EDeviceCommands::S_GET_UPDATE) {
        failTransfer(EServerCommands::UNDEFINED);
    }
    CommandQueue::process(true);
}

void FirmwareUpdater::slotProcessServerReply()
{
    const EDeviceCommands awaited = s_awaitedServerCommand;
    s_awaitedServerCommand = EDeviceCommands::UNDEFINED;
    const EServerCommands result = ServerManager::lastCommand();
    // A reply for a command that is no longer at the head (the port closed meanwhile) must never
    // finish whatever runs now.
    if (awaited == EDeviceCommands::UNDEFINED || CommandQueue::head().command != quint16(awaited)) {
        kLog.warn(QStringLiteral(">> dropped a server reply no command waits for: ") +
                  ServerManager::commandName(result));
        return;
    }
    switch (awaited) {
    case EDeviceCommands::S_GET_UPDATE:
        processUpdateReply(result);
        break;
    case EDeviceCommands::S_GET_ACTUAL_VERSION:
        processVersionReply(result);
        break;
    default:
        kLog.debug(QStringLiteral("<== ") + ServerManager::tag() +
                   QStringLiteral(" >> nothing to do with command: ") + ServerManager::commandName(result));
        break;
    }
    CommandQueue::process(true);
}

void FirmwareUpdater::processVersionReply(EServerCommands result)
{
    if (s_state == EState::CHECKING)
        setState(EState::IDLE);
    const QString text = ServerManager::replyText();
    if (result == EServerCommands::GET_ACTUAL_VERSION &&
        ZCore::UtilityModules::VersionNumber(text).isValid()) {
        kLog.info(QStringLiteral("<== ") + ServerManager::tag() + QStringLiteral(" >> actual version: ") +
                  text);
        emit instance().signalUpdateReply(text);
        return;
    }
    // An unreadable version must not pass for a newer one.
    const EServerCommands reason =
        result == EServerCommands::GET_ACTUAL_VERSION ? EServerCommands::E_UNKNOWN : result;
    kLog.warn(QStringLiteral(">> version check failed: ") + ServerManager::commandName(reason));
    emit instance().signalUpdateCheckFailed(reason);
}

void FirmwareUpdater::processUpdateReply(EServerCommands result)
{
    if (result != EServerCommands::GET_UPDATE) {
        kLog.warn(QStringLiteral(">> no update file: ") + ServerManager::commandName(result));
        failTransfer(result);
        return;
    }
    kLog.info(QStringLiteral("<== ") + ServerManager::tag() + QStringLiteral(" >> got update"));
    startTransfer(ServerManager::replyBytes());
}

// ---- the transfer ----

void FirmwareUpdater::startTransfer(const QByteArray& image)
{
    s_image = image;
    if (image.isEmpty()) {
        kLog.warn(QStringLiteral(">> tried to init update without update data"));
        failTransfer(EServerCommands::GET_UPDATE);
        return;
    }
    if (!isBootloader()) {
        warnNotInApp(EDeviceCommands::B_INIT_UPDATE);
        failTransfer(EServerCommands::GET_UPDATE);
        return;
    }
    setState(EState::SENDING);
    emit instance().signalUpdateStarted();
    CommandQueue::add(EDeviceCommands::B_INIT_UPDATE, [](const TCommandHeader&) { sendInit(); });
}

void FirmwareUpdater::failTransfer(EServerCommands result)
{
    s_image.clear();
    ServerManager::clearCache();
    setState(EState::IDLE);
    emit instance().signalUpdateFailed(result);
}

void FirmwareUpdater::sendInit()
{
    kLog.debug(QStringLiteral(">> ZData::FirmwareUpdater::sendUpdate.."));
    const qint64 size = s_image.size();
    const qint64 chunks =
        (size + EProtocolSetup::FIRMWARE_CHUNK_BYTES - 1) / EProtocolSetup::FIRMWARE_CHUNK_BYTES;
    if (size == 0 || chunks > 0xFFFF) {
        kLog.warn(QStringLiteral(">> tried to init update without update data"));
        failTransfer(EServerCommands::GET_UPDATE);
        CommandQueue::process(true);
        return;
    }
    s_chunkCount = quint16(chunks);
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    FrameCodec::setByteOrder(out);
    out << quint32(size);
    DeviceManager::sendRequest(EDeviceCommands::B_INIT_UPDATE, data, s_chunkCount);
    // The device drops off the line when it restarts; that is no loss to recover from.
    ConnectionManager::setAutoReconnect(false);
}

void FirmwareUpdater::queueChunks()
{
    if (s_state != EState::SENDING)
        return;
    kLog.debug(QStringLiteral("<< sending update of [ %1 ] chunks..").arg(s_chunkCount));
    for (quint16 i = 0; i < s_chunkCount; ++i) {
        TCommandHeader header;
        header.command = quint16(EDeviceCommands::B_SEND_MAINAPP_CHUNK);
        header.deviceWord = DeviceManager::deviceInfo().deviceWord;
        header.options = i;
        CommandQueue::add(header, &FirmwareUpdater::sendChunk);
    }
    CommandQueue::add(EDeviceCommands::S_CLEAR_UPDATE_CACHE, [](const TCommandHeader&) { finishTransfer(); });
    CommandQueue::add(EDeviceCommands::DISCONNECT);
}

void FirmwareUpdater::sendChunk(const TCommandHeader& header)
{
    const quint16 index = header.options;
    kLog.debug(QStringLiteral("<< sendUpdateChunk: %1").arg(index));
    const qint64 from = qint64(index) * EProtocolSetup::FIRMWARE_CHUNK_BYTES;
    if (index >= s_chunkCount || from >= s_image.size()) {
        kLog.warn(QStringLiteral(">> no firmware chunk %1 to send").arg(index));
        CommandQueue::process(true);
        return;
    }
    DeviceManager::sendRequest(EDeviceCommands::B_SEND_MAINAPP_CHUNK,
                               s_image.mid(int(from), EProtocolSetup::FIRMWARE_CHUNK_BYTES), index);
    const int progress = int(double(index + 1) / double(s_chunkCount) * 100.0);
    emit instance().signalUpdateProgress(progress);
}

void FirmwareUpdater::finishTransfer()
{
    s_image.clear();
    ServerManager::clearCache();
    // Reached only after the last chunk's command has finished with its acknowledgement: a failed
    // chunk puts its resend first, and a link that gives up closes the port and clears the queue.
    if (s_state == EState::SENDING) {
        ConnectionManager::setAutoReconnect(true);
        kLog.info(QStringLiteral(">> firmware update sent"));
        // The program closes the port itself next, so nobody else would open it again.
        s_reopenTriesLeft = REOPEN_TRIES;
        s_reopenAfterClose = true;
        setState(EState::RESTARTING);
        emit instance().signalUpdateFinished();
    }
    CommandQueue::process(true);
}

// ---- the port ----

void FirmwareUpdater::onPortClosing()
{
    ServerManager::cancel();
    s_awaitedServerCommand = EDeviceCommands::UNDEFINED;
    switch (s_state) {
    case EState::SENDING:
        s_image.clear();
        ServerManager::clearCache();
        // The device sits in its bootloader; it must be found again when it comes back.
        ConnectionManager::setAutoReconnect(true);
        setState(EState::IDLE);
        kLog.warn(QStringLiteral(">> firmware update interrupted: the device is left in its bootloader"));
        emit instance().signalUpdateInterrupted();
        break;
    case EState::CHECKING:
    case EState::DOWNLOADING:
        // Nothing reached the device; a device left in its bootloader says so when it is back.
        s_image.clear();
        ServerManager::clearCache();
        setState(EState::IDLE);
        break;
    case EState::IDLE:
    case EState::REBOOTING:  // the reboot drops the line: awaited
    case EState::RESTARTING: // the program closes the port itself after the transfer
        break;
    }
}

void FirmwareUpdater::onPortClosed()
{
    if (!s_reopenAfterClose)
        return;
    s_reopenAfterClose = false;
    instance().m_reopenTimer.start();
}

void FirmwareUpdater::reopenPort()
{
    s_reopenAfterClose = false;
    if (SerialPort::isOpen() || SerialPort::open(false))
        return;
    if (--s_reopenTriesLeft > 0) {
        instance().m_reopenTimer.start();
        return;
    }
    kLog.warn(QStringLiteral(">> the device did not come back after the update"));
    if (s_state == EState::RESTARTING)
        setState(EState::IDLE);
    emit instance().signalDeviceNotBack();
}

} // namespace ZData

#include "devicelink/DeviceManager.h"

#include <QDataStream>
#include <QIODevice>

#include "core/Logger.h"
#include "core/TaggedLog.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/DeviceOptionsParser.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/FrameCodec.h"
#include "devicelink/ScanReply.h"
#include "devicelink/SerialPort.h"

namespace ZData {

namespace {

using DM::CommandQueue;
using DM::SerialPort;

const ZCore::TaggedLog kLog(DeviceManager::tag());

QString name(quint16 command)
{
    return DeviceEnumPrinter::commandName(command);
}

constexpr quint16 code(EDeviceCommands command)
{
    return quint16(command);
}

quint32 readU32(const QByteArray& data, int pos)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(quint8(data.at(pos + i))) << (8 * i);
    return v;
}

} // namespace

DeviceManager::DeviceManager() = default;

bool DeviceManager::init()
{
    kLog.debug(QStringLiteral(">> ZData::DeviceManager::init.."));
    CommandQueue::init(); // the queue has no place of its own in the start-up sequence
    qRegisterMetaType<ZData::TDeviceReply>("ZData::TDeviceReply");
    qRegisterMetaType<ZData::EDeviceOptions>("ZData::EDeviceOptions");
    auto& self = instance();
    QObject::connect(&CommandQueue::instance(), &CommandQueue::signalGotCommand, &self,
                     &DeviceManager::slotProcessQueueCommand, Qt::UniqueConnection);
    QObject::connect(&SerialPort::instance(), &SerialPort::signalOpened, &self, [] {
        resetDeviceInfo();
        s_info.portInfo = QSerialPortInfo(SerialPort::port());
        initStartup();
    });
    QObject::connect(&SerialPort::instance(), &SerialPort::signalClosing, &self, [] {
        // Whatever was in progress dies with the link: no stale timer may report a timeout later.
        s_presenceInFlight = false;
        CommandQueue::holdStart(false);
        CommandQueue::clear();
        DeviceMessageManager::reset();
    });
    QObject::connect(&DeviceMessageManager::instance(), &DeviceMessageManager::signalGotReply, &self,
                     &DeviceManager::slotProcessDeviceReply, Qt::UniqueConnection);
    DeviceMessageManager::setReplyCheck(&DeviceManager::isReplyAccepted);
    // The update's steps ride on the link; they have no place of their own in the start-up sequence.
    FirmwareUpdater::init();
    return true;
}

void DeviceManager::reset()
{
    s_info = TDeviceInfo();
    s_lastHeader = TCommandHeader();
    s_lastData.clear();
    s_answeredHeader = TCommandHeader();
    s_answeredData.clear();
    s_presenceInFlight = false;
    FirmwareUpdater::reset();
    s_presenceReply = false;
    s_scanStartIndex = 0;
    s_scanPoints = 0;
    CommandQueue::holdStart(false);
}

void DeviceManager::resetDeviceInfo()
{
    TDeviceInfo fresh;
    fresh.identifier = s_info.identifier;
    fresh.updatePending = s_info.updatePending;
    s_info = fresh;
}

QString DeviceManager::deviceInfoText()
{
    return QStringLiteral("\nID:      %1\nType:    %2\nState:   %3\nVersion: %4\n")
        .arg(s_info.identifier)
        .arg(DeviceEnumPrinter::toString(EDeviceTypes(s_info.deviceType)))
        .arg(DeviceEnumPrinter::toString(EDeviceStates(s_info.deviceState)))
        .arg(s_info.firmwareVersion.toString());
}

bool DeviceManager::isBootloader()
{
    return s_info.deviceState == quint8(EDeviceStates::BOOTLOADER);
}

void DeviceManager::initStartup()
{
    kLog.info(QStringLiteral(">> ZData::DeviceManager::initStartup.."));
    CommandQueue::add(EDeviceCommands::D_GET_DEVICE_ID);
    CommandQueue::add(EDeviceCommands::D_GET_DEVICE_FULL_TYPE);
    CommandQueue::add(EDeviceCommands::D_GET_FIRMWARE_VERSION);
}

// ---- sending ----

void DeviceManager::logFrame(const QString& prefix, const QByteArray& frame)
{
    // Hex dumps are only worth building where a debug line is written at all.
    if (ZCore::Logger::isDebugWritten())
        kLog.debug(prefix + QString::fromLatin1(frame.toHex(' ')));
}

void DeviceManager::warnPortClosed(const QString& what, quint16 command)
{
    kLog.warn(QStringLiteral("[ %1 ] >> tried to %2: %3")
                  .arg(DeviceMessageManager::frameCounter())
                  .arg(what, name(command)));
    kLog.warn(QStringLiteral(">> serial port is closed. Open it first"));
}

void DeviceManager::sendRequest(EDeviceCommands command, const QByteArray& data, quint16 options)
{
    if (!SerialPort::isOpen()) {
        warnPortClosed(QStringLiteral("sendRequest"), quint16(command));
        return;
    }
    if (data.size() > 0xFFFF) {
        kLog.warn(QStringLiteral(">> refused to send %1: %2 data bytes do not fit a frame")
                      .arg(name(quint16(command)))
                      .arg(data.size()));
        return;
    }
    DeviceMessageManager::setState(DMM::EStates::SEND_BUSY);
    TCommandHeader header;
    header.command = quint16(command);
    header.dataLength = quint16(data.size());
    header.deviceWord = s_info.deviceWord;
    header.options = options;
    header.frameCount = 0;
    header.checksum = 0;
    s_lastHeader = header;
    s_lastData = data;
    // A resend request asks for a repeat of the reply to the request before it, which stays the one
    // replies are held against.
    if (command != EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE) {
        s_answeredHeader = header;
        s_answeredData = data;
    }
    if (command == EDeviceCommands::DA_GET_SCAN_DATA) {
        // Kept apart from the last request: a resend request asks for a repeat of this reply.
        s_scanStartIndex = options;
        s_scanPoints = data.size() > 1 ? int(quint8(data.at(1))) : 0;
    }
    const QByteArray frame = DeviceMessageManager::buildFrame(header, data, true);
    TDmmState next;
    next.state = DMM::EStates::RECEIVE_REPLY;
    next.values = {command == EDeviceCommands::B_INIT_UPDATE ? INIT_UPDATE_REPLY_TIME_MS
                                                             : DeviceMessageManager::REPLY_TIME_MS};
    sendPacket(frame, next);
}

void DeviceManager::sendRequestNoReply(EDeviceCommands command, const QByteArray& data, quint16 options)
{
    if (!SerialPort::isOpen()) {
        warnPortClosed(QStringLiteral("sendRequestNoReply"), quint16(command));
        return;
    }
    if (data.size() > 0xFFFF)
        return;
    TCommandHeader header;
    header.command = quint16(command);
    header.dataLength = quint16(data.size());
    header.deviceWord = s_info.deviceWord;
    header.options = options;
    const QByteArray frame = DeviceMessageManager::buildFrame(header, data, false);
    if (frame.size() < 100)
        logFrame(QStringLiteral("<< "), frame);
    SerialPort::port().write(frame);
}

void DeviceManager::sendPacket(const QByteArray& frame, const TDmmState& nextState)
{
    if (!SerialPort::isOpen()) {
        logFrame(QStringLiteral("[ RAW ] >> tried to sendPacket: "), frame);
        kLog.warn(QStringLiteral(">> serial port is closed. Open it first"));
        return;
    }
    if (frame.size() < 100)
        logFrame(QStringLiteral("<< "), frame);
    SerialPort::port().write(frame);
    DeviceMessageManager::setState(nextState);
}

bool DeviceManager::pollPresence()
{
    if (!SerialPort::isOpen() || !CommandQueue::isEmpty() || DeviceMessageManager::isReceiving() ||
        s_presenceInFlight)
        return false;
    s_presenceInFlight = true;
    CommandQueue::holdStart(true);
    sendRequest(EDeviceCommands::D_GET_DEVICE_ID);
    return true;
}

QByteArray DeviceManager::buildScanPayload(const TScanRequest& request)
{
    const int n = request.frequencies.size();
    if (!request.valid || n == 0 || n > EProtocolSetup::SLICE_POINTS)
        return QByteArray();
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    FrameCodec::setByteOrder(out);
    out << quint8(request.bandwidthIndex) << quint8(n);
    for (quint64 f : request.frequencies)
        out << qint64(f);
    return payload;
}

// ---- queued commands ----

const QHash<quint16, DeviceManager::CommandHandler>& DeviceManager::commandHandlers()
{
    static const QHash<quint16, CommandHandler> table{
        {code(EDeviceCommands::D_GET_DEVICE_ID), &DeviceManager::sendPlainRequest},
        {code(EDeviceCommands::D_GET_DEVICE_FULL_TYPE), &DeviceManager::sendPlainRequest},
        {code(EDeviceCommands::D_GET_FIRMWARE_VERSION), &DeviceManager::sendPlainRequest},
        {code(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE), &DeviceManager::sendPlainRequest},
        {code(EDeviceCommands::D_GET_OPTIONS), &DeviceManager::sendAppRequest},
        {code(EDeviceCommands::DA_GET_SCAN_DATA), &DeviceManager::processScanCommand},
        {code(EDeviceCommands::STARTUP_FINISHED), &DeviceManager::finishStartup},
        {code(EDeviceCommands::DISCONNECT), &DeviceManager::disconnectDevice},
        {code(EDeviceCommands::E_RESEND_PACKET_TO_DEVICE), &DeviceManager::resendLastRequest},
    };
    return table;
}

void DeviceManager::slotProcessQueueCommand(ZData::TCommandHeader header)
{
    if (const CommandHandler handler = commandHandlers().value(header.command, nullptr)) {
        handler(header);
        return;
    }
    kLog.debug(QStringLiteral("<== CommandQueue >> nothing to do with command: ") + name(header.command));
    // A command nobody handles must not block the queue.
    CommandQueue::process(true);
}

void DeviceManager::sendPlainRequest(const TCommandHeader& header)
{
    sendRequest(EDeviceCommands(header.command), QByteArray(), header.options);
}

void DeviceManager::sendAppRequest(const TCommandHeader& header)
{
    if (isBootloader()) {
        warnNotInApp(header.command);
        CommandQueue::process(true);
        return;
    }
    sendPlainRequest(header);
}

void DeviceManager::warnNotInApp(quint16 command)
{
    kLog.warn(QStringLiteral(">> device is NOT in 'app' state => nothing to do with command: ") +
              name(command));
}

void DeviceManager::processScanCommand(const TCommandHeader& header)
{
    if (!s_scanSource) {
        kLog.warn(QStringLiteral(">> no scan request source => nothing to do with command: ") +
                  name(header.command));
        CommandQueue::process(true);
        return;
    }
    const TScanRequest request = s_scanSource();
    const QByteArray payload = buildScanPayload(request);
    if (payload.isEmpty()) {
        kLog.warn(QStringLiteral(">> invalid scan request (%1 points) => nothing to do with command: ")
                      .arg(request.frequencies.size()) +
                  name(header.command));
        CommandQueue::process(true);
        return;
    }
    sendRequest(EDeviceCommands::DA_GET_SCAN_DATA, payload, request.startIndex);
}

void DeviceManager::finishStartup(const TCommandHeader&)
{
    emit instance().signalStartupFinished();
    CommandQueue::process(true);
}

void DeviceManager::disconnectDevice(const TCommandHeader&)
{
    kLog.warn(QStringLiteral(">> limit of resends is exceeded. Disconnecting.."));
    SerialPort::close(true);
}

void DeviceManager::resendLastRequest(const TCommandHeader&)
{
    // Every request is resent, header-only ones included: an identifier request lost on its way
    // would otherwise leave the start-up with no identifier at all.
    if (s_lastHeader.command == code(EDeviceCommands::UNDEFINED)) {
        kLog.warn(QStringLiteral(">> nothing to resend from master"));
        CommandQueue::process(true);
        return;
    }
    sendRequest(EDeviceCommands(s_lastHeader.command), QByteArray(s_lastData), s_lastHeader.options);
}

// ---- replies ----

bool DeviceManager::isReplyAccepted(const TDeviceReply& reply)
{
    switch (EDeviceCommands(reply.header.command)) {
    case EDeviceCommands::DA_GET_SCAN_DATA:
        return isScanReplyAccepted(reply);
    case EDeviceCommands::F_READ_CALIB_DATA:
    case EDeviceCommands::F_READ_CALIB_VCO:
        return isCalibBlockAccepted(reply);
    case EDeviceCommands::B_SEND_MAINAPP_CHUNK:
        if (reply.header.options == s_answeredHeader.options)
            return true;
        kLog.warn(QStringLiteral(">> refused acknowledgement of firmware chunk %1, chunk %2 was sent")
                      .arg(reply.header.options)
                      .arg(s_answeredHeader.options));
        return false;
    default:
        return true;
    }
}

bool DeviceManager::isCalibBlockAccepted(const TDeviceReply& reply)
{
    // The request names the block by its first entry and count; the reply names the block it carries,
    // as floats for calibration points and as 16-bit integers for oscillator tables.
    if (reply.header.command != s_answeredHeader.command ||
        reply.header.options != s_answeredHeader.options || s_answeredData.size() < 4 ||
        reply.data.size() < 8) {
        kLog.warn(QStringLiteral(">> refused calibration block: no matching request"));
        return false;
    }
    QDataStream request(s_answeredData);
    FrameCodec::setByteOrder(request);
    qint16 first = 0, count = 0;
    request >> first >> count;
    QDataStream answer(reply.data);
    FrameCodec::setByteOrder(answer);
    qint64 gotFirst = 0, gotCount = 0;
    if (reply.header.command == code(EDeviceCommands::F_READ_CALIB_DATA)) {
        answer.setFloatingPointPrecision(QDataStream::SinglePrecision);
        float f = -1, c = -1;
        answer >> f >> c;
        // Anything but a small count (NaN included) names no block of any request.
        gotFirst = f >= 0 && f <= 0xFFFF ? qint64(f) : -1;
        gotCount = c >= 0 && c <= 0xFFFF ? qint64(c) : -1;
    } else {
        qint16 f = 0, c = 0;
        answer >> f >> c;
        gotFirst = f;
        gotCount = c;
    }
    if (gotFirst == first && gotCount == count)
        return true;
    kLog.warn(QStringLiteral(">> refused calibration block %1+%2, requested %3+%4")
                  .arg(gotFirst)
                  .arg(gotCount)
                  .arg(first)
                  .arg(count));
    return false;
}

bool DeviceManager::isScanReplyAccepted(const TDeviceReply& reply)
{
    ScanReply scan;
    QString reason;
    if (!ScanReply::parse(reply.data, scan, &reason)) {
        kLog.warn(QStringLiteral(">> refused scan reply: ") + reason);
        return false;
    }
    if (reply.header.options != s_scanStartIndex || scan.count() != s_scanPoints) {
        kLog.warn(
            QStringLiteral(">> refused scan reply: %1 points at index %2, requested %3 points at index %4")
                .arg(scan.count())
                .arg(reply.header.options)
                .arg(s_scanPoints)
                .arg(s_scanStartIndex));
        return false;
    }
    return true;
}

const QHash<quint16, DeviceManager::ReplyHandler>& DeviceManager::replyHandlers()
{
    static const QHash<quint16, ReplyHandler> table{
        {code(EDeviceCommands::F_READ_CALIB_RANGE),
         [](TDeviceReply& r) { emit instance().signalGotCalibRange(r); }},
        {code(EDeviceCommands::F_READ_CALIB_DATA),
         [](TDeviceReply& r) { emit instance().signalGotCalibData(r); }},
        {code(EDeviceCommands::F_READ_CALIB_VCO),
         [](TDeviceReply& r) { emit instance().signalGotCalibVCO(r); }},
        {code(EDeviceCommands::F_WRITE_CALIB_RANGE),
         [](TDeviceReply& r) { emit instance().signalSentCalibRange(r); }},
        {code(EDeviceCommands::F_WRITE_CALIB_DATA),
         [](TDeviceReply& r) { emit instance().signalSentCalibData(r); }},
        {code(EDeviceCommands::F_WRITE_CALIB_VCO),
         [](TDeviceReply& r) { emit instance().signalSentCalibVCO(r); }},
        {code(EDeviceCommands::F_SEND_ACTIVE_CALIB_VCO),
         [](TDeviceReply& r) { emit instance().signalSentCalibVCO(r); }},
        {code(EDeviceCommands::DA_GET_SCAN_DATA), &DeviceManager::processScanData},
        {code(EDeviceCommands::D_GET_DEVICE_ID), &DeviceManager::processDeviceId},
        {code(EDeviceCommands::D_GET_DEVICE_FULL_TYPE), &DeviceManager::processFullType},
        {code(EDeviceCommands::D_GET_FIRMWARE_VERSION), &DeviceManager::processFirmwareVersion},
        {code(EDeviceCommands::D_GET_OPTIONS), &DeviceManager::processOptions},
        {code(EDeviceCommands::B_INIT_UPDATE), &DeviceManager::processInitUpdate},
        {code(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE), &DeviceManager::processLinkError},
        {code(EDeviceCommands::DISCONNECT), &DeviceManager::processDisconnect},
    };
    return table;
}

void DeviceManager::slotProcessDeviceReply()
{
    TDeviceReply reply = DeviceMessageManager::reply();
    s_presenceReply = s_presenceInFlight;
    s_presenceInFlight = false;
    replyHandlers().value(reply.header.command, &DeviceManager::processUnhandled)(reply);
    if (s_presenceReply)
        CommandQueue::holdStart(false); // the reply did not belong to the head command
    else
        CommandQueue::process(true);
    s_presenceReply = false;
}

bool DeviceManager::ensureReplySize(const TDeviceReply& reply, int size)
{
    if (reply.data.size() >= size)
        return true;
    kLog.warn(QStringLiteral(">> refused reply %1: %2 data bytes, at least %3 expected")
                  .arg(name(reply.header.command))
                  .arg(reply.data.size())
                  .arg(size));
    return false;
}

void DeviceManager::processScanData(TDeviceReply& reply)
{
    // The link layer has already held the reply against its request (isReplyAccepted).
    emit instance().signalGotScanData(reply);
}

void DeviceManager::applyDeviceWord(quint16 word)
{
    const quint8 newState =
        qint16(word) < 0 ? quint8(EDeviceStates::BOOTLOADER) : quint8(EDeviceStates::MAINAPP);
    const bool wasBootloader = s_info.deviceState == quint8(EDeviceStates::BOOTLOADER);
    s_info.updatePending =
        s_info.updatePending && newState == quint8(EDeviceStates::BOOTLOADER) && !wasBootloader;
    s_info.deviceWord = word;
    s_info.deviceType = quint8(word & 0xFF);
    s_info.deviceState = newState;
}

void DeviceManager::processFullType(TDeviceReply& reply)
{
    applyDeviceWord(reply.header.deviceWord);
}

void DeviceManager::processDeviceId(TDeviceReply& reply)
{
    if (!ensureReplySize(reply, 12))
        return;
    const QString id = QStringLiteral("%1-%2-%3")
                           .arg(readU32(reply.data, 0))
                           .arg(readU32(reply.data, 4))
                           .arg(readU32(reply.data, 8));
    if (id != s_info.identifier)
        s_info.updatePending = false;
    s_info.identifier = id;
}

void DeviceManager::processFirmwareVersion(TDeviceReply& reply)
{
    if (!ensureReplySize(reply, 12))
        return;
    s_info.firmwareVersion = ZCore::UtilityModules::VersionNumber(
        readU32(reply.data, 0), readU32(reply.data, 4), readU32(reply.data, 8));
    kLog.info(QStringLiteral(">> device info:") + deviceInfoText());
    emit instance().signalIdentifiedDevice();
    // A device left in its bootloader by an interrupted update runs nothing until it gets one.
    const bool strandedInBootloader = isBootloader() && !s_info.updatePending;

    if (s_info.firmwareVersion.major() >= 2) {
        CommandQueue::add(EDeviceCommands::D_GET_OPTIONS);
        emit instance().signalVersionKnown();
        CommandQueue::add(EDeviceCommands::STARTUP_FINISHED);
        if (s_info.updatePending) {
            s_info.updatePending = false;
            emit instance().signalUpdatePendingDevice();
        }
    } else if (s_info.updatePending) {
        s_info.updatePending = false;
        emit instance().signalUpdatePendingDevice();
    } else if (!strandedInBootloader) {
        emit instance().signalGotOldDevice();
    }
    if (strandedInBootloader) {
        kLog.warn(QStringLiteral(">> device is in its bootloader with no update pending"));
        emit instance().signalGotBootloaderDevice();
    }
}

void DeviceManager::processOptions(TDeviceReply& reply)
{
    const QVector<TDeviceParam> params = DeviceOptionsParser::parse(reply.data, tag());
    for (const TDeviceParam& p : params) {
        switch (p.kind) {
        case EDeviceOptions::SCAN_RANGE:
            s_info.minFrequency = p.minFrequency;
            s_info.maxFrequency = p.maxFrequency;
            break;
        case EDeviceOptions::BANDWIDTH:
            s_info.bandwidths = p.bandwidths;
            break;
        case EDeviceOptions::PRESETS_COUNT:
            s_info.presetsCount = p.presetsCount;
            break;
        }
        emit instance().signalGotDeviceParams(p.kind);
    }
}

void DeviceManager::processInitUpdate(TDeviceReply&)
{
    emit instance().signalInitUpdateAcknowledged();
}

void DeviceManager::processLinkError(TDeviceReply& reply)
{
    const quint16 failedState = reply.header.options;
    if (failedState != 0) {
        kLog.warn(QStringLiteral(">> error in received packet: ") +
                  DeviceEnumPrinter::stateName(failedState));
        // A failed presence poll is not repeated here; the next poll asks again.
        if (s_presenceReply)
            return;
        // No reply at all may mean the request never reached the device, which then has no reply to
        // repeat (a repeat of its last one answers the request before): the request itself goes out
        // again. Every request is safe to repeat: reads read again, writes and firmware chunks are
        // placed by their index. A reply that arrived whole but did not answer the request would only
        // come back the same when repeated.
        if (failedState == quint16(DMM::EStates::E_REPLY_TIMEOUT) ||
            failedState == quint16(DMM::EStates::E_REPLY_FAILED) ||
            s_lastHeader.command == code(EDeviceCommands::B_SEND_MAINAPP_CHUNK))
            CommandQueue::add(EDeviceCommands::E_RESEND_PACKET_TO_DEVICE, {}, 0, true);
        else
            CommandQueue::add(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE, {}, failedState, true);
        return;
    }
    kLog.warn(QStringLiteral(">> error in sent packet. Resending.."));
    if (!s_presenceReply)
        CommandQueue::add(EDeviceCommands::E_RESEND_PACKET_TO_DEVICE, {}, 0, true);
}

void DeviceManager::processDisconnect(TDeviceReply&)
{
    if (s_presenceReply) {
        kLog.warn(QStringLiteral(">> limit of resends is exceeded. Disconnecting.."));
        SerialPort::close(true);
        return;
    }
    // Runs right after the failed command, before anything else still queued.
    CommandQueue::add(EDeviceCommands::DISCONNECT, {}, 1, true);
}

void DeviceManager::processUnhandled(TDeviceReply& reply)
{
    if (!ZCore::Logger::isDebugWritten())
        return;
    const QString from = QStringLiteral("<== ") + DeviceMessageManager::tag();
    if (!reply.data.isEmpty())
        kLog.debug(from + QStringLiteral(" >> nothing to do with reply ") +
                   QStringLiteral("[ %1 ] Data: %2")
                       .arg(DeviceMessageManager::frameCounter())
                       .arg(QString::fromLatin1(reply.data.toHex(' '))));
    else
        kLog.debug(from +
                   QStringLiteral(" [ %1 ] got empty reply").arg(DeviceMessageManager::frameCounter()));
}

} // namespace ZData

#include "devicelink/DeviceMessageManager.h"

#include "core/Logger.h"
#include "core/TaggedLog.h"
#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/FrameCodec.h"

namespace ZData {

namespace {

constexpr int FRAME_HEAD_BYTES = 1 + FrameCodec::HEADER_SIZE; // start byte + header

const ZCore::TaggedLog kLog(DeviceMessageManager::tag());

TDmmState record(DMM::EStates state, qint32 timeMs = DeviceMessageManager::REPLY_TIME_MS)
{
    TDmmState r;
    r.state = state;
    r.values = {timeMs};
    return r;
}

} // namespace

DeviceMessageManager::DeviceMessageManager() = default;

bool DeviceMessageManager::init()
{
    kLog.debug(QStringLiteral(">> ZData::DeviceMessageManager::init.."));
    auto& self = instance();
    self.m_timerReply.setInterval(REPLY_TIME_MS);
    self.m_timerReply.setSingleShot(true);
    QObject::connect(&self.m_timerReply, &QTimer::timeout, &self, &DeviceMessageManager::slotTimerReply,
                     Qt::UniqueConnection);
    return true;
}

bool DeviceMessageManager::isReceiving()
{
    return s_state.state == DMM::EStates::RECEIVE_REPLY || s_state.state == DMM::EStates::RECEIVE_BUSY ||
           s_state.state == DMM::EStates::RECEIVE_HEADER;
}

QByteArray DeviceMessageManager::buildFrame(TCommandHeader header, const QByteArray& data, bool expectReply)
{
    // A resend request makes the device repeat its last reply, which carries the command of the
    // original request; the expected command must therefore stay that of the original request.
    if (expectReply && header.command != quint16(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE))
        s_expectedCommand = header.command;
    ++s_frameCounter;
    header.frameCount = s_frameCounter;
    header.dataLength = quint16(data.size());
    return FrameCodec::encode(header, data);
}

void DeviceMessageManager::setState(DMM::EStates state, qint32 timeMs)
{
    setState(record(state, timeMs));
}

void DeviceMessageManager::setState(const TDmmState& record)
{
    run(record);
    if (!s_inReceive)
        announce();
}

void DeviceMessageManager::run(const TDmmState& first)
{
    // The record stands unless its handling enters another state, whose record then stands.
    TDmmState current = first;
    for (;;) {
        s_state = current;
        const DMM::EStates next = handle(current);
        if (next == current.state)
            return;
        current = record(next);
    }
}

DMM::EStates DeviceMessageManager::handle(const TDmmState& record)
{
    switch (record.state) {
    case DMM::EStates::FREE:
        s_resendBudget = RESEND_BUDGET;
        return record.state;
    case DMM::EStates::RECEIVE_REPLY:
    case DMM::EStates::RECEIVE_BUSY:
        return handleReceiveWait(record);
    case DMM::EStates::RECEIVE_HEADER:
        return FrameCodec::isHeaderValid(s_reply.header) ? record.state : DMM::EStates::E_HEADER_FAILED;
    case DMM::EStates::RECEIVE_BODY:
        return handleBody();
    case DMM::EStates::RECEIVE_COMPLETE:
        return handleComplete();
    case DMM::EStates::SEND_BUSY:
        return record.state;
    case DMM::EStates::E_COMMAND_MISMATCH:
    case DMM::EStates::E_REPLY_TIMEOUT:
    case DMM::EStates::E_HEAD_CRC_TIMEOUT:
    case DMM::EStates::E_RECEIVE_TIMEOUT:
    case DMM::EStates::E_HEADER_FAILED:
    case DMM::EStates::E_PACKET_FAILED:
    case DMM::EStates::E_REPLY_FAILED:
    case DMM::EStates::E_UNREACHABLE:
        return handleError(record);
    default:
        kLog.warn(QStringLiteral("nothing to do with state: ") + DeviceEnumPrinter::toString(record.state));
        return record.state;
    }
}

DMM::EStates DeviceMessageManager::handleReceiveWait(const TDmmState& record)
{
    s_buffer.clear();
    s_receivedData.clear();
    s_receivedChecksum.clear();
    ++s_frameCounter;
    if (s_replyTimeOverrideMs > 0)
        s_replyTimeMs = s_replyTimeOverrideMs;
    else
        s_replyTimeMs = record.timeMs() > 0 ? record.timeMs() : REPLY_TIME_MS;
    instance().m_timerReply.start(s_replyTimeMs);
    return record.state;
}

DMM::EStates DeviceMessageManager::handleBody()
{
    TDeviceReply checked = s_reply;
    checked.data = s_receivedData;
    checked.checksum = s_receivedChecksum;
    if (!FrameCodec::isFrameValid(checked))
        return DMM::EStates::E_PACKET_FAILED;
    s_reply = checked;
    return DMM::EStates::RECEIVE_COMPLETE;
}

DMM::EStates DeviceMessageManager::handleComplete()
{
    // The device's own report of a damaged request carries its resend code, not the command asked
    // for; it is a valid answer and must reach the device manager.
    const bool deviceComplains =
        s_reply.header.command == quint16(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE) &&
        s_reply.header.options == 0;
    if (s_reply.header.command != s_expectedCommand && !deviceComplains)
        return DMM::EStates::E_COMMAND_MISMATCH;
    if (!deviceComplains && s_replyCheck && !s_replyCheck(s_reply)) {
        // A whole, undamaged frame that answers an earlier request (one that timed out and was sent
        // again) is no failure of this one: it is passed over and the wait goes on.
        kLog.warn(QStringLiteral("[ %1 ] >> passed over a reply to an earlier request").arg(s_frameCounter));
        s_skipFrame = true;
        return DMM::EStates::RECEIVE_COMPLETE;
    }
    instance().m_timerReply.stop();
    s_replyReady = true;
    return DMM::EStates::FREE;
}

DMM::EStates DeviceMessageManager::handleError(const TDmmState& record)
{
    instance().m_timerReply.stop();
    kLog.warn(
        QStringLiteral("[ %1 ] >> %2").arg(s_frameCounter).arg(DeviceEnumPrinter::toString(record.state)));
    if (ZCore::Logger::isDebugWritten())
        kLog.debug(QStringLiteral("<< ") + QString::fromLatin1(s_buffer.toHex(' ')));

    --s_resendBudget;
    TCommandHeader header;
    header.dataLength = 0;
    header.deviceWord = 0x80FF;
    header.frameCount = 0;
    header.checksum = 0;
    header.options = quint16(record.state);
    if (s_resendBudget > 0) {
        header.command = quint16(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE);
    } else {
        header.command = quint16(EDeviceCommands::DISCONNECT);
        s_resendBudget = RESEND_BUDGET;
    }
    s_reply.header = header;
    s_reply.data.clear();
    s_reply.checksum.clear();
    s_replyReady = true;
    return record.state;
}

void DeviceMessageManager::announce()
{
    if (!s_replyReady)
        return;
    s_replyReady = false;
    emit instance().signalGotReply();
}

void DeviceMessageManager::receive(const QByteArray& bytes)
{
    if (bytes.size() < 100 && ZCore::Logger::isDebugWritten())
        kLog.debug(
            QStringLiteral("[ %1 ] << %2").arg(s_frameCounter).arg(QString::fromLatin1(bytes.toHex(' '))));
    if (!isReceiving()) {
        kLog.warn(QStringLiteral(">> got data while NOT receiving"));
        return;
    }
    s_buffer.append(bytes);
    if (s_buffer.indexOf(char(FrameCodec::FRAME_START)) < 0) {
        kLog.warn(QStringLiteral(">> message doesn't contain FRAME_START"));
        return;
    }
    auto& timer = instance().m_timerReply;
    timer.stop();

    s_inReceive = true;
    for (int pos = s_buffer.indexOf(char(FrameCodec::FRAME_START)); pos >= 0;
         pos = s_buffer.indexOf(char(FrameCodec::FRAME_START))) {
        const int available = s_buffer.size() - pos;
        if (s_state.state == DMM::EStates::RECEIVE_REPLY || s_state.state == DMM::EStates::RECEIVE_BUSY) {
            if (available >= FRAME_HEAD_BYTES) {
                FrameCodec::parseHeader(s_buffer, pos, s_reply.header);
                run(record(DMM::EStates::RECEIVE_HEADER));
            }
        }
        if (s_state.state == DMM::EStates::RECEIVE_HEADER && bodyReady(pos, available))
            run(record(DMM::EStates::RECEIVE_BODY));
        if (!s_skipFrame)
            break;
        // The passed-over frame leaves the buffer; what follows it may be the awaited reply.
        s_skipFrame = false;
        s_buffer.remove(0, pos + FRAME_HEAD_BYTES + s_reply.header.bytesToFollow());
        s_receivedData.clear();
        s_receivedChecksum.clear();
        s_state = record(DMM::EStates::RECEIVE_REPLY, s_replyTimeMs);
    }

    // Every chunk renews the reply time: a frame whose remaining bytes never come still ends in a
    // timeout instead of leaving the link waiting for good.
    if (isReceiving())
        timer.start(s_replyTimeMs);
    s_inReceive = false;
    announce();
}

bool DeviceMessageManager::bodyReady(int pos, int available)
{
    const int needed = s_reply.header.bytesToFollow();
    if (available - FRAME_HEAD_BYTES < needed)
        return false;
    const int dataPos = pos + FRAME_HEAD_BYTES;
    const int dataLength = int(s_reply.header.dataLength);
    // Exactly the announced bytes; anything after the frame's checksum is not part of this reply.
    s_receivedData = s_buffer.mid(dataPos, dataLength);
    s_receivedChecksum = s_buffer.mid(dataPos + dataLength, 4);
    return true;
}

void DeviceMessageManager::slotTimerReply()
{
    setState(DMM::EStates::E_REPLY_TIMEOUT, REPLY_TIME_MS);
}

void DeviceMessageManager::reset()
{
    instance().m_timerReply.stop();
    s_buffer.clear();
    s_receivedData.clear();
    s_receivedChecksum.clear();
    s_state = TDmmState();
    s_resendBudget = RESEND_BUDGET;
    s_replyReady = false;
    s_inReceive = false;
    s_skipFrame = false;
}

} // namespace ZData

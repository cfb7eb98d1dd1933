// The link's frame receiver fed arbitrary bytes in arbitrary chunks while it waits for a reply.
// Whatever arrives, a reply handed on is either a checked frame of the expected command or one of
// the link's own resend and disconnect notices.
#include <QCoreApplication>

#include "FuzzSupport.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FrameCodec.h"

using namespace ZData;
using FuzzSupport::check;

namespace {

const quint16 EXPECTED[] = {0xD008, 0xD001, 0xD002, 0xD003, 0xDA00, 0xFCA0, 0xFCA1, 0xFCA2, 0xFCB3, 0xB005};
quint16 s_expected = 0;
int s_replies = 0;

void onReply()
{
    ++s_replies;
    const TDeviceReply& reply = DeviceMessageManager::reply();
    const quint16 command = reply.header.command;
    if (command == quint16(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE) ||
        command == quint16(EDeviceCommands::DISCONNECT)) {
        check(reply.data.isEmpty() || reply.header.options == 0, "link notice with data");
        return;
    }
    check(command == s_expected, "a reply of another command was handed on");
    check(FrameCodec::isHeaderValid(reply.header), "a reply with a bad header was handed on");
    check(reply.data.size() == int(reply.header.dataLength), "reply data length");
    check(FrameCodec::isFrameValid(reply), "a reply with a bad CRC was handed on");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    static const bool ready = [] {
        DeviceMessageManager::init();
        QObject::connect(&DeviceMessageManager::instance(), &DeviceMessageManager::signalGotReply, &onReply);
        return true;
    }();
    Q_UNUSED(ready);

    FuzzSupport::Reader in(data, size);
    DeviceMessageManager::reset();
    s_expected = EXPECTED[in.u8() % (sizeof(EXPECTED) / sizeof(EXPECTED[0]))];
    TCommandHeader request;
    request.command = s_expected;
    DeviceMessageManager::buildFrame(request, QByteArray(), true);
    DeviceMessageManager::setState(DMM::EStates::RECEIVE_REPLY);
    s_replies = 0;
    // each chunk: one length byte, then that many bytes as they came from the port
    while (!in.atEnd()) {
        const QByteArray chunk = in.take(in.u8());
        DeviceMessageManager::receive(chunk);
        // a reply or a link error is followed by the next request (or its resend)
        if (!DeviceMessageManager::isReceiving()) {
            DeviceMessageManager::buildFrame(request, QByteArray(), true);
            DeviceMessageManager::setState(DMM::EStates::RECEIVE_REPLY);
        }
    }
    DeviceMessageManager::reset();
    QCoreApplication::sendPostedEvents();
    return 0;
}

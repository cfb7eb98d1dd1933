// Header checksum and frame encoding: whatever the five header words and the data, the program's
// own frame must pass the receiver's checks and read back field for field.
#include "FuzzSupport.h"
#include "devicelink/FrameCodec.h"

using namespace ZData;
using FuzzSupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::Reader in(data, size);
    TCommandHeader header;
    header.command = in.u16();
    header.deviceWord = in.u16();
    header.frameCount = in.u16();
    header.options = in.u16();
    header.checksum = 0;
    const QByteArray payload = in.take(2048);
    header.dataLength = quint16(payload.size());

    TCommandHeader sent = header;
    sent.checksum = FrameCodec::headerChecksum(header);
    check(FrameCodec::isHeaderValid(sent), "an encoded header fails the header check");

    const QByteArray frame = FrameCodec::encode(header, payload);
    check(frame.size() == FrameCodec::FRAME_OVERHEAD + payload.size(), "frame length");
    check(quint8(frame.at(0)) == FrameCodec::FRAME_START, "frame start");
    TCommandHeader parsed;
    check(FrameCodec::parseHeader(frame, 0, parsed), "header of a whole frame not parsed");
    check(parsed.command == header.command && parsed.deviceWord == header.deviceWord &&
              parsed.frameCount == header.frameCount && parsed.options == header.options &&
              parsed.dataLength == header.dataLength,
          "header does not read back");
    check(FrameCodec::isHeaderValid(parsed), "a sent header fails the receiver's check");
    check(FrameCodec::serializeHeader(parsed) == frame.mid(1, FrameCodec::HEADER_SIZE), "header bytes");

    TDeviceReply reply;
    reply.header = parsed;
    reply.data = frame.mid(1 + FrameCodec::HEADER_SIZE, payload.size());
    reply.checksum = frame.right(4);
    check(FrameCodec::isFrameValid(reply), "a sent frame fails its CRC");
    // any damage to the data is caught by the CRC
    if (!reply.data.isEmpty()) {
        const int at = int(in.u16()) % reply.data.size();
        reply.data[at] = char(reply.data.at(at) ^ (1 << (in.u8() % 8)));
        check(!FrameCodec::isFrameValid(reply), "a flipped data bit passes the CRC");
    }
    return 0;
}

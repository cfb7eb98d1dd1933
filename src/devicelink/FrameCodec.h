#pragma once

#include <QByteArray>
#include <QDataStream>

#include "devicelink/DeviceTypes.h"

namespace ZData {

// Stateless frame layout shared by the program and the analyser emulator:
// 0xAA, 12-byte header (command, frame count, device word, options, data length, header checksum),
// data, CRC-32 over header and data. Counters and expected replies live with their owners.
class FrameCodec
{
public:
    static constexpr quint8 FRAME_START = 0xAA;
    static constexpr int HEADER_SIZE = 12;
    static constexpr int FRAME_OVERHEAD = 17; // start byte + header + CRC

    // CRC-32, reflected polynomial 0xEDB88320, init 0xFFFFFFFF, final inversion.
    static quint32 crc32(const char* data, int size);
    static quint32 crc32(const QByteArray& data);

    // Ones'-complement checksum over the five other header words.
    static quint16 headerChecksum(const TCommandHeader& header);
    static bool isHeaderValid(const TCommandHeader& header);

    // The 12 header bytes in wire order.
    static QByteArray serializeHeader(const TCommandHeader& header);

    // A complete frame. The header's frame count and data length are sent as given; the
    // checksum is computed when the field is 0.
    static QByteArray encode(TCommandHeader header, const QByteArray& data);

    // Reads a header from the 13 bytes at pos (pos holds the frame-start byte).
    // Returns false when fewer than 13 bytes are available.
    static bool parseHeader(const QByteArray& buffer, int pos, TCommandHeader& header);

    // Recomputes the CRC of header and data and compares it with the 4 received bytes
    // (any other count of received bytes reads as 0).
    static bool isFrameValid(const TDeviceReply& reply);

    // Sets the protocol byte order (little-endian) on a stream used for frames or payloads.
    static void setByteOrder(QDataStream& stream, QDataStream::ByteOrder order = EProtocolSetup::byteOrder());
    // Protocol byte order and single-precision floats: the set-up of every payload and calibration
    // file stream.
    static QDataStream& setupStream(QDataStream& stream);
};

} // namespace ZData

#include "devicelink/FrameCodec.h"

#include <QDebug>

#include <array>

namespace ZData {

namespace {

const std::array<quint32, 256>& crcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
            t[i] = c;
        }
        return t;
    }();
    return table;
}

void putWord(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

quint16 getWord(const QByteArray& in, int pos)
{
    return quint16(quint8(in.at(pos)) | (quint16(quint8(in.at(pos + 1))) << 8));
}

quint32 foldedSum(const TCommandHeader& header, bool withChecksum)
{
    quint32 sum =
        quint32(header.command) + header.dataLength + header.deviceWord + header.frameCount + header.options;
    if (withChecksum)
        sum += header.checksum;
    sum = (sum >> 16) + sum;
    return sum & 0xFFFFu;
}

} // namespace

quint32 FrameCodec::crc32(const char* data, int size)
{
    if (!data || size <= 0)
        return 0;
    const auto& table = crcTable();
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < size; ++i)
        crc = table[(crc ^ quint8(data[i])) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

quint32 FrameCodec::crc32(const QByteArray& data)
{
    return crc32(data.constData(), data.size());
}

quint16 FrameCodec::headerChecksum(const TCommandHeader& header)
{
    return quint16(~foldedSum(header, false) & 0xFFFFu);
}

bool FrameCodec::isHeaderValid(const TCommandHeader& header)
{
    return foldedSum(header, true) == 0xFFFFu;
}

QByteArray FrameCodec::serializeHeader(const TCommandHeader& header)
{
    QByteArray out;
    out.reserve(HEADER_SIZE);
    putWord(out, header.command);
    putWord(out, header.frameCount);
    putWord(out, header.deviceWord);
    putWord(out, header.options);
    putWord(out, header.dataLength);
    putWord(out, header.checksum);
    return out;
}

QByteArray FrameCodec::encode(TCommandHeader header, const QByteArray& data)
{
    if (header.checksum == 0)
        header.checksum = headerChecksum(header);
    QByteArray body = serializeHeader(header);
    body.append(data);
    const quint32 crc = crc32(body);
    QByteArray frame;
    frame.reserve(body.size() + 5);
    frame.append(char(FRAME_START));
    frame.append(body);
    for (int i = 0; i < 4; ++i)
        frame.append(char((crc >> (8 * i)) & 0xFFu));
    return frame;
}

bool FrameCodec::parseHeader(const QByteArray& buffer, int pos, TCommandHeader& header)
{
    if (pos < 0 || buffer.size() - pos < HEADER_SIZE + 1)
        return false;
    int p = pos + 1;
    header.command = getWord(buffer, p);
    header.frameCount = getWord(buffer, p + 2);
    header.deviceWord = getWord(buffer, p + 4);
    header.options = getWord(buffer, p + 6);
    header.dataLength = getWord(buffer, p + 8);
    header.checksum = getWord(buffer, p + 10);
    return true;
}

bool FrameCodec::isFrameValid(const TDeviceReply& reply)
{
    QByteArray body = serializeHeader(reply.header);
    body.append(reply.data);
    quint32 received = 0;
    if (reply.checksum.size() == 4) {
        for (int i = 0; i < 4; ++i)
            received |= quint32(quint8(reply.checksum.at(i))) << (8 * i);
    }
    return crc32(body) == received;
}

void FrameCodec::setByteOrder(QDataStream& stream, QDataStream::ByteOrder order)
{
    if (order != EProtocolSetup::byteOrder())
        qDebug().noquote() << QStringLiteral(
                                  "FrameCodec >> set data stream byte order got a different byte order to "
                                  "ZData::EProtocolSetup::BYTE_ORDER: %1")
                                  .arg(int(order));
    stream.setByteOrder(order);
}

} // namespace ZData

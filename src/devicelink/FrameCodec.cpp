#include "devicelink/FrameCodec.h"

#include <QDebug>

#include <zlib.h>

namespace ZData {

namespace {

void putWord(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

quint16 getWord(const QByteArray& in, int pos)
{
    return quint16(quint8(in.at(pos)) | (quint16(quint8(in.at(pos + 1))) << 8));
}

quint32 wordSum(const TCommandHeader& header)
{
    return quint32(header.command) + header.dataLength + header.deviceWord + header.frameCount +
           header.options;
}

// The analyser's own fold: once, keeping only the low 16 bits, so a carry out of that fold is lost.
quint16 singleFold(quint32 sum)
{
    return quint16(((sum >> 16) + sum) & 0xFFFFu);
}

// Folded until no carry is left: the true ones'-complement sum.
quint16 fullFold(quint32 sum)
{
    while (sum >> 16)
        sum = (sum & 0xFFFFu) + (sum >> 16);
    return quint16(sum);
}

} // namespace

quint32 FrameCodec::crc32(const char* data, int size)
{
    if (!data || size <= 0)
        return 0;
    return quint32(::crc32(0L, reinterpret_cast<const Bytef*>(data), uInt(size)));
}

quint32 FrameCodec::crc32(const QByteArray& data)
{
    return crc32(data.constData(), data.size());
}

quint16 FrameCodec::headerChecksum(const TCommandHeader& header)
{
    // Fully folded: the single-fold check of the analyser accepts this value as well, while a
    // single-fold checksum with a lost carry would fail our own check and every resend of it.
    return quint16(~fullFold(wordSum(header)));
}

bool FrameCodec::isHeaderValid(const TCommandHeader& header)
{
    // Senders that fold once are still about; both forms of the checksum are taken.
    const quint32 sum = wordSum(header);
    return header.checksum == quint16(~fullFold(sum)) || header.checksum == quint16(~singleFold(sum));
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

QDataStream& FrameCodec::setupStream(QDataStream& stream)
{
    setByteOrder(stream);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    return stream;
}

} // namespace ZData

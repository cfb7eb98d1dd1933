#pragma once

// A separate reading of the frame format, so that the emulator's replies are checked against the
// bytes on the line rather than against the encoder that produced them.

#include <QByteArray>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QtEndian>
#include <utility>

namespace WireProbe {

inline quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Little-endian stream with single-precision floats, the payload convention.
inline QDataStream& le(QDataStream& s)
{
    s.setByteOrder(QDataStream::LittleEndian);
    s.setFloatingPointPrecision(QDataStream::SinglePrecision);
    return s;
}

// The given values as a little-endian payload.
template <typename... T>
QByteArray pack(T... values)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    (le(s) << ... << values);
    return out;
}

// A request frame as the program sends it (sequence count 7, host device word).
inline QByteArray request(quint16 command, quint16 options, const QByteArray& data)
{
    const quint16 length = quint16(data.size());
    const quint32 sum = command + 7u + 0x80FFu + options + length;
    const QByteArray body =
        pack(command, quint16(7), quint16(0x80FF), options, length, quint16(~(sum + (sum >> 16)))) + data;
    return QByteArray(1, char(0xAA)) + body + pack(crc32(body));
}

struct TFrame
{
    quint16 command = 0, deviceWord = 0, options = 0;
    bool headerOk = false, crcOk = false;
    QByteArray data;
};

// Takes one complete frame off the front of buffer (leading noise skipped); false if incomplete.
inline bool takeFrame(QByteArray& buffer, TFrame& frame)
{
    const int start = buffer.indexOf(char(0xAA));
    if (start < 0)
        return false;
    buffer.remove(0, start);
    auto word = [&](int i) { return qFromLittleEndian<quint16>(buffer.constData() + 1 + 2 * i); };
    const int length = buffer.size() < 13 ? 0 : word(4);
    if (buffer.size() < 13 || buffer.size() < 17 + length)
        return false;
    const quint32 sum = word(0) + word(1) + word(2) + word(3) + word(4) + word(5);
    frame.command = word(0);
    frame.deviceWord = word(2);
    frame.options = word(3);
    frame.headerOk = ((sum + (sum >> 16)) & 0xFFFF) == 0xFFFF;
    frame.data = buffer.mid(13, length);
    frame.crcOk =
        crc32(buffer.mid(1, 12 + length)) == qFromLittleEndian<quint32>(buffer.constData() + 13 + length);
    buffer.remove(0, 17 + length);
    return true;
}

// Plain serial access to the emulator, one blocking exchange at a time.
class Line
{
public:
    bool open(const QString& path)
    {
        m_port.setPortName(path);
        m_buffer.clear();
        return m_port.open(QIODevice::ReadWrite);
    }
    void close() { m_port.close(); }
    QSerialPort& port() { return m_port; }
    void send(const QByteArray& bytes)
    {
        m_port.write(bytes);
        m_port.waitForBytesWritten(1000);
    }
    // Waits for the next complete frame.
    bool next(TFrame& frame, int timeoutMs = 3000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!takeFrame(m_buffer, frame)) {
            if (deadline.hasExpired() ||
                !m_port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            m_buffer += m_port.readAll();
        }
        return true;
    }
    TFrame exchange(quint16 command, quint16 options = 0, const QByteArray& data = QByteArray())
    {
        send(request(command, options, data));
        TFrame frame;
        next(frame);
        return frame;
    }
    // Bytes that arrive within the window, framed or not.
    QByteArray drain(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            if (m_port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                m_buffer += m_port.readAll();
        return std::exchange(m_buffer, QByteArray());
    }

private:
    QSerialPort m_port;
    QByteArray m_buffer;
};

} // namespace WireProbe

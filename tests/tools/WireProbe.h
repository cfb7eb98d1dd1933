#pragma once

// A deliberately separate reading of the frame format, so that the emulator's replies are checked
// against the bytes on the line rather than against the encoder that produced them.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QtEndian>

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

inline quint16 le16(const QByteArray& b, int pos)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData() + pos));
}

inline QByteArray request(quint16 command, quint16 options, const QByteArray& data, quint16 count = 7,
                          quint16 deviceWord = 0x80FF)
{
    const quint16 length = quint16(data.size());
    quint32 sum = quint32(command) + length + deviceWord + count + options;
    sum += sum >> 16;
    const quint16 check = quint16(~sum);
    QByteArray body(12, '\0');
    const quint16 words[6] = {command, count, deviceWord, options, length, check};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian<quint16>(words[i], reinterpret_cast<uchar*>(body.data() + 2 * i));
    body += data;
    QByteArray crc(4, '\0');
    qToLittleEndian<quint32>(crc32(body), reinterpret_cast<uchar*>(crc.data()));
    return QByteArray(1, char(0xAA)) + body + crc;
}

struct TFrame
{
    quint16 command = 0;
    quint16 count = 0;
    quint16 deviceWord = 0;
    quint16 options = 0;
    quint16 length = 0;
    bool headerOk = false;
    bool crcOk = false;
    QByteArray data;
    QByteArray raw;
};

// Takes one complete frame off the front of buffer (leading noise skipped); false if incomplete.
inline bool takeFrame(QByteArray& buffer, TFrame& frame)
{
    const int start = buffer.indexOf(char(0xAA));
    if (start < 0)
        return false;
    buffer.remove(0, start);
    if (buffer.size() < 13)
        return false;
    frame.command = le16(buffer, 1);
    frame.count = le16(buffer, 3);
    frame.deviceWord = le16(buffer, 5);
    frame.options = le16(buffer, 7);
    frame.length = le16(buffer, 9);
    quint32 sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += le16(buffer, 1 + 2 * i);
    sum += sum >> 16;
    frame.headerOk = (sum & 0xFFFF) == 0xFFFF;
    const int total = 17 + frame.length;
    if (buffer.size() < total)
        return false;
    frame.raw = buffer.left(total);
    frame.data = buffer.mid(13, frame.length);
    frame.crcOk =
        crc32(buffer.mid(1, 12 + frame.length)) ==
        qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(buffer.constData() + 13 + frame.length));
    buffer.remove(0, total);
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
    // Waits for the next complete frame; counts the separate reads that delivered it.
    bool next(TFrame& frame, int timeoutMs = 3000, int* reads = nullptr)
    {
        QDeadlineTimer deadline(timeoutMs);
        int n = 0;
        while (!takeFrame(m_buffer, frame)) {
            if (deadline.hasExpired() ||
                !m_port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            m_buffer += m_port.readAll();
            ++n;
        }
        if (reads)
            *reads = n;
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
        QByteArray out = m_buffer;
        m_buffer.clear();
        return out;
    }

private:
    QSerialPort m_port;
    QByteArray m_buffer;
};

} // namespace WireProbe

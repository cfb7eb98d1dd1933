#include <QDataStream>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <complex>
#include <random>
#include <utility>

#include "EmulatorProcess.h"

// A separate reading of the frame format, so that the emulator's replies are checked against the
// bytes on the line rather than against the encoder that produced them.
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

using TestSupport::EmulatorProcess;
using WireProbe::le;
using WireProbe::pack;
using WireProbe::TFrame;

namespace {

constexpr quint16 GET_VERSION = 0xD002, GET_OPTIONS = 0xD003, GET_ID = 0xD008, SCAN = 0xDA00, RESEND = 0xC350,
                  READ_RANGE = 0xFCA0, READ_DATA = 0xFCA1, READ_VCO = 0xFCA2;

QByteArray scanRequest(const QVector<qint64>& freqs)
{
    QByteArray out = pack(quint8(2), quint8(freqs.size()));
    for (qint64 f : freqs)
        out += pack(f);
    return out;
}

} // namespace

class tst_EmulatorWire : public QObject
{
    Q_OBJECT

private slots:
    void identityReplies()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start({"--id", "11-4000000000-33", "--firmware", "3.14.159", "--presets", "7"}));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        const QList<QPair<quint16, QByteArray>> expected{
            {GET_ID, QByteArray::fromHex("0b00000000286bee21000000")},
            {GET_VERSION, QByteArray::fromHex("030000000e0000009f000000")},
            {0xD001, QByteArray()}, // the full type lives in the device word
            {GET_OPTIONS, "SR=1000000,6200000000;BW=30,10,3,1;PR=7"}};
        for (const auto& e : expected) {
            const TFrame reply = line.exchange(e.first, 0x1234);
            QVERIFY(reply.headerOk && reply.crcOk);
            QCOMPARE(reply.command, e.first);
            QCOMPARE(reply.options, quint16(0x1234));
            QCOMPARE(reply.deviceWord, quint16(0x0008));
            QCOMPARE(reply.data, e.second);
        }
    }

    // Seen through an ideal error box, a load reflects its own gamma; a cable turns its far end by
    // twice its electrical length and damps it by twice its loss.
    void scanReplies()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start({"--error-box", "ideal"}));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        struct TDut
        {
            const char* dut;
            double end, length, vf, lossDbPerM;
        };
        const TDut duts[] = {{"open", 1.0, 0, 1, 0},
                             {"short", -1.0, 0, 1, 0},
                             {"r=100", 1.0 / 3.0, 0, 1, 0},
                             {"r=0.025k", -1.0 / 3.0, 0, 1, 0},
                             {"cable=3,0.82,0.3,open", 1.0, 3, 0.82, 0.3},
                             {"cable=10,0.66,0.1,short", -1.0, 10, 0.66, 0.1},
                             {"cable=1.5,0.7,0,r=100", 1.0 / 3.0, 1.5, 0.7, 0}};
        for (const TDut& d : duts) {
            QCOMPARE(emu.control(QString("dut ") + d.dut), QString("ok dut ") + d.dut);
            for (int n : {1, 126}) {
                QVector<qint64> freqs;
                for (int i = 0; i < n; ++i)
                    freqs << 1000000LL + qint64(i) * 49000000LL;
                const TFrame reply = line.exchange(SCAN, 252, scanRequest(freqs));
                QVERIFY(reply.crcOk);
                QCOMPARE(reply.command, quint16(SCAN));
                QCOMPARE(reply.options, quint16(252)); // the program files the points by this echo
                QCOMPARE(reply.data.size(), 8 + 8 * n);
                QDataStream s(reply.data);
                float count = 0, unused = 0, re = 0, im = 0;
                le(s) >> count >> unused;
                QCOMPARE(int(count), n);
                for (int i = 0; i < n; ++i) {
                    s >> re >> im;
                    constexpr double PI = 3.14159265358979323846, C0 = 299792458.0;
                    const double turn = -4.0 * PI * double(freqs[i]) * d.length / (d.vf * C0);
                    const std::complex<double> expected =
                        std::polar(d.end * std::pow(10.0, -2.0 * d.lossDbPerM * d.length / 20.0), turn);
                    QVERIFY2(
                        std::abs(std::complex<double>(re, im) - expected) < 1e-5,
                        qPrintable(QString("%1 at %2 Hz: %3 %4").arg(d.dut).arg(freqs[i]).arg(re).arg(im)));
                }
            }
        }
        // a request that claims more frequencies than it carries is answered for those it carries
        QByteArray shortened = scanRequest({100000000, 200000000});
        shortened[1] = char(5);
        const TFrame reply = line.exchange(SCAN, 0, shortened);
        QVERIFY(reply.crcOk);
        QCOMPARE(reply.data.size(), 8 + 2 * 8);
    }

    void faultCommands_data()
    {
        QTest::addColumn<QString>("fault");
        // what the next four id requests get: C correct, X CRC damaged, - nothing, R a resend request
        QTest::addColumn<QString>("expected");
        for (const auto& [fault, expected] :
             {std::pair{"corrupt 2", "XXCC"}, {"drop 3", "---C"}, {"damaged", "RCCC"}, {"split 4", "CCCC"}})
            QTest::newRow(fault) << QString(fault) << QString(expected);
    }

    void faultCommands()
    {
        QFETCH(QString, fault);
        QFETCH(QString, expected);
        EmulatorProcess emu;
        QVERIFY(emu.start({"--id", "5-6-7"}));
        QVERIFY(emu.control(fault).startsWith("ok "));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        for (QChar want : expected) {
            QElapsedTimer clock;
            clock.start();
            line.send(WireProbe::request(GET_ID, 9, QByteArray()));
            TFrame reply;
            // A reply leaves within milliseconds, so 300 ms of silence shows a dropped one; a slow
            // machine can only let a fault slip through there, never fail a correct run.
            const bool got = line.next(reply, want == '-' ? 300 : 3000);
            const qint64 tookMs = clock.elapsed();
            QCOMPARE(got, want != '-');
            if (!got)
                continue;
            QVERIFY(reply.headerOk);
            if (want == 'R') {
                QVERIFY(reply.command == RESEND && reply.options == 0 && reply.data.isEmpty() && reply.crcOk);
                continue;
            }
            QCOMPARE(reply.command, quint16(GET_ID));
            QCOMPARE(reply.crcOk, want == 'C');
            QCOMPARE(reply.data.size(), 12);
            // The four pieces leave 5 ms apart, so the whole frame cannot be there before three gaps
            // have passed. A busy machine only makes that longer (how many reads deliver the pieces
            // depends on the load and proves nothing); 12 ms leaves room for timers that fire early.
            if (fault.startsWith("split"))
                QVERIFY2(tookMs >= 12, qPrintable(QString::number(tookMs)));
        }
        // a lost reply is still remembered: the program's resend request brings it back
        if (fault.startsWith("drop")) {
            QVERIFY(emu.control("drop 1").startsWith("ok "));
            line.send(WireProbe::request(GET_VERSION, 0, QByteArray()));
            TFrame reply;
            QVERIFY(!line.next(reply, 300));
            const TFrame again = line.exchange(RESEND, 2);
            QVERIFY(again.command == GET_VERSION && again.crcOk);
        }
        // frames damaged on the way in get exactly one resend request, options 0
        QByteArray badCrc = WireProbe::request(GET_ID, 0, QByteArray("abc"));
        badCrc[badCrc.size() - 2] = char(badCrc.at(badCrc.size() - 2) ^ 1);
        QByteArray badHeader = WireProbe::request(GET_ID, 0, QByteArray());
        badHeader[3] = char(badHeader.at(3) ^ 0x10);
        const QByteArray truncated = WireProbe::request(SCAN, 0, scanRequest({1000000, 2000000})).left(20);
        for (const QByteArray& bad : {badCrc, badHeader, truncated}) {
            line.send(bad);
            TFrame reply;
            QVERIFY(line.next(reply, 3000));
            QVERIFY(reply.command == RESEND && reply.options == 0 && reply.crcOk);
            // exactly one: a second would follow within milliseconds; a slow machine can only let it
            // slip through, never fail a correct run
            QVERIFY(line.drain(100).isEmpty());
        }
        const TFrame unknown = line.exchange(0x1234, 0);
        QCOMPARE(unknown.command, quint16(0xEA63)); // undefined command, echoing the code in options
        QCOMPARE(unknown.options, quint16(0x1234));
    }

    void survivesFuzzing()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start());
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        std::mt19937 rng(20261206);
        const quint16 commands[] = {SCAN,   READ_DATA,  READ_VCO, 0xFCB1, 0xFCB2,
                                    0xFCB0, READ_RANGE, 0xB004,   0xB005};
        for (int round = 0; round < 300; ++round) {
            QByteArray junk(int(rng() % 300), '\0');
            for (char& c : junk)
                c = char(rng());
            // odd rounds: well-formed frames with hostile payloads and options
            line.send(round % 2 ? WireProbe::request(commands[rng() % 9], quint16(rng()), junk) : junk);
            // answers are read and dropped; now and then a pause long enough for the emulator to
            // give up on a frame left incomplete
            line.drain(round % 25 == 0 ? 400 : 2);
        }
        for (const QString& bad : {QString("dut cable=1,1,0,cable=1,1,0,open"), QString("dut rlc=1,2"),
                                   QString("split -3"), QString("corrupt x"), QString(5000, 'z')})
            QVERIFY(emu.control(bad).startsWith("error "));
        line.drain(500);
        const TFrame reply = line.exchange(GET_ID);
        QVERIFY(reply.crcOk && reply.command == GET_ID);
        QVERIFY(emu.isRunning());
    }
};

QTEST_MAIN(tst_EmulatorWire)
#include "tst_EmulatorWire.moc"

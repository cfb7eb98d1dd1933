#include <QSerialPort>
#include <QtTest>

#include <cmath>
#include <complex>
#include <random>
#include <utility>

#include "EmulatorProcess.h"
#include "TestSupport.h"
#include "devicelink/FrameCodec.h"

using TestSupport::EmulatorProcess;
using ZData::FrameCodec;
using TFrame = ZData::TDeviceReply;

namespace {

constexpr quint16 GET_VERSION = 0xD002, GET_OPTIONS = 0xD003, GET_ID = 0xD008, SCAN = 0xDA00, RESEND = 0xC350,
                  READ_RANGE = 0xFCA0, READ_DATA = 0xFCA1, READ_VCO = 0xFCA2;

template <typename... T>
QByteArray pack(T... values)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    (FrameCodec::setupStream(s) << ... << values);
    return out;
}

// A request frame as the program sends it (sequence count 7, host device word).
QByteArray request(quint16 command, quint16 options, const QByteArray& data = QByteArray())
{
    return FrameCodec::encode({command, quint16(data.size()), 0x80FF, 7, options}, data);
}

QByteArray scanRequest(const QVector<qint64>& freqs)
{
    QByteArray out = pack(quint8(2), quint8(freqs.size()));
    for (qint64 f : freqs)
        out += pack(f);
    return out;
}

// Plain serial access to the emulator, one blocking exchange at a time.
class Line
{
public:
    bool open(const QString& path)
    {
        m_port.setPortName(path);
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
        while (!TestSupport::takeFrame(m_buffer, frame)) {
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

bool crcOk(const TFrame& frame)
{
    return FrameCodec::isFrameValid(frame);
}

} // namespace

class tst_EmulatorWire : public QObject
{
    Q_OBJECT

private slots:
    // Identity replies to the byte. Seen through an ideal error box, a load reflects its own gamma; a
    // cable turns its far end by twice its electrical length and damps it by twice its loss.
    void replies()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start({"--id", "11-4000000000-33", "--firmware", "3.14.159", "--presets", "7",
                           "--error-box", "ideal"}));
        Line line;
        QVERIFY(line.open(emu.portPath()));
        const QList<QPair<quint16, QByteArray>> identity{
            {GET_ID, QByteArray::fromHex("0b00000000286bee21000000")},
            {GET_VERSION, QByteArray::fromHex("030000000e0000009f000000")},
            {0xD001, QByteArray()}, // the full type lives in the device word
            {GET_OPTIONS, "SR=1000000,6200000000;BW=30,10,3,1;PR=7"}};
        for (const auto& e : identity) {
            const TFrame reply = line.exchange(e.first, 0x1234);
            QVERIFY(crcOk(reply));
            QCOMPARE(reply.header.command, e.first);
            QCOMPARE(reply.header.options, quint16(0x1234));
            QCOMPARE(reply.header.deviceWord, quint16(0x0008));
            QCOMPARE(reply.data, e.second);
        }
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
                QVERIFY(crcOk(reply));
                QCOMPARE(reply.header.command, quint16(SCAN));
                QCOMPARE(reply.header.options, quint16(252)); // the program files the points by this echo
                QCOMPARE(reply.data.size(), 8 + 8 * n);
                QDataStream s(reply.data);
                float count = 0, unused = 0, re = 0, im = 0;
                FrameCodec::setupStream(s) >> count >> unused;
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
        QVERIFY(crcOk(reply));
        QCOMPARE(reply.data.size(), 8 + 2 * 8);
    }

    // Each fault line in turn, and what the next four identifier requests get: C correct, X CRC
    // damaged, - nothing, R a resend request.
    void faultCommands()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start());
        Line line;
        QVERIFY(line.open(emu.portPath()));
        for (const auto& [fault, expected] :
             {std::pair{"corrupt 2", "XXCC"}, {"drop 3", "---C"}, {"damaged", "RCCC"}, {"split 4", "CCCC"}}) {
            QVERIFY(emu.control(fault).startsWith("ok "));
            for (QChar want : QString(expected)) {
                QElapsedTimer clock;
                clock.start();
                line.send(request(GET_ID, 9, QByteArray()));
                TFrame reply;
                // A reply leaves within milliseconds, so 300 ms of silence shows a dropped one; a slow
                // machine can only let a fault slip through there, never fail a correct run.
                const bool got = line.next(reply, want == '-' ? 300 : 3000);
                const qint64 tookMs = clock.elapsed();
                QVERIFY2(got == (want != '-'), fault);
                if (!got)
                    continue;
                if (want == 'R') {
                    QVERIFY(reply.header.command == RESEND && reply.header.options == 0 &&
                            reply.data.isEmpty() && crcOk(reply));
                    continue;
                }
                QCOMPARE(reply.header.command, quint16(GET_ID));
                QVERIFY2(crcOk(reply) == (want == 'C'), fault);
                QCOMPARE(reply.data.size(), 12);
                // The four pieces leave 5 ms apart, so the whole frame cannot be there before three gaps
                // have passed. A busy machine only makes that longer (how many reads deliver the pieces
                // depends on the load and proves nothing); 12 ms leaves room for timers that fire early.
                if (QString(fault).startsWith("split"))
                    QVERIFY2(tookMs >= 12, qPrintable(QString::number(tookMs)));
            }
        }
        QVERIFY(emu.control("split 1").startsWith("ok "));
        // a lost reply is still remembered: the program's resend request brings it back
        QVERIFY(emu.control("drop 1").startsWith("ok "));
        line.send(request(GET_VERSION, 0, QByteArray()));
        TFrame lost;
        QVERIFY(!line.next(lost, 300));
        const TFrame again = line.exchange(RESEND, 2);
        QVERIFY(again.header.command == GET_VERSION && crcOk(again));
        // frames damaged on the way in get exactly one resend request, options 0
        QByteArray badCrc = request(GET_ID, 0, QByteArray("abc"));
        badCrc[badCrc.size() - 2] = char(badCrc.at(badCrc.size() - 2) ^ 1);
        QByteArray badHeader = request(GET_ID, 0, QByteArray());
        badHeader[3] = char(badHeader.at(3) ^ 0x10);
        const QByteArray truncated = request(SCAN, 0, scanRequest({1000000, 2000000})).left(20);
        for (const QByteArray& bad : {badCrc, badHeader, truncated}) {
            line.send(bad);
            TFrame reply;
            QVERIFY(line.next(reply, 3000));
            QVERIFY(reply.header.command == RESEND && reply.header.options == 0 && crcOk(reply));
            // exactly one: a second would follow within milliseconds; a slow machine can only let it
            // slip through, never fail a correct run
            QVERIFY(line.drain(100).isEmpty());
        }
        const TFrame unknown = line.exchange(0x1234, 0);
        QCOMPARE(unknown.header.command, quint16(0xEA63)); // undefined command, echoing the code in options
        QCOMPARE(unknown.header.options, quint16(0x1234));
    }

    void survivesFuzzing()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start());
        Line line;
        QVERIFY(line.open(emu.portPath()));
        std::mt19937 rng(20261206);
        const quint16 commands[] = {SCAN,   READ_DATA,  READ_VCO, 0xFCB1, 0xFCB2,
                                    0xFCB0, READ_RANGE, 0xB004,   0xB005};
        for (int round = 0; round < 300; ++round) {
            QByteArray junk(int(rng() % 300), '\0');
            for (char& c : junk)
                c = char(rng());
            // odd rounds: well-formed frames with hostile payloads and options
            line.send(round % 2 ? request(commands[rng() % 9], quint16(rng()), junk) : junk);
            // answers are read and dropped; now and then a pause long enough for the emulator to
            // give up on a frame left incomplete
            line.drain(round % 25 == 0 ? 400 : 2);
        }
        for (const QString& bad : {QString("dut cable=1,1,0,cable=1,1,0,open"), QString("dut rlc=1,2"),
                                   QString("split -3"), QString("corrupt x"), QString(5000, 'z')})
            QVERIFY(emu.control(bad).startsWith("error "));
        line.drain(500);
        const TFrame reply = line.exchange(GET_ID);
        QVERIFY(crcOk(reply) && reply.header.command == GET_ID);
        QVERIFY(emu.isRunning());
    }
};

QTEST_MAIN(tst_EmulatorWire)
#include "tst_EmulatorWire.moc"

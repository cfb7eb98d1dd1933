#include <QElapsedTimer>
#include <QtTest>

#include <cmath>
#include <complex>
#include <random>

#include "EmulatorProcess.h"
#include "WireProbe.h"
#include "devicelink/PortEnumerator.h"

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

// The serial errors that tell the program the device has gone rather than misbehaved.
bool isDeviceGone(QSerialPort::SerialPortError e)
{
    return e == QSerialPort::DeviceNotFoundError || e == QSerialPort::PermissionError ||
           e == QSerialPort::ResourceError || e == QSerialPort::UnknownError;
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

    void factorySlotChunks()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start());
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        TFrame range = line.exchange(READ_RANGE, 0);
        QVERIFY(range.crcOk && range.data.size() == 24);
        QDataStream rs(range.data);
        qint64 start = 0, stop = 0, points = 0;
        le(rs) >> start >> stop >> points;
        QCOMPARE(start, qint64(1000000));
        QCOMPARE(stop, qint64(6200000000LL));
        // the grid the program computes is the one measured
        QVERIFY(points >= 2 && points <= 1000 && (stop - start) % (points - 1) == 0);

        // oscillator tables in 509-byte reads, two interleaved bytes per entry; the last read is short
        for (int first = 0; first < 3257; first += 509) {
            const TFrame vco = line.exchange(READ_VCO, 0, pack(qint16(first), qint16(509)));
            const int n = qMin(509, 3257 - first);
            QVERIFY(vco.crcOk && vco.data.size() == 4 + 2 * n);
            QCOMPARE(vco.data.left(4), pack(qint16(first), qint16(n)));
            QVERIFY(vco.data.count('\0') < n); // filled in
        }

        // points in 41-point reads, six floats each
        int total = 0;
        for (int first = 0; first < points; first += 41) {
            const TFrame data = line.exchange(READ_DATA, 0, pack(qint16(first), qint16(41)));
            QVERIFY(data.crcOk);
            QDataStream s(data.data);
            float f = -1, n = -1, v[6];
            le(s) >> f >> n;
            QCOMPARE(int(f), first);
            QCOMPARE(int(n), qMin(41, int(points) - first));
            QCOMPARE(data.data.size(), 8 + int(n) * 24);
            for (int i = 0; i < int(n); ++i) {
                for (float& x : v)
                    s >> x;
                // raw open and short sit far apart, the load near the directivity
                QVERIFY(std::hypot(v[0] - v[2], v[1] - v[3]) > 1.0);
                QVERIFY(std::hypot(v[4], v[5]) < 0.3);
            }
            total += int(n);
        }
        QCOMPARE(total, int(points));
        // an empty user slot and a slot the device does not have both report 0 points
        for (quint16 slot : {quint16(1), quint16(200)}) {
            range = line.exchange(READ_RANGE, slot);
            QCOMPARE(range.options, slot);
            QCOMPARE(range.data, QByteArray(24, '\0'));
        }
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
            QVERIFY(line.drain(100).isEmpty());
        }
        const TFrame unknown = line.exchange(0x1234, 0);
        QCOMPARE(unknown.command, quint16(0xEA63)); // undefined command, echoing the code in options
        QCOMPARE(unknown.options, quint16(0x1234));
    }

    void unplugIsALostPortAndPlugReopens()
    {
        qRegisterMetaType<QSerialPort::SerialPortError>();
        EmulatorProcess emu;
        QVERIFY(emu.start());
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        QCOMPARE(line.exchange(0xD008).command, quint16(0xD008));
        for (int round = 0; round < 2; ++round) {
            QSignalSpy errors(&line.port(), &QSerialPort::errorOccurred);
            QCOMPARE(emu.control("unplug"), QString("ok unplug"));
            QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 3000);
            // a hung-up terminal may read as a read error; the port's file is gone by then
            const auto error = errors.first().first().value<QSerialPort::SerialPortError>();
            QVERIFY2(isDeviceGone(error) || error == QSerialPort::ReadError,
                     qPrintable(QString::number(error)));
            QVERIFY(!ZData::PortEnumerator::isPresent(emu.portPath()));
            line.close();
            QSerialPort probe(emu.portPath());
            QVERIFY(!probe.open(QIODevice::ReadWrite));
            QVERIFY(isDeviceGone(probe.error()));
            QCOMPARE(emu.control("plug"), QString("ok plug"));
            QVERIFY(line.open(emu.portPath()));
            const TFrame reply = line.exchange(0xD008);
            QVERIFY(reply.crcOk && reply.command == 0xD008);
        }
    }

    // Through the bootloader and back, at the wire: the program's update relies on each step.
    void firmwareUpdateRoundTrip()
    {
        const int imageSize = 2048;
        EmulatorProcess emu;
        QVERIFY(emu.start({"--firmware", "1.9.9", "--next-firmware", "2.3.4", "--id", "9-8-7"}));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        const TFrame ack = line.exchange(0xA001, 0);
        QVERIFY(ack.crcOk && ack.command == 0xA001);
        QVERIFY(!emu.waitForLine({"event unplugged"}).isEmpty());
        line.close();
        QVERIFY(emu.waitForLine({"event plugged"}).contains("bootloader"));

        QVERIFY(line.open(emu.portPath()));
        QCOMPARE(line.exchange(0xD001).deviceWord, quint16(0x8008)); // bootloader bit and the type
        QCOMPARE(line.exchange(0xD008).data, pack(9u, 8u, 7u));
        QCOMPARE(line.exchange(0xDA00, 0, QByteArray(2, '\0')).command, quint16(0xEA63)); // no measuring
        QByteArray image(imageSize, '\0');
        for (int i = 0; i < imageSize; ++i)
            image[i] = char(i * 31 + i / 7);
        const quint16 chunks = quint16((imageSize + 1023) / 1024);
        const TFrame init = line.exchange(0xB004, chunks, pack(quint32(imageSize)));
        QVERIFY(init.command == 0xB004 && init.deviceWord == 0x8008);
        for (quint16 i = 0; i < chunks; ++i) {
            const TFrame chunkAck = line.exchange(0xB005, i, image.mid(i * 1024, 1024));
            QVERIFY(chunkAck.command == 0xB005 && chunkAck.options == i);
        }
        line.close(); // the instrument restarts when the program lets go of the line
        QVERIFY(emu.waitForLine({"event plugged"}).contains(" app "));
        QVERIFY(line.open(emu.portPath()));
        QCOMPARE(line.exchange(0xD001).deviceWord, quint16(0x0008));
        QCOMPARE(line.exchange(0xD002).data, pack(2u, 3u, 4u));
        QCOMPARE(line.exchange(0xD008).data, pack(9u, 8u, 7u));
        const QString status = emu.control("status");
        QVERIFY2(status.contains(QString("image_size=%1 ").arg(imageSize)), qPrintable(status));
        QVERIFY2(status.contains(QString("image_crc=%1").arg(WireProbe::crc32(image), 8, 16, QChar('0'))),
                 qPrintable(status));
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

#include <QDataStream>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <complex>
#include <random>

#include "EmulatorProcess.h"
#include "WireProbe.h"

using TestSupport::EmulatorProcess;
using WireProbe::TFrame;

namespace {

enum : quint16
{
    GET_FULL_TYPE = 0xD001,
    GET_VERSION = 0xD002,
    GET_OPTIONS = 0xD003,
    GET_ID = 0xD008,
    SCAN = 0xDA00,
    RESEND_FROM_DEVICE = 0xC350,
    UNDEFINED_COMMAND = 0xEA63,
    READ_RANGE = 0xFCA0,
    READ_DATA = 0xFCA1,
    READ_VCO = 0xFCA2,
    WRITE_RANGE = 0xFCB0,
    WRITE_DATA = 0xFCB1,
    WRITE_VCO = 0xFCB2,
};

QDataStream& le(QDataStream& s)
{
    s.setByteOrder(QDataStream::LittleEndian);
    s.setFloatingPointPrecision(QDataStream::SinglePrecision);
    return s;
}

QByteArray scanRequest(quint8 bw, const QVector<qint64>& freqs)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    le(s) << bw << quint8(freqs.size());
    for (qint64 f : freqs)
        s << f;
    return out;
}

QByteArray chunkRequest(qint16 first, qint16 count)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    le(s) << first << count;
    return out;
}

} // namespace

class tst_EmulatorWire : public QObject
{
    Q_OBJECT

private slots:
    void identityReplies_data();
    void identityReplies();
    void scanReplies_data();
    void scanReplies();
    void factorySlotChunks();
    void userSlotKeepsWhatIsWritten();
    void faultCommands_data();
    void faultCommands();
    void survivesFuzzing();
};

void tst_EmulatorWire::identityReplies_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<quint16>("command");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<quint16>("deviceWord");

    auto words = [](quint32 a, quint32 b, quint32 c) {
        QByteArray out;
        QDataStream s(&out, QIODevice::WriteOnly);
        le(s) << a << b << c;
        return out;
    };
    QTest::newRow("id") << QStringList{"--id", "11-4000000000-33"} << quint16(GET_ID)
                        << words(11, 4000000000u, 33) << quint16(0x0008);
    QTest::newRow("version") << QStringList{"--firmware", "3.14.159"} << quint16(GET_VERSION)
                             << words(3, 14, 159) << quint16(0x0008);
    QTest::newRow("full type") << QStringList{} << quint16(GET_FULL_TYPE) << QByteArray() << quint16(0x0008);
    QTest::newRow("default options") << QStringList{} << quint16(GET_OPTIONS)
                                     << QByteArray("SR=1000000,6200000000;BW=30,10,3,1;PR=4")
                                     << quint16(0x0008);
    QTest::newRow("presets in options")
        << QStringList{"--presets", "7"} << quint16(GET_OPTIONS)
        << QByteArray("SR=1000000,6200000000;BW=30,10,3,1;PR=7") << quint16(0x0008);
    QTest::newRow("own options") << QStringList{"--options", "SR=50000,3000000000;BW=10,1;PR=2"}
                                 << quint16(GET_OPTIONS) << QByteArray("SR=50000,3000000000;BW=10,1;PR=2")
                                 << quint16(0x0008);
}

void tst_EmulatorWire::identityReplies()
{
    QFETCH(QStringList, args);
    QFETCH(quint16, command);
    QFETCH(QByteArray, expected);
    QFETCH(quint16, deviceWord);
    EmulatorProcess emu;
    QVERIFY(emu.start(args));
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));
    const TFrame reply = line.exchange(command, 0x1234);
    QVERIFY(reply.headerOk);
    QVERIFY(reply.crcOk);
    QCOMPARE(reply.command, command);
    QCOMPARE(reply.options, quint16(0x1234));
    QCOMPARE(reply.deviceWord, deviceWord);
    QCOMPARE(reply.data, expected);
}

void tst_EmulatorWire::scanReplies_data()
{
    QTest::addColumn<QString>("dut");
    QTest::addColumn<double>("re");
    QTest::addColumn<double>("im");
    QTest::newRow("open") << "open" << 1.0 << 0.0;
    QTest::newRow("short") << "short" << -1.0 << 0.0;
    QTest::newRow("load") << "load" << 0.0 << 0.0;
    QTest::newRow("100 ohms") << "r=100" << 1.0 / 3.0 << 0.0;
    QTest::newRow("25 ohms with suffix") << "r=0.025k" << -1.0 / 3.0 << 0.0;
    QTest::newRow("no resistance") << "r=0" << -1.0 << 0.0;
}

void tst_EmulatorWire::scanReplies()
{
    QFETCH(QString, dut);
    QFETCH(double, re);
    QFETCH(double, im);
    EmulatorProcess emu;
    QVERIFY(emu.start({"--error-box", "ideal"}));
    QCOMPARE(emu.control("dut " + dut), QString("ok dut " + dut));
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));

    for (int n : {1, 17, 126}) {
        QVector<qint64> freqs;
        for (int i = 0; i < n; ++i)
            freqs << 1000000LL + qint64(i) * 49000000LL;
        const TFrame reply = line.exchange(SCAN, 252, scanRequest(2, freqs));
        QVERIFY(reply.crcOk);
        QCOMPARE(reply.command, quint16(SCAN));
        QCOMPARE(reply.options, quint16(252)); // the program files the points by this echo
        QCOMPARE(reply.data.size(), 8 + 8 * n);
        QDataStream s(reply.data);
        le(s);
        float count = 0, unused = 0;
        s >> count >> unused;
        QCOMPARE(int(count), n);
        for (int i = 0; i < n; ++i) {
            float r = 0, j = 0;
            s >> r >> j;
            QVERIFY2(qAbs(r - re) < 1e-6 && qAbs(j - im) < 1e-6, qPrintable(QString("%1 %2").arg(r).arg(j)));
        }
    }
    // a request that claims more frequencies than it carries is answered for those it carries
    QByteArray shortened = scanRequest(0, {100000000, 200000000});
    shortened[1] = char(5);
    const TFrame reply = line.exchange(SCAN, 0, shortened);
    QVERIFY(reply.crcOk);
    QCOMPARE(reply.data.size(), 8 + 2 * 8);
}

void tst_EmulatorWire::factorySlotChunks()
{
    EmulatorProcess emu;
    QVERIFY(emu.start());
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));

    TFrame range = line.exchange(READ_RANGE, 0);
    QVERIFY(range.crcOk);
    QCOMPARE(range.options, quint16(0));
    QCOMPARE(range.data.size(), 24);
    QDataStream rs(range.data);
    le(rs);
    qint64 start = 0, stop = 0, points = 0;
    rs >> start >> stop >> points;
    QCOMPARE(start, qint64(1000000));
    QCOMPARE(stop, qint64(6200000000LL));
    QVERIFY(points >= 2 && points <= 1000);
    QCOMPARE((stop - start) % (points - 1), qint64(0)); // the grid the program computes is the one measured

    // oscillator tables in the program's 509-byte reads; the last one is short
    QByteArray table1, table2;
    for (qint16 first = 0; first < 3257; first += 509) {
        const TFrame vco = line.exchange(READ_VCO, 0, chunkRequest(first, 509));
        QVERIFY(vco.crcOk);
        QDataStream s(vco.data);
        le(s);
        qint16 f = -1, n = -1;
        s >> f >> n;
        QCOMPARE(f, first);
        QCOMPARE(int(n), qMin(509, 3257 - first));
        QCOMPARE(vco.data.size(), 4 + 2 * n);
        for (int i = 0; i < n; ++i) {
            table2 += vco.data.at(4 + 2 * i);
            table1 += vco.data.at(5 + 2 * i);
        }
    }
    QCOMPARE(table1.size(), 3257);
    QVERIFY(table1 != table2);
    QVERIFY(table1.count('\0') < 100);

    // points in the program's 41-point reads, six floats each
    int total = 0;
    for (int first = 0; first < points; first += 41) {
        const TFrame data = line.exchange(READ_DATA, 0, chunkRequest(qint16(first), 41));
        QVERIFY(data.crcOk);
        QDataStream s(data.data);
        le(s);
        float f = -1, n = -1;
        s >> f >> n;
        QCOMPARE(int(f), first);
        QCOMPARE(int(n), qMin(41, int(points) - first));
        QCOMPARE(data.data.size(), 8 + int(n) * 24);
        for (int i = 0; i < int(n); ++i) {
            float v[6];
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

void tst_EmulatorWire::userSlotKeepsWhatIsWritten()
{
    QTemporaryDir dir;
    const QString state = dir.filePath("slots.bin");
    const int points = 130;
    auto value = [](int type, int k) {
        return std::complex<float>(0.01f * k - type, 0.5f * type - 0.002f * k);
    };
    QByteArray vco1(3257, '\0'), vco2(3257, '\0');
    for (int i = 0; i < 3257; ++i) {
        vco1[i] = char(i * 7);
        vco2[i] = char(255 - i);
    }
    {
        EmulatorProcess emu;
        QVERIFY(emu.start({"--state", state}));
        WireProbe::Line line;
        QVERIFY(line.open(emu.portPath()));
        QByteArray rangeData;
        QDataStream rs(&rangeData, QIODevice::WriteOnly);
        le(rs) << qint64(2000000) << qint64(3000000000LL) << qint16(points);
        for (quint16 slot : {quint16(2), quint16(0)}) {
            const TFrame ack = line.exchange(WRITE_RANGE, slot, rangeData);
            QVERIFY(ack.crcOk);
            QCOMPARE(ack.command, quint16(WRITE_RANGE));
            QCOMPARE(ack.options, slot);
        }
        for (int first = 0; first < 3257; first += 1019) {
            const int n = qMin(1019, 3257 - first);
            for (qint8 part : {qint8(0), qint8(1)}) {
                QByteArray d;
                QDataStream s(&d, QIODevice::WriteOnly);
                le(s) << qint16(first) << qint16(n) << part;
                d += (part == 0 ? vco2 : vco1).mid(first, n);
                const TFrame ack = line.exchange(WRITE_VCO, 2, d);
                QCOMPARE(ack.command, quint16(WRITE_VCO));
                QCOMPARE(ack.options, quint16(2));
            }
        }
        for (int first = 0; first < points; first += 126) {
            const int n = qMin(126, points - first);
            for (qint8 type = 0; type < 3; ++type) {
                QByteArray d;
                QDataStream s(&d, QIODevice::WriteOnly);
                le(s) << qint16(first) << qint16(n) << type;
                for (int k = first; k < first + n; ++k)
                    s << value(type, k).real() << value(type, k).imag();
                const TFrame ack = line.exchange(WRITE_DATA, 2, d);
                QCOMPARE(ack.command, quint16(WRITE_DATA));
                QVERIFY(ack.data.isEmpty());
            }
        }
        // the factory slot refuses to be overwritten
        const TFrame factory = line.exchange(READ_RANGE, 0);
        QDataStream fs(factory.data);
        le(fs);
        qint64 start = 0;
        fs >> start;
        QCOMPARE(start, qint64(1000000));
    }
    // a fresh run with the same state file reads back the slot
    EmulatorProcess emu;
    QVERIFY(emu.start({"--state", state}));
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));
    const TFrame range = line.exchange(READ_RANGE, 2);
    QDataStream rs(range.data);
    le(rs);
    qint64 start = 0, stop = 0, n = 0;
    rs >> start >> stop >> n;
    QCOMPARE(start, qint64(2000000));
    QCOMPARE(stop, qint64(3000000000LL));
    QCOMPARE(n, qint64(points));
    for (int first = 0; first < 3257; first += 509) {
        const TFrame vco = line.exchange(READ_VCO, 2, chunkRequest(qint16(first), 509));
        for (int i = 0; i < (vco.data.size() - 4) / 2; ++i) {
            QCOMPARE(vco.data.at(4 + 2 * i), vco2.at(first + i));
            QCOMPARE(vco.data.at(5 + 2 * i), vco1.at(first + i));
        }
    }
    for (int first = 0; first < points; first += 41) {
        const TFrame data = line.exchange(READ_DATA, 2, chunkRequest(qint16(first), 41));
        QDataStream s(data.data);
        le(s);
        float f = 0, c = 0;
        s >> f >> c;
        for (int k = first; k < first + int(c); ++k)
            for (int type = 0; type < 3; ++type) {
                float re = 0, im = 0;
                s >> re >> im;
                QCOMPARE(re, value(type, k).real());
                QCOMPARE(im, value(type, k).imag());
            }
    }
}

void tst_EmulatorWire::faultCommands_data()
{
    QTest::addColumn<QString>("fault");
    // what the next four plain requests (device id) get: C = correct, X = CRC damaged, - = nothing,
    // R = a resend request with options 0
    QTest::addColumn<QString>("expected");
    QTest::newRow("corrupt 2") << "corrupt 2"
                               << "XXCC";
    QTest::newRow("corrupt 0") << "corrupt 0"
                               << "CCCC";
    QTest::newRow("drop 1") << "drop 1"
                            << "-CCC";
    QTest::newRow("drop 3") << "drop 3"
                            << "---C";
    QTest::newRow("damaged") << "damaged"
                             << "RCCC";
    QTest::newRow("split 4") << "split 4"
                             << "CCCC";
}

void tst_EmulatorWire::faultCommands()
{
    QFETCH(QString, fault);
    QFETCH(QString, expected);
    EmulatorProcess emu;
    QVERIFY(emu.start({"--id", "5-6-7"}));
    QVERIFY(emu.control(fault).startsWith("ok "));
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));
    const bool split = fault.startsWith("split");
    for (QChar want : expected) {
        line.send(WireProbe::request(GET_ID, 9, QByteArray()));
        TFrame reply;
        int reads = 0;
        const bool got = line.next(reply, want == '-' ? 300 : 3000, &reads);
        if (want == '-') {
            QVERIFY(!got);
            continue;
        }
        QVERIFY(got);
        QVERIFY(reply.headerOk);
        if (want == 'R') {
            QCOMPARE(reply.command, quint16(RESEND_FROM_DEVICE));
            QCOMPARE(reply.options, quint16(0));
            QVERIFY(reply.data.isEmpty());
            QVERIFY(reply.crcOk);
            continue;
        }
        QCOMPARE(reply.command, quint16(GET_ID));
        QCOMPARE(reply.crcOk, want == 'C');
        QCOMPARE(reply.data.size(), 12);
        // the pieces are 5 ms apart; a busy machine may deliver a few of them together
        if (split)
            QVERIFY2(reads >= 2, qPrintable(QString::number(reads)));
    }
    // a lost reply is still remembered: the program's resend request brings it back
    if (fault.startsWith("drop")) {
        QVERIFY(emu.control("drop 1").startsWith("ok "));
        line.send(WireProbe::request(GET_VERSION, 0, QByteArray()));
        TFrame reply;
        QVERIFY(!line.next(reply, 300));
        const TFrame again = line.exchange(RESEND_FROM_DEVICE, 2);
        QCOMPARE(again.command, quint16(GET_VERSION));
        QVERIFY(again.crcOk);
    }
    // frames damaged on the way in are answered with a resend request, options 0
    QByteArray badCrc = WireProbe::request(GET_ID, 0, QByteArray("abc"));
    badCrc[badCrc.size() - 2] = char(badCrc.at(badCrc.size() - 2) ^ 1);
    QByteArray badHeader = WireProbe::request(GET_ID, 0, QByteArray());
    badHeader[3] = char(badHeader.at(3) ^ 0x10);
    QByteArray truncated = WireProbe::request(SCAN, 0, scanRequest(0, {1000000, 2000000})).left(20);
    for (const QByteArray& bad : {badCrc, badHeader, truncated}) {
        line.send(bad);
        TFrame reply;
        QVERIFY(line.next(reply, 3000));
        QCOMPARE(reply.command, quint16(RESEND_FROM_DEVICE));
        QCOMPARE(reply.options, quint16(0));
        QVERIFY(reply.crcOk);
        QVERIFY(line.drain(100).isEmpty()); // exactly one answer
    }
    const TFrame unknown = line.exchange(0x1234, 0);
    QCOMPARE(unknown.command, quint16(UNDEFINED_COMMAND));
    QCOMPARE(unknown.options, quint16(0x1234));
}

void tst_EmulatorWire::survivesFuzzing()
{
    EmulatorProcess emu;
    QVERIFY(emu.start());
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));
    std::mt19937 rng(20261206);
    const quint16 commands[] = {SCAN,       READ_DATA, READ_VCO, WRITE_DATA, WRITE_VCO,  WRITE_RANGE,
                                READ_RANGE, 0xB004,    0xB005,   0xA001 + 1, GET_OPTIONS};
    for (int round = 0; round < 300; ++round) {
        QByteArray junk(int(rng() % 300), '\0');
        for (char& c : junk)
            c = char(rng());
        if (round % 2) {
            // well-formed frames with hostile payloads and options
            line.send(WireProbe::request(commands[rng() % 11], quint16(rng()), junk));
        } else {
            line.send(junk);
        }
        line.drain(round % 25 == 0 ? 400 : 2);
    }
    for (const QString& bad : {QString("dut cable=1,1,0,cable=1,1,0,open"), QString("dut rlc=1,2"),
                               QString("split -3"), QString("corrupt x"), QString(5000, 'z')})
        QVERIFY(emu.control(bad).startsWith("error "));
    line.drain(500);
    const TFrame reply = line.exchange(GET_ID);
    QVERIFY(reply.crcOk);
    QCOMPARE(reply.command, quint16(GET_ID));
    QVERIFY(emu.isRunning());
}

QTEST_MAIN(tst_EmulatorWire)
#include "tst_EmulatorWire.moc"

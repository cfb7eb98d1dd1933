#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "EmulatorProcess.h"
#include "WireProbe.h"
#include "devicelink/PortEnumerator.h"

using TestSupport::EmulatorProcess;
using WireProbe::TFrame;

namespace {

QByteArray le32(quint32 v)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << v;
    return out;
}

QByteArray words(quint32 a, quint32 b, quint32 c)
{
    return le32(a) + le32(b) + le32(c);
}

// The serial errors that tell the program the device has gone rather than misbehaved.
bool isDeviceGone(QSerialPort::SerialPortError e)
{
    return e == QSerialPort::DeviceNotFoundError || e == QSerialPort::PermissionError ||
           e == QSerialPort::ResourceError || e == QSerialPort::UnknownError;
}

} // namespace

class tst_EmulatorLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void unplugIsALostPortAndPlugReopens();
    void unreadRepliesDoNotOutliveThePort();
    void firmwareUpdateRoundTrip_data();
    void firmwareUpdateRoundTrip();
    void runningEmulatorIsListed();
};

void tst_EmulatorLifecycle::unplugIsALostPortAndPlugReopens()
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
        // A hung-up terminal reads as end of file, which this toolkit reports as a read error with a
        // left-over errno; what tells it apart from a line fault is that the port's file is already
        // gone when the error arrives.
        const auto error = errors.first().first().value<QSerialPort::SerialPortError>();
        QVERIFY2(isDeviceGone(error) || error == QSerialPort::ReadError,
                 qPrintable(QString::number(int(error))));
        QVERIFY(!ZData::PortEnumerator::isPresent(emu.portPath()));
        line.close();

        // while unplugged a reopen fails as a missing device
        QSerialPort probe;
        probe.setPortName(emu.portPath());
        QVERIFY(!probe.open(QIODevice::ReadWrite));
        QVERIFY(isDeviceGone(probe.error()));

        QCOMPARE(emu.control("plug"), QString("ok plug"));
        QVERIFY(ZData::PortEnumerator::isPresent(emu.portPath()));
        QVERIFY(line.open(emu.portPath()));
        const TFrame reply = line.exchange(0xD008);
        QVERIFY(reply.crcOk);
        QCOMPARE(reply.command, quint16(0xD008));
    }
}

void tst_EmulatorLifecycle::unreadRepliesDoNotOutliveThePort()
{
    EmulatorProcess emu;
    QVERIFY(emu.start());
    WireProbe::Line line;
    for (int round = 0; round < 3; ++round) {
        QVERIFY(line.open(emu.portPath()));
        line.send(WireProbe::request(0xD008, 0, QByteArray()));
        QTest::qWait(50); // the reply is waiting in the terminal when the port closes
        line.close();
        QTest::qWait(50);
    }
    QVERIFY(line.open(emu.portPath()));
    const TFrame reply = line.exchange(0xD002);
    QCOMPARE(reply.command, quint16(0xD002)); // not an old identifier reply
    QVERIFY(line.drain(100).isEmpty());
}

void tst_EmulatorLifecycle::firmwareUpdateRoundTrip_data()
{
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("newVersion");
    QTest::newRow("2049 bytes, default next version") << 2049 << QStringList{} << words(2, 0, 1);
    QTest::newRow("2048 bytes, chosen next version")
        << 2048 << QStringList{"--firmware", "1.9.9", "--next-firmware", "2.3.4"} << words(2, 3, 4);
}

void tst_EmulatorLifecycle::firmwareUpdateRoundTrip()
{
    QFETCH(int, imageSize);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, newVersion);
    EmulatorProcess emu;
    QVERIFY(emu.start(args + QStringList{"--id", "9-8-7"}));
    WireProbe::Line line;
    QVERIFY(line.open(emu.portPath()));

    const TFrame ack = line.exchange(0xA001, 0);
    QCOMPARE(ack.command, quint16(0xA001));
    QVERIFY(ack.crcOk);
    QVERIFY(!emu.waitForLine("event unplugged").isEmpty());
    line.close();
    QVERIFY(emu.waitForLine("event plugged").contains("bootloader"));

    QVERIFY(line.open(emu.portPath()));
    TFrame type = line.exchange(0xD001);
    QCOMPARE(type.deviceWord, quint16(0x8008)); // bootloader bit and the analyser type
    QCOMPARE(line.exchange(0xD008).data, words(9, 8, 7));
    QCOMPARE(line.exchange(0xDA00, 0, QByteArray(2, '\0')).command, quint16(0xEA63)); // no measuring here

    QByteArray image(imageSize, '\0');
    for (int i = 0; i < imageSize; ++i)
        image[i] = char(i * 31 + i / 7);
    const quint16 chunks = quint16((imageSize + 1023) / 1024);
    const TFrame init = line.exchange(0xB004, chunks, le32(quint32(imageSize)));
    QCOMPARE(init.command, quint16(0xB004));
    QCOMPARE(init.deviceWord, quint16(0x8008));
    for (quint16 i = 0; i < chunks; ++i) {
        const TFrame chunkAck = line.exchange(0xB005, i, image.mid(i * 1024, 1024));
        QCOMPARE(chunkAck.command, quint16(0xB005));
        QCOMPARE(chunkAck.options, i);
    }
    // the instrument restarts when the program lets go of the line
    line.close();
    QVERIFY(emu.waitForLine("event plugged").contains(" app "));
    QVERIFY(line.open(emu.portPath()));
    QCOMPARE(line.exchange(0xD001).deviceWord, quint16(0x0008));
    QCOMPARE(line.exchange(0xD002).data, newVersion);
    QCOMPARE(line.exchange(0xD008).data, words(9, 8, 7));
    const QString status = emu.control("status");
    QVERIFY2(status.contains(QString("image_size=%1 ").arg(imageSize)), qPrintable(status));
    QVERIFY2(status.contains(QString("image_crc=%1").arg(WireProbe::crc32(image), 8, 16, QChar('0'))),
             qPrintable(status));
}

void tst_EmulatorLifecycle::runningEmulatorIsListed()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCOMPARE(ZData::PortEnumerator::announceDir(), runtime.path());

    // an announcement left by a process that has ended, for a path that still exists
    QProcess finished;
    finished.start("true", QStringList());
    QVERIFY(finished.waitForStarted());
    const qint64 deadPid = finished.processId();
    QVERIFY(finished.waitForFinished());
    QVERIFY(deadPid > 0);
    QFile stale(runtime.filePath("tolvekvna-port-424242.json"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    QJsonObject o{{"pid", double(deadPid)}, {"path", runtime.path()}, {"manufacturer", "STMicroelectronics"}};
    stale.write(QJsonDocument(o).toJson());
    stale.close();
    QFile garbage(runtime.filePath("tolvekvna-port-1.json"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("{not json");
    garbage.close();

    EmulatorProcess emu;
    QVERIFY(emu.start({"--id", "1-2-3"}));
    auto mine = [&]() -> QList<ZData::TPortListing> {
        QList<ZData::TPortListing> out;
        for (const auto& p : ZData::PortEnumerator::availablePorts())
            if (p.portName == emu.portPath() || p.portName == runtime.path())
                out << p;
        return out;
    };
    QList<ZData::TPortListing> listed = mine();
    QCOMPARE(listed.size(), 1);
    QVERIFY(listed.first().manufacturer.contains("STMicro", Qt::CaseInsensitive));
    QCOMPARE(listed.first().serialNumber, QString("1-2-3"));
    QVERIFY(listed.first().announced);

    // the port a listing names can be opened and answers
    WireProbe::Line line;
    QVERIFY(line.open(listed.first().portName));
    QCOMPARE(line.exchange(0xD008).data, words(1, 2, 3));
    line.close();

    QCOMPARE(emu.control("unplug"), QString("ok unplug"));
    QVERIFY(mine().isEmpty());
    QCOMPARE(emu.control("plug"), QString("ok plug"));
    QCOMPARE(mine().size(), 1);
    emu.stop();
    QVERIFY(mine().isEmpty());
    QCOMPARE(QDir(runtime.path()).entryList({"tolvekvna-port-*"}).size(), 2); // only the planted ones
    qunsetenv("XDG_RUNTIME_DIR");
}

QTEST_MAIN(tst_EmulatorLifecycle)
#include "tst_EmulatorLifecycle.moc"

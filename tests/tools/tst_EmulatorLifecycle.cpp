#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "EmulatorProcess.h"
#include "WireProbe.h"
#include "devicelink/PortEnumerator.h"

using TestSupport::EmulatorProcess;
using WireProbe::pack;
using WireProbe::TFrame;

namespace {

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
    // The port dialog finds a running emulator without a typed path; one that has quit, or a
    // stale announcement, is not offered. A test emulator announces itself only in its own runtime
    // directory, never in the one of the user running the suite.
    void runningEmulatorIsListed()
    {
        auto listed = [](const QString& path) {
            for (const ZData::TPortListing& port : ZData::PortEnumerator::availablePorts())
                if (port.portName == path)
                    return port.announced && port.manufacturer.contains("STMicro");
            return false;
        };
        const QByteArray ownRuntime = qgetenv("XDG_RUNTIME_DIR");
        auto restoreRuntime = qScopeGuard([&] {
            if (ownRuntime.isNull())
                qunsetenv("XDG_RUNTIME_DIR");
            else
                qputenv("XDG_RUNTIME_DIR", ownRuntime);
        });
        QTemporaryDir userRuntime;
        QVERIFY(QFile::setPermissions(userRuntime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                              QFileDevice::ExeOwner));
        EmulatorProcess emu;
        QVERIFY(emu.start());
        const QString path = emu.portPath();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(userRuntime.path()));
        QVERIFY(!listed(path));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(emu.announceDir()));
        QVERIFY(listed(path));
        const QString stale =
            ZData::PortEnumerator::announce({"/nonexistent/ttyVNA", "", "STMicro", "", "", true});
        QVERIFY(!stale.isEmpty());
        QVERIFY(!listed("/nonexistent/ttyVNA"));
        ZData::PortEnumerator::withdraw(stale);
        emu.stop();
        QTRY_VERIFY(!listed(path));
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

    void firmwareUpdateRoundTrip_data()
    {
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("newVersion");
        QTest::newRow("2049 bytes, default next") << 2049 << QStringList{} << pack(2u, 0u, 1u);
        QTest::newRow("2048 bytes, chosen next")
            << 2048 << QStringList{"--firmware", "1.9.9", "--next-firmware", "2.3.4"} << pack(2u, 3u, 4u);
    }

    void firmwareUpdateRoundTrip()
    {
        QFETCH(int, imageSize);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, newVersion);
        EmulatorProcess emu;
        QVERIFY(emu.start(args + QStringList{"--id", "9-8-7"}));
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
        QCOMPARE(line.exchange(0xD002).data, newVersion);
        QCOMPARE(line.exchange(0xD008).data, pack(9u, 8u, 7u));
        const QString status = emu.control("status");
        QVERIFY2(status.contains(QString("image_size=%1 ").arg(imageSize)), qPrintable(status));
        QVERIFY2(status.contains(QString("image_crc=%1").arg(WireProbe::crc32(image), 8, 16, QChar('0'))),
                 qPrintable(status));
    }
};

QTEST_MAIN(tst_EmulatorLifecycle)
#include "tst_EmulatorLifecycle.moc"

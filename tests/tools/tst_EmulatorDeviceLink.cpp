#include <QSignalSpy>
#include <QtTest>

#include "EmulatorProcess.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"

using namespace ZData;
using DM::SerialPort;
using TestSupport::EmulatorProcess;

// The emulator against the program's own device link, so that both readings of the protocol agree.
class tst_EmulatorDeviceLink : public QObject
{
    Q_OBJECT

    bool openOn(const QString& path)
    {
        TSerialPortConfig cfg;
        cfg.portName = path;
        SerialPort::setConfig(cfg);
        return SerialPort::open(true);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DeviceMessageManager::init());
        QVERIFY(SerialPort::init());
        QVERIFY(DM::CommandQueue::init());
        QVERIFY(ConnectionManager::init());
        QVERIFY(DeviceManager::init());
        ConnectionManager::setPresenceInterval(60000);
    }
    void cleanup() { SerialPort::close(true); }

    void startupReadsTheEmulatedAnalyser_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("version");
        QTest::addColumn<quint64>("maxHz");
        QTest::addColumn<int>("presets");
        QTest::newRow("defaults") << QStringList{} << "2.0.0" << quint64(6200000000ULL) << 4;
        QTest::newRow("chosen") << QStringList{"--firmware", "2.7.1",
                                               "--presets",  "9",
                                               "--options",  "SR=1000000,3000000000;BW=30,10,3,1;PR=9"}
                                << "2.7.1" << quint64(3000000000ULL) << 9;
    }
    void startupReadsTheEmulatedAnalyser()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, version);
        QFETCH(quint64, maxHz);
        QFETCH(int, presets);
        EmulatorProcess emu;
        QVERIFY(emu.start(args + QStringList{"--id", "4-5-6"}));
        QSignalSpy finished(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
        QVERIFY(openOn(emu.portPath()));
        QVERIFY(finished.wait(5000));
        const TDeviceInfo& info = DeviceManager::deviceInfo();
        QCOMPARE(info.identifier, QString("4-5-6"));
        QCOMPARE(info.firmwareVersion.toString(), version);
        QCOMPARE(info.deviceState, quint8(EDeviceStates::MAINAPP));
        QCOMPARE(info.deviceType, quint8(EDeviceTypes::TOLVEK_VNA));
        QCOMPARE(info.minFrequency, quint64(1000000));
        QCOMPARE(info.maxFrequency, maxHz);
        QCOMPARE(info.bandwidths, (QVector<quint32>{30, 10, 3, 1}));
        QCOMPARE(int(info.presetsCount), presets);
    }

    void unpluggedAnalyserClosesThePortAndComesBack()
    {
        EmulatorProcess emu;
        QVERIFY(emu.start());
        QSignalSpy finished(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
        QVERIFY(openOn(emu.portPath()));
        QVERIFY(finished.wait(5000));

        QSignalSpy closed(&SerialPort::instance(), &SerialPort::signalClosed);
        QSignalSpy lost(&SerialPort::instance(), &SerialPort::signalLost);
        QCOMPARE(emu.control("unplug"), QString("ok unplug"));
        QTRY_VERIFY_WITH_TIMEOUT(!closed.isEmpty(), 3000);
        QVERIFY(!SerialPort::isOpen());
        qInfo("port lost reported: %s", lost.isEmpty() ? "no" : "yes");
        QVERIFY(!openOn(emu.portPath()));
        QVERIFY(SerialPort::isDeviceGoneError(SerialPort::port().error()));

        QCOMPARE(emu.control("plug"), QString("ok plug"));
        finished.clear();
        QVERIFY(openOn(emu.portPath()));
        QVERIFY(finished.wait(5000));
        QCOMPARE(DeviceManager::deviceInfo().identifier, QString("2083-1719-77"));
    }
};

QTEST_MAIN(tst_EmulatorDeviceLink)
#include "tst_EmulatorDeviceLink.moc"

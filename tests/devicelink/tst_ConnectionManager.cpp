#include <QtTest>

#include "PtyPeer.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/SerialPort.h"

using namespace ZData;
using DM::CommandQueue;
using DM::SerialPort;
using TestSupport::PtyPeer;

namespace {

constexpr quint16 ID = quint16(EDeviceCommands::D_GET_DEVICE_ID);
constexpr quint16 TYPE = quint16(EDeviceCommands::D_GET_DEVICE_FULL_TYPE);
constexpr quint16 FW = quint16(EDeviceCommands::D_GET_FIRMWARE_VERSION);

QByteArray words(quint32 a, quint32 b, quint32 c)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << a << b << c;
    return out;
}

} // namespace

class tst_ConnectionManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPeer> m_peer;
    bool m_vanishOnFirmware = false;
    QStringList m_events;

    void install()
    {
        m_peer->setResponder([this](PtyPeer& peer, const PtyPeer::TRequest& r) {
            const quint16 cmd = r.header.command;
            if (cmd == FW && m_vanishOnFirmware) {
                m_vanishOnFirmware = false;
                peer.vanish(); // unplugged in the middle of the exchange
                return;
            }
            QByteArray data;
            if (cmd == ID)
                data = words(1, 2, 3);
            else if (cmd == FW)
                data = words(1, 0, 0); // old device: start-up ends after the version
            peer.reply(cmd, data);
        });
    }

    bool openPort(QSerialPort::FlowControl flow = QSerialPort::HardwareControl)
    {
        TSerialPortConfig cfg;
        cfg.portName = m_peer->linkPath();
        cfg.flowControl = flow;
        SerialPort::setConfig(cfg);
        return SerialPort::open(true);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DeviceMessageManager::init());
        QVERIFY(SerialPort::init());
        QVERIFY(CommandQueue::init());
        QVERIFY(ConnectionManager::init());
        QVERIFY(DeviceManager::init());
        const char* names[] = {"opening", "opened", "closing", "closed", "lost"};
        auto& sp = SerialPort::instance();
        connect(&sp, &SerialPort::signalOpening, this, [this, names] { m_events << names[0]; });
        connect(&sp, &SerialPort::signalOpened, this, [this, names] { m_events << names[1]; });
        connect(&sp, &SerialPort::signalClosing, this, [this, names] { m_events << names[2]; });
        connect(&sp, &SerialPort::signalClosed, this, [this, names] { m_events << names[3]; });
        connect(&sp, &SerialPort::signalLost, this, [this, names] { m_events << names[4]; });
    }
    void init()
    {
        ConnectionManager::reset();
        DeviceManager::reset();
        m_vanishOnFirmware = false;
        m_peer = std::make_unique<PtyPeer>();
        QVERIFY(m_peer->start());
        install();
        m_events.clear();
    }
    void cleanup()
    {
        SerialPort::close(true);
        ConnectionManager::reset();
        m_peer.reset();
    }

    void openSequence()
    {
        QVERIFY(openPort());
        QCOMPARE(m_events, (QStringList{"closing", "opening", "opened"}));
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_events.clear();
        QVERIFY(openPort()); // reopening an open port closes it first
        QCOMPARE(m_events, (QStringList{"closing", "closed", "opening", "opened"}));
    }

    void bytesBeforeOpenDiscarded()
    {
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        SerialPort::close(true);
        m_peer->write(m_peer->replyFrame(ID, words(9, 9, 9))); // stale bytes waiting in the terminal
        QTest::qWait(50);
        m_peer->clearRequests();
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE, FW}));
        QCOMPARE(DeviceManager::deviceInfo().identifier, QStringLiteral("1-2-3"));
    }

    void missingDeviceReportsLost()
    {
        TSerialPortConfig cfg;
        cfg.portName = m_peer->linkPath() + QStringLiteral("-missing");
        SerialPort::setConfig(cfg);
        ConnectionManager::setAutoReconnect(false);
        QVERIFY(!SerialPort::open(true));
        QCOMPARE(m_events, (QStringList{"closing", "opening", "closing", "lost"}));
        QVERIFY(!ConnectionManager::isReconnectPending());
    }

    void vanishAndReturn_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("returnAfterAttempts");
        QTest::newRow("default spacing") << 2000 << 1;
        QTest::newRow("short spacing, third attempt") << 150 << 3;
    }
    void vanishAndReturn()
    {
        QFETCH(int, intervalMs);
        QFETCH(int, returnAfterAttempts);
        ConnectionManager::setReconnectPolicy(10, intervalMs);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        QSignalSpy spyOpened(&SerialPort::instance(), &SerialPort::signalOpened);
        m_vanishOnFirmware = true;
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(QStringLiteral("lost")), 5000);
        QVERIFY(!SerialPort::isOpen());
        QVERIFY(CommandQueue::isEmpty());
        QVERIFY(!ConnectionManager::isPolling());
        QCOMPARE(spyReconnecting.count(), 1);
        QVERIFY(ConnectionManager::isReconnectPending());
        // failed reopen attempts each report the device lost again and schedule the next
        QTRY_COMPARE_WITH_TIMEOUT(spyReconnecting.count(), returnAfterAttempts, 4 * intervalMs + 2000);
        QVERIFY(m_peer->comeBack());
        m_peer->clearRequests();
        QTRY_COMPARE_WITH_TIMEOUT(spyOpened.count(), 2, 2 * intervalMs + 2000);
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE, FW}));
        QCOMPARE(ConnectionManager::triesLeft(), quint16(10));
        QVERIFY(ConnectionManager::autoReconnect());
    }

    void failedToReconnect()
    {
        ConnectionManager::setReconnectPolicy(4, 100);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        QSignalSpy spyFailed(&ConnectionManager::instance(), &ConnectionManager::signalFailedToReconnect);
        QSignalSpy spyOpening(&SerialPort::instance(), &SerialPort::signalOpening);
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_peer->vanish();
        QTRY_COMPARE_WITH_TIMEOUT(spyFailed.count(), 1, 5000);
        QCOMPARE(spyReconnecting.count(), 3);
        QCOMPARE(spyOpening.count(), 1 + 3); // the first open, then one reopen per scheduled try
        QTest::qWait(300);
        QCOMPARE(spyFailed.count(), 1);
        QVERIFY(!ConnectionManager::isReconnectPending());
        // a later lost report (say a manual open of the missing device) starts no new series
        ConnectionManager::setReconnectPolicy(4, 100);
        emit SerialPort::instance().signalLost();
        QCOMPARE(spyReconnecting.count(), 4);
        QVERIFY(ConnectionManager::isReconnectPending());
    }

    void autoReconnectOff()
    {
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        ConnectionManager::setAutoReconnect(false);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        m_peer->vanish();
        QTRY_VERIFY_WITH_TIMEOUT(m_events.contains(QStringLiteral("lost")), 5000);
        QTest::qWait(100);
        QCOMPARE(spyReconnecting.count(), 0);
        QVERIFY(!ConnectionManager::isReconnectPending());
        QVERIFY(!ConnectionManager::isPolling());
    }

    void presencePollWhileIdle()
    {
        ConnectionManager::setPresenceInterval(100);
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QVERIFY(ConnectionManager::isPolling());
        m_peer->clearRequests();
        QTRY_VERIFY_WITH_TIMEOUT(m_peer->requests().size() >= 3, 5000);
        for (quint16 c : m_peer->commands())
            QCOMPARE(c, ID);
        // a silent device is noticed: three failed polls close the port
        m_peer->setResponder({});
        QSignalSpy spyClosed(&SerialPort::instance(), &SerialPort::signalClosed);
        QTRY_COMPARE_WITH_TIMEOUT(spyClosed.count(), 1, 15000);
        QVERIFY(!ConnectionManager::isPolling());
    }
};

QTEST_GUILESS_MAIN(tst_ConnectionManager)
#include "tst_ConnectionManager.moc"

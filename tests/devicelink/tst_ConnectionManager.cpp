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
} // namespace

class tst_ConnectionManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPeer> m_peer;
    bool m_vanishOnFirmware = false;

private slots:
    void initTestCase()
    {
        QVERIFY(DeviceMessageManager::init() && SerialPort::init() && CommandQueue::init());
        QVERIFY(ConnectionManager::init() && DeviceManager::init());
    }
    void init()
    {
        ConnectionManager::reset();
        DeviceManager::reset();
        m_vanishOnFirmware = false;
        m_peer = std::make_unique<PtyPeer>();
        QVERIFY(m_peer->start());
        m_peer->setResponder([this](PtyPeer& peer, const PtyPeer::TRequest& r) {
            const quint16 cmd = r.header.command;
            if (cmd == FW && m_vanishOnFirmware) {
                m_vanishOnFirmware = false;
                peer.vanish(); // unplugged in the middle of the exchange
                return;
            }
            // identifier 1-2-3; version 1.0.0 is an old device, start-up ends after it
            peer.reply(cmd, cmd == ID   ? QByteArray::fromHex("010000000200000003000000")
                            : cmd == FW ? QByteArray::fromHex("010000000000000000000000")
                                        : QByteArray());
        });
    }
    void cleanup()
    {
        SerialPort::close(true);
        ConnectionManager::reset();
        m_peer.reset();
    }

    void vanishAndReturn()
    {
        // enough tries that a machine stalled for seconds still has some left when the port returns
        ConnectionManager::setReconnectPolicy(100, 150);
        QSignalSpy spyLost(&SerialPort::instance(), &SerialPort::signalLost);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        QSignalSpy spyOpened(&SerialPort::instance(), &SerialPort::signalOpened);
        m_vanishOnFirmware = true;
        QVERIFY(m_peer->openLinkAndSettle());
        QTRY_VERIFY_WITH_TIMEOUT(spyLost.count() >= 1, 5000);
        QVERIFY(!SerialPort::isOpen());
        QVERIFY(CommandQueue::isEmpty());
        // failed reopen attempts each report the device lost again and schedule the next
        QTRY_VERIFY_WITH_TIMEOUT(spyReconnecting.count() >= 3, 3000);
        QVERIFY(m_peer->comeBack());
        m_peer->clearRequests();
        QTRY_COMPARE_WITH_TIMEOUT(spyOpened.count(), 2, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE, FW}));
        QCOMPARE(DeviceManager::deviceInfo().identifier, QStringLiteral("1-2-3"));
        QCOMPARE(ConnectionManager::triesLeft(), quint16(100));
    }

    void failedToReconnect()
    {
        ConnectionManager::setReconnectPolicy(4, 100);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        QSignalSpy spyFailed(&ConnectionManager::instance(), &ConnectionManager::signalFailedToReconnect);
        QSignalSpy spyOpening(&SerialPort::instance(), &SerialPort::signalOpening);
        QVERIFY(m_peer->openLinkAndSettle());
        m_peer->vanish();
        QTRY_COMPARE_WITH_TIMEOUT(spyFailed.count(), 1, 5000);
        QCOMPARE(spyReconnecting.count(), 3);
        QCOMPARE(spyOpening.count(), 1 + 3); // the first open, then one reopen per scheduled try
        // Three retry delays of 100 ms: a try still scheduled would have run by now. A slow machine
        // can only let that slip through, never fail a correct run.
        QTest::qWait(300);
        QCOMPARE(spyFailed.count(), 1);
        QVERIFY(!ConnectionManager::isReconnectPending());
    }
};

QTEST_GUILESS_MAIN(tst_ConnectionManager)
#include "tst_ConnectionManager.moc"

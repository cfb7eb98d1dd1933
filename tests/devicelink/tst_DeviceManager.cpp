#include <QtTest>

#include "PtyPeer.h"
#include "TestSupport.h"
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
constexpr quint16 OPT = quint16(EDeviceCommands::D_GET_OPTIONS);
constexpr quint16 SCAN = quint16(EDeviceCommands::DA_GET_SCAN_DATA);
constexpr quint16 RESEND = quint16(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE);
constexpr quint16 RANGE = quint16(EDeviceCommands::F_READ_CALIB_RANGE);

QByteArray words(quint32 a, quint32 b, quint32 c)
{
    const quint32 w[3] = {qToLittleEndian(a), qToLittleEndian(b), qToLittleEndian(c)};
    return QByteArray(reinterpret_cast<const char*>(w), sizeof(w));
}

// What the scripted analyser answers.
struct DeviceScript
{
    quint16 deviceWord = 0x0008;
    QByteArray version = words(2, 1, 0);
    QSet<quint16> silentFor;    // requests never answered
    QSet<quint16> damageOnce;   // first reply sent with a broken CRC
    QSet<quint16> complainOnce; // device reports the request damaged (resend with options 0)
    int wrongScanIndex = 0;     // scan replies sent with their slice index rewritten to 0
    QByteArray lastReply;       // repeated on a resend request
    quint16 vanishOn = 0;       // the analyser is unplugged when this request arrives
};

} // namespace

class tst_DeviceManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPeer> m_peer;
    DeviceScript m_script;

    void respond(PtyPeer& peer, const PtyPeer::TRequest& r)
    {
        const quint16 cmd = r.header.command;
        if (m_script.silentFor.contains(cmd))
            return;
        if (cmd == m_script.vanishOn) {
            m_script.vanishOn = 0;
            return peer.vanish();
        }
        if (m_script.complainOnce.remove(cmd))
            return peer.reply(RESEND, QByteArray(), 0, m_script.deviceWord);
        if (cmd == RESEND && r.header.options != 0)
            return peer.write(m_script.lastReply);
        QByteArray data;
        if (cmd == ID)
            data = words(11, 22, 33);
        else if (cmd == FW)
            data = m_script.version;
        else if (cmd == OPT)
            data = "SR=1000000,6000000000;BW=10,x,100;PR=4";
        else if (cmd == RANGE)
            data = QByteArray(24, '\0');
        else if (cmd == SCAN)
            data = TestSupport::scanReply(0, quint8(r.data.at(1)), quint8(r.data.at(1)), [](int) {
                       return std::complex<float>(0.5f, -0.25f);
                   }).data;
        quint16 options = cmd == SCAN ? r.header.options : 0;
        if (cmd == SCAN && m_script.wrongScanIndex > 0) {
            --m_script.wrongScanIndex;
            options = 0; // the frame stays well formed: only its contents are wrong
        }
        QByteArray frame = peer.replyFrame(cmd, data, options, m_script.deviceWord);
        m_script.lastReply = frame;
        if (m_script.damageOnce.remove(cmd))
            frame[frame.size() - 1] = char(frame.at(frame.size() - 1) ^ 0x5A);
        peer.write(frame);
    }

    // Nothing more may follow: a further request would leave in the event-loop turn after the last
    // reply and reach the peer in the next; 50 ms are many turns, and a slow machine can only let a
    // fault slip through here, never fail a correct run.
    static void waitOutStragglers() { QTest::qWait(50); }

private slots:
    void initTestCase()
    {
        QVERIFY(DeviceMessageManager::init() && SerialPort::init() && CommandQueue::init());
        QVERIFY(ConnectionManager::init() && DeviceManager::init());
    }
    void init()
    {
        ConnectionManager::reset();
        ConnectionManager::setPresenceInterval(60000); // no polling unless a test asks for it
        DeviceMessageManager::setReplyTimeOverride(0);
        DeviceManager::reset();
        DeviceManager::setScanRequestSource({});
        m_script = DeviceScript();
        m_peer = std::make_unique<PtyPeer>();
        QVERIFY(m_peer->start());
        m_peer->setResponder([this](PtyPeer& peer, const PtyPeer::TRequest& r) { respond(peer, r); });
    }
    void cleanup()
    {
        SerialPort::close(true);
        ConnectionManager::reset();
        DeviceMessageManager::setReplyTimeOverride(0);
        m_peer.reset();
    }

    void startup_data()
    {
        QTest::addColumn<quint16>("deviceWord");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QSet<quint16>>("damage");   // replies sent damaged once
        QTest::addColumn<QSet<quint16>>("complain"); // requests the device reports damaged once
        QTest::addColumn<QList<quint16>>("expected");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("oldDevice");
        const QSet<quint16> none;
        QTest::newRow("main application 2.1.0") << quint16(0x0008) << words(2, 1, 0) << none << none
                                                << QList<quint16>{ID, TYPE, FW, OPT} << true << false;
        QTest::newRow("old firmware 1.9.9") << quint16(0x0008) << words(1, 9, 9) << none << none
                                            << QList<quint16>{ID, TYPE, FW} << false << true;
        QTest::newRow("bootloader skips options") << quint16(0x8008) << words(2, 0, 0) << none << none
                                                  << QList<quint16>{ID, TYPE, FW} << true << false;
        QTest::newRow("short version reply refused")
            << quint16(0x0008) << QByteArray(8, '\x02') << none << none << QList<quint16>{ID, TYPE, FW}
            << false << false;
        auto recovery = [](const char* name, const QSet<quint16>& damage, const QSet<quint16>& complain,
                           const QList<quint16>& expected) {
            QTest::newRow(name) << quint16(0x0008) << words(2, 1, 0) << damage << complain << expected << true
                                << false;
        };
        recovery("damaged reply repeated", {FW}, {}, {ID, TYPE, FW, RESEND, OPT});
        // Header-only requests are resent like any other.
        recovery("damaged identifier request", {}, {ID}, {ID, ID, TYPE, FW, OPT});
        recovery("damaged version request", {}, {FW}, {ID, TYPE, FW, FW, OPT});
        recovery("damaged options request", {}, {OPT}, {ID, TYPE, FW, OPT, OPT});
        recovery("damaged resend request", {FW}, {RESEND}, {ID, TYPE, FW, RESEND, RESEND, OPT});
    }
    void startup()
    {
        QFETCH(quint16, deviceWord);
        QFETCH(QByteArray, version);
        QFETCH(QSet<quint16>, damage);
        QFETCH(QSet<quint16>, complain);
        QFETCH(QList<quint16>, expected);
        QFETCH(bool, finished);
        QFETCH(bool, oldDevice);
        m_script.deviceWord = deviceWord;
        m_script.version = version;
        m_script.damageOnce = damage;
        m_script.complainOnce = complain;
        auto& dm = DeviceManager::instance();
        QSignalSpy spyFinished(&dm, &DeviceManager::signalStartupFinished);
        QSignalSpy spyOld(&dm, &DeviceManager::signalGotOldDevice);
        QSignalSpy spyParams(&dm, &DeviceManager::signalGotDeviceParams);
        QVERIFY(m_peer->openLinkAndSettle());
        waitOutStragglers();
        QCOMPARE(m_peer->commands(), expected);
        for (int i = 0; damage.isEmpty() && complain.isEmpty() && i < expected.size(); ++i)
            QCOMPARE(m_peer->requests().at(i).header.frameCount, quint16(2 * i));
        // the resend request, and its own resend, ask for the reply that failed its check
        for (int i = expected.indexOf(RESEND); i >= 0 && i < expected.size() && expected.at(i) == RESEND; ++i)
            QCOMPARE(m_peer->requests().at(i).header.options, quint16(DMM::EStates::E_PACKET_FAILED));
        // the first request goes out before the device said what it is
        QCOMPARE(m_peer->requests().first().header.deviceWord, quint16(0x80FF));
        QCOMPARE(spyFinished.count(), finished ? 1 : 0);
        QCOMPARE(spyOld.count(), oldDevice ? 1 : 0);
        QVERIFY(SerialPort::isOpen());
        const TDeviceInfo& info = DeviceManager::deviceInfo();
        QCOMPARE(info.identifier, QStringLiteral("11-22-33"));
        QCOMPARE(info.deviceState, quint8(deviceWord & 0x8000 ? 1 : 0));
        QCOMPARE(spyParams.count(), expected.contains(OPT) ? 3 : 0);
        if (expected.contains(OPT)) {
            QCOMPARE(info.minFrequency, quint64(1000000));
            QCOMPARE(info.maxFrequency, quint64(6000000000ull));
            QCOMPARE(info.bandwidths, (QVector<quint32>{10, 100}));
            QCOMPARE(info.presetsCount, quint32(4));
            QCOMPARE(info.firmwareVersion.toString(), QStringLiteral("2.1.0"));
        }
    }

    // A readiness report for bytes another handler has already read (what an event loop nested in a
    // handler leaves behind) reads nothing: the link stays up. A real hang-up still ends it, and the
    // reconnection tries that fail are reported once, with no try left behind.
    void emptyReadKeepsTheLink()
    {
        ConnectionManager::setReconnectPolicy(4, 100);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        QSignalSpy spyFailed(&ConnectionManager::instance(), &ConnectionManager::signalFailedToReconnect);
        QSignalSpy spyOpening(&SerialPort::instance(), &SerialPort::signalOpening);
        QSignalSpy spyFinished(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
        QVERIFY(m_peer->openLinkAndSettle());
        QCOMPARE(spyFinished.count(), 1);
        QSignalSpy closed(&SerialPort::instance(), &SerialPort::signalClosed);
        QPointer<QSocketNotifier> reader;
        for (QSocketNotifier* n : SerialPort::port().findChildren<QSocketNotifier*>())
            if (n->type() == QSocketNotifier::Read)
                reader = n;
        QVERIFY(reader);
        QVERIFY(SerialPort::port().bytesAvailable() == 0);
        for (int i = 0; i < 3 && reader; ++i) {
            QEvent stale(QEvent::SockAct);
            QCoreApplication::sendEvent(reader, &stale);
        }
        QCOMPARE(closed.count(), 0);
        QVERIFY(SerialPort::isOpen());
        QCOMPARE(SerialPort::port().error(), QSerialPort::NoError);
        // Still a working link: the start-up exchange runs through it again.
        DeviceManager::initStartup();
        QTRY_COMPARE_WITH_TIMEOUT(spyFinished.count(), 2, 10000);
        QCOMPARE(closed.count(), 0);
        m_peer->vanish(); // the analyser's side of the line goes away
        QTRY_COMPARE_WITH_TIMEOUT(spyFailed.count(), 1, 10000);
        QVERIFY(!SerialPort::isOpen());
        QCOMPARE(spyReconnecting.count(), 3);
        // Three retry delays of 100 ms: a try still scheduled would have run by now. A slow machine
        // can only let that slip through, never fail a correct run.
        QTest::qWait(300);
        QCOMPARE(spyOpening.count(), 1 + 3); // the first open, then one reopen per scheduled try
        QCOMPARE(spyFailed.count(), 1);
        QVERIFY(!ConnectionManager::isReconnectPending());
    }

    void scanRequest_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("complain");    // the device reports the request damaged once
        QTest::addColumn<int>("wrongReplies"); // replies filed under slice 0 instead of 252
        QTest::addColumn<int>("sent");         // scan requests sent
        QTest::addColumn<bool>("delivered");
        QTest::newRow("126 points") << 126 << false << 0 << 1 << true;
        QTest::newRow("damaged request with data resent") << 2 << true << 0 << 2 << true;
        QTest::newRow("127 points refused") << 127 << false << 0 << 0 << false;
        // A reply for another slice answers an earlier request: it is passed over, and only the
        // time-out of the wait has the slice asked for again (the request itself, not a resend).
        QTest::newRow("one reply for another slice") << 75 << false << 1 << 2 << true;
        QTest::newRow("another slice every time: the link gives up") << 75 << false << 3 << 3 << false;
    }
    void scanRequest()
    {
        QFETCH(int, points);
        QFETCH(bool, complain);
        QFETCH(int, wrongReplies);
        QFETCH(int, sent);
        QFETCH(bool, delivered);
        TScanRequest req;
        req.valid = true;
        req.bandwidthIndex = 2;
        req.startIndex = 252;
        for (int i = 0; i < points; ++i)
            req.frequencies.append(quint64(1000000000ull + quint64(i) * 1000));
        DeviceManager::setScanRequestSource([req] { return req; });
        QSignalSpy spyScan(&DeviceManager::instance(), &DeviceManager::signalGotScanData);
        QSignalSpy spyClosed(&SerialPort::instance(), &SerialPort::signalClosed);
        QVERIFY(m_peer->openLinkAndSettle());
        m_peer->clearRequests();
        if (complain)
            m_script.complainOnce.insert(SCAN);
        if (wrongReplies > 0)
            DeviceMessageManager::setReplyTimeOverride(300); // the budget, not the real reply time, is tested
        m_script.wrongScanIndex = wrongReplies;
        CommandQueue::add(EDeviceCommands::DA_GET_SCAN_DATA);
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        waitOutStragglers();
        QCOMPARE(m_peer->requests().size(), sent);
        QCOMPARE(spyScan.count(), delivered ? 1 : 0);
        if (delivered)
            QCOMPARE(spyScan.first().first().value<TDeviceReply>().header.options, quint16(252));
        QCOMPARE(spyClosed.count(), wrongReplies >= 3 ? 1 : 0);
        for (const PtyPeer::TRequest& r : m_peer->requests()) {
            QCOMPARE(r.header.command, SCAN);
            QCOMPARE(r.header.options, quint16(252));
            QCOMPARE(int(r.header.dataLength), 2 + 8 * points);
            QCOMPARE(r.data.left(10), QByteArray::fromHex("02") + char(points) +
                                          QByteArray::fromHex("00ca9a3b00000000")); // 1e9 little-endian
        }
    }

    // A command queued behind a pending presence poll waits for the poll's reply. Queued with an
    // action, as the calibration manager does, and reported damaged by the analyser, it is resent
    // with its options.
    void queuedBehindPoll()
    {
        QVERIFY(m_peer->openLinkAndSettle());
        m_peer->clearRequests();
        m_script.silentFor.insert(ID); // the poll's reply is late
        m_script.complainOnce.insert(RANGE);
        QSignalSpy spyRange(&DeviceManager::instance(), &DeviceManager::signalGotCalibRange);
        QVERIFY(DeviceManager::pollPresence());
        QVERIFY(!DeviceManager::pollPresence()); // one at a time
        CommandQueue::add(
            EDeviceCommands::F_READ_CALIB_RANGE,
            [](const TCommandHeader&) {
                DeviceManager::sendRequest(EDeviceCommands::F_READ_CALIB_RANGE, {}, 2);
            },
            2);
        // The held command would go out in the turn after it was queued; 100 ms are many turns, and
        // a slow machine can only let a fault slip through here, never fail a correct run.
        QTest::qWait(100);
        QCOMPARE(m_peer->commands(), QList<quint16>{ID}); // nothing sent over the pending poll
        m_peer->reply(ID, words(11, 22, 33));
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, RANGE, RANGE}));
        QCOMPARE(m_peer->requests().at(2).header.options, quint16(2));
        QCOMPARE(spyRange.count(), 1);
    }

    void vanishAndReturn()
    {
        // enough tries that a machine stalled for seconds still has some left when the port returns
        ConnectionManager::setReconnectPolicy(100, 150);
        QSignalSpy spyLost(&SerialPort::instance(), &SerialPort::signalLost);
        QSignalSpy spyReconnecting(&ConnectionManager::instance(), &ConnectionManager::signalReconnecting);
        QSignalSpy spyOpened(&SerialPort::instance(), &SerialPort::signalOpened);
        m_script.vanishOn = FW;
        QVERIFY(m_peer->openLinkAndSettle());
        QTRY_VERIFY_WITH_TIMEOUT(spyLost.count() >= 1, 5000);
        QVERIFY(!SerialPort::isOpen());
        QVERIFY(CommandQueue::isEmpty());
        // failed reopen attempts each report the device lost again and schedule the next
        QTRY_VERIFY_WITH_TIMEOUT(spyReconnecting.count() >= 3, 3000);
        QVERIFY(m_peer->start());
        m_peer->clearRequests();
        QTRY_COMPARE_WITH_TIMEOUT(spyOpened.count(), 2, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE, FW, OPT}));
        QCOMPARE(DeviceManager::deviceInfo().identifier, QStringLiteral("11-22-33"));
        QCOMPARE(ConnectionManager::triesLeft(), quint16(100));
    }
};

QTEST_GUILESS_MAIN(tst_DeviceManager)
#include "tst_DeviceManager.moc"

#include <QtTest>

#include "PtyPeer.h"
#include "devicelink/CommandQueue.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FrameCodec.h"
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

QByteArray words(quint32 a, quint32 b, quint32 c)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << a << b << c;
    return out;
}

// What the scripted analyser answers.
struct DeviceScript
{
    quint16 deviceWord = 0x0008;
    QByteArray version = words(2, 1, 0);
    QByteArray options = "SR=1000000,6000000000;BW=10,x,100;PR=4";
    QSet<quint16> silentFor;    // requests never answered
    QSet<quint16> damageOnce;   // first reply sent with a broken CRC
    QSet<quint16> complainOnce; // device reports the request damaged (resend with options 0)
    QByteArray lastReply;
};

} // namespace

class tst_DeviceManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyPeer> m_peer;
    DeviceScript m_script;

    void install()
    {
        m_peer->setResponder([this](PtyPeer& peer, const PtyPeer::TRequest& r) {
            const quint16 cmd = r.header.command;
            if (m_script.silentFor.contains(cmd))
                return;
            if (cmd == RESEND && r.header.options != 0) {
                peer.write(m_script.lastReply);
                return;
            }
            if (m_script.complainOnce.remove(cmd)) {
                peer.reply(RESEND, QByteArray(), 0, m_script.deviceWord);
                return;
            }
            QByteArray data;
            quint16 options = 0;
            if (cmd == ID)
                data = words(11, 22, 33);
            else if (cmd == FW)
                data = m_script.version;
            else if (cmd == OPT)
                data = m_script.options;
            else if (cmd == SCAN) {
                options = r.header.options;
                const int n = quint8(r.data.at(1));
                QDataStream s(&data, QIODevice::WriteOnly);
                s.setByteOrder(QDataStream::LittleEndian);
                s.setFloatingPointPrecision(QDataStream::SinglePrecision);
                s << float(n) << 0.0f;
                for (int i = 0; i < n; ++i)
                    s << 0.5f << -0.25f;
            }
            QByteArray frame = peer.replyFrame(cmd, data, options, m_script.deviceWord);
            m_script.lastReply = frame;
            if (m_script.damageOnce.remove(cmd))
                frame[frame.size() - 1] = char(frame.at(frame.size() - 1) ^ 0x5A);
            peer.write(frame);
        });
    }

    bool openPort()
    {
        TSerialPortConfig cfg;
        cfg.portName = m_peer->linkPath();
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
    }
    void init()
    {
        ConnectionManager::reset();
        ConnectionManager::setPresenceInterval(60000); // no polling unless a test asks for it
        DeviceManager::reset();
        DeviceManager::setScanRequestSource({});
        m_script = DeviceScript();
        m_peer = std::make_unique<PtyPeer>();
        QVERIFY(m_peer->start());
        install();
    }
    void cleanup()
    {
        SerialPort::close(true);
        ConnectionManager::reset();
        m_peer.reset();
    }

    void startup_data()
    {
        QTest::addColumn<quint16>("deviceWord");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QList<quint16>>("expected");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("oldDevice");
        QTest::addColumn<int>("params");
        QTest::newRow("main application 2.1.0")
            << quint16(0x0008) << words(2, 1, 0) << QList<quint16>{ID, TYPE, FW, OPT} << true << false << 3;
        QTest::newRow("old firmware 1.9.9")
            << quint16(0x0008) << words(1, 9, 9) << QList<quint16>{ID, TYPE, FW} << false << true << 0;
        QTest::newRow("bootloader skips options")
            << quint16(0x8008) << words(2, 0, 0) << QList<quint16>{ID, TYPE, FW} << true << false << 0;
        QTest::newRow("short version reply refused") << quint16(0x0008) << QByteArray(8, '\x02')
                                                     << QList<quint16>{ID, TYPE, FW} << false << false << 0;
    }
    void startup()
    {
        QFETCH(quint16, deviceWord);
        QFETCH(QByteArray, version);
        QFETCH(QList<quint16>, expected);
        QFETCH(bool, finished);
        QFETCH(bool, oldDevice);
        QFETCH(int, params);
        m_script.deviceWord = deviceWord;
        m_script.version = version;
        QSignalSpy spyFinished(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
        QSignalSpy spyOld(&DeviceManager::instance(), &DeviceManager::signalGotOldDevice);
        QSignalSpy spyParams(&DeviceManager::instance(), &DeviceManager::signalGotDeviceParams);
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QTest::qWait(50);
        QCOMPARE(m_peer->commands(), expected);
        for (int i = 0; i < m_peer->requests().size(); ++i)
            QCOMPARE(m_peer->requests().at(i).header.frameCount, quint16(2 * i));
        // the first request goes out before the device said what it is
        QCOMPARE(m_peer->requests().first().header.deviceWord, quint16(0x80FF));
        QCOMPARE(spyFinished.count(), finished ? 1 : 0);
        QCOMPARE(spyOld.count(), oldDevice ? 1 : 0);
        QCOMPARE(spyParams.count(), params);
        const TDeviceInfo& info = DeviceManager::deviceInfo();
        QCOMPARE(info.identifier, QStringLiteral("11-22-33"));
        QCOMPARE(info.deviceWord, deviceWord);
        QCOMPARE(info.deviceType, quint8(8));
        QCOMPARE(info.deviceState, quint8(deviceWord & 0x8000 ? 1 : 0));
        if (params == 3) {
            QCOMPARE(spyParams.at(0).at(0).value<EDeviceOptions>(), EDeviceOptions::SCAN_RANGE);
            QCOMPARE(spyParams.at(1).at(0).value<EDeviceOptions>(), EDeviceOptions::BANDWIDTH);
            QCOMPARE(spyParams.at(2).at(0).value<EDeviceOptions>(), EDeviceOptions::PRESETS_COUNT);
            QCOMPARE(info.minFrequency, quint64(1000000));
            QCOMPARE(info.maxFrequency, quint64(6000000000ull));
            QCOMPARE(info.bandwidths, (QVector<quint32>{10, 100}));
            QCOMPARE(info.presetsCount, quint32(4));
            QCOMPARE(info.firmwareVersion.toString(), QStringLiteral("2.1.0"));
        }
    }

    void linkRecovery_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QList<quint16>>("expected");
        QTest::addColumn<bool>("finished");
        QTest::newRow("damaged reply repeated")
            << "damage" << QList<quint16>{ID, TYPE, FW, RESEND, OPT} << true;
        // a damaged request with empty data is not resent: the queue moves on
        QTest::newRow("device got damaged request") << "complain" << QList<quint16>{ID, TYPE, FW} << false;
    }
    void linkRecovery()
    {
        QFETCH(QString, fault);
        QFETCH(QList<quint16>, expected);
        QFETCH(bool, finished);
        if (fault == QLatin1String("damage"))
            m_script.damageOnce.insert(FW);
        else
            m_script.complainOnce.insert(FW);
        QSignalSpy spyFinished(&DeviceManager::instance(), &DeviceManager::signalStartupFinished);
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QTest::qWait(50);
        QCOMPARE(m_peer->commands(), expected);
        if (fault == QLatin1String("damage"))
            QCOMPARE(m_peer->requests().at(3).header.options, quint16(DMM::EStates::E_PACKET_FAILED));
        QCOMPARE(spyFinished.count(), finished ? 1 : 0);
        QVERIFY(SerialPort::isOpen());
    }

    void thirdTimeoutDisconnects()
    {
        m_script.silentFor.insert(TYPE);
        m_script.silentFor.insert(RESEND);
        QSignalSpy spyClosed(&SerialPort::instance(), &SerialPort::signalClosed);
        QVERIFY(openPort());
        QTRY_COMPARE_WITH_TIMEOUT(spyClosed.count(), 1, 15000);
        QVERIFY(!SerialPort::isOpen());
        QVERIFY(CommandQueue::isEmpty());
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE, RESEND, RESEND}));
        QCOMPARE(m_peer->requests().at(2).header.options, quint16(DMM::EStates::E_REPLY_TIMEOUT));
        QCOMPARE(m_peer->requests().at(3).header.options, quint16(DMM::EStates::E_REPLY_TIMEOUT));
    }

    void scanRequest_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("sent");
        QTest::newRow("126 points") << 126 << true << true;
        QTest::newRow("one point") << 1 << true << true;
        QTest::newRow("127 points refused") << 127 << true << false;
        QTest::newRow("no points refused") << 0 << true << false;
        QTest::newRow("invalid slice") << 10 << false << false;
    }
    void scanRequest()
    {
        QFETCH(int, points);
        QFETCH(bool, valid);
        QFETCH(bool, sent);
        TScanRequest req;
        req.valid = valid;
        req.bandwidthIndex = 2;
        req.startIndex = 252;
        for (int i = 0; i < points; ++i)
            req.frequencies.append(quint64(1000000000ull + quint64(i) * 1000));
        DeviceManager::setScanRequestSource([req] { return req; });
        QSignalSpy spyScan(&DeviceManager::instance(), &DeviceManager::signalGotScanData);
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_peer->clearRequests();
        CommandQueue::add(EDeviceCommands::DA_GET_SCAN_DATA);
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QTest::qWait(50);
        if (!sent) {
            QVERIFY(m_peer->requests().isEmpty());
            QCOMPARE(spyScan.count(), 0);
            return;
        }
        QCOMPARE(m_peer->requests().size(), 1);
        const PtyPeer::TRequest& r = m_peer->requests().first();
        QCOMPARE(r.header.command, SCAN);
        QCOMPARE(r.header.options, quint16(252));
        QCOMPARE(int(r.header.dataLength), 2 + 8 * points);
        QCOMPARE(quint8(r.data.at(0)), quint8(2));
        QCOMPARE(quint8(r.data.at(1)), quint8(points));
        QCOMPARE(r.data.mid(2, 8), QByteArray::fromHex("00ca9a3b00000000")); // 1e9 little-endian
        QCOMPARE(spyScan.count(), 1);
        QCOMPARE(spyScan.at(0).at(0).value<TDeviceReply>().header.options, quint16(252));
    }

    void damagedRequestWithDataResent()
    {
        TScanRequest req;
        req.valid = true;
        req.startIndex = 3;
        req.frequencies = {1000000, 2000000};
        DeviceManager::setScanRequestSource([req] { return req; });
        QSignalSpy spyScan(&DeviceManager::instance(), &DeviceManager::signalGotScanData);
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_peer->clearRequests();
        m_script.complainOnce.insert(SCAN);
        CommandQueue::add(EDeviceCommands::DA_GET_SCAN_DATA);
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{SCAN, SCAN}));
        QCOMPARE(m_peer->requests().at(1).data, m_peer->requests().at(0).data);
        QCOMPARE(m_peer->requests().at(1).header.options, quint16(3));
        QCOMPARE(spyScan.count(), 1);
    }

    void updatePendingAcrossTypeReply_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<quint8>("previousState");
        QTest::addColumn<quint16>("word");
        QTest::addColumn<bool>("stays");
        QTest::newRow("app to bootloader") << true << quint8(0) << quint16(0x8008) << true;
        QTest::newRow("undefined to bootloader") << true << quint8(0xFF) << quint16(0x8009) << true;
        QTest::newRow("bootloader to bootloader") << true << quint8(1) << quint16(0x8008) << false;
        QTest::newRow("app to app") << true << quint8(0) << quint16(0x0008) << false;
        QTest::newRow("not pending") << false << quint8(0) << quint16(0x8008) << false;
    }
    void updatePendingAcrossTypeReply()
    {
        QFETCH(bool, pending);
        QFETCH(quint8, previousState);
        QFETCH(quint16, word);
        QFETCH(bool, stays);
        TDeviceInfo info;
        info.updatePending = pending;
        info.deviceState = previousState;
        DeviceManager::setDeviceInfo(info);
        DeviceManager::applyDeviceWord(word);
        QCOMPARE(DeviceManager::deviceInfo().updatePending, stays);
        QCOMPARE(DeviceManager::deviceInfo().deviceType, quint8(word & 0xFF));
        QCOMPARE(DeviceManager::deviceInfo().deviceState, quint8(word & 0x8000 ? 1 : 0));
    }

    void rebootIntoUpdateMode()
    {
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_peer->clearRequests();
        DeviceManager::startFirmwareUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), QList<quint16>{quint16(EDeviceCommands::A_REBOOT_TO_UPDATE_MODE)});
        QVERIFY(DeviceManager::deviceInfo().updatePending);
        // the same device comes back in its bootloader: the version reply asks for the update file
        int fetches = 0;
        DeviceManager::setUpdateFetcher([&fetches] {
            ++fetches;
            DeviceManager::processUpdateFile(QByteArray(10, 'f'));
        });
        m_script.deviceWord = 0x8008;
        m_peer->clearRequests();
        QVERIFY(openPort());
        QTRY_COMPARE_WITH_TIMEOUT(m_peer->commands().size(), 5, 5000);
        DeviceManager::setUpdateFetcher({});
        QCOMPARE(fetches, 1);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE, FW, quint16(EDeviceCommands::B_INIT_UPDATE),
                                                     quint16(EDeviceCommands::B_SEND_MAINAPP_CHUNK)}));
        QVERIFY(!DeviceManager::deviceInfo().updatePending);
    }

    void presencePollDefersQueuedCommand()
    {
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_peer->clearRequests();
        m_script.silentFor.insert(ID); // the poll's reply is late
        QVERIFY(DeviceManager::pollPresence());
        QVERIFY(!DeviceManager::pollPresence()); // one at a time
        CommandQueue::add(EDeviceCommands::D_GET_DEVICE_FULL_TYPE);
        QTest::qWait(100);
        QCOMPARE(m_peer->commands(), QList<quint16>{ID}); // nothing sent over the pending poll
        m_peer->reply(ID, words(11, 22, 33));
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        QCOMPARE(m_peer->commands(), (QList<quint16>{ID, TYPE}));
        QCOMPARE(DeviceMessageManager::state(), DMM::EStates::FREE);
    }

    void firmwareTransfer_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("progress");
        QTest::newRow("2048 bytes") << 2048 << QList<int>{50, 100};
        QTest::newRow("2049 bytes") << 2049 << QList<int>{33, 66, 100};
        QTest::newRow("empty image") << 0 << QList<int>{};
    }
    void firmwareTransfer()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, progress);
        m_script.deviceWord = 0x8008;
        QVERIFY(openPort());
        QTRY_VERIFY_WITH_TIMEOUT(CommandQueue::isEmpty(), 5000);
        m_peer->clearRequests();
        QByteArray image(size, '\0');
        for (int i = 0; i < size; ++i)
            image[i] = char(i % 251);
        QSignalSpy spyProgress(&DeviceManager::instance(), &DeviceManager::signalUpdateProgress);
        QSignalSpy spyClosed(&SerialPort::instance(), &SerialPort::signalClosed);
        CommandQueue::add(EDeviceCommands::S_GET_UPDATE,
                          [image](const TCommandHeader&) { DeviceManager::processUpdateFile(image); });
        if (size == 0) {
            QTest::qWait(100);
            QVERIFY(m_peer->requests().isEmpty());
            QVERIFY(SerialPort::isOpen());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(spyClosed.count(), 1, 5000);
        const auto& reqs = m_peer->requests();
        QCOMPARE(reqs.size(), 1 + progress.size());
        QCOMPARE(reqs.at(0).header.command, quint16(EDeviceCommands::B_INIT_UPDATE));
        QCOMPARE(int(reqs.at(0).header.options), progress.size());
        QByteArray sizeBytes;
        for (int i = 0; i < 4; ++i)
            sizeBytes.append(char((size >> (8 * i)) & 0xFF));
        QCOMPARE(reqs.at(0).data, sizeBytes);
        QByteArray sent;
        for (int i = 1; i < reqs.size(); ++i) {
            QCOMPARE(reqs.at(i).header.command, quint16(EDeviceCommands::B_SEND_MAINAPP_CHUNK));
            QCOMPARE(int(reqs.at(i).header.options), i - 1);
            sent += reqs.at(i).data;
        }
        QCOMPARE(sent, image);
        QList<int> got;
        for (const auto& args : spyProgress)
            got.append(args.at(0).toInt());
        QCOMPARE(got, progress);
        QVERIFY(!ConnectionManager::autoReconnect());
    }
};

QTEST_GUILESS_MAIN(tst_DeviceManager)
#include "tst_DeviceManager.moc"

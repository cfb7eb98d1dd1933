#include <QtTest>

#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceMessageManager.h"
#include "devicelink/FrameCodec.h"

using namespace ZData;
using DMM::EStates;

namespace {

constexpr quint16 FW = quint16(EDeviceCommands::D_GET_FIRMWARE_VERSION);
constexpr quint16 RESEND = quint16(EDeviceCommands::O_RESEND_PACKET_FROM_DEVICE);
constexpr quint16 DISC = quint16(EDeviceCommands::DISCONNECT);

QByteArray replyFrame(quint16 command, const QByteArray& data, int flipAt = -1)
{
    TCommandHeader h;
    h.command = command;
    h.dataLength = quint16(data.size());
    h.deviceWord = 0x0008;
    h.frameCount = 7;
    QByteArray frame = FrameCodec::encode(h, data);
    if (flipAt >= 0)
        frame[flipAt] = char(frame.at(flipAt) ^ 0x10);
    return frame;
}

const QByteArray versionData = QByteArray::fromHex("020000000100000009000000");

} // namespace

class tst_DeviceMessageManager : public QObject
{
    Q_OBJECT

    QList<TDeviceReply> m_replies;

    // Frames a request for `command` and enters the reply wait as the device manager does.
    void request(quint16 command, qint32 replyTime = 2000)
    {
        TCommandHeader h;
        h.command = command;
        DeviceMessageManager::setState(EStates::SEND_BUSY);
        DeviceMessageManager::buildFrame(h, QByteArray(), true);
        DeviceMessageManager::setState(EStates::RECEIVE_REPLY, replyTime);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(DeviceMessageManager::init());
        connect(&DeviceMessageManager::instance(), &DeviceMessageManager::signalGotReply, this,
                [this] { m_replies.append(DeviceMessageManager::reply()); });
    }
    void init()
    {
        DeviceMessageManager::reset();
        DeviceMessageManager::resetFrameCounter();
        DeviceMessageManager::setReplyCheck({});
        DeviceMessageManager::setReplyTimeOverride(0);
        m_replies.clear();
    }

    void splitAtEveryPosition()
    {
        for (const QByteArray& noise : {QByteArray(), QByteArray::fromHex("0102035500ff")}) {
            const QByteArray stream = noise + replyFrame(FW, versionData);
            for (int cut = 1; cut < stream.size(); ++cut) {
                init();
                request(FW);
                DeviceMessageManager::receive(stream.left(cut));
                DeviceMessageManager::receive(stream.mid(cut));
                QVERIFY2(m_replies.size() == 1, qPrintable(QStringLiteral("cut at %1").arg(cut)));
                QCOMPARE(m_replies.first().data, versionData);
                QCOMPARE(DeviceMessageManager::state(), EStates::FREE);
                QVERIFY(!DeviceMessageManager::isReplyTimerActive());
            }
        }
    }

    void failures_data()
    {
        QTest::addColumn<QVector<QByteArray>>("replies"); // one per request; empty: the reply time runs out
        // what each request ends in: R a resend request, D giving up the link, G the reply itself
        QTest::addColumn<QString>("expected");
        QTest::addColumn<quint16>("failedState");
        const QByteArray packetFailed = replyFrame(FW, versionData, 15);
        using Replies = QVector<QByteArray>;
        QTest::newRow("command mismatch")
            << Replies(3, replyFrame(quint16(EDeviceCommands::D_GET_OPTIONS), QByteArray("SR=1,2"))) << "RRD"
            << quint16(1);
        QTest::newRow("reply timeout") << Replies(3) << "RRD" << quint16(2);
        QTest::newRow("header failed") << Replies(3, replyFrame(FW, versionData, 3)) << "RRD" << quint16(5);
        QTest::newRow("packet failed") << Replies(3, packetFailed) << "RRD" << quint16(6);
        // the rest of the frame never comes: the renewed reply time still ends the wait
        QTest::newRow("stalled frame")
            << Replies(3, replyFrame(FW, versionData).left(20)) << "RRD" << quint16(2);
        QTest::newRow("a good reply restores the budget")
            << Replies{packetFailed, packetFailed, replyFrame(FW, versionData), packetFailed, packetFailed}
            << "RRGRR" << quint16(6);
    }
    void failures()
    {
        QFETCH(QVector<QByteArray>, replies);
        QFETCH(QString, expected);
        QFETCH(quint16, failedState);
        for (int i = 0; i < replies.size(); ++i) {
            request(FW, 100);
            if (!replies.at(i).isEmpty())
                DeviceMessageManager::receive(replies.at(i));
            QTRY_COMPARE_WITH_TIMEOUT(m_replies.size(), i + 1, 5000);
            const TDeviceReply r = m_replies.last();
            QCOMPARE(r.header.command, expected.at(i) == 'R' ? RESEND : expected.at(i) == 'D' ? DISC : FW);
            if (expected.at(i) != 'G')
                QVERIFY(r.header.options == failedState && r.data.isEmpty());
        }
        if (expected.endsWith('D'))
            QCOMPARE(DeviceMessageManager::resendBudget(), qint16(3));
        // Two and a half reply times of 100 ms: a timer left running would have fired twice. A slow
        // machine can only let that slip through, never fail a correct run.
        QTest::qWait(250);
        QCOMPARE(m_replies.size(), replies.size()); // no further timeout after an error
    }

    // A whole reply the check refuses answers an earlier request (a late one): it is passed over
    // without costing the budget, whether the right reply follows in the same chunk or later, and
    // only the wait's time-out counts.
    void refusedReplyIsPassedOver()
    {
        int checked = 0;
        DeviceMessageManager::setReplyCheck([&checked](const TDeviceReply& r) {
            ++checked;
            return r.data == versionData;
        });
        const QByteArray late = replyFrame(FW, QByteArray(12, '\0'));
        const QByteArray right = replyFrame(FW, versionData);
        request(FW);
        DeviceMessageManager::receive(late + late + right.left(7));
        QVERIFY(m_replies.isEmpty());
        QVERIFY(DeviceMessageManager::isReceiving());
        QVERIFY(DeviceMessageManager::isReplyTimerActive());
        DeviceMessageManager::receive(right.mid(7));
        QCOMPARE(m_replies.size(), 1);
        QCOMPARE(m_replies.first().data, versionData);
        QCOMPARE(checked, 3);
        QCOMPARE(DeviceMessageManager::resendBudget(), DeviceMessageManager::RESEND_BUDGET);

        request(FW, 100);
        DeviceMessageManager::receive(late);
        QTRY_COMPARE(m_replies.size(), 2);
        QCOMPARE(m_replies.last().header.command, RESEND);
        QCOMPARE(m_replies.last().header.options, quint16(EStates::E_REPLY_TIMEOUT));
    }

    void replyAnnouncedAfterTheReceivePath()
    {
        // The receiver sends the next request at once, as the device manager does; the rest of the
        // chunk that carried the first reply must not be taken for the second one.
        const QByteArray first = replyFrame(FW, versionData);
        QMetaObject::Connection next =
            connect(&DeviceMessageManager::instance(), &DeviceMessageManager::signalGotReply, this, [this] {
                if (m_replies.size() == 1)
                    request(FW, 150);
            });
        request(FW);
        DeviceMessageManager::receive(first + first.left(5));
        disconnect(next);
        QCOMPARE(m_replies.size(), 1);
        QCOMPARE(DeviceMessageManager::state(), EStates::RECEIVE_REPLY);
        QVERIFY(DeviceMessageManager::isReplyTimerActive());
        DeviceMessageManager::receive(replyFrame(FW, versionData));
        QCOMPARE(m_replies.size(), 2);
        QCOMPARE(m_replies.last().data, versionData);
    }

    // The names the log shows for commands and link states; a value without one shows its number.
    void logNames()
    {
        QCOMPARE(DeviceEnumPrinter::commandName(0xD008), "D_GET_DEVICE_ID");
        QCOMPARE(DeviceEnumPrinter::commandName(0x1234), "4660");
        QCOMPARE(DeviceEnumPrinter::stateName(16), "16");
    }
};

QTEST_GUILESS_MAIN(tst_DeviceMessageManager)
#include "tst_DeviceMessageManager.moc"
